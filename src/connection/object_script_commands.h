#pragma once
// The connection window's commands that work through object scripts, over the object list
// (a QTreeWidget whose rows carry the caption in column 0, sub-item k in column k + 1 and the
// type code under Qt::UserRole of column 0):
//  - script output: the selected rows' scripts into the script output tree;
//  - full-text search: the list keeps exactly the rows whose script contains a text.
// The window passes its list and session; the loops report progress, poll Esc and show their
// boxes through ListCommandHooks (the main window's status bar and Esc poll by default).
#include "connection/object_script.h"
#include "connection/script_output.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class QTreeWidget;
class QTreeWidgetItem;

namespace qv {

class TfrmMain;

// The main window's script command that needs no connection: the script output options
// ("actToolScriptOption", the main-menu form of the options dialog).
void InstallScriptCommands(TfrmMain& main);

struct ListCommandHooks {
    std::function<bool()> escapePressed;                  // polled before each row
    std::function<void(int i, int n)> progress;           // row i of n (0, 0: done)
    std::function<void(const QString& text, int flags)> message;
    // The hooks of the main window (status bar, Esc poll, ShowMessageBox or MessageHook).
    static ListCommandHooks Default();
    // Tests take the boxes of the default hooks here.
    static std::function<void(const QString& text, int flags)> MessageHook;
};

// The selected rows of the list, in list order.
QList<QTreeWidgetItem*> SelectedRows(QTreeWidget* list);
// A row as the script writer reads it; indexNodeSelected picks the table column of an index.
ScriptOutputRow RowOf(QTreeWidgetItem* item, bool indexNodeSelected);

// Script output of the selected rows (the connection window's script command): asks the
// options dialog, writes each row (each handled row deselected, Esc stops before the next),
// then "スクリプトが出力されました。", and a warning naming each object whose script could not be
// written. A file that cannot be written, or a failing look-up, ends the run and raises.
// Returns false when nothing ran (no selection, Cancel).
bool ScriptOutputExecute(const ScriptContext& context, QTreeWidget* list, bool typeFirst, bool indexNodeSelected,
                         const ListCommandHooks& hooks = ListCommandHooks::Default());

// Full-text search: the rows whose script (no DROP, UTF-16 text) contains `word`; without
// caseSensitive both sides are compared upper-cased. Esc before a row ends the search with the
// matches so far (*stopped set).
struct GrepRow {
    QString caption;
    QStringList subItems;
    int type = 0;
    QVariant icon;
};
QList<GrepRow> GrepScripts(const ScriptContext& context, const QList<GrepRow>& rows, const QString& word,
                           bool caseSensitive, const ListCommandHooks& hooks, bool* stopped = nullptr,
                           const std::function<void(const GrepRow&)>& onMatch = {});
GrepRow GrepRowOf(QTreeWidgetItem* item);

} // namespace qv
