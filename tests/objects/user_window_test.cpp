// The user window on the scripted session, opened through the connection window: new users,
// users without a login, owned schemas, the resource page (permissions on users read against
// the securable) and the rendering.
#include "objects/resource_page.h"
#include "objects/user_window.h"

#include "app/message_box.h"
#include "controls/grid/string_grid.h"
#include "controls/lists/qv_listview.h"
#include "platform/exceptions.h"
#include "platform/textcodec.h"
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

QString Utf16(const QByteArray& bytes) { return TextEncoding::get(TextEncoding::Utf16LE).decode(bytes); }

struct UserWindow : DefineSession {
    bool version8 = false;
    void SetUp() override
    {
        DefineSession::SetUp();
        if (version8)
            Connect8();
        else
            Connect();
        for (const char* db : {"use [sales]", "use [master]"})
            session->fixture().exact(db);
        session->fixture().pattern("use \\[sales\\]\\nSELECT sc\\.name, ow\\.name from sys\\.schemas sc.*")
            .returns({column("name", "sysname"), column("name", "sysname")}, {{"dbo", "dbo"}, {"s1", "u1"}, {"s2", "dbo"}});
    }
    void User(const QString& name, const QVariant& login, const QString& schema)
    {
        FixtureRule& r = session->fixture().pattern("select suser_sname\\(u\\.sid\\), u\\.default_schema_name.*");
        r.params = QVariantList{name};
        r.returns({column("", "nvarchar(128)"), column("default_schema_name", "sysname")}, {{login, schema}});
    }
    void Resources(const QString& principal, const std::vector<QVariantList>& rows)
    {
        FixtureRule& r = session->fixture().pattern("select distinct cast\\(o\\.name as nvarchar\\(4000\\)\\).*");
        r.params = QVariantList{principal, principal};
        r.returns({column("ResName", "nvarchar(4000)"), column("ResType", "varchar(1)"), column("HasPerms", "varchar(1)")},
                  rows);
    }
    void Grants(const QVariantList& params, const std::vector<QVariantList>& rows)
    {
        FixtureRule& r = session->fixture().pattern("SELECT prms\\.state, grantor\\.name, prms\\.permission_name.*");
        r.params = params;
        r.returns({column("state", "char(1)"), column("name", "sysname"), column("permission_name", "nvarchar(128)")}, rows);
    }
    // The log-on facts of a SQL Server 2000 server.
    void Connect8()
    {
        using namespace qv::catalog;
        for (const QString& sql : {QString("select SERVERPROPERTY('productversion')"), QString(facts::ProductVersion)})
            Answer(sql, "8.00.2039");
        Answer(facts::Edition, "Developer Edition");
        Answer(facts::LoginName, "sa");
        Answer(facts::CurrentDatabase, "master");
        Answer(facts::UserName, "dbo");
        Answer(facts::Spid, "55");
        session->fixture().pattern("set showplan.*").affects(0);
        session->fixture().exact(DatabaseListSql(false)).returns({column("name", "sysname")}, {{"master"}, {"sales"}});
        conn = new TfrmObject(nullptr, "master", "sa", "pw", "srv", session);
        main->AddChildWindow(conn);
    }
    TfrmUser* OpenUser(const QString& db, const QString& name, TOpenMode mode = omDefine)
    {
        return qobject_cast<TfrmUser*>(Open(3, db, "dbo", name, mode));
    }
};

} // namespace

TEST_F(UserWindow, NewUserIsCreatedForItsLogin)
{
    TfrmUser* w = OpenUser("sales", "");
    ASSERT_TRUE(w);
    EXPECT_TRUE(w->IsNew());
    EXPECT_TRUE(w->pnlLogin->isEnabled());
    EXPECT_FALSE(w->pagObject->isTabVisible(w->pagObject->indexOf(w->tabResource)));
    w->txtName->setText("u9");
    w->Compile(); // no login
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes.at(0), "48:" + QString::fromUtf8("ログイン名を入力して下さい。"));
    w->cmbLogin->setEditText("l9");
    session->fixture().exact("CREATE USER [u9] FOR LOGIN [l9]").affects(0);
    User("u9", "l9", "dbo");
    Resources("u9", {{"u9", "0", "0"}});
    const qsizetype mark = Mark();
    w->Compile();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(StatementsFrom(mark).mid(0, 2), QStringList({"use [sales]", "CREATE USER [u9] FOR LOGIN [l9]"}));
    EXPECT_FALSE(w->IsNew());
    EXPECT_EQ(w->windowTitle(), "USER - sales.u9 @ srv.master");
}

