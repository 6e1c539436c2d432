#include "sql/sql_history.h"

#include "app/options.h"
#include "app/textfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qv;

namespace {

struct History : ::testing::Test {
    QTemporaryDir tmp;
    QString dir;
    SqlLogStore store;
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        dir = tmp.path() + QStringLiteral("/work/");
    }
    QStringList readLines(const QString& name) { return ReadTextFileLines(dir + name, GetFileEncoding()); }
    void write(const QString& name, const QStringList& lines)
    {
        QDir().mkpath(dir);
        WriteTextFileLines(dir + name, lines, GetFileEncoding());
    }
};

} // namespace

TEST_F(History, AppendStoresNewestFirstAndCreatesTheFolder)
{
    EXPECT_EQ(store.append(dir, {"select 1", "from t"}, 32), "SQLLOG1.SQL");
    EXPECT_EQ(store.append(dir, {"select 2"}, 32), "SQLLOG2.SQL");
    EXPECT_EQ(store.history(), (QStringList{"SQLLOG2.SQL", "SQLLOG1.SQL"}));
    EXPECT_EQ(readLines("SQLLOG.IDX"), store.history());
    EXPECT_EQ(readLines("SQLLOG1.SQL"), (QStringList{"select 1", "from t"}));
    EXPECT_EQ(store.readEntry(store.historyEntryFile(dir, 0)), QStringList{"select 2"});
}

TEST_F(History, FullHistoryDropsTheOldestAndReusesItsNumber)
{
    // 32 entries; the oldest (last line) is entry 5, numbers 1 to 4 are listed.
    QStringList lines;
    for (int n = 1; n <= 32; ++n)
        if (n != 5)
            lines << SqlLogStore::historyFileName(n);
    lines << SqlLogStore::historyFileName(5);
    store.history() = lines;
    EXPECT_EQ(store.append(dir, {"new"}, 32), "SQLLOG5.SQL");
    ASSERT_EQ(store.history().size(), 32);
    EXPECT_EQ(store.history().first(), "SQLLOG5.SQL");
    EXPECT_EQ(store.history().mid(1), lines.mid(0, 31));
    EXPECT_EQ(readLines("SQLLOG5.SQL"), QStringList{"new"});
}

TEST_F(History, LoweredLimitTrimsFirstAndStillStores)
{
    for (int n = 32; n >= 1; --n)
        store.history() << SqlLogStore::historyFileName(n); // newest 32 … oldest 1
    // Limit lowered to 4: the list is cut to 3, then the new one goes on top. Entries 30-32
    // remain and number 1 is free.
    EXPECT_EQ(store.append(dir, {"x"}, 4), "SQLLOG1.SQL");
    EXPECT_EQ(store.history(), (QStringList{"SQLLOG1.SQL", "SQLLOG32.SQL", "SQLLOG31.SQL", "SQLLOG30.SQL"}));
    // The numbers kept are all above the limit: still a free one.
    store.history() = QStringList{"SQLLOG9.SQL", "SQLLOG8.SQL"};
    EXPECT_EQ(store.append(dir, {"y"}, 1), "SQLLOG1.SQL");
    EXPECT_EQ(store.history(), QStringList{"SQLLOG1.SQL"});
}

TEST_F(History, ZeroOrNegativeLimitStoresNothing)
{
    for (int buf : {0, -1}) {
        EXPECT_EQ(store.append(dir, {"select 1"}, buf), "");
        EXPECT_TRUE(store.history().isEmpty());
    }
    EXPECT_FALSE(QDir(dir).exists());
}

TEST_F(History, FavouriteNumbersFillGapsAndNamesCountAsTaken)
{
    store.favorites() = QStringList{"SQLLOGF1.SQL a", "SQLLOGF3.SQL b"};
    EXPECT_EQ(store.nextFavoriteNumber(), 2);
    store.favorites() = QStringList{"SQLLOGF1.SQL about SQLLOGF2.SQL", "SQLLOGF3.SQL b"};
    EXPECT_EQ(store.nextFavoriteNumber(), 4);
    store.favorites() = QStringList{"SQLLOGF12.SQL x"};
    EXPECT_EQ(store.nextFavoriteNumber(), 1);
}

