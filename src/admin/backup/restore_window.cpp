#include "admin/backup/restore_window.h"

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
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
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

using backup::RestoreCheck;
using backup::RestoreKind;

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

QTableWidgetItem* ReadOnlyItem(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

// Every answer row of a statement as texts (the shared query is closed again).
QList<QStringList> Rows(TObjectSession* s, const QString& sql)
{
    db::Query* q = s->OpenSQL(sql);
    QList<QStringList> rows;
    for (; !q->Eof(); q->Next()) {
        QStringList row;
        for (int c = 0; c < q->Fields().size(); ++c)
            row << q->Fields().at(c)->AsString();
        rows << row;
    }
    q->Close();
    return rows;
}
} // namespace

TfrmRestore::Ui& TfrmRestore::ui()
{
    static Ui u{[](const QString& text, int flags) { return ShowMessageBox(text, flags); },
                [](const QString& name, const QString& folder) {
                    return QFileDialog::getOpenFileName(
                        TfrmMain::instance(), S("復元対象ファイルの選択"), QDir(folder).filePath(name),
                        S("バックアップファイル (*.bak);;トランザクション ログ バックアップファイル (*.trn)"), nullptr,
                        QFileDialog::DontUseNativeDialog);
                },
                [](const QString& name, const QString& folder) {
                    return QFileDialog::getSaveFileName(TfrmMain::instance(), S("スタンバイファイルの保存"),
                                                        QDir(folder).filePath(name), S("バックアップファイル (*.bak)"));
                }};
    return u;
}

