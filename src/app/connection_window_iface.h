#pragma once
// What the main window and the child windows need of a connection window (one per open
// connection; it holds the session on which its windows run their statements). The
// connection window implements this next to its QWidget; tests use a fake.
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QList>

#include "app/options.h"

class QAction;
class QMenu;
class QWidget;

namespace qv {

class IConnectionWindow {
public:
    virtual ~IConnectionWindow() = default;

    // The window itself (the MDI child's widget).
    virtual QWidget* connectionWidget() = 0;

    // Connection facts.
    virtual QString Login() const = 0;     // the session's login
    virtual QString Password() const = 0;
    virtual QString Server() const = 0;
    virtual QString DataBase() const = 0;  // the session's current database
    virtual QString UserID() const = 0;    // the user id typed at log-on
    virtual int DBVer() const = 0;         // server major version
    virtual bool IsAzure() const = 0;
    virtual bool WindowsAuthentication() const = 0;
    virtual QString GetCurrentSchema() const = 0;

    // The connect text (login " @ " server "." database) or an object's text; see ConnectInfo.
    QString GetConnectInfo(const QString& schema, const QString& objectName, bool isAddDB) const;
    // S1 when the server version is at least version, else S2.
    QString VerStr(int version, const QString& s1, const QString& s2) const { return DBVer() >= version ? s1 : s2; }

    // Transaction of the session; each throws the driver's error.
    virtual void Commit() = 0;
    virtual void Rollback() = 0;
    virtual void StartTransaction() = 0;

    // The object list: item count, selected count and its view style.
    virtual int ObjectCount() const = 0;
    virtual int SelectedObjectCount() const = 0;
    virtual void SetObjectListDetails(bool details) = 0;

    // Opens an object's window (nullptr when there is none for the type or opening failed).
    virtual QWidget* OpenObject(int objectType, const QString& database, const QString& schema,
                                const QString& objectName, TOpenMode mode, bool showRefObject,
                                int defTopRecord, const QString& parentObject) = 0;
    // An empty definition window of the type on the current database and schema.
    virtual void NewObject(int objectType) = 0;
    // The names of the databases the login can use, sorted.
    virtual void GetDatabase(QStringList& list) = 0;
    // One statement on the session.
    virtual void ExecuteSQL(const QString& sql) = 0;

    // Menus and shortcuts copied from the main window.
    virtual void SetCommandList() = 0;
    virtual void SetReportList() = 0;
    virtual void SetShortCut() = 0;
    virtual void UserCommandClick(QAction* item) = 0;
    virtual void ReportClick(QAction* item) = 0;

    // Asks the windows it owns and itself whether it may close; does not close.
    virtual bool CloseQuery() = 0;

    // Runs a statement on a new query of the session and returns its rows (NULL as a null
    // value, every other value as text); raises the driver's error. Without a session: raises.
    virtual QList<QVariantList> QueryRows(const QString& sql);
    // The level of the object tree's current node (0 the server); -1 when unknown. The object
    // list itself is the child widget named "lstObject".
    virtual int ObjectTreeLevel() const { return -1; }

    // Whether the session has a transaction open.
    virtual bool InTransaction() const { return false; }
    // The session driver's information lines ("Driver name = …", "Driver version = …");
    // empty when closed.
    virtual QStringList InfoReport() { return {}; }
    // After the options dialog: rebuild the tree in the new order (when it changed), show or
    // hide the filter panel by Find and set whole-row highlighting by RowSelect.
    virtual void ApplyListOptions(bool treeOrderChanged) { (void)treeOrderChanged; }
    // The window's own menu, shown in the main window's menu bar while it is active.
    virtual QMenu* MergeMenu() const { return nullptr; }
    // Opens the stored-program runner for a procedure (51) or function (52) of this connection
    // (an open runner of that program is shown instead); null when the window has none.
    virtual QWidget* RunStoredProgram(const QString& database, const QString& schema, const QString& name, int objectType)
    {
        (void)database, (void)schema, (void)name, (void)objectType;
        return nullptr;
    }
};

// Login " @ " server ["." database], or schema "." name " @ " server ["." database] when
// both schema and name are given; every part without surrounding blanks.
QString ConnectInfo(const QString& login, const QString& server, const QString& database,
                    const QString& schema, const QString& objectName, bool isAddDB);

} // namespace qv
