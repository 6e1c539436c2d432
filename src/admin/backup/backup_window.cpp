#include "admin/backup/backup_window.h"

#include "app/application.h"
#include "app/images.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/textfiles.h"
#include "connection/ddl_exec.h"
#include "connection/ddl_preview.h"
#include "connection/object_session.h"
#include "connection/object_window.h"
#include "platform/db/query.h"
#include "platform/exceptions.h"
#include "tables/define_frame.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace qv {

using BackupKind = backup::Kind;

namespace {
QString S(const char* text) { return QString::fromUtf8(text); }

template <typename F>
void Guarded(F&& f)
{
    try {
        f();
    } catch (...) {
        HandleException(std::current_exception());
    }
}

QString CellText(const QTableWidget* grid, int row, int col)
{
    const QTableWidgetItem* item = grid->item(row, col);
    return item ? item->text() : QString();
}
} // namespace

TfrmBackup::Ui& TfrmBackup::ui()
{
    static Ui u{[](const QString& text, int flags) { return ShowMessageBox(text, flags); },
                [](const QString& proposed) {
                    return QFileDialog::getSaveFileName(
                        TfrmMain::instance(), S("出力ファイルの追加"), proposed,
                        S("バックアップファイル (*.bak);;トランザクション ログ バックアップファイル (*.trn)"), nullptr,
                        QFileDialog::DontConfirmOverwrite);
                }};
    return u;
}

