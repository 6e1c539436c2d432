#include "sql/exec_script.h"

#include "support/modal_helper.h"

#include "platform/db/connection.h"
#include "platform/db/query.h"
#include "platform/db/scripted_session.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qv;
using namespace qv::db;

TEST(ExecScriptRules, RemarkLines)
{
    const struct { const char* line; bool remark; } cases[] = {
        {"", true},          {"  \t", true},          {"rem x", true},        {"REM", true},
        {"Rem\tnote", true}, {"remark", true},        {"REMARK about", true}, {"REMARKS", false},
        {"remove", false},   {"select 1", false},     {"  rem  ", true},      {"--rem", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsScriptRemarkLine(c.line), c.remark) << c.line;
    EXPECT_EQ(TrimRemarkLines({"rem a", "", "select 1", "rem inner", "select 2", "REMARK", " "}),
              (QStringList{"select 1", "rem inner", "select 2"}));
}

TEST(ExecScriptRules, FailedBatchLogKeepsHeadAndLastLine)
{
    EXPECT_EQ(FailedBatchLogLines({"1", "2", "3", "4", "5", "6"}), (QStringList{"1", "2", "3", "  -- (中略) --", "6"}));
    EXPECT_EQ(FailedBatchLogLines({"1", "2", "3", "4"}), (QStringList{"1", "2", "3", "4"}));
}

namespace {

struct ScriptRun : ::testing::Test {
    std::shared_ptr<ScriptedSession> session = std::make_shared<ScriptedSession>();
    Connection conn;
    Query query;
    QTemporaryDir dir;
    QStringList logged;

    void SetUp() override
    {
        conn.SetDriver(session);
        conn.Open();
        query.SetConnection(&conn);
        session->fixture().exact("use [Sales]");
    }
    QString file(const QString& name, const QString& text)
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(text.toUtf8());
        return path;
    }
    ScriptRunOutcome run(const QStringList& files, bool stop)
    {
        ScriptRunner r(query);
        r.Log = [this](const QString& l, ScriptRunner::LogKind) { logged << l; };
        return r.Run("Sales", files, TextEncoding::get(TextEncoding::Utf8), stop);
    }
};

} // namespace

TEST_F(ScriptRun, RemarksAreDroppedAndBatchesSplitAtGo)
{
    auto& f = session->fixture();
    f.exact("REMARKS\nselect 1");
    f.exact("select 2");
    const QString a = file("a.sql", "rem x\nREMARKS\nselect 1\n go \n\nrem only\n\ngo\nselect 2\nrem tail\n");
    const ScriptRunOutcome out = run({a}, false);
    EXPECT_EQ(session->statements(), (QStringList{"use [Sales]", "REMARKS\nselect 1", "select 2"}));
    EXPECT_EQ(out.errors, 0);
    EXPECT_EQ(out.completed, QList<bool>{true});
    EXPECT_EQ(logged, (QStringList{"", "スクリプト実行 [ " + a + " ]", "《正常終了》", "《正常終了》"}));
}

TEST_F(ScriptRun, FailingBatchIsLoggedShortAndStopsTheRun)
{
    session->fixture().exact("l1\nl2\nl3\nl4\nl5\nl6").fails("Invalid object name 'x'.");
    const QString a = file("a.sql", "l1\nl2\nl3\nl4\nl5\nl6\ngo\n");
    const QString b = file("b.sql", "select 9\n");
    const ScriptRunOutcome out = run({a, b}, true);
    EXPECT_TRUE(out.stopped);
    EXPECT_EQ(out.errors, 1);
    EXPECT_EQ(out.completed, (QList<bool>{false, false}));
    EXPECT_FALSE(session->statements().contains("select 9"));
    EXPECT_EQ(logged.mid(2, 6),
              (QStringList{"《エラー》", "l1", "l2", "l3", "  -- (中略) --", "l6"}));
    EXPECT_TRUE(logged.last().contains("Invalid object name 'x'."));
}

TEST_F(ScriptRun, WithoutStopTheNextFileRuns)
{
    auto& f = session->fixture();
    f.exact("bad").fails("boom");
    f.exact("select 9");
    const ScriptRunOutcome out = run({file("a.sql", "bad\n"), file("b.sql", "select 9\n")}, false);
    EXPECT_FALSE(out.stopped);
    EXPECT_EQ(out.completed, (QList<bool>{false, true}));
    EXPECT_TRUE(session->statements().contains("select 9"));
}
