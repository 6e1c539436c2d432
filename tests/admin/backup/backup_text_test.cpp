// BACKUP and RESTORE statements and the backup and restore windows' reads, exact.
#include "admin/backup/backup_text.h"

#include <gtest/gtest.h>

using namespace qv::backup;

namespace {
BackupForm Form()
{
    BackupForm f;
    f.database = "sa]les";
    f.name = "sa]les-完全 データベース バックアップ";
    f.outputs = {"C:\\b\\sales.bak"};
    return f;
}
} // namespace

TEST(BackupText, SetNamesAndDefaultFile)
{
    EXPECT_EQ(SetName("s", Kind::Full), QString::fromUtf8("s-完全 データベース バックアップ"));
    EXPECT_EQ(SetName("s", Kind::Differential), QString::fromUtf8("s-差分 データベース バックアップ"));
    EXPECT_EQ(SetName("s", Kind::Log), QString::fromUtf8("s-トランザクション ログ  バックアップ"));
    EXPECT_EQ(SetName("s", Kind::Files), QString::fromUtf8("s-ファイル グループ バックアップ"));
    EXPECT_EQ(DefaultBackupFile(" C:\\Backup ", " s "), "C:\\Backup\\s.bak");
}

TEST(BackupText, BackupStatements)
{
    struct Case {
        const char* what;
        std::function<void(BackupForm&)> change;
        QStringList lines;
    };
    const QString to = "TO DISK = N'C:\\b\\sales.bak'";
    const QString name = QString::fromUtf8("WITH NAME = N'sa]les-完全 データベース バックアップ'");
    const Case cases[] = {
        {"full", [](BackupForm&) {}, {"BACKUP DATABASE [sa]]les]", to, name + ", NOINIT, NOFORMAT, SKIP, NOREWIND, NOUNLOAD, STATS = 10"}},
        {"differential, overwrite, checked expiry, description",
         [](BackupForm& f) {
             f.kind = Kind::Differential;
             f.media = 1;
             f.description = "it's";
         },
         {"BACKUP DATABASE [sa]]les]", to,
          name + ", DIFFERENTIAL, DESCRIPTION = N'it''s', INIT, NOFORMAT, NOSKIP, NOREWIND, NOUNLOAD, STATS = 10"}},
        {"log kept, new media, unchecked expiry on overwrite",
         [](BackupForm& f) {
             f.kind = Kind::Log;
             f.media = 2;
             f.checkExpiry = false;
         },
         {"BACKUP LOG [sa]]les]", to, name + ", NO_TRUNCATE, INIT, FORMAT, SKIP, NOREWIND, NOUNLOAD, STATS = 10"}},
        {"log truncated, retain days",
         [](BackupForm& f) {
             f.kind = Kind::Log;
             f.deleteLog = true;
             f.expiry = true;
             f.period = "7";
         },
         {"BACKUP LOG [sa]]les]", to, name + ", NOINIT, NOFORMAT, RETAINDAYS = 7, SKIP, NOREWIND, NOUNLOAD, STATS = 10"}},
        {"files and three devices, the empty row skipped",
         [](BackupForm& f) {
             f.kind = Kind::Files;
             f.files = {"data1", "da'ta2"};
             f.outputs = {"", " D:\\x.bak ", "", "E:\\y.bak"};
         },
         {"BACKUP DATABASE [sa]]les]", "FILE = N'data1', FILE = N'da''ta2'", "TO DISK = N'D:\\x.bak'", ", DISK = N'E:\\y.bak'",
          name + ", NOINIT, NOFORMAT, SKIP, NOREWIND, NOUNLOAD, STATS = 10"}},
        {"expiry date",
         [](BackupForm& f) {
             f.expiry = true;
             f.expiryChoice = 1;
             f.date = "2027/01/31";
         },
         {"BACKUP DATABASE [sa]]les]", to,
          name + ", NOINIT, NOFORMAT, EXPIREDATE = N'2027/01/31', SKIP, NOREWIND, NOUNLOAD, STATS = 10"}},
    };
    for (const Case& c : cases) {
        BackupForm f = Form();
        c.change(f);
        EXPECT_EQ(BackupStatement(f), c.lines) << c.what;
    }
}

