#include "admin/jobs/jobs_statement_text.h"

#include "app/qvstrings.h"

namespace qv::jobs {

namespace {
const QString kGo = QStringLiteral("go");

QString N(const QString& text) { return QStringLiteral("N") + QuoteLiteral(text); }

QString DescriptionArg(const QString& description)
{
    return description.isEmpty() ? QStringLiteral("NULL, ") : N(description) + QStringLiteral(", ");
}

QString StepLine(const char* param, const QString& value)
{
    return QStringLiteral("    %1 = %2,").arg(QString::fromLatin1(param).leftJustified(19), value);
}
} // namespace

QStringList StepActionTexts()
{
    return {QStringLiteral("次のステップに進む"), QStringLiteral("成功を報告して終了"), QStringLiteral("失敗を報告して終了"),
            QStringLiteral("指定ステップに進む")};
}

int StepActionCode(const QString& text)
{
    if (text == QStringLiteral("成功を報告して終了"))
        return 1;
    if (text == QStringLiteral("失敗を報告して終了"))
        return 2;
    if (text == QStringLiteral("次のステップに進む"))
        return 3;
    if (text == QStringLiteral("指定ステップに進む"))
        return 4;
    return 0;
}

QString StepActionText(int code)
{
    switch (code) {
    case 1: return QStringLiteral("成功を報告して終了");
    case 2: return QStringLiteral("失敗を報告して終了");
    case 3: return QStringLiteral("次のステップに進む");
    case 4: return QStringLiteral("指定ステップに進む");
    default: return {};
    }
}

ScheduleValues ValuesOfRow(const JobScheduleRow& row)
{
    ScheduleValues v;
    v.enabled = row.Cell(13) == QStringLiteral("1");
    v.unit = row.Cell(2);
    v.interval = row.Cell(3);
    v.dayOfMonth = row.Cell(4);
    v.week = row.Cell(5);
    v.relativeDay = row.Cell(6);
    v.dayMask = row.dayMask;
    v.subdayInterval = row.Cell(7);
    v.subdayType = row.Cell(8);
    v.startDate = QString(row.Cell(9)).remove(QLatin1Char('/'));
    v.startTime = QString(row.Cell(10)).remove(QLatin1Char(':'));
    v.endDate = QString(row.Cell(11)).remove(QLatin1Char('/'));
    v.endTime = QString(row.Cell(12)).remove(QLatin1Char(':'));
    return v;
}

JobScheduleRow RowOfSchedule(const QString& id, const QString& name, const DecodedSchedule& d)
{
    JobScheduleRow r;
    r.cells[0] = id;
    r.cells[1] = name;
    r.cells[2] = d.unit;
    r.cells[3] = d.interval;
    r.cells[4] = d.dayOfMonth;
    r.cells[5] = d.week;
    r.cells[6] = d.daysText;
    r.cells[7] = d.subdayInterval;
    r.cells[8] = d.subdayType;
    r.cells[9] = d.startDate;
    r.cells[10] = d.startTime;
    r.cells[11] = d.endDate;
    r.cells[12] = d.endTime;
    r.cells[13] = d.enabled ? QStringLiteral("1") : QStringLiteral("0");
    r.dayMask = d.dayMask;
    r.changed = false;
    return r;
}

QStringList StepStatements(const JobHeader& job, const QList<JobStepRow>& steps)
{
    QStringList lines;
    for (const JobStepRow& s : steps) {
        if (s.name.isEmpty())
            continue;
        lines << QStringLiteral("EXEC msdb.dbo.sp_add_jobstep @job_name = ") + N(job.name) +
                     QStringLiteral(", @step_name = ") + N(s.name) + QStringLiteral(",");
        if (!s.type.isEmpty() && s.type != QStringLiteral("TSQL"))
            lines << QStringLiteral("@subsystem = ") + QuoteLiteral(s.type) + QStringLiteral(",");
        if (!s.command.isEmpty())
            lines << StepLine("@command", N(s.command));
        int success = StepActionCode(s.onSuccess);
        if (success == 4 && s.successStep.isEmpty())
            success = 1;
        if (success != 2 && success != 3 && success != 4)
            success = 1;
        if (success != 1)
            lines << StepLine("@on_success_action", QString::number(success));
        if (success == 4)
            lines << StepLine("@on_success_step_id", NumberArg(s.successStep));
        int fail = StepActionCode(s.onFail);
        if (fail == 4 && s.failStep.isEmpty())
            fail = 2;
        if (fail != 1 && fail != 3 && fail != 4)
            fail = 2;
        if (fail != 2)
            lines << StepLine("@on_fail_action", QString::number(fail));
        if (fail == 4)
            lines << StepLine("@on_fail_step_id", NumberArg(s.failStep));
        if (!s.database.isEmpty() && s.database != QStringLiteral("master"))
            lines << StepLine("@database_name", N(s.database));
        if (!s.user.isEmpty())
            lines << StepLine("@database_user_name", N(s.user));
        if (!s.retryAttempts.isEmpty() && s.retryAttempts != QStringLiteral("0"))
            lines << StepLine("@retry_attempts", NumberArg(s.retryAttempts));
        if (!s.retryInterval.isEmpty() && s.retryInterval != QStringLiteral("0"))
            lines << StepLine("@retry_interval", NumberArg(s.retryInterval));
        lines.last().chop(1);
        lines << kGo;
    }
    return lines;
}

QStringList ScheduleStatements(const JobHeader& job, const QList<JobScheduleRow>& schedules)
{
    QStringList lines;
    for (const JobScheduleRow& r : schedules) {
        if (r.Cell(1).isEmpty())
            continue;
        const ScheduleValues values = ValuesOfRow(r);
        if (!r.Cell(0).isEmpty() && job.version >= 9) {
            lines << QStringLiteral("EXEC msdb.dbo.sp_attach_schedule NULL, ") + N(job.name) + QStringLiteral(", ") +
                         NumberArg(r.Cell(0))
                  << kGo;
            if (r.changed)
                lines << ScheduleParamLines(QStringLiteral("EXEC msdb.dbo.sp_update_schedule @schedule_id = ") +
                                                QuoteLiteral(r.Cell(0)) + QStringLiteral(", @new_name = ") +
                                                N(r.Cell(1)) + QStringLiteral(", "),
                                            values, ScheduleForm::Grid);
        } else {
            lines << ScheduleParamLines(QStringLiteral("EXEC msdb.dbo.sp_add_jobschedule @job_name = ") + N(job.name) +
                                            QStringLiteral(", @name = ") + N(r.Cell(1)) + QStringLiteral(", "),
                                        values, ScheduleForm::Grid);
        }
    }
    return lines;
}

QStringList CreateScript(const JobHeader& job, const QList<JobStepRow>& steps, const QList<JobScheduleRow>& schedules)
{
    QStringList lines;
    lines << QStringLiteral("EXEC msdb.dbo.sp_add_job ") + N(job.name) + QStringLiteral(", ") +
                 (job.enabled ? QStringLiteral("1, ") : QStringLiteral("0, ")) + DescriptionArg(job.description) +
                 QStringLiteral("1, ") + QuoteLiteral(job.category) + QStringLiteral(", NULL, ") + N(job.login)
          << kGo;
    lines << StepStatements(job, steps);
    lines << ScheduleStatements(job, schedules);
    if (job.startStepIndex > 0)
        lines << QStringLiteral("EXEC msdb.dbo.sp_update_job @job_name = ") + N(job.name) +
                     QStringLiteral(", @start_step_id = ") + QString::number(job.startStepIndex + 1)
              << kGo;
    lines << QStringLiteral("EXEC msdb.dbo.sp_add_jobserver NULL, ") + N(job.name) + QStringLiteral(", N'(LOCAL)'")
          << kGo;
    return lines;
}

QStringList AlterScript(const JobHeader& job, const QList<JobStepRow>& steps, const QList<JobScheduleRow>& schedules,
                        const QList<JobScheduleRow>& loaded)
{
    QStringList lines;
    const QString startStep =
        job.startStepIndex == -1 ? QStringLiteral("1") : QString::number(job.startStepIndex + 1);
    lines << QStringLiteral("EXEC msdb.dbo.sp_update_job NULL, ") + N(job.name) + QStringLiteral(", NULL, ") +
                 (job.enabled ? QStringLiteral("1, ") : QStringLiteral("0, ")) + DescriptionArg(job.description) +
                 startStep + QStringLiteral(", ") + QuoteLiteral(job.category) + QStringLiteral(", ") + N(job.login)
          << kGo;
    lines << QStringLiteral("EXEC msdb.dbo.sp_delete_jobstep NULL, ") + N(job.name) + QStringLiteral(", 0") << kGo;
    lines << StepStatements(job, steps);
    for (int r = 0; r < loaded.size(); ++r) {
        const JobScheduleRow& old = loaded[r];
        if (job.version < 9) {
            lines << QStringLiteral("EXEC msdb.dbo.sp_delete_jobschedule NULL, ") + N(job.name) + QStringLiteral(", ") +
                         QuoteLiteral(old.Cell(1))
                  << kGo;
        } else if (r >= schedules.size() || (schedules[r].Cell(0) != old.Cell(0) && !old.Cell(0).isEmpty())) {
            lines << QStringLiteral("EXEC msdb.dbo.sp_detach_schedule NULL, ") + N(job.name) + QStringLiteral(", ") +
                         NumberArg(old.Cell(0)) + QStringLiteral(", NULL, 0")
                  << kGo;
        }
    }
    lines << ScheduleStatements(job, schedules);
    return lines;
}

QStringList DropScript(const JobHeader& job)
{
    QString line = QStringLiteral("EXEC msdb.dbo.sp_delete_job @job_name = ") + N(job.name);
    if (job.version >= 9)
        line += QStringLiteral(", @delete_unused_schedule = 0");
    return {line, kGo};
}

} // namespace qv::jobs

