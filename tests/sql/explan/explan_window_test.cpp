// The plan page of the SQL window on the scripted session: a two-statement batch read from
// SHOWPLAN_ALL into the tree (structure, costs, shares, colours), its copy and its workbook.
#include "sql/explan_frame.h"
#include "sql/sql_window.h"
#include "sql/window/sql_window_fixture.h"

#include "app/message_box.h"
#include "app/options.h"
#include "controls/export/export_dialogs.h"
#include "controls/lists/qv_treeview.h"
#include "editor/sqlmemo/qvmemo.h"
#include "platform/db/fixture.h"
#include "platform/xlsx/xlsx.h"
#include "support/test_env.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QTabWidget>

using namespace qv;
using namespace qv::db;

namespace {

const QStringList kBatch{"select o.OrderID, c.Name from dbo.Orders o join dbo.Customers c on c.CustomerID = o.CustomerID",
                         "select count(*) from dbo.Lines"};

struct PlanPage : qvtest::SqlWindowFixture {
    QStringList boxes;
    std::unique_ptr<TfrmSQL> w;

    void SetUp() override
    {
        SqlWindowFixture::SetUp();
        session->addFixture(Fixture::fromFile(qvtest::sourceDir() + "/tests/sql/fixtures/plan/showplan.json"));
        TfrmSQL::MessageHook = [this](QWidget*, const QString& text, int icon, const QString&, bool*) {
            boxes << QString::number(icon) + ":" + text;
        };
        TfraExplan::MessageHook() = [this](const QString& text, int flags, bool*) {
            boxes << QString::number(flags) + ":" + text;
            return IDYES;
        };
        w = std::make_unique<TfrmSQL>(&owner);
        w->btnExplan->setChecked(true);
    }
    void TearDown() override
    {
        TfraExplan::MessageHook() = nullptr;
        ExportDialogHooks::fileDialog() = nullptr;
    }
    void run(const QStringList& lines)
    {
        w->txtSQL->Lines().Assign(lines);
        w->actExecExecute();
    }
    // Node texts in tree order with two blanks per level.
    static QStringList outline(QTreeWidgetItem* item, int level = 0)
    {
        QStringList out{QString(level * 2, ' ') + item->text(0)};
        for (int i = 0; i < item->childCount(); ++i)
            out << outline(item->child(i), level + 1);
        return out;
    }
};

} // namespace

TEST_F(PlanPage, BatchPlanIsATreePerStatementWithCostColumns)
{
    run(kBatch);
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join("\n").toStdString();
    const QStringList sent = session->statements();
    ASSERT_GE(sent.size(), 3);
    EXPECT_EQ(sent.mid(sent.size() - 3), (QStringList{"set showplan_all on", kBatch.join("\n"), "set showplan_all off"}));
    EXPECT_TRUE(w->pagExplan->isVisibleTo(w.get()));

    TqvTreeView* tree = w->fraExplan->lstPlan;
    ASSERT_EQ(tree->topLevelItemCount(), 2);
    QStringList shape = outline(tree->topLevelItem(0));
    shape << outline(tree->topLevelItem(1));
    EXPECT_EQ(shape, (QStringList{"SELECT STATEMENT", "  Nested Loops", "    Compute Scalar", "      Table Scan",
                                  "    Clustered Index Seek", "SELECT STATEMENT", "  Stream Aggregate", "    Index Scan"}));
    auto* scan = static_cast<TqvTreeNode*>(tree->topLevelItem(0)->child(0)->child(0)->child(0));
    auto* seek = static_cast<TqvTreeNode*>(tree->topLevelItem(0)->child(0)->child(1));
    EXPECT_EQ(scan->SubItems(), (QStringList{"([SalesDemo].[dbo].[Orders] AS [o])", "830", "15", "0.0078", "18.5%", "4"}));
    EXPECT_EQ(seek->SubItems().at(0), "([SalesDemo].[dbo].[Customers].[PK_Customers] AS [c])");
    EXPECT_EQ(seek->SubItems().at(3), "0.000000");
    EXPECT_EQ(scan->foreground(0).color(), QColor(Qt::red));
    EXPECT_FALSE(seek->data(0, Qt::ForegroundRole).isValid());
    EXPECT_EQ(static_cast<TqvTreeNode*>(tree->topLevelItem(1))->SubItems().at(4), "100%");
    EXPECT_TRUE(tree->topLevelItem(1)->child(0)->isExpanded());
    EXPECT_EQ(w->fraExplan->hedPlan->model()->headerData(5, Qt::Horizontal).toString(), "COST(%)");
}

