#pragma once
// TfrmDefine: the frame every definition window is built on (table, view, index, constraint,
// role, user, schema, sequence, synonym, file group, trigger, source windows). It owns what
// the kinds share: the duplicate check and captions, the tool bar with its actions, the name
// panel (database, schema, name), the page control, new and existing object, the apply road
// (the kind's GetDDL → database switch → DDL preview → DDL execution → reload), revert,
// delete ("use" + the kind's DROP), the close question, window settings under GUI\<key> and
// the class-level script routine. A kind fills its pages and answers the virtual routines.
#include "app/options.h"
#include "app/qvform.h"
#include "controls/inputs/inputs.h"

#include <QStringList>

#include <functional>
#include <memory>

class QAction;
class QIODevice;
class QLabel;
class QMenu;
class QTabWidget;
class QToolBar;

namespace qv {

class TfraMemo;
class TObjectSession;
namespace db {
class Query;
}

// A change-tracking combo that tells before its list drops down (the lists of the definition
// windows are read afresh at every drop-down).
class TqvDropDownCombo : public TqvComboBox {
    Q_OBJECT
public:
    using TqvComboBox::TqvComboBox;
    std::function<void()> OnDropDown;
    void showPopup() override;
};

// What a kind tells the frame about itself.
struct DefineKind {
    const QMetaObject* windowClass = nullptr; // the kind's class, for the duplicate check
    int objType = 0;                          // object-type code of the window
    QString word;                             // caption word ("TABLE", "SCHEMA" …)
    QString settingsKey;                      // key under GUI
    QString menuTitle;                        // the kind's menu ("SCHEMA(&O)")
    bool hasSchema = true;                    // the name panel has a schema combo
    bool hasSource = true;                    // a source page with the SQL editor frame
    bool hasOutput = false;                   // "出力(&P)": print and save of the CREATE script
    bool commitAroundDDL = false;             // principals: commit before the run, AutoTran after
};

// The object a window opens on; an empty name opens a new object.
struct DefineArgs {
    QString database;
    QString schema;
    QString name;
    TOpenMode mode = omDefine;
};

class TfrmDefine : public TqvForm {
    Q_OBJECT
public:
    ~TfrmDefine() override;

    // Message boxes of the definition windows; tests answer them here (unset: ShowMessageBox).
    static std::function<int(const QString& text, int flags)> MessageHook;

    const DefineKind& Kind() const { return m_kind; }
    bool ScriptMode() const { return m_scriptMode; }

    // Controls shared by the kinds.
    QToolBar* tolCmd = nullptr;
    QWidget* pnlName = nullptr;
    TqvDropDownCombo* cmbDatabase = nullptr;
    TqvDropDownCombo* cmbSchema = nullptr;
    TqvStrEdit* txtName = nullptr;
    QLabel* lblDatabase = nullptr;
    QLabel* lblSchema = nullptr;
    QLabel* lblName = nullptr;
    QTabWidget* pagObject = nullptr;
    QWidget* tabDefine = nullptr;  // the kind lays out its definition controls here
    QWidget* tabSource = nullptr;  // null for kinds without a source page
    TfraMemo* fraMemo = nullptr;
    QAction* actCompile = nullptr;
    QAction* actRefresh = nullptr;
    QAction* actDelete = nullptr;
    QAction* actExit = nullptr;
    QAction* actOutput = nullptr; // kinds with output: drops down popOutput
    QAction* actPrint = nullptr;
    QAction* actSave = nullptr;
    QMenu* popOutput = nullptr;
    QMenu* mnuTool = nullptr;

    // The apply ("作成(&C)"): validation, the kind's DDL with the database switch in front,
    // preview, execution, reload. Validation stops, errors and a stopped run are reported
    // here; the window keeps its state then.
    void Compile() override;
    // Revert ("戻す(&R)"): asks when modified, then reloads.
    void Reload() override;
    // Delete ("削除(&D)"): asks, runs the kind's delete statement, says so and closes.
    void actDeleteExecute();
    // Output of an unmodified existing object: print under db.schema.name, save to a file
    // proposed as schema.name.sql.
    virtual void actPrintExecute();
    virtual void actSaveExecute();
    // What print and save write: the CREATE script.
    virtual QStringList OutputLines() { return ScriptText(false); }
    // The file name save proposes (in the FileDir folder): schema.name.sql.
    virtual QString OutputFileName() const;
    // The save dialog's stand-in (tests).
    static std::function<QString(const QString& title, const QString& proposed, const QString& filter)> OutputSaveDialog;
    void ChangedIsNew() override;
    void LoadWindowSettings() override;
    void SaveWindowSettings() override;
    QMenu* MergeMenu() const override { return mnuTool; }

