#include "objects/security_list_window.h"

#include "app/application.h"
#include "app/escape_watch.h"
#include "app/images.h"
#include "app/main_window.h"
#include "app/object_types.h"
#include "app/options.h"
#include "app/wait_cursor.h"
#include "connection/object_actions.h"
#include "connection/object_script.h"
#include "connection/object_session.h"
#include "connection/object_window.h"
#include "connection/script_output_options.h"
#include "controls/lists/qv_listview.h"
#include "objects/login_window.h"
#include "objects/role_window.h"
#include "objects/user_window.h"
#include "platform/db/query.h"
#include "platform/exceptions.h"
#include "platform/registry.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QSet>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace qv {

using seclist::Tab;

namespace {
QString S(const char* text) { return QString::fromUtf8(text); }
const QString AllDatabases = QString::fromUtf8("(すべて)");
const QString SettingsKey = QStringLiteral("\\Software\\Velmora\\QVS22\\GUI\\USERLIST");

// Opens a file for the script output: anew, or at its end.
void OpenTarget(QFile& file, bool anew)
{
    QDir().mkpath(QFileInfo(file.fileName()).absolutePath());
    const QIODevice::OpenMode mode = anew ? QIODevice::WriteOnly | QIODevice::Truncate : QIODevice::ReadWrite;
    if (!file.open(mode))
        throw Exception(S("ファイルを開けません: ") + file.fileName() + QStringLiteral("\r\n") + file.errorString());
    if (!anew)
        file.seek(file.size());
}
} // namespace

TfrmUserList::Ui& TfrmUserList::ui()
{
    static Ui u{
        [](const QString& text, int flags, const CheckList& checks) { return ShowCheckMessageBox(text, flags, checks); },
        [](const QString& text, int flags) { return ShowMessageBox(text, flags); },
        [](TfrmObject* conn, QString& path) {
            QString nameTable;
            return TfrmScriptOption::ShowWindow(conn->session(), path, nameTable, TfrmMain::instance());
        }};
    return u;
}

