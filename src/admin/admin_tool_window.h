#pragma once
// TAdminToolWindow: the base of the administration tool windows that belong to the main window
// rather than to a connection window (database list, backup, restore, file groups, attach, job
// list, processes, locks …). It gives them the shared rules:
// - the caption: title " - " login " @ " server "." database of the connection;
// - an open window of the same class and caption comes forward instead of a second one (the
//   constructor raises EAbort before anything is built);
// - the connection combo "接続": the main window's open connections (SQL Server ones only for the
//   windows that do not serve Azure); choosing one moves the window onto that connection;
// - on WM_DBCHANGE the combo is filled again and the window closes when no connection is left or
//   its own is gone;
// - the commit-around rule of ALTER DATABASE, BACKUP, RESTORE, DBCC, sp_detach_db …: commit the
//   session's open transaction first, start one afterwards when AutoTran is on (both ignoring a
//   failure);
// - Width and Height under GUI\<key>, read at the start and written at the close, only in the
//   normal window state.
#include "app/qvform.h"
#include "app/transaction_rule.h"

#include <QString>

class QComboBox;
class QLabel;
class QWidget;

namespace qv {

class IConnectionWindow;
class TfrmObject;

// title " - " login " @ " server "." database (each part trimmed); the title alone without a
// connection.
QString AdminToolCaption(const QString& title, const IConnectionWindow* conn);


class TAdminToolWindow : public TqvForm {
    Q_OBJECT
public:
    struct Kind {
        const QMetaObject* cls;  // the window's class (for the open-window look-up)
        QString title;           // the caption word, e.g. "データベース情報"
        QString settingsKey;     // key under GUI, e.g. "DBLIST"
        bool sqlServerOnly;      // the connection combo leaves Azure connections out
        bool taskWithDatabase;   // the task button names the database too
    };

    // The connection window chosen in the combo (the owner connection).
    TfrmObject* Connection() const;
    const Kind& kind() const { return m_kind; }

    QComboBox* cmbConnection = nullptr;
    // The label "接続" and the combo, for the window's tool bar row.
    QWidget* pnlName = nullptr;

    void DBChange() override;
    void LoadWindowSettings() override;
    void SaveWindowSettings() override;

protected:
    // owner: the connection window the command came from; creates the task button. Raises EAbort when a window of the
    // kind's class with this connection's caption is open (it is brought forward).
    TAdminToolWindow(TfrmObject* owner, const Kind& kind);

    // Fills the connection combo from the main window's list and selects the owner connection.
    void FillConnections();
    // The combo's choice: the main window's current connection follows, the window moves onto
    // it, the caption is set again, then ConnectionChanged.
    void cmbConnectionChange();
    // Caption and task caption from the owner connection.
    void UpdateCaption();
    // combo: `first` (e.g. "(すべて)") and the connection's databases; `select` chosen, else the
    // first entry. Fills without signals.
    void FillDatabaseCombo(QComboBox* combo, const QString& first, const QString& select);
    // What the window does after it moved onto another connection (typically Reload).
    virtual void ConnectionChanged() {}

    void CommitOpenTransaction() { qv::CommitOpenTransaction(OwnerForm()); }
    void StartTransactionWhenAuto() { qv::StartTransactionWhenAuto(OwnerForm()); }

private:
    static QObject* CheckNotOpen(TfrmObject* owner, const Kind& kind);
    Kind m_kind;
};

} // namespace qv
