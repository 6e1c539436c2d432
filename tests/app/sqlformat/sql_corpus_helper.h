#pragma once
// Test support for the SQL formatter: a corpus of real-looking scripts and random SQL-like text.
#include <QString>
#include <QStringList>

#include "app/sqlformat/sql_tokens.h"

#include <vector>

namespace sqlformat_test {

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
