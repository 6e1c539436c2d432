#include "objects/constraint_window.h"

#include "app/code_assist.h"
#include "app/connection_window_iface.h"
#include "app/images.h"
#include "app/message_box.h"
#include "app/options.h"
#include "app/qvstrings.h"
#include "app/wait_cursor.h"
#include "connection/object_session.h"
#include "connection/object_window.h"
#include "controls/key_action.h"
#include "controls/grid/string_grid.h"
#include "editor/sqlmemo/qvmemo.h"
#include "objects/storage_frame.h"
#include "platform/db/query.h"
#include "platform/exceptions.h"
#include "sql/memo_frame.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace qv {

using namespace constraint;

namespace {
DefineKind ConstKindDescriptor()
{
    DefineKind k;
    k.windowClass = &TfrmConst::staticMetaObject;
    k.objType = 66;
    k.word = QStringLiteral("CONSTRAINT");
    k.settingsKey = QStringLiteral("CONST");
    k.menuTitle = QStringLiteral("CONSTRAINT(&O)");
    k.hasSchema = true;
    k.hasSource = false;
    return k;
}

QStringList Items(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

QStringList Column(db::Query* q)
{
    QStringList out;
    for (q->First(); !q->Eof(); q->Next())
        out << q->Fields().at(0)->AsString();
    q->Close();
    return out;
}

const QString NotFound = QStringLiteral("オブジェクトが見つからないか、参照できませんでした。");
} // namespace

TfrmConst::TfrmConst(QObject* owner, const QString& database, const QString& schema, const QString& objectName,
                     const QString& tableName)
    : TfrmConst(owner, database, schema, objectName, tableName, false)
{
}

TfrmConst::TfrmConst(QObject* owner, const QString& database, const QString& schema, const QString& objectName,
                     const QString& tableName, bool scriptMode)
    : TfrmDefine(owner, ConstKindDescriptor(), DefineArgs{database, schema, objectName, omDefine}, scriptMode)
{
    setObjectName(QStringLiteral("frmConst"));
    BuildPage();
    {
        const QSignalBlocker block(cmbDefDatabase);
        cmbDefDatabase->setEditText(database);
    }
    if (objectName.trimmed().isEmpty()) {
        const QSignalBlocker b1(cmbTableName), b2(cmbRefSchema), b3(cmbConstType);
        cmbTableName->setEditText(tableName);
        cmbRefSchema->setEditText(schema);
        cmbConstType->setCurrentIndex(PrimaryKey);
    }
    if (Azure()) {
        cmbDefDatabase->setEnabled(false);
        pagObject->setTabVisible(pagObject->indexOf(tabStorage), false);
    }
    if (!scriptMode)
        resize(919, 406);
    Start();
}

TfrmConst::~TfrmConst() = default;

bool TfrmConst::Azure() const { return OwnerForm() && OwnerForm()->IsAzure(); }
int TfrmConst::Version() const { return OwnerForm() ? OwnerForm()->DBVer() : 99; }

void TfrmConst::BuildPage()
{
    auto* define = new QVBoxLayout(tabDefine);
    define->setContentsMargins(0, 0, 0, 0);
    auto* pnlDefine = new QWidget(tabDefine);
    pnlDefine->setObjectName(QStringLiteral("pnlDefine"));
    auto* top = new QHBoxLayout(pnlDefine);
    top->setContentsMargins(8, 8, 8, 4);
    pnlObj = new QWidget(pnlDefine);
    pnlObj->setObjectName(QStringLiteral("pnlObj"));
    auto* obj = new QHBoxLayout(pnlObj);
    obj->setContentsMargins(0, 0, 0, 0);
    const auto combo = [](QWidget* parent, const char* name, int chars) {
        auto* c = new TqvDropDownCombo(parent);
        c->setObjectName(QString::fromLatin1(name));
        c->setEditable(true);
        c->setMinimumContentsLength(chars);
        return c;
    };
    cmbTableName = combo(pnlObj, "cmbTableName", 16);
    cmbConstType = new TqvComboBox(pnlObj);
    cmbConstType->setObjectName(QStringLiteral("cmbConstType"));
    cmbConstType->setEditable(false);
    cmbConstType->addItems({QStringLiteral("PRIMARY KEY"), QStringLiteral("UNIQUE KEY"), QStringLiteral("FOREIGN KEY"),
                            QStringLiteral("CHECK"), QStringLiteral("DEFAULT")});
    cmbDefDatabase = combo(pnlObj, "cmbDefDatabase", 12);
    obj->addWidget(new QLabel(QStringLiteral("テーブル"), pnlObj));
    obj->addWidget(cmbTableName, 2);
    obj->addSpacing(8);
    obj->addWidget(new QLabel(QStringLiteral("タイプ"), pnlObj));
    obj->addWidget(cmbConstType, 1);
    obj->addSpacing(8);
    obj->addWidget(new QLabel(QStringLiteral("データベース"), pnlObj));
    obj->addWidget(cmbDefDatabase, 1);
    top->addWidget(pnlObj, 1);
    chkEnabled = new TqvCheckBox(QStringLiteral("有効"), pnlDefine);
    chkEnabled->setObjectName(QStringLiteral("chkEnabled"));
    chkEnabled->setChecked(true);
    top->addSpacing(8);
    top->addWidget(chkEnabled);
    define->addWidget(pnlDefine);

    pagType = new QStackedWidget(tabDefine);
    pagType->setObjectName(QStringLiteral("pagType"));
    const auto page = [&](const char* name) {
        auto* w = new QWidget(pagType);
        w->setObjectName(QString::fromLatin1(name));
        auto* l = new QVBoxLayout(w);
        l->setContentsMargins(8, 0, 8, 8);
        pagType->addWidget(w);
        return w;
    };
    tabPrimary = page("tabPrimary");
    tabUnique = page("tabUnique");
    tabForeign = page("tabForeign");
    tabCheck = page("tabCheck");
    tabDefault = page("tabDefault");
    define->addWidget(pagType, 1);

    // The column editor shared by PRIMARY KEY and UNIQUE.
    pnlIndex = new QWidget(tabPrimary);
    pnlIndex->setObjectName(QStringLiteral("pnlIndex"));
    auto* grid = new QGridLayout(pnlIndex);
    grid->setContentsMargins(0, 0, 0, 0);
    const auto list = [&](const char* name) {
        auto* l = new TqvListBox(pnlIndex);
        l->setObjectName(QString::fromLatin1(name));
        l->setSelectionMode(QAbstractItemView::ExtendedSelection);
        return l;
    };
    lstIdxCol = list("lstIdxCol");
    lstTabCol = list("lstTabCol");
    const auto button = [&](int image, const QString& text, const char* name) {
        auto* b = new QToolButton(pnlIndex);
        b->setObjectName(QString::fromLatin1(name));
        b->setIcon(imgMain(image));
        b->setText(text);
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        return b;
    };
    // The buttons point from the table's columns (right) to the constraint's (left).
    btnInsAll = button(31, QStringLiteral("全て追加"), "btnInsAll");
    btnIns = button(32, QStringLiteral("追加"), "btnIns");
    btnDel = button(33, QStringLiteral("削除"), "btnDel");
    btnDelAll = button(34, QStringLiteral("全て削除"), "btnDelAll");
    auto* buttons = new QVBoxLayout;
    buttons->addStretch(1);
    for (QToolButton* b : {btnInsAll, btnIns, btnDel, btnDelAll})
        buttons->addWidget(b);
    buttons->addStretch(1);
    grid->addWidget(new QLabel(QStringLiteral("インデックスの列"), pnlIndex), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("テーブルの列"), pnlIndex), 0, 2);
    grid->addWidget(lstIdxCol, 1, 0);
    grid->addLayout(buttons, 1, 1);
    grid->addWidget(lstTabCol, 1, 2);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(1, 1);
    tabPrimary->layout()->addWidget(pnlIndex);

