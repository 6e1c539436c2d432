// Cross references: the catalog reads, the two walks to the CrossLevel depth with the type
// filter, the stored choice of databases per server, the picker and the frame on the scripted
// session.
#include "tables/cross_ref_frame.h"
#include "tables/cross_ref_text.h"

#include "app/message_box.h"
#include "app/options.h"
#include "app/qvform.h"
#include "controls/lists/qv_treeview.h"
#include "platform/registry.h"
#include "support/test_env.h"
#include "tables/define_session_helper.h"

#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

using namespace qv;
using namespace qv::cross;
using namespace qv::db;
using namespace qvtest;

namespace {

// A server where every object references one new procedure and is referenced by one new view:
// the walks go as deep as their limits let them.
struct EndlessServer {
    QStringList statements;
    QList<QStringList> params;
    int next = 0;
    QList<QVariantList> operator()(const QString& sql, const QStringList& p)
    {
        statements << sql;
        params << p;
        if (sql.contains("select xtype from sysobjects"))
            return {{QVariant("P ")}};
        if (sql.contains("where a.id = object_id("))
            return {{QVariant("dbo"), QVariant(QString("p%1").arg(++next)), QVariant("P "), QVariant("sales")}};
        if (sql.contains("where a.depid = object_id("))
            return {{QVariant("dbo"), QVariant(QString("v%1").arg(++next)), QVariant("V ")}};
        return {};
    }
};

Context SalesContext()
{
    Context c;
    c.dbVer = 15;
    c.database = "sales";
    c.crossLevel = 3;
    return c;
}

TEST(CrossWalk, CrossLevelThreeGivesLeftDepthThreeAndRightDepthFour)
{
    auto server = std::make_shared<EndlessServer>();
    Walker w(SalesContext(), [server](const QString& s, const QStringList& p) { return (*server)(s, p); });
    const Node left = w.References("dbo", "T", 45);
    const Node right = w.ReferencedBy("dbo", "T", 45);
    EXPECT_EQ(left.Depth(), 3);
    EXPECT_EQ(right.Depth(), 4);
    EXPECT_EQ(left.Lines().first(), QStringLiteral("dbo.T"));
    EXPECT_EQ(left.Lines().at(1), QStringLiteral("\tdbo.p1"));
    EXPECT_EQ(left.children.first().subItems, QStringList({"dbo", "p1", "sales"}));
    // Below the root each read leaves out the node's own object.
    for (int i = 0; i < server->statements.size(); ++i)
        if (server->statements.at(i).contains("object_id(N'[dbo].[p1]')") &&
            !server->statements.at(i).contains("select xtype"))
            EXPECT_EQ(server->params.at(i), QStringList({"[dbo].[p1]"}));
}

TEST(CrossWalk, FilteredTypesAreNeitherListedNorFollowed)
{
    Context c = SalesContext();
    c.hiddenTypes = {51};
    EndlessServer server;
    Walker w(c, [&server](const QString& s, const QStringList& p) { return server(s, p); });
    const Node left = w.References("dbo", "T", 45);
    EXPECT_TRUE(left.children.isEmpty());
    const Node right = w.ReferencedBy("dbo", "T", 45);
    EXPECT_EQ(right.Depth(), 4) << "views stay";
}

TEST(CrossQueries, OtherDatabasePartFollowsTheChoice)
{
    ReferencesInput in;
    in.dbVer = 15;
    in.xtype = "P";
    in.schema = "dbo";
    in.name = "p";
    in.callDatabase = in.windowDatabase = "sales";
    const QString all = ReferencesQuery(in);
    EXPECT_TRUE(all.contains("referenced_database_name from sys.sql_expression_dependencies"));
    EXPECT_FALSE(all.contains("referenced_database_name in("));
    in.chosen = {"sales"};
    EXPECT_FALSE(ReferencesQuery(in).contains("sys.sql_expression_dependencies"));
    in.chosen = {"sales", "hr", "o'k"};
    EXPECT_TRUE(ReferencesQuery(in).contains(" and referenced_database_name in(N'hr',N'o''k') "));
    EXPECT_FALSE(ReferencesQuery(in).contains("sys.indexes"));
    in.xtype = "U";
    EXPECT_TRUE(ReferencesQuery(in).contains("from sys.indexes a"));
    in.dbVer = 8;
    EXPECT_TRUE(ReferencesQuery(in).startsWith("select distinct user_name(b.uid), object_name(a.depid)"));
    EXPECT_TRUE(ReferencedByQuery(8, false, "dbo", "t", false, false).startsWith("select distinct user_name(b.uid)"));
    EXPECT_FALSE(ReferencedByQuery(8, false, "dbo", "t", false, false).contains("sys.synonyms"));
    EXPECT_TRUE(ReferencedByQuery(9, false, "dbo", "t", false, false).contains("sys.synonyms"));
}

TEST(CrossChoice, NamedInstanceIsStoredUnderANestedKey)
{
    EXPECT_EQ(ChoiceKey("H\\I"), SettingsRootKey + "\\CROSSDB\\H\\I");
    SaveChoice("H\\I", {"sales", "hr"});
    TqvRegistry reg;
    ASSERT_TRUE(reg.OpenKey(SettingsRootKey + "\\CROSSDB\\H", false));
    EXPECT_TRUE(reg.KeyExists("I"));
    reg.CloseKey();
    ASSERT_TRUE(reg.OpenKey(SettingsRootKey + "\\CROSSDB\\H\\I", false));
    EXPECT_EQ(reg.ReadString("DataBase"), QStringLiteral("sales\r\nhr\r\n"));
    reg.CloseKey();
    EXPECT_EQ(LoadChoice("H\\I"), QStringList({"sales", "hr"}));
    EXPECT_EQ(KeepExisting({"Sales", "gone", "hr"}, {"hr", "master", "sales"}), QStringList({"Sales", "hr"}));
}

// ---- the frame on the scripted session ----------------------------------------------------

class CrossHost : public TqvForm {
public:
    CrossHost(QObject* owner, int objType) : TqvForm(owner)
    {
        SetObjType(objType);
        auto* l = new QVBoxLayout(this);
        frame = new TfraCross(this);
        l->addWidget(frame);
        resize(900, 480);
    }
    TfraCross* frame;
};

struct CrossFrame : DefineSession {
    int savedLevel = qvOption.CrossLevel;
    void SetUp() override
    {
        DefineSession::SetUp();
        Connect();
        for (const char* db : {"use [sales]", "use [master]"})
            session->fixture().exact(db);
        session->fixture().pattern("select xtype from sysobjects where id = object_id\\(quotename.*")
            .returns({column("xtype", "char(2)")}, {{"V "}});
        // The view references table dbo.T; T references nothing; procedure dbo.p reads the view.
        session->fixture()
            .pattern("(use \\[sales\\]\n)?select distinct schema_name\\(b\\.uid\\).*where a\\.id = object_id\\(N'\\[dbo\\]\\.\\[v\\]'\\).*")
            .returns({column("", "sysname"), column("", "sysname"), column("", "char(2)"), column("", "sysname")},
                     {{"dbo", "T", "U ", "sales"}});
        session->fixture()
            .pattern("(use \\[sales\\]\n)?select distinct schema_name\\(b\\.uid\\).*where a\\.id = object_id\\(.*")
            .returns({column("", "sysname"), column("", "sysname"), column("", "char(2)"), column("", "sysname")}, {});
        session->fixture()
            .pattern("(use \\[sales\\]\n)?select distinct schema_name\\(b\\.uid\\), object_name\\(a\\.id\\).*object_id\\(N'\\[dbo\\]\\.\\[v\\]'\\).*")
            .returns({column("", "sysname"), column("", "sysname"), column("", "char(2)")}, {{"dbo", "p", "P "}});
        session->fixture()
            .pattern("(use \\[sales\\]\n)?select distinct schema_name\\(b\\.uid\\), object_name\\(a\\.id\\).*")
            .returns({column("", "sysname"), column("", "sysname"), column("", "char(2)")}, {});
        session->fixture().pattern("use \\[sales\\]\nselect \\* from \\(select object_name.*")
            .returns({column("object_name", "sysname"), column("schema_name", "sysname"),
                      column("referenced_database_name", "sysname"), column("referenced_schema_name", "sysname"),
                      column("referenced_entity_name", "sysname"), column("type", "char(2)")},
                     {});
    }
    void TearDown() override
    {
        qvOption.CrossLevel = savedLevel;
        Tfrmdbselect::ExecHook = nullptr;
        DefineSession::TearDown();
    }
};

TEST_F(CrossFrame, ShowsBothTreesAndStoresThePickersChoice)
{
    CrossHost host(conn, 47);
    host.frame->ShowData("sales", "dbo", "v");
    EXPECT_EQ(host.frame->TreeLines(1), QStringList({"dbo.v", "\tdbo.T"}));
    EXPECT_EQ(host.frame->TreeLines(2), QStringList({"dbo.v", "\tdbo.p"}));
    EXPECT_FALSE(host.frame->btnDbSelect->isHidden());

    // Nothing ticked is refused; then only "sales" is kept and stored for the server.
    int calls = 0;
    Tfrmdbselect::ExecHook = [&](Tfrmdbselect& d) {
        ++calls;
        EXPECT_EQ(d.chkUserList->count(), 3);
        d.btnClearAll->click();
        d.btnOkClick();
        EXPECT_EQ(d.result(), 0);
        d.chkUserList->item(1)->setCheckState(Qt::Checked); // sales
        d.btnOkClick();
        return d.result();
    };
    host.frame->btnDbSelect->click();
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(boxes.contains(QString::number(MB_OK | MB_ICONWARNING) +
                               ":参照するデータベースを最低一つは選択して下さい。"));
    EXPECT_EQ(host.frame->DbSelectNames(), QStringList({"sales"}));
    EXPECT_EQ(LoadChoice("srv"), QStringList({"sales"}));

    const QString dir = qEnvironmentVariable("QORVEL_RENDER_DIR", testHome());
    QDir().mkpath(dir);
    EXPECT_TRUE(host.grab().save(dir + "/cross_ref_frame.png"));
}

TEST_F(CrossFrame, TableButtonUpHidesTables)
{
    CrossHost host(conn, 47);
    host.frame->btnTree1Table->setChecked(false);
    host.frame->ShowData("sales", "dbo", "v");
    EXPECT_EQ(host.frame->TreeLines(1), QStringList({"dbo.v"}));
    EXPECT_EQ(host.frame->TreeLines(2), QStringList({"dbo.v", "\tdbo.p"}));
}

} // namespace
