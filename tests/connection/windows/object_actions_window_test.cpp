// The object-list commands through the connection window on the scripted session: enabling,
// delete in passes, rename, constraint switching, index maintenance with its bars, opening.
#include "connection/object_window.h"
#include "connection/object_window_actions.h"

#include "app/application.h"
#include "app/workspace.h"
#include "connection/ddl_preview.h"
#include "editor/sqlmemo/qvmemo.h"
#include "editor/editor_strings.h"
#include "app/main_window.h"
#include "connection/connection_commands.h"
#include "sql/exec_proc_window.h"
#include "app/qvdoc.h"
#include "app/options.h"
#include "controls/lists/qv_treeview.h"
#include "platform/db/scripted_session.h"
#include "support/test_env.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QDir>
#include <QTimer>
#include <QMessageBox>
#include <QScopeGuard>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace qv;
using namespace qv::db;

namespace {

struct ObjectActionsWindow : ::testing::Test {
    std::shared_ptr<ScriptedSession> session = std::make_shared<ScriptedSession>();
    TfrmMain main;
    TObjectActions::Ui savedUi = TObjectActions::ui();
    TqvOption savedOptions = qvOption;
    QStringList boxes;      // message texts shown
    QStringList errors;     // error box texts
    QStringList questions;  // confirmation texts
    bool checkAll = true;   // the confirmation's check boxes are ticked
    int escapeAfter = -1;   // Esc reads as pressed after this many polls
    int polls = 0;
    std::unique_ptr<TfrmObject> w;

    void SetUp() override
    {
        auto& ui = TObjectActions::ui();
        ui.confirm = [this](const QString& text, int, const CheckList& checks) {
            questions << text;
            for (const CheckItem& c : checks)
                if (c.value)
                    *c.value = checkAll;
            return static_cast<int>(IDYES);
        };
        ui.message = [this](const QString& text, int) {
            boxes << text;
            return static_cast<int>(IDOK);
        };
        ui.escape = [this] { return escapeAfter >= 0 && polls++ >= escapeAfter; };
        SetExceptionBox([this](const QString&, const QString& text, bool) { errors << text; });
    }
    void TearDown() override
    {
        w.reset();
        TObjectActions::ui() = savedUi;
        qvOption = savedOptions;
        SetExceptionBox(nullptr);
    }
    void Answer(const QString& sql, const QString& value)
    {
        session->fixture().exact(sql).returns({column("", "nvarchar(128)")}, {{value}});
    }
    void Open(const QString& version = "16.0.4135.4", const QString& edition = "Developer Edition")
    {
        Answer("select SERVERPROPERTY('productversion')", version);
        Answer(catalog::facts::ProductVersion, version);
        Answer(catalog::facts::Edition, edition);
        Answer(catalog::facts::LoginName, "sa");
        Answer(catalog::facts::CurrentDatabase, "Sales");
        Answer(catalog::facts::UserName, "dbo");
        Answer(catalog::facts::DefaultSchema, "dbo");
        Answer(catalog::facts::Spid, "55");
        session->fixture().pattern("set showplan.*").affects(0);
        session->fixture().exact(catalog::DatabaseListSql(false)).returns({column("name", "sysname")}, {{"master"}, {"Sales"}});
        w = std::make_unique<TfrmObject>(nullptr, "Sales", "sa", "pw", "srv", session);
        main.AddChildWindow(w.get());
    }
    QTreeWidgetItem* Node(const QString& text)
    {
        QTreeWidgetItem* sales = w->lstTree->currentItem();
        for (int i = 0; sales && i < sales->childCount(); ++i)
            if (sales->child(i)->text(0) == text)
                return sales->child(i);
        return nullptr;
    }
    // A row as the listing makes it.
    QTreeWidgetItem* Row(const QString& name, int type, const QStringList& sub)
    {
        if (w->lstObject->columnCount() < 7)
            w->lstObject->setColumnCount(7);
        QTreeWidgetItem* item = w->lstObject->AddItem(name, sub);
        item->setData(0, Qt::UserRole, type);
        item->setSelected(true);
        return item;
    }
    void Trigger(const char* name)
    {
        w->actions()->mnuObjectClick();
        QAction* a = w->actions()->action(name);
        ASSERT_TRUE(a) << name;
        a->trigger();
    }
    QStringList Sent(const QString& prefix) const
    {
        QStringList out;
        for (const QString& s : session->statements())
            if (s.contains(prefix))
                out << s;
        return out;
    }
    QStringList Names() const
    {
        QStringList out;
        for (int i = 0; i < w->lstObject->topLevelItemCount(); ++i)
            out << w->lstObject->topLevelItem(i)->text(0) + (w->lstObject->topLevelItem(i)->isSelected() ? "*" : "");
        return out;
    }
    // The index list of Sales with its fragmentation figures.
    void ListIndexes(const std::vector<QVariantList>& rows)
    {
        session->fixture().pattern("use \\[Sales\\]\nselect has_perms_by_name\\(N'Sales'.*").returns({column("", "int")}, {{1}});
        session->fixture()
            .pattern("use \\[Sales\\]\ndeclare @dbid smallint.*dm_db_index_physical_stats.*")
            .returns({column("t", "nvarchar(2)"), column("name", "sysname"), column("db", "sysname"),
                      column("owner", "sysname"), column("x", "nvarchar(2)"), column("tbl", "sysname"),
                      column("frg_per", "float"), column("page_count", "float"), column("fg", "sysname")},
                     rows);
        w->btnShowFragment->setChecked(true);
        w->lstTree->setCurrentItem(Node("INDEX"));
    }
};

} // namespace

