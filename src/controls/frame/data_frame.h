#pragma once
// TfraData: the frame that shows one result set. It holds one query and two interchangeable
// data grids over it (grdData1 one record per row, grdData2 one record per column; one is
// visible at a time), and a vertical tool bar that switches the grid, turns editing on and off,
// inserts, deletes and moves between records and starts the exports.
//
// The frame sorts by a clicked title (ORDER BY appended to the statement), keeps column widths
// of table and view results in the work folder, keeps the connection's transaction in step
// with the AutoTran option, edits long texts in the string editor and date-times in a calendar,
// and answers the column menu's aggregates with one query each.
#include "controls/frame/data_frame_logic.h"

#include <QDateTimeEdit>
#include <QHash>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>

class QAction;
class QMenu;
class QScrollArea;
class QToolBar;
class QToolButton;

namespace qv {

namespace db {
class Connection;
class DataSource;
class Field;
class Query;
} // namespace db

class TqvDataGrid;
class TqvDBGridV;
class TqvDBGridH;
class TGridItem;
class TColumn;
class TRow;

// What kind of window a frame sits on; the frame asks its owner nothing else.
enum class FrameOwnerKind { Other, TableWindow, ViewWindow, SQLWindow, DataGenerator };

class TfraData;

class TfraDataOwner {
public:
    virtual ~TfraDataOwner() = default;
    virtual FrameOwnerKind FrameOwnerType() const = 0;
    // The column comments of the result's fields by field name (the table and view windows'
    // column grids); used for comment headings of the exports.
    virtual QHash<QString, QString> FrameColumnComments() const { return {}; }
    // Reads the result again before an export: the SQL window runs its statement again, other
    // owners reload; by default the frame reopens its statement.
    virtual void FrameReload(TfraData& frame);
    // The table an INSERT script names on the test-data generator ("schema.name").
    virtual QString FrameInsertTable() const { return {}; }
    // The control that takes the focus while an INSERT script is written (the test-data
    // generator's database box); by default the main window's top tool bar.
    virtual QWidget* FrameInsertFocus() const { return nullptr; }
};

class TfraData : public QWidget {
    Q_OBJECT
public:
    explicit TfraData(TfraDataOwner* owner, QWidget* parent = nullptr);
    ~TfraData() override;

    TfraDataOwner* Owner() const { return m_owner; }
    FrameOwnerKind OwnerKind() const { return m_owner ? m_owner->FrameOwnerType() : FrameOwnerKind::Other; }

    // ---- properties ----
    QString SQL() const { return m_sql; }
    void SetSQL(const QString& sql);          // clears the sort
    QString FromSQL() const { return m_fromSql; }
    void SetFromSQL(const QString& s) { m_fromSql = s; }
    QString TableName() const { return m_tableName; }
    void SetTableName(const QString& s) { m_tableName = s; }
    QString DBName() const { return m_dbName; }
    void SetDBName(const QString& s) { m_dbName = s; }
    QStringList Primary() const { return m_primary; }
    void SetPrimary(const QStringList& names); // kept only on a table window
    bool GridType() const { return m_gridType; }
    void SetGridType(bool v) { m_gridType = v; }
    QString Sort() const { return m_sort; }
    bool Desc() const { return m_desc; }
    // The column-width file of this frame.
    QString ColumnWidthFileName() const;

    // ---- owner calls ----
    void SetConnection(db::Connection* c);
    void Prepare();
    void Open();
    void qryDataBeforeClose();                 // the column-width writer
    void qryDataAfterOpenClose();              // buttons, transaction, widths, edit buttons

    // ---- user actions ----
    void TitleClick(int index);               // sort by select-list position index + 1
    void btnGridTypeClick();
    void btnUpdateClick();
    void btnInsClick();
    void btnDelClick();
    void btnFirstClick();
    void btnPrevClick();
    void btnNextClick();
    void btnLastClick();
    void NullKey();                            // Ctrl+0 on a grid
    void CellEditor();                         // ellipsis button or double click
    void DoubleClick();
    void dtpInputDateChange();
    void dtpInputDateCloseUp();
    void popColumnPopup();
    void mnuEditCopyClick();
    // The exports of the whole result (tool buttons and owner commands).
    void btnCSVClick();
    void btnExcelClick();
    void btnInsertClick();
    void btnCopyClick();
    void mnuSortClick();
    void Aggregate(AggregateKind kind);
    void TransactionRule();

    // The menu a grid offers at a client point (nullptr: none).
    QMenu* PopupMenuAt(bool recordPerRow, const QPoint& pos) const;

    // ---- parts ----
    db::Query* qryData = nullptr;
    db::Query* qryTemp = nullptr;
    db::DataSource* dsrTableData = nullptr;
    TqvDBGridV* grdData1 = nullptr;
    TqvDBGridH* grdData2 = nullptr;
    QScrollArea* scrButton = nullptr;
    QToolBar* tolLeft = nullptr;
    QDateTimeEdit* dtpInputDate = nullptr;
    QToolButton *btnUpdate = nullptr, *btnGridType = nullptr, *btnExcel = nullptr, *btnInsert = nullptr,
                *btnCopy = nullptr, *btnCSV = nullptr, *btnIns = nullptr, *btnDel = nullptr, *btnFirst = nullptr,
                *btnPrev = nullptr, *btnNext = nullptr, *btnLast = nullptr;
    QAction *btnS1 = nullptr, *btnS2 = nullptr;
    QMenu* popRecord = nullptr;
    QAction *mnuIns = nullptr, *mnuCopy = nullptr, *mnuPaste = nullptr, *mnuDel = nullptr;
    QMenu* popColumn = nullptr;
    QAction *mnuEditCopy = nullptr, *mnuSort = nullptr;
    QMenu* mnugroup = nullptr;
    QAction *mnuCount = nullptr, *mnuSum = nullptr, *mnuAverage = nullptr, *mnuMax = nullptr, *mnuMin = nullptr;
    int SelectedIndex = 0; // the column (row) the column menu was opened on

    // Shows or hides a tool button (the test-data generator hides several; hiding btnUpdate
    // removes the pop-up menus).
    void SetButtonVisible(QToolButton* button, bool visible);
    bool ButtonVisible(QToolButton* button) const;

    // The visible grid.
    TqvDataGrid* VisibleGrid() const;

    // Message boxes and the delete confirmation; tests replace them.
    enum class MessageKind { Warning, Information, Error };
    static std::function<void(const QString&, MessageKind)>& MessageHook();
    static std::function<bool(const QString&)>& ConfirmHook();
    // The table-name question of the INSERT export (false: cancelled).
    static std::function<bool(QString&)>& TableNameHook();
    // The copy question with its two check boxes (returns IDYES …).
    static std::function<int(const QString&, bool& heading, bool& comma)>& CopyQuestionHook();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool ReadForExport(bool refresh);
    void createTools();
    void createMenus();
    void setEditOptions(bool editable);
    void applyColumnWidths();
    void setEditButtonStyles();
    void clearMultiSelection();
    void paintCell(TqvDataGrid* grid, QPainter& p, const QRect& rect, int dataIndex, TGridItem* item, unsigned state);
    void showMessage(const QString& text, MessageKind kind);
    int DataColWidthLimit() const;

    TfraDataOwner* m_owner;
    QString m_sql, m_fromSql, m_tableName, m_dbName, m_sort;
    bool m_desc = false;
    bool m_gridType = false;
    bool m_titleClicked = false;
    QStringList m_primary;
    db::Field* m_calendarField = nullptr;
    QHash<QToolButton*, QAction*> m_buttonActions;
};

} // namespace qv
