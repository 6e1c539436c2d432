#include "sql/memo_palette.h"

#include "app/application.h"
#include "app/connection_window_iface.h"
#include "app/escape_watch.h"
#include "app/images.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/object_types.h"
#include "app/options.h"
#include "app/pickers.h"
#include "app/wait_cursor.h"
#include "editor/sqlmemo/qvmemo.h"
#include "platform/registry.h"
#include "sql/memo_frame.h"
#include "sql/palette_text.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace qv {

using namespace palette;

std::function<bool(IConnectionWindow*)> TqvObjectPalette::ProjectDialogHook;
std::function<bool(const QString&)> TqvObjectPalette::AskHook;

namespace {

const QString kDummy = QStringLiteral("dummy");
const QString kMime = QStringLiteral("application/x-qorvel-palette-text");
constexpr int kImageRole = Qt::UserRole;
constexpr int kDatabaseRole = Qt::UserRole + 1;

QString editorKey() { return SettingsRootKey + QStringLiteral("\\EDITOR"); }

// A tree whose drag carries the palette's insertion text.
class PaletteTree : public QTreeWidget {
public:
    using QTreeWidget::QTreeWidget;
    std::function<QString()> dragText;

protected:
    QStringList mimeTypes() const override { return {kMime}; }
    QMimeData* mimeData(const QList<QTreeWidgetItem*>&) const override
    {
        auto* m = new QMimeData;
        const QString text = dragText ? dragText() : QString();
        m->setData(kMime, text.toUtf8());
        m->setText(text);
        return m;
    }
};

int imageOf(const QTreeWidgetItem* item) { return item->data(0, kImageRole).toInt(); }

int levelOf(const QTreeWidgetItem* item)
{
    int level = 0;
    for (const QTreeWidgetItem* p = item->parent(); p; p = p->parent())
        ++level;
    return level;
}

int indexOf(const QTreeWidgetItem* item)
{
    if (const QTreeWidgetItem* p = item->parent())
        return p->indexOfChild(const_cast<QTreeWidgetItem*>(item));
    return item->treeWidget() ? item->treeWidget()->indexOfTopLevelItem(const_cast<QTreeWidgetItem*>(item)) : 0;
}

QTreeWidgetItem* ancestorAt(QTreeWidgetItem* item, int level)
{
    while (item && levelOf(item) > level)
        item = item->parent();
    return item;
}

QTreeWidgetItem* addNode(QTreeWidgetItem* parent, const QString& text, int image)
{
    auto* item = new QTreeWidgetItem(parent, {text});
    item->setData(0, kImageRole, image);
    if (image >= 0)
        item->setIcon(0, imgMain(image));
    return item;
}

bool onlyDummy(const QTreeWidgetItem* item) { return item->childCount() == 1 && item->child(0)->text(0) == kDummy; }

bool isDatabaseImage(int image)
{
    return image == kDatabaseImage || image == kLoginDatabaseImage || image == kAzureDatabaseImage;
}

} // namespace

