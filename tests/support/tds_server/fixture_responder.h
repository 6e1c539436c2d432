#pragma once
// Answers of the test server from statement fixtures (docs/fixtures.md), the same files the
// scripted session reads.
//
// A fixture path is a JSON file or a folder. In a folder, every "*.json" directly inside
// answers in every database, and "databases/<name>.json" answers only while the session's
// current database is <name> (letter case ignored); database files are tried first.
#include "tds_answer.h"
#include "platform/db/fixture.h"

#include <QHash>
#include <QMutex>
#include <QStringList>

namespace qvtds {

// The server's column type for a fixture column (sizes widened to hold Values).
ColumnType columnTypeFor(const qv::db::ColumnDesc& desc);
// The answer a fixture rule gives.
Answer answerFor(const qv::db::FixtureRule& rule);

class FixtureResponder : public Responder {
public:
    // Throws qv::Exception when a file cannot be read or parsed.
    void load(const QString& path);
    // Adds a fixture built in code: Database empty for every database.
    void add(const qv::db::Fixture& fixture, const QString& database = QString());
    // The product version named by the fixtures (first one found), or empty.
    QString version() const { return m_version; }
    int ruleCount() const;

    std::optional<Answer> answer(const QString& sql, const QString& database, const QVariantList& values) override;
    // The databases that have a fixture file of their own, plus the system databases; empty
    // when no fixture names a database.
    QStringList databases() const override;

private:
    std::optional<Answer> answerFrom(qv::db::Fixture& fixture, const QString& key, const QString& sql,
                                     const QVariantList& values);

    mutable QMutex m_mutex;
    qv::db::Fixture m_general;
    QHash<QString, qv::db::Fixture> m_byDatabase;  // lower-case database name
    QHash<QString, int> m_used;                    // "database|rule index" → answers given
    QStringList m_databaseNames;                   // as the files spell them
    QString m_version;
};

} // namespace qvtds
