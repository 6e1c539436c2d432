#pragma once
// One database session: its parameters, the driver connection and its transaction state.
// Every query bound to a connection runs on its one physical link.
#include "platform/db/driver.h"
#include "platform/exceptions.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

namespace qv::db {

class Query;

class Connection : public QObject {
    Q_OBJECT
public:
    explicit Connection(QObject* parent = nullptr);
    ~Connection() override;

    // Parameters ("Server", "Database", "User_Name", "Password", "OSAuthent", "ApplicationName",
    // or "ConnectionString" for a complete ODBC connection string); names ignore letter case.
    ParamList& Params() { return m_params; }
    const ParamList& Params() const { return m_params; }

    // The driver: ODBC unless one is set before opening (tests set a ScriptedSession).
    void SetDriver(std::shared_ptr<DriverConnection> driver);
    DriverConnection* Driver() const { return m_driver.get(); }

    void Open();
    void Close();
    bool Connected() const { return m_driver && m_driver->isOpen(); }
    void SetConnected(bool on) { on ? Open() : Close(); }

    bool InTransaction() const { return m_inTransaction; }
    void StartTransaction();
    void Commit();
    void Rollback();
    // Statements commit on their own while no transaction is started (default true).
    bool AutoCommit() const { return m_autoCommit; }
    void SetAutoCommit(bool on);

    // "name = value" lines about the connection, the client and the server ("Driver name = …").
    QStringList GetInfoReport();
    // The identifier quote pair, "[]" for SQL Server.
    QString IdentifierQuotes() const;

    // Runs one batch on the session (queries call it). A lost link closes the connection,
    // calls AfterLost and raises EConnectionLost whose text begins with LostLinkText(). A
    // statement on a connection whose link was lost asks ReconnectQuery first: true opens the
    // connection again with the same parameters and runs the statement; false (or no hook)
    // raises EConnectionLost with LostLinkStateText().
    ExecOutcome Execute(const StatementRequest& request);
    QStringList KeyColumns(const QString& catalog, const QString& schema, const QString& table);

    // True after the link was lost, until the connection is opened or closed again.
    bool Lost() const { return m_lost; }

    std::function<void(Connection&)> BeforeConnect, AfterConnect, BeforeDisconnect;
    // Called once when the link is found lost (the session is already closed); must not throw.
    std::function<void(Connection&)> AfterLost;
    // Asked before a statement runs on a lost connection: true to open it again.
    std::function<bool(Connection&)> ReconnectQuery;

private:
    friend class Query;
    void attach(Query* q);
    void detach(Query* q);
    void ensureDriver();
    // Closes the session after a lost link and gives the exception the user reads.
    EConnectionLost linkLost(const EDatabaseError& e);
    template <typename F> auto guarded(F&& f) -> decltype(f());

    ParamList m_params;
    std::shared_ptr<DriverConnection> m_driver;
    QList<QPointer<Query>> m_queries;
    bool m_inTransaction = false;
    bool m_autoCommit = true;
    bool m_lost = false;
};

} // namespace qv::db
