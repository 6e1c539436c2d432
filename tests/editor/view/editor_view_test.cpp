#include "editor/screen_strings.h"
#include "editor/undo.h"
#include "editor/view/editor.h"

#include <QApplication>
#include <QImage>
#include <QInputMethodEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <gtest/gtest.h>

using namespace qv;

namespace {

std::unique_ptr<TEditor> MakeEditor(const QString& text, QSize size = QSize(400, 300))
{
    auto ed = std::make_unique<TEditor>();
    ed->resize(size);
    ed->Lines().SetTextStr(text);
    ed->show();
    return ed;
}

QImage Render(TEditor& ed)
{
    return ed.viewport()->grab().toImage();
}

// Whether any pixel of the rectangle has colour C.
bool HasColor(const QImage& img, const QRect& r, QRgb c)
{
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (img.valid(x, y) && (img.pixel(x, y) & 0xFFFFFF) == (c & 0xFFFFFF))
                return true;
    return false;
}

QRect Cell(TEditor& ed, int row, int col, int cells = 1)
{
    return QRect(ed.LeftMargin() + (col - ed.TopCol()) * ed.ColWidth(), ed.TopMargin() + (row - ed.TopRow()) * ed.RowHeight(),
                 cells * ed.ColWidth(), ed.FontHeight());
}

void Mouse(TEditor& ed, QEvent::Type type, QPoint p, Qt::MouseButtons buttons, Qt::KeyboardModifiers mods = {})
{
    QMouseEvent e(type, QPointF(p), ed.viewport()->mapToGlobal(QPointF(p)),
                  type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, mods);
    QApplication::sendEvent(ed.viewport(), &e);
}

} // namespace

TEST(EditorView, NewEditorDefaults)
{
    TEditor ed;
    EXPECT_EQ(ed.Row(), 0);
    EXPECT_EQ(ed.Col(), 0);
    EXPECT_EQ(ed.TopRow(), 0);
    EXPECT_EQ(ed.TopCol(), 0);
    EXPECT_TRUE(ed.Imagebar().Visible());
    EXPECT_EQ(ed.ImagebarWidth(), 12);
    EXPECT_FALSE(ed.Ruler().Visible());
    EXPECT_FALSE(ed.Leftbar().Visible());
    EXPECT_EQ(ed.LeftMargin(), 19 + 12);
    EXPECT_EQ(ed.TopMargin(), 2);
    EXPECT_TRUE(ed.WantReturns);
    EXPECT_TRUE(ed.WantTabs);
    ed.SetUndoListMax(10);
    EXPECT_EQ(ed.EditorUndoObj().ListMax(), 64);
}

TEST(EditorView, TabSpaceCountChangeEmptiesUndoRulerDoesNot)
{
    auto ed = MakeEditor(QStringLiteral("abc"));
    ed->SetRowCol(0, 3);
    ed->PutStringToLine(QStringLiteral("d"));
    ASSERT_TRUE(ed->CanUndo());
    ed->Ruler().SetVisible(true);
    EXPECT_TRUE(ed->CanUndo());
    ed->Caret().SetTabSpaceCount(4);
    EXPECT_FALSE(ed->CanUndo());
}

TEST(EditorView, OffsetsOfTwoRows)
{
    auto ed = MakeEditor(QStringLiteral("ab\r\ncd"));
    struct Case {
        int offset, row, col;
    } cases[] = {{0, 0, 0}, {1, 0, 1}, {2, 0, 2}, {3, 0, 2}, {4, 1, 0}, {5, 1, 1}, {6, 1, 2}, {100, 1, 2}};
    for (const Case& c : cases) {
        ed->SetSelStart(c.offset);
        EXPECT_EQ(ed->Row(), c.row) << c.offset;
        EXPECT_EQ(ed->Col(), c.col) << c.offset;
    }
    ed->SetRowCol(1, 1);
    EXPECT_EQ(ed->SelStart(), 5);
    EXPECT_EQ(ed->GetTextLen(), 6);
    EXPECT_EQ(ed->RowColToOffset(0, 1, 1), 5);
}

TEST(EditorView, TextEndingInBreakHasRowAfterIt)
{
    auto ed = MakeEditor(QStringLiteral("ab\r\n"));
    EXPECT_EQ(ed->GetLineNumberCount(), 2);
    ed->SetSelStart(4);
    EXPECT_EQ(ed->Row(), 1);
    EXPECT_EQ(ed->Col(), 0);
    ed->SetRow(5);
    EXPECT_EQ(ed->Row(), 1);
    auto ed2 = MakeEditor(QStringLiteral("ab"));
    ed2->SetRow(5);
    EXPECT_EQ(ed2->Row(), 0);
    EXPECT_EQ(ed2->GetLineNumberCount(), 1);
}

