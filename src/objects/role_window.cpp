#include "objects/role_window.h"

#include "objects/owned_schema_grid.h"

#include "app/connection_window_iface.h"
#include "app/message_box.h"
#include "app/options.h"
#include "app/qvstrings.h"
#include "app/sqltext/script_text.h"
#include "app/wait_cursor.h"
#include "connection/object_session.h"
#include "controls/grid/string_grid.h"
#include "objects/principal_grants.h"
#include "objects/resource_page.h"
#include "platform/db/query.h"
#include "platform/exceptions.h"
#include "tables/define_text.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTabWidget>
#include <QVBoxLayout>

namespace qv {

namespace {
DefineKind RoleKind()
{
    DefineKind k;
    k.windowClass = &TfrmRole::staticMetaObject;
    k.objType = 68;
    k.word = QStringLiteral("ROLE");
    k.settingsKey = QStringLiteral("ROLE");
    k.menuTitle = QStringLiteral("ROLE(&O)");
    k.hasSchema = false; // the owner sits in the name panel but is no part of the caption
    k.hasSource = true;
    k.commitAroundDDL = true;
    return k;
}

QWidget* Titled(QWidget* parent, const QString& title, QWidget* body, const QString& name)
{
    auto* panel = new QWidget(parent);
    panel->setObjectName(name);
    auto* l = new QVBoxLayout(panel);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(2);
    auto* label = new QLabel(title, panel);
    label->setObjectName(name + QStringLiteral("Title"));
    l->addWidget(label);
    body->setParent(panel);
    l->addWidget(body, 1);
    return panel;
}

bool Ticked(const TqvStringGrid* g, int c, int r) { return g->Cells(c, r) == QLatin1String("1"); }
bool WasTicked(const TqvStringGrid* g, int c, int r) { return r < g->SaveRowCount() && g->SaveCells(c, r) == QLatin1String("1"); }

// Reads every row of a query into memory (the shared query serves the next read).
QList<QStringList> ReadAll(db::Query* q, int columns)
{
    QList<QStringList> rows;
    try {
        for (q->First(); !q->Eof(); q->Next()) {
            QStringList row;
            for (int c = 0; c < columns; ++c)
                row << q->Fields().at(c)->AsString();
            rows << row;
        }
    } catch (...) {
        q->Close();
        throw;
    }
    q->Close();
    return rows;
}
} // namespace

TfrmRole::TfrmRole(QObject* owner, const QString& database, const QString& schema, const QString& objectName,
                   TOpenMode mode)
    : TfrmRole(owner, database, schema, objectName, mode, false)
{
}

TfrmRole::TfrmRole(QObject* owner, const QString& database, const QString& schema, const QString& objectName,
                   TOpenMode mode, bool scriptMode)
    : TfrmDefine(owner, RoleKind(), DefineArgs{database, schema, objectName, mode}, scriptMode)
{
    setObjectName(QStringLiteral("frmRole"));
    // The owner combo of the name panel ("所有者"), listed from sysusers.
    lblSchema->setVisible(true);
    cmbSchema->setVisible(true);
    cmbSchema->OnDropDown = [this] { cmbOwnerDropDown(); };

    grdMember = new TqvStringGrid;
    grdMember->setObjectName(QStringLiteral("grdMember"));
    grdMember->SetColCount(3);
    SetDataRows(grdMember, 0);
    grdMember->SetHeader({QStringLiteral("ユーザー名"), QStringLiteral("タイプ"), QStringLiteral("有効/無効")});
    grdMember->SetColWidths(2, 70);
    grdMember->OnSetEditText = [this](TqvStringGrid* g, int c, int r, const QString&) {
        if (g->IsChangedCell(c, r)) {
            SetModified(true);
            actCompile->setEnabled(true);
        }
    };
    grdSchema = NewOwnedSchemaGrid(
        QStringLiteral(" "), 28, [this] { return !IsNew() && RoleName() == QLatin1String("dbo"); },
        [this] {
            SetModified(true);
            actCompile->setEnabled(true);
        });

    QWidget* left = Titled(tabDefine, QStringLiteral("ロールメンバー "), grdMember, QStringLiteral("pnlMember"));
    pnlObjBack = Titled(tabDefine, QStringLiteral("ロールに所有されているスキーマ"), grdSchema, QStringLiteral("pnlObjBack"));
    spl1 = new QSplitter(Qt::Horizontal, tabDefine);
    spl1->setObjectName(QStringLiteral("spl1"));
    spl1->addWidget(left);
    spl1->addWidget(pnlObjBack);
    auto* dl = new QVBoxLayout(tabDefine);
    dl->setContentsMargins(4, 4, 4, 4);
    dl->addWidget(spl1);

    tabResource = new QWidget(pagObject);
    tabResource->setObjectName(QStringLiteral("tabResource"));
    auto* rl = new QVBoxLayout(tabResource);
    rl->setContentsMargins(4, 4, 4, 4);
    fraResource = new TfraResource(tabResource);
    fraResource->Permissions = [](int t) -> const QStringList& { return grants::DatabasePermissions(t); };
    fraResource->OnModified = [this] {
        SetModified(true);
        actCompile->setEnabled(true);
    };
    fraResource->OnShowModeClick = [this] { Guard([this] { Reload(); }); };
    rl->addWidget(fraResource);
    {
        const QSignalBlocker block(pagObject);
        pagObject->addTab(tabResource, QStringLiteral("リソース"));
    }

    RoleMode = scriptMode ? role::DecideMode(schema, objectName, false)
                          : role::DecideMode(database, objectName, objectName.trimmed().isEmpty());
    if (RoleMode == role::rmServer) {
        cmbDatabase->setEnabled(false);
        cmbSchema->setEnabled(false);
    }
    TrackChanges(cmbSchema);
    // Only a user-defined role can be deleted.
    connect(actDelete, &QAction::enabledChanged, this, [this] {
        if (RoleMode != role::rmUser && actDelete->isEnabled())
            actDelete->setEnabled(false);
    });
    if (RoleMode != role::rmUser)
        actDelete->setEnabled(false);
    // Another database chosen: its users, roles and schemas are read again.
    connect(cmbDatabase, qOverload<int>(&QComboBox::activated), this, [this] { Guard([this] { ShowData(false); }); });
    Start();
}

QString TfrmRole::Database() const { return cmbDatabase->currentText().trimmed(); }
QString TfrmRole::RoleName() const { return txtName->text().trimmed(); }

int TfrmRole::Version() const
{
    IConnectionWindow* c = OwnerForm();
    return c ? c->DBVer() : 15;
}

bool TfrmRole::Azure() const
{
    IConnectionWindow* c = OwnerForm();
    return c && c->IsAzure();
}

QWidget* TfrmRole::PageForMode(TOpenMode mode)
{
    switch (mode) {
    case omDefine:
    case omData: return tabDefine;
    case omSource: return tabSource;
    default: return tabResource;
    }
}

QList<QWidget*> TfrmRole::ExistingOnlyPages() { return {tabResource}; }

bool TfrmRole::DeleteOutsideTransaction() const { return Version() < 9; }

bool TfrmRole::IsCreate() const
{
    return (RoleMode == role::rmUser && IsNew()) || SourceMode == smText || SourcePageActive();
}

role::TextInput TfrmRole::Input() const
{
    role::TextInput in;
    in.roleMode = RoleMode;
    in.database = Database();
    in.role = RoleName();
    in.owner = cmbSchema->currentText().trimmed();
    in.dbVer = Version();
    in.scriptMode = SourceMode == smText;
    in.databaseOption = ScriptOption.Database;
    if (IConnectionWindow* c = OwnerForm()) {
        in.azure = c->IsAzure();
        in.connectionDatabase = c->DataBase();
    }
    const int check = RoleMode == role::rmServer ? 1 : 2;
    for (int r = 1; r < grdMember->RowCount(); ++r)
        if (!grdMember->Cells(0, r).isEmpty())
            in.members << role::Member{grdMember->Cells(0, r), Ticked(grdMember, check, r), WasTicked(grdMember, check, r)};
    in.schemaPanel = m_schemaShown;
    if (m_schemaShown)
        in.schemas = OwnedSchemas(grdSchema);
    return in;
}

QStringList TfrmRole::GetSourceCreate() const { return role::CreateText(Input()); }
QStringList TfrmRole::GetSourceAlter() const { return role::AlterText(Input()); }
QStringList TfrmRole::GetSourceDrop() const { return role::DropText(Input()); }

QStringList TfrmRole::GetSourceGrant() const
{
    if (!m_resourceShown)
        return {};
    const role::TextInput in = Input();
    grants::StatementInput s;
    s.principal = in.role;
    s.scriptMode = in.scriptMode;
    if (grants::SwitchWanted(in.scriptMode, in.databaseOption, in.azure, in.database, in.connectionDatabase))
        s.switchDatabase = in.database;
    return grants::Statements(fraResource->Rows(), s);
}

void TfrmRole::SetPageVisible(QWidget* page, bool visible)
{
    const int i = pagObject->indexOf(page);
    if (i < 0 || pagObject->isTabVisible(i) == visible)
        return;
    const QSignalBlocker block(pagObject);
    if (!visible && pagObject->currentIndex() == i)
        pagObject->setCurrentWidget(tabDefine);
    pagObject->setTabVisible(i, visible);
}

void TfrmRole::ShowMembers()
{
    grdMember->SetGridMode(TqvGridEditorMode::geNormal);
    grdMember->SetGridOptions(grdMember->GridOptions() & ~goEditing);
    SetDataRows(grdMember, 0);
    TObjectSession* s = Session();
    if (RoleMode == role::rmServer && !Azure()) {
        grdMember->SetColCount(2);
        grdMember->SetHeader({QStringLiteral("ログイン名"), QStringLiteral("有効/無効")});
        grdMember->SetColWidths(1, 70);
        grdMember->SetEditStyles(1, TqvGridEditStyle::geCheckBox);
        const QList<QStringList> rows = ReadAll(s->OpenSQL(role::MemberQuery(RoleMode, false, Database()), {RoleName()}), 2);
        SetDataRows(grdMember, int(rows.size()));
        for (int i = 0; i < rows.size(); ++i)
            grdMember->SetRows(i + 1, {rows.at(i).at(0), rows.at(i).at(1).trimmed() == QLatin1String("1") ? QStringLiteral("1")
                                                                                                          : QString()});
    } else {
        grdMember->SetColCount(3);
        grdMember->SetHeader({QStringLiteral("ユーザー名"), QStringLiteral("タイプ"), QStringLiteral("有効/無効")});
        grdMember->SetEditStyles(2, TqvGridEditStyle::geCheckBox);
        const QList<QStringList> rows =
            ReadAll(s->OpenSQL(role::MemberQuery(RoleMode, Azure(), Database()), {RoleName(), RoleName()}), 6);
        SetDataRows(grdMember, int(rows.size()));
        for (int i = 0; i < rows.size(); ++i) {
            const QStringList& r = rows.at(i);
            grdMember->SetRows(i + 1, {r.at(0), role::MemberTypeText(r.at(1), r.at(2), r.at(3), r.at(4)),
                                       r.at(5).trimmed() == QLatin1String("1") ? QStringLiteral("1") : QString()});
        }
    }
    grdMember->Save();
}

void TfrmRole::ShowData(bool isDrop)
{
    WaitCursor cursor;
    const bool window = SourceMode == smShow;
    TObjectSession* s = Session();
    if (RoleMode == role::rmUser && !IsNew()) {
        try {
            s->OpenSQL(role::ExistsQuery(Database()), {RoleName()})->Close();
        } catch (...) {
            if (window)
                Box(QStringLiteral("定義情報を読み込めませんでした。"), MB_OK | MB_ICONERROR);
            Abort();
        }
    }
    ShowMembers();
    m_schemaShown = RoleMode != role::rmServer && Version() >= 9;
    if (m_schemaShown)
        FillOwnedSchemas(grdSchema, *s, Database(), IsNew() ? QString() : RoleName());
    else
        SetDataRows(grdSchema, 0);
    pnlObjBack->setVisible(m_schemaShown);
    m_resourceShown = RoleMode == role::rmUser && !IsNew() && Version() >= 9;
    if (m_resourceShown) {
        if (!LoadDatabaseResources(*s, *fraResource, Database(), RoleName(), false)) {
            if (window)
                Box(QStringLiteral("定義情報を読み込めませんでした。"), MB_OK | MB_ICONERROR);
            Abort();
        }
    } else {
        fraResource->Clear();
    }
    if (window) {
        SetPageVisible(tabResource, m_resourceShown);
        const QStringList create = GetSourceCreate();
        SetPageVisible(tabSource, RoleMode == role::rmUser || !IsBlankScript(create));
        if (SourcePageActive())
            SetSourceLines(isDrop ? GetSourceDrop() : create);
        LayoutColumns();
    }
    cmbSchema->Save();
    txtName->Save();
    cmbDatabase->Save();
    SetModified(false);
}

void TfrmRole::CheckNames()
{
    if (RoleMode != role::rmServer && cmbDatabase->IsNull())
        Warn(QStringLiteral("データベース名を入力して下さい。"), cmbDatabase);
    if (RoleMode != role::rmServer && IsNew() && cmbSchema->IsNull())
        Warn(QStringLiteral("スキーマ名を入力して下さい。"), cmbSchema);
    if (txtName->IsNull())
        Warn(QStringLiteral("名前を入力して下さい。"), txtName);
}

QStringList TfrmRole::GetDDL()
{
    QStringList lines;
    if (!IsNew() && IsCreate())
        lines << GetSourceDrop();
    if (pagObject->currentWidget() == tabResource)
        lines << GetSourceGrant();
    else if (SourcePageActive())
        lines << SourceLines();
    else
        lines << (IsCreate() ? GetSourceCreate() : GetSourceAlter());
    return lines;
}

QStringList TfrmRole::ScriptText(bool isDrop) { return isDrop ? GetSourceDrop() : GetSourceCreate(); }

QString TfrmRole::DropStatement() { return role::DropStatement(RoleName(), Version()); }

void TfrmRole::PreviewTarget(QString& database, QString& schema, QString& name)
{
    database = Database();
    schema = cmbSchema->currentText().trimmed();
    name = RoleName();
}

void TfrmRole::cmbOwnerDropDown()
{
    WaitCursor cursor;
    const QList<QStringList> rows = ReadAll(Session()->OpenSQL(role::OwnerListQuery(Database())), 1);
    cmbSchema->clear();
    for (const QStringList& r : rows)
        cmbSchema->addItem(r.at(0));
}

void TfrmRole::LayoutColumns()
{
    const auto share = [](TqvStringGrid* g, int check, QList<int> names) {
        const int room = std::max(120, g->width() - g->ColWidths(check) - 20);
        for (int c : names)
            g->SetColWidths(c, room / int(names.size()));
    };
    if (grdMember->ColCount() == 2)
        share(grdMember, 1, {0});
    else
        share(grdMember, 2, {0, 1});
    share(grdSchema, 0, {1, 2});
}

void TfrmRole::resizeEvent(QResizeEvent* e)
{
    TfrmDefine::resizeEvent(e);
    LayoutColumns();
}

void TfrmRole::GetScript(IConnectionWindow* owner, const QString& database, const QString& schema,
                         const QString& objectName, QIODevice& stream)
{
    std::unique_ptr<TfrmRole> w(
        new TfrmRole(owner ? owner->connectionWidget() : nullptr, database, schema, objectName, omDefine, true));
    w->WriteScriptTo(stream);
    Abort();
}

void TfrmRole::GetScriptResource(IConnectionWindow* owner, const QString& database, const QString& schema,
                                 const QString& objectName, QIODevice& stream)
{
    std::unique_ptr<TfrmRole> w(
        new TfrmRole(owner ? owner->connectionWidget() : nullptr, database, schema, objectName, omDefine, true));
    w->SourceMode = smText;
    w->ShowData(false);
    QStringList lines = w->GetSourceGrant();
    RemoveDuplicateUse(lines);
    RemoveBlankLines(lines);
    WriteScript(stream, lines);
    Abort();
}

} // namespace qv
