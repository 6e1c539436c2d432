// Permissions: the permission lists, the state model of the privileges page (loading, the
// write-back of a click into a multiple selection), the statements, the permission rows of the
// principal windows, and the privileges frame itself on the scripted session.
#include "tables/privileges_frame.h"
#include "tables/privileges_text.h"

#include "app/qvform.h"
#include "connection/catalog_queries.h"
#include "controls/grid/string_grid.h"
#include "controls/lists/qv_listview.h"
#include "objects/login_perm_text.h"
#include "support/test_env.h"
#include "tables/define_session_helper.h"

#include <QDir>
#include <QRadioButton>
#include <QVBoxLayout>

using namespace qv;
using namespace qv::grants;
using namespace qv::db;
using namespace qvtest;

namespace {

// ---- permission lists -------------------------------------------------------------------

struct ListCase {
    int kind, dbVer;
    bool azure;
    int count;
    const char* first;
    const char* firstCaption;
};

class PermissionLists : public ::testing::TestWithParam<ListCase> {};

TEST_P(PermissionLists, KindAndVersionGiveTheColumns)
{
    const ListCase c = GetParam();
    const PermissionList p = Permissions(c.kind, c.dbVer, c.azure);
    ASSERT_EQ(p.names.size(), c.count);
    ASSERT_EQ(p.captions.size(), c.count);
    if (c.count > 0) {
        EXPECT_EQ(p.names.first(), QString::fromUtf8(c.first));
        EXPECT_EQ(p.captions.first(), QString::fromUtf8(c.firstCaption));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, PermissionLists,
    ::testing::Values(ListCase{45, 15, false, 9, "ALTER", "ALTER"},
                      ListCase{47, 8, false, 5, "DELETE", "DELETE(データ削除権)"},
                      ListCase{51, 9, false, 5, "ALTER", "ALTER"}, ListCase{51, 8, false, 1, "EXECUTE", "EXECUTE"},
                      ListCase{52, 10, false, 6, "ALTER", "ALTER"}, ListCase{52, 8, false, 2, "EXECUTE", "EXECUTE"},
                      ListCase{58, 11, false, 4, "ALTER", "ALTER"}, ListCase{58, 10, false, 0, "", ""},
                      ListCase{60, 9, false, 8, "CONTROL", "CONTROL"}, ListCase{60, 8, false, 0, "", ""},
                      ListCase{1, 15, false, 61, "ALTER ANY APPLICATION ROLE", "ALTER ANY APPLICATION ROLE"},
                      ListCase{1, 12, false, 60, "ALTER ANY APPLICATION ROLE", "ALTER ANY APPLICATION ROLE"},
                      ListCase{1, 15, true, 60, "ALTER ANY APPLICATION ROLE", "ALTER ANY APPLICATION ROLE"},
                      ListCase{1, 8, false, 8, "BACKUP DATABASE", "BACKUP DATABASE"},
                      ListCase{57, 15, false, 0, "", ""}));

TEST(PermissionLists, VersionEightGridNamesTheRightWhileStatementsUseTheBareName)
{
    const PermissionList p = Permissions(45, 8, false);
    EXPECT_EQ(p.captions.at(3), QStringLiteral("SELECT(データ問合せ権)"));
    EXPECT_EQ(p.names.at(3), QStringLiteral("SELECT"));
    EXPECT_TRUE(Permissions(1, 15, false).names.contains("UNMASK"));
    EXPECT_FALSE(Permissions(1, 15, true).names.contains("UNMASK"));
}

// ---- statements -------------------------------------------------------------------------

struct ChangeCase {
    const char* loaded;
    const char* current;
    QStringList lines;
};

class ChangeStatementsTable : public ::testing::TestWithParam<ChangeCase> {};

TEST_P(ChangeStatementsTable, OneChangeGivesItsBatches)
{
    const ChangeCase c = GetParam();
    EXPECT_EQ(ChangeStatements("SELECT", ObjectPart("dbo", "T"), "u1", c.loaded, c.current), c.lines);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ChangeStatementsTable,
    ::testing::Values(
        ChangeCase{"G", "*",
                   {"REVOKE GRANT OPTION FOR SELECT ON [dbo].[T] TO [u1] CASCADE", "go", "GRANT SELECT ON [dbo].[T] TO [u1]",
                    "go"}},
        ChangeCase{"G", "",
                   {"REVOKE GRANT OPTION FOR SELECT ON [dbo].[T] TO [u1] CASCADE", "go",
                    "REVOKE SELECT ON [dbo].[T] FROM [u1]", "go"}},
        ChangeCase{"", "G", {"GRANT SELECT ON [dbo].[T] TO [u1] WITH GRANT OPTION", "go"}},
        ChangeCase{"*", "D", {"DENY SELECT ON [dbo].[T] TO [u1]", "go"}},
        ChangeCase{"D", "", {"REVOKE SELECT ON [dbo].[T] FROM [u1]", "go"}},
        ChangeCase{"*", "*", {}}));

TEST(ChangeStatements, DatabaseWideHasNoOnPartAndNamesAreQuoted)
{
    EXPECT_EQ(ChangeStatements("CREATE TABLE", ObjectPart("", ""), "u1", "", "*"),
              QStringList({"GRANT CREATE TABLE TO [u1]", "go"}));
    EXPECT_EQ(ChangeStatements("SELECT", ObjectPart("a]b", "T x"), "o'k]", "", "*"),
              QStringList({"GRANT SELECT ON [a]]b].[T x] TO [o'k]]]", "go"}));
}

// ---- the state model ----------------------------------------------------------------------

GrantModel ThreePrincipals()
{
    GrantModel m;
    m.SetPermissions({"INSERT", "SELECT", "UPDATE"});
    m.AddPrincipal("a", true);
    m.AddPrincipal("b", true);
    m.AddPrincipal("c", false);
    m.Load("a", "SELECT", 205);
    m.Load("b", "SELECT", 206);
    m.Load("b", "INSERT", 204);
    return m;
}

TEST(GrantModel, LoadSetsBothStatesAndSkipsUnknownRows)
{
    GrantModel m = ThreePrincipals();
    EXPECT_FALSE(m.Load("zz", "SELECT", 205));
    EXPECT_FALSE(m.Load("a", "EXECUTE", 205));
    EXPECT_EQ(m.At(1).current, QStringList({"G", "D", ""}));
    EXPECT_EQ(m.At(1).loaded, m.At(1).current);
    EXPECT_FALSE(m.IsChanged());
    m.DropUnmatched();
    ASSERT_EQ(m.Count(), 2);
    EXPECT_EQ(m.At(1).name, QStringLiteral("b"));
}

struct NextCase {
    const char* state;
    int column;
    bool checked;
    const char* next;
};
class NextStateTable : public ::testing::TestWithParam<NextCase> {};
TEST_P(NextStateTable, ClickMovesOnePrincipal)
{
    const NextCase c = GetParam();
    EXPECT_EQ(GrantModel::NextState(c.state, c.column, c.checked), QString::fromUtf8(c.next));
}
INSTANTIATE_TEST_SUITE_P(Table, NextStateTable,
                         ::testing::Values(NextCase{"", ColGrant, true, "*"}, NextCase{"D", ColGrant, true, "*"},
                                           NextCase{"G", ColGrant, true, "G"}, NextCase{"G", ColGrant, false, ""},
                                           NextCase{"*", ColWithGrant, true, "G"}, NextCase{"G", ColWithGrant, false, "*"},
                                           NextCase{"D", ColWithGrant, false, "D"}, NextCase{"*", ColDeny, true, "D"},
                                           NextCase{"D", ColDeny, false, ""}, NextCase{"*", ColDeny, false, "*"}));

TEST(GrantModel, ClickInAMultipleSelectionWritesOnlyThatPermissionWhereItApplies)
{
    GrantModel m = ThreePrincipals();
    // SELECT: a "*", b "D", c none; the deny box (ticked by b) is cleared.
    EXPECT_EQ(m.Union({0, 1, 2}, 1), (RowBoxes{true, false, true}));
    EXPECT_TRUE(m.Click({0, 1, 2}, 1, ColDeny, false));
    EXPECT_EQ(m.At(0).current, QStringList({"", "*", ""}));
    EXPECT_EQ(m.At(1).current, QStringList({"G", "", ""}));
    EXPECT_EQ(m.At(2).current, QStringList({"", "", ""}));
    EXPECT_EQ(m.Statements(ObjectPart("dbo", "T")), QStringList({"REVOKE SELECT ON [dbo].[T] FROM [b]", "go"}));
}

TEST(GrantModel, StatementsFollowListAndColumnOrder)
{
    GrantModel m = ThreePrincipals();
    m.Click({2}, 2, ColGrant, true);
    m.Click({0}, 0, ColDeny, true);
    EXPECT_EQ(m.Statements(QString()),
              QStringList({"DENY INSERT TO [a]", "go", "GRANT UPDATE TO [c]", "go"}));
}

// ---- permission rows of the principal windows ---------------------------------------------

TEST(RecGrants, StateChangesGiveTheServerStatements)
{
    RecGrants r = RecGrants::Make(0, ClassDatabaseUser, "u2", "u2");
    ASSERT_EQ(r.NewAut.size(), 4);
    EXPECT_TRUE(r.Load("W", "dbo", "IMPERSONATE"));
    EXPECT_TRUE(r.Load("D", "dbo", "ALTER"));
    EXPECT_TRUE(r.Load("W", "dbo", "VIEW DEFINITION"));
    EXPECT_FALSE(r.Load("G", "dbo", "SELECT"));
    r.SetFromBoxes(1, true, false, false); // W → G
    r.SetFromBoxes(2, true, false, false); // D → G
    r.SetFromBoxes(3, false, false, false); // W → R
    EXPECT_TRUE(r.Modified);
    EXPECT_EQ(RecGrantsStatements({r}, "role1", false),
              QStringList({"REVOKE IMPERSONATE ON USER::[u2] TO [role1] CASCADE", "go",
                           "GRANT IMPERSONATE ON USER::[u2] TO [role1]", "go", "GRANT ALTER ON USER::[u2] TO [role1]",
                           "go", "REVOKE VIEW DEFINITION ON USER::[u2] TO [role1] CASCADE", "go"}));
    r.OldAut = r.NewAut;
    EXPECT_EQ(RecGrantsStatements({r}, "role1", true),
              QStringList({"GRANT IMPERSONATE ON USER::[u2] TO [role1]", "go", "GRANT ALTER ON USER::[u2] TO [role1]",
                           "go"}));
    RecGrants s = RecGrants::Make(1, ClassLogin, "lg", "lg");
    s.SetFromBoxes(0, false, true, false);
    EXPECT_EQ(RecGrantsStatements({s}, "x", false),
              QStringList({"GRANT ALTER ON LOGIN::[lg] TO [x] WITH GRANT OPTION", "go"}));
}

// The permissions on a user or a login belong to that securable (major_id), whoever granted
// them.
TEST(RecGrants, ClassFourAndLoginPermissionsAreTiedToTheirSecurable)
{
    for (const QString& q : {DatabaseResourceQuery(false), DatabaseResourceQuery(true), DatabaseResourceGrantQuery(),
                             loginperm::ResourceQuery(), loginperm::GrantQuery()})
        EXPECT_FALSE(q.contains("grantor_principal_id = o.principal_id")) << q.toStdString();
    EXPECT_TRUE(DatabaseResourceQuery(false).contains("perm.major_id = o.principal_id and perm.class = 4"));
    EXPECT_TRUE(DatabaseResourceGrantQuery().contains("prms.class = 4 AND prms.major_id = u.principal_id"));
    EXPECT_FALSE(DatabaseResourceGrantQuery().contains("grantor.name LIKE"));
    EXPECT_TRUE(loginperm::ResourceQuery().contains("perm.major_id = o.principal_id and perm.class = 101"));
    EXPECT_TRUE(loginperm::GrantQuery().contains("prms.class = 101 AND target.principal_id = prms.major_id"));
}

// ---- the frame on the scripted session ----------------------------------------------------

// A window of the connection holding the frame, as the definition windows embed it.
class HostForm : public TqvForm {
public:
    HostForm(QObject* owner, int objType) : TqvForm(owner)
    {
        SetObjType(objType);
        auto* l = new QVBoxLayout(this);
        frame = new TfraGrant(this);
        l->addWidget(frame);
    }
    TfraGrant* frame;
    int reloads = 0;
    void Reload() override { ++reloads; }
};

struct GrantFrame : DefineSession {
    void SetUp() override
    {
        DefineSession::SetUp();
        Connect();
        session->fixture().exact("use [sales]");
        session->fixture()
            .exact(catalog::UserListSql({15, false}, "sales", true))
            .returns({column("name", "sysname")}, {{"u1"}, {"public"}, {"r1"}, {"u2"}});
        for (const char* u : {"u1", "u2"}) {
            FixtureRule& r = session->fixture().exact("select issqluser from sysusers where name = ?");
            r.params = QVariantList{QString::fromUtf8(u)};
            r.returns({column("issqluser", "int")}, {{1}});
        }
        session->fixture()
            .exact("select issqluser from sysusers where name = ?")
            .returns({column("issqluser", "int")}, {{0}});
    }
    void Permissions(const std::vector<QVariantList>& rows)
    {
        FixtureRule& r = session->fixture().pattern("select d\\.name GRANTEE.*");
        r.params = QVariantList{"sales", "dbo", "T"};
        r.returns({column("GRANTEE", "sysname"), column("PRIVILEGE", "varchar(30)"), column("PRIVTYPE", "int")}, rows);
    }
    std::unique_ptr<HostForm> Host(int type = 45)
    {
        auto h = std::make_unique<HostForm>(conn, type);
        h->resize(900, 520);
        return h;
    }
};

TEST_F(GrantFrame, LoadsOnlyHoldersThenAllPrincipals)
{
    Permissions({{"r1", "SELECT", 205}, {"u1", "SELECT", 204}, {"ghost", "SELECT", 205}});
    auto h = Host();
    h->frame->ShowData("sales", "dbo", "T");
    ASSERT_EQ(h->frame->lstGrant->topLevelItemCount(), 2);
    EXPECT_EQ(h->frame->lstGrant->topLevelItem(0)->text(0), QStringLiteral("r1"));
    EXPECT_EQ(h->frame->lstGrant->topLevelItem(0)->text(6), QStringLiteral("*"));
    EXPECT_EQ(h->frame->lstGrant->topLevelItem(1)->text(6), QStringLiteral("G"));
    EXPECT_EQ(h->frame->lstGrant->columnCount(), 10);
    EXPECT_FALSE(h->frame->grdGrant->isEnabled());
    h->frame->SetShowMode(1);
    h->frame->ShowData("sales", "dbo", "T");
    EXPECT_EQ(h->frame->lstGrant->topLevelItemCount(), 4);
}

TEST_F(GrantFrame, UncheckingWithGrantWritesTheRevokeCascadeAndTheGrant)
{
    Permissions({{"u1", "SELECT", 204}});
    auto h = Host();
    h->frame->ShowData("sales", "dbo", "T");
    h->frame->SelectPrincipals({"u1"});
    EXPECT_TRUE(h->frame->grdGrant->isEnabled());
    EXPECT_EQ(h->frame->Boxes(6), (RowBoxes{true, true, false}));
    EXPECT_FALSE(h->Modified()) << "showing a selection changes nothing";
    EXPECT_FALSE(h->frame->IsChanged());
    h->frame->ClickBox(6, ColWithGrant);
    EXPECT_TRUE(h->Modified());
    EXPECT_EQ(h->frame->Boxes(6), (RowBoxes{true, false, false}));
    EXPECT_EQ(h->frame->lstGrant->topLevelItem(0)->text(6), QStringLiteral("*"));
    QStringList lines;
    h->frame->GetSource(lines);
    EXPECT_EQ(lines, QStringList({"REVOKE GRANT OPTION FOR SELECT ON [dbo].[T] TO [u1] CASCADE", "go",
                                  "GRANT SELECT ON [dbo].[T] TO [u1]", "go"}));
    EXPECT_EQ(h->frame->GetDDL().mid(0, 2), QStringList({"use [sales]", "go"}));
}

TEST_F(GrantFrame, MultipleSelectionShowsTheUnionAndWritesOnlyTheClickedPermission)
{
    Permissions({{"u1", "SELECT", 205}, {"u2", "SELECT", 206}, {"u2", "INSERT", 205}});
    auto h = Host();
    h->frame->ShowData("sales", "dbo", "T");
    h->frame->SelectPrincipals({"u1", "u2"});
    EXPECT_EQ(h->frame->Boxes(6), (RowBoxes{true, false, true}));
    EXPECT_EQ(h->frame->Boxes(4), (RowBoxes{true, false, false}));
    EXPECT_FALSE(h->frame->IsChanged());
    h->frame->ClickBox(8, ColGrant); // UPDATE for both
    QStringList lines;
    h->frame->GetSource(lines);
    EXPECT_EQ(lines, QStringList({"GRANT UPDATE ON [dbo].[T] TO [u1]", "go", "GRANT UPDATE ON [dbo].[T] TO [u2]", "go"}));
    // Leaving one principal selected shows that one's states only.
    h->frame->SelectPrincipals({"u1"});
    EXPECT_EQ(h->frame->Boxes(6), (RowBoxes{true, false, false}));
    EXPECT_EQ(h->frame->Boxes(4), (RowBoxes{false, false, false}));
}

TEST_F(GrantFrame, CheckingDenyClearsTheGrantOfThePrincipal)
{
    Permissions({{"u1", "SELECT", 205}});
    auto h = Host();
    h->frame->ShowData("sales", "dbo", "T");
    h->frame->SelectPrincipals({"u1"});
    h->frame->ClickBox(6, ColDeny);
    EXPECT_EQ(h->frame->Boxes(6), (RowBoxes{false, false, true}));
    QStringList lines;
    h->frame->GetSource(lines);
    EXPECT_EQ(lines, QStringList({"DENY SELECT ON [dbo].[T] TO [u1]", "go"}));
}

TEST_F(GrantFrame, ShowModeReloadsTheObjectWindow)
{
    Permissions({});
    auto h = Host();
    h->frame->ShowData("sales", "dbo", "T");
    EXPECT_EQ(h->frame->lstGrant->topLevelItemCount(), 0);
    h->frame->rdoShowAll->click();
    EXPECT_EQ(h->reloads, 1);
}

TEST_F(GrantFrame, DatabaseKindReadsDatabasePermissions)
{
    FixtureRule& r = session->fixture().pattern("use \\[sales\\]\nselect user_name\\(b\\.grantee_principal_id\\) GRANTEE.*");
    r.returns({column("GRANTEE", "sysname"), column("PRIVILEGE", "varchar(60)"), column("PRIVTYPE", "int")},
              {{"u2", "CREATE TABLE", 205}});
    auto h = Host(0);
    h->frame->ShowData("sales", "", "");
    EXPECT_EQ(h->frame->Kind(), DatabaseKind);
    EXPECT_EQ(h->frame->lstGrant->columnCount(), 62);
    ASSERT_EQ(h->frame->lstGrant->topLevelItemCount(), 1);
    h->frame->SelectPrincipals({"u2"});
    const int row = int(h->frame->Model().PermissionNames().indexOf("CREATE TABLE")) + 1;
    h->frame->ClickBox(row, ColGrant);
    QStringList lines;
    h->frame->GetSource(lines);
    EXPECT_EQ(lines, QStringList({"REVOKE CREATE TABLE FROM [u2]", "go"}));
    // The database kind reads again itself.
    h->frame->SetShowMode(1);
    h->frame->rdoShowAll->click();
    EXPECT_EQ(h->frame->lstGrant->topLevelItemCount(), 4);
    EXPECT_EQ(h->reloads, 0);
}

TEST_F(GrantFrame, Renders)
{
    Permissions({{"u1", "SELECT", 204}, {"r1", "INSERT", 206}});
    auto h = Host();
    h->frame->ShowData("sales", "dbo", "T");
    h->frame->SelectPrincipals({"u1"});
    const QString dir = qEnvironmentVariable("QORVEL_RENDER_DIR", testHome());
    QDir().mkpath(dir);
    EXPECT_TRUE(h->grab().save(dir + "/privileges_frame.png"));
}

} // namespace
