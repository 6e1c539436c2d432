#include "objects/kept_grants.h"

#include "app/qvstrings.h"
#include "connection/object_session.h"
#include "platform/db/query.h"

#include <QRegularExpression>

namespace qv::kept {

QString PermissionQuery(const QString& database)
{
    return QStringLiteral("use ") + QuoteIdentifier(database.trimmed(), true) +
           QStringLiteral("\r\nselect p.state, p.permission_name, u.name from sys.database_permissions p "
                          "inner join sys.database_principals u on u.principal_id = p.grantee_principal_id "
                          "where p.class = 1 and p.minor_id = 0 "
                          "and p.major_id = object_id(quotename(:OWNER) + '.' + quotename(:NAME)) "
                          "order by u.name, p.permission_name");
}

QStringList RegrantText(const QList<Grant>& grants, const QString& schema, const QString& name)
{
    static const QRegularExpression plainWords(QStringLiteral("^[A-Z]+( [A-Z]+)*$"));
    const QString object = QStringLiteral(" ON OBJECT::") + QuoteIdentifier(schema.trimmed()) + QLatin1Char('.') +
                           QuoteIdentifier(name.trimmed());
    QStringList out;
    for (const Grant& g : grants) {
        const QString permission = g.permission.trimmed().toUpper();
        if (!plainWords.match(permission).hasMatch())
            continue;
        const QString to = QStringLiteral(" TO ") + QuoteIdentifier(g.grantee);
        const QString state = g.state.trimmed().toUpper();
        if (state == QLatin1String("G"))
            out << QStringLiteral("GRANT ") + permission + object + to;
        else if (state == QLatin1String("W"))
            out << QStringLiteral("GRANT ") + permission + object + to + QStringLiteral(" WITH GRANT OPTION");
        else if (state == QLatin1String("D"))
            out << QStringLiteral("DENY ") + permission + object + to;
    }
    if (!out.isEmpty())
        out << QStringLiteral("go");
    return out;
}

QList<Grant> ReadGrants(TObjectSession& session, const QString& database, const QString& schema, const QString& name)
{
    QList<Grant> out;
    db::Query* q = session.OpenSQL(PermissionQuery(database), {schema.trimmed(), name.trimmed()});
    try {
        for (q->First(); !q->Eof(); q->Next())
            out << Grant{q->Fields().at(0)->AsString(), q->Fields().at(1)->AsString(), q->Fields().at(2)->AsString()};
    } catch (...) {
        q->Close();
        throw;
    }
    q->Close();
    return out;
}

} // namespace qv::kept
