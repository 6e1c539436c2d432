// Editing operations of TEditor: typing, replacing the selection by a string or a column
// block, indenting, line comments, row marks. Each builds the new text of a range of rows
// and hands it to the row store in one ReplaceRows (one undo step).
#include "editor/charclass.h"
#include "editor/view/editor.h"
#include "editor/wrap.h"

#include <QStringList>

namespace qv {

namespace {
struct CaretHold {
    TEditor* e;
    explicit CaretHold(TEditor* ed) : e(ed) { e->BeginCaretUpdate(); }
    ~CaretHold() { e->EndCaretUpdate(); }
};

QStringList SplitBlockLines(const QString& s)
{
    QStringList out;
    QString cur;
    for (int i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c == u'\r' || c == u'\n') {
            out << cur;
            cur.clear();
            if (c == u'\r' && i + 1 < s.size() && s[i + 1] == u'\n')
                ++i;
        } else {
            cur += c;
        }
    }
    if (!cur.isEmpty())
        out << cur;
    return out;
}
} // namespace

std::vector<int> TEditor::CharStartCols(const QString& text) const
{
    const QString map = GetColumnMap(text);
    std::vector<int> cols;
    cols.reserve(text.size() + 1);
    for (int c = 0; c < map.size(); ++c) {
        const char16_t k = map[c].unicode();
        if (k != u'3' && k != u'5')
            cols.push_back(c);
    }
    // Characters beyond a capped map, and the end.
    int c = int(map.size());
    while (cols.size() < size_t(text.size()))
        cols.push_back(c++);
    cols.resize(text.size());
    cols.push_back(int(map.size()));
    return cols;
}

int TEditor::ColumnToStartChar(int row, int col) const
{
    const QString t = GetRowString(row);
    const std::vector<int> cols = CharStartCols(t);
    for (int k = 0; k < t.size(); ++k)
        if (cols[k] >= col)
            return k;
    return int(t.size());
}

QString TEditor::RowBreak(int row) const
{
    return row >= 0 && row < m_list->Count() && m_list->GetRows(row) == raCrlf ? QStringLiteral("\r\n") : QString();
}

int TEditor::GetIndentWidth(QStringView s) const
{
    if (s.isEmpty())
        return -1;
    const int tsc = m_caret->TabSpaceCount();
    const bool wrap = m_list->WordWrap();
    const int wb = m_list->WrapOption().WrapByte();
    int sum = 0;
    for (QChar c : s) {
        if (c == u' ')
            sum += 1;
        else if (c.unicode() == 0x3000)
            sum += 2;
        else if (c == u'\t') {
            int w = tsc - sum % tsc;
            if (wrap && wb > 0)
                w = std::min(w, wb - sum % wb);
            sum += w;
        } else
            break;
    }
    return sum;
}

int TEditor::PrevLineIndent() const
{
    const int n = m_list->Count();
    int r = std::min(m_row, n) - 1;
    for (; r >= 0; --r) {
        if (r > 0 && m_list->GetRows(r - 1) == raWrapped)
            continue;
        const QString t = GetRowString(r);
        if (!t.isEmpty())
            return std::max(0, GetIndentWidth(t));
    }
    return 0;
}

QString TEditor::GetTextOutsideSelection(int* cut) const
{
    const int n = m_list->Count();
    const TSelectedPosition& st = m_selStr;
    const TSelectedPosition& d = m_selDraw;
    if (n == 0)
        return QString();
    const int sr = std::min(st.Sr, n - 1);
    const int er = std::min(st.Er, n - 1);
    if (m_selectionMode == smBox) {
        QString out;
        for (int r = sr; r <= er; ++r) {
            const QString t = GetRowString(r);
            const int a = ColumnToStartChar(r, d.Sc), b = ColumnToStartChar(r, d.Ec);
            if (r == sr && cut)
                *cut = a;
            out += t.left(a) + t.mid(std::max(a, b)) + RowBreak(r);
        }
        return out;
    }
    if (cut)
        *cut = st.Sc;
    return GetRowString(sr).left(st.Sc) + GetRowString(er).mid(st.Ec + 1) + (st.Er < n ? RowBreak(er) : QString());
}

void TEditor::ReplaceForEdit(int first, int last, const QString& text)
{
    const int n = m_list->Count();
    const int count = first >= n ? 0 : std::min(last, n - 1) - first + 1;
    m_list->ReplaceRows(std::min(first, n), std::max(0, count), text);
}

