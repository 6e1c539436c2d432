#pragma once
// The main window's commands that act on the active SQL editor: find, find next and previous,
// replace, clear search, line jump, comment toggle, key macros (record, run, save, open) and
// box selection, with their enable rules. Every command checks its own preconditions, because
// the editor frames run them from their buttons too.
#include <QHash>
#include <QString>

#include <optional>

class QWidget;

namespace qv {

class TqvMemo;

// What the commands' menu entries show for the active editor (null: no SQL editor active).
// Reads flags and the selection only, so it may run on every caret move.
struct EditorCommandStates {
    QHash<QString, bool> enabled; // action name → enabled
    bool boxMode = false;         // the check mark of the box-mode entry
    bool recording = false;       // the record entry ends the recording
};
EditorCommandStates ComputeEditorCommandStates(const TqvMemo* memo);

// The action names the states above cover.
const QStringList& EditorCommandNames();

// Line jump: the trimmed entry as a line number when it is a whole number from 1 (from 0 with
// zero-based line numbers) up to lineNumberCount; nothing otherwise.
std::optional<int> JumpLineOf(const QString& entry, bool zeroBase, int lineNumberCount);
// "指定行 <entry> は見つかりませんでした。"
QString JumpNotFoundMessage(const QString& trimmedEntry);

// The file name a macro is saved under: a name without a known extension gets ".txt" for the
// second filter (index 1), ".qvmcr" for any other.
QString MacroSaveFileName(const QString& chosen, int filterIndex);
// "QVマクロファイル(*.qvmcr)" and "すべてのファイル(*.*)".
QString MacroFileFilter();

// The commands. `memo` may be null (nothing happens); dialogs are owned by `parent`.
void EditorFind(TqvMemo* memo);
void EditorFindNext(TqvMemo* memo);
void EditorFindPrev(TqvMemo* memo);
void EditorReplace(TqvMemo* memo);
void EditorFindClear(TqvMemo* memo);
void EditorJump(TqvMemo* memo);
void EditorToggleComment(TqvMemo* memo);
void EditorToggleBoxMode(TqvMemo* memo);
void EditorMacroRecord(TqvMemo* memo);
void EditorMacroRun(TqvMemo* memo);
void EditorMacroSave(TqvMemo* memo, QWidget* parent);
void EditorMacroLoad(TqvMemo* memo, QWidget* parent);

} // namespace qv
