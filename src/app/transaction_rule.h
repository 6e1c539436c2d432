#pragma once
// The rule around statements that cannot run inside a user transaction (ALTER DATABASE, BACKUP,
// RESTORE, DBCC, sp_detach_db, KILL …): the session's open transaction is committed first, and
// afterwards, when the option AutoTran is on and none is open, a new one is started. Both steps
// ignore a failure.

namespace qv {

class IConnectionWindow;

// The session's open transaction committed, a failure ignored.
void CommitOpenTransaction(IConnectionWindow* conn);
// A new transaction when the option AutoTran is on and none is open, a failure ignored.
void StartTransactionWhenAuto(IConnectionWindow* conn);

// Commits on construction and starts the AutoTran transaction again on destruction, also when
// the statements between failed.
class CommitAround {
public:
    explicit CommitAround(IConnectionWindow* conn) : m_conn(conn) { CommitOpenTransaction(m_conn); }
    ~CommitAround() { StartTransactionWhenAuto(m_conn); }
    CommitAround(const CommitAround&) = delete;
    CommitAround& operator=(const CommitAround&) = delete;

private:
    IConnectionWindow* m_conn;
};

} // namespace qv
