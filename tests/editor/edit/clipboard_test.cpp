#include "edit_helper.h"
#include "editor/edit/edit_messages.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <gtest/gtest.h>

using namespace qv;
using namespace edtest;
using namespace qv::editmsg;

TEST(EditorClipboard, BoxCopyAndPaste)
{
    auto ed = MakeEditor(QStringLiteral("abcdef\r\nghijkl\r\nmnopqr\r\n"));
    ed->DefaultSelectMode = smBox;
    ed->SetRowCol(0, 1);
    ed->StartSelection();
    ed->SetRowCol(2, 3);
    ed->UpdateSelection();
    ASSERT_EQ(ed->SelectionMode(), smBox);
    ed->CopyToClipboard();
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_TRUE(data);
    EXPECT_EQ(data->text(), QStringLiteral("bc\r\nhi\r\nno\r\n"));
    EXPECT_TRUE(data->hasFormat(TEditor::BoxMimeType()));
    // Pasting puts each line at the caret column of successive rows.
    auto dst = MakeEditor(QStringLiteral("12345\r\n12345\r\n12345"));
    dst->SetRowCol(0, 2);
    dst->PasteFromClipboard();
    EXPECT_EQ(Text(*dst), QStringLiteral("12bc345\r\n12hi345\r\n12no345\r\n"));

    // Text from another program never pastes as a box.
    QApplication::clipboard()->setText(QStringLiteral("x\r\ny"));
    auto plain = MakeEditor(QStringLiteral("12\r\n34"));
    plain->SetRowCol(0, 1);
    plain->PasteFromClipboard();
    EXPECT_EQ(Text(*plain), QStringLiteral("1x\r\ny2\r\n34"));
}

TEST(EditorClipboard, CopyCutWithoutSelectionLeaveTheClipboard)
{
    QApplication::clipboard()->setText(QStringLiteral("keep"));
    auto ed = MakeEditor(QStringLiteral("abc"));
    ed->EditMessage(WM_COPY, 0, 0);
    ed->EditMessage(WM_CUT, 0, 0);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("keep"));
    // Cut in a read-only editor does nothing at all.
    ed->SetSelStart(0);
    ed->SetSelLength(2);
    ed->SetReadOnly(true);
    ed->EditMessage(WM_CUT, 0, 0);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("keep"));
    EXPECT_EQ(Text(*ed), QStringLiteral("abc"));
    ed->SetReadOnly(false);
    ed->SetSelStart(0);
    ed->SetSelLength(2);
    ed->EditMessage(WM_CUT, 0, 0);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("ab"));
    EXPECT_EQ(Text(*ed), QStringLiteral("c"));
    EXPECT_EQ(ed->Col(), 0);
}

TEST(EditorMessages, SelectionAndLines)
{
    auto ed = MakeEditor(QStringLiteral("0123456789\r\nabc\r\n"));
    ed->EditMessage(EM_SETSEL, 0, -1);
    EXPECT_EQ(ed->SelLength(), 17);
    ed->EditMessage(EM_SETSEL, 5, 2);
    int32_t a = -1, b = -1;
    const qintptr packed = ed->EditMessage(EM_GETSEL, quintptr(&a), qintptr(&b));
    EXPECT_EQ(a, 2);
    EXPECT_EQ(b, 5);
    EXPECT_EQ(ed->EditMessage(EM_GETSEL, 0, 0), packed);
    EXPECT_EQ(packed, (5 << 16) | 2);
    EXPECT_EQ(ed->EditMessage(EM_GETLINECOUNT, 0, 0), 2);
    EXPECT_EQ(ed->EditMessage(EM_LINEINDEX, 1, 0), 12);
    EXPECT_EQ(ed->EditMessage(EM_LINEINDEX, 2, 0), -1);
    ed->SetSelStart(0);
    ed->SetRowCol(2, 0);
    EXPECT_EQ(ed->EditMessage(EM_LINEINDEX, quintptr(-1), 0), 17);
    char16_t buf[8] = {4};
    EXPECT_EQ(ed->EditMessage(EM_GETLINE, 0, qintptr(buf)), 4);
    EXPECT_EQ(QString::fromUtf16(buf, 4), QStringLiteral("0123"));
    EXPECT_EQ(ed->EditMessage(EM_LINEFROMCHAR, 13, 0), 1);
    EXPECT_EQ(ed->EditMessage(EM_LINELENGTH, 13, 0), 3);
    EXPECT_EQ(ed->EditMessage(WM_GETTEXTLENGTH, 0, 0), 17);

    // Writes never pass a read-only editor.
    ed->SetReadOnly(true);
    const QString t = QStringLiteral("new");
    ed->EditMessage(WM_SETTEXT, 0, qintptr(&t));
    ed->EditMessage(EM_REPLACESEL, 0, qintptr(&t));
    ed->EditMessage(WM_PASTE, 0, 0);
    ed->EditMessage(WM_CLEAR, 0, 0);
    ed->SetModified(false);
    ed->EditMessage(EM_SETMODIFY, 1, 0);
    EXPECT_EQ(Text(*ed), QStringLiteral("0123456789\r\nabc\r\n"));
    EXPECT_EQ(ed->EditMessage(EM_GETMODIFY, 0, 0), 0);
    ed->EditMessage(EM_SETREADONLY, 0, 0);
    ed->EditMessage(WM_SETTEXT, 0, qintptr(&t));
    EXPECT_EQ(Text(*ed), t);
    ed->EditMessage(EM_SETSEL, 0, 1);
    ed->EditMessage(EM_REPLACESEL, 0, qintptr(&t));
    EXPECT_EQ(Text(*ed), QStringLiteral("newew"));
    EXPECT_EQ(ed->EditMessage(EM_CANUNDO, 0, 0), 1);
    EXPECT_EQ(ed->EditMessage(EM_UNDO, 0, 0), 1);
}

TEST(EditorMessages, CharFromPosOnDoubleWidth)
{
    auto ed = MakeEditor(QStringLiteral("a漢b"));
    const int lm = ed->LeftMargin(), tm = ed->TopMargin(), fw = ed->ColWidth();
    for (int x : {lm + fw + fw * 3 / 4, lm + 2 * fw + fw / 4}) {
        const qintptr r = ed->EditMessage(EM_CHARFROMPOS, 0, qintptr((tm + 2) << 16 | x));
        EXPECT_EQ(r & 0xFFFF, 1) << x;
    }
}
