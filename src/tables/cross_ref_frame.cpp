#include "tables/cross_ref_frame.h"

#include "app/connection_window_iface.h"
#include "app/images.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/options.h"
#include "app/qvform.h"
#include "app/wait_cursor.h"
#include "connection/object_session.h"
#include "connection/object_window.h"
#include "controls/lists/qv_treeview.h"
#include "platform/db/query.h"
#include "platform/exceptions.h"
#include "tables/define_frame.h"

#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>

namespace qv {

namespace {
constexpr int ImageRole = Qt::UserRole + 7;

int Box(const QString& text, int flags)
{
    return TfrmDefine::MessageHook ? TfrmDefine::MessageHook(text, flags) : ShowMessageBox(text, flags);
}
} // namespace

TfraCross::TfraCross(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("fraCross"));
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);

    pnlTop = new QWidget(this);
    pnlTop->setObjectName(QStringLiteral("pnlTop"));
    auto* top = new QHBoxLayout(pnlTop);
    top->setContentsMargins(6, 6, 6, 6);
    grpShowObject = new QGroupBox(QStringLiteral(" 表示対象オブジェクト "), pnlTop);
    grpShowObject->setObjectName(QStringLiteral("grpShowObject"));
    auto* buttons = new QHBoxLayout(grpShowObject);
    struct B {
        QToolButton** slot;
        const char* name;
        int type;
        const char* hint;
    };
    const B defs[] = {{&btnTree1Table, "btnTree1Table", 45, "テーブル"},
                      {&btnTree1Index, "btnTree1Index", 46, "インデックス"},
                      {&btnTree1View, "btnTree1View", 47, "ビュー"},
                      {&btnTree1Proc, "btnTree1Proc", 51, "プロシージャ"},
                      {&btnTree1Func, "btnTree1Func", 52, "ファンクション"},
                      {&btnTree1Trigger, "btnTree1Trigger", 57, "トリガー"},
                      {&btnTree1Sequence, "btnTree1Sequence", 58, "シーケンス"},
                      {&btnTree1Synonym, "btnTree1Synonym", 60, "シノニム"}};
    for (const B& d : defs) {
        auto* b = new QToolButton(grpShowObject);
        b->setObjectName(QString::fromLatin1(d.name));
        b->setCheckable(true);
        b->setChecked(true);
        b->setAutoRaise(true);
        b->setIcon(imgMain(d.type));
        b->setToolTip(QString::fromUtf8(d.hint));
        b->setProperty("objType", d.type);
        *d.slot = b;
        m_typeButtons << b;
        buttons->addWidget(b);
    }
    btnDbSelect = new QPushButton(QStringLiteral("別DBのオブジェクトを対象にする"), grpShowObject);
    btnDbSelect->setObjectName(QStringLiteral("btnDbSelect"));
    buttons->addSpacing(12);
    buttons->addWidget(btnDbSelect);
    buttons->addStretch(1);
    top->addWidget(grpShowObject, 1);
    btnReload = new QPushButton(QStringLiteral("再表示"), pnlTop);
    btnReload->setObjectName(QStringLiteral("btnReload"));
    top->addWidget(btnReload, 0, Qt::AlignBottom);
    root->addWidget(pnlTop);

    splTree = new QSplitter(Qt::Horizontal, this);
    splTree->setObjectName(QStringLiteral("splTree"));
    splTree->setChildrenCollapsible(false);
    auto makeSide = [this](QWidget*& panel, TqvTreeView*& tree, const char* name, const QString& heading) {
        panel = new QWidget(splTree);
        panel->setObjectName(QString::fromLatin1(name));
        panel->setMinimumWidth(30);
        auto* l = new QVBoxLayout(panel);
        l->setContentsMargins(0, 0, 0, 0);
        l->setSpacing(0);
        auto* head = new QLabel(heading, panel);
        head->setFrameShape(QFrame::StyledPanel);
        head->setMargin(3);
        l->addWidget(head);
        tree = new TqvTreeView(panel);
        tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
        tree->setContextMenuPolicy(Qt::CustomContextMenu);
        l->addWidget(tree, 1);
        splTree->addWidget(panel);
    };
    makeSide(pnlTree1, lstTree1, "pnlTree1", QStringLiteral(" 【 参\u3000照 】"));
    makeSide(pnlTree2, lstTree2, "pnlTree2", QStringLiteral(" 【 被参照 】"));
    lstTree1->setObjectName(QStringLiteral("lstTree1"));
    lstTree2->setObjectName(QStringLiteral("lstTree2"));
    root->addWidget(splTree, 1);

    popTree = new QMenu(this);
    popOpen = popTree->addAction(imgMain(17), QStringLiteral("オブジェクト情報を表示"));
    popTree->addSeparator();
    popExpand = popTree->addAction(QStringLiteral("開く"));
    popCollapse = popTree->addAction(QStringLiteral("閉じる"));
    popExpandAll = popTree->addAction(QStringLiteral("全て開く"));
    popCollapseAll = popTree->addAction(QStringLiteral("全て閉じる"));
    auto onTree = [this](auto fn) {
        return [this, fn] {
            TqvTreeView* t = FocusedTree();
            if (t && t->currentItem())
                fn(t->currentItem());
        };
    };
    connect(popOpen, &QAction::triggered, this, [this] { popOpenClick(); });
    connect(popExpand, &QAction::triggered, this, onTree([](QTreeWidgetItem* i) { i->setExpanded(true); }));
    connect(popCollapse, &QAction::triggered, this, onTree([](QTreeWidgetItem* i) { i->setExpanded(false); }));
    connect(popExpandAll, &QAction::triggered, this,
            onTree([](QTreeWidgetItem* i) { i->treeWidget()->expandRecursively(i->treeWidget()->indexFromItem(i)); }));
    connect(popCollapseAll, &QAction::triggered, this, onTree([](QTreeWidgetItem* i) {
                std::function<void(QTreeWidgetItem*)> collapse = [&collapse](QTreeWidgetItem* n) {
                    for (int c = 0; c < n->childCount(); ++c)
                        collapse(n->child(c));
                    n->setExpanded(false);
                };
                collapse(i);
            }));
    for (TqvTreeView* t : {lstTree1, lstTree2}) {
        connect(t, &QWidget::customContextMenuRequested, this, [this, t](const QPoint& p) {
            if (QTreeWidgetItem* item = t->itemAt(p))
                t->setCurrentItem(item);
            t->setFocus();
            popTree->popup(t->viewport()->mapToGlobal(p));
        });
        connect(t, &QTreeWidget::itemDoubleClicked, this, [this, t](QTreeWidgetItem*, int) { popOpenClick(t); });
    }
    connect(btnReload, &QPushButton::clicked, this, [this] { btnReloadClick(); });
    connect(btnDbSelect, &QPushButton::clicked, this, [this] { btnDbSelectClick(); });
}

