#pragma once
// The file dialogs of the SQL editors: their filter and the extension rule of the save name.
#include <QString>

namespace qv {

// The chosen save name with the extension of the chosen filter (0 SQL, 1 text, 2 all → ".sql",
// ".txt", ".sql") appended unless it already has a known extension.
QString SqlSaveFileName(const QString& chosen, int filterIndex);

// The filter of the SQL file dialogs: SQL files, text files, all files.
QString SqlFileFilter();
// The position of a filter of SqlFileFilter (0 when it is none of them).
int SqlFileFilterIndex(const QString& filter);

} // namespace qv
