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

// The action names of the commands that need an SQL editor (the states above also cover the
// text conversions and jump to definition, which are enabled without an editor too).
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

// ---- text conversions, indentation, formatting, SQL extraction -------------------------

enum class TextConversion { Upper, Lower, FullWidth, HalfWidth };
QString ConvertText(TextConversion kind, const QString& text);
// Converts the selection of the focused control: an SQL editor (not in box mode; at most
// 100000 characters, else a warning), a line edit or an editable combo box. The selection keeps
// its start and length. Other controls are left alone.
void ConvertSelection(QWidget* focus, TextConversion kind);
inline constexpr int MaxConvertLength = 100000;
inline constexpr int MaxFormatLineLength = 10000;

// A selection widened to the start of the line that holds its start (text as the editor holds
// it, lines ended by CR LF): the end stays.
struct SelRange {
    int start = 0;
    int length = 0;
    bool operator==(const SelRange&) const = default;
};
SelRange WidenToLineStart(const QString& text, int start, int length);
// True when a line is longer than MaxFormatLineLength characters.
bool HasLineTooLongToFormat(const QStringList& lines);

void EditorIndent(TqvMemo* memo, bool forward);
// Formats the selection (widened to line starts) or the whole text in place.
void EditorFormat(TqvMemo* memo);
// The SQL of a statement string (the selection widened to line starts, or the whole text),
// unwrapped from its literal and formatted, to the clipboard.
void EditorGetSQL(TqvMemo* memo);
// The enable rules of the selection commands (no SQL editor, or one with a selection that is
// not read-only) and of format and extraction (an SQL editor with non-blank text, writable, not
// in box mode).
bool EditorSelectionRule(const TqvMemo* memo);
bool EditorSelStringRule(const TqvMemo* memo);

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
