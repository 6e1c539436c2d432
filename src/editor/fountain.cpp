#include "editor/fountain.h"
#include "editor/charclass.h"

namespace qv {

// ---- colours and brackets --------------------------------------------------------------

void TFountainColor::SetVisible(bool v)
{
    SetField(m_visible, v);
}
void TFountainColor::SetBkColor(TColor v)
{
    SetField(m_bkColor, v);
}
void TFountainColor::SetColor(TColor v)
{
    SetField(m_color, v);
}
void TFountainColor::SetStyle(TFontStyles v)
{
    SetField(m_style, v);
}
void TFountainColor::Assign(const TFountainColor& src)
{
    m_visible = src.m_visible;
    m_bkColor = src.m_bkColor;
    m_color = src.m_color;
    m_style = src.m_style;
    Changed();
}

TFountainBracketItem::TFountainBracketItem(TFountainBracketCollection* owner) : m_owner(owner)
{
    if (owner)
        m_itemColor.OnChange = owner->ChangedProcEvent();
}

void TFountainBracketItem::SetLeftBracket(const QString& s)
{
    if (m_left != s) {
        m_left = s;
        if (m_owner)
            m_owner->Changed();
    }
}
void TFountainBracketItem::SetRightBracket(const QString& s)
{
    if (m_right != s) {
        m_right = s;
        if (m_owner)
            m_owner->Changed();
    }
}
void TFountainBracketItem::Assign(const TFountainBracketItem& src)
{
    m_left = src.m_left;
    m_right = src.m_right;
    m_itemColor.Assign(src.m_itemColor);
}

TFountainBracketItem* TFountainBracketCollection::Add()
{
    if (Count() >= MaxItems)
        throw Exception(QStringLiteral("TFountainBracketCollection\r\nYou can not add item over ")
                        + QString::number(MaxItems));
    m_items.push_back(std::make_unique<TFountainBracketItem>(this));
    Changed();
    return m_items.back().get();
}

void TFountainBracketCollection::Clear()
{
    m_items.clear();
    Changed();
}

void TFountainBracketCollection::Assign(const TFountainBracketCollection& src)
{
    if (&src == this)
        return;
    BeginUpdate();
    m_items.clear();
    for (const auto& item : src.m_items)
        Add()->Assign(*item);
    EndUpdate();
}

// ---- reserved words ----------------------------------------------------------------------

QString TReservedWordSet::Fold(QStringView s) { return s.toString().toCaseFolded(); }

void TReservedWordSet::Assign(const QStringList& words)
{
    TSortedStringList sorted;
    sorted.Assign(words);
    m_sorted = sorted.Strings();
    m_folded.clear();
    for (const QString& w : m_sorted)
        m_folded.insert(Fold(w));
}

bool TReservedWordSet::Contains(QStringView word) const
{
    if (m_folded.isEmpty())
        return false;
    return m_folded.contains(Fold(word));
}

// ---- fountain ----------------------------------------------------------------------------

TFountain::TFountain() = default;
TFountain::~TFountain() = default;

void TFountain::Init()
{
    InitComponent();
    m_notifyEventList = std::make_unique<TNotifyEventList>(this);
    m_brackets = CreateBrackets();
    InitBracketItems();
    InitReserveWordList();
    CreateFountainColors();
}

std::unique_ptr<TFountainColor> TFountain::CreateFountainColor()
{
    auto c = std::make_unique<TFountainColor>();
    c->OnChange = m_notifyEventList->ChangedProcEvent();
    return c;
}

void TFountain::CreateFountainColors() { m_reserve = CreateFountainColor(); }

std::unique_ptr<TFountainBracketCollection> TFountain::CreateBrackets()
{
    auto b = std::make_unique<TFountainBracketCollection>(this);
    b->OnChange = m_notifyEventList->ChangedProcEvent();
    return b;
}

void TFountain::SetReserveWordList(const QStringList& words)
{
    m_reserveWords.Assign(words);
    m_notifyEventList->ChangedProc(this);
}

void TFountain::CollectColors(std::vector<const TFountainColor*>& out) const
{
    for (int i = 0; i < m_brackets->Count(); ++i)
        out.push_back(&m_brackets->GetBracketItem(i)->ItemColor());
    out.push_back(m_reserve.get());
}

bool TFountain::HasItalicFontStyle() const
{
    std::vector<const TFountainColor*> colors;
    CollectColors(colors);
    for (const TFountainColor* c : colors)
        if (c && (c->Style() & fsItalic))
            return true;
    return false;
}

// ---- parser ------------------------------------------------------------------------------

namespace {
inline bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
inline bool IsWordUnit(char16_t c)
{
    return IsDigit(c) || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_';
}
inline bool IsHexDigit(char16_t c)
{
    return IsDigit(c) || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
}
bool IsMailChar(char16_t c)
{
    if (IsDigit(c) || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'))
        return true;
    switch (c) {
    case u'!': case u'$': case u'%': case u'&': case u'*': case u',': case u'-': case u'.':
    case u'/': case u';': case u'=': case u'?': case u'@': case u'^': case u'_': case u'~':
        return true;
    default:
        return false;
    }
}
bool IsUrlChar(char16_t c)
{
    if (IsDigit(c) || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'))
        return true;
    switch (c) {
    case u'#': case u'%': case u'&': case u'+': case u'-': case u'.': case u'/': case u':':
    case u'=': case u'?': case u'_': case u'~':
        return true;
    default:
        return false;
    }
}
} // namespace

TFountainParser::TFountainParser(const TFountain* fountain) : m_fountain(fountain)
{
    if (!fountain)
        throw Exception(QStringLiteral("TFountainParser.Create need instance of TFountain"));
    InitMethodTable();
}

TFountainParser::TFountainParser(TablesOnly) { InitMethodTable(); }

void TFountainParser::InitMethodTable()
{
    for (int i = 0; i < 256; ++i) {
        m_methodTable[i] = &TFountainParser::SymbolProc;
        m_tokenMethodTable[i] = &TFountainParser::SymbolProc;
    }
    // A NUL inside the text is an ordinary symbol; the row end is found by position.
    m_methodTable[0] = &TFountainParser::NullProc;
    m_methodTable[9] = &TFountainParser::TabProc;
    m_methodTable[10] = &TFountainParser::LFProc;
    m_methodTable[13] = &TFountainParser::CRProc;
    for (int c = '0'; c <= '9'; ++c)
        m_methodTable[c] = &TFountainParser::NumberProc;
    for (int c = 'A'; c <= 'Z'; ++c)
        m_methodTable[c] = &TFountainParser::AnkProc;
    for (int c = 'a'; c <= 'z'; ++c)
        m_methodTable[c] = &TFountainParser::AnkProc;
    m_methodTable[int('_')] = &TFountainParser::AnkProc;
    m_methodTable[255] = &TFountainParser::WideCharProc;

    m_tokenMethodTable[tok::toInteger] = &TFountainParser::NumberProc;
    m_tokenMethodTable[tok::toFloat] = &TFountainParser::NumberProc;
    m_tokenMethodTable[tok::toBracket] = &TFountainParser::BracketProc;
    m_tokenMethodTable[tok::toComment] = &TFountainParser::CommentProc;
    m_tokenMethodTable[tok::toReserve] = &TFountainParser::ReserveWordProc;
    m_tokenMethodTable[tok::toAnk] = &TFountainParser::AnkProc;
    m_tokenMethodTable[tok::toWideChar] = &TFountainParser::WideCharContinueProc;
    for (int k = 14; k <= 17; ++k)
        m_tokenMethodTable[k] = &TFountainParser::WideCharProc;
    m_tokenMethodTable[tok::toUrl] = &TFountainParser::UrlProc;
    m_tokenMethodTable[tok::toMail] = &TFountainParser::MailProc;
    m_tokenMethodTable[tok::toHex] = &TFountainParser::HexProc;
    m_tokenMethodTable[tok::toSingleQuotation] = &TFountainParser::SingleQuotationProc;
    m_tokenMethodTable[tok::toDoubleQuotation] = &TFountainParser::DoubleQuotationProc;
}

void TFountainParser::NewData(QStringView s, const TRowAttributeData& data)
{
    m_buffer = s.utf16();
    if (!m_buffer) {
        static const char16_t empty = 0;
        m_buffer = &empty;
    }
    m_end = m_buffer + s.size();
    m_sourcePtr = m_tokenPtr = m_p = m_buffer;
    m_drawBracketIndex = -2;
    m_token = tok::toEof;
    m_rowAttribute = data.RowAttribute;
    m_prevRowAttribute = data.PrevRowAttribute;
    m_bracketIndex = data.BracketIndex;
    m_elementIndex = data.ElementIndex;
    m_wrappedByte = data.WrappedByte;
    m_remain = data.Remain;
    m_startToken = data.StartToken;
    m_prevToken = data.PrevToken;
    m_dataStr = data.DataStr;
}

bool TFountainParser::MatchAt(const char16_t* p, QStringView s) const
{
    if (s.isEmpty() || m_end - p < s.size())
        return false;
    return QStringView(p, s.size()) == s;
}

void TFountainParser::SkipBlanks()
{
    while (m_sourcePtr < m_end && *m_sourcePtr >= 1 && *m_sourcePtr <= 32 && *m_sourcePtr != 9)
        ++m_sourcePtr;
}

char16_t TFountainParser::NextToken()
{
    SkipBlanks();
    m_p = m_tokenPtr = m_sourcePtr;
    m_isStartToken = m_startToken != 0;
    if (AtEnd(m_p)) {
        m_token = tok::toEof;
    } else if (m_startToken != 0) {
        StartTokenProc();
    } else if (m_bracketIndex < 0) {
        ScanToken();
    } else {
        BracketProc();
    }
    if (m_p > m_end)
        m_p = m_end;
    m_sourcePtr = m_p;
    return m_token;
}

void TFountainParser::StartTokenProc()
{
    if (m_wrappedByte <= 0) {
        (this->*m_tokenMethodTable[m_startToken >= 255 ? 255 : m_startToken])();
    } else {
        m_token = m_startToken;
        m_p = std::min(m_p + m_wrappedByte, m_end);
        if (m_token == tok::toBracket) {
            m_drawBracketIndex = m_bracketIndex;
            m_bracketIndex = -1;
        }
    }
    m_startToken = 0;
    m_wrappedByte = 0;
}

void TFountainParser::ScanToken()
{
    if (m_bracketIndex == -1 && IsBracket())
        BracketProc();
    else
        CallUnitHandler();
}

bool TFountainParser::IsBracket()
{
    if (!m_fountain)
        return false;
    const TFountainBracketCollection& b = m_fountain->Brackets();
    for (int i = 0; i < b.Count(); ++i) {
        const QString& left = b.GetBracketItem(i)->LeftBracket();
        if (!left.isEmpty() && MatchAt(m_p, left)) {
            m_bracketIndex = i;
            m_p += left.size();
            return true;
        }
    }
    return false;
}

void TFountainParser::BracketProc()
{
    if (!m_fountain || m_bracketIndex < 0 || m_bracketIndex >= m_fountain->Brackets().Count()
        || m_fountain->Brackets().GetBracketItem(m_bracketIndex)->RightBracket().isEmpty()) {
        m_token = tok::toEof;
        return;
    }
    m_token = tok::toBracket;
    m_drawBracketIndex = m_bracketIndex;
    const QString& right = m_fountain->Brackets().GetBracketItem(m_bracketIndex)->RightBracket();
    const char16_t first = right.at(0).unicode();
    while (m_p < m_end) {
        const char16_t c = *m_p;
        if (c == u'\n' || c == u'\r')
            return;
        if (c == first && MatchAt(m_p, right)) {
            m_p += right.size();
            m_bracketIndex = -1;
            return;
        }
        m_p += IsLeadByte(c) ? 2 : 1;
    }
}

bool TFountainParser::IsMail()
{
    const char16_t c = Ch(m_p);
    if (AtEnd(m_p) || !IsMailChar(c) || c == u'@')
        return false;
    bool at = false;
    for (const char16_t* p = m_p; p < m_end && IsMailChar(*p); ++p) {
        if (*p == u'@')
            at = true;
        else if (at && *p == u'.') {
            m_p = p + 1;
            return true;
        }
    }
    return false;
}

void TFountainParser::MailProc()
{
    m_token = tok::toMail;
    while (m_p < m_end && IsMailChar(*m_p))
        ++m_p;
}

bool TFountainParser::IsUrl()
{
    static const QString ftp = QStringLiteral("ftp:"), http = QStringLiteral("http:"),
                         https = QStringLiteral("https:"), www = QStringLiteral("www.");
    const QString* cands[2] = {nullptr, nullptr};
    switch (Ch(m_p)) {
    case u'f': cands[0] = &ftp; break;
    case u'h': cands[0] = &http; cands[1] = &https; break;
    case u'w': cands[0] = &www; break;
    default: return false;
    }
    for (const QString* c : cands) {
        if (c && MatchAt(m_p, *c)) {
            m_p += c->size();
            return true;
        }
    }
    return false;
}

void TFountainParser::UrlProc()
{
    m_token = tok::toUrl;
    while (m_p < m_end && IsUrlChar(*m_p))
        ++m_p;
}

void TFountainParser::ReserveWordProc()
{
    CallUnitHandler();
    m_token = tok::toReserve;
}

void TFountainParser::NullProc()
{
    // Only reached for a NUL inside the text: an ordinary one-unit symbol.
    m_token = tok::toSymbol;
    if (m_p < m_end)
        ++m_p;
}

void TFountainParser::TabProc()
{
    m_token = tok::toTab;
    ++m_p;
}

void TFountainParser::LFProc()
{
    m_token = tok::toEof;
    ++m_p;
}

void TFountainParser::CRProc()
{
    m_token = tok::toEof;
    ++m_p;
    if (Ch(m_p) == u'\n')
        ++m_p;
}

void TFountainParser::CommentProc()
{
    m_token = tok::toComment;
    while (m_p < m_end && *m_p != u'\n' && *m_p != u'\r')
        ++m_p;
}

void TFountainParser::HexProc()
{
    m_token = tok::toHex;
    while (m_p < m_end && IsHexDigit(*m_p))
        ++m_p;
}

void TFountainParser::NumberProc()
{
    m_token = tok::toInteger;
    auto digits = [this] {
        while (m_p < m_end && IsDigit(*m_p))
            ++m_p;
    };
    auto exponent = [&] {
        ++m_p; // the E
        if (Ch(m_p) == u'+' || Ch(m_p) == u'-') {
            ++m_p;
            digits();
        } else {
            digits();
        }
    };
    digits();
    if (Ch(m_p) == u'.' && !AtEnd(m_p)) {
        m_token = tok::toFloat;
        ++m_p;
        const char16_t c = Ch(m_p);
        if (!AtEnd(m_p) && IsDigit(c)) {
            digits();
            if (Ch(m_p) == u'E' || Ch(m_p) == u'e')
                exponent();
        } else if (c == u'E' || c == u'e') {
            exponent();
        } else {
            --m_p; // the dot is not part of the number
        }
    } else if (Ch(m_p) == u'E' || Ch(m_p) == u'e') {
        m_token = tok::toFloat;
        exponent();
    }
}

void TFountainParser::AnkProc()
{
    m_token = tok::toAnk;
    bool combined = false;
    while (m_p < m_end) {
        const char16_t c = *m_p;
        if (IsWordUnit(c)) {
            if (combined)
                break;
            ++m_p;
            continue;
        }
        char32_t cp = c;
        int len = 1;
        if (IsHighSurrogate(c) && m_p + 1 < m_end && IsLowSurrogate(m_p[1])) {
            cp = (char32_t(c & 0x3FF) << 10 | (m_p[1] & 0x3FF)) + 0x10000;
            len = 2;
        }
        if (!IsCombiningChar(cp))
            break;
        combined = true;
        m_p += len;
    }
}

void TFountainParser::WideCharContinueProc()
{
    m_token = tok::toWideChar;
    const char16_t c = Ch(m_p);
    if (AtEnd(m_p))
        return;
    if (c == 0x81 || (c >= 0x84 && c <= 0x87)) {
        m_p = std::min(m_p + 2, m_end);
        return;
    }
    if (c == 0x30FB && m_p + 1 < m_end) {
        const char16_t d = m_p[1];
        if ((d >= 0x97 && d <= 0xF0) || (d >= 0x40 && d <= 0x4E) || (d >= 0x59 && d <= 0x5F)
            || (d >= 0x7A && d <= 0x80) || (d >= 0x9B && d <= 0x9E) || (d >= 0xF2 && d <= 0xFF))
            m_p += 2;
    }
}

void TFountainParser::WideCharProc()
{
    m_token = tok::toWideChar;
    if (m_p < m_end)
        ++m_p;
    while (m_p < m_end && *m_p >= 0x100)
        ++m_p;
}

void TFountainParser::SymbolProc()
{
    m_token = tok::toSymbol;
    if (m_p < m_end && *m_p != u'\n' && *m_p != u'\r')
        ++m_p;
}

void TFountainParser::QuoteProc(char16_t quote)
{
    if (!m_isStartToken && Ch(m_p) == quote)
        ++m_p;
    while (m_p < m_end) {
        const char16_t c = *m_p;
        if (c == u'\n' || c == u'\r')
            return;
        if (c == quote) {
            ++m_p;
            if (Ch(m_p) == quote && !AtEnd(m_p)) {
                ++m_p;
                continue;
            }
            return;
        }
        m_p += IsLeadByte(c) ? 2 : 1;
    }
}

void TFountainParser::SingleQuotationProc()
{
    m_token = tok::toSingleQuotation;
    QuoteProc(u'\'');
}

void TFountainParser::DoubleQuotationProc()
{
    m_token = tok::toDoubleQuotation;
    QuoteProc(u'"');
}

bool TFountainParser::InWrappedTokenSet(char16_t kind) const
{
    return kind == tok::toComment || kind == tok::toSingleQuotation || kind == tok::toDoubleQuotation;
}

bool TFountainParser::IsReserveWord()
{
    if (m_isStartToken || m_token == tok::toEof || m_token == tok::toBracket || m_token == tok::toComment)
        return false;
    if (!m_fountain)
        return false;
    const TReservedWordSet& words = m_fountain->ReserveWordList();
    if (words.IsEmpty())
        return false;
    static const QString phraseMark = QStringLiteral("QVSTS");
    if (words.Words().first().contains(phraseMark))
        return words.Contains(QString(phraseMark + TokenStringStatsPack()));
    return words.Contains(TokenView());
}

bool TFountainParser::IsReserveWordToken(char16_t& token)
{
    if (IsReserveWord()) {
        token = tok::toReserve;
        return true;
    }
    return false;
}

QString TFountainParser::TokenStringStatsPack() const
{
    auto joins = [](char16_t c) {
        return c == u'(' || c == u')' || c == u'-' || (c >= u'1' && c <= u'9') || (c >= u'A' && c <= u'Z')
            || (c >= u'a' && c <= u'z');
    };
    const char16_t* e = m_sourcePtr;
    while (e < m_end) {
        if (joins(*e)) {
            ++e;
        } else if (*e == u' ' && e + 1 < m_end && joins(e[1])) {
            e += 2;
        } else {
            break;
        }
    }
    const char16_t* s = m_tokenPtr;
    while (s > m_buffer && s[-1] != 0)
        --s;
    return QString(reinterpret_cast<const QChar*>(s), e - s);
}

bool TFountainParser::QuickRowEnd(QStringView, int&) { return false; }

void TFountainParser::LastTokenBracket(int index, const TRowStrings& strings, TRowAttributeData& data)
{
    if (InEolTokenSet(data.StartToken)) {
        if (data.RowAttribute != raWrapped)
            data.StartToken = 0;
        data.WrappedByte = 0;
        return;
    }
    QStringView row = strings.RowView(index);
    const int n = int(row.size());
    bool blank = true;
    for (QChar c : row) {
        if (c != u' ') {
            blank = false;
            break;
        }
    }
    if (blank)
        return;
    QStringView s = row;
    const bool lookAhead = data.RowAttribute == raWrapped && index + 1 < strings.Count();
    if (lookAhead) {
        m_own.resize(0);
        m_own.append(row);
        m_own.append(strings.RowView(index + 1));
        s = m_own;
    }
    int b = data.BracketIndex;
    int e0 = data.ElementIndex;
    char16_t k = 0;
    NewData(s, data);
    while (NextToken() != tok::toEof) {
        k = m_token;
        data.BracketIndex = m_bracketIndex;
        if (k == tok::toBracket)
            b = m_drawBracketIndex;
        e0 = m_elementIndex;
        if (SourcePos() + TokenLength() > n)
            break;
        data.ElementIndex = m_elementIndex;
        data.PrevToken = m_prevToken;
    }
    data.WrappedByte = 0;
    data.StartToken = 0;
    const int p = SourcePos();
    const int e = p + TokenLength();
    if (m_token != tok::toEof && p >= n) {
        data.BracketIndex = -1;
        return;
    }
    if (p >= n || e <= n)
        return;
    // The last token straddles the row end.
    data.ElementIndex = e0;
    if (k == tok::toBracket) {
        if (data.BracketIndex == -1) {
            data.BracketIndex = b;
            if (m_fountain && b >= 0 && b < m_fountain->Brackets().Count()
                && m_fountain->Brackets().GetBracketItem(b)->RightBracket().size() > e - n) {
                data.StartToken = tok::toBracket;
                data.WrappedByte = e - n;
            }
        }
        return;
    }
    IsReserveWordToken(k);
    data.StartToken = k;
    if (!InWrappedTokenSet(k)) {
        const bool continuesFurther = e >= int(s.size()) && index + 1 < strings.Count()
            && strings.GetRows(index + 1) == raWrapped;
        if (!continuesFurther)
            data.WrappedByte = e - n;
    }
}

} // namespace qv
