#pragma once
// The table chooser: the tables, views and synonyms of one database and owner, handing back
// the chosen names (qualified and quoted for the query builder; schema and name lines in the
// single-table mode of the table definition window).
#include <QDialog>
#include <QStringList>

#include <functional>

class QComboBox;
class QLineEdit;
class QListWidget;
class QAction;

namespace qv {

class TObjectSession;

// The type list of the catalog query for the chosen kinds ("" when no kind is chosen).
QString TableListTypes(bool tables, bool views, bool synonyms);
// The catalog query: a "use" line, then the objects of the type list whose owner is :OWNER.
QString TableListSql(const TObjectSession& session, const QString& database, const QString& types);
struct TableListEntry {
    QString name;
    int typeCode; // object type code: 45 table, 47 view, 60 synonym
};
// Runs the query; names not containing `findText` (trimmed, letter case counting) are left out.
QList<TableListEntry> FetchTableList(TObjectSession& session, const QString& database, const QString& owner,
                                     const QString& types, const QString& findText);
// The name handed to the query builder: the quoted parts joined by "." (no owner: the name
// alone; no database: owner and name).
QString TableListChoice(const QString& database, const QString& owner, const QString& name);
// The name handed to the query builder for an object dropped from an object list or the work
// space: tables (45) and views (47) fully qualified like the chooser's choice; empty for others.
QString BuilderDropName(int typeCode, const QString& database, const QString& schema, const QString& name);

class TfrmTableList : public QDialog {
    Q_OBJECT
public:
    TfrmTableList(TObjectSession* owner, bool singleTable, QWidget* parent = nullptr);
    ~TfrmTableList() override; // writes the window settings

    // The window's settings key under the settings root.
    static const QString WindowKey;

    // Appends the choice to `tableList`. `sender` is the calling window: one whose object name
    // contains "frmTable" gets the single-table mode with `database` and `schema` selected.
    static void ShowWindow(TObjectSession* owner, QStringList& tableList, QWidget* sender,
                           const QString& database, const QString& schema);
    // Tests answer the modal window through this hook (called instead of exec()).
    static std::function<int(TfrmTableList*)> ExecHook;

    void FillTableList();
    void chkButtonClick(QAction* clicked);
    // The chosen entries, in list order, as ShowWindow hands them back.
    QStringList Choice() const;

    QListWidget* lstTable = nullptr;
    QAction *btnOk = nullptr, *btnExit = nullptr;
    QAction *btnTable = nullptr, *btnView = nullptr, *btnSynonym = nullptr;
    QComboBox *cmbDatabase = nullptr, *cmbOwner = nullptr;
    QLineEdit* txtFindTable = nullptr;

protected:
    // The program message WM_RELOAD refills the list.
    bool event(QEvent* e) override;

private:
    void fillOwners(const QString& select);
    void loadSettings();
    void saveSettings();

    TObjectSession* m_owner;
    bool m_singleTable;
};

} // namespace qv