TqvForm* TfraCross::Form() const
{
    for (QWidget* w = parentWidget(); w; w = w->parentWidget())
        if (auto* f = qobject_cast<TqvForm*>(w))
            return f;
    return nullptr;
}

IConnectionWindow* TfraCross::Connection() const
{
    TqvForm* f = Form();
    return f ? f->OwnerForm() : nullptr;
}

TObjectSession* TfraCross::Session() const
{
    IConnectionWindow* conn = Connection();
    auto* window = conn ? dynamic_cast<TfrmObject*>(conn->connectionWidget()) : nullptr;
    if (!window)
        throw Exception(QStringLiteral("接続ウィンドウがありません。"));
    return window->session();
}

void TfraCross::UpdateButtons(int dbVer, bool azure)
{
    btnDbSelect->setVisible(!azure && dbVer >= 10);
    btnTree1Synonym->setEnabled(dbVer >= 9);
    btnTree1Sequence->setEnabled(dbVer >= 11 && !azure);
}

void TfraCross::LoadDbSelectNames(const QString& server)
{
    if (m_dbSelectNames.isEmpty())
        m_dbSelectNames = cross::LoadChoice(server);
    if (m_dbSelectNames.isEmpty())
        return;
    QStringList databases;
    if (IConnectionWindow* conn = Connection())
        conn->GetDatabase(databases);
    m_dbSelectNames = cross::KeepExisting(m_dbSelectNames, databases);
}

