#pragma once
// The session data module: one database connection of a connection window and one shared
// general-purpose query, with a few questions about the session.
#include "platform/db/connection.h"
#include "platform/db/query.h"

#include <QObject>
#include <functional>

class TdmSQLServer : public QObject {
    Q_OBJECT
public:
    explicit TdmSQLServer(QObject* owner = nullptr);

    qv::db::Connection* Connection;  // the session's connection ("DriverID=MSSQL")
    qv::db::Query* qryGeneral;       // the shared query, bound to Connection

    // Values of "User_Name", "Password", "Server" and "DataBase"; empty when not set.
    QString Login() const;
    QString Password() const;
    QString Server() const;
    QString DataBase() const;

    // The server's major version from its product version; 99 when it cannot be read.
    int GetDBVersion(int FixedVer = 0);
    // The database user of the current database; "dbo" on failure.
    QString GetLoginUser();
    // The default schema of the database user; "" without a row, "dbo" on failure.
    QString GetDefSchema();
    // The client driver's name from the connection's information report; "" when closed.
    QString GetSQLDriverName();

    // The question before a statement runs on a session whose link was lost (text: the
    // question; true: connect again). Unset: a Yes/No box while the main window exists, else
    // no. Tests replace it.
    static void SetReconnectHook(std::function<bool(const QString&)> hook);

private:
    // The status panel after this session disconnected or lost its link.
    void ShowStateAfterDisconnect();
};
