#include "app/sqltext/parser.h"

#include "app/qvstrings.h"

// ---------------------------------------------------------------------------------------------
// TqvParseList

void TqvParseList::check(int index) const
{
    if (index < 0 || index >= Count())
        throw EListError(QStringLiteral("リストのインデックスが範囲を超えています (%1)").arg(index));
}

void TqvParseList::SetCapacity(int capacity)
{
    m_capacity = std::max(capacity, Count());
    m_items.reserve(m_capacity);
}

void TqvParseList::grow()
{
    const int delta = m_capacity > 64 ? m_capacity / 4 : (m_capacity > 8 ? 16 : 4);
    SetCapacity(m_capacity + delta);
}

int TqvParseList::Add(const QString& objectName, const QString& alias)
{
    const int index = Count();
    Insert(index, objectName, alias);
    return index;
}

void TqvParseList::Insert(int index, const QString& objectName, const QString& alias)
{
    if (index < 0 || index > Count())
        throw EListError(QStringLiteral("リストのインデックスが範囲を超えています (%1)").arg(index));
    if (Count() == m_capacity)
        grow();
    m_items.insert(index, TqvParseItem{objectName, alias});
}

void TqvParseList::Delete(int index)
{
    check(index);
    m_items.removeAt(index);
}

void TqvParseList::Clear()
{
    if (Count() > 0) {
        m_items.clear();
        m_capacity = 0;
    }
}

int TqvParseList::IndexOf(const QString& objectName, const QString& alias) const
{
    for (int i = 0; i < Count(); ++i)
        if (m_items[i].FObjectName == objectName && m_items[i].FAlias == alias)
            return i;
    return -1;
}

QString TqvParseList::ObjectName(int index) const
{
    check(index);
    return m_items[index].FObjectName;
}

QString TqvParseList::Alias(int index) const
{
    check(index);
    return m_items[index].FAlias;
}

void TqvParseList::SetObjectName(int index, const QString& value)
{
    check(index);
    m_items[index].FObjectName = value;
}

void TqvParseList::SetAlias(int index, const QString& value)
{
    check(index);
    m_items[index].FAlias = value;
}

// ---------------------------------------------------------------------------------------------
// ParseSQLStatement

namespace {

enum class State { SelectList, SetList, InsertColumns, ValuesList, TableList, Where, GroupBy, Having, OrderBy };
enum class Quote { None, Single, Double };

bool isBlank(QChar c)
{
    return c == u'\t' || c == u'\n' || c == u'\r' || c == u' ';
}

bool isWordChar(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '#'
           || u == '$' || u == '_' || u >= 0x80;
}

bool isOperator(QChar c)
{
    return c == u'!' || c == u'<' || c == u'=' || c == u'>';
}

QString asciiUpper(QStringView s)
{
    QString out(s.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t u = s[i].unicode();
        out[i] = (u >= 'a' && u <= 'z') ? QChar(char16_t(u - 32)) : s[i];
    }
    return out;
}

// One run of the parser over the text from a start position (1-based positions throughout).
class StatementParser {
public:
    StatementParser(const QString& text, TqvParseList& columns, TqvParseList& tables,
                    TqvParseList& orderBy, QStringList& where, QStringList& groupBy,
                    QStringList& having, const QString& errorMessage, QString& viewName)
        : m_text(text), m_n(text.size()), m_columns(columns), m_tables(tables), m_orderBy(orderBy),
          m_where(where), m_groupBy(groupBy), m_having(having), m_message(errorMessage),
          m_viewName(viewName), m_lenient(errorMessage.isEmpty())
    {
    }

