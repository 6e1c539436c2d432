#include <gtest/gtest.h>

#include "platform/exceptions.h"
#include "platform/textcodec.h"
#include "support/test_env.h"

#include <QDir>
#include <QFile>

using qv::TextEncoding;

namespace {

QString tempFile(const QString& name)
{
    QDir().mkpath(qvtest::testHome() + "/codec");
    return qvtest::testHome() + "/codec/" + name;
}

QByteArray readBytes(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

TEST(TextEncoding, OptionValuesOutsideTheListActAsAnsi)
{
    EXPECT_EQ(TextEncoding::fromOption(2).kind(), TextEncoding::Utf8);
    EXPECT_EQ(TextEncoding::fromOption(4).kind(), TextEncoding::Utf16BE);
    for (int v : {0, 5, 7, -1, 1000})
        EXPECT_EQ(TextEncoding::fromOption(v).kind(), TextEncoding::Ansi) << v;
    EXPECT_EQ(TextEncoding::optionNames(),
              QStringList({"SHIFT-JIS", "UTF-7", "UTF-8", "UTF-16 (LE)", "UTF-16 (BE)"}));
}

TEST(TextEncoding, Cp932RoundTripsKanjiAndHalfWidthKatakana)
{
    const TextEncoding& ansi = TextEncoding::get(TextEncoding::Ansi);
    // 表 is 0x95 0x5C: its trail byte is the backslash, which must not turn into a yen sign.
    const QString kanji = QStringLiteral("表・列");
    EXPECT_EQ(ansi.encode(kanji), QByteArray("\x95\x5C\x81\x45\x97\xF1"));
    EXPECT_EQ(ansi.decode(ansi.encode(kanji)), kanji);

    const QString kana = QStringLiteral("ｶﾞｷﾞｸﾞ ﾃｽﾄ abc\\~");
    const QByteArray bytes = ansi.encode(kana);
    EXPECT_EQ(bytes.size(), kana.size()); // one byte per half-width letter
    EXPECT_EQ(ansi.decode(bytes), kana);
    EXPECT_TRUE(ansi.preamble().isEmpty());
}

TEST(TextEncoding, UnmappableCharactersBecomeQuestionMarks)
{
    const TextEncoding& ansi = TextEncoding::get(TextEncoding::Ansi);
    // An emoji (surrogate pair) and a lone surrogate cannot go to CP932.
    QString text = QStringLiteral("a") + QString::fromUcs4(U"\U0001F600") + QStringLiteral("b");
    text += QChar(0xD800);
    text += QStringLiteral("c");
    EXPECT_EQ(ansi.encode(text), QByteArray("a?b?c"));
    // A lead byte without its trail byte decodes to the replacement character.
    EXPECT_EQ(ansi.decode(QByteArray("x\x95")), QStringLiteral("x") + QChar(0xFFFD));
}

TEST(TextEncoding, Utf7RoundTripAndShiftStateClosedAroundReplacement)
{
    const TextEncoding& utf7 = TextEncoding::get(TextEncoding::Utf7);
    const QString text = QStringLiteral("select '日本語' + 1");
    const QByteArray bytes = utf7.encode(text);
    for (char c : bytes)
        EXPECT_LT(uchar(c), 0x80);
    EXPECT_EQ(utf7.decode(bytes), text);
    // A lone surrogate inside a base64 run: the run is closed before the "?".
    QString bad = QStringLiteral("日") + QChar(0xDC00) + QStringLiteral("本");
    EXPECT_EQ(utf7.decode(utf7.encode(bad)), QStringLiteral("日?本"));
}

TEST(TextEncoding, Utf16ByteOrders)
{
    const QString text = QStringLiteral("A表");
    EXPECT_EQ(TextEncoding::get(TextEncoding::Utf16LE).encode(text), QByteArray("A\0\x68\x88", 4));
    EXPECT_EQ(TextEncoding::get(TextEncoding::Utf16BE).encode(text), QByteArray("\0A\x88\x68", 4));
    EXPECT_EQ(TextEncoding::get(TextEncoding::Utf16BE).decode(QByteArray("\0A\x88", 3)),
              QStringLiteral("A") + QChar(0xFFFD));
}

TEST(TextFile, EachEncodingWritesItsMarkAndReadsBackAsWritten)
{
    const QStringList lines = {QStringLiteral("select * from [表]"), QString(),
                               QStringLiteral("ｶﾞ go")};
    const struct {
        TextEncoding::Kind kind;
        QByteArray mark;
    } cases[] = {
        {TextEncoding::Ansi, {}},
        {TextEncoding::Utf7, {}},
        {TextEncoding::Utf8, QByteArray("\xEF\xBB\xBF")},
        {TextEncoding::Utf16LE, QByteArray("\xFF\xFE")},
        {TextEncoding::Utf16BE, QByteArray("\xFE\xFF")},
    };
    for (const auto& c : cases) {
        const TextEncoding& enc = TextEncoding::get(c.kind);
        const QString path = tempFile(QStringLiteral("lines%1.sql").arg(int(c.kind)));
        qv::WriteTextFileLines(path, lines, enc);
        const QByteArray bytes = readBytes(path);
        EXPECT_EQ(bytes.left(c.mark.size()), c.mark) << enc.displayName().toStdString();
        EXPECT_EQ(qv::ReadTextFileLines(path, enc), lines) << enc.displayName().toStdString();
        EXPECT_EQ(qv::ReadTextFile(path, enc), lines.join("\r\n") + "\r\n");

        // Editors save without a mark; reading it back gives the same text.
        qv::WriteTextFile(path, QStringLiteral("x\r\ny"), enc, false);
        EXPECT_FALSE(!c.mark.isEmpty() && readBytes(path).startsWith(c.mark));
        EXPECT_EQ(qv::ReadTextFile(path, enc), QStringLiteral("x\r\ny"));
    }
}

TEST(TextFile, OnlyTheMarkOfTheChosenEncodingIsSkipped)
{
    const QString path = tempFile("marks.txt");
    writeBytes(path, QByteArray("\xEF\xBB\xBFok"));
    EXPECT_EQ(qv::ReadTextFile(path, TextEncoding::get(TextEncoding::Utf8)), QStringLiteral("ok"));
    // Read as UTF-16 LE, the UTF-8 mark is ordinary (odd-length) data.
    EXPECT_NE(qv::ReadTextFile(path, TextEncoding::get(TextEncoding::Utf16LE)).left(2),
              QStringLiteral("ok"));
    writeBytes(path, QByteArray("\xFE\xFF\0o\0k", 6));
    EXPECT_EQ(qv::ReadTextFile(path, TextEncoding::get(TextEncoding::Utf16BE)), QStringLiteral("ok"));
    EXPECT_EQ(qv::ReadTextFile(path, TextEncoding::get(TextEncoding::Utf16LE)),
              QString(QChar(0xFFFE)) + QChar(0x6F00) + QChar(0x6B00));
}

TEST(TextFile, LineBreaksOfEveryKindSplitLines)
{
    EXPECT_EQ(qv::SplitTextLines(u"a\r\nb\nc\rd"), QStringList({"a", "b", "c", "d"}));
    EXPECT_EQ(qv::SplitTextLines(u"a\r\n\r\n"), QStringList({"a", ""}));
    EXPECT_EQ(qv::SplitTextLines(u""), QStringList());
    EXPECT_EQ(qv::SplitTextLines(u"\n"), QStringList({""}));
    EXPECT_EQ(qv::JoinTextLines({"a", ""}), QStringLiteral("a\r\n\r\n"));
}

TEST(TextFile, MissingFileOrFolderThrows)
{
    EXPECT_THROW(qv::ReadTextFile(tempFile("no-such-file"), TextEncoding::get(TextEncoding::Utf8)),
                 qv::Exception);
    EXPECT_THROW(qv::WriteTextFile(tempFile("no/such/dir.txt"), u"x",
                                   TextEncoding::get(TextEncoding::Utf8), true),
                 qv::Exception);
}
