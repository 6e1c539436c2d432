#include "editor/editor_fountain.h"
#include "editor/charclass.h"

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