    // FOREIGN KEY.
    auto* refs = new QGridLayout;
    cmbRefSchema = combo(tabForeign, "cmbRefSchema", 10);
    cmbRefTable = combo(tabForeign, "cmbRefTable", 16);
    cmbRefIndex = combo(tabForeign, "cmbRefIndex", 16);
    refs->addWidget(new QLabel(QStringLiteral("スキーマ"), tabForeign), 0, 0);
    refs->addWidget(cmbRefSchema, 0, 1);
    refs->addWidget(new QLabel(QStringLiteral("テーブル"), tabForeign), 1, 0);
    refs->addWidget(cmbRefTable, 1, 1);
    refs->addWidget(new QLabel(QStringLiteral("インデックス"), tabForeign), 2, 0);
    refs->addWidget(cmbRefIndex, 2, 1);
    refs->setColumnStretch(1, 1);
    rdoDeleteAction = new QGroupBox(QStringLiteral("親の削除時のアクション"), tabForeign);
    rdoDeleteAction->setObjectName(QStringLiteral("rdoDeleteAction"));
    grpDeleteAction = new QButtonGroup(rdoDeleteAction);
    auto* actions = new QVBoxLayout(rdoDeleteAction);
    const QStringList captions{QStringLiteral("連鎖(CASCADE)"), QStringLiteral("NULL(SET NULL)"),
                               QStringLiteral("何もしない(NO ACTION)"), QStringLiteral("DEFAULT(SET DEFAULT)")};
    for (int i = 0; i < captions.size(); ++i) {
        auto* r = new TqvRadioButton(captions.at(i), rdoDeleteAction);
        grpDeleteAction->addButton(r, i);
        actions->addWidget(r);
    }
    grpDeleteAction->button(Cascade)->setChecked(true);
    if (OwnerForm() && OwnerForm()->DBVer() < 9) {
        // SQL Server 2000 knows only CASCADE and NO ACTION.
        grpDeleteAction->button(SetNull)->setEnabled(false);
        grpDeleteAction->button(SetDefault)->setEnabled(false);
    }
    auto* foreignTop = new QHBoxLayout;
    foreignTop->addLayout(refs, 1);
    foreignTop->addWidget(rdoDeleteAction);
    grdForeign = new TqvStringGrid(tabForeign);
    grdForeign->setObjectName(QStringLiteral("grdForeign"));
    grdForeign->SetColCount(2);
    grdForeign->SetRowCount(2);
    grdForeign->SetFixedCols(0);
    grdForeign->SetFixedRows(1);
    grdForeign->SetDefaultColWidth(200);
    grdForeign->SetDefaultRowHeight(qMax(18, grdForeign->fontMetrics().height() + 6));
    grdForeign->SetGridOptions(grdForeign->GridOptions() | goEditing | goTabs);
    grdForeign->SetGridMode(TqvGridEditorMode::geAccess);
    grdForeign->SetEditStyles(1, TqvGridEditStyle::geDropList);
    grdForeign->SetHeader({QStringLiteral("参照先項目名"), QStringLiteral("テーブル項目名")});
    auto* foreign = static_cast<QVBoxLayout*>(tabForeign->layout());
    foreign->addLayout(foreignTop);
    foreign->addWidget(grdForeign, 1);

