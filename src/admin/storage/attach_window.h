#pragma once
// TfrmAttach: the attach window ("アタッチ"): the primary data file chosen, the database name and
// the database's files read from it with dbcc checkprimaryfile, then sp_attach_db around a
// commit. SQL Server connections only; window size under GUI\STORAGE. Statements come from
// admin/storage/attach_text.*.
#include "admin/admin_tool_window.h"

#include <functional>

class QAction;
class QLineEdit;
class QTableWidget;
class QToolBar;
class QToolButton;

namespace qv {

class TfrmAttach : public TAdminToolWindow {
    Q_OBJECT
public:
    // owner: the connection window. Raises EAbort when the window of that connection is open
    // (it comes forward).
    explicit TfrmAttach(TfrmObject* owner);

    struct Ui {
        std::function<int(const QString& text, int flags)> message;
        // The primary file dialog, seeded with the current name: the chosen file, or empty.
        std::function<QString(const QString& name)> openFile;
        // Whether a file of that name exists on this machine.
        std::function<bool(const QString& file)> fileExists;
    };
    static Ui& ui();

    QToolBar* tolCmd = nullptr;
    QAction *actExec = nullptr, *actExit = nullptr;
    QLineEdit* txtMdfFile = nullptr;
    QToolButton* btnMDFFile = nullptr;
    QLineEdit* txtdatabase = nullptr;
    QTableWidget* grdFile = nullptr;

    void btnMDFFileClick();
    void actExecExecute();
    void actExecUpdate();
};

} // namespace qv