TfrmUserList::TfrmUserList(TfrmObject* owner, const QString& database)
    : TqvForm(owner ? static_cast<QObject*>(owner) : nullptr)
{
    setObjectName(QStringLiteral("frmUserList"));
    if (TfrmMain* main = TfrmMain::instance(); main && owner)
        if (main->FindWindow(staticMetaObject, LookupCaption(), true))
            Abort();
    setWindowTitle(LookupCaption());

    tolCmd = new QToolBar(this);
    tolCmd->setObjectName(QStringLiteral("tolCmd"));
    tolCmd->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    const auto make = [this](int image, const QString& caption, const QString& hint, std::function<void()> slot) {
        auto* a = new QAction(image >= 0 ? imgMain(image) : QIcon(), caption, this);
        a->setToolTip(hint);
        a->setStatusTip(hint);
        connect(a, &QAction::triggered, this, [slot] {
            try {
                slot();
            } catch (...) {
                HandleException(std::current_exception());
            }
        });
        return a;
    };
    actNew = make(119, S("新規(&N)"), S("新しいユーザー・プロファイル・ロールを作成します。"), [this] { actNewExecute(); });
    actOpen = make(17, S("開く(&O)"), S("選択中のユーザー・プロファイル・ロールを開きます。"), [this] { actOpenExecute(); });
    actScript = make(18, S("スクリプト出力(&S)"), S("スクリプト出力"), [this] { actScriptExecute(); });
    actDelete = make(41, S("削除(&D)"), S("選択中のオブジェクトを削除します。"), [this] { actDeleteExecute(); });
    actRefresh = make(16, S("最新(&R)"), S("リストの内容を最新の状態に変更します。"), [this] { Reload(); });
    actExit = make(42, S("終了(&X)"), S("画面を閉じます。"), [this] { frame()->close(); });
    tolCmd->addActions({actNew, actOpen, actDelete, actRefresh, actExit});
    for (QAction* a : tolCmd->actions())
        if (QWidget* b = tolCmd->widgetForAction(a))
            b->setMinimumWidth(78);
    auto* pnl = new QWidget(this);
    pnl->setObjectName(QStringLiteral("pnlConnection"));
    auto* pl = new QHBoxLayout(pnl);
    pl->setContentsMargins(8, 0, 4, 0);
    pl->addWidget(new QLabel(S("接続"), pnl));
    cmbConnection = new QComboBox(pnl);
    cmbConnection->setObjectName(QStringLiteral("cmbConnection"));
    cmbConnection->setMinimumContentsLength(16);
    cmbConnection->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    pl->addWidget(cmbConnection, 1);
    lblDatabase = new QLabel(S("データベース"), pnl);
    pl->addWidget(lblDatabase);
    cmbDatabase = new QComboBox(pnl);
    cmbDatabase->setObjectName(QStringLiteral("cmbDatabase"));
    cmbDatabase->setMinimumContentsLength(10);
    cmbDatabase->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    pl->addWidget(cmbDatabase, 1);

    mnuObject = new QMenu(S("ユーザー情報(&O)"), this);
    mnuObject->addActions({actNew, actOpen, actScript, actDelete});

    pagUsrList = new QTabWidget(this);
    pagUsrList->setObjectName(QStringLiteral("pagUsrList"));
    const auto page = [this](Tab tab, const char* name) {
        auto* w = new QWidget(pagUsrList);
        w->setObjectName(QString::fromLatin1(name));
        auto* l = new QVBoxLayout(w);
        l->setContentsMargins(0, 0, 0, 0);
        pagUsrList->addTab(w, imgMain(seclist::TabImage(tab)), seclist::TabCaption(tab));
        return w;
    };
    tabLogin = page(Tab::Login, "tabLogin");
    tabUser = page(Tab::User, "tabUser");
    tabSchema = page(Tab::Schema, "tabSchema");
    tabDBRole = page(Tab::DBRole, "tabDBRole");
    tabSRole = page(Tab::SRole, "tabSRole");
    pagUsrList->setTabIcon(pagUsrList->indexOf(tabUser), imgMain(3));

    lstObject = new TqvListView(tabLogin);
    lstObject->setObjectName(QStringLiteral("lstObject"));
    lstObject->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstObject->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstObject->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstObject->setRootIsDecorated(false);
    lstObject->setContextMenuPolicy(Qt::CustomContextMenu);
    lstObject->installEventFilter(this);
    connect(lstObject, &QTreeWidget::itemDoubleClicked, this, [this] { actOpen->trigger(); });
    connect(lstObject, &QWidget::customContextMenuRequested, this, [this] {
        UpdateActions();
        mnuObject->popup(QCursor::pos());
    });
    connect(lstObject, &QTreeWidget::itemSelectionChanged, this, [this] { UpdateActions(); });
    tabLogin->layout()->addWidget(lstObject);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    auto* top = new QHBoxLayout();
    top->setContentsMargins(0, 0, 0, 0);
    top->addWidget(tolCmd);
    top->addWidget(pnl, 1);
    layout->addLayout(top);
    layout->addWidget(pagUsrList, 1);

    CreateTaskButton();
    SetIcon(3);
    resize(760, 460);
    EnsureWindowSettings();

    connect(cmbConnection, &QComboBox::activated, this, [this] {
        try {
            cmbConnectionChange();
        } catch (...) {
            HandleException(std::current_exception());
        }
    });
    connect(cmbDatabase, &QComboBox::activated, this, [this] {
        try {
            Reload();
        } catch (...) {
            HandleException(std::current_exception());
        }
    });
    connect(pagUsrList, &QTabWidget::currentChanged, this, [this] {
        if (m_building)
            return;
        try {
            pagUsrListChange();
        } catch (...) {
            HandleException(std::current_exception());
        }
    });

    FillConnections();
    SetActiveTab(Tab::Login);
    m_building = false;
    if (database.trimmed().isEmpty()) {
        cmbConnectionChange();
    } else {
        TfrmObject* conn = Connection();
        QStringList list;
        if (conn)
            conn->GetDatabase(list);
        list.prepend(AllDatabases);
        cmbDatabase->clear();
        cmbDatabase->addItems(list);
        cmbDatabase->setCurrentIndex(std::max(0, int(cmbDatabase->findText(database.trimmed()))));
        pagUsrList->setTabVisible(pagUsrList->indexOf(tabSchema), conn && conn->DBVer() >= 9);
        Reload();
    }
}

