// The refresh command: the active window reads its contents again, except for F5 in an SQL
// editor, where the editor's window runs its own command.
#include "app/edit_target.h"
#include "app/main_window.h"
#include "platform/messages.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QShortcutEvent>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace qv;

namespace {
class Editor : public QWidget, public EditTarget {
public:
    bool handleEditCommand(EditCommand) override { return false; }
    bool isTextEditor() const override { return true; }
};

// A child window with an SQL editor and a plain box; it may take F5 itself.
class Form : public QWidget {
public:
    explicit Form(bool ownF5) : m_ownF5(ownF5)
    {
        auto* l = new QVBoxLayout(this);
        l->addWidget(editor = new Editor);
        l->addWidget(box = new QWidget);
        editor->setFocusPolicy(Qt::StrongFocus);
        box->setFocusPolicy(Qt::StrongFocus);
        compile = new QAction(QString::fromUtf8("コンパイル(&C)"), this);
        connect(compile, &QAction::triggered, this, [this] { ++compiles; });
    }
    Editor* editor;
    QWidget* box;
    QAction* compile;
    int reloads = 0, f5 = 0, compiles = 0;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() == messageEventType(WM_RELOAD)) {
            ++reloads;
            return true;
        }
        return QWidget::event(e);
    }
    void keyPressEvent(QKeyEvent* e) override
    {
        if (m_ownF5 && e->key() == Qt::Key_F5) {
            ++f5;
            return;
        }
        QWidget::keyPressEvent(e);
    }

private:
    bool m_ownF5;
};

// Presses the refresh command's key (as the shortcut map delivers it) or picks it from the menu.
void Refresh(TfrmMain& main, bool byKey)
{
    QAction* reload = main.action("mnuReload");
    reload->setEnabled(true); // usable once a connection is open
    if (byKey) {
        QShortcutEvent ev(reload->shortcut(), 0);
        QCoreApplication::sendEvent(reload, &ev);
    } else {
        reload->trigger();
    }
}
} // namespace

TEST(Refresh, F5InAnSqlEditorRunsTheWindowsOwnCommand)
{
    struct Case {
        bool ownF5, inEditor, byKey;
        int reloads, f5, compiles;
    };
    const Case cases[] = {
        {true, true, true, 0, 1, 0},   // the SQL window runs its text
        {false, true, true, 0, 0, 1},  // a definition window compiles (access key C)
        {true, true, false, 1, 0, 0},  // from the menu: reload
        {true, false, true, 1, 0, 0},  // F5 outside an editor: reload
        {false, false, true, 1, 0, 0},
    };
    for (const Case& c : cases) {
        TfrmMain main;
        auto* form = new Form(c.ownF5);
        main.AddChildWindow(form);
        main.show();
        QApplication::setActiveWindow(&main);
        (c.inEditor ? static_cast<QWidget*>(form->editor) : form->box)->setFocus();
        ASSERT_EQ(QApplication::focusWidget(), c.inEditor ? static_cast<QWidget*>(form->editor) : form->box);
        Refresh(main, c.byKey);
        EXPECT_EQ(form->reloads, c.reloads) << c.ownF5 << c.inEditor << c.byKey;
        EXPECT_EQ(form->f5, c.f5) << c.ownF5 << c.inEditor << c.byKey;
        EXPECT_EQ(form->compiles, c.compiles) << c.ownF5 << c.inEditor << c.byKey;
    }
}
