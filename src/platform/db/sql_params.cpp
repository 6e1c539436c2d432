#include "platform/db/sql_params.h"
#include "platform/exceptions.h"

namespace qv::db {

namespace {

bool isNameChar(char32_t c)
{
    if (c < 128)
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '$'
               || c == '#';
    if (c >= 0xFF10 && c <= 0xFF19)
        return true;
    return QChar::isLetter(c);
}

char32_t codeAt(const QString& s, qsizetype i, int* len)
{
    const QChar c = s.at(i);
    if (c.isHighSurrogate() && i + 1 < s.size() && s.at(i + 1).isLowSurrogate()) {
        *len = 2;
        return QChar::surrogateToUcs4(c, s.at(i + 1));
    }
    *len = 1;
    return c.unicode();
}

// Index just past a literal or identifier that starts at i with quote q and ends with close
// (a doubled close is part of it).
qsizetype skipQuoted(const QString& s, qsizetype i, QChar close)
{
    ++i;
    while (i < s.size()) {
        if (s.at(i) == close) {
            if (i + 1 < s.size() && s.at(i + 1) == close) {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return i;
}

qsizetype skipBlockComment(const QString& s, qsizetype i)
{
    int depth = 0;
    while (i < s.size()) {
        if (s.at(i) == QLatin1Char('/') && i + 1 < s.size() && s.at(i + 1) == QLatin1Char('*')) {
            ++depth;
            i += 2;
        } else if (s.at(i) == QLatin1Char('*') && i + 1 < s.size() && s.at(i + 1) == QLatin1Char('/')) {
            --depth;
            i += 2;
            if (depth == 0)
                return i;
        } else {
            ++i;
        }
    }
    return i;
}

qsizetype skipLineComment(const QString& s, qsizetype i)
{
    while (i < s.size() && s.at(i) != QLatin1Char('\n') && s.at(i) != QLatin1Char('\r'))
        ++i;
    return i;
}

// Skips blanks and comments from i.
qsizetype skipBlanks(const QString& s, qsizetype i)
{
    while (i < s.size()) {
        if (s.at(i).isSpace())
            ++i;
        else if (s.at(i) == QLatin1Char('-') && i + 1 < s.size() && s.at(i + 1) == QLatin1Char('-'))
            i = skipLineComment(s, i);
        else if (s.at(i) == QLatin1Char('/') && i + 1 < s.size() && s.at(i + 1) == QLatin1Char('*'))
            i = skipBlockComment(s, i);
        else
            break;
    }
    return i;
}

[[noreturn]] void tooLong(const QString& name)
{
    throw EDatabaseError(QStringLiteral("パラメータ名が長すぎます (%1 文字を超えています): %2…")
                             .arg(kMaxParamNameLength)
                             .arg(name.left(32)),
                         QStringLiteral("HY000"));
}

} // namespace

ParsedSql parseParams(const QString& sql)
{
    ParsedSql out;
    out.text.reserve(sql.size());
    const QString& s = sql;
    qsizetype i = 0;
    while (i < s.size()) {
        const QChar c = s.at(i);
        qsizetype next = i + 1;
        if (c == QLatin1Char('\'')) {
            next = skipQuoted(s, i, QLatin1Char('\''));
        } else if (c == QLatin1Char('"')) {
            next = skipQuoted(s, i, QLatin1Char('"'));
        } else if (c == QLatin1Char('[')) {
            next = skipQuoted(s, i, QLatin1Char(']'));
        } else if (c == QLatin1Char('-') && i + 1 < s.size() && s.at(i + 1) == QLatin1Char('-')) {
            next = skipLineComment(s, i);
        } else if (c == QLatin1Char('/') && i + 1 < s.size() && s.at(i + 1) == QLatin1Char('*')) {
            next = skipBlockComment(s, i);
        } else if (c == QLatin1Char(':')) {
            if (i + 1 < s.size() && s.at(i + 1) == QLatin1Char(':')) {
                next = i + 2; // "::" as in ::fn_trace_gettable
            } else if (i + 1 < s.size() && (s.at(i + 1) == QLatin1Char('"') || s.at(i + 1) == QLatin1Char('['))) {
                const QChar close = s.at(i + 1) == QLatin1Char('"') ? QLatin1Char('"') : QLatin1Char(']');
                const qsizetype end = skipQuoted(s, i + 1, close);
                QString name = s.mid(i + 2, end - i - 3);
                name.replace(QString(2, close), QString(close));
                if (name.size() > kMaxParamNameLength)
                    tooLong(name);
                if (!name.isEmpty()) {
                    qsizetype idx = out.names.indexOf(name);
                    if (idx < 0) {
                        idx = out.names.size();
                        out.names.append(name);
                    }
                    out.bindings.push_back(static_cast<int>(idx));
                    out.text.append(QLatin1Char('?'));
                    i = end;
                    continue;
                }
                next = i + 1;
            } else {
                qsizetype j = i + 1;
                while (j < s.size()) {
                    int len = 1;
                    const char32_t u = codeAt(s, j, &len);
                    if (isNameChar(u)) {
                        j += len;
                    } else if (u == '.' && j > i + 1 && j + 1 < s.size()) {
                        int l2 = 1;
                        if (!isNameChar(codeAt(s, j + 1, &l2)))
                            break;
                        ++j;
                    } else {
                        break;
                    }
                    if (j - i - 1 > kMaxParamNameLength)
                        tooLong(s.mid(i + 1, j - i - 1));
                }
                if (j > i + 1) {
                    const QString name = s.mid(i + 1, j - i - 1).toUpper();
                    qsizetype idx = out.names.indexOf(name);
                    if (idx < 0) {
                        idx = out.names.size();
                        out.names.append(name);
                    }
                    out.bindings.push_back(static_cast<int>(idx));
                    out.text.append(QLatin1Char('?'));
                    i = j;
                    continue;
                }
            }
        }
        out.text.append(QStringView(s).mid(i, next - i));
        i = next;
    }
    return out;
}

StatementKind statementKind(const QString& sql)
{
    qsizetype i = skipBlanks(sql, 0);
    if (i < sql.size() && (sql.at(i) == QLatin1Char('(') || sql.at(i) == QLatin1Char('{'))) {
        if (sql.at(i) == QLatin1Char('{'))
            return StatementKind::Execute; // {call …}
        return StatementKind::Select;
    }
    qsizetype j = i;
    while (j < sql.size() && (sql.at(j).isLetter() || sql.at(j) == QLatin1Char('_')))
        ++j;
    const QString word = sql.mid(i, j - i).toLower();
    if (word == QLatin1String("select") || word == QLatin1String("with"))
        return StatementKind::Select;
    if (word == QLatin1String("exec") || word == QLatin1String("execute") || word == QLatin1String("call"))
        return StatementKind::Execute;
    return StatementKind::Other;
}

bool splitLeadingUse(const QString& sql, QString& useLine, QString& rest)
{
    const qsizetype i = skipBlanks(sql, 0);
    if (i + 4 > sql.size() || sql.mid(i, 3).compare(QLatin1String("use"), Qt::CaseInsensitive) != 0
        || !(sql.at(i + 3).isSpace() || sql.at(i + 3) == QLatin1Char('[')))
        return false;
    // The line ends at the first line break outside a bracketed or quoted name.
    qsizetype j = i + 3;
    while (j < sql.size() && sql.at(j) != QLatin1Char('\n') && sql.at(j) != QLatin1Char('\r')
           && sql.at(j) != QLatin1Char(';')) {
        if (sql.at(j) == QLatin1Char('['))
            j = skipQuoted(sql, j, QLatin1Char(']'));
        else if (sql.at(j) == QLatin1Char('"'))
            j = skipQuoted(sql, j, QLatin1Char('"'));
        else
            ++j;
    }
    useLine = sql.mid(i, j - i).trimmed();
    if (j < sql.size() && sql.at(j) == QLatin1Char(';'))
        ++j;
    while (j < sql.size() && (sql.at(j) == QLatin1Char('\r') || sql.at(j) == QLatin1Char('\n')))
        ++j;
    rest = sql.mid(j);
    return true;
}

} // namespace qv::db
