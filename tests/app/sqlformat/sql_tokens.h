#pragma once
// A T-SQL token reader for tests of the SQL formatter: it tells what a text means, the way the
// server reads it, and shares no code with the formatter. Blanks, tabs and line breaks separate
// tokens and are not tokens themselves. Comments, literals (N'…' included) and quoted or
// bracketed names are kept exactly; names, keywords and numbers are words, whose letter case
// does not change their meaning; compound operators are one token.
#include <QString>
#include <QStringList>
#include <QStringView>

#include <string>
#include <vector>

namespace sqlformat_test {

enum class TokenKind {
    Word,      // name, keyword, number, money or hexadecimal literal: letter case may change
    NLiteral,  // N'…': the N may change its letter case, the literal may not
    Exact,     // comment, literal, quoted or bracketed name, operator
};

struct Token {
    TokenKind kind = TokenKind::Exact;
    QString text;
    qsizetype start = 0; // offset in the scanned text
};

namespace detail {

inline bool Space(QChar c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }
inline bool Digit(QChar c) { return c >= u'0' && c <= u'9'; }
inline bool HexDigit(QChar c)
{
    return Digit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}
inline bool NameStart(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || u == u'_' || u == u'@' || u == u'#'
           || u >= 0x80;
}
inline bool NamePart(QChar c) { return NameStart(c) || Digit(c) || c == u'$'; }

// Index after a quoted run that starts at i and doubles its closing character to escape it;
// an unclosed run ends with the text.
inline qsizetype QuotedEnd(QStringView t, qsizetype i, QChar close)
{
    qsizetype j = i + 1;
    while (j < t.size()) {
        if (t[j] == close) {
            if (j + 1 < t.size() && t[j + 1] == close) {
                j += 2;
                continue;
            }
            return j + 1;
        }
        ++j;
    }
    return t.size();
}

// Digits, an optional dot, digits.
inline qsizetype DecimalEnd(QStringView t, qsizetype j)
{
    while (j < t.size() && Digit(t[j]))
        ++j;
    if (j < t.size() && t[j] == u'.')
        ++j;
    while (j < t.size() && Digit(t[j]))
        ++j;
    return j;
}

// Upper case character by character (a code point keeps its place), lone surrogates kept.
inline QString Upper(QStringView w)
{
    QString r = w.toString();
    for (qsizetype i = 0; i < r.size(); ++i) {
        const char16_t c = r[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < r.size() && r[i + 1].isLowSurrogate()) {
            const char32_t m = QChar::toUpper(QChar::surrogateToUcs4(c, r[i + 1].unicode()));
            if (QChar::requiresSurrogates(m)) {
                r[i] = QChar(QChar::highSurrogate(m));
                r[i + 1] = QChar(QChar::lowSurrogate(m));
            }
            ++i;
        } else if (!QChar::isSurrogate(c)) {
            r[i] = QChar(c).toUpper();
        }
    }
    return r;
}

inline char32_t CodePointAt(QStringView s, qsizetype i, qsizetype* width)
{
    const char16_t c = s[i].unicode();
    if (QChar::isHighSurrogate(c) && i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
        *width = 2;
        return QChar::surrogateToUcs4(c, s[i + 1].unicode());
    }
    *width = 1;
    return c;
}

} // namespace detail

// The tokens of T-SQL text, in order.
inline std::vector<Token> ScanTokens(QStringView t)
{
    using namespace detail;
    static const char* const kCompound[] = {"<>", "<=", ">=", "!=", "!<", "!>", "+=", "-=", "*=", "/=",
                                            "%=", "&=", "|=", "^=", "=*", "::", "->", "||"};
    std::vector<Token> tokens;
    const qsizetype n = t.size();
    qsizetype i = 0;
    auto add = [&tokens, t](TokenKind kind, qsizetype from, qsizetype to) {
        tokens.push_back({kind, t.mid(from, to - from).toString(), from});
    };
    while (i < n) {
        const QChar c = t[i];
        const QChar next = i + 1 < n ? t[i + 1] : QChar();
        qsizetype j = i + 1;
        TokenKind kind = TokenKind::Exact;
        if (Space(c)) {
            ++i;
            continue;
        }
        if (c == u'-' && next == u'-') {
            while (j < n && t[j] != u'\r' && t[j] != u'\n')
                ++j;
        } else if (c == u'/' && next == u'*') {
            int depth = 0;
            j = i;
            while (j < n) {
                if (t[j] == u'/' && j + 1 < n && t[j + 1] == u'*') {
                    ++depth;
                    j += 2;
                } else if (t[j] == u'*' && j + 1 < n && t[j + 1] == u'/') {
                    j += 2;
                    if (--depth == 0)
                        break;
                } else {
                    ++j;
                }
            }
            j = qMin(j, n);
        } else if (c == u'\'') {
            j = QuotedEnd(t, i, u'\'');
        } else if (c == u'"') {
            j = QuotedEnd(t, i, u'"');
        } else if (c == u'[') {
            j = QuotedEnd(t, i, u']');
        } else if ((c == u'N' || c == u'n') && next == u'\'') {
            kind = TokenKind::NLiteral;
            j = QuotedEnd(t, i + 1, u'\'');
        } else if (c == u'0' && (next == u'x' || next == u'X')) {
            kind = TokenKind::Word;
            j = i + 2;
            while (j < n && HexDigit(t[j]))
                ++j;
        } else if (Digit(c) || (c == u'.' && Digit(next))) {
            // A number: digits, a dot, digits, then an exponent with an optional sign.
            kind = TokenKind::Word;
            j = DecimalEnd(t, i);
            if (j < n && (t[j] == u'e' || t[j] == u'E')) {
                ++j;
                if (j + 1 < n && (t[j] == u'+' || t[j] == u'-') && Digit(t[j + 1]))
                    ++j;
                while (j < n && Digit(t[j]))
                    ++j;
            }
        } else if (c == u'$' && (Digit(next) || (next == u'.' && i + 2 < n && Digit(t[i + 2])))) {
            kind = TokenKind::Word; // money
            j = DecimalEnd(t, i + 1);
        } else if (NameStart(c) || (c == u'$' && NamePart(next))) {
            kind = TokenKind::Word;
            while (j < n && NamePart(t[j]))
                ++j;
        } else {
            for (const char* k : kCompound)
                if (next == QLatin1Char(k[1]) && c == QLatin1Char(k[0]))
                    j = i + 2;
        }
        add(kind, i, j);
        i = j;
    }
    return tokens;
}

// The tokens as text, words upper-cased: two texts mean the same when these lists are equal.
inline QStringList SqlTokens(const QString& t)
{
    QStringList out;
    for (const Token& tok : ScanTokens(t)) {
        switch (tok.kind) {
        case TokenKind::Word: out << detail::Upper(tok.text); break;
        case TokenKind::NLiteral: out << detail::Upper(QStringView(tok.text).left(1)) + tok.text.mid(1); break;
        case TokenKind::Exact: out << tok.text; break;
        }
    }
    return out;
}

// b is a with some characters in upper or lower case instead: each code point of b is that of a,
// or its upper or its lower case.
inline bool SameButLetterCase(QStringView a, QStringView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size();) {
        qsizetype wa = 1, wb = 1;
        const char32_t ca = detail::CodePointAt(a, i, &wa);
        const char32_t cb = detail::CodePointAt(b, i, &wb);
        if (wa != wb)
            return false;
        if (cb != ca && cb != QChar::toUpper(ca) && cb != QChar::toLower(ca))
            return false;
        i += wa;
    }
    return true;
}

