// The attach window on the scripted session, opened from the main window's administration menu:
// the database name and files read from the primary file, the checks, and the exact
// sp_attach_db statement run around a commit.
#include "admin/storage/attach_text.h"
#include "admin/storage/attach_window.h"

#include "support/test_env.h"
#include "tables/define_session_helper.h"

#include <QDir>
#include <QLineEdit>
#include <QSet>
#include <QTableWidget>
#include <QToolButton>

using namespace qv;
using namespace qv::db;
using namespace qvtest;

namespace {

const char* Mdf = "C:\\data\\sales.mdf";

struct Attach : DefineSession {
    TfrmAttach::Ui savedUi = TfrmAttach::ui();
    QString savedPath = AttachOption.Path;
    QStringList messages;
    QSet<QString> here{"C:\\data\\sales.mdf", "C:\\data\\sales_log.ldf"};

    void SetUp() override
    {
        DefineSession::SetUp();
        Connect();
        TfrmAttach::ui().message = [this](const QString& text, int) {
            messages << text;
            return 1;
        };
        TfrmAttach::ui().openFile = [](const QString&) { return QString(Mdf); };
        TfrmAttach::ui().fileExists = [this](const QString& f) { return here.contains(f); };
        Primary(2, {{"Database name", "sales"}, {"Database version", "904"}});
    }
    void TearDown() override
    {
        TfrmAttach::ui() = savedUi;
        AttachOption.Path = savedPath;
        DefineSession::TearDown();
    }
    void Primary(int mode, const std::vector<QVariantList>& rows)
    {
        QString sql = attach::CheckPrimaryFileSql(mode);
        FixtureRule& r = session->fixture().exact(sql.replace(":FILE", "?"));
        r.params = QVariantList{Mdf};
        if (mode == 2)
            r.returns({column("property", "nvarchar(128)"), column("value", "nvarchar(128)")}, rows);
        else
            r.returns({column("status", "int"), column("fileid", "int"), column("name", "nvarchar(128)"),
                       column("filename", "nvarchar(260)")},
                      rows);
    }
    TfrmAttach* OpenFromMenu()
    {
        main->action("actAdminAttach")->trigger();
        return qobject_cast<TfrmAttach*>(
            main->FindWindow(TfrmAttach::staticMetaObject, QString::fromUtf8("アタッチ - sa @ srv.master"), false));
    }
    static QStringList Column(const QTableWidget* grid, int c)
    {
        QStringList out;
        for (int r = 0; r < grid->rowCount(); ++r)
            out << (grid->item(r, c) ? grid->item(r, c)->text() : QString());
        return out;
    }
};

TEST(AttachText, KindsStatementAndChecks)
{
    using namespace qv::attach;
    EXPECT_EQ(FileKind("a.MDF"), "DATA");
    EXPECT_EQ(FileKind("a.ndf"), "DATA");
    EXPECT_EQ(FileKind("a.ldf "), "LOG");
    EXPECT_EQ(FileKind("a.dat"), "");
    EXPECT_EQ(AttachSql("it's", {"C:\\a.mdf", ""}), "sp_attach_db N'it''s',N'C:\\a.mdf',N''");
    EXPECT_EQ(CheckAttach("", 2), Check::NoDatabase);
    EXPECT_EQ(CheckAttach("x", 1), Check::NoFiles);
    EXPECT_EQ(CheckAttach("x", 2), Check::Ok);
    EXPECT_EQ(FolderOf("C:\\data\\x.mdf"), "C:\\data\\");
    EXPECT_EQ(DatabaseName({{"Database version", "1"}, {"Database name", "db"}}), "db");
}

TEST_F(Attach, AttachesTheDataAndLogFileOfThePrimaryFile)
{
    Primary(3, {{2, 1, "sales", "C:\\data\\sales.mdf "}, {2, 2, "sales_log", "C:\\data\\sales_log.ldf"}});
    TfrmAttach* w = OpenFromMenu();
    ASSERT_TRUE(w);
    EXPECT_FALSE(w->actExec->isEnabled());
    w->btnMDFFile->click();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(w->txtMdfFile->text(), Mdf);
    EXPECT_EQ(w->txtdatabase->text(), "sales");
    EXPECT_EQ(Column(w->grdFile, 0), QStringList({"C:\\data\\sales.mdf", "C:\\data\\sales_log.ldf"}));
    EXPECT_EQ(Column(w->grdFile, 1), QStringList({"DATA", "LOG"}));
    EXPECT_TRUE(w->actExec->isEnabled());

    const QString statement = "sp_attach_db N'sales',N'C:\\data\\sales.mdf',N'C:\\data\\sales_log.ldf'";
    session->fixture().exact(statement).affects(0);
    db::Connection* con = conn->session()->dmSQLServer->Connection;
    const bool savedAuto = qvOption.AutoTran;
    qvOption.AutoTran = false;
    con->StartTransaction();
    const qsizetype mark = Mark();
    w->actExec->trigger();
    qvOption.AutoTran = savedAuto;
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(StatementsFrom(mark).value(0), statement);
    EXPECT_FALSE(con->InTransaction()); // committed before the attach
    EXPECT_EQ(messages.last(), QString::fromUtf8("アタッチを実行しました。"));
    EXPECT_EQ(AttachOption.Path, "C:\\data\\");
}

TEST_F(Attach, ATypedNameStaysAndAFileNotSeenHereIsPassedEmpty)
{
    here.remove("C:\\data\\sales_log.ldf");
    Primary(3, {{2, 1, "sales", "C:\\data\\sales.mdf"}, {2, 2, "sales_log", "C:\\data\\sales_log.ldf"}});
    TfrmAttach* w = OpenFromMenu();
    ASSERT_TRUE(w);
    w->txtdatabase->setText("copy");
    qsizetype mark = Mark();
    w->btnMDFFile->click();
    EXPECT_EQ(w->txtdatabase->text(), "copy");
    EXPECT_TRUE(StatementsFrom(mark).filter(", 2)").isEmpty()); // the name is not read again
    EXPECT_EQ(Column(w->grdFile, 0), QStringList({"C:\\data\\sales.mdf", ""}));

    const QString statement = "sp_attach_db N'copy',N'C:\\data\\sales.mdf',N''";
    session->fixture().exact(statement).fails("Unable to open the physical file \"\".");
    AttachOption.Path = "kept";
    mark = Mark();
    w->actExec->trigger();
    EXPECT_EQ(StatementsFrom(mark).value(0), statement);
    // A failing attach is never reported as done.
    EXPECT_EQ(errors.size(), 1);
    EXPECT_TRUE(messages.filter(QString::fromUtf8("アタッチを実行しました。")).isEmpty());
    EXPECT_EQ(AttachOption.Path, "kept");
}

TEST_F(Attach, OnlyThePrimaryFileIsRefusedAndTheWindowRenders)
{
    Primary(3, {{2, 1, "sales", "C:\\data\\sales.mdf"}});
    main->resize(1100, 760);
    main->show();
    TfrmAttach* w = OpenFromMenu();
    ASSERT_TRUE(w);
    w->btnMDFFile->click();
    const qsizetype mark = Mark();
    w->actExec->trigger();
    EXPECT_EQ(messages.last(), QString::fromUtf8("ファイルを入力して下さい。"));
    w->txtdatabase->clear();
    w->actExec->trigger();
    EXPECT_EQ(messages.last(), QString::fromUtf8("データベース名を入力して下さい。"));
    EXPECT_TRUE(StatementsFrom(mark).isEmpty());
    w->parentWidget()->resize(760, 360);
    QCoreApplication::processEvents();
    const QString dir = qEnvironmentVariable("QORVEL_RENDER_DIR", testHome());
    QDir().mkpath(dir);
    EXPECT_TRUE(w->grab().save(dir + "/attach.png"));
}

} // namespace
