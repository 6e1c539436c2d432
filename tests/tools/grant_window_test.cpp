// The bulk grant window from the connection window's command on its selected objects, on the
// scripted session: principals, the privileges shown for one, the statements of a run and of a
// revoke, and one window per connection.
#include "tools/grant/grant_window.h"
#include "tools_window_helper.h"

#include "controls/lists/qv_listview.h"

#include <QAction>
#include <QTableWidget>

using namespace qv;
using namespace qv::db;

namespace {

struct GrantWindow : qvtest::ToolWindowTest {
    const QString entry = "[Sales].[dbo].[Orders]";
    void SetUp() override
    {
        ToolWindowTest::SetUp();
        qvOption.UseLowerName = true;
    }
    void Fixtures()
    {
        session->fixture()
            .exact(normalizeStatement(catalog::UserListSql({15, false}, "Sales", true)))
            .returns({column("name", "sysname")}, {{"app"}, {"readers"}});
        for (const auto& [name, user] : QList<QPair<QString, int>>{{"app", 1}, {"readers", 0}}) {
            auto& rule = session->fixture().exact(Received(grant::PrincipalTypeSql("Sales")));
            rule.params = QVariantList{name};
            rule.returns({column("issqluser", "int"), column("islogin", "int")}, {{user, 0}});
        }
        const std::vector<ColumnDesc> cols = {column("GRANTEE", "sysname"), column("PRIVILEGE", "varchar(20)"),
                                              column("PRIVTYPE", "int")};
        auto& all = session->fixture().exact(normalizeStatement(Received(grant::PermissionSql(true, false))));
        all.params = QVariantList{entry};
        all.returns(cols, {{"app", "SELECT", 204}, {"readers", "DELETE", 206}});
        auto& mine = session->fixture().exact(normalizeStatement(Received(grant::PermissionSql(true, true))));
        mine.params = QVariantList{entry, "app"};
        mine.returns(cols, {{"app", "SELECT", 204}});
        session->fixture().pattern("use \\[Sales\\]\n(GRANT|REVOKE|DENY) .*").affects(0);
    }
    TfrmGrant* Open()
    {
        conn->actions()->action("actGrant")->trigger();
        return Find<TfrmGrant>();
    }
};

TEST_F(GrantWindow, ShowsThePrincipalsPrivilegesAndAppliesTheGrid)
{
    Connect();
    Fixtures();
    Row("Orders", 45, "Sales", "dbo");
    TfrmGrant* w = Open();
    ASSERT_TRUE(w);
    w->FormActivate();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(w->windowTitle(), "権限付与 - sa @ srv.Sales");
    EXPECT_EQ(w->Items(), QStringList{entry});
    ASSERT_EQ(w->lstUser->topLevelItemCount(), 2);
    EXPECT_EQ(w->lstUser->topLevelItem(1)->text(1), "ROLE");
    EXPECT_EQ(w->lstGrant->topLevelItemCount(), 2);
    EXPECT_EQ(w->GridPrivileges().size(), 9);

    // No principal: a warning and nothing sent.
    qsizetype mark = Mark();
    w->Compile();
    EXPECT_EQ(messages, QStringList{"48:ユーザーを選択して下さい。"});
    EXPECT_EQ(From(mark), QStringList{});

    // app holds SELECT with grant option: both ticks show.
    w->lstUser->setCurrentItem(w->lstUser->topLevelItem(0));
    const int select = int(w->GridPrivileges().indexOf("SELECT"));
    EXPECT_TRUE(w->RowTicks(select).grant && w->RowTicks(select).withGrant && !w->RowTicks(select).deny);
    // Deny DELETE (the tick rules clear nothing else there), then run.
    const int del = int(w->GridPrivileges().indexOf("DELETE"));
    w->SetChecked(1, del, true);
    w->SetChecked(3, del, true);
    EXPECT_FALSE(w->RowTicks(del).grant);
    messages.clear();
    mark = Mark();
    w->Compile();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(messages, (QStringList{"36:権限を付与しますか？", "64:権限を付与しました。"}));
    const QStringList sent = From(mark);
    EXPECT_TRUE(sent.contains("use [Sales]\nGRANT SELECT ON " + entry + " TO [app] WITH GRANT OPTION"));
    EXPECT_TRUE(sent.contains("use [Sales]\nDENY DELETE ON " + entry + " TO [app] CASCADE"));
    EXPECT_TRUE(sent.contains("use [Sales]\nREVOKE ALTER ON " + entry + " TO [app] CASCADE"));
    EXPECT_EQ(sent.filter(QRegularExpression("^use \\[Sales\\]\n(GRANT|REVOKE|DENY) ")).size(), 9);
    w->resize(760, 520);
    SavePng(w, "grant");

    // Revoke the listed DENY of readers.
    w->lstGrant->clearSelection();
    for (int i = 0; i < w->lstGrant->topLevelItemCount(); ++i)
        if (w->lstGrant->topLevelItem(i)->text(0) == "readers")
            w->lstGrant->topLevelItem(i)->setSelected(true);
    messages.clear();
    mark = Mark();
    w->popRevokeClick();
    EXPECT_EQ(messages, (QStringList{"36:オブジェクト権限を取り消しますか？", "64:権限を取り消しました。"}));
    EXPECT_EQ(From(mark).first(), "use [Sales]\nREVOKE DELETE ON " + entry + " FROM [readers] CASCADE");

    // One window per connection.
    conn->actions()->action("actGrant")->trigger();
    int count = 0;
    for (QWidget* child : main->MDIChildren())
        count += qobject_cast<TfrmGrant*>(child) ? 1 : 0;
    EXPECT_EQ(count, 1);
}

} // namespace