// Whether `after` has the tokens of `before`; a word (and the N of N'…') may differ in letter
// case where caseMayChange(word as before) says so. On a difference, `why` says where.
template <typename CaseMayChange>
bool SameTokens(const std::vector<Token>& before, const std::vector<Token>& after, CaseMayChange caseMayChange,
                std::string* why = nullptr)
{
    const size_t n = std::min(before.size(), after.size());
    for (size_t i = 0; i < n; ++i) {
        const Token& a = before[i];
        const Token& b = after[i];
        bool same = a.kind == b.kind;
        if (same) {
            if (a.kind == TokenKind::Exact || !caseMayChange(QStringView(a.text).left(a.kind == TokenKind::Word ? a.text.size() : 1)))
                same = a.text == b.text;
            else if (a.kind == TokenKind::Word)
                same = SameButLetterCase(a.text, b.text);
            else
                same = SameButLetterCase(QStringView(a.text).left(1), QStringView(b.text).left(1))
                       && QStringView(a.text).mid(1) == QStringView(b.text).mid(1);
        }
        if (!same) {
            if (why)
                *why = "token " + std::to_string(i) + ": [" + a.text.toStdString() + "] became ["
                       + b.text.toStdString() + "]";
            return false;
        }
    }
    if (before.size() != after.size()) {
        if (why)
            *why = "token count " + std::to_string(before.size()) + " became " + std::to_string(after.size())
                   + (before.size() > n ? ", lost [" + before[n].text.toStdString() + "]"
                                        : ", added [" + after[n].text.toStdString() + "]");
        return false;
    }
    return true;
}

} // namespace sqlformat_test
