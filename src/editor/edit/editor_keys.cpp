// Keyboard input of TEditor: the key map (navigation, Delete, F6), typing (Tab, Enter,
// Backspace and characters) and the code-assist request to the owner.
#include "editor/charclass.h"
#include "editor/editor_fountain.h"
#include "editor/view/editor.h"
#include "editor/wrap.h"
#include "platform/messages.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QTimer>

namespace qv {

namespace {
constexpr unsigned kCnKeyDown = 0xBD00, kCnChar = 0xBD02;
enum : int {
    VK_BACK = 8, VK_TAB = 9, VK_RETURN = 13, VK_ESCAPE = 27, VK_SPACE = 32, VK_PRIOR = 33, VK_NEXT = 34,
    VK_END = 35, VK_HOME = 36, VK_LEFT = 37, VK_UP = 38, VK_RIGHT = 39, VK_DOWN = 40, VK_INSERT = 45,
    VK_DELETE = 46, VK_F1 = 0x70, VK_F6 = 0x75, VK_F24 = 0x87,
};

struct CaretHold {
    TEditor* e;
    explicit CaretHold(TEditor* ed) : e(ed) { e->BeginCaretUpdate(); }
    ~CaretHold() { e->EndCaretUpdate(); }
};
} // namespace

int TEditor::QtKeyToVk(int key)
{
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return 0x41 + (key - Qt::Key_A);
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return 0x30 + (key - Qt::Key_0);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return VK_F1 + (key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_Shift: return 0x10;
    case Qt::Key_Control: return 0x11;
    case Qt::Key_Alt: return 0x12;
    default: return 0;
    }
}

int TEditor::VkToQtKey(int vk)
{
    if (vk >= 0x41 && vk <= 0x5A)
        return Qt::Key_A + (vk - 0x41);
    if (vk >= 0x30 && vk <= 0x39)
        return Qt::Key_0 + (vk - 0x30);
    if (vk >= VK_F1 && vk <= VK_F24)
        return Qt::Key_F1 + (vk - VK_F1);
    static const std::pair<int, int> table[] = {
        {VK_BACK, Qt::Key_Backspace}, {VK_TAB, Qt::Key_Tab},     {VK_RETURN, Qt::Key_Return},
        {VK_ESCAPE, Qt::Key_Escape},  {VK_SPACE, Qt::Key_Space}, {VK_PRIOR, Qt::Key_PageUp},
        {VK_NEXT, Qt::Key_PageDown},  {VK_END, Qt::Key_End},     {VK_HOME, Qt::Key_Home},
        {VK_LEFT, Qt::Key_Left},      {VK_UP, Qt::Key_Up},       {VK_RIGHT, Qt::Key_Right},
        {VK_DOWN, Qt::Key_Down},      {VK_INSERT, Qt::Key_Insert}, {VK_DELETE, Qt::Key_Delete},
        {0x10, Qt::Key_Shift},        {0x11, Qt::Key_Control},   {0x12, Qt::Key_Alt},
    };
    for (auto [v, k] : table)
        if (v == vk)
            return k;
    return 0;
}

void TEditor::RecordKey(unsigned, int, int, Qt::KeyboardModifiers) {}

bool TEditor::focusNextPrevChild(bool next)
{
    // Tab is a character of the text while the editor wants tabs.
    if (WantTabs && !m_readOnly)
        return false;
    return QAbstractScrollArea::focusNextPrevChild(next);
}

void TEditor::keyReleaseEvent(QKeyEvent* e)
{
    if (!e->isAutoRepeat())
        EditKeyUp();
    QAbstractScrollArea::keyReleaseEvent(e);
}

void TEditor::keyPressEvent(QKeyEvent* e)
{
    if (m_leftButtonDown || m_selDragState != sdNone) {
        if (m_selDragState == sdDragging && e->key() == Qt::Key_Escape)
            CancelSelDrag();
        else if (m_selDragState == sdDragging && e->key() == Qt::Key_Control)
            SetCursorState(mcDraggingCopy);
        e->accept();
        return;
    }
    const Qt::KeyboardModifiers mods = e->modifiers();
    const int key = e->key();
    const int vk = QtKeyToVk(key);
    const int keyData = 1 | int((e->nativeScanCode() & 0xFF) << 16) | (e->isAutoRepeat() ? (1 << 30) : 0);
    if (vk != 0)
        RecordKey(kCnKeyDown, vk, keyData, mods);
    switch (key) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_End:
    case Qt::Key_Home:
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Down:
    case Qt::Key_Delete:
    case Qt::Key_F6:
        EditKeyDown(vk, mods, e->isAutoRepeat());
        e->accept();
        return;
    default:
        break;
    }
    QString text;
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab)
        text = QStringLiteral("\t");
    else if (key == Qt::Key_Return || key == Qt::Key_Enter)
        text = QStringLiteral("\r");
    else if (key == Qt::Key_Backspace)
        text = QStringLiteral("\b");
    else if (key == Qt::Key_Space && (mods & Qt::ControlModifier))
        text = QStringLiteral(" ");
    else if (!(mods & (Qt::ControlModifier | Qt::AltModifier)))
        text = e->text();
    if (text.isEmpty() || (key == Qt::Key_Tab && (mods & Qt::ControlModifier))) {
        e->ignore();
        return;
    }
    Qt::KeyboardModifiers m = mods;
    if (key == Qt::Key_Backtab)
        m |= Qt::ShiftModifier;
    for (QChar c : text) {
        RecordKey(kCnChar, c.unicode(), keyData, m);
        EditKeyChar(c, m);
    }
    e->accept();
}

