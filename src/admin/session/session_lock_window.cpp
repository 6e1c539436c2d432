#include "admin/session/session_lock_window.h"

#include "admin/session/session_text.h"
#include "app/application.h"
#include "app/images.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/wait_cursor.h"
#include "connection/object_session.h"
#include "connection/object_window.h"
#include "controls/lists/qv_listview.h"
#include "platform/db/connection.h"
#include "platform/db/query.h"
#include "platform/exceptions.h"
#include "platform/registry.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

namespace qv {

namespace {
QString S(const char* text) { return QString::fromUtf8(text); }
const QString Title = QString::fromUtf8("ロック情報");
const QString LockOptionKey = SettingsRootKey + QStringLiteral("\\LOCK");
constexpr int ModeColumn = 7;

bool ShowSysObjSetting()
{
    TqvRegistry reg;
    if (!reg.OpenKey(LockOptionKey, true))
        return true;
    return reg.GetBool(QStringLiteral("ShowSysObj"), true);
}
} // namespace

std::function<int(const QString&, int)>& TfrmLock::Message()
{
    static std::function<int(const QString&, int)> hook;
    return hook;
}

TfrmLock::TfrmLock(TfrmObject* owner, const QString& database)
    : TAdminToolWindow(owner, Kind{&staticMetaObject, Title, QStringLiteral("LOCK"), true, false})
{
    setObjectName(QStringLiteral("frmLock"));
    SetIcon(6);
    second = new TSecondSession(this);
    qryGetspid = new db::Query(this);
    qryLock = new db::Query(this);
    qryCursor = new db::Query(this);
    for (db::Query* q : {qryGetspid, qryLock, qryCursor})
        q->SetConnection(second->Connection2);
    qryGetspid->SetParamCreate(false);
    qryCursor->SetParamCreate(false);

    const auto make = [this](int image, const QString& caption, std::function<void()> slot) {
        auto* a = new QAction(imgMain(image), caption, this);
        connect(a, &QAction::triggered, this, [slot] {
            try {
                slot();
            } catch (...) {
                HandleException(std::current_exception());
            }
        });
        return a;
    };
    // The trace-file analysis of the statistics page is not built yet: its actions stay off.
    actExec = make(28, S("解析(&E)"), [] {});
    actSelectFolder = make(72, S("選択(&D)"), [] {});
    actSelectFolder->setToolTip(S("フォルダ選択"));
    actReload = make(16, S("最新(&R)"), [this] { Reload(); });
    actExit = make(42, S("終了(&X)"), [this] { frame()->close(); });
    mnuLock = new QMenu(S("ロック情報(&O)"), this);
    mnuLock->addActions({actExec, actSelectFolder});
    mnuLock->addSeparator();

    tolCmd = new QToolBar(this);
    tolCmd->setObjectName(QStringLiteral("tolCmd"));
    tolCmd->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    tolCmd->addActions({actExec, actSelectFolder, actReload, actExit});
    for (QAction* a : tolCmd->actions())
        if (QWidget* b = tolCmd->widgetForAction(a))
            b->setMinimumWidth(78);
    tolCmd->addSeparator();
    auto* pnl = new QWidget(this);
    auto* pl = new QHBoxLayout(pnl);
    pl->setContentsMargins(0, 0, 4, 0);
    pl->addWidget(pnlName, 2);
    pl->addWidget(new QLabel(S("データベース"), pnl));
    cmbDatabase = new QComboBox(pnl);
    cmbDatabase->setObjectName(QStringLiteral("cmbDatabase"));
    cmbDatabase->setMinimumContentsLength(10);
    cmbDatabase->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    pl->addWidget(cmbDatabase, 1);

    pagObject = new QTabWidget(this);
    pagObject->setObjectName(QStringLiteral("pagObject"));
    tabLock = new QWidget(pagObject);
    tabStats = new QWidget(pagObject);
    pagObject->addTab(tabLock, S("ロック情報"));
    pagObject->addTab(tabStats, S("統計解析"));

    lstLock = new TqvListView(tabLock);
    lstLock->setObjectName(QStringLiteral("lstLock"));
    lstLock->setSelectionMode(QAbstractItemView::SingleSelection);
    lstLock->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstLock->setRootIsDecorated(false);
    lstLock->setEditTriggers(QAbstractItemView::NoEditTriggers);
    const struct {
        const char* caption;
        int width;
    } columns[] = {{"ﾌﾟﾛｾｽID", 70},       {"ユーザー", 90},   {"データベース", 110}, {"マシン名", 110},
                   {"実行プログラム", 140}, {"オブジェクト名", 160}, {"タイプ", 70},     {"要求", 100},
                   {"ﾌﾞﾛｯｸ元", 70},       {"経過時間", 80}};
    lstLock->setColumnCount(10);
    QStringList headers;
    for (const auto& c : columns)
        headers << S(c.caption);
    lstLock->setHeaderLabels(headers);
    for (int i = 0; i < 10; ++i)
        lstLock->setColumnWidth(i, columns[i].width);
    for (int i : {0, 8, 9})
        lstLock->SetColumnAlignment(i, Qt::AlignRight | Qt::AlignVCenter);

    lstCursor = new TqvListView(tabLock);
    lstCursor->setObjectName(QStringLiteral("lstCursor"));
    lstCursor->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstCursor->setRootIsDecorated(false);
    lstCursor->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstCursor->setColumnCount(1);
    lstCursor->setHeaderLabels({S("最後に実行したSQL")});
    lstCursor->header()->setStretchLastSection(true);
    lstCursor->setContextMenuPolicy(Qt::ActionsContextMenu);
    if (TfrmMain* main = TfrmMain::instance())
        if (QAction* copy = main->action(QStringLiteral("actEditCopy")))
            lstCursor->addAction(copy);
    splLock = new QSplitter(Qt::Vertical, tabLock);
    splLock->addWidget(lstLock);
    splLock->addWidget(lstCursor);
    splLock->setChildrenCollapsible(false);
    splLock->setStretchFactor(0, 3);
    splLock->setStretchFactor(1, 1);
    auto* ll = new QVBoxLayout(tabLock);
    ll->setContentsMargins(0, 0, 0, 0);
    ll->addWidget(splLock);

    chkShowSysObj = new QCheckBox(S("システムオブジェクトを表示する"), tabStats);
    chkShowSysObj->setChecked(ShowSysObjSetting());
    auto* sl = new QVBoxLayout(tabStats);
    sl->addWidget(chkShowSysObj);
    sl->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* top = new QHBoxLayout;
    top->addWidget(tolCmd);
    top->addWidget(pnl, 1);
    layout->addLayout(top);
    layout->addWidget(pagObject, 1);
    resize(900, 480);

    connect(cmbDatabase, &QComboBox::activated, this, [this] {
        try {
            Reload();
        } catch (...) {
            HandleException(std::current_exception());
        }
    });
    connect(lstLock, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (!m_building)
            lstLockSelectItem();
    });
    connect(pagObject, &QTabWidget::currentChanged, this, [this] {
        if (m_building)
            return;
        try {
            pagObjectChange();
        } catch (...) {
            HandleException(std::current_exception());
        }
    });

