#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QTreeWidget>

#include "app/main_window.h"
#include "app/qvform.h"
#include <QComboBox>
#include <QToolBar>
#include "app/workspace.h"
#include "fake_connection_helper.h"
#include "support/modal_helper.h"

using namespace qv;
using qvtest::FakeConnectionWindow;

TEST(RecentObjects, MoveToFrontGrowToElevenAndSeparateConnections)
{
    QList<QList<TqvRecentObject>> r;
    const QString c1 = "sa @ s1.db", c2 = "sa @ s2.db";
    RecordRecentObject(r, c1, 45, "db", "dbo", "T1", "");
    RecordRecentObject(r, c1, 45, "db", "dbo", "T2", "");
    RecordRecentObject(r, c1, 45, "db", "dbo", "T1", ""); // again: one entry, at the front
    ASSERT_EQ(r.size(), 1);
    ASSERT_EQ(r[0].size(), 2);
    EXPECT_EQ(r[0][0].Title, "T1 (db.dbo)");
    EXPECT_EQ(r[0][1].ObjectName, "T2");
    RecordRecentObject(r, c2, 45, "db", "dbo", "T1", ""); // another connection: its own list
    ASSERT_EQ(r.size(), 2);
    EXPECT_EQ(r[1][0].Connect, c2);
    for (int i = 3; i <= 12; ++i)
        RecordRecentObject(r, c1, 47, "db", "dbo", QStringLiteral("V%1").arg(i), "");
    ASSERT_EQ(r[0].size(), 11); // the oldest dropped out
    EXPECT_EQ(r[0][0].ObjectName, "V12");
    EXPECT_EQ(r[0][9].ObjectName, "V3");
    EXPECT_EQ(r[0][10].ObjectName, "T1"); // T2, the oldest, dropped out
    // Index titles name the table unless it is blank.
    RecordRecentObject(r, c1, 46, "db", "dbo", "IX1", "Orders");
    EXPECT_EQ(r[0][0].Title, "IX1 (db.dbo.Orders)");
    RecordRecentObject(r, c1, 46, "db", "dbo", "IX2", "  ");
    EXPECT_EQ(r[0][0].Title, "IX2 (db.dbo)");
    // Letter case counts when looking for the same object.
    RecordRecentObject(r, c1, 46, "db", "dbo", "ix2", "  ");
    EXPECT_EQ(r[0][1].ObjectName, "IX2");
}

TEST(RecentObjects, FileMenuShowsTheTenNewestOfTheCurrentConnection)
{
    RecentObjectList.clear();
    TfrmMain w;
    auto* c = new FakeConnectionWindow("sa", "srv", "db");
    c->open();
    for (int i = 1; i <= 11; ++i)
        w.RecentObjectCheck(45, "db", "dbo", QStringLiteral("T%1").arg(i), "");
    w.SetRecentObjectMenu();
    QMenu* recent = w.menu("mnuRecentObject");
    EXPECT_TRUE(recent->menuAction()->isEnabled());
    const auto items = recent->actions();
    ASSERT_EQ(items.size(), 10);
    EXPECT_EQ(items[0]->text(), "T11 (db.dbo)");
    EXPECT_EQ(items[9]->text(), "T2 (db.dbo)");
    for (QAction* a : items)
        EXPECT_TRUE(a->isVisible());
    // Opening an item opens the object through its connection and moves it to the front.
    w.mnuRecentObjectClick(items[9]);
    EXPECT_TRUE(c->calls.contains("OpenObject 45 db.dbo.T2"));
    EXPECT_EQ(RecentObjectList[0][0].ObjectName, "T2");
    RecentObjectList.clear();
}

TEST(WorkSpace, ListsEntriesOfOpenConnectionsOnly)
{
    WorkSpaceList = {
        {45, "T1 (db)", "dbo", "T1", "", "db", "sa @ srv.db"},
        {47, "V1 (db)", "dbo", "V1", "", "db", "SA @ SRV.DB"}, // compared without letter case
        {45, "X (other)", "dbo", "X", "", "other", "sa @ elsewhere.other"},
    };
    SaveWorkSpace();
    TfrmMain w;
    auto* c = new FakeConnectionWindow("sa", "srv", "db");
    c->open();
    QTreeWidget* l = w.lstWorkSpace();
    ASSERT_EQ(l->topLevelItemCount(), 2);
    EXPECT_EQ(l->topLevelItem(0)->text(0), "T1 (db)");
    EXPECT_EQ(l->topLevelItem(1)->text(1), "V1");
    EXPECT_EQ(l->topLevelItem(1)->text(2), "db");
    EXPECT_EQ(l->topLevelItem(1)->text(3), "dbo");
    w.ShowWorkSpace(c); // the connection is closing: its entries go
    EXPECT_EQ(l->topLevelItemCount(), 0);
    WorkSpaceList.clear();
    SaveWorkSpace();
}

TEST(MainWindow, RendersWithAConnectionAndChildWindows)
{
    TfrmMain w;
    w.resize(1100, 760);
    w.show();
    auto* c = new FakeConnectionWindow("sa", "srv", "SalesDemo");
    c->open();
    w.stsMain()->setPanelText(0, "srv . SalesDemo に接続中");
    w.SetDefMessage();
    for (const char* name : {"dbo.Orders", "dbo.Customers"}) {
        auto* f = new TqvForm(c);
        f->setWindowTitle(QString::fromLatin1(name) + " @ srv.SalesDemo");
        f->resize(420, 260);
        w.AddChildWindow(f);
        f->CreateTaskButton();
        f->SetObjType(45);
        f->SetTaskCaption(QString::fromLatin1(name));
    }
    QApplication::processEvents();
    EXPECT_EQ(w.tolTask()->actions().size(), 2);
    EXPECT_EQ(w.cmbDBName()->currentText(), "sa @ srv.SalesDemo");
    EXPECT_TRUE(w.action("actViewSQL")->isEnabled());
    qvtest::saveGrab(&w, "main_window_connected");
}
