#include "admin/jobs/jobs_grid_text.h"

#include "admin/jobs/jobs_schedule_text.h"
#include "app/qvstrings.h"

namespace qv::jobs {

QStringList StepHeaders()
{
    return {QStringLiteral(" "), QStringLiteral("名前"), QStringLiteral("種類"), QStringLiteral("データベース"),
            QStringLiteral("ユーザー"), QStringLiteral("コマンド"), QStringLiteral("成功時"),
            QStringLiteral("ステップ指定"), QStringLiteral("失敗時"), QStringLiteral("ステップ指定"),
            QStringLiteral("再試行回数"), QStringLiteral("再試行間隔")};
}

QStringList ScheduleHeaders()
{
    return {QStringLiteral(" ID"), QStringLiteral("名前"), QStringLiteral("単位"), QStringLiteral("間隔"),
            QStringLiteral("日付"), QStringLiteral("週"), QStringLiteral("曜日"), QStringLiteral("頻度"),
            QStringLiteral("間隔"), QStringLiteral("開始日"), QStringLiteral("開始時間"), QStringLiteral("終了日"),
            QStringLiteral("終了時間"), QStringLiteral("有効")};
}

const int* StepWidths()
{
    static const int w[StepColCount] = {20, 150, 80, 150, 80, 150, 140, 90, 140, 90, 80, 80};
    return w;
}

const int* ScheduleWidths()
{
    static const int w[ScheduleColCount] = {50, 100, 120, 50, 50, 50, 100, 100, 70, 90, 60, 90, 60, 50};
    return w;
}

bool StepCellEditable(int col, const QString& type, const QString& onSuccess, const QString& onFail)
{
    if (!type.isEmpty() && type != QStringLiteral("TSQL"))
        return false;
    const QString jump = QStringLiteral("指定ステップに進む");
    switch (col) {
    case scType: return false;
    case scSuccessStep: return onSuccess == jump;
    case scFailStep: return onFail == jump;
    default: return true;
    }
}

bool ScheduleCellEditable(int col, const QString& unit, const QString& subdayType, int version)
{
    const bool recurring = IsRecurringUnit(unit);
    switch (col) {
    case hcId: return version >= 9;
    case hcName:
    case hcUnit: return true;
    case hcInterval:
    case hcSubdayType: return recurring;
    case hcDayOfMonth: return unit == QStringLiteral("月ごと(日付指定)");
    case hcWeek: return unit == QStringLiteral("月ごと(相対指定)");
    case hcDays: return unit == QStringLiteral("週ごと") || unit == QStringLiteral("月ごと(相対指定)");
    case hcSubdayInterval:
        return recurring && (subdayType == QStringLiteral("時間指定") || subdayType == QStringLiteral("分指定"));
    case hcStartDate:
    case hcStartTime: return !IsStartlessUnit(unit);
    case hcEndDate:
    case hcEndTime:
        return unit != QStringLiteral("1回のみ") && !IsStartlessUnit(unit) && subdayType != QStringLiteral("1回のみ");
    default: return false;
    }
}

QString StepUserQuery(int version)
{
    return version >= 9 ? QStringLiteral("SELECT name FROM sys.database_principals")
                        : QStringLiteral("SELECT name FROM sysusers");
}

QString JobStepsQuery() { return QStringLiteral("EXEC msdb.dbo.sp_help_jobstep NULL, :JOBNAME"); }

QString JobSchedulesQuery() { return QStringLiteral("EXEC msdb.dbo.sp_help_jobschedule Null, :JOBNAME"); }

QString SharedScheduleLookupQuery()
{
    return QStringLiteral(
        "create table #tmp_sp_help_schedule\r\n"
        "(schedule_id int null, schedule_uid uniqueidentifier null, schedule_name nvarchar(128) null,\r\n"
        "enabled int null, freq_type int null, freq_interval int null, freq_subday_type int null,\r\n"
        "freq_subday_interval int null, freq_relative_interval int null, freq_recurrence_factor int null,\r\n"
        "active_start_date int null, active_end_date int null, active_start_time int null, active_end_time int null,\r\n"
        "date_created datetime null, schedule_description nvarchar(4000) null, job_count int null)\r\n"
        "insert into #tmp_sp_help_schedule exec msdb.dbo.sp_help_schedule\r\n"
        "select schedule_id, schedule_name, enabled, freq_type, freq_interval, freq_subday_type, freq_subday_interval,\r\n"
        "freq_relative_interval, freq_recurrence_factor, active_start_date, active_end_date,\r\n"
        "active_start_time, active_end_time, schedule_uid from #tmp_sp_help_schedule\r\n"
        "where schedule_id Like :ID2\r\n"
        "drop table #tmp_sp_help_schedule");
}

} // namespace qv::jobs

namespace qv::jobs {

QString StepCommandOnOk(const QString& text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines) {
        const bool cr = line.endsWith(QLatin1Char('\r'));
        const QString body = cr ? line.chopped(1) : line;
        if (body.compare(QStringLiteral("go"), Qt::CaseInsensitive) == 0)
            line = QStringLiteral("go ") + (cr ? QStringLiteral("\r") : QString());
    }
    return lines.join(QLatin1Char('\n'));
}

QStringList StepAnalysisPrologue(const QString& database)
{
    return {QStringLiteral("USE ") + QuoteIdentifier(database.isEmpty() ? QStringLiteral("master") : database, true),
            QStringLiteral("SET NOEXEC ON")};
}

} // namespace qv::jobs
