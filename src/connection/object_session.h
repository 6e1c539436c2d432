#pragma once
// The session side of a connection window: the session data module with the window's own
// queries, the facts about the connection, the statement routines every window of the
// connection runs its SQL through, the catalog look-ups and the object listing. The window
// (TfrmObject) stays a thin shell over it.
#include "connection/catalog_queries.h"
#include "connection/dm_sqlserver.h"
#include "connection/listing_queries.h"

#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>

namespace qv {

class TObjectSession : public QObject {
public:
    explicit TObjectSession(QObject* parent = nullptr);

    TdmSQLServer* dmSQLServer;
    db::Query* qryExec;          // ExecuteSQL: parameters off, text sent as written
    db::Query* qryObject;        // object listing
    db::Query* qryIdxFragment;   // contiguity report (SQL Server 2000)
    db::Query* qryIdxCol;
    db::Query* qryFragmentPerms; // permission test of the fragmentation figures

    // Facts about the connection.
    QString g_UserID, g_Password, g_Server, g_DataBase, g_Schema, g_User;
    int DBVer = 99;
    int g_DBVer = 99;
    int MYSID = 0;
    bool IsAzure = false;
    bool g_Win_Attest = false;
    bool Fragment_flg = false;
    bool Fragment_Gflg = false;

    // Opens the connection and gathers the facts. driver: the session's driver (tests pass a
    // scripted session; empty: ODBC). versionOverride: /V= (0: ask the server). Raises what
    // the open raises.
    void Connect(const QString& sid, const QString& userId, const QString& password, const QString& server,
                 int versionOverride = 0, std::shared_ptr<db::DriverConnection> driver = {});
    // Commits (errors ignored) and disconnects.
    void Disconnect();
    // The login as the main window's connection list shows it.
    QString ConnectionText() const;

    catalog::ServerKind Kind() const { return {DBVer, IsAzure}; }

    // Statement routines.
    void ExecuteSQL(const QString& sqlText);
    void ExecuteSQL(const QStringList& sqlText, bool ignoreError);
    db::Query* OpenSQL(const QString& sqlText, const QStringList& paramData);
    db::Query* OpenSQL(const QString& sqlText);
    QString Use(const QString& database) const { return catalog::UseText(database); }
    QString VerStr(int version, const QString& s1, const QString& s2) const
    {
        return catalog::VerStr(DBVer, version, s1, s2);
    }
    QString GetCurrentSchema() const { return g_Schema; }

    // Look-ups: each clears and fills the list.
    void GetDatabase(QStringList& list);
    void GetUser(QStringList& list, const QString& database, bool isGrant);
    void GetFileGroup(QStringList& list);
    void GetObject(QStringList& list, const QString& database, const QString& schema, const QString& objectType);
    void GetDataType(QStringList& list, int objType);
    void GetCollationType(QStringList& list);

    // The server's product version text; "" when it cannot be read.
    QString ProductVersion();

    // Object listing of one tree selection.
    struct ListingRequest {
        QString type = QStringLiteral("%");
        QString database = QStringLiteral("%");
        QString pattern = QStringLiteral("%");
        QString findText;              // find text that rows must contain ("" none)
        int disp = 0;
        QStringList configured;
        bool treeData = true;
        bool showSysObj = false;
        bool fragmentDown = false;
    };
    struct ListingHooks {
        std::function<bool()> escapePressed;                 // polled between rows
        std::function<void(const listing::Entry&)> addEntry; // one call per listed row
        std::function<void(const QString&)> databaseFailed;  // a database's query failed
    };
    // Runs the listing; returns the layout used. Raises when the database list fails.
    listing::Layout ListObjects(const ListingRequest& request, const ListingHooks& hooks);

private:
    void runIgnoring(const QString& sql);
    bool fragmentPermission(const QString& database);
    void prepareContiguityReport(const QString& database);
    QVariantList firstRow(const QString& sql);
};

} // namespace qv
