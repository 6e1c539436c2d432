#include "platform/xlsx/xlsx.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QXmlStreamReader>
#include <sys/stat.h>
#include <zip.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <cmath>
#include <cstdio>
#include <set>

namespace qv::xlsx {

namespace {

const char kMainNs[] = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const char kRelNs[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
const char kWorksheetType[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet";
const char kSheetContentType[] = "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml";

// Bytes of sheet XML gathered before they are written to the temporary file.
constexpr qsizetype kFlushBytes = qsizetype(1) << 20;
// Our styles follow each other: date, date-time, time, then text.
constexpr int kTextStyleOffset = 3;
constexpr double kDefaultColumnWidth = 8.43;

[[noreturn]] void fail(const QString& text) { throw Exception(text); }

bool isHex(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
           || (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

// True when text[i..] is "_xHHHH_": such a literal text must itself be escaped.
bool escapeLike(QStringView text, qsizetype i)
{
    if (i + 7 > text.size() || text[i] != QLatin1Char('_') || text[i + 1] != QLatin1Char('x') || text[i + 6] != QLatin1Char('_'))
        return false;
    for (int k = 2; k < 6; ++k)
        if (!isHex(text[i + k]))
            return false;
    return true;
}

// XML text (or attribute value) as UTF-8. Characters XML cannot hold are written in the
// format's "_xHHHH_" form; a CR is a character reference, so that it survives line-end
// normalisation; an unpaired surrogate becomes U+FFFD.
void appendXmlText(QByteArray& out, QStringView text, bool attribute, bool cellEscapes)
{
    const qsizetype n = text.size();
    const qsizetype start = out.size();
    out.resize(start + n * 7 + 8); // the longest form of one UTF-16 unit is 7 bytes
    char* p = out.data() + start;
    auto put = [&p](const char* s, int len) {
        std::memcpy(p, s, size_t(len));
        p += len;
    };
    auto hex4 = [&p](unsigned v) {
        static const char digits[] = "0123456789ABCDEF";
        *p++ = '_';
        *p++ = 'x';
        for (int shift = 12; shift >= 0; shift -= 4)
            *p++ = digits[(v >> shift) & 0xF];
        *p++ = '_';
    };
    const char16_t* u = text.utf16();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = u[i];
        if (c < 0x80) {
            if (c >= 0x20 && c != '&' && c != '<' && c != '>' && c != '"' && c != '_') {
                *p++ = char(c);
                continue;
            }
            switch (c) {
            case '&': put("&amp;", 5); continue;
            case '<': put("&lt;", 4); continue;
            case '>': put("&gt;", 4); continue;
            case '"':
                if (attribute)
                    put("&quot;", 6);
                else
                    *p++ = '"';
                continue;
            case '\r': put("&#13;", 5); continue;
            case '\n':
                if (attribute)
                    put("&#10;", 5);
                else
                    *p++ = '\n';
                continue;
            case '\t':
                if (attribute)
                    put("&#9;", 4);
                else
                    *p++ = '\t';
                continue;
            case '_':
                if (cellEscapes && escapeLike(text, i))
                    put("_x005F_", 7);
                else
                    *p++ = '_';
                continue;
            default:
                if (cellEscapes)
                    hex4(c);
                else
                    put("\xEF\xBF\xBD", 3);
                continue;
            }
        } else if (c < 0x800) {
            *p++ = char(0xC0 | (c >> 6));
            *p++ = char(0x80 | (c & 0x3F));
        } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && u[i + 1] >= 0xDC00 && u[i + 1] <= 0xDFFF) {
            const char32_t cp = 0x10000 + ((char32_t(c) - 0xD800) << 10) + (u[i + 1] - 0xDC00);
            ++i;
            *p++ = char(0xF0 | (cp >> 18));
            *p++ = char(0x80 | ((cp >> 12) & 0x3F));
            *p++ = char(0x80 | ((cp >> 6) & 0x3F));
            *p++ = char(0x80 | (cp & 0x3F));
        } else {
            char16_t v = c;
            if (c >= 0xD800 && c <= 0xDFFF)
                v = 0xFFFD;
            if (v == 0xFFFE || v == 0xFFFF) {
                if (cellEscapes)
                    hex4(v);
                else
                    put("\xEF\xBF\xBD", 3);
                continue;
            }
            *p++ = char(0xE0 | (v >> 12));
            *p++ = char(0x80 | ((v >> 6) & 0x3F));
            *p++ = char(0x80 | (v & 0x3F));
        }
    }
    out.resize(p - out.constData());
}

// The "_xHHHH_" escapes of a cell text undone.
QString decodeCellEscapes(const QString& s)
{
    if (!s.contains(QLatin1String("_x")))
        return s;
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (escapeLike(s, i)) {
            out += QChar(char16_t(s.mid(i + 2, 4).toUShort(nullptr, 16)));
            i += 6;
        } else {
            out += s[i];
        }
    }
    return out;
}

QByteArray attr(const char* name, QStringView value)
{
    QByteArray out(" ");
    out += name;
    out += "=\"";
    appendXmlText(out, value, true, false);
    out += '"';
    return out;
}

void appendInt(QByteArray& out, long long v)
{
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr - buf);
}

void appendDouble(QByteArray& out, double v)
{
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v); // shortest form that reads back exactly
    out.append(buf, r.ptr - buf);
}

void appendColumnName(QByteArray& out, int column)
{
    char buf[4];
    int n = 0;
    while (column > 0) {
        const int rem = (column - 1) % 26;
        buf[n++] = char('A' + rem);
        column = (column - 1) / 26;
    }
    while (n > 0)
        out += buf[--n];
}

// ---- zip packages -----------------------------------------------------------------------------

class ZipReader {
public:
    explicit ZipReader(const QString& fileName)
    {
        int error = 0;
        m_zip = zip_open(QFile::encodeName(fileName).constData(), ZIP_RDONLY, &error);
        if (!m_zip)
            fail(QStringLiteral("%1 を開けません。Excelブック (.xlsx) ではないか、壊れています。").arg(fileName));
    }
    ~ZipReader()
    {
        if (m_zip)
            zip_discard(m_zip);
    }
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    QStringList names() const
    {
        QStringList out;
        const zip_int64_t n = zip_get_num_entries(m_zip, 0);
        for (zip_int64_t i = 0; i < n; ++i)
            if (const char* name = zip_get_name(m_zip, zip_uint64_t(i), 0))
                out.append(QString::fromUtf8(name));
        return out;
    }
    bool has(const QString& name) const { return zip_name_locate(m_zip, name.toUtf8().constData(), 0) >= 0; }
    QByteArray read(const QString& name) const
    {
        const QByteArray n = name.toUtf8();
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat(m_zip, n.constData(), 0, &st) != 0)
            return {};
        zip_file_t* f = zip_fopen(m_zip, n.constData(), 0);
        if (!f)
            return {};
        QByteArray out;
        out.resize(qsizetype(st.size));
        const zip_int64_t got = zip_fread(f, out.data(), st.size);
        zip_fclose(f);
        if (got < 0 || zip_uint64_t(got) != st.size)
            fail(QStringLiteral("%1 を読み込めません。").arg(name));
        return out;
    }

private:
    zip_t* m_zip = nullptr;
};

