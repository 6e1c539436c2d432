#pragma once
// The permissions granted or denied on one schema object, kept across a drop and re-create:
// the windows that have to drop an object to change it (sequence source page, synonym) read
// them before the drop and write them again after the CREATE, so the object's users keep
// their rights. Window-free text; the read runs on the connection's session.
#include <QList>
#include <QString>
#include <QStringList>

namespace qv {
class TObjectSession;
}

namespace qv::kept {

struct Grant {
    QString state;      // sys.database_permissions.state: "G", "W" (with grant option), "D"
    QString permission; // permission_name ("SELECT", "VIEW DEFINITION" …)
    QString grantee;    // the principal's name
};

// The object's permissions (class 1, no column): the "use" line and a query with the
// parameters :OWNER and :NAME (each name bracketed by quotename, so "." and "]" in names hold).
QString PermissionQuery(const QString& database);

// GRANT / DENY statements for the kept permissions, "ON OBJECT::[schema].[name]", as one batch
// ended by "go"; nothing for an empty list. A revoked state or a permission name that is not
// plain words (letters and blanks) is skipped: names go into the statement unquoted.
QStringList RegrantText(const QList<Grant>& grants, const QString& schema, const QString& name);

// Reads the permissions through the session's shared query.
QList<Grant> ReadGrants(TObjectSession& session, const QString& database, const QString& schema, const QString& name);

} // namespace qv::kept
