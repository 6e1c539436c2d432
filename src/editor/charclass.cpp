#include "editor/charclass.h"

#include <algorithm>
#include <iterator>

namespace qv {

namespace {

struct WidthRange {
    char32_t first, last;
    int cls;
};
// Non-neutral East Asian Width ranges of the Basic Multilingual Plane (Unicode 5.1).
const WidthRange kWidthRanges[] = {
#include "editor/eaw_ranges.inc"
};

struct Range {
    char32_t first, last;
};
// Combining marks (Mn, Mc, Me) of Unicode 5.1.
const Range kCombiningRanges[] = {
#include "editor/combining_ranges.inc"
};

} // namespace

bool IsDBCSCharset(unsigned char charset)
{
    return charset == 128 || charset == 129 || charset == 130 || charset == 134 || charset == 136;
}

bool IsEastAsianLocale(int lcid)
{
    return lcid == 1028 || lcid == 1041 || lcid == 1042 || lcid == 2052 || lcid == 3076 || lcid == 4100;
}

int EastAsianWidthOf(char32_t cp)
{
    if (cp > 0xFFFF) {
        if ((cp >= 0x20000 && cp <= 0x2FFFD) || (cp >= 0x30000 && cp <= 0x3FFFD))
            return eawW;
        if (cp >= 0xE0100 && cp <= 0xE01EF)
            return eawA;
        return eawN;
    }
    const auto it = std::upper_bound(std::begin(kWidthRanges), std::end(kWidthRanges), cp,
                                     [](char32_t v, const WidthRange& r) { return v < r.first; });
    if (it == std::begin(kWidthRanges))
        return eawN;
    const WidthRange& r = *std::prev(it);
    return cp <= r.last ? r.cls : eawN;
}

bool IsCombiningChar(char32_t cp)
{
    if (cp < 0x0300)
        return false;
    const auto it = std::upper_bound(std::begin(kCombiningRanges), std::end(kCombiningRanges), cp,
                                     [](char32_t v, const Range& r) { return v < r.first; });
    if (it == std::begin(kCombiningRanges))
        return false;
    return cp <= std::prev(it)->last;
}

int SurrogateKindAt(QStringView s, int index)
{
    if (s.isEmpty() || index <= 1 || index > s.size())
        return 0;
    const char16_t u = s[index - 1].unicode();
    if (IsHighSurrogate(u))
        return 1;
    if (IsLowSurrogate(u))
        return 2;
    return 0;
}

std::vector<char32_t> UTF16ToUCS4(QStringView s)
{
    std::vector<char32_t> out;
    if (s.isEmpty())
        return out;
    const qsizetype n = s.size();
    out.reserve(size_t(n) + 1);
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = s[i].unicode();
        if (IsHighSurrogate(u)) {
            if (i + 1 < n && IsLowSurrogate(s[i + 1].unicode())) {
                out.push_back((char32_t((u & 0x3FF)) << 10 | (s[i + 1].unicode() & 0x3FF)) + 0x10000);
                ++i;
            }
        } else if (!IsLowSurrogate(u)) {
            out.push_back(u);
        }
    }
    out.push_back(0);
    return out;
}

bool IsWideCharAt(QStringView s, int index, bool ambiguousWide)
{
    if (s.isEmpty() || index < 1)
        return false;
    const std::vector<char32_t> cps = UTF16ToUCS4(s);
    if (index > int(cps.size()) - 1)
        return false;
    const int w = EastAsianWidthOf(cps[size_t(index - 1)]);
    return w == eawF || w == eawW || (w == eawA && ambiguousWide);
}

bool IsLeadByte(char16_t) { return false; }

namespace {
// Walks S as the double-byte scan does; returns 1 when Index starts a pair, 2 when it is the
// second unit of one, 0 otherwise.
int PairKindAt(QStringView s, int index)
{
    if (index < 1 || index > s.size())
        return 0;
    int i = 1;
    while (i <= s.size()) {
        const bool lead = IsLeadByte(s[i - 1].unicode()) && i < s.size();
        if (lead) {
            if (i == index)
                return 1;
            if (i + 1 == index)
                return 2;
            i += 2;
        } else {
            if (i == index)
                return 0;
            ++i;
        }
    }
    return 0;
}
} // namespace

bool IsLeadByteAt(QStringView s, int index) { return PairKindAt(s, index) == 1; }
bool IsTrailByteAt(QStringView s, int index) { return PairKindAt(s, index) == 2; }

QChar CharAt(QStringView s, int index)
{
    if (index >= 1 && index <= s.size())
        return s[index - 1];
    return QChar(0);
}

int CountChar(QStringView s, QChar ch, int maxLen)
{
    const qsizetype n = std::min<qsizetype>(s.size(), std::max(0, maxLen));
    int c = 0;
    for (qsizetype i = 0; i < n; ++i)
        if (s[i] == ch)
            ++c;
    return c;
}

bool ContainsMBStr(QStringView subStr, QStringView s)
{
    if (subStr.isEmpty() || subStr.size() > s.size())
        return false;
    qsizetype i = 0;
    while (i + subStr.size() <= s.size()) {
        if (s.mid(i, subStr.size()) == subStr)
            return true;
        i += IsLeadByte(s[i].unicode()) ? 2 : 1;
    }
    return false;
}

void SetStringsFromText(QStringView text, QStringList& strings)
{
    strings.clear();
    ForEachTextLine(text, [&](QStringView line) { strings.append(line.toString()); });
}

int LeadingBlankWidth(QStringView s)
{
    if (s.isEmpty())
        return -1;
    int w = 0;
    for (QChar c : s) {
        if (c == u' ')
            w += 1;
        else if (c == QChar(0x3000))
            w += 2;
        else
            break;
    }
    return w;
}

QString TrimLeadingBlanks(QStringView s)
{
    qsizetype i = 0;
    while (i < s.size() && (s[i].unicode() <= 0x20 || s[i].unicode() == 0x3000))
        ++i;
    return s.mid(i).toString();
}

} // namespace qv
