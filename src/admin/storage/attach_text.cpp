#include "admin/storage/attach_text.h"

#include "app/qvstrings.h"

namespace qv::attach {

namespace {
QString N(const QString& text) { return QStringLiteral("N") + QuoteLiteral(text); }
} // namespace

QString CheckPrimaryFileSql(int mode)
{
    return QStringLiteral("dbcc checkprimaryfile (:FILE , ") + QString::number(mode) + QStringLiteral(")");
}

QString DatabaseName(const QList<QStringList>& rows)
{
    for (const QStringList& row : rows)
        if (row.value(0) == QLatin1String("Database name"))
            return row.value(1);
    return QString();
}

QString FileKind(const QString& file)
{
    const QString name = file.trimmed().toUpper();
    if (name.endsWith(QStringLiteral(".MDF")) || name.endsWith(QStringLiteral(".NDF")))
        return QStringLiteral("DATA");
    if (name.endsWith(QStringLiteral(".LDF")))
        return QStringLiteral("LOG");
    return QString();
}

Check CheckAttach(const QString& database, int fileRows)
{
    if (database.isEmpty())
        return Check::NoDatabase;
    if (fileRows < 2)
        return Check::NoFiles;
    return Check::Ok;
}

QString CheckText(Check check)
{
    switch (check) {
    case Check::Ok: return QString();
    case Check::NoDatabase: return QStringLiteral("データベース名を入力して下さい。");
    case Check::NoFiles: return QStringLiteral("ファイルを入力して下さい。");
    }
    return QString();
}

QString AttachSql(const QString& database, const QStringList& files)
{
    QString sql = QStringLiteral("sp_attach_db ") + N(database);
    for (const QString& f : files)
        sql += QStringLiteral(",") + N(f);
    return sql;
}

QString FolderOf(const QString& file)
{
    const qsizetype at = std::max(file.lastIndexOf(u'\\'), file.lastIndexOf(u'/'));
    return at < 0 ? QString() : file.left(at + 1);
}

} // namespace qv::attach
