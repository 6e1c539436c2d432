#include "connection/object_window.h"
#include "connection/object_report.h"

#include "app/pickers.h"
#include "app/object_types.h"
#include "app/escape_watch.h"
#include "app/images.h"
#include "app/main_window.h"
#include "platform/db/connection.h"
#include "app/options.h"
#include "app/qvform.h"
#include "app/qvstrings.h"
#include "app/textfiles.h"
#include "app/wait_cursor.h"
#include "connection/fragment_delegate.h"
#include "connection/listing_fill.h"
#include "connection/object_list_view.h"
#include "connection/object_window_actions.h"
#include "objects/object_windows.h"
#include "controls/lists/qv_listview.h"
#include "controls/lists/qv_treeview.h"
#include "platform/exceptions.h"
#include "platform/messages.h"
#include "platform/registry.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QAction>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QRegularExpression>
#include <QSplitter>
#include <QStandardPaths>
#include <QToolButton>
#include <QVBoxLayout>

namespace qv {

namespace {
const QString ObjectKey = QStringLiteral("\\Software\\Velmora\\QVS22\\GUI\\OBJECT");
const char* const OwnerProperty = "qvOwnerForm";
// The tree panel is never narrower than this.
constexpr int TreeMinWidth = 30;
enum { WindowNormal = 0, WindowMinimized = 1, WindowMaximized = 2 };

QString S(const char* text)
{
    return QString::fromUtf8(text);
}

// Tree and list images by object-type code: the main image list.
QIcon TypeIcon(int code) { return imgMain(code); }

QToolButton* Button(QWidget* parent, const QString& hint, int image, bool checkable)
{
    auto* b = new QToolButton(parent);
    b->setToolTip(hint);
    b->setIcon(imgMain(image));
    b->setCheckable(checkable);
    b->setAutoRaise(true);
    return b;
}

TfrmMain* Main() { return TfrmMain::instance(); }

void SetStatusText(const QString& text)
{
    if (TfrmMain* m = Main())
        m->stsMain()->setPanelText(2, text);
}

void SetDefMessage()
{
    if (TfrmMain* m = Main())
        m->SetDefMessage();
}

TqvTreeNode* AddNodes(TqvTreeView* tree, TqvTreeNode* parent, const tree::Node& n, TqvTreeNode** selected)
{
    TqvTreeNode* node = tree->AddNode(parent, n.text);
    node->setData(0, Qt::UserRole, n.image);
    node->setIcon(0, TypeIcon(n.image));
    for (const tree::Node& c : n.children)
        AddNodes(tree, node, c, selected);
    if (n.expanded)
        node->setExpanded(true);
    if (n.selected && !*selected)
        *selected = node;
    return node;
}
} // namespace

QHash<int, WindowFactory>& WindowFactories()
{
    static QHash<int, WindowFactory> factories;
    static const bool registered = (RegisterDefinitionWindows(factories), true); // the built windows
    Q_UNUSED(registered);
    return factories;
}

TfrmPlaceholder::TfrmPlaceholder(TfrmObject* owner, const OpenRequest& r, QWidget* parent) : QWidget(parent)
{
    setProperty(OwnerProperty, QVariant::fromValue<QObject*>(owner));
    setAttribute(Qt::WA_DeleteOnClose);
    const QString name = r.schema.isEmpty() ? r.name : r.schema + QStringLiteral(".") + r.name;
    setWindowTitle(GetObjectTypeName(r.objectType) + QStringLiteral(" - ") + r.database + QStringLiteral(".") + name);
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(S("%1 (%2)").arg(name.isEmpty() ? S("(新規)") : name, GetObjectTypeName(r.objectType)), this);
    QFont f = title->font();
    f.setBold(true);
    title->setFont(f);
    layout->addWidget(title);
    layout->addWidget(new QLabel(S("データベース: %1").arg(r.database), this));
    layout->addWidget(new QLabel(S("このオブジェクトの定義ウィンドウ（%1）はまだ利用できません。").arg(DefinitionWindowClass(r.window)), this));
    layout->addStretch();
}

TfrmPlaceholder::TfrmPlaceholder(QObject* owner, const QString& windowClass, const QString& caption, QWidget* parent)
    : QWidget(parent)
{
    setProperty(OwnerProperty, QVariant::fromValue<QObject*>(owner));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(caption);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(S("このウィンドウ（%1）はまだ利用できません。").arg(windowClass), this));
    layout->addStretch();
}

