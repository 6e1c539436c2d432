#pragma once
// The DDL preview: shows a generated script before it runs (when the ShowDDL option is on),
// lets the user save it, and answers whether to run it.
#include <QDialog>
#include <QStringList>

#include <functional>

class QCheckBox;
class QPushButton;

namespace qv {

class TqvMemo;

class TfrmDDLPreview : public QDialog {
    Q_OBJECT
public:
    // True means run; then `sql` holds the lines as shown (database switch included).
    // With ShowDDL off: true at once, `sql` untouched.
    static bool ShowWindow(QStringList& sql, const QString& database, const QString& schema, const QString& objectName,
                           QWidget* mainWindow = nullptr);
    // Tests answer the modal loop here (default: exec()).
    static std::function<int(TfrmDDLPreview*)> ExecHook;
    // The save dialog; answers the chosen file name or an empty text.
    static std::function<QString(QWidget*, const QString& proposed)> SaveDialogHook;

    TqvMemo* txtLog = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnSave = nullptr;
    QPushButton* btnCancel = nullptr;
    QCheckBox* chkModifySource = nullptr;

    void btnSaveClick();

private:
    explicit TfrmDDLPreview(QWidget* parent);
    QString m_schema, m_objName;
};

} // namespace qv
