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
#include <functional>
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
template <class Reader>
QString workbookPart(const Reader& zip)
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

template <class Reader>
std::vector<SheetEntry> readSheets(const Reader& zip, const QString& wbPart, int* activeTab)
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

namespace {

// Builds a package beside `fileName` under a name of its own, lets `fill` add the parts, and
// renames it onto the path only when it is complete: a failure leaves the old file as it was.
void writePackage(const QString& fileName, const std::function<void(zip_t*)>& fill)
{
    const QFileInfo info(fileName);
    if (!QDir().mkpath(info.absolutePath()))
        fail(QStringLiteral("フォルダ %1 を作成できません。").arg(info.absolutePath()));
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
        fill(z);
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

} // namespace

void Workbook::save(const QString& fileName)
{
    if (d->writers.empty())
        sheet(QString());
    d->current()->d->finish();

    writePackage(fileName, [&](zip_t* z) {
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
    });
}

// ---- Book ---------------------------------------------------------------------------------------

namespace {

// The parts of a package held in memory, read like a ZipReader.
struct PartMap {
    std::map<QString, QByteArray> parts;
    QByteArray read(const QString& name) const
    {
        const auto it = parts.find(name);
        return it == parts.end() ? QByteArray() : it->second;
    }
};

// A sheet name as a formula writes it: quoted unless it is a plain word.
QString formulaSheetName(const QString& name)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z_\\x{80}-\\x{ffff}][\\w.\\x{80}-\\x{ffff}]*$"));
    if (plain.match(name).hasMatch() && !QRegularExpression(QStringLiteral("^[A-Za-z]{1,3}\\d+$")).match(name).hasMatch())
        return name;
    QString q = name;
    q.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + q + QLatin1Char('\'');
}

// Replaces references to sheet `from` ("from!" or "'from'!") in a formula text by `to`.
QString renameSheetRefs(QString text, const QString& from, const QString& to)
{
    QString quoted = from;
    quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
    const QString target = formulaSheetName(to) + QLatin1Char('!');
    text.replace(QLatin1Char('\'') + quoted + QStringLiteral("'!"), target);
    const QRegularExpression bare(QStringLiteral("(^|[^\\w.'\\x{80}-\\x{ffff}])") + QRegularExpression::escape(from)
                                  + QStringLiteral("!"));
    text.replace(bare, QStringLiteral("\\1") + target);
    return text;
}

QByteArray colRangeXml(const ColRange& c)
{
    QByteArray x = "<col min=\"";
    appendInt(x, c.min);
    x += "\" max=\"";
    appendInt(x, c.max);
    x += '"';
    for (const QXmlStreamAttribute& a : c.attrs) {
        x += ' ' + a.qualifiedName().toUtf8() + "=\"";
        appendXmlText(x, a.value(), true, false);
        x += '"';
    }
    x += "/>";
    return x;
}

// The style attribute of a cell's start tag; empty when it has none.
QByteArray cellStyleAttr(const QByteArray& cell)
{
    const qsizetype end = cell.indexOf('>');
    const QByteArray start = cell.left(end < 0 ? cell.size() : end);
    static const QRegularExpression style(QStringLiteral("\\ss=\"(\\d+)\""));
    const QRegularExpressionMatch m = style.match(QString::fromLatin1(start));
    return m.hasMatch() ? " s=\"" + m.captured(1).toLatin1() + '"' : QByteArray();
}

// A copied cell: its reference moved to (row, column) and any formula left out (its last value stays).
QByteArray movedCell(const QByteArray& cell, int row, int column)
{
    QString x = QString::fromUtf8(cell);
    static const QRegularExpression ref(QStringLiteral("^<c r=\"[A-Z]+\\d+\""));
    x.replace(ref, QStringLiteral("<c r=\"") + CellRef(row, column) + QLatin1Char('"'));
    static const QRegularExpression formula(QStringLiteral("<f\\b[^>]*/>|<f\\b[^>]*>.*?</f>"),
                                            QRegularExpression::DotMatchesEverythingOption);
    x.remove(formula);
    return x.toUtf8();
}

