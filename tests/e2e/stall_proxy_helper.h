#pragma once
// A TCP relay on 127.0.0.1 that stands between the driver and the test server and can make the
// server look silent: it passes bytes both ways until it is told to stop passing the server's
// bytes after N more, then holds everything the server sends. Without an upstream port it is a
// listener that accepts and never answers. The relay runs on its own thread (the driver call
// under test blocks the test's thread), lives at most maxLifeMs and stops with the object.
#include <QByteArray>
#include <QString>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

namespace qvtest {

class StallProxy {
public:
    // upstreamPort 0: accept and never answer.
    explicit StallProxy(quint16 upstreamPort, int maxLifeMs = 120000);
    ~StallProxy();
    StallProxy(const StallProxy&) = delete;
    StallProxy& operator=(const StallProxy&) = delete;

    bool ok() const { return m_port != 0; }
    quint16 port() const { return m_port; }

    // From now on at most bytes more of the server's bytes reach the client; then the relay
    // holds the rest of that connection (the server seems to have gone silent). Connections
    // made later pass freely again.
    void stallAfter(qint64 bytes);
    // The same, armed when the client first sends a request that holds text (a statement's
    // text, as the driver sends it in UTF-16LE).
    void stallOnRequest(const QString& text, qint64 bytes);
    // Called once, on the relay's thread, when the stall begins (e.g. to kill the server).
    void onStall(std::function<void()> f);
    bool stalled() const { return m_stalled.load(); }
    // How many client connections were accepted so far.
    int accepted() const { return m_accepted.load(); }

private:
    void run();

    quint16 m_upstream = 0;
    quint16 m_port = 0;
    int m_listen = -1;
    int m_wake[2] = {-1, -1};
    int m_maxLifeMs = 0;
    std::thread m_thread;
    std::mutex m_lock;
    qint64 m_budget = -1; // -1: no limit
    QByteArray m_trigger; // armed by a request holding these bytes
    qint64 m_triggerBudget = -1;
    std::function<void()> m_onStall;
    std::atomic<bool> m_stalled{false};
    std::atomic<int> m_accepted{0};
};

} // namespace qvtest
