#include "tables/privileges_frame.h"

#include "app/connection_window_iface.h"
#include "app/images.h"
#include "app/qvform.h"
#include "app/wait_cursor.h"
#include "connection/object_session.h"
#include "connection/object_window.h"
#include "controls/grid/string_grid.h"
#include "controls/lists/qv_listview.h"
#include "platform/db/query.h"
#include "platform/exceptions.h"
#include "platform/messages.h"
#include "tables/define_text.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace qv {

using namespace grants;

namespace {
constexpr int UserImage = 2;
constexpr int RoleImage = 68;
constexpr int IndexRole = Qt::UserRole + 1;
} // namespace

TfraGrant::TfraGrant(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("fraGrant"));
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);

    pnlTop = new QWidget(this);
    pnlTop->setObjectName(QStringLiteral("pnlTop"));
    auto* top = new QHBoxLayout(pnlTop);
    top->setContentsMargins(6, 6, 6, 6);

    rdoShowMode = new QGroupBox(QStringLiteral(" 表示対象 "), pnlTop);
    rdoShowMode->setObjectName(QStringLiteral("rdoShowMode"));
    auto* modes = new QVBoxLayout(rdoShowMode);
    rdoShowGranted = new QRadioButton(QStringLiteral("権限付与済みのユーザーのみ表示"), rdoShowMode);
    rdoShowAll = new QRadioButton(QStringLiteral("全てのユーザーを表示"), rdoShowMode);
    rdoShowGranted->setChecked(true);
    m_showGroup = new QButtonGroup(this);
    m_showGroup->addButton(rdoShowGranted, 0);
    m_showGroup->addButton(rdoShowAll, 1);
    modes->addWidget(rdoShowGranted);
    modes->addWidget(rdoShowAll);
    modes->addStretch(1);
    connect(m_showGroup, &QButtonGroup::idClicked, this, [this](int) { rdoShowModeClick(); });
    top->addWidget(rdoShowMode, 0, Qt::AlignTop);

    grpGrantOption = new QGroupBox(QStringLiteral(" 選択したユーザーの権限"), pnlTop);
    grpGrantOption->setObjectName(QStringLiteral("grpGrantOption"));
    auto* opt = new QVBoxLayout(grpGrantOption);
    grdGrant = new TqvStringGrid(grpGrantOption);
    grdGrant->setObjectName(QStringLiteral("grdGrant"));
    grdGrant->SetColCount(4);
    grdGrant->SetRowCount(2);
    grdGrant->SetFixedRows(1);
    grdGrant->SetFixedCols(0);
    grdGrant->SetHeader({QStringLiteral("権限"), QStringLiteral("許可"), QStringLiteral("許可の付与"),
                         QStringLiteral("拒否")});
    grdGrant->SetColWidths(0, 284);
    for (int c = 1; c <= 3; ++c) {
        grdGrant->SetColWidths(c, 75);
        grdGrant->SetEditStyles(c, TqvGridEditStyle::geViewCheckBox);
    }
    grdGrant->SetGridMode(TqvGridEditorMode::geAccess);
    grdGrant->SetGridOptions(grdGrant->GridOptions() & ~goEditing);
    grdGrant->SetEditorMode(false);
    grdGrant->setEnabled(false);
    grdGrant->setMinimumHeight(150);
    grdGrant->OnSetEditText = [this](TqvStringGrid*, int c, int r, const QString& v) { grdGrantSetEditText(c, r, v); };
    opt->addWidget(grdGrant, 1);
    lblComment = new QLabel(QStringLiteral("\u3000* : 許可\u3000G : 許可/許可の付与\u3000D : 拒否"), grpGrantOption);
    lblComment->setObjectName(QStringLiteral("lblComment"));
    lblComment->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    opt->addWidget(lblComment);
    top->addWidget(grpGrantOption, 1);
    root->addWidget(pnlTop);

    lstGrant = new TqvListView(this);
    lstGrant->setObjectName(QStringLiteral("lstGrant"));
    lstGrant->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstGrant->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstGrant->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstGrant->setRootIsDecorated(false);
    lstGrant->setColumnCount(1);
    lstGrant->setHeaderLabels({QStringLiteral("ユーザー名")});
    lstGrant->header()->resizeSection(0, 200);
    connect(lstGrant, &QTreeWidget::itemSelectionChanged, this, [this] { lstGrantSelectionChanged(); });
    root->addWidget(lstGrant, 1);
}

int TfraGrant::ShowMode() const { return rdoShowAll->isChecked() ? 1 : 0; }

void TfraGrant::SetShowMode(int mode) { (mode == 1 ? rdoShowAll : rdoShowGranted)->setChecked(true); }

