#pragma once
// TfrmBackup: the backup window ("バックアップ"): one BACKUP DATABASE or BACKUP LOG statement built
// from the form (database, kind, set name and description, output files, media and expiry) and
// run through the DDL preview and execution windows. SQL Server connections only. Statements
// come from admin/backup/backup_text.*.
#include "admin/admin_tool_window.h"
#include "admin/backup/backup_text.h"

#include <functional>

class QAction;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLineEdit;
class QRadioButton;
class QTabWidget;
class QTableWidget;
class QToolBar;

namespace qv {

class TqvDropDownCombo;

class TfrmBackup : public TAdminToolWindow {
    Q_OBJECT
public:
    // owner: the connection window; database: the database to back up (empty: the session's).
    // Raises EAbort when the window of that connection is open (it comes forward).
    TfrmBackup(TfrmObject* owner, const QString& database);

    struct Ui {
        std::function<int(const QString& text, int flags)> message;
        // The output file dialog: the chosen file, or empty for Cancel.
        std::function<QString(const QString& proposed)> saveFile;
    };
    static Ui& ui();

    QToolBar* tolCmd = nullptr;
    QAction *actExec = nullptr, *actExit = nullptr;
    QTabWidget* pagBackup = nullptr;
    TqvDropDownCombo* cmbDatabase = nullptr;
    QLineEdit *txtName = nullptr, *txtExplain = nullptr, *txtPeriod = nullptr, *txtDate = nullptr;
    QCheckBox *chkOverwrite = nullptr, *chkBackupCheck = nullptr, *chkDeleteTRN = nullptr, *chkBackupSet = nullptr;
    QButtonGroup *rdoOverWrite = nullptr, *rdoBackupType = nullptr, *rdoBackupSet = nullptr;
    QTableWidget* grdOutput = nullptr;
    QGroupBox* grpFilegroup = nullptr;
    QTableWidget* grdFilegroup = nullptr;

    // The form as the statement builder takes it.
    backup::BackupForm Form() const;
    void Compile() override;
    void GetBakPath();
    void GetFileGroup();
    // The output dialog for the current output row.
    void ChooseOutputFile();
    void AddOutputRow();
    void RemoveOutputRow();

protected:
    void ConnectionChanged() override;

private:
    void BackupTypeChanged();
    void DatabaseChanged();
    void ExpiryChanged(bool focus);
    QString BackupFolder();
};

} // namespace qv
