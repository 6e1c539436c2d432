#include "sql/sql_files.h"

#include "app/textfiles.h"

#include <algorithm>

namespace qv {

QString SqlSaveFileName(const QString& chosen, int filterIndex)
{
    if (HasKnownFileExt(chosen))
        return chosen;
    return chosen + (filterIndex == 1 ? QStringLiteral(".txt") : QStringLiteral(".sql"));
}

QString SqlFileFilter()
{
    return QStringLiteral("SQLファイル(*.sql);;テキストファイル(*.txt);;すべてのファイル(*.*)");
}

int SqlFileFilterIndex(const QString& filter)
{
    return std::max<int>(0, SqlFileFilter().split(QStringLiteral(";;")).indexOf(filter));
}

} // namespace qv
