#include "objects/object_windows.h"

#include "objects/schema_window.h"
#include "objects/source_window.h"
#include "objects/trigger_window.h"
#include "tables/view_window.h"

namespace qv {

void RegisterDefinitionWindows(QHash<int, WindowFactory>& factories)
{
    factories[static_cast<int>(DefinitionWindow::Schema)] = [](TfrmObject* owner, const OpenRequest& r) -> QWidget* {
        return new TfrmSchema(owner, r.database, r.schema, r.name, r.mode);
    };
    factories[static_cast<int>(DefinitionWindow::View)] = [](TfrmObject* owner, const OpenRequest& r) -> QWidget* {
        return new TfrmView(owner, r.database, r.schema, r.name, r.mode, r.topRecord);
    };
    factories[static_cast<int>(DefinitionWindow::Trigger)] = [](TfrmObject* owner, const OpenRequest& r) -> QWidget* {
        return new TfrmTrigger(owner, r.database, r.schema, r.name, r.mode, r.tableName);
    };
    factories[static_cast<int>(DefinitionWindow::Source)] = [](TfrmObject* owner, const OpenRequest& r) -> QWidget* {
        return new TfrmSource(owner, r.database, r.schema, r.name, r.objectType, r.mode);
    };
}

void RegisterDefinitionScripts(QHash<int, DefineScriptRoutine>& routines)
{
    for (int code : {4, 125, 126})
        routines[code] = [](IConnectionWindow* owner, const DefineScriptRequest& r, QIODevice& stream) {
            TfrmSchema::GetScript(owner, r, stream);
        };
    // Procedures, functions, triggers and views keep the catalog-source scripts of the
    // object-script registry (the text exactly as the server holds it); their windows' GetScript
    // serves the windows themselves.
}

} // namespace qv
