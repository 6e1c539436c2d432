#include "sql/exec_script_window.h"

#include "app/images.h"
#include "app/message_box.h"
#include "app/options.h"
#include "app/textfiles.h"
#include "app/wait_cursor.h"
#include "connection/dm_sqlserver.h"
#include "connection/object_session.h"
#include "platform/db/query.h"
#include "platform/exceptions.h"
#include "platform/registry.h"
#include "sql/exec_script.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QToolBar>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>

namespace qv {

std::function<int(QWidget*, const QString&, bool*, bool*)> TfrmExecScript::AskHook =
    [](QWidget*, const QString& text, bool* removeCompleted, bool* stopOnError) {
        return ShowCheckMessageBox(text, MB_YESNO | MB_ICONQUESTION,
                                   {CheckItem{QStringLiteral("正常終了したスクリプトをリストから削除する"), removeCompleted},
                                    CheckItem{QStringLiteral("エラーが発生した時点で処理を中断する"), stopOnError}});
    };
std::function<void(QWidget*, const QString&, int)> TfrmExecScript::MessageHook = [](QWidget*, const QString& text, int icon) {
    ShowMessageBox(text, icon);
};
std::function<bool(const QString&)> TfrmExecScript::OpenFileHook = [](const QString& file) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(file));
};

namespace {
const QString WindowKey = QStringLiteral("\\Software\\Velmora\\QVS22\\GUI\\EXECSCRIPT");
}

TfrmExecScript::TfrmExecScript(TObjectSession* owner, QWidget* parent)
    : TqvForm(owner ? owner->parent() : nullptr, parent), m_owner(owner)
{
    setObjectName(QStringLiteral("frmExecScript"));
    const QString info = owner->ConnectionText();
    setWindowTitle(QStringLiteral("スクリプト実行 - ") + info);
    SetTaskCaption(info);
    SetIcon(11);
    setAcceptDrops(true);
    m_query = new db::Query(this);
    m_query->SetConnection(owner->dmSQLServer->Connection);

    tolCmd = new QToolBar(this);
    tolCmd->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    actExec = tolCmd->addAction(imgMain(28), QStringLiteral("実行(&E)"), this, [this] { actExecExecute(); });
    actExit = tolCmd->addAction(imgMain(42), QStringLiteral("終了(&X)"), this, [this] { close(); });
    tolCmd->addSeparator();
    tolCmd->addWidget(new QLabel(QStringLiteral(" 接続 "), tolCmd));
    cmbDBName = new QComboBox(tolCmd);
    cmbDBName->addItem(info);
    cmbDBName->setMinimumContentsLength(16);
    tolCmd->addWidget(cmbDBName);
    tolCmd->addWidget(new QLabel(QStringLiteral(" データベース "), tolCmd));
    cmbDatabase = new QComboBox(tolCmd);
    cmbDatabase->setMinimumContentsLength(12);
    tolCmd->addWidget(cmbDatabase);
    try {
        QStringList dbs;
        owner->GetDatabase(dbs);
        cmbDatabase->addItems(dbs);
    } catch (const Exception&) {
    }
    if (cmbDatabase->findText(owner->g_DataBase) < 0)
        cmbDatabase->addItem(owner->g_DataBase);
    cmbDatabase->setCurrentText(owner->g_DataBase);
    cmbDatabase->setEnabled(!owner->IsAzure);

    // File area: folder and its files.
    auto* pnlFile = new QWidget(this);
    auto* fileLayout = new QVBoxLayout(pnlFile);
    fileLayout->setContentsMargins(2, 2, 2, 2);
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(new QLabel(QStringLiteral("ファイルの場所"), pnlFile));
    cmbFolder = new QComboBox(pnlFile);
    cmbFolder->setEditable(true);
    folderRow->addWidget(cmbFolder, 1);
    fileLayout->addLayout(folderRow);
    fileModel = new QFileSystemModel(this);
    fileModel->setRootPath(QDir::homePath());
    lstFile = new QTreeView(pnlFile);
    lstFile->setModel(fileModel);
    lstFile->setRootIsDecorated(false);
    lstFile->setSortingEnabled(true);
    lstFile->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstFile->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    lstFile->installEventFilter(this);
    fileLayout->addWidget(lstFile, 1);
    connect(lstFile, &QTreeView::doubleClicked, this, [this](const QModelIndex& i) {
        if (fileModel->isDir(i))
            SetFolder(fileModel->filePath(i));
        else
            actSelectExecute();
    });
    connect(cmbFolder, &QComboBox::textActivated, this, [this](const QString& p) { SetFolder(p); });

    // Run list with its buttons.
    auto* pnlList = new QWidget(this);
    auto* listLayout = new QVBoxLayout(pnlList);
    listLayout->setContentsMargins(2, 2, 2, 2);
    auto* listBar = new QToolBar(pnlList);
    actSelect = listBar->addAction(QStringLiteral("≪"), this, [this] { actSelectExecute(); });
    actUp = listBar->addAction(imgMain(35), QStringLiteral("上に移動"), this, [this] { actUpExecute(); });
    actDown = listBar->addAction(imgMain(36), QStringLiteral("下に移動"), this, [this] { actDownExecute(); });
    actDelete = listBar->addAction(imgMain(41), QStringLiteral("削除"), this, [this] { actDeleteExecute(); });
    listLayout->addWidget(listBar);
    lstScript = new QListWidget(pnlList);
    lstScript->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstScript->installEventFilter(this);
    listLayout->addWidget(lstScript, 1);
    connect(lstScript, &QListWidget::itemDoubleClicked, this, [this] { openSelected(); });
    connect(lstScript, &QListWidget::itemSelectionChanged, this, [this] { updateActions(); });
    connect(lstFile->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { updateActions(); });

    splHorz = new QSplitter(Qt::Horizontal, this);
    splHorz->addWidget(pnlFile);
    splHorz->addWidget(pnlList);
    txtLog = new QPlainTextEdit(this);
    txtLog->setReadOnly(true);
    txtLog->setLineWrapMode(QPlainTextEdit::NoWrap);
    splVert = new QSplitter(Qt::Vertical, this);
    splVert->addWidget(splHorz);
    splVert->addWidget(txtLog);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tolCmd);
    layout->addWidget(splVert, 1);

    SetFolder(!qvOption.ScrExecDir.isEmpty() && QDir(qvOption.ScrExecDir).exists() ? qvOption.ScrExecDir : QDir::homePath());
    resize(720, 520);
    updateActions();
}

