// The work-space panel of the main window: objects dropped from a connection window's object
// list, opened, run, renamed and deleted from it; its dock position and view style.
#include "app/workspace_panel.h"

#include "app/connection_window_iface.h"
#include "app/images.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/options.h"
#include "connection/object_window.h"

#include <QAction>
#include <QActionGroup>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTreeWidget>

#include <algorithm>

namespace qv {

namespace {

constexpr int kIndex = 46;

QString connectText(IConnectionWindow* c) { return c->GetConnectInfo(QString(), QString(), true); }

// The connection window whose object list w is; nullptr for any other widget.
IConnectionWindow* objectListOwner(const QList<IConnectionWindow*>& conns, const QObject* w)
{
    if (!w || w->objectName() != QLatin1String("lstObject"))
        return nullptr;
    for (IConnectionWindow* c : conns)
        if (c->connectionWidget()->isAncestorOf(qobject_cast<const QWidget*>(w)))
            return c;
    return nullptr;
}

// Drag and drop on the list, Enter and Delete in it.
class WorkSpaceFilter : public QObject {
public:
    WorkSpaceFilter(TfrmMain* main, QTreeWidget* list) : QObject(list), m_main(main), m_list(list) {}

protected:
    bool eventFilter(QObject* o, QEvent* e) override
    {
        switch (e->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* d = static_cast<QDropEvent*>(e);
            if (objectListOwner(m_main->ConnectionWindows(), d->source())) {
                d->setDropAction(Qt::CopyAction);
                d->accept();
            } else {
                d->ignore();
            }
            return true;
        }
        case QEvent::Drop: {
            auto* d = static_cast<QDropEvent*>(e);
            if (m_main->WorkSpaceDropFrom(qobject_cast<QWidget*>(d->source()))) {
                d->setDropAction(Qt::CopyAction);
                d->accept();
            }
            return true;
        }
        case QEvent::KeyPress:
            if (o == m_list) { // while a caption is edited, its editor has the keys
                const int key = static_cast<QKeyEvent*>(e)->key();
                if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                    m_main->WorkSpaceOpen(true, omDefine, false);
                    return true;
                }
                if (key == Qt::Key_Delete) {
                    m_main->WorkSpaceDelete();
                    return true;
                }
            }
            break;
        default: break;
        }
        return QObject::eventFilter(o, e);
    }

private:
    TfrmMain* m_main;
    QTreeWidget* m_list;
};

QList<QTreeWidgetItem*> selectedInOrder(QTreeWidget* list)
{
    QList<QTreeWidgetItem*> out;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        if (list->topLevelItem(i)->isSelected())
            out << list->topLevelItem(i);
    return out;
}

} // namespace

// ---- rules ----------------------------------------------------------------------------------------

QList<WorkSpaceDropItem> SelectedDropItems(const QTreeWidget* objectList)
{
    QList<WorkSpaceDropItem> out;
    if (!objectList)
        return out;
    for (int i = 0; i < objectList->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* it = objectList->topLevelItem(i);
        if (!it->isSelected())
            continue;
        WorkSpaceDropItem d;
        d.ObjectType = it->data(0, Qt::UserRole).toInt();
        d.Caption = it->text(0);
        for (int c = 1; c < it->columnCount(); ++c)
            d.SubItems << it->text(c);
        out << d;
    }
    return out;
}

QString WorkSpaceParentOf(const WorkSpaceDropItem& item, int treeSort, int treeLevel)
{
    if (item.ObjectType != kIndex)
        return QString();
    const bool fourth = (treeSort == 0 && treeLevel == 2) || (treeSort == 1 && (treeLevel == 1 || treeLevel == 2));
    return item.SubItems.value(fourth ? 3 : 5);
}

bool SameWorkSpaceObject(const TqvWorkSpace& a, const TqvWorkSpace& b)
{
    return a.ObjectType == b.ObjectType && a.ObjectName == b.ObjectName && a.ParentObject == b.ParentObject &&
           a.Schema == b.Schema && a.DataBase == b.DataBase && a.Connect == b.Connect;
}

