#include "tools/grant/grant_window.h"

#include "app/application.h"
#include "app/images.h"
#include "app/main_window.h"
#include "app/object_types.h"
#include "app/options.h"
#include "app/transaction_rule.h"
#include "app/wait_cursor.h"
#include "connection/object_list_view.h"
#include "connection/object_window.h"
#include "connection/object_window_actions.h"
#include "controls/lists/qv_listview.h"
#include "platform/db/query.h"
#include "platform/exceptions.h"
#include "platform/registry.h"
#include "tools/tool_ui.h"

#include <QAction>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QScopeGuard>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTableWidget>
#include <QToolBar>
#include <QVBoxLayout>

namespace qv {

namespace {
const QString GuiKey = SettingsRootKey + QStringLiteral("\\GUI\\GRANT");
constexpr int TypeRole = Qt::UserRole;

QObject* CheckNotOpen(TfrmObject* owner)
{
    if (TfrmMain* main = TfrmMain::instance(); main && owner)
        if (main->FindWindow(TfrmGrant::staticMetaObject, TfrmGrant::CaptionFor(owner), true))
            Abort();
    return owner;
}

QWidget* Titled(const QString& title, QWidget* body, QWidget* parent)
{
    auto* box = new QWidget(parent);
    auto* l = new QVBoxLayout(box);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(0);
    auto* label = new QLabel(title, box);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Raised);
    l->addWidget(label);
    body->setParent(box);
    l->addWidget(body, 1);
    return box;
}
} // namespace

QString TfrmGrant::CaptionFor(const TfrmObject* owner)
{
    return QStringLiteral("権限付与 - ") + owner->GetConnectInfo(QString(), QString(), true);
}

TfrmGrant::TfrmGrant(TfrmObject* owner) : TqvForm(CheckNotOpen(owner))
{
    setWindowTitle(CaptionFor(owner));
    SetIcon(91);
    CreateTaskButton();
    SetTaskCaption(owner->GetConnectInfo(QString(), QString(), true));
    FDatabase = owner->DataBase();

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    auto* tolCmd = new QToolBar(this);
    tolCmd->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    actExec = new QAction(imgMain(28), QStringLiteral("実行(&E)"), this);
    actExec->setToolTip(QStringLiteral("権限の付与を行います。"));
    actExit = new QAction(imgMain(42), QStringLiteral("終了(&X)"), this);
    tolCmd->addAction(actExec);
    tolCmd->addAction(actExit);
    for (QAction* a : {actExec, actExit})
        if (QWidget* b = tolCmd->widgetForAction(a))
            b->setMinimumWidth(78);
    root->addWidget(tolCmd);
    m_menu = new QMenu(QStringLiteral("権限付与(&O)"), this);
    m_menu->addAction(actExec);

    lstUser = new TqvListView(this);
    lstUser->setHeaderLabels({QStringLiteral("名前"), QStringLiteral("タイプ")});
    lstUser->setRootIsDecorated(false);
    lstUser->setColumnWidth(0, 160);
    grdGrant = new QTableWidget(0, 4, this);
    grdGrant->setHorizontalHeaderLabels(
        {QStringLiteral("権限"), QStringLiteral("許可"), QStringLiteral("許可の付与"), QStringLiteral("拒否")});
    grdGrant->verticalHeader()->hide();
    grdGrant->verticalHeader()->setDefaultSectionSize(grdGrant->fontMetrics().height() + 8);
    grdGrant->setColumnWidth(0, 174);
    for (int c = 1; c <= 3; ++c)
        grdGrant->setColumnWidth(c, 75);
    grdGrant->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdGrant->setSelectionMode(QAbstractItemView::NoSelection);
    lstGrant = new TqvListView(this);
    lstGrant->setHeaderLabels({QStringLiteral("権限付与先"), QStringLiteral("権限名"), QStringLiteral("状態"),
                               QStringLiteral("オブジェクト名")});
    lstGrant->setRootIsDecorated(false);
    lstGrant->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstGrant->setColumnWidth(0, 140);
    lstGrant->setColumnWidth(1, 140);
    lstGrant->setColumnWidth(2, 110);
    lstGrant->setContextMenuPolicy(Qt::CustomContextMenu);
    lstGrant->installEventFilter(this);
    popRevoke = new QAction(QStringLiteral("権限の取消(&R)"), this);

    auto* top = new QSplitter(Qt::Horizontal, this);
    top->addWidget(Titled(QStringLiteral(" ユーザー一覧"), lstUser, top));
    top->addWidget(Titled(QStringLiteral(" 権限一覧"), grdGrant, top));
    top->setStretchFactor(1, 1);
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(top);
    split->addWidget(Titled(QStringLiteral(" 付与済みの権限"), lstGrant, split));
    root->addWidget(split, 1);

    auto guarded = [this](auto fn) {
        return [this, fn] {
            try {
                (this->*fn)();
            } catch (...) {
                HandleException(std::current_exception());
            }
        };
    };
    connect(actExec, &QAction::triggered, this, guarded(&TfrmGrant::Compile));
    connect(actExit, &QAction::triggered, this, [this] { frame()->close(); });
    connect(popRevoke, &QAction::triggered, this, guarded(&TfrmGrant::popRevokeClick));
    connect(lstUser, &QTreeWidget::itemSelectionChanged, this, guarded(&TfrmGrant::lstUserClick));
    connect(lstUser, &QTreeWidget::itemDoubleClicked, this, guarded(&TfrmGrant::lstUserDblClick));
    connect(grdGrant, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) { gridItemChanged(item); });
    connect(lstGrant, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        QMenu menu;
        menu.addAction(popRevoke);
        menu.exec(lstGrant->viewport()->mapToGlobal(pos));
    });
    if (TfrmMain* main = TfrmMain::instance(); main && main->mdiArea())
        connect(main->mdiArea(), &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* sub) {
            if (sub && sub->widget() == this) {
                try {
                    FormActivate();
                } catch (...) {
                    HandleException(std::current_exception());
                }
            }
        });
    resize(760, 560);
    LoadUsers();
    UpdateGridState();
}

