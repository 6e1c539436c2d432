// The product news check against a small HTTP server of the test: the mark follows the file's
// Last-Modified time, the menu command stores it and removes the mark, and an unreachable host
// gives the offline warning once, without the user interface waiting for the network.
#include "app/found/settings_helper.h"
#include "app/news_check.h"

#include <QAction>
#include <QEventLoop>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

using namespace qv;
using namespace qvtest;

namespace {

// Answers every request with the given Last-Modified time and a length of 10.
class NewsServer : public QTcpServer {
public:
    explicit NewsServer(const QDateTime& lastModified) : m_lm(lastModified)
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = nextPendingConnection()) {
                connect(s, &QTcpSocket::readyRead, s, [this, s] {
                    m_buffer[s] += s->readAll();
                    if (!m_buffer[s].contains("\r\n\r\n"))
                        return;
                    ++requests;
                    const QByteArray date = QLocale::c()
                                                .toString(m_lm.toUTC(), QStringLiteral("ddd, dd MMM yyyy HH:mm:ss 'GMT'"))
                                                .toLatin1();
                    s->write("HTTP/1.1 200 OK\r\nLast-Modified: " + date
                             + "\r\nContent-Length: 10\r\nConnection: close\r\n\r\n");
                    s->disconnectFromHost();
                });
                connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            }
        });
        listen(QHostAddress::LocalHost);
    }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1/qvinfo.txt").arg(serverPort()); }
    int requests = 0;

private:
    QDateTime m_lm;
    QHash<QTcpSocket*, QByteArray> m_buffer;
};

void setAddresses(const QString& file, const QString& page)
{
    TqvRegistry reg;
    ASSERT_TRUE(reg.OpenKey(SettingsRootKey, true));
    reg.WriteString("QvInfoFileURL", file);
    reg.WriteString("QvInfoPageURL", page);
}

// Waits for the check's end; the generous time-out only guards against a hang.
bool waitFinished(NewsCheck& n)
{
    QEventLoop loop;
    bool done = false;
    QObject::connect(&n, &NewsCheck::finished, &loop, [&] {
        done = true;
        loop.quit();
    });
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    loop.exec();
    return done;
}

using NewsCheckTest = SettingsTest;

} // namespace

TEST_F(NewsCheckTest, NewerFileMarksTheItemAndTheCommandStoresItsTime)
{
    const QDateTime lm = QDateTime(QDate(2026, 5, 1), QTime(10, 0, 0), Qt::UTC).toLocalTime();
    NewsServer server(lm);
    ASSERT_TRUE(server.isListening());
    setAddresses(server.url(), "http://127.0.0.1/news/");
    StoreNewsTime(QDateTime(QDate(2026, 1, 1), QTime(0, 0, 0)));
    QAction item("Qorvel情報(&I)");
    NewsCheck news(&item);
    QStringList warnings;
    news.warn = [&](const QString& t) { warnings << t; };
    QList<QUrl> opened;
    news.openUrl = [&](const QUrl& u) { opened << u; };
    news.timeoutMs = 20000;

    news.CheckAtStart();
    EXPECT_TRUE(news.isChecking()); // returned before the network answered
    ASSERT_TRUE(waitFinished(news));
    EXPECT_TRUE(warnings.isEmpty());
    EXPECT_TRUE(news.marked());
    EXPECT_EQ(item.text(), "\u3000\u3000Qorvel情報(&I)");
    EXPECT_EQ(item.property("qvMarkImage").toInt(), 166);
    EXPECT_EQ(item.data().toInt(), 166);
    EXPECT_EQ(server.requests, 1);

    news.MenuCommand();
    ASSERT_TRUE(waitFinished(news));
    EXPECT_EQ(StoredNewsTime(), lm);
    EXPECT_FALSE(news.marked());
    EXPECT_EQ(item.text(), "Qorvel情報(&I)");
    EXPECT_EQ(opened, QList<QUrl>({QUrl("http://127.0.0.1/news/")}));

    // The next start shows no mark until the file changes.
    NewsCheck next(&item);
    next.warn = news.warn;
    next.CheckAtStart();
    ASSERT_TRUE(waitFinished(next));
    EXPECT_FALSE(next.marked());
}

TEST_F(NewsCheckTest, NeverOpenedMarksAnyFile)
{
    NewsServer server(QDateTime(QDate(2001, 1, 1), QTime(0, 0, 0)));
    setAddresses(server.url(), "http://127.0.0.1/news/");
    QAction item("news");
    NewsCheck news(&item);
    news.CheckAtStart();
    ASSERT_TRUE(waitFinished(news));
    EXPECT_TRUE(news.marked());
}

TEST_F(NewsCheckTest, UnreachableHostWarnsOnceWithoutBlocking)
{
    quint16 port = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
        port = probe.serverPort();
    } // closed: connections are refused
    setAddresses(QStringLiteral("http://127.0.0.1:%1/qvinfo.txt").arg(port), "http://127.0.0.1/news/");
    QAction item("news");
    NewsCheck news(&item);
    QStringList warnings;
    news.warn = [&](const QString& t) { warnings << t; };
    news.timeoutMs = 3000;
    news.CheckAtStart();
    EXPECT_TRUE(news.isChecking());
    ASSERT_TRUE(waitFinished(news));
    ASSERT_EQ(warnings, QStringList({NewsOfflineStartWarning()}));
    EXPECT_FALSE(news.internetConnected());
    EXPECT_FALSE(news.marked());
    // A second check after an offline one does not run (nor warn again).
    news.CheckAtStart();
    EXPECT_FALSE(news.isChecking());
    QEventLoop loop;
    QTimer::singleShot(0, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_EQ(warnings.size(), 1);
    // The menu command says it could not connect.
    bool opened = false;
    news.openUrl = [&](const QUrl&) { opened = true; };
    news.MenuCommand();
    ASSERT_TRUE(waitFinished(news));
    EXPECT_EQ(warnings.last(), NewsOfflineWarning());
    EXPECT_FALSE(opened);
}

TEST(NewsCheckRule, NewWhenNeverOpenedOrOlder)
{
    const QDateTime l(QDate(2026, 5, 1), QTime(10, 0));
    EXPECT_TRUE(HasNewNews(NewsDefaultTime(), l));
    EXPECT_TRUE(HasNewNews(l.addSecs(-1), l));
    EXPECT_FALSE(HasNewNews(l, l));
    EXPECT_FALSE(HasNewNews(l.addDays(1), l));
}
