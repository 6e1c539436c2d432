#include "controls/grid/data_grid.h"

#include "app/globals.h"
#include "app/wait_cursor.h"
#include "platform/db/connection.h"
#include "platform/db/query.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>

namespace qv {

namespace {
constexpr QEvent::Type kDeferredLayoutEvent = QEvent::Type(QEvent::User + 0x0464);
bool g_wholeRowMode = false;     // all record-per-row grids
bool g_wholeRecordMode = false;  // all record-per-column grids
constexpr int kIndicatorWidth = 11;

struct ControlsGuard {
    db::DataSet* ds;
    explicit ControlsGuard(db::DataSet* d) : ds(d) { ds->DisableControls(); }
    ~ControlsGuard() { ds->EnableControls(); }
};

} // namespace

std::function<bool(QWidget*, const QString&)>& TqvDataGrid::ConfirmHook()
{
    static std::function<bool(QWidget*, const QString&)> hook = [](QWidget* parent, const QString& text) {
        return QMessageBox::question(parent, QApplication::applicationName(), text,
                                     QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel)
               == QMessageBox::Ok;
    };
    return hook;
}

// ---------------------------------------------------------------------------------------------

TqvDataGrid::TqvDataGrid(bool transposed, QWidget* parent)
    : TqvCustomGrid(parent), m_dataLink(this), m_bookmarks(this), m_transposed(transposed)
{
    if (transposed)
        m_items = std::make_unique<TDBGridRows>(this);
    else
        m_items = std::make_unique<TDBGridColumns>(this);
    m_options = dgEditing | dgAlwaysShowEditor | dgTitles | dgIndicator | dgColumnResize | dgColLines
                | dgRowLines | dgTabs | dgConfirmDelete | dgCancelOnExit;
    AcquireSharedBitmap();
    if (transposed)
        m_ownHScroll = true;
    else
        m_ownVScroll = true;
    SetGridOptions(goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine | goColSizing | goColMoving
                   | goEditing | goTabs | goAlwaysShowEditor);
    SetColCount(2);
    SetRowCount(2);
    SetFixedCols(1);
    SetFixedRows(1);
    m_color = palette().color(QPalette::Base);
    m_fixedColor = palette().color(QPalette::Button);
    m_titleFont = font();
    InternalLayout();
}

TqvDataGrid::~TqvDataGrid()
{
    m_destroying = true;
    m_dataLink.Detach();
    ReleaseSharedBitmap();
}

TqvDBGridV::TqvDBGridV(QWidget* parent) : TqvDataGrid(false, parent) {}
TqvDBGridH::TqvDBGridH(QWidget* parent) : TqvDataGrid(true, parent)
{
    SetDefaultColWidth(64);
}

bool TqvDBGridV::WholeMode() const { return g_wholeRowMode; }
void TqvDBGridV::SetWholeMode(bool on) { g_wholeRowMode = on; }
bool TqvDBGridH::WholeMode() const { return g_wholeRecordMode; }
void TqvDBGridH::SetWholeMode(bool on) { g_wholeRecordMode = on; }

void TqvDataGrid::SetDataSource(db::DataSource* src)
{
    if (src == m_dataLink.DataSource())
        return;
    m_bookmarks.Clear();
    const bool wasActive = m_dataLink.Active();
    m_dataLink.SetDataSource(src);
    if (wasActive && m_dataLink.Active())
        LinkActiveChanged(true);   // another open data set: its own fields and records
    else if (!wasActive && !m_dataLink.Active())
        RequestLayout();
}

void TqvDataGrid::SetOptions(TDBGridOptions o)
{
    if (o & dgRowSelect)
        o &= ~(dgEditing | dgAlwaysShowEditor);
    if (o == m_options)
        return;
    TGridOptions g = 0;
    if (o & dgEditing) g |= goEditing;
    if (o & dgAlwaysShowEditor) g |= goAlwaysShowEditor;
    if (o & dgColumnResize) g |= goColSizing | goColMoving;
    if (o & dgColLines) g |= goFixedVertLine | goVertLine;
    if (o & dgRowLines) g |= goFixedHorzLine | goHorzLine;
    if (o & dgTabs) g |= goTabs;
    if (o & dgRowSelect) g |= goRowSelect;
    if ((m_options & dgMultiSelect) && !(o & dgMultiSelect))
        m_bookmarks.Clear();
    const TDBGridOptions layoutMembers = dgEditing | dgAlwaysShowEditor | dgTitles | dgIndicator | dgColLines
                                         | dgRowLines | dgRowSelect | dgAlwaysShowSelection;
    const bool relayout = (o ^ m_options) & layoutMembers;
    m_options = o;
    SetGridOptions(g);
    if (relayout)
        RequestLayout();
}

void TqvDataGrid::SetTitleFont(const QFont& f)
{
    m_titleFont = f;
    if (!m_selfChangingTitleFont)
        m_parentFont = false;
    if (m_options & dgTitles)
        RequestLayout();
}

void TqvDataGrid::SetGridFont(const QFont& f)
{
    setFont(f);
}

void TqvDataGrid::changeEvent(QEvent* e)
{
    TqvCustomGrid::changeEvent(e);
    if (e->type() == QEvent::FontChange) {
        if (m_parentFont) {
            m_selfChangingTitleFont = true;
            SetTitleFont(font());
            m_selfChangingTitleFont = false;
        }
        BeginLayout();
        EndLayout();
    }
}

TGridItem* TqvDataGrid::SelectedItem() const
{
    const int i = SelectedIndex();
    return i >= 0 && i < m_items->Count() ? m_items->Item(i) : nullptr;
}

db::Field* TqvDataGrid::SelectedField() const
{
    TGridItem* item = SelectedItem();
    return item ? item->Field() : nullptr;
}

void TqvDataGrid::SetSelectedField(db::Field* f)
{
    if (!f)
        return;
    for (int i = 0; i < m_items->Count(); ++i)
        if (m_items->Item(i)->Field() == f)
            MoveField(i + m_indicatorOffset, 0);
}

int TqvDataGrid::SelectedIndex() const
{
    return CurrentFieldRaw() - m_indicatorOffset;
}

void TqvDataGrid::SetSelectedIndex(int i)
{
    MoveField(i + m_indicatorOffset, 0);
}

// ----- layout brackets

void TqvDataGrid::BeginLayout()
{
    BeginUpdate();
    if (m_layoutLock++ == 0)
        m_items->BeginUpdate();
}

void TqvDataGrid::EndLayout()
{
    if (m_layoutLock == 1) {
        struct Close { TqvDataGrid* g; ~Close() { g->m_items->EndUpdate(); } } close{this};
        InternalLayout();
    }
    if (m_layoutLock > 0)
        --m_layoutLock;
    EndUpdate();
}

void TqvDataGrid::CancelLayout()
{
    if (m_layoutLock == 1)
        m_items->EndUpdate();
    if (m_layoutLock > 0)
        --m_layoutLock;
    EndUpdate();
}

bool TqvDataGrid::AcquireLayoutLock()
{
    if (m_updateLock == 0 && m_layoutLock == 0) {
        BeginLayout();
        return true;
    }
    return false;
}

void TqvDataGrid::RequestLayout()
{
    if (m_inLayout)
        return;
    if (AcquireLayoutLock()) {
        EndLayout();
        return;
    }
    if (m_layoutLock > 0)
        return;   // the bracket that ends last lays the grid out
    if (!m_deferredLayoutQueued) {
        m_deferredLayoutQueued = true;
        QCoreApplication::postEvent(this, new QEvent(kDeferredLayoutEvent));
    }
}

bool TqvDataGrid::event(QEvent* e)
{
    if (e->type() == kDeferredLayoutEvent) {
        m_deferredLayoutQueued = false;
        RequestLayout();
        return true;
    }
    if (e->type() == QEvent::ShortcutOverride) {
        auto* ke = static_cast<QKeyEvent*>(e);
        if (ke->matches(QKeySequence::Copy) || ke->matches(QKeySequence::Paste)) {
            e->accept();
            return true;
        }
    }
    return TqvCustomGrid::event(e);
}

// ----- layout pass

void TqvDataGrid::MapFields()
{
    db::DataSet* ds = m_dataLink.DataSet();
    if (m_items->State() == TDBGridColumnsState::csCustomized) {
        m_dataLink.SetSparseMap(true);
        for (int i = 0; i < m_items->Count(); ++i)
            m_dataLink.AddMapping(m_items->Item(i)->FieldName());
    } else {
        m_dataLink.SetSparseMap(false);
        QStringList names;
        for (db::Field* f : ds->Fields())
            if (f->Visible())
                names << f->FullName();
        // columns the user moved keep their order while the same fields are shown
        QStringList sorted = m_fieldOrder;
        std::sort(sorted.begin(), sorted.end());
        QStringList current = names;
        std::sort(current.begin(), current.end());
        if (sorted == current)
            names = m_fieldOrder;
        else
            m_fieldOrder.clear();
        for (const QString& n : names)
            m_dataLink.AddMapping(n);
    }
}

void TqvDataGrid::InternalLayout()
{
    if (m_inLayout)
        return;
    m_inLayout = true;
    struct Done { bool& b; ~Done() { b = false; } } done{m_inLayout};
    ++m_layoutPasses;
    // this pass does what a queued deferred layout would do
    QCoreApplication::removePostedEvents(this, kDeferredLayoutEvent);
    m_deferredLayoutQueued = false;

    // 1. default items go when a stored item follows one
    bool sawDefault = false, storedAfter = false;
    for (int i = 0; i < m_items->Count(); ++i) {
        if (!m_items->Item(i)->Stored()) sawDefault = true;
        else if (sawDefault) storedAfter = true;
    }
    if (storedAfter)
        for (int i = m_items->Count() - 1; i >= 0; --i)
            if (!m_items->Item(i)->Stored())
                m_items->Delete(i);

    m_indicatorOffset = (m_options & dgIndicator) ? 1 : 0;
    m_dataLink.ClearMapping();
    if (m_dataLink.Active())
        MapFields();

    if (m_items->State() == TDBGridColumnsState::csCustomized) {
        for (int i = 0; i < m_items->Count(); ++i) {
            TGridItem* it = m_items->Item(i);
            it->m_field = nullptr;
            it->Field();
        }
    } else {
        if (!m_dataLink.Active() && m_dataLink.DefaultFields()) {
            m_items->Clear();
        } else {
            for (int i = m_items->Count() - 1; i >= 0; --i) {
                db::Field* f = m_items->Item(i)->m_field;
                bool mapped = false;
                for (int j = 0; j < m_dataLink.FieldCount() && f; ++j)
                    if (m_dataLink.Fields(j) == f)
                        mapped = true;
                if (!mapped)
                    m_items->Delete(i);
            }
        }
        const int n = m_dataLink.FieldCount();
        for (int i = 0; i < n || (i == 0 && n == 0 && m_items->Count() == 0); ++i) {
            db::Field* f = m_dataLink.Fields(i);
            int found = -1;
            if (f)
                for (int j = i; j < m_items->Count(); ++j)
                    if (m_items->Item(j)->m_field == f) { found = j; break; }
            if (found < 0) {
                TGridItem* it = m_items->AddItem(false);
                it->m_field = f;
                if (f)
                    it->m_fieldName = f->FullName();
                found = m_items->Count() - 1;
            }
            m_items->Move(found, i);
        }
    }

    SetFieldAxisCount(m_items->Count() + m_indicatorOffset);
    if (m_transposed) SetFixedRows(m_indicatorOffset); else SetFixedCols(m_indicatorOffset);
    m_titleOffset = (m_options & dgTitles) ? 1 : 0;

    // row heights
    const QFontMetrics fm(font());
    const int lineW = (m_options & dgRowLines) ? GridLineWidth() : 0;
    m_defaultRowHeightCalc = fm.height() + 3 + lineW;
    SetDefaultRowHeight(fm.height() + 3);
    if (m_options & dgTitles) {
        int h = 0;
        for (int i = 0; i < m_items->Count(); ++i)
            if (m_items->Item(i)->Showing() && m_items->Item(i)->Depth() == 0)
                h = qMax(h, QFontMetrics(m_items->Item(i)->Title()->Font()).height() + 4);
        if (h == 0)
            h = QFontMetrics(m_titleFont).height() + 4;
        if (!m_transposed)
            SetRowHeights(0, h);
        else if (m_indicatorOffset > 0)
            SetRowHeights(0, qMax(h, RowHeights(0)));
    }
    if (m_transposed && (m_options & dgTitles)) {
        int w = 64;
        const QFontMetrics tfm(m_titleFont);
        for (int i = 0; i < m_items->Count(); ++i)
            w = qMax(w, tfm.horizontalAdvance(m_items->Item(i)->Title()->Caption()) + 4);
        UpdateRowCount();
        SetColWidths(0, w);
    } else {
        UpdateRowCount();
    }
    ApplyColumnAttributes();
    UpdateActive();
    UpdateScrollBar();
    viewport()->update();
}

void TqvDataGrid::ApplyColumnAttributes()
{
    if (m_transposed) {
        if (m_indicatorOffset > 0 && m_titleOffset == 0)
            SetColWidths(0, kIndicatorWidth);
        return;
    }
    for (int i = 0; i < m_items->Count(); ++i) {
        auto* col = static_cast<TColumn*>(m_items->Item(i));
        db::Field* f = col->Field();
        if (m_dataLink.Active() && f && db::isDateTimeType(f->DataType()) && f->DisplayWidth() == 18) {
            // the old default width of date-time fields follows the program's own formats
            f->SetDisplayWidth(int((FormatSettings.ShortDateFormat + QLatin1Char(' ') + FormatSettings.ShortTimeFormat).size()));
        }
        SetColWidths(i + m_indicatorOffset, col->Width());
    }
    if (m_indicatorOffset > 0)
        SetColWidths(0, kIndicatorWidth);
}

void TqvDataGrid::UpdateRowCount()
{
    const int oldCount = RecordAxisCount();
    if (m_titleOffset >= RecordAxisCount())
        SetRecordAxisCount(m_titleOffset + 1);
    if (m_transposed) SetFixedCols(m_titleOffset); else SetFixedRows(m_titleOffset);
    db::DataSet* ds = m_dataLink.DataSet();
    if (m_dataLink.Active() && (ds->RecordCount() > 0 || ds->State() == db::dsInsert)) {
        SetRecordAxisCount(1000);
        if (m_transposed) SetLeftCol(m_titleOffset); else SetTopRow(m_titleOffset);
        m_dataLink.SetBufferCount(qMax(1, VisibleRecordCount()));
        SetRecordAxisCount(m_dataLink.RecordCount() + m_titleOffset);
        if (m_transposed) SetLeftCol(m_titleOffset); else SetTopRow(m_titleOffset);
        UpdateActive();
    } else {
        SetRecordAxisCount(m_titleOffset + 1);
    }
    if (RecordAxisCount() != oldCount)
        viewport()->update();
}

void TqvDataGrid::MoveToCell(int fieldRaw, int recordRaw, bool show)
{
    if (m_transposed)
        MoveCurrent(recordRaw, fieldRaw, false, show);
    else
        MoveCurrent(fieldRaw, recordRaw, false, show);
}

void TqvDataGrid::UpdateActive()
{
    if (!m_dataLink.Active())
        return;
    const int raw = m_dataLink.ActiveRecord() + m_titleOffset;
    if (raw != CurrentRecordRaw() && raw < RecordAxisCount()) {
        if (!(m_options & dgAlwaysShowEditor))
            HideEditor();
        MoveToCell(CurrentFieldRaw(), raw, false);
        InvalidateEditor();
    }
    db::Field* f = SelectedField();
    if (f && f->Text() != m_editText)
        InvalidateEditor();
}

void TqvDataGrid::InvalidateEditor()
{
    UpdateEditor();
}

void TqvDataGrid::UpdateScrollBars()
{
    TqvCustomGrid::UpdateScrollBars();
    UpdateScrollBar();
}

void TqvDataGrid::UpdateScrollBar()
{
    if (!m_dataLink.Active())
        return;
    // the data sets of the data-access layer know their record numbers (sequenced)
    db::DataSet* ds = m_dataLink.DataSet();
    const Qt::Orientation o = m_transposed ? Qt::Horizontal : Qt::Vertical;
    TScrollInfo info = m_transposed ? HorzScrollInfo() : VertScrollInfo();
    const int page = VisibleRecordCount();
    info.Min = 1;
    info.Page = page;
    info.Max = ds->RecordCount() + page - 1;
    const db::DataSetState st = ds->State();
    if (st == db::dsInactive || st == db::dsBrowse || st == db::dsEdit)
        info.Pos = ds->RecNo();
    SetScrollInfo(o, info);
}

// ----- link notices

void TqvDataGrid::LinkActiveChanged(bool active)
{
    if (!active)
        HideEditor();
    // fields of a closed or replaced data set are gone: no item may keep one
    for (int i = 0; i < m_items->Count(); ++i)
        m_items->Item(i)->m_field = nullptr;
    m_fieldOrder.clear();
    m_bookmarks.LinkActive(active);
    RequestLayout();
    UpdateScrollBar();
    if (active && (m_options & dgAlwaysShowEditor))
        ShowEditor();
}

void TqvDataGrid::DataChanged()
{
    UpdateRowCount();
    UpdateScrollBar();
    UpdateActive();
    InvalidateEditor();
    viewport()->update();
}

void TqvDataGrid::RecordChanged(db::Field* field)
{
    if (field) {
        for (int i = 0; i < m_items->Count(); ++i)
            if (m_items->Item(i)->Field() == field) {
                if (m_transposed) InvalidateRow(i + m_indicatorOffset);
                else InvalidateCol(i + m_indicatorOffset);
            }
    } else {
        viewport()->update();
    }
    db::Field* sel = SelectedField();
    if ((!field || field == sel) && sel && sel->Text() != m_editText) {
        InvalidateEditor();
        if (InplaceEditor())
            InplaceEditor()->Deselect();
    }
}

void TqvDataGrid::EditingChanged()
{
    if (m_options & dgIndicator) {
        if (m_transposed) InvalidateCell(m_selRow, 0);
        else InvalidateCell(0, m_selRow);
    }
    viewport()->update();
}

void TqvDataGrid::UpdateData()
{
    if (db::Field* f = SelectedField())
        f->SetText(m_editText);
}

void TqvDataGrid::FieldRemoved(db::Field* field)
{
    BeginLayout();
    bool any = false;
    for (int i = 0; i < m_items->Count(); ++i)
        if (m_items->Item(i)->m_field == field) {
            m_items->Item(i)->m_field = nullptr;
            any = true;
        }
    db::DataSet* ds = m_dataLink.DataSet();
    if (any && ds && !ds->ControlsDisabled()) {
        EndLayout();
    } else {
        CancelLayout();
        if (any && !m_deferredLayoutQueued) {
            m_deferredLayoutQueued = true;
            QCoreApplication::postEvent(this, new QEvent(kDeferredLayoutEvent));
        }
    }
}

// ----- editor hooks

bool TqvDataGrid::CanEditShow()
{
    return m_layoutLock == 0 && TqvCustomGrid::CanEditShow();
}

bool TqvDataGrid::CanEditAcceptKey(QChar ch)
{
    db::Field* f = SelectedField();
    (void)ch;
    return m_dataLink.Active() && f;
}

bool TqvDataGrid::CanEditModify()
{
    if (m_readOnly || !m_dataLink.Active() || m_dataLink.ReadOnly())
        return false;
    TGridItem* item = SelectedItem();
    db::Field* f = item ? item->Field() : nullptr;
    if (!item || item->ReadOnly() || !f || !f->CanModify())
        return false;
    if (IsBinaryField(f->DataType()))
        return false;
    const bool editing = m_dataLink.Edit();
    if (editing)
        m_dataLink.SetModified();
    return editing;
}

int TqvDataGrid::GetEditLimit()
{
    db::Field* f = SelectedField();
    if (f && (f->DataType() == db::FieldType::String || f->DataType() == db::FieldType::WideString))
        return f->Size();
    return 0;
}

QString TqvDataGrid::GetEditText(int, int)
{
    db::Field* f = SelectedField();
    QString t;
    if (m_dataLink.Active() && f) {
        if (m_transposed && f->IsNull())
            t.clear();
        else if (f->DataType() == db::FieldType::Blob)
            t = GridCellText(f);
        else if (f->DataType() == db::FieldType::Memo || f->DataType() == db::FieldType::WideMemo)
            t = f->AsString();
        else
            t = f->Text();
    }
    m_editText = t;
    return t;
}

void TqvDataGrid::SetEditText(int, int, const QString& value)
{
    // typing puts the record into edit mode and marks the link modified
    if (CanEditModify())
        m_editText = value;
}

TEditStyle TqvDataGrid::GetEditStyle(int, int)
{
    TGridItem* item = SelectedItem();
    if (!item)
        return TEditStyle::esSimple;
    switch (item->ButtonStyle()) {
    case TColumnButtonStyle::cbsEllipsis: return TEditStyle::esEllipsis;
    case TColumnButtonStyle::cbsNone: return TEditStyle::esSimple;
    default: break;
    }
    db::Field* f = item->Field();
    if (!f)
        return TEditStyle::esSimple;
    if (item->HasPickList() && !item->ReadOnly())
        return TEditStyle::esPickList;
    return TEditStyle::esSimple;
}

void TqvDataGrid::EditButtonClick()
{
    if (OnEditButtonClick)
        OnEditButtonClick();
}

void TqvDataGrid::GetPickListItems(int, int, QStringList& items)
{
    if (TGridItem* item = SelectedItem())
        if (item->HasPickList())
            items = item->PickList();
}

TInplaceEditList* TqvDataGrid::CreateEditor()
{
    return new TDBGridInplaceEdit(this);
}

// ----- painting

QPixmap TqvDataGrid::IndicatorGlyph(int index, bool transposed)
{
    // 6 × 11 (record per row) or 11 × 6 (record per column), black on a transparent ground.
    QImage img(6, 11, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    auto arrow = [&] {
        const QPoint pts[3] = {QPoint(1, 1), QPoint(1, 9), QPoint(5, 5)};
        p.drawPolygon(pts, 3);
    };
    switch (index) {
    case 0: arrow(); break;
    case 1:   // I-beam
        p.fillRect(QRect(1, 1, 4, 1), Qt::black);
        p.fillRect(QRect(2, 1, 1, 9), Qt::black);
        p.fillRect(QRect(3, 1, 1, 9), Qt::black);
        p.fillRect(QRect(1, 9, 4, 1), Qt::black);
        break;
    case 2: { // asterisk
        QPen pen(Qt::black);
        pen.setWidth(1);
        p.setPen(pen);
        p.drawLine(3, 2, 3, 8);
        p.drawLine(0, 3, 5, 7);
        p.drawLine(0, 7, 5, 3);
        break;
    }
    case 3: p.drawEllipse(QRect(1, 3, 4, 4)); break;
    case 4:
        arrow();
        p.setBrush(Qt::white);
        p.drawEllipse(QRect(1, 4, 3, 3));
        p.setBrush(Qt::black);
        p.drawEllipse(QRect(1, 4, 2, 2));
        break;
    default: break;
    }
    p.end();
    if (transposed)
        img = img.transformed(QTransform().rotate(90));
    return QPixmap::fromImage(img);
}

bool TqvDataGrid::CellHighlighted(int, int, TGridDrawState st, const QString&)
{
    if ((m_options & dgMultiSelect) && m_dataLink.Active()) {
        int i;
        if (m_bookmarks.Find(m_dataLink.DataSet()->ActiveBookmark(), i))
            return true;
    }
    return (st & gdSelected) && (hasFocus() || (InplaceEditor() && InplaceEditor()->hasFocus())
                                 || (m_options & dgAlwaysShowSelection))
           && (m_updateLock == 0 || (m_options & dgRowSelect));
}

static void DrawRaisedBorder(QPainter& p, const QRect& r)
{
    p.setPen(QApplication::palette().color(QPalette::Dark));
    p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
    p.drawLine(r.right(), r.top(), r.right(), r.bottom());
    p.setPen(QApplication::palette().color(QPalette::Light));
    p.drawLine(r.left(), r.top(), r.right(), r.top());
    p.drawLine(r.left(), r.top(), r.left(), r.bottom());
}

void TqvDataGrid::DefaultDrawItemCell(QPainter& p, const QRect& rect, int, TGridItem* item, TGridDrawState)
{
    db::Field* f = item ? item->Field() : nullptr;
    p.fillRect(rect, p.brush());
    PaintCellText(p, rect, 2, 2, GridCellText(f), item ? item->Alignment() : Qt::AlignLeft, false);
}

void TqvDataGrid::DefaultDrawDataCell(QPainter& p, const QRect& rect, db::Field* f, TGridDrawState)
{
    p.fillRect(rect, p.brush());
    PaintCellText(p, rect, 2, 2, GridCellText(f), f ? ToQtAlignment(f->Alignment()) : Qt::AlignLeft, false);
}

QString TqvDataGrid::CellText(int c, int r)
{
    const int rec = (m_transposed ? c : r) - m_titleOffset;
    const int fld = (m_transposed ? r : c) - m_indicatorOffset;
    if (rec < 0 || fld < 0 || fld >= m_items->Count() || !m_dataLink.Active() || rec >= m_dataLink.RecordCount())
        return {};
    TGridItem* item = m_items->Item(fld);
    if (!item->Showing())
        return {};
    m_dataLink.ReadRecord(rec);
    struct Restore { TGridDataLink& l; ~Restore() { l.RestoreRecord(); } } restore{m_dataLink};
    return GridCellText(item->Field());
}

void TqvDataGrid::DrawCell(QPainter& p, int c, int r, const QRect& rectIn, TGridDrawState state)
{
    QRect rect = rectIn;
    const int recRaw = m_transposed ? c : r;
    const int fldRaw = m_transposed ? r : c;
    const int rec = recRaw - m_titleOffset;
    const int fld = fldRaw - m_indicatorOffset;
    const bool bothLines = (m_options & dgColLines) && (m_options & dgRowLines);
    int frameOffs = 2;
    if ((state & gdFixed) && bothLines) {
        rect.adjust(1, 1, -1, -1);
        frameOffs = 1;
    }
    const bool rtl = layoutDirection() == Qt::RightToLeft;

    if ((state & gdFixed) && fld < 0) {
        p.fillRect(rectIn, m_fixedColor);
        if (rec >= 0 && m_dataLink.Active()) {
            db::DataSet* ds = m_dataLink.DataSet();
            bool selected = false;
            const int oldActive = m_dataLink.ActiveRecord();
            const bool isActive = rec == oldActive;
            if (m_options & dgMultiSelect) {
                m_dataLink.ReadRecord(rec);
                struct Restore { TGridDataLink& l; ~Restore() { l.RestoreRecord(); } } restore{m_dataLink};
                int i;
                selected = m_bookmarks.Find(ds->ActiveBookmark(), i);
            }
            if (isActive || selected) {
                int glyph = 0;
                switch (ds->State()) {
                case db::dsBrowse: glyph = selected ? (isActive ? 4 : 3) : 0; break;
                case db::dsEdit: glyph = isActive ? 1 : 3; break;
                case db::dsInsert: glyph = isActive ? 2 : 3; break;
                default: glyph = 0; break;
                }
                const QPixmap pm = IndicatorGlyph(glyph, m_transposed);
                int x, y;
                if (!m_transposed) {
                    x = rect.right() + 1 - pm.width() - frameOffs + (rtl ? 1 : 0);
                    y = (rect.top() + rect.bottom() + 1 - pm.height()) / 2;
                } else {
                    x = rect.left() + 2 - frameOffs + (rtl ? 1 : 0);
                    y = (rect.top() + rect.bottom() + 1 - pm.height()) / 2;
                    x = (rect.left() + rect.right() + 1 - pm.width()) / 2;
                    y = rect.bottom() + 1 - pm.height() - frameOffs;
                }
                p.drawPixmap(x, y, pm);
            }
            if (isActive)
                m_selRow = m_titleOffset + rec;
        }
        if (bothLines)
            DrawRaisedBorder(p, rectIn);
        return;
    }
    if (fld < 0 || fld >= m_items->Count())
        return;
    TGridItem* item = m_items->Item(fld);
    if (!item->Showing())
        return;

    if (rec < 0) {
        // title cell
        QRect tr = rectIn;
        p.setFont(item->Title()->Font());
        p.fillRect(tr, item->Title()->Color());
        if (bothLines)
            tr.adjust(1, 1, -1, -1);
        p.setPen(palette().color(QPalette::ButtonText));
        PaintCellText(p, tr, frameOffs, frameOffs, item->Title()->Caption(), item->Title()->Alignment(), rtl);
        if (bothLines)
            DrawRaisedBorder(p, rectIn);
        return;
    }

    p.setFont(item->Font());
    QColor brush = item->Color();
    QColor pen = palette().color(QPalette::Text);
    if (!m_dataLink.Active()) {
        p.fillRect(rectIn, brush);
        return;
    }
    m_dataLink.ReadRecord(rec);
    struct Restore { TGridDataLink& l; ~Restore() { l.RestoreRecord(); } } restore{m_dataLink};
    db::Field* f = item->Field();
    const QString text = GridCellText(f);
    const int lo = qMin(m_rangeStart, m_rangeEnd), hi = qMax(m_rangeStart, m_rangeEnd);
    const bool highlighted = CellHighlighted(fld, rec, state, text) && (WholeMode() || (fld >= lo && fld <= hi));
    if (highlighted) {
        brush = palette().color(QPalette::Highlight);
        pen = palette().color(QPalette::HighlightedText);
    }
    if (!isEnabled())
        pen = palette().color(QPalette::Disabled, QPalette::Text);
    p.setBrush(brush);
    p.setPen(pen);
    if (m_defaultDrawing) {
        p.fillRect(rectIn, brush);
        PaintCellText(p, rectIn, 2, 2, text, item->Alignment(), rtl && f);
    }
    if (OnDrawDataCell && m_items->State() == TDBGridColumnsState::csDefault)
        OnDrawDataCell(p, rectIn, f, state);
    if (OnDrawItemCell)
        OnDrawItemCell(p, rectIn, fld, item, state);
    if (m_defaultDrawing && (state & gdSelected) && (hasFocus() || (m_options & dgAlwaysShowSelection))
        && !(m_options & dgRowSelect) && m_updateLock == 0) {
        p.save();
        QPen fp(palette().color(QPalette::Text));
        fp.setStyle(Qt::DotLine);
        p.setPen(fp);
        p.setBrush(Qt::NoBrush);
        p.drawRect(rectIn.adjusted(0, 0, -1, -1));
        p.restore();
    }
}

// ----- moves and selection

void TqvDataGrid::ClearRowSelection()
{
    if (m_options & dgMultiSelect) {
        m_bookmarks.Clear();
        m_selecting = false;
    }
}

void TqvDataGrid::MoveField(int raw, int direction)
{
    m_dataLink.UpdateRecord();
    const int last = FieldAxisCount() - 1;
    raw = qBound(m_indicatorOffset, raw, last);
    if (direction != 0) {
        while (raw >= m_indicatorOffset && raw <= last && FieldAxisSize(raw) <= 0)
            raw += direction;
        if (raw < m_indicatorOffset || raw > last)
            return;
    }
    if (raw != CurrentFieldRaw()) {
        if (!m_inColExit) {
            m_inColExit = true;
            struct Reset { bool& b; ~Reset() { b = false; } } reset{m_inColExit};
            const int before = CurrentFieldRaw();
            if (OnFieldExit)
                OnFieldExit(before - m_indicatorOffset);
            if (CurrentFieldRaw() != before)
                return;
        }
        if (!(m_options & dgAlwaysShowEditor))
            HideEditor();
        if (m_transposed)
            MoveCurrent(Col(), raw, false, true);
        else
            MoveCurrent(raw, Row(), false, true);
        if (OnFieldEnter)
            OnFieldEnter(raw - m_indicatorOffset);
    }
    const int data = CurrentFieldRaw() - m_indicatorOffset;
    if (!(m_shift & Qt::ShiftModifier) || m_tabHeld) {
        m_rangeStart = data;
        m_rangeEnd = data;
    } else {
        m_rangeEnd = data;
    }
    const bool ctrl = m_shift & Qt::ControlModifier;
    SetWholeMode(ctrl);
    // The record selection follows the field only where several records can be selected; the
    // record-per-column grid marks the current record whatever Ctrl says.
    if ((m_options & dgMultiSelect) && m_dataLink.Active() && !m_dataLink.DataSet()->IsEmpty())
        m_bookmarks.SetCurrentRowSelected(m_transposed || !ctrl);
    viewport()->update();
}

void TqvDataGrid::StepRecord(int direction, bool extend)
{
    BeginUpdate();
    struct End { TqvDataGrid* g; ~End() { g->EndUpdate(); g->viewport()->update(); } } end{this};
    bool selectAfter = false;
    if ((m_options & dgMultiSelect) && m_dataLink.Active()) {
        db::DataSet* ds = m_dataLink.DataSet();
        if (extend && (m_shift & Qt::ShiftModifier)) {
            if (!m_selecting) {
                m_selectionAnchor = ds->GetBookmark();
                m_bookmarks.SetCurrentRowSelected(true);
                m_selecting = true;
                selectAfter = true;
            } else {
                const int cmp = qBound(-1, ds->CompareBookmarks(ds->GetBookmark(), m_selectionAnchor), 1);
                if (cmp == -direction)
                    m_bookmarks.SetCurrentRowSelected(false);
                else
                    selectAfter = true;
            }
        } else {
            ClearRowSelection();
        }
    }
    m_dataLink.MoveBy(direction);
    if (selectAfter)
        m_bookmarks.SetCurrentRowSelected(true);
}

void TqvDataGrid::NextRecord(bool extend)
{
    db::DataSet* ds = m_dataLink.DataSet();
    if (!ds)
        return;
    if (ds->State() == db::dsInsert && !ds->Modified() && !m_dataLink.Modified()) {
        if (!m_dataLink.Eof())
            ds->Cancel();
    } else {
        StepRecord(1, extend);
    }
    if (m_dataLink.Eof() && ds->CanModify() && !m_readOnly && (m_options & dgEditing)
        && ds->State() != db::dsInsert)
        ds->Append();
}

void TqvDataGrid::PriorRecord(bool extend)
{
    db::DataSet* ds = m_dataLink.DataSet();
    if (!ds)
        return;
    if (ds->State() == db::dsInsert && !ds->Modified() && m_dataLink.Eof() && !m_dataLink.Modified())
        ds->Cancel();
    else
        StepRecord(-1, extend);
}

void TqvDataGrid::TabToField(bool forward)
{
    BeginUpdate();
    struct End { TqvDataGrid* g; ~End() { g->EndUpdate(); } } end{this};
    const int start = CurrentFieldRaw();
    const int last = FieldAxisCount() - 1;
    int raw = start;
    for (;;) {
        raw += forward ? 1 : -1;
        if (raw > last) {
            NextRecord(false);
            raw = m_indicatorOffset;
        } else if (raw < m_indicatorOffset) {
            PriorRecord(false);
            raw = last;
        }
        if (raw == start)
            return;
        if (FieldAxisSize(raw) > 0) {
            // a tab stop: a showing, writable column bound to a writable field
            TGridItem* item = m_items->Count() > raw - m_indicatorOffset ? m_items->Item(raw - m_indicatorOffset) : nullptr;
            if (!item || !item->Field() || !item->Showing() || item->ReadOnly() || item->Field()->ReadOnly())
                continue;
            break;
        }
    }
    MoveField(raw, 0);
}

// ----- keys

void TqvDataGrid::keyPressEvent(QKeyEvent* e)
{
    m_shift = e->modifiers();
    m_tabHeld = e->key() == Qt::Key_Tab || e->key() == Qt::Key_Backtab;
    if (e->matches(QKeySequence::Copy)) {
        CopyToClipboard();
        return;
    }
    if (e->matches(QKeySequence::Paste)) {
        PasteFromClipboard();
        return;
    }
    TqvCustomGrid::keyPressEvent(e);
    m_tabHeld = false;
}

void TqvDataGrid::KeyDown(QKeyEvent* e)
{
    if (OnKeyDown) {
        OnKeyDown(e);
        if (!e->isAccepted() || e->key() == 0)
            return;
    }
    if (!m_dataLink.Active())
        return;
    db::DataSet* ds = m_dataLink.DataSet();
    m_shift = e->modifiers();
    int key = e->key();
    if (layoutDirection() == Qt::RightToLeft) {
        if (key == Qt::Key_Left) key = Qt::Key_Right;
        else if (key == Qt::Key_Right) key = Qt::Key_Left;
    }
    // record keys and field keys by orientation
    const int recPrev = m_transposed ? Qt::Key_Left : Qt::Key_Up;
    const int recNext = m_transposed ? Qt::Key_Right : Qt::Key_Down;
    const int fldPrev = m_transposed ? Qt::Key_Up : Qt::Key_Left;
    const int fldNext = m_transposed ? Qt::Key_Down : Qt::Key_Right;
    const bool rowSelect = m_options & dgRowSelect;
    const int firstField = m_indicatorOffset, lastField = FieldAxisCount() - 1;

    if (e->modifiers() & Qt::ControlModifier) {
        if (key == Qt::Key_PageUp || key == Qt::Key_PageDown || key == Qt::Key_End || key == Qt::Key_Home
            || key == Qt::Key_Up || key == Qt::Key_Down)
            ClearRowSelection();
        if (key == recPrev || (!m_transposed && key == Qt::Key_PageUp))
            m_dataLink.MoveBy(-m_dataLink.ActiveRecord());
        else if (key == recNext || (!m_transposed && key == Qt::Key_PageDown))
            m_dataLink.MoveBy(m_dataLink.BufferCount() - m_dataLink.ActiveRecord() - 1);
        else if (key == Qt::Key_Home)
            ds->First();
        else if (key == Qt::Key_End)
            ds->Last();
        else if (key == fldPrev)
            MoveField(firstField, 1);
        else if (key == fldNext)
            MoveField(lastField, -1);
        else if (key == Qt::Key_Delete)
            DeleteRecords();
        return;
    }
    switch (key) {
    case Qt::Key_Tab: case Qt::Key_Backtab:
        if (!(e->modifiers() & Qt::AltModifier))
            TabToField(key == Qt::Key_Tab && !(e->modifiers() & Qt::ShiftModifier));
        return;
    case Qt::Key_PageDown: ClearRowSelection(); m_dataLink.MoveBy(VisibleRecordCount()); return;
    case Qt::Key_PageUp: ClearRowSelection(); m_dataLink.MoveBy(-VisibleRecordCount()); return;
    case Qt::Key_End:
        if (m_items->Count() == 1 || rowSelect) { ClearRowSelection(); ds->Last(); }
        else MoveField(lastField, -1);
        return;
    case Qt::Key_Home:
        if (m_items->Count() == 1 || rowSelect) { ClearRowSelection(); ds->First(); }
        else MoveField(firstField, 1);
        return;
    case Qt::Key_Escape:
        m_dataLink.Reset();
        ClearRowSelection();
        if (!(m_options & dgAlwaysShowEditor))
            HideEditor();
        return;
    case Qt::Key_Insert:
        if (ds->CanModify() && !m_readOnly && (m_options & dgEditing)) {
            ClearRowSelection();
            ds->Insert();
        }
        return;
    case Qt::Key_F2:
        SetEditorMode(true);
        return;
    default: break;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == fldNext) {
        if (rowSelect) NextRecord(false);
        else MoveField(CurrentFieldRaw() + 1, 1);
    } else if (key == fldPrev) {
        if (rowSelect) PriorRecord(false);
        else MoveField(CurrentFieldRaw() - 1, -1);
    } else if (key == recNext) {
        NextRecord(true);
    } else if (key == recPrev) {
        PriorRecord(true);
    }
}

void TqvDataGrid::KeyPress(QKeyEvent* e)
{
    const QString t = e->text();
    if (t == QLatin1String("\r") || t == QLatin1String("\n")) {
        if (m_options & dgAlwaysShowEditor)
            return;
        m_dataLink.UpdateRecord();
    }
    TqvCustomGrid::KeyPress(e);
}

// ----- mouse

bool TqvDataGrid::TakeFocus()
{
    if (m_acquireFocus && isEnabled() && !hasFocus() && !(InplaceEditor() && InplaceEditor()->hasFocus()))
        setFocus(Qt::MouseFocusReason);
    return true;
}

void TqvDataGrid::mousePressEvent(QMouseEvent* e)
{
    m_shift = e->modifiers();
    const QPoint pt = e->position().toPoint();
    if (e->button() == Qt::RightButton && m_bookmarks.Count() > 0) {
        const bool inStrip = m_transposed ? pt.y() < m_indicatorOffset + 17 : pt.x() < m_indicatorOffset + 10;
        if (inStrip)
            return;
    }
    TqvCustomGrid::mousePressEvent(e);
}

void TqvDataGrid::GridDoubleClick(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton && OnDblClick)
        OnDblClick();
}

void TqvDataGrid::GridMousePress(QMouseEvent* e)
{
    if (!TakeFocus())
        return;
    const QPoint pt = e->position().toPoint();
    int sc;
    if (e->button() == Qt::LeftButton && InSizingZone(pt.x(), pt.y(), &sc)) {
        m_dataLink.UpdateRecord();
        StartColumnSizing(sc, pt.x());
        return;
    }
    const TGridCoord cell = MouseCoord(pt.x(), pt.y());
    m_selectedCell = cell;
    if (cell.X < 0 || cell.Y < 0)
        return;
    const int recRaw = m_transposed ? cell.X : cell.Y;
    const int fldRaw = m_transposed ? cell.Y : cell.X;
    if (recRaw < m_titleOffset && (m_options & dgColumnResize)) {
        m_dataLink.UpdateRecord();
        if (!m_transposed && e->button() == Qt::LeftButton && fldRaw >= m_indicatorOffset)
            StartColumnMoving(cell.X);
        return;
    }
    if (!m_dataLink.Active())
        return;
    BeginUpdate();
    struct End { TqvDataGrid* g; ~End() { g->EndUpdate(); g->viewport()->update(); } } end{this};
    m_dataLink.UpdateRecord();
    if (!(m_options & dgAlwaysShowEditor))
        HideEditor();
    const int oldRec = CurrentRecordRaw();
    const int oldFld = CurrentFieldRaw();
    if (recRaw >= m_titleOffset && recRaw != oldRec)
        m_dataLink.MoveBy(recRaw - oldRec);
    if (fldRaw >= m_indicatorOffset)
        MoveField(fldRaw, 0);
    const bool inIndicator = fldRaw < m_indicatorOffset;
    if (m_options & dgMultiSelect) {
        m_selecting = false;
        if (e->modifiers() & Qt::ControlModifier) {
            m_bookmarks.SetCurrentRowSelected(!m_bookmarks.CurrentRowSelected());
        } else if (e->modifiers() & Qt::ShiftModifier) {
            m_bookmarks.Clear();
            if (recRaw >= m_titleOffset) {
                const int d = oldRec - recRaw;
                m_dataLink.MoveBy(d);
                const int step = d > 0 ? -1 : 1;
                for (int i = 0; i <= qAbs(d); ++i) {
                    m_bookmarks.SetCurrentRowSelected(true);
                    if (i < qAbs(d))
                        m_dataLink.MoveBy(step);
                }
            }
            m_rangeEnd = CurrentFieldRaw() - m_indicatorOffset;
            SetWholeMode(inIndicator);
        } else {
            m_bookmarks.Clear();
            if (inIndicator)
                m_bookmarks.SetCurrentRowSelected(true);
            SetWholeMode(inIndicator);
        }
    }
    const bool sameCell = oldRec == recRaw && oldFld == fldRaw;
    if (e->button() != Qt::LeftButton || (!sameCell && !(m_options & dgAlwaysShowEditor)))
        InvalidateEditor();
    else if (fldRaw >= m_indicatorOffset)
        ShowEditor();
}

void TqvDataGrid::GridMouseRelease(QMouseEvent* e)
{
    if (WasSizing())
        return;
    if (InplaceEditor() && InplaceEditor()->isVisible() && InplaceEditor()->geometry().contains(e->position().toPoint()))
        return;
    const TGridCoord cell = MouseCoord(int(e->position().x()), int(e->position().y()));
    if (cell.X < 0)
        return;
    const int recRaw = m_transposed ? cell.X : cell.Y;
    const int fldRaw = m_transposed ? cell.Y : cell.X;
    if (fldRaw < m_indicatorOffset || fldRaw - m_indicatorOffset >= m_items->Count())
        return;
    TGridItem* item = m_items->Item(fldRaw - m_indicatorOffset);
    if (e->button() == Qt::RightButton) {
        if (item->PopupMenu())
            item->PopupMenu()->popup(e->globalPosition().toPoint());
        return;
    }
    if (e->button() != Qt::LeftButton)
        return;
    if (recRaw < m_titleOffset) {
        if (OnTitleClick)
            OnTitleClick(item);
    } else if (OnCellClick) {
        OnCellClick(SelectedItem());
    }
}

void TqvDataGrid::wheelEvent(QWheelEvent* e)
{
    const int steps = e->angleDelta().y() / 120;
    for (int i = 0; i < qAbs(steps); ++i) {
        QKeyEvent k(QEvent::KeyPress, steps < 0 ? (m_transposed ? Qt::Key_Right : Qt::Key_Down)
                                                : (m_transposed ? Qt::Key_Left : Qt::Key_Up),
                    Qt::NoModifier);
        m_shift = Qt::NoModifier;
        KeyDown(&k);
    }
    e->accept();
}

void TqvDataGrid::FocusLeft()
{
    if (!m_dataLink.Active())
        return;
    db::DataSet* ds = m_dataLink.DataSet();
    try {
        if ((m_options & dgCancelOnExit) && ds->State() == db::dsInsert && !ds->Modified()
            && !m_dataLink.Modified())
            ds->Cancel();
        else
            m_dataLink.UpdateRecord();
    } catch (...) {
        // the focus stays in the grid and the failure reaches the user
        setFocus();
        throw;
    }
}

void TqvDataGrid::resizeEvent(QResizeEvent* e)
{
    TqvCustomGrid::resizeEvent(e);
    if (m_updateLock == 0)
        UpdateRowCount();
    UpdateScrollBar();
}

void TqvDataGrid::ColumnMoved(int from, int to)
{
    const int f = from - m_indicatorOffset, t = to - m_indicatorOffset;
    if (f < 0 || t < 0 || f >= m_items->Count() || t >= m_items->Count())
        return;
    TGridItem* item = m_items->Item(f);
    if (!item->Stored() && m_dataLink.Active() && AcquireLayoutLock()) {
        // a default column moves its field, so the next layout keeps the new order
        TGridItem* target = m_items->Item(t);
        while (target && target->Depth() > item->Depth())
            target = target->ParentItem();
        if (target && target->Field() && item->Field()) {
            QStringList names;
            for (int i = 0; i < m_dataLink.FieldCount(); ++i)
                if (db::Field* mf = m_dataLink.Fields(i))
                    names << mf->FullName();
            const int from = names.indexOf(item->Field()->FullName());
            const int to = names.indexOf(target->Field()->FullName());
            if (from >= 0 && to >= 0) {
                names.move(from, to);
                m_fieldOrder = names;
            }
        }
        m_items->Move(f, t);
        EndLayout();
    } else {
        m_items->Move(f, t);
    }
    if (OnItemMoved)
        OnItemMoved(f, t);
    viewport()->update();
}

void TqvDataGrid::RowMoved(int from, int to)
{
    if (m_transposed)
        ColumnMoved(from, to);
}

void TqvDataGrid::ColWidthsChanged()
{
    if (m_inLayout)
        return;
    if (m_transposed) {
        if (!m_dataLink.Active() || !AcquireLayoutLock())
            return;
        int w = -1;
        for (int c = m_titleOffset; c < ColCount(); ++c)
            if (ColWidths(c) != DefaultColWidth()) { w = ColWidths(c); break; }
        if (w >= 0)
            SetDefaultColWidth(w);
        EndLayout();
        return;
    }
    if ((m_dataLink.Active() || m_items->State() == TDBGridColumnsState::csCustomized) && AcquireLayoutLock()) {
        for (int i = 0; i < m_items->Count(); ++i) {
            const int w = ColWidths(i + m_indicatorOffset);
            auto* col = static_cast<TColumn*>(m_items->Item(i));
            if (col->Showing() && w != col->Width())
                col->SetWidth(w);
        }
        EndLayout();
    }
}

void TqvDataGrid::TopLeftChanged()
{
    viewport()->update();
}

// ----- scrolling

void TqvDataGrid::ScrollByRecords(TScrollCode code, int pos)
{
    if (!m_dataLink.Active())
        return;
    TakeFocus();
    db::DataSet* ds = m_dataLink.DataSet();
    switch (code) {
    case TScrollCode::LineUp: m_dataLink.MoveBy(-m_dataLink.ActiveRecord() - 1); break;
    case TScrollCode::LineDown: m_dataLink.MoveBy(m_dataLink.RecordCount() - m_dataLink.ActiveRecord()); break;
    case TScrollCode::PageUp: m_dataLink.MoveBy(-VisibleRecordCount()); break;
    case TScrollCode::PageDown: m_dataLink.MoveBy(VisibleRecordCount()); break;
    case TScrollCode::ThumbPosition:
        if (pos <= 1) ds->First();
        else if (pos < ds->RecordCount()) ds->SetRecNo(pos);
        else ds->Last();
        break;
    case TScrollCode::Top: ds->First(); break;
    case TScrollCode::Bottom: ds->Last(); break;
    default: break;
    }
    UpdateScrollBar();
}

void TqvDataGrid::VScroll(TScrollCode code, int pos)
{
    if (m_transposed) TqvCustomGrid::VScroll(code, pos);
    else ScrollByRecords(code, pos);
}

void TqvDataGrid::HScroll(TScrollCode code, int pos)
{
    if (m_transposed) ScrollByRecords(code, pos);
    else TqvCustomGrid::HScroll(code, pos);
}

void TqvDataGrid::TimedScroll(int dx, int dy)
{
    const int d = m_transposed ? dx : dy;
    if (m_dataLink.Active() && d != 0) {
        if (d < 0) m_dataLink.MoveBy(-m_dataLink.ActiveRecord() - 1);
        else m_dataLink.MoveBy(m_dataLink.RecordCount() - m_dataLink.ActiveRecord());
    }
    if (m_transposed ? dy : dx)
        TqvCustomGrid::TimedScroll(m_transposed ? 0 : dx, m_transposed ? dy : 0);
}

// ----- clipboard commands

QString QuoteCopyValue(const QString& text)
{
    if (!text.contains(QLatin1Char('\t')) && !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r'))
        && !text.contains(QLatin1Char('"')))
        return text;
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    t.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + t + QLatin1Char('"');
}

QString TqvDataGrid::BuildCopyText()
{
    if (!m_dataLink.Active())
        return {};
    if (m_bookmarks.Count() == 0) {
        db::Field* f = SelectedField();
        return f ? f->AsString() : QString();
    }
    db::DataSet* ds = m_dataLink.DataSet();
    WaitCursor cursor;
    ControlsGuard controls(ds);
    const QByteArray saved = ds->GetBookmark();
    struct Back { db::DataSet* d; QByteArray b; ~Back() { if (!b.isEmpty() && d->BookmarkValid(b)) d->GotoBookmark(b); } } back{ds, saved};
    const bool whole = WholeMode();
    const int lo = qMin(m_rangeStart, m_rangeEnd), hi = qMax(m_rangeStart, m_rangeEnd);
    QString out;
    for (int b = 0; b < m_bookmarks.Count(); ++b) {
        ds->GotoBookmark(m_bookmarks.Items(b));
        bool first = true;   // a tab goes between the values taken, never before the first
        for (int i = 0; i < ds->FieldCount(); ++i) {
            db::Field* f = ds->Fields()[i];
            if (!f->Visible())
                continue;
            if (!(whole || (i >= lo && i <= hi)))
                continue;
            if (!first)
                out += QLatin1Char('\t');
            first = false;
            out += QuoteCopyValue(f->AsString());
        }
        if (m_bookmarks.Count() > 1)
            out += QLatin1String("\r\n");
    }
    return out;
}

void TqvDataGrid::CopyToClipboard()
{
    if (m_bookmarks.Count() == 0 && !SelectedField()) {
        if (InplaceEditor() && InplaceEditor()->isVisible())
            InplaceEditor()->copy();
        return;
    }
    QGuiApplication::clipboard()->setText(BuildCopyText());
}

QList<QStringList> ParseRecordPaste(const QString& text)
{
    QList<QStringList> records;
    QStringList fields;
    QString cur;
    bool inQuote = false, atStart = true, afterQuote = false, any = false;
    const int n = int(text.size());
    auto endValue = [&] {
        fields << cur;
        cur.clear();
        atStart = true;
        afterQuote = false;
    };
    for (int i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        any = true;
        if (inQuote) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < n && text.at(i + 1) == QLatin1Char('"')) {
                    cur += c;
                    ++i;
                } else {
                    inQuote = false;
                    afterQuote = true;
                }
            } else {
                cur += c;
            }
            continue;
        }
        if (c == QLatin1Char('"') && atStart) {
            inQuote = true;
            atStart = false;
        } else if (c == QLatin1Char('\t')) {
            endValue();
        } else if (c == QLatin1Char('\n')) {
            endValue();
            records << fields;
            fields.clear();
            any = false;
        } else if (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n')) {
            // the line end follows
        } else {
            atStart = false;
            if (!afterQuote)
                cur += c;
        }
    }
    if (any || !fields.isEmpty() || !cur.isEmpty()) {
        endValue();
        records << fields;
    }
    return records;
}

