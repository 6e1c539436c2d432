#pragma once
// The query builder's catalog questions answered on a database connection. The server version
// and the default schema are asked once per synchronisation, the catalog of a table once per
// synchronisation however often the design asks for it (qualifying names, redrawing).
#include "sql/query_design.h"

#include <QHash>
#include <optional>

namespace qv::db {
class Connection;
}

namespace qv {

// One batch that answers a table box's three questions: rows (kind, colid, name) with kind 1 the
// synonym's base object (only with `withSynonym`; servers from 2005 on), 2 a key column, 3 a
// column in column order. The names travel as literals, so the batch is one round trip with
// its "Use" line.
QString BuilderTableSql(const QString& database, const QString& schema, const QString& name, bool withSynonym,
                        bool isAzure);

class TqvConnectionCatalog : public TqvBuilderCatalog {
public:
    // `database`: the connection's database; `userName`: the log-on's user (the default schema
    // of servers before 2005).
    TqvConnectionCatalog(db::Connection* connection, QString database, QString userName, bool isAzure);

    void SetConnection(db::Connection* connection) { m_connection = connection; }
    db::Connection* GetConnection() const { return m_connection; }
    void SetDatabase(const QString& database) { m_database = database; }

    QString Database() override { return m_database; }
    int DBVer() override;
    QString DefSchema() override;
    QStringList QueryColumns(const QString& query) override;
    QString SynonymBase(const QString& database, const QString& schema, const QString& name) override;
    QStringList KeyColumns(const QString& database, const QString& schema, const QString& name) override;
    QStringList Columns(const QString& database, const QString& schema, const QString& name) override;
    TqvTableCatalog TableCatalog(const QString& database, const QString& schema, const QString& name,
                                 bool withSynonym) override;
    void BeginSync() override;
    void EndSync() override;

private:
    QStringList firstColumn(const QString& sql, const QStringList& paramNames, const QStringList& values);

    db::Connection* m_connection;
    QString m_database, m_userName;
    bool m_isAzure;
    int m_depth = 0;
    std::optional<int> m_version;
    std::optional<QString> m_defSchema;
    QHash<QString, QStringList> m_cache;
    QHash<QString, TqvTableCatalog> m_tables;
};

} // namespace qv
