// The options dialogs' checks as plain functions: limits, the threshold question, folders,
// the transaction step, shortcut keys, reserved words and passwords.
#include "app/option_checks.h"
#include "app/scrambler.h"

#include <gtest/gtest.h>

using namespace qv;

namespace {

struct InputCase {
    const char* name;
    void (*change)(OptionInputs&);
    OptionBox box;
    const char* page;
    const char* message;
};

const InputCase kInputCases[] = {
    {"valid", [](OptionInputs&) {}, OptionBox::None, "", ""},
    {"data size 0", [](OptionInputs& i) { i.DataFontSize = 0; }, OptionBox::DataFontSize, "データ",
     "サイズ(pt)は1以上の整数で入力して下さい。"},
    {"diagram size 0", [](OptionInputs& i) { i.DiagramFontSize = 0; }, OptionBox::DiagramFontSize, "SQL実行",
     "ダイアグラム部 サイズ(pt)は1以上の整数で入力して下さい。"},
    {"grid size 0", [](OptionInputs& i) { i.GridFontSize = 0; }, OptionBox::GridFontSize, "SQL実行",
     "グリッド部 サイズ(pt)は1以上の整数で入力して下さい。"},
    {"record count 0", [](OptionInputs& i) { i.DefTopRecord = 0; }, OptionBox::DefTopRecord, "データ",
     "件数を指定して開く場合の既定レコード件数は1以上の整数で入力して下さい。"},
    {"start row 0", [](OptionInputs& i) { i.ExcelTopRow = 0; }, OptionBox::ExcelTop, "外部出力",
     "開始行は1から65535までの整数で入力して下さい。"},
    {"start row 65536", [](OptionInputs& i) { i.ExcelTopRow = 65536; }, OptionBox::ExcelTop, "外部出力",
     "開始行は1から65535までの整数で入力して下さい。"},
    {"rows 65536", [](OptionInputs& i) { i.ExcelMatrixRow = 65536; }, OptionBox::ExcelMatrixRow, "外部出力",
     "頁行数は1から65535までの整数で入力して下さい。"},
    {"columns 256", [](OptionInputs& i) { i.ExcelMatrixCol = 256; }, OptionBox::ExcelMatrixCol, "外部出力",
     "桁数は1から255までの整数で入力して下さい。"},
    {"cross level 0", [](OptionInputs& i) { i.CrossLevel = 0; }, OptionBox::CrossLevel, "詳細設定",
     "クロスリファレンスの最大階層には1以上の整数を入力して下さい。"},
    {"rebuild 101", [](OptionInputs& i) { i.IdxRebuild = 101; }, OptionBox::IdxReorganize, "詳細設定",
     "INDEXの断片化解消の閾値は1以上、100以下の整数を入力して下さい。"},
    {"reorganise 0", [](OptionInputs& i) { i.IdxReorganize = 0; }, OptionBox::IdxReorganize, "詳細設定",
     "INDEXの断片化解消の閾値は1以上、100以下の整数を入力して下さい。"},
    {"rebuild equal", [](OptionInputs& i) { i.IdxReorganize = 30; i.IdxRebuild = 30; }, OptionBox::IdxRebuild,
     "詳細設定", "INDEXの断片化解消の閾値は、\r\n再編成の閾値よりも再構築の閾値を高く設定して下さい。"},
    {"rebuild below", [](OptionInputs& i) { i.IdxReorganize = 40; i.IdxRebuild = 31; }, OptionBox::IdxRebuild,
     "詳細設定", "INDEXの断片化解消の閾値は、\r\n再編成の閾値よりも再構築の閾値を高く設定して下さい。"},
};

} // namespace

TEST(OptionChecks, InputLimitsTable)
{
    for (const InputCase& c : kInputCases) {
        OptionInputs in;
        c.change(in);
        const OptionFailure f = ValidateOptionInputs(in);
        EXPECT_EQ(f.box, c.box) << c.name;
        EXPECT_EQ(f.page, QString::fromUtf8(c.page)) << c.name;
        EXPECT_EQ(f.message, QString::fromUtf8(c.message)) << c.name;
    }
}

TEST(OptionChecks, ThresholdQuestion)
{
    struct C { int reorg, rebuild, curReorg, curRebuild; bool ask; };
    const C cases[] = {
        {3, 31, 5, 31, true},   // newly below 5
        {3, 31, 3, 31, false},  // stored already: no question again
        {5, 31, 5, 31, false},
        {1, 4, 1, 31, true},    // the rebuild threshold
        {4, 30, 4, 31, false},
    };
    for (const C& c : cases)
        EXPECT_EQ(NeedsThresholdQuestion(c.reorg, c.rebuild, c.curReorg, c.curRebuild), c.ask)
            << c.reorg << " " << c.rebuild;
    EXPECT_EQ(ThresholdQuestionText(QStringLiteral("3"), QStringLiteral("31")),
              QStringLiteral("INDEXの断片化割合が5%未満の解消は推奨されません。\r\n入力した閾値は、[再編成：3%以上]、"
                             "[再構築：31%以上]です。\r\n設定しますか？"));
}

