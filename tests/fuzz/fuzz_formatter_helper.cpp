// Fuzz target of the SQL formatter: for several option sets the formatted text has the same
// tokens and the same batches as the input, and formatting it again changes nothing.
#include "fuzz/fuzz_targets_helper.h"

#include "app/sqlformat/sql_formatter.h"
#include "app/sqlformat/sql_tokens.h"
#include "app/sqltext/batch_splitter.h"

namespace qvfuzz {

namespace {

qsizetype GoLines(const QString& text)
{
    qsizetype n = 0;
    for (const qv::TextBatch& b : qv::SplitTextBatches(text, qv::GoLineRule::Trimmed))
        if (b.goLine >= 0)
            ++n;
    return n;
}

} // namespace

QString FuzzFormatter(const QString& text)
{
    qv::TFormatOption sets[3];
    sets[1].CommaPos = sets[1].AndPos = sets[1].ReservePos = 1;
    sets[1].ReserveTrans = 1;
    sets[2].ItemReturn = 1;
    sets[2].ItemTrans = 2;
    sets[2].Indent = 0;
    const QStringList tokens = sqlformat_test::SqlTokens(text);
    // A name GO may be laid out alone on a line, where it reads as a batch separator; texts
    // whose GO words are not all separators are left out of the batch and idempotence checks.
    const qsizetype goWords = tokens.count(QStringLiteral("GO"));
    const bool goOnlySeparators = goWords == GoLines(text);
    for (const qv::TFormatOption& o : sets) {
        const QString once = qv::FormatSQLText(text, o);
        if (sqlformat_test::SqlTokens(once) != tokens)
            return QStringLiteral("formatting changed the tokens");
        if (goWords == 0 || goOnlySeparators) {
            if (GoLines(once) != GoLines(text))
                return QStringLiteral("formatting changed the batches");
            if (qv::FormatSQLText(once, o) != once)
                return QStringLiteral("formatting the result again changed it");
        }
    }
    return QString();
}

} // namespace qvfuzz
