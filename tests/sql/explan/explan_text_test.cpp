#include "sql/explan_text.h"

#include <gtest/gtest.h>

using namespace qv::plan;

namespace {

PlanRow op(const QString& id, const QString& parent, const QString& physicalOp, const QString& cost,
           const QString& rows = QStringLiteral("1"), const QString& argument = {})
{
    PlanRow r;
    r.stmtText = physicalOp;
    r.nodeId = id;
    r.parent = parent;
    r.physicalOp = physicalOp;
    r.argument = argument;
    r.estimateRows = rows;
    r.avgRowSize = rows.isEmpty() ? QString() : QStringLiteral("10");
    r.totalSubtreeCost = cost;
    r.type = QStringLiteral("PLAN_ROW");
    return r;
}

PlanRow statement(const QString& id, const QString& type, const QString& cost)
{
    PlanRow r;
    r.stmtText = QStringLiteral("stmt");
    r.nodeId = id;
    r.parent = QStringLiteral("0");
    r.totalSubtreeCost = cost;
    r.type = type;
    return r;
}

} // namespace

TEST(PlanText, CostTextNeverUsesAnExponent)
{
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"", "0"},           {"0", "0"},
        {"4E-7", "0.000000"}, {"0.0000004", "0.000000"},
        {"3e-06", "0.000003"}, {"0.0000025", "0.000002"}, // half to even
        {"0.0000096", "0.00001"}, {"0.0032831", "0.003283"},
        {"12.5", "12.5"},     {"100", "100"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CostText(QString::fromLatin1(c.in)), QString::fromLatin1(c.out)) << c.in;
}

TEST(PlanText, ObjectOfScansAndSeeksOnly)
{
    EXPECT_EQ(PlanObject("Clustered Index Seek", "OBJECT:([db].[dbo].[T].[PK] AS [t]), SEEK:([t].[a]=(1))"),
              "([db].[dbo].[T].[PK] AS [t])");
    EXPECT_EQ(PlanObject("Table Scan", "OBJECT:([db].[dbo].[T])"), "([db].[dbo].[T])");
    EXPECT_EQ(PlanObject("Index Scan", "no object here, at all"), "no object here");
    EXPECT_EQ(PlanObject("Hash Match", "OBJECT:([db].[dbo].[T])"), "");
}

TEST(PlanText, TreeFollowsNodeIdAndParentWithOneRootPerStatement)
{
    const std::vector<PlanRow> rows{
        statement("1", "SELECT", "0.04"),
        op("2", "1", "Nested Loops", "0.04"),
        op("3", "2", "Compute Scalar", "0.008"),
        op("4", "3", "Table Scan", "0.008", "830", "OBJECT:([d].[dbo].[O])"),
        op("5", "2", "Index Seek", "0.0000004"),
        op("6", "5", "Constant Scan", "0", ""),         // nothing to show: left out
        op("7", "99", "Sort", "0.01"),                  // unknown parent: under the first node
        statement("1", "SELECT", "0.5"),
        op("2", "1", "Stream Aggregate", "0.25"),
        op("3", "2", "Index Scan", "0.125"),
    };
    const auto nodes = BuildPlan(rows);
    ASSERT_EQ(nodes.size(), 9u);
    std::vector<int> parents;
    QStringList texts, shares;
    for (const PlanNode& n : nodes) {
        parents.push_back(n.parent);
        texts << n.text;
        shares << n.subItems.at(psShare);
    }
    EXPECT_EQ(parents, (std::vector<int>{-1, 0, 1, 2, 1, 0, -1, 6, 7}));
    EXPECT_EQ(texts, (QStringList{"SELECT STATEMENT", "Nested Loops", "Compute Scalar", "Table Scan", "Index Seek",
                                  "Sort", "SELECT STATEMENT", "Stream Aggregate", "Index Scan"}));
    EXPECT_EQ(shares, (QStringList{"100%", "100%", "20%", "20%", "0%", "25%", "100%", "50%", "25%"}));
    EXPECT_EQ(nodes[3].subItems, (QStringList{"([d].[dbo].[O])", "830", "10", "0.008", "20%", "4"}));
    EXPECT_EQ(nodes[4].subItems.at(psCost), "0.000000");
    EXPECT_TRUE(nodes[3].tableScan());
    EXPECT_FALSE(nodes[4].tableScan());
    EXPECT_EQ(nodes[3].level, 3);
}

TEST(PlanText, DatabaseSwitchesAreLeftOut)
{
    const auto nodes = BuildPlan({statement("1", "USE DATABASE", "0"), statement("2", "SELECT", "1"), op("3", "2", "Table Scan", "1")});
    ASSERT_EQ(nodes.size(), 2u);
    EXPECT_EQ(nodes[0].text, "SELECT STATEMENT");
    EXPECT_EQ(nodes[1].parent, 0);
}

TEST(PlanText, CopyTextIndentsInTreeOrderAndStopsWhenAsked)
{
    const auto nodes = BuildPlan({statement("1", "SELECT", "1"), op("2", "1", "Hash Match", "1"),
                                  op("3", "2", "Table Scan", "0.5", "7", "OBJECT:([T])"), op("4", "1", "Sort\tx", "0.25")});
    EXPECT_EQ(PlanCopyText(nodes, ','),
              "操作,オブジェクト,予測行数,行平均サイズ,COST,COST(%),\r\n"
              "SELECT STATEMENT,,,,1,100%\r\n"
              "  ┗Hash Match,,1,10,1,100%\r\n"
              "    ┗Table Scan,([T]),7,10,0.5,50%\r\n"
              "  ┗Sort x,,1,10,0.25,25%\r\n");
    // A node that hangs under an earlier node after later ones still follows its parent.
    const auto late = BuildPlan({statement("1", "SELECT", "1"), op("2", "1", "A", "1"), op("3", "1", "B", "1"),
                                 op("4", "2", "C", "1")});
    EXPECT_EQ(TreeOrder(late), (std::vector<int>{0, 1, 3, 2}));
    const QString two = PlanCopyText(nodes, '\t', [](int done, int) { return done > 2; });
    EXPECT_EQ(two.count("\r\n"), 3);
}
