#pragma once
// TfrmSqlMemo: the modal "SQLコマンドの編集" dialog of a job step's T-SQL command, with OK,
// Cancel and "解析" (a syntax check on the connection's session under SET NOEXEC ON in the
// step's database). Position and size are kept under GUI\COMMENT, shared with the other
// comment editors.
#include <QDialog>

#include <functional>

class QPushButton;

namespace qv {

class TObjectSession;
class TqvMemo;

class TfrmSqlMemo : public QDialog {
    Q_OBJECT
public:
    // Shows the dialog modally; returns 1 for OK (comment then holds the edited text, "go"
    // lines turned into "go ") and 2 for Cancel.
    static int ShowWindow(TObjectSession* owner, const QString& database, QString& comment);
    // Runs instead of exec() when set (tests drive the dialog through it).
    static std::function<int(TfrmSqlMemo*)> ExecHook;
    // Message boxes (tests answer them here; unset: ShowMessageBox).
    static std::function<int(const QString& text, int flags)> MessageHook;

    TqvMemo* txtComment = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnAnalyze = nullptr;

    void btnAnalyzeClick();
    QString EditorText() const;

private:
    TfrmSqlMemo(TObjectSession* owner, const QString& database, QWidget* parent);
    void readPlacement();
    void writePlacement();
    TObjectSession* FOwner = nullptr;
    QString FDatabase;
};

} // namespace qv
