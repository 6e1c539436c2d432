#include "sql/user_command_window.h"

#include "app/application.h"
#include "app/help.h"
#include "app/images.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/qvdoc.h"
#include "controls/inputs/inputs.h"
#include "editor/sqlmemo/qvmemo.h"
#include "platform/textcodec.h"
#include "sql/memo_settings.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScopeGuard>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#define S QStringLiteral

namespace qv {

namespace {

const QString kPlaceholders = S("【 利用可能な置換変数 】\n"
                                "&0 または &NAME : オブジェクト名\n"
                                "&1 または &DATABASE : データベース名\n"
                                "&2 または &OWNER : スキーマ名\n"
                                "&3 または &TYPE : オブジェクトタイプ\n"
                                "&4 以降 : その他の情報 (オブジェクト一覧の詳細列の順)");

} // namespace

TfrmUserCommand::TfrmUserCommand(QWidget* parent, const QString& dir)
    : QDialog(parent), m_dir(dir.isEmpty() ? UserCommandDir() : dir)
{
    setObjectName(S("frmUserCommand"));
    setWindowTitle(S("ユーザー定義コマンド"));
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
    auto* root = new QVBoxLayout(this);

    tolCommand = new QToolBar(this);
    tolCommand->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    auto add = [this](int image, const QString& caption, void (TfrmUserCommand::*slot)()) {
        QAction* a = tolCommand->addAction(imgMain(image), caption, this, slot);
        if (auto* b = qobject_cast<QToolButton*>(tolCommand->widgetForAction(a)))
            b->setMinimumWidth(78);
        return a;
    };
    actSave = add(15, S("保存(&S)"), &TfrmUserCommand::actSaveExecute);
    actAdd = add(39, S("追加(&A)"), &TfrmUserCommand::actAddExecute);
    actDelete = add(41, S("削除(&D)"), &TfrmUserCommand::actDeleteExecute);
    actRefresh = add(16, S("戻す(&R)"), &TfrmUserCommand::actRefreshExecute);
    actExit = tolCommand->addAction(imgMain(42), S("終了(&X)"), this, [this] { close(); });
    if (auto* b = qobject_cast<QToolButton*>(tolCommand->widgetForAction(actExit)))
        b->setMinimumWidth(78);
    root->addWidget(tolCommand);

    auto* split = new QSplitter(Qt::Horizontal, this);
    lstCommand = new QListWidget(split);
    lstCommand->setMinimumWidth(160);
    auto* right = new QWidget(split);
    auto* rl = new QVBoxLayout(right);
    rl->setContentsMargins(4, 0, 0, 0);
    auto* form = new QGridLayout;
    txtName = new QLineEdit;
    txtSeq = new TqvNumEdit;
    txtSeq->setMaximumWidth(80);
    hotCommand = new QKeySequenceEdit;
    if (auto* edit = hotCommand->findChild<QLineEdit*>())
        edit->setPlaceholderText(S("(なし)"));
    form->addWidget(new QLabel(S("名\u3000前")), 0, 0);
    form->addWidget(txtName, 0, 1, 1, 3);
    form->addWidget(new QLabel(S("コマンド番号")), 1, 0);
    form->addWidget(txtSeq, 1, 1);
    form->addWidget(new QLabel(S("ショートカット")), 1, 2);
    form->addWidget(hotCommand, 1, 3);
    form->setColumnStretch(3, 1);
    rl->addLayout(form);
    chkDialog = new QCheckBox(S("実行時に確認画面を表示する"));
    chkSQLWindow = new QCheckBox(S("SQL実行画面を使用する"));
    chkError = new QCheckBox(S("エラーを無視する"));
    auto* checks = new QHBoxLayout;
    for (QCheckBox* c : {chkDialog, chkSQLWindow, chkError})
        checks->addWidget(c);
    checks->addStretch();
    rl->addLayout(checks);
    txtSQL = new TqvMemo;
    ApplyMemoSettings(*txtSQL, nullptr);
    txtSQL->SetScrollBars(ssBoth);
    txtSQL->WantTabs = true;
    txtSQL->SetUndoListMax(64);
    rl->addWidget(txtSQL, 1);
    auto* help = new QLabel(kPlaceholders);
    help->setTextFormat(Qt::PlainText);
    help->setFrameShape(QFrame::StyledPanel);
    help->setMargin(4);
    rl->addWidget(help);
    split->setStretchFactor(1, 1);
    root->addWidget(split, 1);

    connect(lstCommand, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!m_loading)
            lstCommandClick(row);
    });
    connect(txtName, &QLineEdit::textChanged, this, [this] { changed(); });
    connect(txtSeq, &QLineEdit::textChanged, this, [this] { changed(); });
    connect(hotCommand, &QKeySequenceEdit::keySequenceChanged, this, [this](const QKeySequence& k) {
        if (k.count() > 1) // one key combination, as a menu shortcut has
            hotCommand->setKeySequence(QKeySequence(k[0]));
        changed();
    });
    for (QCheckBox* c : {chkDialog, chkSQLWindow, chkError})
        connect(c, &QCheckBox::toggled, this, [this] { changed(); });
    txtSQL->OnChange = [this](TEditor*) { changed(); };
    auto* help1 = new QAction(this);
    help1->setShortcut(QKeySequence::HelpContents);
    connect(help1, &QAction::triggered, this, [] { HelpBinding::showContext(50400); });
    addAction(help1);

    resize(760, 520);
    split->setSizes({200, 560});
    LoadList();
}

