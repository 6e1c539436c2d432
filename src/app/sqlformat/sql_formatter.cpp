// SQL formatter. One pass over the characters of the caller's text: characters that are
// not delimiters build the current word; each delimiter hands the word and itself to the block
// keywords (outside a statement), the statement keywords, and then to the plain output (outside a
// statement) or to the layout of the current clause (inside one).
//
// Protected text (string literals, double-quoted and bracketed names, block and line comments) is
// copied byte for byte. Only the line end after a line comment is laid out.
#include "app/sqlformat/sql_formatter.h"

#include "app/reserved_words.h"

#include <algorithm>
#include <cstring>
#include <vector>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace qv {

namespace {

enum class Kind { None, Select, Insert, Update, Delete };
enum class Protect { None, Literal, Name, Block, Line };
enum class Join { B, C, D }; // how a word and its delimiter join a pending condition

inline bool IsDelimiter(QChar c)
{
    switch (c.unicode()) {
    case '\t': case '\n': case '\r': case ' ': case '"': case '\'': case '(': case ')':
    case '*': case ',': case '-': case '/': case ';': case '<': case '=': case '>':
        return true;
    default:
        return false;
    }
}

inline bool IsBlank(QChar c) { return c == u' ' || c == u'\t'; }
inline bool IsLineEnd(QChar c) { return c == u'\r' || c == u'\n'; }
inline bool IsSpace(QChar c) { return IsBlank(c) || IsLineEnd(c); }

// Equality with an ASCII keyword, letter case ignored.
bool EqualsCI(QStringView a, QLatin1StringView b)
{
    if (a.size() != b.size())
        return false;
    const char* k = b.data();
    for (qsizetype i = 0; i < a.size(); ++i) {
        char16_t c = a[i].unicode();
        if (c >= u'a' && c <= u'z')
            c = char16_t(c - 32);
        char16_t d = char16_t(static_cast<unsigned char>(k[i]));
        if (d >= u'a' && d <= u'z')
            d = char16_t(d - 32);
        if (c != d)
            return false;
    }
    return true;
}

// The built-in reserved words in an open-addressing table with a cheap hash over their
// upper-cased letters, for a lookup without allocation. The table points at the stored entries
// themselves, so the first call of a process builds it without making a string. Every entry is
// ASCII, so a word with any other character is no reserved word.
class ReservedWords
{
public:
    ReservedWords()
    {
        const char* const* words = DefaultReserveWordTexts();
        for (int i = 0; i < DefaultReserveWordCount; ++i) {
            const char* w = words[i];
            const qsizetype n = qsizetype(std::strlen(w));
            if (n == 0 || n > kMaxLength)
                continue;
            maxLength_ = qMax(maxLength_, n);
            quint32 h = Seed;
            for (qsizetype k = 0; k < n; ++k)
                h = (h ^ Upper(char16_t(uchar(w[k])))) * Prime;
            quint32 slot = h & Mask;
            while (table_[slot] && !(length_[slot] == n && SameUpper(table_[slot], w, n)))
                slot = (slot + 1) & Mask;
            table_[slot] = w;
            length_[slot] = quint8(n);
        }
    }

    bool Contains(QStringView w) const
    {
        const qsizetype n = w.size();
        if (n == 0 || n > maxLength_)
            return false;
        char key[kMaxLength];
        quint32 h = Seed;
        for (qsizetype i = 0; i < n; ++i) {
            const char16_t c = Upper(w[i].unicode());
            if (c >= 0x80)
                return false;
            key[i] = char(c);
            h = (h ^ c) * Prime;
        }
        for (quint32 slot = h & Mask;; slot = (slot + 1) & Mask) {
            const char* e = table_[slot];
            if (!e)
                return false;
            if (length_[slot] == n && SameUpper(e, key, n))
                return true;
        }
    }

private:
    static constexpr char16_t Upper(char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c; }
    static bool SameUpper(const char* a, const char* b, qsizetype n)
    {
        for (qsizetype i = 0; i < n; ++i)
            if (Upper(char16_t(uchar(a[i]))) != Upper(char16_t(uchar(b[i]))))
                return false;
        return true;
    }

    static constexpr quint32 Seed = 2166136261u;
    static constexpr quint32 Prime = 16777619u;
    static constexpr quint32 Mask = 4095;
    static constexpr qsizetype kMaxLength = 64;
    const char* table_[Mask + 1] = {};
    quint8 length_[Mask + 1] = {};
    qsizetype maxLength_ = 0;
};

const ReservedWords& BuiltInReservedWords()
{
    static const ReservedWords words;
    return words;
}

// Text the pass writes piece by piece (its output and the pieces it holds back). Appends are
// inline copies into memory reserved ahead: the pass writes a few characters at a time, and a
// call into the string class for each piece would cost more than the copy. take() hands the text
// over as a QString without copying it.
class TextBuffer
{
public:
    void reserve(qsizetype n)
    {
        if (n > cap_)
            grow(n);
    }
    QChar* data() { return p_; }
    qsizetype capacity() const { return cap_; }
    qsizetype size() const { return len_; }
    bool isEmpty() const { return len_ == 0; }
    QChar back() const { return p_[len_ - 1]; }
    QChar operator[](qsizetype i) const { return p_[i]; }
    bool endsWith(QChar c) const { return len_ > 0 && p_[len_ - 1] == c; }
    QStringView view() const { return QStringView(p_, len_); }
    operator QStringView() const { return view(); }
    void truncate(qsizetype n)
    {
        if (n < len_)
            len_ = qMax<qsizetype>(n, 0);
    }
    void chop(qsizetype n) { truncate(len_ - n); }

    // Room for n more characters at the end; the caller fills all of them.
    QChar* extend(qsizetype n)
    {
        if (len_ + n > cap_)
            grow(len_ + n);
        QChar* d = p_ + len_;
        len_ += n;
        return d;
    }
    TextBuffer& operator+=(QStringView v)
    {
        if (!v.isEmpty())
            std::memcpy(extend(v.size()), v.data(), size_t(v.size()) * sizeof(QChar));
        return *this;
    }
    TextBuffer& operator+=(QChar c)
    {
        *extend(1) = c;
        return *this;
    }
    TextBuffer& operator+=(const char16_t* text) { return *this += QStringView(text); }
    TextBuffer& operator+=(const QString& text) { return *this += QStringView(text); }
    void fill(qsizetype n, QChar c)
    {
        if (n > 0)
            std::fill_n(extend(n), n, c);
    }

    QString take()
    {
        s_.resize(len_);
        QString r = std::move(s_);
        s_ = QString();
        p_ = nullptr;
        cap_ = len_ = 0;
        return r;
    }

private:
    void grow(qsizetype need)
    {
        // The string is kept as long as the room (its characters past len_ are not set), so
        // its memory is ours to write.
        s_.resize(qMax(need, qMax<qsizetype>(cap_ * 2, 64)));
        p_ = s_.data();
        cap_ = s_.size();
    }

