#include <gtest/gtest.h>

#include "app/options.h"
#include "app/textfiles.h"
#include "platform/exceptions.h"
#include "support/test_env.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

using namespace qv;

namespace {

QString freshDir(const QString& name)
{
    const QString dir = qvtest::testHome() + "/files/" + name + "/";
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    return dir;
}

void touch(const QString& path)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
}

// Points the work folder somewhere private for one test.
class WorkFolder {
public:
    explicit WorkFolder(const QString& dir) : m_saved(qvOption.TempDir) { qvOption.TempDir = dir; }
    ~WorkFolder() { qvOption.TempDir = m_saved; }

private:
    QString m_saved;
};

class EncodingOption {
public:
    explicit EncodingOption(int v) : m_saved(qvOption.Encoding) { qvOption.Encoding = v; }
    ~EncodingOption() { qvOption.Encoding = m_saved; }

private:
    int m_saved;
};

} // namespace

TEST(TextFiles, FileEncodingFollowsTheOption)
{
    EXPECT_EQ(GetFileEncoding().kind(), TextEncoding::Utf8); // the default
    for (int v : {0, 7}) {
        EncodingOption e(v);
        EXPECT_EQ(GetFileEncoding().kind(), TextEncoding::Ansi);
    }
    EncodingOption be(4);
    EXPECT_EQ(GetFileEncoding().kind(), TextEncoding::Utf16BE);
}

TEST(TextFiles, UniqueFileName)
{
    const QString dir = freshDir("unique");
    EXPECT_EQ(UniqueFileName(dir + "a.sql"), dir + "a.sql");
    touch(dir + "a.sql");
    EXPECT_EQ(UniqueFileName(dir + "a.sql"), dir + "a01.sql");
    touch(dir + "a01.sql");
    EXPECT_EQ(UniqueFileName(dir + "a.sql"), dir + "a02.sql");
    touch(dir + "x.tar.gz");
    EXPECT_EQ(UniqueFileName(dir + "x.tar.gz"), dir + "x.tar01.gz");
    touch(dir + "plain");
    EXPECT_EQ(UniqueFileName(dir + "plain"), dir + "plain01");
    QDir().mkpath(dir + "d.x");
    touch(dir + "d.x/name");
    EXPECT_EQ(UniqueFileName(dir + "d.x/name"), dir + "d.x/name01");
    touch(dir + "b.csv");
    for (int i = 1; i <= 99; ++i)
        touch(dir + QString("b%1.csv").arg(i, 2, 10, QLatin1Char('0')));
    EXPECT_EQ(UniqueFileName(dir + "b.csv"), dir + "b100.csv");
}

TEST(TextFiles, NameCleaningAndKnownExtensions)
{
    EXPECT_EQ(RemoveInvalidFileChars("a<b>:c"), "abc");
    EXPECT_EQ(RemoveInvalidFileChars("a.b c"), "a.b c");
    EXPECT_EQ(RemoveInvalidFileChars("h/o\\s*t?\"|"), "host");

    EXPECT_EQ(SafeFileName("host\\inst.db.dbo.t.ini"), "hostinst.db.dbo.t.ini");
    EXPECT_EQ(SafeFileName("../../etc/passwd"), "....etcpasswd");
    EXPECT_EQ(SafeFileName(".."), "_");
    EXPECT_EQ(SafeFileName(QString("a") + QChar(0) + "b\tc\x1f"), "abc");
    const QString longName = QString(200, QChar(0x8868)) + ".ini"; // 600 bytes in UTF-8
    const QString cut = SafeFileName(longName);
    EXPECT_LE(cut.toUtf8().size(), 255);
    EXPECT_TRUE(cut.endsWith(".ini"));

    for (const char* yes : {"Report.XLSX", "a.sql", "x.qvmcr", "dir.d/b.Bak"})
        EXPECT_TRUE(HasKnownFileExt(yes)) << yes;
    for (const char* no : {"report", "report.final", "archive.tar.gz", "dir.sql/name", ".", ""})
        EXPECT_FALSE(HasKnownFileExt(no)) << no;

    const QString dir = freshDir("short");
    EXPECT_EQ(ShortDirName(dir.chopped(1)), dir);
    EXPECT_EQ(ShortDirName(dir + "missing"), "");
}

