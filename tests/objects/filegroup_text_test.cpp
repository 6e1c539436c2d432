// The file group and file statements and the catalog sizes without a window.
#include "objects/filegroup_text.h"

#include <gtest/gtest.h>

using namespace qv::filegroup;

namespace {
FileRow Row(const QString& name, const QString& path, const QString& size, const QString& growth,
            const QString& unit, const QString& maximum)
{
    FileRow r;
    r.name = name;
    r.path = path;
    r.size = size;
    r.growth = growth;
    r.unit = unit;
    r.maximum = maximum;
    return r;
}

ScriptInput Group(const QString& name, QList<FileRow> rows, QList<FileRow> saved = {})
{
    ScriptInput in;
    in.kind = FileGroupKind;
    in.database = "sales";
    in.name = name;
    in.rows = std::move(rows);
    in.saved = std::move(saved);
    return in;
}

const FileRow Blank;
const FileRow Loaded = Row("fg2_1", "D:\\data\\fg2_1.ndf", "8", "10", "%", "UNLIMITED");
} // namespace

TEST(FileGroupText, NewFileGroupGivesAddFileGroupAndAddFile)
{
    const auto lines = CreateScript(Group("fg2", {Loaded, Blank}));
    const QStringList expected{
        "ALTER DATABASE [sales]",
        "  ADD FILEGROUP [fg2]",
        "go",
        "ALTER DATABASE [sales]",
        "  ADD FILE ( NAME = N'fg2_1', FILENAME = N'D:\\data\\fg2_1.ndf', SIZE = 8192KB, "
        "FILEGROWTH = 10%)",
        "   TO FILEGROUP [fg2]",
        "go",
    };
    EXPECT_EQ(lines, expected);
}

TEST(FileGroupText, NamesAreBracketedAndLiteralsDoubled)
{
    const auto lines = CreateScript(
        Group("x]y", {Row("O'Neil", "D:\\it's\\a.ndf", "", "", "MB", "")}));
    const QStringList expected{
        "ALTER DATABASE [sales]",
        "  ADD FILEGROUP [x]]y]",
        "go",
        "ALTER DATABASE [sales]",
        "  ADD FILE ( NAME = N'O''Neil', FILENAME = N'D:\\it''s\\a.ndf')",
        "   TO FILEGROUP [x]]y]",
        "go",
    };
    EXPECT_EQ(lines, expected);

    ScriptInput in = Group("x]y", {Loaded, Blank});
    const QStringList drop = DropScript(in, {"f]1 "}, true);
    const QStringList dropExpected{
        "use [master]", "go",
        "ALTER DATABASE [sales] REMOVE FILE [f]]1]", "go",
        "ALTER DATABASE [sales] REMOVE FILEGROUP [x]]y]", "go",
    };
    EXPECT_EQ(drop, dropExpected);
    EXPECT_EQ(GroupFilesSql("O'x"),
              "select name from sysfiles where groupid = filegroup_id(N'O''x')");
    const QStringList del = DeleteScript(in, {"a]b"}, true);
    const QStringList delExpected{
        "use [master]",
        "alter database [sales] remove file [a]]b]", "go",
        "alter database [sales] remove filegroup [x]]y]", "go",
    };
    EXPECT_EQ(del, delExpected);
}

// One loaded file changed in the grid: the MODIFY FILE line it gives (empty: no statement).
struct ModifyCase {
    const char* what;
    FileRow row;
    QString expected;
};

