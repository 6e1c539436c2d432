#include "app/globals.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>

#include "app/system_helpers.h"
#include "platform/registry.h"

namespace qv {

QStringList ReserveWordList;
QString ClientToolsDir;
int ServerVersionOverride = 0;
QString ExcelFileFilter;
DateTimeFormats FormatSettings;

namespace {

struct Folders {
    QString program, documents, data;
};

QString withSlash(QString path)
{
    if (!path.endsWith(u'/'))
        path += u'/';
    return path;
}

QString findProgramDir()
{
    if (QCoreApplication::instance())
        return withSlash(QCoreApplication::applicationDirPath());
    const QFileInfo exe(QStringLiteral("/proc/self/exe"));
    return withSlash(exe.exists() ? QFileInfo(exe.symLinkTarget()).absolutePath() : QDir::currentPath());
}

bool ensureDir(const QString& path) { return QDir().mkpath(path); }

Folders& folders()
{
    static Folders f = [] {
        Folders r;
        r.program = findProgramDir();

        QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (docs.isEmpty() || !ensureDir(docs))
            docs = r.program;
        r.documents = withSlash(docs);

        QString base = qEnvironmentVariable("XDG_DATA_HOME");
        if (base.isEmpty() || !QDir::isAbsolutePath(base))
            base = QDir::homePath() + QStringLiteral("/.local/share");
        // The data folder holds the work folder with the SQL history (statements as typed,
        // passwords included): it is open to the user only, also when an older run made it.
        QString data = withSlash(base) + QStringLiteral("Velmora/QVS22/");
        const bool own = MakePrivatePath(data, true);
        if (!own)
            data = r.program;
        r.data = data;
        for (const char* sub : {"USERCMD", "xlsdef", "DATAGEN", "temp"})
            if (own)
                MakePrivatePath(r.data + QLatin1String(sub)); // a failure is not reported
            else
                ensureDir(r.data + QLatin1String(sub));
        return r;
    }();
    return f;
}

QString quoteLiteral(const QString& text)
{
    if (text.isEmpty())
        return QString();
    bool plain = true;
    for (QChar c : text)
        if (c.isLetter() || c == u'\'')
            plain = false;
    if (plain)
        return text;
    QString out = QStringLiteral("'");
    for (QChar c : text) {
        if (c == u'\'')
            out += QStringLiteral("''");
        else
            out += c;
    }
    return out + u'\'';
}

bool startsWithCI(const QString& s, qsizetype pos, QLatin1String what)
{
    return QStringView(s).mid(pos, what.size()).compare(what, Qt::CaseInsensitive) == 0;
}

bool hasAmPm(const QString& f)
{
    QChar quote;
    for (qsizetype i = 0; i < f.size(); ++i) {
        const QChar c = f.at(i);
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == u'\'' || c == u'"') {
            quote = c;
            continue;
        }
        if (startsWithCI(f, i, QLatin1String("am/pm")) || startsWithCI(f, i, QLatin1String("a/p"))
            || startsWithCI(f, i, QLatin1String("ampm")))
            return true;
    }
    return false;
}

QString convert(const QString& f, const DateTimeFormats& settings, int depth)
{
    if (depth > 3)
        return QString();
    const bool twelveHour = hasAmPm(f);
    QString out;
    QString literal;
    auto flush = [&] {
        out += quoteLiteral(literal);
        literal.clear();
    };
    auto put = [&](const QString& token) {
        flush();
        out += token;
    };
    QChar lastToken;
    qsizetype i = 0;
    while (i < f.size()) {
        const QChar c = f.at(i);
        if (c == u'\'' || c == u'"') {
            qsizetype end = f.indexOf(c, i + 1);
            if (end < 0)
                end = f.size();
            literal += f.mid(i + 1, end - i - 1);
            i = end + 1;
            continue;
        }
        if (!c.isLetter() || c.unicode() > 0x7f) {
            literal += c;
            ++i;
            continue;
        }
        const QChar up = c.toUpper();
        if (up == u'A') {
            if (startsWithCI(f, i, QLatin1String("am/pm"))) {
                put(f.at(i).isUpper() ? QStringLiteral("AP") : QStringLiteral("ap"));
                i += 5;
                continue;
            }
            if (startsWithCI(f, i, QLatin1String("a/p"))) {
                put(f.at(i).isUpper() ? QStringLiteral("AP") : QStringLiteral("ap"));
                i += 3;
                continue;
            }
            if (startsWithCI(f, i, QLatin1String("ampm"))) {
                put(QStringLiteral("AP"));
                i += 4;
                continue;
            }
        }
        qsizetype count = 1;
        while (i + count < f.size() && f.at(i + count).toUpper() == up)
            ++count;
        QChar token = up;
        if (token == u'M' && lastToken == u'H')
            token = u'N';
        switch (token.unicode()) {
        case u'Y':
            put(count <= 2 ? QStringLiteral("yy") : QStringLiteral("yyyy"));
            break;
        case u'M':
            put(count == 1   ? QStringLiteral("M")
                 : count == 2 ? QStringLiteral("MM")
                 : count == 3 ? QStringLiteral("MMM")
                              : QStringLiteral("MMMM"));
            break;
        case u'N':
            put(count == 1 ? QStringLiteral("m") : QStringLiteral("mm"));
            break;
        case u'D':
            if (count <= 4)
                put(QString(count, u'd'));
            else
                put(convert(count == 5 ? settings.ShortDateFormat : settings.LongDateFormat, settings, depth + 1));
            break;
        case u'H':
            put(QString(count == 1 ? 1 : 2, twelveHour ? u'h' : u'H'));
            break;
        case u'S':
            put(count == 1 ? QStringLiteral("s") : QStringLiteral("ss"));
            break;
        case u'Z':
            put(count <= 2 ? QStringLiteral("z") : QStringLiteral("zzz"));
            break;
        case u'T':
            put(convert(count == 1 ? settings.ShortTimeFormat : settings.LongTimeFormat, settings, depth + 1));
            break;
        case u'C':
            put(convert(settings.ShortDateFormat, settings, depth + 1) + u' '
                 + convert(settings.LongTimeFormat, settings, depth + 1));
            break;
        default:
            literal += f.mid(i, count);
            break;
        }
        lastToken = token;
        i += count;
    }
    flush();
    return out;
}

} // namespace

