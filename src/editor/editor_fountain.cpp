#include "editor/editor_fountain.h"
#include "editor/charclass.h"

#include <typeinfo>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qv {

TEditorColors::TEditorColors(TEditorFountain* fountain) : m_fountain(fountain)
{
    for (TEditorColor* c : {&m_ank, &m_comment, &m_dbcs, &m_hit, &m_int, &m_mail, &m_select, &m_str, &m_symbol, &m_url})
        c->OnChange = ChangedProcEvent();
    m_select.BeginUpdate();
    m_select.SetBkColor(clNavy);
    m_select.SetColor(clWhite);
    m_select.EndUpdate();
}

TFountainColor& TEditorColors::Reserve() { return m_fountain->Reserve(); }

void TEditorColors::Assign(TEditorColors& src)
{
    if (&src == this)
        return;
    // The reserved-word colour reports to the fountain directly: hold its listeners too.
    m_fountain->NotifyEventList().BeginUpdate();
    BeginUpdate();
    m_ank.Assign(src.m_ank);
    m_comment.Assign(src.m_comment);
    m_dbcs.Assign(src.m_dbcs);
    m_hit.Assign(src.m_hit);
    m_int.Assign(src.m_int);
    m_mail.Assign(src.m_mail);
    Reserve().Assign(src.Reserve());
    m_select.Assign(src.m_select);
    m_str.Assign(src.m_str);
    m_symbol.Assign(src.m_symbol);
    m_url.Assign(src.m_url);
    EndUpdate();
    m_fountain->NotifyEventList().EndUpdate();
}

void TEditorColors::Collect(std::vector<const TFountainColor*>& out) const
{
    for (const TEditorColor* c : {&m_ank, &m_comment, &m_dbcs, &m_hit, &m_int, &m_mail, &m_select, &m_str, &m_symbol, &m_url})
        out.push_back(c);
}

TEditorFountain::TEditorFountain()
{
    Init();
    m_colors = std::make_unique<TEditorColors>(this);
    m_colors->OnChange = NotifyEventList().ChangedProcEvent();
}

std::unique_ptr<TFountainParser> TEditorFountain::CreateParser() const
{
    return std::make_unique<TEditorParser>(this);
}

void TEditorFountain::CollectColors(std::vector<const TFountainColor*>& out) const
{
    TFountain::CollectColors(out);
    m_colors->Collect(out);
}

void TEditorFountain::ApplySqlSyntax(const QStringList& reservedWords)
{
    Commenter = QStringLiteral("--");
    Quotation = QStringLiteral("'");
    DoubleQuotation = QStringLiteral("'");
    m_brackets->BeginUpdate();
    m_brackets->Clear();
    TFountainBracketItem* item = m_brackets->Add();
    item->SetLeftBracket(QStringLiteral("/*"));
    item->SetRightBracket(QStringLiteral("*/"));
    item->SetItemColor(m_colors->Comment());
    m_brackets->EndUpdate();
    SetReserveWordList(reservedWords);
}

TEditorParser::TEditorParser(const TEditorFountain* fountain) : TFountainParser(fountain)
{
    SetTokenHandler(tok::toQuotation, static_cast<Handler>(&TEditorParser::QuotationProc));
    SetTokenHandler(tok::toControlCode, static_cast<Handler>(&TEditorParser::ControlCodeProc));
    SetTokenHandler(tok::toHexControlCode, static_cast<Handler>(&TEditorParser::HexControlCodeProc));
}

bool TEditorParser::InWrappedTokenSet(char16_t kind) const
{
    return TFountainParser::InWrappedTokenSet(kind) || kind == tok::toQuotation;
}

void TEditorParser::ScanToken()
{
    const TEditorFountain* f = EF();
    if (m_bracketIndex >= -1 && IsBracket())
        BracketProc();
    else if (f->Mail && IsMail())
        MailProc();
    else if (f->Url && IsUrl())
        UrlProc();
    else if (IsCommenter())
        CommentProc();
    else if (IsQuotation())
        QuotationProc();
    else if (IsHexControlCode())
        HexControlCodeProc();
    else if (IsControlCode())
        ControlCodeProc();
    else if (IsHexPrefix())
        HexProc();
    else
        CallUnitHandler();
}

bool TEditorParser::IsCommenter()
{
    const TEditorFountain* f = EF();
    if (!f || f->Commenter.isEmpty() || !MatchAt(m_p, f->Commenter))
        return false;
    m_p += f->Commenter.size();
    return true;
}

