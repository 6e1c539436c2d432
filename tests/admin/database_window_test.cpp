// The database definition window on the scripted session, opened through the connection
// window as the object list opens it: a new database's CREATE, an existing database's ALTER,
// the script routine and the rendering.
#include "admin/database/database_window.h"

#include "connection/catalog_queries.h"
#include "controls/grid/string_grid.h"
#include "platform/exceptions.h"
#include "support/test_env.h"
#include "tables/define_session_helper.h"
#include "tables/define_script.h"

#include <QBuffer>
#include <QRegularExpression>
#include <QDir>
#include <QTabWidget>

using namespace qv;
using namespace qv::db;
using namespace qvtest;

namespace {

void saveGrab(QWidget* w, const QString& name)
{
    const QString dir = qEnvironmentVariable("QORVEL_RENDER_DIR", testHome());
    QDir().mkpath(dir);
    EXPECT_TRUE(w->grab().save(dir + "/" + name + ".png")) << name.toStdString();
}

struct DatabaseWindow : DefineSession {
    // The product version the server reports ("" for the helper's SQL Server 2019).
    virtual QString Version() const { return QString(); }
    virtual bool Azure() const { return false; }
    void SetUp() override
    {
        DefineSession::SetUp();
        if (!Version().isEmpty()) {
            Answer("select SERVERPROPERTY('productversion')", Version());
            Answer(qv::catalog::facts::ProductVersion, Version());
        }
        Connect(Azure());
        auto& f = session->fixture();
        f.exact("select loginname from master..syslogins where loginname not like'%##%'")
            .returns({column("loginname", "sysname")}, {{"sa"}, {"o]wner"}});
        f.exact("select * from ::fn_helpcollations()")
            .returns({column("name", "sysname")}, {{"Albanian_BIN"}, {"Japanese_CI_AS"}});
        Answer("select serverproperty('collation')", "Japanese_CI_AS");
        Answer("select serverproperty('IsFullTextInstalled')", "1");
        f.pattern("declare @SmoRoot.*").returns({column("", "nvarchar(512)")}, {{"C:\\SQL"}});
        f.pattern("use \\[.*\\]").affects(0);
    }
    // The database `name` exists with two files, PRIMARY and the option row.
    void Exists()
    {
        auto& f = session->fixture();
        f.pattern("select DATABASEPROPERTYEX\\(name, N'collation'\\).*")
            .returns({column("", "sysname")}, {{"Japanese_CI_AS"}});
        f.pattern("(?:use \\[[^\\n]*\\]\\n)?select  fileid .*")
            .returns({column("fileid", "int"), column("group_name", "sysname"), column("size", "int"),
                      column("maxsize", "int"), column("growth", "int"), column("persentgrowth", "int"),
                      column("name", "sysname"), column("filename", "nvarchar(260)"), column("filekind", "int")},
                     {{1, "PRIMARY", 320, -1, 128, 1, "sales", "C:\\SQL\\DATA\\sales.mdf", 0},
                      {2, QVariant(), 128, 268435456, 10, 2, "sales_log", "C:\\SQL\\DATA\\sales_log.ldf", 1}});
        f.pattern("select  gp.groupid .*")
            .returns({column("groupid", "int"), column("groupname", "sysname"), column("def", "int"),
                      column("readonly", "int"), column("cnt", "int")},
                     {{1, "PRIMARY", 1, 0, 1}});
        f.pattern("SELECT '' AS \\[FileStream\\].*")
            .returns({column("Containment", "varchar(1)"), column("AutoShrink", "varchar(3)"),
                      column("PageVerify", "varchar(20)"), column("FulltextIndex", "varchar(3)"),
                      column("RecoveryModel", "int"), column("cmptlevel", "int")},
                     {{"0", "OFF", "CHECKSUM", "ON", 3, 140}});
        f.exact("exec sp_db_vardecimal_storage_format N'sales'").returns({column("Vardecimal State", "varchar(3)")}, {{"ON"}});
    }
    Tfrmdb* OpenDb(const QString& name, const QString& owner = QString())
    {
        return qobject_cast<Tfrmdb*>(Open(1, "master", owner, name));
    }
    void AcceptDdl() { session->fixture().pattern("(CREATE|ALTER|EXEC|IF|USE|DROP) .*").affects(0); }
};

int OptionRow(Tfrmdb* w, const QString& caption)
{
    for (int r = 1; r < w->grdSetting->RowCount(); ++r)
        if (w->grdSetting->Cells(0, r) == caption)
            return r;
    return -1;
}

} // namespace

