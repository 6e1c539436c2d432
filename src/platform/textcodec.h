#pragma once
// Text encodings of the program's text files (SQL, scripts, histories, logs, ini files).
//
// The `Encoding` option picks one of five encodings:
//   0 the ANSI code page (CP932, shown as "SHIFT-JIS"), 1 UTF-7, 2 UTF-8 (default),
//   3 UTF-16 little endian, 4 UTF-16 big endian; any other value acts as 0.
// CP932 and UTF-7 go through iconv. Unicode encodings have a byte-order mark that files
// written through string lists carry; UTF-7 and ANSI have none. A reader skips a leading
// mark of its own encoding only; a mark of another encoding is read as text.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace qv {

class TextEncoding {
public:
    enum Kind { Ansi = 0, Utf7 = 1, Utf8 = 2, Utf16LE = 3, Utf16BE = 4 };

    // The process-wide encoding object of a kind; never freed by callers.
    static const TextEncoding& get(Kind kind);
    // The encoding an `Encoding` option value selects (values outside 0..4 give ANSI).
    static const TextEncoding& fromOption(int value);
    // The list items shown for the option values 0..4.
    static QStringList optionNames();

    Kind kind() const { return m_kind; }
    // "SHIFT-JIS", "UTF-7", "UTF-8", "UTF-16 (LE)", "UTF-16 (BE)".
    QString displayName() const;
    // The byte-order mark (empty for ANSI and UTF-7).
    QByteArray preamble() const;

    // Plain conversions without any mark. Characters the encoding cannot hold become "?";
    // bytes that are not valid in it decode to U+FFFD.
    QByteArray encode(QStringView text) const;
    QString decode(QByteArrayView bytes) const;
    // Decoding that first skips a leading mark of this encoding.
    QString decodeSkippingMark(QByteArrayView bytes) const;

private:
    explicit TextEncoding(Kind kind) : m_kind(kind) {}
    Kind m_kind;
};

// Splits a text into lines the way string lists do: CR LF, LF and a lone CR each end a line;
// a final line break does not start another line, and an empty text has no lines.
QStringList SplitTextLines(QStringView text);
// Joins lines as string lists write them: every line followed by CR LF.
QString JoinTextLines(const QStringList& lines);

// Whole-file read and write. Failures throw qv::Exception with the file name in the message.
QString ReadTextFile(const QString& fileName, const TextEncoding& encoding);
QStringList ReadTextFileLines(const QString& fileName, const TextEncoding& encoding);
void WriteTextFile(const QString& fileName, QStringView text, const TextEncoding& encoding,
                   bool withMark);
// String-list form: lines each ended by CR LF, with the encoding's mark unless told otherwise.
void WriteTextFileLines(const QString& fileName, const QStringList& lines,
                        const TextEncoding& encoding, bool withMark = true);

} // namespace qv
