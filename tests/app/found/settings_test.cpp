#include "settings_helper.h"

#include "app/reserved_words.h"
#include "app/scrambler.h"

#include <QAction>
#include <QSet>

using namespace qv;
using qvtest::RestartStore;
using qvtest::SettingsTest;

namespace {

QStringList sortedBuiltIn()
{
    QStringList l;
    LoadDefaultReserveWords(l);
    std::stable_sort(l.begin(), l.end(), [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return l;
}

TEST_F(SettingsTest, FirstStartWritesVersionSubkeysAndDefaults)
{
    LoadSettings();
    // Defaults of the records.
    EXPECT_EQ(qvOption.TempDir, DataDir() + QStringLiteral("temp/"));
    EXPECT_EQ(qvOption.ExcelFormMatrix, DataDir() + QStringLiteral("xlsdef/qvmatrix.xls"));
    EXPECT_EQ(qvOption.SaveBeforeSrcDir, DataDir());
    EXPECT_EQ(qvOption.FileDir, DocumentsDir());
    EXPECT_EQ(qvOption.CSVDir, DocumentsDir());
    EXPECT_EQ(qvOption.DateFormat, QStringLiteral("yyyy/MM/dd"));
    EXPECT_EQ(qvOption.DefTopRecord, 1000);
    EXPECT_EQ(qvOption.Encoding, 2);
    EXPECT_TRUE(qvOption.UseLowerName);
    EXPECT_EQ(qvOption.OpenMode, omDefine);
    EXPECT_EQ(qvOption.ExcelExt, QString());
    EXPECT_EQ(ScriptOption.Database, 3);
    EXPECT_EQ(ScriptOption.Owner, 2);
    EXPECT_EQ(ScriptOption.Path, DocumentsDir());
    EXPECT_TRUE(ScriptOption.NameTable.isEmpty());
    EXPECT_EQ(LoadOption.SaveDir, DocumentsDir());
    EXPECT_EQ(LoadOption.BindSize, 4096);
    EXPECT_EQ(LoadOption.Pass, QString());
    EXPECT_EQ(qvPrintOption.MMLeftMargin, 20);
    EXPECT_EQ(qvPrintOption.FontName, QStringLiteral("ＭＳ ゴシック"));
    EXPECT_TRUE(CompOption.Only2);
    EXPECT_TRUE(LockOption.ShowSysObj);
    EXPECT_EQ(FormatOption.Indent, 4);
    EXPECT_EQ(MemoOption.CodeAssistDelayTime, 800);
    EXPECT_EQ(ReserveWordList, sortedBuiltIn());

    // The load alone creates the subkeys, empty, and the version.
    TqvRegistry& reg = open(QString());
    EXPECT_EQ(reg.GetInteger("Version", 0), 80004);
    const QStringList subkeys = reg.GetKeyNames();
    for (const char* k : {"PRINTOPTION", "SHORTCUT", "TEXTOUT", "LOADER", "TRACE", "COMP", "LOCK", "FORMAT", "RESERVE", "EDITOR"})
        EXPECT_TRUE(subkeys.contains(QLatin1String(k))) << k;
    open("TEXTOUT");
    EXPECT_TRUE(reg.GetValueNames().isEmpty());

    SaveSettings();
    RestartStore();
    open(QString());
    EXPECT_EQ(reg.GetInteger("Version", 0), 80004);
    EXPECT_EQ(reg.GetString("TempDir", ""), DataDir() + QStringLiteral("temp/"));
    EXPECT_EQ(reg.GetInteger("UserLowerName", -1), 1);
    EXPECT_FALSE(reg.ValueExists("UseLowerName"));
    EXPECT_FALSE(reg.ValueExists("ExcelExt"));
    EXPECT_TRUE(reg.ValueExists("RetryCnt"));
    EXPECT_EQ(reg.GetInteger("LoginTimeout", -1), 15);
    EXPECT_EQ(reg.GetInteger("QueryTimeout", -1), 60);
    EXPECT_EQ(reg.GetValueNames().size(), 1 + 102); // "Version" and the 103 options but ExcelExt
    open("SHORTCUT");
    QStringList names = reg.GetValueNames();
    ASSERT_EQ(names.size(), 80);
    EXPECT_EQ(names.first(), QStringLiteral("DBCommit"));
    EXPECT_EQ(names.last(), QStringLiteral("AddWorkSpace"));
    EXPECT_TRUE(names.contains("EditOpen"));
    open("TEXTOUT");
    EXPECT_EQ(reg.GetInteger("Database", -1), 3);
    EXPECT_EQ(reg.GetInteger("Schema", -1), 2);
    EXPECT_EQ(reg.GetBool("FileGroup", false), true);
    open("PRINTOPTION");
    EXPECT_EQ(reg.GetInteger("LeftMargin", 0), 20);
    open("FORMAT");
    EXPECT_EQ(reg.GetValueNames(), (QStringList{"Indent", "ItemReturn", "ReservePos", "CommaPos", "AndPos", "ReserveTrans", "ItemTrans"}));
    open("LOADER");
    EXPECT_FALSE(reg.ValueExists("ControlFile"));
    EXPECT_EQ(reg.ReadString("Pass"), QString());
    open("EDITOR");
    EXPECT_TRUE(reg.GetBool("CodeAssistCallOfDot", false));
    EXPECT_EQ(reg.GetInteger("ReserveColor", 0), 0x800000);
    EXPECT_TRUE(reg.GetBool("ReserveBold", false));
    // Reserved words that differ only in letter case share one value.
    open("RESERVE");
    EXPECT_EQ(reg.GetValueNames().size(), 1334 - 22);
    reg.CloseKey();

    // The next start reads the list from there.
    LoadSettings();
    EXPECT_EQ(ReserveWordList.size(), 1312);
    EXPECT_TRUE(std::is_sorted(ReserveWordList.begin(), ReserveWordList.end(),
                               [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; }));
}

TEST_F(SettingsTest, OlderVersionDropsWindowGeometryOnly)
{
    for (int version : {0, 80003, 80004, 90000}) {
        SCOPED_TRACE(version);
        qvtest::ResetSettingsStore();
        TqvRegistry& reg = open("GUI\\MAIN", true);
        reg.WriteInteger("Left", 10);
        open("COMP", true);
        reg.WriteBool("Only1", false);
        if (version) {
            open(QString());
            reg.WriteInteger("Version", version);
        }
        reg.CloseKey();
        LoadSettings();
        EXPECT_EQ(reg.KeyExists(SettingsRootKey + "\\GUI\\MAIN"), version >= 80004);
        EXPECT_FALSE(CompOption.Only1);
        open(QString());
        EXPECT_EQ(reg.GetInteger("Version", 0), std::max(version, 80004));
        reg.CloseKey();
    }
}

TEST_F(SettingsTest, OldEditorKeyIsDroppedWithItsSubkeys)
{
    for (bool current : {false, true}) {
        SCOPED_TRACE(current);
        qvtest::ResetSettingsStore();
        TqvRegistry& reg = open("EDITOR\\FINDHISTORY", true);
        reg.WriteString("0", "select");
        open("EDITOR");
        reg.WriteInteger("FontSize", 14);
        if (current)
            reg.WriteBool("CodeAssistCallOfDot", false);
        reg.CloseKey();
        LoadSettings();
        EXPECT_EQ(reg.KeyExists(SettingsRootKey + "\\EDITOR\\FINDHISTORY"), current);
        EXPECT_EQ(prpEditor.Font.Size, current ? 14 : 10);
        EXPECT_EQ(MemoOption.CodeAssistCallOfDot, !current);
        EXPECT_TRUE(reg.KeyExists(SettingsRootKey + "\\EDITOR"));
    }
}

TEST_F(SettingsTest, ChangedOptionsSurviveSaveAndLoad)
{
    LoadSettings();
    qvOption.TreeSort = 1;
    qvOption.OpenMode = omData;
    qvOption.UseLowerName = false;
    qvOption.DataFontName = QStringLiteral("Noto Sans Mono CJK JP");
    qvOption.TempDir = QStringLiteral("/var/tmp/qv/");
    qvOption.CSVTitle = tmNone;
    qvOption.ExcelExt = QStringLiteral(".xlsx");
    qvPrintOption.Orientation = 1;
    ScriptOption.NameTable = {QStringLiteral("SRV1=db.dbo.names"), QStringLiteral("SRV2=x.y.z")};
    ScriptOption.Owner = 0;
    LoadOption.Pass = QStringLiteral("pa ss");
    LoadOption.ControlFile = QStringLiteral("/tmp/a.fmt");
    TrcOption.Path = {QStringLiteral("/srv/trace/")};
    CompOption.NotEqurl = false;
    LockOption.ShowSysObj = false;
    FormatOption.ReserveTrans = 7;
    MemoOption.ShowToolPalette = false;
    prpEditor.View.Colors.Select.Bold = true;
    SaveSettings();

    open("TEXTOUT");
    EXPECT_EQ(Registry().ReadString("NameTable"), QStringLiteral("SRV1=db.dbo.names\r\nSRV2=x.y.z\r\n"));
    open("LOADER");
    const QString stored = Registry().ReadString("Pass");
    EXPECT_EQ(stored.size(), 132);
    EXPECT_EQ(UnscrambleText(stored), QStringLiteral("pa ss"));
    open("TRACE");
    EXPECT_EQ(Registry().ReadString("Path"), QStringLiteral("/srv/trace/\r\n"));
    Registry().CloseKey();

    qvtest::ResetSettingsStore();   // forget memory but not the file
    RestartStore();
    LoadSettings();
    EXPECT_EQ(qvOption.TreeSort, 0); // the file was removed by the reset
}

TEST_F(SettingsTest, RoundTripThroughTheFile)
{
    LoadSettings();
    qvOption.TreeSort = 1;
    qvOption.OpenMode = omData;
    qvOption.UseLowerName = false;
    qvOption.TempDir = QStringLiteral("/var/tmp/qv/");
    qvOption.CSVTitle = tmNone;
    ScriptOption.NameTable = {QStringLiteral("SRV1=db.dbo.names")};
    ScriptOption.Owner = 0;
    LoadOption.Pass = QStringLiteral("secret");
    LoadOption.ControlFile = QStringLiteral("/tmp/a.fmt");
    TrcOption.Path = {QStringLiteral("/srv/trace/")};
    CompOption.NotEqurl = false;
    LockOption.ShowSysObj = false;
    FormatOption.ReserveTrans = 7;
    MemoOption.ShowToolPalette = false;
    prpEditor.View.Colors.Select.Bold = true;
    SaveSettings();

    qvOption = {};
    ScriptOption = {};
    LoadOption = {};
    TrcOption = {};
    CompOption = {};
    LockOption = {};
    FormatOption = {};
    MemoOption = {};
    prpEditor = {};
    RestartStore();
    LoadSettings();
    EXPECT_EQ(qvOption.TreeSort, 1);
    EXPECT_EQ(qvOption.OpenMode, omData);
    EXPECT_FALSE(qvOption.UseLowerName);
    EXPECT_EQ(qvOption.TempDir, QStringLiteral("/var/tmp/qv/"));
    EXPECT_EQ(qvOption.CSVTitle, tmNone);
    EXPECT_EQ(ScriptOption.NameTable, QStringList{"SRV1=db.dbo.names"});
    EXPECT_EQ(ListValue(ScriptOption.NameTable, "srv1"), QStringLiteral("db.dbo.names"));
    EXPECT_EQ(ScriptOption.Owner, 0);
    EXPECT_EQ(LoadOption.Pass, QStringLiteral("secret"));
    EXPECT_EQ(LoadOption.ControlFile, QString()); // not stored
    EXPECT_EQ(TrcOption.Path, QStringList{"/srv/trace/"});
    EXPECT_FALSE(CompOption.NotEqurl);
    EXPECT_FALSE(LockOption.ShowSysObj);
    EXPECT_EQ(FormatOption.ReserveTrans, 7);
    EXPECT_FALSE(MemoOption.ShowToolPalette);
    EXPECT_TRUE(prpEditor.View.Colors.Select.Bold);
    EXPECT_FALSE(prpEditor.View.Colors.Hit.Bold);
}

TEST_F(SettingsTest, StoredValuesAreTakenAsTheyCome)
{
    TqvRegistry& reg = open(QString(), true);
    reg.WriteInteger("Version", 80004);
    reg.WriteInteger("UseLowerName", 0);   // not the stored name: no effect
    reg.WriteString("FileDir", "");        // empty text reads as the default
    reg.WriteString("ExcelExt", ".XLSX");  // lower-cased on reading
    reg.WriteInteger("OpenMode", 9);       // out of range, kept
    reg.WriteString("DefTopRecord", "50"); // wrong type: default
    open("LOADER", true);
    reg.WriteString("Pass", "not a stored form");
    reg.CloseKey();
    LoadSettings();
    EXPECT_TRUE(qvOption.UseLowerName);
    EXPECT_EQ(qvOption.FileDir, DocumentsDir());
    EXPECT_EQ(qvOption.ExcelExt, QStringLiteral(".xlsx"));
    EXPECT_EQ(int(qvOption.OpenMode), 9);
    EXPECT_EQ(qvOption.DefTopRecord, 1000);
    EXPECT_EQ(LoadOption.Pass, QString());

    open(QString());
    reg.WriteInteger("UserLowerName", 0);
    reg.CloseKey();
    LoadSettings();
    EXPECT_FALSE(qvOption.UseLowerName);
    SaveSettings();
    open(QString());
    EXPECT_EQ(reg.ReadString("ExcelExt"), QStringLiteral(".XLSX")); // never written back
    reg.CloseKey();
}

TEST_F(SettingsTest, ReservedWordsCollapseByCaseAndEmptyKeyRestoresTheList)
{
    TqvRegistry& reg = open("RESERVE", true);
    reg.WriteString("zeta", "");
    reg.WriteString("Alpha", "");
    reg.CloseKey();
    LoadSettings();
    EXPECT_EQ(ReserveWordList, (QStringList{"Alpha", "zeta"}));

    ReserveWordList = {"MyWord", "myword", "Other"};
    SaveSettings();
    open("RESERVE");
    EXPECT_EQ(reg.GetValueNames(), (QStringList{"MyWord", "Other"}));
    EXPECT_EQ(reg.GetDataType("MyWord"), RegDataType::String);
    for (const QString& n : reg.GetValueNames())
        reg.DeleteValue(n);
    reg.CloseKey();
    LoadSettings();
    EXPECT_EQ(ReserveWordList.size(), 1334);
    EXPECT_EQ(prpEditor.ReserveWordList().size(), 1312);
}

TEST_F(SettingsTest, ShortcutsFollowTheActions)
{
    QObject owner;
    auto* find = new QAction(&owner);
    find->setObjectName("actEditFind");
    find->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    auto* exec = new QAction(&owner);
    exec->setObjectName("actExec");
    exec->setShortcut(QKeySequence(Qt::Key_F5));
    auto* grep = new QAction(&owner);
    grep->setObjectName("actGrep");
    SetShortcutActionOwner(&owner);

    TqvRegistry& reg = open("SHORTCUT", true);
    reg.WriteString("ObjectExec", "Shift+Ctrl+F9");
    reg.WriteString("ObjectGrep", "NoSuchKey");
    reg.CloseKey();
    LoadSettings();
    EXPECT_EQ(find->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F)); // designed shortcut kept
    EXPECT_EQ(exec->shortcut(), QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_F9));
    EXPECT_TRUE(grep->shortcut().isEmpty());

    find->setShortcut(QKeySequence()); // removed by the user
    SaveSettings();
    open("SHORTCUT");
    EXPECT_EQ(reg.ReadString("EditFind"), QString());
    EXPECT_EQ(reg.ReadString("ObjectExec"), QStringLiteral("Shift+Ctrl+F9"));
    reg.CloseKey();

    // An empty stored shortcut reads as the designed one at the next start.
    find->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    LoadSettings();
    EXPECT_EQ(find->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));
    SetShortcutActionOwner(nullptr);
}

