#include "admin/session/session_second.h"

#include "admin/session/session_text.h"
#include "connection/object_session.h"
#include "connection/object_window.h"
#include "platform/db/connection.h"
#include "platform/db/query.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace qv {

TSecondSession::TSecondSession(QObject* parent) : QObject(parent), Connection2(new db::Connection(this)) {}

std::function<std::shared_ptr<db::DriverConnection>()>& TSecondSession::DriverFactory()
{
    static std::function<std::shared_ptr<db::DriverConnection>()> factory;
    return factory;
}

void TSecondSession::Open(TfrmObject* conn)
{
    if (!conn)
        throw Exception(QStringLiteral("no connection"));
    Connection2->Close();
    TObjectSession* s = conn->session();
    sessiontext::Logon logon;
    logon.applicationName = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    logon.login = s->g_UserID;
    logon.password = s->g_Password;
    logon.server = s->g_Server;
    logon.database = s->dmSQLServer->DataBase();
    logon.windowsAuth = s->g_Win_Attest;
    logon.azure = s->IsAzure;
    sessiontext::SetSecondSessionParams(Connection2->Params(), logon);
    if (DriverFactory())
        Connection2->SetDriver(DriverFactory()());
    Connection2->Open();
}

void TSecondSession::Close(const std::vector<db::Query*>& queries)
{
    for (db::Query* q : queries) {
        try {
            q->Close();
        } catch (const std::exception&) {
        }
    }
    try {
        Connection2->Close();
    } catch (const std::exception&) {
    }
}

} // namespace qv