bool TEditorParser::IsQuotation()
{
    const TEditorFountain* f = EF();
    if (AtEnd(m_p))
        return false;
    const char16_t c = *m_p;
    if ((!f->Quotation.isEmpty() && c == f->Quotation.at(0).unicode())
        || (!f->DoubleQuotation.isEmpty() && c == f->DoubleQuotation.at(0).unicode())) {
        ++m_p;
        return true;
    }
    return false;
}

void TEditorParser::QuotationProc()
{
    const TEditorFountain* f = EF();
    if (f->Quotation.isEmpty() || f->DoubleQuotation.isEmpty()) {
        m_token = tok::toEof;
        return;
    }
    m_token = tok::toQuotation;
    const char16_t q1 = f->Quotation.at(0).unicode(), q2 = f->DoubleQuotation.at(0).unicode();
    auto inSet = [&](char16_t c) { return (c == q1 && q1 <= 0xFF) || (c == q2 && q2 <= 0xFF); };
    while (m_p < m_end) {
        const char16_t c = *m_p;
        if (c == u'\n' || c == u'\r')
            return;
        if (inSet(c)) {
            ++m_p;
            if (m_p < m_end && inSet(*m_p)) {
                ++m_p;
                continue;
            }
            return;
        }
        m_p += IsLeadByte(c) ? 2 : 1;
    }
    if (m_p > m_end)
        m_p = m_end;
}

bool TEditorParser::IsHexControlCode()
{
    if (!EF()->ControlCode || !MatchAt(m_p, u"#$"))
        return false;
    m_p += 2;
    return true;
}

void TEditorParser::HexControlCodeProc()
{
    m_token = tok::toHexControlCode;
    while (m_p < m_end && ((*m_p >= u'0' && *m_p <= u'9') || (*m_p >= u'A' && *m_p <= u'F') || (*m_p >= u'a' && *m_p <= u'f')))
        ++m_p;
}

bool TEditorParser::IsControlCode()
{
    if (!EF()->ControlCode || Ch(m_p) != u'#' || AtEnd(m_p))
        return false;
    ++m_p;
    return true;
}

void TEditorParser::ControlCodeProc()
{
    m_token = tok::toControlCode;
    while (m_p < m_end && *m_p >= u'0' && *m_p <= u'9')
        ++m_p;
}

bool TEditorParser::IsHexPrefix()
{
    const TEditorFountain* f = EF();
    if (!f || f->HexPrefix.isEmpty())
        return false;
    const QString prefix = f->HexPrefix.toUpper();
    if (m_end - m_p < prefix.size())
        return false;
    for (qsizetype i = 0; i < prefix.size(); ++i) {
        char16_t c = m_p[i];
        if (c >= u'a' && c <= u'z')
            c = char16_t(c - 32);
        if (c != prefix.at(i).unicode())
            return false;
    }
    m_p += prefix.size();
    return true;
}

namespace {
inline bool QDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
inline bool QWordUnit(char16_t c) { return QDigit(c) || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_'; }
inline bool QHexDigit(char16_t c) { return QDigit(c) || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f'); }
} // namespace

bool TEditorParser::AnyQuickStart(const char16_t* s, qsizetype n) const
{
    qsizetype i = 0;
#if defined(__SSE2__)
    if (m_quickStartCount > 0) {
        __m128i keys[4];
        for (int k = 0; k < 4; ++k)
            keys[k] = _mm_set1_epi16(short(m_quickStartChars[k < m_quickStartCount ? k : 0]));
        for (; i + 8 <= n; i += 8) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
            const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(v, keys[0]), _mm_cmpeq_epi16(v, keys[1])),
                                             _mm_or_si128(_mm_cmpeq_epi16(v, keys[2]), _mm_cmpeq_epi16(v, keys[3])));
            if (_mm_movemask_epi8(hit) != 0)
                return true;
        }
    }
#endif
    for (; i < n; ++i)
        if (IsQuickStart(s[i]))
            return true;
    return false;
}

