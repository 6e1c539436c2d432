// Loading and saving the editor's text in one of the program's text encodings. Large files
// are read, decoded and encoded in pieces that end at line ends, so a file never exists as
// bytes, a whole decoded string and the rows at the same time (nor is it mapped: mapped pages
// would stay resident beside the rows).
#include "editor/editor_strings.h"
#include "platform/textcodec.h"

#include <QFile>
#include <QSaveFile>

namespace qv {

namespace {

constexpr qsizetype kChunkBytes = 4 * 1024 * 1024;
// Read in small pieces: what is read and decoded at once stays beside the rows built so far.
constexpr qsizetype kReadBytes = 1024 * 1024;

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

// The end of the last whole line in Bytes (just after its line feed, in the encoding's own
// units), or 0 when Bytes holds no line feed.
qsizetype LastLineEnd(QByteArrayView bytes, TextEncoding::Kind kind)
{
    if (kind == TextEncoding::Utf16LE || kind == TextEncoding::Utf16BE) {
        for (qsizetype i = (bytes.size() & ~qsizetype(1)) - 2; i >= 0; i -= 2) {
            const bool lf = kind == TextEncoding::Utf16LE ? (bytes[i] == '\n' && bytes[i + 1] == 0)
                                                          : (bytes[i] == 0 && bytes[i + 1] == '\n');
            if (lf)
                return i + 2;
        }
        return 0;
    }
    const qsizetype i = bytes.lastIndexOf('\n');
    return i < 0 ? 0 : i + 1;
}

} // namespace

void TEditorStrings::LoadFromFile(const QString& fileName, const TextEncoding* encoding)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("ファイル \"%1\" を開けません。%2").arg(fileName, file.errorString()));
    auto readPiece = [&] {
        QByteArray piece = file.read(kReadBytes);
        if (file.error() != QFileDevice::NoError)
            throw Exception(QStringLiteral("ファイル \"%1\" を読み込めません。%2").arg(fileName, file.errorString()));
        return piece;
    };
    QByteArray pending = readPiece();
    const TextEncoding& enc = encoding ? *encoding : DetectEncoding(pending);
    const QByteArray mark = enc.preamble();
    if (!mark.isEmpty() && pending.startsWith(mark))
        pending.remove(0, mark.size());

    BeginUpdate();
    try {
        TEditorScreenStrings& st = Store();
        st.BeginLoad();
        // Whole lines go to the rows as they come; the rest of a piece waits for the next one.
        for (;;) {
            const qsizetype cut = LastLineEnd(pending, enc.kind());
            if (cut > 0) {
                st.AppendText(enc.decode(QByteArrayView(pending).first(cut)));
                pending.remove(0, cut);
            }
            if (file.atEnd())
                break;
            const QByteArray more = readPiece();
            if (more.isEmpty())
                break;
            pending += more;
        }
        if (!pending.isEmpty())
            st.AppendText(enc.decode(pending));
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
