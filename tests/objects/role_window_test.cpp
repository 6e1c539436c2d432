// The role window on the scripted session, opened through the connection window: the kind of
// role, members, owned schemas and the resource page's permission statements, the script
// routines and the rendering.
#include "objects/resource_page.h"
#include "objects/role_window.h"

#include "app/message_box.h"
#include "connection/object_session.h"
#include "platform/db/connection.h"
#include "controls/grid/string_grid.h"
#include "controls/inputs/inputs.h"
#include "controls/lists/qv_listview.h"
#include "platform/exceptions.h"
#include "platform/textcodec.h"
#include "support/test_env.h"
#include "tables/define_script.h"
#include "tables/define_session_helper.h"

#include <QAction>
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

struct RoleWindow : DefineSession {
    void SetUp() override
    {
        DefineSession::SetUp();
        Connect();
        for (const char* db : {"use [sales]", "use [master]"})
            session->fixture().exact(db);
        session->fixture().pattern("use \\[sales\\]\\nselect name from sysusers order by name")
            .returns({column("name", "sysname")}, {{"dbo"}, {"guest"}});
    }
    // Database users and roles with the member flag for `role`.
    void Members(const QString& role, const std::vector<QVariantList>& rows)
    {
        FixtureRule& r = session->fixture().pattern("select a\\.name , issqluser.*from sysusers a left outer join sysmembers.*");
        r.params = QVariantList{role, role, role};
        r.returns({column("name", "sysname"), column("issqluser", "int"), column("issqlrole", "int"),
                   column("isntuser", "int"), column("isntgroup", "int"), column("", "varchar(1)")},
                  rows);
    }
    void Exists(const QString& role)
    {
        FixtureRule& r = session->fixture().exact("EXEC sp_helprole ?");
        r.params = QVariantList{role};
        r.returns({column("RoleName", "sysname"), column("RoleId", "int"), column("IsAppRole", "int")}, {{role, 5, 0}});
    }
    void Schemas(const std::vector<QVariantList>& rows)
    {
        session->fixture().pattern("use \\[sales\\]\\nSELECT sc\\.name, ow\\.name from sys\\.schemas sc.*")
            .returns({column("name", "sysname"), column("name", "sysname")}, rows);
    }
    // The resource list of `principal`: each row ResName, ResType, HasPerms.
    void Resources(const QString& principal, const std::vector<QVariantList>& rows)
    {
        FixtureRule& r = session->fixture().pattern("select distinct (cast\\()?o\\.name.*");
        r.params = QVariantList{principal, principal};
        r.returns({column("ResName", "nvarchar(4000)"), column("ResType", "varchar(1)"), column("HasPerms", "varchar(1)")},
                  rows);
    }
    // The permissions of `principal` on one securable (params CLASS, GRANTEE, SECURABLE).
    void Grants(const QVariantList& params, const std::vector<QVariantList>& rows)
    {
        FixtureRule& r = session->fixture().pattern("SELECT prms\\.state, grantor\\.name, prms\\.permission_name.*");
        r.params = params;
        r.returns({column("state", "char(1)"), column("name", "sysname"), column("permission_name", "nvarchar(128)")}, rows);
    }
    TfrmRole* OpenRole(const QString& db, const QString& owner, const QString& name, TOpenMode mode = omDefine)
    {
        return qobject_cast<TfrmRole*>(Open(68, db, owner, name, mode));
    }
    // r1 owns s1; u1 is a member; r1 holds IMPERSONATE WITH GRANT OPTION on user u2 (granted
    // by dbo) and SELECT on schema s1.
    void R1()
    {
        Exists("r1");
        Members("r1", {{"u1", 1, 0, 0, 0, "1"}, {"r2", 0, 1, 0, 0, "0"}, {"DOM\\w", 0, 0, 1, 0, "0"}});
        Schemas({{"dbo", "dbo"}, {"s1", "r1"}, {"s2", "dbo"}});
        Resources("r1", {{"s1", "1", "1"}, {"u1", "0", "0"}, {"u2", "0", "1"}});
        Grants({"4", "r1", "u2"}, {{"W", "dbo", "IMPERSONATE"}});
        Grants({"3", "r1", "s1"}, {{"G", "dbo", "SELECT"}, {"G", "dbo", "RECEIVE"}});
    }
};

} // namespace

