#include "tables/data_page_text.h"

#include "app/qvstrings.h"

#include <algorithm>

namespace qv::datapage {

namespace {

QString Q(const QString& name) { return QuoteIdentifier(name, true); }

QString Cell(const WhereRow& row, int c) { return c < row.size() ? row.at(c) : QString(); }

bool IsTextType(const QString& type)
{
    const QString t = type.trimmed().toUpper();
    return t == u"CHAR" || t == u"VARCHAR" || t == u"TEXT" || t == u"NCHAR" || t == u"NVARCHAR" || t == u"NTEXT";
}

bool IsUnicodeType(const QString& type)
{
    const QString t = type.trimmed().toUpper();
    return t == u"NCHAR" || t == u"NVARCHAR" || t == u"NTEXT";
}

bool IsLongText(const QString& type)
{
    const QString t = type.trimmed().toUpper();
    return t == u"TEXT" || t == u"NTEXT";
}

bool IsQuoted(const QString& value) { return value.startsWith(u'\'') || IsUnicodeLiteral(value); }

QString TypeOf(const QList<Column>& columns, const QString& name)
{
    for (const Column& c : columns)
        if (c.name.compare(name, Qt::CaseInsensitive) == 0)
            return c.type;
    return QString();
}

} // namespace

QStringList HistoryModeItems()
{
    return {QStringLiteral("AS OF"), QStringLiteral("FROM TO"), QStringLiteral("BETWEEN AND"),
            QStringLiteral("CONTAINED IN"), QStringLiteral("ALL")};
}

Limit CheckRowLimit(const QString& text, qint64* value)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return Limit::None;
    bool ok = false;
    const qint64 v = t.toLongLong(&ok);
    if (!ok || v == 0)
        return Limit::Invalid;
    if (value)
        *value = v;
    return v > 0 ? Limit::Top : Limit::None;
}

QString QuoteValue(const QString& value, const QString& type)
{
    bool ascii = true;
    for (QChar ch : value)
        if (ch.unicode() > 0x7e) {
            ascii = false;
            break;
        }
    const QString literal = QuoteLiteral(value);
    return IsUnicodeType(type) || !ascii ? u'N' + literal : literal;
}

QString EscapeLikeLiterals(const QString& value)
{
    QString out;
    out.reserve(value.size() + 8);
    bool inLiteral = false;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar ch = value.at(i);
        if (ch == u'\'') {
            // A doubled quote inside a literal is one quote character and stays inside.
            if (inLiteral && i + 1 < value.size() && value.at(i + 1) == u'\'') {
                out += QStringLiteral("''");
                ++i;
                continue;
            }
            inLiteral = !inLiteral;
        } else if (inLiteral && (ch == u'%' || ch == u'_' || ch == u'[')) {
            out += u'%';
        }
        out += ch;
    }
    return out;
}