TEST_F(ObjectActionsWindow, IndexListEnablesDefinitionNotDataAndDrawsBars)
{
    Open();
    ListIndexes({{"IX", "IX_Orders", "Sales", "dbo", "IX", "Orders", 0.37, 123.45, "PRIMARY"},
                 {"IX", "PK_Orders", "Sales", "dbo", "IX", "Orders", 0.04, 1.0, "PRIMARY"}});
    ASSERT_EQ(w->lstObject->topLevelItemCount(), 2);
    QTreeWidgetItem* ix = w->lstObject->findItems("IX_Orders", Qt::MatchExactly).value(0);
    ASSERT_TRUE(ix);
    // 37.5 % and 12 345 pages as the server gives them.
    EXPECT_EQ(ix->text(5), "0.37");
    EXPECT_EQ(ix->text(6), "123.45");
    w->lstObject->selectAll();
    TObjectActions* a = w->actions();
    a->mnuObjectClick();
    for (const char* on : {"actOpenDefine", "actOpenSource", "actScript", "actPrint", "actIndexFragment",
                           "actIndexReorganize", "actIndexRebuild", "actIndexThreshold"})
        EXPECT_TRUE(a->action(on)->isEnabled()) << on;
    for (const char* off : {"actOpenData", "actOpenDataTop", "actExec", "actSynonym", "actCross"})
        EXPECT_FALSE(a->action(off)->isEnabled()) << off;
    EXPECT_TRUE(a->action("actIndexFragment")->isVisible());
    EXPECT_FALSE(a->action("actConstEnable")->isVisible());
    EXPECT_TRUE(w->btnShowFragment->isEnabled());

    // The bars: red for 0.37 (rebuild), blue for 0.04.
    w->lstObject->clearSelection();
    main.resize(1500, 700);
    main.show();
    w->frame()->resize(1400, 500);
    w->spl1->setSizes({200, 1200});
    QApplication::processEvents();
    const QImage shot = w->lstObject->viewport()->grab().toImage();
    auto colourIn = [&](QTreeWidgetItem* item) {
        const QRect r = w->lstObject->visualItemRect(item);
        const int x0 = w->lstObject->header()->sectionViewportPosition(5);
        return shot.pixelColor(x0 + 3, r.center().y());
    };
    EXPECT_EQ(colourIn(ix), QColor(255, 0, 0));
    EXPECT_EQ(colourIn(w->lstObject->findItems("PK_Orders", Qt::MatchExactly).value(0)), QColor(0, 0, 255));
    const QString out = qEnvironmentVariable("QORVEL_RENDER_DIR", qvtest::testHome());
    QDir().mkpath(out);
    EXPECT_TRUE(w->grab().save(out + "/connection_index_fragmentation.png"));
    w->lstObject->selectAll();
    w->actions()->mnuObject->popup(w->mapToGlobal(QPoint(300, 100)));
    w->actions()->mnuIndexFragment->popup(w->mapToGlobal(QPoint(500, 200)));
    QApplication::processEvents();
    EXPECT_TRUE(w->actions()->mnuObject->grab().save(out + "/connection_object_menu.png"));
    EXPECT_TRUE(w->actions()->mnuIndexFragment->grab().save(out + "/connection_index_menu.png"));
    w->actions()->mnuIndexFragment->hide();
    w->actions()->mnuObject->hide();
}