TEST(EditorView, ColumnAdjustment)
{
    auto ed = MakeEditor(QStringLiteral("\tx\r\nあい\r\nabc\r\n0123456789ab"));
    ed->Caret().SetTabSpaceCount(4);
    ed->SetRowCol(0, 0);
    ed->SetCol(2);
    EXPECT_EQ(ed->Col(), 4); // moving right out of the tab's fill
    ed->SetCol(3);
    EXPECT_EQ(ed->Col(), 0); // moving left lands on the tab
    ed->Caret().InTab = true;
    ed->SetCol(2);
    EXPECT_EQ(ed->Col(), 2);
    ed->Caret().InTab = false;
    // Second half of a double-width character.
    ed->SetRowCol(1, 0);
    ed->SetCol(1);
    EXPECT_EQ(ed->Col(), 2);
    // FreeCaret off: a short row cuts the column; KeepCaret brings it back.
    ed->Caret().FreeCaret = false;
    ed->Caret().KeepCaret = true;
    ed->SetRowCol(3, 10);
    ed->SetRow(2);
    EXPECT_EQ(ed->Col(), 3);
    ed->SetRow(3);
    EXPECT_EQ(ed->Col(), 10);
    ed->Caret().FreeCaret = true;
    ed->SetCol(20000);
    EXPECT_EQ(ed->Col(), 10000);
}

TEST(EditorView, PositionQueries)
{
    auto ed = MakeEditor(QStringLiteral("ab\tc\r\nxあy"));
    ed->Caret().SetTabSpaceCount(4);
    EXPECT_EQ(ed->ColToChar(0, 3), 2); // inside the tab's fill
    EXPECT_EQ(ed->ColToChar(1, 2), 1); // second half of あ
    EXPECT_EQ(ed->ColToChar(1, 3), 2);
    EXPECT_EQ(ed->ColToChar(-1, 0), -1);
    TEditorStrInfo info;
    const QRect c = Cell(*ed, 0, 1);
    EXPECT_TRUE(ed->PosToStrInfo(c.center() - QPoint(c.width() / 4, 0), info));
    EXPECT_EQ(info.Line, 0);
    EXPECT_EQ(info.CharIndex, 1);
    const QRect far = Cell(*ed, 0, 30);
    EXPECT_FALSE(ed->PosToStrInfo(far.center(), info));
    EXPECT_EQ(info.Line, 0);
    EXPECT_EQ(info.CharIndex, -1);
}

TEST(EditorView, WrappedRowsCountFromTheirLine)
{
    auto ed = MakeEditor(QString(50, u'a') + QStringLiteral("\r\nb"));
    ed->WrapOption().SetWrapByte(20);
    ed->SetWordWrap(true);
    ASSERT_GE(ed->ListCount(), 4);
    EXPECT_EQ(ed->RowToLines(1), 0);
    EXPECT_EQ(ed->RowToLines(ed->ListCount() - 1), 1);
    EXPECT_EQ(ed->ColToChar(1, 2), ed->GetListString(0).size() + 2);
    EXPECT_EQ(ed->HScrollMax(), 20);
}

