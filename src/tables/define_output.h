#pragma once
// Print and file save of a definition window's script (the output actions of the table, view,
// index and source windows).
#include <QStringList>
#include <functional>

class QWidget;

namespace qv {

// Prints lines under title through the print dialog (page numbering from 1).
void PrintScriptLines(const QString& title, const QStringList& lines);

// The save dialog's stand-in (tests): title, proposed file, filter → chosen file ("" cancels).
using ScriptSaveDialog = std::function<QString(const QString& title, const QString& proposed, const QString& filter)>;

// "名前を付けて保存" proposing UniqueFileName(FileDir + baseName); a name without a known
// extension gets ".sql"; the lines are written without a byte-order mark in the Encoding
// option's encoding and FileDir becomes the file's folder. The chosen file, empty when
// cancelled; throws when the file cannot be written. The caller says "スクリプトが出力されました。".
QString SaveScriptLines(QWidget* parent, const QString& baseName, const QStringList& lines,
                        const ScriptSaveDialog& dialog = nullptr);

} // namespace qv
