#include "controls/grid/grid_base.h"

#include <QApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QToolButton>

namespace qv {

// ---------------------------------------------------------------------------------------------
// TInplaceEditList

TInplaceEditList::TInplaceEditList(TqvCustomGrid* grid) : QLineEdit(grid->viewport()), m_grid(grid)
{
    setFrame(false);
    hide();
    connect(this, &QLineEdit::textEdited, this, [this](const QString& t) {
        m_grid->SetEditText(m_grid->Col(), m_grid->Row(), t);
    });
}

TInplaceEditList::~TInplaceEditList()
{
    // The list goes first and without this filter: its own destruction must not reach
    // eventFilter, which asks the (then half-destroyed) list for its viewport.
    if (QListWidget* list = m_list) {
        list->removeEventFilter(this);
        if (list->viewport())
            list->viewport()->removeEventFilter(this);
        m_list = nullptr;
        delete list;
    }
}

void TInplaceEditList::SetEditStyle(TEditStyle s)
{
    if (s == m_style)
        return;
    if (m_listVisible)
        CloseUp(false);
    m_style = s;
    UpdateButton();
}

void TInplaceEditList::UpdateButton()
{
    if (m_style == TEditStyle::esSimple) {
        if (m_button)
            m_button->hide();
        setTextMargins(0, 0, 0, 0);
        return;
    }
    if (!m_button) {
        m_button = new QToolButton(this);
        m_button->setCursor(Qt::ArrowCursor);
        m_button->setFocusPolicy(Qt::NoFocus);
        connect(m_button, &QToolButton::clicked, this, [this] {
            if (m_style == TEditStyle::esEllipsis)
                EditButtonClick();
            else if (m_listVisible)
                CloseUp(false);
            else
                DropDown();
        });
    }
    if (m_style == TEditStyle::esEllipsis) {
        m_button->setArrowType(Qt::NoArrow);
        m_button->setText(QStringLiteral("…"));
    } else {
        m_button->setText({});
        m_button->setArrowType(Qt::DownArrow);
    }
    m_button->show();
    resizeEvent(nullptr);
}

void TInplaceEditList::resizeEvent(QResizeEvent* e)
{
    if (e)
        QLineEdit::resizeEvent(e);
    if (m_button && m_style != TEditStyle::esSimple) {
        const int w = qMin(height(), 18);
        m_button->setGeometry(width() - w, 0, w, height());
        setTextMargins(0, 0, w, 0);
    }
}

QListWidget* TInplaceEditList::PickList()
{
    if (!m_list) {
        m_list = new QListWidget;
        m_list->setWindowFlags(Qt::Popup | Qt::FramelessWindowHint);
        m_list->setFocusPolicy(Qt::NoFocus);
        m_list->installEventFilter(this);
        m_list->viewport()->installEventFilter(this);
        connect(m_list, &QListWidget::itemClicked, this, [this] { CloseUp(true); });
    }
    return m_list;
}

void TInplaceEditList::DropDown()
{
    if (m_listVisible)
        return;
    QListWidget* list = PickList();
    DoGetPickListItems();
    const int rows = qMax(1, qMin(m_dropDownRows, list->count()));
    const int rowH = list->sizeHintForRow(0) > 0 ? list->sizeHintForRow(0) : fontMetrics().height() + 2;
    list->setFont(font());
    list->resize(qMax(width(), list->sizeHintForColumn(0) + 24), rows * rowH + 2 * list->frameWidth());
    const auto items = list->findItems(text(), Qt::MatchFixedString);
    list->setCurrentItem(items.isEmpty() ? nullptr : items.first());
    list->move(mapToGlobal(QPoint(0, height())));
    m_listVisible = true;
    list->show();
}

void TInplaceEditList::CloseUp(bool accept)
{
    if (!m_listVisible)
        return;
    const int index = m_list->currentRow();
    const QString value = index >= 0 ? m_list->item(index)->text() : QString();
    m_list->hide();
    m_listVisible = false;
    update();
    if (accept && index >= 0 && !value.isNull() && m_grid->CanEditModify()) {
        setText(value);
        m_grid->SetEditText(m_grid->Col(), m_grid->Row(), value);
        selectAll();
    }
    if (accept)
        ListAccepted(index);
}

void TInplaceEditList::EditButtonClick()
{
    m_grid->EditButtonClick();
}

void TInplaceEditList::UpdateContents()
{
    const int c = m_grid->Col(), r = m_grid->Row();
    SetEditStyle(m_grid->GetEditStyle(c, r));
    SetEditLimit(m_grid->GetEditLimit());
    setText(m_grid->GetEditText(c, r));
    setReadOnly(m_grid->EditorReadOnly());
    selectAll();
}

void TInplaceEditList::SendKeyToGrid(QKeyEvent* e)
{
    m_grid->GridKeyDown(e);
}

void TInplaceEditList::keyPressEvent(QKeyEvent* e)
{
    if (m_listVisible) {
        switch (e->key()) {
        case Qt::Key_Return: case Qt::Key_Enter: CloseUp(true); return;
        case Qt::Key_Escape: CloseUp(false); return;
        case Qt::Key_Up: case Qt::Key_Down: case Qt::Key_PageUp: case Qt::Key_PageDown:
            QApplication::sendEvent(m_list, e);
            return;
        default: break;
        }
    }
    if (m_style == TEditStyle::esPickList && e->key() == Qt::Key_Down && (e->modifiers() & Qt::AltModifier)) {
        DropDown();
        return;
    }
    switch (e->key()) {
    case Qt::Key_Up: case Qt::Key_Down: case Qt::Key_PageUp: case Qt::Key_PageDown:
    case Qt::Key_Tab: case Qt::Key_Backtab: case Qt::Key_Escape: case Qt::Key_Return: case Qt::Key_Enter:
        SendKeyToGrid(e);
        return;
    case Qt::Key_Left:
        if (cursorPosition() == 0 && !hasSelectedText()) { SendKeyToGrid(e); return; }
        break;
    case Qt::Key_Right:
        if (cursorPosition() == text().size() && !hasSelectedText()) { SendKeyToGrid(e); return; }
        break;
    case Qt::Key_Home: case Qt::Key_End:
        if (e->modifiers() & Qt::ControlModifier) { SendKeyToGrid(e); return; }
        break;
    default: break;
    }
    QLineEdit::keyPressEvent(e);
}

void TInplaceEditList::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (m_style == TEditStyle::esPickList) {
        // Step to the next value of the list.
        QListWidget* list = PickList();
        DoGetPickListItems();
        if (list->count() > 0) {
            const auto items = list->findItems(text(), Qt::MatchFixedString);
            int i = items.isEmpty() ? -1 : list->row(items.first());
            i = (i + 1) % list->count();
            list->setCurrentRow(i);
            m_listVisible = true;   // CloseUp works on a list that is "down"
            CloseUp(true);
        }
        return;
    }
    QLineEdit::mouseDoubleClickEvent(e);
}

