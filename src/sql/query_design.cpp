#include "sql/query_design.h"

#include "app/qvstrings.h"
#include "app/sqlformat/sql_formatter.h"
#include "app/sqltext/comments.h"

#include <algorithm>
#include <cstdlib>

namespace qv {

const char* const SortAscending = "昇順";
const char* const SortDescending = "降順";

const QStringList& PickGroupTypes()
{
    static const QStringList list{QString(), "GROUP BY", "HAVING", "AVG", "COUNT", "MAX", "MEDIAN", "MIN",
                                  "STDDEV", "STDDEV_POP", "STDDEV_SAMP", "SUM", "VAR_POP", "VAR_SAMP", "VARIANCE"};
    return list;
}

const QStringList& PickSortTypes()
{
    static const QStringList list{QString(), QString::fromUtf8(SortAscending), QString::fromUtf8(SortDescending)};
    return list;
}

QString BuilderParseMessage()
{
    return QString::fromUtf8("この SQL は、SQLビルダ上に表示する事は出来ません。");
}

namespace {

bool isEmptyCell(const QString& s) { return s.trimmed().isEmpty(); }

bool isSelectLike(TqvSQLType t) { return t == sqltSelect || t == sqltCreateView; }

// Text of a join's comparison as written into SQL.
const char* operatorText(TqvSQLBuildConnectType t)
{
    switch (t) {
    case ctEQ: return " = ";
    case ctGT: return " > ";
    case ctGE: return " >= ";
    case ctLT: return " < ";
    case ctLE: return " <= ";
    case ctNE: return " != ";
    }
    return " = ";
}

bool connectTypeOf(const QString& op, TqvSQLBuildConnectType& type)
{
    static const struct { const char* text; TqvSQLBuildConnectType type; } ops[] = {
        {"=", ctEQ}, {">", ctGT}, {">=", ctGE}, {"<", ctLT}, {"<=", ctLE}, {"!=", ctNE}, {"<>", ctNE}};
    for (const auto& o : ops)
        if (op == QLatin1String(o.text)) {
            type = o.type;
            return true;
        }
    return false;
}

bool isConditionOperator(const QString& op)
{
    static const QStringList ops{"=", ">", ">=", "<", "<=", "!=", "<>", "IS", "IN", "LIKE", "BETWEEN"};
    return ops.contains(op.toUpper());
}

QString unquoteDouble(QString s)
{
    s = TrimWhiteSpace(s);
    if (s.size() >= 2 && s.startsWith('"') && s.endsWith('"'))
        s = s.mid(1, s.size() - 2).replace("\"\"", "\"");
    return s;
}

// A name part as the boxes hold it: enclosing double quotes or brackets removed (the builder
// itself writes bracketed names when the bracket option is on).
QString unquoteName(const QString& text)
{
    QString s = unquoteDouble(text);
    if (IsBracketQuoted(s))
        s = s.mid(1, s.size() - 2).replace("]]", "]");
    return s;
}

// The outer-join kind of each table of a statement's FROM clause, in the order the parser
// lists them: 'L' for the table after LEFT [OUTER] JOIN, 'R' after RIGHT [OUTER] JOIN, else 0.
QList<char> ansiJoinKinds(const QString& text)
{
    QList<char> kinds;
    int depth = 0;
    bool inFrom = false, done = false;
    char pending = 0;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && !done) {
        const QChar ch = text[i];
        if (ch == '\'' || ch == '"' || ch == '[') {
            const QChar close = ch == '[' ? QChar(']') : ch;
            ++i;
            while (i < n) {
                if (text[i] == close) {
                    if (i + 1 < n && text[i + 1] == close) {
                        i += 2;
                        continue;
                    }
                    break;
                }
                ++i;
            }
            ++i;
            continue;
        }
        if (ch == '(') {
            ++depth;
        } else if (ch == ')') {
            --depth;
        } else if (ch == ',' && depth == 0 && inFrom) {
            kinds << 0;
        } else if (ch.isLetter() || ch == '_') {
            qsizetype j = i;
            while (j < n && (text[j].isLetterOrNumber() || text[j] == '_' || text[j] == '@' || text[j] == '#' || text[j] == '$'))
                ++j;
            const QString word = text.mid(i, j - i).toUpper();
            i = j;
            if (depth != 0)
                continue;
            if (word == "FROM" && !inFrom) {
                inFrom = true;
                kinds << 0;
            } else if (inFrom) {
                if (word == "LEFT")
                    pending = 'L';
                else if (word == "RIGHT")
                    pending = 'R';
                else if (word == "JOIN") {
                    kinds << pending;
                    pending = 0;
                } else if (word == "WHERE" || word == "GROUP" || word == "ORDER" || word == "HAVING")
                    done = true;
            }
            continue;
        }
        ++i;
    }
    return kinds;
}

void splitReference(const QString& text, QString& alias, QString& column)
{
    const auto dot = text.indexOf('.');
    if (dot < 0) {
        alias.clear();
        column = unquoteDouble(text);
    } else {
        alias = unquoteDouble(text.left(dot));
        column = unquoteDouble(text.mid(dot + 1));
    }
}

QString oneLine(QString s)
{
    s.replace("\r\n", " ");
    return s.trimmed();
}

} // namespace

