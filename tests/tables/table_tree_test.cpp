// The constraint, index and trigger tree of the table window: the node texts, the menu state and
// the statements without a window, then the tree of a table opened through the connection window
// on the scripted session, with the exact statements its actions send.
#include "tables/table_window.h"

#include "tables/excel_report.h"
#include "tables/excel_report_window.h"

#include "app/message_box.h"
#include "app/options.h"
#include "objects/constraint_window.h"
#include "objects/index_text.h"
#include "objects/index_window.h"
#include "objects/storage_text.h"
#include "app/workspace.h"
#include "objects/trigger_window.h"
#include "support/test_env.h"
#include "tables/define_session_helper.h"
#include "tables/table_tree_fixture.h"
#include "tables/table_tree_text.h"

#include <QDir>
#include <QMenu>
#include <QRegularExpression>
#include <QTreeWidget>

using namespace qv;
using namespace qv::db;
using namespace qv::table;
using namespace qvtest;

namespace {

TreeNode Node(int image, const QString& name, const QString& kind, const QString& state, const QString& schema = "dbo")
{
    return TreeNode{image, name, kind, QString(), state, schema};
}

} // namespace

TEST(TableTreeText, ParameterTexts)
{
    EXPECT_EQ(IndexParams({"a", "b"}, {"c"}), "a, b(c)");
    EXPECT_EQ(IndexParams({"a"}, {}), "a");
    EXPECT_EQ(KeyParams({"id", "x]y"}), "([id], [x]]y])");
    EXPECT_EQ(ForeignKeyParams({"x"}, "[dbo].[P]", {"id"}), "([x]) REFERENCES [dbo].[P] ([id])");
    EXPECT_EQ(TriggerParams("1", "1", "0", "0", "1"), "AFTER INSERT, UPDATE");
    EXPECT_EQ(TriggerParams("0", "0", "1", "1", "0"), "INSTEAD OF DELETE");
    EXPECT_EQ(ConstraintKindWord("F "), "FOREIGN KEY");
    EXPECT_EQ(ConstraintKindWord("D "), "");
    EXPECT_EQ(StateText("1"), "DISABLED");
    EXPECT_EQ(StateText("0"), "ENABLED");
}

