#pragma once
// SQL formatter: lays out SQL text for reading in one pass over its characters. Clause keywords
// of SELECT, INSERT, UPDATE and DELETE statements go on their own lines, aligned; list items go
// one per line; blocks are indented; reserved words and other words get the letter case the
// formatting options ask for. Literals, quoted and bracketed names and comments are copied as
// they stand, so the formatted text means the same as the original.
#include <QString>

#include "app/options.h"

namespace qv {

// Formats Text by the given options. Output line breaks are CR LF. A letter-case value other
// than 0 and 1 leaves words as typed; an indentation below zero writes no indent.
QString FormatSQLText(const QString& Text, const TFormatOption& options);

// Formats Text by the global formatting options (FormatOption) into Result.
void FormatSQLText(const QString& Text, QString& Result);

} // namespace qv
