#include "connection/connection_commands.h"

#include "app/globals.h"
#include "app/main_window.h"
#include "connection/logon_dialog.h"
#include "connection/object_script_commands.h"
#include "connection/object_window_actions.h"
#include "connection/object_window.h"
#include "connection/object_window_actions.h"
#include "sql/sql_window.h"
#include "sql/user_command_window.h"

#include <QPointer>

namespace qv {

void InstallConnectionCommands(TfrmMain& main)
{
    QPointer<TfrmMain> mainPtr(&main);
    TfrmLogon::ConnectionFactory = [mainPtr](const LogonValues& v) {
        if (!mainPtr)
            return;
        auto* w = new TfrmObject(nullptr, v.database, v.userId, v.password, v.server, {}, ServerVersionOverride);
        mainPtr->AddChildWindow(w);
    };
    main.setLogonHandler([mainPtr](const LogonRequest& r) {
        return TfrmLogon::ShowWindow(r.database, r.userId, r.password, r.server, r.autoPass, mainPtr.data());
    });
    TfrmMain::setCommandHandler(QStringLiteral("actViewSQL"), [mainPtr](IConnectionWindow* c) {
        auto* conn = dynamic_cast<TfrmObject*>(c);
        if (!conn || !mainPtr)
            return;
        auto* w = new TfrmSQL(conn->session());
        mainPtr->AddChildWindow(w);
    });
    TfrmMain::setCommandHandler(QStringLiteral("actToolCommandSetup"), [](IConnectionWindow*) { TfrmUserCommand::ShowWindow(); });
    // The security list of the current connection.
    TfrmMain::setCommandHandler(QStringLiteral("actAdminUser"), [mainPtr](IConnectionWindow* c) {
        auto* conn = dynamic_cast<TfrmObject*>(c);
        const ToolFactory factory = ToolWindowFactories().value(QStringLiteral("TfrmUserList"));
        if (!mainPtr)
            return;
        if (!conn || !factory) {
            OpenPendingWindow(*mainPtr, QStringLiteral("actAdminUser"), c);
            return;
        }
        if (QWidget* w = factory(conn, ToolRequest{}))
            mainPtr->AddChildWindow(w);
    });
    InstallScriptCommands(main);
}

} // namespace qv
