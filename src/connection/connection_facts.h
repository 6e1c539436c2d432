#pragma once
// Gathering the facts about a freshly opened connection: login name, server version, Azure or
// not, the connection's database, database user, default schema and own session id. Each
// statement runs through a runner that returns the first row (empty when there is none) or
// raises; the failures that may be ignored leave the fact as it was.
#include <QString>
#include <QVariantList>
#include <functional>

namespace qv {

struct ConnectionFacts {
    QString login;        // as the server reports it (or as typed)
    QString database;
    QString user;
    QString schema;
    int dbVer = 99;
    bool isAzure = false;
    int spid = 0;
};

struct FactSources {
    // Runs one statement and returns its first row (empty: no row); raises on failure.
    std::function<QVariantList(const QString&)> firstRow;
    // The session's server major version (99 when it cannot be read).
    std::function<int()> serverVersion;
};

// sid: the database asked for at log-on (may be empty); versionOverride: /V= (0 none).
ConnectionFacts GatherConnectionFacts(const FactSources& src, const QString& userId, const QString& sid,
                                      const QString& openedDatabase, int versionOverride);

} // namespace qv
