// Window-opening commands, the client tools and the jump to an object by name.
#include "app/main_window.h"
#include "app/options.h"
#include "app/globals.h"
#include "app/window_commands.h"
#include "app/workspace.h"
#include "app/mainwin/fake_connection_helper.h"
#include "connection/object_window.h"
#include "editor/sqlmemo/qvmemo.h"
#include "platform/db/scripted_session.h"
#include "sql/template_window.h"
#include "support/modal_helper.h"
#include "support/test_env.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace qv;
using qvtest::FakeConnectionWindow;

namespace {

QList<TfrmPlaceholder*> Pending(TfrmMain& w)
{
    QList<TfrmPlaceholder*> out;
    for (QWidget* c : w.MDIChildren())
        if (auto* p = qobject_cast<TfrmPlaceholder*>(c))
            out << p;
    return out;
}

QString BodyText(QWidget* w)
{
    QStringList texts;
    for (QLabel* l : w->findChildren<QLabel*>())
        texts << l->text();
    return texts.join(u'\n');
}

// Presses the button of the next modal box whose text starts as given.
void Answer(QMessageBox::StandardButton button)
{
    qvtest::whenModal([button](QWidget* w) {
        if (auto* box = qobject_cast<QMessageBox*>(w))
            box->button(button)->click();
        else if (auto* d = qobject_cast<QDialog*>(w)) {
            for (QPushButton* b : d->findChildren<QPushButton*>())
                if (b->text().contains(button == QMessageBox::Yes ? QStringLiteral("はい") : QStringLiteral("いいえ")) ||
                    b->text().contains(button == QMessageBox::Yes ? QStringLiteral("Yes") : QStringLiteral("No"))) {
                    b->click();
                    return;
                }
            d->accept();
        }
    });
}

} // namespace

TEST(MenuStateByServer, VersionNineAndAzure)
{
    TfrmMain w;
    auto* c = new FakeConnectionWindow("sa", "srv", "db", 9);
    c->open();
    EXPECT_TRUE(w.action("btnNewSynonym")->isEnabled());
    EXPECT_FALSE(w.action("btnNewSequence")->isEnabled());
    // With the client tools present, only Azure keeps Profiler off.
    const QString exe = qvtest::testHome() + "/PROFILER.EXE";
    QFile(exe).open(QIODevice::WriteOnly);
    ClientToolsDir = qvtest::testHome();
    qvOption.SPF_EXE = exe;
    auto* azure = new FakeConnectionWindow("sa", "x.database.windows.net", "db", 12, true);
    azure->open();
    for (const char* n : {"actAdminSession", "actAdminLock", "actAdminBackup", "actViewSQLCatch", "actViewMSProfiler"})
        EXPECT_FALSE(w.action(n)->isEnabled()) << n;
    for (const char* n : {"actAdminUser", "actAdminDatabase", "actViewSQL"})
        EXPECT_TRUE(w.action(n)->isEnabled()) << n;
    w.cmbDBName()->setCurrentIndex(0); // the version-9 connection again
    EXPECT_TRUE(w.action("actViewMSProfiler")->isEnabled());
    EXPECT_TRUE(w.action("actAdminSession")->isEnabled());
    ClientToolsDir.clear();
    qvOption.SPF_EXE.clear();
}

