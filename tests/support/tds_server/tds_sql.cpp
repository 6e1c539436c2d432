#include "tds_sql.h"

#include <QRegularExpression>

namespace qvtds {

namespace {

bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('@') || c == QLatin1Char('#')
           || c == QLatin1Char('$');
}

// Calls Replace(name) for each "@name" outside literals, identifiers and comments; a
// replacement of std::nullopt keeps the original text.
template <typename F>
QString scanParameters(const QString& sql, F replace)
{
    QString out;
    out.reserve(sql.size());
    const int n = int(sql.size());
    int i = 0;
    auto copyUntil = [&](int end) { out += sql.mid(i, end - i); i = end; };
    while (i < n) {
        QChar c = sql.at(i);
        if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('[')) {
            QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : c;
            int j = i + 1;
            while (j < n) {
                if (sql.at(j) == close) {
                    if (j + 1 < n && sql.at(j + 1) == close) { j += 2; continue; }
                    break;
                }
                ++j;
            }
            copyUntil(qMin(n, j + 1));
        } else if (c == QLatin1Char('-') && i + 1 < n && sql.at(i + 1) == QLatin1Char('-')) {
            int j = sql.indexOf(QLatin1Char('\n'), i);
            copyUntil(j < 0 ? n : j);
        } else if (c == QLatin1Char('/') && i + 1 < n && sql.at(i + 1) == QLatin1Char('*')) {
            int j = sql.indexOf(QLatin1String("*/"), i + 2);
            copyUntil(j < 0 ? n : j + 2);
        } else if (c == QLatin1Char('@') && (i == 0 || !isNameChar(sql.at(i - 1)))) {
            int j = i + 1;
            while (j < n && isNameChar(sql.at(j)))
                ++j;
            QString name = sql.mid(i, j - i);
            auto r = replace(name);
            if (r) {
                out += *r;
                i = j;
            } else {
                copyUntil(j);
            }
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

} // namespace

QString normaliseLineEnds(const QString& sql)
{
    QString s = sql;
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

QStringList declaredParameterNames(const QString& declaration)
{
    QStringList names;
    static const QRegularExpression re(QStringLiteral("(?:^|,)\\s*(@[\\w@#$]+)"));
    auto it = re.globalMatch(declaration);
    while (it.hasNext())
        names << it.next().captured(1);
    return names;
}

QString substituteParameters(const QString& sql, const QHash<QString, QString>& literals)
{
    QHash<QString, QString> lower;
    for (auto it = literals.begin(); it != literals.end(); ++it)
        lower.insert(it.key().toLower(), it.value());
    return scanParameters(sql, [&](const QString& name) -> std::optional<QString> {
        auto it = lower.constFind(name.toLower());
        if (it == lower.constEnd())
            return std::nullopt;
        return *it;
    });
}

QString markParameters(const QString& sql, const QStringList& names)
{
    QHash<QString, QString> marks;
    for (const QString& n : names)
        marks.insert(n, QStringLiteral("?"));
    return substituteParameters(sql, marks);
}

bool takeUseLine(const QString& sql, QString* database, QString* rest)
{
    static const QRegularExpression re(
        QStringLiteral("^\\s*use\\s+(\\[(?:[^\\]]|\\]\\])+\\]|\"[^\"]+\"|[^\\s;\\[\"]+)[ \\t]*;?[ \\t]*(?:\\n|$)"),
        QRegularExpression::CaseInsensitiveOption);
    auto m = re.match(sql);
    if (!m.hasMatch())
        return false;
    QString name = m.captured(1);
    if (name.startsWith(QLatin1Char('['))) {
        name = name.mid(1, name.size() - 2);
        name.replace(QLatin1String("]]"), QLatin1String("]"));
    } else if (name.startsWith(QLatin1Char('"'))) {
        name = name.mid(1, name.size() - 2);
    }
    *database = name;
    *rest = sql.mid(m.capturedEnd(0));
    return true;
}

} // namespace qvtds
