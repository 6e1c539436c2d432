#include <gtest/gtest.h>

#include <QDockWidget>
#include <QToolBar>

#include "app/main_window.h"
#include "support/modal_helper.h"
#include "app/settings.h"
#include "platform/registry.h"

using namespace qv;

namespace {
const QString kKey = SettingsRootKey + QStringLiteral("\\GUI\\MAIN");
}

TEST(MainPlacement, StoredValuesAfterCloseAndMinimisedRestoresNormal)
{
    Registry().DeleteKey(kKey);
    {
        TfrmMain w;
        w.setCommandLineArguments({});
        w.show();
        w.FormPaint(); // no key yet: the layout stays
        w.move(40, 30);
        w.resize(900, 650);
        w.setTaskBarVisible(false);
        w.close();
    }
    TqvRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kKey, false));
    EXPECT_EQ(reg.GetInteger("WindowState", -1), 0);
    EXPECT_EQ(reg.GetInteger("Width", 0), 900);
    EXPECT_EQ(reg.GetInteger("Height", 0), 650);
    EXPECT_FALSE(reg.GetBool("TaskBar", true));
    EXPECT_TRUE(reg.GetBool("StatusBar", false));
    EXPECT_TRUE(reg.GetBool("WorkSpace", false));
    EXPECT_EQ(reg.GetInteger("WorkSpaceAlign", 0), 2);
    for (const char* bar : {"pnlDB", "pnlEdit", "pnlTool", "pnlTool2", "pnlAdmin", "pnlNewObj"}) {
        EXPECT_EQ(reg.ReadBinaryData(QString::fromLatin1(bar) + "Rect").size(), 16) << bar;
        EXPECT_TRUE(reg.GetBool(QString::fromLatin1(bar) + "Visible", false)) << bar;
        EXPECT_FALSE(reg.GetBool(QString::fromLatin1(bar) + "Float", true)) << bar;
    }
    // Stored as minimised: comes back normal at the stored bounds.
    reg.WriteInteger("WindowState", 1);
    reg.WriteInteger("WorkSpaceSize", 100000); // cut to half the client height
    reg.WriteBool("pnlEditVisible", false);
    reg.CloseKey();
    TfrmMain w;
    w.setCommandLineArguments({});
    w.show();
    w.FormPaint();
    EXPECT_FALSE(w.isMinimized());
    EXPECT_EQ(w.size(), QSize(900, 650));
    EXPECT_FALSE(w.tolTask()->isVisible());
    EXPECT_FALSE(w.toolBar("pnlEdit")->isVisible());
    EXPECT_TRUE(w.toolBar("pnlDB")->isVisible());
    EXPECT_LE(w.workSpaceSize(), w.rect().height() / 2);
    w.setWorkSpaceSize(0);
    EXPECT_GE(w.workSpaceSize(), 1);
}

TEST(MainPlacement, DockSideAndSizeOfTheWorkSpace)
{
    Registry().DeleteKey(kKey);
    LoadSettings(); // stores the current settings version: the layout below is kept
    TqvRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kKey, true));
    reg.WriteInteger("WorkSpaceAlign", 3);
    reg.WriteInteger("WorkSpaceSize", 150);
    reg.CloseKey();
    TfrmMain w;
    w.setCommandLineArguments({});
    w.resize(1000, 700);
    w.show();
    w.FormPaint();
    EXPECT_EQ(w.workSpaceAlign(), 3);
    EXPECT_EQ(w.dockWidgetArea(w.workSpaceDock()), Qt::LeftDockWidgetArea);
    qvtest::saveGrab(&w, "main_window_workspace_left");
    Registry().DeleteKey(kKey);
}
