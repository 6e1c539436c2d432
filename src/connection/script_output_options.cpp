#include "connection/script_output_options.h"

#include "app/globals.h"
#include "app/help.h"
#include "app/message_box.h"
#include "app/options.h"
#include "app/textfiles.h"
#include "connection/object_session.h"
#include "connection/script_names.h"
#include "connection/script_names_window.h"
#include "platform/db/query.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace qv {

std::function<int(TfrmScriptOption*)> TfrmScriptOption::ExecHook;
std::function<QString(QWidget*, const QString&, const QString&, bool)> TfrmScriptOption::PathDialogHook;
std::function<void(TObjectSession*)> TfrmScriptOption::NameTableEditorHook;
std::function<void(const QString&, int)> TfrmScriptOption::MessageHook;

namespace {

// A combo box that fills its list just before it drops down.
class DropDownCombo : public QComboBox {
public:
    using QComboBox::QComboBox;
    std::function<void()> onDropDown;
    void showPopup() override
    {
        if (onDropDown)
            onDropDown();
        QComboBox::showPopup();
    }
};

const QStringList PartModes = {QStringLiteral("自身のスクリプトに追加"), QStringLiteral("別フォルダに出力"),
                               QStringLiteral("別ファイルに出力")};

} // namespace

ScriptRadioGroup::ScriptRadioGroup(const QString& title, const QStringList& items, int columns, QWidget* parent)
    : QWidget(parent), m_box(new QGroupBox(title, this)), m_group(new QButtonGroup(this))
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(m_box);
    auto* grid = new QGridLayout(m_box);
    const int rows = (int(items.size()) + columns - 1) / columns;
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items.at(i), m_box);
        m_group->addButton(b, i);
        grid->addWidget(b, i % rows, i / rows);
    }
}

int ScriptRadioGroup::ItemIndex() const { return m_group->checkedId(); }

void ScriptRadioGroup::SetItemIndex(int index)
{
    if (QAbstractButton* b = m_group->button(index))
        b->setChecked(true);
}

