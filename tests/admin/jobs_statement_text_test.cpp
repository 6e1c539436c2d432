// The job statements without a window: CREATE, ALTER and DROP lists of msdb procedure calls
// built from the header fields and the step and schedule grid rows.
#include "admin/jobs/jobs_statement_text.h"

#include "support/modal_helper.h"

#include <gtest/gtest.h>

using namespace qv::jobs;

namespace {
JobHeader Header(int version = 9)
{
    JobHeader h;
    h.name = "Night'ly";
    h.enabled = true;
    h.description = "";
    h.category = "[Uncategorized (Local)]";
    h.login = "sa";
    h.startStepIndex = 0;
    h.version = version;
    return h;
}

JobStepRow Step(const QString& name)
{
    JobStepRow s;
    s.name = name;
    s.type = "TSQL";
    return s;
}

JobScheduleRow Schedule(const QString& id, const QString& name)
{
    JobScheduleRow r;
    r.cells = QStringList{id, name, "CPUアイドル時", "", "", "", "", "", "", "", "", "", "", "1"};
    return r;
}
} // namespace

TEST(JobsStatementText, CreateOfASmallJob)
{
    JobStepRow s = Step("load");
    s.command = "UPDATE t SET c = 'x'";
    JobHeader h = Header(9);
    EXPECT_EQ(CreateScript(h, {s, Step("")}, {Schedule("", "idle"), Schedule("", "")}),
              (QStringList{
                  "EXEC msdb.dbo.sp_add_job N'Night''ly', 1, NULL, 1, '[Uncategorized (Local)]', NULL, N'sa'", "go",
                  "EXEC msdb.dbo.sp_add_jobstep @job_name = N'Night''ly', @step_name = N'load',",
                  "    @command            = N'UPDATE t SET c = ''x'''", "go",
                  "EXEC msdb.dbo.sp_add_jobschedule @job_name = N'Night''ly', @name = N'idle', @enabled = 1, "
                  "@freq_type = 128",
                  "go", "EXEC msdb.dbo.sp_add_jobserver NULL, N'Night''ly', N'(LOCAL)'", "go"}));
    h.description = "d'1";
    h.enabled = false;
    h.startStepIndex = 2;
    const QStringList lines = CreateScript(h, {}, {});
    EXPECT_EQ(lines[0], "EXEC msdb.dbo.sp_add_job N'Night''ly', 0, N'd''1', 1, '[Uncategorized (Local)]', NULL, N'sa'");
    EXPECT_EQ(lines[2], "EXEC msdb.dbo.sp_update_job @job_name = N'Night''ly', @start_step_id = 3");
}

