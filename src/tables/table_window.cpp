#include "tables/table_window.h"

#include "app/application.h"
#include "app/connection_window_iface.h"
#include "app/images.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/options.h"
#include "app/qvstrings.h"
#include "app/sqltext/script_text.h"
#include "app/wait_cursor.h"
#include "connection/ddl_exec.h"
#include "connection/ddl_preview.h"
#include "connection/object_script.h"
#include "connection/object_session.h"
#include "connection/object_window.h"
#include "connection/source_history.h"
#include "controls/grid/string_grid.h"
#include "controls/string_editor.h"
#include "objects/storage_frame.h"
#include "objects/storage_text.h"
#include "platform/db/connection.h"
#include "platform/db/query.h"
#include "platform/exceptions.h"
#include "platform/registry.h"
#include "tables/data_page.h"
#include "tables/define_text.h"
#include "app/textfiles.h"
#include "tables/excel_report_window.h"
#include "tables/table_alter.h"
#include "tables/table_ddl.h"
#include "tables/table_grid.h"
#include "tables/table_queries.h"
#include "tables/table_recreate.h"
#include "tables/table_temporal_page.h"
#include "tables/table_temporal_text.h"

#include <QAction>
#include <QDialog>
#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSplitter>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace qv {

using namespace table;

namespace {

DefineKind TableKind()
{
    DefineKind k;
    k.windowClass = &TfrmTable::staticMetaObject;
    k.objType = 45;
    k.word = QStringLiteral("TABLE");
    k.settingsKey = QStringLiteral("TABLE");
    k.menuTitle = QStringLiteral("TABLE(&O)");
    k.hasOutput = true;
    k.hasSchema = true;
    k.hasSource = true;
    return k;
}

int LoadedRow(const TqvStringGrid* g, int row) { return int(qintptr(g->Objects(colName, row))); }

QString Text(const QVariantList& row, int i) { return i < row.size() ? row.at(i).toString() : QString(); }

} // namespace

TfrmTable::TfrmTable(QObject* owner, const QString& database, const QString& schema, const QString& objectName,
                     TOpenMode mode, int defTopRecord)
    : TfrmTable(owner, database, schema, objectName, mode, defTopRecord, false)
{
}

TfrmTable::TfrmTable(QObject* owner, const QString& database, const QString& schema, const QString& objectName,
                     TOpenMode mode, int defTopRecord, bool scriptMode)
    : TfrmDefine(owner, TableKind(), DefineArgs{database, schema, objectName, mode}, scriptMode),
      m_defTopRecord(defTopRecord)
{
    setObjectName(QStringLiteral("frmTable"));
    BuildPages();
    if (!scriptMode)
        fraDataPage->InitState(defTopRecord, database, schema, objectName);
    LoadWindowSettings(); // the frame read its own part before this window's controls existed
    Start();
    if (!scriptMode)
        SetReportList();
}