// The part a relationship target names, relative to the folder of the part that holds it.
QString resolvePart(const QString& fromPart, const QString& target)
{
    if (target.startsWith(QLatin1Char('/')))
        return target.mid(1);
    const qsizetype slash = fromPart.lastIndexOf(QLatin1Char('/'));
    const QString base = slash < 0 ? QString() : fromPart.left(slash + 1);
    return QDir::cleanPath(base + target);
}

QString relsPartOf(const QString& part)
{
    const qsizetype slash = part.lastIndexOf(QLatin1Char('/'));
    return part.left(slash + 1) + QStringLiteral("_rels/") + part.mid(slash + 1) + QStringLiteral(".rels");
}

struct Relationship {
    QString id, type, target;
};

std::vector<Relationship> readRelationships(const QByteArray& xml)
{
    std::vector<Relationship> out;
    QXmlStreamReader r(xml);
    while (!r.atEnd()) {
        r.readNext();
        if (r.isStartElement() && r.name() == QLatin1String("Relationship")) {
            const auto a = r.attributes();
            out.push_back({a.value(QLatin1String("Id")).toString(), a.value(QLatin1String("Type")).toString(),
                           a.value(QLatin1String("Target")).toString()});
        }
    }
    return out;
}

// The workbook part of a package.
QString workbookPart(const ZipReader& zip)
{
    for (const Relationship& rel : readRelationships(zip.read(QStringLiteral("_rels/.rels"))))
        if (rel.type.endsWith(QLatin1String("/officeDocument")))
            return resolvePart(QString(), rel.target);
    return QStringLiteral("xl/workbook.xml");
}

struct SheetEntry {
    QString name;
    QString part;
    int sheetId = 0;
};

std::vector<SheetEntry> readSheets(const ZipReader& zip, const QString& wbPart, int* activeTab)
{
    std::map<QString, QString> targets;
    for (const Relationship& rel : readRelationships(zip.read(relsPartOf(wbPart))))
        targets[rel.id] = resolvePart(wbPart, rel.target);
    std::vector<SheetEntry> out;
    if (activeTab)
        *activeTab = 0;
    QXmlStreamReader r(zip.read(wbPart));
    while (!r.atEnd()) {
        r.readNext();
        if (!r.isStartElement())
            continue;
        const auto a = r.attributes();
        if (r.name() == QLatin1String("sheet")) {
            SheetEntry e;
            e.name = a.value(QLatin1String("name")).toString();
            e.sheetId = a.value(QLatin1String("sheetId")).toInt();
            e.part = targets[a.value(QLatin1String(kRelNs), QLatin1String("id")).toString()];
            out.push_back(e);
        } else if (r.name() == QLatin1String("workbookView") && activeTab) {
            *activeTab = a.value(QLatin1String("activeTab")).toInt();
        }
    }
    if (r.hasError())
        fail(QStringLiteral("ブックの定義を読み込めません: %1").arg(r.errorString()));
    return out;
}

// Copies one token of the reader as XML text (the open tag is closed by the next token, so
// empty elements stay short).
class TokenCopier {
public:
    explicit TokenCopier(QByteArray& out) : m_out(&out) {}
    void setOutput(QByteArray& out)
    {
        closeOpen();
        m_out = &out;
    }
    void copy(const QXmlStreamReader& r)
    {
        switch (r.tokenType()) {
        case QXmlStreamReader::StartElement: {
            closeOpen();
            *m_out += '<';
            *m_out += r.qualifiedName().toUtf8();
            for (const QXmlStreamNamespaceDeclaration& ns : r.namespaceDeclarations()) {
                *m_out += ns.prefix().isEmpty() ? QByteArray(" xmlns") : " xmlns:" + ns.prefix().toUtf8();
                *m_out += "=\"";
                appendXmlText(*m_out, ns.namespaceUri(), true, false);
                *m_out += '"';
            }
            for (const QXmlStreamAttribute& a : r.attributes()) {
                *m_out += ' ';
                *m_out += a.qualifiedName().toUtf8();
                *m_out += "=\"";
                appendXmlText(*m_out, a.value(), true, false);
                *m_out += '"';
            }
            m_open = true;
            break;
        }
        case QXmlStreamReader::EndElement:
            if (m_open) {
                *m_out += "/>";
                m_open = false;
            } else {
                *m_out += "</" + r.qualifiedName().toUtf8() + '>';
            }
            break;
        case QXmlStreamReader::Characters:
            closeOpen();
            appendXmlText(*m_out, r.text(), false, false);
            break;
        case QXmlStreamReader::Comment:
            closeOpen();
            *m_out += "<!--" + r.text().toUtf8() + "-->";
            break;
        case QXmlStreamReader::ProcessingInstruction:
            closeOpen();
            *m_out += "<?" + r.processingInstructionTarget().toUtf8() + ' ' + r.processingInstructionData().toUtf8() + "?>";
            break;
        default:
            break;
        }
    }
    void closeOpen()
    {
        if (m_open) {
            *m_out += '>';
            m_open = false;
        }
    }

private:
    QByteArray* m_out;
    bool m_open = false;
};

const QByteArray kXmlDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";

struct ColRange {
    int min = 0, max = 0;
    QXmlStreamAttributes attrs; // except min and max
};

