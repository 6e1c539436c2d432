#include "objects/object_windows.h"

#include "admin/session/session_analyze_dialog.h"
#include "admin/session/session_lock_window.h"
#include "admin/session/session_process_window.h"
#include "admin/backup/backup_window.h"
#include "admin/backup/dblist_window.h"
#include "admin/backup/restore_window.h"
#include "admin/storage/attach_window.h"
#include "admin/storage/storage_window.h"
#include "app/main_window.h"
#include "connection/object_window.h"
#include "sql/exec_proc_window.h"
#include "admin/jobs/jobs_job_window.h"
#include "admin/jobs/jobs_schedule_window.h"
#include "admin/database/database_window.h"
#include "objects/filegroup_window.h"
#include "objects/login_window.h"
#include "objects/role_window.h"
#include "objects/constraint_window.h"
#include "objects/index_window.h"
#include "objects/schema_window.h"
#include "objects/security_list_window.h"
#include "objects/user_window.h"
#include "objects/sequence_window.h"
#include "objects/synonym_window.h"
#include "objects/source_window.h"
#include "objects/trigger_window.h"
#include "tables/table_window.h"
#include "tables/view_window.h"
#include "tables/excel_report_window.h"
#include "platform/exceptions.h"
#include "tools/compare/compare_window.h"
#include "tools/grant/grant_window.h"
#include "tools/matrix/matrix_window.h"

