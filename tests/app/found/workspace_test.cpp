#include "settings_helper.h"

#include "app/workspace.h"

using namespace qv;
using qvtest::RestartStore;
using qvtest::SettingsTest;

namespace {

TqvObjectEntry entry(int i)
{
    TqvObjectEntry e;
    e.ObjectType = 45 + (i % 3);
    e.Title = QStringLiteral("obj%1 (db)").arg(i);
    e.Schema = QStringLiteral("dbo");
    e.ObjectName = QStringLiteral("obj%1").arg(i);
    e.ParentObject = i % 2 ? QStringLiteral("parent") : QString();
    e.DataBase = QStringLiteral("db");
    e.Connect = QStringLiteral("sa @ srv.db");
    return e;
}

class WorkSpaceTest : public SettingsTest {
protected:
    void SetUp() override
    {
        SettingsTest::SetUp();
        WorkSpaceList.clear();
        RecentObjectList.clear();
    }
};

TEST_F(WorkSpaceTest, TwelveEntriesAreSavedAsNumberedKeysAndComeBackInOrder)
{
    for (int i = 0; i < 12; ++i)
        WorkSpaceList << entry(i);
    const QList<TqvWorkSpace> saved = WorkSpaceList;
    SaveWorkSpace();
    RestartStore();

    TqvRegistry& reg = open("WORKSPACE");
    EXPECT_EQ(reg.GetKeyNames(), (QStringList{"0", "1", "10", "11", "2", "3", "4", "5", "6", "7", "8", "9"}));
    open("WORKSPACE\\11");
    EXPECT_EQ(reg.GetValueNames(), (QStringList{"ObjectType", "Title", "Schema", "ObjectName", "ParentObject", "DataBase", "Connect"}));
    reg.CloseKey();

    WorkSpaceList.clear();
    LoadWorkSpace();
    EXPECT_EQ(WorkSpaceList, saved);
}

TEST_F(WorkSpaceTest, EmptyWorkSpaceAndMissingType)
{
    WorkSpaceList << entry(0);
    SaveWorkSpace();
    WorkSpaceList.clear();
    SaveWorkSpace();
    EXPECT_FALSE(Registry().KeyExists(SettingsRootKey + "\\WORKSPACE"));
    LoadWorkSpace();
    EXPECT_TRUE(WorkSpaceList.isEmpty());
    EXPECT_TRUE(Registry().KeyExists(SettingsRootKey + "\\WORKSPACE"));

    TqvRegistry& reg = open("WORKSPACE\\0", true);
    reg.WriteString("ObjectName", "t1");
    reg.CloseKey();
    LoadWorkSpace();
    ASSERT_EQ(WorkSpaceList.size(), 1);
    EXPECT_EQ(WorkSpaceList[0].ObjectType, 45); // a table
    EXPECT_EQ(WorkSpaceList[0].ObjectName, QStringLiteral("t1"));
}

TEST_F(WorkSpaceTest, RecentObjectsKeepTenPerSlotAndRenameSlots)
{
    QList<TqvRecentObject> first;
    for (int i = 0; i < 11; ++i)
        first << entry(i);
    QList<TqvRecentObject> second{entry(20)};
    second[0].Connect = QStringLiteral("u @ other.db2");
    RecentObjectList = {first, second, {}};
    SaveRecentObjects();

    TqvRegistry& reg = open("RECENTOBJECT");
    EXPECT_EQ(reg.GetKeyNames(), (QStringList{"DB0", "DB1", "DB2"}));
    open("RECENTOBJECT\\DB1");
    EXPECT_EQ(reg.ReadString("Connect"), QStringLiteral("u @ other.db2"));
    open("RECENTOBJECT\\DB2");
    EXPECT_EQ(reg.ReadString("Connect"), QString());
    EXPECT_FALSE(reg.ValueExists("Missing"));
    open("RECENTOBJECT\\DB0");
    EXPECT_EQ(reg.GetKeyNames().size(), 10);
    // A slot stored under another name is read like the others and saved under its DB name.
    open("RECENTOBJECT\\legacy\\0", true);
    reg.WriteString("ObjectName", "old");
    reg.CloseKey();

    RecentObjectList.clear();
    RestartStore();
    LoadRecentObjects();
    ASSERT_EQ(RecentObjectList.size(), 4);
    EXPECT_EQ(RecentObjectList[0], first.mid(0, 10));
    EXPECT_EQ(RecentObjectList[1], second);
    EXPECT_TRUE(RecentObjectList[2].isEmpty());
    ASSERT_EQ(RecentObjectList[3].size(), 1);
    EXPECT_EQ(RecentObjectList[3][0].ObjectName, QStringLiteral("old"));
    SaveRecentObjects();
    open("RECENTOBJECT");
    EXPECT_EQ(reg.GetKeyNames(), (QStringList{"DB0", "DB1", "DB2", "DB3"}));
    reg.CloseKey();
}

TEST_F(WorkSpaceTest, TwelveSlotsComeBackInOrder)
{
    for (int s = 0; s < 12; ++s) {
        TqvRecentObject e = entry(s);
        e.Connect = QStringLiteral("c%1").arg(s);
        RecentObjectList << QList<TqvRecentObject>{e};
    }
    const auto saved = RecentObjectList;
    SaveRecentObjects();
    RecentObjectList.clear();
    LoadRecentObjects();
    EXPECT_EQ(RecentObjectList, saved);
}

} // namespace