TfrmUserCommand::~TfrmUserCommand() { txtSQL->OnChange = nullptr; }

void TfrmUserCommand::ShowWindow()
{
    TfrmMain* main = TfrmMain::instance();
    // The menus follow the files whatever way the editor ends.
    const auto rebuild = qScopeGuard([main] {
        if (main)
            main->SetCommandList();
    });
    TfrmUserCommand dlg(main);
    dlg.exec();
}

void TfrmUserCommand::changed()
{
    if (m_loading)
        return;
    m_modified = true;
    UpdateActions();
}

void TfrmUserCommand::UpdateActions()
{
    const bool selected = lstCommand->currentRow() >= 0;
    const bool renamed = selected && txtName->text() != m_shownName;
    actSave->setEnabled(selected && m_modified && !renamed);
    actAdd->setEnabled(m_modified);
    actDelete->setEnabled(selected);
    actRefresh->setEnabled(m_modified);
}

void TfrmUserCommand::LoadList()
{
    m_loading = true;
    lstCommand->clear();
    for (const UserCommandListEntry& e : UserCommandListEntries(m_dir)) {
        auto* item = new QListWidgetItem(e.Name, lstCommand);
        item->setData(Qt::UserRole, e.Seq);
    }
    m_loading = false;
    if (lstCommand->count() > 0) {
        m_loading = true;
        lstCommand->setCurrentRow(0);
        m_loading = false;
        ShowCommand();
    } else {
        m_shownIndex = -1;
        m_shownName.clear();
        m_loading = true;
        clearInputs();
        m_loading = false;
        m_modified = false;
        UpdateActions();
    }
}

void TfrmUserCommand::clearInputs()
{
    txtName->clear();
    txtSeq->clear();
    hotCommand->clear();
    for (QCheckBox* c : {chkDialog, chkSQLWindow, chkError})
        c->setChecked(false);
    txtSQL->Lines().Clear();
}

void TfrmUserCommand::ShowCommand()
{
    m_shownIndex = lstCommand->currentRow();
    m_loading = true;
    const auto done = qScopeGuard([this] {
        m_loading = false;
        UpdateActions();
    });
    clearInputs();
    QListWidgetItem* item = lstCommand->currentItem();
    if (!item)
        return;
    UserCommand cmd;
    try {
        cmd = ReadUserCommand(UserCommandFile(m_dir, item->text()));
    } catch (const EQvDocFormat&) {
        ShowMessageBox(QvDocFormatMessage(), MB_ICONERROR);
        return;
    } catch (...) {
        HandleException(std::current_exception());
        return;
    }
    txtName->setText(item->text());
    txtSeq->setText(QString::number(cmd.Seq));
    hotCommand->setKeySequence(CodeToShortCut(cmd.ShortCut));
    chkDialog->setChecked(cmd.Dialog);
    chkSQLWindow->setChecked(cmd.SqlWindow);
    chkError->setChecked(cmd.IgnoreError);
    txtSQL->Lines().Assign(SplitTextLines(cmd.Sql));
    txtSQL->EditorUndoObj().Clear();
    txtSQL->SetRow(0);
    txtSQL->SetSelStart(0);
    m_shownName = item->text();
    m_modified = false;
}

QString TfrmUserCommand::sqlText() const { return txtSQL->Lines().ToStringList().join(S("\r\n")); }

UserCommand TfrmUserCommand::inputs() const
{
    UserCommand cmd;
    cmd.Name = txtName->text();
    cmd.Seq = txtSeq->text().trimmed().toInt();
    cmd.ShortCut = ShortCutToCode(hotCommand->keySequence());
    cmd.Dialog = chkDialog->isChecked();
    cmd.SqlWindow = chkSQLWindow->isChecked();
    cmd.IgnoreError = chkError->isChecked();
    cmd.Sql = sqlText();
    return cmd;
}

