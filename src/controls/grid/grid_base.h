#pragma once
// The generic owner-drawn grid on which the string grid and the data grids stand: raw cells,
// fixed rows and columns, column widths and row heights, a current cell, the top-left cell,
// column sizing and moving with the mouse on the fixed rows, timed scrolling while the mouse
// is dragged outside, and one in-place editor that the grid shows, hides and positions.
#include <QAbstractScrollArea>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <vector>

class QListWidget;
class QToolButton;

namespace qv {

class TqvCustomGrid;

enum TGridOption : unsigned {
    goFixedVertLine = 1u << 0, goFixedHorzLine = 1u << 1, goVertLine = 1u << 2, goHorzLine = 1u << 3,
    goRangeSelect = 1u << 4, goDrawFocusSelected = 1u << 5, goRowSizing = 1u << 6, goColSizing = 1u << 7,
    goRowMoving = 1u << 8, goColMoving = 1u << 9, goEditing = 1u << 10, goTabs = 1u << 11,
    goRowSelect = 1u << 12, goAlwaysShowEditor = 1u << 13, goThumbTracking = 1u << 14,
};
using TGridOptions = unsigned;

enum TGridDrawStateFlag : unsigned { gdSelected = 1, gdFocused = 2, gdFixed = 4 };
using TGridDrawState = unsigned;

enum class TEditStyle { esSimple, esEllipsis, esPickList };

enum class TScrollCode { LineUp, LineDown, PageUp, PageDown, ThumbPosition, ThumbTrack, Top, Bottom, EndScroll };

// A scroll bar's range as the grids compute it: positions min..max, of which page are shown.
struct TScrollInfo {
    int Min = 0, Max = 0, Page = 0, Pos = 0;
    bool operator==(const TScrollInfo&) const = default;
};

struct TGridCoord {
    int X = -1;  // column
    int Y = -1;  // row
    bool operator==(const TGridCoord&) const = default;
};

// The list editor: an edit box over the current cell that can show an ellipsis button or
// drop down a pick list.
class TInplaceEditList : public QLineEdit {
    Q_OBJECT
public:
    explicit TInplaceEditList(TqvCustomGrid* grid);
    ~TInplaceEditList() override;

