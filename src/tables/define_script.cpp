#include "tables/define_script.h"

namespace qv {

// The registration of the built kinds (src/objects/object_windows.cpp).
void RegisterDefinitionScripts(QHash<int, DefineScriptRoutine>& routines);

QHash<int, DefineScriptRoutine>& DefinitionScripts()
{
    static QHash<int, DefineScriptRoutine> routines = [] {
        QHash<int, DefineScriptRoutine> r;
        RegisterDefinitionScripts(r);
        return r;
    }();
    return routines;
}

} // namespace qv