QString BuildSelect(const SelectSpec& spec, QList<WhereRow>& rows)
{
    const bool table = spec.window == Window::Table;
    QString sql = QStringLiteral("select ");
    qint64 top = 0;
    if (CheckRowLimit(spec.rowLimit, &top) == Limit::Top)
        sql += QStringLiteral("top ") + QString::number(top) + u' ';

    QStringList list;
    for (const QString& name : spec.showFields) {
        const QString q = Q(name);
        QString item = q;
        if (table) {
            const QString type = TypeOf(spec.columns, name).trimmed().toUpper();
            // Types the data grid cannot show are read as text.
            if (type == u"SQL_VARIANT")
                item = QStringLiteral("cast(%1 as VarChar(8000)) as %1").arg(q);
            else if (type == u"DATETIME2")
                item = QStringLiteral("cast(%1 as VarChar(30)) as %1").arg(q);
            else if (type == u"TIME")
                item = QStringLiteral("cast(%1 as VarChar(18)) as %1").arg(q);
            else if (type == u"DATETIMEOFFSET")
                item = QStringLiteral("cast(%1 as VarChar(40)) as %1").arg(q);
        }
        list << item;
    }
    sql += list.join(QStringLiteral(", "));
    sql += QStringLiteral(" from ") + Q(spec.database) + u'.' + Q(spec.schema) + u'.' + Q(spec.name);

    if (table && spec.history != History::Current) {
        sql += QStringLiteral(" FOR SYSTEM_TIME");
        const QString s = spec.start, e = spec.end;
        switch (spec.history) {
        case History::AsOf: sql += QStringLiteral(" AS OF '%1'").arg(s); break;
        case History::FromTo: sql += QStringLiteral(" FROM '%1' TO '%2'").arg(s, e); break;
        case History::BetweenAnd: sql += QStringLiteral(" BETWEEN '%1' AND '%2'").arg(s, e); break;
        case History::ContainedIn: sql += QStringLiteral(" CONTAINED IN ('%1' , '%2')").arg(s, e); break;
        case History::All: sql += QStringLiteral(" ALL"); break;
        case History::Current: break;
        }
    }

    bool where = false;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const WhereRow& row = rows.at(i);
        const QString eq = Cell(row, wcEqual), ne = Cell(row, wcNotEqual), lower = Cell(row, wcLower),
                      upper = Cell(row, wcUpper), like = Cell(row, wcLike);
        if (eq.isEmpty() && ne.isEmpty() && lower.isEmpty() && upper.isEmpty() && like.isEmpty())
            continue;
        if (!where) {
            sql += QStringLiteral(" where ");
            where = true;
        }
        const QString c = Q(Cell(row, wcName));
        const QString type = i < spec.columns.size() ? spec.columns.at(i).type : QString();
        const bool longText = table && IsLongText(type);
        const QString empty = QStringLiteral("''");
        if (!eq.isEmpty()) {
            // TEXT and NTEXT have no "=": an exact LIKE in which no character of the literals
            // acts as a wildcard.
            if (longText)
                sql += c + QStringLiteral(" like ") + EscapeLikeLiterals(eq) + QStringLiteral("{escape '%'} AND ");
            else if (eq == empty && spec.incNull)
                sql += u'(' + c + QStringLiteral(" = ") + eq + QStringLiteral(" OR ") + c + QStringLiteral(" is NULL) AND ");
            else
                sql += c + QStringLiteral(" = ") + eq + QStringLiteral(" AND ");
        }
        if (!ne.isEmpty()) {
            if (longText)
                sql += c + QStringLiteral(" not like ") + EscapeLikeLiterals(ne) + QStringLiteral("{escape '%'} AND ");
            else if (ne == empty && spec.incNull)
                sql += u'(' + c + QStringLiteral(" <> ") + ne + QStringLiteral(" AND ") + c +
                       QStringLiteral(" IS NOT NULL)  AND ");
            else // rows whose column is NULL differ as well
                sql += u'(' + c + QStringLiteral(" <> ") + ne + QStringLiteral(" OR ") + c + QStringLiteral(" IS NULL)  AND ");
        }
        if (!like.isEmpty())
            sql += c + QStringLiteral(" like ") + like + QStringLiteral(" AND ");
        if (!lower.isEmpty() && !upper.isEmpty())
            sql += c + QStringLiteral(" between ") + lower + (table ? QStringLiteral(" AND ") : QStringLiteral(" and ")) +
                   upper + QStringLiteral(" AND ");
        else if (!lower.isEmpty())
            sql += c + QStringLiteral(" >= ") + lower + QStringLiteral(" AND ");
        else if (!upper.isEmpty())
            sql += c + QStringLiteral(" <= ") + upper + QStringLiteral(" AND ");
    }
    if (where)
        sql.chop(4); // the "AND " after the last condition

    if (!spec.freeCondition.isEmpty())
        sql += (where ? QStringLiteral(" and ") : QStringLiteral(" where ")) + spec.freeCondition;

    struct SortEntry {
        QString key;
        qsizetype row;
        bool desc;
    };
    QList<SortEntry> sort;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        WhereRow& row = rows[i];
        while (row.size() < WhereColCount)
            row << QString();
        const QString cell = row.at(wcSort).trimmed();
        if (cell.isEmpty())
            continue;
        const bool desc = cell.toLower().contains(u"desc");
        QString digits;
        for (QChar ch : cell)
            if (ch >= u'0' && ch <= u'9')
                digits += ch;
        row[wcSort].clear();
        if (digits.isEmpty() && !desc)
            continue;
        bool ok = false;
        int key = digits.toInt(&ok);
        if (!ok)
            key = 0;
        sort << SortEntry{QStringLiteral("%1").arg(key, 5, 10, QLatin1Char('0')), i, desc};
    }
    if (!sort.isEmpty()) {
        std::stable_sort(sort.begin(), sort.end(), [](const SortEntry& a, const SortEntry& b) { return a.key < b.key; });
        QStringList order;
        for (qsizetype n = 0; n < sort.size(); ++n) {
            const SortEntry& e = sort.at(n);
            order << Q(rows.at(e.row).at(wcName)) + (e.desc ? QStringLiteral(" desc") : QString());
            rows[e.row][wcSort] = QString::number(n + 1) + (e.desc ? QStringLiteral(" desc") : QString());
        }
        sql += QStringLiteral(" order by ") + order.join(u',');
    }
    return sql;
}

QList<WhereRow> RefillRows(const QList<WhereRow>& old, const QList<Column>& columns, bool autoQuote)
{
    QList<WhereRow> out;
    for (const Column& col : columns) {
        WhereRow row;
        row << col.name;
        const WhereRow* saved = nullptr;
        for (const WhereRow& o : old)
            if (!o.isEmpty() && o.at(wcName).compare(col.name, Qt::CaseInsensitive) == 0) {
                saved = &o;
                break;
            }
        for (int c = wcEqual; c < WhereColCount; ++c)
            row << (saved ? Cell(*saved, c) : QString());
        if (autoQuote) {
            if (IsTextType(col.type))
                for (int c : {wcEqual, wcLower, wcUpper, wcNotEqual}) {
                    const QString v = row.at(c);
                    if (!v.isEmpty() && !IsQuoted(v))
                        row[c] = QuoteValue(v, col.type);
                }
            QString like = row.at(wcLike);
            if (!like.isEmpty() && !IsQuoted(like)) {
                if (!like.contains(u'%') && !like.contains(u'_'))
                    like = u'%' + like + u'%';
                row[wcLike] = QuoteValue(like, col.type);
            }
        }
        out << row;
    }
    return out;
}

QStringList PruneShowFields(const QStringList& show, const QList<Column>& columns)
{
    QStringList out;
    for (const QString& name : show) {
        const bool known = std::any_of(columns.begin(), columns.end(), [&](const Column& c) {
            return c.name.compare(name, Qt::CaseInsensitive) == 0;
        });
        if (known)
            out << name;
    }
    if (out.isEmpty())
        for (const Column& c : columns)
            out << c.name;
    return out;
}

void PushHistory(QStringList& items, const QString& condition)
{
    items.removeAll(condition);
    items.prepend(condition);
}

} // namespace qv::datapage
