#include "app/version_window.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/images.h"
#include "app/main_window.h"

namespace qv {

QString ProgramVersionText()
{
    const QString v = QCoreApplication::applicationVersion().trimmed();
    return v.isEmpty() ? QStringLiteral("Unknown") : v;
}

TfrmRegist::TfrmRegist(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmRegist"));
    setWindowTitle(QStringLiteral("バージョン情報"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto* top = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("imgProduct"));
    icon->setPixmap(imgMain(0).pixmap(64, 64));
    icon->setFixedSize(64, 64);
    top->addWidget(icon, 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    lblProduct = new QLabel(QStringLiteral("Qorvel for SQL Server 22"), this);
    lblProduct->setObjectName(QStringLiteral("lblProduct"));
    lblProduct->setAlignment(Qt::AlignCenter);
    lblProduct->setMinimumWidth(361);
    QFont f = lblProduct->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.3);
    lblProduct->setFont(f);
    lblVersion = new QLabel(QStringLiteral("バージョン： ") + ProgramVersionText(), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblVersion->setAlignment(Qt::AlignCenter);
    lblComments = new QLabel(this);
    lblComments->setObjectName(QStringLiteral("lblComments"));
    lblComments->setAlignment(Qt::AlignCenter);
    lblComments->setWordWrap(true);
    texts->addWidget(lblProduct);
    texts->addWidget(lblVersion);
    texts->addWidget(lblComments);
    top->addLayout(texts, 1);
    btnClose = new QPushButton(QStringLiteral("閉じる"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setDefault(true);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
    auto* lay = new QVBoxLayout(this);
    lay->addLayout(top);
    lay->addSpacing(8);
    lay->addWidget(btnClose, 0, Qt::AlignHCenter);
    setFixedSize(sizeHint());
}

int TfrmRegist::ShowWindow()
{
    TfrmRegist dlg(TfrmMain::instance());
    return dlg.exec();
}

} // namespace qv
