#include "fuzz_targets_helper.h"

#include "app/sqltext/batch_splitter.h"
#include "app/sqltext/comments.h"
#include "app/qvstrings.h"
#include "app/sqltext/parser.h"
#include "platform/textcodec.h"

namespace qvfuzz {

QString TextFromBytes(const QByteArray& bytes)
{
    QString text;
    text.reserve(bytes.size() / 2 + 1);
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
        text += QChar(char16_t(uchar(bytes[i]) | (uchar(bytes[i + 1]) << 8)));
    if (bytes.size() % 2)
        text += QChar(uchar(bytes.back()));
    return text;
}

namespace {

// The tokens of an SQL text as the server reads them, comments dropped: literals, quoted and
// bracketed names (their escapes doubled), words, and every other non-blank character alone.
// Written apart from the stripper so that the two cannot share a mistake.
QStringList SqlTokens(const QString& text)
{
    QStringList tokens;
    const qsizetype n = text.size();
    qsizetype i = 0;
    auto isWord = [](QChar c) {
        return c.isLetterOrNumber() || c == u'_' || c == u'@' || c == u'#' || c == u'$';
    };
    auto quoted = [&](QChar close) {
        const qsizetype start = i++;
        while (i < n) {
            if (text[i] == close) {
                if (i + 1 < n && text[i + 1] == close) {
                    i += 2;
                    continue;
                }
                ++i;
                break;
            }
            ++i;
        }
        tokens << text.mid(start, i - start);
    };
    while (i < n) {
        const QChar c = text[i];
        const QChar next = i + 1 < n ? text[i + 1] : QChar();
        if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r') {
            ++i;
        } else if (c == u'-' && next == u'-') {
            while (i < n && text[i] != u'\n')
                ++i;
        } else if (c == u'/' && next == u'*') {
            int depth = 0;
            while (i < n) {
                if (text[i] == u'/' && i + 1 < n && text[i + 1] == u'*') {
                    ++depth;
                    i += 2;
                } else if (text[i] == u'*' && i + 1 < n && text[i + 1] == u'/') {
                    i += 2;
                    if (--depth == 0)
                        break;
                } else {
                    ++i;
                }
            }
        } else if (c == u'\'') {
            quoted(u'\'');
        } else if (c == u'"') {
            quoted(u'"');
        } else if (c == u'[') {
            quoted(u']');
        } else if (isWord(c)) {
            const qsizetype start = i;
            while (i < n && isWord(text[i]))
                ++i;
            tokens << text.mid(start, i - start);
        } else {
            tokens << QString(c);
            ++i;
        }
    }
    return tokens;
}

} // namespace

QString FuzzStripComments(const QString& text)
{
    const QStringList input = qv::SplitTextLines(text);
    QStringList plain = input;
    qv::StripSQLComments(plain, false);
    QStringList cut = input;
    qv::StripSQLComments(cut, true);
    if (plain.size() > input.size() || cut.size() > plain.size())
        return QStringLiteral("stripping added lines");
    // What the stripper may change besides comments: remark lines at both ends go, and every line
    // is trimmed. Apart from that, the server must read the same tokens before and after.
    QStringList expected = input;
    while (!expected.isEmpty() && qv::IsRemarkLine(expected.first()))
        expected.removeFirst();
    while (!expected.isEmpty() && qv::IsRemarkLine(expected.last()))
        expected.removeLast();
    for (QString& l : expected)
        l = qv::TrimWhiteSpace(l);
    const QStringList want = SqlTokens(expected.join(u'\n'));
    if (SqlTokens(plain.join(u'\n')) != want)
        return QStringLiteral("stripping changed the text outside its comments");
    // Cut at the first semicolon: the tokens up to it, no more and no fewer.
    const qsizetype semi = want.indexOf(QStringLiteral(";"));
    if (SqlTokens(cut.join(u'\n')) != (semi < 0 ? want : want.mid(0, semi)))
        return QStringLiteral("the cut at the semicolon kept the wrong text");
    return {};
}

QString FuzzParser(const QString& text)
{
    for (const QString& message : {QStringLiteral("InternalError"), QString()}) {
        TqvParseList columns, tables, orderBy;
        QStringList where, groupBy, having;
        const QString sentinel = QChar(0xFFFF) + QStringLiteral("unset") + QChar(0xFFFE);
        QString viewName = sentinel;
        try {
            ParseSQLStatement(text, columns, tables, orderBy, where, groupBy, having, message,
                              viewName);
        } catch (const ESQLParseError& e) {
            if (e.message() != message)
                return QStringLiteral("the parse error lost the caller's message");
        }
        for (const QStringList* l : {&where, &groupBy, &having})
            for (const QString& s : *l)
                if (s.isEmpty())
                    return QStringLiteral("an empty entry reached a string list");
        const qsizetype limit = text.size() + 1;
        if (columns.Count() > limit || tables.Count() > limit || orderBy.Count() > limit)
            return QStringLiteral("more items than characters");
        if (viewName == sentinel)
            return QStringLiteral("the view name was not emptied");
    }
    return {};
}

QString FuzzBatchSplitter(const QString& text)
{
    for (qv::GoLineRule rule : {qv::GoLineRule::Trimmed, qv::GoLineRule::Exact}) {
        const auto batches = qv::SplitTextBatches(text, rule);
        if (batches.empty())
            return QStringLiteral("no batch at all");
        qsizetype pos = 0;
        qsizetype line = 0;
        for (const qv::TextBatch& b : batches) {
            if (b.start < pos || b.length < 0 || b.start + b.length > text.size())
                return QStringLiteral("batch outside the text or overlapping");
            if (b.firstLine != line)
                return QStringLiteral("batch lines out of order");
            line = b.firstLine + b.lineCount + (b.goLine >= 0 ? 1 : 0);
            if (b.goLine >= 0 && b.goLine != b.firstLine + b.lineCount)
                return QStringLiteral("go line not right after the batch");
            pos = b.start + b.length;
        }
        if (batches.back().goLine != -1)
            return QStringLiteral("the last batch was ended by a go line");
        // Where the text has no lone CR, the line-list splitter agrees with the text splitter.
        bool loneCr = false;
        for (qsizetype i = 0; i < text.size(); ++i)
            if (text[i] == u'\r' && (i + 1 >= text.size() || text[i + 1] != u'\n'))
                loneCr = true;
        if (!loneCr) {
            const QStringList lines = qv::SplitTextLines(text);
            const auto listBatches = qv::SplitBatches(lines, rule);
            if (listBatches.size() != batches.size())
                return QStringLiteral("line and text splitters disagree");
            for (size_t i = 0; i < batches.size(); ++i) {
                if (listBatches[i].lineCount != batches[i].lineCount)
                    return QStringLiteral("line and text splitters disagree on a batch");
                QString fromText = text.mid(batches[i].start, batches[i].length);
                fromText.remove(u'\r');
                QString fromLines = qv::BatchText(lines, listBatches[i]);
                fromLines.remove(u'\r');
                if (!fromText.endsWith(u'\n') && !fromText.isEmpty())
                    fromText += u'\n';
                if (fromText != fromLines)
                    return QStringLiteral("batch texts differ");
            }
        }
    }
    return {};
}

} // namespace qvfuzz