TEST(FileGroupText, ModifyFileClauses)
{
    const QList<ModifyCase> cases{
        {"64 MB growth", Row("fg2_1", Loaded.path, "8", "64", "MB", "UNLIMITED"),
         "MODIFY FILE (NAME = N'fg2_1', MAXSIZE = UNLIMITED, FILEGROWTH = 65536KB)"},
        {"empty growth", Row("fg2_1", Loaded.path, "8", "", "MB", "UNLIMITED"),
         "MODIFY FILE (NAME = N'fg2_1', MAXSIZE = UNLIMITED, FILEGROWTH = 0KB)"},
        {"size reduction", Row("fg2_1", Loaded.path, "4", "20", "%", "UNLIMITED"),
         "MODIFY FILE (NAME = N'fg2_1', MAXSIZE = UNLIMITED, FILEGROWTH = 20%)"},
        {"size grows", Row("fg2_1", Loaded.path, "16", "10", "%", "100"),
         "MODIFY FILE (NAME = N'fg2_1', SIZE = 16384KB, MAXSIZE = 102400KB, FILEGROWTH = 10%)"},
        {"2 TB maximum", Row("fg2_1", Loaded.path, "8", "10", "%", "2097152"),
         "MODIFY FILE (NAME = N'fg2_1', FILEGROWTH = 10%)"},
        {"unchanged", Loaded, ""},
    };
    for (const ModifyCase& c : cases) {
        SCOPED_TRACE(c.what);
        const auto lines = AlterScript(Group("fg2", {c.row, Blank}, {Loaded, Blank}));
        if (c.expected.isEmpty()) {
            EXPECT_TRUE(lines.isEmpty()) << lines.join('|').toStdString();
            continue;
        }
        const QStringList expected{"ALTER DATABASE [sales]", c.expected, "go"};
        EXPECT_EQ(lines, expected);
    }
}

TEST(FileGroupText, NewRowOfExistingGroupAddsFile)
{
    const FileRow added = Row("fg2_2", "D:\\data\\fg2_2.ndf", "8", "64", "MB", "");
    const auto lines = AlterScript(Group("fg2", {Loaded, added, Blank}, {Loaded, Blank}));
    const QStringList expected{
        "ALTER DATABASE [sales]",
        "  ADD FILE (NAME = N'fg2_2', FILENAME = N'D:\\data\\fg2_2.ndf', SIZE = 8192KB, "
        "FILEGROWTH = 65536KB)",
        "   TO FILEGROUP [fg2]",
        "go",
    };
    EXPECT_EQ(lines, expected);
}

TEST(FileGroupText, LogFileHasNoFileGroupLine)
{
    ScriptInput in;
    in.kind = FileKind;
    in.database = "sales";
    in.name = "sales_log2";
    FileRow log = Row("", "L:\\sales_log2.ldf", "1", "10", "%", "");
    log.type = LogText;
    in.rows = {log};
    const QStringList expected{
        "ALTER DATABASE [sales]",
        "  ADD LOG FILE ( NAME = N'sales_log2', FILENAME = N'L:\\sales_log2.ldf', SIZE = 1024KB, "
        "FILEGROWTH = 10%)",
        "go",
    };
    EXPECT_EQ(CreateScript(in), expected);
}

// A cell's text never reaches the statement unread: growth and sizes are written as numbers.
TEST(FileGroupText, CellsAreWrittenAsNumbers)
{
    EXPECT_EQ(KbText("8"), "8192KB");
    EXPECT_EQ(KbText("abc"), "0KB");
    EXPECT_EQ(PercentGrowthText("10; drop database sales"), "0%");
    EXPECT_EQ(PercentGrowthText(" 10 "), "10%");
}

struct SizeCase {
    qint64 pages;
    bool twoDecimals;
    QString shown;
};

TEST(FileGroupText, CatalogSizes)
{
    const QList<SizeCase> cases{
        {1280, false, "10"}, {640, true, "5.00"}, {0, false, "0"}, {128, true, "1.00"},
        {1, true, "0.01"},   {8192, false, "64"},
    };
    for (const SizeCase& c : cases) {
        SCOPED_TRACE(c.pages);
        EXPECT_EQ(PagesToMb(c.pages, c.twoDecimals), c.shown);
    }
    EXPECT_EQ(MaxSizeText(" -1 "), "UNLIMITED");
    EXPECT_EQ(MaxSizeText("12800"), "100");
    EXPECT_EQ(UsagePerMille(640, 1280), 500);
    EXPECT_EQ(UsagePerMille(0, 0), 0);
    EXPECT_EQ(UsagePerMille(1, 1), 0); // shows as 0 MB
    EXPECT_EQ(UsageBarRight(10, 110, 500), 60);
    const GrowthCells percent = GrowthText("10", true);
    EXPECT_EQ(percent.growth, "10");
    EXPECT_EQ(percent.unit, "%");
    const GrowthCells pages = GrowthText("8192", false);
    EXPECT_EQ(pages.growth, "64");
    EXPECT_EQ(pages.unit, "MB");
}

