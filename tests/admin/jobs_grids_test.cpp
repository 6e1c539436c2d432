// The job window's step and schedule grids on the scripted session: entry rows, row moves,
// editable cells, the loaders, the day dialog, the shared-schedule fill and the statements the
// rows give.
#include "admin/jobs/jobs_grid_text.h"
#include "admin/jobs/jobs_grids.h"

#include "app/message_box.h"
#include "controls/grid/string_grid.h"
#include "support/modal_helper.h"
#include "support/test_env.h"
#include "tables/define_session_helper.h"

#include <QDir>
#include <QToolButton>

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

// Integer columns but for the named text ones.
std::vector<ColumnDesc> IntColumns(const QStringList& names)
{
    static const QStringList text{"step_name", "subsystem", "command", "server", "database_name",
                                  "database_user_name", "schedule_name", "schedule_uid"};
    std::vector<ColumnDesc> cols;
    for (const QString& n : names)
        cols.push_back(column(n, text.contains(n) ? "nvarchar(128)" : "int"));
    return cols;
}

struct JobGrids : DefineSession {
    std::unique_ptr<TfraJobGrids> f;
    bool modified = false;
    QStringList warnings;
    int version = 15;

    void SetUp() override
    {
        DefineSession::SetUp();
        Connect();
        f = std::make_unique<TfraJobGrids>();
        f->Session = [this] { return conn->session(); };
        f->Version = [this] { return version; };
        f->Modified = [this] { return modified; };
        f->SetModified = [this] { modified = true; };
        f->Databases = [] { return QStringList{"master", "sales"}; };
        TfraJobGrids::MessageHook = [this](const QString& text, int) {
            warnings << text;
            return IDOK;
        };
        f->resize(900, 500);
        f->Clear();
    }
    void TearDown() override
    {
        TfraJobGrids::MessageHook = nullptr;
        TfraJobGrids::DayDialogHook = nullptr;
        f.reset();
        DefineSession::TearDown();
    }
    void Type(TqvStringGrid* g, int c, int r, const QString& v)
    {
        g->MoveCurrent(c, r, true, true);
        g->SetEditText(c, r, v);
    }
    QStringList Column(TqvStringGrid* g, int c) const
    {
        QStringList out;
        for (int r = 1; r < g->RowCount(); ++r)
            out << g->Cells(c, r);
        return out;
    }
    // Job "j" has three schedules: 1 a (daily), 2 b (weekly Mon+Fri), 3 c (CPU idle).
    void Schedules()
    {
        FixtureRule& r = session->fixture().exact("EXEC msdb.dbo.sp_help_jobschedule Null, ?");
        r.params = QVariantList{"j"};
        r.returns(IntColumns({"schedule_id", "schedule_name", "enabled", "freq_type", "freq_interval",
                              "freq_subday_type", "freq_subday_interval", "freq_relative_interval",
                              "freq_recurrence_factor", "active_start_date", "active_end_date", "active_start_time",
                              "active_end_time"}),
                  {{1, "a", 1, 4, 1, 1, 0, 0, 0, 20240101, 99991231, 93000, 235959},
                   {2, "b", 1, 8, 34, 8, 2, 0, 1, 20240101, 99991231, 80000, 180000},
                   {3, "c", 0, 128, 0, 0, 0, 0, 0, 20240101, 99991231, 0, 235959}});
    }
};

} // namespace

