#include "stall_proxy_helper.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace qvtest {

namespace {

sockaddr_in loopback(quint16 port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

bool sendAll(int fd, const char* p, ssize_t n)
{
    while (n > 0) {
        const ssize_t w = ::send(fd, p, static_cast<size_t>(n), MSG_NOSIGNAL);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return false;
        p += w;
        n -= w;
    }
    return true;
}

void closeFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace

StallProxy::StallProxy(quint16 upstreamPort, int maxLifeMs) : m_upstream(upstreamPort), m_maxLifeMs(maxLifeMs)
{
    m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listen < 0)
        return;
    const int one = 1;
    ::setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a = loopback(0);
    if (::bind(m_listen, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(m_listen, 8) != 0
        || ::pipe(m_wake) != 0) {
        closeFd(m_listen);
        return;
    }
    socklen_t len = sizeof a;
    ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&a), &len);
    m_port = ntohs(a.sin_port);
    m_thread = std::thread([this] { run(); });
}

StallProxy::~StallProxy()
{
    if (m_thread.joinable()) {
        const char c = 'x';
        [[maybe_unused]] const ssize_t w = ::write(m_wake[1], &c, 1);
        m_thread.join();
    }
    closeFd(m_listen);
    closeFd(m_wake[0]);
    closeFd(m_wake[1]);
}

void StallProxy::stallAfter(qint64 bytes)
{
    std::lock_guard<std::mutex> g(m_lock);
    m_budget = bytes;
}

void StallProxy::stallOnRequest(const QString& text, qint64 bytes)
{
    std::lock_guard<std::mutex> g(m_lock);
    m_trigger = QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    m_triggerBudget = bytes;
}

void StallProxy::onStall(std::function<void()> f)
{
    std::lock_guard<std::mutex> g(m_lock);
    m_onStall = std::move(f);
}

void StallProxy::run()
{
    struct Pair {
        int client = -1;
        int server = -1;
        bool held = false; // stalled: nothing more of the server's reaches the client
    };
    std::vector<Pair> pairs;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_maxLifeMs);
    std::vector<char> buf(65536);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
        if (left <= 0)
            break;
        std::vector<pollfd> fds;
        fds.push_back({m_listen, POLLIN, 0});
        fds.push_back({m_wake[0], POLLIN, 0});
        for (const Pair& p : pairs) {
            fds.push_back({p.client, POLLIN, 0});
            fds.push_back({p.server, POLLIN, 0}); // -1 is ignored by poll
        }
        const int n = ::poll(fds.data(), fds.size(), static_cast<int>(std::min<long long>(left, 200)));
        if (n < 0 && errno != EINTR)
            break;
        if (n <= 0)
            continue;
        if (fds[1].revents)
            break;
        // Only the pairs polled above have entries in fds; one accepted now waits for the next round.
        const size_t polled = pairs.size();
        if (fds[0].revents & POLLIN) {
            Pair p;
            p.client = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
            if (p.client >= 0) {
                ++m_accepted;
                if (m_upstream != 0) {
                    p.server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
                    sockaddr_in a = loopback(m_upstream);
                    if (p.server < 0 || ::connect(p.server, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
                        closeFd(p.server);
                        closeFd(p.client);
                    }
                }
                if (p.client >= 0)
                    pairs.push_back(p);
            }
        }
        for (size_t i = 0; i < polled; ++i) {
            Pair& p = pairs[i];
            const short crev = fds[2 + 2 * i].revents;
            const short srev = p.server >= 0 ? fds[3 + 2 * i].revents : 0;
            if (p.client < 0)
                continue;
            if (crev) {
                const ssize_t r = ::recv(p.client, buf.data(), buf.size(), 0);
                if (r <= 0 || (p.server >= 0 && !sendAll(p.server, buf.data(), r))) {
                    closeFd(p.client);
                    closeFd(p.server);
                    continue;
                }
                std::lock_guard<std::mutex> g(m_lock);
                if (!m_trigger.isEmpty() && QByteArray::fromRawData(buf.data(), r).contains(m_trigger)) {
                    m_budget = m_triggerBudget;
                    m_trigger.clear();
                }
            }
            if (srev) {
                const ssize_t r = ::recv(p.server, buf.data(), buf.size(), 0);
                if (r <= 0) {
                    // The server is gone: the client sees the link close, stalled or not.
                    closeFd(p.client);
                    closeFd(p.server);
                    continue;
                }
                ssize_t pass = p.held ? 0 : r;
                bool stallNow = false;
                std::function<void()> hook;
                if (!p.held) {
                    std::lock_guard<std::mutex> g(m_lock);
                    if (m_budget >= 0) {
                        pass = static_cast<ssize_t>(std::min<qint64>(m_budget, r));
                        m_budget -= pass;
                        if (m_budget == 0) {
                            m_budget = -1;
                            p.held = true;
                            stallNow = true;
                            hook = m_onStall;
                        }
                    }
                }
                if (pass > 0 && !sendAll(p.client, buf.data(), pass)) {
                    closeFd(p.client);
                    closeFd(p.server);
                    continue;
                }
                if (stallNow) {
                    m_stalled = true;
                    if (hook)
                        hook();
                }
            }
        }
        std::erase_if(pairs, [](const Pair& p) { return p.client < 0; });
    }
    for (Pair& p : pairs) {
        closeFd(p.client);
        closeFd(p.server);
    }
}

} // namespace qvtest
