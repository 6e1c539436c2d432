#include "tds_types.h"

#include <QDate>
#include <QRegularExpression>
#include <QUuid>
#include <cmath>
#include <cstring>
#include <iconv.h>
#include <stdexcept>

namespace qvtds {

namespace {

using u128 = unsigned __int128;

enum : uint8_t {
    tNull = 0x1F, tInt1 = 0x30, tBit = 0x32, tInt2 = 0x34, tInt4 = 0x38, tDateTim4 = 0x3A,
    tFlt4 = 0x3B, tMoney = 0x3C, tDateTime = 0x3D, tFlt8 = 0x3E, tMoney4 = 0x7A, tInt8 = 0x7F,
    tGuid = 0x24, tIntN = 0x26, tDecimal = 0x37, tNumeric = 0x3F, tBitN = 0x68, tDecimalN = 0x6A,
    tNumericN = 0x6C, tFltN = 0x6D, tMoneyN = 0x6E, tDateTimeN = 0x6F, tDateN = 0x28, tTimeN = 0x29,
    tDateTime2N = 0x2A, tDateTimeOffsetN = 0x2B, tChar = 0x2F, tVarChar = 0x27, tBinary = 0x2D,
    tVarBinary = 0x25, tBigVarBinary = 0xA5, tBigVarChar = 0xA7, tBigBinary = 0xAD, tBigChar = 0xAF,
    tNVarChar = 0xE7, tNChar = 0xEF, tText = 0x23, tImage = 0x22, tNText = 0x63, tVariant = 0x62,
};

[[noreturn]] void badValue(const QString& what)
{
    throw std::invalid_argument(what.toStdString());
}

int decimalBytes(int precision)
{
    if (precision <= 9) return 5;
    if (precision <= 19) return 9;
    if (precision <= 28) return 13;
    return 17;
}

int timeBytes(int scale) { return scale <= 2 ? 3 : scale <= 4 ? 4 : 5; }

int64_t pow10(int n)
{
    int64_t r = 1;
    while (n-- > 0) r *= 10;
    return r;
}

const int64_t kDaysTo1900 = QDate(1, 1, 1).daysTo(QDate(1900, 1, 1));

// Parses "[-]digits[.digits]" into an integer scaled by 10^scale (rounding half away from zero).
bool parseScaled(QString text, int scale, u128* magnitude, bool* negative)
{
    text = text.trimmed();
    static const QRegularExpression re(QStringLiteral("^([+-]?)(\\d*)(?:\\.(\\d*))?(?:[eE]([+-]?\\d+))?$"));
    auto m = re.match(text);
    if (!m.hasMatch() || (m.captured(2).isEmpty() && m.captured(3).isEmpty()))
        return false;
    QString digits = m.captured(2) + m.captured(3);
    int exp = -int(m.captured(3).size());
    if (!m.captured(4).isEmpty())
        exp += m.captured(4).toInt();
    // value = digits * 10^exp; want digits * 10^(exp + scale)
    int shift = exp + scale;
    bool roundUp = false;
    if (shift < 0) {
        int drop = -shift;
        if (drop > digits.size()) {
            digits.clear();
        } else {
            roundUp = digits.at(digits.size() - drop) >= QLatin1Char('5');
            digits.chop(drop);
        }
        shift = 0;
    }
    digits += QString(shift, QLatin1Char('0'));
    u128 v = 0;
    const u128 limit = u128(1) << 126;
    for (QChar c : digits) {
        v = v * 10 + u128(c.digitValue());
        if (v > limit)
            return false;
    }
    if (roundUp)
        ++v;
    *magnitude = v;
    *negative = m.captured(1) == QLatin1String("-") && v != 0;
    return true;
}

QString scaledToText(u128 v, bool negative, int scale)
{
    QString digits;
    do {
        digits.prepend(QChar(u'0' + int(v % 10)));
        v /= 10;
    } while (v != 0);
    if (scale > 0) {
        if (digits.size() <= scale)
            digits.prepend(QString(scale - digits.size() + 1, QLatin1Char('0')));
        digits.insert(digits.size() - scale, QLatin1Char('.'));
    }
    return negative ? QLatin1Char('-') + digits : digits;
}

QString valueText(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::QDateTime: return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    case QMetaType::QDate: return v.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    case QMetaType::QTime: return v.toTime().toString(QStringLiteral("HH:mm:ss.zzz"));
    case QMetaType::Bool: return v.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case QMetaType::Double: return QString::number(v.toDouble(), 'g', 17);
    default: return v.toString();
    }
}

bool parseDateTimeText(const QString& s, int64_t* days, int64_t* ticks)
{
    QString t = s.trimmed();
    int sep = t.indexOf(QRegularExpression(QStringLiteral("[ T]")));
    QString datePart = sep < 0 ? t : t.left(sep);
    QString timePart = sep < 0 ? QString() : t.mid(sep + 1).trimmed();
    if (!parseDateText(datePart, days))
        return false;
    *ticks = 0;
    return timePart.isEmpty() || parseTimeText(timePart, ticks);
}

void writeLe(ByteWriter& w, u128 v, int n)
{
    for (int i = 0; i < n; ++i) {
        w.u8(uint8_t(v & 0xff));
        v >>= 8;
    }
}

QByteArray binaryFrom(const QVariant& v)
{
    if (v.typeId() == QMetaType::QByteArray)
        return v.toByteArray();
    QString s = v.toString().trimmed();
    if (s.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        s = s.mid(2);
    static const QRegularExpression hex(QStringLiteral("^([0-9A-Fa-f]{2})*$"));
    if (!hex.match(s).hasMatch())
        badValue(QStringLiteral("not a hexadecimal binary value: ") + s);
    return QByteArray::fromHex(s.toLatin1());
}

QByteArray guidBytes(const QVariant& v)
{
    QUuid u(v.toString().trimmed());
    if (u.isNull() && !v.toString().trimmed().startsWith(QLatin1String("00000000")))
        badValue(QStringLiteral("not a uniqueidentifier: ") + v.toString());
    ByteWriter w;
    w.u32(u.data1);
    w.u16(u.data2);
    w.u16(u.data3);
    for (unsigned char b : u.data4)
        w.u8(b);
    return w.take();
}

void writeText(ByteWriter& w, const QByteArray& bytes, int maxBytes, bool plp)
{
    if (plp) {
        w.u64(uint64_t(bytes.size()));
        if (!bytes.isEmpty()) {
            w.u32(uint32_t(bytes.size()));
            w.bytes(bytes);
        }
        w.u32(0);
        return;
    }
    if (bytes.size() > maxBytes)
        badValue(QStringLiteral("value longer than its column (%1 > %2 bytes)").arg(bytes.size()).arg(maxBytes));
    w.u16(uint16_t(bytes.size()));
    w.bytes(bytes);
}

QByteArray ucs2Bytes(const QString& s)
{
    ByteWriter w;
    w.ucs2(s);
    return w.take();
}

const char* charsetOf(const QByteArray& collation)
{
    if (collation.size() < 5)
        return "CP1252";
    uint32_t info = uint8_t(collation[0]) | (uint8_t(collation[1]) << 8) | (uint8_t(collation[2]) << 16)
                    | (uint32_t(uint8_t(collation[3])) << 24);
    if (info & (1u << 26))
        return "UTF-8";
    switch (info & 0xFFFFF) {
    case 0x0411: return "CP932";
    case 0x0804: case 0x1004: return "CP936";
    case 0x0412: return "CP949";
    case 0x0404: case 0x0C04: case 0x1404: return "CP950";
    default: return "CP1252";
    }
}

QString quoted(const QString& s, bool unicode)
{
    QString q = s;
    q.replace(QLatin1Char('\''), QLatin1String("''"));
    return (unicode ? QStringLiteral("N'") : QStringLiteral("'")) + q + QLatin1Char('\'');
}

QString timeText(int64_t ticks, int scale)
{
    int64_t secs = ticks / 10000000;
    int64_t frac = ticks % 10000000;
    QString s = QStringLiteral("%1:%2:%3").arg(secs / 3600 % 24, 2, 10, QLatin1Char('0'))
                    .arg(secs / 60 % 60, 2, 10, QLatin1Char('0')).arg(secs % 60, 2, 10, QLatin1Char('0'));
    if (scale > 0)
        s += QLatin1Char('.') + QStringLiteral("%1").arg(frac, 7, 10, QLatin1Char('0')).left(scale);
    return s;
}

QString dateText(int64_t daysFrom0001) { return QDate(1, 1, 1).addDays(daysFrom0001).toString(QStringLiteral("yyyy-MM-dd")); }

uint64_t readLe(ByteReader& r, int n)
{
    uint64_t v = 0;
    for (int i = 0; i < n; ++i)
        v |= uint64_t(r.u8()) << (8 * i);
    return v;
}

QByteArray readPlp(ByteReader& r, bool* isNull)
{
    uint64_t total = r.u64();
    *isNull = total == ~uint64_t(0);
    QByteArray out;
    if (*isNull)
        return out;
    if (total != ~uint64_t(0) - 1 && total > uint64_t(r.remaining()))
        throw ProtocolError("PLP value longer than the message");
    for (;;) {  // each chunk consumes at least four bytes, so this ends with the message
        uint32_t chunk = r.u32();
        if (chunk == 0)
            break;
        out.append(r.bytes(chunk));
    }
    return out;
}

} // namespace

bool parseDateText(const QString& s, int64_t* daysFrom0001)
{
    static const QRegularExpression re(QStringLiteral("^(\\d{4})-(\\d{1,2})-(\\d{1,2})$"));
    auto m = re.match(s.trimmed());
    if (!m.hasMatch())
        return false;
    QDate d(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    if (!d.isValid())
        return false;
    *daysFrom0001 = QDate(1, 1, 1).daysTo(d);
    return true;
}

bool parseTimeText(const QString& s, int64_t* ticks100ns)
{
    static const QRegularExpression re(QStringLiteral("^(\\d{1,2}):(\\d{2})(?::(\\d{2})(?:\\.(\\d{1,7}))?)?$"));
    auto m = re.match(s.trimmed());
    if (!m.hasMatch())
        return false;
    int h = m.captured(1).toInt(), mi = m.captured(2).toInt(), se = m.captured(3).toInt();
    if (h > 23 || mi > 59 || se > 59)
        return false;
    QString frac = m.captured(4).leftJustified(7, QLatin1Char('0'));
    *ticks100ns = ((int64_t(h) * 60 + mi) * 60 + se) * 10000000 + frac.toLongLong();
    return true;
}

QByteArray encodeText(const QString& s, const char* charset)
{
    QByteArray in = s.toUtf8();
    if (qstrcmp(charset, "UTF-8") == 0)
        return in;
    QByteArray target = QByteArray(charset) + "//TRANSLIT";
    iconv_t cd = iconv_open(target.constData(), "UTF-8");
    if (cd == iconv_t(-1))
        return s.toLatin1();
    QByteArray out(in.size() * 2 + 16, '\0');
    char* ip = in.data();
    size_t il = size_t(in.size());
    char* op = out.data();
    size_t ol = size_t(out.size());
    while (il > 0) {
        if (iconv(cd, &ip, &il, &op, &ol) == size_t(-1)) {
            if (errno == EILSEQ || errno == EINVAL) {  // a character without a mapping: '?'
                ++ip;
                --il;
                while (il > 0 && (uint8_t(*ip) & 0xC0) == 0x80) { ++ip; --il; }
                if (ol == 0) break;
                *op++ = '?';
                --ol;
            } else {
                break;
            }
        }
    }
    iconv_close(cd);
    out.truncate(int(op - out.data()));
    return out;
}

QString decodeText(const QByteArray& b, const char* charset)
{
    if (qstrcmp(charset, "UTF-8") == 0)
        return QString::fromUtf8(b);
    iconv_t cd = iconv_open("UTF-8", charset);
    if (cd == iconv_t(-1))
        return QString::fromLatin1(b);
    QByteArray in = b;
    QByteArray out(in.size() * 4 + 16, '\0');
    char* ip = in.data();
    size_t il = size_t(in.size());
    char* op = out.data();
    size_t ol = size_t(out.size());
    while (il > 0) {
        if (iconv(cd, &ip, &il, &op, &ol) == size_t(-1)) {
            if (errno == EILSEQ || errno == EINVAL) {
                ++ip;
                --il;
                if (ol < 3) break;
                *op++ = '?';
                --ol;
            } else {
                break;
            }
        }
    }
    iconv_close(cd);
    out.truncate(int(op - out.data()));
    return QString::fromUtf8(out);
}

QByteArray serverCollation()
{
    // Japanese, case-, kana- and width-insensitive, accent-sensitive; no SQL sort id.
    return QByteArray::fromHex("1104d00000");
}

bool parseColumnType(const QString& text, ColumnType* out)
{
    static const QRegularExpression re(
        QStringLiteral("^\\s*([a-z_0-9]+)\\s*(?:\\(\\s*(max|\\d+)\\s*(?:,\\s*(\\d+)\\s*)?\\))?\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    auto m = re.match(text);
    if (!m.hasMatch())
        return false;
    QString name = m.captured(1).toLower();
    QString a = m.captured(2).toLower();
    bool hasA = !a.isEmpty();
    int n = a == QLatin1String("max") ? -1 : a.toInt();
    bool hasB = !m.captured(3).isEmpty();
    int b = m.captured(3).toInt();
    ColumnType t;
    struct Simple { const char* name; SqlType type; };
    static const Simple simple[] = {
        {"int", SqlType::Int}, {"smallint", SqlType::SmallInt}, {"tinyint", SqlType::TinyInt},
        {"bigint", SqlType::BigInt}, {"bit", SqlType::Bit}, {"real", SqlType::Real},
        {"money", SqlType::Money}, {"smallmoney", SqlType::SmallMoney}, {"datetime", SqlType::DateTime},
        {"smalldatetime", SqlType::SmallDateTime}, {"date", SqlType::Date},
        {"uniqueidentifier", SqlType::UniqueIdentifier}, {"sql_variant", SqlType::SqlVariant},
    };
    for (const auto& s : simple) {
        if (name == QLatin1String(s.name)) {
            if (hasA)
                return false;
            t.type = s.type;
            *out = t;
            return true;
        }
    }
    if (name == QLatin1String("float")) {
        t.type = hasA && n > 0 && n <= 24 ? SqlType::Real : SqlType::Float;
    } else if (name == QLatin1String("decimal") || name == QLatin1String("numeric")) {
        t.type = name == QLatin1String("decimal") ? SqlType::Decimal : SqlType::Numeric;
        t.precision = hasA ? n : 18;
        t.scale = hasB ? b : 0;
        if (t.precision < 1 || t.precision > 38 || t.scale > t.precision)
            return false;
    } else if (name == QLatin1String("time") || name == QLatin1String("datetime2")) {
        t.type = name == QLatin1String("time") ? SqlType::Time : SqlType::DateTime2;
        t.scale = hasA ? n : 7;
        if (t.scale < 0 || t.scale > 7)
            return false;
    } else {
        struct Sized { const char* name; SqlType type; int maxLen; int defLen; };
        static const Sized sized[] = {
            {"nvarchar", SqlType::NVarChar, 4000, 1}, {"varchar", SqlType::VarChar, 8000, 1},
            {"nchar", SqlType::NChar, 4000, 1}, {"char", SqlType::Char, 8000, 1},
            {"varbinary", SqlType::VarBinary, 8000, 1}, {"binary", SqlType::Binary, 8000, 1},
            {"sysname", SqlType::NVarChar, 128, 128},
        };
        bool found = false;
        for (const auto& s : sized) {
            if (name == QLatin1String(s.name)) {
                found = true;
                t.type = s.type;
                t.length = hasA ? n : s.defLen;
                bool fixed = s.type == SqlType::NChar || s.type == SqlType::Char || s.type == SqlType::Binary;
                if (hasB || (t.length == -1 && fixed) || t.length == 0 || t.length > s.maxLen)
                    return false;
            }
        }
        if (!found)
            return false;
    }
    *out = t;
    return true;
}

QString columnTypeName(const ColumnType& t)
{
    auto len = [&](const char* n) {
        return QString::fromLatin1(n) + QLatin1Char('(')
               + (t.length < 0 ? QStringLiteral("max") : QString::number(t.length)) + QLatin1Char(')');
    };
    switch (t.type) {
    case SqlType::Int: return QStringLiteral("int");
    case SqlType::SmallInt: return QStringLiteral("smallint");
    case SqlType::TinyInt: return QStringLiteral("tinyint");
    case SqlType::BigInt: return QStringLiteral("bigint");
    case SqlType::Bit: return QStringLiteral("bit");
    case SqlType::Decimal: return QStringLiteral("decimal(%1,%2)").arg(t.precision).arg(t.scale);
    case SqlType::Numeric: return QStringLiteral("numeric(%1,%2)").arg(t.precision).arg(t.scale);
    case SqlType::Float: return QStringLiteral("float");
    case SqlType::Real: return QStringLiteral("real");
    case SqlType::Money: return QStringLiteral("money");
    case SqlType::SmallMoney: return QStringLiteral("smallmoney");
    case SqlType::DateTime: return QStringLiteral("datetime");
    case SqlType::SmallDateTime: return QStringLiteral("smalldatetime");
    case SqlType::DateTime2: return QStringLiteral("datetime2(%1)").arg(t.scale);
    case SqlType::Date: return QStringLiteral("date");
    case SqlType::Time: return QStringLiteral("time(%1)").arg(t.scale);
    case SqlType::NVarChar: return len("nvarchar");
    case SqlType::VarChar: return len("varchar");
    case SqlType::NChar: return len("nchar");
    case SqlType::Char: return len("char");
    case SqlType::VarBinary: return len("varbinary");
    case SqlType::Binary: return len("binary");
    case SqlType::UniqueIdentifier: return QStringLiteral("uniqueidentifier");
    case SqlType::SqlVariant: return QStringLiteral("sql_variant");
    }
    return {};
}

ColumnType wireType(const ColumnType& t, const WireVersion& v)
{
    ColumnType w = t;
    if (t.type == SqlType::SqlVariant) {
        w.type = SqlType::NVarChar;
        w.length = 4000;
    }
    if (!v.hasDateTypes() && (t.type == SqlType::Date || t.type == SqlType::Time || t.type == SqlType::DateTime2)) {
        w.type = SqlType::NVarChar;
        w.length = 40;
    }
    if (!v.hasMaxTypes() && w.length < 0)
        w.length = (w.type == SqlType::NVarChar) ? 4000 : 8000;
    return w;
}

void writeTypeInfo(ByteWriter& w, const ColumnType& t)
{
    switch (t.type) {
    case SqlType::Int: w.u8(tIntN); w.u8(4); break;
    case SqlType::SmallInt: w.u8(tIntN); w.u8(2); break;
    case SqlType::TinyInt: w.u8(tIntN); w.u8(1); break;
    case SqlType::BigInt: w.u8(tIntN); w.u8(8); break;
    case SqlType::Bit: w.u8(tBitN); w.u8(1); break;
    case SqlType::Decimal:
    case SqlType::Numeric:
        w.u8(t.type == SqlType::Decimal ? tDecimalN : tNumericN);
        w.u8(uint8_t(decimalBytes(t.precision)));
        w.u8(uint8_t(t.precision));
        w.u8(uint8_t(t.scale));
        break;
    case SqlType::Float: w.u8(tFltN); w.u8(8); break;
    case SqlType::Real: w.u8(tFltN); w.u8(4); break;
    case SqlType::Money: w.u8(tMoneyN); w.u8(8); break;
    case SqlType::SmallMoney: w.u8(tMoneyN); w.u8(4); break;
    case SqlType::DateTime: w.u8(tDateTimeN); w.u8(8); break;
    case SqlType::SmallDateTime: w.u8(tDateTimeN); w.u8(4); break;
    case SqlType::Date: w.u8(tDateN); break;
    case SqlType::Time: w.u8(tTimeN); w.u8(uint8_t(t.scale)); break;
    case SqlType::DateTime2: w.u8(tDateTime2N); w.u8(uint8_t(t.scale)); break;
    case SqlType::NVarChar:
    case SqlType::NChar:
        w.u8(t.type == SqlType::NVarChar ? tNVarChar : tNChar);
        w.u16(t.length < 0 ? 0xFFFF : uint16_t(t.length * 2));
        w.bytes(serverCollation());
        break;
    case SqlType::VarChar:
    case SqlType::Char:
        w.u8(t.type == SqlType::VarChar ? tBigVarChar : tBigChar);
        w.u16(t.length < 0 ? 0xFFFF : uint16_t(t.length));
        w.bytes(serverCollation());
        break;
    case SqlType::VarBinary:
    case SqlType::Binary:
        w.u8(t.type == SqlType::VarBinary ? tBigVarBinary : tBigBinary);
        w.u16(t.length < 0 ? 0xFFFF : uint16_t(t.length));
        break;
    case SqlType::UniqueIdentifier: w.u8(tGuid); w.u8(16); break;
    case SqlType::SqlVariant:  // sent as nvarchar (wireType)
        w.u8(tNVarChar); w.u16(8000); w.bytes(serverCollation());
        break;
    }
}

void writeValue(ByteWriter& w, const ColumnType& t, const QVariant& value)
{
    const bool isNull = !value.isValid() || value.isNull();
    const bool plp = t.length < 0 && (t.type == SqlType::NVarChar || t.type == SqlType::VarChar || t.type == SqlType::VarBinary);
    if (isNull) {
        switch (t.type) {
        case SqlType::NVarChar: case SqlType::NChar: case SqlType::VarChar: case SqlType::Char:
        case SqlType::VarBinary: case SqlType::Binary: case SqlType::SqlVariant:
            if (plp) w.u64(~uint64_t(0)); else w.u16(0xFFFF);
            break;
        default:
            w.u8(0);
        }
        return;
    }
    const QString text = valueText(value);
    auto integer = [&](int bytes, int64_t lo, int64_t hi) {
        bool ok = false;
        qlonglong v = text.trimmed().toLongLong(&ok);
        if (!ok || v < lo || v > hi)
            badValue(QStringLiteral("not a %1: %2").arg(columnTypeName(t), text));
        w.u8(uint8_t(bytes));
        writeLe(w, u128(uint64_t(v)), bytes);
    };
    switch (t.type) {
    case SqlType::Int: integer(4, INT32_MIN, INT32_MAX); break;
    case SqlType::SmallInt: integer(2, INT16_MIN, INT16_MAX); break;
    case SqlType::TinyInt: integer(1, 0, 255); break;
    case SqlType::BigInt: integer(8, INT64_MIN, INT64_MAX); break;
    case SqlType::Bit: {
        QString s = text.trimmed().toLower();
        bool on = s == QLatin1String("1") || s == QLatin1String("true");
        if (!on && s != QLatin1String("0") && s != QLatin1String("false"))
            badValue(QStringLiteral("not a bit: ") + text);
        w.u8(1);
        w.u8(on ? 1 : 0);
        break;
    }
    case SqlType::Decimal:
    case SqlType::Numeric: {
        u128 mag;
        bool neg;
        if (!parseScaled(text, t.scale, &mag, &neg))
            badValue(QStringLiteral("not a number: ") + text);
        u128 limit = 1;
        for (int i = 0; i < t.precision; ++i) limit *= 10;
        if (mag >= limit)
            badValue(QStringLiteral("%1 does not fit %2").arg(text, columnTypeName(t)));
        int n = decimalBytes(t.precision);
        w.u8(uint8_t(n));
        w.u8(neg ? 0 : 1);
        writeLe(w, mag, n - 1);
        break;
    }
    case SqlType::Float:
    case SqlType::Real: {
        bool ok = false;
        double d = text.trimmed().toDouble(&ok);
        if (!ok)
            badValue(QStringLiteral("not a number: ") + text);
        if (t.type == SqlType::Float) {
            uint64_t bits;
            std::memcpy(&bits, &d, 8);
            w.u8(8);
            w.u64(bits);
        } else {
            float f = float(d);
            uint32_t bits;
            std::memcpy(&bits, &f, 4);
            w.u8(4);
            w.u32(bits);
        }
        break;
    }
    case SqlType::Money:
    case SqlType::SmallMoney: {
        u128 mag;
        bool neg;
        if (!parseScaled(text, 4, &mag, &neg) || mag > u128(INT64_MAX) + (neg ? 1 : 0))
            badValue(QStringLiteral("not a money value: ") + text);
        int64_t v = int64_t(neg ? ~uint64_t(mag) + 1 : uint64_t(mag));
        if (t.type == SqlType::Money) {
            w.u8(8);
            w.u32(uint32_t(uint64_t(v) >> 32));
            w.u32(uint32_t(uint64_t(v)));
        } else {
            if (v < INT32_MIN || v > INT32_MAX)
                badValue(QStringLiteral("not a smallmoney value: ") + text);
            w.u8(4);
            w.u32(uint32_t(int32_t(v)));
        }
        break;
    }
    case SqlType::DateTime:
    case SqlType::SmallDateTime: {
        int64_t days, ticks;
        if (!parseDateTimeText(text, &days, &ticks))
            badValue(QStringLiteral("not a date and time: ") + text);
        days -= kDaysTo1900;
        if (t.type == SqlType::DateTime) {
            int64_t t300 = (ticks * 3 + 50000) / 100000;  // 1/300 s, rounded
            if (t300 >= int64_t(300) * 86400) { t300 = 0; ++days; }
            w.u8(8);
            w.u32(uint32_t(int32_t(days)));
            w.u32(uint32_t(t300));
        } else {
            int64_t minutes = (ticks + 300000000) / 600000000;
            if (minutes >= 1440) { minutes = 0; ++days; }
            if (days < 0 || days > 65535)
                badValue(QStringLiteral("not a smalldatetime: ") + text);
            w.u8(4);
            w.u16(uint16_t(days));
            w.u16(uint16_t(minutes));
        }
        break;
    }
    case SqlType::Date: {
        int64_t days, ticks;
        if (!parseDateTimeText(text, &days, &ticks))
            badValue(QStringLiteral("not a date: ") + text);
        w.u8(3);
        writeLe(w, u128(days), 3);
        break;
    }
    case SqlType::Time:
    case SqlType::DateTime2: {
        int64_t days = 0, ticks = 0;
        bool ok = t.type == SqlType::Time ? parseTimeText(text, &ticks)
                                          : parseDateTimeText(text, &days, &ticks);
        if (!ok && t.type == SqlType::Time)  // a full date and time: keep its time
            ok = parseDateTimeText(text, &days, &ticks);
        if (!ok)
            badValue(QStringLiteral("not a time: ") + text);
        int n = timeBytes(t.scale);
        int64_t units = ticks / pow10(7 - t.scale);
        w.u8(uint8_t(t.type == SqlType::Time ? n : n + 3));
        writeLe(w, u128(units), n);
        if (t.type == SqlType::DateTime2)
            writeLe(w, u128(days), 3);
        break;
    }
    case SqlType::NVarChar:
    case SqlType::NChar:
    case SqlType::SqlVariant: {
        QString s = text;
        if (t.type == SqlType::NChar && s.size() < t.length)
            s = s.leftJustified(t.length, QLatin1Char(' '));
        writeText(w, ucs2Bytes(s), t.length < 0 ? 0 : (t.type == SqlType::SqlVariant ? 8000 : t.length * 2), plp);
        break;
    }
    case SqlType::VarChar:
    case SqlType::Char: {
        QByteArray b = encodeText(text, "CP932");
        if (t.type == SqlType::Char && b.size() < t.length)
            b.append(QByteArray(t.length - b.size(), ' '));
        writeText(w, b, t.length, plp);
        break;
    }
    case SqlType::VarBinary:
    case SqlType::Binary: {
        QByteArray b = binaryFrom(value);
        if (t.type == SqlType::Binary && b.size() < t.length)
            b.append(QByteArray(t.length - b.size(), '\0'));
        writeText(w, b, t.length, plp);
        break;
    }
    case SqlType::UniqueIdentifier:
        w.u8(16);
        w.bytes(guidBytes(value));
        break;
    }
}

RpcParam readRpcParam(ByteReader& r)
{
    RpcParam p;
    p.name = r.bVarchar();
    uint8_t status = r.u8();
    p.output = status & 0x01;
    uint8_t type = r.u8();
    auto setNull = [&] { p.isNull = true; p.value = QVariant(); p.literal = QStringLiteral("NULL"); };
    auto setValue = [&](const QVariant& v, const QString& lit) { p.isNull = false; p.value = v; p.literal = lit; };
    auto intValue = [&](int n) {
        uint64_t raw = readLe(r, n);
        int64_t v = n == 8 ? int64_t(raw) : n == 4 ? int64_t(int32_t(raw)) : n == 2 ? int64_t(int16_t(raw)) : int64_t(raw);
        setValue(qlonglong(v), QString::number(v));
    };
    auto floatValue = [&](int n) {
        double d;
        if (n == 8) { uint64_t b = r.u64(); std::memcpy(&d, &b, 8); }
        else { uint32_t b = r.u32(); float f; std::memcpy(&f, &b, 4); d = f; }
        setValue(d, QString::number(d, 'g', 17));
    };
    auto moneyValue = [&](int n) {
        int64_t v;
        if (n == 8) { uint64_t hi = r.u32(); v = int64_t((hi << 32) | r.u32()); }
        else v = int32_t(r.u32());
        QString s = scaledToText(u128(v < 0 ? -v : v), v < 0, 4);
        setValue(s, s);
    };
    auto dateTimeValue = [&](int n) {
        QString s;
        if (n == 8) {
            int32_t days = int32_t(r.u32());
            uint32_t t300 = r.u32();
            int64_t ms = (int64_t(t300) * 10 + 1) / 3;
            s = dateText(days + kDaysTo1900) + QLatin1Char(' ') + timeText(ms * 10000, 3);
        } else {
            uint16_t days = r.u16();
            uint16_t minutes = r.u16();
            s = dateText(days + kDaysTo1900) + QLatin1Char(' ') + timeText(int64_t(minutes) * 600000000, 0);
        }
        setValue(s, quoted(s, false));
    };
    auto fixed = [&](uint8_t ty) {
        switch (ty) {
        case tInt1: intValue(1); break;
        case tBit: { bool b = r.u8() != 0; setValue(b, b ? QStringLiteral("1") : QStringLiteral("0")); break; }
        case tInt2: intValue(2); break;
        case tInt4: intValue(4); break;
        case tInt8: intValue(8); break;
        case tFlt4: floatValue(4); break;
        case tFlt8: floatValue(8); break;
        case tMoney: moneyValue(8); break;
        case tMoney4: moneyValue(4); break;
        case tDateTime: dateTimeValue(8); break;
        case tDateTim4: dateTimeValue(4); break;
        }
    };
    switch (type) {
    case tNull: setNull(); break;
    case tInt1: case tBit: case tInt2: case tInt4: case tInt8: case tFlt4: case tFlt8:
    case tMoney: case tMoney4: case tDateTime: case tDateTim4:
        fixed(type);
        break;
    case tIntN: case tBitN: case tFltN: case tMoneyN: case tDateTimeN: case tGuid: {
        uint8_t maxLen = r.u8();
        uint8_t len = r.u8();
        if (len == 0) { setNull(); break; }
        if (len > maxLen && maxLen != 0)
            throw ProtocolError("parameter value longer than its type");
        if (type == tGuid) {
            if (len != 16) throw ProtocolError("bad uniqueidentifier length");
            const QByteArray raw = r.bytes(16);
            ByteReader g(raw);
            uint32_t d1 = g.u32(); uint16_t d2 = g.u16(); uint16_t d3 = g.u16();
            uchar d4[8];
            for (auto& b : d4) b = g.u8();
            QString s = QUuid(d1, d2, d3, d4[0], d4[1], d4[2], d4[3], d4[4], d4[5], d4[6], d4[7])
                            .toString(QUuid::WithoutBraces).toUpper();
            setValue(s, quoted(s, false));
        } else if (type == tIntN && (len == 1 || len == 2 || len == 4 || len == 8)) {
            fixed(len == 1 ? tInt1 : len == 2 ? tInt2 : len == 4 ? tInt4 : tInt8);
        } else if (type == tBitN && len == 1) {
            fixed(tBit);
        } else if (type == tFltN && (len == 4 || len == 8)) {
            fixed(len == 4 ? tFlt4 : tFlt8);
        } else if (type == tMoneyN && (len == 4 || len == 8)) {
            fixed(len == 4 ? tMoney4 : tMoney);
        } else if (type == tDateTimeN && (len == 4 || len == 8)) {
            fixed(len == 4 ? tDateTim4 : tDateTime);
        } else {
            throw ProtocolError("bad length of a fixed-size parameter");
        }
        break;
    }
    case tDecimalN: case tNumericN: case tDecimal: case tNumeric: {
        uint8_t maxLen = r.u8();
        uint8_t precision = r.u8();
        uint8_t scale = r.u8();
        if (precision > 38 || scale > precision || maxLen > 17)
            throw ProtocolError("bad decimal parameter");
        uint8_t len = r.u8();
        if (len == 0) { setNull(); break; }
        if (len < 2 || len > 17)
            throw ProtocolError("bad decimal length");
        bool positive = r.u8() != 0;
        u128 mag = 0;
        for (int i = 0; i < len - 1; ++i)
            mag |= u128(r.u8()) << (8 * i);
        QString s = scaledToText(mag, !positive && mag != 0, scale);
        setValue(s, s);
        break;
    }
    case tDateN: {
        uint8_t len = r.u8();
        if (len == 0) { setNull(); break; }
        if (len != 3) throw ProtocolError("bad date length");
        QString s = dateText(int64_t(readLe(r, 3)));
        setValue(s, quoted(s, false));
        break;
    }
    case tTimeN: case tDateTime2N: case tDateTimeOffsetN: {
        uint8_t scale = r.u8();
        if (scale > 7) throw ProtocolError("bad time scale");
        uint8_t len = r.u8();
        if (len == 0) { setNull(); break; }
        int n = timeBytes(scale);
        int expect = n + (type == tTimeN ? 0 : 3) + (type == tDateTimeOffsetN ? 2 : 0);
        if (len != expect) throw ProtocolError("bad time length");
        int64_t ticks = int64_t(readLe(r, n)) * pow10(7 - scale);
        if (ticks >= int64_t(864000000000)) throw ProtocolError("time out of range");
        QString s = timeText(ticks, scale);
        if (type != tTimeN)
            s = dateText(int64_t(readLe(r, 3))) + QLatin1Char(' ') + s;
        if (type == tDateTimeOffsetN) {
            int16_t off = int16_t(r.u16());
            int a = off < 0 ? -off : off;
            s += QStringLiteral(" %1%2:%3").arg(off < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                     .arg(a / 60, 2, 10, QLatin1Char('0')).arg(a % 60, 2, 10, QLatin1Char('0'));
        }
        setValue(s, quoted(s, false));
        break;
    }
    case tBigVarChar: case tBigChar: case tNVarChar: case tNChar:
    case tBigVarBinary: case tBigBinary: {
        uint16_t maxLen = r.u16();
        QByteArray collation;
        if (type != tBigVarBinary && type != tBigBinary)
            collation = r.bytes(5);
        QByteArray data;
        bool null = false;
        if (maxLen == 0xFFFF) {
            data = readPlp(r, &null);
        } else {
            uint16_t len = r.u16();
            null = len == 0xFFFF;
            if (!null) {
                if (len > maxLen) throw ProtocolError("parameter value longer than its type");
                data = r.bytes(len);
            }
        }
        if (null) { setNull(); break; }
        if (type == tNVarChar || type == tNChar) {
            if (data.size() % 2) throw ProtocolError("odd length of a Unicode parameter");
            ByteReader tr(data);
            QString s = tr.ucs2(data.size() / 2);
            setValue(s, quoted(s, true));
        } else if (type == tBigVarChar || type == tBigChar) {
            QString s = decodeText(data, charsetOf(collation));
            setValue(s, quoted(s, false));
        } else {
            setValue(data, QStringLiteral("0x") + QString::fromLatin1(data.toHex().toUpper()));
        }
        break;
    }
    case tText: case tNText: case tImage: {
        uint32_t maxLen = r.u32();
        Q_UNUSED(maxLen);
        QByteArray collation;
        if (type != tImage)
            collation = r.bytes(5);
        uint32_t len = r.u32();
        if (len == 0xFFFFFFFF) { setNull(); break; }
        QByteArray data = r.bytes(len);
        if (type == tNText) {
            if (data.size() % 2) throw ProtocolError("odd length of a Unicode parameter");
            ByteReader tr(data);
            QString s = tr.ucs2(data.size() / 2);
            setValue(s, quoted(s, true));
        } else if (type == tText) {
            QString s = decodeText(data, charsetOf(collation));
            setValue(s, quoted(s, false));
        } else {
            setValue(data, QStringLiteral("0x") + QString::fromLatin1(data.toHex().toUpper()));
        }
        break;
    }
    case tVarChar: case tChar: case tVarBinary: case tBinary: {
        uint8_t maxLen = r.u8();
        uint8_t len = r.u8();
        if (len > maxLen) throw ProtocolError("parameter value longer than its type");
        QByteArray data = r.bytes(len);
        if (type == tVarBinary || type == tBinary)
            setValue(data, QStringLiteral("0x") + QString::fromLatin1(data.toHex().toUpper()));
        else {
            QString s = decodeText(data, "CP1252");
            setValue(s, quoted(s, false));
        }
        break;
    }
    default:
        throw ProtocolError("unsupported parameter type");
    }
    return p;
}

} // namespace qvtds