TEST(WindowOpening, PendingWindowsNamedAfterTheirWindow)
{
    TfrmMain w;
    // Without a connection the connection's commands do nothing.
    w.action("actViewScript")->setEnabled(true);
    w.action("actViewScript")->trigger();
    EXPECT_TRUE(Pending(w).isEmpty());
    auto* c = new FakeConnectionWindow("sa", "srv", "db");
    c->open();
    w.action("actAdminSession")->trigger();
    w.action("actAdminSession")->trigger(); // the open one comes forward
    ASSERT_EQ(Pending(w).size(), 1);
    TfrmPlaceholder* p = Pending(w).first();
    EXPECT_EQ(p->windowTitle(), QStringLiteral("プロセス情報 - sa @ srv.db"));
    EXPECT_TRUE(BodyText(p).contains("TfrmSession")) << BodyText(p).toStdString();
    EXPECT_EQ(p->property("qvOwnerForm").value<QObject*>(), c);
    // The script runner may be open twice; the SQL reference needs no connection.
    w.action("actViewScript")->trigger();
    w.action("actViewScript")->trigger();
    w.action("actViewTemplate")->trigger();
    QStringList classes;
    for (TfrmPlaceholder* x : Pending(w))
        classes << BodyText(x);
    EXPECT_EQ(classes.filter("TfrmExecScript").size(), 2);
    EXPECT_EQ(classes.filter("TfrmTemplate").size(), 0);
    // The SQL reference is a window of its own, above the main window.
    TfrmTemplate* reference = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* t = qobject_cast<TfrmTemplate*>(top))
            reference = t;
    ASSERT_NE(reference, nullptr);
    EXPECT_EQ(reference->windowTitle(), QStringLiteral("SQLリファレンス"));
    delete reference;
    // Every command of the table names a window class and has a menu text.
    for (const WindowCommand& cmd : WindowCommands()) {
        QString caption;
        EXPECT_TRUE(TfrmMain::actionInfo(QLatin1String(cmd.action), &caption, nullptr)) << cmd.action;
        EXPECT_FALSE(PendingWindowCaption(QLatin1String(cmd.action), c).contains(u'&')) << cmd.action;
    }
    const QString path = qvtest::saveGrab(p, "pending_window");
    EXPECT_FALSE(path.isEmpty());
}