TEST_F(DatabaseWindow, NewDatabaseRunsTheCreateScriptWithoutSwitch)
{
    Tfrmdb* w = OpenDb("");
    ASSERT_TRUE(w);
    EXPECT_TRUE(w->IsNew());
    EXPECT_EQ(w->windowTitle(), "データベース - 新規");
    EXPECT_EQ(w->cmbSyogo->currentText(), "Japanese_CI_AS");
    EXPECT_EQ(w->cmbGokan->currentText(), "SQL Server 2019 (150)");
    EXPECT_FALSE(w->pagObject->isTabVisible(w->pagObject->indexOf(w->taboption)));
    w->txtName->setText("N");
    EXPECT_EQ(w->grdFile->Cells(0, 1), "N");
    EXPECT_EQ(w->grdFile->Cells(0, 2), "N_log");
    EXPECT_EQ(w->grdFile->Cells(4, 1), "C:\\SQL\\DATA\\");
    w->grdFile->SetCells(3, 1, "10");
    w->grdFile->SetCells(3, 2, "5");
    saveGrab(w, "database_new");
    AcceptDdl();
    Exists();
    const qsizetype mark = Mark();
    w->actCompile->trigger();
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join("\n").toStdString();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    const QStringList sent = StatementsFrom(mark);
    const qsizetype at = sent.indexOf(QRegularExpression("CREATE DATABASE.*", QRegularExpression::DotMatchesEverythingOption));
    ASSERT_GE(at, 0);
    // Nothing switches the session before the CREATE: the database does not exist yet.
    EXPECT_FALSE(sent.mid(0, at).join("\n").contains("use ["));
    EXPECT_EQ(sent[at], "CREATE DATABASE [N] ON  PRIMARY\n"
                       "( NAME = N'N', FILENAME = N'C:\\SQL\\DATA\\N.mdf', SIZE = 10240KB, MAXSIZE = UNLIMITED, FILEGROWTH = 1024KB)\n"
                       " LOG ON\n"
                       "( NAME = N'N_log', FILENAME = N'C:\\SQL\\DATA\\N_log.ldf', SIZE = 5120KB, MAXSIZE = UNLIMITED, FILEGROWTH = 10%)\n"
                       " COLLATE Japanese_CI_AS");
    EXPECT_EQ(sent.value(at + 1), "EXEC dbo.sp_dbcmptlevel @dbname=N'N', @new_cmptlevel=150");
    EXPECT_TRUE(sent.contains("ALTER DATABASE [N] SET RECOVERY FULL"));
    EXPECT_FALSE(w->IsNew());
    EXPECT_EQ(w->windowTitle(), "データベース - sa.N @ srv.master");
}

TEST_F(DatabaseWindow, MissingNameAndMissingLogFileWarn)
{
    Tfrmdb* w = OpenDb("");
    ASSERT_TRUE(w);
    const qsizetype mark = Mark();
    w->txtName->setText("x");
    w->txtName->setText("");
    w->actCompile->trigger();
    EXPECT_EQ(boxes.value(0).section(':', 1), "名前を入力して下さい。");
    w->txtName->setText("N");
    w->grdFile->SetRows(2, QStringList(9, QString()));
    w->actCompile->trigger();
    EXPECT_EQ(boxes.value(1).section(':', 1), "データファイル、ログファイルは最低1つずつ必要です。");
    EXPECT_EQ(StatementsFrom(mark), QStringList());
}

TEST_F(DatabaseWindow, ExistingDatabaseAltersOnlyWhatChanged)
{
    Exists();
    Tfrmdb* w = OpenDb("sales", "sa");
    ASSERT_TRUE(w);
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_FALSE(w->IsNew());
    EXPECT_EQ(w->windowTitle(), "データベース - sa.sales @ srv.master");
    EXPECT_EQ(w->grdFile->Cells(3, 1), "2.5");
    EXPECT_EQ(w->grdFile->Cells(5, 1), "sales.mdf");
    EXPECT_EQ(w->grdFile->Cells(2, 2), "適用なし");
    EXPECT_EQ(w->cmbBkMode->currentText(), "単純");
    EXPECT_EQ(w->cmbGokan->currentText(), "SQL Server 2017 (140)");
    EXPECT_TRUE(w->chkFullTextIndex->isChecked());
    EXPECT_EQ(w->grdSetting->Cells(1, OptionRow(w, "VarDecimalストレージ形式有効")), "ON");
    EXPECT_FALSE(w->Modified());
    // A change taken back: nothing runs.
    w->chkReadOnly->setChecked(true);
    w->chkReadOnly->setChecked(false);
    qsizetype mark = Mark();
    w->actCompile->trigger();
    EXPECT_EQ(boxes.value(0).section(':', 1), "変更箇所が見つかりませんでした。");
    EXPECT_FALSE(StatementsFrom(mark).join("\n").contains("ALTER"));
    w->pagObject->setCurrentWidget(w->taboption);
    w->grdSetting->SetCells(1, OptionRow(w, "自動圧縮"), "ON");
    w->grdSetting->OnSetEditText(w->grdSetting, 1, OptionRow(w, "自動圧縮"), "ON");
    EXPECT_TRUE(w->Modified());
    saveGrab(w, "database_options");
    AcceptDdl();
    mark = Mark();
    w->actCompile->trigger();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    const QStringList sent = StatementsFrom(mark);
    ASSERT_FALSE(sent.isEmpty());
    // The server version read for the compatibility list, then the one statement.
    EXPECT_EQ(sent.mid(0, 2), QStringList({"select SERVERPROPERTY('productversion')", "ALTER DATABASE [sales] SET AUTO_SHRINK ON"})) << sent.join("\n|").toStdString();
}

