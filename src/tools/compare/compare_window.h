#pragma once
// TfrmComp "オブジェクト比較": compares the schema objects of two places (connection, database,
// schema) by their generated DDL and lists which exist on both sides with equal or different
// DDL and which on one side only. Opened from the main window's view menu on the current
// connection, which becomes both sides; every use opens a further window. The statements and
// the pairing live in compare_text.
#include "app/qvform.h"
#include "tools/compare/compare_text.h"

#include "connection/object_window.h"

#include <QList>
#include <QPointer>

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QMenu;
class QToolButton;

namespace qv {

class TfrmObject;
class TqvComboBox;
class TqvListView;

class TfrmComp : public TqvForm {
    Q_OBJECT
public:
    explicit TfrmComp(TfrmObject* owner);

    TfrmObject* Side1() const;
    TfrmObject* Side2() const { return m_owner2; }

    // The run: checks, then RunCompare.
    void btnExecClick();
    void RunCompare();
    // The object-list statement of a side.
    QString BuildObjectSQL(int side) const;
    void cmbConnect1Change() { ConnectChange(1); }
    void cmbConnect2Change() { ConnectChange(2); }
    void cmbSchemaDropDown(int side);
    void mnuOpenClick() { OpenRows(true, true); }
    void mnuOpen1Click() { OpenRows(true, false); }
    void mnuOpen2Click() { OpenRows(false, true); }
    void actExcelExecute();
    void actCopyExecute();
    // The rows of the outputs: the captions first when asked.
    QList<QStringList> OutputRows(bool withHeading) const;

    void DBChange() override;
    void LoadWindowSettings() override;
    void SaveWindowSettings() override;

    QToolButton *btnExec = nullptr, *btnOutput = nullptr, *btnExit = nullptr;
    QAction *actOutput = nullptr, *actExcel = nullptr, *actCopy = nullptr;
    QCheckBox *chkEqurl = nullptr, *chkNotEqurl = nullptr, *chkOnly1 = nullptr, *chkOnly2 = nullptr;
    QComboBox *cmbConnect1 = nullptr, *cmbConnect2 = nullptr, *cmbDBName1 = nullptr, *cmbDBName2 = nullptr;
    TqvComboBox *cmbSchema1 = nullptr, *cmbSchema2 = nullptr;
    QGroupBox *grpOption = nullptr, *grpComp1 = nullptr, *grpComp2 = nullptr;
    QToolButton *btnTable = nullptr, *btnIndex = nullptr, *btnView = nullptr, *btnProc = nullptr, *btnFunc = nullptr,
                *btnTrigger = nullptr, *btnSequence = nullptr, *btnSynonym = nullptr;
    TqvListView* lstComp = nullptr;
    QMenu *popObject = nullptr, *popOutput = nullptr;
    QAction *mnuOpen = nullptr, *mnuOpen1 = nullptr, *mnuOpen2 = nullptr;

private:
    void buildUi();
    QGroupBox* buildSide(int side, QComboBox*& connect, QComboBox*& db, TqvComboBox*& schema);
    void FillConnections(QComboBox* combo, TfrmObject* select);
    void ConnectChange(int side);
    void UpdateKindButtons();
    void UpdateActions();
    QList<compare::Kind> CheckedKinds() const;
    compare::Side SideOf(int side) const;
    void AddRow(const compare::Row& row);
    void OpenRows(bool side1, bool side2);
    void OpenOn(int side, QTreeWidgetItem* item);

    QPointer<TfrmObject> m_owner2;
};

} // namespace qv
