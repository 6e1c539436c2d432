#pragma once
// Excel workbook export of a data set on our own .xlsx layer: a new workbook or a sheet of a
// template workbook filled from a start cell, one record per row (mode 0) or per column (mode 1),
// with an optional heading row (column). Numbers go in as numbers, dates and times as serial
// numbers with a date style, everything else as text; binary values and NULLs leave the cell
// empty. Integers and decimals of more than 15 significant digits go in as text, so no digit is
// lost. Dates before 1900-03-01 (where the format's day count is not the calendar's) go in as text.
//
// Limits are checked before anything is written: rows and columns beyond the sheet's end stop the
// export with a message, and so does a text of more than 32,767 characters; no file is written
// then, and an existing workbook stays as it was.
#include "controls/export/export_common.h"

#include <QString>
#include <QStringList>

namespace qv::exporting {

struct ExcelOptions {
    QString sheet;        // sheet name; empty: the template's active sheet (new workbook: "Sheet1")
    QString templateFile; // template workbook; empty or missing: a new workbook
    int top = 0;          // start row, counted from 0
    int left = 0;         // start column, counted from 0
    int mode = 0;         // 0 one record per row, 1 one record per column
};

// The message of a result too large for one sheet; empty when it fits. `records` is the record
// count, `fields` the count of visible fields.
QString ExcelSizeError(const ExcelOptions& options, bool heading, qint64 records, qint64 fields);

// Writes every record of `ds` (all fetched first) into the workbook `fileName`. `headings` empty:
// no heading. `stop` is polled once per record; a stop saves the records so far. Throws
// qv::Exception (xlsx::LimitError for the limits) with the message to show; nothing is saved then.
ExportOutcome ExportExcel(db::DataSet& ds, const QString& fileName, const ExcelOptions& options,
                          const QStringList& headings, const StopCheck& stop = {},
                          const ProgressFn& progress = {});

} // namespace qv::exporting
