#pragma once
// Process-wide state: the program's folders, the shared lists, the server-version override
// and the process's own date and time formats.
#include <QDateTime>
#include <QString>
#include <QStringList>

namespace qv {

// Folders, each ending in "/".
// The folder of the executable.
const QString& ProgramDir();
// The user's documents folder (XDG documents folder, else ~/Documents); the program folder when
// none can be determined.
const QString& DocumentsDir();
// The data folder: $XDG_DATA_HOME (else ~/.local/share) + "/Velmora/QVS22/", with USERCMD/,
// xlsdef/, DATAGEN/ and temp/ in it; the program folder when it cannot be created.
const QString& DataDir();

// Computes the folders and creates the missing ones. Runs once; the accessors call it.
void InitGlobals();

// The user's reserved words (settings key RESERVE), sorted ignoring case.
extern QStringList ReserveWordList;
// The SQL Server client-tools folder; empty when none was found.
extern QString ClientToolsDir;
// Looks for the SQL Server client tools in the machine settings and sets ClientToolsDir
// (left as it is when nothing is found).
void LookupClientTools();
// Server major version given on the command line ("/V="); 0 when none.
extern int ServerVersionOverride;
// Filter of the Excel file dialogs, set from the ExcelExt option at start.
extern QString ExcelFileFilter;

// ---- date and time formats ------------------------------------------------------------------
// The formats use the user-typed syntax of the DateFormat and TimeFormat options:
//   y/yy two-digit year, yyy/yyyy four-digit year; m/mm month (minutes right after an hour),
//   mmm/mmmm month name; d/dd day, ddd/dddd day name, ddddd short date, dddddd long date;
//   h/hh hour; n/nn minute; s/ss second; z/zzz milliseconds; am/pm, a/p, ampm;
//   t short time, tt long time, c short date + long time; "/" and ":" separators;
//   text in '...' or "..." is literal. Letters are case-insensitive.
struct DateTimeFormats {
    QString ShortDateFormat = QStringLiteral("yyyy/MM/dd");
    QString LongDateFormat = QStringLiteral("yyyy/MM/dd");
    QString ShortTimeFormat = QStringLiteral("H:mm");
    QString LongTimeFormat = QStringLiteral("H:mm:ss");
};
// The process's formats; every date-time to text conversion uses them.
extern DateTimeFormats FormatSettings;

// Copies the DateFormat option into the short and long date formats and the TimeFormat option
// into the short and long time formats.
void ApplyDateTimeFormats(const QString& dateFormat, const QString& timeFormat);

// Converts a format of the user syntax above into a QDateTime::toString format.
QString ToQtDateTimeFormat(const QString& format, const DateTimeFormats& settings = FormatSettings);

QString FormatDateTime(const QString& format, const QDateTime& value);
QString DateToStr(const QDate& value);
QString TimeToStr(const QTime& value);
// Short date and long time; the time is left out at midnight exactly.
QString DateTimeToStr(const QDateTime& value);

} // namespace qv