void TqvDataGrid::PasteRecords(const QString& text)
{
    db::DataSet* ds = m_dataLink.DataSet();
    if (!ds || !ds->CanModify() || m_readOnly)
        return;
    const QList<QStringList> records = ParseRecordPaste(text);
    WaitCursor cursor;
    struct After {
        db::DataSet* d;
        ~After()
        {
            d->EnableControls();
            // later edits on this connection stay in a transaction until committed or rolled back
            if (auto* q = qobject_cast<db::Query*>(d))
                if (db::Connection* c = q->GetConnection())
                    c->SetAutoCommit(false);
        }
    } after{ds};
    ds->DisableControls();
    ds->Insert();
    for (const QStringList& rec : records) {
        for (int i = 0; i < rec.size() && i < ds->FieldCount(); ++i)
            ds->Fields()[i]->SetText(rec.at(i));
        ds->Insert();   // posts the filled record first
    }
}

bool TqvDataGrid::MayModifyCell() const
{
    if (m_readOnly || !m_dataLink.Active() || m_dataLink.ReadOnly() || !m_dataLink.DataSet()->CanModify())
        return false;
    TGridItem* item = SelectedItem();
    db::Field* f = item ? item->Field() : nullptr;
    if (!item || item->ReadOnly() || !f || !f->CanModify())
        return false;
    return !IsBinaryField(f->DataType());
}

