// The table window's tree of constraints, indexes and triggers: three roots, one node per object
// with its kind, parameters and state; the popup menu opens an entry in its own definition window
// (through the connection window's open-by-type routine), deletes it, creates a new one of the
// same kind, or enables and disables it. Its actions run their statements at once and rebuild
// the tree. The text and statements live in table_tree_text.*.
#include "tables/table_window.h"

#include "app/connection_window_iface.h"
#include "app/images.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/options.h"
#include "app/wait_cursor.h"
#include "connection/object_session.h"

#include <QHeaderView>
#include <QMenu>
#include <QShortcut>
#include <QTreeWidget>

namespace qv {

using namespace table;

namespace {
constexpr int SchemaRole = Qt::UserRole;      // sub-item 3: the object's schema
constexpr int ImageRole = Qt::UserRole + 1;   // the node's image (66, 46, 57)
} // namespace

void TfrmTable::BuildConstTree()
{
    lstConst->setColumnCount(4);
    lstConst->setHeaderLabels({QStringLiteral("名前"), QStringLiteral("タイプ"), QStringLiteral("パラメータ"),
                               QStringLiteral("状態")});
    QHeaderView* hedConst = lstConst->header();
    hedConst->setObjectName(QStringLiteral("hedConst"));
    hedConst->setStretchLastSection(false);
    hedConst->resizeSection(0, 180);
    // The kind column fits its longest word ("NONUNIQUE INDEX") in any font.
    hedConst->resizeSection(1, qMax(120, lstConst->fontMetrics().horizontalAdvance(QStringLiteral("NONUNIQUE INDEX")) + 16));
    hedConst->resizeSection(3, 80);
    hedConst->setSectionResizeMode(2, QHeaderView::Stretch);
    lstConst->setRootIsDecorated(true);
    lstConst->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstConst->setSelectionMode(QAbstractItemView::SingleSelection);
    lstConst->setIconSize(QSize(16, 16));
    // The selected node keeps its colours when the tree loses the focus.
    QPalette pal = lstConst->palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Active, QPalette::HighlightedText, Qt::white);
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText, Qt::white);
    lstConst->setPalette(pal);

    popConst = new QMenu(lstConst);
    popConst->setObjectName(QStringLiteral("popConst"));
    const auto item = [this](const QString& caption, int image, void (TfrmTable::*slot)()) {
        QAction* a = popConst->addAction(caption);
        if (image >= 0)
            a->setIcon(imgMain(image));
        connect(a, &QAction::triggered, this, [this, slot] { Guard([this, slot] { (this->*slot)(); }); });
        return a;
    };
    mnuConstOpen = item(QStringLiteral("開く(&O)"), 17, &TfrmTable::mnuConstOpenClick);
    mnuConstDelete = item(QStringLiteral("削除(&D)"), 41, &TfrmTable::mnuConstDeleteClick);
    mnuConstNew = item(QStringLiteral("新規作成(&N)"), -1, &TfrmTable::mnuConstNewClick);
    popConst->addSeparator();
    mnuConstEnable = item(QStringLiteral("有効にする(&E)"), -1, &TfrmTable::mnuConstEnableClick);
    mnuConstDisable = item(QStringLiteral("無効にする(&S)"), -1, &TfrmTable::mnuConstDisableClick);
    connect(popConst, &QMenu::aboutToShow, this, [this] { popConstPopup(); });

    lstConst->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lstConst, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        // A right click selects the node under the pointer.
        QTreeWidgetItem* hit = lstConst->itemAt(pos);
        lstConst->setCurrentItem(hit);
        if (!hit)
            lstConst->clearSelection();
        popConst->popup(lstConst->viewport()->mapToGlobal(pos));
    });
    connect(lstConst, &QTreeWidget::itemDoubleClicked, this,
            [this] { Guard([this] { mnuConstOpenClick(); }); });
    for (int key : {int(Qt::Key_Return), int(Qt::Key_Enter)}) {
        auto* s = new QShortcut(QKeySequence(key), lstConst, nullptr, nullptr, Qt::WidgetShortcut);
        connect(s, &QShortcut::activated, this, [this] { Guard([this] { mnuConstOpenClick(); }); });
    }
    auto* del = new QShortcut(QKeySequence(Qt::Key_Delete), lstConst, nullptr, nullptr, Qt::WidgetShortcut);
    connect(del, &QShortcut::activated, this, [this] { Guard([this] { mnuConstDeleteClick(); }); });
}

