#pragma once
// Base class of the child windows (definition, SQL, administration and tool windows). A
// TqvForm belongs to one connection window, its owner connection; it binds the statements of
// the window to that connection's session, keeps the window's object type and icon, its new
// and modified flags and its button on the main window's task bar, asks before a modified
// window closes, and reacts to WM_RELOAD and WM_DBCHANGE.
#include <QPointer>
#include <QWidget>

class QAction;
class QMenu;
class QTabWidget;

namespace qv {

class IConnectionWindow;

enum TSourceMode { smShow, smText };

// Anything inside a child window that runs statements on the owner's session (the queries of
// the window and of its frames). BindQueries attaches each to the owner's session: closed,
// unprepared, bound to the session's connection, escape and macro processing switched off.
class SessionClient {
public:
    virtual ~SessionClient() = default;
    virtual void attachSession(IConnectionWindow* owner) = 0;
};

class TqvForm : public QWidget {
    Q_OBJECT
public:
    // owner: a connection window (then the owner connection), the main window (its current
    // connection), another TqvForm (its owner connection) or anything else (none).
    explicit TqvForm(QObject* owner, QWidget* parent = nullptr);
    ~TqvForm() override;

    IConnectionWindow* OwnerForm() const { return m_ownerForm; }
    void SetOwnerForm(IConnectionWindow* value);
    int ObjType() const { return m_objType; }
    void SetObjType(int value);
    bool IsNew() const { return m_isNew; }
    void SetIsNew(bool value);
    bool Modified() const { return m_modified; }
    void SetModified(bool value) { m_modified = value; }
    bool UseLowerName() const { return m_useLowerName; }
    QString TaskCaption() const;
    void SetTaskCaption(const QString& value);

    TSourceMode SourceMode = smShow;

    // The first tab widget of the window (depth-first), for Ctrl+PageUp / Ctrl+PageDown.
    QTabWidget* PageControl() const { return m_pageControl; }
    QAction* TaskButton() const { return m_taskButton; }

    // Window icon and task-button image: image index of the main image list.
    void SetIcon(int imageIndex);
    // The window's button on the main task bar (created once).
    void CreateTaskButton();
    // Attaches every SessionClient of the window and its frames to the owner's session.
    void BindQueries();

    // Name prefixes of generated SQL: the quoted name followed by ".", or "" (blank name, or
    // in script mode when the script options leave the name out).
    QString GetSchemaPrefix(const QString& schema) const { return GetSchemaPrefixEx(schema, schema); }
    QString GetSchemaPrefixEx(const QString& schema, const QString& ownerSchema) const;
    QString GetDatabasePrefix(const QString& database) const { return GetDatabasePrefixEx(database, database); }
    QString GetDatabasePrefixEx(const QString& database, const QString& ownerDatabase) const;
    QString GetServerPrefix(const QString& server) const { return GetServerPrefixEx(server, QString()); }
    QString GetServerPrefixEx(const QString& server, const QString& owner) const;

    // The close query: the window's own (FormCloseQuery), then for a modified window the
    // question whether to compile; saves the window settings when the window may close.
    bool CloseQuery();

    // Activation by the main window: selects the owner connection, refreshes the menus,
    // presses the task button.
    void Activated();

    // The window's own settings; called once before the window is first shown (or earlier
    // through EnsureWindowSettings) and by CloseQuery.
    void EnsureWindowSettings();

    virtual void ChangedIsNew() {}
    virtual void Compile() {}
    virtual void Reload() {}
    virtual void DBChange() {}
    virtual void LoadWindowSettings() {}
    virtual void SaveWindowSettings() {}
    // The window's own menu, shown in the main window's menu bar (before "ウィンドウ") while
    // the window is active; none by default.
    virtual QMenu* MergeMenu() const { return nullptr; }
    // Windows that show table data on page 2 of a page control (table and view windows) say
    // so; after a rollback the main window has such a window read its data again.
    virtual bool HasDataPage() const { return false; }
    // True while the window has a data page and one of its page controls shows page 2.
    bool DataPageShown() const;

    // The window's MDI frame (the QMdiSubWindow), or the window itself outside one.
    QWidget* frame() const;
    // True while the window is neither maximised nor minimised.
    bool isNormalState() const;

signals:
    void closed(); // the window is closing for good

protected:
    // The window's own close query; leave canClose true to allow closing.
    virtual void FormCloseQuery(bool& canClose) { Q_UNUSED(canClose); }
    // The window's own close handler.
    virtual void FormClose() {}

    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    void InitComponents();
    // Letter case of the name fields and the page control; once the window's controls exist.
    void ApplyComponentSettings();
    void stepPage(bool next);
    void ownerGone();

    IConnectionWindow* m_ownerForm = nullptr;
    int m_objType = 0;
    bool m_isNew = false;
    bool m_modified = false;
    bool m_useLowerName = false;
    bool m_settingsLoaded = false;
    bool m_closeApproved = false;
    QPointer<QAction> m_taskButton;
    QPointer<QTabWidget> m_pageControl;
    QMetaObject::Connection m_ownerConn;

    friend class TfrmMain;
};

} // namespace qv
