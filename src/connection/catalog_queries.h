#pragma once
// Statement texts of the connection window: the database switch prefix, the version switch,
// the go-line batch list, the statements that gather the connection facts and the catalog
// look-ups (databases, users or schemas, file groups, objects, data types, collations), each
// in its SQL Server 2000, 2005-and-later and Azure SQL Database form.
#include <QString>
#include <QStringList>

namespace qv::catalog {

// What chooses between statement variants: the server's major version and Azure or not.
struct ServerKind {
    int version = 99;
    bool azure = false;
};

// The domain that names an Azure SQL Database server.
inline const QString AzureServerDomain = QStringLiteral(".database.windows.net");
// True when the server name holds the Azure server domain (letter case ignored).
bool IsAzureServerName(const QString& server);

// "use [db]\r\n"; "" for an empty name; a name already starting with "[" stays as it is.
QString UseText(const QString& database);
// s1 when dbVer is at least version, otherwise s2.
QString VerStr(int dbVer, int version, const QString& s1, const QString& s2);
// The batches of a statement list: a line that trimmed and lower-cased reads "go" ends a
// batch; each batch is its lines each followed by CR LF; blank batches are left out.
QStringList GoBatches(const QStringList& lines);

// Statements that gather the connection facts.
namespace facts {
inline const QString LoginName = QStringLiteral("select suser_sname()");
inline const QString Edition = QStringLiteral("select serverproperty('Edition')");
inline const QString CurrentDatabase = QStringLiteral("select db_name()");
inline const QString UserName = QStringLiteral("select user_name()");
inline const QString DefaultSchema =
    QStringLiteral("select default_schema_name from sys.database_principals where name = user_name()");
inline const QString Spid = QStringLiteral("select @@SPID");
inline const QString ProductVersion = QStringLiteral("SELECT SERVERPROPERTY(N'productversion')");
// The default database of a login from the login catalog.
QString LoginDefaultDatabase(const QString& login);
} // namespace facts

// Look-ups.
QString DatabaseListSql(bool azure);
// Principals that can receive permissions (isGrant) or the owners / schemas of a database.
QString UserListSql(const ServerKind& kind, const QString& database, bool isGrant);
inline const QString FileGroupSql = QStringLiteral("select groupname from sysfilegroups order by groupid asc");
inline const QString CollationSql = QStringLiteral("select * from fn_helpcollations()");
QString DataTypeSql(int objectTypeCode);
// Names of one object kind ("TABLE", "VIEW", "PROCEDURE", "FUNCTION", "TRIGGER", "SYNONYM",
// "INDEX") of a database; the statement takes one parameter :OWNER, the schema.
QString ObjectListSql(const ServerKind& kind, const QString& database, const QString& objectType, bool showSysObj);
// The schema value for ObjectListSql: "%" for an empty (trimmed) schema.
QString ObjectListOwner(const QString& schema);

} // namespace qv::catalog