void TfrmTable::BuildPages()
{
    // Definition page: tool bar and comment above the column grid, the dependent-object tree below.
    auto* define = new QVBoxLayout(tabDefine);
    define->setContentsMargins(0, 0, 0, 0);
    define->setSpacing(2);
    pnlFieldTop = new QWidget(tabDefine);
    pnlFieldTop->setObjectName(QStringLiteral("pnlFieldTop"));
    auto* top = new QHBoxLayout(pnlFieldTop);
    top->setContentsMargins(2, 2, 4, 2);
    tooColSetting = new QToolBar(pnlFieldTop);
    tooColSetting->setObjectName(QStringLiteral("tooColSetting"));
    tooColSetting->setIconSize(QSize(20, 20));
    const auto add = [this](int image, const QString& hint, auto slot) {
        QAction* a = new QAction(imgMain(image), hint, this);
        a->setToolTip(hint);
        connect(a, &QAction::triggered, this, [this, slot] { Guard([this, slot] { (this->*slot)(); }); });
        tooColSetting->addAction(a);
        return a;
    };
    btnColInsert = add(39, QStringLiteral("列の追加"), &TfrmTable::btnColInsertClick);
    btnColDelete = add(41, QStringLiteral("列の削除"), &TfrmTable::btnColDeleteClick);
    actColUp = add(35, QStringLiteral("上へ移動"), &TfrmTable::actColUpExecute);
    actColDown = add(36, QStringLiteral("下へ移動"), &TfrmTable::actColDownExecute);
    top->addWidget(tooColSetting);
    auto* lblComment = new QLabel(QStringLiteral("コメント"), pnlFieldTop);
    txtComment = new TqvStrEdit(pnlFieldTop);
    txtComment->setObjectName(QStringLiteral("txtComment"));
    lblComment->setBuddy(txtComment);
    top->addSpacing(8);
    top->addWidget(lblComment);
    top->addWidget(txtComment, 1);
    define->addWidget(pnlFieldTop);

    spl1 = new QSplitter(Qt::Vertical, tabDefine);
    spl1->setObjectName(QStringLiteral("spl1"));
    grdColumn = new TqvStringGrid(spl1);
    grdColumn->setObjectName(QStringLiteral("grdColumn"));
    grdColumn->SetColCount(GridColCount);
    grdColumn->SetFixedCols(0);
    grdColumn->SetRowCount(2);
    grdColumn->SetFixedRows(1);
    const int rowHeight = qMax(18, fontMetrics().height() + 4);
    grdColumn->SetDefaultRowHeight(rowHeight);
    grdColumn->SetGridMode(TqvGridEditorMode::geAccess);
    const QStringList captions{QStringLiteral("主キー"), QStringLiteral("項目名"), QStringLiteral("型"),
                               QStringLiteral("長さ"), QStringLiteral("必須"), QStringLiteral("省略時値"),
                               QStringLiteral("照合順序"), QStringLiteral("動的データマスク"), QStringLiteral("コメント")};
    grdColumn->SetHeader(captions);
    const int widths[] = {48, 180, 100, 100, 60, 100, 147, 118, 64};
    for (int c = 0; c < GridColCount; ++c)
        grdColumn->SetColWidths(c, qMax(widths[c], fontMetrics().horizontalAdvance(captions.at(c)) + 12));
    grdColumn->SetEditStyles(colKey, TqvGridEditStyle::geCheckBox);
    grdColumn->SetEditStyles(colType, TqvGridEditStyle::gePickList);
    grdColumn->SetEditStyles(colNotNull, TqvGridEditStyle::geCheckBox);
    grdColumn->SetEditStyles(colCollation, TqvGridEditStyle::gePickList);
    grdColumn->SetEditStyles(colMask, TqvGridEditStyle::gePickList);
    grdColumn->SetEditStyles(colComment, TqvGridEditStyle::geEllipsis);
    grdColumn->OnSelectCell = [this](int c, int r) { return grdColumnSelectCell(c, r); };
    grdColumn->OnGetPickListitems = [this](int c, int r, QStringList& items) { grdColumnGetPickListitems(c, r, items); };
    grdColumn->OnSelectListItems = [this](TqvStringGrid*, int c, int r, int) { grdColumnSelectListItems(c, r); };
    grdColumn->OnSetEditText = [this](TqvStringGrid*, int c, int r, const QString& v) { grdColumnSetEditText(c, r, v); };
    grdColumn->OnEditButtonClick = [this] { grdColumnEditButtonClick(); };
    grdColumn->OnShowEditor = [](TqvStringGrid*, int, int, TqvInplaceEditor*) {}; // letter case kept as typed

    pnlConst = new QWidget(spl1);
    pnlConst->setObjectName(QStringLiteral("pnlConst"));
    auto* constLayout = new QVBoxLayout(pnlConst);
    constLayout->setContentsMargins(0, 0, 0, 0);
    lstConst = new QTreeWidget(pnlConst);
    lstConst->setObjectName(QStringLiteral("lstConst"));
    BuildConstTree();
    lstConst->setMinimumHeight(30); // the splitter may make the panel low
    pnlConst->setMinimumHeight(30);
    constLayout->addWidget(lstConst);
    spl1->addWidget(grdColumn);
    spl1->addWidget(pnlConst);
    spl1->setStretchFactor(0, 1);
    spl1->setStretchFactor(1, 0);
    connect(spl1, &QSplitter::splitterMoved, this, [this] { m_constHeight = pnlConst->height(); });
    define->addWidget(spl1, 1);

    tabData = new QWidget(pagObject);
    tabData->setObjectName(QStringLiteral("tabData"));
    auto* data = new QVBoxLayout(tabData);
    data->setContentsMargins(0, 0, 0, 0);
    fraDataPage = new TfraDataPage(this, datapage::Window::Table, [this] {
        QList<datapage::Column> columns;
        for (int r = 1; r <= grdColumn->RowCount() - 2; ++r)
            columns << datapage::Column{grdColumn->Cells(colName, r), grdColumn->Cells(colType, r)};
        return columns;
    }, tabData);
    data->addWidget(fraDataPage);
    pagObject->addTab(tabData, QStringLiteral("データ"));
    actDataGenerate = AddDataGenerateAction(this);

    tabStorage = new QWidget(pagObject);
    tabStorage->setObjectName(QStringLiteral("tabStorage"));
    auto* storage = new QVBoxLayout(tabStorage);
    fraStorage = new TfraStorage(this, tabStorage);
    fraStorage->setObjectName(QStringLiteral("fraStorage"));
    storage->addWidget(fraStorage);
    storage->addStretch();
    pagObject->addTab(tabStorage, QStringLiteral("領域情報"));

    tabTemporal = new QWidget(pagObject);
    tabTemporal->setObjectName(QStringLiteral("tabTemporal"));
    auto* temporal = new QVBoxLayout(tabTemporal);
    temporal->setContentsMargins(0, 0, 0, 0);
    pnlTmp = new TTemporalPage(tabTemporal);
    pnlTmp->OnChange = [this] { SetModified(true); };
    pnlTmp->PeriodCandidates = [this] { return PeriodColumnCandidates(GridModel().columns); };
    pnlTmp->OnSelectTable = [this] { Guard([this] { btnTmpHistTblSelectClick(); }); };
    pnlTmp->OnOpenTable = [this] { Guard([this] { btnTmpHistTblOpenClick(); }); };
    temporal->addWidget(pnlTmp);
    pagObject->addTab(tabTemporal, QStringLiteral("テンポラル"));

    TrackChanges(txtComment);
    grdColumn->SetCol(colName);
    grdColumn->SetRow(1);
    grdColumn->SetLeftCol(0);
    UpdateColumnActions();
}

QString TfrmTable::Database() const { return cmbDatabase->currentText().trimmed(); }
QString TfrmTable::Schema() const { return cmbSchema->currentText().trimmed(); }
QString TfrmTable::TableName() const { return txtName->text().trimmed(); }
int TfrmTable::Version() const { return OwnerForm() ? OwnerForm()->DBVer() : 15; }
bool TfrmTable::Azure() const { return OwnerForm() && OwnerForm()->IsAzure(); }

QList<QVariantList> TfrmTable::Rows(const QString& sql, const QStringList& params)
{
    db::Query* q = Session()->OpenSQL(sql, params);
    QList<QVariantList> rows;
    for (; !q->Eof(); q->Next()) {
        QVariantList row;
        for (const db::Field* f : q->Fields())
            row << (f->IsNull() ? QVariant() : QVariant(f->AsString()));
        rows << row;
    }
    q->Close();
    return rows;
}

QList<QWidget*> TfrmTable::ExistingOnlyPages() { return {tabSource, tabData}; }

QWidget* TfrmTable::PageForMode(TOpenMode mode)
{
    return mode == omData ? tabData : TfrmDefine::PageForMode(mode);
}

bool TfrmTable::CanDelete() const { return !IsNew() && pagObject->currentWidget() != tabData; }

