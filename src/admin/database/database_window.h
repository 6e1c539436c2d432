#pragma once
// Tfrmdb: the definition window of a database (object type 116; opened for 1, 116 and 118).
// Owner, collation, data and log files with their growth, file groups and options; a new
// database is created with CREATE DATABASE, an existing one altered statement by statement
// against the snapshot of the last load. The statements come from database_text.
#include "admin/database/database_text.h"
#include "tables/define_frame.h"
#include "tables/define_script.h"

class QGroupBox;
class QIODevice;
class QLabel;
class QRadioButton;

namespace qv {

class TfraGrant;
class TqvStringGrid;

class Tfrmdb : public TfrmDefine {
    Q_OBJECT
public:
    // schema: the owner login of an existing database. Raises EAbort (no window) when the
    // database's window is already open or the database cannot be read.
    Tfrmdb(QObject* owner, const QString& database, const QString& schema, const QString& objectName, TOpenMode mode);

    // The class-level script routine: the CREATE script, or the DROP script with the script
    // option Drop. Ends with EAbort.
    static void GetScript(IConnectionWindow* owner, const DefineScriptRequest& request, QIODevice& stream);

    TqvComboBox* cmbUser = nullptr;
    TqvComboBox* cmbSyogo = nullptr;
    TqvCheckBox* chkFullTextIndex = nullptr;
    TqvStringGrid* grdFile = nullptr;
    TqvCheckBox* chkAutoExt = nullptr;
    QWidget* pnlAutoExt = nullptr;
    TqvRadioButton* radExtPercent = nullptr;
    TqvRadioButton* radExtMb = nullptr;
    TqvNumEdit* txtPersentSize = nullptr;
    TqvNumEdit* txtMbSize = nullptr;
    TqvRadioButton* radMaxLimited = nullptr;
    TqvRadioButton* radMaxUnlimited = nullptr;
    TqvNumEdit* txtMaxsize = nullptr;
    QWidget* pnlAll = nullptr;
    QWidget* pnlAzure = nullptr;
    TqvComboBox* cmbSize = nullptr;
    TqvComboBox* cmbEdition = nullptr;
    QWidget* tabFileGrp = nullptr;
    TqvStringGrid* grdFileGroup = nullptr;
    QWidget* taboption = nullptr;
    TqvComboBox* cmbBkMode = nullptr;
    TqvComboBox* cmbGokan = nullptr;
    QLabel* lblContainment = nullptr;
    TqvComboBox* cmbContainment = nullptr;
    QGroupBox* GrpSettei = nullptr;
    TqvCheckBox* ChkAccess = nullptr;
    TqvRadioButton* radbtnsingle = nullptr;
    TqvRadioButton* radbtndbowner = nullptr;
    TqvCheckBox* chkReadOnly = nullptr;
    TqvCheckBox *chkAnsiNull = nullptr, *chkTrigger = nullptr, *chkAutoUpdate = nullptr, *chkPageVerify = nullptr,
                *chkAutoShrink = nullptr, *chkAutoCreate = nullptr, *chkAutoClose = nullptr, *chkQuote = nullptr;
    TqvStringGrid* grdSetting = nullptr;
    QWidget* tabGrant = nullptr;
    TfraGrant* fraGrant = nullptr;

    // The definition as the controls hold it.
    database::Definition ReadDefinition() const;
    database::Target TargetOf() const;
    QStringList GetCreateScript();
    QStringList GetAlterScript();
    QStringList GetDropScript() const;

protected:
    void ShowData(bool isDrop) override;
    void CheckNames() override;
    void CheckDefinition() override;
    QStringList GetDDL() override;
    QStringList ScriptText(bool isDrop) override;
    void PreviewTarget(QString& database, QString& schema, QString& name) override;
    QWidget* PageForMode(TOpenMode) override { return tabDefine; }
    QList<QWidget*> ExistingOnlyPages() override;
    bool CanDelete() const override { return false; }
    void ChangedIsNew() override;

private:
    Tfrmdb(QObject* owner, const QString& database, const QString& schema, const QString& objectName, TOpenMode mode,
           bool scriptMode);
    void BuildGeneral();
    void BuildFileGroups();
    void BuildOptions();
    void Prepare();
    void LoadFiles();
    void LoadOptions();
    void ShowFiles(const QList<database::FileRow>& rows);
    void ShowGroups(const QList<database::GroupRow>& rows);
    void ShowOptionRows(const QList<database::OptionValue>& values);
    void ShowGrowth(int row);
    void StoreGrowth();
    void NameChanged();
    bool IsAzure() const;
    void MarkModified();
    QString LcidOf(const QString& alias);
    QString AliasOf(const QString& lcid);
    QStringList Languages();
    QStringList FirstColumn(const QString& sql, const QStringList& params = {});

    QString m_owner;        // G_UserName
    QString m_rootDir;      // G_RootDir
    int m_groupRows = 1;    // G_FGrpRowCnt
    int m_growthRow = 1;    // file row the growth controls show
    bool m_filling = false; // controls being filled: no change marks
    QList<int> m_levels;    // compatibility levels of cmbGokan
    database::Definition m_saved;
    QStringList m_languages;
};

} // namespace qv
