#pragma once
// Bulk script output: the scripts of a set of objects written into the script output tree, as
// the script output options (ScriptOption) ask. Window-free: the connection window's command
// gathers the rows, asks the options dialog and drives a ScriptOutputRun.
//
// Tree (P the chosen folder, D/S/N database, schema, name, TYPE the type name, F the file name):
//   OneScript: everything into the file P
//   Dir off: P/F              Dir on: P/D/S/TYPE/F (database first) or P/TYPE/D/S/F (type first)
//   grants, GrantMode 1: P/D/S/GRANT/F or P/GRANT/D/S/F;  GrantMode 2: P/_GRANT.SQL (Dir off),
//   P/D/S/_GRANT.SQL or P/TYPE/_GRANT.SQL (Dir on), created anew once per run.
// Every folder and file name taken from a server, database, schema, type, object or SCRIPT_NAME
// goes through SafeFileName on its own, so no name leaves the chosen folder.
#include "connection/object_script.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>

namespace qv {

// One row of the object list.
struct ScriptOutputRow {
    QString database; // sub-item 0
    QString schema;   // sub-item 1
    QString name;     // caption
    QString typeName; // sub-item 2 ("TABLE", "PROCEDURE", …)
    QString table;    // an index's table as the list shows it (sub-item 3 or 5)
};

struct ScriptOutputSettings {
    QString path;          // the destination: a folder, or the file with OneScript
    QString nameTable;     // the script-name table reference, or empty
    bool typeFirst = false; // tree order: object type first
};

// The index row's table name for its file name: sub-item 3 when the selected tree node or its
// parent is the index-type node, else sub-item 5.
QString IndexFileTable(bool indexNodeSelected, const QString& subItem3, const QString& subItem5);

// The path parts below P of an object's script file (folders then the file name), unsanitised.
QStringList ObjectScriptParts(const ScriptOutputRow& row, const QString& fileName, bool typeFirst);
// The same for the GrantMode 1 and 2 files.
QStringList GrantFileParts(const ScriptOutputRow& row, const QString& fileName, bool typeFirst);
// P joined with parts, each part through SafeFileName.
QString JoinSafePath(const QString& root, const QStringList& parts);

class ScriptOutputRun {
public:
    ScriptOutputRun(const ScriptContext& context, ScriptOutputSettings settings);

    // Prepares the run: with OneScript and SameName an existing file P is deleted.
    void begin();
    // Writes one row's scripts. Raises when a file cannot be created or opened or a name-table
    // or index query fails (the run ends). A kind without a script routine or a failing catalog
    // read is noted in failures() and the run goes on.
    void write(const ScriptOutputRow& row);

    // "schema.name: message" per object whose script could not be written.
    const QStringList& failures() const { return m_failures; }
    // Every file written in this run, in order of first writing.
    const QStringList& files() const { return m_files; }
    int written() const { return m_written; }

    // The file name F of a row: the name table's SCRIPT_NAME, else N + ".SQL" (T + "." + N +
    // ".SQL" for an index).
    QString fileName(const ScriptOutputRow& row);
    // True for an index that belongs to a primary-key or unique constraint.
    bool isConstraintIndex(const ScriptOutputRow& row);
    // The table of an index as the catalog says (sysindexes below version 9), else row.table.
    QString indexTable(const ScriptOutputRow& row);

private:
    void openFile(class QFile& file, const QString& path, bool anew);
    void noteFile(const QString& path);

    ScriptContext m_context;
    ScriptOutputSettings m_settings;
    QSet<QString> m_sharedGrantFiles;
    QStringList m_failures;
    QStringList m_files;
    int m_written = 0;
};

} // namespace qv
