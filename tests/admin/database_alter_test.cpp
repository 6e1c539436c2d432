// ALTER DATABASE scripts and the option grid rules, without a window.
#include "admin/database/database_text.h"

#include <gtest/gtest.h>

using namespace qv::database;

namespace {
Definition Existing(int version)
{
    Definition d;
    d.name = "D b";
    d.files = {FileRow{"D", DataKind, "PRIMARY", "8", "C:\\DATA\\", "D.mdf", "128", "1", "-1"},
               FileRow{"D2", DataKind, "FG", "1", "C:\\DATA\\", "D2.ndf", "0", "1", "-1"},
               FileRow{"D3", DataKind, "FG", "1", "C:\\DATA\\", "D3.ndf", "0", "1", "-1"},
               FileRow{"D_log", LogKind, NoGroup, "2", "C:\\DATA\\", "D_log.ldf", "10", "2", "-1"}};
    d.groups = {GroupRow{"PRIMARY", "1", "0", "1"}, GroupRow{"FG", "2", "0", "0"}};
    d.compatIndex = 2;
    d.options = NewOptionValues(version);
    return d;
}
Target On(int version)
{
    Target t;
    t.connVersion = version;
    t.serverVersion = version;
    return t;
}
QString Lcid(const QString& alias) { return alias == "English" ? QStringLiteral("1033") : QString(); }
void Set(Definition& d, const QString& caption, const QString& value)
{
    for (auto& o : d.options)
        if (o.caption == caption)
            o.value = value;
}
} // namespace

TEST(DatabaseAlterScript, Cases)
{
    struct Case {
        const char* what;
        int version;
        std::function<void(Definition&)> change;
        QStringList expected;
    };
    const Case cases[] = {
        {"nothing", 15, [](Definition&) {}, {}},
        {"one option, no use line", 15, [](Definition& d) { Set(d, "自動圧縮", "ON"); },
         {"ALTER DATABASE [D b] SET AUTO_SHRINK ON", "go"}},
        {"containment before recovery", 15,
         [](Definition& d) {
             d.recovery = 2;
             d.containment = 1;
         },
         {"ALTER DATABASE [D b] SET CONTAINMENT = PARTIAL", "go", "ALTER DATABASE [D b] SET RECOVERY SIMPLE", "go"}},
        {"rename then resize under the new name", 15,
         [](Definition& d) {
             d.files[0].logical = "New'1";
             d.files[0].sizeMb = "2.5";
         },
         {"ALTER DATABASE [D b] MODIFY FILE (NAME=N'D', NEWNAME=N'New''1')", "go",
          "ALTER DATABASE [D b] MODIFY FILE  ( NAME = N'New''1', SIZE = 2560KB)", "go"}},
        {"removed group with two files", 15, [](Definition& d) { d.groups.removeLast(); },
         {"USE [D b]", "go", "ALTER DATABASE [D b]  REMOVE FILE [D2]", "go", "ALTER DATABASE [D b]  REMOVE FILE [D3]",
          "go", "ALTER DATABASE [D b]  REMOVE FILEGROUP [FG]", "go"}},
        {"added log file and group", 15,
         [](Definition& d) {
             d.files << FileRow{"L2", LogKind, NoGroup, "1", "E:\\L", "", "0", "1", "1280"};
             d.groups << GroupRow{"N]G", "", "0", "0"};
         },
         {"ALTER DATABASE [D b] ADD FILEGROUP [N]]G]", "go",
          "ALTER DATABASE [D b] ADD LOG FILE ( NAME = N'L2', FILENAME = N'E:\\L\\L2.ldf', SIZE = 1024KB, "
          "MAXSIZE = 10240KB, FILEGROWTH = 0)",
          "go"}},
        {"removed file, then back to master for options", 15,
         [](Definition& d) {
             d.files.removeAt(2);
             d.readOnly = true;
         },
         {"USE [D b]", "go", "ALTER DATABASE [D b]  REMOVE FILE [D3]", "go", "USE [master]", "go",
          "ALTER DATABASE [D b] SET  READ_ONLY ", "go"}},
        {"compatibility from master", 11, [](Definition& d) { d.compatIndex = 1; },
         {"USE [master]", "go", "EXEC dbo.sp_dbcmptlevel @dbname=N'D b', @new_cmptlevel=100", "go"}},
        {"containment options only when partial", 15,
         [](Definition& d) {
             Set(d, "既定の言語", "English");
             Set(d, "2桁表記の年の基準になる年", "2050");
         },
         {}},
        {"default language by lcid", 15,
         [](Definition& d) {
             d.containment = 1;
             Set(d, "既定の言語", "English");
         },
         {"ALTER DATABASE [D b] SET CONTAINMENT = PARTIAL", "go", "ALTER DATABASE [D b] SET DEFAULT_LANGUAGE = 1033", "go"}},
        {"encryption off is written", 15, [](Definition& d) { Set(d, "暗号化有効", "ON"); },
         {"ALTER DATABASE [D b] SET ENCRYPTION ON", "go"}},
        {"2000: access radio only", 8, [](Definition& d) { d.restrictAccess = true; },
         {"ALTER DATABASE [D b] SET  RESTRICTED_USER", "go"}},
        {"2000: check boxes", 8,
         [](Definition& d) {
             d.autoShrink = true;
             d.tornPage = false;
         },
         {"ALTER DATABASE [D b] SET AUTO_SHRINK ON", "go", "ALTER DATABASE [D b] SET TORN_PAGE_DETECTION OFF", "go"}},
    };
    for (const auto& c : cases) {
        const Definition was = Existing(c.version);
        Definition now = was;
        c.change(now);
        EXPECT_EQ(AlterScript(now, was, On(c.version), Lcid, nullptr), c.expected) << c.what;
    }
}