TEST(ShortcutText, TextFormRoundTrips)
{
    const struct {
        QKeyCombination key;
        const char* text;
    } cases[] = {
        {Qt::CTRL | Qt::Key_F, "Ctrl+F"},
        {Qt::SHIFT | Qt::CTRL | Qt::ALT | Qt::Key_1, "Shift+Ctrl+Alt+1"},
        {QKeyCombination(Qt::Key_F12), "F12"},
        {Qt::CTRL | Qt::Key_Return, "Ctrl+Enter"},
        {Qt::SHIFT | Qt::Key_Delete, "Shift+Del"},
        {QKeyCombination(Qt::Key_Backspace), "BkSp"},
        {Qt::ALT | Qt::Key_PageDown, "Alt+PgDn"},
        {Qt::CTRL | Qt::Key_Space, "Ctrl+Space"},
        {Qt::CTRL | Qt::Key_Insert, "Ctrl+Ins"},
        {Qt::CTRL | Qt::Key_Slash, "Ctrl+/"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ShortCutToText(QKeySequence(c.key)), QString::fromLatin1(c.text));
        EXPECT_EQ(TextToShortCut(QString::fromLatin1(c.text)), QKeySequence(c.key)) << c.text;
    }
    EXPECT_EQ(TextToShortCut("ctrl+shift+f"), QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_F));
    for (const char* bad : {"", "Ctrl+", "Foo", "Ctrl+Foo", "F0", "Ctrl+A+B"})
        EXPECT_TRUE(TextToShortCut(QString::fromLatin1(bad)).isEmpty()) << bad;
    EXPECT_EQ(ShortCutToText(QKeySequence()), QString());
}