TEST_F(History, RegisterPutsEntriesOnTopInHistoryOrder)
{
    write("SQLLOG1.SQL", {"one"});
    write("SQLLOG2.SQL", {"two"});
    write("SQLLOG3.SQL", {"three"});
    store.history() = QStringList{"SQLLOG1.SQL", "SQLLOG2.SQL", "SQLLOG3.SQL"};
    store.favorites() = QStringList{"SQLLOGF1.SQL old"};
    store.registerFavorites(dir, {2, 0});
    EXPECT_EQ(store.favorites(),
              (QStringList{"SQLLOGF3.SQL お気に入りSQL", "SQLLOGF2.SQL お気に入りSQL", "SQLLOGF1.SQL old"}));
    EXPECT_EQ(readLines("SQLLOGF3.SQL"), QStringList{"one"});
    EXPECT_EQ(readLines("SQLLOGF2.SQL"), QStringList{"three"});
    EXPECT_EQ(readLines("SQLLOGF.IDX"), store.favorites());
    EXPECT_EQ(store.readEntry(store.favoriteEntryFile(dir, 0)), QStringList{"one"});

    // A missing history file stops the run; what came before stays registered.
    store.history() << "SQLLOG9.SQL";
    EXPECT_THROW(store.registerFavorites(dir, {0, 3}), std::exception);
    EXPECT_EQ(store.favorites().size(), 3);
}

TEST_F(History, FavouriteLinesSplitIntoFileAndName)
{
    EXPECT_EQ(SqlLogStore::favoriteFilePart("SQLLOGF7.SQL 月次 集計 "), "SQLLOGF7.SQL");
    EXPECT_EQ(SqlLogStore::favoriteDisplayName("SQLLOGF7.SQL 月次 集計 "), "月次 集計");
    EXPECT_EQ(SqlLogStore::favoriteDisplayName("SQLLOGF7.SQL"), "");
    store.favorites() = QStringList{"SQLLOGF7.SQL old"};
    store.renameFavorite(0, "  \t新しい名前 \r\n");
    EXPECT_EQ(store.favorites().first(), "SQLLOGF7.SQL 新しい名前");
    store.renameFavorite(5, "ignored");
    EXPECT_EQ(store.favorites().size(), 1);
}

TEST_F(History, ListsLoadSeparatelyAndAnUnreadableOneIsNeverWritten)
{
    write("SQLLOG.IDX", {"SQLLOG2.SQL", "SQLLOG1.SQL"});
    write("SQLLOGF.IDX", {"SQLLOGF1.SQL fav"});
    store.load(dir);
    EXPECT_EQ(store.history(), (QStringList{"SQLLOG2.SQL", "SQLLOG1.SQL"}));
    EXPECT_EQ(store.favorites(), QStringList{"SQLLOGF1.SQL fav"});

    // No history index: the favourites still load.
    QFile::remove(dir + "SQLLOG.IDX");
    store.load(dir);
    EXPECT_TRUE(store.history().isEmpty());
    EXPECT_TRUE(store.historyLoaded());
    EXPECT_EQ(store.favorites(), QStringList{"SQLLOGF1.SQL fav"});

    // An index that exists but cannot be read (here: a folder of that name) stays unloaded
    // and is not replaced by an empty file when the lists are saved.
    QFile::remove(dir + "SQLLOGF.IDX");
    ASSERT_TRUE(QDir().mkpath(dir + "SQLLOGF.IDX"));
    store.load(dir);
    EXPECT_FALSE(store.favoritesLoaded());
    store.history() = QStringList{"SQLLOG1.SQL"};
    store.saveIndexes(dir);
    EXPECT_EQ(readLines("SQLLOG.IDX"), QStringList{"SQLLOG1.SQL"});
    EXPECT_TRUE(QFileInfo(dir + "SQLLOGF.IDX").isDir());
    EXPECT_THROW(store.registerFavorites(dir, {0}), std::exception);
}

TEST_F(History, ListsReadFromAnotherFolderNeverOverwriteTheWorkFolder)
{
    // At start the lists may be read before the work-folder option is: they then come from
    // somewhere else (here: an empty folder), and the real indexes must survive.
    write("SQLLOG.IDX", {"SQLLOG1.SQL"});
    write("SQLLOG1.SQL", {"select 1"});
    write("SQLLOGF.IDX", {"SQLLOGF1.SQL fav"});
    store.load(tmp.path() + "/elsewhere/");
    store.saveIndexes(dir);
    EXPECT_EQ(readLines("SQLLOG.IDX"), QStringList{"SQLLOG1.SQL"});
    EXPECT_EQ(readLines("SQLLOGF.IDX"), QStringList{"SQLLOGF1.SQL fav"});
    EXPECT_EQ(store.append(dir, {"select 2"}, 32), "SQLLOG2.SQL");
    EXPECT_EQ(store.history(), (QStringList{"SQLLOG2.SQL", "SQLLOG1.SQL"}));
}
