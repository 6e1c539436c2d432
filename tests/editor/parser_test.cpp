#include "editor/editor_fountain.h"

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::tok;

namespace {

using Tokens = std::vector<std::pair<int, QString>>;

Tokens Scan(TFountainParser& p, const QString& text, TRowAttributeData state = {})
{
    Tokens out;
    p.NewData(text, state);
    while (p.NextToken() != toEof)
        out.emplace_back(p.Token(), p.TokenString());
    return out;
}

struct SqlFountain : TEditorFountain {
    SqlFountain() { ApplySqlSyntax({"SELECT", "from"}); }
};

} // namespace

TEST(EditorParser, NumbersAndFloats)
{
    SqlFountain f;
    auto p = f.CreateParser();
    EXPECT_EQ(Scan(*p, "12.5e+3"), (Tokens{{toFloat, "12.5e+3"}}));
    EXPECT_EQ(Scan(*p, "12."), (Tokens{{toFloat, "12"}, {toSymbol, "."}}));
    EXPECT_EQ(Scan(*p, "1e"), (Tokens{{toFloat, "1e"}}));
    EXPECT_EQ(Scan(*p, "42 x1"), (Tokens{{toInteger, "42"}, {toAnk, "x1"}}));
}

TEST(EditorParser, QuotationsCommentsAndSymbols)
{
    SqlFountain f;
    auto p = f.CreateParser();
    EXPECT_EQ(Scan(*p, "'it''s'"), (Tokens{{toQuotation, "'it''s'"}}));
    EXPECT_EQ(Scan(*p, "x -- y"), (Tokens{{toAnk, "x"}, {toComment, "-- y"}}));
    EXPECT_EQ(Scan(*p, "'open"), (Tokens{{toQuotation, "'open"}}));
    EXPECT_EQ(Scan(*p, "a\tb"), (Tokens{{toAnk, "a"}, {toTab, "\t"}, {toAnk, "b"}}));

    TEditorFountain g;
    g.Quotation = "'";
    g.DoubleQuotation = "\"";
    auto q = g.CreateParser();
    EXPECT_EQ(Scan(*q, "'a\" b"), (Tokens{{toQuotation, "'a\""}, {toAnk, "b"}})); // closed by the other kind
    g.DoubleQuotation.clear();
    EXPECT_TRUE(Scan(*q, "'a' b").empty()); // a quote ends the row's tokens
}

TEST(EditorParser, HexControlCodesMailAndUrl)
{
    TEditorFountain f;
    f.HexPrefix = "0x";
    f.ControlCode = true;
    auto p = f.CreateParser();
    EXPECT_EQ(Scan(*p, "0X1F"), (Tokens{{toHex, "0X1F"}}));
    EXPECT_EQ(Scan(*p, "#$0a #13"), (Tokens{{toHexControlCode, "#$0a"}, {toControlCode, "#13"}}));
    EXPECT_EQ(Scan(*p, "a@b.c"), (Tokens{{toAnk, "a"}, {toSymbol, "@"}, {toAnk, "b"}, {toSymbol, "."}, {toAnk, "c"}}));
    f.Mail = true;
    f.Url = true;
    EXPECT_EQ(Scan(*p, "a@b.c"), (Tokens{{toMail, "a@b.c"}}));
    EXPECT_EQ(Scan(*p, "@b.c").front().first, toSymbol);
    EXPECT_EQ(Scan(*p, "a@b").front().first, toAnk);
    EXPECT_EQ(Scan(*p, "https://x.y/z?q=1"), (Tokens{{toUrl, "https://x.y/z?q=1"}}));
    EXPECT_EQ(Scan(*p, "Https://x").front(), (std::pair<int, QString>{toAnk, "Https"}));
}

