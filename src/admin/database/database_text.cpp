#include "admin/database/database_text.h"

#include "app/qvstrings.h"
#include "platform/exceptions.h"

#include <QSet>

#include <algorithm>
#include <cmath>

namespace qv::database {

namespace {
const QString Go = QStringLiteral("go");
constexpr double MaxKb = 2147483647.0;

QString Q(const QString& name) { return QuoteIdentifier(name.trimmed(), true); }
QString NLit(const QString& text) { return QStringLiteral("N") + QuoteLiteral(text); }
QString Num(double v) { return QString::number(v, 'g', 15); }

double ToNumber(const QString& text, bool strict)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok) {
        if (strict)
            throw Exception(QStringLiteral("'%1' は有効な浮動小数点数値ではありません。").arg(text));
        return 0;
    }
    return v;
}

QString MaxClause(const QString& maxPages)
{
    if (maxPages.trimmed() == QLatin1String("-1"))
        return QStringLiteral(", MAXSIZE = UNLIMITED");
    return QStringLiteral(", MAXSIZE = ") + Num(std::min(ToNumber(maxPages, false) * 8, MaxKb)) + QStringLiteral("KB");
}

QString GrowthClause(const FileRow& r)
{
    QString g;
    if (r.growth.trimmed() == QLatin1String("0"))
        g = QStringLiteral("0");
    else if (r.growthKind.trimmed() == QLatin1String("2"))
        g = r.growth.trimmed() + QStringLiteral("%");
    else
        g = Num(ToNumber(r.growth, false) * 8) + QStringLiteral("KB");
    return QStringLiteral(", FILEGROWTH = ") + g;
}

QString WithSlash(const QString& folder)
{
    return folder.endsWith(QLatin1Char('\\')) ? folder : folder + QLatin1Char('\\');
}

QString FileLine(const FileRow& r, const QString& extension, bool strictSize)
{
    const QString file = r.fileName.trimmed().isEmpty() ? r.logical.trimmed() + extension : r.fileName.trimmed();
    return QStringLiteral("( NAME = N") + QuoteLiteral(r.logical.trimmed()) + QStringLiteral(", FILENAME = N") +
           QuoteLiteral(WithSlash(r.folder.trimmed()) + file) + QStringLiteral(", SIZE = ") +
           Num(ToNumber(r.sizeMb, strictSize) * 1024) + QStringLiteral("KB") + MaxClause(r.maxPages) +
           GrowthClause(r) + QStringLiteral(") ,");
}

void DropLastChar(QStringList& lines)
{
    if (!lines.isEmpty())
        lines.last().chop(1);
}

QString Alter(const QString& name) { return QStringLiteral("ALTER DATABASE ") + Q(name); }

const QStringList RecoveryText = {QStringLiteral(" SET RECOVERY FULL"), QStringLiteral(" SET RECOVERY BULK_LOGGED"),
                                  QStringLiteral(" SET RECOVERY SIMPLE")};

QString ContainmentText(int containment)
{
    return containment == 1 ? QStringLiteral(" SET CONTAINMENT = PARTIAL") : QStringLiteral(" SET CONTAINMENT = NONE");
}

QStringList FullTextLines(const QString& name, bool on)
{
    return {QStringLiteral("IF (1 = FULLTEXTSERVICEPROPERTY('IsFullTextInstalled'))"), QStringLiteral("begin"),
            QStringLiteral("EXEC ") + Q(name) + QStringLiteral(".[dbo].[sp_fulltext_database] @action = ") +
                (on ? QStringLiteral("'enable'") : QStringLiteral("'disable'")),
            QStringLiteral("end"), Go};
}

QStringList CompatLines(const Definition& d, const Target& t)
{
    const QList<int> levels = CompatLevels(t.serverVersion, t.azure);
    if (d.compatIndex < 0 || d.compatIndex >= levels.size())
        return {};
    return {QStringLiteral("EXEC dbo.sp_dbcmptlevel @dbname=") + NLit(d.name.trimmed()) +
                QStringLiteral(", @new_cmptlevel=") + QString::number(levels[d.compatIndex]),
            Go};
}

