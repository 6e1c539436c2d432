// The shared schedule statements without a window, on SQL Server 2000 and from 2005 on.
#include "admin/jobs/jobs_shared_schedule_text.h"

#include "support/modal_helper.h"

#include <gtest/gtest.h>

using namespace qv::jobs;

namespace {
SharedScheduleInput Input(int version, QList<ScheduleJobTick> jobs)
{
    SharedScheduleInput in;
    in.version = version;
    in.id = "12";
    in.name = "月末'平日";
    in.loadedName = "old";
    in.values.unit = "月ごと(相対指定)";
    in.values.interval = "1";
    in.values.week = "最終週";
    in.values.relativeDay = "平日";
    in.values.subdayType = "1回のみ";
    in.values.startDate = "20240131";
    in.values.startTime = "093000";
    in.jobs = std::move(jobs);
    return in;
}
const QStringList Body{"    @freq_interval          = 9,", "    @freq_relative_interval = 16,",
                       "    @freq_recurrence_factor = 1,", "    @freq_subday_type       = 1,",
                       "    @active_start_date      = 20240131,", "    @active_start_time      = 093000,"};
QStringList WithoutLastComma(QStringList lines)
{
    lines.last().chop(1);
    return lines;
}
} // namespace

TEST(JobsSharedScheduleText, CreateAttachedToTwoJobsIsOneBatch)
{
    const auto in = Input(9, {{"a", true, false}, {"b", false, false}, {"c'x", true, false}});
    EXPECT_EQ(SharedScheduleCreate(in),
              (QStringList{"DECLARE @NewId integer",
                          "EXEC msdb.dbo.sp_add_schedule @schedule_name = N'月末''平日', @enabled = 1, @freq_type = 32,"} +
                  Body +
                  QStringList{"    @schedule_id            = @NewId output",
                              "EXEC msdb.dbo.sp_attach_schedule NULL, N'a', @NewId",
                              "EXEC msdb.dbo.sp_attach_schedule NULL, N'c''x', @NewId", "go"}));
    const auto alone = Input(9, {{"a", false, false}});
    EXPECT_EQ(SharedScheduleCreate(alone),
              (QStringList{"EXEC msdb.dbo.sp_add_schedule @schedule_name = N'月末''平日', @enabled = 1, @freq_type = 32,"} +
                  WithoutLastComma(Body) + QStringList{"go"}));
    SharedScheduleInput unnamed = alone;
    unnamed.name.clear();
    EXPECT_TRUE(SharedScheduleCreate(unnamed).isEmpty());
}

TEST(JobsSharedScheduleText, AlterAttachesAndDetachesChangedTicksOnly)
{
    const auto in = Input(9, {{"keep", true, true}, {"gone", false, true}, {"new", true, false}, {"no", false, false}});
    EXPECT_EQ(SharedScheduleAlter(in),
              (QStringList{"EXEC msdb.dbo.sp_update_schedule @schedule_id = 12, @new_name = N'月末''平日', @enabled = 1, "
                          "@freq_type = 32,"} +
                  WithoutLastComma(Body) +
                  QStringList{"EXEC msdb.dbo.sp_detach_schedule NULL, N'gone', 12, NULL, 0", "go",
                              "EXEC msdb.dbo.sp_attach_schedule NULL, N'new', 12", "go"}));
}

TEST(JobsSharedScheduleText, SqlServer2000WorksThroughTheTickedJob)
{
    const auto in = Input(8, {{"x", false, false}, {"job1", true, true}});
    EXPECT_EQ(SharedScheduleCreate(in).first(),
              "EXEC msdb.dbo.sp_add_jobschedule @job_name = 'job1', @name = '月末''平日', @enabled = 1, @freq_type = 32,");
    EXPECT_EQ(SharedScheduleAlter(in).first(),
              "EXEC msdb.dbo.sp_update_jobschedule @job_name = 'job1', @name = N'old', @new_name = N'月末''平日', "
              "@enabled = 1, @freq_type = 32,");
    EXPECT_EQ(SharedScheduleDrop(in),
              (QStringList{"EXEC msdb.dbo.sp_delete_jobschedule NULL, 'job1', '月末''平日'", "go"}));
    EXPECT_EQ(SharedScheduleNewIdQuery(in), "EXEC msdb.dbo.sp_help_jobschedule NULL, 'job1', '月末''平日'");
    EXPECT_EQ(ScheduleReadParams(8), (QStringList{"JOB_NAME", "SCHEDULE_ID"}));
}

TEST(JobsSharedScheduleText, DropAndNewIdFrom2005On)
{
    const auto in = Input(9, {});
    EXPECT_EQ(SharedScheduleDrop(in), (QStringList{"EXEC msdb.dbo.sp_delete_schedule 12, NULL, 1", "go"}));
    EXPECT_EQ(SharedScheduleDelete(in), "EXEC msdb.dbo.sp_delete_schedule 12, NULL, 1");
    EXPECT_EQ(SharedScheduleNewIdQuery(in), "select max(schedule_id) from msdb.dbo.sysschedules");
    EXPECT_TRUE(ScheduleReadQuery(9).contains("where schedule_id = :SCHEDULE_ID"));
    EXPECT_TRUE(ScheduleJobsQuery().endsWith("and (sc.schedule_id = :SCID)"));
}
