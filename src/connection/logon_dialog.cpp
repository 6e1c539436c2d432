#include "connection/logon_dialog.h"

#include "app/images.h"
#include "app/message_box.h"
#include "app/option_checks.h"
#include "connection/connection_import.h"
#include "controls/lists/qv_listview.h"
#include "platform/exceptions.h"
#include "platform/registry.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace qv {

namespace {
const QString LogonKey = QStringLiteral("\\Software\\Velmora\\QVS22\\GUI\\LOGON");
// Hidden sub-items of a list entry (column index in the list).
enum { ColPassword = 3, ColServer, ColDatabase, ColWindows, ColKey, ColumnCount };

QString S(const char* text)
{
    return QString::fromUtf8(text);
}

QToolButton* ToolButton(QAction* a)
{
    auto* b = new QToolButton;
    b->setDefaultAction(a);
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    return b;
}
} // namespace

std::function<void(const LogonValues&)> TfrmLogon::ConnectionFactory;
std::function<void(QWidget*, const QString&, int)> TfrmLogon::Message = [](QWidget*, const QString& text, int flags) {
    ShowMessageBox(text, flags);
};
std::function<bool(TfrmLogon&)> TfrmLogon::RunModal = [](TfrmLogon& dlg) { return dlg.exec() == QDialog::Accepted; };

TfrmLogon::TfrmLogon(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(S("ログオン"));
    setObjectName(QStringLiteral("frmLogon"));

    lstUserID = new TqvListView(this);
    lstUserID->setColumnCount(ColumnCount);
    lstUserID->setHeaderLabels({S("ユーザーID"), S("データベース"), S("コメント")});
    for (int c = ColPassword; c < ColumnCount; ++c)
        lstUserID->setColumnHidden(c, true);
    lstUserID->setSelectionMode(QAbstractItemView::SingleSelection);
    lstUserID->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstUserID->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstUserID->setSortingEnabled(false);
    lstUserID->SetSortID(0);
    lstUserID->installEventFilter(this);

    chkSQLWindow = new QCheckBox(S("WINDOWS認証"), this);
    txtUserID = new QLineEdit(this);
    txtPassword = new QLineEdit(this);
    txtPassword->setEchoMode(QLineEdit::Password);
    txtPassword->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    txtServer = new QLineEdit(this);
    cmbDataBase = new QComboBox(this);
    cmbDataBase->setEditable(true);
    cmbDataBase->lineEdit()->setMaxLength(255);
    txtComment = new QLineEdit(this);
    for (QLineEdit* e : {txtUserID, txtPassword, txtServer, txtComment})
        e->setMaxLength(255);
    chkSave = new QCheckBox(S("接続先リストに登録する"), this);

    actOk = new QAction(S("接続"), this);
    actCancel = new QAction(S("キャンセル"), this);
    actUp = new QAction(imgMain(35), S("上へ移動"), this);
    actDown = new QAction(imgMain(36), S("下へ移動"), this);
    actDel = new QAction(imgMain(41), S("削除"), this);
    actConnection = new QAction(imgMain(8), S("接続先リストの取込"), this);

    auto* tools = new QHBoxLayout;
    for (QAction* a : {actUp, actDown, actDel, actConnection})
        tools->addWidget(ToolButton(a));
    tools->addStretch();

    auto* form = new QFormLayout;
    form->addRow(QString(), chkSQLWindow);
    form->addRow(S("ユーザーＩＤ"), txtUserID);
    form->addRow(S("パスワード"), txtPassword);
    form->addRow(S("サーバー"), txtServer);
    form->addRow(S("データベース"), cmbDataBase);
    form->addRow(S("コメント"), txtComment);
    form->addRow(QString(), chkSave);

    auto* okButton = new QPushButton(actOk->text(), this);
    okButton->setDefault(true);
    auto* cancelButton = new QPushButton(actCancel->text(), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(tools);
    layout->addWidget(lstUserID, 1);
    layout->addLayout(form);
    layout->addLayout(buttons);
    resize(520, 480);

    connect(okButton, &QPushButton::clicked, actOk, &QAction::trigger);
    connect(cancelButton, &QPushButton::clicked, actCancel, &QAction::trigger);
    connect(actOk, &QAction::triggered, this, &TfrmLogon::actOkExecute);
    connect(actCancel, &QAction::triggered, this, &QDialog::reject);
    connect(actUp, &QAction::triggered, this, &TfrmLogon::actUpExecute);
    connect(actDown, &QAction::triggered, this, &TfrmLogon::actDownExecute);
    connect(actDel, &QAction::triggered, this, &TfrmLogon::actDelExecute);
    connect(actConnection, &QAction::triggered, this, &TfrmLogon::actConnectionExecute);
    connect(chkSQLWindow, &QCheckBox::toggled, this, [this] { chkSQLWindowClick(); });
    connect(lstUserID, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item)
            selectItem(item);
        UpdateActions();
    });
    connect(lstUserID, &QTreeWidget::itemDoubleClicked, this, [this] { actOk->trigger(); });
    for (QLineEdit* e : {txtUserID, txtServer})
        connect(e, &QLineEdit::textChanged, this, &TfrmLogon::UpdateActions);
    connect(okButton, &QPushButton::clicked, this, [] {});
    connect(actOk, &QAction::changed, okButton, [this, okButton] { okButton->setEnabled(actOk->isEnabled()); });
    UpdateActions();
}

