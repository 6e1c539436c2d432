#pragma once
// TfraGrant: the privileges page "権限" of the table, view, sequence, synonym and
// procedure/function windows and of the database window. It lists the principals of the
// database with their permissions on one object (or the database-wide permissions) and edits
// them in a check grid; the edits become GRANT / DENY / REVOKE statements (grants::GrantModel
// holds the states and writes them). The frame runs only catalog reads, never DDL.
//
// Embedding: put it on the window's page (any widget inside a TqvForm whose owner is a
// connection window), call ShowData when the page loads and GetSource (or GetDDL, which adds
// the database switch) when it is applied; IsChanged tells whether anything was edited. A
// check-box click also sets the window's Modified flag.
#include "tables/privileges_text.h"

#include <QFrame>
#include <QStringList>

#include <functional>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QRadioButton;
class QTreeWidgetItem;

namespace qv {

class TqvForm;
class TqvListView;
class TqvStringGrid;
class TObjectSession;

class TfraGrant : public QFrame {
    Q_OBJECT
public:
    explicit TfraGrant(QWidget* parent = nullptr);

    // Controls (names of the page).
    QWidget* pnlTop = nullptr;
    QGroupBox* rdoShowMode = nullptr; // " 表示対象 "
    QRadioButton* rdoShowGranted = nullptr; // index 0: principals holding a permission
    QRadioButton* rdoShowAll = nullptr;     // index 1: all principals
    QGroupBox* grpGrantOption = nullptr;
    TqvStringGrid* grdGrant = nullptr;
    QLabel* lblComment = nullptr;
    TqvListView* lstGrant = nullptr;

    // The kind of the frame (an object type code, grants::DatabaseKind for the database-wide
    // permissions). Without a call the first ShowData takes the database kind when schema and
    // name are empty, else the window's object type. Fixed by the first ShowData.
    void SetKind(int kind) { if (m_kind == 0) m_kind = kind; }
    int Kind() const { return m_kind; }
    // 0: only principals holding a permission; 1: all principals.
    int ShowMode() const;
    void SetShowMode(int mode);

    // Reads the principals and their permissions on schema.name in database (schema and name
    // empty: the database-wide permissions). Does nothing outside a TqvForm. Catalog errors
    // propagate.
    void ShowData(const QString& database, const QString& schema, const QString& objName);
    // Appends the statements of every edit, each followed by "go".
    void GetSource(QStringList& lines) const;
    // The statements with the database switch ("use [db]", "go") in front; empty without edits.
    QStringList GetDDL() const;
    bool IsChanged() const { return m_model.IsChanged(); }

    const grants::GrantModel& Model() const { return m_model; }
    QString Database() const { return m_database; }

    // Selects the principals named (and no other), as a user's selection in the list does.
    void SelectPrincipals(const QStringList& names);
    // The state of the three boxes of a permission row (1-based).
    grants::RowBoxes Boxes(int row) const;
    // A user's click on a box (row 1-based, column grants::ColGrant …).
    void ClickBox(int row, int column);

    // Called after every edit that changed a state (besides the window's Modified flag).
    std::function<void()> OnChanged;

private:
    TqvForm* Form() const;
    TObjectSession* Session() const;
    void BuildColumns(int dbVer, bool azure);
    void FillList();
    void RefreshItem(int index);
    QList<int> SelectedIndexes() const;
    void ShowSelection();
    void lstGrantSelectionChanged();
    void grdGrantSetEditText(int col, int row, const QString& value);
    void rdoShowModeClick();

    grants::GrantModel m_model;
    QStringList m_captions;
    QButtonGroup* m_showGroup = nullptr;
    int m_kind = 0;
    bool m_columnsBuilt = false;
    bool m_filling = false;
    QString m_database, m_schema, m_objName;
};

// The name the other windows use for the page's frame.
using TfraPrivileges = TfraGrant;

} // namespace qv
