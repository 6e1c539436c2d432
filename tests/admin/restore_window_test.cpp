// The restore window on the scripted session, opened from the main window's administration menu
// and the connection window's tree action: backup sets by restore kind, the proposed target
// files, the recovery state rules, files of other sets refused, and the exact RESTORE batches
// run around a commit.
#include "admin/backup/backup_text.h"
#include "admin/backup/restore_window.h"

#include "connection/object_window_actions.h"
#include "support/test_env.h"
#include "tables/define_session_helper.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>

using namespace qv;
using namespace qv::db;
using namespace qvtest;

namespace {

const char* Full = "C:\\bak\\sales.bak";

struct Restore : DefineSession {
    TfrmRestore::Ui savedUi = TfrmRestore::ui();
    QStringList messages;
    QString chosen; // the next file the backup file dialog answers

    void SetUp() override
    {
        DefineSession::SetUp();
        Connect();
        session->fixture().exact("use [master]");
        TfrmRestore::ui().message = [this](const QString& text, int) {
            messages << text;
            return 1;
        };
        TfrmRestore::ui().openFile = [this](const QString&, const QString&) { return chosen; };
        session->fixture().exact(backup::BackupDirectorySQL())
            .returns({column("", "nvarchar(512)")}, {{"C:\\Program Files\\MSSQL\\Backup"}});
        // A full, a differential, two log and a file group backup in one file.
        Header(Full, false, {{"full", 1, 1, "sales"}, {"diff", 5, 2, "sales"}, {"log1", 2, 3, "sales"}, {"log2", 2, 4, "sales"},
                             {"fg", 4, 5, "sales"}});
        Header(Full, true, {{"full", 1, 1, "sales"}});
        session->fixture().exact(backup::FileListSQL({Full}))
            .returns({column("LogicalName", "nvarchar(128)"), column("PhysicalName", "nvarchar(260)"),
                      column("Type", "char(1)")},
                     {{"sales_data", "D:\\old\\Sales.MDF", "D"}, {"sales_log", "D:\\old\\sales_log.ldf", "L"}});
    }
    void TearDown() override
    {
        TfrmRestore::ui() = savedUi;
        DefineSession::TearDown();
    }
    struct Set {
        QString name;
        int type;
        int position;
        QString database;
    };
    // HEADERONLY of a file: BackupName (0), BackupType (2), Position (5), DatabaseName (9).
    void Header(const QString& file, bool noUnload, const QList<Set>& sets)
    {
        std::vector<ColumnDesc> cols;
        for (int c = 0; c < 10; ++c)
            cols.push_back(column(QString("c%1").arg(c), "nvarchar(128)"));
        std::vector<QVariantList> rows;
        for (const Set& s : sets)
            rows.push_back({s.name, "", s.type, "", "", s.position, "", "", "", s.database});
        session->fixture().exact(backup::HeaderOnlySQL(file, noUnload)).returns(cols, rows);
    }
    TfrmRestore* OpenFromMenu()
    {
        main->action("actAdminRestore")->trigger();
        return qobject_cast<TfrmRestore*>(
            main->FindWindow(TfrmRestore::staticMetaObject, QString::fromUtf8("復元 - sa @ srv.master"), false));
    }
    static QStringList Column(const QTableWidget* grid, int c)
    {
        QStringList out;
        for (int r = 0; r < grid->rowCount(); ++r)
            out << (grid->item(r, c) ? grid->item(r, c)->text() : QString());
        return out;
    }
    void ChooseFile(TfrmRestore* w, int row, const QString& file)
    {
        chosen = file;
        w->grdBackupFile->setCurrentCell(row, 0);
        w->btnFile->click();
    }
};

TEST_F(Restore, RestoresTheCheckedSetsOfAFileFromTheAdministrationMenu)
{
    TfrmRestore* w = OpenFromMenu();
    ASSERT_TRUE(w);
    EXPECT_EQ(w->TaskCaption(), QString::fromUtf8("sa @ srv"));
    EXPECT_FALSE(w->grdBackupSet->isEnabled());

    ChooseFile(w, 0, Full);
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    // The database kind: the full and the differential set; the target from the first set.
    EXPECT_TRUE(w->grdBackupSet->isEnabled());
    EXPECT_EQ(Column(w->grdBackupSet, 1), QStringList({"full", "diff"}));
    EXPECT_EQ(Column(w->grdBackupSet, 2), QStringList({QString::fromUtf8("データベース"), QString::fromUtf8("データベースの差分")}));
    EXPECT_EQ(Column(w->grdBackupSet, 4), QStringList({"1", "2"}));
    EXPECT_EQ(w->cmbDatabase->currentText(), "sales");
    // The target files lie in the server's data folder beside the backup folder.
    EXPECT_EQ(Column(w->grdDatabaseFile, 0), QStringList({"sales_data", "sales_log"}));
    EXPECT_EQ(Column(w->grdDatabaseFile, 1),
              QStringList({"C:\\Program Files\\MSSQL\\Data\\sales.mdf", "C:\\Program Files\\MSSQL\\Data\\sales_log_0.ldf"}));

    // The log kind lists the two log backups.
    w->rdoRestoreType->button(1)->click();
    EXPECT_EQ(Column(w->grdBackupSet, 1), QStringList({"log1", "log2"}));
    w->rdoRestoreType->button(0)->click();

    // Both sets, overwriting, left unusable for further logs.
    w->chkOverWrite->setChecked(true);
    w->rdoRestoreState->button(1)->click();
    const QString tail = ", NORECOVERY, REPLACE, NOUNLOAD, STATS = 10";
    const QStringList batches = {
        "use [master]",
        "RESTORE DATABASE [sales]\nFROM DISK = N'C:\\bak\\sales.bak'\nWITH FILE = 1" + tail,
        "RESTORE DATABASE [sales]\nFROM DISK = N'C:\\bak\\sales.bak'\nWITH FILE = 2" + tail,
    };
    for (const QString& b : batches.mid(1))
        session->fixture().exact(b).affects(0);
    db::Connection* con = conn->session()->dmSQLServer->Connection;
    const bool savedAuto = qvOption.AutoTran;
    qvOption.AutoTran = false;
    con->StartTransaction();
    const qsizetype mark = Mark();
    w->actExec->trigger();
    qvOption.AutoTran = savedAuto;
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    const QStringList sent = StatementsFrom(mark);
    ASSERT_GE(sent.size(), 3);
    EXPECT_EQ(sent.mid(0, 3), batches);
    EXPECT_FALSE(con->InTransaction()); // committed before the restore
}

TEST_F(Restore, ChecksStopBeforeAnythingRuns)
{
    TfrmRestore* w = OpenFromMenu();
    ASSERT_TRUE(w);
    qsizetype mark = Mark();
    w->actExec->trigger();
    EXPECT_EQ(messages.value(0), QString::fromUtf8("バックアップファイルを1つ以上指定してください。"));
    ChooseFile(w, 0, Full);
    // No set ticked.
    for (int r = 0; r < w->grdBackupSet->rowCount(); ++r)
        w->grdBackupSet->item(r, 0)->setCheckState(Qt::Unchecked);
    mark = Mark();
    w->actExec->trigger();
    EXPECT_EQ(messages.last(), QString::fromUtf8("復元するバックアップセットを1つ以上指定して下さい。"));
    // The log-on database cannot be left unusable.
    w->grdBackupSet->item(0, 0)->setCheckState(Qt::Checked);
    w->cmbDatabase->setEditText("master");
    w->rdoRestoreState->button(1)->click();
    w->actExec->trigger();
    EXPECT_EQ(messages.last(), QString::fromUtf8("接続時に選択したDBに対し使用不可状態にすることができません。"));
    EXPECT_EQ(w->pagRestore->currentWidget(), w->tabOption);
    EXPECT_TRUE(StatementsFrom(mark).filter("RESTORE DATABASE").isEmpty());
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
}

TEST_F(Restore, FilesAndGroupsKeepTheRecoveryStateAndMoveTheDataFiles)
{
    TfrmRestore* w = OpenFromMenu();
    ASSERT_TRUE(w);
    ChooseFile(w, 0, Full);
    w->rdoRestoreState->button(2)->click();
    EXPECT_TRUE(w->txtStandbyFile->isEnabled());
    EXPECT_EQ(w->txtStandbyFile->text(), "C:\\Program Files\\MSSQL\\Backup\\ROLLBACK_UNDO_sales.bak");
    // Files and groups: back to the usable state, STANDBY refused.
    w->rdoRestoreType->button(2)->click();
    EXPECT_EQ(w->rdoRestoreState->checkedId(), 0);
    EXPECT_TRUE(w->txtStandbyFile->text().isEmpty());
    w->rdoRestoreState->button(2)->click();
    EXPECT_EQ(messages.last(), QString::fromUtf8("ファイル・グループの復元において、このオプションを指定することはできません。"));
    EXPECT_EQ(w->rdoRestoreState->checkedId(), 0);
    EXPECT_FALSE(w->txtStandbyFile->isEnabled());

    const QString batch = "RESTORE DATABASE [sales]\nFILE = N'sales_data'\nFROM DISK = N'C:\\bak\\sales.bak'\n"
                          "WITH FILE = 5, RECOVERY, MOVE N'sales_data' TO N'C:\\Program Files\\MSSQL\\Data\\sales.mdf', "
                          "NOUNLOAD, STATS = 10";
    session->fixture().exact(batch).affects(0);
    const qsizetype mark = Mark();
    w->actExec->trigger();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_TRUE(StatementsFrom(mark).contains(batch));
}

TEST_F(Restore, AFileOfAnotherSetOrTheSameFileTwiceNeverEntersTheGrid)
{
    const QString other = "C:\\bak\\other.bak";
    Header(other, true, {{"another", 1, 1, "hr"}});
    TfrmRestore* w = OpenFromMenu();
    ASSERT_TRUE(w);
    ChooseFile(w, 0, Full);
    w->btnColInsert->click();
    ChooseFile(w, 1, other);
    EXPECT_EQ(messages.last(), QString::fromUtf8("異なるバックアップセットのファイルを指定することはできません。"));
    EXPECT_EQ(backup::NonEmpty(Column(w->grdBackupFile, 0)), QStringList({Full}));
    ChooseFile(w, 1, Full);
    EXPECT_EQ(messages.last(), QString::fromUtf8("同一ファイルを指定することはできません。"));
    EXPECT_EQ(backup::NonEmpty(Column(w->grdBackupFile, 0)), QStringList({Full}));
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
}

TEST_F(Restore, OpensFromTheConnectionTreeForADatabaseAndRenders)
{
    main->resize(1100, 760);
    main->show();
    ToolRequest r;
    r.window = "TfrmRestore";
    r.database = "sales";
    auto* w = qobject_cast<TfrmRestore*>(conn->actions()->OpenTool(r));
    ASSERT_TRUE(w);
    EXPECT_EQ(w->cmbDatabase->currentText(), "sales");
    // The second request brings the open window forward.
    EXPECT_FALSE(qobject_cast<TfrmRestore*>(conn->actions()->OpenTool(r)));
    ChooseFile(w, 0, Full);
    w->parentWidget()->resize(660, 640);
    QCoreApplication::processEvents();
    const QString dir = qEnvironmentVariable("QORVEL_RENDER_DIR", testHome());
    QDir().mkpath(dir);
    EXPECT_TRUE(w->grab().save(dir + "/restore_select.png"));
    w->pagRestore->setCurrentWidget(w->tabOption);
    w->rdoRestoreState->button(2)->click();
    QCoreApplication::processEvents();
    EXPECT_TRUE(w->grab().save(dir + "/restore_option.png"));
}

} // namespace
