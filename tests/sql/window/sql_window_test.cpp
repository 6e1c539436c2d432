#include "sql/sql_window.h"
#include "sql_window_fixture.h"

#include "editor/sqlmemo/code_assist.h"
#include "editor/sqlmemo/qvmemo.h"
#include "platform/messages.h"

#include "app/main_window.h"
#include "app/options.h"
#include "connection/object_session.h"
#include "editor/view/editor.h"
#include "platform/db/query.h"
#include "platform/db/scripted_session.h"
#include "sql/sql_files.h"
#include "sql/sql_history.h"
#include "sql/sql_log_window.h"
#include "app/textfiles.h"
#include <QFile>
#include <QFileInfo>

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPixmap>
#include <QPointer>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qv;
using namespace qv::db;

namespace {

struct SqlWindow : qvtest::SqlWindowFixture {
    QStringList boxes;
    std::unique_ptr<TfrmSQL> w;

    void SetUp() override
    {
        SqlWindowFixture::SetUp();
        qvOption.SQLBuf = 32;
        qvOption.UseLowerName = true;
        auto& f = session->fixture();
        f.exact("select 1").returns({column("a", "int")}, {{1}});
        f.exact("select 2").returns({column("b", "nvarchar(10)")}, {{"二"}, {"三"}});
        f.exact("update t set a=1").affects(3);
        f.exact("select ?").returns({column("v", "nvarchar(10)")}, {{"bound"}});
        TfrmSQL::MessageHook = [this](QWidget*, const QString& text, int icon, const QString& check, bool*) {
            boxes << QString::number(icon) + ":" + text + (check.isEmpty() ? "" : "[" + check + "]");
        };
        w = std::make_unique<TfrmSQL>(&owner);
    }
    void type(const QStringList& lines)
    {
        w->txtSQL->Lines().Assign(lines);
        w->txtSQL->SetModified(true);
    }
    QStringList tabs() const
    {
        QStringList out;
        for (int i = 0; i < w->pagData->count(); ++i)
            out << w->pagData->tabText(i);
        return out;
    }
};

} // namespace

TEST_F(SqlWindow, RunsBatchesIntoResultPages)
{
    type({"select 1", "go", "update t set a=1", "go", "select 2"});
    w->actExecExecute();
    EXPECT_EQ(tabs(), (QStringList{"結果", "結果2"}));
    EXPECT_EQ(boxes, QStringList{"64: SQLを実行しました。\r\n(対象：3 レコード )[以降の結果ダイアログを表示しない]"});
    EXPECT_TRUE(w->ResultShown());
    ASSERT_TRUE(w->FrameOf(2));
    EXPECT_EQ(w->FrameOf(2)->qryData->RecordCount(), 2);
    EXPECT_EQ(w->fraData->qryData->FieldCount(), 1);
    EXPECT_TRUE(session->statements().contains("use [SalesDemo]"));
    if (qEnvironmentVariableIsSet("QORVEL_RENDER_DIR")) {
        w->show();
        w->grab().save(qEnvironmentVariable("QORVEL_RENDER_DIR") + "/sql_window.png");
    }
    // The next run starts over with one page.
    type({"select 1"});
    w->actExecExecute();
    EXPECT_EQ(tabs(), QStringList{"結果"});
}

TEST_F(SqlWindow, BindVariablesAskThenBind)
{
    type({"select :a"});
    w->actExecExecute();
    EXPECT_EQ(w->StatusText(), "バインド変数値を入力して下さい。");
    ASSERT_TRUE(w->grdParam->isVisibleTo(w.get()));
    ASSERT_EQ(w->grdParam->rowCount(), 1);
    w->grdParam->item(0, 1)->setText("x1");
    if (qEnvironmentVariableIsSet("QORVEL_RENDER_DIR")) {
        w->show();
        w->grab().save(qEnvironmentVariable("QORVEL_RENDER_DIR") + "/sql_window_binds.png");
    }
    w->actExecExecute();
    ASSERT_FALSE(session->recorded().empty());
    EXPECT_EQ(session->recorded().back().values, QVariantList{"x1"});

    // A value still being typed into the cell is the one bound.
    w->grdParam->editItem(w->grdParam->item(0, 1));
    auto* editor = w->grdParam->findChild<QLineEdit*>();
    ASSERT_TRUE(editor);
    editor->setText("x2");
    w->actExecExecute();
    EXPECT_EQ(session->recorded().back().values, QVariantList{"x2"});
}