void TEditor::DeleteSelection()
{
    if (!SelectedData())
        return;
    const int n = m_list->Count();
    if (n == 0) {
        CleanSelection();
        return;
    }
    const TSelectedPosition st = m_selStr, d = m_selDraw;
    const int sr = std::min(st.Sr, n - 1);
    const int f = std::max(m_list->LineStartRow(sr), sr - 1);
    const int off = RowColToOffset(f, d.Sr, m_selectionMode == smBox ? std::min(d.Sc, GetRowWidth(d.Sr)) : d.Sc);
    const QString t = GetTextOutsideSelection();
    CaretHold hold(this);
    BeginUnderlineUpdate();
    CleanSelection();
    ReplaceForEdit(sr, st.Er, t);
    SetCaretByOffset(f, off);
    EndUnderlineUpdate();
}

void TEditor::InsertText(const QString& s, bool overwrite)
{
    const int n = m_list->Count();
    CaretHold hold(this);
    if (SelectedData()) {
        const TSelectedPosition st = m_selStr, d = m_selDraw;
        if (n == 0) {
            CleanSelection();
        } else {
            const int sr = std::min(st.Sr, n - 1);
            const int f = std::max(m_list->LineStartRow(sr), sr - 1);
            const int off = RowColToOffset(f, d.Sr, m_selectionMode == smBox ? std::min(d.Sc, GetRowWidth(d.Sr)) : d.Sc);
            int cut = 0;
            QString t = GetTextOutsideSelection(&cut);
            t.insert(cut, s);
            BeginUnderlineUpdate();
            CleanSelection();
            ReplaceForEdit(sr, st.Er, t);
            SetCaretByOffset(f, off + int(s.size()));
            EndUnderlineUpdate();
            return;
        }
    }
    if (m_row >= n) {
        // The empty row after the last line break, or an empty text.
        const QString pad(std::max(0, m_col), u' ');
        const int anchor = n == 0 ? 0 : std::max(m_list->LineStartRow(n - 1), n - 1);
        const int base = n == 0 ? 0 : RowColToOffset(anchor, n - 1, 0) + int(m_list->RowView(n - 1).size()) + 2;
        m_list->ReplaceRows(n, 0, pad + s);
        SetCaretByOffset(anchor, base + int(pad.size() + s.size()));
        return;
    }
    const int r = m_row;
    const QString text = GetRowString(r);
    const std::vector<int> cols = CharStartCols(text);
    const int w = cols.back();
    int p = 0;
    while (p < text.size() && cols[p] < m_col)
        ++p;
    QString t;
    int target;
    const int anchor = std::max(m_list->LineStartRow(r), r - 1);
    if (m_col >= w) {
        const QString pad(m_col - w, u' ');
        t = text + pad + s;
        target = RowColToOffset(anchor, r, 0) + int(text.size() + pad.size() + s.size());
    } else if (overwrite) {
        // Skip as many columns as the new text takes. A wrapped row is only a display break:
        // the skip goes on over the next rows of the same line, which are replaced too.
        int skipTo = m_col + ExpandTabLength(s);
        int last = r, from = p;
        QString cur = text;
        std::vector<int> curCols = cols;
        while (skipTo > curCols.back() && last + 1 < n && m_list->GetRows(last) == raWrapped) {
            skipTo -= curCols.back();
            ++last;
            from = 0;
            cur = GetRowString(last);
            curCols = CharStartCols(cur);
        }
        int q = from;
        while (q < cur.size() && curCols[q] < skipTo)
            ++q;
        QString rest = cur.mid(q);
        if (q > 0 && q <= cur.size() && curCols[q] > skipTo && q - 1 >= from)
            rest.prepend(u' '); // the second half of a double-width character that was cut
        t = text.left(p) + s + rest + RowBreak(last);
        target = RowColToOffset(anchor, r, 0) + p + int(s.size());
        m_list->ReplaceRows(r, last - r + 1, t);
        SetCaretByOffset(anchor, target);
        return;
    } else {
        t = text.left(p) + s + text.mid(p);
        target = RowColToOffset(anchor, r, 0) + p + int(s.size());
    }
    t += RowBreak(r);
    m_list->ReplaceRows(r, 1, t);
    SetCaretByOffset(anchor, target);
}

void TEditor::PutStringToLine(const QString& s)
{
    if (s.isEmpty())
        return;
    InsertText(s, m_overWrite);
}

void TEditor::SetSelTextBuf(const QString& buffer)
{
    if (m_readOnly)
        return;
    if (buffer.isEmpty()) {
        if (Selected())
            DeleteSelection();
        else if (HitSelected())
            CleanSelection();
        return;
    }
    if (buffer.contains(u'\r') || buffer.contains(u'\n'))
        HideEditorCaret();
    InsertText(buffer, false);
    ShowEditorCaret();
}

