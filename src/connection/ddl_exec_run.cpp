#include "connection/ddl_exec_run.h"

#include "app/sqltext/batch_splitter.h"
#include "platform/exceptions.h"
#include "platform/textcodec.h"

#include "connection/password_mask.h"

#include <QRegularExpression>

namespace qv {

QString MaskPasswords(const QString& line)
{
    // A literal: optional N, quotes with doubled inner quotes.
    static const QString lit = QStringLiteral("N?'(?:[^']|'')*'");
    static const QRegularExpression clause(QStringLiteral("(PASSWORD\\s*=\\s*)") + lit,
                                           QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression addlogin(QStringLiteral("(sp_addlogin\\s+(?:") + lit +
                                                 QStringLiteral("|\\S+)\\s*,\\s*)") + lit,
                                             QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression password(QStringLiteral("(sp_password\\s+(?:NULL|") + lit +
                                                 QStringLiteral(")\\s*,\\s*)") + lit,
                                             QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression oldPassword(QStringLiteral("(sp_password\\s+)") + lit,
                                                QRegularExpression::CaseInsensitiveOption);
    QString out = line;
    const QString mask = QStringLiteral("\\1N'********'");
    out.replace(clause, mask);
    out.replace(addlogin, mask);
    out.replace(password, mask);
    out.replace(oldPassword, mask);
    return out;
}

DdlScriptRun::DdlScriptRun(Executor executor, LogSink log) : m_exec(std::move(executor)), m_log(std::move(log)) {}

void DdlScriptRun::setScript(const QStringList& entries)
{
    // An entry is cut at each CR LF; one ending in CR LF gives an empty last line.
    m_lines.clear();
    for (const QString& entry : entries)
        m_lines += entry.split(QStringLiteral("\r\n"));
}

DdlScriptRun::Outcome DdlScriptRun::run(bool stopAtError)
{
    struct Guard {
        bool& flag;
        explicit Guard(bool& f) : flag(f) { flag = true; }
        ~Guard() { flag = false; }
    } guard(m_running);

    while (!m_lines.isEmpty()) {
        if (m_stopRequested)
            return Outcome::Interrupted;
        QStringList batch;
        while (!m_lines.isEmpty()) {
            const QString line = m_lines.takeFirst();
            if (IsGoLine(line, GoLineRule::Exact))
                break;
            batch << line;
        }
        if (batch.isEmpty())
            continue;
        for (const QString& line : batch)
            m_log(MaskPasswords(line));
        try {
            m_exec(JoinTextLines(batch));
            m_log(QStringLiteral("《正常終了》"));
            m_log(QString());
        } catch (const EAbort&) {
            throw;
        } catch (const std::exception& e) {
            const QString message = dynamic_cast<const Exception*>(&e)
                                        ? static_cast<const Exception&>(e).message()
                                        : QString::fromLocal8Bit(e.what());
            m_log(QStringLiteral("《エラー》"));
            for (const QString& line : SplitTextLines(message))
                m_log(line);
            m_log(QString());
            ++m_errors;
            if (stopAtError)
                return Outcome::StoppedAtError;
        }
    }
    m_log(completionLine());
    m_log(errorCountLine(m_errors));
    return Outcome::Completed;
}

} // namespace qv
