#include "tables/excel_report_window.h"

#include "app/globals.h"
#include "app/images.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/options.h"
#include "app/qvdoc.h"
#include "app/textfiles.h"
#include "app/wait_cursor.h"
#include "connection/object_session.h"
#include "controls/grid/string_grid.h"
#include "objects/storage_frame.h"
#include "platform/exceptions.h"
#include "platform/xlsx/xlsx.h"
#include "tables/cross_ref_frame.h"
#include "tables/table_grid.h"
#include "tables/table_window.h"
#include "tables/view_window.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QTreeWidget>

namespace qv {

// The registration of the built kinds (src/objects/object_windows.cpp).
void RegisterDefinitionReports(QHash<int, report::DefinitionReportRoutines>& routines);

namespace report {

namespace {

int Box(const QString& text, int flags)
{
    return TfrmDefine::MessageHook ? TfrmDefine::MessageHook(text, flags) : ShowMessageBox(text, flags);
}

// Reads the definition of a run; a file that is not well-formed is answered here.
ReportDefinition ReadForRun(const QString& repName)
{
    try {
        return ReadReportDefinition(ReportDefinitionFile(repName));
    } catch (const EQvDocFormat&) {
        Box(QvDocFormatMessage(), MB_OK | MB_ICONERROR);
        throw EAbort();
    }
}

// The TYPE of a definition file as a report-tag position; -1 when it cannot be read or is refused.
int DefinitionType(const QString& path)
{
    try {
        const QvDocument doc = QvDocument::load(path);
        const QDomElement e = doc.element(QStringLiteral("XLSDEF"));
        return e.isNull() ? -1 : IndexOfReportTag(e.attribute(QStringLiteral("TYPE")), 1);
    } catch (const std::exception&) {
        return -1;
    }
}

void ReadCross(TfrmDefine& w, TfraCross* frame, DefinitionFacts& f)
{
    std::unique_ptr<TfraCross> own;
    if (!frame) {
        own = std::make_unique<TfraCross>(&w);
        own->hide();
        frame = own.get();
    }
    frame->ShowData(f.database, f.schema, f.name);
    f.cross = frame->TreeLines(1);
    f.coverCross = frame->TreeLines(2);
}

void Names(TfrmDefine& w, DefinitionFacts& f)
{
    f.database = w.cmbDatabase->currentText().trimmed();
    f.schema = w.cmbSchema ? w.cmbSchema->currentText().trimmed() : QString();
    f.name = w.txtName->text().trimmed();
}

} // namespace

bool NeedsCross(const ReportDefinition& def)
{
    for (const ReportItem& h : def.header)
        if (h.tag == rtCross || h.tag == rtCoverCross)
            return true;
    return false;
}

DefinitionFacts TableFacts(TfrmTable& w, bool withCross)
{
    using namespace table;
    DefinitionFacts f;
    f.isTable = true;
    Names(w, f);
    f.comment = w.txtComment->text();
    const TObjectSession* s = w.Session();
    if (!(s && s->IsAzure) && w.fraStorage && w.fraStorage->cmbStorageType)
        f.storage = w.fraStorage->cmbStorageType->currentText();
    const TqvStringGrid* g = w.grdColumn;
    for (int r = 1; r < g->RowCount(); ++r) {
        ReportColumn c;
        c.name = g->Cells(colName, r).trimmed();
        if (c.name.isEmpty())
            continue;
        c.type = g->Cells(colType, r).trimmed();
        c.length = g->Cells(colLength, r).trimmed();
        c.notNull = g->Cells(colNotNull, r) == u"1";
        c.defaultValue = g->Cells(colDefault, r);
        c.mask = g->Cells(colMask, r);
        c.comment = g->Cells(colComment, r);
        for (int k = 0; k < w.FPrimary.size(); ++k)
            if (w.FPrimary[k].compare(c.name, Qt::CaseInsensitive) == 0)
                c.keyPosition = k + 1;
        f.columns << c;
    }
    // The dependent-object tree: the constraint group, then the index group.
    if (w.lstConst) {
        for (int i = 0; i < w.lstConst->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* root = w.lstConst->topLevelItem(i);
            const int kind = root->text(0) == u"CONSTRAINT" ? kConstraintKind : root->text(0) == u"INDEX" ? kIndexKind : 0;
            if (!kind)
                continue;
            for (int k = 0; k < root->childCount(); ++k)
                f.constraints << ReportConstraint{kind, root->child(k)->text(0), root->child(k)->text(2)};
        }
    }
    if (withCross)
        ReadCross(w, nullptr, f);
    return f;
}

DefinitionFacts ViewFacts(TfrmView& w, bool withCross)
{
    DefinitionFacts f;
    f.isTable = false;
    Names(w, f);
    f.comment = w.txtComment->text();
    f.ddl = w.GetSourceCreate().join(QStringLiteral("\r\n"));
    const TqvStringGrid* g = w.grdColumn;
    // Name, type, length, required, default and comment in grid columns 0 to 5.
    for (int r = 1; r < g->RowCount(); ++r) {
        ReportColumn c;
        c.name = g->Cells(0, r);
        c.type = g->Cells(1, r);
        c.length = g->Cells(2, r);
        c.notNull = g->Cells(3, r) == u"1";
        c.defaultValue = g->Cells(4, r);
        c.comment = g->Cells(5, r);
        f.columns << c;
    }
    if (withCross)
        ReadCross(w, w.fraCross, f);
    return f;
}

QList<QAction*> SetReportItems(TfrmDefine& w, int typeTag, const std::function<void(QAction*)>& click)
{
    QList<QAction*> made;
    const QList<QvMenuEntry> entries = ReportMenuEntries(ReportDefinitionDir());
    for (qsizetype i = entries.size() - 1; i >= 0; --i) {
        const QvMenuEntry& e = entries[i];
        if (DefinitionType(ReportDefinitionFile(e.Name)) != typeTag)
            continue;
        for (QMenu* menu : {w.mnuTool, w.popOutput}) {
            if (!menu)
                continue;
            auto* a = new QAction(imgMain(44), e.Name, menu);
            a->setData(e.Tag);
            a->setShortcut(CodeToShortCut(e.ShortCut));
            a->setShortcutContext(Qt::WidgetShortcut);
            a->setProperty("qvReportItem", true);
            // The object-menu item serves existing objects only; the output drop-down is
            // enabled with its action.
            if (menu == w.mnuTool)
                a->setEnabled(!w.IsNew());
            QObject::connect(a, &QAction::triggered, &w, [a, click] { click(a); });
            menu->addAction(a);
            made << a;
        }
    }
    return made;
}

void ReportClick(TfrmDefine& w, QAction* item, const FactsFn& facts)
{
    if (!item || item->text().isEmpty())
        return;
    const QString repName = item->text();
    QString dir = qvOption.ExcelDir;
    if (!dir.isEmpty() && !dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    const QString proposed = UniqueFileName(dir + SafeFileName(w.txtName->text().trimmed() + ReportExt()));
    const QString title = QStringLiteral("名前を付けて保存");
    const QString filter = QStringLiteral("Excelファイル(*.xlsx)|*.xlsx|すべてのファイル(*.*)|*.*");
    QString file = TfrmDefine::OutputSaveDialog
                       ? TfrmDefine::OutputSaveDialog(title, proposed, filter)
                       : QFileDialog::getSaveFileName(&w, title, proposed,
                                                      QStringLiteral("Excelファイル(*.xlsx);;すべてのファイル(*.*)"));
    if (file.isEmpty())
        return;
    if (!HasKnownFileExt(file))
        file += ReportExt().toLower();
    if (QFileInfo(file).completeBaseName().trimmed().isEmpty()) {
        Box(QStringLiteral("ファイル名を入力して下さい。"), MB_OK | MB_ICONWARNING);
        return;
    }
    WriteReportFile(repName, file, facts);
    Box(QStringLiteral("ファイルが出力されました。"), MB_OK | MB_ICONINFORMATION);
    qvOption.ExcelDir = QFileInfo(file).absolutePath() + QLatin1Char('/');
}

void WriteReportFile(const QString& repName, const QString& fileName, const FactsFn& facts)
{
    WaitCursor cursor;
    struct Idle {
        ~Idle()
        {
            if (TfrmMain* m = TfrmMain::instance())
                m->SetDefMessage();
        }
    } idle;
    const ReportDefinition def = ReadForRun(repName);
    WriteDefinitionReport(def, facts(NeedsCross(def)), fileName);
}

void FillReportSheet(const QString& repName, xlsx::Book& book, int sheet, const FactsFn& facts)
{
    WaitCursor cursor;
    const ReportDefinition def = ReadForRun(repName);
    FillDefinitionSheet(def, facts(NeedsCross(def)), book, sheet);
}

QHash<int, DefinitionReportRoutines>& DefinitionReports()
{
    static QHash<int, DefinitionReportRoutines> routines = [] {
        QHash<int, DefinitionReportRoutines> r;
        RegisterDefinitionReports(r);
        return r;
    }();
    return routines;
}

} // namespace report
} // namespace qv
