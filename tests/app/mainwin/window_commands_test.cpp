// The window menu's arrangement commands over the MDI children.
#include "app/main_window.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <gtest/gtest.h>

using namespace qv;

namespace {
struct WindowCommands : ::testing::Test {
    TfrmMain main;
    QList<QMdiSubWindow*> subs;
    void SetUp() override
    {
        main.resize(1000, 800);
        main.show();
        for (int i = 0; i < 3; ++i) {
            auto* w = new QWidget;
            w->resize(300, 200);
            subs << main.AddChildWindow(w);
        }
    }
    void Run(const char* name)
    {
        QAction* a = main.action(name);
        a->setEnabled(true);
        a->trigger();
    }
};
} // namespace

TEST_F(WindowCommands, ArrangeLinesUpOnlyTheMinimisedWindows)
{
    subs[0]->showMinimized();
    subs[2]->showMinimized();
    subs[0]->move(400, 100);
    subs[1]->move(50, 60);
    Run("actWindowArrange");
    const QRect area = main.mdiArea()->viewport()->rect();
    EXPECT_EQ(subs[0]->geometry().bottomLeft(), QPoint(0, area.bottom()));
    EXPECT_EQ(subs[2]->geometry().left(), subs[0]->geometry().right() + 1);
    EXPECT_EQ(subs[2]->geometry().top(), subs[0]->geometry().top());
    EXPECT_EQ(subs[1]->pos(), QPoint(50, 60)); // not minimised: left alone
    EXPECT_FALSE(subs[1]->isMinimized());
}

TEST_F(WindowCommands, TileAndMinimiseAll)
{
    const QRect area = main.mdiArea()->viewport()->rect();
    Run("actWindowTileH");
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(subs[i]->width(), area.width());
        EXPECT_EQ(subs[i]->y(), i * (area.height() / 3));
    }
    Run("actWindowTileV");
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(subs[i]->height(), area.height());
        EXPECT_EQ(subs[i]->x(), i * (area.width() / 3));
    }
    Run("actWindowMinimizeAll");
    for (QMdiSubWindow* s : subs)
        EXPECT_TRUE(s->isMinimized());
}