void TfrmTable::PageShown()
{
    if (pagObject->currentWidget() != tabData || IsNew() || ScriptMode())
        return;
    if (Azure()) {
        // Without a clustered index rows cannot be added on Azure; the data is still shown.
        const QString literal = QuoteLiteral(QuoteIdentifier(Schema(), true) + u'.' + QuoteIdentifier(TableName(), true));
        bool clustered = false;
        for (const QVariantList& r :
             Rows(QStringLiteral("select type from sys.indexes where object_id = object_id(N") + literal + u')', {}))
            clustered = clustered || Text(r, 0).trimmed() == u"1";
        if (!clustered)
            Box(QStringLiteral("クラスタインデックスが存在しない為、\r\nデータを作成することができません。"),
                MB_OK | MB_ICONWARNING);
    }
    fraDataPage->ShowPageData(FPrimary);
}

void TfrmTable::FormCloseQuery(bool& canClose)
{
    TfrmDefine::FormCloseQuery(canClose);
    if (canClose)
        fraDataPage->CloseData();
}

int TfrmTable::NoChangeFlags() const { return MB_OK | MB_ICONINFORMATION; }

void TfrmTable::ChangedIsNew()
{
    TfrmDefine::ChangedIsNew();
    if (ScriptMode())
        return;
    const QSignalBlocker block(pagObject);
    pagObject->setTabVisible(pagObject->indexOf(tabStorage), !Azure());
    pagObject->setTabVisible(pagObject->indexOf(tabTemporal), Version() >= 13);
    actDataGenerate->setEnabled(!IsNew());
    // Dynamic data masks exist from version 13, not on Azure.
    if (Version() < 13 || Azure())
        grdColumn->SetColWidths(colMask, -1);
}

void TfrmTable::SetGridRowCount(int rows)
{
    grdColumn->SetRowCount(qMax(2, rows));
}

void TfrmTable::FillGrid(const QList<QVariantList>& rows, qint64 seed, qint64 increment)
{
    const int version = Version();
    const bool masks = version >= 13 && !Azure();
    grdColumn->SetRowCount(2);
    for (int c = 0; c < GridColCount; ++c) {
        grdColumn->SetCells(c, 1, QString());
        grdColumn->SetObjects(c, 1, nullptr);
    }
    SetGridRowCount(int(rows.size()) + 2);
    m_loaded.columns.clear();
    for (int i = 0; i < rows.size(); ++i) {
        const QVariantList& f = rows.at(i);
        const int r = i + 1;
        TableColumn c;
        c.name = Text(f, 0);
        c.type = Text(f, 1);
        // From version 9 the fraction scale comes before the collation; the older query has none.
        const int collationAt = version >= 9 ? 12 : 11;
        c.length = LengthText(c.type, Text(f, 5), Text(f, 3), Text(f, 4), version >= 9 ? Text(f, 11) : QString(), version);
        c.notNull = Text(f, 6) != u"Y";
        c.defaultValue = DefaultCellText(Text(f, 7), Text(f, 9).trimmed() == u"1", seed, increment);
        c.primary = Text(f, 10) == u"Y";
        c.comment = Text(f, 8);
        c.collation = Text(f, collationAt);
        int next = collationAt + 1;
        if (masks)
            c.mask = Text(f, next);
        if (version >= 13)
            ++next;
        if (version >= 9)
            c.computed = Text(f, next);
        c.loadedRow = r;
        c.loadedComment = c.comment;
        grdColumn->SetCells(colKey, r, c.primary ? QStringLiteral("1") : QString());
        grdColumn->SetCells(colName, r, c.name);
        grdColumn->SetCells(colType, r, c.type);
        grdColumn->SetCells(colLength, r, c.length);
        grdColumn->SetCells(colNotNull, r, c.notNull ? QStringLiteral("1") : QString());
        grdColumn->SetCells(colDefault, r, c.defaultValue);
        grdColumn->SetCells(colCollation, r, c.collation);
        grdColumn->SetCells(colMask, r, c.mask);
        grdColumn->SetCells(colComment, r, c.comment);
        grdColumn->SetObjects(colName, r, reinterpret_cast<void*>(qintptr(r)));
        m_loaded.columns << c;
    }
    const int last = grdColumn->RowCount() - 1;
    for (int c = 0; c < GridColCount; ++c) {
        grdColumn->SetCells(c, last, QString());
        grdColumn->SetObjects(c, last, nullptr);
    }
}

void TfrmTable::ShowData(bool isDrop)
{
    WaitCursor cursor;
    const QString database = Database(), schema = Schema(), name = TableName();
    const QueryTarget target{Version(), Azure(), database};
    if (!Azure())
        fraStorage->Init(database, schema, name, name);
    if (!IsNew()) {
        const QList<QVariantList> table = Rows(TableQuery(target, name.startsWith(u'#')), {schema, name});
        if (table.isEmpty()) {
            if (SourceMode == smShow)
                Box(QStringLiteral("オブジェクトが見つからないか、参照できませんでした。"), MB_OK | MB_ICONERROR);
            Abort();
        }
        const QVariantList& t = table.first();
        m_tableId = Text(t, 0);
        {
            const QSignalBlocker block(txtComment);
            txtComment->setText(Text(t, 1));
        }
        if (!Azure())
            fraStorage->ShowDefine();
        const QList<QVariantList> columns = Rows(ColumnQuery(target), {m_tableId});
        FillGrid(columns, Text(t, 2).toLongLong(), Text(t, 3).toLongLong());
        if (!ScriptMode())
            fraDataPage->RefillWhereGrid();
        FDefaultColumns.clear();
        try {
            for (const QVariantList& r : Rows(DefaultNameQuery(), {schema, name}))
                FDefaultColumns << DefaultColumn{Text(r, 0), Text(r, 1)};
        } catch (const std::exception&) {
            FDefaultColumns.clear();
        }
        FPrimary.clear();
        try {
            for (const QVariantList& r : Rows(PrimaryKeyQuery(), {schema, name}))
                FPrimary << Text(r, 3);
        } catch (const std::exception&) {
            FPrimary.clear();
        }
        m_serverKey = ServerKey{};
        m_serverKey.columns = FPrimary;
        if (!FPrimary.isEmpty()) {
            try {
                const QList<QVariantList> key = Rows(PrimaryKeyIndexQuery(Version()), {schema, name});
                if (!key.isEmpty()) {
                    m_serverKey.name = Text(key.first(), 0);
                    m_serverKey.nonClustered = Text(key.first(), 1).trimmed() != u"1";
                }
            } catch (const std::exception&) {
            }
        }
    }
    ShowConstTree();
    LoadTemporal();
    m_loaded.comment = txtComment->text();
    m_loaded.loadedComment = m_loaded.comment;
    txtComment->Save();
    fraStorage->Save();
    grdColumn->Save();
    grdColumn->SetLeftCol(0);
    UpdateColumnActions();
    if (SourcePageActive() && SourceMode == smShow)
        SetSourceLines(isDrop ? GetSourceDrop() : GetSourceCreate());
    SetModified(false);
}

