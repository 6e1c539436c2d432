#pragma once
// TfrmExecProc: runs one stored procedure or function of a connection with the parameter values
// the user types, and shows the parameter values after the run (the rows of a table-valued
// function).
#include "app/qvform.h"
#include "sql/exec_proc.h"

#include <QDateTime>
#include <functional>

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QSplitter;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;
class QAction;

namespace qv {

class TObjectSession;

enum class TExecStatus { esRunning, esEndComplite, esEndError };

class TfrmExecProc : public TqvForm {
    Q_OBJECT
public:
    // objectType: 51 procedure, 52 function. Reads the object's kind and parameters; raises the
    // catalog's error.
    TfrmExecProc(TObjectSession* owner, const QString& database, const QString& schema, const QString& objectName,
                 int objectType, QWidget* parent = nullptr);

    // "ストアドプログラム実行 - schema.name @ server.database".
    static QString CaptionFor(const QString& server, const QString& database, const QString& schema, const QString& name);

    void btnExecClick();
    // The parameter nodes with the values as they stand (the open edit's text included).
    QList<ProcParam> Parameters() const;
    // Types a value into the node of a parameter (tests and the edit).
    void SetParamValue(int row, const QString& value);
    // Selects a node and places the value edit over its value.
    void SelectParam(int row);

    bool TableFunction() const { return flg_TblFnc; }
    TExecStatus ExecStatus = TExecStatus::esEndComplite;
    QString StatusText() const { return m_status; }

    // Message boxes; tests replace it (icon: MB_ICONERROR / MB_ICONINFORMATION).
    static std::function<void(QWidget*, const QString& text, int icon)> MessageHook;

    QToolBar* tolCmd = nullptr;
    QAction *btnExec = nullptr, *btnExit = nullptr;
    QComboBox *cmbDataBase = nullptr, *cmbSchema = nullptr;
    QLineEdit* txtName = nullptr;
    QTreeWidget* lstParam = nullptr;
    QLineEdit* txtParam = nullptr;
    QPlainTextEdit* txtOutput = nullptr;
    QSplitter* splitter = nullptr;

    void LoadWindowSettings() override;
    void SaveWindowSettings() override;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void fillParams();
    void storeEdit();
    void placeEdit();
    void writeResult(db::Query& q);
    void setStatus(const QString& text);

    TObjectSession* m_owner;
    QString m_database, m_schema, m_name;
    bool flg_TblFnc = false;
    QTreeWidgetItem* FPreNode = nullptr;
    QDateTime tm;
    QString m_status;
};

} // namespace qv
