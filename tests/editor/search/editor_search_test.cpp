#include "editor/view/editor.h"

#include <gtest/gtest.h>

using namespace qv;

TEST(EditorSearch, ForwardBackwardAndBlocks)
{
    TEditor ed;
    ed.resize(400, 200);
    QString text;
    for (int i = 0; i < 3000; ++i)
        text += QStringLiteral("line %1 filler filler filler\r\n").arg(i);
    text += QStringLiteral("needle at the end");
    ed.Lines().SetTextStr(text);
    ed.show();
    ed.SetRowCol(0, 0);
    ASSERT_TRUE(ed.Search(QStringLiteral("NEEDLE"), sfrDown));
    EXPECT_EQ(ed.Row(), 3000);
    EXPECT_EQ(ed.SelText(), QStringLiteral("needle"));
    ASSERT_TRUE(ed.Search(QStringLiteral("line 5 "), 0));
    EXPECT_EQ(ed.Row(), 5);
    EXPECT_FALSE(ed.Search(QStringLiteral("line 5 "), 0));
    EXPECT_EQ(ed.Row(), 5); // a miss leaves the caret
    // A match over a line break.
    ed.Lines().SetTextStr(QStringLiteral("xab\r\nc"));
    ed.SetRowCol(0, 0);
    ASSERT_TRUE(ed.Search(QStringLiteral("abc"), sfrDown | sfrIncludeCRLF));
    EXPECT_EQ(ed.SelLength(), 5);
}