TfrmObject* TfrmGrant::Connection() const
{
    return OwnerForm() ? dynamic_cast<TfrmObject*>(OwnerForm()->connectionWidget()) : nullptr;
}

void TfrmGrant::LoadUsers()
{
    TfrmObject* conn = Connection();
    if (!conn)
        return;
    WaitCursor wait;
    QStringList names;
    conn->session()->GetUser(names, FDatabase, true);
    lstUser->clear();
    for (const QString& name : names) {
        db::Query* q = conn->session()->OpenSQL(grant::PrincipalTypeSql(FDatabase), {name});
        bool user = false;
        if (!q->Eof())
            user = q->Fields().at(0)->AsInteger() == 1 || q->Fields().at(1)->AsInteger() == 1;
        q->Close();
        QTreeWidgetItem* item = lstUser->AddItem(name, {user ? QStringLiteral("USER") : QStringLiteral("ROLE")});
        const int icon = user ? ObjType::User : ObjType::Role;
        item->setIcon(0, imgMain(icon));
        item->setData(0, TypeRole, icon);
    }
}

void TfrmGrant::FormActivate()
{
    LoadObjects();
    LoadGrants();
}

void TfrmGrant::LoadObjects()
{
    m_items.clear();
    m_itemTypes.clear();
    TfrmObject* conn = Connection();
    if (!conn)
        return;
    for (int i = 0; i < conn->lstObject->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = conn->lstObject->topLevelItem(i);
        if (!item->isSelected())
            continue;
        const actions::Row r = TObjectActions::RowOf(item);
        m_items << grant::ObjectEntry(r.database(), r.schema(), r.name);
        m_itemTypes << r.type;
    }
}

void TfrmGrant::SetRows(const QStringList& privileges)
{
    const QSignalBlocker block(grdGrant);
    m_privileges = privileges;
    grdGrant->setRowCount(int(privileges.size()));
    for (int r = 0; r < privileges.size(); ++r) {
        auto* name = new QTableWidgetItem(privileges.at(r));
        name->setFlags(Qt::ItemIsEnabled);
        grdGrant->setItem(r, 0, name);
        for (int c = 1; c <= 3; ++c) {
            auto* cell = new QTableWidgetItem;
            cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
            cell->setCheckState(Qt::Unchecked);
            grdGrant->setItem(r, c, cell);
        }
    }
}

QStringList TfrmGrant::GridPrivileges() const { return m_privileges; }

