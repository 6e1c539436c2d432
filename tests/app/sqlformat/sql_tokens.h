#pragma once
// A T-SQL token reader for tests of the SQL formatter: it tells what a text means. Comments,
// literals (N'…' included) and quoted or bracketed names are kept exactly; words are upper-cased
// (letter case does not change their meaning); compound operators are one token.
#include <QString>
#include <QStringList>

namespace sqlformat_test {

namespace detail {

inline bool WordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'@' || c == u'#' || c == u'$' || c == u'.'
           || c == u':' || c.unicode() >= 0x80;
}

inline bool ExponentStart(const QString& w)
{
    if (w.size() < 2 || (w.back() != u'e' && w.back() != u'E') || !w[0].isDigit())
        return false;
    for (qsizetype i = 0; i + 1 < w.size(); ++i)
        if (!w[i].isDigit() && w[i] != u'.')
            return false;
    return true;
}

// Index after a quoted run that starts at i with quote q and doubles q to escape it.
inline qsizetype QuotedEnd(const QString& t, qsizetype i, QChar close)
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

// Upper case character by character, lone surrogates kept (as the formatter converts words).
inline QString Upper(const QString& w)
{
    QString r = w;
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

} // namespace detail

// The non-blank tokens of T-SQL text.
inline QStringList SqlTokens(const QString& t)
{
    static const char* const kCompound[] = {"<>", "<=", ">=", "!=", "!<", "!>", "+=", "-=",
                                            "*=", "/=", "%=", "&=", "|=", "^=", "->"};
    QStringList tokens;
    qsizetype i = 0;
    const qsizetype n = t.size();
    while (i < n) {
        const QChar c = t[i];
        if (c.isSpace()) {
            ++i;
        } else if (c == u'-' && i + 1 < n && t[i + 1] == u'-') {
            qsizetype j = i;
            while (j < n && t[j] != u'\r' && t[j] != u'\n')
                ++j;
            tokens << t.mid(i, j - i);
            i = j;
        } else if (c == u'/' && i + 1 < n && t[i + 1] == u'*') {
            int depth = 0;
            qsizetype j = i;
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
            tokens << t.mid(i, qMin(j, n) - i);
            i = qMin(j, n);
        } else if (c == u'\'') {
            const qsizetype j = detail::QuotedEnd(t, i, u'\'');
            tokens << t.mid(i, j - i);
            i = j;
        } else if (c == u'"') {
            const qsizetype j = detail::QuotedEnd(t, i, u'"');
            tokens << t.mid(i, j - i);
            i = j;
        } else if (c == u'[') {
            const qsizetype j = detail::QuotedEnd(t, i, u']');
            tokens << t.mid(i, j - i);
            i = j;
        } else if (detail::WordChar(c)) {
            qsizetype j = i;
            while (j < n) {
                if (detail::WordChar(t[j])) {
                    ++j;
                } else if ((t[j] == u'-' || t[j] == u'+') && j + 1 < n && t[j + 1].isDigit()
                           && detail::ExponentStart(t.mid(i, j - i))) {
                    j += 2;
                } else {
                    break;
                }
            }
            QString w = detail::Upper(t.mid(i, j - i));
            if (w == QLatin1String("N") && j < n && t[j] == u'\'') {
                const qsizetype k = detail::QuotedEnd(t, j, u'\'');
                w += t.mid(j, k - j);
                j = k;
            }
            tokens << w;
            i = j;
        } else {
            QString op(c);
            if (i + 1 < n) {
                const QString two = t.mid(i, 2);
                for (const char* k : kCompound)
                    if (two == QLatin1String(k))
                        op = two;
            }
            tokens << op;
            i += op.size();
        }
    }
    return tokens;
}

} // namespace sqlformat_test
