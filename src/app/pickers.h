#pragma once
// Two small modal pickers opened with a connection window: the databases the object tree
// shows in its "設定" mode (stored per server under OBJECTTREE), and the columns of a table or
// view, chosen and ordered for a column list.
#include <QDialog>
#include <QStringList>

class QListWidget;
class QPushButton;
class QToolButton;

namespace qv {

class IConnectionWindow;

// The settings key holding the chosen databases of a server.
QString ProjectKey(const QString& server);
// The stored choice: the names of "DataBase", each ended by CR LF in the store.
QStringList StoredProjectDatabases(const QString& server);

class TfrmProject : public QDialog {
    Q_OBJECT
public:
    TfrmProject(IConnectionWindow* owner, QWidget* parent = nullptr);
    // True after OK (the choice is stored), false after cancel.
    static bool ShowWindow(IConnectionWindow* owner, const QString& projectName = QString());

    void btnOkClick();
    QListWidget* lstDatabase = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;

private:
    QString m_server;
};

// The column read of the picker: the columns of schema.table in database, in column order.
QString FieldListSQL(int serverVersion);
QStringList ReadTableColumns(IConnectionWindow* owner, const QString& database, const QString& schema,
                             const QString& table);

class TfrmFieldList : public QDialog {
    Q_OBJECT
public:
    // columns: the table's columns in column order; fieldList: the current choice.
    TfrmFieldList(const QString& caption, const QStringList& columns, const QStringList& fieldList,
                  QWidget* parent = nullptr);
    ~TfrmFieldList() override;
    // fieldList is replaced by the chosen names after "選択(&S)" with at least one chosen.
    static void ShowWindow(IConnectionWindow* owner, const QString& database, QStringList& fieldList,
                           const QString& tableName, const QString& schema);

    QStringList chosen() const;
    QStringList available() const;
    void addSelected();
    void removeSelected();
    void addAll();
    void removeAll();

    QListWidget* lstSelect = nullptr;    // "表示する項目"
    QListWidget* lstAvailable = nullptr; // "選択可能な項目"
    QPushButton* btnSelect = nullptr;
    QPushButton* btnClose = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void loadGeometry();
    void saveGeometry();
};

} // namespace qv
