#pragma once
// Answers of the table-box batch (BuilderTableSql) for the scripted session.
#include "platform/db/fixture.h"
#include "sql/builder_catalog.h"

namespace qv::test {

inline db::FixtureRule& AnswerTableBox(db::Fixture& f, const QString& database, const QString& schema,
                                       const QString& name, const QStringList& columns, const QStringList& keys,
                                       const QString& synonymBase = {}, bool withSynonym = true, bool azure = false)
{
    std::vector<QVariantList> rows;
    if (!synonymBase.isEmpty())
        rows.push_back({1, 0, synonymBase});
    for (const auto& k : keys)
        rows.push_back({2, 0, k});
    for (int i = 0; i < columns.size(); ++i)
        rows.push_back({3, i + 1, columns[i]});
    return f.exact(BuilderTableSql(database, schema, name, withSynonym, azure))
        .returns({db::column("kind", "int"), db::column("colid", "smallint"), db::column("name", "nvarchar(1035)")},
                 rows);
}

} // namespace qv::test
