#include "admin/storage/storage_list_text.h"

#include "app/qvstrings.h"
#include "connection/catalog_queries.h"

#include <QLocale>
#include <cmath>

namespace qv::storagelist {

namespace {
QString S(const char* text) { return QString::fromUtf8(text); }
QString Q(const QString& name) { return QuoteIdentifier(name, true); }
QString N(const QString& text) { return QStringLiteral("N") + QuoteLiteral(text); }
double Num(const QString& text)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    return ok ? v : 0;
}
constexpr double Page = 8192;
} // namespace

QList<ListColumn> GroupColumns()
{
    const Qt::Alignment l = Qt::AlignLeft, r = Qt::AlignRight, c = Qt::AlignHCenter;
    return {{S("ファイルグループ名"), 160, l}, {S("サイズ"), 90, r}, {S("最大値"), 90, r},
            {S("使用済"), 90, r},         {S("使用率"), 200, r}, {S("未使用"), 90, r},
            {S("既定値"), 90, c},         {S("読取専用"), 90, c}, {S("ファイル数"), 90, r}};
}

QList<ListColumn> FileColumns()
{
    const Qt::Alignment l = Qt::AlignLeft, r = Qt::AlignRight;
    return {{S("論理名"), 110, l},   {S("ファイル名"), 200, l}, {S("種類"), 110, l}, {S("ファイルグループ名"), 110, l},
            {S("サイズ"), 90, r},    {S("最大値"), 90, r},      {S("使用済"), 90, r}, {S("使用率"), 200, r},
            {S("未使用"), 90, r},    {S("状態"), 80, l}};
}

int RateTag(bool filePage) { return filePage ? 7 : 4; }

QString FileGroupListSql()
{
    return QStringLiteral("select min(b.fileid)                                                        ,a.groupid                                                           ,sum(b.size)                                                         ,sum(fileproperty(b.name, 'SpaceUsed'))                            ,filegroup_name(a.groupid)                                           ,filegroupproperty(filegroup_name(a.groupid), 'IsDefault')         ,filegroupproperty(filegroup_name(a.groupid), 'IsReadOnly')        ,count(b.groupid)                                             from sysfilegroups a                                                 left outer join sysfiles b                                           on a.groupid = b.groupid                                             group by a.groupid                                                   order by a.groupid                                                   ");
}

QString FileListSql(int version)
{
    if (version >= 9)
        return QStringLiteral("select name                                      ,physical_name                            ,filegroup_name(data_space_id)            ,size                                     ,max_size                                 ,fileproperty(name, 'SpaceUsed')        ,state_desc                               ,fileproperty(name, 'IsLogFile')        ,is_percent_growth                 from master.sys.master_files              where database_id = db_id(:DB)             and is_name_reserved = 'False'order by type asc, data_space_id asc");
    return QStringLiteral("select name                                      ,filename                                 ,filegroup_name(groupid)                  ,size                                     ,maxsize                                  ,fileproperty(name, 'SpaceUsed')        ,'ONLINE'                               ,fileproperty(name, 'IsLogFile') from sysfiles                             order by groupid");
}

QString GroupMaxSql() { return QStringLiteral("select filegroup_name(groupid), maxsize from sysfiles where groupid = :ID"); }

QStringList Units() { return {QStringLiteral("TB"), QStringLiteral("GB"), QStringLiteral("MB"), QStringLiteral("KB"), QStringLiteral("B")}; }

double UnitDivisor(const QString& unit)
{
    if (unit == QLatin1String("TB"))
        return std::ldexp(1.0, 40);
    if (unit == QLatin1String("GB"))
        return std::ldexp(1.0, 30);
    if (unit == QLatin1String("KB"))
        return 1024;
    if (unit == QLatin1String("B"))
        return 1;
    return 1024 * 1024;
}

QString SizeText(double bytes, const QString& unit)
{
    const QLocale c = QLocale::c();
    QLocale l(c);
    l.setNumberOptions(QLocale::DefaultNumberOptions);
    return l.toString(bytes / UnitDivisor(unit), 'f', unit == QLatin1String("B") ? 0 : 1);
}

