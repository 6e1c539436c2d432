// The schedule encoding: the parameter lines of every unit in both forms, the code tables both
// ways, and the decoding of msdb rows (round trips through the grid row).
#include "admin/jobs/jobs_schedule_text.h"
#include "admin/jobs/jobs_statement_text.h"

#include "support/modal_helper.h"

#include <gtest/gtest.h>

using namespace qv::jobs;

namespace {
const QString Head = "EXEC msdb.dbo.sp_add_jobschedule @job_name = N'j', @name = N's', ";

ScheduleValues Values(const QString& unit)
{
    ScheduleValues v;
    v.unit = unit;
    v.interval = "2";
    v.dayOfMonth = "15";
    v.week = "第3週";
    v.relativeDay = "水曜日";
    v.dayMask = 34;
    v.subdayType = "1回のみ";
    v.subdayInterval = "1";
    v.startDate = "20240131";
    v.startTime = "093000";
    v.endDate = "99991231";
    v.endTime = "235959";
    return v;
}
} // namespace

TEST(JobsScheduleText, EveryUnitInGridForm)
{
    const QString start = "    @active_start_date      = 20240131,";
    const QString startTime = "    @active_start_time      = 093000";
    const QString once = "    @freq_subday_type       = 1,";
    const QString subInt = "    @freq_subday_interval   = 1,";
    const struct {
        QString unit;
        QStringList lines;
    } cases[] = {
        {"1回のみ", {Head + "@enabled = 1, @freq_type = 1,", start, startTime, "go"}},
        {"日ごと",
         {Head + "@enabled = 1, @freq_type = 4,", "    @freq_interval          = 2,", once, subInt, start, startTime,
          "go"}},
        {"週ごと",
         {Head + "@enabled = 1, @freq_type = 8,", "    @freq_interval          = 34,",
          "    @freq_recurrence_factor = 2,", once, subInt, start, startTime, "go"}},
        {"月ごと(日付指定)",
         {Head + "@enabled = 1, @freq_type = 16,", "    @freq_interval          = 15,",
          "    @freq_recurrence_factor = 2,", once, subInt, start, startTime, "go"}},
        {"月ごと(相対指定)",
         {Head + "@enabled = 1, @freq_type = 32,", "    @freq_interval          = 4,",
          "    @freq_relative_interval = 4,", "    @freq_recurrence_factor = 2,", once, subInt, start, startTime,
          "go"}},
        {"SQLServerAgent起動時", {Head + "@enabled = 1, @freq_type = 64", "go"}},
        {"CPUアイドル時", {Head + "@enabled = 1, @freq_type = 128", "go"}},
        {"unknown", {Head + "@enabled = 1, @freq_type = 1,", start, startTime, "go"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ScheduleParamLines(Head, Values(c.unit), ScheduleForm::Grid), c.lines) << c.unit.toStdString();
}

TEST(JobsScheduleText, WindowFormDiffersOnlyInCpuIdleGoAndNewId)
{
    ScheduleValues idle = Values("CPUアイドル時");
    idle.enabled = false;
    EXPECT_EQ(ScheduleParamLines(Head, idle, ScheduleForm::Window), QStringList{Head + "@enabled = 0, @freq_type = 128"});
    EXPECT_EQ(ScheduleParamLines(Head, idle, ScheduleForm::Window, true),
              (QStringList{Head + "@enabled = 0, @freq_type = 128,", "    @schedule_id            = @NewId output"}));
    // The grid form writes no id line.
    EXPECT_EQ(ScheduleParamLines(Head, idle, ScheduleForm::Grid, true),
              (QStringList{Head + "@enabled = 0, @freq_type = 128", "go"}));
}

TEST(JobsScheduleText, EndDateOnlyForRepeatsWithinTheDay)
{
    ScheduleValues v = Values("日ごと");
    v.subdayType = "時間指定";
    v.subdayInterval = "2";
    v.startTime = "080000";
    v.endTime = "180000";
    EXPECT_EQ(ScheduleParamLines(Head, v, ScheduleForm::Grid),
              (QStringList{Head + "@enabled = 1, @freq_type = 4,", "    @freq_interval          = 2,",
                           "    @freq_subday_type       = 8,", "    @freq_subday_interval   = 2,",
                           "    @active_start_date      = 20240131,", "    @active_start_time      = 080000,",
                           "    @active_end_date        = 99991231,", "    @active_end_time        = 180000", "go"}));
    v.subdayType = "分指定";
    EXPECT_TRUE(ScheduleParamLines(Head, v, ScheduleForm::Grid).contains("    @freq_subday_type       = 4,"));
    v.subdayType = "1回のみ";
    const QString text = ScheduleParamLines(Head, v, ScheduleForm::Grid).join('\n');
    EXPECT_FALSE(text.contains("@active_end_date"));
    EXPECT_FALSE(text.contains("@active_end_time"));
}

TEST(JobsScheduleText, EmptyAndUnknownValuesGiveNoLine)
{
    ScheduleValues v;
    v.unit = "月ごと(相対指定)";
    v.week = "第9週";
    v.relativeDay = "";
    v.subdayType = "??";
    EXPECT_EQ(ScheduleParamLines(Head, v, ScheduleForm::Grid),
              (QStringList{Head + "@enabled = 1, @freq_type = 32", "go"}));
    v.unit = "週ごと";
    v.dayMask = 0;
    EXPECT_EQ(ScheduleParamLines(Head, v, ScheduleForm::Grid),
              (QStringList{Head + "@enabled = 1, @freq_type = 8", "go"}));
}

TEST(JobsScheduleText, RelativeCodes)
{
    ScheduleValues v = Values("月ごと(相対指定)");
    v.week = "最終週";
    v.relativeDay = "平日";
    QString text = ScheduleParamLines(Head, v, ScheduleForm::Grid).join('\n');
    EXPECT_TRUE(text.contains("@freq_interval          = 9,"));
    EXPECT_TRUE(text.contains("@freq_relative_interval = 16,"));
    v.relativeDay = "土日";
    text = ScheduleParamLines(Head, v, ScheduleForm::Grid).join('\n');
    EXPECT_TRUE(text.contains("@freq_interval          = 10,"));
    const QStringList weeks = WeekTexts();
    const int weekCodes[] = {1, 2, 4, 8, 16};
    for (int i = 0; i < weeks.size(); ++i) {
        EXPECT_EQ(WeekCode(weeks[i]), weekCodes[i]);
        EXPECT_EQ(WeekTextOfCode(weekCodes[i]), weeks[i]);
    }
    EXPECT_EQ(WeekTextOfCode(3), "最終週");
    for (int code = 1; code <= 10; ++code)
        EXPECT_EQ(RelativeDayCode(RelativeDayTextOfCode(code)), code);
    EXPECT_EQ(RelativeDayTextOfCode(0), "土日");
}

TEST(JobsScheduleText, TypedCellsCannotAddSql)
{
    ScheduleValues v = Values("日ごと");
    v.interval = "1; DROP TABLE t --";
    v.startDate = "2024-01'31";
    const QString text = ScheduleParamLines(Head, v, ScheduleForm::Grid).join('\n');
    EXPECT_TRUE(text.contains("    @freq_interval          = '1; DROP TABLE t --',"));
    EXPECT_TRUE(text.contains("    @active_start_date      = '2024-01''31',"));
    EXPECT_EQ(NumberArg("-5"), "-5");
    EXPECT_EQ(NumberArg(""), "''");
}

TEST(JobsScheduleText, DecodeEveryUnitAndRoundTripThroughTheGridRow)
{
    const struct {
        MsdbSchedule row;
        QString unit, interval, day, week, days;
        int mask;
    } cases[] = {
        {{"1", 1, 0, 1, 0, 0, 0, "20240131", "99991231", "93000", "235959"}, "1回のみ", "", "", "", "", 0},
        {{"1", 4, 3, 8, 2, 0, 0, "20240131", "99991231", "80000", "180000"}, "日ごと", "3", "", "", "", 0},
        {{"1", 8, 34, 1, 0, 0, 2, "20240131", "99991231", "93000", "235959"}, "週ごと", "2", "", "", "月, 金", 34},
        {{"0", 16, 15, 4, 30, 0, 3, "20240131", "99991231", "93000", "235959"}, "月ごと(日付指定)", "3", "15", "", "", 0},
        {{"1", 32, 9, 1, 0, 16, 1, "20240131", "99991231", "93000", "235959"}, "月ごと(相対指定)", "1", "", "最終週",
         "平日", 0},
        {{"1", 64, 0, 0, 0, 0, 0, "20240131", "99991231", "0", "235959"}, "SQLServerAgent起動時", "", "", "", "", 0},
        {{"1", 128, 0, 0, 0, 0, 0, "20240131", "99991231", "0", "235959"}, "CPUアイドル時", "", "", "", "", 0},
    };
    for (const auto& c : cases) {
        const DecodedSchedule d = DecodeSchedule(c.row);
        SCOPED_TRACE(c.unit.toStdString());
        EXPECT_EQ(d.unit, c.unit);
        EXPECT_EQ(d.interval, c.interval);
        EXPECT_EQ(d.dayOfMonth, c.day);
        EXPECT_EQ(d.week, c.week);
        EXPECT_EQ(d.daysText, c.days);
        EXPECT_EQ(d.dayMask, c.mask);
        EXPECT_EQ(d.enabled, c.row.enabled == "1");
        EXPECT_EQ(d.startDate, "2024/01/31");
        // Back through the grid row to the parameter lines: the msdb values come out again.
        const QString text = ScheduleParamLines(Head, ValuesOfRow(RowOfSchedule("7", "s", d)), ScheduleForm::Grid)
                                 .join('\n');
        EXPECT_TRUE(text.contains(QString("@freq_type = %1").arg(c.row.freqType)));
        if (c.row.freqType == 8 || c.row.freqType == 16 || c.row.freqType == 32) {
            EXPECT_TRUE(text.contains(QString("@freq_interval          = %1,").arg(c.row.freqInterval)));
            EXPECT_TRUE(text.contains(QString("@freq_recurrence_factor = %1,").arg(c.row.freqRecurrenceFactor)));
        }
        if (c.row.freqType == 32) {
            EXPECT_TRUE(text.contains(QString("@freq_relative_interval = %1,").arg(c.row.freqRelativeInterval)));
        }
        if (c.row.freqType == 4) {
            EXPECT_TRUE(text.contains("@freq_subday_type       = 8,"));
            EXPECT_TRUE(text.contains("@freq_subday_interval   = 2,"));
            EXPECT_TRUE(text.contains("@active_start_time      = 080000,"));
            EXPECT_TRUE(text.contains("@active_end_time        = 180000"));
        }
        if (c.row.freqType < 64) {
            EXPECT_TRUE(text.contains("@active_start_date      = 20240131,"));
        }
    }
}

TEST(JobsScheduleText, DatesTimesAndDays)
{
    EXPECT_EQ(TimeText("93000"), "09:30:00");
    EXPECT_EQ(TimeText("0"), "00:00:00");
    EXPECT_EQ(DateText("20240131"), "2024/01/31");
    EXPECT_EQ(DaysText(127), "日, 月, 火, 水, 木, 金, 土");
    EXPECT_EQ(DaysText(1), "日");
    EXPECT_EQ(SubdayTextOfCode(2), "");
    EXPECT_EQ(FreqTypeOfUnit("1回のみ"), 1);
    EXPECT_EQ(UnitOfFreqType(3), "");
    for (const QString& unit : UnitTexts())
        EXPECT_EQ(UnitOfFreqType(FreqTypeOfUnit(unit)), unit);
}