int AddWorkSpaceEntries(QList<TqvWorkSpace>& list, const QString& connect, const QList<WorkSpaceDropItem>& items,
                        int treeSort, int treeLevel)
{
    int added = 0;
    for (const WorkSpaceDropItem& it : items) {
        TqvWorkSpace e;
        e.ObjectType = it.ObjectType;
        e.ObjectName = it.Caption;
        e.ParentObject = WorkSpaceParentOf(it, treeSort, treeLevel);
        e.DataBase = it.SubItems.value(0);
        e.Schema = it.SubItems.value(1);
        e.Connect = connect;
        const bool known = std::any_of(list.cbegin(), list.cend(),
                                       [&](const TqvWorkSpace& x) { return SameWorkSpaceObject(x, e); });
        if (known)
            continue;
        e.Title = it.Caption + QStringLiteral(" (") + e.DataBase + u'.' + e.Schema +
                  (it.ObjectType == kIndex ? u'.' + e.ParentObject : QString()) + u')';
        list.append(e);
        ++added;
    }
    return added;
}

bool RenameWorkSpaceEntry(QList<TqvWorkSpace>& list, const TqvWorkSpace& key, const QString& title)
{
    for (TqvWorkSpace& e : list) {
        if (!SameWorkSpaceObject(e, key))
            continue;
        if (e.Title == title)
            return false;
        e.Title = title;
        return true;
    }
    return false;
}

bool RemoveWorkSpaceEntry(QList<TqvWorkSpace>& list, const TqvWorkSpace& key)
{
    for (qsizetype i = 0; i < list.size(); ++i)
        if (SameWorkSpaceObject(list[i], key)) {
            list.removeAt(i);
            return true;
        }
    return false;
}

TqvWorkSpace WorkSpaceEntryOf(const QTreeWidgetItem* item)
{
    TqvWorkSpace e;
    e.ObjectType = item->data(0, Qt::UserRole).toInt();
    e.Title = item->text(0);
    e.ObjectName = item->text(1);
    e.DataBase = item->text(2);
    e.Schema = item->text(3);
    e.ParentObject = item->data(1, Qt::UserRole).toString();
    e.Connect = item->data(2, Qt::UserRole).toString();
    return e;
}

// ---- the panel --------------------------------------------------------------------------------

void TfrmMain::createWorkSpacePanel()
{
    QTreeWidget* l = m_lstWorkSpace;
    l->setAcceptDrops(true);
    l->viewport()->setAcceptDrops(true);
    // Drops come only from object lists (the filter below); rows can be dragged onto the
    // query builder.
    l->setDragEnabled(true);
    l->setDragDropMode(QAbstractItemView::DragDrop);
    l->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto* filter = new WorkSpaceFilter(this, l);
    l->viewport()->installEventFilter(filter);
    l->installEventFilter(filter);
    connect(l, &QTreeWidget::itemDoubleClicked, this, [this] { WorkSpaceOpen(true, omDefine, false); });
    connect(l, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (column == 0)
            WorkSpaceRenamed(item);
    });

    auto* pop = new QMenu(this);
    pop->setObjectName(QStringLiteral("popWorkSpace"));
    auto add = [pop](const char* name, const QString& caption) {
        QAction* a = pop->addAction(caption);
        a->setObjectName(QLatin1String(name));
        return a;
    };
    connect(add("mnuWorkSpaceOpenDefine", QStringLiteral("定義情報を開く(&O)")), &QAction::triggered, this,
            [this] { WorkSpaceOpen(false, omDefine, false); });
    connect(add("mnuWorkSpaceOpenSource", QStringLiteral("ソースを開く(&S)")), &QAction::triggered, this,
            [this] { WorkSpaceOpen(false, omSource, false); });
    connect(add("mnuWorkSpaceOpenData", QStringLiteral("データを開く(&T)")), &QAction::triggered, this,
            [this] { WorkSpaceOpen(false, omData, false); });
    connect(add("mnuWorkSpaceOpenDataTopRecord", QStringLiteral("データを開く(件数指定)(&M)")), &QAction::triggered,
            this, [this] { WorkSpaceOpen(false, omData, true); });
    connect(add("mnuWorkSpaceExec", QStringLiteral("実行(&E)")), &QAction::triggered, this, [this] { WorkSpaceExec(); });
    connect(add("mnuWorkSpaceRename", QStringLiteral("名前の変更(&R)")), &QAction::triggered, this, [this] {
        QTreeWidgetItem* item = m_lstWorkSpace->currentItem();
        if (!item || !item->isSelected())
            return;
        const QSignalBlocker block(m_lstWorkSpace);
        item->setFlags(item->flags() | Qt::ItemIsEditable);
        m_lstWorkSpace->editItem(item, 0);
    });
    pop->addSeparator();
    connect(add("mnuWorkSpaceDelete", QStringLiteral("ワークスペースからオブジェクトを削除する(&D)")),
            &QAction::triggered, this, [this] { WorkSpaceDelete(); });
    pop->addSeparator();
    QMenu* align = pop->addMenu(QStringLiteral("表示位置(&A)"));
    align->setObjectName(QStringLiteral("mnuWorkSpaceAlign"));
    auto* alignGroup = new QActionGroup(align);
    const struct {
        const char* name;
        const char* caption;
        int align;
    } aligns[] = {{"mnuWorkSpaceTop", "上(&T)", 1},
                  {"mnuWorkSpaceBottom", "下(&B)", 2},
                  {"mnuWorkSpaceLeft", "左(&L)", 3},
                  {"mnuWorkSpaceRight", "右(&R)", 4}};
    for (const auto& a : aligns) {
        QAction* act = align->addAction(QString::fromUtf8(a.caption));
        act->setObjectName(QLatin1String(a.name));
        act->setCheckable(true);
        act->setData(a.align);
        alignGroup->addAction(act);
        const int value = a.align;
        connect(act, &QAction::triggered, this, [this, value] { WorkSpaceSetAlign(value); });
    }
    QAction* icon = add("mnuWorkSpaceIcon", QStringLiteral("アイコン表示(&V)"));
    QAction* list = add("mnuWorkSpaceList", QStringLiteral("リスト表示(&L)"));
    icon->setCheckable(true);
    list->setCheckable(true);
    connect(icon, &QAction::triggered, this, [this] { WorkSpaceSetIconView(true); });
    connect(list, &QAction::triggered, this, [this] { WorkSpaceSetIconView(false); });
    l->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(l, &QWidget::customContextMenuRequested, this, [this, pop](const QPoint& pos) {
        popWorkSpacePopup();
        pop->popup(m_lstWorkSpace->viewport()->mapToGlobal(pos));
    });
    WorkSpaceSetIconView(m_workSpaceStyle != 3);
}

