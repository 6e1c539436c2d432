#pragma once
// The connection window: one per open connection. It holds the session (TObjectSession),
// shows the object tree and the object list, opens objects in their definition windows and
// registers itself with the main window's connection list.
#include "connection/object_list_view.h"
#include "connection/object_session.h"
#include "connection/object_tree_model.h"
#include "connection/open_object_map.h"
#include "app/connection_window_iface.h"
#include "app/window_commands.h"

#include <QHash>
#include <QPointer>
#include <QWidget>
#include <functional>

class QAction;
class QComboBox;
class QSplitter;
class QToolButton;
class QWidget;

namespace qv {

class TqvTreeView;
class TObjectActions;
class TFragmentDelegate;
class TfrmObject;
class TfrmMain;

// Builds a definition window for an open request; the definition windows register here in
// place of the placeholder.
using WindowFactory = std::function<QWidget*(TfrmObject*, const OpenRequest&)>;
QHash<int, WindowFactory>& WindowFactories();

// The window shown for an object whose definition window is not available yet: it names the
// object and its type and says so; it never shows a definition.
class TfrmPlaceholder : public QWidget {
    Q_OBJECT
public:
    TfrmPlaceholder(TfrmObject* owner, const OpenRequest& request, QWidget* parent = nullptr);
    // The window of a main-window command whose window (windowClass) is not available yet.
    TfrmPlaceholder(QObject* owner, const QString& windowClass, const QString& caption, QWidget* parent = nullptr);
};

class TfrmObject : public QWidget, public IConnectionWindow {
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
    TObjectListView* lstObject;
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
                        TOpenMode mode, bool showRefObject, int defTopRecord, const QString& parentObject) override;
    // Opens every selected row of the object list through OpenObject on the page the OpenMode
    // option names (double click on a row, Enter in the list): hourglass, progress in the main
    // status bar, Esc stops before the next row, each handled row is deselected. Each window
    // opened joins the main window.
    void actOpenExecute();
    // Builds the window of an open request (its registered factory, else the placeholder);
    // nullptr when the window cannot be opened.
    QWidget* OpenWindow(const OpenRequest& request);
    // The object-list and tree commands (menus, enabling, handlers).
    TObjectActions* actions() const { return m_actions; }
    // Commands over object scripts: script output of the selected rows, full-text search,
    // copy and paste of objects (object_script_commands.cpp, grep_window.cpp, object_paste.cpp).
    void actScriptExecute();
    void actGrepExecute();
    void actCopyExecute();
    void actPasteExecute();
    // Asks the windows it owns (last first) whether they may close.
    bool CloseQuery() override;

    // IConnectionWindow
    QWidget* connectionWidget() override { return this; }
    QString Login() const override { return m_session->g_UserID; }
    QString Password() const override { return m_session->g_Password; }
    QString Server() const override { return m_session->g_Server; }
    QString DataBase() const override { return m_session->g_DataBase; }
    QString UserID() const override { return m_userId; }
    int DBVer() const override { return m_session->DBVer; }
    bool IsAzure() const override { return m_session->IsAzure; }
    bool WindowsAuthentication() const override { return m_session->g_Win_Attest; }
    QString GetCurrentSchema() const override { return m_session->GetCurrentSchema(); }
    void Commit() override;
    void Rollback() override;
    void StartTransaction() override;
    int ObjectCount() const override;
    int SelectedObjectCount() const override;
    void SetObjectListDetails(bool details) override;
    void NewObject(int objectType) override;
    void GetDatabase(QStringList& list) override { m_session->GetDatabase(list); }
    void ExecuteSQL(const QString& sql) override { m_session->ExecuteSQL(sql); }
    void SetCommandList() override;
    void SetReportList() override;
    void SetShortCut() override;
    // Runs the user command named by the item (sql/user_command_click.cpp).
    void UserCommandClick(QAction* item) override;
    // Runs the report named by the item over the selected rows (object_report.cpp).
    void ReportClick(QAction* item) override;
    QList<QVariantList> QueryRows(const QString& sql) override { return RunRowQuery(m_session->dmSQLServer->Connection, sql); }
    int ObjectTreeLevel() const override { return TreeLevel(); }
    QMenu* MergeMenu() const override;
    QWidget* RunStoredProgram(const QString& database, const QString& schema, const QString& name,
                              int objectType) override;
    // The connection's text in the main window's list.
    QString ConnectText() const { return m_session->ConnectionText(); }
    // The task-bar caption: login "@" server, cut to its first 10 characters and "…" when longer than 12.
    static QString TaskCaption(const QString& login, const QString& server);
    // The tree node level of the current node (-1 none).
    int TreeLevel() const;

    // Activation: the connection becomes the main window's current one and its task button
    // is pressed.
    void FormActivate();
    // Geometry under GUI\OBJECT, applied to the window's MDI frame: the stored window state
    // only when this is the main window's only child (minimised opens normal), the size in the
    // normal state, the tree width never below the tree panel's minimum.
    void LoadWindowSettings();
    // The window state, the size (normal state only) and the tree width.
    void SaveWindowSettings();
    // The window's MDI frame, or the window itself outside one.
    QWidget* frame() const;
    // The narrowest the tree panel may be.
    int TreeMinimumWidth() const;
    QAction* TaskButton() const { return m_taskButton; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void buildUi();
    void wireActions();
    void saveColumnWidths();
    void formClose();
    void createTaskButton(TfrmMain* main);
    QStringList configuredDatabases() const;

    TObjectSession* m_session;
    QString m_userId;
    bool m_closed = false;
    bool m_registered = false;
    QWidget* pnlTree = nullptr;
    QMetaObject::Connection m_frameConn;
    QPointer<QAction> m_taskButton;
    TObjectActions* m_actions = nullptr;
    TFragmentDelegate* m_fragmentDelegate = nullptr;
};

} // namespace qv