TfrmBackup::TfrmBackup(TfrmObject* owner, const QString& database)
    : TAdminToolWindow(owner, {&staticMetaObject, S("バックアップ"), QStringLiteral("BACKUP"), true, false})
{
    setObjectName(QStringLiteral("frmBackup"));
    actExec = new QAction(imgMain(28), S("実行(&E)"), this);
    actExit = new QAction(imgMain(42), S("終了(&X)"), this);
    connect(actExec, &QAction::triggered, this, [this] { Guarded([this] { Compile(); }); });
    connect(actExit, &QAction::triggered, this, [this] { frame()->close(); });
    tolCmd = new QToolBar(this);
    tolCmd->setObjectName(QStringLiteral("tolCmd"));
    tolCmd->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    tolCmd->addActions({actExec, actExit});
    for (QAction* a : tolCmd->actions())
        if (QWidget* b = tolCmd->widgetForAction(a))
            b->setMinimumWidth(78);

    pagBackup = new QTabWidget(this);
    pagBackup->setObjectName(QStringLiteral("pagBackup"));
    auto* tabSelect = new QWidget(pagBackup);
    auto* tabOption = new QWidget(pagBackup);
    pagBackup->addTab(tabSelect, S("選択"));
    pagBackup->addTab(tabOption, S("オプション"));

    // Selection page: target, media, outputs, file groups, kind.
    auto* sel = new QVBoxLayout(tabSelect);
    auto* grpTarget = new QGroupBox(S(" バックアップ対象"), tabSelect);
    auto* target = new QFormLayout(grpTarget);
    cmbDatabase = new TqvDropDownCombo(grpTarget);
    cmbDatabase->setObjectName(QStringLiteral("cmbDatabase"));
    cmbDatabase->setEditable(true);
    cmbDatabase->setMaxVisibleItems(20);
    cmbDatabase->OnDropDown = [this] {
        QStringList list;
        if (TfrmObject* c = Connection())
            c->GetDatabase(list);
        const QString text = cmbDatabase->currentText();
        cmbDatabase->clear();
        cmbDatabase->addItems(list);
        cmbDatabase->setEditText(text);
    };
    txtName = new QLineEdit(grpTarget);
    txtName->setObjectName(QStringLiteral("txtName"));
    txtExplain = new QLineEdit(grpTarget);
    txtExplain->setObjectName(QStringLiteral("txtExplain"));
    chkOverwrite = new QCheckBox(S("既存メディアの有効期限をチェックする"), grpTarget);
    chkOverwrite->setChecked(true);
    chkOverwrite->setEnabled(false);
    target->addRow(S("データベース"), cmbDatabase);
    target->addRow(S("名前"), txtName);
    target->addRow(S("説明"), txtExplain);
    auto* media = new QHBoxLayout();
    rdoOverWrite = new QButtonGroup(this);
    int id = 0;
    for (const char* caption : {"メディアに追加", "既存のメディアに上書き", "既存のメディアを破棄し、新規作成"}) {
        auto* r = new QRadioButton(S(caption), grpTarget);
        rdoOverWrite->addButton(r, id++);
        media->addWidget(r);
    }
    media->addStretch(1);
    rdoOverWrite->button(0)->setChecked(true);
    target->addRow(QString(), media);
    target->addRow(QString(), chkOverwrite);
    sel->addWidget(grpTarget);

    auto* grpOutput = new QGroupBox(S(" 出力先"), tabSelect);
    auto* out = new QHBoxLayout(grpOutput);
    grdOutput = new QTableWidget(1, 1, grpOutput);
    grdOutput->setObjectName(QStringLiteral("grdOutput"));
    grdOutput->horizontalHeader()->hide();
    grdOutput->horizontalHeader()->setStretchLastSection(true);
    grdOutput->verticalHeader()->hide();
    grdOutput->setMinimumHeight(60);
    out->addWidget(grdOutput, 1);
    auto* buttons = new QVBoxLayout();
    const auto tool = [grpOutput, buttons](int image, const QString& hint, const QString& text) {
        auto* b = new QToolButton(grpOutput);
        if (image >= 0)
            b->setIcon(imgMain(image));
        else
            b->setText(text);
        b->setToolTip(hint);
        buttons->addWidget(b);
        return b;
    };
    connect(tool(-1, S("出力ファイルの追加"), QStringLiteral("...")), &QToolButton::clicked, this,
            [this] { Guarded([this] { ChooseOutputFile(); }); });
    connect(tool(39, S("列の追加"), QString()), &QToolButton::clicked, this, [this] { AddOutputRow(); });
    connect(tool(40, S("列の削除"), QString()), &QToolButton::clicked, this, [this] { RemoveOutputRow(); });
    buttons->addStretch(1);
    out->addLayout(buttons);
    sel->addWidget(grpOutput, 1);

    grpFilegroup = new QGroupBox(S(" ファイル・グループの選択"), tabSelect);
    auto* fg = new QVBoxLayout(grpFilegroup);
    grdFilegroup = new QTableWidget(0, 4, grpFilegroup);
    grdFilegroup->setObjectName(QStringLiteral("grdFilegroup"));
    grdFilegroup->setHorizontalHeaderLabels({S(" "), S("データベース"), S("ファイルグループ"), S("ファイル")});
    grdFilegroup->verticalHeader()->hide();
    grdFilegroup->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdFilegroup->setColumnWidth(0, 35);
    for (int c = 1; c < 4; ++c)
        grdFilegroup->setColumnWidth(c, 169);
    grdFilegroup->setMinimumHeight(60);
    fg->addWidget(grdFilegroup);
    grpFilegroup->setEnabled(false);
    sel->addWidget(grpFilegroup, 1);

    auto* grpType = new QGroupBox(S(" バックアップの種類"), tabSelect);
    auto* types = new QGridLayout(grpType);
    rdoBackupType = new QButtonGroup(this);
    id = 0;
    for (const char* caption : {"データベース - 完全", "データベース - 差分", "トランザクション ログ", "ファイル・グループ"}) {
        auto* r = new QRadioButton(S(caption), grpType);
        rdoBackupType->addButton(r, id);
        types->addWidget(r, 0, id++);
    }
    rdoBackupType->button(0)->setChecked(true);
    sel->addWidget(grpType);

    // Option page.
    auto* opt = new QVBoxLayout(tabOption);
    auto* grpOption = new QGroupBox(S(" オプション"), tabOption);
    auto* ol = new QGridLayout(grpOption);
    chkBackupCheck = new QCheckBox(S("完了時にバックアップを検証"), grpOption);
    chkBackupCheck->setChecked(true);
    chkDeleteTRN = new QCheckBox(S("トランザクション ログを削除する"), grpOption);
    chkDeleteTRN->setEnabled(false);
    chkBackupSet = new QCheckBox(S("バックアップセットの有効期限"), grpOption);
    rdoBackupSet = new QButtonGroup(this);
    auto* days = new QRadioButton(S("期限指定(日)"), grpOption);
    auto* date = new QRadioButton(S("指定日時(YYYY/MM/DD)"), grpOption);
    rdoBackupSet->addButton(days, 0);
    rdoBackupSet->addButton(date, 1);
    days->setChecked(true);
    txtPeriod = new QLineEdit(grpOption);
    txtPeriod->setObjectName(QStringLiteral("txtPeriod"));
    txtDate = new QLineEdit(grpOption);
    txtDate->setObjectName(QStringLiteral("txtDate"));
    ol->addWidget(chkBackupCheck, 0, 0, 1, 3);
    ol->addWidget(chkDeleteTRN, 1, 0, 1, 3);
    ol->addWidget(chkBackupSet, 2, 0, 1, 3);
    ol->addWidget(days, 3, 1);
    ol->addWidget(txtPeriod, 3, 2);
    ol->addWidget(date, 4, 1);
    ol->addWidget(txtDate, 4, 2);
    ol->setColumnMinimumWidth(0, 16);
    ol->setColumnStretch(2, 1);
    opt->addWidget(grpOption);
    opt->addStretch(1);
    ExpiryChanged(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    auto* top = new QHBoxLayout();
    top->setContentsMargins(0, 0, 0, 0);
    top->addWidget(tolCmd);
    top->addWidget(pnlName, 1);
    layout->addLayout(top);
    layout->addWidget(pagBackup, 1);

    connect(rdoBackupType, &QButtonGroup::idClicked, this, [this] { Guarded([this] { BackupTypeChanged(); }); });
    connect(rdoOverWrite, &QButtonGroup::idClicked, this, [this] { chkOverwrite->setEnabled(rdoOverWrite->checkedId() == 1); });
    connect(chkBackupSet, &QCheckBox::clicked, this, [this] { ExpiryChanged(false); });
    connect(rdoBackupSet, &QButtonGroup::idClicked, this, [this] { ExpiryChanged(true); });
    connect(cmbDatabase, &QComboBox::activated, this, [this] { Guarded([this] { DatabaseChanged(); }); });

    SetIcon(7);
    resize(680, 660);
    EnsureWindowSettings();
    FillConnections();
    UpdateCaption();
    const QString db = database.trimmed().isEmpty() && OwnerForm() ? OwnerForm()->DataBase() : database;
    cmbDatabase->setEditText(db);
    txtName->setText(backup::SetName(db, BackupKind::Full));
    Guarded([this] { GetBakPath(); });
}

backup::BackupForm TfrmBackup::Form() const
{
    backup::BackupForm f;
    f.database = cmbDatabase->currentText();
    f.kind = static_cast<BackupKind>(std::max(0, rdoBackupType->checkedId()));
    if (f.kind == BackupKind::Files)
        for (int r = 0; r < grdFilegroup->rowCount(); ++r)
            if (const QTableWidgetItem* box = grdFilegroup->item(r, 0); box && box->checkState() == Qt::Checked)
                f.files << CellText(grdFilegroup, r, 3);
    for (int r = 0; r < grdOutput->rowCount(); ++r)
        f.outputs << CellText(grdOutput, r, 0);
    f.name = txtName->text();
    f.description = txtExplain->text();
    f.media = std::max(0, rdoOverWrite->checkedId());
    f.checkExpiry = chkOverwrite->isChecked();
    f.deleteLog = chkDeleteTRN->isChecked();
    f.expiry = chkBackupSet->isChecked();
    f.expiryChoice = std::max(0, rdoBackupSet->checkedId());
    f.period = txtPeriod->text();
    f.date = txtDate->text();
    return f;
}

void TfrmBackup::Compile()
{
    if (QWidget* focus = focusWidget())
        focus->clearFocus(); // an edit in progress is taken first
    TfrmObject* conn = Connection();
    if (!conn)
        return;
    const backup::BackupForm form = Form();
    const QString problem = backup::CheckBackup(form);
    if (!problem.isEmpty()) {
        ui().message(problem, MB_OK | MB_ICONWARNING);
        if (form.database.trimmed().isEmpty())
            cmbDatabase->setFocus();
        else if (form.name.trimmed().isEmpty())
            txtName->setFocus();
        else if (form.kind == BackupKind::Files && form.files.isEmpty())
            grdFilegroup->setFocus();
        else
            grdOutput->setFocus();
        Abort();
    }
    QStringList lines = backup::BackupStatement(form);
    TfrmMain* main = TfrmMain::instance();
    if (!TfrmDDLPreview::ShowWindow(lines, QString(), QString(), form.database, main))
        return;
    const CommitAround commitAround(OwnerForm());
    try {
        TfrmDDLExec::ShowWindow(conn->session(), lines, main);
    } catch (...) {
        TfrmDDLExec::WaitProc();
        throw;
    }
    TfrmDDLExec::WaitProc();
}

QString TfrmBackup::BackupFolder()
{
    TfrmObject* conn = Connection();
    if (!conn)
        return QString();
    db::Query* q = conn->session()->OpenSQL(backup::BackupDirectorySQL());
    QString folder;
    if (!q->Eof() && !q->Fields().isEmpty())
        folder = q->Fields().at(0)->AsString();
    q->Close();
    return folder;
}

void TfrmBackup::GetBakPath()
{
    TfrmObject* conn = Connection();
    if (!conn)
        return;
    const QString db = cmbDatabase->currentText();
    db::Query* q = conn->session()->OpenSQL(backup::LatestDevicesSQL(), {db, db});
    QStringList devices;
    for (; !q->Eof(); q->Next())
        devices << q->Fields().at(0)->AsString();
    q->Close();
    if (devices.isEmpty())
        devices << backup::DefaultBackupFile(BackupFolder(), db);
    grdOutput->setRowCount(int(devices.size()));
    for (int r = 0; r < devices.size(); ++r)
        grdOutput->setItem(r, 0, new QTableWidgetItem(devices.at(r)));
}

void TfrmBackup::GetFileGroup()
{
    TfrmObject* conn = Connection();
    if (!conn)
        return;
    const QString db = cmbDatabase->currentText();
    db::Query* q = conn->session()->OpenSQL(conn->session()->Use(db) + backup::DataFilesSQL(conn->DBVer()), {db});
    grdFilegroup->setRowCount(0);
    for (; !q->Eof(); q->Next()) {
        const int r = grdFilegroup->rowCount();
        grdFilegroup->insertRow(r);
        auto* box = new QTableWidgetItem();
        box->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
        box->setCheckState(Qt::Unchecked);
        grdFilegroup->setItem(r, 0, box);
        for (int c = 0; c < 3 && c < q->Fields().size(); ++c)
            grdFilegroup->setItem(r, c + 1, new QTableWidgetItem(q->Fields().at(c)->AsString()));
    }
    q->Close();
}

void TfrmBackup::BackupTypeChanged()
{
    const BackupKind kind = static_cast<BackupKind>(std::max(0, rdoBackupType->checkedId()));
    chkDeleteTRN->setEnabled(kind == BackupKind::Log);
    grpFilegroup->setEnabled(kind == BackupKind::Files);
    txtName->setText(backup::SetName(cmbDatabase->currentText(), kind));
    if (kind == BackupKind::Files)
        GetFileGroup();
}

void TfrmBackup::DatabaseChanged()
{
    GetBakPath();
    const BackupKind kind = static_cast<BackupKind>(std::max(0, rdoBackupType->checkedId()));
    txtName->setText(backup::SetName(cmbDatabase->currentText(), kind));
    if (kind == BackupKind::Files)
        GetFileGroup();
}

void TfrmBackup::ConnectionChanged()
{
    TfrmObject* conn = Connection();
    if (!conn)
        return;
    QStringList list;
    conn->GetDatabase(list);
    cmbDatabase->clear();
    cmbDatabase->addItems(list);
    const int i = cmbDatabase->findText(conn->DataBase().trimmed());
    if (i >= 0)
        cmbDatabase->setCurrentIndex(i);
    else
        cmbDatabase->setEditText(conn->DataBase().trimmed());
    DatabaseChanged();
}

void TfrmBackup::ExpiryChanged(bool focus)
{
    const bool on = chkBackupSet->isChecked();
    for (QAbstractButton* b : rdoBackupSet->buttons())
        b->setEnabled(on);
    const bool daysChosen = rdoBackupSet->checkedId() == 0;
    txtPeriod->setEnabled(on && daysChosen);
    txtDate->setEnabled(on && !daysChosen);
    if (focus && on)
        (daysChosen ? txtPeriod : txtDate)->setFocus();
}

void TfrmBackup::ChooseOutputFile()
{
    int row = grdOutput->currentRow();
    if (row < 0)
        row = 0;
    if (grdOutput->rowCount() == 0)
        grdOutput->setRowCount(1);
    const QString cell = CellText(grdOutput, row, 0).trimmed();
    const QString proposed = UniqueFileName(
        cell.isEmpty() ? backup::DefaultBackupFile(BackupFolder(), OwnerForm() ? OwnerForm()->DataBase() : QString()) : cell);
    QString name = ui().saveFile(proposed);
    if (name.isEmpty())
        return;
    if (!HasKnownFileExt(name))
        name += QStringLiteral(".bak");
    for (int r = 0; r < grdOutput->rowCount(); ++r)
        if (r != row && CellText(grdOutput, r, 0) == name) {
            ui().message(S("同一ファイルを指定することはできません。"), MB_OK | MB_ICONINFORMATION);
            return;
        }
    grdOutput->setItem(row, 0, new QTableWidgetItem(name));
}

void TfrmBackup::AddOutputRow() { grdOutput->setRowCount(grdOutput->rowCount() + 1); }

void TfrmBackup::RemoveOutputRow()
{
    if (grdOutput->rowCount() <= 1) {
        grdOutput->setItem(0, 0, new QTableWidgetItem(QString()));
        return;
    }
    grdOutput->removeRow(std::max(0, grdOutput->currentRow()));
}

} // namespace qv
