#include "editor/screen_strings.h"
#include "editor/undo.h"
#include "store_client_helper.h"

#include <gtest/gtest.h>

using namespace qv;
using qvtest::Dump;
using qvtest::FakeEditor;

namespace {
const QString CRLF = QStringLiteral("\r\n");
}

TEST(EditorStore, ReplaceOnEmptyStoreAndUndo)
{
    TEditorScreenStrings s;
    s.ReplaceRows(0, 0, "a" + CRLF);
    EXPECT_EQ(Dump(s), QStringList({"a|c"}));
    EXPECT_EQ(s.JoinRows(), "a" + CRLF);
    s.Undo();
    EXPECT_EQ(s.Count(), 0);
    s.Redo();
    EXPECT_EQ(Dump(s), QStringList({"a|c"}));
}

TEST(EditorStore, ReplaceKeepsRowEnds)
{
    TEditorScreenStrings s;
    s.SetText(u"T");
    EXPECT_EQ(Dump(s), QStringList({"T|e"}));
    s.ReplaceRows(0, 1, "T" + CRLF + "x");
    EXPECT_EQ(Dump(s), QStringList({"T|c", "x|e"}));
    s.ReplaceRows(0, 0, "top" + CRLF);
    EXPECT_EQ(Dump(s), QStringList({"top|c", "T|c", "x|e"}));
    s.ReplaceRows(3, 0, "tail"); // appending at the row count continues the open last line
    EXPECT_EQ(Dump(s), QStringList({"top|c", "T|c", "xtail|e"}));
    s.ReplaceRows(3, 0, CRLF + "more" + CRLF);
    s.ReplaceRows(4, 0, "end");
    EXPECT_EQ(Dump(s), QStringList({"top|c", "T|c", "xtail|c", "more|c", "end|e"}));
    s.Undo();
    s.Undo();
    s.Undo();
    s.Undo();
    s.Undo();
    EXPECT_EQ(Dump(s), QStringList({"T|e"}));
}

TEST(EditorStore, InvalidReplaceDoesNothing)
{
    TEditorScreenStrings s;
    s.SetText(u"a\r\nb");
    s.ReplaceRows(1, 2, "x");  // beyond the last row
    s.ReplaceRows(0, 0, "");   // nothing to do
    s.ReplaceRows(-1, 1, "x");
    s.ReplaceRows(3, 0, "x");
    EXPECT_EQ(Dump(s), QStringList({"a|c", "b|e"}));
    EXPECT_FALSE(s.UndoObj().CanUndo());
}

TEST(EditorStore, UndoLimitRedoAndGroups)
{
    TEditorScreenStrings s;
    for (int i = 0; i < 65; ++i)
        s.ReplaceRows(s.Count(), 0, QString::number(i) + CRLF);
    EXPECT_EQ(s.UndoObj().UndoCount(), 64); // the first step is gone
    s.UndoObj().SetListMax(10);
    EXPECT_EQ(s.UndoObj().ListMax(), 64);
    while (s.UndoObj().CanUndo())
        s.Undo();
    EXPECT_EQ(Dump(s), QStringList({"0|c"}));

    TEditorScreenStrings t;
    for (const char* c : {"a", "b", "c"})
        t.ReplaceRows(t.Count() ? t.Count() - 1 : 0, t.Count() ? 1 : 0, (t.Count() ? t.Get(0) : QString()) + c);
    EXPECT_EQ(t.Get(0), "abc");
    t.Undo();
    t.Undo();
    t.Undo();
    EXPECT_EQ(t.Count(), 0);
    t.Redo();
    EXPECT_EQ(t.Get(0), "a");
    EXPECT_EQ(t.UndoObj().RedoCount(), 2);
    t.ReplaceRows(0, 1, "z");
    EXPECT_FALSE(t.UndoObj().CanRedo());

    // Many replacements inside a group are one step.
    TEditorScreenStrings g;
    g.SetText(u"x1\r\nx2\r\nx3\r\n");
    g.UndoObj().BeginGroup();
    for (int i = 0; i < 3; ++i)
        g.ReplaceRows(i, 1, "y" + QString::number(i + 1) + CRLF);
    g.UndoObj().EndGroup();
    EXPECT_EQ(g.UndoObj().UndoCount(), 1);
    g.Undo();
    EXPECT_EQ(g.JoinRows(), "x1\r\nx2\r\nx3\r\n");
    g.Redo();
    EXPECT_EQ(g.JoinRows(), "y1\r\ny2\r\ny3\r\n");
    EXPECT_EQ(g.UndoObj().UndoCount(), 1);
}

