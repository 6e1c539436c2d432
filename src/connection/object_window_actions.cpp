#include "connection/object_window_actions.h"

#include "connection/object_paste.h"

#include "app/application.h"
#include "app/escape_watch.h"
#include "app/images.h"
#include "app/main_window.h"
#include "app/object_types.h"
#include "app/wait_cursor.h"
#include "app/workspace.h"
#include "connection/ddl_exec.h"
#include "connection/ddl_preview.h"
#include "connection/object_list_view.h"
#include "connection/object_window.h"
#include "controls/lists/qv_treeview.h"
#include "objects/object_windows.h"
#include "platform/db/connection.h"
#include "platform/db/query.h"
#include "platform/exceptions.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QSet>
#include <QToolButton>
#include <QVBoxLayout>

namespace qv {

namespace {
const char* const OwnerProperty = "qvOwnerForm";

QString S(const char* text) { return QString::fromUtf8(text); }

TfrmMain* Main() { return TfrmMain::instance(); }

// The first field of the first row of a query, "" without a row.
QString FirstValue(TObjectSession* s, const QString& sql, const QStringList& params = {})
{
    db::Query* q = s->OpenSQL(sql, params);
    QString value;
    if (!q->Eof())
        for (db::Field* f : q->Fields()) {
            value = f->AsString();
            break;
        }
    try {
        q->Close();
    } catch (const std::exception&) {
    }
    return value;
}

// Whether a query gives at least one row.
bool HasRow(TObjectSession* s, const QString& sql, const QStringList& params)
{
    db::Query* q = s->OpenSQL(sql, params);
    const bool found = !q->Eof();
    try {
        q->Close();
    } catch (const std::exception&) {
    }
    return found;
}

// An error raised again with the object's name in front of its text.
[[noreturn]] void RethrowNamed(std::exception_ptr e, const actions::Row& row)
{
    try {
        std::rethrow_exception(e);
    } catch (const EAbort&) {
        throw;
    } catch (const EDatabaseError& x) {
        throw EDatabaseError(actions::NamedError(row, x.message()), x.sqlState(), x.nativeError());
    } catch (const std::exception&) {
        throw Exception(actions::NamedError(row, actions::ErrorText(e)));
    }
}
} // namespace

QHash<QString, ToolFactory>& ToolWindowFactories()
{
    static QHash<QString, ToolFactory> factories;
    static const bool registered = (RegisterToolWindows(factories), true); // the built tool windows
    Q_UNUSED(registered);
    return factories;
}

TfrmToolPlaceholder::TfrmToolPlaceholder(TfrmObject* owner, const ToolRequest& r, QWidget* parent) : QWidget(parent)
{
    setProperty(OwnerProperty, QVariant::fromValue<QObject*>(owner));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(r.caption);
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(r.caption, this);
    QFont f = title->font();
    f.setBold(true);
    title->setFont(f);
    layout->addWidget(title);
    if (!r.name.isEmpty() || !r.database.isEmpty()) {
        const QString name = r.schema.isEmpty() ? r.name : r.schema + QStringLiteral(".") + r.name;
        layout->addWidget(new QLabel(S("対象: %1").arg(r.database + (name.isEmpty() ? QString() : QStringLiteral(".") + name)), this));
    }
    layout->addWidget(new QLabel(S("このウィンドウ（%1）はまだ利用できません。").arg(r.window), this));
    layout->addStretch();
}

TObjectActions::Ui& TObjectActions::ui()
{
    static Ui u{
        [](const QString& text, int flags, const CheckList& checks) { return ShowCheckMessageBox(text, flags, checks); },
        [](const QString& text, int flags) { return ShowMessageBox(text, flags); },
        [](const QString& caption, const QString& prompt, QString& value, bool numeric, QString& owner,
           const QStringList& owners, const CheckList& checks) {
            return ShowInputDialog(caption, prompt, value, numeric, owner, owners, checks);
        },
        [] { return Main() && EscapePressed(); },
    };
    return u;
}

TObjectActions::Plugins& TObjectActions::plugins()
{
    // The object-script commands (object_script_commands.cpp, grep_window.cpp, object_paste.cpp).
    static Plugins s = [] {
        Plugins p;
        p.copy = [](TfrmObject* w) { w->actCopyExecute(); };
        p.paste = [](TfrmObject* w) { w->actPasteExecute(); };
        p.grep = [](TfrmObject* w) { w->actGrepExecute(); };
        p.script = [](TfrmObject* w) { w->actScriptExecute(); };
        p.clipboardHasEntries = [] { return !CopyObjectList().isEmpty(); };
        return p;
    }();
    return s;
}

TObjectActions::TObjectActions(TfrmObject* owner) : QObject(owner), m_w(owner)
{
    // New objects.
    const struct {
        const char* name;
        const char* caption;
        int type;
    } news[] = {{"actNewTable", "テーブル(&T)", 45},    {"actNewIndex", "インデックス(&I)", 46},
                {"actNewView", "ビュー(&V)", 47},       {"actNewProc", "プロシージャ(&P)", 51},
                {"actNewFunc", "ファンクション(&F)", 52}, {"actNewTrigger", "トリガー(&G)", 57},
                {"actNewSequence", "シーケンス(&Q)", 58}, {"actNewSynonym", "シノニム(&S)", 60},
                {"actNewConst", "制約(&N)", 66}};
    for (const auto& n : news) {
        const int type = n.type;
        add(QLatin1String(n.name), S(n.caption), [this, type] { NewObject(type); }, type);
    }
    add(QStringLiteral("actNew"), S("新規作成(&N)"), [this] { NewObject(listingType()); });
    add(QStringLiteral("actCopy"), S("コピー(&C)"), [this] { actCopyExecute(); });
    add(QStringLiteral("actPaste"), S("貼り付け(&V)"), [this] { actPasteExecute(); });
    add(QStringLiteral("actDelete"), S("削除(&D)"), [this] { actDeleteExecute(); });
    add(QStringLiteral("actOpen"), S("開く(&O)"), [this] { actOpenExecute(); });
    add(QStringLiteral("actOpenDefine"), S("定義情報を開く"), [this] { OpenRows(omDefine, 0); });
    add(QStringLiteral("actOpenData"), S("データを開く"), [this] { OpenRows(omData, 0); });
    add(QStringLiteral("actOpenDataTop"), S("データを開く(件数指定)"), [this] { actOpenDataTopExecute(); });
    add(QStringLiteral("actOpenSource"), S("ソースを開く"), [this] { OpenRows(omSource, 0); });
    add(QStringLiteral("actIndexReorganize"), S("再編成(REORGANIZE)"), [this] { IndexCommand(index::Command::Reorganize); });
    add(QStringLiteral("actIndexRebuild"), S("再構築(REBUILD)"), [this] { IndexCommand(index::Command::Rebuild); });
    add(QStringLiteral("actIndexThreshold"), S("自動判定"), [this] { IndexCommand(index::Command::Automatic); });
    add(QStringLiteral("actScript"), S("スクリプト出力(&S)"), [this] {
        if (plugins().script)
            plugins().script(m_w);
        else
            placeholder(QStringLiteral("TfrmScriptOption"), S("スクリプト出力"));
    });
    add(QStringLiteral("actPrint"), S("印刷(&P)"), [this] {
        if (plugins().print)
            plugins().print(m_w);
        else
            placeholder(QStringLiteral("TfrmPrint"), S("選択したオブジェクト"));
    });
    add(QStringLiteral("actLoad"), S("BCP(&L)"), [this] { actLoadExecute(); });
    add(QStringLiteral("actGrant"), S("権限(&G)"), [this] {
        if (!SelectedItems().isEmpty())
            placeholder(QStringLiteral("TfrmGrant"), S("権限"));
    });
    add(QStringLiteral("actCross"), S("依存関係 - クロスリファレンス(&F)"), [this] { actCrossExecute(); });
    add(QStringLiteral("actMatrix"), S("マトリックス表(&M)"), [this] {
        if (!SelectedItems().isEmpty())
            placeholder(QStringLiteral("TfrmMatrix"), S("マトリックス表"));
    });
    add(QStringLiteral("actAnalyze"), S("統計情報(&A)"), [this] { placeholder(QStringLiteral("TfrmAnalyze"), S("統計情報")); });
    add(QStringLiteral("actComment"), S("コメントチェック(&O)"), [this] {
        if (!SelectedItems().isEmpty())
            placeholder(QStringLiteral("TfrmComment"), S("コメントチェック"));
    }, 88);
    add(QStringLiteral("actExec"), S("実行(&E)"), [this] { actExecExecute(); });
    add(QStringLiteral("actConstEnable"), S("制約を有効にする"), [this] { ConstraintSwitch(true); });
    add(QStringLiteral("actConstDisable"), S("制約を無効にする"), [this] { ConstraintSwitch(false); });
    add(QStringLiteral("actSynonym"), S("シノニム作成(&Y)"), [this] { actSynonymExecute(); });
    add(QStringLiteral("actGrep"), S("全文検索"), [this] {
        if (plugins().grep)
            plugins().grep(m_w);
        else
            placeholder(QStringLiteral("TfrmGrep"), QStringLiteral("GREP"));
    });
    add(QStringLiteral("actAddWorkSpace"), S("ワークスペースに追加(&W)"), [this] { actAddWorkSpaceExecute(); });
    add(QStringLiteral("actShowFragment"), S("断片化割合表示"), [this] { m_w->ShowObject(false); });
    // Export has no effect of its own.
    add(QStringLiteral("actExport"), S("エクスポート(&R)"), [] {});
    add(QStringLiteral("actDBExport"), S("エクスポート(&P)"), [] {});
    // Tree popup.
    add(QStringLiteral("actLogon"), S("接続(&C)"), [this] { actLogonExecute(); });
    add(QStringLiteral("actUser"), S("ユーザー情報(&U)"), [this] { TreeWindow(QStringLiteral("TfrmUserList"), S("ユーザー情報"), {1, 116, 137}); });
    add(QStringLiteral("actSession"), S("プロセス情報(&S)"), [this] { TreeWindow(QStringLiteral("TfrmSession"), S("プロセス情報"), {1, 116}); });
    add(QStringLiteral("actLock"), S("ロック情報(&L)"), [this] { TreeWindow(QStringLiteral("TfrmLock"), S("ロック情報"), {1, 116}); });
    add(QStringLiteral("actStorage"), S("ファイルグループ情報(&F)"), [this] { TreeWindow(QStringLiteral("TfrmStorage"), S("ファイルグループ情報"), {1, 116}); });
    add(QStringLiteral("actDatabase"), S("データベース情報(&D)"), [this] { placeholder(QStringLiteral("TfrmDbList"), S("データベース情報")); });
    add(QStringLiteral("actJob"), S("ジョブ情報(&J)"), [this] { placeholder(QStringLiteral("TfrmJobList"), S("ジョブ情報")); });
    add(QStringLiteral("actBackUp"), S("バックアップ(&B)"), [this] { TreeWindow(QStringLiteral("TfrmBackup"), S("バックアップ"), {1, 116}); });
    add(QStringLiteral("actRestore"), S("復元(&R)"), [this] {
        // An exception of the restore window is swallowed.
        try {
            TreeWindow(QStringLiteral("TfrmRestore"), S("復元"), {1, 116});
        } catch (const std::exception&) {
        }
    });
    add(QStringLiteral("actDetach"), S("デタッチ(&T)"), [this] { actDetachExecute(); });
    buildMenus();
}

QAction* TObjectActions::add(const QString& name, const QString& caption, const std::function<void()>& handler, int image)
{
    auto* a = new QAction(caption, this);
    a->setObjectName(name);
    if (image >= 0)
        a->setIcon(imgMain(image));
    connect(a, &QAction::triggered, this, [handler] {
        try {
            handler();
        } catch (...) {
            HandleException(std::current_exception());
        }
    });
    m_actions.insert(name, a);
    return a;
}

void TObjectActions::buildMenus()
{
    auto A = [this](const char* n) { return m_actions.value(QLatin1String(n)); };
    mnuObject = new QMenu(S("オブジェクトリスト(&O)"), m_w);
    mnuObject->setObjectName(QStringLiteral("mnuObject"));
    // Opened from the main menu bar, the items follow the selection as they do in the pop-up.
    connect(mnuObject, &QMenu::aboutToShow, this, [this] { mnuObjectClick(); });
    mnuNew1 = mnuObject->addMenu(S("新規作成(&N)"));
    mnuNew1->setObjectName(QStringLiteral("mnuNew1"));
    for (const char* n : {"actNewTable", "actNewIndex", "actNewView", "actNewProc", "actNewFunc", "actNewTrigger",
                          "actNewSequence", "actNewSynonym", "actNewConst"})
        mnuNew1->addAction(A(n));
    m_actions.insert(QStringLiteral("mnuNew1"), mnuNew1->menuAction());
    mnuObject->addAction(A("actNew"));
    mnuObject->addAction(A("actCopy"));
    mnuObject->addAction(A("actPaste"));
    mnuObject->addAction(A("actDelete"));
    mnuObject->addSeparator();
    mnuObject->addAction(A("actOpenDefine"));
    mnuObject->addAction(A("actOpenData"));
    mnuObject->addAction(A("actOpenDataTop"));
    mnuObject->addAction(A("actOpenSource"));
    mnuIndexFragment = mnuObject->addMenu(S("インデックスの断片化解消"));
    mnuIndexFragment->setObjectName(QStringLiteral("mnuIndexFragment"));
    mnuIndexFragment->addAction(A("actIndexReorganize"));
    mnuIndexFragment->addAction(A("actIndexRebuild"));
    mnuIndexFragment->addAction(A("actIndexThreshold"));
    m_actions.insert(QStringLiteral("actIndexFragment"), mnuIndexFragment->menuAction());
    mnuObject->addSeparator();
    mnuObject->addAction(A("actScript"));
    mnuReport = mnuObject->addMenu(S("レポート出力(&X)"));
    mnuReport->setObjectName(QStringLiteral("mnuReport"));
    m_actions.insert(QStringLiteral("mnuReport"), mnuReport->menuAction());
    mnuObject->addAction(A("actPrint"));
    // The backup action stands here hidden (the tree popup offers it).
    QAction* exportItem = mnuObject->addAction(A("actBackUp")->text());
    exportItem->setObjectName(QStringLiteral("mnuExport"));
    exportItem->setVisible(false);
    connect(exportItem, &QAction::triggered, A("actBackUp"), &QAction::trigger);
    mnuObject->addAction(A("actLoad"));
    mnuObject->addSeparator();
    if (TfrmMain* m = Main())
        if (QAction* field = m->action(QStringLiteral("actViewField")))
            mnuObject->addAction(field);
    mnuObject->addAction(A("actGrant"));
    mnuObject->addAction(A("actCross"));
    mnuObject->addAction(A("actMatrix"));
    mnuObject->addAction(A("actAnalyze"));
    mnuObject->addAction(A("actComment"));
    mnuCommand = mnuObject->addMenu(S("ユーザー定義コマンド(&U)"));
    mnuCommand->setObjectName(QStringLiteral("mnuCommand"));
    m_actions.insert(QStringLiteral("mnuCommand"), mnuCommand->menuAction());
    mnuObject->addSeparator();
    mnuObject->addAction(A("actExec"));
    mnuObject->addAction(A("actConstEnable"));
    mnuObject->addAction(A("actConstDisable"));
    mnuObject->addAction(A("actSynonym"));
    mnuObject->addAction(A("actGrep"));
    mnuObject->addAction(A("actAddWorkSpace"));
    connect(mnuObject, &QMenu::aboutToShow, this, [this] { mnuObjectClick(); });
    connect(mnuNew1, &QMenu::aboutToShow, this, [this] { mnuNew1Click(); });

    popTree = new QMenu(m_w);
    popTree->setObjectName(QStringLiteral("popTree"));
    popTree->addAction(A("actLogon"));
    popTree->addAction(A("actNew"));
    QAction* tb1 = popTree->addSeparator();
    tb1->setObjectName(QStringLiteral("mnuTB1"));
    m_actions.insert(QStringLiteral("mnuTB1"), tb1);
    for (const char* n : {"actUser", "actSession", "actLock", "actStorage", "actDatabase", "actJob"})
        popTree->addAction(A(n));
    popTree->addSeparator()->setObjectName(QStringLiteral("mnuTB2"));
    for (const char* n : {"actBackUp", "actRestore", "actDetach"})
        popTree->addAction(A(n));
    connect(popTree, &QMenu::aboutToShow, this, [this] { popTreePopup(); });
}

QList<QTreeWidgetItem*> TObjectActions::SelectedItems() const
{
    // A row counts as selected when any of its cells is (the list may select single cells).
    const QList<QTreeWidgetItem*> selected = m_w->lstObject->selectedItems();
    const QSet<QTreeWidgetItem*> set(selected.begin(), selected.end());
    QList<QTreeWidgetItem*> rows;
    for (int i = 0; i < m_w->lstObject->topLevelItemCount() && rows.size() < set.size(); ++i)
        if (QTreeWidgetItem* item = m_w->lstObject->topLevelItem(i); set.contains(item))
            rows << item;
    return rows;
}

void TObjectActions::SetRowSelected(QTreeWidgetItem* item, bool on)
{
    QTreeWidget* list = m_w->lstObject;
    const QModelIndex index = list->indexFromItem(item);
    list->selectionModel()->select(index, (on ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
                                              QItemSelectionModel::Rows);
}

actions::Row TObjectActions::RowOf(QTreeWidgetItem* item)
{
    actions::Row r;
    r.name = item->text(0);
    r.type = item->data(0, Qt::UserRole).toInt();
    const int columns = qMax(item->columnCount(), item->treeWidget() ? item->treeWidget()->columnCount() : 0);
    for (int c = 1; c < columns; ++c)
        r.sub << item->text(c);
    return r;
}

bool TObjectActions::TypeListLevel() const
{
    return actions::OnTypeListLevel(m_w->TreeLevel(), m_w->btnTree2->isChecked() ? 1 : 0);
}

actions::Row TObjectActions::WithConstraintTable(const actions::Row& r) const
{
    if (r.type != 66 || TypeListLevel())
        return r;
    TObjectSession* s = m_w->session();
    const QString table = FirstValue(s, s->Use(r.database()) + actions::ConstraintTableSql(r));
    if (table.isEmpty())
        throw Exception(S("制約 %1 のテーブルが見つかりません。").arg(r.name));
    actions::Row full = r;
    while (full.sub.size() < 5)
        full.sub << QString();
    full.sub[4] = table;
    return full;
}

int TObjectActions::listingType() const
{
    QTreeWidgetItem* node = m_w->lstTree->currentItem();
    if (!node)
        return 0;
    const int image = node->data(0, Qt::UserRole).toInt();
    // Under the types-first order a database node stands for its parent's type.
    if (actions::IsDatabaseNode(image) && node->parent())
        return node->parent()->data(0, Qt::UserRole).toInt();
    return image;
}

void TObjectActions::ApplyStates(const actions::ActionStates& s)
{
    for (auto it = s.enabled.begin(); it != s.enabled.end(); ++it)
        if (QAction* a = m_actions.value(it.key()))
            a->setEnabled(it.value());
    for (auto it = s.visible.begin(); it != s.visible.end(); ++it)
        if (QAction* a = m_actions.value(it.key()))
            a->setVisible(it.value());
}

void TObjectActions::mnuObjectClick()
{
    TObjectSession* s = m_w->session();
    actions::EnableInputs in;
    for (QTreeWidgetItem* item : SelectedItems())
        in.selectedTypes << item->data(0, Qt::UserRole).toInt();
    QTreeWidgetItem* node = m_w->lstTree->currentItem();
    in.treeNodeSelected = node != nullptr;
    const int level = m_w->TreeLevel();
    const int sort = m_w->btnTree2->isChecked() ? 1 : 0;
    in.onListingLevel = (sort == 0 && level == 2) || (sort == 1 && level > 0);
    in.treeNodeImage = node ? node->data(0, Qt::UserRole).toInt() : -1;
    in.dbVer = s->DBVer;
    in.azure = s->IsAzure;
    in.fragmentFlg = s->Fragment_flg;
    in.fragmentGflg = s->Fragment_Gflg;
    in.showFragmentDown = m_w->btnShowFragment->isChecked();
    in.clipboardHasEntries = plugins().clipboardHasEntries && plugins().clipboardHasEntries();
    in.reportItems = static_cast<int>(mnuReport->actions().size());
    in.commandItems = static_cast<int>(mnuCommand->actions().size());
    const actions::ActionStates states = actions::ComputeListStates(in);
    ApplyStates(states);
    // The grant item also follows its own rule (not for an index, trigger or constraint under its node).
    m_actions.value(QStringLiteral("actGrant"))->setEnabled(states.isEnabled(QStringLiteral("actGrant")) &&
                                                            states.isEnabled(QStringLiteral("mnuGrant")));
    if (in.onListingLevel && node) {
        m_actions.value(QStringLiteral("actNew"))->setIcon(imgMain(listingType()));
    }
    for (QAction* item : mnuReport->actions())
        item->setEnabled(actions::ReportItemEnabled(item->data().toInt(), in.selectedTypes));
    // Copy and paste show the main window's edit shortcuts. The keys stay the main window's:
    // they only act here while the menu itself has the focus (the menu also stands in the
    // main menu bar, where a second owner of the same key would make it ambiguous).
    if (TfrmMain* m = Main()) {
        for (const auto& [mine, main] : {std::pair{"actCopy", "actEditCopy"}, std::pair{"actPaste", "actEditPaste"}})
            if (QAction* source = m->action(QLatin1String(main))) {
                QAction* a = m_actions.value(QLatin1String(mine));
                a->setShortcutContext(Qt::WidgetShortcut);
                a->setShortcut(source->shortcut());
            }
    }
}

void TObjectActions::mnuNew1Click()
{
    TObjectSession* s = m_w->session();
    m_actions.value(QStringLiteral("actNewSynonym"))->setEnabled(actions::NewSynonymEnabled(s->DBVer));
    m_actions.value(QStringLiteral("actNewSequence"))->setEnabled(actions::NewSequenceEnabled(s->DBVer, s->IsAzure));
}

void TObjectActions::popTreePopup()
{
    FRSelected = m_w->lstTree->currentItem();
    const int level = m_w->TreeLevel();
    const int sort = m_w->btnTree2->isChecked() ? 1 : 0;
    const bool listing = (sort == 0 && level == 2) || (sort == 1 && level > 0);
    ApplyStates(actions::ComputeTreeStates(FRSelected ? FRSelected->data(0, Qt::UserRole).toInt() : -1,
                                           m_w->session()->IsAzure, listing));
    if (listing && FRSelected)
        m_actions.value(QStringLiteral("actNew"))->setIcon(imgMain(listingType()));
}

void TObjectActions::actShowFragmentUpdate()
{
    QTreeWidgetItem* node = m_w->lstTree->currentItem();
    if (!node)
        return;
    const bool typesFirst = m_w->btnTree2->isChecked();
    const bool indexNode = node->data(0, Qt::UserRole).toInt() == 46 ||
                           (typesFirst && m_w->TreeLevel() == 2 && node->parent() &&
                            node->parent()->data(0, Qt::UserRole).toInt() == 46);
    const bool on = !m_w->session()->IsAzure && indexNode;
    m_actions.value(QStringLiteral("actShowFragment"))->setEnabled(on);
    m_w->btnShowFragment->setEnabled(on);
}

void TObjectActions::Progress(int i, int n)
{
    if (TfrmMain* m = Main())
        m->SetLoopMessage(i, n);
}

void TObjectActions::RowLoop(const QList<QTreeWidgetItem*>& items, bool scroll,
                             const std::function<void(QTreeWidgetItem*)>& work)
{
    if (items.isEmpty())
        return;
    WaitCursor cursor;
    const QSignalBlocker block(m_w->lstObject);
    const auto n = static_cast<int>(items.size());
    struct Restore {
        ~Restore()
        {
            if (TfrmMain* m = Main())
                m->SetDefMessage();
        }
    } restore;
    for (int i = 0; i < n; ++i) {
        if (ui().escape && ui().escape())
            break;
        QTreeWidgetItem* item = items.at(i);
        if (scroll)
            m_w->lstObject->scrollToItem(item);
        Progress(i + 1, n);
        work(item);
        SetRowSelected(item, false);
    }
}

void TObjectActions::NewObject(int type)
{
    m_w->NewObject(type);
}

void TObjectActions::OpenRows(TOpenMode mode, int topRecord)
{
    const bool level = TypeListLevel();
    RowLoop(SelectedItems(), false, [&](QTreeWidgetItem* item) {
        const actions::Row r = RowOf(item);
        // The row is the list's current item while it opens: an index takes its table from it.
        m_w->lstObject->selectionModel()->setCurrentIndex(m_w->lstObject->indexFromItem(item), QItemSelectionModel::NoUpdate);
        QWidget* w = m_w->OpenObject(r.type, r.database(), r.schema(), r.name, mode, false, topRecord, QString());
        if (TfrmMain* m = Main()) {
            if (w)
                m->AddChildWindow(w);
            const QString parent = r.type == 46 ? actions::IndexTable(r, level) : QString();
            m->RecentObjectCheck(r.type, r.database(), r.schema(), r.name, parent);
        }
    });
}

void TObjectActions::actOpenDataTopExecute()
{
    QString value = QString::number(qvOption.DefTopRecord);
    QString owner;
    bool makeDefault = false;
    if (!ui().input(S("データを開く(件数指定)"), S("レコード件数"), value, true, owner, {},
                    {CheckItem{S("既定値にする"), &makeDefault}}))
        return;
    if (value.trimmed().isEmpty())
        value = QStringLiteral("0");
    const int top = value.trimmed().toInt();
    if (makeDefault && top > 0)
        qvOption.DefTopRecord = top;
    OpenRows(omData, top);
}

QWidget* TObjectActions::OpenTool(const ToolRequest& r)
{
    const ToolFactory factory = ToolWindowFactories().value(r.window);
    QWidget* w = factory ? factory(m_w, r) : new TfrmToolPlaceholder(m_w, r);
    if (w) {
        w->setProperty(OwnerProperty, QVariant::fromValue<QObject*>(m_w));
        if (TfrmMain* m = Main())
            m->AddChildWindow(w);
    }
    return w;
}

void TObjectActions::placeholder(const QString& window, const QString& caption)
{
    ToolRequest r;
    r.window = window;
    r.caption = caption;
    OpenTool(r);
}

void TObjectActions::actExecExecute()
{
    RowLoop(SelectedItems(), true, [&](QTreeWidgetItem* item) {
        const actions::Row r = RowOf(item);
        if (r.type != 51 && r.type != 52)
            return;
        ToolRequest t;
        t.window = QStringLiteral("TfrmExecProc");
        t.caption = S("実行 - ") + r.schema() + QStringLiteral(".") + r.name;
        t.database = r.database();
        t.schema = r.schema();
        t.name = r.name;
        t.objectType = r.type;
        OpenTool(t);
    });
}

void TObjectActions::actSynonymExecute()
{
    TObjectSession* s = m_w->session();
    RowLoop(SelectedItems(), false, [&](QTreeWidgetItem* item) {
        const actions::Row r = RowOf(item);
        OpenRequest o;
        o.window = DefinitionWindow::Synonym;
        o.objectType = 60;
        o.database = s->g_DataBase;
        o.schema = s->GetCurrentSchema();
        o.mode = omDefine;
        o.targetDatabase = r.database();
        o.targetSchema = r.schema();
        o.targetName = r.name;
        o.targetType = r.typeName();
        if (QWidget* w = m_w->OpenWindow(o); w && Main())
            Main()->AddChildWindow(w);
    });
}

void TObjectActions::actCrossExecute()
{
    RowLoop(SelectedItems(), true, [&](QTreeWidgetItem* item) {
        const actions::Row r = RowOf(item);
        OpenRequest o;
        o.objectType = r.type;
        o.database = r.database();
        o.schema = r.schema();
        o.name = r.name;
        o.mode = omCross;
        switch (r.type) {
        case 45:
        case 73: o.window = DefinitionWindow::Table; break;
        case 47: o.window = DefinitionWindow::View; break;
        case 51:
        case 52: o.window = DefinitionWindow::Source; break;
        case 57: o.window = DefinitionWindow::Trigger; break;
        case 58: o.window = DefinitionWindow::Sequence; break;
        default: return;
        }
        if (QWidget* w = m_w->OpenWindow(o); w && Main())
            Main()->AddChildWindow(w);
    });
}

void TObjectActions::actLoadExecute()
{
    QList<actions::Row> rows;
    for (QTreeWidgetItem* item : SelectedItems())
        rows << RowOf(item);
    const QString text = actions::LoadLines(rows);
    if (text.isEmpty())
        return;
    ToolRequest t;
    t.window = QStringLiteral("TfrmLoader");
    t.caption = QStringLiteral("BCP");
    t.text = text;
    OpenTool(t);
}

void TObjectActions::actAddWorkSpaceExecute()
{
    QList<actions::Row> rows;
    for (QTreeWidgetItem* item : SelectedItems())
        rows << RowOf(item);
    if (rows.isEmpty())
        return;
    const QString connect = m_w->GetConnectInfo(QString(), QString(), true);
    if (actions::AddToWorkSpace(WorkSpaceList, rows, connect) == 0)
        return;
    SaveWorkSpace();
    if (TfrmMain* m = Main())
        m->ShowWorkSpace(nullptr);
}

void TObjectActions::actCopyExecute()
{
    if (plugins().copy) {
        plugins().copy(m_w);
        return;
    }
    m_w->lstObject->CopyToClipboard();
}

void TObjectActions::actPasteExecute()
{
    if (plugins().paste && plugins().clipboardHasEntries && plugins().clipboardHasEntries())
        plugins().paste(m_w);
}

void TObjectActions::actDeleteExecute()
{
    const QList<QTreeWidgetItem*> items = SelectedItems();
    if (items.isEmpty())
        return;
    bool ignore = qvOption.DelErr;
    CheckList checks;
    if (items.size() > 1)
        checks << CheckItem{S("削除時のエラーを無視する"), &ignore};
    const int answer = ui().confirm(S("オブジェクトを削除しますか？"), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, checks);
    if (items.size() > 1)
        qvOption.DelErr = ignore;
    if (answer != IDYES)
        return;
    QList<actions::Row> rows;
    for (QTreeWidgetItem* item : items)
        rows << RowOf(item);
    TObjectSession* s = m_w->session();
    const bool level = TypeListLevel();
    actions::DeleteHooks hooks;
    hooks.drop = [&](const actions::Row& r) {
        const QString sql = actions::DropStatement(WithConstraintTable(r), s->IsAzure, level);
        if (!sql.isEmpty())
            s->ExecuteSQL(s->Use(r.database()) + sql);
    };
    hooks.escape = ui().escape;
    hooks.progress = [this](int i, int n) { Progress(i, n); };
    actions::DeleteOutcome out;
    {
        WaitCursor cursor;
        const QSignalBlocker block(m_w->lstObject);
        out = actions::RunDelete(rows, ignore, hooks);
        for (int idx : out.deleted)
            delete items.at(idx);
    }
    if (TfrmMain* m = Main())
        m->SetDefMessage();
    if (out.error)
        RethrowNamed(out.error, rows.value(out.errorRow));
    if (!out.failures.isEmpty()) {
        ui().message(actions::DeleteFailureText(rows, out.failures), MB_ICONWARNING);
        return;
    }
    ui().message(S("オブジェクトが削除されました。"), MB_ICONINFORMATION);
}

void TObjectActions::ConstraintSwitch(bool enable)
{
    const QList<QTreeWidgetItem*> items = SelectedItems();
    if (items.isEmpty())
        return;
    bool ignore = false;
    CheckList checks;
    if (items.size() > 1)
        checks << CheckItem{S("エラーを無視する"), &ignore};
    if (ui().confirm(enable ? S("制約を有効にしますか？") : S("制約を無効にしますか？"), MB_YESNO | MB_ICONQUESTION, checks) != IDYES)
        return;
    TObjectSession* s = m_w->session();
    QList<actions::Row> rows;
    QList<actions::DeleteFailure> failures;
    QList<QTreeWidgetItem*> failed;
    RowLoop(items, true, [&](QTreeWidgetItem* item) {
        const actions::Row r = RowOf(item);
        if (r.type != 66)
            return;
        try {
            s->ExecuteSQL(s->Use(r.database()) + actions::ConstraintSwitchStatement(WithConstraintTable(r), enable));
        } catch (const EAbort&) {
            throw;
        } catch (...) {
            if (!ignore)
                RethrowNamed(std::current_exception(), r);
            failures << actions::DeleteFailure{static_cast<int>(rows.size()), actions::ErrorText(std::current_exception())};
            rows << r;
            failed << item;
        }
    });
    // Constraints that could not be switched stay selected and are named.
    for (QTreeWidgetItem* item : failed)
        SetRowSelected(item, true);
    if (!failures.isEmpty()) {
        ui().message(actions::FailureText(enable ? S("次の制約を有効にできませんでした。") : S("次の制約を無効にできませんでした。"),
                                          rows, failures),
                     MB_ICONWARNING);
        return;
    }
    ui().message(enable ? S("制約を有効にしました。") : S("制約を無効にしました。"), MB_ICONINFORMATION);
}

void TObjectActions::IndexCommand(index::Command command)
{
    const QList<QTreeWidgetItem*> items = SelectedItems();
    if (items.isEmpty())
        return;
    TObjectSession* s = m_w->session();
    const int R = qvOption.IdxReorganize;
    const int B = qvOption.IdxRebuild;
    bool ignore = false;
    bool online = false;
    CheckList checks;
    if (items.size() > 1 && !qvOption.ShowDDL)
        checks << CheckItem{index::IgnoreErrorsCaption, &ignore};
    if (command != index::Command::Reorganize && s->DBVer >= 9) {
        qint64 edition = 0;
        try {
            edition = FirstValue(s, index::EditionIdSql).toLongLong();
        } catch (const std::exception&) {
        }
        if (index::OnlineEdition(edition))
            checks << CheckItem{index::OnlineCaption(command), &online};
    }
    if (ui().confirm(index::ConfirmText(command, s->DBVer, R, B), MB_YESNO | MB_ICONQUESTION, checks) != IDYES)
        return;
    QList<actions::Row> rows;
    for (QTreeWidgetItem* item : items)
        rows << RowOf(item);
    index::RunInput in;
    in.command = command;
    in.dbVer = s->DBVer;
    in.showDDL = qvOption.ShowDDL;
    in.online = online;
    in.ignoreErrors = ignore;
    in.reorganize = R;
    in.rebuild = B;
    in.typeListLevel = TypeListLevel();
    index::Hooks hooks;
    hooks.execute = [s](const QString& sql) { s->ExecuteSQL(sql); };
    hooks.hasKeyColumns = [s, &in](const actions::Row& r) {
        return HasRow(s, index::KeyColumnsSql(r.database()), {r.schema(), actions::IndexTable(r, in.typeListLevel), r.name});
    };
    hooks.commit = [this] {
        try {
            m_w->Commit();
        } catch (const std::exception&) {
        }
    };
    hooks.startTransaction = [this] {
        try {
            if (qvOption.AutoTran)
                m_w->StartTransaction();
        } catch (const std::exception&) {
        }
    };
    hooks.escape = ui().escape;
    hooks.progress = [this](int i, int n) { Progress(i, n); };
    index::RunResult out;
    {
        WaitCursor cursor;
        const QSignalBlocker block(m_w->lstObject);
        out = index::Run(rows, in, hooks);
        for (int i : out.handled)
            SetRowSelected(items.at(i), false);
    }
    if (TfrmMain* m = Main())
        m->SetDefMessage();
    if (out.error)
        std::rethrow_exception(out.error);
    if (command == index::Command::Automatic && out.statements == 0) {
        ui().message(index::NothingToDoText(R, B), MB_ICONINFORMATION);
        return;
    }
    if (in.showDDL) {
        if (out.script.isEmpty())
            return;
        try {
            QStringList script = out.script;
            if (!TfrmDDLPreview::ShowWindow(script, QString(), QString(), index::PreviewName, Main()))
                return;
            TfrmDDLExec::ShowWindow(s, script, Main());
            TfrmDDLExec::WaitProc();
        } catch (const std::exception&) {
            TfrmDDLExec::WaitProc();
        }
    }
    m_w->ShowObject(false);
    if (!out.failures.isEmpty()) {
        ui().message(actions::FailureText(S("次のインデックスを処理できませんでした。"), rows, out.failures), MB_ICONWARNING);
        return;
    }
    ui().message(index::DoneText(command, R, B), MB_ICONINFORMATION);
}

void TObjectActions::actDetachExecute()
{
    QTreeWidgetItem* node = FRSelected;
    if (!node)
        return;
    const bool typesFirst = m_w->btnTree2->isChecked();
    int nodeLevel = -1;
    for (QTreeWidgetItem* n = node; n; n = n->parent())
        ++nodeLevel;
    if (!((!typesFirst && nodeLevel == 1) || (typesFirst && nodeLevel == 2)))
        return;
    TObjectSession* s = m_w->session();
    try {
        m_w->Commit();
    } catch (const std::exception&) {
    }
    std::exception_ptr error;
    {
        bool statistics = false;
        bool fullText = false;
        CheckList checks{CheckItem{S("統計情報を更新する"), &statistics}};
        if (s->DBVer > 8)
            checks << CheckItem{S("フルテキストインデックスも削除する"), &fullText};
        if (ui().confirm(S("データベースをデタッチしますか？"), MB_YESNO | MB_ICONQUESTION, checks) == IDYES) {
            try {
                s->ExecuteSQL(actions::DetachStatement(node->text(0), statistics, fullText, s->DBVer));
                ui().message(S("デタッチを実行しました。"), MB_ICONINFORMATION);
                FRSelected = nullptr;
                m_w->ShowTree();
            } catch (...) {
                error = std::current_exception();
            }
        }
    }
    if (qvOption.AutoTran) {
        try {
            m_w->StartTransaction();
        } catch (const std::exception&) {
        }
    }
    if (error)
        std::rethrow_exception(error);
}

void TObjectActions::actLogonExecute()
{
    if (!FRSelected)
        return;
    TfrmMain* m = Main();
    if (!m || !m->logonHandler())
        return;
    TObjectSession* s = m_w->session();
    LogonRequest r;
    r.database = s->g_DataBase;
    r.userId = s->g_UserID;
    r.password = s->g_Password;
    r.server = s->g_Server;
    r.autoPass = false;
    m->logonHandler()(r);
}

void TObjectActions::TreeWindow(const QString& window, const QString& caption, std::initializer_list<int> images)
{
    if (!FRSelected)
        return;
    const int image = FRSelected->data(0, Qt::UserRole).toInt();
    if (std::find(images.begin(), images.end(), image) == images.end())
        return;
    ToolRequest t;
    t.window = window;
    t.caption = caption + QStringLiteral(" - ") + FRSelected->text(0);
    t.database = FRSelected->text(0);
    OpenTool(t);
}

bool TObjectActions::lstObjectEditing(QTreeWidgetItem* item) const
{
    return item && actions::Renamable(item->data(0, Qt::UserRole).toInt());
}

void TObjectActions::StartRename()
{
    QTreeWidgetItem* item = m_w->lstObject->currentItem();
    if (!item || !SelectedItems().contains(item)) {
        const QList<QTreeWidgetItem*> sel = SelectedItems();
        item = sel.isEmpty() ? nullptr : sel.first();
    }
    if (!lstObjectEditing(item))
        return;
    m_renaming = item;
    m_renameOld = item->text(0);
    {
        const QSignalBlocker block(m_w->lstObject);
        item->setFlags(item->flags() | Qt::ItemIsEditable);
    }
    auto* list = m_w->lstObject;
    // The edit's end: the new caption renames the object, anything else leaves it.
    QMetaObject::Connection* done = new QMetaObject::Connection;
    QMetaObject::Connection* closed = new QMetaObject::Connection;
    auto finish = [this, list, done, closed] {
        disconnect(*done);
        disconnect(*closed);
        delete done;
        delete closed;
        QTreeWidgetItem* item = m_renaming;
        m_renaming = nullptr;
        if (!item)
            return;
        {
            const QSignalBlocker block(list);
            item->setFlags(item->flags() & ~Qt::ItemIsEditable);
        }
        const QString newName = item->text(0);
        if (newName != m_renameOld)
            lstObjectEdited(item, newName);
    };
    *done = connect(list, &QTreeWidget::itemChanged, this, [item, finish](QTreeWidgetItem* changed, int column) {
        if (changed == item && column == 0)
            finish();
    });
    *closed = connect(list->itemDelegate(), &QAbstractItemDelegate::closeEditor, this, [finish] { finish(); });
    list->editItem(item, 0);
}

bool TObjectActions::lstObjectEdited(QTreeWidgetItem* item, const QString& newName)
{
    const actions::Row r = RowOf(item);
    const QString old = m_renameOld.isEmpty() ? r.name : m_renameOld;
    actions::Row before = r;
    before.name = old;
    TObjectSession* s = m_w->session();
    try {
        bool ofConstraint = false;
        if (r.type == 46)
            ofConstraint = FirstValue(s, s->Use(r.database()) + actions::IndexIsConstraintSql(old)).toInt() > 0;
        s->ExecuteSQL(s->Use(r.database()) + actions::RenameStatement(before, newName, ofConstraint, TypeListLevel()));
        const QSignalBlocker block(m_w->lstObject);
        item->setText(0, newName);
        m_renameOld.clear();
        return true;
    } catch (const std::exception&) {
        // The server refused: the row keeps its old name and nothing is said.
        const QSignalBlocker block(m_w->lstObject);
        item->setText(0, old);
        m_renameOld.clear();
        return false;
    }
}

} // namespace qv
