// Loading and saving the editor's text in one of the program's text encodings. Large files
// are decoded and encoded in pieces that end at line ends, so a file never exists as bytes,
// a whole decoded string and the rows at the same time.
#include "editor/editor_strings.h"
#include "platform/textcodec.h"

#include <QFile>
#include <QSaveFile>

namespace qv {

namespace {

constexpr qsizetype kChunkBytes = 4 * 1024 * 1024;

const TextEncoding& DetectEncoding(QByteArrayView bytes)
{
    if (bytes.size() >= 3 && uchar(bytes[0]) == 0xEF && uchar(bytes[1]) == 0xBB && uchar(bytes[2]) == 0xBF)
        return TextEncoding::get(TextEncoding::Utf8);
    if (bytes.size() >= 2 && uchar(bytes[0]) == 0xFF && uchar(bytes[1]) == 0xFE)
        return TextEncoding::get(TextEncoding::Utf16LE);
    if (bytes.size() >= 2 && uchar(bytes[0]) == 0xFE && uchar(bytes[1]) == 0xFF)
        return TextEncoding::get(TextEncoding::Utf16BE);
    return TextEncoding::get(TextEncoding::Ansi);
}

// The end of the piece that starts at From: just after the first line feed at or beyond
// From + kChunkBytes (in the encoding's own units), or the end of the bytes.
qsizetype PieceEnd(QByteArrayView bytes, qsizetype from, TextEncoding::Kind kind)
{
    qsizetype i = from + kChunkBytes;
    const qsizetype n = bytes.size();
    if (i >= n)
        return n;
    if (kind == TextEncoding::Utf16LE || kind == TextEncoding::Utf16BE) {
        i += (i - from) & 1;
        for (; i + 1 < n; i += 2) {
            const bool lf = kind == TextEncoding::Utf16LE ? (bytes[i] == '\n' && bytes[i + 1] == 0)
                                                          : (bytes[i] == 0 && bytes[i + 1] == '\n');
            if (lf)
                return i + 2;
        }
        return n;
    }
    for (; i < n; ++i)
        if (bytes[i] == '\n')
            return i + 1;
    return n;
}

} // namespace

void TEditorStrings::LoadFromFile(const QString& fileName, const TextEncoding* encoding)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("ファイル \"%1\" を開けません。%2").arg(fileName, file.errorString()));
    QByteArray buffer;
    QByteArrayView bytes;
    if (file.size() > 0) {
        if (uchar* mapped = file.map(0, file.size())) {
            bytes = QByteArrayView(reinterpret_cast<const char*>(mapped), file.size());
        } else {
            buffer = file.readAll();
            if (file.error() != QFileDevice::NoError)
                throw Exception(QStringLiteral("ファイル \"%1\" を読み込めません。%2").arg(fileName, file.errorString()));
            bytes = buffer;
        }
    }
    const TextEncoding& enc = encoding ? *encoding : DetectEncoding(bytes);
    const QByteArray mark = enc.preamble();
    qsizetype pos = (!mark.isEmpty() && bytes.startsWith(mark)) ? mark.size() : 0;

    BeginUpdate();
    try {
        TEditorScreenStrings& st = Store();
        st.BeginLoad();
        while (pos < bytes.size()) {
            const qsizetype end = PieceEnd(bytes, pos, enc.kind());
            const QString piece = enc.decode(bytes.sliced(pos, end - pos));
            st.AppendText(piece);
            pos = end;
        }
        st.EndLoad();
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TEditorStrings::SaveToFile(const QString& fileName, const TextEncoding& encoding) const
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw Exception(QStringLiteral("ファイル \"%1\" を作成できません。%2").arg(fileName, file.errorString()));
    bool ok = true;
    if (WriteBOM) {
        const QByteArray mark = encoding.preamble();
        ok = file.write(mark) == mark.size();
    }
    Store().ForEachTextChunk(int(kChunkBytes / 2), [&](QStringView piece) {
        if (!ok)
            return;
        const QByteArray bytes = encoding.encode(piece);
        ok = file.write(bytes) == bytes.size();
    });
    if (!ok || !file.commit())
        throw Exception(QStringLiteral("ファイル \"%1\" に書き込めません。%2").arg(fileName, file.errorString()));
}

} // namespace qv
