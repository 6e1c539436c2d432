#include "controls/grid/string_grid.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QListWidget>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

namespace qv {

// ---------------------------------------------------------------------------------------------
// TqvInplaceEditor

TqvInplaceEditor::TqvInplaceEditor(TqvStringGrid* grid) : TInplaceEditList(grid)
{
    SetDropDownRows(20);
}

TqvStringGrid* TqvInplaceEditor::StringGrid() const
{
    return static_cast<TqvStringGrid*>(m_grid);
}

void TqvInplaceEditor::InputComplite()
{
    TqvStringGrid* g = StringGrid();
    if (g->Cells(g->Col(), g->Row()) != text())
        g->SetEditText(g->Col(), g->Row(), text());
}

void TqvInplaceEditor::UpdateContents()
{
    TInplaceEditList::UpdateContents();
    m_original = text();
    TqvStringGrid* g = StringGrid();
    if (g->OnShowEditor)
        g->OnShowEditor(g, g->Col(), g->Row(), this);
    if (g->EditStyles(g->Col()) == TqvGridEditStyle::geDropList)
        SetEditLimit(-1);
}

void TqvInplaceEditor::DoGetPickListItems()
{
    QStringList items;
    StringGrid()->GetPickListItems(StringGrid()->Col(), StringGrid()->Row(), items);
    PickList()->clear();
    PickList()->addItems(items);
}

void TqvInplaceEditor::ListAccepted(int index)
{
    TqvStringGrid* g = StringGrid();
    if (g->OnSelectListItems)
        g->OnSelectListItems(g, g->Col(), g->Row(), index);
}

void TqvInplaceEditor::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (EditStyle() == TEditStyle::esPickList) {
        QStringList items;
        StringGrid()->GetPickListItems(StringGrid()->Col(), StringGrid()->Row(), items);
        if (items.size() < 2)
            return;
    }
    TInplaceEditList::mouseDoubleClickEvent(e);
}

bool TqvInplaceEditor::CompleteFromList(QChar ch)
{
    if (EditStyle() != TEditStyle::esPickList)
        return false;
    const QString prefix = (hasSelectedText() ? text().left(selectionStart()) : text()) + ch;
    QStringList items;
    StringGrid()->GetPickListItems(StringGrid()->Col(), StringGrid()->Row(), items);
    for (const QString& item : items)
        if (item.startsWith(prefix, Qt::CaseInsensitive)) {
            setText(item);
            setSelection(int(prefix.size()), int(item.size() - prefix.size()));
            StringGrid()->SetEditText(StringGrid()->Col(), StringGrid()->Row(), item);
            return true;
        }
    return false;
}

void TqvInplaceEditor::keyPressEvent(QKeyEvent* e)
{
    TqvStringGrid* g = StringGrid();
    const TqvGridEditorMode mode = g->GridMode();
    const int key = e->key();
    if (ListVisible()) {
        TInplaceEditList::keyPressEvent(e);
        return;
    }
    if (mode == TqvGridEditorMode::geAccess
        && (key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Escape || key == Qt::Key_PageUp
            || key == Qt::Key_PageDown || key == Qt::Key_End || key == Qt::Key_Home || key == Qt::Key_Up
            || key == Qt::Key_Down))
        InputComplite();
    if (key == Qt::Key_Escape && mode != TqvGridEditorMode::geAccess) {
        // Esc drops what was typed into the cell since the editor came up
        if (text() != m_original) {
            setText(m_original);
            g->SetEditText(g->Col(), g->Row(), m_original);
        }
    }
    if (key == Qt::Key_Left || key == Qt::Key_Right) {
        InputComplite();
        if (mode == TqvGridEditorMode::geAccess && cursorPosition() == 0 && selectedText().size() == text().size()
            && (hasSelectedText() || text().isEmpty())) {
            SendKeyToGrid(e);
            return;
        }
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (mode == TqvGridEditorMode::geAccess) {
            InputComplite();
            g->GridEnter(e);
            return;
        }
        if (mode == TqvGridEditorMode::geExcel && EditStyle() == TEditStyle::esSimple) {
            g->GridEnter(e);
            return;
        }
    }
    if (key == Qt::Key_Down && EditStyle() == TEditStyle::esPickList) {
        if (mode != TqvGridEditorMode::geAccess || (e->modifiers() & Qt::AltModifier)) {
            DropDown();
            return;
        }
    }
    const QString t = e->text();
    if (t.size() == 1 && t.at(0).isPrint() && !(e->modifiers() & Qt::ControlModifier) && !isReadOnly()) {
        if (CompleteFromList(t.at(0)))
            return;
    }
    TInplaceEditList::keyPressEvent(e);
}

