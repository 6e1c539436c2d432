#include "platform/db/query.h"
#include "platform/exceptions.h"

namespace qv::db {

// ---- Param / Params -------------------------------------------------------------------------------

void Param::SetValue(const QVariant& v)
{
    m_value = v;
    if (m_type != ParamType::Unknown || !v.isValid())
        return;
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
        m_type = ParamType::Integer;
        break;
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        m_type = ParamType::Largeint;
        break;
    case QMetaType::Double:
    case QMetaType::Float:
        m_type = ParamType::Float;
        break;
    case QMetaType::Bool:
        m_type = ParamType::Boolean;
        break;
    case QMetaType::QDateTime:
        m_type = ParamType::DateTime;
        break;
    case QMetaType::QDate:
        m_type = ParamType::Date;
        break;
    case QMetaType::QTime:
        m_type = ParamType::Time;
        break;
    case QMetaType::QByteArray:
        m_type = ParamType::Blob;
        break;
    default:
        m_type = ParamType::WideString;
        break;
    }
}

void Param::Assign(const Param& other)
{
    m_type = other.m_type;
    m_value = other.m_value;
    m_direction = other.m_direction;
    m_size = other.m_size;
}

Param* Params::FindParam(const QString& name)
{
    for (auto& p : m_items)
        if (p.Name().compare(name, Qt::CaseInsensitive) == 0)
            return &p;
    return nullptr;
}

Param& Params::ParamByName(const QString& name)
{
    Param* p = FindParam(name);
    if (!p)
        throw EDatabaseError(QStringLiteral("パラメータ '%1' が見つかりません").arg(name));
    return *p;
}

Param& Params::Add(const QString& name)
{
    m_items.emplace_back(name);
    return m_items.back();
}

QStringList Params::Names() const
{
    QStringList out;
    for (const auto& p : m_items)
        out.append(p.Name());
    return out;
}

// ---- SQLStrings -------------------------------------------------------------------------------------

void SQLStrings::SetText(const QString& text)
{
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    m_lines = t.isEmpty() ? QStringList() : t.split(QLatin1Char('\n'));
    if (!m_lines.isEmpty() && m_lines.last().isEmpty() && text.endsWith(QLatin1Char('\n')))
        m_lines.removeLast();
    changed();
}

void SQLStrings::Clear()
{
    m_lines.clear();
    changed();
}

void SQLStrings::Add(const QString& line)
{
    QString t = line;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    m_lines.append(t.split(QLatin1Char('\n')));
    changed();
}

void SQLStrings::Assign(const QStringList& lines)
{
    m_lines = lines;
    changed();
}

// ---- writing records back -----------------------------------------------------------------------------

QString quoteName(const QString& name)
{
    QString n = name;
    n.replace(QLatin1String("]"), QLatin1String("]]"));
    return QLatin1Char('[') + n + QLatin1Char(']');
}

