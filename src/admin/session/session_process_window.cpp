#include "admin/session/session_process_window.h"

#include "admin/session/session_text.h"
#include "app/application.h"
#include "app/images.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/options.h"
#include "app/wait_cursor.h"
#include "connection/object_session.h"
#include "connection/object_window.h"
#include "controls/lists/qv_listview.h"
#include "platform/db/connection.h"
#include "platform/db/query.h"
#include "platform/exceptions.h"
#include "platform/registry.h"

#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QSignalBlocker>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace qv {

namespace {
QString S(const char* text) { return QString::fromUtf8(text); }
const QString SettingsKey = SettingsRootKey + QStringLiteral("\\GUI\\SESSION");
const QString Title = QString::fromUtf8("プロセス情報");

} // namespace

std::function<int(const QString&, int)>& TfrmSession::Message()
{
    static std::function<int(const QString&, int)> hook;
    return hook;
}

static int Box(const QString& text, int flags)
{
    return TfrmSession::Message() ? TfrmSession::Message()(text, flags) : ShowMessageBox(text, flags);
}

TfrmSession::TfrmSession(TfrmObject* owner, const QString& database)
    : TAdminToolWindow(owner, Kind{&staticMetaObject, Title, QStringLiteral("SESSION"), true, false})
{
    setObjectName(QStringLiteral("frmSession"));
    SetIcon(124);
    second = new TSecondSession(this);
    qrySession = new db::Query(this);
    qryGetspid = new db::Query(this);
    qryCursor = new db::Query(this);
    for (db::Query* q : {qrySession, qryGetspid, qryCursor}) {
        q->SetConnection(second->Connection2);
        q->SetParamCreate(false);
    }

    tolCmd = new QToolBar(this);
    tolCmd->setObjectName(QStringLiteral("tolCmd"));
    tolCmd->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
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
    actKill = make(41, S("切断(&D)"), [this] { actKillExecute(); });
    actRefresh = make(16, S("最新(&R)"), [this] { Reload(); });
    actExit = make(42, S("終了(&X)"), [this] { frame()->close(); });
    tolCmd->addActions({actKill, actRefresh, actExit});
    for (QAction* a : tolCmd->actions())
        if (QWidget* b = tolCmd->widgetForAction(a))
            b->setMinimumWidth(78);
    mnuSession = new QMenu(S("プロセス情報(&O)"), this);
    mnuSession->addAction(actKill);

    auto* pnl = new QWidget(this);
    auto* pl = new QHBoxLayout(pnl);
    pl->setContentsMargins(4, 0, 4, 0);
    const auto check = [pnl, pl](int image, const QString& hint, bool down) {
        auto* b = new QToolButton(pnl);
        b->setIcon(imgMain(image));
        b->setToolTip(hint);
        b->setCheckable(true);
        b->setChecked(down);
        b->setAutoRaise(true);
        pl->addWidget(b);
        return b;
    };
    btnUser = check(3, S("ユーザープロセスを表示"), true);
    btnBG = check(5, S("バックグラウンドプロセスを表示"), false);
    pl->addWidget(pnlName, 2);
    pl->addWidget(new QLabel(S("データベース"), pnl));
    Cmbdatabase = new QComboBox(pnl);
    Cmbdatabase->setObjectName(QStringLiteral("Cmbdatabase"));
    Cmbdatabase->setMinimumContentsLength(10);
    Cmbdatabase->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    pl->addWidget(Cmbdatabase, 1);

    lstSession = new TqvListView(this);
    lstSession->setObjectName(QStringLiteral("lstSession"));
    lstSession->setSelectionMode(QAbstractItemView::SingleSelection);
    lstSession->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstSession->setRootIsDecorated(false);
    lstSession->setEditTriggers(QAbstractItemView::NoEditTriggers);
    const struct {
        const char* caption;
        int width;
    } columns[] = {{"ﾌﾟﾛｾｽID", 70},     {"状態", 70},         {"ユーザー", 90},        {"データベース", 110},
                   {"OSユーザー", 90}, {"マシン名", 100}, {"実行プログラム", 120}, {"実行コマンド", 200}};
    lstSession->setColumnCount(8);
    QStringList headers;
    for (const auto& c : columns)
        headers << S(c.caption);
    lstSession->setHeaderLabels(headers);
    for (int i = 0; i < 8; ++i)
        lstSession->setColumnWidth(i, columns[i].width);
    lstSession->SetColumnAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
    lstSession->setContextMenuPolicy(Qt::ActionsContextMenu);
    lstSession->addAction(actKill);
    lstSession->installEventFilter(this);

    lstCursor = new TqvListView(this);
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

    splList = new QSplitter(Qt::Vertical, this);
    splList->addWidget(lstSession);
    splList->addWidget(lstCursor);
    splList->setChildrenCollapsible(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* top = new QHBoxLayout;
    top->addWidget(tolCmd);
    top->addWidget(pnl, 1);
    layout->addLayout(top);
    layout->addWidget(splList, 1);
    resize(860, 480);

    connect(btnUser, &QToolButton::clicked, this, [this] { btnUserClick(btnUser); });
    connect(btnBG, &QToolButton::clicked, this, [this] { btnUserClick(btnBG); });
    connect(Cmbdatabase, &QComboBox::activated, this, [this] {
        try {
            Reload();
        } catch (...) {
            HandleException(std::current_exception());
        }
    });
    connect(lstSession, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (m_building)
            return;
        UpdateActions();
        lstSessionSelectItem();
    });

    FillConnections();
    m_building = false;
    if (database.trimmed().isEmpty()) {
        cmbConnectionChange();
    } else {
        FillDatabases(database.trimmed());
        UpdateCaption();
        Reload();
    }
    UpdateActions();
}

