#include "sql/explan_text.h"

#include <cmath>

namespace qv::plan {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// A number without exponent and without trailing zeros ("12.5", "100", "0.003283").
QString generalNumber(double v)
{
    QString s = QString::number(v, 'f', 6);
    if (s.contains(QLatin1Char('.'))) {
        while (s.endsWith(QLatin1Char('0')))
            s.chop(1);
        if (s.endsWith(QLatin1Char('.')))
            s.chop(1);
    }
    if (s == QLatin1String("-0"))
        s = QStringLiteral("0");
    return s;
}

QString cellText(QString s)
{
    s.replace(kCrLf, QStringLiteral(" "));
    s.replace(QLatin1Char('\t'), QLatin1Char(' '));
    s.replace(QLatin1Char('\r'), QLatin1Char(' '));
    s.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return s;
}

} // namespace

QStringList PlanHeaders()
{
    return {QStringLiteral("操作"), QStringLiteral("オブジェクト"), QStringLiteral("予測行数"),
            QStringLiteral("行平均サイズ"), QStringLiteral("COST"), QStringLiteral("COST(%)")};
}

QString CostText(const QString& totalSubtreeCost, double* rounded)
{
    if (rounded)
        *rounded = 0;
    const QString t = totalSubtreeCost.trimmed();
    if (t.isEmpty())
        return QStringLiteral("0");
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || v == 0)
        return QStringLiteral("0");
    // Millionths as a whole number: the six decimals are exact digits, never an exponent.
    const double micro = std::nearbyint(v * 1e6);
    const double m = micro / 1e6;
    if (rounded)
        *rounded = m;
    if (std::fabs(micro) < 10) {
        const int digit = static_cast<int>(std::fabs(micro));
        return (micro < 0 ? QStringLiteral("-") : QString()) + QStringLiteral("0.00000") + QString::number(digit);
    }
    return generalNumber(m);
}

QString PlanObject(const QString& physicalOp, const QString& argument)
{
    if (!physicalOp.contains(QLatin1String("Scan")) && !physicalOp.contains(QLatin1String("Seek")))
        return QString();
    const QString key = QStringLiteral("OBJECT:");
    const qsizetype at = argument.indexOf(key);
    const qsizetype start = at < 0 ? 0 : at + key.size();
    const qsizetype comma = argument.indexOf(QLatin1Char(','), start);
    return argument.mid(start, comma < 0 ? -1 : comma - start);
}

std::vector<PlanNode> BuildPlan(const std::vector<PlanRow>& rows)
{
    std::vector<PlanNode> nodes;
    double total = 0;
    for (const PlanRow& row : rows) {
        double m = 0;
        const QString cost = CostText(row.totalSubtreeCost, &m);
        const bool statement = row.parent.trimmed() == QLatin1String("0");
        if (!statement && cost == QLatin1String("0") && row.estimateRows.isEmpty() && row.avgRowSize.isEmpty())
            continue;
        if (row.type.trimmed().compare(QLatin1String("USE DATABASE"), Qt::CaseInsensitive) == 0)
            continue;
        const bool root = statement || nodes.empty();
        if (root)
            total = 0; // every statement is its own 100 %
        if (total == 0)
            total = m;
        const QString share = total == 0 ? QStringLiteral("0%")
                                         : generalNumber(std::nearbyint(m / total * 1000) / 10) + QStringLiteral("%");

        PlanNode node;
        if (root) {
            node.text = row.type + QStringLiteral(" STATEMENT");
        } else {
            node.parent = 0;
            for (int i = int(nodes.size()) - 1; i >= 0; --i)
                if (nodes[size_t(i)].subItems.at(psNodeId) == row.parent) {
                    node.parent = i;
                    break;
                }
            node.level = nodes[size_t(node.parent)].level + 1;
            node.text = row.physicalOp.isEmpty() ? row.stmtText : row.physicalOp;
        }
        node.subItems = {PlanObject(row.physicalOp, row.argument), row.estimateRows, row.avgRowSize, cost, share,
                         row.nodeId};
        nodes.push_back(std::move(node));
    }
    return nodes;
}

QString IndentedText(const PlanNode& node)
{
    QString s = node.text;
    if (node.level > 0)
        s.prepend(QStringLiteral("┗"));
    return QString(node.level * 2, QLatin1Char(' ')) + s;
}

std::vector<int> TreeOrder(const std::vector<PlanNode>& nodes)
{
    std::vector<std::vector<int>> children(nodes.size());
    std::vector<int> roots;
    for (int i = 0; i < int(nodes.size()); ++i) {
        if (nodes[size_t(i)].parent < 0)
            roots.push_back(i);
        else
            children[size_t(nodes[size_t(i)].parent)].push_back(i);
    }
    std::vector<int> order;
    order.reserve(nodes.size());
    std::function<void(int)> walk = [&](int i) {
        order.push_back(i);
        for (int c : children[size_t(i)])
            walk(c);
    };
    for (int r : roots)
        walk(r);
    return order;
}

QString PlanCopyText(const std::vector<PlanNode>& nodes, QChar sep, const std::function<bool(int, int)>& stop)
{
    QString out;
    for (const QString& h : PlanHeaders())
        out += cellText(h) + sep;
    out += kCrLf;
    const std::vector<int> order = TreeOrder(nodes);
    for (int k = 0; k < int(order.size()); ++k) {
        if (stop && stop(k + 1, int(order.size())))
            break;
        const PlanNode& n = nodes[size_t(order[size_t(k)])];
        QStringList cells{cellText(IndentedText(n))};
        for (int i = psObject; i <= psShare; ++i)
            cells << cellText(n.subItems.value(i));
        out += cells.join(sep) + kCrLf;
    }
    return out;
}

} // namespace qv::plan