TEST(EditorView, EofMarkAndRowMarkColours)
{
    auto ed = MakeEditor(QStringLiteral("select 1\r\nabc\r\nxyz\r\nlast\r\n"));
    ed->Marks().EofMark().SetVisible(true);
    ed->Marks().EofMark().SetColor(0x0000FF); // red
    ed->SetListRowMarks(0, RowMark(1));
    ed->SetListRowMarks(1, RowMark(2));
    ed->SetListRowMarks(2, RowMark(1) | RowMark(2));
    const QImage img = Render(*ed);
    EXPECT_TRUE(HasColor(img, Cell(*ed, 4, 0, 5), qRgb(255, 0, 0)));
    EXPECT_FALSE(HasColor(img, Cell(*ed, 3, 0, 5), qRgb(255, 0, 0)));
    // Backgrounds right of the text: yellow, red, olive; an unmarked row stays white.
    const QPoint probe(Cell(*ed, 0, 20).center());
    EXPECT_EQ(img.pixel(probe) & 0xFFFFFF, qRgb(255, 255, 0) & 0xFFFFFF);
    EXPECT_EQ(img.pixel(Cell(*ed, 1, 20).center()) & 0xFFFFFF, qRgb(255, 0, 0) & 0xFFFFFF);
    EXPECT_EQ(img.pixel(Cell(*ed, 2, 20).center()) & 0xFFFFFF, qRgb(192, 192, 0) & 0xFFFFFF);
    EXPECT_EQ(img.pixel(Cell(*ed, 3, 20).center()) & 0xFFFFFF, qRgb(255, 255, 255) & 0xFFFFFF);
    // The image bar shows the digit picture of the lowest mark.
    EXPECT_TRUE(HasColor(img, QRect(0, Cell(*ed, 0, 0).top(), ed->ImagebarWidth(), ed->RowHeight()), qRgb(0, 96, 160)));

    // Without a final line break the mark follows the last row.
    auto ed2 = MakeEditor(QStringLiteral("abc"));
    ed2->Marks().EofMark().SetVisible(true);
    ed2->Marks().EofMark().SetColor(0x0000FF);
    const QImage img2 = Render(*ed2);
    EXPECT_TRUE(HasColor(img2, Cell(*ed2, 0, 3, 5), qRgb(255, 0, 0)));
    EXPECT_FALSE(HasColor(img2, Cell(*ed2, 1, 0, 5), qRgb(255, 0, 0)));
}

TEST(EditorView, LineNumberBar)
{
    QString text;
    for (int i = 0; i < 123; ++i)
        text += QStringLiteral("row %1%2").arg(i).arg(i < 122 ? QStringLiteral("\r\n") : QString());
    auto ed = MakeEditor(text);
    ed->Leftbar().SetColumn(2);
    ed->Leftbar().SetVisible(true);
    EXPECT_EQ(ed->LeftbarColumn(), 3);
    const int w = ed->LeftbarWidth();
    EXPECT_EQ(w, 8 + 3 * ed->ColWidth() + 4 + 2);
    ed->SetRowCol(122, 7);
    ed->PutStringToLine(QStringLiteral("\r\n"));
    EXPECT_EQ(ed->LeftbarColumn(), 3);

    auto small = MakeEditor(QStringLiteral("1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n"));
    small->Leftbar().SetColumn(1);
    small->Leftbar().SetVisible(true);
    EXPECT_EQ(small->LeftbarColumn(), 2);
    small->Leftbar().SetZeroBase(true);
    EXPECT_EQ(small->LeftbarColumn(), 1);
}

TEST(EditorView, MousePressAndSmallMoveSelectNothing)
{
    auto ed = MakeEditor(QStringLiteral("abcdefgh\r\nijklmnop"));
    const QPoint start = Cell(*ed, 0, 2).topLeft() + QPoint(1, 2);
    Mouse(*ed, QEvent::MouseButtonPress, start, Qt::LeftButton);
    const int half = ed->ColWidth() / 2;
    Mouse(*ed, QEvent::MouseMove, start + QPoint(half - 1, 0), Qt::LeftButton);
    EXPECT_FALSE(ed->Selected());
    Mouse(*ed, QEvent::MouseMove, start + QPoint(3 * ed->ColWidth(), 0), Qt::LeftButton);
    EXPECT_TRUE(ed->Selected());
    Mouse(*ed, QEvent::MouseButtonRelease, start + QPoint(3 * ed->ColWidth(), 0), Qt::NoButton);
    EXPECT_EQ(ed->SelText(), QStringLiteral("cde"));
    EXPECT_EQ(ed->SelLength(), 3);
    EXPECT_EQ(ed->SelStart(), 2);
}

TEST(EditorView, ClickLeftOfTextSelectsTheRow)
{
    auto ed = MakeEditor(QStringLiteral("abc\r\ndef\r\nghi"));
    const QPoint p(2, Cell(*ed, 1, 0).center().y());
    Mouse(*ed, QEvent::MouseButtonPress, p, Qt::LeftButton);
    Mouse(*ed, QEvent::MouseButtonRelease, p, Qt::NoButton);
    EXPECT_EQ(ed->SelText(), QStringLiteral("def\r\n"));
    ed->CleanSelection();
    ed->Caret().RowSelect = false;
    Mouse(*ed, QEvent::MouseButtonPress, QPoint(2, Cell(*ed, 2, 0).center().y()), Qt::LeftButton);
    Mouse(*ed, QEvent::MouseButtonRelease, p, Qt::NoButton);
    EXPECT_FALSE(ed->Selected());
    EXPECT_EQ(ed->Row(), 2);
    EXPECT_EQ(ed->Col(), 0);
}

