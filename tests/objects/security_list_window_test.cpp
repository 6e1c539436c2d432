// The security list on the scripted session, opened as the connection window's "ユーザー情報"
// opens it: listing per tab, delete in passes with failures reported and kept selected, the
// script output with one shared "_GRANT.SQL", opening through the open-by-type routine, and
// the rendering.
#include "objects/login_perm_text.h"
#include "objects/login_text.h"
#include "objects/login_window.h"
#include "objects/security_list_window.h"

#include "app/escape_watch.h"
#include "connection/object_window_actions.h"
#include "controls/lists/qv_listview.h"
#include "support/test_env.h"
#include "tables/define_session_helper.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTabWidget>
#include <QTemporaryDir>

using namespace qv;
using namespace qv::db;
using namespace qvtest;

namespace {

QString Sent(QString sql)
{
    sql.replace("\r\n", "\n");
    for (const char* p : {":Name", ":NAME", ":CLASS", ":GRANTEE", ":TARGET", ":END"})
        sql.replace(p, "?");
    return sql;
}

QString Body(const QString& query) { return Sent(query.mid(query.indexOf("\r\n") + 2)); }

struct SecurityList : DefineSession {
    TfrmUserList::Ui savedUi = TfrmUserList::ui();
    QStringList messages;
    bool ignoreErrors = true;
    QString scriptPath;

    void SetUp() override
    {
        DefineSession::SetUp();
        Connect();
        for (const char* db : {"use [sales]", "use [master]", "use [tempdb]"})
            session->fixture().exact(db);
        TfrmUserList::ui().confirm = [this](const QString& text, int, const CheckList& checks) {
            messages << text;
            for (const CheckItem& c : checks)
                *c.value = ignoreErrors;
            return 6;
        };
        TfrmUserList::ui().message = [this](const QString& text, int) {
            messages << text;
            return 1;
        };
        TfrmUserList::ui().scriptOptions = [this](TfrmObject*, QString& path) {
            path = scriptPath;
            return true;
        };
        // Logins x and y, SQL Server logins, each with CONNECT SQL on the server.
        Answer(login::DefaultLanguageQuery(), "us_english");
        session->fixture().exact(Sent(qv::seclist::ObjectSQL(qv::seclist::Tab::Login, "", 15, false)))
            .returns({column("name", "sysname"), column("logintype", "varchar(1)"), column("db", "sysname"),
                      column("is_disabled", "bit"), column("create_date", "varchar(30)")},
                     {{"sa", "2", "master", "0", "2020-01-01"}, {"x", "2", "master", "0", "2021-01-01"},
                      {"y", "2", "master", "1", "2022-01-01"}});
        for (const char* n : {"sa", "x", "y"}) {
            const QString name = QString::fromUtf8(n);
            FixtureRule& l = session->fixture().exact(Body(login::LoginQuery(15, false)));
            l.params = QVariantList{name};
            l.returns({column("logintype", "varchar(1)"), column("d", "sysname"), column("alias", "sysname"),
                       column("is_disabled", "bit")},
                      {{"2", "master", "us_english", "0"}});
            FixtureRule& o = session->fixture().exact(Body(login::LoginOptionQuery(false)));
            o.params = QVariantList{name, name};
            o.returns({column("p", "bit"), column("e", "bit"), column("", "int")}, {{"0", "0", "0"}});
            FixtureRule& u = session->fixture().exact(Sent(login::UserQuery(15, false)));
            u.params = QVariantList{name};
            u.returns({column("name", "sysname"), column("s", "sysname")}, {});
            FixtureRule& res = session->fixture().exact(Sent(loginperm::ResourceQuery()));
            res.params = QVariantList{name, name, name};
            res.returns({column("ResName", "nvarchar(4000)"), column("ResType", "varchar(1)"), column("HasPerms", "varchar(1)")},
                        {{"srv", "0", "1"}});
            FixtureRule& g = session->fixture().exact(Sent(loginperm::GrantQuery()));
            g.params = QVariantList{"100", name, "", ""};
            g.returns({column("state", "char(1)"), column("grantor", "sysname"), column("permission_name", "nvarchar(128)")},
                      {{"G", "sa", "CONNECT SQL"}});
        }
        // Database roles of sales: r1 owns r2.
        session->fixture().exact(Sent(qv::seclist::ObjectSQL(qv::seclist::Tab::DBRole, "sales", 15, false)))
            .returns({column("Rolename", "sysname"), column("db", "sysname"), column("owner", "sysname"),
                      column("Roletype", "varchar(1)"), column("create_date", "varchar(30)")},
                     {{"db_owner", "sales", "dbo", "0", "2019"}, {"r1", "sales", "dbo", "1", "2020"},
                      {"r2", "sales", "r1", "1", "2021"}});
    }
    void TearDown() override
    {
        TfrmUserList::ui() = savedUi;
        DefineSession::TearDown();
    }
    TfrmUserList* OpenList(const QString& database = {})
    {
        ToolRequest r;
        r.window = "TfrmUserList";
        r.database = database;
        QWidget* w = ToolWindowFactories().value("TfrmUserList")(conn, r);
        if (w)
            main->AddChildWindow(w);
        return qobject_cast<TfrmUserList*>(w);
    }
    static QStringList Captions(TfrmUserList* w)
    {
        QStringList out;
        for (int i = 0; i < w->lstObject->topLevelItemCount(); ++i)
            out << w->lstObject->topLevelItem(i)->text(0);
        return out;
    }
    static void Select(TfrmUserList* w, const QStringList& names)
    {
        w->lstObject->clearSelection();
        for (int i = 0; i < w->lstObject->topLevelItemCount(); ++i)
            w->lstObject->topLevelItem(i)->setSelected(names.contains(w->lstObject->topLevelItem(i)->text(0)));
    }
};

} // namespace