TEST(TableTreeText, MenuState)
{
    const TreeNode check = Node(ConstraintImage, "CK", "CHECK", "DISABLED");
    const TreeNode key = Node(ConstraintImage, "PK", "PRIMARY KEY", "ENABLED");
    const TreeNode index = Node(IndexImage, "IX", "UNIQUE INDEX", "ENABLED");
    const TreeNode trigger = Node(TriggerImage, "tr", "TRIGGER", "DISABLED");
    struct Case {
        bool isNew;
        int level;
        const TreeNode* node;
        int version;
        TreeMenuState want; // open, remove, create, enable, disable
    } cases[] = {
        {false, 1, &check, 8, {true, true, true, true, false}},
        {false, 1, &key, 15, {true, true, true, false, false}},
        {false, 1, &index, 15, {true, true, true, false, true}},
        {false, 1, &index, 8, {true, true, true, false, false}},
        {false, 1, &trigger, 8, {true, true, true, false, false}},
        {false, 1, &trigger, 9, {true, true, true, true, false}},
        {false, 0, nullptr, 15, {false, false, true, false, false}},
        {false, -1, nullptr, 15, {}},
        {true, 1, &check, 15, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MenuState(c.isNew, c.level, c.node, c.version), c.want)
            << (c.node ? c.node->name.toStdString() : "root") << " v" << c.version << " level " << c.level;
}

TEST(TableTreeText, Statements)
{
    const TreeTable t{"sales", "dbo", "T", false};
    const TreeTable azure{"sales", "dbo", "T", true};
    const TreeNode index = Node(IndexImage, "IX]1", "NONUNIQUE INDEX", "ENABLED");
    const TreeNode trigger = Node(TriggerImage, "tr", "TRIGGER", "ENABLED", "audit");
    const TreeNode quoted = Node(ConstraintImage, "CK \"q\"]", "CHECK", "ENABLED");
    EXPECT_EQ(DeleteStatements(t, index), QStringList({"use [sales]", "drop index [dbo].[T].[IX]]1]"}));
    EXPECT_EQ(DeleteStatements(azure, index), QStringList({"use [sales]", "drop index [IX]]1] on [dbo].[T]"}));
    EXPECT_EQ(DeleteStatements(t, trigger), QStringList({"use [sales]", "DROP TRIGGER [audit].[tr]"}));
    // Constraint names are bracketed, never double-quoted: the drop does not depend on QUOTED_IDENTIFIER.
    EXPECT_EQ(DeleteStatements(t, quoted), QStringList({"use [sales]", "ALTER TABLE [dbo].[T] DROP CONSTRAINT [CK \"q\"]]]"}));

    EXPECT_EQ(SwitchStatement(t, index, true), "use [sales]\r\nalter index [IX]]1] on [dbo].[T] REBUILD");
    EXPECT_EQ(SwitchStatement(t, index, false), "use [sales]\r\nalter index [IX]]1] on [dbo].[T] DISABLE");
    EXPECT_EQ(SwitchStatement(t, trigger, true), "ENABLE TRIGGER [audit].[tr] on [sales].[dbo].[T]");
    EXPECT_EQ(SwitchStatement(t, trigger, false), "DISABLE trigger [audit].[tr] on [sales].[dbo].[T]");
    EXPECT_EQ(SwitchStatement(t, quoted, false), "use [sales]\r\nalter table [dbo].[T] nocheck constraint [CK \"q\"]]]");

    // Names left bare by the bracket option keep their blanks.
    const bool saved = qvOption.UseLowerName;
    qvOption.UseLowerName = false;
    EXPECT_EQ(SwitchStatement(t, Node(ConstraintImage, "CK1", "CHECK", "DISABLED"), true),
              "use [sales]\r\nalter table dbo.T check constraint CK1");
    qvOption.UseLowerName = saved;
}

namespace {

struct TableTree : DefineSession {
    // dbo.T in sales: two columns and the tree's fixture; the trigger's first answer (a
    // disabled one here) comes before the rows every later read gets.
    void Table(int triggerDisabled)
    {
        Connect();
        Fixture& f = session->fixture();
        for (const char* db : {"use [sales]", "use [master]", "USE [sales]"})
            f.exact(db);
        const std::vector<ColumnDesc> triggerColumns{column("s", "sysname"), column("name", "sysname"), column("a", "int"),
                                                     column("b", "int"), column("c", "int"), column("d", "int"),
                                                     column("e", "int"), column("f", "int")};
        const QString triggers = QStringLiteral("select (schema_name|user_name)\\(uid\\), name, OBJECTPROPERTY.*");
        f.pattern(triggers).returns(triggerColumns, {{"dbo", "tr_T", triggerDisabled, 1, 0, 0, 0, 1}}).once();
        f.pattern(triggers).returns(triggerColumns, {{"dbo", "tr_T", 0, 1, 0, 0, 0, 1}});
        f.pattern("select a\\.id, cast\\(b\\.value as nvarchar\\(Max\\)\\).*")
            .returns({column("id", "int"), column("comment", "nvarchar(max)"), column("seed", "int"), column("inc", "int")},
                     {{1001, QVariant(), QVariant(), QVariant()}});
        f.pattern("select dsidx\\.type .*").returns({column("type", "nvarchar(2)")}, {{"FG"}});
        f.pattern("select filegroup_name.*").returns({column("", "sysname")}, {{"PRIMARY"}});
        f.pattern("select cols\\.COLUMN_NAME.*")
            .returns({column("COLUMN_NAME", "sysname"), column("DATA_TYPE", "nvarchar(128)"), column("o", "int"),
                      column("p", "int"), column("s", "int"), column("m", "int"), column("IS_NULLABLE", "nvarchar(1)"),
                      column("COLUMN_DEFAULT", "nvarchar(4000)"), column("comment", "nvarchar(max)"),
                      column("isIdentity", "int"), column("isPrimary", "nvarchar(1)"), column("scale", "int"),
                      column("collation", "sysname"), column("masking_function", "nvarchar(4000)"),
                      column("computed_definition", "nvarchar(max)")},
                     {{"id", "int", QVariant(), 10, 0, QVariant(), "N", QVariant(), QVariant(), 0, "Y", 0, QVariant(),
                       QVariant(), QVariant()},
                      {"parent_id", "int", QVariant(), 10, 0, QVariant(), "Y", QVariant(), QVariant(), 0, "N", 0,
                       QVariant(), QVariant(), QVariant()}});
        f.pattern("select a\\.name colname.*").returns({column("colname", "sysname"), column("constdefname", "sysname")}, {});
        f.pattern("EXEC sp_pkeys.*")
            .returns({column("q", "sysname"), column("o", "sysname"), column("t", "sysname"), column("COLUMN_NAME", "sysname"),
                      column("k", "smallint"), column("n", "sysname")},
                     {{"sales", "dbo", "T", "id", 1, "PK_T"}});
        f.pattern("select name, type from sys\\.indexes.*").returns({column("name", "sysname"), column("type", "int")}, {{"PK_T", 1}});
        ConstTreeFixture(f);
        // The table's columns for the windows of a new index or constraint.
        f.pattern("select name from syscolumns where id = .*").returns({column("name", "sysname")}, {{"id"}, {"parent_id"}});
    }

    TfrmTable* OpenTable()
    {
        auto* w = qobject_cast<TfrmTable*>(Open(45, "sales", "dbo", "T"));
        EXPECT_TRUE(w) << errors.join("\n").toStdString();
        return w;
    }

    QTreeWidgetItem* Item(TfrmTable* w, const QString& name)
    {
        const auto found = w->lstConst->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
        return found.isEmpty() ? nullptr : found.first();
    }

    void Select(TfrmTable* w, const QString& name)
    {
        QTreeWidgetItem* item = Item(w, name);
        ASSERT_TRUE(item) << name.toStdString();
        w->lstConst->setCurrentItem(item);
    }

    // The statements from mark on that are not catalog reads.
    QStringList Changes(qsizetype mark) const
    {
        QStringList out;
        static const QRegularExpression read(QStringLiteral("^\\s*(select|use |EXEC sp_pkeys)"),
                                             QRegularExpression::CaseInsensitiveOption);
        for (const QString& s : StatementsFrom(mark))
            if (!read.match(s).hasMatch() || s.contains(u'\n'))
                out << s;
        return out;
    }
};

} // namespace

TEST_F(TableTree, LoadShowsEveryNodeOnceWithItsParametersAndState)
{
    Table(0);
    TfrmTable* w = OpenTable();
    ASSERT_TRUE(w);
    ASSERT_EQ(w->lstConst->topLevelItemCount(), 3);
    EXPECT_EQ(w->lstConst->topLevelItem(0)->text(0), "CONSTRAINT");
    EXPECT_EQ(w->lstConst->topLevelItem(1)->text(0), "INDEX");
    EXPECT_EQ(w->lstConst->topLevelItem(2)->text(0), "TRIGGER");
    const QList<TreeNode> want{
        {66, "PK_T", "PRIMARY KEY", "([id])", "ENABLED", "dbo"},
        {66, "FK_T_P", "FOREIGN KEY", "([parent_id]) REFERENCES [dbo].[P] ([id])", "ENABLED", "dbo"},
        {66, "CK_T_qty", "CHECK", "([qty]>=(0))", "DISABLED", "dbo"},
        {46, "IX_T_code", "NONUNIQUE INDEX", "code, qty(note)", "ENABLED", "dbo"},
        {46, "IX_T_parent", "NONUNIQUE INDEX", "parent_id", "DISABLED", "dbo"},
        {57, "tr_T", "TRIGGER", "AFTER INSERT", "ENABLED", "dbo"},
    };
    const QList<TreeNode> got = w->ConstNodes();
    ASSERT_EQ(got.size(), want.size());
    for (qsizetype i = 0; i < want.size(); ++i)
        EXPECT_EQ(got.at(i), want.at(i)) << got.at(i).name.toStdString() << " | " << got.at(i).params.toStdString();
    EXPECT_TRUE(w->lstConst->topLevelItem(0)->isExpanded());

    // The menu of the switched-off check offers enable, not disable; the key offers neither.
    Select(w, "CK_T_qty");
    w->popConstPopup();
    EXPECT_TRUE(w->mnuConstEnable->isEnabled());
    EXPECT_FALSE(w->mnuConstDisable->isEnabled());
    Select(w, "PK_T");
    w->popConstPopup();
    EXPECT_FALSE(w->mnuConstEnable->isEnabled());
    EXPECT_FALSE(w->mnuConstDisable->isEnabled());
    EXPECT_TRUE(w->mnuConstOpen->isEnabled());

    w->resize(900, 600);
    w->show();
    w->pagObject->setCurrentWidget(w->tabDefine);
    QApplication::processEvents();
    const QString dir = qEnvironmentVariable("QORVEL_RENDER_DIR", testHome());
    QDir().mkpath(dir);
    EXPECT_TRUE(w->grab().save(dir + "/table_tree.png"));
}

TEST_F(TableTree, EnablingADisabledTriggerSendsItsStatementOnlyAndRebuilds)
{
    Table(1);
    TfrmTable* w = OpenTable();
    ASSERT_TRUE(w);
    QTreeWidgetItem* item = Item(w, "tr_T");
    ASSERT_TRUE(item);
    EXPECT_EQ(item->text(3), "DISABLED");
    session->fixture().exact("ENABLE TRIGGER [dbo].[tr_T] on [sales].[dbo].[T]");
    Select(w, "tr_T");
    w->popConstPopup();
    EXPECT_TRUE(w->mnuConstEnable->isEnabled());
    EXPECT_FALSE(w->mnuConstDisable->isEnabled());
    boxes.clear();
    const qsizetype mark = Mark();
    w->mnuConstEnable->trigger();
    EXPECT_EQ(Changes(mark), QStringList({"ENABLE TRIGGER [dbo].[tr_T] on [sales].[dbo].[T]"}));
    EXPECT_EQ(boxes, QStringList({QString::number(MB_YESNO | MB_ICONQUESTION) + ":トリガーを有効にしますか？"}));
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    ASSERT_TRUE(Item(w, "tr_T"));
    EXPECT_EQ(Item(w, "tr_T")->text(3), "ENABLED"); // read again
}

TEST_F(TableTree, DeleteAsksRunsTheBracketedDropAndSays)
{
    struct Case {
        const char* node;
        QStringList statements;
        const char* question;
        const char* done;
    } cases[] = {
        {"CK_T_qty", {"use [sales]", "ALTER TABLE [dbo].[T] DROP CONSTRAINT [CK_T_qty]"}, "制約を削除しますか？", "制約が削除されました。"},
        {"IX_T_code", {"use [sales]", "drop index [dbo].[T].[IX_T_code]"}, "インデックスを削除しますか？",
         "インデックスが削除されました。"},
        {"tr_T", {"use [sales]", "DROP TRIGGER [dbo].[tr_T]"}, "トリガーを削除しますか？", "トリガーが削除されました。"},
    };
    Table(0);
    TfrmTable* w = OpenTable();
    ASSERT_TRUE(w);
    for (const Case& c : cases) {
        session->fixture().exact(c.statements.last());
        Select(w, c.node);
        boxes.clear();
        const qsizetype mark = Mark();
        w->mnuConstDelete->trigger();
        const QStringList sent = StatementsFrom(mark);
        ASSERT_GE(sent.size(), 2) << c.node;
        EXPECT_EQ(sent.mid(0, 2), c.statements) << c.node;
        EXPECT_EQ(boxes, QStringList({QString::number(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) + ":" + c.question,
                                      QString::number(MB_OK | MB_ICONINFORMATION) + ":" + c.done}))
            << c.node;
    }
    // No: nothing is sent.
    Select(w, "IX_T_parent");
    answers << IDNO;
    const qsizetype mark = Mark();
    w->mnuConstDelete->trigger();
    EXPECT_TRUE(StatementsFrom(mark).isEmpty());
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
}

TEST_F(TableTree, NewOpensTheKindsWindowForTheTable)
{
    Table(0);
    TfrmTable* w = OpenTable();
    ASSERT_TRUE(w);
    struct Case {
        const char* node; // a root or an entry: the new object is of its kind
        const char* windowClass;
    } cases[] = {{"TRIGGER", "qv::TfrmTrigger"}, {"IX_T_code", "qv::TfrmIndex"}, {"CONSTRAINT", "qv::TfrmConst"}};
    for (const Case& c : cases) {
        Select(w, c.node);
        w->popConstPopup();
        ASSERT_TRUE(w->mnuConstNew->isEnabled()) << c.node;
        const auto before = main->findChildren<TfrmDefine*>();
        const qsizetype mark0 = Mark();
        w->mnuConstNew->trigger();
        TfrmDefine* opened = nullptr;
        for (TfrmDefine* d : main->findChildren<TfrmDefine*>())
            if (!before.contains(d))
                opened = d;
        ASSERT_TRUE(opened) << c.node << ": " << errors.join("\n").toStdString() << StatementsFrom(mark0).join("\n").toStdString();
        EXPECT_STREQ(opened->metaObject()->className(), c.windowClass);
        EXPECT_TRUE(opened->IsNew());
        EXPECT_EQ(opened->cmbSchema->currentText(), "dbo");
        // The new object is made for this table.
        if (auto* index = qobject_cast<TfrmIndex*>(opened))
            EXPECT_EQ(index->TableName(), "T");
        if (auto* trigger = qobject_cast<TfrmTrigger*>(opened))
            EXPECT_EQ(trigger->TblName, "T");
        if (auto* cnst = qobject_cast<TfrmConst*>(opened))
            EXPECT_EQ(cnst->cmbTableName->currentText(), "T");
    }
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
}

TEST_F(TableTree, OpenShowsTheEntryInItsWindowOnceAndRecordsIt)
{
    Table(0);
    // IX_T_code as the index window reads it.
    const auto rule = [this](const QString& sql, const QVariantList& params, std::vector<ColumnDesc> cols,
                             std::vector<QVariantList> rows) {
        static const QRegularExpression marker(QStringLiteral(":[A-Za-z_]+"));
        FixtureRule& r = session->fixture().exact(QString(sql).replace(marker, QStringLiteral("?")));
        r.params = params;
        r.returns(std::move(cols), std::move(rows));
    };
    rule(index::IndexSql(15, "sales", "dbo", "T"), {"IX_T_code", "dbo"},
         {column("", "nvarchar(128)"), column("", "nvarchar(128)"), column("type", "tinyint"), column("is_unique", "bit"),
          column("is_disabled", "bit"), column("fill_factor", "tinyint"), column("is_primary_key", "bit"),
          column("is_unique_constraint", "bit"), column("is_padded", "bit"), column("filter_definition", "nvarchar(max)")},
         {{"sales", "T", 2, false, false, 0, false, false, false, QVariant()}});
    rule(storage::DataSpaceTypeSql(46), {"dbo", "IX_T_code"}, {column("type", "char(2)")}, {{"FG"}});
    rule(storage::FileGroupSql(46), {"dbo", "IX_T_code", "dbo", "T"}, {column("", "sysname")}, {{"PRIMARY"}});
    rule(index::TableColumnSql(), {"dbo", "T"}, {column("name", "sysname")}, {{"id"}, {"code"}, {"qty"}, {"note"}});
    rule(index::KeyColumnSql(15), {"dbo", "T", "IX_T_code"}, {column("name", "sysname"), column("d", "int")},
         {{"code", 0}, {"qty", 0}});
    rule(index::IncludedColumnSql(), {"dbo", "T", "IX_T_code"}, {column("name", "sysname")}, {{"note"}});

    TfrmTable* w = OpenTable();
    ASSERT_TRUE(w);
    Select(w, "IX_T_code");
    const auto indexWindows = [this] { return main->findChildren<TfrmIndex*>(); };
    w->mnuConstOpen->trigger();
    ASSERT_EQ(indexWindows().size(), 1) << errors.join("\n").toStdString();
    EXPECT_EQ(indexWindows().first()->windowTitle(), "INDEX - sales.dbo.T.IX_T_code @ srv.master");
    EXPECT_FALSE(indexWindows().first()->IsNew());
    bool recorded = false;
    for (const auto& slot : RecentObjectList)
        for (const TqvRecentObject& e : slot)
            recorded |= e.ObjectType == 46 && e.ObjectName == "IX_T_code" && e.ParentObject == "T";
    EXPECT_TRUE(recorded);
    // Open again: the open window is brought forward, no second one.
    w->mnuConstOpen->trigger();
    EXPECT_EQ(indexWindows().size(), 1);
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
}

// The definition report takes the table's constraints and indexes from the loaded tree.
TEST_F(TableTree, DefinitionReportListsTheTreesConstraintsAndIndexes)
{
    Table(0);
    TfrmTable* w = OpenTable();
    ASSERT_TRUE(w);
    QStringList got;
    for (const report::ReportConstraint& c : report::TableFacts(*w, false).constraints)
        got << QString::number(c.kind == report::kIndexKind ? 46 : 66) + " " + c.name + " " + c.value;
    EXPECT_EQ(got, QStringList({"66 PK_T ([id])", "66 FK_T_P ([parent_id]) REFERENCES [dbo].[P] ([id])",
                                "66 CK_T_qty ([qty]>=(0))", "46 IX_T_code code, qty(note)", "46 IX_T_parent parent_id"}));
}
