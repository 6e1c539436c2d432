#include "platform/db/sql_params.h"
#include "platform/exceptions.h"

#include <gtest/gtest.h>
#include "db_test_helper.h"

using namespace qv::db;

TEST(SqlParams, NamesByTheMarkerRule)
{
    struct Case {
        QString sql;
        QStringList names;
        QString text;
    };
    const Case cases[] = {
        {QStringLiteral("select * from t where c = :ＣＯＤＥ１"), {QStringLiteral("ＣＯＤＥ１")}, QStringLiteral("select * from t where c = ?")},
        {QStringLiteral("x = :A１B)"), {QStringLiteral("A１B")}, QStringLiteral("x = ?)")},
        {QStringLiteral("x=:ｉｄ１２,"), {QStringLiteral("ＩＤ１２")}, QStringLiteral("x=?,")},
        {QStringLiteral(":a + :b - :a"), {"A", "B"}, QStringLiteral("? + ? - ?")},
        {QStringLiteral(":x_1$#y!"), {"X_1$#Y"}, QStringLiteral("?!")},
        {QStringLiteral(":s.t + :u."), {"S.T", "U"}, QStringLiteral("? + ?.")},
        {QStringLiteral(":\"my name\" :[other one]"), {"my name", "other one"}, QStringLiteral("? ?")},
        {QStringLiteral("名前 = :名前"), {QStringLiteral("名前")}, QStringLiteral("名前 = ?")},
        // nothing inside literals, identifiers, comments or "::"
        {QStringLiteral("select 'it'':x' , [a:b], \"c:d\" -- :c\n/* :e /* :f */ :g */ from ::fn_x(:p)"), {"P"},
         QStringLiteral("select 'it'':x' , [a:b], \"c:d\" -- :c\n/* :e /* :f */ :g */ from ::fn_x(?)")},
        {QStringLiteral("select N'a:b', :q"), {"Q"}, QStringLiteral("select N'a:b', ?")},
        {QStringLiteral("a : b :"), {}, QStringLiteral("a : b :")},
        {QStringLiteral("'unterminated :x"), {}, QStringLiteral("'unterminated :x")},
    };
    for (const auto& c : cases) {
        const ParsedSql p = parseParams(c.sql);
        EXPECT_EQ(p.names, c.names) << c.sql.toStdString();
        EXPECT_EQ(p.text, c.text) << c.sql.toStdString();
    }
}

TEST(SqlParams, OneNameBindsAtEveryPlace)
{
    const ParsedSql p = parseParams(QStringLiteral(":a … :b … :a"));
    EXPECT_EQ(p.names, QStringList({"A", "B"}));
    EXPECT_EQ(p.bindings, std::vector<int>({0, 1, 0}));
}

TEST(SqlParams, NameLengthLimit)
{
    const QString ok(255, QLatin1Char('n'));
    EXPECT_EQ(parseParams(":" + ok).names.value(0).size(), 255);
    EXPECT_THROW(parseParams(":" + ok + "n"), qv::EDatabaseError);
    EXPECT_THROW(parseParams(":[" + ok + "n]"), qv::EDatabaseError);
}

TEST(SqlParams, StatementKind)
{
    EXPECT_EQ(statementKind("  -- note\n/* x */ SELECT 1"), StatementKind::Select);
    EXPECT_EQ(statementKind("with c as (select 1 a) select * from c"), StatementKind::Select);
    EXPECT_EQ(statementKind("(select 1)"), StatementKind::Select);
    EXPECT_EQ(statementKind("exec sp_who"), StatementKind::Execute);
    EXPECT_EQ(statementKind("EXECUTE p"), StatementKind::Execute);
    EXPECT_EQ(statementKind("{call p}"), StatementKind::Execute);
    EXPECT_EQ(statementKind("update t set a = 1"), StatementKind::Other);
    EXPECT_EQ(statementKind("selected"), StatementKind::Other);
    EXPECT_EQ(statementKind(""), StatementKind::Other);
}

TEST(SqlParams, LeadingUse)
{
    QString use, rest;
    ASSERT_TRUE(splitLeadingUse("use [my db]\r\nselect ?", use, rest));
    EXPECT_EQ(use, "use [my db]");
    EXPECT_EQ(rest, "select ?");
    ASSERT_TRUE(splitLeadingUse("-- c\nUSE [a\r\nb];select 1", use, rest));
    EXPECT_EQ(use, "USE [a\r\nb]");
    EXPECT_EQ(rest, "select 1");
    EXPECT_FALSE(splitLeadingUse("select 1 use", use, rest));
    EXPECT_FALSE(splitLeadingUse("user_x", use, rest));
}
