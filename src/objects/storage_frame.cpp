#include "objects/storage_frame.h"

#include "app/connection_window_iface.h"
#include "app/message_box.h"
#include "app/options.h"
#include "app/qvform.h"
#include "app/wait_cursor.h"
#include "connection/object_session.h"
#include "connection/object_window.h"
#include "objects/storage_text.h"
#include "platform/db/query.h"
#include "platform/exceptions.h"
#include "tables/define_frame.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace qv {

namespace {
int Warn(const QString& text)
{
    return TfrmDefine::MessageHook ? TfrmDefine::MessageHook(text, MB_OK | MB_ICONWARNING)
                                   : ShowMessageBox(text, MB_OK | MB_ICONWARNING);
}

QStringList Column(db::Query* q, int column)
{
    QStringList out;
    for (q->First(); !q->Eof(); q->Next())
        out << q->Fields().at(column)->AsString();
    q->Close();
    return out;
}
} // namespace

TfraStorage::TfraStorage(TqvForm* owner, QWidget* parent) : QWidget(parent), FOwner(owner)
{
    setObjectName(QStringLiteral("fraStorage"));
    pnlStorageType = new QWidget(this);
    auto* top = new QHBoxLayout(pnlStorageType);
    top->setContentsMargins(8, 8, 8, 4);
    cmbStorageType = new TqvComboBox(pnlStorageType);
    cmbStorageType->setObjectName(QStringLiteral("cmbStorageType"));
    cmbStorageType->setEditable(false);
    auto* lblType = new QLabel(QStringLiteral("格納方法"), pnlStorageType);
    lblType->setBuddy(cmbStorageType);
    top->addWidget(lblType);
    top->addWidget(cmbStorageType, 1);
    top->addStretch(1);

    const auto combo = [](QWidget* parent, const char* name) {
        auto* c = new TqvDropDownCombo(parent);
        c->setObjectName(QString::fromLatin1(name));
        c->setEditable(true);
        c->setCompleter(nullptr);
        c->setMaxVisibleItems(20);
        c->setMinimumContentsLength(20);
        return c;
    };
    pagStorage = new QStackedWidget(this);
    tabFileGroup = new QWidget(pagStorage);
    auto* fg = new QFormLayout(tabFileGroup);
    cmbFileGroup = combo(tabFileGroup, "cmbFileGroup");
    fg->addRow(QStringLiteral("ファイルグループ"), cmbFileGroup);

    tabTemporary = new QWidget(pagStorage);
    auto* tl = new QVBoxLayout(tabTemporary);
    grpOnCommit = new QGroupBox(QStringLiteral("使用方法"), tabTemporary);
    auto* gl = new QVBoxLayout(grpOnCommit);
    rdoLocal = new TqvRadioButton(QStringLiteral("作成したセッションのみ使用可能"), grpOnCommit);
    rdoGlobal = new TqvRadioButton(QStringLiteral("すべてのセッションで使用可能"), grpOnCommit);
    rdoLocal->setChecked(true);
    gl->addWidget(rdoLocal);
    gl->addWidget(rdoGlobal);
    tl->addWidget(grpOnCommit);
    tl->addStretch(1);

    tabPartition = new QWidget(pagStorage);
    auto* pl = new QFormLayout(tabPartition);
    cmbPartition = combo(tabPartition, "cmbPartition");
    cmbPartItem = combo(tabPartition, "cmbPartItem");
    cmbPartItem->setCharCase(CharCase::Upper);
    pl->addRow(QStringLiteral("パーティション名"), cmbPartition);
    pl->addRow(QStringLiteral("パーティション列名"), cmbPartItem);

    pagStorage->addWidget(tabFileGroup);
    pagStorage->addWidget(tabTemporary);
    pagStorage->addWidget(tabPartition);
    pagStorage->setCurrentWidget(tabFileGroup);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(pnlStorageType);
    layout->addWidget(pagStorage);
    layout->addStretch(1);

    connect(cmbStorageType, &QComboBox::currentTextChanged, this, [this] { cmbStorageTypeChange(); });
    for (QComboBox* c : {static_cast<QComboBox*>(cmbFileGroup), static_cast<QComboBox*>(cmbPartition),
                         static_cast<QComboBox*>(cmbPartItem)})
        connect(c, &QComboBox::currentTextChanged, this, [this] { Changed(); });
    connect(rdoLocal, &QRadioButton::clicked, this, [this] { Changed(); });
    connect(rdoGlobal, &QRadioButton::clicked, this, [this] { Changed(); });
    cmbFileGroup->OnDropDown = [this] {
        WaitCursor cursor;
        QStringList list;
        Session()->GetFileGroup(list);
        cmbFileGroup->clear();
        cmbFileGroup->addItems(list);
    };
    cmbPartition->OnDropDown = [this] {
        QStringList list;
        GetPartition(list, FDataBase);
        cmbPartition->clear();
        cmbPartition->addItems(list);
    };
    cmbPartItem->OnDropDown = [this] {
        QStringList list;
        GetColumn(list, FDataBase, FSchema, FTableName);
        cmbPartItem->clear();
        cmbPartItem->addItems(list);
    };
}

