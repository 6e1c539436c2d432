#include "editor/wrap.h"
#include "editor/charclass.h"

namespace qv {

std::bitset<256> TColumnMapSettings::DefaultDelimiters()
{
    std::bitset<256> d;
    auto range = [&](int a, int b) {
        for (int i = a; i <= b; ++i)
            d.set(size_t(i));
    };
    range(0, 47);
    range(58, 64);
    range(91, 94);
    d.set(96);
    range(123, 128);
    range(160, 165);
    range(253, 255);
    return d;
}

namespace {

// Walks the column codes of a text; calls put(code, count) and never stops early.
template <class Out>
void WalkColumns(QStringView text, const TColumnMapSettings& s, Out&& put)
{
    const int cap = s.WordWrap ? s.WrapByte + 3 : 10000;
    int len = 0;
    const qsizetype n = text.size();
    const char16_t* p = text.utf16();
    for (qsizetype i = 0; i < n && len < cap; ++i) {
        const char16_t u = p[i];
        if (u < 0x80 && u != 9) {
            // Fast path: ASCII is never double-width.
            put(s.Delimiters.test(u) ? u'2' : u'1', 1);
            ++len;
            continue;
        }
        char32_t cp = u;
        bool pair = false;
        if (IsHighSurrogate(u) && i + 1 < n && IsLowSurrogate(p[i + 1])) {
            cp = (char32_t(u & 0x3FF) << 10 | (p[i + 1] & 0x3FF)) + 0x10000;
            pair = true;
        }
        const int w = EastAsianWidthOf(cp);
        const bool wide = w == eawF || w == eawW || (w == eawA && s.AmbiguousWide);
        for (int rep = 0; rep < (pair ? 2 : 1) && len < cap; ++rep) {
            if (wide) {
                put(u'4', 1);
                put(u'5', 1);
                len += 2;
            } else {
                put(u <= 0xFF && s.Delimiters.test(u) ? u'2' : u'1', 1);
                ++len;
            }
        }
        if (pair)
            ++i;
        if (u == 9) {
            int fill = s.TabSpaceCount - ((len - 1) % s.TabSpaceCount) - 1;
            if (s.WordWrap)
                fill = std::min(fill, s.WrapByte - ((len - 1) % s.WrapByte) - 1);
            if (fill > 0) {
                put(u'3', fill);
                len += fill;
            }
        }
    }
}

} // namespace

QString GetColumnMap(QStringView text, const TColumnMapSettings& s)
{
    QString map;
    map.reserve(std::min<qsizetype>(text.size() + 8, s.WordWrap ? s.WrapByte + 16 : 10016));
    WalkColumns(text, s, [&](char16_t code, int count) {
        for (int i = 0; i < count; ++i)
            map.append(QChar(code));
    });
    return map;
}

int ExpandTabLength(QStringView text, const TColumnMapSettings& s)
{
    int len = 0;
    WalkColumns(text, s, [&](char16_t, int count) { len += count; });
    return len;
}

int ColumnMapExtra(QStringView map, int n)
{
    int extra = 0;
    const int m = int(map.size());
    for (int i = 0; i < n && i < m; ++i)
        if (map[i] == u'3')
            ++extra;
    for (int i = 0; i < n - 1 && i < m; ++i)
        if (map[i] == u'4')
            ++extra;
    return extra;
}

QString ExpandTab(QStringView s, const TColumnMapSettings& settings)
{
    if (!s.contains(u'\t'))
        return s.toString();
    QString out;
    int w = 0;
    auto widthOf = [](char16_t c) {
        if ((c >= 0x20 && c <= 0x7E) || (c >= 0xFF61 && c <= 0xFF9F) || c == 9 || c == 10 || c == 13 || c == 0x1B)
            return 1;
        return 2;
    };
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        if ((IsHighSurrogate(c) || IsLowSurrogate(c)) && i + 1 < s.size()) {
            out.append(s[i]);
            out.append(s[i + 1]);
            w += widthOf(c) + widthOf(s[i + 1].unicode());
            ++i;
        } else if (c == 9) {
            int run = settings.TabSpaceCount - (w % settings.TabSpaceCount);
            if (settings.WordWrap)
                run = std::min(run, settings.WrapByte - (w % settings.WrapByte));
            out.append(QString(run, QChar(0x1B)));
            w += run;
        } else {
            out.append(s[i]);
            w += widthOf(c);
        }
    }
    return out;
}

// ---- wrap option -------------------------------------------------------------------------

TEditorWrapOption::TEditorWrapOption()
    : m_followStr(QString::fromUtf8("、。，．・？！゛゜ヽヾゝゞ々ー）］｝」』!),.:;?]}｡｣､･ｰﾞﾟ")),
      m_leadStr(QString::fromUtf8("（［｛「『([{｢")),
      m_punctuationStr(QString::fromUtf8("、。，．,.｡､"))
{
}

void TEditorWrapOption::Assign(const TEditorWrapOption& src)
{
    if (&src == this)
        return;
    m_followRetMark = src.m_followRetMark;
    m_followPunctuation = src.m_followPunctuation;
    m_followStr = src.m_followStr;
    m_leading = src.m_leading;
    m_leadStr = src.m_leadStr;
    m_punctuationStr = src.m_punctuationStr;
    m_wordBreak = src.m_wordBreak;
    m_wrapByte = src.m_wrapByte;
    Changed();
}

// ---- attribute array ---------------------------------------------------------------------

void TEditorAttributeArray::NewData(QStringView source, QStringView attributes)
{
    m_source = source;
    m_attributes = attributes.toString();
    m_attributes.append(u'0');
    m_position = 0;
    m_sourcePos = 0;
    m_attribute = QChar(u'1');
    Next();
}

void TEditorAttributeArray::Next()
{
    if (m_attribute == u'0')
        return;
    ++m_position;
    m_attribute = m_attributes.at(m_position - 1);
    if (m_attribute != u'3' && m_attribute != u'5')
        ++m_sourcePos;
}

void TEditorAttributeArray::Prior()
{
    if (m_position < 2)
        return;
    if (m_attribute != u'3' && m_attribute != u'5')
        --m_sourcePos;
    --m_position;
    m_attribute = m_attributes.at(m_position - 1);
}

void TEditorAttributeArray::SetPosition(int v)
{
    while (m_attribute != u'0' && m_position < v)
        Next();
    while (m_position > 1 && m_position > v)
        Prior();
}

QString TEditorAttributeArray::PositionString() const
{
    if (m_attribute == u'0' || m_sourcePos < 1 || m_sourcePos > m_source.size())
        return QString();
    return QString(m_source[m_sourcePos - 1]);
}

QString TEditorAttributeArray::NextPositionString()
{
    const int before = m_position;
    Next();
    QString s = PositionString();
    if (m_position != before)
        Prior();
    return s;
}

void TEditorAttributeArray::StepBack()
{
    Prior();
    if (m_attribute == u'4')
        Prior();
}

} // namespace qv
