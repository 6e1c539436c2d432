#include "app/qvstrings.h"

#include <algorithm>

#include "app/options.h"

#include <QHash>
#include <QRegularExpression>

#include <cmath>
#include <limits>
#include <optional>

namespace qv {

namespace {

bool useLowerNameOption() { return qvOption.UseLowerName; }
bool nullLineOption() { return ScriptOption.NullLine; }

bool isTrimBlank(QChar c)
{
    return c == u'\t' || c == u'\n' || c == u'\r' || c == u' ';
}

QString doubleQuoted(const QString& name)
{
    QString out = name;
    out.replace(u'"', QLatin1String("\"\""));
    return u'"' + out + u'"';
}

} // namespace

bool IsRegularIdentifier(const QString& name)
{
    // The server's reserved keywords, and GO, which alone on a line would end a batch.
    static const QStringList reserved = [] {
        QStringList l = QStringLiteral(
            "ADD ALL ALTER AND ANY AS ASC AUTHORIZATION BACKUP BEGIN BETWEEN BREAK BROWSE BULK BY "
            "CASCADE CASE CHECK CHECKPOINT CLOSE CLUSTERED COALESCE COLLATE COLUMN COMMIT COMPUTE "
            "CONSTRAINT CONTAINS CONTAINSTABLE CONTINUE CONVERT CREATE CROSS CURRENT CURRENT_DATE "
            "CURRENT_TIME CURRENT_TIMESTAMP CURRENT_USER CURSOR DATABASE DBCC DEALLOCATE DECLARE "
            "DEFAULT DELETE DENY DESC DISK DISTINCT DISTRIBUTED DOUBLE DROP DUMP ELSE END ERRLVL "
            "ESCAPE EXCEPT EXEC EXECUTE EXISTS EXIT EXTERNAL FETCH FILE FILLFACTOR FOR FOREIGN "
            "FREETEXT FREETEXTTABLE FROM FULL FUNCTION GO GOTO GRANT GROUP HAVING HOLDLOCK IDENTITY "
            "IDENTITY_INSERT IDENTITYCOL IF IN INDEX INNER INSERT INTERSECT INTO IS JOIN KEY KILL "
            "LEFT LIKE LINENO LOAD MERGE NATIONAL NOCHECK NONCLUSTERED NOT NULL NULLIF OF OFF "
            "OFFSETS ON OPEN OPENDATASOURCE OPENQUERY OPENROWSET OPENXML OPTION OR ORDER OUTER OVER "
            "PERCENT PIVOT PLAN PRECISION PRIMARY PRINT PROC PROCEDURE PUBLIC RAISERROR READ "
            "READTEXT RECONFIGURE REFERENCES REPLICATION RESTORE RESTRICT RETURN REVERT REVOKE RIGHT "
            "ROLLBACK ROWCOUNT ROWGUIDCOL RULE SAVE SCHEMA SECURITYAUDIT SELECT "
            "SEMANTICKEYPHRASETABLE SEMANTICSIMILARITYDETAILSTABLE SEMANTICSIMILARITYTABLE "
            "SESSION_USER SET SETUSER SHUTDOWN SOME STATISTICS SYSTEM_USER TABLE TABLESAMPLE "
            "TEXTSIZE THEN TO TOP TRAN TRANSACTION TRIGGER TRUNCATE TRY_CONVERT TSEQUAL UNION "
            "UNIQUE UNPIVOT UPDATE UPDATETEXT USE USER VALUES VARYING VIEW WAITFOR WHEN WHERE WHILE "
            "WITH WITHIN WRITETEXT").split(u' ');
        l.sort();
        return l;
    }();
    if (name.isEmpty())
        return false;
    const QChar first = name[0];
    if (!(first.isLetter() || first == u'_'))
        return false;
    for (QChar c : name)
        if (!(c.isLetterOrNumber() || c == u'_'))
            return false;
    return !std::binary_search(reserved.begin(), reserved.end(), name.toUpper());
}

QString QuoteIdentifier(const QString& name, bool force)
{
    // Bare only where the option allows it and the server reads the name bare; an empty name
    // stays empty then (there is nothing to bracket).
    if (!useLowerNameOption() && !force && (name.isEmpty() || IsRegularIdentifier(name)))
        return name;
    QString inner = name;
    inner.replace(u']', QLatin1String("]]"));
    return u'[' + inner + u']';
}

bool IsBracketQuoted(const QString& name)
{
    const QString t = TrimWhiteSpace(name);
    if (t.size() < 2 || !t.startsWith(u'[') || !t.endsWith(u']'))
        return false;
    // Every "]" inside must be one of a doubled pair.
    for (qsizetype i = 1; i < t.size() - 1; ++i) {
        if (t[i] != u']')
            continue;
        if (i + 1 >= t.size() - 1 || t[i + 1] != u']')
            return false;
        ++i;
    }
    return true;
}

QString QuoteIdentifierKeepQuoted(const QString& name, bool force)
{
    return IsBracketQuoted(name) ? name : QuoteIdentifier(name, force);
}

QString DoubleQuoteName(const QString& name)
{
    const QString trimmed = name.trimmed();
    if (!trimmed.startsWith(u'"')) {
        if (trimmed != name.toUpper())
            return doubleQuoted(name);
        if (name.contains(u'-') || useLowerNameOption())
            return doubleQuoted(name);
    }
    if (name.contains(u'(') || name.contains(u')') || name.contains(QChar(0xFF08))
        || name.contains(QChar(0xFF09)))
        return doubleQuoted(name);
    return name;
}

QString QuoteLiteral(const QString& text)
{
    QString out = text;
    out.replace(u'\'', QLatin1String("''"));
    return u'\'' + out + u'\'';
}

QString AddUnicodePrefix(const QString& text)
{
    if (!text.isEmpty() && text.front() == u'\'' && text.back() == u'\'')
        return u'N' + text;
    return text;
}

bool IsUnicodeLiteral(const QString& text)
{
    static const QRegularExpression re(QStringLiteral("^N'.*'$"));
    return re.match(text).hasMatch();
}

bool StrInArray(QStringView text, const QStringList& values, bool partial)
{
    for (const QString& v : values) {
        if (text == v)
            return true;
        if (partial && !v.isEmpty() && text.contains(v))
            return true;
    }
    return false;
}

QString CopyFromTo(const QString& text, qsizetype from, qsizetype to)
{
    if (to < from)
        return {};
    // The usual 1-based copy: a start before 1 counts from 1, a count past the end stops there.
    qsizetype start = std::max<qsizetype>(from, 1);
    const qsizetype end = std::min<qsizetype>(to, text.size());
    if (start > end)
        return {};
    return text.mid(start - 1, end - start + 1);
}

qsizetype AnsiPosFrom(const QByteArray& subStr, const QByteArray& text, qsizetype offset)
{
    if (subStr.isEmpty() || offset < 1 || offset > text.size())
        return 0;
    auto isLead = [](uchar b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); };
    qsizetype i = offset - 1;
    const qsizetype last = text.size() - subStr.size();
    while (i <= last) {
        if (memcmp(text.constData() + i, subStr.constData(), size_t(subStr.size())) == 0)
            return i + 1;
        i += (isLead(uchar(text[i])) && i + 1 < text.size()) ? 2 : 1;
    }
    return 0;
}

