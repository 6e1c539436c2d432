#include "admin/admin_tool_window.h"

#include "app/connection_window_iface.h"
#include "app/application.h"
#include "app/main_window.h"
#include "app/options.h"
#include "connection/object_window.h"
#include "platform/exceptions.h"
#include "platform/registry.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>

#include <algorithm>

namespace qv {

namespace {
QString GuiKey(const QString& key) { return SettingsRootKey + QStringLiteral("\\GUI\\") + key; }

IConnectionWindow* ItemConnection(const QComboBox* combo, int index)
{
    return reinterpret_cast<IConnectionWindow*>(combo->itemData(index).value<quintptr>());
}
} // namespace

QString AdminToolCaption(const QString& title, const IConnectionWindow* conn)
{
    if (!conn)
        return title;
    return title + QStringLiteral(" - ") + conn->GetConnectInfo(QString(), QString(), true);
}

QObject* TAdminToolWindow::CheckNotOpen(TfrmObject* owner, const Kind& kind)
{
    if (TfrmMain* main = TfrmMain::instance(); main && owner && kind.cls)
        if (main->FindWindow(*kind.cls, AdminToolCaption(kind.title, owner), true))
            Abort();
    return owner;
}

TAdminToolWindow::TAdminToolWindow(TfrmObject* owner, const Kind& kind)
    : TqvForm(CheckNotOpen(owner, kind)), m_kind(kind)
{
    setWindowTitle(AdminToolCaption(m_kind.title, OwnerForm()));
    CreateTaskButton();
    pnlName = new QWidget(this);
    pnlName->setObjectName(QStringLiteral("pnlName"));
    auto* pl = new QHBoxLayout(pnlName);
    pl->setContentsMargins(8, 0, 4, 0);
    pl->addWidget(new QLabel(QStringLiteral("接続"), pnlName));
    cmbConnection = new QComboBox(pnlName);
    cmbConnection->setObjectName(QStringLiteral("cmbConnection"));
    cmbConnection->setMinimumContentsLength(16);
    cmbConnection->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    pl->addWidget(cmbConnection, 1);
    connect(cmbConnection, &QComboBox::activated, this, [this] {
        try {
            cmbConnectionChange();
        } catch (...) {
            HandleException(std::current_exception());
        }
    });
}

TfrmObject* TAdminToolWindow::Connection() const
{
    return OwnerForm() ? dynamic_cast<TfrmObject*>(OwnerForm()->connectionWidget()) : nullptr;
}

void TAdminToolWindow::FillConnections()
{
    TfrmMain* main = TfrmMain::instance();
    const QSignalBlocker block(cmbConnection);
    cmbConnection->clear();
    if (main && main->cmbDBName()) {
        const QComboBox* list = main->cmbDBName();
        for (int i = 0; i < list->count(); ++i) {
            IConnectionWindow* c = ItemConnection(list, i);
            if (m_kind.sqlServerOnly && c && c->IsAzure())
                continue;
            cmbConnection->addItem(list->itemText(i), list->itemData(i));
        }
    }
    // The owner's own item: two connections may show the same text.
    const auto own = reinterpret_cast<quintptr>(OwnerForm());
    for (int i = 0; i < cmbConnection->count(); ++i)
        if (cmbConnection->itemData(i).value<quintptr>() == own)
            cmbConnection->setCurrentIndex(i);
}

void TAdminToolWindow::UpdateCaption()
{
    IConnectionWindow* c = OwnerForm();
    setWindowTitle(AdminToolCaption(m_kind.title, c));
    if (c)
        SetTaskCaption(c->GetConnectInfo(QString(), QString(), m_kind.taskWithDatabase));
}

void TAdminToolWindow::cmbConnectionChange()
{
    const int index = cmbConnection->currentIndex();
    if (index < 0)
        return;
    IConnectionWindow* chosen = ItemConnection(cmbConnection, index);
    if (TfrmMain* main = TfrmMain::instance(); main && main->cmbDBName()) {
        const int i = main->cmbDBName()->findData(cmbConnection->itemData(index));
        if (i >= 0)
            main->cmbDBName()->setCurrentIndex(i);
        main->MenuUpdate();
    }
    SetOwnerForm(chosen);
    UpdateCaption();
    ConnectionChanged();
}

void TAdminToolWindow::DBChange()
{
    const auto own = reinterpret_cast<quintptr>(OwnerForm());
    FillConnections();
    int found = -1;
    for (int i = 0; i < cmbConnection->count(); ++i)
        if (cmbConnection->itemData(i).value<quintptr>() == own)
            found = i;
    if (!own || found < 0) {
        frame()->close();
        return;
    }
    const QSignalBlocker block(cmbConnection);
    cmbConnection->setCurrentIndex(found);
}

void TAdminToolWindow::LoadWindowSettings()
{
    if (!isNormalState() || m_kind.settingsKey.isEmpty())
        return;
    TqvRegistry reg;
    if (!reg.OpenKey(GuiKey(m_kind.settingsKey), true))
        return;
    resize(reg.GetInteger(QStringLiteral("Width"), width()), reg.GetInteger(QStringLiteral("Height"), height()));
}

void TAdminToolWindow::SaveWindowSettings()
{
    if (!isNormalState() || m_kind.settingsKey.isEmpty())
        return;
    TqvRegistry reg;
    if (!reg.OpenKey(GuiKey(m_kind.settingsKey), true))
        return;
    reg.WriteInteger(QStringLiteral("Width"), width());
    reg.WriteInteger(QStringLiteral("Height"), height());
}

void TAdminToolWindow::FillDatabaseCombo(QComboBox* combo, const QString& first, const QString& select)
{
    QStringList list;
    if (TfrmObject* conn = Connection())
        conn->GetDatabase(list);
    list.prepend(first);
    const QSignalBlocker block(combo);
    combo->clear();
    combo->addItems(list);
    combo->setCurrentIndex(select.isEmpty() ? 0 : std::max(0, int(combo->findText(select))));
}

} // namespace qv