TEST_F(RoleWindow, FixedRoleIsScriptedAsMembersOnly)
{
    Members("db_ddladmin", {{"u1", 1, 0, 0, 0, "1"}, {"u2", 1, 0, 0, 0, "0"}});
    Schemas({{"dbo", "dbo"}});
    TfrmRole* w = OpenRole("sales", "dbo", "db_ddladmin", omSource);
    ASSERT_TRUE(w) << boxes.join("\n").toStdString() << errors.join("\n").toStdString();
    EXPECT_EQ(w->RoleMode, 1);
    EXPECT_FALSE(w->actDelete->isEnabled()); // only a user-defined role is deleted
    EXPECT_EQ(w->windowTitle(), "ROLE - sales.db_ddladmin @ srv.master");
    EXPECT_FALSE(w->pagObject->isTabVisible(w->pagObject->indexOf(w->tabResource)));
    EXPECT_EQ(w->SourceLines(), QStringList({"use [sales]", "go", "EXEC sp_addrolemember [db_ddladmin], [u1]", "go"}));

    ScriptOption.Database = qmNever;
    DefineScriptRequest r;
    r.objectType = 68;
    r.database = "sales";
    r.schema = "dbo";
    r.name = "db_ddladmin";
    QBuffer memory;
    memory.open(QIODevice::WriteOnly);
    EXPECT_THROW(DefinitionScripts().value(68)(conn, r, memory), EAbort);
    EXPECT_EQ(Utf16(memory.data()), "EXEC sp_addrolemember [db_ddladmin], [u1]\r\ngo\r\n");
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
}

TEST_F(RoleWindow, ResourcePageWritesRevokeCascadeThenGrant)
{
    R1();
    TfrmRole* w = OpenRole("sales", "dbo", "r1", omGrant);
    ASSERT_TRUE(w) << boxes.join("\n").toStdString() << errors.join("\n").toStdString();
    EXPECT_EQ(w->RoleMode, 2);
    ASSERT_EQ(w->pagObject->currentWidget(), w->tabResource);
    TfraResource* page = w->fraResource;
    // Only the securables with permissions are listed; u2's row is its own class-4 permission.
    ASSERT_EQ(page->lstResource->topLevelItemCount(), 2);
    EXPECT_EQ(page->lstResource->topLevelItem(1)->text(0), "u2");
    EXPECT_EQ(page->lstResource->topLevelItem(1)->text(1), QString::fromUtf8("ユーザー"));
    page->SelectResource(1);
    TqvStringGrid* g = page->grdGrant;
    ASSERT_EQ(g->RowCount(), 5);
    EXPECT_EQ(g->Rows(2), QStringList({"IMPERSONATE", "dbo", "", "1", ""}));
    EXPECT_FALSE(w->Modified());
    // W → G: tick "許可", untick "許可の有無".
    g->SetChecked(2, 2, true);
    EXPECT_FALSE(w->Modified()); // still W
    g->SetChecked(3, 2, false);
    EXPECT_TRUE(w->Modified());
    EXPECT_EQ(g->Rows(2), QStringList({"IMPERSONATE", "dbo", "1", "", ""}));
    // Ticking deny on ALTER clears nothing else and gives DENY.
    g->SetChecked(4, 3, true);
    session->fixture().exact("REVOKE IMPERSONATE ON USER::[u2] TO [r1] CASCADE").affects(0);
    session->fixture().exact("GRANT IMPERSONATE ON USER::[u2] TO [r1]").affects(0);
    session->fixture().exact("DENY ALTER ON USER::[u2] TO [r1]").affects(0);
    const qsizetype mark = Mark();
    w->Compile();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(StatementsFrom(mark).mid(0, 4),
              QStringList({"use [sales]", "REVOKE IMPERSONATE ON USER::[u2] TO [r1] CASCADE",
                           "GRANT IMPERSONATE ON USER::[u2] TO [r1]", "DENY ALTER ON USER::[u2] TO [r1]"}));
    EXPECT_FALSE(w->Modified());
}

