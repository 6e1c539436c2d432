#include "connection/transaction_commands.h"

#include "platform/db/connection.h"
#include "platform/db/scripted_session.h"
#include "platform/exceptions.h"

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::db;

namespace {
// A session whose commit fails (a lost link, a deferred constraint).
class FailingCommit : public ScriptedSession {
public:
    void commit() override { throw EDatabaseError("The transaction ended in the trigger.", "25000"); }
};
} // namespace

TEST(TransactionCommands, SuccessAndFailureAreReportedAsSuch)
{
    const QString head = QString::fromUtf8("現行データベース [ sa @ srv.Sales ] のトランザクションを ");
    {
        auto session = std::make_shared<ScriptedSession>();
        Connection con;
        con.SetDriver(session);
        con.Open();
        con.StartTransaction();
        const TransactionOutcome ok = CommitConnection(con, "sa @ srv.Sales");
        EXPECT_TRUE(ok.ok);
        EXPECT_EQ(ok.statusText, head + QString::fromUtf8("COMMIT しました。"));
        EXPECT_TRUE(con.InTransaction()); // the next one is started at once
        EXPECT_EQ(session->events().count("StartTransaction"), 2);
        const TransactionOutcome rb = RollbackConnection(con, "sa @ srv.Sales");
        EXPECT_EQ(rb.statusText, head + QString::fromUtf8("ROLLBACK しました。"));
        EXPECT_TRUE(session->events().contains("Rollback"));
    }
    {
        auto session = std::make_shared<FailingCommit>();
        Connection con;
        con.SetDriver(session);
        con.Open();
        con.StartTransaction();
        const TransactionOutcome bad = CommitConnection(con, "sa @ srv.Sales");
        EXPECT_FALSE(bad.ok);
        EXPECT_TRUE(bad.statusText.startsWith(head + "COMMIT"));
        EXPECT_FALSE(bad.statusText.contains(QString::fromUtf8("しました。")));
        EXPECT_TRUE(bad.statusText.contains("The transaction ended in the trigger."));
    }
}