    // The page change handler: reloads the definition, then the page's own work.
    void pagObjectChange();
    bool SourcePageActive() const;
    bool DefinePageActive() const;
    // The editor text of the source page.
    QStringList SourceLines() const;
    void SetSourceLines(const QStringList& lines);

    // The session of the owner connection window.
    TObjectSession* Session() const;
    // The settings key of the window: \Software\Velmora\QVS22\GUI\<key>.
    QString SettingsKey() const;

protected:
    // scriptMode: the invisible window of the class-level script routine (no caption, no
    // duplicate check, no task button; SourceMode smText). Raises EAbort (nothing built)
    // when a window of the kind is already open for the object.
    TfrmDefine(QObject* owner, const DefineKind& kind, const DefineArgs& args, bool scriptMode);

    // Ends the kind's construction: names into the name panel, the page of the open mode,
    // IsNew, first load. Kinds call it at the end of their constructor.
    void Start();

    // The close question, asked here so that it goes through Box: Cancel keeps the window,
    // Yes applies and keeps it while still modified, No closes.
    void FormCloseQuery(bool& canClose) override;

    // The kind's routines.
    // Reads the definition (existing object) or sets the new object's defaults; isDrop asks
    // for the DROP text in the source editor. Ends with Modified false. Raises EAbort when
    // the object cannot be read.
    virtual void ShowData(bool isDrop) = 0;
    // The required names before an apply: database, schema (kinds with a schema combo) and
    // name, each a warning with focus and EAbort.
    virtual void CheckNames();
    // The kind's own checks before an apply (warn through Box, focus, EAbort).
    virtual void CheckDefinition() {}
    // The statement list of an apply ("go" lines end batches).
    virtual QStringList GetDDL() = 0;
    // The script of the class-level script routine, after ShowData in script mode.
    virtual QStringList ScriptText(bool isDrop) = 0;
    // The statement of the delete action; by default the database switch and DropStatement.
    virtual QString DeleteStatement();
    virtual QString DropStatement() { return QString(); }
    // Database, schema and name that the DDL preview shows and proposes as file name.
    virtual void PreviewTarget(QString& database, QString& schema, QString& name);
    // The opening page for the open mode.
    virtual QWidget* PageForMode(TOpenMode mode);
    // Pages shown only for an existing object (the source page by default).
    virtual QList<QWidget*> ExistingOnlyPages();
    // After every load of the page change handler: the page's own work (a list filled when
    // its page becomes active).
    virtual void PageShown() {}
    // "変更箇所が見つかりませんでした。": a warning, the table window an information box.
    virtual int NoChangeFlags() const;

    // A warning box, focus on the control and the silent abort.
    [[noreturn]] void Warn(const QString& text, QWidget* focus);
    static int Box(const QString& text, int flags);
    // Runs an action: EAbort ends it quietly, other errors reach the standard error box.
    void Guard(const std::function<void()>& action);
    // Commits an open transaction of the connection (errors ignored); after a run, starts one
    // when the option AutoTran is on and none is open (errors ignored).
    void CommitOpenTransaction();
    void StartTransactionWhenAuto();
    // Whether "削除(&D)" is enabled: for an existing object (kinds may add conditions).
    virtual bool CanDelete() const { return !IsNew(); }
    // True when the delete statement runs outside a transaction (commit first, AutoTran after).
    virtual bool DeleteOutsideTransaction() const { return false; }
    // Sets Modified on a change of the control (kinds connect their own controls).
    void TrackChanges(QWidget* control);

    // Writes the script of the loaded window to the stream (the body of GetScript before its
    // final abort).
    void WriteScriptTo(QIODevice& stream, const QString& newSchema = {}, const QString& newName = {});
    QString NewSchema, NewObjectName;

    // The drop-down lists of the name panel: the databases, the schemas of the chosen database.
    void cmbDatabaseDropDown();
    void cmbSchemaDropDown();

private:
    void BuildFrame();
    void pagObjectChanging(int from, int to);
    void UpdateActions();
    void DoCompile();

    std::unique_ptr<db::Query> qrySQL; // completion look-ups of the source editor
    DefineKind m_kind;
    DefineArgs m_args;
    bool m_scriptMode = false;
    bool m_started = false;
    int m_page = 0;
    bool m_changingPage = false;
};

} // namespace qv