TEST(BackupText, RetainDaysOnlyForAPositiveWholeNumber)
{
    for (const char* period : {"abc", "0", "-3", "1.5", ""}) {
        BackupForm f = Form();
        f.expiry = true;
        f.period = period;
        EXPECT_FALSE(BackupStatement(f).last().contains("RETAINDAYS")) << period;
    }
    BackupForm hidden = Form(); // the expiry box unchecked: the edits are not read
    hidden.period = "5";
    hidden.date = "2027/01/01";
    EXPECT_FALSE(BackupStatement(hidden).last().contains("RETAIN"));
    EXPECT_FALSE(BackupStatement(hidden).last().contains("EXPIRE"));
}

TEST(BackupText, BackupChecks)
{
    BackupForm f = Form();
    EXPECT_EQ(CheckBackup(f), "");
    f.outputs = {" ", ""};
    EXPECT_EQ(CheckBackup(f), QString::fromUtf8("出力先を1つ以上指定してください。"));
    f.kind = Kind::Files;
    EXPECT_EQ(CheckBackup(f), QString::fromUtf8("ファイルを1つ以上選択して下さい。"));
    f.name = " ";
    EXPECT_EQ(CheckBackup(f), QString::fromUtf8("名前を入力して下さい。"));
    f.database.clear();
    EXPECT_EQ(CheckBackup(f), QString::fromUtf8("データベースを選択して下さい。"));
}

TEST(BackupText, CatalogReads)
{
    EXPECT_EQ(LatestDevicesSQL(),
              "use [master]\r\nselect a.physical_device_name        from msdb.dbo.backupmediafamily a    "
              "left outer join msdb.dbo.backupset b on a.media_set_id = b.media_set_id   "
              "where b.database_name = :DB          and b.backup_set_id = (select max(backup_set_id) from "
              "msdb.dbo.backupset where database_name = :DBSUB)");
    EXPECT_EQ(BackupDirectorySQL(),
              "declare @BackupDirectory nvarchar(512) \r\nexec master.dbo.xp_instance_regread N'HKEY_LOCAL_MACHINE', "
              "N'Software\\Microsoft\\MSSQLServer\\MSSQLServer', N'BackupDirectory', @BackupDirectory OUTPUT\r\n"
              "select @BackupDirectory");
    EXPECT_TRUE(DataFilesSQL(15).contains("from master.sys.master_files                where database_id = db_id(:DB)"));
    EXPECT_TRUE(DataFilesSQL(8).startsWith("select :DB,"));
    EXPECT_EQ(HeaderOnlySQL("C:\\it's.bak", false), "restore headeronly from disk = N'C:\\it''s.bak'");
    EXPECT_EQ(HeaderOnlySQL("x.bak", true), "restore headeronly from disk = N'x.bak' with nounload");
    EXPECT_EQ(FileListSQL({"", "a.bak", " b.bak"}), "restore filelistonly from disk = N'a.bak', disk = N'b.bak'");
}

TEST(BackupText, SetKindsPerRestoreKind)
{
    struct Case {
        int type;
        const char* text;
        bool database, log, files;
    } cases[] = {
        {1, "データベース", true, false, false},        {2, "トランザクション ログ", false, true, false},
        {4, "ファイル・グループ", false, false, true},   {5, "データベースの差分", true, false, false},
        {6, "ファイルの差分", false, false, false},     {7, "部分", false, false, false},
        {8, "部分的な差分", false, false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BackupTypeText(c.type), QString::fromUtf8(c.text));
        EXPECT_EQ(SetSuits(RestoreKind::Database, c.type), c.database) << c.type;
        EXPECT_EQ(SetSuits(RestoreKind::Log, c.type), c.log) << c.type;
        EXPECT_EQ(SetSuits(RestoreKind::Files, c.type), c.files) << c.type;
    }
}