TfrmExecScript::~TfrmExecScript() = default;

void TfrmExecScript::SetFolder(const QString& path)
{
    if (!QDir(path).exists())
        return;
    const QString clean = QDir::cleanPath(path);
    lstFile->setRootIndex(fileModel->setRootPath(clean));
    if (cmbFolder->findText(clean) < 0)
        cmbFolder->insertItem(0, clean);
    cmbFolder->setCurrentText(clean);
}

QStringList TfrmExecScript::RunList() const
{
    QStringList out;
    for (int i = 0; i < lstScript->count(); ++i)
        out << lstScript->item(i)->text();
    return out;
}

void TfrmExecScript::AddFiles(QStringList files)
{
    files.sort();
    for (const QString& f : files)
        lstScript->addItem(f);
    updateActions();
}

void TfrmExecScript::actSelectExecute()
{
    QStringList files;
    for (const QModelIndex& i : lstFile->selectionModel()->selectedRows())
        if (!fileModel->isDir(i))
            files << fileModel->filePath(i);
    AddFiles(files);
}

void TfrmExecScript::actUpExecute()
{
    const auto sel = lstScript->selectedItems();
    if (sel.size() != 1)
        return;
    const int row = lstScript->row(sel[0]);
    if (row <= 0)
        return;
    lstScript->insertItem(row - 1, lstScript->takeItem(row));
    lstScript->setCurrentRow(row - 1);
}

void TfrmExecScript::actDownExecute()
{
    const auto sel = lstScript->selectedItems();
    if (sel.size() != 1)
        return;
    const int row = lstScript->row(sel[0]);
    if (row >= lstScript->count() - 1)
        return;
    lstScript->insertItem(row + 1, lstScript->takeItem(row));
    lstScript->setCurrentRow(row + 1);
}

void TfrmExecScript::actDeleteExecute()
{
    qDeleteAll(lstScript->selectedItems());
    updateActions();
}

void TfrmExecScript::openSelected()
{
    for (QListWidgetItem* item : lstScript->selectedItems())
        OpenFileHook(item->text());
}

