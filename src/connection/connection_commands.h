#pragma once
// Joins the connection windows to the main window: the log-on dialog opens a connection
// window in the main window's MDI area, and the commands that need a connection's session
// (the SQL window) open their windows on the current connection.
namespace qv {

class TfrmMain;

void InstallConnectionCommands(TfrmMain& main);

} // namespace qv
