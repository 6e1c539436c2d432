#pragma once
// Comment stripping of SQL text held as a list of lines, before it is parsed, shown as a plan
// or searched for object names.
#include <QStringList>
#include <QStringView>

namespace qv {

// True for a remark line: empty after trimming, or (upper-cased) "REM" / "REMARK" alone or
// followed by a tab, line feed, carriage return or space.
bool IsRemarkLine(QStringView line);

// Removes leading and trailing remark lines, trims every line, removes "--" and "/* */"
// comments (block comments nest; nothing inside '...' literals, "..." names or [...] names
// counts) and, with `cutAtSemicolon`, ends the text at the first ";" outside literals, names and
// comments. A block comment between two non-blank characters of a line leaves one blank, so the
// text around it does not run together. Lines emptied by the scan stay in the list. Runs in
// time linear in the text length.
void StripSQLComments(QStringList& lines, bool cutAtSemicolon);

} // namespace qv