TEST_F(ObjectActionsWindow, AutomaticMaintenanceByTheThresholds)
{
    Open();
    Answer("select cast(serverproperty('EditionID') as bigint)", "-1534726760"); // Standard: no online box
    ListIndexes({{"IX", "A", "Sales", "dbo", "IX", "Orders", 0.30, 1.0, "PRIMARY"},
                 {"IX", "B", "Sales", "dbo", "IX", "Order Lines", 0.31, 1.0, "PRIMARY"},
                 {"IX", "C", "Sales", "dbo", "IX", "Orders", 0.04, 1.0, "PRIMARY"}});
    session->fixture().pattern("use \\[Sales\\]\nalter index .*").affects(0);
    w->lstObject->selectAll();
    session->clearRecord();
    Trigger("actIndexThreshold");
    EXPECT_EQ(Sent("alter index"), QStringList({"use [Sales]\nalter index [A] on [dbo].[Orders] reorganize",
                                                "use [Sales]\nalter index [B] on [dbo].[Order Lines] rebuild"}));
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0], index::DoneText(index::Command::Automatic, 5, 31));
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    // Nothing over a threshold: the no-target message.
    boxes.clear();
    w->lstObject->clearSelection();
    w->lstObject->findItems("C", Qt::MatchExactly).value(0)->setSelected(true);
    Trigger("actIndexThreshold");
    EXPECT_EQ(boxes, QStringList({index::NothingToDoText(5, 31)}));
}

TEST_F(ObjectActionsWindow, DeleteRemovesDependantsInTwoPasses)
{
    Open();
    session->fixture().exact("use [Sales]\r\ndrop table [dbo].[T]").fails("Cannot drop T: referenced").once();
    session->fixture().exact("use [Sales]\r\ndrop table [dbo].[T]");
    session->fixture().exact("use [Sales]\r\ndrop view [dbo].[V]");
    Row("T", 45, {"Sales", "dbo", "TABLE"});
    Row("V", 47, {"Sales", "dbo", "VIEW"});
    session->clearRecord();
    Trigger("actDelete");
    EXPECT_EQ(Sent("drop"), QStringList({"use [Sales]\ndrop table [dbo].[T]", "use [Sales]\ndrop view [dbo].[V]",
                                         "use [Sales]\ndrop table [dbo].[T]"}));
    EXPECT_TRUE(Names().isEmpty());
    EXPECT_EQ(boxes, QStringList({QString::fromUtf8("オブジェクトが削除されました。")}));
    EXPECT_TRUE(qvOption.DelErr); // the confirmation's box is the option
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(ObjectActionsWindow, DeleteNamesWhatFailedAndKeepsItSelected)
{
    Open();
    session->fixture().exact("use [Sales]\r\ndrop table [dbo].[A]").fails("A is referenced by a FOREIGN KEY");
    session->fixture().exact("use [Sales]\r\ndrop table [dbo].[B]").fails("B is in use");
    session->fixture().exact("use [Sales]\r\ndrop view [dbo].[C]");
    Row("A", 45, {"Sales", "dbo", "TABLE"});
    Row("B", 45, {"Sales", "dbo", "TABLE"});
    Row("C", 47, {"Sales", "dbo", "VIEW"});
    Trigger("actDelete");
    EXPECT_EQ(Names(), QStringList({"A*", "B*"}));
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_FALSE(boxes[0].contains(QString::fromUtf8("削除されました")));
    EXPECT_TRUE(boxes[0].contains("dbo.A: A is referenced by a FOREIGN KEY")) << boxes[0].toStdString();
    EXPECT_TRUE(boxes[0].contains("dbo.B: B is in use")) << boxes[0].toStdString();

    // One object alone: the error box names it, no closing message.
    boxes.clear();
    w->lstObject->clearSelection();
    w->lstObject->topLevelItem(0)->setSelected(true);
    Trigger("actDelete");
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join("|").toStdString() << Names().join(",").toStdString();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].startsWith("dbo.A: A is referenced")) << errors[0].toStdString();
    EXPECT_EQ(Names(), QStringList({"A*", "B"}));
}

