#include "app/program.h"

#include "app/application.h"
#include "app/globals.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/option_commands.h"
#include "connection/connection_commands.h"
#include "platform/registry.h"

#include <cstring>
#include <strings.h>

namespace qv {

QStringList TakeCommandLine(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i) {
        char* a = argv[i];
        if (!a)
            continue;
        args << QString::fromLocal8Bit(a);
        if (::strncasecmp(a, "/U=", 3) != 0)
            continue;
        char* slash = std::strchr(a + 3, '/');
        if (!slash)
            continue;
        // Move "@server" over the password and clear the bytes left over.
        char* password = slash + 1;
        const size_t length = std::strlen(password);
        char* at = std::strchr(password, '@');
        const size_t kept = at ? length - size_t(at - password) : 0;
        std::memmove(password, password + (length - kept), kept);
        std::memset(password + kept, 0, length - kept);
    }
    return args;
}

void ShowStoreNoticeBeforeLogon(TfrmMain& w)
{
    TfrmMain::LogonHandler logon = w.logonHandler();
    w.setLogonHandler([logon](const LogonRequest& r) {
        const QString notice = TRegistry::TakeStoreNotice();
        if (!notice.isEmpty())
            ShowMessageBox(notice, MB_ICONWARNING);
        return logon ? logon(r) : false;
    });
}

int runProgram(int argc, char** argv)
{
    TqvApplication app(argc, argv);
    const QStringList args = TakeCommandLine(argc, argv);
    // Process-wide state: folders (created when missing) and the settings store.
    InitGlobals();
    Registry().KeyExists(SettingsRootKey); // reads the settings file now

    TfrmMain w;
    w.setCommandLineArguments(args);
    InstallConnectionCommands(w);
    InstallOptionCommands(w);
    // A settings file that could not be read was set aside: say so over the main window,
    // before the log-on dialog of the first paint.
    ShowStoreNoticeBeforeLogon(w);
    w.show();

    const int rc = app.exec();
    Registry().CloseKey();
    Registry().Flush();
    return rc;
}

} // namespace qv