void TInplaceEditList::focusOutEvent(QFocusEvent* e)
{
    if (m_listVisible && e->reason() != Qt::PopupFocusReason)
        CloseUp(false);
    QLineEdit::focusOutEvent(e);
    if (e->reason() != Qt::PopupFocusReason)
        m_grid->CheckFocusLeft();
}

bool TInplaceEditList::event(QEvent* e)
{
    if (e->type() == QEvent::KeyPress) {
        auto* ke = static_cast<QKeyEvent*>(e);
        if ((ke->key() == Qt::Key_Tab || ke->key() == Qt::Key_Backtab) && (m_grid->GridOptions() & goTabs)) {
            keyPressEvent(ke);
            return true;
        }
    }
    if (e->type() == QEvent::ShortcutOverride) {
        auto* ke = static_cast<QKeyEvent*>(e);
        if (ke->matches(QKeySequence::Copy) || ke->matches(QKeySequence::Paste) || ke->key() == Qt::Key_Escape) {
            e->accept();
            return true;
        }
    }
    return QLineEdit::event(e);
}

bool TInplaceEditList::eventFilter(QObject* o, QEvent* e)
{
    if (m_list && (o == m_list || o == m_list->viewport())) {
        if (e->type() == QEvent::KeyPress) {
            keyPressEvent(static_cast<QKeyEvent*>(e));
            return true;
        }
        if (e->type() == QEvent::Hide && m_listVisible) {
            m_listVisible = false;
        }
    }
    return QLineEdit::eventFilter(o, e);
}

// ---------------------------------------------------------------------------------------------
// TqvCustomGrid

TqvCustomGrid::TqvCustomGrid(QWidget* parent) : QAbstractScrollArea(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_colWidths.assign(5, m_defaultColWidth);
    m_rowHeights.assign(5, m_defaultRowHeight);
    m_scrollTimer.setInterval(60);
    connect(&m_scrollTimer, &QTimer::timeout, this, &TqvCustomGrid::OnScrollTimer);
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this,
            [this](int a) { OnScrollAction(Qt::Vertical, a); });
    connect(horizontalScrollBar(), &QScrollBar::actionTriggered, this,
            [this](int a) { OnScrollAction(Qt::Horizontal, a); });
    connect(verticalScrollBar(), &QScrollBar::sliderReleased, this,
            [this] { VScroll(TScrollCode::ThumbPosition, verticalScrollBar()->sliderPosition()); });
    connect(horizontalScrollBar(), &QScrollBar::sliderReleased, this,
            [this] { HScroll(TScrollCode::ThumbPosition, horizontalScrollBar()->sliderPosition()); });
}

TqvCustomGrid::~TqvCustomGrid()
{
    // the editor goes first, so that no focus notice of it reaches a half-destroyed grid
    m_destroying = true;
    delete m_editor;
    m_editor = nullptr;
}

void TqvCustomGrid::SetColCount(int n)
{
    n = qMax(n, 0);
    if (n == ColCount())
        return;
    const int old = ColCount();
    m_colWidths.resize(size_t(n), m_defaultColWidth);
    if (m_fixedCols >= n && n > 0)
        m_fixedCols = n - 1;
    ClampTopLeft();
    if (m_col >= n)
        m_col = qMax(m_fixedCols, n - 1);
    SizeChanged(old, RowCount());
    UpdateScrollBars();
    viewport()->update();
}

