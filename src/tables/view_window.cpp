#include "tables/view_window.h"
#include "app/textfiles.h"
#include "tables/excel_report_window.h"

#include "app/connection_window_iface.h"
#include "app/message_box.h"
#include "app/qvstrings.h"
#include "app/wait_cursor.h"
#include "connection/object_script.h"
#include "connection/object_session.h"
#include "connection/object_window.h"
#include "controls/grid/string_grid.h"
#include "controls/string_editor.h"
#include "editor/sqlmemo/qvmemo.h"
#include "objects/source_text.h"
#include "platform/db/query.h"
#include "platform/exceptions.h"
#include "connection/dm_sqlserver.h"
#include "sql/explan_frame.h"
#include "sql/memo_frame.h"
#include "tables/cross_ref_frame.h"
#include "tables/data_page.h"
#include "tables/privileges_frame.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTabWidget>
#include <QVBoxLayout>

namespace qv {

namespace {
DefineKind ViewKind()
{
    DefineKind k;
    k.windowClass = &TfrmView::staticMetaObject;
    k.objType = 47;
    k.word = QStringLiteral("VIEW");
    k.settingsKey = QStringLiteral("VIEW");
    k.menuTitle = QStringLiteral("VIEW(&O)");
    k.hasOutput = true;
    k.hasSchema = true;
    k.hasSource = true;
    return k;
}

const QString NotFound = QStringLiteral("オブジェクトが見つからないか、参照できませんでした。");

enum GridCol { ColName = 0, ColType, ColLength, ColRequired, ColDefault, ColComment };

QString Bracketed(const QString& schema, const QString& name)
{
    return QuoteIdentifier(schema, true) + QStringLiteral(".") + QuoteIdentifier(name, true);
}
} // namespace

TfrmView::TfrmView(QObject* owner, const QString& database, const QString& schema, const QString& objectName,
                   TOpenMode mode, int defTopRecord)
    : TfrmView(owner, database, schema, objectName, mode, defTopRecord, false)
{
}

TfrmView::TfrmView(QObject* owner, const QString& database, const QString& schema, const QString& objectName,
                   TOpenMode mode, int defTopRecord, bool scriptMode)
    : TfrmDefine(owner, ViewKind(), DefineArgs{database, schema, objectName, mode}, scriptMode)
{
    setObjectName(QStringLiteral("frmView"));
    m_defTopRecord = defTopRecord;

    // Definition page: the comment and the column grid.
    auto* define = new QVBoxLayout(tabDefine);
    define->setContentsMargins(4, 4, 4, 4);
    pnlFieldTop = new QWidget(tabDefine);
    pnlFieldTop->setObjectName(QStringLiteral("pnlFieldTop"));
    auto* top = new QHBoxLayout(pnlFieldTop);
    top->setContentsMargins(0, 0, 0, 0);
    lblComment = new QLabel(QStringLiteral("コメント"), pnlFieldTop);
    lblComment->setObjectName(QStringLiteral("lblComment"));
    txtComment = new TqvStrEdit(pnlFieldTop);
    txtComment->setObjectName(QStringLiteral("txtComment"));
    top->addWidget(lblComment);
    top->addWidget(txtComment, 1);
    define->addWidget(pnlFieldTop);
    grdColumn = new TqvStringGrid(tabDefine);
    grdColumn->setObjectName(QStringLiteral("grdColumn"));
    grdColumn->SetColCount(6);
    grdColumn->SetRowCount(2);
    grdColumn->SetFixedRows(1);
    grdColumn->SetFixedCols(0);
    grdColumn->SetHeader({QStringLiteral("項目名"), QStringLiteral("型"), QStringLiteral("長さ"), QStringLiteral("必須"),
                          QStringLiteral("省略時値"), QStringLiteral("コメント")});
    const int widths[] = {180, 100, 100, 60, 100, 117};
    for (int c = 0; c < 6; ++c)
        grdColumn->SetColWidths(c, widths[c]);
    grdColumn->SetGridMode(TqvGridEditorMode::geAccess);
    grdColumn->SetEditStyles(ColRequired, TqvGridEditStyle::geViewCheckBox);
    grdColumn->SetEditStyles(ColComment, TqvGridEditStyle::geEllipsis);
    grdColumn->SetGridOptions(grdColumn->GridOptions() & ~goEditing);
    grdColumn->OnSelectCell = [this](int c, int r) {
        grdColumnSelectCell(c, r);
        return true;
    };
    grdColumn->OnSetEditText = [this](TqvStringGrid*, int, int, const QString&) {
        if (grdColumn->IsChanged())
            SetModified(true);
        actCompile->setEnabled(Modified() || SourcePageActive());
    };
    grdColumn->OnEditButtonClick = [this] { Guard([this] { grdColumnEditButtonClick(); }); };
    define->addWidget(grdColumn, 1);
    TrackChanges(txtComment);

    tabData = new QWidget(pagObject);
    tabData->setObjectName(QStringLiteral("tabData"));
    auto* data = new QVBoxLayout(tabData);
    data->setContentsMargins(0, 0, 0, 0);
    fraDataPage = new TfraDataPage(this, datapage::Window::View, [this] {
        QList<datapage::Column> columns;
        for (int r = 1; r < grdColumn->RowCount(); ++r)
            if (!grdColumn->Cells(ColName, r).isEmpty())
                columns << datapage::Column{grdColumn->Cells(ColName, r), grdColumn->Cells(ColType, r)};
        return columns;
    }, tabData);
    data->addWidget(fraDataPage);
    pagObject->addTab(tabData, QStringLiteral("データ"));
    actDataGenerate = AddDataGenerateAction(this);
    if (!scriptMode)
        fraDataPage->InitState(defTopRecord, database, schema, objectName);
    // The plan page: the data page's condition panel comes above the plan while it is shown.
    tabExplan = new QWidget(pagObject);
    tabExplan->setObjectName(QStringLiteral("tabExplan"));
    auto* e = new QVBoxLayout(tabExplan);
    e->setContentsMargins(0, 0, 0, 0);
    splExplan = new QSplitter(Qt::Vertical, tabExplan);
    splExplan->setObjectName(QStringLiteral("splExplan"));
    splExplan->setChildrenCollapsible(false);
    fraExplan = new TfraExplan(splExplan);
    fraExplan->spl1->hide();
    fraExplan->OnMessage = [](const QString& text, int flags) { return Box(text, flags); };
    splExplan->addWidget(fraExplan);
    e->addWidget(splExplan);
    pagObject->addTab(tabExplan, QStringLiteral("実行計画"));

    tabGrant = new QWidget(pagObject);
    tabGrant->setObjectName(QStringLiteral("tabGrant"));
    auto* g = new QVBoxLayout(tabGrant);
    g->setContentsMargins(0, 0, 0, 0);
    fraGrant = new TfraGrant(tabGrant);
    g->addWidget(fraGrant);
    pagObject->addTab(tabGrant, QStringLiteral("権限"));

    tabCross = new QWidget(pagObject);
    tabCross->setObjectName(QStringLiteral("tabCross"));
    auto* x = new QVBoxLayout(tabCross);
    x->setContentsMargins(0, 0, 0, 0);
    fraCross = new TfraCross(tabCross);
    x->addWidget(fraCross);
    pagObject->addTab(tabCross, QStringLiteral("依存関係"));

    txtName->keys.autoSave = true;
    cmbSchema->keys.autoSave = true;
    for (QWidget* w : {static_cast<QWidget*>(txtName), static_cast<QWidget*>(cmbSchema),
                       static_cast<QWidget*>(cmbDatabase)})
        w->installEventFilter(this);
    if (scriptMode)
        SetObjType(47);
    Start();
    if (!scriptMode)
        SetReportList();
}

void TfrmView::ShowPlan()
{
    TObjectSession* s = Session();
    fraExplan->SetConnection(s->dmSQLServer->Connection);
    fraExplan->SetSQL(fraDataPage->BuildDataSelect());
    if (fraExplan->SQL().isEmpty())
        return;
    fraExplan->ShowData();
}

QString TfrmView::Database() const { return cmbDatabase->currentText().trimmed(); }
QString TfrmView::Schema() const { return cmbSchema->currentText().trimmed(); }
QString TfrmView::Name() const { return txtName->text().trimmed(); }

QWidget* TfrmView::PageForMode(TOpenMode mode)
{
    if (txtName->text().trimmed().isEmpty())
        return tabSource; // a new view is written on the Source page
    switch (mode) {
    case omSource: return tabSource;
    case omData: return tabData;
    case omCross: return tabCross;
    case omGrant: return tabGrant;
    default: return tabDefine;
    }
}

QList<QWidget*> TfrmView::ExistingOnlyPages() { return {tabData, tabExplan, tabGrant, tabCross}; }

bool TfrmView::CanDelete() const { return !IsNew() && pagObject->currentWidget() != tabData; }

void TfrmView::Compile()
{
    TfrmDefine::Compile();
    if (!IsNew() && !Modified())
        fraDataPage->FShowFld.clear();
}

void TfrmView::PageShown()
{
    if (IsNew() || ScriptMode())
        return;
    if (pagObject->currentWidget() == tabData) {
        if (fraDataPage->splWhere->indexOf(fraDataPage->pnlWhere) < 0)
            fraDataPage->splWhere->insertWidget(0, fraDataPage->pnlWhere);
        fraDataPage->ShowPageData();
    } else if (pagObject->currentWidget() == tabExplan) {
        if (splExplan->indexOf(fraDataPage->pnlWhere) < 0) {
            splExplan->insertWidget(0, fraDataPage->pnlWhere);
            splExplan->setStretchFactor(0, 0);
            splExplan->setStretchFactor(1, 1);
        }
        ShowPlan();
    }
}

void TfrmView::FormCloseQuery(bool& canClose)
{
    TfrmDefine::FormCloseQuery(canClose);
    if (canClose)
        fraDataPage->CloseData();
}

void TfrmView::ChangedIsNew()
{
    if (IsNew() && !ScriptMode()) {
        const QSignalBlocker block(pagObject);
        pagObject->setCurrentWidget(tabSource);
    }
    TfrmDefine::ChangedIsNew();
    actDataGenerate->setEnabled(!IsNew());
    if (!ScriptMode()) {
        const QSignalBlocker block(pagObject);
        pagObject->setTabVisible(pagObject->indexOf(tabDefine), !IsNew());
    }
}

void TfrmView::ShowData(bool isDrop)
{
    WaitCursor cursor;
    struct Done {
        TfrmView* w;
        ~Done() { w->SetModified(false); }
    } done{this};
    TObjectSession* s = Session();
    grdColumn->SetEditorMode(false);
    if (IsNew()) {
        if (SourceMode == smShow)
            SetSourceLines({});
        txtComment->clear();
        grdColumn->SetRowCount(2);
        for (int c = 0; c < 6; ++c)
            grdColumn->SetCells(c, 1, QString());
        txtComment->Save();
        grdColumn->Save();
        m_savedComment.clear();
        return;
    }
    const QStringList params{Schema(), Name()};
    db::Query* q = s->OpenSQL(view::CommentQuery(s->DBVer, Database()), params);
    QString comment;
    qint64 seed = 0, increment = 0;
    if (!q->Eof()) {
        comment = q->Fields().at(0)->IsNull() ? QString() : q->Fields().at(0)->AsString();
        seed = q->Fields().at(1)->Value().toLongLong();
        increment = q->Fields().at(2)->Value().toLongLong();
    }
    q->Close();
    txtComment->setText(comment);

    QList<QVariantList> rows;
    q = s->OpenSQL(view::ColumnQuery(s->DBVer, Database()), params);
    for (q->First(); !q->Eof(); q->Next()) {
        QVariantList row;
        for (db::Field* f : q->Fields())
            row << f->Value();
        rows << row;
    }
    q->Close();
    if (rows.isEmpty()) {
        Box(NotFound, MB_OK | MB_ICONERROR);
        Abort();
    }
    grdColumn->SetRowCount(qMax(2, int(rows.size()) + 1));
    for (int c = 0; c < 6; ++c)
        grdColumn->SetCells(c, 1, QString());
    const bool v9 = s->DBVer >= 9;
    for (int i = 0; i < rows.size(); ++i) {
        const QVariantList& f = rows.at(i);
        auto text = [&f](int k) { return k < f.size() && !f.at(k).isNull() ? f.at(k).toString() : QString(); };
        auto number = [&f](int k) { return k < f.size() ? f.at(k).toInt() : 0; };
        const int r = i + 1;
        grdColumn->SetCells(ColName, r, text(0));
        grdColumn->SetCells(ColType, r, text(1));
        grdColumn->SetCells(ColLength, r, view::LengthText(text(1), number(5), number(3), number(4), number(10), s->DBVer));
        bool required;
        if (v9)
            required = f.size() > 6 && !f.at(6).isNull() && !f.at(6).toBool();
        else
            required = text(6) != QLatin1String("Y");
        grdColumn->SetCells(ColRequired, r, required ? QStringLiteral("1") : QString());
        QString def = text(7);
        if (def == QLatin1String("NULL"))
            def.clear();
        if (number(9) == 1)
            def = view::IdentityText(seed, increment);
        grdColumn->SetCells(ColDefault, r, def);
        grdColumn->SetCells(ColComment, r, text(8));
    }
    grdColumn->SetTopRow(1);
    grdColumn->SetLeftCol(0);
    if (!ScriptMode())
        fraDataPage->RefillWhereGrid();
    txtComment->Save();
    grdColumn->Save();
    m_savedComment = comment;
    if (SourceMode == smShow) {
        if (SourcePageActive())
            SetSourceLines(isDrop ? GetSourceDrop() : GetSourceCreate());
        else if (pagObject->currentWidget() == tabGrant)
            fraGrant->ShowData(Database(), Schema(), Name());
        else if (pagObject->currentWidget() == tabCross)
            fraCross->ShowData(Database(), Schema(), Name());
    }
    FitCommentColumn();
}

QList<view::ColumnComment> TfrmView::ColumnComments() const
{
    QList<view::ColumnComment> out;
    for (int r = 1; r < grdColumn->RowCount(); ++r) {
        view::ColumnComment c;
        c.name = grdColumn->Cells(ColName, r);
        c.comment = grdColumn->Cells(ColComment, r);
        c.savedComment = r < grdColumn->SaveRowCount() ? grdColumn->SaveCells(ColComment, r) : QString();
        out << c;
    }
    return out;
}

QString TfrmView::ReadSourceText()
{
    TObjectSession* s = Session();
    db::Query* q = s->OpenSQL(view::ShippedQuery(Database(), Schema(), Name()));
    const bool shipped = !q->Eof() && q->Fields().at(0)->Value().toInt() == 1;
    q->Close();
    std::optional<QString> text;
    if (shipped && s->DBVer >= 9) {
        // System views keep their text in the server's own modules.
        const QString use = s->IsAzure ? QString() : s->Use(QStringLiteral("master"));
        q = s->OpenSQL(use + view::ShippedSourceQuery(), {Bracketed(Schema(), Name())});
        if (!q->Eof())
            text = q->Fields().at(0)->IsNull() ? QString() : q->Fields().at(0)->AsString();
        q->Close();
    } else {
        text = source::ReadSource(*s, Database(), Schema(), Name());
    }
    if (!text) {
        Box(NotFound, MB_OK | MB_ICONERROR);
        Abort();
    }
    return *text;
}

view::ScriptInput TfrmView::Input()
{
    TObjectSession* s = Session();
    view::ScriptInput in;
    in.rule.scriptMode = SourceMode == smText;
    in.rule.databaseOption = ScriptOption.Database;
    in.rule.azure = s->IsAzure;
    in.rule.connectionDatabase = s->g_DataBase;
    if (IConnectionWindow* conn = OwnerForm())
        in.rule.connectionDatabase = conn->DataBase();
    in.dbVer = s->DBVer;
    in.database = Database();
    in.schema = Schema();
    in.name = Name();
    in.copySchema = NewSchema;
    in.copyName = NewObjectName;
    in.exists = !IsNew();
    in.comment = txtComment->text();
    in.columns = ColumnComments();
    return in;
}

QStringList TfrmView::GetSourceCreate()
{
    view::ScriptInput in = Input();
    in.source = ReadSourceText();
    return view::CreateScript(in);
}

QStringList TfrmView::GetSourceDrop() { return view::DropScript(Input()); }

QStringList TfrmView::RestoreStatements()
{
    TObjectSession* s = Session();
    const QString go = QStringLiteral("go");
    const QString db = Database(), schema = Schema(), name = Name();
    QStringList out;
    const source::Keep keep = source::ReadKeep(*s, source::Kind::View, db, schema, name);
    for (const QString& p : keep.permissions)
        out << p << go;
    QList<view::Property> props;
    db::Query* q = s->OpenSQL(view::PropertyListQuery(s->DBVer, db), {schema, name});
    for (q->First(); !q->Eof(); q->Next())
        props << view::Property{q->Fields().at(0)->IsNull() ? QString() : q->Fields().at(0)->AsString(),
                                q->Fields().at(1)->AsString(), q->Fields().at(2)->AsString()};
    q->Close();
    for (const view::Property& p : props)
        out << view::RestorePropertyStatement(s->DBVer, schema, name, p) << go;

    // The view's triggers go with the drop: their scripts, taken now, create them again.
    QList<QPair<QString, QString>> triggers;
    q = s->OpenSQL(view::TriggerListQuery(s->DBVer, db), {schema, name});
    for (q->First(); !q->Eof(); q->Next())
        triggers << qMakePair(q->Fields().at(1)->AsString(), q->Fields().at(0)->AsString());
    q->Close();
    const ScriptContext context{s, dynamic_cast<TfrmObject*>(OwnerForm())};
    for (const auto& [owner, trigger] : triggers) {
        const QString text = ObjectScriptText(context, ObjType::Trigger, db, owner, trigger);
        if (text.trimmed().isEmpty())
            continue; // a trigger without a script is left out
        QStringList lines = source::TextLines(text);
        while (!lines.isEmpty() && lines.constLast().trimmed().isEmpty())
            lines.removeLast();
        out << lines;
        if (lines.isEmpty() || lines.constLast().trimmed().compare(go, Qt::CaseInsensitive) != 0)
            out << go;
        try {
            for (const QString& stmt : source::ReadKeep(*s, source::Kind::Trigger, db, owner, trigger).Statements())
                out << stmt << go;
        } catch (const EAbort&) {
            throw;
        } catch (...) {
            // its disabled state or properties could not be read: the trigger is created as scripted
        }
    }
    return out;
}

QStringList TfrmView::GetDDL()
{
    QStringList lines;
    if (DefinePageActive()) {
        return view::DefinitionStatements(Session()->DBVer, Schema(), Name(), txtComment->text(), m_savedComment,
                                          ColumnComments());
    }
    if (pagObject->currentWidget() == tabGrant) {
        fraGrant->GetSource(lines);
        return lines;
    }
    if (SourcePageActive()) {
        if (!IsNew())
            lines << GetSourceDrop();
        QStringList text = SourceLines();
        if (!IsNew() && !TrimWhiteSpace(text.join(QLatin1Char('\n'))).isEmpty()) {
            // The editor's last batch ends before what is put back.
            while (!text.isEmpty() && text.constLast().trimmed().isEmpty())
                text.removeLast();
            if (text.constLast().trimmed().compare(QStringLiteral("go"), Qt::CaseInsensitive) != 0)
                text << QStringLiteral("go");
            lines << text << RestoreStatements();
        } else {
            lines << text;
        }
        return lines;
    }
    return lines;
}

QStringList TfrmView::ScriptText(bool isDrop) { return isDrop ? GetSourceDrop() : GetSourceCreate(); }

QString TfrmView::DropStatement()
{
    return QStringLiteral("DROP VIEW ") + QuoteIdentifier(Schema()) + QStringLiteral(".") + QuoteIdentifier(Name());
}

void TfrmView::grdColumnSelectCell(int col, int row)
{
    (void)row;
    if (col == ColComment) {
        grdColumn->SetGridOptions(grdColumn->GridOptions() | goEditing);
    } else {
        grdColumn->SetEditorMode(false);
        grdColumn->SetGridOptions(grdColumn->GridOptions() & ~goEditing);
    }
}

void TfrmView::grdColumnEditButtonClick()
{
    const int r = grdColumn->Row();
    QString text = grdColumn->Cells(ColComment, r);
    bool nullChecked = false;
    if (TfrmMemo::ShowWindow(text, nullChecked, false, false) != QDialog::Accepted)
        return;
    if (text != grdColumn->Cells(ColComment, r)) {
        grdColumn->SetCells(ColComment, r, text);
        if (grdColumn->IsChanged())
            SetModified(true);
        actCompile->setEnabled(true);
    }
}

void TfrmView::txtNameExit(QWidget* left)
{
    if (!fraMemo)
        return;
    QStringList lines = SourceLines();
    if (TrimWhiteSpace(lines.join(QLatin1Char('\n'))).isEmpty()) {
        while (!lines.isEmpty() && TrimWhiteSpace(lines.constLast()).isEmpty())
            lines.removeLast();
        lines << view::Template(cmbSchema->currentText(), txtName->text());
        fraMemo->txtSQL->Lines().Assign(lines);
        return;
    }
    bool changed = false;
    if (left == cmbSchema)
        changed = view::ReplaceFirst(lines, QuoteIdentifier(cmbSchema->SaveValue) + QLatin1Char('.'),
                                     QuoteIdentifier(cmbSchema->currentText()) + QLatin1Char('.'));
    else if (left == txtName)
        changed = view::ReplaceFirst(lines, QLatin1Char('.') + QuoteIdentifier(txtName->SaveValue),
                                     QLatin1Char('.') + QuoteIdentifier(txtName->text()));
    if (changed)
        fraMemo->txtSQL->Lines().Assign(lines);
}

bool TfrmView::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut && IsNew() &&
        (watched == txtName || watched == cmbSchema || watched == cmbDatabase))
        Guard([&] { txtNameExit(static_cast<QWidget*>(watched)); });
    return TfrmDefine::eventFilter(watched, event);
}