QString TrimWhiteSpace(QStringView text)
{
    qsizetype b = 0;
    qsizetype e = text.size();
    while (b < e && isTrimBlank(text[b]))
        ++b;
    while (e > b && isTrimBlank(text[e - 1]))
        --e;
    return text.mid(b, e - b).toString();
}

QString RemoveCR(const QString& text)
{
    QString out = text;
    out.remove(u'\r');
    return out;
}

QString AsciiLower(const QString& text)
{
    QString out = text;
    for (QChar& c : out)
        if (c.unicode() >= 'A' && c.unicode() <= 'Z')
            c = QChar(char16_t(c.unicode() + 32));
    return out;
}

int DisplayWidth(QStringView text)
{
    int width = 0;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        width += ((u >= 0x20 && u <= 0x7E) || (u >= 0xFF61 && u <= 0xFF9F)) ? 1 : 2;
    }
    return width;
}

namespace {

bool usable(const QVariant& value)
{
    return value.isValid() && !value.isNull();
}

bool isNumericType(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong:
    case QMetaType::ULongLong: case QMetaType::Double: case QMetaType::Float:
    case QMetaType::Short: case QMetaType::UShort: case QMetaType::Long: case QMetaType::ULong:
    case QMetaType::Char: case QMetaType::UChar: case QMetaType::SChar: case QMetaType::Bool:
        return true;
    default:
        return false;
    }
}

