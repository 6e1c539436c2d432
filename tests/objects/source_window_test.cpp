// The trigger window and the procedure/function source window on the scripted session, opened
// through the connection window: the loaded text with its rewritten header, the own compile in
// one transaction (the exact statements, commit or rollback, the error lines under the editor),
// what a re-create keeps (permissions, extended properties, a disabled trigger), the templates
// and header renames of new objects, the script routine, run, save, the sample viewer and the
// rendering.
#include "objects/sample_window.h"
#include "objects/source_text.h"
#include "objects/source_window.h"
#include "objects/trigger_window.h"

#include "app/globals.h"
#include "platform/exceptions.h"
#include "editor/editor_strings.h"
#include "editor/sqlmemo/qvmemo.h"
#include "platform/registry.h"
#include "sql/exec_proc_window.h"
#include "sql/memo_frame.h"
#include "support/test_env.h"
#include "tables/define_script.h"
#include "tables/define_session_helper.h"
#include "tables/privileges_frame.h"
#include "connection/catalog_queries.h"

#include <QApplication>
#include <QBuffer>
#include <QFocusEvent>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSplitter>
#include <QTabWidget>
#include <QTemporaryDir>

using namespace qv;
using namespace qv::db;
using namespace qvtest;

namespace {

const QString ModuleSelect = QStringLiteral("select definition from sys.sql_modules where object_id = object_id(?)");
const QString TriggerInfoSelect =
    QStringLiteral("select object_name(parent_obj), objectproperty(parent_obj, 'IsView'), "
                   "objectproperty(id, 'ExecIsTriggerDisabled') from sysobjects where xtype = 'TR' and id = object_id(?)");
const QString TriggerPropSelect =
    QStringLiteral("select name, convert(nvarchar(4000), value) from sys.fn_listextendedproperty(NULL, N'SCHEMA', ?, "
                   "N'TABLE', ?, N'TRIGGER', ?) order by name");
const QString ProcPropSelect =
    QStringLiteral("select name, convert(nvarchar(4000), value) from sys.fn_listextendedproperty(NULL, N'SCHEMA', ?, "
                   "N'PROCEDURE', ?, NULL, NULL) order by name");

void saveGrab(QWidget* w, const QString& name)
{
    const QString dir = qEnvironmentVariable("QORVEL_RENDER_DIR", testHome());
    QDir().mkpath(dir);
    EXPECT_TRUE(w->grab().save(dir + "/" + name + ".png")) << name.toStdString();
}

struct SourceWindows : DefineSession {
    void SetUp() override
    {
        DefineSession::SetUp();
        Connect();
        for (const char* s : {"use [sales]", "USE [sales]"})
            session->fixture().exact(s);
    }
    void Rule(const QString& sql, const QVariantList& params, const std::vector<ColumnDesc>& cols,
              std::vector<QVariantList> rows)
    {
        FixtureRule& r = session->fixture().exact(sql);
        r.params = params;
        r.returns(cols, std::move(rows));
    }
    void Module(const QString& qualified, const QString& text)
    {
        Rule(ModuleSelect, {qualified}, {column("definition", "nvarchar(max)")}, {{text}});
    }
    // The trigger dbo.t_x on dbo.T; disabled and with one extended property when asked.
    void Trigger(const QString& text, bool disabled, bool property)
    {
        Module("[dbo].[t_x]", text);
        Rule(TriggerInfoSelect, {"[dbo].[t_x]"}, {column("", "sysname"), column("", "int"), column("", "int")},
             {{"T", 0, disabled ? 1 : 0}});
        std::vector<QVariantList> props;
        if (property)
            props.push_back({"MS_Description", "audit"});
        Rule(TriggerPropSelect, {"dbo", "T", "t_x"}, {column("name", "sysname"), column("", "nvarchar(4000)")},
             std::move(props));
    }
    // The procedure dbo.p with EXECUTE granted to u1.
    void ProcedureKeeps(const QString& grantee)
    {
        FixtureRule& g = session->fixture().pattern("select d\\.name, .* ORDER BY 1, 2, 3");
        g.params = QVariantList{"dbo", "p"};
        std::vector<QVariantList> rows;
        if (!grantee.isEmpty())
            rows.push_back({grantee, "EXECUTE", "NO", "p"});
        g.returns({column("", "sysname"), column("", "nvarchar(60)"), column("", "nvarchar(10)"), column("", "sysname")},
                  std::move(rows));
        Rule(ProcPropSelect, {"dbo", "p"}, {column("name", "sysname"), column("", "nvarchar(4000)")}, {});
    }
    QStringList Editor(TfrmSourceBase* w) const { return w->fraMemo->txtSQL->Lines().ToStringList(); }
    QStringList Errors(TfrmSourceBase* w) const
    {
        QStringList out;
        for (int i = 0; i < w->lstError->count(); ++i)
            out << w->lstError->item(i)->text();
        return out;
    }
    // Raw texts (line ends and blanks as sent) from position `from` on.
    QStringList RawFrom(qsizetype from) const
    {
        QStringList out;
        const auto& rec = session->recorded();
        for (size_t i = static_cast<size_t>(from); i < rec.size(); ++i)
            out << rec[i].sql;
        return out;
    }
    TfrmTrigger* OpenTrigger(const QString& name, TOpenMode mode = omSource)
    {
        return qobject_cast<TfrmTrigger*>(Open(57, "sales", "dbo", name, mode));
    }
    TfrmSource* OpenSource(int type, const QString& name, TOpenMode mode = omSource)
    {
        return qobject_cast<TfrmSource*>(Open(type, "sales", "dbo", name, mode));
    }
};

} // namespace

