#pragma once
// The log-on dialog: the saved connections of the user, the boxes for login, password,
// server, database and comment, ordering and deleting saved entries, the import of other
// versions' lists; on OK it opens a connection window and stores what was typed.
#include "connection/saved_connections.h"

#include <QDialog>
#include <functional>

class QAction;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QToolButton;
class QTreeWidgetItem;

namespace qv {

class TqvListView;

class TfrmLogon : public QDialog {
    Q_OBJECT
public:
    explicit TfrmLogon(QWidget* parent = nullptr);

    // Opens the connection window for the typed values (owner: the main window); raises what
    // the connection raises. Set by the program; tests set a fake.
    static std::function<void(const LogonValues&)> ConnectionFactory;
    // Shows a message (text, message-box flags: 16 stop, 48 warning, 64 information).
    static std::function<void(QWidget*, const QString&, int)> Message;
    // Runs the dialog modally (tests replace it to press buttons); true for OK.
    static std::function<bool(TfrmLogon&)> RunModal;

    // True when a connection window was opened. With autoPass the dialog is not shown.
    static bool ShowWindow(const QString& dbName, const QString& userId, const QString& password,
                           const QString& server, bool autoPass, QWidget* owner = nullptr);

    void LoadConnectionList();
    void SaveConnectionList(bool writeCurrent);
    void LoadWindowSettings();
    void SaveWindowSettings();

    // The boxes' values (trimmed as OK leaves them).
    LogonValues Values() const;
    void SetValues(const LogonValues& v);
    // OK's checks; false after the warning was shown.
    bool CheckOk();

    TqvListView* lstUserID;
    QCheckBox* chkSQLWindow;
    QLineEdit* txtUserID;
    QLineEdit* txtPassword;
    QLineEdit* txtServer;
    QComboBox* cmbDataBase;
    QLineEdit* txtComment;
    QCheckBox* chkSave;
    QAction* actOk;
    QAction* actCancel;
    QAction* actUp;
    QAction* actDown;
    QAction* actDel;
    QAction* actConnection;

    // The entry behind a list item.
    static SavedConnection EntryOf(const QTreeWidgetItem* item);
    QList<SavedConnection> Entries() const;

    void actOkExecute();
    void actUpExecute() { moveSelected(-1); }
    void actDownExecute() { moveSelected(1); }
    void actDelExecute();
    void actConnectionExecute();
    void UpdateActions();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static bool showWindow(const LogonValues* initial, bool autoPass, QWidget* owner);
    void addEntry(const SavedConnection& e);
    void moveSelected(int delta);
    void chkSQLWindowClick();
    void selectItem(QTreeWidgetItem* item);
};

} // namespace qv
