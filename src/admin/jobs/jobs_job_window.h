#pragma once
// TfrmJob: the definition window of one SQL Server Agent job (object type 97), owned by a
// connection window: owner login, name, category, enabled flag, description, start step, and
// the step and schedule grids (TfraJobGrids). Changes go through msdb's job procedures
// (jobs_statement_text.h); no "use" line is written. A job is known by its name.
#include "tables/define_frame.h"
#include "tables/define_script.h"

class QIODevice;

namespace qv {

class TfraJobGrids;

class TfrmJob : public TfrmDefine {
    Q_OBJECT
public:
    // jobName empty: a new job. Raises EAbort when a window of the job is already open on the
    // connection (it comes forward) or the job cannot be read.
    TfrmJob(QObject* owner, const QString& jobName, TOpenMode mode = omDefine);

    static void GetScript(IConnectionWindow* owner, const QString& jobName, QIODevice& stream);
    static void GetScript(IConnectionWindow* owner, const DefineScriptRequest& request, QIODevice& stream)
    {
        GetScript(owner, request.name, stream);
    }

    TqvDropDownCombo* cmbLogin = nullptr;
    TqvDropDownCombo* cmbCategory = nullptr;
    TqvCheckBox* chkEnabled = nullptr;
    TqvStrEdit* txtDescription = nullptr;
    TqvDropDownCombo* cmbStartStep = nullptr;
    TfraJobGrids* fraGrids = nullptr;

    // New, text mode or Source page: the job is (re-)created.
    bool IsFullScript() const;
    QStringList GetCreateScript() const;
    QStringList GetAlterScript() const;
    QStringList GetDropScript() const;
    void ChangedIsNew() override;
    // The delete command: asks, runs sp_delete_job, says so and closes.
    void DeleteJob();

protected:
    void ShowData(bool isDrop) override;
    void CheckNames() override;
    QStringList GetDDL() override;
    QStringList ScriptText(bool isDrop) override;
    QString DeleteStatement() override;
    void PreviewTarget(QString& database, QString& schema, QString& name) override;

private:
    TfrmJob(QObject* owner, const QString& jobName, TOpenMode mode, bool scriptMode);
    static QObject* CheckOpen(QObject* owner, const QString& jobName, bool scriptMode);
    void BuildControls();
    void FillStartSteps();
    void UpdateCaption();
    int Version() const;
    bool m_loading = false;
};

} // namespace qv
