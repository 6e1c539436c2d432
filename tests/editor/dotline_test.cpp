#include "editor/dotline.h"

#include <gtest/gtest.h>

using namespace qv;

TEST(EditorDotLine, EverySecondPixelFromTheStart)
{
    QImage img(12, 2, QImage::Format_RGB32);
    img.fill(Qt::black);
    {
        QPainter p(&img);
        DrawDottedLine(p, 1, 0, clWhite, 0x0000FF, 5); // red dots on white
        DrawDottedHLine(p, 3, 1, clWhite, 0x00FF00, 7);
    }
    const QRgb red = qRgb(255, 0, 0), white = qRgb(255, 255, 255), green = qRgb(0, 255, 0), black = qRgb(0, 0, 0);
    const QRgb row0[] = {black, red, white, red, white, red, black};
    for (int x = 0; x < 7; ++x)
        EXPECT_EQ(img.pixel(x, 0), row0[x]) << x;
    const QRgb row1[] = {black, black, black, green, white, green, white, green, black};
    for (int x = 0; x < 9; ++x)
        EXPECT_EQ(img.pixel(x, 1), row1[x]) << x;

    TDotLineCollection cache(64);
    const QImage* a = &cache.LineBitmap(1, 2);
    EXPECT_EQ(&cache.LineBitmap(1, 2), a);
    cache.LineBitmap(2, 1);
    EXPECT_EQ(cache.Count(), 2);
    EXPECT_EQ(a->width(), 64);
}