TqvObjectPalette::TqvObjectPalette(TfraMemo* frame, QWidget* treeBody, QWidget* listBody)
    : QObject(frame), m_frame(frame)
{
    const QStringList scopes{QStringLiteral("すべてのDB"), QStringLiteral("ログインDB"), QStringLiteral("設定")};
    for (QWidget* body : {treeBody, listBody})
        delete body->findChild<QLabel*>(QStringLiteral("lblNotAvailable"));

    // The object tree.
    auto* tl = static_cast<QVBoxLayout*>(treeBody->layout());
    tl->setContentsMargins(2, 2, 2, 2);
    tl->setSpacing(2);
    cmbTree = new QComboBox(treeBody);
    cmbTree->setObjectName(QStringLiteral("cmbTree"));
    cmbTree->addItems(scopes);
    cmbTree->setCurrentIndex(1);
    auto* tree = new PaletteTree(treeBody);
    tree->dragText = [this] { return TreeText(); };
    trvObject = tree;
    trvObject->setObjectName(QStringLiteral("trvObject"));
    trvObject->setHeaderHidden(true);
    trvObject->setSelectionMode(QAbstractItemView::ExtendedSelection);
    trvObject->setEditTriggers(QAbstractItemView::NoEditTriggers);
    trvObject->setDragEnabled(true);
    trvObject->setDragDropMode(QAbstractItemView::DragOnly);
    trvObject->setContextMenuPolicy(Qt::CustomContextMenu);
    tl->addWidget(cmbTree);
    tl->addWidget(trvObject, 1);

    // The reverse search.
    auto* ll = static_cast<QVBoxLayout*>(listBody->layout());
    ll->setContentsMargins(2, 2, 2, 2);
    ll->setSpacing(2);
    auto* head = new QHBoxLayout;
    head->setSpacing(2);
    txtListSearch = new QLineEdit(listBody);
    txtListSearch->setObjectName(QStringLiteral("txtListSearch"));
    txtListSearch->setPlaceholderText(QStringLiteral("(検索)"));
    cmbList = new QComboBox(listBody);
    cmbList->setObjectName(QStringLiteral("cmbList"));
    cmbList->addItems(scopes);
    cmbList->setCurrentIndex(1);
    btnListSearch = new QToolButton(listBody);
    btnListSearch->setObjectName(QStringLiteral("btnListSearch"));
    btnListSearch->setIcon(QIcon::fromTheme(QStringLiteral("edit-find")));
    btnListSearch->setText(QStringLiteral("項目名を検索"));
    btnListSearch->setToolTip(QStringLiteral("項目名を検索"));
    head->addWidget(txtListSearch, 1);
    head->addWidget(cmbList);
    head->addWidget(btnListSearch);
    auto* list = new PaletteTree(listBody);
    list->dragText = [this] { return ListText(); };
    lstObject = list;
    lstObject->setObjectName(QStringLiteral("lstObject"));
    lstObject->setRootIsDecorated(false);
    lstObject->setColumnCount(2);
    lstObject->setHeaderLabels({QStringLiteral("親オブジェクト"), QStringLiteral("検索対象")});
    lstObject->setColumnWidth(0, 120);
    lstObject->header()->setStretchLastSection(true);
    lstObject->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstObject->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstObject->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstObject->setDragEnabled(true);
    lstObject->setDragDropMode(QAbstractItemView::DragOnly);
    lstObject->setContextMenuPolicy(Qt::CustomContextMenu);
    ll->addLayout(head);
    ll->addWidget(lstObject, 1);

    // Actions and menus.
    auto action = [this](const char* name, const QString& caption, void (TqvObjectPalette::*slot)()) {
        auto* a = new QAction(caption, this);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, [this, slot] { Guard([this, slot] { (this->*slot)(); }); });
        return a;
    };
    actInsertNodeText = new QAction(QStringLiteral("エディタへ挿入する(&A)"), this);
    actInsertNodeText->setObjectName(QStringLiteral("actInsertNodeText"));
    connect(actInsertNodeText, &QAction::triggered, this, [this] { InsertAtCaret(TreeText()); });
    actInsertListText = new QAction(QStringLiteral("エディタへ挿入する(&A)"), this);
    actInsertListText->setObjectName(QStringLiteral("actInsertListText"));
    connect(actInsertListText, &QAction::triggered, this, [this] { InsertAtCaret(ListText()); });
    actTreeSelectAllCol = action("actTreeSelectAllCol", QStringLiteral("列をすべて選択"), &TqvObjectPalette::SelectAllColumns);
    actTreeExpandAllNode = action("actTreeExpandAllNode", QStringLiteral("ノードをすべて開く"), &TqvObjectPalette::ExpandAll);
    actTreeCollapseAllNode = action("actTreeCollapseAllNode", QStringLiteral("ノードをすべて閉じる"), &TqvObjectPalette::CollapseAll);
    actRefreshObjectTree = action("actRefreshObjectTree", QStringLiteral("ツリーを最新の状態にする(&R)"), &TqvObjectPalette::BuildTree);
    actOpenDefineForTree = action("actOpenDefineForTree", QStringLiteral("定義情報を開く(&O)"), &TqvObjectPalette::OpenDefineForTree);
    actOpenDefineforList = action("actOpenDefineforList", QStringLiteral("定義情報を開く(&O)"), &TqvObjectPalette::OpenDefineForList);
    popObjTree = new QMenu(trvObject);
    popObjTree->setObjectName(QStringLiteral("popObjTree"));
    popObjTree->addAction(actInsertNodeText);
    popObjTree->addSeparator();
    popObjTree->addActions({actTreeSelectAllCol, actTreeExpandAllNode, actTreeCollapseAllNode, actRefreshObjectTree});
    popObjTree->addSeparator();
    popObjTree->addAction(actOpenDefineForTree);
    popObjList = new QMenu(lstObject);
    popObjList->setObjectName(QStringLiteral("popObjList"));
    popObjList->addAction(actInsertListText);
    popObjList->addSeparator();
    popObjList->addAction(actOpenDefineforList);

    connect(trvObject, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        // A right click selects the node under the mouse.
        if (QTreeWidgetItem* item = trvObject->itemAt(p); item && !item->isSelected()) {
            trvObject->clearSelection();
            trvObject->setCurrentItem(item);
        }
        UpdateActions();
        popObjTree->popup(trvObject->viewport()->mapToGlobal(p));
    });
    connect(lstObject, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        UpdateActions();
        popObjList->popup(lstObject->viewport()->mapToGlobal(p));
    });
    connect(trvObject, &QTreeWidget::itemSelectionChanged, this, &TqvObjectPalette::UpdateActions);
    connect(lstObject, &QTreeWidget::itemSelectionChanged, this, &TqvObjectPalette::UpdateActions);
    connect(trvObject, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) { Guard([this, item] { LoadNode(item); }); });
    connect(lstObject, &QTreeWidget::itemDoubleClicked, this, [this] { Guard([this] { OpenDefineForList(); }); });
    connect(cmbTree, &QComboBox::activated, this, [this](int i) { Guard([this, i] { TreeScopeChosen(i); }); });
    connect(cmbList, &QComboBox::activated, this, [this](int i) { Guard([this, i] { ListScopeChosen(i); }); });
    connect(txtListSearch, &QLineEdit::returnPressed, this, [this] { Guard([this] { Search(); }); });
    connect(btnListSearch, &QToolButton::clicked, this, [this] { Guard([this] { Search(); }); });

    trvObject->installEventFilter(this);
    lstObject->installEventFilter(this);
    m_frame->txtSQL->viewport()->setAcceptDrops(true);
    m_frame->txtSQL->viewport()->installEventFilter(this);
    UpdateActions();
}

