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
#include <algorithm>
#include <QVariant>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <QPair>
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
// The text form of a binary value: "0x" and two upper-case hexadecimal digits per byte, of
// the first maxBytes bytes when maxBytes is 0 or more. Empty bytes give "0x".
QString binaryText(const QByteArray& bytes, qsizetype maxBytes = -1);
// Reads the text form back ("0x" or "0X", an even count of hexadecimal digits of either case).
bool parseBinaryText(QStringView text, QByteArray& bytes);
// The text of a cell ("True"/"False" for bit; binary values in their text form "0x…").
QString cellText(const ColumnDesc& desc, const QVariant& cell);
// The same with the column's field type and storage kind already known (the hot path).
QString cellText(const ColumnDesc& desc, FieldType type, StorageKind kind, const QVariant& cell);
// The text of a non-NULL cell of a column stored as 64-bit integers.
QString intCellText(const ColumnDesc& desc, FieldType type, qint64 value);
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
    FieldType type(int col) const { return m_types[static_cast<size_t>(col)]; }

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
    // Money columns read as plain decimals (BCD fields) or as currency (the default).
    void setCurrencyAsBcd(bool on);

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
    QString text(int col, qint64 row) const
    {
        if (isNull(col, row))
            return QString();
        if (kind(col) == StorageKind::Text)
            return textAt(col, row);
        if (kind(col) == StorageKind::Int64)
            return intCellText(m_columns[static_cast<size_t>(col)], type(col), intAt(col, row));
        return cellText(m_columns[static_cast<size_t>(col)], type(col), kind(col), cell(col, row));
    }

    // Bytes held by the buffers (for figures and tests).
    qint64 memoryUsed() const;