// A sheet of a template split for filling: the XML before the column widths, between them and
// the rows, after the rows, and the rows themselves.
struct TemplateSheet {
    QByteArray beforeCols, afterCols, tail;
    std::vector<ColRange> cols;
    struct Row {
        QByteArray attrs; // the row's attributes except r and spans
        std::map<int, QByteArray> cells;
    };
    std::map<int, Row> rows;
};

TemplateSheet splitTemplateSheet(const QByteArray& xml)
{
    TemplateSheet t;
    t.beforeCols = kXmlDecl;
    QXmlStreamReader r(xml);
    TokenCopier copier(t.beforeCols);
    bool colsSeen = false;
    int lastRow = 0;
    while (!r.atEnd()) {
        r.readNext();
        if (r.tokenType() == QXmlStreamReader::StartDocument || r.tokenType() == QXmlStreamReader::DTD)
            continue;
        if (r.isStartElement() && r.name() == QLatin1String("dimension")) {
            r.skipCurrentElement(); // the used range changes; the element is optional
            continue;
        }
        if (r.isStartElement() && r.name() == QLatin1String("cols")) {
            colsSeen = true;
            while (r.readNextStartElement()) {
                if (r.name() == QLatin1String("col")) {
                    ColRange c;
                    for (const QXmlStreamAttribute& a : r.attributes()) {
                        if (a.name() == QLatin1String("min"))
                            c.min = a.value().toInt();
                        else if (a.name() == QLatin1String("max"))
                            c.max = a.value().toInt();
                        else
                            c.attrs.append(a);
                    }
                    if (c.min > 0 && c.max >= c.min)
                        t.cols.push_back(c);
                }
                r.skipCurrentElement();
            }
            copier.setOutput(t.afterCols);
            continue;
        }
        if (r.isStartElement() && r.name() == QLatin1String("sheetData")) {
            if (!colsSeen)
                copier.setOutput(t.afterCols);
            copier.copy(r);
            copier.closeOpen();
            while (r.readNextStartElement()) {
                if (r.name() != QLatin1String("row")) {
                    r.skipCurrentElement();
                    continue;
                }
                TemplateSheet::Row row;
                int rowNo = r.attributes().value(QLatin1String("r")).toInt();
                if (rowNo <= 0)
                    rowNo = lastRow + 1;
                lastRow = rowNo;
                for (const QXmlStreamAttribute& a : r.attributes()) {
                    if (a.qualifiedName() == QLatin1String("r") || a.qualifiedName() == QLatin1String("spans"))
                        continue;
                    row.attrs += ' ' + a.qualifiedName().toUtf8() + "=\"";
                    appendXmlText(row.attrs, a.value(), true, false);
                    row.attrs += '"';
                }
                int lastCol = 0;
                while (r.readNextStartElement()) {
                    if (r.name() != QLatin1String("c")) {
                        r.skipCurrentElement();
                        continue;
                    }
                    int cr = 0, cc = 0;
                    if (!ParseCellRef(r.attributes().value(QLatin1String("r")), cr, cc))
                        cc = lastCol + 1;
                    lastCol = cc;
                    QByteArray cell;
                    TokenCopier cellCopier(cell);
                    // The reference is written again, so a cell without one gets it.
                    cell += "<c r=\"" + CellRef(rowNo, cc).toLatin1() + '"';
                    for (const QXmlStreamAttribute& a : r.attributes()) {
                        if (a.qualifiedName() == QLatin1String("r"))
                            continue;
                        cell += ' ' + a.qualifiedName().toUtf8() + "=\"";
                        appendXmlText(cell, a.value(), true, false);
                        cell += '"';
                    }
                    cell += '>';
                    int depth = 1;
                    while (depth > 0 && !r.atEnd()) {
                        r.readNext();
                        if (r.isStartElement())
                            ++depth;
                        else if (r.isEndElement() && --depth == 0)
                            break;
                        cellCopier.copy(r);
                    }
                    cellCopier.closeOpen();
                    cell += "</c>";
                    row.cells[cc] = cell;
                }
                t.rows[rowNo] = std::move(row);
            }
            // r is at </sheetData>
            copier.setOutput(t.tail);
            copier.copy(r);
            continue;
        }
        copier.copy(r);
    }
    copier.closeOpen();
    if (r.hasError())
        fail(QStringLiteral("シートを読み込めません: %1").arg(r.errorString()));
    return t;
}

// The first match of an element's start or end tag, with any prefix.
QRegularExpressionMatch findTag(const QString& text, const QString& pattern)
{
    return QRegularExpression(pattern).match(text);
}

} // namespace

QString ColumnName(int column)
{
    QByteArray out;
    appendColumnName(out, column);
    return QString::fromLatin1(out);
}

QString CellRef(int row, int column) { return ColumnName(column) + QString::number(row); }

bool ParseCellRef(QStringView ref, int& row, int& column)
{
    qsizetype i = 0;
    long long c = 0;
    while (i < ref.size() && ref[i].isLetter() && ref[i].unicode() < 0x80) {
        c = c * 26 + (ref[i].toUpper().unicode() - 'A' + 1);
        if (c > kMaxColumns)
            return false;
        ++i;
    }
    if (i == 0 || i == ref.size())
        return false;
    bool ok = false;
    const int r = ref.mid(i).toInt(&ok);
    if (!ok || r < 1 || r > kMaxRows || !ref[i].isDigit())
        return false;
    row = r;
    column = int(c);
    return true;
}

// ---- SheetWriter ----------------------------------------------------------------------------------

struct SheetWriter::Impl {
    QString name;
    QString part;             // the part name in the package
    std::unique_ptr<QTemporaryFile> file;
    std::unique_ptr<TemplateSheet> tmpl; // null for a new sheet
    std::map<int, double> widths;
    std::set<int> textColumns; // columns formatted as text ("@")
    int styleBase = 1;        // the first of our styles: date, date-time, time, text
    bool textRow = false;     // the open row is formatted as text
    bool headWritten = false;
    bool finished = false;
    QByteArray buf;
    int row = 0;              // the open row (0: none)
    int lastRow = 0;
    int lastCol = 0;
    bool merging = false;     // the open row has template cells
    std::vector<std::pair<int, QByteArray>> rowCells;