QString TfrmUserList::LookupCaption() const
{
    IConnectionWindow* c = OwnerForm();
    if (!c)
        return S("ユーザー情報");
    return S("ユーザー情報 - ") + c->Login() + QStringLiteral(" @ ") + c->Server() + QStringLiteral(".") + c->DataBase();
}

TfrmObject* TfrmUserList::Connection() const
{
    return OwnerForm() ? dynamic_cast<TfrmObject*>(OwnerForm()->connectionWidget()) : nullptr;
}

void TfrmUserList::FillConnections()
{
    TfrmMain* main = TfrmMain::instance();
    const QSignalBlocker block(cmbConnection);
    cmbConnection->clear();
    if (main && main->cmbDBName())
        for (int i = 0; i < main->cmbDBName()->count(); ++i)
            cmbConnection->addItem(main->cmbDBName()->itemText(i), main->cmbDBName()->itemData(i));
    const auto own = reinterpret_cast<quintptr>(OwnerForm());
    for (int i = 0; i < cmbConnection->count(); ++i)
        if (cmbConnection->itemData(i).value<quintptr>() == own)
            cmbConnection->setCurrentIndex(i);
}

QWidget* TfrmUserList::TabPage(Tab tab) const
{
    switch (tab) {
    case Tab::Login: return tabLogin;
    case Tab::User: return tabUser;
    case Tab::Schema: return tabSchema;
    case Tab::DBRole: return tabDBRole;
    case Tab::SRole: return tabSRole;
    }
    return tabLogin;
}

Tab TfrmUserList::ActiveTab() const
{
    QWidget* w = pagUsrList->currentWidget();
    if (w == tabUser)
        return Tab::User;
    if (w == tabSchema)
        return Tab::Schema;
    if (w == tabDBRole)
        return Tab::DBRole;
    if (w == tabSRole)
        return Tab::SRole;
    return Tab::Login;
}

void TfrmUserList::SetActiveTab(Tab tab)
{
    {
        const QSignalBlocker block(pagUsrList);
        pagUsrList->setCurrentWidget(TabPage(tab));
    }
    MoveList();
}

void TfrmUserList::MoveList()
{
    QWidget* page = pagUsrList->currentWidget();
    if (page && lstObject->parentWidget() != page) {
        page->layout()->addWidget(lstObject);
        lstObject->show();
    }
    const bool perDb = seclist::PerDatabase(ActiveTab());
    lblDatabase->setVisible(perDb);
    cmbDatabase->setVisible(perDb);
    actNew->setIcon(imgMain(seclist::TabImage(ActiveTab())));
}