// ---------------------------------------------------------------------------------------------
QString TqvSQLBuildTable::HeaderText() const
{
    if (!TableDatabase.isEmpty() && !TableSchema.isEmpty())
        return TableDatabase + "." + TableSchema + "." + TableName;
    if (!TableSchema.isEmpty())
        return TableSchema + "." + TableName;
    return TableName;
}

int TqvSQLBuildTable::IndexOfColumn(const QString& name) const
{
    for (int i = 0; i < Items.size(); ++i)
        if (Items[i].Name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

// ---------------------------------------------------------------------------------------------
TqvSQLDesign::TqvSQLDesign() { ClearGrid(); }

TqvSQLDesign::~TqvSQLDesign() { Clear(); }

TqvSQLDesign::Row TqvSQLDesign::EmptyRow()
{
    Row r;
    for (int i = 0; i < gcCount; ++i)
        r << QString();
    return r;
}

void TqvSQLDesign::ClearGrid()
{
    m_rows.clear();
    m_rows << EmptyRow();
}

void TqvSQLDesign::AppendRow(const Row& cells)
{
    Row r = cells;
    while (r.size() < gcCount)
        r << QString();
    m_rows.last() = r;
    m_rows << EmptyRow();
}

void TqvSQLDesign::SetSQLType(TqvSQLType type)
{
    if (type == m_type)
        return;
    m_type = type;
    if (!m_sync) {
        Clear();
        ClearGrid();
    }
}

void TqvSQLDesign::Clear()
{
    m_selected = nullptr;
    m_connects.clear();
    m_tables.clear();
}

QString TqvSQLDesign::NewAlias() const
{
    QString alias = "a";
    auto used = [this](const QString& a) {
        for (const auto& t : m_tables)
            if (t->Alias() == a)
                return true;
        return false;
    };
    while (used(alias)) {
        if (alias.back() == QLatin1Char('z')) {
            alias.back() = QLatin1Char('a');
            alias += QLatin1Char('a');
        } else {
            alias.back() = QChar(alias.back().unicode() + 1);
        }
    }
    return alias;
}

int TqvSQLDesign::InsertGridRow(int row)
{
    if (row < 0 || row >= m_rows.size())
        return -1;
    m_rows.insert(row, EmptyRow());
    return row;
}

int TqvSQLDesign::DeleteGridRow(int row)
{
    if (row < 0 || row >= m_rows.size() - 1)
        return -1;
    m_rows.removeAt(row);
    if (row == m_rows.size() - 1)
        m_rows[row] = EmptyRow();
    return row;
}

int TqvSQLDesign::MoveGridRow(int row, int delta)
{
    const int to = row + delta;
    if (row < 0 || to < 0 || row >= m_rows.size() - 1 || to >= m_rows.size() - 1)
        return -1;
    m_rows.swapItemsAt(row, to);
    return to;
}

TqvSQLBuildTable* TqvSQLDesign::AddTable(const QString& tableName)
{
    return AddTable(tableName, isSelectLike(m_type) ? NewAlias() : QString());
}

void TqvSQLDesign::place(TqvSQLBuildTable* t)
{
    bool moved = true;
    while (moved) {
        moved = false;
        for (const auto& other : m_tables) {
            if (other.get() == t || !other->Bounds.intersects(t->Bounds))
                continue;
            t->Bounds.translate(150, 0);
            if (t->Bounds.left() > Metrics.SurfaceWidth)
                t->Bounds.moveTo(16, t->Bounds.top() + 176);
            moved = true;
            break;
        }
    }
}

TqvSQLBuildTable* TqvSQLDesign::AddTable(const QString& tableName, const QString& alias)
{
    auto box = std::make_unique<TqvSQLBuildTable>();
    auto* t = box.get();
    t->AliasText = alias;
    t->Bounds = QRect(16, 16, 120,
                      5 * Metrics.ItemHeight + Metrics.HeaderHeight + Metrics.AliasHeight + 8);
    m_tables.push_back(std::move(box));
    place(t);
    if (Catalog)
        fillTable(t, tableName);
    return t;
}

void TqvSQLDesign::fillTable(TqvSQLBuildTable* t, const QString& tableName)
{
    const QString name = TrimWhiteSpace(tableName);
    if (name.startsWith('(') && name.endsWith(')')) {
        t->TableName = name;
        if (isSelectLike(m_type))
            t->Items << TqvBuildColumn{"*", false};
        try {
            for (const auto& c : Catalog->QueryColumns(name.mid(1, name.size() - 2)))
                t->Items << TqvBuildColumn{c, false};
        } catch (const std::exception&) {
        }
        return;
    }
    // Split "db.schema.name", brackets and double quotes allowed around each part.
    QStringList parts;
    {
        QString plain = name;
        plain.remove('[').remove(']');
        plain.replace('.', ',');
        QString cur;
        bool inQuote = false, any = false;
        for (QChar ch : plain) {
            if (ch == '"') {
                inQuote = !inQuote;
                any = true;
            } else if (!inQuote && (ch == ',' || ch == ' ')) {
                if (any || !cur.isEmpty() || ch == ',')
                    parts << cur;
                cur.clear();
                any = false;
            } else {
                cur += ch;
                any = true;
            }
        }
        parts << cur;
    }
    QString database, schema, object;
    if (parts.size() == 2) {
        database = Catalog->Database();
        schema = parts[0];
        object = parts[1];
    } else if (parts.size() == 3) {
        database = parts[0];
        schema = parts[1];
        object = parts[2];
    } else {
        database = Catalog->Database();
        schema = Catalog->DefSchema();
        object = parts.value(0);
    }
    if (database.isEmpty())
        database = Catalog->Database();
    if (schema.isEmpty())
        schema = Catalog->DefSchema();
    t->TableName = object;
    t->TableSchema = schema;
    t->TableDatabase = database;
    if (isSelectLike(m_type))
        t->Items << TqvBuildColumn{"*", false};

    TqvTableCatalog info = Catalog->TableCatalog(database, schema, object, Catalog->DBVer() > 8);
    if (!info.SynonymBase.isEmpty()) {
        // The box keeps the synonym's names; keys and columns are the base object's.
        const QString& base = info.SynonymBase;
        QStringList bp;
        qsizetype pos = 0;
        while ((pos = base.indexOf('[', pos)) >= 0) {
            const auto end = base.indexOf(']', pos + 1);
            if (end < 0)
                break;
            bp << base.mid(pos + 1, end - pos - 1);
            pos = end + 1;
        }
        QString baseDb, baseSchema, baseName;
        if (bp.size() == 2) {
            baseDb = Catalog->CurrentDatabase();
            baseSchema = bp[0];
            baseName = bp[1];
        } else if (bp.size() == 3) {
            baseDb = bp[0];
            baseSchema = bp[1];
            baseName = bp[2];
        } else {
            baseDb = Catalog->CurrentDatabase();
            baseSchema = Catalog->CurrentSchema();
            baseName = bp.value(0);
        }
        info = Catalog->TableCatalog(baseDb, baseSchema, baseName, false);
    }
    for (const auto& c : info.Columns)
        t->Items << TqvBuildColumn{c, info.Keys.contains(c)};
}

void TqvSQLDesign::RemoveTable(TqvSQLBuildTable* table)
{
    if (m_selected == table)
        m_selected = nullptr;
    std::erase_if(m_connects, [table](const auto& c) { return c->FromTable == table || c->ToTable == table; });
    const QString prefix = table->Alias() + ".";
    for (int i = m_rows.size() - 2; i >= 0; --i)
        if (TrimWhiteSpace(m_rows[i][gcItem]).startsWith(prefix))
            m_rows.removeAt(i);
    std::erase_if(m_tables, [table](const auto& t) { return t.get() == table; });
}

TqvSQLBuildConnect* TqvSQLDesign::AddConnect(TqvSQLBuildTable* from, TqvSQLBuildTable* to,
                                             const QString& fromColumn, const QString& toColumn)
{
    auto c = std::make_unique<TqvSQLBuildConnect>();
    c->FromTable = from;
    c->ToTable = to;
    c->FromColumn = fromColumn;
    c->ToColumn = toColumn;
    m_connects.push_back(std::move(c));
    return m_connects.back().get();
}

void TqvSQLDesign::RemoveConnect(TqvSQLBuildConnect* connect)
{
    std::erase_if(m_connects, [connect](const auto& c) { return c.get() == connect; });
}

TqvSQLBuildTable* TqvSQLDesign::FindTableByColumn(const QString& alias, const QString& column) const
{
    TqvSQLBuildTable* found = nullptr;
    for (const auto& t : m_tables)
        if ((alias.isEmpty() || t->Alias().compare(alias, Qt::CaseInsensitive) == 0) && t->IndexOfColumn(column) >= 0)
            found = t.get();
    return found;
}

void TqvSQLDesign::RenameAlias(const QString& oldAlias, const QString& newAlias)
{
    if (oldAlias.isEmpty() || oldAlias == newAlias)
        return;
    for (int i = 0; i + 1 < m_rows.size(); ++i)
        for (int col : {int(gcItem), int(gcCondition)})
            m_rows[i][col].replace(oldAlias + ".", newAlias + ".", Qt::CaseInsensitive);
}

QStringList TqvSQLDesign::ColumnReferences(const TqvSQLBuildTable* table, const QList<int>& indexes) const
{
    QStringList out;
    for (int i : indexes) {
        const QString& c = table->Items[i].Name;
        out << GetRefName(table) + (c == "*" ? c : QuoteIdentifier(c));
    }
    return out;
}

void TqvSQLDesign::AddColumnRows(const TqvSQLBuildTable* table, const QList<int>& indexes)
{
    for (const auto& item : ColumnReferences(table, indexes)) {
        Row r = EmptyRow();
        r[gcItem] = item;
        r[gcShow] = isSelectLike(m_type) ? "1" : QString();
        AppendRow(r);
    }
}

QStringList TqvSQLDesign::PickColumns() const
{
    QStringList out;
    for (const auto& t : m_tables) {
        QList<int> all;
        for (int i = 0; i < t->Items.size(); ++i)
            all << i;
        out << ColumnReferences(t.get(), all);
    }
    return out;
}

bool TqvSQLDesign::CellApplies(int column) const
{
    switch (column) {
    case gcItem: return true;
    case gcAlias: return isSelectLike(m_type) || m_type == sqltInsert || m_type == sqltUpdate;
    case gcShow:
    case gcSort:
    case gcSortOrder:
    case gcGroup: return isSelectLike(m_type);
    case gcCondition: return isSelectLike(m_type) || m_type == sqltUpdate || m_type == sqltDelete;
    }
    return false;
}

QString TqvSQLDesign::GetDatabase(const TqvSQLBuildTable* t) const
{
    const QString db = TrimWhiteSpace(t->TableDatabase);
    if (db.isEmpty() || (Catalog && db.compare(Catalog->Database(), Qt::CaseInsensitive) == 0))
        return {};
    return QuoteIdentifier(t->TableDatabase) + ".";
}

QString TqvSQLDesign::GetSchema(const TqvSQLBuildTable* t) const
{
    if (!GetDatabase(t).isEmpty())
        return QuoteIdentifier(t->TableSchema) + ".";
    const QString s = TrimWhiteSpace(t->TableSchema);
    if (!s.isEmpty() && (!Catalog || s.compare(Catalog->DefSchema(), Qt::CaseInsensitive) != 0))
        return QuoteIdentifier(t->TableSchema) + ".";
    return {};
}

QString TqvSQLDesign::GetRefName(const TqvSQLBuildTable* t) const
{
    if (!isSelectLike(m_type) && t->AliasText.isEmpty())
        return {};
    return t->Alias() + ".";
}

QString TqvSQLDesign::TableReference(const TqvSQLBuildTable* t) const
{
    QString ref = GetDatabase(t) + GetSchema(t) + QuoteIdentifier(t->TableName);
    if (!t->AliasText.isEmpty() && t->AliasText != t->TableName)
        ref += " " + t->AliasText;
    return ref;
}

// ---------------------------------------------------------------------------------------------
QStringList TqvSQLDesign::DesignToSQLLines()
{
    QStringList lines;
    auto chopLast = [&lines](int n) {
        if (!lines.isEmpty())
            lines.last().chop(n);
    };
    const int dataRows = m_rows.size(); // the empty last row never writes anything
    auto cell = [this](int r, int c) -> const QString& { return m_rows[r][c]; };

    if (m_type == sqltCreateView)
        lines << "CREATE VIEW " + ViewName + " AS ";
    if (isSelectLike(m_type)) {
        const bool hasTable = !m_tables.empty();
        if (hasTable)
            lines << "SELECT";
        bool wrote = false;
        for (int r = 0; r < dataRows; ++r) {
            if ((isEmptyCell(cell(r, gcAlias)) && isEmptyCell(cell(r, gcItem))) || cell(r, gcShow) != "1")
                continue;
            if (lines.isEmpty())
                lines << "SELECT";
            QString expr = cell(r, gcItem);
            const QString g = cell(r, gcGroup);
            if (!isEmptyCell(g) && g != "GROUP BY" && g != "HAVING")
                expr = g + "(" + expr + ")";
            if (!isEmptyCell(cell(r, gcAlias)))
                expr += " " + cell(r, gcAlias);
            lines << "  " + expr + ",";
            wrote = true;
        }
        if (wrote)
            chopLast(1);
        if (hasTable) {
            lines << "FROM";
            for (const auto& t : m_tables)
                lines << "  " + TableReference(t.get()) + ",";
            chopLast(1);
        }
    } else if (m_type == sqltInsert) {
        if (m_tables.empty()) {
            lines << "INSERT INTO ";
        } else {
            lines << "INSERT INTO " + TableReference(m_tables.front().get());
            QStringList items, values;
            for (int r = 0; r < dataRows; ++r)
                if (!isEmptyCell(cell(r, gcAlias))) {
                    items << cell(r, gcItem);
                    values << cell(r, gcAlias);
                }
            lines << "  (" + items.join(", ") + ")";
            lines << "  VALUES(" + values.join(", ") + ")";
        }
    } else if (m_type == sqltUpdate) {
        if (!m_tables.empty()) {
            lines << "UPDATE " + TableReference(m_tables.front().get()) + " SET";
            bool wrote = false;
            for (int r = 0; r < dataRows; ++r)
                if (!isEmptyCell(cell(r, gcItem)) && !isEmptyCell(cell(r, gcAlias))) {
                    lines << "  " + cell(r, gcItem) + " = " + cell(r, gcAlias) + ",";
                    wrote = true;
                }
            if (wrote)
                chopLast(1);
        }
    } else if (m_type == sqltDelete) {
        if (!m_tables.empty())
            lines << "DELETE FROM " + TableReference(m_tables.front().get());
    }

    if (m_type != sqltInsert && m_type != sqltNone) {
        bool where = false;
        if (!m_connects.empty()) {
            lines << "WHERE";
            where = true;
            for (const auto& c : m_connects)
                lines << "  " + GetRefName(c->FromTable) + QuoteIdentifier(c->FromColumn) + operatorText(c->ConnectType) +
                             GetRefName(c->ToTable) + QuoteIdentifier(c->ToColumn) + " AND ";
        }
        for (int r = 0; r < dataRows; ++r) {
            const QString g = cell(r, gcGroup);
            if (isEmptyCell(cell(r, gcCondition)) || g == "GROUP BY" || g == "HAVING")
                continue;
            if (!where)
                lines << "WHERE";
            where = true;
            lines << "  " + cell(r, gcItem) + " " + cell(r, gcCondition) + " AND ";
        }
        if (where)
            chopLast(5);
    }
    if (isSelectLike(m_type)) {
        QStringList groups;
        for (int r = 0; r < dataRows; ++r)
            if (!isEmptyCell(cell(r, gcItem)) && cell(r, gcGroup) == "GROUP BY")
                groups << cell(r, gcItem);
        if (!groups.isEmpty())
            lines << "GROUP BY " + groups.join(",");
    }
    if (m_type != sqltInsert && m_type != sqltNone) {
        bool having = false;
        for (int r = 0; r < dataRows; ++r) {
            const QString g = cell(r, gcGroup);
            if (isEmptyCell(cell(r, gcCondition)) || (g != "GROUP BY" && g != "HAVING"))
                continue;
            if (!having)
                lines << "HAVING";
            having = true;
            lines << "  " + cell(r, gcItem) + " " + cell(r, gcCondition) + " AND ";
        }
        if (having)
            chopLast(5);
    }
    if (isSelectLike(m_type)) {
        struct Entry {
            QString key;
            int row;
        };
        std::vector<Entry> entries;
        for (int r = 0; r < dataRows; ++r) {
            if (isEmptyCell(cell(r, gcAlias)) && isEmptyCell(cell(r, gcItem)))
                continue;
            if (isEmptyCell(cell(r, gcSort)) && isEmptyCell(cell(r, gcSortOrder)))
                continue;
            QString digits;
            for (QChar ch : cell(r, gcSortOrder).trimmed())
                if (ch >= '0' && ch <= '9')
                    digits += ch;
            if (!digits.isEmpty() || !isEmptyCell(cell(r, gcSort))) {
                // "%.5d": at least five digits; longer numbers keep all of theirs.
                const QString key = digits.isEmpty() ? QString("99999") : digits.rightJustified(5, QChar('0'));
                entries.push_back({key, r});
            }
            m_rows[r][gcSortOrder].clear();
        }
        std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.key < b.key; });
        QStringList order;
        int i = 0;
        for (const auto& e : entries) {
            ++i;
            Row& row = m_rows[e.row];
            QString text = !isEmptyCell(row[gcAlias]) ? row[gcAlias] : row[gcItem];
            if (row[gcSort] == QString::fromUtf8(SortDescending))
                text += " DESC";
            if (isEmptyCell(row[gcSort]))
                row[gcSort] = QString::fromUtf8(SortAscending);
            row[gcSortOrder] = QString::number(i);
            order << text;
        }
        if (!order.isEmpty())
            lines << "ORDER BY " + order.join(",");
    }
    return lines;
}

