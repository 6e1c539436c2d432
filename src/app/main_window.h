#pragma once
// The main window: a multi-document window whose children are the connection windows and the
// windows they own, with the main menu, six tool bars, the current-connection list, the task
// bar, the work-space panel and the status bar. It offers the services that every child
// window uses (current connection, finding windows, status texts, recent objects).
#include <QHash>
#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QStatusBar>
#include <functional>

#include "app/options.h"

class QActionGroup;
class QComboBox;
class QDockWidget;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace qv {

class IConnectionWindow;
class TqvForm;
class TqvMemo;

// The status bar: three panels (0 connection state, 1 spare, 2 messages) that only the
// program writes; action hints never reach it.
class TqvStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit TqvStatusBar(QWidget* parent = nullptr);
    QLabel* panel(int i) const { return m_panels[i]; }
    QString panelText(int i) const { return m_panels[i]->text(); }
    void setPanelText(int i, const QString& text);

protected:
    bool event(QEvent* e) override;

private:
    QLabel* m_panels[3];
};

// The parsed command line: "/U=login[/password][@server]" and "/V=version", any letter case.
struct CommandLine {
    bool loginGiven = false; // a "/U=" switch was seen
    QString login, password, server;
    bool versionGiven = false;
    int versionOverride = 0;
};
CommandLine ParseCommandLine(const QStringList& args);

// The status texts of long loops and of the idle state.
QString LoopMessageText(int nowCount, int maxCount);
QString DefMessageText(int objectCount, int selectedCount);

// What the enabled states of the menu depend on.
struct MenuInputs {
    bool any = false;     // at least one connection is open
    bool current = false; // a connection is selected
    bool azure = false;   // of the current connection
    int version = 0;      // of the current connection
    bool clientTools = false; // the client-tools folder is known
    QString msExe, dtsExe, spfExe;
    bool autoTran = false; // transactions are started on every connection
};
// Action (or button) name → enabled, for every state that the menu update sets.
QHash<QString, bool> ComputeMenuState(const MenuInputs& in);

// A log-on request of the first paint and the log-on command.
struct LogonRequest {
    QString database, userId, password, server;
    bool autoPass = false;
};

// Records an opened object in the recent-object slots of connection C: an equal entry moves
// to the front, else a new entry goes in front (a slot keeps at most 11), else a new slot.
struct TqvObjectEntry;
void RecordRecentObject(QList<QList<TqvObjectEntry>>& recent, const QString& connect, int objectType,
                        const QString& database, const QString& schema, const QString& objectName,
                        const QString& parentObject);

// The main window's bar colour ($FFCAB5: blue FF, green CA, red B5).
QColor barColour();