void TfrmMain::popWorkSpacePopup()
{
    auto* pop = findChild<QMenu*>(QStringLiteral("popWorkSpace"));
    if (!pop)
        return;
    const QList<QTreeWidgetItem*> sel = selectedInOrder(m_lstWorkSpace);
    const int type = sel.isEmpty() ? 0 : sel.first()->data(0, Qt::UserRole).toInt();
    auto set = [pop](const char* name, bool on) {
        if (auto* a = pop->findChild<QAction*>(QLatin1String(name)))
            a->setEnabled(on);
    };
    const bool any = !sel.isEmpty();
    for (const char* n : {"mnuWorkSpaceOpenDefine", "mnuWorkSpaceOpenSource", "mnuWorkSpaceRename", "mnuWorkSpaceDelete"})
        set(n, any);
    set("mnuWorkSpaceOpenData", any && (type == 45 || type == 47));
    set("mnuWorkSpaceOpenDataTopRecord", any && (type == 45 || type == 47));
    set("mnuWorkSpaceExec", any && (type == 51 || type == 52));
    if (auto* align = pop->findChild<QMenu*>(QStringLiteral("mnuWorkSpaceAlign"))) {
        align->menuAction()->setEnabled(!m_dockWorkSpace->isHidden());
        for (QAction* a : align->actions())
            a->setChecked(a->data().toInt() == workSpaceAlign());
    }
    if (auto* a = pop->findChild<QAction*>(QStringLiteral("mnuWorkSpaceIcon")))
        a->setChecked(m_workSpaceStyle != 3);
    if (auto* a = pop->findChild<QAction*>(QStringLiteral("mnuWorkSpaceList")))
        a->setChecked(m_workSpaceStyle == 3);
}

bool TfrmMain::WorkSpaceDropFrom(QWidget* source)
{
    IConnectionWindow* conn = objectListOwner(ConnectionWindows(), source);
    auto* list = qobject_cast<QTreeWidget*>(source);
    if (!conn || !list)
        return false;
    const int added = AddWorkSpaceEntries(WorkSpaceList, connectText(conn), SelectedDropItems(list), qvOption.TreeSort,
                                          conn->ObjectTreeLevel());
    if (added > 0) {
        SaveWorkSpace();
        ShowWorkSpace(nullptr);
    }
    return true;
}