struct MergeRange {
    int top = 0, left = 0, bottom = 0, right = 0;
};

} // namespace

struct Book::Impl {
    struct Sheet {
        QString name;
        QString part;       // empty for a sheet not yet saved
        QString origin;     // the template sheet it stems from (sheet-local names follow it)
        QByteArray attrs;   // the <sheet> element's other attributes (state …)
        TemplateSheet content;
        QByteArray tailBefore, tailAfter; // the tail around the merged ranges
        bool hadMerges = false;
        std::vector<MergeRange> merges;
    };
    PartMap package;        // every part except the sheets
    QString wbPart;
    std::vector<QString> originNames; // template sheets in their order (sheet-local names)
    std::vector<Sheet> sheets;
    int active = 0;

    Sheet& at(int sheet)
    {
        if (sheet < 0 || sheet >= int(sheets.size()))
            fail(QStringLiteral("シート %1 はありません。").arg(sheet + 1));
        return sheets[size_t(sheet)];
    }

    void checkName(const QString& name, int except) const
    {
        static const QRegularExpression bad(QStringLiteral("[\\[\\]:*?/\\\\]"));
        if (name.isEmpty() || name.size() > kMaxSheetNameChars || bad.match(name).hasMatch()
            || name.startsWith(QLatin1Char('\'')) || name.endsWith(QLatin1Char('\'')))
            fail(QStringLiteral("シート名 %1 は使用できません。").arg(name));
        for (int i = 0; i < int(sheets.size()); ++i)
            if (i != except && sheets[size_t(i)].name.compare(name, Qt::CaseInsensitive) == 0)
                fail(QStringLiteral("シート名 %1 はすでに使われています。").arg(name));
    }

    static void splitMerges(Sheet& s)
    {
        const QString tail = QString::fromUtf8(s.content.tail);
        static const QRegularExpression block(QStringLiteral("<(\\w+:)?mergeCells\\b[^>]*(/>|>.*?</(\\w+:)?mergeCells>)"),
                                              QRegularExpression::DotMatchesEverythingOption);
        const QRegularExpressionMatch m = block.match(tail);
        if (!m.hasMatch()) {
            s.tailBefore = s.content.tail;
            return;
        }
        s.hadMerges = true;
        s.tailBefore = tail.left(m.capturedStart()).toUtf8();
        s.tailAfter = tail.mid(m.capturedEnd()).toUtf8();
        static const QRegularExpression one(QStringLiteral("<(\\w+:)?mergeCell\\b[^>]*\\bref=\"([A-Z]+\\d+):([A-Z]+\\d+)\""));
        for (auto it = one.globalMatch(m.captured(0)); it.hasNext();) {
            const QRegularExpressionMatch c = it.next();
            MergeRange r;
            if (ParseCellRef(c.captured(2), r.top, r.left) && ParseCellRef(c.captured(3), r.bottom, r.right))
                s.merges.push_back(r);
        }
    }

