// TEditor::Search: feeds the editor's text to the buffer search in blocks of about 8 K
// characters (one row of overlap between blocks) and shows the hit.
#include "editor/search/text_search.h"
#include "editor/view/editor.h"

namespace qv {

namespace {
constexpr int kBlockChars = 8191;
}

bool TEditor::Search(const QString& value, TSearchOptions options)
{
    const int n = m_list->Count();
    if (n == 0 || value.isEmpty())
        return false;
    auto rowText = [&](int r) { return GetRowString(r) + RowBreak(r); };
    // A block that starts or ends inside a wrapped line is no word boundary there: the
    // whole-word rule sees the neighbouring character of the line.
    auto charBefore = [&](int first) {
        if (first <= 0 || m_list->GetRows(first - 1) != raWrapped)
            return QChar();
        const QStringView t = m_list->RowView(first - 1);
        return t.isEmpty() ? QChar() : t.back();
    };
    auto charAfter = [&](int last) {
        if (last + 1 >= n || m_list->GetRows(last) != raWrapped)
            return QChar();
        const QStringView t = m_list->RowView(last + 1);
        return t.isEmpty() ? QChar() : t.front();
    };
    auto charIndex = [&](int r) {
        const QString t = GetRowString(r);
        const QString map = GetColumnMap(t);
        return std::max(0, std::min(int(t.size()), m_col - ColumnMapExtra(map, m_col)));
    };
    auto showHit = [&](int blockRow, int offset, int length) {
        if (SelectedData())
            CleanSelection();
        BeginCaretUpdate();
        SetCaretByOffset(blockRow, offset);
        EndCaretUpdate();
        SetHitSelLength(length);
        EditMessage(0x00B7, 0, 0); // EM_SCROLLCARET
        return true;
    };
    if (options & sfrDown) {
        int b, a;
        if (SelectedData()) {
            b = m_selStr.Er;
            a = m_selStr.Ec + 1;
        } else {
            b = m_row;
            a = m_row < n ? charIndex(m_row) : 0;
        }
        if (b >= n)
            return false;
        int len0 = (m_hitStyle == hsCaret && m_hitSelLength > 0 && !SelectedData()) ? m_hitSelLength : 0;
        while (b < n) {
            QString block;
            int r = b;
            while (r < n && block.size() <= kBlockChars)
                block += rowText(r++);
            int start = a, len = len0;
            if (FindInText(block, start, len, value, options, charBefore(b), charAfter(r - 1)))
                return showHit(b, start, len);
            if (r >= n)
                return false;
            b = (r - b > 1) ? r - 1 : r;
            a = 0;
            len0 = 0;
        }
        return false;
    }
    int a, sc;
    if (SelectedData()) {
        a = m_selStr.Sr;
        sc = m_selStr.Sc;
    } else if (m_row >= n) {
        a = n - 1;
        sc = int(rowText(a).size());
    } else {
        a = m_row;
        sc = charIndex(m_row);
    }
    while (a >= 0) {
        QString block = rowText(a);
        int first = a;
        int start = sc;
        while (first > 0 && block.size() <= kBlockChars) {
            const QString t = rowText(first - 1);
            block.prepend(t);
            start += int(t.size());
            --first;
        }
        int len = 0;
        if (FindInText(block, start, len, value, options, charBefore(first), charAfter(a)))
            return showHit(first, start, len);
        if (first == 0)
            return false;
        a = (a - first > 0) ? first : first - 1;
        sc = int(rowText(a).size());
    }
    return false;
}

} // namespace qv