TqvForm* TfraGrant::Form() const
{
    for (QWidget* w = parentWidget(); w; w = w->parentWidget())
        if (auto* f = qobject_cast<TqvForm*>(w))
            return f;
    return nullptr;
}

TObjectSession* TfraGrant::Session() const
{
    TqvForm* form = Form();
    IConnectionWindow* conn = form ? form->OwnerForm() : nullptr;
    auto* window = conn ? dynamic_cast<TfrmObject*>(conn->connectionWidget()) : nullptr;
    if (!window)
        throw Exception(QStringLiteral("接続ウィンドウがありません。"));
    return window->session();
}

void TfraGrant::BuildColumns(int dbVer, bool azure)
{
    const PermissionList list = Permissions(m_kind, dbVer, azure);
    m_model.SetPermissions(list.names);
    m_captions = list.captions;
    QStringList headers{QStringLiteral("ユーザー名")};
    headers << list.names;
    lstGrant->setColumnCount(int(headers.size()));
    lstGrant->setHeaderLabels(headers);
    lstGrant->header()->resizeSection(0, 200);
    const int width = m_kind == DatabaseKind ? 150 : 90;
    for (int k = 1; k < headers.size(); ++k) {
        // Never narrower than the caption, so that no permission name is cut.
        const int text = lstGrant->header()->fontMetrics().horizontalAdvance(headers.at(k)) + 20;
        lstGrant->header()->resizeSection(k, qMax(width, text));
        lstGrant->SetColumnAlignment(k, Qt::AlignHCenter | Qt::AlignVCenter);
        lstGrant->headerItem()->setTextAlignment(k, Qt::AlignHCenter | Qt::AlignVCenter);
    }
    grdGrant->SetRowCount(qMax(2, int(list.names.size()) + 1));
    for (int r = 1; r <= list.names.size(); ++r) {
        grdGrant->SetCells(0, r, list.captions.at(r - 1));
        for (int c = 1; c <= 3; ++c)
            grdGrant->SetCells(c, r, QString());
    }
    grdGrant->SetEditorMode(false);
    grdGrant->SetTopRow(1);
    grdGrant->SetLeftCol(0);
    m_columnsBuilt = true;
}

void TfraGrant::ShowData(const QString& database, const QString& schema, const QString& objName)
{
    if (!Form())
        return;
    TObjectSession* s = Session();
    m_database = database;
    m_schema = schema;
    m_objName = objName;
    WaitCursor cursor;
    if (m_kind == 0)
        m_kind = (schema.isEmpty() && objName.isEmpty()) ? DatabaseKind : Form()->ObjType();
    if (!m_columnsBuilt)
        BuildColumns(s->DBVer, s->IsAzure);

    // The selection is kept by position.
    QList<int> positions;
    for (int i = 0; i < lstGrant->topLevelItemCount(); ++i)
        if (lstGrant->topLevelItem(i)->isSelected())
            positions << i;

    m_model.Clear();
    QStringList users;
    s->GetUser(users, database, true);
    for (const QString& name : users) {
        db::Query* q = s->OpenSQL(IsSqlUserQuery(database), {name});
        const bool isUser = !q->Eof() && q->Fields().at(0)->AsInteger() == 1;
        q->Close();
        m_model.AddPrincipal(name, isUser);
    }
    struct Row {
        QString grantee, privilege;
        QVariant privType;
    };
    QList<Row> rows;
    db::Query* q = m_kind == DatabaseKind
                       ? s->OpenSQL(DatabasePermissionQuery(database, s->DBVer))
                       : s->OpenSQL(ObjectPermissionQuery(database, s->DBVer), {database, schema, objName});
    for (q->First(); !q->Eof(); q->Next())
        rows << Row{q->Fields().at(0)->AsString(), q->Fields().at(1)->AsString(), q->Fields().at(2)->Value()};
    q->Close();
    for (const Row& r : rows)
        m_model.Load(r.grantee, r.privilege, r.privType);
    if (ShowMode() == 0)
        m_model.DropUnmatched();

    FillList();
    {
        QSignalBlocker block(lstGrant);
        for (int p : positions)
            if (p < lstGrant->topLevelItemCount())
                lstGrant->topLevelItem(p)->setSelected(true);
    }
    ShowSelection();
    const QList<QTreeWidgetItem*> selected = lstGrant->selectedItems();
    if (!selected.isEmpty())
        lstGrant->scrollToItem(selected.first(), QAbstractItemView::PositionAtTop);
}

