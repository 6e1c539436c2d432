// The step command editor: "go" lines on OK, Cancel, the analysis statements on the session
// and its messages, and the command cell of the step grid that opens it.
#include "admin/jobs/jobs_command_editor.h"
#include "admin/jobs/jobs_grid_text.h"
#include "admin/jobs/jobs_grids.h"

#include "app/message_box.h"
#include "controls/grid/string_grid.h"
#include "editor/sqlmemo/qvmemo.h"
#include "support/modal_helper.h"
#include "support/test_env.h"
#include "tables/define_session_helper.h"

#include <QDir>
#include <QPushButton>

using namespace qv;
using namespace qv::db;
using namespace qvtest;

TEST(JobsCommandText, GoLinesBecomeGoWithABlank)
{
    EXPECT_EQ(jobs::StepCommandOnOk("select 1\nGO\nselect 2\n go\ngo;\nGo\r\nxgo"),
              "select 1\ngo \nselect 2\n go\ngo;\ngo \r\nxgo");
    EXPECT_EQ(jobs::StepAnalysisPrologue(""), (QStringList{"USE [master]", "SET NOEXEC ON"}));
    EXPECT_EQ(jobs::StepAnalysisPrologue("a]b"), (QStringList{"USE [a]]b]", "SET NOEXEC ON"}));
}

namespace {
struct CommandEditor : DefineSession {
    QStringList notes;
    void SetUp() override
    {
        DefineSession::SetUp();
        Connect();
        TfrmSqlMemo::MessageHook = [this](const QString& text, int flags) {
            notes << QString::number(flags) + ":" + text;
            return IDOK;
        };
    }
    void TearDown() override
    {
        TfrmSqlMemo::MessageHook = nullptr;
        TfrmSqlMemo::ExecHook = nullptr;
        DefineSession::TearDown();
    }
};
} // namespace

TEST_F(CommandEditor, AnalysisRunsUnderNoexecInTheStepDatabase)
{
    session->fixture().exact("USE [sales]");
    session->fixture().exact("SET NOEXEC ON");
    session->fixture().exact("SET NOEXEC OFF");
    session->fixture().exact("select * from t\ngo\nselect 2").affects(0);
    session->fixture().exact("selec oops").fails("Incorrect syntax near 'oops'.");
    QString text = "select * from t\ngo\nselect 2";
    qsizetype mark = Mark();
    TfrmSqlMemo::ExecHook = [&](TfrmSqlMemo* d) {
        EXPECT_TRUE(d->btnAnalyze->isEnabled());
        d->btnAnalyze->click();
        d->txtComment->Lines().SetTextStr(QStringLiteral("selec oops"));
        d->btnAnalyze->click();
        saveGrab(d, "jobs_command_editor");
        return 2;
    };
    EXPECT_EQ(TfrmSqlMemo::ShowWindow(conn->session(), "sales", text), 2);
    EXPECT_EQ(text, "select * from t\ngo\nselect 2"); // Cancel leaves the text
    EXPECT_EQ(StatementsFrom(mark),
              (QStringList{"USE [sales]", "SET NOEXEC ON", "select * from t\ngo\nselect 2", "SET NOEXEC OFF",
                           "USE [sales]", "SET NOEXEC ON", "selec oops", "SET NOEXEC OFF"}));
    ASSERT_EQ(notes.size(), 2);
    EXPECT_EQ(notes[0], QString::number(MB_OK | MB_ICONINFORMATION) + ":コマンドが正常に解析されました。");
    EXPECT_TRUE(notes[1].startsWith(QString::number(MB_OK | MB_ICONWARNING) + ":"));
    EXPECT_TRUE(notes[1].contains("Incorrect syntax near 'oops'."));
}

TEST_F(CommandEditor, CommandCellOpensTheEditorAndTakesItsText)
{
    TfraJobGrids f;
    bool modified = false;
    f.Session = [this] { return conn->session(); };
    f.Version = [] { return 15; };
    f.Modified = [&] { return modified; };
    f.SetModified = [&] { modified = true; };
    f.Clear();
    f.grdStep->SetEditText(jobs::scName, 1, "s");
    f.grdStep->MoveCurrent(jobs::scCommand, 1, true, true);
    TfrmSqlMemo::ExecHook = [](TfrmSqlMemo* d) {
        EXPECT_FALSE(d->btnAnalyze->isEnabled()); // nothing to analyse yet
        d->txtComment->Lines().SetTextStr(QStringLiteral("select 1\nGO\nselect 2"));
        return 1;
    };
    f.grdStepEditButtonClick();
    EXPECT_EQ(f.grdStep->Cells(jobs::scCommand, 1), "select 1\ngo \nselect 2");
    EXPECT_TRUE(modified);
}