QStringList splitQualifiedName(const QString& name)
{
    QStringList parts;
    QString cur;
    const QString s = name.trimmed();
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s.at(i);
        if (c == QLatin1Char('[') || c == QLatin1Char('"')) {
            const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : QLatin1Char('"');
            ++i;
            while (i < s.size()) {
                if (s.at(i) == close) {
                    if (i + 1 < s.size() && s.at(i + 1) == close) {
                        cur += close;
                        i += 2;
                        continue;
                    }
                    break;
                }
                cur += s.at(i++);
            }
        } else if (c == QLatin1Char('.')) {
            parts.append(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    parts.append(cur);
    for (QString& p : parts)
        p = p.trimmed();
    return parts;
}

namespace {

ParamType paramTypeFor(FieldType t)
{
    switch (t) {
    case FieldType::Boolean: return ParamType::Boolean;
    case FieldType::Byte:
    case FieldType::Smallint:
    case FieldType::Integer:
    case FieldType::Word:
    case FieldType::Largeint: return ParamType::Largeint;
    case FieldType::Float:
    case FieldType::Single: return ParamType::Float;
    case FieldType::Currency: return ParamType::Currency;
    case FieldType::BCD:
    case FieldType::FMTBcd: return ParamType::BCD;
    case FieldType::Date: return ParamType::Date;
    case FieldType::Time: return ParamType::Time;
    case FieldType::TimeStamp: return ParamType::DateTime;
    case FieldType::Bytes:
    case FieldType::Blob: return ParamType::Blob;
    case FieldType::Guid: return ParamType::Guid;
    case FieldType::String:
    case FieldType::FixedChar:
    case FieldType::Memo: return ParamType::String;
    default: return ParamType::WideString;
    }
}

QVariant paramValue(const ColumnDesc& d, const QVariant& cell)
{
    if (!cell.isValid() || cell.isNull())
        return QVariant();
    const FieldType t = d.fieldType();
    switch (storageKindFor(d)) {
    case StorageKind::Int64:
        if (t == FieldType::Boolean)
            return cell.toLongLong() != 0;
        if (isIntegerType(t))
            return cell.toLongLong();
        return cellText(d, cell); // decimals and date-time values travel as their exact text
    case StorageKind::Double: return cell.toDouble();
    case StorageKind::Bytes: return cell.toByteArray();
    case StorageKind::Text: return cell.toString();
    }
    return QVariant();
}

bool sameCell(const QVariant& a, const QVariant& b)
{
    const bool an = !a.isValid() || a.isNull();
    const bool bn = !b.isValid() || b.isNull();
    if (an || bn)
        return an == bn;
    if (a.typeId() == QMetaType::QString || b.typeId() == QMetaType::QString)
        return a.toString() == b.toString();
    if (a.typeId() == QMetaType::QByteArray || b.typeId() == QMetaType::QByteArray)
        return a.toByteArray() == b.toByteArray();
    if (a.typeId() == QMetaType::Double || b.typeId() == QMetaType::Double)
        return a.toDouble() == b.toDouble();
    return a.toLongLong() == b.toLongLong();
}

bool comparable(const ColumnDesc& d)
{
    const FieldType t = d.fieldType();
    return !isBlobType(t) && !isMemoType(t);
}

QString baseName(const ColumnDesc& d) { return d.baseColumn.isEmpty() ? d.name : d.baseColumn; }

BoundParam bindFor(const ColumnDesc& d, const QVariant& cell)
{
    BoundParam p;
    p.name = baseName(d).toUpper();
    p.type = paramTypeFor(d.fieldType());
    p.size = d.size;
    if (d.fieldType() == FieldType::TimeStamp || d.fieldType() == FieldType::Time)
        p.scale = d.typeName == QLatin1String("smalldatetime") ? 0 : (d.typeName == QLatin1String("datetime") ? 3 : d.scale);
    p.value = paramValue(d, cell);
    return p;
}

} // namespace

WriteStatement buildWriteStatement(DataSet::UpdateKind kind, const QString& table, const std::vector<ColumnDesc>& columns,
                                   const std::vector<int>& writable, const QStringList& keyColumns,
                                   const QVariantList& oldCells, const QVariantList& newCells)
{
    using UK = DataSet::UpdateKind;
    WriteStatement ws;
    auto col = [&](int i) -> const ColumnDesc& { return columns[static_cast<size_t>(i)]; };
    auto settable = [&](int i) { return !col(i).readOnly && !col(i).autoIncrement; };

    if (kind == UK::Insert) {
        QStringList names, marks;
        for (int i : writable) {
            const QVariant& v = newCells.value(i);
            if (!settable(i) || !v.isValid() || v.isNull())
                continue;
            names.append(quoteName(baseName(col(i))));
            marks.append(QStringLiteral("?"));
            ws.params.push_back(bindFor(col(i), v));
        }
        ws.sql = names.isEmpty() ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table)
                                 : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                       .arg(table, names.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
        return ws;
    }

    QStringList sets;
    if (kind == UK::Modify) {
        for (int i : writable) {
            if (!settable(i) || sameCell(oldCells.value(i), newCells.value(i)))
                continue;
            sets.append(quoteName(baseName(col(i))) + QStringLiteral(" = ?"));
            ws.params.push_back(bindFor(col(i), newCells.value(i)));
        }
        if (sets.isEmpty())
            return WriteStatement(); // nothing changed: nothing to send
    }

    // WHERE: the key columns when the result holds them all, else every comparable column.
    std::vector<int> whereCols;
    if (!keyColumns.isEmpty()) {
        for (const QString& k : keyColumns) {
            int found = -1;
            for (int i : writable)
                if (baseName(col(i)).compare(k, Qt::CaseInsensitive) == 0) {
                    found = i;
                    break;
                }
            if (found < 0) {
                whereCols.clear();
                break;
            }
            whereCols.push_back(found);
        }
    }
    const bool keyed = !whereCols.empty();
    if (whereCols.empty())
        for (int i : writable)
            if (comparable(col(i)))
                whereCols.push_back(i);
    QStringList conds;
    for (int i : whereCols) {
        const QVariant& v = oldCells.value(i);
        if (!v.isValid() || v.isNull()) {
            conds.append(quoteName(baseName(col(i))) + QStringLiteral(" IS NULL"));
        } else {
            conds.append(quoteName(baseName(col(i))) + QStringLiteral(" = ?"));
            ws.params.push_back(bindFor(col(i), v));
        }
    }
    if (conds.isEmpty())
        throw EDatabaseError(QStringLiteral("更新するレコードを特定できる列がありません"));
    const QString where = conds.join(QStringLiteral(" AND "));
    if (kind == UK::Modify)
        ws.sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3").arg(table, sets.join(QStringLiteral(", ")), where);
    else
        ws.sql = QStringLiteral("DELETE FROM %1 WHERE %2").arg(table, where);
    if (keyed) {
        const QVariantList& after = kind == UK::Modify ? newCells : oldCells;
        QStringList keyConds;
        for (int i : whereCols) {
            const QVariant& v = after.value(i);
            if (!v.isValid() || v.isNull()) {
                keyConds.append(quoteName(baseName(col(i))) + QStringLiteral(" IS NULL"));
            } else {
                keyConds.append(quoteName(baseName(col(i))) + QStringLiteral(" = ?"));
                ws.verifyParams.push_back(bindFor(col(i), v));
            }
        }
        ws.verifySql = QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2").arg(table, keyConds.join(QStringLiteral(" AND ")));
    }
    return ws;
}

// ---- Query ---------------------------------------------------------------------------------------------

Query::Query(QObject* parent) : DataSet(parent)
{
    m_sql.m_onChange = [this] { sqlChanged(); };
}

Query::~Query()
{
    if (m_connection)
        m_connection->detach(this);
}

void Query::SetConnection(Connection* c)
{
    if (m_connection == c)
        return;
    Close();
    if (m_connection)
        m_connection->detach(this);
    m_connection = c;
    if (c)
        c->attach(this);
}

Connection& Query::connection()
{
    if (!m_connection)
        throw EDatabaseError(QStringLiteral("クエリに接続が設定されていません"));
    return *m_connection;
}

void Query::SetParamCreate(bool on)
{
    if (m_paramCreate == on)
        return;
    m_paramCreate = on;
    m_parsedValid = false;
}

void Query::sqlChanged()
{
    Close();
    m_prepared = false;
    m_parsedValid = false;
    m_params.Clear();
    if (!m_paramCreate)
        return;
    try {
        m_parsed = parseParams(m_sql.Text());
        m_parsedValid = true;
        for (const QString& n : m_parsed.names)
            m_params.Add(n);
    } catch (const EDatabaseError&) {
        // The statement fails when it is prepared or run.
    }
}

void Query::Prepare()
{
    if (m_paramCreate && !m_parsedValid) {
        m_parsed = parseParams(m_sql.Text());
        m_parsedValid = true;
        for (const QString& n : m_parsed.names)
            if (!m_params.FindParam(n))
                m_params.Add(n);
    }
    m_kind = statementKind(m_sql.Text());
    m_prepared = true;
}

ExecOutcome Query::run(bool keepRows)
{
    Connection& c = connection();
    Prepare();
    StatementRequest req;
    req.noScan = !m_escapeExpand;
    req.direct = m_direct;
    req.keepRows = keepRows;
    QString text = m_sql.Text();
    if (m_paramCreate) {
        text = m_parsed.text;
        for (int idx : m_parsed.bindings) {
            const QString& name = m_parsed.names.at(idx);
            const Param* p = m_params.FindParam(name);
            BoundParam b;
            b.name = name;
            if (p) {
                b.type = p->DataType() == ParamType::Unknown ? ParamType::WideString : p->DataType();
                b.direction = p->Direction();
                b.size = p->Size();
                b.value = p->Value();
            }
            req.params.push_back(b);
        }
    }
    m_messages.clear();
    if (!req.params.empty()) {
        // Bound values make the driver send the statement as a remote procedure call, in which
        // a leading "use" would not move the session: send that line as its own batch first.
        QString useLine, rest;
        if (splitLeadingUse(text, useLine, rest)) {
            StatementRequest use;
            use.sql = useLine;
            use.noScan = req.noScan;
            use.direct = true;
            use.keepRows = false;
            const ExecOutcome u = c.Execute(use);
            m_messages.append(u.messages);
            text = rest;
        }
    }
    req.sql = text;
    ExecOutcome out = c.Execute(req);
    m_messages.append(out.messages);
    takeOutputs(out);
    return out;
}

void Query::takeOutputs(const ExecOutcome& out)
{
    if (!m_paramCreate)
        return;
    for (size_t i = 0; i < m_parsed.bindings.size() && i < static_cast<size_t>(out.outputs.size()); ++i) {
        Param* p = m_params.FindParam(m_parsed.names.at(m_parsed.bindings[i]));
        if (p && p->Direction() != ParamDirection::Input)
            p->SetValue(out.outputs.at(static_cast<qsizetype>(i)));
    }
}

std::shared_ptr<ResultTable> Query::InternalOpen()
{
    if (m_next) {
        auto t = std::move(m_next);
        m_next.reset();
        t->setCurrencyAsBcd(m_currencyAsBcd);
        decideUpdatable(t->columns());
        m_rowsAffected = t->rowCount();
        return t;
    }
    m_pending.clear();
    ExecOutcome out = run(true);
    std::shared_ptr<ResultTable> first;
    for (auto& r : out.results) {
        if (!r.table)
            continue; // leading results without columns ("use", counts before SET NOCOUNT)
        if (!first)
            first = r.table;
        else
            m_pending.push_back(r.table);
    }
    if (!first)
        throw EDatabaseError(QStringLiteral("SQL が結果セットを返しませんでした。結果セットを返さない SQL は ExecSQL で実行してください。"),
                             QStringLiteral("HY000"));
    first->setCurrencyAsBcd(m_currencyAsBcd);
    decideUpdatable(first->columns());
    m_rowsAffected = first->rowCount();
    return first;
}

void Query::InternalClose()
{
    m_updatable = false;
    m_writeTable.clear();
    m_writable.clear();
    m_keys.reset();
}

void Query::ExecSQL()
{
    Close();
    m_pending.clear();
    const ExecOutcome out = run(false);
    m_rowsAffected = -1;
    for (const auto& r : out.results)
        if (r.rowCount >= 0)
            m_rowsAffected = r.rowCount;
}

bool Query::NextResultSet()
{
    if (m_pending.empty()) {
        Close();
        return false;
    }
    auto next = m_pending.front();
    m_pending.pop_front();
    auto rest = std::move(m_pending);
    Close();
    m_next = next;
    Open();
    m_pending = std::move(rest);
    return true;
}

void Query::decideUpdatable(const std::vector<ColumnDesc>& columns)
{
    m_updatable = false;
    m_writeTable.clear();
    m_writable.clear();
    m_keys.reset();
    m_writeTableParts.clear();

    // The base table the driver reports; two different ones (a join) make the result read-only.
    QStringList base;
    bool conflict = false;
    for (const auto& c : columns) {
        if (c.baseTable.isEmpty())
            continue;
        const QStringList t{c.baseCatalog, c.baseSchema, c.baseTable};
        if (base.isEmpty())
            base = t;
        else if (base.at(2).compare(t.at(2), Qt::CaseInsensitive) != 0
                 || base.at(1).compare(t.at(1), Qt::CaseInsensitive) != 0
                 || base.at(0).compare(t.at(0), Qt::CaseInsensitive) != 0)
            conflict = true;
    }
    QStringList target;
    if (!m_updateTable.trimmed().isEmpty()) {
        const QStringList parts = splitQualifiedName(m_updateTable);
        target = QStringList{parts.size() >= 3 ? parts.at(parts.size() - 3) : QString(),
                             parts.size() >= 2 ? parts.at(parts.size() - 2) : QString(), parts.last()};
    } else {
        if (base.isEmpty() || conflict)
            return;
        target = base;
    }
    for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
        const auto& c = columns[static_cast<size_t>(i)];
        if (c.baseTable.isEmpty()) {
            if (base.isEmpty()) // nothing reported at all: every column belongs to the named table
                m_writable.push_back(i);
        } else if (c.baseTable.compare(target.at(2), Qt::CaseInsensitive) == 0) {
            m_writable.push_back(i);
        }
    }
    if (m_writable.empty())
        return;
    m_writeTableParts = target;
    QStringList quoted;
    for (const QString& p : target)
        if (!p.isEmpty())
            quoted.append(quoteName(p));
    m_writeTable = quoted.join(QLatin1Char('.'));
    m_updatable = true;
}

void Query::FieldsCreated()
{
    // Columns that do not belong to the written table (expressions, other tables) stay read-only.
    if (!m_updatable)
        return;
    for (Field* f : Fields())
        if (std::find(m_writable.begin(), m_writable.end(), f->Index()) == m_writable.end())
            f->SetReadOnly(true);
}

qint64 Query::verifiedCount(Connection& c, UpdateKind kind, const WriteStatement& ws)
{
    // The server told no row count (SET NOCOUNT ON): read the row again by its key inside the
    // write's transaction. Without a key the write cannot be checked and is not kept.
    if (ws.verifySql.isEmpty())
        throw EDatabaseError(QStringLiteral("サーバーが更新件数を返さず（SET NOCOUNT ON など）、キーのない表では更新されたレコードを確認できないため、変更を取り消しました。"));
    StatementRequest check;
    check.sql = ws.verifySql;
    check.params = ws.verifyParams;
    const ExecOutcome out = c.Execute(check);
    qint64 rows = -1;
    for (const auto& r : out.results)
        if (r.table && r.table->rowCount() > 0 && r.table->columnCount() > 0) {
            bool ok = false;
            rows = r.table->text(0, 0).trimmed().toLongLong(&ok);
            if (!ok)
                rows = -1;
            break;
        }
    if (rows < 0)
        throw EDatabaseError(QStringLiteral("サーバーが更新件数を返さず、更新されたレコードも確認できないため、変更を取り消しました。"));
    if (kind == UpdateKind::Delete) {
        if (rows > 0)
            throw EDatabaseError(QStringLiteral("レコードが削除されていないため、変更を取り消しました。"));
        return 1; // the row is gone
    }
    return rows;
}

void Query::ApplyUpdate(UpdateKind kind, const QVariantList& oldCells, const QVariantList& newCells)
{
    if (!m_updatable)
        throw EDatabaseError(QStringLiteral("この結果セットには書き込み出来ません。"));
    Connection& c = connection();
    if (!m_keys)
        m_keys = c.KeyColumns(m_writeTableParts.value(0), m_writeTableParts.value(1), m_writeTableParts.value(2));
    const WriteStatement ws = buildWriteStatement(kind, m_writeTable, Table()->columns(), m_writable, *m_keys, oldCells, newCells);
    if (ws.sql.isEmpty())
        return;
    StatementRequest req;
    req.sql = ws.sql;
    req.params = ws.params;
    req.keepRows = false;
    // Without a transaction of the caller the write runs in one of its own, so that a write
    // that hits more than one row can be taken back.
    const bool own = !c.InTransaction();
    if (own)
        c.StartTransaction();
    try {
        const ExecOutcome out = c.Execute(req);
        qint64 count = -1;
        for (const auto& r : out.results)
            if (r.rowCount >= 0)
                count = r.rowCount;
        if (count < 0 && kind != UpdateKind::Insert)
            count = verifiedCount(c, kind, ws);
        if (count == 0)
            throw EDatabaseError(QStringLiteral("更新対象のレコードが見つかりません。他のユーザーによって変更または削除された可能性があります。"));
        if (count > 1)
            throw EDatabaseError(own ? QStringLiteral("%1 件のレコードが更新対象になったため、変更を取り消しました。").arg(count)
                                     : QStringLiteral("%1 件のレコードが更新対象になりました。トランザクションを取り消してください。").arg(count));
    } catch (...) {
        if (own && c.InTransaction()) {
            try {
                c.Rollback();
            } catch (...) {
            }
        }
        throw;
    }
    if (own)
        c.Commit();
}

} // namespace qv::db
