#include <gtest/gtest.h>

#include "controls/export/clipboard_export.h"
#include "controls/export/export_data_helper.h"

using namespace qv::exporting;
using qvtest::ExportData;

TEST(ClipboardExport, SeparatorsEnclosingAndLineEnds)
{
    ExportData ds({"a varchar(20)", "b int", "c varbinary(4)"});
    ds.Add({QStringLiteral("x,y"), 1, QByteArray("\x01")});
    ds.Add({QStringLiteral("t\tab"), QVariant(), QVariant()});
    ds.Add({QStringLiteral("l1\r\nl2\rl3 \"q\""), 3, QVariant()});
    ds.Open();
    EXPECT_EQ(BuildClipboardText(ds, {"a", "b", "c"}, true),
              "a,b,c\r\nx,y,1,\r\n\"t\tab\",,\r\n\"l1\nl2\nl3 \"\"q\"\"\",3,\r\n");
    EXPECT_EQ(BuildClipboardText(ds, {}, false), "x,y\t1\t\r\n\"t\tab\"\t\t\r\n\"l1\nl2\nl3 \"\"q\"\"\"\t3\t\r\n");
}

TEST(ClipboardExport, StopInEitherPass)
{
    ExportData ds({"n int"});
    for (int i = 1; i <= 10; ++i)
        ds.Add({i});
    ds.Open();
    int polls = 0;
    ExportOutcome r;
    // Stopped while measuring: the heading alone.
    EXPECT_EQ(BuildClipboardText(ds, {"n"}, false, [&] { return ++polls > 3; }, &r), "n\r\n");
    EXPECT_TRUE(r.stopped);
    // Stopped while writing (10 polls measure, then 4 records written).
    polls = 0;
    EXPECT_EQ(BuildClipboardText(ds, {}, false, [&] { return ++polls > 14; }, &r), "1\r\n2\r\n3\r\n4\r\n");
    EXPECT_EQ(r.records, 4);
}
