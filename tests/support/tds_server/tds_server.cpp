#include "tds_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qvtds {

bool isLoopbackAddress(const QString& host)
{
    in_addr addr{};
    if (inet_pton(AF_INET, host.toLatin1().constData(), &addr) != 1)
        return false;
    return (ntohl(addr.s_addr) >> 24) == 127;
}

Server::Server(ServerConfig config) : m_config(std::move(config)) {}

Server::~Server() { stop(); }

bool Server::start(QString* error)
{
    if (!isLoopbackAddress(m_config.host)) {
        *error = QStringLiteral("only addresses in 127.0.0.0/8 are allowed, not %1").arg(m_config.host);
        return false;
    }
    m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listenFd < 0) {
        *error = QStringLiteral("socket: %1").arg(QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    int on = 1;
    ::setsockopt(m_listenFd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(m_config.port);
    inet_pton(AF_INET, m_config.host.toLatin1().constData(), &addr.sin_addr);
    if (::bind(m_listenFd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) < 0 || ::listen(m_listenFd, 16) < 0) {
        *error = QStringLiteral("cannot listen on %1:%2: %3").arg(m_config.host).arg(m_config.port)
                     .arg(QString::fromLocal8Bit(strerror(errno)));
        ::close(m_listenFd);
        m_listenFd = -1;
        return false;
    }
    socklen_t len = sizeof addr;
    ::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&addr), &len);
    m_port = ntohs(addr.sin_port);
    m_acceptThread = std::thread([this] { acceptLoop(); });
    return true;
}

void Server::acceptLoop()
{
    int number = 0;
    while (!m_stopping) {
        int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            if (m_stopping)
                break;
            if (errno == EINTR || errno == ECONNABORTED || errno == EMFILE || errno == ENFILE)
                continue;
            break;
        }
        int on = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        std::lock_guard lock(m_mutex);
        // Forget clients that have finished.
        for (auto it = m_clients.begin(); it != m_clients.end();) {
            if ((*it)->done) {
                (*it)->thread.join();
                ::close((*it)->fd);
                it = m_clients.erase(it);
            } else {
                ++it;
            }
        }
        auto client = std::make_unique<Client>();
        client->fd = fd;
        Client* c = client.get();
        int n = ++number;
        c->thread = std::thread([this, c, n] {
            serveConnection(c->fd, n, m_config);
            ::shutdown(c->fd, SHUT_RDWR);
            c->done = true;
        });
        m_clients.push_back(std::move(client));
    }
}

void Server::stop()
{
    if (m_stopping.exchange(true))
        return;
    if (m_listenFd >= 0)
        ::shutdown(m_listenFd, SHUT_RDWR);
    if (m_acceptThread.joinable())
        m_acceptThread.join();
    if (m_listenFd >= 0)
        ::close(m_listenFd);
    m_listenFd = -1;
    std::lock_guard lock(m_mutex);
    for (auto& c : m_clients)
        ::shutdown(c->fd, SHUT_RDWR);
    for (auto& c : m_clients) {
        if (c->thread.joinable())
            c->thread.join();
        ::close(c->fd);
    }
    m_clients.clear();
}

} // namespace qvtds
