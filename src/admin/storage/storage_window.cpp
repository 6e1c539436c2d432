#include "admin/storage/storage_window.h"

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
#include "connection/script_output.h"
#include "connection/script_output_options.h"
#include "controls/lists/qv_listview.h"
#include "objects/filegroup_window.h"
#include "platform/db/query.h"
#include "platform/exceptions.h"
#include "platform/registry.h"
#include "tables/define_frame.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include <cmath>

namespace qv {

namespace {
QString S(const char* text) { return QString::fromUtf8(text); }

constexpr int CellsRole = Qt::UserRole + 1; // every cell of the row by tag

struct IdleText {
    ~IdleText()
    {
        if (TfrmMain* main = TfrmMain::instance())
            main->SetDefMessage();
    }
};

QList<QStringList> Rows(TObjectSession* s, const QString& sql, const QStringList& params)
{
    db::Query* q = params.isEmpty() ? s->OpenSQL(sql) : s->OpenSQL(sql, params);
    QList<QStringList> rows;
    for (; !q->Eof(); q->Next()) {
        QStringList row;
        for (int c = 0; c < q->Fields().size(); ++c)
            row << q->Fields().at(c)->AsString();
        rows << row;
    }
    q->Close();
    return rows;
}

// The usage column drawn as a bar: silver over the cell, blue over the used part.
class RateDelegate : public QStyledItemDelegate {
public:
    RateDelegate(QObject* parent, const int* column) : QStyledItemDelegate(parent), m_column(column) {}
    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        if (index.column() != *m_column) {
            QStyledItemDelegate::paint(p, option, index);
            return;
        }
        const bool selected = option.state & QStyle::State_Selected;
        p->fillRect(option.rect, selected ? option.palette.highlight() : option.palette.base());
        QRect r = option.rect.adjusted(0, 2, 0, -2);
        p->fillRect(r, QColor(192, 192, 192));
        r.adjust(2, 2, -2, -2);
        bool ok = false;
        const double rate = index.data().toString().toDouble(&ok);
        if (ok && r.width() > 0) {
            const int w = int(std::lround(std::clamp(rate, 0.0, 1.0) * r.width()));
            p->fillRect(QRect(r.left(), r.top(), w, r.height()), Qt::blue);
        }
    }

private:
    const int* m_column;
};
} // namespace

TfrmStorage::Ui& TfrmStorage::ui()
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