    void flush(bool force)
    {
        if (buf.size() < kFlushBytes && !force)
            return;
        if (!buf.isEmpty() && file->write(buf) != buf.size())
            fail(QStringLiteral("一時ファイルに書き込めません: %1").arg(file->errorString()));
        if (buf.capacity() < kFlushBytes + 65536)
            buf.reserve(kFlushBytes + 65536);
        buf.resize(0); // emptied, not freed
    }

    QByteArray colsXml() const
    {
        // The template's ranges with our columns cut out of them, plus our columns.
        std::map<int, QByteArray> out;
        const int textStyle = styleBase + kTextStyleOffset;
        auto rangeXml = [textStyle](int min, int max, const QXmlStreamAttributes& attrs, const double* width,
                                    bool text) {
            QByteArray x = "<col min=\"";
            appendInt(x, min);
            x += "\" max=\"";
            appendInt(x, max);
            x += '"';
            for (const QXmlStreamAttribute& a : attrs) {
                if (width && (a.name() == QLatin1String("width") || a.name() == QLatin1String("customWidth")))
                    continue;
                if (text && a.name() == QLatin1String("style"))
                    continue;
                x += ' ' + a.qualifiedName().toUtf8() + "=\"";
                appendXmlText(x, a.value(), true, false);
                x += '"';
            }
            if (width) {
                x += " width=\"";
                appendDouble(x, *width);
                x += "\" customWidth=\"1\"";
            }
            if (text) {
                x += " style=\"";
                appendInt(x, textStyle);
                x += '"';
            }
            x += "/>";
            return x;
        };
        std::map<int, const QXmlStreamAttributes*> covering;
        if (tmpl) {
            for (const ColRange& c : tmpl->cols) {
                int start = c.min;
                for (auto it = widths.lower_bound(c.min); it != widths.end() && it->first <= c.max; ++it) {
                    covering[it->first] = &c.attrs;
                    if (it->first > start)
                        out[start] = rangeXml(start, it->first - 1, c.attrs, nullptr, false);
                    start = it->first + 1;
                }
                if (start <= c.max)
                    out[start] = rangeXml(start, c.max, c.attrs, nullptr, false);
            }
        }
        for (const auto& [c, w] : widths) {
            const auto it = covering.find(c);
            out[c] = rangeXml(c, c, it == covering.end() ? QXmlStreamAttributes() : *it->second, &w,
                              textColumns.count(c) > 0);
        }
        if (out.empty())
            return {};
        QByteArray x = "<cols>";
        for (const auto& [c, xml] : out)
            x += xml;
        x += "</cols>";
        return x;
    }

    void writeHead()
    {
        if (headWritten)
            return;
        headWritten = true;
        if (tmpl) {
            buf += tmpl->beforeCols;
            buf += colsXml();
            buf += tmpl->afterCols;
        } else {
            buf += kXmlDecl;
            buf += "<worksheet xmlns=\"";
            buf += kMainNs;
            buf += "\" xmlns:r=\"";
            buf += kRelNs;
            buf += "\">";
            buf += colsXml();
            buf += "<sheetData>";
        }
    }

    void writeTemplateRow(int r, const TemplateSheet::Row& t)
    {
        buf += "<row r=\"";
        appendInt(buf, r);
        buf += '"';
        buf += t.attrs;
        buf += '>';
        for (const auto& [c, xml] : t.cells)
            buf += xml;
        buf += "</row>";
    }

    // Template rows above `r` go out unchanged.
    void flushTemplateRowsBefore(int r)
    {
        if (!tmpl)
            return;
        while (!tmpl->rows.empty() && tmpl->rows.begin()->first < r) {
            writeTemplateRow(tmpl->rows.begin()->first, tmpl->rows.begin()->second);
            tmpl->rows.erase(tmpl->rows.begin());
        }
    }

    void cellStart(int column, QByteArray& out)
    {
        if (row == 0)
            fail(QStringLiteral("セルの書き込みが行の外で行われました。"));
        if (column < 1 || column > kMaxColumns)
            throw LimitError(QStringLiteral("Excelの最大列数を超えているため、出力できません。"));
        if (column <= lastCol)
            fail(QStringLiteral("セルが列の順に書き込まれていません。"));
        // A cell right after the previous one needs no reference (it saves a sixth of a
        // sheet's bytes); after a gap, and in rows merged with a template's, it has one.
        const bool follows = column == lastCol + 1 && !merging;
        lastCol = column;
        if (follows) {
            out += "<c";
            return;
        }
        out += "<c r=\"";
        appendColumnName(out, column);
        appendInt(out, row);
        out += '"';
    }

    QByteArray& target()
    {
        if (!merging)
            return buf;
        rowCells.emplace_back(0, QByteArray());
        return rowCells.back().second;
    }
    void place(int column)
    {
        if (merging)
            rowCells.back().first = column;
    }

    void finish()
    {
        if (finished)
            return;
        if (row != 0)
            fail(QStringLiteral("行が閉じられていません。"));
        writeHead();
        flushTemplateRowsBefore(kMaxRows + 1);
        if (tmpl)
            buf += tmpl->tail;
        else
            buf += "</sheetData></worksheet>";
        flush(true);
        if (!file->flush())
            fail(QStringLiteral("一時ファイルに書き込めません: %1").arg(file->errorString()));
        finished = true;
    }
};

SheetWriter::SheetWriter(std::unique_ptr<Impl> impl) : d(std::move(impl)) {}
SheetWriter::~SheetWriter() = default;

QString SheetWriter::name() const { return d->name; }

void SheetWriter::setColumnWidth(int column, double width)
{
    if (column < 1 || column > kMaxColumns)
        throw LimitError(QStringLiteral("Excelの最大列数を超えているため、出力できません。"));
    if (d->headWritten)
        fail(QStringLiteral("列幅は最初の行より前に設定して下さい。"));
    d->widths[column] = std::clamp(width, 1.0, 255.0);
}

void SheetWriter::setColumnText(int column)
{
    if (column < 1 || column > kMaxColumns)
        throw LimitError(QStringLiteral("Excelの最大列数を超えているため、出力できません。"));
    if (d->headWritten)
        fail(QStringLiteral("列の書式は最初の行より前に設定して下さい。"));
    d->textColumns.insert(column);
    if (!d->widths.count(column))
        d->widths[column] = kDefaultColumnWidth;
}

