#include "connection/object_window.h"

#include "app/main_window.h"
#include "app/pickers.h"
#include "app/qvform.h"
#include "connection/connection_commands.h"
#include "connection/logon_dialog.h"
#include "sql/sql_window.h"

#include "controls/lists/qv_listview.h"
#include "controls/lists/qv_treeview.h"
#include "platform/db/scripted_session.h"
#include "platform/exceptions.h"
#include "platform/messages.h"
#include "platform/registry.h"
#include "app/textfiles.h"
#include "support/modal_helper.h"
#include "support/test_env.h"

#include <QComboBox>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSplitter>
#include <QToolBar>
#include <QDir>
#include <QLabel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <gtest/gtest.h>

using namespace qv;
using namespace qv::db;

namespace {
// A child window that notes what it saw when the connection list changed.
class Child : public QWidget {
public:
    std::function<void()> onChange;
    int changes = 0;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() == messageEventType(WM_DBCHANGE)) {
            ++changes;
            if (onChange)
                onChange();
            return true;
        }
        return QWidget::event(e);
    }
};

struct ObjectWindow : ::testing::Test {
    std::shared_ptr<ScriptedSession> session = std::make_shared<ScriptedSession>();
    TfrmMain main;
    QComboBox& combo = *main.cmbDBName();
    Child& child = *new Child;
    QHash<int, WindowFactory> saved = WindowFactories();

    void SetUp() override { main.AddChildWindow(&child); }
    void TearDown() override { WindowFactories() = saved; }

    void Answer(const QString& sql, const QString& value)
    {
        session->fixture().exact(sql).returns({column("", "nvarchar(128)")}, {{value}});
    }
    void Server(const QString& version, const QString& edition)
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
        const bool azure = edition == "SQL Azure";
        session->fixture().exact(catalog::DatabaseListSql(azure)).returns({column("name", "sysname")},
                                                                         {{"master"}, {"Sales"}, {"tempdb"}});
    }
    QStringList TopTexts(TfrmObject& w)
    {
        QStringList out;
        QTreeWidgetItem* root = w.lstTree->topLevelItem(0);
        for (int i = 0; root && i < root->childCount(); ++i)
            out << root->child(i)->text(0);
        return out;
    }
};
} // namespace

TEST_F(ObjectWindow, OpensRegistersThenNotifies)
{
    Server("16.0.4135.4", "Developer Edition");
    child.onChange = [&] { EXPECT_EQ(combo.count(), 1); };
    TfrmObject w(nullptr, "Sales", "sa", "pw", "srv", session);
    EXPECT_EQ(child.changes, 1);
    EXPECT_EQ(combo.itemText(0), "sa @ srv.Sales");
    EXPECT_EQ(w.windowTitle(), QString::fromUtf8("オブジェクトリスト - sa @ srv.Sales"));
    EXPECT_EQ(w.lstTree->topLevelItem(0)->text(0), "srv(16.0.4135.4)");
    EXPECT_EQ(TopTexts(w), QStringList({"master", "Sales", "tempdb"}));
    EXPECT_EQ(w.lstTree->currentItem()->text(0), "Sales");
    child.onChange = nullptr;
}

TEST_F(ObjectWindow, ClosingCommitsLeavesTheListThenNotifies)
{
    Server("16.0.4135.4", "Developer Edition");
    qvOption.AutoTran = true;
    auto w = std::make_unique<TfrmObject>(nullptr, "Sales", "sa", "pw", "srv", session);
    qvOption.AutoTran = false;
    ASSERT_TRUE(session->events().contains("StartTransaction"));
    child.changes = 0;
    bool checked = false;
    child.onChange = [&] {
        EXPECT_TRUE(session->events().contains("Commit"));
        EXPECT_EQ(combo.count(), 0);
        checked = true;
    };
    EXPECT_EQ(main.stsMain()->panelText(0), QString::fromUtf8("srv . Sales に接続中"));
    // A long connection state is shown whole.
    main.show();
    main.stsMain()->setPanelText(0, QString::fromUtf8("sql-server-0123.corp.example.com,14330 . SalesDemo に接続中"));
    QCoreApplication::sendPostedEvents();
    EXPECT_GE(main.stsMain()->panel(0)->width(), main.stsMain()->panel(0)->sizeHint().width());
    w->close();
    EXPECT_EQ(main.stsMain()->panelText(0), QString::fromUtf8("データベース未接続"));
    EXPECT_TRUE(checked);
    EXPECT_EQ(child.changes, 1);
    EXPECT_FALSE(w->session()->dmSQLServer->Connection->Connected());
    child.onChange = nullptr;
}

