#include "connection/saved_connections.h"

#include "app/scrambler.h"
#include "platform/registry.h"

#include <gtest/gtest.h>

using namespace qv;
namespace sc = qv::saved_connections;

namespace {
class SavedConnections : public ::testing::Test {
protected:
    void SetUp() override
    {
        TqvRegistry reg;
        reg.DeleteKey(sc::Key);
    }
    void AddEntry(const QString& key, const QString& user, const QString& server, const QString& windows = "0")
    {
        TqvRegistry reg;
        ASSERT_TRUE(reg.OpenKey(sc::Key + "\\" + key, true));
        reg.WriteString("UserID", user);
        reg.WriteString("Server", server);
        reg.WriteString("Database", "");
        reg.WriteString("Windows", windows);
        reg.WriteString("Password", ScrambleText("pw-" + user));
        reg.CloseKey();
    }
    QStringList Keys()
    {
        QStringList out;
        for (const SavedConnection& e : sc::Load())
            out << e.key;
        return out;
    }
};
} // namespace

TEST_F(SavedConnections, OrderFromSortThenTheRest)
{
    AddEntry("DB000", "a", "s1");
    AddEntry("DB001", "b", "s2");
    AddEntry("DB002", "c", "s3");
    EXPECT_EQ(Keys(), QStringList({"DB000", "DB001", "DB002"}));
    {
        TqvRegistry reg;
        reg.OpenKey(sc::Key, false);
        reg.WriteString("Sort", "DB002\r\nDB009\r\nDB000\r\n");
    }
    EXPECT_EQ(Keys(), QStringList({"DB002", "DB000", "DB001"}));
    const QList<SavedConnection> list = sc::Load();
    EXPECT_EQ(list[0].password, "pw-c");
    EXPECT_EQ(list[0].location(), "s3");
}

TEST_F(SavedConnections, NewEntryReusesFreedNameAndScramblesPassword)
{
    AddEntry("DB000", "a", "s1");
    AddEntry("DB001", "b", "s2");
    AddEntry("DB002", "c", "s3");
    sc::Delete("DB001");
    QList<SavedConnection> list = sc::Load();
    LogonValues v{"new", "secret", "srv", "db", "note", false};
    sc::Save(list, v, true, true);
    TqvRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(sc::Key + "\\DB001"));
    EXPECT_EQ(reg.ReadString("UserID"), "new");
    EXPECT_NE(reg.ReadString("Password"), "secret");
    EXPECT_FALSE(reg.ReadString("Password").contains("secret"));
    EXPECT_EQ(UnscrambleText(reg.ReadString("Password")), "secret");
    EXPECT_EQ(reg.ReadString("Windows"), "0");
    // Listed last next time.
    EXPECT_EQ(Keys(), QStringList({"DB000", "DB002", "DB001"}));
    LogonValues last;
    ASSERT_TRUE(sc::LoadLast(last));
    EXPECT_EQ(last.userId, "new");
    EXPECT_EQ(last.server, "srv");
}

TEST_F(SavedConnections, SameEntryInOtherCaseIsUpdated)
{
    AddEntry("DB000", "Alice", "Srv");
    LogonValues v{"alice", "newpw", "SRV", "", "c", false};
    sc::Save(sc::Load(), v, true, true);
    const QList<SavedConnection> list = sc::Load();
    ASSERT_EQ(list.size(), 1);
    EXPECT_EQ(list[0].password, "newpw");
    EXPECT_EQ(list[0].server, "SRV");
    EXPECT_EQ(list[0].comment, "c");
    // Without the box ticked nothing but the root values and the order is written.
    v.password = "other";
    sc::Save(sc::Load(), v, true, false);
    EXPECT_EQ(sc::Load()[0].password, "newpw");
}

TEST_F(SavedConnections, WindowsFlagOneReadsAsYesAndIsWrittenMinusOne)
{
    AddEntry("DB000", "", "srv", "1");
    const QList<SavedConnection> list = sc::Load();
    ASSERT_EQ(list.size(), 1);
    EXPECT_TRUE(list[0].isWindows());
    LogonValues v{"", "", "srv", "", "", true};
    EXPECT_TRUE(sc::Matches(list[0], v));
    sc::Save(list, v, true, true);
    TqvRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(sc::Key + "\\DB000"));
    EXPECT_EQ(reg.ReadString("Windows"), "-1");
    reg.OpenKeyReadOnly(sc::Key);
    EXPECT_EQ(reg.ReadString("Windows"), "-1");
    EXPECT_EQ(sc::FreeKeyName({"DB000", "db001"}), "DB002");
}
