#include "platform/db/result_table.h"
#include "platform/exceptions.h"

#include <QDateTime>
#include <algorithm>
#include <cmath>
#include <new>
#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace qv::db {

static bool isMoney(const ColumnDesc& desc)
{
    return desc.typeName == QLatin1String("money") || desc.typeName == QLatin1String("smallmoney");
}

bool decimalFitsInt64(const ColumnDesc& desc)
{
    const FieldType t = desc.fieldType();
    if (t == FieldType::Currency || isMoney(desc))
        return true;
    return (t == FieldType::BCD || t == FieldType::FMTBcd) && desc.precision > 0 && desc.precision <= 18;
}

StorageKind storageKindFor(const ColumnDesc& desc)
{
    const FieldType t = desc.fieldType();
    switch (t) {
    case FieldType::Boolean:
    case FieldType::Byte:
    case FieldType::Smallint:
    case FieldType::Integer:
    case FieldType::Largeint:
    case FieldType::Word:
    case FieldType::Date:
    case FieldType::Time:
    case FieldType::TimeStamp:
        return StorageKind::Int64;
    case FieldType::Float:
    case FieldType::Single:
        return StorageKind::Double;
    case FieldType::Currency:
    case FieldType::BCD:
    case FieldType::FMTBcd:
        return decimalFitsInt64(desc) ? StorageKind::Int64 : StorageKind::Text;
    case FieldType::Bytes:
    case FieldType::Blob:
        return StorageKind::Bytes;
    default:
        return StorageKind::Text;
    }
}

static int decimalScale(const ColumnDesc& desc)
{
    return desc.fieldType() == FieldType::Currency || isMoney(desc) ? 4 : desc.scale;
}

// ---- dates ------------------------------------------------------------------------------------

// Days since 0001-01-01 of a proleptic Gregorian date.
qint64 daysFromCivil(int y, int m, int d)
{
    // Howard Hinnant's algorithm, shifted so that 0001-01-01 is day 0.
    y -= m <= 2;
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const qint64 yoe = y - era * 400;
    const qint64 doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const qint64 doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 306; // day 0 = 0001-01-01; the algorithm counts from 0000-03-01
}