void TqvDataGrid::PasteFromClipboard()
{
    if (!MayModifyCell())
        return;
    const QString text = QGuiApplication::clipboard()->text();
    if (!text.contains(QLatin1Char('\t')) && !text.contains(QLatin1Char('\n'))) {
        ShowEditor();
        if (InplaceEditor() && InplaceEditor()->isVisible()) {
            InplaceEditor()->insert(text);
            SetEditText(Col(), Row(), InplaceEditor()->text());
        }
        return;
    }
    HideEditor();
    PasteRecords(text);
}

bool TqvDataGrid::ConfirmDelete()
{
    if (!(m_options & dgConfirmDelete))
        return true;
    const QString text = m_bookmarks.Count() >= 2 ? QStringLiteral("選択されたレコードをすべて削除してよいですか？")
                                                   : QStringLiteral("レコードを削除しますか？");
    return ConfirmHook()(this, text);
}

void TqvDataGrid::DeleteRecords()
{
    db::DataSet* ds = m_dataLink.DataSet();
    if (!ds || m_readOnly || ds->IsEmpty() || !ds->CanModify() || !ConfirmDelete())
        return;
    if (m_bookmarks.Count() == 0)
        ds->Delete();
    else
        m_bookmarks.Delete();
}

void TqvDataGrid::ClearSelected()
{
    db::DataSet* ds = m_dataLink.DataSet();
    if (!ds || m_bookmarks.Count() == 0 || !ConfirmDelete())
        return;
    WaitCursor cursor;
    m_bookmarks.Delete();
}

