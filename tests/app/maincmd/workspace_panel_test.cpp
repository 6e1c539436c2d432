// The work-space panel: drops from a connection window's object list, open, rename, delete,
// persisted under WORKSPACE.
#include "app/main_window.h"
#include "app/options.h"
#include "app/workspace.h"
#include "app/workspace_panel.h"
#include "app/found/settings_helper.h"
#include "app/mainwin/fake_connection_helper.h"
#include "support/modal_helper.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QDockWidget>
#include <QMdiArea>
#include <QMenu>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace qv;
using qvtest::FakeConnectionWindow;

namespace {

// A connection window with an object list of three rows (table, view, index).
FakeConnectionWindow* OpenConnection(const QString& login = "sa")
{
    auto* c = new FakeConnectionWindow(login, "srv", "Sales");
    auto* list = new QTreeWidget(c);
    list->setObjectName("lstObject");
    list->setColumnCount(7);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    const struct {
        int type;
        QStringList texts;
    } rows[] = {{45, {"Orders", "Sales", "dbo"}},
                {47, {"vOrders", "Sales", "dbo"}},
                {46, {"IX_Orders", "Sales", "dbo", "", "Orders", "", "OrdersOld"}}};
    for (const auto& r : rows) {
        auto* item = new QTreeWidgetItem(list, r.texts);
        item->setData(0, Qt::UserRole, r.type);
        item->setSelected(true);
    }
    c->open();
    return c;
}

QStringList Titles(TfrmMain& w)
{
    QStringList out;
    for (int i = 0; i < w.lstWorkSpace()->topLevelItemCount(); ++i)
        out << w.lstWorkSpace()->topLevelItem(i)->text(0);
    return out;
}

QTreeWidgetItem* ItemTitled(TfrmMain& w, const QString& title)
{
    for (int i = 0; i < w.lstWorkSpace()->topLevelItemCount(); ++i)
        if (w.lstWorkSpace()->topLevelItem(i)->text(0) == title)
            return w.lstWorkSpace()->topLevelItem(i);
    return nullptr;
}

void Select(TfrmMain& w, const QString& title)
{
    w.lstWorkSpace()->clearSelection();
    QTreeWidgetItem* item = ItemTitled(w, title);
    ASSERT_TRUE(item) << title.toStdString();
    item->setSelected(true);
    w.lstWorkSpace()->setCurrentItem(item);
}

struct WorkSpacePanel : qvtest::SettingsTest {};

} // namespace

TEST(WorkSpaceRules, IndexParentByTreeOrderAndLevel)
{
    const WorkSpaceDropItem ix{46, "IX", {"db", "dbo", "", "T4", "", "T6"}};
    struct Case {
        int sort, level;
        const char* parent;
    } cases[] = {{0, 2, "T4"}, {0, 1, "T6"}, {0, 3, "T6"}, {1, 1, "T4"}, {1, 2, "T4"}, {1, 3, "T6"}};
    for (const Case& c : cases)
        EXPECT_EQ(WorkSpaceParentOf(ix, c.sort, c.level), c.parent) << c.sort << " " << c.level;
    EXPECT_EQ(WorkSpaceParentOf({45, "T", {"db", "dbo", "", "x", "", "y"}}, 0, 2), "");
    // Another login gives separate entries.
    QList<TqvWorkSpace> list;
    EXPECT_EQ(AddWorkSpaceEntries(list, "sa @ srv.db", {ix}, 0, 2), 1);
    EXPECT_EQ(AddWorkSpaceEntries(list, "sa @ srv.db", {ix}, 0, 2), 0);
    EXPECT_EQ(AddWorkSpaceEntries(list, "u2 @ srv.db", {ix}, 0, 2), 1);
    EXPECT_EQ(list[0].Title, "IX (db.dbo.T4)");
}

TEST_F(WorkSpacePanel, DroppingTheSameThreeObjectsTwiceKeepsThree)
{
    TfrmMain w;
    FakeConnectionWindow* c = OpenConnection();
    c->treeLevel = 2;
    QWidget* source = c->findChild<QTreeWidget*>("lstObject");
    EXPECT_FALSE(w.WorkSpaceDropFrom(w.lstWorkSpace())); // only an object list is a source
    EXPECT_TRUE(w.WorkSpaceDropFrom(source));
    EXPECT_TRUE(w.AddToWorkSpace(c)); // the command adds the same way
    qvtest::RestartStore();
    LoadWorkSpace();
    ASSERT_EQ(WorkSpaceList.size(), 3);
    EXPECT_EQ(WorkSpaceList[2].Title, "IX_Orders (Sales.dbo.Orders)");
    EXPECT_EQ(WorkSpaceList[2].ParentObject, "Orders");
    EXPECT_EQ(WorkSpaceList[0].Connect, "sa @ srv.Sales");
    EXPECT_EQ(Titles(w).size(), 3);
    // Stored under WORKSPACE as three numbered keys.
    TqvRegistry& reg = open("WORKSPACE");
    EXPECT_EQ(reg.GetKeyNames().size(), 3);
    reg.CloseKey();
}