void TfrmLogon::UpdateActions()
{
    actOk->setEnabled(!txtServer->text().isEmpty() && (chkSQLWindow->isChecked() || !txtUserID->text().isEmpty()));
    QTreeWidgetItem* cur = lstUserID->currentItem();
    const int index = cur ? lstUserID->indexOfTopLevelItem(cur) : -1;
    actDel->setEnabled(index >= 0);
    actUp->setEnabled(index > 0);
    actDown->setEnabled(index >= 0 && index < lstUserID->topLevelItemCount() - 1);
}

bool TfrmLogon::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lstUserID && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete && actDel->isEnabled()) {
            actDel->trigger();
            return true;
        }
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && actOk->isEnabled()) {
            actOk->trigger();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmLogon::chkSQLWindowClick()
{
    const bool windows = chkSQLWindow->isChecked();
    if (windows) {
        txtUserID->clear();
        txtPassword->clear();
    }
    txtUserID->setEnabled(!windows);
    txtPassword->setEnabled(!windows);
    UpdateActions();
}

void TfrmLogon::selectItem(QTreeWidgetItem* item)
{
    const SavedConnection e = EntryOf(item);
    chkSQLWindow->setChecked(e.isWindows());
    txtUserID->setText(e.userId);
    txtPassword->setText(e.password);
    txtServer->setText(e.server);
    cmbDataBase->setEditText(e.database);
    txtComment->setText(e.comment);
}

SavedConnection TfrmLogon::EntryOf(const QTreeWidgetItem* item)
{
    SavedConnection e;
    e.userId = item->text(0);
    e.comment = item->text(2);
    e.password = item->text(ColPassword);
    e.server = item->text(ColServer);
    e.database = item->text(ColDatabase);
    e.windows = item->text(ColWindows);
    e.key = item->text(ColKey);
    return e;
}

QList<SavedConnection> TfrmLogon::Entries() const
{
    QList<SavedConnection> out;
    for (int i = 0; i < lstUserID->topLevelItemCount(); ++i)
        out << EntryOf(lstUserID->topLevelItem(i));
    return out;
}

void TfrmLogon::addEntry(const SavedConnection& e)
{
    lstUserID->AddItem(e.userId, {e.location(), e.comment, e.password, e.server, e.database, e.windows, e.key});
}

LogonValues TfrmLogon::Values() const
{
    LogonValues v;
    v.userId = txtUserID->text();
    v.password = txtPassword->text();
    v.server = txtServer->text();
    v.database = cmbDataBase->currentText();
    v.comment = txtComment->text();
    v.windows = chkSQLWindow->isChecked();
    return v;
}

void TfrmLogon::SetValues(const LogonValues& v)
{
    chkSQLWindow->setChecked(v.windows);
    txtUserID->setText(v.userId);
    txtPassword->setText(v.password);
    txtServer->setText(v.server);
    cmbDataBase->setEditText(v.database);
    txtComment->setText(v.comment);
}

void TfrmLogon::LoadConnectionList()
{
    lstUserID->setUpdatesEnabled(false);
    lstUserID->clear();
    const LogonValues v = Values();
    for (const SavedConnection& e : saved_connections::Load()) {
        addEntry(e);
        if (QString::compare(e.userId, v.userId, Qt::CaseInsensitive) == 0 &&
            QString::compare(e.database, v.database, Qt::CaseInsensitive) == 0 &&
            QString::compare(e.server, v.server, Qt::CaseInsensitive) == 0) {
            txtComment->setText(e.comment);
            txtPassword->setText(e.password);
        }
    }
    lstUserID->setUpdatesEnabled(true);
    UpdateActions();
}

void TfrmLogon::SaveConnectionList(bool writeCurrent)
{
    saved_connections::Save(Entries(), Values(), writeCurrent, chkSave->isChecked());
}

void TfrmLogon::LoadWindowSettings()
{
    TqvRegistry reg;
    if (!reg.OpenKeyReadOnly(LogonKey)) {
        lstUserID->setColumnWidth(0, 90);
        lstUserID->setColumnWidth(1, 150);
        lstUserID->setColumnWidth(2, 150);
        return;
    }
    resize(reg.GetInteger(QStringLiteral("Width"), width()), reg.GetInteger(QStringLiteral("Height"), height()));
    lstUserID->setColumnWidth(0, reg.GetInteger(QStringLiteral("Col0"), 90));
    lstUserID->setColumnWidth(1, reg.GetInteger(QStringLiteral("Col1"), 150));
    lstUserID->setColumnWidth(2, reg.GetInteger(QStringLiteral("Col2"), 150));
}

void TfrmLogon::SaveWindowSettings()
{
    TqvRegistry reg;
    if (!reg.OpenKey(LogonKey, true))
        return;
    reg.WriteInteger(QStringLiteral("Width"), width());
    reg.WriteInteger(QStringLiteral("Height"), height());
    for (int c = 0; c < 3; ++c)
        reg.WriteInteger(QStringLiteral("Col%1").arg(c), lstUserID->columnWidth(c));
    reg.CloseKey();
}

bool TfrmLogon::CheckOk()
{
    // The stored form of a password keeps no blanks at its ends, and the boxes are trimmed.
    const bool passwordBlanks = !PasswordSurvivesStorage(txtPassword->text());
    for (QLineEdit* e : {txtUserID, txtPassword, txtServer})
        e->setText(e->text().trimmed());
    cmbDataBase->setEditText(cmbDataBase->currentText().trimmed());
    QString missing;
    if (!chkSQLWindow->isChecked() && txtUserID->text().isEmpty())
        missing = S("ユーザー名");
    else if (txtServer->text().isEmpty())
        missing = S("サーバー");
    if (missing.isEmpty()) {
        if (passwordBlanks)
            Message(this, PasswordBlankWarning(), 48);
        return true;
    }
    Message(this, S("%1を入力して下さい。").arg(missing), 48);
    return false;
}

void TfrmLogon::actOkExecute()
{
    if (CheckOk())
        accept();
}

void TfrmLogon::moveSelected(int delta)
{
    QTreeWidgetItem* cur = lstUserID->currentItem();
    if (!cur)
        return;
    const int index = lstUserID->indexOfTopLevelItem(cur);
    const int target = index + delta;
    if (target < 0 || target >= lstUserID->topLevelItemCount())
        return;
    QTreeWidgetItem* item = lstUserID->takeTopLevelItem(index);
    lstUserID->insertTopLevelItem(target, item);
    lstUserID->setCurrentItem(item);
    UpdateActions();
}

void TfrmLogon::actDelExecute()
{
    QTreeWidgetItem* cur = lstUserID->currentItem();
    if (!cur)
        return;
    saved_connections::Delete(cur->text(ColKey));
    delete lstUserID->takeTopLevelItem(lstUserID->indexOfTopLevelItem(cur));
    UpdateActions();
}

void TfrmLogon::actConnectionExecute()
{
    const bool save = chkSave->isChecked();
    chkSave->setChecked(true);
    SaveConnectionList(false);
    chkSave->setChecked(save);
    LoadConnectionList();
    try {
        if (TfrmConnection::ShowWindow(this))
            LoadConnectionList();
    } catch (const EAbort&) {
    }
}

bool TfrmLogon::ShowWindow(const QString& dbName, const QString& userId, const QString& password, const QString& server,
                           bool autoPass, QWidget* owner)
{
    if (userId.isEmpty())
        return showWindow(nullptr, autoPass, owner);
    const LogonValues given{userId.trimmed(), password.trimmed(), server.trimmed(), dbName.trimmed(), QString(), false};
    return showWindow(&given, autoPass, owner);
}

bool TfrmLogon::showWindow(const LogonValues* initial, bool autoPass, QWidget* owner)
{
    LogonValues typed;
    {
        TfrmLogon dlg(owner);
        LogonValues last;
        if (initial)
            dlg.SetValues(*initial);
        else if (saved_connections::LoadLast(last))
            dlg.SetValues(last);
        dlg.LoadConnectionList();
        dlg.LoadWindowSettings();
        if (!autoPass) {
            if (!RunModal(dlg))
                return false;
            // The geometry is kept only when OK was pressed.
            dlg.SaveWindowSettings();
        }
        typed = dlg.Values();
        try {
            if (!ConnectionFactory)
                throw Exception(S("接続ウィンドウを開けません。"));
            ConnectionFactory(typed);
            dlg.SaveConnectionList(true);
            return true;
        } catch (const EAbort&) {
            return false;
        } catch (const std::exception& e) {
            Message(owner, QString::fromUtf8(e.what()), 16);
        }
    }
    // The dialog comes back with everything typed kept (Windows authentication included).
    return showWindow(&typed, false, owner);
}

} // namespace qv