TEST_F(SqlWindow, HistoryStoresModifiedRunsOnlyAndSteps)
{
    type({"select 1"});
    w->actExecExecute();
    w->actExecExecute(); // unchanged: not stored again
    type({"select 2"});
    w->actExecExecute();
    EXPECT_EQ(SqlLogStore::instance().history(), (QStringList{"SQLLOG2.SQL", "SQLLOG1.SQL"}));
    EXPECT_EQ(w->HistoryPosition(), 0);
    w->actPrevExecute();
    EXPECT_EQ(w->txtSQL->Lines().ToStringList(), QStringList{"select 1"});
    w->actPrevExecute(); // no older entry
    EXPECT_EQ(w->HistoryPosition(), 1);
    w->actNextExecute();
    EXPECT_EQ(w->txtSQL->Lines().ToStringList(), QStringList{"select 2"});
    w->actNextExecute();
    EXPECT_EQ(w->HistoryPosition(), -1);
    EXPECT_TRUE(w->txtSQL->Lines().ToStringList().join("").isEmpty());
}

TEST_F(SqlWindow, FailingBatchShowsTheServerText)
{
    session->fixture().exact("select * from nothing").fails("Invalid object name 'nothing'.");
    type({"select * from nothing", "go", "select 1"});
    w->actExecExecute();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].startsWith("48:")) << boxes[0].toStdString();
    EXPECT_TRUE(boxes[0].contains("Invalid object name 'nothing'."));
    EXPECT_TRUE(boxes[0].endsWith("[処理を続行する]"));
    EXPECT_FALSE(session->statements().contains("select 1"));
    // The failed batch (its lines up to the "go") is selected …
    EXPECT_TRUE(w->txtSQL->SelText().startsWith("select * from nothing\r\ngo"));
    EXPECT_FALSE(w->txtSQL->SelText().contains("select 1"));
    // … unless the run was of a selection, which stays as it was.
    type({"select 1", "go", "select * from nothing"});
    w->txtSQL->SetSelStart(14);
    w->txtSQL->SetSelLength(21);
    w->actExecExecute();
    EXPECT_EQ(w->txtSQL->SelText(), "select * from nothing");
}

TEST_F(SqlWindow, OpenLoadsSortedFilesAndSaveAddsTheExtension)
{
    QTemporaryDir dir;
    const QString b = dir.path() + "/b.sql", a = dir.path() + "/a.sql";
    WriteTextFileLines(b, {"select 2"}, GetFileEncoding());
    WriteTextFileLines(a, {"select 1", "go"}, GetFileEncoding());
    TfrmSQL::OpenDialogHook = [&](QWidget*) { return QStringList{b, a}; };
    w->actOpenExecute();
    EXPECT_EQ(w->txtSQL->Lines().ToStringList(), (QStringList{"select 1", "go", "select 2"}));
    EXPECT_EQ(w->txtSQL->Row(), 0);
    EXPECT_EQ(w->txtSQL->Col(), 0);
    EXPECT_FALSE(w->txtSQL->CanUndo());
    EXPECT_TRUE(w->fraMemo->OpenFilePath().isEmpty()); // the window's text is no file of the frame
    EXPECT_TRUE(w->txtSQL->Modified());                // run, it becomes a history entry

    qvOption.FileDir = dir.path();
    QString proposed;
    TfrmSQL::SaveDialogHook = [&](QWidget*, const QString& p, int& filter) {
        proposed = p;
        filter = 1;
        return dir.path() + "/out";
    };
    w->actSaveExecute();
    EXPECT_EQ(QFileInfo(proposed).fileName(), "Script.sql");
    EXPECT_EQ(ReadTextFileLines(dir.path() + "/out.txt", GetFileEncoding()), (QStringList{"select 1", "go", "select 2"}));
    QFile out(dir.path() + "/out.txt");
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    EXPECT_TRUE(out.read(6).startsWith("select")); // no byte-order mark
    EXPECT_TRUE(w->txtSQL->Modified());
    EXPECT_EQ(boxes.last(), "64:ファイルに出力しました。");
    EXPECT_EQ(SqlSaveFileName("/x/a.sql", 1), "/x/a.sql");
    EXPECT_EQ(SqlSaveFileName("/x/a", 2), "/x/a.sql");
}

