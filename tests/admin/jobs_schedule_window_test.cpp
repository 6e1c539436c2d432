// The shared schedule window on the scripted session, opened through the connection window for
// object type 117: decoding of the stored schedule into the controls, the exact msdb calls of
// a new and of a changed schedule, the delete, the script routine and the enabled states.
#include "admin/jobs/jobs_schedule_window.h"

#include "admin/jobs/jobs_shared_schedule_text.h"
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
#include <QDateEdit>
#include <QDir>
#include <QLabel>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimeEdit>

using namespace qv;
using namespace qv::db;
using namespace qvtest;

namespace {

QString Normalised(QString sql)
{
    sql.replace("\r\n", "\n");
    sql.replace(QRegularExpression(":[A-Z_]+"), "?");
    return sql;
}

struct ScheduleWindow : DefineSession {
    void SetUp() override
    {
        DefineSession::SetUp();
        Connect();
    }
    // The jobs of the server and which of them use schedule `id`.
    void Jobs(const QString& id, const QList<QStringList>& rows)
    {
        FixtureRule& r = session->fixture().exact(Normalised(jobs::ScheduleJobsQuery()));
        r.params = QVariantList{id};
        std::vector<QVariantList> data;
        for (const QStringList& row : rows)
            data.push_back(QVariantList{row[0], row[1]});
        r.returns({column("name", "sysname"), column("attached", "varchar(1)")}, data);
    }
    // Schedule `id`: weekly on Monday and Friday every 2 weeks, every 3 hours 08:00-18:00.
    void Schedule(const QString& id, const QString& name)
    {
        FixtureRule& r = session->fixture().exact(Normalised(jobs::ScheduleReadQuery(15)));
        r.params = QVariantList{id};
        std::vector<ColumnDesc> cols;
        for (const char* c : {"schedule_name", "enabled", "freq_type", "freq_interval", "freq_subday_type",
                              "freq_subday_interval", "freq_relative_interval", "freq_recurrence_factor",
                              "active_start_date", "active_end_date", "active_start_time", "active_end_time"})
            cols.push_back(column(c, QString(c) == "schedule_name" ? "sysname" : "int"));
        r.returns(cols, {{name, 1, 8, 34, 8, 3, 0, 2, 20240131, 99991231, 80000, 180000}});
    }
    Tfrmjobschedule* OpenSchedule(const QString& id, const QString& name)
    {
        return qobject_cast<Tfrmjobschedule*>(Open(117, "", id, name));
    }
    void saveGrab(QWidget* w, const QString& name)
    {
        const QString dir = qEnvironmentVariable("QORVEL_RENDER_DIR", testHome());
        QDir().mkpath(dir);
        EXPECT_TRUE(w->grab().save(dir + "/" + name + ".png"));
    }
};

} // namespace