TEST(WindowOpening, FieldBrowserArguments)
{
    struct Case {
        const char* text;
        FieldBrowserArgs expected;
    } cases[] = {
        {"", {"cur", "dbo", ""}},
        {"T1", {"cur", "dbo", "T1"}},
        {"s.T1", {"cur", "s", "T1"}},
        {"[db1].[dbo].[T1]", {"db1", "dbo", "T1"}},
        {"db1.dbo.T1.col", {"db1", "dbo", "T1"}},
        {"s.", {"cur", "dbo", "s"}},
        {"販売.顧客", {"cur", "販売", "顧客"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FieldArgsFromText(c.text, "cur", "dbo"), c.expected) << c.text;
}

TEST(ClientTools, CandidatesAndCommandLinesWithoutPassword)
{
    EXPECT_EQ(ClientToolsVersion("C:\\Program Files\\Microsoft SQL Server\\100\\Tools\\"), 100);
    EXPECT_EQ(ClientToolsVersion("/opt/mssql/110/tools/"), 110);
    EXPECT_EQ(ClientToolsVersion("/opt/mssql/tools/"), 0);
    const ClientToolPaths p100 = ClientToolCandidates(100, "/T/", "/W/");
    EXPECT_EQ(p100.ms, "/T/Binn/VSShell/Common7/IDE/Ssms.exe");
    EXPECT_EQ(p100.dts, "/W/Binn/DTSWizard.exe");
    EXPECT_EQ(ClientToolCandidates(90, "/T/", "/W/").dts, "/W/DTS/Binn/DTSWizard.exe");
    EXPECT_EQ(ClientToolCandidates(0, "/T/", "/W/"), ClientToolPaths{});

    const ToolLaunch sql = ClientToolLaunch(ClientTool::ManagementStudio, "/x/ssms", true, false, "sa", "srv, 1433",
                                            "Sales DB");
    EXPECT_EQ(sql.arguments, (QStringList{"/U", "sa", "/S", "srv, 1433", "/D", "Sales DB"}));
    EXPECT_TRUE(sql.asksPassword);
    const ToolLaunch win = ClientToolLaunch(ClientTool::Profiler, "/x/prof", true, true, "sa", "srv", "Sales");
    EXPECT_EQ(win.arguments, (QStringList{"/E", "/S", "srv"}));
    EXPECT_TRUE(ClientToolLaunch(ClientTool::ManagementStudio, "/x", false, false, "sa", "srv", "db").arguments.isEmpty());
    EXPECT_TRUE(ClientToolLaunch(ClientTool::ImportWizard, "/x", true, false, "sa", "srv", "db").arguments.isEmpty());
}

TEST(ClientTools, GetProgramPathOnlyOnce)
{
    qvOption.MS_Cooperation = true;
    qvOption.MS_EXE = "/kept";
    GetProgramPath();
    EXPECT_EQ(qvOption.MS_EXE, "/kept");
    qvOption.MS_Cooperation = false;
    GetProgramPath(); // nothing installed: the stored path stays, the search is marked done
    EXPECT_EQ(qvOption.MS_EXE, "/kept");
    EXPECT_TRUE(qvOption.MS_Cooperation);
    qvOption.MS_Cooperation = false;
    qvOption.MS_EXE.clear();
}

TEST(ClientTools, StartsWithTheConnectionsLogOnAfterTheQuestion)
{
    TfrmMain w;
    auto* c = new FakeConnectionWindow("sa", "srv", "Sales");
    c->password = "secret";
    c->open();
    QList<QStringList> started;
    auto saved = ClientToolStarter();
    ClientToolStarter() = [&](const QString& p, const QStringList& a) {
        started << (QStringList{p} + a);
        return true;
    };
    ClientToolsDir = "/opt/mssql/110/Tools/";
    qvOption.MS_EXE = "/opt/ssms";
    Answer(QMessageBox::Yes);
    StartClientTool(ClientTool::ManagementStudio, c);
    ASSERT_EQ(started.size(), 1);
    EXPECT_EQ(started[0], (QStringList{"/opt/ssms", "/U", "sa", "/S", "srv", "/D", "Sales"}));
    EXPECT_FALSE(started[0].contains("secret"));
    Answer(QMessageBox::No);
    StartClientTool(ClientTool::ManagementStudio, c);
    EXPECT_EQ(started.size(), 1);
    ClientToolStarter() = saved;
    ClientToolsDir.clear();
    qvOption.MS_EXE.clear();
}

TEST(JumpToDefinition, DatabaseAndStatement)
{
    EXPECT_EQ(JumpDefinitionDatabase("db1.dbo.T1", "cur"), "db1");
    EXPECT_EQ(JumpDefinitionDatabase("dbo.T1", "cur"), "cur");
    EXPECT_EQ(JumpDefinitionDatabase("[db 1].dbo.T1", "cur"), "db 1");
    EXPECT_EQ(JumpDefinitionDatabase("[d]]b].dbo.T1", "cur"), "d]b");
    EXPECT_EQ(JumpDefinitionSQL("db1.dbo.T1", "db1", 9),
              "use [db1]\r\nselect schema_name(uid), xtype, name, object_name(parent_obj) parentname from sysobjects "
              "where id = object_id(N'db1.dbo.T1')");
    EXPECT_TRUE(JumpDefinitionSQL("T1", "db", 8).contains("select user_name(uid), xtype"));
}

namespace {
struct JumpSession : ::testing::Test {
    std::shared_ptr<db::ScriptedSession> session = std::make_shared<db::ScriptedSession>();
    void Answer(const QString& sql, const QString& value)
    {
        session->fixture().exact(sql).returns({db::column("", "nvarchar(128)")}, {{value}});
    }
    void Server()
    {
        Answer("select SERVERPROPERTY('productversion')", "16.0.4135.4");
        Answer(catalog::facts::ProductVersion, "16.0.4135.4");
        Answer(catalog::facts::Edition, "Developer Edition");
        Answer(catalog::facts::LoginName, "sa");
        Answer(catalog::facts::CurrentDatabase, "Sales");
        Answer(catalog::facts::UserName, "dbo");
        Answer(catalog::facts::DefaultSchema, "dbo");
        Answer(catalog::facts::Spid, "55");
        session->fixture().pattern("set showplan.*").affects(0);
        session->fixture().exact(catalog::DatabaseListSql(false)).returns({db::column("name", "sysname")},
                                                                         {{"Sales"}, {"db1"}});
        session->fixture()
            .pattern("use .*\\nselect schema_name\\(uid\\), xtype, name, object_name\\(parent_obj\\) parentname from "
                     "sysobjects where id = object_id\\(N'.*'\\)")
            .returns({db::column("", "sysname"), db::column("xtype", "char(2)"), db::column("name", "sysname"),
                      db::column("parentname", "sysname")},
                     {{"dbo", "U ", "T1", QVariant()}});
    }
    // The raw texts of the look-ups sent.
    QStringList LookUps()
    {
        QStringList out;
        for (const auto& r : session->recorded())
            if (r.sql.contains("sysobjects"))
                out << r.sql;
        return out;
    }
};
} // namespace

TEST_F(JumpSession, SendsUseAndTheQuotedNameThenOpensTheObject)
{
    Server();
    RecentObjectList.clear();
    // The table opens as a placeholder here: what counts is which object the jump opens.
    const QHash<int, WindowFactory> savedFactories = WindowFactories();
    WindowFactories()[static_cast<int>(DefinitionWindow::Table)] = [](TfrmObject* owner, const OpenRequest& r) -> QWidget* {
        return new TfrmPlaceholder(owner, r);
    };
    struct Restore {
        const QHash<int, WindowFactory>& saved;
        ~Restore() { WindowFactories() = saved; }
    } restore{savedFactories};
    TfrmMain main;
    TfrmObject conn(nullptr, "Sales", "sa", "pw", "srv", session);
    auto* memo = new TqvMemo;
    memo->SetLines({"select * from db1.dbo.T1"});
    main.AddChildWindow(memo);
    memo->setFocus();
    struct Case {
        QString selected, sent;
    } cases[] = {
        {"db1.dbo.T1", "use [db1]\r\nselect schema_name(uid), xtype, name, object_name(parent_obj) parentname from "
                       "sysobjects where id = object_id(N'db1.dbo.T1')"},
        {"db1.dbo.O'Brien]x", "use [db1]\r\nselect schema_name(uid), xtype, name, object_name(parent_obj) parentname "
                              "from sysobjects where id = object_id(N'db1.dbo.O''Brien]x')"},
        {"[d]]b].dbo.T", "use [d]]b]\r\nselect schema_name(uid), xtype, name, object_name(parent_obj) parentname from "
                         "sysobjects where id = object_id(N'[d]]b].dbo.T')"},
    };
    for (const Case& c : cases) {
        session->clearRecord();
        const QString text = "select * from " + c.selected;
        memo->SetLines({text});
        memo->SetSelStart(14);
        memo->SetSelLength(int(c.selected.size()));
        ASSERT_EQ(memo->SelText(), c.selected);
        JumpToDefinition(main, memo);
        EXPECT_EQ(LookUps(), QStringList{c.sent});
    }
    // Through the menu command with the editor focused.
    session->clearRecord();
    memo->SetLines({"select * from db1.dbo.T1"});
    memo->SetSelStart(14);
    memo->SetSelLength(10);
    main.show();
    main.activateWindow();
    memo->setFocus();
    QApplication::processEvents();
    main.EditorStateChanged();
    ASSERT_TRUE(main.action("actEditJumpDefine")->isEnabled());
    main.action("actEditJumpDefine")->trigger();
    EXPECT_EQ(LookUps().size(), 1);
    // The object found opened (its window is the pending one) and went to the recent objects.
    bool opened = false;
    for (QWidget* w : main.MDIChildren())
        opened = opened || (qobject_cast<TfrmPlaceholder*>(w) && w->windowTitle().contains("T1"));
    EXPECT_TRUE(opened);
    ASSERT_FALSE(RecentObjectList.isEmpty());
    EXPECT_EQ(RecentObjectList[0][0].ObjectName, "T1");
    EXPECT_EQ(RecentObjectList[0][0].ObjectType, 45);
    RecentObjectList.clear();
}