void TfrmSession::FillDatabases(const QString& select)
{
    FillDatabaseCombo(Cmbdatabase, sessiontext::AllDatabases(), select);
}

void TfrmSession::ConnectionChanged()
{
    FillDatabases(QString());
    Reload();
}

void TfrmSession::Reload()
{
    TfrmObject* conn = Connection();
    if (!conn)
        return;
    WaitCursor cursor;
    int own = 0;
    const bool opened = [&] {
        try {
            second->Open(conn);
            qryGetspid->Close();
            qryGetspid->SQL().SetText(sessiontext::OwnSpidSql());
            qryGetspid->Open();
            if (!qryGetspid->Eof())
                own = qryGetspid->Fields().at(0)->AsString().toInt();
            qryGetspid->Close();
        } catch (const std::exception&) {
        }
        return second->Connection2->Connected();
    }();
    sessiontext::ProcessFilter filter;
    filter.user = btnUser->isChecked();
    filter.background = btnBG->isChecked();
    if (Cmbdatabase->currentIndex() != 0 || Cmbdatabase->currentText() != sessiontext::AllDatabases())
        filter.database = Cmbdatabase->currentText();
    const QString sql = sessiontext::ProcessListSql(filter, own);

    QTreeWidgetItem* selected = lstSession->currentItem();
    const QString remembered = selected && selected->isSelected() ? selected->text(0) : QString();
    {
        SecondSessionReading reading(*second, {qryGetspid, qrySession});
        const QSignalBlocker block(lstSession);
        lstSession->setUpdatesEnabled(false);
        lstSession->clear();
        try {
            if (!opened)
                throw Exception(QStringLiteral("second session not connected"));
            qrySession->Close();
            qrySession->SQL().SetText(sql);
            qrySession->Open();
            const QColor own = Qt::blue;
            while (!qrySession->Eof()) {
                const auto f = [this](int i) { return qrySession->Fields().at(i)->AsString(); };
                const qint64 spid = f(0).trimmed().toLongLong();
                QTreeWidgetItem* item = lstSession->AddItem(
                    sessiontext::SpidCaption(spid),
                    {f(1).trimmed(), f(2).trimmed(), f(3).trimmed(), sessiontext::OsUser(f(4), f(5)), f(6).trimmed(),
                     sessiontext::ProgramName(f(7)), f(8).trimmed()});
                if (spid == conn->session()->MYSID)
                    for (int c = 0; c < lstSession->columnCount(); ++c)
                        item->setForeground(c, own);
                qrySession->Next();
            }
        } catch (const std::exception&) {
            lstSession->setUpdatesEnabled(true);
            Box(S("権限が不足している為、情報を表示する事が出来ません。"), 48);
        }
        lstSession->SortItems();
        for (int i = 0; i < lstSession->topLevelItemCount() && !remembered.isEmpty(); ++i)
            if (QTreeWidgetItem* item = lstSession->topLevelItem(i); item->text(0) == remembered) {
                lstSession->setCurrentItem(item);
                item->setSelected(true);
            }
        lstSession->setUpdatesEnabled(true);
    }
    UpdateActions();
    lstSessionSelectItem();
}