namespace qv::jobs {

namespace {
const QList<QPair<QString, QString>>& Categories()
{
    static const QList<QPair<QString, QString>> pairs{
        {QStringLiteral("[Uncategorized (Local)]"), QStringLiteral("[未カテゴリ化 (ローカル)]")},
        {QStringLiteral("Database Engine Tuning Advisor"), QStringLiteral("データベース エンジン チューニング アドバイザ")},
        {QStringLiteral("Database Maintenance"), QStringLiteral("データベースのメンテナンス")},
        {QStringLiteral("Full-Text"), QStringLiteral("フルテキスト")},
        {QStringLiteral("Jobs from MSX"), QStringLiteral("MSX からのジョブ")},
        {QStringLiteral("Log Shipping"), QStringLiteral("ログ配布")},
        {QStringLiteral("REPL-Alert Response"), QStringLiteral("REPL-警告応答")},
        {QStringLiteral("REPL-Checkup"), QStringLiteral("REPL-照合")},
        {QStringLiteral("REPL-Distribution"), QStringLiteral("REPL-ディストリビューション")},
        {QStringLiteral("REPL-Distribution Cleanup"), QStringLiteral("REPL-ディストリビューション クリーンアップ")},
        {QStringLiteral("REPL-History Cleanup"), QStringLiteral("REPL-履歴クリーンアップ")},
        {QStringLiteral("REPL-Merge"), QStringLiteral("REPL-マージ")},
        {QStringLiteral("REPL-Snapshot"), QStringLiteral("REPL-スナップショット")},
        {QStringLiteral("REPL-Subscription Cleanup"), QStringLiteral("REPL-サブスクリプション クリーンアップ")},
        {QStringLiteral("[Uncategorized (Multi-Server)]"), QStringLiteral("[未カテゴリ化 (マルチサーバー)]")},
    };
    return pairs;
}
} // namespace

QString CategoryJa(const QString& msdbName)
{
    for (const auto& p : Categories())
        if (p.first == msdbName)
            return p.second;
    return msdbName;
}

QString CategoryEn(const QString& caption)
{
    for (const auto& p : Categories())
        if (p.second == caption)
            return p.first;
    return caption;
}

QString JobLoginQuery(int version)
{
    if (version < 9)
        return QStringLiteral("use [master]\r\n"
                              "select o.loginname from syslogins as o\r\n"
                              "where not o.name in (N'##MS_SQLResourceSigningCertificate##', "
                              "N'##MS_SQLReplicationSigningCertificate##',\r\n"
                              "N'##MS_SQLAuthenticatorCertificate##', N'##MS_AgentSigningCertificate##')\r\n"
                              "order by o.loginname");
    return QStringLiteral("use [master]\r\n"
                          "select o.name\r\n"
                          "from sys.server_principals o\r\n"
                          "where o.type in ('U', 'G', 'S', 'C', 'K')\r\n"
                          "AND o.principal_id not between 101 and 255\r\n"
                          "AND o.name <> N'##MS_AgentSigningCertificate##'\r\n"
                          "order by o.name");
}

QString JobHeaderQuery()
{
    return QStringLiteral(
        "set nocount on create table #Categorytemp (category_id int NOT NULL, ceatgory_type sysname NOT NULL, name "
        "sysname NOT NULL)\r\n"
        "insert into #Categorytemp (category_id, ceatgory_type, name) exec msdb.dbo.sp_help_category 'JOB'\r\n"
        "select suser_sname(jobs.owner_sid), Cat.name, jobs.description, jobs.enabled, start_step_id\r\n"
        "FROM msdb.dbo.sysjobs AS jobs\r\n"
        "inner join #Categorytemp Cat on jobs.category_id = Cat.category_id\r\n"
        "where jobs.name = :NAME\r\n"
        "drop table #Categorytemp set nocount off");
}

QString JobStepQuery() { return QStringLiteral("EXEC msdb.dbo.sp_help_jobstep NULL, :JOBNAME, :JOBNUMB"); }

QString JobCategoryQuery() { return QStringLiteral("EXEC msdb.dbo.sp_help_category 'JOB'"); }

QString JobDeleteStatement(const QString& jobName)
{
    return QStringLiteral("EXEC msdb.dbo.sp_delete_job NULL, ") + N(jobName);
}

} // namespace qv::jobs
