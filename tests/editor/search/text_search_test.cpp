#include "editor/search/text_search.h"

#include <gtest/gtest.h>

using namespace qv;

namespace {
int Find(const QString& buf, const QString& pat, TSearchOptions o, int start = 0, int* len = nullptr)
{
    int s = start, l = 0;
    if (!FindInText(buf, s, l, pat, o))
        return -1;
    if (len)
        *len = l;
    return s;
}
} // namespace

TEST(TextSearch, CaseFoldingAndWidths)
{
    struct Case {
        const char16_t* buf;
        const char16_t* pat;
        TSearchOptions o;
        int want;
    } cases[] = {
        {u"xx SELECT", u"select", sfrDown, 3},
        {u"xx SELECT", u"select", sfrDown | sfrMatchCase, -1},
        {u"ＳＥＬＥＣＴ", u"ｓｅｌｅｃｔ", sfrDown, 0},
        {u"ΑΒΓ", u"αβγ", sfrDown, 0},
        {u"é É", u"é", sfrDown, 2},           // only the capital is found for a small é
        {u"SELECT", u"ｓｅｌｅｃｔ", sfrDown, -1},
        {u"SELECT", u"ｓｅｌｅｃｔ", sfrDown | sfrNoMatchZenkaku, 0},
        // One character at a time: the pattern keeps its length (ß does not become SS).
        {u"N'Straße'", u"straße", sfrDown, 2},
        {u"N'STRASSE'", u"straße", sfrDown, -1},
        {u"N'Straße'", u"strasse", sfrDown, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Find(QString::fromUtf16(c.buf), QString::fromUtf16(c.pat), c.o), c.want)
            << QString::fromUtf16(c.buf).toStdString();
}

TEST(TextSearch, SkipsLineBreaksAndBlanksInsideAMatch)
{
    int len = 0;
    EXPECT_EQ(Find(QStringLiteral("ab\r\nc"), QStringLiteral("abc"), sfrDown | sfrIncludeCRLF, 0, &len), 0);
    EXPECT_EQ(len, 5);
    EXPECT_EQ(Find(QStringLiteral("ab\r\nc"), QStringLiteral("abc"), sfrDown), -1);
    // Never before the first character.
    EXPECT_EQ(Find(QStringLiteral(" abc"), QStringLiteral("abc"), sfrDown | sfrIncludeSpace, 0, &len), 1);
    EXPECT_EQ(len, 3);
    EXPECT_EQ(Find(QStringLiteral("a b\u3000c"), QStringLiteral("abc"), sfrDown | sfrIncludeSpace, 0, &len), 0);
    EXPECT_EQ(len, 5);
}

TEST(TextSearch, WholeWordTestsBothBoundaries)
{
    const TSearchOptions w = sfrDown | sfrWholeWord;
    struct Case {
        const char* buf;
        int want;
    } cases[] = {
        {"t.NAME,x", 2}, {"[NAME]", 1}, {"NAMES", -1}, {"XNAME", -1}, {"T_NAME", 2},
        {"NAME", 0},     {"a NAME", 2}, {"NAME漢", -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Find(QString::fromUtf8(c.buf), QStringLiteral("NAME"), w), c.want) << c.buf;
    // The characters around a block cut out of a longer line count as the line's own.
    struct Edge {
        const char* buf;
        char16_t before, after;
        TSearchOptions o;
        int want;
    } edges[] = {
        {"NAME x", u'X', 0, w, -1}, {"NAME x", u' ', 0, w, 0},  {"NAME x", 0, 0, w, 0},
        {"x NAME", 0, u'S', w, -1}, {"x NAME", 0, u'.', w, 2},  {"x NAME", u'X', u'S', sfrDown, 2},
    };
    for (const Edge& e : edges) {
        int st = 0, ln = 0;
        const bool hit = FindInText(QString::fromUtf8(e.buf), st, ln, QStringLiteral("NAME"), e.o, QChar(e.before),
                                    QChar(e.after));
        EXPECT_EQ(hit ? st : -1, e.want) << e.buf << " " << int(e.before) << " " << int(e.after);
        int back = 6;
        ln = 0;
        const bool hitBack = FindInText(QString::fromUtf8(e.buf), back, ln, QStringLiteral("NAME"),
                                        TSearchOptions(e.o & ~sfrDown), QChar(e.before), QChar(e.after));
        EXPECT_EQ(hitBack ? back : -1, e.want) << "backwards " << e.buf;
    }
    // Backwards from the end.
    int s = 12, l = 0;
    ASSERT_TRUE(FindInText(QStringLiteral("NAME x XNAME"), s, l, QStringLiteral("NAME"), sfrWholeWord));
    EXPECT_EQ(s, 0);
}

TEST(TextSearch, DirectionAndBounds)
{
    const QString buf = QStringLiteral("ab ab ab");
    EXPECT_EQ(Find(buf, QStringLiteral("ab"), sfrDown, 1), 3);
    int s = 6, l = 0;
    ASSERT_TRUE(FindInText(buf, s, l, QStringLiteral("ab"), 0));
    EXPECT_EQ(s, 3);
    s = 20;
    EXPECT_FALSE(FindInText(buf, s, l, QStringLiteral("ab"), sfrDown));
    s = 0;
    EXPECT_FALSE(FindInText(QString(), s, l, QStringLiteral("ab"), sfrDown));
    EXPECT_FALSE(FindInText(buf, s, l, QString(), sfrDown));
}
