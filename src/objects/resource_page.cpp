#include "objects/resource_page.h"

#include "app/images.h"
#include "controls/grid/string_grid.h"
#include "controls/inputs/inputs.h"
#include "controls/lists/qv_listview.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTreeWidgetItem>
#include <QVBoxLayout>

namespace qv {

using namespace grants;

TfraResource::TfraResource(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("fraResource"));
    auto* top = new QHBoxLayout;
    top->setContentsMargins(6, 4, 6, 4);
    top->addWidget(new QLabel(QStringLiteral("表示対象"), this));
    rdogrant = new TqvRadioButton(QStringLiteral("権限付与済みのリソースを表示"), this);
    rdogrant->setObjectName(QStringLiteral("rdogrant"));
    rdoall = new TqvRadioButton(QStringLiteral("全ての保護可能なリソースを表示"), this);
    rdoall->setObjectName(QStringLiteral("rdoall"));
    rdogrant->setChecked(true);
    auto* group = new QButtonGroup(this);
    group->addButton(rdogrant);
    group->addButton(rdoall);
    top->addWidget(rdogrant);
    top->addWidget(rdoall);
    top->addStretch(1);
    connect(group, &QButtonGroup::buttonClicked, this, [this] {
        if (OnShowModeClick)
            OnShowModeClick();
    });

    lstResource = new TqvListView(this);
    lstResource->setObjectName(QStringLiteral("lstResource"));
    lstResource->setColumnCount(2);
    lstResource->setHeaderLabels({QStringLiteral("リソース名"), QStringLiteral("種別")});
    lstResource->setRootIsDecorated(false);
    lstResource->setSelectionMode(QAbstractItemView::SingleSelection);
    lstResource->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstResource->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstResource->SetSortID(0);
    lstResource->setColumnWidth(0, 150);
    connect(lstResource, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (!m_filling && item)
            SelectResource(item->data(0, Qt::UserRole).toInt());
    });

    auto* right = new QWidget(this);
    auto* rl = new QVBoxLayout(right);
    rl->setContentsMargins(0, 0, 0, 0);
    rl->setSpacing(2);
    auto* title = new QLabel(QStringLiteral("明示的な権限"), right);
    title->setObjectName(QStringLiteral("lblGrant"));
    rl->addWidget(title);
    grdGrant = new TqvStringGrid(right);
    grdGrant->setObjectName(QStringLiteral("grdGrant"));
    grdGrant->SetColCount(5);
    SetDataRows(grdGrant, 0);
    grdGrant->SetHeader({QStringLiteral("権限名"), QStringLiteral("権限の許可者"), QStringLiteral("許可"),
                         QStringLiteral("許可の有無"), QStringLiteral("拒否")});
    const int widths[] = {175, 130, 75, 75, 75};
    for (int c = 0; c < 5; ++c)
        grdGrant->SetColWidths(c, widths[c]);
    grdGrant->SetGridMode(TqvGridEditorMode::geAccess);
    grdGrant->OnSetEditText = [this](TqvStringGrid*, int c, int r, const QString& v) { grdGrantSetEditText(c, r, v); };
    rl->addWidget(grdGrant, 1);
    ViewOnly();

    auto* split = new QSplitter(Qt::Horizontal, this);
    split->setObjectName(QStringLiteral("splResource"));
    split->addWidget(lstResource);
    split->addWidget(right);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 2);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addLayout(top);
    layout->addWidget(split, 1);
}

bool TfraResource::ShowAll() const { return rdoall->isChecked(); }

void TfraResource::ViewOnly()
{
    grdGrant->SetGridOptions(grdGrant->GridOptions() & ~goEditing);
    for (int c = 2; c <= 4; ++c)
        grdGrant->SetEditStyles(c, TqvGridEditStyle::geViewCheckBox);
    grdGrant->SetEditorMode(false);
}

void TfraResource::Clear()
{
    m_filling = true;
    lstResource->clear();
    m_filling = false;
    m_rows.clear();
    m_current = -1;
    SetDataRows(grdGrant, 0);
    ViewOnly();
}