TEST_F(ObjectWindow, AzureShowsOnlyTheLoginDatabase)
{
    Server("12.0.2000.8", "SQL Azure");
    TfrmObject w(nullptr, "Sales", "sa", "pw", "x.database.windows.net", session);
    EXPECT_TRUE(w.session()->IsAzure);
    EXPECT_EQ(TopTexts(w), QStringList({"Sales"}));
    EXPECT_EQ(w.cmbTree->count(), 1);
    EXPECT_FALSE(w.btnShowFragment->isChecked());
}

// "設定" asks which databases to show; cancelled, the tree and the combo stay as they were.
TEST_F(ObjectWindow, ConfiguredDisplayAsksForTheDatabases)
{
    Server("16.0.4135.4", "Developer Edition");
    TfrmObject w(nullptr, "Sales", "sa", "pw", "srv", session);
    ASSERT_EQ(w.cmbTree->currentIndex(), 0);
    bool asked = false;
    qvtest::whenModal([&](QWidget* d) {
        asked = qobject_cast<TfrmProject*>(d) != nullptr;
        d->close();
    });
    w.cmbTree->setCurrentIndex(2);
    emit w.cmbTree->activated(2);
    EXPECT_TRUE(asked);
    EXPECT_EQ(w.cmbTree->currentIndex(), 0);
    EXPECT_EQ(TopTexts(w), QStringList({"master", "Sales", "tempdb"}));

    qvtest::whenModal([](QWidget* d) {
        auto* p = qobject_cast<TfrmProject*>(d);
        ASSERT_TRUE(p);
        for (int i = 0; i < p->lstDatabase->count(); ++i)
            if (p->lstDatabase->item(i)->text() == "tempdb")
                p->lstDatabase->item(i)->setCheckState(Qt::Checked);
        p->btnOkClick();
    });
    w.cmbTree->setCurrentIndex(2);
    emit w.cmbTree->activated(2);
    EXPECT_EQ(w.cmbTree->currentIndex(), 2);
    EXPECT_EQ(StoredProjectDatabases("srv"), QStringList({"tempdb"}));
    EXPECT_EQ(TopTexts(w), QStringList({"tempdb"}));
    // The other tests of this process see the server as it was.
    emit w.cmbTree->activated(0);
    TqvRegistry().DeleteKey(ProjectKey("srv"));
}

TEST_F(ObjectWindow, OpenObjectByType)
{
    Server("16.0.4135.4", "Developer Edition");
    TfrmObject w(nullptr, "Sales", "sa", "pw", "srv", session);
    OpenRequest seen;
    WindowFactories()[static_cast<int>(DefinitionWindow::Table)] = [&](TfrmObject*, const OpenRequest& r) {
        seen = r;
        return new QWidget;
    };
    std::unique_ptr<QWidget> table(w.OpenObject(73, "Sales", "dbo", "T.3", omData, false, 1000, ""));
    ASSERT_TRUE(table);
    EXPECT_EQ(seen.name, "T");
    EXPECT_EQ(seen.topRecord, 0);
    EXPECT_EQ(w.OpenObject(71, "Sales", "dbo", "F", omDefine, false, 0, ""), nullptr);
    EXPECT_EQ(w.OpenObject(120, "Sales", "", "L", omDefine, false, 0, ""), nullptr);
    // A failing window gives none.
    WindowFactories()[static_cast<int>(DefinitionWindow::Table)] = [](TfrmObject*, const OpenRequest&) -> QWidget* {
        throw EAbort();
    };
    EXPECT_EQ(w.OpenObject(45, "Sales", "dbo", "T", omDefine, false, 0, ""), nullptr);
    // Windows not built yet: the placeholder names the object (the job kind stands in for one).
    WindowFactories().remove(static_cast<int>(DefinitionWindow::Job));
    std::unique_ptr<QWidget> job(w.OpenObject(97, "Sales", "dbo", "J", omDefine, false, 0, ""));
    ASSERT_TRUE(job);
    EXPECT_TRUE(job->windowTitle().contains("dbo.J"));
}

