#include "app/editor_commands.h"

#include "app/message_box.h"
#include "app/textfiles.h"
#include "editor/sqlmemo/key_macro.h"
#include "editor/sqlmemo/qvmemo.h"

#include <QFileDialog>

namespace qv {

namespace {

bool Writable(const TqvMemo* memo) { return memo && !memo->ReadOnly(); }

// The macro list's state, when the editor has one.
TqvMacroStatus MacroStatus(const TqvMemo* memo)
{
    const TqvMacroList* list = memo ? memo->MacroList() : nullptr;
    return list ? list->Status() : msNone;
}

bool MacroReady(const TqvMemo* memo)
{
    const TqvMacroList* list = memo ? memo->MacroList() : nullptr;
    return Writable(memo) && list && list->Count() >= 1 && list->Status() == msWaiting;
}

} // namespace

const QStringList& EditorCommandNames()
{
    static const QStringList names = {
        "actEditFind",         "actEditFindNext",  "actEditFindPrev",  "actEditReplace",  "actEditFindClear",
        "actEditJump",         "actEditComment",   "actEditSelectMode", "actEditMacroRec", "actEditMacroExec",
        "actEditMacroSave",    "actEditMacroLoad"};
    return names;
}

EditorCommandStates ComputeEditorCommandStates(const TqvMemo* memo)
{
    EditorCommandStates s;
    const bool on = memo != nullptr;
    for (const char* n : {"actEditFind", "actEditFindNext", "actEditFindPrev", "actEditFindClear", "actEditJump",
                          "actEditSelectMode"})
        s.enabled.insert(QLatin1String(n), on);
    s.boxMode = on && memo->SelectionMode() == smBox;
    s.enabled.insert(QStringLiteral("actEditReplace"), Writable(memo));
    // In box mode the comment toggle needs a selection.
    s.enabled.insert(QStringLiteral("actEditComment"), Writable(memo) && (!s.boxMode || memo->Selected()));
    s.enabled.insert(QStringLiteral("actEditMacroRec"), Writable(memo));
    s.enabled.insert(QStringLiteral("actEditMacroExec"), MacroReady(memo));
    s.enabled.insert(QStringLiteral("actEditMacroSave"), MacroReady(memo));
    s.enabled.insert(QStringLiteral("actEditMacroLoad"), Writable(memo));
    s.recording = MacroStatus(memo) == msRecording;
    return s;
}

std::optional<int> JumpLineOf(const QString& entry, bool zeroBase, int lineNumberCount)
{
    bool ok = false;
    const int n = entry.trimmed().toInt(&ok);
    if (!ok || n < (zeroBase ? 0 : 1) || n > lineNumberCount)
        return std::nullopt;
    return n;
}

QString JumpNotFoundMessage(const QString& trimmedEntry)
{
    return QStringLiteral("指定行 ") + trimmedEntry + QStringLiteral(" は見つかりませんでした。");
}

QString MacroSaveFileName(const QString& chosen, int filterIndex)
{
    if (HasKnownFileExt(chosen))
        return chosen;
    return chosen + (filterIndex == 1 ? QStringLiteral(".txt") : QStringLiteral(".qvmcr"));
}

QString MacroFileFilter() { return QStringLiteral("QVマクロファイル(*.qvmcr);;すべてのファイル(*.*)"); }

void EditorFind(TqvMemo* memo)
{
    if (memo)
        memo->ShowSearchDialog();
}

void EditorFindNext(TqvMemo* memo)
{
    if (memo)
        memo->NextSearch();
}

void EditorFindPrev(TqvMemo* memo)
{
    if (memo)
        memo->PrevSearch();
}

void EditorReplace(TqvMemo* memo)
{
    if (Writable(memo))
        memo->ShowReplaceDialog();
}

void EditorFindClear(TqvMemo* memo)
{
    if (memo)
        memo->ClearSearch(true);
}

void EditorJump(TqvMemo* memo)
{
    if (!memo)
        return;
    QString value, owner;
    if (!ShowInputDialog(QStringLiteral("行ジャンプ"), QStringLiteral("指定行"), value, true, owner, {}, {}))
        return;
    const QString entry = value.trimmed();
    const std::optional<int> line = JumpLineOf(entry, memo->Leftbar().ZeroBase(), memo->GetLineNumberCount());
    if (!line) {
        ShowMessageBox(JumpNotFoundMessage(entry), MB_ICONWARNING);
        return;
    }
    memo->Jump(*line);
}

void EditorToggleComment(TqvMemo* memo)
{
    if (!Writable(memo) || (memo->SelectionMode() == smBox && !memo->Selected()))
        return;
    memo->SelCommentOut();
}

void EditorToggleBoxMode(TqvMemo* memo)
{
    if (!memo)
        return;
    const bool toBox = memo->SelectionMode() == smLine;
    memo->SetSelectionMode(toBox ? smBox : smLine);
    memo->KeyDownAltKey = toBox;
}

void EditorMacroRecord(TqvMemo* memo)
{
    if (!Writable(memo))
        return;
    if (MacroStatus(memo) == msRecording)
        memo->EndMacroRec();
    else
        memo->BeginMacroRec();
}

void EditorMacroRun(TqvMemo* memo)
{
    if (MacroReady(memo))
        memo->ExecMacro();
}

void EditorMacroSave(TqvMemo* memo, QWidget* parent)
{
    if (!Writable(memo) || !memo->MacroList() || memo->MacroList()->Count() == 0)
        return;
    if (MacroStatus(memo) == msRecording
        && ShowMessageBox(QStringLiteral("マクロを記録中ですがマクロファイルを保存してよろしいですか？"),
                          MB_YESNO | MB_ICONWARNING)
               != IDYES)
        return;
    QFileDialog dlg(parent, QStringLiteral("名前を付けて保存"), QString(), MacroFileFilter());
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.selectFile(QStringLiteral("QVマクロ.qvmcr"));
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return;
    const int filter = std::max<int>(0, MacroFileFilter().split(QStringLiteral(";;")).indexOf(dlg.selectedNameFilter()));
    memo->SaveMacroFile(MacroSaveFileName(dlg.selectedFiles().first(), filter));
    ShowMessageBox(QStringLiteral("ファイルを出力しました。"), MB_ICONINFORMATION);
}

void EditorMacroLoad(TqvMemo* memo, QWidget* parent)
{
    if (!Writable(memo))
        return;
    if (MacroStatus(memo) == msRecording
        && ShowMessageBox(QStringLiteral("マクロを記録中ですがマクロファイルを開いてよろしいですか？"),
                          MB_YESNO | MB_ICONWARNING)
               != IDYES)
        return;
    QFileDialog dlg(parent, QStringLiteral("マクロを開く"), QString(), MacroFileFilter());
    dlg.setFileMode(QFileDialog::ExistingFiles);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return;
    if (!memo->LoadMacroFile(dlg.selectedFiles().first()))
        ShowMessageBox(QStringLiteral("キーマクロファイルを読み込めませんでした。"), MB_ICONWARNING);
}

} // namespace qv
