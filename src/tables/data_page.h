#pragma once
// TfraDataPage: the data page ("データ") of the table and view windows. Above, the condition
// panel pnlWhere: the tool bar (show data, columns shown, condition grid on/off, clear, copy
// the SELECT), the free condition with its per-object history, the NULL box and the row limit,
// on a table the FOR SYSTEM_TIME bar of a system-versioned table, and the condition grid with
// one row per column; below, the data frame fraData that runs the SELECT built from them
// (text in tables/data_page_text.*). The window reloads its definition before every showing
// (RefillWhereGrid keeps the conditions by column name) and then calls ShowPageData.
#include "controls/frame/data_frame.h"
#include "tables/data_page_text.h"

#include <QWidget>
#include <functional>

class QAction;
class QCheckBox;
class QDateEdit;
class QLabel;
class QRadioButton;
class QSplitter;
class QTimeEdit;
class QToolBar;

namespace qv {

class TfrmDefine;
class TqvComboBox;
class TqvNumEdit;
class TqvStringGrid;

class TfraDataPage : public QWidget, public TfraDataOwner {
    Q_OBJECT
public:
    // columns: the window's column grid as (name, type) pairs, in grid order.
    TfraDataPage(TfrmDefine* window, datapage::Window kind, std::function<QList<datapage::Column>()> columns,
                 QWidget* parent);

    // The constructor's part: row limit (defTopRecord above 0, else the option), the grid
    // switch from the option, and the object's free-condition history.
    void InitState(int defTopRecord, const QString& database, const QString& schema, const QString& name);

    // After a load of an existing object: the grid rebuilt from the column grid (conditions
    // kept by name, typed text quoted with the WhereAutoQuote option) and the shown columns
    // pruned.
    void RefillWhereGrid();
    // The SELECT for the current settings. Renumbers the sort cells and stores the free
    // condition's history; an invalid row limit warns, focuses the box and raises EAbort.
    QString BuildDataSelect();
    // Hands the SELECT to the data frame and opens it (the table's primary key with it).
    void ShowPageData(const QStringList& primary = {});
    // The FOR SYSTEM_TIME bar (table window): shown for a system-versioned table only.
    void SetVersioned(bool versioned);

    // Handlers.
    void btnFieldClick();
    void btnWhereClick();
    void btnGrdWhereClearClick();
    void btnExecSQLClick();
    void rdoDataDispModeClick();
    void cmbHistoryDispModeChange();
    // Closes the frame's query (its column widths are written first) and detaches the grids.
    void CloseData();

    // TfraDataOwner
    FrameOwnerKind FrameOwnerType() const override;

    QStringList FShowFld; // the listed columns, in order

    QWidget* pnlWhere = nullptr;
    QSplitter* splWhere = nullptr;
    QToolBar* tolField = nullptr;
    QAction* btnExec = nullptr;
    QAction* btnField = nullptr;
    QAction* btnWhere = nullptr;
    QAction* btnGrdWhereClear = nullptr;
    QAction* btnExecSQL = nullptr;
    QWidget* pnlWhere2 = nullptr;
    QWidget* pnlWhere3 = nullptr;
    TqvComboBox* cmbWhere = nullptr;
    QCheckBox* chkIncNull = nullptr;
    QLabel* lblRecord = nullptr;
    TqvNumEdit* txtRecord = nullptr;
    QWidget* pnlWhereTmp = nullptr;
    QRadioButton* rdoCurrent = nullptr; // rdoDataDispMode item 0 "現状"
    QRadioButton* rdoHistory = nullptr; // item 1 "履歴"
    QLabel* lblHistoryDispMode = nullptr;
    TqvComboBox* cmbHistoryDispMode = nullptr;
    QLabel* lblHistoryDispPeriod = nullptr;
    QDateEdit* cmbHistoryStartDate = nullptr;
    QTimeEdit* cmbHistoryStartTime = nullptr;
    QLabel* lblHistoryTilde = nullptr;
    QDateEdit* cmbHistoryEndDate = nullptr;
    QTimeEdit* cmbHistoryEndTime = nullptr;
    TqvStringGrid* grdWhere = nullptr;
    TfraData* fraData = nullptr;

    // The condition rows of the grid (without the header).
    QList<datapage::WhereRow> WhereRows() const;
    void SetWhereRows(const QList<datapage::WhereRow>& rows);

    // The clipboard note's stand-in for tests ("" → information box).
    static std::function<void(const QString&)> ClipboardHook;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void ShowAgain();
    void ResetHistoryBar();
    void LayoutWhere();
    int Box(const QString& text, int flags) const;

    TfrmDefine* m_window;
    datapage::Window m_kind;
    std::function<QList<datapage::Column>()> m_columns;
};

// "生成(&W)": opens the test-data generator of the window's object (after "作成(&C)" on the tool
// bar, after "削除(&D)" in the menu). The window enables it for an existing object only.
QAction* AddDataGenerateAction(TfrmDefine* window);

} // namespace qv