TfrmScriptOption::TfrmScriptOption(TObjectSession* session, QWidget* parent) : QDialog(parent), m_owner(session)
{
    setObjectName(QStringLiteral("frmScriptOption"));
    setWindowFlag(Qt::WindowStaysOnTopHint);

    chkOneScript = new QCheckBox(QStringLiteral("同時に出力するスクリプトを一つにまとめる"), this);
    chkDir = new QCheckBox(QStringLiteral("タイプに応じたサブフォルダを作成する"), this);
    txtDir = new QLineEdit(this);
    btnDialog = new QPushButton(QStringLiteral("..."), this);
    btnDialog->setFixedWidth(btnDialog->fontMetrics().horizontalAdvance(QStringLiteral("......")) + 12);
    chkSameName = new QCheckBox(QStringLiteral("すでに同じファイルが存在する場合は上書きする"), this);
    lblNameTable = new QLabel(QStringLiteral("名前TBL"), this);
    auto* names = new DropDownCombo(this);
    names->onDropDown = [this] { cmbNameTableDropDown(); };
    cmbNameTable = names;
    cmbNameTable->setEditable(true);
    btnNameTable = new QPushButton(QStringLiteral("設定"), this);

    const QStringList dbItems = {QStringLiteral("常に出力する"), QStringLiteral("ログインデータベースと違うデータベースの場合に出力する"),
                                 QStringLiteral("オブジェクト所有者と違うデータベースの場合に出力する"), QStringLiteral("出力しない")};
    const QStringList ownerItems = {QStringLiteral("常に出力する"), QStringLiteral("ログインユーザーと違うスキーマの場合に出力する"),
                                    QStringLiteral("オブジェクト所有者と違うスキーマの場合に出力する"), QStringLiteral("出力しない")};
    rdoDatabase = new ScriptRadioGroup(QStringLiteral("データベース名の出力"), dbItems, 1, this);
    rdoOwner = new ScriptRadioGroup(QStringLiteral(" スキーマ名の出力 "), ownerItems, 1, this);
    chkIndex = new QCheckBox(QStringLiteral("テーブルスクリプトに従属インデックスも追加する"), this);
    chkInsert = new QCheckBox(QStringLiteral("テーブルスクリプト出力時、データも出力(INSERT文)"), this);
    rdoInsert = new ScriptRadioGroup(QString(), PartModes, 3, this);
    chkListViewCol = new QCheckBox(QStringLiteral("ビューのスクリプト出力時、項目名を出力する"), this);
    chkFilegroup = new QCheckBox(QStringLiteral("ファイルグループの出力"), this);
    chkGrant = new QCheckBox(QStringLiteral("オブジェクト権限を出力する"), this);
    rdoGrant = new ScriptRadioGroup(QString(), PartModes, 3, this);
    chkNullLine = new QCheckBox(QStringLiteral("空白行を出力しない"), this);
    chkDrop = new QCheckBox(QStringLiteral("DROP文を出力する"), this);
    chkMaskOutput = new QCheckBox(QStringLiteral("テーブルスクリプト出力時、動的データマスク設定情報を出力する"), this);
    btnOk = new QPushButton(this);
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    btnHelp = new QPushButton(QStringLiteral("ヘルプ"), this);
    btnOk->setDefault(true);

    auto* main = new QVBoxLayout(this);
    main->addWidget(chkOneScript);
    main->addWidget(chkDir);
    auto* dest = new QGridLayout;
    dest->addWidget(new QLabel(QStringLiteral("出力先"), this), 0, 0);
    dest->addWidget(txtDir, 0, 1);
    dest->addWidget(btnDialog, 0, 2);
    dest->addWidget(chkSameName, 1, 1, 1, 2);
    dest->addWidget(lblNameTable, 2, 0);
    dest->addWidget(cmbNameTable, 2, 1);
    dest->addWidget(btnNameTable, 2, 2);
    dest->setColumnStretch(1, 1);
    main->addLayout(dest);
    auto* modes = new QHBoxLayout;
    modes->addWidget(rdoDatabase);
    modes->addWidget(rdoOwner);
    main->addLayout(modes);
    main->addWidget(chkIndex);
    main->addWidget(chkInsert);
    auto indented = [&](QWidget* w) {
        auto* row = new QHBoxLayout;
        row->addSpacing(20);
        row->addWidget(w);
        main->addLayout(row);
    };
    indented(rdoInsert);
    main->addWidget(chkListViewCol);
    main->addWidget(chkFilegroup);
    main->addWidget(chkGrant);
    indented(rdoGrant);
    main->addWidget(chkNullLine);
    main->addWidget(chkDrop);
    main->addWidget(chkMaskOutput);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* b : {btnOk, btnCancel, btnHelp})
        buttons->addWidget(b);
    main->addLayout(buttons);

    connect(chkOneScript, &QCheckBox::clicked, this, [this] { chkOneScriptClick(); });
    connect(chkInsert, &QCheckBox::toggled, rdoInsert, &QWidget::setEnabled);
    connect(chkGrant, &QCheckBox::toggled, rdoGrant, &QWidget::setEnabled);
    connect(cmbNameTable, &QComboBox::editTextChanged, this, [this] { updateNameTableButton(); });
    connect(btnDialog, &QPushButton::clicked, this, [this] { btnDialogClick(); });
    connect(btnNameTable, &QPushButton::clicked, this, [this] { btnNameTableClick(); });
    connect(btnOk, &QPushButton::clicked, this, [this] { btnOkClick(); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnHelp, &QPushButton::clicked, this, [] { HelpBinding::showContext(20300); });

    if (m_owner) {
        setWindowTitle(QStringLiteral("スクリプト出力"));
        btnOk->setText(QStringLiteral("開始"));
        chkMaskOutput->setVisible(m_owner->DBVer >= 13 && !m_owner->IsAzure);
        if (m_owner->IsAzure) {
            rdoDatabase->setEnabled(false);
            chkFilegroup->setEnabled(false);
        }
    } else {
        setWindowTitle(QStringLiteral("スクリプト出力オプション"));
        btnOk->setText(QStringLiteral("OK"));
        lblNameTable->setEnabled(false);
        cmbNameTable->setEnabled(false);
        btnNameTable->setEnabled(false);
    }
    loadOptions();
}

void TfrmScriptOption::loadOptions()
{
    chkOneScript->setChecked(ScriptOption.OneScript);
    chkDir->setChecked(ScriptOption.Dir);
    txtDir->setText(ScriptOption.Path.isEmpty() ? DocumentsDir() : ScriptOption.Path);
    chkSameName->setChecked(ScriptOption.SameName);
    if (m_owner)
        cmbNameTable->setEditText(NameTableOf(m_owner->g_Server));
    rdoDatabase->SetItemIndex(ScriptOption.Database);
    rdoOwner->SetItemIndex(ScriptOption.Owner);
    chkIndex->setChecked(ScriptOption.Index);
    chkInsert->setChecked(ScriptOption.Insert);
    rdoInsert->SetItemIndex(ScriptOption.InsertMode);
    chkListViewCol->setChecked(ScriptOption.ViewCol);
    chkFilegroup->setChecked(ScriptOption.Filegroup);
    chkGrant->setChecked(ScriptOption.Grant);
    rdoGrant->SetItemIndex(ScriptOption.GrantMode);
    chkNullLine->setChecked(ScriptOption.NullLine);
    chkDrop->setChecked(ScriptOption.Drop);
    chkMaskOutput->setChecked(ScriptOption.MaskOutput);
    rdoInsert->setEnabled(chkInsert->isChecked());
    rdoGrant->setEnabled(chkGrant->isChecked());
    chkOneScriptClick();
}

void TfrmScriptOption::chkOneScriptClick()
{
    if (chkOneScript->isChecked()) {
        chkDir->setEnabled(false);
        chkDir->setChecked(false);
        cmbNameTable->setEnabled(false);
    } else {
        chkDir->setEnabled(true);
        cmbNameTable->setEnabled(m_owner != nullptr);
    }
    updateNameTableButton();
}

