#pragma once
// The per-field items of the data grids: TColumn (record-per-row grid) and TRow (record-per-
// column grid) with their titles and collections, plus the shared routines of the data-grid
// unit (cell-text painting, the grid-operation error, hexadecimal rendering of bytes).
#include "controls/grid/grid_data.h"
#include "platform/exceptions.h"

#include <QColor>
#include <QFont>
#include <QPointer>
#include <QStringList>
#include <memory>
#include <vector>

class QMenu;
class QPainter;

namespace qv {

class TqvDataGrid;
class TGridItem;
class TGridItems;

enum TColumnValue : unsigned {
    cvColor = 0, cvWidth = 1, cvFont = 2, cvAlignment = 3, cvReadOnly = 4, cvTitleColor = 5,
    cvTitleCaption = 6, cvTitleAlignment = 7, cvTitleFont = 8, cvImeMode = 9, cvImeName = 10
};
using TColumnValues = quint16;
inline constexpr TColumnValues cvBit(TColumnValue v) { return TColumnValues(1u << v); }

enum class TColumnButtonStyle { cbsAuto = 0, cbsEllipsis = 1, cbsNone = 2 };
enum class TDBGridColumnsState { csDefault = 0, csCustomized = 1 };

// The grid operation error of the platform grid.
class EInvalidGridOperation : public Exception {
public:
    using Exception::Exception;
};
[[noreturn]] void RaiseGridOperationError(const QString& message);

class TGridItemTitle {
public:
    explicit TGridItemTitle(TGridItem* item) : m_item(item) {}
    TGridItem* Item() const { return m_item; }
    Qt::Alignment Alignment() const;
    void SetAlignment(Qt::Alignment a);
    QString Caption() const;
    void SetCaption(const QString& c);
    QColor Color() const;
    void SetColor(const QColor& c);
    QFont Font() const;
    void SetFont(const QFont& f);
    void RestoreDefaults();
    void Assign(const TGridItemTitle& other);

private:
    TGridItem* m_item;
    QString m_caption;
    QFont m_font;
    QColor m_color;
    Qt::Alignment m_alignment = Qt::AlignLeft;
};

// An item binds one field of the grid's data set by name and carries how it is shown.
class TGridItem {
public:
    explicit TGridItem(TGridItems* collection, bool stored = true);
    virtual ~TGridItem();

    TGridItems* Collection() const { return m_coll; }
    TqvDataGrid* Grid() const;
    int Index() const;
    void SetIndex(int index);     // moving the item
    QString DisplayName() const;

    Qt::Alignment Alignment() const;
    void SetAlignment(Qt::Alignment a);
    TColumnButtonStyle ButtonStyle() const { return m_buttonStyle; }
    void SetButtonStyle(TColumnButtonStyle s);
    QColor Color() const;
    void SetColor(const QColor& c);
    int DropDownRows() const { return m_dropDownRows; }
    void SetDropDownRows(int n) { m_dropDownRows = n; }
    bool Expanded() const { return m_expanded && Expandable(); }
    void SetExpanded(bool e);
    QString FieldName() const { return m_fieldName; }
    void SetFieldName(const QString& name);
    QFont Font() const;
    void SetFont(const QFont& f);
    QStringList& PickList();
    bool HasPickList() const { return m_pickList && !m_pickList->isEmpty(); }
    void SetPickList(const QStringList* list);
    QMenu* PopupMenu() const { return m_popup; }
    void SetPopupMenu(QMenu* m) { m_popup = m; }
    bool ReadOnly() const;
    void SetReadOnly(bool ro);
    TGridItemTitle* Title() const { return m_title.get(); }
    bool Visible() const;
    void SetVisible(bool v);

