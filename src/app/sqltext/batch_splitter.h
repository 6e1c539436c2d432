#pragma once
// Cutting SQL text into batches at "go" lines: the one splitter behind the connection
// window's statement lists, the SQL window, the DDL execution window, the query builder and
// the script runner. Each caller picks its own rule for what counts as a "go" line.
// A "go" line belongs to no batch. The cut is purely line-based: a "go" line inside a
// multi-line literal or block comment still ends a batch.
#include <QString>
#include <QStringList>
#include <QStringView>

#include <vector>

namespace qv {

enum class GoLineRule {
    // The line trimmed (tab, LF, CR, space) and lower-cased is "go": " go ", "GO" and "Go" end
    // a batch; "go;" or "go 2" do not.
    Trimmed,
    // The line lower-cased, without trimming, is "go": "go " with a trailing blank does not.
    Exact,
};

bool IsGoLine(QStringView line, GoLineRule rule);

// One batch of a list of lines: lines [firstLine, firstLine + lineCount); `goLine` is the
// index of the "go" line that ended it, or -1 for the text after the last "go" line.
struct Batch {
    qsizetype firstLine = 0;
    qsizetype lineCount = 0;
    qsizetype goLine = -1;
    bool endedByGo() const { return goLine >= 0; }
};

// The batch that starts at line `from`.
Batch NextBatch(const QStringList& lines, qsizetype from, GoLineRule rule);
// Every batch in order, empty ones included, always ending with the (maybe empty) batch of the
// lines after the last "go" line. Callers skip the batches they do not run.
std::vector<Batch> SplitBatches(const QStringList& lines, GoLineRule rule);
// The batch's lines joined, each line followed by CR LF.
QString BatchText(const QStringList& lines, const Batch& batch);
// True when the batch text is empty after trimming.
bool IsBlankBatch(const QStringList& lines, const Batch& batch);
// The batch texts that are not blank, in order.
QStringList SplitBatchTexts(const QStringList& lines, GoLineRule rule);
// Items that may hold several lines (a "use" switch and "go" in one entry) cut at CR LF, LF
// and lone CR into single lines.
QStringList ExpandLineBreaks(const QStringList& items);

// Batches of a whole text whose lines end in CR LF or LF (a CR before the LF is not part of
// the line); offsets are into the text. `length` runs from the batch's first line through the
// line break of its last line.
struct TextBatch {
    qsizetype start = 0;
    qsizetype length = 0;
    qsizetype firstLine = 0;
    qsizetype lineCount = 0;
    qsizetype goLine = -1;
};
std::vector<TextBatch> SplitTextBatches(QStringView text, GoLineRule rule);

} // namespace qv
