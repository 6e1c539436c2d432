#pragma once
// The join dialog of the query builder: the two columns of one join and its comparison, or
// the join's removal.
#include "sql/query_design.h"

#include <QDialog>

#include <functional>

class QComboBox;
class QButtonGroup;
class QPushButton;

namespace qv {

class TfrmSQLBldConnect : public QDialog {
    Q_OBJECT
public:
    TfrmSQLBldConnect(TqvSQLDesign* design, TqvSQLBuildConnect* connect, QWidget* parent = nullptr);

    // True when the dialog closed with "OK" or "削除"; the join is then changed or removed.
    static bool ShowWindow(TqvSQLDesign* design, TqvSQLBuildConnect* connect, QWidget* parent = nullptr);
    // Tests answer the modal dialog through this hook (called instead of exec()).
    static std::function<int(TfrmSQLBldConnect*)> ExecHook;

    QComboBox* cmbColumn1 = nullptr;
    QComboBox* cmbColumn2 = nullptr;
    QButtonGroup* rdoConnectType = nullptr;
    QPushButton *btnOk = nullptr, *btnDelete = nullptr, *btnCancel = nullptr;

    void btnDeleteClick();
    // Stores the dialog's choice into the join (after OK).
    void Apply();

private:
    TqvSQLDesign* m_design;
    TqvSQLBuildConnect* m_connect;
};

} // namespace qv
