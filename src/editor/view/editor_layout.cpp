#include "editor/view/editor_layout.h"

#include "editor/charclass.h"

#include <algorithm>

namespace qv {

int LeftbarDigitCount(int lastIndex, bool endsWithBreak, bool zeroBase, int minColumn)
{
    long long n = lastIndex;
    if (endsWithBreak)
        ++n;
    if (!zeroBase)
        ++n;
    const int len = int(QString::number(std::max(0LL, n)).size());
    return std::min(8, std::max(minColumn, len));
}

QString LeftbarNumberText(int number, int digits, bool zeroLead)
{
    return QString::number(number).rightJustified(digits, zeroLead ? u'0' : u' ');
}

namespace {
// Rows of the digit mask, 8 bytes each, most significant bit leftmost, a 0 bit is a digit pixel.
constexpr unsigned char kDigitMask[9][8] = {
    {0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff}, {0xce, 0xf3, 0x9e, 0xc3, 0x30, 0xce, 0x7f, 0xff},
    {0xb4, 0xed, 0x6c, 0xde, 0xde, 0xb5, 0xbf, 0xff}, {0xb6, 0xfd, 0xec, 0xc6, 0xfd, 0xb5, 0xbf, 0xff},
    {0xb6, 0xfb, 0xda, 0xda, 0x3d, 0xce, 0x3f, 0xff}, {0xb6, 0xf7, 0xe8, 0x7a, 0xdb, 0xb7, 0xbf, 0xff},
    {0xb6, 0xef, 0x6e, 0xda, 0xdb, 0xb5, 0xbf, 0xff}, {0xce, 0xe1, 0x9e, 0xe7, 0x3b, 0xce, 0x7f, 0xff},
    {0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff}};
} // namespace

bool RulerDigitPixel(int digit, int x, int y)
{
    if (digit < 0 || digit > 9 || x < 0 || x > 4 || y < 0 || y > 8)
        return false;
    const int bit = digit * 5 + x;
    return ((kDigitMask[y][bit / 8] >> (7 - bit % 8)) & 1) == 0;
}

int RulerNumberWidth(int number)
{
    int w = 0;
    for (QChar c : QString::number(number))
        w += c == u'1' ? 3 : 5;
    return w;
}

QImage RulerDigitStrip(QRgb fore, QRgb back)
{
    QImage img(56, 9, QImage::Format_RGB32);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 56; ++x)
            img.setPixel(x, y, RulerDigitPixel(x / 5, x % 5, y) && x < 50 ? fore : back);
    return img;
}

namespace {
inline char16_t UpAscii(char16_t c) { return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c; }
} // namespace

int FindHitPos(QStringView hit, QStringView text, int start)
{
    const int n = int(hit.size()), m = int(text.size());
    if (n == 0 || start < 1)
        return 0;
    for (int i = start - 1; i + n <= m; ++i) {
        if (IsLowSurrogate(text[i].unicode()) && i > 0 && IsHighSurrogate(text[i - 1].unicode()))
            continue;
        int k = 0;
        while (k < n && UpAscii(text[i + k].unicode()) == UpAscii(hit[k].unicode()))
            ++k;
        if (k == n)
            return i + 1;
    }
    return 0;
}

int CellWidthOf(char32_t cp, bool ambiguousWide)
{
    const int w = EastAsianWidthOf(cp);
    return (w == eawF || w == eawW || (ambiguousWide && w == eawA)) ? 2 : 1;
}

} // namespace qv
