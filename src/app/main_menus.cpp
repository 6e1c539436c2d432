// The main window's user-command and report menus, built from the definition files.
#include "app/connection_window_iface.h"
#include "app/main_window.h"
#include "app/qvdoc.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>

namespace qv {

namespace {

// Removes the items above the separator named separatorName; returns the separator.
QAction* clearAboveSeparator(QMenu* menu, const QString& separatorName)
{
    QAction* sep = nullptr;
    for (QAction* a : menu->actions()) {
        if (a->isSeparator() && a->objectName() == separatorName) {
            sep = a;
            break;
        }
        menu->removeAction(a);
        delete a;
    }
    return sep;
}

} // namespace

void TfrmMain::SetCommandList()
{
    QMenu* menu = m_menus.value(QStringLiteral("mnuCommandMenu"));
    if (!menu)
        return;
    QAction* sep = clearAboveSeparator(menu, QStringLiteral("mnuTB1"));
    for (const QvMenuEntry& e : UserCommandMenuEntries(UserCommandDir())) {
        auto* a = new QAction(e.Name, menu);
        a->setShortcut(CodeToShortCut(e.ShortCut));
        a->setData(e.Tag);
        a->setProperty("qvCommandItem", true);
        connect(a, &QAction::triggered, this, [this, a] { mnuUserCommandClick(a); });
        menu->insertAction(sep, a);
    }
    const QList<IConnectionWindow*> conns = ConnectionWindows();
    for (auto it = conns.rbegin(); it != conns.rend(); ++it)
        (*it)->SetCommandList();
}

void TfrmMain::SetReportList()
{
    QMenu* menu = m_menus.value(QStringLiteral("mnuReportMenu"));
    if (!menu)
        return;
    QAction* sep = clearAboveSeparator(menu, QStringLiteral("mnuTB2"));
    for (const QvMenuEntry& e : ReportMenuEntries(ReportDefinitionDir())) {
        auto* a = new QAction(e.Name, menu);
        a->setData(e.Tag);
        a->setProperty("qvReportItem", true);
        connect(a, &QAction::triggered, this, [this, a] { mnuReportClick(a); });
        menu->insertAction(sep, a);
    }
    const QList<IConnectionWindow*> conns = ConnectionWindows();
    for (auto it = conns.rbegin(); it != conns.rend(); ++it)
        (*it)->SetReportList();
}

void TfrmMain::mnuUserCommandClick(QAction* item)
{
    if (m_cmbDBName->currentIndex() < 0)
        return;
    try {
        if (IConnectionWindow* c = CurrentForm())
            c->UserCommandClick(item);
    } catch (...) {
    }
}

void TfrmMain::mnuReportClick(QAction* item)
{
    if (m_cmbDBName->currentIndex() < 0)
        return;
    try {
        if (IConnectionWindow* c = CurrentForm())
            c->ReportClick(item);
    } catch (...) {
    }
}

} // namespace qv
