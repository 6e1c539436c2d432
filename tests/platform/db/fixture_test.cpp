#include "platform/db/fixture.h"
#include "platform/exceptions.h"

#include <gtest/gtest.h>
#include "db_test_helper.h"

using namespace qv::db;

namespace {

const char* kDoc = R"J({
  "description": "demo",
  "version": "16.0.4135.4",
  "info": ["Driver name = libtdsodbc.so"],
  "keys": { "dbo.Orders": ["OrderID"] },
  "rules": [
    { "match": ["select a,", "  b from t"],
      "columns": [ {"name": "a", "type": "int", "nullable": false, "table": "dbo.t"},
                   {"name": "b", "type": "nvarchar(max)"},
                   {"name": "c", "type": "decimal(20,4)"},
                   {"name": "d", "type": "bit"},
                   {"name": "e", "type": "varbinary(16)"} ],
      "rows": [ [1, "一", "12345678901234567.1234", true, "0x00ff"], [2, null, 1.5, 0, null] ] },
    { "pattern": "update t set .*", "ignoreCase": true, "times": 1, "rowCount": 1 },
    { "match": "exec p", "params": [1, null], "results": [ {"rowCount": 3}, {"columns": [{"name": "n", "type": "int"}], "rows": [[7]]} ],
      "messages": ["printed"], "outputs": {"ret": 5} },
    { "match": "drop table x", "error": {"message": "Cannot drop", "sqlState": "42S02", "native": 3701} },
    { "match": "raise", "error": "plain text" }
  ]
})J";

} // namespace

TEST(Fixture, LoadsRulesResultsAndValues)
{
    const Fixture f = Fixture::fromJson(kDoc, QStringLiteral("demo.json"));
    EXPECT_EQ(f.version, "16.0.4135.4");
    ASSERT_EQ(f.rules.size(), 5u);
    EXPECT_EQ(f.keyColumns("DBO", "orders"), QStringList{"OrderID"});
    EXPECT_EQ(f.keyColumns("dbo", "none"), QStringList());

    const FixtureRule& r = f.rules[0];
    EXPECT_TRUE(r.matches(normalizeStatement("select a,\r\n  b from t  \r\n"), {}));
    EXPECT_FALSE(r.matches(normalizeStatement("select a, b from t"), {}));
    ASSERT_EQ(r.results.size(), 1u);
    const FixtureResult& res = r.results[0];
    ASSERT_EQ(res.columns.size(), 5u);
    EXPECT_EQ(res.columns[0].fieldType(), FieldType::Integer);
    EXPECT_FALSE(res.columns[0].nullable);
    EXPECT_EQ(res.columns[0].baseSchema, "dbo");
    EXPECT_EQ(res.columns[0].baseTable, "t");
    EXPECT_EQ(res.columns[1].fieldType(), FieldType::WideMemo);
    EXPECT_EQ(res.columns[2].fieldType(), FieldType::FMTBcd);
    EXPECT_EQ(res.columns[2].scale, 4);
    EXPECT_EQ(res.columns[3].fieldType(), FieldType::Boolean);
    EXPECT_EQ(res.columns[4].fieldType(), FieldType::Blob);
    EXPECT_EQ(res.rows[0][1].toString(), QStringLiteral("一"));
    EXPECT_EQ(res.rows[0][2].toString(), "12345678901234567.1234"); // every digit kept
    EXPECT_EQ(res.rows[0][4].toByteArray(), QByteArray::fromHex("00ff"));
    EXPECT_TRUE(res.rows[1][1].isNull());
    EXPECT_EQ(res.rows[1][2].toString(), "1.5");
    EXPECT_EQ(res.rows[1][3].toBool(), false);

    EXPECT_TRUE(f.rules[1].matches("UPDATE T SET x = 1\nwhere y = 2", {}));
    EXPECT_FALSE(f.rules[1].matches("select 1; update t set x = 1", {}));
    EXPECT_EQ(f.rules[1].times, 1);

    const FixtureRule& p = f.rules[2];
    EXPECT_TRUE(p.matches("exec p", {QVariant(1), QVariant()}));
    EXPECT_FALSE(p.matches("exec p", {QVariant(1), QVariant(0)}));
    EXPECT_FALSE(p.matches("exec p", {QVariant(1)}));
    ASSERT_EQ(p.results.size(), 2u);
    EXPECT_EQ(p.results[0].rowCount, 3);
    EXPECT_FALSE(p.results[0].hasColumns());
    EXPECT_EQ(p.messages, QStringList{"printed"});
    EXPECT_EQ(p.outputs.value("RET").toInt(), 5);

    ASSERT_TRUE(f.rules[3].error.has_value());
    EXPECT_EQ(f.rules[3].error->sqlState, "42S02");
    EXPECT_EQ(f.rules[3].error->native, 3701);
    EXPECT_EQ(f.rules[4].error->message, "plain text");
    EXPECT_EQ(f.rules[4].error->sqlState, "42000");
}

