#pragma once
// Registration of the built definition windows: the window factories that the connection
// window's OpenObject looks up by window kind, and the class-level script routines by
// object-type code. A kind that is not registered keeps the "not available yet" window.
#include "connection/object_window.h"
#include "connection/object_window_actions.h"
#include "tables/define_script.h"
#include "tables/excel_report_window.h"

namespace qv {

// Adds the factories of the built definition windows (called once, by WindowFactories).
void RegisterDefinitionWindows(QHash<int, WindowFactory>& factories);
// Adds the factories of the built tool windows by class name (called once, by ToolWindowFactories).
void RegisterToolWindows(QHash<QString, ToolFactory>& factories);
// Adds the script routines of the built definition windows (called once, by DefinitionScripts).
void RegisterDefinitionScripts(QHash<int, DefineScriptRoutine>& routines);
// Adds the definition-report routines of the table and view windows (called once, by DefinitionReports).
void RegisterDefinitionReports(QHash<int, report::DefinitionReportRoutines>& routines);

} // namespace qv