TEST(EditorStore, UndoRestoresCaretOfActiveEditor)
{
    auto s = std::make_shared<TEditorScreenStrings>();
    FakeEditor ed;
    s->AddClient(&ed);
    s->SetText(u"a\r\nb\r\nc");
    ed.row = 1;
    ed.col = 1;
    s->ReplaceRows(1, 1, QString()); // delete line "b"
    EXPECT_EQ(Dump(*s), QStringList({"a|c", "c|e"}));
    ed.row = 0;
    ed.col = 0;
    s->Undo();
    EXPECT_EQ(Dump(*s), QStringList({"a|c", "b|c", "c|e"}));
    EXPECT_EQ(ed.row, 1);
    EXPECT_EQ(ed.col, 1);
}

TEST(EditorStore, RowMarksFollowTheirText)
{
    TEditorScreenStrings s;
    s.SetText(u"a\r\nb\r\nc\r\nd");
    s.SetRowMarks(1, RowMark(1));
    s.SetRowMarks(2, RowMark(2));
    s.IncludeRowMarks(RowMark(1) | RowMark(2));
    s.ReplaceRows(1, 2, QString());
    EXPECT_EQ(Dump(s), QStringList({"a|c", "d|e"}));
    EXPECT_EQ(s.GetRowMarks(1), RowMark(1) | RowMark(2));
    s.ReplaceRows(0, 2, QString());
    EXPECT_EQ(s.Count(), 0);
    EXPECT_EQ(s.ValidRowMarks(), 0);

    // A line break typed at column 0 keeps the mark with the text that moved down.
    auto t = std::make_shared<TEditorScreenStrings>();
    FakeEditor ed;
    t->AddClient(&ed);
    t->SetText(u"x\r\ny\r\n");
    t->SetRowMarks(0, RowMark(3));
    ed.col = 0;
    t->ReplaceRows(0, 1, CRLF + "x" + CRLF);
    EXPECT_EQ(t->GetRowMarks(0), 0);
    EXPECT_EQ(t->GetRowMarks(1), RowMark(3));
    ed.col = 1;
    t->ReplaceRows(1, 1, "x" + CRLF + CRLF);
    EXPECT_EQ(t->GetRowMarks(1), RowMark(3));
}

TEST(EditorStore, IncrementalHighlightingIsBoundedAndLazy)
{
    qvtest::SqlFountain f;
    auto s = std::make_shared<TEditorScreenStrings>();
    FakeEditor ed;
    ed.fountain = &f;
    ed.screenRows = 20;
    s->AddClient(&ed);
    QString text;
    for (int i = 0; i < 10000; ++i)
        text += "select col" + QString::number(i) + " from t" + CRLF;
    s->SetText(text);
    // Only the first screens are parsed on load.
    EXPECT_LE(s->ParsedRowCount(), 2 * 20 + 2);
    EXPECT_EQ(s->GetBrackets(9000), -2);
    s->EnsureRowState(9999);
    EXPECT_EQ(s->GetBrackets(9999), -1);
    s->ResetParsedRowCount();
    ed.invalidated.clear();

    // "/*" at the top: about two screens are parsed now, the rest waits.
    s->ReplaceRows(0, 1, "/*" + s->Get(0) + CRLF);
    EXPECT_LE(s->ParsedRowCount(), 2 * 20 + 3);
    EXPECT_EQ(s->GetBrackets(5), 0);
    EXPECT_EQ(s->GetBrackets(9999), -2);
    EXPECT_FALSE(ed.invalidated.empty());
    EXPECT_LE(*ed.invalidated.rbegin(), 2 * 20 + 1);
    // An edit far below, in rows not parsed yet, keeps the stored words sound.
    s->ReplaceRows(9000, 1, "x -- y" + CRLF);
    EXPECT_EQ(s->Get(9000), "x -- y");
    EXPECT_EQ(s->GetRows(9000), raCrlf);
    // Shown later, far rows know they are inside the comment.
    s->EnsureRowState(9999);
    EXPECT_EQ(s->GetBrackets(9999), 0);
    EXPECT_EQ(s->GetBrackets(9000), 0);

    // Closing it right away: the re-parse stops where the stored states match again.
    s->SetText(text);
    s->EnsureRowState(9999);
    s->ResetParsedRowCount();
    s->ReplaceRows(0, 1, "/**/" + s->Get(0) + CRLF);
    EXPECT_LE(s->ParsedRowCount(), 3);
    EXPECT_EQ(s->GetBrackets(1), -1);
    EXPECT_EQ(s->GetBrackets(9999), -1);
}

