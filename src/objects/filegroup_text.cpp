#include "objects/filegroup_text.h"

#include "app/object_types.h"
#include "app/qvstrings.h"
#include "controls/inputs/number_text.h"

#include <cmath>

namespace qv::filegroup {

namespace {
const QString Go = QStringLiteral("go");

// Megabytes of the pages rounded to two decimals.
double PagesMb(qint64 pages)
{
    return double(std::llrint(double(pages) * 8192.0 / 1048576.0 * 100.0)) / 100.0;
}

// File group and file names: always bracketed, "]" doubled.
QString Name(const QString& name)
{
    return QuoteIdentifier(name, true);
}

QString Database(const QString& database)
{
    return QuoteIdentifier(database);
}

QString Literal(const QString& text)
{
    return QStringLiteral("N") + QuoteLiteral(text);
}

QString AlterLine(const ScriptInput& in)
{
    return QStringLiteral("ALTER DATABASE ") + Database(in.database);
}

QString GrowthClause(const FileRow& row)
{
    if (row.unit.trimmed() == PercentText)
        return QStringLiteral("FILEGROWTH = ") + PercentGrowthText(row.growth);
    return QStringLiteral("FILEGROWTH = ") + KbText(row.growth);
}

// The clause list of an added file; leadingBlank for the create script (" NAME = …").
QString AddClauses(const ScriptInput& in, const FileRow& row, bool leadingBlank)
{
    const QString name = in.kind == FileGroupKind ? row.name : in.name;
    QString c = (leadingBlank ? QStringLiteral(" ") : QString()) + QStringLiteral("NAME = ") +
                Literal(name) + QStringLiteral(", ");
    c += QStringLiteral("FILENAME = ") + Literal(row.path) + QStringLiteral(", ");
    if (!row.size.trimmed().isEmpty())
        c += QStringLiteral("SIZE = ") + KbText(row.size) + QStringLiteral(", ");
    const QString max = row.maximum.trimmed();
    if (!max.isEmpty() && max != UnlimitedText)
        c += QStringLiteral("MAXSIZE = ") + KbText(row.maximum) + QStringLiteral(", ");
    if (!row.growth.trimmed().isEmpty())
        c += GrowthClause(row) + QStringLiteral(", ");
    c.chop(2);
    return c;
}

void AppendAdd(QStringList& lines, const ScriptInput& in, const FileRow& row, bool leadingBlank)
{
    lines << AlterLine(in);
    const QString clauses = AddClauses(in, row, leadingBlank);
    if (in.kind == FileKind && row.type == LogText) {
        lines << QStringLiteral("  ADD LOG FILE (") + clauses + QStringLiteral(")");
    } else {
        lines << QStringLiteral("  ADD FILE (") + clauses + QStringLiteral(")");
        const QString group = in.kind == FileGroupKind ? in.name : row.fileGroup;
        lines << QStringLiteral("   TO FILEGROUP ") + Name(group);
    }
    lines << Go;
}

// A maximum a MODIFY FILE carries: "UNLIMITED", or a whole number of megabytes from 1 below
// 2097152 (2 TB); anything else writes nothing.
QString ModifyMaxClause(const QString& maximum)
{
    const QString max = maximum.trimmed();
    if (max == UnlimitedText)
        return QStringLiteral("MAXSIZE = UNLIMITED, ");
    bool ok = false;
    const qint64 mb = max.toLongLong(&ok);
    if (ok && mb != 0 && mb < 2097152)
        return QStringLiteral("MAXSIZE = ") + KbText(max) + QStringLiteral(", ");
    return QString();
}

void AppendModify(QStringList& lines, const ScriptInput& in, const QString& name, const FileRow& row,
                  const FileRow& saved)
{
    QString c = QStringLiteral("NAME = ") + Literal(name) + QStringLiteral(", ");
    if (StrToFloatOrDefault(saved.size, 0) < StrToFloatOrDefault(row.size, 0))
        c += QStringLiteral("SIZE = ") + KbText(row.size) + QStringLiteral(", ");
    c += ModifyMaxClause(row.maximum);
    c += GrowthClause(row);
    lines << AlterLine(in) << QStringLiteral("MODIFY FILE (") + c + QStringLiteral(")") << Go;
}

bool SettingsDiffer(const FileRow& a, const FileRow& b)
{
    return a.size != b.size || a.growth != b.growth || a.unit != b.unit || a.maximum != b.maximum;
}
} // namespace

QString PagesToMb(qint64 pages, bool twoDecimals)
{
    const double mb = PagesMb(pages);
    if (twoDecimals)
        return QString::number(mb, 'f', 2);
    return QString::number(std::llround(mb));
}

QString MaxSizeText(const QString& maxPages)
{
    const QString t = maxPages.trimmed();
    if (t == QStringLiteral("-1"))
        return UnlimitedText;
    return PagesToMb(t.toLongLong());
}

GrowthCells GrowthText(const QString& growth, bool isPercent)
{
    if (isPercent)
        return {growth, PercentText};
    return {PagesToMb(growth.trimmed().toLongLong()), MbText};
}

int UsagePerMille(qint64 usedPages, qint64 sizePages)
{
    if (sizePages <= 0 || PagesToMb(sizePages) == QStringLiteral("0"))
        return 0;
    return int(std::llrint(double(usedPages) / double(sizePages) * 1000.0));
}

int UsageBarRight(int left, int right, int perMille)
{
    return left + int(std::llrint(double(perMille) * double(right - left) / 1000.0));
}

QString KbText(const QString& megabytes)
{
    const double kb = StrToFloatOrDefault(megabytes, 0) * 1024.0;
    return QString::number(std::llround(kb)) + QStringLiteral("KB");
}

QString PercentGrowthText(const QString& percent)
{
    return QString::number(std::llround(StrToFloatOrDefault(percent, 0))) + PercentText;
}

QStringList CreateScript(const ScriptInput& in)
{
    QStringList lines;
    if (in.kind == FileGroupKind && in.addFileGroup)
        lines << AlterLine(in) << QStringLiteral("  ADD FILEGROUP ") + Name(in.name) << Go;
    for (const FileRow& row : in.rows) {
        if (in.kind == FileGroupKind && row.name.trimmed().isEmpty())
            continue;
        AppendAdd(lines, in, row, true);
    }
    return lines;
}

QStringList AlterScript(const ScriptInput& in)
{
    QStringList lines;
    if (in.rows == in.saved)
        return lines;
    if (in.kind == FileKind) {
        if (in.rows.isEmpty() || in.saved.isEmpty())
            return lines;
        const FileRow& row = in.rows.first();
        const FileRow& saved = in.saved.first();
        if (row.path != saved.path || SettingsDiffer(row, saved))
            AppendModify(lines, in, in.name, row, saved);
        return lines;
    }
    // The snapshot ends with the blank row for a new file: rows from there on are new.
    const qsizetype loaded = qMax<qsizetype>(0, in.saved.size() - 1);
    for (qsizetype i = loaded; i < in.rows.size(); ++i) {
        if (!in.rows.at(i).path.isEmpty())
            AppendAdd(lines, in, in.rows.at(i), false);
    }
    for (qsizetype i = 0; i < loaded && i < in.rows.size(); ++i) {
        const FileRow& row = in.rows.at(i);
        const FileRow& saved = in.saved.at(i);
        if (row.name == saved.name && !SettingsDiffer(row, saved))
            continue;
        AppendModify(lines, in, saved.name, row, saved);
    }
    return lines;
}

QString GroupFilesSql(const QString& fileGroup)
{
    return QStringLiteral("select name from sysfiles where groupid = filegroup_id(") +
           Literal(fileGroup) + QStringLiteral(")");
}

QStringList DropScript(const ScriptInput& in, const QStringList& groupFiles, bool useHeader)
{
    QStringList lines;
    if (useHeader)
        lines << QStringLiteral("use ") + QuoteIdentifier(QStringLiteral("master")) << Go;
    const QString remove = AlterLine(in) + QStringLiteral(" REMOVE FILE ");
    if (in.kind == FileGroupKind) {
        for (const QString& file : groupFiles)
            lines << remove + Name(file.trimmed()) << Go;
        lines << AlterLine(in) + QStringLiteral(" REMOVE FILEGROUP ") + Name(in.name) << Go;
    } else {
        lines << remove + Name(in.name) << Go;
    }
    return lines;
}

QStringList DeleteScript(const ScriptInput& in, const QStringList& fileNames, bool dropFileGroup)
{
    QStringList lines;
    lines << QStringLiteral("use ") + QuoteIdentifier(QStringLiteral("master"));
    const QString alter = QStringLiteral("alter database ") + Database(in.database);
    if (in.kind == FileGroupKind) {
        for (const QString& file : fileNames)
            lines << alter + QStringLiteral(" remove file ") + Name(file) << Go;
    } else {
        lines << alter + QStringLiteral(" remove file ") + Name(in.name) << Go;
    }
    if (dropFileGroup && in.kind == FileGroupKind)
        lines << alter + QStringLiteral(" remove filegroup ") + Name(in.name) << Go;
    return lines;
}

QList<Field> Columns(Kind kind)
{
    if (kind == FileGroupKind)
        return {Field::Name, Field::Path, Field::Size, Field::Growth, Field::Unit, Field::Max, Field::Used,
                Field::Usage};
    return {Field::Path, Field::Type, Field::FileGroup, Field::Size, Field::Growth, Field::Unit, Field::Max,
            Field::Used, Field::Usage};
}

QString Header(Field f)
{
    switch (f) {
    case Field::Name: return QStringLiteral("データファイル名");
    case Field::Path: return QStringLiteral("ファイルパス");
    case Field::Type: return QStringLiteral("種類");
    case Field::FileGroup: return QStringLiteral("ファイルグループ");
    case Field::Size: return QStringLiteral("サイズ(M)");
    case Field::Growth: return QStringLiteral("増分値");
    case Field::Unit: return QStringLiteral("増分単位");
    case Field::Max: return QStringLiteral("最大(M)");
    case Field::Used: return QStringLiteral("使用済(M)");
    case Field::Usage: return QStringLiteral("使用率");
    }
    return QString();
}

int DefaultWidth(Field f)
{
    switch (f) {
    case Field::Name: return 150;
    case Field::Path: return 400;
    case Field::Type: return 60;
    case Field::FileGroup: return 120;
    case Field::Growth:
    case Field::Unit: return 70;
    case Field::Usage: return 150;
    default: return 100;
    }
}

bool CellEditable(Field f, bool newRow, const QString& savedType, const QString& type)
{
    switch (f) {
    case Field::Name:
    case Field::Path: return newRow;
    case Field::Type: return newRow && savedType.isEmpty();
    case Field::FileGroup: return type == DataText;
    case Field::Size:
    case Field::Growth:
    case Field::Unit:
    case Field::Max: return true;
    default: return false;
    }
}

QString FileSql(int dbVer, Kind kind)
{
    if (dbVer < 9) {
        return QStringLiteral("select name, filename, filegroup_name(groupid), size, growth, maxsize,"
                              " fileproperty(name, 'SpaceUsed'), 'ONLINE',"
                              " case when (status & 0x100000) <> 0 then 1 else 0 end,"
                              " fileproperty(name, 'IsLogFile')\r\nfrom sysfiles\r\n") +
               (kind == FileGroupKind ? QStringLiteral("where filegroup_name(groupid) = :FILEGROUP")
                                      : QStringLiteral("where name = :FILE"));
    }
    return QStringLiteral("select name, physical_name, filegroup_name(data_space_id), size, growth, max_size,"
                          " fileproperty(name, 'SpaceUsed'), state_desc, is_percent_growth,"
                          " fileproperty(name, 'IsLogFile')\r\nfrom master.sys.master_files\r\n") +
           (kind == FileGroupKind ? QStringLiteral("where filegroup_name(data_space_id) = :FILEGROUP")
                                  : QStringLiteral("where name = :FILE")) +
           QStringLiteral("\r\nand database_id = db_id(:DATABASE)\r\nand is_name_reserved = 'False'");
}

ShownFile ShowFile(const CatalogFile& f)
{
    ShownFile s;
    s.row.name = f.name.trimmed();
    s.row.path = f.path.trimmed();
    s.row.type = f.logFlag.trimmed() == QStringLiteral("1") ? LogText : DataText;
    s.row.fileGroup = f.fileGroup;
    const qint64 size = f.size.trimmed().toLongLong();
    s.row.size = PagesToMb(size);
    const QString flag = f.percentFlag.trimmed();
    const bool percent = flag == QStringLiteral("1") || flag.compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0;
    const GrowthCells g = GrowthText(f.growth.trimmed(), percent);
    s.row.growth = g.growth;
    s.row.unit = g.unit;
    s.row.maximum = MaxSizeText(f.maxSize);
    const qint64 used = f.used.trimmed().toLongLong();
    s.used = PagesToMb(used, true);
    s.usage = QString::number(UsagePerMille(used, size));
    return s;
}

QString InstallFolderSql()
{
    return QStringLiteral("declare @SmoRoot nvarchar(512)\r\n"
                          "exec master.dbo.xp_instance_regread N'HKEY_LOCAL_MACHINE', "
                          "N'SOFTWARE\\Microsoft\\MSSQLServer\\Setup', N'SQLPath', @SmoRoot OUTPUT\r\n"
                          "select @SmoRoot");
}

QString FilePathInFolder(Kind kind, const QString& folder, const QString& name, const QString& type)
{
    if (name.trimmed().isEmpty())
        return folder;
    QString base = folder;
    if (!base.endsWith(QLatin1Char('\\')))
        base += QLatin1Char('\\');
    base += name.trimmed();
    if (kind == FileGroupKind)
        return base + QStringLiteral(".ndf");
    if (type == DataText)
        return base + QStringLiteral(".mdf");
    if (type == LogText)
        return base + QStringLiteral(".ldf");
    return base;
}

namespace {
struct ContentPart {
    QString select, type, name, parent, condition;
};

QString SysObjectFilter(int dbVer)
{
    if (dbVer >= 9)
        return QStringLiteral(" and obj.type <> N'S' and obj.name <> N'dtproperties' and (obj.is_ms_shipped <> 1"
                              " and (select major_id from sys.extended_properties"
                              " where major_id = obj.object_id and minor_id = 0 and class = 1"
                              " and name = N'microsoft_database_tools_support' ) is null)");
    return QStringLiteral(" AND obj.xtype NOT IN (N'S', N'V', N'P',N'RF',N'X', N'FN', N'IF', N'TF')"
                          " AND obj.name <> N'dtproperties'"
                          " AND objectproperty(obj.id, N'IsMSShipped') <> 1"
                          " AND objectproperty(obj.id, N'IsSystemTable') <> 1");
}
} // namespace

QString ContentsSql(int dbVer, const QString& database, bool showSysObj)
{
    const bool catalog = dbVer >= 9;
    const QString from = catalog ? QStringLiteral(" FROM sys.indexes idx INNER JOIN sys.objects obj ON idx.object_id = obj.object_id")
                                 : QStringLiteral(" FROM sysindexes idx INNER JOIN sysobjects obj ON idx.id = obj.id");
    const QString desc = catalog ? QStringLiteral("obj.type_desc") : QStringLiteral("'UNKNOWN'");
    const QString schema = catalog ? QStringLiteral("schema_name(obj.schema_id)") : QStringLiteral("user_name(obj.uid)");
    const QString group = catalog ? QStringLiteral(" AND idx.data_space_id = filegroup_id(:FILEGROUP)")
                                  : QStringLiteral(" AND idx.groupid = filegroup_id(:FILEGROUP)");
    const QString constraint = QStringLiteral(" SELECT con.constid, con.id FROM sysconstraints con"
                                              " INNER JOIN dbo.sysobjects AS conobj ON conobj.id = con.constid"
                                              " WHERE conobj.name = idx.name AND con.id = obj.id");
    const QString none = QStringLiteral("cast(null as nvarchar)");
    QList<ContentPart> parts;
    if (catalog) {
        parts = {
            {QStringLiteral(" SELECT DISTINCT"), QStringLiteral("obj.type"), QStringLiteral("obj.name"), none,
             QStringLiteral(" AND obj.type IN ('U', 'S') AND ( (idx.is_primary_key = 1) or (idx.type = 0) )")},
            {QStringLiteral(" SELECT"), QStringLiteral("'IX'"), QStringLiteral("idx.name"), QStringLiteral("obj.name"),
             QStringLiteral(" AND NOT( (idx.is_primary_key = 1) or (idx.type = 0) )")},
            {QStringLiteral(" SELECT"), QStringLiteral("'PK'"), QStringLiteral("idx.name"), QStringLiteral("obj.name"),
             QStringLiteral(" AND ( (idx.is_primary_key = 1) or (idx.is_unique_constraint = 1) )")},
            {QStringLiteral(" SELECT"), QStringLiteral("obj.type"), QStringLiteral("obj.name"), none,
             QStringLiteral(" AND obj.type NOT IN ('U', 'S')")},
        };
    } else {
        parts = {
            {QStringLiteral(" SELECT DISTINCT"), QStringLiteral("obj.type"), QStringLiteral("obj.name"), none,
             QStringLiteral(" AND obj.type IN ('U', 'S')")},
            {QStringLiteral(" SELECT"), QStringLiteral("'IX'"), QStringLiteral("idx.name"), QStringLiteral("obj.name"),
             QStringLiteral(" AND (idx.indid <> 0) AND NOT EXISTS(") + constraint + QStringLiteral(" )")},
            {QStringLiteral(" SELECT"), QStringLiteral("'PK'"), QStringLiteral("idx.name"), QStringLiteral("obj.name"),
             QStringLiteral(" AND (idx.indid <> 0) AND EXISTS(") + constraint + QStringLiteral(" )")},
            {QStringLiteral(" SELECT"), QStringLiteral("obj.type"), QStringLiteral("obj.name"), none,
             QStringLiteral(" AND obj.type NOT IN ('U', 'S')")},
        };
    }
    QStringList selects;
    for (const ContentPart& p : parts) {
        QString sql = p.select + QStringLiteral(" ") + p.type + QStringLiteral(" AS OBJECT_TYPE, ") + desc +
                      QStringLiteral(" AS OBJECT_TYPE_DESC, ") + p.name + QStringLiteral(" AS OBJECT_NAME, ") + schema +
                      QStringLiteral(" AS SCHEMA_NAME, ") + p.parent + QStringLiteral(" AS PARENT_OBJECT_NAME") + from +
                      QStringLiteral(" WHERE 0 = 0") + p.condition + group;
        if (!showSysObj)
            sql += SysObjectFilter(dbVer);
        selects << sql;
    }
    return QStringLiteral("use ") + QuoteIdentifier(database.trimmed(), true) + QStringLiteral("\r\n") +
           selects.join(QStringLiteral(" UNION ALL"));
}

ContentItem ContentFromRecord(const QString& objectType, const QString& typeDesc, const QString& name,
                              const QString& schema, const QString& parent)
{
    ContentItem item;
    item.type = XTypeToObjectType(objectType);
    item.typeName = XTypeToTypeName(objectType);
    if (item.typeName.isEmpty())
        item.typeName = typeDesc;
    item.name = name;
    item.schema = schema;
    item.parent = parent;
    return item;
}

QString ContentDropStatement(const ContentItem& item, int dbVer)
{
    const auto q = [](const QString& n) { return QuoteIdentifier(n, true); };
    switch (item.type) {
    case 45: return QStringLiteral("DROP TABLE ") + q(item.schema) + QStringLiteral(".") + q(item.name);
    case 66:
        return QStringLiteral("ALTER TABLE ") + q(item.schema) + QStringLiteral(".") + q(item.parent) +
               QStringLiteral(" DROP CONSTRAINT ") + q(item.name);
    case 46:
        if (dbVer >= 9)
            return QStringLiteral("DROP INDEX ") + q(item.name) + QStringLiteral(" ON ") + q(item.schema) +
                   QStringLiteral(".") + q(item.parent);
        return QStringLiteral("DROP INDEX ") + q(item.schema) + QStringLiteral(".") + q(item.parent) +
               QStringLiteral(".") + q(item.name);
    default: return QString();
    }
}

} // namespace qv::filegroup
