// The file groups and files window's statements and row cells without a window.
#include "admin/storage/storage_list_text.h"

#include <gtest/gtest.h>

using namespace qv::storagelist;

TEST(StorageListText, ListStatementsByVersion)
{
    EXPECT_TRUE(FileGroupListSql().startsWith("select min(b.fileid)"));
    EXPECT_TRUE(FileGroupListSql().contains("from sysfilegroups a"));
    EXPECT_TRUE(FileListSql(8).contains("from sysfiles"));
    EXPECT_FALSE(FileListSql(8).contains(":DB"));
    EXPECT_TRUE(FileListSql(15).contains("from master.sys.master_files"));
    EXPECT_TRUE(FileListSql(9).contains("where database_id = db_id(:DB)"));
    EXPECT_EQ(GroupMaxSql(), "select filegroup_name(groupid), maxsize from sysfiles where groupid = :ID");
}

TEST(StorageListText, SizesInEachUnit)
{
    const double bytes = 1536.0 * 1024 * 1024; // 1.5 GB
    const struct {
        const char* unit;
        const char* text;
    } cases[] = {{"TB", "0.0"}, {"GB", "1.5"}, {"MB", "1,536.0"}, {"KB", "1,572,864.0"}, {"B", "1,610,612,736"}, {"?", "1,536.0"}};
    for (const auto& c : cases)
        EXPECT_EQ(SizeText(bytes, c.unit), c.text) << c.unit;
    EXPECT_EQ(Units(), (QStringList{"TB", "GB", "MB", "KB", "B"}));
}

TEST(StorageListText, GroupAndFileCells)
{
    // A file group without files: size 0, rate 0, no files.
    GroupRow empty{"FG2", "", "", 0, "0", "0", "0"};
    EXPECT_EQ(GroupCells(empty, "MB"), (QStringList{"FG2", "0.0", "0.0", "0.0", "0", "0.0", "", "", "0"}));
    GroupRow primary{"PRIMARY", "1280", "320", -1, "1", "0", "2"};
    EXPECT_EQ(GroupCells(primary, "MB"), (QStringList{"PRIMARY", "10.0", "UNLIMITED", "2.5", "0.25", "7.5", "*", "", "2"}));

    // A log file with the maximum −1; a data file whose maximum is below its size.
    FileRow log{" log1 ", " /var/opt/x_log.ldf ", "", "128", "-1", "16", "ONLINE", "1"};
    EXPECT_EQ(FileCells(log, "MB"),
              (QStringList{"log1", "/var/opt/x_log.ldf", QString::fromUtf8("ログ"), "", "1.0", "UNLIMITED", "0.1",
                           "0.125", "0.9", "ONLINE"}));
    FileRow data{"d1", "/d1.mdf", "PRIMARY", "256", "128", "x", "ONLINE", "0"};
    EXPECT_EQ(FileCells(data, "MB"),
              (QStringList{"d1", "/d1.mdf", QString::fromUtf8("データ"), "PRIMARY", "2.0", "2.0", "0.0", "0", "2.0", "ONLINE"}));
}

TEST(StorageListText, CommandStatements)
{
    EXPECT_EQ(DefaultSql("Sa]les", "F G"), "use [Sa]]les]\r\nalter database [Sa]]les] modify filegroup [F G] default");
    const struct {
        bool on;
        int version;
        const char* tail;
    } cases[] = {{true, 8, " readonly"}, {false, 8, " readwrite"}, {true, 9, " read_only"}, {false, 15, " read_write"}};
    for (const auto& c : cases)
        EXPECT_EQ(ReadOnlySql("Sales", "FG", c.on, c.version),
                  QString("use [Sales]\r\nalter database [Sales] modify filegroup [FG]") + c.tail);
    EXPECT_EQ(ReadOnlyCaption("*"), QString::fromUtf8("読取/書込可能に設定"));
    EXPECT_EQ(ReadOnlyCaption(""), QString::fromUtf8("読取専用に設定"));
    EXPECT_EQ(OnlineSql("Sales", "d'1", "FG"),
              "use [master]\r\nrestore database [Sales] file = N'd''1', filegroup = N'FG' with recovery");
    EXPECT_EQ(OfflineSql("Sales", "d]1"), "use [master]\r\nalter database [Sales] modify file (name = [d]]1], OFFLINE)");
    EXPECT_EQ(ShrinkSql("Sales", "d'1"), "use [Sales]\r\ndbcc shrinkfile (N'd''1') with no_infomsgs");
    EXPECT_EQ(GroupFilesSql("Sales", "F'G"), "use [Sales]\r\nselect name from sysfiles where groupid = filegroup_id(N'F''G')");
    EXPECT_EQ(RemoveFileSql("Sales", "d1"), "alter database [Sales] remove file [d1]");
    EXPECT_EQ(RemoveGroupSql("Sales", "FG"), "alter database [Sales] remove filegroup [FG]");
}