    static QByteArray sheetXml(const Sheet& s, bool selected)
    {
        QString head = QString::fromUtf8(s.content.beforeCols);
        static const QRegularExpression tabSelected(QStringLiteral("\\stabSelected=\"[^\"]*\""));
        head.remove(tabSelected);
        if (selected) {
            static const QRegularExpression view(QStringLiteral("<(\\w+:)?sheetView\\b"));
            const QRegularExpressionMatch m = view.match(head);
            if (m.hasMatch())
                head.insert(m.capturedEnd(), QStringLiteral(" tabSelected=\"1\""));
        }
        QByteArray x = head.toUtf8();
        if (!s.content.cols.empty()) {
            x += "<cols>";
            for (const ColRange& c : s.content.cols)
                x += colRangeXml(c);
            x += "</cols>";
        }
        x += s.content.afterCols;
        for (const auto& [r, row] : s.content.rows) {
            if (row.cells.empty() && row.attrs.isEmpty())
                continue;
            x += "<row r=\"";
            appendInt(x, r);
            x += '"';
            x += row.attrs;
            x += '>';
            for (const auto& [c, cell] : row.cells)
                x += cell;
            x += "</row>";
        }
        x += s.tailBefore;
        if (s.hadMerges && !s.merges.empty()) {
            x += "<mergeCells count=\"";
            appendInt(x, int(s.merges.size()));
            x += "\">";
            for (const MergeRange& m : s.merges)
                x += "<mergeCell ref=\"" + (CellRef(m.top, m.left) + QLatin1Char(':') + CellRef(m.bottom, m.right)).toLatin1() + "\"/>";
            x += "</mergeCells>";
        }
        x += s.tailAfter;
        return x;
    }

    void load(PartMap map)
    {
        package = std::move(map);
        wbPart = workbookPart(package);
        const std::vector<SheetEntry> entries = readSheets(package, wbPart, &active);
        if (entries.empty())
            fail(QStringLiteral("ブックにシートがありません。"));
        // The other attributes of each <sheet> element (a hidden state and the like).
        std::vector<QByteArray> extra;
        QXmlStreamReader r(package.read(wbPart));
        while (!r.atEnd()) {
            r.readNext();
            if (!r.isStartElement() || r.name() != QLatin1String("sheet"))
                continue;
            QByteArray a;
            for (const QXmlStreamAttribute& at : r.attributes()) {
                if (at.qualifiedName() == QLatin1String("name") || at.qualifiedName() == QLatin1String("sheetId")
                    || at.namespaceUri() == QLatin1String(kRelNs))
                    continue;
                a += ' ' + at.qualifiedName().toUtf8() + "=\"";
                appendXmlText(a, at.value(), true, false);
                a += '"';
            }
            extra.push_back(a);
        }
        for (size_t i = 0; i < entries.size(); ++i) {
            Sheet s;
            s.name = entries[i].name;
            s.part = entries[i].part;
            s.origin = s.name;
            s.attrs = i < extra.size() ? extra[i] : QByteArray();
            const QByteArray xml = package.read(s.part);
            if (xml.isEmpty())
                fail(QStringLiteral("シート %1 を読み込めません。").arg(s.name));
            s.content = splitTemplateSheet(xml);
            splitMerges(s);
            package.parts.erase(s.part);
            originNames.push_back(s.name);
            sheets.push_back(std::move(s));
        }
        active = std::clamp(active, 0, int(sheets.size()) - 1);
    }

    TemplateSheet::Row& rowAt(int sheet, int row)
    {
        if (row < 1 || row > kMaxRows)
            throw LimitError(QStringLiteral("Excelの最大行数を超えているため、出力できません。"));
        return at(sheet).content.rows[row];
    }

    void putCell(int sheet, int row, int column, const std::function<QByteArray(const QByteArray& style)>& make)
    {
        if (column < 1 || column > kMaxColumns)
            throw LimitError(QStringLiteral("Excelの最大列数を超えているため、出力できません。"));
        TemplateSheet::Row& r = rowAt(sheet, row);
        const auto it = r.cells.find(column);
        const QByteArray style = it == r.cells.end() ? QByteArray() : cellStyleAttr(it->second);
        const QByteArray cell = make(style);
        if (cell.isEmpty())
            r.cells.erase(column);
        else
            r.cells[column] = cell;
    }
};

Book::Book() : d(std::make_unique<Impl>()) {}
Book::~Book() = default;

std::unique_ptr<Book> Book::open(const QString& fileName)
{
    ZipReader zip(fileName);
    PartMap map;
    for (const QString& name : zip.names())
        if (!name.endsWith(QLatin1Char('/')))
            map.parts[name] = zip.read(name);
    std::unique_ptr<Book> b(new Book());
    try {
        b->d->load(std::move(map));
    } catch (const Exception& e) {
        fail(QStringLiteral("%1: %2").arg(fileName, e.message()));
    }
    return b;
}

