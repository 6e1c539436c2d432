#pragma once
// TfrmTable: the definition window of a table (object type 45). The definition page holds the
// column grid and the table comment; the source page the CREATE (or DROP) script; the storage
// page the storage frame; the system-versioning page its history table and period columns (from
// version 13). Below the column grid the tree of the table's constraints, indexes and triggers
// (table_window_tree.cpp) opens, deletes, creates, enables and disables them. An apply either
// alters the table in place or re-creates it with its
// rows kept in a backup table (see table_alter.h and table_recreate.h for the text).
#include "tables/define_frame.h"
#include "tables/define_script.h"
#include "tables/table_model.h"
#include "tables/table_tree_text.h"

class QIODevice;
class QMenu;
class QTreeWidgetItem;
class QSplitter;
class QToolButton;
class QTreeWidget;

namespace qv {

class TfraDataPage;
namespace xlsx {
class Book;
}

class TfraStorage;
class TTemporalPage;
class TqvStringGrid;

class TfrmTable : public TfrmDefine {
    Q_OBJECT
public:
    // Raises EAbort (no window) when the table's window is already open or the table cannot be read.
    TfrmTable(QObject* owner, const QString& database, const QString& schema, const QString& objectName,
              TOpenMode mode, int defTopRecord = 0);

    // The class-level script routine (see define_script.h): ends with EAbort.
    static void GetScript(IConnectionWindow* owner, const DefineScriptRequest& request, QIODevice& stream);
    // Definition reports (excel_report_window.h): a workbook in folder `path`, or a sheet of
    // `book`, for the table; both end with EAbort.
    static void GetExcelFile(IConnectionWindow* owner, const QString& repName, const QString& database,
                             const QString& schema, const QString& objectName, const QString& path);
    static void GetExcelSheet(IConnectionWindow* owner, const QString& repName, const QString& database,
                              const QString& schema, const QString& objectName, xlsx::Book& book, int sheet);
    // The report items of the object menu and the output drop-down (built once, at creation).
    void SetReportList();
    // The load of the invisible window of the report routines (Definition page, text mode).
    void LoadForReport();

    // Definition page.
    QWidget* pnlFieldTop = nullptr;
    QToolBar* tooColSetting = nullptr;
    QAction* btnColInsert = nullptr;
    QAction* btnColDelete = nullptr;
    QAction* actColUp = nullptr;
    QAction* actColDown = nullptr;
    TqvStrEdit* txtComment = nullptr;
    TqvStringGrid* grdColumn = nullptr;
    QSplitter* spl1 = nullptr;
    QWidget* pnlConst = nullptr;
    QTreeWidget* lstConst = nullptr; // constraint, index and trigger tree
    QMenu* popConst = nullptr;
    QAction* mnuConstOpen = nullptr;
    QAction* mnuConstDelete = nullptr;
    QAction* mnuConstNew = nullptr;
    QAction* mnuConstEnable = nullptr;
    QAction* mnuConstDisable = nullptr;
    // Other pages.
    QWidget* tabData = nullptr;      // the data page (tables/data_page.*)
    TfraDataPage* fraDataPage = nullptr;
    QAction* actDataGenerate = nullptr;
    QWidget* tabStorage = nullptr;
    TfraStorage* fraStorage = nullptr;
    QWidget* tabTemporal = nullptr;  // system-versioning settings (table_window_temporal.cpp)
    TTemporalPage* pnlTmp = nullptr;

    QStringList FPrimary;            // key columns as loaded (sp_pkeys)
    QStringList FDataType, FCollType;

    // The grid (and the comment, names and storage) as a table model.
    table::TableModel GridModel() const;
    // True when an apply drops and re-creates the table.
    bool IsRecreate() const;
    // The scripts of the current state.
    QStringList GetSourceCreate();
    QStringList GetSourceDrop() const;
    QStringList GetSourceAlter();
    // The backup table name of the last re-create ("" when none was made).
    QString LastBackupName() const { return m_backupName; }