TEST_F(ObjectActionsWindow, EscInALongDeleteLeavesTheRestSelected)
{
    Open();
    session->fixture().pattern("use \\[Sales\\]\ndrop table .*");
    for (const char* n : {"T1", "T2", "T3", "T4", "T5"})
        Row(n, 45, {"Sales", "dbo", "TABLE"});
    escapeAfter = 2;
    Trigger("actDelete");
    EXPECT_EQ(Names(), QStringList({"T3*", "T4*", "T5*"}));
    EXPECT_EQ(boxes, QStringList({QString::fromUtf8("オブジェクトが削除されました。")}));
}

TEST_F(ObjectActionsWindow, F2RenamesThroughSpRename)
{
    Open();
    session->fixture().exact("use [Sales]\r\nexec sp_rename N'[dbo].[a''b]',N'c]d',N'OBJECT'");
    QTreeWidgetItem* t = Row("a'b", 45, {"Sales", "dbo", "TABLE"});
    w->lstObject->setCurrentItem(t);
    main.show();
    QApplication::processEvents();
    auto rename = [&](const QString& to) {
        QKeyEvent f2(QEvent::KeyPress, Qt::Key_F2, Qt::NoModifier);
        QApplication::sendEvent(w->lstObject, &f2);
        auto* editor = w->lstObject->viewport()->findChild<QLineEdit*>();
        if (!editor)
            return false;
        editor->setText(to);
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(editor, &enter);
        QApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return true;
    };
    ASSERT_TRUE(rename("c]d"));
    EXPECT_EQ(Sent("sp_rename"), QStringList({"use [Sales]\nexec sp_rename N'[dbo].[a''b]',N'c]d',N'OBJECT'"}));
    EXPECT_EQ(t->text(0), "c]d");
    // A refused rename takes the edit back without a word.
    session->fixture().pattern("use \\[Sales\\]\nexec sp_rename .*").fails("Either the parameter @objname is ambiguous");
    ASSERT_TRUE(rename("x"));
    EXPECT_EQ(t->text(0), "c]d");
    EXPECT_TRUE(boxes.isEmpty());
    EXPECT_TRUE(errors.isEmpty());
    // A view takes no new name in place.
    QTreeWidgetItem* v = Row("V", 47, {"Sales", "dbo", "VIEW"});
    w->lstObject->clearSelection();
    v->setSelected(true);
    w->lstObject->setCurrentItem(v);
    EXPECT_FALSE(rename("W"));
}

TEST_F(ObjectActionsWindow, ConstraintSwitchSendsOnlyForConstraints)
{
    Open();
    session->fixture().exact("use [Sales]\r\nALTER TABLE [dbo].[Orders] CHECK CONSTRAINT [CK_Qty]");
    // The database's listing of every kind has no table column: sub-item 4 is the comment.
    Answer("use [Sales]\r\nselect object_name(parent_obj) from sysobjects where id = object_id(N'[dbo].[CK_Qty]')", "Orders");
    Row("CK_Qty", 66, {"Sales", "dbo", "C", "2026/01/05 10:00:00", "数量の確認"});
    Row("Orders", 45, {"Sales", "dbo", "U"});
    w->actions()->mnuObjectClick();
    EXPECT_TRUE(w->actions()->action("actConstEnable")->isVisible());
    session->clearRecord();
    Trigger("actConstEnable");
    EXPECT_EQ(Sent("CONSTRAINT"), QStringList({"use [Sales]\nALTER TABLE [dbo].[Orders] CHECK CONSTRAINT [CK_Qty]"}));
    EXPECT_EQ(boxes, QStringList({QString::fromUtf8("制約を有効にしました。")}));

    // Deleting it names the same table.
    session->fixture().exact("use [Sales]\r\nalter table [dbo].[Orders] DROP CONSTRAINT [CK_Qty]");
    w->lstObject->clearSelection();
    w->lstObject->topLevelItem(0)->setSelected(true);
    boxes.clear();
    session->clearRecord();
    Trigger("actDelete");
    EXPECT_EQ(Sent("CONSTRAINT"), QStringList({"use [Sales]\nalter table [dbo].[Orders] DROP CONSTRAINT [CK_Qty]"}));
    EXPECT_EQ(boxes, QStringList({QString::fromUtf8("オブジェクトが削除されました。")}));
    EXPECT_TRUE(errors.isEmpty()) << errors.join("|").toStdString();
}

