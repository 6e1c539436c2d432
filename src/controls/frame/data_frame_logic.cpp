#include "controls/frame/data_frame_logic.h"

#include "platform/db/query.h"

namespace qv {

namespace {

bool isTrailingJunk(QChar c) { return c.unicode() <= 0x20; }

QString trimRight(const QString& s)
{
    qsizetype n = s.size();
    while (n > 0 && isTrailingJunk(s[n - 1]))
        --n;
    return s.left(n);
}

} // namespace

QString StripTrailingSemicolons(const QString& sql)
{
    QString s = trimRight(sql);
    while (s.endsWith(QLatin1Char(';')))
        s = trimRight(s.left(s.size() - 1));
    return s;
}

QString SortedStatement(const QString& sql, const QString& sort, bool desc)
{
    if (sort.isEmpty() || sql.toUpper().contains(QLatin1String("ORDER BY")))
        return sql;
    QString s = StripTrailingSemicolons(sql);
    s += QStringLiteral("\r\n ORDER BY ") + sort;
    if (desc)
        s += QStringLiteral(" DESC");
    return s;
}

namespace {

const char* aggregatePrefix(AggregateKind kind)
{
    switch (kind) {
    case AggregateKind::Count: return "select count(";
    case AggregateKind::Sum: return "select sum(";
    case AggregateKind::Average: return "select avg(";
    case AggregateKind::Max: return "select max(";
    case AggregateKind::Min: return "select min(";
    }
    return "select count(";
}

QString aggregateLabel(AggregateKind kind)
{
    switch (kind) {
    case AggregateKind::Count: return QStringLiteral("件数");
    case AggregateKind::Sum: return QStringLiteral("合計");
    case AggregateKind::Average: return QStringLiteral("平均");
    case AggregateKind::Max: return QStringLiteral("最大");
    case AggregateKind::Min: return QStringLiteral("最小");
    }
    return {};
}

} // namespace

QString AggregateStatement(AggregateKind kind, const QString& fieldName, const QString& sql)
{
    return QString::fromLatin1(aggregatePrefix(kind)) + db::quoteName(fieldName) + QStringLiteral(") from (")
        + StripTrailingSemicolons(sql.trimmed()) + QStringLiteral("\r\n) as dummy");
}

QString AggregateMessage(AggregateKind kind, const QString& fieldName, const QString& value)
{
    return QStringLiteral("[") + fieldName + QStringLiteral("]列の") + aggregateLabel(kind) + QStringLiteral(" = ") + value;
}

QString NumberCellText(const QString& text)
{
    return text.startsWith(QLatin1Char('.')) ? QStringLiteral("0") + text : text;
}

QString CalendarStartText(const QString& cellText)
{
    QString s = cellText;
    const qsizetype dot = s.indexOf(QLatin1Char('.'));
    if (dot >= 0)
        s.truncate(dot);
    s.replace(QLatin1Char('-'), QLatin1Char('/'));
    return s;
}

QString CalendarCellText(const QString& oldText, const QDateTime& value, const QString& dateFormat,
                         const QString& timeFormat)
{
    QString fraction;
    const qsizetype dot = oldText.indexOf(QLatin1Char('.'));
    if (dot >= 0)
        fraction = oldText.mid(dot);
    return (value.date().toString(dateFormat) + QLatin1Char(' ') + value.time().toString(timeFormat) + fraction).trimmed();
}

} // namespace qv
