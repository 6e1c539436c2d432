#include "app/sqltext/comments.h"

#include "app/qvstrings.h"

namespace qv {

namespace {

bool isBlank(QChar c)
{
    return c == u'\t' || c == u'\n' || c == u'\r' || c == u' ';
}

bool startsWithWord(const QString& upper, QLatin1String word)
{
    if (!upper.startsWith(word))
        return false;
    return upper.size() == word.size() || isBlank(upper[word.size()]);
}

} // namespace

bool IsRemarkLine(QStringView line)
{
    const QString t = TrimWhiteSpace(line).toUpper();
    return t.isEmpty() || startsWithWord(t, QLatin1String("REM"))
           || startsWithWord(t, QLatin1String("REMARK"));
}

void StripSQLComments(QStringList& lines, bool cutAtSemicolon)
{
    while (!lines.isEmpty() && IsRemarkLine(lines.first()))
        lines.removeFirst();
    while (!lines.isEmpty() && IsRemarkLine(lines.last()))
        lines.removeLast();

    // Carried from line to line: what the scan is inside of, and how deep block comments nest.
    enum class In { Code, Literal, QuotedName, BracketName };
    In in = In::Code;
    int commentDepth = 0;

    for (qsizetype li = 0; li < lines.size(); ++li) {
        const QString line = TrimWhiteSpace(lines[li]);
        const qsizetype n = line.size();
        QString out;
        out.reserve(n);
        bool cut = false;
        qsizetype pos = 0;
        while (pos < n) {
            const QChar c = line[pos];
            const QChar next = pos + 1 < n ? line[pos + 1] : QChar();
            if (commentDepth > 0) {
                // Block comments nest as the server reads them; only the outermost "*/" ends one.
                if (c == u'/' && next == u'*') {
                    ++commentDepth;
                    pos += 2;
                } else if (c == u'*' && next == u'/') {
                    pos += 2;
                    // A comment stands for white space: the text around it must not run together
                    // ("a/**/b", "-/**/-").
                    if (--commentDepth == 0 && !out.isEmpty() && !isBlank(out.back()) && pos < n
                        && !isBlank(line[pos]))
                        out += u' ';
                } else {
                    ++pos;
                }
                continue;
            }
            switch (in) {
            case In::Literal:
                if (c == u'\'')
                    in = In::Code; // a doubled quote closes and reopens
                out += c;
                ++pos;
                continue;
            case In::QuotedName:
                if (c == u'"')
                    in = In::Code;
                out += c;
                ++pos;
                continue;
            case In::BracketName:
                if (c == u']') {
                    if (next == u']') { // "]]" is a bracket inside the name
                        out += c;
                        out += next;
                        pos += 2;
                        continue;
                    }
                    in = In::Code;
                }
                out += c;
                ++pos;
                continue;
            case In::Code:
                break;
            }
            if (c == u'\'') {
                in = In::Literal;
            } else if (c == u'"') {
                in = In::QuotedName;
            } else if (c == u'[') {
                in = In::BracketName;
            } else if (c == u'-' && next == u'-') {
                break; // the rest of the line is a comment
            } else if (c == u'/' && next == u'*') {
                commentDepth = 1;
                pos += 2;
                continue;
            } else if (c == u';' && cutAtSemicolon) {
                cut = true;
                break;
            }
            out += c;
            ++pos;
        }
        lines[li] = out;
        if (cut) {
            lines.erase(lines.begin() + li + 1, lines.end());
            return;
        }
    }
}

} // namespace qv