private:
    // Fixed-size chunks: growing never copies what is stored, so a fetch never needs twice the
    // memory of its rows.
    // Chunks are 2 MB. A column's first chunk is allocated untouched, so a small result touches
    // only what it writes. Each further chunk (a long result) is aligned to 2 MB and asked to be
    // backed by huge pages where the system offers them; once a column holds 256 KB, the pages
    // ahead of the writes are made present 64 KB at a time in one request each, just before
    // they are written: a long fetch would otherwise take one page fault per 4 KB it
    // writes, and pages made present long before their use have left the cache again.
    struct ChunkFree {
        void operator()(void* p) const { std::free(p); }
    };
    static constexpr qint64 kChunkBytes = qint64(2) << 20;
    static constexpr qint64 kPrefaultBytes = 64 * 1024;
    static constexpr qint64 kLazyBytes = 256 * 1024; // what a column writes before the prefaulting starts
    static void* allocChunk(size_t bytes, bool large);
    static void prefault(void* from, size_t bytes);
    template <typename T>
    using ChunkPtr = std::unique_ptr<T[], ChunkFree>;
    template <typename T>
    static ChunkPtr<T> newChunk(size_t count, bool large)
    {
        return ChunkPtr<T>(static_cast<T*>(allocChunk(count * sizeof(T), large)));
    }

    template <typename T>
    class Chunked {
    public:
        static_assert(sizeof(T) == 8);
        static constexpr int kShift = 18; // 2 MB chunks
        static constexpr qint64 kChunk = qint64(1) << kShift;
        Chunked() = default;
        Chunked(const Chunked& o) : m_size(o.m_size)
        {
            // Only the used part of each chunk is copied.
            for (size_t i = 0; i < o.m_chunks.size(); ++i) {
                m_chunks.push_back(newChunk<T>(static_cast<size_t>(kChunk), i > 0));
                const qint64 used = std::clamp<qint64>(o.m_size - static_cast<qint64>(i) * kChunk, 0, kChunk);
                std::copy(o.m_chunks[i].get(), o.m_chunks[i].get() + used, m_chunks.back().get());
            }
        }
        Chunked& operator=(const Chunked& o)
        {
            if (this != &o) {
                Chunked copy(o);
                m_chunks.swap(copy.m_chunks);
                m_size = o.m_size;
            }
            return *this;
        }
        Chunked(Chunked&&) noexcept = default;
        Chunked& operator=(Chunked&&) noexcept = default;
        void push_back(T v)
        {
            if ((m_size & (kWindow - 1)) == 0)
                grow();
            m_chunks[static_cast<size_t>(m_size >> kShift)][m_size & (kChunk - 1)] = v;
            ++m_size;
        }
        T operator[](qint64 i) const { return m_chunks[static_cast<size_t>(i >> kShift)][i & (kChunk - 1)]; }
        qint64 size() const { return m_size; }
        qint64 bytes() const { return static_cast<qint64>(m_chunks.size()) * kChunk * static_cast<qint64>(sizeof(T)); }

    private:
        static constexpr qint64 kWindow = kPrefaultBytes / static_cast<qint64>(sizeof(T));
        static constexpr qint64 kLazy = kLazyBytes / static_cast<qint64>(sizeof(T));
        void grow()
        {
            if ((m_size & (kChunk - 1)) == 0 && m_size >> kShift == static_cast<qint64>(m_chunks.size()))
                m_chunks.push_back(newChunk<T>(static_cast<size_t>(kChunk), !m_chunks.empty()));
            if (m_size >= kLazy)
                prefault(&m_chunks[static_cast<size_t>(m_size >> kShift)][m_size & (kChunk - 1)], static_cast<size_t>(kPrefaultBytes));
        }
        std::vector<ChunkPtr<T>> m_chunks;
        qint64 m_size = 0;
    };

    // Variable-length values, each kept whole inside one chunk; a row's start is its chunk
    // number (upper 24 bits) and offset (lower 40 bits). Its end is the next row's start in the
    // same chunk, or the chunk's end.
    template <typename T>
    class Pool {
    public:
        static constexpr qint64 kChunk = kChunkBytes / static_cast<qint64>(sizeof(T));
        Pool() = default;
        Pool(const Pool& o) : m_starts(o.m_starts)
        {
            for (const Block& b : o.m_chunks) {
                m_chunks.push_back(Block{newChunk<T>(static_cast<size_t>(b.capacity), !m_chunks.empty()), b.size, b.capacity, b.capacity});
                std::copy(b.data.get(), b.data.get() + b.size, m_chunks.back().data.get());
            }
        }
        Pool& operator=(const Pool& o)
        {
            if (this != &o) {
                Pool copy(o);
                *this = std::move(copy);
            }
            return *this;
        }
        Pool(Pool&&) noexcept = default;
        Pool& operator=(Pool&&) noexcept = default;
        // A value may carry a flag in its start (the text pool marks its one-byte values).
        static constexpr quint64 kFlag = quint64(1) << 39;
        static constexpr quint64 kOffsetMask = kFlag - 1;
        void append(const T* p, qsizetype n, quint64 flag = 0)
        {
            T* d = appendSpace(n, flag);
            if (n > 0)
                std::memcpy(d, p, static_cast<size_t>(n) * sizeof(T));
        }
        // Room for a value of n elements, written by the caller.
        T* appendSpace(qsizetype n, quint64 flag = 0)
        {
            if (m_chunks.empty() || m_chunks.back().size + n > m_chunks.back().capacity) {
                const qint64 cap = std::max<qint64>(kChunk, n);
                if (!m_chunks.empty() && m_chunks.back().size == 0) {
                    m_chunks.back().data = newChunk<T>(static_cast<size_t>(cap), m_chunks.size() > 1);
                    m_chunks.back().capacity = cap;
                } else {
                    // The first block stays lazy; later ones are made present ahead of the writes.
                    m_chunks.push_back(Block{newChunk<T>(static_cast<size_t>(cap), !m_chunks.empty()), 0, cap,
                                             m_chunks.empty() ? std::min(cap, kLazy) : 0});
                }
            }
            Block& c = m_chunks.back();
            m_starts.push_back((quint64(m_chunks.size() - 1) << 40) | quint64(c.size) | flag);
            if (c.size + n > c.present) {
                const qint64 upTo = std::min(c.capacity, c.size + n + kWindow);
                prefault(c.data.get() + c.present, static_cast<size_t>(upTo - c.present) * sizeof(T));
                c.present = upTo;
            }
            T* d = c.data.get() + c.size;
            c.size += n;
            return d;
        }
        void appendEmpty()
        {
            const quint64 chunk = m_chunks.empty() ? 0 : m_chunks.size() - 1;
            const quint64 off = m_chunks.empty() ? 0 : quint64(m_chunks.back().size);
            m_starts.push_back((chunk << 40) | off);
        }
        QPair<const T*, qsizetype> at(qint64 row) const
        {
            const quint64 s = m_starts[row];
            const auto chunk = static_cast<size_t>(s >> 40);
            const quint64 off = s & kOffsetMask;
            if (chunk >= m_chunks.size())
                return {nullptr, 0};
            quint64 end = quint64(m_chunks[chunk].size);
            if (row + 1 < m_starts.size()) {
                const quint64 n = m_starts[row + 1];
                if (static_cast<size_t>(n >> 40) == chunk)
                    end = n & kOffsetMask;
            }
            return {m_chunks[chunk].data.get() + off, static_cast<qsizetype>(end - off)};
        }
        bool flagged(qint64 row) const { return (m_starts[row] & kFlag) != 0; }
        qint64 bytes() const
        {
            qint64 b = m_starts.bytes();
            for (const auto& c : m_chunks)
                b += c.capacity * static_cast<qint64>(sizeof(T));
            return b;
        }

    private:
        static constexpr qint64 kWindow = kPrefaultBytes / static_cast<qint64>(sizeof(T));
        static constexpr qint64 kLazy = kLazyBytes / static_cast<qint64>(sizeof(T));
        struct Block {
            ChunkPtr<T> data;
            qint64 size = 0;
            qint64 capacity = 0;
            qint64 present = 0; // elements made present ahead of the writes
        };
        std::vector<Block> m_chunks;
        Chunked<quint64> m_starts;
    };

    struct Column {
        StorageKind kind = StorageKind::Text;
        std::vector<quint64> nulls;     // one bit per row
        Chunked<qint64> ints;
        Chunked<double> doubles;
        // Texts: a value whose characters all lie below U+0100 is kept as one byte a character
        // (flagged), any other as UTF-16 code units.
        Pool<char> chars;
        Pool<char> bytes;
    };
    void markNull(Column& c, bool null);

    std::vector<ColumnDesc> m_columns;
    std::vector<FieldType> m_types;
    std::vector<Column> m_cols;
    qint64 m_rows = 0;
};

} // namespace qv::db