std::optional<double> toDouble(const QVariant& value)
{
    if (!usable(value))
        return std::nullopt;
    bool ok = false;
    double d = 0;
    if (value.typeId() == QMetaType::QString || value.typeId() == QMetaType::QByteArray)
        d = value.toString().trimmed().toDouble(&ok);
    else if (isNumericType(value))
        d = value.toDouble(&ok);
    if (!ok || !std::isfinite(d))
        return std::nullopt;
    return d;
}

} // namespace

double VarToFloatDef(const QVariant& value, double defaultValue)
{
    return toDouble(value).value_or(defaultValue);
}

int VarToIntDef(const QVariant& value, int defaultValue)
{
    if (!usable(value))
        return defaultValue;
    if (value.typeId() == QMetaType::QString || value.typeId() == QMetaType::QByteArray) {
        bool ok = false;
        const int i = value.toString().trimmed().toInt(&ok);
        if (ok)
            return i;
    }
    const auto d = toDouble(value);
    if (!d)
        return defaultValue;
    // Rounds half to even, like the variant conversion of a floating value.
    const double r = std::nearbyint(*d);
    if (r < double(std::numeric_limits<int>::min()) || r > double(std::numeric_limits<int>::max()))
        return defaultValue;
    return int(r);
}

QDateTime VarToDateTimeDef(const QVariant& value, const QDateTime& defaultValue)
{
    if (!usable(value))
        return defaultValue;
    switch (value.typeId()) {
    case QMetaType::QDateTime: {
        const QDateTime dt = value.toDateTime();
        return dt.isValid() ? dt : defaultValue;
    }
    case QMetaType::QDate: {
        const QDate d = value.toDate();
        return d.isValid() ? QDateTime(d, QTime(0, 0)) : defaultValue;
    }
    case QMetaType::QString:
    case QMetaType::QByteArray: {
        const QString s = value.toString().trimmed();
        static const char* const formats[] = {"yyyy/MM/dd HH:mm:ss.zzz", "yyyy/MM/dd HH:mm:ss",
                                              "yyyy/MM/dd HH:mm", "yyyy/MM/dd",
                                              "yyyy-MM-dd HH:mm:ss.zzz", "yyyy-MM-dd HH:mm:ss",
                                              "yyyy-MM-dd HH:mm", "yyyy-MM-dd"};
        for (const char* f : formats) {
            const QDateTime dt = QDateTime::fromString(s, QLatin1String(f));
            if (dt.isValid())
                return dt;
        }
        const QDateTime iso = QDateTime::fromString(s, Qt::ISODateWithMs);
        return iso.isValid() ? iso : defaultValue;
    }
    default: {
        // A number is a day count from 1899-12-30 with the time as the fraction.
        const auto d = toDouble(value);
        if (!d || std::fabs(*d) > 3e6)
            return defaultValue;
        const QDateTime base(QDate(1899, 12, 30), QTime(0, 0));
        return base.addMSecs(qint64(std::llround(*d * 86400000.0)));
    }
    }
}

void RemoveBlankLines(QStringList& lines)
{
    if (!nullLineOption())
        return;
    for (qsizetype i = lines.size() - 1; i >= 0; --i)
        if (lines[i].isEmpty())
            lines.removeAt(i);
}

