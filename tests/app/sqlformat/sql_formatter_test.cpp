// Layout of the SQL formatter: the documented examples byte for byte, and what each option does.
#include <gtest/gtest.h>

#include <QStringList>

#include "app/sqlformat/sql_formatter.h"
#include "app/sqlformat/sql_tokens.h"

QT_BEGIN_NAMESPACE
// Readable failures: the text itself, not its code units.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '\n' << s.toStdString(); }
QT_END_NAMESPACE

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

TFormatOption Opt(int indent, int itemReturn, int reservePos, int commaPos, int andPos, int reserveTrans,
                  int itemTrans)
{
    TFormatOption o;
    o.Indent = indent;
    o.ItemReturn = itemReturn;
    o.ReservePos = reservePos;
    o.CommaPos = commaPos;
    o.AndPos = andPos;
    o.ReserveTrans = reserveTrans;
    o.ItemTrans = itemTrans;
    return o;
}

class OptionEffect : public testing::TestWithParam<Example> {};

TEST_P(OptionEffect, LaysOutAsTheOptionSays)
{
    const Example& e = GetParam();
    EXPECT_EQ(Fmt(e.input, e.options), Lines(e.expected)) << e.name;
}

// Each option against the defaults (Indent 4, the others 0) on the same kind of input.
// clang-format off
INSTANTIATE_TEST_SUITE_P(Options, OptionEffect, testing::Values(
    Example{"Indent_4", Opt(4, 0, 0, 0, 0, 0, 0), "begin\r\nprint 1\r\nend",
            {"BEGIN", "    PRINT 1", "END"}},
    Example{"Indent_2", Opt(2, 0, 0, 0, 0, 0, 0), "begin\r\nprint 1\r\nend",
            {"BEGIN", "  PRINT 1", "END"}},
    Example{"ItemReturn_0", Opt(4, 0, 0, 0, 0, 0, 0), "select a, b from t where x = 1 and y = 2 or z = 3",
            {"SELECT A", "      ,B", "  FROM T", " WHERE X = 1", "   AND Y = 2", "    OR Z = 3"}},
    Example{"ItemReturn_1", Opt(4, 1, 0, 0, 0, 0, 0), "select a, b from t where x = 1 and y = 2 or z = 3",
            {"SELECT A, B", "  FROM T", " WHERE X = 1 AND Y = 2 OR Z = 3"}},
    Example{"ReservePos_0", Opt(4, 0, 0, 0, 0, 0, 0), "select a, b from t group by a, b order by a, b",
            {"SELECT A", "      ,B", "  FROM T", " GROUP BY A", "         ,B", " ORDER BY A", "         ,B"}},
    Example{"ReservePos_1", Opt(4, 0, 1, 0, 0, 0, 0), "select a, b from t group by a, b order by a, b",
            {"SELECT A", "      ,B", "FROM   T", "GROUP BY A", "        ,B", "ORDER BY A", "        ,B"}},
    Example{"CommaPos_1", Opt(4, 0, 0, 1, 0, 0, 0), "select a, b from t group by a, b order by a, b",
            {"SELECT A,", "       B", "  FROM T", " GROUP BY A,", "          B", " ORDER BY A,", "          B"}},
    Example{"CommaPos_1_set", Opt(4, 0, 0, 1, 0, 0, 0), "update t set a = 1, b = 2 where c = 3",
            {"UPDATE T", "   SET A = 1,", "       B = 2", " WHERE C = 3"}},
    Example{"AndPos_1", Opt(4, 0, 0, 0, 1, 0, 0), "select a from t where x = 1 and y = 2",
            {"SELECT A", "  FROM T", " WHERE X = 1 AND", "       Y = 2"}},
    Example{"AndPos_ignored_inline", Opt(4, 1, 0, 0, 1, 0, 0), "select a from t where x = 1 and y = 2",
            {"SELECT A", "  FROM T", " WHERE X = 1 AND Y = 2"}},
    Example{"ReserveTrans_1", Opt(4, 0, 0, 0, 0, 1, 0), "Select a From t Where b = 1",
            {"select A", "  from T", " where B = 1"}},
    Example{"ReserveTrans_2", Opt(4, 0, 0, 0, 0, 2, 0), "Select a From t Where b = 1",
            {"Select A", "  From T", " Where B = 1"}},
    Example{"ItemTrans_1", Opt(4, 0, 0, 0, 0, 0, 1), "Select Col From Tab",
            {"SELECT col", "  FROM tab"}},
    Example{"both_unchanged", Opt(4, 0, 0, 0, 0, 2, 2), "Select Col From Tab Where x = 'A'",
            {"Select Col", "  From Tab", " Where x ='A'"}},
    // The clause layouts of the four statements.
    Example{"update", {}, "update t set a = 1, b = 'x' where c = 3",
            {"UPDATE T", "   SET A = 1", "      ,B ='x'", " WHERE C = 3"}},
    Example{"delete", {}, "delete from t where a = 1",
            {"DELETE ", "  FROM T", " WHERE A = 1"}},
    Example{"union_having", {}, "select a, count(*) from t group by a having count(*) > 1 union all select b, 0 from u",
            {"SELECT A", "      ,COUNT(*) ", "  FROM T", " GROUP BY A", "HAVING COUNT(*) > 1", " UNION ALL",
             "SELECT B", "      ,0", "  FROM U"}},
    Example{"outer_join_stays_together", {}, "select a from t1 left outer join t2 on t1.k = t2.k",
            {"SELECT A", "  FROM T1", "  LEFT OUTER JOIN T2 ON T1.K = T2.K"}},
    Example{"comment_before_comma", {}, "select a -- first\r\n, b from t",
            {"SELECT A -- first", "      ,B", "  FROM T"}},
    Example{"comment_after_and_stays_after_it", {}, "select a from t where x = 1 and -- why\r\ny = 2",
            {"SELECT A", "  FROM T", " WHERE X = 1", "   AND -- why", "       Y = 2"}},
    Example{"if_else_blocks", {}, "if @a = 1\r\nbegin\r\nprint 'one'\r\nend\r\nelse\r\nbegin\r\nprint 'other'\r\nend",
            {"IF @A = 1", "BEGIN", "    PRINT 'one'", "END", "ELSE", "BEGIN", "    PRINT 'other'", "END"}},
    Example{"while_loop_then_plain_loop", {}, "while x loop\r\nnull;\r\nend loop;\r\nloop\r\nnull;\r\nend loop;",
            {"WHILE X LOOP", "    NULL;", "END LOOP;", "LOOP", "    NULL;", "END LOOP;"}},
    Example{"comment_with_quote_in_statement", {}, "begin\r\nselect a from t where /* don't */ b = 1;\r\nend",
            {"BEGIN", "    SELECT A", "      FROM T", "     WHERE /* don't */B = 1;", "END"}}
), [](const testing::TestParamInfo<Example>& i) { return std::string(i.param.name); });
// clang-format on

