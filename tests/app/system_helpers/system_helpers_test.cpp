#include <gtest/gtest.h>

#include "app/system_helpers.h"
#include "support/test_env.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <sys/stat.h>

using namespace qv;

TEST(SystemHelpers, VersionTest)
{
    EXPECT_FALSE(IsWindowsVista(false, 10));
    EXPECT_TRUE(IsWindowsVista(true, 10));
    EXPECT_TRUE(IsWindowsVista(false, 6));
    EXPECT_FALSE(IsWindowsVista(true, 5));
    EXPECT_TRUE(IsWindowsVista(true));
}

TEST(SystemHelpers, ExeBitness)
{
    const QString dir = qvtest::testHome() + "/bitness/";
    QDir().mkpath(dir);
    auto write = [&](const QString& name, const QByteArray& bytes) {
        QFile f(dir + name);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return dir + name;
    };
    auto pe = [](int signatureAt, const QByteArray& machine) {
        QByteArray b(400, '\0');
        b.replace(0, 2, "MZ");
        b.replace(signatureAt, 4, QByteArray("PE\0\0", 4));
        b.replace(signatureAt + 4, 2, machine);
        return b;
    };
    EXPECT_EQ(GetExeBitness(write("p32.exe", pe(128, "\x4C\x01"))), "32ビット");
    EXPECT_EQ(GetExeBitness(write("p64.exe", pe(128, "\x64\x86"))), "64ビット");
    EXPECT_EQ(GetExeBitness(write("far.exe", pe(330, "\x64\x86"))), "Unknown");
    EXPECT_EQ(GetExeBitness(write("text.txt", QByteArray(500, 'a'))), "Unknown");
    EXPECT_EQ(GetExeBitness(write("short.exe", "MZ")), "Unknown");
    EXPECT_EQ(GetExeBitness(dir + "missing.exe"), "Unknown");
    // The running test program itself is a 64-bit ELF file here.
    EXPECT_EQ(GetExeBitness(QCoreApplication::applicationFilePath()),
              sizeof(void*) == 8 ? "64ビット" : "32ビット");
}

TEST(SystemHelpers, FindListItemSearchOrder)
{
    const QList<QStringList> items = {{"alpha"}, {"Beta", "x"}, {"gamma"}, {"delta"}, {"eps", "BETA2"}};
    QList<int> visited;
    auto texts = [&](int i) {
        visited << i;
        return items[i];
    };
    // Third item selected: the fourth and fifth are examined first, then the first through third.
    EXPECT_EQ(FindListItem(5, 2, "bet", texts), 4); // the sub-item matches, case ignored
    visited.clear();
    EXPECT_EQ(FindListItem(5, 2, "alph", texts), 0);
    EXPECT_EQ(visited, QList<int>({3, 4, 0}));
    visited.clear();
    EXPECT_EQ(FindListItem(5, 2, "gam", texts), 2); // the selected item itself is found last
    EXPECT_EQ(visited, QList<int>({3, 4, 0, 1, 2}));
    visited.clear();
    EXPECT_EQ(FindListItem(5, -1, "zzz", texts), -1); // one pass only without a selection
    EXPECT_EQ(visited, QList<int>({0, 1, 2, 3, 4}));
    EXPECT_EQ(FindListItem(5, 0, "", texts), -1);
}

namespace {
unsigned modeOf(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? unsigned(st.st_mode & 0777) : 0u;
}
} // namespace

TEST(SystemHelpers, PrivateFoldersAndFiles)
{
    const QString base = qvtest::testHome() + QStringLiteral("/private");
    QDir(base).removeRecursively();
    ASSERT_TRUE(MakePrivatePath(base + QStringLiteral("/a/b")));
    EXPECT_EQ(modeOf(base), 0700u);
    EXPECT_EQ(modeOf(base + QStringLiteral("/a/b")), 0700u);

    // An existing folder is left as it is, unless asked to tighten it.
    const QString open = base + QStringLiteral("/open");
    ASSERT_TRUE(QDir().mkpath(open));
    ::chmod(QFile::encodeName(open).constData(), 0755);
    EXPECT_TRUE(MakePrivatePath(open));
    EXPECT_EQ(modeOf(open), 0755u);
    EXPECT_TRUE(MakePrivatePath(open, true));
    EXPECT_EQ(modeOf(open), 0700u);
    EXPECT_FALSE(MakePrivatePath(QString()));

    // A file is written private, also over one that others could read.
    const QString file = base + QStringLiteral("/a/f.txt");
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old");
    }
    ::chmod(QFile::encodeName(file).constData(), 0644);
    ASSERT_TRUE(WritePrivateFile(file, "new"));
    EXPECT_EQ(modeOf(file), 0600u);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("new"));
    EXPECT_FALSE(WritePrivateFile(base + QStringLiteral("/missing/f.txt"), "x"));
    EXPECT_EQ(QDir(base + QStringLiteral("/a")).entryList(QDir::Files), QStringList{"f.txt"}); // no temporary left
}