void SheetWriter::beginRow(int row, bool text)
{
    if (d->finished)
        fail(QStringLiteral("シートはすでに書き終わっています。"));
    if (row < 1 || row > kMaxRows)
        throw LimitError(QStringLiteral("Excelの最大行数を超えているため、出力できません。"));
    if (row <= d->lastRow || d->row != 0)
        fail(QStringLiteral("行が順に書き込まれていません。"));
    d->writeHead();
    d->flushTemplateRowsBefore(row);
    d->row = row;
    d->lastCol = 0;
    d->merging = d->tmpl && d->tmpl->rows.count(row);
    d->rowCells.clear();
    d->textRow = text;
    if (!d->merging) {
        d->buf += "<row r=\"";
        appendInt(d->buf, row);
        if (text) {
            d->buf += "\" s=\"";
            appendInt(d->buf, d->styleBase + kTextStyleOffset);
            d->buf += "\" customFormat=\"1";
        }
        d->buf += "\">";
    }
}

void SheetWriter::addNumber(int column, QStringView numberText)
{
    QByteArray& out = d->target();
    d->cellStart(column, out);
    d->place(column);
    out += "><v>";
    appendXmlText(out, numberText, false, false);
    out += "</v></c>";
}

void SheetWriter::addNumber(int column, double value)
{
    if (!std::isfinite(value)) {
        addText(column, QString::number(value));
        return;
    }
    QByteArray& out = d->target();
    d->cellStart(column, out);
    d->place(column);
    out += "><v>";
    appendDouble(out, value);
    out += "</v></c>";
}

void SheetWriter::addText(int column, QStringView text)
{
    if (text.size() > kMaxCellChars)
        throw LimitError(QStringLiteral("%1 の値が Excel のセルに入る文字数 (32,767 文字) を超えているため、出力できません。")
                             .arg(CellRef(d->row ? d->row : 1, std::clamp(column, 1, kMaxColumns))));
    QByteArray& out = d->target();
    d->cellStart(column, out);
    d->place(column);
    if (d->textRow || d->textColumns.count(column)) {
        out += " s=\"";
        appendInt(out, d->styleBase + kTextStyleOffset);
        out += '"';
    }
    const bool preserve = !text.isEmpty() && (text.front().isSpace() || text.back().isSpace());
    out += preserve ? " t=\"inlineStr\"><is><t xml:space=\"preserve\">" : " t=\"inlineStr\"><is><t>";
    appendXmlText(out, text, false, true);
    out += "</t></is></c>";
}

void SheetWriter::addDate(int column, double serial, DateStyle style)
{
    QByteArray& out = d->target();
    d->cellStart(column, out);
    d->place(column);
    out += " s=\"";
    appendInt(out, d->styleBase + int(style));
    out += "\"><v>";
    appendDouble(out, serial);
    out += "</v></c>";
}

void SheetWriter::endRow()
{
    if (d->row == 0)
        return;
    if (d->merging) {
        TemplateSheet::Row t = std::move(d->tmpl->rows[d->row]);
        d->tmpl->rows.erase(d->row);
        for (auto& [c, xml] : d->rowCells)
            t.cells[c] = std::move(xml); // our value replaces the template's cell
        d->writeTemplateRow(d->row, t);
        d->rowCells.clear();
        d->merging = false;
    } else {
        d->buf += "</row>";
    }
    d->lastRow = d->row;
    d->row = 0;
    d->flush(false);
}

// ---- Workbook -----------------------------------------------------------------------------------

struct Workbook::Impl {
    std::unique_ptr<ZipReader> zip; // the template; null for a new workbook
    QString templateName;
    QString wbPart = QStringLiteral("xl/workbook.xml");
    std::vector<SheetEntry> sheets;
    int activeTab = 0;
    std::vector<std::unique_ptr<SheetWriter>> writers;
    std::map<QString, QByteArray> replaced; // parts rewritten in a template
    int styleBase = 1;
    bool stylesDone = false;

    SheetWriter* current() const { return writers.empty() ? nullptr : writers.back().get(); }
};

Workbook::Workbook() : d(std::make_unique<Impl>()) {}
Workbook::~Workbook() = default;

std::unique_ptr<Workbook> Workbook::create() { return std::unique_ptr<Workbook>(new Workbook()); }

std::unique_ptr<Workbook> Workbook::open(const QString& fileName)
{
    std::unique_ptr<Workbook> wb(new Workbook());
    wb->d->zip = std::make_unique<ZipReader>(fileName);
    wb->d->templateName = fileName;
    wb->d->wbPart = workbookPart(*wb->d->zip);
    wb->d->sheets = readSheets(*wb->d->zip, wb->d->wbPart, &wb->d->activeTab);
    if (wb->d->sheets.empty())
        fail(QStringLiteral("%1 にシートがありません。").arg(fileName));
    return wb;
}

QStringList Workbook::sheetNames() const
{
    QStringList out;
    for (const SheetEntry& s : d->sheets)
        out.append(s.name);
    return out;
}

