// The job window on the scripted session, opened through the connection window for object
// type 97: a new job's msdb calls, an existing job's load and alter, one window per job
// whoever owns it, the delete command and the script routine.
#include "admin/jobs/jobs_job_window.h"

#include "admin/jobs/jobs_grid_text.h"
#include "admin/jobs/jobs_grids.h"
#include "admin/jobs/jobs_statement_text.h"
#include "app/message_box.h"
#include "controls/grid/string_grid.h"
#include "platform/exceptions.h"
#include "platform/textcodec.h"
#include "support/modal_helper.h"
#include "support/test_env.h"
#include "tables/define_script.h"
#include "tables/define_session_helper.h"

#include <QBuffer>
#include <QCheckBox>
#include <QDir>
#include <QTabWidget>

using namespace qv;
using namespace qv::db;
using namespace qv::jobs;
using namespace qvtest;

namespace {

QString Normalised(QString sql)
{
    sql.replace("\r\n", "\n");
    sql.replace(QRegularExpression(":[A-Z_0-9]+"), "?");
    return sql;
}

struct JobWindow : DefineSession {
    void SetUp() override
    {
        DefineSession::SetUp();
        Connect();
    }
    // Job `name` owned by `owner` with one step "s1" and no schedule.
    void Exists(const QString& name, const QString& owner, const QString& description = "d")
    {
        FixtureRule& h = session->fixture().exact(Normalised(JobHeaderQuery()));
        h.params = QVariantList{name};
        h.returns({column("", "sysname"), column("name", "sysname"), column("description", "nvarchar(512)"),
                   column("enabled", "tinyint"), column("start_step_id", "int")},
                  {{owner, "[Uncategorized (Local)]", description, 1, 1}});
        std::vector<ColumnDesc> stepCols;
        for (const char* c : {"step_id", "step_name", "subsystem", "command", "flags", "cmdexec_success_code",
                              "on_success_action", "on_success_step_id", "on_fail_action", "on_fail_step_id", "server",
                              "database_name", "database_user_name", "retry_attempts", "retry_interval"})
            stepCols.push_back(column(c, "nvarchar(128)"));
        FixtureRule& one = session->fixture().exact("EXEC msdb.dbo.sp_help_jobstep NULL, ?, ?");
        one.params = QVariantList{name, "1"};
        one.returns(stepCols, {{"1", "s1", "TSQL", "select 1", "0", "0", "1", "0", "2", "0", "", "", "", "0", "0"}});
        FixtureRule& all = session->fixture().exact("EXEC msdb.dbo.sp_help_jobstep NULL, ?");
        all.params = QVariantList{name};
        all.returns(stepCols, {{"1", "s1", "TSQL", "select 1", "0", "0", "1", "0", "2", "0", "", "", "", "0", "0"}});
        FixtureRule& sc = session->fixture().exact("EXEC msdb.dbo.sp_help_jobschedule Null, ?");
        sc.params = QVariantList{name};
        sc.returns({column("schedule_id", "int")}, {});
    }
    TfrmJob* OpenJob(const QString& name) { return qobject_cast<TfrmJob*>(Open(97, "", "", name)); }
};

} // namespace

TEST_F(JobWindow, NewJobSendsTheCreateCallsWithoutUseLines)
{
    TfrmJob* w = OpenJob("");
    ASSERT_TRUE(w);
    EXPECT_EQ(w->windowTitle(), "JOB - 新規");
    EXPECT_EQ(w->cmbLogin->currentText(), "sa");
    EXPECT_FALSE(w->pagObject->isTabVisible(w->pagObject->indexOf(w->tabSource)));
    w->txtName->setText("night'ly");
    w->cmbCategory->setEditText("[未カテゴリ化 (ローカル)]");
    // A step row with a command but no name is refused.
    w->fraGrids->grdStep->SetEditText(scCommand, 1, "select 1");
    qsizetype mark = Mark();
    w->Compile();
    EXPECT_EQ(boxes.value(0), QString::number(MB_OK | MB_ICONWARNING) + ":ステップ名を入力して下さい。");
    EXPECT_EQ(Mark(), mark);
    boxes.clear();
    w->fraGrids->grdStep->SetEditText(scName, 1, "s1");
    Exists("night'ly", "sa", "");
    session->fixture().pattern("EXEC msdb\\.dbo\\..*").affects(0);
    mark = Mark();
    w->actCompile->trigger();
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join("\n").toStdString();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    const QStringList sent = StatementsFrom(mark);
    ASSERT_GE(sent.size(), 3);
    EXPECT_EQ(sent.mid(0, 3),
              (QStringList{"EXEC msdb.dbo.sp_add_job N'night''ly', 1, NULL, 1, '[Uncategorized (Local)]', NULL, N'sa'",
                           "EXEC msdb.dbo.sp_add_jobstep @job_name = N'night''ly', @step_name = N's1',\n"
                           "    @command            = N'select 1'",
                           "EXEC msdb.dbo.sp_add_jobserver NULL, N'night''ly', N'(LOCAL)'"}));
    for (const QString& s : sent)
        EXPECT_FALSE(s.startsWith("use", Qt::CaseInsensitive)) << s.toStdString();
    EXPECT_FALSE(w->IsNew());
    EXPECT_EQ(w->windowTitle(), "JOB - sa.night'ly @ srv.master");
    EXPECT_EQ(w->cmbStartStep->currentText(), "1:s1");
    EXPECT_EQ(w->cmbCategory->currentText(), "[未カテゴリ化 (ローカル)]");
}

