// The database definition window's scripts and grid rules, without a window.
#include "admin/database/database_text.h"
#include "platform/exceptions.h"

#include <gtest/gtest.h>

using namespace qv::database;

namespace {
QString J(const QStringList& l) { return l.join(QLatin1Char('\n')); }

FileRow Row(const QString& logical, const QString& kind, const QString& group, const QString& size,
            const QString& growth, const QString& gkind, const QString& max = QStringLiteral("-1"),
            const QString& file = QString(), const QString& folder = QStringLiteral("C:\\SQL\\DATA\\"))
{
    return FileRow{logical, kind, group, size, folder, file, growth, gkind, max};
}

Definition NewDb(const QString& name)
{
    Definition d;
    d.name = name;
    d.files = {Row(name, DataKind, "PRIMARY", "10", "128", "1"), Row(name + "_log", LogKind, NoGroup, "5", "10", "2")};
    d.groups = NewGroupRows();
    return d;
}

Target On(int version)
{
    Target t;
    t.connVersion = version;
    t.serverVersion = version;
    t.sessionLogin = "sa";
    return t;
}

QString NoLcid(const QString&) { return {}; }
} // namespace

TEST(DatabaseCreateScript, NewDatabaseOnPrimaryWithLogAndCollation)
{
    Definition d = NewDb("N");
    d.collation = "Japanese_CI_AS";
    d.collationIndex = 3;
    d.compatIndex = DefaultCompatIndex(15, false);
    d.options = NewOptionValues(15);
    const QStringList s = CreateScript(d, On(15), NoLcid);
    ASSERT_GE(s.size(), 7);
    EXPECT_EQ(s[0], "CREATE DATABASE [N] ON  PRIMARY ");
    EXPECT_EQ(s[1], "( NAME = N'N', FILENAME = N'C:\\SQL\\DATA\\N.mdf', SIZE = 10240KB, MAXSIZE = UNLIMITED, FILEGROWTH = 1024KB) ");
    EXPECT_EQ(s[2], " LOG ON");
    EXPECT_EQ(s[3], "( NAME = N'N_log', FILENAME = N'C:\\SQL\\DATA\\N_log.ldf', SIZE = 5120KB, MAXSIZE = UNLIMITED, FILEGROWTH = 10%) ");
    EXPECT_EQ(s[4], " COLLATE Japanese_CI_AS");
    EXPECT_EQ(s[5], "go");
    EXPECT_EQ(s[6], "EXEC dbo.sp_dbcmptlevel @dbname=N'N', @new_cmptlevel=150");
    EXPECT_TRUE(s.contains("ALTER DATABASE [N] SET RECOVERY FULL"));
    EXPECT_TRUE(s.contains("ALTER DATABASE [N] SET CONTAINMENT = NONE"));
    EXPECT_TRUE(s.contains("ALTER DATABASE [N] SET PAGE_VERIFY CHECKSUM"));
    EXPECT_FALSE(s.contains("ALTER DATABASE [N] SET ENCRYPTION OFF"));
    // The default group is PRIMARY: the guarded statement runs inside the new database.
    const int use = int(s.indexOf("USE [N]"));
    ASSERT_GT(use, 0);
    EXPECT_EQ(s[use + 2], "IF NOT EXISTS (SELECT groupname FROM dbo.sysfilegroups WHERE (status & 0x10) != 0 AND "
                          "groupname = N'PRIMARY') ALTER DATABASE [N] MODIFY FILEGROUP [PRIMARY] DEFAULT");
}

TEST(DatabaseCreateScript, FirstCollationEntryWritesNoCollate)
{
    Definition d = NewDb("N");
    d.collation = "Albanian_BIN";
    d.collationIndex = 0;
    EXPECT_FALSE(J(CreateScript(d, On(15), NoLcid)).contains("COLLATE"));
}