TfrmStorage::TfrmStorage(TfrmObject* owner, const QString& database)
    : TAdminToolWindow(owner, {&staticMetaObject, S("ファイルグループ情報"), QStringLiteral("STORAGE"), true, false})
{
    setObjectName(QStringLiteral("frmStorage"));
    const auto make = [this](int image, const QString& caption, std::function<void()> slot) {
        auto* a = new QAction(image >= 0 ? imgMain(image) : QIcon(), caption, this);
        connect(a, &QAction::triggered, this, [slot] {
            try {
                slot();
            } catch (...) {
                HandleException(std::current_exception());
            }
        });
        return a;
    };
    actNew = make(69, S("新規(&N)"), [this] { actNewExecute(); });
    actOpen = make(17, S("開く(&O)"), [this] { actOpenExecute(); });
    actScript = make(18, S("スクリプト出力(&S)"), [this] { actScriptExecute(); });
    actDelete = make(41, S("削除(&D)"), [this] { actDeleteExecute(); });
    actRefresh = make(16, S("最新(&R)"), [this] { Reload(); });
    actExit = make(42, S("終了(&X)"), [this] { frame()->close(); });
    actDefault = make(-1, S("既定ファイルグループに設定"), [this] { actDefaultExecute(); });
    actReadOnly = make(-1, S("読取専用に設定"), [this] { actReadOnlyExecute(); });
    actOnline = make(-1, S("オンラインに構成変更"), [this] { actOnlineExecute(); });
    actOffline = make(-1, S("オフラインに構成変更"), [this] { actOfflineExecute(); });
    actShrink = make(-1, S("最適サイズに縮小"), [this] { actShrinkExecute(); });

    tolCmd = new QToolBar(this);
    tolCmd->setObjectName(QStringLiteral("tolCmd"));
    tolCmd->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    tolCmd->addActions({actNew, actOpen, actDelete, actRefresh, actExit});
    for (QAction* a : tolCmd->actions())
        if (QWidget* b = tolCmd->widgetForAction(a))
            b->setMinimumWidth(78);

    // The connection, the database and the size unit beside the tool bar.
    cmbDatabase = new TqvDropDownCombo(pnlName);
    cmbDatabase->setObjectName(QStringLiteral("cmbDatabase"));
    cmbDatabase->setMinimumContentsLength(12);
    cmbDatabase->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cmbDatabase->OnDropDown = [this] {
        const QString current = cmbDatabase->currentText();
        FillDatabaseCombo(cmbDatabase, QString(), current);
        cmbDatabase->removeItem(0);
        cmbDatabase->setCurrentIndex(std::max(0, int(cmbDatabase->findText(current))));
    };
    cmbSize = new TqvDropDownCombo(pnlName);
    cmbSize->setObjectName(QStringLiteral("cmbSize"));
    cmbSize->addItems(storagelist::Units());
    cmbSize->setCurrentText(QStringLiteral("MB"));
    if (auto* row = qobject_cast<QHBoxLayout*>(pnlName->layout())) {
        row->addWidget(new QLabel(S("データベース"), pnlName));
        row->addWidget(cmbDatabase, 1);
        row->addWidget(new QLabel(S("サイズ"), pnlName));
        row->addWidget(cmbSize);
    }

    mnuTool = new QMenu(S("ファイルグループ情報(&O)"), this);
    mnuTool->setObjectName(QStringLiteral("mnuTool"));
    mnuTool->addActions({actNew, actOpen, actScript});
    mnuTool->addSeparator();
    mnuTool->addActions({actOnline, actOffline});
    mnuTool->addSeparator();
    mnuTool->addActions({actDefault, actReadOnly});
    mnuTool->addSeparator();
    mnuTool->addActions({actShrink, actDelete});
    connect(mnuTool, &QMenu::aboutToShow, this, [this] { UpdateActions(); });

    pagStorage = new QTabWidget(this);
    pagStorage->setObjectName(QStringLiteral("pagStorage"));
    tabTBS = new QWidget(pagStorage);
    tabFile = new QWidget(pagStorage);
    for (QWidget* page : {tabTBS, tabFile}) {
        auto* l = new QVBoxLayout(page);
        l->setContentsMargins(2, 2, 2, 2);
    }
    pagStorage->addTab(tabTBS, imgMain(69), S("ファイルグループ"));
    pagStorage->addTab(tabFile, imgMain(71), S("ファイル"));

    lstObject = new TqvListView(tabTBS);
    lstObject->setObjectName(QStringLiteral("lstObject"));
    lstObject->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstObject->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstObject->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstObject->setRootIsDecorated(false);
    lstObject->setContextMenuPolicy(Qt::CustomContextMenu);
    lstObject->installEventFilter(this);
    lstObject->setItemDelegate(new RateDelegate(lstObject, &m_rateColumn));
    connect(lstObject, &QTreeWidget::itemDoubleClicked, this, [this] { actOpen->trigger(); });
    connect(lstObject, &QWidget::customContextMenuRequested, this, [this] { mnuTool->popup(QCursor::pos()); });
    connect(lstObject, &QTreeWidget::itemSelectionChanged, this, [this] { UpdateActions(); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    auto* top = new QHBoxLayout();
    top->setContentsMargins(0, 0, 0, 0);
    top->addWidget(tolCmd);
    top->addWidget(pnlName, 1);
    layout->addLayout(top);
    layout->addWidget(pagStorage, 1);

    const auto reload = [this] {
        try {
            Reload();
        } catch (...) {
            HandleException(std::current_exception());
        }
    };
    connect(cmbDatabase, &QComboBox::activated, this, reload);
    connect(cmbSize, &QComboBox::activated, this, reload);
    connect(pagStorage, &QTabWidget::currentChanged, this, [this, reload] {
        TakeWidths(); // the page left keeps its widths
        PlaceList();
        reload();
    });

    SetIcon(69);
    resize(900, 420);
    EnsureWindowSettings();
    FillConnections();
    UpdateCaption();
    if (database.trimmed().isEmpty()) {
        cmbConnectionChange();
        return;
    }
    FillDatabaseCombo(cmbDatabase, QString(), database.trimmed());
    cmbDatabase->removeItem(0);
    cmbDatabase->setCurrentIndex(std::max(0, int(cmbDatabase->findText(database.trimmed()))));
    PlaceList();
    Reload();
}

bool TfrmStorage::FilePage() const { return pagStorage->currentWidget() == tabFile; }

QString TfrmStorage::Database() const { return cmbDatabase->currentText(); }

QString TfrmStorage::Cell(const QTreeWidgetItem* item, int tag)
{
    return item ? item->data(0, CellsRole).toStringList().value(tag) : QString();
}

void TfrmStorage::PlaceList()
{
    QWidget* page = pagStorage->currentWidget();
    // The list is made on the file-group page but joins a page's layout only here.
    if (lstObject->parentWidget() != page || page->layout()->indexOf(lstObject) < 0) {
        lstObject->setParent(page);
        page->layout()->addWidget(lstObject);
        lstObject->show();
    }
    actNew->setIcon(imgMain(FilePage() ? 71 : 69));
}

void TfrmStorage::ConnectionChanged()
{
    TfrmObject* conn = Connection();
    if (!conn)
        return;
    const QString db = conn->DataBase().trimmed();
    FillDatabaseCombo(cmbDatabase, QString(), db);
    cmbDatabase->removeItem(0);
    cmbDatabase->setCurrentIndex(std::max(0, int(cmbDatabase->findText(db))));
    PlaceList();
    Reload();
}

void TfrmStorage::TakeWidths()
{
    QList<storagelist::ListColumn>& cols = Columns(m_filePage);
    for (int i = 0; i < m_tags.size() && i < lstObject->columnCount(); ++i)
        if (m_tags.at(i) < cols.size())
            cols[m_tags.at(i)].size = lstObject->columnWidth(i);
}

void TfrmStorage::Reload()
{
    TfrmObject* conn = Connection();
    if (!conn)
        return;
    if (cmbDatabase->currentText().isEmpty()) {
        ui().message(S("データベースを指定してください。"), MB_OK | MB_ICONERROR);
        cmbDatabase->setEditText(conn->DataBase());
        if (cmbDatabase->findText(conn->DataBase()) < 0)
            cmbDatabase->addItem(conn->DataBase());
        cmbDatabase->setCurrentText(conn->DataBase());
        cmbDatabase->setFocus();
        Abort();
    }
    TObjectSession* s = conn->session();
    WaitCursor cursor;
    IdleText idle;
    UpdateCaption();
    const bool filePage = FilePage();
    m_filePage = filePage;
    lstObject->clear();
    m_tags.clear();
    QStringList headers;
    const QList<storagelist::ListColumn>& cols = Columns(filePage);
    for (int tag = 0; tag < cols.size(); ++tag)
        if (cols.at(tag).visible) {
            m_tags << tag;
            headers << cols.at(tag).name;
        }
    lstObject->setColumnCount(int(headers.size()));
    lstObject->setHeaderLabels(headers);
    for (int i = 0; i < m_tags.size(); ++i) {
        lstObject->setColumnWidth(i, cols.at(m_tags.at(i)).size);
        lstObject->SetColumnAlignment(i, cols.at(m_tags.at(i)).align);
        lstObject->headerItem()->setTextAlignment(i, cols.at(m_tags.at(i)).align | Qt::AlignVCenter);
    }
    // The bar column of this page, as the delegate reads it.
    m_rateColumn = int(m_tags.indexOf(storagelist::RateTag(filePage)));
    const QString unit = cmbSize->currentText();
    const QString db = Database();
    TfrmMain* main = TfrmMain::instance();
    if (main)
        main->SetLoopMessage(0, 0);
    struct Unlock {
        QWidget* list;
        ~Unlock() { list->setUpdatesEnabled(true); }
    } unlock{lstObject};
    if (!qvOption.Progress)
        lstObject->setUpdatesEnabled(false);
    try {
        const int ver = conn->DBVer();
        const QString sql = s->Use(db) + (filePage ? storagelist::FileListSql(ver) : storagelist::FileGroupListSql());
        const QList<QStringList> rows = Rows(s, sql, filePage && ver >= 9 ? QStringList{db} : QStringList());
        for (const QStringList& row : rows) {
            if (EscapePressed())
                break;
            QStringList cells;
            int icon = 71;
            if (!filePage) {
                icon = 69;
                storagelist::GroupRow g;
                g.name = row.value(4);
                g.sizePages = row.value(2);
                g.usedPages = row.value(3);
                g.isDefault = row.value(5);
                g.isReadOnly = row.value(6);
                g.fileCount = row.value(7);
                const QList<QStringList> max = Rows(s, s->Use(db) + storagelist::GroupMaxSql(), {row.value(1)});
                g.maxPages = max.isEmpty() ? 0 : max.first().value(1).trimmed().toLongLong();
                cells = storagelist::GroupCells(g, unit);
            } else {
                storagelist::FileRow f;
                f.name = row.value(0);
                f.physicalName = row.value(1);
                f.groupName = row.value(2);
                f.sizePages = row.value(3);
                f.maxPages = row.value(4);
                f.usedPages = row.value(5);
                f.state = row.value(6);
                f.isLogFile = row.value(7);
                cells = storagelist::FileCells(f, unit);
            }
            QStringList shown;
            for (int tag : m_tags)
                shown << cells.value(tag);
            QTreeWidgetItem* item = lstObject->AddItem(shown.value(0), shown.mid(1));
            item->setIcon(0, imgMain(icon));
            item->setData(0, Qt::UserRole, icon);
            item->setData(0, CellsRole, cells);
            for (int i = 0; i < m_tags.size(); ++i)
                item->setTextAlignment(i, cols.at(m_tags.at(i)).align | Qt::AlignVCenter);
            if (qvOption.Progress)
                QCoreApplication::processEvents();
        }
    } catch (const EAbort&) {
        throw;
    } catch (const std::exception&) {
        ui().message(S("権限が不足している為、情報を表示する事が出来ません。"), MB_OK | MB_ICONWARNING);
    }
    UpdateActions();
}

QList<QTreeWidgetItem*> TfrmStorage::SelectedItems() const
{
    QList<QTreeWidgetItem*> out;
    for (int i = 0; i < lstObject->topLevelItemCount(); ++i)
        if (lstObject->topLevelItem(i)->isSelected())
            out << lstObject->topLevelItem(i);
    return out;
}

void TfrmStorage::UpdateActions()
{
    const int selected = int(SelectedItems().size());
    const bool filePage = FilePage();
    const TfrmObject* conn = Connection();
    const int ver = conn ? conn->DBVer() : 0;
    actOpen->setEnabled(selected > 0);
    actScript->setEnabled(selected > 0);
    actDelete->setEnabled(selected > 0);
    actDefault->setEnabled(selected == 1 && !filePage);
    actReadOnly->setEnabled(selected == 1 && !filePage);
    actOnline->setEnabled(selected > 0 && filePage && ver >= 9);
    actOffline->setEnabled(selected > 0 && filePage && ver >= 9);
    actShrink->setEnabled(selected > 0 && filePage);
    const QList<QTreeWidgetItem*> items = SelectedItems();
    actReadOnly->setText(storagelist::ReadOnlyCaption(items.isEmpty() || filePage ? QString() : Cell(items.first(), 7)));
}

void TfrmStorage::RowLoop(const std::function<bool(QTreeWidgetItem*)>& each)
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
        lstObject->scrollToItem(item);
        if (!each(item))
            break; // the row stays selected
        item->setSelected(false);
    }
}

