#include "objects/schema_window.h"

#include "app/connection_window_iface.h"
#include "app/message_box.h"
#include "app/wait_cursor.h"
#include "connection/object_session.h"
#include "objects/schema_text.h"
#include "platform/db/query.h"
#include "platform/exceptions.h"

#include <QFormLayout>
#include <QLabel>
#include <QTabWidget>
#include <QVBoxLayout>

namespace qv {

namespace {
DefineKind SchemaKind()
{
    DefineKind k;
    k.windowClass = &TfrmSchema::staticMetaObject;
    k.objType = 125;
    k.word = QStringLiteral("SCHEMA");
    k.settingsKey = QStringLiteral("SCHEMA");
    k.menuTitle = QStringLiteral("SCHEMA(&O)");
    k.hasSchema = false;
    k.hasSource = true;
    return k;
}
} // namespace

TfrmSchema::TfrmSchema(QObject* owner, const QString& database, const QString& schema, const QString& objectName,
                       TOpenMode mode)
    : TfrmSchema(owner, database, schema, objectName, mode, false)
{
}

TfrmSchema::TfrmSchema(QObject* owner, const QString& database, const QString& schema, const QString& objectName,
                       TOpenMode mode, bool scriptMode)
    : TfrmDefine(owner, SchemaKind(), DefineArgs{database, schema, objectName, mode}, scriptMode)
{
    setObjectName(QStringLiteral("frmSchema"));
    auto* form = new QFormLayout(tabDefine);
    form->setContentsMargins(12, 12, 12, 12);
    form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    cmbOwner = new TqvDropDownCombo(tabDefine);
    cmbOwner->setObjectName(QStringLiteral("cmbOwner"));
    cmbOwner->setEditable(true);
    cmbOwner->setMinimumContentsLength(20);
    cmbOwner->setEditText(schema);
    cmbOwner->OnDropDown = [this] { cmbOwnerDropDown(); };
    form->addRow(QStringLiteral("スキーマの所有者"), cmbOwner);
    TrackChanges(cmbOwner);
    if (scriptMode)
        SetObjType(4);
    Start();
}

QString TfrmSchema::Database() const { return cmbDatabase->currentText().trimmed(); }

QWidget* TfrmSchema::PageForMode(TOpenMode mode)
{
    switch (mode) {
    case omDefine:
    case omData: return tabDefine;
    case omSource: return tabSource;
    default: return tabSource; // the form's own page
    }
}

bool TfrmSchema::IsCreate() const { return IsNew() || SourceMode == smText || SourcePageActive(); }

namespace {
schema::TextInput Input(const TfrmSchema& w, const QString& database, const QString& name, const QString& owner)
{
    schema::TextInput in;
    in.database = database;
    in.schema = name;
    in.owner = owner;
    in.scriptMode = w.SourceMode == smText;
    in.databaseOption = ScriptOption.Database;
    if (IConnectionWindow* conn = w.OwnerForm()) {
        in.azure = conn->IsAzure();
        in.connectionDatabase = conn->DataBase();
    }
    return in;
}
} // namespace

QStringList TfrmSchema::GetSourceCreate() const
{
    const QString name = NewObjectName.isEmpty() ? txtName->text() : NewObjectName;
    return schema::CreateText(Input(*this, Database(), name, cmbOwner->currentText()));
}

QStringList TfrmSchema::GetSourceAlter() const
{
    return schema::AlterText(Input(*this, Database(), txtName->text(), cmbOwner->currentText()));
}

QStringList TfrmSchema::GetSourceDrop() const
{
    return schema::DropText(Input(*this, Database(), txtName->text(), cmbOwner->currentText()));
}

void TfrmSchema::ShowData(bool isDrop)
{
    WaitCursor cursor;
    if (IsNew()) {
        cmbOwner->setEditText(Session()->g_User);
    } else {
        TObjectSession* s = Session();
        db::Query* q = s->OpenSQL(schema::OwnerQuery(Database()), {txtName->text().trimmed()});
        const bool found = !q->Eof();
        const QString owner = found ? q->Fields().at(0)->AsString() : QString();
        q->Close();
        if (!found) {
            if (SourceMode == smShow)
                Box(QStringLiteral("定義情報を読み込めませんでした。"), MB_OK | MB_ICONERROR);
            Abort();
        }
        cmbOwner->setEditText(owner);
    }
    if (SourcePageActive() && SourceMode == smShow)
        SetSourceLines(isDrop ? GetSourceDrop() : GetSourceCreate());
    cmbOwner->Save();
    txtName->Save();
    cmbDatabase->Save();
    SetModified(false);
}

QStringList TfrmSchema::GetDDL()
{
    QStringList lines;
    if (!IsNew() && IsCreate())
        lines << GetSourceDrop();
    if (SourcePageActive())
        lines << SourceLines();
    else
        lines << (IsCreate() ? GetSourceCreate() : GetSourceAlter());
    return lines;
}

QStringList TfrmSchema::ScriptText(bool isDrop) { return isDrop ? GetSourceDrop() : GetSourceCreate(); }

QString TfrmSchema::DeleteStatement() { return schema::DeleteStatement(Database(), txtName->text()); }

void TfrmSchema::PreviewTarget(QString& database, QString& schema, QString& name)
{
    database.clear();
    schema.clear();
    name = txtName->text().trimmed();
}

void TfrmSchema::cmbOwnerDropDown()
{
    WaitCursor cursor;
    db::Query* q = Session()->OpenSQL(schema::OwnerListQuery(Database()));
    QStringList names;
    for (q->First(); !q->Eof(); q->Next())
        names << q->Fields().at(0)->AsString();
    q->Close();
    cmbOwner->clear();
    cmbOwner->addItems(names);
}

void TfrmSchema::GetScript(IConnectionWindow* owner, const QString& database, const QString& schema,
                           const QString& objectName, QIODevice& stream)
{
    std::unique_ptr<TfrmSchema> w(new TfrmSchema(owner ? owner->connectionWidget() : nullptr, database, schema,
                                                 objectName, omDefine, true));
    w->WriteScriptTo(stream);
    Abort();
}

} // namespace qv
