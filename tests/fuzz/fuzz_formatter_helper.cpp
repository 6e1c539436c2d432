// Fuzz target of the SQL formatter. For several option sets:
//  - the formatted text has the tokens of the input (read by the test token reader, which shares
//    nothing with the formatter): only blanks, line breaks and the letter case of reserved words
//    and, where the options convert them, of other words may differ;
//  - the go lines (batch separators) stand between the same tokens;
//  - formatting the result again changes nothing.
#include "fuzz/fuzz_targets_helper.h"

#include "app/reserved_words.h"
#include "app/sqlformat/sql_formatter.h"
#include "app/sqlformat/sql_tokens.h"
#include "app/sqltext/batch_splitter.h"

#include <string>
#include <vector>

namespace qvfuzz {

namespace {

using sqlformat_test::Token;

// For each go line of the text (lines end at CR LF, LF or a lone CR, as the editor reads them),
// the number of tokens that begin before it.
std::vector<size_t> GoLinePlaces(const QString& text, const std::vector<Token>& tokens)
{
    std::vector<size_t> places;
    size_t before = 0;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i <= n) {
        qsizetype e = i;
        while (e < n && text[e] != u'\r' && text[e] != u'\n')
            ++e;
        if (qv::IsGoLine(QStringView(text).mid(i, e - i), qv::GoLineRule::Trimmed)) {
            while (before < tokens.size() && tokens[before].start < i)
                ++before;
            places.push_back(before);
        }
        if (e >= n)
            break;
        i = e + ((text[e] == u'\r' && e + 1 < n && text[e + 1] == u'\n') ? 2 : 1);
    }
    return places;
}

struct OptionSet {
    const char* name;
    qv::TFormatOption options;
};

std::vector<OptionSet> OptionSets()
{
    std::vector<OptionSet> sets(4);
    sets[0].name = "defaults";
    sets[1].name = "left, commas and AND at line ends, lower case";
    sets[1].options.Indent = 2;
    sets[1].options.ReservePos = sets[1].options.CommaPos = sets[1].options.AndPos = 1;
    sets[1].options.ReserveTrans = sets[1].options.ItemTrans = 1;
    sets[2].name = "items inline, no indent, names as typed";
    sets[2].options.ItemReturn = 1;
    sets[2].options.Indent = 0;
    sets[2].options.ItemTrans = 2;
    sets[3].name = "letter case as typed";
    sets[3].options.Indent = 3;
    sets[3].options.ReserveTrans = sets[3].options.ItemTrans = 2;
    return sets;
}

bool ConvertsCase(int trans) { return trans == 0 || trans == 1; }

} // namespace

QString FuzzFormatter(const QString& text)
{
    static const std::vector<OptionSet> sets = OptionSets();
    const std::vector<Token> tokens = sqlformat_test::ScanTokens(text);
    const std::vector<size_t> goLines = GoLinePlaces(text, tokens);
    for (const OptionSet& set : sets) {
        const qv::TFormatOption& o = set.options;
        const QString once = qv::FormatSQLText(text, o);
        const std::vector<Token> after = sqlformat_test::ScanTokens(once);
        std::string why;
        // Reserved words may change their letter case whatever the options: clause keywords are
        // written in their own spelling ("INSERT INTO", "GROUP BY"). Other words change it only
        // where the options convert them.
        const bool others = ConvertsCase(o.ItemTrans);
        auto mayChange = [others](QStringView w) { return others || qv::IsDefaultReserveWord(w); };
        if (!sqlformat_test::SameTokens(tokens, after, mayChange, &why))
            return QStringLiteral("%1: formatting changed the tokens (%2)").arg(QLatin1String(set.name), QString::fromStdString(why));
        if (GoLinePlaces(once, after) != goLines)
            return QStringLiteral("%1: formatting moved, added or removed a go line").arg(QLatin1String(set.name));
        if (qv::FormatSQLText(once, o) != once)
            return QStringLiteral("%1: formatting the result again changed it").arg(QLatin1String(set.name));
    }
    return QString();
}

} // namespace qvfuzz