    TColumnValues AssignedValues() const { return m_assigned; }
    bool Stored() const { return m_stored; }
    bool Expandable() const;
    db::Field* Field() const;
    void SetField(db::Field* f);
    TGridItem* ParentItem() const;
    bool Showing() const;
    int Depth() const;
    virtual void RestoreDefaults();
    void Assign(const TGridItem& other);

protected:
    void Changed(bool all = false);
    virtual void AssignWidth(const TGridItem&) {}
    friend class TGridItemTitle;
    friend class TqvDataGrid;
    friend class TGridItems;
    TGridItems* m_coll;
    mutable db::Field* m_field = nullptr;
    QString m_fieldName;
    QColor m_color;
    std::unique_ptr<TGridItemTitle> m_title;
    QFont m_font;
    std::unique_ptr<QStringList> m_pickList;
    QPointer<QMenu> m_popup;
    int m_dropDownRows = 7;
    TColumnButtonStyle m_buttonStyle = TColumnButtonStyle::cbsAuto;
    Qt::Alignment m_alignment = Qt::AlignLeft;
    bool m_readOnly = false;
    TColumnValues m_assigned = 0;
    bool m_visible = true;
    bool m_expanded = true;
    bool m_stored = true;
};

using TColumnTitle = TGridItemTitle;
using TRowTitle = TGridItemTitle;

class TColumn : public TGridItem {
public:
    using TGridItem::TGridItem;
    int Width() const;
    void SetWidth(int w);
    int DefaultWidth() const;       // the computed width
    TColumn* ParentColumn() const { return static_cast<TColumn*>(ParentItem()); }

protected:
    void AssignWidth(const TGridItem& other) override;

private:
    int m_width = 0;
};

class TRow : public TGridItem {
public:
    using TGridItem::TGridItem;
    TRow* ParentRow() const { return static_cast<TRow*>(ParentItem()); }
};

// The collection of items of one data grid.
class TGridItems {
public:
    TGridItems(TqvDataGrid* grid, bool columns) : m_grid(grid), m_columns(columns) {}
    virtual ~TGridItems();
    TqvDataGrid* Grid() const { return m_grid; }
    int Count() const { return int(m_items.size()); }
    TGridItem* Item(int i) const { return m_items[size_t(i)].get(); }
    int IndexOf(const TGridItem* item) const;
    TGridItem* AddItem(bool stored = true);
    void Delete(int index);
    void Clear();
    void Move(int from, int to);
    TDBGridColumnsState State() const;
    void SetState(TDBGridColumnsState s);
    void RestoreDefaults();
    void RebuildColumns();
    void BeginUpdate() { ++m_updateCount; }
    void EndUpdate();
    bool Updating() const { return m_updateCount > 0; }
    void ItemChanged(TGridItem* item, bool all);

private:
    TqvDataGrid* m_grid;
    bool m_columns;
    std::vector<std::unique_ptr<TGridItem>> m_items;
    int m_updateCount = 0;
    bool m_pendingAll = false;
};

class TDBGridColumns : public TGridItems {
public:
    explicit TDBGridColumns(TqvDataGrid* grid) : TGridItems(grid, true) {}
    TColumn* Items(int i) const { return static_cast<TColumn*>(Item(i)); }
    TColumn* operator[](int i) const { return Items(i); }
    TColumn* Add() { return static_cast<TColumn*>(AddItem(true)); }
};

class TDBGridRows : public TGridItems {
public:
    explicit TDBGridRows(TqvDataGrid* grid) : TGridItems(grid, false) {}
    TRow* Items(int i) const { return static_cast<TRow*>(Item(i)); }
    TRow* operator[](int i) const { return Items(i); }
    TRow* Add() { return static_cast<TRow*>(AddItem(true)); }
    void RebuildRows() { RebuildColumns(); }
};

// width = ("0" width − overhang) × display width + overhang + 4, raised to the title
// caption's width + 4 when titles are shown.
int ComputeColumnWidth(int zeroWidth, int overhang, int displayWidth, bool titles, int titleTextWidth);

// Draws text in a cell: left alignment at rect.left + dx, right alignment ending 3 pixels
// before the right edge, centred on the rectangle; top at rect.top + dy; clipped.
void PaintCellText(QPainter& p, const QRect& rect, int dx, int dy, const QString& text,
                   Qt::Alignment alignment, bool rightToLeft);

// The UTF-16LE bytes of text, cut or padded with zero bytes to byteCount (−1 keeps all),
// as upper-case hexadecimal digits.
QString BytesToHexText(const QString& text, int byteCount);

// Process-wide off-screen image shared by the grids for composing cell text.
void AcquireSharedBitmap();
void ReleaseSharedBitmap();
int SharedBitmapUseCount();

} // namespace qv