TEST_F(RoleWindow, PermissionScriptHasNoRevoke)
{
    R1();
    ScriptOption.Database = qmAlways;
    QBuffer memory;
    memory.open(QIODevice::WriteOnly);
    EXPECT_THROW(TfrmRole::GetScriptResource(conn, "sales", "dbo", "r1", memory), EAbort);
    EXPECT_EQ(Utf16(memory.data()), "use [sales]\r\ngo\r\n"
                                    "GRANT SELECT ON SCHEMA::[s1] TO [r1]\r\ngo\r\n"
                                    "GRANT IMPERSONATE ON USER::[u2] TO [r1] WITH GRANT OPTION\r\ngo\r\n");
    // The fixed roles have no permission script.
    Members("db_owner", {});
    QBuffer none;
    none.open(QIODevice::WriteOnly);
    EXPECT_THROW(TfrmRole::GetScriptResource(conn, "sales", "dbo", "db_owner", none), EAbort);
    EXPECT_TRUE(none.data().isEmpty());
}

TEST_F(RoleWindow, MembersAndOwnedSchemasOfAnExistingRole)
{
    R1();
    TfrmRole* w = OpenRole("sales", "dbo", "r1");
    ASSERT_TRUE(w);
    EXPECT_EQ(w->grdMember->Rows(1), QStringList({"u1", QString::fromUtf8("SQLServerユーザー"), "1"}));
    EXPECT_EQ(w->grdMember->Rows(2), QStringList({"r2", QString::fromUtf8("ユーザー定義"), ""}));
    EXPECT_EQ(w->grdMember->Rows(3).at(1), QString::fromUtf8("Windowsユーザー"));
    EXPECT_EQ(w->grdSchema->Rows(2), QStringList({"1", "s1", "r1"}));
    w->grdMember->SetChecked(2, 1, false); // u1 leaves
    w->grdMember->SetChecked(2, 2, true);  // r2 joins
    w->grdSchema->SetChecked(0, 2, false); // s1 goes back to dbo
    EXPECT_TRUE(w->Modified());
    for (const char* s : {"EXEC sp_droprolemember [r1], [u1]", "EXEC sp_addrolemember [r1], [r2]",
                          "ALTER AUTHORIZATION ON SCHEMA::[s1] TO [dbo]"})
        session->fixture().exact(s).affects(0);
    // An open transaction is committed before the run; with AutoTran one is started after it.
    const bool savedAutoTran = qvOption.AutoTran;
    qvOption.AutoTran = true;
    db::Connection* con = conn->session()->dmSQLServer->Connection;
    con->StartTransaction();
    const qsizetype events = session->events().size();
    const qsizetype mark = Mark();
    w->Compile();
    qvOption.AutoTran = savedAutoTran;
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    const QStringList after = session->events().mid(events);
    ASSERT_GE(after.size(), 2);
    EXPECT_EQ(after.first(), "Commit");
    EXPECT_EQ(after.last(), "StartTransaction");
    EXPECT_TRUE(con->InTransaction());
    EXPECT_EQ(StatementsFrom(mark).mid(0, 4),
              QStringList({"use [sales]", "EXEC sp_droprolemember [r1], [u1]", "EXEC sp_addrolemember [r1], [r2]",
                           "ALTER AUTHORIZATION ON SCHEMA::[s1] TO [dbo]"}));
}

TEST_F(RoleWindow, NewRoleIsCreatedWithItsOwnerAndMembers)
{
    Members("", {{"u1", 1, 0, 0, 0, "0"}});
    Schemas({{"s2", "dbo"}});
    TfrmRole* w = OpenRole("sales", "dbo", "");
    ASSERT_TRUE(w);
    EXPECT_TRUE(w->cmbSchema->isVisible() || !w->isVisible());
    EXPECT_FALSE(w->pagObject->isTabVisible(w->pagObject->indexOf(w->tabResource)));
    // The owner is required for a new database role.
    w->cmbSchema->setEditText("");
    w->txtName->setText("r9");
    w->Compile();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes.at(0), "48:" + QString::fromUtf8("スキーマ名を入力して下さい。"));
    w->cmbSchema->setEditText("dbo");
    w->grdMember->SetChecked(2, 1, true);
    w->grdSchema->SetChecked(0, 1, true);
    for (const char* s : {"CREATE ROLE [r9] AUTHORIZATION [dbo]", "EXEC sp_addrolemember [r9], [u1]",
                          "ALTER AUTHORIZATION ON SCHEMA::[s2] TO [r9]"})
        session->fixture().exact(s).affects(0);
    Exists("r9");
    Members("r9", {{"u1", 1, 0, 0, 0, "1"}});
    Resources("r9", {{"u1", "0", "0"}});
    const qsizetype mark = Mark();
    w->Compile();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(StatementsFrom(mark).mid(0, 4),
              QStringList({"use [sales]", "CREATE ROLE [r9] AUTHORIZATION [dbo]", "EXEC sp_addrolemember [r9], [u1]",
                           "ALTER AUTHORIZATION ON SCHEMA::[s2] TO [r9]"}));
    EXPECT_FALSE(w->IsNew());
    EXPECT_TRUE(w->pagObject->isTabVisible(w->pagObject->indexOf(w->tabResource)));
}