IConnectionWindow* TqvObjectPalette::Conn() const { return m_frame->OwnerForm(); }

void TqvObjectPalette::Guard(const std::function<void()>& work)
{
    // Query errors go to the application's error handler, not through the event loop.
    try {
        work();
    } catch (...) {
        HandleException(std::current_exception());
    }
}

// ---- tree ----------------------------------------------------------------------------------

void TqvObjectPalette::Initialize()
{
    m_schemaDisp = 1;
    TqvRegistry reg;
    if (reg.OpenKey(editorKey(), false))
        m_schemaDisp = std::clamp(reg.GetInteger(QStringLiteral("SchemaDisp"), 1), 0, 2);
    cmbTree->setCurrentIndex(m_schemaDisp);
    cmbList->setCurrentIndex(1);
    txtListSearch->clear();
    Guard([this] { BuildTree(); });
}

void TqvObjectPalette::DBChanged()
{
    lstObject->clear();
    Guard([this] { BuildTree(); });
}

QStringList TqvObjectPalette::Databases(int scope) const
{
    IConnectionWindow* c = Conn();
    if (!c)
        return {};
    QStringList list;
    switch (scope) {
    case 0: c->GetDatabase(list); break;
    case 1: list << c->DataBase(); break;
    default: list = StoredProjectDatabases(c->Server()); break;
    }
    return list;
}

