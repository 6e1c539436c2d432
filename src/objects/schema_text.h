#pragma once
// The statements of the schema window, without any window: CREATE SCHEMA, ALTER
// AUTHORIZATION and DROP SCHEMA text with their database switch, the delete statement and the
// catalog reads (owner of a schema, owner candidates). Every name is bracket-quoted with "]"
// doubled.
#include <QString>
#include <QStringList>

namespace qv::schema {

struct TextInput {
    QString database;
    QString schema;
    QString owner;
    bool scriptMode = false;     // a written script (else the window's own DDL)
    int databaseOption = 3;      // ScriptOption.Database (TQualifyMode) in script mode
    bool azure = false;
    QString connectionDatabase;  // the connection's current database
};

// "use [db]" and "go" when the rule asks for them, then "CREATE SCHEMA [s] AUTHORIZATION [o]"
// (no AUTHORIZATION for an empty owner) and "go". In the window the switch is always written;
// in a script by the Database option: 0 unless Azure, 1 only for another database (not on
// Azure), otherwise never.
QStringList CreateText(const TextInput& in);
// The switch pair, "ALTER AUTHORIZATION ON SCHEMA::[s] TO [o]" and "go".
QStringList AlterText(const TextInput& in);
// The switch pair (window: always; script: option 0 always, 1 for another database, Azure
// or not), "DROP SCHEMA [s]" and "go".
QStringList DropText(const TextInput& in);
// The delete action's one line: "USE [db] DROP SCHEMA [s]".
QString DeleteStatement(const QString& database, const QString& schema);

// The owner of a schema: the "use" line and a query with the parameter :NAME.
QString OwnerQuery(const QString& database);
// Every user and role of the database, one line.
QString OwnerListQuery(const QString& database);

} // namespace qv::schema
