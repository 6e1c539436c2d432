// The view window on the scripted session, opened through the connection window: the columns
// and comment, the Source page's text, the recompile that puts back permissions, properties and
// triggers, the comment statements, the privileges page, a copy's script, the new-view
// template; and the window-free view text.
#include "tables/view_text.h"
#include "tables/view_window.h"

#include "app/message_box.h"
#include "app/options.h"
#include "connection/object_script.h"
#include "controls/grid/string_grid.h"
#include "controls/lists/qv_listview.h"
#include "editor/sqlmemo/qvmemo.h"
#include "platform/textcodec.h"
#include "sql/memo_frame.h"
#include "support/test_env.h"
#include "controls/lists/qv_treeview.h"
#include "sql/explan_frame.h"
#include "tables/cross_ref_frame.h"
#include "tables/data_page.h"
#include "tables/define_script.h"
#include "tables/define_session_helper.h"
#include "tables/privileges_frame.h"

#include <QBuffer>
#include <QDir>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include "connection/ddl_exec.h"

using namespace qv;
using namespace qv::db;
using namespace qvtest;

namespace {

// ---- window-free text ---------------------------------------------------------------------

struct LengthCase {
    const char* type;
    int length, precision, scale, fraction, dbVer;
    const char* text;
};
class ViewLength : public ::testing::TestWithParam<LengthCase> {};
TEST_P(ViewLength, TypeGivesTheLengthText)
{
    const LengthCase c = GetParam();
    EXPECT_EQ(view::LengthText(c.type, c.length, c.precision, c.scale, c.fraction, c.dbVer), QString::fromUtf8(c.text));
}
INSTANTIATE_TEST_SUITE_P(Table, ViewLength,
                         ::testing::Values(LengthCase{"nvarchar", -1, 0, 0, 0, 15, "max"},
                                           LengthCase{"nvarchar", 20, 0, 0, 0, 15, "20"},
                                           LengthCase{"decimal", 9, 10, 2, 2, 15, "10,2"},
                                           LengthCase{"float", 8, 53, 0, 0, 15, "53"},
                                           LengthCase{"datetime2", 8, 27, 3, 3, 10, "3"},
                                           LengthCase{"datetime2", 8, 27, 3, 3, 9, ""},
                                           LengthCase{"int", 4, 10, 0, 0, 15, ""}));

TEST(ViewText, DefinitionStatementsDropAddUpdateAndLeaveBlanks)
{
    const QList<view::ColumnComment> cols{{"a", "", "old a"}, {"b", "new b", ""}, {"c", "changed", "old c"},
                                          {"d", "  ", "old d"}, {"e", "same", "same"}};
    EXPECT_EQ(view::DefinitionStatements(15, "dbo", "v", "", "old", cols),
              QStringList({"EXEC sp_dropextendedproperty N'MS_Description', N'schema', N'dbo', N'view', N'v'", "go",
                           "EXEC sp_dropextendedproperty N'MS_Description', N'schema', N'dbo', N'view', N'v', N'column', N'a'",
                           "go",
                           "EXEC sp_addextendedproperty N'MS_Description', N'new b' , N'schema', N'dbo', N'view', N'v', N'column', N'b'",
                           "go",
                           "EXEC sp_updateextendedproperty N'MS_Description', N'changed' , N'schema', N'dbo', N'view', N'v', N'column', N'c'",
                           "go"}));
    EXPECT_EQ(view::DefinitionStatements(8, "dbo", "v_order", "注文一覧", "", {}),
              QStringList({"EXEC sp_addextendedproperty N'MS_Description', N'注文一覧' , N'user', N'dbo', N'view', N'v_order'",
                           "go"}));
}

TEST(ViewText, CopyRewritesOnlyTheHeaderOfAOneLineView)
{
    view::ScriptInput in;
    in.database = "sales";
    in.schema = "dbo";
    in.name = "v1";
    in.copySchema = "arc";
    in.copyName = "v1 copy";
    in.source = "-- create a view\r\ncreate   view dbo.v1 as select 1 as a";
    in.comment = "c";
    EXPECT_EQ(view::CreateScript(in),
              QStringList({"use [sales]", "go", "-- create a view", "CREATE VIEW [arc].[v1 copy]", "as select 1 as a",
                           "go",
                           "EXEC sp_addextendedproperty N'MS_Description', N'c' , N'schema', N'arc', N'view', N'v1 copy'",
                           "go"}));
    EXPECT_EQ(view::DropScript(in),
              QStringList({"use [sales]", "go", "IF EXISTS (SELECT * FROM sysobjects WHERE id = object_id(N'[dbo].[v1]'))",
                           "DROP VIEW [dbo].[v1]", "go"}));
    in.rule.scriptMode = true;
    in.rule.databaseOption = 1;
    in.rule.connectionDatabase = "sales";
    EXPECT_EQ(view::DropScript(in).first(), QStringLiteral("IF EXISTS (SELECT * FROM sysobjects WHERE id = object_id(N'[dbo].[v1]'))"));
}

TEST(ViewText, PropertiesComeBackOnlyWhenMissingAndTheirColumnIsThere)
{
    EXPECT_EQ(view::RestorePropertyStatement(15, "dbo", "v", {"", "MS_Description", "x"}),
              QStringLiteral("IF NOT EXISTS (SELECT * FROM sys.fn_listextendedproperty(N'MS_Description', N'schema', "
                             "N'dbo', N'view', N'v', NULL, NULL))\r\n"
                             "EXEC sp_addextendedproperty N'MS_Description', N'x' , N'schema', N'dbo', N'view', N'v'"));
    EXPECT_EQ(view::RestorePropertyStatement(8, "dbo", "v", {"c1", "Caption", "it's"}),
              QStringLiteral("IF NOT EXISTS (SELECT * FROM ::fn_listextendedproperty(N'Caption', N'user', N'dbo', "
                             "N'view', N'v', N'column', N'c1')) AND COLUMNPROPERTY(OBJECT_ID(N'[dbo].[v]'), N'c1', "
                             "'ColumnId') IS NOT NULL\r\n"
                             "EXEC sp_addextendedproperty N'Caption', N'it''s' , N'user', N'dbo', N'view', N'v', "
                             "N'column', N'c1'"));
}

// ---- the window ---------------------------------------------------------------------------

const QString ViewSource = QStringLiteral("create view dbo.v_order\r\nas\r\nselect id, amount from dbo.orders");

struct ViewWindow : DefineSession {
    void SetUp() override
    {
        DefineSession::SetUp();
        Connect();
        session->fixture().exact("use [sales]");
        session->fixture().exact("use [master]");
        session->fixture()
            .pattern("select cast\\(b\\.value as nvarchar\\(Max\\)\\) as comment.*")
            .returns({column("comment", "nvarchar(max)"), column("seed", "int"), column("inc", "int")},
                     {{"注文一覧", 1, 1}});
        session->fixture()
            .pattern("select c\\.name, usrt\\.name as type_name.*")
            .returns({column("name", "sysname"), column("type_name", "sysname"), column("o", "int"),
                      column("precision", "int"), column("scale", "int"), column("char_length", "int"),
                      column("is_nullable", "bit"), column("COLUMN_DEFAULT", "nvarchar(4000)"),
                      column("comment", "nvarchar(max)"), column("isIdentity", "int"), column("scale2", "int")},
                     {{"id", "int", QVariant(), 10, 0, 4, false, QVariant(), "番号", 1, 0},
                      {"amount", "decimal", QVariant(), 10, 2, 9, true, "NULL", QVariant(), 0, 2},
                      {"note", "nvarchar", 40, 0, 0, 20, true, QVariant(), QVariant(), 0, 0}});
        session->fixture()
            .pattern("select objectproperty\\(object_id\\(N'\\[sales\\]\\.\\[dbo\\]\\.\\[v_order\\]'\\), N'IsMSShipped'\\)")
            .returns({column("", "int")}, {{0}});
        FixtureRule& src = session->fixture().exact("select definition from sys.sql_modules where object_id = object_id(?)");
        src.params = QVariantList{"[dbo].[v_order]"};
        src.returns({column("definition", "nvarchar(max)")}, {{ViewSource}});
        // Permissions, properties and triggers of the view.
        session->fixture()
            .pattern("select d\\.name, case p\\.type.*")
            .returns({column("", "sysname"), column("", "nvarchar(60)"), column("", "nvarchar(10)"), column("", "sysname")},
                     {{"u1", "SELECT", "NO", "v_order"}});
        session->fixture()
            .pattern("select name, convert\\(nvarchar\\(4000\\), value\\) from sys\\.fn_listextendedproperty.*")
            .returns({column("name", "sysname"), column("value", "nvarchar(4000)")}, {});
        session->fixture()
            .pattern("select c\\.name, p\\.name, convert.*")
            .returns({column("c", "sysname"), column("p", "sysname"), column("v", "nvarchar(4000)")},
                     {{QVariant(), "MS_Description", "注文一覧"}, {"id", "MS_Description", "番号"}});
        session->fixture()
            .pattern("select a\\.name trigger_name.*")
            .returns({column("trigger_name", "sysname"), column("owner_name", "sysname")}, {{"tr_v", "dbo"}});
        FixtureRule& info = session->fixture().pattern("select object_name\\(parent_obj\\).*");
        info.returns({column("", "sysname"), column("", "int"), column("", "int")}, {{"v_order", 1, 1}});
        // The statements that the DDL execution runs.
        session->fixture().pattern("(?s)(IF |CREATE |create |GRANT |DENY |REVOKE |DISABLE |EXEC ).*").affects(0);
        RegisterScriptRoutine(ObjType::Trigger, [](const ScriptContext&, const ScriptRequest& r) {
            return QStringLiteral("CREATE TRIGGER [%1].[%2] ON [dbo].[v_order] INSTEAD OF INSERT AS\r\nSELECT 1\r\ngo\r\n")
                .arg(r.schema, r.objectName);
        });
    }
    void TearDown() override
    {
        UnregisterScriptRoutine(ObjType::Trigger);
        DefineSession::TearDown();
    }
    TfrmView* OpenView(TOpenMode mode = omDefine)
    {
        return qobject_cast<TfrmView*>(Open(47, "sales", "dbo", "v_order", mode));
    }
    // The statements of the DDL run that starts at or after `from` (reads before and the reload
    // after it left out).
    QStringList Executed(qsizetype from) const
    {
        const QStringList all = StatementsFrom(from);
        auto isRead = [](const QString& s) {
            return s.startsWith("select") || s.startsWith("SELECT ") || s == "use [sales]" || s == "use [master]" ||
                   s.startsWith("use [sales]\nselect");
        };
        qsizetype i = 0;
        while (i < all.size() && isRead(all.at(i)))
            ++i;
        if (i > 0 && all.at(i - 1) == "use [sales]")
            --i;
        QStringList out;
        for (qsizetype k = i; k < all.size(); ++k) {
            if (k > i && isRead(all.at(k)))
                break;
            out << all.at(k);
        }
        return out;
    }
    // A run stopped at an error waits for its window: it is closed after a while, with its log
    // as a failure.
    static void CompileGuarded(TfrmView* w)
    {
        QTimer::singleShot(3000, [] {
            for (TfrmDDLExec* x : TfrmDDLExec::OpenWindows()) {
                ADD_FAILURE() << x->txtLog->Lines().ToStringList().join("\n").toStdString();
                x->close();
            }
        });
        w->Compile();
    }
    static void Render(QWidget* w, const QString& name)
    {
        const QString dir = qEnvironmentVariable("QORVEL_RENDER_DIR", testHome());
        QDir().mkpath(dir);
        EXPECT_TRUE(w->grab().save(dir + "/" + name + ".png")) << name.toStdString();
    }
};

TEST_F(ViewWindow, ShowsColumnsWithLengthsDefaultsAndComments)
{
    TfrmView* w = OpenView();
    ASSERT_NE(w, nullptr);
    w->resize(900, 520);
    EXPECT_EQ(w->txtComment->text(), QStringLiteral("注文一覧"));
    EXPECT_EQ(w->grdColumn->Rows(1), QStringList({"id", "int", "", "1", "IDENTITY(1, 1)", "番号"}));
    EXPECT_EQ(w->grdColumn->Rows(2), QStringList({"amount", "decimal", "10,2", "", "", ""}));
    EXPECT_EQ(w->grdColumn->Rows(3), QStringList({"note", "nvarchar", "20", "", "", ""}));
    EXPECT_FALSE(w->Modified());
    Render(w, "view_window_define");
}

TEST_F(ViewWindow, SourcePageShowsTheStoredTextAndTheComments)
{
    TfrmView* w = OpenView(omSource);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->SourceLines(),
              QStringList({"use [sales]", "go", "create view dbo.v_order", "as", "select id, amount from dbo.orders", "go",
                           "EXEC sp_addextendedproperty N'MS_Description', N'注文一覧' , N'schema', N'dbo', N'view', N'v_order'",
                           "go",
                           "EXEC sp_addextendedproperty N'MS_Description', N'番号' , N'schema', N'dbo', N'view', N'v_order', N'column', N'id'",
                           "go"}));
}