TEST_F(SourceWindows, TriggerLoadsWithTheHeaderRewrittenAndRecompilesKeepingItsStateInOneTransaction)
{
    Trigger("create   trigger dbo.t_x on dbo.T for insert as select ':x'", true, true);
    TfrmTrigger* w = OpenTrigger("t_x");
    ASSERT_TRUE(w) << errors.join("\n").toStdString();
    EXPECT_TRUE(errors.isEmpty()) << session->statements().join("\n---\n").toStdString();
    EXPECT_EQ(w->windowTitle(), "TRIGGER - sales.dbo.t_x @ srv.master");
    EXPECT_EQ(Editor(w), QStringList({"use [sales]", "go", "CREATE TRIGGER [dbo].[t_x]",
                                      "on dbo.T for insert as select ':x'", "go"}));
    EXPECT_EQ(w->TblName, "T");
    EXPECT_FALSE(w->Modified());
    EXPECT_EQ(w->pagObject->currentWidget(), w->tabSource);
    EXPECT_EQ(w->pagObject->indexOf(w->tabDefine), -1); // no definition page

    session->fixture().exact("use [sales]\ndrop trigger [dbo].[t_x]");
    session->fixture().exact("CREATE TRIGGER [dbo].[t_x]\non dbo.T for insert as select ':x'");
    const QString addProperty = "EXEC sp_addextendedproperty @name = N'MS_Description', @value = N'audit', "
                                "@level0type = N'SCHEMA', @level0name = N'dbo', @level1type = N'TABLE', "
                                "@level1name = N'T', @level2type = N'TRIGGER', @level2name = N't_x'";
    session->fixture().exact(addProperty);
    session->fixture().exact("DISABLE TRIGGER [dbo].[t_x] ON [dbo].[T]");
    const qsizetype mark = Mark();
    const qsizetype events = session->events().size();
    w->Compile();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString() << StatementsFrom(mark).join("\n---\n").toStdString();
    EXPECT_EQ(boxes, QStringList({"64:" + QString::fromUtf8("コンパイルは正常に終了しました。")}));
    const QStringList sent = StatementsFrom(mark);
    ASSERT_GE(sent.size(), 11) << sent.join("\n---\n").toStdString();
    EXPECT_EQ(sent.mid(0, 11),
              QStringList({// what the re-create must keep, read first
                           "use [sales]", TriggerInfoSelect, "use [sales]", TriggerPropSelect,
                           // inside the transaction
                           "use [sales]\ndrop trigger [dbo].[t_x]", "use [sales]",
                           "CREATE TRIGGER [dbo].[t_x]\non dbo.T for insert as select ':x'", "use [sales]", addProperty,
                           "DISABLE TRIGGER [dbo].[t_x] ON [dbo].[T]",
                           // the reload
                           "USE [sales]"}));
    EXPECT_EQ(session->events().mid(events), QStringList({"StartTransaction", "Commit", "AutoCommit"}));
    // ":x" reached the session as written, the batch exactly as the editor held it.
    EXPECT_EQ(RawFrom(mark).at(6), "CREATE TRIGGER [dbo].[t_x]\r\non dbo.T for insert as select ':x'");
    EXPECT_FALSE(w->ErrorsShown());
}

