#pragma once
// The window-free rules of the data frame: the sorted statement, the aggregate statements and
// messages, the texts of number and date-time cells.
#include <QDateTime>
#include <QString>

namespace qv {

// The statement with " ORDER BY <sort>[ DESC]" on a line of its own, after trailing
// semicolons (and the blanks and control characters around them) are cut. A statement that
// already holds "ORDER BY" (any letter case, exactly one blank) or an empty sort returns sql
// unchanged.
QString SortedStatement(const QString& sql, const QString& sort, bool desc);
// sql with trailing blanks, control characters and semicolons removed.
QString StripTrailingSemicolons(const QString& sql);

enum class AggregateKind { Count, Sum, Average, Max, Min };
// "select sum([field]) from (<sql>" CR LF ") as dummy": the field bracketed ("]" doubled), sql
// trimmed and cut of trailing semicolons; the line break keeps a closing line comment of the
// statement from swallowing the parenthesis.
QString AggregateStatement(AggregateKind kind, const QString& fieldName, const QString& sql);
// "[field]列の合計 = value".
QString AggregateMessage(AggregateKind kind, const QString& fieldName, const QString& value);

// A number cell's text: a "0" before a text that starts with ".".
QString NumberCellText(const QString& text);

// The calendar's start text of a date-time cell: cut before the first "." and "-" → "/".
QString CalendarStartText(const QString& cellText);
// The new cell text after the calendar changed: date and time in the program's formats, plus
// the old text's fraction (from its first "." on), trimmed.
QString CalendarCellText(const QString& oldText, const QDateTime& value, const QString& dateFormat,
                         const QString& timeFormat);

} // namespace qv
