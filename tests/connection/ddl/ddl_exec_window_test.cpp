#include "connection/ddl_exec.h"

#include "app/options.h"
#include "connection/object_session.h"
#include "editor/editor_fountain.h"
#include "editor/sqlmemo/qvmemo.h"
#include "platform/db/scripted_session.h"
#include "platform/exceptions.h"

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QPixmap>
#include <QTimer>
#include <gtest/gtest.h>

using namespace qv;
using namespace qv::db;

namespace {

struct ExecWindow : ::testing::Test {
    std::shared_ptr<ScriptedSession> session = std::make_shared<ScriptedSession>();
    TObjectSession owner;
    QWidget mainWindow;
    int asked = 0;
    int answer = 6;

    void SetUp() override
    {
        owner.dmSQLServer->Connection->SetDriver(session);
        owner.dmSQLServer->Connection->Open();
        session->fixture().exact("good").affects(0);
        session->fixture().exact("bad1").fails("first failure");
        session->fixture().exact("bad2").fails("second failure");
        TfrmDDLExec::AskHook = [this](QWidget*, const QString& text) {
            EXPECT_EQ(text, "処理を中断しますか？");
            ++asked;
            return answer;
        };
        qvOption.CloseDDL = true;
    }
    void TearDown() override
    {
        for (TfrmDDLExec* w : TfrmDDLExec::OpenWindows()) {
            answer = 6;
            w->close();
        }
        TfrmDDLExec::WaitProc();
    }
};

} // namespace

TEST_F(ExecWindow, OnlyGoLogsCompletionAndCloses)
{
    TfrmDDLExec::ShowWindow(&owner, {"go"}, &mainWindow);
    TfrmDDLExec::WaitProc();
    EXPECT_TRUE(TfrmDDLExec::OpenWindows().isEmpty());
    EXPECT_TRUE(mainWindow.isEnabled());
    EXPECT_EQ(asked, 0);
}

TEST_F(ExecWindow, StopAtErrorThenContinue)
{
    EXPECT_THROW(TfrmDDLExec::ShowWindow(&owner, {"bad1", "go", "good", "go"}, &mainWindow), EAbort);
    ASSERT_EQ(TfrmDDLExec::OpenWindows().size(), 1);
    TfrmDDLExec* w = TfrmDDLExec::OpenWindows().first();
    EXPECT_TRUE(w->btnOK->isEnabled());
    EXPECT_FALSE(mainWindow.isEnabled());
    w->btnOK->click();
    EXPECT_EQ(w->Run().errorCount(), 1);
    EXPECT_EQ(w->btnCancel->text(), "終了(&X)");
    EXPECT_EQ(w->LogLines().last(), "エラー: 1 件");
    EXPECT_EQ(session->statements(), (QStringList{"bad1", "good"}));
    EXPECT_TRUE(w->EndProc());
    w->btnCancel->click();
    EXPECT_EQ(asked, 0);
    TfrmDDLExec::WaitProc();
    EXPECT_TRUE(mainWindow.isEnabled());
}

TEST_F(ExecWindow, ErrorsCountedWhenNotStopping)
{
    // The first failure stops the run (the box is checked by default); continuing with the box
    // cleared runs the rest and counts both errors, so the window stays open.
    EXPECT_THROW(TfrmDDLExec::ShowWindow(&owner, {"bad1", "go", "good", "go", "bad2", "go"}, &mainWindow), EAbort);
    TfrmDDLExec* w = TfrmDDLExec::OpenWindows().first();
    w->chkErrorStop->setChecked(false);
    w->btnOK->click();
    EXPECT_EQ(w->Run().errorCount(), 2);
    EXPECT_EQ(w->LogLines().last(), "エラー: 2 件");
    EXPECT_TRUE(w->LogLines().contains("second failure"));
    // The editor settings apply, but the log shows no reserved-word colour.
    EXPECT_EQ(w->txtLog->View().Colors().Reserve().Color(), clNone);
    EXPECT_FALSE(w->txtLog->Leftbar().Visible());
    // Developers look at the window with QORVEL_RENDER_DIR set.
    if (qEnvironmentVariableIsSet("QORVEL_RENDER_DIR"))
        w->grab().save(qEnvironmentVariable("QORVEL_RENDER_DIR") + "/ddl_exec.png");
    EXPECT_EQ(TfrmDDLExec::OpenWindows().size(), 1);
}

TEST_F(ExecWindow, CloseDuringTheRunAsksAndStopsAfterTheBatch)
{
    session->fixture().exact("slow").affects(0);
    answer = 7;
    // Ask to close while the first batch is logged: "No" keeps the run going.
    QObject ctx;
    int fired = 0;
    QTimer::singleShot(0, &ctx, [&] {
        ++fired;
        for (TfrmDDLExec* w : TfrmDDLExec::OpenWindows())
            w->close();
    });
    TfrmDDLExec::ShowWindow(&owner, {"good", "go", "slow", "go"}, &mainWindow);
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(session->statements(), (QStringList{"good", "slow"}));
    TfrmDDLExec::WaitProc(); // closed by CloseDDL after the run

    // "Yes": the batch in progress completes, no later one runs, and the window goes only
    // once the run has returned.
    session->clearRecord();
    answer = 6;
    QTimer::singleShot(0, &ctx, [&] {
        for (TfrmDDLExec* w : TfrmDDLExec::OpenWindows())
            w->close();
    });
    TfrmDDLExec::ShowWindow(&owner, {"good", "go", "slow", "go"}, &mainWindow);
    EXPECT_EQ(session->statements(), QStringList{"good"});
    TfrmDDLExec::WaitProc();
    EXPECT_TRUE(TfrmDDLExec::OpenWindows().isEmpty());
    EXPECT_TRUE(mainWindow.isEnabled());
}

TEST(ExecLog, PlainColoursLeaveOnlyHitsSelectionAndLinksColoured)
{
    TqvMemo log;
    TEditorColors& c = log.View().Colors();
    for (TFountainColor* colour : std::initializer_list<TFountainColor*>{&c.Ank(), &c.DBCS(), &c.Comment(), &c.Int(), &c.Str(),
                                                                        &c.Symbol(), &c.Reserve(), &c.Hit(), &c.Select(), &c.Url()})
        colour->SetColor(0x0000FF);
    log.View().Brackets().Add();
    PlainLogColours(log);
    for (const TFountainColor* colour : std::initializer_list<const TFountainColor*>{&c.Ank(), &c.DBCS(), &c.Comment(), &c.Int(),
                                                                                    &c.Str(), &c.Symbol(), &c.Reserve()})
        EXPECT_EQ(colour->Color(), clNone);
    for (const TFountainColor* colour : std::initializer_list<const TFountainColor*>{&c.Hit(), &c.Select(), &c.Url()})
        EXPECT_EQ(colour->Color(), 0x0000FFu);
    EXPECT_EQ(log.View().Brackets().Count(), 0);
}