SheetWriter& Workbook::sheet(const QString& requested)
{
    if (SheetWriter* w = d->current())
        w->d->finish();
    if (requested.size() > kMaxSheetNameChars)
        fail(QStringLiteral("シート名は %1 文字以内で指定して下さい。").arg(kMaxSheetNameChars));

    auto impl = std::make_unique<SheetWriter::Impl>();
    const SheetEntry* existing = nullptr;
    if (d->zip) {
        if (requested.isEmpty()) {
            existing = &d->sheets[size_t(std::clamp(d->activeTab, 0, int(d->sheets.size()) - 1))];
        } else {
            for (const SheetEntry& s : d->sheets)
                if (s.name.compare(requested, Qt::CaseInsensitive) == 0)
                    existing = &s;
        }
        if (!d->stylesDone) {
            // Our date, date-time, time and text styles go after the template's cell styles.
            const QString stylesPart = resolvePart(d->wbPart, QStringLiteral("styles.xml"));
            QString styles = QString::fromUtf8(d->zip->read(stylesPart));
            const QRegularExpressionMatch open = findTag(styles, QStringLiteral("<(\\w+:)?cellXfs\\b[^>]*>"));
            const QRegularExpressionMatch close = findTag(styles, QStringLiteral("</(\\w+:)?cellXfs>"));
            if (!open.hasMatch() || !close.hasMatch())
                fail(QStringLiteral("%1 のスタイル定義を読み込めません。").arg(d->templateName));
            const QString body = styles.mid(open.capturedEnd(), close.capturedStart() - open.capturedEnd());
            const QString prefix = open.captured(1);
            const int count = int(body.count(QRegularExpression(QStringLiteral("<") + QRegularExpression::escape(prefix)
                                                                + QStringLiteral("xf\\b"))));
            d->styleBase = count;
            QString ours;
            for (const char* fmt : {"14", "22", "21", "49"})
                ours += QStringLiteral("<%1xf numFmtId=\"%2\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\"/>")
                            .arg(prefix, QLatin1String(fmt));
            QString openTag = open.captured(0);
            openTag.replace(QRegularExpression(QStringLiteral("\\scount=\"\\d*\"")), QString());
            openTag.insert(openTag.size() - 1, QStringLiteral(" count=\"%1\"").arg(count + 4));
            styles = styles.left(open.capturedStart()) + openTag + body + ours + styles.mid(close.capturedStart());
            d->replaced[stylesPart] = styles.toUtf8();
            d->stylesDone = true;
        }
    } else {
        const QString name = requested.isEmpty() ? QStringLiteral("Sheet1") : requested;
        for (const SheetEntry& s : d->sheets)
            if (s.name.compare(name, Qt::CaseInsensitive) == 0)
                fail(QStringLiteral("シート %1 はすでに書き込まれています。").arg(name));
    }
    impl->styleBase = d->styleBase;

    if (existing) {
        for (const auto& w : d->writers)
            if (w->d->part == existing->part)
                fail(QStringLiteral("シート %1 はすでに書き込まれています。").arg(existing->name));
        const QByteArray xml = d->zip->read(existing->part);
        if (xml.isEmpty())
            fail(QStringLiteral("%1 のシート %2 を読み込めません。").arg(d->templateName, existing->name));
        impl->tmpl = std::make_unique<TemplateSheet>(splitTemplateSheet(xml));
        impl->name = existing->name;
        impl->part = existing->part;
    } else {
        // A new sheet.
        QString name = requested.isEmpty() ? QStringLiteral("Sheet1") : requested;
        int n = 1;
        std::set<QString> parts;
        if (d->zip)
            for (const QString& p : d->zip->names())
                parts.insert(p);
        for (const SheetEntry& s : d->sheets)
            parts.insert(s.part);
        while (parts.count(QStringLiteral("xl/worksheets/sheet%1.xml").arg(n)))
            ++n;
        int maxId = 0;
        for (const SheetEntry& s : d->sheets)
            maxId = std::max(maxId, s.sheetId);
        SheetEntry e{name, QStringLiteral("xl/worksheets/sheet%1.xml").arg(n), maxId + 1};
        d->sheets.push_back(e);
        impl->name = name;
        impl->part = e.part;
        if (d->zip) {
            // The workbook, its relations and the content types learn of the new sheet.
            const QString relId = QStringLiteral("rIdQv%1").arg(e.sheetId);
            QString wb = QString::fromUtf8(d->replaced.count(d->wbPart) ? d->replaced[d->wbPart] : d->zip->read(d->wbPart));
            const QRegularExpressionMatch sheetsEnd = findTag(wb, QStringLiteral("</(\\w+:)?sheets>"));
            if (!sheetsEnd.hasMatch())
                fail(QStringLiteral("%1 のブック定義を読み込めません。").arg(d->templateName));
            QByteArray entry = "<" + sheetsEnd.captured(1).toUtf8() + "sheet xmlns:qvr=\"" + kRelNs + '"'
                               + attr("name", name) + " sheetId=\"" + QByteArray::number(e.sheetId) + "\" qvr:id=\""
                               + relId.toUtf8() + "\"/>";
            wb.insert(sheetsEnd.capturedStart(), QString::fromUtf8(entry));
            d->replaced[d->wbPart] = wb.toUtf8();

            const QString relsPart = relsPartOf(d->wbPart);
            QString rels = QString::fromUtf8(d->replaced.count(relsPart) ? d->replaced[relsPart] : d->zip->read(relsPart));
            const qsizetype relsEnd = rels.lastIndexOf(QLatin1String("</Relationships>"));
            if (relsEnd < 0)
                fail(QStringLiteral("%1 のブック定義を読み込めません。").arg(d->templateName));
            const QString wbDir = d->wbPart.left(d->wbPart.lastIndexOf(QLatin1Char('/')) + 1);
            const QString target = e.part.startsWith(wbDir) ? e.part.mid(wbDir.size()) : QLatin1Char('/') + e.part;
            rels.insert(relsEnd, QStringLiteral("<Relationship Id=\"%1\" Type=\"%2\" Target=\"%3\"/>")
                                     .arg(relId, QLatin1String(kWorksheetType), target));
            d->replaced[relsPart] = rels.toUtf8();

            const QString ctPart = QStringLiteral("[Content_Types].xml");
            QString ct = QString::fromUtf8(d->replaced.count(ctPart) ? d->replaced[ctPart] : d->zip->read(ctPart));
            const qsizetype typesEnd = ct.lastIndexOf(QLatin1String("</Types>"));
            if (typesEnd < 0)
                fail(QStringLiteral("%1 のブック定義を読み込めません。").arg(d->templateName));
            ct.insert(typesEnd, QStringLiteral("<Override PartName=\"/%1\" ContentType=\"%2\"/>")
                                    .arg(e.part, QLatin1String(kSheetContentType)));
            d->replaced[ctPart] = ct.toUtf8();
        }
    }

    impl->file = std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/qorvel-sheet-XXXXXX.xml"));
    if (!impl->file->open())
        fail(QStringLiteral("一時ファイルを作成できません: %1").arg(impl->file->errorString()));
    d->writers.push_back(std::unique_ptr<SheetWriter>(new SheetWriter(std::move(impl))));
    return *d->writers.back();
}