void TqvObjectPalette::BuildTree()
{
    trvObject->clear();
    IConnectionWindow* c = Conn();
    if (!c)
        return;
    WaitCursor cursor;
    trvObject->setUpdatesEnabled(false);
    struct Restore {
        QTreeWidget* t;
        ~Restore() { t->setUpdatesEnabled(true); }
    } restore{trvObject};
    // The product version does not change during a session: it is read once per connection.
    if (m_versionOf != c) {
        m_version.clear();
        try {
            const QList<QVariantList> rows = c->QueryRows(QStringLiteral("SELECT SERVERPROPERTY(N'productversion')"));
            if (!rows.isEmpty() && !rows.first().isEmpty())
                m_version = rows.first().first().toString();
        } catch (...) {
        }
        m_versionOf = c;
    }
    auto* server = new QTreeWidgetItem(trvObject, {c->Server() + u'(' + m_version + u')'});
    server->setData(0, kImageRole, kServerImage);
    server->setIcon(0, imgMain(kServerImage));
    QStringList dbs = Databases(cmbTree->currentIndex());
    const QString login = c->DataBase();
    if (qvOption.UserFirst && dbs.size() > 1 && dbs.removeOne(login))
        dbs.prepend(login);
    const int own = c->IsAzure() ? kAzureDatabaseImage : kLoginDatabaseImage;
    QTreeWidgetItem* loginNode = nullptr;
    for (const QString& db : dbs) {
        QTreeWidgetItem* node = addNode(server, db, db == login ? own : kDatabaseImage);
        for (int kind : ObjectKinds())
            addNode(node, GetObjectTypeName(kind), kind);
        if (db == login && !loginNode)
            loginNode = node;
    }
    server->setExpanded(true);
    if (loginNode) {
        if (own == kLoginDatabaseImage)
            loginNode->setExpanded(true);
        trvObject->setCurrentItem(loginNode);
        trvObject->scrollToItem(loginNode, QAbstractItemView::PositionAtTop);
    }
}

void TqvObjectPalette::LoadNode(QTreeWidgetItem* item)
{
    IConnectionWindow* c = Conn();
    if (!c || !item)
        return;
    const int image = imageOf(item);
    const int level = levelOf(item);
    if (level == 1 && isDatabaseImage(image)) {
        for (int i = 0; i < item->childCount(); ++i)
            if (item->child(i)->childCount() == 0)
                addNode(item->child(i), kDummy, -1);
        return;
    }
    if (!onlyDummy(item))
        return;
    const QString database = ancestorAt(item, 1) ? ancestorAt(item, 1)->text(0) : QString();
    if (level == 3 && (image == ObjType::Table || image == ObjType::View) && imageOf(item->parent()) == image) {
        delete item->takeChild(0);
        const ObjName n = SplitObjName(item->text(0));
        c->ExecuteSQL(UseSql(database));
        for (const QVariantList& row : c->QueryRows(ColumnListSql(n.schema, n.name)))
            addNode(item, row.value(0).toString(), kColumnImage);
        return;
    }
    if (level == 2) {
        delete item->takeChild(0);
        const QStringList types = KindTypeLiterals(image, qvOption.ShowSysObj);
        c->ExecuteSQL(UseSql(database));
        for (const QVariantList& row : c->QueryRows(ObjectListSql(c->DBVer(), types))) {
            QTreeWidgetItem* obj = addNode(item, row.value(1).toString() + u'.' + row.value(0).toString(), image);
            if (image == ObjType::Table || image == ObjType::View)
                addNode(obj, kDummy, -1);
        }
    }
}

QTreeWidgetItem* TqvObjectPalette::FindNode(const QStringList& path) const
{
    QTreeWidgetItem* node = nullptr;
    for (const QString& text : path) {
        QTreeWidgetItem* next = nullptr;
        const int n = node ? node->childCount() : trvObject->topLevelItemCount();
        for (int i = 0; i < n && !next; ++i) {
            QTreeWidgetItem* child = node ? node->child(i) : trvObject->topLevelItem(i);
            if (child->text(0) == text)
                next = child;
        }
        if (!next)
            return nullptr;
        node = next;
    }
    return node;
}