TfrmObject::TfrmObject(QWidget* parent, const QString& sid, const QString& userId, const QString& password,
                       const QString& server, std::shared_ptr<db::DriverConnection> driver, int versionOverride)
    : QWidget(parent), m_session(new TObjectSession(this))
{
    buildUi();
    m_actions = new TObjectActions(this);
    SetCommandList();
    SetReportList();
    SetShortCut();
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    auto restore = [] {
        QGuiApplication::restoreOverrideCursor();
        SetDefMessage();
    };
    m_userId = userId;
    SetStatusText(S("データベースに接続中です．．．"));
    try {
        m_session->Connect(sid, userId, password, server, versionOverride, std::move(driver));
        TObjectSession& s = *m_session;
        setWindowTitle(S("オブジェクトリスト - ") + s.g_UserID + QStringLiteral(" @ ") + server + QStringLiteral(".") +
                       s.g_DataBase);
        setWindowIcon(TypeIcon(94));
        // The window takes its MDI frame; the main window lists the connection and tells
        // every child window.
        if (TfrmMain* m = Main()) {
            m->AddChildWindow(this);
            m_registered = true;
            m->AddConnection(this);
        }
        (qvOption.TreeSort == 1 ? btnTree2 : btnTree1)->setChecked(true);
        Disp = 0;
        TqvRegistry reg;
        if (reg.OpenKeyReadOnly(ProjectKey(s.dmSQLServer->Server())))
            Disp = reg.GetInteger(QStringLiteral("Disp"), 0);
        if (s.IsAzure) {
            Disp = tree::DispLogin;
            cmbTree->clear();
            cmbTree->addItem(S("ログインDB"));
            cmbTree->setCurrentIndex(0);
        } else {
            cmbTree->setCurrentIndex(qBound(0, Disp, 2));
        }
        ShowTree();
        btnLevel0->setChecked(qvOption.ShowLevel0);
        btnLevel1->setChecked(qvOption.ShowLevel1);
        LoadWindowSettings();
        // The list style follows the main window's view menu.
        if (TfrmMain* m = Main())
            if (QAction* list = m->action(QStringLiteral("mnuDispList")); list && list->isChecked())
                SetObjectListDetails(false);
        pnlFind->setVisible(qvOption.Find);
        lstObject->setSelectionBehavior(qvOption.RowSelect ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
        btnShowFragment->setChecked(qvOption.ShowFragment && !s.IsAzure);
        QStringList history;
        const QString all = QStringLiteral("%");
        LoadWhereHistory(all, all, all, all, history);
        cmbFind->addItems(history);
        cmbFind->setCurrentIndex(-1);
        cmbFind->setEditText(QString());
        if (TfrmMain* m = Main())
            createTaskButton(m);
    } catch (...) {
        // The half-built window leaves the main window's list and its frame before it goes.
        if (m_registered) {
            m_registered = false;
            Main()->RemoveConnection(this);
        }
        delete m_taskButton.data();
        if (QWidget* f = frame(); f != this) {
            setParent(nullptr);
            delete f;
        }
        m_closed = true;
        m_session->Disconnect();
        restore();
        throw;
    }
    restore();

    connect(lstTree, &QTreeWidget::currentItemChanged, this, [this] {
        m_actions->actShowFragmentUpdate();
        ShowObject(false);
    });
    connect(btnTree1, &QToolButton::clicked, this, [this] {
        btnTree1->setChecked(true);
        btnTree2->setChecked(false);
        qvOption.TreeSort = 0;
        btnLevel1->setToolTip(S("ユーザー選択時にオブジェクト一覧を表示する"));
        ShowTree();
    });
    connect(btnTree2, &QToolButton::clicked, this, [this] {
        btnTree2->setChecked(true);
        btnTree1->setChecked(false);
        qvOption.TreeSort = 1;
        btnLevel1->setToolTip(S("オブジェクトタイプ選択時にオブジェクト一覧を表示する"));
        ShowTree();
    });
    connect(btnLevel0, &QToolButton::toggled, this, [](bool on) { qvOption.ShowLevel0 = on; });
    connect(btnLevel1, &QToolButton::toggled, this, [](bool on) { qvOption.ShowLevel1 = on; });
    connect(cmbTree, qOverload<int>(&QComboBox::activated), this, [this](int index) {
        if (!m_session->IsAzure) {
            // "設定" first asks which databases to show; cancelled, the display stays as it was.
            if (index == tree::DispConfigured && !TfrmProject::ShowWindow(this)) {
                cmbTree->setCurrentIndex(qBound(0, Disp, 2));
                lstTree->setFocus();
                return;
            }
            Disp = index;
        }
        ShowTree();
        lstTree->setFocus();
    });
    connect(btnShowFragment, &QToolButton::toggled, this, [this] { ShowObject(false); });
    connect(cmbFind->lineEdit(), &QLineEdit::returnPressed, this, [this] { ShowObject(false); });
    connect(lstObject, &QTreeWidget::itemDoubleClicked, this, [this] { actOpenExecute(); });
    lstObject->installEventFilter(this);
    wireActions();
}

void TfrmObject::wireActions()
{
    // The list's keys, edit commands and context menu reach the object-list commands.
    TObjectActions* a = m_actions;
    lstObject->onRename = [a] { a->StartRename(); };
    lstObject->onDelete = [a] { a->action(QStringLiteral("actDelete"))->trigger(); };
    lstObject->onCopy = [a] {
        a->mnuObjectClick();
        if (QAction* c = a->action(QStringLiteral("actCopy")); c->isEnabled())
            c->trigger();
    };
    lstObject->onPaste = [a] {
        a->mnuObjectClick();
        if (QAction* p = a->action(QStringLiteral("actPaste")); p->isEnabled())
            p->trigger();
    };
    lstObject->onContextMenu = [a](const QPoint& pos) { a->mnuObject->popup(pos); };
    connect(lstObject, &QTreeWidget::itemClicked, a, [a] { a->mnuObjectClick(); });
    connect(lstObject, &QTreeWidget::itemSelectionChanged, this, [] { SetDefMessage(); });
    lstTree->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lstTree, &QWidget::customContextMenuRequested, this, [this, a](const QPoint& pos) {
        // The tree selects on right click.
        if (QTreeWidgetItem* node = lstTree->itemAt(pos))
            lstTree->setCurrentItem(node);
        a->popTree->popup(lstTree->viewport()->mapToGlobal(pos));
    });
    if (auto* grep = findChild<QToolButton*>(QStringLiteral("btnGrep")))
        connect(grep, &QToolButton::clicked, a->action(QStringLiteral("actGrep")), &QAction::trigger);
    btnShowFragment->setToolTip(S("断片化の割合を表示します。(インデックス一覧)"));
    a->actShowFragmentUpdate();
    // The index list's figures are drawn as bars.
    m_fragmentDelegate = new TFragmentDelegate(lstObject);
    m_fragmentDelegate->ownDrawing = [this] {
        if (m_session->IsAzure)
            return false;
        if (!qvOption.TreeData)
            return true;
        QTreeWidgetItem* node = lstTree->currentItem();
        if (!node)
            return false;
        const QString index = QStringLiteral("INDEX");
        if (btnTree1->isChecked())
            return node->text(0) == index;
        return node->text(0) == index || (node->parent() && node->parent()->text(0) == index);
    };
    m_fragmentDelegate->barsShown = [this] {
        return m_session->Fragment_flg && m_session->Fragment_Gflg && btnShowFragment->isChecked();
    };
    lstObject->setItemDelegate(m_fragmentDelegate);
}

