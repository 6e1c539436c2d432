#pragma once
// Free string routines shared by every window that builds SQL text, splits names or reads
// values: identifier and literal quoting, fixed-rule substring and trimming routines,
// variant conversions with a default, display width, blank-line filter and the full-width /
// half-width conversions. Positions are 1-based character positions unless stated otherwise.
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVariant>

namespace qv {

// Bracket quoting of one identifier, taken as data: "[" + the name with every "]" doubled + "]",
// as the server's own QUOTENAME does. The name is bracketed when the option "enclose object
// names in square brackets" is on, when `force` is set, or when it is not a regular identifier
// that the server would read bare: a letter or "_" first, then letters, digits and "_", and not a
// reserved keyword (names holding . , ? / \ : ; { } @ ! # $ % & ( ) = ^ | or the double quote
// are always bracketed). A name that starts with "[" is quoted like any other: it never passes
// through, since names come from the server and from the user.
QString QuoteIdentifier(const QString& name, bool force = false);
// For a caller that holds a name which may already be bracket-quoted (typed by the user as
// "[name]"): a name that, without its outer blanks, is one well-formed bracketed identifier
// ("[" … "]" with every inner "]" doubled) comes back unchanged; anything else goes through
// `QuoteIdentifier`.
QString QuoteIdentifierKeepQuoted(const QString& name, bool force = false);
// True when the name is one well-formed bracketed identifier (outer blanks ignored).
bool IsBracketQuoted(const QString& name);
// True for a name the server reads bare: see `QuoteIdentifier`.
bool IsRegularIdentifier(const QString& name);
// Double-quote quoting of one name (mixed case, "-", parentheses or the bracket option).
QString DoubleQuoteName(const QString& name);
// 'text' with every single quote doubled: an SQL string literal.
QString QuoteLiteral(const QString& text);
// "N" in front of a text that begins and ends with a single quote; anything else unchanged.
QString AddUnicodePrefix(const QString& text);
// True for N'...' on one line (the pattern ^N'.*'$).
bool IsUnicodeLiteral(const QString& text);
// True when a value equals `text`, or with `partial` occurs inside `text` (case-sensitive).
bool StrInArray(QStringView text, const QStringList& values, bool partial);
// Characters `from` through `to` (1-based, inclusive); empty when to < from.
QString CopyFromTo(const QString& text, qsizetype from, qsizetype to);
// Byte position (1-based) of `subStr` in the CP932 text `text` at or after byte `offset`,
// matching only at character boundaries; 0 when not found or `offset` is past the end.
qsizetype AnsiPosFrom(const QByteArray& subStr, const QByteArray& text, qsizetype offset);
// Removes tab, LF, CR and space (only those) from both ends.
QString TrimWhiteSpace(QStringView text);
// Every carriage return removed.
QString RemoveCR(const QString& text);
// A..Z lowered to a..z; every other character (full-width letters too) left as it is.
QString AsciiLower(const QString& text);
// Half-width cells in a fixed-pitch Japanese font: U+0020..U+007E and half-width katakana
// U+FF61..U+FF9F count 1, every other UTF-16 code unit 2.
int DisplayWidth(QStringView text);

// Conversions with a default for null, invalid or unconvertible values.
double VarToFloatDef(const QVariant& value, double defaultValue);
int VarToIntDef(const QVariant& value, int defaultValue);
QDateTime VarToDateTimeDef(const QVariant& value, const QDateTime& defaultValue);

// With the script option "write no blank lines" on, deletes every empty line.
void RemoveBlankLines(QStringList& lines);

// ASCII, space and half-width katakana (voiced pairs joined) to their full-width forms,
// and back. Characters without a counterpart stay as they are.
QString ToFullWidth(QStringView text);
QString ToHalfWidth(QStringView text);

} // namespace qv
