#include "objects/object_windows.h"

#include "objects/filegroup_window.h"
#include "objects/schema_window.h"

namespace qv {

void RegisterDefinitionWindows(QHash<int, WindowFactory>& factories)
{
    factories[static_cast<int>(DefinitionWindow::Schema)] = [](TfrmObject* owner, const OpenRequest& r) -> QWidget* {
        return new TfrmSchema(owner, r.database, r.schema, r.name, r.mode);
    };
    factories[static_cast<int>(DefinitionWindow::FileGroup)] = [](TfrmObject* owner, const OpenRequest& r) -> QWidget* {
        return new TfrmTBS(owner, r.database, r.name, r.tabImage ? r.tabImage : 69, r.mode);
    };
}

void RegisterDefinitionScripts(QHash<int, DefineScriptRoutine>& routines)
{
    for (int code : {4, 125, 126})
        routines[code] = [](IConnectionWindow* owner, const DefineScriptRequest& r, QIODevice& stream) {
            TfrmSchema::GetScript(owner, r, stream);
        };
    for (int code : {69, 71})
        routines[code] = [](IConnectionWindow* owner, const DefineScriptRequest& r, QIODevice& stream) {
            TfrmTBS::GetScript(owner, r, stream);
        };
}

} // namespace qv