// A recompile by DROP + CREATE puts back the grant, the properties (unless the editor's text
// made them again) and the view's trigger with its disabled state, all after the switch.
TEST_F(ViewWindow, RecompileKeepsPermissionsPropertiesAndTriggers)
{
    TfrmView* w = OpenView(omSource);
    ASSERT_NE(w, nullptr);
    w->fraMemo->txtSQL->Lines().Assign(QStringList({"create view dbo.v_order", "as", "select id from dbo.orders"}));
    w->SetModified(true);
    const qsizetype from = Mark();
    CompileGuarded(w);
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    const QStringList run = Executed(from);
    EXPECT_EQ(run,
              QStringList({"use [sales]",
                           "IF EXISTS (SELECT * FROM sysobjects WHERE id = object_id(N'[dbo].[v_order]'))\nDROP VIEW [dbo].[v_order]",
                           "create view dbo.v_order\nas\nselect id from dbo.orders",
                           "GRANT SELECT ON [dbo].[v_order] TO [u1]",
                           "IF NOT EXISTS (SELECT * FROM sys.fn_listextendedproperty(N'MS_Description', N'schema', N'dbo', "
                           "N'view', N'v_order', NULL, NULL))\nEXEC sp_addextendedproperty N'MS_Description', N'注文一覧' , "
                           "N'schema', N'dbo', N'view', N'v_order'",
                           "IF NOT EXISTS (SELECT * FROM sys.fn_listextendedproperty(N'MS_Description', N'schema', N'dbo', "
                           "N'view', N'v_order', N'column', N'id')) AND COLUMNPROPERTY(OBJECT_ID(N'[dbo].[v_order]'), "
                           "N'id', 'ColumnId') IS NOT NULL\nEXEC sp_addextendedproperty N'MS_Description', N'番号' , "
                           "N'schema', N'dbo', N'view', N'v_order', N'column', N'id'",
                           "CREATE TRIGGER [dbo].[tr_v] ON [dbo].[v_order] INSTEAD OF INSERT AS\nSELECT 1",
                           "DISABLE TRIGGER [dbo].[tr_v] ON [dbo].[v_order]"}))
        << run.join("\n---\n").toStdString();
}