bool TfrmMain::AddToWorkSpace(IConnectionWindow* conn)
{
    return conn && WorkSpaceDropFrom(conn->connectionWidget()->findChild<QTreeWidget*>(QStringLiteral("lstObject")));
}

void TfrmMain::WorkSpaceOpen(bool useOption, TOpenMode mode, bool askTopRecord)
{
    for (QTreeWidgetItem* item : selectedInOrder(m_lstWorkSpace)) {
        const TqvWorkSpace e = WorkSpaceEntryOf(item);
        IConnectionWindow* conn = GetDBForm(e.Connect);
        if (!conn)
            continue;
        int top = 0;
        if (askTopRecord) {
            QString value = QString::number(qvOption.DefTopRecord), owner;
            bool makeDefault = false;
            if (!ShowInputDialog(QStringLiteral("データを開く(件数指定)"), QStringLiteral("レコード件数"), value, true,
                                 owner, {}, {{QStringLiteral("既定値にする"), &makeDefault}}))
                return;
            bool ok = false;
            top = value.trimmed().toInt(&ok);
            if (!ok)
                throw Exception(QStringLiteral("'%1' は有効な整数値ではありません。").arg(value));
            if (makeDefault && top > 0)
                qvOption.DefTopRecord = top;
        }
        const TOpenMode page = useOption ? qvOption.OpenMode : mode;
        if (QWidget* w = conn->OpenObject(e.ObjectType, e.DataBase, e.Schema, e.ObjectName, page, true, top,
                                          e.ParentObject))
            AddChildWindow(w);
        RecentObjectCheck(e.ObjectType, e.DataBase, e.Schema, e.ObjectName, e.ParentObject);
    }
}

void TfrmMain::WorkSpaceExec()
{
    for (QTreeWidgetItem* item : selectedInOrder(m_lstWorkSpace)) {
        const TqvWorkSpace e = WorkSpaceEntryOf(item);
        IConnectionWindow* conn = GetDBForm(e.Connect);
        if (!conn || (e.ObjectType != 51 && e.ObjectType != 52))
            continue;
        // The stored-program runner, one per program.
        if (conn->RunStoredProgram(e.DataBase, e.Schema, e.ObjectName, e.ObjectType))
            continue;
        const QString caption = QStringLiteral("ストアドプログラム実行 - ") + e.Schema + u'.' + e.ObjectName +
                                QStringLiteral(" @ ") + conn->Server() + u'.' + e.DataBase;
        if (FindWindow(TfrmPlaceholder::staticMetaObject, caption, true))
            continue;
        auto* w = new TfrmPlaceholder(conn->connectionWidget(), QStringLiteral("TfrmExecProc"), caption);
        w->resize(420, 160);
        AddChildWindow(w);
    }
}

void TfrmMain::WorkSpaceDelete()
{
    const QList<QTreeWidgetItem*> sel = selectedInOrder(m_lstWorkSpace);
    if (sel.isEmpty())
        return;
    for (QTreeWidgetItem* item : sel)
        RemoveWorkSpaceEntry(WorkSpaceList, WorkSpaceEntryOf(item));
    SaveWorkSpace();
    ShowWorkSpace(nullptr);
}

void TfrmMain::WorkSpaceRenamed(QTreeWidgetItem* item)
{
    if (!item)
        return;
    if (RenameWorkSpaceEntry(WorkSpaceList, WorkSpaceEntryOf(item), item->text(0)))
        SaveWorkSpace();
}

void TfrmMain::WorkSpaceSetAlign(int align)
{
    if (m_dockWorkSpace->isHidden())
        return;
    const int size = workSpaceSize();
    setWorkSpaceAlign(align);
    m_dockWorkSpace->show(); // moving it to another edge hid it
    setWorkSpaceSize(size);
    if (!MDIChildren().isEmpty())
        ShowWorkSpace(nullptr);
}

void TfrmMain::WorkSpaceSetIconView(bool icons)
{
    m_workSpaceStyle = icons ? 0 : 3;
    QTreeWidget* l = m_lstWorkSpace;
    // The icon view shows the titles with their icons only; the details view every column.
    l->setHeaderHidden(icons);
    for (int c = 1; c < l->columnCount(); ++c)
        l->setColumnHidden(c, icons);
}

} // namespace qv
