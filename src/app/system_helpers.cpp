#include "app/system_helpers.h"

#include "app/qvstrings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {

int SystemMajorVersion()
{
    return 10;
}

bool IsWindowsVista(bool orLater, int majorVersion)
{
    return orLater ? majorVersion >= 6 : majorVersion == 6;
}

QString GetExeBitness(const QString& fileName)
{
    const QString unknown = QStringLiteral("Unknown");
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return unknown;
    const QByteArray head = file.read(64);
    if (head.size() >= 5 && head.startsWith("\x7F" "ELF")) {
        if (head[4] == 1)
            return QStringLiteral("32ビット");
        if (head[4] == 2)
            return QStringLiteral("64ビット");
        return unknown;
    }
    if (head.size() < 64)
        return unknown;
    const QByteArray window = file.read(256);
    if (window.contains(QByteArray("\x00PE\x00\x00\x4C\x01", 7)))
        return QStringLiteral("32ビット");
    if (window.contains(QByteArray("\x00PE\x00\x00\x64\x86", 7)))
        return QStringLiteral("64ビット");
    return unknown;
}

int FindListItem(int count, int selected, const QString& text,
                 const std::function<QStringList(int)>& itemTexts)
{
    if (text.isEmpty() || count <= 0 || !itemTexts)
        return -1;
    const QString needle = AsciiLower(text);
    auto matches = [&](int i) {
        const QStringList texts = itemTexts(i);
        for (int k = 0; k < std::min<qsizetype>(texts.size(), 2); ++k)
            if (AsciiLower(texts[k]).contains(needle))
                return true;
        return false;
    };
    if (selected >= count)
        selected = -1;
    for (int i = selected + 1; i < count; ++i)
        if (matches(i))
            return i;
    if (selected >= 0)
        for (int i = 0; i <= selected; ++i)
            if (matches(i))
                return i;
    return -1;
}

bool MakePrivatePath(const QString& dir, bool tighten)
{
    if (dir.isEmpty())
        return false;
    const QString clean = QDir::cleanPath(QDir(dir).absolutePath());
    QStringList missing;
    QString p = clean;
    while (!p.isEmpty() && !QFileInfo(p).exists()) {
        missing.prepend(p);
        const QString parent = QFileInfo(p).absolutePath();
        if (parent == p)
            break;
        p = parent;
    }
    for (const QString& m : missing)
        if (::mkdir(QFile::encodeName(m).constData(), 0700) != 0 && errno != EEXIST)
            return false;
    struct stat st {};
    const QByteArray enc = QFile::encodeName(clean);
    if (::stat(enc.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    if (tighten && missing.isEmpty() && st.st_uid == ::getuid() && (st.st_mode & 077) != 0)
        ::chmod(enc.constData(), st.st_mode & 0700);
    return true;
}

bool WritePrivateFile(const QString& fileName, const QByteArray& bytes)
{
    QByteArray tmpl = QFile::encodeName(fileName) + ".XXXXXX";
    const int fd = ::mkostemp(tmpl.data(), O_CLOEXEC); // mode 0600
    if (fd < 0)
        return false;
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    bool ok = ::fchmod(fd, 0600) == 0;
    while (ok && left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        p += n;
        left -= n;
    }
    ok = ::close(fd) == 0 && ok;
    if (ok)
        ok = ::rename(tmpl.constData(), QFile::encodeName(fileName).constData()) == 0;
    if (!ok) {
        const int saved = errno;
        ::unlink(tmpl.constData());
        errno = saved;
    }
    return ok;
}

} // namespace qv
