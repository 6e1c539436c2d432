#pragma once
// The edit commands of the main window (undo, redo, cut, copy, paste, delete, select all)
// reach the focused control through this file. Standard Qt editors (line edits, editable
// combo boxes, plain and rich text edits, item views) and the grids (the data grids copy, paste,
// clear and select their records; the string grid copies its cells) are served here; the SQL
// editor and the list boxes implement EditTarget.
class QWidget;

namespace qv {

enum class EditCommand { Undo, Redo, Cut, Copy, Paste, Clear, SelectAll };

class EditTarget {
public:
    virtual ~EditTarget() = default;
    // Runs the command; false when the control leaves it to the standard handling.
    virtual bool handleEditCommand(EditCommand cmd) = 0;
    // Whether the control refuses changes (used by the enable rules of the SQL editor).
    virtual bool isEditReadOnly() const { return false; }
    // True for the SQL editor: its redo is a real redo and its read-only state counts.
    virtual bool isTextEditor() const { return false; }
};

// The EditTarget of w, or of the combo box that holds w; nullptr when it has none.
EditTarget* editTargetOf(QWidget* w);

// Sends the command to w: its EditTarget first, then the standard editors. Returns whether
// someone handled it. A null w does nothing.
bool sendEditCommand(QWidget* w, EditCommand cmd);

// Whether w (or its combo box) is the SQL editor, and whether that editor is read-only.
bool isTextEditorTarget(QWidget* w);
bool isReadOnlyTextEditor(QWidget* w);
// Whether w refuses changes: a read-only SQL editor, line edit, text edit or in-cell editor, a
// combo box that cannot be typed into, a data grid whose current cell cannot be changed.
bool isReadOnlyEditTarget(QWidget* w);

} // namespace qv
