#pragma once
// The checks behind the options dialogs, as plain functions: the numeric limits OK enforces,
// the low-threshold question, the shortcut keys the key pages accept, the reserved-word check,
// the folder boxes and the transaction step of the AutoTran option.
#include <QString>
#include <QStringList>
#include <Qt>

namespace qv {

// ---- options dialog: the boxes OK validates ------------------------------------------------
enum class OptionBox {
    None,
    DataFontSize,
    DiagramFontSize,
    GridFontSize,
    DefTopRecord,
    ExcelTop,
    ExcelMatrixRow,
    ExcelMatrixCol,
    CrossLevel,
    IdxReorganize,
    IdxRebuild,
};

// The boxes' numbers as typed (ExcelTopRow is the "開始行" box, counted from 1).
struct OptionInputs {
    int DataFontSize = 10;
    int DiagramFontSize = 9;
    int GridFontSize = 9;
    int DefTopRecord = 1000;
    int ExcelTopRow = 1;
    int ExcelMatrixRow = 60;
    int ExcelMatrixCol = 30;
    int CrossLevel = 3;
    int IdxReorganize = 5;
    int IdxRebuild = 31;
};

// The first failing check: the box to focus, the page to show and the warning. box None: all
// checks passed.
struct OptionFailure {
    OptionBox box = OptionBox::None;
    QString page;
    QString message;
    bool ok() const { return box == OptionBox::None; }
};
OptionFailure ValidateOptionInputs(const OptionInputs& in);

// Whether OK must ask before storing a threshold below 5 that the user has just typed.
bool NeedsThresholdQuestion(int reorganize, int rebuild, int currentReorganize, int currentRebuild);
QString ThresholdQuestionText(const QString& reorganizeText, const QString& rebuildText);

// The folder stored for a folder box: the trimmed text ending with "/"; an emptied box gives
// the folder's default back (a bare "/" would make the root the folder).
QString StoredFolder(const QString& boxText, const QString& defaultFolder);

// ---- AutoTran --------------------------------------------------------------------------------
// What OK does to the current connection's session for the AutoTran option.
enum class TranStep {
    None,           // unchanged option, or no connection: the session is left alone
    Commit,         // switched off: commit the open transaction
    CommitAndStart, // switched on: commit what is open, then start a transaction
};
TranStep AutoTranStep(bool hasConnection, bool oldAutoTran, bool newAutoTran);
// The question before a commit that the option change makes (a transaction is open).
QString AutoTranCommitQuestion();

// ---- shortcut keys ---------------------------------------------------------------------------
enum class ShortcutKeyResult {
    Ignored,   // not a key that can be assigned (a bare letter, F11 …)
    Cleared,   // Space: the shortcut is removed
    Assigned,  // text holds the new shortcut
    Duplicate, // another action already shows text; message holds the warning
};
struct ShortcutKeyOutcome {
    ShortcutKeyResult result = ShortcutKeyResult::Ignored;
    QString text;
    QString message;
};
// A key released on an action row. Accepted: Tab, digits and letters together with Shift,
// Ctrl or Alt, F1 to F10 and the punctuation keys, each with any modifiers. otherTexts: the
// shortcut texts of every other row.
ShortcutKeyOutcome ShortcutForKey(int qtKey, Qt::KeyboardModifiers modifiers, const QStringList& otherTexts);
QString DuplicateShortcutMessage();

// ---- editor options: OK checks ---------------------------------------------------------------
// The completion delay box: 200 … 5000.
bool CompletionDelayValid(int milliseconds);
QString CompletionDelayMessage();
// The first word of the reserved-word lines that holds a blank once trimmed; null when none.
QString ReserveWordWithBlank(const QStringList& lines);
QString ReserveWordBlankMessage(const QString& word);
// The lines trimmed, empty ones removed.
QStringList CleanReserveWords(const QStringList& lines);

// ---- passwords -------------------------------------------------------------------------------
// Whether a password comes back whole from its stored form (blanks and control characters at
// either end are lost there).
bool PasswordSurvivesStorage(const QString& password);
QString PasswordBlankWarning();

} // namespace qv