QString TqvSQLDesign::DesignToSQL()
{
    const QStringList lines = DesignToSQLLines();
    QString text = lines.join("\r\n");
    QString out;
    FormatSQLText(text, out);
    return out;
}

// ---------------------------------------------------------------------------------------------
int TqvSQLDesign::tableIndex(const TqvSQLBuildTable* t) const
{
    for (size_t i = 0; i < m_tables.size(); ++i)
        if (m_tables[i].get() == t)
            return int(i);
    return -1;
}

int TqvSQLDesign::findRowByAliasOrItem(const QString& text) const
{
    for (int r = 0; r + 1 < m_rows.size(); ++r)
        if (!m_rows[r][gcAlias].isEmpty() && m_rows[r][gcAlias].compare(text, Qt::CaseInsensitive) == 0)
            return r;
    for (int r = 0; r + 1 < m_rows.size(); ++r)
        if (m_rows[r][gcItem].compare(text, Qt::CaseInsensitive) == 0)
            return r;
    return -1;
}

TqvSQLDesign::Row& TqvSQLDesign::newRow()
{
    m_rows << EmptyRow();
    return m_rows[m_rows.size() - 2];
}

void TqvSQLDesign::whereConditions(const QStringList& whereTokens)
{
    QStringList tokens = whereTokens;
    tokens << "AND";
    QString left, op, right;
    bool leftOuter = false, rightOuter = false, between = false;
    auto finish = [&]() {
        if (left.isEmpty() && op.isEmpty() && right.isEmpty())
            return;
        QString la, lc, ra, rc;
        splitReference(left, la, lc);
        splitReference(right, ra, rc);
        la = unquoteName(la);
        lc = unquoteName(lc);
        ra = unquoteName(ra);
        rc = unquoteName(rc);
        TqvSQLBuildTable* lt = FindTableByColumn(la, lc);
        TqvSQLBuildTable* rt = FindTableByColumn(ra, rc);
        TqvSQLBuildConnectType type;
        if (lt && rt && connectTypeOf(op, type)) {
            // An ANSI outer join marks the optional side like "(+)" does.
            const char lk = m_joinKinds.value(tableIndex(lt)), rk = m_joinKinds.value(tableIndex(rt));
            if (!leftOuter && !rightOuter) {
                if (rk == 'L' || lk == 'R')
                    leftOuter = true;
                else if (lk == 'L' || rk == 'R')
                    rightOuter = true;
            }
            auto* c = AddConnect(lt, rt, lc, rc);
            c->FromColumn = lt->Items[lt->IndexOfColumn(lc)].Name;
            c->ToColumn = rt->Items[rt->IndexOfColumn(rc)].Name;
            c->ConnectType = type;
            c->JoinType = rightOuter ? jtRightOuter : leftOuter ? jtLeftOuter : jtInner;
            return;
        }
        if (!isConditionOperator(op)) {
            left = left + " " + op + " " + right;
            op.clear();
            right.clear();
        }
        const int r = findRowByAliasOrItem(oneLine(left));
        if (r >= 0 && isEmptyCell(m_rows[r][gcCondition])) {
            m_rows[r][gcCondition] = oneLine(op + " " + right);
            return;
        }
        Row& row = newRow();
        if (!left.isEmpty() && !op.isEmpty() && !right.isEmpty()) {
            row[gcItem] = oneLine(left);
            row[gcCondition] = oneLine(op + " " + right);
        } else {
            row[gcCondition] = oneLine(left + " " + op + " " + right);
        }
    };
    for (const QString& token : tokens) {
        if (token.compare("BETWEEN", Qt::CaseInsensitive) == 0)
            between = true;
        if (token.compare("AND", Qt::CaseInsensitive) == 0) {
            if (!between) {
                finish();
                left.clear();
                op.clear();
                right.clear();
                leftOuter = rightOuter = false;
                continue;
            }
            between = false;
        }
        if (left.isEmpty() || left.endsWith('.')) {
            left += token;
        } else if (op.isEmpty()) {
            if (token == "(+)")
                rightOuter = true;
            else
                op = token;
        } else if (!right.isEmpty()) {
            if (token == "(+)")
                leftOuter = true;
            else
                right += " " + token;
        } else {
            right = token;
        }
    }
}

