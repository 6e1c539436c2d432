#include "sql/sql_files.h"

#include "app/textfiles.h"
#include "platform/textcodec.h"

namespace qv {

QStringList LoadSqlFiles(QStringList fileNames)
{
    fileNames.sort();
    QStringList lines;
    for (const QString& name : fileNames)
        lines += ReadTextFileLines(name, GetFileEncoding());
    return lines;
}

QString SqlSaveFileName(const QString& chosen, int filterIndex)
{
    if (HasKnownFileExt(chosen))
        return chosen;
    return chosen + (filterIndex == 1 ? QStringLiteral(".txt") : QStringLiteral(".sql"));
}

void SaveSqlFile(const QString& fileName, const QStringList& lines)
{
    WriteTextFileLines(fileName, lines, GetFileEncoding(), false);
}

QString SqlFileFilter()
{
    return QStringLiteral("SQLファイル(*.sql);;テキストファイル(*.txt);;すべてのファイル(*.*)");
}

} // namespace qv
