// The trigger window end to end: logged on to the TDS test server through the FreeTDS ODBC
// driver, the window loads a trigger with its header rewritten, and a compile that the server
// refuses is rolled back with the error listed under the editor. The server answers from the demo fixtures and the window's
// own (tests/objects/fixtures/source_window); its record of unanswered statements stays empty.
#include "app/application.h"
#include "app/main_window.h"
#include "app/options.h"
#include "connection/connection_commands.h"
#include "connection/logon_dialog.h"
#include "connection/object_session.h"
#include "connection/object_window.h"
#include "platform/db/connection.h"
#include "editor/editor_strings.h"
#include "editor/sqlmemo/qvmemo.h"
#include "objects/trigger_window.h"
#include "sql/memo_frame.h"
#include "support/test_env.h"
#include "test_server_helper.h"

#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qvtest;
using namespace qv;

namespace {

struct TriggerE2E : ::testing::Test {
    QTemporaryDir work;
    QString unmatched = work.path() + "/unmatched.sql";
    TestServer server{{demoFixtures(), sourceDir() + "/tests/objects/fixtures/source_window"},
                      {QStringLiteral("--record"), unmatched}};
    QStringList boxes;
    QStringList errors;
    TfrmMain main;
    TfrmObject* conn = nullptr;
    decltype(TfrmLogon::Message) savedLogonMessage = TfrmLogon::Message;

    void SetUp() override
    {
        usePrivateOdbcConfig();
        ASSERT_TRUE(server.ok()) << server.error().toStdString();
        TfrmLogon::Message = [this](QWidget*, const QString& text, int) { boxes << text; };
        TfrmDefine::MessageHook = [this](const QString& text, int) {
            boxes << text;
            return 6;
        };
        SetExceptionBox([this](const QString&, const QString& text, bool) { errors << text; });
        InstallConnectionCommands(main);
        main.setCommandLineArguments({QStringLiteral("/U=sa/pass@127.0.0.1,%1").arg(server.port())});
        main.FormPaint();
        conn = dynamic_cast<TfrmObject*>(main.CurrentForm());
        ASSERT_TRUE(conn) << boxes.join("\n").toStdString() << server.logText().toStdString();
    }
    void TearDown() override
    {
        main.close();
        TfrmLogon::Message = savedLogonMessage;
        TfrmDefine::MessageHook = nullptr;
        SetExceptionBox(nullptr);
        TfrmLogon::ConnectionFactory = nullptr;
    }
    QString Unmatched() const
    {
        QFile f(unmatched);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
};

} // namespace

TEST_F(TriggerE2E, ARefusedCompileIsRolledBackAndListedAtTheEditorLine)
{
    QWidget* opened = conn->OpenObject(57, "SalesDemo", "dbo", "trg_Audit", omSource, false, 0, QString());
    auto* w = qobject_cast<TfrmTrigger*>(opened);
    ASSERT_TRUE(w) << errors.join("\n").toStdString() << Unmatched().toStdString();
    main.AddChildWindow(w);
    QStringList lines = w->fraMemo->txtSQL->Lines().ToStringList();
    EXPECT_EQ(lines, QStringList({"use [SalesDemo]", "go", "CREATE TRIGGER [dbo].[trg_Audit]",
                                  "on dbo.Customers after insert as", "begin", "  select 1", "end", "go"}));
    lines[5] = "  selec 1";
    w->fraMemo->txtSQL->Lines().Assign(lines);
    w->Compile();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    ASSERT_TRUE(w->ErrorsShown());
    ASSERT_GE(w->lstError->count(), 1);
    // The driver's message, as the statement routine reports it. (The driver manager keeps
    // the records' line numbers to itself here; with them the item would begin "行番号3: ".)
    const QString first = w->lstError->item(0)->text();
    EXPECT_TRUE(first.endsWith("Incorrect syntax near '1'.")) << first.toStdString();
    EXPECT_EQ(boxes.last(), QString::fromUtf8("コンパイルエラーが発生しました。"));
    EXPECT_FALSE(conn->session()->dmSQLServer->Connection->InTransaction());
    EXPECT_TRUE(Unmatched().isEmpty()) << Unmatched().toStdString();
}
