#pragma once
// The second session of the processes and locks windows: a connection of the window's own,
// opened with the log-on of the chosen connection window (Windows authentication or login and
// password, same server and database) for each reading and closed right after it, so that no
// session stays open between readings.
#include <QObject>
#include <functional>
#include <memory>
#include <vector>

namespace qv {

class TfrmObject;
namespace db {
class Connection;
class DriverConnection;
class Query;
} // namespace db

class TSecondSession : public QObject {
public:
    explicit TSecondSession(QObject* parent = nullptr);

    db::Connection* Connection2;

    // Sets the log-on of the connection window and connects; raises what the log-on raises.
    void Open(TfrmObject* conn);
    // Closes the queries and disconnects; errors are ignored.
    void Close(const std::vector<db::Query*>& queries = {});

    // Where each opening takes its driver (tests answer with a scripted session; unset: ODBC).
    static std::function<std::shared_ptr<db::DriverConnection>()>& DriverFactory();
};

// Closes the second session when a reading ends, also on failure.
class SecondSessionReading {
public:
    SecondSessionReading(TSecondSession& s, std::vector<db::Query*> queries) : m_s(s), m_queries(std::move(queries)) {}
    ~SecondSessionReading() { m_s.Close(m_queries); }
    SecondSessionReading(const SecondSessionReading&) = delete;
    SecondSessionReading& operator=(const SecondSessionReading&) = delete;

private:
    TSecondSession& m_s;
    std::vector<db::Query*> m_queries;
};

} // namespace qv
