#pragma once
// Excel definition reports of tables and views, without a window: the report definition as the
// report runs read it (xlsdef/<name>.def), the facts of one table or view, and the filling of a
// template sheet with them (header cells, one body record per column and, for tables, per
// constraint and index, the template's body block repeated as often as the records need).
//
// Values go into the cells as the spreadsheet would take them typed in: whole numbers as
// numbers, everything else as text — a text starting with "=" stays a text, never a formula.
// An empty value leaves the body cell as the template has it.
#include <QList>
#include <QString>
#include <QStringList>

namespace qv::xlsx {
class Book;
}

namespace qv::report {

// Positions in the report-tag table.
enum ReportTag {
    rtObject = 0, rtTable = 1, rtView = 2, rtObjectType = 4, rtSeq = 5, rtObjectName = 6, rtSchema = 7,
    rtDatabase = 8, rtCreateDate = 9, rtUpdateDate = 10, rtComment = 11, rtTableName = 12, rtTableSpace = 14,
    rtCross = 30, rtCoverCross = 31, rtViewName = 32, rtDDL = 33, rtColumnName = 36, rtDataType = 37,
    rtDataLength = 38, rtDataScale = 39, rtNotNull = 40, rtDefaultValue = 41, rtIsPrimaryKey = 42,
    rtConstName = 43, rtConstValue = 44, rtDataMask = 45
};

// Image codes of the constraint and index groups of a table's dependent-object tree.
inline constexpr int kConstraintKind = 66;
inline constexpr int kIndexKind = 46;

struct ReportItem {
    int tag = 0;
    int row = 0;
    int col = 0;
    bool operator==(const ReportItem&) const = default;
};

struct ReportDefinition {
    QString xlsFile;
    int bodyTop = 1;
    int bodyCount = 1;
    int outputType = 0;
    int type = 0; // report tag of TYPE
    QList<ReportItem> header, body, body2;
};

// How BODYTOP and BODYCOUNT are read: the definition windows refuse a missing or non-numeric
// value (and a BODYCOUNT below 1); the object-list run reads them as 0.
enum class NumberRule { Strict, Lenient };

// The file of a report: data folder + "xlsdef/" + name + ".def".
QString ReportDefinitionFile(const QString& repName);
// Reads a definition. Raises EQvDocFormat (not well-formed), EQvDocVersion (root or version
// refused) and, with NumberRule::Strict, qv::Exception for a bad BODYTOP or BODYCOUNT.
ReportDefinition ReadReportDefinition(const QString& path, NumberRule rule = NumberRule::Strict);

// The template of a definition report written to `outputFile`: a bare XLSFILE is taken from
// "xlsdef/" of the data folder; a file of the template's name with the output's extension wins.
QString DefinitionTemplatePath(const QString& xlsFile, const QString& outputFile);
// The template of the object-list and sheet-per-object runs: the first existing of the
// template's name with the output's extension, with `excelExt`, and XLSFILE as written; empty
// when none exists.
QString ListTemplatePath(const QString& xlsFile, const QString& outputFile, const QString& excelExt);

// Extension of the workbooks the program writes.
QString ReportExt();

struct ReportColumn {
    QString name, type, length, defaultValue, comment, mask;
    bool notNull = false;
    int keyPosition = 0; // position in the primary key from 1; 0 when not a key column
};

struct ReportConstraint {
    int kind = kConstraintKind; // kConstraintKind or kIndexKind
    QString name, value;
};

struct DefinitionFacts {
    bool isTable = true;
    QString database, schema, name, comment, storage, ddl;
    QStringList cross, coverCross; // the reference trees: one line per node, a tab per level
    QList<ReportColumn> columns;    // the table's named columns; all rows of a view's grid
    QList<ReportConstraint> constraints; // tables: constraints, then indexes
};

// The reference tree as one cell's text: tabs as full-width spaces, lines joined by LF.
QString TreeCellText(const QStringList& lines);
// "10,2" → "10" and "2"; "50" → "50" and "".
QString LengthPart(const QString& length);
QString ScalePart(const QString& length);

// Fills sheet `sheet` of `book` with the facts by the definition. Raises qv::Exception for a
// value beyond the sheet's limits.
void FillDefinitionSheet(const ReportDefinition& def, const DefinitionFacts& facts, xlsx::Book& book, int sheet);
// The whole report into a new workbook: the template (DefinitionTemplatePath) or a blank book,
// its active sheet filled, saved as `fileName` through a temporary file, so that an existing
// workbook is replaced only once the new one is complete.
void WriteDefinitionReport(const ReportDefinition& def, const DefinitionFacts& facts, const QString& fileName);

// A cell value as the report writes it: empty clears (header) or is skipped (body), whole
// numbers become numbers, the rest texts.
void PutReportValue(xlsx::Book& book, int sheet, int row, int col, const QString& value);

} // namespace qv::report
