#pragma once
// The script output options dialog (TfrmScriptOption): edits ScriptOption. Opened by the list
// windows that write scripts it also asks for the destination and the script-name table and
// then starts the output ("開始"); from the main menu it only edits the options ("OK").
#include <QDialog>
#include <QString>
#include <functional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace qv {

class TObjectSession;

// A titled group of radio buttons laid out in columns; ItemIndex is the checked one.
class ScriptRadioGroup : public QWidget {
public:
    ScriptRadioGroup(const QString& title, const QStringList& items, int columns, QWidget* parent);
    int ItemIndex() const;
    void SetItemIndex(int index);
    QGroupBox* box() const { return m_box; }

private:
    QGroupBox* m_box;
    QButtonGroup* m_group;
};

class TfrmScriptOption : public QDialog {
    Q_OBJECT
public:
    // session: the asking connection's session (the list-window form), or null (main menu).
    explicit TfrmScriptOption(TObjectSession* session, QWidget* parent = nullptr);

    // List-window form: true when the user started the output; the options are then saved,
    // scriptPath holds the destination and nameTable the chosen table reference.
    static bool ShowWindow(TObjectSession* owner, QString& scriptPath, QString& nameTable, QWidget* parent = nullptr);
    // Main-menu form: true when the user confirmed; the options are then saved.
    static bool ShowWindow(QWidget* parent = nullptr);

    // Tests answer the modal loop, the pickers, the editor of the table and the warnings here.
    static std::function<int(TfrmScriptOption*)> ExecHook;
    static std::function<QString(QWidget*, const QString& title, const QString& start, bool file)> PathDialogHook;
    static std::function<void(TObjectSession*)> NameTableEditorHook;
    static std::function<void(const QString& text, int flags)> MessageHook;

    QCheckBox* chkOneScript;
    QCheckBox* chkDir;
    QLineEdit* txtDir;
    QPushButton* btnDialog;
    QCheckBox* chkSameName;
    QLabel* lblNameTable;
    QComboBox* cmbNameTable;
    QPushButton* btnNameTable;
    ScriptRadioGroup* rdoDatabase;
    ScriptRadioGroup* rdoOwner;
    QCheckBox* chkIndex;
    QCheckBox* chkInsert;
    ScriptRadioGroup* rdoInsert;
    QCheckBox* chkListViewCol;
    QCheckBox* chkFilegroup;
    QCheckBox* chkGrant;
    ScriptRadioGroup* rdoGrant;
    QCheckBox* chkNullLine;
    QCheckBox* chkDrop;
    QCheckBox* chkMaskOutput;
    QPushButton* btnOk;
    QPushButton* btnCancel;
    QPushButton* btnHelp;

    void btnOkClick();
    void btnDialogClick();
    void btnNameTableClick();
    void chkOneScriptClick();
    void cmbNameTableDropDown();
    // Every option from its control (and the server's NameTable entry with an owner).
    void SaveOptions();

private:
    void loadOptions();
    void updateNameTableButton();
    void warn(const QString& text);
    TObjectSession* m_owner;
};

} // namespace qv