TEST(DatabaseCreateScript, TwoLogFilesAndFileGroups)
{
    Definition d = NewDb("a]b");
    d.files.insert(1, Row("d2", DataKind, "FG1", "1", "0", "1", "12800"));
    d.files << Row("l2", LogKind, NoGroup, "1", "10", "2");
    d.groups << GroupRow{"FG1", "", "1", ""} << GroupRow{"EMPTY", "", "", ""};
    const QStringList s = CreateScript(d, On(15), NoLcid);
    EXPECT_EQ(s[0], "CREATE DATABASE [a]]b] ON  PRIMARY ");
    EXPECT_EQ(s[1], "( NAME = N'a]b', FILENAME = N'C:\\SQL\\DATA\\a]b.mdf', SIZE = 10240KB, MAXSIZE = UNLIMITED, FILEGROWTH = 1024KB) ,");
    EXPECT_EQ(s[2], " FILEGROUP [FG1]");
    EXPECT_EQ(s[3], "( NAME = N'd2', FILENAME = N'C:\\SQL\\DATA\\d2.ndf', SIZE = 1024KB, MAXSIZE = 102400KB, FILEGROWTH = 0) ");
    EXPECT_EQ(s[4], " LOG ON");
    EXPECT_TRUE(s[5].endsWith(") ,"));
    EXPECT_TRUE(s[6].startsWith("( NAME = N'l2'"));
    EXPECT_TRUE(s[6].endsWith("10%) "));
    EXPECT_EQ(s[7], "go");
    EXPECT_EQ(s[8], "ALTER DATABASE [a]]b] ADD FILEGROUP [EMPTY]");
    EXPECT_TRUE(s.contains("ALTER DATABASE [a]]b] MODIFY FILEGROUP [FG1] READONLY"));
}

TEST(DatabaseCreateScript, PrimarySizeNotANumberStops)
{
    Definition d = NewDb("N");
    d.files[0].sizeMb = "x";
    EXPECT_THROW(CreateScript(d, On(15), NoLcid), qv::Exception);
}

TEST(DatabaseCreateScript, NoDefaultGroupLeavesPrimary)
{
    Definition d = NewDb("N");
    d.groups[0].isDefault = "0";
    EXPECT_FALSE(J(CreateScript(d, On(15), NoLcid)).contains("DEFAULT\n"));
    EXPECT_FALSE(J(CreateScript(d, On(15), NoLcid)).contains("MODIFY FILEGROUP []"));
}

TEST(DatabaseCreateScript, Sql2000WritesEveryCheckBoxAndItsOwnLevel)
{
    Definition d = NewDb("N");
    d.compatIndex = DefaultCompatIndex(8, false);
    d.restrictAccess = true;
    d.options = NewOptionValues(8);
    const QStringList s = CreateScript(d, On(8), NoLcid);
    // SQL Server 2000 accepts compatibility levels up to 80 only.
    EXPECT_TRUE(s.contains("EXEC dbo.sp_dbcmptlevel @dbname=N'N', @new_cmptlevel=80"));
    const QStringList expected = {"ALTER DATABASE [N] SET ANSI_NULL_DEFAULT OFF", "go",
                                  "ALTER DATABASE [N] SET AUTO_CLOSE OFF", "go",
                                  "ALTER DATABASE [N] SET AUTO_CREATE_STATISTICS ON", "go",
                                  "ALTER DATABASE [N] SET AUTO_SHRINK OFF", "go",
                                  "ALTER DATABASE [N] SET AUTO_UPDATE_STATISTICS ON", "go",
                                  "ALTER DATABASE [N] SET QUOTED_IDENTIFIER OFF", "go",
                                  "ALTER DATABASE [N] SET RECURSIVE_TRIGGERS OFF", "go",
                                  "ALTER DATABASE [N] SET  READ_WRITE", "go",
                                  "ALTER DATABASE [N] SET RECOVERY FULL", "go",
                                  "ALTER DATABASE [N] SET  RESTRICTED_USER", "go",
                                  "ALTER DATABASE [N] SET  TORN_PAGE_DETECTION ON", "go"};
    EXPECT_TRUE(J(s).contains(J(expected)));
    EXPECT_FALSE(J(s).contains("PAGE_VERIFY"));
    EXPECT_FALSE(J(s).contains("CONTAINMENT"));
}

TEST(DatabaseCreateScript, AzureSizeAndEdition)
{
    Definition d;
    d.name = "Az";
    d.sizeIndex = 2;
    d.editionIndex = 1;
    Target t = On(12);
    t.azure = true;
    EXPECT_EQ(CreateScript(d, t, NoLcid),
              QStringList({"CREATE DATABASE [Az]", "(", "    MAXSIZE = 10GB,", "    EDITION = 'business'", ")", "go"}));
}

TEST(DatabaseCreateScript, OwnerOnlyWhenChosen)
{
    Definition d = NewDb("N");
    d.owner = "o'k";
    d.ownerIndex = 2;
    EXPECT_TRUE(CreateScript(d, On(15), NoLcid).contains("EXEC dbo.sp_changedbowner @loginame = N'o''k', @map = false "));
    d.owner = "sa";
    EXPECT_FALSE(J(CreateScript(d, On(8), NoLcid)).contains("sp_changedbowner"));
    d.ownerIndex = 0;
    d.owner = "x";
    EXPECT_FALSE(J(CreateScript(d, On(15), NoLcid)).contains("sp_changedbowner"));
}