void TqvCustomGrid::SetRowCount(int n)
{
    n = qMax(n, 0);
    if (n == RowCount())
        return;
    const int old = RowCount();
    m_rowHeights.resize(size_t(n), m_defaultRowHeight);
    if (m_fixedRows >= n && n > 0)
        m_fixedRows = n - 1;
    ClampTopLeft();
    if (m_row >= n)
        m_row = qMax(m_fixedRows, n - 1);
    SizeChanged(ColCount(), old);
    UpdateScrollBars();
    viewport()->update();
}

void TqvCustomGrid::SetFixedCols(int n)
{
    m_fixedCols = qBound(0, n, qMax(0, ColCount() - 1));
    if (m_col < m_fixedCols)
        m_col = m_fixedCols;
    ClampTopLeft();
    UpdateScrollBars();
    viewport()->update();
}

void TqvCustomGrid::SetFixedRows(int n)
{
    m_fixedRows = qBound(0, n, qMax(0, RowCount() - 1));
    if (m_row < m_fixedRows)
        m_row = m_fixedRows;
    ClampTopLeft();
    UpdateScrollBars();
    viewport()->update();
}

void TqvCustomGrid::SetDefaultColWidth(int w)
{
    m_defaultColWidth = w;
    std::fill(m_colWidths.begin(), m_colWidths.end(), w);
    ColWidthsChanged();
    UpdateScrollBars();
    viewport()->update();
}

void TqvCustomGrid::SetDefaultRowHeight(int h)
{
    m_defaultRowHeight = h;
    std::fill(m_rowHeights.begin(), m_rowHeights.end(), h);
    RowHeightsChanged();
    UpdateScrollBars();
    viewport()->update();
}

void TqvCustomGrid::SetColWidths(int c, int w)
{
    if (c < 0 || c >= ColCount() || m_colWidths[size_t(c)] == w)
        return;
    m_colWidths[size_t(c)] = w;
    ColWidthsChanged();
    UpdateScrollBars();
    MoveEditor();
    viewport()->update();
}

void TqvCustomGrid::SetRowHeights(int r, int h)
{
    if (r < 0 || r >= RowCount() || m_rowHeights[size_t(r)] == h)
        return;
    m_rowHeights[size_t(r)] = h;
    RowHeightsChanged();
    UpdateScrollBars();
    MoveEditor();
    viewport()->update();
}

void TqvCustomGrid::SetGridOptions(TGridOptions o)
{
    if (o == m_gridOptions)
        return;
    m_gridOptions = o;
    if (!(o & goEditing))
        HideEditor(), m_editorMode = false;
    else if (o & goAlwaysShowEditor)
        m_editorMode = true;
    UpdateScrollBars();
    viewport()->update();
}

int TqvCustomGrid::VisibleRowCount() const
{
    int h = viewport()->height();
    const int lw = (m_gridOptions & (goHorzLine | goFixedHorzLine)) ? m_gridLineWidth : 0;
    for (int r = 0; r < m_fixedRows && r < RowCount(); ++r)
        h -= RowAdv(r, lw);
    int n = 0;
    for (int r = m_topRow; r < RowCount(); ++r) {
        h -= RowAdv(r, lw);
        if (h < 0)
            break;
        ++n;
    }
    return n;
}

int TqvCustomGrid::VisibleColCount() const
{
    int w = viewport()->width();
    const int lw = (m_gridOptions & (goVertLine | goFixedVertLine)) ? m_gridLineWidth : 0;
    for (int c = 0; c < m_fixedCols && c < ColCount(); ++c)
        w -= ColAdv(c, lw);
    int n = 0;
    for (int c = m_leftCol; c < ColCount(); ++c) {
        w -= ColAdv(c, lw);
        if (w < 0)
            break;
        ++n;
    }
    return n;
}

QRect TqvCustomGrid::CellRect(int c, int r) const
{
    if (c < 0 || r < 0 || c >= ColCount() || r >= RowCount())
        return {};
    if ((c >= m_fixedCols && c < m_leftCol) || (r >= m_fixedRows && r < m_topRow))
        return {};
    const int vlw = (m_gridOptions & (goVertLine | goFixedVertLine)) ? m_gridLineWidth : 0;
    const int hlw = (m_gridOptions & (goHorzLine | goFixedHorzLine)) ? m_gridLineWidth : 0;
    int x = 0;
    for (int i = 0; i < m_fixedCols && i < c; ++i)
        x += ColAdv(i, vlw);
    if (c >= m_fixedCols)
        for (int i = m_leftCol; i < c; ++i)
            x += ColAdv(i, vlw);
    int y = 0;
    for (int i = 0; i < m_fixedRows && i < r; ++i)
        y += RowAdv(i, hlw);
    if (r >= m_fixedRows)
        for (int i = m_topRow; i < r; ++i)
            y += RowAdv(i, hlw);
    if (x > viewport()->width() || y > viewport()->height())
        return {};
    return QRect(x, y, ColWidths(c), RowHeights(r));
}

TGridCoord TqvCustomGrid::MouseCoord(int x, int y) const
{
    const int vlw = (m_gridOptions & (goVertLine | goFixedVertLine)) ? m_gridLineWidth : 0;
    const int hlw = (m_gridOptions & (goHorzLine | goFixedHorzLine)) ? m_gridLineWidth : 0;
    TGridCoord g;
    int pos = 0;
    for (int c = 0; c < ColCount(); ++c) {
        if (c >= m_fixedCols && c < m_leftCol)
            continue;
        const int w = ColAdv(c, vlw);
        if (x >= pos && x < pos + w) { g.X = c; break; }
        pos += w;
    }
    pos = 0;
    for (int r = 0; r < RowCount(); ++r) {
        if (r >= m_fixedRows && r < m_topRow)
            continue;
        const int h = RowAdv(r, hlw);
        if (y >= pos && y < pos + h) { g.Y = r; break; }
        pos += h;
        if (pos > viewport()->height())
            break;
    }
    if (g.X < 0 || g.Y < 0)
        return {};
    return g;
}

