#pragma once
// The settings step of every SQL editor: the program's editor settings, its pop-up menu, the
// completion options and the one key macro shared by all editors.
class QMenu;

namespace qv {

class TqvMacroList;
class TqvMemo;

// The key macro shared by every SQL editor (recording state is program-wide).
TqvMacroList& SharedMacroList();

// Copies the editor settings (prpEditor) onto `memo`, remembers its free-caret setting as
// the default, sets its pop-up menu (`popup`; none when null), the completion options of
// MemoOption and the shared macro list, clears the Alt-key flag and repaints it.
void ApplyMemoSettings(TqvMemo& memo, QMenu* popup);

// The pop-up menu ApplyMemoSettings gave `memo` (null when none).
QMenu* MemoPopupMenu(const TqvMemo& memo);

} // namespace qv