TEST_F(ViewWindow, CommentEditWritesOnlyTheCommentStatement)
{
    TfrmView* w = OpenView();
    ASSERT_NE(w, nullptr);
    w->txtComment->setText("受注一覧");
    EXPECT_TRUE(w->Modified());
    const qsizetype from = Mark();
    CompileGuarded(w);
    EXPECT_EQ(Executed(from),
              QStringList({"use [sales]", "EXEC sp_updateextendedproperty N'MS_Description', N'受注一覧' , N'schema', "
                                          "N'dbo', N'view', N'v_order'"}));
}

TEST_F(ViewWindow, PlanPageShowsTheEstimatedPlanOfASelectOnTheView)
{
    auto& f = session->fixture();
    f.exact("set showplan_all on");
    f.exact("set showplan_all off");
    std::vector<ColumnDesc> cols;
    for (const char* name : {"StmtText", "StmtId", "NodeId", "Parent", "PhysicalOp", "LogicalOp", "Argument", "DefinedValues",
                             "EstimateRows", "EstimateIO", "EstimateCPU", "AvgRowSize", "TotalSubtreeCost", "OutputList",
                             "Warnings", "Type"})
        cols.push_back(column(name, "nvarchar(max)"));
    auto row = [](const QString& id, const QString& parent, const QString& op, const QString& arg, const QString& cost,
                  const QString& type) {
        return QVariantList{op, "1", id, parent, op, op, arg, QVariant(), "12", QVariant(), QVariant(), "20", cost,
                            QVariant(), QVariant(), type};
    };
    f.pattern("select top 1000 .* from \\[sales\\]\\.\\[dbo\\]\\.\\[v_order\\]")
        .returns(cols, {row("1", "0", "", "", "0.0032831", "SELECT"),
                        row("2", "1", "Table Scan", "OBJECT:([sales].[dbo].[orders])", "0.0032831", "PLAN_ROW")});
    TfrmView* w = OpenView();
    ASSERT_NE(w, nullptr);
    const qsizetype from = session->statements().size();
    w->pagObject->setCurrentWidget(w->tabExplan);
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join("\n").toStdString();
    const QStringList sent = StatementsFrom(from);
    ASSERT_GE(sent.size(), 3);
    EXPECT_EQ(sent.mid(sent.size() - 3),
              (QStringList{"set showplan_all on", "select top 1000 [id], [amount], [note] from [sales].[dbo].[v_order]",
                           "set showplan_all off"}))
        << sent.join("|").toStdString();
    // The data page's condition panel stands above the plan while the plan page is shown.
    EXPECT_EQ(w->splExplan->widget(0), w->fraDataPage->pnlWhere);
    EXPECT_EQ(w->splExplan->widget(1), w->fraExplan);
    ASSERT_EQ(w->fraExplan->lstPlan->topLevelItemCount(), 1);
    auto* root = static_cast<TqvTreeNode*>(w->fraExplan->lstPlan->topLevelItem(0));
    EXPECT_EQ(root->text(0), "SELECT STATEMENT");
    ASSERT_EQ(root->childCount(), 1);
    EXPECT_EQ(root->ChildNode(0)->SubItems(), (QStringList{"([sales].[dbo].[orders])", "12", "20", "0.003283", "100%", "2"}));
    EXPECT_FALSE(w->fraExplan->spl1->isVisibleTo(w));
    w->resize(900, 520);
    Render(w, "view_window_plan");
    // Back on the data page the panel returns there.
    f.pattern("select top 1000 .*").returns({column("id", "int"), column("amount", "decimal(10,2)"), column("note", "nvarchar(20)")}, {});
    w->pagObject->setCurrentWidget(w->tabData);
    EXPECT_EQ(w->fraDataPage->splWhere->widget(0), w->fraDataPage->pnlWhere);
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join("\n").toStdString();
}

