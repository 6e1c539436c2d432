#pragma once
// Syntax-highlighting framework: the fountain (colours, multi-row bracket pairs, reserved
// words; notifies every editor that uses it) and the table-driven token scanner that parses
// one row at a time from the state stored at the row's start.
#include "editor/color_value.h"
#include "editor/notify.h"
#include "editor/rowattr.h"

#include <QString>
#include <QStringView>
#include <cstdint>
#include <memory>
#include <vector>

namespace qv {

// Colours are 0x00BBGGRR values; clNone is "no colour" (the default colour applies).
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clWhite = 0xFFFFFF;
enum TFontStyle : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = uint8_t;

// Token kinds.
namespace tok {
inline constexpr char16_t toEof = 0, toSymbol = 1, toInteger = 3, toFloat = 4, toBracket = 6,
                          toComment = 7, toReserve = 8, toTab = 9, toAnk = 11, toWideChar = 12,
                          toUrl = 21, toMail = 22, toHex = 23, toSingleQuotation = 24,
                          toDoubleQuotation = 25, toQuotation = 26, toControlCode = 27,
                          toHexControlCode = 28;
}

class TFountainColor : public TNotifyPersistent {
public:
    bool Visible() const { return m_visible; }
    TColor BkColor() const { return m_bkColor; }
    TColor Color() const { return m_color; }
    TFontStyles Style() const { return m_style; }
    void SetVisible(bool v);
    void SetBkColor(TColor v);
    void SetColor(TColor v);
    void SetStyle(TFontStyles v);
    // Copies the four values, then notifies once.
    virtual void Assign(const TFountainColor& src);

private:
    bool m_visible = false;
    TColor m_bkColor = clNone;
    TColor m_color = clNone;
    TFontStyles m_style = 0;
};

class TFountainBracketCollection;

class TFountainBracketItem : public TPersistent {
public:
    explicit TFountainBracketItem(TFountainBracketCollection* owner);
    TFountainColor& ItemColor() { return m_itemColor; }
    const TFountainColor& ItemColor() const { return m_itemColor; }
    void SetItemColor(const TFountainColor& c) { m_itemColor.Assign(c); }
    const QString& LeftBracket() const { return m_left; }
    const QString& RightBracket() const { return m_right; }
    void SetLeftBracket(const QString& s);
    void SetRightBracket(const QString& s);
    void Assign(const TFountainBracketItem& src);

private:
    TFountainBracketCollection* m_owner;
    TFountainColor m_itemColor;
    QString m_left, m_right;
};

// At most 14 bracket pairs: a row stores the open pair in four bits.
class TFountainBracketCollection : public TNotifyCollection {
public:
    static constexpr int MaxItems = 14;
    explicit TFountainBracketCollection(TPersistent* owner) : TNotifyCollection(owner) {}
    int Count() const { return int(m_items.size()); }
    // Raises when 14 items are there already.
    TFountainBracketItem* Add();
    TFountainBracketItem* GetBracketItem(int index) const { return m_items.at(size_t(index)).get(); }
    void SetBracketItem(int index, const TFountainBracketItem& value) { GetBracketItem(index)->Assign(value); }
    void Clear();
    void Assign(const TFountainBracketCollection& src);

private:
    std::vector<std::unique_ptr<TFountainBracketItem>> m_items;
};

class TFountainParser;

// A case-insensitive word set for the reserved words (fast look-up from a view).
class TReservedWordSet {
public:
    void Assign(const QStringList& words);
    bool Contains(QStringView word) const;
    bool IsEmpty() const { return m_sorted.isEmpty(); }
    // The list in sorted order (case-insensitive, no duplicates).
    const QStringList& Words() const { return m_sorted; }

private:
    static QString Fold(QStringView s);
    QStringList m_sorted;
    QSet<QString> m_folded;
};

class TFountain : public TFileExtComponent {
public:
    TFountain();
    ~TFountain() override;

    TNotifyEventList& NotifyEventList() { return *m_notifyEventList; }
    TFountainBracketCollection& Brackets() { return *m_brackets; }
    const TFountainBracketCollection& Brackets() const { return *m_brackets; }
    void SetBrackets(const TFountainBracketCollection& b) { m_brackets->Assign(b); }
    TFountainColor& Reserve() { return *m_reserve; }
    const TFountainColor& Reserve() const { return *m_reserve; }
    void SetReserve(const TFountainColor& c) { m_reserve->Assign(c); }
    const TReservedWordSet& ReserveWordList() const { return m_reserveWords; }
    // Copies the words and notifies the listeners.
    void SetReserveWordList(const QStringList& words);

    // A new parser of this fountain's class.
    virtual std::unique_ptr<TFountainParser> CreateParser() const = 0;
    // Whether any colour of the fountain is italic.
    bool HasItalicFontStyle() const;

protected:
    // Two-phase construction: descendants call Init() at the end of their constructor.
    void Init();
    virtual std::unique_ptr<TFountainColor> CreateFountainColor();
    virtual void CreateFountainColors();
    virtual std::unique_ptr<TFountainBracketCollection> CreateBrackets();
    virtual void InitBracketItems() {}
    virtual void InitReserveWordList() {}
    // Every colour of the fountain, for the italic check.
    virtual void CollectColors(std::vector<const TFountainColor*>& out) const;

