#pragma once
// The built-in list of reserved words: SQL keywords, the server's built-in functions and global
// variables, and its system stored procedures. It is the default of the user's reserved-word
// list (settings key RESERVE) and the fixed list by which the SQL formatter tells reserved
// words from other words. Entries keep their letter case; every user compares them ignoring
// case. The list holds some entries twice (for example AVG and CAST).
#include <QString>
#include <QStringList>
#include <QStringView>

namespace qv {

inline constexpr int DefaultReserveWordCount = 1334;

// Appends the built-in entries, in their order, to list (it is not cleared, nor sorted).
void LoadDefaultReserveWords(QStringList& list);

// The built-in entries in their order.
const QStringList& DefaultReserveWords();

// The built-in entries as they are stored (ASCII, DefaultReserveWordCount of them), for users
// that must not pay for making strings of them.
const char* const* DefaultReserveWordTexts();

// Whether word is one of the built-in entries, letter case ignored.
bool IsDefaultReserveWord(QStringView word);

} // namespace qv
