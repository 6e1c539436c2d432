// Closing down the main window: once its destructor has begun, no slot of it runs any more
// (its children are destroyed after the destructor body, when it is no longer a TfrmMain).
#include <gtest/gtest.h>

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>

#include "app/main_window.h"
#include "app/qvform.h"

using namespace qv;

namespace {

int g_lateCalls = 0;
bool g_tearingDown = false;

// A child window that notes when the main window's activation handler asks it for its menu.
class ProbeForm : public TqvForm {
public:
    using TqvForm::TqvForm;
    QMenu* MergeMenu() const override
    {
        if (g_tearingDown)
            ++g_lateCalls;
        return m_menu;
    }
    QMenu* m_menu = new QMenu(QStringLiteral("probe"), this);
};

TEST(MainWindowTeardown, NoSlotRunsOnAHalfDestroyedMainWindow)
{
    g_lateCalls = 0;
    g_tearingDown = false;
    auto* w = new TfrmMain;
    w->show();
    QList<ProbeForm*> forms;
    for (int i = 0; i < 3; ++i) {
        auto* f = new ProbeForm(w);
        f->setWindowTitle(QStringLiteral("probe %1").arg(i));
        w->AddChildWindow(f);
        forms << f;
    }
    w->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(forms.at(1)->parentWidget()));
    ASSERT_EQ(w->mdiArea()->activeSubWindow(), forms.at(1)->parentWidget());
    g_tearingDown = true;
    delete w;
    g_tearingDown = false;
    EXPECT_EQ(g_lateCalls, 0);
}

} // namespace