    std::unique_ptr<TNotifyEventList> m_notifyEventList;
    std::unique_ptr<TFountainBracketCollection> m_brackets;
    std::unique_ptr<TFountainColor> m_reserve;
    TReservedWordSet m_reserveWords;
};

// The row scanner. Feed it a row and the state at the row's start with NewData, then call
// NextToken until toEof.
class TFountainParser {
public:
    using Handler = void (TFountainParser::*)();

    explicit TFountainParser(const TFountain* fountain);
    virtual ~TFountainParser() = default;

    void NewData(QStringView s, const TRowAttributeData& data);
    char16_t NextToken();
    char16_t Token() const { return m_token; }
    int DrawBracketIndex() const { return m_drawBracketIndex; }
    int BracketIndex() const { return m_bracketIndex; }
    int SourcePos() const { return int(m_tokenPtr - m_buffer); }
    int TokenLength() const { return int(m_sourcePtr - m_tokenPtr); }
    QString TokenString() const { return QString(reinterpret_cast<const QChar*>(m_tokenPtr), TokenLength()); }
    QStringView TokenView() const { return QStringView(m_tokenPtr, TokenLength()); }
    QString TokenStringStatsPack() const;
    bool IsStartToken() const { return m_isStartToken; }
    const TFountain* Fountain() const { return m_fountain; }

    // Turns Data, the state at the start of row Index of Strings, into the state at its end.
    void LastTokenBracket(int index, const TRowStrings& strings, TRowAttributeData& data);
    // The open bracket pair at the end of Row, a row that ends its line, from the one at its
    // start, when nothing else carries over from row to row: a scan that keeps no tokens,
    // giving what LastTokenBracket gives. False when this parser has no such scan (or not for
    // this state): the caller parses the row.
    virtual bool QuickRowEnd(QStringView row, int& bracketIndex);

    virtual bool IsReserveWord();
    bool IsReserveWordToken(char16_t& token);
    // The colour of the current token, or nullptr.
    virtual const TFountainColor* TokenToFountainColor() = 0;

    // Kinds whose continuation on the next row needs no unit count / that run to the row end.
    virtual bool InWrappedTokenSet(char16_t kind) const;
    virtual bool InEolTokenSet(char16_t kind) const { return kind == tok::toComment; }

protected:
    // A parser without fountain: only the character tables (the plain token scanner).
    struct TablesOnly {};
    explicit TFountainParser(TablesOnly);
    void InitMethodTable();
    void SetHandler(int unit, Handler h) { m_methodTable[unit] = h; }
    void SetTokenHandler(int kind, Handler h) { m_tokenMethodTable[kind] = h; }

    char16_t Ch(const char16_t* p) const { return p < m_end ? *p : 0; }
    bool AtEnd(const char16_t* p) const { return p >= m_end; }
    bool MatchAt(const char16_t* p, QStringView s) const;

    virtual void SkipBlanks();
    virtual bool IsBracket();
    virtual void BracketProc();
    virtual bool IsMail();
    virtual void MailProc();
    virtual bool IsUrl();
    virtual void UrlProc();
    virtual void ReserveWordProc();
    virtual void NullProc();
    virtual void TabProc();
    virtual void LFProc();
    virtual void CRProc();
    virtual void CommentProc();
    virtual void HexProc();
    virtual void NumberProc();
    virtual void AnkProc();
    virtual void WideCharContinueProc();
    virtual void WideCharProc();
    virtual void SymbolProc();
    virtual void SingleQuotationProc();
    virtual void DoubleQuotationProc();
    virtual void StartTokenProc();
    virtual void ScanToken();
    void CallUnitHandler()
    {
        const char16_t u = Ch(m_p);
        (this->*m_methodTable[u >= 255 ? 255 : u])();
    }

    Handler m_methodTable[256];
    Handler m_tokenMethodTable[256];
    QString m_own; // the scanned text when it had to be joined
    const char16_t* m_buffer = nullptr;
    const char16_t* m_end = nullptr;
    const char16_t* m_sourcePtr = nullptr;
    const char16_t* m_tokenPtr = nullptr;
    const char16_t* m_p = nullptr;
    char16_t m_token = 0;
    int m_bracketIndex = -1;
    int m_drawBracketIndex = -2;
    TRowAttribute m_rowAttribute = raCrlf;
    TRowAttribute m_prevRowAttribute = raCrlf;
    int m_elementIndex = 0;
    int m_remain = 0;
    QString m_dataStr;
    int m_wrappedByte = 0;
    char16_t m_startToken = 0;
    char16_t m_prevToken = 0;
    bool m_isStartToken = false;
    const TFountain* m_fountain = nullptr;

private:
    void QuoteProc(char16_t quote);
};

} // namespace qv
