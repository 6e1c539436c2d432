#pragma once
// Window-free rules of the editor control's layout: bar widths and numbering, the ruler's
// digit pictures, the caret shape and the token-hit search. The control calls them; tests
// call them without a window.
#include "editor/rowattr.h"

#include <QImage>
#include <QString>
#include <QStringView>

namespace qv {

// Digits of the line-number bar: the largest number shown is computed from the last row (its
// index, or its line index when numbering lines), one more when the last row ends with a line
// break, one more unless numbering starts at 0; at least MinColumn digits, at most 8.
int LeftbarDigitCount(int lastIndex, bool endsWithBreak, bool zeroBase, int minColumn);
// A line number right-aligned in Digits characters; blanks become "0" with ZeroLead.
QString LeftbarNumberText(int number, int digits, bool zeroLead);

// The ruler's digit pictures: a 56 x 9 mask, digit d in columns 5d .. 5d + 4; a pixel of a
// digit is true.
bool RulerDigitPixel(int digit, int x, int y);
// Pixels a ruler number takes: 5 per digit, 3 for the digit 1.
int RulerNumberWidth(int number);
// The digit strip in two colours (digit pixels in Fore, the rest in Back).
QImage RulerDigitStrip(QRgb fore, QRgb back);

// Search-hit position in Text (1-based, 0 when none) of Hit from position Start (1-based),
// comparing after ASCII-only upper-casing; a match never starts on the second unit of a
// surrogate pair.
int FindHitPos(QStringView hit, QStringView text, int start);

// Cells a code point takes on the editor's grid.
int CellWidthOf(char32_t cp, bool ambiguousWide);

} // namespace qv
