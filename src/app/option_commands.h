#pragma once
// The main window's commands for the options dialogs, the support information and the
// product news, and the news check at start.
namespace qv {

class TfrmMain;
class NewsCheck;

// Installs the handlers of actToolOption, actToolEditorOption, actHelpSupport and mnuQvInfo
// and, when CheckInternet is on, starts the news check. Returns the news check (owned by w).
NewsCheck* InstallOptionCommands(TfrmMain& w);

} // namespace qv