TObjectSession* TfraStorage::Session() const
{
    IConnectionWindow* conn = FOwner ? FOwner->OwnerForm() : nullptr;
    auto* window = conn ? dynamic_cast<TfrmObject*>(conn->connectionWidget()) : nullptr;
    if (!window)
        throw Exception(QStringLiteral("接続ウィンドウがありません。"));
    return window->session();
}

int TfraStorage::StorageKind() const { return storage::KindOfText(cmbStorageType->currentText()); }

void TfraStorage::cmbStorageTypeChange()
{
    switch (StorageKind()) {
    case storage::Temporary: pagStorage->setCurrentWidget(tabTemporary); break;
    case storage::Partition: pagStorage->setCurrentWidget(tabPartition); break;
    default: pagStorage->setCurrentWidget(tabFileGroup); break;
    }
    Changed();
}

void TfraStorage::Changed()
{
    if (FOwner)
        FOwner->SetModified(true);
}

void TfraStorage::Init(const QString& database, const QString& schema, const QString& objectName,
                       const QString& tableName)
{
    FDataBase = database;
    FSchema = schema;
    FObjectName = objectName;
    if (FObjType >= 0)
        return;
    FObjType = FOwner ? FOwner->ObjType() : 0;
    const int version = FOwner && FOwner->OwnerForm() ? FOwner->OwnerForm()->DBVer() : 99;
    {
        const QSignalBlocker block(cmbStorageType);
        cmbStorageType->clear();
        cmbStorageType->addItem(storage::StandardText);
        if (FObjType == storage::TableOwner) {
            cmbStorageType->addItem(storage::TemporaryText);
            FTableName = objectName;
        } else {
            FTableName = tableName;
        }
        if (version >= 9)
            cmbStorageType->addItem(storage::PartitionText);
        cmbStorageType->setCurrentIndex(0);
    }
    cmbStorageTypeChange();
}

