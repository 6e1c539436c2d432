// The login window on the scripted session, opened through the connection window: new SQL
// Server and Windows logins, the lockout that needs a new password, the user mapping, the
// script routine without any password, delete, and the rendering.
#include "objects/login_text.h"
#include "objects/login_window.h"
#include "objects/login_perm_text.h"
#include "objects/resource_page.h"

#include "app/message_box.h"
#include "connection/ddl_exec_run.h"
#include "controls/grid/string_grid.h"
#include "platform/exceptions.h"
#include "support/test_env.h"
#include "tables/define_script.h"
#include "tables/define_session_helper.h"

#include <QBuffer>
#include <QDir>
#include <QTabWidget>

using namespace qv;
using namespace qv::db;
using namespace qvtest;

namespace {

void saveGrab(QWidget* w, const QString& name)
{
    const QString dir = qEnvironmentVariable("QORVEL_RENDER_DIR", testHome());
    QDir().mkpath(dir);
    EXPECT_TRUE(w->grab().save(dir + "/" + name + ".png")) << name.toStdString();
}

// The statement as the session records it: LF line ends, ":name" as "?".
QString Sent(QString sql)
{
    sql.replace("\r\n", "\n");
    sql.replace(":Name", "?").replace(":NAME", "?");
    for (const char* p : {":CLASS", ":GRANTEE", ":TARGET", ":END"})
        sql.replace(p, "?");
    return sql;
}

QString Body(const QString& query)
{
    return Sent(query.mid(query.indexOf("\r\n") + 2)); // without the "use" line
}

struct LoginWindow : DefineSession {
    void SetUp() override
    {
        DefineSession::SetUp();
        Connect();
        for (const char* db : {"use [sales]", "use [master]", "use [tempdb]"})
            session->fixture().exact(db);
        Answer(login::DefaultLanguageQuery(), "us_english");
        for (const char* name : {"x", "DOM\\u", "y"}) {
            FixtureRule& r = session->fixture().exact(Sent(login::UserQuery(15, false)));
            r.params = QVariantList{QString::fromUtf8(name)};
            r.returns({column("name", "sysname"), column("default_schema_name", "sysname")}, {});
        }
    }
    // An existing login: kind code, default database, language, disabled, policy, expiration,
    // locked.
    void Exists(const QString& name, const QString& kind, bool locked = false)
    {
        FixtureRule& r = session->fixture().exact(Body(login::LoginQuery(15, false)));
        r.params = QVariantList{name};
        r.returns({column("logintype", "varchar(1)"), column("default_database_name", "sysname"),
                   column("alias", "sysname"), column("is_disabled", "bit")},
                  {{kind, "master", "us_english", "0"}});
        FixtureRule& o = session->fixture().exact(Body(login::LoginOptionQuery(false)));
        o.params = QVariantList{name, name}; // the one parameter at both markers
        o.returns({column("is_policy_checked", "bit"), column("is_expiration_checked", "bit"), column("", "int")},
                  {{"1", "0", locked ? "1" : "0"}});
        // Resources: the server and the login y, on which the login holds permissions.
        FixtureRule& res = session->fixture().exact(Sent(loginperm::ResourceQuery()));
        res.params = QVariantList{name, name, name};
        res.returns({column("ResName", "nvarchar(4000)"), column("ResType", "varchar(1)"), column("HasPerms", "varchar(1)")},
                    {{"srv", "0", "1"}, {"y", "3", "1"}, {"z", "3", "0"}});
        FixtureRule& server = session->fixture().exact(Sent(loginperm::GrantQuery()));
        server.params = QVariantList{"100", name, "", ""};
        server.returns({column("state", "char(1)"), column("name", "sysname"), column("permission_name", "nvarchar(128)")},
                       {{"G", "sa", "CONNECT SQL"}});
        FixtureRule& onY = session->fixture().exact(Sent(loginperm::GrantQuery()));
        onY.params = QVariantList{"101", name, "y", ""};
        onY.returns({column("state", "char(1)"), column("name", "sysname"), column("permission_name", "nvarchar(128)")},
                    {{"W", "sa", "IMPERSONATE"}});
    }
    TfrmLogin* OpenLogin(const QString& name, TOpenMode mode = omDefine, int type = 120)
    {
        return qobject_cast<TfrmLogin*>(Open(type, "", "", name, mode));
    }
    QStringList Run(TfrmLogin* w)
    {
        const qsizetype mark = Mark();
        w->Compile();
        return StatementsFrom(mark);
    }
};

} // namespace