void TEditorParser::PrepareQuick()
{
    m_quick = -1;
    const TEditorFountain* f = EF();
    // Mail addresses and URLs may run over brackets and quotes; a derived parser may change any
    // rule: both take the full scan.
    if (!f || f->Mail || f->Url || typeid(*this) != typeid(TEditorParser))
        return;
    m_quickFilter = true;
    auto start = [this](QStringView s) {
        if (s.isEmpty())
            return;
        const char16_t c = s.front().unicode();
        if (c >= 128) {
            m_quickFilter = false;
            return;
        }
        if (!IsQuickStart(c)) {
            m_quickStartCount = m_quickStartCount < 4 && m_quickStartCount >= 0 ? m_quickStartCount + 1 : -1;
            if (m_quickStartCount > 0)
                m_quickStartChars[m_quickStartCount - 1] = c;
        }
        m_quickStarts[c >> 6] |= uint64_t(1) << (c & 63);
    };
    const TFountainBracketCollection& br = f->Brackets();
    for (int i = 0; i < br.Count(); ++i) {
        const TFountainBracketItem* item = br.GetBracketItem(i);
        if (item->LeftBracket().isEmpty())
            continue;
        if (item->RightBracket().isEmpty())
            return; // such a pair ends the row's scan: the full scan knows how
        start(item->LeftBracket());
    }
    start(f->Commenter);
    start(f->Quotation);
    start(f->DoubleQuotation);
    if (f->ControlCode)
        start(u"#");
    m_quickHexPrefix = f->HexPrefix.toUpper();
    start(m_quickHexPrefix);
    start(m_quickHexPrefix.toLower());
    m_quick = 1;
}