void TfraCross::ShowData(const QString& database, const QString& schema, const QString& objName)
{
    TqvForm* form = Form();
    if (!form)
        return;
    TObjectSession* s = Session();
    m_objType = form->ObjType();
    m_database = database;
    m_schema = schema;
    m_objName = objName;
    WaitCursor cursor;
    lstTree1->setUpdatesEnabled(false);
    lstTree2->setUpdatesEnabled(false);
    lstTree1->clear();
    lstTree2->clear();
    struct Resume {
        TfraCross* f;
        ~Resume()
        {
            f->lstTree1->setUpdatesEnabled(true);
            f->lstTree2->setUpdatesEnabled(true);
        }
    } resume{this};
    UpdateButtons(s->DBVer, s->IsAzure);
    LoadDbSelectNames(s->g_Server);

    cross::Context ctx;
    ctx.dbVer = s->DBVer;
    ctx.azure = s->IsAzure;
    ctx.database = database;
    ctx.chosen = m_dbSelectNames;
    ctx.crossLevel = qvOption.CrossLevel;
    for (QToolButton* b : m_typeButtons)
        if (!b->isChecked())
            ctx.hiddenTypes.insert(b->property("objType").toInt());
    // Every read is taken whole before the walk goes on, so the shared query serves all.
    cross::Reader reader = [s](const QString& sql, const QStringList& params) {
        db::Query* q = params.isEmpty() ? s->OpenSQL(sql) : s->OpenSQL(sql, params);
        QList<QVariantList> rows;
        for (q->First(); !q->Eof(); q->Next()) {
            QVariantList row;
            for (int i = 0; i < int(q->Fields().size()); ++i)
                row << q->Fields().at(i)->Value();
            rows << row;
        }
        q->Close();
        return rows;
    };
    cross::Walker walker(ctx, reader);
    Fill(lstTree1, nullptr, walker.References(schema, objName, m_objType), true);
    lstTree1->expandAll();
    Fill(lstTree2, nullptr, walker.ReferencedBy(schema, objName, m_objType), false);
    lstTree2->expandAll();
}

void TfraCross::Fill(TqvTreeView* tree, TqvTreeNode* parent, const cross::Node& node, bool left)
{
    TqvTreeNode* item = tree->AddNode(parent, node.text);
    item->setIcon(0, imgMain(node.image));
    item->setData(0, ImageRole, node.image);
    if (!node.subItems.isEmpty())
        item->SetSubItems(node.subItems);
    (void)left;
    for (const cross::Node& c : node.children)
        Fill(tree, item, c, left);
}

QStringList TfraCross::TreeLines(int tree) const
{
    const TqvTreeView* t = tree == 1 ? lstTree1 : lstTree2;
    QStringList out;
    std::function<void(QTreeWidgetItem*, int)> walk = [&](QTreeWidgetItem* i, int level) {
        out << QString(level, u'\t') + i->text(0);
        for (int c = 0; c < i->childCount(); ++c)
            walk(i->child(c), level + 1);
    };
    for (int i = 0; i < t->topLevelItemCount(); ++i)
        walk(t->topLevelItem(i), 0);
    return out;
}

void TfraCross::btnReloadClick()
{
    WaitCursor cursor;
    ShowData(m_database, m_schema, m_objName);
}

void TfraCross::btnDbSelectClick()
{
    IConnectionWindow* conn = Connection();
    if (!conn)
        return;
    QStringList names = m_dbSelectNames;
    if (!Tfrmdbselect::ShowWindow(conn, m_database, names))
        return;
    m_dbSelectNames = names;
    ShowData(m_database, m_schema, m_objName);
    cross::SaveChoice(Session()->g_Server, m_dbSelectNames);
}

TqvTreeView* TfraCross::FocusedTree() const
{
    QWidget* f = QApplication::focusWidget();
    if (f == lstTree1 || f == lstTree2)
        return static_cast<TqvTreeView*>(f);
    return nullptr;
}

void TfraCross::popOpenClick(TqvTreeView* tree)
{
    try {
        TqvTreeView* t = tree ? tree : FocusedTree();
        if (!t)
            return;
        auto* node = static_cast<TqvTreeNode*>(t->currentItem());
        if (!node)
            return;
        QString schema, name, database;
        const QStringList sub = node->SubItems();
        if (t == lstTree1) {
            if (sub.size() < 3)
                return;
            schema = sub.at(0);
            name = sub.at(1);
            database = sub.at(2);
        } else if (sub.size() >= 3) {
            schema = sub.at(1);
            name = sub.at(2);
            database = sub.at(0);
        } else {
            const QString text = node->text(0);
            const qsizetype dot = text.indexOf(u'.');
            if (dot < 0)
                return;
            schema = text.left(dot);
            name = text.mid(dot + 1);
        }
        if (schema.isEmpty() || name.isEmpty())
            return;
        if (database.isEmpty() || database == m_database)
            database = m_database;
        const int type = node->data(0, ImageRole).toInt();
        IConnectionWindow* conn = Connection();
        if (!conn)
            return;
        conn->OpenObject(type, database, schema, name, qvOption.OpenMode, true, 0, QString());
        if (TfrmMain* main = TfrmMain::instance())
            main->RecentObjectCheck(type, database, schema, name, QString());
    } catch (...) {
        // Opening a node's object never reports an error from here.
    }
}

