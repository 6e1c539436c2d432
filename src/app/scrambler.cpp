#include "app/scrambler.h"
#include "platform/textcodec.h"

#include <QRandomGenerator>
#include <algorithm>
#include <QStringDecoder>

namespace qv {

namespace {

constexpr char kAlphabet[] = ";<[@=,~]:.|_!>'$";
static_assert(sizeof(kAlphabet) == 17);

// Text the ANSI code page cannot hold is stored as UTF-8 behind this mark, so it comes back
// whole instead of as question marks.
const QByteArray kUtf8Mark = QByteArrayLiteral("\xEF\xBB\xBF");

int alphabetIndex(QChar c)
{
    if (c.unicode() > 0x7f)
        return -1;
    for (int i = 0; i < 16; ++i)
        if (kAlphabet[i] == char(c.unicode()))
            return i;
    return -1;
}

QByteArray storedBytes(const QString& text)
{
    const TextEncoding& ansi = TextEncoding::get(TextEncoding::Ansi);
    const QByteArray bytes = ansi.encode(text);
    if (ansi.decode(bytes) == text)
        return bytes;
    return kUtf8Mark + text.toUtf8();
}

QString trimBlanks(const QString& s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && s.at(b).unicode() <= 0x20)
        ++b;
    while (e > b && s.at(e - 1).unicode() <= 0x20)
        --e;
    return s.mid(b, e - b);
}

} // namespace

QString ScrambleText(const QString& text, QRandomGenerator* rng)
{
    QByteArray bytes = storedBytes(text);
    if (bytes.isEmpty())
        return QString();
    if (bytes.size() < 64)
        bytes.append(64 - bytes.size(), ' ');
    QRandomGenerator* r = rng ? rng : QRandomGenerator::system();
    const int k = int(r->bounded(1, 17)); // 1..16
    QString front;
    QString back;
    back += QLatin1Char(kAlphabet[k - 1]);
    back += QLatin1Char(kAlphabet[r->bounded(16)]);
    const qsizetype n = bytes.size();
    for (qsizetype i = 1; i <= n; ++i) {
        const int v = uchar(bytes[i - 1]);
        front += QLatin1Char(kAlphabet[(v / 16 + k + int(i)) % 16]);
        back += QLatin1Char(kAlphabet[(v % 16 + k + int(i)) % 16]);
    }
    std::reverse(front.begin(), front.end());
    return QLatin1Char(kAlphabet[r->bounded(16)]) + front + back + QLatin1Char(kAlphabet[r->bounded(16)]);
}

QString UnscrambleText(const QString& stored)
{
    const qsizetype m = stored.size() / 2;
    if (m < 3)
        return QString();
    // Text with characters outside the alphabet is not a stored form: it gives no password
    // rather than a garbled one.
    for (QChar c : stored)
        if (alphabetIndex(c) < 0)
            return QString();
    const int k = alphabetIndex(stored.at(m - 1)) + 1;
    QByteArray bytes;
    bytes.reserve(m);
    for (qsizetype i = 1; i <= m - 2; ++i) {
        const int hi = ((alphabetIndex(stored.at(m - i - 1)) - k - int(i)) % 16 + 16) % 16;
        const int lo = ((alphabetIndex(stored.at(m + i)) - k - int(i)) % 16 + 16) % 16;
        bytes.append(char(hi * 16 + lo));
    }
    if (bytes.startsWith(kUtf8Mark)) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString text = utf8.decode(bytes.mid(kUtf8Mark.size()));
        return utf8.hasError() ? QString() : trimBlanks(text);
    }
    return trimBlanks(TextEncoding::get(TextEncoding::Ansi).decode(bytes));
}

} // namespace qv
