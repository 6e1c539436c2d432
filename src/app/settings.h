#pragma once
// Load and save of every persistent option: the option records (app/options.h), the main
// window's action shortcuts, the user's reserved words and the editor property set, all below
// the settings root "\Software\Velmora\QVS22" of the settings store.
#include <QKeySequence>
#include <QString>
#include <QStringList>

class QObject;

namespace qv {

// The settings version; an older stored "Version" drops the stored window geometry (key GUI).
inline constexpr int SettingsVersion = 80004;

// Fills every option record, the shortcuts, ReserveWordList and prpEditor from the settings.
// Never fails: whatever cannot be read takes its default.
void LoadSettings();
// Writes them all back. A refused write raises (ERegistryException); everything written
// before it stays written, and the reserved words, written last, stay as they were.
void SaveSettings();

// The object whose child QActions (found by object name, e.g. "actDBCommit") carry the
// persisted shortcuts; the main window sets itself before LoadSettings. Without one, the
// shortcuts are kept in memory only (ShortcutText).
void SetShortcutActionOwner(QObject* owner);

// The persisted shortcuts: registry value name and action object name, in stored order.
struct ShortcutEntry {
    const char* valueName;
    const char* actionName;
};
const QList<ShortcutEntry>& ShortcutEntries();
// The current shortcut text of an action of the list above (from the action when bound).
QString ShortcutText(const QString& actionName);

// Shortcut text form: "Shift+", "Ctrl+", "Alt+" (in that order, those present), then the key:
// the character for letters and digits, F1..F24, BkSp, Tab, Esc, Enter, Space, PgUp, PgDn,
// End, Home, Left, Up, Right, Down, Ins, Del, else the key's portable name. "" = none.
QString ShortCutToText(const QKeySequence& shortcut);
// Text that does not parse gives an empty sequence. Names are compared ignoring case.
QKeySequence TextToShortCut(const QString& text);

} // namespace qv
