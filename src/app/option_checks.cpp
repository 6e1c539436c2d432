#include "app/option_checks.h"

#include "app/message_box.h"
#include "app/settings.h"

#include <QKeySequence>

namespace qv {

namespace {

const QString kPageData = QStringLiteral("データ");
const QString kPageSql = QStringLiteral("SQL実行");
const QString kPageOutput = QStringLiteral("外部出力");
const QString kPageAdvanced = QStringLiteral("詳細設定");

OptionFailure fail(OptionBox box, const QString& page, const char* message)
{
    return {box, page, QString::fromUtf8(message)};
}

bool isPunctuationKey(int key)
{
    switch (key) {
    case Qt::Key_Semicolon:
    case Qt::Key_Colon:
    case Qt::Key_Equal:
    case Qt::Key_Plus:
    case Qt::Key_Comma:
    case Qt::Key_Less:
    case Qt::Key_Minus:
    case Qt::Key_Period:
    case Qt::Key_Greater:
    case Qt::Key_Slash:
    case Qt::Key_Question:
    case Qt::Key_QuoteLeft:
    case Qt::Key_At:
    case Qt::Key_AsciiTilde:
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft:
    case Qt::Key_Backslash:
    case Qt::Key_Bar:
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight:
    case Qt::Key_yen:
        return true;
    default:
        return false;
    }
}

} // namespace

OptionFailure ValidateOptionInputs(const OptionInputs& in)
{
    if (in.DataFontSize <= 0)
        return fail(OptionBox::DataFontSize, kPageData, "サイズ(pt)は1以上の整数で入力して下さい。");
    if (in.DiagramFontSize <= 0)
        return fail(OptionBox::DiagramFontSize, kPageSql, "ダイアグラム部 サイズ(pt)は1以上の整数で入力して下さい。");
    if (in.GridFontSize <= 0)
        return fail(OptionBox::GridFontSize, kPageSql, "グリッド部 サイズ(pt)は1以上の整数で入力して下さい。");
    if (in.DefTopRecord <= 0)
        return fail(OptionBox::DefTopRecord, kPageData,
                    "件数を指定して開く場合の既定レコード件数は1以上の整数で入力して下さい。");
    if (in.ExcelTopRow < 1 || in.ExcelTopRow > 65535)
        return fail(OptionBox::ExcelTop, kPageOutput, "開始行は1から65535までの整数で入力して下さい。");
    if (in.ExcelMatrixRow < 1 || in.ExcelMatrixRow > 65535)
        return fail(OptionBox::ExcelMatrixRow, kPageOutput, "頁行数は1から65535までの整数で入力して下さい。");
    if (in.ExcelMatrixCol < 1 || in.ExcelMatrixCol > 255)
        return fail(OptionBox::ExcelMatrixCol, kPageOutput, "桁数は1から255までの整数で入力して下さい。");
    if (in.CrossLevel <= 0)
        return fail(OptionBox::CrossLevel, kPageAdvanced,
                    "クロスリファレンスの最大階層には1以上の整数を入力して下さい。");
    auto outside = [](int v) { return v <= 0 || v > 100; };
    if (outside(in.IdxReorganize) || outside(in.IdxRebuild))
        return fail(OptionBox::IdxReorganize, kPageAdvanced,
                    "INDEXの断片化解消の閾値は1以上、100以下の整数を入力して下さい。");
    if (in.IdxRebuild <= in.IdxReorganize)
        return fail(OptionBox::IdxRebuild, kPageAdvanced,
                    "INDEXの断片化解消の閾値は、\r\n再編成の閾値よりも再構築の閾値を高く設定して下さい。");
    return {};
}

bool NeedsThresholdQuestion(int reorganize, int rebuild, int currentReorganize, int currentRebuild)
{
    return (reorganize < 5 && reorganize != currentReorganize) || (rebuild < 5 && rebuild != currentRebuild);
}

QString ThresholdQuestionText(const QString& reorganizeText, const QString& rebuildText)
{
    return QStringLiteral("INDEXの断片化割合が5%未満の解消は推奨されません。\r\n入力した閾値は、[再編成：") + reorganizeText
        + QStringLiteral("%以上]、[再構築：") + rebuildText + QStringLiteral("%以上]です。\r\n設定しますか？");
}

QString StoredFolder(const QString& boxText, const QString& defaultFolder)
{
    const QString t = boxText.trimmed();
    if (t.isEmpty())
        return defaultFolder;
    return t.endsWith(u'/') ? t : t + u'/';
}

TranStep AutoTranStep(bool hasConnection, bool oldAutoTran, bool newAutoTran)
{
    if (!hasConnection || oldAutoTran == newAutoTran)
        return TranStep::None;
    return newAutoTran ? TranStep::CommitAndStart : TranStep::Commit;
}

QString AutoTranCommitQuestion()
{
    return QStringLiteral("トランザクションの設定を変更すると、現在の接続の未確定のトランザクションがコミットされます。\r\n"
                          "コミットしますか？");
}

QString DuplicateShortcutMessage()
{
    return FormatText(QStringLiteral("同じ%sが既に存在しています。"), {QStringLiteral("ショートカット")});
}

ShortcutKeyOutcome ShortcutForKey(int qtKey, Qt::KeyboardModifiers modifiers, const QStringList& otherTexts)
{
    if (qtKey == Qt::Key_Space)
        return {ShortcutKeyResult::Cleared, QString(), QString()};
    const Qt::KeyboardModifiers mods = modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const bool digitOrLetter = (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) || (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z);
    bool accepted = false;
    if (qtKey == Qt::Key_Tab || qtKey == Qt::Key_Backtab || (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F10)
        || isPunctuationKey(qtKey))
        accepted = true;
    else if (digitOrLetter)
        accepted = mods != Qt::NoModifier;
    if (!accepted)
        return {};
    const int key = qtKey == Qt::Key_Backtab ? int(Qt::Key_Tab) : qtKey;
    const QString text = ShortCutToText(QKeySequence(QKeyCombination(mods, Qt::Key(key))));
    if (text.isEmpty())
        return {};
    if (otherTexts.contains(text))
        return {ShortcutKeyResult::Duplicate, text, DuplicateShortcutMessage()};
    return {ShortcutKeyResult::Assigned, text, QString()};
}

bool CompletionDelayValid(int milliseconds) { return milliseconds >= 200 && milliseconds <= 5000; }

QString CompletionDelayMessage()
{
    return QStringLiteral("コード補完遅延(ミリ秒)は200以上5000以下の整数で入力して下さい。");
}

QString ReserveWordWithBlank(const QStringList& lines)
{
    for (const QString& line : lines) {
        const QString w = line.trimmed();
        for (QChar c : w)
            if (c.isSpace())
                return w;
    }
    return QString();
}

QString ReserveWordBlankMessage(const QString& word)
{
    return QStringLiteral("予約語に空白が含まれているため登録できません。(") + word + u')';
}

QStringList CleanReserveWords(const QStringList& lines)
{
    QStringList out;
    for (const QString& line : lines) {
        const QString w = line.trimmed();
        if (!w.isEmpty())
            out << w;
    }
    return out;
}

bool PasswordSurvivesStorage(const QString& password)
{
    auto blank = [](QChar c) { return c.unicode() <= 0x20; };
    return password.isEmpty() || (!blank(password.front()) && !blank(password.back()));
}

QString PasswordBlankWarning()
{
    return QStringLiteral("パスワードの前後の空白は保存されないため、除いてから接続します。");
}

} // namespace qv
