#pragma once
// TfrmLock: the locks window ("ロック情報"). For the connection chosen in its combo it lists the
// locks held or requested on the server (syslockinfo with sysprocesses), for one database or
// all, on a second session of its own opened for each reading, and shows the last statement of
// the process that holds the selected lock. Statements: admin/session/session_text.*.
#include "admin/admin_tool_window.h"
#include "admin/session/session_second.h"

#include <functional>

class QAction;
class QCheckBox;
class QComboBox;
class QMenu;
class QSplitter;
class QTabWidget;
class QToolBar;

namespace qv {

class TfrmObject;
class TqvListView;
namespace db {
class Query;
}

class TfrmLock : public TAdminToolWindow {
    Q_OBJECT
public:
    // owner: the calling connection window; database: a database node's name, or empty.
    // Raises EAbort (no window) when the window of that connection is already open.
    TfrmLock(TfrmObject* owner, const QString& database);

    // Message boxes (tests answer them here; unset: the program's own).
    static std::function<int(const QString& text, int flags)>& Message();

    QToolBar* tolCmd = nullptr;
    QComboBox* cmbDatabase = nullptr;
    QTabWidget* pagObject = nullptr;
    QWidget* tabLock = nullptr;
    QWidget* tabStats = nullptr;
    QCheckBox* chkShowSysObj = nullptr;
    QSplitter* splLock = nullptr;
    TqvListView* lstLock = nullptr;
    TqvListView* lstCursor = nullptr;
    QMenu* mnuLock = nullptr;
    QAction* actExec = nullptr;
    QAction* actSelectFolder = nullptr;
    QAction* actReload = nullptr;
    QAction* actExit = nullptr;
    TSecondSession* second = nullptr;
    db::Query* qryGetspid = nullptr;
    db::Query* qryLock = nullptr;
    db::Query* qryCursor = nullptr;

    void Reload() override;
    QMenu* MergeMenu() const override { return mnuLock; }
    void lstLockSelectItem();
    void pagObjectChange();

protected:
    void ConnectionChanged() override;
    void FormCloseQuery(bool& canClose) override;

private:
    void FillDatabases(const QString& select);
    bool m_building = true;
};

} // namespace qv
