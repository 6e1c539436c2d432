#include "sql/memo_frame.h"

#include "app/application.h"
#include "app/globals.h"
#include "app/message_box.h"
#include "app/options.h"
#include "app/textfiles.h"
#include "editor/editor_strings.h"
#include "editor/sqlmemo/code_assist.h"
#include "editor/sqlmemo/qvmemo.h"
#include "platform/messages.h"

#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

namespace qv {

namespace {
const QString kFileFilter = QStringLiteral("SQLファイル(*.sql);;テキストファイル(*.txt);;すべてのファイル(*.*)");
}

TqvCodeAssist* FillCodeAssist(TqvMemo* edit, QWidget* owner, const CodeAssistList& src, int x, int y,
                              const QStringList& reservedWords)
{
    auto* list = new TqvCodeAssist(edit, owner, x, y);
    edit->CodeAssist = list;
    list->RWTable = reservedWords;
    list->setColumnCount(2);
    list->setHeaderLabels({src.caption1, src.caption2});
    list->setColumnWidth(0, edit->CASize.ColumnWidth[0]);
    list->setColumnWidth(1, edit->CASize.ColumnWidth[1]);
    for (const CodeAssistRow& r : src.rows) {
        list->CaptionList << r.caption;
        list->SubItemList << r.type;
        list->ImageList.push_back(r.image);
    }
    list->SetBuffer(src.unfinished ? src.buffer : QString());
    list->ShowItems();
    list->Present();
    return list;
}

TfraMemo::TfraMemo(QWidget* parent)
    : QWidget(parent)
{
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(0);
    auto* header = new QWidget(this);
    header->setObjectName("pnlHeader");
    auto* hl = new QHBoxLayout(header);
    hl->setContentsMargins(2, 0, 2, 0);
    tlbHeader = new QToolBar(header);
    tlbHeader->setObjectName("tlbHeader");
    lblFileName = new QLabel(header);
    lblFileName->setObjectName("lblFileName");
    hl->addWidget(tlbHeader);
    hl->addWidget(lblFileName, 1);
    lay->addWidget(header);

    txtSQL = new TqvMemo(this);
    txtSQL->setObjectName("txtSQL");
    txtSQL->SetCodeAssistOwner(this);
    lay->addWidget(txtSQL, 1);

    actOpenFile = new QAction(QStringLiteral("ファイルを開く"), this);
    actOpenFile->setIcon(QIcon::fromTheme("document-open"));
    actSaveFile = new QAction(QStringLiteral("上書き保存"), this);
    actSaveFile->setIcon(QIcon::fromTheme("document-save"));
    actSaveNewFile = new QAction(QStringLiteral("名前を付けて保存"), this);
    actSaveNewFile->setIcon(QIcon::fromTheme("document-save-as"));
    tlbHeader->addAction(actOpenFile);
    tlbHeader->addAction(actSaveFile);
    tlbHeader->addAction(actSaveNewFile);
    connect(actOpenFile, &QAction::triggered, this, &TfraMemo::OpenFile);
    connect(actSaveFile, &QAction::triggered, this, &TfraMemo::SaveFile);
    connect(actSaveNewFile, &QAction::triggered, this, &TfraMemo::SaveNewFile);
    txtSQL->OnChange = [this](TEditor*) { UpdateActions(); };
    UpdateActions();
}

void TfraMemo::UpdateActions()
{
    const bool hasText = !txtSQL->Lines().GetTextStr().isEmpty();
    actSaveFile->setEnabled(hasText);
    actSaveNewFile->setEnabled(hasText);
}

void TfraMemo::OpenFiles(QStringList fileNames, const QString& shownName)
{
    std::sort(fileNames.begin(), fileNames.end());
    TEditorStrings& lines = txtSQL->Lines();
    lines.BeginUpdate();
    try {
        lines.Clear();
        for (const QString& name : fileNames) {
            TEditorStrings file;
            file.LoadFromFile(name, &GetFileEncoding());
            for (const QString& line : file.ToStringList())
                lines.Add(line);
            txtSQL->EditorUndoObj().Clear();
            txtSQL->SetRow(0);
            txtSQL->SetCol(0);
        }
    } catch (...) {
        lines.EndUpdate();
        throw;
    }
    lines.EndUpdate();
    m_openFilePath = shownName;
    lblFileName->setText(shownName);
    txtSQL->SetModified(false);
    UpdateActions();
}

void TfraMemo::WriteFile(const QString& fileName)
{
    TEditorStrings& lines = txtSQL->Lines();
    const bool bom = lines.WriteBOM;
    lines.WriteBOM = false;
    try {
        lines.SaveToFile(fileName, GetFileEncoding());
    } catch (...) {
        lines.WriteBOM = bom;
        throw;
    }
    lines.WriteBOM = bom;
    txtSQL->SetModified(false);
}

void TfraMemo::OpenFile()
{
    if (txtSQL->Modified()
        && ShowMessageBox(QStringLiteral("ファイルが保存されていませんが開きますか？"), MB_YESNO | MB_ICONWARNING) != IDYES)
        return;
    const QStringList names = QFileDialog::getOpenFileNames(this, QStringLiteral("ファイルを開く"), QString(), kFileFilter);
    if (names.isEmpty())
        return;
    OpenFiles(names, names.first());
}

void TfraMemo::SaveFile()
{
    if (m_openFilePath.isEmpty()) {
        SaveNewFile();
        return;
    }
    try {
        WriteFile(m_openFilePath);
    } catch (...) {
        ShowMessageBox(QStringLiteral("ファイルが使用中です。"), MB_ICONWARNING);
    }
}

void TfraMemo::SaveNewFile()
{
    QString name = DefaultFileName ? DefaultFileName() : QString();
    if (name.isEmpty())
        name = QStringLiteral("Script.sql");
    QString dir = qvOption.FileDir;
    if (!dir.isEmpty() && !dir.endsWith(u'/'))
        dir += u'/';
    name = UniqueFileName(dir + name);
    QString filter;
    QString chosen = QFileDialog::getSaveFileName(this, QStringLiteral("名前を付けて保存"), name, kFileFilter, &filter);
    if (chosen.isEmpty())
        return;
    if (!HasKnownFileExt(chosen))
        chosen += filter.startsWith(QStringLiteral("テキスト")) ? QStringLiteral(".txt") : QStringLiteral(".sql");
    WriteFile(chosen);
    ShowMessageBox(QStringLiteral("ファイルに出力しました。"), MB_ICONINFORMATION);
}

void TfraMemo::CodeAssistRequested(int x, int y)
{
    if (txtSQL->CodeAssist || !CodeAssistContext)
        return;
    CodeAssistRequest req;
    if (!CodeAssistContext(req) || !req.query)
        return;
    req.token = txtSQL->GetCodeAssistToken();
    req.editorText = txtSQL->Lines().ToStringList();
    req.reservedWords = ReserveWordList;
    const std::optional<CodeAssistList> list = BuildCodeAssistList(req);
    if (list)
        FillCodeAssist(txtSQL, this, *list, x, y, req.reservedWords);
}

bool TfraMemo::event(QEvent* e)
{
    if (e->type() == messageEventType(WM_CODEASSIST)) {
        auto* m = static_cast<MessageEvent*>(e);
        // A catalog error goes to the application's error handler, not through the event loop.
        try {
            CodeAssistRequested(int(m->wParam()), int(m->lParam()));
        } catch (...) {
            HandleException(std::current_exception());
        }
        return true;
    }
    return QWidget::event(e);
}

} // namespace qv