void TEditor::SetSelTextBox(const QString& buffer)
{
    if (m_readOnly)
        return;
    const QStringList lines = SplitBlockLines(buffer);
    if (buffer.isEmpty() || lines.isEmpty()) {
        if (Selected())
            DeleteSelection();
        return;
    }
    const int n = m_list->Count();
    const int k = int(lines.size());
    int first, col, last;
    std::vector<QString> rows;   // rebuilt rows (without the inserted line)
    std::vector<int> cuts;       // insert index per rebuilt row, -1 = not yet known
    if (SelectedData() && m_selectionMode == smBox) {
        first = m_selStr.Sr;
        col = m_selDraw.Sc;
        last = std::max(first + k - 1, m_selStr.Er);
        for (int r = first; r <= std::min(m_selStr.Er, n - 1); ++r) {
            const QString t = GetRowString(r);
            const int a = ColumnToStartChar(r, m_selDraw.Sc), b = ColumnToStartChar(r, m_selDraw.Ec);
            rows.push_back(t.left(a) + t.mid(std::max(a, b)));
            cuts.push_back(a);
        }
    } else {
        if (SelectedData())
            DeleteSelection();
        first = m_row;
        col = m_col;
        last = first + k - 1;
    }
    QString text;
    int caretRow = first + k - 1, caretIndex = 0;
    for (int r = first; r <= last; ++r) {
        const int idx = r - first;
        const QString line = idx < k ? lines[idx] : QString();
        QString t;
        int at;
        if (idx < int(rows.size())) {
            t = rows[idx];
            at = cuts[idx];
        } else if (r < n) {
            t = GetRowString(r);
            const int w = ExpandTabLength(t);
            if (w < col) {
                t += QString(col - w, u' ');
                at = int(t.size());
            } else {
                at = ColumnToStartChar(r, col);
            }
        } else {
            t = QString(col, u' ');
            at = col;
        }
        if (r >= n && idx >= k)
            break;
        t.insert(at, line);
        if (idx == k - 1)
            caretIndex = at + int(line.size());
        text += t;
        if (r < n && m_list->GetRows(r) == raWrapped)
            continue;
        text += QStringLiteral("\r\n");
    }
    CaretHold hold(this);
    BeginUnderlineUpdate();
    CleanSelection();
    ReplaceForEdit(first, std::min(last, n - 1), text);
    const QString rowText = GetRowString(caretRow);
    SetRowCol(caretRow, ExpandTabLength(QStringView(rowText).left(std::min<qsizetype>(caretIndex, rowText.size()))));
    EndUnderlineUpdate();
}