TEST(OptionChecks, StoredFolderTable)
{
    const QString def = QStringLiteral("/home/u/Documents/");
    const std::pair<const char*, const char*> cases[] = {
        {"", "/home/u/Documents/"},  // emptied: the default, never "/"
        {"   ", "/home/u/Documents/"},
        {"/tmp/out", "/tmp/out/"},
        {" /tmp/out/ ", "/tmp/out/"},
        {"/", "/"},                  // typed explicitly
    };
    for (const auto& [box, stored] : cases)
        EXPECT_EQ(StoredFolder(QString::fromUtf8(box), def), QString::fromUtf8(stored)) << box;
}

TEST(OptionChecks, AutoTranStepTable)
{
    EXPECT_EQ(AutoTranStep(false, false, true), TranStep::None);
    EXPECT_EQ(AutoTranStep(true, true, true), TranStep::None);
    EXPECT_EQ(AutoTranStep(true, false, false), TranStep::None);
    EXPECT_EQ(AutoTranStep(true, false, true), TranStep::CommitAndStart);
    EXPECT_EQ(AutoTranStep(true, true, false), TranStep::Commit);
}

TEST(OptionChecks, ShortcutKeyTable)
{
    const QStringList others = {QStringLiteral("Ctrl+S"), QStringLiteral("F5")};
    struct C { int key; Qt::KeyboardModifiers mods; ShortcutKeyResult result; const char* text; };
    const C cases[] = {
        {Qt::Key_A, Qt::NoModifier, ShortcutKeyResult::Ignored, ""},         // bare letter
        {Qt::Key_7, Qt::NoModifier, ShortcutKeyResult::Ignored, ""},         // bare digit
        {Qt::Key_A, Qt::ControlModifier, ShortcutKeyResult::Assigned, "Ctrl+A"},
        {Qt::Key_A, Qt::ShiftModifier | Qt::AltModifier, ShortcutKeyResult::Assigned, "Shift+Alt+A"},
        {Qt::Key_S, Qt::ControlModifier, ShortcutKeyResult::Duplicate, "Ctrl+S"},
        {Qt::Key_F5, Qt::NoModifier, ShortcutKeyResult::Duplicate, "F5"},
        {Qt::Key_F10, Qt::NoModifier, ShortcutKeyResult::Assigned, "F10"},
        {Qt::Key_F1, Qt::NoModifier, ShortcutKeyResult::Assigned, "F1"},
        {Qt::Key_F11, Qt::NoModifier, ShortcutKeyResult::Ignored, ""},
        {Qt::Key_F12, Qt::ControlModifier, ShortcutKeyResult::Ignored, ""},
        {Qt::Key_Tab, Qt::NoModifier, ShortcutKeyResult::Assigned, "Tab"},
        {Qt::Key_Comma, Qt::ControlModifier, ShortcutKeyResult::Assigned, "Ctrl+,"},
        {Qt::Key_Space, Qt::ControlModifier, ShortcutKeyResult::Cleared, ""},
        {Qt::Key_Escape, Qt::NoModifier, ShortcutKeyResult::Ignored, ""},
        {Qt::Key_Delete, Qt::ControlModifier, ShortcutKeyResult::Ignored, ""},
    };
    for (const C& c : cases) {
        const ShortcutKeyOutcome r = ShortcutForKey(c.key, c.mods, others);
        EXPECT_EQ(r.result, c.result) << c.key;
        EXPECT_EQ(r.text, QString::fromUtf8(c.text)) << c.key;
    }
    EXPECT_EQ(ShortcutForKey(Qt::Key_S, Qt::ControlModifier, others).message,
              QStringLiteral("同じショートカットが既に存在しています。"));
}

TEST(OptionChecks, ReserveWordsAndDelay)
{
    EXPECT_EQ(ReserveWordWithBlank({QStringLiteral("SELECT"), QStringLiteral(" FROM "), QStringLiteral("ORDER BY")}),
              QStringLiteral("ORDER BY"));
    EXPECT_EQ(ReserveWordWithBlank({QStringLiteral("A　B")}), QStringLiteral("A　B")); // full-width blank
    EXPECT_TRUE(ReserveWordWithBlank({QStringLiteral(""), QStringLiteral("  WHERE  ")}).isNull());
    EXPECT_EQ(ReserveWordBlankMessage(QStringLiteral("ORDER BY")),
              QStringLiteral("予約語に空白が含まれているため登録できません。(ORDER BY)"));
    EXPECT_EQ(CleanReserveWords({QStringLiteral(""), QStringLiteral(" SELECT"), QStringLiteral("  "), QStringLiteral("FROM ")}),
              QStringList({QStringLiteral("SELECT"), QStringLiteral("FROM")}));
    for (const auto& [ms, ok] : {std::pair{199, false}, {200, true}, {5000, true}, {5001, false}})
        EXPECT_EQ(CompletionDelayValid(ms), ok) << ms;
}

TEST(OptionChecks, PasswordBlanksAgreeWithTheStoredForm)
{
    for (const char* pw : {"secret", " secret", "secret ", "se cret", "", "\tpw", "パス ワード"}) {
        const QString p = QString::fromUtf8(pw);
        EXPECT_EQ(PasswordSurvivesStorage(p), UnscrambleText(ScrambleText(p)) == p) << pw;
    }
    EXPECT_FALSE(PasswordSurvivesStorage(QStringLiteral(" pw")));
}
