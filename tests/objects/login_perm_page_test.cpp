// The login's server permissions on the resource page, read through the scripted session:
// the resource list by show mode, permissions on another login read against that login, and
// the statements written back.
#include "objects/login_perm_text.h"
#include "objects/resource_page.h"

#include "connection/object_session.h"
#include "controls/grid/string_grid.h"
#include "controls/inputs/inputs.h"
#include "controls/lists/qv_listview.h"
#include "tables/define_session_helper.h"

using namespace qv;
using namespace qv::db;
using namespace qvtest;

namespace {

struct LoginPermPage : DefineSession {
    void SetUp() override
    {
        DefineSession::SetUp();
        Connect();
        session->fixture().exact("use [master]");
        FixtureRule& r = session->fixture().pattern("select distinct cast\\(SERVERPROPERTY.*");
        r.params = QVariantList{"x", "x", "x"};
        r.returns({column("ResName", "nvarchar(4000)"), column("ResType", "varchar(1)"), column("HasPerms", "varchar(1)")},
                  {{"SRV", "0", "1"}, {"TSQL Default TCP", "4", "0"}, {"x", "3", "0"}, {"y", "3", "1"}});
        Grants({"100", "x", "", ""}, {{"G", "sa", "VIEW SERVER STATE"}, {"G", "sa", "CONNECT SQL"}});
        // IMPERSONATE on login y, granted by sa: y is the securable.
        Grants({"101", "x", "y", ""}, {{"W", "sa", "IMPERSONATE"}});
        Grants({"101", "x", "x", ""}, {});
        Grants({"105", "x", "", "TSQL Default TCP"}, {});
    }
    void Grants(const QVariantList& params, const std::vector<QVariantList>& rows)
    {
        FixtureRule& r = session->fixture().pattern("SELECT prms\\.state, grantor\\.name, prms\\.permission_name.*");
        r.params = params;
        r.returns({column("state", "char(1)"), column("name", "sysname"), column("permission_name", "nvarchar(128)")}, rows);
    }
};

} // namespace

TEST_F(LoginPermPage, ListsAndWritesBackOnTheSecurable)
{
    TfraResource page;
    ASSERT_TRUE(LoadLoginResources(*conn->session(), page, "x"));
    ASSERT_EQ(page.lstResource->topLevelItemCount(), 2); // server and y: those with permissions
    EXPECT_EQ(page.lstResource->topLevelItem(0)->text(1), QString::fromUtf8("サーバー"));
    EXPECT_EQ(page.lstResource->topLevelItem(1)->text(1), QString::fromUtf8("SQLServer ログイン"));
    page.SelectResource(1);
    EXPECT_EQ(page.grdGrant->Rows(3), QStringList({"IMPERSONATE", "sa", "", "1", ""}));
    page.grdGrant->SetChecked(2, 3, true);  // W → G
    page.grdGrant->SetChecked(3, 3, false);
    loginperm::TextInput in;
    in.login = "x";
    EXPECT_EQ(loginperm::GrantText(page.Rows(), in),
              QStringList({"use [master]", "go", "REVOKE IMPERSONATE ON LOGIN::[y] TO [x] CASCADE", "go",
                           "GRANT IMPERSONATE ON LOGIN::[y] TO [x]", "go"}));
    in.scriptMode = true;
    in.databaseOption = qmNever;
    EXPECT_EQ(loginperm::GrantText(page.Rows(), in),
              QStringList({"GRANT CONNECT SQL TO [x]", "go", "GRANT VIEW SERVER STATE TO [x]", "go",
                           "GRANT IMPERSONATE ON LOGIN::[y] TO [x]", "go"}));
    // Every securable with the other choice.
    page.rdoall->setChecked(true);
    ASSERT_TRUE(LoadLoginResources(*conn->session(), page, "x"));
    EXPECT_EQ(page.lstResource->topLevelItemCount(), 4);
    EXPECT_TRUE(page.lstResource->topLevelItem(1)->icon(0).isNull()); // an endpoint has no icon
}
