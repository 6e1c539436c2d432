#pragma once
// The data grids: TqvDBGridV shows one record per row and one field per column, TqvDBGridH
// one record per column and one field per row. Both are one implementation (TqvDataGrid) told
// along a record axis and a field axis; the grid reads only the records it shows, through
// the record buffer of its data link.
#include "controls/grid/grid_base.h"
#include "controls/grid/grid_columns.h"
#include "controls/grid/grid_link.h"

#include <QPixmap>
#include <functional>
#include <memory>

namespace qv {

enum TDBGridOption : unsigned {
    dgEditing = 1u << 0, dgAlwaysShowEditor = 1u << 1, dgTitles = 1u << 2, dgIndicator = 1u << 3,
    dgColumnResize = 1u << 4, dgColLines = 1u << 5, dgRowLines = 1u << 6, dgTabs = 1u << 7,
    dgRowSelect = 1u << 8, dgAlwaysShowSelection = 1u << 9, dgConfirmDelete = 1u << 10,
    dgCancelOnExit = 1u << 11, dgMultiSelect = 1u << 12,
};
using TDBGridOptions = unsigned;

class TDBGridInplaceEdit;

class TqvDataGrid : public TqvCustomGrid {
    Q_OBJECT
public:
    ~TqvDataGrid() override;

    bool Transposed() const { return m_transposed; }
    // data binding
    db::DataSource* DataSource() const { return m_dataLink.DataSource(); }
    void SetDataSource(db::DataSource* src);
    db::DataSet* DataSet() const { return m_dataLink.DataSet(); }
    TGridDataLink* DataLink() { return &m_dataLink; }
    TBookmarkList* SelectedRecords() { return &m_bookmarks; }
    TGridItems* Items() const { return m_items.get(); }

    // appearance
    TDBGridOptions Options() const { return m_options; }
    void SetOptions(TDBGridOptions o);
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool ro) { m_readOnly = ro; }
    QColor Color() const { return m_color; }
    void SetColor(const QColor& c) { m_color = c; viewport()->update(); }
    QColor FixedColor() const { return m_fixedColor; }
    void SetFixedColor(const QColor& c) { m_fixedColor = c; viewport()->update(); }
    QFont TitleFont() const { return m_titleFont; }
    void SetTitleFont(const QFont& f);
    bool ParentFont() const { return m_parentFont; }
    void SetGridFont(const QFont& f);   // the grid's own font (Font); copied to TitleFont with ParentFont
    bool DefaultDrawing() const { return m_defaultDrawing; }
    void SetDefaultDrawing(bool d) { m_defaultDrawing = d; }
    int IndicatorOffset() const { return m_indicatorOffset; }
    int TitleOffset() const { return m_titleOffset; }
    int FieldCount() const { return m_dataLink.FieldCount(); }
    db::Field* GetFields(int i) const { return m_dataLink.Fields(i); }
    bool ValidFieldIndex(int i) const { return m_dataLink.MappedIndex(i) >= 0; }
    db::Field* SelectedField() const;
    void SetSelectedField(db::Field* f);
    int SelectedIndex() const;
    void SetSelectedIndex(int i);
    TGridCoord SelectedCell() const { return m_selectedCell; }
    void SetSelectedCell(TGridCoord c) { m_selectedCell = c; }
    bool AcquireFocus() const { return m_acquireFocus; }
    void SetAcquireFocus(bool a) { m_acquireFocus = a; }
    bool UpdateFields() const { return m_updateFields; }
    bool LayoutFromDataset() const { return m_layoutFromDataset; }
    int SelRow() const { return m_selRow; }
    QString EditTextHeld() const { return m_editText; }
    QRect GetCellRect(int c, int r) const { return CellRect(c, r); }
    // The text painted in the data cell at raw (c, r); empty for fixed cells and hidden fields.
    QString CellText(int c, int r);

    // the selected field range (ColStart/ColEnd, RowStart/RowEnd)
    int RangeStart() const { return m_rangeStart; }
    int RangeEnd() const { return m_rangeEnd; }
    void SetRangeStart(int v) { m_rangeStart = v; viewport()->update(); }
    void SetRangeEnd(int v) { m_rangeEnd = v; viewport()->update(); }
    virtual bool WholeMode() const = 0;
    virtual void SetWholeMode(bool on) = 0;

    // layout brackets
    void BeginUpdate() { ++m_updateLock; }
    void EndUpdate() { if (m_updateLock > 0) --m_updateLock; }
    void BeginLayout();
    void EndLayout();
    void CancelLayout();
    bool AcquireLayoutLock();
    virtual void RequestLayout();
    bool LayoutPending() const { return m_deferredLayoutQueued; }
    int LayoutPassCount() const { return m_layoutPasses; }