// ---------------------------------------------------------------------------------------------
// TqvStringGrid

TqvStringGrid::TqvStringGrid(QWidget* parent) : TqvCustomGrid(parent)
{
    SetGridOptions(GridOptions() | goEditing | goColSizing);
    // a bar with nothing to scroll is shown disabled rather than hidden
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    SizeChanged(0, 0);
    UpdateScrollBars();
}

TqvStringGrid::~TqvStringGrid() = default;

void TqvStringGrid::SizeChanged(int, int)
{
    const size_t rows = size_t(RowCount()), cols = size_t(ColCount());
    m_cells.resize(rows);
    m_objects.resize(rows);
    for (size_t r = 0; r < rows; ++r) {
        m_cells[r].resize(cols);
        m_objects[r].resize(cols, nullptr);
    }
    m_editStyles.resize(cols, TqvGridEditStyle::geSimple);
}

QString TqvStringGrid::Cells(int c, int r) const
{
    if (r < 0 || c < 0 || size_t(r) >= m_cells.size() || size_t(c) >= m_cells[size_t(r)].size())
        return {};
    return m_cells[size_t(r)][size_t(c)];
}

void TqvStringGrid::SetCells(int c, int r, const QString& v)
{
    if (r < 0 || c < 0 || r >= RowCount() || c >= ColCount())
        return;
    m_cells[size_t(r)][size_t(c)] = v;
    InvalidateCell(c, r);
    if (c == Col() && r == Row() && InplaceEditor() && InplaceEditor()->isVisible() && InplaceEditor()->text() != v)
        InplaceEditor()->setText(v);
}

void* TqvStringGrid::Objects(int c, int r) const
{
    if (r < 0 || c < 0 || r >= RowCount() || c >= ColCount())
        return nullptr;
    return m_objects[size_t(r)][size_t(c)];
}

void TqvStringGrid::SetObjects(int c, int r, void* o)
{
    if (r >= 0 && c >= 0 && r < RowCount() && c < ColCount())
        m_objects[size_t(r)][size_t(c)] = o;
}

QStringList TqvStringGrid::Rows(int r) const
{
    QStringList l;
    for (int c = 0; c < ColCount(); ++c)
        l << Cells(c, r);
    return l;
}

void TqvStringGrid::SetRows(int r, const QStringList& l)
{
    for (int c = 0; c < ColCount(); ++c)
        SetCells(c, r, c < l.size() ? l[c] : QString());
}

QStringList TqvStringGrid::Cols(int c) const
{
    QStringList l;
    for (int r = 0; r < RowCount(); ++r)
        l << Cells(c, r);
    return l;
}

void TqvStringGrid::SetCols(int c, const QStringList& l)
{
    for (int r = 0; r < RowCount(); ++r)
        SetCells(c, r, r < l.size() ? l[r] : QString());
}

void TqvStringGrid::SetGridMode(TqvGridEditorMode m)
{
    if (m == m_gridMode)
        return;
    if (m == TqvGridEditorMode::geAccess)
        SetGridOptions(GridOptions() | goAlwaysShowEditor);
    else
        SetGridOptions(GridOptions() & ~goAlwaysShowEditor);
    m_gridMode = m;
}

TqvGridEditStyle TqvStringGrid::EditStyles(int index) const
{
    if (index < 0 || size_t(index) >= m_editStyles.size())
        return TqvGridEditStyle::geSimple;
    return m_editStyles[size_t(index)];
}

void TqvStringGrid::SetEditStyles(int index, TqvGridEditStyle s)
{
    if (index >= 0 && size_t(index) < m_editStyles.size()) {
        m_editStyles[size_t(index)] = s;
        InvalidateCol(index);
    }
}

void TqvStringGrid::SetFlatCheckBox(bool f)
{
    if (f == m_flatCheckBox)
        return;
    m_flatCheckBox = f;
    InvalidateGrid();
}

static bool IsCheckStyle(TqvGridEditStyle s)
{
    return s == TqvGridEditStyle::geCheckBox || s == TqvGridEditStyle::geViewCheckBox;
}

bool TqvStringGrid::Checked(int c, int r) const
{
    return IsCheckStyle(EditStyles(c)) && Cells(c, r) == QLatin1String("1");
}

void TqvStringGrid::SetChecked(int c, int r, bool v)
{
    if (!IsCheckStyle(EditStyles(c)))
        return;
    const QString t = v ? QStringLiteral("1") : QString();
    SetCells(c, r, t);
    SetEditText(c, r, t);
}

