#include "app/scrambler.h"

#include <QRandomGenerator>
#include <QSet>
#include <gtest/gtest.h>

using namespace qv;

namespace {

const QString kAlphabet = QStringLiteral(";<[@=,~]:.|_!>'$");

bool onlyAlphabet(const QString& s)
{
    for (QChar c : s)
        if (!kAlphabet.contains(c))
            return false;
    return true;
}

TEST(Scrambler, StoredFormLengthAndAlphabet)
{
    const struct {
        QString text;
        int length;
    } cases[] = {
        {QStringLiteral("x"), 132},
        {QString(63, u'a'), 132},
        {QString(64, u'a'), 132},
        {QString(70, u'a'), 144},
        {QStringLiteral("パスワード"), 132}, // 10 bytes in the ANSI code page
    };
    for (const auto& c : cases) {
        const QString stored = ScrambleText(c.text);
        EXPECT_EQ(stored.size(), c.length) << c.text.toStdString();
        EXPECT_TRUE(onlyAlphabet(stored)) << stored.toStdString();
        EXPECT_EQ(UnscrambleText(stored), c.text);
    }
    EXPECT_EQ(ScrambleText(QString()), QString());
    EXPECT_EQ(UnscrambleText(QString()), QString());
}

TEST(Scrambler, EachScrambleDiffersAndBothUnscramble)
{
    QRandomGenerator a(1), b(2);
    const QString first = ScrambleText(QStringLiteral("secret"), &a);
    const QString second = ScrambleText(QStringLiteral("secret"), &b);
    EXPECT_NE(first, second);
    EXPECT_EQ(UnscrambleText(first), QStringLiteral("secret"));
    EXPECT_EQ(UnscrambleText(second), QStringLiteral("secret"));
    // With the system's random source, a handful of scrambles are not all alike.
    QSet<QString> seen;
    for (int i = 0; i < 8; ++i)
        seen.insert(ScrambleText(QStringLiteral("secret")));
    EXPECT_GT(seen.size(), 1);
}

// A form built by hand from the layout: key 1, fillers ';', the text "A" (0x41) padded to 64.
TEST(Scrambler, DecodesTheFixedLayout)
{
    const int k = 1;
    QString front, back;
    back += kAlphabet[k - 1];
    back += kAlphabet[0];
    for (int i = 1; i <= 64; ++i) {
        const int v = i == 1 ? 0x41 : 0x20;
        front.prepend(kAlphabet[(v / 16 + k + i) % 16]);
        back += kAlphabet[(v % 16 + k + i) % 16];
    }
    const QString stored = kAlphabet[3] + front + back + kAlphabet[5];
    EXPECT_EQ(stored.size(), 132);
    EXPECT_EQ(UnscrambleText(stored), QStringLiteral("A"));
}

TEST(Scrambler, BlanksAtTheEndsAndForeignText)
{
    EXPECT_EQ(UnscrambleText(ScrambleText(QStringLiteral("  pw with blanks \t "))), QStringLiteral("pw with blanks"));
    // Characters the ANSI code page cannot hold come back whole.
    EXPECT_EQ(UnscrambleText(ScrambleText(QStringLiteral("Pässwörd€😀"))), QStringLiteral("Pässwörd€😀"));
    EXPECT_EQ(UnscrambleText(QStringLiteral("plain text password")), QString());
    EXPECT_EQ(UnscrambleText(QStringLiteral(";<")), QString());
}

} // namespace
