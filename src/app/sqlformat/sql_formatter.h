#pragma once
// SQL formatter: lays out SQL text for reading in one pass over its characters. Clause keywords
// of SELECT, INSERT, UPDATE and DELETE statements go on their own lines, aligned; list items go
// one per line; blocks are indented; reserved words and other words get the letter case the
// formatting options ask for. Literals, quoted and bracketed names and comments are copied as
// they stand, so the formatted text means the same as the original.
#include <QString>

namespace qv {

// The formatting options as the formatter reads them (the persisted record is TFormatOption).
struct FormatLayout {
    int Indent = 4;       // blanks added per block level
    int ItemReturn = 0;   // 0 one item per line; 1 no line breaks between items
    int ReservePos = 0;   // 0 clause keywords right-aligned in six columns; 1 left-aligned
    int CommaPos = 0;     // 0 the comma begins the next line; 1 the comma ends the line
    int AndPos = 0;       // 0 AND and OR begin the next line; 1 they end the line
    int ReserveTrans = 0; // reserved words: 0 upper case, 1 lower case, other values unchanged
    int ItemTrans = 0;    // other words: 0 upper case, 1 lower case, other values unchanged
};

// Formats Text by the given options. Output line breaks are CR LF.
QString FormatSQLText(const QString& Text, const FormatLayout& options);

} // namespace qv