void TfrmStorage::actNewExecute()
{
    TfrmObject* conn = Connection();
    if (!conn)
        return;
    auto* w = new TfrmTBS(conn, Database(), QString(), FilePage() ? 71 : 69, omDefine);
    if (TfrmMain* main = TfrmMain::instance())
        main->AddChildWindow(w);
}

void TfrmStorage::actOpenExecute()
{
    UpdateActions();
    TfrmObject* conn = Connection();
    if (!conn || !actOpen->isEnabled())
        return;
    IdleText idle;
    const int image = FilePage() ? 71 : 69;
    RowLoop([&](QTreeWidgetItem* item) {
        TfrmTBS* w = nullptr;
        try {
            w = new TfrmTBS(conn, Database(), item->text(0), image, qvOption.OpenMode);
        } catch (const EAbort&) {
            return false; // its window is open: it came forward, the loop ends
        }
        if (TfrmMain* main = TfrmMain::instance())
            main->AddChildWindow(w);
        return true;
    });
}

void TfrmStorage::actScriptExecute()
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
        ::QFile::remove(path);
    const ScriptContext context{conn->session(), conn};
    const QString db = Database();
    RowLoop([&](QTreeWidgetItem* item) {
        const int icon = item->data(0, Qt::UserRole).toInt();
        const QString name = item->text(0);
        const QString file = name + QStringLiteral(".SQL");
        ::QFile target(one ? path
                         : ScriptOption.Dir ? JoinSafePath(path, {db, GetObjectTypeName(icon), file})
                                            : JoinSafePath(path, {file}));
        QDir().mkpath(QFileInfo(target.fileName()).absolutePath());
        if (!target.open(one ? QIODevice::ReadWrite : QIODevice::WriteOnly | QIODevice::Truncate))
            throw Exception(S("ファイルを開けません: ") + target.fileName() + QStringLiteral("\r\n") + target.errorString());
        if (one)
            target.seek(target.size());
        OutputScript(context, icon, db, QString(), name, &target, QString(), QString(), ScriptOption.Drop, QString());
        return true;
    });
    ui().message(S("スクリプトが出力されました。"), MB_OK | MB_ICONINFORMATION);
}