void TqvCustomGrid::ClampTopLeft()
{
    if (m_topRow < m_fixedRows)
        m_topRow = m_fixedRows;
    if (m_leftCol < m_fixedCols)
        m_leftCol = m_fixedCols;
    if (m_topRow >= RowCount())
        m_topRow = qMax(m_fixedRows, RowCount() - 1);
    if (m_leftCol >= ColCount())
        m_leftCol = qMax(m_fixedCols, ColCount() - 1);
}

void TqvCustomGrid::SetTopRow(int r)
{
    r = qBound(m_fixedRows, r, qMax(m_fixedRows, RowCount() - 1));
    if (r == m_topRow)
        return;
    m_topRow = r;
    TopLeftChanged();
    UpdateScrollBars();
    MoveEditor();
    viewport()->update();
}

void TqvCustomGrid::SetLeftCol(int c)
{
    c = qBound(m_fixedCols, c, qMax(m_fixedCols, ColCount() - 1));
    if (c == m_leftCol)
        return;
    m_leftCol = c;
    TopLeftChanged();
    UpdateScrollBars();
    MoveEditor();
    viewport()->update();
}

void TqvCustomGrid::MakeCurrentVisible()
{
    bool changed = false;
    if (m_row >= m_fixedRows) {
        if (m_row < m_topRow) { m_topRow = m_row; changed = true; }
        else {
            while (m_topRow < m_row && m_row >= m_topRow + qMax(1, VisibleRowCount())) { ++m_topRow; changed = true; }
        }
    }
    if (m_col >= m_fixedCols) {
        if (m_col < m_leftCol) { m_leftCol = m_col; changed = true; }
        else {
            while (m_leftCol < m_col && m_col >= m_leftCol + qMax(1, VisibleColCount())) { ++m_leftCol; changed = true; }
        }
    }
    if (changed) {
        TopLeftChanged();
        UpdateScrollBars();
        viewport()->update();
    }
}

void TqvCustomGrid::FocusCell(int c, int r, bool fireSelect)
{
    MoveCurrent(c, r, fireSelect, true);
}

void TqvCustomGrid::MoveCurrent(int c, int r, bool fireSelect, bool show)
{
    if (c < 0 || r < 0 || c >= ColCount() || r >= RowCount())
        return;
    if (c == m_col && r == m_row)
        return;
    if (fireSelect && !SelectCell(c, r))
        return;
    const bool wasShown = m_editor && m_editor->isVisible();
    if (wasShown && m_editor->ListVisible())
        m_editor->CloseUp(false);
    InvalidateCell(m_col, m_row);
    if (m_gridOptions & goRowSelect)
        InvalidateRow(m_row);
    m_col = c;
    m_row = r;
    if (show)
        MakeCurrentVisible();
    InvalidateCell(m_col, m_row);
    if (m_gridOptions & goRowSelect)
        InvalidateRow(m_row);
    if (m_editorMode && CanEditShow()) {
        if (!m_editor || !m_editor->isVisible())
            ShowEditor();
        else {
            m_editor->UpdateContents();
            MoveEditor();
        }
    } else if (wasShown) {
        HideEditor();
    }
}

void TqvCustomGrid::InvalidateCell(int c, int r)
{
    const QRect rc = CellRect(c, r);
    if (!rc.isEmpty())
        viewport()->update(rc.adjusted(-1, -1, 1, 1));
}

void TqvCustomGrid::InvalidateCol(int c)
{
    const QRect rc = CellRect(c, 0).isEmpty() ? CellRect(c, m_topRow) : CellRect(c, 0);
    if (!rc.isEmpty())
        viewport()->update(QRect(rc.left() - 1, 0, rc.width() + 2, viewport()->height()));
}

void TqvCustomGrid::InvalidateRow(int r)
{
    const QRect rc = CellRect(0, r).isEmpty() ? CellRect(m_leftCol, r) : CellRect(0, r);
    if (!rc.isEmpty())
        viewport()->update(QRect(0, rc.top() - 1, viewport()->width(), rc.height() + 2));
}

// ----- editor

TInplaceEditList* TqvCustomGrid::CreateEditor()
{
    return new TInplaceEditList(this);
}

bool TqvCustomGrid::CanEditShow()
{
    return (m_gridOptions & goEditing) && !(m_gridOptions & goRowSelect)
           && (m_editorMode || (m_gridOptions & goAlwaysShowEditor))
           && m_col >= m_fixedCols && m_row >= m_fixedRows;
}

void TqvCustomGrid::SetEditorMode(bool on)
{
    if (on) {
        m_editorMode = true;
        ShowEditor();
    } else {
        if (!(m_gridOptions & goAlwaysShowEditor))
            m_editorMode = false;
        HideEditor();
    }
}