void TEditor::EditKeyDown(int vk, Qt::KeyboardModifiers mods, bool autoRepeat)
{
    m_keyRepeat = autoRepeat;
    const bool shift = mods & Qt::ShiftModifier;
    const bool ctrl = mods & Qt::ControlModifier;
    const bool nav = vk >= VK_PRIOR && vk <= VK_DOWN;
    if (nav) {
        if (shift && !SelectedData())
            StartSelection();
        else if (!shift && m_selectionState != sstNone)
            CleanSelection();
        else if (HitSelected())
            CleanSelection();
    }
    const int n = m_list->Count();
    {
        CaretHold hold(this);
        switch (vk) {
        case VK_PRIOR:
        case VK_NEXT: {
            const int range = m_keyRepeat ? m_speed->PageVerticalRangeAc : m_speed->PageVerticalRange;
            const int step = ((m_rowCount - 1) / 2) * std::max(1, range);
            PageMove(vk == VK_PRIOR ? -step : step);
            break;
        }
        case VK_END:
            if (ctrl)
                SetRow(n);
            SetCol(m_row >= n ? 0 : GetRowWidth(m_row));
            break;
        case VK_HOME:
            if (ctrl)
                SetRowCol(0, 0);
            else
                SetCol(0);
            break;
        case VK_LEFT:
            if (ctrl) {
                int r = m_row, c = m_col;
                if (NextTokenPos(false, r, c))
                    SetRowCol(r, c);
            } else if (m_col > 0) {
                SetCol(m_col - 1);
            } else if (m_row > 0 && (m_caret->NextLine || GetRowAttribute(m_row - 1) == raWrapped)) {
                SetRowCol(m_row - 1, GetRowWidth(m_row - 1));
            }
            break;
        case VK_RIGHT:
            if (ctrl) {
                int r = m_row, c = m_col;
                if (NextTokenPos(true, r, c))
                    SetRowCol(r, c);
            } else {
                const int old = m_col;
                SetCol(m_col + 1);
                if (m_col == old && m_row < n - 1 && (m_caret->NextLine || GetRowAttribute(m_row) == raWrapped))
                    SetRowCol(m_row + 1, 0);
            }
            break;
        case VK_UP: {
            const int step = (m_keyRepeat && m_row == m_topRow) ? std::max<int>(1, m_speed->CaretVerticalAc) : 1;
            if (ctrl) {
                if (m_row > 0) {
                    SetTopRow(m_topRow - step);
                    if (m_row >= m_topRow + m_rowCount)
                        SetRow(m_row - step);
                }
            } else if (m_row > 0) {
                SetRow(std::max(0, m_row - step));
            }
            break;
        }
        case VK_DOWN: {
            const int step = (m_keyRepeat && m_row >= m_topRow + m_rowCount - 1)
                                 ? std::max<int>(1, m_speed->CaretVerticalAc) : 1;
            if (ctrl) {
                SetTopRow(m_topRow + step);
                if (m_row < m_topRow)
                    SetRow(m_row + step);
            } else if (m_row < n && GetRowAttribute(m_row) != raEof) {
                SetRow(m_row + step);
            }
            break;
        }
        case VK_DELETE:
            if (!m_readOnly)
                DeleteForward();
            break;
        case VK_F6:
            break;
        default:
            break;
        }
    }
    if (nav && shift)
        UpdateSelection();
    if (vk == VK_F6)
        SendCodeAssist(GetCaretPixelPos());
}