    pagObject->setCurrentWidget(tabLock);
    actExec->setEnabled(false);
    actSelectFolder->setEnabled(false);
    FillConnections();
    m_building = false;
    if (database.trimmed().isEmpty()) {
        cmbConnectionChange();
    } else {
        FillDatabases(database.trimmed());
        UpdateCaption();
        Reload();
    }
}

void TfrmLock::FillDatabases(const QString& select)
{
    FillDatabaseCombo(cmbDatabase, sessiontext::AllDatabases(), select);
}

void TfrmLock::ConnectionChanged()
{
    FillDatabases(QString());
    Reload();
}

void TfrmLock::Reload()
{
    TfrmObject* conn = Connection();
    if (!conn)
        return;
    WaitCursor cursor;
    UpdateCaption();
    lstCursor->clear();
    SecondSessionReading reading(*second, {qryGetspid, qryLock});
    // A log-on failure reaches the standard error box.
    second->Open(conn);
    qryGetspid->Close();
    qryGetspid->SQL().SetText(sessiontext::OwnSpidSql());
    qryGetspid->Open();
    const qint64 own = qryGetspid->Eof() ? 0 : qryGetspid->Fields().at(0)->AsString().trimmed().toLongLong();
    qryGetspid->Close();

    const bool filtered = cmbDatabase->currentIndex() != 0 || cmbDatabase->currentText() != sessiontext::AllDatabases();
    const QSignalBlocker block(lstLock);
    lstLock->setUpdatesEnabled(false);
    lstLock->clear();
    try {
        qryLock->Close();
        qryLock->SetParamCreate(filtered);
        qryLock->SQL().SetText(sessiontext::LockListSql(filtered));
        if (filtered)
            qryLock->ParamByName(QStringLiteral("DATABASE")).SetAsWideString(cmbDatabase->currentText());
        qryLock->Open();
        const qint64 mine = conn->session()->MYSID;
        while (!qryLock->Eof()) {
            const auto f = [this](int i) {
                db::Field* field = qryLock->Fields().at(i);
                return field->IsNull() ? QString() : field->AsString();
            };
            const qint64 spid = f(0).trimmed().toLongLong();
            if (spid != own) {
                QTreeWidgetItem* item = lstLock->AddItem(
                    sessiontext::SpidCaption(spid),
                    {f(1), f(10), f(2), f(3), f(5), sessiontext::ResourceTypeText(f(6).toInt()),
                     sessiontext::RequestModeText(f(7).toInt()), sessiontext::NonZeroText(f(8)),
                     sessiontext::NonZeroText(f(9))});
                if (spid == mine)
                    for (int c = 0; c < lstLock->columnCount(); ++c)
                        item->setForeground(c, QColor(Qt::blue));
                if (!item->text(ModeColumn).isEmpty())
                    item->setForeground(ModeColumn, QColor(Qt::red));
            }
            qryLock->Next();
        }
    } catch (const std::exception&) {
        lstLock->setUpdatesEnabled(true);
        const QString text = S("権限が不足している為、情報を表示する事が出来ません。");
        Message() ? Message()(text, 48) : ShowMessageBox(text, 48);
    }
    lstLock->SortItems();
    lstLock->setUpdatesEnabled(true);
}