TEST_F(SourceWindows, ACompileErrorRollsEverythingBackAndListsTheEditorLines)
{
    Trigger("CREATE TRIGGER [dbo].[t_x]\r\nON [dbo].[T] FOR INSERT AS\r\nBEGIN\r\n  SELECT 1\r\nEND", false, false);
    TfrmTrigger* w = OpenTrigger("t_x");
    ASSERT_TRUE(w);
    w->resize(700, 500);
    QStringList lines = Editor(w);
    lines.insert(5, "  SELEC 2"); // the fourth line of the CREATE batch
    lines.insert(2, "insert into dbo.Log values (1)");
    lines.insert(3, "go");
    w->fraMemo->txtSQL->Lines().Assign(lines);
    EXPECT_TRUE(w->Modified());
    session->fixture().exact("use [sales]\ndrop trigger [dbo].[t_x]");
    session->fixture().exact("insert into dbo.Log values (1)").affects(1);
    // An error item naming line 4 of the batch.
    session->fixture()
        .pattern("CREATE TRIGGER .*")
        .fails(QString::fromUtf8("行番号 4: 'SELEC' 付近に不適切な構文があります。\r\nステートメントは準備できませんでした。"));
    const qsizetype mark = Mark();
    const qsizetype events = session->events().size();
    w->Compile();
    const QStringList sent = StatementsFrom(mark);
    // The drop and the first batch ran; the failing second batch ended the run.
    ASSERT_GE(sent.size(), 3);
    EXPECT_EQ(sent.mid(sent.size() - 4),
              QStringList({"use [sales]\ndrop trigger [dbo].[t_x]", "use [sales]", "insert into dbo.Log values (1)",
                           sent.last()}));
    EXPECT_TRUE(sent.last().startsWith("CREATE TRIGGER [dbo].[t_x]"));
    EXPECT_EQ(session->events().mid(events), QStringList({"StartTransaction", "Rollback", "AutoCommit"}));
    EXPECT_EQ(boxes, QStringList({"48:" + QString::fromUtf8("コンパイルエラーが発生しました。")}));
    ASSERT_TRUE(w->ErrorsShown());
    // The CREATE batch starts on editor row 4: the server's line 4 is the editor's line 8.
    EXPECT_EQ(Errors(w), QStringList({QString::fromUtf8("行番号8: 'SELEC' 付近に不適切な構文があります。"),
                                      QString::fromUtf8("ステートメントは準備できませんでした。")}));
    EXPECT_EQ(Editor(w).at(7), "  SELEC 2");
    EXPECT_TRUE(w->Modified()); // the text stays as typed
    EXPECT_FALSE(w->IsNew());
    EXPECT_GT(w->lstError->height(), 0);
    saveGrab(w, "trigger_window_errors");
    // Double-click: the caret goes to that line; an item without a number goes to the first.
    w->lstError->setCurrentRow(0);
    w->lstErrorDblClick();
    EXPECT_EQ(w->fraMemo->txtSQL->Row(), 7);
    w->lstError->setCurrentRow(1);
    w->lstErrorDblClick();
    EXPECT_EQ(w->fraMemo->txtSQL->Row(), 0);
}