    // Parses the statement found at or after `from`; returns its kind. `next` receives the
    // position of a following statement found in lenient mode, else 0.
    TqvSQLType run(qsizetype from, qsizetype& next);

private:
    QChar at(qsizetype i) const { return (i >= m_base && i <= m_n) ? m_text[i - 1] : QChar(); }
    QStringView slice(qsizetype from, qsizetype to) const
    {
        from = std::max(from, m_base);
        to = std::min(to, m_n);
        if (to < from)
            return {};
        return QStringView(m_text).mid(from - 1, to - from + 1);
    }
    QString trimmed(qsizetype from, qsizetype to) const { return qv::TrimWhiteSpace(slice(from, to)); }
    bool matchAt(qsizetype pos, QLatin1String word) const
    {
        if (pos + word.size() - 1 > m_n)
            return false;
        for (qsizetype i = 0; i < word.size(); ++i) {
            char16_t u = m_text[pos - 1 + i].unicode();
            if (u >= 'a' && u <= 'z')
                u -= 32;
            if (u != char16_t(word[i].unicode()))
                return false;
        }
        return true;
    }
    [[noreturn]] void fail() const { throw ESQLParseError(m_message); }

    void sendToken(QStringList& list, qsizetype from, qsizetype to)
    {
        const QString token = trimmed(from, to);
        if (!token.isEmpty())
            list << token;
    }
    void sendConditionToken(qsizetype from, qsizetype to)
    {
        if (m_state == State::Where)
            sendToken(m_where, from, to);
        else if (m_state == State::Having)
            sendToken(m_having, from, to);
    }
    void addPair(TqvParseList& list, QString name, QString alias);
    void handOverPair(TqvParseList& list, bool keepSplit);
    void handOverSetItem();
    void handOverAtComma();
    void handOverAtClause(bool orderByFails);
    void moveMarksPast(qsizetype wordEnd)
    {
        m_s = m_p = m_e = wordEnd + 1;
        m_c = wordEnd;
    }
    // Handles the word after a run of blanks; returns false when the scan ends.
    bool word(qsizetype& next);
    void finish(qsizetype end);

    const QString& m_text;
    const qsizetype m_n;
    TqvParseList& m_columns;
    TqvParseList& m_tables;
    TqvParseList& m_orderBy;
    QStringList& m_where;
    QStringList& m_groupBy;
    QStringList& m_having;
    const QString& m_message;
    QString& m_viewName;
    const bool m_lenient;

