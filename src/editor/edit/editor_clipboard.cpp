// Clipboard, select-all and the dropping of a dragged selection.
#include "editor/view/editor.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>

namespace qv {

QString TEditor::BoxMimeType() { return QStringLiteral("application/x-qorvel-teditor-box-type"); }

void TEditor::CopyToClipboard()
{
    // Nothing selected: the clipboard stays as it is.
    if (!Selected())
        return;
    const QString text = SelText();
    auto* data = new QMimeData;
    data->setText(text);
    if (m_selectionMode == smBox) {
        // The marker holds the same text as UTF-16 with a terminating NUL.
        QByteArray raw(reinterpret_cast<const char*>(text.utf16()), (text.size() + 1) * 2);
        raw[raw.size() - 1] = 0;
        raw[raw.size() - 2] = 0;
        data->setData(BoxMimeType(), raw);
    }
    QApplication::clipboard()->setMimeData(data);
}

void TEditor::CutToClipboard()
{
    if (!Selected() || m_readOnly)
        return;
    CopyToClipboard();
    DeleteSelection();
}

void TEditor::PasteFromClipboard()
{
    if (m_readOnly)
        return;
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (!data || !data->hasText())
        return;
    const QString text = data->text();
    if (data->hasFormat(BoxMimeType()))
        SetSelTextBox(text);
    else
        SetSelTextBuf(text);
}

void TEditor::SelectAll()
{
    HideEditorCaret();
    SetSelStart(0);
    SetSelLength(GetTextLen());
    ShowEditorCaret();
}

void TEditor::HitToSelected()
{
    if (m_selectionState != sstHitSelected)
        return;
    if (m_hitStyle == hsCaret) {
        BeginCaretUpdate();
        SetRowCol(m_selDraw.Er, m_selDraw.Ec);
        EndCaretUpdate();
    }
    m_selectionState = sstSelected;
    InvalidateRows(m_selDraw.Sr, m_selDraw.Er);
}

bool TEditor::IsSelectedArea(int row, int col) const
{
    if (!SelectedData() || row < m_selDraw.Sr || row > m_selDraw.Er)
        return false;
    if (m_selectionMode == smBox)
        return col >= m_selDraw.Sc && col < m_selDraw.Ec;
    if (row == m_selDraw.Sr && col < m_selDraw.Sc)
        return false;
    if (row == m_selDraw.Er && col >= m_selDraw.Ec)
        return false;
    return true;
}

void TEditor::CopySelection(int row, int col)
{
    if (!CanSelDrag() || IsSelectedArea(row, col)) {
        CleanSelection();
        return;
    }
    const QString text = SelText();
    CleanSelection();
    BeginCaretUpdate();
    SetRowCol(row, col);
    EndCaretUpdate();
    SetSelTextBuf(text);
}

void TEditor::MoveSelection(int row, int col)
{
    if (!CanSelDrag() || IsSelectedArea(row, col)) {
        CleanSelection();
        return;
    }
    // One replace over the rows from the drop row to the selection, one undo step.
    const int n = m_list->Count();
    const TSelectedPosition st = m_selStr, d = m_selDraw;
    const QString sel = SelText();
    const int first = std::min(d.Sr, row);
    const int last = std::min(n - 1, std::max(d.Er, row));
    QString dropRow = GetRowString(row);
    const int w = ExpandTabLength(dropRow);
    int dp = ColumnToStartChar(row, col);
    if (col > w) {
        dropRow += QString(col - w, u' ');
        dp = int(dropRow.size());
    }
    const QString h = GetRowString(st.Sr).left(st.Sc);
    const QString t = GetRowString(st.Er).mid(st.Ec + 1);
    QString text;
    const int f = std::max(m_list->LineStartRow(first), first - 1);
    int caretOff;
    const bool before = std::pair(row, col) < std::pair(d.Sr, d.Sc);
    if (before) {
        int start = row;
        if (row < st.Sr) {
            text = dropRow.left(dp) + sel + dropRow.mid(dp) + RowBreak(row);
            for (int r = row + 1; r < st.Sr; ++r)
                text += GetRowString(r) + RowBreak(r);
            text += h + t + RowBreak(st.Er);
        } else {
            text = dropRow.left(dp) + sel + GetRowString(st.Sr).mid(dp, st.Sc - dp) + t + RowBreak(st.Er);
        }
        caretOff = RowColToOffset(f, start, 0) + dp + int(sel.size());
        (void)start;
    } else {
        const int selOff = RowColToOffset(f, st.Sr, 0) + st.Sc;
        if (row > st.Er) {
            text = h + t + RowBreak(st.Er);
            for (int r = st.Er + 1; r < row; ++r)
                text += GetRowString(r) + RowBreak(r);
            text += dropRow.left(dp) + sel + dropRow.mid(dp) + RowBreak(row);
        } else {
            const QString er = GetRowString(st.Er) + (dp > GetRowString(st.Er).size() ? QString() : QString());
            text = h + dropRow.mid(st.Ec + 1, dp - (st.Ec + 1)) + sel + dropRow.mid(dp) + RowBreak(st.Er);
            (void)er;
        }
        caretOff = selOff + int(sel.size());
        // In the "after" cases the caret goes past the moved text counted from where the
        // moved text lands.
        caretOff = RowColToOffset(f, st.Sr, 0) + st.Sc + (row > st.Er ? 0 : 0);
        int between = 0;
        if (row > st.Er) {
            between = int(t.size()) + int(RowBreak(st.Er).size());
            for (int r = st.Er + 1; r < row; ++r)
                between += int(GetRowString(r).size() + RowBreak(r).size());
            between += dp;
        } else {
            between = dp - (st.Ec + 1);
        }
        caretOff += between + int(sel.size());
    }
    CleanSelection();
    HideEditorCaret();
    BeginCaretUpdate();
    m_list->ReplaceRows(first, last - first + 1, text);
    SetCaretByOffset(f, caretOff);
    EndCaretUpdate();
    ShowEditorCaret();
}

} // namespace qv
