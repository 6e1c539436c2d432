// Layout of the SQL formatter: the documented examples byte for byte, and what each option does.
#include <gtest/gtest.h>

#include <QStringList>

#include "app/sqlformat/sql_formatter.h"

namespace {

using qv::TFormatOption;
using qv::FormatSQLText;

QString Lines(const QStringList& lines) { return lines.join(QStringLiteral("\r\n")); }

QString Fmt(const QString& text, const TFormatOption& o = TFormatOption()) { return FormatSQLText(text, o); }

TFormatOption With(void (*set)(TFormatOption&))
{
    TFormatOption o;
    set(o);
    return o;
}

struct Example {
    const char* name;
    TFormatOption options;
    QString input;
    QStringList expected;
};

class WorkedExample : public testing::TestWithParam<Example> {};

TEST_P(WorkedExample, MatchesByteForByte)
{
    const Example& e = GetParam();
    EXPECT_EQ(Fmt(e.input, e.options), Lines(e.expected)) << e.name;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Documented, WorkedExample, testing::Values(
    Example{"defaults", {}, "select a, b from t where x = 1 and y = 2",
            {"SELECT A", "      ,B", "  FROM T", " WHERE X = 1", "   AND Y = 2"}},
    Example{"comma_at_end", With([](TFormatOption& o) { o.CommaPos = 1; }), "select a, b from t",
            {"SELECT A,", "       B", "  FROM T"}},
    Example{"items_inline", With([](TFormatOption& o) { o.ItemReturn = 1; }), "select a, b from t",
            {"SELECT A, B", "  FROM T"}},
    Example{"keywords_left", With([](TFormatOption& o) { o.ReservePos = 1; }), "select a from t",
            {"SELECT A", "FROM   T"}},
    // A blank follows a closing parenthesis in a list, also before the line break.
    Example{"functions_in_list", {}, "select count(*), max(a) from t",
            {"SELECT COUNT(*) ", "      ,MAX(A) ", "  FROM T"}},
    Example{"comma_in_parentheses", {}, "select coalesce(a, b) from t",
            {"SELECT COALESCE(A, B) ", "  FROM T"}},
    Example{"between", {}, "select a from t where a between 1 and 2",
            {"SELECT A", "  FROM T", " WHERE A BETWEEN 1 AND 2"}},
    Example{"nested_parentheses", {}, "select max(abs(a)) from t",
            {"SELECT MAX(ABS(A) ) ", "  FROM T"}},
    Example{"literal_in_condition", {}, "select a from t where a = 'x'",
            {"SELECT A", "  FROM T", " WHERE A ='x'"}},
    Example{"insert", {}, "insert into t (a, b) values (1, 2)",
            {"INSERT INTO T", "       (A", "       ,B)", "VALUES (1", "       ,2)"}},
    Example{"inner_join", {}, "select a from t1 inner join t2 on t1.k = t2.k",
            {"SELECT A", "  FROM T1", " INNER JOIN T2 ON T1.K = T2.K"}},
    Example{"comment_after_comma", With([](TFormatOption& o) { o.CommaPos = 1; }),
            "select a, -- note\r\nb from t",
            {"SELECT A,-- note", "       B", "  FROM T"}},
    Example{"items_unchanged", With([](TFormatOption& o) { o.ItemTrans = 2; }), "select col from tab",
            {"SELECT col", "  FROM tab"}}
), [](const testing::TestParamInfo<Example>& i) { return std::string(i.param.name); });
// clang-format on

TEST(FormatSQLText, EmptyAndBlankTextGiveEmptyResult)
{
    EXPECT_EQ(Fmt(QString()), QString());
    EXPECT_EQ(Fmt(QStringLiteral("   \r\n\r\n  \t \r\n")), QString());
}

TEST(FormatSQLText, BeginIndentsTheFollowingLines)
{
    EXPECT_EQ(Fmt(QStringLiteral("begin\r\nprint 1\r\nprint 2\r\nend")),
              Lines({"BEGIN", "    PRINT 1", "    PRINT 2", "END"}));
    TFormatOption two;
    two.Indent = 2;
    EXPECT_EQ(Fmt(QStringLiteral("begin\r\nprint 1\r\nend"), two), Lines({"BEGIN", "  PRINT 1", "END"}));
}

} // namespace
