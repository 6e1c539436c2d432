#include "objects/object_windows.h"

#include "objects/schema_window.h"
#include "objects/sequence_window.h"
#include "objects/synonym_window.h"

namespace qv {

void RegisterDefinitionWindows(QHash<int, WindowFactory>& factories)
{
    factories[static_cast<int>(DefinitionWindow::Schema)] = [](TfrmObject* owner, const OpenRequest& r) -> QWidget* {
        return new TfrmSchema(owner, r.database, r.schema, r.name, r.mode);
    };
    factories[static_cast<int>(DefinitionWindow::Sequence)] = [](TfrmObject* owner, const OpenRequest& r) -> QWidget* {
        return new TfrmSeq(owner, r.database, r.schema, r.name, r.mode);
    };
    factories[static_cast<int>(DefinitionWindow::Synonym)] = [](TfrmObject* owner, const OpenRequest& r) -> QWidget* {
        return new TfrmSynonym(owner, r.database, r.schema, r.name, r.mode, r.targetDatabase, r.targetSchema,
                               r.targetName, r.targetType);
    };
}

void RegisterDefinitionScripts(QHash<int, DefineScriptRoutine>& routines)
{
    for (int code : {4, 125, 126})
        routines[code] = [](IConnectionWindow* owner, const DefineScriptRequest& r, QIODevice& stream) {
            TfrmSchema::GetScript(owner, r, stream);
        };
    routines[58] = [](IConnectionWindow* owner, const DefineScriptRequest& r, QIODevice& stream) {
        TfrmSeq::GetScript(owner, r, stream);
    };
    routines[60] = [](IConnectionWindow* owner, const DefineScriptRequest& r, QIODevice& stream) {
        TfrmSynonym::GetScript(owner, r, stream);
    };
}

} // namespace qv
