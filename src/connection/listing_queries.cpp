#include "connection/listing_queries.h"

#include "app/object_types.h"
#include "app/qvstrings.h"

namespace qv::listing {

using catalog::ServerKind;
using catalog::UseText;
using catalog::VerStr;

namespace {
QString S(const char* text)
{
    return QString::fromUtf8(text);
}

QString AzureDate(const QString& e)
{
    return QStringLiteral("dateadd(HOUR, 9, ") + e + QStringLiteral(")");
}

const char* const kName = "オブジェクト名";
const char* const kDatabase = "データベース名";
const char* const kOwner = "所有者";
const char* const kType = "タイプ";
const char* const kCreated = "作成日時";
const char* const kFileGroup = "ファイルグループ名";
const char* const kComment = "コメント";
const char* const kTable = "テーブル名";
const char* const kFragment = "断片化割合";
const char* const kPages = "ページ数";
const char* const kNoPermission = "'(権限がありません)' frg_per, '0' page_count, ";

const QString SysFilter9 = QStringLiteral(
    " and a.type <> N'S' and a.name <> N'dtproperties' and (a.is_ms_shipped <> 1 and (select major_id from "
    "sys.extended_properties where major_id = a.object_id and minor_id = 0 and class = 1 and name = "
    "N'microsoft_database_tools_support') is null) ");
const QString SysFilter8 = QStringLiteral(
    " and a.xtype <> N'S' and a.name <> N'dtproperties' and not(a.xtype in (N'V', N'P',N'RF',N'X', N'FN', N'IF', "
    "N'TF') and (objectproperty(a.id, N'IsMSShipped') is not null and objectproperty(a.id, N'IsMSShipped') = 1 or "
    "objectproperty(a.id, N'IsSystemTable') is not null and objectproperty(a.id, N'IsSystemTable') = 1)) ");

QStringList TableStatement(const Request& r, const QString& DBLIT, const QString& PAT, const QString& TYPES)
{
    const int v = r.kind.version;
    const QString USE = UseText(r.database);
    if (r.kind.azure) {
        const QString joins = QStringLiteral(" from dbo.sysobjects as a") +
                              QStringLiteral(" left outer join sys.indexes as c on c.object_id = a.id and c.index_id < 2") +
                              QStringLiteral(" inner join sys.tables as e on e.object_id = a.id") +
                              QStringLiteral(" where a.name like N") + PAT;
        QString line = USE + QStringLiteral("select distinct xtype, a.name, N") + DBLIT +
                       QStringLiteral(", schema_name(a.uid) owner, a.xtype, ") + AzureDate(QStringLiteral("crdate"));
        if (r.layout == Layout::Table)
            line += QStringLiteral(" , N'(NONE)', '' as comment") + joins + QStringLiteral(" and a.xtype in (") + TYPES +
                    QStringLiteral(") ");
        else
            line += QStringLiteral(", N'(NONE)', '' as comment") + joins + QStringLiteral(" and a.xtype in ('U') ");
        return {line};
    }
    const bool temporal = v >= 13;
    QString line = USE + QStringLiteral("select distinct a.xtype, a.name, N") + DBLIT + QStringLiteral(", ") +
                   VerStr(v, 9, QStringLiteral("schema_name(a.uid)"), QStringLiteral("user_name(a.uid)")) +
                   QStringLiteral(" owner, a.xtype, a.crdate, ") +
                   VerStr(v, 9,
                          QStringLiteral("case when d.name is not null then d.name when filegroup_name(f.groupid) is not "
                                         "null then filegroup_name(f.groupid) else N'(NONE)' end, "),
                          QStringLiteral("isnull(filegroup_name(f.groupid), N'(NONE)') , ")) +
                   QStringLiteral(" cast(b.value as nvarchar(4000)) as comment ");
    if (temporal)
        line += S(", case when e.temporal_type = 1 then N'履歴(' + temptbl.name + ')' when e.temporal_type = 2 then "
                  "N'システムバージョン管理(' + histtbl.name + ')' else '' end ");
    line += QStringLiteral("from dbo.sysobjects as a ") +
            VerStr(v, 9,
                   QStringLiteral("left outer join sys.extended_properties as b on b.name = N'MS_Description' and "
                                  "b.major_id = a.id and b.minor_id = 0 left outer join sys.indexes as c on c.object_id "
                                  "= a.id and c.index_id < 2 left outer join sys.data_spaces as d on d.data_space_id = "
                                  "c.data_space_id inner join sys.tables as e on e.object_id = a.id "),
                   QStringLiteral("left outer join dbo.sysproperties as b on b.name = N'MS_Description' and b.id = a.id "
                                  "and b.smallid = 0 "));
    if (temporal)
        line += QStringLiteral("left outer join sys.tables as temptbl ON temptbl.history_table_id = e.object_id left "
                               "outer join sys.tables as histtbl ON histtbl.object_id = e.history_table_id ");
    line += QStringLiteral("left outer join dbo.sysindexes as f on f.id = a.id ") + QStringLiteral("where a.name like N") +
            PAT + QStringLiteral(" and a.xtype in (") + TYPES + QStringLiteral(") ");
    QStringList lines{line};
    if (!r.showSysObj)
        lines << VerStr(v, 9,
                        QStringLiteral(" and (select major_id from sys.extended_properties where major_id = a.id and "
                                       "minor_id = 0 and class = 1 and name = N'microsoft_database_tools_support') is "
                                       "null "),
                        QStringLiteral(" and a.name <> N'dtproperties'"));
    return lines;
}

QStringList ConstraintStatement(const Request& r, const QString& DBLIT, const QString& PAT)
{
    const QString USE = UseText(r.database);
    if (r.kind.azure)
        return {USE + QStringLiteral("select N'PK', object_name(a.object_id), N") + DBLIT + QStringLiteral(", ") +
                QStringLiteral("schema_name(a.schema_id) owner, N'PK' XTYPE, A.TYPE, object_name(a.parent_object_id)") +
                QStringLiteral("from sys.all_objects as a ") +
                QStringLiteral("where a.type in(N'PK',N'UQ',N'F',N'C', 'D') and a.name like N") + PAT +
                QStringLiteral("order by type, name")};
    QStringList lines{USE + QStringLiteral("select N'PK', object_name(a.constid), N") + DBLIT + QStringLiteral(", ") +
                      VerStr(r.kind.version, 9, QStringLiteral("schema_name(b.uid)"), QStringLiteral("user_name(b.uid)")) +
                      QStringLiteral(" owner, N'PK' xtype, b.xtype, object_name(a.id) ") +
                      QStringLiteral("from dbo.sysconstraints as a") +
                      QStringLiteral(" inner join dbo.sysobjects as b on b.id = a.constid")};
    if (!r.showSysObj)
        lines << QStringLiteral(" inner join sysobjects as c on c.id = a.id and c.xtype = N'U' and c.name <> N'dtproperties'");
    lines << QStringLiteral("where b.name like N") + PAT;
    return lines;
}

QStringList SourceStatement(const Request& r, const QString& DB, const QString& DBLIT, const QString& PAT,
                            const QString& TYPES)
{
    const int v = r.kind.version;
    const bool azure = r.kind.azure;
    const QString USE = UseText(r.database);
    if (azure && r.type == QLatin1String("TABLE"))
        return TableStatement(r, DBLIT, PAT, TYPES);
    QStringList lines;
    if (azure) {
        lines << USE + QStringLiteral("select a.type, a.name, N") + DBLIT +
                     QStringLiteral(", schema_name(a.schema_id) owner, a.type, ") + AzureDate(QStringLiteral("a.create_date")) +
                     QStringLiteral(", '' as comment ") + QStringLiteral(" , cast(null as varchar) ") + QStringLiteral("from ") +
                     DB + QStringLiteral(".sys.objects as a ") + QStringLiteral("where a.name like ") + PAT +
                     QStringLiteral("and (a.type not in(N'S',N'U') or a.object_id in (select object_id from ") + DB +
                     QStringLiteral(".sys.tables)) ");
    } else {
        const QString s9 = QStringLiteral("select a.type, a.name, N") + DBLIT +
                           QStringLiteral(", schema_name(a.schema_id) owner, a.type, a.create_date, cast(b.value as "
                                          "nvarchar(4000)) as comment ") +
                           QStringLiteral(" , cast(null as varchar) ") + QStringLiteral("from ") + DB +
                           QStringLiteral(".sys.objects as a ") + QStringLiteral("left outer join ") + DB +
                           QStringLiteral(".sys.extended_properties as b on b.name = N'MS_Description' and b.major_id = "
                                          "a.object_id and b.minor_id = 0 ") +
                           QStringLiteral("where a.name like N") + PAT +
                           QStringLiteral("and (a.type not in(N'S',N'U') or a.object_id in (select object_id from ") + DB +
                           QStringLiteral(".sys.tables)) ");
        const QString s8 = QStringLiteral("select a.xtype, a.name, N") + DBLIT +
                           QStringLiteral(", user_name(a.uid) owner, a.xtype, a.crdate, cast(b.value as nvarchar(4000)) "
                                          "as comment ") +
                           QStringLiteral(" , cast(null as varchar) ") + QStringLiteral("from ") + DB +
                           QStringLiteral(".dbo.sysobjects as a ") + QStringLiteral("left outer join ") + DB +
                           QStringLiteral(".dbo.sysproperties as b on b.name = N'MS_Description' and b.id = a.id and "
                                          "b.smallid = 0 ") +
                           QStringLiteral("where a.name like N") + PAT;
        lines << USE + VerStr(v, 9, s9, s8);
    }
    if (!TYPES.isEmpty())
        lines << VerStr(v, 9, QStringLiteral(" and a.type in ("), QStringLiteral(" and a.xtype in (")) + TYPES +
                     QStringLiteral(")");
    if (!r.showSysObj)
        lines << (azure ? QStringLiteral("and a.type <> N'S' and a.name <> N'dtproperties'") : VerStr(v, 9, SysFilter9, SysFilter8));
    const bool all = r.type == QLatin1String("%");
    if (all) {
        const QString filter = QStringLiteral(" and d.xtype not in (N'S', N'IT') and d.name <> N'dtproperties' ");
        if (azure) {
            lines << QStringLiteral(" union select N'IX' xtype, c.name, N") + DBLIT +
                         QStringLiteral(", schema_name(d.uid) owner, N'IX' object_type, ") + AzureDate(QStringLiteral("d.crdate")) +
                         QStringLiteral(", '' comment ") + QStringLiteral(" ,object_name(object_id )") +
                         QStringLiteral("from sys.indexes c ") + QStringLiteral("inner join sys.sysobjects d on c.object_id = d.id");
            if (!r.showSysObj)
                lines << filter;
            lines << QStringLiteral("where c.name like N") + PAT << QStringLiteral("  and c.name not like N'_WA_Sys%' ")
                  << QStringLiteral("  and c.index_id > 0 and c.index_id <> 255 ");
        } else {
            lines << QStringLiteral(" union select N'IX' xtype , c.name, N") + DBLIT + QStringLiteral(",") +
                         VerStr(v, 9, QStringLiteral("schema_name(d.uid)"), QStringLiteral("user_name(d.uid)")) +
                         QStringLiteral(" owner, N'IX' object_type, d.crdate, '' comment ") +
                         QStringLiteral(" ,object_name(c.id) ") + QStringLiteral(" from ") + DB +
                         QStringLiteral(".dbo.sysindexes c ") + QStringLiteral("inner join ") + DB +
                         QStringLiteral(".dbo.sysobjects d on d.id = c.id and c.indid > 0 ");
            if (!r.showSysObj)
                lines << filter;
            lines << QStringLiteral("where c.name like N") + PAT << QStringLiteral("  and c.name not like N'_WA_Sys%' ")
                  << QStringLiteral("  and c.indid > 0 and c.indid <> 255 ");
        }
    }
    if ((all || r.type == QLatin1String("VIEW")) && v >= 9 && r.showSysObj) {
        if (azure)
            lines << QStringLiteral(" union select a.type, a.name, N") + DBLIT +
                         QStringLiteral(", schema_name(a.schema_id) owner, a.type, ") + AzureDate(QStringLiteral("a.create_date")) +
                         QStringLiteral(", '' as comment , cast(null as varchar)") + QStringLiteral("from ") + DB +
                         QStringLiteral(".sys.all_views as a ") + QStringLiteral("where a.name like N") + PAT;
        else
            lines << QStringLiteral(" union select a.type, a.name, N") + DBLIT +
                         QStringLiteral(", schema_name(a.schema_id) owner, a.type, a.create_date, cast(b.value as "
                                        "nvarchar(4000)) as comment , cast(null as varchar)") +
                         QStringLiteral("from ") + DB + QStringLiteral(".sys.all_views as a ") +
                         QStringLiteral("left outer join ") + DB +
                         QStringLiteral(".sys.extended_properties as b on b.name = N'MS_Description' and b.major_id = "
                                        "a.object_id and b.minor_id = 0 ") +
                         QStringLiteral("where a.name like N") + PAT;
    }
    return lines;
}

const QString FG9 = QStringLiteral(
    "case when c.name is not null then c.name when filegroup_name(a.data_space_id) is not null then "
    "filegroup_name(a.data_space_id) else N'(NONE)' end ");

QStringList IndexStatement(const Request& r, const QString& DBLIT, const QString& PAT)
{
    const int v = r.kind.version;
    const bool shown = r.fragmentShown && !r.kind.azure;
    const QString USE = UseText(r.database);
    QStringList lines;
    if (r.kind.azure) {
        lines << USE + QStringLiteral("select N'IX', a.name, N") + DBLIT +
                     QStringLiteral(", schema_name(b.schema_id) owner, N'IX' xtype, object_name(a.object_id), N'(NONE)'") +
                     QStringLiteral("from sys.indexes as a ") +
                     QStringLiteral("inner join sys.objects as b on b.object_id = a.object_id");
    } else {
        const QString frag9 = QStringLiteral(
            "case when avg_fragmentation_in_percent is null then N'0' else round(avg_fragmentation_in_percent / 100, "
            "2, 1) end frg_per, case when page_count is null then N'0' else round(cast(page_count as float) / 100, 2) "
            "end page_count, ");
        const QString frag8 = QStringLiteral(
            "case when scandensity = 100 then N'0' when scandensity is null then N'0' else round((100 - scandensity) "
            "/ 100, 2, 1) end frg_per, case when dpages is null then N'0' else round(cast(dpages as float) / 100 ,2) "
            "end page_count, ");
        const QString figures9 = shown ? frag9 : S(kNoPermission);
        const QString figures8 = shown ? frag8 : S(kNoPermission);
        const QString i9 = QStringLiteral("select N'IX', a.name, N") + DBLIT +
                           QStringLiteral(", schema_name(b.schema_id) owner, N'IX' xtype, object_name(a.object_id), ") +
                           figures9 + FG9 + QStringLiteral("from sys.indexes as a ") +
                           QStringLiteral("left outer join sys.data_spaces as c on c.data_space_id = a.data_space_id ") +
                           QStringLiteral("inner join sys.objects as b on b.object_id = a.object_id ");
        const QString i8 = QStringLiteral("select N'IX', a.name, N") + DBLIT +
                           QStringLiteral(", user_name(b.uid) owner, N'IX' xtype, object_name(a.id), ") + figures8 +
                           QStringLiteral("isnull(filegroup_name(a.groupid), N'(NONE)') ") +
                           QStringLiteral("from dbo.sysindexes as a ") +
                           QStringLiteral("inner join dbo.sysobjects as b on b.id = a.id ") +
                           QStringLiteral(" and a.indid > 0 and a.indid <> 255");
        const QString declare = shown ? QStringLiteral("declare @dbid smallint \r\nset @dbid = (select db_id()) \r\n") : QString();
        lines << USE + VerStr(v, 9, declare + i9, i8);
    }
    if (!r.showSysObj)
        lines << VerStr(v, 9, QStringLiteral("and b.type not in (N'S', N'IT') "),
                        QStringLiteral("and b.xtype not in (N'S', N'IT') and b.name <> N'dtproperties' "));
    if (shown)
        lines << VerStr(v, 9,
                        QStringLiteral("left outer join sys.dm_db_index_physical_stats(@dbid, null, null, null, null) as "
                                       "e on a.index_id = e.index_id and a.object_id = e.object_id"),
                        QStringLiteral("left outer join #temp_idx as c on a.id = c.objectid and a.indid = c.indexid"));
    lines << QStringLiteral("where a.name like N") + PAT << QStringLiteral("and a.name not like N'_WA_Sys%' ");
    return lines;
}

QStringList Index2Statement(const Request& r, const QString& DB, const QString& DBLIT, const QString& PAT)
{
    const int v = r.kind.version;
    const QString USE = UseText(r.database);
    if (r.kind.azure) {
        QStringList lines{USE + QStringLiteral("select N'IX', a.name, N") + DBLIT +
                          QStringLiteral(", schema_name(b.schema_id) owner, N'IX' xtype, object_name(a.object_id), ") +
                          AzureDate(QStringLiteral("B.CREATE_DATE")) + QStringLiteral(", N'' comment ") +
                          QStringLiteral("from sys.indexes as a ") +
                          QStringLiteral("inner join sys.objects as b on b.object_id = a.object_id ") +
                          QStringLiteral("where a.name like N") + PAT + QStringLiteral("and a.name not like N'_WA_Sys%' ")};
        if (!r.showSysObj)
            lines << QStringLiteral("and b.type not in (N'S', N'IT') ");
        return lines;
    }
    const bool shown = r.fragmentShown;
    QStringList lines;
    lines << USE + QStringLiteral("declare @dbid smallint \r\nset @dbid = (select db_id()) \r\n") +
                 QStringLiteral("select N'IX' xtype , c.name, N") + DBLIT + QStringLiteral(",") +
                 VerStr(v, 9, QStringLiteral("schema_name(d.uid)"), QStringLiteral("user_name(d.uid)")) +
                 QStringLiteral(" owner, N'IX' object_type, d.name table_name,");
    if (shown)
        lines << VerStr(v, 9,
                        QStringLiteral("case when avg_fragmentation_in_percent is null then N'0' else "
                                       "round(avg_fragmentation_in_percent / 100, 2, 1) end frg_per, case when page_count "
                                       "is null then N'0' else round(page_count / 100, 2) end page_count, d.crdate, '' "
                                       "comment "),
                        QStringLiteral("case when scandensity = 100 then N'0' when scandensity is null then N'0' else "
                                       "round((100 - scandensity) / 100, 2, 1) end frg_per, case when dpages is null then "
                                       "N'0' else round(cast(dpages as float) / 100 ,2) end page_count, d.crdate, ' ' "
                                       "comment "));
    else
        lines << S(kNoPermission) + VerStr(v, 9, QStringLiteral("d.crdate, '' comment "), QStringLiteral("d.crdate, ' ' comment "));
    lines << QStringLiteral(" from ") + DB + QStringLiteral(".dbo.sysindexes c ") + QStringLiteral("inner join ") + DB +
                 QStringLiteral(".dbo.sysobjects d on d.id = c.id and c.indid > 0 and c.indid <> 255");
    if (!r.showSysObj)
        lines << VerStr(v, 9, QStringLiteral("and d.type not in (N'S', N'IT') "),
                        QStringLiteral("and d.xtype not in (N'S', N'IT') and d.name <> N'dtproperties' "));
    if (shown)
        lines << VerStr(v, 9,
                        QStringLiteral("left outer join sys.dm_db_index_physical_stats(@dbid, null, null, null, null) as "
                                       "e on c.indid = e.index_id and d.id = e.object_id"),
                        QStringLiteral("left outer join tempdb.dbo.#temp_idx as e on d.id = e.objectid and c.indid = "
                                       "e.indexid"));
    lines << QStringLiteral("where c.name like N") + PAT << QStringLiteral("and c.name not like N'_WA_Sys%' ");
    return lines;
}
} // namespace

Layout ChooseLayout(const QString& type, bool treeData)
{
    const QString t = type.toUpper();
    if (t == QLatin1String("INDEX"))
        return treeData ? Layout::Index : Layout::Index2;
    if (t == QLatin1String("CONSTRAINT"))
        return Layout::Constraint;
    if (treeData && t == QLatin1String("TABLE"))
        return Layout::Table;
    if (treeData && t == QLatin1String("SYNONYM"))
        return Layout::Synonym;
    return Layout::Source;
}

QString ViewType(Layout layout)
{
    switch (layout) {
    case Layout::Table: return QStringLiteral("TABLE");
    case Layout::Synonym: return QStringLiteral("SYNONYM");
    case Layout::Constraint: return QStringLiteral("CONSTRAINT");
    case Layout::Source: return QStringLiteral("SOURCE");
    case Layout::Index:
    case Layout::Index2: return QStringLiteral("INDEX");
    }
    return QString();
}

std::vector<Column> Columns(Layout layout, const ServerKind& kind, bool fragmentDown)
{
    const bool down = fragmentDown && !kind.azure;
    auto col = [](const char* caption, const QString& prefix, int n, int width) {
        return Column{S(caption), prefix + QString::number(n), width};
    };
    std::vector<Column> c;
    switch (layout) {
    case Layout::Table: {
        const QString p = QStringLiteral("TABLE");
        c = {col(kName, p, 0, 200), col(kDatabase, p, 1, 120), col(kOwner, p, 2, 120), col(kType, p, 3, 100),
             col(kCreated, p, 4, 150)};
        if (!kind.azure) {
            c.push_back(col(kFileGroup, p, 5, 160));
            c.push_back(col(kComment, p, 6, 140));
            if (kind.version > 12)
                c.push_back(col("テンポラル", p, 7, 200));
        }
        break;
    }
    case Layout::Synonym: {
        const QString p = QStringLiteral("SYNONYM");
        c = {col(kName, p, 0, 200), col(kDatabase, p, 1, 120), col(kOwner, p, 2, 120), col(kType, p, 3, 100),
             col("親オブジェクト名", p, 4, 300)};
        break;
    }
    case Layout::Constraint: {
        const QString p = QStringLiteral("CONSTRAINT");
        c = {col(kName, p, 0, 200), col(kDatabase, p, 1, 120), col(kOwner, p, 2, 120), col(kType, p, 3, 100),
             col("制約タイプ", p, 4, 90), col(kTable, p, 5, 140)};
        break;
    }
    case Layout::Source: {
        const QString p = QStringLiteral("SOURCE");
        c = {col(kName, p, 0, 200), col(kDatabase, p, 1, 120), col(kOwner, p, 2, 100), col(kType, p, 3, 140),
             col(kCreated, p, 4, 160)};
        if (!kind.azure)
            c.push_back(col(kComment, p, 5, 200));
        break;
    }
    case Layout::Index: {
        const QString p = QStringLiteral("INDEX");
        c = {col(kName, p, 0, 200), col(kDatabase, p, 1, 120), col(kOwner, p, 2, 120), col(kType, p, 3, 100),
             col(kTable, p, 4, 160)};
        if (!kind.azure) {
            if (down) {
                c.push_back(col(kFragment, p, 5, 100));
                c.push_back(col(kPages, p, 6, 80));
            }
            c.push_back(col(kFileGroup, p, 7, 100));
        }
        break;
    }
    case Layout::Index2: {
        const QString p = QStringLiteral("INDEX2_");
        c = {col(kName, p, 0, 200), col(kDatabase, p, 1, 120), col(kOwner, p, 2, 120), col(kType, p, 3, 100),
             col(kTable, p, 4, 160)};
        if (kind.azure) {
            c.push_back(col(kCreated, p, 6, 160));
        } else {
            if (down) {
                c.push_back(col(kFragment, p, 5, 100));
                c.push_back(col(kPages, p, 6, 80));
            }
            c.push_back(col(kCreated, p, 7, 160));
            c.push_back(col(kComment, p, 8, 200));
        }
        break;
    }
    }
    return c;
}

QString TypeCodes(const QString& type, bool showSysObj)
{
    const QString t = type.toUpper();
    if (t == QLatin1String("TABLE"))
        return showSysObj ? QStringLiteral("N'S',N'U'") : QStringLiteral("N'U'");
    if (t == QLatin1String("INDEX")) return QStringLiteral("N'IX'");
    if (t == QLatin1String("VIEW")) return QStringLiteral("N'V'");
    if (t == QLatin1String("CONSTRAINT")) return QStringLiteral("N'PK',N'F',N'C',N'D', N'UQ'");
    if (t == QLatin1String("PROCEDURE")) return QStringLiteral("N'P',N'RF',N'X'");
    if (t == QLatin1String("FUNCTION")) return QStringLiteral("N'FN',N'IF',N'TF'");
    if (t == QLatin1String("TRIGGER")) return QStringLiteral("N'TR'");
    if (t == QLatin1String("SEQUENCE")) return QStringLiteral("N'SO'");
    if (t == QLatin1String("SYNONYM")) return QStringLiteral("N'SN'");
    return QString();
}

QString NamePattern(bool findOption, const QString& findText, bool findAuto, bool isGrep)
{
    const QString text = findText.trimmed();
    if (!findOption || text.isEmpty() || isGrep)
        return QStringLiteral("%");
    if (findAuto && !text.contains(QLatin1Char('%')))
        return QStringLiteral("%") + text + QStringLiteral("%");
    return text;
}

bool KeepRow(const QString& name, const QString& findTextInUse)
{
    const QString t = findTextInUse.trimmed();
    return t.isEmpty() || name.contains(t, Qt::CaseSensitive);
}

bool DatabaseListed(const QString& name, int disp, const QString& filter, const QStringList& configured)
{
    const bool all = filter == QLatin1String("%");
    if (disp == 0 && all)
        return true;
    if (name == filter)
        return true;
    return disp == 2 && all && configured.contains(name, Qt::CaseInsensitive);
}

QStringList Statement(const Request& r)
{
    const QString DB = QuoteIdentifier(r.database, true);
    const QString DBLIT = QuoteLiteral(r.database);
    const QString PAT = QuoteLiteral(r.pattern);
    const QString TYPES = TypeCodes(r.type, r.showSysObj);
    const QString USE = UseText(r.database);
    switch (r.layout) {
    case Layout::Table: return TableStatement(r, DBLIT, PAT, TYPES);
    case Layout::Synonym:
        return {USE + QStringLiteral("select N'SN', name, N") + DBLIT +
                QStringLiteral(", schema_name(schema_id), N'SN' xtype, base_object_name ") +
                QStringLiteral("  from sys.synonyms ") + QStringLiteral("where name like N") + PAT};
    case Layout::Constraint: return ConstraintStatement(r, DBLIT, PAT);
    case Layout::Source: return SourceStatement(r, DB, DBLIT, PAT, TYPES);
    case Layout::Index: return IndexStatement(r, DBLIT, PAT);
    case Layout::Index2: return Index2Statement(r, DB, DBLIT, PAT);
    }
    return {};
}

QString FragmentPermissionSql(const ServerKind& kind, const QString& database)
{
    return UseText(database) +
           VerStr(kind.version, 9,
                  QStringLiteral("select has_perms_by_name(N") + QuoteLiteral(database) +
                      QStringLiteral(", 'DATABASE', 'VIEW DATABASE STATE')"),
                  QStringLiteral("select is_srvrolemember('sysadmin'), is_member('db_owner'), is_member('db_ddladmin')"));
}

bool FragmentPermitted(const ServerKind& kind, const QVariantList& row)
{
    const int fields = kind.version >= 9 ? 1 : 3;
    for (int i = 0; i < fields && i < row.size(); ++i)
        if (row.at(i).toString() == QLatin1String("1"))
            return true;
    return false;
}

bool NeedsContiguityReport(Layout layout, const ServerKind& kind, bool fragmentDown, bool permitted)
{
    if (kind.azure || kind.version >= 9 || !fragmentDown)
        return false;
    if (layout == Layout::Index)
        return permitted;
    return layout == Layout::Index2;
}

QString TempIdxCreateSql(const QString& database)
{
    return UseText(database) +
           QStringLiteral("create table #temp_idx(objectname varchar(8000), objectid int, indexname varchar(8000), "
                          "indexid int, level int, ") +
           QStringLiteral("pages int, rows int, minimumrecordsize int, maximumrecordsize int, averagerecordsize int, "
                          "forwardedrecords decimal(10, 3), ") +
           QStringLiteral("extents int, extentswitches int, averagefreebytes decimal(10, 3), averagepagedensity "
                          "decimal(10, 3), scandensity decimal(10, 3), ") +
           QStringLiteral("bestcount int, actualcount int, logicalfragmentation decimal(10, 3), extentfragmentation "
                          "decimal(10, 3))");
}

QString TempIdxFillSql(const QString& database)
{
    return UseText(database) + QStringLiteral("insert into #temp_idx exec('dbcc showcontig with tableresults, all_indexes')");
}

Entry MakeEntry(const QStringList& row, Layout layout, bool fragmentDown)
{
    Entry e;
    e.caption = row.value(1);
    e.image = XTypeToObjectType(row.value(0));
    const bool index = layout == Layout::Index || layout == Layout::Index2;
    e.subItems.reserve(row.size());
    for (qsizetype i = 2; i < row.size(); ++i) {
        if (index && !fragmentDown && (i == 6 || i == 7))
            continue;
        e.subItems << (i == 4 ? XTypeToTypeName(row.at(i)) : row.at(i));
    }
    return e;
}

Entry MakeEntry(const QVariantList& row, Layout layout, bool fragmentDown)
{
    Entry e;
    e.caption = row.value(1).toString();
    e.image = XTypeToObjectType(row.value(0).toString());
    const bool index = layout == Layout::Index || layout == Layout::Index2;
    for (int i = 2; i < row.size(); ++i) {
        if (index && !fragmentDown && (i == 6 || i == 7))
            continue;
        if (i == 4)
            e.subItems << XTypeToTypeName(row.at(i).toString());
        else
            e.subItems << (row.at(i).isNull() ? QString() : row.at(i).toString());
    }
    return e;
}

} // namespace qv::listing