TEST_F(ObjectWindow, ListingAndRender)
{
    Server("16.0.4135.4", "Developer Edition");
    std::vector<ColumnDesc> cols{column("xtype", "char(2)"), column("name", "sysname"),  column("db", "sysname"),
                                 column("owner", "sysname"), column("xtype2", "char(2)"), column("crdate", "nvarchar(30)"),
                                 column("fg", "sysname"),    column("comment", "nvarchar(100)"), column("t", "nvarchar(100)")};
    session->fixture().pattern("use \\[Sales\\]\nselect distinct.*").returns(
        cols, {{"U ", "Orders", "Sales", "dbo", "U ", "2024-01-02 03:04:05", "PRIMARY", QString::fromUtf8("受注"), ""},
               {"U ", "Customers", "Sales", "dbo", "U ", "2024-01-01 10:00:00", "PRIMARY", QVariant(), ""}});
    session->fixture().pattern("use \\[(master|tempdb)\\]\nselect distinct.*").returns(cols, {});
    TfrmObject w(nullptr, "Sales", "sa", "pw", "srv", session);
    QTreeWidgetItem* sales = w.lstTree->currentItem();
    ASSERT_TRUE(sales);
    w.lstTree->setCurrentItem(sales->child(0)); // TABLE
    ASSERT_EQ(w.lstObject->topLevelItemCount(), 2);
    EXPECT_EQ(w.FViewType, "TABLE");
    EXPECT_EQ(w.lstObject->topLevelItem(0)->text(0), "Customers");
    // The reload message lists the node again.
    w.lstObject->clear();
    MessageEvent reload(WM_RELOAD);
    QCoreApplication::sendEvent(&w, &reload);
    EXPECT_EQ(w.lstObject->topLevelItemCount(), 2);
    w.show();
    const QString out = qEnvironmentVariable("QORVEL_RENDER_DIR", qvtest::testHome());
    QDir().mkpath(out);
    EXPECT_TRUE(w.grab().save(out + "/connection_window.png"));
    // In the main window: its MDI frame, the connection list and the task button.
    main.resize(1100, 760);
    main.show();
    EXPECT_TRUE(main.grab().save(out + "/main_with_connection.png"));
}

TEST_F(ObjectWindow, FindTextFiltersAndIsRemembered)
{
    Server("16.0.4135.4", "Developer Edition");
    std::vector<ColumnDesc> cols;
    for (int i = 0; i < 8; ++i)
        cols.push_back(column(QStringLiteral("c%1").arg(i), "nvarchar(50)"));
    FixtureRule& rule = session->fixture().pattern("use \\[Sales\\]\nselect a\\.type, a\\.name, N'Sales'.*'%ord%'.*");
    rule.returns(cols, {{"V ", "v_orders", "Sales", "dbo", "V ", "2024-01-01", QVariant(), QVariant()},
                        {"V ", "ORDERS_V", "Sales", "dbo", "V ", "2024-01-01", QVariant(), QVariant()}});
    TfrmObject w(nullptr, "Sales", "sa", "pw", "srv", session);
    w.cmbFind->setEditText(" ord ");
    QTreeWidgetItem* sales = w.lstTree->currentItem();
    w.lstTree->setCurrentItem(sales->child(2)); // VIEW
    ASSERT_EQ(w.lstObject->topLevelItemCount(), 1); // the letter case of the find text counts
    EXPECT_EQ(w.lstObject->topLevelItem(0)->text(0), "v_orders");
    EXPECT_EQ(w.cmbFind->itemText(0), "ord");
    QStringList stored;
    LoadWhereHistory("%", "%", "%", "%", stored);
    EXPECT_EQ(stored.value(0), "ord");
}

