#include <gtest/gtest.h>

#include "app/sqltext/batch_splitter.h"

using namespace qv;

TEST(BatchSplitter, GoLineRules)
{
    const struct {
        const char* line;
        bool trimmed, exact;
    } cases[] = {
        {"go", true, true},     {"GO", true, true},      {"Go", true, true},
        {" go ", true, false},  {"go ", true, false},    {"\tgo\r", true, false},
        {"go;", false, false},  {"go 2", false, false},  {"gox", false, false},
        {"", false, false},     {"g", false, false},     {"-- go", false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsGoLine(QString(c.line), GoLineRule::Trimmed), c.trimmed) << c.line;
        EXPECT_EQ(IsGoLine(QString(c.line), GoLineRule::Exact), c.exact) << c.line;
    }
}

TEST(BatchSplitter, LinesIntoBatches)
{
    const QStringList lines = {"go", "a", "b", " GO ", "go", "c", "go", "d"};
    const auto batches = SplitBatches(lines, GoLineRule::Trimmed);
    ASSERT_EQ(batches.size(), 5u);
    EXPECT_EQ(batches[0].lineCount, 0);
    EXPECT_EQ(batches[0].goLine, 0);
    EXPECT_EQ(batches[1].firstLine, 1);
    EXPECT_EQ(batches[1].lineCount, 2);
    EXPECT_EQ(batches[1].goLine, 3);
    EXPECT_EQ(batches[2].lineCount, 0); // two go lines in a row
    EXPECT_EQ(BatchText(lines, batches[3]), "c\r\n");
    EXPECT_FALSE(batches[4].endedByGo());
    EXPECT_EQ(BatchText(lines, batches[4]), "d\r\n");
    EXPECT_EQ(SplitBatchTexts(lines, GoLineRule::Trimmed), QStringList({"a\r\nb\r\n", "c\r\n", "d\r\n"}));
    // With the exact rule " GO " is part of the batch.
    EXPECT_EQ(SplitBatchTexts(lines, GoLineRule::Exact),
              QStringList({"a\r\nb\r\n GO \r\n", "c\r\n", "d\r\n"}));
    // No go line: one batch; only go lines: nothing to run; blank batches are skipped.
    EXPECT_EQ(SplitBatchTexts({"a", "b"}, GoLineRule::Trimmed), QStringList({"a\r\nb\r\n"}));
    EXPECT_TRUE(SplitBatchTexts({"go"}, GoLineRule::Exact).isEmpty());
    EXPECT_TRUE(SplitBatchTexts({" ", "go", "\t"}, GoLineRule::Trimmed).isEmpty());
    EXPECT_EQ(SplitBatches({}, GoLineRule::Trimmed).size(), 1u);
}

TEST(BatchSplitter, ItemsHoldingSeveralLinesAreCutFirst)
{
    const QStringList items = {"use [db]\r\ngo", "create table t (a int)", "go"};
    EXPECT_EQ(ExpandLineBreaks(items),
              QStringList({"use [db]", "go", "create table t (a int)", "go"}));
    EXPECT_EQ(SplitBatchTexts(ExpandLineBreaks(items), GoLineRule::Exact),
              QStringList({"use [db]\r\n", "create table t (a int)\r\n"}));
}

TEST(BatchSplitter, WholeTextWithMixedLineEnds)
{
    const QString text = "select 1\r\ngo\nselect '\r\nGO\r\n'\n  go  \r\nx";
    const auto batches = SplitTextBatches(text, GoLineRule::Trimmed);
    ASSERT_EQ(batches.size(), 4u);
    EXPECT_EQ(text.mid(batches[0].start, batches[0].length), "select 1\r\n");
    EXPECT_EQ(batches[0].goLine, 1);
    // The cut is line-based: a "GO" line inside a literal still ends a batch.
    EXPECT_EQ(text.mid(batches[1].start, batches[1].length), "select '\r\n");
    EXPECT_EQ(text.mid(batches[2].start, batches[2].length), "'\n");
    EXPECT_EQ(text.mid(batches[3].start, batches[3].length), "x");
    EXPECT_EQ(batches[3].firstLine, 6);
    EXPECT_EQ(batches[3].goLine, -1);

    const auto exact = SplitTextBatches(text, GoLineRule::Exact);
    EXPECT_EQ(exact.size(), 3u); // "  go  " is no go line here
    EXPECT_EQ(SplitTextBatches(u"", GoLineRule::Exact).size(), 1u);
    const auto tail = SplitTextBatches(u"a\r\ngo\r\n", GoLineRule::Exact);
    ASSERT_EQ(tail.size(), 2u);
    EXPECT_EQ(tail[1].length, 0);
}
