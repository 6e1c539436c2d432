#include "objects/constraint_text.h"

#include "app/options.h"
#include "app/qvstrings.h"
#include "tables/define_text.h"

#include <QRegularExpression>

namespace qv::constraint {

namespace {
const QString Go = QStringLiteral("go");

QString Q(const QString& name) { return QuoteIdentifier(name.trimmed()); }

QString Joined(const QStringList& names)
{
    QStringList out;
    for (const QString& n : names)
        out << Q(n);
    return out.join(QStringLiteral(", "));
}

QString OneLine(const QString& text)
{
    static const QRegularExpression breaks(QStringLiteral("\r\n|\r|\n"));
    return QString(text).replace(breaks, QStringLiteral(" "));
}

QString ObjectLiteral(const QStringList& parts)
{
    QStringList quoted;
    for (const QString& p : parts)
        quoted << QuoteIdentifier(p.trimmed(), true);
    return QStringLiteral("N") + QuoteLiteral(quoted.join(QLatin1Char('.')));
}

const QString ObjectOf = QStringLiteral("object_id(quotename(:OWNER) + '.' + quotename(:%1))");
} // namespace

int KindOfType(const QString& type)
{
    const QString t = type.trimmed().toUpper();
    if (t == QLatin1String("C"))
        return Check;
    if (t == QLatin1String("UQ"))
        return Unique;
    if (t == QLatin1String("PK"))
        return PrimaryKey;
    if (t == QLatin1String("F"))
        return ForeignKey;
    if (t == QLatin1String("D"))
        return Default;
    return -1;
}

DeleteAction ActionOfRule(const QString& rule)
{
    const QString r = rule.trimmed().toUpper();
    if (r == QLatin1String("CASCADE"))
        return Cascade;
    if (r == QLatin1String("SET NULL"))
        return SetNull;
    if (r == QLatin1String("SET DEFAULT"))
        return SetDefault;
    return NoAction;
}

bool WantsDatabaseSwitch(const TextContext& ctx, const QString& database)
{
    if (database.trimmed().isEmpty())
        return false;
    if (!ctx.scriptMode)
        return true;
    if (ctx.azure)
        return false;
    switch (ctx.databaseOption) {
    case qmAlways: return true;
    case qmDiffLogin: return database.trimmed() != ctx.connectionDatabase.trimmed();
    default: return false;
    }
}

QStringList CreateText(const ConstraintDef& def, const TextContext& ctx)
{
    QStringList out;
    // The switch names the definition's database; the Database option compares the
    // constraint's own.
    if (WantsDatabaseSwitch(ctx, def.database) && !def.defDatabase.trimmed().isEmpty())
        out << DatabaseSwitchLine(def.defDatabase.trimmed()) << Go;
    const QString table = ctx.schemaPrefix + Q(def.table);
    // A switched-off foreign key or check constraint is added back without checking the rows
    // (they may well break it): otherwise the DROP would succeed and the ADD fail.
    const bool switchedOff = def.existing && !def.enabled && (def.kind == ForeignKey || def.kind == Check);
    out << QStringLiteral("ALTER TABLE ") + table +
               (switchedOff ? QStringLiteral(" WITH NOCHECK ADD CONSTRAINT ") : QStringLiteral(" ADD CONSTRAINT ")) +
               Q(def.name);
    switch (def.kind) {
    case Check: out << QStringLiteral("CHECK (") + OneLine(def.expression) + QStringLiteral(")"); break;
    case Unique:
    case PrimaryKey:
        out << (def.kind == Unique ? QStringLiteral("UNIQUE (") : QStringLiteral("PRIMARY KEY (")) +
                   Joined(def.columns) + QStringLiteral(")");
        if (!ctx.storageClause.isEmpty())
            out << ctx.storageClause;
        break;
    case ForeignKey: {
        QStringList referenced, own;
        for (const auto& p : def.pairs) {
            referenced << p.first;
            own << p.second;
        }
        static const char* const actions[] = {" CASCADE", " SET NULL", " NO ACTION", " SET DEFAULT"};
        QString line = QStringLiteral("FOREIGN KEY (") + Joined(own) + QStringLiteral(") REFERENCES ") +
                       ctx.refSchemaPrefix + Q(def.refTable) + QStringLiteral(" (") + Joined(referenced) +
                       QStringLiteral(") ON DELETE") + QString::fromLatin1(actions[def.deleteAction]);
        if (def.updateAction != NoAction)
            line += QStringLiteral(" ON UPDATE") + QString::fromLatin1(actions[def.updateAction]);
        out << line;
        break;
    }
    case Default:
        out << QStringLiteral(" DEFAULT ") + OneLine(def.expression) + QStringLiteral(" FOR ") + Q(def.defColumn);
        break;
    }
    if (def.existing && (def.kind == ForeignKey || def.kind == Check))
        out << Go
            << QStringLiteral("ALTER TABLE ") + table +
                   (def.enabled ? QStringLiteral(" CHECK CONSTRAINT ") : QStringLiteral(" NOCHECK CONSTRAINT ")) +
                   Q(def.name);
    out << Go;
    return out;
}

QStringList DropText(const ConstraintDef& def, const TextContext& ctx)
{
    QStringList out;
    const bool use = WantsDatabaseSwitch(ctx, def.database);
    if (use)
        out << DatabaseSwitchLine(def.database.trimmed()) << Go;
    const QString name = ObjectLiteral({def.schema, def.name});
    const QString table = ObjectLiteral({def.schema, def.table});
    if (ctx.azure)
        out << QStringLiteral("IF EXISTS (SELECT * FROM sys.all_objects WHERE object_id = object_id(") + name +
                   QStringLiteral(") and parent_object_id = object_id(") + table + QStringLiteral("))");
    else
        out << QStringLiteral("IF EXISTS (SELECT * FROM sysconstraints WHERE constid = object_id(") + name +
                   QStringLiteral(") and id = object_id(") + table + QStringLiteral("))");
    const QString database = use && !def.defDatabase.trimmed().isEmpty()
                                 ? QuoteIdentifier(def.defDatabase.trimmed()) + QLatin1Char('.')
                                 : QString();
    out << QStringLiteral("ALTER TABLE ") + database + Q(def.schema) + QLatin1Char('.') + Q(def.table) +
               QStringLiteral(" DROP CONSTRAINT ") + Q(def.name)
        << Go;
    return out;
}

QString DeleteStatement(const ConstraintDef& def)
{
    return QStringLiteral("alter table ") +
           QuoteIdentifier(def.defDatabase.trimmed()) + QLatin1Char('.') + Q(def.schema) + QLatin1Char('.') +
           Q(def.table) + QStringLiteral(" drop constraint ") + Q(def.name);
}

QString ConstraintSql(int dbVer)
{
    if (dbVer >= 10)
        return QStringLiteral(
                   "select object_name(a.parent_object_id) as TABLE_NAME, a.type as CONSTRAINT_TYPE, "
                   "cc.definition as SEARCH_CONDITION, object_schema_name(g.referenced_object_id) as R_OWNER, "
                   "ri.name as R_CONSTRAINT_NAME, replace(g.delete_referential_action_desc, '_', ' ') as DELETE_RULE, "
                   "object_name(g.referenced_object_id) as R_TABLE_NAME, "
                   "col_name(aa.parent_object_id, aa.parent_column_id) as DEF_COLUMN_NAME, "
                   "aa.definition as DEF_VALUE, objectproperty(a.object_id, 'CnstIsDisabled') as STATUS, "
                   "replace(g.update_referential_action_desc, '_', ' ') as UPDATE_RULE "
                   "from sys.all_objects a "
                   "left outer join sys.default_constraints aa on aa.object_id = a.object_id "
                   "left outer join sys.check_constraints cc on cc.object_id = a.object_id "
                   "left outer join sys.foreign_keys g on g.object_id = a.object_id "
                   "left outer join sys.indexes ri on ri.object_id = g.referenced_object_id and ri.index_id = "
                   "g.key_index_id "
                   "where a.object_id = ") +
               ObjectOf.arg(QStringLiteral("NAME")) + QStringLiteral(" and a.type in ('PK', 'UQ', 'C', 'F', 'D')");
    const QString owner = dbVer >= 9 ? QStringLiteral("schema_name") : QStringLiteral("user_name");
    return QStringLiteral(
               "select object_name(a.id) as TABLE_NAME, b.xtype as CONSTRAINT_TYPE, c.CHECK_CLAUSE as "
               "SEARCH_CONDITION, %1(r.uid) as R_OWNER, ri.name as R_CONSTRAINT_NAME, d.DELETE_RULE as DELETE_RULE, "
               "r.name as R_TABLE_NAME, col_name(a.id, a.colid) as DEF_COLUMN_NAME, e.COLUMN_DEFAULT as DEF_VALUE, "
               "objectproperty(a.constid, 'CnstIsDisabled') as STATUS, d.UPDATE_RULE as UPDATE_RULE "
               "from sysconstraints a "
               "inner join sysobjects b on b.id = a.constid "
               "left outer join INFORMATION_SCHEMA.CHECK_CONSTRAINTS c on a.constid = "
               "object_id(quotename(c.CONSTRAINT_SCHEMA) + '.' + quotename(c.CONSTRAINT_NAME)) "
               "left outer join INFORMATION_SCHEMA.REFERENTIAL_CONSTRAINTS d on a.constid = "
               "object_id(quotename(d.CONSTRAINT_SCHEMA) + '.' + quotename(d.CONSTRAINT_NAME)) "
               "left outer join sysreferences f on f.constid = a.constid "
               "left outer join sysobjects r on r.id = f.rkeyid "
               "left outer join sysindexes ri on ri.id = f.rkeyid and ri.indid = f.rkeyindid "
               "left outer join INFORMATION_SCHEMA.COLUMNS e on b.xtype = 'D' and a.id = "
               "object_id(quotename(e.TABLE_SCHEMA) + '.' + quotename(e.TABLE_NAME)) and e.COLUMN_NAME = "
               "col_name(a.id, a.colid) "
               "where a.constid = ")
               .arg(owner) +
           ObjectOf.arg(QStringLiteral("NAME"));
}

QString TableColumnSql()
{
    return QStringLiteral("select name from syscolumns where id = ") + ObjectOf.arg(QStringLiteral("NAME")) +
           QStringLiteral(" order by colorder");
}

QString IndexColumnSql(int dbVer)
{
    if (dbVer < 9)
        return QStringLiteral("select b.name from sysindexes a, syscolumns b, sysindexkeys c where a.id = b.id and "
                              "b.id = c.id and a.indid = c.indid and b.colid = c.colid and b.id = ") +
               ObjectOf.arg(QStringLiteral("TABLENAME")) + QStringLiteral(" and a.name = :IDXNAME order by c.keyno");
    return QStringLiteral("select b.name from sys.index_columns a, sys.columns b, sys.indexes c where a.object_id = "
                          "b.object_id and b.object_id = c.object_id and a.column_id = b.column_id and a.index_id = "
                          "c.index_id and a.object_id = ") +
           ObjectOf.arg(QStringLiteral("TABLENAME")) + QStringLiteral(" and c.name = :IDXNAME order by a.key_ordinal");
}

QString ForeignKeyColumnSql()
{
    return QStringLiteral("select COLUMN_NAME from INFORMATION_SCHEMA.KEY_COLUMN_USAGE where CONSTRAINT_SCHEMA = :OWNER "
                          "and CONSTRAINT_NAME = :NAME order by ORDINAL_POSITION");
}

QString ReferenceIndexSql(bool azure)
{
    if (azure)
        return QStringLiteral("select name from sys.indexes where object_id = ") + ObjectOf.arg(QStringLiteral("NAME")) +
               QStringLiteral(" and name not like N'_WA_Sys%'");
    return QStringLiteral("select name from sysindexes where id = ") + ObjectOf.arg(QStringLiteral("NAME")) +
           QStringLiteral(" and name not like N'_WA_Sys%'");
}

} // namespace qv::constraint