TEST(WhereHistory, SavesTwentyNewestFirstAndReadsThemBack)
{
    const QString dir = freshDir("where") + "sub/work";
    WorkFolder wf(dir);
    QStringList items;
    for (int i = 0; i < 25; ++i)
        items << QString("a = %1").arg(i);
    SaveWhereHistory("host\\inst", "db", "dbo", "t", items);
    const QString file = WhereHistoryFileName("host\\inst", "db", "dbo", "t");
    EXPECT_EQ(file, dir + "/hostinst.db.dbo.t.ini");
    ASSERT_TRUE(QFile::exists(file));

    QStringList loaded = {"stale"};
    LoadWhereHistory("host\\inst", "db", "dbo", "t", loaded);
    EXPECT_EQ(loaded, items.mid(0, 20));

    // Shorter lists overwrite the first keys only; other sections stay.
    IniTextFile ini(file);
    ini.writeString("OTHER", "k", "v");
    ini.updateFile();
    SaveWhereHistory("host\\inst", "db", "dbo", "t", {"new", "", "x = '日本'"});
    LoadWhereHistory("host\\inst", "db", "dbo", "t", loaded);
    EXPECT_EQ(loaded.mid(0, 2), QStringList({"new", "x = '日本'"}));
    EXPECT_EQ(loaded.size(), 19); // the empty one is skipped; keys 03..19 are as they were
    EXPECT_EQ(IniTextFile(file).readString("other", "K"), "v");
}

TEST(WhereHistory, NamesDifferingOnlyInRemovedCharactersShareAFile)
{
    WorkFolder wf(freshDir("where2"));
    SaveWhereHistory("s", "d", "o", "a?b", {"x = 1"});
    QStringList loaded;
    LoadWhereHistory("s", "d", "o", "a*b", loaded);
    EXPECT_EQ(loaded, QStringList({"x = 1"}));
    EXPECT_TRUE(QFile::exists(WhereHistoryFileName("s", "d", "o", "ab")));
    // A name made to climb out of the work folder stays inside it.
    SaveWhereHistory("..", "..", "/etc", "../x", {"y"});
    const QFileInfo climbed(WhereHistoryFileName("..", "..", "/etc", "../x"));
    EXPECT_EQ(climbed.fileName(), "......etc...x.ini");
    EXPECT_EQ(climbed.absolutePath(), QDir(qvOption.TempDir).absolutePath());
    EXPECT_TRUE(climbed.exists());
}

TEST(WhereHistory, EmptyObjectNameTouchesNoFile)
{
    const QString dir = freshDir("where3") + "never";
    WorkFolder wf(dir);
    QStringList items = {"old"};
    LoadWhereHistory("s", "d", "o", "", items);
    EXPECT_TRUE(items.isEmpty());
    EXPECT_FALSE(QDir(dir).exists());
}

TEST(WhereHistory, UnwritableWorkFolderThrows)
{
    const QString dir = freshDir("where4");
    touch(dir + "file");
    WorkFolder wf(dir + "file/sub"); // a folder below a plain file cannot be made
    QStringList items;
    EXPECT_THROW(LoadWhereHistory("s", "d", "o", "t", items), qv::Exception);
    EXPECT_THROW(SaveWhereHistory("s", "d", "o", "t", {"x"}), qv::Exception);
}

TEST(WhereHistory, WrittenInTheChosenEncoding)
{
    WorkFolder wf(freshDir("where5"));
    EncodingOption e(0);
    SaveWhereHistory("s", "d", "o", "t", {QStringLiteral("名前 = N'表'")});
    QFile f(WhereHistoryFileName("s", "d", "o", "t"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_TRUE(bytes.startsWith("[WHERE]\r\n00="));
    EXPECT_TRUE(bytes.contains(TextEncoding::get(TextEncoding::Ansi).encode(u"名前")));
    QStringList loaded;
    LoadWhereHistory("s", "d", "o", "t", loaded);
    EXPECT_EQ(loaded, QStringList({QStringLiteral("名前 = N'表'")}));
}

namespace {

unsigned modeOf(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? unsigned(st.st_mode & 0777) : 0u;
}

// The WHERE histories and column widths keep conditions as typed: the work folder the program
// makes and the files it writes there are open to the user only.
TEST(WhereHistory, WorkFolderAndFilesAreOpenToTheUserOnly)
{
    const QString dir = freshDir("where6") + QStringLiteral("work/");
    WorkFolder wf(dir);
    SaveWhereHistory("s", "d", "o", "t", {QStringLiteral("password = 'x'")});
    EXPECT_EQ(modeOf(dir), 0700u);
    const QString file = WhereHistoryFileName("s", "d", "o", "t");
    EXPECT_EQ(modeOf(file), 0600u);
    ::chmod(QFile::encodeName(file).constData(), 0644);
    IniTextFile ini(file);
    ini.writeString("WHERE", "00", "y");
    ini.updateFile();
    EXPECT_EQ(modeOf(file), 0600u);
    QStringList items;
    LoadWhereHistory("s", "d", "o", "t", items);
    EXPECT_EQ(items, QStringList{"y"});
}

} // namespace