TableModel TfrmTable::GridModel() const
{
    TableModel m;
    m.database = Database();
    m.schema = Schema();
    m.name = TableName();
    m.comment = txtComment->text();
    m.loadedComment = m_loaded.comment;
    m.isNew = IsNew();
    m.defaultColumns = FDefaultColumns;
    m.serverKey = m_serverKey;
    m.saved = IsNew() ? QList<TableColumn>{} : m_loaded.columns;
    m.snapshotRows = int(m.saved.size());
    for (int r = 1; r <= grdColumn->RowCount() - 2; ++r) {
        TableColumn c;
        c.primary = grdColumn->Cells(colKey, r) == u"1";
        c.name = grdColumn->Cells(colName, r).trimmed();
        c.type = grdColumn->Cells(colType, r).trimmed();
        c.length = grdColumn->Cells(colLength, r).trimmed();
        c.notNull = grdColumn->Cells(colNotNull, r) == u"1";
        c.defaultValue = grdColumn->Cells(colDefault, r).trimmed();
        c.collation = grdColumn->Cells(colCollation, r).trimmed();
        c.mask = grdColumn->Cells(colMask, r).trimmed();
        c.comment = grdColumn->Cells(colComment, r);
        c.loadedRow = IsNew() ? 0 : LoadedRow(grdColumn, r);
        if (c.loadedRow > 0 && c.loadedRow <= m.saved.size()) {
            const TableColumn& s = m.saved.at(c.loadedRow - 1);
            c.loadedComment = s.comment;
            // A computed column stays computed while its name and type are those it was loaded with.
            if (c.name == s.name && c.type == s.type)
                c.computed = s.computed;
        }
        m.columns << c;
    }
    if (Version() >= 13)
        m.versioning = pnlTmp->Settings();
    if (!Azure()) {
        if (fraStorage->StorageKind() == storage::Temporary)
            m.temp = fraStorage->rdoGlobal->isChecked() ? TempKind::Global : TempKind::Local;
        QStringList clause;
        fraStorage->GetSourceCreate(clause);
        m.storageClause = clause.join(QStringLiteral("\r\n"));
    }
    return m;
}

bool TfrmTable::IsRecreate() const
{
    RecreateFacts f;
    f.scriptMode = SourceMode == smText;
    f.sourcePage = SourcePageActive();
    f.storageChanged = !Azure() && fraStorage->IsCreate();
    f.azure = Azure();
    f.loadedPrimary = FPrimary.join(QStringLiteral(", "));
    return MustRecreate(GridModel(), f);
}

QStringList TfrmTable::ServerConstraintLines(bool withChecksAndForeignKeys)
{
    const int version = Version();
    const QString database = Database();
    const QStringList params{Schema(), TableName()};
    const QString target = QuoteIdentifier(Schema()) + u'.' + QuoteIdentifier(TableName());
    QStringList lines;
    if (withChecksAndForeignKeys) {
        lines << CheckConstraintLines(Rows(CheckConstraintQuery(version, database), params), target);
        lines << ForeignKeyLines(Rows(ForeignKeyQuery(version, database), params), target);
    }
    lines << UniqueConstraintLines(Rows(UniqueConstraintQuery(version, database), params), target);
    return lines;
}

QStringList TfrmTable::DependentLines()
{
    const QString database = Database(), schema = Schema(), name = TableName();
    const QStringList params{schema, name};
    const QString target = QuoteIdentifier(schema) + u'.' + QuoteIdentifier(name);
    QStringList lines = IndexLines(Rows(IndexDefinitionQuery(Version(), database), params), target);
    const QList<QVariantList> triggers = Rows(TriggerQuery(QueryTarget{Version(), Azure(), database}), params);
    TObjectSession* session = Session();
    const ScriptContext context{session, dynamic_cast<TfrmObject*>(OwnerForm())};
    // The statements run on this connection right after the new table: always schema-qualified.
    const TScriptOption savedOption = ScriptOption;
    struct Restore {
        const TScriptOption& saved;
        ~Restore() { ScriptOption = saved; }
    } restore{savedOption};
    ScriptOption.Owner = qmAlways;
    for (const QVariantList& t : triggers) {
        const QString text = ObjectScriptText(context, ObjType::Trigger, database, Text(t, 0), Text(t, 1));
        if (text.trimmed().isEmpty())
            throw Exception(QStringLiteral("トリガー %1 のスクリプトを読み込めませんでした。").arg(Text(t, 1)));
        QStringList piece = text.split(QRegularExpression(QStringLiteral("\r\n|\n|\r")));
        while (!piece.isEmpty() && piece.last().isEmpty())
            piece.removeLast();
        lines << piece;
    }
    lines << GrantLines(*session, database, schema, name, false);
    return lines;
}

