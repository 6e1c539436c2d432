#include "admin/jobs/jobs_shared_schedule_text.h"

#include "app/qvstrings.h"

namespace qv::jobs {

namespace {
const QString kGo = QStringLiteral("go");
QString N(const QString& text) { return QStringLiteral("N") + QuoteLiteral(text); }
} // namespace

QString SharedScheduleInput::FirstTickedJob() const
{
    for (const ScheduleJobTick& j : jobs)
        if (j.ticked)
            return j.job;
    return {};
}

bool SharedScheduleInput::Attached() const
{
    for (const ScheduleJobTick& j : jobs)
        if (j.ticked)
            return true;
    return false;
}

QStringList SharedScheduleCreate(const SharedScheduleInput& in)
{
    QStringList lines;
    if (in.name.isEmpty())
        return lines;
    if (in.version < 9) {
        lines << ScheduleParamLines(QStringLiteral("EXEC msdb.dbo.sp_add_jobschedule @job_name = ") +
                                        QuoteLiteral(in.FirstTickedJob()) + QStringLiteral(", @name = ") +
                                        QuoteLiteral(in.name) + QStringLiteral(", "),
                                    in.values, ScheduleForm::Window);
    } else {
        const bool attached = in.Attached();
        if (attached)
            lines << QStringLiteral("DECLARE @NewId integer");
        lines << ScheduleParamLines(QStringLiteral("EXEC msdb.dbo.sp_add_schedule @schedule_name = ") + N(in.name) +
                                        QStringLiteral(", "),
                                    in.values, ScheduleForm::Window, attached);
        for (const ScheduleJobTick& j : in.jobs)
            if (j.ticked)
                lines << QStringLiteral("EXEC msdb.dbo.sp_attach_schedule NULL, ") + N(j.job) + QStringLiteral(", @NewId");
    }
    lines << kGo;
    return lines;
}

QStringList SharedScheduleAlter(const SharedScheduleInput& in)
{
    QStringList lines;
    if (in.version < 9) {
        lines << ScheduleParamLines(QStringLiteral("EXEC msdb.dbo.sp_update_jobschedule @job_name = ") +
                                        QuoteLiteral(in.FirstTickedJob()) + QStringLiteral(", @name = ") +
                                        N(in.loadedName) + QStringLiteral(", @new_name = ") + N(in.name) +
                                        QStringLiteral(", "),
                                    in.values, ScheduleForm::Window);
        return lines;
    }
    lines << ScheduleParamLines(QStringLiteral("EXEC msdb.dbo.sp_update_schedule @schedule_id = ") + NumberArg(in.id) +
                                    QStringLiteral(", @new_name = ") + N(in.name) + QStringLiteral(", "),
                                in.values, ScheduleForm::Window);
    for (const ScheduleJobTick& j : in.jobs) {
        if (j.ticked == j.loadedTicked)
            continue;
        if (j.ticked)
            lines << QStringLiteral("EXEC msdb.dbo.sp_attach_schedule NULL, ") + N(j.job) + QStringLiteral(", ") +
                         NumberArg(in.id);
        else
            lines << QStringLiteral("EXEC msdb.dbo.sp_detach_schedule NULL, ") + N(j.job) + QStringLiteral(", ") +
                         NumberArg(in.id) + QStringLiteral(", NULL, 0");
        lines << kGo;
    }
    return lines;
}

QString SharedScheduleDelete(const SharedScheduleInput& in)
{
    if (in.version < 9)
        return QStringLiteral("EXEC msdb.dbo.sp_delete_jobschedule NULL, ") + QuoteLiteral(in.FirstTickedJob()) +
               QStringLiteral(", ") + QuoteLiteral(in.name);
    return QStringLiteral("EXEC msdb.dbo.sp_delete_schedule ") + NumberArg(in.id) + QStringLiteral(", NULL, 1");
}

QStringList SharedScheduleDrop(const SharedScheduleInput& in) { return {SharedScheduleDelete(in), kGo}; }

QString SharedScheduleNewIdQuery(const SharedScheduleInput& in)
{
    if (in.version < 9)
        return QStringLiteral("EXEC msdb.dbo.sp_help_jobschedule NULL, ") + QuoteLiteral(in.FirstTickedJob()) +
               QStringLiteral(", ") + QuoteLiteral(in.name);
    return QStringLiteral("select max(schedule_id) from msdb.dbo.sysschedules");
}

QString ScheduleJobsQuery()
{
    return QStringLiteral("select job.name,\r\n"
                          "case\r\n"
                          "when sc.schedule_id is null then '0' else '1'\r\n"
                          "end as attached\r\n"
                          "from msdb.dbo.sysjobs as job\r\n"
                          "left outer join msdb.dbo.sysjobschedules as sc\r\n"
                          "on (job.job_id = sc.job_id) and (sc.schedule_id = :SCID)");
}

QString ScheduleReadQuery(int version)
{
    if (version >= 9)
        return QStringLiteral(
            "create table #tmp_sp_help_schedule\r\n"
            "(schedule_id int null, schedule_uid uniqueidentifier null, schedule_name nvarchar(128) null,\r\n"
            "enabled int null, freq_type int null, freq_interval int null, freq_subday_type int null,\r\n"
            "freq_subday_interval int null, freq_relative_interval int null, freq_recurrence_factor int null,\r\n"
            "active_start_date int null, active_end_date int null, active_start_time int null,\r\n"
            "active_end_time int null, date_created datetime null, schedule_description nvarchar(4000) null,\r\n"
            "job_count int null)\r\n"
            "insert into #tmp_sp_help_schedule exec msdb.dbo.sp_help_schedule\r\n"
            "select schedule_name, enabled, freq_type, freq_interval, freq_subday_type, freq_subday_interval,\r\n"
            "freq_relative_interval, freq_recurrence_factor, active_start_date, active_end_date,\r\n"
            "active_start_time, active_end_time, schedule_uid from #tmp_sp_help_schedule\r\n"
            "where schedule_id = :SCHEDULE_ID\r\n"
            "drop table #tmp_sp_help_schedule");
    return QStringLiteral(
        "create table #tmp_sp_help_jobschedule\r\n"
        "(schedule_id int null, schedule_name nvarchar(128) null, enabled int null, freq_type int null,\r\n"
        "freq_interval int null, freq_subday_type int null, freq_subday_interval int null,\r\n"
        "freq_relative_interval int null, freq_recurrence_factor int null, active_start_date int null,\r\n"
        "active_end_date int null, active_start_time int null, active_end_time int null,\r\n"
        "date_created datetime null, schedule_description nvarchar(4000) null, next_run_date int null,\r\n"
        "next_run_time int null, job_id uniqueidentifier null)\r\n"
        "declare @job_id uniqueidentifier\r\n"
        "declare crs cursor local fast_forward\r\n"
        "for ( SELECT sv.job_id AS [JobID] FROM msdb.dbo.sysjobs_view AS sv WHERE (sv.name=:JOB_NAME) )\r\n"
        "open crs\r\n"
        "fetch crs into @job_id\r\n"
        "while @@fetch_status >= 0\r\n"
        "begin\r\n"
        "insert into #tmp_sp_help_jobschedule (schedule_id, schedule_name, enabled, freq_type, freq_interval,\r\n"
        "freq_subday_type, freq_subday_interval, freq_relative_interval, freq_recurrence_factor,\r\n"
        "active_start_date, active_end_date, active_start_time, active_end_time, date_created,\r\n"
        "schedule_description, next_run_date, next_run_time)\r\n"
        "exec msdb.dbo.sp_help_jobschedule @job_id = @job_id\r\n"
        "update #tmp_sp_help_jobschedule set job_id = @job_id where job_id is null\r\n"
        "fetch crs into @job_id\r\n"
        "end\r\n"
        "close crs\r\n"
        "deallocate crs\r\n"
        "SELECT\r\n"
        "tshj.schedule_name AS [Name],\r\n"
        "tshj.enabled AS [IsEnabled],\r\n"
        "tshj.freq_type AS [FrequencyTypes],\r\n"
        "tshj.freq_interval AS [FrequencyInterval],\r\n"
        "tshj.freq_subday_type AS [FrequencySubDayTypes],\r\n"
        "tshj.freq_subday_interval AS [FrequencySubDayInterval],\r\n"
        "tshj.freq_relative_interval AS [FrequencyRelativeIntervals],\r\n"
        "tshj.freq_recurrence_factor AS [FrequencyRecurrenceFactor],\r\n"
        "tshj.active_start_date AS [ActiveStartDateInt],\r\n"
        "tshj.active_end_date AS [ActiveEndDateInt],\r\n"
        "tshj.active_start_time AS [ActiveStartTimeOfDayInt],\r\n"
        "tshj.active_end_time AS [ActiveEndTimeOfDayInt]\r\n"
        "FROM msdb.dbo.sysjobs_view AS sv\r\n"
        "INNER JOIN #tmp_sp_help_jobschedule AS tshj ON tshj.job_id=sv.job_id\r\n"
        "WHERE (tshj.schedule_id=:SCHEDULE_ID)\r\n"
        "drop table #tmp_sp_help_jobschedule;");
}

QStringList ScheduleReadParams(int version)
{
    if (version >= 9)
        return {QStringLiteral("SCHEDULE_ID")};
    return {QStringLiteral("JOB_NAME"), QStringLiteral("SCHEDULE_ID")};
}

} // namespace qv::jobs