void TqvCustomGrid::ShowEditor()
{
    m_editorMode = true;
    if (!CanEditShow())
        return;
    if (!m_editor)
        m_editor = CreateEditor();
    MakeCurrentVisible();
    m_editor->UpdateContents();
    PlaceEditor();
    m_editor->show();
    if (hasFocus() || !QApplication::focusWidget() || isAncestorOf(QApplication::focusWidget()))
        m_editor->setFocus();
}

void TqvCustomGrid::HideEditor()
{
    if (!(m_gridOptions & goAlwaysShowEditor))
        m_editorMode = false;
    if (m_editor && m_editor->isVisible()) {
        if (m_editor->ListVisible())
            m_editor->CloseUp(false);
        const bool hadFocus = m_editor->hasFocus();
        m_editor->hide();
        if (hadFocus)
            setFocus();
    }
}

void TqvCustomGrid::UpdateEditor()
{
    if (m_editor && m_editor->isVisible()) {
        m_editor->UpdateContents();
        MoveEditor();
    }
}

void TqvCustomGrid::MoveEditor()
{
    if (!m_editor || !m_editor->isVisible())
        return;
    PlaceEditor();
}

void TqvCustomGrid::PlaceEditor()
{
    const QRect rc = CellRect(m_col, m_row);
    if (rc.isEmpty())
        m_editor->move(-10000, -10000);
    else
        m_editor->setGeometry(rc);
}

// ----- painting

void TqvCustomGrid::DrawCell(QPainter& p, int c, int r, const QRect& rect, TGridDrawState state)
{
    (void)c; (void)r;
    p.fillRect(rect, (state & gdFixed) ? palette().color(QPalette::Button) : palette().color(QPalette::Base));
}

void TqvCustomGrid::paintEvent(QPaintEvent* e)
{
    QPainter p(viewport());
    p.fillRect(e->rect(), palette().color(QPalette::Base));
    const int vlw = (m_gridOptions & (goVertLine | goFixedVertLine)) ? m_gridLineWidth : 0;
    const int hlw = (m_gridOptions & (goHorzLine | goFixedHorzLine)) ? m_gridLineWidth : 0;
    const int vw = viewport()->width(), vh = viewport()->height();
    std::vector<int> cols, rows;
    for (int c = 0; c < m_fixedCols && c < ColCount(); ++c) cols.push_back(c);
    {
        int x = 0;
        for (int c : cols) x += ColAdv(c, vlw);
        for (int c = m_leftCol; c < ColCount() && x < vw; ++c) { cols.push_back(c); x += ColAdv(c, vlw); }
    }
    for (int r = 0; r < m_fixedRows && r < RowCount(); ++r) rows.push_back(r);
    {
        int y = 0;
        for (int r : rows) y += RowAdv(r, hlw);
        for (int r = m_topRow; r < RowCount() && y < vh; ++r) { rows.push_back(r); y += RowAdv(r, hlw); }
    }
    const QColor lineColor = palette().color(QPalette::Mid);
    const QColor fixedLine = palette().color(QPalette::Dark);
    int gridRight = 0, gridBottom = 0;
    int y = 0;
    for (int r : rows) {
        int x = 0;
        const int h = RowHeights(r);
        for (int c : cols) {
            const int w = ColWidths(c);
            const QRect rc(x, y, w, h);
            if (w > 0 && h > 0 && rc.intersects(e->rect())) {
                TGridDrawState st = 0;
                const bool fixed = c < m_fixedCols || r < m_fixedRows;
                if (fixed)
                    st |= gdFixed;
                else if ((r == m_row && c == m_col) || ((m_gridOptions & goRowSelect) && r == m_row)) {
                    st |= gdSelected;
                    if (hasFocus() || (m_editor && m_editor->hasFocus()))
                        st |= gdFocused;
                }
                p.save();
                p.setClipRect(rc);
                DrawCell(p, c, r, rc, st);
                p.restore();
            }
            if (vlw > 0 && w >= 0) {
                const bool fixed = c < m_fixedCols || r < m_fixedRows;
                if (fixed ? (m_gridOptions & goFixedVertLine) : (m_gridOptions & goVertLine)) {
                    p.fillRect(QRect(x + w, y, vlw, h + hlw), fixed ? fixedLine : lineColor);
                }
            }
            x += ColAdv(c, vlw);
        }
        gridRight = x;
        if (hlw > 0 && h >= 0) {
            int lx = 0;
            for (int c : cols) {
                const bool fixed = c < m_fixedCols || r < m_fixedRows;
                if (fixed ? (m_gridOptions & goFixedHorzLine) : (m_gridOptions & goHorzLine))
                    p.fillRect(QRect(lx, y + h, ColAdv(c, vlw), hlw), fixed ? fixedLine : lineColor);
                lx += ColAdv(c, vlw);
            }
        }
        y += RowAdv(r, hlw);
    }
    gridBottom = y;
    (void)gridRight; (void)gridBottom;
    if (m_movingCol >= 0 && m_moveTarget >= 0) {
        const QRect rc = CellRect(m_moveTarget, 0);
        if (!rc.isEmpty()) {
            p.fillRect(QRect(m_moveTarget > m_movingCol ? rc.right() : rc.left() - 1, 0, 2, vh), Qt::black);
        }
    }
}

// ----- scrolling