TEST_F(JobGrids, StepEntryRowInsertDeleteAndMovesKeepNumbersConsecutive)
{
    TqvStringGrid* g = f->grdStep;
    Type(g, scName, 1, "first");
    EXPECT_EQ(g->RowCount(), 3);
    EXPECT_EQ(g->Cells(scType, 1), "TSQL");
    Type(g, scCommand, 2, "select 1");
    Type(g, scName, 2, "second");
    Type(g, scName, 3, "third");
    EXPECT_EQ(Column(g, scNumber), (QStringList{"1", "2", "3", ""}));
    EXPECT_EQ(Column(g, scName), (QStringList{"first", "second", "third", ""}));
    EXPECT_TRUE(modified);

    g->MoveCurrent(scName, 2, true, true);
    f->btnColInsert->click();
    EXPECT_EQ(Column(g, scName), (QStringList{"first", "", "second", "third", ""}));
    EXPECT_EQ(g->Cells(scType, 2), "TSQL");
    EXPECT_EQ(Column(g, scNumber), (QStringList{"1", "2", "3", "4", ""}));
    f->btnColDelete->click();
    EXPECT_EQ(Column(g, scName), (QStringList{"first", "second", "third", ""}));

    g->MoveCurrent(scName, 3, true, true);
    f->btnUP->click();
    EXPECT_EQ(Column(g, scName), (QStringList{"first", "third", "second", ""}));
    EXPECT_EQ(Column(g, scNumber), (QStringList{"1", "2", "3", ""}));
    EXPECT_EQ(g->Row(), 2);
    f->btnDown->click();
    f->btnDown->click(); // the last data row goes no further
    EXPECT_EQ(Column(g, scName), (QStringList{"first", "second", "third", ""}));
    EXPECT_EQ(g->Cells(scCommand, 2), "select 1");

    // The rows in grid order are the job's steps in order.
    JobHeader h;
    h.name = "j";
    EXPECT_EQ(StepStatements(h, f->Steps()),
              (QStringList{"EXEC msdb.dbo.sp_add_jobstep @job_name = N'j', @step_name = N'first'", "go",
                           "EXEC msdb.dbo.sp_add_jobstep @job_name = N'j', @step_name = N'second',",
                           "    @command            = N'select 1'", "go",
                           "EXEC msdb.dbo.sp_add_jobstep @job_name = N'j', @step_name = N'third'", "go"}));

    // Deleting every data row leaves one empty entry row.
    for (int i = 0; i < 3; ++i) {
        g->MoveCurrent(scName, 1, true, true);
        f->btnColDelete->click();
    }
    EXPECT_EQ(g->RowCount(), 2);
    EXPECT_EQ(g->Rows(1).join(""), "");
}

