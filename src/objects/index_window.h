#pragma once
// TfrmIndex: the definition window of a table index (object type 46). Key columns in order,
// included columns (version 9 on), unique, clustered, column store (version 11 on, not on
// Azure), fill factor, enabled state and the storage page; every apply of an existing index
// drops and re-creates it, followed by ALTER INDEX … DISABLE or REBUILD. The statements come
// from objects/index_text.*.
#include "objects/index_text.h"
#include "tables/define_frame.h"
#include "tables/define_script.h"

class QLabel;
class QToolButton;

namespace qv {

class TfraStorage;
class TqvListBox;

class TfrmIndex : public TfrmDefine {
    Q_OBJECT
public:
    // tableName may be empty: the index is then found by name and schema and its table taken
    // from the catalog. Raises EAbort (no window) when the index's window is already open or
    // the index cannot be read.
    TfrmIndex(QObject* owner, const QString& database, const QString& schema, const QString& objectName,
              TOpenMode mode, const QString& tableName);

    // The class-level script routine (see define_script.h): ends with EAbort.
    static void GetScript(IConnectionWindow* owner, const QString& database, const QString& schema,
                          const QString& objectName, QIODevice& stream, const QString& tableName);
    static void GetScript(IConnectionWindow* owner, const DefineScriptRequest& request, QIODevice& stream)
    {
        GetScript(owner, request.database, request.schema, request.name, stream, request.tableName);
    }

    TqvDropDownCombo* cmbTableOwner = nullptr;
    TqvDropDownCombo* cmbTableName = nullptr;
    QLabel* lblTableName = nullptr;
    TqvCheckBox* chkUnique = nullptr;
    TqvCheckBox* chkCluster = nullptr;
    TqvCheckBox* chkFillFactor = nullptr;
    TqvNumEdit* txtFillFactorPercent = nullptr;
    QLabel* lblPercent = nullptr;
    TqvCheckBox* chkPadIndex = nullptr;  // the fill factor for the intermediate pages too
    QLabel* lblFilter = nullptr;
    TqvStrEdit* txtFilter = nullptr;     // the condition of a filtered index (version 10 on)
    TqvCheckBox* chkEnable = nullptr;
    TqvCheckBox* chkAddColumn = nullptr;
    TqvCheckBox* chkColumnStore = nullptr;
    QWidget* pnlNormalBody = nullptr;
    QWidget* pnlGeneralAddColumn = nullptr;
    TqvListBox* lstIdxCol = nullptr;
    TqvListBox* lstAddColumn = nullptr;
    TqvListBox* lstTabCol = nullptr;
    QToolButton* btnIns = nullptr;
    QToolButton* btnDel = nullptr;
    QToolButton* btnIns2 = nullptr;
    QToolButton* btnDel2 = nullptr;
    QWidget* tabStorage = nullptr;
    TfraStorage* fraStorage = nullptr;

    QString TableName() const { return FTableName; }
    // Whether the definition needs a fresh CREATE (a change of fill factor, column store,
    // enabled state or included columns alone does not).
    bool IsCreate() const;
    QStringList GetSourceCreate() const;
    QStringList GetSourceDrop() const;

    // Column list actions (also double-click and Enter / Delete in the lists).
    void btnInsClick();
    void btnDelClick();
    void btnIns2Click();
    void btnDel2Click();
    void cmbTableNameExit();
    void cmbTableOwnerExit();

    void Compile() override;
    void ChangedIsNew() override;

protected:
    void ShowData(bool isDrop) override;
    void CheckDefinition() override;
    QStringList GetDDL() override;
    QStringList ScriptText(bool isDrop) override;
    // Saved as schema.table.name.sql.
    QString OutputFileName() const override;
    QString DropStatement() override;
    QWidget* PageForMode(TOpenMode mode) override;

private:
    TfrmIndex(QObject* owner, const QString& database, const QString& schema, const QString& objectName,
              TOpenMode mode, const QString& tableName, bool scriptMode);
    void BuildPage();
    void ShowTabCol();
    void Changed();
    void ColumnStoreRule(std::initializer_list<TqvCheckBox*> others);
    void chkUniqueClick();
    void chkClusterClick();
    void chkFillFactorClick();
    void chkAddColumnClick();
    void chkColumnStoreClick();
    void FilterRule();
    void AddSelected(TqvListBox* target);
    void RemoveSelected(TqvListBox* list);
    bool StorageReady() const;
    index::IndexDef Def() const;
    index::TextContext Context() const;
    QString Database() const { return cmbDatabase->currentText().trimmed(); }

    QString FTableName;
    QString FlstIdxColSave;
    QSet<QString> m_descending;          // key columns read as descending
    QString m_boundOwner, m_boundTable;  // the names last used for the table's columns
    bool m_applying = false;
};

} // namespace qv
