#include "sql/sql_run.h"

#include "app/sqltext/batch_splitter.h"
#include "app/sqltext/comments.h"
#include "platform/db/query.h"
#include "platform/exceptions.h"
#include "platform/textcodec.h"

#include <QElapsedTimer>
#include <QTime>

namespace qv {

bool BindVariables::apply(db::Params& params)
{
    if (params.Count() == 0) {
        m_visible = false;
        return true;
    }
    bool changed = !m_visible;
    if (m_rows.size() != params.Count()) {
        m_rows.resize(params.Count());
        changed = true;
    }
    for (int k = 0; k < params.Count(); ++k) {
        const QString name = params[k].Name();
        if (m_rows[k].name != name) {
            m_rows[k].value.clear();
            m_rows[k].name = name;
            changed = true;
        }
    }
    m_visible = true;
    if (changed)
        return false;
    for (int k = 0; k < params.Count(); ++k) {
        db::Param& p = params[k];
        p.SetDirection(db::ParamDirection::Input);
        p.SetAsWideString(m_rows[k].value);
        p.SetSize(std::max<qint64>(m_rows[k].value.size() + 1, 255));
    }
    return true;
}

void BindVariables::setValue(int row, const QString& value)
{
    if (row >= 0 && row < m_rows.size())
        m_rows[row].value = value;
}

SqlRun::SqlRun(Host host, BindVariables& binds) : m_host(std::move(host)), m_binds(binds) {}

QString SqlRun::noteText(qint64 rowsAffected)
{
    QString text = QStringLiteral(" SQLを実行しました。");
    if (rowsAffected > 0)
        text += QStringLiteral("\r\n(対象：%1 レコード )").arg(rowsAffected);
    return text;
}

QString SqlRun::timeText(qint64 msecs)
{
    return QStringLiteral("処理時間(HH:MM:SS.Ms)：") + QTime(0, 0).addMSecs(int(msecs)).toString(QStringLiteral("hh:mm:ss.zzz"));
}

bool SqlRun::createsObject(const QString& batchText)
{
    return batchText.left(6).toUpper() == QLatin1String("CREATE");
}

QString SqlRun::planText(const QStringList& lines)
{
    QStringList text;
    for (const QString& line : lines) {
        if (line.trimmed() == QLatin1String("/"))
            break;
        text << line;
    }
    StripSQLComments(text, true);
    text.removeIf([](const QString& line) { return line.trimmed().isEmpty(); });
    return text.join(QStringLiteral("\r\n"));
}

bool SqlRun::run(const QStringList& lines)
{
    m_batches = m_pages = 0;
    m_suppressNotes = m_continueOnError = false;
    m_totalMs = 0;
    QStringList batch;
    int startLine = 0;
    const int count = int(lines.size());
    for (int i = 0; i < count; ++i) {
        if (IsGoLine(lines.at(i), GoLineRule::Trimmed)) {
            if (executeBatch(batch, startLine, i, count) == Step::Stop)
                return false;
            batch.clear();
            startLine = i + 1;
        } else {
            batch << lines.at(i);
        }
    }
    return executeBatch(batch, startLine, count - 1, count) == Step::GoOn;
}

SqlRun::Step SqlRun::executeBatch(const QStringList& batch, int startLine, int currentLine, int lineCount)
{
    const QString text = JoinTextLines(batch);
    if (text.trimmed().isEmpty())
        return Step::GoOn;
    const int n = m_batches;
    const bool linesFollow = currentLine < lineCount - 1;
    const bool isSelect = db::statementKind(text) == db::StatementKind::Select;
    QElapsedTimer clock;
    bool timing = false;
    // The status shows the total time of the run's SELECT batches, also after a failure.
    const auto showTime = [&] {
        if (timing && isSelect)
            m_totalMs += clock.elapsed();
        timing = false;
        if (m_host.status)
            m_host.status(timeText(m_totalMs));
    };
    try {
        db::Query* q = m_host.queryFor(n);
        q->Close();
        q->SetParamCreate(!createsObject(text));
        q->SetSQLText(text);
        if (!m_binds.apply(q->Params())) {
            if (m_host.status)
                m_host.status(bindPrompt());
            ++m_batches;
            return Step::Stop;
        }
        const db::StatementKind kind = db::statementKind(text);
        clock.start();
        timing = true;
        bool hasRows = false;
        if (kind == db::StatementKind::Select) {
            if (m_host.openSelect)
                m_host.openSelect(n, text);
            else
                q->Open();
            hasRows = true;
        } else if (kind == db::StatementKind::Execute) {
            // A procedure may or may not return rows: open it and take "no result set" as a
            // plain execution.
            try {
                q->Open();
                hasRows = true;
            } catch (const EDatabaseError& e) {
                if (e.sqlState() != QLatin1String("HY000") || q->Active())
                    throw;
            }
        } else {
            q->ExecSQL();
        }
        if (hasRows && kind != db::StatementKind::Select && q->Eof())
            hasRows = false; // a call whose result is empty counts as a plain statement
        showTime();
        if (hasRows) {
            const QString caption = m_pages == 0 ? QStringLiteral("結果") : QStringLiteral("結果%1").arg(m_pages + 1);
            if (m_host.resultPage)
                m_host.resultPage(n, caption);
            ++m_pages;
        } else if (!m_suppressNotes && m_host.note) {
            m_host.note(noteText(kind == db::StatementKind::Other ? q->RowsAffected() : -1), linesFollow, m_suppressNotes);
        }
        ++m_batches;
        return Step::GoOn;
    } catch (const EAbort&) {
        ++m_batches;
        return Step::Stop;
    } catch (const Exception& e) {
        if (timing)
            showTime();
        if (m_host.error)
            m_host.error(e.message(), startLine, currentLine, linesFollow, m_continueOnError);
        ++m_batches;
        return m_continueOnError ? Step::GoOn : Step::Stop;
    }
}

} // namespace qv
