#include "platform/db/scripted_session.h"
#include "platform/exceptions.h"

namespace qv::db {

ScriptedSession::ScriptedSession(Fixture fixture) : m_fixture(std::move(fixture)) {}

QStringList ScriptedSession::statements() const
{
    QStringList out;
    for (const auto& r : m_recorded)
        out.append(normalizeStatement(r.sql));
    return out;
}

void ScriptedSession::clearRecord()
{
    m_recorded.clear();
    m_events.clear();
}

void ScriptedSession::failOpen(const QString& message, const QString& sqlState)
{
    m_failOpen = message;
    m_failOpenState = sqlState;
}

void ScriptedSession::open(const ParamList& params)
{
    if (!m_failOpen.isEmpty()) {
        const QString msg = m_failOpen;
        m_failOpen.clear();
        throw EDatabaseError(msg, m_failOpenState, 18456);
    }
    m_params = params;
    m_open = true;
    m_autoCommit = true;
    m_events.append(QStringLiteral("Open"));
}

void ScriptedSession::close()
{
    if (m_open)
        m_events.append(QStringLiteral("Close"));
    m_open = false;
}

void ScriptedSession::setAutoCommit(bool on)
{
    if (on == m_autoCommit)
        return;
    m_autoCommit = on;
    m_events.append(on ? QStringLiteral("AutoCommit") : QStringLiteral("StartTransaction"));
}

void ScriptedSession::commit() { m_events.append(QStringLiteral("Commit")); }
void ScriptedSession::rollback() { m_events.append(QStringLiteral("Rollback")); }

ExecOutcome ScriptedSession::execute(const StatementRequest& request)
{
    if (!m_open)
        throw EConnectionLost(QStringLiteral("Connection is not open"), QStringLiteral("08003"));
    RecordedStatement rec;
    rec.sql = request.sql;
    rec.direct = request.direct;
    rec.noScan = request.noScan;
    for (const auto& p : request.params) {
        rec.names.append(p.name);
        rec.values.append(p.value);
    }
    m_recorded.push_back(rec);

    const QString sql = normalizeStatement(request.sql);
    const FixtureRule* rule = nullptr;
    int ruleIndex = -1;
    for (size_t i = 0; i < m_fixture.rules.size(); ++i) {
        const FixtureRule& r = m_fixture.rules[i];
        if (r.times > 0 && m_uses.value(static_cast<int>(i)) >= r.times)
            continue;
        if (r.matches(sql, rec.values)) {
            rule = &r;
            ruleIndex = static_cast<int>(i);
            m_uses[ruleIndex] += 1;
            break;
        }
    }
    if (!rule) {
        QString msg = QStringLiteral("No fixture answers the statement:\n") + sql;
        if (!rec.values.isEmpty()) {
            QStringList vals;
            for (qsizetype i = 0; i < rec.values.size(); ++i) {
                const QVariant& v = rec.values.at(i);
                vals.append(QStringLiteral("%1=%2").arg(rec.names.value(i), v.isValid() && !v.isNull() ? v.toString() : QStringLiteral("NULL")));
            }
            msg += QStringLiteral("\nparameters: ") + vals.join(QStringLiteral(", "));
        }
        throw EDatabaseError(msg, QStringLiteral("HY000"));
    }

    ExecOutcome out;
    out.messages = rule->messages;
    for (size_t ri = 0; ri < rule->results.size(); ++ri) {
        const FixtureResult& fr = rule->results[ri];
        DriverResult dr;
        dr.rowCount = fr.rowCount;
        if (fr.hasColumns())
            dr.table = request.keepRows ? tableFor(ruleIndex, static_cast<int>(ri), fr)
                                        : std::make_shared<ResultTable>(fr.columns);
        out.results.push_back(std::move(dr));
    }
    for (const auto& p : request.params) {
        if (p.direction == ParamDirection::Input)
            out.outputs.append(p.value);
        else
            out.outputs.append(rule->outputs.value(p.name.toUpper(), p.value));
    }
    if (rule->error) {
        const auto& e = *rule->error;
        const bool lost = IsLostLinkError(e.sqlState, e.message);
        if (lost) {
            m_open = false;
            throw EConnectionLost(e.message, e.sqlState, e.native);
        }
        throw EDatabaseError(e.message, e.sqlState, e.native);
    }
    return out;
}

namespace {

bool sameColumn(const ColumnDesc& a, const ColumnDesc& b)
{
    return a.name == b.name && a.typeName == b.typeName && a.sqlType == b.sqlType && a.size == b.size
           && a.precision == b.precision && a.scale == b.scale && a.nullable == b.nullable
           && a.autoIncrement == b.autoIncrement && a.readOnly == b.readOnly && a.baseCatalog == b.baseCatalog
           && a.baseSchema == b.baseSchema && a.baseTable == b.baseTable && a.baseColumn == b.baseColumn
           && a.currencyAsBcd == b.currencyAsBcd;
}

} // namespace

std::shared_ptr<ResultTable> ScriptedSession::tableFor(int rule, int result, const FixtureResult& fr)
{
    const QPair<int, int> key(rule, result);
    auto it = m_built.find(key);
    bool fresh = it != m_built.end() && it->rows.size() == fr.rows.size() && it->columns.size() == fr.columns.size();
    for (size_t c = 0; fresh && c < fr.columns.size(); ++c)
        fresh = sameColumn(it->columns[c], fr.columns[c]);
    for (size_t r = 0; fresh && r < fr.rows.size(); ++r)
        fresh = it->rows[r].isSharedWith(fr.rows[r]) || (it->rows[r].isEmpty() && fr.rows[r].isEmpty());
    if (!fresh) {
        auto table = std::make_shared<ResultTable>(fr.columns);
        table->reserve(static_cast<qint64>(fr.rows.size()));
        for (const auto& row : fr.rows) {
            for (int c = 0; c < table->columnCount(); ++c)
                table->appendCell(c, toCell(fr.columns[static_cast<size_t>(c)], row.at(c)));
            table->endRow();
        }
        it = m_built.insert(key, BuiltTable{fr.columns, fr.rows, std::move(table)});
    }
    // Each answer gets its own copy: a data set may append to or change its table.
    return std::make_shared<ResultTable>(*it->table);
}

QStringList ScriptedSession::infoReport()
{
    if (!m_fixture.info.isEmpty())
        return m_fixture.info;
    return {QStringLiteral("Driver name = qorvel scripted session"), QStringLiteral("Driver version = 1.0")};
}

QStringList ScriptedSession::keyColumns(const QString&, const QString& schema, const QString& table)
{
    return m_fixture.keyColumns(schema, table);
}

} // namespace qv::db
