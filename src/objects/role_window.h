#pragma once
// TfrmRole: the definition window of a role (object type 68). One class for server roles,
// fixed database roles and user-defined database roles (RoleMode): the members, the schemas a
// database role owns and, for a user-defined role from SQL Server 2005 on, its permissions on
// database users and schemas (the resource page).
#include "objects/role_text.h"
#include "tables/define_frame.h"
#include "tables/define_script.h"

class QIODevice;
class QSplitter;

namespace qv {

class TfraResource;
class TqvStringGrid;

class TfrmRole : public TfrmDefine {
    Q_OBJECT
public:
    // database empty: a server role. Raises EAbort (no window) when the role's window is
    // already open or the role cannot be read.
    TfrmRole(QObject* owner, const QString& database, const QString& schema, const QString& objectName,
             TOpenMode mode);

    // The class-level script routine: the CREATE (or DROP) text; ends with EAbort. An empty
    // owner means a server role.
    static void GetScript(IConnectionWindow* owner, const QString& database, const QString& schema,
                          const QString& objectName, QIODevice& stream);
    static void GetScript(IConnectionWindow* owner, const DefineScriptRequest& request, QIODevice& stream)
    {
        GetScript(owner, request.database, request.schema, request.name, stream);
    }
    // The permission script of a user-defined role (2005 and later); ends with EAbort.
    static void GetScriptResource(IConnectionWindow* owner, const QString& database, const QString& schema,
                                  const QString& objectName, QIODevice& stream);

    int RoleMode = role::rmUser;

    QWidget* tabResource = nullptr;
    TqvStringGrid* grdMember = nullptr;
    TqvStringGrid* grdSchema = nullptr;
    QWidget* pnlObjBack = nullptr;
    QSplitter* spl1 = nullptr;
    TfraResource* fraResource = nullptr;

    bool IsCreate() const;
    QStringList GetSourceCreate() const;
    QStringList GetSourceAlter() const;
    QStringList GetSourceDrop() const;
    QStringList GetSourceGrant() const;
    bool ResourceShown() const { return m_resourceShown; }

protected:
    void ShowData(bool isDrop) override;
    void CheckNames() override;
    QStringList GetDDL() override;
    QStringList ScriptText(bool isDrop) override;
    QString DropStatement() override;
    void PreviewTarget(QString& database, QString& schema, QString& name) override;
    QWidget* PageForMode(TOpenMode mode) override;
    QList<QWidget*> ExistingOnlyPages() override;
    bool DeleteOutsideTransaction() const override;
    void resizeEvent(QResizeEvent* e) override;

private:
    TfrmRole(QObject* owner, const QString& database, const QString& schema, const QString& objectName,
             TOpenMode mode, bool scriptMode);
    QString Database() const;
    QString RoleName() const;
    int Version() const;
    bool Azure() const;
    role::TextInput Input() const;
    void ShowMembers();
    void SetPageVisible(QWidget* page, bool visible);
    void cmbOwnerDropDown();
    void LayoutColumns();
    bool m_resourceShown = false;
    bool m_schemaShown = false;
};

} // namespace qv
