#include "platform/registry.h"
#include "platform/registry_store.h"
#include "support/test_env.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace qv;

namespace {

QString storePath() { return TRegistry::StoreFilePath(HKEY_CURRENT_USER); }

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
}

QStringList copiesOf(const QString& file, const char* kind)
{
    const QFileInfo fi(file);
    return QDir(fi.absolutePath()).entryList({fi.fileName() + u'.' + QLatin1String(kind) + QStringLiteral("-*")}, QDir::Files);
}

QStringList damagedCopies() { return copiesOf(storePath(), "damaged"); }

QString inStoreDir(const QString& name) { return QFileInfo(storePath()).absolutePath() + u'/' + name; }

ino_t inode(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Registry().CloseKey();
        TRegistry::ResetStores();
        QFile::remove(storePath());
        for (const char* kind : {"damaged", "foreign"})
            for (const QString& f : copiesOf(storePath(), kind))
                QFile::remove(inStoreDir(f));
        TRegistry::TakeStoreNotice();
        RegistryStore::writeHook = nullptr;
    }
    void TearDown() override
    {
        Registry().CloseKey();
        TRegistry::ResetStores();
    }
    // Forget everything in memory so the next access reads the file, as a new process would.
    static void restart()
    {
        Registry().CloseKey();
        TRegistry::ResetStores();
    }
};

TEST_F(RegistryTest, TypedValuesSurviveARestart)
{
    const QDateTime when(QDate(2024, 2, 29), QTime(13, 45, 30, 500));
    {
        TqvRegistry reg;
        ASSERT_TRUE(reg.OpenKey(SettingsRootKey + QStringLiteral("\\TYPES"), true));
        reg.WriteString("Text", QStringLiteral("日本語 \"quoted\" back\\slash\ttab\r\nnew line 😀"));
        reg.WriteExpandString("Expand", QStringLiteral("$HOME/sql"));
        reg.WriteInteger("Negative", -5);
        reg.WriteBool("Flag", true);
        reg.WriteDateTime("When", when);
        reg.WriteFloat("Ratio", 0.125);
        reg.WriteCurrency("Money", 123456789);
        reg.WriteBinaryData("Blob", QByteArray("\x00\xff\x10", 3));
        reg.WriteString("", QStringLiteral("default value"));
        reg.WriteString("Lone", QString(QChar(0xD800)) + QChar(0x01));
        reg.CloseKey();
    }
    restart();
    TqvRegistry reg;
    ASSERT_TRUE(reg.OpenKey(SettingsRootKey + QStringLiteral("\\TYPES"), false));
    EXPECT_EQ(reg.ReadString("Text"), QStringLiteral("日本語 \"quoted\" back\\slash\ttab\r\nnew line 😀"));
    EXPECT_EQ(reg.GetDataType("Expand"), RegDataType::ExpandString);
    EXPECT_EQ(reg.GetString("Expand", "x"), QStringLiteral("$HOME/sql"));
    EXPECT_EQ(reg.GetInteger("Negative", 0), -5);
    EXPECT_EQ(reg.ReadInteger("Flag"), 1);
    EXPECT_EQ(reg.GetDateTime("When", {}), when);
    EXPECT_DOUBLE_EQ(reg.GetFloat("Ratio", 0), 0.125);
    EXPECT_EQ(reg.GetCurrency("Money", 0), 123456789);
    EXPECT_EQ(reg.ReadBinaryData("Blob"), QByteArray("\x00\xff\x10", 3));
    EXPECT_EQ(reg.ReadString(""), QStringLiteral("default value"));
    EXPECT_EQ(reg.ReadString("Lone"), QString(QChar(0xD800)) + QChar(0x01));
}

