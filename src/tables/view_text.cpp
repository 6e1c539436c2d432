#include "tables/view_text.h"

#include "app/qvstrings.h"
#include "connection/catalog_queries.h"
#include "objects/source_text.h"

namespace qv::view {

namespace {
const QString ByParams = QStringLiteral("object_id(quotename(:OWNER) + '.' + quotename(:NAME))");

QString Level0(int dbVer) { return dbVer < 9 ? QStringLiteral("user") : QStringLiteral("schema"); }
QString NLit(const QString& s) { return QStringLiteral("N") + QuoteLiteral(s); }
QString Qualified(const QString& schema, const QString& name)
{
    return QuoteIdentifier(schema) + QStringLiteral(".") + QuoteIdentifier(name);
}
// N'[schema].[name]' for object_id().
QString ObjLiteral(const QString& schema, const QString& name)
{
    return NLit(QuoteIdentifier(schema, true) + QStringLiteral(".") + QuoteIdentifier(name, true));
}
} // namespace

QString CommentQuery(int dbVer, const QString& database)
{
    const bool v9 = dbVer >= 9;
    const QString owner = v9 ? QStringLiteral("schema_name(a.uid)") : QStringLiteral("user_name(a.uid)");
    return catalog::UseText(database) +
           QStringLiteral("select cast(b.value as nvarchar(%1)) as comment, ").arg(v9 ? QStringLiteral("Max") : QStringLiteral("4000")) +
           QStringLiteral("IDENT_SEED(quotename(%1) + '.' + quotename(a.name)) AS seed, "
                          "IDENT_INCR(quotename(%1) + '.' + quotename(a.name)) AS inc")
               .arg(owner) +
           QStringLiteral(" from sysobjects as a") +
           (v9 ? QStringLiteral(" left outer join sys.extended_properties as b on b.name = N'MS_Description' and "
                                "b.class = 1 and b.major_id = a.id and b.minor_id = 0")
               : QStringLiteral(" left outer join sysproperties as b on b.name = N'MS_Description' and b.id = a.id "
                                "and b.smallid = 0")) +
           QStringLiteral(" where ") + owner +
           QStringLiteral(" = :OWNER collate database_default and a.name = :NAME and a.xtype = N'V'");
}

QString ColumnQuery(int dbVer, const QString& database)
{
    if (dbVer >= 9)
        return catalog::UseText(database) +
               QStringLiteral(
                   "select c.name, usrt.name as type_name, isc.CHARACTER_OCTET_LENGTH, c.precision, c.scale,\r\n"
                   "case when c.max_length = -1 then -1 when baset.name in (N'nchar', N'nvarchar') then c.max_length / 2 "
                   "else c.max_length end as char_length,\r\n"
                   "c.is_nullable, isc.COLUMN_DEFAULT, cast(p.value as nvarchar(Max)) as comment,\r\n"
                   "columnproperty(c.object_id, c.name, 'IsIdentity') as isIdentity, c.scale\r\n"
                   "from sys.all_views v\r\n"
                   "inner join sys.all_columns c on c.object_id = v.object_id\r\n"
                   "left outer join sys.types usrt on usrt.user_type_id = c.user_type_id\r\n"
                   "left outer join sys.types baset on baset.system_type_id = c.system_type_id and baset.user_type_id = "
                   "baset.system_type_id\r\n"
                   "left outer join sys.extended_properties p on p.name = N'MS_Description' and p.class = 1 and "
                   "p.major_id = v.object_id and p.minor_id = c.column_id\r\n"
                   "left outer join INFORMATION_SCHEMA.COLUMNS isc on object_id(quotename(isc.TABLE_SCHEMA) + '.' + "
                   "quotename(isc.TABLE_NAME)) = v.object_id and isc.ORDINAL_POSITION = c.column_id\r\n"
                   "where v.type = 'V' and v.object_id = ") +
               ByParams + QStringLiteral(" and v.schema_id = schema_id(:OWNER)\r\norder by c.column_id");
    return catalog::UseText(database) +
           QStringLiteral("select c.name, t.name, c.length, c.xprec, c.xscale,\r\n"
                          "case when t.name in ('nchar', 'nvarchar') then c.length / 2 else c.length end,\r\n"
                          "case when c.isnullable = 1 then 'Y' else 'N' end, d.text, cast(p.value as nvarchar(4000)),\r\n"
                          "columnproperty(c.id, c.name, 'IsIdentity')\r\n"
                          "from syscolumns c\r\n"
                          "inner join systypes t on t.xusertype = c.xusertype\r\n"
                          "left outer join syscomments d on d.id = c.cdefault and d.colid = 1\r\n"
                          "left outer join sysproperties p on p.id = c.id and p.smallid = c.colid and p.type = 4 and "
                          "p.name = N'MS_Description'\r\n"
                          "where c.id = ") +
           ByParams + QStringLiteral("\r\norder by c.colid");
}

QString ShippedQuery(const QString& database, const QString& schema, const QString& name)
{
    return QStringLiteral("select objectproperty(object_id(N") +
           QuoteLiteral(QuoteIdentifier(database, true) + QStringLiteral(".") + QuoteIdentifier(schema, true) +
                        QStringLiteral(".") + QuoteIdentifier(name, true)) +
           QStringLiteral("), N'IsMSShipped')");
}

QString ShippedSourceQuery()
{
    return QStringLiteral("select definition from sys.system_sql_modules where object_id = object_id(:NAME)");
}

QString TriggerListQuery(int dbVer, const QString& database)
{
    const QString owner = dbVer >= 9 ? QStringLiteral("schema_name(a.uid)") : QStringLiteral("user_name(a.uid)");
    return catalog::UseText(database) + QStringLiteral("select a.name trigger_name, ") + owner +
           QStringLiteral(" owner_name from sysobjects a where a.xtype = 'TR' and a.parent_obj = "
                          "object_id(quotename(:OWNER) + '.' + quotename(:VIEWNAME)) order by a.name");
}

QString PropertyListQuery(int dbVer, const QString& database)
{
    if (dbVer >= 9)
        return catalog::UseText(database) +
               QStringLiteral("select c.name, p.name, convert(nvarchar(4000), p.value) from sys.extended_properties p "
                              "left outer join sys.columns c on c.object_id = p.major_id and c.column_id = p.minor_id "
                              "and p.minor_id <> 0 where p.class = 1 and p.major_id = ") +
               ByParams + QStringLiteral(" order by p.minor_id, p.name");
    return catalog::UseText(database) +
           QStringLiteral("select c.name, p.name, convert(nvarchar(4000), p.value) from sysproperties p "
                          "left outer join syscolumns c on c.id = p.id and c.colid = p.smallid and p.type = 4 "
                          "where p.type in (3, 4) and p.id = ") +
           ByParams + QStringLiteral(" order by p.smallid, p.name");
}

QString LengthText(const QString& typeName, int length, int precision, int scale, int fractionalScale, int dbVer)
{
    const QString t = typeName.trimmed().toUpper();
    static const QStringList chars{"CHAR", "VARCHAR", "NCHAR", "NVARCHAR", "BINARY", "VARBINARY"};
    if (chars.contains(t))
        return length < 0 ? QStringLiteral("max") : QString::number(length);
    if (t == QLatin1String("NUMERIC") || t == QLatin1String("DECIMAL"))
        return QString::number(precision) + QStringLiteral(",") + QString::number(scale);
    if (t == QLatin1String("FLOAT") || t == QLatin1String("REAL"))
        return QString::number(precision);
    if (dbVer >= 10 && (t == QLatin1String("DATETIME2") || t == QLatin1String("DATETIMEOFFSET") || t == QLatin1String("TIME")))
        return QString::number(fractionalScale);
    return QString();
}

QString IdentityText(qint64 seed, qint64 increment)
{
    return QStringLiteral("IDENTITY(%1, %2)").arg(seed).arg(increment);
}

QStringList UseLines(const SwitchRule& rule, const QString& database)
{
    const QStringList lines{QStringLiteral("use ") + QuoteIdentifier(database.trimmed(), true), QStringLiteral("go")};
    if (!rule.scriptMode)
        return lines;
    if (rule.azure)
        return {};
    if (rule.databaseOption == 0)
        return lines;
    if (rule.databaseOption == 1 && database.trimmed() != rule.connectionDatabase)
        return lines;
    return {};
}

QString CommentStatement(const QString& verb, int dbVer, const QString& schema, const QString& name,
                         const QString& comment, const QString& column)
{
    QString s = QStringLiteral("EXEC sp_%1extendedproperty N'MS_Description', ").arg(verb) + NLit(comment) +
                QStringLiteral(" , ") + NLit(Level0(dbVer)) + QStringLiteral(", ") + NLit(schema) +
                QStringLiteral(", N'view', ") + NLit(name);
    if (!column.isEmpty())
        s += QStringLiteral(", N'column', ") + NLit(column);
    return s;
}

QString DropCommentStatement(int dbVer, const QString& schema, const QString& name, const QString& column)
{
    QString s = QStringLiteral("EXEC sp_dropextendedproperty N'MS_Description', ") + NLit(Level0(dbVer)) +
                QStringLiteral(", ") + NLit(schema) + QStringLiteral(", N'view', ") + NLit(name);
    if (!column.isEmpty())
        s += QStringLiteral(", N'column', ") + NLit(column);
    return s;
}

QStringList CreateScript(const ScriptInput& in)
{
    const bool copy = !in.copySchema.isEmpty() && !in.copyName.isEmpty();
    const QString schema = copy ? in.copySchema : in.schema;
    const QString name = copy ? in.copyName : in.name;
    QStringList out = UseLines(in.rule, in.database);
    QString text = in.source;
    if (copy)
        text = source::RewriteHeader(text, source::Kind::View, Qualified(schema, name));
    out << source::TextLines(text);
    out << QStringLiteral("go");
    if (!in.comment.trimmed().isEmpty() && in.exists)
        out << CommentStatement(QStringLiteral("add"), in.dbVer, schema, name, in.comment) << QStringLiteral("go");
    for (const ColumnComment& c : in.columns)
        if (!c.name.trimmed().isEmpty() && !c.comment.trimmed().isEmpty())
            out << CommentStatement(QStringLiteral("add"), in.dbVer, schema, name, c.comment, c.name)
                << QStringLiteral("go");
    return out;
}

QStringList DropScript(const ScriptInput& in)
{
    QStringList out = UseLines(in.rule, in.database);
    out << QStringLiteral("IF EXISTS (SELECT * FROM sysobjects WHERE id = object_id(") + ObjLiteral(in.schema, in.name) +
               QStringLiteral("))")
        << QStringLiteral("DROP VIEW ") + Qualified(in.schema, in.name) << QStringLiteral("go");
    return out;
}

QStringList DefinitionStatements(int dbVer, const QString& schema, const QString& name, const QString& comment,
                                 const QString& savedComment, const QList<ColumnComment>& columns)
{
    QStringList out;
    const QString go = QStringLiteral("go");
    if (comment.trimmed().isEmpty() && !savedComment.isEmpty())
        out << DropCommentStatement(dbVer, schema, name) << go;
    if (!comment.trimmed().isEmpty() && comment != savedComment)
        out << CommentStatement(savedComment.isEmpty() ? QStringLiteral("add") : QStringLiteral("update"), dbVer, schema,
                                name, comment)
            << go;
    for (const ColumnComment& c : columns) {
        if (c.name.trimmed().isEmpty() || c.comment.trimmed().isEmpty() || c.comment == c.savedComment) {
            if (!c.savedComment.isEmpty() && c.comment.isEmpty() && !c.name.trimmed().isEmpty())
                out << DropCommentStatement(dbVer, schema, name, c.name) << go;
            continue;
        }
        out << CommentStatement(c.savedComment.isEmpty() ? QStringLiteral("add") : QStringLiteral("update"), dbVer,
                                schema, name, c.comment, c.name)
            << go;
    }
    return out;
}

QStringList Template(const QString& schema, const QString& name)
{
    return {QStringLiteral("CREATE VIEW ") + Qualified(schema, name) + QStringLiteral(" AS"), QStringLiteral("SELECT")};
}

bool ReplaceFirst(QStringList& lines, const QString& oldText, const QString& newText)
{
    for (QString& line : lines) {
        const qsizetype i = line.indexOf(oldText, 0, Qt::CaseInsensitive);
        if (i < 0)
            continue;
        line.replace(i, oldText.size(), newText);
        return true;
    }
    return false;
}

QString RestorePropertyStatement(int dbVer, const QString& schema, const QString& view, const Property& p)
{
    const QString fn = dbVer >= 9 ? QStringLiteral("sys.fn_listextendedproperty") : QStringLiteral("::fn_listextendedproperty");
    const QString level2 = p.column.isEmpty() ? QStringLiteral("NULL, NULL") : QStringLiteral("N'column', ") + NLit(p.column);
    QString s = QStringLiteral("IF NOT EXISTS (SELECT * FROM ") + fn + QStringLiteral("(") + NLit(p.name) +
                QStringLiteral(", ") + NLit(Level0(dbVer)) + QStringLiteral(", ") + NLit(schema) +
                QStringLiteral(", N'view', ") + NLit(view) + QStringLiteral(", ") + level2 + QStringLiteral("))");
    if (!p.column.isEmpty())
        s += QStringLiteral(" AND COLUMNPROPERTY(OBJECT_ID(") + ObjLiteral(schema, view) + QStringLiteral("), ") +
             NLit(p.column) + QStringLiteral(", 'ColumnId') IS NOT NULL");
    s += QStringLiteral("\r\nEXEC sp_addextendedproperty ") + NLit(p.name) + QStringLiteral(", ") + NLit(p.value) +
         QStringLiteral(" , ") + NLit(Level0(dbVer)) + QStringLiteral(", ") + NLit(schema) + QStringLiteral(", N'view', ") +
         NLit(view);
    if (!p.column.isEmpty())
        s += QStringLiteral(", N'column', ") + NLit(p.column);
    return s;
}

} // namespace qv::view