std::unique_ptr<Book> Book::blank()
{
    const std::vector<SheetEntry> one{{QStringLiteral("Sheet1"), QStringLiteral("xl/worksheets/sheet1.xml"), 1}};
    PartMap map;
    map.parts[QStringLiteral("[Content_Types].xml")] = newContentTypes(one);
    map.parts[QStringLiteral("_rels/.rels")] = kRootRels;
    map.parts[QStringLiteral("xl/workbook.xml")] = newWorkbook(one);
    map.parts[QStringLiteral("xl/_rels/workbook.xml.rels")] = newWorkbookRels(one);
    map.parts[QStringLiteral("xl/styles.xml")] = kStyles;
    map.parts[one[0].part] = kXmlDecl + "<worksheet xmlns=\"" + kMainNs + "\" xmlns:r=\"" + kRelNs
                             + "\"><sheetViews><sheetView workbookViewId=\"0\"/></sheetViews><sheetData/>"
                               "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" footer=\"0.3\"/>"
                               "</worksheet>";
    std::unique_ptr<Book> b(new Book());
    b->d->load(std::move(map));
    return b;
}

int Book::sheetCount() const { return int(d->sheets.size()); }
QString Book::sheetName(int sheet) const { return d->at(sheet).name; }
int Book::activeSheet() const { return d->active; }
void Book::setActiveSheet(int sheet)
{
    d->at(sheet);
    d->active = sheet;
}

void Book::renameSheet(int sheet, const QString& name)
{
    d->at(sheet);
    d->checkName(name, sheet);
    d->at(sheet).name = name;
}

int Book::copySheet(int sheet, const QString& name, int before)
{
    d->checkName(name, -1);
    Impl::Sheet copy = d->at(sheet);
    copy.name = name;
    copy.part.clear();
    // What hangs on the sheet's own relations stays with the original.
    auto strip = [](QByteArray& xml) {
        QString x = QString::fromUtf8(xml);
        static const QRegularExpression single(
            QStringLiteral("<(\\w+:)?(drawing|legacyDrawing|legacyDrawingHF|picture|tableParts|hyperlinks|oleObjects|controls)\\b[^>]*/>"));
        static const QRegularExpression paired(
            QStringLiteral("<(\\w+:)?(tableParts|hyperlinks|oleObjects|controls)\\b[^>]*>.*?</(\\w+:)?\\2>"),
            QRegularExpression::DotMatchesEverythingOption);
        static const QRegularExpression relId(QStringLiteral("(<(\\w+:)?pageSetup\\b[^>]*?)\\s[\\w]+:id=\"[^\"]*\""));
        x.remove(single);
        x.remove(paired);
        x.replace(relId, QStringLiteral("\\1"));
        xml = x.toUtf8();
    };
    strip(copy.content.beforeCols);
    strip(copy.tailBefore);
    strip(copy.tailAfter);
    before = std::clamp(before, 0, sheetCount());
    d->sheets.insert(d->sheets.begin() + before, std::move(copy));
    if (d->active >= before)
        ++d->active;
    return before;
}

void Book::deleteSheet(int sheet)
{
    d->at(sheet);
    if (sheetCount() == 1)
        fail(QStringLiteral("ブックの最後のシートは削除できません。"));
    const QString part = d->sheets[size_t(sheet)].part;
    if (!part.isEmpty())
        d->package.parts.erase(relsPartOf(part));
    d->sheets.erase(d->sheets.begin() + sheet);
    if (d->active > sheet || d->active >= sheetCount())
        d->active = std::max(0, d->active - 1);
}