TEST_F(PlanPage, RefusedPlanModeWarnsAndKeepsTheTree)
{
    run(kBatch);
    ASSERT_EQ(w->fraExplan->lstPlan->topLevelItemCount(), 2);
    session->fixture().rules.insert(session->fixture().rules.begin(),
                                    FixtureRule().fails("SHOWPLAN permission denied", "42000", 262));
    session->fixture().rules.front().text = "set showplan_all on";
    session->clearRecord();
    run(kBatch);
    EXPECT_EQ(boxes, QStringList{"48:実行計画を使用できません。"});
    EXPECT_EQ(session->statements().mid(session->statements().size() - 2),
              (QStringList{"set showplan_all on", "set showplan_all off"}));
    EXPECT_EQ(w->fraExplan->lstPlan->topLevelItemCount(), 2);
}

TEST_F(PlanPage, CopyAndWorkbookHoldTheIndentedTree)
{
    run(kBatch);
    const bool pasteDialog = qvOption.PasteDialog;
    const int pasteColumn = qvOption.PasteColumn;
    qvOption.PasteDialog = true;
    qvOption.PasteColumn = 0;
    TfraExplan::MessageHook() = [this](const QString& text, int flags, bool* comma) {
        boxes << QString::number(flags) + ":" + text;
        if (comma)
            *comma = true;
        return IDYES;
    };
    w->fraExplan->btnCopyClick();
    const QStringList lines = QApplication::clipboard()->text().split("\r\n");
    ASSERT_GE(lines.size(), 4);
    EXPECT_EQ(lines.at(0), "操作,オブジェクト,予測行数,行平均サイズ,COST,COST(%),");
    EXPECT_EQ(lines.at(1), "SELECT STATEMENT,,830,,0.0421,100%");
    EXPECT_EQ(lines.at(3), "    ┗Compute Scalar,,830,15,0.0084,20%");
    EXPECT_EQ(lines.size(), 10); // heading, eight nodes, nothing after the last CR LF
    EXPECT_EQ(qvOption.PasteColumn, 1);
    EXPECT_EQ(boxes, (QStringList{"36:結果をクリップボードにコピーしますか？", "64:クリップボードに出力しました。"}));

    QTemporaryDir dir;
    qvOption.ExcelDir = dir.path() + "/";
    QString proposed;
    ExportDialogHooks::fileDialog() = [&](const QString&, const QString& p, const QString&) {
        proposed = p;
        return dir.path() + "/out/plan";
    };
    boxes.clear();
    w->fraExplan->btnExcelClick();
    EXPECT_EQ(proposed, dir.path() + "/EXECUTEPLAN.xlsx");
    EXPECT_EQ(boxes, QStringList{"64:ファイルに出力しました。"});
    const auto sheets = xlsx::ReadWorkbook(dir.path() + "/out/plan.xlsx");
    ASSERT_EQ(sheets.size(), 1u);
    const auto& s = sheets.front();
    EXPECT_EQ(s.value("F1"), "COST(%)");
    EXPECT_EQ(s.value("A5"), "      ┗Table Scan");
    EXPECT_EQ(s.value("B5"), "([SalesDemo].[dbo].[Orders] AS [o])");
    EXPECT_EQ(s.value("E6"), "0.000000");
    EXPECT_EQ(s.value("A7"), "SELECT STATEMENT");
    EXPECT_EQ(qvOption.ExcelDir, dir.path() + "/out/");
    qvOption.PasteDialog = pasteDialog;
    qvOption.PasteColumn = pasteColumn;
}
