#include "tables/table_ddl.h"

#include "tables/table_temporal_text.h"

#include "app/qvstrings.h"
#include "tables/define_text.h"

namespace qv::table {

namespace {

QString Prefix(const TableModel& m, const DdlOptions& o)
{
    if (o.noSchemaPrefix)
        return {};
    return o.schemaPrefix.isEmpty() ? QuoteIdentifier(m.schema) + u'.' : o.schemaPrefix;
}

QString NLit(const QString& text)
{
    return u'N' + QuoteLiteral(text);
}

void AppendUse(QStringList& lines, const TableModel& m, const DdlOptions& o)
{
    if (!o.writeUse)
        return;
    lines << DatabaseSwitchLine(m.database) << QStringLiteral("go");
}

QString CommentTarget(const TableModel& m, const QString& tableName, int version, const QString& column)
{
    QString s = NLit(version < 9 ? QStringLiteral("user") : QStringLiteral("schema")) + QStringLiteral(", ") +
                NLit(m.schema) + QStringLiteral(", N'table', ") + NLit(tableName);
    if (!column.isNull())
        s += QStringLiteral(", N'column', ") + NLit(column);
    return s;
}

void AppendComment(QStringList& lines, const TableModel& m, const QString& tableName, const DdlOptions& o,
                   const QString& column, const QString& comment, const QString& loaded)
{
    if (comment.isEmpty()) {
        if (!loaded.isEmpty() && !o.recreating && !m.isNew)
            lines << QStringLiteral("EXEC sp_dropextendedproperty N'MS_Description', ") +
                         CommentTarget(m, tableName, o.version, column)
                  << QStringLiteral("go");
        return;
    }
    if (!loaded.isEmpty() && !o.recreating && !m.isNew)
        lines << QStringLiteral("EXEC sp_dropextendedproperty N'MS_Description', ") +
                     CommentTarget(m, tableName, o.version, column)
              << QStringLiteral("go");
    lines << QStringLiteral("EXEC sp_addextendedproperty N'MS_Description', ") + NLit(comment) +
                 QStringLiteral(", ") + CommentTarget(m, tableName, o.version, column)
          << QStringLiteral("go");
}

// True for exactly one string literal: 'text' with every inner quote doubled. Only such a
// default loses its parentheses for the N prefix; "('a')+('b')" or "(a) + (b)" stay as typed.
bool IsSingleLiteral(const QString& text)
{
    if (text.size() < 2 || !text.startsWith(u'\'') || !text.endsWith(u'\''))
        return false;
    const QString inner = text.mid(1, text.size() - 2);
    for (qsizetype i = 0; i < inner.size(); ++i) {
        if (inner.at(i) != u'\'')
            continue;
        if (i + 1 >= inner.size() || inner.at(i + 1) != u'\'')
            return false;
        ++i;
    }
    return true;
}

} // namespace

bool ChkNPrefixForDef(const QString& value, const QString& dataType)
{
    const QString t = dataType.toUpper();
    return (t == u"NCHAR" || t == u"NVARCHAR" || t == u"NTEXT") && !value.startsWith(u"(N'");
}

QString DefaultValueText(const QString& value, const QString& type)
{
    if (ChkNPrefixForDef(value, type) && value.startsWith(u'(') && value.endsWith(u')') &&
        IsSingleLiteral(value.mid(1, value.size() - 2)))
        return AddUnicodePrefix(value.mid(1, value.size() - 2));
    return value;
}

QString CommentLevelType(int version)
{
    return version < 9 ? QStringLiteral("user") : QStringLiteral("schema");
}

QString CreateTableName(const TableModel& m)
{
    switch (m.temp) {
    case TempKind::Local:
        return m.name.startsWith(u'#') ? m.name : u'#' + m.name;
    case TempKind::Global:
        return m.name.startsWith(u"##") ? m.name : QStringLiteral("##") + m.name;
    case TempKind::None:
        break;
    }
    return m.name;
}

bool HasPeriod(const TableModel& m)
{
    return m.versioning.versioned && !m.versioning.startColumn.isEmpty() && !m.versioning.endColumn.isEmpty();
}

bool IsPeriodColumn(const TableModel& m, const QString& column)
{
    return HasPeriod(m) && (column == m.versioning.startColumn || column == m.versioning.endColumn);
}

QString ColumnLine(const TableModel& m, int index, const DdlOptions& o)
{
    const TableColumn& c = m.columns.at(index);
    const QString quoted = QuoteIdentifier(c.name);
    if (!c.computed.isEmpty())
        return QStringLiteral("    ") + quoted + QStringLiteral(" AS ") + c.computed + u',';
    QString line = QStringLiteral("    ") + quoted;
    if (c.name.size() < 31) {
        const int width = DisplayWidth(quoted);
        line += QString(qMax(0, 31 - width), u' ');
    } else {
        line += u' ';
    }
    line += c.type;
    if (!c.length.isEmpty())
        line += u'(' + c.length + u')';
    if (!c.collation.isEmpty())
        line += QStringLiteral(" COLLATE ") + c.collation + u' ';
    if (IsPeriodColumn(m, c.name)) {
        const bool start = c.name == m.versioning.startColumn;
        line += start ? QStringLiteral(" GENERATED ALWAYS AS ROW START") : QStringLiteral(" GENERATED ALWAYS AS ROW END");
        if (start ? m.versioning.startHidden : m.versioning.endHidden)
            line += QStringLiteral(" HIDDEN");
    }
    if (o.version >= 13 && !o.azure && !c.mask.isEmpty() && o.writeMask)
        line += QStringLiteral(" MASKED WITH (FUNCTION = ") + QuoteLiteral(c.mask) + u')';
    if (!c.defaultValue.isEmpty()) {
        QString constraint;
        if (c.loadedRow > 0 && c.loadedRow <= m.snapshotRows)
            for (const DefaultColumn& d : m.defaultColumns)
                if (d.ColumnName == c.name) {
                    constraint = d.DefaultName;
                    break;
                }
        if (c.defaultValue.toUpper().contains(u"IDENTITY(")) {
            line += u' ' + c.defaultValue;
        } else {
            const QString value = DefaultValueText(c.defaultValue, c.type);
            if (!constraint.isEmpty() && !o.copy)
                line += QStringLiteral(" CONSTRAINT ") + QuoteIdentifier(constraint) + QStringLiteral(" DEFAULT ") + value;
            else
                line += QStringLiteral(" DEFAULT ") + value;
        }
    }
    line += c.notNull ? QStringLiteral(" NOT NULL") : QStringLiteral(" NULL");
    return line + u',';
}

void AppendCreateScript(QStringList& lines, const TableModel& m, const DdlOptions& o)
{
    AppendUse(lines, m, o);
    const QString tableName = CreateTableName(m);
    const QString table = Prefix(m, o) + QuoteIdentifier(tableName);
    lines << QStringLiteral("CREATE TABLE ") + table << QStringLiteral("(");
    // The period columns of a versioned table are added after the key, with their PERIOD.
    QStringList period;
    for (int i = 0; i < m.columns.size(); ++i)
        if (!m.columns.at(i).name.isEmpty())
            (IsPeriodColumn(m, m.columns.at(i).name) ? period : lines) << ColumnLine(m, i, o);
    const auto finish = [&] {
        if (HasPeriod(m)) {
            lines << QStringLiteral("ALTER TABLE ") + table + QStringLiteral(" ADD ") << period
                  << QStringLiteral("    PERIOD FOR SYSTEM_TIME (") + QuoteIdentifier(m.versioning.startColumn) + u',' +
                         QuoteIdentifier(m.versioning.endColumn) + u')'
                  << QStringLiteral("go");
            lines << QStringLiteral("ALTER TABLE ") + table + QStringLiteral(" SET ") + VersioningClause(m.versioning)
                  << QStringLiteral("go");
        }
        if (o.withComments)
            AppendCreateComments(lines, m, o);
    };
    if (lines.last().endsWith(u','))
        lines.last().chop(1);
    lines << QStringLiteral(")");
    if (!o.azure && o.writeStorage && !m.storageClause.isEmpty())
        lines << m.storageClause;
    lines << QStringLiteral("go");

    if (m.isNew) {
        QStringList keys;
        for (const TableColumn& c : m.columns)
            if (c.primary && !c.name.isEmpty())
                keys << QuoteIdentifier(c.name);
        if (!keys.isEmpty())
            lines << QStringLiteral("ALTER TABLE ") + table + QStringLiteral(" ADD CONSTRAINT ") +
                         QuoteIdentifier(QStringLiteral("PK_") + m.name)
                  << QStringLiteral("PRIMARY KEY (") + keys.join(QStringLiteral(", ")) + u')';
    } else if (!m.serverKey.columns.isEmpty()) {
        // The server's key columns under the names the grid gives them now (a renamed key column
        // keeps its place in the key; a deleted one leaves it).
        QStringList keys;
        for (const QString& c : m.serverKey.columns) {
            int loadedRow = 0;
            for (int i = 0; i < m.saved.size(); ++i)
                if (m.saved.at(i).name == c) {
                    loadedRow = m.saved.at(i).loadedRow > 0 ? m.saved.at(i).loadedRow : i + 1;
                    break;
                }
            if (loadedRow == 0) {
                keys << QuoteIdentifier(c);
                continue;
            }
            for (const TableColumn& col : m.columns)
                if (col.loadedRow == loadedRow && !col.name.isEmpty()) {
                    keys << QuoteIdentifier(col.name);
                    break;
                }
        }
        if (keys.isEmpty()) {
            finish();
            return;
        }
        const QString name = m.serverKey.name.isEmpty() ? QStringLiteral("PK_") + m.name : m.serverKey.name;
        lines << QStringLiteral("ALTER TABLE ") + table + QStringLiteral(" ADD CONSTRAINT ") + QuoteIdentifier(name)
              << (m.serverKey.nonClustered ? QStringLiteral("PRIMARY KEY NONCLUSTERED (") : QStringLiteral("PRIMARY KEY (")) +
                     keys.join(QStringLiteral(", ")) + u')';
        if (!o.azure && o.writeStorage && !m.storageClause.isEmpty())
            lines << m.storageClause;
        lines << QStringLiteral("go");
    }
    finish();
}

void AppendCreateComments(QStringList& lines, const TableModel& m, const DdlOptions& o)
{
    const QString tableName = CreateTableName(m);
    if (m.temp != TempKind::None)
        return;
    if (!o.azure)
        AppendComment(lines, m, tableName, o, QString(), m.comment, m.loadedComment);
    for (const TableColumn& c : m.columns)
        if (!c.name.isEmpty() && !c.comment.isEmpty())
            AppendComment(lines, m, tableName, o, c.name, c.comment, c.loadedRow > 0 ? c.loadedComment : QString());
}

void AppendDropScript(QStringList& lines, const TableModel& m, const DdlOptions& o)
{
    AppendUse(lines, m, o);
    const QString qualified = QuoteIdentifier(m.schema, true) + u'.' + QuoteIdentifier(m.name, true);
    lines << QStringLiteral("IF EXISTS (SELECT * FROM sysobjects WHERE id = object_id(N") + QuoteLiteral(qualified) +
                 QStringLiteral("))")
          << QStringLiteral("DROP TABLE ") + QuoteIdentifier(m.schema) + u'.' + QuoteIdentifier(m.name)
          << QStringLiteral("go");
}

} // namespace qv::table