bool TqvStringGrid::IsNull(int c, int r) const
{
    QString t = Cells(c, r);
    int b = 0, e = int(t.size());
    while (b < e && t.at(b).unicode() <= 32) ++b;
    while (e > b && t.at(e - 1).unicode() <= 32) --e;
    return b == e;
}

void TqvStringGrid::SetEditText(int c, int r, const QString& value)
{
    if (OnBeforeSetEditText)
        OnBeforeSetEditText(this, c, r, value);
    if (r >= 0 && c >= 0 && r < RowCount() && c < ColCount()) {
        m_cells[size_t(r)][size_t(c)] = value;
        InvalidateCell(c, r);
    }
    if (OnSetEditText)
        OnSetEditText(this, c, r, value);
}

TEditStyle TqvStringGrid::GetEditStyle(int c, int)
{
    switch (EditStyles(c)) {
    case TqvGridEditStyle::geEllipsis: return TEditStyle::esEllipsis;
    case TqvGridEditStyle::gePickList: case TqvGridEditStyle::geDropList: return TEditStyle::esPickList;
    default: return TEditStyle::esSimple;
    }
}

int TqvStringGrid::GetEditLimit()
{
    return EditStyles(Col()) == TqvGridEditStyle::geDropList ? -1 : 0;
}

void TqvStringGrid::GetPickListItems(int c, int r, QStringList& items)
{
    if (OnGetPickListitems)
        OnGetPickListitems(c, r, items);
}

TInplaceEditList* TqvStringGrid::CreateEditor()
{
    return new TqvInplaceEditor(this);
}

void TqvStringGrid::ColumnMoved(int from, int to)
{
    for (size_t r = 0; r < m_cells.size(); ++r) {
        auto& row = m_cells[r];
        QString v = row[size_t(from)];
        row.erase(row.begin() + from);
        row.insert(row.begin() + to, v);
        auto& orow = m_objects[r];
        void* o = orow[size_t(from)];
        orow.erase(orow.begin() + from);
        orow.insert(orow.begin() + to, o);
    }
}

void TqvStringGrid::RowMoved(int from, int to)
{
    auto row = std::move(m_cells[size_t(from)]);
    m_cells.erase(m_cells.begin() + from);
    m_cells.insert(m_cells.begin() + to, std::move(row));
    auto orow = std::move(m_objects[size_t(from)]);
    m_objects.erase(m_objects.begin() + from);
    m_objects.insert(m_objects.begin() + to, std::move(orow));
}

void TqvStringGrid::InsertRow(int index)
{
    SetRowCount(RowCount() + 1);
    const int last = RowCount() - 1;
    for (int c = 0; c < ColCount(); ++c) {
        m_cells[size_t(last)][size_t(c)].clear();
        m_objects[size_t(last)][size_t(c)] = nullptr;
    }
    DoMoveRow(last, index);
}

void TqvStringGrid::DeleteRow(int index)
{
    DeleteRowAt(index);
    if (index < RowCount() - 1)
        MoveCurrent(Col(), index, false, true);
    if (EditorMode()) {
        SetEditorMode(false);
        SetEditorMode(true);
    }
    InvalidateGrid();
}

void TqvStringGrid::InsertCol(int index)
{
    SetColCount(ColCount() + 1);
    const int last = ColCount() - 1;
    for (int r = 0; r < RowCount(); ++r) {
        m_cells[size_t(r)][size_t(last)].clear();
        m_objects[size_t(r)][size_t(last)] = nullptr;
    }
    DoMoveColumn(last, index);
    MoveCurrent(index, Row(), false, true);
}

void TqvStringGrid::RemoveColumn(int index)
{
    if (index >= ColCount())
        return;
    if (index < FixedCols())
        index = FixedCols();
    if (ColCount() - FixedCols() <= 1) {
        for (int r = 0; r < RowCount(); ++r)
            m_cells[size_t(r)][size_t(index)].clear();
    } else {
        for (int c = index; c < ColCount() - 1; ++c)
            for (int r = 0; r < RowCount(); ++r) {
                m_cells[size_t(r)][size_t(c)] = m_cells[size_t(r)][size_t(c + 1)];
                m_objects[size_t(r)][size_t(c)] = m_objects[size_t(r)][size_t(c + 1)];
            }
    }
    SetColCount(ColCount() - 1);
    InvalidateGrid();
}

