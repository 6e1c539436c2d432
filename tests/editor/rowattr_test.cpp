#include "editor/rowattr.h"

#include <gtest/gtest.h>

using namespace qv;

TEST(EditorRowList, CapacityGrowsByTheListRule)
{
    TheStringList l;
    std::vector<int> caps{l.Capacity()};
    for (int i = 0; i < 80; ++i) {
        l.Add(QString::number(i));
        if (l.Capacity() != caps.back())
            caps.push_back(l.Capacity());
    }
    EXPECT_EQ(caps, (std::vector<int>{0, 4, 8, 12, 28, 44, 60, 76, 95}));
    EXPECT_EQ(l.Get(79), "79");
}

TEST(EditorRowList, PackedFieldsKeepTheirNeighbours)
{
    TRowAttributeStringList l;
    l.Add("x");
    EXPECT_EQ(l.GetBrackets(0), -2); // a fresh row is not computed
    EXPECT_EQ(l.GetRows(0), raCrlf);
    l.SetBrackets(0, -1);
    EXPECT_EQ(l.GetBrackets(0), -1);
    l.SetBrackets(0, 13);
    EXPECT_EQ(l.GetBrackets(0), 13);
    l.SetBrackets(0, -2);
    EXPECT_EQ(l.GetBrackets(0), -2);
    l.SetTokens(0, 11);
    l.SetPrevTokens(0, 26);
    l.SetRowMarks(0, RowMark(0) | RowMark(15));
    EXPECT_EQ(l.GetTokens(0), 11);
    EXPECT_EQ(l.GetPrevTokens(0), 26);
    EXPECT_EQ(l.GetRowMarks(0), RowMark(0) | RowMark(15));
    l.SetRows(0, raWrapped);
    l.SetPrevRows(0, raEof);
    l.SetElements(0, 255);
    l.SetWrappedBytes(0, 7);
    l.SetRemains(0, 200);
    EXPECT_EQ(l.GetRows(0), raWrapped);
    EXPECT_EQ(l.GetPrevRows(0), raEof);
    EXPECT_EQ(l.GetElements(0), 255);
    EXPECT_EQ(l.GetWrappedBytes(0), 7);
    EXPECT_EQ(l.GetRemains(0), 200);
    EXPECT_EQ(l.GetBrackets(0), -2);
}

TEST(EditorRowList, BadIndexRaisesNamingTheIndex)
{
    TheStringList l;
    for (const char* s : {"a", "b", "c"})
        l.Add(s);
    int changes = 0;
    l.OnChange = TNotifyEvent::Fn(&changes, [&](TPersistent*) { ++changes; });
    try {
        l.Exchange(0, 5);
        FAIL();
    } catch (const EStringListError& e) {
        EXPECT_TRUE(e.message().contains("リストのインデックスが範囲を超えています"));
        EXPECT_TRUE(e.message().contains("5"));
    }
    try {
        l.Exchange(-1, 1);
        FAIL();
    } catch (const EStringListError& e) {
        EXPECT_TRUE(e.message().contains("-1"));
    }
    EXPECT_THROW(l.Get(3), EStringListError);
    EXPECT_THROW(l.Insert(4, "x"), EStringListError);
    EXPECT_EQ(changes, 0);
    l.Exchange(0, 2);
    EXPECT_EQ(l.Get(0), "c");
    EXPECT_EQ(changes, 1);
}