// The token loop of NextToken/ScanToken for a row without look-ahead, keeping only where each
// token ends and which bracket pair is open.
bool TEditorParser::QuickRowEnd(QStringView row, int& bracketIndex)
{
    if (m_quick == 0)
        PrepareQuick();
    const TEditorFountain* f = EF();
    const TFountainBracketCollection& br = f->Brackets();
    int b = bracketIndex;
    if (m_quick < 0 || b < -1 || b >= br.Count() || (b >= 0 && br.GetBracketItem(b)->RightBracket().isEmpty()))
        return false;
    const char16_t* s = row.utf16();
    const qsizetype n = row.size();
    if (n == 0)
        return true;
    // Nothing in the row can open or close anything: the state goes through unchanged.
    if (b >= 0) {
        if (!row.contains(br.GetBracketItem(b)->RightBracket().front()))
            return true;
    } else if (m_quickFilter && !AnyQuickStart(s, n)) {
        return true;
    }
    auto matchAt = [&](qsizetype p, const QString& t) {
        const qsizetype k = t.size();
        if (k == 0 || n - p < k)
            return false;
        const char16_t* q = reinterpret_cast<const char16_t*>(t.constData());
        for (qsizetype i = 0; i < k; ++i)
            if (s[p + i] != q[i])
                return false;
        return true;
    };
    qsizetype p = 0;
    auto insideBracket = [&] {
        const QString& right = br.GetBracketItem(b)->RightBracket();
        const char16_t first = right.front().unicode();
        while (p < n) {
            const char16_t c = s[p];
            if (c == u'\n' || c == u'\r')
                return;
            if (c == first && matchAt(p, right)) {
                p += right.size();
                b = -1;
                return;
            }
            ++p;
        }
    };
    const QString& q1s = f->Quotation;
    const QString& q2s = f->DoubleQuotation;
    const char16_t q1 = q1s.isEmpty() ? 0 : q1s.front().unicode();
    const char16_t q2 = q2s.isEmpty() ? 0 : q2s.front().unicode();
    while (true) {
        while (p < n && s[p] >= 1 && s[p] <= 32 && s[p] != 9)
            ++p;
        if (p >= n)
            break;
        if (b >= 0) {
            insideBracket();
            continue;
        }
        bool opened = false;
        for (int i = 0; i < br.Count() && !opened && (!m_quickFilter || IsQuickStart(s[p])); ++i) {
            const QString& left = br.GetBracketItem(i)->LeftBracket();
            if (matchAt(p, left)) {
                b = i;
                p += left.size();
                opened = true;
            }
        }
        if (opened) {
            insideBracket();
            continue;
        }
        const char16_t c = s[p];
        if (m_quickFilter && (c >= 128 || !(m_quickStarts[c >> 6] >> (c & 63) & 1)))
            goto unit; // nothing but a plain token starts here
        if (matchAt(p, f->Commenter)) {
            p += f->Commenter.size();
            while (p < n && s[p] != u'\n' && s[p] != u'\r')
                ++p;
            continue;
        }
        if ((!q1s.isEmpty() && c == q1) || (!q2s.isEmpty() && c == q2)) {
            ++p;
            if (q1s.isEmpty() || q2s.isEmpty())
                break; // the string token is the end of the row's scan
            auto inSet = [&](char16_t x) { return (x == q1 && q1 <= 0xFF) || (x == q2 && q2 <= 0xFF); };
            while (p < n) {
                const char16_t x = s[p];
                if (x == u'\n' || x == u'\r')
                    break;
                ++p;
                if (inSet(x)) {
                    if (p < n && inSet(s[p])) {
                        ++p;
                        continue;
                    }
                    break;
                }
            }
            continue;
        }
        if (f->ControlCode && n - p >= 2 && c == u'#' && s[p + 1] == u'$') {
            p += 2;
            while (p < n && QHexDigit(s[p]))
                ++p;
            continue;
        }
        if (f->ControlCode && c == u'#') {
            ++p;
            while (p < n && QDigit(s[p]))
                ++p;
            continue;
        }
        if (!m_quickHexPrefix.isEmpty() && n - p >= m_quickHexPrefix.size()) {
            bool hex = true;
            for (qsizetype i = 0; i < m_quickHexPrefix.size() && hex; ++i) {
                char16_t x = s[p + i];
                if (x >= u'a' && x <= u'z')
                    x = char16_t(x - 32);
                hex = x == m_quickHexPrefix.at(i).unicode();
            }
            if (hex) {
                p += m_quickHexPrefix.size();
                while (p < n && QHexDigit(s[p]))
                    ++p;
                continue;
            }
        }
    unit:
        if (c == u'\n' || c == u'\r')
            break; // a line break token ends the scan
        if (QDigit(c)) {
            auto digits = [&] {
                while (p < n && QDigit(s[p]))
                    ++p;
            };
            auto exponent = [&] {
                ++p;
                if (p < n && (s[p] == u'+' || s[p] == u'-'))
                    ++p;
                digits();
            };
            digits();
            if (p < n && s[p] == u'.') {
                ++p;
                if (p < n && QDigit(s[p])) {
                    digits();
                    if (p < n && (s[p] == u'E' || s[p] == u'e'))
                        exponent();
                } else if (p < n && (s[p] == u'E' || s[p] == u'e')) {
                    exponent();
                } else {
                    --p;
                }
            } else if (p < n && (s[p] == u'E' || s[p] == u'e')) {
                exponent();
            }
            continue;
        }
        if (QWordUnit(c)) {
            bool combined = false;
            while (p < n) {
                const char16_t x = s[p];
                if (QWordUnit(x)) {
                    if (combined)
                        break;
                    ++p;
                    continue;
                }
                char32_t cp = x;
                int len = 1;
                if (IsHighSurrogate(x) && p + 1 < n && IsLowSurrogate(s[p + 1])) {
                    cp = (char32_t(x & 0x3FF) << 10 | (s[p + 1] & 0x3FF)) + 0x10000;
                    len = 2;
                }
                if (!IsCombiningChar(cp))
                    break;
                combined = true;
                p += len;
            }
            continue;
        }
        ++p;
        if (c >= 255)
            while (p < n && s[p] >= 0x100)
                ++p;
    }
    bracketIndex = b;
    return true;
}

const TFountainColor* TEditorParser::TokenToFountainColor()
{
    TEditorColors& c = const_cast<TEditorFountain*>(EF())->Colors();
    if (IsReserveWord())
        return &c.Reserve();
    switch (m_token) {
    case tok::toSymbol: return &c.Symbol();
    case tok::toInteger: case tok::toFloat: case tok::toHex: return &c.Int();
    case tok::toBracket:
        if (m_drawBracketIndex >= 0 && m_drawBracketIndex < EF()->Brackets().Count())
            return &EF()->Brackets().GetBracketItem(m_drawBracketIndex)->ItemColor();
        return nullptr;
    case tok::toComment: return &c.Comment();
    case tok::toReserve: return &c.Reserve();
    case tok::toAnk: return &c.Ank();
    case tok::toUrl: return &c.Url();
    case tok::toMail: return &c.Mail();
    case tok::toQuotation: case tok::toControlCode: case tok::toHexControlCode: return &c.Str();
    default:
        if (m_token == tok::toWideChar || (m_token >= 14 && m_token <= 20))
            return &c.DBCS();
        return nullptr;
    }
}

} // namespace qv
