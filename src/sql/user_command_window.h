#pragma once
// TfrmUserCommand ("ユーザー定義コマンド"): lists, shows, adds, saves and deletes the user
// commands, one document each in the data folder's USERCMD folder. After it closes the main
// window rebuilds its command menu and every connection window's copy.
#include <QDialog>

class QAction;
class QCheckBox;
class QKeySequenceEdit;
class QLineEdit;
class QListWidget;
class QToolBar;

namespace qv {

class TqvMemo;
class TqvNumEdit;
struct UserCommand;

class TfrmUserCommand : public QDialog {
    Q_OBJECT
public:
    // dir: the commands' folder (the data folder's USERCMD folder by default).
    explicit TfrmUserCommand(QWidget* parent = nullptr, const QString& dir = QString());
    ~TfrmUserCommand() override;

    // Opens the editor modally over the main window, then rebuilds the main window's command
    // menu (also when the editor ends with an error).
    static void ShowWindow();

    // The commands' list, loaded again (opening, after a delete); selects and shows the first.
    void LoadList();
    // Shows the selected command.
    void ShowCommand();
    // Writes the inputs as a command; false when refused or failed (the user was told).
    bool WriteCommand();
    // The entry the user clicked: asks about unsaved changes first.
    void lstCommandClick(int row);

    void actSaveExecute();
    void actAddExecute();
    void actDeleteExecute();
    void actRefreshExecute();
    void UpdateActions();

    bool modified() const { return m_modified; }

    QListWidget* lstCommand = nullptr;
    QLineEdit* txtName = nullptr;
    TqvNumEdit* txtSeq = nullptr;
    QKeySequenceEdit* hotCommand = nullptr;
    QCheckBox* chkDialog = nullptr;
    QCheckBox* chkSQLWindow = nullptr;
    QCheckBox* chkError = nullptr;
    TqvMemo* txtSQL = nullptr;
    QToolBar* tolCommand = nullptr;
    QAction* actSave = nullptr;
    QAction* actAdd = nullptr;
    QAction* actDelete = nullptr;
    QAction* actRefresh = nullptr;
    QAction* actExit = nullptr;

protected:
    void closeEvent(QCloseEvent* e) override;
    void reject() override;

private:
    void changed();
    // Asks about unsaved changes; false keeps the window open.
    bool confirmClose();
    UserCommand inputs() const;
    void clearInputs();
    void reorder(const QString& select);
    QString sqlText() const;

    QString m_dir;
    bool m_modified = false;
    bool m_loading = false;
    int m_shownIndex = -1;    // the list index of the command shown
    QString m_shownName;      // its name as shown, to tell a rename
};

} // namespace qv