// The ON/OFF statements of the option check boxes before 2005, in script order.
struct BoxText {
    bool Definition::*box;
    const char* on;
    const char* off;
};
const BoxText Boxes[] = {
    {&Definition::ansiNull, " SET ANSI_NULL_DEFAULT ON", " SET ANSI_NULL_DEFAULT OFF"},
    {&Definition::autoClose, " SET AUTO_CLOSE ON", " SET AUTO_CLOSE OFF"},
    {&Definition::autoCreate, " SET AUTO_CREATE_STATISTICS ON", " SET AUTO_CREATE_STATISTICS OFF"},
    {&Definition::autoShrink, " SET AUTO_SHRINK ON", " SET AUTO_SHRINK OFF"},
    {&Definition::autoUpdate, " SET AUTO_UPDATE_STATISTICS ON", " SET AUTO_UPDATE_STATISTICS OFF"},
    {&Definition::quotedIdentifier, " SET QUOTED_IDENTIFIER ON", " SET QUOTED_IDENTIFIER OFF"},
    {&Definition::recursiveTriggers, " SET RECURSIVE_TRIGGERS ON", " SET RECURSIVE_TRIGGERS OFF"},
};

QString AccessText(const Definition& d)
{
    if (!d.restrictAccess)
        return QStringLiteral(" SET  MULTI_USER");
    return d.singleUser ? QStringLiteral(" SET  SINGLE_USER") : QStringLiteral(" SET  RESTRICTED_USER");
}
QString ReadOnlyText(bool on) { return on ? QStringLiteral(" SET  READ_ONLY ") : QStringLiteral(" SET  READ_WRITE"); }
QString TornPageText(bool on)
{
    return on ? QStringLiteral(" SET  TORN_PAGE_DETECTION ON") : QStringLiteral(" SET TORN_PAGE_DETECTION OFF");
}

bool OptionScripted(const QString& caption, int containment)
{
    const OptionRowDef* def = FindOptionRow(caption);
    return def && (!def->containment || containment == 1);
}

QStringList AzureLines(const Definition& d, const QString& verb)
{
    const QString size = AzureSizes.value(d.sizeIndex, AzureSizes.first());
    const QString edition = d.editionIndex == 1 ? QStringLiteral("business") : QStringLiteral("web");
    QStringList out;
    if (verb.isEmpty())
        out << QStringLiteral("CREATE DATABASE ") + Q(d.name);
    else
        out << Alter(d.name) << verb;
    out << QStringLiteral("(") << QStringLiteral("    MAXSIZE = ") + size + QStringLiteral(",")
        << QStringLiteral("    EDITION = ") + QuoteLiteral(edition) << QStringLiteral(")") << Go;
    return out;
}
} // namespace

bool FileRow::IsBlank() const
{
    return logical.trimmed().isEmpty() && kind.trimmed().isEmpty() && group.trimmed().isEmpty() &&
           sizeMb.trimmed().isEmpty() && folder.trimmed().isEmpty();
}

QString PagesToMb(const QString& pages) { return Num(ToNumber(pages, false) * 8 / 1024); }
QString MbToPages(const QString& mb) { return Num(ToNumber(mb, false) * 1024 / 8); }

Growth ShowFileGrowth(const FileRow& row)
{
    Growth g;
    const QString growth = row.growth.trimmed();
    if (growth.isEmpty() || growth == QLatin1String("0"))
        return g;
    g.autoGrow = true;
    if (row.growthKind.trimmed() != QLatin1String("1")) {
        g.percent = true;
        g.percentText = growth;
    } else {
        g.mbText = PagesToMb(growth);
    }
    if (row.maxPages.trimmed() != QLatin1String("-1")) {
        g.limited = true;
        g.maxText = PagesToMb(row.maxPages);
    }
    return g;
}

