#include "admin/backup/dblist_window.h"

#include "admin/backup/dblist_text.h"
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
#include "connection/object_window_actions.h"
#include "connection/script_output_options.h"
#include "controls/lists/qv_listview.h"
#include "platform/db/query.h"
#include "platform/exceptions.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QSet>
#include <QSignalBlocker>
#include <QToolBar>
#include <QVBoxLayout>

namespace qv {

namespace {
QString S(const char* text) { return QString::fromUtf8(text); }

// Opens a script file: anew, or at its end (created when missing).
void OpenTarget(QFile& file, bool anew)
{
    QDir().mkpath(QFileInfo(file.fileName()).absolutePath());
    const QIODevice::OpenMode mode = anew ? QIODevice::WriteOnly | QIODevice::Truncate : QIODevice::ReadWrite;
    if (!file.open(mode))
        throw Exception(S("ファイルを開けません: ") + file.fileName() + QStringLiteral("\r\n") + file.errorString());
    if (!anew)
        file.seek(file.size());
}

// The idle status text again when the guard goes.
struct IdleText {
    ~IdleText()
    {
        if (TfrmMain* main = TfrmMain::instance())
            main->SetDefMessage();
    }
};
} // namespace

TfrmDbList::Ui& TfrmDbList::ui()
{
    static Ui u{
        [](const QString& text, int flags, const CheckList& checks) { return ShowCheckMessageBox(text, flags, checks); },
        [](const QString& text, int flags) { return ShowMessageBox(text, flags); },
        [](TfrmObject* conn, QString& path) {
            QString nameTable;
            return TfrmScriptOption::ShowWindow(conn->session(), path, nameTable, TfrmMain::instance());
        },
        [](QString& source, QString& destination) {
            return InputCopyDatabases(S("データベースのコピー"), S("データベースのコピーを行います。"), source, destination);
        }};
    return u;
}

TfrmDbList::TfrmDbList(TfrmObject* owner)
    : TAdminToolWindow(owner, {&staticMetaObject, S("データベース情報"), QStringLiteral("DBLIST"), false, true})
{
    setObjectName(QStringLiteral("frmDbList"));
    const auto make = [this](int image, const QString& caption, const QString& hint, std::function<void()> slot) {
        auto* a = new QAction(image >= 0 ? imgMain(image) : QIcon(), caption, this);
        a->setToolTip(hint.isEmpty() ? caption : hint);
        connect(a, &QAction::triggered, this, [slot] {
            try {
                slot();
            } catch (...) {
                HandleException(std::current_exception());
            }
        });
        return a;
    };
    actNew = make(116, S("新規(&N)"), S("新しいデータベースを作成します。"), [this] { actNewExecute(); });
    actOpen = make(17, S("開く(&O)"), QString(), [this] { actOpenExecute(); });
    actCopy = make(-1, S("コピー(&C)"), QString(), [this] { actCopyExecute(); });
    actScript = make(18, S("スクリプト出力(&S)"), QString(), [this] { actScriptExecute(); });
    actDelete = make(41, S("削除(&D)"), QString(), [this] { actDeleteExecute(); });
    actOnline = make(-1, S("オンライン(&N)"), QString(), [this] { actOnlineExecute(); });
    actOffline = make(-1, S("オフライン(&F)"), QString(), [this] { actOfflineExecute(); });
    actBackup = make(7, S("バックアップ"), QString(), [this] { actBackupExecute(); });
    actDetach = make(-1, S("デタッチ(&D)"), QString(), [this] { actDetachExecute(); });
    actShrink = make(-1, S("最適サイズに縮小"), QString(), [this] { actShrinkExecute(); });
    actRefresh = make(16, S("最新(&R)"), QString(), [this] { Reload(); });
    actExit = make(42, S("終了(&X)"), QString(), [this] { frame()->close(); });

    tolCmd = new QToolBar(this);
    tolCmd->setObjectName(QStringLiteral("tolCmd"));
    tolCmd->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    tolCmd->addActions({actNew, actOpen, actDelete, actRefresh, actExit});
    for (QAction* a : tolCmd->actions())
        if (QWidget* b = tolCmd->widgetForAction(a))
            b->setMinimumWidth(78);

    mnuTool = new QMenu(S("データベース情報(&O)"), this);
    mnuTool->setObjectName(QStringLiteral("mnuTool"));
    QAction* newItem = mnuTool->addAction(imgMain(116), S("新規作成(&N)"), actNew, &QAction::trigger);
    connect(actNew, &QAction::changed, newItem, [this, newItem] { newItem->setEnabled(actNew->isEnabled()); });
    mnuTool->addActions({actOpen, actCopy, actScript, actDelete});
    mnuTool->addSeparator();
    mnuTool->addActions({actOnline, actOffline});
    mnuTool->addSeparator();
    mnuTool->addActions({actBackup, actDetach});
    mnuTool->addSeparator();
    mnuTool->addAction(actShrink);
    connect(mnuTool, &QMenu::aboutToShow, this, [this] { UpdateActions(); });

    lstDataBase = new TqvListView(this);
    lstDataBase->setObjectName(QStringLiteral("lstDataBase"));
    lstDataBase->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstDataBase->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstDataBase->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstDataBase->setRootIsDecorated(false);
    lstDataBase->setContextMenuPolicy(Qt::CustomContextMenu);
    lstDataBase->installEventFilter(this);
    connect(lstDataBase, &QTreeWidget::itemDoubleClicked, this, [this] { actOpen->trigger(); });
    connect(lstDataBase, &QWidget::customContextMenuRequested, this, [this] { mnuTool->popup(QCursor::pos()); });
    connect(lstDataBase, &QTreeWidget::itemSelectionChanged, this, [this] { UpdateActions(); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    auto* top = new QHBoxLayout();
    top->setContentsMargins(0, 0, 0, 0);
    top->addWidget(tolCmd);
    top->addWidget(pnlName, 1);
    layout->addLayout(top);
    layout->addWidget(lstDataBase, 1);

    SetIcon(116);
    resize(820, 420);
    EnsureWindowSettings();
    FillConnections();
    cmbConnectionChange(); // binds the window to the chosen connection and lists it
}

QList<QTreeWidgetItem*> TfrmDbList::SelectedItems() const
{
    QList<QTreeWidgetItem*> out;
    for (int i = 0; i < lstDataBase->topLevelItemCount(); ++i)
        if (lstDataBase->topLevelItem(i)->isSelected())
            out << lstDataBase->topLevelItem(i);
    return out;
}

void TfrmDbList::UpdateActions()
{
    TfrmObject* conn = Connection();
    const dblist::Actions a =
        conn ? dblist::ComputeActions(int(SelectedItems().size()), conn->IsAzure(), conn->session()->g_DataBase)
             : dblist::Actions{};
    actNew->setEnabled(a.newDb);
    actOpen->setEnabled(a.open);
    actScript->setEnabled(a.script);
    actDelete->setEnabled(a.del);
    actDetach->setEnabled(a.detach);
    actOnline->setEnabled(a.online);
    actOffline->setEnabled(a.offline);
    actShrink->setEnabled(a.shrink);
    actBackup->setEnabled(a.backup);
    actCopy->setVisible(a.copyVisible);
    actCopy->setEnabled(a.copy);
}

void TfrmDbList::Reload()
{
    TfrmObject* conn = Connection();
    if (!conn)
        return;
    TObjectSession* s = conn->session();
    WaitCursor cursor;
    IdleText idle;
    UpdateCaption();
    lstDataBase->clear();
    const QList<dblist::Column> columns = dblist::Columns();
    lstDataBase->setColumnCount(int(columns.size()));
    QStringList headers;
    for (const dblist::Column& c : columns)
        headers << c.caption;
    lstDataBase->setHeaderLabels(headers);
    for (int i = 0; i < columns.size(); ++i)
        lstDataBase->setColumnWidth(i, columns.at(i).width);
    TfrmMain* main = TfrmMain::instance();
    if (main)
        main->SetLoopMessage(0, 0);
    struct Unlock {
        QWidget* list;
        ~Unlock() { list->setUpdatesEnabled(true); }
    } unlock{lstDataBase};
    if (!qvOption.Progress)
        lstDataBase->setUpdatesEnabled(false);
    const bool azure = conn->IsAzure();
    try {
        const QList<QVariantList> rows = conn->QueryRows(dblist::ListSQL(azure, conn->DataBase()));
        for (const QVariantList& row : rows) {
            if (EscapePressed())
                break;
            const QString name = row.value(0).toString();
            const QString state = row.value(3).toString();
            QString users;
            if (state == QLatin1String("ONLINE")) {
                try {
                    db::Query* q = s->OpenSQL(dblist::UserCountSQL(name, conn->DBVer()));
                    if (!q->Eof() && !q->Fields().isEmpty())
                        users = q->Fields().at(0)->AsString();
                    q->Close();
                } catch (const std::exception&) {
                    users.clear(); // the count stays empty; the listing goes on
                }
            }
            QTreeWidgetItem* item = lstDataBase->AddItem(
                name, {row.value(1).toString(), row.value(2).toString(), state, users, row.value(4).toString()});
            const int icon = dblist::RowIcon(name, state, s->g_DataBase, azure);
            item->setIcon(0, imgMain(icon));
            item->setData(0, Qt::UserRole, icon);
            if (qvOption.Progress)
                QCoreApplication::processEvents();
        }
    } catch (const EAbort&) {
        throw;
    } catch (const std::exception&) {
        ui().message(S("権限が不足している為、情報を表示する事が出来ません。"), MB_OK | MB_ICONWARNING);
    }
    lstDataBase->sortItems(0, Qt::AscendingOrder);
    UpdateActions();
}

void TfrmDbList::RowLoop(const std::function<bool(QTreeWidgetItem*)>& each)
{
    TfrmMain* main = TfrmMain::instance();
    const int total = int(SelectedItems().size());
    int count = 0;
    while (!EscapePressed()) {
        const QList<QTreeWidgetItem*> items = SelectedItems();
        if (items.isEmpty())
            break;
        QTreeWidgetItem* item = items.first();
        if (main)
            main->SetLoopMessage(++count, total);
        lstDataBase->scrollToItem(item);
        if (!each(item))
            break; // the row stays selected
        item->setSelected(false);
    }
}

void TfrmDbList::actNewExecute()
{
    UpdateActions();
    TfrmObject* conn = Connection();
    if (!conn || !actNew->isEnabled())
        return;
    if (QWidget* w = conn->OpenObject(1, QString(), QString(), QString(), omDefine, false, 0, QString()))
        if (TfrmMain* main = TfrmMain::instance())
            main->AddChildWindow(w);
}

void TfrmDbList::actOpenExecute()
{
    UpdateActions();
    TfrmObject* conn = Connection();
    if (!conn || !actOpen->isEnabled())
        return;
    IdleText idle;
    RowLoop([&](QTreeWidgetItem* item) {
        QWidget* w = conn->OpenObject(1, QString(), item->text(1), item->text(0), omDefine, false, 0, QString());
        if (!w)
            return false; // the window of that database is open: it came forward, the loop ends
        if (TfrmMain* main = TfrmMain::instance())
            main->AddChildWindow(w);
        return true;
    });
}

void TfrmDbList::actCopyExecute()
{
    UpdateActions();
    TfrmObject* conn = Connection();
    const QList<QTreeWidgetItem*> items = SelectedItems();
    if (!conn || !actCopy->isEnabled() || items.isEmpty())
        return;
    QString source = items.first()->text(0);
    QString destination;
    if (!ui().copyDatabases(source, destination))
        return;
    if (source.trimmed().isEmpty()) {
        ui().message(S("コピー元のデータベースを指定してください。"), MB_OK | MB_ICONWARNING);
        return;
    }
    if (destination.trimmed().isEmpty()) {
        ui().message(S("コピー先のデータベースを指定してください。"), MB_OK | MB_ICONWARNING);
        return;
    }
    conn->session()->ExecuteSQL(dblist::CopySQL(source, destination));
    Reload();
    ui().message(S("データベースのコピーを実行しました。"), MB_OK | MB_ICONINFORMATION);
}

void TfrmDbList::actScriptExecute()
{
    UpdateActions();
    TfrmObject* conn = Connection();
    if (!conn || !actScript->isEnabled())
        return;
    QString path;
    if (!ui().scriptOptions(conn, path))
        return;
    WaitCursor cursor;
    IdleText idle;
    const bool one = ScriptOption.OneScript;
    if (one)
        QFile::remove(path);
    const ScriptContext context{conn->session(), conn};
    QSet<QString> sharedGrantFiles;
    RowLoop([&](QTreeWidgetItem* item) {
        const QString name = item->text(0);
        const QString typeWord = GetObjectTypeName(item->data(0, Qt::UserRole).toInt());
        QFile target(one ? path : dblist::ScriptFilePath(path, name, ScriptOption.Dir, typeWord));
        OpenTarget(target, !one);
        WriteObjectScript(context, 1, name, item->text(1), name, &target, QString(), QString(), ScriptOption.Drop,
                          QString());
        if (ScriptOption.Grant) {
            if (ScriptOption.GrantMode == pmSameScript || one) {
                OutputGrant(*conn->session(), name, name, QStringLiteral("%"), &target, true);
            } else if (ScriptOption.GrantMode == pmSeparateFolder) {
                QFile grant(dblist::GrantFilePath(path, name));
                OpenTarget(grant, true);
                OutputGrant(*conn->session(), name, name, QStringLiteral("%"), &grant, true);
            } else {
                QFile grant(dblist::SharedGrantFilePath(path, ScriptOption.Dir, typeWord));
                // A file left from an earlier run is started afresh, then appended to.
                OpenTarget(grant, !sharedGrantFiles.contains(grant.fileName()));
                sharedGrantFiles.insert(grant.fileName());
                OutputGrant(*conn->session(), name, name, QStringLiteral("%"), &grant, true);
            }
        }
        target.close();
        return true;
    });
    ui().message(S("スクリプトが出力されました。"), MB_OK | MB_ICONINFORMATION);
}

void TfrmDbList::actDeleteExecute()
{
    UpdateActions();
    TfrmObject* conn = Connection();
    if (!conn || !actDelete->isEnabled())
        return;
    const bool azure = conn->IsAzure();
    bool history = true;
    CheckList checks;
    if (!azure)
        checks << CheckItem{S("バックアップ履歴を削除する"), &history};
    if (ui().confirm(S("データベースを削除しますか？"), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, checks) != IDYES)
        return;
    const QList<QTreeWidgetItem*> items = SelectedItems();
    // The log-on database is never dropped, wherever it stands in the selection.
    for (QTreeWidgetItem* item : items)
        if (dblist::IsLogonIcon(item->data(0, Qt::UserRole).toInt())) {
            ui().message(S("ログインデータベースは削除できません。"), MB_OK | MB_ICONERROR);
            return;
        }
    TObjectSession* s = conn->session();
    const int ver = conn->DBVer();
    QList<actions::Row> rows;
    for (QTreeWidgetItem* item : items) {
        actions::Row r;
        r.name = item->text(0);
        r.type = 1;
        rows << r;
    }
    const CommitAround commitAround(OwnerForm());
    IdleText idle;
    actions::DeleteHooks hooks;
    hooks.drop = [&](const actions::Row& r) {
        if (!azure && history)
            s->ExecuteSQL(dblist::DeleteHistorySQL(r.name, ver));
        s->ExecuteSQL(dblist::DropSQL(r.name, azure));
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
        const QSignalBlocker block(lstDataBase);
        out = actions::RunDelete(rows, true, hooks);
        for (int idx : out.deleted)
            delete items.at(idx);
    }
    UpdateActions();
    if (out.error)
        std::rethrow_exception(out.error); // the database that failed stays selected
    if (!out.failures.isEmpty()) {
        // Databases that could not be dropped are named with the server's text, never
        // reported as dropped.
        ui().message(actions::FailureText(S("次のデータベースは削除できませんでした。"), rows, out.failures),
                     MB_OK | MB_ICONWARNING);
        if (!out.deleted.isEmpty())
            conn->ShowTree();
        return;
    }
    ui().message(S("データベースが削除されました。"), MB_OK | MB_ICONINFORMATION);
    conn->ShowTree();
}

void TfrmDbList::actDetachExecute()
{
    UpdateActions();
    TfrmObject* conn = Connection();
    if (!conn || !actDetach->isEnabled())
        return;
    const int ver = conn->DBVer();
    bool statistics = false, fullText = false;
    CheckList checks{CheckItem{S("統計情報を更新する"), &statistics}};
    if (ver >= 9)
        checks << CheckItem{S("フルテキストインデックスも削除する"), &fullText};
    if (ui().confirm(S("データベースをデタッチしますか？"), MB_YESNO, checks) != IDYES)
        return;
    const CommitAround commitAround(OwnerForm());
    {
        IdleText idle;
        RowLoop([&](QTreeWidgetItem* item) {
            conn->session()->ExecuteSQL(dblist::DetachSQL(item->text(0), statistics, fullText, ver));
            return true;
        });
    }
    Reload();
    ui().message(S("デタッチを実行しました。"), MB_OK);
}

void TfrmDbList::actOnlineExecute()
{
    UpdateActions();
    TfrmObject* conn = Connection();
    if (!conn || !actOnline->isEnabled())
        return;
    const CommitAround commitAround(OwnerForm());
    {
        IdleText idle;
        RowLoop([&](QTreeWidgetItem* item) {
            conn->session()->ExecuteSQL(dblist::OnlineSQL(item->text(0)));
            return true;
        });
    }
    Reload();
    conn->ShowTree();
}

void TfrmDbList::actOfflineExecute()
{
    UpdateActions();
    TfrmObject* conn = Connection();
    if (!conn || !actOffline->isEnabled())
        return;
    const CommitAround commitAround(OwnerForm());
    {
        IdleText idle;
        RowLoop([&](QTreeWidgetItem* item) {
            const QString name = item->text(0);
            if (name == conn->DataBase()) {
                ui().message(S("接続時に選択したDBはオフライン出来ません。"), MB_OK | MB_ICONINFORMATION);
                return true;
            }
            conn->session()->ExecuteSQL(dblist::OfflineSQL(name));
            return true;
        });
    }
    Reload();
    conn->ShowTree();
}

QString TfrmDbList::FreeSpace(const QString& database)
{
    TfrmObject* conn = Connection();
    db::Query* q = conn->session()->OpenSQL(dblist::FreeSpaceSQL(database, conn->DBVer()));
    QString free;
    const bool found = !q->Eof() && q->Fields().size() > 2;
    if (found)
        free = q->Fields().at(2)->AsString();
    q->Close();
    return found ? free : QString();
}

void TfrmDbList::actShrinkExecute()
{
    UpdateActions();
    TfrmObject* conn = Connection();
    const QList<QTreeWidgetItem*> items = SelectedItems();
    if (!conn || !actShrink->isEnabled() || items.isEmpty())
        return;
    const QString first = items.first()->text(0);
    const QString before = FreeSpace(first);
    if (ui().message(dblist::ShrinkQuestion(before), MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    {
        const CommitAround commitAround(OwnerForm());
        WaitCursor cursor;
        IdleText idle;
        RowLoop([&](QTreeWidgetItem* item) {
            conn->session()->ExecuteSQL(dblist::ShrinkSQL(item->text(0)));
            return true;
        });
    }
    const QString after = FreeSpace(first);
    if (!after.isEmpty())
        ui().message(dblist::ShrinkDoneText(before, after), MB_OK | MB_ICONINFORMATION);
    Reload();
}

void TfrmDbList::actBackupExecute()
{
    UpdateActions();
    TfrmObject* conn = Connection();
    const QList<QTreeWidgetItem*> items = SelectedItems();
    if (!conn || !actBackup->isEnabled() || items.isEmpty())
        return;
    ToolRequest r;
    r.window = QStringLiteral("TfrmBackup");
    r.caption = S("バックアップ");
    r.database = items.first()->text(0);
    const ToolFactory factory = ToolWindowFactories().value(r.window);
    QWidget* w = factory ? factory(conn, r) : new TfrmToolPlaceholder(conn, r);
    if (w)
        if (TfrmMain* main = TfrmMain::instance())
            main->AddChildWindow(w);
}

void TfrmDbList::FormClose()
{
    // The commands may have left the session in master: back to its database.
    TfrmObject* conn = Connection();
    if (!conn)
        return;
    try {
        conn->session()->ExecuteSQL(conn->session()->Use(conn->DataBase()));
    } catch (const std::exception&) {
    }
}

bool TfrmDbList::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lstDataBase && event->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(event);
        try {
            if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
                actOpenExecute();
                return true;
            }
            if (k->key() == Qt::Key_Delete) {
                actDeleteExecute();
                return true;
            }
        } catch (...) {
            HandleException(std::current_exception());
            return true;
        }
    }
    return TAdminToolWindow::eventFilter(watched, event);
}

} // namespace qv