class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    // The one main window (nullptr before it exists and after it is gone).
    static TfrmMain* instance();
    // Caption and image index (-1 for none) of a main-window action by name, also before the
    // window exists (for tool bars elsewhere that run these actions); false for unknown names.
    static bool actionInfo(const QString& name, QString* caption, int* image);

    // ---- services for the child windows
    IConnectionWindow* CurrentForm() const;
    IConnectionWindow* GetDBForm(const QString& serverName) const;
    // The last MDI child of the class (or a descendant) whose caption is exactly caption;
    // shown and brought forward when show is set; nullptr when none.
    QWidget* FindWindow(const QMetaObject& cls, const QString& caption, bool show) const;
    void SetDefMessage();
    void SetLoopMessage(int nowCount, int maxCount);
    void SetShortCut();
    void ShowWorkSpace(IConnectionWindow* eraseForm);
    // Recent objects of the current connection: recording, the File menu's items, opening.
    void RecentObjectCheck(int objectType, const QString& database, const QString& schema,
                           const QString& objectName, const QString& parentObject);
    void SetRecentObjectMenu();
    void mnuRecentObjectClick(QAction* item);
    void MenuUpdate();
    void cmbDBNameChange();

    // ---- connection windows and child windows
    // A connection window announces itself (adds its item, tells every child) and leaves.
    void AddConnection(IConnectionWindow* conn);
    void RemoveConnection(IConnectionWindow* conn);
    // Shows a child window in the MDI area (freed when it closes).
    QMdiSubWindow* AddChildWindow(QWidget* w);
    QList<QWidget*> MDIChildren() const;
    QList<IConnectionWindow*> ConnectionWindows() const;
    // Sends a program message (WM_DBCHANGE …) to every MDI child.
    void BroadcastMessage(int msg);

    // ---- start and stop
    // The first paint: placement, command line, log-on. Runs once.
    void FormPaint();
    void setCommandLineArguments(const QStringList& args) { m_args = args; m_argsSet = true; }
    // The log-on dialog, until its window exists a handler that records the calls.
    using LogonHandler = std::function<bool(const LogonRequest&)>;
    void setLogonHandler(LogonHandler h) { m_logon = std::move(h); }
    const LogonHandler& logonHandler() const { return m_logon; }
    const QList<LogonRequest>& logonCalls() const { return m_logonCalls; }

    // Placement of the window and its bars under GUI\MAIN.
    void LoadMainPlacement();
    void SaveMainPlacement();
    int workSpaceAlign() const; // 1 top, 2 bottom, 3 left, 4 right
    void setWorkSpaceAlign(int align);
    int workSpaceSize() const;
    void setWorkSpaceSize(int size);
    int workSpaceStyle() const { return m_workSpaceStyle; }
    void setWorkSpaceVisible(bool on);
    void setTaskBarVisible(bool on);
    void setStatusBarVisible(bool on);

    // ---- parts
    QAction* action(const QString& name) const { return m_actions.value(name); }
    QStringList actionNames() const { return m_actions.keys(); }
    QToolBar* toolBar(const QString& name) const;
    QList<QToolBar*> toolBars() const; // pnlDB, pnlEdit, pnlTool, pnlTool2, pnlAdmin, pnlNewObj
    QComboBox* cmbDBName() const { return m_cmbDBName; }
    TqvStatusBar* stsMain() const { return m_stsMain; }
    QToolBar* tolTask() const { return m_tolTask; }
    QActionGroup* taskGroup() const { return m_taskGroup; }
    QTreeWidget* lstWorkSpace() const { return m_lstWorkSpace; }
    QDockWidget* workSpaceDock() const { return m_dockWorkSpace; }
    QMdiArea* mdiArea() const { return m_mdi; }
    QMenu* menu(const QString& name) const { return m_menus.value(name); }
    QMenu* popEditor() const { return m_popEditor; }

    // The SQL editor that the editor commands act on (the focused one); nullptr when none.
    TqvMemo* ActiveEditor() const;
    // The state of an SQL editor changed (caret, selection, text, mode): the editor commands
    // take their enabled states again. Cheap; editors call it on every change.
    void EditorStateChanged();

    // Commands whose windows live elsewhere: the handler receives the current connection
    // (nullptr for the commands that need none). Without a handler the command says that
    // the function is not available yet.
    using CommandHandler = std::function<void(IConnectionWindow*)>;
    static void setCommandHandler(const QString& actionName, CommandHandler h);

    // ---- user-command and report menus (main_menus.cpp)
    // Rebuilds the generated items above the separators of the Tools menu's user-command and
    // report menus from the USERCMD and xlsdef folders, then every connection window's copy.
    void SetCommandList();
    void SetReportList();
    void mnuUserCommandClick(QAction* item);
    void mnuReportClick(QAction* item);

    // ---- work-space panel (workspace_panel.cpp)
    // Adds the selected objects of a connection window's object list (the drag source) to the
    // work space; false when the source is no connection window's object list.
    bool WorkSpaceDropFrom(QWidget* source);
    // The same for the selected objects of a connection window (its "add to work space" command).
    bool AddToWorkSpace(IConnectionWindow* conn);
    // Opens the selected work-space entries on a page (omDefine …); the record limit is asked
    // per entry when askTopRecord is set.
    void WorkSpaceOpen(bool useOption, TOpenMode mode, bool askTopRecord);
    void WorkSpaceExec();
    void WorkSpaceDelete();
    // Gives the entry of item the title it shows now and saves the work space.
    void WorkSpaceRenamed(QTreeWidgetItem* item);
    void WorkSpaceSetAlign(int align);
    void WorkSpaceSetIconView(bool icons);

    // The task-bar popup's close, the window commands.
    void CloseActiveChild();
    // Refresh: the active window reads its contents again; F5 in an SQL editor runs the
    // editor window's own command instead (its F5, otherwise its command with access key C).
    void mnuReloadClick(bool byKey);

protected:
    void closeEvent(QCloseEvent* e) override;
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void FormCreate();
    void FormClose();
    void LoadStartSettings();
    void createActions();
    void createMenus();
    void createToolBars();
    void createTaskBar();
    void createWorkSpace();
    void createWorkSpacePanel();     // workspace_panel.cpp
    void wireWindowCommands();       // window_commands.cpp
    void popWorkSpacePopup();
    void paintBarColour();
    void wireCommands();
    void runCommand(const QString& name, bool needsConnection);
    void updateEditActions();
    void subWindowActivated(QMdiSubWindow* w);
    void mnuDisplayShow();
    void mnuToolClick(QAction* item);
    void ResetToolBars();
    void fillWindowMenu();
    bool askChildrenToClose();
    void floatToolBar(QToolBar* t, const QRect& r);

    QMdiArea* m_mdi = nullptr;
    QComboBox* m_cmbDBName = nullptr;
    TqvStatusBar* m_stsMain = nullptr;
    QToolBar* m_tolTask = nullptr;
    QActionGroup* m_taskGroup = nullptr;
    QTreeWidget* m_lstWorkSpace = nullptr;
    QDockWidget* m_dockWorkSpace = nullptr;
    QMenu* m_popEditor = nullptr;
    QPointer<QMenu> m_mergedMenu; // the active child window's own menu in the menu bar
    QMenu* m_popTask = nullptr;
    QMenu* m_toolBarMenu = nullptr;
    QHash<QString, QAction*> m_actions;
    QHash<QString, QMenu*> m_menus;
    QHash<QString, QToolBar*> m_toolBars;
    QStringList m_args;
    bool m_argsSet = false;
    bool m_painted = false;
    bool m_formPainted = false;
    int m_workSpaceStyle = 0;
    int m_workSpaceSize = 110;
    bool m_closing = false;
    bool m_reloadByKey = false; // the refresh came from its key, not the menu
    LogonHandler m_logon;
    QList<LogonRequest> m_logonCalls;
};

} // namespace qv