TEST(ObjectWindowCaption, TaskCaptionIsCutAfterTwelve)
{
    EXPECT_EQ(TfrmObject::TaskCaption("sa", "srv"), "sa@srv");
    EXPECT_EQ(TfrmObject::TaskCaption("sa", "server1234"), QString("sa@server1") + QChar(0x2026));
    EXPECT_EQ(TfrmObject::TaskCaption("sa", "server123"), "sa@server123");
}

namespace {
// A child window of the connection that may refuse to close.
class OwnedForm : public TqvForm {
public:
    using TqvForm::TqvForm;
    bool allow = true;

protected:
    void FormCloseQuery(bool& canClose) override { canClose = allow; }
};
} // namespace

TEST_F(ObjectWindow, IsTheMainWindowsCurrentConnection)
{
    Server("16.0.4135.4", "Developer Edition");
    auto* w = new TfrmObject(nullptr, "Sales", "sa", "pw", "srv", session);
    main.AddChildWindow(w);
    EXPECT_EQ(main.CurrentForm(), static_cast<IConnectionWindow*>(w));
    EXPECT_EQ(main.ConnectionWindows().size(), 1);
    EXPECT_EQ(w->DBVer(), 16);
    EXPECT_EQ(w->DataBase(), "Sales");
    EXPECT_EQ(w->GetConnectInfo("", "", true), "sa @ srv.Sales");
    ASSERT_EQ(main.tolTask()->actions().size(), 1);
    EXPECT_EQ(main.tolTask()->actions().at(0)->text(), "sa@srv");

    // A window it owns that refuses to close keeps the connection open.
    auto* form = new OwnedForm(w);
    main.AddChildWindow(form);
    ASSERT_EQ(form->OwnerForm(), static_cast<IConnectionWindow*>(w));
    form->allow = false;
    EXPECT_FALSE(w->CloseQuery());
    form->allow = true;
    EXPECT_TRUE(w->CloseQuery());
}

TEST_F(ObjectWindow, SqlWindowCommandOpensOnTheCurrentConnection)
{
    Server("16.0.4135.4", "Developer Edition");
    InstallConnectionCommands(main);
    auto* w = new TfrmObject(nullptr, "Sales", "sa", "pw", "srv", session);
    main.AddChildWindow(w);
    main.MenuUpdate();
    ASSERT_TRUE(main.action("actViewSQL")->isEnabled());
    main.action("actViewSQL")->trigger();
    TfrmSQL* sql = nullptr;
    for (QWidget* c : main.MDIChildren())
        if (auto* s = qobject_cast<TfrmSQL*>(c))
            sql = s;
    ASSERT_TRUE(sql);
    EXPECT_EQ(sql->OwnerForm(), static_cast<IConnectionWindow*>(w));
    EXPECT_EQ(sql->windowTitle(), QString::fromUtf8("SQL 実行 - sa @ srv.Sales"));
    EXPECT_TRUE(sql->TaskButton());
    EXPECT_EQ(sql->cmbDatabase->currentText(), "Sales");
    // The database list is read again when the connections change; the choice stays.
    sql->cmbDatabase->setCurrentIndex(sql->cmbDatabase->findText("tempdb"));
    main.BroadcastMessage(WM_DBCHANGE);
    EXPECT_EQ(sql->cmbDatabase->currentText(), "tempdb");
    TfrmMain::setCommandHandler("actViewSQL", nullptr);
}

