#pragma once
// Window-free number handling of the input controls: the text-to-number conversion used by
// the numeric edit and other windows, the numeric edit's character filter and its rounding.
#include <QString>

namespace qv {

// The text as a number in the program's number format (point as decimal separator, optional
// sign and exponent, surrounding blanks allowed); def when the text is not such a number.
// Never fails.
double StrToFloatOrDefault(const QString& text, double def);

// The numeric edit's filter: keeps digits and the rightmost point; with allowMinus, a text
// that held a '-' anywhere gets one leading '-'.
QString FilterNumberText(const QString& text, bool allowMinus);

// Round to the nearest integer, a half going to the even neighbour, as a 32-bit integer
// (values outside the range are clamped).
int RoundHalfEven(double value);

// The general float-to-text conversion with 15 significant digits; "0" for NaN or infinity.
QString FloatToText(double value);

// True when the text, without the characters up to U+0020 at both ends, is empty.
bool IsBlankText(const QString& text);

} // namespace qv
