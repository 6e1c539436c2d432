#include "controls/export/excel_export.h"

#include "platform/db/dataset.h"
#include "platform/db/result_table.h"
#include "platform/xlsx/xlsx.h"

#include <QFileInfo>
#include <vector>

namespace qv::exporting {

namespace {

constexpr qint64 kProgressStep = 1024;
// The largest integer a cell's number keeps exactly in its 15 significant digits.
constexpr qint64 kExactInteger = 999999999999999LL;

// Day 1899-12-30 (serial 0) and 1900-03-01 (serial 61, the first the calendar agrees with).
const qint64 kSerialZeroDay = db::daysFromCivil(1899, 12, 30);
const qint64 kFirstTrueDay = db::daysFromCivil(1900, 3, 1);

int significantDigits(const QString& decimal)
{
    int n = 0;
    bool leading = true;
    for (QChar c : decimal) {
        if (!c.isDigit())
            continue;
        if (leading && c == QLatin1Char('0'))
            continue;
        leading = false;
        ++n;
    }
    return n;
}

// One value as the sheet takes it.
struct Value {
    enum Kind : quint8 { None, Number, NumberText, Text, Date } kind = None;
    xlsx::DateStyle style = xlsx::DateStyle::Date;
    double number = 0;
    QString text;
};

// Fields whose column (or row) is formatted as text ("@").
bool IsTextField(const db::Field& f)
{
    using db::FieldType;
    switch (f.DataType()) {
    case FieldType::String:
    case FieldType::Word:
    case FieldType::FixedChar:
    case FieldType::WideString:
    case FieldType::FixedWideChar:
        return true;
    default:
        return false;
    }
}

Value valueOf(const db::Field& f)
{
    Value v;
    if (f.IsNull())
        return v;
    using db::FieldType;
    const FieldType t = f.DataType();
    switch (t) {
    case FieldType::Bytes:
    case FieldType::Blob:
        return v;
    case FieldType::Byte:
    case FieldType::Smallint:
    case FieldType::Integer:
    case FieldType::Word:
    case FieldType::Largeint: {
        const qint64 n = f.AsLargeInt();
        v.text = f.AsString();
        v.kind = n >= -kExactInteger && n <= kExactInteger ? Value::NumberText : Value::Text;
        return v;
    }
    case FieldType::Float:
        v.kind = Value::Number;
        v.number = f.Cell().toDouble();
        return v;
    case FieldType::Single:
    case FieldType::Currency:
    case FieldType::BCD:
    case FieldType::FMTBcd:
        v.text = f.AsString();
        v.kind = significantDigits(v.text) <= 15 ? Value::NumberText : Value::Text;
        return v;
    case FieldType::Date:
    case FieldType::Time:
    case FieldType::TimeStamp: {
        const QVariant cell = f.Cell();
        if (cell.typeId() == QMetaType::LongLong) {
            const qint64 ticks = cell.toLongLong();
            if (t == FieldType::Time) {
                v.kind = Value::Date;
                v.style = xlsx::DateStyle::Time;
                v.number = double(ticks) / double(db::kTicksPerDay);
                return v;
            }
            const qint64 day = ticks / db::kTicksPerDay;
            if (day >= kFirstTrueDay) {
                v.kind = Value::Date;
                v.style = t == FieldType::Date ? xlsx::DateStyle::Date : xlsx::DateStyle::DateTime;
                v.number = double(day - kSerialZeroDay) + double(ticks % db::kTicksPerDay) / double(db::kTicksPerDay);
                return v;
            }
        }
        break;
    }
    default:
        break;
    }
    v.kind = Value::Text;
    v.text = f.AsString();
    return v;
}

void put(xlsx::SheetWriter& sheet, int column, const Value& v)
{
    switch (v.kind) {
    case Value::None: break;
    case Value::Number: sheet.addNumber(column, v.number); break;
    case Value::NumberText: sheet.addNumber(column, v.text); break;
    case Value::Text: sheet.addText(column, v.text); break;
    case Value::Date: sheet.addDate(column, v.number, v.style); break;
    }
}

void checkText(const Value& v, int row, int column)
{
    if (v.kind == Value::Text && v.text.size() > xlsx::kMaxCellChars)
        throw xlsx::LimitError(QStringLiteral("%1 の値が Excel のセルに入る文字数 (32,767 文字) を超えているため、出力できません。")
                                   .arg(xlsx::CellRef(row, column)));
}

} // namespace

QString ExcelSizeError(const ExcelOptions& o, bool heading, qint64 records, qint64 fields)
{
    const qint64 r0 = qint64(o.top) + 1, c0 = qint64(o.left) + 1;
    const qint64 across = (heading ? 1 : 0) + records; // lines of headings and records
    qint64 lastRow, lastCol;
    if (o.mode == 1) {
        lastRow = r0 + std::max<qint64>(fields, 1) - 1;
        lastCol = c0 + std::max<qint64>(across, 1) - 1;
    } else {
        lastRow = r0 + std::max<qint64>(across, 1) - 1;
        lastCol = c0 + std::max<qint64>(fields, 1) - 1;
    }
    if (lastCol > xlsx::kMaxColumns)
        return QStringLiteral("Excelの最大列数を超えているため、出力できません。");
    if (lastRow > xlsx::kMaxRows)
        return QStringLiteral("Excelの最大行数を超えているため、出力できません。");
    return {};
}

ExportOutcome ExportExcel(db::DataSet& ds, const QString& fileName, const ExcelOptions& options,
                          const QStringList& headings, const StopCheck& stop, const ProgressFn& progress)
{
    ExportOutcome outcome;
    const QList<db::Field*> fields = VisibleFields(ds);
    const bool heading = !headings.isEmpty();
    const int r0 = options.top + 1, c0 = options.left + 1;

    ds.DisableControls();
    try {
        // Every record is fetched; the count is the open data set's own.
        ds.Last();
        ds.First();
        outcome.total = ds.RecordCount();
        const QString sizeError = ExcelSizeError(options, heading, outcome.total, fields.size());
        if (!sizeError.isEmpty())
            throw xlsx::LimitError(sizeError);
        if (progress)
            progress(0, outcome.total);

        std::unique_ptr<xlsx::Workbook> book = !options.templateFile.isEmpty() && QFileInfo::exists(options.templateFile)
                                                   ? xlsx::Workbook::open(options.templateFile)
                                                   : xlsx::Workbook::create();
        xlsx::SheetWriter& sheet = book->sheet(options.sheet);

        qint64 n = 0;
        if (options.mode == 1) {
            // Records go across: the whole block (at most 16,384 records) is gathered first and
            // written row by row.
            sheet.setColumnWidth(1, 20);
            const int firstRecordCol = c0 + (heading ? 1 : 0);
            std::vector<std::vector<Value>> columns; // one per record
            while (!ds.Eof()) {
                if (stop && stop()) {
                    outcome.stopped = true;
                    break;
                }
                if (progress && n % kProgressStep == 0)
                    progress(n, outcome.total);
                std::vector<Value> rec;
                rec.reserve(size_t(fields.size()));
                for (qsizetype i = 0; i < fields.size(); ++i) {
                    rec.push_back(valueOf(*fields[i]));
                    checkText(rec.back(), r0 + int(i), firstRecordCol + int(n));
                }
                columns.push_back(std::move(rec));
                ds.Next();
                ++n;
            }
            for (qsizetype i = 0; i < fields.size(); ++i) {
                sheet.beginRow(r0 + int(i), IsTextField(*fields[i]));
                if (heading)
                    sheet.addText(c0, headings.value(i));
                for (size_t k = 0; k < columns.size(); ++k)
                    put(sheet, firstRecordCol + int(k), columns[k][size_t(i)]);
                sheet.endRow();
            }
        } else {
            for (qsizetype i = 0; i < fields.size(); ++i) {
                sheet.setColumnWidth(c0 + int(i), std::clamp(fields[i]->DisplayWidth(), 1, 255));
                if (IsTextField(*fields[i]))
                    sheet.setColumnText(c0 + int(i));
            }
            if (heading) {
                sheet.beginRow(r0);
                for (qsizetype i = 0; i < headings.size(); ++i)
                    sheet.addText(c0 + int(i), headings.at(i));
                sheet.endRow();
            }
            const int firstRecordRow = r0 + (heading ? 1 : 0);
            while (!ds.Eof()) {
                if (stop && stop()) {
                    outcome.stopped = true;
                    break;
                }
                if (progress && n % kProgressStep == 0)
                    progress(n, outcome.total);
                const int row = firstRecordRow + int(n);
                sheet.beginRow(row);
                for (qsizetype i = 0; i < fields.size(); ++i) {
                    const Value v = valueOf(*fields[i]);
                    checkText(v, row, c0 + int(i));
                    put(sheet, c0 + int(i), v);
                }
                sheet.endRow();
                ds.Next();
                ++n;
            }
        }
        outcome.records = n;
        book->save(fileName);
        if (progress)
            progress(n, outcome.total);
    } catch (...) {
        ds.EnableControls();
        throw;
    }
    ds.EnableControls();
    return outcome;
}

} // namespace qv::exporting