struct UserWindow8 : UserWindow {
    UserWindow8() { version8 = true; }
};

TEST_F(UserWindow8, NewUserIsGrantedDatabaseAccess)
{
    ASSERT_EQ(conn->DBVer(), 8);
    TfrmUser* w = OpenUser("sales", "");
    ASSERT_TRUE(w) << errors.join("\n").toStdString();
    EXPECT_FALSE(w->pnlDefSchema->isVisibleTo(w));
    EXPECT_FALSE(w->pnlRight->isVisibleTo(w));
    w->txtName->setText("u9");
    w->cmbLogin->setEditText("l9");
    session->fixture().exact("EXEC sp_grantdbaccess [l9], [u9]").affects(0);
    FixtureRule& r = session->fixture().pattern("SELECT suser_sname\\(u\\.sid\\), '' FROM sysusers AS u.*");
    r.params = QVariantList{"u9"};
    r.returns({column("", "nvarchar(128)"), column("", "varchar(1)")}, {{"l9", ""}});
    const qsizetype mark = Mark();
    w->Compile();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(StatementsFrom(mark).mid(0, 2), QStringList({"use [sales]", "EXEC sp_grantdbaccess [l9], [u9]"}));
    EXPECT_FALSE(w->IsNew());
    EXPECT_FALSE(w->pagObject->isTabVisible(w->pagObject->indexOf(w->tabResource)));
}

TEST_F(UserWindow, UserWithoutLoginIsScriptedWithoutLogin)
{
    User("app", QVariant(), "dbo");
    Resources("app", {{"app", "0", "0"}});
    TfrmUser* w = OpenUser("sales", "app", omSource);
    ASSERT_TRUE(w) << errors.join("\n").toStdString();
    EXPECT_TRUE(w->pnlLogin->isEnabled()); // an orphaned user can be mapped
    EXPECT_EQ(w->SourceLines(),
              QStringList({"use [sales]", "go", "CREATE USER [app] WITHOUT LOGIN WITH DEFAULT_SCHEMA = [dbo]", "go"}));
    ScriptOption.Database = qmNever;
    DefineScriptRequest r;
    r.objectType = 2;
    r.database = "sales";
    r.name = "app";
    QBuffer memory;
    memory.open(QIODevice::WriteOnly);
    EXPECT_THROW(DefinitionScripts().value(2)(conn, r, memory), EAbort);
    EXPECT_EQ(Utf16(memory.data()), "CREATE USER [app] WITHOUT LOGIN WITH DEFAULT_SCHEMA = [dbo]\r\ngo\r\n");
}

TEST_F(UserWindow, UntickedSchemaGoesBackToDbo)
{
    User("u1", "l1", "s1");
    Resources("u1", {{"s1", "1", "0"}});
    TfrmUser* w = OpenUser("sales", "u1");
    ASSERT_TRUE(w) << errors.join("\n").toStdString();
    EXPECT_FALSE(w->pnlLogin->isEnabled());
    EXPECT_EQ(w->cmbLogin->currentText(), "l1");
    EXPECT_EQ(w->grdSchema->Rows(2), QStringList({"1", "s1", "u1"}));
    w->grdSchema->SetChecked(0, 2, false);
    EXPECT_TRUE(w->Modified());
    session->fixture().exact("ALTER USER [u1] WITH DEFAULT_SCHEMA = [s1]").affects(0);
    session->fixture().exact("ALTER AUTHORIZATION ON SCHEMA::[s1] TO [dbo]").affects(0);
    const qsizetype mark = Mark();
    w->Compile();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(StatementsFrom(mark).mid(0, 3), QStringList({"use [sales]", "ALTER USER [u1] WITH DEFAULT_SCHEMA = [s1]",
                                                           "ALTER AUTHORIZATION ON SCHEMA::[s1] TO [dbo]"}));
}