TEST(DatabaseAlterScript, ReadOnlyGroupAsksTheServer)
{
    const Definition was = Existing(15);
    Definition now = was;
    now.groups[1].readOnly = "1";
    QStringList asked;
    auto serverSays = [&](bool ro) {
        return [&asked, ro](const QString& g) {
            asked << g;
            return ro;
        };
    };
    EXPECT_EQ(AlterScript(now, was, On(15), Lcid, serverSays(true)), QStringList());
    EXPECT_EQ(asked, QStringList({"FG"}));
    EXPECT_EQ(AlterScript(now, was, On(15), Lcid, serverSays(false)),
              QStringList({"ALTER DATABASE [D b] MODIFY FILEGROUP [FG] READONLY", "go"}));
}

TEST(DatabaseAlterScript, AzureOnlySizeAndEdition)
{
    Definition was;
    was.name = "Az";
    Definition now = was;
    Target t = On(12);
    t.azure = true;
    EXPECT_TRUE(AlterScript(now, was, t, Lcid, nullptr).isEmpty());
    now.sizeIndex = 1;
    EXPECT_EQ(AlterScript(now, was, t, Lcid, nullptr),
              QStringList({"ALTER DATABASE [Az]", "MODIFY", "(", "    MAXSIZE = 5GB,", "    EDITION = 'web'", ")", "go"}));
    int size = 0, edition = 1;
    CoupleAzureSize(size, edition, true);
    EXPECT_EQ(edition, 0);
    size = 0, edition = 1;
    CoupleAzureSize(size, edition, false);
    EXPECT_EQ(size, 2);
    size = 4, edition = 0;
    CoupleAzureSize(size, edition, false);
    EXPECT_EQ(size, 0);
}

TEST(DatabaseOptions, RowsByVersion)
{
    auto has = [](int v, const char* caption) {
        for (const auto& r : OptionRows(v))
            if (r.caption == QString::fromUtf8(caption))
                return true;
        return false;
    };
    EXPECT_FALSE(has(9, "■File Stream"));
    EXPECT_FALSE(has(9, "Brokerが有効"));
    EXPECT_FALSE(has(9, "スナップショット分離を許可"));
    EXPECT_TRUE(has(9, "ページ確認"));
    EXPECT_TRUE(has(10, "VarDecimalストレージ形式有効"));
    EXPECT_TRUE(has(10, "暗号化有効"));
    EXPECT_FALSE(has(10, "ターゲットの復旧時間(秒)"));
    EXPECT_TRUE(has(11, "ターゲットの復旧時間(秒)"));
    EXPECT_EQ(OptionRows(8).size(), 0);
    EXPECT_EQ(OptionRows(11).size(), 47);
}