TEST_F(SqlWindow, PlanModeRefusesBindVariablesAndWrapsTheStatement)
{
    w->btnExplan->setChecked(true);
    type({"select :a"});
    w->actExecExecute();
    EXPECT_EQ(boxes, QStringList{"48:バインド変数がある場合、実行計画を使用できません。"});
    EXPECT_TRUE(w->grdParam->isVisibleTo(w.get()));
    EXPECT_FALSE(session->statements().contains("set showplan_all on"));

    boxes.clear();
    auto& f = session->fixture();
    f.exact("set showplan_all on");
    f.exact("set showplan_all off");
    f.exact("select 1\r\nfrom t").returns({column("StmtText", "nvarchar(max)")}, {{"select 1 from t"}});
    session->clearRecord();
    type({"-- plan", "select 1", "from t;", "/", "select 2"});
    w->actExecExecute();
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join("\n").toStdString();
    const QStringList sent = session->statements();
    ASSERT_GE(sent.size(), 3);
    EXPECT_EQ(sent.mid(sent.size() - 3), (QStringList{"set showplan_all on", "select 1\nfrom t", "set showplan_all off"}));
    EXPECT_TRUE(w->pagExplan->isVisibleTo(w.get()));
    EXPECT_FALSE(w->pagData->isVisibleTo(w.get()));
    EXPECT_FALSE(w->grdParam->isVisibleTo(w.get()));
}

TEST_F(SqlWindow, OnlyTheSelectionRunsWhenPartialRunsAreOn)
{
    qvOption.UsePartial = true;
    type({"select 1", "select 2"});
    w->txtSQL->SetSelStart(10); // offsets count a line break as 2: line 2 starts at 10
    w->txtSQL->SetSelLength(8);
    ASSERT_EQ(w->txtSQL->SelText(), "select 2");
    session->clearRecord();
    w->actExecExecute();
    EXPECT_EQ(session->statements(), (QStringList{"use [SalesDemo]", "select 2"}));
    qvOption.UsePartial = true;
}

TEST_F(SqlWindow, EditorCompletionListsTheCatalogOfTheChosenDatabase)
{
    const auto name = column("name", "nvarchar(128)");
    auto& f = session->fixture();
    f.exact("select serverproperty('Edition')").returns({column("", "nvarchar(128)")}, {{"Developer Edition (64-bit)"}});
    f.pattern("use \\[.*\\]");
    f.pattern("SELECT default_schema_name .*").returns({column("default_schema_name", "nvarchar(128)")}, {{"dbo"}});
    f.pattern(".*select name from sys\\.schemas.*").returns({name}, {{"dbo"}});
    f.pattern("select name, xtype, case .*").returns({name, column("xtype", "char(2)"), column("Sort", "int")}, {{"Customers", "U ", 1}});
    f.pattern("select .*").returns({name}, {});
    w->show();
    w->cmbDatabase->setCurrentText("SalesDemo");
    w->txtSQL->Lines().Assign({"select * from "});
    w->txtSQL->SetRowCol(0, 14);
    QCoreApplication::sendEvent(w->fraMemo, new MessageEvent(WM_CODEASSIST, 10, 20));
    auto* memo = w->fraMemo->txtSQL;
    ASSERT_TRUE(memo->CodeAssist);
    EXPECT_TRUE(memo->CodeAssist->CaptionList.contains("Customers"));
    EXPECT_TRUE(memo->CodeAssist->CaptionList.contains("SalesDemo"));
}

TEST_F(SqlWindow, ConnectionListFollowsTheMainWindowAndClosesWhenItsConnectionLeaves)
{
    TfrmMain main;
    QComboBox* list = main.cmbDBName();
    const QString own = owner.ConnectionText();
    list->addItem("sa @ other.master", QVariant::fromValue(quintptr(0)));
    list->addItem(own, QVariant::fromValue(quintptr(0)));
    QPointer<TfrmSQL> sql = new TfrmSQL(&owner);
    sql->show();
    QStringList items;
    for (int i = 0; i < sql->cmbDBName->count(); ++i)
        items << sql->cmbDBName->itemText(i);
    EXPECT_EQ(items, (QStringList{"sa @ other.master", own}));
    EXPECT_EQ(sql->cmbDBName->currentText(), own);

    list->removeItem(0); // another connection closed: the window stays on its own
    sql->DBChange();
    ASSERT_TRUE(sql);
    EXPECT_EQ(sql->cmbDBName->count(), 1);
    EXPECT_EQ(sql->cmbDBName->currentText(), own);

    list->clear(); // its own connection closed
    sql->DBChange();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(sql);
}

