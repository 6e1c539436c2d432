#include "connection/ddl_preview.h"

#include "app/images.h"
#include "app/message_box.h"
#include "app/options.h"
#include "app/textfiles.h"
#include "connection/ddl_preview_text.h"
#include "editor/sqlmemo/qvmemo.h"
#include "sql/memo_settings.h"
#include "platform/registry.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace qv {

namespace {
const QString kPreviewKey = SettingsRootKey + QStringLiteral("\\GUI\\SQLPREVIEW");
}

std::function<int(TfrmDDLPreview*)> TfrmDDLPreview::ExecHook = [](TfrmDDLPreview* w) { return w->exec(); };

std::function<QString(QWidget*, const QString&)> TfrmDDLPreview::SaveDialogHook = [](QWidget* parent, const QString& proposed) {
    QFileDialog dlg(parent, QStringLiteral("SQL文の保存"), proposed,
                    QStringLiteral("SQLファイル(*.sql);;すべてのファイル(*.*)"));
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setDefaultSuffix(QStringLiteral("SQL"));
    dlg.setFileMode(QFileDialog::AnyFile);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return QString();
    return dlg.selectedFiles().first();
};

TfrmDDLPreview::TfrmDDLPreview(QWidget* parent) : QDialog(parent)
{
    txtLog = new TqvMemo(this);
    txtLog->setObjectName(QStringLiteral("txtLog"));
    ApplyMemoSettings(*txtLog, nullptr);
    txtLog->SetReadOnly(true);
    txtLog->SetScrollBars(ssVertical);
    chkModifySource = new QCheckBox(QStringLiteral("ソースを変更可能にする"), this);
    connect(chkModifySource, &QCheckBox::toggled, this, [this](bool on) { txtLog->SetReadOnly(!on); });
    btnOK = new QPushButton(QStringLiteral("開始(&E)"), this);
    btnSave = new QPushButton(QStringLiteral("&SQL出力"), this);
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(chkModifySource);
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnSave);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txtLog, 1);
    layout->addLayout(buttons);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnSave, &QPushButton::clicked, this, &TfrmDDLPreview::btnSaveClick);
    resize(640, 480);
}

void TfrmDDLPreview::btnSaveClick()
{
    const QString dir = qvOption.FileDir.isEmpty() ? QDir::homePath() : qvOption.FileDir;
    const QString proposed = UniqueFileName(QDir(dir).filePath(DdlPreviewFileName(m_schema, m_objName)));
    const QString chosen = SaveDialogHook(this, proposed);
    if (chosen.isEmpty())
        return;
    WriteTextFileLines(DdlSaveFileName(chosen), txtLog->Lines().ToStringList(), GetFileEncoding());
    ShowMessageBox(QStringLiteral("SQL文の保存が完了しました。"), MB_ICONINFORMATION);
}

bool TfrmDDLPreview::ShowWindow(QStringList& sql, const QString& database, const QString& schema, const QString& objectName,
                                QWidget* mainWindow)
{
    if (!qvOption.ShowDDL)
        return true;
    TfrmDDLPreview w(mainWindow);
    w.chkModifySource->hide();
    w.setWindowIcon(imgMain(10));
    w.m_schema = schema;
    w.m_objName = objectName;
    w.setWindowTitle(DdlPreviewCaption(schema, objectName));
    {
        TqvRegistry reg;
        if (reg.OpenKeyReadOnly(kPreviewKey)) {
            const QRect g = w.geometry();
            w.move(reg.GetInteger(QStringLiteral("Left"), g.left()), reg.GetInteger(QStringLiteral("Top"), g.top()));
            w.resize(reg.GetInteger(QStringLiteral("Width"), g.width()), reg.GetInteger(QStringLiteral("Height"), g.height()));
        }
    }
    w.txtLog->Lines().Assign(DdlPreviewLines(sql, database));
    const bool run = ExecHook(&w) == QDialog::Accepted;
    if (run)
        sql = w.txtLog->Lines().ToStringList();
    try {
        TqvRegistry reg;
        if (reg.OpenKey(kPreviewKey, true)) {
            reg.WriteInteger(QStringLiteral("Left"), w.x());
            reg.WriteInteger(QStringLiteral("Top"), w.y());
            reg.WriteInteger(QStringLiteral("Width"), w.width());
            reg.WriteInteger(QStringLiteral("Height"), w.height());
        }
    } catch (const std::exception&) {
    }
    return run;
}

} // namespace qv