void civilFromDays(qint64 days, int& y, int& m, int& d)
{
    qint64 z = days + 306;
    const qint64 era = (z >= 0 ? z : z - 146096) / 146097;
    const qint64 doe = z - era * 146097;
    const qint64 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const qint64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const qint64 mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

namespace {

bool readInt(QStringView s, qsizetype& i, int digits, int& out)
{
    out = 0;
    for (int k = 0; k < digits; ++k, ++i) {
        if (i >= s.size() || !s[i].isDigit() || s[i].unicode() > '9')
            return false;
        out = out * 10 + (s[i].unicode() - '0');
    }
    return true;
}

bool parseTimePart(QStringView s, qsizetype& i, qint64& ticks)
{
    int h, mi, se = 0;
    if (!readInt(s, i, 2, h) || i >= s.size() || s[i] != QLatin1Char(':'))
        return false;
    ++i;
    if (!readInt(s, i, 2, mi))
        return false;
    if (i < s.size() && s[i] == QLatin1Char(':')) {
        ++i;
        if (!readInt(s, i, 2, se))
            return false;
    }
    if (h > 23 || mi > 59 || se > 59)
        return false;
    qint64 frac = 0;
    if (i < s.size() && s[i] == QLatin1Char('.')) {
        ++i;
        int n = 0;
        while (i < s.size() && s[i].unicode() >= '0' && s[i].unicode() <= '9') {
            if (n < 7) {
                frac = frac * 10 + (s[i].unicode() - '0');
                ++n;
            }
            ++i;
        }
        for (; n < 7; ++n)
            frac *= 10;
    }
    ticks = (h * 3600LL + mi * 60LL + se) * kTicksPerSecond + frac;
    return true;
}

bool parseDatePart(QStringView s, qsizetype& i, qint64& days)
{
    int y, m, d;
    if (!readInt(s, i, 4, y) || i >= s.size() || (s[i] != QLatin1Char('-') && s[i] != QLatin1Char('/')))
        return false;
    ++i;
    if (!readInt(s, i, 2, m) || i >= s.size() || (s[i] != QLatin1Char('-') && s[i] != QLatin1Char('/')))
        return false;
    ++i;
    if (!readInt(s, i, 2, d))
        return false;
    if (m < 1 || m > 12 || d < 1 || d > 31 || y < 1)
        return false;
    days = daysFromCivil(y, m, d);
    int yy, mm, dd;
    civilFromDays(days, yy, mm, dd);
    return yy == y && mm == m && dd == d;
}

} // namespace

bool parseDateTicks(QStringView text, FieldType type, qint64& ticks)
{
    const QStringView s = text.trimmed();
    qsizetype i = 0;
    if (type == FieldType::Time) {
        if (!parseTimePart(s, i, ticks))
            return false;
        return i == s.size();
    }
    qint64 days = 0;
    if (!parseDatePart(s, i, days))
        return false;
    qint64 t = 0;
    if (i < s.size()) {
        if (s[i] != QLatin1Char(' ') && s[i] != QLatin1Char('T'))
            return false;
        ++i;
        if (!parseTimePart(s, i, t))
            return false;
    }
    if (i != s.size())
        return false;
    ticks = days * kTicksPerDay + (type == FieldType::Date ? 0 : t);
    return true;
}

namespace {

// The text form through the general formatting routines; any value, also out of the ranges the
// quick form below handles.
QString formatDateTicksSlow(qint64 ticks, FieldType type, int fractionDigits)
{
    const qint64 days = ticks / kTicksPerDay;
    qint64 rest = ticks % kTicksPerDay;
    QString out;
    if (type != FieldType::Time) {
        int y, m, d;
        civilFromDays(days, y, m, d);
        out = QStringLiteral("%1-%2-%3").arg(y, 4, 10, QLatin1Char('0')).arg(m, 2, 10, QLatin1Char('0')).arg(d, 2, 10, QLatin1Char('0'));
        if (type == FieldType::Date)
            return out;
        out += QLatin1Char(' ');
    } else {
        rest = ticks;
    }
    const qint64 secs = rest / kTicksPerSecond;
    const qint64 frac = rest % kTicksPerSecond;
    out += QStringLiteral("%1:%2:%3")
               .arg(secs / 3600, 2, 10, QLatin1Char('0'))
               .arg((secs / 60) % 60, 2, 10, QLatin1Char('0'))
               .arg(secs % 60, 2, 10, QLatin1Char('0'));
    if (fractionDigits > 0) {
        QString f = QStringLiteral("%1").arg(frac, 7, 10, QLatin1Char('0'));
        out += QLatin1Char('.') + f.left(std::min(fractionDigits, 7));
    }
    return out;
}

// Writes v (0 <= v < 10^width) as exactly `width` digits.
QChar* putDigits(QChar* p, qint64 v, int width)
{
    for (int i = width - 1; i >= 0; --i) {
        p[i] = QChar(u'0' + static_cast<char16_t>(v % 10));
        v /= 10;
    }
    return p + width;
}

} // namespace

QString formatDateTicks(qint64 ticks, FieldType type, int fractionDigits)
{
    // Listings format many of these: the usual ranges are written digit by digit into one
    // buffer; anything else (negative ticks, years past 9999, times of 100 hours and more) takes
    // the general route, which gives the same text for the usual ranges.
    if (ticks < 0)
        return formatDateTicksSlow(ticks, type, fractionDigits);
    QChar buf[40];
    QChar* p = buf;
    qint64 rest = ticks;
    if (type != FieldType::Time) {
        int y, m, d;
        civilFromDays(ticks / kTicksPerDay, y, m, d);
        if (y < 0 || y > 9999)
            return formatDateTicksSlow(ticks, type, fractionDigits);
        p = putDigits(p, y, 4);
        *p++ = QLatin1Char('-');
        p = putDigits(p, m, 2);
        *p++ = QLatin1Char('-');
        p = putDigits(p, d, 2);
        if (type == FieldType::Date)
            return QString(buf, p - buf);
        *p++ = QLatin1Char(' ');
        rest = ticks % kTicksPerDay;
    }
    const qint64 secs = rest / kTicksPerSecond;
    if (secs / 3600 > 99)
        return formatDateTicksSlow(ticks, type, fractionDigits);
    p = putDigits(p, secs / 3600, 2);
    *p++ = QLatin1Char(':');
    p = putDigits(p, (secs / 60) % 60, 2);
    *p++ = QLatin1Char(':');
    p = putDigits(p, secs % 60, 2);
    if (fractionDigits > 0) {
        *p++ = QLatin1Char('.');
        QChar* f = p;
        putDigits(f, rest % kTicksPerSecond, 7);
        p = f + std::min(fractionDigits, 7);
    }
    return QString(buf, p - buf);
}

// ---- decimals -----------------------------------------------------------------------------------

bool parseScaled(QStringView text, int scale, qint64& value)
{
    QStringView s = text.trimmed();
    bool neg = false;
    qsizetype i = 0;
    if (i < s.size() && (s[i] == QLatin1Char('-') || s[i] == QLatin1Char('+'))) {
        neg = s[i] == QLatin1Char('-');
        ++i;
    }
    unsigned __int128 acc = 0;
    int fracDigits = 0;
    bool seenDot = false, any = false, roundUp = false, pastScale = false;
    for (; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        if (c == u'.' && !seenDot) {
            seenDot = true;
            continue;
        }
        if (c < u'0' || c > u'9')
            return false;
        any = true;
        if (seenDot && fracDigits >= scale) {
            if (!pastScale)
                roundUp = c >= u'5';
            pastScale = true;
            continue;
        }
        acc = acc * 10 + (c - u'0');
        if (seenDot)
            ++fracDigits;
        if (acc > static_cast<unsigned __int128>(INT64_MAX) + 1)
            return false;
    }
    if (!any)
        return false;
    for (; fracDigits < scale; ++fracDigits) {
        acc *= 10;
        if (acc > static_cast<unsigned __int128>(INT64_MAX) + 1)
            return false;
    }
    if (roundUp)
        acc += 1;
    if (acc > static_cast<unsigned __int128>(INT64_MAX) + (neg ? 1 : 0))
        return false;
    value = neg ? static_cast<qint64>(-static_cast<__int128>(acc)) : static_cast<qint64>(acc);
    return true;
}

QString formatScaled(qint64 value, int scale, bool trimZeros)
{
    const bool neg = value < 0;
    unsigned long long mag = neg ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
    QString digits = QString::number(mag);
    if (scale > 0) {
        if (digits.size() <= scale)
            digits = QString(scale - digits.size() + 1, QLatin1Char('0')) + digits;
        digits.insert(digits.size() - scale, QLatin1Char('.'));
        if (trimZeros) {
            qsizetype n = digits.size();
            while (digits.at(n - 1) == QLatin1Char('0'))
                --n;
            if (digits.at(n - 1) == QLatin1Char('.'))
                --n;
            digits.truncate(n);
        }
    }
    return neg ? QLatin1Char('-') + digits : digits;
}

// ---- cells ----------------------------------------------------------------------------------------

static int fractionDigitsOf(const ColumnDesc& d)
{
    const QString& n = d.typeName;
    if (n == QLatin1String("smalldatetime"))
        return 0;
    if (n == QLatin1String("datetime"))
        return 3;
    if (n == QLatin1String("datetime2") || n == QLatin1String("time"))
        return d.scale;
    return d.scale > 0 ? std::min(d.scale, 7) : 3;
}

QVariant toCell(const ColumnDesc& desc, const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return QVariant();
    const FieldType t = desc.fieldType();
    auto bad = [&]() -> QVariant {
        throw Exception(QStringLiteral("'%1' は %2 の値として正しくありません").arg(value.toString(), desc.name));
    };
    switch (storageKindFor(desc)) {
    case StorageKind::Int64:
        if (t == FieldType::Boolean) {
            if (value.typeId() == QMetaType::Bool)
                return qint64(value.toBool() ? 1 : 0);
            const QString s = value.toString().trimmed().toLower();
            if (s == QLatin1String("true") || s == QLatin1String("1") || s == QLatin1String("-1"))
                return qint64(1);
            if (s == QLatin1String("false") || s == QLatin1String("0"))
                return qint64(0);
            return bad();
        }
        if (isDateTimeType(t)) {
            qint64 ticks = 0;
            if (value.typeId() == QMetaType::QDateTime) {
                const QDateTime dt = value.toDateTime();
                const QDate d = dt.date();
                const QTime tm = dt.time();
                ticks = (t == FieldType::Time ? 0 : daysFromCivil(d.year(), d.month(), d.day()) * kTicksPerDay)
                        + (t == FieldType::Date ? 0 : tm.msecsSinceStartOfDay() * 10000LL);
                return ticks;
            }
            if (value.typeId() == QMetaType::QDate) {
                const QDate d = value.toDate();
                return qint64(daysFromCivil(d.year(), d.month(), d.day()) * kTicksPerDay);
            }
            if (value.typeId() == QMetaType::QTime)
                return qint64(value.toTime().msecsSinceStartOfDay() * 10000LL);
            if (value.typeId() == QMetaType::LongLong)
                return value;
            if (!parseDateTicks(value.toString(), t, ticks))
                return bad();
            return ticks;
        }
        if (t == FieldType::Currency || t == FieldType::BCD || t == FieldType::FMTBcd) {
            qint64 v = 0;
            const QString s = value.typeId() == QMetaType::Double ? QString::number(value.toDouble(), 'f', decimalScale(desc))
                                                                  : value.toString();
            if (!parseScaled(s, decimalScale(desc), v))
                return bad();
            return v;
        }
        {
            bool ok = false;
            qint64 v = 0;
            if (value.typeId() == QMetaType::Double) {
                const double d = value.toDouble();
                v = static_cast<qint64>(d);
                ok = static_cast<double>(v) == d;
            } else if (value.typeId() == QMetaType::Bool) {
                v = value.toBool() ? 1 : 0;
                ok = true;
            } else {
                v = value.toString().trimmed().toLongLong(&ok);
            }
            if (!ok)
                return bad();
            return v;
        }
    case StorageKind::Double: {
        bool ok = false;
        const double d = value.typeId() == QMetaType::Double ? (ok = true, value.toDouble()) : value.toString().trimmed().toDouble(&ok);
        if (!ok)
            return bad();
        return d;
    }
    case StorageKind::Bytes:
        if (value.typeId() == QMetaType::QByteArray)
            return value;
        {
            // The text form of a binary value: "0x" and two hexadecimal digits per byte.
            QByteArray bytes;
            if (!parseBinaryText(value.toString().trimmed(), bytes))
                return bad();
            return bytes;
        }
    case StorageKind::Text:
        if (t == FieldType::BCD || t == FieldType::FMTBcd || t == FieldType::Currency) {
            const QString s = value.typeId() == QMetaType::Double ? QString::number(value.toDouble(), 'g', 17) : value.toString().trimmed();
            bool ok = false;
            s.toDouble(&ok);
            if (!ok)
                return bad();
            return s;
        }
        if (value.typeId() == QMetaType::Bool)
            return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
        return value.toString();
    }
    return QVariant();
}

QString binaryText(const QByteArray& bytes, qsizetype maxBytes)
{
    const qsizetype n = maxBytes >= 0 ? std::min(maxBytes, bytes.size()) : bytes.size();
    static const char digits[] = "0123456789ABCDEF";
    QString s(2 + 2 * n, Qt::Uninitialized);
    QChar* out = s.data();
    *out++ = QLatin1Char('0');
    *out++ = QLatin1Char('x');
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    for (qsizetype i = 0; i < n; ++i) {
        *out++ = QLatin1Char(digits[p[i] >> 4]);
        *out++ = QLatin1Char(digits[p[i] & 15]);
    }
    return s;
}

bool parseBinaryText(QStringView text, QByteArray& bytes)
{
    if (text.size() < 2 || text[0] != QLatin1Char('0') || (text[1] != QLatin1Char('x') && text[1] != QLatin1Char('X')))
        return false;
    const QStringView hex = text.mid(2);
    if (hex.size() % 2 != 0)
        return false;
    auto nibble = [](QChar c) -> int {
        const char16_t u = c.unicode();
        if (u >= u'0' && u <= u'9') return u - u'0';
        if (u >= u'a' && u <= u'f') return u - u'a' + 10;
        if (u >= u'A' && u <= u'F') return u - u'A' + 10;
        return -1;
    };
    QByteArray out(hex.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < out.size(); ++i) {
        const int hi = nibble(hex[2 * i]), lo = nibble(hex[2 * i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        out[i] = static_cast<char>(hi << 4 | lo);
    }
    bytes = out;
    return true;
}

QString cellText(const ColumnDesc& desc, const QVariant& cell)
{
    return cellText(desc, desc.fieldType(), storageKindFor(desc), cell);
}

QString intCellText(const ColumnDesc& desc, FieldType t, qint64 v)
{
    if (t == FieldType::Boolean)
        return v ? QStringLiteral("True") : QStringLiteral("False");
    if (isDateTimeType(t))
        return formatDateTicks(v, t, fractionDigitsOf(desc));
    if (t == FieldType::Currency || t == FieldType::BCD || t == FieldType::FMTBcd)
        return formatScaled(v, decimalScale(desc), true);
    return QString::number(v);
}

QString cellText(const ColumnDesc& desc, FieldType t, StorageKind kind, const QVariant& cell)
{
    if (!cell.isValid() || cell.isNull())
        return QString();
    switch (kind) {
    case StorageKind::Int64: return intCellText(desc, t, cell.toLongLong());
    case StorageKind::Double:
        return QString::number(cell.toDouble(), 'g', t == FieldType::Single ? 7 : 15);
    case StorageKind::Bytes:
        return binaryText(cell.toByteArray());
    case StorageKind::Text:
        return cell.toString();
    }
    return QString();
}

QVariant cellToValue(const ColumnDesc& desc, const QVariant& cell)
{
    if (!cell.isValid() || cell.isNull())
        return QVariant();
    const FieldType t = desc.fieldType();
    if (storageKindFor(desc) == StorageKind::Int64) {
        const qint64 v = cell.toLongLong();
        if (t == FieldType::Boolean)
            return v != 0;
        if (t == FieldType::Date || t == FieldType::TimeStamp) {
            int y, m, d;
            civilFromDays(v / kTicksPerDay, y, m, d);
            const QDate date(y, m, d);
            if (t == FieldType::Date)
                return date;
            return QDateTime(date, QTime::fromMSecsSinceStartOfDay(static_cast<int>((v % kTicksPerDay) / 10000)));
        }
        if (t == FieldType::Time)
            return QTime::fromMSecsSinceStartOfDay(static_cast<int>(v / 10000));
        if (t == FieldType::Currency || t == FieldType::BCD)
            return formatScaled(v, decimalScale(desc), true).toDouble();
        if (t == FieldType::FMTBcd)
            return formatScaled(v, decimalScale(desc), true);
        return v;
    }
    if (t == FieldType::BCD || t == FieldType::Currency)
        return cell.toString().toDouble();
    return cell;
}

// ---- ResultTable ------------------------------------------------------------------------------------

void* ResultTable::allocChunk(size_t bytes, bool large)
{
    constexpr size_t huge = size_t(2) << 20;
    void* p = nullptr;
    if (large && bytes % huge == 0) {
        p = std::aligned_alloc(huge, bytes);
#if defined(__linux__) && defined(MADV_HUGEPAGE)
        if (p)
            madvise(p, bytes, MADV_HUGEPAGE); // a hint: errors do not matter
#endif
    }
    if (!p)
        p = std::malloc(std::max<size_t>(bytes, 1));
    if (!p)
        throw std::bad_alloc();
    return p;
}

void ResultTable::prefault(void* from, size_t bytes)
{
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
    const quintptr page = 4096;
    const quintptr b = reinterpret_cast<quintptr>(from);
    const quintptr start = (b + page - 1) & ~(page - 1);
    const quintptr end = (b + bytes) & ~(page - 1);
    if (end > start)
        madvise(reinterpret_cast<void*>(start), end - start, MADV_POPULATE_WRITE); // a hint: errors do not matter
#else
    Q_UNUSED(from);
    Q_UNUSED(bytes);
#endif
}

ResultTable::ResultTable(std::vector<ColumnDesc> columns) : m_columns(std::move(columns))
{
    m_cols.resize(m_columns.size());
    for (size_t i = 0; i < m_columns.size(); ++i) {
        m_cols[i].kind = storageKindFor(m_columns[i]);
        m_types.push_back(m_columns[i].fieldType());
    }
}

void ResultTable::setCurrencyAsBcd(bool on)
{
    for (size_t i = 0; i < m_columns.size(); ++i) {
        ColumnDesc& d = m_columns[i];
        ColumnDesc plain = d;
        plain.currencyAsBcd = false;
        if (plain.fieldType() != FieldType::Currency)
            continue;
        d.currencyAsBcd = on; // the cells stay as they are: both forms keep the value times 10^4
        m_types[i] = d.fieldType();
    }
}

void ResultTable::reserve(qint64 rows)
{
    for (auto& c : m_cols)
        c.nulls.reserve(static_cast<size_t>(rows / 64 + 1));
}

void ResultTable::markNull(Column& c, bool null)
{
    const auto word = static_cast<size_t>(m_rows >> 6);
    if (c.nulls.size() <= word)
        c.nulls.resize(word + 1, 0);
    if (null)
        c.nulls[word] |= (quint64(1) << (m_rows & 63));
}

void ResultTable::appendNull(int col)
{
    auto& c = m_cols[static_cast<size_t>(col)];
    markNull(c, true);
    switch (c.kind) {
    case StorageKind::Int64: c.ints.push_back(0); break;
    case StorageKind::Double: c.doubles.push_back(0); break;
    case StorageKind::Text: c.chars.appendEmpty(); break;
    case StorageKind::Bytes: c.bytes.appendEmpty(); break;
    }
}

void ResultTable::appendInt(int col, qint64 v)
{
    auto& c = m_cols[static_cast<size_t>(col)];
    markNull(c, false);
    c.ints.push_back(v);
}

void ResultTable::appendDouble(int col, double v)
{
    auto& c = m_cols[static_cast<size_t>(col)];
    markNull(c, false);
    c.doubles.push_back(v);
}

void ResultTable::appendText(int col, const char16_t* s, qsizetype len)
{
    auto& c = m_cols[static_cast<size_t>(col)];
    markNull(c, false);
    char16_t any = 0;
    for (qsizetype i = 0; i < len; ++i)
        any |= s[i];
    if (any < 0x100) {
        char* d = c.chars.appendSpace(len, decltype(c.chars)::kFlag);
        for (qsizetype i = 0; i < len; ++i)
            d[i] = static_cast<char>(s[i]);
    } else {
        c.chars.append(reinterpret_cast<const char*>(s), len * 2);
    }
}

void ResultTable::appendBytes(int col, const char* p, qsizetype len)
{
    auto& c = m_cols[static_cast<size_t>(col)];
    markNull(c, false);
    c.bytes.append(p, len);
}

void ResultTable::appendCell(int col, const QVariant& cell)
{
    if (!cell.isValid() || cell.isNull()) {
        appendNull(col);
        return;
    }
    switch (kind(col)) {
    case StorageKind::Int64: appendInt(col, cell.toLongLong()); break;
    case StorageKind::Double: appendDouble(col, cell.toDouble()); break;
    case StorageKind::Text: appendText(col, cell.toString()); break;
    case StorageKind::Bytes: {
        const QByteArray b = cell.toByteArray();
        appendBytes(col, b.constData(), b.size());
        break;
    }
    }
}

QString ResultTable::textAt(int col, qint64 row) const
{
    const auto& pool = m_cols[static_cast<size_t>(col)].chars;
    const auto v = pool.at(row);
    if (pool.flagged(row))
        return QString::fromLatin1(v.first, v.second);
    QString text(v.second / 2, Qt::Uninitialized);
    if (v.second > 0)
        std::memcpy(text.data(), v.first, static_cast<size_t>(v.second / 2) * sizeof(char16_t));
    return text;
}

QByteArray ResultTable::bytesAt(int col, qint64 row) const
{
    const auto v = m_cols[static_cast<size_t>(col)].bytes.at(row);
    return QByteArray(v.first, v.second);
}

QVariant ResultTable::cell(int col, qint64 row) const
{
    if (isNull(col, row))
        return QVariant();
    switch (kind(col)) {
    case StorageKind::Int64: return intAt(col, row);
    case StorageKind::Double: return doubleAt(col, row);
    case StorageKind::Text: return textAt(col, row);
    case StorageKind::Bytes: return bytesAt(col, row);
    }
    return QVariant();
}

qint64 ResultTable::memoryUsed() const
{
    qint64 total = 0;
    for (const auto& c : m_cols)
        total += static_cast<qint64>(c.nulls.capacity() * sizeof(quint64)) + c.ints.bytes() + c.doubles.bytes()
                 + c.chars.bytes() + c.bytes.bytes();
    return total;
}

} // namespace qv::db