TEST_F(ScheduleWindow, ExistingScheduleIsDecodedAndItsChangesSentAsMsdbCalls)
{
    Jobs("12", {{"load", "1"}, {"backup", "0"}, {"purge", "0"}});
    Schedule("12", "weekly'run");
    Tfrmjobschedule* w = OpenSchedule("12", "weekly'run");
    ASSERT_TRUE(w);
    EXPECT_EQ(w->windowTitle(), "SCHEDULE - weekly'run(ID:12) @ srv.master");
    EXPECT_EQ(w->cmbType->currentText(), "週ごと");
    EXPECT_EQ(w->spnInterval->value(), 2);
    EXPECT_FALSE(w->chkDays[0]->isChecked());
    EXPECT_TRUE(w->chkDays[1]->isChecked());
    EXPECT_TRUE(w->chkDays[5]->isChecked());
    EXPECT_EQ(w->cmbSubdayType->currentText(), "時間指定");
    EXPECT_EQ(w->spnSubdayInterval->value(), 3);
    EXPECT_EQ(w->dtpStartDay->date(), QDate(2024, 1, 31));
    EXPECT_EQ(w->dtpStartTime->time(), QTime(8, 0));
    EXPECT_EQ(w->dtpEndTime->time(), QTime(18, 0));
    EXPECT_TRUE(w->pnlName->isEnabled()); // a rename is allowed
    EXPECT_FALSE(w->txtID->isEnabled());
    EXPECT_FALSE(w->Modified());
    // The same schedule opens once.
    EXPECT_EQ(Open(117, "", "12", "weekly'run"), nullptr);

    w->txtName->setText("weekly2");
    w->grdJob->SetEditText(0, 1, "");  // load leaves
    w->grdJob->SetEditText(0, 2, "1"); // backup joins
    EXPECT_TRUE(w->Modified());
    session->fixture().pattern("EXEC msdb\\.dbo\\..*").affects(0);
    Jobs("12", {{"load", "0"}, {"backup", "1"}, {"purge", "0"}});
    Schedule("12", "weekly2");
    const qsizetype mark = Mark();
    w->actCompile->trigger();
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join("\n").toStdString();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    const QStringList sent = StatementsFrom(mark);
    ASSERT_GE(sent.size(), 3);
    EXPECT_EQ(sent[0], "EXEC msdb.dbo.sp_update_schedule @schedule_id = 12, @new_name = N'weekly2', @enabled = 1, "
                       "@freq_type = 8,\n"
                       "    @freq_interval          = 34,\n"
                       "    @freq_recurrence_factor = 2,\n"
                       "    @freq_subday_type       = 8,\n"
                       "    @freq_subday_interval   = 3,\n"
                       "    @active_start_date      = 20240131,\n"
                       "    @active_start_time      = 080000,\n"
                       "    @active_end_date        = 99991231,\n"
                       "    @active_end_time        = 180000\n"
                       "EXEC msdb.dbo.sp_detach_schedule NULL, N'load', 12, NULL, 0");
    EXPECT_EQ(sent[1], "EXEC msdb.dbo.sp_attach_schedule NULL, N'backup', 12");
    // Then only the reload; no "use" line anywhere.
    EXPECT_EQ(sent.size(), 4);
    for (const QString& s : sent)
        EXPECT_FALSE(s.startsWith("use", Qt::CaseInsensitive)) << s.toStdString();
    EXPECT_FALSE(w->Modified());
    EXPECT_EQ(w->windowTitle(), "SCHEDULE - weekly2(ID:12) @ srv.master");
}

TEST_F(ScheduleWindow, NewScheduleForTwoJobsIsOneBatchAndTakesTheNewId)
{
    Jobs("", {{"load", "0"}, {"backup", "0"}, {"purge", "0"}});
    Tfrmjobschedule* w = OpenSchedule("", "");
    ASSERT_TRUE(w);
    EXPECT_EQ(w->windowTitle(), "SCHEDULE - 新規");
    EXPECT_FALSE(w->pagObject->isTabVisible(w->pagObject->indexOf(w->tabSource)));
    // An empty name is refused before anything is sent.
    qsizetype mark = Mark();
    w->Compile();
    EXPECT_EQ(boxes.value(0), QString::number(MB_OK | MB_ICONWARNING) + ":名前を入力して下さい。");
    EXPECT_EQ(Mark(), mark);
    boxes.clear();

    w->txtName->setText("月末");
    w->cmbType->setCurrentText("月ごと(相対指定)");
    w->cmbWeek->setCurrentText("最終週");
    w->cmbDay->setCurrentText("平日");
    w->dtpStartDay->setDate(QDate(2024, 1, 31));
    w->dtpStartTime->setTime(QTime(9, 30));
    w->grdJob->SetEditText(0, 1, "1");
    w->grdJob->SetEditText(0, 3, "1");
    session->fixture().pattern("DECLARE @NewId integer.*").affects(0);
    Answer("select max(schedule_id) from msdb.dbo.sysschedules", "13");
    Jobs("13", {{"load", "1"}, {"backup", "0"}, {"purge", "1"}});
    Schedule("13", "月末");
    mark = Mark();
    w->actCompile->trigger();
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join("\n").toStdString();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    const QStringList sent = StatementsFrom(mark);
    ASSERT_EQ(sent.size(), 4);
    EXPECT_EQ(sent[0], "DECLARE @NewId integer\n"
                       "EXEC msdb.dbo.sp_add_schedule @schedule_name = N'月末', @enabled = 1, @freq_type = 32,\n"
                       "    @freq_interval          = 9,\n"
                       "    @freq_relative_interval = 16,\n"
                       "    @freq_recurrence_factor = 1,\n"
                       "    @freq_subday_type       = 1,\n"
                       "    @freq_subday_interval   = 1,\n"
                       "    @active_start_date      = 20240131,\n"
                       "    @active_start_time      = 093000,\n"
                       "    @schedule_id            = @NewId output\n"
                       "EXEC msdb.dbo.sp_attach_schedule NULL, N'load', @NewId\n"
                       "EXEC msdb.dbo.sp_attach_schedule NULL, N'purge', @NewId");
    EXPECT_EQ(sent[1], "select max(schedule_id) from msdb.dbo.sysschedules");
    EXPECT_EQ(w->txtID->text(), "13");
    EXPECT_FALSE(w->IsNew());
    EXPECT_EQ(w->windowTitle(), "SCHEDULE - 月末(ID:13) @ srv.master");
}

