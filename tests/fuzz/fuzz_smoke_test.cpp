// A short fixed-seed run of the fuzz targets over odd inputs: every run must keep the targets'
// invariants without crashing, hanging or overflowing the stack.
#include <gtest/gtest.h>

#include "fuzz/fuzz_targets_helper.h"

#include <random>

namespace {

using Target = QString (*)(const QString&);

const struct {
    const char* name;
    Target run;
} kTargets[] = {
    {"strip comments", qvfuzz::FuzzStripComments},
    {"parser", qvfuzz::FuzzParser},
    {"batch splitter", qvfuzz::FuzzBatchSplitter},
    {"formatter", qvfuzz::FuzzFormatter},
};

QStringList oddInputs()
{
    QStringList inputs = {
        "",
        "'",
        "\"",
        "select 'unterminated",
        "select \"unterminated",
        "/* never closed\r\nselect 1\r\ngo",
        "select 1 -- \r\n/* a */ */ /*",
        "INSERT INTO t (a, b) VALUES (1, 2), (3",
        "INSERT INTO t (((",
        ")))))",
        "CREATE VIEW \"v AS SELECT \"a\" FROM t",
        "UPDATE t SET = = , , WHERE",
        "go\r\ngo\nGO\r\n go \r\ngo;",
        "SELECT a FROM t x\r\ngo\r\nSELECT",
        "select '\r\nGO\r\n' /*\r\ngo\r\n*/",
        "\r\r\r\n\n\r",
        "REM\r\nREMARK\r\nrem x\r\nselect;",
        QStringLiteral("SELECT ｶﾞ, 表 FROM [表] WHERE 列 = N'値'"),
        // Formatter shapes the fuzz target once caught: a name GO left alone on a line (also
        // the last one), a GO line inside a bracketed name never closed, the number 5 and the
        // name n before a literal, the old outer join =*, UPDATE( split from its parenthesis.
        "begin go end\r\nselect go from go where go = 1 go\r\ngo\r\nGO where 2.5e x",
        "begin go",
        "UPDATE SET [\nGO\r",
        "[\nGO",
        "select where 5n '",
        "select a from t where x =* y",
        "INSERT INTO\nupdate(",
    };
    QString withNul = QStringLiteral("select ");
    withNul += QChar(0);
    withNul += QStringLiteral(" from t where a = '");
    withNul += QChar(0);
    withNul += QStringLiteral("'");
    inputs << withNul;
    QString surrogates = QStringLiteral("select ");
    surrogates += QChar(0xD800);
    surrogates += QStringLiteral(" from ");
    surrogates += QChar(0xDC00);
    surrogates += QChar(0xDBFF);
    inputs << surrogates;
    // Found by the fuzz target: "with" glued to a NUL, U+2000 blanks, "as (" and a later SELECT.
    inputs << qvfuzz::TextFromBytes(QByteArray::fromBase64(
        "d0kATgBTAEUAUgBUACAASQBOAFQATwAgAHQAAGkAdABoACAAYGMAIAAgACgAYQApACAARQBYAEUAQwAgAHAAIGEAcwAgACgAcwBlAGwA"
        "ZQAFY2F0AAAAIAAsAABTAEUATAA9AFQAIAAxAXM="));
    // A 1 MB single line.
    QString longLine = QStringLiteral("SELECT ");
    while (longLine.size() < (1 << 20))
        longLine += QStringLiteral("a, 'x' b /* c */ , ");
    inputs << longLine;
    // 10,000 nested parentheses, closed and unclosed.
    inputs << QStringLiteral("SELECT ") + QString(10000, u'(') + QStringLiteral("1")
                  + QString(10000, u')') + QStringLiteral(" FROM t");
    inputs << QStringLiteral("SELECT a FROM t WHERE ") + QString(10000, u'(');
    inputs << QStringLiteral("/*") + QString(10000, u'*') + QStringLiteral("/*");
    return inputs;
}

// Short random texts over SQL-ish pieces, from a fixed seed.
QStringList randomInputs(int count)
{
    static const char* const pieces[] = {
        "SELECT", "select", "FROM", "WHERE", "GROUP", "BY", "ORDER", "HAVING", "INSERT", "INTO",
        "VALUES", "UPDATE", "SET", "DELETE", "CREATE VIEW", "AS", "JOIN", "LEFT", "INNER", "ON",
        "UNION", "go", "GO", " ", " ", "\t", "\r\n", "\n", "\r", "(", ")", ",", ";", "'", "''",
        "\"", "[", "]", "--", "/*", "*/", "=", "<>", "!", "a", "t1", "x.y", "1", "N'", "REM",
    };
    std::mt19937 rng(20260101);
    std::uniform_int_distribution<int> len(0, 40);
    std::uniform_int_distribution<size_t> pick(0, std::size(pieces) - 1);
    std::uniform_int_distribution<int> raw(0, 0xFFFF);
    std::uniform_int_distribution<int> coin(0, 9);
    QStringList out;
    for (int i = 0; i < count; ++i) {
        QString s;
        for (int n = len(rng); n > 0; --n) {
            if (coin(rng) == 0)
                s += QChar(char16_t(raw(rng)));
            else
                s += QString::fromLatin1(pieces[pick(rng)]);
        }
        out << s;
    }
    return out;
}

} // namespace

TEST(FuzzSmoke, OddInputsKeepEveryInvariant)
{
    for (const QString& input : oddInputs())
        for (const auto& t : kTargets)
            EXPECT_EQ(t.run(input).toStdString(), "") << t.name << " on " << input.left(60).toStdString();
}

TEST(FuzzSmoke, FixedSeedRandomInputs)
{
    for (const QString& input : randomInputs(3000))
        for (const auto& t : kTargets) {
            const QString failure = t.run(input);
            ASSERT_TRUE(failure.isEmpty()) << t.name << ": " << failure.toStdString() << " on «"
                                           << input.toStdString() << "»";
        }
}

TEST(FuzzSmoke, BytesBecomeUtf16CodeUnits)
{
    EXPECT_EQ(qvfuzz::TextFromBytes(QByteArray("a\0\0\xD8z", 5)),
              QString(QChar(u'a')) + QChar(0xD800) + QChar(u'z'));
}
