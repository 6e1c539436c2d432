#pragma once
// A small TDS 7.4 server for tests: listens on a loopback address, serves each client on its
// own thread and answers every statement from a Responder.
#include "tds_answer.h"
#include <QString>
#include <atomic>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

namespace qvtds {

struct ServerConfig {
    QString host = QStringLiteral("127.0.0.1");  // must lie in 127.0.0.0/8
    quint16 port = 0;                            // 0: the system picks a free port
    QString serverName = QStringLiteral("QORVELTEST");
    QString productVersion = QStringLiteral("15.0.2000.5");  // LOGINACK and PRELOGIN version
    QString defaultDatabase = QStringLiteral("master");
    QString password;                            // empty: any password is accepted
    std::shared_ptr<Responder> responder;
    // Every statement received, with the connection number and the database it ran in.
    std::function<void(int conn, const QString& database, const QString& sql)> logStatement;
    // Statements no fixture answered.
    std::function<void(const QString& database, const QString& sql)> unmatched;
    // Protocol faults and connection events.
    std::function<void(const QString& line)> logEvent;
};

// True for an IPv4 address text inside 127.0.0.0/8.
bool isLoopbackAddress(const QString& host);

// The session of one client connection, driven over an already connected socket.
// Returns when the client disconnects or sends something malformed.
void serveConnection(int fd, int connectionNumber, const ServerConfig& config);

class Server {
public:
    explicit Server(ServerConfig config);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Binds and starts accepting. Returns false with a reason in *error.
    bool start(QString* error);
    quint16 port() const { return m_port; }
    // Closes the listener and every client connection, and waits for their threads.
    void stop();

private:
    void acceptLoop();

    struct Client {
        int fd = -1;
        std::thread thread;
        std::atomic<bool> done{false};
    };

    ServerConfig m_config;
    int m_listenFd = -1;
    quint16 m_port = 0;
    std::atomic<bool> m_stopping{false};
    std::thread m_acceptThread;
    std::mutex m_mutex;
    std::list<std::unique_ptr<Client>> m_clients;
};

} // namespace qvtds
