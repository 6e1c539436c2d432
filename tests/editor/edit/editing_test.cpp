#include "edit_helper.h"
#include "editor/undo.h"

#include <gtest/gtest.h>

using namespace qv;
using namespace edtest;

TEST(EditorKeys, EnterKeepsIndentation)
{
    auto ed = MakeEditor(QStringLiteral("    abc"));
    ed->Caret().AutoIndent = true;
    ed->SetRowCol(0, 6);
    Key(*ed, Qt::Key_Return);
    EXPECT_EQ(Text(*ed), QStringLiteral("    ab\r\n    c"));
    EXPECT_EQ(ed->Row(), 1);
    EXPECT_EQ(ed->Col(), 4);
    // Inside the indentation the new row takes the caret column as indentation.
    auto ed2 = MakeEditor(QStringLiteral("    abc"));
    ed2->SetRowCol(0, 2);
    Key(*ed2, Qt::Key_Return);
    EXPECT_EQ(Text(*ed2), QStringLiteral("  \r\n    abc"));
    // Tab indentation: 10 columns with tab size 4 are two tabs and two blanks.
    auto ed3 = MakeEditor(QStringLiteral("          x"));
    ed3->Caret().TabIndent = true;
    ed3->Caret().SetTabSpaceCount(4);
    ed3->SetRowCol(0, 11);
    Key(*ed3, Qt::Key_Return);
    EXPECT_EQ(ed3->GetListString(1), QStringLiteral("\t\t  "));
    // PrevSpaceIndent: an empty row after a line indented by 8.
    for (bool prev : {true, false}) {
        auto ed4 = MakeEditor(QStringLiteral("        a\r\n\r\n"));
        ed4->Caret().PrevSpaceIndent = prev;
        ed4->SetRowCol(1, 0);
        Key(*ed4, Qt::Key_Return);
        EXPECT_EQ(ed4->GetListString(2), prev ? QString(8, u' ') : QString()) << prev;
    }
    // Shift+Enter opens a line above with the indentation.
    auto ed5 = MakeEditor(QStringLiteral("  ab"));
    ed5->SetRowCol(0, 3);
    Key(*ed5, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(Text(*ed5), QStringLiteral("  \r\n  ab"));
    EXPECT_EQ(ed5->Row(), 0);
    EXPECT_EQ(ed5->Col(), 2);
}

TEST(EditorKeys, TabSoftTabAndIndentOfSelection)
{
    auto ed = MakeEditor(QStringLiteral("abcde"));
    ed->Caret().SoftTab = true;
    ed->Caret().SetTabSpaceCount(4);
    ed->SetRowCol(0, 5);
    Key(*ed, Qt::Key_Tab);
    EXPECT_EQ(Text(*ed), QStringLiteral("abcde   "));
    EXPECT_EQ(ed->Col(), 8);
    ed->Caret().SoftTab = false;
    Key(*ed, Qt::Key_Tab);
    EXPECT_EQ(Text(*ed), QStringLiteral("abcde   \t"));

    // Ten selected rows: Tab indents them all in one undo step; Shift+Tab removes it again.
    QString text;
    for (int i = 0; i < 10; ++i)
        text += QStringLiteral("row%1\r\n").arg(i);
    auto many = MakeEditor(text);
    many->Caret().SoftTab = true;
    many->Caret().SetTabSpaceCount(4);
    many->SetRowCol(0, 0);
    many->StartSelection();
    many->SetRowCol(9, 2);
    many->UpdateSelection();
    Key(*many, Qt::Key_Tab);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(many->GetListString(i), QStringLiteral("    row%1").arg(i));
    EXPECT_TRUE(many->Selected());
    many->Undo();
    EXPECT_EQ(Text(*many), text);
    many->SelectAll();
    many->SelTabIndent();
    Key(*many, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(Text(*many), text);
}

TEST(EditorKeys, SelectionEndingAtColumnZeroLeavesItsLastRow)
{
    auto ed = MakeEditor(QStringLiteral("a\r\nb\r\nc"));
    ed->SetRowCol(0, 0);
    ed->StartSelection();
    ed->SetRowCol(2, 0);
    ed->UpdateSelection();
    ed->SelCommentOut();
    EXPECT_EQ(Text(*ed), QStringLiteral("--a\r\n--b\r\nc"));
}

TEST(EditorKeys, CommentToggle)
{
    auto ed = MakeEditor(QStringLiteral("  a\r\n--b\r\nc\r\n"));
    ed->SetRowCol(0, 0);
    ed->StartSelection();
    ed->SetRowCol(2, 1);
    ed->UpdateSelection();
    // Mixed rows: every row gets "--" at column 0, before the indentation.
    ed->SelCommentOut();
    EXPECT_EQ(Text(*ed), QStringLiteral("--  a\r\n----b\r\n--c\r\n"));
    EXPECT_TRUE(ed->Selected());
    ed->SelCommentOut();
    EXPECT_EQ(Text(*ed), QStringLiteral("  a\r\n--b\r\nc\r\n"));
    // Without a selection only the caret row; the comment after the indentation is removed.
    auto one = MakeEditor(QStringLiteral("x\r\n  --y"));
    one->SetRowCol(1, 3);
    one->SelCommentOut();
    EXPECT_EQ(Text(*one), QStringLiteral("x\r\n  y"));
    EXPECT_EQ(one->Row(), 1);
}

TEST(EditorKeys, BackspaceRules)
{
    // Un-indent to the indentation of the row above.
    auto ed = MakeEditor(QStringLiteral("    a\r\n        b"));
    ed->SetRowCol(1, 8);
    Key(*ed, Qt::Key_Backspace);
    EXPECT_EQ(ed->GetListString(1), QStringLiteral("    b"));
    EXPECT_EQ(ed->Col(), 4);
    // Plain delete of the character before the caret, and joining rows at column 0.
    auto j = MakeEditor(QStringLiteral("ab\r\ncd"));
    j->SetRowCol(1, 1);
    Key(*j, Qt::Key_Backspace);
    EXPECT_EQ(Text(*j), QStringLiteral("ab\r\nd"));
    Key(*j, Qt::Key_Backspace);
    EXPECT_EQ(Text(*j), QStringLiteral("abd"));
    EXPECT_EQ(j->Col(), 2);
    // Across a wrap: the last character of the row above goes.
    auto w = MakeEditor(QString(30, u'x') + QStringLiteral("yz"));
    w->WrapOption().SetWrapByte(20);
    w->SetWordWrap(true);
    ASSERT_EQ(w->GetRowAttribute(0), raWrapped);
    w->SetRowCol(1, 0);
    Key(*w, Qt::Key_Backspace);
    EXPECT_EQ(Text(*w), QString(29, u'x') + QStringLiteral("yz"));
    // Read-only: nothing.
    auto ro = MakeEditor(QStringLiteral("ab"));
    ro->SetReadOnly(true);
    ro->SetRowCol(0, 2);
    Key(*ro, Qt::Key_Backspace);
    Key(*ro, Qt::Key_Return);
    Type(*ro, QStringLiteral("x"));
    EXPECT_EQ(Text(*ro), QStringLiteral("ab"));
}

TEST(EditorKeys, DeleteForwardJoinsWithPadding)
{
    auto ed = MakeEditor(QStringLiteral("ab\r\ncd"));
    ed->SetRowCol(0, 4);
    Key(*ed, Qt::Key_Delete);
    EXPECT_EQ(Text(*ed), QStringLiteral("ab  cd"));
    ed->SetRowCol(0, 0);
    Key(*ed, Qt::Key_Delete);
    EXPECT_EQ(Text(*ed), QStringLiteral("b  cd"));
    // On the final row's end nothing happens.
    ed->SetRowCol(0, 5);
    Key(*ed, Qt::Key_Delete);
    EXPECT_EQ(Text(*ed), QStringLiteral("b  cd"));
}

TEST(EditorKeys, NavigationWithShiftSelects)
{
    auto ed = MakeEditor(QStringLiteral("select a.b from t\r\nx"));
    ed->SetRowCol(0, 0);
    Key(*ed, Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(ed->Col(), 7);
    Key(*ed, Qt::Key_End, Qt::ShiftModifier);
    EXPECT_TRUE(ed->Selected());
    EXPECT_EQ(ed->SelText(), QStringLiteral("a.b from t"));
    Key(*ed, Qt::Key_Left);
    EXPECT_FALSE(ed->Selected());
    Key(*ed, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(ed->Row(), 0);
    EXPECT_EQ(ed->Col(), 0);
    Key(*ed, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(ed->SelText(), QStringLiteral("select a.b from t\r\n"));
    Key(*ed, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(ed->Row(), 1);
    EXPECT_EQ(ed->Col(), 1);
}

TEST(EditorEdit, SetSelTextBufAndBox)
{
    auto ed = MakeEditor(QStringLiteral("hello world"));
    ed->SetSelStart(6);
    ed->SetSelLength(5);
    ed->SetSelTextBuf(QStringLiteral("there\r\nfriend"));
    EXPECT_EQ(Text(*ed), QStringLiteral("hello there\r\nfriend"));
    EXPECT_EQ(ed->Row(), 1);
    EXPECT_EQ(ed->Col(), 6);
    ed->Undo();
    EXPECT_EQ(Text(*ed), QStringLiteral("hello world"));

    // A three-line box on the last row appends rows padded to the caret column.
    auto box = MakeEditor(QStringLiteral("abcdef\r\nxy"));
    box->SetRowCol(1, 2);
    box->SetSelTextBox(QStringLiteral("11\r\n22\r\n33\r\n"));
    EXPECT_EQ(Text(*box), QStringLiteral("abcdef\r\nxy11\r\n  22\r\n  33\r\n"));
    EXPECT_EQ(box->Row(), 3);
    EXPECT_EQ(box->Col(), 4);
    auto mid = MakeEditor(QStringLiteral("abcdef\r\nxyz\r\n"));
    mid->SetRowCol(0, 1);
    mid->SetSelTextBox(QStringLiteral("1\r\n2"));
    EXPECT_EQ(Text(*mid), QStringLiteral("a1bcdef\r\nx2yz\r\n"));
    // Read-only editors refuse both.
    mid->SetReadOnly(true);
    mid->SetSelTextBuf(QStringLiteral("q"));
    mid->SetSelTextBox(QStringLiteral("q"));
    EXPECT_EQ(Text(*mid), QStringLiteral("a1bcdef\r\nx2yz\r\n"));
}

TEST(EditorEdit, OverwriteAndIndentWidth)
{
    auto ed = MakeEditor(QStringLiteral("abcdef"));
    ed->SetOverWrite(true);
    ed->SetRowCol(0, 1);
    ed->PutStringToLine(QStringLiteral("XY"));
    EXPECT_EQ(Text(*ed), QStringLiteral("aXYdef"));
    EXPECT_EQ(ed->Col(), 3);
    // Overwriting the first half of a double-width character leaves a blank for the second.
    auto wide = MakeEditor(QStringLiteral("a漢b"));
    wide->SetOverWrite(true);
    wide->SetRowCol(0, 1);
    wide->PutStringToLine(QStringLiteral("x"));
    EXPECT_EQ(Text(*wide), QStringLiteral("ax b"));

    ed->Caret().SetTabSpaceCount(4);
    EXPECT_EQ(ed->GetIndentWidth(u""), -1);
    EXPECT_EQ(ed->GetIndentWidth(u"  \tx"), 4);
    EXPECT_EQ(ed->GetIndentWidth(u"\u3000a"), 2);
    EXPECT_EQ(ed->GetIndentWidth(u"   "), 3);
}

TEST(EditorEdit, OverwriteRunsOnOverWrappedRowsAsOverOneLine)
{
    // Each case is typed with word wrap off and on (20 columns): a wrapped row is only a display
    // break, so the text and the caret come out the same.
    struct Case {
        const char* what;
        QString text;
        int offset; // caret position as a character offset into the text
        QString typed;
        QString expected;
    };
    const QString x30 = QString(30, u'x') + QStringLiteral("yz");
    const std::vector<Case> cases = {
        {"runs over the row end", x30, 19, QStringLiteral("PQRS"), QString(19, u'x') + QStringLiteral("PQRS") + QString(7, u'x') + QStringLiteral("yz")},
        {"wide character in the last column", x30, 19, QStringLiteral("漢"), QString(19, u'x') + QStringLiteral("漢") + QString(9, u'x') + QStringLiteral("yz")},
        {"past the line end, next line kept", QStringLiteral("abcdefghijklmnopqrstuvwxy\r\nnext"), 18, QStringLiteral("0123456789"),
         QStringLiteral("abcdefghijklmnopqr0123456789\r\nnext")},
        {"cut wide character on the next row", QString(19, u'x') + QStringLiteral("漢字"), 18, QStringLiteral("ab"),
         QString(18, u'x') + QStringLiteral("ab 字")},
    };
    for (const Case& c : cases) {
        for (bool wrap : {false, true}) {
            SCOPED_TRACE(std::string(c.what) + (wrap ? " / wrap" : " / no wrap"));
            auto ed = MakeEditor(c.text);
            ed->WrapOption().SetWrapByte(20);
            ed->SetWordWrap(wrap);
            if (wrap) {
                ASSERT_EQ(ed->GetRowAttribute(0), raWrapped);
            }
            ed->SetOverWrite(true);
            ed->SetSelStart(c.offset);
            ed->PutStringToLine(c.typed);
            EXPECT_EQ(Text(*ed), c.expected);
            EXPECT_EQ(ed->SelStart(), c.offset + c.typed.size());
            ed->Undo();
            EXPECT_EQ(Text(*ed), c.text);
        }
    }
}

TEST(EditorEdit, RowMarksKeepBookmarksUnique)
{
    auto ed = MakeEditor(QStringLiteral("a\r\nb\r\nc\r\n"));
    ed->PutRowMark(0, 3);
    ed->PutRowMark(2, 3);
    EXPECT_EQ(ed->GetListRowMarks(0), 0);
    EXPECT_EQ(ed->GetListRowMarks(2), RowMark(3));
    ed->PutRowMark(0, 12);
    ed->PutRowMark(1, 12);
    EXPECT_EQ(ed->GetListRowMarks(0), RowMark(12));
    EXPECT_EQ(ed->GetListRowMarks(1), RowMark(12));
    ed->DeleteRowMark(1, 12);
    EXPECT_EQ(ed->GetListRowMarks(1), 0);
    ed->PutRowMark(99, 1); // ignored
}
