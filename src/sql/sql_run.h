#pragma once
// The run of a SQL window's text, without the window: batches cut at "go" lines, bind
// variables, one query per batch, result pages, notes and error choices. The window supplies
// the queries (one per data frame) and answers the questions through the host callbacks.
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace qv::db {
class Params;
class Query;
}

namespace qv {

// The values of the bind-variable grid: one row per parameter of the last text run.
class BindVariables {
public:
    struct Row {
        QString name;
        QString value;
    };
    // Puts the parameters into the rows. False when a row had to change (new, renamed or
    // counted differently: the user must type values first); true when every row stood as it
    // was, and then each parameter gets its row's value as wide text.
    // Without parameters the grid is hidden and the answer is true.
    bool apply(db::Params& params);
    bool visible() const { return m_visible; }
    const QList<Row>& rows() const { return m_rows; }
    void setValue(int row, const QString& value);

private:
    QList<Row> m_rows;
    bool m_visible = false;
};

class SqlRun {
public:
    struct Host {
        // The query of batch n's data frame (n from 0: the main frame first).
        std::function<db::Query*(int batchNo)> queryFor;
        // Opens a SELECT batch through its data frame (optional; default: the query's Open).
        std::function<void(int batchNo, const QString& text)> openSelect;
        // A result page for batch n: "結果" for the first result, then "結果2", "結果3" …
        std::function<void(int batchNo, const QString& caption)> resultPage;
        // The note after a statement without rows; `offerSuppress` says whether the check box
        // "以降の結果ダイアログを表示しない" is offered; it writes `suppress`.
        std::function<void(const QString& text, bool offerSuppress, bool& suppress)> note;
        // A failed batch: lines first..last of the text; "処理を続行する" is offered when lines
        // follow; it writes `continueRun`.
        std::function<void(const QString& message, int firstLine, int lastLine, bool offerContinue, bool& continueRun)> error;
        // Status bar text.
        std::function<void(const QString& text)> status;
    };

    SqlRun(Host host, BindVariables& binds);

    // Runs the lines batch by batch. Returns false when the run stopped early (an error not
    // continued, or bind variables still to be typed).
    bool run(const QStringList& lines);
    int batchCount() const { return m_batches; }
    int pageCount() const { return m_pages; }

    static QString noteText(qint64 rowsAffected);
    // "処理時間(HH:MM:SS.Ms)：" and the time in "hh:mm:ss.zzz".
    static QString timeText(qint64 msecs);
    static QString bindPrompt() { return QStringLiteral("バインド変数値を入力して下さい。"); }
    static QString planRefused() { return QStringLiteral("バインド変数がある場合、実行計画を使用できません。"); }
    // The statement the plan mode shows: the lines before the first "/" line, comments and
    // blank lines removed, cut at the first ";".
    static QString planText(const QStringList& lines);
    // Markers are parameters unless the batch creates a routine.
    static bool createsObject(const QString& batchText);

private:
    enum class Step { GoOn, Stop };
    Step executeBatch(const QStringList& batch, int startLine, int currentLine, int lineCount);

    Host m_host;
    BindVariables& m_binds;
    int m_batches = 0;
    int m_pages = 0;
    bool m_suppressNotes = false;
    bool m_continueOnError = false;
    qint64 m_totalMs = 0; // time of the SELECT batches of the run
};

} // namespace qv