void TfrmStorage::actDeleteExecute()
{
    UpdateActions();
    TfrmObject* conn = Connection();
    if (!conn || !actDelete->isEnabled())
        return;
    const bool filePage = FilePage();
    bool withFiles = false;
    CheckList checks;
    if (!filePage)
        checks << CheckItem{S("データファイルも同時に削除する"), &withFiles};
    if (ui().confirm(S("オブジェクトを削除しますか？"), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, checks) != IDYES)
        return;
    const QList<QTreeWidgetItem*> items = SelectedItems();
    QList<actions::Row> rows;
    for (QTreeWidgetItem* item : items) {
        actions::Row r;
        r.name = item->text(0);
        r.type = item->data(0, Qt::UserRole).toInt();
        rows << r;
    }
    TObjectSession* s = conn->session();
    const QString db = Database();
    IdleText idle;
    actions::DeleteHooks hooks;
    hooks.drop = [&](const actions::Row& r) {
        const CommitAround commitAround(OwnerForm());
        if (filePage) {
            s->ExecuteSQL(storagelist::RemoveFileSql(db, r.name));
            return;
        }
        if (withFiles)
            for (const QStringList& f : Rows(s, storagelist::GroupFilesSql(db, r.name), {}))
                s->ExecuteSQL(storagelist::RemoveFileSql(db, f.value(0)));
        s->ExecuteSQL(storagelist::RemoveGroupSql(db, r.name));
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
        for (QTreeWidgetItem* item : items)
            item->setSelected(true);
        out = actions::RunDelete(rows, qvOption.DelErr, hooks);
        for (int idx : out.deleted)
            delete items.at(idx);
    }
    UpdateActions();
    if (out.error)
        std::rethrow_exception(out.error); // the row that failed stays selected
    if (!out.failures.isEmpty()) {
        // Rows left behind are named with the server's text, never reported as deleted.
        ui().message(actions::DeleteFailureText(rows, out.failures), MB_OK | MB_ICONWARNING);
        return;
    }
    if (out.stopped)
        return;
    ui().message(S("オブジェクトが削除されました。"), MB_OK | MB_ICONINFORMATION);
}

