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

    // Carried from line to line.
    bool inLiteral = false;
    bool inName = false;
    bool inComment = false;

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
            if (inComment) {
                // Everything up to and including "*/" goes; the scan resumes after it.
                if (c == u'*' && next == u'/') {
                    inComment = false;
                    pos += 2;
                } else {
                    ++pos;
                }
                continue;
            }
            if (c == u'"' && !inLiteral) {
                inName = !inName;
            } else if (c == u'\'' && !inName) {
                inLiteral = !inLiteral;
            } else if (!inLiteral && !inName) {
                if (c == u'-' && next == u'-')
                    break; // the rest of the line is a comment
                if (c == u'/' && next == u'*') {
                    inComment = true;
                    pos += 2;
                    continue;
                }
                if (c == u';' && cutAtSemicolon) {
                    cut = true;
                    break;
                }
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
