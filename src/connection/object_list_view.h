#pragma once
// The connection window's object list: the report list with the window's keys (F2 renames,
// Delete deletes, the edit copy and paste commands copy and paste objects), its context menu,
// and drops refused (rows can still be dragged out to other windows).
#include "app/edit_target.h"
#include "controls/lists/qv_listview.h"

#include <QPoint>
#include <functional>

namespace qv {

class TObjectListView : public TqvListView, public EditTarget {
    Q_OBJECT
public:
    explicit TObjectListView(QWidget* parent = nullptr);

    std::function<void()> onRename;   // F2 with a selected row
    std::function<void()> onDelete;   // Delete while no caption is edited
    std::function<void()> onCopy;     // the edit copy command or its key
    std::function<void()> onPaste;    // the edit paste command or its key
    std::function<void(const QPoint& globalPos)> onContextMenu;

    bool editing() const { return state() == QAbstractItemView::EditingState; }

    // EditTarget
    bool handleEditCommand(EditCommand cmd) override;

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;
};

} // namespace qv