TEST_F(RegistryTest, DateTimesUseDaysSince1899)
{
    EXPECT_DOUBLE_EQ(DateTimeToDouble(QDateTime(QDate(1899, 12, 30), QTime(0, 0))), 0.0);
    EXPECT_DOUBLE_EQ(DateTimeToDouble(QDateTime(QDate(1900, 1, 1), QTime(18, 0))), 2.75);
    EXPECT_DOUBLE_EQ(DateTimeToDouble(QDateTime(QDate(1899, 12, 29), QTime(6, 0))), -1.25);
    EXPECT_EQ(DoubleToDateTime(-1.25), QDateTime(QDate(1899, 12, 29), QTime(6, 0)));
    EXPECT_EQ(DoubleToDateTime(45000.5), QDateTime(QDate(2023, 3, 15), QTime(12, 0)));
}

// What the typed reads make of values of another type, size or absence.
TEST_F(RegistryTest, TypedReadsFallBackToTheDefault)
{
    TqvRegistry reg;
    ASSERT_TRUE(reg.OpenKey(SettingsRootKey + QStringLiteral("\\READS"), true));
    reg.WriteInteger("Five", 5);
    reg.WriteInteger("Zero", 0);
    reg.WriteString("Digits", "1");
    reg.WriteString("Empty", "");
    reg.WriteBinaryData("FourBytes", QByteArray(4, '\x01'));

    EXPECT_TRUE(reg.GetBool("Five", false));
    EXPECT_FALSE(reg.GetBool("Zero", true));
    EXPECT_FALSE(reg.GetBool("Digits", false));
    EXPECT_TRUE(reg.GetBool("Digits", true));
    EXPECT_EQ(reg.GetInteger("Digits", 42), 42);
    EXPECT_EQ(reg.GetInteger("Missing", 42), 42);
    EXPECT_EQ(reg.GetString("Empty", "def"), QStringLiteral("def"));
    EXPECT_EQ(reg.GetString("Missing", "def"), QStringLiteral("def"));
    EXPECT_EQ(reg.GetString("Five", "def"), QStringLiteral("def"));
    const QDateTime def(QDate(2000, 1, 1), QTime(1, 2));
    EXPECT_EQ(reg.GetDateTime("FourBytes", def), def);
    EXPECT_EQ(reg.GetDateTime("Five", def), def);
    EXPECT_DOUBLE_EQ(reg.GetFloat("FourBytes", 1.5), 1.5);
    EXPECT_EQ(reg.GetCurrency("Digits", 7), 7);

    // The raw wrapper raises where the typed reads fall back.
    EXPECT_THROW(reg.ReadInteger("Missing"), ERegistryException);
    EXPECT_THROW(reg.ReadInteger("Digits"), ERegistryException);
    // Text reads never raise: a value of another type reads like a missing one.
    EXPECT_EQ(reg.ReadString("Five"), QString());
    EXPECT_EQ(reg.ReadString("FourBytes"), QString());
    EXPECT_EQ(reg.ReadString("Missing"), QString());
    reg.CloseKey();

    // After an open that failed, every read gives its default and writes raise.
    EXPECT_FALSE(reg.OpenKey(SettingsRootKey + QStringLiteral("\\NOSUCH"), false));
    EXPECT_FALSE(reg.OpenKey(QStringLiteral("\\bad\\\x01name"), true));
    EXPECT_EQ(reg.GetInteger("Five", 9), 9);
    EXPECT_EQ(reg.GetString("Digits", "d"), QStringLiteral("d"));
    EXPECT_THROW(reg.WriteInteger("X", 1), ERegistryException);
}

TEST_F(RegistryTest, NamesIgnoreCaseButKeepIt)
{
    TqvRegistry reg;
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\Velmora\\QVS22\\Editor"), true));
    reg.WriteString("FontName", "A");
    reg.WriteInteger("Second", 2);
    reg.WriteString("FONTNAME", "B");
    EXPECT_EQ(reg.GetValueNames(), (QStringList{"FontName", "Second"}));
    EXPECT_EQ(reg.GetString("fontname", ""), QStringLiteral("B"));
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\SOFTWARE\\velmora\\qvs22\\EDITOR"), false));
    EXPECT_EQ(reg.CurrentPath(), QStringLiteral("SOFTWARE\\velmora\\qvs22\\EDITOR"));
    EXPECT_TRUE(reg.ValueExists("FONTNAME"));
    ASSERT_TRUE(reg.OpenKey(SettingsRootKey, false));
    EXPECT_EQ(reg.GetKeyNames(), QStringList{"Editor"});
    EXPECT_TRUE(reg.DeleteValue("nothing") == false);
}

