// QVDOC documents and the user-command and report menus built from them.
#include "app/main_window.h"
#include "app/qvdoc.h"
#include "app/globals.h"
#include "app/mainwin/fake_connection_helper.h"
#include "support/modal_helper.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <gtest/gtest.h>

using namespace qv;

namespace {

void WriteFile(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

QByteArray CommandXml(int seq, int shortcut = 0, const char* version = "2")
{
    QByteArray v = version ? QByteArray(" QVDOC-VERSION=\"") + version + "\"" : QByteArray();
    return "<?xml version=\"1.0\"?><QVDOC" + v + "><USERCMD SEQ=\"" + QByteArray::number(seq) + "\" SHORTCUT=\"" +
           QByteArray::number(shortcut) + "\" SQL=\"select 1\"/></QVDOC>";
}

QByteArray ReportXml(const char* type, int outputType, const char* version = "2")
{
    QByteArray v = version ? QByteArray(" QVDOC-VERSION=\"") + version + "\"" : QByteArray();
    return "<QVDOC" + v + "><XLSDEF TYPE=\"" + type + "\" OUTPUTTYPE=\"" + QByteArray::number(outputType) +
           "\" BODYTOP=\"5\" BODYCOUNT=\"10\"/></QVDOC>";
}

QStringList Names(const QList<QvMenuEntry>& entries)
{
    QStringList out;
    for (const QvMenuEntry& e : entries)
        out << e.Name;
    return out;
}

// The generated items of a menu (those above its separator).
QList<QAction*> Generated(QMenu* m)
{
    QList<QAction*> out;
    for (QAction* a : m->actions()) {
        if (a->isSeparator())
            break;
        out << a;
    }
    return out;
}

struct QvDocFolders : ::testing::Test {
    void SetUp() override
    {
        QDir(UserCommandDir()).removeRecursively();
        QDir(ReportDefinitionDir()).removeRecursively();
    }
    void TearDown() override { SetUp(); }
};

} // namespace

TEST(QvDoc, VersionRuleOfTheReaders)
{
    struct Case {
        const char* xml;
        bool strict;   // refused with a missing version
        bool lenient;  // the user-command menu's rule
    } cases[] = {
        {"<QVDOC QVDOC-VERSION=\"2\"/>", true, true},
        {"<QVDOC QVDOC-VERSION=\"1.5\"/>", true, true},
        {"<QVDOC QVDOC-VERSION=\"2.1\"/>", false, false},
        {"<QVDOC QVDOC-VERSION=\"3\"/>", false, false},
        {"<QVDOC QVDOC-VERSION=\"abc\"/>", false, true},
        {"<QVDOC QVDOC-VERSION=\"\"/>", false, true},
        {"<QVDOC/>", false, true},
        {"<qvdoc QVDOC-VERSION=\"2\"/>", false, false}, // the root's name is compared exactly
    };
    for (const Case& c : cases) {
        for (auto [mode, expected] : {std::pair{QvDocMissingVersion::Refuse, c.strict},
                                      std::pair{QvDocMissingVersion::AsZero, c.lenient}}) {
            bool accepted = true;
            try {
                QvDocument::parse(c.xml, mode);
            } catch (const EQvDocVersion& e) {
                accepted = false;
                EXPECT_EQ(e.message(), QStringLiteral("このバージョンのファイルには対応していません。"));
            }
            EXPECT_EQ(accepted, expected) << c.xml;
        }
    }
    try {
        QvDocument::parse("<QVDOC QVDOC-VERSION=\"2\"><USERCMD");
        ADD_FAILURE() << "a broken document was read";
    } catch (const EQvDocFormat& e) {
        EXPECT_EQ(e.message(), QStringLiteral("指定されたファイルの形式を認識できません。"));
    }
}

TEST_F(QvDocFolders, UserCommandRoundTripKeepsLineBreaksAndFlags)
{
    UserCommand c;
    c.Seq = 7;
    c.Name = QStringLiteral("件数");
    c.ShortCut = ShortCutToCode(QKeySequence(QStringLiteral("Ctrl+Shift+F5")));
    c.Dialog = true;
    c.IgnoreError = true;
    c.Sql = QStringLiteral("select count(*)\r\nfrom &DATABASE..&NAME\r\n\twhere x = '<a & \"b\">'");
    WriteUserCommand(UserCommandDir(), c);
    const QString path = UserCommandFile(UserCommandDir(), c.Name);
    EXPECT_EQ(ReadUserCommand(path), c);
    EXPECT_EQ(c.ShortCut, 0x74 | 0x2000 | 0x4000);
    EXPECT_EQ(CodeToShortCut(c.ShortCut), QKeySequence(QStringLiteral("Ctrl+Shift+F5")));
    // The document as other readers see it: root, version 2, the attributes in order.
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray xml = f.readAll();
    EXPECT_TRUE(xml.contains("<QVDOC QVDOC-VERSION=\"2\">")) << xml.constData();
    EXPECT_LT(xml.indexOf("SEQ="), xml.indexOf("NAME="));
    EXPECT_LT(xml.indexOf("ERROR="), xml.indexOf("SQL="));
    EXPECT_TRUE(xml.contains("DIALOG=\"true\""));
    EXPECT_TRUE(xml.contains("SQLWINDOW=\"false\""));
    // The file name is authoritative, not NAME.
    QFile::rename(path, UserCommandFile(UserCommandDir(), QStringLiteral("renamed")));
    EXPECT_EQ(ReadUserCommand(UserCommandFile(UserCommandDir(), QStringLiteral("renamed"))).Name, "renamed");
}

TEST_F(QvDocFolders, CommandMenuOrderBySeqThenExchangeSort)
{
    const QString dir = UserCommandDir();
    WriteFile(dir + "a.cmd", CommandXml(1));
    WriteFile(dir + "b.cmd", CommandXml(2));
    WriteFile(dir + "c.cmd", CommandXml(1));
    EXPECT_EQ(Names(UserCommandMenuEntries(dir)), (QStringList{"a", "c", "b"}));
    WriteFile(dir + "b.cmd", CommandXml(1));
    WriteFile(dir + "c.cmd", CommandXml(0));
    EXPECT_EQ(Names(UserCommandMenuEntries(dir)), (QStringList{"c", "b", "a"}));
}

TEST_F(QvDocFolders, CommandMenuListsEveryFileWithWhatItCanRead)
{
    const QString dir = UserCommandDir();
    WriteFile(dir + "NoVersion.cmd", CommandXml(3, 0x4000 | 0x51, nullptr)); // Ctrl+Q, missing version reads as 0
    WriteFile(dir + "other.cmd", "<ROOT QVDOC-VERSION=\"2\"><USERCMD SEQ=\"5\" SHORTCUT=\"16465\"/></ROOT>");
    WriteFile(dir + "newer.cmd", CommandXml(4, 0x4000 | 0x52, "3"));
    WriteFile(dir + "broken.cmd", "<QVDOC");
    WriteFile(dir + ".hidden.cmd", CommandXml(1));
    WriteFile(dir + "notes.txt", "x");
    const auto entries = UserCommandMenuEntries(dir);
    ASSERT_EQ(Names(entries), (QStringList{"broken", "newer", "other", "NoVersion"}));
    EXPECT_EQ(entries[3], (QvMenuEntry{"NoVersion", 0x4000 | 0x51, 3}));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(entries[i].ShortCut + entries[i].Tag, 0) << entries[i].Name.toStdString();
}

TEST_F(QvDocFolders, ReportTagsOfTheMenu)
{
    const QString dir = ReportDefinitionDir();
    WriteFile(dir + "t1.def", ReportXml("TABLE", 1));
    WriteFile(dir + "t0.def", ReportXml("VIEW", 0));
    WriteFile(dir + "obj.def", ReportXml("OBJECT", 1));
    WriteFile(dir + "unknown.def", ReportXml("table", 1)); // keywords are compared exactly
    WriteFile(dir + "noversion.def", ReportXml("TABLE", 1, nullptr));
    WriteFile(dir + "broken.def", "<QVDOC QVDOC-VERSION=\"2\"><XLSDEF");
    const auto entries = ReportMenuEntries(dir);
    QHash<QString, int> tags;
    for (const QvMenuEntry& e : entries)
        tags[e.Name] = e.Tag;
    EXPECT_EQ(Names(entries), (QStringList{"broken", "noversion", "obj", "t0", "t1", "unknown"}));
    EXPECT_EQ(tags["t1"], 2);
    EXPECT_EQ(tags["t0"], 1);
    for (const char* n : {"obj", "unknown", "noversion", "broken"})
        EXPECT_EQ(tags[n], 0) << n;
    EXPECT_EQ(IndexOfReportTag("STORAGE", 1), 14);
    EXPECT_EQ(IndexOfReportTag("STORAGETYPE", 1), 13);
    EXPECT_EQ(IndexOfReportTag(QStringLiteral("オブジェクト一覧"), 0), 0);
    EXPECT_EQ(IndexOfReportTag(QStringLiteral("動的データマスク"), 0), 45);
    EXPECT_EQ(ReportTagCount(), 46);
}

TEST_F(QvDocFolders, MainWindowBuildsBothMenusAndTheConnectionWindowsCopies)
{
    WriteFile(UserCommandDir() + "b.cmd", CommandXml(2));
    WriteFile(UserCommandDir() + "a.cmd", CommandXml(1, 0x4000 | 0x70)); // Ctrl+F1
    WriteFile(ReportDefinitionDir() + "Tables.def", ReportXml("TABLE", 1));
    TfrmMain w;
    QMenu* cmd = w.menu("mnuCommandMenu");
    auto items = Generated(cmd);
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0]->text(), "a");
    EXPECT_EQ(items[0]->shortcut(), QKeySequence(QStringLiteral("Ctrl+F1")));
    EXPECT_EQ(items[0]->data().toInt(), 1);
    EXPECT_EQ(items[1]->text(), "b");
    // The separator and the setup command stay below the items.
    EXPECT_EQ(cmd->actions().last(), w.action("actToolCommandSetup"));
    ASSERT_EQ(Generated(w.menu("mnuReportMenu")).size(), 1);
    EXPECT_EQ(Generated(w.menu("mnuReportMenu"))[0]->data().toInt(), 2);

    // A look at the menu as the user sees it.
    w.resize(900, 600);
    w.show();
    QApplication::processEvents();
    cmd->popup(w.mapToGlobal(QPoint(300, 40)));
    QApplication::processEvents();
    EXPECT_GE(cmd->width(), cmd->sizeHint().width());
    qvtest::saveGrab(cmd, "user_command_menu");
    cmd->hide();

    auto* c = new qvtest::FakeConnectionWindow("sa", "srv", "db");
    c->open();
    c->calls.clear();
    QFile::remove(UserCommandDir() + "b.cmd");
    w.SetCommandList();
    w.SetReportList();
    EXPECT_EQ(Generated(cmd).size(), 1);
    EXPECT_TRUE(c->calls.contains("SetCommandList"));
    EXPECT_TRUE(c->calls.contains("SetReportList"));
    // Clicking an item runs it through the current connection.
    Generated(cmd)[0]->trigger();
    Generated(w.menu("mnuReportMenu"))[0]->trigger();
    EXPECT_TRUE(c->calls.contains("UserCommand"));
    EXPECT_TRUE(c->calls.contains("Report"));
}