TEST_F(WorkSpacePanel, RenameAndDeletePersistAcrossARestart)
{
    {
        TfrmMain w;
        FakeConnectionWindow* c = OpenConnection();
        w.WorkSpaceDropFrom(c->findChild<QTreeWidget*>("lstObject"));
        ItemTitled(w, "Orders (Sales.dbo)")->setText(0, QStringLiteral("受注"));   // the edited caption
        Select(w, "vOrders (Sales.dbo)");
        w.WorkSpaceDelete();
        EXPECT_EQ(Titles(w).size(), 2);
    }
    qvtest::RestartStore();
    WorkSpaceList.clear();
    TfrmMain w;
    OpenConnection();
    QStringList titles = Titles(w);
    titles.sort();
    EXPECT_EQ(titles, (QStringList{"IX_Orders (Sales.dbo.OrdersOld)", QStringLiteral("受注")}));
}

TEST_F(WorkSpacePanel, OpensThroughTheEntrysConnectionOnThePage)
{
    TfrmMain w;
    FakeConnectionWindow* c = OpenConnection();
    w.WorkSpaceDropFrom(c->findChild<QTreeWidget*>("lstObject"));
    Select(w, "Orders (Sales.dbo)");
    qvOption.OpenMode = omData;
    w.lstWorkSpace()->itemDoubleClicked(ItemTitled(w, "Orders (Sales.dbo)"), 0);
    EXPECT_TRUE(c->calls.contains("OpenObject 45 Sales.dbo.Orders"));
    EXPECT_EQ(c->lastMode, omData);
    qvOption.OpenMode = omDefine;
    auto* pop = w.findChild<QMenu*>("popWorkSpace");
    ASSERT_TRUE(pop);
    pop->findChild<QAction*>("mnuWorkSpaceOpenSource")->trigger();
    EXPECT_EQ(c->lastMode, omSource);
    // The record limit is asked; its box makes it the default.
    qvtest::whenModal([](QWidget* d) {
        auto* edit = d->findChild<QLineEdit*>();
        edit->setText("50");
        for (QCheckBox* b : d->findChildren<QCheckBox*>())
            b->setChecked(true);
        static_cast<QDialog*>(d)->accept();
    });
    pop->findChild<QAction*>("mnuWorkSpaceOpenDataTopRecord")->trigger();
    EXPECT_EQ(c->lastMode, omData);
    EXPECT_EQ(c->lastTopRecord, 50);
    EXPECT_EQ(qvOption.DefTopRecord, 50);
    // Enable states of the popup by the selected kind.
    w.lstWorkSpace()->customContextMenuRequested(QPoint(1, 1));
    pop->hide();
    EXPECT_TRUE(pop->findChild<QAction*>("mnuWorkSpaceOpenData")->isEnabled());
    EXPECT_FALSE(pop->findChild<QAction*>("mnuWorkSpaceExec")->isEnabled());
    // A procedure's entry runs through its connection's stored-program runner.
    c->calls.clear();
    auto* list = c->findChild<QTreeWidget*>("lstObject");
    list->clearSelection();
    auto* proc = new QTreeWidgetItem(list, {"P", "Sales", "dbo"});
    proc->setData(0, Qt::UserRole, 51);
    proc->setSelected(true);
    w.WorkSpaceDropFrom(list);
    Select(w, "P (Sales.dbo)");
    w.lstWorkSpace()->customContextMenuRequested(QPoint(1, 1));
    pop->hide();
    pop->findChild<QAction*>("mnuWorkSpaceExec")->trigger();
    EXPECT_EQ(c->calls, QStringList({"RunStoredProgram 51 Sales.dbo.P"}));
    // An entry whose connection is closed is skipped.
    c->calls.clear();
    delete c;
    WorkSpaceList = {{45, "X", "dbo", "X", "", "Sales", "sa @ srv.Sales"}};
    w.WorkSpaceOpen(false, omDefine, false);
    SUCCEED();
}

TEST_F(WorkSpacePanel, DockPositionAndRender)
{
    TfrmMain w;
    w.resize(1000, 700);
    w.show();
    FakeConnectionWindow* c = OpenConnection();
    w.WorkSpaceDropFrom(c->findChild<QTreeWidget*>("lstObject"));
    w.WorkSpaceSetIconView(false);
    QApplication::processEvents();
    qvtest::saveGrab(&w, "main_window_workspace");
    Select(w, "Orders (Sales.dbo)");
    auto* pop = w.findChild<QMenu*>("popWorkSpace");
    w.lstWorkSpace()->customContextMenuRequested(QPoint(20, 10));
    QApplication::processEvents();
    EXPECT_TRUE(pop->isVisible());
    EXPECT_TRUE(pop->findChild<QAction*>("mnuWorkSpaceList")->isChecked());
    qvtest::saveGrab(pop, "workspace_popup");
    pop->hide();
    w.WorkSpaceSetAlign(3);
    EXPECT_EQ(w.workSpaceAlign(), 3);
    EXPECT_FALSE(w.workSpaceDock()->isHidden());
    QApplication::processEvents();
    EXPECT_LT(w.workSpaceDock()->geometry().right(), w.mdiArea()->geometry().left() + 1);
    w.setWorkSpaceVisible(false);
    w.WorkSpaceSetAlign(1); // hidden: nothing happens
    EXPECT_EQ(w.workSpaceAlign(), 3);
    w.setWorkSpaceVisible(true);
    w.WorkSpaceSetAlign(2);
    w.WorkSpaceSetIconView(true);
    QApplication::processEvents();
    EXPECT_TRUE(w.workSpaceDock()->isVisible());
    EXPECT_GT(w.workSpaceDock()->geometry().top(), w.mdiArea()->geometry().bottom() - 1);
    qvtest::saveGrab(&w, "main_window_workspace_icons");
}