    // CHECK and DEFAULT.
    fraMemoC = new TfraMemo(tabCheck);
    fraMemoC->setObjectName(QStringLiteral("fraMemoC"));
    tabCheck->layout()->addWidget(fraMemoC);
    auto* defRow = new QHBoxLayout;
    cmbDefColumn = combo(tabDefault, "cmbDefColumn", 16);
    defRow->addWidget(new QLabel(QStringLiteral("列"), tabDefault));
    defRow->addWidget(cmbDefColumn);
    defRow->addStretch(1);
    fraMemoD = new TfraMemo(tabDefault);
    fraMemoD->setObjectName(QStringLiteral("fraMemoD"));
    auto* def = static_cast<QVBoxLayout*>(tabDefault->layout());
    def->addLayout(defRow);
    def->addWidget(fraMemoD, 1);

    tabStorage = new QWidget(pagObject);
    tabStorage->setObjectName(QStringLiteral("tabStorage"));
    auto* storage = new QVBoxLayout(tabStorage);
    storage->setContentsMargins(0, 0, 0, 0);
    fraStorage = new TfraStorage(this, tabStorage);
    storage->addWidget(fraStorage);
    pagObject->addTab(tabStorage, QStringLiteral("領域情報"));

    // Wiring.
    for (QWidget* w : {static_cast<QWidget*>(cmbTableName), static_cast<QWidget*>(chkEnabled),
                       static_cast<QWidget*>(cmbDefDatabase), static_cast<QWidget*>(cmbRefSchema),
                       static_cast<QWidget*>(cmbRefTable), static_cast<QWidget*>(cmbRefIndex),
                       static_cast<QWidget*>(cmbDefColumn)})
        TrackChanges(w);
    connect(grpDeleteAction, &QButtonGroup::idClicked, this, [this] { Changed(); });
    connect(cmbConstType, &QComboBox::currentIndexChanged, this, [this] { Guard([this] { cmbConstTypeChange(); }); });
    for (TfraMemo* memo : {fraMemoC, fraMemoD}) {
        // Completion with the window's own schema and database.
        memo->CodeAssistContext = [this, memo](CodeAssistRequest& r) {
            IConnectionWindow* conn = OwnerForm();
            auto* window = conn ? dynamic_cast<TfrmObject*>(conn->connectionWidget()) : nullptr;
            if (!window || memo != (ConstKind() == Check ? fraMemoC : fraMemoD))
                return false;
            if (!qrySQL)
                qrySQL = std::make_unique<db::Query>();
            qrySQL->SetConnection(window->session()->dmSQLServer->Connection);
            r.query = qrySQL.get();
            r.database = Database();
            r.schema = cmbSchema->currentText().trimmed();
            r.dbVer = conn->DBVer();
            return true;
        };
        auto previous = memo->txtSQL->OnChange;
        memo->txtSQL->OnChange = [this, previous](TEditor* e) {
            if (previous)
                previous(e);
            if (!m_loading && e->Modified())
                Changed();
        };
    }
    connect(btnInsAll, &QToolButton::clicked, this, [this] { btnInsAllClick(); });
    connect(btnIns, &QToolButton::clicked, this, [this] { btnInsClick(); });
    connect(btnDel, &QToolButton::clicked, this, [this] { btnDelClick(); });
    connect(btnDelAll, &QToolButton::clicked, this, [this] { btnDelAllClick(); });
    connect(lstTabCol, &QListWidget::itemDoubleClicked, this, [this] { btnInsClick(); });
    connect(lstIdxCol, &QListWidget::itemDoubleClicked, this, [this] { btnDelClick(); });
    lstTabCol->installEventFilter(new TqvKeyAction(this, Qt::Key_Return, [this] { btnInsClick(); }));
    lstIdxCol->installEventFilter(new TqvKeyAction(this, Qt::Key_Delete, [this] { btnDelClick(); }));
    const auto exitOf = [this](TqvDropDownCombo* c, void (TfrmConst::*f)()) {
        connect(c, &QComboBox::activated, this, [this, f] { Guard([&] { (this->*f)(); }); });
        connect(c->lineEdit(), &QLineEdit::editingFinished, this, [this, f] { Guard([&] { (this->*f)(); }); });
    };
    for (TqvDropDownCombo* c : {cmbRefSchema, cmbRefTable, cmbRefIndex})
        exitOf(c, &TfrmConst::cmbRefSchemaExit);
    exitOf(cmbTableName, &TfrmConst::cmbTableNameExit);
    connect(cmbTableName, &QComboBox::editTextChanged, this, [this] {
        if (!m_loading)
            Guard([this] { ShowTabCol(); });
    });

