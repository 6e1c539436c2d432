#pragma once
// Our own .xlsx (Office Open XML spreadsheet) layer: writes workbooks, opens existing ones as
// templates and fills one of their sheets, and reads cell values back.
//
// Writing streams each sheet's XML to a temporary file, row by row, so memory stays flat however
// many rows are written; strings are written inline in their cells, numbers as they are, dates and
// times as serial numbers (days since 1899-12-30) with a date or time style. Saving builds the
// zip package under a temporary name in the target folder and renames it onto the path only once
// it is complete: a failed save leaves an existing file as it was and never a half-written one.
//
// A template keeps every part it holds; only the filled sheet, the style sheet (three date and
// time styles appended), and for a new sheet the workbook, its relations and the content types
// are rewritten. Cells of the template that the export does not overwrite are kept as they were.
#include "platform/exceptions.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <map>
#include <memory>
#include <vector>

namespace qv::xlsx {

// The sheet limits of the format.
constexpr int kMaxRows = 1048576;
constexpr int kMaxColumns = 16384;
constexpr int kMaxCellChars = 32767;
constexpr int kMaxSheetNameChars = 31;

// Raised for a value or a position beyond the limits; nothing is saved after it.
class LimitError : public Exception {
public:
    using Exception::Exception;
};

// "A" for 1, "Z" for 26, "AA" for 27 … "XFD" for 16,384.
QString ColumnName(int column);
// "C5" → row 5, column 3 (both from 1). False for anything else.
bool ParseCellRef(QStringView ref, int& row, int& column);
// The cell reference of row and column (from 1): "C5".
QString CellRef(int row, int column);

enum class DateStyle { Date, DateTime, Time };

class Workbook;

// One sheet being written: rows in ascending order, cells of a row in ascending column order.
class SheetWriter {
public:
    ~SheetWriter();
    SheetWriter(const SheetWriter&) = delete;
    SheetWriter& operator=(const SheetWriter&) = delete;

    QString name() const;
    // Width of a column in characters (1 … 255).
    void setColumnWidth(int column, double width);
    // Formats a column as text ("@"): its text cells, and what is typed into it later, stay text.
    void setColumnText(int column);

    // `text`: the row is formatted as text ("@"), and so are its text cells.
    void beginRow(int row, bool text = false);
    // A number as its text ("-12.5", "1E+20"): written as it is.
    void addNumber(int column, QStringView numberText);
    void addNumber(int column, double value);
    // A text value. Throws LimitError above kMaxCellChars characters.
    void addText(int column, QStringView text);
    // A date, date-time or time as a serial number (days since 1899-12-30).
    void addDate(int column, double serial, DateStyle style);
    void endRow();

private:
    friend class Workbook;
    struct Impl;
    explicit SheetWriter(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> d;
};

class Workbook {
public:
    ~Workbook();
    Workbook(const Workbook&) = delete;
    Workbook& operator=(const Workbook&) = delete;

    // A new, empty workbook.
    static std::unique_ptr<Workbook> create();
    // An existing workbook as a template. Throws qv::Exception when it cannot be read.
    static std::unique_ptr<Workbook> open(const QString& fileName);

    QStringList sheetNames() const;
    // The sheet to write: the named sheet of the template, or a new sheet with that name (a new
    // workbook: its first sheet). An empty name: the template's active sheet, or "Sheet1" in a new
    // workbook. One sheet is written at a time; a sheet is written once.
    SheetWriter& sheet(const QString& name);

    // Writes the workbook to `fileName` (through a temporary file and a rename). Throws
    // qv::Exception on failure; the file at the path is then untouched.
    void save(const QString& fileName);

private:
    struct Impl;
    Workbook();
    std::unique_ptr<Impl> d;
};

// ---- template books ---------------------------------------------------------------------------

// A workbook held in memory for filling a template: cells are set in any order, keeping the
// style the template gave them; a block of rows is repeated below itself (cells, styles, row
// heights and merged ranges); sheets are copied, renamed and deleted. Every part the layer does
// not change is saved as it was. Copies of a sheet leave out what hangs on the sheet's own
// relations (drawings, comments, tables, hyperlinks), and formulas in copied rows keep only
// their last values. Saving goes through a temporary file and a rename, like Workbook::save.
class Book {
public:
    ~Book();
    Book(const Book&) = delete;
    Book& operator=(const Book&) = delete;

    // A template workbook. Throws qv::Exception when it cannot be read.
    static std::unique_ptr<Book> open(const QString& fileName);
    // A new workbook with one empty sheet "Sheet1".
    static std::unique_ptr<Book> blank();

    int sheetCount() const;
    QString sheetName(int sheet) const;
    // The active sheet (the one shown when the workbook opens).
    int activeSheet() const;
    void setActiveSheet(int sheet);
    // Sheet names: 1 to 31 characters, none of []:*?/\, unique without regard to case.
    void renameSheet(int sheet, const QString& name);
    // Copies a sheet as it stands now and inserts the copy before `before` (sheetCount(): at the
    // end). Returns the copy's index.
    int copySheet(int sheet, const QString& name, int before);
    void deleteSheet(int sheet);

    // Cell values (row and column from 1). A text is always a text, never a formula.
    void setText(int sheet, int row, int column, QStringView text);
    void setNumber(int sheet, int row, int column, double value);
    // Empties a cell; its style stays.
    void clear(int sheet, int row, int column);
    // The rows from `top` (count rows) copied onto the rows from `target`, replacing them in
    // columns 1 to 255: values, styles, row heights and the merged ranges inside the block.
    void copyRows(int sheet, int top, int count, int target);

    // Writes the workbook (temporary file, then rename). Throws qv::Exception; the file at the
    // path is then untouched.
    void save(const QString& fileName);

private:
    struct Impl;
    Book();
    std::unique_ptr<Impl> d;
};

// ---- reading --------------------------------------------------------------------------------

struct CellValue {
    enum Kind { Number, Text, Boolean, Error } kind = Text;
    QString text; // the number's text for numbers, the string for texts
    int style = 0;
};

struct SheetContent {
    QString name;
    // (row, column) from 1.
    std::map<std::pair<int, int>, CellValue> cells;
    std::map<int, double> columnWidths;
    QString value(int row, int column) const;
    QString value(const QString& ref) const;
};

// Every sheet of a workbook with its cell values (shared strings resolved). Throws qv::Exception.
std::vector<SheetContent> ReadWorkbook(const QString& fileName);
// The number format id of each cell style (the index a cell's "s" attribute gives).
std::vector<int> ReadCellStyleFormats(const QString& fileName);
// The raw bytes of one part of a package ("xl/workbook.xml"); empty when absent.
QByteArray ReadPart(const QString& fileName, const QString& partName);
QStringList PartNames(const QString& fileName);

} // namespace qv::xlsx