TEST(FileGroupText, FileWindowModifiesOnlyItsFile)
{
    ScriptInput in;
    in.kind = FileKind;
    in.database = "sales";
    in.name = "sales_2";
    FileRow saved = Row("", "D:\\sales_2.ndf", "8", "10", "%", "UNLIMITED");
    saved.type = DataText;
    saved.fileGroup = "PRIMARY";
    in.saved = {saved};

    FileRow moved = saved;
    moved.fileGroup = "fg2";
    in.rows = {moved};
    EXPECT_TRUE(AlterScript(in).isEmpty());

    FileRow grown = saved;
    grown.growth = "64";
    grown.unit = "MB";
    in.rows = {grown};
    const QStringList expected{
        "ALTER DATABASE [sales]",
        "MODIFY FILE (NAME = N'sales_2', MAXSIZE = UNLIMITED, FILEGROWTH = 65536KB)",
        "go",
    };
    EXPECT_EQ(AlterScript(in), expected);

    const QStringList drop{"ALTER DATABASE [sales] REMOVE FILE [sales_2]", "go"};
    EXPECT_EQ(DropScript(in, {}, false), drop);
}

TEST(FileGroupText, CatalogRecordAsShown)
{
    CatalogFile f{"fg1_1 ", " D:\\fg1_1.ndf", "fg1", "1280", "10", "-1", "640", "true", "0"};
    ShownFile s = ShowFile(f);
    EXPECT_EQ(s.row.name, "fg1_1");
    EXPECT_EQ(s.row.path, "D:\\fg1_1.ndf");
    EXPECT_EQ(s.row.type, DataText);
    EXPECT_EQ(s.row.size, "10");
    EXPECT_EQ(s.row.growth, "10");
    EXPECT_EQ(s.row.unit, "%");
    EXPECT_EQ(s.row.maximum, "UNLIMITED");
    EXPECT_EQ(s.used, "5.00");
    EXPECT_EQ(s.usage, "500");
    // Before version 9 the flag is 0 or 1; growth in pages shows megabytes.
    f = {"log", "L:\\log.ldf", "", "128", "8192", "12800", "0", "0", "1"};
    s = ShowFile(f);
    EXPECT_EQ(s.row.type, LogText);
    EXPECT_EQ(s.row.growth, "64");
    EXPECT_EQ(s.row.unit, "MB");
    EXPECT_EQ(s.row.maximum, "100");
    EXPECT_EQ(s.usage, "0");
}

TEST(FileGroupText, FileQueriesByVersion)
{
    const QString old = FileSql(8, FileGroupKind);
    EXPECT_TRUE(old.contains("from sysfiles")) << old.toStdString();
    EXPECT_TRUE(old.endsWith("where filegroup_name(groupid) = :FILEGROUP"));
    EXPECT_TRUE(old.contains("case when (status & 0x100000) <> 0 then 1 else 0 end"));
    EXPECT_TRUE(FileSql(8, FileKind).endsWith("where name = :FILE"));
    const QString now = FileSql(9, FileKind);
    EXPECT_TRUE(now.contains("from master.sys.master_files\r\nwhere name = :FILE\r\nand database_id = db_id(:DATABASE)"))
        << now.toStdString();
}

