#include "editor/view/editor.h"

#include "editor/charclass.h"
#include "editor/editor_fountain.h"
#include "editor/undo.h"
#include "editor/view/editor_layout.h"

#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QInputMethod>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyleHints>

namespace qv {

namespace {
// Runs a pair of calls around a body, the closing call also when an exception passes.
template <class Open, class Close>
struct Bracket {
    Close close;
    Bracket(Open open, Close c) : close(c) { open(); }
    ~Bracket() { close(); }
};
template <class Open, class Close>
Bracket(Open, Close) -> Bracket<Open, Close>;

constexpr int kMaxCol = 10000;
} // namespace

QFont TEditor::DefaultFont()
{
    QFont f(QStringLiteral("FixedSys"));
    f.setStyleHint(QFont::TypeWriter);
    f.setFixedPitch(true);
    f.setPointSize(10);
    if (!QFontInfo(f).fixedPitch()) {
        QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        fixed.setPointSize(10);
        return fixed;
    }
    return f;
}

QFont TEditor::DefaultMBCSFont()
{
    QFont f(QStringLiteral("Noto Sans Mono CJK JP"));
    f.setStyleHint(QFont::TypeWriter);
    f.setPointSize(10);
    return f;
}

TEditor::TEditor(QWidget* parent) : QAbstractScrollArea(parent)
{
    resize(185, 89);
    setFrameShape(QFrame::StyledPanel);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled, true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent, true);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setMouseTracking(true);
    Delimiters = GetDefaultDelimiters();

    m_list = std::make_shared<TEditorScreenStrings>();
    m_list->AddClient(this);
    m_lines = std::make_unique<TEditorStrings>(&m_list, this);
    m_view = std::make_unique<TEditorViewInfo>(this);
    m_view->OnChange = TNotifyEvent::Of(this, &TEditor::SettingsChanged);

    QPalette pal = viewport()->palette();
    pal.setColor(QPalette::Base, Qt::white);
    pal.setColor(QPalette::Text, Qt::black);
    viewport()->setPalette(pal);
    setFont(DefaultFont());
    m_mbcsFont = DefaultMBCSFont();

    m_caret = std::make_unique<TEditorCaret>();
    m_caret->OnChange = TNotifyEvent::Of(this, &TEditor::SettingsChanged);
    m_marks = std::make_unique<TEditorMarks>();
    m_marks->OnChange = TNotifyEvent::Of(this, &TEditor::SettingsChanged);
    m_margin = std::make_unique<TEditorMargin>();
    m_margin->OnChange = TNotifyEvent::Of(this, &TEditor::SettingsChanged);
    m_imagebar = std::make_unique<TEditorImagebar>();
    m_imagebar->OnChange = TNotifyEvent::Of(this, &TEditor::SettingsChanged);
    m_leftbar = std::make_unique<TEditorLeftbar>();
    m_leftbar->OnChange = TNotifyEvent::Of(this, &TEditor::SettingsChanged);
    m_ruler = std::make_unique<TEditorRuler>();
    m_ruler->OnChange = TNotifyEvent::Of(this, &TEditor::SettingsChanged);
    m_speed = std::make_unique<TEditorSpeed>();
    DefaultSelectMode = m_selectionMode;
    DefaultCaretFreeCaret = m_caret->FreeCaret;

    ApplyScrollBarPolicy();
    ComputeCharWidths();
    UpdateImagebarWidth();
    m_leftbarColumn = m_leftbar->Column();
    UpdateLeftbarWidth();
    UpdateRulerHeight();
    UpdateDigitStrips();
}

TEditor::~TEditor()
{
    m_destroying = true;
    SetFountain(nullptr);
    m_list->RemoveClient(this);
}

// ---- settings ------------------------------------------------------------------------------

void TEditor::SetView(TEditorViewInfo& v)
{
    m_view->Assign(v);
    ScrollToCaret();
    PlaceCaret();
}

const TFountain* TEditor::ActiveFountain() const
{
    if (m_fountain)
        return m_fountain;
    return &m_view->EditorFountain();
}

void TEditor::SetFountain(TFountain* f)
{
    if (f == m_fountain)
        return;
    const TNotifyEvent ev = TNotifyEvent::Of(this, &TEditor::SettingsChanged);
    if (m_fountain)
        m_fountain->NotifyEventList().Remove(ev);
    m_fountain = f;
    if (m_fountain)
        m_fountain->NotifyEventList().Add(ev);
    if (!m_destroying) {
        m_list->InitBrackets();
        viewport()->update();
    }
}

void TEditor::SetReserveWordList(const QStringList& words)
{
    TReservedWordSet probe;
    probe.Assign(words);
    if (probe.Words() == ReserveWordList())
        return;
    m_view->EditorFountain().SetReserveWordList(words);
    m_list->InitBrackets();
    viewport()->update();
}

void TEditor::SettingsChanged(TPersistent* sender)
{
    if (dynamic_cast<TEditorMarks*>(sender))
        m_margin->Underline = m_marks->Underline().Visible() ? 1 : 0;
    else if (dynamic_cast<TEditorViewInfo*>(sender) || dynamic_cast<TFountain*>(sender))
        m_list->InitBrackets();
    if (dynamic_cast<TEditorLeftbar*>(sender) && !HandleAllocated())
        m_leftbarColumn = m_leftbar->Column();
    if (!HandleAllocated()) {
        UpdateImagebarWidth();
        UpdateLeftbarWidth();
        UpdateRulerHeight();
        return;
    }
    UpdateFontMetrics();
    UpdateScrollRange();
    if (dynamic_cast<TEditorMargin*>(sender) || dynamic_cast<TEditorRuler*>(sender))
        UpdateRuler();
    viewport()->update();
    if (dynamic_cast<TEditorCaret*>(sender)) {
        m_list->UndoObj().Clear();
        UpdateCaret();
    } else {
        ScrollToCaret();
        PlaceCaret();
    }
}

TColumnMapSettings TEditor::ColumnMapSettings() const
{
    TColumnMapSettings s;
    s.TabSpaceCount = m_caret ? m_caret->TabSpaceCount() : 8;
    s.AmbiguousWide = IsEastAsianFont();
    s.Delimiters = Delimiters;
    return s;
}

void TEditor::SetLines(const QStringList& lines)
{
    m_lines->Assign(lines);
    m_list->RelayoutClients();
}

void TEditor::ExchangeList(TEditor* source)
{
    if (!source)
        return;
    CleanSelection();
    TEditorScreenStrings::ExchangeStore(this, m_list, source->m_list);
    Relayout();
}

void TEditor::SetWordWrap(bool v)
{
    m_list->SetWordWrap(v);
    Relayout();
}

void TEditor::SetOverWrite(bool v)
{
    if (m_overWrite != v) {
        m_overWrite = v;
        UpdateCaret();
    }
}

void TEditor::SetReadOnly(bool v)
{
    if (m_selDragState != sdNone || m_readOnly == v)
        return;
    m_readOnly = v;
    if (v && Selected())
        viewport()->setCursor(Qt::IBeamCursor);
}

