#pragma once
// The one mapping between the Japanese schedule texts of the job window's schedule grid and of
// the shared schedule window and SQL Server Agent's msdb schedule columns: the parameter lines
// that carry a schedule into sp_add_jobschedule / sp_add_schedule / sp_update_schedule /
// sp_update_jobschedule, and the decoding of a schedule row read from msdb. No window.
#include <QString>
#include <QStringList>

namespace qv::jobs {

// The unit texts (freq_type) in the order of every list that offers them.
QStringList UnitTexts();
// 1, 4, 8, 16, 32, 64, 128 for the unit texts; 1 for any other text.
int FreqTypeOfUnit(const QString& unit);
// The unit text of a freq_type; empty for an unknown value.
QString UnitOfFreqType(int freqType);
// Daily, weekly, monthly by date, monthly relative.
bool IsRecurringUnit(const QString& unit);
// "SQLServerAgent起動時" and "CPUアイドル時": no start date or time.
bool IsStartlessUnit(const QString& unit);

// Week of a monthly relative schedule ("第1週" 1 … "最終週" 16); 0 for another text.
QStringList WeekTexts();
int WeekCode(const QString& text);
// 1, 2, 4, 8 as in the table, any other value "最終週".
QString WeekTextOfCode(int code);
// Day of a monthly relative schedule ("日曜日" 1 … "土日" 10); 0 for another text.
QStringList RelativeDayTexts();
int RelativeDayCode(const QString& text);
// 1 to 9 as in the table, any other value "土日".
QString RelativeDayTextOfCode(int code);
// Subday type: "1回のみ" 1, "分指定" 4, "時間指定" 8; 0 for another text.
QStringList SubdayTexts(); // in the order of the lists: "1回のみ", "時間指定", "分指定"
int SubdayCode(const QString& text);
// 1, 4, 8 to their texts; empty for another value.
QString SubdayTextOfCode(int code);

// The long day names "日曜日" … "土曜日" (weekly boxes and the day dialog) and their bits.
QStringList WeekDayNames();
int WeekDayBit(int index); // 0 = Sunday: 1, 2, 4, … 64
// The short names ("日", "月", …) of the days of a weekly mask joined by ", ".
QString DaysText(int mask);

// yyyymmdd to "yyyy/mm/dd" and hhmmss (no leading zero needed) to "hh:mm:ss".
QString DateText(const QString& yyyymmdd);
QString TimeText(const QString& hhmmss);

// A schedule's values as texts, as the grid row or the window's controls hold them. Dates and
// times are the digits written (yyyymmdd, hhmmss), empty for none.
struct ScheduleValues {
    bool enabled = true;
    QString unit;
    QString interval;
    QString dayOfMonth;
    QString week;
    QString relativeDay;
    int dayMask = 0;
    QString subdayType;
    QString subdayInterval;
    QString startDate, startTime, endDate, endTime;
};

enum class ScheduleForm {
    Grid,   // job window's schedule grid: CPU idle line ends with a blank, "go" after the statement
    Window, // shared schedule window: no "go" (the caller ends the batch)
};

// The statement: the head (ending in ", ") continued by the parameter lines. A value cell that is
// not a plain integer is written as a string literal, so a typed cell can never add SQL of its
// own; the server converts or rejects it.
QStringList ScheduleParamLines(const QString& head, const ScheduleValues& v, ScheduleForm form,
                               bool newIdOutput = false);

// A schedule row read from msdb (the integer columns as the driver returns them).
struct MsdbSchedule {
    QString enabled;
    int freqType = 0, freqInterval = 0, freqSubdayType = 0, freqSubdayInterval = 0;
    int freqRelativeInterval = 0, freqRecurrenceFactor = 0;
    QString activeStartDate, activeEndDate, activeStartTime, activeEndTime;
};

// The decoded texts: dates "yyyy/mm/dd", times "hh:mm:ss"; dayMask with the day text (without
// its last ", ") for a weekly row.
struct DecodedSchedule {
    bool enabled = false;
    QString unit;
    QString interval;
    QString dayOfMonth;
    QString week;
    QString relativeDay;
    int dayMask = 0;
    QString daysText; // weekly: DaysText(mask); monthly relative: the day text
    QString subdayType;
    QString subdayInterval;
    QString startDate, startTime, endDate, endTime;
};
DecodedSchedule DecodeSchedule(const MsdbSchedule& row);

// A number cell as written into a statement: a plain (optionally signed) integer as it is,
// anything else as a string literal.
QString NumberArg(const QString& text);

} // namespace qv::jobs
