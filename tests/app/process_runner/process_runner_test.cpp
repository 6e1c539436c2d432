#include <gtest/gtest.h>

#include "app/process_runner.h"

using namespace qv;

namespace {

struct Collected {
    QStringList lines;
    int flushes = 0;
    ProcessOutputSink sink()
    {
        return {[this](const QString& l) { lines << l; }, [this] { ++flushes; }};
    }
};

} // namespace

TEST(ProcessRunner, ShowsEveryLineIncludingTheLastWithoutBreak)
{
    Collected c;
    EXPECT_TRUE(RunCommandToEditor("sh", {"-c", "echo a; echo b; printf c"}, c.sink()));
    EXPECT_EQ(c.lines, QStringList({"a", "b", "c"}));
    EXPECT_GT(c.flushes, 0);
}

TEST(ProcessRunner, CrLfAndLfLineEndsAndStandardError)
{
    Collected c;
    EXPECT_TRUE(RunCommandToEditor("sh", {"-c", "printf 'x\\r\\ny\\n'; echo err 1>&2; echo z"},
                                   c.sink()));
    // Both streams reach the same sink; their relative order depends on when each was read.
    ASSERT_EQ(c.lines.size(), 4);
    EXPECT_TRUE(c.lines.contains("err"));
    c.lines.removeAll("err");
    EXPECT_EQ(c.lines, QStringList({"x", "y", "z"}));
}

TEST(ProcessRunner, LargeOutputArrivesCompletely)
{
    Collected c;
    // About 100 KB in one burst, read over many polls.
    EXPECT_TRUE(RunCommandToEditor("sh", {"-c", "i=0; while [ $i -lt 5000 ]; do "
                                              "echo line-$i-xxxxxxxxxxxx; i=$((i+1)); done"},
                                   c.sink()));
    ASSERT_EQ(c.lines.size(), 5000);
    EXPECT_EQ(c.lines.first(), "line-0-xxxxxxxxxxxx");
    EXPECT_EQ(c.lines.last(), "line-4999-xxxxxxxxxxxx");
}

TEST(ProcessRunner, MissingProgramFailsWithoutOutput)
{
    Collected c;
    EXPECT_FALSE(RunCommandToEditor("/no/such/program-qv", {}, c.sink()));
    EXPECT_FALSE(RunCommandToEditor("", c.sink()));
    EXPECT_TRUE(c.lines.isEmpty());
}

TEST(ProcessRunner, CommandLineIsSplitWithoutAShell)
{
    Collected c;
    EXPECT_TRUE(RunCommandToEditor("printf \"%s|%s\" \"a b\" '$HOME;x'", c.sink()));
    EXPECT_EQ(c.lines, QStringList({"a b|'$HOME;x'"})); // nothing expanded
}

TEST(LineAssembler, JoinsPiecesAcrossReads)
{
    LineAssembler a;
    EXPECT_TRUE(a.add("ab").isEmpty());
    EXPECT_EQ(a.add("c\r"), QStringList());
    EXPECT_EQ(a.add("\nd\n\ne"), QStringList({"abc", "d", ""}));
    EXPECT_EQ(a.rest(), "e");
}
