#pragma once
// The catalog queries that read a table for the table window, by server major version and
// Azure flag. Names never enter the text: the database is bracketed in the switch line, and
// schema, table and id are named parameters (":OWNER", ":NAME", ":TABLENAME", ":id"); objects
// are found through object_id(quotename(:OWNER) + '.' + quotename(:TABLENAME)), so names that
// hold "." or "]" are found as well.
#include <QString>

namespace qv::table {

struct QueryTarget {
    int version = 15;   // server major version
    bool azure = false;
    QString database;   // the window's database
};

// "use [db]\r\n": the switch every query but the temporal and default-name queries starts with.
QString QueryUse(const QString& database);
// Owner of an object by alias: "schema_name(a.uid)" from version 9, "user_name(a.uid)" below
// ("schema_name(uid)" / "user_name(uid)" for an empty alias).
QString OwnerOf(int version, const QString& alias);

// Id, comment, identity seed and increment of the table (OWNER, NAME). A name starting with "#"
// is matched with LIKE, since a temporary table's stored name carries a suffix.
QString TableQuery(const QueryTarget& t, bool tempName);
// The columns of the table (id): 0 name, 1 type, 2 octet length, 3 precision, 4 scale,
// 5 maximum length, 6 IS_NULLABLE (Y/N), 7 default, 8 comment, 9 isIdentity, 10 isPrimary,
// from version 9 11 scale; by name "collation", from version 13 "masking_function", from
// version 9 "computed_definition".
QString ColumnQuery(const QueryTarget& t);
// Constraints, indexes and triggers of the table (OWNER, TABLENAME).
QString ConstraintQuery(const QueryTarget& t);
QString IndexQuery(const QueryTarget& t);
QString TriggerQuery(const QueryTarget& t);
// System versioning of the table (id), servers from version 13; no database switch.
QString TemporalQuery();
// Column name and default-constraint name (OWNER, TABLENAME) in the current database.
QString DefaultNameQuery();
// Primary-key columns of the table (OWNER, NAME) in the current database.
QString PrimaryKeyQuery();
// Name and kind (1 clustered) of the primary key's index (OWNER, NAME) in the current database.
QString PrimaryKeyIndexQuery(int version);

} // namespace qv::table
