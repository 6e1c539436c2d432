#include "tables/excel_report.h"

#include "app/qvdoc.h"
#include "platform/exceptions.h"
#include "platform/xlsx/xlsx.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <map>

namespace qv::report {

namespace {

const QString kXlsDef = QStringLiteral("XLSDEF");

int StrictInt(const QDomElement& e, const QString& name)
{
    bool ok = false;
    const QString text = e.attribute(name);
    const int v = text.trimmed().toInt(&ok);
    if (!ok)
        throw Exception(QStringLiteral("'%1' は有効な整数値ではありません。").arg(text));
    return v;
}

bool IsFile(const QString& path) { return !path.isEmpty() && QFileInfo(path).isFile(); }

// The path with its extension replaced by `ext` (with its dot).
QString WithExt(const QString& path, const QString& ext)
{
    const QFileInfo fi(path);
    const QString dir = path.contains(QLatin1Char('/')) ? fi.path() + QLatin1Char('/') : QString();
    return dir + fi.completeBaseName() + ext;
}

QString ExtOf(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix();
    return suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix;
}

QString TemplateBase(const QString& xlsFile)
{
    const bool hasFolder = xlsFile.contains(QLatin1Char('/')) || xlsFile.contains(QLatin1Char('\\'));
    return hasFolder ? xlsFile : ReportDefinitionDir() + xlsFile;
}

// The height of a body record: the largest ROW of its entries.
int MaxOf(const QList<ReportItem>& items)
{
    int m = 0;
    for (const ReportItem& i : items)
        m = std::max(m, i.row);
    return m;
}

QString ColumnValue(int tag, const ReportColumn& c, int seq, bool table)
{
    switch (tag) {
    case rtSeq: return QString::number(seq);
    case rtComment: return c.comment;
    case rtColumnName: return c.name;
    case rtDataType: return c.type;
    case rtDataLength: return LengthPart(c.length);
    case rtDataScale: return ScalePart(c.length);
    case rtNotNull: return c.notNull ? QStringLiteral("Y") : QString();
    case rtDefaultValue: return c.defaultValue;
    case rtIsPrimaryKey: return table && c.keyPosition > 0 ? QString::number(c.keyPosition) : QString();
    case rtDataMask: return table ? c.mask : QString();
    default: return QString();
    }
}

QString ConstraintValue(int tag, const ReportConstraint& c, int seq)
{
    switch (tag) {
    case rtSeq: return QString::number(seq);
    case rtConstName: return c.name;
    case rtConstValue: return c.value;
    default: return QString();
    }
}

QString HeaderValue(int tag, const DefinitionFacts& f, bool& known)
{
    known = true;
    switch (tag) {
    case rtSchema: return f.schema;
    case rtDatabase: return f.database;
    case rtComment: return f.comment;
    case rtCross: return TreeCellText(f.cross);
    case rtCoverCross: return TreeCellText(f.coverCross);
    default: break;
    }
    if (f.isTable && tag == rtTableName)
        return f.name;
    if (f.isTable && tag == rtTableSpace)
        return f.storage;
    if (!f.isTable && tag == rtViewName)
        return f.name;
    if (!f.isTable && tag == rtDDL)
        return f.ddl;
    known = false;
    return QString();
}

} // namespace

QString ReportDefinitionFile(const QString& repName) { return ReportDefinitionDir() + repName + QStringLiteral(".def"); }

QString ReportExt() { return QStringLiteral(".xlsx"); }

ReportDefinition ReadReportDefinition(const QString& path, NumberRule rule)
{
    const QvDocument doc = QvDocument::load(path);
    ReportDefinition def;
    for (QDomElement x = doc.root().firstChildElement(kXlsDef); !x.isNull(); x = x.nextSiblingElement(kXlsDef)) {
        def = ReportDefinition();
        def.xlsFile = x.attribute(QStringLiteral("XLSFILE"));
        if (rule == NumberRule::Strict) {
            def.bodyTop = StrictInt(x, QStringLiteral("BODYTOP"));
            def.bodyCount = StrictInt(x, QStringLiteral("BODYCOUNT"));
            if (def.bodyCount < 1)
                throw Exception(QStringLiteral("BODYCOUNT には 1 以上の値を指定して下さい。"));
            if (def.bodyTop < 1)
                throw Exception(QStringLiteral("BODYTOP には 1 以上の値を指定して下さい。"));
        } else {
            def.bodyTop = QvDocInt(x, QStringLiteral("BODYTOP"));
            def.bodyCount = QvDocInt(x, QStringLiteral("BODYCOUNT"));
        }
        def.outputType = QvDocInt(x, QStringLiteral("OUTPUTTYPE"));
        def.type = IndexOfReportTag(x.attribute(QStringLiteral("TYPE")), 1);
        for (QDomElement c = x.firstChildElement(); !c.isNull(); c = c.nextSiblingElement()) {
            const ReportItem item{IndexOfReportTag(c.attribute(QStringLiteral("NAME")), 1), QvDocInt(c, QStringLiteral("ROW")),
                                  QvDocInt(c, QStringLiteral("COL"))};
            if (c.tagName() == QLatin1String("HEADER"))
                def.header << item;
            else if (c.tagName() == QLatin1String("BODY"))
                def.body << item;
            else if (c.tagName() == QLatin1String("BODY2"))
                def.body2 << item;
        }
    }
    return def;
}

QString DefinitionTemplatePath(const QString& xlsFile, const QString& outputFile)
{
    const QString path = TemplateBase(xlsFile);
    const QString same = WithExt(path, ExtOf(outputFile));
    return IsFile(same) ? same : path;
}

QString ListTemplatePath(const QString& xlsFile, const QString& outputFile, const QString& excelExt)
{
    const QString path = TemplateBase(xlsFile);
    const QString outExt = ExtOf(outputFile);
    QStringList candidates{WithExt(path, outExt)};
    if (outExt.compare(excelExt, Qt::CaseInsensitive) != 0)
        candidates << WithExt(path, excelExt.toLower());
    candidates << path;
    for (const QString& c : candidates)
        if (IsFile(c))
            return c;
    return QString();
}

QString TreeCellText(const QStringList& lines)
{
    QString text = lines.join(QLatin1Char('\n'));
    text.replace(QLatin1Char('\t'), QChar(0x3000));
    return text;
}

QString LengthPart(const QString& length)
{
    const qsizetype comma = length.indexOf(QLatin1Char(','));
    return comma < 0 ? length : length.left(comma);
}

QString ScalePart(const QString& length)
{
    const qsizetype comma = length.indexOf(QLatin1Char(','));
    return comma < 0 ? QString() : length.mid(comma + 1);
}

void PutReportValue(xlsx::Book& book, int sheet, int row, int col, const QString& value)
{
    static const QRegularExpression whole(QStringLiteral("^-?(0|[1-9][0-9]{0,14})$"));
    if (value.isEmpty())
        book.clear(sheet, row, col);
    else if (whole.match(value).hasMatch())
        book.setNumber(sheet, row, col, value.toDouble());
    else
        book.setText(sheet, row, col, value);
}

void FillDefinitionSheet(const ReportDefinition& def, const DefinitionFacts& facts, xlsx::Book& book, int sheet)
{
    const QList<ReportItem> body2 = facts.isTable ? def.body2 : QList<ReportItem>();
    const int height = std::max({1, MaxOf(def.body), MaxOf(body2)});
    const int bodyCount = std::max(1, def.bodyCount);
    const int bodyTop = std::max(1, def.bodyTop);

    // Records: the columns, then (tables) a blank record in front of each group of constraints
    // and of indexes.
    const int columns = facts.isTable && def.body.isEmpty() ? 0 : int(facts.columns.size());
    int constraints = 0;
    if (!body2.isEmpty()) {
        for (int i = 0; i < facts.constraints.size(); ++i)
            constraints += (i == 0 || facts.constraints[i].kind != facts.constraints[i - 1].kind) ? 2 : 1;
    }
    const int records = columns + constraints;

    // The template's body block repeated below itself as often as the records need.
    const int blocks = (records + bodyCount - 1) / bodyCount;
    for (int b = 1; b < blocks; ++b)
        book.copyRows(sheet, bodyTop, bodyCount * height, bodyTop + b * bodyCount * height);

    for (const ReportItem& h : def.header) {
        bool known = false;
        const QString value = HeaderValue(h.tag, facts, known);
        if (known && h.row >= 1 && h.col >= 1)
            PutReportValue(book, sheet, h.row, h.col, value);
    }

    std::map<std::pair<int, int>, QString> cells; // (record row, column) from 0
    for (const ReportItem& e : def.body) {
        if (e.row < 1 || e.col < 1)
            continue;
        int r = e.row - 1;
        for (int k = 0; k < columns; ++k, r += height)
            cells[{r, e.col - 1}] = ColumnValue(e.tag, facts.columns[k], k + 1, facts.isTable);
    }
    for (const ReportItem& e : body2) {
        if (e.row < 1 || e.col < 1)
            continue;
        int r = e.row - 1 + columns * height + height;
        for (int k = 0; k < facts.constraints.size(); ++k) {
            if (k > 0 && facts.constraints[k].kind != facts.constraints[k - 1].kind)
                r += height;
            cells[{r, e.col - 1}] = ConstraintValue(e.tag, facts.constraints[k], k + 1);
            r += height;
        }
    }
    for (const auto& [at, value] : cells)
        if (!value.isEmpty())
            PutReportValue(book, sheet, bodyTop + at.first, 1 + at.second, value);
}

void WriteDefinitionReport(const ReportDefinition& def, const DefinitionFacts& facts, const QString& fileName)
{
    const QString templ = DefinitionTemplatePath(def.xlsFile, fileName);
    std::unique_ptr<xlsx::Book> book = IsFile(templ) ? xlsx::Book::open(templ) : xlsx::Book::blank();
    FillDefinitionSheet(def, facts, *book, book->activeSheet());
    book->save(fileName);
}

} // namespace qv::report
