#pragma once
// The script-file runner's logic: batches split at "go" lines, leading and trailing remark
// lines dropped, one log entry per batch, stop on error. TfrmExecScript is the window over it.
#include "platform/textcodec.h"

#include <QList>
#include <QStringList>
#include <functional>

namespace qv {

namespace db {
class Query;
}

// Empty after trimming, "REM" / "REMARK" alone or followed by a blank (letter case ignored).
bool IsScriptRemarkLine(const QString& line);
// The batch without its leading and trailing remark lines (inner ones stay).
QStringList TrimRemarkLines(const QStringList& batch);
// The lines a failed batch is logged with: more than 4 lines give the first 3,
// "  -- (中略) --" and the last one; otherwise every line.
QStringList FailedBatchLogLines(const QStringList& batch);

struct ScriptRunOutcome {
    int errors = 0;
    QList<bool> completed;  // per file: ran and no batch failed
    bool stopped = false;   // stopped at a failing batch
};

class ScriptRunner {
public:
    // The query runs the batches as written (no parameters, no escapes).
    explicit ScriptRunner(db::Query& query) : m_query(query) {}
    // A line of the log; header lines (the file being run) and error lines are marked.
    enum class LogKind { Plain, FileHeader, Error };
    std::function<void(const QString& line, LogKind kind)> Log;
    // Polled between lines; true ends the run.
    std::function<bool()> Cancelled;
    // Runs "use [database]" (when database is not empty), then the files in order. A file that
    // cannot be read raises its error after the log written so far.
    ScriptRunOutcome Run(const QString& database, const QStringList& files, const TextEncoding& encoding, bool stopOnError);

private:
    bool runBatch(QStringList& batch, ScriptRunOutcome& out, int file);
    void log(const QString& line, LogKind kind = LogKind::Plain)
    {
        if (Log)
            Log(line, kind);
    }
    db::Query& m_query;
};

} // namespace qv
