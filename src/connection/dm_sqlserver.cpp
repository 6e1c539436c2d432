#include "connection/dm_sqlserver.h"
#include "app/connection_window_iface.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/options.h"
#include "platform/exceptions.h"

namespace {

// The connection state in the first panel of the main status bar.
void ShowConnectionState(const QString& text)
{
    if (qv::TfrmMain* m = qv::TfrmMain::instance())
        m->stsMain()->setPanelText(0, text);
}

QString ConnectedText(const QString& server, const QString& database)
{
    return QStringLiteral("%1 . %2 に接続中").arg(server, database);
}

std::function<bool(const QString&)>& reconnectHook()
{
    static std::function<bool(const QString&)> hook;
    return hook;
}

QString quoteLiteral(const QString& text)
{
    QString s = text;
    s.replace(QLatin1String("'"), QLatin1String("''"));
    return QLatin1Char('\'') + s + QLatin1Char('\'');
}

} // namespace

TdmSQLServer::TdmSQLServer(QObject* owner)
    : QObject(owner), Connection(new qv::db::Connection(this)), qryGeneral(new qv::db::Query(this))
{
    Connection->setObjectName(QStringLiteral("Connection"));
    qryGeneral->setObjectName(QStringLiteral("qryGeneral"));
    Connection->Params().setValue(QStringLiteral("DriverID"), QStringLiteral("MSSQL"));
    qryGeneral->SetConnection(Connection);
    Connection->BeforeConnect = [](qv::db::Connection& c) {
        c.Params().setValue(QStringLiteral("LoginTimeout"), QString::number(qMax(0, qv::qvOption.LoginTimeout)));
        c.Params().setValue(QStringLiteral("QueryTimeout"), QString::number(qMax(0, qv::qvOption.QueryTimeout)));
    };
    Connection->AfterConnect = [this](qv::db::Connection&) { ShowConnectionState(ConnectedText(Server(), DataBase())); };
    Connection->BeforeDisconnect = [this](qv::db::Connection&) { ShowStateAfterDisconnect(); };
    Connection->AfterLost = [this](qv::db::Connection&) { ShowStateAfterDisconnect(); };
    Connection->ReconnectQuery = [](qv::db::Connection& c) {
        QString text = qv::db::LostLinkText() + QStringLiteral("\n%1 に接続し直して実行しますか？")
                                                   .arg(c.Params().value(QStringLiteral("Server")));
        if (const auto& hook = reconnectHook())
            return hook(text);
        // Without the main window nobody can answer: the statement fails.
        if (!qv::TfrmMain::instance())
            return false;
        return qv::ShowMessageBox(text, qv::MB_YESNO | qv::MB_ICONQUESTION) == qv::IDYES;
    };
}

void TdmSQLServer::SetReconnectHook(std::function<bool(const QString&)> hook) { reconnectHook() = std::move(hook); }

void TdmSQLServer::ShowStateAfterDisconnect()
{
    // The panel tells the state of the main window's current connection: another window's
    // connection when that one is current (closing the second of two connections leaves the
    // first current), else that nothing is connected.
    qv::TfrmMain* m = qv::TfrmMain::instance();
    if (!m)
        return;
    if (qv::IConnectionWindow* c = m->CurrentForm()) {
        bool mine = false;
        for (QObject* o = parent(); o && !mine; o = o->parent())
            mine = o == c->connectionWidget();
        if (!mine) {
            ShowConnectionState(ConnectedText(c->Server(), c->DataBase()));
            return;
        }
    }
    ShowConnectionState(QStringLiteral("データベース未接続"));
}

QString TdmSQLServer::Login() const { return Connection->Params().value(QStringLiteral("User_Name")); }
QString TdmSQLServer::Password() const { return Connection->Params().value(QStringLiteral("Password")); }
QString TdmSQLServer::Server() const { return Connection->Params().value(QStringLiteral("Server")); }
QString TdmSQLServer::DataBase() const { return Connection->Params().value(QStringLiteral("DataBase")); }

int TdmSQLServer::GetDBVersion(int /*FixedVer*/)
{
    int version = 99;
    try {
        qryGeneral->Close();
        qryGeneral->SQL().SetText(QStringLiteral("select SERVERPROPERTY('productversion')"));
        qryGeneral->SetConnection(Connection);
        qryGeneral->Open();
        const QString text = qryGeneral->FieldCount() > 0 ? qryGeneral->Fields().at(0)->AsString() : QString();
        const qsizetype dot = text.indexOf(QLatin1Char('.'));
        if (dot > 0) {
            bool ok = false;
            const int v = text.left(dot).toInt(&ok);
            if (ok)
                version = v;
        }
    } catch (const std::exception&) {
        version = 99;
    }
    try {
        qryGeneral->Close();
    } catch (const std::exception&) {
    }
    return version;
}

QString TdmSQLServer::GetLoginUser()
{
    QString user = QStringLiteral("dbo");
    try {
        qryGeneral->Close();
        qryGeneral->SQL().SetText(QStringLiteral("select User_Name()"));
        qryGeneral->Open();
        user = qryGeneral->FieldCount() > 0 ? qryGeneral->Fields().at(0)->AsString() : QStringLiteral("dbo");
    } catch (const std::exception&) {
        user = QStringLiteral("dbo");
    }
    try {
        qryGeneral->Close();
    } catch (const std::exception&) {
    }
    return user;
}

QString TdmSQLServer::GetDefSchema()
{
    QString schema = QStringLiteral("dbo");
    try {
        qryGeneral->Close();
        const QString user = GetLoginUser();
        qryGeneral->SQL().SetText(
            QStringLiteral("SELECT default_schema_name   FROM sys.database_principals  WHERE type in ('U', 'S', 'G', 'C', 'K')   AND name = N")
            + quoteLiteral(user));
        qryGeneral->Open();
        schema = (!qryGeneral->IsEmpty() && qryGeneral->FieldCount() > 0) ? qryGeneral->Fields().at(0)->AsString() : QString();
    } catch (const std::exception&) {
        schema = QStringLiteral("dbo");
    }
    try {
        qryGeneral->Close();
    } catch (const std::exception&) {
    }
    return schema;
}

QString TdmSQLServer::GetSQLDriverName()
{
    try {
        if (!Connection->Connected())
            return QString();
        const QStringList report = Connection->GetInfoReport();
        const QString key = QStringLiteral("Driver name = ");
        for (const QString& line : report)
            if (line.contains(key)) {
                QString s = line;
                return s.remove(key);
            }
    } catch (const std::exception&) {
    }
    return QString();
}
