#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QMdiArea>
#include <QMdiSubWindow>

#include "app/globals.h"
#include "app/main_window.h"
#include "app/options.h"
#include "app/qvform.h"
#include "fake_connection_helper.h"
#include "support/modal_helper.h"

using namespace qv;
using qvtest::FakeConnectionWindow;

TEST(CommandLine, SplitsLoginPasswordServerAndVersion)
{
    struct Case {
        QStringList args;
        bool loginGiven;
        QString login, password, server;
        bool versionGiven;
        int version;
    };
    const Case cases[] = {
        {{"/u=sa/p@ss@srv", "/v=9"}, true, "sa", "p", "ss@srv", true, 9},
        {{"/U=Admin@Host"}, true, "Admin", "", "Host", false, 0},
        {{"/U=user/Secret"}, true, "user", "Secret", "", false, 0},
        {{"/U="}, true, "", "", "", false, 0},
        {{"/V=x"}, false, "", "", "", true, 0},
        {{"/U=a/b@c", "/U=d"}, true, "d", "", "", false, 0}, // the later switch replaces the earlier
        {{"-U=sa", "other", "/X=1"}, false, "", "", "", false, 0},
    };
    for (const Case& c : cases) {
        const CommandLine cl = ParseCommandLine(c.args);
        SCOPED_TRACE(c.args.join(' ').toStdString());
        EXPECT_EQ(cl.loginGiven, c.loginGiven);
        EXPECT_EQ(cl.login, c.login);
        EXPECT_EQ(cl.password, c.password);
        EXPECT_EQ(cl.server, c.server);
        EXPECT_EQ(cl.versionGiven, c.versionGiven);
        EXPECT_EQ(cl.versionOverride, c.version);
    }
}

TEST(StatusTexts, LoopAndIdleMessages)
{
    EXPECT_EQ(LoopMessageText(0, 5), QStringLiteral("0 / 5 [ESC]キーを押すと処理を中断します。"));
    EXPECT_EQ(LoopMessageText(3, 0), QStringLiteral("3件処理中... [ESC]キーを押すと処理を中断します。"));
    EXPECT_EQ(LoopMessageText(0, 0), QStringLiteral(" [ESC]キーを押すと処理を中断します。"));
    EXPECT_EQ(LoopMessageText(12345, -1), QStringLiteral("12345件処理中... [ESC]キーを押すと処理を中断します。"));
    EXPECT_EQ(DefMessageText(1234, 0), QStringLiteral("1234個のオブジェクトがあります。"));
    EXPECT_EQ(DefMessageText(10, 3), QStringLiteral("10個中 3個のオブジェクトを選択中。"));
}

TEST(MainWindowServices, LoopMessageGoesToPanelTwoAndDefMessageNeedsAConnection)
{
    TfrmMain w;
    w.SetLoopMessage(0, 5);
    EXPECT_EQ(w.stsMain()->panelText(2), QStringLiteral("0 / 5 [ESC]キーを押すと処理を中断します。"));
    w.SetDefMessage(); // no connection: nothing changes
    EXPECT_EQ(w.stsMain()->panelText(2), QStringLiteral("0 / 5 [ESC]キーを押すと処理を中断します。"));
    auto* c = new FakeConnectionWindow;
    c->objectCount = 7;
    c->selectedCount = 2;
    c->open();
    w.SetDefMessage();
    EXPECT_EQ(w.stsMain()->panelText(2), QStringLiteral("7個中 2個のオブジェクトを選択中。"));
}

