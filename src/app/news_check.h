#pragma once
// The product news check: whether the maker's news file changed since the user last opened
// the news page, shown as a mark on the main menu's news item. Both network steps (can the
// news host be reached, the HEAD request for the file's Last-Modified time) run in the
// background with a time-out; nothing waits for the network on the user-interface thread.
#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QUrl>
#include <functional>

class QAction;
class QNetworkAccessManager;

namespace qv {

// The addresses, from the settings root values "QvInfoFileURL" and "QvInfoPageURL".
QString DefaultNewsFileUrl();
QString DefaultNewsPageUrl();
QUrl NewsFileUrl();
QUrl NewsPageUrl();
// "NewQvInfoTime": the Last-Modified time of the news file when the page was last opened;
// the default 2000/01/01 00:00:00 stands for never.
QDateTime NewsDefaultTime();
QDateTime StoredNewsTime();
void StoreNewsTime(const QDateTime& t);
// New news: the stored time is the default or earlier than the file's time.
bool HasNewNews(const QDateTime& stored, const QDateTime& lastModified);

// The news item's caption while it is marked.
QString NewsMarkedCaption(const QString& caption);

QString NewsOfflineStartWarning();
QString NewsOfflineWarning();

class NewsCheck : public QObject {
    Q_OBJECT
public:
    // menuItem: the main menu's news item; marked, its caption makes room for image 166, which
    // the main menu bar draws there (property "qvMarkImage"; the item's data holds the same
    // index, -1 unmarked).
    explicit NewsCheck(QAction* menuItem, QObject* parent = nullptr);
    ~NewsCheck() override;

    // The check at start; returns at once, the result arrives later (finished).
    void CheckAtStart();
    // The menu command: stores the file's time when it is newer, removes the mark, opens the page.
    void MenuCommand();

    bool isChecking() const { return m_checking; }
    bool marked() const { return m_existNew; }
    bool internetConnected() const { return m_internetConnected; }
    bool fileAnswered() const { return m_fileAnswered; }

    // Time-out of each network step, in milliseconds.
    int timeoutMs = 5000;
    // The warnings (default: a warning box) and the opening of the page (default: the desktop's browser).
    std::function<void(const QString&)> warn;
    std::function<void(const QUrl&)> openUrl;

    // The check's or the command's end.
    Q_SIGNAL void finished();

private:
    void probeOnline(const QUrl& url, std::function<void(bool)> next);
    void readFileInfo(const QUrl& url, std::function<void(const QDateTime&, qint64)> next);
    void setMark(bool on);

    QPointer<QAction> m_item;
    QString m_caption;
    QNetworkAccessManager* m_net;
    bool m_firstCheck = true;
    bool m_checking = false;
    bool m_existNew = false;
    bool m_internetConnected = false;
    bool m_fileAnswered = false;
    bool m_commandRunning = false;
};

} // namespace qv
