#pragma once
// The main window's commands that open the windows of the other parts for the current
// connection, jump from a name in the SQL editor to the object's window, and start the SQL
// Server client tools. A command whose window has not been built yet opens the connection's
// "not available yet" window named after the window to come.
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

class QWidget;

namespace qv {

class IConnectionWindow;
class TfrmMain;
class TqvMemo;

namespace db {
class Connection;
}

// ---- windows -------------------------------------------------------------------------------

struct WindowCommand {
    const char* action;
    const char* windowClass;  // the class of the window the command opens
    bool needsConnection;
    bool single;              // an open window of the same caption comes forward instead
};
const QList<WindowCommand>& WindowCommands();
const WindowCommand* FindWindowCommand(const QString& action);
// The caption of the window of a command: its menu text without the access key and, for a
// window of a connection, " - " and the connection's text.
QString PendingWindowCaption(const QString& action, IConnectionWindow* conn);
// Opens the "not available yet" window of a command (or brings forward the open one of a
// single window); nullptr when the command opens no window or needs a connection and has none.
QWidget* OpenPendingWindow(TfrmMain& main, const QString& action, IConnectionWindow* conn);

// ---- tables-and-columns browser and SQL reference --------------------------------------------

struct FieldBrowserArgs {
    QString database, schema, table;
    bool operator==(const FieldBrowserArgs&) const = default;
};
// From an editor selection: brackets removed, split at "."; no part: the current database and
// schema; one part: the table; two: schema and table; three or more: database, schema, table.
FieldBrowserArgs FieldArgsFromText(const QString& selected, const QString& database, const QString& schema);
// For the focused control (an SQL editor's selection, a list's selected item with sub-items),
// empty values replaced by the connection's database and default schema.
FieldBrowserArgs FieldBrowserArgsFor(IConnectionWindow* conn, QWidget* focus);
// The word the SQL reference opens with: the SQL editor's selection, else empty.
QString TemplateSelectWord(QWidget* focus);

// ---- jump to definition -------------------------------------------------------------------

// The database of a name: the part before the first "." when another "." follows (brackets
// removed), else currentDatabase.
QString JumpDefinitionDatabase(const QString& name, const QString& currentDatabase);
// "use [db]" CR LF, then the sysobjects look-up of the whole name as an N'…' literal.
QString JumpDefinitionSQL(const QString& name, const QString& database, int serverVersion);
// Opens the object named by the editor's selection through the current connection and records
// it among the recent objects; every failure is swallowed.
void JumpToDefinition(TfrmMain& main, TqvMemo* memo);
// Runs a statement on a new query of the connection and returns its rows, NULL as a null
// QVariant and every other value as text. Raises the driver's error.
QList<QVariantList> RunRowQuery(db::Connection* connection, const QString& sql);

// ---- client tools ---------------------------------------------------------------------------

enum class ClientTool { ManagementStudio, Profiler, ImportWizard };

// 110, 100, 90 or 80 by the folder's version part ("/110/" or "\110\"), else 0.
int ClientToolsVersion(const QString& folder);
struct ClientToolPaths {
    QString ms, dts, spf;
    bool operator==(const ClientToolPaths&) const = default;
};
// The program files a client-tools version installs under the tools folder and the wizard
// folder (each ending in a separator); empty for version 0.
ClientToolPaths ClientToolCandidates(int version, const QString& toolsDir, const QString& wizardDir);
// Fills MS_EXE, DTS_EXE and SPF_EXE from the machine settings of the client tools, once: the
// MS_Cooperation option set means the stored paths stand.
void GetProgramPath();

struct ToolLaunch {
    QString program;
    QStringList arguments;   // given to the program as they are: no shell, no quoting
    bool asksPassword = false; // SQL Server log-on: the tool asks for the password itself
};
// The program and arguments of a tool for a connection: with automatic log-on "/E /S server"
// (Windows authentication) or "/U login /S server /D database"; never a password.
ToolLaunch ClientToolLaunch(ClientTool tool, const QString& program, bool autoLogon, bool windowsAuth,
                            const QString& login, const QString& server, const QString& database);
QString ClientToolQuestion(ClientTool tool);
// Asks, then starts the tool (the import wizard without log-on values).
void StartClientTool(ClientTool tool, IConnectionWindow* conn);
// What starts a program in the background; tests replace it.
std::function<bool(const QString& program, const QStringList& arguments)>& ClientToolStarter();

} // namespace qv