TEST(EditorStore, SharedStoreTellsEveryClient)
{
    auto s = std::make_shared<TEditorScreenStrings>();
    FakeEditor a, b;
    s->AddClient(&a);
    s->AddClient(&b);
    s->SetText(u"1\r\n2\r\n3\r\n");
    ASSERT_FALSE(a.changes.empty());
    EXPECT_EQ(a.changes.back().Insert, 3); // a whole new text: every row
    EXPECT_TRUE(a.changes.back().NeedUpdate);
    a.changes.clear();
    b.changes.clear();
    s->ReplaceRows(1, 1, "two" + CRLF);
    ASSERT_EQ(a.changes.size(), 1u);
    ASSERT_EQ(b.changes.size(), 1u);
    EXPECT_EQ(a.changes[0].Start, 1);
    EXPECT_TRUE(a.changes[0].NeedUpdate);
    EXPECT_EQ(s->DrawInfo().NeedUpdate, false); // cleared after the clients were told

    // Batched replaces notify once.
    s->BeginUpdate();
    s->ReplaceRows(0, 1, "one" + CRLF);
    s->ReplaceRows(2, 1, "three" + CRLF);
    s->EndUpdate();
    EXPECT_EQ(a.changes.size(), 2u);

    // Moving a client to its own store does nothing; to another store moves it.
    std::weak_ptr<TEditorScreenStrings> weak = s;
    std::shared_ptr<TEditorScreenStrings> holderA = s, holderB = s;
    s.reset();
    TEditorScreenStrings::ExchangeStore(&a, holderA, holderA);
    EXPECT_EQ(holderA->ClientCount(), 2);
    auto other = std::make_shared<TEditorScreenStrings>();
    TEditorScreenStrings::ExchangeStore(&a, holderA, other);
    EXPECT_EQ(other->ClientCount(), 1);
    EXPECT_EQ(holderB->ClientCount(), 1);
    EXPECT_FALSE(weak.expired());
    holderB->RemoveClient(&b);
    holderB.reset();
    EXPECT_TRUE(weak.expired()); // the last holder frees it
}

TEST(EditorStore, ScreenUpdatePlan)
{
    TEditorDrawInfo d;
    EXPECT_EQ(PlanScreenUpdate(d, 20, 100, 0, TNumberMode::None).InvalidateLast, -1);
    d = {5, 1, 3, 2, true}; // 2 rows replaced by 3
    TScreenUpdatePlan p = PlanScreenUpdate(d, 20, 100, 0, TNumberMode::Line);
    EXPECT_EQ(p.InvalidateFirst, 5);
    EXPECT_EQ(p.InvalidateLast, 7);
    EXPECT_EQ(p.ScrollFrom, 8);
    EXPECT_EQ(p.ScrollBy, 2);
    EXPECT_EQ(p.LeftbarFirst, 8);
    d = {0, 0, 50, 0, true};
    EXPECT_TRUE(PlanScreenUpdate(d, 20, 100, 0, TNumberMode::None).RepaintAll);
}