TfrmObject::~TfrmObject()
{
    if (!m_closed)
        formClose();
}

void TfrmObject::buildUi()
{
    setObjectName(QStringLiteral("frmObject"));
    pnlTree = new QWidget(this);
    auto* pnlTool = new QHBoxLayout;
    btnTree1 = Button(pnlTree, S("データベース→オブジェクト順に表示"), 121, true);
    btnTree2 = Button(pnlTree, S("オブジェクト→データベース順に表示"), 122, true);
    btnLevel0 = Button(pnlTree, S("サーバー選択時にオブジェクト一覧を表示する"), 123, true);
    btnLevel1 = Button(pnlTree, S("データベース選択時に従属オブジェクトを表示する"), 94, true);
    cmbTree = new QComboBox(pnlTree);
    cmbTree->addItems({S("すべてのDB"), S("ログインDB"), S("設定")});
    for (QToolButton* b : {btnTree1, btnTree2, btnLevel0, btnLevel1})
        pnlTool->addWidget(b);
    pnlTool->addWidget(cmbTree, 1);
    lstTree = new TqvTreeView(pnlTree);
    lstTree->setHeaderHidden(true);
    auto* treeLayout = new QVBoxLayout(pnlTree);
    treeLayout->setContentsMargins(0, 0, 0, 0);
    treeLayout->addLayout(pnlTool);
    treeLayout->addWidget(lstTree, 1);

    auto* pnlList = new QWidget(this);
    pnlFind = new QWidget(pnlList);
    auto* findLayout = new QHBoxLayout(pnlFind);
    findLayout->setContentsMargins(0, 0, 0, 0);
    auto* btnWhere = Button(pnlFind, S("検索"), 23, false);
    auto* btnGrep = Button(pnlFind, S("全文検索"), 24, false);
    btnGrep->setObjectName(QStringLiteral("btnGrep"));
    cmbFind = new QComboBox(pnlFind);
    cmbFind->setEditable(true);
    btnShowFragment = Button(pnlFind, S("断片化割合"), 138, true);
    findLayout->addWidget(btnWhere);
    findLayout->addWidget(btnGrep);
    findLayout->addWidget(cmbFind, 1);
    findLayout->addWidget(btnShowFragment);
    connect(btnWhere, &QToolButton::clicked, this, [this] { ShowObject(false); });
    lstObject = new TObjectListView(pnlList);
    lstObject->setObjectName(QStringLiteral("lstObject")); // the main window's work space takes drops from it
    lstObject->setDragEnabled(true);
    lstObject->setRootIsDecorated(false);
    lstObject->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstObject->setColumnCount(0);
    auto* listLayout = new QVBoxLayout(pnlList);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->addWidget(pnlFind);
    listLayout->addWidget(lstObject, 1);

    spl1 = new QSplitter(Qt::Horizontal, this);
    spl1->addWidget(pnlTree);
    spl1->addWidget(pnlList);
    spl1->setStretchFactor(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(spl1);
    resize(900, 560);
    spl1->setSizes({240, 660});
}

namespace {

// Fills target with copies of the items of the main window's menu source above its separator
// sepName: caption, shortcut (shown; the key stays the main window's) and tag.
void CopyMenuItems(QMenu* target, const QString& source, const QString& sepName, QObject* owner,
                   const std::function<void(QAction*)>& click)
{
    for (QAction* a : target->actions()) {
        target->removeAction(a);
        delete a;
    }
    TfrmMain* m = TfrmMain::instance();
    QMenu* menu = m ? m->menu(source) : nullptr;
    if (!menu)
        return;
    for (QAction* a : menu->actions()) {
        if (a->isSeparator() && a->objectName() == sepName)
            break;
        auto* copy = new QAction(a->text(), owner);
        copy->setShortcutContext(Qt::WidgetShortcut);
        copy->setShortcut(a->shortcut());
        copy->setData(a->data());
        QObject::connect(copy, &QAction::triggered, owner, [copy, click] { click(copy); });
        target->addAction(copy);
    }
}

} // namespace

void TfrmObject::SetCommandList()
{
    CopyMenuItems(m_actions->mnuCommand, S("mnuCommandMenu"), S("mnuTB1"), this,
                  [this](QAction* a) { UserCommandClick(a); });
}

void TfrmObject::SetReportList()
{
    CopyMenuItems(m_actions->mnuReport, S("mnuReportMenu"), S("mnuTB2"), this, [this](QAction* a) { ReportClick(a); });
}

void TfrmObject::ReportClick(QAction* item)
{
    if (item && !item->isVisible())
        return;
    report::RunListReport(*this, lstObject, item);
}

void TfrmObject::SetShortCut()
{
    // Each object-list action shows the key the user gave the main window's action; the key
    // itself is handled by the main window, so here it only acts while the menu has the focus.
    TfrmMain* m = TfrmMain::instance();
    if (!m)
        return;
    static const std::pair<const char*, const char*> kMap[] = {
        {"actNew", "actNew"},           {"actDelete", "actEditDelete"}, {"actOpen", "actOpen"},
        {"actOpenDefine", "actOpenDefine"}, {"actOpenSource", "actOpenSource"}, {"actOpenData", "actOpenData"},
        {"actOpenDataTop", "actOpenDataTop"}, {"actExec", "actExec"},   {"actScript", "actScript"},
        {"actPrint", "actPrint"},       {"actSynonym", "actSynonym"},   {"actCross", "actCross"},
        {"actMatrix", "actMatrix"},     {"actGrant", "actGrant"},       {"actAnalyze", "actAnalyze"},
        {"actGrep", "actGrep"},         {"actExport", "actExport"},     {"actLoad", "actLoad"},
        {"actBackUp", "actAdminBackup"}, {"actRestore", "actRestore"},  {"actComment", "actComment"},
        {"actAddWorkSpace", "actAddWorkSpace"},
    };
    for (const auto& [mine, main] : kMap) {
        QAction* target = m_actions->action(QLatin1String(mine));
        QAction* source = m->action(QLatin1String(main));
        if (!target || !source)
            continue;
        target->setShortcutContext(Qt::WidgetShortcut);
        target->setShortcut(source->shortcut());
    }
}

QWidget* TfrmObject::RunStoredProgram(const QString& database, const QString& schema, const QString& name, int objectType)
{
    ToolRequest r;
    r.window = S("TfrmExecProc");
    r.caption = S("実行 - ") + schema + QStringLiteral(".") + name;
    r.database = database;
    r.schema = schema;
    r.name = name;
    r.objectType = objectType;
    return m_actions->OpenTool(r);
}

// "オブジェクトリスト(&O)" stands in the main menu bar while this window is active.
QMenu* TfrmObject::MergeMenu() const { return m_actions->mnuObject; }

QStringList TfrmObject::configuredDatabases() const
{
    return StoredProjectDatabases(m_session->dmSQLServer->Server());
}

void TfrmObject::ShowTree()
{
    TObjectSession& s = *m_session;
    tree::Input in;
    s.GetDatabase(in.databases);
    in.server = s.dmSQLServer->Server();
    QString db = s.dmSQLServer->DataBase();
    if (db.size() >= 2 && db.startsWith(QLatin1Char('"')) && db.endsWith(QLatin1Char('"')))
        db = db.mid(1, db.size() - 2);
    in.connectionDb = db;
    in.configured = configuredDatabases();
    in.disp = Disp;
    in.typesFirst = btnTree2->isChecked();
    in.dbVer = s.DBVer;
    in.azure = s.IsAzure;
    const QSignalBlocker block(lstTree);
    lstTree->setUpdatesEnabled(false);
    if (m_actions)
        m_actions->FRSelected = nullptr;
    lstTree->clear();
    in.productVersion = s.ProductVersion();
    TqvTreeNode* selected = nullptr;
    TqvTreeNode* root = AddNodes(lstTree, nullptr, tree::Build(in, qvOption), &selected);
    root->setExpanded(true);
    if (selected) {
        lstTree->setCurrentItem(selected);
        lstTree->scrollToItem(selected, QAbstractItemView::PositionAtTop);
    }
    lstTree->setUpdatesEnabled(true);
}

QString TfrmObject::TaskCaption(const QString& login, const QString& server)
{
    const QString text = login + QStringLiteral("@") + server;
    return text.size() > 12 ? text.left(10) + QString(QChar(0x2026)) : text;
}

int TfrmObject::TreeLevel() const
{
    int level = -1;
    for (QTreeWidgetItem* n = lstTree->currentItem(); n; n = n->parent())
        ++level;
    return level;
}

void TfrmObject::saveColumnWidths()
{
    if (lstObject->columnCount() == 0 || FViewType.isEmpty())
        return;
    TqvRegistry reg;
    if (!reg.OpenKey(ObjectKey, true))
        return;
    for (int c = 0; c < lstObject->columnCount(); ++c)
        reg.WriteInteger(FViewType + QString::number(c), lstObject->columnWidth(c));
}

void TfrmObject::ShowObject(bool isGrep)
{
    saveColumnWidths();
    lstObject->clear();
    lstObject->setColumnCount(0); // a node that lists nothing shows no columns either
    QTreeWidgetItem* node = lstTree->currentItem();
    if (!node)
        return;
    const int level = TreeLevel();
    const tree::ListTarget target = tree::TargetFor(level, node->text(0), node->parent() ? node->parent()->text(0) : QString(),
                                                    btnTree2->isChecked(), Disp, m_session->g_DataBase, qvOption);
    if (!target.list)
        return;
    TObjectSession::ListingRequest req;
    req.type = target.type;
    req.database = target.database;
    req.disp = Disp;
    req.configured = configuredDatabases();
    req.pattern = listing::NamePattern(qvOption.Find, cmbFind->currentText(), qvOption.FindAuto, isGrep);
    if (qvOption.Find && !isGrep && !cmbFind->currentText().trimmed().isEmpty()) {
        const QString text = cmbFind->currentText().trimmed();
        req.findText = text;
        // The text moves to the top of the find history, which is stored.
        QStringList history;
        for (int i = 0; i < cmbFind->count(); ++i)
            history << cmbFind->itemText(i);
        history.removeAll(text);
        history.prepend(text);
        while (history.size() > 20)
            history.removeLast();
        const QSignalBlocker block(cmbFind);
        cmbFind->clear();
        cmbFind->addItems(history);
        cmbFind->setCurrentIndex(0);
        const QString all = QStringLiteral("%");
        SaveWhereHistory(all, all, all, all, history);
    }
    req.treeData = qvOption.TreeData;
    req.showSysObj = qvOption.ShowSysObj;
    req.fragmentDown = btnShowFragment->isChecked();

    const listing::Layout layout = listing::ChooseLayout(req.type, req.treeData);
    const auto columns = listing::Columns(layout, m_session->Kind(), req.fragmentDown);
    FViewType = listing::ViewType(layout);
    QStringList captions;
    for (const listing::Column& c : columns)
        captions << c.caption;
    lstObject->setColumnCount(static_cast<int>(columns.size()));
    lstObject->setHeaderLabels(captions);
    TqvRegistry reg;
    const bool open = reg.OpenKeyReadOnly(ObjectKey);
    for (int c = 0; c < static_cast<int>(columns.size()); ++c)
        lstObject->setColumnWidth(c, open ? reg.GetInteger(columns[c].valueName, columns[c].width) : columns[c].width);

    listing::ListFill fill(lstObject, qvOption.Progress, TypeIcon);
    TObjectSession::ListingHooks hooks;
    hooks.escapePressed = [] { return Main() && EscapePressed(); };
    hooks.addEntry = [&fill](const listing::Entry& e) { fill.Add(e); };
    if (TfrmMain* m = Main())
        m->SetLoopMessage(0, 0);
    try {
        m_session->ListObjects(req, hooks);
    } catch (...) {
        SetDefMessage();
        throw; // the fill drops what it collected and resumes painting
    }
    fill.Finish();
    SetDefMessage();
}

QWidget* TfrmObject::OpenObject(int objectType, const QString& database, const QString& schema, const QString& objectName,
                                TOpenMode mode, bool /*showRefObject*/, int defTopRecord, const QString& parentObject)
{
    ListSelection sel;
    if (QTreeWidgetItem* item = lstObject->currentItem(); item && item->isSelected()) {
        sel.hasItem = true;
        for (int c = 1; c < qMax(item->columnCount(), lstObject->columnCount()); ++c)
            sel.subItems << item->text(c);
    }
    sel.treeLevel = TreeLevel();
    sel.treeSort = btnTree2->isChecked() ? 1 : 0;
    return OpenWindow(ResolveOpen(objectType, database, schema, objectName, mode, defTopRecord, parentObject, sel));
}

QWidget* TfrmObject::OpenWindow(const OpenRequest& r)
{
    if (r.window == DefinitionWindow::None)
        return nullptr;
    try {
        const auto factory = WindowFactories().value(static_cast<int>(r.window));
        QWidget* w = factory ? factory(this, r) : new TfrmPlaceholder(this, r);
        if (w)
            w->setProperty(OwnerProperty, QVariant::fromValue<QObject*>(this));
        return w;
    } catch (const std::exception&) {
        return nullptr;
    }
}

void TfrmObject::actOpenExecute()
{
    m_actions->actOpenExecute();
}

bool TfrmObject::eventFilter(QObject* watched, QEvent* e)
{
    // Enter in the list opens the selected rows; while a caption is edited (the focus is in
    // the list's editor) Enter belongs to the edit.
    const QWidget* focus = QApplication::focusWidget();
    const bool editing = focus && focus != lstObject && lstObject->isAncestorOf(focus);
    if (watched == lstObject && e->type() == QEvent::KeyPress && !editing) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            actOpenExecute();
            return true;
        }
    }
    return QWidget::eventFilter(watched, e);
}