void StoreFileGrowth(const Growth& g, FileRow& row)
{
    if (!g.autoGrow) {
        row.growth = QStringLiteral("0");
        row.growthKind = QStringLiteral("1");
        row.maxPages = QStringLiteral("-1");
        return;
    }
    auto intOrOne = [](const QString& text) {
        bool ok = false;
        const int v = text.trimmed().toInt(&ok);
        return ok ? v : 1;
    };
    if (g.percent) {
        row.growth = g.percentText.trimmed();
        row.growthKind = QStringLiteral("2");
    } else {
        row.growth = QString::number(qint64(intOrOne(g.mbText)) * 1024 / 8);
        row.growthKind = QStringLiteral("1");
    }
    row.maxPages = g.limited ? QString::number(qint64(intOrOne(g.maxText)) * 1024 / 8) : QStringLiteral("-1");
}

QList<FileRow> NewFileRows(const QString& rootDir, const QString& name)
{
    const QString folder = rootDir + QStringLiteral("\\DATA\\");
    FileRow data{name, DataKind, QStringLiteral("PRIMARY"), QString(), folder, QString(),
                 QStringLiteral("128"), QStringLiteral("1"), QStringLiteral("-1")};
    FileRow log{name + QStringLiteral("_log"), LogKind, NoGroup, QString(), folder, QString(),
                QStringLiteral("10"), QStringLiteral("2"), QStringLiteral("-1")};
    return {data, log};
}

QList<GroupRow> NewGroupRows()
{
    return {GroupRow{QStringLiteral("PRIMARY"), QStringLiteral("1"), QStringLiteral("-1"), QStringLiteral("1")}};
}

FileCheck ValidateFiles(QList<FileRow>& files)
{
    files.erase(std::remove_if(files.begin(), files.end(), [](const FileRow& r) { return r.IsBlank(); }),
                files.end());
    const bool hasData = std::any_of(files.begin(), files.end(), [](const FileRow& r) { return r.kind == DataKind; });
    const bool hasLog = std::any_of(files.begin(), files.end(), [](const FileRow& r) { return r.kind == LogKind; });
    if (!hasData || !hasLog)
        return {false, QStringLiteral("データファイル、ログファイルは最低1つずつ必要です。")};
    static const char* const messages[] = {"論理名を指定して下さい。", "ファイルの種類を指定して下さい。",
                                           "ファイルグループを指定して下さい。", "初期サイズを指定して下さい。",
                                           "パスを指定して下さい。"};
    for (int i = 0; i < files.size(); ++i) {
        const FileRow& r = files[i];
        const QString cells[] = {r.logical, r.kind, r.group, r.sizeMb, r.folder};
        for (int c = 0; c < 5; ++c)
            if (cells[c].trimmed().isEmpty())
                return {false, QString::fromUtf8(messages[c]), i + 1, c};
    }
    if (files.isEmpty())
        return {false, QStringLiteral("項目列を１つ以上指定して下さい。")};
    return {};
}

QList<int> CompatLevels(int serverVersion, bool azure)
{
    if (azure)
        return {100, 110, 120, 130, 140, 150};
    switch (serverVersion) {
    // SQL Server 2000 knows levels up to its own 80 only.
    case 8: return {70, 80};
    case 9: return {70, 80, 90};
    case 10: return {80, 90, 100};
    case 11: return {90, 100, 110};
    case 12: return {100, 110, 120};
    case 13: return {100, 110, 120, 130};
    case 14: return {100, 110, 120, 130, 140};
    case 15: return {100, 110, 120, 130, 140, 150};
    default: return {70, 80, 90, 100, 110, 120, 130, 140, 150};
    }
}

QString CompatCaption(int level)
{
    static const QHash<int, const char*> names = {{70, "7.0"},   {80, "2000"},  {90, "2005"},
                                                  {100, "2008"}, {110, "2012"}, {120, "2014"},
                                                  {130, "2016"}, {140, "2017"}, {150, "2019"}};
    return QStringLiteral("SQL Server %1 (%2)").arg(QString::fromLatin1(names.value(level, "")), QString::number(level));
}

int DefaultCompatIndex(int serverVersion, bool azure)
{
    return azure ? -1 : int(CompatLevels(serverVersion, false).size()) - 1;
}

int CompatIndexOfLevel(const QList<int>& levels, int level)
{
    const int i = int(levels.indexOf(level));
    return i < 0 ? 0 : i;
}

QString OwnerListQuery()
{
    return QStringLiteral("select loginname from master..syslogins where loginname not like'%##%' ");
}

