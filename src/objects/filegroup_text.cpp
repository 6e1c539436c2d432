#include "objects/filegroup_text.h"

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

} // namespace qv::filegroup
