#pragma once
// The rules of the job window's step and schedule grids, without any window: which cells may
// be edited, the pick lists, the day text of a weekly row, and the msdb reads of a job's steps
// and schedules.
#include <QString>
#include <QStringList>

namespace qv::jobs {

// Step grid columns.
enum StepCol { scNumber, scName, scType, scDatabase, scUser, scCommand, scOnSuccess, scSuccessStep, scOnFail,
               scFailStep, scRetryAttempts, scRetryInterval, StepColCount };
// Schedule grid columns.
enum ScheduleCol { hcId, hcName, hcUnit, hcInterval, hcDayOfMonth, hcWeek, hcDays, hcSubdayInterval, hcSubdayType,
                   hcStartDate, hcStartTime, hcEndDate, hcEndTime, hcEnabled, ScheduleColCount };

QStringList StepHeaders();
QStringList ScheduleHeaders();
const int* StepWidths();     // StepColCount widths
const int* ScheduleWidths(); // ScheduleColCount widths

// A step cell may be edited: rows of type "TSQL" or empty, never the type; the step-id cells
// only while their action reads "指定ステップに進む".
bool StepCellEditable(int col, const QString& type, const QString& onSuccess, const QString& onFail);
// A schedule cell may be edited, by the row's unit and subday type.
bool ScheduleCellEditable(int col, const QString& unit, const QString& subdayType, int version);

// The user names of the connection's current database (SQL Server 2000: its sysusers table).
QString StepUserQuery(int version);
// "EXEC msdb.dbo.sp_help_jobstep NULL, :JOBNAME"
QString JobStepsQuery();
// "EXEC msdb.dbo.sp_help_jobschedule Null, :JOBNAME"
QString JobSchedulesQuery();
// Shared schedules whose id is LIKE :ID2, with the columns schedule_id, schedule_name, enabled,
// freq_type … active_end_time.
QString SharedScheduleLookupQuery();

} // namespace qv::jobs

namespace qv::jobs {

// The step command as the editor hands it back: every line that reads "go" in any letter
// case with nothing else becomes "go " (the job statement carries it inside a literal, and the
// DDL run must not cut its batch there); other lines unchanged.
QString StepCommandOnOk(const QString& text);
// The statements of the editor's analysis, in order: the switch to the step's database
// ("master" when none), "SET NOEXEC ON"; the text itself goes between them and "SET NOEXEC OFF".
QStringList StepAnalysisPrologue(const QString& database);

} // namespace qv::jobs
