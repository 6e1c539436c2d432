// Properties of the SQL formatter over a corpus of real-looking scripts and random text: the
// meaning is kept (same token sequence), formatting is idempotent, and no input breaks it.
#include <gtest/gtest.h>

#include <QRegularExpression>

#include "app/sqlformat/sql_formatter.h"
#include "sql_corpus_helper.h"

namespace {

using qv::FormatSQLText;
using qv::TFormatOption;
using sqlformat_test::SqlCorpus;
using sqlformat_test::SqlTokens;

// Every option at each of its documented values, one at a time, plus a few combinations.
std::vector<std::pair<std::string, TFormatOption>> OptionSets()
{
    std::vector<std::pair<std::string, TFormatOption>> sets;
    sets.emplace_back("defaults", TFormatOption());
    auto add = [&sets](const std::string& name, auto set) {
        TFormatOption o;
        set(o);
        sets.emplace_back(name, o);
    };
    add("Indent2", [](TFormatOption& o) { o.Indent = 2; });
    add("ItemReturn1", [](TFormatOption& o) { o.ItemReturn = 1; });
    add("ReservePos1", [](TFormatOption& o) { o.ReservePos = 1; });
    add("CommaPos1", [](TFormatOption& o) { o.CommaPos = 1; });
    add("AndPos1", [](TFormatOption& o) { o.AndPos = 1; });
    add("ReserveTrans1", [](TFormatOption& o) { o.ReserveTrans = 1; });
    add("ReserveTrans2", [](TFormatOption& o) { o.ReserveTrans = 2; });
    add("ItemTrans1", [](TFormatOption& o) { o.ItemTrans = 1; });
    add("ItemTrans2", [](TFormatOption& o) { o.ItemTrans = 2; });
    add("all_ones", [](TFormatOption& o) {
        o.ItemReturn = o.ReservePos = o.CommaPos = o.AndPos = o.ReserveTrans = o.ItemTrans = 1;
    });
    add("ends_left_lower", [](TFormatOption& o) {
        o.Indent = 3;
        o.ReservePos = o.CommaPos = o.AndPos = 1;
        o.ReserveTrans = 1;
        o.ItemTrans = 2;
    });
    return sets;
}

// The first difference of two token lists, for a readable failure.
std::string FirstDifference(const QStringList& a, const QStringList& b)
{
    const qsizetype n = qMin(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i)
        if (a[i] != b[i])
            return "token " + std::to_string(i) + ": [" + a[i].toStdString() + "] became ["
                   + b[i].toStdString() + "]";
    return "token count " + std::to_string(a.size()) + " became " + std::to_string(b.size());
}

bool HasOnlyCrLfBreaksOutsideText(const QString& formatted, const QString& original)
{
    // A lone CR or LF may only come from inside a literal or comment of the original.
    static const QRegularExpression lone(QStringLiteral("\r(?!\n)|(?<!\r)\n"));
    return !lone.match(formatted).hasMatch() || lone.match(original).hasMatch();
}

TEST(FormatterProperties, CorpusKeepsTokensAndIsIdempotentForEveryOption)
{
    for (const auto& [optName, options] : OptionSets()) {
        for (const auto& script : SqlCorpus()) {
            SCOPED_TRACE(optName + " / " + script.name);
            const QString once = FormatSQLText(script.text, options);
            const QStringList before = SqlTokens(script.text);
            const QStringList after = SqlTokens(once);
            EXPECT_TRUE(before == after) << FirstDifference(before, after) << "\n" << once.toStdString();
            const QString twice = FormatSQLText(once, options);
            EXPECT_TRUE(once == twice) << "first:\n" << once.toStdString() << "\nsecond:\n" << twice.toStdString();
            EXPECT_TRUE(HasOnlyCrLfBreaksOutsideText(once, script.text)) << once.toStdString();
        }
    }
}

TEST(FormatterProperties, ShapesThatOnceMovedOnASecondRunStayPut)
{
    const QString shapes[] = {
        QStringLiteral("insert into t ([a], [b]) values('x', @y)\r\nexecute p"),
        QStringLiteral("select a from t where b = 1 and c = 2 -- c\r\norder by a"),
        QStringLiteral("GO where 2.5e x"),
        QStringLiteral("union from x"),
        QStringLiteral("while x loop ; y"),
        QStringLiteral("select a, b from t union select c, inner > - - 's',left -- c\r\na having x"),
        QStringLiteral("select between and \t/* c */thenintoloop"),
        QStringLiteral("select string_agg(a, ',') within group (order by a) from t"),
        QStringLiteral("select a /* b */inner join c on d = e"),
        QStringLiteral("update t set a = 1 where b = 2 or /* c */ delete from u"),
        QStringLiteral("declare)loop  end orderif--  /\r\nx"),
        QStringLiteral("select a from t1 left outer join t2 on x = y\r\n  left /on)by"),
    };
    for (const auto& [optName, options] : OptionSets()) {
        for (const QString& text : shapes) {
            SCOPED_TRACE(optName + ": " + text.toStdString());
            const QString once = FormatSQLText(text, options);
            EXPECT_TRUE(SqlTokens(text) == SqlTokens(once)) << once.toStdString();
            const QString twice = FormatSQLText(once, options);
            EXPECT_TRUE(once == twice) << "first:\n" << once.toStdString() << "\nsecond:\n" << twice.toStdString();
        }
    }
}

TEST(FormatterProperties, RandomTextKeepsTokensAndIsIdempotent)
{
    const auto sets = OptionSets();
    for (unsigned seed = 1; seed <= 1500; ++seed) {
        const QString text = sqlformat_test::RandomSqlText(seed, 20 + int(seed % 60));
        const auto& [optName, options] = sets[seed % sets.size()];
        SCOPED_TRACE("seed " + std::to_string(seed) + " " + optName);
        const QString once = FormatSQLText(text, options);
        const QStringList before = SqlTokens(text);
        const QStringList after = SqlTokens(once);
        ASSERT_TRUE(before == after) << FirstDifference(before, after) << "\ninput:\n"
                                 << text.toStdString() << "\noutput:\n" << once.toStdString();
        const QString twice = FormatSQLText(once, options);
        ASSERT_TRUE(once == twice) << "input:\n" << text.toStdString() << "\nfirst:\n"
                                   << once.toStdString() << "\nsecond:\n" << twice.toStdString();
    }
}

TEST(FormatterProperties, OddInputsDoNotBreakIt)
{
    const QString odd[] = {
        QStringLiteral("'unterminated literal\r\nselect a from t"),
        QStringLiteral("/* unterminated /* nested */ comment"),
        QStringLiteral("select [unterminated bracket"),
        QStringLiteral("\"unterminated name"),
        QStringLiteral("--"),
        QStringLiteral("-"),
        QStringLiteral("/"),
        QStringLiteral("\r"),
        QStringLiteral("end end end end else else ) ) ) (((("),
        QStringLiteral("select ,,,, from ,,, where and and or between"),
        QStringLiteral("insert into values values ( ( ( ) ) ) , ,"),
        QString(QChar(0)) + QStringLiteral("select\u2028a\u00a0b ") + QChar(0xD800),
        QStringLiteral("update set set set = = = ; ; ; / \r\n/\r\n/"),
    };
    for (const auto& [optName, options] : OptionSets()) {
        for (const QString& text : odd) {
            SCOPED_TRACE(optName + ": " + text.toStdString());
            const QString once = FormatSQLText(text, options);
            EXPECT_TRUE(SqlTokens(text) == SqlTokens(once)) << once.toStdString();
        }
    }
}

TEST(FormatterProperties, OutOfRangeOptionsAreHarmless)
{
    TFormatOption o;
    o.Indent = -8;
    o.ReserveTrans = 7;
    o.ItemTrans = -1;
    o.ReservePos = 5;
    o.CommaPos = 9;
    o.AndPos = 3;
    o.ItemReturn = 2;
    for (const auto& script : SqlCorpus()) {
        SCOPED_TRACE(script.name);
        const QString once = FormatSQLText(script.text, o);
        EXPECT_TRUE(SqlTokens(script.text) == SqlTokens(once)) << once.toStdString();
    }
    // An indent far beyond the dialog's two digits, and nesting without end, stay bounded.
    TFormatOption wide;
    wide.Indent = 1'000'000'000;
    const QString nested = FormatSQLText(QStringLiteral("begin\r\nbegin\r\nprint 1"), wide);
    EXPECT_LT(nested.size(), 5000);
    EXPECT_TRUE(nested.endsWith(QStringLiteral("PRINT 1")));
    const QString deep = FormatSQLText(QStringLiteral("begin\r\n").repeated(20000) + QStringLiteral("print 1"),
                                       TFormatOption());
    EXPECT_LT(deep.size(), 20000 * 1010);
    // Letter-case values outside 0 and 1 leave words as typed.
    EXPECT_EQ(FormatSQLText(QStringLiteral("select Col from Tab"), o).left(10), QStringLiteral("select Col"));
}

TEST(FormatterProperties, LongRunsOfBlanksAndEmptyLinesFinish)
{
    // Every line end and blank looks ahead past the run; the pass must stay linear.
    const QString lines = QString(QStringLiteral("\r\n")).repeated(50000);
    const QString blanks(200000, u' ');
    const QString texts[] = {
        QStringLiteral("select a") + lines + QStringLiteral("from t where x = 1") + lines + QStringLiteral("and y = 2"),
        QStringLiteral("select a") + blanks + QStringLiteral(", b from t where x = 1") + blanks + QStringLiteral("and y = 2"),
        QStringLiteral("update t set a = 1") + lines + QStringLiteral(", b = 2") + blanks + QStringLiteral("-- c"),
        QStringLiteral("insert into t (a, b)") + QString(QStringLiteral("\t \r\n")).repeated(50000) + QStringLiteral("values (1, 2)"),
        QStringLiteral("select a,") + QString(QStringLiteral(" \r\n")).repeated(50000) + QStringLiteral("-- c\r\n b from t"),
        QStringLiteral("print 1") + lines + QStringLiteral("begin") + lines + QStringLiteral("end"),
    };
    for (const QString& text : texts) {
        const QString once = FormatSQLText(text, TFormatOption());
        EXPECT_TRUE(SqlTokens(text) == SqlTokens(once));
    }
}

TEST(FormatterProperties, LongTextWithoutLineBreaksFinishes)
{
    QString text;
    for (int i = 0; i < 20000; ++i)
        text += QStringLiteral("select a%1, b from t where x = %1 and (y = 'q' or z in (1, 2)) ; ").arg(i);
    const QString once = FormatSQLText(text, TFormatOption());
    EXPECT_TRUE(SqlTokens(text) == SqlTokens(once));
}

} // namespace