    // notices from the link
    virtual void LinkActiveChanged(bool active);
    void DataChanged();
    void RecordChanged(db::Field* field);
    void EditingChanged();
    void UpdateData();
    void FieldRemoved(db::Field* field);
    virtual void ScrollRecords(int distance) { (void)distance; DataChanged(); }

    // commands
    QString BuildCopyText();            // what a copy puts on the clipboard (empty: nothing)
    void CopyToClipboard();             // the copy message
    void PasteFromClipboard();          // the paste message (record paste or cell paste)
    void PasteRecords(const QString& text);
    void ClearSelected();               // the clear message: delete the selected records
    void DeleteRecords();               // Ctrl+Delete
    bool ConfirmDelete();
    void SelectAll();                   // every record and the whole field range
    void NextRecord(bool extend);
    void PriorRecord(bool extend);
    void ClearRowSelection();

    // events
    std::function<void(int field)> OnFieldEnter, OnFieldExit;                          // OnColEnter / OnColExit
    std::function<void(QPainter&, const QRect&, db::Field*, TGridDrawState)> OnDrawDataCell;
    std::function<void(QPainter&, const QRect&, int dataIndex, TGridItem*, TGridDrawState)> OnDrawItemCell;
    std::function<void()> OnEditButtonClick;
    std::function<void(int from, int to)> OnItemMoved;
    std::function<void(TGridItem*)> OnCellClick, OnTitleClick;
    std::function<void()> OnDblClick;
    std::function<void(QKeyEvent*)> OnKeyDown;

    // The standard confirmation dialog; tests replace it.
    static std::function<bool(QWidget*, const QString&)>& ConfirmHook();

    void DefaultDrawItemCell(QPainter& p, const QRect& rect, int dataIndex, TGridItem* item, TGridDrawState st);
    void DefaultDrawDataCell(QPainter& p, const QRect& rect, db::Field* field, TGridDrawState st);
    static QPixmap IndicatorGlyph(int index, bool transposed);

    // geometry helpers for tests and the frame
    int DefaultRecordHeight() const { return m_defaultRowHeightCalc; }
    int VisibleRecordCount() const { return m_transposed ? VisibleColCount() : VisibleRowCount(); }
    int CurrentFieldRaw() const { return m_transposed ? Row() : Col(); }
    int CurrentRecordRaw() const { return m_transposed ? Col() : Row(); }
    void MoveField(int raw, int direction);

    // hooks of the editor
    QString GetEditText(int c, int r) override;
    void SetEditText(int c, int r, const QString& value) override;
    TEditStyle GetEditStyle(int c, int r) override;
    int GetEditLimit() override;
    bool CanEditModify() override;
    bool MayModifyCell() const;
    bool EditorReadOnly() override { return !MayModifyCell(); }   // CanEditModify without putting the record into edit mode
    void EditButtonClick() override;
    void GetPickListItems(int c, int r, QStringList& items) override;
    TGridItem* SelectedItem() const;

protected:
    TqvDataGrid(bool transposed, QWidget* parent);
    virtual void MapFields();
    virtual bool CellHighlighted(int field, int record, TGridDrawState st, const QString& text);
    virtual void ApplyColumnAttributes();
    void InternalLayout();
    void UpdateRowCount();         // the record axis count update
    void UpdateActive();           // current-record sync
    void UpdateScrollBar();
    void InvalidateEditor();
    void StepRecord(int direction, bool extend);
    void TabToField(bool forward);