TEST(EditorStore, ManyRowsAcrossBlocks)
{
    TEditorScreenStrings s;
    QString text;
    for (int i = 0; i < 5000; ++i)
        text += QString::number(i) + CRLF;
    s.SetText(text);
    ASSERT_EQ(s.Count(), 5000);
    // Inserting many rows in the middle splits blocks; every row stays in place.
    QString block;
    for (int i = 0; i < 3000; ++i)
        block += "n" + QString::number(i) + CRLF;
    s.ReplaceRows(1000, 0, block);
    ASSERT_EQ(s.Count(), 8000);
    EXPECT_EQ(s.Get(999), "999");
    EXPECT_EQ(s.Get(1000), "n0");
    EXPECT_EQ(s.Get(3999), "n2999");
    EXPECT_EQ(s.Get(4000), "1000");
    EXPECT_EQ(s.Get(7999), "4999");
    s.Undo();
    EXPECT_EQ(s.JoinRows(), text);
    s.ReplaceRows(10, 4000, QString());
    EXPECT_EQ(s.Count(), 1000);
    EXPECT_EQ(s.Get(10), "4010");
    EXPECT_EQ(s.LineCount(), 1000);
    EXPECT_EQ(s.LineToRow(10), 10);
}

#include "editor/row_tokens.h"

TEST(EditorStore, PaintTokensOfARow)
{
    qvtest::SqlFountain f;
    auto s = std::make_shared<TEditorScreenStrings>();
    FakeEditor ed;
    ed.fountain = &f;
    ed.screenRows = 2;
    s->AddClient(&ed);
    QString text = "a /* open" + CRLF;
    for (int i = 0; i < 50; ++i)
        text += "in comment" + CRLF;
    text += "*/ select\tx";
    s->SetText(text);
    auto parser = f.CreateParser();
    // The last row was never parsed: asking for its tokens parses what it needs.
    EXPECT_EQ(s->GetBrackets(51), -2);
    TPaintRow r = PaintRowTokens(*s, 51, *parser, true);
    EXPECT_EQ(r.Text, "*/ select       x");
    ASSERT_EQ(r.Tokens.size(), 3u);
    EXPECT_EQ(r.Tokens[0].Kind, qv::tok::toBracket);
    EXPECT_EQ(r.Tokens[0].Color, &f.Brackets().GetBracketItem(0)->ItemColor());
    EXPECT_EQ(r.Tokens[1].Color, &f.Reserve());
    EXPECT_EQ(r.Tokens[2].Start, 16);
    EXPECT_TRUE(PaintRowTokens(*s, 99, *parser, true).Tokens.empty());

    // A reserved word broken by the wrap keeps its colour on both rows.
    s->WrapOption().SetWrapByte(20);
    s->SetWordWrap(true);
    s->SetText(QString(17, 'x') + " select y");
    ASSERT_EQ(s->Get(1), "lect y");
    TPaintRow first = PaintRowTokens(*s, 0, *parser, true);
    ASSERT_EQ(first.Tokens.size(), 2u);
    EXPECT_EQ(first.Tokens[1].Color, &f.Reserve());
    TPaintRow second = PaintRowTokens(*s, 1, *parser, true);
    ASSERT_EQ(second.Tokens.size(), 2u);
    EXPECT_EQ(second.Tokens[0].Kind, qv::tok::toReserve);
    EXPECT_EQ(second.Tokens[0].Length, 4);
    EXPECT_EQ(second.Tokens[0].Color, &f.Reserve());
    EXPECT_EQ(second.Tokens[1].Color, &f.Colors().Ank());
}

