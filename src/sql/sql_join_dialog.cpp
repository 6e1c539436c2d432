#include "sql/sql_join_dialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace qv {

std::function<int(TfrmSQLBldConnect*)> TfrmSQLBldConnect::ExecHook;

namespace {
QGroupBox* columnGroup(QWidget* parent, const TqvSQLBuildTable* table, const QString& column, QComboBox*& combo)
{
    auto* box = new QGroupBox(" " + table->TableName + QString::fromUtf8(" の列選択 "), parent);
    auto* layout = new QVBoxLayout(box);
    combo = new QComboBox(box);
    for (const auto& item : table->Items)
        if (item.Name != "*")
            combo->addItem(item.Name);
    combo->setCurrentIndex(combo->findText(column, Qt::MatchExactly | Qt::MatchCaseSensitive));
    layout->addWidget(combo);
    return box;
}
} // namespace

TfrmSQLBldConnect::TfrmSQLBldConnect(TqvSQLDesign* design, TqvSQLBuildConnect* connect, QWidget* parent)
    : QDialog(parent), m_design(design), m_connect(connect)
{
    setWindowTitle(QString::fromUtf8("結合"));
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    row->addWidget(columnGroup(this, connect->FromTable, connect->FromColumn, cmbColumn1));
    auto* types = new QGroupBox(QString::fromUtf8(" 結合条件 "), this);
    auto* typesLayout = new QVBoxLayout(types);
    rdoConnectType = new QButtonGroup(this);
    const char* labels[] = {"＝", "＞", ">=", "＜", "<=", "!="};
    for (int i = 0; i < 6; ++i) {
        auto* r = new QRadioButton(QString::fromUtf8(labels[i]), types);
        rdoConnectType->addButton(r, i);
        typesLayout->addWidget(r);
    }
    rdoConnectType->button(int(connect->ConnectType))->setChecked(true);
    row->addWidget(types);
    row->addWidget(columnGroup(this, connect->ToTable, connect->ToColumn, cmbColumn2));
    layout->addLayout(row);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    btnOk = new QPushButton("OK", this);
    btnDelete = new QPushButton(QString::fromUtf8("削除"), this);
    btnCancel = new QPushButton(QString::fromUtf8("キャンセル"), this);
    btnOk->setDefault(true);
    buttons->addWidget(btnOk);
    buttons->addWidget(btnDelete);
    buttons->addWidget(btnCancel);
    layout->addLayout(buttons);
    QObject::connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    QObject::connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    QObject::connect(btnDelete, &QPushButton::clicked, this, &TfrmSQLBldConnect::btnDeleteClick);
}

void TfrmSQLBldConnect::btnDeleteClick()
{
    if (m_connect)
        m_design->RemoveConnect(m_connect);
    m_connect = nullptr;
    accept();
}

void TfrmSQLBldConnect::Apply()
{
    if (!m_connect)
        return;
    m_connect->FromColumn = cmbColumn1->currentText();
    m_connect->ToColumn = cmbColumn2->currentText();
    m_connect->ConnectType = TqvSQLBuildConnectType(std::max(0, rdoConnectType->checkedId()));
    // The dialog offers no outer join: confirming it makes the join an inner one.
    m_connect->JoinType = jtInner;
}

bool TfrmSQLBldConnect::ShowWindow(TqvSQLDesign* design, TqvSQLBuildConnect* connect, QWidget* parent)
{
    TfrmSQLBldConnect dialog(design, connect, parent);
    const int result = ExecHook ? ExecHook(&dialog) : dialog.exec();
    if (result == QDialog::Accepted)
        dialog.Apply();
    return result == QDialog::Accepted;
}

} // namespace qv