TEST_F(ViewWindow, PrivilegesPageAppliesTheFramesStatements)
{
    session->fixture()
        .exact(catalog::UserListSql({15, false}, "sales", true))
        .returns({column("name", "sysname")}, {{"u1"}});
    session->fixture().exact("select issqluser from sysusers where name = ?").returns({column("", "int")}, {{1}});
    FixtureRule& r = session->fixture().pattern("select d\\.name GRANTEE.*");
    r.returns({column("GRANTEE", "sysname"), column("PRIVILEGE", "varchar(30)"), column("PRIVTYPE", "int")},
              {{"u1", "SELECT", 204}});
    TfrmView* w = OpenView(omGrant);
    ASSERT_NE(w, nullptr);
    w->resize(900, 520);
    ASSERT_EQ(w->fraGrant->lstGrant->topLevelItemCount(), 1);
    w->fraGrant->SelectPrincipals({"u1"});
    EXPECT_FALSE(w->Modified());
    w->fraGrant->ClickBox(6, grants::ColWithGrant);
    EXPECT_TRUE(w->Modified());
    Render(w, "view_window_grant");
    const qsizetype from = Mark();
    CompileGuarded(w);
    EXPECT_EQ(Executed(from), QStringList({"use [sales]", "REVOKE GRANT OPTION FOR SELECT ON [dbo].[v_order] TO [u1] CASCADE",
                                          "GRANT SELECT ON [dbo].[v_order] TO [u1]"}));
}

