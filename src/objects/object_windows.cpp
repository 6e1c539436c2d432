#include "objects/object_windows.h"

#include "objects/schema_window.h"
#include "tables/table_window.h"

namespace qv {

void RegisterDefinitionWindows(QHash<int, WindowFactory>& factories)
{
    factories[static_cast<int>(DefinitionWindow::Schema)] = [](TfrmObject* owner, const OpenRequest& r) -> QWidget* {
        return new TfrmSchema(owner, r.database, r.schema, r.name, r.mode);
    };
    factories[static_cast<int>(DefinitionWindow::Table)] = [](TfrmObject* owner, const OpenRequest& r) -> QWidget* {
        return new TfrmTable(owner, r.database, r.schema, r.name, r.mode, r.topRecord);
    };
}

void RegisterDefinitionScripts(QHash<int, DefineScriptRoutine>& routines)
{
    for (int code : {4, 125, 126})
        routines[code] = [](IConnectionWindow* owner, const DefineScriptRequest& r, QIODevice& stream) {
            TfrmSchema::GetScript(owner, r, stream);
        };
    routines[45] = [](IConnectionWindow* owner, const DefineScriptRequest& r, QIODevice& stream) {
        TfrmTable::GetScript(owner, r, stream);
    };
}

} // namespace qv
