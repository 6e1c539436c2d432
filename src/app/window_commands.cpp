#include "app/window_commands.h"

#include "app/connection_window_iface.h"
#include "app/editor_commands.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/object_types.h"
#include "app/options.h"
#include "app/process_runner.h"
#include "app/qvstrings.h"
#include "app/globals.h"
#include "connection/object_window.h"
#include "connection/object_window_actions.h"
#include "editor/sqlmemo/qvmemo.h"
#include "platform/db/connection.h"
#include "platform/db/query.h"
#include "platform/registry.h"
#include "sql/exec_script_window.h"
#include "sql/template_window.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QMdiSubWindow>
#include <QRegularExpression>
#include <QTreeWidget>

namespace qv {

// ---- windows -----------------------------------------------------------------------------------

const QList<WindowCommand>& WindowCommands()
{
    static const QList<WindowCommand> list = {
        {"actViewSQL", "TfrmSQL", true, false},
        {"actViewScript", "TfrmExecScript", true, false},
        {"actViewField", "TfrmField", true, false},
        {"actViewTemplate", "TfrmTemplate", false, false},
        {"actViewComp", "TfrmComp", true, false},
        {"actViewSQLCatch", "TfrmSQLCatch", true, false},
        {"actViewSQLCRUD", "TfrmSQLCRUD", true, false},
        {"actToolIndexAdviser", "TfrmIndexAdviser", true, false},
        {"actAdminUser", "TfrmUserList", true, true},
        {"actAdminStorage", "TfrmStorage", true, true},
        {"actAdminSession", "TfrmSession", true, true},
        {"actAdminLock", "TfrmLock", true, true},
        {"actAdminJob", "TfrmJobList", true, true},
        {"actAdminDatabase", "TfrmDbList", true, true},
        {"actAdminBackup", "TfrmBackup", true, true},
        {"actAdminRestore", "TfrmRestore", true, true},
        {"actAdminAttach", "TfrmAttach", true, true},
        {"actAdminLoad", "TfrmLoader", true, true},
        {"actToolCommandSetup", "TfrmUserCommand", false, true},
        {"actToolReportSetup", "TfrmXLSSetup", false, true},
        {"actToolOption", "TfrmOption", false, true},
        {"actToolEditorOption", "TfrmEditorOption", false, true},
        {"actToolScriptOption", "TfrmScriptOption", false, true},
        {"actHelpSupport", "TfrmSupport", false, true},
    };
    return list;
}

const WindowCommand* FindWindowCommand(const QString& action)
{
    for (const WindowCommand& c : WindowCommands())
        if (action == QLatin1String(c.action))
            return &c;
    return nullptr;
}

QString PendingWindowCaption(const QString& action, IConnectionWindow* conn)
{
    QString text;
    TfrmMain::actionInfo(action, &text, nullptr);
    static const QRegularExpression accel(QStringLiteral("\\(&.\\)|\\.\\.\\.$|&"));
    text.remove(accel);
    const WindowCommand* cmd = FindWindowCommand(action);
    if (cmd && cmd->needsConnection && conn)
        text += QStringLiteral(" - ") + conn->GetConnectInfo(QString(), QString(), true);
    return text;
}

QWidget* OpenPendingWindow(TfrmMain& main, const QString& action, IConnectionWindow* conn)
{
    const WindowCommand* cmd = FindWindowCommand(action);
    if (!cmd || (cmd->needsConnection && !conn))
        return nullptr;
    if (action == QLatin1String("actViewTemplate"))
        return TfrmTemplate::ShowWindow(TemplateSelectWord(QApplication::focusWidget()), &main);
    if (action == QLatin1String("actViewScript"))
        if (auto* objectWindow = dynamic_cast<TfrmObject*>(conn)) {
            auto* w = new TfrmExecScript(objectWindow->session());
            main.AddChildWindow(w);
            return w;
        }
    // The administration windows built so far, through their tool-window factories. No window
    // back means the open one of that connection came forward.
    for (const char* admin : {"actAdminDatabase", "actAdminBackup", "actAdminRestore", "actAdminAttach",
                              "actAdminSession", "actAdminLock", "actAdminStorage", "actViewComp"})
        if (action == QLatin1String(admin))
            if (auto* objectWindow = dynamic_cast<TfrmObject*>(conn))
                if (const ToolFactory factory = ToolWindowFactories().value(QString::fromLatin1(cmd->windowClass))) {
                    ToolRequest r;
                    r.window = QString::fromLatin1(cmd->windowClass);
                    if (QWidget* w = factory(objectWindow, r)) {
                        main.AddChildWindow(w);
                        return w;
                    }
                    if (QWidget* open = main.FindWindow(QWidget::staticMetaObject, PendingWindowCaption(action, conn), false))
                        return open;
                    return objectWindow;
                }
    const QString caption = PendingWindowCaption(action, conn);
    if (cmd->single)
        if (QWidget* open = main.FindWindow(TfrmPlaceholder::staticMetaObject, caption, true))
            return open;
    QObject* owner = cmd->needsConnection ? conn->connectionWidget() : nullptr;
    auto* w = new TfrmPlaceholder(owner, QString::fromLatin1(cmd->windowClass), caption);
    w->resize(420, 160);
    main.AddChildWindow(w);
    return w;
}

// ---- tables-and-columns browser and SQL reference ------------------------------------------------

FieldBrowserArgs FieldArgsFromText(const QString& selected, const QString& database, const QString& schema)
{
    QString text = selected;
    text.remove(u'[').remove(u']');
    QStringList parts = text.split(u'.');
    if (!parts.isEmpty() && parts.last().isEmpty())
        parts.removeLast();
    FieldBrowserArgs a{database, schema, QString()};
    if (parts.size() == 1 && !parts[0].isEmpty()) {
        a.table = parts[0];
    } else if (parts.size() == 2) {
        a.schema = parts[0];
        a.table = parts[1];
    } else if (parts.size() >= 3) {
        a.database = parts[0];
        a.schema = parts[1];
        a.table = parts[2];
    }
    return a;
}

FieldBrowserArgs FieldBrowserArgsFor(IConnectionWindow* conn, QWidget* focus)
{
    FieldBrowserArgs a;
    if (!conn)
        return a;
    if (auto* memo = qobject_cast<TqvMemo*>(focus)) {
        a = FieldArgsFromText(memo->SelText(), conn->DataBase(), conn->GetCurrentSchema());
    } else if (auto* list = qobject_cast<QTreeWidget*>(focus)) {
        QTreeWidgetItem* item = list->currentItem();
        if (item && item->isSelected() && list->columnCount() > 1) {
            a.database = item->text(1);
            a.schema = item->text(2);
            a.table = item->text(0);
        }
    }
    if (a.database.isEmpty())
        a.database = conn->DataBase();
    if (a.schema.isEmpty())
        a.schema = conn->GetCurrentSchema();
    return a;
}

QString TemplateSelectWord(QWidget* focus)
{
    auto* memo = qobject_cast<TqvMemo*>(focus);
    return memo && memo->Selected() ? memo->SelText() : QString();
}

// ---- jump to definition ------------------------------------------------------------------------

QString JumpDefinitionDatabase(const QString& name, const QString& currentDatabase)
{
    const qsizetype dot = name.indexOf(u'.');
    if (dot < 0 || name.indexOf(u'.', dot + 1) < 0)
        return currentDatabase;
    QString db = name.left(dot);
    // A bracketed name loses its brackets and the doubling of the "]" inside them.
    if (db.startsWith(u'[') && db.endsWith(u']') && db.size() >= 2)
        db = db.mid(1, db.size() - 2).replace(QStringLiteral("]]"), QStringLiteral("]"));
    return db;
}

QString JumpDefinitionSQL(const QString& name, const QString& database, int serverVersion)
{
    QString sql = database.isEmpty() ? QString()
                                     : QStringLiteral("use ") + QuoteIdentifier(database) + QStringLiteral("\r\n");
    sql += QStringLiteral("select ") +
           (serverVersion >= 9 ? QStringLiteral("schema_name(uid)") : QStringLiteral("user_name(uid)")) +
           QStringLiteral(", xtype, name, object_name(parent_obj) parentname from sysobjects where id = object_id(N") +
           QuoteLiteral(name) + QStringLiteral(")");
    return sql;
}

QList<QVariantList> RunRowQuery(db::Connection* connection, const QString& sql)
{
    db::Query q;
    q.SetConnection(connection);
    q.SetParamCreate(false);
    q.SQL().SetText(sql);
    q.Open();
    QList<QVariantList> rows;
    while (!q.Eof()) {
        QVariantList row;
        for (db::Field* f : q.Fields())
            row << (f->IsNull() ? QVariant() : QVariant(f->AsString()));
        rows << row;
        q.Next();
    }
    q.Close();
    return rows;
}

void JumpToDefinition(TfrmMain& main, TqvMemo* memo)
{
    if (!memo || !memo->Selected())
        return;
    try {
        IConnectionWindow* conn = main.CurrentForm();
        if (!conn)
            return;
        const QString name = memo->SelText().trimmed();
        if (name.isEmpty())
            return;
        const QString database = JumpDefinitionDatabase(name, conn->DataBase());
        const QList<QVariantList> rows = conn->QueryRows(JumpDefinitionSQL(name, database, conn->DBVer()));
        for (const QVariantList& row : rows) {
            if (row.size() < 3)
                continue;
            const int type = XTypeToObjectType(row.at(1).toString());
            const QString schema = row.at(0).toString();
            const QString objectName = row.at(2).toString();
            if (QWidget* w = conn->OpenObject(type, database, schema, objectName, qvOption.OpenMode, true, 0, QString()))
                main.AddChildWindow(w);
            main.RecentObjectCheck(type, database, schema, objectName, QString());
        }
    } catch (...) {
    }
}

// ---- client tools ------------------------------------------------------------------------------

int ClientToolsVersion(const QString& folder)
{
    QString f = folder;
    f.replace(u'\\', u'/');
    for (int v : {110, 100, 90, 80})
        if (f.contains(QStringLiteral("/%1/").arg(v)))
            return v;
    return 0;
}

ClientToolPaths ClientToolCandidates(int version, const QString& t, const QString& w)
{
    switch (version) {
    case 80:
        return {t + QStringLiteral("Binn/SQL Server Enterprise Manager.MSC"), t + QStringLiteral("Binn/dtswiz.exe"),
                t + QStringLiteral("Binn/profiler.exe")};
    case 90:
        return {t + QStringLiteral("Binn/VSShell/Common7/IDE/SqlWb.exe"), w + QStringLiteral("DTS/Binn/DTSWizard.exe"),
                t + QStringLiteral("Binn/PROFILER90.EXE")};
    case 100:
        return {t + QStringLiteral("Binn/VSShell/Common7/IDE/Ssms.exe"), w + QStringLiteral("Binn/DTSWizard.exe"),
                t + QStringLiteral("Binn/PROFILER.EXE")};
    case 110:
        return {t + QStringLiteral("Binn/ManagementStudio/Ssms.exe"), w + QStringLiteral("Binn/DTSWizard.exe"),
                t + QStringLiteral("Binn/PROFILER.EXE")};
    default: return {};
    }
}

void GetProgramPath()
{
    if (qvOption.MS_Cooperation)
        return;
    const int v = ClientToolsVersion(ClientToolsDir);
    QString tools, wizard;
    auto withSlash = [](QString p) {
        if (!p.isEmpty() && !p.endsWith(u'/') && !p.endsWith(u'\\'))
            p += u'/';
        return p;
    };
    try {
        TqvRegistry reg(HKEY_LOCAL_MACHINE, TRegistry::ReadOnlyAccess);
        const QString base = QStringLiteral("\\SOFTWARE\\Microsoft\\Microsoft SQL Server\\");
        if (reg.OpenKey(base + QString::number(v) + QStringLiteral("\\Tools\\ClientSetup"), false))
            tools = withSlash(reg.GetString(QStringLiteral("SQLPath"), QString()));
        if (v == 90) {
            if (reg.OpenKey(base + QStringLiteral("90"), false))
                wizard = withSlash(reg.GetString(QStringLiteral("VerSpecificRootDir"), QString()));
        } else if (reg.OpenKey(base + QString::number(v) + QStringLiteral("\\DTS\\Setup"), false)) {
            wizard = withSlash(reg.GetString(QStringLiteral("SQLPath"), QString()));
        }
    } catch (...) {
    }
    const ClientToolPaths c = ClientToolCandidates(v, tools, wizard);
    if (!c.ms.isEmpty() && QFileInfo(c.ms).isFile())
        qvOption.MS_EXE = c.ms;
    if (!c.dts.isEmpty() && QFileInfo(c.dts).isFile())
        qvOption.DTS_EXE = c.dts;
    if (!c.spf.isEmpty() && QFileInfo(c.spf).isFile())
        qvOption.SPF_EXE = c.spf;
    qvOption.MS_Cooperation = true;
}

ToolLaunch ClientToolLaunch(ClientTool tool, const QString& program, bool autoLogon, bool windowsAuth,
                            const QString& login, const QString& server, const QString& database)
{
    ToolLaunch l;
    l.program = program;
    if (tool == ClientTool::ImportWizard || !autoLogon)
        return l;
    if (windowsAuth) {
        l.arguments = {QStringLiteral("/E"), QStringLiteral("/S"), server};
    } else {
        // The password stays out of the command line (other users can read it there): the
        // tool asks for it.
        l.arguments = {QStringLiteral("/U"), login, QStringLiteral("/S"), server, QStringLiteral("/D"), database};
        l.asksPassword = true;
    }
    return l;
}

QString ClientToolQuestion(ClientTool tool)
{
    switch (tool) {
    case ClientTool::ManagementStudio: return QStringLiteral("SQL Server Management Studioを起動しますか？");
    case ClientTool::Profiler: return QStringLiteral("SQL Server Profilerを起動しますか？");
    case ClientTool::ImportWizard:
        return QStringLiteral("SQL Server インポートおよびエクスポート ウィザードを起動しますか？");
    }
    return QString();
}

std::function<bool(const QString&, const QStringList&)>& ClientToolStarter()
{
    static std::function<bool(const QString&, const QStringList&)> starter = [](const QString& p,
                                                                                const QStringList& a) {
        return StartBackgroundProcess(p, a);
    };
    return starter;
}

void StartClientTool(ClientTool tool, IConnectionWindow* conn)
{
    if (!conn)
        return;
    const QString program = tool == ClientTool::ManagementStudio ? qvOption.MS_EXE
                            : tool == ClientTool::Profiler       ? qvOption.SPF_EXE
                                                                 : qvOption.DTS_EXE;
    bool autoLogon = false;
    if (tool == ClientTool::ImportWizard || ClientToolsVersion(ClientToolsDir) < 90) {
        if (ShowMessageBox(ClientToolQuestion(tool), MB_YESNO | MB_ICONQUESTION) != IDYES)
            return;
    } else {
        autoLogon = true;
        QString text = ClientToolQuestion(tool);
        if (!conn->WindowsAuthentication())
            text += QStringLiteral("\n（自動ログインでは、パスワードは起動したツールの画面で入力します。）");
        if (ShowCheckMessageBox(text, MB_YESNO | MB_ICONQUESTION, {{QStringLiteral("自動ログイン"), &autoLogon}}) !=
            IDYES)
            return;
    }
    const ToolLaunch l = ClientToolLaunch(tool, program, autoLogon, conn->WindowsAuthentication(), conn->Login(),
                                          conn->Server(), conn->DataBase());
    ClientToolStarter()(l.program, l.arguments); // a failure to start is not reported
}

// ---- wiring ------------------------------------------------------------------------------------

void TfrmMain::wireWindowCommands()
{
    auto on = [this](const char* name, auto fn) {
        if (QAction* a = m_actions.value(QLatin1String(name)))
            connect(a, &QAction::triggered, this, fn);
    };
    on("actViewMS", [this] { StartClientTool(ClientTool::ManagementStudio, CurrentForm()); });
    on("actViewMSProfiler", [this] { StartClientTool(ClientTool::Profiler, CurrentForm()); });
    on("actViewMSDTS", [this] { StartClientTool(ClientTool::ImportWizard, CurrentForm()); });
    on("actEditJumpDefine", [this] { JumpToDefinition(*this, ActiveEditor()); });
    auto convert = [this](TextConversion kind) {
        ConvertSelection(QApplication::focusWidget(), kind);
        EditorStateChanged();
    };
    on("actEditUpperCase", [convert] { convert(TextConversion::Upper); });
    on("actEditLowerCase", [convert] { convert(TextConversion::Lower); });
    on("actEditHanToZen", [convert] { convert(TextConversion::FullWidth); });
    on("actEditZenToHan", [convert] { convert(TextConversion::HalfWidth); });
    auto onEditor = [this, on](const char* name, void (*fn)(TqvMemo*)) {
        on(name, [this, fn] {
            if (TqvMemo* m = ActiveEditor()) {
                fn(m);
                EditorStateChanged();
            }
        });
    };
    onEditor("actEditIndentF", [](TqvMemo* m) { EditorIndent(m, true); });
    onEditor("actEditIndentR", [](TqvMemo* m) { EditorIndent(m, false); });
    onEditor("actEditFormat", [](TqvMemo* m) { EditorFormat(m); });
    onEditor("actEditGetSQL", [](TqvMemo* m) { EditorGetSQL(m); });
    if (!ClientToolsDir.isEmpty())
        GetProgramPath();
}

} // namespace qv