TEST(BackupText, ProposedTargetFiles)
{
    const QList<FileListRow> rows{{"d", "C:\\x\\D.MDF", "D"}, {"n1", "C:\\x\\n1.ndf", "D"}, {"n2", "c:\\x\\n2.NDF", "D"},
                                  {"l", "C:\\x\\l.ldf", "L"},  {"ft", "C:\\ft", "F"}};
    EXPECT_EQ(ProposedFiles(rows, "C:\\Program Files\\MSSQL\\Backup", " y ", {"", "", "", "", "kept"}),
              QStringList({"C:\\Program Files\\MSSQL\\Data\\y.mdf", "C:\\Program Files\\MSSQL\\Data\\y_0.ndf",
                           "C:\\Program Files\\MSSQL\\Data\\y_1.ndf", "C:\\Program Files\\MSSQL\\Data\\y_log_0.ldf",
                           "kept"}));
    EXPECT_EQ(ProposedFiles({{"d", "a.mdf", "D"}}, "E:\\bak", "y", {}), QStringList({"E:\\bak\\y.mdf"}));
    EXPECT_EQ(StandbyProposal("E:\\bak", " y "), "E:\\bak\\ROLLBACK_UNDO_y.bak");
}

TEST(BackupText, RestoreStatementsAndChecks)
{
    RestoreForm f;
    f.target = "n]ew";
    f.backupFiles = {"", "C:\\a.bak", "C:\\b.bak"};
    f.sets = {{"full", "1", true}, {"diff", "2", false}, {"diff2", "3", true}};
    f.setsEnabled = true;
    f.files = {{"d", "D:\\n.mdf"}, {"l", "D:\\n_log_0.ldf"}, {"", ""}};
    f.replace = true;
    f.sessionDatabase = "master";
    EXPECT_EQ(CheckRestore(f), RestoreCheck::Ok);
    const QString from = "FROM DISK = N'C:\\a.bak', DISK = N'C:\\b.bak'";
    EXPECT_EQ(RestoreStatements(f),
              QStringList({"use [master]", "go", "RESTORE DATABASE [n]]ew]", from,
                           "WITH FILE = 1, RECOVERY, REPLACE, NOUNLOAD, STATS = 10", "go", "RESTORE DATABASE [n]]ew]", from,
                           "WITH FILE = 3, RECOVERY, REPLACE, NOUNLOAD, STATS = 10", "go"}));
    f.kind = RestoreKind::Files;
    f.replace = false;
    f.sets = {{"fg", "4", true}};
    EXPECT_EQ(RestoreStatements(f),
              QStringList({"use [master]", "go", "RESTORE DATABASE [n]]ew]", "FILE = N'd'", from,
                           "WITH FILE = 4, RECOVERY, MOVE N'd' TO N'D:\\n.mdf', NOUNLOAD, STATS = 10", "go"}));
    f.kind = RestoreKind::Log;
    f.state = 2;
    f.standbyFile = "E:\\u'ndo.bak";
    EXPECT_EQ(RestoreStatements(f).mid(2),
              QStringList({"RESTORE LOG [n]]ew]", from, "WITH FILE = 4,  STANDBY = N'E:\\u''ndo.bak', NOUNLOAD, STATS = 10", "go"}));

    struct Case {
        const char* what;
        std::function<void(RestoreForm&)> change;
        RestoreCheck check;
    };
    const Case cases[] = {
        {"no file", [](RestoreForm& r) { r.backupFiles = {" "}; }, RestoreCheck::NoBackupFile},
        {"no target", [](RestoreForm& r) { r.target = " "; }, RestoreCheck::NoTarget},
        {"no standby file", [](RestoreForm& r) { r.standbyFile.clear(); }, RestoreCheck::NoStandbyFile},
        {"sets off", [](RestoreForm& r) { r.setsEnabled = false; }, RestoreCheck::NoSet},
        {"sets unnamed", [](RestoreForm& r) { r.sets = {{"", "", true}}; }, RestoreCheck::NoSet},
        {"none checked", [](RestoreForm& r) { r.sets[0].checked = false; }, RestoreCheck::NoSetChecked},
        {"log-on database left unusable",
         [](RestoreForm& r) {
             r.state = 1;
             r.target = "master";
         },
         RestoreCheck::LogonDatabase},
    };
    for (const Case& c : cases) {
        RestoreForm r = f;
        c.change(r);
        EXPECT_EQ(CheckRestore(r), c.check) << c.what;
        EXPECT_FALSE(RestoreCheckText(c.check).isEmpty());
    }
}