namespace qv {

void RegisterDefinitionWindows(QHash<int, WindowFactory>& factories)
{
    factories[static_cast<int>(DefinitionWindow::Database)] = [](TfrmObject* owner, const OpenRequest& r) -> QWidget* {
        return new Tfrmdb(owner, r.database, r.schema, r.name, r.mode);
    };
    factories[static_cast<int>(DefinitionWindow::Schema)] = [](TfrmObject* owner, const OpenRequest& r) -> QWidget* {
        return new TfrmSchema(owner, r.database, r.schema, r.name, r.mode);
    };
    factories[static_cast<int>(DefinitionWindow::FileGroup)] = [](TfrmObject* owner, const OpenRequest& r) -> QWidget* {
        return new TfrmTBS(owner, r.database, r.name, r.tabImage ? r.tabImage : 69, r.mode);
    };
    factories[static_cast<int>(DefinitionWindow::Role)] = [](TfrmObject* owner, const OpenRequest& r) -> QWidget* {
        return new TfrmRole(owner, r.database, r.schema, r.name, r.mode);
    };
    factories[static_cast<int>(DefinitionWindow::User)] = [](TfrmObject* owner, const OpenRequest& r) -> QWidget* {
        return new TfrmUser(owner, r.database, r.name, r.mode);
    };
    factories[static_cast<int>(DefinitionWindow::Sequence)] = [](TfrmObject* owner, const OpenRequest& r) -> QWidget* {
        return new TfrmSeq(owner, r.database, r.schema, r.name, r.mode);
    };
    factories[static_cast<int>(DefinitionWindow::Synonym)] = [](TfrmObject* owner, const OpenRequest& r) -> QWidget* {
        return new TfrmSynonym(owner, r.database, r.schema, r.name, r.mode, r.targetDatabase, r.targetSchema,
                               r.targetName, r.targetType);
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
    factories[static_cast<int>(DefinitionWindow::Index)] = [](TfrmObject* owner, const OpenRequest& r) -> QWidget* {
        return new TfrmIndex(owner, r.database, r.schema, r.name, r.mode, r.tableName);
    };
    factories[static_cast<int>(DefinitionWindow::Constraint)] = [](TfrmObject* owner, const OpenRequest& r) -> QWidget* {
        return new TfrmConst(owner, r.database, r.schema, r.name, r.tableName);
    };
    factories[static_cast<int>(DefinitionWindow::Table)] = [](TfrmObject* owner, const OpenRequest& r) -> QWidget* {
        return new TfrmTable(owner, r.database, r.schema, r.name, r.mode, r.topRecord);
    };
    factories[static_cast<int>(DefinitionWindow::Job)] = [](TfrmObject* owner, const OpenRequest& r) -> QWidget* {
        return new TfrmJob(owner, r.name, r.mode);
    };
    factories[static_cast<int>(DefinitionWindow::JobSchedule)] = [](TfrmObject* owner, const OpenRequest& r) -> QWidget* {
        return new Tfrmjobschedule(owner, r.schema, r.name, r.mode); // the schedule id comes as the schema
    };
    factories[static_cast<int>(DefinitionWindow::Login)] = [](TfrmObject* owner, const OpenRequest& r) -> QWidget* {
        return new TfrmLogin(owner, r.name, r.mode);
    };
}

void RegisterToolWindows(QHash<QString, ToolFactory>& factories)
{
    // The stored-program runner, one per program and connection.
    factories[QStringLiteral("TfrmExecProc")] = [](TfrmObject* owner, const ToolRequest& r) -> QWidget* {
        const QString caption = TfrmExecProc::CaptionFor(owner->Server(), r.database, r.schema, r.name);
        if (TfrmMain* m = TfrmMain::instance())
            if (m->FindWindow(TfrmExecProc::staticMetaObject, caption, true))
                return nullptr;
        return new TfrmExecProc(owner->session(), r.database, r.schema, r.name, r.objectType);
    };
    // The statistics dialog: modal, over the connection window's selected tables and views.
    factories[QStringLiteral("TfrmAnalyze")] = [](TfrmObject* owner, const ToolRequest&) -> QWidget* {
        TfrmAnalyze::ShowWindow(owner);
        return nullptr;
    };
    factories[QStringLiteral("TfrmSession")] = [](TfrmObject* owner, const ToolRequest& r) -> QWidget* {
        try {
            return new TfrmSession(owner, r.database);
        } catch (const EAbort&) {
            return nullptr; // the open window of the connection came forward
        }
    };
    factories[QStringLiteral("TfrmLock")] = [](TfrmObject* owner, const ToolRequest& r) -> QWidget* {
        try {
            return new TfrmLock(owner, r.database);
        } catch (const EAbort&) {
            return nullptr; // the open window of the connection came forward
        }
    };
    factories[QStringLiteral("TfrmUserList")] = [](TfrmObject* owner, const ToolRequest& r) -> QWidget* {
        try {
            return new TfrmUserList(owner, r.database);
        } catch (const EAbort&) {
            return nullptr; // the open list of the connection came forward
        }
    };
    // The database list of a connection (an open one comes forward).
    factories[QStringLiteral("TfrmDbList")] = [](TfrmObject* owner, const ToolRequest&) -> QWidget* {
        try {
            return new TfrmDbList(owner);
        } catch (const EAbort&) {
            return nullptr;
        }
    };
    // The backup window of a connection, for a database (an open one comes forward).
    factories[QStringLiteral("TfrmBackup")] = [](TfrmObject* owner, const ToolRequest& r) -> QWidget* {
        try {
            return new TfrmBackup(owner, r.database);
        } catch (const EAbort&) {
            return nullptr;
        }
    };
    // The restore, file group and attach windows of a connection (an open one comes forward).
    factories[QStringLiteral("TfrmRestore")] = [](TfrmObject* owner, const ToolRequest& r) -> QWidget* {
        try {
            return new TfrmRestore(owner, r.database);
        } catch (const EAbort&) {
            return nullptr;
        }
    };
    factories[QStringLiteral("TfrmStorage")] = [](TfrmObject* owner, const ToolRequest& r) -> QWidget* {
        try {
            return new TfrmStorage(owner, r.database);
        } catch (const EAbort&) {
            return nullptr;
        }
    };
    factories[QStringLiteral("TfrmAttach")] = [](TfrmObject* owner, const ToolRequest&) -> QWidget* {
        try {
            return new TfrmAttach(owner);
        } catch (const EAbort&) {
            return nullptr;
        }
    };
    // The data tools: object comparison (a new window each time), dependency matrix (a new
    // window each time) and bulk grant (an open one of the connection comes forward).
    factories[QStringLiteral("TfrmComp")] = [](TfrmObject* owner, const ToolRequest&) -> QWidget* {
        return new TfrmComp(owner);
    };
    factories[QStringLiteral("TfrmMatrix")] = [](TfrmObject* owner, const ToolRequest&) -> QWidget* {
        return new TfrmMatrix(owner);
    };
    factories[QStringLiteral("TfrmGrant")] = [](TfrmObject* owner, const ToolRequest&) -> QWidget* {
        try {
            return new TfrmGrant(owner);
        } catch (const EAbort&) {
            return nullptr;
        }
    };
}

void RegisterDefinitionScripts(QHash<int, DefineScriptRoutine>& routines)
{
    routines[1] = [](IConnectionWindow* owner, const DefineScriptRequest& r, QIODevice& stream) {
        Tfrmdb::GetScript(owner, r, stream);
    };
    for (int code : {4, 125, 126})
        routines[code] = [](IConnectionWindow* owner, const DefineScriptRequest& r, QIODevice& stream) {
            TfrmSchema::GetScript(owner, r, stream);
        };
    for (int code : {69, 71})
        routines[code] = [](IConnectionWindow* owner, const DefineScriptRequest& r, QIODevice& stream) {
            TfrmTBS::GetScript(owner, r, stream);
        };
    routines[68] = [](IConnectionWindow* owner, const DefineScriptRequest& r, QIODevice& stream) {
        TfrmRole::GetScript(owner, r, stream);
    };
    for (int code : {2, 3})
        routines[code] = [](IConnectionWindow* owner, const DefineScriptRequest& r, QIODevice& stream) {
            TfrmUser::GetScript(owner, r, stream);
        };
    routines[58] = [](IConnectionWindow* owner, const DefineScriptRequest& r, QIODevice& stream) {
        TfrmSeq::GetScript(owner, r, stream);
    };
    routines[60] = [](IConnectionWindow* owner, const DefineScriptRequest& r, QIODevice& stream) {
        TfrmSynonym::GetScript(owner, r, stream);
    };
    // Procedures, functions, triggers and views keep the catalog-source scripts of the
    // object-script registry (the text exactly as the server holds it); their windows' GetScript
    // serves the windows themselves.
    routines[46] = [](IConnectionWindow* owner, const DefineScriptRequest& r, QIODevice& stream) {
        TfrmIndex::GetScript(owner, r, stream);
    };
    routines[66] = [](IConnectionWindow* owner, const DefineScriptRequest& r, QIODevice& stream) {
        TfrmConst::GetScript(owner, r, stream);
    };
    routines[45] = [](IConnectionWindow* owner, const DefineScriptRequest& r, QIODevice& stream) {
        TfrmTable::GetScript(owner, r, stream);
    };
    routines[97] = [](IConnectionWindow* owner, const DefineScriptRequest& r, QIODevice& stream) {
        TfrmJob::GetScript(owner, r, stream);
    };
    routines[117] = [](IConnectionWindow* owner, const DefineScriptRequest& r, QIODevice& stream) {
        Tfrmjobschedule::GetScript(owner, r, stream);
    };
    for (int code : {119, 120})
        routines[code] = [](IConnectionWindow* owner, const DefineScriptRequest& r, QIODevice& stream) {
            TfrmLogin::GetScript(owner, r, stream);
        };
}

void RegisterDefinitionReports(QHash<int, report::DefinitionReportRoutines>& routines)
{
    routines[45] = {&TfrmTable::GetExcelFile, &TfrmTable::GetExcelSheet};
    routines[47] = {&TfrmView::GetExcelFile, &TfrmView::GetExcelSheet};
}

} // namespace qv
