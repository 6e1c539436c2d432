#include <gtest/gtest.h>

#include "app/options.h"
#include "app/qvstrings.h"
#include "platform/textcodec.h"

using namespace qv;

namespace {

// Sets the bracket option for one test and restores the default afterwards.
class BracketOption {
public:
    explicit BracketOption(bool on) : m_saved(qvOption.UseLowerName) { qvOption.UseLowerName = on; }
    ~BracketOption() { qvOption.UseLowerName = m_saved; }

private:
    bool m_saved;
};

class NullLineOption {
public:
    explicit NullLineOption(bool on) : m_saved(ScriptOption.NullLine) { ScriptOption.NullLine = on; }
    ~NullLineOption() { ScriptOption.NullLine = m_saved; }

private:
    bool m_saved;
};

} // namespace

TEST(QuoteIdentifier, OptionOnBracketsEveryNameAndDoublesClosingBrackets)
{
    BracketOption on(true);
    const struct {
        QString in, out;
    } cases[] = {
        {"dbo", "[dbo]"},
        {"", "[]"},
        {"a]b", "[a]]b]"},
        {"]", "[]]]"},
        {"a b", "[a b]"},
        {" x ", "[ x ]"}, // not trimmed inside the brackets
        {"[x", "[[x]"},   // a name is data, whatever its first character
        {"[x]", "[[x]]]"},
        {"  [x]", "[  [x]]]"},
        {"表", "[表]"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(QuoteIdentifier(c.in), c.out) << c.in.toStdString();
}

TEST(QuoteIdentifier, OptionOffKeepsOnlyRegularIdentifiersBare)
{
    BracketOption off(false);
    const struct {
        QString in;
        bool force;
        QString out;
    } cases[] = {
        {"dbo", false, "dbo"},
        {"_x1", false, "_x1"},
        {"表1", false, "表1"},
        {"Select1", false, "Select1"},
        {"a b", false, "[a b]"},
        {"a-b", false, "[a-b]"},
        {"a*b", false, "[a*b]"},
        {"1abc", false, "[1abc]"},
        {"select", false, "[select]"},
        {"Go", false, "[Go]"},
        {"a.b", false, "[a.b]"},
        {"f(x)", false, "[f(x)]"},
        {"a\"b", false, "[a\"b]"},
        {"host\\inst", false, "[host\\inst]"},
        {"a]b.c", false, "[a]]b.c]"},
        {"a]b", false, "[a]]b]"},
        {"dbo", true, "[dbo]"},
        {"[x", true, "[[x]"},
        {"", false, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(QuoteIdentifier(c.in, c.force), c.out) << c.in.toStdString();
    for (QChar ch : QStringLiteral(".,?/\\:;{}@!#$%&()=^|\""))
        EXPECT_EQ(QuoteIdentifier(QStringLiteral("a") + ch), QStringLiteral("[a") + ch + "]");
}

TEST(QuoteIdentifier, ANameStartingWithABracketCannotBreakOut)
{
    for (bool option : {false, true}) {
        BracketOption o(option);
        const QString db = QStringLiteral("[x]; drop table t--");
        EXPECT_EQ(QStringLiteral("use ") + QuoteIdentifier(db), "use [[x]]; drop table t--]");
        // The variant for names the user may have typed bracketed keeps only a well-formed one.
        EXPECT_EQ(QuoteIdentifierKeepQuoted(db), "[[x]]; drop table t--]");
        EXPECT_EQ(QuoteIdentifierKeepQuoted("[a]]b]"), "[a]]b]");
        EXPECT_EQ(QuoteIdentifierKeepQuoted(" [x] "), " [x] ");
        EXPECT_EQ(QuoteIdentifierKeepQuoted("[a]b]"), "[[a]]b]]]");
        EXPECT_EQ(QuoteIdentifierKeepQuoted("[a]]"), "[[a]]]]]");
    }
}

TEST(DoubleQuoteName, FollowsCaseHyphenParenthesesAndOption)
{
    for (bool option : {false, true}) {
        BracketOption o(option);
        EXPECT_EQ(DoubleQuoteName("EMP"), option ? "\"EMP\"" : "EMP");
        EXPECT_EQ(DoubleQuoteName("Emp"), "\"Emp\"");
        EXPECT_EQ(DoubleQuoteName("A-B"), "\"A-B\"");
        EXPECT_EQ(DoubleQuoteName(" EMP"), "\" EMP\""); // trimmed text differs from the name
        EXPECT_EQ(DoubleQuoteName("\"A(1)\""), "\"\"\"A(1)\"\"\"");
        EXPECT_EQ(DoubleQuoteName("\"AB\""), "\"AB\"");
    }
    BracketOption off(false);
    EXPECT_EQ(DoubleQuoteName(QStringLiteral("EMP（1）")), QStringLiteral("\"EMP（1）\""));
}

TEST(Literals, QuotingPrefixAndTest)
{
    EXPECT_EQ(QuoteLiteral("it's"), "'it''s'");
    EXPECT_EQ(QuoteLiteral(""), "''");
    const struct {
        QString in, out;
    } prefix[] = {{"'x'", "N'x'"}, {"'x", "'x"}, {"x'", "x'"}, {"x", "x"}, {"", ""}, {"'", "N'"},
                  {"N'x'", "N'x'"}};
    for (const auto& c : prefix)
        EXPECT_EQ(AddUnicodePrefix(c.in), c.out) << c.in.toStdString();
    EXPECT_TRUE(IsUnicodeLiteral("N'x'"));
    EXPECT_TRUE(IsUnicodeLiteral("N''"));
    EXPECT_FALSE(IsUnicodeLiteral("n'x'"));
    EXPECT_FALSE(IsUnicodeLiteral("N'x"));
    EXPECT_FALSE(IsUnicodeLiteral("N'a\nb'"));
}

TEST(StringRoutines, StrInArrayCopyFromToTrimAndRemoveCR)
{
    EXPECT_FALSE(StrInArray(u"db_accessadmin", {"db_accessadmi"}, false));
    EXPECT_TRUE(StrInArray(u"db_accessadmin", {"db_accessadmi"}, true));
    EXPECT_FALSE(StrInArray(u"abc", {}, true));
    EXPECT_FALSE(StrInArray(u"abc", {""}, true));
    EXPECT_FALSE(StrInArray(u"ab", {"abc"}, true)); // the value inside the text, not the reverse
    EXPECT_FALSE(StrInArray(u"ABC", {"abc"}, false));
    EXPECT_TRUE(StrInArray(u"", {""}, false));

    EXPECT_EQ(CopyFromTo("abcdef", 2, 4), "bcd");
    EXPECT_EQ(CopyFromTo("abcdef", 4, 2), "");
    EXPECT_EQ(CopyFromTo("abcdef", 5, 99), "ef");
    EXPECT_EQ(CopyFromTo("abcdef", 0, 2), "ab");

    EXPECT_EQ(TrimWhiteSpace(u"\t\r\n a b \n"), "a b");
    EXPECT_EQ(TrimWhiteSpace(QStringLiteral("　a")), QStringLiteral("　a")); // full-width space
    EXPECT_EQ(TrimWhiteSpace(u"\x0b" "a"), "\x0b" "a");
    EXPECT_EQ(RemoveCR("a\r\nb\r"), "a\nb");
}

TEST(StringRoutines, AnsiPosFromMatchesOnlyAtCharacterBoundaries)
{
    const TextEncoding& ansi = TextEncoding::get(TextEncoding::Ansi);
    const QByteArray text = ansi.encode(QStringLiteral("表\\表"));  // 95 5C 5C 95 5C
    EXPECT_EQ(AnsiPosFrom("\\", text, 1), 3); // the trail byte of 表 is no backslash
    EXPECT_EQ(AnsiPosFrom("\\", text, 4), 0);
    EXPECT_EQ(AnsiPosFrom("ab", "xxabab", 1), 3);
    EXPECT_EQ(AnsiPosFrom("ab", "xxabab", 4), 5);
    EXPECT_EQ(AnsiPosFrom("ab", "xxabab", 7), 0);
    EXPECT_EQ(AnsiPosFrom("", "xxabab", 1), 0);
}

TEST(StringRoutines, AsciiLowerLeavesNonAsciiLettersAlone)
{
    EXPECT_EQ(AsciiLower(QStringLiteral("Select [ＡＢ] Über.SQL")), QStringLiteral("select [ＡＢ] Über.sql"));
    EXPECT_EQ(AsciiLower(QString()), QString());
}

TEST(StringRoutines, DisplayWidthCountsHalfWidthCells)
{
    EXPECT_EQ(DisplayWidth(QStringLiteral("ｱA")), 2);
    EXPECT_EQ(DisplayWidth(QStringLiteral("ア")), 2);
    EXPECT_EQ(DisplayWidth(u"a\tb"), 4);
    EXPECT_EQ(DisplayWidth(QString::fromUcs4(U"\U0001F600")), 4);
    EXPECT_EQ(DisplayWidth(u""), 0);
}

TEST(VariantConversions, DefaultForNullAndUnconvertible)
{
    EXPECT_EQ(VarToIntDef(QVariant(), 5), 5);
    EXPECT_EQ(VarToIntDef(QVariant(QMetaType::fromType<int>()), 5), 5); // a typed null
    EXPECT_EQ(VarToIntDef("x", 5), 5);
    EXPECT_EQ(VarToIntDef("7", 5), 7);
    EXPECT_EQ(VarToIntDef(" 7 ", 5), 7);
    EXPECT_EQ(VarToIntDef(2.5, 0), 2);
    EXPECT_EQ(VarToIntDef(3.5, 0), 4);
    EXPECT_EQ(VarToIntDef(1e20, 9), 9);
    EXPECT_DOUBLE_EQ(VarToFloatDef("1.25", 0), 1.25);
    EXPECT_DOUBLE_EQ(VarToFloatDef("abc", -1), -1);
    EXPECT_DOUBLE_EQ(VarToFloatDef(QVariant(), -1), -1);
    const QDateTime def(QDate(2000, 1, 1), QTime(0, 0));
    EXPECT_EQ(VarToDateTimeDef("2024/02/03 04:05:06", def),
              QDateTime(QDate(2024, 2, 3), QTime(4, 5, 6)));
    EXPECT_EQ(VarToDateTimeDef("zzz", def), def);
    EXPECT_EQ(VarToDateTimeDef(QVariant(), def), def);
    EXPECT_EQ(VarToDateTimeDef(2.5, def), QDateTime(QDate(1900, 1, 1), QTime(12, 0)));
}

TEST(RemoveBlankLines, OnlyWithTheOptionAndOnlyEmptyLines)
{
    QStringList lines = {"a", "", "b", ""};
    RemoveBlankLines(lines);
    EXPECT_EQ(lines.size(), 4);
    NullLineOption on(true);
    lines = {"a", "", "b", "", " "};
    RemoveBlankLines(lines);
    EXPECT_EQ(lines, QStringList({"a", "b", " "}));
}

TEST(WidthConversion, FullAndHalfWidthTables)
{
    const struct {
        QString half, full;
    } pairs[] = {
        {"Abc 123!~", QStringLiteral("Ａｂｃ　１２３！～")},
        {QStringLiteral("ｶﾞｷﾞﾊﾟﾎﾟｳﾞｱ"), QStringLiteral("ガギパポヴア")},
        {QStringLiteral("｢ｱｲｳ｣､｡･ｰ"), QStringLiteral("「アイウ」、。・ー")},
        {QStringLiteral("ｧｯｬ"), QStringLiteral("ァッャ")},
        {QStringLiteral("表"), QStringLiteral("表")},
        {"", ""},
    };
    for (const auto& p : pairs) {
        EXPECT_EQ(ToFullWidth(p.half), p.full) << p.half.toStdString();
        EXPECT_EQ(ToHalfWidth(p.full), p.half) << p.full.toStdString();
    }
    // A sound mark that cannot join its letter stays a mark of its own.
    EXPECT_EQ(ToFullWidth(QStringLiteral("ｱﾞﾟ")), QStringLiteral("ア゛゜"));
    EXPECT_EQ(ToHalfWidth(QStringLiteral("ア゛")), QStringLiteral("ｱﾞ"));
    // Characters without a half-width form stay.
    EXPECT_EQ(ToHalfWidth(QStringLiteral("あヵ")), QStringLiteral("あヵ"));
    // Long texts are converted whole.
    const QString longText(50000, u'a');
    EXPECT_EQ(ToHalfWidth(ToFullWidth(longText)), longText);
}