TEST(EditorView, InputMethodCommitIsInsertedOnce)
{
    auto ed = MakeEditor(QStringLiteral("ab"));
    ed->SetRowCol(0, 1);
    QInputMethodEvent pre(QStringLiteral("にほ"), {});
    QApplication::sendEvent(ed.get(), &pre);
    EXPECT_EQ(ed->GetListString(0), QStringLiteral("ab"));
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("日本語"));
    QApplication::sendEvent(ed.get(), &commit);
    EXPECT_EQ(ed->GetListString(0), QStringLiteral("a日本語b"));
    EXPECT_EQ(ed->Col(), 7);
    ed->SetReadOnly(true);
    QInputMethodEvent commit2;
    commit2.setCommitString(QStringLiteral("x"));
    QApplication::sendEvent(ed.get(), &commit2);
    EXPECT_EQ(ed->GetListString(0), QStringLiteral("a日本語b"));
}

TEST(EditorView, ScrollingRangesAndLockScroll)
{
    QString text;
    for (int i = 0; i < 200; ++i)
        text += QStringLiteral("line\r\n");
    TEditor hidden;
    hidden.Lines().SetTextStr(text);
    hidden.SetTopRow(10);
    EXPECT_EQ(hidden.TopRow(), 0); // no window yet

    auto ed = MakeEditor(text);
    EXPECT_EQ(ed->VScrollMax(), ed->ListCount() + ed->RowCount() - 1);
    ed->SetTopRow(100000);
    EXPECT_EQ(ed->TopRow(), ed->ListCount());
    ed->SetTopRow(0);
    ed->Caret().LockScroll = true;
    ed->SetRowCol(3, 0);
    ed->verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(ed->TopRow(), 1);
    EXPECT_EQ(ed->Row(), 4);
    // Moving the caret below the view scrolls it into view.
    ed->SetRowCol(150, 0);
    EXPECT_LE(ed->TopRow(), 150);
    EXPECT_GE(ed->TopRow() + ed->RowCount() - 1, 150);
}

TEST(EditorView, TypingAtTheEndAndUndo)
{
    auto ed = MakeEditor(QStringLiteral("ab\r\n"));
    int changes = 0;
    ed->OnChange = [&](TEditor*) { ++changes; };
    ed->SetRowCol(1, 0);
    ed->PutStringToLine(QStringLiteral("x"));
    EXPECT_EQ(ed->Lines().GetTextStr(), QStringLiteral("ab\r\nx"));
    EXPECT_EQ(ed->Row(), 1);
    EXPECT_EQ(ed->Col(), 1);
    EXPECT_TRUE(ed->Modified());
    EXPECT_EQ(changes, 1);
    // Free caret: typing past the row end pads with blanks.
    ed->SetRowCol(0, 4);
    ed->PutStringToLine(QStringLiteral("y"));
    EXPECT_EQ(ed->GetListString(0), QStringLiteral("ab  y"));
    ed->Undo();
    EXPECT_EQ(ed->GetListString(0), QStringLiteral("ab"));

    auto empty = MakeEditor(QString());
    empty->PutStringToLine(QStringLiteral("hello"));
    EXPECT_EQ(empty->Lines().GetTextStr(), QStringLiteral("hello"));
    EXPECT_EQ(empty->Col(), 5);
}

TEST(EditorView, CaretRowUnderlineFollowsTheCaret)
{
    auto ed = MakeEditor(QStringLiteral("abc\r\ndef\r\nghi"));
    ed->Marks().Underline().SetVisible(true);
    ed->Marks().Underline().SetColor(0x0000FF);
    EXPECT_EQ(ed->RowHeight(), ed->FontHeight() + 1);
    ed->SetRowCol(1, 1);
    QImage img = Render(*ed);
    const int y1 = ed->GetUnderlineY(1);
    ASSERT_GE(y1, 0);
    EXPECT_TRUE(HasColor(img, QRect(ed->LeftMargin(), y1, 50, 1), qRgb(255, 0, 0)));
    ed->SetRowCol(2, 0);
    img = Render(*ed);
    EXPECT_FALSE(HasColor(img, QRect(ed->LeftMargin(), y1, 50, 1), qRgb(255, 0, 0)));
    EXPECT_TRUE(HasColor(img, QRect(ed->LeftMargin(), ed->GetUnderlineY(2), 50, 1), qRgb(255, 0, 0)));
}