TEST_F(RegistryTest, SubkeysEnumerateSortedValuesInCreationOrder)
{
    TqvRegistry reg;
    ASSERT_TRUE(reg.OpenKey(SettingsRootKey + QStringLiteral("\\ORDER"), true));
    for (const char* k : {"2", "11", "b", "0", "10", "A", "1", "c"})
        ASSERT_TRUE(reg.CreateKey(QString::fromLatin1(k)));
    for (const char* v : {"zeta", "Alpha", "mu"})
        reg.WriteInteger(QString::fromLatin1(v), 1);
    reg.CloseKey();
    restart();
    ASSERT_TRUE(reg.OpenKey(SettingsRootKey + QStringLiteral("\\ORDER"), false));
    EXPECT_EQ(reg.GetKeyNames(), (QStringList{"0", "1", "10", "11", "2", "A", "b", "c"}));
    EXPECT_EQ(reg.GetValueNames(), (QStringList{"zeta", "Alpha", "mu"}));
    reg.DeleteValue("zeta");
    reg.WriteInteger("zeta", 2);
    EXPECT_EQ(reg.GetValueNames(), (QStringList{"Alpha", "mu", "zeta"}));
}

TEST_F(RegistryTest, PathsAndDeleteKey)
{
    TqvRegistry reg;
    ASSERT_TRUE(reg.OpenKey(SettingsRootKey + QStringLiteral("\\GUI\\MAIN\\Bars"), true));
    reg.WriteInteger("Left", 1);
    ASSERT_TRUE(reg.OpenKey(SettingsRootKey, false));
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("GUI"), false)); // relative to the current key
    EXPECT_EQ(reg.CurrentPath(), QStringLiteral("Software\\Velmora\\QVS22\\GUI"));
    EXPECT_TRUE(reg.HasSubKeys());
    EXPECT_TRUE(reg.KeyExists(QStringLiteral("MAIN\\BARS")));
    ASSERT_TRUE(reg.OpenKey(SettingsRootKey, false));
    EXPECT_TRUE(reg.DeleteKey(QStringLiteral("gui")));
    EXPECT_FALSE(reg.KeyExists(QStringLiteral("GUI")));
    EXPECT_FALSE(reg.KeyExists(SettingsRootKey + QStringLiteral("\\GUI\\MAIN")));
    EXPECT_FALSE(reg.DeleteKey(QStringLiteral("GUI")));
    EXPECT_FALSE(reg.DeleteKey(QStringLiteral("\\")));
    EXPECT_TRUE(reg.KeyExists(SettingsRootKey));
}

