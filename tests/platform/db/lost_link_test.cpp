// A link to the server that breaks: every form a driver reports it in counts, the user reads
// one Japanese text, and the next statement offers to connect again.
#include "platform/db/connection.h"
#include "platform/db/fixture.h"
#include "platform/db/query.h"
#include "platform/db/scripted_session.h"
#include "platform/exceptions.h"

#include <gtest/gtest.h>
#include "db_test_helper.h"

using namespace qv::db;

TEST(LostLink, EveryDriverFormOfABrokenLinkCounts)
{
    struct Case {
        const char* state;
        const char* message;
        bool lost;
    };
    const Case cases[] = {
        {"08S01", "[FreeTDS][SQL Server]Communication link failure", true},
        {"08003", "Connection is not open", true},
        {"08001", "[FreeTDS][SQL Server]Unable to connect to data source", true},
        {"08007", "Connection failure during transaction", true},
        {"HY000", "[FreeTDS][SQL Server]Unexpected EOF from the server", true},
        {"01000", "[FreeTDS][SQL Server]Read from the server failed", true},
        {"HY000", "[FreeTDS][SQL Server]Write to the server failed", true},
        {"42S02", "Invalid object name 'x'.", false},
        {"HYT00", "[FreeTDS][SQL Server]Timeout expired", false}, // lost only when the link is dead
        {"HY000", "Divide by zero error encountered.", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        EXPECT_EQ(IsLostLinkError(QString::fromLatin1(c.state), QString::fromLatin1(c.message)), c.lost);
    }
    EXPECT_TRUE(IsTimeoutState(QStringLiteral("HYT00")));
    EXPECT_TRUE(IsTimeoutState(QStringLiteral("HYT01")));
    EXPECT_FALSE(IsTimeoutState(QStringLiteral("HY000")));
}

TEST(LostLink, TheFirstFailureSaysSoOnceAndTheNextStatementOffersToConnectAgain)
{
    auto session = std::make_shared<ScriptedSession>();
    Connection conn;
    conn.SetDriver(session);
    int lostCalls = 0, asked = 0;
    bool answer = false;
    conn.AfterLost = [&](Connection& c) {
        ++lostCalls;
        EXPECT_FALSE(c.Connected());
    };
    conn.ReconnectQuery = [&](Connection&) {
        ++asked;
        return answer;
    };
    conn.Open();
    conn.StartTransaction();
    session->fixture().exact("select * from big").once().fails("[FreeTDS][SQL Server]Unexpected EOF from the server", "HY000", 20017);
    session->fixture().exact("select 1").returns({column("", "int")}, {{1}});
    Query q;
    q.SetConnection(&conn);
    q.SetSQLText(QStringLiteral("select * from big"));
    try {
        q.Open();
        FAIL() << "no error";
    } catch (const qv::EConnectionLost& e) {
        const QStringList lines = e.message().split(QLatin1Char('\n'));
        EXPECT_EQ(lines.value(0), LostLinkText());
        EXPECT_EQ(e.message().count(LostLinkText()), 1);
        EXPECT_TRUE(e.message().contains(QStringLiteral("トランザクション")));
        EXPECT_TRUE(e.message().contains(QStringLiteral("Unexpected EOF from the server")));
        EXPECT_EQ(e.sqlState(), QStringLiteral("08S01")); // never taken for a plain HY000 failure
    }
    EXPECT_EQ(lostCalls, 1);
    EXPECT_FALSE(conn.Connected());
    EXPECT_FALSE(conn.InTransaction());
    EXPECT_TRUE(conn.Lost());

    // Declined: the statement fails with the state of the link, without a second notice.
    q.SetSQLText(QStringLiteral("select 1"));
    try {
        q.Open();
        FAIL() << "no error";
    } catch (const qv::EConnectionLost& e) {
        EXPECT_EQ(e.message(), LostLinkStateText());
    }
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(lostCalls, 1);

    // Accepted: the session opens again and the statement runs.
    answer = true;
    ASSERT_NO_THROW(q.Open());
    EXPECT_EQ(asked, 2);
    EXPECT_TRUE(conn.Connected());
    EXPECT_FALSE(conn.Lost());
    EXPECT_EQ(q.Fields().at(0)->AsInteger(), 1);
    EXPECT_EQ(session->events().count(QStringLiteral("Open")), 2);
}