void InitGlobals() { folders(); }

void LookupClientTools()
{
    TqvRegistry reg(HKEY_LOCAL_MACHINE, TRegistry::ReadOnlyAccess);
    const QString base = QStringLiteral("\\SOFTWARE\\Microsoft\\Microsoft SQL Server\\");
    for (int n = 110; n >= 10; n -= 10) {
        if (!reg.OpenKey(base + QString::number(n), false))
            continue;
        if (n <= 80 && reg.OpenKey(base + QString::number(n) + QStringLiteral("\\Tools\\ClientSetup"), false)) {
            const QString path = reg.GetString(QStringLiteral("SQLPath"), QString());
            if (!path.isEmpty()) {
                ClientToolsDir = path;
                return;
            }
        }
        // The key open now: the version key, or its ClientSetup key when that opened.
        const QString path = reg.GetString(QStringLiteral("VerSpecificRootDir"), QString());
        if (!path.isEmpty()) {
            ClientToolsDir = path;
            return;
        }
    }
}

const QString& ProgramDir() { return folders().program; }
const QString& DocumentsDir() { return folders().documents; }
const QString& DataDir() { return folders().data; }

void ApplyDateTimeFormats(const QString& dateFormat, const QString& timeFormat)
{
    FormatSettings.ShortDateFormat = dateFormat;
    FormatSettings.LongDateFormat = dateFormat;
    FormatSettings.ShortTimeFormat = timeFormat;
    FormatSettings.LongTimeFormat = timeFormat;
}

QString ToQtDateTimeFormat(const QString& format, const DateTimeFormats& settings)
{
    return convert(format, settings, 0);
}

QString FormatDateTime(const QString& format, const QDateTime& value)
{
    // Month and day names in the program's language, whatever the machine's locale.
    static const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    return japanese.toString(value, ToQtDateTimeFormat(format));
}

QString DateToStr(const QDate& value)
{
    return FormatDateTime(FormatSettings.ShortDateFormat, QDateTime(value, QTime(0, 0)));
}

QString TimeToStr(const QTime& value)
{
    return FormatDateTime(FormatSettings.LongTimeFormat, QDateTime(QDate(1899, 12, 30), value));
}

QString DateTimeToStr(const QDateTime& value)
{
    if (value.time() == QTime(0, 0))
        return DateToStr(value.date());
    return FormatDateTime(QStringLiteral("c"), value);
}

} // namespace qv
