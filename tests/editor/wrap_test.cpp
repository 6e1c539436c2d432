#include "editor/editor_strings.h"
#include "editor/screen_strings.h"
#include "editor/wrap.h"
#include "store_client_helper.h"

#include <gtest/gtest.h>

using namespace qv;
using qvtest::Dump;

namespace {
QString Wide() { return QString(QChar(0x3042)); }      // a double-width character
QString Maru() { return QString(QChar(0x3002)); }      // "。"

QStringList Wrapped(TEditorScreenStrings& s, const QString& line)
{
    TEditorStringList rows;
    s.WrapText(line, rows);
    QStringList out;
    for (int i = 0; i < rows.Count(); ++i)
        out << rows.Get(i) + "|" + QString("cwei").at(rows.GetRows(i));
    return out;
}

struct Wrap20 : ::testing::Test {
    TEditorScreenStrings s;
    void SetUp() override
    {
        s.WrapOption().SetWrapByte(20);
        s.SetWordWrap(true);
    }
};
} // namespace

TEST(EditorWrap, WrapByteIsClamped)
{
    TEditorWrapOption o;
    o.SetWrapByte(10);
    EXPECT_EQ(o.WrapByte(), 20);
    o.SetWrapByte(300);
    EXPECT_EQ(o.WrapByte(), 250);
}

TEST(EditorWrap, ColumnMap)
{
    TColumnMapSettings cs;
    cs.TabSpaceCount = 4;
    EXPECT_EQ(GetColumnMap(u"a\tb", cs), "1233" "1");
    EXPECT_EQ(GetColumnMap(QString("a") + Wide() + ".", cs), "1452");
    cs.AmbiguousWide = false;
    EXPECT_EQ(GetColumnMap(QString(QChar(0xE9)), cs), "1");
    cs.AmbiguousWide = true;
    EXPECT_EQ(GetColumnMap(QString(QChar(0xE9)), cs), "45");
    EXPECT_EQ(ColumnMapExtra(u"1233", 4), 2);
    EXPECT_EQ(ExpandTab(u"a\tb", cs), QString("a") + QString(3, QChar(0x1B)) + "b");
    // A Latin-1 letter counts two for tab expansion but one cell in the map.
    cs.AmbiguousWide = false;
    const QString e = QString(QChar(0xE9)) + "\tb";
    EXPECT_EQ(GetColumnMap(e, cs), "1233" "1");
    EXPECT_EQ(ExpandTab(e, cs), QString(QChar(0xE9)) + QString(2, QChar(0x1B)) + "b");
}

TEST_F(Wrap20, PlainCuts)
{
    EXPECT_EQ(Wrapped(s, QString(45, 'a')),
              QStringList({QString(20, 'a') + "|w", QString(20, 'a') + "|w", QString(5, 'a') + "|c"}));
    EXPECT_EQ(Wrapped(s, QString(20, 'a')), QStringList({QString(20, 'a') + "|w", "|c"}));
    EXPECT_EQ(Wrapped(s, QString(19, 'a') + Wide()), QStringList({QString(19, 'a') + "|w", Wide() + "|c"}));
    EXPECT_EQ(s.WrapCount(QString(45, 'a')), 3);
    s.WrapOption().SetFollowRetMark(true);
    EXPECT_EQ(Wrapped(s, QString(20, 'a')), QStringList({QString(20, 'a') + "|c"}));
    EXPECT_EQ(s.WrapCount(QString(20, 'a')), 1);
}

TEST_F(Wrap20, HangingPunctuation)
{
    s.WrapOption().SetFollowPunctuation(true);
    const QString a20(20, 'a');
    EXPECT_EQ(Wrapped(s, a20 + Maru()), QStringList({a20 + Maru() + "|w", "|c"}));
    EXPECT_EQ(Wrapped(s, a20 + Maru() + Maru() + "b"),
              QStringList({a20 + Maru() + "|w", Maru() + "b|c"}));
}

TEST_F(Wrap20, LeadingAndFollowingMarks)
{
    s.WrapOption().SetLeading(true);
    EXPECT_EQ(Wrapped(s, QString(19, 'a') + "(bcd"), QStringList({QString(19, 'a') + "|w", "(bcd|c"}));
    EXPECT_EQ(Wrapped(s, QString(20, 'a') + ")x"), QStringList({QString(19, 'a') + "|w", "a)x|c"}));
    // The rules never move the cut back to column 16 or below.
    EXPECT_EQ(Wrapped(s, QString(10, 'a') + QString(10, '(') + "x")[0], QString(10, 'a') + QString(6, '(') + "|w");
}

TEST_F(Wrap20, WordBreak)
{
    s.WrapOption().SetWordBreak(true);
    EXPECT_EQ(Wrapped(s, QString(30, 'a'))[0], QString(6, 'a') + "|w");
    EXPECT_EQ(Wrapped(s, QString(11, 'a') + " " + QString(18, 'b'))[0], QString(11, 'a') + " |w");
}

TEST(EditorWrap, WrapOnOffKeepsMarksAndLines)
{
    auto store = std::make_shared<TEditorScreenStrings>();
    TEditorStrings lines(store);
    store->WrapOption().SetWrapByte(20);
    lines.SetTextStr(QString(45, 'x') + "\r\nshort\r\n" + QString(30, 'y'));
    store->SetRowMarks(1, RowMark(4)); // the long line, by its row
    store->SetWordWrap(true);
    EXPECT_EQ(store->Count(), 3 + 1 + 2);
    EXPECT_EQ(lines.Count(), 3);
    EXPECT_EQ(lines[0], QString(45, 'x'));
    EXPECT_EQ(lines[2], QString(30, 'y'));
    EXPECT_EQ(lines.LineToRow(1), 3);
    EXPECT_EQ(store->RowToLine(4), 2);
    EXPECT_EQ(store->GetRows(5), raEof);
    // The mark moved with its line: it was on the first (only) row of line 1.
    EXPECT_EQ(store->GetRowMarks(3), RowMark(4));
    store->SetWordWrap(false);
    EXPECT_EQ(Dump(*store), QStringList({QString(45, 'x') + "|c", "short|c", QString(30, 'y') + "|e"}));
    EXPECT_EQ(store->GetRowMarks(1), RowMark(4));

    // Editing inside a wrapped line re-wraps only that line.
    store->SetWordWrap(true);
    store->ReplaceRows(1, 1, QString(20, 'z'));
    EXPECT_EQ(lines[0], QString(20, 'x') + QString(20, 'z') + QString(5, 'x'));
    EXPECT_EQ(lines.Count(), 3);
    store->Undo();
    EXPECT_EQ(lines[0], QString(45, 'x'));
}