TEST_F(ObjectWindow, FirstPaintLogsOnFromTheCommandLine)
{
    InstallConnectionCommands(main);
    QList<LogonValues> seen;
    const auto saved = TfrmLogon::ConnectionFactory;
    TfrmLogon::ConnectionFactory = [&](const LogonValues& v) { seen << v; };
    main.setCommandLineArguments({"/U=sa/secret@127.0.0.1,1433"});
    main.FormPaint();
    TfrmLogon::ConnectionFactory = saved;
    TfrmMain::setCommandHandler("actViewSQL", nullptr);
    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(seen[0].userId, "sa");
    EXPECT_EQ(seen[0].password, "secret");
    EXPECT_EQ(seen[0].server, "127.0.0.1,1433");
}

namespace {
const QString GeometryKey = "\\Software\\Velmora\\QVS22\\GUI\\OBJECT";

void WriteGeometry(int state, int width, int height, int treeWidth)
{
    TqvRegistry reg;
    reg.DeleteKey(GeometryKey);
    ASSERT_TRUE(reg.OpenKey(GeometryKey, true));
    reg.WriteInteger("WindowState", state);
    reg.WriteInteger("Width", width);
    reg.WriteInteger("Height", height);
    reg.WriteInteger("TreeWidth", treeWidth);
}

int ReadGeometry(const QString& name)
{
    TqvRegistry reg;
    return reg.OpenKeyReadOnly(GeometryKey) ? reg.GetInteger(name, -1) : -1;
}

QMdiSubWindow* FrameOf(QWidget* w) { return qobject_cast<QMdiSubWindow*>(w->parentWidget()); }
} // namespace

TEST_F(ObjectWindow, StoredStateOnlyForTheFirstWindowSizeOnItsFrame)
{
    Server("16.0.4135.4", "Developer Edition");
    delete child.parentWidget(); // the connection windows are the main window's only children
    main.show();
    WriteGeometry(2, 640, 420, 5);
    auto* first = new TfrmObject(nullptr, "Sales", "sa", "pw", "srv", session);
    QMdiSubWindow* f1 = FrameOf(first);
    ASSERT_TRUE(f1);
    EXPECT_EQ(main.MDIChildren(), QList<QWidget*>{first});
    EXPECT_EQ(main.AddChildWindow(first), f1); // already in its frame
    EXPECT_TRUE(f1->isMaximized());
    EXPECT_GE(first->spl1->sizes().value(0), first->TreeMinimumWidth());
    EXPECT_GT(first->TreeMinimumWidth(), 5);

    // Maximised: the state is written, the size is not.
    first->SaveWindowSettings();
    EXPECT_EQ(ReadGeometry("WindowState"), 2);
    EXPECT_EQ(ReadGeometry("Width"), 640);

    // Restored, it takes the stored size.
    f1->showNormal();
    EXPECT_EQ(f1->size(), QSize(640, 420));
    // The second window is not the only child: the stored state is not applied, the size is.
    auto* second = new TfrmObject(nullptr, "Sales", "sa", "pw", "srv", session);
    QMdiSubWindow* f2 = FrameOf(second);
    ASSERT_TRUE(f2);
    EXPECT_FALSE(f2->isMaximized());
    EXPECT_EQ(f2->size(), QSize(640, 420));

    // Normal state: the frame's size and the tree width are written.
    f2->resize(700, 450);
    second->spl1->setSizes({260, 400});
    second->SaveWindowSettings();
    EXPECT_EQ(ReadGeometry("WindowState"), 0);
    EXPECT_EQ(ReadGeometry("Width"), 700);
    EXPECT_EQ(ReadGeometry("Height"), 450);
    EXPECT_EQ(ReadGeometry("TreeWidth"), 260);
}

