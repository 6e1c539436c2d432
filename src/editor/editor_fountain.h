#pragma once
// The highlighting every editor of the program uses: a fountain with a colour per token kind
// and switches for comments, string literals, control codes, hex numbers, mail addresses and
// URLs, and its scanner. Also the plain scanner used where no highlighting is wanted.
#include "editor/fountain.h"

namespace qv {

class TEditorColor : public TFountainColor {};

class TEditorFountain;

class TEditorColors : public TNotifyPersistent {
public:
    explicit TEditorColors(TEditorFountain* fountain);
    TEditorColor& Ank() { return m_ank; }
    TEditorColor& Comment() { return m_comment; }
    TEditorColor& DBCS() { return m_dbcs; }
    TEditorColor& Hit() { return m_hit; }
    TEditorColor& Int() { return m_int; }
    TEditorColor& Mail() { return m_mail; }
    TFountainColor& Reserve();
    TEditorColor& Select() { return m_select; }
    TEditorColor& Str() { return m_str; }
    TEditorColor& Symbol() { return m_symbol; }
    TEditorColor& Url() { return m_url; }
    // Copies all eleven colours; listeners hear one change.
    void Assign(TEditorColors& src);
    void Collect(std::vector<const TFountainColor*>& out) const;

private:
    TEditorFountain* m_fountain;
    TEditorColor m_ank, m_comment, m_dbcs, m_hit, m_int, m_mail, m_select, m_str, m_symbol, m_url;
};

class TEditorFountain : public TFountain {
public:
    TEditorFountain();
    TEditorColors& Colors() { return *m_colors; }
    const TEditorColors& Colors() const { return *m_colors; }
    void SetColors(TEditorColors& c) { m_colors->Assign(c); }
    std::unique_ptr<TFountainParser> CreateParser() const override;

    // Plain settings (changing them notifies nobody).
    QString Commenter;
    bool ControlCode = false;
    QString HexPrefix;
    bool Mail = false;
    QString Quotation;
    QString DoubleQuotation;
    bool Url = false;

    // The SQL settings of the program's SQL editors: "--" comments, "'" strings, one
    // "/*" ... "*/" bracket pair coloured like comments, and the reserved words.
    void ApplySqlSyntax(const QStringList& reservedWords);

protected:
    void CollectColors(std::vector<const TFountainColor*>& out) const override;

private:
    std::unique_ptr<TEditorColors> m_colors;
};

class TEditorParser : public TFountainParser {
public:
    explicit TEditorParser(const TEditorFountain* fountain);
    const TFountainColor* TokenToFountainColor() override;
    bool InWrappedTokenSet(char16_t kind) const override;
    bool QuickRowEnd(QStringView row, int& bracketIndex) override;

protected:
    void ScanToken() override;
    virtual bool IsQuotation();
    virtual void QuotationProc();
    virtual bool IsCommenter();
    virtual bool IsHexPrefix();
    virtual bool IsHexControlCode();
    virtual void HexControlCodeProc();
    virtual bool IsControlCode();
    virtual void ControlCodeProc();

private:
    const TEditorFountain* EF() const { return static_cast<const TEditorFountain*>(m_fountain); }
    // The fountain's rules in the form the quick row scan reads (taken on its first call;
    // a parser lives for one pass, the fountain does not change meanwhile).
    void PrepareQuick();
    int m_quick = 0; // 0 not prepared, 1 usable, -1 not for these settings
    bool m_quickFilter = false;       // the first-character filter below applies
    uint64_t m_quickStarts[2] = {0, 0}; // characters below 128 that may start a bracket, comment or string
    char16_t m_quickStartChars[4] = {0, 0, 0, 0}; // the same as a list, when there are at most four
    int m_quickStartCount = 0;                     // -1: more than four
    bool IsQuickStart(char16_t c) const { return c < 128 && (m_quickStarts[c >> 6] >> (c & 63) & 1); }
    bool AnyQuickStart(const char16_t* s, qsizetype n) const;
    QString m_quickHexPrefix;
};

// The plain scanner: base character rules only (no reserved words, brackets or settings).
class TTokenParser : public TFountainParser {
public:
    explicit TTokenParser(const TFountain* = nullptr) : TFountainParser(TablesOnly{}) {}
    const TFountainColor* TokenToFountainColor() override { return nullptr; }
};

} // namespace qv