void TfrmUserList::cmbConnectionChange()
{
    TfrmMain* main = TfrmMain::instance();
    const int index = cmbConnection->currentIndex();
    if (main && main->cmbDBName() && index >= 0) {
        main->cmbDBName()->setCurrentIndex(main->cmbDBName()->findText(cmbConnection->itemText(index)));
        main->MenuUpdate();
    }
    if (index >= 0)
        SetOwnerForm(reinterpret_cast<IConnectionWindow*>(cmbConnection->itemData(index).value<quintptr>()));
    TfrmObject* conn = Connection();
    if (!conn)
        return;
    QStringList list;
    conn->GetDatabase(list);
    list.prepend(AllDatabases);
    cmbDatabase->clear();
    cmbDatabase->addItems(list);
    cmbDatabase->setCurrentIndex(std::max(0, int(cmbDatabase->findText(conn->DataBase().trimmed()))));
    const bool azure = conn->IsAzure();
    const bool master = conn->DataBase().trimmed().toLower() == QLatin1String("master");
    {
        const QSignalBlocker block(pagUsrList);
        pagUsrList->setTabVisible(pagUsrList->indexOf(tabSchema), conn->DBVer() >= 9);
        pagUsrList->setTabVisible(pagUsrList->indexOf(tabSRole), !azure);
        pagUsrList->setTabVisible(pagUsrList->indexOf(tabLogin), !azure || master);
        cmbDatabase->setEnabled(!azure);
        if (azure && ((ActiveTab() == Tab::Login && !master) || ActiveTab() == Tab::SRole))
            pagUsrList->setCurrentWidget(tabUser);
    }
    MoveList();
    Reload();
}

void TfrmUserList::pagUsrListChange()
{
    MoveList();
    Reload();
}

void TfrmUserList::Reload()
{
    TfrmObject* conn = Connection();
    if (!conn)
        return;
    TObjectSession* s = conn->session();
    WaitCursor cursor;
    TfrmMain* main = TfrmMain::instance();
    struct Restore {
        TfrmMain* main;
        TqvListView* list;
        ~Restore()
        {
            list->setUpdatesEnabled(true);
            if (main)
                main->SetDefMessage();
        }
    } restore{main, lstObject};
    setWindowTitle(LookupCaption());
    SetTaskCaption(conn->Login() + QStringLiteral(" @ ") + conn->Server());

    const Tab tab = ActiveTab();
    const bool azure = conn->IsAzure();
    const bool master = conn->DataBase().trimmed().toLower() == QLatin1String("master");
    lstObject->clear();
    const QList<seclist::Column> columns = seclist::Columns(tab, conn->DBVer(), azure && !master);
    lstObject->setColumnCount(int(columns.size()));
    QStringList headers;
    for (const seclist::Column& c : columns)
        headers << c.caption;
    lstObject->setHeaderLabels(headers);
    for (int i = 0; i < columns.size(); ++i) {
        lstObject->setColumnWidth(i, columns.at(i).width);
        lstObject->setColumnHidden(i, columns.at(i).width == 0);
        lstObject->SetColumnAlignment(i, columns.at(i).rightAligned ? Qt::AlignRight | Qt::AlignVCenter
                                                                     : Qt::AlignLeft | Qt::AlignVCenter);
    }
    MoveList();
    if (!qvOption.Progress)
        lstObject->setUpdatesEnabled(false);

    QStringList databases;
    if (seclist::PerDatabase(tab) && cmbDatabase->currentIndex() == 0 && cmbDatabase->currentText() == AllDatabases)
        for (int i = 1; i < cmbDatabase->count(); ++i)
            databases << cmbDatabase->itemText(i);
    else
        databases << cmbDatabase->currentText();
    const seclist::Own own{conn->Login(), s->g_User, s->GetCurrentSchema(), conn->DataBase()};
    for (int i = 0; i < databases.size() && !EscapePressed(); ++i) {
        if (main)
            main->SetLoopMessage(i + 1, int(databases.size()));
        try {
            db::Query* q = s->OpenSQL(seclist::ObjectSQL(tab, databases.at(i), conn->DBVer(), azure));
            try {
                const int n = q->Fields().size();
                for (q->First(); !q->Eof() && !EscapePressed(); q->Next()) {
                    QStringList values;
                    for (int c = 0; c < n; ++c)
                        values << q->Fields().at(c)->AsString();
                    QTreeWidgetItem* item = lstObject->AddItem(values.value(0), seclist::SubItems(tab, values));
                    const int icon = seclist::EntryIcon(tab, values.value(0), values.value(1), own);
                    item->setIcon(0, imgMain(icon));
                    item->setData(0, Qt::UserRole, icon);
                    if (qvOption.Progress)
                        QCoreApplication::processEvents();
                }
            } catch (...) {
                q->Close();
                throw;
            }
            q->Close();
        } catch (const EAbort&) {
            throw;
        } catch (const std::exception&) {
            ui().message(S("権限が不足している為、情報を表示する事が出来ません。"), MB_OK | MB_ICONWARNING);
        }
    }
    UpdateActions();
}