void TqvDataGrid::SelectAll()
{
    db::DataSet* ds = m_dataLink.DataSet();
    if (!ds || !ds->Active())
        return;
    ControlsGuard controls(ds);
    const QByteArray saved = ds->GetBookmark();
    ds->First();
    while (!ds->Eof()) {
        m_bookmarks.Insert(ds->GetBookmark());
        if (ds->MoveBy(1) == 0)
            break;
    }
    if (!saved.isEmpty())
        ds->GotoBookmark(saved);
    m_rangeStart = 0;
    m_rangeEnd = qMax(0, m_items->Count() - 1);
    viewport()->update();
}

// ---------------------------------------------------------------------------------------------
// TDBGridInplaceEdit

TDBGridInplaceEdit::TDBGridInplaceEdit(TqvDataGrid* grid) : TInplaceEditList(grid) {}

void TDBGridInplaceEdit::UpdateContents()
{
    TInplaceEditList::UpdateContents();
    if (TGridItem* item = DataGrid()->SelectedItem()) {
        setFont(item->Font());
        SetDropDownRows(item->DropDownRows());
    }
}

void TDBGridInplaceEdit::DoGetPickListItems()
{
    QStringList items;
    DataGrid()->GetPickListItems(DataGrid()->Col(), DataGrid()->Row(), items);
    PickList()->clear();
    PickList()->addItems(items);
}

