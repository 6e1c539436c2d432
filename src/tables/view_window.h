#pragma once
// TfrmView: the definition window of a view (object type 47, key GUI\VIEW). For an existing
// view: the comment and the columns with their comments (Definition page), the stored source
// with the comment statements (Source page), the privileges and the dependencies; the rows on
// the Data page (tables/data_page.*) and the estimated plan of the same SELECT on the
// execution-plan page (sql/explan_frame.*), under the data page's condition panel. Applying the Definition
// page writes comment statements only; the Privileges page its GRANT/DENY/REVOKE; the Source
// page drops the view and creates it from the editor, then puts back its permissions, extended
// properties and triggers (with a trigger's disabled state). A new view is written on the
// Source page from a template. Window-free text: tables/view_text.*.
#include "tables/define_frame.h"
#include "tables/define_script.h"
#include "tables/view_text.h"

class QIODevice;
class QLabel;
class QSplitter;

namespace qv {

namespace xlsx {
class Book;
}

class TfraCross;
class TfraDataPage;
class TfraExplan;
class TfraGrant;
class TqvStringGrid;

class TfrmView : public TfrmDefine {
    Q_OBJECT
public:
    // Raises EAbort (no window) when the view's window is already open or the view cannot be
    // read.
    TfrmView(QObject* owner, const QString& database, const QString& schema, const QString& objectName,
             TOpenMode mode, int defTopRecord = 0);

    // The class-level script routine (see define_script.h): ends with EAbort. With newSchema and
    // newName it writes the script of a copy under that name.
    static void GetScript(IConnectionWindow* owner, const DefineScriptRequest& request, QIODevice& stream);
    // Definition reports (excel_report_window.h): a workbook in folder `path`, or a sheet of
    // `book`, for the view; both end with EAbort.
    static void GetExcelFile(IConnectionWindow* owner, const QString& repName, const QString& database,
                             const QString& schema, const QString& objectName, const QString& path);
    static void GetExcelSheet(IConnectionWindow* owner, const QString& repName, const QString& database,
                              const QString& schema, const QString& objectName, xlsx::Book& book, int sheet);
    // The report items of the object menu and the output drop-down (built once, at creation).
    void SetReportList();
    // The load of the invisible window of the report routines (Definition page, text mode).
    void LoadForReport();

    QWidget* pnlFieldTop = nullptr;
    QLabel* lblComment = nullptr;
    TqvStrEdit* txtComment = nullptr;
    TqvStringGrid* grdColumn = nullptr;
    QWidget* tabData = nullptr;
    TfraDataPage* fraDataPage = nullptr; // the data page (tables/data_page.*)
    QAction* actDataGenerate = nullptr;
    QWidget* tabExplan = nullptr;
    QSplitter* splExplan = nullptr;
    TfraExplan* fraExplan = nullptr;
    QWidget* tabGrant = nullptr;
    QWidget* tabCross = nullptr;
    TfraGrant* fraGrant = nullptr;
    TfraCross* fraCross = nullptr;

    // The CREATE and DROP scripts of the loaded view.
    QStringList GetSourceCreate();
    QStringList GetSourceDrop();
    // What the Source page's apply adds after the editor's text: the view's permissions and
    // extended properties, then its triggers (read from the server now).
    QStringList RestoreStatements();

    // Leaving the name, schema or database field: the template or the header follows.
    void txtNameExit(QWidget* left);
    void ChangedIsNew() override;
    // After an apply the data page lists every column again.
    void Compile() override;
    // Page 2 is the data page: a rollback has it read its rows again.
    bool HasDataPage() const override { return true; }
    // Not while the data page is shown.
    bool CanDelete() const override;

protected:
    void ShowData(bool isDrop) override;
    QStringList GetDDL() override;
    QStringList ScriptText(bool isDrop) override;
    QString DropStatement() override;
    QWidget* PageForMode(TOpenMode mode) override;
    QList<QWidget*> ExistingOnlyPages() override;
    void PageShown() override;
    void FormCloseQuery(bool& canClose) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    TfrmView(QObject* owner, const QString& database, const QString& schema, const QString& objectName,
             TOpenMode mode, int defTopRecord, bool scriptMode);
    QString Database() const;
    QString Schema() const;
    QString Name() const;
    view::ScriptInput Input();
    QString ReadSourceText();
    QList<view::ColumnComment> ColumnComments() const;
    void grdColumnSelectCell(int col, int row);
    void grdColumnEditButtonClick();
    void FitCommentColumn();
    // The plan page: the plan of the data page's SELECT (database-qualified).
    void ShowPlan();

    QString m_savedComment;
    QStringList m_savedColumnComments;
    int m_defTopRecord = 0;
};

} // namespace qv