QStringList TfrmTable::GetSourceCreate()
{
    TableModel m = GridModel();
    DdlOptions o;
    o.version = Version();
    o.azure = Azure();
    const bool text = SourceMode == smText;
    if (!NewObjectName.isEmpty() && !NewSchema.isEmpty()) {
        m.schema = NewSchema;
        m.name = NewObjectName;
        m.serverKey.name.clear(); // the copy's key is named after the copy: constraint names are unique per schema
        o.copy = true;
    }
    if (text) {
        IConnectionWindow* conn = OwnerForm();
        o.writeUse = !Azure() && (ScriptOption.Database == 0 ||
                                  (ScriptOption.Database == 1 && conn && Database() != conn->DataBase().trimmed()));
        o.writeMask = ScriptOption.MaskOutput;
        const QString prefix = GetSchemaPrefix(m.schema);
        if (prefix.isEmpty())
            o.noSchemaPrefix = true;
        else
            o.schemaPrefix = prefix;
    }
    o.recreating = IsRecreate();
    QStringList lines;
    AppendCreateScript(lines, m, o);
    if (!IsNew()) {
        const QString target = o.noSchemaPrefix ? QuoteIdentifier(m.name)
                                                : (o.schemaPrefix.isEmpty() ? QuoteIdentifier(m.schema) + u'.' : o.schemaPrefix) +
                                                      QuoteIdentifier(m.name);
        QStringList constraints = ServerConstraintLines(!o.copy);
        if (target != QuoteIdentifier(Schema()) + u'.' + QuoteIdentifier(TableName()))
            for (QString& l : constraints)
                l.replace(QStringLiteral("ALTER TABLE ") + QuoteIdentifier(Schema()) + u'.' + QuoteIdentifier(TableName()) + u' ',
                          QStringLiteral("ALTER TABLE ") + target + u' ');
        lines << constraints;
    }
    RemoveDuplicateUse(lines);
    return lines;
}

QStringList TfrmTable::GetSourceDrop() const
{
    TableModel m = GridModel();
    DdlOptions o;
    o.version = Version();
    o.azure = Azure();
    if (SourceMode == smText) {
        IConnectionWindow* conn = OwnerForm();
        o.writeUse = !Azure() && (ScriptOption.Database == 0 ||
                                  (ScriptOption.Database == 1 && conn && Database() != conn->DataBase().trimmed()));
    }
    QStringList lines;
    AppendDropScript(lines, m, o);
    return lines;
}

QStringList TfrmTable::GetSourceAlter()
{
    const TableModel m = GridModel();
    DdlOptions o;
    o.version = Version();
    o.azure = Azure();
    AlterLookups look;
    const QString schema = Schema(), name = TableName();
    look.currentDefaultName = [this, schema, name](const QString& column) {
        const QList<QVariantList> r = Rows(Session()->Use(Database()) + CurrentDefaultQuery(Azure()),
                                           {QuoteIdentifier(schema, true) + u'.' + QuoteIdentifier(name, true), column});
        return r.isEmpty() ? QString() : Text(r.first(), 0);
    };
    look.otherClusteredIndex = [this, schema, name](const QString& keyName) {
        return !Rows(Session()->Use(Database()) + OtherClusteredIndexQuery(Version(), keyName), {schema, name}).isEmpty();
    };
    QStringList lines;
    AppendAlterScript(lines, m, o, look);
    return lines;
}

QStringList TfrmTable::GetDDL()
{
    // The table's own apply road is DoTableCompile; this is the plain list for callers of the frame.
    if (SourcePageActive())
        return SourceLines();
    return IsRecreate() ? GetSourceCreate() : GetSourceAlter();
}

QStringList TfrmTable::ScriptText(bool isDrop) { return isDrop ? GetSourceDrop() : GetSourceCreate(); }

QString TfrmTable::DropStatement()
{
    return QStringLiteral("DROP TABLE ") + QuoteIdentifier(Schema()) + u'.' + QuoteIdentifier(TableName());
}

void TfrmTable::Compile() { Guard([this] { DoTableCompile(); }); }

void TfrmTable::CheckGrid()
{
    bool any = false;
    for (int r = 1; r <= grdColumn->RowCount() - 1; ++r) {
        const bool named = !grdColumn->Cells(colName, r).trimmed().isEmpty();
        if (!named && (!grdColumn->Cells(colType, r).trimmed().isEmpty() || !grdColumn->Cells(colLength, r).trimmed().isEmpty() ||
                       grdColumn->Cells(colNotNull, r) == u"1" || !grdColumn->Cells(colDefault, r).trimmed().isEmpty())) {
            grdColumn->SetCol(colName);
            grdColumn->SetRow(r);
            Warn(QStringLiteral("列の名前を指定して下さい。"), grdColumn);
        }
        if (named && grdColumn->Cells(colType, r).trimmed().isEmpty()) {
            grdColumn->SetCol(colType);
            grdColumn->SetRow(r);
            Warn(QStringLiteral("列の型を指定して下さい。"), grdColumn);
        }
        any = any || named;
    }
    if (!any)
        Warn(QStringLiteral("項目列を１つ以上指定して下さい。"), grdColumn);
}