TEST_F(LoginWindow, NewSqlLoginGivesTheCreateLoginLines)
{
    TfrmLogin* w = OpenLogin("");
    ASSERT_TRUE(w);
    EXPECT_EQ(w->windowTitle(), QString::fromUtf8("LOGIN - 新規"));
    EXPECT_TRUE(w->rdoSQL->isChecked());
    EXPECT_FALSE(w->pagObject->isTabVisible(w->pagObject->indexOf(w->tabResource)));
    EXPECT_FALSE(w->chkLock->isVisible());
    EXPECT_EQ(w->cmbDatabase->currentText(), "master");
    EXPECT_EQ(w->cmbLanguage->currentText(), "us_english");
    w->txtName->setText("x");
    w->txtPassword1->setText(QString::fromUtf8("p'ä"));
    w->txtPassword2->setText(QString::fromUtf8("p'ä"));
    w->chkPassPolicy->click();
    EXPECT_TRUE(w->chkPassPeriod->isChecked()); // ticking the policy ticks the expiration
    EXPECT_TRUE(w->chkPassPeriod->isEnabled());
    w->chkPassPeriod->click();
    const QString create = QString::fromUtf8("CREATE LOGIN [x] WITH\n    PASSWORD = N'p''ä'\n    ,DEFAULT_DATABASE = [master]\n"
                                             "    ,DEFAULT_LANGUAGE = [us_english]\n    ,CHECK_POLICY     = ON\n"
                                             "    ,CHECK_EXPIRATION = OFF");
    session->fixture().exact(create).affects(0);
    Exists("x", "2");
    const QStringList sent = Run(w);
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    ASSERT_FALSE(sent.isEmpty());
    EXPECT_EQ(sent.first(), create); // no database switch before a login statement
    EXPECT_FALSE(w->IsNew());
    EXPECT_EQ(w->windowTitle(), "LOGIN - x @ srv.master");
    EXPECT_EQ(w->txtPassword1->text(), QString(10, u' ')); // the stored password is never read
    EXPECT_TRUE(w->pagObject->isTabVisible(w->pagObject->indexOf(w->tabResource)));
}

TEST_F(LoginWindow, TheExecutionLogShowsNoPassword)
{
    TfrmLogin* w = OpenLogin("");
    ASSERT_TRUE(w);
    w->txtName->setText("x");
    w->txtPassword1->setText(QString::fromUtf8("se'cret"));
    w->txtPassword2->setText(QString::fromUtf8("se'cret"));
    QStringList log, ran;
    DdlScriptRun run([&](const QString& sql) { ran << sql; }, [&](const QString& line) { log << line; });
    run.setScript(w->GetSourceCreate());
    EXPECT_EQ(run.run(true), DdlScriptRun::Outcome::Completed);
    ASSERT_EQ(ran.size(), 1);
    EXPECT_TRUE(ran.first().contains(QString::fromUtf8("PASSWORD = N'se''cret'"))); // the server gets it
    EXPECT_TRUE(log.contains("    PASSWORD = N'********'")) << log.join("\n").toStdString();
    EXPECT_FALSE(log.join("\n").contains("cret"));
}