TEST_F(RegistryTest, FileIsWrittenWhenTheChangedKeyClosesWithMode0600)
{
    TqvRegistry reg;
    ASSERT_TRUE(reg.OpenKey(SettingsRootKey, true));
    reg.WriteInteger("Version", 80004);
    EXPECT_FALSE(readFile(storePath()).contains("Version"));
    reg.CloseKey();
    const QByteArray text = readFile(storePath());
    EXPECT_TRUE(text.startsWith("QORVEL-SETTINGS 1\n"));
    EXPECT_TRUE(text.contains("[Software\\Velmora\\QVS22]\n\"Version\"=dword:00013884\n"));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(storePath()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    // A file that someone made readable to others is written back private.
    ::chmod(QFile::encodeName(storePath()).constData(), 0644);
    ASSERT_TRUE(reg.OpenKey(SettingsRootKey, true));
    reg.WriteInteger("Version", 80005);
    reg.CloseKey();
    ASSERT_EQ(::stat(QFile::encodeName(storePath()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(RegistryTest, DamagedFileIsSetAsideAndTheProgramRunsOnDefaults)
{
    for (const QByteArray& bad : {QByteArray("garbage\n"), QByteArray("QORVEL-SETTINGS 1\n[A]\n\"x\"=dword:zz\n"),
                                  QByteArray("QORVEL-SETTINGS 1\n\"v\"=\"outside\"\n"), QByteArray("\xff\xfe\x00"),
                                  QByteArray()}) {
        SCOPED_TRACE(bad.toStdString());
        SetUp();
        writeFile(storePath(), bad);
        restart();
        TqvRegistry reg;
        EXPECT_FALSE(reg.OpenKey(SettingsRootKey, false));
        EXPECT_EQ(reg.GetInteger("Version", 7), 7);
        const QStringList aside = damagedCopies();
        ASSERT_EQ(aside.size(), 1);
        EXPECT_EQ(readFile(QFileInfo(storePath()).absolutePath() + u'/' + aside.first()), bad);
        const QString notice = TRegistry::TakeStoreNotice();
        EXPECT_TRUE(notice.contains(aside.first())) << notice.toStdString();
        EXPECT_TRUE(TRegistry::TakeStoreNotice().isEmpty()); // said once
        ASSERT_TRUE(reg.OpenKey(SettingsRootKey, true));
        reg.WriteInteger("Version", 1);
        reg.CloseKey();
        restart();
        ASSERT_TRUE(reg.OpenKey(SettingsRootKey, false));
        EXPECT_EQ(reg.GetInteger("Version", 0), 1);
        EXPECT_EQ(damagedCopies().size(), 1);
    }
}

// A process killed in the middle of a write leaves the old file or the new one, never a torn one.
TEST_F(RegistryTest, KilledWriterLeavesOldOrNewFile)
{
    {
        TqvRegistry reg;
        ASSERT_TRUE(reg.OpenKey(SettingsRootKey, true));
        reg.WriteString("State", "old");
        reg.CloseKey();
    }
    const QByteArray oldFile = readFile(storePath());
    for (int stage : {1, 2, 3}) {
        SCOPED_TRACE(stage);
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            RegistryStore::writeHook = [stage](int at) {
                if (at == stage)
                    ::_exit(0);
            };
            TqvRegistry reg;
            reg.OpenKey(SettingsRootKey, true);
            reg.WriteString("State", "new");
            for (int i = 0; i < 2000; ++i)
                reg.WriteInteger(QStringLiteral("Filler%1").arg(i), i);
            reg.CloseKey();
            ::_exit(1); // the hook did not fire
        }
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status));
        ASSERT_EQ(WEXITSTATUS(status), 0);
        restart();
        const QByteArray now = readFile(storePath());
        RegKey root;
        ASSERT_TRUE(parseRegistry(now, root));
        TqvRegistry reg;
        ASSERT_TRUE(reg.OpenKey(SettingsRootKey, false));
        if (stage < 3) {
            EXPECT_EQ(now, oldFile);
        } else {
            EXPECT_EQ(reg.GetString("State", ""), QStringLiteral("new"));
            EXPECT_EQ(reg.GetInteger("Filler1999", 0), 1999);
            // Put the old file back for the next round.
            reg.CloseKey();
            writeFile(storePath(), oldFile);
            restart();
        }
        EXPECT_TRUE(damagedCopies().isEmpty());
    }
}

// Two processes writing different values: neither loses the other's change.
TEST_F(RegistryTest, ConcurrentWritersMergeTheirChanges)
{
    RegistryStore other(storePath(), false);
    TqvRegistry reg;
    ASSERT_TRUE(reg.OpenKey(SettingsRootKey + QStringLiteral("\\WORKSPACE\\0"), true));
    reg.WriteString("Title", "mine");
    reg.CloseKey();

    const QStringList path{"Software", "Velmora", "QVS22", "COMP"};
    ASSERT_TRUE(other.create(path));
    RegValue v;
    v.name = QStringLiteral("Equrl");
    v.type = RegDataType::Integer;
    v.dword = 0;
    ASSERT_TRUE(other.setValue(path, v));
    ASSERT_TRUE(other.flush());

    // Our in-memory copy sees the other process's change when it opens a key again.
    ASSERT_TRUE(reg.OpenKey(SettingsRootKey + QStringLiteral("\\COMP"), false));
    EXPECT_FALSE(reg.GetBool("Equrl", true));
    ASSERT_TRUE(reg.OpenKey(SettingsRootKey + QStringLiteral("\\WORKSPACE\\0"), false));
    EXPECT_EQ(reg.GetString("Title", ""), QStringLiteral("mine"));
}

TEST_F(RegistryTest, MachineFileIsReadOnly)
{
    const QString machine = qvtest::testHome() + QStringLiteral("/machine.reg");
    writeFile(machine, "QORVEL-SETTINGS 1\n[SOFTWARE\\Microsoft\\Microsoft SQL Server\\100]\n"
                       "\"VerSpecificRootDir\"=\"/opt/mssql-tools/\"\n");
    qputenv("QORVEL_MACHINE_SETTINGS", machine.toUtf8());
    TRegistry::ResetStores();
    {
        TqvRegistry reg(HKEY_LOCAL_MACHINE, TRegistry::ReadOnlyAccess);
        ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\SOFTWARE\\Microsoft\\Microsoft SQL Server\\100"), false));
        EXPECT_EQ(reg.GetString("VerSpecificRootDir", ""), QStringLiteral("/opt/mssql-tools/"));
        EXPECT_THROW(reg.WriteString("X", "y"), ERegistryException);
        EXPECT_FALSE(reg.OpenKey(QStringLiteral("\\SOFTWARE\\New"), true));
        EXPECT_FALSE(reg.DeleteKey(QStringLiteral("\\SOFTWARE")));
    }
    qunsetenv("QORVEL_MACHINE_SETTINGS");
    TRegistry::ResetStores();
    EXPECT_EQ(TRegistry::StoreFilePath(HKEY_LOCAL_MACHINE), QStringLiteral("/etc/xdg/Velmora/QVS22-machine.reg"));
}

TEST(RegistryFormat, ParsesWhatItWritesAndRejectsMalformedLines)
{
    RegKey root;
    ASSERT_TRUE(parseRegistry("\nQORVEL-SETTINGS 1\r\n; comment\n[]\r\n\"top\"=dword:1\n[A\\B]\n"
                              "\"s\"=\"a\\u0001b\"\n\"e\"=expand:\"\"\n\"h\"=hex:\n",
                              root));
    EXPECT_EQ(root.value("TOP")->dword, 1u);
    ASSERT_NE(root.child("a"), nullptr);
    const RegKey* b = root.child("a")->child("b");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->value("s")->text, QStringLiteral("a\x01" "b"));
    EXPECT_EQ(b->value("e")->type, RegDataType::ExpandString);
    EXPECT_TRUE(b->value("h")->bytes.isEmpty());
    RegKey again;
    ASSERT_TRUE(parseRegistry(serializeRegistry(root), again));
    EXPECT_EQ(serializeRegistry(again), serializeRegistry(root));

    for (const char* bad : {"QORVEL-SETTINGS 1\n[A\n", "QORVEL-SETTINGS 1\n[A]\n\"x\"=\"open\n",
                            "QORVEL-SETTINGS 1\n[A]\n\"x\"=qword:1\n", "QORVEL-SETTINGS 1\n[A]\n\"x\"=hex:1,2\n",
                            "QORVEL-SETTINGS 1\n[A]\n\"x\"=dword:123456789\n", "QORVEL-SETTINGS 1\n[A]\n\"x\"=\"\\q\"\n",
                            "QORVEL-SETTINGS 2\n", "QORVEL-SETTINGS 1\n[A\\\\B]\n"}) {
        RegKey k;
        EXPECT_FALSE(parseRegistry(bad, k)) << bad;
    }
}

} // namespace

