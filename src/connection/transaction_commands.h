#pragma once
// Commit and rollback of a connection's transaction as the main window's commands run them:
// end the transaction, start the next one at once, and say in the status bar what happened.
// A failure is reported as a failure, with the driver's message.
#include <QString>

namespace qv {

namespace db {
class Connection;
}

struct TransactionOutcome {
    bool ok = true;
    QString statusText; // for the main status bar's third panel
};

// connectText: login " @ " server "." database.
TransactionOutcome CommitConnection(db::Connection& connection, const QString& connectText);
TransactionOutcome RollbackConnection(db::Connection& connection, const QString& connectText);

} // namespace qv
