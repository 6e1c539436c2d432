#include <gtest/gtest.h>

#include "app/sqltext/comments.h"

using qv::StripSQLComments;

namespace {

QStringList stripped(QStringList lines, bool cut = false)
{
    StripSQLComments(lines, cut);
    return lines;
}

} // namespace

TEST(StripSQLComments, Table)
{
    const struct {
        const char* what;
        QStringList in;
        bool cut;
        QStringList out;
    } cases[] = {
        {"only remarks", {"", "REM x", "rem note", "  REMARK\tz", "\t"}, false, {}},
        {"REMARKS and REMX are text", {"REMARKS", "REMX", "x"}, false, {"REMARKS", "REMX", "x"}},
        {"REM between statements stays", {"a", "REM x", "b"}, false, {"a", "REM x", "b"}},
        {"line comment keeps the blank", {"select 1 -- note"}, false, {"select 1 "}},
        {"dashes inside a literal", {"select '--x' from t"}, false, {"select '--x' from t"}},
        {"dashes inside a name", {"select \"a--b\" from t"}, false, {"select \"a--b\" from t"}},
        {"dashes inside brackets", {"select [a--b] from t"}, false, {"select [a--b] from t"}},
        {"nested comment", {"select [a--b] from t /* x /* y */ z */"}, false, {"select [a--b] from t "}},
        {"nested comment keeps what follows", {"select 1 /* a /* b */ c */ , 2"}, false, {"select 1  , 2"}},
        {"nested across lines", {"a /* 1 /* 2", "*/ still */ b"}, false, {"a ", " b"}},
        {"semicolon inside brackets", {"select [a;b] from t; x"}, true, {"select [a;b] from t"}},
        {"doubled bracket inside brackets", {"select [a]]--b] -- c"}, false, {"select [a]]--b] "}},
        {"quote inside brackets", {"select [it's] -- c", "x"}, false, {"select [it's] ", "x"}},
        {"bracket inside a literal", {"select '[' -- c"}, false, {"select '[' "}},
        {"block comment", {"a /* b */ c"}, false, {"a  c"}},
        {"comments between words leave a blank", {"a/*1*/b/*2*/c"}, false, {"a b c"}},
        {"semicolon cut", {"select 1; select 2", "x", "y"}, true, {"select 1"}},
        {"semicolon in literal", {"select ';'"}, true, {"select ';'"}},
        {"no cut without the flag", {"select 1; select 2"}, false, {"select 1; select 2"}},
        {"last line a comment", {"select 1", "-- end"}, false, {"select 1", ""}},
        {"unclosed comment", {"x /* open", "y", "z"}, false, {"x ", "", ""}},
        {"comment across lines", {"x /*", "y */ z"}, false, {"x ", " z"}},
        {"lines are trimmed first", {"  a  ", "\tb"}, false, {"a", "b"}},
        {"literal across lines", {"select 'a", "--b' /* c */ x", "-- real"}, false,
         {"select 'a", "--b'  x", ""}},
        {"doubled quotes", {"select 'it''s -- no' -- yes"}, false, {"select 'it''s -- no' "}},
        {"empty lines between statements stay", {"a", "", "b"}, false, {"a", "", "b"}},
        {"semicolon inside a comment", {"a /* ; */ b; c"}, true, {"a  b"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(stripped(c.in, c.cut), c.out) << c.what;
}

TEST(StripSQLComments, SignsJoinedByARemovedCommentStayApart)
{
    // "-/**/-" is minus minus: joined, the text would start a line comment when it is sent.
    EXPECT_EQ(stripped({"select 1 -/**/- 1"}), QStringList({"select 1 - - 1"}));
    EXPECT_EQ(stripped({"select a/**/from t"}), QStringList({"select a from t"}));
}

TEST(StripSQLComments, ManyCommentsOnOneLongLineRunInLinearTime)
{
    QString line;
    for (int i = 0; i < 200000; ++i)
        line += QStringLiteral("a /**/");
    const QStringList out = stripped({line});
    ASSERT_EQ(out.size(), 1);
    EXPECT_EQ(out[0], QStringLiteral("a ").repeated(200000));
}
