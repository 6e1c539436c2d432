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
    m_driver->open(m_params);
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
    m_driver->close();
}

void Connection::StartTransaction()
{
    if (!Connected())
        throw EDatabaseError(QStringLiteral("接続が開かれていません"), QStringLiteral("08003"));
    if (m_inTransaction)
        throw EDatabaseError(QStringLiteral("トランザクションはすでに開始されています"));
    m_driver->setAutoCommit(false);
    m_inTransaction = true;
}

void Connection::Commit()
{
    if (!m_inTransaction || !Connected())
        return;
    m_driver->commit();
    m_inTransaction = false;
    if (m_autoCommit)
        m_driver->setAutoCommit(true);
}

void Connection::Rollback()
{
    if (!m_inTransaction || !Connected())
        return;
    m_inTransaction = false;
    try {
        m_driver->rollback();
    } catch (...) {
        if (m_autoCommit && Connected())
            m_driver->setAutoCommit(true);
        throw;
    }
    if (m_autoCommit)
        m_driver->setAutoCommit(true);
}

void Connection::SetAutoCommit(bool on)
{
    if (m_autoCommit == on)
        return;
    m_autoCommit = on;
    if (Connected() && !m_inTransaction)
        m_driver->setAutoCommit(on);
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
    if (!Connected())
        throw EDatabaseError(QStringLiteral("接続が開かれていません"), QStringLiteral("08003"));
    try {
        return m_driver->execute(request);
    } catch (const EConnectionLost&) {
        m_inTransaction = false;
        try {
            m_driver->close();
        } catch (...) {
        }
        throw;
    }
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
