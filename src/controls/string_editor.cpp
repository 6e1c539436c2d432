#include "controls/string_editor.h"

#include "editor/view/editor.h"
#include "platform/registry.h"

#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace qv {

namespace {
const QString kCommentKey = SettingsRootKey + QStringLiteral("\\GUI\\COMMENT");
}

std::function<int(TfrmMemo*)>& TfrmMemo::ExecHook()
{
    static std::function<int(TfrmMemo*)> hook;
    return hook;
}

TfrmMemo::TfrmMemo(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("文字列の編集"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);
    resize(520, 360);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(5, 5, 5, 0);
    layout->setSpacing(0);

    txtComment = new TEditor(this);
    txtComment->setObjectName(QStringLiteral("txtComment"));
    txtComment->WantTabs = true;
    txtComment->WantReturns = true;
    layout->addWidget(txtComment, 1);

    pnlButtom = new QWidget(this);
    pnlButtom->setObjectName(QStringLiteral("pnlButtom"));
    pnlButtom->setFixedHeight(37);
    auto* bottom = new QHBoxLayout(pnlButtom);
    bottom->setContentsMargins(0, 0, 0, 0);
    pnlButtons = new QWidget(pnlButtom);
    pnlButtons->setObjectName(QStringLiteral("pnlButtons"));
    auto* buttons = new QHBoxLayout(pnlButtons);
    buttons->setContentsMargins(0, 0, 0, 0);
    chkNull = new QCheckBox(QStringLiteral("NULL"), pnlButtons);
    chkNull->setObjectName(QStringLiteral("chkNull"));
    btnOk = new QPushButton(QStringLiteral("OK"), pnlButtons);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(false);
    btnOk->setAutoDefault(false);
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), pnlButtons);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setAutoDefault(false);
    buttons->addWidget(chkNull);
    buttons->addSpacing(12);
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    bottom->addStretch(1);
    bottom->addWidget(pnlButtons);
    bottom->addStretch(1);
    layout->addWidget(pnlButtom);

    // The editor takes every typed key, Esc included; Esc closes the window as Cancel does.
    txtComment->installEventFilter(this);

    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

QString TfrmMemo::EditorText() const
{
    return txtComment->Lines().GetTextStr();
}

void TfrmMemo::load(const QString& comment, bool nullChecked, bool readOnly, bool showNull)
{
    btnOk->setEnabled(!readOnly);
    txtComment->Lines().SetTextStr(comment);
    txtComment->SetModified(false);
    chkNull->setChecked(nullChecked);
    chkNull->setVisible(showNull);
    // Typing clears the NULL box.
    txtComment->OnChange = [this](TEditor*) { chkNull->setChecked(false); };
}

void TfrmMemo::readPlacement()
{
    TqvRegistry reg;
    if (!reg.KeyExists(kCommentKey) || !reg.OpenKeyReadOnly(kCommentKey))
        return;
    const QRect g = geometry();
    const int left = reg.GetInteger(QStringLiteral("Left"), g.left());
    const int top = reg.GetInteger(QStringLiteral("Top"), g.top());
    const int width = reg.GetInteger(QStringLiteral("Width"), g.width());
    const int height = reg.GetInteger(QStringLiteral("Height"), g.height());
    reg.CloseKey();
    resize(std::max(width, 200), std::max(height, 120));
    move(left, top);
}

void TfrmMemo::writePlacement()
{
    TqvRegistry reg;
    if (!reg.OpenKey(kCommentKey, true))
        return;
    const QRect g = geometry();
    reg.WriteInteger(QStringLiteral("Left"), g.left());
    reg.WriteInteger(QStringLiteral("Top"), g.top());
    reg.WriteInteger(QStringLiteral("Width"), g.width());
    reg.WriteInteger(QStringLiteral("Height"), g.height());
    reg.CloseKey();
}

void TfrmMemo::caretToEnd()
{
    txtComment->SetSelStart(txtComment->GetTextLen());
}

void TfrmMemo::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    txtComment->setFocus();
    caretToEnd();
}

bool TfrmMemo::eventFilter(QObject* o, QEvent* e)
{
    if (o == txtComment && e->type() == QEvent::KeyPress) {
        const auto* ke = static_cast<QKeyEvent*>(e);
        if (ke->key() == Qt::Key_Escape && !(ke->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier))) {
            reject();
            return true;
        }
    }
    return QDialog::eventFilter(o, e);
}

bool TfrmMemo::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate)
        caretToEnd();
    return QDialog::event(e);
}

int TfrmMemo::ShowWindow(QString& comment, bool& nullChecked, bool readOnly, bool showNull)
{
    QWidget* owner = QApplication::activeWindow();
    TfrmMemo dlg(owner);
    // Centred on the owner unless a stored placement says otherwise.
    if (owner) {
        const QRect o = owner->frameGeometry();
        dlg.move(o.center() - QPoint(dlg.width() / 2, dlg.height() / 2));
    }
    dlg.readPlacement();
    dlg.load(comment, nullChecked, readOnly, showNull);
    const int result = ExecHook() ? ExecHook()(&dlg) : dlg.exec();
    if (result == QDialog::Accepted && dlg.btnOk->isEnabled()) {
        comment = dlg.EditorText();
        nullChecked = dlg.chkNull->isChecked();
    }
    dlg.writePlacement();
    return result;
}

} // namespace qv