TEST(FileGroupText, GridCellsAndFolder)
{
    EXPECT_EQ(Columns(FileGroupKind).size(), 8);
    EXPECT_EQ(Columns(FileKind).first(), Field::Path);
    struct Case {
        Field f;
        bool newRow;
        QString savedType, type;
        bool editable;
    };
    const QList<Case> cases{
        {Field::Name, false, "", "", false},         {Field::Name, true, "", "", true},
        {Field::Path, false, "", "", false},         {Field::Type, true, DataText, DataText, false},
        {Field::Type, true, "", "", true},           {Field::FileGroup, false, DataText, DataText, true},
        {Field::FileGroup, true, "", LogText, false}, {Field::Size, false, "", "", true},
        {Field::Max, false, "", "", true},           {Field::Used, true, "", "", false},
        {Field::Usage, true, "", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Header(c.f).toStdString() + (c.newRow ? " new" : " loaded"));
        EXPECT_EQ(CellEditable(c.f, c.newRow, c.savedType, c.type), c.editable);
    }
    EXPECT_EQ(FilePathInFolder(FileGroupKind, "E:\\data", "f1", ""), "E:\\data\\f1.ndf");
    EXPECT_EQ(FilePathInFolder(FileKind, "E:\\data\\", "f1", DataText), "E:\\data\\f1.mdf");
    EXPECT_EQ(FilePathInFolder(FileKind, "E:\\data", "f1", LogText), "E:\\data\\f1.ldf");
    EXPECT_EQ(FilePathInFolder(FileKind, "E:\\data", "", LogText), "E:\\data");
}

TEST(FileGroupText, StoredObjectsQueryAndDrops)
{
    const QString sql = ContentsSql(15, "sa]les", false);
    EXPECT_TRUE(sql.startsWith("use [sa]]les]\r\n SELECT DISTINCT obj.type AS OBJECT_TYPE")) << sql.toStdString();
    EXPECT_EQ(sql.count(" UNION ALL"), 3);
    EXPECT_EQ(sql.count("AND idx.data_space_id = filegroup_id(:FILEGROUP)"), 4);
    // A unique constraint's index is both an index (not a primary key or heap) and a key.
    EXPECT_TRUE(sql.contains("'IX' AS OBJECT_TYPE") && sql.contains("AND NOT( (idx.is_primary_key = 1) or (idx.type = 0) )"));
    EXPECT_TRUE(sql.contains("AND ( (idx.is_primary_key = 1) or (idx.is_unique_constraint = 1) )"));
    EXPECT_EQ(sql.count("microsoft_database_tools_support"), 4);
    EXPECT_FALSE(ContentsSql(15, "sales", true).contains("microsoft_database_tools_support"));
    const QString old = ContentsSql(8, "sales", false);
    EXPECT_TRUE(old.contains("FROM sysindexes idx INNER JOIN sysobjects obj ON idx.id = obj.id"));
    EXPECT_TRUE(old.contains("user_name(obj.uid)"));
    EXPECT_FALSE(old.contains("schema_name"));

    ContentItem pk = ContentFromRecord("PK", "USER_TABLE", "PK]1", "d'bo", "T]1");
    EXPECT_EQ(pk.type, 66);
    EXPECT_EQ(pk.typeName, "CONSTRAINT");
    EXPECT_EQ(ContentDropStatement(pk, 15), "ALTER TABLE [d'bo].[T]]1] DROP CONSTRAINT [PK]]1]");
    const ContentItem table = ContentFromRecord("U ", "USER_TABLE", "a b", "dbo", "");
    EXPECT_EQ(table.typeName, "TABLE");
    EXPECT_EQ(ContentDropStatement(table, 15), "DROP TABLE [dbo].[a b]");
    const ContentItem index = ContentFromRecord("IX", "USER_TABLE", "IX]", "dbo", "T");
    EXPECT_EQ(ContentDropStatement(index, 15), "DROP INDEX [IX]]] ON [dbo].[T]");
    EXPECT_EQ(ContentDropStatement(index, 8), "DROP INDEX [dbo].[T].[IX]]]");
    // A kind without a type name shows the catalog's description and cannot be dropped here.
    const ContentItem other = ContentFromRecord("ZZ", "SOME_KIND", "q", "dbo", "");
    EXPECT_EQ(other.typeName, "SOME_KIND");
    EXPECT_TRUE(ContentDropStatement(other, 15).isEmpty());
}
