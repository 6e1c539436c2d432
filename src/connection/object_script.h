#pragma once
// Object scripts: the one road from an object-type code to script text.
//
// A script routine per object kind turns catalog contents into the DDL of one object. The
// definition windows register their routines here (RegisterScriptRoutine); until a kind has
// one, procedures, functions, views and triggers are scripted from their catalog source
// (SourceScript) and every other kind raises NoScriptRoutineText.
//
// OutputScript writes an object's script to a stream (optionally after its DROP statement) and
// never raises; WriteObjectScript is the same but raises, for callers that report failures per
// object. OutputGrant writes the GRANT/DENY statements of an object or a database.
//
// Stream rule: no byte-order mark; UTF-16 LE for a memory stream (QBuffer), else the encoding
// of the `Encoding` option. Lines end with CR LF, statements are followed by a line "go".
#include "app/object_types.h"

#include <QString>
#include <QStringList>
#include <functional>

class QIODevice;

namespace qv {

class TObjectSession;
class TfrmObject;

// What a script routine works with: the connection's session, and the connection window when
// there is one (definition windows are built invisibly for it; window-free callers pass none).
struct ScriptContext {
    TObjectSession* session = nullptr;
    TfrmObject* owner = nullptr;
};

// One object to script.
struct ScriptRequest {
    TObjectTypeCode type = ObjType::None;
    QString database;
    QString schema;
    QString objectName;
    QString newSchema;     // may be empty: write the script under this schema instead (copy)
    QString newObjectName; // may be empty: write the script under this name instead (copy)
    QString tableName;     // the table of an index
    bool drop = false;     // write the object's DROP statement instead of its CREATE script
    bool index = false;    // tables: include the table's indexes
};

// A kind's script routine: the whole script text of one pass (DROP or CREATE), lines ended by
// CR LF, written by the caller in one piece. Raises when the catalog cannot be read or the
// object is gone; nothing is written then.
using ScriptRoutine = std::function<QString(const ScriptContext&, const ScriptRequest&)>;

// Registers (or replaces) the routine of a type code. Several codes may share one routine.
void RegisterScriptRoutine(TObjectTypeCode code, ScriptRoutine routine);
// Removes a registration (the catalog-source fallback applies again where it did before).
void UnregisterScriptRoutine(TObjectTypeCode code);
// The routine used for a code: the registered one, else the catalog-source fallback for
// procedures, functions, views and triggers; empty for other kinds.
ScriptRoutine FindScriptRoutine(TObjectTypeCode code);

// The message of a kind without a script routine.
QString NoScriptRoutineText();

// The fallback routine of source objects (procedure, function, view, trigger): the database
// switch per the Database option (never on Azure), then either the DROP statement or the
// source text exactly as the catalog holds it (sys.sql_modules from version 9, syscomments
// pieces below, each kept at its stored length), followed by "go". With a new schema or name
// the name after CREATE is replaced by the quoted new one.
QString SourceScript(const ScriptContext& context, const ScriptRequest& request);
// The source text of an object as the catalog holds it. Raises when it is missing or hidden.
QString ReadObjectSource(TObjectSession& session, const QString& database, const QString& schema,
                         const QString& objectName);
// The statement that reads the source (version 9 and later: one row; below: pieces with their
// lengths in characters).
QString SourceQuery(int dbVer, const QString& database);
// The text with the object name after its leading CREATE [OR ALTER] <kind> (comments skipped)
// replaced by `qualifiedName`; unchanged when there is no such head.
QString ReplaceCreateName(const QString& source, const QString& qualifiedName);

// The database switch lines ("use [db]", "go") when the Database option asks for them: mode 0
// always, mode 1 when the database is not the connection's, never in modes 2 and 3 or on Azure.
QStringList ScriptUseLines(const TObjectSession& session, const QString& database);
// The name as scripts write it: schema-qualified when the Owner option asks for it (mode 0
// always, mode 1 when the schema is not the connection's default schema).
QString ScriptObjectName(const TObjectSession& session, const QString& schema, const QString& name);

// Writes text to a stream by the stream rule above.
void WriteScriptText(QIODevice* stream, const QString& text);

// Runs the passes: with appendDrop the DROP pass first, then the CREATE pass. ScriptOption.Drop
// is cleared for the CREATE pass and always put back. Raises the first failure (a kind without
// routine, a failing catalog read) after the passes; what a pass wrote stays.
void WriteObjectScript(const ScriptContext& context, TObjectTypeCode type, const QString& database,
                       const QString& schema, const QString& objectName, QIODevice* stream,
                       const QString& newSchema, const QString& newObjectName, bool appendDrop,
                       const QString& tableName);
// The same, every failure dropped.
void OutputScript(const ScriptContext& context, TObjectTypeCode type, const QString& database,
                  const QString& schema, const QString& objectName, QIODevice* stream,
                  const QString& newSchema, const QString& newObjectName, bool appendDrop,
                  const QString& tableName) noexcept;
// The script text of one object (no DROP) as OutputScript writes it; empty when it fails.
QString ObjectScriptText(const ScriptContext& context, TObjectTypeCode type, const QString& database,
                         const QString& schema, const QString& objectName);

// The permission query of a database (isDB) or an object, with its database switch. The object
// form has the parameters :OWNER and :NAME.
QString GrantQuery(int dbVer, bool isDB, const QString& database);
// The GRANT/DENY lines of an object's (isDB false) or a database's permissions, each followed
// by "go", with the database switch the Database option asks for. Raises when the query fails.
QStringList GrantLines(TObjectSession& session, const QString& database, const QString& schema,
                       const QString& objectName, bool isDB);
// Writes GrantLines to the stream (nothing when there are none).
void OutputGrant(TObjectSession& session, const QString& database, const QString& schema,
                 const QString& objectName, QIODevice* stream, bool isDB);

} // namespace qv