// While the connection window is active its "オブジェクトリスト(&O)" menu stands in the main menu
// bar before the window menu, with the items enabled for the selection.
TEST_F(ObjectActionsWindow, ObjectMenuStandsInTheMainMenuBarWhileActive)
{
    Open();
    main.show();
    auto* sub = qobject_cast<QMdiSubWindow*>(w->parentWidget());
    ASSERT_TRUE(sub);
    main.mdiArea()->setActiveSubWindow(sub);
    QApplication::processEvents();
    QStringList bar;
    for (QAction* a : main.menuBar()->actions())
        bar << a->text();
    const int at = bar.indexOf(QString::fromUtf8("オブジェクトリスト(&O)"));
    ASSERT_GE(at, 0) << bar.join("|").toStdString();
    EXPECT_EQ(bar.value(at + 1), QString::fromUtf8("ウィンドウ(&W)"));
    Row("T", 45, {"Sales", "dbo", "U"});
    emit w->actions()->mnuObject->aboutToShow();
    EXPECT_TRUE(w->actions()->action("actOpenData")->isEnabled());
    // Closed, the window takes its menu with it.
    w.reset();
    QApplication::processEvents();
    for (QAction* a : main.menuBar()->actions())
        EXPECT_NE(a->text(), QString::fromUtf8("オブジェクトリスト(&O)"));
}

// The window mirrors the main window's user-command and report menus and shows its keys; a
// mirrored command runs on this window's session.
TEST_F(ObjectActionsWindow, MirrorsTheMainMenusCommandsAndKeys)
{
    UserCommand c;
    c.Name = "stats";
    c.Seq = 1;
    c.ShortCut = ShortCutToCode(QKeySequence("Ctrl+Shift+U"));
    c.Sql = "update statistics [dbo].[&NAME]";
    WriteUserCommand(UserCommandDir(), c);
    const auto cleanup = qScopeGuard([] { QFile::remove(UserCommandFile(UserCommandDir(), "stats")); });
    main.action("actEditDelete")->setShortcut(QKeySequence("Ctrl+Del"));
    Open();
    main.SetCommandList(); // as after the command editor closes
    const QList<QAction*> items = w->actions()->mnuCommand->actions();
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(items[0]->text(), "stats");
    EXPECT_EQ(items[0]->shortcut(), QKeySequence("Ctrl+Shift+U"));
    EXPECT_EQ(w->actions()->action("actDelete")->shortcut(), QKeySequence("Ctrl+Del"));

    session->fixture().exact("update statistics [dbo].[Orders]");
    Row("Orders", 45, {"Sales", "dbo", "U"});
    session->clearRecord();
    QStringList shown; // the command's own message box, answered
    QTimer answer;
    answer.setInterval(0);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto* mb = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); mb && mb->isVisible()) {
            shown << mb->text();
            mb->close();
        }
    });
    answer.start();
    items[0]->trigger();
    EXPECT_EQ(Sent("update statistics"), QStringList({"update statistics [dbo].[Orders]"}));
    EXPECT_EQ(shown, QStringList({QString::fromUtf8("コマンドを実行しました。")}));
}

