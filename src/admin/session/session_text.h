#pragma once
// Window-free text of the processes and locks windows and of the statistics dialog: the
// statements they send (SQL Server 2000 and later: master..sysprocesses, syslockinfo,
// sysindexes), the texts of their list rows and the log-on of the second session that the
// processes and locks windows open for each reading.
#include <QString>
#include <QStringList>

namespace qv::db {
class ParamList;
}

namespace qv::sessiontext {

// The database filter's first item: every database.
QString AllDatabases();

// ---- the second session ---------------------------------------------------------------------

// The log-on facts of the connection window whose log-on the second session repeats.
struct Logon {
    QString applicationName;  // the program's file name without its folder
    QString login;            // the session's login ("" under Windows authentication)
    QString password;
    QString server;
    QString database;
    bool windowsAuth = false;
    bool azure = false;
};
// Fills the parameters of the second session from the log-on: Windows authentication leaves
// login and password empty; an Azure connection logs on as login@server with a password.
void SetSecondSessionParams(db::ParamList& params, const Logon& logon);

// "select @@SPID": the second session's own process id.
QString OwnSpidSql();
// "dbcc inputbuffer (<spid>)" of a list caption; "" when the caption is no process id.
QString InputBufferSql(const QString& caption);
// The statement text of one dbcc inputbuffer answer as a list line: CR LF (and lone line
// breaks) become blanks.
QString OneLine(const QString& text);

// ---- processes ------------------------------------------------------------------------------

struct ProcessFilter {
    bool user = true;        // user processes shown
    bool background = false; // background processes shown
    QString database;        // "" or AllDatabases(): every database
};
// The process list of master..sysprocesses without the second session's own process.
QString ProcessListSql(const ProcessFilter& filter, int ownSpid);
// A process id as the list's caption ("%8d": numeric order is text order).
QString SpidCaption(qint64 spid);
// The OS user column: domain\user, or the user alone without a domain.
QString OsUser(const QString& domain, const QString& user);
// The program column: the file-name part of the program name.
QString ProgramName(const QString& program);
// "KILL <spid>" of a list caption; "" when the caption is no process id.
QString KillSql(const QString& caption);

// ---- locks ----------------------------------------------------------------------------------

// The lock list; `filtered`: one database, given as the parameter :DATABASE.
QString LockListSql(bool filtered);
// The texts of syslockinfo's rsc_type and req_mode.
QString ResourceTypeText(int type);
QString RequestModeText(int mode);
// A blocking process id or a waiting time: empty for 0.
QString NonZeroText(const QString& value);

// ---- statistics -----------------------------------------------------------------------------

enum class StatMode { Exact, Estimated, Delete };
// The names of the index and statistics entries of one table or view (:NAME, :OWNER), led by
// the use line of its database. Version 9 on reads the schema from sys.schemas.
QString StatNamesSql(const QString& database, int version);
// The statement of one table or view for the exact or estimated mode; "" when the estimated
// mode has no sample (empty, or not a whole number above 0).
QString UpdateStatisticsSql(const QString& database, const QString& schema, const QString& name, StatMode mode,
                            const QString& sample, bool percent);
// The removal of one statistics entry of a table or view.
QString DropStatisticsSql(const QString& database, const QString& schema, const QString& table,
                          const QString& statistics);
// The sample field after choosing percent: a number above 100 becomes "100".
QString PercentSample(const QString& sample);

} // namespace qv::sessiontext
