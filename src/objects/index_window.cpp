#include "objects/index_window.h"

#include "app/connection_window_iface.h"
#include "app/images.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/options.h"
#include "app/wait_cursor.h"
#include "connection/object_session.h"
#include "controls/key_action.h"
#include "objects/storage_frame.h"
#include "platform/db/query.h"
#include "platform/exceptions.h"
#include "tables/define_text.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace qv {

namespace {
DefineKind IndexKind()
{
    DefineKind k;
    k.windowClass = &TfrmIndex::staticMetaObject;
    k.objType = 46;
    k.word = QStringLiteral("INDEX");
    k.settingsKey = QStringLiteral("INDEX");
    k.menuTitle = QStringLiteral("INDEX(&O)");
    k.hasOutput = true;
    k.hasSchema = true;
    k.hasSource = true;
    return k;
}

IConnectionWindow* ConnectionOf(QObject* owner)
{
    if (auto* conn = dynamic_cast<IConnectionWindow*>(owner))
        return conn;
    if (auto* form = qobject_cast<TqvForm*>(owner))
        return form->OwnerForm();
    return nullptr;
}

// The caption of an existing index names its table: "INDEX - db.schema.table.name @ server.db".
QString IndexCaption(IConnectionWindow* conn, const QString& database, const QString& schema, const QString& table,
                     const QString& name)
{
    return DefineCaption(QStringLiteral("INDEX"), false, database, schema, table + QLatin1Char('.') + name,
                         conn ? conn->Server() : QString(), conn ? conn->DataBase() : QString(), true);
}

// One window per index: an open one comes forward and no second is built.
DefineArgs CheckOpen(QObject* owner, const DefineArgs& args, const QString& table, bool scriptMode)
{
    if (!scriptMode && !args.name.trimmed().isEmpty()) {
        TfrmMain* main = TfrmMain::instance();
        if (main && main->FindWindow(TfrmIndex::staticMetaObject,
                                     IndexCaption(ConnectionOf(owner), args.database, args.schema, table, args.name),
                                     true))
            Abort();
    }
    return args;
}

QToolButton* ToolButton(QWidget* parent, int image, const QString& text, const char* name)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setIcon(imgMain(image));
    b->setText(text);
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    b->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    return b;
}