// Shapes whose meaning the layout once changed: a keyword that follows the INSERT column list
// ran into the word before it, a GO line was pulled onto the line before, and the sign of an
// exponent after an operator was set apart from its number. Each keeps its tokens, lays out as
// shown and stays the same when formatted again.
class KeepsMeaning : public testing::TestWithParam<Example> {};

TEST_P(KeepsMeaning, LaysOutWithoutChangingTheTokens)
{
    const Example& e = GetParam();
    const QString once = Fmt(e.input, e.options);
    EXPECT_EQ(once, Lines(e.expected)) << e.name;
    EXPECT_EQ(sqlformat_test::SqlTokens(once), sqlformat_test::SqlTokens(e.input)) << e.name;
    EXPECT_EQ(Fmt(once, e.options), once) << e.name;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(InsertExecOutputExponents, KeepsMeaning, testing::Values(
    Example{"insert_exec", {}, "INSERT INTO t (a) EXEC p SELECT 1",
            {"INSERT INTO T", "       (A)", "EXEC P", "SELECT 1"}},
    Example{"insert_exec_with_parameters", {}, "INSERT INTO t (a) EXEC p @x = 1 SELECT 1",
            {"INSERT INTO T", "       (A)", "EXEC P @X = 1", "SELECT 1"}},
    Example{"insert_table_variable_then_block", {}, "INSERT INTO @t (a, b)\r\nBEGIN\r\nUPDATE t SET a = 1 WHERE b = 2\r\nEND",
            {"INSERT INTO @T", "       (A", "       ,B)", "BEGIN", "UPDATE T", "   SET A = 1", " WHERE B = 2 END"}},
    Example{"insert_exec_procedure_then_select", {}, "insert into #r (a, b) exec sp_who2\r\nselect * from #r",
            {"INSERT INTO #R", "       (A", "       ,B)", "EXEC SP_WHO2", "SELECT *", "  FROM #R"}},
    Example{"insert_exec_then_go_line", {}, "insert into t (a) exec p\r\nGO\r\nselect 1",
            {"INSERT INTO T", "       (A)", "EXEC P ", "GO", "SELECT 1"}},
    Example{"insert_output", {}, "insert into t (a) output inserted.a values (1)",
            {"INSERT INTO T", "       (A)", "OUTPUT INSERTED.A", "VALUES (1)"}},
    Example{"exponent_after_plus", {}, "select a from t where b = c+1e-5",
            {"SELECT A", "  FROM T", " WHERE B = C+1E-5"}},
    Example{"exponents_after_operators", {}, "select a from t where b = c%1e-5 and d = c&2.5E-3 or e = c|1e-1 and f = c^.5e-2 and g = ~1e-5",
            {"SELECT A", "  FROM T", " WHERE B = C%1E-5", "   AND D = C&2.5E-3", "    OR E = C|1E-1",
             "   AND F = C^.5E-2", "   AND G = ~1E-5"}},
    Example{"exponents_in_set", {}, "update t set a = c+1e-5, b = c%1E-2, c = x1e-5 where d = 1",
            {"UPDATE T", "   SET A = C+1E-5", "      ,B = C%1E-2", "      ,C = X1E -5", " WHERE D = 1"}}
), [](const testing::TestParamInfo<Example>& i) { return std::string(i.param.name); });
// clang-format on

// What the formatter keeps, whatever the layout around it.
TEST(FormatSQLText, KeepsLiteralsNamesAndCommentsByteForByte)
{
    const QString text = QStringLiteral(
        "select 'it''s\r\n  two lines', /* keep\r\n     this */ a, \"Mixed \"\"Case\"\"\" from [my table]]x]\r\n"
        "where [a b] = N'x' -- don't\r\n  and c = 'select from where'");
    const QString out = Fmt(text);
    for (const char* kept : {"'it''s\r\n  two lines'", "/* keep\r\n     this */", "\"Mixed \"\"Case\"\"\"",
                             "[my table]]x]", "[a b]", "N'x'", "-- don't", "'select from where'"})
        EXPECT_TRUE(out.contains(QString::fromUtf8(kept))) << kept << "\n" << out.toStdString();
    EXPECT_EQ(out, Lines({"SELECT 'it''s", "  two lines'", "      ,/* keep", "     this */ A",
                          "      ,\"Mixed \"\"Case\"\"\"", "  FROM [my table]]x]", " WHERE [a b] = N'x'-- don't",
                          "   AND C ='select from where'"}));
}

TEST(FormatSQLText, NeverJoinsWhatWasApart)
{
    // A name N and a literal, two minus signs, two literals, an operator typed apart.
    EXPECT_EQ(Fmt(QStringLiteral("select a from t where b = n 'x'")), Lines({"SELECT A", "  FROM T", " WHERE B = N 'x'"}));
    EXPECT_EQ(Fmt(QStringLiteral("select a from t where b = 1 - -1")), Lines({"SELECT A", "  FROM T", " WHERE B = 1 - - 1"}));
    EXPECT_EQ(Fmt(QStringLiteral("update t set a = 'x' 'y'")), Lines({"UPDATE T", "   SET A ='x' 'y'"}));
    EXPECT_EQ(Fmt(QStringLiteral("select a from t where b < > c")), Lines({"SELECT A", "  FROM T", " WHERE B < > C"}));
    // Typed together they stay together: N'…', a signed exponent, compound operators.
    EXPECT_EQ(Fmt(QStringLiteral("select a from t where b = N'x' and c <> 1e-5 and d >= 2")),
              Lines({"SELECT A", "  FROM T", " WHERE B = N'x'", "   AND C <> 1E-5", "   AND D >= 2"}));
    EXPECT_EQ(Fmt(QStringLiteral("update t set a += 1, b != 2")), Lines({"UPDATE T", "   SET A += 1", "      ,B != 2"}));
}

TEST(FormatSQLText, WordsAroundKeywordsThatDoNotBreakStaySeparate)
{
    // GROUP without BY (an ordered-set aggregate) and LEFT( as a function are ordinary words.
    EXPECT_EQ(Fmt(QStringLiteral("select string_agg(a, ',') within group (order by a) from t")),
              Lines({"SELECT STRING_AGG(A, ',') WITHIN GROUP (", " ORDER BY A) ", "  FROM T"}));
    EXPECT_EQ(Fmt(QStringLiteral("select left(a, 2), x from t")),
              Lines({"SELECT LEFT(A, 2) ", "      ,X", "  FROM T"}));
    // A join word outside a SELECT is a plain word and keeps its blank.
    EXPECT_EQ(Fmt(QStringLiteral("delete d from t d left join u on u.k = d.k")),
              Lines({"DELETE D", "  FROM T D LEFT JOIN U ON U.K = D.K"}));
}

TEST(FormatSQLText, GoLinesEndTheStatementAndStayAlone)
{
    EXPECT_EQ(Fmt(QStringLiteral("select a from t\r\ngo\r\nprint 'x'\r\nGO")),
              Lines({"SELECT A", "  FROM T ", "go", "PRINT 'x'", "GO"}));
    // "go" inside a statement is a name, not a batch separator.
    EXPECT_EQ(Fmt(QStringLiteral("select go from t as go where go.x = 1")),
              Lines({"SELECT GO", "  FROM T AS GO", " WHERE GO.X = 1"}));
}

TEST(FormatSQLText, LineBreaksAreCrLfWhateverTheInputUses)
{
    EXPECT_EQ(Fmt(QStringLiteral("select a\nfrom t\nwhere b = 1\n")), Lines({"SELECT A", "  FROM T", " WHERE B = 1"}));
    EXPECT_EQ(Fmt(QStringLiteral("print 1\nprint 2\rprint 3")), Lines({"PRINT 1", "PRINT 2", "PRINT 3"}));
    // With CommaPos 1 the line end after a comment on a comma's line is CR LF too.
    TFormatOption o;
    o.CommaPos = 1;
    EXPECT_EQ(Fmt(QStringLiteral("select a, -- note\nb from t"), o), Lines({"SELECT A,-- note", "       B", "  FROM T"}));
}

TEST(FormatSQLText, IndentationDoesNotRunAway)
{
    // BEGIN TRANSACTION opens no block; further DECLAREs of one section stay on its level.
    EXPECT_EQ(Fmt(QStringLiteral("begin tran\r\nupdate t set a = 1;\r\ncommit tran")),
              Lines({"BEGIN TRAN", "UPDATE T", "   SET A = 1;", "COMMIT TRAN"}));
    // IS NULL is a condition, not a block header.
    EXPECT_EQ(Fmt(QStringLiteral("if @x is null\r\nprint 'a'\r\nprint 'b'")),
              Lines({"IF @X IS NULL", "PRINT 'a'", "PRINT 'b'"}));
    // The END of a CASE expression returns to the CASE's level, whatever its branches did.
    EXPECT_EQ(Fmt(QStringLiteral("begin\r\nset @a = case when @b = 1 then 'x' when @b = 2 then 'y' end\r\nprint 1\r\nend")),
              Lines({"BEGIN", "    SET @A = CASE WHEN @B = 1 THEN", "        'x' WHEN @B = 2 THEN", "            'y' ",
                     "    END", "    PRINT 1", "END"}));
    QString text = QStringLiteral("create procedure p as\r\nbegin\r\n");
    for (int i = 0; i < 200; ++i)
        text += QStringLiteral("declare @v%1 int\r\n").arg(i);
    text += QStringLiteral("end\r\n");
    const QStringList lines = Fmt(text).split(QStringLiteral("\r\n"));
    qsizetype widest = 0;
    for (const QString& l : lines)
        widest = qMax(widest, l.size() - l.trimmed().size());
    EXPECT_LE(widest, 8);
}

TEST(FormatSQLText, GlobalOptionsAreUsedAndNotChanged)
{
    const qv::TFormatOption saved = qv::FormatOption;
    qv::FormatOption.CommaPos = 1;
    QString result;
    FormatSQLText(QStringLiteral("select a, b from t"), result);
    EXPECT_EQ(result, Lines({"SELECT A,", "       B", "  FROM T"}));
    EXPECT_EQ(qv::FormatOption.CommaPos, 1);
    qv::FormatOption = saved;
}

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