TEST(MainWindowServices, ConnectionsCurrentFormAndGetDBForm)
{
    TfrmMain w;
    EXPECT_EQ(w.CurrentForm(), nullptr);
    auto* a = new FakeConnectionWindow("sa", "s1", "db1");
    a->open();
    auto* b = new FakeConnectionWindow(" sa ", "s2", "db2");
    b->open();
    ASSERT_EQ(w.cmbDBName()->count(), 2);
    EXPECT_EQ(w.cmbDBName()->itemText(0), QStringLiteral("sa @ s1.db1"));
    EXPECT_EQ(w.cmbDBName()->itemText(1), QStringLiteral("sa @ s2.db2")); // blanks removed
    EXPECT_EQ(w.CurrentForm(), b);
    EXPECT_EQ(w.cmbDBName()->toolTip(), QStringLiteral("sa @ s2.db2"));
    EXPECT_EQ(w.GetDBForm("sa @ s1.db1"), a);
    EXPECT_EQ(w.GetDBForm("sa @ s2.db2"), b);
    EXPECT_EQ(w.GetDBForm("SA @ s1.db1"), nullptr);
    w.cmbDBName()->setCurrentIndex(0);
    EXPECT_EQ(w.CurrentForm(), a);
    w.SetShortCut();
    EXPECT_TRUE(a->calls.contains("SetShortCut"));
    EXPECT_TRUE(b->calls.contains("SetShortCut"));
    delete a->parentWidget(); // the connection window goes: its item goes too
    ASSERT_EQ(w.cmbDBName()->count(), 1);
    EXPECT_EQ(w.cmbDBName()->itemText(0), QStringLiteral("sa @ s2.db2"));
}

namespace {
class NamedForm : public TqvForm {
    Q_OBJECT
public:
    using TqvForm::TqvForm;
};
class OtherForm : public TqvForm {
    Q_OBJECT
public:
    using TqvForm::TqvForm;
};
} // namespace

TEST(MainWindowServices, FindWindowMatchesClassAndExactCaption)
{
    TfrmMain w;
    auto* f = new NamedForm(&w);
    f->setWindowTitle("dbo.Orders @ srv.db");
    w.AddChildWindow(f);
    auto* g = new OtherForm(&w);
    g->setWindowTitle("dbo.Orders @ srv.db");
    w.AddChildWindow(g);
    EXPECT_EQ(w.FindWindow(NamedForm::staticMetaObject, "dbo.Orders @ srv.db", false), f);
    EXPECT_EQ(w.FindWindow(TqvForm::staticMetaObject, "dbo.Orders @ srv.db", false), g); // last first
    EXPECT_EQ(w.FindWindow(NamedForm::staticMetaObject, "DBO.orders @ srv.db", false), nullptr);
    f->parentWidget()->showMinimized();
    EXPECT_EQ(w.FindWindow(NamedForm::staticMetaObject, "dbo.Orders @ srv.db", true), f);
    EXPECT_FALSE(f->parentWidget()->isMinimized());
    EXPECT_EQ(w.mdiArea()->activeSubWindow(), f->parentWidget());
}

TEST(MenuState, NoConnectionDisablesEveryConnectionBoundCommand)
{
    TfrmMain w;
    qvOption.AutoTran = true;
    w.MenuUpdate();
    for (const char* n : {"actDBCommit", "actDBRollback", "actDBLogoff", "actViewSQL", "actViewScript", "actViewField",
                          "actViewComp", "actViewSQLCatch", "actViewSQLCRUD", "actToolIndexAdviser", "actViewMS",
                          "actViewMSDTS", "actViewMSProfiler", "actAdminUser", "actAdminStorage", "actAdminSession",
                          "actAdminLock", "actAdminJob", "actAdminDatabase", "actAdminBackup", "actAdminRestore",
                          "actAdminLoad", "actAdminAttach", "btnNewTable", "btnNewIndex", "btnNewView", "btnNewProc",
                          "btnNewFunc", "btnNewTrigger", "btnNewSequence", "btnNewSynonym", "btnNewConst",
                          "mnuReload", "mnuDispList", "mnuDispReport", "actOpen", "actDelete"})
        EXPECT_FALSE(w.action(n)->isEnabled()) << n;
    for (const char* n : {"actDBLogon", "actToolOption", "actToolEditorOption", "actToolScriptOption",
                          "actViewTemplate", "actHelp", "actHelpAbout", "actHelpSupport", "actToolCommandSetup",
                          "actFileExit", "actEditCopy", "actEditSelectAll"})
        EXPECT_TRUE(w.action(n)->isEnabled()) << n;
    qvOption = TqvOption();
}