// A jump to the end right after loading parses only rows near the end and shows what an
// editor that parsed every row on load shows; so does the jump after an edit that opens a
// comment reaching to the end.
TEST(EditorView, JumpRightAfterLoadParsesLittleAndShowsTheFullParse)
{
    static const char* const lines[] = {
        "select 'a /* no comment' from t -- nor /* here",
        "/* a comment",
        "   'over rows */ select 1e--x /* again",
        "select 'it''s', 0x1F from u",
        "*/ select 2 /* one row */, '*/' from v",
        "\t-- /* only a line comment",
        "/*/ still open",
        "*/ select 3",
        "select 4",
    };
    // The second half closes no comment: one opened there stays open to the end.
    static const char* const plain[] = {"select 'x' -- a", "select 1e-3 / 2 from t", "'--' + '/' + 'it''s'"};
    QString text;
    for (int i = 0; i < 10000; ++i)
        text += QString::fromLatin1(lines[i % 9]) + "\r\n";
    for (int i = 0; i < 10000; ++i)
        text += QString::fromLatin1(plain[i % 3]) + "\r\n";
    auto open = [&](TEditor& ed, bool full) {
        ed.View().EditorFountain().ApplySqlSyntax({"select", "from"});
        ed.View().Colors().Comment().SetColor(0x008000);
        ed.View().Colors().Str().SetColor(0x0000FF);
        ed.View().Colors().Int().SetColor(0xFF0000);
        ed.Speed().InitBracketsFull = full;
        ed.resize(500, 300);
        ed.show();
        ed.Lines().SetTextStr(text);
        Render(ed);
    };
    TEditor quick, full;
    open(quick, false);
    open(full, true);
    TEditorScreenStrings& store = quick.InternalList();
    const TEditorScreenStrings& ref = full.InternalList();
    auto jumpAndCompare = [&](qint64 mostRows) {
        store.ResetParsedRowCount();
        quick.SetRowCol(quick.ListCount(), 0);
        full.SetRowCol(full.ListCount(), 0);
        const QImage shown = Render(quick);
        EXPECT_LE(store.ParsedRowCount(), mostRows);
        EXPECT_EQ(shown, Render(full));
        for (int r : {store.Count() - 1, store.Count() - 25, 12345, 7001}) {
            store.EnsureRowState(r);
            EXPECT_EQ(store.GetItem(r), ref.GetItem(r)) << r;
            EXPECT_EQ(store.GetItem2(r), ref.GetItem2(r)) << r;
        }
    };
    jumpAndCompare(1100);
    for (TEditor* ed : {&quick, &full}) {
        ed->SetRowCol(10000, 0);
        ed->PutStringToLine("/*");
        Render(*ed);
    }
    jumpAndCompare(store.Count());
    EXPECT_EQ(ref.GetBrackets(store.Count() - 1), 0);
    // Typing that changes no state keeps what was found below.
    quick.SetRowCol(0, 0);
    quick.PutStringToLine("y");
    full.SetRowCol(0, 0);
    full.PutStringToLine("y");
    jumpAndCompare(100);
}

TEST(EditorView, IdleTimeParsesAheadSoAFarJumpParsesLittle)
{
    TEditor ed;
    ed.View().EditorFountain().ApplySqlSyntax({"select", "from"});
    ed.resize(400, 300);
    ed.show();
    QString text = "/* opened here\r\n";
    for (int i = 1; i < 10000; ++i)
        text += (i == 9000 ? QString("*/ select col from t\r\n") : "select col" + QString::number(i) + " from t\r\n");
    ed.Lines().SetTextStr(text);
    TEditorScreenStrings& store = ed.InternalList();
    const int last = store.Count() - 1;
    ed.grab(); // the first paint parses the first screens only
    ASSERT_TRUE(store.RowStatePending(last));
    EXPECT_TRUE(ed.ParseAheadPending());
    for (int i = 0; i < 100000 && ed.ParseAheadPending(); ++i)
        QCoreApplication::processEvents();
    EXPECT_FALSE(ed.ParseAheadPending());
    EXPECT_FALSE(store.RowStatePending(last));
    EXPECT_EQ(store.GetBrackets(8999), 0);  // inside the comment
    EXPECT_EQ(store.GetBrackets(9001), -1); // after it
    store.ResetParsedRowCount();
    ed.SetRowCol(ed.ListCount(), 0);
    ed.grab();
    EXPECT_LE(store.ParsedRowCount(), 100);
}
