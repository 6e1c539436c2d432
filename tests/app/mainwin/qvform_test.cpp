#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QToolBar>

#include "app/main_window.h"
#include "app/message_box.h"
#include "app/options.h"
#include "app/qvform.h"
#include "fake_connection_helper.h"
#include "support/modal_helper.h"
#include "platform/messages.h"

using namespace qv;
using qvtest::FakeConnectionWindow;

namespace {

struct CountingQuery : QObject, SessionClient {
    int binds = 0;
    IConnectionWindow* owner = nullptr;
    void attachSession(IConnectionWindow* o) override
    {
        ++binds;
        owner = o;
    }
};

class TestForm : public TqvForm {
public:
    explicit TestForm(QObject* owner, bool withQuery = true) : TqvForm(owner)
    {
        if (withQuery) {
            // A frame holding a query, built after the base constructor like a form's controls.
            auto* frame = new QWidget(this);
            query = new CountingQuery;
            query->setParent(frame);
            BindQueries();
        }
    }
    CountingQuery* query = nullptr;
    int changedIsNew = 0, reloads = 0, dbChanges = 0, compiles = 0, saves = 0;
    bool compileClears = true;
    void ChangedIsNew() override { ++changedIsNew; }
    void Reload() override { ++reloads; }
    void DBChange() override { ++dbChanges; }
    void Compile() override
    {
        ++compiles;
        if (compileClears)
            SetModified(false);
    }
    void SaveWindowSettings() override { ++saves; }
};

// Answers the next message box with the button of the given id.
void answer(int id)
{
    qvtest::whenModal([id](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        for (QAbstractButton* b : box->buttons())
            if (messageBoxResult(box->standardButton(b)) == id) {
                b->click();
                return;
            }
        FAIL() << "no button " << id;
    });
}

} // namespace

TEST(QvForm, OwnerConnectionComesFromTheOwner)
{
    TfrmMain w;
    TestForm none(&w); // no connection selected
    EXPECT_EQ(none.OwnerForm(), nullptr);
    EXPECT_EQ(none.query->binds, 0);
    auto* c = new FakeConnectionWindow;
    c->open();
    TestForm viaMain(&w);
    EXPECT_EQ(viaMain.OwnerForm(), c);
    TestForm viaConn(c);
    EXPECT_EQ(viaConn.OwnerForm(), c);
    TestForm viaForm(&viaConn);
    EXPECT_EQ(viaForm.OwnerForm(), c);
    EXPECT_EQ(viaForm.query->binds, 1);
    EXPECT_EQ(viaForm.query->owner, c);
    viaForm.SetOwnerForm(c); // same connection: no new binding
    EXPECT_EQ(viaForm.query->binds, 1);
    QObject plain;
    TestForm viaOther(&plain);
    EXPECT_EQ(viaOther.OwnerForm(), nullptr);
}

TEST(QvForm, TaskButtonCaptionIconAndFlags)
{
    TfrmMain w;
    auto* f = new TestForm(&w, false);
    f->setWindowTitle("dbo.T1");
    w.AddChildWindow(f);
    EXPECT_EQ(f->TaskCaption(), QString());
    f->SetTaskCaption("ignored"); // no button yet
    f->CreateTaskButton();
    QAction* b = f->TaskButton();
    ASSERT_NE(b, nullptr);
    EXPECT_TRUE(w.tolTask()->actions().contains(b));
    EXPECT_TRUE(b->isChecked());
    EXPECT_EQ(b->toolTip(), "dbo.T1");
    f->setWindowTitle("dbo.T2");
    EXPECT_EQ(b->toolTip(), "dbo.T2");
    f->SetTaskCaption("123456789012");
    EXPECT_EQ(f->TaskCaption(), "123456789012");
    f->SetTaskCaption("1234567890123");
    EXPECT_EQ(f->TaskCaption(), "123456789012…");
    f->CreateTaskButton();
    EXPECT_EQ(f->TaskButton(), b); // created once
    f->SetObjType(45);
    EXPECT_FALSE(f->windowIcon().isNull());
    f->SetIsNew(false);
    f->SetIsNew(false);
    EXPECT_EQ(f->changedIsNew, 2); // also when unchanged
    MessageEvent reload(WM_RELOAD);
    QCoreApplication::sendEvent(f, &reload);
    w.BroadcastMessage(WM_DBCHANGE);
    EXPECT_EQ(f->reloads, 1);
    EXPECT_EQ(f->dbChanges, 1);
    delete f->parentWidget();
    EXPECT_TRUE(w.tolTask()->actions().isEmpty()); // the button goes with the window
}

