#include "app/news_check.h"

#include "app/menu_bar.h"
#include "app/message_box.h"
#include "platform/registry.h"

#include <QAction>
#include <QDesktopServices>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTcpSocket>
#include <QTimer>

#define S QStringLiteral

namespace qv {

QString DefaultNewsFileUrl() { return S("https://qorvel.velmora.example/info/qvinfo.txt"); }
QString DefaultNewsPageUrl() { return S("https://qorvel.velmora.example/info/"); }

namespace {
QString rootString(const QString& name, const QString& def)
{
    TqvRegistry reg;
    if (!reg.OpenKeyReadOnly(SettingsRootKey))
        return def;
    return reg.GetString(name, def);
}
} // namespace

QUrl NewsFileUrl() { return QUrl(rootString(S("QvInfoFileURL"), DefaultNewsFileUrl())); }
QUrl NewsPageUrl() { return QUrl(rootString(S("QvInfoPageURL"), DefaultNewsPageUrl())); }

QDateTime NewsDefaultTime() { return QDateTime(QDate(2000, 1, 1), QTime(0, 0, 0)); }

QDateTime StoredNewsTime()
{
    TqvRegistry reg;
    if (!reg.OpenKeyReadOnly(SettingsRootKey))
        return NewsDefaultTime();
    return reg.GetDateTime(S("NewQvInfoTime"), NewsDefaultTime());
}

void StoreNewsTime(const QDateTime& t)
{
    try {
        TqvRegistry reg;
        if (reg.OpenKey(SettingsRootKey, true))
            reg.WriteDateTime(S("NewQvInfoTime"), t);
    } catch (const std::exception&) {
    }
}

bool HasNewNews(const QDateTime& stored, const QDateTime& lastModified)
{
    return stored == NewsDefaultTime() || stored < lastModified;
}

QString NewsOfflineStartWarning()
{
    return S("インターネットに繋がりませんでした。\r\n現在、インターネットに接続できない環境でご利用の場合は\r\n"
             "オプション画面 - 詳細設定2 にて\r\n[Qorvel起動時にインターネットが利用かをチェックしない]の\r\n"
             "チェックをONにしてください。");
}

QString NewsOfflineWarning() { return S("インターネットに接続できませんでした。"); }

NewsCheck::NewsCheck(QAction* menuItem, QObject* parent)
    : QObject(parent), m_item(menuItem), m_net(new QNetworkAccessManager(this))
{
    if (m_item)
        m_caption = m_item->text();
    warn = [](const QString& text) { ShowMessageBox(text, MB_ICONWARNING); };
    openUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };
}

NewsCheck::~NewsCheck() = default;

QString NewsMarkedCaption(const QString& caption) { return MenuMarkedCaption(caption); }

void NewsCheck::setMark(bool on)
{
    m_existNew = on;
    if (!m_item)
        return;
    // The main menu bar draws image 166 in the room the marked caption leaves at its start.
    m_item->setText(on ? NewsMarkedCaption(m_caption) : m_caption);
    m_item->setData(on ? 166 : -1);
    m_item->setProperty(kMenuMarkProperty, on ? 166 : -1);
}

void NewsCheck::probeOnline(const QUrl& url, std::function<void(bool)> next)
{
    // Reachability of the news host itself: a connection to its port, given up after the time-out.
    auto* socket = new QTcpSocket(this);
    auto* timer = new QTimer(socket);
    timer->setSingleShot(true);
    auto done = std::make_shared<bool>(false);
    auto finish = [socket, done, next](bool ok) {
        if (*done)
            return;
        *done = true;
        socket->abort();
        socket->deleteLater();
        next(ok);
    };
    connect(socket, &QTcpSocket::connected, this, [finish] { finish(true); });
    connect(socket, &QTcpSocket::errorOccurred, this, [finish] { finish(false); });
    connect(timer, &QTimer::timeout, this, [finish] { finish(false); });
    const QString host = url.host();
    if (host.isEmpty()) {
        QTimer::singleShot(0, this, [finish] { finish(false); });
        return;
    }
    timer->start(timeoutMs);
    socket->connectToHost(host, quint16(url.port(url.scheme() == S("http") ? 80 : 443)));
}

void NewsCheck::readFileInfo(const QUrl& url, std::function<void(const QDateTime&, qint64)> next)
{
    QNetworkRequest req(url);
    req.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    req.setTransferTimeout(timeoutMs);
    QNetworkReply* reply = m_net->head(req);
    connect(reply, &QNetworkReply::finished, this, [reply, next] {
        reply->deleteLater();
        QDateTime modified;
        qint64 size = 0;
        if (reply->error() == QNetworkReply::NoError) {
            const QVariant lm = reply->header(QNetworkRequest::LastModifiedHeader);
            const QVariant cl = reply->header(QNetworkRequest::ContentLengthHeader);
            if (lm.isValid() && cl.isValid()) {
                modified = lm.toDateTime().toLocalTime();
                size = cl.toLongLong();
            }
        }
        next(modified, size);
    });
}

void NewsCheck::CheckAtStart()
{
    if (m_checking)
        return;
    if (!m_firstCheck && !(m_internetConnected && m_fileAnswered))
        return;
    m_checking = true;
    m_firstCheck = false;
    m_existNew = false;
    const QUrl file = NewsFileUrl();
    probeOnline(file, [this, file](bool online) {
        m_internetConnected = online;
        if (!online) {
            m_checking = false;
            warn(NewsOfflineStartWarning());
            emit finished();
            return;
        }
        const QDateTime stored = StoredNewsTime();
        readFileInfo(file, [this, stored](const QDateTime& modified, qint64 size) {
            if (!modified.isValid() && size == 0) {
                m_fileAnswered = false;
            } else {
                m_fileAnswered = true;
                setMark(HasNewNews(stored, modified));
            }
            m_checking = false;
            emit finished();
        });
    });
}

void NewsCheck::MenuCommand()
{
    if (m_commandRunning)
        return;
    m_commandRunning = true;
    const QUrl file = NewsFileUrl();
    probeOnline(file, [this, file](bool online) {
        m_internetConnected = online;
        if (!online) {
            m_commandRunning = false;
            warn(NewsOfflineWarning());
            emit finished();
            return;
        }
        const QDateTime stored = StoredNewsTime();
        readFileInfo(file, [this, stored](const QDateTime& modified, qint64 size) {
            m_fileAnswered = size != 0 || modified.isValid();
            if (m_fileAnswered && HasNewNews(stored, modified)) {
                StoreNewsTime(modified);
                setMark(false);
            }
            m_commandRunning = false;
            openUrl(NewsPageUrl());
            emit finished();
        });
    });
}

} // namespace qv
