#include "sql/sql_template.h"

#include "platform/exceptions.h"
#include "platform/textcodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace qv {

namespace {
bool isGroup(const QString& line) { return line.startsWith(QLatin1String("%%%")); }
bool isHeading(const QString& line) { return line.startsWith(QStringLiteral("【 ")); }
QString headingName(const QString& line)
{
    const qsizetype end = line.indexOf(QStringLiteral(" 】"));
    return end < 0 ? QString() : line.mid(2, end - 2);
}
} // namespace

QStringList ReadTemplateLines(const QString& fileName)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("ファイル %1 を開けません。").arg(fileName));
    const QByteArray bytes = f.readAll();
    const TextEncoding* enc = &TextEncoding::get(TextEncoding::Ansi);
    if (bytes.startsWith("\xEF\xBB\xBF"))
        enc = &TextEncoding::get(TextEncoding::Utf8);
    else if (bytes.startsWith("\xFF\xFE"))
        enc = &TextEncoding::get(TextEncoding::Utf16LE);
    else if (bytes.startsWith("\xFE\xFF"))
        enc = &TextEncoding::get(TextEncoding::Utf16BE);
    return SplitTextLines(enc->decodeSkippingMark(bytes));
}

QStringList TemplateVersions(const QString& folder)
{
    QStringList out;
    for (const QFileInfo& fi : QDir(folder).entryInfoList({QStringLiteral("*.tpl")}, QDir::Files))
        out << fi.completeBaseName().toUpper();
    out.sort();
    return out;
}

TemplateDoc::TemplateDoc(QStringList lines) : m_lines(std::move(lines))
{
    for (int i = 0; i < m_lines.size(); ++i)
        if (isHeading(m_lines[i]))
            m_items.append({headingName(m_lines[i]), i});
}

int TemplateDoc::Find(const QString& name) const
{
    for (int i = 0; i < m_items.size(); ++i)
        if (m_items[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QStringList TemplateDoc::ItemLines(int item) const
{
    QStringList out;
    if (item < 0 || item >= m_items.size())
        return out;
    out << m_lines[m_items[item].line];
    for (int i = m_items[item].line + 1; i < m_lines.size() && !isHeading(m_lines[i]) && !isGroup(m_lines[i]); ++i)
        out << m_lines[i];
    return out;
}

QList<int> TemplateDoc::Collect(int item) const
{
    QList<int> order;
    QSet<int> seen;
    std::function<void(int)> visit = [&](int it) {
        order << it;
        seen.insert(it);
        const QStringList lines = ItemLines(it);
        for (int l = 1; l < lines.size(); ++l) {
            const QString& s = lines[l];
            qsizetype from = 0;
            while ((from = s.indexOf(u'<', from)) >= 0) {
                const qsizetype end = s.indexOf(u'>', from + 1);
                const QString name = end < 0 ? QString() : s.mid(from + 1, end - from - 1);
                const int ref = Find(name);
                if (ref >= 0 && !seen.contains(ref))
                    visit(ref);
                if (end < 0)
                    break;
                from = end + 1;
            }
        }
    };
    if (item >= 0 && item < m_items.size())
        visit(item);
    return order;
}

QStringList TemplateDoc::DisplayLines(int item) const
{
    QStringList out;
    for (int it : Collect(item))
        out << ItemLines(it);
    return out;
}

QList<TemplateTreeGroup> TemplateDoc::Tree(const QString& findText) const
{
    QList<TemplateTreeGroup> groups;
    const QString find = findText.trimmed();
    int item = 0;
    for (int i = 0; i < m_lines.size(); ++i) {
        if (isGroup(m_lines[i])) {
            groups.append({m_lines[i].mid(3), {}});
        } else if (isHeading(m_lines[i])) {
            if (groups.isEmpty())
                groups.append({QString(), {}});
            const bool underGroup = !groups.last().name.isNull();
            if (find.isEmpty() || !underGroup || DisplayLines(item).join(u'\n').contains(find, Qt::CaseInsensitive))
                groups.last().items << item;
            ++item;
        }
    }
    return groups;
}

} // namespace qv