void TfrmScriptOption::updateNameTableButton()
{
    btnNameTable->setEnabled(m_owner && !cmbNameTable->currentText().trimmed().isEmpty());
}

void TfrmScriptOption::warn(const QString& text)
{
    if (MessageHook)
        MessageHook(text, MB_ICONWARNING);
    else
        ShowMessageBox(text, MB_ICONWARNING);
}

void TfrmScriptOption::btnDialogClick()
{
    const bool file = chkOneScript->isChecked();
    QString start = txtDir->text();
    QString chosen;
    if (file) {
        while (start.endsWith(QLatin1Char('/')))
            start.chop(1);
        start = UniqueFileName(start);
    }
    const QString title = file ? QStringLiteral("出力先の設定") : QStringLiteral("出力先を選択して下さい。");
    if (PathDialogHook)
        chosen = PathDialogHook(this, title, start, file);
    else if (file)
        chosen = QFileDialog::getSaveFileName(this, title, start,
                                              QStringLiteral("SQLファイル(*.sql);;すべてのファイル(*.*)"));
    else
        chosen = QFileDialog::getExistingDirectory(this, title, start);
    if (chosen.isEmpty())
        return;
    if (file && !HasKnownFileExt(chosen))
        chosen += QStringLiteral(".sql");
    txtDir->setText(chosen);
}

void TfrmScriptOption::btnNameTableClick()
{
    if (!m_owner)
        return;
    SetNameTableOf(m_owner->g_Server, cmbNameTable->currentText());
    if (NameTableEditorHook)
        NameTableEditorHook(m_owner);
    else
        TfrmNameTable::ShowWindow(m_owner, this);
    cmbNameTable->setEditText(NameTableOf(m_owner->g_Server));
}

void TfrmScriptOption::cmbNameTableDropDown()
{
    if (!m_owner)
        return;
    const QString text = cmbNameTable->currentText();
    QStringList tables;
    try {
        m_owner->GetObject(tables, m_owner->g_DataBase, m_owner->GetCurrentSchema(), QStringLiteral("TABLE"));
    } catch (const std::exception&) {
        return;
    }
    cmbNameTable->clear();
    cmbNameTable->addItems(tables);
    cmbNameTable->setEditText(text);
}

void TfrmScriptOption::btnOkClick()
{
    const QString table = cmbNameTable->currentText().trimmed();
    if (m_owner && cmbNameTable->isEnabled() && !table.isEmpty()) {
        try {
            m_owner->OpenSQL(NameTableCheckSql(table))->Close();
        } catch (const std::exception& e) {
            warn(QStringLiteral("名前TBL名が無効です。\r\n") + QString::fromUtf8(e.what()));
            cmbNameTable->setFocus();
            return;
        }
    }
    accept();
}

void TfrmScriptOption::SaveOptions()
{
    QString path = txtDir->text();
    if (!chkOneScript->isChecked()) {
        path = path.trimmed();
        if (!path.endsWith(QLatin1Char('/')))
            path += QLatin1Char('/');
    }
    ScriptOption.Path = path;
    ScriptOption.OneScript = chkOneScript->isChecked();
    ScriptOption.Dir = chkDir->isChecked();
    ScriptOption.SameName = chkSameName->isChecked();
    ScriptOption.Database = rdoDatabase->ItemIndex();
    ScriptOption.Owner = rdoOwner->ItemIndex();
    ScriptOption.Index = chkIndex->isChecked();
    ScriptOption.Insert = chkInsert->isChecked();
    ScriptOption.InsertMode = rdoInsert->ItemIndex();
    ScriptOption.ViewCol = chkListViewCol->isChecked();
    ScriptOption.Filegroup = chkFilegroup->isChecked();
    ScriptOption.Grant = chkGrant->isChecked();
    ScriptOption.GrantMode = rdoGrant->ItemIndex();
    ScriptOption.NullLine = chkNullLine->isChecked();
    ScriptOption.Drop = chkDrop->isChecked();
    ScriptOption.MaskOutput = chkMaskOutput->isChecked();
    if (m_owner)
        SetNameTableOf(m_owner->g_Server, cmbNameTable->currentText());
}

bool TfrmScriptOption::ShowWindow(TObjectSession* owner, QString& scriptPath, QString& nameTable, QWidget* parent)
{
    TfrmScriptOption dlg(owner, parent);
    const int result = ExecHook ? ExecHook(&dlg) : dlg.exec();
    if (result != QDialog::Accepted)
        return false;
    dlg.SaveOptions();
    scriptPath = ScriptOption.Path;
    nameTable = dlg.cmbNameTable->isEnabled() ? dlg.cmbNameTable->currentText().trimmed() : QString();
    return true;
}

bool TfrmScriptOption::ShowWindow(QWidget* parent)
{
    TfrmScriptOption dlg(nullptr, parent);
    const int result = ExecHook ? ExecHook(&dlg) : dlg.exec();
    if (result != QDialog::Accepted)
        return false;
    dlg.SaveOptions();
    return true;
}

} // namespace qv