TEST(QvForm, ModifiedWindowAsksBeforeClosing)
{
    TfrmMain w;
    auto* f = new TestForm(&w, false);
    QMdiSubWindow* sub = w.AddChildWindow(f);
    QPointer<QMdiSubWindow> alive = sub;
    f->SetModified(true);
    f->compileClears = false;
    answer(IDYES); // compile fails: stays open
    EXPECT_FALSE(sub->close());
    EXPECT_EQ(f->compiles, 1);
    answer(IDCANCEL);
    EXPECT_FALSE(sub->close());
    EXPECT_EQ(f->saves, 0);
    f->compileClears = true;
    answer(IDYES); // compile succeeds: closes, settings saved
    EXPECT_TRUE(sub->close());
    EXPECT_EQ(f->saves, 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(alive.isNull());
}

TEST(QvForm, MainWindowCloseAsksModifiedChildren)
{
    auto* w = new TfrmMain;
    w->setAttribute(Qt::WA_DeleteOnClose, false);
    auto* f = new TestForm(w, false);
    w->AddChildWindow(f);
    f->SetModified(true);
    answer(IDCANCEL);
    EXPECT_FALSE(w->close());
    EXPECT_EQ(w->MDIChildren().size(), 1);
    answer(IDNO);
    EXPECT_TRUE(w->close());
    delete w;
}

TEST(QvForm, NamePrefixesFollowTheScriptOptions)
{
    TfrmMain w;
    auto* c = new FakeConnectionWindow("sa", "srv", "Sales");
    c->open();
    TestForm f(c, false);
    EXPECT_EQ(f.GetSchemaPrefix("dbo"), "[dbo].");
    EXPECT_EQ(f.GetSchemaPrefix("  "), "");
    EXPECT_EQ(f.GetServerPrefix(" "), "");
    EXPECT_EQ(f.GetDatabasePrefix("Sales"), "[Sales].");
    f.SourceMode = smText;
    ScriptOption.Owner = qmDiffLogin;
    EXPECT_EQ(f.GetSchemaPrefix("dbo"), ""); // the connection's schema
    EXPECT_EQ(f.GetSchemaPrefix("hr"), "[hr].");
    ScriptOption.Owner = qmDiffOwner;
    EXPECT_EQ(f.GetSchemaPrefix("hr"), "");
    EXPECT_EQ(f.GetSchemaPrefixEx("hr", "dbo"), "[hr].");
    ScriptOption.Database = qmDiffLogin;
    EXPECT_EQ(f.GetDatabasePrefix("Sales"), "");
    EXPECT_EQ(f.GetDatabasePrefix("Other"), "[Other].");
    c->azure = true;
    EXPECT_EQ(f.GetDatabasePrefix("Other"), ""); // never on Azure in script mode
    ScriptOption = TScriptOption();
}

TEST(QvForm, CtrlPageKeysStepThroughTabsWithoutWrapping)
{
    TfrmMain w;
    auto* f = new TestForm(&w, false);
    auto* tabs = new QTabWidget(f);
    tabs->addTab(new QWidget, "a");
    tabs->addTab(new QWidget, "b");
    w.AddChildWindow(f);
    w.show();
    tabs->setFocus();
    QApplication::processEvents();
    auto press = [&](Qt::Key k) {
        QKeyEvent ev(QEvent::ShortcutOverride, k, Qt::ControlModifier);
        QKeyEvent kp(QEvent::KeyPress, k, Qt::ControlModifier);
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : tabs;
        QCoreApplication::sendEvent(target, &ev);
        if (!ev.isAccepted())
            QCoreApplication::sendEvent(target, &kp);
    };
    ASSERT_EQ(f->PageControl(), tabs);
    press(Qt::Key_PageDown);
    EXPECT_EQ(tabs->currentIndex(), 1);
    press(Qt::Key_PageDown);
    EXPECT_EQ(tabs->currentIndex(), 1);
    press(Qt::Key_PageUp);
    EXPECT_EQ(tabs->currentIndex(), 0);
}

TEST(QvForm, ActivationSelectsTheOwnerConnectionItself)
{
    TfrmMain w;
    // Two connections with the same text, and an Azure one whose typed login differs from the
    // reported one.
    auto* first = new FakeConnectionWindow("sa", "srv", "Sales");
    first->open();
    auto* second = new FakeConnectionWindow("sa", "srv", "Sales");
    second->open();
    auto* azure = new FakeConnectionWindow("admin", "x.database.windows.net", "db1", 12, true);
    azure->userId = "ADMIN";
    azure->open();
    QComboBox* cmb = w.cmbDBName();
    ASSERT_EQ(cmb->count(), 3);
    struct Case {
        FakeConnectionWindow* owner;
        int item;
    };
    for (const Case c : {Case{first, 0}, Case{second, 1}, Case{azure, 2}, Case{first, 0}}) {
        TestForm form(c.owner);
        form.Activated();
        EXPECT_EQ(cmb->currentIndex(), c.item);
        EXPECT_EQ(w.CurrentForm(), static_cast<IConnectionWindow*>(c.owner));
    }
}

TEST(QvForm, RollbackReadsTheShownDataPageAgain)
{
    TfrmMain w;
    qvOption.AutoTran = true;
    auto* c = new FakeConnectionWindow;
    c->open();
    // A window with a data page on page 2 of its page control, and one without.
    class DataForm : public TestForm {
    public:
        DataForm(QObject* owner, bool hasData) : TestForm(owner, false), m_hasData(hasData)
        {
            pages = new QTabWidget(this);
            for (int i = 0; i < 3; ++i)
                pages->addTab(new QWidget, QString::number(i));
        }
        bool HasDataPage() const override { return m_hasData; }
        QTabWidget* pages;

    private:
        bool m_hasData;
    };
    struct Case {
        bool hasData;
        int page, reloads;
    };
    for (const Case k : {Case{true, 2, 1}, Case{true, 0, 0}, Case{false, 2, 0}}) {
        auto* form = new DataForm(c, k.hasData);
        form->pages->setCurrentIndex(k.page);
        QMdiSubWindow* sub = w.AddChildWindow(form);
        w.mdiArea()->setActiveSubWindow(sub);
        w.action("actDBRollback")->trigger();
        EXPECT_EQ(form->reloads, k.reloads) << k.hasData << k.page;
        delete sub;
    }
    EXPECT_EQ(c->calls.count("Rollback"), 3);
    qvOption = TqvOption();
}