TEST_F(ObjectWindow, StoredMinimisedStateOpensNormal)
{
    Server("16.0.4135.4", "Developer Edition");
    delete child.parentWidget();
    main.show();
    WriteGeometry(1, 600, 400, 250);
    auto* w = new TfrmObject(nullptr, "Sales", "sa", "pw", "srv", session);
    QMdiSubWindow* f = FrameOf(w);
    ASSERT_TRUE(f);
    EXPECT_FALSE(f->isMinimized());
    EXPECT_FALSE(f->isMaximized());
    EXPECT_EQ(f->size(), QSize(600, 400));
    EXPECT_EQ(w->spl1->sizes().value(0), 250);
    // Minimised at close: the state is written, the size is not.
    f->showMinimized();
    f->close();
    EXPECT_EQ(ReadGeometry("WindowState"), 1);
    EXPECT_EQ(ReadGeometry("Width"), 600);
}

TEST_F(ObjectWindow, ClosingTheSecondOfTwoLeavesTheFirstSelected)
{
    Server("16.0.4135.4", "Developer Edition");
    main.show();
    auto* first = new TfrmObject(nullptr, "Sales", "sa", "pw", "srv", session);
    auto* second = new TfrmObject(nullptr, "Sales", "sa", "pw", "srv", session);
    ASSERT_EQ(combo.count(), 2);
    EXPECT_EQ(combo.currentIndex(), 1);
    ASSERT_TRUE(second->TaskButton());
    EXPECT_TRUE(second->TaskButton()->isChecked());

    // Activating the first selects its own item (both show the same text) and presses its button.
    main.mdiArea()->setActiveSubWindow(FrameOf(first));
    EXPECT_EQ(combo.currentIndex(), 0);
    EXPECT_EQ(main.CurrentForm(), static_cast<IConnectionWindow*>(first));
    EXPECT_TRUE(first->TaskButton()->isChecked());
    EXPECT_FALSE(second->TaskButton()->isChecked());

    // The children hear of the change once the first is selected again.
    main.mdiArea()->setActiveSubWindow(FrameOf(second));
    ASSERT_EQ(main.CurrentForm(), static_cast<IConnectionWindow*>(second));
    child.changes = 0;
    child.onChange = [&] {
        EXPECT_EQ(combo.count(), 1);
        EXPECT_EQ(main.CurrentForm(), static_cast<IConnectionWindow*>(first));
    };
    FrameOf(second)->close();
    child.onChange = nullptr;
    EXPECT_EQ(child.changes, 1);
    EXPECT_EQ(combo.currentIndex(), 0);
    EXPECT_EQ(main.tolTask()->actions().size(), 1);
    EXPECT_EQ(main.ConnectionWindows(), QList<IConnectionWindow*>{first});

    // Closing the current one of several selects the last one left.
    auto* third = new TfrmObject(nullptr, "Sales", "sa", "pw", "srv", session);
    auto* fourth = new TfrmObject(nullptr, "Sales", "sa", "pw", "srv", session);
    main.mdiArea()->setActiveSubWindow(FrameOf(first));
    ASSERT_EQ(combo.currentIndex(), 0);
    FrameOf(first)->close();
    EXPECT_EQ(main.CurrentForm(), static_cast<IConnectionWindow*>(fourth));
    EXPECT_EQ(main.ConnectionWindows(), (QList<IConnectionWindow*>{third, fourth}));
}