TEST(JobsStatementText, StepLines)
{
    const struct {
        JobStepRow step;
        QStringList lines;
    } cases[] = {
        {Step("only"), {"EXEC msdb.dbo.sp_add_jobstep @job_name = N'Night''ly', @step_name = N'only'", "go"}},
        {{"full", "CmdExec", "sales", "u1", "dir", "指定ステップに進む", "3", "指定ステップに進む", "4", "2", "5"},
         {"EXEC msdb.dbo.sp_add_jobstep @job_name = N'Night''ly', @step_name = N'full',", "@subsystem = 'CmdExec',",
          "    @command            = N'dir',", "    @on_success_action  = 4,", "    @on_success_step_id = 3,",
          "    @on_fail_action     = 4,", "    @on_fail_step_id    = 4,", "    @database_name      = N'sales',",
          "    @database_user_name = N'u1',", "    @retry_attempts     = 2,", "    @retry_interval     = 5", "go"}},
        // A jump with no step id falls back to the default actions; master and 0 write nothing.
        {{"jump", "", "master", "", "", "指定ステップに進む", "", "指定ステップに進む", "", "0", "0"},
         {"EXEC msdb.dbo.sp_add_jobstep @job_name = N'Night''ly', @step_name = N'jump'", "go"}},
        {{"swap", "TSQL", "", "", "", "失敗を報告して終了", "", "成功を報告して終了", "", "", ""},
         {"EXEC msdb.dbo.sp_add_jobstep @job_name = N'Night''ly', @step_name = N'swap',",
          "    @on_success_action  = 2,", "    @on_fail_action     = 1", "go"}},
        {{"next", "TSQL", "", "", "", "次のステップに進む", "", "次のステップに進む", "", "", ""},
         {"EXEC msdb.dbo.sp_add_jobstep @job_name = N'Night''ly', @step_name = N'next',",
          "    @on_success_action  = 3,", "    @on_fail_action     = 3", "go"}},
        // Typed number cells never add SQL of their own.
        {{"bad", "TSQL", "", "", "", "指定ステップに進む", "1;SHUTDOWN", "", "", "1 OR 1=1", ""},
         {"EXEC msdb.dbo.sp_add_jobstep @job_name = N'Night''ly', @step_name = N'bad',",
          "    @on_success_action  = 4,", "    @on_success_step_id = '1;SHUTDOWN',",
          "    @retry_attempts     = '1 OR 1=1'", "go"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StepStatements(Header(), {c.step}), c.lines) << c.step.name.toStdString();
}

TEST(JobsStatementText, ScheduleRowsByVersion)
{
    JobScheduleRow shared = Schedule("12", "idle");
    JobScheduleRow changed = Schedule("13", "idle2");
    changed.changed = true;
    EXPECT_EQ(ScheduleStatements(Header(9), {shared, changed}),
              (QStringList{"EXEC msdb.dbo.sp_attach_schedule NULL, N'Night''ly', 12", "go",
                           "EXEC msdb.dbo.sp_attach_schedule NULL, N'Night''ly', 13", "go",
                           "EXEC msdb.dbo.sp_update_schedule @schedule_id = '13', @new_name = N'idle2', @enabled = 1, "
                           "@freq_type = 128",
                           "go"}));
    // SQL Server 2000: a row with an id is a schedule of the job.
    EXPECT_EQ(ScheduleStatements(Header(8), {shared}),
              (QStringList{"EXEC msdb.dbo.sp_add_jobschedule @job_name = N'Night''ly', @name = N'idle', @enabled = 1, "
                           "@freq_type = 128",
                           "go"}));
    // A typed id is no place for SQL.
    EXPECT_EQ(ScheduleStatements(Header(9), {Schedule("1 EXEC xp_cmdshell 'x'", "s")})[0],
              "EXEC msdb.dbo.sp_attach_schedule NULL, N'Night''ly', '1 EXEC xp_cmdshell ''x'''");
}

TEST(JobsStatementText, AlterDetachesRowsThatLeft)
{
    JobHeader h = Header(9);
    h.description = "";
    h.startStepIndex = -1;
    const QList<JobScheduleRow> loaded{Schedule("1", "a"), Schedule("2", "b"), Schedule("3", "c")};
    // The second of three rows deleted: rows 2 and 3 now hold other ids, row 3 is gone.
    const QList<JobScheduleRow> now{Schedule("1", "a"), Schedule("3", "c")};
    EXPECT_EQ(AlterScript(h, {Step("s1")}, now, loaded),
              (QStringList{
                  "EXEC msdb.dbo.sp_update_job NULL, N'Night''ly', NULL, 1, NULL, 1, '[Uncategorized (Local)]', N'sa'",
                  "go", "EXEC msdb.dbo.sp_delete_jobstep NULL, N'Night''ly', 0", "go",
                  "EXEC msdb.dbo.sp_add_jobstep @job_name = N'Night''ly', @step_name = N's1'", "go",
                  "EXEC msdb.dbo.sp_detach_schedule NULL, N'Night''ly', 2, NULL, 0", "go",
                  "EXEC msdb.dbo.sp_detach_schedule NULL, N'Night''ly', 3, NULL, 0", "go",
                  "EXEC msdb.dbo.sp_attach_schedule NULL, N'Night''ly', 1", "go",
                  "EXEC msdb.dbo.sp_attach_schedule NULL, N'Night''ly', 3", "go"}));
    h.startStepIndex = 1;
    EXPECT_TRUE(AlterScript(h, {}, now, loaded)[0].contains(", NULL, 2, '[Uncategorized"));
}

TEST(JobsStatementText, AlterOnSqlServer2000DeletesByFormerName)
{
    JobHeader h = Header(8);
    const QList<JobScheduleRow> loaded{Schedule("1", "o'ld")};
    const QList<JobScheduleRow> now{Schedule("1", "new")};
    const QStringList lines = AlterScript(h, {}, now, loaded);
    ASSERT_EQ(lines.size(), 8);
    EXPECT_EQ(lines[4], "EXEC msdb.dbo.sp_delete_jobschedule NULL, N'Night''ly', 'o''ld'");
    EXPECT_EQ(lines[6], "EXEC msdb.dbo.sp_add_jobschedule @job_name = N'Night''ly', @name = N'new', @enabled = 1, "
                        "@freq_type = 128");
}

TEST(JobsStatementText, Drop)
{
    EXPECT_EQ(DropScript(Header(9)),
              (QStringList{"EXEC msdb.dbo.sp_delete_job @job_name = N'Night''ly', @delete_unused_schedule = 0", "go"}));
    EXPECT_EQ(DropScript(Header(8)), (QStringList{"EXEC msdb.dbo.sp_delete_job @job_name = N'Night''ly'", "go"}));
}