void TqvObjectPalette::TreeScopeChosen(int index)
{
    if (index == 2 && !(ProjectDialogHook ? ProjectDialogHook(Conn()) : TfrmProject::ShowWindow(Conn()))) {
        cmbTree->setCurrentIndex(m_schemaDisp);
        return;
    }
    BuildTree();
    m_schemaDisp = index;
    TqvRegistry reg;
    if (reg.OpenKey(editorKey(), false))
        reg.WriteInteger(QStringLiteral("SchemaDisp"), m_schemaDisp);
    trvObject->setFocus();
}

void TqvObjectPalette::ListScopeChosen(int index)
{
    if (index == 2 && !(ProjectDialogHook ? ProjectDialogHook(Conn()) : TfrmProject::ShowWindow(Conn())))
        return;
    BuildTree();
    TqvRegistry reg;
    if (reg.OpenKey(editorKey(), false))
        reg.WriteInteger(QStringLiteral("SchemaDisp"), m_schemaDisp);
}

// ---- insertion -------------------------------------------------------------------------------

QString TqvObjectPalette::TreeText() const
{
    std::vector<NodeSel> nodes;
    for (QTreeWidgetItem* item : trvObject->selectedItems()) {
        NodeSel n;
        n.text = item->text(0);
        n.image = imageOf(item);
        n.level = levelOf(item);
        n.index = indexOf(item);
        QTreeWidgetItem* parent = item->parent();
        n.parentIndex = parent ? indexOf(parent) : -1;
        n.parentExpanded = !parent || parent->isExpanded();
        if (n.level == 3)
            if (QTreeWidgetItem* db = ancestorAt(item, 1); db && imageOf(db) == kDatabaseImage)
                n.database = db->text(0);
        nodes.push_back(n);
    }
    return TreeInsertText(std::move(nodes));
}

QString TqvObjectPalette::ListText() const
{
    std::vector<ListSel> items;
    for (int i = 0; i < lstObject->topLevelItemCount(); ++i)
        if (QTreeWidgetItem* item = lstObject->topLevelItem(i); item->isSelected())
            items.push_back({item->text(0), item->data(0, kDatabaseRole).toString()});
    return ListInsertText(items, Conn() ? Conn()->DataBase() : QString());
}

void TqvObjectPalette::InsertAtCaret(const QString& text)
{
    if (text.isEmpty())
        return;
    TqvMemo* memo = m_frame->txtSQL;
    memo->SetSelTextBuf(text); // replaces a selection; the caret goes after the text
    memo->setFocus();
}

void TqvObjectPalette::DropAt(const QString& text, const QPoint& pos)
{
    if (text.isEmpty())
        return;
    TqvMemo* memo = m_frame->txtSQL;
    int row = 0, col = 0;
    memo->PosToRowCol(pos.x(), pos.y(), true, col, row);
    row = std::max(row, 0);
    col = std::max(col, 0);
    while (memo->Lines().Count() <= row)
        memo->Lines().Add(QString());
    bool inside = false;
    if (memo->Selected()) {
        const TSelectedPosition& s = memo->SelDrawPosition();
        inside = std::pair(row, col) > std::pair(s.Sr, s.Sc) && std::pair(row, col) < std::pair(s.Er, s.Ec);
    }
    if (!inside) {
        memo->CleanSelection();
        // The caret may stand past the end of the row: the row is padded up to it.
        const bool free = memo->Caret().FreeCaret;
        memo->Caret().FreeCaret = true;
        memo->SetRowCol(row, col);
        memo->Caret().FreeCaret = free;
    }
    memo->SetSelTextBuf(text);
    memo->setFocus();
}

// ---- reverse search ----------------------------------------------------------------------------