bool TfrmUserCommand::WriteCommand()
{
    if (txtName->text().isEmpty()) {
        ShowMessageBox(S("名前を入力して下さい。"), MB_ICONWARNING);
        txtName->setFocus();
        return false;
    }
    if (sqlText().trimmed().isEmpty()) {
        ShowMessageBox(S("ＳＱＬ文を入力して下さい。"), MB_ICONWARNING);
        txtSQL->setFocus();
        return false;
    }
    const UserCommand cmd = inputs();
    try {
        WriteUserCommand(m_dir, cmd);
    } catch (...) {
        HandleException(std::current_exception());
        return false;
    }
    // Into the list (or its SEQ updated), re-ordered, the written command selected.
    QListWidgetItem* item = nullptr;
    for (int i = 0; i < lstCommand->count(); ++i)
        if (lstCommand->item(i)->text() == cmd.Name)
            item = lstCommand->item(i);
    if (!item)
        item = new QListWidgetItem(cmd.Name, lstCommand);
    item->setData(Qt::UserRole, cmd.Seq);
    reorder(cmd.Name);
    m_shownName = cmd.Name;
    m_modified = false;
    UpdateActions();
    return true;
}

void TfrmUserCommand::reorder(const QString& select)
{
    QList<UserCommandListEntry> list;
    for (int i = 0; i < lstCommand->count(); ++i)
        list << UserCommandListEntry{lstCommand->item(i)->text(), lstCommand->item(i)->data(Qt::UserRole).toInt()};
    OrderUserCommands(list);
    m_loading = true;
    lstCommand->clear();
    for (const UserCommandListEntry& e : list) {
        auto* item = new QListWidgetItem(e.Name, lstCommand);
        item->setData(Qt::UserRole, e.Seq);
        if (e.Name == select)
            lstCommand->setCurrentItem(item);
    }
    m_shownIndex = lstCommand->currentRow();
    m_loading = false;
}

void TfrmUserCommand::lstCommandClick(int row)
{
    if (m_modified && row != m_shownIndex && m_shownIndex >= 0) {
        const int answer = ShowMessageBox(S("情報が変更されています。登録しますか？"), MB_YESNOCANCEL | MB_ICONQUESTION);
        if (answer == IDCANCEL) {
            m_loading = true;
            lstCommand->setCurrentRow(m_shownIndex);
            m_loading = false;
            return;
        }
        if (answer == IDYES) {
            const QString clicked = lstCommand->item(row) ? lstCommand->item(row)->text() : QString();
            m_loading = true;
            lstCommand->setCurrentRow(m_shownIndex);
            m_loading = false;
            if (!WriteCommand())
                return;
            // The write may have re-ordered the list: find the clicked entry again.
            const QList<QListWidgetItem*> found = lstCommand->findItems(clicked, Qt::MatchExactly);
            m_loading = true;
            if (!found.isEmpty())
                lstCommand->setCurrentItem(found.first());
            m_loading = false;
        }
    }
    ShowCommand();
}

void TfrmUserCommand::actSaveExecute()
{
    if (lstCommand->currentRow() >= 0)
        WriteCommand();
}

void TfrmUserCommand::actAddExecute()
{
    const QString name = txtName->text();
    for (int i = 0; i < lstCommand->count(); ++i)
        if (i != lstCommand->currentRow() && lstCommand->item(i)->text().compare(name, Qt::CaseInsensitive) == 0) {
            ShowMessageBox(S("同名のコマンドが既に存在しています。"), MB_ICONWARNING);
            txtName->setFocus();
            return;
        }
    WriteCommand();
}

void TfrmUserCommand::actDeleteExecute()
{
    QListWidgetItem* item = lstCommand->currentItem();
    if (!item)
        return;
    if (ShowMessageBox(S("選択中のコマンドを削除しますか？"), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    QFile::remove(UserCommandFile(m_dir, item->text()));
    LoadList();
}

void TfrmUserCommand::actRefreshExecute()
{
    if (ShowMessageBox(S("全ての変更を取り消しますか？"), MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    ShowCommand();
}

bool TfrmUserCommand::confirmClose()
{
    if (!m_modified)
        return true;
    const int answer = ShowMessageBox(S("情報が変更されています。登録しますか？"), MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDCANCEL || (answer == IDYES && !WriteCommand()))
        return false;
    m_modified = false;
    return true;
}

void TfrmUserCommand::closeEvent(QCloseEvent* e)
{
    if (!confirmClose()) {
        e->ignore();
        return;
    }
    QDialog::closeEvent(e);
}

void TfrmUserCommand::reject()
{
    if (confirmClose())
        QDialog::reject();
}

} // namespace qv