void TfrmLock::lstLockSelectItem()
{
    lstCursor->clear();
    const QList<QTreeWidgetItem*> sel = lstLock->selectedItems();
    QTreeWidgetItem* item = sel.isEmpty() ? lstLock->currentItem() : sel.first();
    if (!item)
        return;
    const QString sql = sessiontext::InputBufferSql(item->text(0));
    if (sql.isEmpty())
        return;
    WaitCursor cursor;
    SecondSessionReading reading(*second, {qryCursor});
    try {
        second->Open(Connection());
        qryCursor->Close();
        qryCursor->SQL().SetText(sql);
        qryCursor->Open();
        if (!qryCursor->Eof() && qryCursor->Fields().size() > 2)
            lstCursor->AddItem(sessiontext::OneLine(qryCursor->Fields().at(2)->AsString()));
    } catch (const std::exception&) {
        // The last statement is not shown.
    }
}

void TfrmLock::pagObjectChange()
{
    const bool lockPage = pagObject->currentWidget() == tabLock;
    cmbDatabase->setEnabled(lockPage);
    actReload->setEnabled(lockPage);
    if (lockPage)
        Reload();
}

void TfrmLock::FormCloseQuery(bool& canClose)
{
    Q_UNUSED(canClose);
    try {
        TqvRegistry reg;
        if (reg.OpenKey(LockOptionKey, true))
            reg.WriteBool(QStringLiteral("ShowSysObj"), chkShowSysObj->isChecked());
    } catch (const std::exception&) {
    }
}

} // namespace qv
