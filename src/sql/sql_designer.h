#pragma once
// The query builder's window side: a scrollable design surface painted by us (table boxes,
// join lines with their operators, selection, moving boxes, dragging a column onto a column)
// and the seven-column grid. The design itself and both SQL directions are TqvSQLDesign.
#include "sql/query_design.h"

#include <QScrollArea>
#include <QWidget>

#include <functional>

class QTableWidget;
class QLineEdit;
class QAction;

namespace qv {

class TqvSQLDesigner;

// The painted surface inside the designer's scroll area.
class TqvDesignSurface : public QWidget {
    Q_OBJECT
public:
    explicit TqvDesignSurface(TqvSQLDesigner* owner);

    // Geometry of a box's parts in surface coordinates.
    QRect HeaderRect(const TqvSQLBuildTable* t) const;
    QRect AliasRect(const TqvSQLBuildTable* t) const;
    QRect ItemRect(const TqvSQLBuildTable* t, int index) const; // empty when scrolled out
    TqvSQLBuildTable* BoxAt(QPoint p) const;
    // The sizing border of a box under a point (no edges: not on the border).
    Qt::Edges BorderAt(const TqvSQLBuildTable* t, QPoint p) const;
    int ItemAt(const TqvSQLBuildTable* t, QPoint p) const;
    void CalcLines(TqvSQLBuildConnect& c) const;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    void editAlias(TqvSQLBuildTable* t);

    TqvSQLDesigner* m_owner;
    int m_state = 0; // 0 idle, 2 moving a box, 3 dragging a column, 4 resizing a box
    Qt::Edges m_sizing;
    QPoint m_dragStart;
    TqvSQLBuildTable* m_dragFrom = nullptr;
    int m_dragItem = -1;
    QLineEdit* m_aliasEdit = nullptr;
};

class TqvSQLDesigner : public QScrollArea {
    Q_OBJECT
public:
    explicit TqvSQLDesigner(QWidget* parent = nullptr);

    TqvSQLDesign& Design() { return m_design; }
    TqvDesignSurface* Surface() const { return m_surface; }
    QTableWidget* Grid() const { return m_grid; }
    // The column grid, owned by the caller's layout.
    void SetGrid(QTableWidget* grid);

    // The attached editor text.
    std::function<QString()> GetText;
    std::function<void(const QString&)> SetText;
    // Shows a parse warning (a warning box in the window; tests record it).
    std::function<void(const QString&)> Warn;
    // Objects dragged from another list onto the surface: whether the source is accepted, and
    // the drop itself (the SQL window adds the source's selected tables and views).
    std::function<bool(QObject* source)> AcceptDrag;
    std::function<void(QObject* source)> DropFrom;
    // Shows a catalog failure while tables are added (the error box); without it they propagate.
    std::function<void(const QString&)> Error;

    // Writes the design into the editor.
    void DesignToSQL();
    // Parses a changed editor text back into the design.
    void SQLToDesign();
    // The text as it stood after the last synchronisation.
    QString SavedSQL() const { return m_saveSQL; }
    bool InSync() const { return !GetText || GetText() == m_saveSQL; }

    void SetSQLType(TqvSQLType type, bool keepDesign = false);
    TqvSQLBuildTable* AddTable(const QString& name);
    void RemoveSelected();
    // The grid's row commands on its current row: insert an empty row, delete the row, move it
    // up or down (the empty input row stays last); the SQL is written again.
    void InsColumn();
    void DelColumn();
    void MoveColumn(int delta);
    void SetSelected(TqvSQLBuildTable* t);
    // The grid again from the design's rows.
    void LoadGrid();
    // Selected item indexes per box (the column lists' selection).
    QList<int>& SelectedItems(const TqvSQLBuildTable* t) { return m_selectedItems[t]; }
    QHash<const TqvSQLBuildTable*, int>& ListScroll() { return m_listScroll; }

signals:
    void ConnectDblClick(qv::TqvSQLBuildConnect* connect);
    void DesignChanged();

protected:
    void focusInEvent(QFocusEvent* e) override;

private:
    void gridChanged(int row, int column);

    TqvSQLDesign m_design;
    TqvDesignSurface* m_surface;
    QTableWidget* m_grid = nullptr;
    QString m_saveSQL;
    bool m_loadingGrid = false;
    QHash<const TqvSQLBuildTable*, QList<int>> m_selectedItems;
    QHash<const TqvSQLBuildTable*, int> m_listScroll;
    friend class TqvDesignSurface;
};

// The builder page: design surface above, column grid below.
class TqvBuilderPage : public QWidget {
    Q_OBJECT
public:
    explicit TqvBuilderPage(QWidget* parent = nullptr);
    TqvSQLDesigner* SQLDesign = nullptr;
    QTableWidget* grdColumn = nullptr;
    QAction *btnInsColumn = nullptr, *btnDelColumn = nullptr, *btnUpColumn = nullptr, *btnDownColumn = nullptr;
};

} // namespace qv
