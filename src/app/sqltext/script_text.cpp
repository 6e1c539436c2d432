#include "app/sqltext/script_text.h"

namespace qv {

namespace {

bool isUseLine(const QString& line)
{
    return line.left(4).toUpper() == QLatin1String("USE ");
}

} // namespace

void RemoveDuplicateUse(QStringList& lines)
{
    // A USE line is marked when the nearest USE line before it is the same text: then it
    // repeats the switch in force. One pass keeps this linear for long scripts.
    const qsizetype n = lines.size();
    std::vector<bool> marked(size_t(n), false);
    const QString* inForce = nullptr;
    for (qsizetype k = 0; k < n; ++k) {
        if (!isUseLine(lines[k]))
            continue;
        if (inForce && lines[k] == *inForce) {
            marked[size_t(k)] = true;
            if (k + 1 < n) {
                const QString next = lines[k + 1].toUpper();
                if (next == QLatin1String("GO") || next.isEmpty()) {
                    marked[size_t(k + 1)] = true;
                    if (next == QLatin1String("GO") && k + 2 < n && lines[k + 2].isEmpty())
                        marked[size_t(k + 2)] = true;
                }
            }
        } else {
            inForce = &lines[k];
        }
    }
    for (qsizetype k = n - 1; k >= 1; --k)
        if (marked[size_t(k)])
            lines.removeAt(k);
}

QString UnwrapExecuteSQL(const QString& text, bool check)
{
    if (check) {
        QString squeezed;
        squeezed.reserve(text.size());
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text[i];
            if (c == u' ' || c == QChar(0x3000) || c == u'\t')
                continue;
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
                ++i;
                continue;
            }
            squeezed += c;
        }
        if (!squeezed.toUpper().startsWith(QLatin1String("EXECSP_EXECUTESQL")))
            return text;
    }
    const qsizetype open = text.indexOf(u'\'');
    if (open < 0)
        return text;
    qsizetype i = open + 1;
    const qsizetype n = text.size();
    while (i < n) {
        if (text[i] == u'\'') {
            if (i + 1 < n && text[i + 1] == u'\'') {
                i += 2;
                continue;
            }
            QString inner = text.mid(open + 1, i - open - 1);
            inner.replace(QLatin1String("''"), QLatin1String("'"));
            return inner;
        }
        ++i;
    }
    return text;
}

bool IsCodeKeywordAt(const QString& text, const QString& keyword, qsizetype position)
{
    const qsizetype n = text.size();
    if (position < 1 || position > n)
        return false;
    const qsizetype at = position - 1; // 0-based
    const QStringView rest = QStringView(text).mid(at);
    if (rest.startsWith(QLatin1String("AS")) || rest.startsWith(QLatin1String("RETURNS"))) {
        const QChar before = at >= 1 ? text[at - 1] : QChar();
        const bool beforeOk = (at >= 1
                               && (before == u'\t' || before == u'\n' || before == u' '
                                   || before == u'"' || before == u']'))
                              || (at >= 2 && QStringView(text).mid(at - 2, 2) == u"*/");
        const qsizetype after = at + keyword.size();
        const QChar a = after < n ? text[after] : QChar();
        const QStringView a2 = after < n ? QStringView(text).mid(after, 2) : QStringView();
        const bool afterOk = (after < n
                              && (a == u'\t' || a == u'\r' || a == u'\n' || a == u' ' || a == u'"'
                                  || a == u'['))
                             || a2 == u"/*" || a2 == u"--";
        if (!beforeOk || !afterOk)
            return false;
    }
    // Skip every literal, name and comment that starts before the position; the position is
    // code when none of them reaches it. An unclosed construct runs to the end of the text.
    qsizetype i = 0;
    while (i < at) {
        const QChar c = text[i];
        const QChar next = i + 1 < n ? text[i + 1] : QChar();
        qsizetype end = -1; // index of the construct's last character
        if (c == u'\'' || c == u'"' || c == u'[') {
            const QChar close = c == u'[' ? QChar(u']') : c;
            const qsizetype j = text.indexOf(close, i + 1);
            end = j < 0 ? n : j;
        } else if (c == u'-' && next == u'-') {
            const qsizetype j = text.indexOf(u'\n', i + 2);
            end = j < 0 ? n : j - 1;
        } else if (c == u'/' && next == u'*') {
            int depth = 1;
            qsizetype j = i + 2;
            while (j < n && depth > 0) {
                if (text[j] == u'/' && j + 1 < n && text[j + 1] == u'*') {
                    ++depth;
                    j += 2;
                } else if (text[j] == u'*' && j + 1 < n && text[j + 1] == u'/') {
                    --depth;
                    j += 2;
                } else {
                    ++j;
                }
            }
            end = depth == 0 ? j - 1 : n;
        }
        if (end < 0) {
            ++i;
            continue;
        }
        if (end >= at)
            return false;
        i = end + 1;
    }
    return true;
}

QString AzureDateExpr(const QString& expr)
{
    return QStringLiteral("dateadd(HOUR, 9, ") + expr + QStringLiteral(")");
}

QString DequoteName(const QString& name)
{
    if (!name.startsWith(u'"'))
        return name;
    QString inner = name.mid(1);
    if (inner.endsWith(u'"'))
        inner.chop(1);
    inner.replace(QLatin1String("\"\""), QLatin1String("\""));
    return inner;
}

QString StripBrackets(const QString& name)
{
    QString out = name;
    const bool open = out.startsWith(u'[');
    if (open)
        out.remove(0, 1);
    const bool close = out.endsWith(u']');
    if (close)
        out.chop(1);
    if (open && close)
        out.replace(QLatin1String("]]"), QLatin1String("]"));
    return out;
}

QString NormalizeNamePart(const QString& part)
{
    QString p = part;
    if (p.endsWith(u';'))
        p.chop(1);
    if (p.startsWith(u'"'))
        return DequoteName(p);
    if (p.startsWith(u'['))
        return StripBrackets(p);
    return p;
}

void SplitThreePartName(const QString& name, QString& first, QString& second, QString& third)
{
    const qsizetype p1 = name.indexOf(u'.');
    const qsizetype p2 = p1 < 0 ? -1 : name.indexOf(u'.', p1 + 1);
    first = NormalizeNamePart(p1 < 0 ? QString() : name.left(p1));
    second = NormalizeNamePart(p2 < 0 ? QString() : name.mid(p1 + 1, p2 - p1 - 1));
    third = NormalizeNamePart(p2 < 0 ? name : name.mid(p2 + 1));
}

QString SynonymBaseObjectSQL(const QString& database)
{
    QString db = database;
    db.replace(u']', QLatin1String("]]"));
    return QStringLiteral("use [") + db + QStringLiteral("]\r\n")
           + QStringLiteral("select a.base_object_name from sys.synonyms as a                                ")
           + QStringLiteral("inner join sys.objects as b on b.object_id = object_id(a.base_object_name)      ")
           + QStringLiteral("where b.type in (N'U', N'S', N'V') and                                    ")
           + QStringLiteral("upper(schema_name(a.schema_id)) = :OWNER collate database_default and upper(a.name) = :NAME ");
}

QString GetSynonymBaseObject(const QString& database, const QString& owner,
                             const QString& synonymName, const FirstValueQuery& firstValue)
{
    if (!firstValue)
        return {};
    try {
        const QVariant v = firstValue(SynonymBaseObjectSQL(database),
                                      {{QStringLiteral("OWNER"), owner},
                                       {QStringLiteral("NAME"), synonymName}});
        return v.isNull() ? QString() : v.toString();
    } catch (...) {
        return {};
    }
}

} // namespace qv
