#pragma once
// The statements of the shared schedule window, without any window: CREATE (sp_add_schedule
// with its job attachments, or sp_add_jobschedule on SQL Server 2000), ALTER, DROP, the delete
// statement, the new id's look-up and the catalog reads. Every call names msdb.dbo. itself.
#include "admin/jobs/jobs_schedule_text.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace qv::jobs {

// One row of the job assignment grid.
struct ScheduleJobTick {
    QString job;
    bool ticked = false;
    bool loadedTicked = false; // the tick at the last load
};

struct SharedScheduleInput {
    int version = 9;
    QString id;
    QString name;
    QString loadedName; // the name at the last load
    ScheduleValues values;
    QList<ScheduleJobTick> jobs;
    // The first ticked job; empty when none.
    QString FirstTickedJob() const;
    bool Attached() const;
};

QStringList SharedScheduleCreate(const SharedScheduleInput& in);
QStringList SharedScheduleAlter(const SharedScheduleInput& in);
QStringList SharedScheduleDrop(const SharedScheduleInput& in);
// The delete command's statement: the DROP statement without "go".
QString SharedScheduleDelete(const SharedScheduleInput& in);
// The new schedule's id after a create: column 0 of the first row.
QString SharedScheduleNewIdQuery(const SharedScheduleInput& in);

// Every job with "1" in its second column when it uses the schedule; parameter :SCID.
QString ScheduleJobsQuery();
// The schedule's columns (0 name … 11 active_end_time); parameter :SCHEDULE_ID, below version 9
// also :JOB_NAME first.
QString ScheduleReadQuery(int version);
// Parameter names of ScheduleReadQuery in their order.
QStringList ScheduleReadParams(int version);

} // namespace qv::jobs