// Another database chosen for a new role: its members are read from that database.
TEST_F(RoleWindow, ChangingTheDatabaseReadsItsMembersAgain)
{
    Members("", {{"u1", 1, 0, 0, 0, "0"}});
    Schemas({{"s2", "dbo"}});
    TfrmRole* w = OpenRole("sales", "dbo", "");
    ASSERT_TRUE(w);
    session->fixture().exact("use [hr]");
    session->fixture().pattern("use \\[hr\\]\\nSELECT sc\\.name, ow\\.name from sys\\.schemas sc.*")
        .returns({column("name", "sysname"), column("name", "sysname")}, {{"dbo", "dbo"}});
    const qsizetype mark = Mark();
    w->cmbDatabase->setEditText("hr");
    emit w->cmbDatabase->activated(0);
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    // The member query runs after the switch to hr.
    const QStringList sent = StatementsFrom(mark);
    const qsizetype use = sent.indexOf("use [hr]");
    ASSERT_GE(use, 0) << sent.join("\n").toStdString();
    EXPECT_TRUE(sent.value(use + 1).contains("sysmembers")) << sent.join("\n").toStdString();
    EXPECT_EQ(w->grdSchema->RowCount() > 0, true);
}

TEST_F(RoleWindow, ServerRoleListsLoginsWithoutDatabaseSwitch)
{
    FixtureRule& m = session->fixture().pattern("set nocount on create table #SrvRoleMembertemp.*");
    m.params = QVariantList{"sysadmin"};
    m.returns({column("name", "sysname"), column("Roletype", "varchar(1)")}, {{"sa", "1"}, {"l1", "0"}});
    TfrmRole* w = OpenRole("", "", "sysadmin");
    ASSERT_TRUE(w) << errors.join("\n").toStdString();
    EXPECT_EQ(w->RoleMode, 0);
    EXPECT_EQ(w->grdMember->ColCount(), 2);
    EXPECT_EQ(w->grdMember->Rows(0), QStringList({QString::fromUtf8("ログイン名"), QString::fromUtf8("有効/無効")}));
    EXPECT_EQ(w->grdMember->Rows(1), QStringList({"sa", "1"}));
    EXPECT_FALSE(w->pnlObjBack->isVisibleTo(w));
    w->grdMember->SetChecked(1, 2, true);
    session->fixture().exact("EXEC sp_addsrvrolemember [l1], [sysadmin]").affects(0);
    const qsizetype mark = Mark();
    w->Compile();
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join("\n").toStdString();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    const QStringList sent = StatementsFrom(mark);
    ASSERT_FALSE(sent.isEmpty());
    EXPECT_EQ(sent.at(0), "EXEC sp_addsrvrolemember [l1], [sysadmin]");
}

TEST_F(RoleWindow, RendersDefinitionAndResourcePages)
{
    R1();
    main->resize(1100, 760);
    main->show();
    TfrmRole* w = OpenRole("sales", "dbo", "r1");
    ASSERT_TRUE(w);
    w->parentWidget()->resize(820, 460);
    QCoreApplication::processEvents();
    saveGrab(w, "role_window_definition");
    w->pagObject->setCurrentWidget(w->tabResource);
    QCoreApplication::processEvents();
    w->fraResource->SelectResource(1);
    QCoreApplication::processEvents();
    saveGrab(w, "role_window_resource");
    for (QWidget* c : {static_cast<QWidget*>(w->fraResource->rdogrant), static_cast<QWidget*>(w->fraResource->rdoall),
                       static_cast<QWidget*>(w->fraResource->grdGrant)}) {
        const QRect r(c->mapTo(w, QPoint(0, 0)), c->size());
        EXPECT_TRUE(w->rect().contains(r)) << c->objectName().toStdString();
        EXPECT_GE(c->width(), c->minimumSizeHint().width()) << c->objectName().toStdString();
    }
}