void TfraStorage::ShowDefine()
{
    WaitCursor cursor;
    TObjectSession* s = Session();
    const QString use = s->Use(FDataBase);
    cmbStorageType->setCurrentIndex(cmbStorageType->findText(storage::StandardText));
    storage::Kind kind = storage::Standard;
    const int version = s->DBVer;
    if (FObjType == storage::TableOwner && FDataBase.compare(QStringLiteral("tempdb"), Qt::CaseInsensitive) == 0) {
        kind = storage::Temporary;
        (FObjectName.startsWith(QStringLiteral("##")) ? rdoGlobal : rdoLocal)->setChecked(true);
    } else if (version >= 9) {
        db::Query* q = s->OpenSQL(use + storage::DataSpaceTypeSql(FObjType), {FSchema, FObjectName});
        const QString type = q->Eof() ? QString() : q->Fields().at(0)->AsString().trimmed();
        q->Close();
        if (type == QStringLiteral("PS"))
            kind = storage::Partition;
    }
    if (kind == storage::Standard) {
        QStringList params{FSchema, FObjectName};
        if (FObjType == storage::IndexOwner)
            params << FSchema << FTableName;
        const QStringList groups = Column(s->OpenSQL(use + storage::FileGroupSql(FObjType), params), 0);
        cmbFileGroup->setEditText(groups.value(0));
    } else if (kind == storage::Partition) {
        db::Query* q = s->OpenSQL(use + storage::PartitionSql(FObjType), {FSchema, FObjectName});
        if (!q->Eof()) {
            cmbPartition->setEditText(q->Fields().at(0)->AsString());
            cmbPartItem->setEditText(q->Fields().at(1)->AsString());
        }
        q->Close();
    }
    const QString text = kind == storage::Temporary ? storage::TemporaryText
                         : kind == storage::Partition ? storage::PartitionText
                                                      : storage::StandardText;
    {
        const QSignalBlocker block(cmbStorageType);
        cmbStorageType->setCurrentIndex(cmbStorageType->findText(text));
    }
    cmbStorageTypeChange();
    cmbStorageType->setEnabled(kind != storage::Temporary);
}

void TfraStorage::Check()
{
    if (pagStorage->currentWidget() == tabFileGroup && cmbFileGroup->IsNull()) {
        Warn(QStringLiteral("ファイルグループを指定して下さい。"));
        cmbFileGroup->setFocus();
        Abort();
    }
    if (pagStorage->currentWidget() == tabPartition) {
        if (cmbPartition->IsNull()) {
            Warn(QStringLiteral("パーティション名を指定して下さい。"));
            cmbPartition->setFocus();
            Abort();
        }
        if (cmbPartItem->IsNull()) {
            Warn(QStringLiteral("パーティション列名を指定して下さい。"));
            cmbPartItem->setFocus();
            Abort();
        }
    }
}

void TfraStorage::Save()
{
    cmbStorageType->Save();
    cmbFileGroup->Save();
    cmbPartition->Save();
    cmbPartItem->Save();
    rdoLocal->Save();
    rdoGlobal->Save();
}

bool TfraStorage::IsCreate() const
{
    return cmbStorageType->IsChanged() || cmbFileGroup->IsChanged() || cmbPartition->IsChanged() ||
           cmbPartItem->IsChanged() || rdoLocal->IsChanged() || rdoGlobal->IsChanged();
}

void TfraStorage::GetSourceCreate(QStringList& source) const
{
    if (!(FOwner && FOwner->SourceMode == smText) && !qvOption.ShowStorageSource)
        return;
    storage::Kind kind = storage::Standard;
    if (pagStorage->currentWidget() == tabTemporary)
        kind = storage::Temporary;
    else if (pagStorage->currentWidget() == tabPartition)
        kind = storage::Partition;
    const QString clause =
        storage::Clause(kind, cmbFileGroup->currentText(), cmbPartition->currentText(), cmbPartItem->currentText());
    if (!clause.isEmpty())
        source << clause;
}

void TfraStorage::GetPartition(QStringList& list, const QString& database)
{
    WaitCursor cursor;
    TObjectSession* s = Session();
    list = Column(s->OpenSQL(s->Use(database) + storage::PartitionSchemeListSql), 0);
}

void TfraStorage::GetColumn(QStringList& list, const QString& database, const QString& owner,
                            const QString& tableName)
{
    WaitCursor cursor;
    TObjectSession* s = Session();
    list = Column(s->OpenSQL(s->Use(database) + storage::ColumnListSql(), {owner, tableName}), 0);
}

} // namespace qv
