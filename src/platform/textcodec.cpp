#include "platform/textcodec.h"

#include "platform/exceptions.h"

#include <QFile>
#include <QSaveFile>
#include <QtEndian>

#include <cerrno>
#include <iconv.h>

namespace qv {

namespace {

const char* hostUtf16()
{
    return QSysInfo::ByteOrder == QSysInfo::LittleEndian ? "UTF-16LE" : "UTF-16BE";
}

const char* iconvName(TextEncoding::Kind kind)
{
    return kind == TextEncoding::Utf7 ? "UTF-7" : "CP932";
}

class Iconv {
public:
    Iconv(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Iconv()
    {
        if (valid())
            iconv_close(m_cd);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t handle() const { return m_cd; }

private:
    iconv_t m_cd;
};

// Output buffer that grows as iconv fills it.
class OutBuffer {
public:
    explicit OutBuffer(qsizetype initial) { m_data.resize(std::max<qsizetype>(initial, 64)); }
    char** cursor() { return &m_out; }
    size_t* left() { return &m_left; }
    void begin()
    {
        m_out = m_data.data();
        m_left = size_t(m_data.size());
    }
    void grow()
    {
        const qsizetype used = m_out - m_data.data();
        m_data.resize(m_data.size() * 2);
        m_out = m_data.data() + used;
        m_left = size_t(m_data.size() - used);
    }
    void append(const char* bytes, qsizetype n)
    {
        while (m_left < size_t(n))
            grow();
        memcpy(m_out, bytes, size_t(n));
        m_out += n;
        m_left -= size_t(n);
    }
    QByteArray take()
    {
        m_data.resize(m_out - m_data.data());
        return std::move(m_data);
    }

private:
    QByteArray m_data;
    char* m_out = nullptr;
    size_t m_left = 0;
};

// Flushes the shift state (UTF-7 closes an open base64 run).
void flushState(iconv_t cd, OutBuffer& out)
{
    while (iconv(cd, nullptr, nullptr, out.cursor(), out.left()) == size_t(-1) && errno == E2BIG)
        out.grow();
}

QByteArray encodeIconv(TextEncoding::Kind kind, QStringView text)
{
    Iconv cd(iconvName(kind), hostUtf16());
    if (!cd.valid() || text.isEmpty())
        return {};
    OutBuffer out(text.size() * 2 + 16);
    out.begin();
    const char16_t* units = text.utf16();
    qsizetype pos = 0;
    const qsizetype n = text.size();
    while (pos < n) {
        char* in = const_cast<char*>(reinterpret_cast<const char*>(units + pos));
        size_t inLeft = size_t(n - pos) * 2;
        const size_t before = inLeft;
        const size_t r = iconv(cd.handle(), &in, &inLeft, out.cursor(), out.left());
        pos += qsizetype(before - inLeft) / 2;
        if (r != size_t(-1))
            break;
        if (errno == E2BIG) {
            out.grow();
            continue;
        }
        // A character the code page cannot hold, or a lone surrogate: one "?".
        flushState(cd.handle(), out);
        out.append("?", 1);
        const bool pair = QChar::isHighSurrogate(units[pos]) && pos + 1 < n
                          && QChar::isLowSurrogate(units[pos + 1]);
        pos += pair ? 2 : 1;
    }
    flushState(cd.handle(), out);
    return out.take();
}

QString decodeIconv(TextEncoding::Kind kind, QByteArrayView bytes)
{
    Iconv cd(hostUtf16(), iconvName(kind));
    if (!cd.valid() || bytes.isEmpty())
        return {};
    OutBuffer out(bytes.size() * 2 + 16);
    out.begin();
    const qsizetype n = bytes.size();
    qsizetype pos = 0;
    static const char16_t replacement = 0xFFFD;
    while (pos < n) {
        char* in = const_cast<char*>(bytes.data() + pos);
        size_t inLeft = size_t(n - pos);
        const size_t before = inLeft;
        const size_t r = iconv(cd.handle(), &in, &inLeft, out.cursor(), out.left());
        pos += qsizetype(before - inLeft);
        if (r != size_t(-1))
            break;
        if (errno == E2BIG) {
            out.grow();
            continue;
        }
        // Invalid or truncated sequence: one replacement character per bad byte.
        iconv(cd.handle(), nullptr, nullptr, nullptr, nullptr);
        out.append(reinterpret_cast<const char*>(&replacement), 2);
        ++pos;
    }
    flushState(cd.handle(), out);
    const QByteArray raw = out.take();
    return QString(reinterpret_cast<const QChar*>(raw.constData()), raw.size() / 2);
}

QByteArray encodeUtf16(QStringView text, bool bigEndian)
{
    QByteArray out;
    out.resize(text.size() * 2);
    char* p = out.data();
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (bigEndian)
            qToBigEndian<quint16>(u, p);
        else
            qToLittleEndian<quint16>(u, p);
        p += 2;
    }
    return out;
}

QString decodeUtf16(QByteArrayView bytes, bool bigEndian)
{
    const qsizetype units = bytes.size() / 2;
    QString out;
    out.resize(units + (bytes.size() % 2));
    char16_t* d = reinterpret_cast<char16_t*>(out.data());
    const uchar* s = reinterpret_cast<const uchar*>(bytes.data());
    for (qsizetype i = 0; i < units; ++i)
        d[i] = bigEndian ? qFromBigEndian<quint16>(s + 2 * i) : qFromLittleEndian<quint16>(s + 2 * i);
    if (bytes.size() % 2)
        d[units] = 0xFFFD; // a dangling odd byte
    return out;
}

} // namespace

const TextEncoding& TextEncoding::get(Kind kind)
{
    static const TextEncoding encodings[] = {TextEncoding(Ansi), TextEncoding(Utf7),
                                             TextEncoding(Utf8), TextEncoding(Utf16LE),
                                             TextEncoding(Utf16BE)};
    return encodings[kind];
}

const TextEncoding& TextEncoding::fromOption(int value)
{
    if (value < Ansi || value > Utf16BE)
        return get(Ansi);
    return get(Kind(value));
}

QStringList TextEncoding::optionNames()
{
    QStringList names;
    for (int k = Ansi; k <= Utf16BE; ++k)
        names << get(Kind(k)).displayName();
    return names;
}

QString TextEncoding::displayName() const
{
    switch (m_kind) {
    case Ansi: return QStringLiteral("SHIFT-JIS");
    case Utf7: return QStringLiteral("UTF-7");
    case Utf8: return QStringLiteral("UTF-8");
    case Utf16LE: return QStringLiteral("UTF-16 (LE)");
    case Utf16BE: return QStringLiteral("UTF-16 (BE)");
    }
    return {};
}

QByteArray TextEncoding::preamble() const
{
    switch (m_kind) {
    case Utf8: return QByteArray("\xEF\xBB\xBF", 3);
    case Utf16LE: return QByteArray("\xFF\xFE", 2);
    case Utf16BE: return QByteArray("\xFE\xFF", 2);
    default: return {};
    }
}

QByteArray TextEncoding::encode(QStringView text) const
{
    switch (m_kind) {
    case Utf8: return text.toUtf8();
    case Utf16LE: return encodeUtf16(text, false);
    case Utf16BE: return encodeUtf16(text, true);
    default: return encodeIconv(m_kind, text);
    }
}

QString TextEncoding::decode(QByteArrayView bytes) const
{
    switch (m_kind) {
    case Utf8: return QString::fromUtf8(bytes);
    case Utf16LE: return decodeUtf16(bytes, false);
    case Utf16BE: return decodeUtf16(bytes, true);
    default: return decodeIconv(m_kind, bytes);
    }
}

QString TextEncoding::decodeSkippingMark(QByteArrayView bytes) const
{
    const QByteArray mark = preamble();
    if (!mark.isEmpty() && bytes.startsWith(mark))
        bytes = bytes.sliced(mark.size());
    return decode(bytes);
}

QStringList SplitTextLines(QStringView text)
{
    QStringList lines;
    const qsizetype n = text.size();
    {
        // The list is made as long as it will be first: grown line by line, a list of a million
        // lines is copied again at every growth.
        qsizetype count = 1;
        for (qsizetype i = 0; i < n; ++i) {
            const char16_t c = text[i].unicode();
            if (c == u'\n' || (c == u'\r' && (i + 1 >= n || text[i + 1] != u'\n')))
                ++count;
        }
        lines.reserve(count);
    }
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text[i];
        if (c == u'\r' || c == u'\n') {
            lines << text.mid(start, i - start).toString();
            if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n')
                ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < n)
        lines << text.mid(start).toString();
    return lines;
}

QString JoinTextLines(const QStringList& lines)
{
    qsizetype size = 0;
    for (const QString& l : lines)
        size += l.size() + 2;
    QString out;
    out.reserve(size);
    for (const QString& l : lines) {
        out += l;
        out += QLatin1String("\r\n");
    }
    return out;
}

QString ReadTextFile(const QString& fileName, const TextEncoding& encoding)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("ファイル \"%1\" を開けません。%2")
                            .arg(fileName, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Exception(QStringLiteral("ファイル \"%1\" を読み込めません。%2")
                            .arg(fileName, file.errorString()));
    return encoding.decodeSkippingMark(bytes);
}

QStringList ReadTextFileLines(const QString& fileName, const TextEncoding& encoding)
{
    return SplitTextLines(ReadTextFile(fileName, encoding));
}

void WriteTextFile(const QString& fileName, QStringView text, const TextEncoding& encoding,
                   bool withMark)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw Exception(QStringLiteral("ファイル \"%1\" を作成できません。%2")
                            .arg(fileName, file.errorString()));
    QByteArray bytes = withMark ? encoding.preamble() : QByteArray();
    bytes += encoding.encode(text);
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw Exception(QStringLiteral("ファイル \"%1\" に書き込めません。%2")
                            .arg(fileName, file.errorString()));
}

void WriteTextFileLines(const QString& fileName, const QStringList& lines,
                        const TextEncoding& encoding, bool withMark)
{
    WriteTextFile(fileName, JoinTextLines(lines), encoding, withMark);
}

} // namespace qv