    qsizetype m_base = 1;
    TqvSQLType m_kind = sqltNone;
    State m_state = State::SelectList;
    Quote m_quote = Quote::None;
    qsizetype m_depth = 0;
    qsizetype m_s = 0, m_p = 0, m_e = 0, m_c = 0;
    bool m_leftRight = false, m_inner = false, m_outer = false, m_join = false;
    QStringList m_values;
};

void StatementParser::addPair(TqvParseList& list, QString name, QString alias)
{
    if (m_state == State::TableList && (name.contains(u' ') || name.contains(QLatin1String("\r\n")))) {
        auto firstBreak = [&](const QString& s) {
            qsizetype a = s.indexOf(u' ');
            const qsizetype b = s.indexOf(QLatin1String("\r\n"));
            if (a < 0 || (b >= 0 && b < a))
                a = b;
            return a;
        };
        const qsizetype sp = name.lastIndexOf(u' ');
        const qsizetype crlf = name.lastIndexOf(QLatin1String("\r\n"));
        const qsizetype lastStart = std::max(sp < 0 ? -1 : sp + 1, crlf < 0 ? -1 : crlf + 2);
        if (alias.isEmpty() || alias == QLatin1String("go"))
            alias = name.mid(lastStart);
        name = name.left(firstBreak(name));
    }
    if (name.isEmpty() && alias.isEmpty())
        return;
    if (name.isEmpty()) {
        list.Add(alias, QString());
        return;
    }
    if (alias.endsWith(u';'))
        alias.chop(1);
    list.Add(name, alias);
}

void StatementParser::handOverPair(TqvParseList& list, bool keepSplit)
{
    if (!keepSplit && m_p == m_s)
        m_p = m_c;
    addPair(list, trimmed(m_s, m_p - 1), trimmed(m_p, m_c - 1));
}

void StatementParser::handOverSetItem()
{
    addPair(m_columns, trimmed(m_s, m_e - 1), trimmed(m_e + 1, m_c - 1));
}

void StatementParser::handOverAtComma()
{
    if (m_p == m_s)
        m_p = m_c;
    switch (m_state) {
    case State::SelectList: handOverPair(m_columns, true); break;
    case State::SetList: handOverSetItem(); break;
    case State::InsertColumns: addPair(m_columns, trimmed(m_s, m_c - 1), QString()); break;
    case State::ValuesList: m_values << trimmed(m_s, m_c - 1); break;
    case State::TableList: handOverPair(m_tables, true); break;
    case State::GroupBy: sendToken(m_groupBy, m_s, m_c - 1); break;
    case State::OrderBy: handOverPair(m_orderBy, true); break;
    case State::Where:
    case State::Having: fail();
    }
}

void StatementParser::handOverAtClause(bool orderByFails)
{
    if (m_p == m_s)
        m_p = m_c;
    switch (m_state) {
    case State::SelectList: fail();
    case State::SetList: handOverSetItem(); break;
    case State::TableList: handOverPair(m_tables, true); break;
    case State::Where: sendToken(m_where, m_p, m_c - 1); break;
    case State::GroupBy: sendToken(m_groupBy, m_s, m_c - 1); break;
    case State::Having: sendToken(m_having, m_p, m_c - 1); break;
    case State::OrderBy:
        if (orderByFails)
            fail();
        handOverPair(m_orderBy, true);
        break;
    case State::InsertColumns:
    case State::ValuesList: break;
    }
}

bool StatementParser::word(qsizetype& next)
{
    qsizetype w = m_c;
    while (w <= m_n && isWordChar(at(w)))
        ++w;
    const QString word = asciiUpper(qv::TrimWhiteSpace(slice(m_c, w - 1)));
    const bool tableList = m_state == State::TableList;

    if (word == u"FROM") {
        if (m_p == m_s)
            m_p = m_c;
        if (m_state == State::SelectList)
            handOverPair(m_columns, true);
        m_state = State::TableList;
        moveMarksPast(w);
    } else if ((word == u"LEFT" || word == u"RIGHT") && tableList) {
        handOverPair(m_tables, true);
        m_leftRight = true;
        moveMarksPast(w);
    } else if ((word == u"INNER" || word == u"OUTER") && tableList) {
        if (!m_leftRight)
            handOverPair(m_tables, true);
        (word == u"INNER" ? m_inner : m_outer) = true;
        moveMarksPast(w);
    } else if (word == u"JOIN" && tableList) {
        if (!m_leftRight && !m_inner && !m_outer)
            handOverPair(m_tables, true);
        m_join = true;
        moveMarksPast(w);
    } else if (word == u"ON" && tableList && m_join) {
        handOverPair(m_tables, true);
        m_state = State::Where;
        m_leftRight = m_inner = m_outer = m_join = false;
        moveMarksPast(w);
    } else if (word == u"WHERE" || word == u"GROUP" || word == u"ORDER") {
        handOverAtClause(false);
        m_state = word[0] == u'G' ? State::GroupBy : (word[0] == u'O' ? State::OrderBy : State::Where);
        moveMarksPast(w);
    } else if (word == u"HAVING") {
        handOverAtClause(true);
        m_state = State::Having;
        moveMarksPast(w);
    } else if (word == u"SET" && m_kind == sqltUpdate) {
        if (m_p == m_s)
            m_p = m_c;
        if (tableList)
            handOverPair(m_tables, true);
        m_state = State::SetList;
        moveMarksPast(w);
    } else if (word == u"INTO") {
        moveMarksPast(w);
    } else if (word.isEmpty() && at(m_c) == u'(' && m_kind == sqltInsert && tableList) {
        handOverPair(m_tables, true);
        m_state = State::InsertColumns;
        m_s = m_e = m_c + 1;
        // The "(" itself is examined next.
    } else if (word == u"VALUES" && m_kind == sqltInsert) {
        if (tableList)
            handOverPair(m_tables, true);
        m_state = State::ValuesList;
        moveMarksPast(w);
    } else if (word == u"AS" && m_kind == sqltCreateView && tableList) {
        m_viewName = slice(m_p, m_c - 2).toString();
        moveMarksPast(w);
    } else if (word == u"SELECT" && m_kind == sqltCreateView && !m_viewName.isEmpty()) {
        m_state = State::SelectList;
        moveMarksPast(w);
    } else if (word == u"BY") {
        moveMarksPast(w);
    } else if (word == u"UNION" || word == u"FOR") {
        fail();
    } else if (word == u"SELECT" || word == u"INSERT" || word == u"UPDATE" || word == u"DELETE") {
        if (m_lenient) {
            next = m_c;
            return false;
        }
        m_c = w;
    } else if (slice(m_c, w - 1) == u"go" && (at(m_c - 1) == u'\n' || at(m_c - 1) == u' ')
               && (at(w) == u'\r' || at(w) == u' ')) {
        if (!m_lenient)
            return false;
        m_c = w;
    } else {
        // A comma after the blanks ends the item (comma-first layout): the alias split of the
        // item stays where it was.
        if (!(word.isEmpty() && at(m_c) == u','))
            m_p = m_c;
        m_c = w;
    }
    return true;
}

void StatementParser::finish(qsizetype end)
{
    m_c = end;
    if (!trimmed(m_s, m_c - 1).isEmpty()) {
        switch (m_state) {
        case State::InsertColumns:
        case State::ValuesList: break;
        case State::Where:
        case State::Having: sendConditionToken(m_p, m_c - 1); break;
        default: handOverAtComma(); break;
        }
    }
    if (m_quote != Quote::None)
        fail();
    if (m_depth > 0 && !m_lenient)
        fail();
    if (m_kind == sqltInsert) {
        if (m_columns.Count() == 0) {
            for (const QString& v : std::as_const(m_values))
                m_columns.Add(QString(), v);
        } else if (m_values.size() != m_columns.Count()) {
            fail();
        } else {
            for (int i = 0; i < m_columns.Count(); ++i)
                m_columns.SetAlias(i, m_values[i]);
        }
    }
}

TqvSQLType StatementParser::run(qsizetype from, qsizetype& next)
{
    next = 0;
    m_base = from;
    qsizetype start = 0;
    // The statement's leading keyword, its kind, the first state and where the scan goes on.
    struct Lead {
        QLatin1String word;
        TqvSQLType kind;
        State state;
        qsizetype skip;
    };
    static const Lead leads[] = {
        {QLatin1String("SELECT"), sqltSelect, State::SelectList, 6},
        {QLatin1String("INSERT"), sqltInsert, State::TableList, 6},
        {QLatin1String("UPDATE"), sqltUpdate, State::TableList, 6},
        {QLatin1String("DELETE"), sqltDelete, State::TableList, 6},
        {QLatin1String("CREATE VIEW"), sqltCreateView, State::TableList, 12},
    };
    for (qsizetype pos = from; pos <= m_n && start == 0; ++pos) {
        for (const Lead& l : leads) {
            if (matchAt(pos, l.word)) {
                m_kind = l.kind;
                m_state = l.state;
                start = pos + l.skip;
                break;
            }
        }
    }
    if (m_kind == sqltNone)
        return sqltNone;

    m_s = m_p = m_e = m_c = start;
    while (m_c <= m_n) {
        const QChar ch = at(m_c);
        if (m_quote == Quote::None && isBlank(ch) && (m_depth == 0 || m_lenient)) {
            sendConditionToken(m_p, m_c - 1);
            if (m_state == State::Where || m_state == State::Having)
                m_p = m_c;
            while (m_c <= m_n && isBlank(at(m_c)))
                ++m_c;
            if (m_c > m_n)
                break;
            if (!word(next))
                break;
            continue;
        }
        if (ch == u'\'' && m_quote != Quote::Double) {
            const bool opening = m_quote == Quote::None;
            if (m_depth == 0) {
                if (opening) {
                    sendConditionToken(m_p, m_c - 1);
                    m_p = m_c;
                } else {
                    sendConditionToken(m_p, m_c);
                    m_p = m_c + 1;
                }
            }
            m_quote = opening ? Quote::Single : Quote::None;
        } else if (ch == u'"' && m_quote != Quote::Single
                   && !(m_kind == sqltCreateView && m_viewName.isEmpty())) {
            const bool opening = m_quote == Quote::None;
            if (m_depth == 0) {
                if (opening) {
                    sendConditionToken(m_p, m_c - 1);
                    m_p = m_c;
                } else {
                    sendConditionToken(m_p, m_c);
                    m_p = m_c + 1;
                }
            }
            m_quote = opening ? Quote::Double : Quote::None;
        } else if (m_quote == Quote::None) {
            if (ch == u'(') {
                if (m_depth == 0) {
                    if (m_state == State::TableList && m_kind == sqltInsert) {
                        if (m_p == m_s)
                            m_p = m_c;
                        handOverPair(m_tables, true);
                        m_state = State::InsertColumns;
                        m_s = m_e = m_c + 1;
                    } else if (m_state == State::ValuesList) {
                        m_values.clear();
                        m_s = m_e = m_c + 1;
                    } else {
                        sendConditionToken(m_p, m_c - 1);
                    }
                    m_p = m_c;
                }
                ++m_depth;
            } else if (ch == u')') {
                if (--m_depth < 0)
                    fail();
                if (m_depth == 0) {
                    if (m_state == State::InsertColumns) {
                        addPair(m_columns, trimmed(m_s, m_c - 1), QString());
                        m_state = State::ValuesList;
                        m_s = m_c + 1;
                    } else if (m_state == State::ValuesList) {
                        m_values << trimmed(m_s, m_c - 1);
                        m_s = m_c + 1;
                    } else {
                        sendConditionToken(m_p, m_c);
                    }
                    m_p = m_c + 1;
                }
            } else if (isOperator(ch) && (m_depth == 0 || m_lenient)) {
                if (m_state == State::Where) {
                    sendToken(m_where, m_p, m_c - 1);
                    qsizetype r = m_c;
                    while (r <= m_n && isOperator(at(r)))
                        ++r;
                    sendToken(m_where, m_c, r - 1);
                    m_p = m_c = r;
                    continue;
                }
                if (ch == u'=' && m_e == m_s)
                    m_e = m_c;
            } else if (ch == u','
                       && (m_depth == 0 || m_lenient
                           || (m_depth == 1
                               && (m_state == State::InsertColumns || m_state == State::ValuesList)))) {
                handOverAtComma();
                m_s = m_p = m_e = m_c + 1;
            }
        }
        ++m_c;
    }
    finish(std::min(m_c, m_n + 1));
    return m_kind;
}

} // namespace

TqvSQLType ParseSQLStatement(const QString& text, TqvParseList& columns, TqvParseList& tables,
                             TqvParseList& orderBy, QStringList& where, QStringList& groupBy,
                             QStringList& having, const QString& errorMessage, QString& viewName)
{
    viewName.clear();
    qsizetype next = 0;
    TqvSQLType first = sqltNone;
    bool firstRun = true;
    qsizetype from = 1;
    // Lenient mode goes on with each following statement, adding to the same lists.
    do {
        StatementParser parser(text, columns, tables, orderBy, where, groupBy, having,
                               errorMessage, viewName);
        const TqvSQLType kind = parser.run(from, next);
        if (firstRun)
            first = kind;
        firstRun = false;
        if (next > 0) {
            viewName.clear();
            from = next;
        }
    } while (next > 0);
    return first;
}