void TfraResource::SetRows(const QList<Entry>& entries)
{
    Clear();
    m_filling = true;
    lstResource->setUpdatesEnabled(false);
    for (const Entry& e : entries) {
        QTreeWidgetItem* item = lstResource->AddItem(e.caption, {e.kindText});
        if (e.image >= 0)
            item->setIcon(0, imgMain(e.image));
        item->setData(0, Qt::UserRole, int(m_rows.size()));
        m_rows << e.record;
    }
    lstResource->setCurrentItem(nullptr);
    lstResource->setUpdatesEnabled(true);
    m_filling = false;
}

void TfraResource::SelectResource(int index)
{
    if (index < 0 || index >= m_rows.size())
        return;
    m_current = index;
    const RecGrants& rec = m_rows.at(index);
    const QStringList& names = Permissions(rec.RsType);
    m_filling = true;
    SetDataRows(grdGrant, int(names.size()));
    for (int c = 2; c <= 4; ++c)
        grdGrant->SetEditStyles(c, TqvGridEditStyle::geCheckBox);
    for (int i = 0; i < names.size(); ++i) {
        const Checks b = ChecksOf(rec.NewAut.value(i));
        grdGrant->SetRows(i + 1, {names.at(i), rec.Grantor.value(i), b.grant ? QStringLiteral("1") : QString(),
                                  b.withGrant ? QStringLiteral("1") : QString(), b.deny ? QStringLiteral("1") : QString()});
    }
    m_filling = false;
    if (QTreeWidgetItem* item = lstResource->topLevelItem(index); item && lstResource->currentItem() != item) {
        m_filling = true;
        lstResource->setCurrentItem(item);
        m_filling = false;
    }
}

void TfraResource::grdGrantSetEditText(int col, int row, const QString& value)
{
    if (m_filling || m_current < 0 || row < 1 || col < ckGrant || col > ckDeny)
        return;
    RecGrants& rec = m_rows[m_current];
    const int i = row - 1;
    if (i >= rec.NewAut.size())
        return;
    Checks before{grdGrant->Cells(ckGrant, row) == QLatin1String("1"),
                  grdGrant->Cells(ckWithGrant, row) == QLatin1String("1"),
                  grdGrant->Cells(ckDeny, row) == QLatin1String("1")};
    const Checks after = ApplyCheck(before, col, value == QLatin1String("1"));
    // The follow-up ticks go through the same handler.
    if (after.grant != before.grant)
        grdGrant->SetChecked(ckGrant, row, after.grant);
    if (after.withGrant != before.withGrant)
        grdGrant->SetChecked(ckWithGrant, row, after.withGrant);
    if (after.deny != before.deny)
        grdGrant->SetChecked(ckDeny, row, after.deny);
    const Checks now{grdGrant->Cells(ckGrant, row) == QLatin1String("1"),
                     grdGrant->Cells(ckWithGrant, row) == QLatin1String("1"),
                     grdGrant->Cells(ckDeny, row) == QLatin1String("1")};
    rec.SetFromBoxes(i, now.grant, now.withGrant, now.deny);
    if (rec.NewAut.at(i) != rec.OldAut.at(i)) {
        rec.Modified = true;
        if (OnModified)
            OnModified();
    }
}

void TfraResource::LayoutColumns()
{
    const int listWidth = lstResource->viewport()->width();
    lstResource->setColumnWidth(1, std::max(60, listWidth - lstResource->columnWidth(0) - 20));
    const int gridWidth = grdGrant->width();
    int others = 0;
    for (int c : {0, 2, 3, 4})
        others += grdGrant->ColWidths(c);
    grdGrant->SetColWidths(1, std::max(80, gridWidth - others - 20));
}

void TfraResource::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    LayoutColumns();
}

} // namespace qv

#include "connection/object_session.h"
#include "objects/login_perm_text.h"
#include "platform/db/query.h"

