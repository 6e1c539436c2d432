#include "connection/transaction_commands.h"

#include "platform/db/connection.h"
#include "platform/exceptions.h"

namespace qv {

namespace {
TransactionOutcome Run(db::Connection& con, const QString& connectText, bool commit)
{
    const QString word = commit ? QStringLiteral("COMMIT") : QStringLiteral("ROLLBACK");
    const QString head = QString::fromUtf8("現行データベース [ ") + connectText + QString::fromUtf8(" ] のトランザクションを ") + word;
    TransactionOutcome out;
    try {
        if (con.InTransaction()) {
            if (commit)
                con.Commit();
            else
                con.Rollback();
        }
    } catch (const EAbort&) {
        throw;
    } catch (const std::exception& e) {
        out.ok = false;
        out.statusText = head + QString::fromUtf8(" できませんでした: ") + QString::fromUtf8(e.what());
    }
    try {
        if (con.Connected() && !con.InTransaction())
            con.StartTransaction();
    } catch (const EAbort&) {
        throw;
    } catch (const std::exception& e) {
        if (out.ok) {
            out.ok = false;
            out.statusText = head + QString::fromUtf8(" しましたが、新しいトランザクションを開始できませんでした: ") +
                             QString::fromUtf8(e.what());
        }
    }
    if (out.ok)
        out.statusText = head + QString::fromUtf8(" しました。");
    return out;
}
} // namespace

TransactionOutcome CommitConnection(db::Connection& connection, const QString& connectText)
{
    return Run(connection, connectText, true);
}

TransactionOutcome RollbackConnection(db::Connection& connection, const QString& connectText)
{
    return Run(connection, connectText, false);
}

} // namespace qv
