#pragma once
// Fixtures of the scripted session: which answer each statement text gets. The format is
// described in docs/fixtures.md; the scripted session (scripted_session.h) and the TDS test
// server both read it. Fixtures are JSON files or are built in code by tests.
#include "platform/db/types.h"

#include <QByteArray>
#include <QMap>
#include <QRegularExpression>
#include <QStringList>
#include <QVariant>
#include <optional>
#include <vector>

namespace qv::db {

// One answer of a statement: a result set (columns and rows) or, without columns, a row count.
struct FixtureResult {
    std::vector<ColumnDesc> columns;   // empty: no result set, only rowCount
    std::vector<QVariantList> rows;    // one value per column; an invalid QVariant is NULL
    qint64 rowCount = -1;              // rows affected; -1 when not applicable

    bool hasColumns() const { return !columns.empty(); }
};

// A server error the statement raises (after the results listed before it).
struct FixtureError {
    QString message;
    QString sqlState = QStringLiteral("42000");
    int native = 50000;
    int severity = 16;
};

struct FixtureRule {
    enum class Kind { Exact, Pattern };
    Kind kind = Kind::Exact;
    QString text;                      // the statement (Exact) or a regular expression (Pattern)
    bool ignoreCase = false;
    std::optional<QVariantList> params; // when set, the bound values must equal these, in order
    std::vector<FixtureResult> results;
    std::optional<FixtureError> error;
    QStringList messages;              // informational messages (PRINT, RAISERROR below 11)
    QVariantMap outputs;               // output parameter values by upper-case name
    int times = 0;                     // how often the rule answers; 0 = any number of times
    QString origin;                    // file and rule number, for messages

    // Does the rule answer this statement? sql must be normalised (normalizeStatement).
    bool matches(const QString& sql, const QVariantList& boundValues) const;

    // Builders for tests that write fixtures in code.
    FixtureRule& returns(std::vector<ColumnDesc> columns, std::vector<QVariantList> rows);
    FixtureRule& affects(qint64 rowCount);
    FixtureRule& fails(const QString& message, const QString& sqlState = QStringLiteral("42000"), int native = 50000);
    FixtureRule& once() { times = 1; return *this; }

private:
    mutable std::optional<QRegularExpression> m_re;
};

struct Fixture {
    QString description;
    std::vector<FixtureRule> rules;
    QMap<QString, QStringList> keys; // lower-case "schema.table" → key column names
    QStringList info;                // lines of the connection's information report
    QString version;                 // SERVERPROPERTY('productversion'), used by the TDS server

    // Parses a fixture document; throws qv::Exception naming origin and the fault.
    static Fixture fromJson(const QByteArray& json, const QString& origin = QString());
    static Fixture fromFile(const QString& path);
    // Appends the rules, keys and info of another fixture (earlier rules win).
    void merge(const Fixture& other);

    FixtureRule& exact(const QString& sql);
    FixtureRule& pattern(const QString& regex);
    QStringList keyColumns(const QString& schema, const QString& table) const;
};

// Line ends to LF, trailing blanks of each line and surrounding blank lines removed.
QString normalizeStatement(const QString& sql);

// Column description from a type spec: column("id", "int"), column("name", "nvarchar(50)").
ColumnDesc column(const QString& name, const QString& typeSpec, bool nullable = true);

// Converts a JSON value (or a QVariant as tests pass it) to the value kept for a column of this type.
QVariant fixtureValue(const QVariant& raw, FieldType type, QString* error = nullptr);

} // namespace qv::db