TEST_F(JobGrids, StepCellsAreEditableByTypeAndAction)
{
    const struct {
        int col;
        QString type, onSuccess, onFail;
        bool editable;
    } cases[] = {
        {scName, "TSQL", "", "", true},
        {scName, "", "", "", true},
        {scType, "TSQL", "", "", false},
        {scName, "CmdExec", "", "", false},
        {scCommand, "PowerShell", "", "", false},
        {scSuccessStep, "TSQL", "指定ステップに進む", "", true},
        {scSuccessStep, "TSQL", "次のステップに進む", "指定ステップに進む", false},
        {scFailStep, "TSQL", "", "指定ステップに進む", true},
        {scFailStep, "TSQL", "指定ステップに進む", "失敗を報告して終了", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StepCellEditable(c.col, c.type, c.onSuccess, c.onFail), c.editable)
            << c.col << " " << c.type.toStdString();
    // SQL Server 2000 keeps its users in the database's sysusers table (no sys schema there).
    EXPECT_EQ(StepUserQuery(8), "SELECT name FROM sysusers");
    EXPECT_EQ(StepUserQuery(9), "SELECT name FROM sys.database_principals");
}

TEST_F(JobGrids, LoadedStepsShowActionsAndOtherSubsystemsAreReadOnly)
{
    FixtureRule& r = session->fixture().exact("EXEC msdb.dbo.sp_help_jobstep NULL, ?");
    r.params = QVariantList{"j"};
    r.returns(IntColumns({"step_id", "step_name", "subsystem", "command", "flags", "cmdexec_success_code",
                          "on_success_action", "on_success_step_id", "on_fail_action", "on_fail_step_id", "server",
                          "database_name", "database_user_name", "retry_attempts", "retry_interval"}),
              {{1, "load", "TSQL", "exec p", 0, 0, 4, 2, 2, 0, "", "sales", "", 1, 5},
               {2, "copy", "CmdExec", "copy a b", 0, 0, 1, 0, 3, 0, "", "", "", 0, 0}});
    f->LoadSteps("j");
    TqvStringGrid* g = f->grdStep;
    ASSERT_EQ(g->RowCount(), 4);
    EXPECT_EQ(g->Rows(1), (QStringList{"1", "load", "TSQL", "sales", "", "exec p", "指定ステップに進む", "2",
                                        "失敗を報告して終了", "", "1", "5"}));
    EXPECT_EQ(g->Cells(scOnSuccess, 2), "成功を報告して終了");
    EXPECT_EQ(g->Cells(scOnFail, 2), "次のステップに進む");
    EXPECT_EQ(g->Rows(3).join(""), "");
    for (int c = 1; c < StepColCount; ++c) {
        f->grdStepSelectCell(c, 2);
        EXPECT_FALSE(g->GridOptions() & goEditing) << c;
    }
    f->grdStepSelectCell(scSuccessStep, 1);
    EXPECT_TRUE(g->GridOptions() & goEditing);
    EXPECT_FALSE(modified);
}

TEST_F(JobGrids, WeeklyRowDaysAndTheDayDialog)
{
    TqvStringGrid* g = f->grdSchedule;
    Type(g, hcName, 1, "w");
    EXPECT_EQ(g->Cells(hcEnabled, 1), "1");
    EXPECT_EQ(g->RowCount(), 3);
    Type(g, hcUnit, 1, "週ごと");
    EXPECT_EQ(g->Cells(hcDays, 1), "日");
    EXPECT_EQ(f->DayMask(1), 1);
    f->grdScheduleSelectCell(hcDays, 1);
    EXPECT_EQ(g->EditStyles(hcDays), TqvGridEditStyle::geEllipsis);

    // An empty choice is refused.
    TfraJobGrids::DayDialogHook = [](const QString& text, int, const QList<bool*>& days) {
        EXPECT_EQ(text, "曜日の設定");
        EXPECT_TRUE(*days[0]); // preset from the mask
        for (bool* d : days)
            *d = false;
        return IDOK;
    };
    f->grdScheduleEditButtonClick();
    EXPECT_EQ(warnings, QStringList{"曜日はどれか一日を必ず選択してください"});
    EXPECT_EQ(f->DayMask(1), 1);
    EXPECT_EQ(g->Cells(hcDays, 1), "日");

    TfraJobGrids::DayDialogHook = [](const QString&, int, const QList<bool*>& days) {
        for (int i = 0; i < 7; ++i)
            *days[i] = i == 1 || i == 5;
        return IDOK;
    };
    f->grdScheduleEditButtonClick();
    EXPECT_EQ(g->Cells(hcDays, 1), "月, 金");
    EXPECT_EQ(f->DayMask(1), 34);
    const QList<JobScheduleRow> rows = f->Schedules();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(ValuesOfRow(rows[0]).dayMask, 34);

    // Editable cells follow the unit: monthly-relative rows pick their day from a list.
    Type(g, hcUnit, 1, "月ごと(相対指定)");
    f->grdScheduleSelectCell(hcDays, 1);
    EXPECT_EQ(g->EditStyles(hcDays), TqvGridEditStyle::gePickList);
    EXPECT_TRUE(ScheduleCellEditable(hcWeek, "月ごと(相対指定)", "1回のみ", 15));
    EXPECT_FALSE(ScheduleCellEditable(hcEndDate, "日ごと", "1回のみ", 15));
    EXPECT_TRUE(ScheduleCellEditable(hcSubdayInterval, "日ごと", "分指定", 15));
    EXPECT_FALSE(ScheduleCellEditable(hcStartDate, "CPUアイドル時", "", 15));
    EXPECT_FALSE(ScheduleCellEditable(hcId, "日ごと", "", 8));
}

TEST_F(JobGrids, PickingASharedIdFillsTheRowAndTheListSkipsIdsInTheGrid)
{
    Schedules();
    f->LoadSchedules("j");
    TqvStringGrid* g = f->grdSchedule;
    ASSERT_EQ(g->RowCount(), 5);
    EXPECT_EQ(g->Rows(2), (QStringList{"2", "b", "週ごと", "1", "", "", "月, 金", "2", "時間指定", "2024/01/01",
                                        "08:00:00", "9999/12/31", "18:00:00", "1"}));
    EXPECT_EQ(f->DayMask(2), 34);
    EXPECT_EQ(g->Cells(hcEnabled, 3), "0");

    const std::vector<ColumnDesc> cols =
        IntColumns({"schedule_id", "schedule_name", "enabled", "freq_type", "freq_interval", "freq_subday_type",
                    "freq_subday_interval", "freq_relative_interval", "freq_recurrence_factor", "active_start_date",
                    "active_end_date", "active_start_time", "active_end_time", "schedule_uid"});
    FixtureRule& all = session->fixture().exact(Normalised(SharedScheduleLookupQuery()));
    all.params = QVariantList{"%"};
    all.returns(cols, {{1, "a", 1, 4, 1, 1, 0, 0, 0, 20240101, 99991231, 93000, 235959, ""},
                       {7, "month end", 1, 32, 9, 1, 0, 16, 1, 20240131, 99991231, 60000, 235959, ""}});
    QStringList items;
    f->grdScheduleGetPickListitems(hcId, 4, items);
    EXPECT_EQ(items, (QStringList{"", "7"}));

    FixtureRule& one = session->fixture().exact(Normalised(SharedScheduleLookupQuery()));
    one.params = QVariantList{"7"};
    one.returns(cols, {{7, "month end", 1, 32, 9, 1, 0, 16, 1, 20240131, 99991231, 60000, 235959, ""}});
    Type(g, hcId, 4, "7");
    EXPECT_EQ(g->Rows(4), (QStringList{"7", "month end", "月ごと(相対指定)", "1", "", "最終週", "平日", "",
                                        "1回のみ", "2024/01/31", "06:00:00", "9999/12/31", "23:59:59", "1"}));
    EXPECT_FALSE(f->Changed(4));
    const QString dir = qEnvironmentVariable("QORVEL_RENDER_DIR", testHome());
    QDir().mkpath(dir);
    EXPECT_TRUE(f->grab().save(dir + "/jobs_grids.png"));
    EXPECT_EQ(g->RowCount(), 6); // the typed entry row became a data row
    Type(g, hcName, 4, "month end 2");
    EXPECT_TRUE(f->Changed(4));
}

TEST_F(JobGrids, DeletingTheSecondOfThreeSchedulesDetachesTheMovedOnes)
{
    Schedules();
    f->LoadSchedules("j");
    TqvStringGrid* g = f->grdSchedule;
    g->MoveCurrent(hcName, 2, true, true);
    f->btnDelSchedule->click();
    EXPECT_TRUE(modified);
    JobHeader h;
    h.name = "j";
    h.login = "sa";
    h.category = "[Uncategorized (Local)]";
    h.version = 15;
    const QStringList lines = AlterScript(h, {}, f->Schedules(), f->LoadedSchedules());
    EXPECT_EQ(lines.mid(4), (QStringList{"EXEC msdb.dbo.sp_detach_schedule NULL, N'j', 2, NULL, 0", "go",
                                         "EXEC msdb.dbo.sp_detach_schedule NULL, N'j', 3, NULL, 0", "go",
                                         "EXEC msdb.dbo.sp_attach_schedule NULL, N'j', 1", "go",
                                         "EXEC msdb.dbo.sp_attach_schedule NULL, N'j', 3", "go"}));
    // Deleting the rest leaves one empty entry row.
    for (int i = 0; i < 2; ++i) {
        g->MoveCurrent(hcName, 1, true, true);
        f->btnDelSchedule->click();
    }
    EXPECT_EQ(g->RowCount(), 2);
    EXPECT_EQ(g->Rows(1).join(""), "");
}
