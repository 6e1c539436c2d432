#include "app/edit_target.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

#include "controls/grid/data_grid.h"
#include "controls/grid/string_grid.h"

namespace qv {

namespace {

bool lineEditCommand(QLineEdit* e, EditCommand cmd)
{
    switch (cmd) {
    case EditCommand::Undo: e->undo(); return true;
    case EditCommand::Redo: e->redo(); return true;
    case EditCommand::Cut: e->cut(); return true;
    case EditCommand::Copy: e->copy(); return true;
    case EditCommand::Paste: e->paste(); return true;
    case EditCommand::Clear:
        // Deletes the selection only, like the clear message of a plain edit.
        if (e->hasSelectedText() && !e->isReadOnly())
            e->insert(QString());
        return true;
    case EditCommand::SelectAll: e->selectAll(); return true;
    }
    return false;
}

template <class Edit>
bool textEditCommand(Edit* e, EditCommand cmd)
{
    switch (cmd) {
    case EditCommand::Undo: e->undo(); return true;
    case EditCommand::Redo: e->redo(); return true;
    case EditCommand::Cut: e->cut(); return true;
    case EditCommand::Copy: e->copy(); return true;
    case EditCommand::Paste: e->paste(); return true;
    case EditCommand::Clear:
        if (!e->isReadOnly())
            e->textCursor().removeSelectedText();
        return true;
    case EditCommand::SelectAll: e->selectAll(); return true;
    }
    return false;
}

// The data grids answer copy, paste and clear themselves; select all marks every record.
bool dataGridCommand(TqvDataGrid* g, EditCommand cmd)
{
    switch (cmd) {
    case EditCommand::Copy: g->CopyToClipboard(); return true;
    case EditCommand::Paste: g->PasteFromClipboard(); return true;
    case EditCommand::Clear: g->ClearSelected(); return true;
    case EditCommand::SelectAll: g->SelectAll(); return true;
    case EditCommand::Undo:
    case EditCommand::Redo:
    case EditCommand::Cut: return true; // a grid has nothing to undo or cut
    }
    return false;
}

// The data grid's in-cell editor: copy, paste and clear go through the grid (they act on the
// selected records when there are any); select all selects the cell text first and, once the
// whole text is selected, every record of the grid.
bool cellEditorCommand(TDBGridInplaceEdit* e, EditCommand cmd)
{
    switch (cmd) {
    case EditCommand::Copy: e->CopyMessage(); return true;
    case EditCommand::Paste: e->PasteMessage(); return true;
    case EditCommand::Clear: e->ClearMessage(); return true;
    case EditCommand::SelectAll:
        if (e->text().isEmpty() || (e->selectionStart() == 0 && e->selectedText().size() == e->text().size()))
            e->DataGrid()->SelectAll();
        else
            e->selectAll();
        return true;
    default: return false;
    }
}

} // namespace

EditTarget* editTargetOf(QWidget* w)
{
    if (!w)
        return nullptr;
    if (auto* t = dynamic_cast<EditTarget*>(w))
        return t;
    // The line edit inside an editable combo box belongs to the combo box.
    if (auto* combo = qobject_cast<QComboBox*>(w->parentWidget()))
        return dynamic_cast<EditTarget*>(combo);
    return nullptr;
}

bool sendEditCommand(QWidget* w, EditCommand cmd)
{
    if (!w)
        return false;
    if (EditTarget* t = editTargetOf(w)) {
        if (t->handleEditCommand(cmd))
            return true;
    }
    if (auto* g = qobject_cast<TqvDataGrid*>(w))
        return dataGridCommand(g, cmd);
    if (auto* e = qobject_cast<TDBGridInplaceEdit*>(w); e && cellEditorCommand(e, cmd))
        return true;
    if (auto* g = qobject_cast<TqvStringGrid*>(w)) {
        if (cmd == EditCommand::Copy)
            g->CopyToClipboard();
        return true;
    }
    if (auto* combo = qobject_cast<QComboBox*>(w)) {
        if (QLineEdit* e = combo->lineEdit())
            return lineEditCommand(e, cmd);
        return false;
    }
    if (auto* e = qobject_cast<QLineEdit*>(w))
        return lineEditCommand(e, cmd);
    if (auto* e = qobject_cast<QPlainTextEdit*>(w))
        return textEditCommand(e, cmd);
    if (auto* e = qobject_cast<QTextEdit*>(w))
        return textEditCommand(e, cmd);
    if (auto* v = qobject_cast<QAbstractItemView*>(w)) {
        if (cmd == EditCommand::SelectAll) {
            v->selectAll();
            return true;
        }
    }
    return false;
}

bool isTextEditorTarget(QWidget* w)
{
    EditTarget* t = editTargetOf(w);
    return t && t->isTextEditor();
}

bool isReadOnlyTextEditor(QWidget* w)
{
    EditTarget* t = editTargetOf(w);
    return t && t->isTextEditor() && t->isEditReadOnly();
}

bool isReadOnlyEditTarget(QWidget* w)
{
    if (!w)
        return false;
    if (EditTarget* t = editTargetOf(w); t && t->isTextEditor())
        return t->isEditReadOnly();
    if (auto* g = qobject_cast<TqvDataGrid*>(w))
        return !g->MayModifyCell();
    if (auto* e = qobject_cast<TDBGridInplaceEdit*>(w))
        return e->isReadOnly() || !e->DataGrid()->MayModifyCell();
    if (auto* e = qobject_cast<QLineEdit*>(w)) {
        if (auto* combo = qobject_cast<QComboBox*>(w->parentWidget()); combo && combo->lineEdit() == e)
            return !combo->isEditable() || e->isReadOnly();
        return e->isReadOnly();
    }
    if (auto* combo = qobject_cast<QComboBox*>(w))
        return !combo->isEditable();
    if (auto* e = qobject_cast<QPlainTextEdit*>(w))
        return e->isReadOnly();
    if (auto* e = qobject_cast<QTextEdit*>(w))
        return e->isReadOnly();
    return false;
}

} // namespace qv