TEST(EditorStore, PositionQueries)
{
    TEditorScreenStrings s;
    EXPECT_EQ(s.GetLineNumberCount(), 1);
    s.SetText(u"ab\r\nc");
    EXPECT_EQ(s.GetTextLen(), 5);
    EXPECT_EQ(s.GetLineNumberCount(), 2);
    s.SetText(u"ab\r\nc\r\n");
    EXPECT_EQ(s.GetTextLen(), 7);
    EXPECT_EQ(s.GetLineNumberCount(), 3);

    TColumnMapSettings cs;
    cs.TabSpaceCount = 4;
    s.SetDefaultColumnSettings(cs);
    s.SetText(QString("a\tb") + QChar(0x3042) + "c");
    EXPECT_EQ(s.ColToChar(0, 2), 1);  // inside the tab's fill: the tab
    EXPECT_EQ(s.ColToChar(0, 4), 2);  // "b"
    EXPECT_EQ(s.ColToChar(0, 6), 3);  // second half of the wide character
    EXPECT_EQ(s.ColToChar(0, 7), 4);
    EXPECT_EQ(s.ColToChar(0, 50), 5); // past the end: the row length
    EXPECT_EQ(s.ColToChar(-1, 0), -1);
    EXPECT_EQ(s.ColToChar(0, -1), -1);

    s.WrapOption().SetWrapByte(20);
    s.SetWordWrap(true);
    s.SetText(QString(30, 'x'));
    EXPECT_EQ(s.ColToChar(1, 3), 23); // counted from the start of the logical line
    EXPECT_EQ(s.RowToLine(1), 0);
}

TEST(EditorStore, UndoStepKeepsOnlyWhatChanged)
{
    // One character typed into a long line, with and without word wrap: the step holds the
    // change, not the line, and undo and redo give the text back exactly.
    for (const bool wrap : {false, true}) {
        TEditorScreenStrings s;
        s.WrapOption().SetWrapByte(80);
        s.SetWordWrap(wrap);
        const QString line = QString(100000, u'x') + "'" + QString(100000, u'y');
        const QString text = "first" + CRLF + line + CRLF + "last";
        s.SetText(text);
        const int row = wrap ? s.LineToRow(1) : 1;
        const int rows = s.Count();
        s.ReplaceRows(row, s.LineEndRow(row) - row + 1, QString(50000, u'x') + "z" + line.mid(50000) + CRLF);
        const QString edited = s.JoinRows();
        ASSERT_EQ(s.UndoObj().UndoCount(), 1);
        EXPECT_LE(s.UndoObj().UndoAt(0).InsertStr.size(), 2) << wrap;
        // Deleting the quote changes how the rest highlights; still only the quote is kept.
        const int q = int(edited.indexOf(u'\''));
        s.ReplaceRows(0, s.Count(), edited.left(q) + edited.mid(q + 1));
        EXPECT_LE(s.UndoObj().UndoAt(1).InsertStr.size(), 2) << wrap;
        s.Undo();
        EXPECT_EQ(s.JoinRows(), edited);
        s.Undo();
        EXPECT_EQ(s.JoinRows(), text) << wrap;
        EXPECT_EQ(s.Count(), rows);
        s.Redo();
        EXPECT_EQ(s.JoinRows(), edited);
        s.Redo();
        EXPECT_EQ(s.JoinRows(), edited.left(q) + edited.mid(q + 1));
    }
}

TEST(EditorStore, UndoOfDeletingEverythingPutsRowsAndEndsBack)
{
    for (const bool wrap : {false, true}) {
        auto s = std::make_shared<TEditorScreenStrings>();
        FakeEditor ed;
        qvtest::SqlFountain f;
        ed.fountain = &f;
        s->AddClient(&ed);
        s->WrapOption().SetWrapByte(40);
        s->SetWordWrap(wrap);
        QString text;
        for (int i = 0; i < 5000; ++i)
            text += QStringLiteral("select %1 from t -- a comment long enough to wrap once\r\n").arg(i);
        text += "/* open";
        s->SetText(text);
        const QStringList rows = Dump(*s);
        s->ReplaceRows(0, s->Count(), QString());
        EXPECT_EQ(s->Count(), 0);
        s->Undo();
        EXPECT_EQ(Dump(*s), rows) << wrap;
        EXPECT_EQ(s->JoinRows(), text);
        s->EnsureRowState(s->Count() - 1);
        EXPECT_EQ(s->GetBrackets(s->Count() - 1), -1);
        s->Redo();
        EXPECT_EQ(s->Count(), 0);
        s->RemoveClient(&ed);
    }
}