TEST_F(DatabaseWindow, RenamedLogicalFileIsRenamedNotRemoved)
{
    Exists();
    Tfrmdb* w = OpenDb("sales", "sa");
    ASSERT_TRUE(w);
    w->grdFile->SetCells(0, 2, "log2");
    w->grdFile->OnSetEditText(w->grdFile, 0, 2, "log2");
    AcceptDdl();
    const qsizetype mark = Mark();
    w->actCompile->trigger();
    const QStringList sent = StatementsFrom(mark);
    ASSERT_FALSE(sent.isEmpty());
    EXPECT_EQ(sent.value(1), "ALTER DATABASE [sales] MODIFY FILE (NAME=N'sales_log', NEWNAME=N'log2')") << sent.join("\n|").toStdString();
    EXPECT_FALSE(sent.join("\n").contains("REMOVE FILE"));
}

TEST_F(DatabaseWindow, ScriptRoutineWritesCreateOrDrop)
{
    Exists();
    ASSERT_TRUE(DefinitionScripts().contains(1));
    for (bool drop : {false, true}) {
        ScriptOption.Drop = drop;
        ScriptOption.Database = 0;
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        DefineScriptRequest r;
        r.objectType = 1;
        r.schema = "sa";
        r.name = "sales";
        try {
            DefinitionScripts().value(1)(conn, r, buffer);
        } catch (const EAbort&) {
        }
        const QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(buffer.data().constData()),
                                                buffer.data().size() / 2);
        if (drop) {
            EXPECT_EQ(text, "use [master]\r\ngo\r\nDROP DATABASE [sales]\r\ngo\r\n");
        } else {
            EXPECT_TRUE(text.startsWith("CREATE DATABASE [sales] ON  PRIMARY \r\n( NAME = N'sales', FILENAME = "
                                        "N'C:\\SQL\\DATA\\sales.mdf', SIZE = 2560KB"))
                << text.left(200).toStdString();
            EXPECT_FALSE(text.contains("DROP DATABASE"));
        }
    }
}

struct DatabaseWindow2000 : DatabaseWindow {
    QString Version() const override { return "8.00.2039"; }
};

TEST_F(DatabaseWindow2000, CheckBoxLayoutAndItsStatements)
{
    Tfrmdb* w = OpenDb("");
    ASSERT_TRUE(w);
    EXPECT_TRUE(w->grdSetting->isHidden());
    EXPECT_FALSE(w->GrpSettei->isHidden());
    EXPECT_TRUE(w->chkAutoUpdate->isChecked());
    EXPECT_FALSE(w->chkAutoShrink->isChecked());
    // SQL Server 2000 is offered its own levels only.
    EXPECT_EQ(w->cmbGokan->count(), 2);
    EXPECT_EQ(w->cmbGokan->currentText(), "SQL Server 2000 (80)");
    w->txtName->setText("old");
    w->grdFile->SetCells(3, 1, "1");
    w->grdFile->SetCells(3, 2, "1");
    saveGrab(w, "database_2000_new");
    const QStringList script = w->GetCreateScript();
    EXPECT_TRUE(script.contains("EXEC dbo.sp_dbcmptlevel @dbname=N'old', @new_cmptlevel=80"));
    EXPECT_TRUE(script.contains("ALTER DATABASE [old] SET AUTO_SHRINK OFF"));
    EXPECT_TRUE(script.contains("ALTER DATABASE [old] SET  TORN_PAGE_DETECTION ON"));
    EXPECT_FALSE(script.join("\n").contains("PAGE_VERIFY"));
    EXPECT_FALSE(script.join("\n").contains("sp_changedbowner")); // the owner is the session's login
}

struct DatabaseWindowAzure : DatabaseWindow {
    bool Azure() const override { return true; }
};

TEST_F(DatabaseWindowAzure, SizeAndEditionOnly)
{
    Tfrmdb* w = OpenDb("");
    ASSERT_TRUE(w);
    EXPECT_FALSE(w->pnlAll->isVisibleTo(w));
    EXPECT_TRUE(w->pnlAzure->isVisibleTo(w));
    EXPECT_FALSE(w->pagObject->isTabVisible(w->pagObject->indexOf(w->tabFileGrp)));
    EXPECT_FALSE(w->pagObject->isTabVisible(w->pagObject->indexOf(w->taboption)));
    w->txtName->setText("az");
    w->cmbSize->setCurrentIndex(3); // 20GB: the edition follows
    EXPECT_EQ(w->cmbEdition->currentText(), "Business");
    saveGrab(w, "database_azure");
    EXPECT_EQ(w->GetCreateScript(), QStringList({"CREATE DATABASE [az]", "(", "    MAXSIZE = 20GB,",
                                                 "    EDITION = 'business'", ")", "go"}));
}