void TfrmStorage::actDefaultExecute()
{
    UpdateActions();
    TfrmObject* conn = Connection();
    const QList<QTreeWidgetItem*> items = SelectedItems();
    if (!conn || !actDefault->isEnabled() || items.isEmpty())
        return;
    {
        const CommitAround commitAround(OwnerForm());
        conn->session()->ExecuteSQL(storagelist::DefaultSql(Database(), items.first()->text(0)));
    }
    Reload();
    ui().message(S("既定のファイルグループを変更しました。"), MB_OK | MB_ICONINFORMATION);
}

void TfrmStorage::actReadOnlyExecute()
{
    UpdateActions();
    TfrmObject* conn = Connection();
    const QList<QTreeWidgetItem*> items = SelectedItems();
    if (!conn || !actReadOnly->isEnabled() || items.isEmpty())
        return;
    const bool readOnly = actReadOnly->text() == S("読取専用に設定");
    {
        const CommitAround commitAround(OwnerForm());
        conn->session()->ExecuteSQL(
            storagelist::ReadOnlySql(Database(), items.first()->text(0), readOnly, conn->DBVer()));
    }
    Reload();
}

void TfrmStorage::actOnlineExecute()
{
    UpdateActions();
    TfrmObject* conn = Connection();
    if (!conn || !actOnline->isEnabled())
        return;
    {
        IdleText idle;
        RowLoop([&](QTreeWidgetItem* item) {
            const CommitAround commitAround(OwnerForm());
            conn->session()->ExecuteSQL(storagelist::OnlineSql(Database(), item->text(0), Cell(item, 3)));
            return true;
        });
    }
    Reload();
}