void TfrmSession::lstSessionSelectItem()
{
    WaitCursor cursor;
    lstCursor->clear();
    const QList<QTreeWidgetItem*> sel = lstSession->selectedItems();
    if (sel.isEmpty())
        return;
    const QString sql = sessiontext::InputBufferSql(sel.first()->text(0));
    if (sql.isEmpty())
        return;
    try {
        second->Open(Connection());
        SecondSessionReading reading(*second, {qryCursor});
        qryCursor->Close();
        qryCursor->SQL().SetText(sql);
        qryCursor->Open();
        if (!qryCursor->Eof() && qryCursor->Fields().size() > 2)
            lstCursor->AddItem(sessiontext::OneLine(qryCursor->Fields().at(2)->AsString()));
    } catch (const std::exception&) {
        // The last statement is not shown.
        second->Close({qryCursor});
    }
}

void TfrmSession::btnUserClick(QToolButton* clicked)
{
    // One kind is always shown.
    if (!btnUser->isChecked() && !btnBG->isChecked())
        clicked->setChecked(true);
    try {
        Reload();
    } catch (...) {
        HandleException(std::current_exception());
    }
}

void TfrmSession::UpdateActions()
{
    actKill->setEnabled(!lstSession->selectedItems().isEmpty());
}

void TfrmSession::actKillExecute()
{
    const QList<QTreeWidgetItem*> sel = lstSession->selectedItems();
    TfrmObject* conn = Connection();
    if (sel.isEmpty() || !conn)
        return;
    if (Box(S("指定したセッションを切断しますか？"), 36) != 6)
        return;
    const QString sql = sessiontext::KillSql(sel.first()->text(0));
    if (sql.isEmpty())
        return;
    // Commit before; a new transaction after when AutoTran asks for one, also after a failure,
    // so that the session never stays outside it.
    const CommitAround commitAround(OwnerForm());
    conn->session()->ExecuteSQL(sql);
    Reload();
}

bool TfrmSession::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lstSession && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete && actKill->isEnabled()) {
        actKill->trigger();
        return true;
    }
    return TqvForm::eventFilter(watched, event);
}

void TfrmSession::LoadWindowSettings()
{
    TAdminToolWindow::LoadWindowSettings();
    TqvRegistry reg;
    if (!reg.OpenKey(SettingsKey, true))
        return;
    const int total = std::max(2, splList->height());
    const int h = std::max(lstSession->minimumSizeHint().height(), reg.GetInteger(QStringLiteral("ListHeight"), total / 2));
    splList->setSizes({h, std::max(1, total - h)});
}

void TfrmSession::SaveWindowSettings()
{
    TqvRegistry reg;
    if (!reg.OpenKey(SettingsKey, true))
        return;
    TAdminToolWindow::SaveWindowSettings();
    reg.WriteInteger(QStringLiteral("ListHeight"), lstSession->height());
}

} // namespace qv