TEST_F(ObjectActionsWindow, OpeningAndToolWindows)
{
    Open();
    QList<OpenRequest> seen;
    const auto saved = WindowFactories();
    for (auto kind : {DefinitionWindow::Index, DefinitionWindow::Synonym, DefinitionWindow::Source})
        WindowFactories()[static_cast<int>(kind)] = [&](TfrmObject*, const OpenRequest& r) {
            seen << r;
            return new QWidget;
        };
    Row("IX", 46, {"Sales", "dbo", "INDEX", "", "", "Orders"});
    Row("P", 51, {"Sales", "dbo", "PROCEDURE"});
    Trigger("actOpenSource");
    ASSERT_EQ(seen.size(), 2);
    EXPECT_EQ(seen[0].tableName, "Orders"); // a listing of every kind keeps the table in sub-item 5
    EXPECT_EQ(seen[1].mode, omSource);
    EXPECT_TRUE(w->lstObject->selectedItems().isEmpty());
    // Esc while many open: the rest stays selected.
    seen.clear();
    w->lstObject->selectAll();
    escapeAfter = 1;
    Trigger("actOpenDefine");
    EXPECT_EQ(seen.size(), 1) << polls << w->actions()->action("actOpenDefine")->isEnabled();
    EXPECT_EQ(Names(), QStringList({"IX", "P*"}));
    escapeAfter = -1;
    // A synonym for the procedure: a new synonym pre-filled with its target.
    seen.clear();
    Trigger("actSynonym");
    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(seen[0].name, "");
    EXPECT_EQ(seen[0].targetName, "P");
    EXPECT_EQ(seen[0].targetType, "PROCEDURE");
    // Execute opens the stored-program runner with the procedure's parameters, once.
    InstallConnectionCommands(main);
    session->fixture().exact("use [Sales]");
    session->fixture().pattern("select type from sys\\.objects .*").returns({column("type", "char(2)")}, {{"P "}});
    session->fixture()
        .pattern("select param\\.parameter_id .* order by 1")
        .returns({column("parameter_id", "int"), column("name", "nvarchar(128)"), column("type", "nvarchar(128)"),
                  column("length", "int"), column("precision", "int"), column("scale", "int"),
                  column("usertype", "nvarchar(128)"), column("default_value", "nvarchar(10)"), column("is_output", "bit")},
                 {{0, "", "int", 0, 0, 0, "", " ", false}, {1, "@id", "int", 4, 10, 0, "", " ", false}});
    auto runners = [&] {
        QList<TfrmExecProc*> out;
        for (QWidget* c : main.MDIChildren())
            if (auto* r = qobject_cast<TfrmExecProc*>(c))
                out << r;
        return out;
    };
    for (int twice = 0; twice < 2; ++twice) {
        w->lstObject->topLevelItem(1)->setSelected(true);
        Trigger("actExec");
    }
    ASSERT_EQ(runners().size(), 1) << errors.join("|").toStdString();
    EXPECT_EQ(runners()[0]->windowTitle(), QString::fromUtf8("ストアドプログラム実行 - dbo.P @ srv.Sales"));
    EXPECT_EQ(runners()[0]->lstParam->topLevelItemCount(), 2);
    WindowFactories() = saved;
}

TEST_F(ObjectActionsWindow, TreePopupAndOrderButtons)
{
    Open("12.0.2000.8", "Enterprise Edition");
    QTreeWidgetItem* sales = w->lstTree->currentItem();
    w->actions()->popTreePopup();
    EXPECT_EQ(w->actions()->FRSelected, sales);
    EXPECT_TRUE(w->actions()->action("actDetach")->isVisible());
    EXPECT_TRUE(w->actions()->action("actDetach")->isEnabled());
    session->fixture().exact("sp_detach_db [Sales],false, false");
    w->actions()->action("actDetach")->trigger();
    EXPECT_EQ(Sent("sp_detach_db"), QStringList({"sp_detach_db [Sales],false, false"}));
    EXPECT_EQ(boxes, QStringList({QString::fromUtf8("デタッチを実行しました。")}));
    EXPECT_FALSE(w->actions()->FRSelected); // the tree was built again
    w->btnTree2->click();
    EXPECT_EQ(w->btnLevel1->toolTip(), QString::fromUtf8("オブジェクトタイプ選択時にオブジェクト一覧を表示する"));
    w->btnTree1->click();
    EXPECT_EQ(w->btnLevel1->toolTip(), QString::fromUtf8("ユーザー選択時にオブジェクト一覧を表示する"));
}

TEST_F(ObjectActionsWindow, EditCopyCopiesObjectsInTheListAndTextInTheFindBox)
{
    Open();
    int copies = 0;
    const auto savedPlugins = TObjectActions::plugins();
    TObjectActions::plugins().copy = [&](TfrmObject*) { ++copies; };
    Row("T", 45, {"Sales", "dbo", "TABLE"});
    main.show();
    QApplication::setActiveWindow(&main);
    w->lstObject->setFocus();
    QApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), w->lstObject);
    main.action("actEditCopy")->trigger();
    EXPECT_EQ(copies, 1);
    // In the find box the command copies its text.
    w->cmbFind->setEditText("ord");
    w->cmbFind->lineEdit()->selectAll();
    w->cmbFind->lineEdit()->setFocus();
    QApplication::processEvents();
    main.action("actEditCopy")->trigger();
    EXPECT_EQ(copies, 1);
    EXPECT_EQ(QApplication::clipboard()->text(), "ord");
    // Back in the list, the copy key copies objects again.
    w->lstObject->setFocus();
    QApplication::processEvents();
    QKeyEvent ctrlC(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier);
    QApplication::sendEvent(w->lstObject, &ctrlC);
    EXPECT_EQ(copies, 2);
    // Without the object clipboard the list's names go to the clipboard as text.
    TObjectActions::plugins().copy = nullptr;
    w->lstObject->setFocus();
    QApplication::sendEvent(w->lstObject, &ctrlC);
    EXPECT_EQ(QApplication::clipboard()->text(), "T");
    TObjectActions::plugins() = savedPlugins;
}

