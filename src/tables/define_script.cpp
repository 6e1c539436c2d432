#include "tables/define_script.h"

namespace qv {

// The registration of the built kinds (src/objects/object_windows.cpp).
void RegisterDefinitionScripts(QHash<int, ScriptRoutine>& routines);

QHash<int, ScriptRoutine>& DefinitionScripts()
{
    static QHash<int, ScriptRoutine> routines = [] {
        QHash<int, ScriptRoutine> r;
        RegisterDefinitionScripts(r);
        return r;
    }();
    return routines;
}

} // namespace qv
