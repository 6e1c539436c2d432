#pragma once
// Test support for the SQL formatter: a T-SQL token reader that tells what the text means
// (comments, literals and quoted names exactly, words without letter case, compound operators
// as one token) and a corpus of real-looking scripts.
#include <QString>
#include <QStringList>

#include <vector>

namespace sqlformat_test {

// The non-blank tokens of T-SQL text. Words are upper-cased (letter case does not change their
// meaning); comments, literals (N'…' included) and quoted or bracketed names are kept exactly.
QStringList SqlTokens(const QString& text);

struct Script {
    const char* name;
    QString text;
};

// Scripts as people write them: procedures, CTEs, MERGE, CASE, nested subqueries, IF/ELSE,
// TRY/CATCH, cursors, DDL, and the tricky tokens (doubled quotes, N'…', "]]" names, nested and
// multi-line comments, multi-line literals, $-names, temp tables), with CR LF and LF line ends.
const std::vector<Script>& SqlCorpus();

// Deterministic pseudo-random SQL-like text built from fragments (keywords, operators, quotes,
// comment openers, brackets, line ends), for robustness runs.
QString RandomSqlText(unsigned seed, int fragments);

} // namespace sqlformat_test