namespace {

QByteArray newContentTypes(const std::vector<SheetEntry>& sheets)
{
    QByteArray x = kXmlDecl;
    x += "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
         "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
         "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
         "<Override PartName=\"/xl/workbook.xml\" "
         "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
         "<Override PartName=\"/xl/styles.xml\" "
         "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>";
    for (const SheetEntry& s : sheets)
        x += "<Override PartName=\"/" + s.part.toUtf8() + "\" ContentType=\"" + kSheetContentType + "\"/>";
    x += "</Types>";
    return x;
}

QByteArray newWorkbook(const std::vector<SheetEntry>& sheets)
{
    QByteArray x = kXmlDecl;
    x += "<workbook xmlns=\"";
    x += kMainNs;
    x += "\" xmlns:r=\"";
    x += kRelNs;
    x += "\"><bookViews><workbookView activeTab=\"0\"/></bookViews><sheets>";
    for (size_t i = 0; i < sheets.size(); ++i)
        x += "<sheet" + attr("name", sheets[i].name) + " sheetId=\"" + QByteArray::number(sheets[i].sheetId)
             + "\" r:id=\"rId" + QByteArray::number(qulonglong(i + 1)) + "\"/>";
    x += "</sheets></workbook>";
    return x;
}

QByteArray newWorkbookRels(const std::vector<SheetEntry>& sheets)
{
    QByteArray x = kXmlDecl;
    x += "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    for (size_t i = 0; i < sheets.size(); ++i)
        x += "<Relationship Id=\"rId" + QByteArray::number(qulonglong(i + 1)) + "\" Type=\"" + kWorksheetType
             + "\" Target=\"" + sheets[i].part.mid(3).toUtf8() + "\"/>";
    x += "<Relationship Id=\"rId" + QByteArray::number(qulonglong(sheets.size() + 1))
         + "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
           "Target=\"styles.xml\"/></Relationships>";
    return x;
}

const QByteArray kRootRels = kXmlDecl
                             + "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                               "<Relationship Id=\"rId1\" "
                               "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
                               "Target=\"xl/workbook.xml\"/></Relationships>";

// Cell styles: 0 general, then date, date-time, time and text ("@").
const QByteArray kStyles = kXmlDecl
                           + "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                             "<fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Calibri\"/><family val=\"2\"/></font></fonts>"
                             "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
                             "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
                             "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
                             "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>"
                             "<cellXfs count=\"5\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>"
                             "<xf numFmtId=\"14\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\"/>"
                             "<xf numFmtId=\"22\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\"/>"
                             "<xf numFmtId=\"21\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\"/>"
                             "<xf numFmtId=\"49\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\"/>"
                             "</cellXfs><cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
                             "</styleSheet>";

// Adds a part from memory (copied) to the archive.
void addBuffer(zip_t* z, const QString& name, const QByteArray& data)
{
    void* copy = std::malloc(size_t(std::max<qsizetype>(data.size(), 1)));
    if (!copy)
        throw std::bad_alloc();
    std::memcpy(copy, data.constData(), size_t(data.size()));
    zip_source_t* src = zip_source_buffer(z, copy, zip_uint64_t(data.size()), 1);
    if (!src) {
        std::free(copy);
        fail(QString::fromUtf8(zip_strerror(z)));
    }
    if (zip_file_add(z, name.toUtf8().constData(), src, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8) < 0) {
        zip_source_free(src);
        fail(QString::fromUtf8(zip_strerror(z)));
    }
}

} // namespace

void Workbook::save(const QString& fileName)
{
    if (d->writers.empty())
        sheet(QString());
    d->current()->d->finish();

    const QFileInfo info(fileName);
    if (!QDir().mkpath(info.absolutePath()))
        fail(QStringLiteral("フォルダ %1 を作成できません。").arg(info.absolutePath()));
    // The package is built beside the target under a name of its own, then renamed onto it.
    QString temp;
    {
        QTemporaryFile reserve(info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".XXXXXX"));
        reserve.setAutoRemove(false);
        if (!reserve.open())
            fail(QStringLiteral("%1 を作成できません: %2").arg(fileName, reserve.errorString()));
        temp = reserve.fileName();
    }
    const QByteArray tempName = QFile::encodeName(temp);
    int error = 0;
    zip_t* z = zip_open(tempName.constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!z) {
        QFile::remove(temp);
        fail(QStringLiteral("%1 を作成できません。").arg(fileName));
    }
    try {
        std::set<QString> written;
        auto addSheets = [&] {
            for (const auto& w : d->writers) {
                const QByteArray path = QFile::encodeName(w->d->file->fileName());
                zip_source_t* src = zip_source_file(z, path.constData(), 0, -1);
                if (!src)
                    fail(QString::fromUtf8(zip_strerror(z)));
                const zip_int64_t idx = zip_file_add(z, w->d->part.toUtf8().constData(), src, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8);
                if (idx < 0) {
                    zip_source_free(src);
                    fail(QString::fromUtf8(zip_strerror(z)));
                }
                // Sheets are large and repetitive: the fastest deflate level keeps saving quick.
                zip_set_file_compression(z, zip_uint64_t(idx), ZIP_CM_DEFLATE, 1);
                written.insert(w->d->part);
            }
        };
        if (!d->zip) {
            addBuffer(z, QStringLiteral("[Content_Types].xml"), newContentTypes(d->sheets));
            addBuffer(z, QStringLiteral("_rels/.rels"), kRootRels);
            addBuffer(z, QStringLiteral("xl/workbook.xml"), newWorkbook(d->sheets));
            addBuffer(z, QStringLiteral("xl/_rels/workbook.xml.rels"), newWorkbookRels(d->sheets));
            addBuffer(z, QStringLiteral("xl/styles.xml"), kStyles);
            addSheets();
        } else {
            for (const QString& part : d->zip->names()) {
                bool ours = false;
                for (const auto& w : d->writers)
                    ours = ours || w->d->part == part;
                if (ours)
                    continue;
                const auto it = d->replaced.find(part);
                addBuffer(z, part, it != d->replaced.end() ? it->second : d->zip->read(part));
            }
            addSheets();
        }
        if (zip_close(z) != 0) {
            const QString why = QString::fromUtf8(zip_strerror(z));
            zip_discard(z);
            z = nullptr;
            fail(QStringLiteral("%1 を保存できません: %2").arg(fileName, why));
        }
        z = nullptr;
        // The new file gets the mode of the one it replaces, or the usual mode of a new file
        // (the temporary name was made private).
        const QByteArray finalName = QFile::encodeName(fileName);
        struct stat st;
        mode_t mode;
        if (::stat(finalName.constData(), &st) == 0) {
            mode = st.st_mode & 07777;
        } else {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            mode = 0666 & ~mask;
        }
        ::chmod(tempName.constData(), mode);
        if (std::rename(tempName.constData(), finalName.constData()) != 0)
            fail(QStringLiteral("%1 を保存できません。").arg(fileName));
    } catch (...) {
        if (z)
            zip_discard(z);
        QFile::remove(temp);
        throw;
    }
}

