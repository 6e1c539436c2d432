#include <gtest/gtest.h>

#include "app/sqltext/parser.h"

namespace {

using Pairs = std::vector<std::pair<QString, QString>>;

Pairs pairs(const TqvParseList& l)
{
    Pairs out;
    for (int i = 0; i < l.Count(); ++i)
        out.emplace_back(l.ObjectName(i), l.Alias(i));
    return out;
}

struct Result {
    TqvSQLType kind = sqltNone;
    bool failed = false;
    QString message;
    TqvParseList columns, tables, orderBy;
    QStringList where, groupBy, having;
    QString viewName;
};

Result parse(const QString& text, bool strict)
{
    Result r;
    try {
        r.kind = ParseSQLStatement(text, r.columns, r.tables, r.orderBy, r.where, r.groupBy,
                                   r.having, strict ? QStringLiteral("InternalError") : QString(),
                                   r.viewName);
    } catch (const ESQLParseError& e) {
        r.failed = true;
        r.message = e.message();
    }
    return r;
}

} // namespace

TEST(ParseSQLStatement, SelectListsAndTables)
{
    for (bool strict : {true, false}) {
        Result r = parse("SELECT a, b x FROM t1 a1, t2", strict);
        EXPECT_EQ(r.kind, sqltSelect);
        EXPECT_EQ(pairs(r.columns), (Pairs{{"a", ""}, {"b", "x"}}));
        EXPECT_EQ(pairs(r.tables), (Pairs{{"t1", "a1"}, {"t2", ""}}));

        r = parse("SELECT * FROM t", strict);
        EXPECT_EQ(pairs(r.columns), (Pairs{{"*", ""}}));
        EXPECT_EQ(pairs(r.tables), (Pairs{{"t", ""}}));

        r = parse("SELECT a AS x FROM t", strict);
        EXPECT_EQ(pairs(r.columns), (Pairs{{"a AS", "x"}}));

        r = parse("select a\r\nfrom t\r\nwhere b = 'x y'", strict);
        EXPECT_EQ(pairs(r.tables), (Pairs{{"t", ""}}));
        EXPECT_EQ(r.where, QStringList({"b", "=", "'x y'"}));
    }
}

TEST(ParseSQLStatement, JoinsAndConditions)
{
    Result r = parse("SELECT a FROM t1 INNER JOIN t2 ON t1.k = t2.k WHERE t1.v = 1", true);
    EXPECT_EQ(pairs(r.tables), (Pairs{{"t1", ""}, {"t2", ""}}));
    EXPECT_EQ(r.where, QStringList({"t1.k", "=", "t2.k", "t1.v", "=", "1"}));

    r = parse("SELECT a FROM t1 x LEFT OUTER JOIN t2 y ON x.k <> y.k", true);
    EXPECT_EQ(pairs(r.tables), (Pairs{{"t1", "x"}, {"t2", "y"}}));
    EXPECT_EQ(r.where, QStringList({"x.k", "<>", "y.k"}));

    r = parse("SELECT a FROM t WHERE x IN (1, 2)", true);
    EXPECT_FALSE(r.failed);
    EXPECT_TRUE(r.where.contains("(1, 2)"));
    r = parse("SELECT a FROM t WHERE x IN (1, 2)", false);
    EXPECT_TRUE(r.failed);
    EXPECT_TRUE(r.message.isEmpty());

    r = parse("SELECT a, count(*) FROM t GROUP BY a, b HAVING count(*) > 1 ORDER BY a DESC, b", true);
    EXPECT_EQ(r.groupBy, QStringList({"a", "b"}));
    EXPECT_EQ(r.having, QStringList({"count", "(*)", ">", "1"}));
    EXPECT_EQ(pairs(r.orderBy), (Pairs{{"a", "DESC"}, {"b", ""}}));
}

TEST(ParseSQLStatement, InsertUpdateDeleteAndView)
{
    Result r = parse("INSERT INTO t (a, b) VALUES (1, 'x')", true);
    EXPECT_EQ(r.kind, sqltInsert);
    EXPECT_EQ(pairs(r.tables), (Pairs{{"t", ""}}));
    EXPECT_EQ(pairs(r.columns), (Pairs{{"a", "1"}, {"b", "'x'"}}));

    r = parse("INSERT INTO t (a, b) VALUES (1, 2, 3)", true);
    EXPECT_TRUE(r.failed);
    EXPECT_EQ(r.message, "InternalError");

    r = parse("INSERT INTO t VALUES (1, 2)", true);
    EXPECT_EQ(pairs(r.columns), (Pairs{{"", "1"}, {"", "2"}}));

    r = parse("INSERT INTO t(a) VALUES (f(1, 2))", true);
    EXPECT_EQ(pairs(r.tables), (Pairs{{"t", ""}}));
    EXPECT_EQ(pairs(r.columns), (Pairs{{"a", "f(1, 2)"}}));

    r = parse("UPDATE t SET a = 1, b = c + 1 WHERE id = 2", true);
    EXPECT_EQ(r.kind, sqltUpdate);
    EXPECT_EQ(pairs(r.tables), (Pairs{{"t", ""}}));
    EXPECT_EQ(pairs(r.columns), (Pairs{{"a", "1"}, {"b", "c + 1"}}));
    EXPECT_EQ(r.where, QStringList({"id", "=", "2"}));

    r = parse("DELETE FROM t WHERE id = 2", true);
    EXPECT_EQ(r.kind, sqltDelete);
    EXPECT_EQ(pairs(r.tables), (Pairs{{"t", ""}}));

    r = parse("CREATE VIEW v AS SELECT a FROM t", true);
    EXPECT_EQ(r.kind, sqltCreateView);
    EXPECT_EQ(r.viewName, "v");
    EXPECT_EQ(pairs(r.columns), (Pairs{{"a", ""}}));
    EXPECT_EQ(pairs(r.tables), (Pairs{{"t", ""}}));
}

