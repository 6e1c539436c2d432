#pragma once
// Shared pieces of the result exports (CSV file, INSERT script, clipboard text): the fields an
// export writes, their headings, the stop and progress callbacks, and a text file written in
// encoded blocks so that memory stays flat however many records are written.
#include "app/options.h"
#include "platform/textcodec.h"

#include <QFile>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace qv::db {
class DataSet;
class Field;
} // namespace qv::db

namespace qv::exporting {

// Polled once per record; true stops the export (the records so far are kept).
using StopCheck = std::function<bool()>;
// Told (records done, record count) every so many records and once at the end.
using ProgressFn = std::function<void(qint64, qint64)>;

// The visible fields of a data set, in field order.
QList<db::Field*> VisibleFields(const db::DataSet& ds);

// The heading of each field: its display name, or with `tmComment` the comment kept for the
// field's name in `comments` (the display name when that is missing or empty). Empty for
// `tmNone`.
QStringList FieldHeadings(const QList<db::Field*>& fields, TTitleMode mode,
                          const QHash<QString, QString>& comments = {});

// What an export did.
struct ExportOutcome {
    qint64 records = 0;   // records written
    qint64 total = 0;     // records in the data set
    bool stopped = false; // ended early by the stop check
};

// A text file written in blocks: each block is encoded and written at once. An existing file is
// replaced. Failures throw qv::Exception with `failureMessage(fileName)`.
class BlockTextWriter {
public:
    BlockTextWriter(const QString& fileName, const TextEncoding& encoding, bool withMark);
    ~BlockTextWriter();
    BlockTextWriter(const BlockTextWriter&) = delete;
    BlockTextWriter& operator=(const BlockTextWriter&) = delete;

    void write(QStringView text);
    void close();

    // The message shown when a file cannot be created or written.
    static QString failureMessage(const QString& fileName);

private:
    [[noreturn]] void fail();
    QFile m_file;
    const TextEncoding& m_encoding;
};

} // namespace qv::exporting
