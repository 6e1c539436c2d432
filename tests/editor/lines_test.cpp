#include "editor/editor_strings.h"
#include "platform/textcodec.h"
#include "store_client_helper.h"
#include "support/test_env.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace qv;
using qvtest::Dump;

TEST(EditorLines, TextAndLineOperations)
{
    TEditorStrings l;
    l.SetTextStr(u"a\r\nb");
    EXPECT_EQ(Dump(l.Store()), QStringList({"a|c", "b|e"}));
    l.SetTextStr(u"a\r\n");
    EXPECT_EQ(Dump(l.Store()), QStringList({"a|c"}));
    EXPECT_EQ(l.Count(), 1);

    l.SetTextStr(u"a\r\nb");
    l.Store().UndoObj().Clear();
    EXPECT_EQ(l.Add("x"), 2);
    EXPECT_EQ(Dump(l.Store()), QStringList({"a|c", "b|c", "x|e"}));
    l.Store().Undo();
    EXPECT_EQ(Dump(l.Store()), QStringList({"a|c", "b|e"}));

    l.Insert(l.Count(), "y"); // same as Add
    EXPECT_EQ(l.GetTextStr(), "a\r\nb\r\ny");
    l.Insert(0, "first");
    l.Put(1, "A");
    EXPECT_EQ(l.ToStringList(), QStringList({"first", "A", "b", "y"}));
    EXPECT_THROW(l.Get(4), EStringListError);
    EXPECT_THROW(l.Insert(9, "z"), EStringListError);
}

TEST(EditorLines, DeleteOfAWrappedLineIsOneStep)
{
    TEditorStrings l;
    l.Store().WrapOption().SetWrapByte(20);
    l.Store().SetWordWrap(true);
    l.SetTextStr(QString("one\r\n") + QString(50, 'w') + "\r\nthree\r\n");
    EXPECT_EQ(l.Count(), 3);
    EXPECT_EQ(l.Store().Count(), 5);
    l.Store().UndoObj().Clear();
    l.Delete(1);
    EXPECT_EQ(l.ToStringList(), QStringList({"one", "three"}));
    EXPECT_EQ(l.Store().UndoObj().UndoCount(), 1);
    l.Store().Undo();
    EXPECT_EQ(l.Get(1), QString(50, 'w'));
}

TEST(EditorLines, UpdateBracketsNotifyOnce)
{
    auto store = std::make_shared<TEditorScreenStrings>();
    qvtest::FakeEditor ed;
    store->AddClient(&ed);
    TEditorStrings l(&store, &ed);
    l.BeginUpdate();
    l.Add("a");
    l.Add("b");
    l.Add("c");
    EXPECT_TRUE(ed.changes.empty());
    l.EndUpdate();
    EXPECT_EQ(ed.changes.size(), 1u);
    EXPECT_EQ(ed.relayouts, 1);
    EXPECT_EQ(l.ToStringList(), QStringList({"a", "b", "c"}));
}

TEST(EditorLines, FileRoundTripInEveryEncoding)
{
    const QString text = QString::fromUtf8("select 'あいう' -- 注釈\r\nfrom t\r\n") + QChar(0) + "after nul";
    for (auto kind : {TextEncoding::Utf8, TextEncoding::Utf16LE, TextEncoding::Utf16BE, TextEncoding::Ansi,
                      TextEncoding::Utf7}) {
        const TextEncoding& enc = TextEncoding::get(kind);
        const QString file = qvtest::testHome() + "/rt" + QString::number(int(kind)) + ".sql";
        TEditorStrings out;
        out.SetTextStr(text);
        out.WriteBOM = true;
        out.SaveToFile(file, enc);
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        EXPECT_TRUE(bytes.startsWith(enc.preamble())) << int(kind);

        TEditorStrings in;
        in.LoadFromFile(file, &enc);
        EXPECT_EQ(in.GetTextStr(), text) << int(kind); // the NUL and the text after it stay
        EXPECT_EQ(in.Count(), 3);
        if (!enc.preamble().isEmpty()) {
            TEditorStrings detected; // the byte-order mark picks the encoding
            detected.LoadFromFile(file);
            EXPECT_EQ(detected.GetTextStr(), text) << int(kind);
        }
    }
    TEditorStrings noMark;
    noMark.SetTextStr(u"x");
    noMark.WriteBOM = false;
    const QString file = qvtest::testHome() + "/nomark.sql";
    noMark.SaveToFile(file, TextEncoding::get(TextEncoding::Utf8));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("x"));
    EXPECT_THROW(noMark.LoadFromFile(qvtest::testHome() + "/missing.sql"), Exception);
}

TEST(EditorLines, LargeFileLoadsInPiecesAcrossLineEnds)
{
    // Over 4 MB so the loader works in several pieces; CR LF pairs must not be split.
    QString line = QString(61, 'q') + "\r\n";
    QString text;
    text.reserve(line.size() * 80000);
    for (int i = 0; i < 80000; ++i)
        text += line;
    const QString file = qvtest::testHome() + "/big.sql";
    TEditorStrings out;
    out.SetTextStr(text);
    out.SaveToFile(file, TextEncoding::get(TextEncoding::Utf16LE));
    TEditorStrings in;
    in.LoadFromFile(file);
    EXPECT_EQ(in.Count(), 80000);
    EXPECT_EQ(in.Store().Count(), 80000);
    EXPECT_EQ(in[79999], QString(61, 'q'));
}

TEST(EditorLines, LargeFileWithALongLineLoadsWhole)
{
    // Pieces of the file end at line ends: a line longer than a piece, multi-byte characters and
    // a last line without a break come back as they were.
    QString text;
    for (int i = 0; i < 30000; ++i)
        text += QStringLiteral("行 %1 の文字列\r\n").arg(i);
    text += QString(1500000, QChar(u'字')) + "\r\n";
    for (int i = 0; i < 30000; ++i)
        text += QStringLiteral("after %1\r\n").arg(i);
    text += QStringLiteral("end");
    for (auto kind : {TextEncoding::Utf8, TextEncoding::Utf16BE}) {
        const QString file = qvtest::testHome() + "/long" + QString::number(int(kind)) + ".sql";
        TEditorStrings out;
        out.SetTextStr(text);
        out.WriteBOM = true;
        out.SaveToFile(file, TextEncoding::get(kind));
        TEditorStrings in;
        in.LoadFromFile(file);
        EXPECT_EQ(in.Count(), 60002) << int(kind);
        EXPECT_EQ(in[30000].size(), 1500000);
        EXPECT_TRUE(in.GetTextStr() == text) << int(kind);
    }
}
