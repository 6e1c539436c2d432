#pragma once
// Compact column storage of a fetched result: one growable buffer per column, not one object per
// cell. Values are kept in their "cell" form:
//   - 64-bit integer: bit, tinyint … bigint; decimal/numeric of up to 18 digits and money as the
//     value times 10^scale; date, time and date-time types as 100-nanosecond ticks (since
//     0001-01-01 00:00 for dates and date-times, since midnight for times)
//   - double: float, real
//   - UTF-16 text: character types, memos, uniqueidentifier, wider decimals, datetimeoffset
//   - bytes: binary types
// A cell as a QVariant holds qint64, double, QString or QByteArray; an invalid QVariant is NULL.
#include "platform/db/types.h"

#include <QString>
#include <QVariant>
#include <cstdint>
#include <vector>

namespace qv::db {

enum class StorageKind { Int64, Double, Text, Bytes };

// How a column of this description is stored.
StorageKind storageKindFor(const ColumnDesc& desc);
// Decimal columns stored as scaled integers: true when every value fits in 64 bits.
bool decimalFitsInt64(const ColumnDesc& desc);

constexpr qint64 kTicksPerSecond = 10000000;
constexpr qint64 kTicksPerDay = 86400LL * kTicksPerSecond;

// Conversions between the text forms and the cell form. Text forms are those SQL Server gives:
// "YYYY-MM-DD", "hh:mm:ss[.fffffff]", "YYYY-MM-DD hh:mm:ss[.fffffff]" ("T" accepted for the blank).
bool parseDateTicks(QStringView text, FieldType type, qint64& ticks);
QString formatDateTicks(qint64 ticks, FieldType type, int fractionDigits);
qint64 daysFromCivil(int y, int m, int d);
void civilFromDays(qint64 days, int& y, int& m, int& d);
// Decimal text ↔ scaled integer. parse fails on overflow or on more fraction digits than scale
// that are not zeros (they are rounded half away from zero).
bool parseScaled(QStringView text, int scale, qint64& value);
QString formatScaled(qint64 value, int scale, bool trimZeros);

// Converts any value a caller offers (text, number, QDateTime …) to the cell form of a column.
// Throws qv::Exception when the value does not fit the type.
QVariant toCell(const ColumnDesc& desc, const QVariant& value);
// The text of a cell ("True"/"False" for bit; blobs: see Field::AsString).
QString cellText(const ColumnDesc& desc, const QVariant& cell);
// The value a caller reads (Field::Value): bool, qint64, double, QString, QDate, QTime, QDateTime
// or QByteArray.
QVariant cellToValue(const ColumnDesc& desc, const QVariant& cell);

class ResultTable {
public:
    explicit ResultTable(std::vector<ColumnDesc> columns = {});

    const std::vector<ColumnDesc>& columns() const { return m_columns; }
    int columnCount() const { return static_cast<int>(m_columns.size()); }
    qint64 rowCount() const { return m_rows; }
    StorageKind kind(int col) const { return m_cols[static_cast<size_t>(col)].kind; }

    // Appending, column by column; every column must receive one value per row, then endRow().
    void appendNull(int col);
    void appendInt(int col, qint64 v);
    void appendDouble(int col, double v);
    void appendText(int col, const char16_t* s, qsizetype len);
    void appendText(int col, const QString& s) { appendText(col, reinterpret_cast<const char16_t*>(s.utf16()), s.size()); }
    void appendBytes(int col, const char* p, qsizetype len);
    void appendCell(int col, const QVariant& cell); // a cell in the form of its column
    void endRow() { ++m_rows; }
    void reserve(qint64 rows);

    bool isNull(int col, qint64 row) const
    {
        const auto& c = m_cols[static_cast<size_t>(col)];
        return (c.nulls[static_cast<size_t>(row >> 6)] >> (row & 63)) & 1U;
    }
    qint64 intAt(int col, qint64 row) const { return m_cols[static_cast<size_t>(col)].ints[static_cast<size_t>(row)]; }
    double doubleAt(int col, qint64 row) const { return m_cols[static_cast<size_t>(col)].doubles[static_cast<size_t>(row)]; }
    QString textAt(int col, qint64 row) const;
    QByteArray bytesAt(int col, qint64 row) const;
    QVariant cell(int col, qint64 row) const;
    QString text(int col, qint64 row) const { return isNull(col, row) ? QString() : cellText(m_columns[static_cast<size_t>(col)], cell(col, row)); }

    // Bytes held by the buffers (for figures and tests).
    qint64 memoryUsed() const;

private:
    struct Column {
        StorageKind kind = StorageKind::Text;
        std::vector<quint64> nulls;     // one bit per row
        std::vector<qint64> ints;
        std::vector<double> doubles;
        std::vector<char16_t> chars;    // Text: all values one after another
        std::vector<char> bytes;        // Bytes: likewise
        std::vector<quint64> ends;      // Text/Bytes: end offset of each row's value
    };
    void markNull(Column& c, bool null);

    std::vector<ColumnDesc> m_columns;
    std::vector<Column> m_cols;
    qint64 m_rows = 0;
};

} // namespace qv::db