bool TfrmObject::CloseQuery()
{
    if (!Main())
        return true;
    const QList<QWidget*> children = Main()->MDIChildren();
    for (qsizetype i = children.size() - 1; i >= 0; --i) {
        QWidget* w = children.at(i);
        if (!w || w == this)
            continue;
        auto* form = qobject_cast<TqvForm*>(w);
        if (form ? form->OwnerForm() != this : w->property(OwnerProperty).value<QObject*>() != this)
            continue;
        if (form) {
            if (!form->CloseQuery())
                return false;
            continue;
        }
        bool ok = true;
        if (w->metaObject()->indexOfMethod("CloseQuery()") >= 0)
            QMetaObject::invokeMethod(w, "CloseQuery", Qt::DirectConnection, Q_RETURN_ARG(bool, ok));
        if (!ok)
            return false;
    }
    return true;
}

void TfrmObject::closeEvent(QCloseEvent* event)
{
    if (!CloseQuery()) {
        event->ignore();
        return;
    }
    formClose();
    event->accept();
}

void TfrmObject::formClose()
{
    if (m_closed)
        return;
    m_closed = true;
    TfrmMain* main = m_registered ? Main() : nullptr;
    SetStatusText(QString());
    if (main)
        main->ShowWorkSpace(this);
    SaveWindowSettings();
    saveColumnWidths();
    db::Connection* con = m_session->dmSQLServer->Connection;
    try {
        if (con->Connected() && con->InTransaction())
            con->Commit();
    } catch (const std::exception&) {
    }
    {
        TqvRegistry reg;
        if (reg.OpenKey(ProjectKey(m_session->dmSQLServer->Server()), true))
            reg.WriteInteger(QStringLiteral("Disp"), Disp);
    }
    // The main window drops the connection from its list, selects its last one and tells
    // every child window; the session goes only after that.
    if (main) {
        m_registered = false;
        main->RemoveConnection(this);
    }
    delete m_taskButton.data();
    if (m_frameConn)
        disconnect(m_frameConn);
    m_session->Disconnect();
}