TEST_F(ViewWindow, CopyScriptRenamesOnlyTheHeader)
{
    DefineScriptRequest req;
    req.objectType = 47;
    req.database = "sales";
    req.schema = "dbo";
    req.name = "v_order";
    req.newSchema = "arc";
    req.newName = "v_order2";
    ScriptOption.Database = 3;
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    EXPECT_THROW(TfrmView::GetScript(conn, req, buffer), EAbort);
    const QString text = TextEncoding::get(TextEncoding::Utf16LE).decode(buffer.data());
    EXPECT_TRUE(text.startsWith("CREATE VIEW [arc].[v_order2]\r\nas\r\nselect id, amount from dbo.orders\r\ngo\r\n"))
        << text.toStdString();
    EXPECT_TRUE(text.contains("N'arc', N'view', N'v_order2', N'column', N'id'"));
}

TEST_F(ViewWindow, NewViewStartsOnTheSourcePageWithTheTemplate)
{
    TfrmView* w = qobject_cast<TfrmView*>(Open(47, "sales", "dbo", ""));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->pagObject->currentWidget(), w->tabSource);
    EXPECT_FALSE(w->pagObject->isTabVisible(w->pagObject->indexOf(w->tabDefine)));
    EXPECT_FALSE(w->pagObject->isTabVisible(w->pagObject->indexOf(w->tabGrant)));
    w->txtName->setText("v_new");
    w->txtNameExit(w->txtName);
    EXPECT_EQ(w->SourceLines(), QStringList({"CREATE VIEW [dbo].[v_new] AS", "SELECT"}));
    w->txtName->SaveValue = "v_new";
    w->txtName->setText("v_new2");
    w->txtNameExit(w->txtName);
    EXPECT_EQ(w->SourceLines().first(), QStringLiteral("CREATE VIEW [dbo].[v_new2] AS"));
}