void TfrmExecScript::updateActions()
{
    actExec->setEnabled(lstScript->count() > 0);
    actSelect->setEnabled(lstFile->selectionModel() && lstFile->selectionModel()->hasSelection());
    const int selected = static_cast<int>(lstScript->selectedItems().size());
    actUp->setEnabled(selected == 1);
    actDown->setEnabled(selected == 1);
    actDelete->setEnabled(selected > 0);
}

void TfrmExecScript::actExecExecute()
{
    if (lstScript->count() == 0)
        return;
    bool removeCompleted = qvOption.ScriptCompDel, stopOnError = qvOption.ScriptErrStop;
    if (AskHook(this, QStringLiteral("スクリプトを実行しますか？"), &removeCompleted, &stopOnError) != IDYES)
        return;
    qvOption.ScriptCompDel = removeCompleted;
    qvOption.ScriptErrStop = stopOnError;
    txtLog->clear();
    ScriptRunner runner(*m_query);
    runner.Log = [this](const QString& line, ScriptRunner::LogKind) { txtLog->appendPlainText(line); };
    ScriptRunOutcome out;
    const QStringList files = RunList();
    bool failed = false;
    try {
        WaitCursor wait;
        out = runner.Run(cmbDatabase->currentText(), files, GetFileEncoding(), stopOnError);
    } catch (const Exception& e) {
        failed = true;
        MessageHook(this, e.message(), MB_ICONERROR);
    }
    if (removeCompleted && !failed) {
        if (out.errors == 0) {
            lstScript->clear();
        } else {
            for (int i = static_cast<int>(out.completed.size()) - 1; i >= 0; --i)
                if (out.completed[i])
                    delete lstScript->takeItem(i);
        }
    }
    updateActions();
    qvOption.ScrExecDir = cmbFolder->currentText();
    if (out.errors > 0)
        MessageHook(this,
                    QStringLiteral("スクリプトの実行を終了しました。\r\n( %1個のエラーが発生しました )").arg(out.errors),
                    MB_ICONINFORMATION);
    else
        MessageHook(this, QStringLiteral("スクリプトの実行を終了しました。"), MB_ICONINFORMATION);
}

void TfrmExecScript::dragEnterEvent(QDragEnterEvent* e)
{
    if (e->mimeData()->hasUrls())
        e->acceptProposedAction();
}

void TfrmExecScript::dropEvent(QDropEvent* e)
{
    QStringList files;
    for (const QUrl& u : e->mimeData()->urls())
        if (u.isLocalFile() && u.toLocalFile().size() <= 256)
            files << u.toLocalFile();
    AddFiles(files);
    e->acceptProposedAction();
}

bool TfrmExecScript::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (watched == lstScript && key == Qt::Key_Delete) {
            actDeleteExecute();
            return true;
        }
        if (watched == lstScript && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            openSelected();
            return true;
        }
        if (watched == lstFile && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            actSelectExecute();
            return true;
        }
    }
    return TqvForm::eventFilter(watched, e);
}

void TfrmExecScript::LoadWindowSettings()
{
    TqvRegistry reg;
    if (!reg.OpenKeyReadOnly(WindowKey))
        return;
    resize(reg.GetInteger(QStringLiteral("Width"), width()), reg.GetInteger(QStringLiteral("Height"), height()));
    const int header = reg.GetInteger(QStringLiteral("HeaderHeight"), 0);
    if (header > 0)
        splVert->setSizes({header, std::max(height() - header, 40)});
    const int list = reg.GetInteger(QStringLiteral("ListWidth"), 0);
    if (list > 0)
        splHorz->setSizes({std::max(width() - list, 40), list});
}

void TfrmExecScript::SaveWindowSettings()
{
    TqvRegistry reg;
    if (!reg.OpenKey(WindowKey, true))
        return;
    if (isNormalState()) {
        reg.WriteInteger(QStringLiteral("Width"), width());
        reg.WriteInteger(QStringLiteral("Height"), height());
    }
    reg.WriteInteger(QStringLiteral("HeaderHeight"), splHorz->height());
    reg.WriteInteger(QStringLiteral("ListWidth"), lstScript->parentWidget()->width());
}

} // namespace qv
