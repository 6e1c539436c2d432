#pragma once
// Character classes of the editor's cell grid (how many cells a character takes, whether it
// joins the character before it, surrogate halves) and the string helpers the editing code
// shares. Text is UTF-16; a code unit is one UTF-16 unit, a code point one Unicode scalar.
#include <QString>
#include <QStringList>
#include <QStringView>
#include <vector>

namespace qv {

// East Asian Width classes.
enum TEastAsianWidth : int { eawN = 0, eawF = 1, eawH = 2, eawW = 3, eawNa = 4, eawA = 5 };

bool IsDBCSCharset(unsigned char charset);
bool IsEastAsianLocale(int lcid);
// The East Asian Width of a code point (Unicode 5.1 assignments).
int EastAsianWidthOf(char32_t cp);
// Combining marks (general categories Mn, Mc, Me of Unicode 5.1) except U+0CBF and U+0CC6.
bool IsCombiningChar(char32_t cp);
inline bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
inline bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }
// 1 high, 2 low, 0 otherwise; Index is 1-based and index 1 is never classified.
int SurrogateKindAt(QStringView s, int index);
// The code points of S followed by a closing 0 (empty for an empty S); unpaired surrogates
// are dropped.
std::vector<char32_t> UTF16ToUCS4(QStringView s);
// Whether the Index-th code point (1-based) takes two cells.
bool IsWideCharAt(QStringView s, int index, bool ambiguousWide);

// Lead bytes of the system's double-byte ANSI code page. This system runs on Unicode only,
// so the table is empty and no unit is a lead unit; the helpers keep the scanning rules.
bool IsLeadByte(char16_t u);
bool IsLeadByteAt(QStringView s, int index);
bool IsTrailByteAt(QStringView s, int index);
// S[Index] (1-based) or #0 outside.
QChar CharAt(QStringView s, int index);
int CountChar(QStringView s, QChar ch, int maxLen);
bool ContainsMBStr(QStringView subStr, QStringView s);

// Splits a text into lines: CR LF, LF and a lone CR each end a line, a final line break adds
// no empty line. A NUL character is an ordinary character of its line (it never ends the
// text). The callback gets each line in order.
template <class F>
void ForEachTextLine(QStringView text, F&& line)
{
    const qsizetype n = text.size();
    const char16_t* p = text.utf16();
    qsizetype start = 0, i = 0;
    while (i < n) {
        const char16_t c = p[i];
        if (c == u'\r' || c == u'\n') {
            line(text.mid(start, i - start));
            ++i;
            if (c == u'\r' && i < n && p[i] == u'\n')
                ++i;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < n)
        line(text.mid(start, n - start));
}
void SetStringsFromText(QStringView text, QStringList& strings);

// Width of the leading blanks (space 1, ideographic space 2); -1 for an empty S.
int LeadingBlankWidth(QStringView s);
// S without its leading units <= U+0020 and ideographic spaces.
QString TrimLeadingBlanks(QStringView s);

} // namespace qv
