#pragma once
// TfrmUserList: the security list ("ユーザー情報"). For the connection chosen in its combo it
// lists the logins, the users, schemas and database roles of one or all databases, and the
// server roles, one tab each; it opens their definition windows through the connection's
// open-by-type routine, creates new ones, writes their scripts and deletes them. Statements,
// columns and file paths come from objects/security_list_text.*.
#include "app/message_box.h"
#include "app/qvform.h"
#include "objects/security_list_text.h"

#include <functional>

class QAction;
class QComboBox;
class QIODevice;
class QLabel;
class QMenu;
class QTabWidget;
class QToolBar;
class QTreeWidgetItem;

namespace qv {

class TfrmObject;
class TqvListView;

class TfrmUserList : public TqvForm {
    Q_OBJECT
public:
    // owner: the calling connection window; database: a database node's name, or empty.
    // Raises EAbort (no window) when the list of that connection is already open.
    TfrmUserList(TfrmObject* owner, const QString& database);

    // Boxes and dialogs (tests answer them here; unset: the program's own).
    struct Ui {
        std::function<int(const QString& text, int flags, const CheckList& checks)> confirm;
        std::function<int(const QString& text, int flags)> message;
        // The script output options: false for Cancel; path: the folder or, with OneScript, the file.
        std::function<bool(TfrmObject* conn, QString& path)> scriptOptions;
    };
    static Ui& ui();

    QToolBar* tolCmd = nullptr;
    QComboBox* cmbConnection = nullptr;
    QLabel* lblDatabase = nullptr;
    QComboBox* cmbDatabase = nullptr;
    QTabWidget* pagUsrList = nullptr;
    QWidget* tabLogin = nullptr;
    QWidget* tabUser = nullptr;
    QWidget* tabSchema = nullptr;
    QWidget* tabDBRole = nullptr;
    QWidget* tabSRole = nullptr;
    TqvListView* lstObject = nullptr;
    QMenu* mnuObject = nullptr;
    QAction* actNew = nullptr;
    QAction* actOpen = nullptr;
    QAction* actScript = nullptr;
    QAction* actDelete = nullptr;
    QAction* actRefresh = nullptr;
    QAction* actExit = nullptr;

    seclist::Tab ActiveTab() const;
    void SetActiveTab(seclist::Tab tab);
    TfrmObject* Connection() const;

    void Reload() override;
    void DBChange() override;
    void LoadWindowSettings() override;
    void SaveWindowSettings() override;
    QMenu* MergeMenu() const override { return mnuObject; }

    void actNewExecute();
    void actOpenExecute();
    void actScriptExecute();
    void actDeleteExecute();
    void cmbConnectionChange();
    void UpdateActions();

    // The permission script of one entry into the stream (errors swallowed).
    void OutputResource(int objectType, const QString& database, const QString& schema, const QString& objectName,
                        QIODevice& stream);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void pagUsrListChange();
    void MoveList();
    QList<QTreeWidgetItem*> SelectedItems() const;
    QString LookupCaption() const;
    QWidget* TabPage(seclist::Tab tab) const;
    void FillConnections();
    bool m_building = true;
};

} // namespace qv