void TfraCross::FrameResize()
{
    const int w = qMax(0, (width() - splTree->handleWidth()) / 2);
    splTree->setSizes({w, qMax(0, width() - splTree->handleWidth() - w)});
}

void TfraCross::resizeEvent(QResizeEvent* e)
{
    QFrame::resizeEvent(e);
    FrameResize();
}

// ---- the picker ---------------------------------------------------------------------------

std::function<int(Tfrmdbselect&)> Tfrmdbselect::ExecHook;

Tfrmdbselect::Tfrmdbselect(IConnectionWindow* owner, QWidget* parent) : QDialog(parent)
{
    (void)owner;
    setObjectName(QStringLiteral("frmdbselect"));
    setWindowTitle(QStringLiteral("参照データベース"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    auto* l = new QVBoxLayout(this);
    l->addWidget(new QLabel(QStringLiteral("参照するDB"), this));
    chkUserList = new QListWidget(this);
    chkUserList->setObjectName(QStringLiteral("chkUserList"));
    l->addWidget(chkUserList, 1);
    auto* row = new QHBoxLayout;
    btnSelectAll = new QPushButton(QStringLiteral("全て選択"), this);
    btnClearAll = new QPushButton(QStringLiteral("全て選択解除"), this);
    btnOk = new QPushButton(QStringLiteral("OK"), this);
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    row->addWidget(btnSelectAll);
    row->addWidget(btnClearAll);
    row->addStretch(1);
    row->addWidget(btnOk);
    row->addWidget(btnCancel);
    l->addLayout(row);
    auto tickAll = [this](bool on) {
        chkUserList->setUpdatesEnabled(false);
        for (int i = 0; i < chkUserList->count(); ++i)
            chkUserList->item(i)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
        chkUserList->setUpdatesEnabled(true);
    };
    connect(btnSelectAll, &QPushButton::clicked, this, [tickAll] { tickAll(true); });
    connect(btnClearAll, &QPushButton::clicked, this, [tickAll] { tickAll(false); });
    connect(btnOk, &QPushButton::clicked, this, [this] { btnOkClick(); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    resize(320, 360);
}

void Tfrmdbselect::SetChecks(const QStringList& names)
{
    for (int i = 0; i < chkUserList->count(); ++i) {
        QListWidgetItem* item = chkUserList->item(i);
        const bool on = names.isEmpty() || names.contains(item->text(), Qt::CaseInsensitive);
        item->setCheckState(on ? Qt::Checked : Qt::Unchecked);
    }
}

QStringList Tfrmdbselect::GetChecks() const
{
    QStringList out;
    for (int i = 0; i < chkUserList->count(); ++i)
        if (chkUserList->item(i)->checkState() == Qt::Checked)
            out << chkUserList->item(i)->text();
    return out;
}

void Tfrmdbselect::btnOkClick()
{
    if (GetChecks().isEmpty()) {
        Box(QStringLiteral("参照するデータベースを最低一つは選択して下さい。"), MB_OK | MB_ICONWARNING);
        chkUserList->setFocus();
        return;
    }
    accept();
}

bool Tfrmdbselect::ShowWindow(IConnectionWindow* owner, const QString& dbName, QStringList& dbselectNames)
{
    (void)dbName;
    Tfrmdbselect dlg(owner, owner ? owner->connectionWidget() : nullptr);
    QStringList databases;
    if (owner)
        owner->GetDatabase(databases);
    for (const QString& d : databases) {
        auto* item = new QListWidgetItem(d, dlg.chkUserList);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    dlg.SetChecks(dbselectNames);
    const int result = ExecHook ? ExecHook(dlg) : dlg.exec();
    if (result != QDialog::Accepted)
        return false;
    dbselectNames = dlg.GetChecks();
    return true;
}

} // namespace qv
