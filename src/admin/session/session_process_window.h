#pragma once
// TfrmSession: the processes window ("プロセス情報"). For the connection chosen in its combo it
// lists the server's processes (user or background, one database or all) on a second session
// of its own, shows the last statement the selected process sent and disconnects a process with
// KILL on the connection's own session. Statements: admin/session/session_text.*.
#include "admin/admin_tool_window.h"
#include "admin/session/session_second.h"

#include <functional>

class QAction;
class QComboBox;
class QMenu;
class QSplitter;
class QToolBar;
class QToolButton;
class QTreeWidgetItem;

namespace qv {

class TfrmObject;
class TqvListView;
namespace db {
class Query;
}

class TfrmSession : public TAdminToolWindow {
    Q_OBJECT
public:
    // owner: the calling connection window; database: a database node's name, or empty.
    // Raises EAbort (no window) when the window of that connection is already open.
    TfrmSession(TfrmObject* owner, const QString& database);

    // Message boxes (tests answer them here; unset: the program's own).
    static std::function<int(const QString& text, int flags)>& Message();

    QToolBar* tolCmd = nullptr;
    QToolButton* btnUser = nullptr;
    QToolButton* btnBG = nullptr;
    QComboBox* Cmbdatabase = nullptr;
    QSplitter* splList = nullptr;
    TqvListView* lstSession = nullptr;
    TqvListView* lstCursor = nullptr;
    QMenu* mnuSession = nullptr;
    QAction* actKill = nullptr;
    QAction* actRefresh = nullptr;
    QAction* actExit = nullptr;
    TSecondSession* second = nullptr;
    db::Query* qrySession = nullptr;
    db::Query* qryGetspid = nullptr;
    db::Query* qryCursor = nullptr;

    void Reload() override;
    void LoadWindowSettings() override;
    void SaveWindowSettings() override;
    QMenu* MergeMenu() const override { return mnuSession; }

    void actKillExecute();
    void btnUserClick(QToolButton* clicked);
    void lstSessionSelectItem();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void ConnectionChanged() override;

private:
    void FillDatabases(const QString& select);
    void UpdateActions();
    bool m_building = true;
};

} // namespace qv
