#include "sql/source_convert.h"

#include "platform/registry.h"

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::convert;

TEST(SourceConvert, RulesWrapEscapeAndUnwrap)
{
    const struct {
        int rule;
        QStringList sql;
        QString source;
        QStringList back; // what converting the source lines back gives, line by line
    } cases[] = {
        {rtJAVA, {"select * from t"}, "sql = sql + \" select * from t\";", {" select * from t"}},
        {rtVB, {"select \"a b\" from t"}, "sql = sql & \" select \"\"a b\"\" from t\"", {" select \"a b\" from t"}},
        {rtC, {"where p = 'c:\\x' and q = \"y\""}, "sql = sql + \" where p = 'c:\\\\x' and q = \\\"y\\\"\";",
         {" where p = 'c:\\x' and q = \"y\""}},
        {rtSQUOTE, {"where n = 'it''s'"}, "sql := sql + ' where n = ''it''''s''';", {" where n = 'it''s'"}},
        {rtJAVA_BUILDER, {"select 1", "", "from t"}, "sb.Append(\"select 1\");\r\nsb.Append(\"\");\r\nsb.Append(\"from t\");",
         {"select 1", "", "from t"}},
        // Every line begins with a blank: no further blank goes in.
        {rtPERL, {" a", "  b"}, "$sql = $sql . \" a\";\r\n$sql = $sql . \"  b\";", {" a", "  b"}},
    };
    for (const auto& c : cases) {
        const TRuleDetails r = BuiltInRule(c.rule);
        const QString source = ToSource(c.sql, r, false);
        EXPECT_EQ(source, c.source) << c.rule;
        EXPECT_EQ(ToSql(source.split("\r\n"), r, false), c.back.join("\r\n")) << c.rule;
    }
    EXPECT_EQ(ToSource({"select * from t"}, BuiltInRule(rtJAVA), true), "sql = sql + \" select * from t\";\r\n");
    EXPECT_EQ(ToSql({"sql = sql + \" x\";"}, BuiltInRule(rtJAVA), true), " x\r\n");
    // A line without the delimiter comes back whole.
    EXPECT_EQ(ToSql({"// note", "sql = sql + \" x\";"}, BuiltInRule(rtJAVA), false), "// note\r\n x");
}

TEST(SourceConvert, ElevenBuiltInRulesThenTheUserRules)
{
    TRuleInf inf;
    EXPECT_EQ(RuleNames(inf).size(), kBuiltInRules);
    EXPECT_EQ(RuleNames(inf).at(rtPHP), "PHP");
    EXPECT_EQ(BuiltInRule(rtRUBY).sRowEd, "");
    inf.wRuleDtl[4].sRuleNm = "mine";
    inf.wRuleDtl[4].sRowSt = "s += ";
    inf.wRuleDtl[1].sRuleNm = "first";
    EXPECT_EQ(RuleNames(inf).mid(kBuiltInRules), (QStringList{"first", "mine"}));
    EXPECT_EQ(RuleOfItem(inf, kBuiltInRules + 1).sRowSt, "s += ");
    EXPECT_EQ(FindSlot(inf, " mine "), 4);
    EXPECT_EQ(FirstFreeSlot(inf), 0);

    EXPECT_EQ(RefuseNewRule(inf, "  "), "ルール名の空白は指定できません。");
    EXPECT_EQ(RefuseNewRule(inf, "mine "), "ルール名【mine 】は既に登録されています。");
    EXPECT_EQ(RefuseNewRule(inf, "Mine"), "");
    EXPECT_EQ(RefuseNewRule(inf, "Java、C++"), ""); // built-in names are not compared
    for (int i = 0; i < kUserRules; ++i)
        inf.wRuleDtl[size_t(i)].sRuleNm = QString("r%1").arg(i);
    EXPECT_EQ(RefuseNewRule(inf, QString(), false), "ルールの追加は最大30件です。");
}

TEST(SourceConvert, SelectionWidensToWholeLines)
{
    const QString text = "ab\r\ncdef\r\ngh";
    const struct {
        int start, length;
        int wideStart, wideLength;
        bool endsWithBreak;
    } cases[] = {
        {5, 2, 4, 4, false},  // inside one line
        {1, 5, 0, 8, false},  // across a break
        {4, 6, 4, 6, true},   // a whole line with its break
        {10, 0, 10, 2, false}, // an empty selection at the start of the last line
    };
    for (const auto& c : cases) {
        const LineRange r = WidenToLines(text, c.start, c.length);
        EXPECT_EQ(r.start, c.wideStart) << c.start << "+" << c.length;
        EXPECT_EQ(r.length, c.wideLength) << c.start << "+" << c.length;
        EXPECT_EQ(r.endsWithBreak, c.endsWithBreak) << c.start << "+" << c.length;
    }
}

TEST(SourceConvert, UserRulesRoundTripThroughTheSettings)
{
    TqvRegistry reg;
    reg.DeleteKey(SettingsRootKey + "\\EDITOR");
    TRuleInf inf = LoadRules(reg);
    EXPECT_EQ(inf.iItemIndex, 0);
    EXPECT_TRUE(inf.wRuleDtl[0].IsFree());
    EXPECT_TRUE(reg.KeyExists(SettingsRootKey + "\\EDITOR\\USER_RULE29"));

    TRuleDetails r;
    r.sRuleNm = "Go";
    r.sRowSt = "sql += ";
    r.sStrChar = "`";
    r.bHdSpaceOn = true;
    r.sBefore3 = "`";
    r.sAfter3 = "` + \"`\" + `";
    inf.wRuleDtl[2] = r;
    SaveRules(reg, inf);
    SaveItemIndex(reg, kBuiltInRules);
    const TRuleInf back = LoadRules(reg);
    EXPECT_EQ(back.iItemIndex, kBuiltInRules);
    EXPECT_EQ(back.wRuleDtl[2], r);
    EXPECT_TRUE(back.wRuleDtl[3].IsFree());
    reg.DeleteKey(SettingsRootKey + "\\EDITOR");
}
