#include "app/editor_commands.h"

#include "app/message_box.h"
#include "app/options.h"
#include "app/qvstrings.h"
#include "app/sqlformat/sql_formatter.h"
#include "app/sqltext/script_text.h"
#include "app/textfiles.h"
#include "editor/edit/edit_messages.h"
#include "editor/sqlmemo/key_macro.h"
#include "editor/sqlmemo/qvmemo.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QLocale>

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
        "actEditMacroSave",    "actEditMacroLoad", "actEditIndentF",   "actEditIndentR",  "actEditFormat",
        "actEditGetSQL"};
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
    // Indent and un-indent follow the comment rule; format and extraction need text.
    s.enabled.insert(QStringLiteral("actEditIndentF"), s.enabled.value(QStringLiteral("actEditComment")));
    s.enabled.insert(QStringLiteral("actEditIndentR"), s.enabled.value(QStringLiteral("actEditComment")));
    s.enabled.insert(QStringLiteral("actEditFormat"), EditorSelStringRule(memo));
    s.enabled.insert(QStringLiteral("actEditGetSQL"), EditorSelStringRule(memo));
    for (const char* n : {"actEditUpperCase", "actEditLowerCase", "actEditHanToZen", "actEditZenToHan",
                          "actEditJumpDefine"})
        s.enabled.insert(QLatin1String(n), EditorSelectionRule(memo));
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

// ---- text conversions, indentation, formatting, SQL extraction ---------------------------

bool EditorSelectionRule(const TqvMemo* memo) { return !memo || (memo->Selected() && !memo->ReadOnly()); }

bool EditorSelStringRule(const TqvMemo* memo)
{
    return memo && !memo->ReadOnly() && memo->SelectionMode() != smBox &&
           !const_cast<TqvMemo*>(memo)->Lines().GetTextStr().trimmed().isEmpty();
}

QString ConvertText(TextConversion kind, const QString& text)
{
    switch (kind) {
    case TextConversion::Upper: return QLocale().toUpper(text);
    case TextConversion::Lower: return QLocale().toLower(text);
    case TextConversion::FullWidth: return ToFullWidth(text);
    case TextConversion::HalfWidth: return ToHalfWidth(text);
    }
    return text;
}

void ConvertSelection(QWidget* focus, TextConversion kind)
{
    if (auto* memo = qobject_cast<TqvMemo*>(focus)) {
        if (memo->SelectionMode() == smBox || memo->ReadOnly())
            return;
        const int start = memo->SelStart();
        const int length = memo->SelLength();
        if (length > MaxConvertLength) {
            ShowMessageBox(QStringLiteral("変換する文字列は100000文字以内にしてください。"), MB_ICONWARNING);
            return;
        }
        try {
            const QString converted = ConvertText(kind, memo->SelText());
            memo->EditMessage(editmsg::EM_REPLACESEL, 1, reinterpret_cast<qintptr>(&converted));
            memo->SetSelStart(start);
            memo->SetSelLength(length);
        } catch (const std::exception&) {
            ShowMessageBox(QStringLiteral("文字列の変換に失敗しました。"), MB_ICONERROR);
        }
        return;
    }
    QLineEdit* edit = qobject_cast<QLineEdit*>(focus);
    if (!edit)
        if (auto* combo = qobject_cast<QComboBox*>(focus))
            edit = combo->lineEdit();
    if (!edit || edit->isReadOnly() || !edit->hasSelectedText())
        return;
    const int start = edit->selectionStart();
    const QString converted = ConvertText(kind, edit->selectedText());
    edit->insert(converted);
    edit->setSelection(start, int(converted.size()));
}

SelRange WidenToLineStart(const QString& text, int start, int length)
{
    int p = 0;
    for (int i = qMin(start, int(text.size())) - 1; i >= 0; --i) {
        if (text.at(i) == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n') {
            p = i + 2;
            break;
        }
    }
    // A CR LF pair whose CR lies just before the start counts too (the start is its LF).
    if (p > start)
        p = start;
    return {p, length + start - p};
}

bool HasLineTooLongToFormat(const QStringList& lines)
{
    for (const QString& l : lines)
        if (l.size() > MaxFormatLineLength)
            return true;
    return false;
}

void EditorIndent(TqvMemo* memo, bool forward)
{
    if (!Writable(memo) || (memo->SelectionMode() == smBox && !memo->Selected()))
        return;
    if (forward)
        memo->SelTabIndent();
    else
        memo->SelTabUnIndent();
}

namespace {

// The text of the selection widened to line starts, or of the whole text (selected).
QString takeStatementText(TqvMemo* memo)
{
    if (memo->Selected() && memo->SelLength() > 0) {
        const SelRange r = WidenToLineStart(memo->Lines().GetTextStr(), memo->SelStart(), memo->SelLength());
        memo->SetSelStart(r.start);
        memo->SetSelLength(r.length);
    } else {
        memo->SelectAll();
    }
    return memo->SelText();
}

} // namespace

void EditorFormat(TqvMemo* memo)
{
    if (!EditorSelStringRule(memo))
        return;
    QStringList lines;
    for (int i = 0; i < memo->Lines().Count(); ++i)
        lines << memo->Lines()[i];
    if (HasLineTooLongToFormat(lines)) {
        ShowMessageBox(QStringLiteral("1行の文字数が10000文字を超えているため、整形できません。"), MB_ICONWARNING);
        return;
    }
    const QString formatted = FormatSQLText(takeStatementText(memo), FormatOption);
    memo->EditMessage(editmsg::EM_REPLACESEL, 1, reinterpret_cast<qintptr>(&formatted));
}

void EditorGetSQL(TqvMemo* memo)
{
    if (!EditorSelStringRule(memo))
        return;
    const QString sql = FormatSQLText(UnwrapExecuteSQL(takeStatementText(memo), false), FormatOption);
    QApplication::clipboard()->setText(sql);
    ShowMessageBox(QStringLiteral("クリップボードに出力しました。"), MB_ICONINFORMATION);
}

} // namespace qv
