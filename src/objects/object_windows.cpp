#include "objects/object_windows.h"

#include "objects/constraint_window.h"
#include "objects/index_window.h"
#include "objects/schema_window.h"

namespace qv {

void RegisterDefinitionWindows(QHash<int, WindowFactory>& factories)
{
    factories[static_cast<int>(DefinitionWindow::Schema)] = [](TfrmObject* owner, const OpenRequest& r) -> QWidget* {
        return new TfrmSchema(owner, r.database, r.schema, r.name, r.mode);
    };
    factories[static_cast<int>(DefinitionWindow::Index)] = [](TfrmObject* owner, const OpenRequest& r) -> QWidget* {
        return new TfrmIndex(owner, r.database, r.schema, r.name, r.mode, r.tableName);
    };
    factories[static_cast<int>(DefinitionWindow::Constraint)] = [](TfrmObject* owner, const OpenRequest& r) -> QWidget* {
        return new TfrmConst(owner, r.database, r.schema, r.name, r.tableName);
    };
}

void RegisterDefinitionScripts(QHash<int, DefineScriptRoutine>& routines)
{
    for (int code : {4, 125, 126})
        routines[code] = [](IConnectionWindow* owner, const DefineScriptRequest& r, QIODevice& stream) {
            TfrmSchema::GetScript(owner, r, stream);
        };
    routines[46] = [](IConnectionWindow* owner, const DefineScriptRequest& r, QIODevice& stream) {
        TfrmIndex::GetScript(owner, r, stream);
    };
    routines[66] = [](IConnectionWindow* owner, const DefineScriptRequest& r, QIODevice& stream) {
        TfrmConst::GetScript(owner, r, stream);
    };
}

} // namespace qv