TEST_F(ObjectWindow, FollowsTheOptionsAndTheViewMenu)
{
    Server("16.0.4135.4", "Developer Edition");
    const TqvOption saved = qvOption;
    EXPECT_TRUE(main.action("mnuDispReport")->isChecked());
    EXPECT_FALSE(main.action("mnuDispList")->isChecked());
    struct Case {
        bool find, rowSelect, showFragment, listStyle;
    };
    for (const Case c : {Case{true, true, true, false}, Case{false, false, false, true}}) {
        qvOption.Find = c.find;
        qvOption.RowSelect = c.rowSelect;
        qvOption.ShowFragment = c.showFragment;
        main.action("mnuDispList")->setChecked(c.listStyle);
        main.action("mnuDispReport")->setChecked(!c.listStyle);
        TfrmObject w(nullptr, "Sales", "sa", "pw", "srv", session);
        EXPECT_EQ(w.pnlFind->isVisibleTo(&w), c.find);
        EXPECT_EQ(w.lstObject->selectionBehavior() == QAbstractItemView::SelectRows, c.rowSelect);
        EXPECT_EQ(w.btnShowFragment->isChecked(), c.showFragment);
        EXPECT_EQ(w.lstObject->isHeaderHidden(), c.listStyle);
        EXPECT_EQ(w.windowIcon().cacheKey() != 0, true);
    }
    qvOption = saved;
}

TEST_F(ObjectWindow, FailingTreeLeavesNoTraceInTheMainWindow)
{
    session->fixture().exact(catalog::DatabaseListSql(false)).fails("permission denied");
    Server("16.0.4135.4", "Developer Edition");
    child.changes = 0;
    EXPECT_THROW(new TfrmObject(nullptr, "Sales", "sa", "pw", "srv", session), EDatabaseError);
    EXPECT_EQ(combo.count(), 0);
    EXPECT_TRUE(main.ConnectionWindows().isEmpty());
    EXPECT_EQ(main.MDIChildren(), QList<QWidget*>{&child});
    EXPECT_TRUE(main.tolTask()->actions().isEmpty());
    EXPECT_EQ(child.changes, 2); // joined and left
    EXPECT_FALSE(session->events().isEmpty());
}

TEST_F(ObjectWindow, TaskButtonFollowsTheCaption)
{
    Server("16.0.4135.4", "Developer Edition");
    TfrmObject w(nullptr, "Sales", "sa", "pw", "srv", session);
    ASSERT_TRUE(w.TaskButton());
    EXPECT_EQ(w.TaskButton()->text(), "sa@srv");
    EXPECT_EQ(w.TaskButton()->toolTip(), w.windowTitle());
    w.setWindowTitle("renamed");
    EXPECT_EQ(w.TaskButton()->text(), "renamed");
}

TEST_F(ObjectWindow, WindowsLogOnShowsTheLoginTheServerReports)
{
    Answer(catalog::facts::LoginName, "CORP\\kato");
    Server("16.0.4135.4", "Developer Edition");
    TfrmObject w(nullptr, "Sales", "", "", "srv", session);
    EXPECT_TRUE(w.WindowsAuthentication());
    EXPECT_EQ(w.windowTitle(), QString::fromUtf8("オブジェクトリスト - CORP\\kato @ srv.Sales"));
    EXPECT_EQ(combo.currentText(), "CORP\\kato @ srv.Sales");
    ASSERT_TRUE(w.TaskButton());
    EXPECT_EQ(w.TaskButton()->text(), QString("CORP\\kato@") + QChar(0x2026));
}

namespace {
// The TABLE listing of Sales: two tables in two schemas.
void ListTwoTables(std::shared_ptr<ScriptedSession>& session)
{
    std::vector<ColumnDesc> cols{column("xtype", "char(2)"), column("name", "sysname"),  column("db", "sysname"),
                                 column("owner", "sysname"), column("xtype2", "char(2)"), column("crdate", "nvarchar(30)"),
                                 column("fg", "sysname"),    column("comment", "nvarchar(100)"), column("t", "nvarchar(100)")};
    session->fixture().pattern("use \\[Sales\\]\nselect distinct.*").returns(
        cols, {{"U ", "Orders", "Sales", "sales", "U ", "2024-01-02 03:04:05", "PRIMARY", QVariant(), ""},
               {"U ", "Customers", "Sales", "dbo", "U ", "2024-01-01 10:00:00", "PRIMARY", QVariant(), ""}});
}

void DoubleClick(QAbstractItemView* view, QTreeWidgetItem* item)
{
    auto* list = static_cast<QTreeWidget*>(view);
    list->doItemsLayout();
    const QPoint pos(10, list->visualItemRect(item).center().y()); // on the name
    const QPoint global = list->viewport()->mapToGlobal(pos);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                              QEvent::MouseButtonRelease}) {
        const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent e(type, pos, global, Qt::LeftButton, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(list->viewport(), &e);
    }
}

