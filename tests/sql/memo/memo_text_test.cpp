#include "sql/memo_text.h"

#include "app/object_types.h"
#include "editor/editor_strings.h"
#include "editor/undo.h"
#include "platform/textcodec.h"

#include <QFile>
#include <QTemporaryDir>

#include <ostream>

#include <gtest/gtest.h>

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

using namespace qv;

TEST(MemoText, StrByteLengthCountsEditorColumns)
{
    const struct {
        QString text;
        int tab;
        int width;
    } cases[] = {
        {"", 4, 0},
        {"select 1", 4, 8},
        {"\t", 4, 4},
        {"a\tb", 8, 10},
        {QStringLiteral("日本語"), 4, 6},
        {QStringLiteral("ｱｲ"), 4, 4},                // one byte in CP932, three in UTF-8
        {QStringLiteral("é"), 4, 2},                  // two bytes in UTF-8
        {QString::fromUcs4(U"\U0001F600x", 2), 4, 3}, // a surrogate pair is one character
    };
    for (const auto& c : cases)
        EXPECT_EQ(StrByteLength(c.text, c.tab), c.width) << c.text.toStdString();
}

TEST(MemoText, SaveAsNameFollowsTheWindowKind)
{
    const struct {
        int type;
        QString schema, name, file;
    } cases[] = {
        {ObjType::Table, "", "Orders", "Orders.sql"},
        {ObjType::Table, "sales", "Orders", "sales.Orders.sql"},
        {ObjType::View, "dbo", "", "Script.sql"},
        {ObjType::Procedure, "dbo", "usp_Load", "dbo.usp_Load.sql"},
        {54, "dbo", "fn", "dbo.fn.sql"},
        {ObjType::Role, "ignored", "readers", "readers.sql"},
        {ObjType::OwnUser, "", "alice", "alice.sql"},
        {ObjType::FileGroup, "", "PRIMARY", "PRIMARY.sql"},
        {ObjType::Database, "", "Sales", "Script.sql"},
        {ObjType::None, "dbo", "x", "Script.sql"},
        // A name may hold characters a file name cannot; it stays in the chosen folder.
        {ObjType::Table, "dbo", "a/b", "dbo.ab.sql"},
        {ObjType::Table, "", "..", "...sql"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MemoDefaultFileName(c.type, c.schema, c.name), c.file) << c.type << " " << c.name.toStdString();
}

TEST(MemoText, PaletteReopensAtTheRememberedWidthWhenItFits)
{
    const struct {
        int remembered, frame, width;
    } cases[] = {
        {250, 800, 250}, {100, 800, 100}, {99, 800, 300}, {80, 800, 300}, {0, 800, 300}, {900, 800, 300}, {800, 800, 800},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PaletteShowWidth(c.remembered, c.frame), c.width) << c.remembered << " " << c.frame;
}

TEST(MemoText, EmptyAndOneBreakAreReadFromTheRowsAsTheJoinedTextSays)
{
    const QString texts[] = {"", "\r\n", "a", " ", "\r\n\r\n", "a\r\n", "\r\nb", "\n", "\r"};
    for (const QString& t : texts) {
        TEditorStrings lines;
        lines.SetTextStr(t);
        const QString joined = lines.GetTextStr();
        EXPECT_EQ(EditorTextEmpty(lines), joined.isEmpty()) << t.toStdString();
        EXPECT_EQ(EditorTextIsOneBreak(lines), joined == "\r\n") << t.toStdString();
    }
    // Typed and deleted again: empty once more.
    TEditorStrings lines;
    lines.Add("x");
    lines.Delete(0);
    EXPECT_EQ(EditorTextEmpty(lines), lines.GetTextStr().isEmpty());
}

TEST(MemoText, FilesLoadInOrderEachLineEndingWithABreak)
{
    QTemporaryDir dir;
    const struct {
        const char* name;
        QByteArray bytes;
    } files[] = {
        {"a.sql", "select 1\r\ngo"},          // no break at the end
        {"b.sql", ""},                        // empty
        {"c.sql", "select 2\nselect 3\n\n"}, // LF, an empty last line
        {"d.sql", "x\r\n"},
    };
    QStringList names;
    for (const auto& f : files) {
        QFile out(dir.filePath(f.name));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(f.bytes);
        names << out.fileName();
    }
    TEditorStrings lines;
    lines.SetTextStr(QStringLiteral("old text"));
    LoadFilesIntoLines(lines, names, TextEncoding::get(TextEncoding::Utf8));
    EXPECT_EQ(lines.GetTextStr(), "select 1\r\ngo\r\nselect 2\r\nselect 3\r\n\r\nx\r\n");
    EXPECT_FALSE(lines.Store().UndoObj().CanUndo());

    // A file that cannot be read raises.
    EXPECT_THROW(LoadFilesIntoLines(lines, {dir.filePath("missing.sql")}, TextEncoding::get(TextEncoding::Utf8)),
                 Exception);
}
