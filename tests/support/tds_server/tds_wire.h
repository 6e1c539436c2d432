#pragma once
// Byte-level helpers of the TDS wire format: a growing little-endian writer and a
// bounds-checked reader that throws on any read past the end of its buffer.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <stdexcept>

namespace qvtds {

// Thrown for every malformed or unsupported input; the session closes the connection.
class ProtocolError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ByteWriter {
public:
    void u8(uint8_t v) { m_data.append(char(v)); }
    void u16(uint16_t v) { u8(v & 0xff); u8(v >> 8); }
    void u16be(uint16_t v) { u8(v >> 8); u8(v & 0xff); }
    void u32(uint32_t v) { u16(v & 0xffff); u16(v >> 16); }
    void u32be(uint32_t v) { u16be(v >> 16); u16be(v & 0xffff); }
    void u64(uint64_t v) { u32(uint32_t(v)); u32(uint32_t(v >> 32)); }
    void bytes(const QByteArray& b) { m_data.append(b); }
    void ucs2(const QString& s) { for (QChar c : s) u16(c.unicode()); }
    // B_VARCHAR: character count in one byte, then UCS-2 (longer texts are cut).
    void bVarchar(const QString& s) { QString t = s.left(255); u8(uint8_t(t.size())); ucs2(t); }
    // US_VARCHAR: character count in two bytes, then UCS-2.
    void usVarchar(const QString& s) { QString t = s.left(65535); u16(uint16_t(t.size())); ucs2(t); }
    void bVarbyte(const QByteArray& b) { u8(uint8_t(b.size())); bytes(b); }
    int size() const { return int(m_data.size()); }
    // Writes a 16-bit little-endian value at an earlier position (token lengths).
    void patchU16(int pos, uint16_t v) { m_data[pos] = char(v & 0xff); m_data[pos + 1] = char(v >> 8); }
    const QByteArray& data() const { return m_data; }
    QByteArray take() { return std::exchange(m_data, {}); }

private:
    QByteArray m_data;
};

class ByteReader {
public:
    explicit ByteReader(const QByteArray& data, int pos = 0) : m_data(data), m_pos(pos)
    {
        if (pos < 0 || pos > data.size())
            throw ProtocolError("read position outside the message");
    }
    // The reader keeps a reference: it must not outlive its buffer.
    ByteReader(QByteArray&&, int = 0) = delete;
    int pos() const { return m_pos; }
    int remaining() const { return int(m_data.size()) - m_pos; }
    bool atEnd() const { return remaining() <= 0; }
    void need(int64_t n) const
    {
        if (n < 0 || n > remaining())
            throw ProtocolError("message ends early");
    }
    void skip(int64_t n) { need(n); m_pos += int(n); }
    uint8_t u8() { need(1); return uint8_t(m_data[m_pos++]); }
    uint8_t peek() const { need(1); return uint8_t(m_data[m_pos]); }
    uint16_t u16() { uint16_t lo = u8(); return uint16_t(lo | (u8() << 8)); }
    uint16_t u16be() { uint16_t hi = u8(); return uint16_t((hi << 8) | u8()); }
    uint32_t u32() { uint32_t lo = u16(); return lo | (uint32_t(u16()) << 16); }
    uint64_t u64() { uint64_t lo = u32(); return lo | (uint64_t(u32()) << 32); }
    QByteArray bytes(int64_t n) { need(n); QByteArray b = m_data.mid(m_pos, int(n)); m_pos += int(n); return b; }
    QString ucs2(int64_t chars)
    {
        if (chars < 0 || chars > remaining() / 2)
            throw ProtocolError("text runs past the end of the message");
        QString s;
        s.reserve(int(chars));
        for (int64_t i = 0; i < chars; ++i)
            s.append(QChar(u16()));
        return s;
    }
    QString bVarchar() { return ucs2(u8()); }
    QString usVarchar() { return ucs2(u16()); }

private:
    const QByteArray& m_data;
    int m_pos;
};

} // namespace qvtds