    void DrawCell(QPainter& p, int c, int r, const QRect& rect, TGridDrawState state) override;
    bool CanEditShow() override;
    bool CanEditAcceptKey(QChar ch) override;
    TInplaceEditList* CreateEditor() override;
    void ColumnMoved(int from, int to) override;
    void RowMoved(int from, int to) override;
    void ColWidthsChanged() override;
    void TopLeftChanged() override;
    void UpdateScrollBars() override;
    void VScroll(TScrollCode code, int pos) override;
    void HScroll(TScrollCode code, int pos) override;
    void TimedScroll(int dx, int dy) override;
    void KeyDown(QKeyEvent* e) override;
    void KeyPress(QKeyEvent* e) override;
    void GridMousePress(QMouseEvent* e) override;
    void GridMouseRelease(QMouseEvent* e) override;
    void GridDoubleClick(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void FocusLeft() override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;
    bool event(QEvent* e) override;

    void SetFieldAxisCount(int n) { if (m_transposed) SetRowCount(n); else SetColCount(n); }
    void SetRecordAxisCount(int n) { if (m_transposed) SetColCount(n); else SetRowCount(n); }
    int FieldAxisCount() const { return m_transposed ? RowCount() : ColCount(); }
    int RecordAxisCount() const { return m_transposed ? ColCount() : RowCount(); }
    int FieldAxisSize(int raw) const { return m_transposed ? RowHeights(raw) : ColWidths(raw); }
    void MoveToCell(int fieldRaw, int recordRaw, bool show);
    void ScrollByRecords(TScrollCode code, int pos);
    bool TakeFocus();

    std::unique_ptr<TGridItems> m_items;
    TGridDataLink m_dataLink;
    TBookmarkList m_bookmarks;
    bool m_transposed;
    TDBGridOptions m_options = 0;
    bool m_readOnly = false;
    QColor m_color;
    QColor m_fixedColor;
    QFont m_titleFont;
    bool m_parentFont = true;
    bool m_selfChangingTitleFont = false;
    bool m_defaultDrawing = true;
    bool m_layoutFromDataset = false;
    int m_titleOffset = 1;
    int m_indicatorOffset = 1;
    int m_updateLock = 0;
    int m_layoutLock = 0;
    bool m_inColExit = false;
    int m_rangeStart = 0, m_rangeEnd = 0;
    bool m_selecting = false;
    int m_selRow = -1;
    QString m_editText;
    QByteArray m_selectionAnchor;
    bool m_updateFields = true;
    bool m_acquireFocus = true;
    TGridCoord m_selectedCell;
    Qt::KeyboardModifiers m_shift;      // the modifier state of the event being handled
    bool m_tabHeld = false;
    bool m_deferredLayoutQueued = false;
    int m_layoutPasses = 0;
    int m_defaultRowHeightCalc = 0;
    bool m_inLayout = false;
    QStringList m_fieldOrder;   // default columns moved by the user: field names in shown order
    friend class TGridDataLink;
    friend class TDBGridInplaceEdit;
    friend class TGridItem;
};

class TqvDBGridV : public TqvDataGrid {
    Q_OBJECT
public:
    explicit TqvDBGridV(QWidget* parent = nullptr);
    TDBGridColumns* Columns() const { return static_cast<TDBGridColumns*>(m_items.get()); }
    TBookmarkList* SelectedRows() { return &m_bookmarks; }
    int ColStart() const { return m_rangeStart; }
    int ColEnd() const { return m_rangeEnd; }
    void SetColStart(int v) { SetRangeStart(v); }
    void SetColEnd(int v) { SetRangeEnd(v); }
    int RawToDataColumn(int raw) const { return raw - m_indicatorOffset; }
    void MoveColumn(int raw, int direction) { MoveField(raw, direction); }
    bool WholeMode() const override;
    void SetWholeMode(bool on) override;
};

class TqvDBGridH : public TqvDataGrid {
    Q_OBJECT
public:
    explicit TqvDBGridH(QWidget* parent = nullptr);
    TDBGridRows* Rows() const { return static_cast<TDBGridRows*>(m_items.get()); }
    TBookmarkList* SelectedCols() { return &m_bookmarks; }
    int RowStart() const { return m_rangeStart; }
    int RowEnd() const { return m_rangeEnd; }
    void SetRowStart(int v) { SetRangeStart(v); }
    void SetRowEnd(int v) { SetRangeEnd(v); }
    int RawToDataRow(int raw) const { return raw - m_indicatorOffset; }
    int GetColWidth(int raw) const { return ColWidths(raw); }
    void MoveRow(int raw, int direction) { MoveField(raw, direction); }
    bool WholeMode() const override;
    void SetWholeMode(bool on) override;
};

// The in-cell editor of the data grids.
class TDBGridInplaceEdit : public TInplaceEditList {
    Q_OBJECT
public:
    explicit TDBGridInplaceEdit(TqvDataGrid* grid);
    TqvDataGrid* DataGrid() const { return static_cast<TqvDataGrid*>(m_grid); }
    void UpdateContents() override;
    void CopyMessage();
    void PasteMessage();
    void ClearMessage();

protected:
    void DoGetPickListItems() override;
    void keyPressEvent(QKeyEvent* e) override;
    bool event(QEvent* e) override;
};

// Record paste: the clipboard text as records of tab-separated values. Lines end with LF or
// CR LF; a final empty line makes no record; a value that starts with a double quote runs to
// the closing quote, may hold tabs and line breaks, and "" inside it stands for one quote.
QList<QStringList> ParseRecordPaste(const QString& text);
// The copy form of one value: quoted (inner quotes doubled, CR LF and CR turned into LF) when it
// holds a tab, a line break or a double quote; otherwise unchanged.
QString QuoteCopyValue(const QString& text);

} // namespace qv