TEST_F(SourceWindows, NewTriggerTemplatesAndHeaderRenames)
{
    // With the table: the template at once.
    auto* w = new TfrmTrigger(conn, "sales", "dbo", "", omSource, "T");
    main->AddChildWindow(w);
    EXPECT_EQ(w->windowTitle(), QString::fromUtf8("TRIGGER - 新規"));
    EXPECT_TRUE(w->pnlName->isEnabled());
    EXPECT_FALSE(w->pagObject->isTabVisible(w->pagObject->indexOf(w->tabCross)));
    EXPECT_EQ(Editor(w), QStringList({"CREATE TRIGGER [dbo].[]", "ON [dbo].[T]",
                                      "FOR INSERT             /* FOR or AFTER *//* INSERT or UPDATE or DELETE */",
                                      "AS", "BEGIN", QString::fromUtf8("  /* 実行するSQL */"), "  SELECT 1 ;", "END",
                                      "go"}));
    // A blank editor: leaving the name writes the template without a table.
    auto* blank = new TfrmTrigger(conn, "sales", "dbo", "", omSource);
    main->AddChildWindow(blank);
    blank->txtName->setText("t1");
    blank->txtNameExit(blank->txtName);
    QStringList lines = Editor(blank);
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines.mid(0, 2), QStringList({"CREATE TRIGGER [dbo].[t1]",
                                            QString::fromUtf8("ON [dbo].[/*参照先テーブル*/]")}));
    // A schema change renames the CREATE and ON lines only; a body line keeps its prefix.
    lines.insert(5, "  SELECT * FROM [dbo].X ;");
    blank->fraMemo->txtSQL->Lines().Assign(lines);
    blank->cmbSchema->Save();
    blank->cmbSchema->setEditText("hr");
    blank->txtNameExit(blank->cmbSchema);
    lines = Editor(blank);
    EXPECT_EQ(lines.at(0), "CREATE TRIGGER [hr].[t1]");
    EXPECT_EQ(lines.at(1), QString::fromUtf8("ON [hr].[/*参照先テーブル*/]"));
    EXPECT_EQ(lines.at(5), "  SELECT * FROM [dbo].X ;");
    blank->txtName->Save();
    blank->txtName->setText("t2");
    blank->txtNameExit(blank->txtName);
    EXPECT_EQ(Editor(blank).at(0), "CREATE TRIGGER [hr].[t2]");
    // Through the focus: a schema picked from the drop-down list still renames on leaving.
    const auto focus = [](QWidget* w, QEvent::Type type, Qt::FocusReason reason) {
        QFocusEvent e(type, reason);
        QApplication::sendEvent(w, &e);
    };
    focus(blank->cmbSchema, QEvent::FocusIn, Qt::TabFocusReason);
    focus(blank->cmbSchema, QEvent::FocusOut, Qt::PopupFocusReason);
    focus(blank->cmbSchema, QEvent::FocusIn, Qt::PopupFocusReason);
    blank->cmbSchema->setEditText("sales2");
    focus(blank->cmbSchema, QEvent::FocusOut, Qt::TabFocusReason);
    EXPECT_EQ(Editor(blank).mid(0, 2), QStringList({"CREATE TRIGGER [sales2].[t2]",
                                                    QString::fromUtf8("ON [sales2].[/*参照先テーブル*/]")}));
    // A new object that compiles nothing stays new.
    auto* empty = new TfrmTrigger(conn, "sales", "dbo", "", omSource);
    main->AddChildWindow(empty);
    empty->txtName->setText("t3");
    empty->fraMemo->txtSQL->Lines().Assign({"  "});
    const qsizetype mark = Mark();
    empty->Compile();
    EXPECT_EQ(boxes.last(), "48:" + QString::fromUtf8("変更箇所が見つかりませんでした。"));
    EXPECT_TRUE(empty->IsNew());
    EXPECT_EQ(Mark(), mark);
}

TEST_F(SourceWindows, ScriptRoutinesWriteTheCopyHeaderAndTheDrop)
{
    Trigger("create trigger dbo.t_x on dbo.T for insert as select 1", false, false);
    Module("[dbo].[p]", "CREATE PROC dbo.p @a int AS select @a");
    ScriptOption.Database = qmAlways;
    ScriptOption.Owner = qmAlways;
    const auto script = [&](auto routine, const DefineScriptRequest& r, bool drop) {
        ScriptOption.Drop = drop;
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        try {
            routine(conn, r, buffer);
        } catch (const EAbort&) {
        }
        ScriptOption.Drop = false;
        const QByteArray& b = buffer.data();
        return QString::fromUtf16(reinterpret_cast<const char16_t*>(b.constData()), b.size() / 2);
    };
    DefineScriptRequest t;
    t.objectType = 57;
    t.database = "sales";
    t.schema = "dbo";
    t.name = "t_x";
    EXPECT_EQ(script(&TfrmTrigger::GetScript, t, false),
              "use [sales]\r\ngo\r\nCREATE TRIGGER [dbo].[t_x]\r\non dbo.T for insert as select 1\r\ngo\r\n");
    DefineScriptRequest copy;
    copy.objectType = 51;
    copy.database = "sales";
    copy.schema = "dbo";
    copy.name = "p";
    copy.newSchema = "hr";
    copy.newName = "p2";
    EXPECT_EQ(script(&TfrmSource::GetScript, copy, false),
              "use [sales]\r\ngo\r\nCREATE PROCEDURE [hr].[p2]\r\n@a int AS select @a\r\ngo\r\n");
    // The DROP variant names the object itself, the name inside the literal bracketed.
    EXPECT_EQ(script(&TfrmSource::GetScript, copy, true),
              "use [sales]\r\ngo\r\nIF EXISTS (SELECT * FROM sysobjects WHERE id = object_id(N'[dbo].[p]'))\r\n"
              "DROP PROCEDURE [dbo].[p]\r\ngo\r\n");
}

