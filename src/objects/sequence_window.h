#pragma once
// TfrmSeq: the definition window of a sequence (object type 58): reads sys.sequences, creates a
// new sequence, alters an existing one (ALTER SEQUENCE), re-creates it from the source page
// (keeping where it stood and its permissions), drops it, and advances or resets its current
// value. Statement text lives in objects/sequence_text.*.
#include "objects/sequence_text.h"
#include "tables/define_frame.h"
#include "tables/define_script.h"

class QIODevice;
class QLabel;
class QPushButton;

namespace qv {

class TfrmSeq : public TfrmDefine {
    Q_OBJECT
public:
    // Raises EAbort (no window) when the sequence's window is already open or it cannot be read.
    TfrmSeq(QObject* owner, const QString& database, const QString& schema, const QString& objectName, TOpenMode mode);

    // The class-level script routine (see define_script.h); newSchema and newName, both given,
    // write the script of a copy under that schema and name. Ends with EAbort.
    static void GetScript(IConnectionWindow* owner, const QString& database, const QString& schema,
                          const QString& objectName, QIODevice& stream, const QString& newSchema = {},
                          const QString& newName = {});
    static void GetScript(IConnectionWindow* owner, const DefineScriptRequest& request, QIODevice& stream)
    {
        GetScript(owner, request.database, request.schema, request.name, stream, request.newSchema, request.newName);
    }

    QLabel* lblCurrent = nullptr;
    QLabel* pnlCurrent = nullptr;
    QPushButton* btnInc = nullptr;
    QPushButton* btnReset = nullptr;
    TqvDropDownCombo* cmbDataType = nullptr;
    TqvNumEdit* txtPrecision = nullptr;
    TqvNumEdit* txtLastNo = nullptr;
    TqvNumEdit* txtInc = nullptr;
    TqvNumEdit* txtMin = nullptr;
    TqvNumEdit* txtMax = nullptr;
    TqvCheckBox* chkNoMin = nullptr;
    TqvCheckBox* chkNomax = nullptr;
    TqvCheckBox* chkCycle = nullptr;
    TqvRadioButton* rdoCacheDefault = nullptr;
    TqvRadioButton* rdoCacheSpecified = nullptr;
    TqvRadioButton* rdoCacheNothing = nullptr;
    TqvNumEdit* txtCacheSize = nullptr;
    QWidget* tabGrant = nullptr;
    QWidget* tabCross = nullptr;
    QAction* actInc = nullptr;
    QAction* actReset = nullptr;

    // New, script mode or the source page: the sequence is (re-)created.
    bool IsCreate() const;
    // What the definition page holds.
    seq::Definition Current() const;
    QStringList GetSourceCreate() const;
    QStringList GetSourceAlter() const;
    QStringList GetSourceDrop() const;

    void actIncExecute();
    void actResetExecute();
    void ChangedIsNew() override;

protected:
    void ShowData(bool isDrop) override;
    QStringList GetDDL() override;
    QStringList ScriptText(bool isDrop) override;
    QString DeleteStatement() override;
    QWidget* PageForMode(TOpenMode mode) override;
    QList<QWidget*> ExistingOnlyPages() override;

private:
    TfrmSeq(QObject* owner, const QString& database, const QString& schema, const QString& objectName, TOpenMode mode,
            bool scriptMode);
    void BuildDefinePage();
    void BuildPages();
    void cmbDataTypeDropDown();
    void cmbDataTypeOnChange();
    void NumberChanged(TqvNumEdit* edit);
    void UpdateFields();
    void UpdateSeqActions();
    QString Database() const;
    QString Schema() const;
    QString Name() const;
    // The sequence as the server holds it now (current value, bounds, increment, cycle).
    struct Loaded {
        seq::Definition def;
        QString current;
        int systemTypeId = 0;
    };
    bool Read(Loaded& out);

    QStringList FDataType;
    seq::Definition m_loaded; // the snapshot the ALTER text compares with
    bool m_filling = false;
};

} // namespace qv
