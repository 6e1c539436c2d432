#pragma once
// TfrmConst: the definition window of a table constraint (object type 66): PRIMARY KEY,
// UNIQUE, FOREIGN KEY (referenced key, column pairs, delete action), CHECK and DEFAULT, the
// enabled state of foreign keys and check constraints and, for keys, the storage page. Every
// apply drops the constraint and adds it again with ALTER TABLE; the statements come from
// objects/constraint_text.*. No source page.
#include "objects/constraint_text.h"
#include "tables/define_frame.h"
#include "tables/define_script.h"

#include <memory>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QStackedWidget;
class QToolButton;

namespace qv {

class TfraMemo;
class TfraStorage;
class TqvListBox;
class TqvStringGrid;
namespace db {
class Query;
}

class TfrmConst : public TfrmDefine {
    Q_OBJECT
public:
    // tableName: the table of a new constraint. Raises EAbort (no window) when the
    // constraint's window is already open or the constraint cannot be read.
    TfrmConst(QObject* owner, const QString& database, const QString& schema, const QString& objectName,
              const QString& tableName);
    ~TfrmConst() override;

    // The class-level script routine (see define_script.h): ends with EAbort.
    static void GetScript(IConnectionWindow* owner, const QString& database, const QString& schema,
                          const QString& objectName, QIODevice& stream);
    static void GetScript(IConnectionWindow* owner, const DefineScriptRequest& request, QIODevice& stream)
    {
        GetScript(owner, request.database, request.schema, request.name, stream);
    }
    // For the table window's script: appends the ADD script of the constraint (blank lines
    // removed) to lines, in the source mode of tableWindow; ends with EAbort (also when the
    // constraint does not exist, after the "not found" box in the window's own mode).
    static void GetStorageScript(TqvForm* tableWindow, const QString& database, const QString& schema,
                                 const QString& objectName, QStringList& lines);

    QWidget* pnlObj = nullptr;
    TqvDropDownCombo* cmbTableName = nullptr;
    TqvComboBox* cmbConstType = nullptr;
    TqvDropDownCombo* cmbDefDatabase = nullptr;
    TqvCheckBox* chkEnabled = nullptr;
    QStackedWidget* pagType = nullptr;
    QWidget* tabPrimary = nullptr;
    QWidget* tabUnique = nullptr;
    QWidget* tabForeign = nullptr;
    QWidget* tabCheck = nullptr;
    QWidget* tabDefault = nullptr;
    QWidget* pnlIndex = nullptr; // the column editor of PRIMARY KEY and UNIQUE
    TqvListBox* lstIdxCol = nullptr;
    TqvListBox* lstTabCol = nullptr;
    QToolButton* btnInsAll = nullptr;
    QToolButton* btnIns = nullptr;
    QToolButton* btnDel = nullptr;
    QToolButton* btnDelAll = nullptr;
    TqvDropDownCombo* cmbRefSchema = nullptr;
    TqvDropDownCombo* cmbRefTable = nullptr;
    TqvDropDownCombo* cmbRefIndex = nullptr;
    QGroupBox* rdoDeleteAction = nullptr;
    QButtonGroup* grpDeleteAction = nullptr;
    TqvStringGrid* grdForeign = nullptr;
    TfraMemo* fraMemoC = nullptr;
    TfraMemo* fraMemoD = nullptr;
    TqvDropDownCombo* cmbDefColumn = nullptr;
    QWidget* tabStorage = nullptr;
    TfraStorage* fraStorage = nullptr;

    constraint::Kind ConstKind() const;
    int DeleteActionIndex() const;
    void SetDeleteActionIndex(int index);
    QString CheckText() const;
    void SetCheckText(const QString& text);
    QString DefaultText() const;
    void SetDefaultText(const QString& text);

    QStringList GetSourceCreate() const;
    QStringList GetSourceDrop() const;

    // Handlers (also reached through the controls).
    void cmbConstTypeChange(bool read = true);
    void cmbRefSchemaExit();
    void cmbTableNameExit();
    void btnInsAllClick();
    void btnInsClick();
    void btnDelClick();
    void btnDelAllClick();

    void ChangedIsNew() override;

protected:
    void ShowData(bool isDrop) override;
    void CheckDefinition() override;
    QStringList GetDDL() override;
    QStringList ScriptText(bool isDrop) override;
    QString DropStatement() override;
    QList<QWidget*> ExistingOnlyPages() override { return {}; }

private:
    TfrmConst(QObject* owner, const QString& database, const QString& schema, const QString& objectName,
              const QString& tableName, bool scriptMode);
    void BuildPage();
    void ShowTabCol();
    void ShowIdxCol();
    void FillForeignGrid(const QString& database);
    void Changed();
    bool Azure() const;
    int Version() const;
    constraint::ConstraintDef Def() const;
    constraint::TextContext Context() const;
    QString Database() const { return cmbDatabase->currentText().trimmed(); }
    QString DefDatabase() const { return cmbDefDatabase->currentText().trimmed(); }

    std::unique_ptr<db::Query> qrySQL; // completion look-ups of the CHECK and DEFAULT editors
    bool m_loading = false;
    constraint::DeleteAction m_updateAction = constraint::NoAction; // the foreign key's update rule as read
    QString m_tabColTable; // the table name last used for the table's columns
};

} // namespace qv
