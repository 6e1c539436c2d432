#include "controls/grid/grid_columns.h"
#include "controls/grid/data_grid.h"

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPalette>

namespace qv {

void RaiseGridOperationError(const QString& message)
{
    throw EInvalidGridOperation(message);
}

// ---------------------------------------------------------------------------------------------
// Titles

Qt::Alignment TGridItemTitle::Alignment() const
{
    return (m_item->m_assigned & cvBit(cvTitleAlignment)) ? m_alignment : Qt::AlignLeft;
}

void TGridItemTitle::SetAlignment(Qt::Alignment a)
{
    if ((m_item->m_assigned & cvBit(cvTitleAlignment)) && a == m_alignment)
        return;
    m_alignment = a;
    m_item->m_assigned |= cvBit(cvTitleAlignment);
    m_item->Changed();
}

QString TGridItemTitle::Caption() const
{
    if (m_item->m_assigned & cvBit(cvTitleCaption))
        return m_caption;
    if (db::Field* f = m_item->Field())
        return f->DisplayName();
    return m_item->FieldName();
}

void TGridItemTitle::SetCaption(const QString& c)
{
    TqvDataGrid* g = m_item->Grid();
    if (!m_item->m_stored && g && g->DataLink()->Active() && m_item->Field()) {
        m_item->Field()->SetDisplayLabel(c);
        return;
    }
    if ((m_item->m_assigned & cvBit(cvTitleCaption)) && c == m_caption)
        return;
    m_caption = c;
    m_item->m_assigned |= cvBit(cvTitleCaption);
    m_item->Changed();
}

QColor TGridItemTitle::Color() const
{
    if (m_item->m_assigned & cvBit(cvTitleColor))
        return m_color;
    if (TqvDataGrid* g = m_item->Grid())
        return g->FixedColor();
    return QApplication::palette().color(QPalette::Button);
}

void TGridItemTitle::SetColor(const QColor& c)
{
    if ((m_item->m_assigned & cvBit(cvTitleColor)) && c == m_color)
        return;
    m_color = c;
    m_item->m_assigned |= cvBit(cvTitleColor);
    m_item->Changed();
}

QFont TGridItemTitle::Font() const
{
    if (m_item->m_assigned & cvBit(cvTitleFont))
        return m_font;
    if (TqvDataGrid* g = m_item->Grid())
        return g->TitleFont();
    return m_item->Font();
}

void TGridItemTitle::SetFont(const QFont& f)
{
    m_font = f;
    m_item->m_assigned |= cvBit(cvTitleFont);
    m_item->Changed(true);
}

void TGridItemTitle::RestoreDefaults()
{
    const bool fontAssigned = m_item->m_assigned & cvBit(cvTitleFont);
    m_item->m_assigned &= ~(cvBit(cvTitleAlignment) | cvBit(cvTitleColor) | cvBit(cvTitleCaption) | cvBit(cvTitleFont));
    m_caption.clear();
    m_font = QFont();
    m_item->Changed(fontAssigned);
}

void TGridItemTitle::Assign(const TGridItemTitle& o)
{
    const TColumnValues a = o.m_item->m_assigned;
    if (a & cvBit(cvTitleAlignment)) SetAlignment(o.Alignment());
    if (a & cvBit(cvTitleColor)) SetColor(o.Color());
    if (a & cvBit(cvTitleCaption)) SetCaption(o.Caption());
    if (a & cvBit(cvTitleFont)) SetFont(o.Font());
}

// ---------------------------------------------------------------------------------------------
// Items

TGridItem::TGridItem(TGridItems* collection, bool stored)
    : m_coll(collection), m_title(std::make_unique<TGridItemTitle>(this)), m_stored(stored)
{
}

TGridItem::~TGridItem() = default;

TqvDataGrid* TGridItem::Grid() const
{
    return m_coll ? m_coll->Grid() : nullptr;
}

int TGridItem::Index() const
{
    return m_coll ? m_coll->IndexOf(this) : -1;
}

QString TGridItem::DisplayName() const
{
    return m_fieldName.isEmpty() ? QStringLiteral("TColumn") : m_fieldName;
}

void TGridItem::Changed(bool all)
{
    if (m_coll)
        m_coll->ItemChanged(this, all);
}

Qt::Alignment TGridItem::Alignment() const
{
    if (m_assigned & cvBit(cvAlignment))
        return m_alignment;
    if (db::Field* f = Field())
        return ToQtAlignment(f->Alignment());
    return Qt::AlignLeft;
}

void TGridItem::SetAlignment(Qt::Alignment a)
{
    TqvDataGrid* g = Grid();
    if (!m_stored && g && g->DataLink()->Active() && Field()) {
        Field()->SetAlignment(FromQtAlignment(a));
        return;
    }
    if ((m_assigned & cvBit(cvAlignment)) && a == m_alignment)
        return;
    m_alignment = a;
    m_assigned |= cvBit(cvAlignment);
    Changed();
}

void TGridItem::SetButtonStyle(TColumnButtonStyle s)
{
    if (s == m_buttonStyle)
        return;
    m_buttonStyle = s;
    Changed();
}

QColor TGridItem::Color() const
{
    if (m_assigned & cvBit(cvColor))
        return m_color;
    if (TqvDataGrid* g = Grid())
        return g->Color();
    return QApplication::palette().color(QPalette::Base);
}

void TGridItem::SetColor(const QColor& c)
{
    if ((m_assigned & cvBit(cvColor)) && c == m_color)
        return;
    m_color = c;
    m_assigned |= cvBit(cvColor);
    Changed();
}

void TGridItem::SetExpanded(bool e)
{
    if (e == m_expanded)
        return;
    TqvDataGrid* g = Grid();
    const bool wasShowing = g && g->SelectedItem() == this ? Showing() : false;
    m_expanded = e;
    Changed(true);
    if (g && wasShowing && !Showing())
        g->MoveField(g->CurrentFieldRaw(), e ? 1 : -1);
}

void TGridItem::SetFieldName(const QString& name)
{
    m_fieldName = name;
    TqvDataGrid* g = Grid();
    if (g && g->DataSet()) {
        db::Field* f = name.isEmpty() ? nullptr : g->DataSet()->FindField(name);
        SetField(f);
    } else {
        Changed();
    }
}

QFont TGridItem::Font() const
{
    if (m_assigned & cvBit(cvFont))
        return m_font;
    if (TqvDataGrid* g = Grid())
        return g->font();
    return m_font;
}

void TGridItem::SetFont(const QFont& f)
{
    m_font = f;
    m_assigned |= cvBit(cvFont);
    Changed(true);
}

QStringList& TGridItem::PickList()
{
    if (!m_pickList)
        m_pickList = std::make_unique<QStringList>();
    return *m_pickList;
}

void TGridItem::SetPickList(const QStringList* list)
{
    if (!list)
        m_pickList.reset();
    else
        PickList() = *list;
}

bool TGridItem::ReadOnly() const
{
    if (m_assigned & cvBit(cvReadOnly))
        return m_readOnly;
    TqvDataGrid* g = Grid();
    db::Field* f = Field();
    return (g && g->ReadOnly()) || (f && f->ReadOnly());
}

void TGridItem::SetReadOnly(bool ro)
{
    TqvDataGrid* g = Grid();
    if (!m_stored && g && g->DataLink()->Active() && Field()) {
        Field()->SetReadOnly(ro);
        return;
    }
    if ((m_assigned & cvBit(cvReadOnly)) && ro == m_readOnly)
        return;
    m_readOnly = ro;
    m_assigned |= cvBit(cvReadOnly);
    Changed();
}

bool TGridItem::Visible() const
{
    if (!m_visible)
        return false;
    TGridItem* p = ParentItem();
    return !p || p->Visible();
}

void TGridItem::SetVisible(bool v)
{
    if (v == m_visible)
        return;
    m_visible = v;
    Changed(true);
}

bool TGridItem::Expandable() const
{
    // the data-access layer has no object or array fields: nothing expands
    return false;
}

db::Field* TGridItem::Field() const
{
    TqvDataGrid* g = Grid();
    if (!m_field && !m_fieldName.isEmpty() && g && g->DataSet() && g->DataSet()->Active())
        m_field = g->DataSet()->FindField(m_fieldName);
    return m_field;
}

void TGridItem::SetField(db::Field* f)
{
    if (f == m_field && (!f || f->FullName() == m_fieldName))
        return;
    m_field = f;
    if (f)
        m_fieldName = f->FullName();
    else if (!m_stored)
        m_fieldName.clear();
    RestoreDefaults();
    Changed();
}

TGridItem* TGridItem::ParentItem() const
{
    // fields are flat: no item has a parent
    return nullptr;
}

int TGridItem::Depth() const
{
    int d = 0;
    for (TGridItem* p = ParentItem(); p; p = p->ParentItem())
        ++d;
    return d;
}

bool TGridItem::Showing() const
{
    if (Expanded() || !Visible())
        return false;
    for (TGridItem* p = ParentItem(); p; p = p->ParentItem())
        if (!p->Expanded())
            return false;
    return true;
}

void TGridItem::RestoreDefaults()
{
    const bool fontAssigned = m_assigned & cvBit(cvFont);
    m_title->RestoreDefaults();
    m_assigned = 0;
    m_font = QFont();
    m_pickList.reset();
    m_buttonStyle = TColumnButtonStyle::cbsAuto;
    Changed(fontAssigned);
}

void TGridItem::Assign(const TGridItem& o)
{
    if (m_coll)
        m_coll->BeginUpdate();
    struct Closer {
        TGridItems* c;
        ~Closer() { if (c) c->EndUpdate(); }
    } closer{m_coll};
    RestoreDefaults();
    SetFieldName(o.FieldName());
    const TColumnValues a = o.m_assigned;
    if (a & cvBit(cvColor)) SetColor(o.Color());
    AssignWidth(o);
    if (a & cvBit(cvFont)) SetFont(o.Font());
    if (a & cvBit(cvAlignment)) SetAlignment(o.Alignment());
    if (a & cvBit(cvReadOnly)) SetReadOnly(o.ReadOnly());
    m_title->Assign(*o.m_title);
    m_dropDownRows = o.m_dropDownRows;
    SetButtonStyle(o.m_buttonStyle);
    SetPickList(o.m_pickList.get());
    m_popup = o.m_popup;
    m_visible = o.m_visible;
    m_expanded = o.m_expanded;
}

// ----- TColumn width

int ComputeColumnWidth(int zeroWidth, int overhang, int displayWidth, bool titles, int titleTextWidth)
{
    int w = (zeroWidth - overhang) * displayWidth + overhang + 4;
    if (titles)
        w = qMax(w, titleTextWidth + 4);
    return w;
}

int TColumn::DefaultWidth() const
{
    TqvDataGrid* g = Grid();
    if (!g)
        return 64;
    db::Field* f = Field();
    if (!f)
        return g->DefaultColWidth();
    const QFontMetrics fm(Font());
    const QFontMetrics tm(Title()->Font());
    return ComputeColumnWidth(fm.horizontalAdvance(QLatin1Char('0')), 0, f->DisplayWidth(),
                              g->Options() & dgTitles, tm.horizontalAdvance(Title()->Caption()));
}

int TColumn::Width() const
{
    if (!Showing())
        return -1;
    if (m_assigned & cvBit(cvWidth))
        return m_width;
    return DefaultWidth();
}

void TColumn::SetWidth(int w)
{
    TqvDataGrid* g = Grid();
    if (!m_stored && g) {
        db::Field* f = Field();
        if (f && g->UpdateFields() && w >= 0) {
            const QFontMetrics fm(Font());
            const int avg = qMax(1, fm.averageCharWidth());
            f->SetDisplayWidth((w + avg / 2 - 3) / avg);
        }
        if (g->LayoutFromDataset() && !(m_assigned & cvBit(cvWidth)))
            return;
    }
    if (w != -1 && ((m_assigned & cvBit(cvWidth)) || w != DefaultWidth())) {
        m_width = w;
        m_assigned |= cvBit(cvWidth);
    }
    Changed();
}

void TColumn::AssignWidth(const TGridItem& other)
{
    if (other.AssignedValues() & cvBit(cvWidth))
        SetWidth(static_cast<const TColumn&>(other).Width());
}

// ---------------------------------------------------------------------------------------------
// Collections

TGridItems::~TGridItems() = default;

int TGridItems::IndexOf(const TGridItem* item) const
{
    for (size_t i = 0; i < m_items.size(); ++i)
        if (m_items[i].get() == item)
            return int(i);
    return -1;
}

TGridItem* TGridItems::AddItem(bool stored)
{
    if (m_grid)
        m_grid->BeginLayout();
    if (m_columns)
        m_items.push_back(std::make_unique<TColumn>(this, stored));
    else
        m_items.push_back(std::make_unique<TRow>(this, stored));
    TGridItem* item = m_items.back().get();
    if (m_grid)
        m_grid->EndLayout();
    return item;
}

void TGridItems::Delete(int index)
{
    m_items.erase(m_items.begin() + index);
    ItemChanged(nullptr, true);
}

void TGridItems::Clear()
{
    if (m_items.empty())
        return;
    m_items.clear();
    ItemChanged(nullptr, true);
}

void TGridItems::Move(int from, int to)
{
    if (from == to || from < 0 || to < 0 || from >= Count() || to >= Count())
        return;
    auto item = std::move(m_items[size_t(from)]);
    m_items.erase(m_items.begin() + from);
    m_items.insert(m_items.begin() + to, std::move(item));
    ItemChanged(nullptr, true);
}

TDBGridColumnsState TGridItems::State() const
{
    if (m_items.empty())
        return TDBGridColumnsState::csDefault;
    return m_items.front()->Stored() ? TDBGridColumnsState::csCustomized : TDBGridColumnsState::csDefault;
}

void TGridItems::SetState(TDBGridColumnsState s)
{
    if (s == State())
        return;
    if (s == TDBGridColumnsState::csCustomized)
        RebuildColumns();
    else
        Clear();
}

void TGridItems::RestoreDefaults()
{
    BeginUpdate();
    struct Closer { TGridItems* c; ~Closer() { c->EndUpdate(); } } closer{this};
    for (auto& i : m_items)
        i->RestoreDefaults();
}

void TGridItems::RebuildColumns()
{
    db::DataSet* ds = m_grid ? m_grid->DataSet() : nullptr;
    if (!ds) {
        Clear();
        return;
    }
    m_grid->BeginLayout();
    struct Closer { TqvDataGrid* g; ~Closer() { g->EndLayout(); } } closer{m_grid};
    m_items.clear();
    for (db::Field* f : ds->Fields()) {
        TGridItem* item = AddItem(true);
        item->m_fieldName = f->FullName();
    }
    ItemChanged(nullptr, true);
}

void TGridItems::EndUpdate()
{
    if (m_updateCount > 0 && --m_updateCount == 0 && m_pendingAll) {
        m_pendingAll = false;
        ItemChanged(nullptr, true);
    }
}

void TGridItems::ItemChanged(TGridItem* item, bool all)
{
    if (!m_grid)
        return;
    if (m_updateCount > 0) {
        m_pendingAll = true;
        return;
    }
    if (all || !item) {
        m_grid->RequestLayout();
        return;
    }
    const int raw = IndexOf(item) + m_grid->IndicatorOffset();
    if (m_columns) {
        m_grid->InvalidateCol(raw);
        const int w = static_cast<TColumn*>(item)->Width();
        m_grid->SetColWidths(raw, w < 0 ? -1 : w);
    } else {
        m_grid->InvalidateRow(raw);
    }
}

// ---------------------------------------------------------------------------------------------
// Shared routines

void PaintCellText(QPainter& p, const QRect& rect, int dx, int dy, const QString& text,
                   Qt::Alignment alignment, bool rightToLeft)
{
    if (rightToLeft) {
        if (alignment & Qt::AlignLeft) alignment = (alignment & ~Qt::AlignLeft) | Qt::AlignRight;
        else if (alignment & Qt::AlignRight) alignment = (alignment & ~Qt::AlignRight) | Qt::AlignLeft;
    }
    const QFontMetrics fm = p.fontMetrics();
    // Only the first line of a value is shown in a cell.
    QString line = text;
    const int nl = line.indexOf(QLatin1Char('\n'));
    if (nl >= 0)
        line.truncate(nl);
    line.remove(QLatin1Char('\r'));
    const int tw = fm.horizontalAdvance(line);
    int x;
    if (alignment & Qt::AlignRight)
        x = rect.right() + 1 - tw - 3;
    else if (alignment & Qt::AlignHCenter)
        x = rect.left() + rect.width() / 2 - tw / 2;
    else
        x = rect.left() + dx;
    p.save();
    p.setClipRect(rect, Qt::IntersectClip);
    p.drawText(QPoint(x, rect.top() + dy + fm.ascent()), line);
    p.restore();
}

QString BytesToHexText(const QString& text, int byteCount)
{
    QByteArray bytes(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    if (byteCount >= 0) {
        if (bytes.size() > byteCount)
            bytes.truncate(byteCount);
        else
            bytes.append(QByteArray(byteCount - bytes.size(), '\0'));
    }
    return QString::fromLatin1(bytes.toHex().toUpper());
}

namespace {
int g_bitmapUses = 0;
QImage* g_sharedBitmap = nullptr;
}

void AcquireSharedBitmap()
{
    if (g_bitmapUses++ == 0)
        g_sharedBitmap = new QImage();
}

void ReleaseSharedBitmap()
{
    if (g_bitmapUses > 0 && --g_bitmapUses == 0) {
        delete g_sharedBitmap;
        g_sharedBitmap = nullptr;
    }
}

int SharedBitmapUseCount()
{
    return g_bitmapUses;
}

} // namespace qv
