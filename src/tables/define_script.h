#pragma once
// The class-level script routines of the definition windows, by object-type code. Each
// definition window kind registers its GetScript here (RegisterObjectWindows and its like);
// the connection window's script writer looks the code up and calls the routine.
//
// Contract of every routine: builds the window invisibly for the connection window `owner`
// (no task button, no already-open check), loads the object in script mode, writes the
// object's DROP statement when ScriptOption.Drop is set and its CREATE script otherwise,
// drops repeated database switches and (with the script option) blank lines, writes the
// lines to the stream without a byte-order mark (UTF-16 LE into a QBuffer, else in the
// Encoding option's encoding) and ends with the silent abort (EAbort), which the caller
// swallows. A failing catalog read raises before anything is written.
#include <QHash>
#include <QString>

#include <functional>

class QIODevice;

namespace qv {

class IConnectionWindow;

struct DefineScriptRequest {
    int objectType = 0;
    QString database;
    QString schema;
    QString name;
    QString newSchema;   // with newName: write the script of a copy under this schema and name
    QString newName;
    QString tableName;   // the table of an index
    bool withIndexes = false; // tables: the table's indexes too
};

using DefineScriptRoutine = std::function<void(IConnectionWindow* owner, const DefineScriptRequest& request, QIODevice& stream)>;

// Routines by object-type code.
QHash<int, DefineScriptRoutine>& DefinitionScripts();

} // namespace qv