TEST(DatabaseCompat, LevelsByServerVersion)
{
    struct Case { int version; bool azure; QList<int> levels; int selected; };
    const Case cases[] = {
        {8, false, {70, 80}, 1},
        {9, false, {70, 80, 90}, 2},
        {10, false, {80, 90, 100}, 2},
        {11, false, {90, 100, 110}, 2},
        {12, false, {100, 110, 120}, 2},
        {13, false, {100, 110, 120, 130}, 3},
        {14, false, {100, 110, 120, 130, 140}, 4},
        {15, false, {100, 110, 120, 130, 140, 150}, 5},
        {16, false, {70, 80, 90, 100, 110, 120, 130, 140, 150}, 8},
        {99, false, {70, 80, 90, 100, 110, 120, 130, 140, 150}, 8},
        {12, true, {100, 110, 120, 130, 140, 150}, -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CompatLevels(c.version, c.azure), c.levels) << c.version;
        EXPECT_EQ(DefaultCompatIndex(c.version, c.azure), c.selected) << c.version;
    }
    EXPECT_EQ(CompatCaption(150), "SQL Server 2019 (150)");
    EXPECT_EQ(CompatCaption(70), "SQL Server 7.0 (70)");
}

TEST(DatabaseFiles, GrowthShowAndStore)
{
    FileRow r = Row("a", DataKind, "PRIMARY", "10", "128", "1", "12800");
    Growth g = ShowFileGrowth(r);
    EXPECT_TRUE(g.autoGrow);
    EXPECT_FALSE(g.percent);
    EXPECT_EQ(g.mbText, "1");
    EXPECT_TRUE(g.limited);
    EXPECT_EQ(g.maxText, "100");
    g.maxText = "100";
    StoreFileGrowth(g, r);
    EXPECT_EQ(r.maxPages, "12800");
    g.autoGrow = false;
    StoreFileGrowth(g, r);
    EXPECT_EQ(r.growth, "0");
    EXPECT_EQ(r.growthKind, "1");
    EXPECT_EQ(r.maxPages, "-1");
    EXPECT_EQ(PagesToMb("320"), "2.5");
    r = Row("a", LogKind, NoGroup, "1", "10", "2");
    g = ShowFileGrowth(r);
    EXPECT_TRUE(g.percent);
    EXPECT_EQ(g.percentText, "10");
    EXPECT_FALSE(g.limited);
}

TEST(DatabaseFiles, Validation)
{
    struct Case { QList<FileRow> rows; QString message; int row; int column; int left; };
    const FileRow data = Row("d", DataKind, "PRIMARY", "1", "0", "1");
    const FileRow log = Row("l", LogKind, NoGroup, "1", "0", "1");
    FileRow noSize = data;
    noSize.sizeMb = " ";
    FileRow noPath = log;
    noPath.folder.clear();
    const Case cases[] = {
        {{data, FileRow{}, log}, "", -1, -1, 2},
        {{data, FileRow{}}, "データファイル、ログファイルは最低1つずつ必要です。", -1, -1, 1},
        {{data, noSize, log}, "初期サイズを指定して下さい。", 2, 3, 3},
        {{data, noPath}, "パスを指定して下さい。", 2, 4, 2},
    };
    for (const auto& c : cases) {
        QList<FileRow> rows = c.rows;
        const FileCheck check = ValidateFiles(rows);
        EXPECT_EQ(check.ok, c.message.isEmpty());
        EXPECT_EQ(check.message, c.message);
        EXPECT_EQ(check.row, c.row);
        EXPECT_EQ(check.column, c.column);
        EXPECT_EQ(rows.size(), c.left);
    }
}

TEST(DatabaseQueries, FileQueryTestsThePercentBit)
{
    // A status above 100000 without the percent bit (0x100000) is growth in pages.
    const QString q = FileQuery("x]y");
    EXPECT_TRUE(q.startsWith("use [x]]y]\r\n"));
    EXPECT_TRUE(q.contains("when status & 0x100000 = 0 then 1 else 2 end"));
    EXPECT_FALSE(q.contains("status <= 100000"));
    EXPECT_EQ(ReadOnlyGroupQuery("g'1"), "SELECT convert(bit, (status & 0x08)) FROM sysfilegroups WHERE groupname=N'g''1'");
}

TEST(DatabaseDropScript, WithAndWithoutSwitch)
{
    EXPECT_EQ(DropScript("a]b", true), QStringList({"use [master]", "go", "DROP DATABASE [a]]b]", "go"}));
    EXPECT_EQ(DropScript("a", false), QStringList({"DROP DATABASE [a]", "go"}));
}
