#include "app/edit_target.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

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

} // namespace qv
