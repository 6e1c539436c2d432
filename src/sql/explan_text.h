#pragma once
// The estimated plan of a statement as a tree: the rows SQL Server gives in SHOWPLAN_ALL mode
// turned into nodes with their cost columns, and the plan as clipboard text. No window here;
// TfraExplan (explan_frame.h) shows the nodes.
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace qv::plan {

// The SHOWPLAN_ALL columns the plan reads, by their position in the result.
enum PlanColumn {
    pcStmtText = 0,
    pcNodeId = 2,
    pcParent = 3,
    pcPhysicalOp = 4,
    pcArgument = 6,
    pcEstimateRows = 8,
    pcAvgRowSize = 11,
    pcTotalSubtreeCost = 12,
    pcType = 15,
    pcColumnCount = 16,
};

// One SHOWPLAN_ALL row, every value as text.
struct PlanRow {
    QString stmtText, nodeId, parent, physicalOp, argument, estimateRows, avgRowSize, totalSubtreeCost, type;
};

// Sub-items of a node: the five shown columns and the row's NodeId (not shown).
enum PlanSubItem { psObject, psEstimateRows, psAvgRowSize, psCost, psShare, psNodeId, psCount };

struct PlanNode {
    QString text;
    QStringList subItems; // psCount texts
    int parent = -1;      // index of the parent node; -1 for a statement (root)
    int level = 0;
    bool tableScan() const { return text.contains(QLatin1String("Table Scan")); }
};

// The headers of the plan's columns: "操作", "オブジェクト", "予測行数", "行平均サイズ", "COST",
// "COST(%)".
QStringList PlanHeaders();

// The cost text of a TotalSubtreeCost: "0" when empty or zero; the value rounded to six
// decimals (half to even), written without exponent: six fixed decimals below 0.00001 (a
// non-zero cost that rounds to nothing shows "0.000000"), else without trailing zeros.
// *rounded receives the rounded value.
QString CostText(const QString& totalSubtreeCost, double* rounded = nullptr);

// The object a scan or seek reads: the Argument text after "OBJECT:" up to the next ",";
// empty for other operators.
QString PlanObject(const QString& physicalOp, const QString& argument);

// Builds the nodes of a plan in the order the rows come. Each statement (Parent "0") is a root
// named by its type ("SELECT STATEMENT"); an operator hangs under the latest node whose NodeId
// is its Parent (the first node when none is). Rows without cost, rows and size below a
// statement are left out, and so are database switches. Each node's share is its cost against
// its statement's cost, to one decimal.
std::vector<PlanNode> BuildPlan(const std::vector<PlanRow>& rows);

// The node text as copied and exported: two blanks per level, then "┗" below the top.
QString IndentedText(const PlanNode& node);

// Node indexes in tree order (each node followed by its children, depth first).
std::vector<int> TreeOrder(const std::vector<PlanNode>& nodes);

// The clipboard text: the headers, each followed by sep, then one line per node in tree order
// (indented text and the five shown columns joined by sep; TAB and line breaks inside a value
// become blanks), each line ended by CR LF. `stop`, when set, is asked before each node and
// ends the text there when it says so.
QString PlanCopyText(const std::vector<PlanNode>& nodes, QChar sep, const std::function<bool(int, int)>& stop = {});

} // namespace qv::plan
