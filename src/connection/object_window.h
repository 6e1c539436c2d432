#pragma once
// The connection window: one per open connection. It holds the session (TObjectSession),
// shows the object tree and the object list, opens objects in their definition windows and
// registers itself with the main window's connection list.
#include "connection/object_session.h"
#include "connection/object_tree_model.h"
#include "connection/open_object_map.h"

#include <QHash>
#include <QWidget>
#include <functional>

class QAction;
class QComboBox;
class QSplitter;
class QToolButton;
class QWidget;

namespace qv {

class TqvListView;
class TqvTreeView;
class TfrmObject;

// What the connection window needs of the main window; the main window fills it in.
struct ConnectionHost {
    QComboBox* cmbDBName = nullptr;                     // the connection list (item data: the window)
    std::function<void()> cmbDBNameChange;
    std::function<QList<QWidget*>()> children;          // the child windows, in child order
    std::function<void(const QString&)> setStatusText;  // status bar panel 2
    std::function<void()> setDefMessage;
    std::function<void(int, int)> setLoopMessage;
    std::function<bool()> escapePressed;                // polled by long listings
    // Builds a definition window for an open request (the later windows register here).
    QHash<int, std::function<QWidget*(TfrmObject*, const OpenRequest&)>> windowFactories;
};
ConnectionHost& Host();

// The window shown for an object whose definition window is not available yet: it names the
// object and its type and says so; it never shows a definition.
class TfrmPlaceholder : public QWidget {
    Q_OBJECT
public:
    TfrmPlaceholder(TfrmObject* owner, const OpenRequest& request, QWidget* parent = nullptr);
};

class TfrmObject : public QWidget {
    Q_OBJECT
public:
    // Opens the connection (raises when it cannot) and builds the window.
    TfrmObject(QWidget* parent, const QString& sid, const QString& userId, const QString& password,
               const QString& server, std::shared_ptr<db::DriverConnection> driver = {}, int versionOverride = 0);
    ~TfrmObject() override;

    TObjectSession* session() const { return m_session; }
    int Disp = 0;
    QString FViewType;

    TqvTreeView* lstTree;
    TqvListView* lstObject;
    QToolButton* btnTree1;
    QToolButton* btnTree2;
    QToolButton* btnLevel0;
    QToolButton* btnLevel1;
    QComboBox* cmbTree;
    QWidget* pnlFind;
    QComboBox* cmbFind;
    QToolButton* btnShowFragment;
    QSplitter* spl1;

    void ShowTree();
    void ShowObject(bool isGrep);
    QWidget* OpenObject(int objectType, const QString& database, const QString& schema, const QString& objectName,
                        TOpenMode mode, bool showRefObject, int defTopRecord, const QString& parentObject);
    // Asks the windows it owns (last first) whether they may close.
    bool CloseQuery();
    // The connection's text in the main window's list.
    QString ConnectText() const { return m_session->ConnectionText(); }
    // The task-bar caption: login "@" server, cut to its first 10 characters and "…" when longer than 12.
    static QString TaskCaption(const QString& login, const QString& server);
    // The tree node level of the current node (-1 none).
    int TreeLevel() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* e) override;

private:
    void buildUi();
    void loadWindowSettings();
    void saveWindowSettings();
    void saveColumnWidths();
    void formClose();
    QStringList configuredDatabases() const;

    TObjectSession* m_session;
    bool m_closed = false;
};

} // namespace qv
