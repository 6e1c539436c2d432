#pragma once
// The run of a generated DDL script, batch by batch, without any window: the DDL execution
// window drives it and shows its log.
//
// A batch ends at a line that, lower-cased, is exactly "go" ("go " or "go;" do not end one).
// Each batch is logged, run through the executor and followed by "《正常終了》" or
// "《エラー》" with the error text. With stop-at-error the run pauses at the first failure,
// keeping the remaining lines; a later run continues with the same error count.
#include <QString>
#include <QStringList>

#include <functional>

namespace qv {

class DdlScriptRun {
public:
    // Runs one batch text; throws qv::Exception (database errors included) on failure.
    // qv::EAbort is passed through untouched.
    using Executor = std::function<void(const QString& sql)>;
    // Receives every log line in order (an empty text for an empty line). Also the point where
    // the window processes pending events, so the user can ask to stop between batches.
    using LogSink = std::function<void(const QString& line)>;

    enum class Outcome {
        Completed,       // every line ran; the completion lines are logged
        StoppedAtError,  // a batch failed with stop-at-error set; the rest is kept
        Interrupted,     // a stop was requested; the rest is kept
    };

    DdlScriptRun(Executor executor, LogSink log);

    // The script's entries, each cut at its line breaks into separate lines.
    void setScript(const QStringList& entries);
    const QStringList& remaining() const { return m_lines; }

    Outcome run(bool stopAtError);
    // Asked by a confirmed close: the batch in progress completes, no further one starts.
    void requestStop() { m_stopRequested = true; }
    bool stopRequested() const { return m_stopRequested; }
    bool running() const { return m_running; }
    int errorCount() const { return m_errors; }
    void resetErrors() { m_errors = 0; }

    static QString completionLine() { return QStringLiteral("スクリプト実行が完了しました。"); }
    static QString errorCountLine(int count) { return QStringLiteral("エラー: %1 件").arg(count); }

private:
    Executor m_exec;
    LogSink m_log;
    QStringList m_lines;
    int m_errors = 0;
    bool m_stopRequested = false;
    bool m_running = false;
};

} // namespace qv