TEST_F(UserWindow, PermissionOnAnotherUserIsReadAndWrittenOnThatUser)
{
    User("u1", "l1", "dbo");
    Resources("u1", {{"u1", "0", "0"}, {"u2", "0", "1"}});
    // IMPERSONATE on u2 granted by dbo: read with u2 as the securable, not as the grantor.
    Grants({"4", "u1", "u2"}, {{"G", "dbo", "IMPERSONATE"}});
    TfrmUser* w = OpenUser("sales", "u1", omGrant);
    ASSERT_TRUE(w) << errors.join("\n").toStdString();
    ASSERT_EQ(w->pagObject->currentWidget(), w->tabResource);
    TfraResource* page = w->fraResource;
    ASSERT_EQ(page->lstResource->topLevelItemCount(), 1);
    page->SelectResource(0);
    EXPECT_EQ(page->grdGrant->Rows(2), QStringList({"IMPERSONATE", "dbo", "1", "", ""}));
    page->grdGrant->SetChecked(3, 2, true); // with grant option
    session->fixture().exact("GRANT IMPERSONATE ON USER::[u2] TO [u1] WITH GRANT OPTION").affects(0);
    const qsizetype mark = Mark();
    w->Compile();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(StatementsFrom(mark).mid(0, 2),
              QStringList({"use [sales]", "GRANT IMPERSONATE ON USER::[u2] TO [u1] WITH GRANT OPTION"}));
    // The permission script writes it back on the same securable.
    ScriptOption.Database = qmNever;
    QBuffer memory;
    memory.open(QIODevice::WriteOnly);
    EXPECT_THROW(TfrmUser::GetScriptResource(conn, "sales", "u1", memory), EAbort);
    EXPECT_EQ(Utf16(memory.data()), "GRANT IMPERSONATE ON USER::[u2] TO [u1]\r\ngo\r\n");
}

TEST_F(UserWindow, MissingUserOpensNoWindow)
{
    FixtureRule& r = session->fixture().pattern("select suser_sname\\(u\\.sid\\), u\\.default_schema_name.*");
    r.params = QVariantList{"gone"};
    r.returns({column("", "nvarchar(128)"), column("default_schema_name", "sysname")}, {});
    EXPECT_EQ(OpenUser("sales", "gone"), nullptr);
    EXPECT_EQ(boxes, QStringList({"16:" + QString::fromUtf8("定義情報を読み込めませんでした。")}));
}

TEST_F(UserWindow, RendersDefinitionAndResourcePages)
{
    User("u1", "l1", "s1");
    Resources("u1", {{"s1", "1", "1"}, {"u2", "0", "1"}});
    Grants({"3", "u1", "s1"}, {{"G", "dbo", "SELECT"}, {"D", "dbo", "DELETE"}});
    Grants({"4", "u1", "u2"}, {{"W", "dbo", "IMPERSONATE"}});
    main->resize(1100, 760);
    main->show();
    TfrmUser* w = OpenUser("sales", "u1");
    ASSERT_TRUE(w) << errors.join("\n").toStdString();
    w->parentWidget()->resize(820, 460);
    QCoreApplication::processEvents();
    saveGrab(w, "user_window_definition");
    w->pagObject->setCurrentWidget(w->tabResource);
    QCoreApplication::processEvents();
    w->fraResource->SelectResource(0);
    QCoreApplication::processEvents();
    saveGrab(w, "user_window_resource");
    TfrmUser* n = OpenUser("sales", "");
    ASSERT_TRUE(n);
    n->parentWidget()->resize(700, 360);
    QCoreApplication::processEvents();
    saveGrab(n, "user_window_new");
    for (QWidget* c : {static_cast<QWidget*>(w->cmbLogin), static_cast<QWidget*>(w->cmbDefSchema),
                       static_cast<QWidget*>(w->grdSchema)}) {
        const QRect r(c->mapTo(w, QPoint(0, 0)), c->size());
        EXPECT_TRUE(w->rect().contains(r)) << c->objectName().toStdString();
    }
}