void TfrmGrant::ClearTicks()
{
    const QSignalBlocker block(grdGrant);
    for (int r = 0; r < grdGrant->rowCount(); ++r)
        for (int c = 1; c <= 3; ++c)
            if (QTableWidgetItem* cell = grdGrant->item(r, c))
                cell->setCheckState(Qt::Unchecked);
}

void TfrmGrant::UpdateGridState()
{
    const bool chosen = lstUser->currentItem() && lstUser->currentItem()->isSelected();
    grdGrant->setEnabled(chosen);
    actExec->setEnabled(chosen);
}

void TfrmGrant::LoadGrants()
{
    TfrmObject* conn = Connection();
    if (!conn)
        return;
    WaitCursor wait;
    lstGrant->clear();
    const QString sql = grant::PermissionSql(conn->DBVer() >= 9, false);
    for (int i = 0; i < m_items.size(); ++i) {
        db::Query* q = conn->session()->OpenSQL(sql, {m_items.at(i)});
        const auto close = qScopeGuard([q] { q->Close(); });
        for (q->First(); !q->Eof(); q->Next()) {
            const auto& f = q->Fields();
            lstGrant->AddItem(f.at(0)->AsString(),
                              {f.at(1)->AsString(), grant::StateText(f.at(2)->IsNull() ? 0 : f.at(2)->AsInteger()),
                               m_items.at(i)});
        }
        const QStringList rows = grant::PrivilegeRows(m_itemTypes.at(i), conn->DBVer() >= 9);
        if (!rows.isEmpty())
            SetRows(rows);
    }
    lstGrant->SortItems();
    lstUserClick();
}

void TfrmGrant::lstUserClick()
{
    TfrmObject* conn = Connection();
    ClearTicks();
    UpdateGridState();
    QTreeWidgetItem* user = lstUser->currentItem();
    if (!conn || !user || !user->isSelected())
        return;
    WaitCursor wait;
    const QString sql = grant::PermissionSql(conn->DBVer() >= 9, true);
    for (int i = 0; i < m_items.size(); ++i) {
        const QStringList kindRows = grant::PrivilegeRows(m_itemTypes.at(i), conn->DBVer() >= 9);
        db::Query* q = conn->session()->OpenSQL(sql, {m_items.at(i), user->text(0)});
        const auto close = qScopeGuard([q] { q->Close(); });
        for (q->First(); !q->Eof(); q->Next()) {
            const auto& f = q->Fields();
            const int row = int(kindRows.indexOf(f.at(1)->AsString().trimmed()));
            if (row < 0 || row >= grdGrant->rowCount())
                continue;
            switch (f.at(2)->IsNull() ? 0 : f.at(2)->AsInteger()) {
            case 204: SetChecked(2, row, true); break;
            case 205: SetChecked(1, row, true); break;
            case 206: SetChecked(3, row, true); break;
            default: break;
            }
        }
    }
    SetModified(false);
}

grant::Ticks TfrmGrant::RowTicks(int row) const
{
    auto on = [&](int c) { return grdGrant->item(row, c) && grdGrant->item(row, c)->checkState() == Qt::Checked; };
    return {on(1), on(2), on(3)};
}

void TfrmGrant::SetChecked(int column, int row, bool value)
{
    if (QTableWidgetItem* cell = grdGrant->item(row, column))
        cell->setCheckState(value ? Qt::Checked : Qt::Unchecked); // the tick rules follow (itemChanged)
}

void TfrmGrant::gridItemChanged(QTableWidgetItem* item)
{
    if (m_applyingRules || item->column() < 1)
        return;
    const int row = item->row();
    const grant::Ticks t = grant::AfterTick(RowTicks(row), item->column(), item->checkState() == Qt::Checked);
    m_applyingRules = true;
    const auto done = qScopeGuard([this] { m_applyingRules = false; });
    const bool values[3] = {t.grant, t.withGrant, t.deny};
    for (int c = 1; c <= 3; ++c)
        if (QTableWidgetItem* cell = grdGrant->item(row, c))
            cell->setCheckState(values[c - 1] ? Qt::Checked : Qt::Unchecked);
    SetModified(true);
}