TEST(ParseSQLStatement, FailuresAndModes)
{
    const struct {
        const char* text;
        bool strictFails, lenientFails;
    } cases[] = {
        {"SELECT a FROM t UNION SELECT b FROM u", true, true},
        {"SELECT a FROM t FOR XML AUTO", true, true},
        {"SELECT a) FROM t", true, true},
        {"SELECT a WHERE b = 1", true, true},
        {"SELECT a FROM t ORDER BY a HAVING b", true, true},
        {"SELECT a FROM t WHERE b = 'x", true, true},
        {"SELECT \"a FROM t", true, true},
        {"SELECT f(a FROM t", true, false},
        {"SELECT a FROM t WHERE a = 1, b = 2", true, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parse(c.text, true).failed, c.strictFails) << c.text;
        EXPECT_EQ(parse(c.text, false).failed, c.lenientFails) << c.text;
    }
    // What was appended before the failure stays.
    Result r = parse("SELECT a FROM t WHERE b = 'x", true);
    EXPECT_EQ(pairs(r.tables), (Pairs{{"t", ""}}));
}

TEST(ParseSQLStatement, StatementBoundaries)
{
    Result r = parse("EXEC xSELECTx", true);
    EXPECT_EQ(r.kind, sqltSelect);

    r = parse("SELECT a FROM t1 x; SELECT b FROM t2 y", false);
    EXPECT_EQ(r.kind, sqltSelect);
    EXPECT_EQ(pairs(r.tables), (Pairs{{"t1", "x"}, {"t2", "y"}}));

    r = parse("UPDATE t SET a = 1\r\nSELECT b FROM u z", false);
    EXPECT_EQ(r.kind, sqltUpdate);
    EXPECT_EQ(pairs(r.tables), (Pairs{{"t", ""}, {"u", "z"}}));

    r = parse("SELECT a FROM t x\r\ngo\r\nSELECT b FROM u", true);
    EXPECT_FALSE(r.failed);
    EXPECT_EQ(pairs(r.tables), (Pairs{{"t", "x"}}));

    // "go" at the very end is no separator; the pairing rule gives the alias back.
    r = parse("SELECT a FROM t x\r\ngo", true);
    EXPECT_EQ(pairs(r.tables), (Pairs{{"t", "x"}}));

    for (const char* text : {"", "   ", "EXEC sp_who"}) {
        r = parse(text, true);
        EXPECT_EQ(r.kind, sqltNone) << text;
        EXPECT_EQ(r.columns.Count() + r.tables.Count(), 0);
    }
}

TEST(ParseSQLStatement, AppendsToTheCallersLists)
{
    Result r;
    r.tables.Add("old", "o");
    r.where << "w";
    ParseSQLStatement("SELECT a FROM t WHERE b = 1", r.columns, r.tables, r.orderBy, r.where,
                      r.groupBy, r.having, "x", r.viewName);
    EXPECT_EQ(pairs(r.tables), (Pairs{{"old", "o"}, {"t", ""}}));
    EXPECT_EQ(r.where.first(), "w");
}

TEST(ParseSQLStatement, DeepNestingAndLongTextDoNotOverflow)
{
    const QString deep = "SELECT " + QString(10000, u'(') + "1" + QString(10000, u')') + " x FROM t";
    Result r = parse(deep, true);
    EXPECT_FALSE(r.failed);
    EXPECT_EQ(pairs(r.tables), (Pairs{{"t", ""}}));
    r = parse("SELECT " + QString(10000, u'('), false);
    EXPECT_FALSE(r.failed);

    // Many statements in lenient mode: each one adds to the lists.
    QString many;
    for (int i = 0; i < 20000; ++i)
        many += QStringLiteral("SELECT a FROM t%1 x; ").arg(i);
    r = parse(many, false);
    EXPECT_EQ(r.tables.Count(), 20000);
    EXPECT_EQ(r.tables.ObjectName(19999), "t19999");
}

TEST(TqvParseList, ListOperations)
{
    TqvParseList l;
    EXPECT_EQ(l.Add("t", "a"), 0);
    EXPECT_EQ(l.Add("u", ""), 1);
    l.Insert(0, "s", "b");
    EXPECT_EQ(l.ObjectName(0), "s");
    EXPECT_EQ(l.IndexOf("t", "a"), 1);
    EXPECT_EQ(l.IndexOf("T", "a"), -1);
    l.Delete(0);
    EXPECT_EQ(l.Count(), 2);
    l.SetAlias(1, "z");
    EXPECT_EQ(l.Alias(1), "z");
    EXPECT_THROW(l.ObjectName(2), EListError);
    EXPECT_THROW(l.Delete(-1), EListError);
    try {
        l.Alias(5);
    } catch (const EListError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("リストのインデックスが範囲を超えています (5)"));
    }
    // Capacity grows by 4 below 9, by 16 up to 64, then by a quarter.
    TqvParseList g;
    std::vector<int> caps;
    for (int i = 0; i < 100; ++i) {
        g.Add("x", "");
        if (caps.empty() || caps.back() != g.Capacity())
            caps.push_back(g.Capacity());
    }
    EXPECT_EQ(caps, (std::vector<int>{4, 8, 12, 28, 44, 60, 76, 95, 118}));
    g.Clear();
    EXPECT_EQ(g.Count(), 0);
    EXPECT_EQ(g.Capacity(), 0);
}