    QString s_;
    QChar* p_ = nullptr;
    qsizetype cap_ = 0;
    qsizetype len_ = 0;
};

// Letter case of a word, character by character: a code point keeps its place (no "ß" to "SS"),
// a lone surrogate stays as it is, and bracketed parts ("dbo.[My Table]") are left as typed.
// Writes w.size() characters to d; mode is 0 (upper) or 1 (lower).
void CaseInto(QChar* d, QStringView w, int mode)
{
    const bool upper = mode == 0;
    const QChar* src = w.data();
    const qsizetype n = w.size();
    bool bracket = false;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = src[i].unicode();
        if (bracket) {
            d[i] = src[i];
            if (c == u']') {
                if (i + 1 < n && src[i + 1] == u']') {
                    ++i;
                    d[i] = src[i];
                } else {
                    bracket = false;
                }
            }
        } else if (c < 0x80) {
            if (c == u'[')
                bracket = true;
            d[i] = QChar(upper ? ((c >= u'a' && c <= u'z') ? char16_t(c - 32) : c)
                               : ((c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c));
        } else if (QChar::isHighSurrogate(c) && i + 1 < n && src[i + 1].isLowSurrogate()) {
            const char32_t ucs = QChar::surrogateToUcs4(c, src[i + 1].unicode());
            const char32_t m = upper ? QChar::toUpper(ucs) : QChar::toLower(ucs);
            if (QChar::requiresSurrogates(m)) {
                d[i] = QChar(QChar::highSurrogate(m));
                d[i + 1] = QChar(QChar::lowSurrogate(m));
            } else {
                d[i] = src[i];
                d[i + 1] = src[i + 1];
            }
            ++i;
        } else if (QChar::isSurrogate(c)) {
            d[i] = src[i];
        } else {
            // A letter outside ASCII whose other case is an ASCII letter (dotless ı, long ſ, the
            // Kelvin sign) stays: converted, it would make another word of the name, maybe a
            // reserved word that a second formatting lays out differently.
            const QChar m = upper ? QChar(c).toUpper() : QChar(c).toLower();
            d[i] = m.unicode() < 0x80 ? src[i] : m;
        }
    }
}

void AppendCase(TextBuffer& dst, QStringView w, int mode)
{
    if (mode != 0 && mode != 1)
        dst += w;
    else if (!w.isEmpty())
        CaseInto(dst.extend(w.size()), w, mode);
}

QString ConvertCase(QStringView w, int mode)
{
    if ((mode != 0 && mode != 1) || w.isEmpty())
        return w.toString();
    QString r(w.size(), Qt::Uninitialized);
    CaseInto(r.data(), w, mode);
    return r;
}

// Whether a word can be one of the block or statement keywords: two to nine ASCII letters.
bool MaybeKeyword(QStringView w)
{
    const qsizetype n = w.size();
    if (n < 2 || n > 9)
        return false;
    for (QChar ch : w) {
        const char16_t c = ch.unicode();
        if (!((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')))
            return false;
    }
    return true;
}

// Two characters that must not meet: they would open a comment or run two quoted texts into one.
bool MustSeparate(QChar last, QChar c)
{
    return (last == u'-' && c == u'-') || (last == u'/' && c == u'*') || (last == u'*' && c == u'/')
           || (last == u'\'' && c == u'\'') || (last == u'"' && c == u'"');
}

bool OperatorChar(QChar c)
{
    switch (c.unicode()) {
    case '!': case '<': case '>': case '=': case '+': case '-': case '*': case '/': case '%':
    case '&': case '|': case '^':
        return true;
    default:
        return false;
    }
}

inline bool IsAsciiDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// A character that can be part of a name or a number: a run of these, and nothing else, is read
// as names and numbers. Every other character stands alone (an operator, a dot, …).
inline bool NameOrNumberChar(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') || u == u'_'
           || u == u'@' || u == u'#' || u == u'$' || u == u'.' || u >= 0x80;
}

// How the server reads the end of a text: the last run of name and number characters is read
// from its start as names and numbers. A number begins at a digit, or at a dot before a digit,
// that does not continue a name ("x1e" and "@v1e" are names, "5n" is the number 5 and the name n).
struct TailToken {
    qsizetype start = 0;       // where the last name or number begins
    bool number = false;       // it is a number
    bool bareExponent = false; // a number that ends in its exponent letter ("1e", "2.5E", ".5e")
};

TailToken LastToken(QStringView w)
{
    TailToken t;
    const qsizetype n = w.size();
    qsizetype i = n;
    while (i > 0 && NameOrNumberChar(w[i - 1]))
        --i;
    t.start = i;
    while (i < n) {
        const QChar c = w[i];
        t.start = i;
        t.number = false;
        t.bareExponent = false;
        if (IsAsciiDigit(c) || (c == u'.' && i + 1 < n && IsAsciiDigit(w[i + 1]))) {
            t.number = true;
            while (i < n && IsAsciiDigit(w[i]))
                ++i;
            if (i < n && w[i] == u'.')
                ++i;
            while (i < n && IsAsciiDigit(w[i]))
                ++i;
            if (i < n && (w[i] == u'e' || w[i] == u'E')) {
                ++i;
                t.bareExponent = i == n;
                if (i + 1 < n && w[i] == u'+' && IsAsciiDigit(w[i + 1]))
                    ++i;
                while (i < n && IsAsciiDigit(w[i]))
                    ++i;
            }
        } else if (c == u'.') {
            ++i;
        } else if (c == u'$' && i + 1 < n
                   && (IsAsciiDigit(w[i + 1]) || (w[i + 1] == u'.' && i + 2 < n && IsAsciiDigit(w[i + 2])))) {
            // A money literal: no exponent.
            t.number = true;
            ++i;
            while (i < n && IsAsciiDigit(w[i]))
                ++i;
            if (i < n && w[i] == u'.')
                ++i;
            while (i < n && IsAsciiDigit(w[i]))
                ++i;
        } else {
            // A name: letters, digits and _ @ # $ (and any character beyond ASCII).
            ++i;
            while (i < n && NameOrNumberChar(w[i]) && w[i] != u'.')
                ++i;
        }
    }
    return t;
}

// The word ends in a number with a dangling exponent ("1e", "c+1e", "x%2.5E"): a minus sign
// typed right after it is the exponent's sign.
bool IsExponentStart(QStringView w)
{
    const qsizetype n = w.size();
    if (n < 2 || (w[n - 1] != u'e' && w[n - 1] != u'E'))
        return false;
    return LastToken(w).bareExponent;
}

// The text ends in the name N standing alone, which a quote right after it would make the
// prefix of a Unicode literal.
bool EndsWithLoneN(QStringView w)
{
    if (w.isEmpty() || (w.back() != u'N' && w.back() != u'n'))
        return false;
    const TailToken t = LastToken(w);
    return !t.number && t.start == w.size() - 1;
}

class Formatter
{
public:
    static constexpr int MaxIndent = 1000;

    // The pass reads the caller's text in place (no copy: a first call in a process would pay
    // for the copy's memory page by page). A tab reads as a blank where the pass interprets it
    // (Cur), and the end of the text reads as a carriage return, so the last word is handled
    // like any other and the look-aheads see a line end there.
    Formatter(const QString& text, const TFormatOption& o) : opt_(o), in_(text)
    {
        opt_.Indent = qBound(-MaxIndent, opt_.Indent, MaxIndent);
        n_ = in_.size();
        buf_ = in_.constData();
        // The output is reserved once, and for a long text its pages are made present in one
        // request rather than one fault at a time as the pass first writes them. A long text's
        // output is reserved at least 4 MB wide, so that whole 2 MB blocks lie inside it, and
        // asked to be backed by huge pages where the system offers them (one fault per 2 MB).
        const qsizetype want = n_ + n_ / 2 + 64;
        out_.reserve(n_ + n_ / 8 >= kLongText ? qMax(want, qsizetype(2) * 1024 * 1024) : want);
        Prefault(out_, n_ + n_ / 8);
        pending_.reserve(256);
        // A word is never longer than the text: reserved that wide (only what is written is ever
        // touched), the keyword copy never moves while a rule reads it.
        word_.reserve(n_ + 16);
        kw_.reserve(n_ + 16);
        pad_.reserve(32);
    }

    static constexpr qsizetype kLongText = 128 * 1024; // characters

    static void Prefault(TextBuffer& s, qsizetype chars)
    {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
        if (chars < kLongText)
            return;
        const quintptr page = 4096;
        const quintptr b = reinterpret_cast<quintptr>(s.data());
#if defined(MADV_HUGEPAGE)
        {
            // From the start of the allocation's first page (the allocator's own header shares
            // it), so that a 2 MB block beginning there can be a huge page too.
            const quintptr start = b & ~(page - 1);
            const quintptr end = (b + quintptr(s.capacity()) * sizeof(QChar)) & ~(page - 1);
            if (end > start)
                madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE); // a hint: errors do not matter
        }
#endif
        const quintptr from = (b + page - 1) & ~(page - 1);
        const quintptr to = (b + quintptr(qMin(chars, s.capacity())) * sizeof(QChar)) & ~(page - 1);
        if (to > from)
            madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE); // a hint: errors do not matter
#else
        Q_UNUSED(s);
        Q_UNUSED(chars);
#endif
    }

    QString Run()
    {
        for (pos_ = 0; pos_ < n_; ++pos_) {
            if (pos_ == skipAt_ && word_.isEmpty())
                continue;
            if (prot_ != Protect::None) {
                if (Protected())
                    continue;
            }
            const QChar c = Cur();
            if (c == u'[') {
                TakeBracketName();
                continue;
            }
            if (!IsDelimiter(c)) {
                if (word_.isEmpty())
                    wordStart_ = pos_;
                qsizetype j = pos_ + 1;
                while (j < n_ && !IsDelimiter(buf_[j]) && buf_[j] != u'[')
                    ++j;
                word_ += QStringView(in_).mid(pos_, j - pos_);
                pos_ = j - 1;
                continue;
            }
            if (c == u'-' && pos_ + 1 < n_ && IsAsciiDigit(buf_[pos_ + 1]) && IsExponentStart(word_)) {
                word_ += c;
                continue;
            }
            Delimiter();
            word_.truncate(0);
        }
        if (!word_.isEmpty() && prot_ == Protect::None) {
            pos_ = n_;
            atEnd_ = true;
            Delimiter();
            word_.truncate(0);
        }
        Flush();
        // A name GO on the last line would read as a batch separator there too (unless it is
        // part of a bracketed name that the text never closed).
        if (!unclosedBracket_)
            JoinNameGoToLineAbove();
        return out_.take();
    }

private:
    // ---- small helpers ----------------------------------------------------------------------

    QChar At(qsizetype i) const
    {
        return i >= 0 && i < n_ ? buf_[i] : (i == n_ ? QChar(u'\r') : QChar());
    }

    // The character at the pass's position as the pass interprets it: a tab is a blank, the end
    // of the text a carriage return.
    QChar Cur() const
    {
        if (pos_ >= n_)
            return QChar(u'\r');
        const QChar c = buf_[pos_];
        return c == u'\t' ? QChar(u' ') : c;
    }

    // The blanks of the current indentation. Deep nesting (or an unchecked Indent value from
    // the settings) is capped so that no line start grows without bound.
    QString IndentString() const
    {
        return indentation_ > 0 ? QString(qMin<qsizetype>(indentation_, MaxIndent), u' ') : QString();
    }

    void LineBreak()
    {
        Put(u"\r\n");
        lineStart_ = OutputLineBlank();
        indentWritten_ = false;
    }

    // The output's current line holds nothing but blanks.
    bool OutputLineBlank() const
    {
        qsizetype i = out_.size();
        while (i > 0 && out_[i - 1] == u' ')
            --i;
        return i == 0 || IsLineEnd(out_[i - 1]);
    }

    void ClearFlags()
    {
        lineStart_ = false;
        indentWritten_ = false;
    }

    void WriteIndentOnce()
    {
        if (!indentWritten_) {
            PutIndent();
            indentWritten_ = true;
        }
    }

    QString Case(QStringView w) const { return ConvertCase(w, opt_.ReserveTrans); }

    // Appends Convert(w) to dst.
    void AppendConvert(TextBuffer& dst, QStringView w) const
    {
        if (w.isEmpty() || prot_ != Protect::None)
            dst += w;
        else if (BuiltInReservedWords().Contains(w))
            AppendCase(dst, w, opt_.ReserveTrans);
        else
            AppendCase(dst, w, opt_.ItemTrans);
    }

    void SetWord(const QString& w)
    {
        word_.truncate(0);
        word_ += w;
    }

    void PutConverted(QStringView w)
    {
        if (w.isEmpty())
            return;
        if (commentOpen_) {
            commentOpen_ = false;
            out_ += u"\r\n";
            out_ += IndentString();
        }
        keywordBlank_ = false;
        lineStart_ = false;
        goHeld_ = false;
        AppendConvert(out_, w);
    }

    QString Convert(QStringView w) const
    {
        if (w.isEmpty() || prot_ != Protect::None)
            return w.toString();
        if (BuiltInReservedWords().Contains(w))
            return Case(w);
        return ConvertCase(w, opt_.ItemTrans);
    }

    void Flush()
    {
        if (!pending_.isEmpty()) {
            Put(pending_.view());
            pending_.truncate(0);
            lineStart_ = false;
            indentWritten_ = false;
        }
    }

    // Every write to the output goes through here. Text that would follow a line comment on its
    // line is moved to the next line, so it never becomes part of the comment.
    //
    // The line-start flag never stays on once text other than blanks is on the line: a keyword
    // that begins its line only when it is not at line start would otherwise run into that text.
    //
    // A word GO alone on its line reads as a batch separator. A GO that was a name in the text
    // (any GO the separator rule did not write) therefore never ends its line: a blank stands in
    // for the line break, and what follows stays on GO's line.
    void Put(QStringView text)
    {
        keywordBlank_ = false;
        if (commentOpen_) {
            if (text.isEmpty())
                return;
            commentOpen_ = false;
            if (!IsLineEnd(text.front())) {
                out_ += u"\r\n";
                out_ += IndentString();
            }
        }
        bool inBracket = false;
        for (;;) {
            if (goHeld_) {
                // One blank between the held GO and what follows it (so a second run writes the
                // same): the blanks of indentation and alignment are left out.
                while (!text.isEmpty() && IsBlank(text.front()) && !out_.isEmpty() && IsBlank(out_.back()))
                    text = text.mid(1);
            }
            // The next line end outside a bracketed name (those are copied as they stand).
            qsizetype b = 0;
            for (; b < text.size(); ++b) {
                if (inBracket) {
                    if (text[b] == u']') {
                        if (b + 1 < text.size() && text[b + 1] == u']')
                            ++b;
                        else
                            inBracket = false;
                    }
                } else if (text[b] == u'[') {
                    inBracket = true;
                } else if (IsLineEnd(text[b])) {
                    break;
                }
            }
            out_ += text.left(b);
            for (qsizetype i = 0; i < b && goHeld_; ++i)
                if (!IsBlank(text[i]))
                    goHeld_ = false;
            if (b == text.size())
                break;
            const qsizetype k = (text[b] == u'\r' && b + 1 < text.size() && text[b + 1] == u'\n') ? 2 : 1;
            if (NameGoAlone()) {
                while (IsBlank(out_.back()))
                    out_.chop(1);
                out_ += u' ';
                goHeld_ = true;
            } else {
                out_ += text.mid(b, k);
                goHeld_ = false;
            }
            text = text.mid(b + k);
        }
        if (lineStart_ && !OutputLineBlank())
            lineStart_ = false;
    }

    // Comment text copied as it stands: its lines are lines of the input.
    void PutVerbatim(QStringView text)
    {
        Put(QStringView());
        out_ += text;
        lineStart_ = false;
        goHeld_ = false;
    }

    // The output's current line is a name GO alone (blanks around it allowed).
    bool NameGoAlone() const
    {
        qsizetype i = out_.size();
        while (i > 0 && IsBlank(out_[i - 1]))
            --i;
        if (i < 2 || i == separatorGoEnd_ || i <= protectedEnd_
            || !EqualsCI(out_.view().mid(i - 2, 2), QLatin1StringView("GO")))
            return false;
        qsizetype j = i - 2;
        while (j > 0 && IsBlank(out_[j - 1]))
            --j;
        return j == 0 || IsLineEnd(out_[j - 1]);
    }

    // Before a line break that must be written (the one before a batch separator): a name GO
    // alone on the current line moves to the end of the line before, where that line can take
    // it (it has text, and no line comment that would swallow the GO).
    void JoinNameGoToLineAbove()
    {
        if (!NameGoAlone())
            return;
        qsizetype i = out_.size();
        while (i > 0 && IsBlank(out_[i - 1]))
            --i;
        qsizetype j = i - 2;
        while (j > 0 && IsBlank(out_[j - 1]))
            --j;
        qsizetype e = j; // the line end before GO
        if (e > 0 && out_[e - 1] == u'\n')
            --e;
        if (e > 0 && out_[e - 1] == u'\r')
            --e;
        qsizetype s = e;
        while (s > 0 && !IsLineEnd(out_[s - 1]))
            --s;
        const QStringView above = out_.view().mid(s, e - s);
        if (e <= protectedEnd_ || above.trimmed().isEmpty() || above.contains(QLatin1StringView("--"))
            || e == separatorGoEnd_)
            return;
        const QString go = out_.view().mid(i - 2, 2).toString();
        out_.truncate(e);
        out_ += u' ';
        out_ += go;
    }
    void PutKeyword(QStringView text)
    {
        Put(text);
        keywordBlank_ = text.endsWith(u' ');
    }
    void Put(QChar c) { Put(QStringView(&c, 1)); }
    void Put(const QString& text) { Put(QStringView(text)); }
    void Put(const char16_t* text) { Put(QStringView(text)); }

    bool OutEndsWith(QChar c) const { return !out_.isEmpty() && out_.back() == c; }

    // Only blanks come before a line end (or the end of the text) from position i on.
    bool LineEndsAhead(qsizetype i) const
    {
        while (i < n_ && IsBlank(buf_[i]))
            ++i;
        return i >= n_ || IsLineEnd(buf_[i]);
    }

    // The first position at or after i that is no blank, tab or line break. The last run found is
    // remembered: the look-aheads of every line end in a long run of empty lines then cost
    // nothing, and the pass stays linear.
    qsizetype SkipSpace(qsizetype i) const
    {
        if (i >= spaceFrom_ && i <= spaceTo_)
            return spaceTo_;
        const qsizetype from = i;
        while (i < n_ && IsSpace(buf_[i]))
            ++i;
        spaceFrom_ = from;
        spaceTo_ = i;
        return i;
    }

    // The word that begins at i, up to the next delimiter as the pass reads it, so that a keyword
    // typed against a parenthesis ("VALUES(") is seen the same as one followed by a blank.
    QStringView TokenAt(qsizetype i) const
    {
        qsizetype j = i;
        while (j < n_ && !IsDelimiter(buf_[j]))
            ++j;
        return QStringView(in_).mid(i, j - i);
    }

    // A clause keyword comes ahead: after blanks and line breaks, a word that will start a new
    // line when its turn comes (SELECT, FROM, WHERE, GROUP BY, ORDER BY, HAVING, the join words,
    // INSERT INTO, VALUES, UPDATE, SET, DELETE, UNION, FOR, and AND or OR where they begin a
    // line), or, in an INSERT column list, its parenthesis. Words that will not break in the
    // current statement do not count, so the blank before them is kept.
    bool ClauseKeywordAhead(qsizetype from) const
    {
        const qsizetype i = SkipSpace(from);
        if (i >= n_)
            return false;
        if (state_ == 3 && buf_[i] == u'(')
            return true;
        const QStringView t = TokenAt(i);
        if (t.size() < 2 || t.size() > 6)
            return false;
        auto is = [t](const char* k) { return EqualsCI(t, QLatin1StringView(k)); };
        const qsizetype after = i + t.size();
        // A parenthesis after the word, also on a later line, makes it a function (LEFT(…),
        // UPDATE(…)): the layout may put a line break between them.
        const QChar next = At(SkipSpace(after));
        const bool sel = kind_ == Kind::Select;
        if (is("SELECT") || is("WHERE") || is("DELETE") || is("UNION"))
            return true;
        if (is("FROM"))
            return sel || kind_ == Kind::Delete;
        if (is("GROUP") || is("ORDER"))
            return sel && NextWordIs(after, QLatin1StringView("BY"));
        if (is("HAVING") || is("JOIN"))
            return sel;
        if (is("RIGHT") || is("LEFT") || is("INNER") || is("OUTER"))
            return sel && next != u'(';
        if (is("ON"))
            return join_;
        if (is("INSERT"))
            return NextWordIs(after, QLatin1StringView("INTO"));
        if (is("VALUES"))
            return kind_ == Kind::Insert;
        if (is("UPDATE"))
            return next != u'(';
        if (is("SET"))
            return kind_ == Kind::Update;
        if (is("FOR"))
            return sel || kind_ == Kind::Update;
        if (opt_.AndPos == 0 && opt_.ItemReturn == 0 && !paren_ && !between_ && kind_ != Kind::None) {
            if (is("AND"))
                return true;
            if (is("OR"))
                return sel || kind_ == Kind::Update || kind_ == Kind::Delete || state_ == 6 || state_ == 8;
        }
        return false;
    }

    bool CommaAhead(qsizetype from) const
    {
        const qsizetype i = SkipSpace(from);
        return i < n_ && buf_[i] == u',';
    }

    bool CommentAhead(qsizetype from) const
    {
        const qsizetype i = SkipSpace(from);
        return i + 1 < n_ && ((buf_[i] == u'-' && buf_[i + 1] == u'-') || (buf_[i] == u'/' && buf_[i + 1] == u'*'));
    }

    // The next word, after blanks and line breaks (and semicolons when asked), is w.
    bool NextWordIs(qsizetype from, QLatin1StringView w, bool overSemicolons = false) const
    {
        qsizetype i = SkipSpace(from);
        while (overSemicolons && i < n_ && (IsSpace(buf_[i]) || buf_[i] == u';'))
            ++i;
        return EqualsCI(TokenAt(i), w);
    }

    // A "/" alone on its line: a line feed before it, a line end or the end of the text after it.
    bool SlashAlone(qsizetype i) const
    {
        return i < n_ && buf_[i] == u'/' && i > 0 && buf_[i - 1] == u'\n'
               && (i + 1 >= n_ || IsLineEnd(buf_[i + 1]));
    }

    bool OutTrimmedEndsWith(QLatin1StringView w) const
    {
        qsizetype e = out_.size();
        while (e > 0 && IsSpace(out_[e - 1]))
            --e;
        return e >= w.size() && EqualsCI(out_.view().mid(e - w.size(), w.size()), w);
    }

    // Writes the padded keyword of w in the letter case `mode` (see Case and Convert).
    void PutPadded(QStringView w, int mode)
    {
        const bool blank = w.trimmed().isEmpty();
        pad_.truncate(0);
        if ((state_ == 7 || state_ == 9) && (opt_.ReservePos == 0 || blank)) {
            pad_ += u' ';
            AppendCase(pad_, w, mode);
        } else if (w.size() <= 6 && opt_.ReservePos == 0) {
            pad_.fill(6 - w.size(), u' ');
            AppendCase(pad_, w, mode);
        } else {
            AppendCase(pad_, w, mode);
            if (w.size() < 6)
                pad_.fill(6 - pad_.size(), u' ');
        }
        if (!blank)
            pad_ += u' ';
        PutKeyword(pad_.view());
    }
    // The padded keyword of Case(w).
    void PutPaddedCase(QStringView w) { PutPadded(w, opt_.ReserveTrans); }
    // The padded keyword of Convert(w).
    void PutPaddedConvert(QStringView w)
    {
        PutPadded(w, prot_ != Protect::None ? -1
                     : BuiltInReservedWords().Contains(w) ? opt_.ReserveTrans : opt_.ItemTrans);
    }

    int ContinuationWidth() const
    {
        int n = 0;
        switch (state_) {
        case 1: case 2: case 5: case 6: case 8: n = 6; break;
        case 3: case 4: n = 7; break;
        case 7: case 9: n = 8; break;
        default: return 0;
        }
        if (opt_.CommaPos == 1 || ((state_ == 6 || state_ == 8) && opt_.AndPos == 1))
            ++n;
        if ((state_ == 7 || state_ == 9) && opt_.ReservePos == 0)
            ++n;
        return n;
    }

    QString Continuation() const { return QString(ContinuationWidth(), u' '); }

    // Writes n blanks (through Put's rule for text after a line comment).
    void PutBlanks(qsizetype n)
    {
        if (n <= 0)
            return;
        Put(u' ');
        if (!goHeld_)
            out_.fill(n - 1, u' ');
    }
    void PutIndent() { PutBlanks(qMin<qsizetype>(indentation_, MaxIndent)); }
    void PutContinuation() { PutBlanks(ContinuationWidth()); }

    void ClauseBreak()
    {
        if (!lineStart_)
            LineBreak();
        if (!indentWritten_)
            PutIndent();
        ClearFlags();
    }

    void ClauseKeyword(int state, QStringView text)
    {
        Flush();
        state_ = state;
        ClauseBreak();
        PutPaddedCase(text);
        word_.truncate(0);
    }

    // The break written where a line continues a list or a condition after a comment.
    void ContinuationBreak()
    {
        LineBreak();
        PutIndent();
        if (opt_.CommaPos == 0)
            Put(u' ');
        PutContinuation();
    }

    bool ListState() const
    {
        return state_ == 1 || state_ == 3 || state_ == 4 || state_ == 5 || state_ == 7 || state_ == 9;
    }

    // ---- protected text ---------------------------------------------------------------------

    void EmitProtected(QChar c) { EmitProtected(QStringView(&c, 1)); }

    void EmitProtected(QStringView text)
    {
        if (kind_ != Kind::None)
            Flush();
        out_ += text;
        goHeld_ = false;
        commentOpen_ = prot_ == Protect::Line;
        leadingBlank_ = false;
        lineStart_ = false;
        indentWritten_ = false;
        protectedEnd_ = out_.size();
    }

    // Handles the character at pos_ inside protected text. Returns false when the character is to
    // be handled as an ordinary delimiter (a line end that closes a line comment outside a
    // statement).
    bool Protected()
    {
        const QChar c = buf_[pos_]; // a tab in protected text stays a tab
        // A run of characters that end nothing is copied in one piece.
        const auto run = [this](auto special) {
            const qsizetype limit = skipAt_ > pos_ ? skipAt_ : n_;
            qsizetype j = pos_ + 1;
            while (j < limit && !special(buf_[j]))
                ++j;
            EmitProtected(QStringView(buf_ + pos_, j - pos_));
            pos_ = j - 1;
            return true;
        };
        switch (prot_) {
        case Protect::Literal:
        case Protect::Name: {
            const QChar q = prot_ == Protect::Literal ? QChar(u'\'') : QChar(u'"');
            if (c != q)
                return run([q](QChar x) { return x == q; });
            EmitProtected(c);
            if (c == q) {
                if (pos_ + 1 < n_ && buf_[pos_ + 1] == q) {
                    EmitProtected(q);
                    ++pos_;
                } else {
                    prot_ = Protect::None;
                }
            }
            return true;
        }
        case Protect::Block:
            if (c != u'/' && c != u'*')
                return run([](QChar x) { return x == u'/' || x == u'*'; });
            EmitProtected(c);
            if (c == u'/' && At(pos_ + 1) == u'*' && pos_ + 1 < n_) {
                EmitProtected(u'*');
                ++pos_;
                ++blockDepth_;
            } else if (c == u'*' && At(pos_ + 1) == u'/' && pos_ + 1 < n_) {
                EmitProtected(u'/');
                ++pos_;
                if (--blockDepth_ == 0)
                    prot_ = Protect::None;
            }
            return true;
        case Protect::Line:
            if (!IsLineEnd(c))
                return run([](QChar x) { return IsLineEnd(x); });
            if (kind_ == Kind::None) {
                prot_ = Protect::None;
                return false;
            }
            if (c == u'\r' && At(pos_ + 1) == u'\n' && pos_ + 1 < n_)
                return true; // the line feed that follows ends the comment
            prot_ = Protect::None;
            if (!ClauseKeywordAhead(pos_ + 1)
                && !((ListState() || state_ == 2) && opt_.CommaPos == 0 && opt_.ItemReturn == 0
                     && CommaAhead(pos_ + 1))) {
                ContinuationBreak();
                ClearFlags();
            }
            return true;
        case Protect::None:
            break;
        }
        return false;
    }

    void TakeBracketName()
    {
        qsizetype j = pos_ + 1;
        while (j < n_) {
            if (buf_[j] == u']') {
                if (j + 1 < n_ && buf_[j + 1] == u']') {
                    j += 2;
                    continue;
                }
                break;
            }
            ++j;
        }
        unclosedBracket_ = j >= n_;
        const qsizetype end = j < n_ ? j : n_ - 1;
        if (word_.isEmpty())
            wordStart_ = pos_;
        word_ += QStringView(in_).mid(pos_, end - pos_ + 1);
        pos_ = end;
    }

    // End of a block comment that begins at i ("/*"), nested comments counted; the index after it.
    qsizetype BlockCommentEnd(qsizetype i) const
    {
        int depth = 0;
        while (i < n_) {
            if (buf_[i] == u'/' && i + 1 < n_ && buf_[i + 1] == u'*') {
                ++depth;
                i += 2;
            } else if (buf_[i] == u'*' && i + 1 < n_ && buf_[i + 1] == u'/') {
                i += 2;
                if (--depth == 0)
                    return i;
            } else {
                ++i;
            }
        }
        return n_;
    }

    // ---- comment rule -----------------------------------------------------------------------

    enum class Comment { None, Copied, Handled };

    // Copies a comment that begins at from (after blanks) and keeps it at the end of its line.
    Comment CommentRule(qsizetype from)
    {
        qsizetype j = from;
        while (j < n_ && IsBlank(buf_[j]))
            ++j;
        if (j + 1 >= n_)
            return Comment::None;
        if (buf_[j] == u'-' && buf_[j + 1] == u'-') {
            Flush();
            qsizetype k = j;
            while (k < n_ && !IsLineEnd(buf_[k]))
                ++k;
            Put(QStringView(in_).mid(j, k - j));
            commentOpen_ = true;
            protectedEnd_ = out_.size();
            ClearFlags();
            if (k >= n_) {
                pos_ = n_ - 1;
                return Comment::Handled;
            }
            const qsizetype lf = (buf_[k] == u'\r' && At(k + 1) == u'\n' && k + 1 < n_) ? k + 1 : k;
            if (ClauseKeywordAhead(lf + 1)
                || (opt_.CommaPos == 0 && opt_.ItemReturn == 0 && CommaAhead(lf + 1))) {
                // The line end is left to the pass; the keyword or comma that follows breaks it.
                pos_ = k - 1;
                return Comment::Handled;
            }
            ContinuationBreak();
            ClearFlags();
            pos_ = lf;
            return Comment::Handled;
        }
        if (buf_[j] == u'/' && buf_[j + 1] == u'*') {
            Flush();
            const qsizetype k = BlockCommentEnd(j);
            const QStringView text = QStringView(in_).mid(j, k - j);
            PutVerbatim(text);
            protectedEnd_ = out_.size();
            ClearFlags();
            pos_ = k - 1;
            if (k >= n_) {
                prot_ = Protect::None;
                return Comment::Handled;
            }
            bool lineEnd = text.contains(u'\n') || text.contains(u'\r');
            qsizetype m = k;
            while (m < n_ && IsBlank(buf_[m]))
                ++m;
            if (m < n_ && IsLineEnd(buf_[m])) {
                lineEnd = true;
                const qsizetype lf = (buf_[m] == u'\r' && At(m + 1) == u'\n' && m + 1 < n_) ? m + 1 : m;
                if (!ClauseKeywordAhead(lf + 1) && !CommentAhead(lf + 1)
                    && (!CommaAhead(lf + 1) || opt_.CommaPos == 1)) {
                    LineBreak();
                    PutIndent();
                    PutContinuation();
                    ClearFlags();
                    pos_ = lf;
                }
            }
            return lineEnd ? Comment::Handled : Comment::Copied;
        }
        return Comment::None;
    }

    // ---- block keywords (outside a statement) -----------------------------------------------

    void ResetBlockFlags()
    {
        caseIndents_.clear();
        exceptionSection_ = false;
        declareSeen_ = false;
        freshHeader_ = true;
        firstWhen_ = true;
        forPending_ = false;
        whilePending_ = false;
        cursorPending_ = false;
    }

    // The current word follows the word END on the same input line ("END IF", "END LOOP").
    bool FollowsEndOnItsLine() const
    {
        qsizetype i = wordStart_ - 1;
        while (i >= 0 && IsBlank(buf_[i]))
            --i;
        return i >= 2 && EqualsCI(QStringView(in_).mid(i - 2, 3), QLatin1StringView("END"))
               && (i < 3 || IsDelimiter(buf_[i - 3]));
    }

    // BEGIN TRANSACTION and its kin start no block: nothing ends them with END.
    bool BeginsNoBlock() const
    {
        return NextWordIs(pos_, QLatin1StringView("TRAN"))
               || NextWordIs(pos_, QLatin1StringView("TRANSACTION"))
               || NextWordIs(pos_, QLatin1StringView("DISTRIBUTED"))
               || NextWordIs(pos_, QLatin1StringView("DIALOG"))
               || NextWordIs(pos_, QLatin1StringView("CONVERSATION"));
    }

    void LoopTail()
    {
        indentation_ += opt_.Indent;
        if (!LineEndsAhead(pos_)) {
            Put(word_);
            LineBreak();
            word_.truncate(0);
        }
    }

    void BlockKeywords()
    {
        kw_.truncate(0);
        kw_ += word_.view(); // a copy of its own: emptying word_ leaves it as it is
        const TextBuffer& w = kw_;
        const char16_t first = w.isEmpty() ? 0 : (w[0].unicode() & ~char16_t(0x20));
        auto is = [&w, first](const char* k) { return first == char16_t(k[0]) && EqualsCI(w, QLatin1StringView(k)); };
        if (w.isEmpty())
            return;
        if (is("CREATE")) {
            if (!lineStart_)
                LineBreak();
            indentation_ = 0;
            ResetBlockFlags();
        } else if (is("DECLARE")) {
            if (!lineStart_)
                LineBreak();
            if (!freshHeader_) {
                // Further DECLAREs of the same declaration section stay on its level.
                if (declareSeen_)
                    indentation_ -= opt_.Indent;
                WriteIndentOnce();
                indentation_ += opt_.Indent;
            }
            declareSeen_ = true;
            Put(Case(w));
            word_.truncate(0);
            ClearFlags();
            if (!LineEndsAhead(pos_))
                LineBreak();
        } else if ((is("IS") || is("BEGIN")) && (is("BEGIN") || indentation_ == 0)
                   && !(is("BEGIN") && BeginsNoBlock())
                   && !(is("IS") && (NextWordIs(pos_, QLatin1StringView("NULL"))
                                     || NextWordIs(pos_, QLatin1StringView("NOT"))))) {
            // (IS NULL and IS NOT NULL are conditions, not a block header.)
            if (is("IS") && cursorPending_) {
                cursorPending_ = false;
                if (lineStart_)
                    WriteIndentOnce();
                return;
            }
            if (!lineStart_)
                LineBreak();
            if (freshHeader_) {
                indentation_ = 0;
                if (is("BEGIN"))
                    freshHeader_ = false;
            } else if (declareSeen_) {
                indentation_ -= opt_.Indent;
                WriteIndentOnce();
            } else {
                WriteIndentOnce();
            }
            declareSeen_ = false;
            Put(Case(w));
            word_.truncate(0);
            ClearFlags();
            if (!LineEndsAhead(pos_))
                LineBreak();
            indentation_ += opt_.Indent;
        } else if (is("EXCEPTION")) {
            exceptionSection_ = true;
            firstWhen_ = true;
            if (!lineStart_)
                LineBreak();
            indentation_ -= opt_.Indent;
            WriteIndentOnce();
            Put(Case(w));
            word_.truncate(0);
            ClearFlags();
            if (!LineEndsAhead(pos_))
                LineBreak();
            indentation_ += opt_.Indent;
        } else if (is("END") && !caseIndents_.empty()) {
            // The END of a CASE expression goes back to where its CASE stood, however many
            // WHEN … THEN branches indented since.
            if (!lineStart_)
                LineBreak();
            indentation_ = caseIndents_.back();
            caseIndents_.pop_back();
            WriteIndentOnce();
            Put(Case(w));
            word_.truncate(0);
            ClearFlags();
        } else if (is("END")) {
            if (!lineStart_)
                LineBreak();
            indentation_ -= opt_.Indent;
            if (exceptionSection_ && !firstWhen_ && !NextWordIs(pos_, QLatin1StringView("IF"), true)
                && !NextWordIs(pos_, QLatin1StringView("LOOP"), true))
                indentation_ -= opt_.Indent;
            WriteIndentOnce();
            Put(Case(w));
            word_.truncate(0);
            ClearFlags();
        } else if ((is("IF") || is("LOOP")) && OutTrimmedEndsWith(QLatin1StringView("END"))
                   && FollowsEndOnItsLine()) {
            Put(Case(w));
            word_.truncate(0);
            ClearFlags();
            qsizetype j = pos_;
            while (j < n_ && IsBlank(buf_[j]))
                ++j;
            qsizetype rest = pos_;
            if (j < n_ && buf_[j] == u';') {
                // The semicolon goes with the keyword; the pass then skips it.
                Put(u';');
                if (j == pos_)
                    consumed_ = true;
                else
                    skipAt_ = j;
                rest = j + 1;
            }
            if (!LineEndsAhead(rest))
                LineBreak();
        } else if (is("LOOP") && (forPending_ || whilePending_)) {
            forPending_ = false;
            whilePending_ = false;
            if (lineStart_)
                WriteIndentOnce();
            SetWord(Convert(w));
            LoopTail();
        } else if (is("IF") || is("LOOP")) {
            if (!lineStart_)
                LineBreak();
            WriteIndentOnce();
            SetWord(Convert(w));
            if (is("LOOP"))
                LoopTail();
        } else if (is("ELSE") || is("ELSIF")) {
            if (!lineStart_)
                LineBreak();
            indentation_ -= opt_.Indent;
            WriteIndentOnce();
            Put(Case(w));
            word_.truncate(0);
            ClearFlags();
            if (is("ELSE")) {
                if (!LineEndsAhead(pos_))
                    LineBreak();
                indentation_ += opt_.Indent;
            }
        } else if (is("FOR")) {
            forPending_ = true;
        } else if (is("WHILE")) {
            whilePending_ = true;
        } else if (is("CURSOR")) {
            cursorPending_ = true;
        } else if (is("CASE")) {
            if (caseIndents_.size() < 10000)
                caseIndents_.push_back(indentation_);
        } else if (is("THEN")) {
            if (lineStart_)
                WriteIndentOnce();
            Put(Case(w));
            word_.truncate(0);
            ClearFlags();
            indentation_ += opt_.Indent;
            if (!LineEndsAhead(pos_))
                LineBreak();
        } else if (is("WHEN") && exceptionSection_) {
            if (firstWhen_)
                firstWhen_ = false;
            else
                indentation_ -= opt_.Indent;
        }
    }

    // ---- statement keywords -----------------------------------------------------------------

    // A GO line: the word is the first on its line, and only blanks, a repeat count or a comment
    // follow it.
    bool IsGoLine() const
    {
        for (qsizetype i = wordStart_ - 1; i >= 0; --i) {
            if (buf_[i] == u'\n' || buf_[i] == u'\r')
                break;
            if (!IsBlank(buf_[i]))
                return false;
        }
        qsizetype i = pos_;
        while (i < n_ && IsBlank(buf_[i]))
            ++i;
        while (i < n_ && buf_[i].isDigit())
            ++i;
        while (i < n_ && IsBlank(buf_[i]))
            ++i;
        if (i >= n_ || IsLineEnd(buf_[i]))
            return true;
        return i + 1 < n_ && buf_[i] == u'-' && buf_[i + 1] == u'-';
    }

    void StatementKeywords()
    {
        kw_.truncate(0);
        kw_ += word_.view(); // a copy of its own: emptying word_ leaves it as it is
        const TextBuffer& w = kw_;
        if (w.isEmpty())
            return;
        const char16_t first = w.isEmpty() ? 0 : (w[0].unicode() & ~char16_t(0x20));
        auto is = [&w, first](const char* k) { return first == char16_t(k[0]) && EqualsCI(w, QLatin1StringView(k)); };
        const bool sel = kind_ == Kind::Select;

        if (is("SELECT")) {
            Flush();
            state_ = 1;
            if (!out_.isEmpty()) {
                if (!lineStart_)
                    LineBreak();
                WriteIndentOnce();
            }
            ClearFlags();
            PutPaddedCase(w);
            word_.truncate(0);
            paren_ = false;
            kind_ = Kind::Select;
        } else if (is("FROM") && (sel || kind_ == Kind::Delete)) {
            ClauseKeyword(5, w);
        } else if (is("WHERE")) {
            ClauseKeyword(6, w);
            between_ = false;
            pending_.truncate(0);
        } else if (is("AND") || (is("OR") && (sel || kind_ == Kind::Update || kind_ == Kind::Delete))) {
            state_ = 6;
        } else if (is("GROUP") && sel && NextWordIs(pos_, QLatin1StringView("BY"))) {
            ClauseKeyword(7, QStringLiteral("GROUP BY"));
            byPending_ = true;
        } else if (is("ORDER") && sel && NextWordIs(pos_, QLatin1StringView("BY"))) {
            ClauseKeyword(9, QStringLiteral("ORDER BY"));
            byPending_ = true;
        } else if (is("BY") && (sel || kind_ == Kind::Update) && byPending_) {
            byPending_ = false;
            if (state_ == 7 || state_ == 9)
                word_.truncate(0);
        } else if (is("HAVING") && sel) {
            ClauseKeyword(8, w);
        } else if ((is("RIGHT") || is("LEFT") || is("INNER") || is("OUTER")) && sel && !FunctionParenAhead()) {
            Flush();
            if (join_) {
                if (!OutEndsWith(u' '))
                    Put(u' ');
                Put(Case(w));
            } else {
                ClauseBreak();
                PutPaddedCase(w);
            }
            word_.truncate(0);
            join_ = true;
        } else if (is("JOIN") && sel) {
            Flush();
            if (join_) {
                if (!OutEndsWith(u' '))
                    Put(u' ');
                Put(Case(w));
                Put(u' ');
            } else {
                ClauseBreak();
                PutPaddedCase(w);
            }
            word_.truncate(0);
            join_ = false;
        } else if (is("ON") && join_) {
            ClauseKeyword(6, w);
        } else if (is("INSERT") && NextWordIs(pos_, QLatin1StringView("INTO"))) {
            Flush();
            state_ = 3;
            if (!lineStart_)
                LineBreak();
            WriteIndentOnce();
            ClearFlags();
            PutPaddedCase(u"INSERT INTO");
            word_.truncate(0);
            insertParen_ = false;
            kind_ = Kind::Insert;
            intoPending_ = true;
        } else if (is("INTO") && kind_ == Kind::Insert && intoPending_) {
            intoPending_ = false;
            word_.truncate(0);
        } else if (is("VALUES") && kind_ == Kind::Insert) {
            Flush();
            state_ = 4;
            const bool indented = lineStart_ && indentWritten_;
            if (!lineStart_)
                LineBreak();
            ClearFlags();
            if (!indented)
                PutIndent();
            PutPaddedCase(w);
            word_.truncate(0);
            insertParen_ = false;
        } else if (is("UPDATE") && !FunctionParenAhead() && !OutTrimmedEndsWith(QLatin1StringView("FOR"))) {
            StatementStart(5, w);
            kind_ = Kind::Update;
        } else if (is("SET") && kind_ == Kind::Update) {
            StatementStart(2, w);
            pending_.truncate(0);
        } else if (is("DELETE")) {
            StatementStart(5, w);
            kind_ = Kind::Delete;
        } else if (is("UNION")) {
            state_ = 1;
            ClauseKeyword(1, w);
            kind_ = Kind::Select;
        } else if (is("FOR") && (sel || kind_ == Kind::Update)) {
            Flush();
            const bool indented = lineStart_ && indentWritten_;
            if (!lineStart_)
                LineBreak();
            ClearFlags();
            if (!indented)
                PutIndent();
            PutPaddedCase(w);
            word_.truncate(0);
        } else if (is("GO") && IsGoLine()) {
            // A batch separator ends every statement and stands alone on its line.
            Flush();
            JoinNameGoToLineAbove();
            const bool indented = lineStart_ && indentWritten_;
            if (!lineStart_)
                LineBreak();
            ClearFlags();
            if (!indented)
                PutIndent();
            Put(w);
            separatorGoEnd_ = out_.size();
            word_.truncate(0);
            EndStatement();
        }
        if (!word_.isEmpty() && !is("INTO"))
            intoPending_ = false;
        // A join word is followed by the next join word or JOIN; any other word ends the run.
        if (!word_.isEmpty())
            join_ = false;
    }

    // A parenthesis follows the current word, maybe after blanks and line breaks.
    bool FunctionParenAhead() const { return At(SkipSpace(pos_)) == u'('; }

    void StatementStart(int state, QStringView w)
    {
        Flush();
        state_ = state;
        const bool indented = lineStart_ && indentWritten_;
        if (!lineStart_)
            LineBreak();
        ClearFlags();
        if (!indented)
            PutIndent();
        PutPaddedCase(w);
        word_.truncate(0);
    }

    void EndStatement()
    {
        kind_ = Kind::None;
        ClearFlags();
        cursorPending_ = false;
        byPending_ = false;
        intoPending_ = false;
    }

    // ---- plain output (outside a statement) -------------------------------------------------

    void PlainOutput()
    {
        const QChar c = Cur();
        if (!out_.isEmpty() && lineStart_) {
            if (word_.isEmpty() && c == u' ')
                return;
            if (!(word_.isEmpty() && (IsLineEnd(c) || SlashAlone(pos_))))
                WriteIndentOnce();
        }
        if (!word_.isEmpty()) {
            PutConverted(word_);
            indentWritten_ = false;
        }
        if (atEnd_)
            return;
        if (IsSpace(c) && out_.isEmpty())
            return; // nothing before the first text
        if (c == u' ' && word_.isEmpty() && keywordBlank_)
            return; // the keyword just written brought its own blank
        if (c == u' ' && indentWritten_) {
            // a blank right after the indent string
        } else if (c == u'\r') {
            Put(At(pos_ + 1) == u'\n' && pos_ + 1 < n_ ? QStringLiteral("\r") : QStringLiteral("\r\n"));
            if (!(At(pos_ + 1) == u'\n' && pos_ + 1 < n_)) {
                lineStart_ = OutputLineBlank();
                indentWritten_ = false;
                return;
            }
        } else if (c == u'\n') {
            Put(At(pos_ - 1) == u'\r' && OutEndsWith(u'\r') ? QStringLiteral("\n") : QStringLiteral("\r\n"));
        } else {
            Put(c);
        }
        indentWritten_ = false;
        lineStart_ = c == u'\n' && OutputLineBlank();
    }

    // ---- clause layout (inside a statement) -------------------------------------------------

    void ListStep()
    {
        const QChar c = Cur();
        // A closing parenthesis is followed by a blank, except at the end of an input line
        // (formatting the result again then sees the same text).
        if (OutEndsWith(u')') && (!word_.isEmpty() || (!IsLineEnd(c) && !(c == u' ' && leadingBlank_))))
            Put(u' ');
        if (!word_.isEmpty()) {
            // Two words never run together, even where a keyword seen ahead kept the blank out.
            if (!out_.isEmpty() && !IsDelimiter(out_.back()) && out_.size() > protectedEnd_)
                Put(u' ');
            PutConverted(word_);
        }
        if (atEnd_)
            return;
        switch (c.unicode()) {
        case ',': {
            const bool inParen = (state_ == 3 || state_ == 4) ? (paren_ && insertParen_) : paren_;
            if (inParen || opt_.ItemReturn == 1) {
                Put(u", ");
            } else if (opt_.CommaPos == 1) {
                Put(u',');
                if (!CommentAhead(pos_ + 1)) {
                    LineBreak();
                    PutIndent();
                    PutContinuation();
                    ClearFlags();
                }
            } else {
                LineBreak();
                PutIndent();
                PutContinuation();
                ClearFlags();
                Put(u',');
                if (CommentRule(pos_ + 1) != Comment::None)
                    consumed_ = true;
            }
            break;
        }
        case '(':
            if (state_ == 3) {
                LineBreak();
                PutIndent();
                Put(QStringLiteral("       "));
                ClearFlags();
            }
            Put(u'(');
            break;
        case ')':
            Put(u')');
            if (state_ == 3)
                LineBreak();
            break;
        case ' ':
            // Blanks that begin an input line: its line end already decided about a blank.
            if (OutEndsWith(u' ') || OutEndsWith(u',') || OutEndsWith(u'\n')
                || (word_.isEmpty() && leadingBlank_))
                break;
            if (paren_ || (!ClauseKeywordAhead(pos_) && !CommaAhead(pos_)))
                Put(u' ');
            break;
        case '*':
            if (MustSeparate(LastWritten(), c))
                Put(u' ');
            Put(u'*');
            break;
        case ';':
            break;
        case '\r':
            if (At(pos_ + 1) == u'\n' && pos_ + 1 < n_)
                break;
            [[fallthrough]]; // a carriage return alone ends its line like a line feed
        case '\n':
            if (!CommentAhead(pos_ + 1) || lineStart_) {
                if (!OutEndsWith(u' ') && !OutEndsWith(u',') && !OutEndsWith(u'\n') && !CommaAhead(pos_ + 1)
                    && !ClauseKeywordAhead(pos_ + 1))
                    Put(u' ');
            } else {
                ContinuationBreak();
                lineStart_ = OutputLineBlank();
                indentWritten_ = false;
            }
            break;
        default:
            if (CommentRule(pos_) != Comment::None) {
                consumed_ = true;
                break;
            }
            if (SlashAlone(pos_))
                break;
            if (MustSeparate(LastWritten(), c))
                Put(u' ');
            Put(c);
            break;
        }
    }

    // The delimiter at pos_ continues an operator typed right before it ("<>", ">=", "!=", "+=",
    // "=*").
    bool CompoundOperator() const
    {
        const QChar c = Cur();
        const QChar prev = At(pos_ - 1);
        if (c == u'=')
            return OperatorChar(prev);
        if (c == u'>')
            return prev == u'<' || prev == u'!' || prev == u'-';
        if (c == u'<')
            return prev == u'!';
        if (c == u'*')
            return prev == u'='; // the old outer join "=*"
        return false;
    }

    // The delimiter c must not be written right after the last character written: they would
    // open a comment, run two quoted texts together, or form an operator that was typed apart.
    bool MustKeepApart(QChar c) const
    {
        const QChar last = LastWritten();
        if (MustSeparate(last, c))
            return true;
        if (OperatorChar(last) && (c == u'=' || c == u'<' || c == u'>') && !CompoundOperator())
            return true;
        // The name N and a literal typed apart must not become N'…'.
        const QChar before = At(pos_ - 1);
        if (c == u'\'' && (last == u'N' || last == u'n') && before != u'N' && before != u'n') {
            const TextBuffer& tail = pending_.isEmpty() ? out_ : pending_;
            return tail.size() < 2 || EndsWithLoneN(tail);
        }
        return false;
    }

    // The last character of the text written so far, pending text included.
    QChar LastWritten() const
    {
        if (!pending_.isEmpty())
            return pending_.back();
        return out_.isEmpty() ? QChar() : out_.back();
    }

    bool PendingEndsWithOneOf(const char* chars) const
    {
        if (pending_.isEmpty())
            return false;
        const QChar last = pending_.back();
        for (const char* p = chars; *p; ++p)
            if (last == QLatin1Char(*p))
                return true;
        return false;
    }

    void JoinPending(QStringView w, Join v)
    {
        const QChar c = Cur();
        if (!w.isEmpty()) {
            bool blank = !pending_.isEmpty();
            if (!blank && out_.size() > protectedEnd_ && !out_.isEmpty() && !IsDelimiter(out_.back()))
                blank = true; // never glue a word to the one before it
            else if (blank) {
                switch (v) {
                case Join::B: blank = !PendingEndsWithOneOf("();") && !paren_; break;
                case Join::C: blank = !PendingEndsWithOneOf("("); break;
                case Join::D: blank = !PendingEndsWithOneOf("()["); break;
                }
                if (!IsDelimiter(pending_.back()))
                    blank = true; // never glue a word to the one before it
            }
            if (blank)
                pending_ += u' ';
            AppendConvert(pending_, w);
        }
        if (!atEnd_ && !IsSpace(c) && c != u';' && !SlashAlone(pos_)) {
            // No blank before a parenthesis or an opening quote, nor after the N of N'…'.
            const bool excluded = c == u'(' || c == u')' || c == u'\''
                                  || EqualsCI(w, QLatin1StringView("N"));
            if ((!pending_.isEmpty() && !PendingEndsWithOneOf(" (-/<>") && !excluded && !CompoundOperator())
                || MustKeepApart(c))
                pending_ += u' ';
            pending_ += c;
        }
        if (c == u'\n')
            KeepLineBeforeComment();
    }

    // A line break before a comment stays in the pending text, with the item's indentation.
    void KeepLineBeforeComment()
    {
        if (!CommentAhead(pos_ + 1))
            return;
        pending_ += u"\r\n";
        pending_ += IndentString();
        if (opt_.CommaPos == 0)
            pending_ += u' ';
        pending_ += Continuation();
    }

    void ConditionStep()
    {
        kw_.truncate(0);
        kw_ += word_.view(); // a copy of its own: emptying word_ leaves it as it is
        const TextBuffer& w = kw_;
        const bool andOr = EqualsCI(w, QLatin1StringView("AND")) || EqualsCI(w, QLatin1StringView("OR"));
        if (andOr && between_) {
            between_ = false;
            JoinPending(w, Join::B);
        } else if (andOr) {
            Flush();
            if (paren_ || opt_.ItemReturn == 1) {
                if (!OutEndsWith(u' '))
                    Put(u' ');
                Put(Convert(w));
                Put(u' ');
            } else if (opt_.AndPos == 1) {
                if (!OutEndsWith(u' '))
                    Put(u' ');
                Put(Convert(w));
                const Comment r = CommentRule(pos_);
                if (r != Comment::None)
                    consumed_ = true;
                const qsizetype next = pos_ + (consumed_ ? 1 : 0);
                if (r != Comment::Handled && !CommentAhead(next) && !ClauseKeywordAhead(next)) {
                    LineBreak();
                    PutIndent();
                    PutContinuation();
                    ClearFlags();
                }
            } else {
                // The keyword begins its line; a comment after it stays after it.
                LineBreak();
                PutIndent();
                PutPaddedConvert(w);
                ClearFlags();
                if (CommentRule(pos_) != Comment::None)
                    consumed_ = true;
            }
            pending_.truncate(0);
            if (!consumed_)
                JoinPending(QString(), Join::D);
        } else if (EqualsCI(w, QLatin1StringView("BETWEEN"))) {
            between_ = true;
            JoinPending(w, Join::C);
        } else {
            JoinPending(w, Join::D);
        }
    }

    void SetStep()
    {
        const QChar c = Cur();
        if (!word_.isEmpty()) {
            if ((!pending_.isEmpty() && !PendingEndsWithOneOf(" (-/<>"))
                || (pending_.isEmpty() && out_.size() > protectedEnd_ && !out_.isEmpty()
                    && !IsDelimiter(out_.back())))
                pending_ += u' ';
            AppendConvert(pending_, word_);
        }
        if (atEnd_)
            return;
        if (c == u',') {
            Flush();
            if (paren_ || opt_.ItemReturn == 1) {
                Put(u", ");
            } else if (opt_.CommaPos == 1) {
                Put(u',');
                if (!CommentAhead(pos_ + 1)) {
                    LineBreak();
                    PutIndent();
                    PutContinuation();
                    lineStart_ = OutputLineBlank();
                    indentWritten_ = false;
                }
            } else {
                LineBreak();
                PutIndent();
                PutContinuation();
                ClearFlags();
                Put(u',');
                if (CommentRule(pos_ + 1) != Comment::None)
                    consumed_ = true;
            }
        } else if (!IsSpace(c) && c != u';' && !SlashAlone(pos_)) {
            const bool noBlank = c == u'\'' || c == u'"' || c == u'(' || c == u')'
                                 || EqualsCI(word_, QLatin1StringView("N"));
            if ((!pending_.isEmpty() && !pending_.endsWith(u' ') && !noBlank && !CompoundOperator())
                || MustKeepApart(c))
                pending_ += u' ';
            pending_ += c;
        }
        if (c == u'\n')
            KeepLineBeforeComment();
    }

    // ---- one delimiter ----------------------------------------------------------------------

    void Delimiter()
    {
        consumed_ = false;
        const bool hadWord = !word_.isEmpty();
        if (hadWord)
            leadingBlank_ = false; // even when a keyword rule takes the word
        Layout();
        const QChar c = Cur();
        if (consumed_ || hadWord || c != u' ')
            leadingBlank_ = false;
        if (!consumed_ && IsLineEnd(c))
            leadingBlank_ = true;
    }

    void Layout()
    {
        const bool keyword = MaybeKeyword(word_);
        if (kind_ == Kind::None && keyword)
            BlockKeywords();
        if (consumed_)
            return;
        if (keyword) {
            StatementKeywords();
        } else if (!word_.isEmpty()) {
            intoPending_ = false;
            join_ = false;
        }
        if (kind_ == Kind::None) {
            PlainOutput();
        } else {
            switch (state_) {
            case 2: SetStep(); break;
            case 6: case 8: ConditionStep(); break;
            default: ListStep(); break;
            }
        }
        if (atEnd_ || consumed_)
            return;
        const QChar c = Cur();
        // End of a statement.
        if (kind_ != Kind::None) {
            if (c == u';') {
                Flush();
                Put(u';');
                EndStatement();
            } else if (SlashAlone(pos_)) {
                Flush();
                qsizetype e = out_.size();
                while (e > protectedEnd_ && IsSpace(out_[e - 1]))
                    --e;
                out_.truncate(e);
                LineBreak();
                Put(u'/');
                EndStatement();
            }
        }
        // Parenthesis flags.
        if (c == u'(') {
            if ((state_ == 3 || state_ == 4) && !insertParen_)
                insertParen_ = true;
            else
                paren_ = true;
        } else if (c == u')') {
            paren_ = false;
        }
        // Protected text that begins here.
        const QChar next = pos_ + 1 < n_ ? buf_[pos_ + 1] : QChar();
        if (c == u'\'') {
            prot_ = Protect::Literal;
        } else if (c == u'"') {
            prot_ = Protect::Name;
        } else if (c == u'-' && next == u'-') {
            prot_ = Protect::Line;
            ++pos_;
            EmitProtected(u'-');
        } else if (c == u'/' && next == u'*') {
            prot_ = Protect::Block;
            blockDepth_ = 1;
            ++pos_;
            EmitProtected(u'*');
        }
    }

    TFormatOption opt_;
    const QString& in_;
    const QChar* buf_ = nullptr;
    mutable qsizetype spaceFrom_ = -1; // the last run of spaces SkipSpace passed
    mutable qsizetype spaceTo_ = -2;
    qsizetype n_ = 0;
    qsizetype pos_ = 0;
    qsizetype wordStart_ = 0;
    bool atEnd_ = false;
    bool consumed_ = false;
    qsizetype skipAt_ = -1; // a semicolon already written with END IF / END LOOP
    bool leadingBlank_ = false;
    bool commentOpen_ = false; // the output ends inside a line comment
    bool keywordBlank_ = false; // the output ends with a padded keyword and its blank // only blanks since the last line end of the input
    TextBuffer out_;
    TextBuffer word_;
    TextBuffer kw_;  // the keyword being handled (a copy of the word)
    TextBuffer pad_; // a padded keyword being written
    TextBuffer pending_;
    qsizetype protectedEnd_ = 0;
    qsizetype separatorGoEnd_ = -1; // the end of the last GO written as a batch separator
    bool unclosedBracket_ = false; // the text ends inside a bracketed name
    bool goHeld_ = false; // a line break after a name GO was left out: blanks are held to one
    qsizetype indentation_ = 0;
    Kind kind_ = Kind::None;
    int state_ = 0;
    bool lineStart_ = true;
    bool indentWritten_ = false;
    Protect prot_ = Protect::None;
    int blockDepth_ = 0;
    // block flags
    bool exceptionSection_ = false;
    bool declareSeen_ = false;
    bool freshHeader_ = true;
    bool firstWhen_ = true;
    bool forPending_ = false;
    bool whilePending_ = false;
    bool cursorPending_ = false;
    std::vector<qsizetype> caseIndents_; // indentation at each open CASE outside a statement
    // clause flags
    bool join_ = false;
    bool paren_ = false;
    bool insertParen_ = false;
    bool between_ = false;
    bool byPending_ = false;
    bool intoPending_ = false;
};

} // namespace

QString FormatSQLText(const QString& Text, const TFormatOption& options)
{
    return Formatter(Text, options).Run();
}

void FormatSQLText(const QString& Text, QString& Result)
{
    Result = Formatter(Text, FormatOption).Run();
}

} // namespace qv
