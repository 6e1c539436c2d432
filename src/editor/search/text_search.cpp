#include "editor/search/text_search.h"

namespace qv {

namespace {

const QString& GreekCyrillic()
{
    static const QString s = QStringLiteral("ΑΒΓΔΕΖΗΘΙΚΛΜΝΞΟΠΡΣΤΥΦΧΨΩαβγδεζηθικλμνξοπρστυφχψω"
                                            "АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдеёжзийклмнопрстуфхцчшщъыьэюя"
                                            "･ﾞﾟｰ｡､｢｣");
    return s;
}

char16_t Narrow(char16_t c)
{
    if (c >= 0xFF01 && c <= 0xFF5E)
        return char16_t(c - 0xFEE0);
    if (c == 0x3000)
        return u' ';
    return c;
}

bool IsSkippable(char16_t c, TSearchOptions o)
{
    if ((o & sfrIncludeCRLF) && (c == u'\r' || c == u'\n'))
        return true;
    if ((o & sfrIncludeSpace) && (c == u'\t' || c == u' ' || c == 0x3000))
        return true;
    return false;
}

} // namespace

bool IsCaseFoldable(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= 0x20 && u <= 0x7E)
        return true; // letters, digits, symbols and the blank
    if ((u >= 0xFF21 && u <= 0xFF3A) || (u >= 0xFF41 && u <= 0xFF5A))
        return true;
    return GreekCyrillic().contains(c);
}

bool IsSearchDelimiter(QChar c)
{
    const char16_t u = c.unicode();
    return u <= 0x2F || (u >= 0x3A && u <= 0x3E) || u == 0x40 || (u >= 0x5B && u <= 0x60);
}

int FindInBuffer(QStringView buf, int selStart, int& selLength, const QString& search, TSearchOptions o, QChar before,
                 QChar after)
{
    const int n = int(buf.size());
    const int L = int(search.size());
    if (selStart < 0 || selStart > n || selLength < 0 || L == 0)
        return -1;
    // Letter case is folded one character at a time (simple mapping), so the pattern keeps its
    // length: "ß" stays "ß" instead of becoming "SS".
    QString pat = search;
    if (!(o & sfrMatchCase))
        for (QChar& c : pat)
            c = c.toUpper();
    const bool narrow = o & sfrNoMatchZenkaku;
    if (narrow)
        for (QChar& c : pat)
            c = QChar(Narrow(c.unicode()));
    auto fold = [&](char16_t c) -> char16_t {
        if (narrow)
            c = Narrow(c);
        if (!(o & sfrMatchCase) && IsCaseFoldable(QChar(c)))
            return QChar(c).toUpper().unicode();
        return c;
    };
    auto matchAt = [&](int p) -> int {
        if ((o & sfrWholeWord) && !IsSearchDelimiter(p > 0 ? buf[p - 1] : before))
            return -1;
        int i = 0, j = 0;
        while (i < L) {
            if (p + j >= n)
                return -1;
            const char16_t t = buf[p + j].unicode();
            if (fold(t) == pat[i].unicode()) {
                ++i;
                ++j;
            } else if (i > 0 && IsSkippable(t, o)) {
                ++j;
            } else {
                return -1;
            }
        }
        if ((o & sfrWholeWord) && !IsSearchDelimiter(p + j < n ? buf[p + j] : after))
            return -1;
        return j;
    };
    if (o & sfrDown) {
        for (int p = selStart + selLength; p + L <= n; ++p) {
            const int len = matchAt(p);
            if (len >= 0) {
                selLength = len;
                return p;
            }
        }
    } else {
        for (int p = selStart - L; p >= 0; --p) {
            const int len = matchAt(p);
            if (len >= 0) {
                selLength = len;
                return p;
            }
        }
    }
    return -1;
}

bool FindInText(QStringView buf, int& selStart, int& selLength, const QString& search, TSearchOptions options,
                QChar before, QChar after)
{
    if (search.isEmpty() || buf.isEmpty())
        return false;
    int len = selLength;
    const int p = FindInBuffer(buf, selStart, len, search, options, before, after);
    if (p < 0)
        return false;
    selStart = p;
    selLength = len;
    return true;
}

} // namespace qv