void TEditor::ApplyScrollBarPolicy()
{
    const bool h = m_scrollBars == ssHorizontal || m_scrollBars == ssBoth;
    const bool v = m_scrollBars == ssVertical || m_scrollBars == ssBoth;
    setHorizontalScrollBarPolicy(h ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(v ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

void TEditor::SetScrollBars(TScrollStyle v)
{
    if (m_scrollBars == v)
        return;
    m_scrollBars = v;
    ApplyScrollBarPolicy();
    UpdateFontMetrics();
    UpdateScrollRange();
}

void TEditor::SetUseMBCSFont(bool v)
{
    if (m_useMBCSFont == v)
        return;
    m_useMBCSFont = v;
    UpdateFontMetrics();
    UpdateScrollRange();
    viewport()->update();
}

void TEditor::SetMBCSFont(const QFont& f)
{
    m_mbcsFont = f;
    UpdateFontMetrics();
    UpdateScrollRange();
    if (m_useMBCSFont)
        viewport()->update();
}

void TEditor::SetImageDigits(const std::vector<QPixmap>& v)
{
    m_imageDigits = v;
    if (m_imagebar->Visible())
        viewport()->update();
}

void TEditor::SetImageMarks(const std::vector<QPixmap>& v)
{
    m_imageMarks = v;
    if (m_imagebar->Visible())
        viewport()->update();
}

void TEditor::SetHitText(const QString& v)
{
    if (m_hitText != v) {
        m_hitText = v;
        viewport()->update();
    }
}

void TEditor::SetHitStyle(TEditorHitStyle v)
{
    if (m_hitStyle != v) {
        CleanSelection();
        m_hitStyle = v;
    }
}

void TEditor::SetHitSelLength(int n)
{
    m_hitSelLength = n;
    if (m_hitStyle == hsSelect || (m_hitStyle == hsCaret && n <= 0)) {
        SetSelLength(n);
        return;
    }
    const int r = m_row, c = m_col;
    m_hitSelecting = true;
    SetSelLength(n);
    m_hitSelecting = false;
    if (m_hitStyle == hsCaret && n > 0) {
        BeginCaretUpdate();
        SetRowCol(r, c);
        EndCaretUpdate();
    }
}

// ---- geometry ------------------------------------------------------------------------------

int TEditor::LeftMargin() const
{
    int m = m_margin->Left();
    if (m_imagebar->Visible())
        m += m_imagebarWidth;
    if (m_leftbar->Visible())
        m += m_leftbarWidth;
    return m;
}

int TEditor::TopMargin() const
{
    return m_margin->Top() + (m_ruler->Visible() ? m_rulerHeight : 0);
}

void TEditor::UpdateImagebarWidth()
{
    const auto& b = *m_imagebar;
    m_imagebarWidth = b.Visible() ? b.LeftMargin() + b.DigitWidth() + b.MarkWidth() + b.RightMargin() : 0;
}

bool TEditor::UpdateLeftbarColumn()
{
    const int old = m_leftbarColumn;
    if (HandleAllocated() && m_leftbar->Visible() && m_leftbar->ShowNumber()) {
        const int n = m_list->Count();
        int last = n - 1;
        bool brk = n > 0 && m_list->GetRows(n - 1) == raCrlf;
        if (n == 0)
            last = 0;
        if (m_leftbar->ShowNumberMode() == nmLine && n > 0)
            last = m_list->RowToLine(n - 1);
        m_leftbarColumn = LeftbarDigitCount(last, brk, m_leftbar->ZeroBase(), m_leftbar->Column());
    } else {
        m_leftbarColumn = m_leftbar->Column();
    }
    return m_leftbarColumn != old;
}

void TEditor::UpdateLeftbarWidth()
{
    const auto& b = *m_leftbar;
    m_leftbarWidth = b.Visible() ? b.LeftMargin() + m_leftbarColumn * m_fontWidth + b.RightMargin() + 2 : 0;
}

void TEditor::UpdateRulerHeight()
{
    m_rulerHeight = m_ruler->Visible() ? (m_ruler->Edge() ? 11 : 10) : 0;
}

void TEditor::UpdateRuler()
{
    UpdateRulerHeight();
    UpdateDigitStrips();
}

int TEditor::GetRulerImageWidth() const
{
    const int p = std::max(1, m_ruler->GaugeRange() * m_fontWidth);
    return p * (viewport()->width() / p + 2);
}

void TEditor::ComputeCharWidths()
{
    const QFontMetrics fm(font());
    for (int c = 32; c < 256; ++c)
        m_charWidths[c] = fm.horizontalAdvance(QChar(c));
    m_wideWidth = QFontMetrics(m_useMBCSFont ? m_mbcsFont : font()).horizontalAdvance(QChar(0x3042));
    m_ascent = fm.ascent();
    m_rawFontsValid = false;
}

void TEditor::UpdateFontMetrics()
{
    const QFontMetrics fm(font());
    m_fontHeight = fm.height() + std::max(0, fm.leading());
    if (m_useMBCSFont) {
        // The double-byte font takes the same cell height.
        m_mbcsFont.setPixelSize(std::max(1, fm.height()));
    }
    m_fontWidth = std::max(1, (fm.horizontalAdvance(u'W') + fm.horizontalAdvance(u'M') + fm.horizontalAdvance(u'i')) / 3
                                  + m_margin->Character());
    ComputeCharWidths();
    // ASCII runs can be drawn in one call when every glyph is exactly one cell wide.
    m_asciiOnGrid = QFontInfo(font()).fixedPitch() && m_margin->Character() == 0;
    if (m_asciiOnGrid) {
        for (int c = 32; c < 127; ++c)
            if (m_charWidths[c] != m_fontWidth) {
                m_asciiOnGrid = false;
                break;
            }
    }
    m_rowCount = std::max(1, (viewport()->height() - TopMargin() - 5) / std::max(1, RowHeight()));
    UpdateColCount();
    UpdateRulerHeight();
    UpdateLeftbarColumn();
    UpdateLeftbarWidth();
    UpdateImagebarWidth();
    UpdateColCount();
}

void TEditor::UpdateColCount()
{
    m_colCount = std::max(1, (viewport()->width() - LeftMargin() - m_fontWidth / 2) / m_fontWidth);
}

void TEditor::RecalcLayout()
{
    UpdateFontMetrics();
    UpdateScrollRange();
    UpdateDigitStrips();
    viewport()->update();
}

void TEditor::Relayout()
{
    if (!HandleAllocated())
        return;
    RecalcLayout();
    ScrollToCaret();
    PlaceCaret();
}

void TEditor::UpdateScrollRange()
{
    const int n = m_list->Count();
    m_vScrollMax = std::max(0, n + m_rowCount - 1);
    m_topRow = std::min(m_topRow, m_vScrollMax);
    m_hScrollMax = m_list->WordWrap() ? m_list->WrapOption().WrapByte() : kMaxCol;
    m_topCol = std::max(0, std::min(m_topCol, m_hScrollMax - m_colCount / 2));
    m_leftScrollWidth = m_topCol * m_fontWidth;
    SyncScrollBars();
}

void TEditor::SyncScrollBars()
{
    m_settingScrollBars = true;
    QScrollBar* v = verticalScrollBar();
    v->setRange(0, std::max(0, std::max(m_rowCount, m_vScrollMax) - m_rowCount + 1));
    v->setPageStep(m_rowCount);
    v->setSingleStep(1);
    v->setValue(m_topRow);
    QScrollBar* h = horizontalScrollBar();
    h->setRange(0, std::max(0, m_hScrollMax - m_colCount / 2));
    h->setPageStep(m_colCount);
    h->setSingleStep(1);
    h->setValue(m_topCol);
    m_settingScrollBars = false;
}

QRect TEditor::RowRect(int row) const
{
    const int y = TopMargin() + (row - m_topRow) * RowHeight();
    return QRect(0, y, viewport()->width(), RowHeight());
}

void TEditor::InvalidateRow(int row)
{
    if (row < m_topRow || row > m_topRow + m_rowCount)
        return;
    QRect r = RowRect(row);
    r.setLeft(LeftMargin());
    r.setHeight(m_fontHeight + m_margin->Underline);
    viewport()->update(r);
}

void TEditor::InvalidateRows(int a, int b)
{
    const int first = std::max(std::min(a, b), m_topRow);
    const int last = std::min(std::max(a, b), m_topRow + m_rowCount);
    if (first > last)
        return;
    const QRect r(0, TopMargin() + (first - m_topRow) * RowHeight(), viewport()->width(),
                  (last - first + 1) * RowHeight());
    viewport()->update(r);
}

void TEditor::InvalidateLeftbar(int a, int b)
{
    if (!m_leftbar->Visible())
        return;
    const int first = std::max(std::min(a, b), m_topRow);
    const int last = std::min(std::max(a, b), m_topRow + m_rowCount);
    if (first > last)
        return;
    viewport()->update(QRect(m_imagebarWidth, TopMargin() + (first - m_topRow) * RowHeight(), m_leftbarWidth,
                             (last - first + 1) * RowHeight()));
}

void TEditor::ShiftForLeftbarWidth(int, int)
{
    // The text moves sideways; everything right of the image bar is new.
    viewport()->update();
}

// ---- store client --------------------------------------------------------------------------

void TEditor::DoChange(const TEditorDrawInfo& info)
{
    if (HandleAllocated() && info.NeedUpdate) {
        const int n = m_list->Count();
        if (info.Insert != info.Delete)
            InvalidateRows(info.Start, std::max(n, info.Start + std::max(info.Insert, info.Delete)) + 1);
        else
            InvalidateRows(info.Start, info.Start + std::max(info.Insert, info.Invalid) + 1);
        if (m_leftbar->Visible() && m_leftbar->ShowNumber()) {
            if (m_leftbar->ShowNumberMode() == nmLine || info.Insert != info.Delete)
                InvalidateLeftbar(info.Start, m_topRow + m_rowCount);
            if (UpdateLeftbarColumn()) {
                const int old = m_leftbarWidth;
                UpdateLeftbarWidth();
                ShiftForLeftbarWidth(old, m_leftbarWidth);
                UpdateColCount();
            }
        }
    }
    UpdateScrollRange();
    if (info.NeedUpdate) {
        m_modified = true;
        DoChangeEvent();
    }
}

// ---- caret ---------------------------------------------------------------------------------

QRect TEditor::CaretRect() const
{
    const QPoint p = GetCaretPixelPos();
    const int base = std::max(1, m_fontWidth - m_margin->Character());
    int w = 2, h = m_fontHeight, y = TopMargin() + (m_row - m_topRow) * RowHeight();
    bool wide = false;
    if (m_overWrite || m_caret->Style() == csBrief) {
        const QString map = GetColumnMap(GetRowString(m_row));
        wide = m_col < map.size() && map[m_col] == u'4';
        w = wide ? 2 * base : base;
        if (!m_overWrite) {
            h = 2;
            y += m_fontHeight - 2;
        }
    }
    return QRect(p.x(), y, w, h);
}

QPoint TEditor::GetCaretPixelPos() const
{
    const int x = LeftMargin() + (m_col - m_topCol) * m_fontWidth;
    int y = TopMargin() + (m_row - m_topRow) * RowHeight();
    if (m_caret->Style() == csBrief && !m_overWrite)
        y += m_fontHeight - 2;
    return QPoint(x, y);
}

void TEditor::InvalidateCaret()
{
    if (!m_caretDrawn.isNull())
        viewport()->update(m_caretDrawn.adjusted(-1, -1, 1, 1));
    viewport()->update(CaretRect().adjusted(-1, -1, 1, 1));
}

void TEditor::BeginCaretUpdate()
{
    if (m_caretUpdateCount++ == 0 && HandleAllocated() && hasFocus())
        HideEditorCaret();
}

void TEditor::EndCaretUpdate()
{
    if (m_caretUpdateCount > 0)
        --m_caretUpdateCount;
    if (m_caretUpdateCount == 0 && HandleAllocated() && hasFocus())
        ShowEditorCaret();
}

void TEditor::HideEditorCaret()
{
    if (HandleAllocated() && hasFocus() && m_caretShowing) {
        m_caretShowing = false;
        InvalidateCaret();
    }
}

void TEditor::ShowEditorCaret()
{
    if (m_caretUpdateCount == 0 && HandleAllocated() && hasFocus() && !m_caretShowing && !CaretOutOfView()) {
        m_caretShowing = true;
        m_caretBlinkOn = true;
        InvalidateCaret();
    }
}

bool TEditor::CaretOutOfView() const
{
    return m_row < m_topRow || m_row > m_topRow + m_rowCount || m_col < m_topCol || m_col > m_topCol + m_colCount;
}

void TEditor::RecreateEditorCaret()
{
    if (!HandleAllocated() || !hasFocus())
        return;
    HideEditorCaret();
    const int t = QGuiApplication::styleHints()->cursorFlashTime();
    if (t > 0)
        m_blinkTimer.start(t / 2, this);
    else
        m_blinkTimer.stop();
}

void TEditor::PlaceCaret()
{
    if (HandleAllocated() && hasFocus()) {
        InvalidateCaret();
        if (QInputMethod* im = QGuiApplication::inputMethod())
            im->update(Qt::ImCursorRectangle);
    }
    DoCaretMoved();
}

void TEditor::ScrollToCaret()
{
    if (!HandleAllocated())
        return;
    if (m_row < m_topRow)
        SetTopRow(m_row);
    else if (m_row > m_topRow + m_rowCount - 1)
        SetTopRow(m_row - m_rowCount + 1);
    if (m_col < m_topCol)
        SetTopCol(std::max(0, std::min(m_col, m_topCol - m_colCount / 4)));
    else if (m_col > m_topCol + m_colCount - 1)
        SetTopCol(std::min(std::max(m_col - m_colCount + 1, m_topCol + m_colCount / 4), m_hScrollMax - m_colCount / 2));
}

void TEditor::UpdateCaret()
{
    RecreateEditorCaret();
    ScrollToCaret();
    PlaceCaret();
    ShowEditorCaret();
}

void TEditor::ScheduleParseAhead()
{
    // After a paint: when the last row's state is still unknown, walk the text while idle.
    if (m_parseTimer.isActive() || !ActiveFountain() || !m_list->RowStatePending(m_list->Count() - 1))
        return;
    m_parseRow = 0;
    m_parseTimer.start(0, this);
}

void TEditor::ParseAheadSlice()
{
    constexpr int kStride = 1024;  // rows per step; a row already computed costs nothing
    constexpr qint64 kBudgetNs = 4'000'000;
    QElapsedTimer t;
    t.start();
    const int count = m_list->Count();
    while (m_parseRow < count && t.nsecsElapsed() < kBudgetNs)
        m_parseRow = m_list->ParseAheadFrom(m_parseRow, kStride);
    if (m_parseRow >= count)
        m_parseTimer.stop();
}

void TEditor::timerEvent(QTimerEvent* e)
{
    if (e->timerId() == m_parseTimer.timerId()) {
        ParseAheadSlice();
        return;
    }
    if (e->timerId() == m_blinkTimer.timerId()) {
        m_caretBlinkOn = !m_caretBlinkOn;
        if (m_caretShowing)
            InvalidateCaret();
        return;
    }
    QAbstractScrollArea::timerEvent(e);
}

void TEditor::InvalidateUnderline(int row)
{
    const int y = GetUnderlineY(row);
    if (y >= 0)
        viewport()->update(QRect(LeftMargin(), y, viewport()->width(), 1));
}

void TEditor::BeginUnderlineUpdate()
{
    if (m_underlineUpdateCount++ == 0 && m_marks->Underline().Visible() && !SelectedData())
        InvalidateUnderline(m_row);
}

void TEditor::EndUnderlineUpdate()
{
    if (m_underlineUpdateCount > 0)
        --m_underlineUpdateCount;
    if (m_underlineUpdateCount == 0 && m_marks->Underline().Visible() && !SelectedData())
        InvalidateUnderline(m_row);
}

int TEditor::GetUnderlineY(int row) const
{
    const int y = TopMargin() + RowHeight() * (row - m_topRow) + m_fontHeight;
    if (y <= TopMargin() || y > viewport()->height())
        return -1;
    return y;
}

void TEditor::InvalidateRulerMark(int col)
{
    if (!m_ruler->Visible())
        return;
    const int f = m_leftScrollWidth / m_fontWidth;
    if (col < f || col > f + m_colCount)
        return;
    viewport()->update(QRect(LeftMargin() + (col - f) * m_fontWidth, 0, m_fontWidth + 1, m_rulerHeight));
}

void TEditor::SetCursorState(TEditorMouseCursorState v)
{
    if (v == m_cursorState)
        return;
    m_cursorState = v;
    if (!m_caret->AutoCursor)
        return;
    switch (v) {
    case mcClient:
        viewport()->setCursor(Qt::IBeamCursor);
        break;
    case mcLeftMargin:
    case mcTopMargin:
    case mcInSel:
        viewport()->setCursor(v == mcLeftMargin ? Qt::PointingHandCursor : Qt::ArrowCursor);
        break;
    case mcDragging:
        viewport()->setCursor(Qt::DragMoveCursor);
        break;
    case mcDraggingCopy:
        viewport()->setCursor(Qt::DragCopyCursor);
        break;
    }
}

// ---- scrolling -----------------------------------------------------------------------------

void TEditor::SetTopRow(int value)
{
    if (!HandleAllocated())
        return;
    BeginCaretUpdate();
    BeginUnderlineUpdate();
    Bracket guard([] {}, [this] {
        EndUnderlineUpdate();
        EndCaretUpdate();
    });
    const int old = m_topRow;
    m_topRow = std::max(0, std::min(value, m_list->Count()));
    int d = old - m_topRow;
    d = std::clamp(d, -(m_rowCount + 1), m_rowCount + 1);
    if (d * RowHeight() != 0) {
        const QRect vr = viewport()->rect();
        ScrollEditor(0, d * RowHeight(), QRect(0, TopMargin(), vr.width(), vr.height() - TopMargin()));
        m_settingScrollBars = true;
        verticalScrollBar()->setValue(m_topRow);
        m_settingScrollBars = false;
        if (QInputMethod* im = QGuiApplication::inputMethod(); im && hasFocus())
            im->update(Qt::ImCursorRectangle);
        DoTopRowChange();
    }
}

void TEditor::SetTopCol(int value)
{
    if (!HandleAllocated())
        return;
    BeginCaretUpdate();
    Bracket guard([] {}, [this] { EndCaretUpdate(); });
    const int old = m_topCol;
    m_topCol = std::max(0, std::min(value, m_hScrollMax - m_colCount / 2));
    const int dx = (old - m_topCol) * m_fontWidth;
    if (dx != 0) {
        const QRect vr = viewport()->rect();
        ScrollEditor(dx, 0, QRect(LeftMargin(), 0, vr.width() - LeftMargin(), vr.height()));
        m_settingScrollBars = true;
        horizontalScrollBar()->setValue(m_topCol);
        m_settingScrollBars = false;
        DoTopColChange();
    }
}

void TEditor::ScrollEditor(int dx, int dy, const QRect& scrollRect)
{
    BeginUnderlineUpdate();
    m_leftScrollWidth -= dx;
    if (std::abs(dx) >= scrollRect.width() || std::abs(dy) >= scrollRect.height())
        viewport()->update(scrollRect);
    else
        viewport()->scroll(dx, dy, scrollRect);
    EndUnderlineUpdate();
}

void TEditor::scrollContentsBy(int, int)
{
    if (m_settingScrollBars)
        return;
    const int dv = std::clamp(verticalScrollBar()->value() - m_topRow, -m_topRow, m_vScrollMax - m_topRow);
    if (dv != 0) {
        BeginCaretUpdate();
        SetTopRow(m_topRow + dv);
        if (m_caret->LockScroll)
            SetRow(m_row + dv);
        EndCaretUpdate();
    }
    const int dh = horizontalScrollBar()->value() - m_topCol;
    if (dh != 0)
        SetTopCol(m_topCol + dh);
    SyncScrollBars();
}

// ---- positions -----------------------------------------------------------------------------

QString TEditor::GetColumnMap(QStringView text) const
{
    TColumnMapSettings s = m_list->ColumnSettings();
    return qv::GetColumnMap(text, s);
}

QString TEditor::ExpandTab(QStringView s) const
{
    return qv::ExpandTab(s, m_list->ColumnSettings());
}

int TEditor::ExpandTabLength(QStringView s) const
{
    return qv::ExpandTabLength(s, m_list->ColumnSettings());
}

int TEditor::GetRowWidth(int row) const
{
    if (row < 0 || row >= m_list->Count())
        return 0;
    return ExpandTabLength(m_list->RowView(row));
}

QString TEditor::GetExpandedRow(int row) const
{
    if (row < 0 || row >= m_list->Count())
        return QString();
    return ExpandTab(m_list->RowView(row));
}

QString TEditor::GetRowString(int row) const
{
    if (row < 0 || row >= m_list->Count())
        return QString();
    return m_list->Get(row);
}

TRowAttribute TEditor::GetRowAttribute(int row) const
{
    if (row < 0 || row >= m_list->Count())
        return raEof;
    return m_list->GetRows(row);
}

void TEditor::RememberCol(bool vertical, int col)
{
    if (vertical && !m_colKeeping) {
        m_colBuf = col;
        m_colKeeping = true;
    }
}

void TEditor::AdjustCaretCol(bool vertical, int direction)
{
    const QString map = GetColumnMap(GetRowString(m_row));
    const int w = int(map.size());
    auto code = [&](int c) { return c >= 0 && c < w ? map[c].unicode() : u'\0'; };
    if (!vertical)
        m_colKeeping = false;
    else if (m_colKeeping)
        m_col = m_colBuf;
    if (!m_caret->FreeCaret && m_col > w) {
        if (m_caret->KeepCaret)
            RememberCol(vertical, m_leftButtonDown ? w : m_col);
        if (!(m_caret->FreeRow && vertical && !m_leftButtonDown))
            m_col = w;
    }
    if (code(m_col) == u'5') {
        RememberCol(vertical, m_col);
        m_col += direction;
    }
    if (!m_caret->InTab && code(m_col) == u'3') {
        RememberCol(vertical, m_col);
        while (code(m_col) == u'3')
            m_col += direction;
    }
    if (m_list->WordWrap() && m_col >= w) {
        RememberCol(vertical, m_col);
        const int wrapByte = m_list->WrapOption().WrapByte();
        if (GetRowAttribute(m_row) == raWrapped && m_row < m_list->Count())
            m_col = std::max(0, w - 1);
        else if (m_col >= wrapByte)
            m_col = std::max(w, wrapByte - 1);
        if (code(m_col) == u'5')
            --m_col;
        if (!m_caret->InTab)
            while (code(m_col) == u'3')
                --m_col;
    }
    m_col = std::max(0, m_col);
    if (m_col > kMaxCol && code(kMaxCol) != u'4')
        m_col = kMaxCol;
    if (!m_caretNoMove)
        UpdateCaret();
}

void TEditor::SetRow(int value)
{
    const int n = m_list->Count();
    if (value == m_row && m_row != n)
        return;
    BeginUnderlineUpdate();
    Bracket guard([] {}, [this] { EndUnderlineUpdate(); });
    const int oldCol = m_col;
    m_row = std::max(0, std::min(value, n));
    if (m_row == n && n > 0 && m_list->GetRows(n - 1) == raEof)
        m_row = n - 1;
    AdjustCaretCol(true, -1);
    if (m_ruler->Visible() && m_col != oldCol) {
        InvalidateRulerMark(oldCol);
        InvalidateRulerMark(m_col);
    }
}

void TEditor::SetCol(int value)
{
    const int old = m_col;
    InvalidateRulerMark(old);
    m_col = std::min(std::max(value, 0), kMaxCol + 1);
    AdjustCaretCol(false, m_col > old ? 1 : -1);
    InvalidateRulerMark(m_col);
}

void TEditor::SetRowCol(int row, int col)
{
    if (row == m_row && col == m_col)
        return;
    m_caretNoMove = true;
    Bracket guard([] {}, [this] {
        m_caretNoMove = false;
        UpdateCaret();
    });
    SetRow(row);
    const QString map = GetColumnMap(GetRowString(m_row));
    auto code = [&](int c) { return c >= 0 && c < map.size() ? map[c].unicode() : u'\0'; };
    if (code(col) == u'5')
        --col;
    if (!m_caret->InTab)
        while (code(col) == u'3')
            --col;
    SetCol(col);
}

void TEditor::PosToRowCol(int x, int y, bool split, int& col, int& row) const
{
    const int lm = LeftMargin();
    if (x < lm)
        x = x + 1 - m_fontWidth;
    auto floorDiv = [](int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); };
    if (split)
        col = std::max(0, floorDiv(x + m_fontWidth / 2 - 1 - lm, m_fontWidth) + m_topCol);
    else
        col = std::max(0, floorDiv(x - lm, m_fontWidth) + m_topCol);
    row = (y - TopMargin()) / RowHeight() + m_topRow;
}

int TEditor::RowColToOffset(int startRow, int row, int col) const
{
    if (row < startRow)
        return 0;
    const int n = m_list->Count();
    int off = 0;
    for (int r = startRow; r < row && r < n; ++r) {
        off += int(m_list->RowView(r).size());
        const TRowAttribute a = m_list->GetRows(r);
        if (a == raCrlf)
            off += 2;
        else if (a == raEof)
            off += 1;
    }
    const QString map = GetColumnMap(GetRowString(row));
    return off + col - ColumnMapExtra(map, col);
}

void TEditor::SetCaretByOffset(int startRow, int offset)
{
    const int n = m_list->Count();
    if (n == 0) {
        SetRowCol(0, 0);
        return;
    }
    int r = std::max(0, startRow);
    int v = std::max(0, offset);
    for (; r < n; ++r) {
        const int len = int(m_list->RowView(r).size());
        const TRowAttribute a = m_list->GetRows(r);
        const int contrib = len + (a == raCrlf ? 2 : a == raEof ? 1 : 0);
        if (v < contrib || (r == n - 1 && a != raCrlf))
            break;
        v -= contrib;
    }
    if (r >= n) {
        SetRowCol(n, 0);
        return;
    }
    const QStringView row = m_list->RowView(r);
    const int w = ExpandTabLength(row);
    SetRowCol(r, std::min(ExpandTabLength(row.left(std::min<qsizetype>(v, row.size()))), w));
}

int TEditor::SelStart() const
{
    const int n = m_list->Count();
    if (n == 0)
        return 0;
    int row, ci;
    if (SelectedData()) {
        row = m_selStr.Sr;
        ci = m_selStr.Sc;
    } else {
        row = m_row;
        const QString map = GetColumnMap(GetRowString(row));
        ci = std::min(int(GetRowString(row).size()), m_col - ColumnMapExtra(map, m_col));
    }
    int off = 0;
    for (int r = 0; r < row && r < n; ++r)
        off += int(m_list->RowView(r).size()) + (m_list->GetRows(r) == raCrlf ? 2 : 0);
    return off + ci;
}

void TEditor::SetSelStart(int value)
{
    CleanSelection();
    if (m_list->Count() == 0)
        return;
    if (value <= 0) {
        SetRowCol(0, 0);
        return;
    }
    SetCaretByOffset(0, value);
}

int TEditor::SelLength() const
{
    if (!Selected())
        return 0;
    const TSelectedPosition& s = m_selStr;
    auto len = [&](int r) { return int(GetRowString(r).size()); };
    auto brk = [&](int r) { return GetRowAttribute(r) == raCrlf && r < m_list->Count() ? 2 : 0; };
    if (m_selectionMode == smBox) {
        int total = 0;
        for (int r = s.Sr; r <= s.Er; ++r) {
            const int a = ColumnToStartChar(r, m_selDraw.Sc), b = ColumnToStartChar(r, m_selDraw.Ec);
            total += std::max(0, b - a) + 2;
        }
        return total;
    }
    if (s.Sr == s.Er)
        return std::max(0, std::min(s.Ec + 1, len(s.Sr)) - s.Sc);
    int total = std::max(0, len(s.Sr) - s.Sc) + brk(s.Sr);
    for (int r = s.Sr + 1; r < s.Er; ++r)
        total += len(r) + brk(r);
    total += std::min(s.Ec + 1, len(s.Er));
    return total;
}

void TEditor::SetSelLength(int value)
{
    if (m_list->Count() == 0)
        return;
    if (m_selectionMode == smBox)
        m_selectionMode = smLine;
    if (value <= 0) {
        if (SelectedData()) {
            const TSelectedPosition s = m_selDraw;
            CleanSelection();
            SetRowCol(s.Sr, s.Sc);
        }
        return;
    }
    m_caretNoMove = true;
    Bracket guard([] {}, [this] {
        m_caretNoMove = false;
        UpdateCaret();
        UpdateSelection();
    });
    if (SelectedData()) {
        const TSelectedPosition s = m_selDraw;
        CleanSelection();
        SetRowCol(s.Sr, s.Sc);
    }
    const TEditorSelectionMode keep = m_selectionMode;
    StartSelection();
    m_selectionMode = keep;
    const int n = m_list->Count();
    const QString map = GetColumnMap(GetRowString(m_row));
    int a = std::min(int(GetRowString(m_row).size()), m_col - ColumnMapExtra(map, m_col));
    int r = m_row;
    int v = value;
    for (; r < n; ++r) {
        const int len = int(m_list->RowView(r).size());
        const TRowAttribute at = m_list->GetRows(r);
        const int left = len + (at == raCrlf ? 2 : at == raEof ? 1 : 0) - a;
        if (v < left || (r == n - 1 && at != raCrlf)) {
            const QStringView row = m_list->RowView(r);
            m_row = r;
            m_col = std::min(ExpandTabLength(row.left(std::min<qsizetype>(a + v, row.size()))), ExpandTabLength(row));
            return;
        }
        v -= left;
        a = 0;
    }
    m_row = n;
    m_col = 0;
}

QString TEditor::SelText() const
{
    if (!Selected())
        return QString();
    const TSelectedPosition& s = m_selStr;
    if (m_selectionMode == smBox) {
        QString out;
        // A character belongs to the box when its first column lies inside it: a double-width
        // character across the left edge stays out, one across the right edge is taken in.
        for (int r = s.Sr; r <= s.Er; ++r) {
            const int a = ColumnToStartChar(r, m_selDraw.Sc), b = ColumnToStartChar(r, m_selDraw.Ec);
            out += GetRowString(r).mid(a, std::max(0, b - a)) + QStringLiteral("\r\n");
        }
        return out;
    }
    if (s.Sr == s.Er)
        return GetRowString(s.Sr).mid(s.Sc, std::max(0, s.Ec - s.Sc + 1));
    QString out;
    for (int r = s.Sr; r < s.Er; ++r) {
        out += r == s.Sr ? GetRowString(r).mid(s.Sc) : GetRowString(r);
        if (GetRowAttribute(r) == raCrlf)
            out += QStringLiteral("\r\n");
    }
    out += GetRowString(s.Er).left(std::max(0, s.Ec + 1));
    return out;
}

// ---- position queries ----------------------------------------------------------------------

int TEditor::ColToChar(int row, int col) const
{
    if (row < 0 || row > m_list->Count() || col < 0)
        return -1;
    const QString text = GetRowString(row);
    const QString map = GetColumnMap(text);
    auto code = [&](int c) { return c >= 0 && c < map.size() ? map[c].unicode() : u'\0'; };
    int c = col;
    if (code(c) == u'5')
        --c;
    while (code(c) == u'3')
        --c;
    int idx = std::min(int(text.size()), c - ColumnMapExtra(map, c + 1));
    for (int r = row - 1; r >= 0 && m_list->GetRows(r) == raWrapped; --r)
        idx += int(m_list->RowView(r).size());
    return idx;
}

int TEditor::RowToLines(int index) const
{
    if (!m_list->WordWrap())
        return index;
    if (index <= 0)
        return 0;
    if (index >= m_list->Count()) {
        const int n = m_list->Count();
        return n == 0 ? 0 : m_list->RowToLine(n - 1) + (m_list->GetRows(n - 1) == raCrlf ? 1 : 0);
    }
    return m_list->RowToLine(index);
}

int TEditor::GetTextLen() const
{
    int total = 0;
    const int n = m_list->Count();
    for (int r = 0; r < n; ++r)
        total += int(m_list->RowView(r).size()) + (m_list->GetRows(r) == raCrlf ? 2 : 0);
    return total;
}

int TEditor::GetLineNumberCount() const
{
    const int n = m_list->Count();
    if (n == 0)
        return 1;
    return n + (m_list->GetRows(n - 1) != raEof ? 1 : 0);
}

bool TEditor::PosToStrInfo(QPoint pos, TEditorStrInfo& info) const
{
    info = TEditorStrInfo();
    const int n = m_list->Count();
    if (n == 0 || m_fontWidth == 0 || pos.x() < LeftMargin() || pos.y() < TopMargin())
        return false;
    int r, c;
    PosToRowCol(pos.x(), pos.y(), true, c, r);
    if (r < 0 || r > n)
        return false;
    info.Line = r;
    const QString text = GetRowString(r);
    const QString map = r < n ? GetColumnMap(text) : QString();
    if (c >= map.size())
        return false;
    auto code = [&](int k) { return k >= 0 && k < map.size() ? map[k].unicode() : u'\0'; };
    if (code(c) == u'5')
        --c;
    while (code(c) == u'3')
        --c;
    info.CharIndex = std::min(int(text.size()), c - ColumnMapExtra(map, c + 1));
    return true;
}

void TEditor::SelectTokenAtPos(QPoint pos, const TFountain* fountain, bool bracket)
{
    TEditorStrInfo info;
    if (!PosToStrInfo(pos, info))
        return;
    int f = info.Line;
    while (f > 0 && m_list->GetRows(f - 1) == raWrapped)
        --f;
    TRowAttributeData state;
    if (fountain) {
        m_list->EnsureRowState(f);
        state = m_list->GetRowData(f);
        if (!bracket)
            state.BracketIndex = -2;
    } else {
        state.BracketIndex = -2;
    }
    int index = info.CharIndex;
    for (int r = f; r < info.Line; ++r)
        index += int(m_list->RowView(r).size());
    const QString line = m_list->LineText(m_list->RowToLine(f));
    std::unique_ptr<TFountainParser> parser = fountain ? ActiveFountain()->CreateParser()
                                                       : std::make_unique<TTokenParser>(nullptr);
    parser->NewData(line, state);
    while (parser->NextToken() != tok::toEof) {
        const int s = parser->SourcePos(), e = s + parser->TokenLength();
        if (s <= index && e >= index && e > s) {
            CleanSelection();
            BeginCaretUpdate();
            SetCaretByOffset(f, s);
            SetSelLength(e - s);
            EndCaretUpdate();
            return;
        }
        if (s > index)
            break;
    }
}

TRowMarks TEditor::GetListRowMarks(int index) const
{
    if (index < 0 || index >= m_list->Count())
        return 0;
    return m_list->GetRowMarks(index);
}

void TEditor::SetListRowMarks(int index, TRowMarks value)
{
    if (index < 0 || index >= m_list->Count())
        return;
    const TRowMarks old = m_list->GetRowMarks(index);
    if (old == value)
        return;
    m_list->IncludeRowMarks(TRowMarks(value & ~old));
    m_list->SetRowMarks(index, value);
    // A mark that no row carries any more leaves the store's set of marks in use.
    const TRowMarks cleared = TRowMarks(old & ~value);
    if (cleared) {
        TRowMarks still = 0;
        for (int r = 0, n = m_list->Count(); r < n && (still & cleared) != cleared; ++r)
            still |= m_list->GetRowMarks(r) & cleared;
        m_list->ExcludeRowMarks(TRowMarks(cleared & ~still));
    }
    InvalidateRow(index);
    if (m_imagebar->Visible() && index >= m_topRow && index <= m_topRow + m_rowCount)
        viewport()->update(QRect(0, TopMargin() + (index - m_topRow) * RowHeight(), m_imagebarWidth, RowHeight()));
}

// ---- selection -----------------------------------------------------------------------------

void TEditor::SetSelectionMode(TEditorSelectionMode v)
{
    if (m_selDragState != sdNone || m_selectionMode == v)
        return;
    m_selectionMode = v;
    if (SelectedData()) {
        UpdateSelection();
        viewport()->update();
    }
    DoSelectionModeChange();
}

void TEditor::StartSelection()
{
    CleanSelection();
    m_selStartRow = m_row;
    m_selStartCol = m_col;
    const QString map = GetColumnMap(GetRowString(m_row));
    m_selStartSi = m_col - ColumnMapExtra(map, m_col);
    // Alt held swaps the default mode; a box started with Alt may reach past the row ends.
    if (!KeyDownAltKey) {
        m_selectionMode = DefaultSelectMode;
    } else if (DefaultSelectMode == smLine) {
        m_selectionMode = smBox;
        m_caret->FreeCaret = true;
    } else {
        m_selectionMode = smLine;
        m_caret->FreeCaret = DefaultCaretFreeCaret;
    }
    m_selectionState = sstInit;
}

void TEditor::InvalidateSelectionRows(const TSelectedPosition& a, const TSelectedPosition& b)
{
    InvalidateRows(std::min(a.Sr, b.Sr), std::max(a.Er, b.Er));
}

void TEditor::UpdateSelection()
{
    if (m_selectionState == sstNone)
        return;
    const TSelectedPosition old = m_selDraw;
    const bool wasSelected = SelectedDraw();
    TSelectedPosition d;
    if (m_selectionMode == smBox) {
        d.Sr = std::min(m_selStartRow, m_row);
        d.Er = std::max(m_selStartRow, m_row);
        d.Sc = std::min(m_selStartCol, m_col);
        d.Ec = std::max(m_selStartCol, m_col);
    } else if (std::pair(m_selStartRow, m_selStartCol) <= std::pair(m_row, m_col)) {
        d = {m_selStartRow, m_row, m_selStartCol, m_col};
    } else {
        d = {m_row, m_selStartRow, m_col, m_selStartCol};
    }
    m_selDraw = d;
    const bool empty = m_selectionMode == smBox ? d.Sc == d.Ec : (d.Sr == d.Er && d.Sc == d.Ec);
    auto charAt = [&](int r, int c) {
        const QString t = GetRowString(r);
        const QString map = GetColumnMap(t);
        return std::min(int(t.size()), c - ColumnMapExtra(map, c));
    };
    m_selStr.Sr = d.Sr;
    m_selStr.Er = d.Er;
    m_selStr.Sc = charAt(d.Sr, d.Sc);
    m_selStr.Ec = charAt(d.Er, d.Ec) - 1;
    if (empty) {
        m_selectionState = sstInit;
    } else {
        m_selectionState = m_hitSelecting ? sstHitSelected : sstSelected;
    }
    if (wasSelected)
        InvalidateSelectionRows(old, d);
    else
        InvalidateRows(d.Sr, d.Er);
    if (wasSelected != SelectedDraw() || (SelectedData() && !(old == d)))
        DoSelectionChange(SelectedData());
}

void TEditor::StartRowSelection(int row)
{
    CleanSelection();
    const int n = m_list->Count();
    row = std::max(0, std::min(row, std::max(0, n - 1)));
    m_rowSelecting = true;
    m_selRow = {row, row, 0, 0};
    BeginCaretUpdate();
    SetRowCol(row, 0);
    StartSelection();
    UpdateRowSelection(row);
    EndCaretUpdate();
}

void TEditor::UpdateRowSelection(int row)
{
    const int n = m_list->Count();
    row = std::max(0, std::min(row, n));
    const int anchor = m_selRow.Sr;
    auto endOf = [&](int r, int& er, int& ec) {
        if (r + 1 < n || (r + 1 == n && GetRowAttribute(r) == raCrlf)) {
            er = r + 1;
            ec = 0;
        } else {
            er = r;
            ec = GetRowWidth(r);
        }
    };
    BeginCaretUpdate();
    if (row >= anchor) {
        m_selStartRow = anchor;
        m_selStartCol = 0;
        int er, ec;
        endOf(row, er, ec);
        SetRowCol(er, ec);
    } else {
        int er, ec;
        endOf(anchor, er, ec);
        m_selStartRow = er;
        m_selStartCol = ec;
        SetRowCol(row, 0);
    }
    UpdateSelection();
    EndCaretUpdate();
}

void TEditor::CleanSelection()
{
    m_rowSelecting = m_rowSelecting && m_leftButtonDown;
    if (m_selectionState == sstNone)
        return;
    const bool was = SelectedData();
    const TSelectedPosition d = m_selDraw;
    m_selectionState = sstNone;
    if (was) {
        m_clearingSelection = true;
        InvalidateRows(d.Sr, d.Er);
        m_clearingSelection = false;
        DoSelectionChange(false);
    }
}

bool TEditor::CanSelDrag() const
{
    return !m_readOnly && Selected() && m_selectionMode == smLine && m_caret->SelMove;
}

void TEditor::BeginSelDrag() { m_selDragState = sdInit; }
void TEditor::DragSelMove()
{
    if (m_selDragState == sdInit)
        m_selDragState = sdDragging;
    SetCursorState((QGuiApplication::keyboardModifiers() & Qt::ControlModifier) ? mcDraggingCopy : mcDragging);
}
void TEditor::EndSelDrag()
{
    if (m_selDragState != sdDragging) {
        m_selDragState = sdNone;
        return;
    }
    m_selDragState = sdNone;
    SetCursorState(mcClient);
    const QPoint p = viewport()->mapFromGlobal(QCursor::pos());
    if (!viewport()->rect().contains(p) || IsSelectedArea(m_row, m_col))
        CleanSelection();
    else if (QGuiApplication::keyboardModifiers() & Qt::ControlModifier)
        CopySelection(m_row, m_col);
    else
        MoveSelection(m_row, m_col);
}
void TEditor::CancelSelDrag()
{
    m_selDragState = sdNone;
    CleanSelection();
    SetCursorState(mcClient);
}

// ---- editing -------------------------------------------------------------------------------

void TEditor::ReplaceRowsAt(int index, int count, const QString& s, int anchorRow, int offset)
{
    BeginCaretUpdate();
    Bracket guard([] {}, [this] { EndCaretUpdate(); });
    m_list->ReplaceRows(index, count, s);
    SetCaretByOffset(anchorRow, offset);
}

void TEditor::Undo()
{
    CleanSelection();
    m_list->Undo();
}

void TEditor::Redo()
{
    CleanSelection();
    m_list->Redo();
}

// ---- events --------------------------------------------------------------------------------

void TEditor::DoCaretMoved()
{
    if (OnCaretMoved)
        OnCaretMoved(this);
}
void TEditor::DoChangeEvent()
{
    if (OnChange)
        OnChange(this);
}
void TEditor::DoSelectionChange(bool selected)
{
    if (OnSelectionChange)
        OnSelectionChange(this, selected);
}
void TEditor::DoSelectionModeChange()
{
    if (OnSelectionModeChange)
        OnSelectionModeChange(this);
}
void TEditor::DoTopColChange()
{
    if (OnTopColChange)
        OnTopColChange(this);
}
void TEditor::DoTopRowChange()
{
    if (OnTopRowChange)
        OnTopRowChange(this);
}

void TEditor::showEvent(QShowEvent* e)
{
    QAbstractScrollArea::showEvent(e);
    if (!m_handleAllocated) {
        m_handleAllocated = true;
        UpdateFontMetrics();
        UpdateScrollRange();
        UpdateRuler();
    }
}

void TEditor::resizeEvent(QResizeEvent* e)
{
    QAbstractScrollArea::resizeEvent(e);
    if (m_handleAllocated)
        RecalcLayout();
}

void TEditor::changeEvent(QEvent* e)
{
    QAbstractScrollArea::changeEvent(e);
    if (e->type() == QEvent::FontChange && m_handleAllocated) {
        if (m_topCol > 0)
            SetCol(0);
        UpdateFontMetrics();
        UpdateScrollRange();
        UpdateRuler();
        UpdateCaret();
        viewport()->update();
    } else if (e->type() == QEvent::FontChange) {
        ComputeCharWidths();
    }
}

void TEditor::focusInEvent(QFocusEvent* e)
{
    QAbstractScrollArea::focusInEvent(e);
    RecreateEditorCaret();
    PlaceCaret();
    ShowEditorCaret();
}

void TEditor::focusOutEvent(QFocusEvent* e)
{
    QAbstractScrollArea::focusOutEvent(e);
    if (m_caretShowing) {
        m_caretShowing = false;
        InvalidateCaret();
    }
    m_blinkTimer.stop();
}

bool TEditor::viewportEvent(QEvent* e)
{
    // While a selection drag is armed or running, or the left button is held, double clicks,
    // other buttons and the wheel are ignored.
    if (m_leftButtonDown || m_selDragState != sdNone) {
        switch (e->type()) {
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
            return true;
        case QEvent::MouseButtonPress:
            if (static_cast<QMouseEvent*>(e)->button() != Qt::LeftButton)
                return true;
            break;
        default:
            break;
        }
    }
    return QAbstractScrollArea::viewportEvent(e);
}

void TEditor::mousePressEvent(QMouseEvent* e)
{
    if (!hasFocus())
        setFocus(Qt::MouseFocusReason);
    if (e->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(e);
        return;
    }
    const QPoint p = e->position().toPoint();
    int col, row;
    if (e->modifiers() & Qt::ShiftModifier) {
        if (!SelectedData())
            StartSelection();
        PosToRowCol(p.x(), p.y(), true, col, row);
        SetRowCol(row, col);
        UpdateSelection();
    } else {
        m_mouseSelStartPos = p;
        PosToRowCol(p.x(), p.y(), false, col, row);
        bool inSel = false;
        if (CanSelDrag() && p.x() > LeftMargin()) {
            const auto& d = m_selDraw;
            inSel = std::pair(row, col) >= std::pair(d.Sr, d.Sc) && std::pair(row, col) < std::pair(d.Er, d.Ec);
        }
        if (inSel) {
            SetRowCol(row, col);
            if (m_caret->SelDragMode == dmAutomatic)
                BeginSelDrag();
        } else {
            PosToRowCol(p.x(), p.y(), true, col, row);
            if (p.x() < LeftMargin() && m_caret->RowSelect) {
                m_leftButtonDown = true;
                StartRowSelection(row);
            } else {
                BeginCaretUpdate();
                CleanSelection();
                SetRowCol(row, col);
                StartSelection();
                EndCaretUpdate();
            }
        }
    }
    m_leftButtonDown = true;
    QAbstractScrollArea::mousePressEvent(e);
}

void TEditor::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint p = e->position().toPoint();
    int col, row;
    if (m_selDragState == sdInit) {
        if (std::abs(p.x() - m_mouseSelStartPos.x()) >= m_fontWidth / 2
            || std::abs(p.y() - m_mouseSelStartPos.y()) >= m_fontWidth / 2)
            DragSelMove();
    } else if (m_selDragState == sdDragging) {
        PosToRowCol(p.x(), p.y(), false, col, row);
        if (p.y() < TopMargin())
            row = std::max(0, row - 1);
        SetRowCol(row, col);
    } else if (m_leftButtonDown && (e->buttons() & Qt::LeftButton)) {
        PosToRowCol(p.x(), p.y(), true, col, row);
        if (p.y() < TopMargin())
            row = std::max(0, row - 1);
        if (m_rowSelecting) {
            UpdateRowSelection(row);
        } else {
            SetRowCol(std::max(0, row), col);
            if (SelectedData()) {
                UpdateSelection();
            } else if (m_selectionState == sstInit
                       && (std::abs(p.x() - m_mouseSelStartPos.x()) >= m_fontWidth / 2
                           || std::abs(p.y() - m_mouseSelStartPos.y()) >= m_fontWidth / 2)) {
                UpdateSelection();
            }
        }
    } else {
        if (p.x() < LeftMargin())
            SetCursorState(mcLeftMargin);
        else if (p.y() < TopMargin())
            SetCursorState(mcTopMargin);
        else
            SetCursorState(mcClient);
    }
    QAbstractScrollArea::mouseMoveEvent(e);
}

void TEditor::mouseReleaseEvent(QMouseEvent* e)
{
    QAbstractScrollArea::mouseReleaseEvent(e);
    if (e->button() != Qt::LeftButton)
        return;
    m_leftButtonDown = false;
    if (m_selDragState == sdDragging)
        EndSelDrag();
    else if (m_selDragState == sdInit)
        CancelSelDrag();
    m_rowSelecting = false;
}

void TEditor::mouseDoubleClickEvent(QMouseEvent* e)
{
    QAbstractScrollArea::mouseDoubleClickEvent(e);
}

void TEditor::inputMethodEvent(QInputMethodEvent* e)
{
    const QString commit = e->commitString();
    const QRect oldPre = m_preedit.isEmpty() ? QRect() : RowRect(m_row);
    if (!commit.isEmpty() && !m_readOnly) {
        for (QChar c : commit)
            RecordKey(0x0286, c.unicode(), 1, Qt::NoModifier);
        PutStringToLine(commit);
    }
    m_preedit = e->preeditString();
    m_preeditCursor = int(m_preedit.size());
    for (const QInputMethodEvent::Attribute& a : e->attributes())
        if (a.type == QInputMethodEvent::Cursor)
            m_preeditCursor = a.start;
    if (!oldPre.isNull())
        viewport()->update(oldPre);
    if (!m_preedit.isEmpty())
        viewport()->update(RowRect(m_row));
    // The caret stays hidden while a composition is shown.
    if (!m_preedit.isEmpty() && m_caretShowing)
        HideEditorCaret();
    else if (m_preedit.isEmpty())
        ShowEditorCaret();
    e->accept();
}

QVariant TEditor::inputMethodQuery(Qt::InputMethodQuery q) const
{
    switch (q) {
    case Qt::ImEnabled:
        return !m_readOnly;
    case Qt::ImCursorRectangle: {
        const QPoint p(LeftMargin() + (m_col - m_topCol) * m_fontWidth, TopMargin() + (m_row - m_topRow) * RowHeight());
        return QRect(viewport()->mapTo(this, p), QSize(2, m_fontHeight));
    }
    case Qt::ImFont:
        return font();
    case Qt::ImCursorPosition: {
        const QString map = GetColumnMap(GetRowString(m_row));
        return std::min(int(GetRowString(m_row).size()), m_col - ColumnMapExtra(map, m_col));
    }
    case Qt::ImSurroundingText:
        return GetRowString(m_row);
    case Qt::ImCurrentSelection:
        return SelText();
    default:
        return QAbstractScrollArea::inputMethodQuery(q);
    }
}

} // namespace qv
