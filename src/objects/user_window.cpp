#include "objects/user_window.h"

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

#include <QFormLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTabWidget>
#include <QVBoxLayout>

namespace qv {

namespace {
DefineKind UserKind()
{
    DefineKind k;
    k.windowClass = &TfrmUser::staticMetaObject;
    k.objType = 3;
    k.word = QStringLiteral("USER");
    k.settingsKey = QStringLiteral("USER");
    k.menuTitle = QStringLiteral("USER(&O)");
    k.hasSchema = false;
    k.hasSource = true;
    k.commitAroundDDL = true;
    return k;
}


QStringList ReadColumn(db::Query* q)
{
    QStringList names;
    try {
        for (q->First(); !q->Eof(); q->Next())
            names << q->Fields().at(0)->AsString();
    } catch (...) {
        q->Close();
        throw;
    }
    q->Close();
    return names;
}
} // namespace

TfrmUser::TfrmUser(QObject* owner, const QString& database, const QString& objectName, TOpenMode mode)
    : TfrmUser(owner, database, objectName, mode, false)
{
}

TfrmUser::TfrmUser(QObject* owner, const QString& database, const QString& objectName, TOpenMode mode,
                   bool scriptMode)
    : TfrmDefine(owner, UserKind(), DefineArgs{database, QString(), objectName, mode}, scriptMode)
{
    setObjectName(QStringLiteral("frmUser"));
    pnlLogin = new QWidget;
    pnlLogin->setObjectName(QStringLiteral("pnlLogin"));
    auto* ll = new QFormLayout(pnlLogin);
    ll->setContentsMargins(0, 0, 0, 0);
    cmbLogin = new TqvDropDownCombo(pnlLogin);
    cmbLogin->setObjectName(QStringLiteral("cmbLogin"));
    cmbLogin->setEditable(true);
    cmbLogin->setMinimumContentsLength(16);
    cmbLogin->OnDropDown = [this] {
        WaitCursor cursor;
        const QStringList names = ReadColumn(Session()->OpenSQL(user::LoginQuery(Version(), OwnerForm() && OwnerForm()->IsAzure())));
        cmbLogin->clear();
        cmbLogin->addItems(names);
        cmbLogin->model()->sort(0);
    };
    ll->addRow(QStringLiteral("ログイン名"), cmbLogin);
    pnlDefSchema = new QWidget;
    pnlDefSchema->setObjectName(QStringLiteral("pnlDefSchema"));
    auto* sl = new QFormLayout(pnlDefSchema);
    sl->setContentsMargins(0, 0, 0, 0);
    cmbDefSchema = new TqvDropDownCombo(pnlDefSchema);
    cmbDefSchema->setObjectName(QStringLiteral("cmbDefSchema"));
    cmbDefSchema->setEditable(true);
    cmbDefSchema->setMinimumContentsLength(16);
    cmbDefSchema->OnDropDown = [this] {
        QStringList list;
        Session()->GetUser(list, Database(), false);
        cmbDefSchema->clear();
        cmbDefSchema->addItems(list);
        cmbDefSchema->model()->sort(0);
    };
    sl->addRow(QStringLiteral("既定のスキーマ"), cmbDefSchema);
    auto* left = new QWidget;
    left->setObjectName(QStringLiteral("pnlLeft"));
    auto* lv = new QVBoxLayout(left);
    lv->setContentsMargins(0, 0, 0, 0);
    lv->addWidget(pnlLogin);
    lv->addWidget(pnlDefSchema);
    lv->addStretch(1);

    grdSchema = NewOwnedSchemaGrid(
        QStringLiteral("所有"), 40, [this] { return !IsNew() && UserName() == QLatin1String("dbo"); },
        [this] {
            SetModified(true);
            actCompile->setEnabled(true);
        });
    pnlRight = new QWidget;
    pnlRight->setObjectName(QStringLiteral("pnlRight"));
    auto* rv = new QVBoxLayout(pnlRight);
    rv->setContentsMargins(0, 0, 0, 0);
    rv->setSpacing(2);
    rv->addWidget(new QLabel(QStringLiteral("ユーザーに所有されているスキーマ"), pnlRight));
    rv->addWidget(grdSchema, 1);

    spl1 = new QSplitter(Qt::Horizontal, tabDefine);
    spl1->setObjectName(QStringLiteral("spl1"));
    spl1->addWidget(left);
    spl1->addWidget(pnlRight);
    spl1->setStretchFactor(1, 1);
    auto* dl = new QVBoxLayout(tabDefine);
    dl->setContentsMargins(4, 4, 4, 4);
    dl->addWidget(spl1);

    tabResource = new QWidget(pagObject);
    tabResource->setObjectName(QStringLiteral("tabResource"));
    auto* tl = new QVBoxLayout(tabResource);
    tl->setContentsMargins(4, 4, 4, 4);
    fraResource = new TfraResource(tabResource);
    fraResource->Permissions = [](int t) -> const QStringList& { return grants::DatabasePermissions(t); };
    fraResource->OnModified = [this] {
        SetModified(true);
        actCompile->setEnabled(true);
    };
    fraResource->OnShowModeClick = [this] { Guard([this] { Reload(); }); };
    tl->addWidget(fraResource);
    {
        const QSignalBlocker block(pagObject);
        pagObject->addTab(tabResource, QStringLiteral("リソース"));
    }
    TrackChanges(cmbLogin);
    TrackChanges(cmbDefSchema);
    // Another database chosen: its users, roles and schemas are read again.
    connect(cmbDatabase, qOverload<int>(&QComboBox::activated), this, [this] { Guard([this] { ShowData(false); }); });
    Start();
}

QString TfrmUser::Database() const { return cmbDatabase->currentText().trimmed(); }
QString TfrmUser::UserName() const { return txtName->text().trimmed(); }

int TfrmUser::Version() const
{
    IConnectionWindow* c = OwnerForm();
    return c ? c->DBVer() : 15;
}

QWidget* TfrmUser::PageForMode(TOpenMode mode)
{
    switch (mode) {
    case omDefine:
    case omData: return tabDefine;
    case omSource: return tabSource;
    default: return tabResource;
    }
}

QList<QWidget*> TfrmUser::ExistingOnlyPages() { return {tabSource, tabResource}; }

bool TfrmUser::DeleteOutsideTransaction() const { return Version() < 9; }

bool TfrmUser::IsCreate() const { return IsNew() || SourceMode == smText || SourcePageActive(); }

user::TextInput TfrmUser::Input() const
{
    user::TextInput in;
    in.database = Database();
    in.user = NewObjectName.isEmpty() ? UserName() : NewObjectName;
    in.login = cmbLogin->currentText().trimmed();
    in.defaultSchema = cmbDefSchema->currentText().trimmed();
    in.dbVer = Version();
    in.isNew = IsNew();
    in.scriptMode = SourceMode == smText;
    in.databaseOption = ScriptOption.Database;
    if (IConnectionWindow* c = OwnerForm()) {
        in.azure = c->IsAzure();
        in.connectionDatabase = c->DataBase();
    }
    in.loginEditable = m_loginEditable;
    in.defaultSchemaEditable = m_defSchemaEditable;
    in.schemaPanel = m_schemaShown;
    if (m_schemaShown)
        in.schemas = OwnedSchemas(grdSchema);
    return in;
}

QStringList TfrmUser::GetSourceCreate() const { return user::CreateText(Input()); }
QStringList TfrmUser::GetSourceAlter() const { return user::AlterText(Input()); }
QStringList TfrmUser::GetSourceDrop() const { return user::DropText(Input()); }

QStringList TfrmUser::GetSourceGrant() const
{
    if (!m_resourceShown)
        return {};
    const user::TextInput in = Input();
    grants::StatementInput s;
    s.principal = UserName();
    s.scriptMode = in.scriptMode;
    if (grants::SwitchWanted(in.scriptMode, in.databaseOption, in.azure, in.database, in.connectionDatabase))
        s.switchDatabase = in.database;
    return grants::Statements(fraResource->Rows(), s);
}

void TfrmUser::SetPageVisible(QWidget* page, bool visible)
{
    const int i = pagObject->indexOf(page);
    if (i < 0 || pagObject->isTabVisible(i) == visible)
        return;
    const QSignalBlocker block(pagObject);
    if (!visible && pagObject->currentIndex() == i)
        pagObject->setCurrentWidget(tabDefine);
    pagObject->setTabVisible(i, visible);
}

void TfrmUser::ShowData(bool isDrop)
{
    WaitCursor cursor;
    const bool window = SourceMode == smShow;
    TObjectSession* s = Session();
    const bool azure = OwnerForm() && OwnerForm()->IsAzure();
    QString login;
    if (!IsNew()) {
        db::Query* q = s->OpenSQL(user::UserQuery(Database(), Version(), azure), {UserName()});
        const bool found = !q->Eof();
        QString schema;
        if (found) {
            login = q->Fields().at(0)->AsString();
            schema = q->Fields().at(1)->AsString();
        }
        q->Close();
        if (!found) {
            if (window)
                Box(QStringLiteral("定義情報を読み込めませんでした。"), MB_OK | MB_ICONERROR);
            Abort();
        }
        const QSignalBlocker b1(cmbLogin), b2(cmbDefSchema);
        cmbLogin->setEditText(login);
        if (Version() >= 9)
            cmbDefSchema->setEditText(schema);
    }
    m_loginEditable = user::LoginEditable(IsNew(), login, UserName());
    m_defSchemaEditable = user::DefaultSchemaEditable(IsNew(), UserName());
    pnlLogin->setEnabled(m_loginEditable);
    pnlDefSchema->setEnabled(m_defSchemaEditable);
    m_schemaShown = Version() >= 9;
    pnlRight->setVisible(m_schemaShown);
    pnlDefSchema->setVisible(m_schemaShown);
    m_resourceShown = !IsNew() && Version() >= 9;
    SetDataRows(grdSchema, 0);
    if (m_resourceShown) {
        FillOwnedSchemas(grdSchema, *s, Database(), UserName());
        if (!LoadDatabaseResources(*s, *fraResource, Database(), UserName(), true)) {
            if (window)
                Box(QStringLiteral("定義情報を読み込めませんでした。"), MB_OK | MB_ICONERROR);
            Abort();
        }
    } else {
        grdSchema->Save();
        fraResource->Clear();
    }
    if (window) {
        SetPageVisible(tabResource, m_resourceShown);
        if (SourcePageActive())
            SetSourceLines(isDrop ? GetSourceDrop() : GetSourceCreate());
        LayoutColumns();
    }
    cmbLogin->Save();
    cmbDefSchema->Save();
    txtName->Save();
    cmbDatabase->Save();
    SetModified(false);
}

void TfrmUser::CheckDefinition()
{
    if (cmbLogin->IsNull() && user::LoginRequired(UserName()))
        Warn(QStringLiteral("ログイン名を入力して下さい。"), cmbLogin);
}

QStringList TfrmUser::GetDDL()
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

QStringList TfrmUser::ScriptText(bool isDrop) { return isDrop ? GetSourceDrop() : GetSourceCreate(); }

QString TfrmUser::DropStatement() { return user::DropStatement(UserName(), Version()); }

void TfrmUser::PreviewTarget(QString& database, QString& schema, QString& name)
{
    database.clear();
    schema.clear();
    name = UserName();
}

void TfrmUser::LayoutColumns()
{
    const int room = std::max(120, grdSchema->width() - grdSchema->ColWidths(0) - 20);
    grdSchema->SetColWidths(1, room / 2);
    grdSchema->SetColWidths(2, room / 2);
}

void TfrmUser::resizeEvent(QResizeEvent* e)
{
    TfrmDefine::resizeEvent(e);
    LayoutColumns();
}

void TfrmUser::GetScript(IConnectionWindow* owner, const QString& database, const QString& objectName, QIODevice& stream)
{
    std::unique_ptr<TfrmUser> w(new TfrmUser(owner ? owner->connectionWidget() : nullptr, database, objectName, omDefine, true));
    w->WriteScriptTo(stream);
    Abort();
}

void TfrmUser::GetScriptResource(IConnectionWindow* owner, const QString& database, const QString& objectName,
                                 QIODevice& stream)
{
    std::unique_ptr<TfrmUser> w(new TfrmUser(owner ? owner->connectionWidget() : nullptr, database, objectName, omDefine, true));
    w->SourceMode = smText;
    w->ShowData(false);
    QStringList lines = w->GetSourceGrant();
    RemoveBlankLines(lines);
    WriteScript(stream, lines);
    Abort();
}

} // namespace qv