TEST_F(SourceWindows, ProcedureRecompilesByteForByteAndKeepsItsExecutePermission)
{
    // 9,000 characters with blanks on both sides of the 4,000-character boundaries.
    QString body = "CREATE PROCEDURE [dbo].[p]\r\nAS\r\nselect ':x' as c -- ";
    while (body.size() < 9000)
        body += QStringLiteral("word  \t ");
    body.truncate(8999);
    for (int at : {3998, 3999, 4000, 4001, 7999, 8000})
        body[at] = QLatin1Char(' ');
    body += "x"; // a loaded text is trimmed at its ends
    Module("[dbo].[p]", body);
    TfrmSource* w = OpenSource(51, "p");
    ASSERT_TRUE(w) << errors.join("\n").toStdString();
    EXPECT_EQ(w->windowTitle(), "PROCEDURE - sales.dbo.p @ srv.master");
    EXPECT_EQ(Editor(w).mid(0, 2), QStringList({"use [sales]", "go"}));
    EXPECT_EQ(Editor(w).mid(2, Editor(w).size() - 3).join("\r\n"), body);
    EXPECT_TRUE(w->actExec->isEnabled());

    ProcedureKeeps("u1");
    session->fixture().exact("use [sales]\ndrop procedure [dbo].[p]");
    session->fixture().pattern("CREATE PROCEDURE .*");
    session->fixture().exact("GRANT EXECUTE ON [dbo].[p] TO [u1]");
    const qsizetype mark = Mark();
    w->Compile();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    const QStringList raw = RawFrom(mark);
    ASSERT_GE(raw.size(), 9);
    // the grant read, the property read, drop, switch, the body, the grant
    EXPECT_EQ(raw.at(4), "use [sales]\r\ndrop procedure [dbo].[p]");
    EXPECT_EQ(raw.at(5), "use [sales]");
    EXPECT_EQ(raw.at(6), body); // byte for byte
    EXPECT_EQ(raw.at(7), "use [sales]");
    EXPECT_EQ(raw.at(8), "GRANT EXECUTE ON [dbo].[p] TO [u1]");
}

TEST_F(SourceWindows, SourcesBelowVersion9AreJoinedFromTheirStoredPieces)
{
    // A server that hands back each syscomments row without its trailing blanks: the stored
    // length puts them back.
    QString body = "CREATE PROCEDURE [dbo].[p]\r\nAS\r\n";
    while (body.size() < 8200)
        body += QStringLiteral("select 1    ");
    body += "select 2";
    std::vector<QVariantList> rows;
    for (qsizetype at = 0; at < body.size(); at += 4000) {
        const QString piece = body.mid(at, 4000);
        QString shown = piece;
        while (shown.endsWith(' '))
            shown.chop(1);
        rows.push_back({shown, static_cast<int>(piece.size())});
    }
    ASSERT_EQ(rows.size(), 3u);
    conn->session()->DBVer = 8;
    Rule("select text, datalength(text) / 2 from syscomments where id = object_id(?) order by number, colid",
         {"[dbo].[p]"}, {column("text", "nvarchar(4000)"), column("", "int")}, rows);
    TfrmSource* w = OpenSource(51, "p");
    ASSERT_TRUE(w) << errors.join("\n").toStdString();
    const QStringList lines = Editor(w);
    EXPECT_EQ(lines.mid(2, lines.size() - 3).join("\r\n"), body);
}