QList<QTreeWidgetItem*> TfrmUserList::SelectedItems() const
{
    QList<QTreeWidgetItem*> out;
    for (int i = 0; i < lstObject->topLevelItemCount(); ++i)
        if (lstObject->topLevelItem(i)->isSelected())
            out << lstObject->topLevelItem(i);
    return out;
}

void TfrmUserList::UpdateActions()
{
    TfrmObject* conn = Connection();
    const Tab tab = ActiveTab();
    const bool azureUserOutsideMaster = conn && conn->IsAzure() && tab == Tab::User &&
                                        conn->DataBase().trimmed().toLower() != QLatin1String("master");
    const QList<QTreeWidgetItem*> sel = SelectedItems();
    actNew->setEnabled(conn && tab != Tab::SRole && !azureUserOutsideMaster);
    actOpen->setEnabled(conn && !sel.isEmpty() && !azureUserOutsideMaster);
    actScript->setEnabled(actOpen->isEnabled());
    bool del = conn && !sel.isEmpty() && tab != Tab::SRole;
    if (del && tab == Tab::DBRole)
        del = sel.first()->text(3) != seclist::FixedRoleText();
    actDelete->setEnabled(del);
}

void TfrmUserList::actNewExecute()
{
    UpdateActions();
    TfrmObject* conn = Connection();
    if (!conn || !actNew->isEnabled())
        return;
    TObjectSession* s = conn->session();
    QWidget* w = nullptr;
    switch (ActiveTab()) {
    case Tab::User: w = conn->OpenObject(3, conn->DataBase(), QString(), QString(), omDefine, false, 0, QString()); break;
    case Tab::DBRole: w = conn->OpenObject(68, conn->DataBase(), s->g_User, QString(), omDefine, false, 0, QString()); break;
    case Tab::Login: w = conn->OpenObject(119, QString(), QString(), QString(), omDefine, false, 0, QString()); break;
    case Tab::Schema: w = conn->OpenObject(125, conn->DataBase(), QString(), QString(), omDefine, false, 0, QString()); break;
    case Tab::SRole: break;
    }
    if (w)
        if (TfrmMain* main = TfrmMain::instance())
            main->AddChildWindow(w);
}

void TfrmUserList::actOpenExecute()
{
    UpdateActions();
    TfrmObject* conn = Connection();
    if (!conn || !actOpen->isEnabled())
        return;
    TfrmMain* main = TfrmMain::instance();
    const QList<QTreeWidgetItem*> items = SelectedItems();
    const Tab tab = ActiveTab();
    struct Idle {
        TfrmMain* main;
        ~Idle()
        {
            if (main)
                main->SetDefMessage();
        }
    } idle{main};
    for (int i = 0; i < items.size() && !EscapePressed(); ++i) {
        QTreeWidgetItem* item = items.at(i);
        if (main)
            main->SetLoopMessage(i + 1, int(items.size()));
        const QString name = item->text(0);
        const QString db = item->text(1);
        const QString owner = item->text(2);
        int type = item->data(0, Qt::UserRole).toInt();
        QString database, schema;
        switch (tab) {
        case Tab::User: database = db; break;
        case Tab::SRole: break;
        case Tab::DBRole:
        case Tab::Schema:
            database = db;
            schema = owner;
            break;
        case Tab::Login: break;
        }
        // The open-by-type routine: a window already open comes forward and ends the loop.
        QWidget* w = conn->OpenObject(type, database, schema, name, qvOption.OpenMode, false, 0, QString());
        if (!w)
            return;
        if (main)
            main->AddChildWindow(w);
        item->setSelected(false);
    }
}