QWidget* TfrmObject::frame() const
{
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
        return sub;
    return const_cast<TfrmObject*>(this);
}

int TfrmObject::TreeMinimumWidth() const
{
    return qMax(TreeMinWidth, pnlTree->minimumSizeHint().width());
}

void TfrmObject::LoadWindowSettings()
{
    TqvRegistry reg;
    const bool open = reg.OpenKeyReadOnly(ObjectKey);
    QWidget* f = frame();
    auto* sub = qobject_cast<QMdiSubWindow*>(f);
    TfrmMain* main = Main();
    // The size belongs to the normal state (it is also what a maximised window restores to).
    if (open && !f->isMaximized() && !f->isMinimized())
        f->resize(reg.GetInteger(QStringLiteral("Width"), f->width()), reg.GetInteger(QStringLiteral("Height"), f->height()));
    if (open && sub && main && main->MDIChildren() == QList<QWidget*>{this}) {
        // A stored minimised state opens normal.
        if (reg.GetInteger(QStringLiteral("WindowState"), 0) == WindowMaximized)
            sub->showMaximized();
        else if (sub->isMinimized() || sub->isMaximized())
            sub->showNormal();
    }
    if (f->layout())
        f->layout()->activate();
    layout()->activate();
    const int current = spl1->sizes().value(0);
    const int tree = qMax(open ? reg.GetInteger(QStringLiteral("TreeWidth"), current) : current, TreeMinimumWidth());
    const int total = qMax(spl1->width(), tree + 1);
    spl1->setSizes({tree, total - tree});
}