QString CollationQuery(bool azure)
{
    return azure ? QStringLiteral("select collation_name from sys.databases where name = :NAME")
                 : QStringLiteral("select DATABASEPROPERTYEX(name, N'collation')   from master.dbo.sysdatabases where name = :NAME");
}

QString FileQuery(const QString& database)
{
    // The growth kind is the percent-growth bit (0x100000) of the file's status.
    return QStringLiteral("use ") + Q(database) +
           QStringLiteral("\r\nselect  fileid ,filegroup_name(groupid) group_name ,size ,maxsize ,growth ,case "
                          "when status & 0x100000 = 0 then 1 else 2 end    persentgrowth ,name ,filename "
                          ",fileproperty(name, 'IsLogFile') filekind from  sysfiles");
}

QString FileGroupQuery()
{
    return QStringLiteral(
        "select  gp.groupid ,gp.groupname ,filegroupproperty(filegroup_name(gp.groupid), 'IsDefault') def "
        ",filegroupproperty(filegroup_name(gp.groupid), 'IsReadOnly') readonly ,fl.cnt from  sysfilegroups gp "
        "left outer join (select  groupid ,count(*) cnt from  sysfiles group by groupid) fl on  gp.groupid = fl.groupid");
}

QString FileGroupNamesQuery(const QString& database)
{
    return QStringLiteral("use ") + Q(database) + QStringLiteral("\r\nselect groupname from sysfilegroups");
}

QString RootDirQuery()
{
    return QStringLiteral("declare @SmoRoot nvarchar(512)\r\n"
                          "exec master.dbo.xp_instance_regread N'HKEY_LOCAL_MACHINE', "
                          "N'SOFTWARE\\Microsoft\\MSSQLServer\\Setup', N'SQLPath', @SmoRoot OUTPUT\r\n"
                          "select @SmoRoot");
}

QString ReadOnlyGroupQuery(const QString& group)
{
    return QStringLiteral("SELECT convert(bit, (status & 0x08)) FROM sysfilegroups WHERE groupname=") + NLit(group);
}

void CoupleAzureSize(int& sizeIndex, int& editionIndex, bool sizeChosen)
{
    if (sizeChosen) {
        if (sizeIndex < 2 && editionIndex == 1)
            editionIndex = 0;
        else if (sizeIndex >= 2 && editionIndex == 0)
            editionIndex = 1;
    } else {
        if (editionIndex == 1 && sizeIndex < 2)
            sizeIndex = 2;
        else if (editionIndex == 0 && sizeIndex > 1)
            sizeIndex = 0;
    }
}

