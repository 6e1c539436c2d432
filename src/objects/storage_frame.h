#pragma once
// TfraStorage: the storage page of the table, index and constraint windows. It shows where
// the object's data lives (a file group, a temporary table, a partition scheme over a
// column), reads it for an existing object, checks the choice, keeps a snapshot so that the
// owner can tell a change (which makes the owner re-create the object) and writes the storage
// clause of the owner's CREATE statement. It never runs DDL itself.
#include <QStringList>
#include <QWidget>

class QGroupBox;
class QLabel;
class QStackedWidget;

namespace qv {

class TqvForm;
class TqvComboBox;
class TqvDropDownCombo;
class TqvRadioButton;
class TObjectSession;

class TfraStorage : public QWidget {
    Q_OBJECT
public:
    // owner: the definition window that holds the frame (its object type, source mode,
    // connection and modified flag are used).
    explicit TfraStorage(TqvForm* owner, QWidget* parent = nullptr);

    QWidget* pnlStorageType = nullptr;
    TqvComboBox* cmbStorageType = nullptr;
    QStackedWidget* pagStorage = nullptr;
    QWidget* tabFileGroup = nullptr;
    QWidget* tabTemporary = nullptr;
    QWidget* tabPartition = nullptr;
    TqvDropDownCombo* cmbFileGroup = nullptr;
    QGroupBox* grpOnCommit = nullptr;
    TqvRadioButton* rdoLocal = nullptr;
    TqvRadioButton* rdoGlobal = nullptr;
    TqvDropDownCombo* cmbPartition = nullptr;
    TqvDropDownCombo* cmbPartItem = nullptr;

    int ObjType() const { return FObjType; }
    QString TableName() const { return FTableName; }
    void SetTableName(const QString& name) { FTableName = name; }

    // Before the owner's first load and whenever its names may have changed. The first call
    // fixes the kind items (temporary table only for a table, partition from version 9).
    void Init(const QString& database, const QString& schema, const QString& objectName, const QString& tableName);
    // Reads the existing object's storage into the controls.
    void ShowDefine();
    // Validation before an apply: a warning, the focus and the silent abort on a missing value.
    void Check();
    // Snapshot of the six controls; IsCreate: any of them differs from it.
    void Save();
    bool IsCreate() const;
    // Appends the storage clause line (if any) to source: in a written script always, in the
    // window's DDL when the ShowStorageSource option is on.
    void GetSourceCreate(QStringList& source) const;
    // The partition schemes of a database; the columns of a table.
    void GetPartition(QStringList& list, const QString& database);
    void GetColumn(QStringList& list, const QString& database, const QString& owner, const QString& tableName);

    // The kind chosen by the kind combo's text.
    int StorageKind() const;

private:
    void cmbStorageTypeChange();
    void Changed();
    TObjectSession* Session() const;

    TqvForm* FOwner;
    int FObjType = -1;
    QString FDataBase, FSchema, FObjectName, FTableName;
};

} // namespace qv