    // Grid handlers.
    void btnColInsertClick();
    void btnColDeleteClick();
    void actColUpExecute();
    void actColDownExecute();
    void UpdateColumnActions();
    bool grdColumnSelectCell(int col, int row);
    void grdColumnGetPickListitems(int col, int row, QStringList& items);
    void grdColumnSelectListItems(int col, int row);
    void grdColumnSetEditText(int col, int row, const QString& value);
    void grdColumnEditButtonClick();

    // The constraint, index and trigger tree: rebuilt from the catalog at every load and after
    // each delete, enable and disable; its nodes as read (level 1, in tree order).
    void ShowConstTree();
    QList<table::TreeNode> ConstNodes() const;
    void popConstPopup();
    void mnuConstOpenClick();
    void mnuConstDeleteClick();
    void mnuConstNewClick();
    void mnuConstEnableClick();
    void mnuConstDisableClick();

    void Compile() override;
    // Page 2 is the data page: a rollback has it read its rows again.
    bool HasDataPage() const override { return true; }
    // Not while the data page is shown.
    bool CanDelete() const override;
    void ChangedIsNew() override;
    // GUI\TABLE: the frame's size and ConstHeight, the height of the dependent-object panel.
    void LoadWindowSettings() override;
    void SaveWindowSettings() override;

protected:
    void ShowData(bool isDrop) override;
    QStringList GetDDL() override;
    QStringList ScriptText(bool isDrop) override;
    QString DropStatement() override;
    QList<QWidget*> ExistingOnlyPages() override;
    QWidget* PageForMode(TOpenMode mode) override;
    void PageShown() override;
    void FormCloseQuery(bool& canClose) override;
    int NoChangeFlags() const override;
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    TfrmTable(QObject* owner, const QString& database, const QString& schema, const QString& objectName,
              TOpenMode mode, int defTopRecord, bool scriptMode);
    void BuildPages();
    void DoTableCompile();
    void CheckGrid();
    QString Database() const;
    QString Schema() const;
    QString TableName() const;
    int Version() const;
    bool Azure() const;
    QList<QVariantList> Rows(const QString& sql, const QStringList& params);
    // Statements of the table's constraints (CHECK, FOREIGN KEY, UNIQUE) as the server holds them.
    QStringList ServerConstraintLines(bool withChecksAndForeignKeys);
    // Indexes, triggers and privileges of the table, read before it is dropped.
    QStringList DependentLines();
    // Re-create failure: roll back what the connection's transaction holds and say where the rows are.
    void ReportRecreateFailure(bool backup);
    void FillGrid(const QList<QVariantList>& rows, qint64 seed, qint64 increment);
    void FormResize();
    void SetGridRowCount(int rows);
    void BuildConstTree();
    void SwitchConst(bool enable);
    // The node of a level-1 item (image 0 for a root or none).
    table::TreeNode NodeOf(const QTreeWidgetItem* item) const;
    // Script output (table_window_script.cpp): the rows as INSERT statements, to the stream or
    // to the data file the script options choose, and the scripts of the table's indexes.
    void WriteDataScript(QIODevice& stream);
    // System versioning (table_window_temporal.cpp): the load of the page, the checks before an
    // apply, the change statements of an existing table and the page's two buttons.
    void LoadTemporal();
    void CheckTemporalSettings();
    void GetTemporalScript(QStringList& lines);
    void btnTmpHistTblSelectClick();
    void btnTmpHistTblOpenClick();
    void WriteIndexScripts(QIODevice& stream);

    table::TableModel m_loaded;      // the table as last loaded
    QList<table::DefaultColumn> FDefaultColumns;
    table::ServerKey m_serverKey;
    QString m_tableId;
    QString m_backupName;
    int m_defTopRecord = 0;
    int m_constHeight = -1;
    bool m_constHeightPending = true;
};

} // namespace qv
