#pragma once
// TfrmUser: the definition window of a database user (object type 3; opened for 2 and 3):
// its login, default schema and owned schemas, and from SQL Server 2005 on its permissions on
// database users and schemas (the resource page shared with the role window).
#include "objects/user_text.h"
#include "tables/define_frame.h"
#include "tables/define_script.h"

class QIODevice;
class QSplitter;

namespace qv {

class TfraResource;
class TqvStringGrid;

class TfrmUser : public TfrmDefine {
    Q_OBJECT
public:
    // Raises EAbort (no window) when the user's window is already open or the user cannot be
    // read.
    TfrmUser(QObject* owner, const QString& database, const QString& objectName, TOpenMode mode);

    // The class-level script routine: CREATE (or DROP) text; ends with EAbort.
    static void GetScript(IConnectionWindow* owner, const QString& database, const QString& objectName,
                          QIODevice& stream);
    static void GetScript(IConnectionWindow* owner, const DefineScriptRequest& request, QIODevice& stream)
    {
        GetScript(owner, request.database, request.name, stream);
    }
    // The permission script of the user (2005 and later); ends with EAbort.
    static void GetScriptResource(IConnectionWindow* owner, const QString& database, const QString& objectName,
                                  QIODevice& stream);

    QWidget* tabResource = nullptr;
    QWidget* pnlLogin = nullptr;
    QWidget* pnlDefSchema = nullptr;
    QWidget* pnlRight = nullptr;
    QSplitter* spl1 = nullptr;
    TqvDropDownCombo* cmbLogin = nullptr;
    TqvDropDownCombo* cmbDefSchema = nullptr;
    TqvStringGrid* grdSchema = nullptr;
    TfraResource* fraResource = nullptr;

    bool IsCreate() const;
    QStringList GetSourceCreate() const;
    QStringList GetSourceAlter() const;
    QStringList GetSourceDrop() const;
    QStringList GetSourceGrant() const;

protected:
    void ShowData(bool isDrop) override;
    void CheckDefinition() override;
    QStringList GetDDL() override;
    QStringList ScriptText(bool isDrop) override;
    QString DropStatement() override;
    void PreviewTarget(QString& database, QString& schema, QString& name) override;
    QWidget* PageForMode(TOpenMode mode) override;
    QList<QWidget*> ExistingOnlyPages() override;
    bool DeleteOutsideTransaction() const override;
    void resizeEvent(QResizeEvent* e) override;

private:
    TfrmUser(QObject* owner, const QString& database, const QString& objectName, TOpenMode mode, bool scriptMode);
    QString Database() const;
    QString UserName() const;
    int Version() const;
    user::TextInput Input() const;
    void SetPageVisible(QWidget* page, bool visible);
    void LayoutColumns();
    bool m_resourceShown = false;
    bool m_schemaShown = false;
    bool m_loginEditable = true;
    bool m_defSchemaEditable = true;
};

} // namespace qv
