#pragma once
// TfrmStorage: the file groups and files window ("ファイルグループ情報") of one database: the file
// groups or the files with sizes in the chosen unit, limits, used and free space and a usage
// bar; new and open (file group and file definition window), script, delete, default file
// group, read-only, file online / offline and shrink. SQL Server connections only. Statements
// and cells come from admin/storage/storage_list_text.*.
#include "admin/admin_tool_window.h"
#include "admin/storage/storage_list_text.h"
#include "app/message_box.h"

#include <functional>

class QAction;
class QMenu;
class QTabWidget;
class QToolBar;
class QTreeWidgetItem;

namespace qv {

class TqvDropDownCombo;
class TqvListView;

class TfrmStorage : public TAdminToolWindow {
    Q_OBJECT
public:
    // owner: the connection window; database: the database to show (empty: the connection's).
    // Raises EAbort when the window of that connection is open (it comes forward).
    TfrmStorage(TfrmObject* owner, const QString& database);

    struct Ui {
        std::function<int(const QString& text, int flags, const CheckList& checks)> confirm;
        std::function<int(const QString& text, int flags)> message;
        // The script output options: false for Cancel; path: the folder or, with OneScript, the file.
        std::function<bool(TfrmObject* conn, QString& path)> scriptOptions;
    };
    static Ui& ui();

    QToolBar* tolCmd = nullptr;
    TqvDropDownCombo* cmbDatabase = nullptr;
    TqvDropDownCombo* cmbSize = nullptr;
    QTabWidget* pagStorage = nullptr;
    QWidget *tabTBS = nullptr, *tabFile = nullptr;
    TqvListView* lstObject = nullptr;
    QMenu* mnuTool = nullptr;
    QAction *actNew = nullptr, *actOpen = nullptr, *actScript = nullptr, *actDelete = nullptr, *actRefresh = nullptr;
    QAction *actExit = nullptr, *actDefault = nullptr, *actReadOnly = nullptr, *actOnline = nullptr;
    QAction *actOffline = nullptr, *actShrink = nullptr;

    bool FilePage() const;
    void Reload() override;
    QMenu* MergeMenu() const override { return mnuTool; }
    void UpdateActions();
    // The cell of a row by column tag (whether that column is shown or not).
    static QString Cell(const QTreeWidgetItem* item, int tag);

    void actNewExecute();
    void actOpenExecute();
    void actScriptExecute();
    void actDeleteExecute();
    void actDefaultExecute();
    void actReadOnlyExecute();
    void actOnlineExecute();
    void actOfflineExecute();
    void actShrinkExecute();

    void LoadWindowSettings() override;
    void SaveWindowSettings() override;

protected:
    void ConnectionChanged() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString Database() const;
    QList<QTreeWidgetItem*> SelectedItems() const;
    void RowLoop(const std::function<bool(QTreeWidgetItem*)>& each);
    void PlaceList();
    void TakeWidths();
    QList<storagelist::ListColumn>& Columns(bool filePage) { return filePage ? FFILECol : FTBSCol; }

    QList<storagelist::ListColumn> FTBSCol = storagelist::GroupColumns();
    QList<storagelist::ListColumn> FFILECol = storagelist::FileColumns();
    QList<int> m_tags;     // the tag of each shown list column
    bool m_filePage = false; // the page the list was built for
    int m_rateColumn = -1;   // the list column drawn as the usage bar
};

} // namespace qv
