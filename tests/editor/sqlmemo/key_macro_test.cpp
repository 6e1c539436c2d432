#include "editor/sqlmemo/key_macro.h"
#include "memo_helper.h"
#include "support/test_env.h"

#include <QFile>
#include <cstdint>
#include <QGuiApplication>
#include <gtest/gtest.h>

using namespace qv;
using namespace memotest;

namespace {
QString Write(const QString& name, const QByteArray& data)
{
    const QString path = qvtest::testHome() + u'/' + name;
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(data);
    return path;
}
QByteArray Read(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}
} // namespace

TEST(KeyMacro, RecordingAndSavingATypedKey)
{
    TqvMacroList macro;
    auto memo = MakeMemo(QString());
    memo->SetMacroList(&macro);
    memo->BeginMacroRec();
    EXPECT_EQ(macro.Status(), msRecording);
    Key(*memo, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    memo->EndMacroRec();
    EXPECT_EQ(macro.Status(), msWaiting);
    ASSERT_EQ(macro.Count(), 2);
    const QString path = qvtest::testHome() + QStringLiteral("/a.qvmcr");
    memo->SaveMacroFile(path);
    EXPECT_EQ(Read(path), QByteArray("\"48384\",\"65\",\"1\",\"0\",\"0\",\"0\"\r\n"
                                     "\"48386\",\"97\",\"1\",\"0\",\"0\",\"0\"\r\n"));
    // Play back in another editor sharing the macro.
    auto other = MakeMemo(QStringLiteral("x"));
    other->SetMacroList(&macro);
    other->SetRowCol(0, 1);
    other->ExecMacro();
    EXPECT_EQ(other->Lines().GetTextStr(), QStringLiteral("xa"));
    EXPECT_EQ(macro.Status(), msWaiting);
}

TEST(KeyMacro, InputMethodCharactersAreRecordedOnce)
{
    TqvMacroList macro;
    macro.SetStatus(msRecording);
    macro.Add(WM_IME_CHAR, 0x65E5, 1, 0, 0, 0);
    EXPECT_EQ(macro.Add(CN_CHAR, 0x65E5, 1, 0, 0, 0), nullptr);
    macro.Add(CN_CHAR, 'x', 1, 0, 0, 0);
    EXPECT_EQ(macro.Count(), 2);
    auto memo = MakeMemo(QString());
    memo->SetMacroList(&macro);
    macro.SetStatus(msWaiting);
    memo->ExecMacro();
    EXPECT_EQ(memo->Lines().GetTextStr(), QStringLiteral("日x"));
}

TEST(KeyMacro, ShiftSelectionPlaysBackWithoutStickyShift)
{
    TqvMacroList macro;
    auto memo = MakeMemo(QStringLiteral("abcdef"));
    memo->SetMacroList(&macro);
    memo->SetRowCol(0, 0);
    memo->BeginMacroRec();
    Key(*memo, Qt::Key_Right, Qt::ShiftModifier);
    Key(*memo, Qt::Key_Right, Qt::ShiftModifier);
    memo->EndMacroRec();
    memo->CleanSelection();
    memo->SetRowCol(0, 2);
    Key(*memo, Qt::Key_Home); // the application's modifier state: no Shift
    memo->SetRowCol(0, 2);
    memo->ExecMacro();
    EXPECT_EQ(memo->SelText(), QStringLiteral("cd"));
    EXPECT_FALSE(QGuiApplication::keyboardModifiers() & Qt::ShiftModifier);
    Key(*memo, Qt::Key_Right);
    EXPECT_FALSE(memo->Selected());
}

TEST(KeyMacro, MalformedFilesLoadNothing)
{
    TqvMacroList macro;
    auto memo = MakeMemo(QString());
    memo->SetMacroList(&macro);
    const QByteArray good = "\"48386\",\"97\",\"1\",\"0\",\"0\",\"0\"\r\n";
    const struct {
        const char* name;
        QByteArray data;
    } bad[] = {
        {"five.qvmcr", good + good + good + "\"48386\",\"97\",\"1\",\"0\",\"0\"\r\n"},
        {"abc.qvmcr", "\"48386\",\"abc\",\"1\",\"0\",\"0\",\"0\"\r\n"},
        {"empty-field.qvmcr", "\"48386\",\"\",\"1\",\"0\",\"0\",\"0\"\r\n"},
        {"foreign-message.qvmcr", "\"16\",\"97\",\"1\",\"0\",\"0\",\"0\"\r\n"}, // not a recorded message
        // Fields outside the range of their record field (70000 would play back as 4464).
        {"char-code.qvmcr", good + "\"48386\",\"70000\",\"1\",\"0\",\"0\",\"0\"\r\n"},
        {"negative-char.qvmcr", "\"48386\",\"-1\",\"1\",\"0\",\"0\",\"0\"\r\n"},
        {"key-data.qvmcr", "\"48386\",\"97\",\"2147483648\",\"0\",\"0\",\"0\"\r\n"},
        {"shift.qvmcr", "\"48386\",\"97\",\"1\",\"256\",\"0\",\"0\"\r\n"},
        {"ctrl.qvmcr", "\"48386\",\"97\",\"1\",\"0\",\"-128\",\"0\"\r\n"},
        {"alt.qvmcr", "\"48386\",\"97\",\"1\",\"0\",\"0\",\"384\"\r\n"},
        {"message.qvmcr", "\"4294915330\",\"97\",\"1\",\"0\",\"0\",\"0\"\r\n"}, // 48386 + 2^32
        {"empty.qvmcr", ""},
    };
    for (const auto& b : bad) {
        EXPECT_FALSE(memo->LoadMacroFile(Write(QString::fromUtf8(b.name), b.data))) << b.name;
        EXPECT_EQ(macro.Count(), 0) << b.name;
        EXPECT_EQ(macro.Status(), msWaiting) << b.name;
    }
    EXPECT_TRUE(memo->LoadMacroFile(Write(QStringLiteral("good.qvmcr"), good + good)));
    EXPECT_EQ(macro.Count(), 2);
    // The ends of each range load.
    EXPECT_TRUE(memo->LoadMacroFile(Write(QStringLiteral("limits.qvmcr"),
                                          "\"48386\",\"65535\",\"-2147483648\",\"255\",\"129\",\"0\"\r\n")));
    ASSERT_EQ(macro.Count(), 1);
    EXPECT_EQ(macro.Item(0), (TKeyMacroData{CN_CHAR, 65535, INT32_MIN, 255, 129, 0}));
    EXPECT_TRUE(memo->LoadMacroFile(Write(QStringLiteral("good.qvmcr"), good + good)));
    // Loading while recording appends and ends the recording.
    memo->BeginMacroRec();
    macro.Add(CN_CHAR, 'z', 1, 0, 0, 0);
    EXPECT_TRUE(memo->LoadMacroFile(Write(QStringLiteral("good2.qvmcr"), good)));
    EXPECT_EQ(macro.Count(), 2);
    EXPECT_EQ(macro.Status(), msWaiting);
    // Saving while recording stops it first; an empty macro writes nothing.
    memo->BeginMacroRec();
    macro.Add(CN_CHAR, 'q', 1, 0, 0, 0);
    const QString out = qvtest::testHome() + QStringLiteral("/rec.qvmcr");
    memo->SaveMacroFile(out);
    EXPECT_EQ(macro.Status(), msWaiting);
    EXPECT_TRUE(QFile::exists(out));
    macro.Clear();
    const QString none = qvtest::testHome() + QStringLiteral("/none.qvmcr");
    memo->SaveMacroFile(none);
    EXPECT_FALSE(QFile::exists(none));
}
