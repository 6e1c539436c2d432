#pragma once
// The definition reports as the table and view windows run them: the report items of a
// window's menus, the run from such an item into a file the user picks, and the routines by
// which the connection window's report menu runs the same reports for many tables and views
// (a workbook per object, or a sheet per object in one workbook), looked up by object type.
#include "tables/excel_report.h"

#include <QHash>
#include <functional>

class QAction;

namespace qv {

class IConnectionWindow;
class TfrmDefine;
class TfrmTable;
class TfrmView;

namespace xlsx {
class Book;
}

namespace report {

// The facts of a loaded window; withCross reads the reference trees (a catalog walk).
DefinitionFacts TableFacts(TfrmTable& w, bool withCross);
DefinitionFacts ViewFacts(TfrmView& w, bool withCross);
using FactsFn = std::function<DefinitionFacts(bool withCross)>;

// Whether a definition's header asks for the reference trees.
bool NeedsCross(const ReportDefinition& def);

// The report items of a window: for each report definition of the report menu (in its order)
// whose TYPE is `typeTag`, an item in the window's object menu (enabled for an existing object
// only) and one in the output drop-down, both after the other items, in descending name order.
QList<QAction*> SetReportItems(TfrmDefine& w, int typeTag, const std::function<void(QAction*)>& click);

// A report item clicked: the save dialog (TfrmDefine::OutputSaveDialog in tests), then
// WriteReportFile, then the note and ExcelDir.
void ReportClick(TfrmDefine& w, QAction* item, const FactsFn& facts);
// Writes report repName for the window's object to fileName. A definition that is not
// well-formed shows its error and ends with EAbort; other failures raise.
void WriteReportFile(const QString& repName, const QString& fileName, const FactsFn& facts);
// Fills a sheet of a workbook with report repName (same messages).
void FillReportSheet(const QString& repName, xlsx::Book& book, int sheet, const FactsFn& facts);

// The connection window's per-object runs, by object type (45 table, 47 view). Both end with
// the silent abort (EAbort), which the caller swallows.
struct DefinitionReportRoutines {
    // Writes path + object name + ".xlsx" (a free name) for the object.
    std::function<void(IConnectionWindow* owner, const QString& repName, const QString& database, const QString& schema,
                       const QString& name, const QString& path)>
        file;
    std::function<void(IConnectionWindow* owner, const QString& repName, const QString& database, const QString& schema,
                       const QString& name, xlsx::Book& book, int sheet)>
        sheet;
};
QHash<int, DefinitionReportRoutines>& DefinitionReports();

} // namespace report
} // namespace qv
