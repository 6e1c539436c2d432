#pragma once
// TfrmSynonym: the definition window of a synonym (object type 60): a name in one schema for a
// table, view, procedure or function, possibly in another database or on another server. A
// synonym cannot be altered: every apply of an existing one drops it and creates it again,
// and writes its permissions back. Statement text lives in objects/synonym_text.*.
#include "objects/synonym_text.h"
#include "tables/define_frame.h"
#include "tables/define_script.h"

class QIODevice;

namespace qv {

class TfrmSynonym : public TfrmDefine {
    Q_OBJECT
public:
    // The last four arguments pre-fill the base object (database, owner, name and type keyword
    // such as "TABLE"); a given name makes the new window modified, ready to create. Raises
    // EAbort (no window) when the synonym's window is already open or it cannot be read.
    TfrmSynonym(QObject* owner, const QString& database, const QString& schema, const QString& objectName,
                TOpenMode mode, const QString& tableDatabase = {}, const QString& tableSchema = {},
                const QString& tableName = {}, const QString& objectType = {});

    // The class-level script routine (see define_script.h). Ends with EAbort.
    static void GetScript(IConnectionWindow* owner, const QString& database, const QString& schema,
                          const QString& objectName, QIODevice& stream);
    static void GetScript(IConnectionWindow* owner, const DefineScriptRequest& request, QIODevice& stream)
    {
        GetScript(owner, request.database, request.schema, request.name, stream);
    }

    TqvDropDownCombo* cmbDatabaseList = nullptr;
    TqvDropDownCombo* cmbTableOwner = nullptr;
    TqvComboBox* cmbType = nullptr;
    TqvDropDownCombo* cmbTableName = nullptr;
    QWidget* tabGrant = nullptr;
    QAction* actOpen = nullptr;

    // The server of a loaded four-part base name ("" otherwise); the create script keeps it.
    QString BaseServer() const { return m_baseServer; }
    QStringList GetSourceCreate() const;
    QStringList GetSourceDrop() const;
    void actOpenExecute();
    void ChangedIsNew() override;

protected:
    void ShowData(bool isDrop) override;
    void CheckDefinition() override;
    QStringList GetDDL() override;
    QStringList ScriptText(bool isDrop) override;
    QString DeleteStatement() override;
    QWidget* PageForMode(TOpenMode mode) override;
    QList<QWidget*> ExistingOnlyPages() override;

private:
    TfrmSynonym(QObject* owner, const QString& database, const QString& schema, const QString& objectName,
                TOpenMode mode, bool scriptMode);
    void BuildDefinePage();
    void UpdateOpen();
    QString Database() const;
    QString Schema() const;
    QString Name() const;
    QString TypeOfBase(const QString& database, const QString& owner, const QString& name);

    QString m_baseServer;
    bool m_filling = false;
};

} // namespace qv
