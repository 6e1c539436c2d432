#pragma once
// TfrmMemo: the modal editor of a long text value, with an optional "NULL" box that says the
// value is to be NULL rather than text. Its position and size are kept under GUI\COMMENT,
// shared with the program's other comment editors.
#include <QDialog>
#include <functional>

class QCheckBox;
class QPushButton;
class QWidget;

namespace qv {

class TEditor;

class TfrmMemo : public QDialog {
    Q_OBJECT
public:
    explicit TfrmMemo(QWidget* parent = nullptr);

    // Edits comment and nullChecked; both change only when the result is OK. With readOnly the
    // OK button is disabled; showNull shows the NULL box. Returns the modal result.
    static int ShowWindow(QString& comment, bool& nullChecked, bool readOnly, bool showNull);

    // Runs instead of exec() when set (tests drive the dialog through it).
    static std::function<int(TfrmMemo*)>& ExecHook();

    TEditor* txtComment = nullptr;
    QWidget* pnlButtom = nullptr;
    QWidget* pnlButtons = nullptr;
    QCheckBox* chkNull = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;

    QString EditorText() const;

protected:
    void showEvent(QShowEvent* e) override;
    bool event(QEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    void load(const QString& comment, bool nullChecked, bool readOnly, bool showNull);
    void readPlacement();
    void writePlacement();
    void caretToEnd();
};

} // namespace qv