QStringList CreateScript(const Definition& d, const Target& t, const LcidLookup& lcidOf)
{
    if (t.azure)
        return AzureLines(d, QString());
    const QString name = d.name.trimmed();
    QStringList out;
    // Groups named by data files, PRIMARY left out, sorted without duplicates.
    QStringList groups;
    for (const auto& f : d.files)
        if (!f.IsLog() && f.group.trimmed() != QLatin1String("PRIMARY") && !groups.contains(f.group.trimmed()))
            groups << f.group.trimmed();
    groups.sort();

    out << QStringLiteral("CREATE DATABASE ") + Q(name) + QStringLiteral(" ON  PRIMARY ");
    bool first = true;
    for (const auto& f : d.files)
        if (!f.IsLog() && f.group.trimmed() == QLatin1String("PRIMARY")) {
            out << FileLine(f, first ? QStringLiteral(".mdf") : QStringLiteral(".ndf"), true);
            first = false;
        }
    for (const auto& g : groups) {
        out << QStringLiteral(" FILEGROUP ") + Q(g);
        for (const auto& f : d.files)
            if (!f.IsLog() && f.group.trimmed() == g)
                out << FileLine(f, QStringLiteral(".ndf"), false);
    }
    DropLastChar(out);
    const bool hasLog = std::any_of(d.files.begin(), d.files.end(), [](const FileRow& f) { return f.IsLog(); });
    if (hasLog) {
        out << QStringLiteral(" LOG ON");
        for (const auto& f : d.files)
            if (f.IsLog())
                out << FileLine(f, QStringLiteral(".ldf"), false);
        DropLastChar(out);
    }
    if (d.collationIndex > 0 && !d.collation.trimmed().isEmpty())
        out << QStringLiteral(" COLLATE ") + d.collation.trimmed();
    out << Go;

    QSet<QString> named;
    for (const auto& f : d.files)
        named.insert(f.group.trimmed());
    QString defaultGroup;
    for (const auto& g : d.groups) {
        if (g.name.trimmed().isEmpty())
            continue;
        if (!named.contains(g.name.trimmed()))
            out << Alter(name) + QStringLiteral(" ADD FILEGROUP ") + Q(g.name) << Go;
        if (g.isDefault.trimmed() == QLatin1String("1"))
            defaultGroup = g.name.trimmed();
    }
    out << CompatLines(d, t);
    out << FullTextLines(name, d.fullText);
    if (t.connVersion >= 9) {
        out << Alter(name) + RecoveryText.value(d.recovery, RecoveryText.first()) << Go;
        if (t.connVersion >= 11)
            out << Alter(name) + ContainmentText(d.containment) << Go;
        for (const auto& o : d.options) {
            if (o.value.trimmed().isEmpty() || !OptionScripted(o.caption, d.containment))
                continue;
            if (o.caption == QStringLiteral("暗号化有効") && o.value.trimmed() != QLatin1String("ON"))
                continue;
            const QString text = OptionStatement(o.caption, o.value, lcidOf);
            if (!text.isEmpty())
                out << Alter(name) + text << Go;
        }
    } else {
        for (const auto& b : Boxes)
            out << Alter(name) + QString::fromLatin1(d.*b.box ? b.on : b.off) << Go;
        out << Alter(name) + ReadOnlyText(d.readOnly) << Go;
        out << Alter(name) + RecoveryText.value(d.recovery, RecoveryText.first()) << Go;
        out << Alter(name) + AccessText(d) << Go;
        out << Alter(name) + TornPageText(d.tornPage) << Go;
    }
    out << QStringLiteral("USE ") + Q(name) << Go;
    // With no group marked default, PRIMARY stays the default and nothing is written.
    if (!defaultGroup.isEmpty()) {
        out << QStringLiteral("IF NOT EXISTS (SELECT groupname FROM dbo.sysfilegroups WHERE (status & 0x10) != 0 "
                              "AND groupname = ") +
                   NLit(defaultGroup) + QStringLiteral(") ALTER DATABASE ") + Q(name) +
                   QStringLiteral(" MODIFY FILEGROUP ") + Q(defaultGroup) + QStringLiteral(" DEFAULT")
            << Go;
    }
    for (const auto& g : groups)
        for (const auto& row : d.groups)
            if (row.name.trimmed() == g && row.readOnly.trimmed() == QLatin1String("1"))
                out << Alter(name) + QStringLiteral(" MODIFY FILEGROUP ") + Q(g) + QStringLiteral(" READONLY") << Go;
    if (d.ownerIndex > 0 && !d.owner.trimmed().isEmpty() &&
        (t.connVersion >= 9 || d.owner.trimmed() != t.sessionLogin.trimmed()))
        out << QStringLiteral("EXEC dbo.sp_changedbowner @loginame = ") + NLit(d.owner.trimmed()) +
                   QStringLiteral(", @map = false ")
            << Go;
    return out;
}