void TfrmView::FitCommentColumn()
{
    int used = 0;
    for (int c = 0; c < ColComment; ++c)
        used += grdColumn->ColWidths(c);
    grdColumn->SetColWidths(ColComment, qMax(117, grdColumn->viewport()->width() - used - 24));
}

void TfrmView::resizeEvent(QResizeEvent* e)
{
    TfrmDefine::resizeEvent(e);
    FitCommentColumn();
}

void TfrmView::GetScript(IConnectionWindow* owner, const DefineScriptRequest& request, QIODevice& stream)
{
    std::unique_ptr<TfrmView> w(new TfrmView(owner ? owner->connectionWidget() : nullptr, request.database,
                                             request.schema, request.name, omDefine, 0, true));
    w->WriteScriptTo(stream, request.newSchema, request.newName);
    Abort();
}

void TfrmView::LoadForReport()
{
    SourceMode = smText;
    ShowData(false);
}

void TfrmView::SetReportList()
{
    report::SetReportItems(*this, report::rtView, [this](QAction* a) {
        report::ReportClick(*this, a, [this](bool cross) { return report::ViewFacts(*this, cross); });
    });
}

void TfrmView::GetExcelFile(IConnectionWindow* owner, const QString& repName, const QString& database,
                            const QString& schema, const QString& objectName, const QString& path)
{
    std::unique_ptr<TfrmView> w(new TfrmView(owner ? owner->connectionWidget() : nullptr, database, schema, objectName,
                                             omDefine, 0, true));
    w->LoadForReport();
    report::WriteReportFile(repName, UniqueFileName(path + SafeFileName(objectName + report::ReportExt())),
                            [&w](bool cross) { return report::ViewFacts(*w, cross); });
    Abort();
}

void TfrmView::GetExcelSheet(IConnectionWindow* owner, const QString& repName, const QString& database,
                             const QString& schema, const QString& objectName, xlsx::Book& book, int sheet)
{
    std::unique_ptr<TfrmView> w(new TfrmView(owner ? owner->connectionWidget() : nullptr, database, schema, objectName,
                                             omDefine, 0, true));
    w->LoadForReport();
    report::FillReportSheet(repName, book, sheet, [&w](bool cross) { return report::ViewFacts(*w, cross); });
    Abort();
}

} // namespace qv
