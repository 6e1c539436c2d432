#include "sql/exec_script.h"

#include "connection/catalog_queries.h"
#include "platform/db/query.h"
#include "platform/exceptions.h"

namespace qv {

namespace {
QString trimWhiteSpace(const QString& s)
{
    auto blank = [](QChar c) { return c == u'\t' || c == u'\n' || c == u'\r' || c == u' '; };
    qsizetype b = 0, e = s.size();
    while (b < e && blank(s[b]))
        ++b;
    while (e > b && blank(s[e - 1]))
        --e;
    return s.mid(b, e - b);
}
bool blankAt(const QString& s, qsizetype i)
{
    const QChar c = s[i];
    return c == u'\t' || c == u'\n' || c == u'\r' || c == u' ';
}
} // namespace

bool IsScriptRemarkLine(const QString& line)
{
    const QString s = trimWhiteSpace(line).toUpper();
    if (s.isEmpty())
        return true;
    if (s.startsWith(QLatin1String("REMARK")) && (s.size() == 6 || blankAt(s, 6)))
        return true;
    return s.startsWith(QLatin1String("REM")) && (s.size() == 3 || blankAt(s, 3));
}

QStringList TrimRemarkLines(const QStringList& batch)
{
    qsizetype b = 0, e = batch.size();
    while (b < e && IsScriptRemarkLine(batch[b]))
        ++b;
    while (e > b && IsScriptRemarkLine(batch[e - 1]))
        --e;
    return batch.mid(b, e - b);
}

QStringList FailedBatchLogLines(const QStringList& batch)
{
    if (batch.size() <= 4)
        return batch;
    return batch.mid(0, 3) << QStringLiteral("  -- (中略) --") << batch.last();
}

bool ScriptRunner::runBatch(QStringList& batch, ScriptRunOutcome& out, int file)
{
    const QStringList lines = TrimRemarkLines(batch);
    batch.clear();
    if (lines.join(QString()).trimmed().isEmpty())
        return true;
    try {
        m_query.Close();
        m_query.SQL().Assign(lines);
        m_query.ExecSQL();
        log(QStringLiteral("《正常終了》"));
        return true;
    } catch (const Exception& e) {
        log(QStringLiteral("《エラー》"), LogKind::Error);
        out.completed[file] = false;
        ++out.errors;
        for (const QString& l : FailedBatchLogLines(lines))
            log(l);
        for (const QString& l : SplitTextLines(e.message()))
            log(l);
        return false;
    }
}

ScriptRunOutcome ScriptRunner::Run(const QString& database, const QStringList& files, const TextEncoding& encoding,
                                   bool stopOnError)
{
    ScriptRunOutcome out;
    for (qsizetype i = 0; i < files.size(); ++i)
        out.completed << false;
    m_query.SetParamCreate(false);
    m_query.SetEscapeExpand(false);
    m_query.Close();
    if (database.trimmed().isEmpty())
        throw EDatabaseError(QStringLiteral("データベースが選択されていません。"));
    m_query.SQL().Assign({catalog::UseText(database).trimmed()});
    m_query.ExecSQL();
    for (int k = 0; k < files.size(); ++k) {
        const QStringList lines = ReadTextFileLines(files[k], encoding);
        out.completed[k] = true;
        log(QString());
        log(QStringLiteral("スクリプト実行 [ ") + files[k] + QStringLiteral(" ]"), LogKind::FileHeader);
        QStringList batch;
        for (const QString& line : lines) {
            if (Cancelled && Cancelled())
                return out;
            if (line.trimmed().toLower() == QLatin1String("go")) {
                if (!runBatch(batch, out, k) && stopOnError) {
                    out.stopped = true;
                    return out;
                }
            } else {
                batch << line;
            }
        }
        if (!runBatch(batch, out, k) && stopOnError) {
            out.stopped = true;
            return out;
        }
    }
    return out;
}

} // namespace qv
