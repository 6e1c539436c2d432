#pragma once
// Excel and clipboard output of a list or grid that the window already holds as text rows (job
// history, lock statistics, capture lists, matrices …). The Excel output asks for a file in the
// save dialog, proposing a numbered name in the Excel folder, and writes every cell as text into
// a new workbook; the clipboard output asks for the separator when the paste dialog option is on.
#include <QChar>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace qv::exporting {

// Tests answer the boxes here: text, flags and, for the clipboard question, the comma check
// box's state (read and written). Unset: the program's message boxes.
struct GridOutputHooks {
    static std::function<int(const QString& text, int flags, bool* comma)>& message();
};

// The file chosen for an Excel output of `baseName`, empty when cancelled: the proposal is the
// first free numbered name of ExcelDir + baseName + ExcelExt; a name without a known extension
// gets ExcelExt.
QString AskExcelFileName(QWidget* parent, const QString& baseName);

// Writes `rows` (the first row usually the headings) into a new workbook, every cell as text
// with CR LF turned into a blank; `columnWidths` maps 1-based columns to widths. An existing
// file is replaced only once the new one is complete. Throws qv::Exception.
void WriteGridWorkbook(const QString& fileName, const QList<QStringList>& rows,
                       const QMap<int, double>& columnWidths = {});

// The whole Excel command: file dialog, workbook, "ファイルに出力しました。", ExcelDir. False on
// cancel or failure (the failure is reported).
bool GridExcelOutput(QWidget* parent, const QString& baseName, const QList<QStringList>& rows,
                     const QMap<int, double>& columnWidths = {});

// The clipboard text of `rows`: fields joined by `separator`, CR LF inside a field turned into a
// blank, every line ended by CR LF. `progress` (row done, row count) is called before each row
// and stops the text there when it returns true.
QString GridClipboardText(const QList<QStringList>& rows, QChar separator,
                          const std::function<bool(int, int)>& progress = {});

// The whole clipboard command: the separator question when PasteDialog is on (PasteColumn
// seeds and receives the comma choice), the text with the main window's loop message and Esc,
// "クリップボードに出力しました。". False when the question was not answered with Yes.
bool GridClipboardOutput(const QList<QStringList>& rows);

} // namespace qv::exporting
