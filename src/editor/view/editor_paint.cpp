// Painting of the editor control: the text rows on the cell grid with token colours, search
// hits, selection and display marks; the ruler, the line-number bar and the image bar.
#include "editor/charclass.h"
#include "editor/editor_fountain.h"
#include "editor/view/editor.h"
#include "editor/view/editor_layout.h"

#include <QPaintEvent>
#include <QPainter>
#include <QGlyphRun>
#include <QPainterPath>
#include <QRawFont>

namespace qv {

namespace {
constexpr int kMaxCol = 10000;

QColor ColorOf(TColor c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }

// Cells of each UTF-16 unit of a painted (tab-expanded) row, as the column map counts them.
std::vector<int> CumulativeCols(QStringView s, bool ambiguousWide)
{
    const int n = int(std::min<qsizetype>(s.size(), kMaxCol));
    std::vector<int> cols(size_t(n) + 1, 0);
    for (int i = 0; i < n; ++i) {
        const char16_t u = s[i].unicode();
        int w = 1;
        if (u >= 0x80) {
            char32_t cp = u;
            if (IsHighSurrogate(u) && i + 1 < s.size() && IsLowSurrogate(s[i + 1].unicode()))
                cp = (char32_t(u & 0x3FF) << 10 | (s[i + 1].unicode() & 0x3FF)) + 0x10000;
            else if (IsLowSurrogate(u) && i > 0 && IsHighSurrogate(s[i - 1].unicode()))
                cp = (char32_t(s[i - 1].unicode() & 0x3FF) << 10 | (u & 0x3FF)) + 0x10000;
            w = CellWidthOf(cp, ambiguousWide);
        }
        cols[size_t(i) + 1] = cols[size_t(i)] + w;
    }
    return cols;
}
} // namespace

QColor TEditor::FontColor() const { return viewport()->palette().color(QPalette::Text); }
QColor TEditor::EditorColor() const { return viewport()->palette().color(QPalette::Base); }
QColor TEditor::MarkColor(const TEditorMark& m) const { return m.Color() == clNone ? FontColor() : ColorOf(m.Color()); }

QColor TEditor::SelTextColor() const
{
    TEditorColors& c = m_view->Colors();
    const TColor v = HitSelected() ? c.Hit().Color() : c.Select().Color();
    return v == clNone ? EditorColor() : ColorOf(v);
}

QColor TEditor::SelBackColor() const
{
    TEditorColors& c = m_view->Colors();
    const TColor v = HitSelected() ? c.Hit().BkColor() : c.Select().BkColor();
    return v == clNone ? FontColor() : ColorOf(v);
}

void TEditor::paintEvent(QPaintEvent* e)
{
    if (!m_handleAllocated) {
        m_handleAllocated = true;
        UpdateFontMetrics();
        UpdateScrollRange();
    }
    QPainter p(viewport());
    m_painter = &p;
    p.setFont(font());
    PaintRect(e->rect());
    m_painter = nullptr;
    ScheduleParseAhead();
}

const QRawFont& TEditor::RawFontFor(TFontStyles style)
{
    const int k = (style & fsBold ? 1 : 0) | (style & fsItalic ? 2 : 0);
    if (!m_rawFontsValid) {
        for (int i = 0; i < 4; ++i) {
            QFont f = font();
            f.setBold(i & 1);
            f.setItalic(i & 2);
            m_rawFonts[i] = QRawFont::fromFont(f);
        }
        m_rawFontsValid = true;
    }
    return m_rawFonts[k];
}

void TEditor::DrawTextRect(const QRect& rect, int x, bool opaque, QStringView s, int y)
{
    QPainter* p = m_painter;
    if (!p)
        return;
    if (opaque)
        p->fillRect(rect, m_drawBack);
    if (s.size() > kMaxCol)
        s = s.left(kMaxCol);
    p->save();
    p->setClipRect(rect, Qt::IntersectClip);
    QFont f = font();
    f.setBold(m_drawStyle & fsBold);
    f.setItalic(m_drawStyle & fsItalic);
    f.setStrikeOut(m_drawStyle & fsStrikeOut);
    p->setFont(f);
    p->setPen(m_drawText);
    const int fw = m_fontWidth;
    const int base = y + m_ascent;
    const bool amb = IsEastAsianFont();
    const int n = int(s.size());
    int cx = x;
    int i = 0;
    const int right = rect.right();
    while (i < n && cx <= right) {
        const char16_t u = s[i].unicode();
        if (u < 0x80) {
            int j = i;
            while (j < n && s[j].unicode() < 0x80)
                ++j;
            // Skip what lies left of the clip.
            int k = i;
            if (cx + (j - i) * fw < rect.left()) {
                cx += (j - i) * fw;
                i = j;
                continue;
            }
            if (cx < rect.left() - fw) {
                const int skip = (rect.left() - cx) / fw - 1;
                k += skip;
                cx += skip * fw;
            }
            // ASCII on the grid as one glyph run: each glyph sits centred in its cell.
            const int take = std::min(j - k, (right - cx) / fw + 2);
            const QRawFont& raw = RawFontFor(m_drawStyle);
            const QString run = s.mid(k, take).toString();
            QList<quint32> glyphs = raw.glyphIndexesForString(run);
            QList<QPointF> pos;
            pos.reserve(glyphs.size());
            for (int g = 0; g < int(glyphs.size()); ++g) {
                const char16_t c = run[g].unicode();
                const int w = c >= 32 ? m_charWidths[c] : fw;
                pos.append(QPointF(g * fw + (fw - w) / 2, 0));
            }
            QGlyphRun gr;
            gr.setRawFont(raw);
            gr.setGlyphIndexes(glyphs);
            gr.setPositions(pos);
            p->drawGlyphRun(QPointF(cx, base), gr);
            cx += (j - k) * fw;
            i = j;
            continue;
        }
        // One character (a surrogate pair together) with the combining marks after it.
        char32_t cp = u;
        int units = 1;
        if (IsHighSurrogate(u) && i + 1 < n && IsLowSurrogate(s[i + 1].unicode())) {
            cp = (char32_t(u & 0x3FF) << 10 | (s[i + 1].unicode() & 0x3FF)) + 0x10000;
            units = 2;
        }
        const int cells = CellWidthOf(cp, amb);
        int advance = cells * fw * units;
        int j = i + units;
        while (j < n) {
            char32_t next = s[j].unicode();
            int nu = 1;
            if (IsHighSurrogate(char16_t(next)) && j + 1 < n && IsLowSurrogate(s[j + 1].unicode())) {
                next = (char32_t(next & 0x3FF) << 10 | (s[j + 1].unicode() & 0x3FF)) + 0x10000;
                nu = 2;
            }
            if (!IsCombiningChar(next))
                break;
            advance += CellWidthOf(next, amb) * fw * nu;
            j += nu;
        }
        if (cx + advance >= rect.left()) {
            int gx = cx;
            if (cells == 2)
                gx += std::max(0, (2 * fw - m_wideWidth) / 2);
            const QString g = s.mid(i, j - i).toString();
            if (m_useMBCSFont && cp > 0xFF) {
                QFont mf = m_mbcsFont;
                mf.setBold(f.bold());
                mf.setItalic(f.italic());
                p->setFont(mf);
                p->drawText(gx, base, g);
                p->setFont(f);
            } else {
                p->drawText(gx, base, g);
            }
        }
        cx += advance;
        i = j;
    }
    if (m_drawStyle & fsUnderline) {
        const int x2 = std::min(x + int(s.size()) * fw, rect.right() + 1);
        const int x1 = std::max(x, rect.left());
        if (x1 < x2) {
            QPen pen(m_drawText, 1, Qt::DotLine);
            p->setPen(pen);
            p->drawLine(x1, y + m_fontHeight - 1, x2 - 1, y + m_fontHeight - 1);
        }
    }
    p->restore();
}

void TEditor::PaintRect(const QRect& rect)
{
    QPainter* p = m_painter;
    if (!p)
        return;
    const int lm = LeftMargin(), tm = TopMargin();
    const int width = viewport()->width(), height = viewport()->height();
    const int rh = RowHeight();
    const bool underlineAfter = m_marks->Underline().Visible() && m_underlineUpdateCount == 0 && !SelectedData()
                             && GetUnderlineY(m_row) >= 0;
    if (rect.intersects(QRect(0, 0, lm, tm)))
        PaintOrigin();
    if (m_ruler->Visible() && rect.intersects(QRect(lm, 0, width - lm, m_rulerHeight)))
        PaintRuler();
    // The blank strip between the ruler (or the top edge) and the first row.
    const int gapTop = m_ruler->Visible() ? m_rulerHeight : 0;
    const QRect gap(lm, gapTop, width - lm, tm - gapTop);
    if (gap.intersects(rect))
        p->fillRect(gap.intersected(rect), EditorColor());
    int top = std::max(tm, rect.top());
    top = tm + ((top - tm) / rh) * rh;
    int bottom = rect.bottom() + 1;
    bottom = tm + ((bottom - tm + rh - 1) / rh) * rh;
    if (bottom <= top)
        return;
    const int firstRow = (top - tm) / rh + m_topRow;
    const int rows = (bottom - top) / rh;
    const int lastRow = firstRow + rows - 1;
    if (m_imagebar->Visible() && rect.intersects(QRect(0, tm, m_imagebarWidth, height - tm)))
        PaintImagebar(firstRow, lastRow);
    if (m_leftbar->Visible() && rect.intersects(QRect(m_imagebarWidth, tm, m_leftbarWidth, height - tm)))
        PaintLeftbar(firstRow, lastRow);
    const int barsRight = (m_imagebar->Visible() ? m_imagebarWidth : 0) + (m_leftbar->Visible() ? m_leftbarWidth : 0);
    const QRect textArea(barsRight, top, width - barsRight, bottom - top);
    if (rect.intersects(textArea)) {
        p->fillRect(textArea.intersected(rect.adjusted(0, 0, 0, rh)), EditorColor());
        std::unique_ptr<TFountainParser> parser = ActiveFountain()->CreateParser();
        const int n = m_list->Count();
        const int stripH = m_fontHeight + ((SelectedData() || m_clearingSelection) ? m_margin->Underline : 0);
        const int x0 = lm - m_leftScrollWidth;
        // An input-method composition is shown at the caret and pushes the rest of the caret
        // row right by its width: the row is painted in two pieces around it.
        const int preeditX = lm + (m_col - m_topCol) * m_fontWidth;
        const int preeditW = m_preedit.isEmpty() ? 0 : PreeditCells() * m_fontWidth;
        int y = top;
        for (int r = firstRow; r <= lastRow; ++r, y += rh) {
            const QRect strip(lm, y, width - lm, stripH);
            if (r < n) {
                const QString expanded = GetExpandedRow(r);
                auto paintPiece = [&](const QRect& piece, int x) {
                    if (piece.isEmpty())
                        return;
                    if (SelectedDraw())
                        PaintLineWithSelection(piece, x, *parser, r, expanded, y);
                    else
                        PaintLine(piece, x, *parser, r, expanded, y);
                    if (m_marks->TabMark().Visible()) {
                        p->save();
                        p->setClipRect(piece);
                        DrawTabMarks(GetColumnMap(m_list->RowView(r)), x, y);
                        p->restore();
                    }
                };
                if (preeditW > 0 && r == m_row) {
                    paintPiece(strip.intersected(QRect(lm, y, preeditX - lm, stripH)), x0);
                    paintPiece(strip.intersected(QRect(preeditX + preeditW, y, width, stripH)), x0 + preeditW);
                } else {
                    paintPiece(strip, x0);
                }
                ++m_paintedRows;
            } else {
                p->fillRect(strip, EditorColor());
                if (m_marks->EofMark().Visible() && r == n && (n == 0 || m_list->GetRows(n - 1) != raEof))
                    DrawEofMark(x0, y);
            }
        }
        PaintPreedit();
    }
    if (underlineAfter)
        DrawUnderline(m_row);
    m_caretDrawn = QRect();
    if (m_caretShowing && m_caretBlinkOn && hasFocus() && m_preedit.isEmpty()) {
        const QRect cr = CaretRect();
        if (cr.intersects(rect)) {
            p->save();
            p->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            p->fillRect(cr, Qt::white);
            p->restore();
        }
        m_caretDrawn = cr;
    }
}

int TEditor::PreeditCells() const { return CumulativeCols(m_preedit, IsEastAsianFont()).back(); }

void TEditor::PaintPreedit()
{
    if (m_preedit.isEmpty() || m_row < m_topRow || m_row > m_topRow + m_rowCount)
        return;
    const QPoint pos(LeftMargin() + (m_col - m_topCol) * m_fontWidth, TopMargin() + (m_row - m_topRow) * RowHeight());
    const std::vector<int> cols = CumulativeCols(m_preedit, IsEastAsianFont());
    const QRect box(pos.x(), pos.y(), PreeditCells() * m_fontWidth, m_fontHeight);
    m_drawBack = EditorColor();
    m_drawText = FontColor();
    m_drawStyle = fsUnderline;
    DrawTextRect(box, pos.x(), true, m_preedit, pos.y());
    m_drawStyle = 0;
    const int cx = pos.x() + cols[size_t(std::clamp(m_preeditCursor, 0, int(cols.size()) - 1))] * m_fontWidth;
    m_painter->fillRect(QRect(cx, pos.y(), 2, m_fontHeight), FontColor());
}

void TEditor::PaintRowCommon(const QRect& rect, int x, TFountainParser& parser, int index, const QString& s, int y,
                             bool selected)
{
    QPainter* p = m_painter;
    const QString text = QString(s).replace(QChar(0x1B), QChar(u' '));
    m_list->EnsureRowState(index);
    const TRowMarks marks = m_list->GetRowMarks(index);
    QColor back = EditorColor();
    if (selected) {
        back = SelBackColor();
    } else if ((marks & RowMark(1)) && (marks & RowMark(2))) {
        back = ColorOf(0x00C0C0);
    } else if (marks & RowMark(1)) {
        back = ColorOf(0x00FFFF);
    } else if (marks & RowMark(2)) {
        back = ColorOf(0x0000FF);
    }
    const std::vector<int> cols = CumulativeCols(text, IsEastAsianFont());
    m_drawBack = back;
    m_drawText = selected ? SelTextColor() : FontColor();
    m_drawStyle = 0;
    if (selected)
        p->fillRect(rect, back);
    else
        DrawTextRect(rect, x, true, text, y);
    const int len = std::min(GetRowWidth(index), cols.back());
    if ((len + 5) * m_fontWidth < m_leftScrollWidth)
        return;
    QRect clip = rect;
    clip.setRight(std::min(clip.right(), LeftMargin() + kMaxCol * m_fontWidth - m_leftScrollWidth - 1));
    if (len > 0) {
        QString full = text;
        if (m_list->WordWrap() && index + 1 < m_list->Count() && m_list->GetRows(index) == raWrapped) {
            full += GetExpandedRow(index + 1).replace(QChar(0x1B), QChar(u' '));
            clip.setRight(std::min(clip.right(), len * m_fontWidth + x - 1));
        }
        m_hitRow = text;
        m_hitStart = m_hitText.isEmpty() ? 0 : FindHitPos(m_hitText, text, 1);
        m_hitEnd = m_hitStart > 0 ? m_hitStart + int(m_hitText.size()) : m_hitStart;
        parser.NewData(full, m_list->GetRowData(index));
        if (marks == 0 || selected)
            DrawTokens(clip, x, y, full, int(text.size()), parser, index, selected, cols);
    }
    if (OnDrawLine)
        OnDrawLine(this, text, x, y, index, rect, selected);
    p->save();
    p->setClipRect(rect);
    const int colEnd = LeftMargin() + kMaxCol * m_fontWidth - m_leftScrollWidth;
    const int mx = std::min(len * m_fontWidth + x, colEnd);
    if (mx < rect.right() + 1) {
        const TRowAttribute a = m_list->GetRows(index);
        if (len < kMaxCol || mx >= len * m_fontWidth + x) {
            if (m_marks->EofMark().Visible() && index == m_list->Count() - 1 && a == raEof)
                DrawEofMark(mx, y);
            else if (m_marks->RetMark().Visible() && a == raCrlf)
                selected ? DrawSelectedRetMark(mx, y) : DrawRetMark(mx, y);
            else if (m_marks->WrapMark().Visible() && a == raWrapped)
                selected ? DrawSelectedWrapMark(mx, y) : DrawWrapMark(mx, y);
        } else if (m_marks->HideMark().Visible()) {
            selected ? DrawSelectedHideMark(mx, y) : DrawHideMark(mx, y);
        }
    }
    if (m_marks->SemiSpaceMark().Visible() || m_marks->SpaceMark().Visible())
        DrawBlankMarks(s, x, y);
    p->restore();
}

void TEditor::PaintLine(const QRect& rect, int x, TFountainParser& parser, int index, const QString& s, int y)
{
    PaintRowCommon(rect, x, parser, index, s, y, false);
}

void TEditor::PaintSelectedLine(const QRect& rect, int x, TFountainParser& parser, int index, const QString& s, int y)
{
    PaintRowCommon(rect, x, parser, index, s, y, true);
}

void TEditor::DrawTokens(const QRect& clip, int x, int y, const QString& text, int rowLength, TFountainParser& parser,
                         int, bool selected, const std::vector<int>& cols)
{
    QPainter* p = m_painter;
    const QColor editorColor = EditorColor();
    const int fw = m_fontWidth;
    const int lm = LeftMargin();
    while (parser.NextToken() != tok::toEof && parser.SourcePos() < rowLength) {
        const int s = parser.SourcePos();
        if (s >= int(cols.size()) - 1)
            break;
        const int len = std::min(parser.TokenLength(), rowLength - s);
        const int tx = cols[size_t(s)] * fw + x;
        if (tx > clip.right())
            break;
        const int ex = cols[size_t(std::min<int>(s + len, int(cols.size()) - 1))] * fw + x;
        if (ex < lm)
            continue;
        const TFountainColor* fc = parser.TokenToFountainColor();
        QColor textColor = FontColor();
        QColor back = editorColor;
        TFontStyles style = 0;
        if (fc) {
            if (fc->Color() != clNone)
                textColor = ColorOf(fc->Color());
            if (fc->BkColor() != clNone)
                back = ColorOf(fc->BkColor());
            style = fc->Style();
        }
        if (selected)
            textColor = SelTextColor();
        m_drawStyle = style;
        const QString token = text.mid(s, len);
        const bool hit = m_hitStart > 0 && s < m_hitEnd - 1 && s + len > m_hitStart - 1;
        if (!selected && back != editorColor)
            p->fillRect(QRect(tx, y, ex - tx, m_fontHeight).intersected(clip), back);
        if (hit) {
            DrawHitChars(clip, tx, y, token, s, textColor, cols, selected);
        } else {
            m_drawText = textColor;
            DrawTextRect(clip, tx, false, token, y);
        }
    }
    m_drawStyle = 0;
}

void TEditor::DrawHitChars(const QRect& clip, int x, int y, const QString& token, int tokenStart,
                           const QColor& textColor, const std::vector<int>& cols, bool selected)
{
    TEditorColors& colors = m_view->Colors();
    const QColor hitText = colors.Hit().Color() == clNone ? FontColor() : ColorOf(colors.Hit().Color());
    const QColor hitBack = colors.Hit().BkColor() == clNone ? EditorColor() : ColorOf(colors.Hit().BkColor());
    const int fw = m_fontWidth;
    const int hitCells = ExpandTabLength(m_hitText);
    const int n = int(token.size());
    for (int i = 0; i < n;) {
        const int pos = tokenStart + i;
        int j = i + 1;
        if (IsHighSurrogate(token[i].unicode()) && j < n)
            ++j;
        while (j < n && IsCombiningChar(token[j].unicode()))
            ++j;
        const int cx = x + (cols[size_t(std::min<int>(pos, int(cols.size()) - 1))]
                            - cols[size_t(std::min<int>(tokenStart, int(cols.size()) - 1))])
                               * fw;
        const bool isHit = m_hitStart > 0 && m_hitStart - 1 <= pos && pos < m_hitEnd - 1;
        if (isHit && pos == m_hitStart - 1) {
            QRect box(cx, clip.top(), hitCells * fw, clip.height());
            box = box.intersected(clip);
            if (!box.isEmpty())
                m_painter->fillRect(box, selected ? hitText : hitBack);
        }
        m_drawText = isHit ? (selected ? hitBack : hitText) : textColor;
        DrawTextRect(clip, cx, false, QStringView(token).mid(i, j - i), y);
        if (isHit && pos + 2 >= m_hitEnd) {
            // This character ends the hit: the next one is searched from its end.
            m_hitStart = FindHitPos(m_hitText, m_hitRow, m_hitEnd);
            m_hitEnd = m_hitStart > 0 ? m_hitStart + int(m_hitText.size()) : m_hitStart;
        }
        i = j;
    }
}

void TEditor::PaintLineWithSelection(const QRect& rect, int x, TFountainParser& parser, int index, const QString& s,
                                     int y)
{
    const TSelectedPosition& d = m_selDraw;
    if (index < d.Sr || index > d.Er) {
        PaintLine(rect, x, parser, index, s, y);
        return;
    }
    const int lm = LeftMargin(), width = viewport()->width();
    auto piece = [&](int l, int r, bool sel) {
        QRect pr(l, rect.top(), r - l, rect.height());
        pr = pr.intersected(rect);
        if (pr.isEmpty())
            return;
        if (sel)
            PaintSelectedLine(pr, x, parser, index, s, y);
        else
            PaintLine(pr, x, parser, index, s, y);
    };
    if (m_selectionMode == smLine) {
        auto xc = [&](int c) { return std::max(lm, lm + (c - m_topCol) * m_fontWidth); };
        if (d.Sr == d.Er) {
            piece(lm, xc(d.Sc), false);
            piece(xc(d.Sc), xc(d.Ec), true);
            piece(xc(d.Ec), width, false);
        } else if (index == d.Sr) {
            piece(lm, xc(d.Sc), false);
            piece(xc(d.Sc), width, true);
        } else if (index == d.Er) {
            piece(lm, xc(d.Ec), true);
            piece(xc(d.Ec), width, false);
        } else {
            piece(lm, width, true);
        }
    } else {
        const int w = GetRowWidth(index);
        const int sc = std::min(d.Sc, w), ec = std::min(d.Ec, w);
        auto xc = [&](int c) { return std::max(lm, lm + c * m_fontWidth - m_leftScrollWidth); };
        piece(lm, xc(sc), false);
        piece(xc(sc), xc(ec), true);
        piece(xc(ec), width, false);
    }
}

// ---- marks ---------------------------------------------------------------------------------

void TEditor::SetPenFor(const QColor& c, bool dotted)
{
    QPen pen(c, 1);
    if (dotted) {
        pen.setDashPattern({1, 2});
        pen.setCapStyle(Qt::SquareCap);
    }
    m_painter->setPen(pen);
}

void TEditor::DrawEofMark(int x, int y)
{
    if (!m_painter)
        return;
    const int lm = LeftMargin();
    QRect box(std::max(lm, x), y, x + 6 * m_fontWidth - std::max(lm, x), m_fontHeight);
    box = box.intersected(viewport()->rect());
    if (box.isEmpty())
        return;
    m_drawBack = EditorColor();
    m_drawText = MarkColor(m_marks->EofMark());
    m_drawStyle = 0;
    DrawTextRect(box, x, true, u"[EOF]", y);
}

void TEditor::DrawRetMark(int x, int y)
{
    if (!m_painter || x < LeftMargin())
        return;
    SetPenFor(MarkColor(m_marks->RetMark()), false);
    const int h = m_fontHeight, d = std::max(1, h / 8), a = std::max(d, 3), cx = x + m_fontWidth / 2;
    const int by = y + h - 2 * d;
    m_painter->drawLine(cx, y + 2 * d, cx, by);
    m_painter->drawLine(cx, by, cx + a, by - a);
    m_painter->drawLine(cx, by, cx - a, by - a);
}

void TEditor::DrawSelectedRetMark(int x, int y)
{
    if (!m_painter || x < LeftMargin())
        return;
    SetPenFor(SelTextColor(), false);
    const int h = m_fontHeight, d = std::max(1, h / 8), a = std::max(d, 3), cx = x + m_fontWidth / 2;
    const int by = y + h - 2 * d;
    m_painter->drawLine(cx, y + 2 * d, cx, by);
    m_painter->drawLine(cx, by, cx + a, by - a);
    m_painter->drawLine(cx, by, cx - a, by - a);
}

void TEditor::DrawWrapMark(int x, int y)
{
    if (!m_painter || x < LeftMargin())
        return;
    SetPenFor(MarkColor(m_marks->WrapMark()), false);
    const int w = m_fontWidth, c = std::max(2, w * 3 / 5), cy = y + m_fontHeight / 2;
    const QPoint pts[] = {{x + w, cy - c}, {x + w - c, cy}, {x + w + 1, cy + c + 1}};
    m_painter->drawPolyline(pts, 3);
}

void TEditor::DrawSelectedWrapMark(int x, int y)
{
    if (!m_painter || x < LeftMargin())
        return;
    SetPenFor(SelTextColor(), false);
    const int w = m_fontWidth, c = std::max(2, w * 3 / 5), cy = y + m_fontHeight / 2;
    const QPoint pts[] = {{x + w, cy - c}, {x + w - c, cy}, {x + w + 1, cy + c + 1}};
    m_painter->drawPolyline(pts, 3);
}

void TEditor::DrawHideMark(int x, int y)
{
    if (!m_painter || x < LeftMargin())
        return;
    SetPenFor(MarkColor(m_marks->HideMark()), false);
    const int w = m_fontWidth, c = std::max(2, w * 3 / 5), cy = y + m_fontHeight / 2;
    const QPoint pts[] = {{x + w - c, cy - c}, {x + w, cy}, {x + w - c - 1, cy + c + 1}};
    m_painter->drawPolyline(pts, 3);
}

void TEditor::DrawSelectedHideMark(int x, int y)
{
    if (!m_painter || x < LeftMargin())
        return;
    SetPenFor(SelTextColor(), false);
    const int w = m_fontWidth, c = std::max(2, w * 3 / 5), cy = y + m_fontHeight / 2;
    const QPoint pts[] = {{x + w - c, cy - c}, {x + w, cy}, {x + w - c - 1, cy + c + 1}};
    m_painter->drawPolyline(pts, 3);
}

void TEditor::DrawUnderline(int row)
{
    const int y = GetUnderlineY(row);
    if (!m_painter || y < 0)
        return;
    SetPenFor(MarkColor(m_marks->Underline()), false);
    m_painter->drawLine(LeftMargin(), y, viewport()->width(), y);
}

void TEditor::DrawTabMark(int x, int y, bool selected)
{
    if (!m_painter || x < LeftMargin())
        return;
    SetPenFor(selected ? SelTextColor() : MarkColor(m_marks->TabMark()), false);
    const int h = m_fontHeight, w = m_fontWidth, d = std::max(1, h / 8), a = std::max(d, 3), by = y + h - 2 * d;
    const QPoint pts[] = {{x + 2, by}, {x + w - 1, by}, {x + w - a - 1, by - a}};
    m_painter->drawPolyline(pts, 3);
}

void TEditor::DrawSemiSpaceMark(int x, int y)
{
    if (!m_painter || x < LeftMargin())
        return;
    SetPenFor(MarkColor(m_marks->SemiSpaceMark()), true);
    const int h = m_fontHeight, w = m_fontWidth, e = std::max(1, h / 4), lx = x + 1 - w, by = y + h - 2 * e;
    m_painter->drawLine(lx, by, lx, by + e);
    m_painter->drawLine(lx + w - 2, by, lx + w - 2, by + e);
    m_painter->drawLine(lx, by + e, lx + w - 2, by + e);
}

void TEditor::DrawSpaceMark(int x, int y)
{
    if (!m_painter || x < LeftMargin())
        return;
    SetPenFor(MarkColor(m_marks->SpaceMark()), true);
    const int h = m_fontHeight, w = m_fontWidth;
    m_painter->setBrush(Qt::NoBrush);
    m_painter->drawRect(QRect(x - w / 2, y + h / 4, w, h / 2));
}

void TEditor::DrawBlankMarks(const QString& raw, int x, int y)
{
    const int n = int(std::min<qsizetype>(raw.size(), kMaxCol));
    int c = 1;
    for (int i = 0; i < n; ++i) {
        const char16_t u = raw[i].unicode();
        if (u == u' ') {
            if (m_marks->SemiSpaceMark().Visible())
                DrawSemiSpaceMark(x + c * m_fontWidth, y);
        } else if (u == 0x3000) {
            if (m_marks->SpaceMark().Visible())
                DrawSpaceMark(x + c * m_fontWidth, y);
            c += 1;
        } else if (u != 0x1B && !((u >= 0x20 && u <= 0x7E) || (u >= 0xFF61 && u <= 0xFF9F))) {
            c += 1;
        }
        c += 1;
    }
}

void TEditor::DrawTabMarks(const QString& map, int x, int y)
{
    if (!map.contains(u'3'))
        return;
    m_painter->save();
    const int n = int(map.size());
    for (int i = 0; i + 1 < n; ++i)
        if (map[i] == u'2' && map[i + 1] == u'3')
            DrawTabMark(x + i * m_fontWidth, y, SelectedDraw());
    m_painter->restore();
}

// ---- ruler ---------------------------------------------------------------------------------

void TEditor::UpdateDigitStrips()
{
    const QColor bk = m_ruler->BkColor() == clNone ? EditorColor() : ColorOf(m_ruler->BkColor());
    const QColor fg = m_ruler->Color() == clNone ? FontColor() : ColorOf(m_ruler->Color());
    const QColor mk = m_ruler->MarkColor() == clNone ? FontColor() : ColorOf(m_ruler->MarkColor());
    m_rulerDigits = RulerDigitStrip(fg.rgb(), bk.rgb());
    m_rulerDigitsMarked = RulerDigitStrip(bk.rgb(), mk.rgb());
}

void TEditor::DrawRulerContent(bool marked, const QRect& clip)
{
    QPainter* p = m_painter;
    const int lm = LeftMargin(), h = m_rulerHeight, fw = m_fontWidth;
    const int gr = m_ruler->GaugeRange();
    const bool edge = m_ruler->Edge();
    const QColor bk = m_ruler->BkColor() == clNone ? EditorColor() : ColorOf(m_ruler->BkColor());
    const QColor fg = m_ruler->Color() == clNone ? FontColor() : ColorOf(m_ruler->Color());
    const QColor mk = m_ruler->MarkColor() == clNone ? FontColor() : ColorOf(m_ruler->MarkColor());
    const int width = viewport()->width();
    p->save();
    p->setClipRect(clip);
    p->fillRect(QRect(lm, 0, width - lm, edge ? h - 2 : h), marked ? mk : bk);
    const int f = m_leftScrollWidth / fw;
    const int g = (f / gr) * gr;
    const int limit = m_list->WordWrap() ? m_list->WrapOption().WrapByte() : kMaxCol;
    if (!marked) {
        p->setPen(fg);
        for (int col = g; lm + (col - f) * fw < width && col <= limit; ++col) {
            const int x = lm + (col - f) * fw;
            const int k = col % gr;
            const int y0 = k == 0 ? 0 : k == gr / 2 ? 3 : 6;
            p->drawLine(x, y0, x, h - 1);
        }
    }
    const QImage& strip = marked ? m_rulerDigitsMarked : m_rulerDigits;
    for (int num = g; lm + (num - f) * fw < width; num += gr) {
        int x = lm + (num - f) * fw + 1;
        if (num >= limit)
            p->fillRect(QRect(x, 0, width - x, edge ? h - 2 : h - 1), marked ? mk : bk);
        for (QChar c : QString::number(num)) {
            const int d = c.unicode() - u'0';
            const int w = d == 1 ? 3 : 5;
            p->drawImage(QPoint(x, 0), strip, QRect(d == 1 ? 5 : d * 5, 0, w, 9));
            x += w;
        }
        if (num >= limit)
            break;
    }
    if (!marked) {
        if (edge) {
            p->setPen(Qt::white);
            p->drawLine(lm - 1, h - 2, width, h - 2);
            p->setPen(ColorOf(0x808080));
            p->drawLine(lm - 1, h - 1, width, h - 1);
        } else {
            p->setPen(fg);
            p->drawLine(lm, h - 1, width, h - 1);
        }
    }
    p->restore();
}

void TEditor::PaintRuler()
{
    if (!m_painter)
        return;
    const int lm = LeftMargin(), h = m_rulerHeight;
    DrawRulerContent(false, QRect(lm, 0, viewport()->width() - lm, h));
    const int f = m_leftScrollWidth / m_fontWidth;
    if (f <= m_col && m_col <= f + m_colCount) {
        const QRect cell(lm + (m_col - f) * m_fontWidth + 1, 0, m_fontWidth - 1, m_ruler->Edge() ? h - 2 : h - 1);
        DrawRulerContent(true, cell);
    }
}

void TEditor::PaintOrigin()
{
    QPainter* p = m_painter;
    const int lm = LeftMargin(), tm = TopMargin();
    p->fillRect(QRect(0, 0, lm, tm), EditorColor());
    const int w12 = (m_imagebar->Visible() ? m_imagebarWidth : 0) + (m_leftbar->Visible() ? m_leftbarWidth : 0);
    const bool barEdge = m_leftbar->Visible() && m_leftbar->Edge();
    if (barEdge) {
        const QColor bk = m_leftbar->BkColor() == clNone ? EditorColor() : ColorOf(m_leftbar->BkColor());
        p->fillRect(QRect(0, 0, w12, tm), bk);
        p->fillRect(QRect(w12 - 2, 0, 1, tm), Qt::white);
        p->fillRect(QRect(w12 - 1, 0, 1, tm), ColorOf(0x808080));
    }
    if (m_ruler->Visible() && m_ruler->Edge()) {
        const int left = barEdge ? w12 : 0;
        const QColor bk = m_ruler->BkColor() == clNone ? EditorColor() : ColorOf(m_ruler->BkColor());
        p->fillRect(QRect(left, 0, lm - left, m_rulerHeight), bk);
        p->fillRect(QRect(left - 1, m_rulerHeight - 2, lm - left + 1, 1), Qt::white);
        p->fillRect(QRect(left - 1, m_rulerHeight - 1, lm - left + 1, 1), ColorOf(0x808080));
    }
}

// ---- bars ----------------------------------------------------------------------------------

void TEditor::PaintLeftbar(int a, int b)
{
    QPainter* p = m_painter;
    if (!p)
        return;
    const int w1 = m_imagebar->Visible() ? m_imagebarWidth : 0, w2 = m_leftbarWidth;
    const int tm = TopMargin(), rh = RowHeight();
    const QColor bk = m_leftbar->BkColor() == clNone ? EditorColor() : ColorOf(m_leftbar->BkColor());
    const QColor fg = m_leftbar->Color() == clNone ? FontColor() : ColorOf(m_leftbar->Color());
    const int y0 = tm + (a - m_topRow) * rh, y1 = tm + (b - m_topRow + 1) * rh;
    p->fillRect(QRect(w1 + w2 - 2, y0, 1, y1 - y0), m_leftbar->Edge() ? QColor(Qt::white) : bk);
    p->fillRect(QRect(w1 + w2 - 1, y0, 1, y1 - y0), m_leftbar->Edge() ? ColorOf(0x808080) : fg);
    const int n = m_list->Count();
    const bool zeroBase = m_leftbar->ZeroBase();
    const bool lastBreak = n > 0 && m_list->GetRows(n - 1) == raCrlf;
    int line = m_leftbar->ShowNumberMode() == nmLine ? RowToLines(std::min(a, n)) : 0;
    if (m_leftbar->ShowNumberMode() == nmLine && !m_list->WordWrap())
        line = std::min(a, n);
    for (int r = a; r <= b; ++r) {
        const int y = tm + (r - m_topRow) * rh;
        const QRect cell(w1, y, w2 - 2, rh);
        p->fillRect(cell, bk);
        if (!m_leftbar->ShowNumber())
            continue;
        int number = -1;
        if (m_leftbar->ShowNumberMode() == nmRow) {
            if (r < n || r == 0 || (r == n && lastBreak))
                number = zeroBase ? r : r + 1;
        } else if (r < n) {
            if (r == 0 || m_list->GetRows(r - 1) != raWrapped) {
                number = zeroBase ? line : line + 1;
                ++line;
            }
        } else if (r == n && lastBreak) {
            number = zeroBase ? line : line + 1;
            ++line;
        }
        if (number < 0)
            continue;
        m_drawBack = bk;
        m_drawText = fg;
        m_drawStyle = 0;
        DrawTextRect(cell, w1 + m_leftbar->LeftMargin(), true,
                     LeftbarNumberText(number, m_leftbarColumn, m_leftbar->ZeroLead()), y);
    }
}

QPixmap TEditor::BuiltinDigit(int d) const
{
    QImage img(8, 11, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(QRect(0, 0, 8, 11), QColor(0, 96, 160));
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 5; ++x)
            if (RulerDigitPixel(d, x, y))
                img.setPixel(2 + x, 1 + y, qRgb(255, 255, 255));
    p.end();
    return QPixmap::fromImage(img);
}

QPixmap TEditor::BuiltinMark(int m) const
{
    QImage img(11, 11, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    static const QColor colors[6] = {QColor(220, 40, 40), QColor(40, 150, 40), QColor(40, 80, 220),
                                     QColor(230, 150, 0), QColor(150, 40, 170), QColor(0, 150, 150)};
    p.setPen(colors[m].darker(140));
    p.setBrush(colors[m]);
    switch (m) {
    case 0:
        p.drawEllipse(QRectF(1, 1, 9, 9));
        break;
    case 1: {
        const QPointF t[] = {{5.5, 1}, {10, 10}, {1, 10}};
        p.drawPolygon(t, 3);
        break;
    }
    case 2:
        p.drawRect(QRectF(1.5, 1.5, 8, 8));
        break;
    case 3: {
        const QPointF t[] = {{5.5, 0.5}, {10.5, 5.5}, {5.5, 10.5}, {0.5, 5.5}};
        p.drawPolygon(t, 4);
        break;
    }
    case 4: {
        const QPointF t[] = {{1, 1}, {10, 5.5}, {1, 10}};
        p.drawPolygon(t, 3);
        break;
    }
    default: {
        QPainterPath path;
        path.addRoundedRect(QRectF(1, 3, 9, 5), 2, 2);
        p.drawPath(path);
        break;
    }
    }
    p.end();
    return QPixmap::fromImage(img);
}

void TEditor::PaintImagebar(int a, int b)
{
    QPainter* p = m_painter;
    if (!p)
        return;
    const int tm = TopMargin(), rh = RowHeight();
    const QColor bk = (m_leftbar->Visible() && m_leftbar->BkColor() != clNone) ? ColorOf(m_leftbar->BkColor())
                                                                               : EditorColor();
    const int n = m_list->Count();
    for (int r = a; r <= b; ++r) {
        const int y = tm + (r - m_topRow) * rh;
        p->fillRect(QRect(0, y, m_imagebarWidth, rh), bk);
        if (r >= n)
            continue;
        const TRowMarks marks = m_list->GetRowMarks(r);
        if (!marks)
            continue;
        for (int d = 0; d <= 9; ++d)
            if (marks & RowMark(d)) {
                const QPixmap pm = d < int(m_imageDigits.size()) && !m_imageDigits[size_t(d)].isNull()
                                     ? m_imageDigits[size_t(d)]
                                     : BuiltinDigit(d);
                p->drawPixmap(m_imagebar->LeftMargin(), y + 2, pm);
                break;
            }
        for (int m = 10; m <= 15; ++m)
            if (marks & RowMark(m)) {
                const int k = m - 10;
                const QPixmap pm = k < int(m_imageMarks.size()) && !m_imageMarks[size_t(k)].isNull()
                                     ? m_imageMarks[size_t(k)]
                                     : BuiltinMark(k);
                p->drawPixmap(m_imagebar->LeftMargin() + m_imagebar->DigitWidth(), y + 2, pm);
                break;
            }
    }
}

} // namespace qv
