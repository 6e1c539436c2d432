#pragma once
// The options windows of the file exports: TfrmCSVSQL (CSV file) and TfrmXlsSQL (Excel
// workbook). They fill their controls from the options, check the path on "開始" and store the
// choices back into the options; the exports themselves are the data frame's.
#include "app/options.h"

#include <QButtonGroup>
#include <QDialog>
#include <QString>
#include <functional>

class QButtonGroup;
class QGroupBox;
class QPushButton;
class QToolButton;

namespace qv {

class TqvCheckBox;
class TqvComboBox;
class TqvNumEdit;
class TqvStrEdit;

namespace exporting {

// The checks of a save path shared by the export windows: the message to show, or empty when
// the path can be used. A name without its folder or extension that is blank, and a folder that
// does not exist (a bare name has none), are refused.
QString CheckSavePath(const QString& path);
// The path with a trailing folder separator removed ("/" or "\").
QString WithoutTrailingSeparator(const QString& path);
// The folder of a path with a trailing "/".
QString FolderOf(const QString& path);
// The name chosen in a save dialog with `ext` (".csv") appended when its extension, in upper
// case, is none of `accepted`.
QString WithDefaultExtension(const QString& name, const QString& ext, const QStringList& accepted);

} // namespace exporting

// Hooks the windows use instead of their message boxes and file dialogs, for tests.
struct ExportDialogHooks {
    // Returns the button (IDYES …) of a message box.
    static std::function<int(const QString& text, int flags)>& message();
    // Returns the chosen file name, empty for cancel.
    static std::function<QString(const QString& caption, const QString& proposed, const QString& filter)>& fileDialog();
};

class TfrmCSVSQL : public QDialog {
    Q_OBJECT
public:
    explicit TfrmCSVSQL(QWidget* owner = nullptr);

    // Runs the window modally (tests replace this through ExecHook).
    int Execute();
    static std::function<int(TfrmCSVSQL*)>& ExecHook();

    TqvStrEdit* txtSaveFile = nullptr;
    QToolButton* btnSaveFile = nullptr;
    TqvComboBox* cmbEncoding = nullptr;
    TqvComboBox* cmbLineBreak = nullptr;
    QGroupBox* grpTitle = nullptr;
    QButtonGroup* rdoTitleIndex = nullptr; // ids 0 … 2 = TTitleMode
    QGroupBox* grpQuotation = nullptr;
    QButtonGroup* rdoQuotation = nullptr;  // ids 0 … 2 = CSVQuotation
    TqvCheckBox* chkRefresh = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;

    void btnSaveFileClick();
    // Checks the path and stores the options; true when the window was accepted.
    bool btnOkClick();

private:
    int message(const QString& text, int flags);
};

class TfrmXlsSQL : public QDialog {
    Q_OBJECT
public:
    // `sqlWindow`: the owner frame is on the SQL execution window (no comment headings there).
    explicit TfrmXlsSQL(bool sqlWindow, QWidget* owner = nullptr);

    int Execute();
    static std::function<int(TfrmXlsSQL*)>& ExecHook();

    TqvStrEdit* txtSaveFile = nullptr;
    QToolButton* btnSaveFile = nullptr;
    TqvStrEdit* txtSheet = nullptr;
    TqvStrEdit* txtFormFile = nullptr;
    QToolButton* btnFormFile = nullptr;
    TqvComboBox* cmbColumn = nullptr;
    TqvNumEdit* txtRow = nullptr;
    QGroupBox* grpExcel = nullptr;
    QButtonGroup* rdoExcel = nullptr;      // 0 records in rows, 1 in columns
    QGroupBox* grpTitle = nullptr;
    QButtonGroup* rdoExcelTitle = nullptr; // TTitleMode
    TqvCheckBox* chkRefresh = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;

    void btnSaveFileClick();
    void btnFormFileClick();
    bool btnOkClick();

private:
    int message(const QString& text, int flags);
};

} // namespace qv