void TfraGrant::FillList()
{
    QSignalBlocker block(lstGrant);
    lstGrant->setUpdatesEnabled(false);
    lstGrant->clear();
    for (int i = 0; i < m_model.Count(); ++i) {
        const Principal& p = m_model.At(i);
        QTreeWidgetItem* item = lstGrant->AddItem(p.name);
        item->setData(0, IndexRole, i);
        item->setIcon(0, imgMain(p.isUser ? UserImage : RoleImage));
        for (int k = 1; k <= m_model.PermissionNames().size(); ++k)
            item->setTextAlignment(k, Qt::AlignHCenter | Qt::AlignVCenter);
        RefreshItem(i);
    }
    lstGrant->setUpdatesEnabled(true);
}

void TfraGrant::RefreshItem(int index)
{
    QTreeWidgetItem* item = lstGrant->topLevelItem(index);
    if (!item)
        return;
    const Principal& p = m_model.At(index);
    for (int k = 0; k < p.current.size(); ++k)
        item->setText(k + 1, p.current.at(k));
}

QList<int> TfraGrant::SelectedIndexes() const
{
    QList<int> out;
    for (int i = 0; i < lstGrant->topLevelItemCount(); ++i)
        if (lstGrant->topLevelItem(i)->isSelected())
            out << lstGrant->topLevelItem(i)->data(0, IndexRole).toInt();
    return out;
}

// The boxes show the union of the selected principals' states; showing never changes a
// state nor the window's Modified flag.
void TfraGrant::ShowSelection()
{
    const QList<int> selected = SelectedIndexes();
    const bool any = !selected.isEmpty();
    m_filling = true;
    grdGrant->setUpdatesEnabled(false);
    grdGrant->setEnabled(any);
    if (any)
        for (int c = 1; c <= 3; ++c)
            grdGrant->SetEditStyles(c, TqvGridEditStyle::geCheckBox);
    for (int r = 1; r <= m_model.PermissionNames().size(); ++r) {
        const RowBoxes b = any ? m_model.Union(selected, r - 1) : RowBoxes{};
        grdGrant->SetCells(ColGrant, r, b.grant ? QStringLiteral("1") : QString());
        grdGrant->SetCells(ColWithGrant, r, b.withGrant ? QStringLiteral("1") : QString());
        grdGrant->SetCells(ColDeny, r, b.deny ? QStringLiteral("1") : QString());
    }
    grdGrant->setUpdatesEnabled(true);
    grdGrant->update();
    m_filling = false;
}

void TfraGrant::lstGrantSelectionChanged() { ShowSelection(); }

void TfraGrant::grdGrantSetEditText(int col, int row, const QString& value)
{
    if (m_filling || col < ColGrant || col > ColDeny || row < 1)
        return;
    const QList<int> selected = SelectedIndexes();
    const bool checked = !value.trimmed().isEmpty();
    if (!m_model.Click(selected, row - 1, col, checked)) {
        ShowSelection();
        return;
    }
    for (int i = 0; i < lstGrant->topLevelItemCount(); ++i)
        if (lstGrant->topLevelItem(i)->isSelected())
            RefreshItem(i);
    ShowSelection();
    if (TqvForm* f = Form())
        f->SetModified(true);
    if (OnChanged)
        OnChanged();
}

void TfraGrant::rdoShowModeClick()
{
    TqvForm* f = Form();
    if (!f)
        return;
    switch (m_kind) {
    case 45:
    case 47:
    case 51:
    case 52:
    case 58:
    case 60: SendProgramMessage(f, WM_RELOAD); break;
    default: ShowData(m_database, m_schema, m_objName); break;
    }
}

void TfraGrant::GetSource(QStringList& lines) const { lines << m_model.Statements(ObjectPart(m_schema, m_objName)); }

QStringList TfraGrant::GetDDL() const
{
    QStringList body;
    GetSource(body);
    if (body.isEmpty())
        return body;
    return WithDatabaseSwitch(body, m_database);
}

void TfraGrant::SelectPrincipals(const QStringList& names)
{
    {
        QSignalBlocker block(lstGrant);
        for (int i = 0; i < lstGrant->topLevelItemCount(); ++i) {
            QTreeWidgetItem* item = lstGrant->topLevelItem(i);
            item->setSelected(names.contains(item->text(0)));
        }
    }
    ShowSelection();
}

RowBoxes TfraGrant::Boxes(int row) const
{
    RowBoxes b;
    b.grant = grdGrant->Checked(ColGrant, row);
    b.withGrant = grdGrant->Checked(ColWithGrant, row);
    b.deny = grdGrant->Checked(ColDeny, row);
    return b;
}

void TfraGrant::ClickBox(int row, int column)
{
    grdGrant->SetChecked(column, row, !grdGrant->Checked(column, row));
}

} // namespace qv