// The table window notes each request it is opened for.
void NoteOpenedTables(QList<OpenRequest>& seen)
{
    WindowFactories()[static_cast<int>(DefinitionWindow::Table)] = [&seen](TfrmObject* owner, const OpenRequest& r) -> QWidget* {
        seen << r;
        return new TfrmPlaceholder(owner, r);
    };
}
} // namespace

TEST_F(ObjectWindow, DoubleClickOnAListedTableOpensItsWindow)
{
    QList<OpenRequest> seen;
    NoteOpenedTables(seen);
    Server("16.0.4135.4", "Developer Edition");
    ListTwoTables(session);
    main.resize(1000, 700);
    main.show();
    auto* w = new TfrmObject(nullptr, "Sales", "sa", "pw", "srv", session);
    w->lstTree->setCurrentItem(w->lstTree->currentItem()->child(0)); // TABLE
    ASSERT_EQ(w->lstObject->topLevelItemCount(), 2);
    QCoreApplication::processEvents();
    const int before = static_cast<int>(main.MDIChildren().size());
    QTreeWidgetItem* orders = w->lstObject->topLevelItem(1);
    ASSERT_EQ(orders->text(0), "Orders");
    DoubleClick(w->lstObject, orders);
    // The placeholder stands for the table window until that exists: it joins the main window.
    ASSERT_EQ(main.MDIChildren().size(), before + 1);
    QWidget* opened = main.MDIChildren().last();
    ASSERT_TRUE(qobject_cast<TfrmPlaceholder*>(opened));
    EXPECT_EQ(opened->windowTitle(), "TABLE - Sales.sales.Orders");
    EXPECT_FALSE(orders->isSelected()); // a handled row is deselected
    QCoreApplication::processEvents();
    const QString out = qEnvironmentVariable("QORVEL_RENDER_DIR", qvtest::testHome());
    QDir().mkpath(out);
    EXPECT_TRUE(main.grab().save(out + "/opened_from_list.png"));
    main.close();
}

TEST_F(ObjectWindow, EnterInTheListOpensEverySelectedRowOnTheOptionsPage)
{
    Server("16.0.4135.4", "Developer Edition");
    ListTwoTables(session);
    QList<OpenRequest> seen;
    NoteOpenedTables(seen);
    TfrmObject w(nullptr, "Sales", "sa", "pw", "srv", session);
    w.lstTree->setCurrentItem(w.lstTree->currentItem()->child(0)); // TABLE
    ASSERT_EQ(w.lstObject->topLevelItemCount(), 2);
    qvOption.OpenMode = omData;
    w.lstObject->topLevelItem(0)->setSelected(true);
    w.lstObject->topLevelItem(1)->setSelected(true);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(w.lstObject, &enter);
    qvOption.OpenMode = omDefine;
    ASSERT_EQ(seen.size(), 2);
    EXPECT_EQ(seen[0].name, "Customers");
    EXPECT_EQ(seen[0].schema, "dbo");
    EXPECT_EQ(seen[1].name, "Orders");
    EXPECT_EQ(seen[1].schema, "sales");
    EXPECT_EQ(seen[1].database, "Sales");
    EXPECT_EQ(seen[1].mode, omData);
    EXPECT_TRUE(w.lstObject->selectedItems().isEmpty());
    // Nothing selected: Enter opens nothing.
    QCoreApplication::sendEvent(w.lstObject, &enter);
    EXPECT_EQ(seen.size(), 2);
}