TEST(EditorParser, ReservedWordsAndColours)
{
    SqlFountain f;
    auto p = f.CreateParser();
    p->NewData(u"select x /* from */ -- from", TRowAttributeData{});
    QList<const TFountainColor*> colors;
    while (p->NextToken() != toEof)
        colors.append(p->TokenToFountainColor());
    ASSERT_EQ(colors.size(), 4);
    EXPECT_EQ(colors[0], &f.Reserve());
    EXPECT_EQ(colors[1], &f.Colors().Ank());
    EXPECT_EQ(colors[2], &f.Brackets().GetBracketItem(0)->ItemColor()); // a reserved word in a comment stays comment
    EXPECT_EQ(colors[3], &f.Colors().Comment());

    // Phrase mode: words only through the phrase rule.
    TEditorFountain g;
    g.SetReserveWordList({"QVSTSLoad Profile", "QVSTSx"});
    auto q = g.CreateParser();
    q->NewData(u"Load Profile", TRowAttributeData{});
    q->NextToken();
    EXPECT_TRUE(q->IsReserveWord());
    q->NewData(u"Load x", TRowAttributeData{});
    q->NextToken();
    EXPECT_FALSE(q->IsReserveWord());
    q->NewData(u"x", TRowAttributeData{});
    q->NextToken();
    EXPECT_TRUE(q->IsReserveWord());
}

TEST(EditorParser, BracketLimitAndMissingFountain)
{
    TEditorFountain f;
    for (int i = 0; i < 14; ++i)
        f.Brackets().Add();
    try {
        f.Brackets().Add();
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), QString("TFountainBracketCollection\r\nYou can not add item over 14"));
    }
    EXPECT_EQ(f.Brackets().Count(), 14);
    EXPECT_THROW(TEditorParser(nullptr), Exception);
}

TEST(EditorParser, FountainNotifiesListenersOnce)
{
    SqlFountain f;
    int heard = 0;
    TPersistent* sender = nullptr;
    f.NotifyEventList().Add(TNotifyEvent::Fn(&heard, [&](TPersistent* s) {
        ++heard;
        sender = s;
    }));
    f.Colors().Comment().SetColor(0x008000);
    EXPECT_EQ(heard, 1);
    EXPECT_EQ(sender, &f);
    f.Brackets().GetBracketItem(0)->ItemColor().SetStyle(fsItalic);
    EXPECT_EQ(heard, 2);
    EXPECT_TRUE(f.HasItalicFontStyle());
    SqlFountain other;
    f.Colors().Assign(other.Colors());
    EXPECT_EQ(heard, 3);
}

TEST(EditorParser, BracketStateCarriesAcrossRows)
{
    SqlFountain f;
    auto p = f.CreateParser();
    TRowAttributeStringList rows;
    rows.Add("a /* b");
    rows.Add("c */ d");
    TRowAttributeData state;
    p->LastTokenBracket(0, rows, state);
    EXPECT_EQ(state.BracketIndex, 0);
    EXPECT_EQ(Scan(*p, "c */ d", state), (Tokens{{toBracket, "c */"}, {toAnk, "d"}}));
    TRowAttributeData end = state;
    p->LastTokenBracket(1, rows, end);
    EXPECT_EQ(end.BracketIndex, -1);
}

TEST(EditorParser, WrappedRowsCarryTheContinuedToken)
{
    SqlFountain f;
    auto p = f.CreateParser();
    TRowAttributeStringList rows;
    rows.Add("x abcd");
    rows.Add("efg y");
    rows.SetRows(0, raWrapped);
    TRowAttributeData s;
    s.RowAttribute = raWrapped;
    p->LastTokenBracket(0, rows, s);
    EXPECT_EQ(s.StartToken, toAnk);
    EXPECT_EQ(s.WrappedByte, 3);
    EXPECT_EQ(Scan(*p, "efg y", s), (Tokens{{toAnk, "efg"}, {toAnk, "y"}}));

    rows.Put(0, "x 'abcd");
    rows.Put(1, "efg' y");
    TRowAttributeData q;
    q.RowAttribute = raWrapped;
    p->LastTokenBracket(0, rows, q);
    EXPECT_EQ(q.StartToken, toQuotation);
    EXPECT_EQ(q.WrappedByte, 0);
    EXPECT_EQ(Scan(*p, "efg' y", q), (Tokens{{toQuotation, "efg'"}, {toAnk, "y"}}));

    rows.Put(0, "x -- ab");
    rows.Put(1, "cd");
    TRowAttributeData c;
    c.RowAttribute = raWrapped;
    p->LastTokenBracket(0, rows, c);
    EXPECT_EQ(c.StartToken, toComment);
    EXPECT_EQ(Scan(*p, "cd", c), (Tokens{{toComment, "cd"}}));
}