void Book::setText(int sheet, int row, int column, QStringView text)
{
    if (text.size() > kMaxCellChars)
        throw LimitError(QStringLiteral("%1 の値が Excel のセルに入る文字数 (32,767 文字) を超えているため、出力できません。")
                             .arg(CellRef(std::clamp(row, 1, kMaxRows), std::clamp(column, 1, kMaxColumns))));
    d->putCell(sheet, row, column, [&](const QByteArray& style) {
        QByteArray x = "<c r=\"" + CellRef(row, column).toLatin1() + '"' + style;
        const bool preserve = !text.isEmpty() && (text.front().isSpace() || text.back().isSpace());
        x += preserve ? " t=\"inlineStr\"><is><t xml:space=\"preserve\">" : " t=\"inlineStr\"><is><t>";
        appendXmlText(x, text, false, true);
        x += "</t></is></c>";
        return x;
    });
}

void Book::setNumber(int sheet, int row, int column, double value)
{
    if (!std::isfinite(value)) {
        setText(sheet, row, column, QString::number(value));
        return;
    }
    d->putCell(sheet, row, column, [&](const QByteArray& style) {
        QByteArray x = "<c r=\"" + CellRef(row, column).toLatin1() + '"' + style + "><v>";
        appendDouble(x, value);
        x += "</v></c>";
        return x;
    });
}

void Book::clear(int sheet, int row, int column)
{
    d->putCell(sheet, row, column, [&](const QByteArray& style) {
        return style.isEmpty() ? QByteArray() : "<c r=\"" + CellRef(row, column).toLatin1() + '"' + style + "/>";
    });
}

void Book::copyRows(int sheet, int top, int count, int target)
{
    constexpr int kBlockColumns = 255;
    if (count <= 0 || top == target)
        return;
    if (top < 1 || target < 1 || top + count - 1 > kMaxRows || target + count - 1 > kMaxRows)
        throw LimitError(QStringLiteral("Excelの最大行数を超えているため、出力できません。"));
    Impl::Sheet& s = d->at(sheet);
    // The block as it stands before anything is overwritten (source and target may overlap).
    std::map<int, TemplateSheet::Row> block;
    for (auto it = s.content.rows.lower_bound(top); it != s.content.rows.end() && it->first < top + count; ++it)
        block[it->first - top] = it->second;
    for (int i = 0; i < count; ++i) {
        const int r = target + i;
        TemplateSheet::Row out;
        const auto old = s.content.rows.find(r);
        if (old != s.content.rows.end())
            for (const auto& [c, cell] : old->second.cells)
                if (c > kBlockColumns)
                    out.cells[c] = cell;
        const auto src = block.find(i);
        if (src != block.end()) {
            out.attrs = src->second.attrs;
            for (const auto& [c, cell] : src->second.cells)
                if (c <= kBlockColumns)
                    out.cells[c] = movedCell(cell, r, c);
        } else if (old != s.content.rows.end() && out.cells.empty()) {
            s.content.rows.erase(old);
            continue;
        }
        s.content.rows[r] = std::move(out);
    }
    // Merged ranges inside the block repeat with it; those the block overwrites go.
    const int shift = target - top;
    std::vector<MergeRange> kept, added;
    for (const MergeRange& m : s.merges) {
        const bool inBlock = m.top >= top && m.bottom < top + count && m.right <= kBlockColumns;
        const bool hit = m.bottom >= target && m.top < target + count && m.left <= kBlockColumns;
        if (!hit)
            kept.push_back(m);
        if (inBlock)
            added.push_back({m.top + shift, m.left, m.bottom + shift, m.right});
    }
    kept.insert(kept.end(), added.begin(), added.end());
    s.merges = std::move(kept);
}

