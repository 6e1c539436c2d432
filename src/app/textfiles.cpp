#include "app/textfiles.h"

#include "app/globals.h"
#include "app/options.h"
#include "app/qvstrings.h"
#include "app/system_helpers.h"
#include "platform/exceptions.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <cerrno>
#include <cstring>

namespace qv {

const TextEncoding& GetFileEncoding()
{
    return TextEncoding::fromOption(qvOption.Encoding);
}

namespace {

// Splits a path into folder + base name and extension of the file-name part.
void splitExtension(const QString& path, QString& stem, QString& ext)
{
    const qsizetype slash = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    const qsizetype dot = path.lastIndexOf(u'.');
    if (dot > slash) {
        stem = path.left(dot);
        ext = path.mid(dot);
    } else {
        stem = path;
        ext.clear();
    }
}

QString workFolder()
{
    QString dir = qvOption.TempDir.isEmpty() ? DataDir() + QStringLiteral("temp/") : qvOption.TempDir;
    if (!dir.endsWith(u'/'))
        dir += u'/';
    return dir;
}

constexpr int kHistoryCount = 20;

} // namespace

void EnsureWorkFolder(const QString& dir)
{
    if (!MakePrivatePath(dir))
        throw Exception(QStringLiteral("フォルダ \"%1\" を作成できません。").arg(dir));
}

void WritePrivateTextFileLines(const QString& fileName, const QStringList& lines, const TextEncoding& encoding)
{
    const QByteArray bytes = encoding.preamble() + encoding.encode(JoinTextLines(lines));
    if (!WritePrivateFile(fileName, bytes))
        throw Exception(QStringLiteral("ファイル \"%1\" に書き込めません。%2")
                            .arg(fileName, QString::fromLocal8Bit(::strerror(errno))));
}

QString UniqueFileName(const QString& fileName)
{
    if (!QFileInfo::exists(fileName))
        return fileName;
    QString stem, ext;
    splitExtension(fileName, stem, ext);
    for (int i = 1; i <= 99; ++i) {
        const QString candidate = stem + QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0')) + ext;
        if (!QFileInfo::exists(candidate))
            return candidate;
    }
    return stem + QStringLiteral("100") + ext;
}

QString RemoveInvalidFileChars(const QString& text)
{
    QString out = text;
    for (QChar c : QStringLiteral("/*?\\:<>\"|"))
        out.remove(c);
    return out;
}

QString SafeFileName(const QString& name)
{
    QString out = RemoveInvalidFileChars(name);
    out.removeIf([](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; });
    if (out.isEmpty() || out == u"." || out == u"..")
        return QStringLiteral("_");
    if (out.toUtf8().size() > 255) {
        QString stem, ext;
        splitExtension(out, stem, ext);
        if (ext.toUtf8().size() > 32)
            ext.clear();
        while (!stem.isEmpty() && (stem + ext).toUtf8().size() > 255) {
            stem.chop(1);
            if (!stem.isEmpty() && stem.back().isHighSurrogate())
                stem.chop(1);
        }
        out = stem + ext;
    }
    return out;
}

bool HasKnownFileExt(const QString& fileName)
{
    static const QSet<QString> known = {
        ".doc", ".docx", ".docm", ".xls", ".xlsx", ".xlsm", ".ppt", ".pptx", ".pptm", ".mdb",
        ".accdb", ".txt", ".pdf", ".csv", ".html", ".htm", ".asp", ".xml", ".css", ".wav",
        ".wma", ".mp3", ".ogg", ".m4a", ".cda", ".bmp", ".gif", ".jpeg", ".jpg", ".tiff",
        ".tif", ".png", ".wmv", ".avi", ".mpeg", ".mpg", ".vob", ".ogm", ".mov", ".rm",
        ".divx", ".lzh", ".zip", ".exe", ".com", ".bat", ".dll", ".ini", ".sql", ".dmp",
        ".log", ".lst", ".qvmcr", ".bak"};
    QString stem, ext;
    splitExtension(fileName, stem, ext);
    return !ext.isEmpty() && known.contains(AsciiLower(ext));
}

QString ShortDirName(const QString& path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isDir())
        return {};
    return path.endsWith(u'/') ? path : path + u'/';
}