void TfrmStorage::actOfflineExecute()
{
    UpdateActions();
    TfrmObject* conn = Connection();
    if (!conn || !actOffline->isEnabled())
        return;
    {
        IdleText idle;
        RowLoop([&](QTreeWidgetItem* item) {
            const CommitAround commitAround(OwnerForm());
            conn->session()->ExecuteSQL(storagelist::OfflineSql(Database(), item->text(0)));
            return true;
        });
    }
    Reload();
}

void TfrmStorage::actShrinkExecute()
{
    UpdateActions();
    TfrmObject* conn = Connection();
    if (!conn || !actShrink->isEnabled())
        return;
    if (ui().message(S("最適サイズに縮小しますか？"), MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    {
        const CommitAround commitAround(OwnerForm());
        WaitCursor cursor;
        IdleText idle;
        RowLoop([&](QTreeWidgetItem* item) {
            conn->session()->ExecuteSQL(storagelist::ShrinkSql(Database(), item->text(0)));
            return true;
        });
    }
    Reload();
}

void TfrmStorage::LoadWindowSettings()
{
    TAdminToolWindow::LoadWindowSettings();
    TqvRegistry reg;
    if (!reg.OpenKey(SettingsRootKey + QStringLiteral("\\GUI\\STORAGE"), true))
        return;
    for (int page = 0; page < 2; ++page) {
        const QString prefix = page ? QStringLiteral("FILE") : QStringLiteral("TBS");
        QList<storagelist::ListColumn>& cols = Columns(page == 1);
        for (int tag = 0; tag < cols.size(); ++tag) {
            cols[tag].size = reg.GetInteger(prefix + QStringLiteral("Size") + QString::number(tag), cols[tag].size);
            cols[tag].visible = reg.GetBool(prefix + QStringLiteral("Visible") + QString::number(tag), cols[tag].visible);
        }
    }
}

void TfrmStorage::SaveWindowSettings()
{
    TAdminToolWindow::SaveWindowSettings();
    if (!isNormalState())
        return;
    TakeWidths();
    TqvRegistry reg;
    if (!reg.OpenKey(SettingsRootKey + QStringLiteral("\\GUI\\STORAGE"), true))
        return;
    for (int page = 0; page < 2; ++page) {
        const QString prefix = page ? QStringLiteral("FILE") : QStringLiteral("TBS");
        const QList<storagelist::ListColumn>& cols = Columns(page == 1);
        for (int tag = 0; tag < cols.size(); ++tag) {
            reg.WriteInteger(prefix + QStringLiteral("Size") + QString::number(tag), cols[tag].size);
            reg.WriteBool(prefix + QStringLiteral("Visible") + QString::number(tag), cols[tag].visible);
        }
    }
}

bool TfrmStorage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lstObject && event->type() == QEvent::KeyPress) {
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
