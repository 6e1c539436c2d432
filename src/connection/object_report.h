#pragma once
// Excel reports from the connection window's object list: the object-list report (a sheet per
// group of objects of one type, database and schema, a record per object with its dates and
// comment), and the runs of the table and view definition reports over the selected objects —
// a workbook per object in a chosen folder, or a sheet per object in one workbook.
#include "tables/excel_report.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class QAction;
class QTreeWidget;

namespace qv {

class IConnectionWindow;

namespace report {

struct ListObject {
    int type = 0;      // object-type code
    QString typeName;  // "TABLE", "VIEW" …
    QString database, schema, name;
};

// What the object-list report reads per object.
struct ObjectFacts {
    QString created, updated, comment;
};
using ObjectFactsReader = std::function<ObjectFacts(const ListObject&)>;

// The catalog statements of one object's facts (database switch first, names as N'' literals):
// creation and change dates as yyyy/mm/dd (sys.objects from version 9, sysobjects before with
// the creation date only); empty for a kind without xtypes. And its MS_Description; empty on Azure.
QString ObjectDatesSql(int dbVer, const ListObject& o);
QString ObjectCommentSql(int dbVer, bool azure, const ListObject& o);
// The facts from the rows of those statements: the change date stays empty when it equals the
// creation date.
ObjectFacts ReadObjectFacts(int dbVer, bool azure, const ListObject& o,
                            const std::function<QList<QVariantList>(const QString& sql)>& rows);

// Sheet names: characters a sheet name cannot hold removed, cut to 31 characters; a name equal
// (ignoring case) to an earlier one gets its last five characters replaced by "_" and the first
// free four-digit number. Raises qv::Exception "シート名を設定できませんでした。" when none is free.
QStringList UniqueSheetNames(const QStringList& wanted);

// The object-list report into fileName: objects sorted by type, schema, database and name
// (partitions left out), a sheet per group. The workbook is saved (through a temporary file)
// even when the filling fails part-way; the failure is raised after the save.
void WriteObjectListReport(const ReportDefinition& def, const QList<ListObject>& objects, const QString& fileName,
                           const QString& excelExt, const ObjectFactsReader& facts);

// Test stand-ins for the dialogs and boxes of the runs (unset: the real ones).
struct ReportRunHooks {
    static std::function<QString(const QString& title, const QString& proposed, const QString& filter)> saveDialog;
    static std::function<QString(const QString& title, const QString& start)> folderDialog;
    static std::function<void(const QString& text, int flags)> message;
};

// The connection window's report run over the selected rows of `list`, the output kind by the
// item's data (0 object list, 1 a workbook per object, 2 a sheet per object).
void RunListReport(IConnectionWindow& owner, QTreeWidget* list, QAction* item);

} // namespace report
} // namespace qv
