#pragma once
// A driver that answers statements from fixtures (docs/fixtures.md) and records every statement
// it receives, with its bound values, in order. Tests use it to check exactly what would reach
// the server; unmatched statements fail loudly with their text.
#include "platform/db/driver.h"
#include "platform/db/fixture.h"

#include <QHash>

namespace qv::db {

struct RecordedStatement {
    QString sql;              // as received (line ends untouched)
    QStringList names;        // parameter names, one per "?"
    QVariantList values;      // bound values, one per "?" (invalid = NULL)
    bool direct = false;
    bool noScan = false;
};

class ScriptedSession : public DriverConnection {
public:
    explicit ScriptedSession(Fixture fixture = Fixture());

    Fixture& fixture() { return m_fixture; }
    void addFixture(const Fixture& f) { m_fixture.merge(f); }

    const std::vector<RecordedStatement>& recorded() const { return m_recorded; }
    // The recorded statement texts, normalised (docs/fixtures.md), in order.
    QStringList statements() const;
    // "StartTransaction", "Commit", "Rollback", "Open", "Close" in the order they happened.
    const QStringList& events() const { return m_events; }
    void clearRecord();
    // Makes the next open() fail with this message (log-on failures).
    void failOpen(const QString& message, const QString& sqlState = QStringLiteral("28000"));

    void open(const ParamList& params) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    void setAutoCommit(bool on) override;
    void commit() override;
    void rollback() override;
    ExecOutcome execute(const StatementRequest& request) override;
    QStringList infoReport() override;
    QString identifierQuotes() const override { return QStringLiteral("[]"); }
    QStringList keyColumns(const QString& catalog, const QString& schema, const QString& table) override;

    const ParamList& openParams() const { return m_params; }
    bool autoCommit() const { return m_autoCommit; }

private:
    Fixture m_fixture;
    std::vector<RecordedStatement> m_recorded;
    QStringList m_events;
    QHash<int, int> m_uses; // rule index → answers given
    // Result tables already built from fixture rows, by rule and result index. A table is used
    // again only while the fixture still holds the very rows it was built from (the cached
    // shallow copies share their data until the fixture's rows are changed) and equal columns.
    struct BuiltTable {
        std::vector<ColumnDesc> columns;
        std::vector<QVariantList> rows;
        std::shared_ptr<const ResultTable> table;
    };
    QHash<QPair<int, int>, BuiltTable> m_built;
    std::shared_ptr<ResultTable> tableFor(int rule, int result, const FixtureResult& fr);
    ParamList m_params;
    bool m_open = false;
    bool m_autoCommit = true;
    QString m_failOpen, m_failOpenState;
};

} // namespace qv::db
