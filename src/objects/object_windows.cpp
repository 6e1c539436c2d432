#include "objects/object_windows.h"

#include "objects/login_window.h"
#include "objects/role_window.h"
#include "objects/schema_window.h"
#include "objects/security_list_window.h"
#include "objects/user_window.h"
#include "objects/source_window.h"
#include "objects/trigger_window.h"
#include "platform/exceptions.h"

namespace qv {

void RegisterDefinitionWindows(QHash<int, WindowFactory>& factories)
{
    factories[static_cast<int>(DefinitionWindow::Schema)] = [](TfrmObject* owner, const OpenRequest& r) -> QWidget* {
        return new TfrmSchema(owner, r.database, r.schema, r.name, r.mode);
    };
    factories[static_cast<int>(DefinitionWindow::Role)] = [](TfrmObject* owner, const OpenRequest& r) -> QWidget* {
        return new TfrmRole(owner, r.database, r.schema, r.name, r.mode);
    };
    factories[static_cast<int>(DefinitionWindow::User)] = [](TfrmObject* owner, const OpenRequest& r) -> QWidget* {
        return new TfrmUser(owner, r.database, r.name, r.mode);
    };
    factories[static_cast<int>(DefinitionWindow::Trigger)] = [](TfrmObject* owner, const OpenRequest& r) -> QWidget* {
        return new TfrmTrigger(owner, r.database, r.schema, r.name, r.mode, r.tableName);
    };
    factories[static_cast<int>(DefinitionWindow::Source)] = [](TfrmObject* owner, const OpenRequest& r) -> QWidget* {
        return new TfrmSource(owner, r.database, r.schema, r.name, r.objectType, r.mode);
    };
    factories[static_cast<int>(DefinitionWindow::Login)] = [](TfrmObject* owner, const OpenRequest& r) -> QWidget* {
        return new TfrmLogin(owner, r.name, r.mode);
    };
}

void RegisterToolWindows(QHash<QString, ToolFactory>& factories)
{
    factories[QStringLiteral("TfrmUserList")] = [](TfrmObject* owner, const ToolRequest& r) -> QWidget* {
        try {
            return new TfrmUserList(owner, r.database);
        } catch (const EAbort&) {
            return nullptr; // the open list of the connection came forward
        }
    };
}

void RegisterDefinitionScripts(QHash<int, DefineScriptRoutine>& routines)
{
    for (int code : {4, 125, 126})
        routines[code] = [](IConnectionWindow* owner, const DefineScriptRequest& r, QIODevice& stream) {
            TfrmSchema::GetScript(owner, r, stream);
        };
    routines[68] = [](IConnectionWindow* owner, const DefineScriptRequest& r, QIODevice& stream) {
        TfrmRole::GetScript(owner, r, stream);
    };
    for (int code : {2, 3})
        routines[code] = [](IConnectionWindow* owner, const DefineScriptRequest& r, QIODevice& stream) {
            TfrmUser::GetScript(owner, r, stream);
        };
    for (int code : {119, 120})
        routines[code] = [](IConnectionWindow* owner, const DefineScriptRequest& r, QIODevice& stream) {
            TfrmLogin::GetScript(owner, r, stream);
        };
    // Procedures, functions and triggers keep the catalog-source scripts of the object-script
    // registry (the text exactly as the server holds it); their windows' GetScript serves the
    // windows themselves.
}

} // namespace qv
