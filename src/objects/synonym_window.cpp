#include "objects/synonym_window.h"

#include "app/connection_window_iface.h"
#include "app/images.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/object_types.h"
#include "app/qvstrings.h"
#include "app/wait_cursor.h"
#include "connection/object_session.h"
#include "objects/kept_grants.h"
#include "objects/object_pages.h"
#include "platform/db/query.h"
#include "platform/exceptions.h"
#include "tables/define_text.h"

#include <QAction>
#include <QFormLayout>
#include <QMenu>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QToolBar>

namespace qv {

namespace {
DefineKind SynonymKind()
{
    DefineKind k;
    k.windowClass = &TfrmSynonym::staticMetaObject;
    k.objType = 60;
    k.word = QStringLiteral("SYNONYM");
    k.settingsKey = QStringLiteral("SYNONYM");
    k.menuTitle = QStringLiteral("SYNONYM(&O)");
    k.hasSchema = true;
    k.hasSource = true;
    return k;
}

QString Prefix(const QString& name) { return QuoteIdentifier(name.trimmed()) + QLatin1Char('.'); }

// Fills a drop-down list; a failing read leaves the list as it was.
void FillQuietly(TqvComboBox* combo, const std::function<void(QStringList&)>& read)
{
    QStringList list;
    try {
        read(list);
    } catch (const EAbort&) {
        throw;
    } catch (const std::exception&) {
        return;
    }
    combo->clear();
    combo->addItems(list);
}
} // namespace

TfrmSynonym::TfrmSynonym(QObject* owner, const QString& database, const QString& schema, const QString& objectName,
                         TOpenMode mode, const QString& tableDatabase, const QString& tableSchema,
                         const QString& tableName, const QString& objectType)
    : TfrmSynonym(owner, database, schema, objectName, mode, false)
{
    {
        const QSignalBlocker b1(cmbDatabaseList), b2(cmbTableOwner), b3(cmbType), b4(cmbTableName);
        m_filling = true;
        if (!tableDatabase.isEmpty())
            cmbDatabaseList->setEditText(tableDatabase);
        if (!tableSchema.isEmpty())
            cmbTableOwner->setEditText(tableSchema);
        if (!objectType.isEmpty())
            cmbType->setEditText(objectType);
        if (!tableName.isEmpty())
            cmbTableName->setEditText(tableName);
        m_filling = false;
    }
    if (IConnectionWindow* conn = OwnerForm(); conn && conn->IsAzure()) {
        // On Azure the base object lies in the synonym's own database.
        cmbDatabaseList->setEnabled(false);
        cmbDatabaseList->setEditText(Database());
    }
    // A pre-filled new synonym can be created at once.
    if (!tableName.trimmed().isEmpty())
        SetModified(true);
    actCompile->setEnabled(Modified() || SourcePageActive());
    UpdateOpen();
}

TfrmSynonym::TfrmSynonym(QObject* owner, const QString& database, const QString& schema, const QString& objectName,
                         TOpenMode mode, bool scriptMode)
    : TfrmDefine(owner, SynonymKind(), DefineArgs{database, schema, objectName, mode}, scriptMode)
{
    setObjectName(QStringLiteral("frmSynonym"));
    BuildDefinePage();
    tabGrant = NewGrantPage(pagObject);
    pagObject->addTab(tabGrant, QStringLiteral("権限"));
    Start();
}

void TfrmSynonym::BuildDefinePage()
{
    actOpen = new QAction(imgMain(60), QStringLiteral("参照(&O)"), this);
    actOpen->setToolTip(QStringLiteral("シノニムの実態を表示します。"));
    actOpen->setStatusTip(actOpen->toolTip());
    connect(actOpen, &QAction::triggered, this, [this] { Guard([this] { actOpenExecute(); }); });
    tolCmd->insertAction(actRefresh, actOpen);
    if (QWidget* b = tolCmd->widgetForAction(actOpen))
        b->setMinimumWidth(78);
    mnuTool->clear();
    mnuTool->addActions({actCompile, actOpen, actDelete});

    auto* form = new QFormLayout(tabDefine);
    form->setContentsMargins(12, 12, 12, 12);
    form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    const auto combo = [this](const QString& name) {
        auto* c = new TqvDropDownCombo(tabDefine);
        c->setObjectName(name);
        c->setEditable(true);
        c->setMaxVisibleItems(20);
        c->setMinimumContentsLength(24);
        return c;
    };
    cmbDatabaseList = combo(QStringLiteral("cmbDatabaseList"));
    cmbTableOwner = combo(QStringLiteral("cmbTableOwner"));
    cmbType = new TqvComboBox(tabDefine);
    cmbType->setObjectName(QStringLiteral("cmbType"));
    cmbType->setEditable(true);
    cmbType->setMaxVisibleItems(20);
    cmbType->setMinimumContentsLength(12);
    cmbType->addItems(synonym::TypeItems());
    cmbType->setEditText(QString());
    cmbTableName = combo(QStringLiteral("cmbTableName"));
    form->addRow(QStringLiteral("データベース"), cmbDatabaseList);
    form->addRow(QStringLiteral("所有者"), cmbTableOwner);
    form->addRow(QStringLiteral("タイプ"), cmbType);
    form->addRow(QStringLiteral("オブジェクト"), cmbTableName);

    cmbDatabaseList->OnDropDown = [this] {
        QStringList list;
        Session()->GetDatabase(list);
        cmbDatabaseList->clear();
        cmbDatabaseList->addItems(list);
    };
    cmbTableOwner->OnDropDown = [this] {
        FillQuietly(cmbTableOwner, [this](QStringList& l) {
            Session()->GetUser(l, cmbDatabaseList->currentText().trimmed(), false);
        });
    };
    cmbTableName->OnDropDown = [this] {
        FillQuietly(cmbTableName, [this](QStringList& l) {
            Session()->GetObject(l, cmbDatabaseList->currentText().trimmed(), cmbTableOwner->currentText().trimmed(),
                                 cmbType->currentText().trimmed());
        });
    };
    cmbSchema->OnDropDown = [this] {
        FillQuietly(cmbSchema, [this](QStringList& l) { Session()->GetUser(l, Database(), false); });
    };
    connect(cmbType, &QComboBox::currentTextChanged, this, [this] {
        if (m_filling)
            return;
        // Another kind: the object chosen no longer fits.
        const QSignalBlocker block(cmbTableName);
        cmbTableName->clear();
        cmbTableName->setEditText(QString());
    });
    for (QComboBox* c : {static_cast<QComboBox*>(cmbDatabaseList), static_cast<QComboBox*>(cmbTableOwner),
                         static_cast<QComboBox*>(cmbType), static_cast<QComboBox*>(cmbTableName)}) {
        TrackChanges(c);
        connect(c, &QComboBox::currentTextChanged, this, [this] { UpdateOpen(); });
    }
}

QString TfrmSynonym::Database() const { return cmbDatabase->currentText().trimmed(); }
QString TfrmSynonym::Schema() const { return cmbSchema->currentText().trimmed(); }
QString TfrmSynonym::Name() const { return txtName->text().trimmed(); }

QWidget* TfrmSynonym::PageForMode(TOpenMode mode)
{
    switch (mode) {
    case omSource: return tabSource;
    case omGrant: return tabGrant;
    default: return tabDefine;
    }
}

QList<QWidget*> TfrmSynonym::ExistingOnlyPages() { return {tabSource, tabGrant}; }

void TfrmSynonym::ChangedIsNew()
{
    TfrmDefine::ChangedIsNew();
    UpdateOpen();
}

void TfrmSynonym::UpdateOpen()
{
    // A base object on another server is not one this connection can open.
    if (actOpen)
        actOpen->setEnabled(!IsNew() && !Modified() && m_baseServer.isEmpty());
}

QString TfrmSynonym::TypeOfBase(const QString& database, const QString& owner, const QString& name)
{
    QStringList databases;
    Session()->GetDatabase(databases);
    if (!databases.contains(database))
        return QString(); // a database the login cannot use: the user picks the type
    IConnectionWindow* conn = OwnerForm();
    db::Query* q = Session()->OpenSQL(synonym::ObjectTypeQuery(database, conn && conn->IsAzure()),
                                      {owner, name});
    QString type;
    try {
        const QStringList items = synonym::TypeItems();
        for (q->First(); !q->Eof() && type.isEmpty(); q->Next()) {
            const QString t = XTypeToTypeName(q->Fields().at(0)->AsString());
            if (items.contains(t))
                type = t;
        }
    } catch (...) {
        q->Close();
        throw;
    }
    q->Close();
    return type;
}

void TfrmSynonym::ShowData(bool isDrop)
{
    WaitCursor cursor;
    m_filling = true;
    try {
        if (!IsNew()) {
            db::Query* q = Session()->OpenSQL(synonym::SynonymQuery(Database()), {Schema(), Name()});
            const bool found = !q->Eof();
            const QString stored = found ? q->Fields().at(1)->AsString() : QString();
            q->Close();
            if (!found) {
                if (SourceMode == smShow)
                    Box(QStringLiteral("オブジェクトが見つからないか、参照できませんでした。"), MB_OK | MB_ICONERROR);
                Abort();
            }
            const synonym::BaseObject base = synonym::SplitBaseName(stored, Database());
            m_baseServer = base.server;
            cmbDatabaseList->setEditText(base.database);
            cmbTableOwner->setEditText(base.schema);
            cmbTableName->setEditText(base.name);
            // The kind is looked up on this server only.
            cmbType->setEditText(base.server.isEmpty() ? TypeOfBase(base.database, base.schema, base.name) : QString());
        }
        if (SourceMode == smShow && SourcePageActive())
            SetSourceLines(isDrop ? GetSourceDrop() : GetSourceCreate());
        if (SourceMode == smShow && !IsNew() && pagObject->currentWidget() == tabGrant)
            ShowGrantPage(tabGrant, Database(), Schema(), Name());
    } catch (...) {
        m_filling = false;
        SetModified(false);
        throw;
    }
    m_filling = false;
    SetModified(false);
    UpdateOpen();
}

void TfrmSynonym::CheckDefinition()
{
    if (DefinePageActive() && cmbTableName->IsNull())
        Warn(QStringLiteral("オブジェクト名を入力して下さい。"), cmbTableName);
    if (cmbDatabaseList->IsNull())
        Warn(QStringLiteral("データベース名を入力して下さい。"), cmbDatabaseList);
    if (cmbTableOwner->IsNull())
        Warn(QStringLiteral("所有者を入力して下さい。"), cmbTableOwner);
}

QStringList TfrmSynonym::GetSourceCreate() const
{
    IConnectionWindow* conn = OwnerForm();
    const bool azure = conn && conn->IsAzure();
    bool writesSwitch = true;
    if (SourceMode == smText) {
        switch (ScriptOption.Database) {
        case qmAlways: writesSwitch = !azure; break;
        case qmDiffLogin: writesSwitch = !azure && Database() != (conn ? conn->DataBase().trimmed() : QString()); break;
        default: writesSwitch = false; break;
        }
    }
    synonym::CreateInput in;
    in.switchDatabase = writesSwitch ? Database() : QString();
    in.schemaPrefix = GetSchemaPrefix(Schema());
    in.name = Name();
    const QString baseDatabase = cmbDatabaseList->currentText().trimmed();
    const QString baseOwner = cmbTableOwner->currentText().trimmed();
    if (!m_baseServer.isEmpty()) {
        // A base object on another server keeps its server, and a four-part name needs every part.
        in.basePrefix = Prefix(m_baseServer) + Prefix(baseDatabase) + Prefix(baseOwner);
    } else {
        in.basePrefix = GetDatabasePrefix(baseDatabase) + GetSchemaPrefixEx(baseOwner, Schema());
    }
    in.baseName = cmbTableName->currentText().trimmed();
    return synonym::CreateText(in);
}

QStringList TfrmSynonym::GetSourceDrop() const
{
    IConnectionWindow* conn = OwnerForm();
    const bool azure = conn && conn->IsAzure();
    bool writesSwitch = true;
    if (SourceMode == smText) {
        switch (ScriptOption.Database) {
        case qmAlways: writesSwitch = !azure; break;
        case qmDiffLogin: writesSwitch = !azure && Database() != (conn ? conn->DataBase().trimmed() : QString()); break;
        default: writesSwitch = false; break;
        }
    }
    return synonym::DropText(writesSwitch ? Database() : QString(), Schema(), Name());
}

QStringList TfrmSynonym::GetDDL()
{
    if (pagObject->currentWidget() == tabGrant)
        return GrantPageSource(tabGrant);
    // An emptied editor drops nothing.
    if (SourcePageActive() && IsBlankScript(SourceLines()))
        return {};
    QStringList lines;
    QList<kept::Grant> keptGrants;
    if (!IsNew()) {
        // Dropped and created again: its users keep their permissions.
        keptGrants = kept::ReadGrants(*Session(), Database(), Schema(), Name());
        lines << GetSourceDrop();
    }
    if (SourcePageActive()) {
        lines << SourceLines();
        if (!lines.isEmpty() && lines.last().trimmed().compare(QLatin1String("go"), Qt::CaseInsensitive) != 0)
            lines << QStringLiteral("go");
    } else {
        lines << GetSourceCreate();
    }
    lines << kept::RegrantText(keptGrants, Schema(), Name());
    return lines;
}

QStringList TfrmSynonym::ScriptText(bool isDrop) { return isDrop ? GetSourceDrop() : GetSourceCreate(); }

QString TfrmSynonym::DeleteStatement() { return synonym::DeleteStatement(Database(), Schema(), Name()); }

void TfrmSynonym::actOpenExecute()
{
    if (IsNew() || Modified())
        return;
    IConnectionWindow* conn = OwnerForm();
    if (!conn)
        return;
    const int type = GetObjectTypeCode(cmbType->currentText().trimmed());
    const QString database = cmbDatabaseList->currentText().trimmed();
    const QString owner = cmbTableOwner->currentText().trimmed();
    const QString name = cmbTableName->currentText().trimmed();
    QWidget* w = conn->OpenObject(type, database, owner, name, qvOption.OpenMode, false, 0, QString());
    if (TfrmMain* main = TfrmMain::instance()) {
        if (w)
            main->AddChildWindow(w);
        main->RecentObjectCheck(type, database, owner, name, QString());
    }
}

void TfrmSynonym::GetScript(IConnectionWindow* owner, const QString& database, const QString& schema,
                            const QString& objectName, QIODevice& stream)
{
    std::unique_ptr<TfrmSynonym> w(
        new TfrmSynonym(owner ? owner->connectionWidget() : nullptr, database, schema, objectName, omDefine, true));
    w->WriteScriptTo(stream);
    Abort();
}

} // namespace qv