namespace {

TEST_F(RegistryTest, BatchWritesTheFileOnceAtItsEnd)
{
    TqvRegistry reg;
    {
        TRegistryBatch batch;
        ASSERT_TRUE(reg.OpenKey(SettingsRootKey + QStringLiteral("\\A"), true));
        reg.WriteInteger("One", 1);
        ASSERT_TRUE(reg.OpenKey(SettingsRootKey + QStringLiteral("\\B"), true));
        reg.WriteInteger("Two", 2);
        reg.CloseKey();
        EXPECT_FALSE(QFile::exists(storePath()));
        {
            TRegistryBatch inner;
        }
        EXPECT_FALSE(QFile::exists(storePath()));
    }
    EXPECT_TRUE(readFile(storePath()).contains("\"Two\"=dword:00000002"));
}

} // namespace

namespace {

const QString kConn = SettingsRootKey + QStringLiteral("\\DATABASE\\DB000");

// A file changed on disk while the program runs, other than by another process of the program
// (edited, replaced, cut, damaged): the state in memory stays the truth and the file found is
// kept aside at the next write, also when that write is only the one at exit.
TEST_F(RegistryTest, FileChangedElsewhereIsSetAsideAndMemoryKept)
{
    const QByteArray handWritten = "QORVEL-SETTINGS 1\n[Software\\Velmora\\QVS22]\n\"Other\"=dword:00000001\n"
                                   "; end of settings\n";
    for (const QByteArray& foreign : {handWritten, QByteArray("garbage\n"),
                                      QByteArray("QORVEL-SETTINGS 1\n[Software\\Velmora\\QVS22\\DATABASE]\n")}) {
        for (bool atExit : {false, true}) {
            SCOPED_TRACE(foreign.toStdString() + (atExit ? " at exit" : " on a change"));
            SetUp();
            TqvRegistry reg;
            ASSERT_TRUE(reg.OpenKey(kConn, true));
            reg.WriteString("Password", "kept");
            reg.CloseKey();
            writeFile(storePath(), foreign);

            ASSERT_TRUE(reg.OpenKey(kConn, false));
            EXPECT_EQ(reg.GetString("Password", ""), QStringLiteral("kept"));
            if (!atExit)
                reg.WriteString("Server", "s1");
            reg.CloseKey();
            if (atExit) {
                EXPECT_TRUE(reg.Flush());
            }
            const QStringList aside = copiesOf(storePath(), "foreign");
            ASSERT_EQ(aside.size(), 1);
            EXPECT_EQ(readFile(inStoreDir(aside.first())), foreign);
            EXPECT_TRUE(TRegistry::TakeStoreNotice().contains(aside.first()));

            restart();
            ASSERT_TRUE(reg.OpenKey(kConn, false));
            EXPECT_EQ(reg.GetString("Password", ""), QStringLiteral("kept"));
            EXPECT_EQ(reg.GetString("Server", ""), atExit ? QString() : QStringLiteral("s1"));
            reg.CloseKey();
        }
    }
}

// Every file ends with an end line; one that lost its last lines (cut at a line end) is
// read as far as it goes, kept as a copy, reported, and written whole at the next write.
TEST_F(RegistryTest, FileCutAtALineEndIsReportedAndWrittenWholeAgain)
{
    TqvRegistry reg;
    ASSERT_TRUE(reg.OpenKey(SettingsRootKey, true));
    reg.WriteInteger("Version", 80004);
    ASSERT_TRUE(reg.OpenKey(SettingsRootKey + QStringLiteral("\\ZLAST"), true));
    reg.WriteString("Lost", "x");
    reg.CloseKey();
    const QByteArray full = readFile(storePath());
    EXPECT_TRUE(full.endsWith("\n; end of settings\n")) << full.toStdString();
    const QByteArray cut = full.left(full.indexOf("\"Lost\""));
    ASSERT_TRUE(cut.endsWith("[Software\\Velmora\\QVS22\\ZLAST]\n"));
    writeFile(storePath(), cut);
    restart();

    ASSERT_TRUE(reg.OpenKey(SettingsRootKey, false));
    EXPECT_EQ(reg.GetInteger("Version", 0), 80004);
    const QStringList aside = damagedCopies();
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(readFile(inStoreDir(aside.first())), cut);
    EXPECT_TRUE(TRegistry::TakeStoreNotice().contains(aside.first()));
    reg.CloseKey();
    const QByteArray again = readFile(storePath());
    EXPECT_TRUE(again.endsWith("\n; end of settings\n"));
    EXPECT_TRUE(again.contains("\"Version\"=dword:00013884"));
    restart();
    ASSERT_TRUE(reg.OpenKey(SettingsRootKey, false));
    EXPECT_TRUE(TRegistry::TakeStoreNotice().isEmpty());
    EXPECT_EQ(damagedCopies().size(), 1);
}

// Files of builds that wrote no end line ended with a blank line after the last key: they are
// read as they are, and get the end line with the next change.
TEST_F(RegistryTest, OlderFileWithoutEndLineIsReadQuietly)
{
    const QByteArray older = "QORVEL-SETTINGS 1\n; Qorvel settings. Keys in [brackets], one value per line.\n\n"
                             "[Software\\Velmora\\QVS22]\n\"Version\"=dword:00013884\n\n";
    writeFile(storePath(), older);
    restart();
    TqvRegistry reg;
    ASSERT_TRUE(reg.OpenKey(SettingsRootKey, false));
    EXPECT_EQ(reg.GetInteger("Version", 0), 80004);
    EXPECT_TRUE(damagedCopies().isEmpty());
    EXPECT_TRUE(TRegistry::TakeStoreNotice().isEmpty());
    reg.WriteInteger("Version", 80004);
    reg.CloseKey();
    EXPECT_EQ(readFile(storePath()), older); // nothing changed: nothing written
    ASSERT_TRUE(reg.OpenKey(SettingsRootKey, false));
    reg.WriteInteger("Other", 1);
    reg.CloseKey();
    EXPECT_TRUE(readFile(storePath()).endsWith("\n; end of settings\n"));
}

// A FIFO or a device in place of the file is never opened (that could block the start for
// good) nor replaced: the run goes on defaults, settings change in memory only.
TEST_F(RegistryTest, NonRegularFileIsRefused)
{
    for (const char* kind : {"fifo", "device"}) {
        SCOPED_TRACE(kind);
        SetUp();
        if (QByteArray(kind) == "fifo")
            ASSERT_EQ(::mkfifo(QFile::encodeName(storePath()).constData(), 0600), 0);
        else
            ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), storePath()));
        restart();
        TqvRegistry reg;
        EXPECT_FALSE(reg.OpenKey(SettingsRootKey, false));
        EXPECT_EQ(reg.GetInteger("Version", 7), 7);
        EXPECT_TRUE(TRegistry::TakeStoreNotice().contains(storePath()));
        ASSERT_TRUE(reg.OpenKey(SettingsRootKey, true));
        EXPECT_NO_THROW(reg.WriteInteger("Version", 1));
        reg.CloseKey();
        EXPECT_TRUE(reg.Flush());
        ASSERT_TRUE(reg.OpenKey(SettingsRootKey, false));
        EXPECT_EQ(reg.GetInteger("Version", 7), 1);
        reg.CloseKey();
        EXPECT_TRUE(TRegistry::TakeStoreNotice().isEmpty());
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(storePath()).constData(), &st), 0);
        EXPECT_FALSE(S_ISREG(st.st_mode));
        EXPECT_TRUE(damagedCopies().isEmpty());
        restart();
        QFile::remove(storePath());
    }
}

