#pragma once
// The msdb procedure calls of the job window, without any window: the CREATE, ALTER and DROP
// statement lists of a SQL Server Agent job built from its header fields and the rows of its
// step and schedule grids. No "use" line: every call names msdb.dbo. itself; every statement
// is followed by "go".
#include "admin/jobs/jobs_schedule_text.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace qv::jobs {

// Action texts of the step grid (columns 6 and 8) in the order of their pick list.
QStringList StepActionTexts();
// "成功を報告して終了" 1, "失敗を報告して終了" 2, "次のステップに進む" 3, "指定ステップに進む" 4;
// 0 for another text.
int StepActionCode(const QString& text);
QString StepActionText(int code);

// One data row of the step grid (columns 1 to 11).
struct JobStepRow {
    QString name, type, database, user, command;
    QString onSuccess, successStep, onFail, failStep;
    QString retryAttempts, retryInterval;
};

// One data row of the schedule grid: its fourteen cells (0 id … 13 enabled "1"), the day mask
// of a weekly row and the changed mark.
struct JobScheduleRow {
    QStringList cells = QStringList(14);
    int dayMask = 0;
    bool changed = false;
    QString Cell(int col) const { return col < cells.size() ? cells[col] : QString(); }
};
// The schedule values of a grid row: dates and times with "/" and ":" removed.
ScheduleValues ValuesOfRow(const JobScheduleRow& row);
// A grid row filled from a decoded msdb schedule (id and name given).
JobScheduleRow RowOfSchedule(const QString& id, const QString& name, const DecodedSchedule& d);

struct JobHeader {
    QString name;
    bool enabled = true;
    QString description;
    QString category; // the msdb name of the category
    QString login;
    int startStepIndex = -1; // position of the start step's text in its combo, -1 when none
    int version = 9;         // the connection's major server version
};

// Statements of the named step rows (sp_add_jobstep), "go" after each.
QStringList StepStatements(const JobHeader& job, const QList<JobStepRow>& steps);
// Statements of the named schedule rows: attach (and update when changed) a shared schedule
// from version 9 on, else sp_add_jobschedule.
QStringList ScheduleStatements(const JobHeader& job, const QList<JobScheduleRow>& schedules);

QStringList CreateScript(const JobHeader& job, const QList<JobStepRow>& steps,
                         const QList<JobScheduleRow>& schedules);
// `loaded` is the schedule grid as it was at the last load (data rows only).
QStringList AlterScript(const JobHeader& job, const QList<JobStepRow>& steps,
                        const QList<JobScheduleRow>& schedules, const QList<JobScheduleRow>& loaded);
QStringList DropScript(const JobHeader& job);

} // namespace qv::jobs

namespace qv::jobs {

// The Japanese caption of a built-in msdb job category; any other text unchanged (exact
// comparison), and back.
QString CategoryJa(const QString& msdbName);
QString CategoryEn(const QString& caption);

// The owner logins of the server, behind a "use [master]" line.
QString JobLoginQuery(int version);
// The job header by :NAME: 0 owner login, 1 category name, 2 description, 3 enabled, 4 start step id.
QString JobHeaderQuery();
// One step of the job: :JOBNAME, :JOBNUMB.
QString JobStepQuery();
// The categories of jobs (the name in column 2).
QString JobCategoryQuery();
// The job window's delete command.
QString JobDeleteStatement(const QString& jobName);

} // namespace qv::jobs
