#pragma once
// TfrmSQL: the window in which the user types SQL and runs it, batch by batch, on a
// connection's session, with one result page per batch that yields rows.
#include "app/qvform.h"
#include "app/sqltext/parser.h"
#include "controls/frame/data_frame.h"
#include "sql/explan_frame.h"
#include "sql/memo_frame.h"
#include "sql/sql_run.h"

#include <QList>
#include <memory>
#include <QWidget>

class QComboBox;
class QTabWidget;
class QTableWidget;
class QToolBar;
class QAction;
class QSplitter;

namespace qv {

class TqvBuilderPage;
class TqvConnectionCatalog;
class TEditor;
class TObjectSession;

class TfrmSQL : public TqvForm, public TfraDataOwner {
    Q_OBJECT
public:
    explicit TfrmSQL(TObjectSession* owner, QWidget* parent = nullptr);
    ~TfrmSQL() override;

    FrameOwnerKind FrameOwnerType() const override { return FrameOwnerKind::SQLWindow; }

    // Runs the editor text (F5 and the run button).
    void actExecExecute();
    void actPrevExecute();
    void actNextExecute();
    void actLogExecute();
    void actOpenExecute();
    void actSaveExecute();
    // Files dropped on the window replace the text.
    void LoadFiles(const QStringList& files);

    // The query builder above the editor: shown, its design is parsed from the text.
    void ShowBuilder(bool show);
    // The builder's statement type; SELECT and CREATE VIEW switch into each other keeping the
    // design, CREATE VIEW asks for the view name first.
    void SetBuilderType(TqvSQLType type);
    // Adds the tables chosen in the table chooser to the design (one for INSERT, UPDATE, DELETE).
    void actInsTableExecute();
    // Drags onto the builder: the main window's work space list and the object list of this
    // window's connection window are accepted; their selected tables and views are added.
    bool SQLDesignDragOver(QObject* source) const;
    void SQLDesignDragDrop(QObject* source);
    void actDelTableExecute();
    TqvBuilderPage* pnlBuild = nullptr;
    QAction *btnShowDesign = nullptr, *actInsTable = nullptr, *actDelTable = nullptr, *btnSQLType = nullptr;
    QMenu* popSQLType = nullptr;
    // The view name prompt (tests replace it): answers false when cancelled.
    static std::function<bool(QWidget*, QString& name)> ViewNameHook;

    // File dialogs; tests replace them. Open answers the chosen files; save answers the chosen
    // name and the filter index (0 SQL, 1 text, 2 all) or an empty name.
    static std::function<QStringList(QWidget*)> OpenDialogHook;
    static std::function<QString(QWidget*, const QString& proposed, int& filterIndex)> SaveDialogHook;

    // Message and note boxes; tests replace them. Answer the check box state through `check`.
    static std::function<void(QWidget*, const QString& text, int icon, const QString& checkCaption, bool* check)> MessageHook;

    TObjectSession* OwnerSession() const { return m_owner; }

    // The connection list again (the connections changed): the chosen connection stays chosen;
    // the window closes when it is gone.
    void DBChange() override;
    // Runs the editor text on the connection chosen in cmbDBName from now on.
    void cmbDBNameSelect();
    void LoadWindowSettings() override;
    void SaveWindowSettings() override;
    TfraMemo* fraMemo = nullptr;
    TEditor* txtSQL = nullptr; // the frame's editor
    QComboBox* cmbDBName = nullptr; // the open connections (the main window's list)
    QComboBox* cmbDatabase = nullptr;
    QTableWidget* grdParam = nullptr;
    QTabWidget* pagData = nullptr;
    TfraData* fraData = nullptr;
    QToolBar* tolCmd = nullptr;
    QToolBar* tolOption = nullptr;
    QMenu* mnuTool = nullptr; // "SQL実行(&O)", in the main menu bar while the window is active
    QMenu* MergeMenu() const override { return mnuTool; }
    QAction* btnExplan = nullptr; // plan mode toggle
    QTabWidget* pagExplan = nullptr;
    TfraExplan* fraExplan = nullptr; // the estimated plan as a tree
    QAction *actExec = nullptr, *actPrev = nullptr, *actNext = nullptr, *actLog = nullptr, *actOpen = nullptr, *actSave = nullptr,
            *actHideResult = nullptr, *actExit = nullptr;
    QString StatusText() const { return m_status; }
    int HistoryPosition() const { return m_log; }
    bool ResultShown() const;
    TfraData* FrameOf(int batchNo) const { return batchNo < m_frames.size() ? m_frames.at(batchNo) : nullptr; }

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void FormCloseQuery(bool& canClose) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    bool InsTableAllowed() const;
    // Adds tables to the builder in one synchronisation; `oneForChanges`: INSERT, UPDATE and
    // DELETE designs take the first only.
    void addBuilderTables(const QStringList& names, bool oneForChanges);
    void ClearRun();
    void RunPlan(const QStringList& lines);
    void ShowResult(bool show);
    void SyncParamGrid();
    void ReadParamGrid();
    void LoadHistoryEntry(int index, bool favorite = false);
    void FillDatabases();
    void FillConnections();
    void UpdateActions();
    void SetSession(TObjectSession* session);
    // Back to line selection, the Alt flag cleared, the completion list closed.
    void ResetEditorState();
    // Shrinks and moves the window's frame into the main window's area.
    void FitIntoArea();

    TObjectSession* m_owner;
    std::unique_ptr<db::Query> m_qryCodeAssist;
    std::unique_ptr<TqvConnectionCatalog> m_catalog;
    BindVariables m_binds;
    QList<TfraData*> m_frames; // per batch of the last run; [0] is fraData
    QSplitter* m_split = nullptr;
    QString m_status;
    int m_log = -1;
    bool m_shown = false;
};

} // namespace qv