TqvListBox* ListBox(QWidget* parent, const char* name)
{
    auto* l = new TqvListBox(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setSelectionMode(QAbstractItemView::ExtendedSelection);
    return l;
}

QStringList Items(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

} // namespace

TfrmIndex::TfrmIndex(QObject* owner, const QString& database, const QString& schema, const QString& objectName,
                     TOpenMode mode, const QString& tableName)
    : TfrmIndex(owner, database, schema, objectName, mode, tableName, false)
{
}

TfrmIndex::TfrmIndex(QObject* owner, const QString& database, const QString& schema, const QString& objectName,
                     TOpenMode mode, const QString& tableName, bool scriptMode)
    : TfrmDefine(owner, IndexKind(), CheckOpen(owner, DefineArgs{database, schema, objectName, mode}, tableName, scriptMode),
                 scriptMode),
      FTableName(tableName)
{
    setObjectName(QStringLiteral("frmIndex"));
    BuildPage();
    IConnectionWindow* conn = OwnerForm();
    const bool azure = conn && conn->IsAzure();
    const int ver = conn ? conn->DBVer() : 99;
    if (azure)
        chkFillFactor->hide();
    chkAddColumn->setEnabled(ver >= 9);
    chkColumnStore->setEnabled(!(ver <= 10 || azure));
    FilterRule();
    lblFilter->setVisible(ver >= 10);
    txtFilter->setVisible(ver >= 10);
    if (!scriptMode)
        resize(946, 498);
    if (azure)
        pagObject->setTabVisible(pagObject->indexOf(tabStorage), false);
    else if (!scriptMode)
        fraStorage->Init(database, schema, objectName, tableName);
    Start();
    if (!scriptMode && tableName.isEmpty() && !IsNew()) {
        // The table found by the load.
        FTableName = cmbTableName->currentText().trimmed();
        if (fraStorage->ObjType() >= 0)
            fraStorage->SetTableName(FTableName);
        ChangedIsNew();
    }
}

void TfrmIndex::BuildPage()
{
    auto* body1 = new QWidget(tabDefine);
    body1->setObjectName(QStringLiteral("pnlBody1"));
    auto* top = new QGridLayout(body1);
    top->setContentsMargins(8, 8, 8, 4);
    lblTableName = new QLabel(QStringLiteral("テーブル"), body1);
    lblTableName->setObjectName(QStringLiteral("lblTableName"));
    const auto combo = [&](const char* name) {
        auto* c = new TqvDropDownCombo(body1);
        c->setObjectName(QString::fromLatin1(name));
        c->setEditable(true);
        c->setMinimumContentsLength(14);
        return c;
    };
    cmbTableOwner = combo("cmbTableOwner");
    cmbTableName = combo("cmbTableName");
    const auto check = [&](const QString& text, const char* name) {
        auto* c = new TqvCheckBox(text, body1);
        c->setObjectName(QString::fromLatin1(name));
        return c;
    };
    chkUnique = check(QStringLiteral("一意"), "chkUnique");
    chkCluster = check(QStringLiteral("クラスタ"), "chkCluster");
    chkFillFactor = check(QStringLiteral("FillFactorを設定する"), "chkFillFactor");
    txtFillFactorPercent = new TqvNumEdit(body1);
    txtFillFactorPercent->setObjectName(QStringLiteral("txtFillFactorPercent"));
    txtFillFactorPercent->setMaxLength(3);
    txtFillFactorPercent->setMaximumWidth(txtFillFactorPercent->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 16);
    lblPercent = new QLabel(QStringLiteral("%"), body1);
    chkPadIndex = check(QStringLiteral("パディング"), "chkPadIndex");
    chkPadIndex->setToolTip(QStringLiteral("中間レベルのページにも FillFactor を適用します。"));
    chkPadIndex->setVisible(false);
    lblFilter = new QLabel(QStringLiteral("フィルタ"), body1);
    txtFilter = new TqvStrEdit(body1);
    txtFilter->setObjectName(QStringLiteral("txtFilter"));
    txtFilter->setPlaceholderText(QStringLiteral("例: [Status] = N'受付'"));
    lblFilter->setBuddy(txtFilter);
    chkEnable = check(QStringLiteral("有効"), "chkEnable");
    chkEnable->setChecked(true);
    chkAddColumn = check(QStringLiteral("付加列"), "chkAddColumn");
    chkColumnStore = check(QStringLiteral("カラムストア"), "chkColumnStore");
    txtFillFactorPercent->setVisible(false);
    txtFillFactorPercent->setEnabled(false);
    lblPercent->setVisible(false);

    top->addWidget(lblTableName, 0, 0);
    auto* tables = new QHBoxLayout;
    tables->addWidget(cmbTableOwner, 1);
    tables->addWidget(new QLabel(QStringLiteral("."), body1));
    tables->addWidget(cmbTableName, 2);
    top->addLayout(tables, 0, 1);
    auto* checks = new QHBoxLayout;
    checks->setSpacing(14);
    checks->addWidget(chkUnique);
    checks->addWidget(chkCluster);
    auto* fill = new QHBoxLayout;
    fill->setSpacing(4);
    fill->addWidget(chkFillFactor);
    fill->addWidget(txtFillFactorPercent);
    fill->addWidget(lblPercent);
    fill->addWidget(chkPadIndex);
    checks->addLayout(fill);
    checks->addWidget(chkEnable);
    checks->addWidget(chkAddColumn);
    checks->addWidget(chkColumnStore);
    checks->addStretch(1);
    top->addLayout(checks, 1, 0, 1, 2);
    top->addWidget(lblFilter, 2, 0);
    top->addWidget(txtFilter, 2, 1);
    top->setColumnStretch(1, 1);

    // Left: the key columns and (below) the included columns, each with its buttons.
    auto* body2 = new QWidget(tabDefine);
    body2->setObjectName(QStringLiteral("PnlBody2"));
    auto* left = new QVBoxLayout(body2);
    left->setContentsMargins(8, 0, 0, 8);
    const auto columnPanel = [&](const char* panelName, const QString& caption, const char* listName,
                                 QToolButton*& ins, QToolButton*& del, const char* insName, const char* delName,
                                 TqvListBox*& list) {
        auto* panel = new QWidget(body2);
        panel->setObjectName(QString::fromLatin1(panelName));
        auto* v = new QVBoxLayout(panel);
        v->setContentsMargins(0, 0, 0, 0);
        v->addWidget(new QLabel(caption, panel));
        auto* h = new QHBoxLayout;
        list = ListBox(panel, listName);
        h->addWidget(list, 1);
        auto* buttons = new QVBoxLayout;
        buttons->addStretch(1);
        ins = ToolButton(panel, 32, QStringLiteral("追加"), insName);
        del = ToolButton(panel, 33, QStringLiteral("削除"), delName);
        buttons->addWidget(ins);
        buttons->addWidget(del);
        buttons->addStretch(1);
        h->addLayout(buttons);
        v->addLayout(h, 1);
        left->addWidget(panel, 1);
        return panel;
    };
    pnlNormalBody = columnPanel("pnlNormalBody", QStringLiteral("インデックスの列"), "lstIdxCol", btnIns, btnDel, "btnIns",
                                "btnDel", lstIdxCol);
    pnlGeneralAddColumn = columnPanel("pnlGeneralAddColumn", QStringLiteral("付加列"), "lstAddColumn", btnIns2, btnDel2,
                                      "btnIns2", "btnDel2", lstAddColumn);
    pnlGeneralAddColumn->setVisible(false);

    auto* body3 = new QWidget(tabDefine);
    body3->setObjectName(QStringLiteral("PnlBody3"));
    auto* right = new QVBoxLayout(body3);
    right->setContentsMargins(0, 0, 8, 8);
    right->addWidget(new QLabel(QStringLiteral("テーブルの列"), body3));
    lstTabCol = ListBox(body3, "lstTabCol");
    right->addWidget(lstTabCol, 1);

    auto* lower = new QHBoxLayout;
    lower->setSpacing(12);
    lower->addWidget(body2, 1);
    lower->addWidget(body3, 1);
    auto* page = new QVBoxLayout(tabDefine);
    page->setContentsMargins(0, 0, 0, 0);
    page->addWidget(body1);
    page->addLayout(lower, 1);

    tabStorage = new QWidget(pagObject);
    tabStorage->setObjectName(QStringLiteral("tabStorage"));
    auto* storage = new QVBoxLayout(tabStorage);
    storage->setContentsMargins(0, 0, 0, 0);
    fraStorage = new TfraStorage(this, tabStorage);
    storage->addWidget(fraStorage);
    pagObject->addTab(tabStorage, QStringLiteral("領域情報"));

    for (QWidget* w : {static_cast<QWidget*>(cmbTableOwner), static_cast<QWidget*>(cmbTableName),
                       static_cast<QWidget*>(txtFillFactorPercent), static_cast<QWidget*>(chkEnable),
                       static_cast<QWidget*>(chkUnique), static_cast<QWidget*>(chkCluster),
                       static_cast<QWidget*>(chkFillFactor), static_cast<QWidget*>(chkAddColumn),
                       static_cast<QWidget*>(chkColumnStore), static_cast<QWidget*>(chkPadIndex),
                       static_cast<QWidget*>(txtFilter)})
        TrackChanges(w);
    connect(chkUnique, &QCheckBox::toggled, this, [this] { chkUniqueClick(); });
    connect(chkCluster, &QCheckBox::toggled, this, [this] { chkClusterClick(); });
    connect(chkFillFactor, &QCheckBox::toggled, this, [this] { chkFillFactorClick(); });
    connect(chkAddColumn, &QCheckBox::toggled, this, [this] { chkAddColumnClick(); });
    connect(chkColumnStore, &QCheckBox::toggled, this, [this] { chkColumnStoreClick(); });
    connect(btnIns, &QToolButton::clicked, this, [this] { btnInsClick(); });
    connect(btnDel, &QToolButton::clicked, this, [this] { btnDelClick(); });
    connect(btnIns2, &QToolButton::clicked, this, [this] { btnIns2Click(); });
    connect(btnDel2, &QToolButton::clicked, this, [this] { btnDel2Click(); });
    connect(lstTabCol, &QListWidget::itemDoubleClicked, this, [this] { btnInsClick(); });
    connect(lstIdxCol, &QListWidget::itemDoubleClicked, this, [this] { btnDelClick(); });
    connect(lstAddColumn, &QListWidget::itemDoubleClicked, this, [this] { btnDel2Click(); });
    lstTabCol->installEventFilter(new TqvKeyAction(this, Qt::Key_Return, [this] { btnInsClick(); }));
    lstIdxCol->installEventFilter(new TqvKeyAction(this, Qt::Key_Delete, [this] { btnDelClick(); }));
    lstAddColumn->installEventFilter(new TqvKeyAction(this, Qt::Key_Delete, [this] { btnDel2Click(); }));
    const auto guarded = [this](void (TfrmIndex::*f)()) { return [this, f] { Guard([&] { (this->*f)(); }); }; };
    connect(cmbTableName, &QComboBox::activated, this, guarded(&TfrmIndex::cmbTableNameExit));
    connect(cmbTableName->lineEdit(), &QLineEdit::editingFinished, this, guarded(&TfrmIndex::cmbTableNameExit));
    connect(cmbTableOwner, &QComboBox::activated, this, guarded(&TfrmIndex::cmbTableOwnerExit));
    connect(cmbTableOwner->lineEdit(), &QLineEdit::editingFinished, this, guarded(&TfrmIndex::cmbTableOwnerExit));
    cmbTableOwner->OnDropDown = [this] {
        QStringList list;
        Session()->GetUser(list, Database(), false);
        cmbTableOwner->clear();
        cmbTableOwner->addItems(list);
    };
    cmbTableName->OnDropDown = [this] {
        QStringList list;
        Session()->GetObject(list, Database(), cmbTableOwner->currentText().trimmed(), QStringLiteral("TABLE"));
        cmbTableName->clear();
        cmbTableName->addItems(list);
    };
}

QWidget* TfrmIndex::PageForMode(TOpenMode mode)
{
    switch (mode) {
    case omDefine:
    case omData: return tabDefine;
    default: return tabSource; // the form's own page
    }
}

void TfrmIndex::ChangedIsNew()
{
    TfrmDefine::ChangedIsNew();
    if (ScriptMode() || IsNew())
        return;
    setWindowTitle(IndexCaption(OwnerForm(), Database(), cmbSchema->currentText().trimmed(), FTableName,
                                txtName->text().trimmed()));
}

void TfrmIndex::Changed()
{
    SetModified(true);
    actCompile->setEnabled(true);
}

// Column store is possible unless one of the other boxes is checked (or the server cannot).
void TfrmIndex::ColumnStoreRule(std::initializer_list<TqvCheckBox*> others)
{
    IConnectionWindow* conn = OwnerForm();
    const int ver = conn ? conn->DBVer() : 99;
    bool enable = !(ver <= 10 || (conn && conn->IsAzure()));
    for (TqvCheckBox* c : others)
        if (c->isChecked())
            enable = false;
    chkColumnStore->setEnabled(enable);
}

// A filter needs version 10 and a nonclustered row-store index.
void TfrmIndex::FilterRule()
{
    IConnectionWindow* conn = OwnerForm();
    const bool possible = (!conn || conn->DBVer() >= 10) && !chkCluster->isChecked() && !chkColumnStore->isChecked();
    txtFilter->setEnabled(possible);
    if (!possible)
        txtFilter->clear();
}

void TfrmIndex::chkUniqueClick()
{
    if (chkUnique->isChecked())
        chkColumnStore->setEnabled(false);
    else
        ColumnStoreRule({chkCluster, chkAddColumn, chkFillFactor});
}

void TfrmIndex::chkClusterClick()
{
    FilterRule();
    IConnectionWindow* conn = OwnerForm();
    if (chkCluster->isChecked() || (conn && conn->DBVer() < 9)) {
        chkAddColumn->setChecked(false);
        chkAddColumn->setEnabled(false);
        chkColumnStore->setEnabled(false);
    } else {
        chkAddColumn->setEnabled(true);
        ColumnStoreRule({chkUnique, chkAddColumn, chkFillFactor});
    }
}

void TfrmIndex::chkFillFactorClick()
{
    const bool on = chkFillFactor->isChecked();
    txtFillFactorPercent->setEnabled(on);
    txtFillFactorPercent->setVisible(on);
    lblPercent->setVisible(on);
    chkPadIndex->setVisible(on);
    if (!on)
        chkPadIndex->setChecked(false);
    if (on)
        chkColumnStore->setEnabled(false);
    else
        ColumnStoreRule({chkCluster, chkUnique, chkAddColumn});
}

void TfrmIndex::chkAddColumnClick()
{
    const bool on = chkAddColumn->isChecked();
    pnlGeneralAddColumn->setVisible(on);
    if (on) {
        chkColumnStore->setEnabled(false);
    } else {
        ColumnStoreRule({chkCluster, chkUnique, chkFillFactor});
        lstAddColumn->clear();
    }
}

void TfrmIndex::chkColumnStoreClick()
{
    FilterRule();
    const bool on = chkColumnStore->isChecked();
    for (TqvCheckBox* c : {chkCluster, chkUnique, chkAddColumn, chkFillFactor}) {
        if (on)
            c->setChecked(false);
        c->setEnabled(!on);
    }
    if (!on) {
        IConnectionWindow* conn = OwnerForm();
        if (conn && conn->DBVer() < 9)
            chkAddColumn->setEnabled(false);
    }
}

void TfrmIndex::AddSelected(TqvListBox* target)
{
    const QStringList keys = Items(lstIdxCol);
    const QStringList included = Items(lstAddColumn);
    for (int i = 0; i < lstTabCol->count(); ++i) {
        QListWidgetItem* item = lstTabCol->item(i);
        if (!item->isSelected())
            continue;
        const QString name = item->text();
        if (keys.contains(name) || included.contains(name) || Items(target).contains(name))
            continue;
        target->addItem(name);
        Changed();
    }
}

void TfrmIndex::RemoveSelected(TqvListBox* list)
{
    for (int i = list->count() - 1; i >= 0; --i) {
        if (list->item(i)->isSelected()) {
            delete list->takeItem(i);
            Changed();
        }
    }
}

void TfrmIndex::btnInsClick() { AddSelected(lstIdxCol); }
void TfrmIndex::btnDelClick() { RemoveSelected(lstIdxCol); }
void TfrmIndex::btnIns2Click() { AddSelected(lstAddColumn); }
void TfrmIndex::btnDel2Click() { RemoveSelected(lstAddColumn); }

void TfrmIndex::cmbTableNameExit()
{
    const QString table = cmbTableName->currentText().trimmed();
    if (table != m_boundTable && !cmbTableOwner->currentText().trimmed().isEmpty() && !table.isEmpty())
        ShowTabCol();
}

void TfrmIndex::cmbTableOwnerExit()
{
    const QString owner = cmbTableOwner->currentText().trimmed();
    if (owner != m_boundOwner && !owner.isEmpty() && cmbTableName->currentText().trimmed().isEmpty())
        ShowTabCol();
}

void TfrmIndex::ShowTabCol()
{
    WaitCursor cursor;
    lstTabCol->clear();
    m_boundOwner = cmbTableOwner->currentText().trimmed();
    m_boundTable = cmbTableName->currentText().trimmed();
    TObjectSession* s = Session();
    db::Query* q = s->OpenSQL(s->Use(Database()) + index::TableColumnSql(), {m_boundOwner, m_boundTable});
    for (q->First(); !q->Eof(); q->Next())
        lstTabCol->addItem(q->Fields().at(0)->AsString());
    q->Close();
    lstIdxCol->clear(); // another table: its key columns start afresh
}

bool TfrmIndex::StorageReady() const
{
    IConnectionWindow* conn = OwnerForm();
    return !(conn && conn->IsAzure()) && fraStorage->ObjType() >= 0;
}

void TfrmIndex::ShowData(bool isDrop)
{
    WaitCursor cursor;
    IConnectionWindow* conn = OwnerForm();
    const int ver = conn ? conn->DBVer() : 99;
    const bool azure = conn && conn->IsAzure();
    if (m_applying) {
        // After an applied change: the index lives in its table's schema and on its table.
        m_applying = false;
        FTableName = cmbTableName->currentText().trimmed();
        if (fraStorage->ObjType() >= 0)
            fraStorage->SetTableName(FTableName);
        if (cmbSchema->currentText().trimmed() != cmbTableOwner->currentText().trimmed()) {
            const QSignalBlocker block(cmbSchema);
            cmbSchema->setEditText(cmbTableOwner->currentText().trimmed());
        }
    }
    chkColumnStore->setChecked(false);
    chkCluster->setChecked(false);
    chkUnique->setChecked(false);
    chkEnable->setChecked(true);
    chkEnable->setEnabled(ver >= 9);
    chkFillFactor->setChecked(false);
    txtFillFactorPercent->clear();
    chkPadIndex->setChecked(false);
    txtFilter->clear();
    {
        const QSignalBlocker b1(cmbTableOwner), b2(cmbTableName);
        cmbTableOwner->setEditText(cmbSchema->currentText().trimmed());
        cmbTableName->setEditText(FTableName);
    }
    lstIdxCol->clear();
    lstAddColumn->clear();
    lstTabCol->clear();
    m_descending.clear();
    m_boundOwner.clear();
    m_boundTable.clear();
    chkAddColumn->setChecked(false);
    if (!azure && (ScriptOption.Filegroup || !ScriptMode()))
        fraStorage->Init(Database(), cmbSchema->currentText().trimmed(), txtName->text().trimmed(), FTableName);

    if (IsNew()) {
        if (!cmbTableOwner->currentText().trimmed().isEmpty() && !cmbTableName->currentText().trimmed().isEmpty())
            ShowTabCol();
    } else {
        TObjectSession* s = Session();
        const QString use = s->Use(Database());
        const QString owner = cmbTableOwner->currentText().trimmed();
        db::Query* q = s->OpenSQL(use + index::IndexSql(ver, Database(), owner, cmbTableName->currentText().trimmed()),
                                  {txtName->text().trimmed(), owner});
        if (q->Eof()) {
            q->Close();
            if (SourceMode == smShow)
                Box(QStringLiteral("オブジェクトが見つからないか、参照できませんでした。"), MB_OK | MB_ICONERROR);
            Abort();
        }
        const auto field = [&](int i) { return q->Fields().at(i); };
        const QString database = field(0)->AsString();
        const QString table = field(1)->AsString();
        bool clustered, unique, enabled, columnStore = false;
        if (ver < 9) {
            clustered = field(2)->AsString().trimmed() == QLatin1String("1");
            unique = field(3)->AsString().trimmed() == QLatin1String("1");
            enabled = field(4)->AsString().trimmed() != QLatin1String("1");
        } else {
            const QString type = field(2)->AsString().trimmed();
            clustered = type == QLatin1String("1");
            columnStore = type == QLatin1String("6");
            unique = !field(3)->IsNull() && field(3)->AsBoolean();
            enabled = field(4)->IsNull() || !field(4)->AsBoolean();
        }
        const int fillFactor = field(5)->IsNull() ? 0 : field(5)->AsInteger();
        const int padColumn = ver < 9 ? 6 : 8;
        const bool padded = q->Fields().size() > padColumn && field(padColumn)->AsBoolean();
        const QString filter = ver >= 10 && q->Fields().size() > 9 ? field(9)->AsString() : QString();
        q->Close();
        {
            const QSignalBlocker b1(cmbDatabase), b2(cmbTableName);
            cmbDatabase->setEditText(database);
            cmbTableName->setEditText(table);
        }
        if (FTableName.isEmpty() && fraStorage->ObjType() >= 0 && fraStorage->TableName().isEmpty())
            fraStorage->SetTableName(table);
        if (StorageReady())
            fraStorage->ShowDefine();
        chkCluster->setChecked(clustered);
        chkColumnStore->setChecked(columnStore);
        chkUnique->setChecked(unique);
        chkEnable->setChecked(enabled);
        chkFillFactor->setChecked(fillFactor > 0);
        if (fillFactor > 0)
            txtFillFactorPercent->setText(QString::number(fillFactor));
        chkPadIndex->setChecked(padded);
        txtFilter->setText(filter);

        ShowTabCol();
        const QStringList params{cmbSchema->currentText().trimmed(), table, txtName->text().trimmed()};
        q = s->OpenSQL(use + index::KeyColumnSql(ver), params);
        for (q->First(); !q->Eof(); q->Next()) {
            const QString name = q->Fields().at(0)->AsString();
            lstIdxCol->addItem(name);
            const auto* desc = q->Fields().at(1);
            if (desc->AsBoolean())
                m_descending.insert(name);
        }
        q->Close();
        if (ver >= 9) {
            q = s->OpenSQL(use + index::IncludedColumnSql(), params);
            for (q->First(); !q->Eof(); q->Next())
                lstAddColumn->addItem(q->Fields().at(0)->AsString());
            q->Close();
            if (lstAddColumn->count() > 0) {
                const QSignalBlocker block(chkAddColumn); // keeps the list just read
                chkAddColumn->setChecked(true);
                pnlGeneralAddColumn->setVisible(true);
                chkColumnStore->setEnabled(false);
            }
        }
    }
    chkCluster->Save();
    chkColumnStore->Save();
    chkUnique->Save();
    chkFillFactor->Save();
    txtFillFactorPercent->Save();
    cmbDatabase->Save();
    cmbTableOwner->Save();
    cmbTableName->Save();
    if (fraStorage->ObjType() >= 0)
        fraStorage->Save();
    FlstIdxColSave = Items(lstIdxCol).join(QLatin1Char('\n'));
    if (SourceMode == smShow)
        SetSourceLines(SourcePageActive() ? (isDrop ? GetSourceDrop() : GetSourceCreate()) : QStringList());
    SetModified(false);
}

bool TfrmIndex::IsCreate() const
{
    return IsNew() || SourceMode == smText || SourcePageActive() || (fraStorage->ObjType() >= 0 && fraStorage->IsCreate()) ||
           chkCluster->IsChanged() || chkUnique->IsChanged() || cmbTableOwner->IsChanged() ||
           cmbTableName->IsChanged() || Items(lstIdxCol).join(QLatin1Char('\n')) != FlstIdxColSave;
}

index::IndexDef TfrmIndex::Def() const
{
    index::IndexDef d;
    d.database = Database();
    d.schema = cmbSchema->currentText().trimmed();
    d.name = txtName->text().trimmed();
    d.tableOwner = cmbTableOwner->currentText().trimmed();
    d.table = cmbTableName->currentText().trimmed();
    d.columns = Items(lstIdxCol);
    d.descending = m_descending;
    d.included = Items(lstAddColumn);
    d.unique = chkUnique->isChecked();
    d.clustered = chkCluster->isChecked();
    d.columnStore = chkColumnStore->isChecked();
    d.enabled = chkEnable->isChecked();
    d.fillFactorOn = chkFillFactor->isChecked();
    d.fillFactor = txtFillFactorPercent->text();
    d.padIndex = chkPadIndex->isChecked();
    d.filter = txtFilter->isEnabled() ? txtFilter->text() : QString();
    return d;
}

index::TextContext TfrmIndex::Context() const
{
    index::TextContext c;
    IConnectionWindow* conn = OwnerForm();
    c.dbVer = conn ? conn->DBVer() : 99;
    c.azure = conn && conn->IsAzure();
    c.scriptMode = SourceMode == smText;
    c.databaseOption = ScriptOption.Database;
    c.connectionDatabase = conn ? conn->DataBase() : QString();
    c.ownerPrefix = GetSchemaPrefixEx(cmbTableOwner->currentText(), cmbSchema->currentText());
    c.isCreate = IsCreate();
    if (StorageReady() && (ScriptOption.Filegroup || SourceMode == smShow)) {
        QStringList clause;
        fraStorage->GetSourceCreate(clause);
        c.storageClause = clause.value(0);
    }
    return c;
}

QStringList TfrmIndex::GetSourceCreate() const { return index::CreateText(Def(), Context()); }

QString TfrmIndex::OutputFileName() const
{
    return cmbSchema->currentText().trimmed() + QLatin1Char('.') + TableName() + QLatin1Char('.') + txtName->text().trimmed() +
           QStringLiteral(".sql");
}

QStringList TfrmIndex::GetSourceDrop() const { return index::DropText(Def(), Context()); }

void TfrmIndex::CheckDefinition()
{
    if (DefinePageActive()) {
        if (cmbTableName->IsNull())
            Warn(lblTableName->text() + QStringLiteral("名を入力して下さい。"), cmbTableName);
        if (lstIdxCol->count() == 0)
            Warn(QStringLiteral("インデックス列を指定して下さい。"), lstIdxCol);
    }
    if (chkAddColumn->isChecked() && lstAddColumn->count() == 0)
        Warn(QStringLiteral("付加列インデックス列を指定して下さい。"), lstAddColumn);
    const QString problem = index::FillFactorProblem(chkFillFactor->isChecked(), txtFillFactorPercent->text());
    if (!problem.isEmpty())
        Warn(problem, txtFillFactorPercent);
    if (StorageReady() && pagObject->currentWidget() == tabStorage)
        fraStorage->Check();
}

QStringList TfrmIndex::GetDDL()
{
    QStringList lines;
    if (!IsNew())
        lines << GetSourceDrop();
    if (SourcePageActive())
        lines << SourceLines();
    else
        lines << GetSourceCreate();
    return lines;
}

void TfrmIndex::Compile()
{
    // The reload after a successful run takes the table's schema as the index's.
    m_applying = true;
    TfrmDefine::Compile();
    m_applying = false;
    if (!IsNew())
        ChangedIsNew(); // the caption names the table the index now lives on
    IConnectionWindow* conn = OwnerForm();
    if (!(conn && conn->IsAzure()) && !Modified())
        fraStorage->Init(Database(), cmbSchema->currentText().trimmed(), txtName->text().trimmed(), FTableName);
}

QStringList TfrmIndex::ScriptText(bool isDrop) { return isDrop ? GetSourceDrop() : GetSourceCreate(); }

QString TfrmIndex::DropStatement()
{
    IConnectionWindow* conn = OwnerForm();
    return index::DeleteStatement(Def(), conn && conn->IsAzure());
}

void TfrmIndex::GetScript(IConnectionWindow* owner, const QString& database, const QString& schema,
                          const QString& objectName, QIODevice& stream, const QString& tableName)
{
    std::unique_ptr<TfrmIndex> w(new TfrmIndex(owner ? owner->connectionWidget() : nullptr, database, schema,
                                               objectName, omDefine, tableName, true));
    w->WriteScriptTo(stream);
    Abort();
}

} // namespace qv