void TEditor::PageMove(int n)
{
    const int count = m_list->Count();
    if (m_topRow == 0 && n < 0) {
        SetRow(0);
        return;
    }
    const int finalRow = count > 0 && GetRowAttribute(count - 1) == raEof ? count - 1 : count;
    if (m_topRow >= finalRow && n > 0)
        return;
    const int t = m_topRow;
    SetTopRow(std::max(0, std::min(m_topRow + n, count)));
    SetRow(m_row + (m_topRow - t));
}

void TEditor::EditKeyChar(QChar ch, Qt::KeyboardModifiers mods)
{
    const bool shift = mods & Qt::ShiftModifier;
    const bool ctrl = mods & Qt::ControlModifier;
    const char16_t c = ch.unicode();
    if (c == u'\t') {
        if (ctrl || m_readOnly || !WantTabs)
            return;
        const int tsc = m_caret->TabSpaceCount();
        int w = tsc - m_col % tsc;
        if (m_list->WordWrap()) {
            const int wb = m_list->WrapOption().WrapByte();
            w = std::min(w, wb - m_col % wb);
        }
        if (m_overWrite) {
            SetCol(m_col + w);
        } else if (Selected() && m_selStr.Sr != m_selStr.Er) {
            if (shift)
                SelTabUnIndent();
            else
                SelTabIndent();
        } else if (m_caret->SoftTab) {
            PutStringToLine(QString(w, u' '));
        } else {
            PutStringToLine(QStringLiteral("\t"));
        }
        return;
    }
    if (c == u'\r') {
        if (!m_readOnly)
            NewLine(shift);
        return;
    }
    if (c == u'\b') {
        if (!m_readOnly)
            BackSpace();
        return;
    }
    if (m_readOnly)
        return;
    if (c == u'.' && CodeAssistCallOfDot) {
        PutStringToLine(QStringLiteral("."));
        const QPoint pos = GetCaretPixelPos();
        QPointer<TEditor> self(this);
        const bool cancelled = WaitCodeAssistDelay();
        if (self && !cancelled)
            SendCodeAssist(pos);
        return;
    }
    if (c == u' ' && ctrl) {
        SendCodeAssist(GetCaretPixelPos());
        return;
    }
    if ((c >= 1 && c <= 8) || c == 11 || c == 12 || (c >= 14 && c <= 31) || c == 0x7F)
        return;
    PutStringToLine(QString(ch));
}

QObject* TEditor::CodeAssistOwner() const
{
    if (m_codeAssistOwner)
        return m_codeAssistOwner.data();
    return parentWidget();
}

void TEditor::SendCodeAssist(QPoint pos)
{
    if (QObject* owner = CodeAssistOwner())
        SendProgramMessage(owner, WM_CODEASSIST, pos.x(), pos.y());
}

bool TEditor::WaitCodeAssistDelay()
{
    if (!CodeAssistDelayShow)
        return false;
    const int delay = CodeAssistDelayTime;
    if (delay < 0)
        return false;
    // Events keep flowing while we wait: the user may type on (which cancels the request) or
    // close the window (the guarded pointer then ends the wait without touching the editor).
    QPointer<TEditor> self(this);
    const int row = m_row, col = m_col;
    bool cancelled = false;
    QEventLoop loop;
    QTimer check;
    check.setInterval(5);
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (!self) {
            cancelled = true;
            loop.quit();
            return;
        }
        if (self->m_row != row || self->m_col != col) {
            cancelled = true;
            loop.quit();
            return;
        }
        if (clock.elapsed() > delay || clock.elapsed() >= 10000)
            loop.quit();
    });
    QObject::connect(this, &QObject::destroyed, &loop, [&] {
        cancelled = true;
        loop.quit();
    });
    check.start();
    loop.exec();
    return cancelled || !self;
}

// ---- typing rules ----------------------------------------------------------------------------

