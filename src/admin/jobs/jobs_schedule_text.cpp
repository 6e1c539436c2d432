#include "admin/jobs/jobs_schedule_text.h"

#include "app/qvstrings.h"

#include <QRegularExpression>

namespace qv::jobs {

namespace {
const int kFreqTypes[] = {1, 4, 8, 16, 32, 64, 128};
const int kWeekCodes[] = {1, 2, 4, 8, 16};

QString Daily() { return QStringLiteral("日ごと"); }
QString Weekly() { return QStringLiteral("週ごと"); }
QString MonthlyDate() { return QStringLiteral("月ごと(日付指定)"); }
QString MonthlyRelative() { return QStringLiteral("月ごと(相対指定)"); }
QString AgentStart() { return QStringLiteral("SQLServerAgent起動時"); }
QString CpuIdle() { return QStringLiteral("CPUアイドル時"); }

// Removes the trailing character of the last line.
void CutLastChar(QStringList& lines)
{
    if (!lines.isEmpty() && !lines.last().isEmpty())
        lines.last().chop(1);
}
} // namespace

QStringList UnitTexts()
{
    return {QStringLiteral("1回のみ"), Daily(), Weekly(), MonthlyDate(), MonthlyRelative(), AgentStart(), CpuIdle()};
}

int FreqTypeOfUnit(const QString& unit)
{
    const int i = UnitTexts().indexOf(unit);
    return i < 0 ? 1 : kFreqTypes[i];
}

QString UnitOfFreqType(int freqType)
{
    const QStringList texts = UnitTexts();
    for (int i = 0; i < texts.size(); ++i)
        if (kFreqTypes[i] == freqType)
            return texts[i];
    return {};
}

bool IsRecurringUnit(const QString& unit)
{
    return unit == Daily() || unit == Weekly() || unit == MonthlyDate() || unit == MonthlyRelative();
}

bool IsStartlessUnit(const QString& unit) { return unit == AgentStart() || unit == CpuIdle(); }

QStringList WeekTexts()
{
    return {QStringLiteral("第1週"), QStringLiteral("第2週"), QStringLiteral("第3週"), QStringLiteral("第4週"),
            QStringLiteral("最終週")};
}

int WeekCode(const QString& text)
{
    const int i = WeekTexts().indexOf(text);
    return i < 0 ? 0 : kWeekCodes[i];
}

QString WeekTextOfCode(int code)
{
    for (int i = 0; i < 4; ++i)
        if (kWeekCodes[i] == code)
            return WeekTexts()[i];
    return WeekTexts().last();
}

QStringList RelativeDayTexts()
{
    return WeekDayNames() + QStringList{QStringLiteral("毎日"), QStringLiteral("平日"), QStringLiteral("土日")};
}

int RelativeDayCode(const QString& text) { return RelativeDayTexts().indexOf(text) + 1; }

QString RelativeDayTextOfCode(int code)
{
    const QStringList texts = RelativeDayTexts();
    return code >= 1 && code <= 9 ? texts[code - 1] : texts.last();
}

QStringList SubdayTexts() { return {QStringLiteral("1回のみ"), QStringLiteral("時間指定"), QStringLiteral("分指定")}; }

int SubdayCode(const QString& text)
{
    if (text == QStringLiteral("1回のみ"))
        return 1;
    if (text == QStringLiteral("分指定"))
        return 4;
    if (text == QStringLiteral("時間指定"))
        return 8;
    return 0;
}

QString SubdayTextOfCode(int code)
{
    switch (code) {
    case 1: return QStringLiteral("1回のみ");
    case 4: return QStringLiteral("分指定");
    case 8: return QStringLiteral("時間指定");
    default: return {};
    }
}

QStringList WeekDayNames()
{
    return {QStringLiteral("日曜日"), QStringLiteral("月曜日"), QStringLiteral("火曜日"), QStringLiteral("水曜日"),
            QStringLiteral("木曜日"), QStringLiteral("金曜日"), QStringLiteral("土曜日")};
}

int WeekDayBit(int index) { return 1 << index; }

QString DaysText(int mask)
{
    static const QString shortNames = QStringLiteral("日月火水木金土");
    QStringList parts;
    for (int i = 0; i < 7; ++i)
        if (mask & WeekDayBit(i))
            parts << shortNames.mid(i, 1);
    return parts.join(QStringLiteral(", "));
}

QString DateText(const QString& yyyymmdd)
{
    return yyyymmdd.mid(0, 4) + QLatin1Char('/') + yyyymmdd.mid(4, 2) + QLatin1Char('/') + yyyymmdd.mid(6, 2);
}

QString TimeText(const QString& hhmmss)
{
    const QString t = hhmmss.rightJustified(6, QLatin1Char('0'));
    return t.mid(0, 2) + QLatin1Char(':') + t.mid(2, 2) + QLatin1Char(':') + t.mid(4, 2);
}

QString NumberArg(const QString& text)
{
    static const QRegularExpression integer(QStringLiteral("^-?[0-9]+$"));
    return integer.match(text).hasMatch() ? text : QuoteLiteral(text);
}

QStringList ScheduleParamLines(const QString& head, const ScheduleValues& v, ScheduleForm form, bool newIdOutput)
{
    QStringList lines;
    const int freqType = FreqTypeOfUnit(v.unit);
    QString first = head + (v.enabled ? QStringLiteral("@enabled = 1, ") : QStringLiteral("@enabled = 0, "));
    if (freqType == 128 && form == ScheduleForm::Grid)
        first += QStringLiteral("@freq_type = 128 ");
    else
        first += QStringLiteral("@freq_type = %1,").arg(freqType);
    lines << first;

    auto add = [&lines](const char* param, const QString& value) {
        if (!value.isEmpty())
            lines << QStringLiteral("    %1 = %2,").arg(QString::fromLatin1(param).leftJustified(23), NumberArg(value));
    };
    auto addCode = [&lines](const char* param, int code) {
        if (code > 0)
            lines << QStringLiteral("    %1 = %2,").arg(QString::fromLatin1(param).leftJustified(23)).arg(code);
    };
    if (v.unit == Daily()) {
        add("@freq_interval", v.interval);
    } else if (v.unit == Weekly()) {
        addCode("@freq_interval", v.dayMask);
        add("@freq_recurrence_factor", v.interval);
    } else if (v.unit == MonthlyDate()) {
        add("@freq_interval", v.dayOfMonth);
        add("@freq_recurrence_factor", v.interval);
    } else if (v.unit == MonthlyRelative()) {
        addCode("@freq_interval", RelativeDayCode(v.relativeDay));
        addCode("@freq_relative_interval", WeekCode(v.week));
        add("@freq_recurrence_factor", v.interval);
    }
    const bool recurring = IsRecurringUnit(v.unit);
    if (recurring) {
        addCode("@freq_subday_type", SubdayCode(v.subdayType));
        add("@freq_subday_interval", v.subdayInterval);
    }
    if (!IsStartlessUnit(v.unit)) {
        add("@active_start_date", v.startDate);
        add("@active_start_time", v.startTime);
    }
    if (recurring && (v.subdayType == QStringLiteral("分指定") || v.subdayType == QStringLiteral("時間指定"))) {
        add("@active_end_date", v.endDate);
        add("@active_end_time", v.endTime);
    }
    if (form == ScheduleForm::Window && newIdOutput)
        lines << QStringLiteral("    @schedule_id            = @NewId output,");
    CutLastChar(lines);
    if (form == ScheduleForm::Grid)
        lines << QStringLiteral("go");
    return lines;
}

DecodedSchedule DecodeSchedule(const MsdbSchedule& row)
{
    DecodedSchedule d;
    d.unit = UnitOfFreqType(row.freqType);
    switch (row.freqType) {
    case 4: d.interval = QString::number(row.freqInterval); break;
    case 8:
        d.interval = QString::number(row.freqRecurrenceFactor);
        d.dayMask = row.freqInterval;
        d.daysText = DaysText(row.freqInterval);
        break;
    case 16:
        d.interval = QString::number(row.freqRecurrenceFactor);
        d.dayOfMonth = QString::number(row.freqInterval);
        break;
    case 32:
        d.interval = QString::number(row.freqRecurrenceFactor);
        d.week = WeekTextOfCode(row.freqRelativeInterval);
        d.relativeDay = RelativeDayTextOfCode(row.freqInterval);
        d.daysText = d.relativeDay;
        break;
    default: break;
    }
    d.enabled = row.enabled == QStringLiteral("1");
    d.startDate = DateText(row.activeStartDate);
    d.endDate = DateText(row.activeEndDate);
    d.subdayType = SubdayTextOfCode(row.freqSubdayType);
    if (row.freqSubdayType == 4 || row.freqSubdayType == 8)
        d.subdayInterval = QString::number(row.freqSubdayInterval);
    d.startTime = TimeText(row.activeStartTime);
    d.endTime = TimeText(row.activeEndTime);
    return d;
}

} // namespace qv::jobs