namespace qv {

void SetDataRows(TqvStringGrid* grid, int rows)
{
    grid->SetRowCount(1);
    grid->SetRowCount(std::max(rows, 1) + 1);
    grid->SetFixedRows(1);
    grid->SetFixedCols(0);
    grid->SetLeftCol(0);
    grid->SetTopRow(1);
}

bool LoadDatabaseResources(TObjectSession& session, TfraResource& page, const QString& database,
                           const QString& principal, bool castNames)
{
    struct Row {
        QString name, type, has;
    };
    QList<Row> rows;
    {
        db::Query* q = session.OpenSQL(DatabaseResourceQuery(database, castNames), {principal.trimmed()});
        try {
            for (q->First(); !q->Eof(); q->Next())
                rows << Row{q->Fields().at(0)->AsString(), q->Fields().at(1)->AsString().trimmed(),
                            q->Fields().at(2)->AsString().trimmed()};
        } catch (...) {
            q->Close();
            throw;
        }
        q->Close();
    }
    if (rows.isEmpty()) {
        page.Clear();
        return false;
    }
    QList<TfraResource::Entry> entries;
    for (const Row& r : rows) {
        if (!page.ShowAll() && r.has != QLatin1String("1"))
            continue;
        const bool isUser = r.type == QLatin1String("0");
        TfraResource::Entry e;
        e.caption = r.name;
        e.kindText = isUser ? QStringLiteral("ユーザー") : QStringLiteral("スキーマ");
        e.image = isUser ? 2 : 4;
        const int type = isUser ? rsUser : rsSchema;
        e.record = DatabaseRecord(type, r.name, session.g_UserID);
        db::Query* q = session.OpenSQL(DatabaseGrantQuery(database), DatabaseGrantParams(r.type, r.name, principal.trimmed()));
        try {
            for (q->First(); !q->Eof(); q->Next())
                LoadPermission(e.record, DatabasePermissions(type), q->Fields().at(2)->AsString(),
                               q->Fields().at(0)->AsString(), q->Fields().at(1)->AsString());
        } catch (...) {
            q->Close();
            throw;
        }
        q->Close();
        entries << e;
    }
    page.Permissions = [](int t) -> const QStringList& { return DatabasePermissions(t); };
    page.SetRows(entries);
    return true;
}

bool LoadLoginResources(TObjectSession& session, TfraResource& page, const QString& login)
{
    QList<loginperm::Resource> rows;
    {
        // Server-level securables: read in master, whatever database the session is in.
        db::Query* q = session.OpenSQL(QStringLiteral("use [master]\r\n") + loginperm::ResourceQuery(), {login.trimmed()});
        try {
            for (q->First(); !q->Eof(); q->Next())
                rows << loginperm::Resource{q->Fields().at(0)->AsString(), q->Fields().at(1)->AsString().trimmed(),
                                            q->Fields().at(2)->AsString().trimmed()};
        } catch (...) {
            q->Close();
            throw;
        }
        q->Close();
    }
    page.Permissions = [](int t) -> const QStringList& { return loginperm::Permissions(t); };
    if (rows.isEmpty()) {
        page.Clear();
        return false;
    }
    QList<TfraResource::Entry> entries;
    for (const loginperm::Resource& r : rows) {
        if (!page.ShowAll() && r.hasPerms != QLatin1String("1"))
            continue;
        TfraResource::Entry e;
        e.caption = r.name;
        e.kindText = loginperm::KindText(r.resType);
        e.image = loginperm::KindImage(r.resType);
        e.record = loginperm::NewRecord(r, session.g_UserID);
        const QStringList& names = loginperm::Permissions(e.record.RsType);
        db::Query* q = session.OpenSQL(loginperm::GrantQuery(), loginperm::GrantParams(r, login.trimmed()));
        try {
            for (q->First(); !q->Eof(); q->Next())
                LoadPermission(e.record, names, q->Fields().at(2)->AsString(), q->Fields().at(0)->AsString(),
                               q->Fields().at(1)->AsString());
        } catch (...) {
            q->Close();
            throw;
        }
        q->Close();
        entries << e;
    }
    page.SetRows(entries);
    return true;
}

} // namespace qv
