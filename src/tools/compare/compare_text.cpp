#include "tools/compare/compare_text.h"

#include "app/object_types.h"
#include "app/qvstrings.h"

namespace qv::compare {

namespace {

const QString CRLF = QStringLiteral("\r\n");

enum class Gen { Azure, V9, Old };

Gen GenerationOf(const catalog::ServerKind& server)
{
    if (server.azure)
        return Gen::Azure;
    return server.version >= 9 ? Gen::V9 : Gen::Old;
}

// The system-object filter (only while system objects are hidden).
QString SystemFilter(Gen gen)
{
    if (gen == Gen::Old)
        return QStringLiteral(
            " and a.xtype <> N'S' and a.name <> N'dtproperties' and not(a.xtype in (N'V', N'P',N'RF',N'X', N'FN', "
            "N'IF', N'TF') and (objectproperty(a.id, N'IsMSShipped') is not null and objectproperty(a.id, "
            "N'IsMSShipped') = 1 or objectproperty(a.id, N'IsSystemTable') is not null and objectproperty(a.id, "
            "N'IsSystemTable') = 1)) ");
    return QStringLiteral(
        " and a.type <> N'S' and a.name <> N'dtproperties' and (a.is_ms_shipped <> 1 and (select major_id from "
        "sys.extended_properties where major_id = a.object_id and minor_id = 0 and class = 1 and name = "
        "N'microsoft_database_tools_support') is null) ");
}

// The schema filter of the object blocks (S: the schema as a literal).
QString SchemaFilter(Gen gen, const QString& s)
{
    if (gen == Gen::Old)
        return QStringLiteral(" and a.uid = user_id(N") + s + QStringLiteral(")");
    return QStringLiteral("and a.schema_id =schema_id(N") + s + QStringLiteral(")");
}

QString TableBlock(Gen gen, const QString& d, const QString& q, const QString& s, bool showSys)
{
    QString sql;
    switch (gen) {
    case Gen::Azure:
        sql = QStringLiteral("select  a.type,a.name,schema_name(schema_id), cast(null as varchar) ") +
              QStringLiteral("  from  ") + d + QStringLiteral(".sys.objects as a ") +
              QStringLiteral(" where  a.type in (N'S',N'U') ") +
              QStringLiteral("   and  (a.type not in(N'S',N'U') or a.object_id in (select object_id from ") + q +
              QStringLiteral(".sys.tables))");
        break;
    case Gen::V9:
        sql = QStringLiteral("select  a.type,a.name,schema_name(schema_id), cast(null as varchar)   from  ") + d +
              QStringLiteral(".sys.objects as a ") + QStringLiteral("  left outer join ") + d +
              QStringLiteral(".sys.extended_properties as b on b.name = N'MS_Description' and b.major_id = "
                             "a.object_id and b.minor_id = 0 ") +
              QStringLiteral(" where  a.type in (N'S',N'U') ") +
              QStringLiteral("   and  (a.type not in(N'S',N'U') or a.object_id in (select object_id from ") + q +
              QStringLiteral(".sys.tables))");
        break;
    case Gen::Old:
        sql = QStringLiteral("select  a.xtype,a.name,user_name(uid), cast(null as varchar)   from  ") + d +
              QStringLiteral(".dbo.sysobjects as a ") + QStringLiteral("  left outer join ") + d +
              QStringLiteral(".dbo.sysproperties as b on b.name = N'MS_Description' and b.id = a.id and b.smallid = 0 ") +
              QStringLiteral(" where  a.xtype in (N'S',N'U') ");
        break;
    }
    if (gen != Gen::Azure && !showSys)
        sql += SystemFilter(gen);
    if (!s.isEmpty())
        sql += SchemaFilter(gen, s);
    return sql;
}

QString IndexBlock(Gen gen, const QString& s, bool showSys)
{
    QString sql;
    if (gen == Gen::Azure) {
        // The schema of the index's table: sysobjects.uid holds its schema id.
        sql = QStringLiteral("select N'IX', a.name, schema_name(b.uid), object_name(a.object_id)   from sys.indexes as a "
                             "inner join sysobjects as b on b.id = a.object_id and a.index_id > 0");
        if (!showSys)
            sql += QStringLiteral(" and b.xtype not in (N'S') and b.name <> N'dtproperties' ");
        sql += QStringLiteral(" where a.name not like N'_WA_Sys%' ");
        if (!s.isEmpty())
            sql += QStringLiteral("and b.uid = schema_id(N") + s + QStringLiteral(")");
        return sql;
    }
    sql = QStringLiteral("select N'IX', a.name, ") +
          (gen == Gen::V9 ? QStringLiteral("schema_name(b.uid)") : QStringLiteral("user_name(b.uid)")) +
          QStringLiteral(", object_name(a.id)") + QStringLiteral("  from dbo.sysindexes as a") +
          QStringLiteral(" inner join dbo.sysobjects as b on b.id = a.id") + QStringLiteral(" and a.indid > 0");
    if (!showSys)
        sql += QStringLiteral(" and b.xtype <> N'S' and b.name <> N'dtproperties' ");
    sql += QStringLiteral(" where a.name not like N'_WA_Sys%' ");
    if (!s.isEmpty())
        sql += gen == Gen::V9 ? QStringLiteral("and b.uid =schema_id(N") + s + QStringLiteral(")")
                              : QStringLiteral(" and b.uid = user_id(N") + s + QStringLiteral(")");
    return sql;
}

QString ViewBlock(Gen gen, const QString& d, const QString& q, const QString& s, bool showSys)
{
    QString sql;
    switch (gen) {
    case Gen::Azure:
        sql = QStringLiteral("select  a.type,a.name,schema_name(schema_id), cast(null as varchar)   from sys.objects as "
                             "a  where  a.type in (N'S',N'V') ");
        if (!s.isEmpty())
            sql += QStringLiteral("and a.schema_id = schema_id(N") + s + QStringLiteral(")");
        if (showSys)
            sql += QStringLiteral(" union select a.type, a.name, schema_name(a.schema_id), cast(null as varchar) from "
                                  "sys.all_views as a where  a.type in (N'V') ");
        else
            sql += QStringLiteral("and  (a.type not in(N'S',N'U') or a.object_id in (select object_id from ") + d +
                   QStringLiteral(".sys.tables))");
        if (!s.isEmpty())
            sql += QStringLiteral("and a.schema_id = schema_id(N") + s + QStringLiteral(")");
        return sql;
    case Gen::V9:
        sql = QStringLiteral("select  a.type,a.name,schema_name(schema_id), cast(null as varchar)   from ") + d +
              QStringLiteral(".sys.objects as a ") + QStringLiteral("  left outer join ") + d +
              QStringLiteral(".sys.extended_properties as b on b.name = N'MS_Description' and b.major_id = "
                             "a.object_id and b.minor_id = 0 ") +
              QStringLiteral(" where  a.type in (N'V') ") +
              QStringLiteral("   and  (a.type not in(N'U', N'S') or a.object_id in (select object_id from ") + q +
              QStringLiteral(".sys.tables))");
        if (!showSys)
            sql += SystemFilter(gen);
        if (!s.isEmpty())
            sql += SchemaFilter(gen, s);
        if (showSys) {
            sql += CRLF + QStringLiteral(" union ") + CRLF + QStringLiteral("select a.type, a.name, schema_name(a.schema_id), cast(null as varchar) from ") +
                   d + QStringLiteral(".sys.all_views as a ") + QStringLiteral("left outer join ") + q +
                   QStringLiteral(".sys.extended_properties as b on b.name = N'MS_Description' and b.major_id = "
                                  "a.object_id and b.minor_id = 0 ");
            if (!s.isEmpty())
                sql += QStringLiteral("where a.schema_id =schema_id(N") + s + QStringLiteral(")");
        }
        return sql;
    case Gen::Old:
        sql = QStringLiteral("select  a.xtype,a.name,user_name(uid), cast(null as varchar)   from  ") + d +
              QStringLiteral(".dbo.sysobjects as a ") + QStringLiteral("  left outer join ") + d +
              QStringLiteral(".dbo.sysproperties as b on b.name = N'MS_Description' and b.id = a.id and b.smallid = 0 ") +
              QStringLiteral(" where  a.xtype in (N'V') ");
        if (!showSys)
            sql += SystemFilter(gen);
        if (!s.isEmpty())
            sql += SchemaFilter(gen, s);
        return sql;
    }
    return sql;
}

// Procedures, functions, triggers, synonyms and sequences: the type list of the kind.
QString TypeList(Kind kind)
{
    switch (kind) {
    case Kind::Procedure: return QStringLiteral("(N'P',N'RF',N'X')");
    case Kind::Function: return QStringLiteral("(N'FN',N'IF',N'TF')");
    case Kind::Trigger: return QStringLiteral("(N'TR')");
    case Kind::Synonym: return QStringLiteral("(N'SN')");
    case Kind::Sequence: return QStringLiteral("(N'SO')");
    default: return {};
    }
}

QString ModuleBlock(Gen gen, Kind kind, const QString& q, const QString& s, bool showSys)
{
    QString sql;
    switch (gen) {
    case Gen::Azure:
        sql = QStringLiteral("select a.type, a.name,  schema_name(a.schema_id), cast(null as varchar) from ") + q +
              QStringLiteral(".sys.objects as a ") + QStringLiteral("left outer join ") + q +
              QStringLiteral(".sys.procedures as b on b.name = N'MS_Description' and b.object_id = a.object_id ") +
              QStringLiteral("and (a.type not in(N'S',N'U') or a.object_id in (select object_id from ") + q +
              QStringLiteral(".sys.tables)) ") + QStringLiteral("where a.type in ") + TypeList(kind);
        break;
    case Gen::V9:
        sql = QStringLiteral("select a.type, a.name,  schema_name(a.schema_id), cast(null as varchar) from ") + q +
              QStringLiteral(".sys.objects as a ") + QStringLiteral("left outer join ") + q +
              QStringLiteral(".sys.extended_properties as b on b.name = N'MS_Description' and b.major_id = "
                             "a.object_id and b.minor_id = 0 ") +
              QStringLiteral("and (a.type not in(N'S',N'U') or a.object_id in (select object_id from ") + q +
              QStringLiteral(".sys.tables)) ") + QStringLiteral(" where a.type in ") + TypeList(kind);
        break;
    case Gen::Old:
        sql = QStringLiteral("select a.xtype, a.name, user_name(a.uid), cast(null as varchar) from ") + q +
              QStringLiteral(".dbo.sysobjects as a ") + QStringLiteral("left outer join ") + q +
              QStringLiteral(".dbo.sysproperties as b on b.name = N'MS_Description' and b.id = a.id and b.smallid = 0 ") +
              QStringLiteral(" where a.xtype in ") + TypeList(kind);
        break;
    }
    if (gen != Gen::Azure && !showSys)
        sql += SystemFilter(gen);
    if (!s.isEmpty())
        sql += SchemaFilter(gen, s);
    return sql;
}

QString RightAligned(const QString& text, int width) { return text.rightJustified(width, u' '); }

} // namespace

QString AllSchemas() { return QStringLiteral("(全て)"); }
QString EqualText() { return QStringLiteral("内容一致"); }
QString DifferText() { return QStringLiteral("内容不一致"); }
QString Only1Text() { return QStringLiteral("比較先１にのみ存在"); }
QString Only2Text() { return QStringLiteral("比較先２にのみ存在"); }

QList<Kind> AllKinds()
{
    return {Kind::Table, Kind::Index, Kind::View, Kind::Procedure, Kind::Function, Kind::Trigger, Kind::Synonym,
            Kind::Sequence};
}

QString ObjectListSql(const catalog::ServerKind& server, const QList<Kind>& kinds, const QString& database,
                      const QString& schema, bool showSysObj)
{
    const Gen gen = GenerationOf(server);
    const QString d = DoubleQuoteName(database);
    const QString q = QuoteIdentifier(database);
    const QString s = schema == AllSchemas() ? QString() : QuoteLiteral(schema);
    QStringList blocks;
    for (Kind kind : AllKinds()) {
        if (!kinds.isEmpty() && !kinds.contains(kind))
            continue;
        switch (kind) {
        case Kind::Table: blocks << TableBlock(gen, d, q, s, showSysObj); break;
        case Kind::Index: blocks << IndexBlock(gen, s, showSysObj); break;
        case Kind::View: blocks << ViewBlock(gen, d, q, s, showSysObj); break;
        default: blocks << ModuleBlock(gen, kind, q, s, showSysObj); break;
        }
    }
    return catalog::UseText(database) + blocks.join(CRLF + QStringLiteral("union all") + CRLF) + CRLF +
           QStringLiteral("ORDER BY 1, 2, 3");
}

QString MatchKey(const Key& key)
{
    return RightAligned(key.schema, 30) + RightAligned(key.name, 256) + RightAligned(key.type, 30) +
           RightAligned(key.parent, 256);
}

bool SameKey(const Key& a, const Key& b)
{
    // Field by field, so that a name longer than its key field cannot shift into the next one.
    return a.schema.compare(b.schema, Qt::CaseInsensitive) == 0 && a.name.compare(b.name, Qt::CaseInsensitive) == 0 &&
           a.type.compare(b.type, Qt::CaseInsensitive) == 0 && a.parent.compare(b.parent, Qt::CaseInsensitive) == 0;
}

bool SamePlace(const Side& a, const Side& b)
{
    return a.connection == b.connection && a.database == b.database && a.schema == b.schema;
}

bool SchemasDiffer(const Side& a, const Side& b)
{
    return a.schema != b.schema && a.schema != AllSchemas() && b.schema != AllSchemas();
}

bool Pair(QList<Key> keys1, QList<Key> keys2, const Side& side1, const Side& side2, const Filter& filter,
          const Hooks& hooks)
{
    const bool differ = SchemasDiffer(side1, side2);
    auto escape = [&] { return hooks.escapePressed && hooks.escapePressed(); };
    auto rowOf = [&](const Key& k, const Side& side, const QString& result) {
        Row r;
        r.name = k.name;
        r.typeName = XTypeToTypeName(k.type);
        r.objectType = GetObjectTypeCode(r.typeName);
        r.database = side.database;
        r.schema = differ ? side.schema : k.schema;
        r.result = result;
        r.parent = k.parent;
        return r;
    };
    for (int i = int(keys1.size()) - 1; i >= 0; --i) {
        if (escape())
            return false;
        const Key k = keys1.at(i);
        int j = -1;
        for (int n = 0; n < keys2.size(); ++n)
            if (SameKey(k, keys2.at(n))) {
                j = n;
                break;
            }
        if (j < 0)
            continue;
        const int type = GetObjectTypeCode(XTypeToTypeName(k.type));
        const QString script2 =
            hooks.script ? hooks.script(2, type, side2.database, differ ? side2.schema : k.schema, k.name, k.parent) : QString();
        const QString script1 =
            hooks.script ? hooks.script(1, type, side1.database, differ ? side1.schema : k.schema, k.name, k.parent) : QString();
        if (!script1.isEmpty() && !script2.isEmpty()) {
            const bool equal = script1 == script2;
            if (equal ? filter.equal : filter.differ)
                if (hooks.addRow)
                    hooks.addRow(rowOf(k, side1, equal ? EqualText() : DifferText()));
        }
        keys1.removeAt(i);
        keys2.removeAt(j);
    }
    if (filter.only1)
        for (int i = int(keys1.size()) - 1; i >= 0; --i) {
            if (escape())
                return false;
            if (hooks.addRow)
                hooks.addRow(rowOf(keys1.at(i), side1, Only1Text()));
        }
    if (filter.only2)
        for (int i = int(keys2.size()) - 1; i >= 0; --i) {
            if (escape())
                return false;
            if (hooks.addRow)
                hooks.addRow(rowOf(keys2.at(i), side2, Only2Text()));
        }
    return true;
}

QString OpenSchema(const Side& side, const Side& other, const QString& rowSchema)
{
    return SchemasDiffer(side, other) ? side.schema : rowSchema;
}

bool OpensOnSide1(const QString& result)
{
    return result == EqualText() || result == DifferText() || result == Only1Text();
}

bool OpensOnSide2(const QString& result)
{
    return result == EqualText() || result == DifferText() || result == Only2Text();
}

QStringList OutputCells(const Row& row)
{
    return {row.name, row.database, row.schema, row.typeName, row.result};
}

} // namespace qv::compare
