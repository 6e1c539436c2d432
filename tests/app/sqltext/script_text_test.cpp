#include <gtest/gtest.h>

#include "app/sqltext/script_text.h"

using namespace qv;

TEST(RemoveDuplicateUse, Table)
{
    const struct {
        QStringList in, out;
    } cases[] = {
        {{"use [a]", "go", "create x", "use [a]", "go", "", "create y"},
         {"use [a]", "go", "create x", "create y"}},
        {{"use [a]", "go", "use [b]", "go", "use [a]", "go"},
         {"use [a]", "go", "use [b]", "go", "use [a]", "go"}},
        {{"USE [a]", "go", "use [a]", "go"}, {"USE [a]", "go", "use [a]", "go"}},
        {{"use [a]", "use [a]", "", "x"}, {"use [a]", "x"}},
        {{"use [a]", "x", "use [a]", "GO", "y"}, {"use [a]", "x", "y"}},
        {{"use [a]", "use [a]", "go", "x", "", "use [a]"}, {"use [a]", "x", ""}},
        {{}, {}},
    };
    for (const auto& c : cases) {
        QStringList lines = c.in;
        RemoveDuplicateUse(lines);
        EXPECT_EQ(lines, c.out) << c.in.join('|').toStdString();
    }
}

TEST(UnwrapExecuteSQL, Table)
{
    EXPECT_EQ(UnwrapExecuteSQL("exec sp_executesql N'select ''x'''", false), "select 'x'");
    EXPECT_EQ(UnwrapExecuteSQL("exec sp_executesql N'select ''x'''", true), "select 'x'");
    EXPECT_EQ(UnwrapExecuteSQL("EXEC\r\n  sp_executesql\tN'a', N'@p int', @p = 1", true), "a");
    EXPECT_EQ(UnwrapExecuteSQL("select 'x'", true), "select 'x'");
    EXPECT_EQ(UnwrapExecuteSQL("select 'x'", false), "x");
    EXPECT_EQ(UnwrapExecuteSQL("exec sp_executesql N'open", false), "exec sp_executesql N'open");
    EXPECT_EQ(UnwrapExecuteSQL("exec sp_executesql x", false), "exec sp_executesql x");
    EXPECT_EQ(UnwrapExecuteSQL("exec sp_executesql N'a'''", false), "a'");
    EXPECT_EQ(UnwrapExecuteSQL("exec sp_executesql N'a''", false), "exec sp_executesql N'a''");
}

TEST(IsCodeKeywordAt, SkipsLiteralsNamesAndComments)
{
    auto at = [](const QString& text, const QString& kw) {
        return IsCodeKeywordAt(text, kw, text.lastIndexOf(kw) + 1);
    };
    EXPECT_TRUE(at("create procedure p\r\nAS\r\nselect 1", "AS"));
    EXPECT_TRUE(at("create procedure p\nAS\nselect 1", "AS")); // LF-only line ends too
    EXPECT_TRUE(at("create procedure p\n/*x*/AS select 1", "AS"));
    EXPECT_TRUE(at("create function f() RETURNS int", "RETURNS"));
    EXPECT_FALSE(at("create procedure p /* AS */", "AS"));
    EXPECT_FALSE(at("create procedure p -- x AS y\n", "AS"));
    EXPECT_FALSE(at("create procedure p 'x AS y'", "AS"));
    EXPECT_FALSE(at("create procedure [x AS y]", "AS"));
    EXPECT_FALSE(at("create procedure \"x AS y\"", "AS"));
    EXPECT_FALSE(at("create procedure pAS x", "AS"));   // not a word of its own
    EXPECT_FALSE(at("create procedure p ASx", "AS"));
    EXPECT_FALSE(at("/* a /* nested */ AS */ x", "AS")); // block comments nest
    EXPECT_TRUE(at("/* a /* nested */ b */ AS x", "AS"));
    EXPECT_TRUE(at("x CREATE", "CREATE"));
    EXPECT_FALSE(at("'unclosed CREATE", "CREATE"));
    EXPECT_FALSE(IsCodeKeywordAt("AS", "AS", 5));
}

TEST(NameHelpers, Table)
{
    EXPECT_EQ(AzureDateExpr("u.create_date"), "dateadd(HOUR, 9, u.create_date)");
    EXPECT_EQ(DequoteName("\"a\"\"b\""), "a\"b");
    EXPECT_EQ(DequoteName("a\"b"), "a\"b");
    EXPECT_EQ(StripBrackets("[a]"), "a");
    EXPECT_EQ(StripBrackets("[a"), "a");
    EXPECT_EQ(StripBrackets("a]"), "a");
    EXPECT_EQ(StripBrackets("[a]]b]"), "a]b");
    EXPECT_EQ(NormalizeNamePart("[t];"), "t");
    EXPECT_EQ(NormalizeNamePart("\"t\";"), "t");

    QString a, b, c;
    SplitThreePartName("[db].[dbo].[t]", a, b, c);
    EXPECT_EQ(QStringList({a, b, c}), QStringList({"db", "dbo", "t"}));
    SplitThreePartName("x", a, b, c);
    EXPECT_EQ(QStringList({a, b, c}), QStringList({"", "", "x"}));
    SplitThreePartName("dbo.t", a, b, c);
    EXPECT_EQ(QStringList({a, b, c}), QStringList({"dbo", "", "dbo.t"}));
    SplitThreePartName("a.b.c.d", a, b, c);
    EXPECT_EQ(QStringList({a, b, c}), QStringList({"a", "b", "c.d"}));
}

TEST(GetSynonymBaseObject, QueryAndFailures)
{
    QString seenSql;
    QList<QPair<QString, QVariant>> seenParams;
    const QString base = GetSynonymBaseObject(
        "db]x", "DBO", "SYN", [&](const QString& sql, const QList<QPair<QString, QVariant>>& p) {
            seenSql = sql;
            seenParams = p;
            return QVariant("dbo.t");
        });
    EXPECT_EQ(base, "dbo.t");
    EXPECT_TRUE(seenSql.startsWith("use [db]]x]\r\nselect a.base_object_name from sys.synonyms as a"));
    EXPECT_TRUE(seenSql.endsWith("upper(a.name) = :NAME "));
    ASSERT_EQ(seenParams.size(), 2);
    EXPECT_EQ(seenParams[0].second.toString(), "DBO");
    EXPECT_EQ(seenParams[1].second.toString(), "SYN");

    EXPECT_EQ(GetSynonymBaseObject("d", "o", "n", [](const QString&, const auto&) -> QVariant {
                  throw std::runtime_error("no server");
              }),
              "");
    EXPECT_EQ(GetSynonymBaseObject("d", "o", "n", [](const QString&, const auto&) { return QVariant(); }),
              "");
}
