// The sequence window's text without a window: type defaults and limits, CREATE, ALTER and
// DROP text, the add and reset statements and where a re-created sequence goes on.
#include "objects/sequence_text.h"

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::seq;

TEST(SequenceText, TypeDefaultsAndLimits)
{
    struct Case {
        const char* type;
        const char* precision;
        const char* min;
        const char* max;
        bool integer;
    };
    const Case cases[] = {
        {"tinyint", "3", "0", "255", true},
        {"smallint", "5", "-32768", "32767", true},
        {"int", "10", "-2147483648", "2147483647", true},
        {"bigint", "19", "-9223372036854775808", "9223372036854775807", true},
        {"decimal", "18", "-999999999999999999", "999999999999999999", false},
        {"numeric", "18", "-999999999999999999", "999999999999999999", false},
        {"float", "", "", "", false},
    };
    for (const Case& c : cases) {
        const TypeDefaults d = DefaultsFor(c.type);
        EXPECT_EQ(d.precision, c.precision) << c.type;
        EXPECT_EQ(d.minimum, c.min) << c.type;
        EXPECT_EQ(d.maximum, c.max) << c.type;
        EXPECT_EQ(IsIntegerType(c.type), c.integer) << c.type;
    }
    QString lo, hi;
    ASSERT_TRUE(TypeLimits(56, lo, hi));
    EXPECT_EQ(lo, "-2147483648");
    EXPECT_EQ(hi, "2147483647");
    EXPECT_FALSE(TypeLimits(62, lo, hi));
    EXPECT_EQ(WithoutPoints("1.5"), "15");
    EXPECT_EQ(WithoutPoints("-1..2"), "-12");
}

TEST(SequenceText, CreateOfTheDefaultsInTheWindow)
{
    Definition d;
    d.increment = "1";
    EXPECT_EQ(CreateText("sales", "[DBO].", "S1", d),
              QStringList({"use [sales]", "go", "CREATE SEQUENCE [DBO].[S1]", "AS bigint", "INCREMENT BY 1",
                           "NO MINVALUE", "NO MAXVALUE", "NO CYCLE ", "CACHE ", "go"}));
}

TEST(SequenceText, CreateWithEveryClause)
{
    Definition d;
    d.type = "decimal";
    d.precision = "10";
    d.start = "-5";
    d.increment = "-1";
    d.noMin = false;
    d.minimum = "-9999999999";
    d.noMax = false;
    d.maximum = "";
    d.cycle = true;
    d.cache = Cache::Specified;
    d.cacheSize = "50";
    EXPECT_EQ(CreateText("", "", "s]1", d),
              QStringList({"CREATE SEQUENCE [s]]1]", "AS decimal (10) ", "START WITH -5", "INCREMENT BY -1",
                           "MINVALUE -9999999999", "CYCLE ", "CACHE 50", "go"}));
    d.cache = Cache::None;
    EXPECT_EQ(CreateText("", "", "s", d).at(6), "NO CACHE");
}

TEST(SequenceText, AlterWritesTheChangedClausesOnly)
{
    Definition loaded;
    loaded.start = "1";
    loaded.increment = "1";
    loaded.minimum = "-9223372036854775808";
    loaded.maximum = "9223372036854775807";
    loaded.cacheSize = "20";
    const auto alter = [&](const std::function<void(Definition&)>& edit) {
        Definition now = loaded;
        edit(now);
        return AlterText("DBO", "S1", now, loaded);
    };
    EXPECT_TRUE(alter([](Definition&) {}).isEmpty());
    EXPECT_EQ(alter([](Definition& d) {
                  d.cache = Cache::Specified;
                  d.cacheSize = "50";
              }),
              QStringList({"ALTER SEQUENCE [DBO].[S1]", "CACHE 50", "go"}));
    // Clearing NoMinValue without editing the minimum writes no MINVALUE clause.
    EXPECT_TRUE(alter([](Definition& d) { d.noMin = false; }).isEmpty());
    EXPECT_EQ(alter([](Definition& d) {
                  d.noMin = false;
                  d.minimum = "0";
                  d.noMax = false;
                  d.maximum = "100";
                  d.start = "10";
                  d.increment = "2";
                  d.cycle = true;
              }),
              QStringList({"ALTER SEQUENCE [DBO].[S1]", "RESTART WITH 10", "INCREMENT BY 2", "MINVALUE 0",
                           "MAXVALUE 100", "CYCLE ", "go"}));
    loaded.noMin = false;
    EXPECT_EQ(alter([](Definition& d) { d.noMin = true; }), QStringList({"ALTER SEQUENCE [DBO].[S1]", "NO MINVALUE", "go"}));
    // An emptied start value restarts nothing.
    EXPECT_TRUE(alter([](Definition& d) { d.start.clear(); }).isEmpty());
}

