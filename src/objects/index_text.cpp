#include "objects/index_text.h"

#include "app/options.h"
#include "app/qvstrings.h"
#include "tables/define_text.h"

#include <QRegularExpression>

namespace qv::index {

namespace {
const QString Go = QStringLiteral("go");

QString Q(const QString& name) { return QuoteIdentifier(name.trimmed()); }

QString Joined(const QStringList& names, const QSet<QString>& descending = {})
{
    QStringList out;
    for (const QString& n : names)
        out << Q(n) + (descending.contains(n) ? QStringLiteral(" DESC") : QString());
    return out.join(QStringLiteral(", "));
}

// An object name for object_id(): each part bracketed, the whole an N'…' literal.
QString ObjectLiteral(const QStringList& parts)
{
    QStringList quoted;
    for (const QString& p : parts)
        quoted << QuoteIdentifier(p.trimmed(), true);
    return QStringLiteral("N") + QuoteLiteral(quoted.join(QLatin1Char('.')));
}

const QString ObjectOf = QStringLiteral("object_id(quotename(:OWNER) + '.' + quotename(:%1))");
} // namespace

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

QStringList CreateText(const IndexDef& def, const TextContext& ctx)
{
    QStringList out;
    if (WantsDatabaseSwitch(ctx, def.database))
        out << DatabaseSwitchLine(def.database.trimmed()) << Go;
    QString create = QStringLiteral("CREATE ");
    if (def.unique)
        create += QStringLiteral("UNIQUE ");
    if (def.clustered)
        create += QStringLiteral("CLUSTERED ");
    if (def.columnStore)
        create += QStringLiteral("NONCLUSTERED COLUMNSTORE ");
    create += QStringLiteral("INDEX ") + Q(def.name);
    out << create;
    const QString target = ctx.ownerPrefix + Q(def.table);
    out << QStringLiteral("ON ") + target;
    out << QStringLiteral("(") + Joined(def.columns, def.descending) + QStringLiteral(")");
    if (!def.included.isEmpty())
        out << QStringLiteral("INCLUDE(") + Joined(def.included) + QStringLiteral(")");
    if (!def.filter.trimmed().isEmpty())
        out << QStringLiteral("WHERE ") + QString(def.filter.trimmed()).replace(QRegularExpression(QStringLiteral("\r\n|\r|\n")), QStringLiteral(" "));
    if (def.fillFactorOn)
        out << QStringLiteral("WITH ") + (def.padIndex ? QStringLiteral("PAD_INDEX, ") : QString()) +
                   QStringLiteral("FILLFACTOR = ") + def.fillFactor.trimmed();
    else if (def.padIndex)
        out << QStringLiteral("WITH PAD_INDEX");
    if (!ctx.storageClause.isEmpty())
        out << ctx.storageClause;
    if (!def.enabled) {
        out << Go << QStringLiteral("ALTER INDEX ") + Q(def.name)
            << QStringLiteral(" ON ") + target + QStringLiteral(" DISABLE") << Go;
    } else if (ctx.dbVer < 9 || ctx.isCreate) {
        out << Go;
    } else {
        // The freshly created index is rebuilt (its fill factor and other options applied).
        out << Go << QStringLiteral("ALTER INDEX ") + Q(def.name) + QStringLiteral(" ON ") + target +
                         QStringLiteral(" REBUILD");
    }
    return out;
}

QStringList DropText(const IndexDef& def, const TextContext& ctx)
{
    QStringList out;
    if (WantsDatabaseSwitch(ctx, def.database))
        out << DatabaseSwitchLine(def.database.trimmed()) << Go;
    const QString table = ObjectLiteral({def.schema, def.table});
    if (ctx.dbVer < 9)
        out << QStringLiteral("IF EXISTS (SELECT * FROM sysindexes WHERE name = N") + QuoteLiteral(def.name.trimmed()) +
                   QStringLiteral(" and id = object_id(") + table + QStringLiteral("))");
    else
        out << QStringLiteral("IF EXISTS (SELECT * FROM sys.indexes WHERE name = N") + QuoteLiteral(def.name.trimmed()) +
                   QStringLiteral(" and object_id = object_id(") + table + QStringLiteral("))");
    if (ctx.azure)
        out << QStringLiteral("DROP INDEX ") + Q(def.name) + QStringLiteral(" ON ") + Q(def.schema) + QLatin1Char('.') +
                   Q(def.table);
    else
        out << QStringLiteral("DROP INDEX ") + Q(def.schema) + QLatin1Char('.') + Q(def.table) + QLatin1Char('.') +
                   Q(def.name);
    out << Go;
    return out;
}

QString DeleteStatement(const IndexDef& def, bool azure)
{
    if (azure)
        return QStringLiteral("drop index ") + Q(def.name) + QStringLiteral(" on ") + Q(def.schema) +
               QLatin1Char('.') + Q(def.table);
    return QStringLiteral("drop index ") + Q(def.schema) + QLatin1Char('.') + Q(def.table) + QLatin1Char('.') +
           Q(def.name);
}

QString FillFactorProblem(bool checked, const QString& text)
{
    if (!checked)
        return QString();
    const QString t = text.trimmed();
    if (t.isEmpty())
        return QStringLiteral("数値を入力して下さい。");
    bool ok = false;
    const int value = t.toInt(&ok);
    if (ok && value > 100)
        return QStringLiteral("100%以内の数値を入力して下さい。");
    if (!ok || value < 0)
        return QStringLiteral("数値を入力して下さい。");
    return QString();
}

QString IndexSql(int dbVer, const QString& database, const QString& tableOwner, const QString& table)
{
    QString sql;
    if (dbVer < 9)
        sql = QStringLiteral("select db_name(), object_name(a.id), indexproperty(a.id, a.name, 'IsClustered'), "
                             "indexproperty(a.id, a.name, 'IsUnique'), indexproperty(a.id, a.name, 'IsDisabled'), "
                             "indexproperty(a.id, a.name, 'IndexFillFactor'), indexproperty(a.id, a.name, 'IsPadIndex') from "
                             "sysindexes a inner join sysobjects b "
                             "on a.id = b.id where a.name = :NAME and b.uid = user_id(:OWNER)");
    else
        sql = QStringLiteral("select db_name(), object_name(a.object_id) , a.type , a.is_unique , a.is_disabled , "
                             "a.fill_factor, a.is_primary_key, a.is_unique_constraint, a.is_padded%1 from sys.indexes a "
                             "inner join sysobjects b on a.object_id = b.id where a.name = :NAME and b.uid = "
                             "schema_id(:OWNER)")
                  .arg(dbVer >= 10 ? QStringLiteral(", a.filter_definition") : QString());
    if (!table.trimmed().isEmpty())
        sql += (dbVer < 9 ? QStringLiteral(" and a.id = object_id(") : QStringLiteral(" and a.object_id = object_id(")) +
               ObjectLiteral({database, tableOwner, table}) + QStringLiteral(")");
    return sql;
}

QString TableColumnSql()
{
    return QStringLiteral("select name from syscolumns where id = ") + ObjectOf.arg(QStringLiteral("NAME")) +
           QStringLiteral(" order by colorder");
}

QString KeyColumnSql(int dbVer)
{
    if (dbVer < 9)
        return QStringLiteral("select b.name, indexkey_property(a.id, a.indid, c.keyno, 'IsDescending') from sysindexes "
                              "a, syscolumns b, sysindexkeys c where a.id = b.id and b.id = c.id and a.indid = c.indid "
                              "and b.colid = c.colid and b.id = ") +
               ObjectOf.arg(QStringLiteral("TABLENAME")) + QStringLiteral(" and a.name = :IDXNAME order by c.keyno");
    return QStringLiteral("select b.name, a.is_descending_key from sys.index_columns a, sys.columns b, sys.indexes c "
                          "where a.object_id = b.object_id and b.object_id = c.object_id and a.column_id = b.column_id "
                          "and a.index_id = c.index_id and not(a.is_included_column = 1 and c.type = 2) and "
                          "a.object_id = ") +
           ObjectOf.arg(QStringLiteral("TABLENAME")) + QStringLiteral(" and c.name = :IDXNAME order by a.key_ordinal");
}

QString IncludedColumnSql()
{
    return QStringLiteral("select b.name from sys.index_columns a, sys.columns b, sys.indexes c where a.object_id = "
                          "b.object_id and b.object_id = c.object_id and a.column_id = b.column_id and a.index_id = "
                          "c.index_id and a.is_included_column = 1 and c.type = 2 and a.object_id = ") +
           ObjectOf.arg(QStringLiteral("TABLENAME")) +
           QStringLiteral(" and c.name = :IDXNAME order by a.index_column_id");
}

} // namespace qv::index
