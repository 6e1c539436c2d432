#include "editor/view/editor_layout.h"
#include "editor/view/editor_settings_objects.h"

#include <gtest/gtest.h>

using namespace qv;

namespace {
struct Counter {
    int n = 0;
    TNotifyEvent Event()
    {
        return TNotifyEvent::Fn(this, [this](TPersistent*) { ++n; });
    }
};
} // namespace

TEST(EditorSettings, ClampedValuesAndDefaults)
{
    TEditorCaret caret;
    EXPECT_EQ(caret.TabSpaceCount(), 8);
    const std::pair<int, int> tabs[] = {{1, 2}, {3, 2}, {5, 4}, {7, 6}, {100, 8}, {-3, 2}};
    for (auto [in, out] : tabs) {
        caret.SetTabSpaceCount(in);
        EXPECT_EQ(caret.TabSpaceCount(), out) << in;
    }
    TEditorRuler ruler;
    ruler.SetGaugeRange(9);
    EXPECT_EQ(ruler.GaugeRange(), 8);
    ruler.SetGaugeRange(12);
    EXPECT_EQ(ruler.GaugeRange(), 10);
    TEditorLeftbar bar;
    bar.SetColumn(0);
    EXPECT_EQ(bar.Column(), 1);
    bar.SetColumn(12);
    EXPECT_EQ(bar.Column(), 8);
    bar.SetLeftMargin(-5);
    EXPECT_EQ(bar.LeftMargin(), 0);
    bar.SetRightMargin(500);
    EXPECT_EQ(bar.RightMargin(), 100);
    TEditorMargin m;
    EXPECT_EQ(m.Left(), 19);
    EXPECT_EQ(m.Top(), 2);
    m.SetLeft(-5);
    m.SetTop(500);
    m.SetLine(50);
    EXPECT_EQ(m.Left(), 0);
    EXPECT_EQ(m.Top(), 100);
    EXPECT_EQ(m.Line(), 50);
    TEditorImagebar img;
    img.SetDigitWidth(101);
    img.SetMarkWidth(-1);
    EXPECT_EQ(img.DigitWidth(), 100);
    EXPECT_EQ(img.MarkWidth(), 0);
}

TEST(EditorSettings, NotificationsAreSingleAndOnlyOnChange)
{
    TEditorCaret caret;
    Counter c;
    caret.OnChange = c.Event();
    caret.SetTabSpaceCount(4);
    EXPECT_EQ(c.n, 1);
    caret.SetTabSpaceCount(5); // stores 4 again
    EXPECT_EQ(c.n, 1);
    caret.SoftTab = true; // plain field
    EXPECT_EQ(c.n, 1);

    TEditorCaret other;
    other.SoftTab = false;
    caret.Assign(other);
    EXPECT_EQ(c.n, 2);
    EXPECT_FALSE(caret.SoftTab);
    EXPECT_EQ(caret.TabSpaceCount(), 8);

    TEditorMarks marks;
    Counter mc;
    marks.OnChange = mc.Event();
    marks.TabMark().SetVisible(true);
    EXPECT_EQ(mc.n, 1);
    TEditorMarks src;
    src.EofMark().SetVisible(true);
    src.RetMark().SetColor(0x123456);
    marks.Assign(src);
    EXPECT_EQ(mc.n, 2);
    EXPECT_TRUE(marks.EofMark().Visible());
    EXPECT_EQ(marks.RetMark().Color(), 0x123456u);
}

TEST(EditorSettings, ViewQuotationKeepsFirstCharacterAndFountainChangesReachTheView)
{
    TEditorViewInfo view;
    Counter c;
    view.OnChange = c.Event();
    view.SetQuotation(QStringLiteral("'\"x"));
    EXPECT_EQ(view.Quotation(), QStringLiteral("'"));
    view.SetQuotation(QString());
    EXPECT_EQ(view.Quotation(), QString());
    EXPECT_EQ(c.n, 2);
    view.EditorFountain().SetReserveWordList({"select"});
    EXPECT_EQ(c.n, 3);
}

TEST(EditorLayout, LeftbarDigitsAndNumbers)
{
    // 123 rows, the last without a line break, at least 2 digits.
    EXPECT_EQ(LeftbarDigitCount(122, false, false, 2), 3);
    EXPECT_EQ(LeftbarDigitCount(122, true, false, 2), 3);
    // 9 rows ending with a line break: numbers up to 10; zero-based up to 9.
    EXPECT_EQ(LeftbarDigitCount(8, true, false, 1), 2);
    EXPECT_EQ(LeftbarDigitCount(8, true, true, 1), 1);
    EXPECT_EQ(LeftbarDigitCount(999999999, false, false, 1), 8);
    EXPECT_EQ(LeftbarNumberText(7, 4, true), QStringLiteral("0007"));
    EXPECT_EQ(LeftbarNumberText(7, 4, false), QStringLiteral("   7"));
    EXPECT_EQ(LeftbarNumberText(12345, 4, true), QStringLiteral("12345"));
}

TEST(EditorLayout, RulerDigitsAndHits)
{
    EXPECT_EQ(RulerNumberWidth(10), 8);
    EXPECT_EQ(RulerNumberWidth(80), 10);
    EXPECT_EQ(RulerNumberWidth(111), 9);
    // The digit 1 is a vertical stroke: column 3 of its cell, rows 1..7.
    int ones = 0;
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 5; ++x)
            ones += RulerDigitPixel(1, x, y);
    EXPECT_GT(ones, 6);
    EXPECT_FALSE(RulerDigitPixel(1, 0, 0));

    EXPECT_EQ(FindHitPos(u"ab", u"xxABxab", 1), 3);
    EXPECT_EQ(FindHitPos(u"ab", u"xxABxab", 4), 6);
    EXPECT_EQ(FindHitPos(u"ä", u"Ä", 1), 0); // only ASCII letters ignore case
    EXPECT_EQ(FindHitPos(u"", u"abc", 1), 0);
}