void TfrmUserList::OutputResource(int objectType, const QString& database, const QString& schema,
                                  const QString& objectName, QIODevice& stream)
{
    IConnectionWindow* conn = OwnerForm();
    try {
        switch (objectType) {
        case 2:
        case 3: TfrmUser::GetScriptResource(conn, database, objectName, stream); break;
        case 68:
            if (ActiveTab() == Tab::DBRole)
                TfrmRole::GetScriptResource(conn, database, schema, objectName, stream);
            break;
        case 119:
        case 120: TfrmLogin::GetScriptResource(conn, objectName, stream); break;
        default: break;
        }
    } catch (...) {
        // The permission script is an extra: its failure leaves the object's script as it is.
    }
}

void TfrmUserList::actScriptExecute()
{
    UpdateActions();
    TfrmObject* conn = Connection();
    if (!conn || !actScript->isEnabled())
        return;
    QString path;
    if (!ui().scriptOptions(conn, path))
        return;
    TfrmMain* main = TfrmMain::instance();
    WaitCursor cursor;
    struct Idle {
        TfrmMain* main;
        ~Idle()
        {
            if (main)
                main->SetDefMessage();
        }
    } idle{main};
    const bool one = ScriptOption.OneScript;
    if (one)
        QFile::remove(path);
    const Tab tab = ActiveTab();
    const bool serverLevel = tab == Tab::Login || tab == Tab::SRole;
    const ScriptContext context{conn->session(), conn};
    QSet<QString> sharedGrantFiles;
    const QList<QTreeWidgetItem*> items = SelectedItems();
    for (int i = 0; i < items.size() && !EscapePressed(); ++i) {
        QTreeWidgetItem* item = items.at(i);
        lstObject->scrollToItem(item);
        if (main)
            main->SetLoopMessage(i + 1, int(items.size()));
        const QString caption = item->text(0);
        const QString database = serverLevel ? QString() : item->text(1);
        const QString owner = serverLevel ? QString() : item->text(2);
        const int type = item->data(0, Qt::UserRole).toInt();
        QFile target(one ? path
                         : seclist::ScriptFilePath(path, tab, database, caption, ScriptOption.Dir,
                                                   GetObjectTypeName(type)));
        OpenTarget(target, !one);
        const QString schema = tab == Tab::DBRole || tab == Tab::Schema ? owner : QString();
        WriteObjectScript(context, type, database, schema, caption, &target, QString(), QString(), ScriptOption.Drop,
                          QString());
        if (ScriptOption.Grant && tab != Tab::SRole) {
            if (ScriptOption.GrantMode == pmSameScript || one) {
                OutputResource(type, database, owner, caption, target);
            } else if (ScriptOption.GrantMode == pmSeparateFolder) {
                QFile grant(seclist::GrantFilePath(path, tab, database, caption));
                OpenTarget(grant, true);
                OutputResource(type, database, owner, caption, grant);
            } else {
                const QString file = seclist::SharedGrantFilePath(path, tab, database, ScriptOption.Dir);
                QFile grant(file);
                OpenTarget(grant, !sharedGrantFiles.contains(file));
                sharedGrantFiles.insert(file);
                OutputResource(type, database, owner, caption, grant);
            }
        }
        target.close();
        item->setSelected(false);
    }
    ui().message(S("スクリプトが出力されました。"), MB_OK | MB_ICONINFORMATION);
}