TEST(Fixture, FaultyDocumentsNameTheirPlace)
{
    struct Case { const char* json; const char* expect; };
    const Case cases[] = {
        {"{", "JSON error"},
        {"[]", "must be a JSON object"},
        {R"J({"rules":[{"columns":[]}]})J", "exactly one of"},
        {R"J({"rules":[{"match":"x","pattern":"y"}]})J", "exactly one of"},
        {R"J({"rules":[{"pattern":"(unclosed"}]})J", "bad pattern"},
        {R"J({"rules":[{"match":"x","columns":[{"name":"a","type":"widget"}]}]})J", "unknown type"},
        {R"J({"rules":[{"match":"x","columns":[{"name":"a","type":"int"}],"rows":[[1,2]]}]})J", "row 1 has 2 values"},
        {R"J({"rules":[{"match":"x","columns":[{"name":"a","type":"int"}],"rows":[["abc"]]}]})J", "not an integer"},
        {R"J({"rules":[{"match":"x","columns":[{"name":"a","type":"varbinary(2)"}],"rows":[["ff"]]}]})J", "0x"},
        {R"J({"rules":[{"match":"x","error":{}}]})J", "needs a message"},
    };
    for (const auto& c : cases) {
        try {
            Fixture::fromJson(c.json, QStringLiteral("bad.json"));
            ADD_FAILURE() << "accepted: " << c.json;
        } catch (const qv::Exception& e) {
            EXPECT_TRUE(e.message().contains(QLatin1String(c.expect))) << e.message().toStdString();
            EXPECT_TRUE(e.message().contains(QLatin1String("bad.json"))) << e.message().toStdString();
        }
    }
    EXPECT_THROW(Fixture::fromFile(QStringLiteral("/nonexistent/fixture.json")), qv::Exception);
}

TEST(Fixture, TypeSpecs)
{
    struct Case { const char* spec; FieldType type; qint64 size; int precision; int scale; };
    const Case cases[] = {
        {"int", FieldType::Integer, 10, 0, 0},
        {"nvarchar(50)", FieldType::WideString, 50, 0, 0},
        {"NVARCHAR(MAX)", FieldType::WideMemo, kMaxSize, 0, 0},
        {"varchar(max)", FieldType::WideMemo, kMaxSize, 0, 0},
        {"varchar(20)", FieldType::String, 20, 0, 0},
        {"char(3)", FieldType::FixedChar, 3, 0, 0},
        {"nchar(3)", FieldType::FixedWideChar, 3, 0, 0},
        {"ntext", FieldType::WideMemo, kMaxSize, 0, 0},
        {"xml", FieldType::WideMemo, kMaxSize, 0, 0},
        {"text", FieldType::Memo, kMaxSize, 0, 0},
        {"decimal(10, 2)", FieldType::BCD, 10, 10, 2},
        {"numeric(38,6)", FieldType::FMTBcd, 38, 38, 6},
        {"money", FieldType::Currency, 19, 19, 4},
        {"datetime", FieldType::TimeStamp, 23, 0, 3},
        {"datetime2(3)", FieldType::TimeStamp, 27, 3, 3},
        {"smalldatetime", FieldType::TimeStamp, 16, 0, 0},
        {"date", FieldType::Date, 10, 0, 0},
        {"time", FieldType::Time, 16, 7, 7},
        {"uniqueidentifier", FieldType::Guid, 36, 0, 0},
        {"varbinary(max)", FieldType::Blob, kMaxSize, 0, 0},
        {"image", FieldType::Blob, kMaxSize, 0, 0},
        {"binary(8)", FieldType::Bytes, 8, 0, 0},
        {"bit", FieldType::Boolean, 1, 0, 0},
        {"tinyint", FieldType::Byte, 3, 0, 0},
    };
    for (const auto& c : cases) {
        ColumnDesc d;
        ASSERT_TRUE(parseTypeSpec(c.spec, d)) << c.spec;
        EXPECT_EQ(d.fieldType(), c.type) << c.spec << " " << fieldTypeName(d.fieldType()).toStdString();
        EXPECT_EQ(d.size, c.size) << c.spec;
        EXPECT_EQ(d.precision, c.precision) << c.spec;
        EXPECT_EQ(d.scale, c.scale) << c.spec;
    }
    ColumnDesc d;
    EXPECT_FALSE(parseTypeSpec("geography", d));
    EXPECT_FALSE(parseTypeSpec("int(", d));
}

TEST(Fixture, CodeBuildersAndMerge)
{
    Fixture a;
    a.exact("select 1").returns({column("x", "int")}, {{1}, {QVariant()}}).once();
    a.pattern("delete .*").affects(2);
    EXPECT_THROW(a.exact("y").returns({column("x", "int")}, {{1, 2}}), qv::Exception);
    EXPECT_THROW(column("x", "widget"), qv::Exception);
    Fixture b;
    b.exact("bad").fails("boom", "08S01", 10054);
    b.keys.insert("t", {"id"});
    a.merge(b);
    ASSERT_EQ(a.rules.size(), 4u);
    EXPECT_EQ(a.rules[0].times, 1);
    EXPECT_TRUE(a.rules[0].results[0].rows[1][0].isNull());
    EXPECT_EQ(a.rules[3].error->sqlState, "08S01");
    EXPECT_EQ(a.keyColumns("dbo", "T"), QStringList{"id"});
}

TEST(Fixture, NormalisesLineEndsAndOuterBlankLines)
{
    EXPECT_EQ(normalizeStatement("\r\n  \n  select 1  \r\nfrom t\t\r\rx\r\n\r\n"), "select 1\nfrom t\n\nx");
    EXPECT_EQ(normalizeStatement("a\rb"), "a\nb");
    // Blanks around the statement do not count; the indentation of a later line does.
    EXPECT_EQ(normalizeStatement(" \t select 1\n  from t "), "select 1\n  from t");
    Fixture f;
    EXPECT_TRUE(f.exact("select 1").matches(normalizeStatement("  select 1  "), {}));
    EXPECT_FALSE(f.exact("select 1\nfrom t").matches(normalizeStatement("select 1\n from t"), {}));
}