// Mode 0 indent, 1 un-indent, 2 line comment toggle.
void TEditor::IndentRows(int mode)
{
    if (m_readOnly)
        return;
    const int n = m_list->Count();
    if (n == 0)
        return;
    const int tsc = m_caret->TabSpaceCount();
    const QString unit = m_caret->SoftTab ? QString(tsc, u' ') : QStringLiteral("\t");
    const bool wrap = m_list->WordWrap();
    const int wb = m_list->WrapOption().WrapByte();
    auto wrapped = [&](int r) { return r >= 0 && r < n && m_list->GetRows(r) == raWrapped; };
    if (mode != 2 && !SelectedData())
        StartSelection();
    const bool box = m_selectionMode == smBox && (SelectedData() || mode == 2);
    const bool sel = SelectedData();
    int sr, er;
    if (box) {
        sr = m_selDraw.Sr;
        er = std::min(n - 1, m_selDraw.Er);
    } else if (sel) {
        sr = m_selStr.Sr;
        er = m_selStr.Er;
        if (m_selStr.Ec == -1)
            er = std::max(sr, er - 1);
    } else {
        sr = er = m_row;
    }
    er = std::min(er, n - 1);
    if (sr > er)
        return;
    std::vector<QString> texts;
    std::vector<bool> qualifies;
    bool allCommented = true;
    for (int r = sr; r <= er; ++r) {
        const QString t = GetRowString(r);
        texts.push_back(t);
        const int s = box ? ColumnToStartChar(r, m_selDraw.Sc) : 0;
        bool q;
        if (box) {
            q = t.size() >= s && (!wrap || (!wrapped(r) && !wrapped(r - 1)));
        } else if (mode == 1) {
            q = !t.isEmpty() && !wrapped(r) && !wrapped(r - 1);
        } else {
            q = !wrap || (!wrapped(r) && !wrapped(r - 1) && ExpandTabLength(t) + tsc < wb);
        }
        if (mode == 1)
            q = q && QStringView(t).mid(s).startsWith(unit);
        qualifies.push_back(q);
        if (mode == 2) {
            QStringView v = QStringView(t).mid(std::min<qsizetype>(s, t.size()));
            int k = 0;
            while (k < v.size() && v[k].unicode() <= 0x20)
                ++k;
            if (!v.mid(k).startsWith(u"--"))
                allCommented = false;
        }
    }
    QString text;
    std::vector<std::pair<int, int>> moved(texts.size(), {0, 0}); // column of the change, delta
    for (int r = sr; r <= er; ++r) {
        QString t = texts[r - sr];
        if (qualifies[r - sr]) {
            if (mode == 2 && allCommented) {
                const int k = t.indexOf(QStringLiteral("--"));
                if (k >= 0)
                    moved[r - sr] = {ExpandTabLength(QStringView(t).left(k)), -2};
            } else if (mode == 2) {
                moved[r - sr] = {0, 2};
            }
            const int s = box ? ColumnToStartChar(r, m_selDraw.Sc) : 0;
            if (mode == 0)
                t.insert(s, unit);
            else if (mode == 1)
                t.remove(s, unit.size());
            else if (allCommented) {
                const int k = t.indexOf(QStringLiteral("--"), s);
                if (k >= 0)
                    t.remove(k, 2);
            } else
                t.insert(s, QStringLiteral("--"));
        }
        text += t + RowBreak(r);
    }
    // How the selection follows (line mode).
    const int anchorRow = m_selStartRow, anchorCol = m_selStartCol;
    const int caretRow = m_row, caretCol = m_col;
    auto follow = [&](int r, int col) {
        if (r < sr || r > er || !qualifies[r - sr])
            return col;
        const QString& t = texts[r - sr];
        if (mode == 2) {
            // The selection follows the inserted or removed "--".
            const auto [at, delta] = moved[r - sr];
            if (delta > 0)
                return col >= at ? col + delta : col;
            return col >= at + 2 ? col + delta : std::min(col, at);
        }
        if (mode == 0) {
            const int w = LeadingBlankWidth(ExpandTab(t));
            return std::max(w + tsc, col + tsc);
        }
        const int i = std::max(0, GetIndentWidth(t));
        return std::max(i - tsc, col - tsc);
    };
    const bool oneEmpty = !sel || (m_selStr.Sr == m_selStr.Er && m_selStr.Sc == m_selStr.Ec + 1);
    CaretHold hold(this);
    HideEditorCaret();
    const TEditorSelectionState state = m_selectionState;
    m_selectionState = sstNone;
    m_list->ReplaceRows(sr, er - sr + 1, text);
    m_selectionState = state;
    if (!box) {
        const bool endAtZero = sel && m_selStr.Ec == -1;
        int nac = anchorCol, ncc = caretCol;
        if (mode != 2 || sel) {
            const bool anchorFirst = std::pair(anchorRow, anchorCol) <= std::pair(caretRow, caretCol);
            if (!(endAtZero && !anchorFirst))
                nac = follow(anchorRow, anchorCol);
            if (!(endAtZero && anchorFirst))
                ncc = follow(caretRow, caretCol);
        }
        if (mode == 2 && !sel)
            ncc = caretCol;
        m_selStartRow = anchorRow;
        m_selStartCol = std::max(0, nac);
        SetRowCol(caretRow, std::max(0, ncc));
        if (sel && !oneEmpty)
            UpdateSelection();
        else if (m_selectionState != sstNone) {
            m_selectionState = sstSelected;
            CleanSelection();
        }
    }
    ShowEditorCaret();
    viewport()->update();
}

void TEditor::SelTabIndent() { IndentRows(0); }
void TEditor::SelTabUnIndent() { IndentRows(1); }
void TEditor::SelCommentOut() { IndentRows(2); }

void TEditor::PutRowMark(int index, int mark)
{
    if (mark < 0 || mark > 15)
        return;
    const TRowMarks bit = TRowMarks(1u << mark);
    if (mark < 10) {
        for (int r = 0; r < m_list->Count(); ++r)
            if (GetListRowMarks(r) & bit) {
                SetListRowMarks(r, TRowMarks(GetListRowMarks(r) & ~bit));
                break;
            }
    }
    if (index >= 0 && index < m_list->Count())
        SetListRowMarks(index, TRowMarks(GetListRowMarks(index) | bit));
}

void TEditor::DeleteRowMark(int index, int mark)
{
    if (mark < 0 || mark > 15 || index < 0 || index >= m_list->Count())
        return;
    SetListRowMarks(index, TRowMarks(GetListRowMarks(index) & ~TRowMarks(1u << mark)));
}

} // namespace qv