void TfrmUserList::actDeleteExecute()
{
    UpdateActions();
    TfrmObject* conn = Connection();
    if (!conn || !actDelete->isEnabled())
        return;
    const QList<QTreeWidgetItem*> items = SelectedItems();
    bool ignore = qvOption.DelErr;
    const CheckList checks{CheckItem{S("削除時のエラーを無視する"), &ignore}};
    const int answer = ui().confirm(S("オブジェクトを削除しますか？"), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, checks);
    qvOption.DelErr = ignore;
    if (answer != IDYES)
        return;
    const Tab tab = ActiveTab();
    TObjectSession* s = conn->session();
    const int ver = conn->DBVer();
    QList<actions::Row> rows;
    for (QTreeWidgetItem* item : items) {
        actions::Row r;
        r.name = item->text(0);
        r.type = item->data(0, Qt::UserRole).toInt();
        for (int c = 1; c < lstObject->columnCount(); ++c)
            r.sub << item->text(c);
        rows << r;
    }
    actions::DeleteHooks hooks;
    hooks.drop = [&](const actions::Row& r) {
        const QString db = tab == Tab::Login ? QString() : r.database();
        const QString sql = seclist::DeleteStatement(tab, r.name, s->Use(db), r.sub.value(0), ver);
        if (ver < 9) {
            try {
                if (conn->InTransaction())
                    conn->Commit();
            } catch (const std::exception&) {
            }
        }
        struct After {
            TfrmObject* conn;
            bool old;
            ~After()
            {
                if (!old)
                    return;
                try {
                    if (qvOption.AutoTran && !conn->InTransaction())
                        conn->StartTransaction();
                } catch (const std::exception&) {
                }
            }
        } after{conn, ver < 9};
        s->ExecuteSQL(sql);
    };
    hooks.escape = [] { return EscapePressed(); };
    TfrmMain* main = TfrmMain::instance();
    hooks.progress = [&](int i, int n) {
        if (main)
            main->SetLoopMessage(i, n);
    };
    actions::DeleteOutcome out;
    {
        WaitCursor cursor;
        const QSignalBlocker block(lstObject);
        out = actions::RunDelete(rows, ignore, hooks);
        for (int idx : out.deleted)
            delete items.at(idx);
    }
    if (main)
        main->SetDefMessage();
    UpdateActions();
    if (out.error) {
        // The entry that failed stays selected; the server's text names it.
        std::rethrow_exception(out.error);
    }
    if (!out.failures.isEmpty()) {
        ui().message(actions::DeleteFailureText(rows, out.failures), MB_OK | MB_ICONWARNING);
        return;
    }
    ui().message(S("オブジェクトが削除されました。"), MB_OK | MB_ICONINFORMATION);
    conn->ShowTree();
}

void TfrmUserList::DBChange()
{
    const QString remembered = cmbConnection->currentText();
    const auto own = reinterpret_cast<quintptr>(OwnerForm());
    FillConnections();
    int found = -1;
    for (int i = 0; i < cmbConnection->count(); ++i)
        if (cmbConnection->itemText(i) == remembered && cmbConnection->itemData(i).value<quintptr>() == own)
            found = i;
    if (found < 0) {
        frame()->close();
        return;
    }
    const QSignalBlocker block(cmbConnection);
    cmbConnection->setCurrentIndex(found);
}

bool TfrmUserList::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lstObject && event->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(event);
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            actOpen->trigger();
            return true;
        }
        if (k->key() == Qt::Key_Delete) {
            actDelete->trigger();
            return true;
        }
    }
    return TqvForm::eventFilter(watched, event);
}

void TfrmUserList::LoadWindowSettings()
{
    if (!isNormalState())
        return;
    TqvRegistry reg;
    if (!reg.OpenKey(SettingsKey, true))
        return;
    resize(reg.GetInteger(QStringLiteral("Width"), width()), reg.GetInteger(QStringLiteral("Height"), height()));
}

void TfrmUserList::SaveWindowSettings()
{
    if (!isNormalState())
        return;
    TqvRegistry reg;
    if (!reg.OpenKey(SettingsKey, true))
        return;
    reg.WriteInteger(QStringLiteral("Width"), width());
    reg.WriteInteger(QStringLiteral("Height"), height());
}

} // namespace qv
