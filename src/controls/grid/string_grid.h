#pragma once
// The editable table of text cells used wherever a window edits a list of values: an edit
// style per column position (plain, ellipsis button, pick list, drop list, check boxes), three
// keyboard modes, a snapshot of the contents against which changes are found, and row and
// column insertion that always starts from empty cells.
#include "controls/grid/grid_base.h"

#include <QStringList>
#include <functional>
#include <vector>

namespace qv {

enum class TqvGridEditStyle { geSimple = 0, geEllipsis = 1, gePickList = 2, geDropList = 3, geCheckBox = 4, geViewCheckBox = 5 };
enum class TqvGridEditorMode { geAccess = 0, geExcel = 1, geNormal = 2 };

class TqvStringGrid;

class TqvInplaceEditor : public TInplaceEditList {
    Q_OBJECT
public:
    explicit TqvInplaceEditor(TqvStringGrid* grid);
    TqvStringGrid* StringGrid() const;
    void InputComplite();
    void UpdateContents() override;

protected:
    void DoGetPickListItems() override;
    void ListAccepted(int index) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    bool CompleteFromList(QChar ch);
    QString m_original;
};

class TqvStringGrid : public TqvCustomGrid {
    Q_OBJECT
public:
    explicit TqvStringGrid(QWidget* parent = nullptr);
    ~TqvStringGrid() override;

    QString Cells(int c, int r) const;
    void SetCells(int c, int r, const QString& v);
    void* Objects(int c, int r) const;
    void SetObjects(int c, int r, void* o);
    QStringList Rows(int r) const;
    void SetRows(int r, const QStringList& l);
    QStringList Cols(int c) const;
    void SetCols(int c, const QStringList& l);
    QStringList Header() const { return Rows(0); }
    void SetHeader(const QStringList& l) { SetRows(0, l); }

    TqvGridEditorMode GridMode() const { return m_gridMode; }
    void SetGridMode(TqvGridEditorMode m);
    TqvGridEditStyle EditStyles(int index) const;
    void SetEditStyles(int index, TqvGridEditStyle s);
    bool FlatCheckBox() const { return m_flatCheckBox; }
    void SetFlatCheckBox(bool f);
    TqvInplaceEditor* InplaceEditorQv() const { return static_cast<TqvInplaceEditor*>(InplaceEditor()); }

    bool Checked(int c, int r) const;
    void SetChecked(int c, int r, bool v);
    bool IsNull(int c, int r) const;

    void InsertRow(int index);
    void DeleteRow(int index);
    void MoveRow(int from, int to) { DoMoveRow(from, to); }
    void MoveColumn(int from, int to) { DoMoveColumn(from, to); }
    void InsertCol(int index);
    void RemoveColumn(int index);
    void Clear();

    // snapshot
    void Save();
    int SaveRowCount() const { return m_saveRowCount; }
    QString SaveCells(int c, int r) const;
    const QStringList& SaveRows(int r) const { return m_saveRows[size_t(r)]; }
    QStringList SaveCols(int c) const;
    bool IsChanged() const;
    bool IsChangedRow(int r) const;
    bool IsChangedCol(int c) const;
    bool IsChangedCell(int c, int r) const;

    void DrawCheck(QPainter& p, int c, int r, const QRect& rect, bool enabled);
    static QSize CheckGlyphSize();
    void CopyToClipboard();

    // events
    std::function<void(TqvStringGrid*, int, int, TqvInplaceEditor*)> OnShowEditor;
    std::function<void(int, int, QStringList&)> OnGetPickListitems;
    std::function<void(TqvStringGrid*, int, int, int)> OnSelectListItems;
    std::function<void()> OnEditButtonClick;
    std::function<void(TqvStringGrid*, int, int, const QString&)> OnBeforeSetEditText;
    std::function<void(TqvStringGrid*, int, int, const QString&)> OnSetEditText;
    std::function<void(QPainter&, int, int, const QRect&, TGridDrawState)> OnDrawCell;
    std::function<bool(int, int)> OnSelectCell;

    // hooks
    QString GetEditText(int c, int r) override { return Cells(c, r); }
    void SetEditText(int c, int r, const QString& value) override;
    TEditStyle GetEditStyle(int c, int r) override;
    int GetEditLimit() override;
    void EditButtonClick() override { if (OnEditButtonClick) OnEditButtonClick(); }
    void GetPickListItems(int c, int r, QStringList& items) override;
    void GridEnter(QKeyEvent* e);   // Enter handed over by the editor

protected:
    void DrawCell(QPainter& p, int c, int r, const QRect& rect, TGridDrawState state) override;
    bool SelectCell(int c, int r) override { return !OnSelectCell || OnSelectCell(c, r); }
    TInplaceEditList* CreateEditor() override;
    void SizeChanged(int oldColCount, int oldRowCount) override;
    void ColumnMoved(int from, int to) override;
    void RowMoved(int from, int to) override;
    void KeyDown(QKeyEvent* e) override;
    void KeyPress(QKeyEvent* e) override;
    void GridMousePress(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void FocusLeft() override;

private:
    QString RowText(int r) const;
    std::vector<std::vector<QString>> m_cells;     // [row][col]
    std::vector<std::vector<void*>> m_objects;
    TqvGridEditorMode m_gridMode = TqvGridEditorMode::geNormal;
    int m_saveRowCount = 0;
    std::vector<QStringList> m_saveRows;
    std::vector<TqvGridEditStyle> m_editStyles;
    bool m_flatCheckBox = false;
    friend class TqvInplaceEditor;
};

} // namespace qv
