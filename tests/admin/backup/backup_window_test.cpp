// The backup window on the scripted session, opened from the main window's administration menu
// and from the database list: proposed output files, the checks, and the exact BACKUP statement
// run around a commit.
#include "admin/backup/backup_text.h"
#include "admin/backup/backup_window.h"
#include "admin/backup/dblist_text.h"
#include "admin/backup/dblist_window.h"

#include "controls/lists/qv_listview.h"
#include "support/test_env.h"
#include "tables/define_frame.h"
#include "tables/define_session_helper.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QRadioButton>
#include <QTableWidget>

using namespace qv;
using namespace qv::db;
using namespace qvtest;

namespace {

struct Backup : DefineSession {
    TfrmBackup::Ui savedUi = TfrmBackup::ui();
    QStringList messages;

    void SetUp() override
    {
        DefineSession::SetUp();
        Connect();
        session->fixture().exact("use [master]");
        TfrmBackup::ui().message = [this](const QString& text, int) {
            messages << text;
            return 1;
        };
        Devices("master", {});
        session->fixture().exact(backup::BackupDirectorySQL()).returns({column("", "nvarchar(512)")}, {{"C:\\Backup "}});
    }
    void TearDown() override
    {
        TfrmBackup::ui() = savedUi;
        DefineSession::TearDown();
    }
    void Devices(const QString& db, const QList<QVariantList>& rows)
    {
        QString body = backup::LatestDevicesSQL();
        body = body.mid(body.indexOf("\r\n") + 2).replace(":DBSUB", "?").replace(":DB", "?");
        FixtureRule& r = session->fixture().exact(body);
        r.params = QVariantList{db, db};
        r.returns({column("physical_device_name", "nvarchar(260)")}, std::vector<QVariantList>(rows.begin(), rows.end()));
    }
    TfrmBackup* Find()
    {
        return qobject_cast<TfrmBackup*>(
            main->FindWindow(TfrmBackup::staticMetaObject, QString::fromUtf8("バックアップ - sa @ srv.master"), false));
    }
    static QStringList Outputs(TfrmBackup* w)
    {
        QStringList out;
        for (int r = 0; r < w->grdOutput->rowCount(); ++r)
            out << (w->grdOutput->item(r, 0) ? w->grdOutput->item(r, 0)->text() : QString());
        return out;
    }
};

} // namespace

TEST_F(Backup, RunsTheStatementOfTheFormFromTheAdministrationMenu)
{
    main->action("actAdminBackup")->trigger();
    TfrmBackup* w = Find();
    ASSERT_TRUE(w);
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    // Never backed up: one output file in the server's backup folder.
    EXPECT_EQ(Outputs(w), QStringList({"C:\\Backup\\master.bak"}));
    EXPECT_EQ(w->txtName->text(), QString::fromUtf8("master-完全 データベース バックアップ"));
    EXPECT_EQ(w->TaskCaption(), QString::fromUtf8("sa @ srv"));

    // The differential kind, a second device, a description and seven days to keep.
    w->rdoBackupType->button(1)->click();
    EXPECT_EQ(w->txtName->text(), QString::fromUtf8("master-差分 データベース バックアップ"));
    w->AddOutputRow();
    w->grdOutput->setItem(1, 0, new QTableWidgetItem("D:\\it's.bak"));
    w->txtExplain->setText("weekly");
    w->chkBackupSet->click();
    EXPECT_TRUE(w->txtPeriod->isEnabled());
    EXPECT_FALSE(w->txtDate->isEnabled());
    w->txtPeriod->setText("7");
    const QString statement = QString::fromUtf8(
        "BACKUP DATABASE [master]\nTO DISK = N'C:\\Backup\\master.bak'\n, DISK = N'D:\\it''s.bak'\n"
        "WITH NAME = N'master-差分 データベース バックアップ', DIFFERENTIAL, DESCRIPTION = N'weekly', NOINIT, NOFORMAT, "
        "RETAINDAYS = 7, SKIP, NOREWIND, NOUNLOAD, STATS = 10");
    session->fixture().exact(statement).affects(0);
    db::Connection* con = conn->session()->dmSQLServer->Connection;
    const bool savedAuto = qvOption.AutoTran;
    qvOption.AutoTran = false;
    con->StartTransaction();
    const qsizetype mark = Mark();
    w->actExec->trigger();
    qvOption.AutoTran = savedAuto;
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(StatementsFrom(mark), QStringList({statement}));
    EXPECT_FALSE(con->InTransaction()); // committed before the backup

    // The menu again: the open window comes forward.
    main->action("actAdminBackup")->trigger();
    int windows = 0;
    for (QWidget* c : main->MDIChildren())
        windows += qobject_cast<TfrmBackup*>(c) != nullptr;
    EXPECT_EQ(windows, 1);
}

TEST_F(Backup, OpensFromTheDatabaseListWithTheLatestDevices)
{
    session->fixture().exact("use [sales]");
    session->fixture().exact(dblist::ListSQL(false, "master"))
        .returns({column("name", "sysname"), column("owner", "sysname"), column("crdate", "varchar(30)"),
                  column("state", "nvarchar(60)"), column("collation", "nvarchar(128)")},
                 {{"sales", "sa", "2024-01-02", "RESTORING", "Japanese_CI_AS"}});
    Devices("sales", {{"E:\\b1.bak"}, {"E:\\b2.bak"}, {"E:\\b3.bak"}});
    main->action("actAdminDatabase")->trigger();
    auto* list = qobject_cast<TfrmDbList*>(
        main->FindWindow(TfrmDbList::staticMetaObject, QString::fromUtf8("データベース情報 - sa @ srv.master"), false));
    ASSERT_TRUE(list);
    list->lstDataBase->topLevelItem(0)->setSelected(true);
    list->actBackup->trigger();
    TfrmBackup* w = Find();
    ASSERT_TRUE(w);
    EXPECT_EQ(w->cmbDatabase->currentText(), "sales");
    EXPECT_EQ(Outputs(w), QStringList({"E:\\b1.bak", "E:\\b2.bak", "E:\\b3.bak"}));

    // The files kind with no file ticked is refused before anything runs.
    session->fixture().exact(backup::DataFilesSQL(15).replace(":DB", "?"))
        .returns({column("db", "sysname"), column("fg", "sysname"), column("name", "sysname")},
                 {{"sales", "PRIMARY", "sales_data"}});
    w->rdoBackupType->button(3)->click();
    EXPECT_EQ(w->grdFilegroup->rowCount(), 1);
    EXPECT_TRUE(w->grpFilegroup->isEnabled());
    const qsizetype mark = Mark();
    w->actExec->trigger();
    EXPECT_EQ(messages.last(), QString::fromUtf8("ファイルを1つ以上選択して下さい。"));
    EXPECT_TRUE(StatementsFrom(mark).isEmpty());
}

TEST_F(Backup, Renders)
{
    main->resize(1100, 760);
    main->show();
    main->action("actAdminBackup")->trigger();
    TfrmBackup* w = Find();
    ASSERT_TRUE(w);
    w->parentWidget()->resize(700, 680);
    QCoreApplication::processEvents();
    const QString dir = qEnvironmentVariable("QORVEL_RENDER_DIR", testHome());
    QDir().mkpath(dir);
    EXPECT_TRUE(w->grab().save(dir + "/backup_select.png"));
    w->pagBackup->setCurrentIndex(1);
    QCoreApplication::processEvents();
    EXPECT_TRUE(w->grab().save(dir + "/backup_option.png"));
}
