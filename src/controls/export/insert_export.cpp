#include "controls/export/insert_export.h"

#include "app/qvstrings.h"
#include "app/sqltext/comments.h"
#include "app/sqltext/parser.h"
#include "app/textfiles.h"
#include "platform/db/dataset.h"
#include "platform/db/result_table.h"
#include "platform/textcodec.h"

#include <QRegularExpression>
#include <charconv>

namespace qv::exporting {

namespace {

bool isBlank(QChar c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

// A part given in double quotes, without them and with doubled quotes made single.
QString unquoteDouble(const QString& part)
{
    return part.mid(1, part.size() - 2).replace(QStringLiteral("\"\""), QStringLiteral("\""));
}

QString quotePart(const QString& part)
{
    if (part.startsWith(u'[') && IsBracketQuoted(part))
        return part;
    if (part.size() >= 2 && part.startsWith(u'"') && part.endsWith(u'"'))
        return QuoteIdentifier(unquoteDouble(part));
    return QuoteIdentifier(part);
}

QString dateTimeLiteral(const db::Field& f, qint64 ticks)
{
    using db::FieldType;
    const db::ColumnDesc& d = f.Desc();
    const FieldType t = f.DataType();
    if (t == FieldType::Date)
        return db::formatDateTicks(ticks, t, 0);
    int digits = 7;
    if (d.typeName == QLatin1String("smalldatetime"))
        digits = 0;
    else if (d.typeName == QLatin1String("datetime"))
        digits = 3;
    QString text = db::formatDateTicks(ticks, t, digits);
    if (digits == 7) {
        // datetime2 and time: all seven digits the value holds, not fewer than the column's scale.
        const int keep = std::clamp(d.scale, 0, 7);
        int cut = 0;
        while (cut < 7 - keep && text.at(text.size() - 1 - cut) == u'0')
            ++cut;
        text.chop(cut);
        if (text.endsWith(u'.'))
            text.chop(1);
    }
    // The "T" form is read the same under every language and date-format setting.
    if (t != FieldType::Time && text.size() > 10 && text.at(10) == u' ')
        text[10] = u'T';
    return text;
}

QString floatLiteral(const db::Field& f, double v)
{
    char buf[64];
    std::to_chars_result r;
    if (f.DataType() == db::FieldType::Single)
        r = std::to_chars(buf, buf + sizeof buf, static_cast<float>(v));
    else
        r = std::to_chars(buf, buf + sizeof buf, v);
    return QString::fromLatin1(buf, r.ptr - buf);
}

} // namespace

QStringList SplitTableName(const QString& text)
{
    QStringList parts;
    QString cur;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && isBlank(text[i]))
        ++i;
    while (i < n) {
        const QChar c = text[i];
        if (c == u'[' || c == u'"') {
            const QChar close = c == u'[' ? QChar(u']') : QChar(u'"');
            cur += c;
            ++i;
            while (i < n) {
                cur += text[i];
                if (text[i] == close) {
                    if (i + 1 < n && text[i + 1] == close) {
                        cur += close;
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                ++i;
            }
            continue;
        }
        if (isBlank(c) || c == u';')
            break;
        if (c == u'.') {
            parts.append(cur);
            cur.clear();
            ++i;
            continue;
        }
        cur += c;
        ++i;
    }
    parts.append(cur);
    if (parts.size() == 1 && parts.first().isEmpty())
        return {};
    return parts;
}

QString QuoteTableName(const QString& text)
{
    const QStringList parts = SplitTableName(text);
    QStringList out;
    for (const QString& p : parts)
        out.append(p.isEmpty() ? QString() : quotePart(p)); // "db..t" keeps its empty schema
    return out.join(u'.');
}

QString QuoteTableName(const QString& schema, const QString& name)
{
    if (schema.isEmpty())
        return QuoteIdentifier(name);
    return QuoteIdentifier(schema) + u'.' + QuoteIdentifier(name);
}

QString InsertTableFromSql(const QString& sqlText, bool* ask)
{
    if (ask)
        *ask = false;
    QStringList lines = SplitTextLines(sqlText);
    StripSQLComments(lines, true);
    bool any = false;
    for (const QString& l : lines)
        any = any || !l.trimmed().isEmpty();
    if (!any)
        return {};
    TqvParseList columns, tables, orderBy;
    QStringList where, groupBy, having;
    QString viewName;
    TqvSQLType kind = sqltNone;
    try {
        kind = ParseSQLStatement(lines.join(u'\n'), columns, tables, orderBy, where, groupBy, having,
                                 QStringLiteral("SQL parse error"), viewName);
    } catch (const ESQLParseError&) {
        tables.Clear();
        kind = sqltSelect;
    }
    if (kind != sqltSelect)
        return {};
    if (tables.Count() == 1) {
        // The parser cuts a name at its first blank, also inside brackets ("[my table]"): the
        // name is read again from the statement text where the parsed entry starts.
        const QString text = lines.join(u'\n');
        const QString parsed = tables.ObjectName(0);
        QStringList parts;
        static const QRegularExpression from(QStringLiteral("\\bfrom\\s+"), QRegularExpression::CaseInsensitiveOption);
        const QRegularExpressionMatch m = from.match(text);
        if (m.hasMatch() && !parsed.isEmpty()) {
            const qsizetype at = text.indexOf(parsed, m.capturedEnd());
            if (at >= 0)
                parts = SplitTableName(text.mid(at));
        }
        if (parts.isEmpty())
            parts = SplitTableName(parsed);
        if (!parts.isEmpty())
            return parts.join(u'.');
    }
    if (ask)
        *ask = true;
    return {};
}

QString SqlLiteral(const db::Field& f)
{
    using db::FieldType;
    const FieldType t = f.DataType();
    const QVariant cell = f.Cell();
    const bool null = !cell.isValid() || cell.isNull();
    if (null)
        return QStringLiteral("NULL");
    switch (t) {
    case FieldType::String:
    case FieldType::FixedChar:
    case FieldType::Memo:
        return QuoteLiteral(f.AsString());
    case FieldType::WideString:
    case FieldType::FixedWideChar:
    case FieldType::WideMemo:
        return QLatin1Char('N') + QuoteLiteral(f.AsString());
    case FieldType::Guid:
    case FieldType::TimeStampOffset:
        return QuoteLiteral(f.AsString());
    case FieldType::Date:
    case FieldType::Time:
    case FieldType::TimeStamp:
        if (cell.typeId() == QMetaType::LongLong)
            return QuoteLiteral(dateTimeLiteral(f, cell.toLongLong()));
        return QuoteLiteral(f.AsString());
    case FieldType::Boolean:
        return cell.toLongLong() != 0 ? QStringLiteral("1") : QStringLiteral("0");
    case FieldType::Float:
    case FieldType::Single:
        return floatLiteral(f, cell.toDouble());
    case FieldType::Byte:
    case FieldType::Smallint:
    case FieldType::Integer:
    case FieldType::Largeint:
    case FieldType::Word:
    case FieldType::Currency:
    case FieldType::BCD:
    case FieldType::FMTBcd: {
        const QString s = f.AsString();
        return s.isEmpty() ? QStringLiteral("NULL") : s;
    }
    case FieldType::Bytes:
    case FieldType::Blob:
        return QStringLiteral("0x") + QString::fromLatin1(f.AsBytes().toHex().toUpper());
    case FieldType::Unknown:
        break;
    }
    return QStringLiteral("NULL");
}

QStringList BuildInsertScript(db::DataSet& ds, const QString& quotedTable, const StopCheck& stop,
                              const ProgressFn& progress, ExportOutcome* outcome)
{
    const QList<db::Field*> fields = VisibleFields(ds);
    QStringList names;
    for (const db::Field* f : fields)
        names.append(QuoteIdentifier(f->FieldName()));
    const QString head = QStringLiteral("INSERT INTO ") + quotedTable + QStringLiteral(" (")
                         + names.join(QStringLiteral(", ")) + QStringLiteral(") VALUES (");
    QStringList lines;
    ExportOutcome r;
    ds.DisableControls();
    try {
        ds.Last();
        ds.First();
        r.total = ds.RecordCount();
        QStringList values;
        while (!ds.Eof()) {
            if (stop && stop()) {
                r.stopped = true;
                break;
            }
            if (progress)
                progress(r.records + 1, r.total);
            values.clear();
            for (const db::Field* f : fields)
                values.append(SqlLiteral(*f));
            lines.append(head + values.join(QStringLiteral(", ")) + u')');
            lines.append(QStringLiteral("go"));
            ++r.records;
            ds.Next();
        }
    } catch (...) {
        ds.EnableControls();
        throw;
    }
    ds.EnableControls();
    if (outcome)
        *outcome = r;
    return lines;
}

void WriteInsertScript(const QString& fileName, const QStringList& lines)
{
    WriteTextFileLines(fileName, lines, GetFileEncoding(), true);
}

} // namespace qv::exporting