void TqvObjectPalette::Search()
{
    lstObject->clear();
    IConnectionWindow* c = Conn();
    if (!c)
        return;
    const QString text = txtListSearch->text();
    const int scope = cmbList->currentIndex();
    const QStringList dbs = Databases(scope);
    if (ReverseSearchSql(c->DBVer(), QString(), text).isEmpty()) {
        ShowMessageBox(QStringLiteral("このサーバーのバージョンでは逆引き検索を利用できません。"), MB_ICONWARNING);
        return;
    }
    WaitCursor cursor;
    TfrmMain* main = TfrmMain::instance();
    struct End {
        TfrmMain* m;
        ~End()
        {
            if (m)
                m->SetDefMessage();
        }
    } end{main};
    for (int i = 0; i < dbs.size(); ++i) {
        if (main)
            main->SetLoopMessage(i + 1, int(dbs.size()));
        if (i > 0 && EscapePressed())
            break;
        const QString& db = dbs.at(i);
        c->ExecuteSQL(UseSql(db));
        // OBJ_TYPE, OBJ_DB, OBJ_NAME, REF_OBJ_TYPE, REF_OBJ_DB, REF_OBJ_NAME, REF_DB_LINK
        for (const QVariantList& row : c->QueryRows(ReverseSearchSql(c->DBVer(), db, text))) {
            const QString refDb = row.value(4).toString();
            const QString refName = row.value(5).toString();
            auto* item = new QTreeWidgetItem(lstObject, {scope == 1 ? refName : refDb + u'.' + refName, row.value(2).toString()});
            const int image = XTypeToObjectType(row.value(3).toString());
            item->setData(0, kImageRole, image);
            item->setData(0, kDatabaseRole, refDb);
            item->setIcon(0, imgMain(image));
            item->setIcon(1, imgMain(kColumnImage));
        }
    }
    // Whole names: the parent column grows to its longest caption (120 at least).
    lstObject->resizeColumnToContents(0);
    lstObject->setColumnWidth(0, std::max(120, lstObject->columnWidth(0)));
}

// ---- tree and list commands ----------------------------------------------------------------------

void TqvObjectPalette::UpdateActions()
{
    const QList<QTreeWidgetItem*> sel = trvObject->selectedItems();
    QTreeWidgetItem* one = sel.size() == 1 ? sel.first() : nullptr;
    const int level = one ? levelOf(one) : -1;
    const int image = one ? imageOf(one) : -1;
    actInsertNodeText->setEnabled(!sel.isEmpty());
    actTreeSelectAllCol->setEnabled(one && level > 2 && (image == ObjType::Table || image == ObjType::View || image == kColumnImage));
    actTreeExpandAllNode->setEnabled(one && one->childCount() > 0);
    actTreeCollapseAllNode->setEnabled(one && one->isExpanded());
    actOpenDefineForTree->setEnabled(one && (level == 3 || level == 4));
    const QList<QTreeWidgetItem*> items = lstObject->selectedItems();
    actInsertListText->setEnabled(!items.isEmpty());
    actOpenDefineforList->setEnabled(items.size() == 1);
}

void TqvObjectPalette::SelectAllColumns()
{
    const QList<QTreeWidgetItem*> sel = trvObject->selectedItems();
    if (sel.size() != 1)
        return;
    QTreeWidgetItem* item = sel.first();
    QTreeWidgetItem* owner = imageOf(item) == kColumnImage ? item->parent() : item;
    if (owner != item) {
        for (int i = 0; i < owner->childCount(); ++i)
            owner->child(i)->setSelected(true);
        return;
    }
    owner->setExpanded(true); // loads the columns
    for (int i = 0; i < owner->childCount(); ++i)
        owner->child(i)->setSelected(true);
}

void TqvObjectPalette::ExpandAll()
{
    const QList<QTreeWidgetItem*> sel = trvObject->selectedItems();
    if (sel.size() != 1 || sel.first()->childCount() == 0)
        return;
    const QString question = QStringLiteral("情報を取得するのに時間がかかる可能性があります。\r\nノードをすべて開きますか？");
    if (!(AskHook ? AskHook(question) : ShowMessageBox(question, MB_YESNO | MB_ICONQUESTION) == IDYES))
        return;
    WaitCursor cursor;
    trvObject->setUpdatesEnabled(false);
    std::function<void(QTreeWidgetItem*)> expand = [&](QTreeWidgetItem* item) {
        item->setExpanded(true);
        for (int i = 0; i < item->childCount(); ++i)
            if (item->child(i)->childCount() > 0)
                expand(item->child(i));
    };
    try {
        expand(sel.first());
    } catch (...) {
        trvObject->setUpdatesEnabled(true);
        throw;
    }
    trvObject->setUpdatesEnabled(true);
}