void TfrmObject::SaveWindowSettings()
{
    TqvRegistry reg;
    if (!reg.OpenKey(ObjectKey, true))
        return;
    const QWidget* f = frame();
    const int state = f->isMaximized() ? WindowMaximized : f->isMinimized() ? WindowMinimized : WindowNormal;
    reg.WriteInteger(QStringLiteral("WindowState"), state);
    if (state == WindowNormal) {
        reg.WriteInteger(QStringLiteral("Width"), f->width());
        reg.WriteInteger(QStringLiteral("Height"), f->height());
    }
    if (const int tree = spl1->sizes().value(0); tree > 0)
        reg.WriteInteger(QStringLiteral("TreeWidth"), tree);
}

void TfrmObject::FormActivate()
{
    TfrmMain* main = Main();
    if (!main || !m_registered)
        return;
    // The item of this window (not just one with the same text: two windows may show the
    // same connection text).
    QComboBox* cmb = main->cmbDBName();
    const int i = cmb->findData(QVariant::fromValue(reinterpret_cast<quintptr>(static_cast<IConnectionWindow*>(this))));
    if (i >= 0 && i != cmb->currentIndex())
        cmb->setCurrentIndex(i);
    main->cmbDBNameChange();
    if (m_taskButton)
        m_taskButton->setChecked(true);
}