TEST_F(LoginWindow, NewWindowsLoginAndDisabled)
{
    TfrmLogin* w = OpenLogin("");
    ASSERT_TRUE(w);
    w->txtName->setText("DOM\\u");
    w->rdoWIN->click();
    EXPECT_FALSE(w->txtPassword1->isEnabled());
    w->chkLogin->click();
    const QString create = "CREATE LOGIN [DOM\\u] FROM WINDOWS WITH\n    DEFAULT_DATABASE = [master]\n"
                           "    ,DEFAULT_LANGUAGE = [us_english]";
    session->fixture().exact(create).affects(0);
    session->fixture().exact("ALTER LOGIN [DOM\\u] DISABLE").affects(0);
    Exists("DOM\\u", "1");
    const QStringList sent = Run(w);
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    ASSERT_GE(sent.size(), 2);
    EXPECT_EQ(sent.mid(0, 2), QStringList({create, "ALTER LOGIN [DOM\\u] DISABLE"}));
    EXPECT_FALSE(w->rdoSQL->isChecked()); // loaded back as a Windows login
}

TEST_F(LoginWindow, PasswordsMustMatchAndABlankOneIsAsked)
{
    TfrmLogin* w = OpenLogin("");
    ASSERT_TRUE(w);
    w->txtName->setText("x");
    w->txtPassword1->setText("a");
    const qsizetype mark = Mark();
    w->Compile();
    w->txtPassword1->clear();
    answers = {IDNO};
    w->Compile();
    EXPECT_EQ(boxes, QStringList({"48:" + QString::fromUtf8("パスワードが一致しません。"),
                                  "36:" + QString::fromUtf8("パスワードが空白です。\r\nこのまま実行しますか？")}));
    EXPECT_EQ(Mark(), mark);
}

TEST_F(LoginWindow, ClearingTheLockoutNeverSetsAnEmptyPassword)
{
    Exists("x", "2", true);
    TfrmLogin* w = OpenLogin("x");
    ASSERT_TRUE(w);
    EXPECT_TRUE(w->chkLock->isVisibleTo(w));
    w->chkLock->click();
    EXPECT_EQ(w->txtPassword1->text(), ""); // emptied for the new password
    const qsizetype mark = Mark();
    w->Compile(); // no question that could set a blank password: refused
    EXPECT_EQ(boxes, QStringList({"48:" + login::UnlockNeedsPasswordText()}));
    EXPECT_EQ(Mark(), mark);
    w->txtPassword1->setText("n");
    w->txtPassword2->setText("n");
    const QString alter = "ALTER LOGIN [x] WITH\n    PASSWORD = N'n' UNLOCK\n    ,DEFAULT_DATABASE = [master]\n"
                          "    ,DEFAULT_LANGUAGE = [us_english]\n    ,CHECK_POLICY     = ON\n    ,CHECK_EXPIRATION = OFF";
    session->fixture().exact(alter).affects(0);
    const QStringList sent = Run(w);
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    ASSERT_FALSE(sent.isEmpty());
    EXPECT_EQ(sent.first(), alter);
}

TEST_F(LoginWindow, TickingADatabaseCreatesTheUser)
{
    Exists("x", "2");
    TfrmLogin* w = OpenLogin("x");
    ASSERT_TRUE(w);
    ASSERT_EQ(w->grdUser->RowCount(), 4);
    EXPECT_EQ(w->grdUser->Cells(0, 2), "sales");
    w->grdUser->SetChecked(1, 2, true);
    EXPECT_EQ(w->grdUser->Cells(2, 2), "x");
    EXPECT_EQ(w->grdUser->Cells(3, 2), "dbo");
    EXPECT_TRUE(w->Modified());
    session->fixture().pattern("ALTER LOGIN \\[x\\] WITH.*").affects(0);
    session->fixture().exact("CREATE USER [x] FOR LOGIN [x] WITH DEFAULT_SCHEMA = [dbo]").affects(0);
    const QStringList sent = Run(w);
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    ASSERT_GE(sent.size(), 3);
    EXPECT_EQ(sent.mid(1, 2), QStringList({"use [sales]", "CREATE USER [x] FOR LOGIN [x] WITH DEFAULT_SCHEMA = [dbo]"}));
}