void TqvStringGrid::Clear()
{
    setUpdatesEnabled(false);
    struct Redraw { TqvStringGrid* g; ~Redraw() { g->setUpdatesEnabled(true); g->InvalidateGrid(); } } redraw{this};
    for (int r = FixedRows(); r < RowCount(); ++r)
        for (int c = FixedCols(); c < ColCount(); ++c)
            m_cells[size_t(r)][size_t(c)].clear();
    MoveCurrent(FixedCols(), FixedRows(), false, true);
    SetRowCount(FixedRows() + 1);
    UpdateEditor();
}

// ----- snapshot

QString TqvStringGrid::RowText(int r) const
{
    if (r < 0 || r >= RowCount())
        return {};
    QString t;
    for (int c = 0; c < ColCount(); ++c)
        t += m_cells[size_t(r)][size_t(c)] + QLatin1String("\r\n");
    return t;
}

void TqvStringGrid::Save()
{
    m_saveRowCount = RowCount();
    m_saveRows.resize(size_t(m_saveRowCount));
    for (int r = 0; r < m_saveRowCount; ++r)
        m_saveRows[size_t(r)] = Rows(r);
}

QString TqvStringGrid::SaveCells(int c, int r) const
{
    if (r < 0 || r >= m_saveRowCount || c < 0 || c >= m_saveRows[size_t(r)].size())
        return {};
    return m_saveRows[size_t(r)][c];
}

QStringList TqvStringGrid::SaveCols(int c) const
{
    QStringList l;
    for (int r = 0; r < m_saveRowCount; ++r)
        l << SaveCells(c, r);
    return l;
}

static QString JoinLines(const QStringList& l)
{
    QString t;
    for (const QString& s : l)
        t += s + QLatin1String("\r\n");
    return t;
}

bool TqvStringGrid::IsChanged() const
{
    if (RowCount() != m_saveRowCount)
        return true;
    for (int r = 0; r < RowCount(); ++r)
        if (RowText(r) != JoinLines(m_saveRows[size_t(r)]))
            return true;
    return false;
}

bool TqvStringGrid::IsChangedRow(int r) const
{
    const QString now = r >= 0 && r < RowCount() ? RowText(r) : QString();
    const QString saved = r >= 0 && r < m_saveRowCount ? JoinLines(m_saveRows[size_t(r)]) : QString();
    return now != saved;
}

bool TqvStringGrid::IsChangedCol(int c) const
{
    if (RowCount() != m_saveRowCount || c < 0 || c >= ColCount() || m_saveRowCount == 0
        || c >= m_saveRows[0].size())
        return true;
    for (int r = 0; r < RowCount(); ++r)
        if (Cells(c, r) != SaveCells(c, r))
            return true;
    return false;
}

bool TqvStringGrid::IsChangedCell(int c, int r) const
{
    return Cells(c, r) != SaveCells(c, r);
}

// ----- drawing

QSize TqvStringGrid::CheckGlyphSize()
{
    const QStyle* s = QApplication::style();
    return QSize(s->pixelMetric(QStyle::PM_IndicatorWidth), s->pixelMetric(QStyle::PM_IndicatorHeight));
}

void TqvStringGrid::DrawCheck(QPainter& p, int c, int r, const QRect& rect, bool enabled)
{
    const QSize gs = CheckGlyphSize();
    const QRect gr(rect.left() + (rect.width() - gs.width()) / 2, rect.top() + (rect.height() - gs.height()) / 2,
                   gs.width(), gs.height());
    bool ok = false;
    const int v = Cells(c, r).trimmed().toInt(&ok);
    QStyleOptionButton opt;
    opt.initFrom(this);
    opt.rect = gr;
    opt.state = QStyle::State_None;
    if (enabled)
        opt.state |= QStyle::State_Enabled;
    else
        opt.state &= ~QStyle::State_Enabled;
    opt.state |= (ok && v == 1) ? QStyle::State_On : (ok && v == 2) ? QStyle::State_NoChange : QStyle::State_Off;
    style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &opt, &p, this);
    if (m_flatCheckBox) {
        p.save();
        p.setBrush(Qt::NoBrush);
        p.setPen(palette().color(QPalette::Base));
        p.drawRect(gr.adjusted(1, 1, -2, -2));
        p.setPen(palette().color(QPalette::Dark));
        p.drawRect(gr.adjusted(0, 0, -1, -1));
        p.restore();
    }
}

