#include "fuzz_targets_helper.h"

#include "app/sqltext/batch_splitter.h"
#include "app/sqltext/comments.h"
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

QString FuzzStripComments(const QString& text)
{
    const QStringList input = qv::SplitTextLines(text);
    qsizetype inputSize = 0;
    for (const QString& l : input)
        inputSize += l.size();
    QStringList plain = input;
    qv::StripSQLComments(plain, false);
    QStringList cut = input;
    qv::StripSQLComments(cut, true);
    qsizetype outSize = 0;
    for (const QString& l : plain)
        outSize += l.size();
    if (outSize > inputSize)
        return QStringLiteral("stripping made the text longer");
    if (plain.size() > input.size() || cut.size() > plain.size())
        return QStringLiteral("stripping added lines");
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