// A settings file that is a symbolic link stays one: the file it points to is written.
TEST_F(RegistryTest, SymlinkedFileIsWrittenThroughToItsTarget)
{
    const QString dir = qvtest::testHome() + QStringLiteral("/elsewhere");
    ASSERT_TRUE(QDir().mkpath(dir));
    const QString target = dir + QStringLiteral("/real.reg");
    QFile::remove(target);
    ASSERT_EQ(QFileInfo(storePath()).absolutePath(), qvtest::testHome());
    ASSERT_EQ(::symlink("elsewhere/real.reg", QFile::encodeName(storePath()).constData()), 0); // relative, dangling
    restart();
    TqvRegistry reg;
    ASSERT_TRUE(reg.OpenKey(SettingsRootKey, true));
    reg.WriteString("Where", "target");
    reg.CloseKey();
    EXPECT_TRUE(QFileInfo(storePath()).isSymLink());
    EXPECT_TRUE(readFile(target).contains("\"Where\"=\"target\""));
    restart();
    ASSERT_TRUE(reg.OpenKey(SettingsRootKey, true));
    EXPECT_EQ(reg.GetString("Where", ""), QStringLiteral("target"));
    reg.WriteString("Where", "again");
    reg.CloseKey();
    EXPECT_TRUE(QFileInfo(storePath()).isSymLink());
    EXPECT_TRUE(readFile(target).contains("\"Where\"=\"again\""));
    restart();
    QFile::remove(storePath());
    QFile::remove(target);
}

