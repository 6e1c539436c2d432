#include "platform/db/connection.h"
#include "platform/db/odbc_driver.h"
#include "platform/db/query.h"
#include "platform/exceptions.h"

namespace qv::db {

Connection::Connection(QObject* parent) : QObject(parent) {}

Connection::~Connection()
{
    const auto queries = m_queries;
    for (const auto& q : queries)
        if (q)
            q->SetConnection(nullptr);
    try {
        if (Connected())
            m_driver->close();
    } catch (...) {
    }
}

void Connection::SetDriver(std::shared_ptr<DriverConnection> driver)
{
    if (Connected())
        Close();
    m_driver = std::move(driver);
}

void Connection::ensureDriver()
{
    if (!m_driver)
        m_driver = std::make_shared<OdbcConnection>();
}

void Connection::Open()
{
    if (Connected())
        return;
    ensureDriver();
    if (BeforeConnect)
        BeforeConnect(*this);
    m_driver->open(m_params);
    m_lost = false;
    m_inTransaction = false;
    if (!m_autoCommit)
        m_driver->setAutoCommit(false);
    if (AfterConnect)
        AfterConnect(*this);
}

void Connection::Close()
{
    if (!m_driver)
        return;
    if (m_driver->isOpen() && BeforeDisconnect)
        BeforeDisconnect(*this);
    const auto queries = m_queries;
    for (const auto& q : queries)
        if (q)
            q->Close();
    m_inTransaction = false;
    m_lost = false;
    m_driver->close();
}

EConnectionLost Connection::linkLost(const EDatabaseError& e)
{
    const bool wasInTransaction = m_inTransaction;
    m_inTransaction = false;
    try {
        m_driver->close();
    } catch (...) {
    }
    const bool first = !m_lost;
    m_lost = true;
    if (first && AfterLost) {
        try {
            AfterLost(*this);
        } catch (...) {
        }
    }
    QString text = e.message();
    if (!text.startsWith(LostLinkText())) {
        QString head = LostLinkText();
        if (wasInTransaction)
            head += QStringLiteral("\n開始していたトランザクションは確定されていません。");
        text = text.isEmpty() ? head : head + QLatin1Char('\n') + text;
    }
    // Callers that tell errors apart by state (a procedure without a result: HY000) must never
    // take a lost link for something else: it carries a link-failure state.
    const QString state = IsLostLinkState(e.sqlState()) ? e.sqlState() : QStringLiteral("08S01");
    return EConnectionLost(text, state, e.nativeError());
}

template <typename F> auto Connection::guarded(F&& f) -> decltype(f())
{
    try {
        return f();
    } catch (const EConnectionLost& e) {
        throw linkLost(e);
    }
}

void Connection::StartTransaction()
{
    if (!Connected())
        throw EDatabaseError(QStringLiteral("接続が開かれていません"), QStringLiteral("08003"));
    if (m_inTransaction)
        throw EDatabaseError(QStringLiteral("トランザクションはすでに開始されています"));
    guarded([&] { m_driver->setAutoCommit(false); });
    m_inTransaction = true;
}

void Connection::Commit()
{
    if (!m_inTransaction || !Connected())
        return;
    guarded([&] { m_driver->commit(); });
    m_inTransaction = false;
    if (m_autoCommit)
        guarded([&] { m_driver->setAutoCommit(true); });
}

void Connection::Rollback()
{
    if (!m_inTransaction || !Connected())
        return;
    try {
        guarded([&] { m_driver->rollback(); });
    } catch (...) {
        m_inTransaction = false;
        if (m_autoCommit && Connected())
            m_driver->setAutoCommit(true);
        throw;
    }
    m_inTransaction = false;
    if (m_autoCommit)
        guarded([&] { m_driver->setAutoCommit(true); });
}

void Connection::SetAutoCommit(bool on)
{
    if (m_autoCommit == on)
        return;
    m_autoCommit = on;
    if (Connected() && !m_inTransaction)
        guarded([&] { m_driver->setAutoCommit(on); });
}

QStringList Connection::GetInfoReport()
{
    if (!Connected())
        return {};
    return m_driver->infoReport();
}

QString Connection::IdentifierQuotes() const
{
    return m_driver ? m_driver->identifierQuotes() : QStringLiteral("[]");
}

ExecOutcome Connection::Execute(const StatementRequest& request)
{
    if (!Connected()) {
        if (!m_lost)
            throw EDatabaseError(QStringLiteral("接続が開かれていません"), QStringLiteral("08003"));
        if (!ReconnectQuery || !ReconnectQuery(*this))
            throw EConnectionLost(LostLinkStateText(), QStringLiteral("08003"));
        Open();
    }
    return guarded([&] { return m_driver->execute(request); });
}

QStringList Connection::KeyColumns(const QString& catalog, const QString& schema, const QString& table)
{
    if (!Connected())
        return {};
    return m_driver->keyColumns(catalog, schema, table);
}

void Connection::attach(Query* q)
{
    if (!m_queries.contains(q))
        m_queries.append(q);
}

void Connection::detach(Query* q) { m_queries.removeAll(q); }

} // namespace qv::db
