#include "tools/data_generate_window.h"

#include "app/connection_window_iface.h"
#include "app/main_window.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace qv {

std::function<void(TfrmDataGenerate&)> TfrmDataGenerate::ShowHook;

TfrmDataGenerate::TfrmDataGenerate(const QString& database, const QString& schema, const QString& objectName,
                                   QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmDataGenerate"));
    setWindowTitle(QStringLiteral("データ生成ツール"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    lblObject = new QLabel(database + u'.' + schema + u'.' + objectName, this);
    lblObject->setObjectName(QStringLiteral("lblObject"));
    lblObject->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont bold = lblObject->font();
    bold.setBold(true);
    lblObject->setFont(bold);
    lblNote = new QLabel(QStringLiteral("このオブジェクトのテストデータ生成は、まだ使用できません。"), this);
    lblNote->setObjectName(QStringLiteral("lblNote"));
    lblNote->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(this);
    btnClose = buttons->addButton(QStringLiteral("閉じる(&C)"), QDialogButtonBox::RejectRole);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(lblObject);
    layout->addWidget(lblNote);
    layout->addStretch(1);
    layout->addWidget(buttons);
    setMinimumWidth(360);
}

void TfrmDataGenerate::ShowWindow(IConnectionWindow* owner, const QString& database, const QString& schema,
                                  const QString& objectName)
{
    (void)owner;
    TfrmDataGenerate w(database, schema, objectName, TfrmMain::instance());
    if (ShowHook) {
        ShowHook(w);
        return;
    }
    w.exec();
}

} // namespace qv