TEST_F(SecurityList, ListsLoginsWithOwnIconAndKindTexts)
{
    TfrmUserList* w = OpenList();
    ASSERT_TRUE(w);
    EXPECT_EQ(w->windowTitle(), QString::fromUtf8("ユーザー情報 - sa @ srv.master"));
    EXPECT_EQ(w->ActiveTab(), seclist::Tab::Login);
    EXPECT_EQ(Captions(w), QStringList({"sa", "x", "y"}));
    EXPECT_EQ(w->lstObject->topLevelItem(0)->data(0, Qt::UserRole).toInt(), 119);
    EXPECT_EQ(w->lstObject->topLevelItem(1)->data(0, Qt::UserRole).toInt(), 120);
    EXPECT_EQ(w->lstObject->topLevelItem(2)->text(3), QString::fromUtf8("拒否"));
    EXPECT_FALSE(w->cmbDatabase->isVisibleTo(w));
    EXPECT_EQ(OpenList(), nullptr); // one list per connection: the open one comes forward
}

TEST_F(SecurityList, DeletingTwoRolesWhereTheFirstOwnsTheSecondTakesTwoPasses)
{
    TfrmUserList* w = OpenList("sales");
    ASSERT_TRUE(w);
    w->pagUsrList->setCurrentWidget(w->tabDBRole);
    EXPECT_EQ(Captions(w), QStringList({"db_owner", "r1", "r2"}));
    Select(w, {"db_owner"});
    EXPECT_FALSE(w->actDelete->isEnabled()); // a fixed role is not deleted
    session->fixture().exact("use [sales]\n DROP ROLE [r1]").fails("The role owns securables").once();
    session->fixture().exact("use [sales]\n DROP ROLE [r1]").affects(0);
    session->fixture().exact("use [sales]\n DROP ROLE [r2]").affects(0);
    Select(w, {"r1", "r2"});
    const qsizetype mark = Mark();
    w->actDelete->trigger();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    const QStringList sent = StatementsFrom(mark); // the connection's tree is rebuilt afterwards
    ASSERT_GE(sent.size(), 3);
    EXPECT_EQ(sent.mid(0, 3),
              QStringList({"use [sales]\n DROP ROLE [r1]", "use [sales]\n DROP ROLE [r2]", "use [sales]\n DROP ROLE [r1]"}));
    EXPECT_EQ(Captions(w), QStringList({"db_owner"}));
    EXPECT_EQ(messages.last(), QString::fromUtf8("オブジェクトが削除されました。"));
}

