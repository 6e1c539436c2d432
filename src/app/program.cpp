#include "app/program.h"

#include "app/application.h"
#include "app/globals.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "connection/connection_commands.h"
#include "platform/registry.h"

#include <QTimer>

namespace qv {

int runProgram(int argc, char** argv)
{
    TqvApplication app(argc, argv);
    // Process-wide state: folders (created when missing) and the settings store.
    InitGlobals();
    Registry().KeyExists(SettingsRootKey); // reads the settings file now

    TfrmMain w;
    InstallConnectionCommands(w);
    w.show();

    // A settings file that could not be read was set aside; say so once, over the main window.
    QTimer::singleShot(0, &app, [] {
        const QString notice = TRegistry::TakeStoreNotice();
        if (!notice.isEmpty())
            ShowMessageBox(notice, MB_ICONWARNING);
    });
    const int rc = app.exec();
    Registry().CloseKey();
    Registry().Flush();
    return rc;
}

} // namespace qv