void TDBGridInplaceEdit::keyPressEvent(QKeyEvent* e)
{
    TqvDataGrid* g = DataGrid();
    if (e->matches(QKeySequence::Copy)) { CopyMessage(); return; }
    if (e->matches(QKeySequence::Paste)) { PasteMessage(); return; }
    if ((e->key() == Qt::Key_Left || e->key() == Qt::Key_Right) && !(e->modifiers() & Qt::ControlModifier)
        && cursorPosition() == 0 && !ListVisible()) {
        const int selLen = hasSelectedText() ? int(selectedText().size()) : 0;
        if (selLen >= text().size()) {
            g->SetEditText(g->Col(), g->Row(), text());
            g->m_shift = e->modifiers();
            SendKeyToGrid(e);
            return;
        }
    }
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && !ListVisible()) {
        g->SetEditText(g->Col(), g->Row(), text());
        g->m_shift = e->modifiers();
        SendKeyToGrid(e);
        return;
    }
    if (e->key() == Qt::Key_Delete && (e->modifiers() & Qt::ControlModifier)) {
        SendKeyToGrid(e);
        return;
    }
    if (e->key() == Qt::Key_Down && EditStyle() == TEditStyle::esPickList && !ListVisible()) {
        DropDown();
        return;
    }
    TInplaceEditList::keyPressEvent(e);
}

bool TDBGridInplaceEdit::event(QEvent* e)
{
    return TInplaceEditList::event(e);
}

void TDBGridInplaceEdit::CopyMessage()
{
    if (DataGrid()->SelectedRecords()->Count() > 0)
        DataGrid()->CopyToClipboard();
    else
        copy();
}

void TDBGridInplaceEdit::PasteMessage()
{
    DataGrid()->PasteFromClipboard();
}

void TDBGridInplaceEdit::ClearMessage()
{
    if (!DataGrid()->MayModifyCell())
        return;
    if (DataGrid()->SelectedRecords()->Count() > 0)
        DataGrid()->ClearSelected();
    else
        del();
}

} // namespace qv