QStringList AlterScript(const Definition& now, const Definition& was, const Target& t, const LcidLookup& lcidOf,
                        const ReadOnlyProbe& readOnly)
{
    const QString name = now.name.trimmed();
    if (t.azure) {
        if (now.sizeIndex != was.sizeIndex || now.editionIndex != was.editionIndex)
            return AzureLines(now, QStringLiteral("MODIFY"));
        return {};
    }
    QStringList head; // statements that must come first (containment before its options)
    QStringList out;
    bool inMaster = true;
    auto toMaster = [&] {
        if (!inMaster)
            out << QStringLiteral("USE [master]") << Go;
        inMaster = true;
    };
    auto toDatabase = [&] {
        out << QStringLiteral("USE ") + Q(name) << Go;
        inMaster = false;
    };

    // 1. Server-level properties.
    const bool collation = now.collationIndex != was.collationIndex || now.collation != was.collation;
    const bool fullText = now.fullText != was.fullText;
    const bool compat = now.compatIndex != was.compatIndex;
    if (collation || fullText || compat) {
        out << QStringLiteral("USE [master]") << Go;
        inMaster = true;
        if (collation)
            out << Alter(name) + QStringLiteral(" COLLATE ") + now.collation.trimmed() << Go;
        if (fullText)
            out << FullTextLines(name, now.fullText);
        if (compat)
            out << CompatLines(now, t);
    }

    // 2. File groups.
    if (now.groups != was.groups) {
        toMaster();
        for (int i = 0; i < now.groups.size(); ++i) {
            const GroupRow& g = now.groups[i];
            const QString group = g.name.trimmed();
            if (group.isEmpty())
                continue;
            if (!g.files.trimmed().isEmpty()) {
                const GroupRow* old = nullptr;
                for (const auto& w : was.groups)
                    if (w.name.trimmed() == group)
                        old = &w;
                const bool roChanged = !old || old->readOnly != g.readOnly;
                if (roChanged && group != QLatin1String("PRIMARY")) {
                    const bool ticked = g.readOnly.trimmed() == QLatin1String("1");
                    const bool serverRo = readOnly ? readOnly(group) : !ticked;
                    if (ticked && !serverRo)
                        out << Alter(name) + QStringLiteral(" MODIFY FILEGROUP ") + Q(group) + QStringLiteral(" READONLY") << Go;
                    else if (!ticked && serverRo)
                        out << Alter(name) + QStringLiteral(" MODIFY FILEGROUP ") + Q(group) + QStringLiteral(" READWRITE") << Go;
                }
                if ((!old || old->isDefault != g.isDefault) && g.isDefault.trimmed() == QLatin1String("1"))
                    out << Alter(name) + QStringLiteral(" MODIFY FILEGROUP ") + Q(group) + QStringLiteral(" DEFAULT") << Go;
            } else {
                out << Alter(name) + QStringLiteral(" ADD FILEGROUP ") + Q(group) << Go;
            }
        }
        for (const auto& w : was.groups) {
            const QString group = w.name.trimmed();
            if (group.isEmpty())
                continue;
            const bool kept = std::any_of(now.groups.begin(), now.groups.end(),
                                          [&](const GroupRow& g) { return g.name.trimmed() == group; });
            if (kept)
                continue;
            toDatabase();
            for (const auto& f : now.files)
                if (f.group.trimmed() == group)
                    out << Alter(name) + QStringLiteral("  REMOVE FILE ") + Q(f.logical) << Go;
            out << Alter(name) + QStringLiteral("  REMOVE FILEGROUP ") + Q(group) << Go;
        }
    }

    // 3. Files.
    if (now.files != was.files) {
        toMaster();
        for (const auto& f : now.files) {
            const QString logical = f.logical.trimmed();
            if (logical.isEmpty())
                continue;
            if (!f.fileName.trimmed().isEmpty()) {
                for (const auto& w : was.files) {
                    if (w.fileName.trimmed() != f.fileName.trimmed())
                        continue;
                    if (w.logical.trimmed() != logical)
                        out << Alter(name) + QStringLiteral(" MODIFY FILE (NAME=") + NLit(w.logical.trimmed()) +
                                   QStringLiteral(", NEWNAME=") + NLit(logical) + QStringLiteral(")")
                            << Go;
                    const bool size = w.sizeMb.trimmed() != f.sizeMb.trimmed();
                    const bool max = w.maxPages.trimmed() != f.maxPages.trimmed();
                    const bool growth = w.growth.trimmed() != f.growth.trimmed() ||
                                        w.growthKind.trimmed() != f.growthKind.trimmed();
                    if (size || max || growth) {
                        QString s = Alter(name) + QStringLiteral(" MODIFY FILE  ( NAME = ") + NLit(logical);
                        if (size)
                            s += QStringLiteral(", SIZE = ") + Num(ToNumber(f.sizeMb, true) * 1024) + QStringLiteral("KB");
                        if (max)
                            s += MaxClause(f.maxPages);
                        if (growth)
                            s += GrowthClause(f);
                        out << s + QStringLiteral(")") << Go;
                    }
                }
            } else {
                const QString folder = WithSlash(f.folder.trimmed());
                QString s = Alter(name) + (f.IsLog() ? QStringLiteral(" ADD LOG FILE ( NAME = ") : QStringLiteral(" ADD FILE  ( NAME = ")) +
                            NLit(logical) + QStringLiteral(", FILENAME = ") +
                            NLit(folder + logical + (f.IsLog() ? QStringLiteral(".ldf") : QStringLiteral(".ndf"))) +
                            QStringLiteral(", SIZE = ") + Num(ToNumber(f.sizeMb, true) * 1024) + QStringLiteral("KB") +
                            MaxClause(f.maxPages) + GrowthClause(f);
                s += f.IsLog() ? QStringLiteral(")") : QStringLiteral(") TO FILEGROUP ") + Q(f.group);
                out << s << Go;
            }
        }
        // A removed file is an existing file whose physical file no row holds any more (a
        // renamed logical name keeps its file).
        for (const auto& w : was.files) {
            const QString logical = w.logical.trimmed();
            if (logical.isEmpty())
                continue;
            const bool kept = std::any_of(now.files.begin(), now.files.end(), [&](const FileRow& f) {
                return w.fileName.trimmed().isEmpty() ? f.logical.trimmed() == logical
                                                      : f.fileName.trimmed() == w.fileName.trimmed();
            });
            if (kept)
                continue;
            toDatabase();
            out << Alter(name) + QStringLiteral("  REMOVE FILE ") + Q(logical) << Go;
        }
    }

    // 4./5. Options.
    if (t.connVersion >= 9) {
        if (now.options != was.options || now.recovery != was.recovery || now.containment != was.containment) {
            toMaster();
            if (now.recovery != was.recovery)
                head << Alter(name) + RecoveryText.value(now.recovery, RecoveryText.first()) << Go;
            if (now.containment != was.containment && t.connVersion >= 11)
                head.prepend(Go), head.prepend(Alter(name) + ContainmentText(now.containment));
            for (int i = 0; i < now.options.size(); ++i) {
                const OptionValue& o = now.options[i];
                const QString old = i < was.options.size() ? was.options[i].value : QString();
                if (o.value == old || o.value.trimmed().isEmpty() || !OptionScripted(o.caption, now.containment))
                    continue;
                const QString text = OptionStatement(o.caption, o.value, lcidOf);
                if (!text.isEmpty())
                    out << Alter(name) + text << Go;
            }
        }
    } else {
        bool any = now.restrictAccess != was.restrictAccess || now.singleUser != was.singleUser ||
                   now.readOnly != was.readOnly || now.recovery != was.recovery || now.tornPage != was.tornPage;
        for (const auto& b : Boxes)
            any = any || now.*b.box != was.*b.box;
        if (any) {
            toMaster();
            for (const auto& b : Boxes)
                if (now.*b.box != was.*b.box)
                    out << Alter(name) + QString::fromLatin1(now.*b.box ? b.on : b.off) << Go;
            if (now.recovery != was.recovery)
                out << Alter(name) + RecoveryText.value(now.recovery, RecoveryText.first()) << Go;
            if (now.restrictAccess != was.restrictAccess || (now.restrictAccess && now.singleUser != was.singleUser))
                out << Alter(name) + AccessText(now) << Go;
            if (now.tornPage != was.tornPage)
                out << Alter(name) + TornPageText(now.tornPage) << Go;
        }
    }
    // 6. Read-only.
    if (now.readOnly != was.readOnly) {
        toMaster();
        out << Alter(name) + ReadOnlyText(now.readOnly) << Go;
    }
    return head + out;
}

QStringList DropScript(const QString& name, bool withUse)
{
    QStringList out;
    if (withUse)
        out << QStringLiteral("use [master]") << Go;
    out << QStringLiteral("DROP DATABASE ") + Q(name) << Go;
    return out;
}

} // namespace qv::database