TEST(EditorParser, PlainScannerIgnoresBrackets)
{
    TTokenParser p;
    EXPECT_EQ(Scan(p, "/* a"), (Tokens{{toSymbol, "/"}, {toSymbol, "*"}, {toAnk, "a"}}));
    EXPECT_EQ(p.TokenToFountainColor(), nullptr);
}

// The quick row scan gives the bracket state the full row parse gives, for every row of a
// table and both start states, under the SQL settings and under other settings of the fountain.
TEST(EditorParser, QuickRowScanAgreesWithTheFullParse)
{
    const QStringList rows = {
        "", "   ", "select a from t", "a /* b", "c */ d", "x /* y */ z /* w", "'/* not here' x",
        "-- /* not here", "1e--x /* here", "1e-5 /* here", "1.e+ /* here", "'it''s /* in' */",
        "'open string /* in it", "/*/", "*/*", "*/ /*", "\t#$1F/* #12 0x/*", "0x1F /* x", "\"a /* b\" c",
        QString("a") + QChar(0) + "/* b", QString::fromUtf8("漢字/*かな*/ 'é' /*"), "e\u0301/* x",
        "http://host/* x", "a@b.c/* x", "'a\"b' /* c", "/**/", "*//* x",
    };
    struct Settings {
        const char* name;
        void (*apply)(TEditorFountain&);
    };
    const Settings settings[] = {
        {"sql", [](TEditorFountain& f) { f.ApplySqlSyntax({"select"}); }},
        {"two quotes, control codes, hex prefix",
         [](TEditorFountain& f) {
             f.ApplySqlSyntax({});
             f.DoubleQuotation = "\"";
             f.ControlCode = true;
             f.HexPrefix = "0x";
         }},
        {"one quote only", [](TEditorFountain& f) {
             f.ApplySqlSyntax({});
             f.DoubleQuotation.clear();
         }},
        {"two pairs", [](TEditorFountain& f) {
             f.ApplySqlSyntax({});
             TFountainBracketItem* item = f.Brackets().Add();
             item->SetLeftBracket("{");
             item->SetRightBracket("}");
             f.Commenter = "#";
         }},
    };
    for (const Settings& s : settings) {
        TEditorFountain f;
        s.apply(f);
        auto quick = f.CreateParser();
        auto full = f.CreateParser();
        TRowAttributeStringList list;
        for (const QString& r : rows)
            list.Add(r);
        for (int start : {-1, 0}) {
            for (int i = 0; i < list.Count(); ++i) {
                TRowAttributeData state;
                state.BracketIndex = start;
                full->LastTokenBracket(i, list, state);
                int b = start;
                ASSERT_TRUE(quick->QuickRowEnd(list.Get(i), b)) << s.name;
                EXPECT_EQ(b, state.BracketIndex) << s.name << ": " << qPrintable(list.Get(i)) << " from " << start;
            }
        }
    }
    // Mail addresses and URLs may run over brackets: that parser takes the full scan.
    TEditorFountain url;
    url.ApplySqlSyntax({});
    url.Url = true;
    int b = -1;
    EXPECT_FALSE(url.CreateParser()->QuickRowEnd(u"http://a/*", b));
}