TEST(DatabaseOptions, StatementsQuoteOrRefuseValues)
{
    struct Case { const char* caption; const char* value; const char* text; };
    const Case cases[] = {
        {"Is Read Committed Snapshot On", "ON", " SET READ_COMMITTED_SNAPSHOT ON"},
        {"スナップショット分離を許可", "OFF", " SET ALLOW_SNAPSHOT_ISOLATION OFF"},
        {"Brokerが有効", "ON", " SET ENABLE_BROKER"},
        {"Brokerが有効", "OFF", " SET DISABLE_BROKER"},
        {"FILESTREAM ディレクトリ名", "a'b", " SET FILESTREAM( DIRECTORY_NAME = N'a''b')"},
        {"ターゲットの復旧時間(秒)", "60", " SET TARGET_RECOVERY_TIME = 60 SECONDS"},
        {"ターゲットの復旧時間(秒)", "1; DROP TABLE t", ""},
        {"アクセスの制限", "SINGLE_USER", " SET SINGLE_USER"},
        {"アクセスの制限", "x WITH ROLLBACK", ""},
        {"信頼可能", "OFF", " SET TRUSTWORTHY OFF"},
        {"Service Broker識別子", "0000", ""},
        {"■自動", "", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(OptionStatement(QString::fromUtf8(c.caption), QString::fromUtf8(c.value), nullptr),
                  QString::fromUtf8(c.text))
            << c.caption;
}

TEST(DatabaseOptions, EditingAndPickLists)
{
    EXPECT_FALSE(OptionEditable("複数データベースの組合せ所有権有効", "Master", false));
    EXPECT_TRUE(OptionEditable("複数データベースの組合せ所有権有効", "db", false));
    EXPECT_FALSE(OptionEditable("ノイズワード変換", "db", false));
    EXPECT_TRUE(OptionEditable("ノイズワード変換", "db", true));
    EXPECT_FALSE(OptionEditable("データベース状態", "db", true));
    EXPECT_EQ(OptionPickList("既定の言語", {"English"}), QStringList({"English"}));
    EXPECT_EQ(OptionPickList("ページ確認", {}), QStringList({"NONE", "TORN_PAGE_DETECTION", "CHECKSUM"}));
    EXPECT_EQ(OptionPickList("自動圧縮", {}), QStringList({"ON", "OFF"}));
    EXPECT_TRUE(OptionPickList("FILESTREAM ディレクトリ名", {}).isEmpty());
}

TEST(DatabaseOptions, ValuesFromTheOptionRow)
{
    QVariantMap row{{"Containment", "0"}, {"DefaultLanguageLcid", 1033}, {"AutoShrink", "ON"},
                    {"PageVerify", "CHECKSUM"}, {"TwoDigitYearCutoff", 2049}};
    bool partial = true;
    auto alias = [](const QString& lcid) { return lcid == "1033" ? QStringLiteral("English") : QString(); };
    QList<OptionValue> v = OptionValuesFromRow(11, row, partial, alias, "OFF");
    auto value = [&v](const char* caption) {
        for (const auto& o : v)
            if (o.caption == QString::fromUtf8(caption))
                return o.value;
        return QStringLiteral("<none>");
    };
    EXPECT_FALSE(partial);
    EXPECT_EQ(value("既定の言語"), "");
    EXPECT_EQ(value("2桁表記の年の基準になる年"), "");
    EXPECT_EQ(value("自動圧縮"), "ON");
    EXPECT_EQ(value("VarDecimalストレージ形式有効"), "OFF");
    row["Containment"] = "1";
    v = OptionValuesFromRow(11, row, partial, alias, "");
    EXPECT_TRUE(partial);
    EXPECT_EQ(value("既定の言語"), "English");
    EXPECT_EQ(value("2桁表記の年の基準になる年"), "2049");
}

TEST(DatabaseOptions, QueriesByVersion)
{
    const QString q9 = OptionQuery(9);
    EXPECT_TRUE(q9.startsWith("SELECT '' AS [カーソル]"));
    EXPECT_FALSE(q9.contains("dfo."));
    EXPECT_TRUE(q9.endsWith("FROM  master.sys.databases AS dtb\r\n WHERE dtb.name = :dbname"));
    const QString q11 = OptionQuery(11);
    EXPECT_TRUE(q11.startsWith("SELECT '' AS [FileStream]"));
    EXPECT_TRUE(q11.contains("LEFT OUTER JOIN sys.database_filestream_options dfo ON dfo.database_id = dtb.database_id"));
    EXPECT_TRUE(OptionQuery(8).contains("FROM master.dbo.sysdatabases AS dtb WHERE  dtb.name = :dbname"));
    // The name goes to the procedure as a literal, so names needing brackets read too.
    EXPECT_EQ(VarDecimalQuery("my db'"), "exec sp_db_vardecimal_storage_format N'my db'''");
    EXPECT_EQ(LanguageLcidQuery("a'b"), "select lcid from sys.syslanguages where Alias = N'a''b'");
}