void TqvSQLDesign::havingConditions(const QStringList& havingTokens)
{
    QStringList tokens = havingTokens;
    tokens << "AND";
    QString left, op, right;
    bool between = false;
    auto finish = [&]() {
        if (left.isEmpty() && op.isEmpty() && right.isEmpty())
            return;
        if (!isConditionOperator(op)) {
            left = left + " " + op + " " + right;
            op.clear();
            right.clear();
        }
        const int r = findRowByAliasOrItem(oneLine(left));
        if (r >= 0 && isEmptyCell(m_rows[r][gcCondition]) &&
            (isEmptyCell(m_rows[r][gcGroup]) || m_rows[r][gcGroup] == "GROUP BY")) {
            if (isEmptyCell(m_rows[r][gcGroup]))
                m_rows[r][gcGroup] = "HAVING";
            m_rows[r][gcCondition] = oneLine(op + " " + right);
            return;
        }
        Row& row = newRow();
        if (!left.isEmpty() && !op.isEmpty() && !right.isEmpty()) {
            row[gcItem] = oneLine(left);
            row[gcCondition] = oneLine(op + " " + right);
        } else {
            row[gcCondition] = oneLine(left + " " + op + " " + right);
        }
        row[gcGroup] = "HAVING";
    };
    for (const QString& token : tokens) {
        if (token.compare("BETWEEN", Qt::CaseInsensitive) == 0)
            between = true;
        if (token.compare("AND", Qt::CaseInsensitive) == 0) {
            if (!between) {
                finish();
                left.clear();
                op.clear();
                right.clear();
                continue;
            }
            between = false;
        }
        if (left.isEmpty())
            left = token;
        else if (op.isEmpty())
            op = token;
        else
            right += (right.isEmpty() ? QString() : QString(" ")) + token;
    }
}