TEST_F(SettingsTest, EditorDefaultsAndFixedProperties)
{
    TqvRegistry& reg = open("EDITOR", true);
    reg.WriteBool("CodeAssistCallOfDot", true);
    reg.WriteInteger("HitBold", 1);
    reg.WriteInteger("RulerSize", 7);
    reg.WriteInteger("WrapByte", 500);
    reg.WriteInteger("TabSize", 3);
    reg.WriteInteger("CommentColor", 0x123456);
    reg.CloseKey();
    prpEditor.Caret.LockScroll = true;
    prpEditor.View.Quotation = "\"";
    LoadSettings();
    const EditorPropertySet& p = prpEditor;
    EXPECT_TRUE(p.Leftbar.Visible);
    EXPECT_TRUE(p.Ruler.Visible);
    EXPECT_EQ(p.Ruler.GaugeRange, 10);
    EXPECT_EQ(p.WrapByte(), 250);
    EXPECT_EQ(p.Caret.TabSpaceCount, 4);
    EXPECT_TRUE(p.Caret.SoftTab);
    EXPECT_TRUE(p.View.Colors.Hit.Bold);
    EXPECT_FALSE(p.View.Colors.Select.Bold);
    EXPECT_TRUE(p.View.Colors.Reserve.Bold);
    EXPECT_EQ(p.View.Colors.Reserve.Color, 0x800000u);
    EXPECT_EQ(p.View.Colors.Comment.Color, 0x123456u);
    ASSERT_EQ(p.View.Brackets.size(), 1);
    EXPECT_EQ(p.View.Brackets[0].LeftBracket, QStringLiteral("/*"));
    EXPECT_EQ(p.View.Brackets[0].RightBracket, QStringLiteral("*/"));
    EXPECT_EQ(p.View.Brackets[0].Color, 0x123456u);
    EXPECT_EQ(p.View.Brackets[0].BkColor, clNone);
    EXPECT_FALSE(p.Caret.LockScroll);
    EXPECT_EQ(p.View.Quotation, QStringLiteral("'"));
    EXPECT_EQ(p.View.Commenter, QStringLiteral("--"));
    EXPECT_FALSE(p.Imagebar.Visible);
    EXPECT_EQ(ToQColor(0x0000FF), QColor(255, 0, 0));
    EXPECT_FALSE(ToQColor(clNone).isValid());
    EXPECT_EQ(FromQColor(QColor(0x11, 0x22, 0x33)), 0x332211u);
}

} // namespace
