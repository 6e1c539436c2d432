#pragma once
// The editing rules of the table window's column grid, without any window: which cells may be
// edited, the pick lists by type, what a type pick clears, and the quoting of typed defaults.
#include <QString>
#include <QStringList>

namespace qv::table {

// Grid columns of the column grid.
enum GridCol { colKey = 0, colName = 1, colType = 2, colLength = 3, colNotNull = 4, colDefault = 5,
               colCollation = 6, colMask = 7, colComment = 8, GridColCount = 9 };

bool IsCharacterType(const QString& type);
bool IsLengthType(const QString& type);
bool IsDefaultPickType(const QString& type);
bool IsIdentityType(const QString& type);

// Whether a cell's text may be edited: check boxes never; the type only for a named row; the
// length for length-bearing types; the collation for character types; the rest always.
bool CellEditable(int col, const QString& type, bool hasName);
// Pick lists of the default and mask columns by type.
QStringList DefaultPickList(const QString& type);
QStringList MaskPickList(const QString& type);
// After a type was picked: the collation is cleared for a non-character type, the mask when it
// no longer fits the type.
void AfterTypePick(const QString& type, QString& collation, QString& mask);

// The DefaultAutoQuote rule for one default cell: a value the user typed (it differs from the
// loaded one) that is no literal, no expression in parentheses, no number, no GETDATE() and
// no IDENTITY( becomes a string literal; anything else stays as it is.
QString AutoQuoteDefault(const QString& value, const QString& loaded);

} // namespace qv::table