TEST_F(ObjectActionsWindow, DataWithARowLimitAndTheWorkSpace)
{
    Open();
    QList<OpenRequest> seen;
    const auto saved = WindowFactories();
    WindowFactories()[static_cast<int>(DefinitionWindow::Table)] = [&](TfrmObject*, const OpenRequest& r) {
        seen << r;
        return new QWidget;
    };
    QString typed = "0";
    bool tick = true;
    TObjectActions::ui().input = [&](const QString&, const QString&, QString& value, bool numeric, QString&,
                                     const QStringList&, const CheckList& checks) {
        EXPECT_TRUE(numeric);
        EXPECT_EQ(value, QString::number(qvOption.DefTopRecord));
        value = typed;
        *checks.value(0).value = tick;
        return true;
    };
    qvOption.DefTopRecord = 1000;
    Row("T", 45, {"Sales", "dbo", "TABLE"});
    Trigger("actOpenDataTop");
    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(seen[0].mode, omData);
    EXPECT_EQ(seen[0].topRecord, 0);       // the limit 0 opens…
    EXPECT_EQ(qvOption.DefTopRecord, 1000); // …but does not become the default
    typed = "50";
    w->lstObject->topLevelItem(0)->setSelected(true);
    Trigger("actOpenDataTop");
    EXPECT_EQ(seen.value(1).topRecord, 50);
    EXPECT_EQ(qvOption.DefTopRecord, 50);
    WindowFactories() = saved;

    // The same object twice in the work space keeps one entry.
    const auto savedList = WorkSpaceList;
    WorkSpaceList.clear();
    w->lstObject->topLevelItem(0)->setSelected(true);
    Trigger("actAddWorkSpace");
    w->lstObject->topLevelItem(0)->setSelected(true);
    Trigger("actAddWorkSpace");
    ASSERT_EQ(WorkSpaceList.size(), 1);
    EXPECT_EQ(WorkSpaceList[0].Connect, "sa @ srv.Sales");
    EXPECT_EQ(WorkSpaceList[0].Title, "T (Sales)");
    WorkSpaceList = savedList;
    SaveWorkSpace();
}

TEST_F(ObjectActionsWindow, PreviewedMaintenanceRunsNothingWhenCancelled)
{
    Open("8.00.2039", "Standard Edition");
    qvOption.ShowDDL = true;
    const auto savedHook = TfrmDDLPreview::ExecHook;
    QStringList previewed;
    TfrmDDLPreview::ExecHook = [&](TfrmDDLPreview* p) {
        previewed << p->txtLog->Lines().ToStringList().join("\n");
        return static_cast<int>(QDialog::Rejected);
    };
    session->fixture()
        .exact("select b.name from sysindexes a, syscolumns b, sysindexkeys c  where a.id    = b.id    and "
               "b.id    = c.id    and a.indid = c.indid    and b.colid = c.colid    and b.id    = object_id(? + '.' + ?)    "
               "and a.name  = ?")
        .returns({column("name", "sysname")}, {{"OrderID"}});
    session->fixture().exact("use [Sales]");
    // A listing of every kind: the index's table in sub-item 5.
    Row("IX", 46, {"Sales", "dbo", "INDEX", "", "", "Orders"});
    session->clearRecord();
    Trigger("actIndexRebuild");
    ASSERT_EQ(previewed.size(), 1);
    EXPECT_TRUE(previewed[0].contains("DBCC INDEXDEFRAG ([Sales],N'[dbo].[Orders]',[IX])")) << previewed[0].toStdString();
    EXPECT_TRUE(Sent("DBCC").isEmpty());
    EXPECT_TRUE(boxes.isEmpty());
    TfrmDDLPreview::ExecHook = savedHook;
}