TEST_F(SourceWindows, RunIsOfferedOnlyForACleanCompiledObjectAndOpensTheRunner)
{
    Module("[dbo].[p]", "CREATE PROCEDURE [dbo].[p] AS select 1");
    TfrmSource* w = OpenSource(51, "p");
    ASSERT_TRUE(w);
    EXPECT_TRUE(w->actExec->isEnabled());
    w->fraMemo->txtSQL->Lines().Assign({"CREATE PROCEDURE [dbo].[p] AS selec 1"});
    EXPECT_FALSE(w->actExec->isEnabled()); // modified
    ProcedureKeeps("");
    session->fixture().exact("use [sales]\ndrop procedure [dbo].[p]");
    session->fixture().exact("CREATE PROCEDURE [dbo].[p] AS selec 1").fails("bad");
    w->Compile();
    EXPECT_TRUE(w->ErrorsShown());
    EXPECT_EQ(Errors(w), QStringList({"bad"}));
    w->SetModified(false);
    w->UpdateSourceActions();
    EXPECT_FALSE(w->actExec->isEnabled()); // errors listed
    w->fraMemo->txtSQL->Lines().Assign({"CREATE PROCEDURE [dbo].[p] AS select 1"});
    session->fixture().exact("CREATE PROCEDURE [dbo].[p] AS select 1");
    w->Compile();
    EXPECT_FALSE(w->ErrorsShown());
    EXPECT_TRUE(w->actExec->isEnabled());
    session->fixture().pattern("select type from sys\\.objects .*").returns({column("type", "char(2)")}, {{"P "}});
    session->fixture().pattern("select param\\.parameter_id .* order by 1").returns(
        {column("", "int"), column("", "sysname"), column("", "sysname"), column("", "int"), column("", "int"),
         column("", "int"), column("", "sysname"), column("", "char(1)"), column("", "bit")},
        {{0, "", "int", 0, 0, 0, "", " ", false}});
    QWidget* runner = w->actExecExecute();
    ASSERT_TRUE(qobject_cast<TfrmExecProc*>(runner)) << errors.join("\n").toStdString();
    EXPECT_EQ(qobject_cast<TfrmExecProc*>(runner)->txtName->text(), "p");
}

TEST_F(SourceWindows, NewFunctionTemplateAndSave)
{
    TfrmSource* w = OpenSource(52, "");
    ASSERT_TRUE(w);
    EXPECT_EQ(w->windowTitle(), QString::fromUtf8("FUNCTION - 新規"));
    EXPECT_FALSE(w->pagObject->isTabVisible(w->pagObject->indexOf(w->tabGrant)));
    EXPECT_FALSE(w->actSave->isEnabled());
    w->txtNameExit(w->txtName); // left without a name: the template with an empty bracketed name
    EXPECT_EQ(Editor(w), QStringList({QString::fromUtf8("CREATE FUNCTION [dbo].[] (/*@引数, @引数...*/)"),
                                      QString::fromUtf8("RETURNS int -- 戻り値のデータ型"), "AS", "BEGIN",
                                      "  DECLARE @variable int;", "  RETURN @variable;", "END", "go"}));

    Module("[dbo].[f]", "CREATE FUNCTION dbo.f(@a int) RETURNS int AS BEGIN RETURN @a END");
    TfrmSource* f = OpenSource(52, "f");
    ASSERT_TRUE(f);
    EXPECT_EQ(Editor(f).at(3), "(@a int) RETURNS int AS BEGIN RETURN @a END");
    QTemporaryDir dir;
    qvOption.FileDir = dir.path() + "/";
    QFile existing(dir.path() + "/dbo.f.sql");
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();
    QString proposed;
    TfrmSource::SaveDialogHook = [&](const QString&, const QString& p, const QString&) {
        proposed = p;
        return dir.path() + "/out";
    };
    qvOption.Encoding = 2;
    f->actSaveExecute();
    TfrmSource::SaveDialogHook = nullptr;
    EXPECT_EQ(proposed, dir.path() + "/dbo.f01.sql");
    QFile saved(dir.path() + "/out.sql");
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    EXPECT_TRUE(bytes.startsWith("use [sales]\r\ngo\r\nCREATE FUNCTION [dbo].[f]\r\n")) << bytes.toStdString();
    EXPECT_EQ(boxes.last(), "64:" + QString::fromUtf8("スクリプトが出力されました。"));
    f->resize(760, 420);
    saveGrab(f, "source_window");
}

