#include "connection/object_list_view.h"

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QKeyEvent>

namespace qv {

TObjectListView::TObjectListView(QWidget* parent) : TqvListView(parent)
{
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    // Captions are edited only through F2 (the rename), never by a click.
    setEditTriggers(QAbstractItemView::NoEditTriggers);
}

bool TObjectListView::handleEditCommand(EditCommand cmd)
{
    switch (cmd) {
    case EditCommand::Copy:
        if (onCopy) {
            onCopy();
            return true;
        }
        return false;
    case EditCommand::Paste:
        if (onPaste) {
            onPaste();
            return true;
        }
        return false;
    default: return false;
    }
}

void TObjectListView::keyPressEvent(QKeyEvent* e)
{
    if (!editing()) {
        if (e->key() == Qt::Key_F2 && e->modifiers() == Qt::NoModifier) {
            if (onRename && !selectedItems().isEmpty())
                onRename();
            e->accept();
            return;
        }
        if (e->key() == Qt::Key_Delete && e->modifiers() == Qt::NoModifier && onDelete) {
            onDelete();
            e->accept();
            return;
        }
        if (e == QKeySequence::Copy && onCopy) {
            onCopy();
            e->accept();
            return;
        }
        if (e == QKeySequence::Paste && onPaste) {
            onPaste();
            e->accept();
            return;
        }
    }
    TqvListView::keyPressEvent(e);
}

void TObjectListView::contextMenuEvent(QContextMenuEvent* e)
{
    if (onContextMenu) {
        onContextMenu(e->globalPos());
        e->accept();
        return;
    }
    TqvListView::contextMenuEvent(e);
}

void TObjectListView::dragEnterEvent(QDragEnterEvent* e)
{
    // Drops on the list are refused; a drag that starts here may still end elsewhere.
    e->ignore();
}

void TObjectListView::dragMoveEvent(QDragMoveEvent* e) { e->ignore(); }

void TObjectListView::dropEvent(QDropEvent* e) { e->ignore(); }

} // namespace qv
