#pragma once
// The SQL history and the favourite SQL texts: two process-wide lists of index lines, each
// naming one text file in the work folder.
//
//   "SQLLOG.IDX"   history index, newest first: "SQLLOG<n>.SQL" per line, n in 1..SQLBuf
//   "SQLLOGF.IDX"  favourites index: "SQLLOGF<n>.SQL <display name>" per line, shown in order
//
// Every file is written and read in the text-file encoding (GetFileEncoding), lines ended by
// CR LF. An index line is the only link to its file; a file no longer listed stays on disk
// until its number is used again.
//
// The two lists load separately. A list whose index exists but could not be read is marked
// unloaded and is never written back, so a damaged or locked index is not replaced by an
// empty one.
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

namespace qv {

class SqlLogStore {
public:
    // The process-wide store (SQLHistoryList / SQLFavoriteList of every SQL window).
    static SqlLogStore& instance();

    QStringList& history() { return m_history; }
    QStringList& favorites() { return m_favorites; }
    const QStringList& history() const { return m_history; }
    const QStringList& favorites() const { return m_favorites; }
    bool historyLoaded() const { return m_historyLoaded; }
    bool favoritesLoaded() const { return m_favoritesLoaded; }

    // The work folder (the `TempDir` option) with a final "/".
    static QString workDir();
    static QString historyIndexName() { return QStringLiteral("SQLLOG.IDX"); }
    static QString favoritesIndexName() { return QStringLiteral("SQLLOGF.IDX"); }
    static QString historyFileName(int n) { return QStringLiteral("SQLLOG%1.SQL").arg(n); }
    static QString favoriteFileName(int n) { return QStringLiteral("SQLLOGF%1.SQL").arg(n); }

    // Reads both indexes from `dir`, each on its own. A missing index gives an empty, loaded
    // list; an unreadable one an empty list that stays unloaded.
    void load(const QString& dir);
    // Writes both lists to their index files, skipping a list that failed to load. Creates the
    // folder when missing. Write failures throw.
    void saveIndexes(const QString& dir);

    // Stores one run text as the newest history entry, keeping at most `sqlBuf` entries (0 or
    // less keeps none and stores nothing). Entries beyond the limit (after the option was
    // lowered) are dropped first, oldest first, so a new text is always stored. Throws on a
    // write failure. Returns the index line stored, or an empty text.
    QString append(const QString& dir, const QStringList& lines, int sqlBuf);

    // The first n from 1 whose "SQLLOGF<n>.SQL" occurs nowhere in the favourites text.
    int nextFavoriteNumber() const;
    // Copies the history entries at `indexes` into new favourites named "お気に入りSQL",
    // walking from the last index to the first so they end up at the top in history order.
    // Writes the favourites index after each one; throws on the first failure (entries
    // registered before it stay).
    void registerFavorites(const QString& dir, QList<int> indexes);
    // The favourite at `index` gets a new display name (blanks, tabs, CR and LF stripped).
    void renameFavorite(int index, const QString& name);

    // The file part of a favourites line: up to and including the first ".SQL".
    static QString favoriteFilePart(const QString& line);
    // The display name: the rest after the file part and one separator, trimmed.
    static QString favoriteDisplayName(const QString& line);

    // The file of an entry of either list (history: the line; favourites: the file part).
    QString historyEntryFile(const QString& dir, int index) const;
    QString favoriteEntryFile(const QString& dir, int index) const;
    // The lines of a stored text (throws when unreadable).
    static QStringList readEntry(const QString& fileName);
    static QDateTime entryTime(const QString& fileName);

    // Used by tests and the start-up: empty lists, both loaded, not yet tied to a folder.
    void reset();

private:
    // The lists belong to one work folder: the first one used, or the one last loaded. Working
    // on another folder (the option was read after the lists, or changed) loads that folder's
    // lists first, so its index files are never overwritten with another folder's lists.
    void follow(const QString& dir);
    QString m_dir;
    bool m_bound = false;
    QStringList m_history;
    QStringList m_favorites;
    bool m_historyLoaded = true;
    bool m_favoritesLoaded = true;
};

// Joined lines of a stored text for the one-line list preview.
QString JoinForPreview(const QStringList& lines);

} // namespace qv
