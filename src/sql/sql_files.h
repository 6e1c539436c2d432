#pragma once
// The SQL window's file dialogs: their filter and the extension rule of the save name.
#include <QString>

namespace qv {

// The chosen save name with the extension of the chosen filter (0 SQL, 1 text, 2 all → ".sql",
// ".txt", ".sql") appended unless it already has a known extension.
QString SqlSaveFileName(const QString& chosen, int filterIndex);

QString SqlFileFilter();

} // namespace qv
