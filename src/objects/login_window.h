#pragma once
// TfrmLogin: the definition window of a server login (object type 119; 120 opens it too).
// Authentication kind, password, default database and language, deny, password policy and
// expiration, the lockout, the login's user in every database and, from SQL Server 2005 on
// outside Azure, the login's server permissions (page tabResource). Statements come from
// objects/login_text.*; the window only gathers its controls into a login::LoginState.
#include "objects/login_text.h"
#include "tables/define_frame.h"
#include "tables/define_script.h"

class QGroupBox;
class QIODevice;
class QLabel;

namespace qv {

class TfraResource;
class TqvStringGrid;

class TfrmLogin : public TfrmDefine {
    Q_OBJECT
public:
    // Raises EAbort (no window) when the login's window is already open or it cannot be read.
    TfrmLogin(QObject* owner, const QString& objectName, TOpenMode mode);

    // The class-level script routine (ends with EAbort).
    static void GetScript(IConnectionWindow* owner, const QString& objectName, QIODevice& stream);
    static void GetScript(IConnectionWindow* owner, const DefineScriptRequest& request, QIODevice& stream)
    {
        GetScript(owner, request.name, stream);
    }
    // The login's server permissions as a script (ends with EAbort).
    static void GetScriptResource(IConnectionWindow* owner, const QString& objectName, QIODevice& stream);

    TqvRadioButton* rdoSQL = nullptr;
    TqvRadioButton* rdoWIN = nullptr;
    TqvStrEdit* txtPassword1 = nullptr;
    TqvStrEdit* txtPassword2 = nullptr;
    // The login's default database (the frame's own database combo of the name panel is
    // hidden: a login belongs to no database).
    TqvDropDownCombo* cmbDatabase = nullptr;
    TqvDropDownCombo* cmbLanguage = nullptr;
    QLabel* lblDefaultDatabase = nullptr;
    QLabel* lblLanguage = nullptr;
    TqvCheckBox* chkLogin = nullptr;
    TqvCheckBox* chkPassPolicy = nullptr;
    TqvCheckBox* chkPassPeriod = nullptr;
    TqvCheckBox* chkLock = nullptr;
    TqvStringGrid* grdUser = nullptr;
    QWidget* tabResource = nullptr;
    TfraResource* fraResource = nullptr; // the login's server permissions

    // New, in script mode or on the source page: the login is (re-)created.
    bool IsCreate() const;
    // The controls as the statement builders see them.
    login::LoginState State() const;
    QStringList GetSourceCreate() const;
    QStringList GetSourceAlter() const;
    QStringList GetSourceDrop() const;
    // The server permission statements of the resource page.
    QStringList GetSourceGrant() const;

    void Compile() override;

protected:
    void ShowData(bool isDrop) override;
    QStringList GetDDL() override;
    QStringList ScriptText(bool isDrop) override;
    QString DeleteStatement() override;
    void PreviewTarget(QString& database, QString& schema, QString& name) override;
    QWidget* PageForMode(TOpenMode mode) override;
    QList<QWidget*> ExistingOnlyPages() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TfrmLogin(QObject* owner, const QString& objectName, TOpenMode mode, bool scriptMode);
    void BuildPages();
    void DoCompile();
    void DeleteLogin();
    void rdoPassClick();
    void chkPassPolicyClick();
    void chkLockClick();
    void grdUserSetEditText(int c, int r);
    bool grdUserSelectCell(int c, int r);
    void pnlRightResize();
    void LoadUsers();
    // The resource list and the permission rows of the login (SQL Server 2005 on, not Azure).
    void ShowResource();
    int DbVer() const;
    bool Azure() const;
    bool ResourceShown() const;
};

} // namespace qv