TEST_F(SourceWindows, SampleViewerIsOnePerWindowAndFollowsTheConnectionKind)
{
    EXPECT_EQ(SampleFileName(false, 51), "sample/procedure.sql");
    EXPECT_EQ(SampleFileName(true, 51), "sample/procedure_azure.sql");
    EXPECT_EQ(SampleFileName(false, 52), "sample/function.sql");
    EXPECT_EQ(SampleFileName(true, 52), "sample/function_azure.sql");

    const QString folder = DataDir() + "sample/";
    QDir().mkpath(folder);
    const QString file = folder + "procedure.sql";
    QFile::remove(file);
    QStringList warnings;
    TfrmSample::WarningHook = [&](const QString& text) { warnings << text; };
    Module("[dbo].[p]", "CREATE PROCEDURE [dbo].[p] AS select 1");
    TfrmSource* w = OpenSource(51, "p");
    ASSERT_TRUE(w);
    if (!QFile::exists(SampleFilePath(false, 51))) {
        // Neither the data folder nor the program folder has it: warning, no viewer.
        w->actSampleExecute();
        EXPECT_EQ(warnings, QStringList({QString::fromUtf8("ファイルが見つかりません。")}));
        EXPECT_TRUE(w->SampleWindow.isNull());
    }
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("-- first\r\nCREATE PROCEDURE dbo.sample AS select 1\r\n");
    }
    w->actSampleExecute();
    ASSERT_FALSE(w->SampleWindow.isNull());
    TfrmSample* viewer = w->SampleWindow;
    EXPECT_EQ(viewer->windowTitle(), QString::fromUtf8("PROCEDURE - サンプル"));
    EXPECT_TRUE(viewer->txtSample->ReadOnly());
    EXPECT_EQ(viewer->txtSample->Lines().ToStringList().at(0), "-- first");
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("-- second\r\n");
    }
    w->actSampleExecute(); // the same viewer, reloaded
    EXPECT_EQ(w->SampleWindow.data(), viewer);
    EXPECT_EQ(viewer->txtSample->Lines().ToStringList().at(0), "-- second");
    viewer->resize(480, 300);
    saveGrab(viewer, "sample_viewer");
    // Closing the source window destroys its viewer, which writes its settings.
    TqvRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\Software\\Velmora\\QVS22\\GUI\\SAMPLE", true));
    reg.WriteInteger("Width", 1);
    QPointer<TfrmSample> watch(viewer);
    delete w;
    EXPECT_TRUE(watch.isNull());
    TqvRegistry after;
    ASSERT_TRUE(after.OpenKey("\\Software\\Velmora\\QVS22\\GUI\\SAMPLE", true));
    EXPECT_EQ(after.GetInteger("Width", 0), 480);
    TfrmSample::WarningHook = nullptr;
    QFile::remove(file);
}

TEST_F(SourceWindows, PrivilegesPageAppliesThroughTheDefinitionRoad)
{
    Module("[dbo].[p]", "CREATE PROCEDURE [dbo].[p] AS select 1");
    session->fixture()
        .exact(catalog::UserListSql({15, false}, "sales", true))
        .returns({column("name", "sysname")}, {{"u1"}, {"public"}});
    session->fixture().exact("select issqluser from sysusers where name = ?").returns({column("issqluser", "int")}, {{1}});
    FixtureRule& perms = session->fixture().pattern("select d\\.name GRANTEE.*");
    perms.params = QVariantList{"sales", "dbo", "p"};
    perms.returns({column("GRANTEE", "sysname"), column("PRIVILEGE", "varchar(30)"), column("PRIVTYPE", "int")},
                  {{"u1", "EXECUTE", 205}});
    TfrmSource* w = OpenSource(51, "p", omGrant);
    ASSERT_TRUE(w) << errors.join("\n").toStdString();
    EXPECT_EQ(w->pagObject->currentWidget(), w->tabGrant);
    ASSERT_EQ(w->fraGrant->lstGrant->topLevelItemCount(), 1);
    w->fraGrant->SelectPrincipals({"u1"});
    w->fraGrant->ClickBox(3, grants::ColDeny); // EXECUTE
    EXPECT_TRUE(w->Modified());
    EXPECT_FALSE(w->actExec->isEnabled());
    session->fixture().exact("DENY EXECUTE ON [dbo].[p] TO [u1]");
    const qsizetype mark = Mark();
    w->Compile();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    const QStringList sent = StatementsFrom(mark);
    ASSERT_GE(sent.size(), 2) << sent.join("\n---\n").toStdString();
    EXPECT_EQ(sent.mid(0, 2), QStringList({"use [sales]", "DENY EXECUTE ON [dbo].[p] TO [u1]"}));
    EXPECT_FALSE(w->Modified());
    w->resize(760, 460);
    saveGrab(w, "source_window_privileges");
}