void TqvStringGrid::DrawCell(QPainter& p, int c, int r, const QRect& rect, TGridDrawState state)
{
    QColor bg = (state & gdFixed) ? palette().color(QPalette::Button) : palette().color(QPalette::Base);
    QColor fg = (state & gdFixed) ? palette().color(QPalette::ButtonText) : palette().color(QPalette::Text);
    if ((state & gdSelected) && !(state & gdFixed) && !(InplaceEditor() && InplaceEditor()->isVisible() && c == Col() && r == Row())) {
        bg = palette().color(QPalette::Highlight);
        fg = palette().color(QPalette::HighlightedText);
    }
    p.fillRect(rect, bg);
    p.setPen(fg);
    if (!(state & gdFixed) && IsCheckStyle(EditStyles(c))) {
        p.fillRect(rect, palette().color(QPalette::Base));
        DrawCheck(p, c, r, rect, true);
    } else {
        const QFontMetrics fm(font());
        p.drawText(QPoint(rect.left() + 2, rect.top() + 2 + fm.ascent()), Cells(c, r));
    }
    if (OnDrawCell)
        OnDrawCell(p, c, r, rect, state);
}

// ----- keys and mouse

void TqvStringGrid::GridEnter(QKeyEvent* e)
{
    const bool shift = e->modifiers() & Qt::ShiftModifier;
    switch (m_gridMode) {
    case TqvGridEditorMode::geAccess:
        if (Col() < ColCount() - 1)
            MoveCurrent(Col() + 1, Row(), true, true);
        return;
    case TqvGridEditorMode::geExcel:
        if (EditStyles(Col()) == TqvGridEditStyle::geSimple) {
            if (EditorMode())
                SetEditorMode(false);
            if (shift) {
                if (Row() > 1)
                    MoveCurrent(Col(), Row() - 1, true, true);
            } else if (Row() < RowCount() - 1) {
                MoveCurrent(Col(), Row() + 1, true, true);
            }
        }
        return;
    case TqvGridEditorMode::geNormal:
        return;
    }
}

void TqvStringGrid::keyPressEvent(QKeyEvent* e)
{
    if (e->matches(QKeySequence::Copy)) {
        CopyToClipboard();
        return;
    }
    TqvCustomGrid::keyPressEvent(e);
}

void TqvStringGrid::KeyDown(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        GridEnter(e);
        return;
    }
    TqvCustomGrid::KeyDown(e);
}

void TqvStringGrid::KeyPress(QKeyEvent* e)
{
    const QString t = e->text();
    if (t == QLatin1String("\r") || t == QLatin1String("\n")) {
        if (m_gridMode == TqvGridEditorMode::geAccess)
            return;
        if (m_gridMode == TqvGridEditorMode::geExcel && EditStyles(Col()) == TqvGridEditStyle::geSimple) {
            if (EditorMode())
                SetEditorMode(false);
            return;
        }
        TqvCustomGrid::KeyPress(e);
        return;
    }
    if (t.size() == 1 && t.at(0).unicode() >= 32 && t.at(0).unicode() <= 126
        && EditStyles(Col()) == TqvGridEditStyle::geCheckBox) {
        SetChecked(Col(), Row(), !Checked(Col(), Row()));
        return;
    }
    if (IsCheckStyle(EditStyles(Col())))
        return;
    TqvCustomGrid::KeyPress(e);
}

void TqvStringGrid::GridMousePress(QMouseEvent* e)
{
    TqvCustomGrid::GridMousePress(e);
    if (EditStyles(Col()) == TqvGridEditStyle::geCheckBox && Row() >= FixedRows()) {
        const TGridCoord g = MouseCoord(int(e->position().x()), int(e->position().y()));
        if (g.X >= FixedCols() && g.Y >= FixedRows())
            SetChecked(Col(), Row(), !Checked(Col(), Row()));
    }
}

void TqvStringGrid::focusInEvent(QFocusEvent* e)
{
    TqvCustomGrid::focusInEvent(e);
    if (OnSelectCell)
        OnSelectCell(Col(), Row());
    if (InplaceEditor() && OnShowEditor)
        OnShowEditor(this, Col(), Row(), InplaceEditorQv());
}

void TqvStringGrid::FocusLeft()
{
    if (EditorMode() && (GridOptions() & goEditing) && InplaceEditorQv())
        InplaceEditorQv()->InputComplite();
}

void TqvStringGrid::CopyToClipboard()
{
    if (InplaceEditor() && InplaceEditor()->isVisible() && InplaceEditor()->hasFocus()) {
        InplaceEditor()->copy();
        return;
    }
    QApplication::clipboard()->setText(Cells(Col(), Row()));
}

} // namespace qv