void TEditor::NewLine(bool shift)
{
    if (SelectedData()) {
        if (Selected() && shift)
            return;
        if (Selected())
            DeleteSelection();
        else
            CleanSelection();
    }
    CaretHold hold(this);
    BeginUnderlineUpdate();
    const int n = m_list->Count();
    if (m_row >= n) {
        m_list->ReplaceRows(n, 0, QStringLiteral("\r\n"));
        SetRowCol(m_list->Count(), 0);
        EndUnderlineUpdate();
        return;
    }
    if (m_overWrite) {
        SetRowCol(m_row + 1, 0);
        EndUnderlineUpdate();
        return;
    }
    const int r = m_row;
    const int f = m_list->LineStartRow(r);
    const QString first = GetRowString(f);
    const int t = GetIndentWidth(first);
    int g = 0;
    if (m_caret->AutoIndent) {
        if (t < 1)
            g = (m_caret->PrevSpaceIndent && r == f && first.isEmpty()) ? PrevLineIndent() : 0;
        else
            g = (r == f && m_col < t) ? m_col : t;
    }
    const int tsc = m_caret->TabSpaceCount();
    const QString ind = m_caret->TabIndent ? QString(g / tsc, u'\t') + QString(g % tsc, u' ') : QString(g, u' ');
    if (shift) {
        m_list->ReplaceRows(f, 0, ind + QStringLiteral("\r\n"));
        SetCaretByOffset(f, int(ind.size()));
    } else {
        const QString text = GetRowString(r);
        const int ci = ColumnToStartChar(r, std::min(m_col, GetRowWidth(r)));
        const int a = std::max(f, r - 1);
        const int off = RowColToOffset(a, r, 0) + ci + 2 + int(ind.size());
        m_list->ReplaceRows(r, 1, text.left(ci) + QStringLiteral("\r\n") + ind + text.mid(ci) + RowBreak(r));
        SetCaretByOffset(a, off);
    }
    EndUnderlineUpdate();
}

void TEditor::BackSpace()
{
    if (Selected()) {
        DeleteSelection();
        return;
    }
    const int n = m_list->Count();
    if (n == 0) {
        SetCol(m_col - 1);
        return;
    }
    if (HitSelected())
        CleanSelection();
    CaretHold hold(this);
    const int r = m_row;
    if (r >= n) {
        // The row after the last line break: the last row loses its break.
        const int p = n - 1;
        const int a = std::max(m_list->LineStartRow(p), p - 1);
        const int off = RowColToOffset(a, p, 0) + int(GetRowString(p).size());
        m_list->ReplaceRows(p, 1, GetRowString(p));
        SetCaretByOffset(a, off);
        return;
    }
    const QString text = GetRowString(r);
    const std::vector<int> cols = CharStartCols(text);
    const int w = cols.back();
    int i = 0;
    while (i < text.size() && cols[i] < m_col)
        ++i;
    const int a = std::max(m_list->LineStartRow(r), r - 1);
    if (i > 0 && m_caret->BackSpaceUnIndent
        && (text.isEmpty() || text.trimmed().isEmpty() || m_col == GetIndentWidth(text))) {
        const int F = m_list->LineStartRow(r);
        int f = 0;
        for (int rr = r - 1; rr >= 0; --rr) {
            const int ind = GetIndentWidth(GetRowString(rr));
            if (ind < 0)
                continue;
            if (rr > F && ind == 0)
                continue;
            if (ind < m_col) {
                f = ind;
                break;
            }
        }
        if (f < w) {
            int k = 0;
            while (k < text.size() && cols[k + 1] <= f)
                ++k;
            QString t = text.left(k) + QString(std::max(0, f - cols[k]), u' ');
            if (i > 0 && i <= text.size() && cols[i] > m_col && text[i - 1] == u'\t')
                t += QString(cols[i] - m_col, u' ');
            t += text.mid(i);
            m_list->ReplaceRows(r, 1, t + RowBreak(r));
            SetRowCol(r, f);
        } else {
            SetCol(f);
        }
        return;
    }
    if (i > 0) {
        if (m_col > w) {
            SetCol(m_col - 1);
            return;
        }
        int k = i - 1;
        int len = 1;
        if (k > 0 && text[k].isLowSurrogate() && text[k - 1].isHighSurrogate()) {
            --k;
            len = 2;
        }
        const int off = RowColToOffset(a, r, 0) + k;
        m_list->ReplaceRows(r, 1, text.left(k) + text.mid(k + len) + RowBreak(r));
        SetCaretByOffset(a, off);
        return;
    }
    if (r == 0)
        return;
    const int p = r - 1;
    const QString pt = GetRowString(p);
    const int pa = std::max(m_list->LineStartRow(p), p - 1);
    if (GetRowAttribute(p) == raWrapped) {
        // Backspace at the start of a continuation row deletes across the wrap.
        const int off = RowColToOffset(pa, p, 0) + int(pt.size()) - 1;
        m_list->ReplaceRows(p, 2, pt.left(pt.size() - 1) + text + RowBreak(r));
        SetCaretByOffset(pa, off);
        return;
    }
    const int off = RowColToOffset(pa, p, 0) + int(pt.size());
    m_list->ReplaceRows(p, 2, pt + text + RowBreak(r));
    SetCaretByOffset(pa, off);
}