TEST_F(ViewWindow, CrossPageShowsTheDependencies)
{
    session->fixture().pattern("select xtype from sysobjects where id = object_id\\(quotename.*")
        .returns({column("xtype", "char(2)")}, {{"V "}});
    session->fixture()
        .pattern("(use \\[sales\\]\n)?select distinct schema_name\\(b\\.uid\\), object_name\\(a\\.depid\\).*object_id\\(N'\\[dbo\\]\\.\\[v_order\\]'\\).*")
        .returns({column("", "sysname"), column("", "sysname"), column("", "char(2)"), column("", "sysname")},
                 {{"dbo", "orders", "U ", "sales"}});
    session->fixture()
        .pattern("(use \\[sales\\]\n)?select distinct schema_name\\(b\\.uid\\).*")
        .returns({column("", "sysname"), column("", "sysname"), column("", "char(2)"), column("", "sysname")}, {});
    TfrmView* w = OpenView(omCross);
    ASSERT_NE(w, nullptr);
    w->resize(900, 520);
    EXPECT_EQ(w->fraCross->TreeLines(1), QStringList({"dbo.v_order", "\tdbo.orders"}));
    Render(w, "view_window_cross");
}

} // namespace

// The output actions write the loaded view's own script, named schema.view.sql; an edit turns
// them off until it is applied or reverted.
TEST_F(ViewWindow, SavesItsScriptWhileUnmodified)
{
    TfrmView* w = OpenView();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->actOutput && w->actPrint && w->actSave);
    EXPECT_TRUE(w->actSave->isEnabled());
    QTemporaryDir dir;
    const SavedOutput saved = SaveOutput(w, dir);
    EXPECT_EQ(saved.proposed, dir.path() + "/dbo.v_order.sql");
    EXPECT_TRUE(saved.text.contains("create view dbo.v_order") && saved.text.contains("sp_addextendedproperty"))
        << saved.text.toStdString();
    w->txtComment->setText(QString::fromUtf8("変更"));
    EXPECT_FALSE(w->actSave->isEnabled());
    EXPECT_FALSE(w->actPrint->isEnabled());
}
