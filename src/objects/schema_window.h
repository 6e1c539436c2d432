#pragma once
// TfrmSchema: the definition window of a schema (object type 125; opened for 4, 125 and 126).
// One property, the owner; CREATE SCHEMA, ALTER AUTHORIZATION and DROP SCHEMA through the
// definition window frame. Reads the catalog views of SQL Server 2005 and later.
#include "tables/define_frame.h"
#include "tables/define_script.h"

class QIODevice;

namespace qv {

class TfrmSchema : public TfrmDefine {
    Q_OBJECT
public:
    // Raises EAbort (no window) when the schema's window is already open or the schema cannot
    // be read.
    TfrmSchema(QObject* owner, const QString& database, const QString& schema, const QString& objectName,
               TOpenMode mode);

    // The class-level script routine (see define_script.h): ends with EAbort.
    static void GetScript(IConnectionWindow* owner, const QString& database, const QString& schema,
                          const QString& objectName, QIODevice& stream);
    static void GetScript(IConnectionWindow* owner, const DefineScriptRequest& request, QIODevice& stream)
    {
        GetScript(owner, request.database, request.schema, request.name, stream);
    }

    TqvDropDownCombo* cmbOwner = nullptr;

    // New, in script mode, or on the source page: the schema is (re-)created.
    bool IsCreate() const;
    QStringList GetSourceCreate() const;
    QStringList GetSourceAlter() const;
    QStringList GetSourceDrop() const;

protected:
    void ShowData(bool isDrop) override;
    QStringList GetDDL() override;
    QStringList ScriptText(bool isDrop) override;
    QString DeleteStatement() override;
    void PreviewTarget(QString& database, QString& schema, QString& name) override;
    QWidget* PageForMode(TOpenMode mode) override;

private:
    TfrmSchema(QObject* owner, const QString& database, const QString& schema, const QString& objectName,
               TOpenMode mode, bool scriptMode);
    void cmbOwnerDropDown();
    QString Database() const;
};

} // namespace qv