// ---- reading ----------------------------------------------------------------------------------

QString SheetContent::value(int row, int column) const
{
    const auto it = cells.find({row, column});
    return it == cells.end() ? QString() : it->second.text;
}

QString SheetContent::value(const QString& ref) const
{
    int r = 0, c = 0;
    return ParseCellRef(ref, r, c) ? value(r, c) : QString();
}

namespace {

// The text of an <si> or <is> element: its runs' <t> texts, without phonetic runs.
QString readStringItem(QXmlStreamReader& r)
{
    QString out;
    int depth = 1;
    bool inPhonetic = false;
    while (depth > 0 && !r.atEnd()) {
        r.readNext();
        if (r.isStartElement()) {
            ++depth;
            if (r.name() == QLatin1String("rPh"))
                inPhonetic = true;
            else if (r.name() == QLatin1String("t") && !inPhonetic)
                out += r.readElementText(), --depth;
        } else if (r.isEndElement()) {
            --depth;
            if (r.name() == QLatin1String("rPh"))
                inPhonetic = false;
        }
    }
    return decodeCellEscapes(out);
}

} // namespace

std::vector<SheetContent> ReadWorkbook(const QString& fileName)
{
    ZipReader zip(fileName);
    const QString wbPart = workbookPart(zip);
    std::vector<QString> shared;
    for (const Relationship& rel : readRelationships(zip.read(relsPartOf(wbPart)))) {
        if (!rel.type.endsWith(QLatin1String("/sharedStrings")))
            continue;
        QXmlStreamReader r(zip.read(resolvePart(wbPart, rel.target)));
        while (!r.atEnd()) {
            r.readNext();
            if (r.isStartElement() && r.name() == QLatin1String("si"))
                shared.push_back(readStringItem(r));
        }
    }
    std::vector<SheetContent> out;
    for (const SheetEntry& e : readSheets(zip, wbPart, nullptr)) {
        SheetContent s;
        s.name = e.name;
        QXmlStreamReader r(zip.read(e.part));
        int row = 0, lastCol = 0;
        while (!r.atEnd()) {
            r.readNext();
            if (!r.isStartElement())
                continue;
            if (r.name() == QLatin1String("col")) {
                const auto a = r.attributes();
                if (a.hasAttribute(QLatin1String("width")))
                    for (int c = a.value(QLatin1String("min")).toInt(); c <= a.value(QLatin1String("max")).toInt() && c <= kMaxColumns; ++c)
                        s.columnWidths[c] = a.value(QLatin1String("width")).toDouble();
            } else if (r.name() == QLatin1String("row")) {
                const int rr = r.attributes().value(QLatin1String("r")).toInt();
                row = rr > 0 ? rr : row + 1;
                lastCol = 0;
            } else if (r.name() == QLatin1String("c")) {
                const auto a = r.attributes();
                int cr = row, cc = 0;
                if (!ParseCellRef(a.value(QLatin1String("r")), cr, cc))
                    cr = row, cc = lastCol + 1;
                lastCol = cc;
                const QString t = a.value(QLatin1String("t")).toString();
                CellValue v;
                v.style = a.value(QLatin1String("s")).toInt();
                bool any = false;
                int depth = 1;
                while (depth > 0 && !r.atEnd()) {
                    r.readNext();
                    if (r.isStartElement()) {
                        if (r.name() == QLatin1String("v")) {
                            v.text = r.readElementText();
                            any = true;
                        } else if (r.name() == QLatin1String("is")) {
                            v.text = readStringItem(r);
                            any = true;
                        } else {
                            ++depth;
                        }
                    } else if (r.isEndElement()) {
                        --depth;
                    }
                }
                if (!any)
                    continue;
                if (t == QLatin1String("s")) {
                    const size_t i = v.text.toULong();
                    v.text = i < shared.size() ? shared[i] : QString();
                    v.kind = CellValue::Text;
                } else if (t == QLatin1String("inlineStr") || t == QLatin1String("str")) {
                    v.kind = CellValue::Text;
                    if (t == QLatin1String("str"))
                        v.text = decodeCellEscapes(v.text);
                } else if (t == QLatin1String("b")) {
                    v.kind = CellValue::Boolean;
                } else if (t == QLatin1String("e")) {
                    v.kind = CellValue::Error;
                } else {
                    v.kind = CellValue::Number;
                }
                s.cells[{cr, cc}] = v;
            }
        }
        if (r.hasError())
            fail(QStringLiteral("シート %1 を読み込めません: %2").arg(e.name, r.errorString()));
        out.push_back(std::move(s));
    }
    return out;
}

std::vector<int> ReadCellStyleFormats(const QString& fileName)
{
    ZipReader zip(fileName);
    const QString wbPart = workbookPart(zip);
    std::vector<int> out;
    QXmlStreamReader r(zip.read(resolvePart(wbPart, QStringLiteral("styles.xml"))));
    bool inXfs = false;
    while (!r.atEnd()) {
        r.readNext();
        if (r.isStartElement() && r.name() == QLatin1String("cellXfs"))
            inXfs = true;
        else if (r.isEndElement() && r.name() == QLatin1String("cellXfs"))
            inXfs = false;
        else if (inXfs && r.isStartElement() && r.name() == QLatin1String("xf"))
            out.push_back(r.attributes().value(QLatin1String("numFmtId")).toInt());
    }
    return out;
}

QByteArray ReadPart(const QString& fileName, const QString& partName) { return ZipReader(fileName).read(partName); }

QStringList PartNames(const QString& fileName) { return ZipReader(fileName).names(); }

} // namespace qv::xlsx