TfrmRestore::TfrmRestore(TfrmObject* owner, const QString& item)
    : TAdminToolWindow(owner, {&staticMetaObject, S("復元"), QStringLiteral("RESTORE"), true, false})
{
    setObjectName(QStringLiteral("frmRestore"));
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

    pagRestore = new QTabWidget(this);
    pagRestore->setObjectName(QStringLiteral("pagRestore"));
    tabSelect = new QWidget(pagRestore);
    tabOption = new QWidget(pagRestore);
    pagRestore->addTab(tabSelect, S("選択"));
    pagRestore->addTab(tabOption, S("オプション"));

    // Selection page: target, backup files and kind, backup sets.
    auto* sel = new QVBoxLayout(tabSelect);
    auto* grpTarget = new QGroupBox(S(" 復元先の指定"), tabSelect);
    auto* target = new QFormLayout(grpTarget);
    cmbDatabase = new TqvDropDownCombo(grpTarget);
    cmbDatabase->setObjectName(QStringLiteral("cmbDatabase"));
    cmbDatabase->setEditable(true);
    cmbDatabase->setMaxVisibleItems(20);
    cmbDatabase->setMinimumWidth(211);
    cmbDatabase->OnDropDown = [this] {
        QStringList list;
        if (TfrmObject* c = Connection())
            c->GetDatabase(list);
        const QString text = cmbDatabase->currentText();
        cmbDatabase->clear();
        cmbDatabase->addItems(list);
        cmbDatabase->setEditText(text);
    };
    target->addRow(S("復元先データベース"), cmbDatabase);
    sel->addWidget(grpTarget);

    auto* grpDevice = new QGroupBox(S(" バックアップファイルの選択"), tabSelect);
    auto* dev = new QVBoxLayout(grpDevice);
    auto* files = new QHBoxLayout();
    grdBackupFile = new QTableWidget(1, 1, grpDevice);
    grdBackupFile->setObjectName(QStringLiteral("grdBackupFile"));
    grdBackupFile->horizontalHeader()->hide();
    grdBackupFile->horizontalHeader()->setStretchLastSection(true);
    grdBackupFile->verticalHeader()->hide();
    grdBackupFile->setMinimumHeight(60);
    grdBackupFile->installEventFilter(this);
    files->addWidget(grdBackupFile, 1);
    auto* buttons = new QVBoxLayout();
    const auto tool = [grpDevice, buttons](int image, const QString& hint, const QString& text) {
        auto* b = new QToolButton(grpDevice);
        if (image >= 0)
            b->setIcon(imgMain(image));
        else
            b->setText(text);
        b->setToolTip(hint);
        buttons->addWidget(b);
        return b;
    };
    btnFile = tool(-1, S("復元対象ファイルの選択"), QStringLiteral("..."));
    btnColInsert = tool(39, S("列の追加"), QString());
    btnColDelete = tool(40, S("列の削除"), QString());
    buttons->addStretch(1);
    files->addLayout(buttons);
    dev->addLayout(files, 1);
    auto* grpType = new QGroupBox(S(" 復元の種類"), grpDevice);
    auto* types = new QHBoxLayout(grpType);
    rdoRestoreType = new QButtonGroup(this);
    int id = 0;
    for (const char* caption : {"データベース", "トランザクション ログ", "ファイルとグループ"}) {
        auto* r = new QRadioButton(S(caption), grpType);
        rdoRestoreType->addButton(r, id++);
        types->addWidget(r);
    }
    types->addStretch(1);
    rdoRestoreType->button(0)->setChecked(true);
    dev->addWidget(grpType);
    sel->addWidget(grpDevice, 1);

    grpBackupSet = new QGroupBox(S(" 復元するバックアップセット"), tabSelect);
    auto* sets = new QVBoxLayout(grpBackupSet);
    grdBackupSet = new QTableWidget(1, 5, grpBackupSet);
    grdBackupSet->setObjectName(QStringLiteral("grdBackupSet"));
    grdBackupSet->setHorizontalHeaderLabels({S(" "), S("バックアップセット名"), S("種類"), S("データベース"), QString()});
    grdBackupSet->verticalHeader()->hide();
    grdBackupSet->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdBackupSet->setColumnWidth(0, 32);
    for (int c = 1; c < 4; ++c)
        grdBackupSet->setColumnWidth(c, 126);
    grdBackupSet->horizontalHeader()->setStretchLastSection(false);
    grdBackupSet->setColumnHidden(4, true);
    grdBackupSet->setMinimumHeight(80);
    sets->addWidget(grdBackupSet);
    grpBackupSet->setEnabled(false);
    grdBackupSet->setEnabled(false);
    sel->addWidget(grpBackupSet, 1);

    // Option page.
    auto* opt = new QVBoxLayout(tabOption);
    auto* grpOption = new QGroupBox(S(" オプション"), tabOption);
    auto* ol = new QVBoxLayout(grpOption);
    chkOverWrite = new QCheckBox(S("既存のデータベースを上書きする"), grpOption);
    chkOverWrite->setObjectName(QStringLiteral("chkOverWrite"));
    ol->addWidget(chkOverWrite);
    ol->addWidget(new QLabel(S("次のデータベースファイルに復元する"), grpOption));
    grdDatabaseFile = new QTableWidget(1, 2, grpOption);
    grdDatabaseFile->setObjectName(QStringLiteral("grdDatabaseFile"));
    grdDatabaseFile->setHorizontalHeaderLabels({S("論理ファイル名"), S("物理ファイル")});
    grdDatabaseFile->verticalHeader()->hide();
    grdDatabaseFile->setColumnWidth(0, 114);
    grdDatabaseFile->setColumnWidth(1, 289);
    grdDatabaseFile->horizontalHeader()->setStretchLastSection(true);
    grdDatabaseFile->setMinimumHeight(80);
    ol->addWidget(grdDatabaseFile, 1);
    auto* grpState = new QGroupBox(S(" 復旧状態"), grpOption);
    auto* st = new QGridLayout(grpState);
    rdoRestoreState = new QButtonGroup(this);
    id = 0;
    for (const char* caption : {"データベースを使用可能状態にする。(別のトランザクションログの復元は不可)",
                                "データベースを使用不可状態にする。(別のトランザクションログの復元は可能)",
                                "データベースを読み取り専用にする。(別のトランザクションログの復元は可能)"}) {
        auto* r = new QRadioButton(S(caption), grpState);
        rdoRestoreState->addButton(r, id);
        st->addWidget(r, id++, 0, 1, 3);
    }
    rdoRestoreState->button(0)->setChecked(true);
    txtStandbyFile = new QLineEdit(grpState);
    txtStandbyFile->setObjectName(QStringLiteral("txtStandbyFile"));
    // Upper-case edit, as the server's file names are shown.
    connect(txtStandbyFile, &QLineEdit::textEdited, this, [this](const QString& text) {
        const int pos = txtStandbyFile->cursorPosition();
        txtStandbyFile->setText(text.toUpper());
        txtStandbyFile->setCursorPosition(pos);
    });
    btnStandbyFile = new QToolButton(grpState);
    btnStandbyFile->setText(QStringLiteral("..."));
    btnStandbyFile->setToolTip(S("スタンバイファイルの保存"));
    st->addWidget(new QLabel(S("スタンバイ ファイル"), grpState), id, 0);
    st->addWidget(txtStandbyFile, id, 1);
    st->addWidget(btnStandbyFile, id, 2);
    st->setColumnStretch(1, 1);
    txtStandbyFile->setEnabled(false);
    btnStandbyFile->setEnabled(false);
    ol->addWidget(grpState);
    opt->addWidget(grpOption, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    auto* top = new QHBoxLayout();
    top->setContentsMargins(0, 0, 0, 0);
    top->addWidget(tolCmd);
    top->addWidget(pnlName, 1);
    layout->addLayout(top);
    layout->addWidget(pagRestore, 1);

    connect(btnFile, &QToolButton::clicked, this, [this] { Guarded([this] { grdBackupFileEditButtonClick(); }); });
    connect(btnColInsert, &QToolButton::clicked, this, [this] { Guarded([this] { AddFileRow(); }); });
    connect(btnColDelete, &QToolButton::clicked, this, [this] { Guarded([this] { RemoveFileRow(); }); });
    connect(rdoRestoreType, &QButtonGroup::idClicked, this, [this] { Guarded([this] { RestoreTypeChanged(); }); });
    connect(rdoRestoreState, &QButtonGroup::idClicked, this, [this] { Guarded([this] { RestoreStateChanged(); }); });
    connect(btnStandbyFile, &QToolButton::clicked, this, [this] { Guarded([this] { btnStandbyFileClick(); }); });
    connect(cmbDatabase, &QComboBox::activated, this, [this] { Guarded([this] { DatabaseChanged(); }); });
    connect(cmbDatabase->lineEdit(), &QLineEdit::editingFinished, this, [this] { Guarded([this] { DatabaseChanged(); }); });
    connect(pagRestore, &QTabWidget::currentChanged, this, [this](int index) {
        if (pagRestore->widget(index) == tabOption)
            LoadFileList();
    });

    SetIcon(8);
    resize(640, 620);
    EnsureWindowSettings();
    FillConnections();
    UpdateCaption();
    if (!item.isEmpty())
        cmbDatabase->setEditText(item);
}

QStringList TfrmRestore::BackupFiles() const
{
    QStringList out;
    for (int r = 0; r < grdBackupFile->rowCount(); ++r)
        out << CellText(grdBackupFile, r, 0);
    return out;
}

backup::RestoreForm TfrmRestore::Form() const
{
    backup::RestoreForm f;
    f.target = cmbDatabase->currentText();
    f.kind = static_cast<RestoreKind>(std::max(0, rdoRestoreType->checkedId()));
    f.backupFiles = BackupFiles();
    for (int r = 0; r < grdBackupSet->rowCount(); ++r) {
        const QTableWidgetItem* box = grdBackupSet->item(r, 0);
        f.sets << backup::RestoreSet{CellText(grdBackupSet, r, 1), CellText(grdBackupSet, r, 4),
                                     box && box->checkState() == Qt::Checked};
    }
    f.setsEnabled = grdBackupSet->isEnabledTo(this) && grpBackupSet->isEnabledTo(this);
    for (int r = 0; r < grdDatabaseFile->rowCount(); ++r)
        f.files << backup::DatabaseFile{CellText(grdDatabaseFile, r, 0), CellText(grdDatabaseFile, r, 1)};
    f.replace = chkOverWrite->isChecked();
    f.state = std::max(0, rdoRestoreState->checkedId());
    f.standbyFile = txtStandbyFile->text();
    if (const TfrmObject* conn = Connection())
        f.sessionDatabase = conn->DataBase();
    return f;
}

QString TfrmRestore::BackupFolder()
{
    TfrmObject* conn = Connection();
    if (!conn)
        return QString();
    const QList<QStringList> rows = Rows(conn->session(), backup::BackupDirectorySQL());
    return rows.isEmpty() ? QString() : rows.first().value(0);
}

void TfrmRestore::Compile()
{
    if (QWidget* focus = focusWidget())
        focus->clearFocus(); // an edit in progress is taken first
    TfrmObject* conn = Connection();
    if (!conn)
        return;
    const backup::RestoreForm form = Form();
    const RestoreCheck check = backup::CheckRestore(form);
    if (check != RestoreCheck::Ok) {
        const bool warning = check == RestoreCheck::NoTarget || check == RestoreCheck::NoStandbyFile
                             || check == RestoreCheck::LogonDatabase;
        ui().message(backup::RestoreCheckText(check), MB_OK | (warning ? MB_ICONWARNING : MB_ICONINFORMATION));
        const bool optionPage = check == RestoreCheck::NoStandbyFile || check == RestoreCheck::LogonDatabase;
        {
            const QSignalBlocker block(pagRestore);
            pagRestore->setCurrentWidget(optionPage ? tabOption : tabSelect);
        }
        switch (check) {
        case RestoreCheck::NoBackupFile: grdBackupFile->setFocus(); break;
        case RestoreCheck::NoTarget: cmbDatabase->setFocus(); break;
        case RestoreCheck::NoStandbyFile: txtStandbyFile->setFocus(); break;
        case RestoreCheck::NoSet:
            grpBackupSet->setEnabled(false);
            grdBackupSet->setEnabled(false);
            cmbDatabase->setFocus();
            break;
        case RestoreCheck::NoSetChecked: grdBackupSet->setFocus(); break;
        case RestoreCheck::LogonDatabase: rdoRestoreState->button(1)->setFocus(); break;
        case RestoreCheck::Ok: break;
        }
        Abort();
    }
    QStringList lines = backup::RestoreStatements(form);
    TfrmMain* main = TfrmMain::instance();
    {
        // The transaction rule holds whatever happens between: commit first, AutoTran afterwards.
        const CommitAround commitAround(OwnerForm());
        if (TfrmDDLPreview::ShowWindow(lines, QString(), QString(), form.target.trimmed(), main)) {
            CommitOpenTransaction();
            try {
                TfrmDDLExec::ShowWindow(conn->session(), lines, main);
            } catch (...) {
                TfrmDDLExec::WaitProc();
                throw;
            }
            TfrmDDLExec::WaitProc();
        }
    }
    conn->ShowTree();
    if (main)
        main->SetDefMessage();
}

void TfrmRestore::grdBackupFileEditButtonClick()
{
    TfrmObject* conn = Connection();
    if (!conn)
        return;
    if (grdBackupFile->rowCount() == 0)
        grdBackupFile->setRowCount(1);
    const int row = std::max(0, grdBackupFile->currentRow());
    QString name = ui().openFile(cmbDatabase->currentText().trimmed() + QStringLiteral(".bak"), BackupFolder());
    if (name.isEmpty())
        return;
    if (!HasKnownFileExt(name))
        name += QStringLiteral(".bak");
    // A file given twice, or a file of another backup set, never enters the grid: the restore
    // would name a device the server cannot combine with the others.
    for (int r = 0; r < grdBackupFile->rowCount(); ++r)
        if (r != row && CellText(grdBackupFile, r, 0) == name) {
            ui().message(S("同一ファイルを指定することはできません。"), MB_OK | MB_ICONINFORMATION);
            return;
        }
    const auto firstSetName = [conn](const QString& file) {
        const QList<QStringList> rows = Rows(conn->session(), backup::HeaderOnlySQL(file, true));
        return rows.isEmpty() ? QString() : rows.first().value(0).trimmed();
    };
    QString chosenSet;
    bool chosenRead = false;
    for (int r = 0; r < grdBackupFile->rowCount(); ++r) {
        const QString other = CellText(grdBackupFile, r, 0).trimmed();
        if (r == row || other.isEmpty())
            continue;
        if (!chosenRead) {
            chosenSet = firstSetName(name);
            chosenRead = true;
        }
        if (firstSetName(other) != chosenSet) {
            ui().message(S("異なるバックアップセットのファイルを指定することはできません。"), MB_OK | MB_ICONINFORMATION);
            return;
        }
    }
    grdBackupFile->setItem(row, 0, new QTableWidgetItem(name));
    LoadBackupSets();
}

void TfrmRestore::AddFileRow()
{
    grdBackupFile->setRowCount(grdBackupFile->rowCount() + 1);
    LoadBackupSets();
}

void TfrmRestore::RemoveFileRow()
{
    if (grdBackupFile->rowCount() <= 1)
        grdBackupFile->setItem(0, 0, new QTableWidgetItem(QString()));
    else
        grdBackupFile->removeRow(std::max(0, grdBackupFile->currentRow()));
    LoadBackupSets();
}

void TfrmRestore::LoadBackupSets()
{
    grdBackupSet->clearContents();
    grdBackupSet->setRowCount(1);
    const QStringList files = backup::NonEmpty(BackupFiles());
    if (files.isEmpty()) {
        pagRestore->setCurrentWidget(tabSelect);
        rdoRestoreType->checkedButton()->setFocus();
        grpBackupSet->setEnabled(false);
        grdBackupSet->setEnabled(false);
        return;
    }
    grpBackupSet->setEnabled(true);
    grdBackupSet->setEnabled(true);
    try {
        TfrmObject* conn = Connection();
        if (!conn)
            return;
        const RestoreKind kind = static_cast<RestoreKind>(std::max(0, rdoRestoreType->checkedId()));
        const QList<QStringList> rows = Rows(conn->session(), backup::HeaderOnlySQL(files.first(), false));
        int n = 0;
        for (const QStringList& row : rows) {
            const int type = row.value(2).trimmed().toInt();
            if (!backup::SetSuits(kind, type))
                continue;
            grdBackupSet->setRowCount(n + 1);
            auto* box = new QTableWidgetItem();
            box->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
            box->setCheckState(Qt::Checked);
            grdBackupSet->setItem(n, 0, box);
            grdBackupSet->setItem(n, 1, new QTableWidgetItem(row.value(0)));
            grdBackupSet->setItem(n, 2, new QTableWidgetItem(backup::BackupTypeText(type)));
            grdBackupSet->setItem(n, 3, new QTableWidgetItem(row.value(9)));
            grdBackupSet->setItem(n, 4, new QTableWidgetItem(row.value(5)));
            ++n;
        }
        cmbDatabase->setEditText(CellText(grdBackupSet, 0, 3));
        if (n == 0)
            grdBackupSet->setEnabled(false);
        LoadFileList();
    } catch (const EAbort&) {
        throw;
    } catch (const std::exception&) {
        // The sets stay as far as they were read.
    }
}

void TfrmRestore::LoadFileList()
{
    const QStringList files = backup::NonEmpty(BackupFiles());
    if (files.isEmpty()) {
        pagRestore->setCurrentWidget(tabSelect);
        grdBackupFile->setFocus();
        return;
    }
    try {
        TfrmObject* conn = Connection();
        if (!conn)
            return;
        const QList<QStringList> rows = Rows(conn->session(), backup::FileListSQL(files));
        const QString folder = BackupFolder();
        QList<backup::FileListRow> list;
        QStringList previous;
        for (int r = 0; r < rows.size(); ++r) {
            list << backup::FileListRow{rows.at(r).value(0), rows.at(r).value(1), rows.at(r).value(2)};
            previous << CellText(grdDatabaseFile, r, 1);
        }
        const QStringList proposed = backup::ProposedFiles(list, folder, cmbDatabase->currentText(), previous);
        grdDatabaseFile->setRowCount(std::max(1, int(rows.size())));
        for (int r = 0; r < rows.size(); ++r) {
            grdDatabaseFile->setItem(r, 0, ReadOnlyItem(list.at(r).logicalName));
            grdDatabaseFile->setItem(r, 1, new QTableWidgetItem(proposed.value(r)));
        }
    } catch (const EAbort&) {
        throw;
    } catch (const std::exception&) {
        // The files stay as far as they were read.
    }
}

void TfrmRestore::RestoreTypeChanged()
{
    LoadBackupSets();
    if (rdoRestoreType->checkedId() == int(RestoreKind::Files)) {
        rdoRestoreState->button(0)->setChecked(true);
        RestoreStateChanged();
    }
}

void TfrmRestore::RestoreStateChanged()
{
    const int state = rdoRestoreState->checkedId();
    if (state != 2) {
        txtStandbyFile->clear();
        txtStandbyFile->setEnabled(false);
        btnStandbyFile->setEnabled(false);
        return;
    }
    if (rdoRestoreType->checkedId() == int(RestoreKind::Files)) {
        ui().message(S("ファイル・グループの復元において、このオプションを指定することはできません。"),
                     MB_OK | MB_ICONINFORMATION);
        rdoRestoreState->button(0)->setChecked(true);
        RestoreStateChanged();
        return;
    }
    txtStandbyFile->setEnabled(true);
    btnStandbyFile->setEnabled(true);
    txtStandbyFile->setText(backup::StandbyProposal(BackupFolder(), cmbDatabase->currentText()));
}

void TfrmRestore::btnStandbyFileClick()
{
    const QString proposal = backup::StandbyProposal(BackupFolder(), cmbDatabase->currentText());
    QString name = ui().saveStandby(UniqueFileName(proposal), proposal);
    if (name.isEmpty())
        return;
    if (!HasKnownFileExt(name))
        name += QStringLiteral(".bak");
    txtStandbyFile->setText(name);
}

void TfrmRestore::DatabaseChanged()
{
    const QStringList files = backup::NonEmpty(BackupFiles());
    if (!files.isEmpty() && QFileInfo(files.first()).isFile())
        LoadFileList();
}

bool TfrmRestore::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == grdBackupFile && event->type() == QEvent::FocusOut
        && backup::NonEmpty(BackupFiles()).size() <= 1 && !grdBackupFile->isAncestorOf(QApplication::focusWidget()))
        Guarded([this] { LoadBackupSets(); });
    return TAdminToolWindow::eventFilter(watched, event);
}

} // namespace qv