void TfrmTable::ShowConstTree()
{
    lstConst->setUpdatesEnabled(false);
    struct Resume {
        QTreeWidget* tree;
        ~Resume() { tree->setUpdatesEnabled(true); }
    } resume{lstConst};
    lstConst->clear();
    const QStringList captions = TreeRootCaptions();
    QList<QTreeWidgetItem*> roots;
    for (int i = 0; i < captions.size(); ++i) {
        auto* root = new QTreeWidgetItem(lstConst, {captions.at(i)});
        root->setIcon(0, imgMain(TreeRootImage(i)));
        root->setData(0, ImageRole, TreeRootImage(i));
        roots << root;
    }
    if (!IsNew()) {
        const QueryTarget target{Version(), Azure(), Database()};
        const QList<TreeNode> nodes = ReadTree(target, Schema(), TableName(),
                                               [this](const QString& sql, const QStringList& params) { return Rows(sql, params); });
        for (const TreeNode& n : nodes) {
            QTreeWidgetItem* parent = roots.value(n.image == ConstraintImage ? 0 : n.image == IndexImage ? 1 : 2);
            auto* item = new QTreeWidgetItem(parent, {n.name, n.kind, n.params, n.state});
            item->setIcon(0, imgMain(n.image));
            item->setData(0, ImageRole, n.image);
            item->setData(0, SchemaRole, n.schema);
        }
    }
    lstConst->expandAll();
    if (lstConst->topLevelItemCount() > 0)
        lstConst->scrollToItem(lstConst->topLevelItem(0), QAbstractItemView::PositionAtTop);
}

TreeNode TfrmTable::NodeOf(const QTreeWidgetItem* item) const
{
    TreeNode n;
    if (!item || !item->parent())
        return n;
    n.image = item->data(0, ImageRole).toInt();
    n.name = item->text(0);
    n.kind = item->text(1);
    n.params = item->text(2);
    n.state = item->text(3);
    n.schema = item->data(0, SchemaRole).toString();
    return n;
}

QList<TreeNode> TfrmTable::ConstNodes() const
{
    QList<TreeNode> nodes;
    for (int i = 0; i < lstConst->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* root = lstConst->topLevelItem(i);
        for (int c = 0; c < root->childCount(); ++c)
            nodes << NodeOf(root->child(c));
    }
    return nodes;
}

void TfrmTable::popConstPopup()
{
    const QTreeWidgetItem* item = lstConst->currentItem();
    if (item && !item->isSelected())
        item = nullptr;
    const TreeNode node = NodeOf(item);
    const int level = !item ? -1 : item->parent() ? 1 : 0;
    const TreeMenuState s = MenuState(IsNew(), level, level == 1 ? &node : nullptr, Version());
    mnuConstOpen->setEnabled(s.open);
    mnuConstDelete->setEnabled(s.remove);
    mnuConstEnable->setEnabled(s.enable);
    mnuConstDisable->setEnabled(s.disable);
    mnuConstNew->setEnabled(s.create);
    mnuConstNew->setIcon(s.create && item ? imgMain(item->data(0, ImageRole).toInt()) : QIcon());
}

void TfrmTable::mnuConstOpenClick()
{
    const TreeNode n = NodeOf(lstConst->currentItem());
    IConnectionWindow* conn = OwnerForm();
    if (IsNew() || n.image == 0 || !conn)
        return;
    const QString database = Database(), schema = Schema();
    // An index's window names its table; a trigger and a constraint take theirs from the catalog.
    const QString parent = n.image == IndexImage ? TableName() : QString();
    QWidget* w = conn->OpenObject(n.image, database, schema, n.name, qvOption.OpenMode, false, 0, parent);
    if (!w)
        return; // already open (brought forward) or not readable (its window said so)
    if (TfrmMain* main = TfrmMain::instance()) {
        main->AddChildWindow(w);
        main->RecentObjectCheck(n.image, database, schema, n.name, parent);
    }
}

void TfrmTable::mnuConstNewClick()
{
    const QTreeWidgetItem* item = lstConst->currentItem();
    IConnectionWindow* conn = OwnerForm();
    if (IsNew() || !item || !conn)
        return;
    const int image = item->data(0, ImageRole).toInt();
    if (image != IndexImage && image != TriggerImage && image != ConstraintImage)
        return;
    QWidget* w = conn->OpenObject(image, Database(), Schema(), QString(), omDefine, false, 0, TableName());
    if (w)
        if (TfrmMain* main = TfrmMain::instance())
            main->AddChildWindow(w);
}

void TfrmTable::mnuConstDeleteClick()
{
    const TreeNode n = NodeOf(lstConst->currentItem());
    if (IsNew() || n.image == 0)
        return;
    if (Box(DeleteQuestion(n), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    {
        WaitCursor cursor;
        for (const QString& sql : DeleteStatements(TreeTable{Database(), Schema(), TableName(), Azure()}, n))
            Session()->ExecuteSQL(sql);
    }
    Box(DeletedMessage(n), MB_OK | MB_ICONINFORMATION);
    ShowConstTree();
}

void TfrmTable::SwitchConst(bool enable)
{
    const TreeNode n = NodeOf(lstConst->currentItem());
    if (IsNew() || n.image == 0)
        return;
    // Only what the menu offers: keys are never switched, nor indexes and triggers before version 9.
    const TreeMenuState s = MenuState(false, 1, &n, Version());
    if (enable ? !s.enable : !s.disable)
        return;
    if (Box(SwitchQuestion(n, enable), MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    {
        WaitCursor cursor;
        Session()->ExecuteSQL(SwitchStatement(TreeTable{Database(), Schema(), TableName(), Azure()}, n, enable));
    }
    ShowConstTree();
}

void TfrmTable::mnuConstEnableClick() { SwitchConst(true); }

void TfrmTable::mnuConstDisableClick() { SwitchConst(false); }

} // namespace qv