TEST_F(SqlWindow, RunAndSaveFollowTheText)
{
    type({});
    EXPECT_FALSE(w->actExec->isEnabled());
    EXPECT_FALSE(w->actSave->isEnabled());
    w->txtSQL->Lines().SetTextStr(QStringLiteral("\r\n")); // one empty line break only
    EXPECT_FALSE(w->actExec->isEnabled());
    EXPECT_TRUE(w->actSave->isEnabled());
    type({"select 1"});
    EXPECT_TRUE(w->actExec->isEnabled());
    // F5 runs whatever the state of the command: an empty text runs no batch.
    type({});
    session->clearRecord();
    QKeyEvent f5(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier);
    QCoreApplication::sendEvent(w.get(), &f5);
    EXPECT_EQ(session->statements(), QStringList{"use [SalesDemo]"});
    EXPECT_FALSE(w->ResultShown());
    // F5 typed in the editor reaches the window.
    type({"select 1"});
    QKeyEvent typed(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier);
    QCoreApplication::sendEvent(w->txtSQL, &typed);
    EXPECT_TRUE(session->statements().contains("select 1"));
}

TEST_F(SqlWindow, FavouriteThenSteppingGoesOnInTheHistory)
{
    auto& store = SqlLogStore::instance();
    const QString dir = SqlLogStore::workDir();
    for (const char* text : {"select 'h1'", "select 'h2'", "select 'h3'"})
        store.append(dir, {text}, 32); // entry 0 is h3
    store.registerFavorites(dir, {0, 1, 2}); // favourites in history order: h3, h2, h1
    TfrmSQLLog::ExecHook = [](TfrmSQLLog* log) {
        log->SetTab(1);
        log->lstSQL->setCurrentItem(log->lstSQL->topLevelItem(1));
        log->btnSelectClick();
        return 1;
    };
    w->actLogExecute();
    TfrmSQLLog::ExecHook = [](TfrmSQLLog* log) { return log->exec(); };
    EXPECT_EQ(w->txtSQL->Lines().ToStringList(), QStringList{"select 'h2'"});
    EXPECT_EQ(w->HistoryPosition(), 1);
    EXPECT_FALSE(w->txtSQL->Modified());
    EXPECT_FALSE(w->txtSQL->CanUndo());
    w->actPrevExecute();
    EXPECT_EQ(w->txtSQL->Lines().ToStringList(), QStringList{"select 'h1'"});

    // An entry whose file is gone leaves the editor empty; the position still moves.
    ASSERT_TRUE(QFile::remove(dir + store.history().at(0)));
    w->actNextExecute();
    w->actNextExecute();
    EXPECT_EQ(w->HistoryPosition(), 0);
    EXPECT_TRUE(w->txtSQL->Lines().GetTextStr().isEmpty());
}

TEST_F(SqlWindow, ItsMenuStandsInTheMainMenuBarWhileItIsActive)
{
    TfrmMain main;
    main.show();
    auto titles = [&] {
        QStringList out;
        for (QAction* a : main.menuBar()->actions())
            if (a->isVisible())
                out << a->text();
        return out;
    };
    auto* sql = new TfrmSQL(&owner);
    QMdiSubWindow* sqlSub = main.AddChildWindow(sql);
    QMdiSubWindow* otherSub = main.AddChildWindow(new QWidget);
    main.mdiArea()->setActiveSubWindow(sqlSub);
    QStringList menus = titles();
    ASSERT_TRUE(menus.contains("SQL実行(&O)"));
    EXPECT_EQ(menus.indexOf("SQL実行(&O)") + 1, menus.indexOf("ウィンドウ(&W)"));
    QStringList items;
    for (QAction* a : sql->mnuTool->actions())
        items << a->text();
    EXPECT_EQ(items, (QStringList{"実行(&E)", "前(&P)", "次(&N)", "履歴(&L)", "開く(&O)", "保存(&S)"}));

    main.mdiArea()->setActiveSubWindow(otherSub);
    EXPECT_FALSE(titles().contains("SQL実行(&O)"));
    main.mdiArea()->setActiveSubWindow(sqlSub);
    EXPECT_EQ(titles().count("SQL実行(&O)"), 1);
    delete sqlSub; // the window goes, and its menu with it
    EXPECT_FALSE(titles().contains("SQL実行(&O)"));
}