TEST_F(SecurityList, FailedDeletesAreReportedAndStaySelected)
{
    TfrmUserList* w = OpenList("sales");
    ASSERT_TRUE(w);
    w->pagUsrList->setCurrentWidget(w->tabDBRole);
    session->fixture().exact("use [sales]\n DROP ROLE [r1]").fails("The role r1 owns securables");
    session->fixture().exact("use [sales]\n DROP ROLE [r2]").fails("The role r2 owns securables");
    Select(w, {"r1", "r2"});
    w->actDelete->trigger();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(Captions(w), QStringList({"db_owner", "r1", "r2"}));
    EXPECT_TRUE(w->lstObject->topLevelItem(1)->isSelected());
    EXPECT_TRUE(w->lstObject->topLevelItem(2)->isSelected());
    EXPECT_FALSE(messages.contains(QString::fromUtf8("オブジェクトが削除されました。")));
    EXPECT_TRUE(messages.last().contains("r1 owns")) << messages.last().toStdString();
    EXPECT_TRUE(messages.last().contains("r2 owns"));

    // A single entry that fails: the server's error, nothing said about a deletion.
    messages.clear();
    Select(w, {"r2"});
    w->actDelete->trigger();
    EXPECT_EQ(errors.size(), 1);
    EXPECT_FALSE(messages.contains(QString::fromUtf8("オブジェクトが削除されました。")));
    EXPECT_TRUE(w->lstObject->topLevelItem(2)->isSelected());
}

TEST_F(SecurityList, GrantModeTwoWritesOneSharedGrantFile)
{
    QTemporaryDir dir;
    scriptPath = dir.path();
    {
        QFile old(dir.filePath("_GRANT.SQL")); // from an earlier run: started afresh
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old text\r\n");
    }
    ScriptOption.OneScript = false;
    ScriptOption.Dir = false;
    ScriptOption.Drop = false;
    ScriptOption.Grant = true;
    ScriptOption.GrantMode = pmSeparateFile;
    ScriptOption.Database = qmNever;
    qvOption.Encoding = 2;
    TfrmUserList* w = OpenList();
    ASSERT_TRUE(w);
    Select(w, {"x", "y"});
    w->actScript->trigger();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(messages.last(), QString::fromUtf8("スクリプトが出力されました。"));
    QStringList files;
    for (QDirIterator it(dir.path(), QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
        files << QDir(dir.path()).relativeFilePath(it.next());
    files.sort();
    EXPECT_EQ(files, QStringList({"_GRANT.SQL", "x.SQL", "y.SQL"}));
    QFile grant(dir.filePath("_GRANT.SQL"));
    ASSERT_TRUE(grant.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(grant.readAll()), "GRANT CONNECT SQL TO [x]\r\ngo\r\nGRANT CONNECT SQL TO [y]\r\ngo\r\n");
    QFile x(dir.filePath("x.SQL"));
    ASSERT_TRUE(x.open(QIODevice::ReadOnly));
    const QString script = QString::fromUtf8(x.readAll());
    EXPECT_TRUE(script.startsWith("CREATE LOGIN [x] WITH\r\n    PASSWORD = N''\r\n")) << script.toStdString();
    EXPECT_EQ(w->lstObject->selectedItems().size(), 0);
}

TEST_F(SecurityList, OpensTheLoginWindowAndStopsAtAnOpenOne)
{
    qvOption.OpenMode = omDefine;
    TfrmUserList* w = OpenList();
    ASSERT_TRUE(w);
    Select(w, {"x"});
    w->actOpen->trigger();
    ASSERT_NE(main->FindWindow(TfrmLogin::staticMetaObject, "LOGIN - x @ srv.master", false), nullptr);
    EXPECT_TRUE(w->lstObject->selectedItems().isEmpty());
    // sa opens; x is open already and comes forward, which ends the loop: x and y stay selected.
    Select(w, {"sa", "x", "y"});
    w->actOpen->trigger();
    EXPECT_NE(main->FindWindow(TfrmLogin::staticMetaObject, "LOGIN - sa @ srv.master", false), nullptr);
    EXPECT_EQ(main->FindWindow(TfrmLogin::staticMetaObject, "LOGIN - y @ srv.master", false), nullptr);
    QStringList selected;
    for (QTreeWidgetItem* i : w->lstObject->selectedItems())
        selected << i->text(0);
    EXPECT_EQ(selected, QStringList({"x", "y"}));
}

TEST_F(SecurityList, Renders)
{
    main->resize(1100, 700);
    main->show();
    TfrmUserList* w = OpenList("sales");
    ASSERT_TRUE(w);
    w->parentWidget()->resize(900, 420);
    QCoreApplication::processEvents();
    const QString dir = qEnvironmentVariable("QORVEL_RENDER_DIR", testHome());
    QDir().mkpath(dir);
    EXPECT_TRUE(w->grab().save(dir + "/security_list_logins.png"));
    w->pagUsrList->setCurrentWidget(w->tabDBRole);
    QCoreApplication::processEvents();
    EXPECT_TRUE(w->grab().save(dir + "/security_list_roles.png"));
    EXPECT_TRUE(w->cmbDatabase->isVisibleTo(w));
}