void TqvSQLDesign::SQLToDesign(const QString& text, const std::function<void(const QString&)>& warn)
{
    m_joinKinds.clear();
    Clear();
    ClearGrid();
    QStringList allLines = text.split('\n');
    for (auto& l : allLines)
        if (l.endsWith('\r'))
            l.chop(1);
    TqvParseList columns, tables, orderBy;
    QStringList where, groupBy, having;
    bool parsed = false;
    QStringList group;
    auto parseGroup = [&]() -> bool {
        QStringList lines = group;
        group.clear();
        StripSQLComments(lines, true);
        const QString stmt = lines.join("\r\n");
        if (stmt.trimmed().isEmpty())
            return true;
        TqvParseList c, t, o;
        QStringList w, g, h;
        ViewName.clear();
        try {
            const TqvSQLType type = ParseSQLStatement(stmt, c, t, o, w, g, h, BuilderParseMessage(), ViewName);
            const bool was = m_sync;
            m_sync = true;
            SetSQLType(type);
            m_sync = was;
        } catch (const ESQLParseError& e) {
            if (warn)
                warn(QString::fromUtf8(e.what()));
            parsed = false;
            return false;
        }
        m_joinKinds = ansiJoinKinds(stmt);
        columns = c;
        tables = t;
        orderBy = o;
        where = w;
        groupBy = g;
        having = h;
        parsed = true;
        return true;
    };
    for (int i = 0; i < allLines.size(); ++i) {
        if (allLines[i].toLower() == "go") {
            if (!parseGroup())
                return;
            continue;
        }
        group << allLines[i];
    }
    if (!group.isEmpty() && !parseGroup())
        return;
    if (!parsed)
        return;

    for (int i = 0; i < tables.Count(); ++i) {
        QString name = tables.ObjectName(i);
        if (name.startsWith('"'))
            name = unquoteDouble(name);
        AddTable(name, tables.Alias(i));
    }
    const QString show = isSelectLike(m_type) ? "1" : QString();
    const QStringList& groups = PickGroupTypes();
    for (int i = 0; i < columns.Count(); ++i) {
        Row r = EmptyRow();
        r[gcItem] = columns.ObjectName(i);
        r[gcAlias] = columns.Alias(i);
        r[gcShow] = show;
        const QString upper = r[gcItem].toUpper();
        for (int g = 1; g < groups.size(); ++g) {
            const QString head = groups[g] + "(";
            if (upper.startsWith(head) && upper.endsWith(')')) {
                r[gcItem] = r[gcItem].mid(head.size(), r[gcItem].size() - head.size() - 1).trimmed();
                r[gcGroup] = groups[g];
                break;
            }
        }
        AppendRow(r);
    }
    for (const QString& item : groupBy) {
        int found = -1;
        for (int r = 0; r + 1 < m_rows.size() && found < 0; ++r)
            if (m_rows[r][gcItem].compare(item, Qt::CaseInsensitive) == 0)
                found = r;
        if (found >= 0) {
            m_rows[found][gcGroup] = "GROUP BY";
        } else {
            Row& row = newRow();
            row[gcItem] = item;
            row[gcGroup] = "GROUP BY";
        }
    }
    whereConditions(where);
    havingConditions(having);
    for (int k = 0; k < orderBy.Count(); ++k) {
        const QString expr = orderBy.ObjectName(k);
        const QString sort = orderBy.Alias(k).compare("DESC", Qt::CaseInsensitive) == 0
                                 ? QString::fromUtf8(SortDescending)
                                 : QString::fromUtf8(SortAscending);
        const int r = findRowByAliasOrItem(expr);
        Row& row = r >= 0 ? m_rows[r] : newRow();
        if (r < 0)
            row[gcItem] = expr;
        row[gcSort] = sort;
        row[gcSortOrder] = QString::number(k + 1);
    }
    m_rows.last() = EmptyRow();
}

