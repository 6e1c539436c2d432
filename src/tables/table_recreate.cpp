#include "tables/table_recreate.h"

#include "app/qvstrings.h"
#include "tables/define_text.h"
#include "tables/table_ddl.h"

namespace qv::table {

namespace {

const QString TableObject = QStringLiteral("object_id(quotename(:OWNER) + '.' + quotename(:NAME))");

QString Switch(const QString& database) { return DatabaseSwitchLine(database) + QStringLiteral("\r\n"); }

QString Qualified(const QString& schema, const QString& table)
{
    return QuoteIdentifier(schema) + u'.' + QuoteIdentifier(table);
}

QString ObjectLiteral(const QString& schema, const QString& table)
{
    // The object as a literal for object_id(): both parts bracketed, so "." and "]" in a name stay data.
    return u'N' + QuoteLiteral(QuoteIdentifier(schema, true) + u'.' + QuoteIdentifier(table, true));
}

QString Text(const QVariantList& row, int i) { return i < row.size() ? row.at(i).toString() : QString(); }

bool Flag(const QVariantList& row, int i)
{
    const QString t = Text(row, i).trimmed().toLower();
    return t == u"1" || t == u"true";
}

QString Padded(const QString& quoted)
{
    return quoted.size() < 31 ? QStringLiteral("    ") + quoted.leftJustified(31, u' ')
                              : QStringLiteral("    ") + quoted + u' ';
}

QString ActionText(const QString& code)
{
    switch (code.trimmed().toInt()) {
    case 1: return QStringLiteral("CASCADE");
    case 2: return QStringLiteral("SET NULL");
    case 3: return QStringLiteral("SET DEFAULT");
    default: return {};
    }
}

} // namespace

QString BackupTableName(const QString& table, const QDateTime& now)
{
    QString head = table.left(19);
    if (!head.isEmpty() && head.back().isHighSurrogate())
        head.chop(1);
    return head + u'_' + now.toString(QStringLiteral("MMddHHmmss"));
}

void AppendBackup(QStringList& lines, const QString& database, const QString& schema, const QString& table,
                  const QString& backup)
{
    lines << DatabaseSwitchLine(database) << QStringLiteral("go")
          << QStringLiteral("SELECT * INTO ") + Qualified(schema, backup) << QStringLiteral("  FROM ") + Qualified(schema, table)
          << QStringLiteral("go");
}

QString AzureColumnsQuery(const QString& schema, const QString& table)
{
    return QStringLiteral(
               "select a.name, type_name(a.system_type_id), d.CHARACTER_MAXIMUM_LENGTH, a.precision, a.scale,"
               " a.is_nullable, a.is_identity, b.seed_value, b.increment_value, c.definition from sys.columns a"
               " left outer join sys.identity_columns b on a.object_id = b.object_id and a.column_id = b.column_id"
               " left outer join sys.default_constraints c on a.object_id = c.parent_object_id"
               " and a.column_id = c.parent_column_id"
               " left outer join INFORMATION_SCHEMA.COLUMNS d on a.object_id = object_id(quotename(d.TABLE_SCHEMA)"
               " + N'.' + quotename(d.TABLE_NAME)) and a.column_id = d.ORDINAL_POSITION"
               " where a.object_id = object_id(%1) order by a.column_id")
        .arg(ObjectLiteral(schema, table));
}

QString AzureClusteredIndexQuery(const QString& schema, const QString& table)
{
    return QStringLiteral("select c.name, b.is_included_column from sys.indexes a inner join sys.index_columns b"
                          " on a.object_id = b.object_id and a.index_id = b.index_id inner join sys.columns c"
                          " on a.object_id = c.object_id and b.column_id = c.column_id"
                          " where a.type = 1 and a.object_id = object_id(%1) order by c.column_id")
        .arg(ObjectLiteral(schema, table));
}

AzureColumn AzureColumnFromRow(const QVariantList& row)
{
    AzureColumn c;
    c.name = Text(row, 0);
    c.type = Text(row, 1);
    c.maxLength = Text(row, 2);
    c.precision = Text(row, 3);
    c.scale = Text(row, 4);
    c.nullable = Flag(row, 5);
    c.identity = Flag(row, 6);
    c.seed = Text(row, 7);
    c.increment = Text(row, 8);
    c.definition = Text(row, 9);
    return c;
}

void AppendAzureBackup(QStringList& lines, const QString& schema, const QString& table, const QString& backup,
                       const QList<AzureColumn>& columns, const QList<AzureIndexColumn>& clustered)
{
    const QString target = Qualified(schema, backup);
    lines << QStringLiteral("CREATE TABLE ") + target << QStringLiteral("(");
    QStringList copied;
    bool identity = false;
    for (int i = 0; i < columns.size(); ++i) {
        const AzureColumn& c = columns.at(i);
        const QString t = c.type.toUpper();
        QString line = Padded(QuoteIdentifier(c.name)) + c.type;
        if (t == u"CHAR" || t == u"NCHAR" || t == u"BINARY")
            line += u'(' + c.maxLength + u')';
        else if (t == u"VARCHAR" || t == u"NVARCHAR" || t == u"VARBINARY")
            line += c.maxLength.trimmed() == u"-1" ? QStringLiteral("(max)") : u'(' + c.maxLength + u')';
        else if (t == u"NUMERIC" || t == u"DECIMAL")
            line += u'(' + c.precision + u',' + c.scale + u')';
        else if (t == u"FLOAT")
            line += u'(' + c.precision + u')';
        line += c.nullable ? QStringLiteral(" NULL") : QStringLiteral(" NOT NULL");
        if (c.identity)
            line += QStringLiteral(" IDENTITY(") + c.seed + QStringLiteral(", ") + c.increment + u')';
        if (!c.definition.isEmpty()) {
            QString value = c.definition;
            if (value.startsWith(u'(') && value.endsWith(u')'))
                value = value.mid(1, value.size() - 2);
            if (ChkNPrefixForDef(value, c.type))
                value = AddUnicodePrefix(value);
            line += QStringLiteral(" DEFAULT ") + value;
        }
        if (i + 1 < columns.size())
            line += u',';
        lines << line;
        if (t != u"TIMESTAMP") { // a row version is never written
            copied << QuoteIdentifier(c.name);
            identity = identity || c.identity;
        }
    }
    lines << QStringLiteral(")") << QStringLiteral("go");
    QStringList keys, included;
    for (const AzureIndexColumn& c : clustered)
        (c.included ? included : keys) << QuoteIdentifier(c.name);
    if (!keys.isEmpty()) {
        lines << QStringLiteral("CREATE CLUSTERED INDEX ") + QuoteIdentifier(QStringLiteral("IX_") + backup) +
                     QStringLiteral(" ON ") + target + u'(' + keys.join(QStringLiteral(", ")) + u')';
        if (!included.isEmpty())
            lines << QStringLiteral("INCLUDE (") + included.join(QStringLiteral(", ")) + u')';
        lines << QStringLiteral("go");
    }
    // The rows go into the backup before the table is dropped, identity values included.
    if (copied.isEmpty())
        return;
    if (identity)
        lines << QStringLiteral("SET IDENTITY_INSERT ") + target + QStringLiteral(" ON") << QStringLiteral("go");
    const QString list = copied.join(QStringLiteral(", "));
    lines << QStringLiteral("INSERT INTO ") + target << QStringLiteral("  (") + list + u')'
          << QStringLiteral("  SELECT ") + list + QStringLiteral(" FROM ") + Qualified(schema, table) << QStringLiteral("go");
    if (identity)
        lines << QStringLiteral("SET IDENTITY_INSERT ") + target + QStringLiteral(" OFF") << QStringLiteral("go");
}

QString ServerColumnsQuery(const QString& database)
{
    return Switch(database) + QStringLiteral(" select name, colid from syscolumns where id = %1 ORDER BY colid").arg(TableObject);
}

CopyBack MatchCopyBack(const TableModel& m, const QStringList& serverColumns)
{
    CopyBack copy;
    for (int n = 1; n <= serverColumns.size(); ++n) {
        for (const TableColumn& c : m.columns) {
            if (c.loadedRow != n)
                continue;
            if (c.name.isEmpty() || !c.computed.isEmpty())
                break;
            const QString t = c.type.toUpper();
            if (t == u"TIMESTAMP" || t == u"ROWVERSION")
                break;
            copy.insertColumns << QuoteIdentifier(c.name);
            copy.selectColumns << QuoteIdentifier(serverColumns.at(n - 1));
            if (c.defaultValue.toUpper().contains(u"IDENTITY"))
                copy.identity = true;
            break;
        }
    }
    return copy;
}

void AppendCopyBack(QStringList& lines, const QString& database, const QString& schema, const QString& table,
                    const QString& backup, const CopyBack& copy)
{
    if (copy.insertColumns.isEmpty())
        return;
    const QString target = Qualified(schema, table);
    lines << DatabaseSwitchLine(database) << QStringLiteral("go");
    if (copy.identity)
        lines << QStringLiteral("SET IDENTITY_INSERT ") + target + QStringLiteral(" ON") << QStringLiteral("go");
    lines << QStringLiteral("INSERT INTO ") + target
          << QStringLiteral("  (") + copy.insertColumns.join(QStringLiteral(", ")) + u')'
          << QStringLiteral("  SELECT ") + copy.selectColumns.join(QStringLiteral(", ")) + QStringLiteral(" FROM ") +
                 Qualified(schema, backup)
          << QStringLiteral("go");
    if (copy.identity)
        lines << QStringLiteral("SET IDENTITY_INSERT ") + target + QStringLiteral(" OFF") << QStringLiteral("go");
}

QString DropBackupStatement(const QString& database, const QString& schema, const QString& backup)
{
    return Switch(database) + QStringLiteral("DROP TABLE ") + Qualified(schema, backup);
}

QString CheckConstraintQuery(int version, const QString& database)
{
    if (version < 9)
        return Switch(database) +
               QStringLiteral("select o.name, c.text from sysobjects o inner join syscomments c on c.id = o.id"
                              " where o.parent_obj = %1 and o.xtype = 'C' order by o.name, c.colid").arg(TableObject);
    return Switch(database) + QStringLiteral("select name, definition from sys.check_constraints"
                                             " where parent_object_id = %1 order by name").arg(TableObject);
}

QString ForeignKeyQuery(int version, const QString& database)
{
    if (version < 9)
        return Switch(database) +
               QStringLiteral("select o.name, col_name(f.fkeyid, f.fkey), user_name(r.uid), r.name,"
                              " col_name(f.rkeyid, f.rkey), OBJECTPROPERTY(f.constid, 'CnstIsDeleteCascade'),"
                              " OBJECTPROPERTY(f.constid, 'CnstIsUpdateCascade') from sysforeignkeys f"
                              " inner join sysobjects o on o.id = f.constid inner join sysobjects r on r.id = f.rkeyid"
                              " where f.fkeyid = %1 order by o.name, f.keyno").arg(TableObject);
    return Switch(database) +
           QStringLiteral("select fk.name, pc.name, schema_name(r.schema_id), r.name, rc.name,"
                          " fk.delete_referential_action, fk.update_referential_action from sys.foreign_keys fk"
                          " inner join sys.foreign_key_columns fkc on fkc.constraint_object_id = fk.object_id"
                          " inner join sys.columns pc on pc.object_id = fkc.parent_object_id"
                          " and pc.column_id = fkc.parent_column_id"
                          " inner join sys.objects r on r.object_id = fkc.referenced_object_id"
                          " inner join sys.columns rc on rc.object_id = fkc.referenced_object_id"
                          " and rc.column_id = fkc.referenced_column_id"
                          " where fk.parent_object_id = %1 order by fk.name, fkc.constraint_column_id").arg(TableObject);
}

QString UniqueConstraintQuery(int version, const QString& database)
{
    if (version < 9)
        return Switch(database) +
               QStringLiteral("select o.name, c.name, case i.indid when 1 then 1 else 2 end,"
                              " INDEXKEY_PROPERTY(i.id, i.indid, k.keyno, 'IsDescending') from sysobjects o"
                              " inner join sysindexes i on i.id = o.parent_obj and i.name = o.name"
                              " inner join sysindexkeys k on k.id = i.id and k.indid = i.indid"
                              " inner join syscolumns c on c.id = k.id and c.colid = k.colid"
                              " where o.parent_obj = %1 and o.xtype = 'UQ' order by o.name, k.keyno").arg(TableObject);
    return Switch(database) +
           QStringLiteral("select k.name, c.name, i.type, ic.is_descending_key from sys.key_constraints k"
                          " inner join sys.indexes i on i.object_id = k.parent_object_id and i.index_id = k.unique_index_id"
                          " inner join sys.index_columns ic on ic.object_id = i.object_id and ic.index_id = i.index_id"
                          " inner join sys.columns c on c.object_id = ic.object_id and c.column_id = ic.column_id"
                          " where k.parent_object_id = %1 and k.type = 'UQ' order by k.name, ic.key_ordinal").arg(TableObject);
}

QString IndexDefinitionQuery(int version, const QString& database)
{
    if (version < 9)
        return Switch(database) +
               QStringLiteral("select i.name, i.indid, INDEXPROPERTY(i.id, i.name, 'IsUnique'),"
                              " case i.indid when 1 then 1 else 2 end, c.name,"
                              " INDEXKEY_PROPERTY(i.id, i.indid, k.keyno, 'IsDescending'), 0, null from sysindexes i"
                              " inner join sysindexkeys k on k.id = i.id and k.indid = i.indid"
                              " inner join syscolumns c on c.id = k.id and c.colid = k.colid"
                              " where i.id = %1 and i.indid between 1 and 254"
                              " and INDEXPROPERTY(i.id, i.name, 'IsStatistics') = 0"
                              " and INDEXPROPERTY(i.id, i.name, 'IsHypothetical') = 0"
                              " and not exists (select * from sysobjects o where o.parent_obj = i.id and o.name = i.name"
                              " and o.xtype in ('PK', 'UQ')) order by i.indid, k.keyno").arg(TableObject);
    return Switch(database) +
           QStringLiteral("select i.name, i.index_id, i.is_unique, i.type, c.name, ic.is_descending_key,"
                          " ic.is_included_column, %2 from sys.indexes i"
                          " inner join sys.index_columns ic on ic.object_id = i.object_id and ic.index_id = i.index_id"
                          " inner join sys.columns c on c.object_id = ic.object_id and c.column_id = ic.column_id"
                          " where i.object_id = %1 and i.is_primary_key = 0 and i.is_unique_constraint = 0"
                          " and i.is_hypothetical = 0 and i.type in (1, 2)"
                          " order by i.index_id, ic.is_included_column, ic.key_ordinal, ic.index_column_id")
               .arg(TableObject, version >= 10 ? QStringLiteral("i.filter_definition") : QStringLiteral("null"));
}

QStringList CheckConstraintLines(const QList<QVariantList>& rows, const QString& target)
{
    QStringList lines;
    QString name, definition;
    const auto flush = [&] {
        if (!name.isEmpty())
            lines << QStringLiteral("ALTER TABLE ") + target + QStringLiteral(" ADD CONSTRAINT ") + QuoteIdentifier(name) +
                         QStringLiteral(" CHECK ") + definition
                  << QStringLiteral("go");
    };
    for (const QVariantList& row : rows) {
        if (Text(row, 0) != name) {
            flush();
            name = Text(row, 0);
            definition.clear();
        }
        definition += Text(row, 1);
    }
    flush();
    return lines;
}

QStringList ForeignKeyLines(const QList<QVariantList>& rows, const QString& target)
{
    QStringList lines;
    for (int i = 0; i < rows.size();) {
        const QString name = Text(rows.at(i), 0);
        QStringList columns, referenced;
        const QVariantList& head = rows.at(i);
        for (; i < rows.size() && Text(rows.at(i), 0) == name; ++i) {
            columns << QuoteIdentifier(Text(rows.at(i), 1));
            referenced << QuoteIdentifier(Text(rows.at(i), 4));
        }
        QString line = QStringLiteral("ALTER TABLE ") + target + QStringLiteral(" ADD CONSTRAINT ") + QuoteIdentifier(name) +
                       QStringLiteral(" FOREIGN KEY (") + columns.join(QStringLiteral(", ")) + QStringLiteral(") REFERENCES ") +
                       Qualified(Text(head, 2), Text(head, 3)) + QStringLiteral(" (") + referenced.join(QStringLiteral(", ")) + u')';
        const QString del = ActionText(Text(head, 5)), upd = ActionText(Text(head, 6));
        if (!del.isEmpty())
            line += QStringLiteral(" ON DELETE ") + del;
        if (!upd.isEmpty())
            line += QStringLiteral(" ON UPDATE ") + upd;
        lines << line << QStringLiteral("go");
    }
    return lines;
}

QStringList UniqueConstraintLines(const QList<QVariantList>& rows, const QString& target)
{
    QStringList lines;
    for (int i = 0; i < rows.size();) {
        const QString name = Text(rows.at(i), 0);
        const bool clustered = Text(rows.at(i), 2).trimmed() == u"1";
        QStringList columns;
        for (; i < rows.size() && Text(rows.at(i), 0) == name; ++i)
            columns << QuoteIdentifier(Text(rows.at(i), 1)) + (Flag(rows.at(i), 3) ? QStringLiteral(" DESC") : QString());
        lines << QStringLiteral("ALTER TABLE ") + target + QStringLiteral(" ADD CONSTRAINT ") + QuoteIdentifier(name) +
                     (clustered ? QStringLiteral(" UNIQUE CLUSTERED (") : QStringLiteral(" UNIQUE NONCLUSTERED (")) +
                     columns.join(QStringLiteral(", ")) + u')'
              << QStringLiteral("go");
    }
    return lines;
}

QStringList IndexLines(const QList<QVariantList>& rows, const QString& target)
{
    QStringList lines;
    for (int i = 0; i < rows.size();) {
        const QVariantList& head = rows.at(i);
        const QString name = Text(head, 0);
        const QString id = Text(head, 1);
        QStringList keys, included;
        for (; i < rows.size() && Text(rows.at(i), 0) == name && Text(rows.at(i), 1) == id; ++i) {
            const QString column = QuoteIdentifier(Text(rows.at(i), 4));
            if (Flag(rows.at(i), 6))
                included << column;
            else
                keys << column + (Flag(rows.at(i), 5) ? QStringLiteral(" DESC") : QString());
        }
        lines << QStringLiteral("CREATE ") + (Flag(head, 2) ? QStringLiteral("UNIQUE ") : QString()) +
                     (Text(head, 3).trimmed() == u"1" ? QStringLiteral("CLUSTERED") : QStringLiteral("NONCLUSTERED")) +
                     QStringLiteral(" INDEX ") + QuoteIdentifier(name) + QStringLiteral(" ON ") + target + QStringLiteral(" (") +
                     keys.join(QStringLiteral(", ")) + u')';
        if (!included.isEmpty())
            lines << QStringLiteral("INCLUDE (") + included.join(QStringLiteral(", ")) + u')';
        const QString filter = Text(head, 7);
        if (!filter.isEmpty())
            lines << QStringLiteral("WHERE ") + filter;
        lines << QStringLiteral("go");
    }
    return lines;
}

QStringList AssembleRecreate(const RecreateParts& parts)
{
    return parts.backup + parts.drop + parts.create + parts.copyBack + parts.dependents + parts.comments;
}

} // namespace qv::table
