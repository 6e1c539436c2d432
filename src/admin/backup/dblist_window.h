#pragma once
// TfrmDbList: the database list ("データベース情報") of the connection chosen in its combo: every
// database with owner, creation time, state, user count and collation; new, open, script, drop,
// detach, online, offline, shrink, backup and (on Azure) copy. Statements and texts come from
// admin/backup/dblist_text.*.
#include "admin/admin_tool_window.h"
#include "app/message_box.h"

#include <functional>

class QAction;
class QMenu;
class QToolBar;
class QTreeWidgetItem;

namespace qv {

class TqvListView;

class TfrmDbList : public TAdminToolWindow {
    Q_OBJECT
public:
    // owner: the connection window of the command. Raises EAbort (no window) when the list of
    // that connection is open already (it comes forward).
    explicit TfrmDbList(TfrmObject* owner);

    // Boxes and dialogs (tests answer them here; unset: the program's own).
    struct Ui {
        std::function<int(const QString& text, int flags, const CheckList& checks)> confirm;
        std::function<int(const QString& text, int flags)> message;
        // The script output options: false for Cancel; path: the folder or, with OneScript, the file.
        std::function<bool(TfrmObject* conn, QString& path)> scriptOptions;
        std::function<bool(QString& source, QString& destination)> copyDatabases;
    };
    static Ui& ui();

    QToolBar* tolCmd = nullptr;
    TqvListView* lstDataBase = nullptr;
    QMenu* mnuTool = nullptr;
    QAction *actNew = nullptr, *actOpen = nullptr, *actCopy = nullptr, *actScript = nullptr, *actDelete = nullptr;
    QAction *actOnline = nullptr, *actOffline = nullptr, *actBackup = nullptr, *actDetach = nullptr;
    QAction *actShrink = nullptr, *actRefresh = nullptr, *actExit = nullptr;

    void Reload() override;
    QMenu* MergeMenu() const override { return mnuTool; }
    void UpdateActions();

    void actNewExecute();
    void actOpenExecute();
    void actCopyExecute();
    void actScriptExecute();
    void actDeleteExecute();
    void actOnlineExecute();
    void actOfflineExecute();
    void actBackupExecute();
    void actDetachExecute();
    void actShrinkExecute();

protected:
    void ConnectionChanged() override { Reload(); }
    void FormClose() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QList<QTreeWidgetItem*> SelectedItems() const;
    // Walks the selected rows from the first: progress, Esc, each handled row deselected; a row
    // whose step answers false stays selected and ends the walk.
    void RowLoop(const std::function<bool(QTreeWidgetItem*)>& each);
    QString FreeSpace(const QString& database);
};

} // namespace qv