TEST_F(JobWindow, AJobOfAnotherOwnerOpensOnceAndItsChangesAreAlterCalls)
{
    Exists("backup", "DOMAIN\\ops");
    TfrmJob* w = OpenJob("backup");
    ASSERT_TRUE(w);
    EXPECT_EQ(w->windowTitle(), "JOB - DOMAIN\\ops.backup @ srv.master");
    EXPECT_EQ(w->fraGrids->grdStep->Cells(scName, 1), "s1");
    EXPECT_FALSE(w->pnlName->isEnabled());
    const qsizetype before = Mark();
    EXPECT_EQ(OpenJob("backup"), nullptr); // the open window comes forward, nothing is read
    EXPECT_EQ(Mark(), before);
    saveGrab(w, "jobs_job_window");

    w->txtDescription->setText("");
    w->chkEnabled->setChecked(false);
    EXPECT_TRUE(w->Modified());
    session->fixture().pattern("EXEC msdb\\.dbo\\..*").affects(0);
    const qsizetype mark = Mark();
    w->actCompile->trigger();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    const QStringList sent = StatementsFrom(mark);
    ASSERT_GE(sent.size(), 3);
    EXPECT_EQ(sent.mid(0, 3),
              (QStringList{"EXEC msdb.dbo.sp_update_job NULL, N'backup', NULL, 0, NULL, 1, '[Uncategorized (Local)]', "
                           "N'DOMAIN\\ops'",
                           "EXEC msdb.dbo.sp_delete_jobstep NULL, N'backup', 0",
                           "EXEC msdb.dbo.sp_add_jobstep @job_name = N'backup', @step_name = N's1',\n"
                           "    @command            = N'select 1'"}));
}

TEST_F(JobWindow, DeleteAsksAndScriptWritesTheDrop)
{
    Exists("j1", "sa");
    TfrmJob* w = OpenJob("j1");
    ASSERT_TRUE(w);
    answers << IDNO;
    qsizetype mark = Mark();
    w->actDelete->trigger();
    EXPECT_EQ(Mark(), mark);
    EXPECT_EQ(boxes.value(0),
              QString::number(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) + ":ジョブを削除しますか？");

    DefineScriptRequest r;
    r.objectType = 97;
    r.name = "j1";
    QBuffer memory;
    memory.open(QIODevice::WriteOnly);
    ScriptOption.Drop = true;
    EXPECT_THROW(DefinitionScripts().value(97)(conn, r, memory), EAbort);
    EXPECT_EQ(TextEncoding::get(TextEncoding::Utf16LE).decode(memory.data()),
              "EXEC msdb.dbo.sp_delete_job @job_name = N'j1', @delete_unused_schedule = 0\r\ngo\r\n");

    session->fixture().exact("EXEC msdb.dbo.sp_delete_job NULL, N'j1'").affects(0);
    boxes.clear();
    mark = Mark();
    w->actDelete->trigger();
    EXPECT_EQ(StatementsFrom(mark), QStringList{"EXEC msdb.dbo.sp_delete_job NULL, N'j1'"});
    EXPECT_EQ(boxes.value(1), QString::number(MB_OK | MB_ICONINFORMATION) + ":ジョブが削除されました。");
}

TEST(JobsCategory, BuiltInNamesBothWays)
{
    EXPECT_EQ(CategoryJa("Database Maintenance"), "データベースのメンテナンス");
    EXPECT_EQ(CategoryEn("データベースのメンテナンス"), "Database Maintenance");
    EXPECT_EQ(CategoryJa("database maintenance"), "database maintenance");
    EXPECT_EQ(CategoryEn("自作"), "自作");
}