// ---------------------------------------------------------------------------------------------

IniTextFile::IniTextFile(QString fileName) : m_fileName(std::move(fileName))
{
    if (QFileInfo::exists(m_fileName))
        m_lines = ReadTextFileLines(m_fileName, GetFileEncoding());
}

qsizetype IniTextFile::findSection(const QString& section) const
{
    const QString header = u'[' + section + u']';
    for (qsizetype i = 0; i < m_lines.size(); ++i)
        if (m_lines[i].trimmed().compare(header, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

qsizetype IniTextFile::findKey(qsizetype sectionLine, const QString& key) const
{
    for (qsizetype i = sectionLine + 1; i < m_lines.size(); ++i) {
        const QString& l = m_lines[i];
        if (l.trimmed().startsWith(u'['))
            break;
        const qsizetype eq = l.indexOf(u'=');
        if (eq > 0 && l.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString IniTextFile::readString(const QString& section, const QString& key, const QString& def) const
{
    const qsizetype s = findSection(section);
    if (s < 0)
        return def;
    const qsizetype k = findKey(s, key);
    if (k < 0)
        return def;
    return m_lines[k].mid(m_lines[k].indexOf(u'=') + 1);
}

void IniTextFile::writeString(const QString& section, const QString& key, const QString& value)
{
    QString v = value;
    v.replace(QLatin1String("\r\n"), QLatin1String(" "));
    v.replace(u'\r', u' ');
    v.replace(u'\n', u' ');
    const QString line = key + u'=' + v;
    qsizetype s = findSection(section);
    if (s < 0) {
        m_lines << u'[' + section + u']';
        m_lines << line;
        return;
    }
    const qsizetype k = findKey(s, key);
    if (k >= 0) {
        m_lines[k] = line;
        return;
    }
    // After the section's last key line (before trailing blank lines and the next section).
    qsizetype insertAt = s + 1;
    for (qsizetype i = s + 1; i < m_lines.size() && !m_lines[i].trimmed().startsWith(u'['); ++i)
        if (!m_lines[i].trimmed().isEmpty())
            insertAt = i + 1;
    m_lines.insert(insertAt, line);
}

QStringList IniTextFile::sectionKeys(const QString& section) const
{
    QStringList keys;
    const qsizetype s = findSection(section);
    if (s < 0)
        return keys;
    for (qsizetype i = s + 1; i < m_lines.size() && !m_lines[i].trimmed().startsWith(u'['); ++i) {
        const qsizetype eq = m_lines[i].indexOf(u'=');
        if (eq > 0)
            keys << m_lines[i].left(eq).trimmed();
    }
    return keys;
}

void IniTextFile::updateFile() const
{
    WritePrivateTextFileLines(m_fileName, m_lines, GetFileEncoding());
}

// ---------------------------------------------------------------------------------------------

QString WhereHistoryFileName(const QString& server, const QString& database,
                             const QString& schema, const QString& objectName)
{
    return workFolder()
           + SafeFileName(server + u'.' + database + u'.' + schema + u'.' + objectName
                          + QStringLiteral(".ini"));
}

void LoadWhereHistory(const QString& server, const QString& database, const QString& schema,
                      const QString& objectName, QStringList& items)
{
    items.clear();
    if (objectName.isEmpty())
        return;
    EnsureWorkFolder(workFolder());
    const IniTextFile ini(WhereHistoryFileName(server, database, schema, objectName));
    for (int i = 0; i < kHistoryCount; ++i) {
        const QString v = ini.readString(QStringLiteral("WHERE"),
                                         QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0')));
        if (!v.isEmpty())
            items << v;
    }
}

void SaveWhereHistory(const QString& server, const QString& database, const QString& schema,
                      const QString& objectName, const QStringList& items)
{
    if (objectName.isEmpty())
        return;
    EnsureWorkFolder(workFolder());
    IniTextFile ini(WhereHistoryFileName(server, database, schema, objectName));
    const qsizetype count = std::min<qsizetype>(items.size(), kHistoryCount);
    for (qsizetype i = 0; i < count; ++i)
        ini.writeString(QStringLiteral("WHERE"), QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0')),
                        items[i]);
    ini.updateFile();
}

} // namespace qv
