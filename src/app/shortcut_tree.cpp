#include "app/shortcut_tree.h"

#include "app/main_window.h"
#include "app/message_box.h"
#include "app/option_checks.h"
#include "app/settings.h"

#include <QAction>
#include <QHeaderView>
#include <QKeyEvent>
#include <QRegularExpression>

namespace qv {

namespace {
constexpr int kActionRole = Qt::UserRole + 1;
}

QString ShortcutTree::plainCaption(const QString& text)
{
    QString s = text;
    s.remove(QRegularExpression(QStringLiteral("\\(&.\\)")));
    s.remove(u'&');
    if (s.endsWith(QStringLiteral("...")))
        s.chop(3);
    return s;
}

ShortcutTree::ShortcutTree(const QList<Group>& groups, QObject* actionOwner, QWidget* parent)
    : QTreeWidget(parent), m_owner(actionOwner)
{
    setObjectName(QStringLiteral("lstShortCut"));
    setColumnCount(2);
    setHeaderLabels({QStringLiteral("機能"), QStringLiteral("ショートカット")});
    setRootIsDecorated(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setStyleSheet(QStringLiteral("QTreeWidget::item:selected { color: white; background: palette(highlight); }"));
    for (const Group& g : groups) {
        auto* top = new QTreeWidgetItem(this, {g.caption});
        for (const QString& name : g.actions) {
            QAction* a = m_owner ? m_owner->findChild<QAction*>(name) : nullptr;
            if (!a)
                continue;
            auto* it = new QTreeWidgetItem(top, {plainCaption(a->text()), ShortCutToText(a->shortcut())});
            it->setData(0, kActionRole, name);
        }
    }
    expandAll();
    header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    header()->setStretchLastSection(true);
    scrollToTop();
}

QTreeWidgetItem* ShortcutTree::itemFor(const QString& actionName) const
{
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem* g = topLevelItem(i);
        for (int j = 0; j < g->childCount(); ++j)
            if (g->child(j)->data(0, kActionRole).toString() == actionName)
                return g->child(j);
    }
    return nullptr;
}

QString ShortcutTree::shortcutText(const QString& actionName) const
{
    QTreeWidgetItem* it = itemFor(actionName);
    return it ? it->text(1) : QString();
}

void ShortcutTree::handleKey(int key, Qt::KeyboardModifiers modifiers)
{
    QTreeWidgetItem* cur = currentItem();
    if (!cur || cur->data(0, kActionRole).toString().isEmpty())
        return;
    QStringList others;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem* g = topLevelItem(i);
        for (int j = 0; j < g->childCount(); ++j)
            if (g->child(j) != cur && !g->child(j)->text(1).isEmpty())
                others << g->child(j)->text(1);
    }
    const ShortcutKeyOutcome r = ShortcutForKey(key, modifiers, others);
    switch (r.result) {
    case ShortcutKeyResult::Ignored: break;
    case ShortcutKeyResult::Cleared: cur->setText(1, QString()); break;
    case ShortcutKeyResult::Assigned: cur->setText(1, r.text); break;
    case ShortcutKeyResult::Duplicate: ShowMessageBox(r.message, MB_ICONWARNING); break;
    }
}

void ShortcutTree::Apply() const
{
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem* g = topLevelItem(i);
        for (int j = 0; j < g->childCount(); ++j) {
            const QString name = g->child(j)->data(0, kActionRole).toString();
            if (QAction* a = m_owner ? m_owner->findChild<QAction*>(name) : nullptr)
                a->setShortcut(TextToShortCut(g->child(j)->text(1)));
        }
    }
    if (TfrmMain* m = TfrmMain::instance(); m && m == m_owner)
        m->SetShortCut();
}

void ShortcutTree::keyReleaseEvent(QKeyEvent* e)
{
    if (e->isAutoRepeat())
        return;
    handleKey(e->key(), e->modifiers());
    e->accept();
}

bool ShortcutTree::event(QEvent* e)
{
    // While the tree has the focus every key comes to it: F1 and the main window's shortcuts
    // are typed, not run.
    if (e->type() == QEvent::ShortcutOverride) {
        e->accept();
        return true;
    }
    return QTreeWidget::event(e);
}

bool ShortcutTree::focusNextPrevChild(bool) { return false; }

} // namespace qv