void TfrmGrant::Compile()
{
    TfrmObject* conn = Connection();
    QTreeWidgetItem* user = lstUser->currentItem();
    if (!conn)
        return;
    if (!user || !user->isSelected()) {
        tools::Message(QStringLiteral("ユーザーを選択して下さい。"), MB_ICONWARNING);
        return;
    }
    if (tools::Message(QStringLiteral("権限を付与しますか？"), MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    TfrmMain* main = TfrmMain::instance();
    const auto restore = qScopeGuard([main] {
        if (main)
            main->SetDefMessage();
    });
    WaitCursor wait;
    for (int i = 0; i < m_items.size(); ++i) {
        if (main)
            main->SetLoopMessage(i + 1, int(m_items.size()));
        if (tools::Escape())
            return;
        for (int row = 0; row < grdGrant->rowCount(); ++row) {
            for (const QString& sql :
                 grant::ApplyStatements(FDatabase, m_privileges.value(row), m_items.at(i), user->text(0), RowTicks(row))) {
                CommitOpenTransaction(conn);
                conn->ExecuteSQL(sql); // the first failure ends the run at the caller
                StartTransactionWhenAuto(conn);
            }
        }
    }
    LoadGrants();
    tools::Message(QStringLiteral("権限を付与しました。"), MB_ICONINFORMATION);
}

void TfrmGrant::popRevokeClick()
{
    TfrmObject* conn = Connection();
    const QList<QTreeWidgetItem*> selected = [this] {
        QList<QTreeWidgetItem*> rows;
        for (int i = 0; i < lstGrant->topLevelItemCount(); ++i)
            if (lstGrant->topLevelItem(i)->isSelected())
                rows << lstGrant->topLevelItem(i);
        return rows;
    }();
    if (!conn || selected.isEmpty())
        return;
    if (tools::CheckMessage(QStringLiteral("オブジェクト権限を取り消しますか？"), MB_YESNO | MB_ICONQUESTION, {}) != IDYES)
        return;
    for (QTreeWidgetItem* item : selected) {
        conn->ExecuteSQL(grant::RevokeStatement(FDatabase, item->text(1), item->text(3), item->text(0)));
        delete item;
    }
    tools::Message(QStringLiteral("権限を取り消しました。"), MB_ICONINFORMATION);
    LoadGrants();
}

void TfrmGrant::lstUserDblClick()
{
    TfrmObject* conn = Connection();
    QTreeWidgetItem* user = lstUser->currentItem();
    if (!conn || !user)
        return;
    const int icon = user->data(0, TypeRole).toInt();
    QWidget* w = nullptr;
    if (icon == ObjType::User || icon == ObjType::OwnUser) {
        if (conn->IsAzure() && conn->session()->dmSQLServer->DataBase().compare(QStringLiteral("master"), Qt::CaseInsensitive) == 0)
            return;
        w = conn->OpenObject(icon, conn->session()->dmSQLServer->DataBase(), QString(), user->text(0), qvOption.OpenMode,
                             false, 0, QString());
    } else if (icon == ObjType::Role) {
        db::Query* q = conn->session()->OpenSQL(grant::RoleOwnerSql(conn->IsAzure() || conn->DBVer() >= 9), {user->text(0)});
        const QString owner = q->Eof() ? QString() : q->Fields().at(0)->AsString();
        q->Close();
        w = conn->OpenObject(ObjType::Role, conn->session()->dmSQLServer->DataBase(), owner, user->text(0),
                             qvOption.OpenMode, false, 0, QString());
    }
    if (TfrmMain* main = TfrmMain::instance(); main && w && !w->parentWidget())
        main->AddChildWindow(w);
}

bool TfrmGrant::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == lstGrant && e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Delete) {
        try {
            popRevokeClick();
        } catch (...) {
            HandleException(std::current_exception());
        }
        return true;
    }
    return TqvForm::eventFilter(watched, e);
}

void TfrmGrant::LoadWindowSettings()
{
    if (!isNormalState())
        return;
    TqvRegistry reg;
    if (reg.OpenKey(GuiKey, true))
        resize(reg.GetInteger(QStringLiteral("Width"), width()), reg.GetInteger(QStringLiteral("Height"), height()));
}

void TfrmGrant::SaveWindowSettings()
{
    if (!isNormalState())
        return;
    TqvRegistry reg;
    if (reg.OpenKey(GuiKey, true)) {
        reg.WriteInteger(QStringLiteral("Width"), width());
        reg.WriteInteger(QStringLiteral("Height"), height());
    }
}

} // namespace qv