double Rate(double size, double used)
{
    if (size <= 0)
        return 0;
    return 1 - (size - used) / size;
}

QStringList GroupCells(const GroupRow& r, const QString& unit)
{
    const double size = Num(r.sizePages) * Page;
    const double used = Num(r.usedPages) * Page;
    const double free = size - used;
    return {r.name,
            SizeText(size, unit),
            r.maxPages < 0 ? QStringLiteral("UNLIMITED") : SizeText(std::max(size, r.maxPages * Page), unit),
            SizeText(size - free, unit),
            QString::number(Rate(size, used)),
            SizeText(free, unit),
            r.isDefault.trimmed() == QLatin1String("1") ? QStringLiteral("*") : QString(),
            r.isReadOnly.trimmed() == QLatin1String("1") ? QStringLiteral("*") : QString(),
            r.fileCount.trimmed()};
}

QStringList FileCells(const FileRow& r, const QString& unit)
{
    const double size = Num(r.sizePages) * Page;
    const double max = Num(r.maxPages) * Page;
    const double used = Num(r.usedPages) * Page;
    const double free = size - used;
    const bool log = r.isLogFile.trimmed() == QLatin1String("1");
    return {r.name.trimmed(),
            r.physicalName.trimmed(),
            log ? S("ログ") : S("データ"),
            log ? QString() : r.groupName,
            SizeText(size, unit),
            max < 0 ? QStringLiteral("UNLIMITED") : SizeText(std::max(size, max), unit),
            SizeText(size - free, unit),
            QString::number(Rate(size, used)),
            SizeText(free, unit),
            r.state};
}

QString DefaultSql(const QString& database, const QString& group)
{
    return catalog::UseText(database) + QStringLiteral("alter database ") + Q(database) + QStringLiteral(" modify filegroup ")
        + Q(group) + QStringLiteral(" default");
}

QString ReadOnlySql(const QString& database, const QString& group, bool readOnly, int version)
{
    const QString option = readOnly ? (version >= 9 ? QStringLiteral(" read_only") : QStringLiteral(" readonly"))
                                    : (version >= 9 ? QStringLiteral(" read_write") : QStringLiteral(" readwrite"));
    return catalog::UseText(database) + QStringLiteral("alter database ") + Q(database) + QStringLiteral(" modify filegroup ")
        + Q(group) + option;
}

QString ReadOnlyCaption(const QString& readOnlyCell)
{
    return readOnlyCell == QLatin1String("*") ? S("読取/書込可能に設定") : S("読取専用に設定");
}

QString OnlineSql(const QString& database, const QString& file, const QString& group)
{
    return catalog::UseText(QStringLiteral("master")) + QStringLiteral("restore database ") + Q(database)
        + QStringLiteral(" file = ") + N(file) + QStringLiteral(", filegroup = ") + N(group) + QStringLiteral(" with recovery");
}

QString OfflineSql(const QString& database, const QString& file)
{
    return catalog::UseText(QStringLiteral("master")) + QStringLiteral("alter database ") + Q(database)
        + QStringLiteral(" modify file (name = ") + Q(file) + QStringLiteral(", OFFLINE)");
}

QString ShrinkSql(const QString& database, const QString& file)
{
    return catalog::UseText(database) + QStringLiteral("dbcc shrinkfile (") + N(file) + QStringLiteral(") with no_infomsgs");
}

QString GroupFilesSql(const QString& database, const QString& group)
{
    return catalog::UseText(database) + QStringLiteral("select name from sysfiles where groupid = filegroup_id(") + N(group)
        + QStringLiteral(")");
}

QString RemoveFileSql(const QString& database, const QString& file)
{
    return QStringLiteral("alter database ") + Q(database) + QStringLiteral(" remove file ") + Q(file);
}

QString RemoveGroupSql(const QString& database, const QString& group)
{
    return QStringLiteral("alter database ") + Q(database) + QStringLiteral(" remove filegroup ") + Q(group);
}

} // namespace qv::storagelist
