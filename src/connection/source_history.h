#pragma once
// Source history files: the DDL of an object as it was just before a change and just after it,
// each a text file in a folder tree of its own: root + schema + "/" + type keyword + "/" +
// script name [+ "_" + number "%.2d"] + ".sql". Definition windows call SaveBeforeSource after
// the user confirmed a change of an existing object and SaveAfterSource once it has run.
#include "connection/object_script.h"

#include <QString>
#include <functional>

namespace qv {

struct SourceHistoryOptions {
    bool enabled = false;
    bool dialog = false; // choose the file in a save dialog first
    bool renum = false;  // number the files instead of overwriting one
    bool head = false;   // start the file with a header line
    QString dir;         // root folder
};
SourceHistoryOptions BeforeSourceOptions(); // from the SaveBeforeSrc* options
SourceHistoryOptions AfterSourceOptions();  // from the SaveAfterSrc* options

// The file to write in `folder` for `scriptName`: without numbering folder/name.sql; with it the
// first of name_00.sql … name_99.sql that does not exist, else name_100.sql.
QString SourceHistoryFileName(const QString& folder, const QString& scriptName, bool renum);

// The save dialog (title, proposed path) → the chosen path, or empty for Cancel. Tests replace it.
using SourceHistoryDialog = std::function<QString(const QString& title, const QString& proposedPath)>;
SourceHistoryDialog& SourceHistoryDialogHook();

// Writes the file when the options ask for it; returns its path ("" when nothing was written).
// The script name is the object name unless the server's script-name table holds a row for
// the schema, name and type (of any database). A failing look-up, folder or file creation
// raises; a failing script leaves the header only.
QString SaveSourceHistory(const ScriptContext& context, const SourceHistoryOptions& options, bool before,
                          const QString& database, const QString& schema, const QString& objectName,
                          TObjectTypeCode objectType);
QString SaveBeforeSource(const ScriptContext& context, const QString& database, const QString& schema,
                         const QString& objectName, TObjectTypeCode objectType);
QString SaveAfterSource(const ScriptContext& context, const QString& database, const QString& schema,
                        const QString& objectName, TObjectTypeCode objectType);

} // namespace qv