TEST_F(ScheduleWindow, EnabledStatesFollowTheUnitAndOneDayStaysTicked)
{
    Jobs("", {{"load", "0"}});
    Tfrmjobschedule* w = OpenSchedule("", "");
    ASSERT_TRUE(w);
    w->resize(760, 520);
    w->cmbType->setCurrentText("日ごと");
    EXPECT_EQ(w->lblExec->text(), "日ごとに実行");
    EXPECT_EQ(w->spnInterval->maximum(), 31);
    EXPECT_TRUE(w->spnInterval->isEnabled());
    EXPECT_FALSE(w->chkDays[1]->isEnabled());
    EXPECT_FALSE(w->dtpEndDay->isEnabled());
    w->cmbSubdayType->setCurrentText("分指定");
    EXPECT_EQ(w->lblSubdayExec->text(), "分ごとに実行");
    EXPECT_EQ(w->spnSubdayInterval->maximum(), 60);
    EXPECT_TRUE(w->dtpEndDay->isEnabled());
    w->cmbType->setCurrentText("週ごと");
    EXPECT_TRUE(w->chkDays[1]->isEnabled());
    saveGrab(w, "jobs_schedule_weekly");
    // Unticking the only ticked day (Sunday) is refused.
    w->chkDays[0]->click();
    EXPECT_TRUE(w->chkDays[0]->isChecked());
    w->cmbType->setCurrentText("CPUアイドル時");
    for (QWidget* c : std::initializer_list<QWidget*>{w->dtpStartDay, w->dtpStartTime, w->dtpEndDay, w->dtpEndTime,
                                                      w->spnInterval, w->cmbSubdayType, w->spnSubdayInterval})
        EXPECT_FALSE(c->isEnabled()) << c->objectName().toStdString();
    EXPECT_TRUE(w->lblExec->text().isEmpty());
}

TEST_F(ScheduleWindow, DeleteAndScriptCallTheScheduleById)
{
    Jobs("12", {{"load", "1"}});
    Schedule("12", "nightly");
    Tfrmjobschedule* w = OpenSchedule("12", "nightly");
    ASSERT_TRUE(w);
    saveGrab(w, "jobs_schedule_existing");

    ASSERT_TRUE(DefinitionScripts().contains(117));
    DefineScriptRequest r;
    r.objectType = 117;
    r.schema = "12";
    r.name = "nightly";
    QBuffer memory;
    memory.open(QIODevice::WriteOnly);
    ScriptOption.Drop = true;
    EXPECT_THROW(DefinitionScripts().value(117)(conn, r, memory), EAbort);
    EXPECT_EQ(TextEncoding::get(TextEncoding::Utf16LE).decode(memory.data()),
              "EXEC msdb.dbo.sp_delete_schedule 12, NULL, 1\r\ngo\r\n");

    session->fixture().exact("EXEC msdb.dbo.sp_delete_schedule 12, NULL, 1").affects(0);
    const qsizetype mark = Mark();
    w->actDelete->trigger();
    EXPECT_EQ(StatementsFrom(mark), QStringList{"EXEC msdb.dbo.sp_delete_schedule 12, NULL, 1"});
}
