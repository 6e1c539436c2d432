// TEditor's answers to the standard edit-control messages.
#include "editor/edit/edit_messages.h"

#include "editor/undo.h"
#include "editor/view/editor.h"
#include "editor/wrap.h"

#include <cstdint>

namespace qv {

using namespace editmsg;

namespace {
qintptr Pack(int lo, int hi) { return qintptr((uint32_t(hi) & 0xFFFF) << 16 | (uint32_t(lo) & 0xFFFF)); }
} // namespace

qintptr TEditor::EditMessage(unsigned msg, quintptr wParam, qintptr lParam)
{
    const int n = m_list->Count();
    // Row contribution: raCrlf rows their length + 2, wrapped rows their length, the final row + 1.
    auto contrib = [&](int r) {
        const int len = int(m_list->RowView(r).size());
        const TRowAttribute a = m_list->GetRows(r);
        return len + (a == raCrlf ? 2 : a == raEof ? 1 : 0);
    };
    auto walk = [&](int off, int& rest) {
        int r = 0;
        rest = off;
        for (; r < n; ++r) {
            const int c = contrib(r);
            if (c > rest || m_list->GetRows(r) == raEof)
                return r;
            rest -= c;
        }
        return n;
    };
    auto rowsAbove = [&](int row) {
        int off = 0;
        for (int r = 0; r < row && r < n; ++r)
            off += contrib(r);
        return off;
    };
    switch (msg) {
    case EM_GETSEL: {
        const int start = SelStart();
        const int end = start + SelLength();
        if (wParam)
            *reinterpret_cast<int32_t*>(wParam) = start;
        if (lParam)
            *reinterpret_cast<int32_t*>(lParam) = end;
        return Pack(start, end);
    }
    case EM_SETSEL: {
        const int a = int(intptr_t(wParam)), b = int(lParam);
        if (a == 0 && b == -1) {
            SelectAll();
            return 0;
        }
        SetSelStart(std::min(a, b));
        SetSelLength(std::max(a, b) - std::min(a, b));
        return 0;
    }
    case EM_SCROLLCARET:
        if (m_row < m_topRow || m_row >= m_topRow + m_rowCount)
            SetTopRow(m_row - m_rowCount / 3);
        if (m_col < m_topCol || m_col >= m_topCol + m_colCount)
            SetTopCol(m_col - m_colCount / 3);
        return 0;
    case EM_GETMODIFY:
        return m_modified ? 1 : 0;
    case EM_SETMODIFY:
        if (!m_readOnly)
            m_modified = (wParam & 0xFF) != 0;
        return 0;
    case EM_GETLINECOUNT:
        return n;
    case EM_LINEINDEX: {
        const int row = int(intptr_t(wParam));
        if (row == -1)
            return rowsAbove(m_row);
        if (row < 0 || row >= n)
            return -1;
        return rowsAbove(row);
    }
    case EM_LINELENGTH: {
        const int off = int(intptr_t(wParam));
        if (off == -1) {
            if (SelectedData()) {
                const TSelectedPosition& s = m_selStr;
                return s.Sc + int(GetRowString(s.Er).size()) - s.Ec - 1;
            }
            return int(GetRowString(m_row).size());
        }
        int rest;
        const int r = walk(off, rest);
        return r < n ? int(m_list->RowView(r).size()) : 0;
    }
    case EM_REPLACESEL:
        if (!m_readOnly && lParam)
            SetSelTextBuf(*reinterpret_cast<const QString*>(lParam));
        return 0;
    case EM_GETLINE: {
        const int row = int(intptr_t(wParam));
        if (row < 0 || row >= n || !lParam)
            return 0;
        auto* buf = reinterpret_cast<char16_t*>(lParam);
        const QStringView t = m_list->RowView(row);
        const int k = std::min<int>(buf[0], int(t.size()));
        for (int i = 0; i < k; ++i)
            buf[i] = t[i].unicode();
        return k;
    }
    case EM_CANUNDO:
        return !m_readOnly && CanUndo();
    case EM_UNDO:
        if (!m_readOnly && CanUndo()) {
            Undo();
            return 1;
        }
        return 0;
    case EM_LINEFROMCHAR: {
        const int off = int(intptr_t(wParam));
        if (off == -1)
            return SelectedData() ? m_selStr.Sr : m_row;
        int rest;
        return walk(off, rest);
    }
    case EM_EMPTYUNDOBUFFER:
        if (!m_readOnly)
            m_list->UndoObj().Clear();
        return 0;
    case EM_GETFIRSTVISIBLELINE:
        return m_topRow;
    case EM_SETREADONLY:
        SetReadOnly((wParam & 0xFF) != 0);
        return 1;
    case EM_POSFROMCHAR: {
        int rest;
        const int r = walk(int(intptr_t(wParam)), rest);
        const QString t = GetRowString(r);
        const int c = std::min(ExpandTabLength(QStringView(t).left(std::min<qsizetype>(rest, t.size()))),
                               ExpandTabLength(t));
        const int x = LeftMargin() + (c - m_topCol) * m_fontWidth;
        const int y = TopMargin() + (r - m_topRow) * RowHeight();
        return Pack(x, y);
    }
    case EM_CHARFROMPOS: {
        const int x = int(uint32_t(lParam) & 0xFFFF), y = int((uint32_t(lParam) >> 16) & 0xFFFF);
        if (!viewport()->rect().contains(x, y))
            return -1;
        int col, row;
        PosToRowCol(x, y, true, col, row);
        const QString t = GetRowString(row);
        const QString map = GetColumnMap(t);
        if (col > 0 && col < map.size() && map[col] == u'5')
            --col;
        const int i = std::min(int(t.size()), col - ColumnMapExtra(map, col));
        return Pack(rowsAbove(row) + i, row);
    }
    case WM_SETTEXT:
        if (!m_readOnly && lParam)
            m_lines->SetTextStr(*reinterpret_cast<const QString*>(lParam));
        return 1;
    case WM_GETTEXT: {
        const int size = int(intptr_t(wParam));
        if (size <= 0 || !lParam)
            return 0;
        const QString t = m_lines->GetTextStr();
        const int k = std::min(size - 1, int(t.size()));
        auto* buf = reinterpret_cast<char16_t*>(lParam);
        for (int i = 0; i < k; ++i)
            buf[i] = t[i].unicode();
        buf[k] = 0;
        return k;
    }
    case WM_GETTEXTLENGTH:
        return GetTextLen();
    case WM_CUT:
        // Nothing selected or a read-only editor: the clipboard stays as it is.
        if (Selected() && !m_readOnly)
            CutToClipboard();
        return 0;
    case WM_COPY:
        if (Selected())
            CopyToClipboard();
        return 0;
    case WM_PASTE:
        if (!m_readOnly)
            PasteFromClipboard();
        return 0;
    case WM_CLEAR:
        if (!m_readOnly)
            ClearSelection();
        return 0;
    default:
        return 0;
    }
}

} // namespace qv
