#include "app/sqltext/batch_splitter.h"

#include "platform/textcodec.h"

namespace qv {

namespace {

bool isBlank(char16_t c)
{
    return c == u'\t' || c == u'\n' || c == u'\r' || c == u' ';
}

bool isGo(const char16_t* b, const char16_t* e)
{
    return e - b == 2 && (b[0] == u'g' || b[0] == u'G') && (b[1] == u'o' || b[1] == u'O');
}

} // namespace

bool IsGoLine(QStringView line, GoLineRule rule)
{
    const char16_t* b = line.utf16();
    const char16_t* e = b + line.size();
    if (rule == GoLineRule::Trimmed) {
        // Cheap rejection first: most lines are long.
        while (b < e && isBlank(*b))
            ++b;
        while (e > b && isBlank(e[-1]))
            --e;
    }
    return isGo(b, e);
}

Batch NextBatch(const QStringList& lines, qsizetype from, GoLineRule rule)
{
    Batch batch;
    batch.firstLine = from;
    qsizetype i = from;
    for (; i < lines.size(); ++i) {
        if (IsGoLine(lines[i], rule)) {
            batch.goLine = i;
            break;
        }
    }
    batch.lineCount = i - from;
    return batch;
}

std::vector<Batch> SplitBatches(const QStringList& lines, GoLineRule rule)
{
    std::vector<Batch> batches;
    qsizetype from = 0;
    for (;;) {
        const Batch b = NextBatch(lines, from, rule);
        batches.push_back(b);
        if (!b.endedByGo())
            break;
        from = b.goLine + 1;
    }
    return batches;
}

QString BatchText(const QStringList& lines, const Batch& batch)
{
    qsizetype size = 0;
    for (qsizetype i = 0; i < batch.lineCount; ++i)
        size += lines[batch.firstLine + i].size() + 2;
    QString text;
    text.reserve(size);
    for (qsizetype i = 0; i < batch.lineCount; ++i) {
        text += lines[batch.firstLine + i];
        text += QLatin1String("\r\n");
    }
    return text;
}

bool IsBlankBatch(const QStringList& lines, const Batch& batch)
{
    for (qsizetype i = 0; i < batch.lineCount; ++i)
        for (QChar c : lines[batch.firstLine + i])
            if (!isBlank(c.unicode()))
                return false;
    return true;
}

QStringList SplitBatchTexts(const QStringList& lines, GoLineRule rule)
{
    QStringList texts;
    for (const Batch& b : SplitBatches(lines, rule))
        if (!IsBlankBatch(lines, b))
            texts << BatchText(lines, b);
    return texts;
}

QStringList ExpandLineBreaks(const QStringList& items)
{
    QStringList lines;
    lines.reserve(items.size());
    for (const QString& item : items) {
        if (!item.contains(u'\n') && !item.contains(u'\r'))
            lines << item;
        else if (const QStringList parts = SplitTextLines(item); parts.isEmpty())
            lines << QString();
        else
            lines << parts;
    }
    return lines;
}

std::vector<TextBatch> SplitTextBatches(QStringView text, GoLineRule rule)
{
    std::vector<TextBatch> batches;
    const char16_t* const base = text.utf16();
    const char16_t* const end = base + text.size();
    const char16_t* p = base;
    TextBatch cur;
    qsizetype line = 0;
    while (p < end) {
        const char16_t* lineStart = p;
        const char16_t* nl = std::find(p, end, u'\n');
        const char16_t* contentEnd = (nl != end && nl > lineStart && nl[-1] == u'\r') ? nl - 1 : nl;
        p = nl == end ? end : nl + 1;
        // A line can only be "go" when it is short; skip the test for long lines.
        const qsizetype len = contentEnd - lineStart;
        const bool go = (rule == GoLineRule::Exact ? len == 2 : len >= 2)
                        && IsGoLine(QStringView(lineStart, contentEnd), rule);
        if (go) {
            cur.length = (lineStart - base) - cur.start;
            cur.goLine = line;
            batches.push_back(cur);
            cur = TextBatch();
            cur.start = p - base;
            cur.firstLine = line + 1;
        } else {
            ++cur.lineCount;
        }
        ++line;
    }
    cur.length = text.size() - cur.start;
    batches.push_back(cur);
    return batches;
}

} // namespace qv