void TfrmTable::DoTableCompile()
{
    grdColumn->HideEditor();
    if (cmbDatabase->IsNull())
        Warn(QStringLiteral("データベース名を入力して下さい。"), cmbDatabase);
    if (cmbSchema->IsNull())
        Warn(QStringLiteral("スキーマ名を入力して下さい。"), cmbSchema);
    if (txtName->IsNull())
        Warn(QStringLiteral("名前を入力して下さい。"), txtName);
    const bool definePage = DefinePageActive();
    const bool sourcePage = SourcePageActive();
    const bool storagePage = pagObject->currentWidget() == tabStorage;
    if (definePage)
        CheckGrid();
    const bool azure = Azure();
    const bool exists = !IsNew();
    const QString database = Database(), schema = Schema(), name = TableName();
    TObjectSession* session = Session();
    bool clustered = true;
    if (azure && exists)
        clustered = !Rows(QStringLiteral("select type from sys.indexes where object_id = object_id(N") +
                              QuoteLiteral(QuoteIdentifier(schema, true) + u'.' + QuoteIdentifier(name, true)) +
                              QStringLiteral(") and type = 1"),
                          {})
                         .isEmpty();
    if (storagePage)
        fraStorage->Check();
    if (Version() >= 13 && pnlTmp->chkCreateTmpTbl->isChecked())
        CheckTemporalSettings();
    if (qvOption.DefaultAutoQuote)
        for (int r = 1; r <= grdColumn->RowCount() - 1; ++r) {
            const int loaded = exists ? LoadedRow(grdColumn, r) : 0;
            const QString before = loaded > 0 && loaded <= m_loaded.columns.size() ? m_loaded.columns.at(loaded - 1).defaultValue
                                                                                    : QString();
            const QString now = grdColumn->Cells(colDefault, r).trimmed();
            const QString quoted = AutoQuoteDefault(now, before);
            if (quoted != now)
                grdColumn->SetCells(colDefault, r, quoted);
        }

    const bool recreate = IsRecreate();
    const bool temporary = !azure && fraStorage->StorageKind() == storage::Temporary;
    const bool backup = qvOption.BackupData && exists && recreate && !temporary;
    m_backupName.clear();
    const QString backupName = BackupTableName(name, QDateTime::currentDateTime());
    RecreateParts parts;
    QStringList dependents;
    if (exists && recreate) {
        // What depends on the table is read before anything is dropped; a read that fails stops here.
        if (!sourcePage)
            dependents << ServerConstraintLines(true);
        dependents << DependentLines();
        if (backup) {
            if (!azure) {
                AppendBackup(parts.backup, database, schema, name, backupName);
            } else if (clustered) {
                QList<AzureColumn> columns;
                for (const QVariantList& r : Rows(Session()->Use(database) + AzureColumnsQuery(schema, name), {}))
                    columns << AzureColumnFromRow(r);
                QList<AzureIndexColumn> index;
                for (const QVariantList& r : Rows(Session()->Use(database) + AzureClusteredIndexQuery(schema, name), {}))
                    index << AzureIndexColumn{Text(r, 0), Text(r, 1).trimmed() == u"1" || Text(r, 1).toLower() == u"true"};
                AppendAzureBackup(parts.backup, schema, name, backupName, columns, index);
            }
        }
        DdlOptions dropOptions;
        dropOptions.version = Version();
        dropOptions.azure = azure;
        AppendDropScript(parts.drop, GridModel(), dropOptions);
    }
    const bool copyBackRuns = exists && recreate && backup &&
                              ((!azure && (definePage || storagePage || sourcePage)) || (azure && definePage && clustered));
    if (sourcePage) {
        parts.create = SourceLines();
    } else if (recreate) {
        TableModel m = GridModel();
        DdlOptions o;
        o.version = Version();
        o.azure = azure;
        o.recreating = exists;
        o.withComments = false;
        AppendCreateScript(parts.create, m, o);
        AppendCreateComments(parts.comments, m, o);
    } else {
        parts.create = GetSourceAlter();
        if (exists && pagObject->currentWidget() == tabTemporal)
            GetTemporalScript(parts.create);
    }
    if (IsBlankScript(parts.create) && parts.backup.isEmpty() && parts.drop.isEmpty()) {
        Box(QStringLiteral("変更箇所が見つかりませんでした。"), NoChangeFlags());
        TqvForm::SetIsNew(false);
        pagObjectChange();
        return;
    }
    if (copyBackRuns && !sourcePage) {
        QStringList serverColumns;
        for (const QVariantList& r : Rows(ServerColumnsQuery(database), {schema, name}))
            serverColumns << Text(r, 0);
        AppendCopyBack(parts.copyBack, database, schema, name, backupName, MatchCopyBack(GridModel(), serverColumns));
    }
    parts.dependents = dependents;

    // Questions.
    if (exists && sourcePage &&
        Box(QStringLiteral("ソース修正時には、既存のデータは別テーブルに退避され、再作成後のテーブルは空になります。\r\n処理を続行しますか？"),
            MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES)
        Abort();
    // Rows are kept only when the copy back writes at least one column.
    const bool keepsRows = copyBackRuns && !parts.copyBack.isEmpty();
    // The source page keeps the rows in the backup table only; without one they are lost as well.
    if (exists && recreate && !keepsRows && !(sourcePage && !parts.backup.isEmpty())) {
        const QString text =
            azure && !clustered && qvOption.BackupData
                ? QStringLiteral("クラスタインデックスが存在しない為、既存のデータを別テーブルに退避することができません。\r\n"
                                 "また、テーブルの作成に失敗しても、テーブルは削除されますのでご注意ください。\r\n処理を続行しますか？")
                : QStringLiteral("テーブルを再作成する為、既存のデータは全て失われます。\r\n"
                                 "また、テーブルの作成に失敗しても、テーブルは削除されますのでご注意ください。\r\n処理を続行しますか？");
        if (Box(text, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES)
            Abort();
    }

    QStringList lines = WithDatabaseSwitch(AssembleRecreate(parts), database);
    TfrmMain* main = TfrmMain::instance();
    if (!TfrmDDLPreview::ShowWindow(lines, database, schema, name, main))
        return;
    const ScriptContext context{session, dynamic_cast<TfrmObject*>(OwnerForm())};
    if (exists)
        SaveBeforeSource(context, database, schema, name, ObjType());
    if (exists && recreate) {
        const bool clean = TfrmDDLExec::ShowWindowStrict(session, lines, main);
        TfrmDDLExec::WaitProc();
        const bool backupMade = !parts.backup.isEmpty();
        if (!clean) {
            m_backupName = backupMade ? backupName : QString();
            ReportRecreateFailure(backupMade);
            Abort(); // the window keeps its state
        }
        SaveAfterSource(context, database, schema, name, ObjType());
        // The backup goes only after a clean run that copied the rows back.
        if (backupMade && keepsRows && !sourcePage) {
            try {
                session->ExecuteSQL(DropBackupStatement(database, schema, backupName));
            } catch (...) {
                m_backupName = backupName; // the table is done; the backup stays and the error is shown
                HandleException(std::current_exception());
            }
        }
        else if (backupMade)
            m_backupName = backupName;
    } else {
        try {
            TfrmDDLExec::ShowWindow(session, lines, main);
        } catch (...) {
            TfrmDDLExec::WaitProc();
            throw;
        }
        TfrmDDLExec::WaitProc();
        SaveAfterSource(context, database, schema, name, ObjType());
    }
    TqvForm::SetIsNew(false);
    if (temporary) {
        const QSignalBlocker b1(cmbDatabase), b2(txtName);
        cmbDatabase->setEditText(QStringLiteral("tempdb"));
        const bool global = fraStorage->rdoGlobal->isChecked();
        if (global && !name.startsWith(QStringLiteral("##")))
            txtName->setText(QStringLiteral("##") + name);
        else if (!global && !name.startsWith(u'#'))
            txtName->setText(u'#' + name);
    }
    pagObjectChange();
}

void TfrmTable::ReportRecreateFailure(bool backup)
{
    TObjectSession* session = Session();
    bool rolledBack = false;
    if (db::Connection* c = session->dmSQLServer->Connection) {
        try {
            if (c->InTransaction()) {
                c->Rollback();
                rolledBack = true;
                if (qvOption.AutoTran)
                    c->StartTransaction();
            }
        } catch (const std::exception&) {
        }
    }
    QString text = QStringLiteral("テーブルの再作成中にエラーが発生したため、処理を中断しました。");
    if (rolledBack)
        text += QStringLiteral("\r\n実行中のトランザクションはロールバックされました。");
    if (backup && !m_backupName.isEmpty()) {
        // Where the rows are: the backup table when it exists after the failure.
        bool backupExists = true;
        try {
            const QString literal = QuoteLiteral(QuoteIdentifier(Schema(), true) + u'.' + QuoteIdentifier(m_backupName, true));
            const QList<QVariantList> r =
                Rows(session->Use(Database()) + QStringLiteral("select object_id(N") + literal + u')', {});
            backupExists = !r.isEmpty() && !r.first().value(0).isNull();
        } catch (const std::exception&) {
        }
        if (backupExists)
            text += QStringLiteral("\r\n元のデータはバックアップテーブル %1 に残っています（削除されていません）。")
                        .arg(QuoteIdentifier(Schema()) + u'.' + QuoteIdentifier(m_backupName));
        else {
            m_backupName.clear();
            text += QStringLiteral("\r\nテーブルのデータは変更されていません。");
        }
    }
    Box(text, MB_OK | MB_ICONERROR);
}

// Grid editing.

void TfrmTable::UpdateColumnActions()
{
    const int row = grdColumn->Row();
    const int count = grdColumn->RowCount();
    actColUp->setEnabled(1 < row && row < count - 1);
    actColDown->setEnabled(row < count - 2);
}

void TfrmTable::btnColInsertClick()
{
    grdColumn->setFocus();
    const int row = qMax(1, grdColumn->Row());
    grdColumn->InsertRow(row);
    for (int c = 0; c < GridColCount; ++c)
        grdColumn->SetObjects(c, row, nullptr);
    grdColumn->MoveCurrent(grdColumn->Col(), row, false, true);
    UpdateColumnActions();
}

void TfrmTable::btnColDeleteClick()
{
    const int row = grdColumn->Row();
    if (row >= grdColumn->RowCount() - 1)
        return;
    grdColumn->setFocus();
    grdColumn->DeleteRow(row);
    grdColumn->InvalidateGrid();
    SetModified(true);
    if (grdColumn->Row() == grdColumn->RowCount() - 1)
        for (int c = 0; c < GridColCount; ++c)
            grdColumn->SetCells(c, grdColumn->Row(), QString());
    UpdateColumnActions();
}

void TfrmTable::actColUpExecute()
{
    const int row = grdColumn->Row();
    if (!(1 < row && row < grdColumn->RowCount() - 1))
        return;
    grdColumn->MoveRow(row, row - 1);
    grdColumn->MoveCurrent(grdColumn->Col(), row - 1, false, true);
    SetModified(true);
    UpdateColumnActions();
}

void TfrmTable::actColDownExecute()
{
    const int row = grdColumn->Row();
    if (!(row < grdColumn->RowCount() - 2))
        return;
    grdColumn->MoveRow(row, row + 1);
    grdColumn->MoveCurrent(grdColumn->Col(), row + 1, false, true);
    SetModified(true);
    UpdateColumnActions();
}

bool TfrmTable::grdColumnSelectCell(int col, int row)
{
    const QString type = grdColumn->Cells(colType, row);
    const bool editable = CellEditable(col, type, !grdColumn->Cells(colName, row).trimmed().isEmpty());
    if (!editable)
        grdColumn->HideEditor();
    if (col == colDefault)
        grdColumn->SetEditStyles(colDefault, IsDefaultPickType(type) ? TqvGridEditStyle::gePickList
                                                                     : TqvGridEditStyle::geSimple);
    auto opts = grdColumn->GridOptions();
    if (editable)
        opts |= goEditing | goAlwaysShowEditor;
    else
        opts &= ~TGridOptions(goEditing | goAlwaysShowEditor);
    grdColumn->SetGridOptions(opts);
    QMetaObject::invokeMethod(this, [this] { UpdateColumnActions(); }, Qt::QueuedConnection);
    return true;
}

void TfrmTable::grdColumnGetPickListitems(int col, int row, QStringList& items)
{
    const QString type = grdColumn->Cells(colType, row);
    switch (col) {
    case colType:
        if (FDataType.isEmpty())
            Session()->GetDataType(FDataType, 45);
        items = FDataType;
        break;
    case colCollation:
        if (FCollType.isEmpty())
            Session()->GetCollationType(FCollType);
        items = FCollType;
        break;
    case colMask: items = MaskPickList(type); break;
    case colDefault: items = DefaultPickList(type); break;
    default: break;
    }
}

void TfrmTable::grdColumnSelectListItems(int col, int row)
{
    if (col != colType)
        return;
    QString collation = grdColumn->Cells(colCollation, row);
    QString mask = grdColumn->Cells(colMask, row);
    AfterTypePick(grdColumn->Cells(colType, row), collation, mask);
    grdColumn->SetCells(colCollation, row, collation);
    grdColumn->SetCells(colMask, row, mask);
}

void TfrmTable::grdColumnSetEditText(int col, int row, const QString& value)
{
    if (col == colKey && value == u"1")
        grdColumn->SetCells(colNotNull, row, QStringLiteral("1"));
    if (col == colDefault && value.toUpper().contains(u"IDENTITY("))
        grdColumn->SetCells(colNotNull, row, QStringLiteral("1"));
    if (col == colType)
        grdColumnSelectListItems(col, row);
    // Typing into the empty last row adds a column and a new empty last row.
    if (row == grdColumn->RowCount() - 1 && !value.isEmpty()) {
        grdColumn->SetRowCount(grdColumn->RowCount() + 1);
        const int last = grdColumn->RowCount() - 1;
        for (int c = 0; c < GridColCount; ++c) {
            grdColumn->SetCells(c, last, QString());
            grdColumn->SetObjects(c, last, nullptr);
            grdColumn->SetObjects(c, row, nullptr);
        }
    }
    if (grdColumn->IsChangedCell(col, row) || grdColumn->RowCount() != grdColumn->SaveRowCount())
        SetModified(true);
    UpdateColumnActions();
}

void TfrmTable::grdColumnEditButtonClick()
{
    const int row = grdColumn->Row();
    QString text = grdColumn->Cells(colComment, row);
    bool isNull = false;
    if (TfrmMemo::ShowWindow(text, isNull, false, false) == QDialog::Accepted && text != grdColumn->Cells(colComment, row)) {
        grdColumn->SetCells(colComment, row, text);
        grdColumnSetEditText(colComment, row, text);
    }
}

void TfrmTable::LoadWindowSettings()
{
    TfrmDefine::LoadWindowSettings();
    if (ScriptMode())
        return;
    TqvRegistry reg;
    if (reg.OpenKey(SettingsKey(), true))
        m_constHeight = reg.GetInteger(QStringLiteral("ConstHeight"), -1);
}

void TfrmTable::SaveWindowSettings()
{
    TfrmDefine::SaveWindowSettings();
    if (ScriptMode())
        return;
    TqvRegistry reg;
    if (reg.OpenKey(SettingsKey(), true))
        reg.WriteInteger(QStringLiteral("ConstHeight"), pnlConst->height());
}

void TfrmTable::showEvent(QShowEvent* e)
{
    TfrmDefine::showEvent(e);
    // The window may have its size before it is shown: lay the splitter out once it is.
    QMetaObject::invokeMethod(this, [this] { FormResize(); }, Qt::QueuedConnection);
}

void TfrmTable::resizeEvent(QResizeEvent* e)
{
    TfrmDefine::resizeEvent(e);
    FormResize();
}

void TfrmTable::FormResize()
{
    if (!grdColumn)
        return;
    if (spl1->isVisible() && spl1->height() > 100) {
        // The panel below the splitter keeps its height (stored, else a third of the page); the
        // grid takes what the window gains or loses. Moving the splitter sets a new height.
        const int total = spl1->height();
        if (m_constHeightPending) {
            m_constHeightPending = false;
            m_constHeight = m_constHeight > 0 ? m_constHeight : total / 3;
        }
        const int height = qBound(1, m_constHeight, qMax(1, total - 40));
        spl1->setSizes({total - height, height});
    }
    int used = 0;
    for (int c = 0; c < colComment; ++c)
        used += qMax(0, grdColumn->ColWidths(c));
    // The comment column takes the rest of the grid's width (the viewport is already without
    // the vertical scroll bar).
    const int width = grdColumn->viewport()->width() - used - GridColCount * grdColumn->GridLineWidth() - 2;
    grdColumn->SetColWidths(colComment, qMax(64, width));
}

void TfrmTable::GetScript(IConnectionWindow* owner, const DefineScriptRequest& request, QIODevice& stream)
{
    std::unique_ptr<TfrmTable> w(new TfrmTable(owner ? owner->connectionWidget() : nullptr, request.database,
                                               request.schema, request.name, omDefine, 0, true));
    w->WriteScriptTo(stream, request.newSchema, request.newName);
    if (!ScriptOption.Drop) {
        if (ScriptOption.Insert)
            w->WriteDataScript(stream);
        if (ScriptOption.Index)
            w->WriteIndexScripts(stream);
    }
    Abort();
}

void TfrmTable::LoadForReport()
{
    SourceMode = smText;
    ShowData(false);
}

void TfrmTable::SetReportList()
{
    report::SetReportItems(*this, report::rtTable, [this](QAction* a) {
        report::ReportClick(*this, a, [this](bool cross) { return report::TableFacts(*this, cross); });
    });
}

void TfrmTable::GetExcelFile(IConnectionWindow* owner, const QString& repName, const QString& database,
                             const QString& schema, const QString& objectName, const QString& path)
{
    std::unique_ptr<TfrmTable> w(new TfrmTable(owner ? owner->connectionWidget() : nullptr, database, schema, objectName,
                                               omDefine, 0, true));
    w->LoadForReport();
    report::WriteReportFile(repName, UniqueFileName(path + SafeFileName(objectName + report::ReportExt())),
                            [&w](bool cross) { return report::TableFacts(*w, cross); });
    Abort();
}

void TfrmTable::GetExcelSheet(IConnectionWindow* owner, const QString& repName, const QString& database,
                              const QString& schema, const QString& objectName, xlsx::Book& book, int sheet)
{
    std::unique_ptr<TfrmTable> w(new TfrmTable(owner ? owner->connectionWidget() : nullptr, database, schema, objectName,
                                               omDefine, 0, true));
    w->LoadForReport();
    report::FillReportSheet(repName, book, sheet, [&w](bool cross) { return report::TableFacts(*w, cross); });
    Abort();
}

} // namespace qv