// ---------------------------------------------------------------------------------------------
QString TqvSQLDesign::ConnectLabel(const TqvSQLBuildConnect& c)
{
    const bool toLeft = c.ToTable && c.FromTable && c.ToTable->Bounds.left() < c.FromTable->Bounds.left();
    static const char* right[] = {"=", ">", ">=", "<", "<=", "!="};
    static const char* left[] = {"=", "<", "<=", ">", ">=", "!="};
    const QString op = QString::fromLatin1(toLeft ? left[c.ConnectType] : right[c.ConnectType]);
    switch (c.JoinType) {
    case jtInner: return " " + op + " ";
    case jtLeftOuter: return toLeft ? "(+)" + op + " " : " " + op + "(+)";
    case jtRightOuter: return toLeft ? " " + op + "(+)" : "(+)" + op + " ";
    }
    return op;
}

int TqvSQLDesign::ApproxLength(int dx, int dy)
{
    dx = std::abs(dx);
    dy = std::abs(dy);
    return std::max(dx, dy) + std::min(dx, dy) / 2;
}

bool TqvSQLDesign::HitTest(const TqvSQLBuildConnect& c, QPoint p)
{
    for (int i = 0; i < 3; ++i) {
        const int dx = c.Lines[i + 1].x() - c.Lines[i].x();
        const int dy = c.Lines[i + 1].y() - c.Lines[i].y();
        const long long cross = (long long)dy * (c.Lines[i].x() - p.x()) - (long long)(c.Lines[i].y() - p.y()) * dx;
        if ((dx != 0 || dy != 0) && std::llabs(cross) < ApproxLength(dx, dy))
            return true;
    }
    return false;
}

} // namespace qv