void TqvCustomGrid::SetScrollInfo(Qt::Orientation o, const TScrollInfo& info)
{
    TScrollInfo& held = o == Qt::Vertical ? m_vInfo : m_hInfo;
    if (held == info)
        return;
    held = info;
    QScrollBar* bar = o == Qt::Vertical ? verticalScrollBar() : horizontalScrollBar();
    m_suppressScrollSignals = true;
    const int page = qMax(info.Page, 1);
    const int qmax = qMax(info.Min, info.Max - page + 1);
    bar->setRange(info.Min, qmax);
    bar->setPageStep(page);
    bar->setSingleStep(1);
    bar->setValue(qBound(info.Min, info.Pos, qmax));
    bar->setEnabled(info.Max - info.Min + 1 > info.Page && info.Page >= 0 && info.Max > info.Min);
    m_suppressScrollSignals = false;
}

void TqvCustomGrid::UpdateScrollBars()
{
    if (!m_ownVScroll)
        SetScrollInfo(Qt::Vertical, {m_fixedRows, RowCount() - 1, VisibleRowCount(), m_topRow});
    if (!m_ownHScroll)
        SetScrollInfo(Qt::Horizontal, {m_fixedCols, ColCount() - 1, VisibleColCount(), m_leftCol});
}

void TqvCustomGrid::OnScrollAction(Qt::Orientation o, int action)
{
    QScrollBar* bar = o == Qt::Vertical ? verticalScrollBar() : horizontalScrollBar();
    const int pos = bar->sliderPosition();
    TScrollCode code;
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: code = TScrollCode::LineDown; break;
    case QAbstractSlider::SliderSingleStepSub: code = TScrollCode::LineUp; break;
    case QAbstractSlider::SliderPageStepAdd: code = TScrollCode::PageDown; break;
    case QAbstractSlider::SliderPageStepSub: code = TScrollCode::PageUp; break;
    case QAbstractSlider::SliderToMinimum: code = TScrollCode::Top; break;
    case QAbstractSlider::SliderToMaximum: code = TScrollCode::Bottom; break;
    case QAbstractSlider::SliderMove: code = TScrollCode::ThumbTrack; break;
    default: return;
    }
    // The grid decides the new position itself: undo the bar's own step first.
    const TScrollInfo& held = o == Qt::Vertical ? m_vInfo : m_hInfo;
    if (code != TScrollCode::ThumbTrack)
        bar->setSliderPosition(held.Pos);
    if (o == Qt::Vertical)
        VScroll(code, pos);
    else
        HScroll(code, pos);
}

void TqvCustomGrid::VScroll(TScrollCode code, int pos)
{
    const int vis = qMax(1, VisibleRowCount());
    const int maxTop = qMax(m_fixedRows, RowCount() - vis);
    int top = m_topRow;
    switch (code) {
    case TScrollCode::LineUp: top = qMax(m_fixedRows, top - 1); break;
    case TScrollCode::LineDown: top = qMin(maxTop, top + 1); break;
    case TScrollCode::PageUp: top = qMax(m_fixedRows, top - vis / 2); break;
    case TScrollCode::PageDown: top = qMin(maxTop, top + vis / 2); break;
    case TScrollCode::ThumbPosition: case TScrollCode::ThumbTrack: top = qint16(pos); break;
    case TScrollCode::Top: top = m_fixedRows; break;
    case TScrollCode::Bottom: top = maxTop; break;
    default: return;
    }
    SetTopRow(top);
}

void TqvCustomGrid::HScroll(TScrollCode code, int pos)
{
    const int vis = qMax(1, VisibleColCount());
    const int maxLeft = qMax(m_fixedCols, ColCount() - vis);
    int left = m_leftCol;
    switch (code) {
    case TScrollCode::LineUp: left = qMax(m_fixedCols, left - 1); break;
    case TScrollCode::LineDown: left = qMin(maxLeft, left + 1); break;
    case TScrollCode::PageUp: left = qMax(m_fixedCols, left - vis / 2); break;
    case TScrollCode::PageDown: left = qMin(maxLeft, left + vis / 2); break;
    case TScrollCode::ThumbPosition: case TScrollCode::ThumbTrack: left = qint16(pos); break;
    case TScrollCode::Top: left = m_fixedCols; break;
    case TScrollCode::Bottom: left = maxLeft; break;
    default: return;
    }
    SetLeftCol(left);
}

void TqvCustomGrid::scrollContentsBy(int, int)
{
    // The grid scrolls by cells itself (VScroll / HScroll).
}

void TqvCustomGrid::resizeEvent(QResizeEvent* e)
{
    QAbstractScrollArea::resizeEvent(e);
    UpdateScrollBars();
    MoveEditor();
}

bool TqvCustomGrid::event(QEvent* e)
{
    if (e->type() == QEvent::KeyPress) {
        auto* ke = static_cast<QKeyEvent*>(e);
        if ((ke->key() == Qt::Key_Tab || ke->key() == Qt::Key_Backtab) && (m_gridOptions & goTabs)) {
            keyPressEvent(ke);
            return true;
        }
    }
    return QAbstractScrollArea::event(e);
}

bool TqvCustomGrid::viewportEvent(QEvent* e)
{
    return QAbstractScrollArea::viewportEvent(e);
}