void TqvObjectPalette::CollapseAll()
{
    const QList<QTreeWidgetItem*> sel = trvObject->selectedItems();
    if (sel.size() != 1)
        return;
    std::function<void(QTreeWidgetItem*)> collapse = [&](QTreeWidgetItem* item) {
        for (int i = 0; i < item->childCount(); ++i)
            collapse(item->child(i));
        item->setExpanded(false);
    };
    collapse(sel.first());
}

void TqvObjectPalette::OpenObject(int image, const QString& database, const QString& objectText)
{
    IConnectionWindow* c = Conn();
    const ObjName n = SplitObjName(objectText);
    if (!c || n.name.isEmpty() || image < 0)
        return;
    if (QWidget* w = c->OpenObject(image, database, n.schema, n.name, omDefine, false, 0, QString()))
        if (TfrmMain* m = TfrmMain::instance())
            m->AddChildWindow(w);
}

void TqvObjectPalette::OpenDefineForTree()
{
    const QList<QTreeWidgetItem*> sel = trvObject->selectedItems();
    if (sel.size() != 1)
        return;
    QTreeWidgetItem* item = sel.first();
    const int level = levelOf(item);
    if (level == 4)
        item = item->parent();
    else if (level != 3)
        return;
    QTreeWidgetItem* db = ancestorAt(item, 1);
    OpenObject(imageOf(item), db ? db->text(0) : QString(), item->text(0));
}

void TqvObjectPalette::OpenDefineForList()
{
    const QList<QTreeWidgetItem*> sel = lstObject->selectedItems();
    if (sel.size() != 1)
        return;
    QTreeWidgetItem* item = sel.first();
    OpenObject(item->data(0, kImageRole).toInt(), item->data(0, kDatabaseRole).toString(), item->text(0));
}

// ---- keys and drops ----------------------------------------------------------------------------

bool TqvObjectPalette::eventFilter(QObject* watched, QEvent* e)
{
    TqvMemo* memo = m_frame->txtSQL;
    if (watched == memo->viewport()) {
        if (e->type() == QEvent::DragEnter || e->type() == QEvent::DragMove) {
            auto* d = static_cast<QDropEvent*>(e);
            if (!d->mimeData()->hasFormat(kMime))
                return false;
            memo->setFocus();
            int row = 0, col = 0;
            memo->PosToRowCol(d->position().toPoint().x(), d->position().toPoint().y(), true, col, row);
            const bool free = memo->Caret().FreeCaret;
            memo->Caret().FreeCaret = true;
            memo->SetRowCol(std::max(row, 0), std::max(col, 0));
            memo->Caret().FreeCaret = free;
            d->acceptProposedAction();
            return true;
        }
        if (e->type() == QEvent::Drop) {
            auto* d = static_cast<QDropEvent*>(e);
            if (!d->mimeData()->hasFormat(kMime))
                return false;
            try {
                DropAt(QString::fromUtf8(d->mimeData()->data(kMime)), d->position().toPoint());
            } catch (...) {
            }
            if (d->source() == trvObject)
                trvObject->clearSelection();
            d->acceptProposedAction();
            return true;
        }
        return false;
    }
    if (watched != trvObject && watched != lstObject)
        return false;
    const bool isTree = watched == trvObject;
    if (e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->modifiers() == Qt::ControlModifier && (k->key() == Qt::Key_Z || k->key() == Qt::Key_Y)) {
            QWidget* back = static_cast<QWidget*>(watched);
            memo->setFocus();
            if (k->key() == Qt::Key_Z && memo->CanUndo())
                memo->Undo();
            else if (k->key() == Qt::Key_Y && memo->CanRedo())
                memo->Redo();
            back->setFocus();
            return true;
        }
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            if (isTree)
                m_enterDown = true;
            else
                InsertAtCaret(ListText());
            return true;
        }
    }
    if (isTree && e->type() == QEvent::KeyRelease) {
        auto* k = static_cast<QKeyEvent*>(e);
        if ((k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) && !k->isAutoRepeat()) {
            const bool down = m_enterDown;
            m_enterDown = false;
            if (down)
                InsertAtCaret(TreeText());
            return true;
        }
    }
    return false;
}

} // namespace qv