TEST(MenuState, VersionAzureAndTransactionRules)
{
    MenuInputs in;
    in.any = in.current = true;
    in.version = 9;
    auto s = ComputeMenuState(in);
    EXPECT_TRUE(s["btnNewSynonym"]);
    EXPECT_FALSE(s["btnNewSequence"]);
    EXPECT_FALSE(s["actDBCommit"]); // transactions off
    in.version = 11;
    in.autoTran = true;
    s = ComputeMenuState(in);
    EXPECT_TRUE(s["btnNewSynonym"]);
    EXPECT_TRUE(s["btnNewSequence"]);
    EXPECT_TRUE(s["actDBCommit"]);
    EXPECT_TRUE(s["actDBRollback"]);
    in.azure = true;
    in.version = 12;
    s = ComputeMenuState(in);
    EXPECT_FALSE(s["btnNewSequence"]);
    for (const char* n : {"actAdminStorage", "actAdminSession", "actAdminLock", "actAdminJob", "actAdminBackup",
                          "actAdminRestore", "actAdminLoad", "actAdminAttach", "actViewSQLCatch", "actViewSQLCRUD",
                          "actViewMSProfiler"})
        EXPECT_FALSE(s[n]) << n;
    EXPECT_TRUE(s["actAdminUser"]);
    EXPECT_TRUE(s["actAdminDatabase"]);
    // Connections open but none selected: the administration commands that need one are off.
    in = MenuInputs();
    in.any = true;
    s = ComputeMenuState(in);
    EXPECT_FALSE(s["actAdminUser"]);
    EXPECT_TRUE(s["actAdminJob"]);
    EXPECT_TRUE(s["actAdminRestore"]);
    // External tools need the client tools and an existing program file.
    in.current = true;
    in.clientTools = true;
    in.msExe = QStringLiteral("/nonexistent/Ssms.exe");
    in.spfExe = QCoreApplication::applicationFilePath();
    s = ComputeMenuState(in);
    EXPECT_FALSE(s["actViewMS"]);
    EXPECT_TRUE(s["actViewMSProfiler"]);
}

TEST(MenuState, CurrentConnectionDrivesTheActions)
{
    TfrmMain w;
    qvOption.AutoTran = true; // after the settings were loaded
    auto* c = new FakeConnectionWindow("sa", "srv", "db", 9);
    c->open();
    EXPECT_TRUE(w.action("actViewSQL")->isEnabled());
    EXPECT_TRUE(w.action("btnNewSynonym")->isEnabled());
    EXPECT_FALSE(w.action("btnNewSequence")->isEnabled());
    w.action("btnNewTable")->trigger();
    EXPECT_TRUE(c->calls.contains("NewObject 45"));
    // A failing commit is reported as a failure, with the driver's message.
    c->failCommit = true;
    w.action("actDBCommit")->trigger();
    EXPECT_EQ(w.stsMain()->panelText(2),
              QStringLiteral("現行データベース [ sa @ srv.db ] のトランザクションを COMMIT できませんでした: commit failed"));
    w.action("actDBRollback")->trigger();
    EXPECT_TRUE(c->calls.contains("Rollback"));
    EXPECT_EQ(c->calls.count("StartTransaction"), 1);
    // The display mode reaches every connection window.
    w.action("mnuDispList")->trigger();
    EXPECT_FALSE(c->details);
    qvOption = TqvOption();
}

TEST(MainWindowStart, FirstPaintLogsOnFromTheCommandLine)
{
    {
        TfrmMain w;
        w.setCommandLineArguments({"/u=sa/p@ss@srv", "/v=9"});
        w.FormPaint();
        w.FormPaint(); // once only
        ASSERT_EQ(w.logonCalls().size(), 1);
        const LogonRequest& r = w.logonCalls().first();
        EXPECT_EQ(r.userId, "sa");
        EXPECT_EQ(r.password, "p");
        EXPECT_EQ(r.server, "ss@srv");
        EXPECT_TRUE(r.autoPass);
        EXPECT_EQ(ServerVersionOverride, 9);
    }
    {
        TfrmMain w;
        w.setCommandLineArguments({"/U=", "/V=x"});
        w.FormPaint();
        ASSERT_EQ(w.logonCalls().size(), 1);
        EXPECT_FALSE(w.logonCalls().first().autoPass); // the dialog opens
        EXPECT_TRUE(w.logonCalls().first().userId.isEmpty());
        EXPECT_EQ(ServerVersionOverride, 0);
    }
}

#include "main_services_test.moc"