    cmbTableName->OnDropDown = [this] {
        QStringList l;
        Session()->GetObject(l, DefDatabase(), cmbSchema->currentText().trimmed(), QStringLiteral("TABLE"));
        cmbTableName->clear();
        cmbTableName->addItems(l);
    };
    cmbDefDatabase->OnDropDown = [this] {
        QStringList l;
        Session()->GetDatabase(l);
        cmbDefDatabase->clear();
        cmbDefDatabase->addItems(l);
    };
    cmbRefSchema->OnDropDown = [this] {
        QStringList l;
        Session()->GetUser(l, Database(), false);
        cmbRefSchema->clear();
        cmbRefSchema->addItems(l);
    };
    cmbRefTable->OnDropDown = [this] {
        QStringList l;
        Session()->GetObject(l, Database(), cmbRefSchema->currentText().trimmed(), QStringLiteral("TABLE"));
        cmbRefTable->clear();
        cmbRefTable->addItems(l);
    };
    cmbRefIndex->OnDropDown = [this] {
        WaitCursor cursor;
        TObjectSession* s = Session();
        const QStringList l = Column(s->OpenSQL(s->Use(Database()) + ReferenceIndexSql(Azure()),
                                                {cmbRefSchema->currentText().trimmed(),
                                                 cmbRefTable->currentText().trimmed()}));
        cmbRefIndex->clear();
        cmbRefIndex->addItems(l);
    };
    cmbDefColumn->OnDropDown = [this] {
        WaitCursor cursor;
        TObjectSession* s = Session();
        const QStringList l = Column(s->OpenSQL(s->Use(DefDatabase()) + TableColumnSql(),
                                                {cmbSchema->currentText().trimmed(),
                                                 cmbTableName->currentText().trimmed()}));
        cmbDefColumn->clear();
        cmbDefColumn->addItems(l);
    };

