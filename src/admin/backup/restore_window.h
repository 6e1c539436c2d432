#pragma once
// TfrmRestore: the restore window ("復元"): reads the backup sets of the chosen backup files
// (RESTORE HEADERONLY), proposes target files (RESTORE FILELISTONLY) and runs one RESTORE
// statement per checked set through the DDL preview and execution windows, around a commit.
// SQL Server connections only. Statements come from admin/backup/backup_text.*.
#include "admin/admin_tool_window.h"
#include "admin/backup/backup_text.h"

#include <functional>

class QAction;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLineEdit;
class QTabWidget;
class QTableWidget;
class QToolBar;
class QToolButton;

namespace qv {

class TqvDropDownCombo;

class TfrmRestore : public TAdminToolWindow {
    Q_OBJECT
public:
    // owner: the connection window; item: the database of the tree node (may be empty).
    // Raises EAbort when the window of that connection is open (it comes forward).
    TfrmRestore(TfrmObject* owner, const QString& item);

    struct Ui {
        std::function<int(const QString& text, int flags)> message;
        // The backup file dialog: the chosen file, or empty for Cancel.
        std::function<QString(const QString& name, const QString& folder)> openFile;
        // The standby file dialog: the chosen file, or empty for Cancel.
        std::function<QString(const QString& name, const QString& folder)> saveStandby;
    };
    static Ui& ui();

    QToolBar* tolCmd = nullptr;
    QAction *actExec = nullptr, *actExit = nullptr;
    QTabWidget* pagRestore = nullptr;
    QWidget *tabSelect = nullptr, *tabOption = nullptr;
    TqvDropDownCombo* cmbDatabase = nullptr;
    QTableWidget* grdBackupFile = nullptr;
    QToolButton *btnFile = nullptr, *btnColInsert = nullptr, *btnColDelete = nullptr;
    QButtonGroup* rdoRestoreType = nullptr;
    QGroupBox* grpBackupSet = nullptr;
    QTableWidget* grdBackupSet = nullptr;
    QCheckBox* chkOverWrite = nullptr;
    QTableWidget* grdDatabaseFile = nullptr;
    QButtonGroup* rdoRestoreState = nullptr;
    QLineEdit* txtStandbyFile = nullptr;
    QToolButton* btnStandbyFile = nullptr;

    // The form as the statement builder takes it.
    backup::RestoreForm Form() const;
    void Compile() override;
    // The backup file dialog for the current row.
    void grdBackupFileEditButtonClick();
    void AddFileRow();
    void RemoveFileRow();
    // HEADERONLY of the first backup file: the sets that suit the restore kind.
    void LoadBackupSets();
    // FILELISTONLY of the backup files: the proposed target files.
    void LoadFileList();
    void RestoreTypeChanged();
    void RestoreStateChanged();
    void btnStandbyFileClick();
    void DatabaseChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QStringList BackupFiles() const;
    QString BackupFolder();
    // Index of the restore state before the last click (for the refusal of STANDBY).
    int m_state = 0;
};

} // namespace qv