void TEditor::DeleteForward()
{
    if (Selected()) {
        DeleteSelection();
        return;
    }
    if (HitSelected())
        CleanSelection();
    const int n = m_list->Count();
    const int r = m_row;
    if (r >= n)
        return;
    CaretHold hold(this);
    const QString text = GetRowString(r);
    const std::vector<int> cols = CharStartCols(text);
    const int w = cols.back();
    const int a = std::max(m_list->LineStartRow(r), r - 1);
    if (m_col < w) {
        int p = 0;
        while (p + 1 < int(cols.size()) - 1 && cols[p + 1] <= m_col)
            ++p;
        int len = (text[p].isHighSurrogate() && p + 1 < text.size()) ? 2 : 1;
        const int off = RowColToOffset(a, r, 0) + p;
        m_list->ReplaceRows(r, 1, text.left(p) + text.mid(p + len) + RowBreak(r));
        SetCaretByOffset(a, off);
        return;
    }
    const TRowAttribute at = GetRowAttribute(r);
    if (at == raEof)
        return;
    const QString pad(std::max(0, m_col - w), u' ');
    const int off = RowColToOffset(a, r, 0) + int(text.size() + pad.size());
    if (r + 1 < n) {
        const QString next = GetRowString(r + 1);
        if (at == raWrapped) {
            m_list->ReplaceRows(r, 2, text + next.mid(1) + RowBreak(r + 1));
        } else {
            m_list->ReplaceRows(r, 2, text + pad + next + RowBreak(r + 1));
        }
    } else {
        m_list->ReplaceRows(r, 1, text + pad);
    }
    SetCaretByOffset(a, off);
}

bool TEditor::NextTokenPos(bool right, int& row, int& col) const
{
    const int n = m_list->Count();
    if (row < 0 || row > n || (row == n && (n == 0 || GetRowAttribute(n - 1) != raCrlf)))
        return false;
    auto tokenCols = [&](int r) {
        std::vector<int> starts;
        const QString ex = GetExpandedRow(r);
        TRowAttributeData state;
        state.BracketIndex = -2;
        std::unique_ptr<TFountainParser> parser = ActiveFountain()->CreateParser();
        parser->NewData(ex, state);
        char16_t kind;
        while ((kind = parser->NextToken()) != tok::toEof) {
            if (kind == tok::toSymbol)
                continue;
            starts.push_back(ExpandTabLength(QStringView(ex).left(parser->SourcePos())));
        }
        return starts;
    };
    if (right) {
        int r = row, c = col;
        if (c >= GetRowWidth(r) && r < n - 1) {
            ++r;
            c = -1;
        }
        for (int s : tokenCols(r))
            if (s > c) {
                row = r;
                col = s;
                return true;
            }
        if (r < n && GetRowAttribute(r) == raWrapped) {
            row = r + 1;
            col = 0;
        } else {
            row = r;
            col = GetRowWidth(r);
        }
        return true;
    }
    int r = row, c = col;
    if (c == 0) {
        if (r == 0)
            return false;
        --r;
        c = GetRowWidth(r);
        if (GetRowAttribute(r) == raCrlf) {
            row = r;
            col = c;
            return true;
        }
    }
    int best = -1;
    for (int s : tokenCols(r))
        if (s < c)
            best = s;
    if (best >= 0) {
        row = r;
        col = best;
        return true;
    }
    if (r == 0) {
        row = 0;
        col = 0;
    } else {
        row = r - 1;
        col = GetRowWidth(r - 1);
    }
    return true;
}

} // namespace qv