    grdForeign->OnDrawCell = [this](QPainter& p, int c, int r, const QRect& rect, TGridDrawState) {
        if (c != 0 || r < 1)
            return;
        // The referenced columns are read-only.
        p.fillRect(rect, palette().color(QPalette::Button));
        p.setPen(palette().color(QPalette::ButtonText));
        p.drawText(rect.adjusted(2, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop, grdForeign->Cells(c, r));
    };
    grdForeign->OnGetPickListitems = [this](int, int, QStringList& items) { items = Items(lstTabCol); };
    grdForeign->OnSelectCell = [this](int c, int r) {
        const bool editable = c == 1 && r >= 1 && !grdForeign->Cells(0, r).isEmpty();
        if (!editable && grdForeign->EditorMode())
            grdForeign->SetEditorMode(false);
        return true;
    };
    grdForeign->OnSetEditText = [this](TqvStringGrid*, int, int, const QString&) {
        if (!m_loading && grdForeign->IsChanged())
            Changed();
    };
    grdForeign->OnShowEditor = [this](TqvStringGrid*, int c, int r, TqvInplaceEditor* ed) {
        ed->setReadOnly(!(c == 1 && r >= 1 && !grdForeign->Cells(0, r).isEmpty()));
    };
}

void TfrmConst::Changed()
{
    SetModified(true);
    actCompile->setEnabled(true);
}

constraint::Kind TfrmConst::ConstKind() const
{
    const int i = cmbConstType->currentIndex();
    return i >= PrimaryKey && i <= Default ? constraint::Kind(i) : PrimaryKey;
}

int TfrmConst::DeleteActionIndex() const { return qMax(0, grpDeleteAction->checkedId()); }

void TfrmConst::SetDeleteActionIndex(int index)
{
    if (QAbstractButton* b = grpDeleteAction->button(index))
        b->setChecked(true);
}

QString TfrmConst::CheckText() const { return fraMemoC->txtSQL->Lines().GetTextStr(); }
QString TfrmConst::DefaultText() const { return fraMemoD->txtSQL->Lines().GetTextStr(); }

void TfrmConst::SetCheckText(const QString& text)
{
    const bool loading = m_loading;
    m_loading = true;
    fraMemoC->txtSQL->Lines().SetTextStr(text);
    fraMemoC->txtSQL->SetModified(false);
    m_loading = loading;
}

void TfrmConst::SetDefaultText(const QString& text)
{
    const bool loading = m_loading;
    m_loading = true;
    fraMemoD->txtSQL->Lines().SetTextStr(text);
    fraMemoD->txtSQL->SetModified(false);
    m_loading = loading;
}

void TfrmConst::ChangedIsNew()
{
    TfrmDefine::ChangedIsNew();
    pnlObj->setEnabled(IsNew());
    chkEnabled->setEnabled(!IsNew() && (ConstKind() == ForeignKey || ConstKind() == Check));
    pagObject->setTabVisible(pagObject->indexOf(tabStorage),
                             !Azure() && (ConstKind() == PrimaryKey || ConstKind() == Unique));
}

void TfrmConst::cmbConstTypeChange(bool read)
{
    const constraint::Kind kind = ConstKind();
    QWidget* pages[] = {tabPrimary, tabUnique, tabForeign, tabCheck, tabDefault};
    pagType->setCurrentWidget(pages[kind]);
    chkEnabled->setEnabled(!IsNew() && (kind == ForeignKey || kind == Check));
    if (kind == PrimaryKey || kind == Unique) {
        QWidget* target = pages[kind];
        if (pnlIndex->parentWidget() != target) {
            pnlIndex->setParent(target);
            target->layout()->addWidget(pnlIndex);
            pnlIndex->show();
        }
        if (read) {
            ShowTabCol();
            ShowIdxCol();
        }
    }
    pagObject->setTabVisible(pagObject->indexOf(tabStorage), !Azure() && (kind == PrimaryKey || kind == Unique));
    if (DefinePageActive() && !ScriptMode())
        (kind == Check ? fraMemoC : fraMemoD)->ShowData();
}

void TfrmConst::ShowTabCol()
{
    lstTabCol->clear();
    const QString schema = cmbSchema->currentText().trimmed();
    const QString table = cmbTableName->currentText().trimmed();
    m_tabColTable = table;
    if (schema.isEmpty() || table.isEmpty())
        return;
    WaitCursor cursor;
    TObjectSession* s = Session();
    lstTabCol->addItems(Column(s->OpenSQL(s->Use(DefDatabase()) + TableColumnSql(), {schema, table})));
}

void TfrmConst::ShowIdxCol()
{
    lstIdxCol->clear();
    const QString schema = cmbSchema->currentText().trimmed();
    const QString table = cmbTableName->currentText().trimmed();
    const QString name = txtName->text().trimmed();
    if (schema.isEmpty() || table.isEmpty() || name.isEmpty() || IsNew())
        return;
    WaitCursor cursor;
    TObjectSession* s = Session();
    lstIdxCol->addItems(Column(s->OpenSQL(s->Use(Database()) + IndexColumnSql(Version()), {schema, table, name})));
}

void TfrmConst::FillForeignGrid(const QString& database)
{
    WaitCursor cursor;
    TObjectSession* s = Session();
    const QStringList referenced =
        Column(s->OpenSQL(s->Use(database) + IndexColumnSql(Version()),
                          {cmbRefSchema->currentText().trimmed(), cmbRefTable->currentText().trimmed(),
                           cmbRefIndex->currentText().trimmed()}));
    grdForeign->SetEditorMode(false);
    grdForeign->SetRowCount(qMax(2, int(referenced.size()) + 1));
    for (int r = 1; r < grdForeign->RowCount(); ++r) {
        grdForeign->SetCells(0, r, referenced.value(r - 1));
        grdForeign->SetCells(1, r, QString());
    }
}

void TfrmConst::cmbRefSchemaExit()
{
    if (m_loading || cmbRefSchema->currentText().trimmed().isEmpty() || cmbRefIndex->currentText().trimmed().isEmpty())
        return;
    // Rebuilds the pairing: any pairing typed before is lost.
    FillForeignGrid(DefDatabase());
    grdForeign->SetCol(0);
    grdForeign->SetRow(1);
}

void TfrmConst::cmbTableNameExit()
{
    const QString table = cmbTableName->currentText().trimmed();
    if (table != m_tabColTable && !cmbSchema->currentText().trimmed().isEmpty() && !table.isEmpty()) {
        ShowTabCol();
        ShowIdxCol();
    }
}

void TfrmConst::btnInsAllClick()
{
    const QStringList have = Items(lstIdxCol);
    for (const QString& c : Items(lstTabCol))
        if (!have.contains(c)) {
            lstIdxCol->addItem(c);
            Changed();
        }
}

void TfrmConst::btnInsClick()
{
    const QStringList have = Items(lstIdxCol);
    for (int i = 0; i < lstTabCol->count(); ++i) {
        QListWidgetItem* item = lstTabCol->item(i);
        if (item->isSelected() && !have.contains(item->text())) {
            lstIdxCol->addItem(item->text());
            Changed();
        }
    }
}

void TfrmConst::btnDelClick()
{
    for (int i = lstIdxCol->count() - 1; i >= 0; --i)
        if (lstIdxCol->item(i)->isSelected()) {
            delete lstIdxCol->takeItem(i);
            Changed();
        }
}

void TfrmConst::btnDelAllClick()
{
    lstIdxCol->clear();
    Changed();
}

void TfrmConst::ShowData(bool isDrop)
{
    (void)isDrop;
    m_loading = true;
    struct Done {
        TfrmConst* w;
        ~Done()
        {
            w->m_loading = false;
            w->SetModified(false);
        }
    } done{this};
    TObjectSession* s = Session();
    s->ExecuteSQL(QStringLiteral("USE ") + QuoteIdentifier(Database(), true));
    WaitCursor cursor;
    if (!Azure()) {
        fraStorage->Init(DefDatabase(), cmbSchema->currentText().trimmed(), txtName->text().trimmed(),
                         cmbTableName->currentText().trimmed());
    }
    const QString schema = cmbSchema->currentText().trimmed();
    const QString name = txtName->text().trimmed();
    if (!IsNew()) {
        db::Query* q = s->OpenSQL(s->Use(Database()) + ConstraintSql(Version()), {schema, name});
        if (q->Eof()) {
            q->Close();
            if (SourceMode == smShow)
                Box(NotFound, MB_OK | MB_ICONERROR);
            Abort();
        }
        const auto value = [&](int i) { return q->Fields().at(i)->AsString(); };
        const QString table = value(0);
        const int kind = KindOfType(value(1));
        const QString condition = value(2);
        const QString refOwner = value(3), refIndex = value(4), rule = value(5), refTable = value(6);
        const QString defColumn = value(7), defValue = value(8), status = value(9).trimmed();
        m_updateAction = q->Fields().size() > 10 ? ActionOfRule(value(10)) : NoAction;
        q->Close();
        cmbTableName->setEditText(table);
        {
            const QSignalBlocker block(cmbConstType);
            cmbConstType->setCurrentIndex(kind < 0 ? PrimaryKey : kind);
        }
        if (fraStorage->ObjType() >= 0)
            fraStorage->SetTableName(table);
        switch (ConstKind()) {
        case Check: SetCheckText(condition); break;
        case PrimaryKey:
        case Unique:
            if (!Azure())
                fraStorage->ShowDefine();
            ShowIdxCol();
            break;
        case ForeignKey: {
            cmbRefSchema->setEditText(refOwner);
            cmbRefIndex->setEditText(refIndex);
            cmbRefTable->setEditText(refTable);
            const DeleteAction action = ActionOfRule(rule);
            SetDeleteActionIndex(action);
            FillForeignGrid(Database());
            const QStringList own = Column(s->OpenSQL(s->Use(Database()) + ForeignKeyColumnSql(), {schema, name}));
            for (int r = 1; r < grdForeign->RowCount(); ++r)
                grdForeign->SetCells(1, r, own.value(r - 1));
            if (grdForeign->RowCount() > 1) {
                grdForeign->SetRow(1);
                grdForeign->SetCol(1);
                grdForeign->SetLeftCol(0); // both columns stay in view
            }
            break;
        }
        case Default:
            cmbDefColumn->setEditText(defColumn);
            SetDefaultText(defValue);
            break;
        }
        if (ConstKind() == ForeignKey || ConstKind() == Check)
            chkEnabled->setChecked(status == QLatin1String("0"));
        cmbConstTypeChange(false);
    }
    chkEnabled->setEnabled(!IsNew() && (ConstKind() == ForeignKey || ConstKind() == Check));
    if (IsNew())
        cmbConstTypeChange(false);
    ShowTabCol();
    grdForeign->Save();
    if (fraStorage->ObjType() >= 0)
        fraStorage->Save();
}

constraint::ConstraintDef TfrmConst::Def() const
{
    ConstraintDef d;
    d.database = Database();
    d.defDatabase = DefDatabase();
    d.schema = cmbSchema->currentText().trimmed();
    d.name = txtName->text().trimmed();
    d.table = cmbTableName->currentText().trimmed();
    d.kind = ConstKind();
    d.columns = Items(lstIdxCol);
    d.refSchema = cmbRefSchema->currentText().trimmed();
    d.refTable = cmbRefTable->currentText().trimmed();
    d.refIndex = cmbRefIndex->currentText().trimmed();
    for (int r = 1; r < grdForeign->RowCount(); ++r)
        if (!grdForeign->Cells(0, r).isEmpty() || !grdForeign->Cells(1, r).isEmpty())
            d.pairs.append({grdForeign->Cells(0, r), grdForeign->Cells(1, r)});
    d.deleteAction = DeleteAction(DeleteActionIndex());
    d.updateAction = IsNew() ? NoAction : m_updateAction;
    d.expression = d.kind == Check ? CheckText() : DefaultText();
    d.defColumn = cmbDefColumn->currentText().trimmed();
    d.enabled = chkEnabled->isChecked();
    d.existing = !IsNew();
    return d;
}

constraint::TextContext TfrmConst::Context() const
{
    TextContext c;
    IConnectionWindow* conn = OwnerForm();
    c.scriptMode = SourceMode == smText;
    c.databaseOption = ScriptOption.Database;
    c.azure = Azure();
    c.connectionDatabase = conn ? conn->DataBase() : QString();
    c.schemaPrefix = GetSchemaPrefix(cmbSchema->currentText());
    c.refSchemaPrefix = GetSchemaPrefixEx(cmbRefSchema->currentText(), cmbSchema->currentText());
    const constraint::Kind kind = ConstKind();
    const bool storage = !Azure() && fraStorage->ObjType() >= 0 &&
                         (kind == Unique || (kind == PrimaryKey && (ScriptOption.Filegroup || SourceMode == smShow)));
    if (storage) {
        QStringList clause;
        fraStorage->GetSourceCreate(clause);
        c.storageClause = clause.value(0);
    }
    return c;
}

QStringList TfrmConst::GetSourceCreate() const
{
    WaitCursor cursor;
    return constraint::CreateText(Def(), Context());
}

QStringList TfrmConst::GetSourceDrop() const { return constraint::DropText(Def(), Context()); }

void TfrmConst::CheckDefinition()
{
    if (cmbDefDatabase->IsNull())
        Warn(QStringLiteral("データベース名を入力して下さい。"), cmbDefDatabase);
    if (cmbTableName->IsNull())
        Warn(QStringLiteral("テーブルを入力して下さい。"), cmbTableName);
    switch (ConstKind()) {
    case PrimaryKey:
    case Unique:
        if (lstIdxCol->count() == 0)
            Warn(QStringLiteral("列を指定して下さい。"), lstIdxCol);
        break;
    case ForeignKey:
        if (cmbRefSchema->IsNull())
            Warn(QStringLiteral("スキーマを入力して下さい。"), cmbRefSchema);
        if (cmbRefTable->IsNull())
            Warn(QStringLiteral("親テーブルを入力して下さい。"), cmbRefTable);
        if (cmbRefIndex->IsNull())
            Warn(QStringLiteral("インデックスを入力して下さい。"), cmbRefIndex);
        for (int r = 1; r < grdForeign->RowCount(); ++r) {
            if (grdForeign->Cells(1, r).trimmed().isEmpty()) {
                grdForeign->SetCol(1);
                grdForeign->SetRow(r);
                Warn(QStringLiteral("テーブル項目名を入力して下さい。"), grdForeign);
            }
        }
        break;
    case Check:
        if (CheckText().trimmed().isEmpty())
            Warn(QStringLiteral("式を入力して下さい。"), fraMemoC->txtSQL);
        break;
    case Default:
        if (cmbDefColumn->IsNull())
            Warn(QStringLiteral("列を入力して下さい。"), cmbDefColumn);
        if (DefaultText().trimmed().isEmpty())
            Warn(QStringLiteral("式を入力して下さい。"), fraMemoD->txtSQL);
        break;
    }
}

QStringList TfrmConst::GetDDL()
{
    QStringList lines;
    if (!IsNew())
        lines << GetSourceDrop();
    lines << GetSourceCreate();
    return lines;
}

QStringList TfrmConst::ScriptText(bool isDrop) { return isDrop ? GetSourceDrop() : GetSourceCreate(); }

QString TfrmConst::DropStatement() { return constraint::DeleteStatement(Def()); }

void TfrmConst::GetScript(IConnectionWindow* owner, const QString& database, const QString& schema,
                          const QString& objectName, QIODevice& stream)
{
    std::unique_ptr<TfrmConst> w(
        new TfrmConst(owner ? owner->connectionWidget() : nullptr, database, schema, objectName, QString(), true));
    w->WriteScriptTo(stream);
    Abort();
}

void TfrmConst::GetStorageScript(TqvForm* tableWindow, const QString& database, const QString& schema,
                                 const QString& objectName, QStringList& lines)
{
    std::unique_ptr<TfrmConst> w(new TfrmConst(tableWindow, database, schema, objectName, QString(), true));
    w->SourceMode = tableWindow ? tableWindow->SourceMode : smText;
    w->ShowData(false);
    QStringList add = w->GetSourceCreate();
    RemoveBlankLines(add);
    lines << add;
    Abort();
}

} // namespace qv
