#pragma once
// Tfrmjobschedule: the definition window of one SQL Server Agent schedule (object type 117),
// owned by a connection window. From SQL Server 2005 on a shared msdb schedule that jobs
// attach (sp_add_schedule / sp_update_schedule / sp_attach_schedule / sp_detach_schedule /
// sp_delete_schedule); on SQL Server 2000 the schedule of the one job ticked in its job list.
// Writes no "use" line: every call names msdb.dbo. itself. The statements come from
// jobs_shared_schedule_text.h.
#include "admin/jobs/jobs_shared_schedule_text.h"
#include "tables/define_frame.h"
#include "tables/define_script.h"

#include <array>

class QCheckBox;
class QDateEdit;
class QIODevice;
class QLabel;
class QSpinBox;
class QTimeEdit;

namespace qv {

class TqvStringGrid;

class Tfrmjobschedule : public TfrmDefine {
    Q_OBJECT
public:
    // scheduleId empty: a new schedule. Raises EAbort when the schedule's window is already
    // open (it comes forward) or the schedule cannot be read.
    Tfrmjobschedule(QObject* owner, const QString& scheduleId, const QString& objectName, TOpenMode mode = omDefine);

    // The class-level script routine: the schedule id travels in the request's schema.
    static void GetScript(IConnectionWindow* owner, const QString& scheduleId, QIODevice& stream);
    static void GetScript(IConnectionWindow* owner, const DefineScriptRequest& request, QIODevice& stream)
    {
        GetScript(owner, request.schema, stream);
    }
    // "SCHEDULE - name(ID:id) @ server.database".
    static QString CaptionFor(const QString& name, const QString& id, const QString& server, const QString& database);

    TqvStrEdit* txtID = nullptr;
    TqvCheckBox* chkEnabled = nullptr;
    TqvComboBox* cmbType = nullptr;
    QSpinBox* spnInterval = nullptr;
    QLabel* lblExec = nullptr;
    std::array<TqvCheckBox*, 7> chkDays{}; // Sunday first
    QSpinBox* spnDay = nullptr;
    TqvComboBox* cmbWeek = nullptr;
    TqvComboBox* cmbDay = nullptr;
    TqvComboBox* cmbSubdayType = nullptr;
    QSpinBox* spnSubdayInterval = nullptr;
    QLabel* lblSubdayExec = nullptr;
    QDateEdit* dtpStartDay = nullptr;
    QTimeEdit* dtpStartTime = nullptr;
    QDateEdit* dtpEndDay = nullptr;
    QTimeEdit* dtpEndTime = nullptr;
    TqvStringGrid* grdJob = nullptr;

    // The window's state as statement input.
    jobs::SharedScheduleInput Input() const;
    // New, text mode or Source page: the schedule is (re-)created.
    bool IsFullScript() const;
    void Compile() override;
    void ChangedIsNew() override;

protected:
    void ShowData(bool isDrop) override;
    void CheckNames() override;
    QStringList GetDDL() override;
    QStringList ScriptText(bool isDrop) override;
    QString DeleteStatement() override;
    void PreviewTarget(QString& database, QString& schema, QString& name) override;

private:
    Tfrmjobschedule(QObject* owner, const QString& scheduleId, const QString& objectName, TOpenMode mode,
                    bool scriptMode);
    static QObject* CheckOpen(QObject* owner, const QString& id, const QString& name, bool scriptMode);
    void BuildControls();
    void ReadSchedule();
    void cmbTypeChange();
    void cmbSubdayTypeChange();
    void chkDayofWeekClick(int index);
    void grdJobSetEditText(int c, int r, const QString& value);
    void DoCompile();
    int Version() const;
    QString m_loadedName;
    bool m_loading = false;
};

} // namespace qv
