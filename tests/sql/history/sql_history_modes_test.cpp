// The SQL history keeps statements as typed, passwords included: the files and the folder the
// store makes are open to the user only.
#include "sql/sql_history.h"

#include "app/options.h"
#include "app/textfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace qv;

namespace {

unsigned modeOf(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? unsigned(st.st_mode & 0777) : 0u;
}

TEST(HistoryModes, FilesAndFolderAreOpenToTheUserOnly)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString dir = tmp.path() + QStringLiteral("/work/");
    SqlLogStore store;
    ASSERT_EQ(store.append(dir, {"CREATE LOGIN x WITH PASSWORD = 'secret'"}, 32), "SQLLOG1.SQL");
    EXPECT_EQ(modeOf(dir), 0700u);
    EXPECT_EQ(modeOf(dir + "SQLLOG1.SQL"), 0600u);
    EXPECT_EQ(modeOf(dir + "SQLLOG.IDX"), 0600u);

    // Files an older run left readable to others are written back private.
    ::chmod(QFile::encodeName(dir + "SQLLOG.IDX").constData(), 0644);
    store.registerFavorites(dir, {0});
    store.saveIndexes(dir);
    EXPECT_EQ(modeOf(dir + "SQLLOG.IDX"), 0600u);
    EXPECT_EQ(modeOf(dir + "SQLLOGF.IDX"), 0600u);
    EXPECT_EQ(modeOf(dir + "SQLLOGF1.SQL"), 0600u);
    EXPECT_EQ(QDir(dir).entryList(QDir::Files).size(), 4); // no temporary file left
}

} // namespace