TEST(SequenceText, StatementsOfDropDeleteAddAndResetStartWithTheSwitch)
{
    EXPECT_EQ(DropText("sales", "DBO", "S1"), QStringList({"use [sales]", "DROP SEQUENCE [DBO].[S1]", "go"}));
    EXPECT_EQ(DeleteStatement("sales", "DBO", "S1"), "use [sales]\r\nDROP SEQUENCE [DBO].[S1]");
    EXPECT_EQ(NextValueStatement("sales", "DBO", "S1"), "use [sales]\r\nSELECT NEXT VALUE FOR [DBO].[S1]");
    EXPECT_EQ(ResetStatement("sa]les", "DBO", "S1", "100"), "use [sa]]les]\r\nALTER SEQUENCE [DBO].[S1] RESTART WITH 100");
}

TEST(SequenceText, SwitchRuleOfScripts)
{
    EXPECT_TRUE(WritesSwitch(false, 3, true, "sales", "master")); // the window: always
    EXPECT_TRUE(WritesSwitch(true, 0, false, "sales", "sales"));
    EXPECT_FALSE(WritesSwitch(true, 0, true, "sales", "master"));
    EXPECT_TRUE(WritesSwitch(true, 1, false, "sales", "master"));
    EXPECT_FALSE(WritesSwitch(true, 1, false, "sales", "sales"));
    EXPECT_FALSE(WritesSwitch(true, 2, false, "sales", "master"));
    EXPECT_FALSE(WritesSwitch(true, 3, false, "sales", "master"));
}

TEST(SequenceText, NextValueOfARecreatedSequence)
{
    struct Case {
        const char* current;
        const char* increment;
        const char* min;
        const char* max;
        bool cycle;
        const char* next; // nullptr: none
    };
    const Case cases[] = {
        {"1001", "1", "-9223372036854775808", "9223372036854775807", false, "1002"},
        {"10", "-3", "0", "100", false, "7"},
        {"100", "1", "0", "100", false, nullptr},  // exhausted
        {"100", "1", "0", "100", true, "0"},       // cycles to the minimum
        {"1", "-2", "0", "100", true, "100"},      // cycles to the maximum
        {"9223372036854775806", "1", "-9223372036854775808", "9223372036854775807", false, "9223372036854775807"},
        {"99999999999999999999999999999999999998", "1", "-99999999999999999999999999999999999999",
         "99999999999999999999999999999999999999", false, "99999999999999999999999999999999999999"},
        {"1.5", "1", "0", "10", false, nullptr},
        {"5", "0", "0", "10", false, nullptr},
    };
    for (const Case& c : cases) {
        const auto next = NextValue(c.current, c.increment, c.min, c.max, c.cycle);
        if (c.next) {
            ASSERT_TRUE(next.has_value()) << c.current;
            EXPECT_EQ(*next, c.next) << c.current;
        } else {
            EXPECT_FALSE(next.has_value()) << c.current;
        }
    }
    EXPECT_EQ(RestartText("DBO", "S1", "1001", "1", "1", "2000", false),
              QStringList({"ALTER SEQUENCE [DBO].[S1] RESTART WITH 1002", "go"}));
    EXPECT_TRUE(RestartText("DBO", "S1", "2000", "1", "1", "2000", false).isEmpty());
}
