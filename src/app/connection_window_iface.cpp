#include "app/connection_window_iface.h"

#include "platform/exceptions.h"

namespace qv {

QString ConnectInfo(const QString& login, const QString& server, const QString& database,
                    const QString& schema, const QString& objectName, bool isAddDB)
{
    QString s;
    if (schema.isEmpty() || objectName.isEmpty())
        s = login.trimmed() + QStringLiteral(" @ ") + server.trimmed();
    else
        s = schema + QLatin1Char('.') + objectName + QStringLiteral(" @ ") + server.trimmed();
    if (isAddDB)
        s += QLatin1Char('.') + database.trimmed();
    return s;
}

QString IConnectionWindow::GetConnectInfo(const QString& schema, const QString& objectName, bool isAddDB) const
{
    return ConnectInfo(Login(), Server(), DataBase(), schema, objectName, isAddDB);
}

QList<QVariantList> IConnectionWindow::QueryRows(const QString&)
{
    throw Exception(QStringLiteral("The connection has no session."));
}

} // namespace qv