TEST_F(LoginWindow, ScriptCarriesNoPasswordAndDeleteDropsTheLogin)
{
    Exists("x", "2");
    ASSERT_TRUE(DefinitionScripts().contains(119));
    ASSERT_TRUE(DefinitionScripts().contains(120));
    DefineScriptRequest r;
    r.objectType = 120;
    r.name = "x";
    QBuffer memory;
    memory.open(QIODevice::WriteOnly);
    EXPECT_THROW(DefinitionScripts().value(120)(conn, r, memory), EAbort);
    const QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(memory.data().constData()),
                                            memory.data().size() / 2);
    EXPECT_EQ(text, "CREATE LOGIN [x] WITH\r\n    PASSWORD = N''\r\n    ,DEFAULT_DATABASE = [master]\r\n"
                    "    ,DEFAULT_LANGUAGE = [us_english]\r\n    ,CHECK_POLICY     = ON\r\n    ,CHECK_EXPIRATION = OFF\r\ngo\r\n");

    TfrmLogin* w = OpenLogin("x", omSource);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->SourceLines().at(1), "    PASSWORD = N''");
    session->fixture().exact("DROP LOGIN [x]").affects(0);
    const qsizetype mark = Mark();
    w->actDelete->trigger();
    EXPECT_EQ(StatementsFrom(mark), QStringList({"DROP LOGIN [x]"}));
    EXPECT_EQ(boxes.last(), "64:" + QString::fromUtf8("オブジェクトが削除されました。"));
}

TEST_F(LoginWindow, ResourcePageWritesPermissionsOnTheSecurableLogin)
{
    Exists("x", "2");
    TfrmLogin* w = OpenLogin("x", omGrant);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->pagObject->currentWidget(), w->tabResource);
    ASSERT_EQ(w->fraResource->Rows().size(), 2); // z holds no permission of x
    w->fraResource->SelectResource(1);            // y
    // IMPERSONATE (row 3) loaded with grant option; set to a plain grant.
    w->fraResource->grdGrantSetEditText(grants::ckWithGrant, 3, "");
    w->fraResource->grdGrantSetEditText(grants::ckGrant, 3, "1");
    EXPECT_TRUE(w->Modified());
    session->fixture().exact("REVOKE IMPERSONATE ON LOGIN::[y] TO [x] CASCADE").affects(0);
    session->fixture().exact("GRANT IMPERSONATE ON LOGIN::[y] TO [x]").affects(0);
    const QStringList sent = Run(w);
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    ASSERT_GE(sent.size(), 3);
    EXPECT_EQ(sent.mid(0, 3), QStringList({"use [master]", "REVOKE IMPERSONATE ON LOGIN::[y] TO [x] CASCADE",
                                           "GRANT IMPERSONATE ON LOGIN::[y] TO [x]"}))
        << sent.join("|").toStdString();
}

TEST_F(LoginWindow, MissingLoginOpensNoWindow)
{
    Exists("y", "2");
    FixtureRule& r = session->fixture().exact(Body(login::LoginQuery(15, false)));
    r.params = QVariantList{"gone"};
    r.returns({column("logintype", "varchar(1)")}, {});
    EXPECT_EQ(OpenLogin("gone"), nullptr);
    EXPECT_EQ(boxes, QStringList({"16:" + QString::fromUtf8("定義情報を読み込めませんでした。")}));
}

TEST_F(LoginWindow, Renders)
{
    Exists("x", "2", true);
    main->resize(1100, 720);
    main->show();
    TfrmLogin* w = OpenLogin("");
    ASSERT_TRUE(w);
    w->parentWidget()->resize(820, 460);
    QCoreApplication::processEvents();
    saveGrab(w, "login_window_new");
    TfrmLogin* e = OpenLogin("x");
    ASSERT_TRUE(e);
    e->parentWidget()->resize(820, 460);
    QCoreApplication::processEvents();
    saveGrab(e, "login_window_existing");
    for (QWidget* c : {static_cast<QWidget*>(e->txtPassword2), static_cast<QWidget*>(e->chkLock),
                       static_cast<QWidget*>(e->grdUser)}) {
        const QRect rc(c->mapTo(e, QPoint(0, 0)), c->size());
        EXPECT_TRUE(e->rect().contains(rc)) << c->objectName().toStdString();
    }
}