// A file above the size limit is not read at all: it is set aside and the run starts on defaults.
TEST_F(RegistryTest, OversizedFileIsSetAsideUnread)
{
    QByteArray big = "QORVEL-SETTINGS 1\n[Software\\Velmora\\QVS22]\n\"Big\"=\"";
    big += QByteArray(RegistryStore::MaxFileSize, 'a');
    big += "\"\n; end of settings\n";
    writeFile(storePath(), big);
    restart();
    TqvRegistry reg;
    EXPECT_FALSE(reg.OpenKey(SettingsRootKey, false));
    EXPECT_EQ(reg.GetString("Big", "def"), QStringLiteral("def"));
    const QStringList aside = damagedCopies();
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(QFileInfo(inStoreDir(aside.first())).size(), big.size());
    EXPECT_TRUE(TRegistry::TakeStoreNotice().contains(aside.first()));
    QFile::remove(inStoreDir(aside.first()));
}

// Closing a key after writes that change nothing leaves the file alone.
TEST_F(RegistryTest, UnchangedContentIsNotWrittenAgain)
{
    TqvRegistry reg;
    ASSERT_TRUE(reg.OpenKey(SettingsRootKey + QStringLiteral("\\RESERVE"), true));
    reg.WriteString("SELECT", "");
    reg.CloseKey();
    // A second name for the file written: a new write (temporary file + rename) parts them.
    const QString second = storePath() + QStringLiteral(".second");
    QFile::remove(second);
    ASSERT_EQ(::link(QFile::encodeName(storePath()).constData(), QFile::encodeName(second).constData()), 0);
    auto sameFile = [&] { return inode(storePath()) == inode(second); };
    // Rewrite everything as the settings save does (one batch): delete the key, create it again.
    {
        TRegistryBatch batch;
        ASSERT_TRUE(reg.OpenKey(SettingsRootKey, false));
        ASSERT_TRUE(reg.DeleteKey(QStringLiteral("RESERVE")));
        ASSERT_TRUE(reg.OpenKey(SettingsRootKey + QStringLiteral("\\RESERVE"), true));
        reg.WriteString("SELECT", "");
        reg.CloseKey();
    }
    EXPECT_TRUE(sameFile());
    ASSERT_TRUE(reg.OpenKey(SettingsRootKey + QStringLiteral("\\RESERVE"), false));
    reg.WriteString("FROM", "");
    reg.CloseKey();
    EXPECT_FALSE(sameFile());
    QFile::remove(second);
}

} // namespace
