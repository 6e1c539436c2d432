#include "app/system_helpers.h"

#include "app/qvstrings.h"

#include <QFile>

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

} // namespace qv
