#pragma once
#include <QStringList>

namespace qv {

class TfrmMain;

// Starts the program: application object, process-wide state, main window, event loop.
int runProgram(int argc, char** argv);

// The command-line arguments after the program name (argv[1..argc-1]) as given. Afterwards the
// password of a "/U=login/password@server" switch is wiped from argv itself, so process
// listings (ps, /proc/<pid>/cmdline) show "/U=login/@server" from then on.
QStringList TakeCommandLine(int argc, char** argv);

// Makes the main window show the settings store's notices (a damaged file set aside, a file
// that cannot be written, …) before it opens the log-on dialog: wraps its log-on handler.
void ShowStoreNoticeBeforeLogon(TfrmMain& w);

} // namespace qv