void TqvCustomGrid::TimedScroll(int dx, int dy)
{
    int c = m_col, r = m_row;
    if (dy < 0 && m_topRow > m_fixedRows) r = m_topRow - 1;
    if (dy > 0) r = qMin(RowCount() - 1, m_topRow + VisibleRowCount());
    if (dx < 0 && m_leftCol > m_fixedCols) c = m_leftCol - 1;
    if (dx > 0) c = qMin(ColCount() - 1, m_leftCol + VisibleColCount());
    MoveCurrent(c, r, true, true);
}

void TqvCustomGrid::OnScrollTimer()
{
    if (!m_mouseDown) {
        m_scrollTimer.stop();
        return;
    }
    const QRect vr = viewport()->rect();
    const int dx = m_lastMouse.x() < 0 ? -1 : (m_lastMouse.x() >= vr.width() ? 1 : 0);
    const int dy = m_lastMouse.y() < 0 ? -1 : (m_lastMouse.y() >= vr.height() ? 1 : 0);
    if (dx == 0 && dy == 0) {
        m_scrollTimer.stop();
        return;
    }
    TimedScroll(dx, dy);
}

// ----- mouse

bool TqvCustomGrid::InSizingZone(int x, int y, int* col) const
{
    if (!(m_gridOptions & goColSizing))
        return false;
    const TGridCoord g = MouseCoord(x, y);
    if (g.Y < 0 || g.Y >= m_fixedRows)
        return false;
    for (int c = 0; c < ColCount(); ++c) {
        const QRect rc = CellRect(c, g.Y);
        if (rc.isEmpty())
            continue;
        if (qAbs(x - (rc.right() + 1)) <= 2) {
            if (col)
                *col = c;
            return true;
        }
    }
    return false;
}

void TqvCustomGrid::StartColumnSizing(int col, int x)
{
    m_sizingCol = col;
    m_sizingStartX = x;
    m_sizingStartW = ColWidths(col);
}

void TqvCustomGrid::StartColumnMoving(int col)
{
    if (!(m_gridOptions & goColMoving) || col < m_fixedCols || !BeginColumnDrag(col))
        return;
    m_movingCol = col;
    m_moveTarget = col;
}

void TqvCustomGrid::GridMousePress(QMouseEvent* e)
{
    const QPoint pt = e->position().toPoint();
    int sc;
    if (e->button() == Qt::LeftButton && InSizingZone(pt.x(), pt.y(), &sc)) {
        StartColumnSizing(sc, pt.x());
        return;
    }
    const TGridCoord g = MouseCoord(pt.x(), pt.y());
    if (g.X < 0)
        return;
    if (g.Y < m_fixedRows) {
        if (e->button() == Qt::LeftButton)
            StartColumnMoving(g.X);
        return;
    }
    if (g.X < m_fixedCols)
        return;
    const bool same = g.X == m_col && g.Y == m_row;
    MoveCurrent(g.X, g.Y, true, true);
    if (same && e->button() == Qt::LeftButton && (m_gridOptions & goEditing))
        SetEditorMode(true);
}

void TqvCustomGrid::GridMouseRelease(QMouseEvent*) {}

void TqvCustomGrid::mousePressEvent(QMouseEvent* e)
{
    m_wasSizing = false;
    m_mouseDown = true;
    m_lastMouse = e->position().toPoint();
    if (!hasFocus() && !(m_editor && m_editor->hasFocus()))
        setFocus(Qt::MouseFocusReason);
    GridMousePress(e);
}

void TqvCustomGrid::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint pt = e->position().toPoint();
    m_lastMouse = pt;
    if (m_sizingCol >= 0) {
        const int w = qMax(0, m_sizingStartW + pt.x() - m_sizingStartX);
        SetColWidths(m_sizingCol, w);
        return;
    }
    if (m_movingCol >= 0) {
        const TGridCoord g = MouseCoord(pt.x(), qMin(pt.y(), 1));
        if (g.X >= m_fixedCols && g.X != m_moveTarget) {
            m_moveTarget = g.X;
            viewport()->update();
        }
        return;
    }
    if (!m_mouseDown) {
        viewport()->setCursor(InSizingZone(pt.x(), pt.y()) ? Qt::SplitHCursor : Qt::ArrowCursor);
        return;
    }
    if (!viewport()->rect().contains(pt)) {
        if (!m_scrollTimer.isActive())
            m_scrollTimer.start();
    }
}

void TqvCustomGrid::mouseReleaseEvent(QMouseEvent* e)
{
    m_mouseDown = false;
    m_scrollTimer.stop();
    if (m_sizingCol >= 0) {
        m_sizingCol = -1;
        m_wasSizing = true;
    } else if (m_movingCol >= 0) {
        const int from = m_movingCol, to = m_moveTarget;
        m_movingCol = -1;
        m_moveTarget = -1;
        viewport()->update();
        if (to >= 0 && to != from)
            DoMoveColumn(from, to);
        else
            GridMouseRelease(e);
        return;
    }
    GridMouseRelease(e);
}

void TqvCustomGrid::mouseDoubleClickEvent(QMouseEvent* e)
{
    GridDoubleClick(e);
}

void TqvCustomGrid::wheelEvent(QWheelEvent* e)
{
    const int steps = e->angleDelta().y() / 120;
    if (steps == 0)
        return;
    for (int i = 0; i < qAbs(steps); ++i)
        VScroll(steps > 0 ? TScrollCode::LineUp : TScrollCode::LineDown, 0);
    e->accept();
}

