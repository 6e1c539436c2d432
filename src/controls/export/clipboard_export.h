#pragma once
// The clipboard text of a whole result: an optional heading line, then one line per record,
// values separated by a tab or ",", every line ended by CR LF. A value holding a tab, LF, CR or
// a double quote has its line breaks made LF and is enclosed in double quotes (inner quotes
// doubled); a comma alone does not cause enclosing. Binary values are empty.
#include "controls/export/export_common.h"

namespace qv::exporting {

// The value as the copy writes it.
QString ClipboardValue(const QString& text);

// Builds the text in one buffer reserved after a measuring pass. A stop during the measuring
// pass leaves the heading alone; a stop during the writing pass keeps the records so far.
QString BuildClipboardText(db::DataSet& ds, const QStringList& headings, bool comma,
                           const StopCheck& stop = {}, ExportOutcome* outcome = nullptr);

} // namespace qv::exporting