    TqvCustomGrid* Grid() const { return m_grid; }
    TEditStyle EditStyle() const { return m_style; }
    void SetEditStyle(TEditStyle s);
    int DropDownRows() const { return m_dropDownRows; }
    void SetDropDownRows(int n) { m_dropDownRows = n; }
    QListWidget* PickList();
    bool ListVisible() const { return m_listVisible; }
    virtual void DropDown();
    virtual void CloseUp(bool accept);
    // Called by the grid when it moves the editor to a new cell (style, text, limit).
    virtual void UpdateContents();
    void SetEditLimit(int limit) { setMaxLength(limit > 0 ? limit : 32767); }
    void Deselect() { QLineEdit::deselect(); }

protected:
    // Fills the pick list before it drops down; the default asks nothing.
    virtual void DoGetPickListItems() {}
    virtual void EditButtonClick();
    virtual void ListAccepted(int index) { (void)index; }
    void keyPressEvent(QKeyEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    bool event(QEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;
    // Hands a key to the grid as if the grid had received it.
    void SendKeyToGrid(QKeyEvent* e);

    TqvCustomGrid* m_grid;

private:
    void UpdateButton();
    TEditStyle m_style = TEditStyle::esSimple;
    int m_dropDownRows = 7;
    QToolButton* m_button = nullptr;
    QListWidget* m_list = nullptr;
    bool m_listVisible = false;
    friend class TqvCustomGrid;
};

class TqvCustomGrid : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TqvCustomGrid(QWidget* parent = nullptr);
    ~TqvCustomGrid() override;

    int ColCount() const { return int(m_colWidths.size()); }
    int RowCount() const { return int(m_rowHeights.size()); }
    void SetColCount(int n);
    void SetRowCount(int n);
    int FixedCols() const { return m_fixedCols; }
    int FixedRows() const { return m_fixedRows; }
    void SetFixedCols(int n);
    void SetFixedRows(int n);
    int DefaultColWidth() const { return m_defaultColWidth; }
    void SetDefaultColWidth(int w);
    int DefaultRowHeight() const { return m_defaultRowHeight; }
    void SetDefaultRowHeight(int h);
    int ColWidths(int c) const { return c >= 0 && c < ColCount() ? m_colWidths[c] : 0; }
    void SetColWidths(int c, int w);
    int RowHeights(int r) const { return r >= 0 && r < RowCount() ? m_rowHeights[r] : 0; }
    void SetRowHeights(int r, int h);
    int GridLineWidth() const { return m_gridLineWidth; }
    TGridOptions GridOptions() const { return m_gridOptions; }
    void SetGridOptions(TGridOptions o);

    int Col() const { return m_col; }
    int Row() const { return m_row; }
    void SetCol(int c) { FocusCell(c, m_row, true); }
    void SetRow(int r) { FocusCell(m_col, r, true); }
    void MoveCurrent(int c, int r, bool fireSelect, bool show);
    int TopRow() const { return m_topRow; }
    int LeftCol() const { return m_leftCol; }
    void SetTopRow(int r);
    void SetLeftCol(int c);
    int VisibleRowCount() const;   // fully visible non-fixed rows
    int VisibleColCount() const;
    QRect CellRect(int c, int r) const;   // empty when not visible
    TGridCoord MouseCoord(int x, int y) const;

    bool EditorMode() const { return m_editorMode; }
    void SetEditorMode(bool on);
    TInplaceEditList* InplaceEditor() const { return m_editor; }
    void ShowEditor();
    void HideEditor();
    void UpdateEditor();     // reload the editor from the cell
    void InvalidateCell(int c, int r);
    void InvalidateCol(int c);
    void InvalidateRow(int r);
    void InvalidateGrid() { viewport()->update(); }
    void InvalidateRect(const QRect& r) { viewport()->update(r); }

    // Hooks the editor calls.
    virtual QString GetEditText(int c, int r) { (void)c; (void)r; return {}; }
    virtual void SetEditText(int c, int r, const QString& value) { (void)c; (void)r; (void)value; }
    virtual TEditStyle GetEditStyle(int c, int r) { (void)c; (void)r; return TEditStyle::esSimple; }
    virtual int GetEditLimit() { return 0; }
    virtual bool CanEditModify() { return true; }
    virtual bool EditorReadOnly() { return false; }   // asked without side effects
    virtual void EditButtonClick() {}
    virtual void GetPickListItems(int c, int r, QStringList& items) { (void)c; (void)r; (void)items; }
    // Keys that the editor passes on are handled here as if pressed on the grid.
    void GridKeyDown(QKeyEvent* e) { keyPressEvent(e); }
    bool InTimedScroll() const { return m_scrollTimer.isActive(); }
    TScrollInfo VertScrollInfo() const { return m_vInfo; }
    TScrollInfo HorzScrollInfo() const { return m_hInfo; }

protected:
    virtual void DrawCell(QPainter& p, int c, int r, const QRect& rect, TGridDrawState state);
    virtual bool SelectCell(int c, int r) { (void)c; (void)r; return true; }
    virtual bool CanEditShow();
    virtual bool CanEditAcceptKey(QChar ch) { (void)ch; return true; }
    virtual TInplaceEditList* CreateEditor();
    virtual void ColumnMoved(int from, int to);
    virtual void RowMoved(int from, int to);
    virtual void ColWidthsChanged() {}
    virtual void RowHeightsChanged() {}
    virtual void TopLeftChanged() {}
    virtual void SizeChanged(int oldColCount, int oldRowCount) { (void)oldColCount; (void)oldRowCount; }
    virtual void UpdateScrollBars();
    virtual void VScroll(TScrollCode code, int pos);
    virtual void HScroll(TScrollCode code, int pos);
    virtual void TimedScroll(int dx, int dy);
    virtual bool BeginColumnDrag(int origin) { (void)origin; return true; }
    // The grid's own key handling; the default is the platform grid's navigation.
    virtual void KeyDown(QKeyEvent* e);
    virtual void KeyPress(QKeyEvent* e);
    virtual void GridMousePress(QMouseEvent* e);
    virtual void GridMouseRelease(QMouseEvent* e);
    virtual void GridDoubleClick(QMouseEvent* e) { (void)e; }
    // The focus went from the grid or its editor to a control outside the grid.
    virtual void FocusLeft() {}
    void focusOutEvent(QFocusEvent* e) override;

public:
    void CheckFocusLeft();

protected:
    bool InSizingZone(int x, int y, int* col = nullptr) const;
    bool Sizing() const { return m_sizingCol >= 0 || m_movingCol >= 0; }
    bool WasSizing() const { return m_wasSizing; }
    void StartColumnSizing(int col, int x);
    void StartColumnMoving(int col);

    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent* e) override;
    bool event(QEvent* e) override;

    void FocusCell(int c, int r, bool fireSelect);
    void ClampTopLeft();
    void MakeCurrentVisible();
    void MoveEditor();
    void PlaceEditor();
    void DoMoveColumn(int from, int to);     // moves widths; then ColumnMoved
    void DoMoveRow(int from, int to);
    void DeleteRowAt(int r);
    void SetScrollInfo(Qt::Orientation o, const TScrollInfo& info);
    bool m_suppressScrollSignals = false;
    bool m_ownVScroll = false;   // the subclass drives the vertical bar itself
    bool m_ownHScroll = false;
    bool m_destroying = false;

private:
    int ColAdv(int c, int lw) const { const int w = ColWidths(c); return w < 0 ? 0 : w + lw; }
    int RowAdv(int r, int lw) const { const int h = RowHeights(r); return h < 0 ? 0 : h + lw; }
    void OnScrollTimer();
    void OnScrollAction(Qt::Orientation o, int action);
    TScrollInfo m_vInfo, m_hInfo;
    std::vector<int> m_colWidths;
    std::vector<int> m_rowHeights;
    int m_fixedCols = 1, m_fixedRows = 1;
    int m_defaultColWidth = 64, m_defaultRowHeight = 24;
    int m_gridLineWidth = 1;
    TGridOptions m_gridOptions = goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine;
    int m_col = 1, m_row = 1;
    int m_topRow = 1, m_leftCol = 1;
    bool m_editorMode = false;
    TInplaceEditList* m_editor = nullptr;
    int m_sizingCol = -1, m_sizingStartX = 0, m_sizingStartW = 0;
    int m_movingCol = -1, m_moveTarget = -1;
    bool m_wasSizing = false;
    bool m_mouseDown = false;
    bool m_passingKey = false;   // a typed character is being handed to the editor

    QTimer m_scrollTimer;
    QPoint m_lastMouse;
};

} // namespace qv
