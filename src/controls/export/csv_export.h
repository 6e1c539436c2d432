#pragma once
// CSV file export of a data set: "," separated, an optional heading line, one line per record.
//
// Quoting modes: 0 every value enclosed; 1 values of character types (and GUIDs) enclosed; 2 only
// values that hold a comma, a double quote, a white-space character (\s), an ideographic space
// U+3000, CR or LF. Enclosing doubles every inner double quote. Heading values are always
// enclosed. Binary values are written empty. UTF-16 files start with their byte-order mark;
// UTF-8, UTF-7 and the ANSI code page have none. Every line, the last included, ends with CR LF
// (line-break mode 0) or LF (mode 1).
#include "controls/export/export_common.h"
#include "platform/db/types.h"

#include <QString>
#include <QStringView>
#include <memory>

namespace qv::exporting {

struct CsvOptions {
    int encoding = 2;  // the `Encoding` option value
    int lineBreak = 0; // 0 CR LF, 1 LF
    int quotation = 0; // 0 all, 1 character types only, 2 only when needed
};

// '"' + text with every '"' doubled + '"'.
QString CsvEnclose(QStringView text);
void AppendCsvEnclosed(QString& out, QStringView text);

// The "only when needed" test: one compiled pattern, matched without allocating.
class CsvQuoteRule {
public:
    CsvQuoteRule();
    ~CsvQuoteRule();
    CsvQuoteRule(const CsvQuoteRule&) = delete;
    CsvQuoteRule& operator=(const CsvQuoteRule&) = delete;
    bool needsQuotes(QStringView value) const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// True for the field types whose values quoting mode 1 encloses.
bool IsCsvCharacterType(db::FieldType t);
// True for the field types whose values are never written (binary).
bool IsCsvEmptyType(db::FieldType t);

// Writes the visible fields of every record of `ds` to `fileName`. `headings` empty: no heading
// line. Records are gathered in memory and written in blocks; `stop` is polled once per record
// and ends the export with the records so far written. Throws qv::Exception with the save
// failure message when the file cannot be created or written (what was written stays).
ExportOutcome ExportCsv(db::DataSet& ds, const QString& fileName, const CsvOptions& options,
                        const QStringList& headings, const StopCheck& stop = {},
                        const ProgressFn& progress = {});

} // namespace qv::exporting