namespace {

// Half-width katakana U+FF61..U+FF9F and their full-width forms.
constexpr char16_t kHalfKana[] = {
    0x3002, 0x300C, 0x300D, 0x3001, 0x30FB, // ｡ ｢ ｣ ､ ･
    0x30F2, 0x30A1, 0x30A3, 0x30A5, 0x30A7, 0x30A9, 0x30E3, 0x30E5, 0x30E7, 0x30C3, // ｦ..ｯ
    0x30FC, // ｰ
    0x30A2, 0x30A4, 0x30A6, 0x30A8, 0x30AA, // ｱ..ｵ
    0x30AB, 0x30AD, 0x30AF, 0x30B1, 0x30B3, 0x30B5, 0x30B7, 0x30B9, 0x30BB, 0x30BD, // ｶ..ｿ
    0x30BF, 0x30C1, 0x30C4, 0x30C6, 0x30C8, // ﾀ..ﾄ
    0x30CA, 0x30CB, 0x30CC, 0x30CD, 0x30CE, // ﾅ..ﾉ
    0x30CF, 0x30D2, 0x30D5, 0x30D8, 0x30DB, // ﾊ..ﾎ
    0x30DE, 0x30DF, 0x30E0, 0x30E1, 0x30E2, // ﾏ..ﾓ
    0x30E4, 0x30E6, 0x30E8, // ﾔ ﾕ ﾖ
    0x30E9, 0x30EA, 0x30EB, 0x30EC, 0x30ED, // ﾗ..ﾛ
    0x30EF, 0x30F3, // ﾜ ﾝ
    0x309B, 0x309C, // ﾞ ﾟ
};
static_assert(sizeof(kHalfKana) / sizeof(kHalfKana[0]) == 0xFF9F - 0xFF61 + 1);

constexpr char16_t kVoicedMark = 0xFF9E;
constexpr char16_t kSemiVoicedMark = 0xFF9F;

// Signs outside ASCII with a full-width form.
constexpr struct {
    char16_t half;
    char16_t full;
} kSigns[] = {{0x00A2, 0xFFE0}, {0x00A3, 0xFFE1}, {0x00AC, 0xFFE2}, {0x00AF, 0xFFE3},
              {0x00A6, 0xFFE4}, {0x00A5, 0xFFE5}, {0x20A9, 0xFFE6}};

char16_t fullOfHalfKana(char16_t u) { return kHalfKana[u - 0xFF61]; }

// The full-width katakana a half-width letter and a following sound mark make, or 0.
char16_t voicedFull(char16_t base, char16_t mark)
{
    const char16_t full = fullOfHalfKana(base);
    if (mark == kVoicedMark) {
        if ((full >= 0x30AB && full <= 0x30C8 && full != 0x30C3) // カ..ト without ッ
            || (full >= 0x30CF && full <= 0x30DB && (full - 0x30CF) % 3 == 0)) // ハ..ホ
            return char16_t(full + 1);
        if (full == 0x30A6) return 0x30F4; // ヴ
        if (full == 0x30EF) return 0x30F7; // ヷ
        if (full == 0x30F2) return 0x30FA; // ヺ
    } else if (mark == kSemiVoicedMark) {
        if (full >= 0x30CF && full <= 0x30DB && (full - 0x30CF) % 3 == 0)
            return char16_t(full + 2);
    }
    return 0;
}

const QHash<char16_t, QString>& halfOfFull()
{
    static const QHash<char16_t, QString> table = [] {
        QHash<char16_t, QString> t;
        for (char16_t u = 0xFF61; u <= 0xFF9F; ++u)
            t.insert(fullOfHalfKana(u), QString(QChar(u)));
        for (char16_t u = 0xFF66; u <= 0xFF9D; ++u)
            for (char16_t mark : {kVoicedMark, kSemiVoicedMark})
                if (char16_t v = voicedFull(u, mark))
                    t.insert(v, QString(QChar(u)) + QChar(mark));
        t.insert(0x3099, QString(QChar(kVoicedMark)));     // combining sound marks
        t.insert(0x309A, QString(QChar(kSemiVoicedMark)));
        for (const auto& s : kSigns)
            t.insert(s.full, QString(QChar(s.half)));
        return t;
    }();
    return table;
}

} // namespace

QString ToFullWidth(QStringView text)
{
    QString out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = text[i].unicode();
        if (u == 0x20) {
            out += QChar(0x3000);
        } else if (u >= 0x21 && u <= 0x7E) {
            out += QChar(char16_t(u - 0x21 + 0xFF01));
        } else if (u >= 0xFF61 && u <= 0xFF9F) {
            if (i + 1 < n) {
                if (char16_t v = voicedFull(u, text[i + 1].unicode()); v != 0 && u >= 0xFF66) {
                    out += QChar(v);
                    ++i;
                    continue;
                }
            }
            out += QChar(fullOfHalfKana(u));
        } else {
            char16_t mapped = u;
            for (const auto& s : kSigns)
                if (s.half == u)
                    mapped = s.full;
            out += QChar(mapped);
        }
    }
    return out;
}

QString ToHalfWidth(QStringView text)
{
    const auto& table = halfOfFull();
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u == 0x3000) {
            out += u' ';
        } else if (u >= 0xFF01 && u <= 0xFF5E) {
            out += QChar(char16_t(u - 0xFF01 + 0x21));
        } else if (auto it = table.constFind(u); it != table.constEnd()) {
            out += *it;
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace qv