bool TfrmObject::event(QEvent* e)
{
    if (e->type() == messageEventType(WM_RELOAD)) {
        ShowObject(false);
        return true;
    }
    if (e->type() == QEvent::WindowTitleChange && m_taskButton)
        m_taskButton->setText(windowTitle());
    if (e->type() == QEvent::ParentChange) {
        if (m_frameConn)
            disconnect(m_frameConn);
        if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
            m_frameConn = connect(sub, &QMdiSubWindow::windowStateChanged, this,
                                  [this](Qt::WindowStates before, Qt::WindowStates now) {
                                      if (!(before & Qt::WindowActive) && (now & Qt::WindowActive))
                                          FormActivate();
                                  });
    }
    return QWidget::event(e);
}

void TfrmObject::Commit()
{
    db::Connection* c = m_session->dmSQLServer->Connection;
    if (c->InTransaction())
        c->Commit();
}

void TfrmObject::Rollback()
{
    db::Connection* c = m_session->dmSQLServer->Connection;
    if (c->InTransaction())
        c->Rollback();
}

void TfrmObject::StartTransaction()
{
    db::Connection* c = m_session->dmSQLServer->Connection;
    if (c->Connected() && !c->InTransaction())
        c->StartTransaction();
}

void TfrmObject::createTaskButton(TfrmMain* main)
{
    // The window's button on the main task bar: brings the window forward.
    auto* a = new QAction(main->tolTask());
    a->setCheckable(true);
    a->setText(TaskCaption(m_session->g_UserID, m_session->g_Server));
    a->setToolTip(windowTitle());
    a->setIcon(TypeIcon(94));
    main->taskGroup()->addAction(a);
    main->tolTask()->addAction(a);
    a->setChecked(true);
    a->setData(QVariant::fromValue<QObject*>(this));
    connect(a, &QAction::triggered, this, [this] {
        if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) {
            if (sub->isMinimized())
                sub->showNormal();
            if (sub->mdiArea())
                sub->mdiArea()->setActiveSubWindow(sub);
        }
    });
    m_taskButton = a;
}

int TfrmObject::ObjectCount() const { return lstObject->topLevelItemCount(); }

int TfrmObject::SelectedObjectCount() const { return static_cast<int>(lstObject->selectedItems().size()); }

void TfrmObject::SetObjectListDetails(bool details) { lstObject->setHeaderHidden(!details); }

void TfrmObject::NewObject(int objectType)
{
    QWidget* w = OpenObject(objectType, m_session->g_DataBase, m_session->g_Schema, QString(), omDefine, false, 0,
                            QString());
    if (w && Main())
        Main()->AddChildWindow(w);
}

} // namespace qv
