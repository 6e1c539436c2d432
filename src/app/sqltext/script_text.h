#pragma once
// Small routines on SQL and script text shared by several windows.
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

namespace qv {

// Removes, in place, every "USE ..." line (first four characters "USE " in any case) that
// repeats the USE line in force exactly, with the "go" or empty line after it and an empty line
// after that "go". The first line is never removed.
void RemoveDuplicateUse(QStringList& lines);

// The SQL inside the first '...' literal of an sp_executesql call, with '' undone. With `check`
// the text must start with EXEC SP_EXECUTESQL (blanks ignored); otherwise, or when there is no
// complete literal, the text comes back unchanged.
QString UnwrapExecuteSQL(const QString& text, bool check);

// True when the keyword at the 1-based `position` is code: not inside a literal, a bracketed
// or double-quoted name or a comment (block comments nest). "AS" and "RETURNS" must also stand
// as a word between blanks, quotes, brackets or comments.
bool IsCodeKeywordAt(const QString& text, const QString& keyword, qsizetype position);

// "dateadd(HOUR, 9, expr)": dates of an Azure database (UTC) shown nine hours ahead.
QString AzureDateExpr(const QString& expr);

// "a""b" → a"b; any text not beginning with a double quote unchanged.
QString DequoteName(const QString& name);
// Leading "[" and trailing "]" removed (each when present); a fully bracketed name also has
// its doubled "]]" undone.
QString StripBrackets(const QString& name);
// Final ";" removed, then DequoteName or StripBrackets by the first character.
QString NormalizeNamePart(const QString& part);
// Cuts at the first and the next "."; see the tests for the one-dot and no-dot forms.
void SplitThreePartName(const QString& name, QString& first, QString& second, QString& third);

// The statement that reads a synonym's base object (parameters :OWNER and :NAME).
QString SynonymBaseObjectSQL(const QString& database);
// Runs SynonymBaseObjectSQL through `firstValue` (the caller's query: SQL text and named
// parameters → the first column of the first row, or a null value) and returns the base
// object's name; every failure gives an empty text.
using FirstValueQuery =
    std::function<QVariant(const QString& sql, const QList<QPair<QString, QVariant>>& params)>;
QString GetSynonymBaseObject(const QString& database, const QString& owner,
                             const QString& synonymName, const FirstValueQuery& firstValue);

} // namespace qv
