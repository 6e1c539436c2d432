#pragma once
// Reading ":name" parameter markers out of SQL text and the kind of a statement.
#include <QString>
#include <QStringList>
#include <vector>

namespace qv::db {

// Longest parameter name; a longer one fails the statement.
constexpr int kMaxParamNameLength = 255;

struct ParsedSql {
    QString text;               // the statement with "?" in place of every marker
    QStringList names;          // distinct names, in order of first appearance
    std::vector<int> bindings;  // for each "?", the index of its name in names
};

// Replaces ":name" markers by "?" and lists the names. A name is a quoted identifier ("…" or
// […], taken as written) or a run of ASCII letters and digits, "_", "$", "#", Unicode letters,
// the full-width digits U+FF10-U+FF19 and inner "."; it is upper-cased. String literals, quoted
// and bracketed identifiers, comments and "::" are passed over. Throws qv::EDatabaseError for a
// name of more than 255 characters.
ParsedSql parseParams(const QString& sql);

enum class StatementKind { Select, Execute, Other };
// The kind of a statement by its first keyword after blanks and comments.
StatementKind statementKind(const QString& sql);

// When the text starts (after blanks and comments) with a "use" line, splits it into that line
// and the rest; returns false otherwise.
bool splitLeadingUse(const QString& sql, QString& useLine, QString& rest);

} // namespace qv::db