void TqvCustomGrid::DoMoveColumn(int from, int to)
{
    if (from == to || from < 0 || to < 0 || from >= ColCount() || to >= ColCount())
        return;
    const int w = m_colWidths[size_t(from)];
    m_colWidths.erase(m_colWidths.begin() + from);
    m_colWidths.insert(m_colWidths.begin() + to, w);
    ColumnMoved(from, to);
    viewport()->update();
}

void TqvCustomGrid::DoMoveRow(int from, int to)
{
    if (from == to || from < 0 || to < 0 || from >= RowCount() || to >= RowCount())
        return;
    const int h = m_rowHeights[size_t(from)];
    m_rowHeights.erase(m_rowHeights.begin() + from);
    m_rowHeights.insert(m_rowHeights.begin() + to, h);
    RowMoved(from, to);
    viewport()->update();
}

void TqvCustomGrid::DeleteRowAt(int r)
{
    if (r < 0 || r >= RowCount())
        return;
    DoMoveRow(r, RowCount() - 1);
    SetRowCount(RowCount() - 1);
}

void TqvCustomGrid::ColumnMoved(int, int) {}
void TqvCustomGrid::RowMoved(int, int) {}

// ----- focus

void TqvCustomGrid::focusOutEvent(QFocusEvent* e)
{
    QAbstractScrollArea::focusOutEvent(e);
    if (e->reason() != Qt::PopupFocusReason)
        CheckFocusLeft();
}

void TqvCustomGrid::CheckFocusLeft()
{
    if (m_destroying)
        return;
    QWidget* now = QApplication::focusWidget();
    if (now && (now == this || isAncestorOf(now)))
        return;
    FocusLeft();
}

// ----- keys

void TqvCustomGrid::keyPressEvent(QKeyEvent* e)
{
    KeyDown(e);
    if (!e->isAccepted() || e->key() == 0)
        return;
    if (!e->text().isEmpty())
        KeyPress(e);
}

void TqvCustomGrid::KeyDown(QKeyEvent* e)
{
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    int c = m_col, r = m_row;
    const int vis = qMax(1, VisibleRowCount());
    switch (e->key()) {
    case Qt::Key_Up: r = ctrl ? m_topRow : r - 1; break;
    case Qt::Key_Down: r = ctrl ? qMin(RowCount() - 1, m_topRow + vis - 1) : r + 1; break;
    case Qt::Key_Left: c = ctrl ? m_leftCol : c - 1; break;
    case Qt::Key_Right: c = ctrl ? qMin(ColCount() - 1, m_leftCol + VisibleColCount() - 1) : c + 1; break;
    case Qt::Key_PageUp: r -= vis; break;
    case Qt::Key_PageDown: r += vis; break;
    case Qt::Key_Home: if (ctrl) r = m_fixedRows; c = m_fixedCols; break;
    case Qt::Key_End: if (ctrl) r = RowCount() - 1; c = ColCount() - 1; break;
    case Qt::Key_Tab:
        if (!(m_gridOptions & goTabs)) { e->ignore(); return; }
        if (++c >= ColCount()) { c = m_fixedCols; ++r; }
        break;
    case Qt::Key_Backtab:
        if (!(m_gridOptions & goTabs)) { e->ignore(); return; }
        if (--c < m_fixedCols) { c = ColCount() - 1; --r; }
        break;
    case Qt::Key_F2: SetEditorMode(true); return;
    case Qt::Key_Escape:
        if (m_editor && m_editor->isVisible() && !(m_gridOptions & goAlwaysShowEditor))
            HideEditor();
        return;
    default:
        return;
    }
    r = qBound(m_fixedRows, r, RowCount() - 1);
    c = qBound(m_fixedCols, c, ColCount() - 1);
    MoveCurrent(c, r, true, true);
}

void TqvCustomGrid::KeyPress(QKeyEvent* e)
{
    const QString t = e->text();
    if (t.isEmpty())
        return;
    const QChar ch = t.at(0);
    if (ch == QLatin1Char('\r') || ch == QLatin1Char('\n')) {
        if (m_gridOptions & goEditing) {
            if (m_editor && m_editor->isVisible() && !(m_gridOptions & goAlwaysShowEditor))
                HideEditor();
            else
                SetEditorMode(true);
        }
        return;
    }
    if (ch.isPrint() && (m_gridOptions & goEditing) && CanEditAcceptKey(ch)) {
        if (!m_editor || !m_editor->isVisible())
            ShowEditor();
        if (m_editor && m_editor->isVisible() && m_editor->hasFocus() == false)
            m_editor->setFocus();
        // The character goes to the editor once. A read-only editor refuses it, and Qt hands a
        // refused key on to the editor's parents, that is back to this grid: the grid keeps it.
        if (m_editor && m_editor->isVisible() && !m_editor->isReadOnly() && !m_passingKey) {
            m_passingKey = true;
            struct Reset { bool& b; ~Reset() { b = false; } } reset{m_passingKey};
            QKeyEvent copy(QEvent::KeyPress, e->key(), e->modifiers(), e->text());
            QApplication::sendEvent(m_editor, &copy);
        }
        e->accept();
    }
}

} // namespace qv