void Book::save(const QString& fileName)
{
    PartMap out = d->package;
    // Parts of the sheets: the template's keep theirs, new ones take free names.
    std::set<QString> used;
    for (const auto& [name, data] : out.parts)
        used.insert(name);
    for (const Impl::Sheet& s : d->sheets)
        if (!s.part.isEmpty())
            used.insert(s.part);
    std::vector<QString> parts;
    int next = 1;
    for (const Impl::Sheet& s : d->sheets) {
        QString part = s.part;
        if (part.isEmpty()) {
            while (used.count(QStringLiteral("xl/worksheets/sheet%1.xml").arg(next)))
                ++next;
            part = QStringLiteral("xl/worksheets/sheet%1.xml").arg(next);
            used.insert(part);
        }
        parts.push_back(part);
    }
    // The calculation chain names cells by sheet position: it is dropped (the program rebuilds it).
    QString calcChain;
    {
        const QString relsPart = relsPartOf(d->wbPart);
        for (const Relationship& rel : readRelationships(out.read(relsPart)))
            if (rel.type.endsWith(QLatin1String("/calcChain")))
                calcChain = resolvePart(d->wbPart, rel.target);
    }

    // Workbook relations: the worksheet relations anew.
    const QString relsPart = relsPartOf(d->wbPart);
    QString rels = QString::fromUtf8(out.read(relsPart));
    static const QRegularExpression sheetRel(QStringLiteral("<Relationship\\b[^>]*/(worksheet|calcChain)\"[^>]*/>"));
    rels.remove(sheetRel);
    const qsizetype relsEnd = rels.lastIndexOf(QLatin1String("</Relationships>"));
    if (relsEnd < 0)
        fail(QStringLiteral("ブック定義を読み込めません。"));
    const QString wbDir = d->wbPart.left(d->wbPart.lastIndexOf(QLatin1Char('/')) + 1);
    QString ours;
    for (size_t i = 0; i < parts.size(); ++i) {
        const QString target = parts[i].startsWith(wbDir) ? parts[i].mid(wbDir.size()) : QLatin1Char('/') + parts[i];
        ours += QStringLiteral("<Relationship Id=\"rIdQvs%1\" Type=\"%2\" Target=\"%3\"/>").arg(i + 1).arg(QLatin1String(kWorksheetType), target);
    }
    rels.insert(relsEnd, ours);
    out.parts[relsPart] = rels.toUtf8();

    // The workbook: its sheet list, active tab and sheet-local names.
    QString wb = QString::fromUtf8(out.read(d->wbPart));
    static const QRegularExpression sheetsBlock(QStringLiteral("<((\\w+:)?)sheets\\b[^>]*(/>|>.*?</(\\w+:)?sheets>)"),
                                                QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch sm = sheetsBlock.match(wb);
    if (!sm.hasMatch())
        fail(QStringLiteral("ブック定義を読み込めません。"));
    const QString prefix = sm.captured(1);
    QString list = QLatin1Char('<') + prefix + QStringLiteral("sheets>");
    int maxId = 0;
    for (size_t i = 0; i < d->sheets.size(); ++i) {
        QByteArray e = "<" + prefix.toUtf8() + "sheet xmlns:qvr=\"" + kRelNs + '"' + attr("name", d->sheets[i].name)
                       + " sheetId=\"" + QByteArray::number(qulonglong(i + 1)) + '"' + d->sheets[i].attrs
                       + " qvr:id=\"rIdQvs" + QByteArray::number(qulonglong(i + 1)) + "\"/>";
        list += QString::fromUtf8(e);
        maxId = int(i + 1);
    }
    Q_UNUSED(maxId);
    list += QStringLiteral("</") + prefix + QStringLiteral("sheets>");
    wb = wb.left(sm.capturedStart()) + list + wb.mid(sm.capturedEnd());

    static const QRegularExpression view(QStringLiteral("<(\\w+:)?workbookView\\b[^>]*?/?>"));
    const QRegularExpressionMatch vm = view.match(wb);
    if (vm.hasMatch()) {
        QString tag = vm.captured(0);
        static const QRegularExpression tabAttrs(QStringLiteral("\\s(activeTab|firstSheet)=\"[^\"]*\""));
        tag.remove(tabAttrs);
        const qsizetype at = tag.endsWith(QLatin1String("/>")) ? tag.size() - 2 : tag.size() - 1;
        tag.insert(at, QStringLiteral(" activeTab=\"%1\"").arg(d->active));
        wb = wb.left(vm.capturedStart()) + tag + wb.mid(vm.capturedEnd());
    }

    static const QRegularExpression namesBlock(QStringLiteral("<((\\w+:)?)definedNames\\b[^>]*>(.*?)</(\\w+:)?definedNames>"),
                                               QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch nm = namesBlock.match(wb);
    if (nm.hasMatch()) {
        static const QRegularExpression one(QStringLiteral("<(\\w+:)?definedName\\b([^>]*)>(.*?)</(\\w+:)?definedName>"),
                                            QRegularExpression::DotMatchesEverythingOption);
        static const QRegularExpression localId(QStringLiteral("\\slocalSheetId=\"(\\d+)\""));
        QString names;
        for (auto it = one.globalMatch(nm.captured(3)); it.hasNext();) {
            const QRegularExpressionMatch n = it.next();
            const QString tagPrefix = n.captured(1);
            QString attrs = n.captured(2);
            QString text = n.captured(3);
            const QRegularExpressionMatch lm = localId.match(attrs);
            auto emitName = [&](const QString& a, const QString& t) {
                names += QLatin1Char('<') + tagPrefix + QStringLiteral("definedName") + a + QLatin1Char('>') + t
                         + QStringLiteral("</") + tagPrefix + QStringLiteral("definedName>");
            };
            if (!lm.hasMatch()) {
                // A book-wide name follows its template sheets' new names.
                for (const Impl::Sheet& s : d->sheets)
                    if (!s.part.isEmpty() && s.name != s.origin)
                        text = renameSheetRefs(text, s.origin, s.name);
                emitName(attrs, text);
                continue;
            }
            const int local = lm.captured(1).toInt();
            if (local < 0 || local >= int(d->originNames.size()))
                continue;
            const QString origin = d->originNames[size_t(local)];
            attrs.remove(localId);
            for (size_t i = 0; i < d->sheets.size(); ++i)
                if (d->sheets[i].origin == origin)
                    emitName(attrs + QStringLiteral(" localSheetId=\"%1\"").arg(i),
                         renameSheetRefs(text, origin, d->sheets[i].name));
        }
        wb = wb.left(nm.capturedStart()) + QLatin1Char('<') + nm.captured(1) + QStringLiteral("definedNames>") + names
             + QStringLiteral("</") + nm.captured(1) + QStringLiteral("definedNames>") + wb.mid(nm.capturedEnd());
    }
    out.parts[d->wbPart] = wb.toUtf8();

    // Content types: the worksheets anew.
    const QString ctPart = QStringLiteral("[Content_Types].xml");
    QString ct = QString::fromUtf8(out.read(ctPart));
    static const QRegularExpression sheetType(QStringLiteral("<Override\\b[^>]*(worksheet\\+xml|calcChain\\+xml)\"[^>]*/>"));
    ct.remove(sheetType);
    const qsizetype typesEnd = ct.lastIndexOf(QLatin1String("</Types>"));
    if (typesEnd < 0)
        fail(QStringLiteral("ブック定義を読み込めません。"));
    QString overrides;
    for (const QString& part : parts)
        overrides += QStringLiteral("<Override PartName=\"/%1\" ContentType=\"%2\"/>").arg(part, QLatin1String(kSheetContentType));
    ct.insert(typesEnd, overrides);
    out.parts[ctPart] = ct.toUtf8();
    if (!calcChain.isEmpty())
        out.parts.erase(calcChain);

    for (size_t i = 0; i < d->sheets.size(); ++i)
        out.parts[parts[i]] = Impl::sheetXml(d->sheets[i], int(i) == d->active);

    writePackage(fileName, [&](zip_t* z) {
        for (const auto& [name, data] : out.parts)
            addBuffer(z, name, data);
    });
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
