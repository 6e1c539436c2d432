#include "sql/sql_history.h"

#include "app/options.h"
#include "app/qvstrings.h"
#include "app/system_helpers.h"
#include "app/textfiles.h"
#include "platform/exceptions.h"

#include <QDir>
#include <QFileInfo>

namespace qv {

SqlLogStore& SqlLogStore::instance()
{
    static SqlLogStore store;
    return store;
}

QString SqlLogStore::workDir()
{
    QString dir = qvOption.TempDir;
    if (!dir.isEmpty() && !dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

static QString inDir(const QString& dir, const QString& name)
{
    if (dir.isEmpty() || dir.endsWith(QLatin1Char('/')))
        return dir + name;
    return dir + QLatin1Char('/') + name;
}

// The work folder and its files are open to the user only: they keep statements as typed.
static void ensureDir(const QString& dir)
{
    if (dir.isEmpty() || QDir(dir).exists())
        return;
    if (!MakePrivatePath(dir))
        throw Exception(QStringLiteral("フォルダを作成できません: %1").arg(dir));
}

// Reads one index; false when the file exists but cannot be read.
static bool loadIndex(const QString& fileName, QStringList& list)
{
    list.clear();
    if (!QFileInfo::exists(fileName))
        return true;
    try {
        list = ReadTextFileLines(fileName, GetFileEncoding());
        return true;
    } catch (const std::exception&) {
        list.clear();
        return false;
    }
}

void SqlLogStore::follow(const QString& dir)
{
    if (!m_bound) {
        m_dir = dir;
        m_bound = true;
    } else if (m_dir != dir) {
        load(dir);
    }
}

void SqlLogStore::load(const QString& dir)
{
    m_dir = dir;
    m_bound = true;
    m_historyLoaded = loadIndex(inDir(dir, historyIndexName()), m_history);
    m_favoritesLoaded = loadIndex(inDir(dir, favoritesIndexName()), m_favorites);
}

void SqlLogStore::saveIndexes(const QString& dir)
{
    follow(dir);
    if (!m_historyLoaded && !m_favoritesLoaded)
        return;
    ensureDir(dir);
    if (m_historyLoaded)
        WritePrivateTextFileLines(inDir(dir, historyIndexName()), m_history, GetFileEncoding());
    if (m_favoritesLoaded)
        WritePrivateTextFileLines(inDir(dir, favoritesIndexName()), m_favorites, GetFileEncoding());
}

QString SqlLogStore::append(const QString& dir, const QStringList& lines, int sqlBuf)
{
    if (sqlBuf <= 0)
        return {};
    follow(dir);
    // Drop the oldest entries until there is room for one more.
    while (m_history.size() >= sqlBuf)
        m_history.removeLast();
    ensureDir(dir);
    for (int n = 1; n <= sqlBuf; ++n) {
        const QString name = historyFileName(n);
        if (m_history.contains(name, Qt::CaseInsensitive))
            continue;
        WritePrivateTextFileLines(inDir(dir, name), lines, GetFileEncoding());
        m_history.prepend(name);
        // A list that could not be read becomes the real list from the first entry on: the
        // entry just written is the only one it can vouch for.
        m_historyLoaded = true;
        WritePrivateTextFileLines(inDir(dir, historyIndexName()), m_history, GetFileEncoding());
        return name;
    }
    return {}; // unreachable: fewer than sqlBuf entries leave a number free
}

int SqlLogStore::nextFavoriteNumber() const
{
    const QString all = m_favorites.join(QStringLiteral("\r\n"));
    for (int n = 1;; ++n) {
        const QString name = favoriteFileName(n);
        // "SQLLOGF1.SQL" must not be found inside "SQLLOGF12.SQL": the name ends at ".SQL",
        // so a plain search is exact.
        if (!all.contains(name))
            return n;
    }
}

void SqlLogStore::registerFavorites(const QString& dir, QList<int> indexes)
{
    follow(dir);
    if (!m_favoritesLoaded)
        throw Exception(QStringLiteral("お気に入りSQLの一覧を読み込めていません。"));
    std::sort(indexes.begin(), indexes.end());
    ensureDir(dir);
    for (auto it = indexes.crbegin(); it != indexes.crend(); ++it) {
        const int n = nextFavoriteNumber();
        const QStringList text = readEntry(historyEntryFile(dir, *it));
        WritePrivateTextFileLines(inDir(dir, favoriteFileName(n)), text, GetFileEncoding());
        m_favorites.prepend(favoriteFileName(n) + QStringLiteral(" お気に入りSQL"));
        WritePrivateTextFileLines(inDir(dir, favoritesIndexName()), m_favorites, GetFileEncoding());
    }
}

void SqlLogStore::renameFavorite(int index, const QString& name)
{
    if (index < 0 || index >= m_favorites.size())
        return;
    m_favorites[index] = TrimWhiteSpace(favoriteFilePart(m_favorites[index])) + QLatin1Char(' ') + TrimWhiteSpace(name);
}

QString SqlLogStore::favoriteFilePart(const QString& line)
{
    const qsizetype p = line.indexOf(QStringLiteral(".SQL"));
    if (p < 0)
        return line;
    return line.left(p + 4);
}

QString SqlLogStore::favoriteDisplayName(const QString& line)
{
    const QString file = favoriteFilePart(line);
    return TrimWhiteSpace(QStringView(line).mid(file.size() + 1));
}

QString SqlLogStore::historyEntryFile(const QString& dir, int index) const
{
    if (index < 0 || index >= m_history.size())
        throw Exception(QStringLiteral("リストのインデックスが範囲を超えています"));
    return inDir(dir, TrimWhiteSpace(m_history.at(index)));
}

QString SqlLogStore::favoriteEntryFile(const QString& dir, int index) const
{
    if (index < 0 || index >= m_favorites.size())
        throw Exception(QStringLiteral("リストのインデックスが範囲を超えています"));
    return inDir(dir, TrimWhiteSpace(favoriteFilePart(m_favorites.at(index))));
}

QStringList SqlLogStore::readEntry(const QString& fileName)
{
    return ReadTextFileLines(fileName, GetFileEncoding());
}

QDateTime SqlLogStore::entryTime(const QString& fileName)
{
    return QFileInfo(fileName).lastModified();
}

void SqlLogStore::reset()
{
    m_history.clear();
    m_favorites.clear();
    m_historyLoaded = m_favoritesLoaded = true;
    m_dir.clear();
    m_bound = false;
}

QString JoinForPreview(const QStringList& lines)
{
    return lines.join(QLatin1Char(' '));
}

} // namespace qv
