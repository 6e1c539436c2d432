#include "sql/sql_run.h"

#include "platform/db/connection.h"
#include "platform/db/query.h"
#include "platform/db/scripted_session.h"

#include <gtest/gtest.h>

#include <memory>

using namespace qv;
using namespace qv::db;

namespace {

struct Run : ::testing::Test {
    std::shared_ptr<ScriptedSession> session = std::make_shared<ScriptedSession>();
    Connection conn;
    std::vector<std::unique_ptr<Query>> queries;
    BindVariables binds;
    QStringList pages, notes, errors, status;
    bool answerContinue = false;
    bool answerSuppress = false;

    void SetUp() override
    {
        conn.SetDriver(session);
        conn.Open();
        auto& f = session->fixture();
        f.exact("select 1").returns({column("", "int")}, {{1}});
        f.exact("select 2").returns({column("", "int")}, {{2}});
        f.exact("select * from t where 1 = 0").returns({column("a", "int")}, {});
        f.exact("update t set a=1").affects(3);
        f.exact("delete t").affects(0);
        f.exact("bad").fails("Incorrect syntax near 'bad'.");
    }
    SqlRun make()
    {
        SqlRun::Host h;
        h.queryFor = [this](int n) {
            while (int(queries.size()) <= n) {
                queries.push_back(std::make_unique<Query>());
                queries.back()->SetConnection(&conn);
            }
            return queries[size_t(n)].get();
        };
        h.resultPage = [this](int n, const QString& caption) { pages << caption + "#" + QString::number(n); };
        h.note = [this](const QString& t, bool offer, bool& suppress) {
            notes << t + (offer ? "+" : "");
            suppress = answerSuppress;
        };
        h.error = [this](const QString& m, int first, int last, bool offer, bool& cont) {
            errors << QString("%1 %2-%3%4").arg(m).arg(first).arg(last).arg(offer ? "+" : "");
            cont = answerContinue;
        };
        h.status = [this](const QString& t) { status << t; };
        return SqlRun(h, binds);
    }
};

} // namespace

TEST_F(Run, BatchesPagesAndTheRowsNote)
{
    SqlRun r = make();
    EXPECT_TRUE(r.run({"select 1", "go", "update t set a=1", "go", "select 2"}));
    EXPECT_EQ(pages, (QStringList{"結果#0", "結果2#2"}));
    EXPECT_EQ(notes, QStringList{" SQLを実行しました。\r\n(対象：3 レコード )+"});
    EXPECT_EQ(session->statements(), (QStringList{"select 1", "update t set a=1", "select 2"}));
    EXPECT_EQ(r.batchCount(), 3);
    ASSERT_EQ(status.size(), 3);
    EXPECT_TRUE(status.last().startsWith("処理時間(HH:MM:SS.Ms)：00:00:")) << status.last().toStdString();
    EXPECT_EQ(SqlRun::timeText(3723004), "処理時間(HH:MM:SS.Ms)：01:02:03.004");
}

TEST_F(Run, GoLinesInAnyCaseAndRepeatedGoMakeNoEmptyBatch)
{
    SqlRun r = make();
    EXPECT_TRUE(r.run({"go", "select 1", "GO", " go ", "Go", "select 2", "go", "go", "select * from t where 1 = 0"}));
    // A select without rows still gets a page.
    EXPECT_EQ(pages, (QStringList{"結果#0", "結果2#1", "結果3#2"}));
    EXPECT_EQ(r.batchCount(), 3);
    // "go;" is no batch end: it goes to the server with the batch.
    session->clearRecord();
    session->fixture().exact("select 1\ngo;").returns({column("", "int")}, {{1}});
    pages.clear();
    EXPECT_TRUE(make().run({"select 1", "go;"}));
    EXPECT_EQ(session->statements(), QStringList{"select 1\ngo;"});
}

TEST_F(Run, NotesWithoutCountAndSuppression)
{
    answerSuppress = true;
    SqlRun r = make();
    EXPECT_TRUE(r.run({"delete t", "go", "update t set a=1"}));
    // The first note offers the check box and is ticked: no further notes.
    EXPECT_EQ(notes, QStringList{" SQLを実行しました。+"});
}

TEST_F(Run, ErrorsStopOrContinue)
{
    SqlRun r = make();
    EXPECT_FALSE(r.run({"select 1", "go", "bad", "go", "select 2"}));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].startsWith("Incorrect syntax near 'bad'.")) << errors[0].toStdString();
    EXPECT_TRUE(errors[0].endsWith(" 2-3+"));
    EXPECT_EQ(pages, QStringList{"結果#0"});

    errors.clear();
    pages.clear();
    answerContinue = true;
    SqlRun r2 = make();
    EXPECT_TRUE(r2.run({"bad", "go", "bad", "go", "select 2"}));
    EXPECT_EQ(errors.size(), 2);
    EXPECT_EQ(pages, QStringList{"結果#2"});
    // The last batch offers no continue box.
    errors.clear();
    make().run({"bad"});
    EXPECT_TRUE(errors[0].endsWith(" 0-0"));
}

TEST_F(Run, BindVariablesAskFirstThenBind)
{
    session->fixture().exact("select ?").returns({column("", "nvarchar(10)")}, {{"x"}});
    SqlRun r = make();
    EXPECT_FALSE(r.run({"select :a"}));
    EXPECT_EQ(status, QStringList{"バインド変数値を入力して下さい。"});
    status.clear();
    EXPECT_TRUE(session->statements().isEmpty());
    ASSERT_EQ(binds.rows().size(), 1);
    EXPECT_EQ(binds.rows()[0].name.toLower(), "a");
    EXPECT_TRUE(binds.visible());

    binds.setValue(0, "値");
    EXPECT_TRUE(make().run({"select :a"}));
    ASSERT_EQ(session->recorded().size(), 1u);
    EXPECT_EQ(session->recorded()[0].values, QVariantList{"値"});

    // A renamed parameter clears its value and asks again; no parameters hide the grid.
    EXPECT_FALSE(make().run({"select :b"}));
    EXPECT_EQ(binds.rows()[0].value, "");
    EXPECT_TRUE(make().run({"select 1"}));
    EXPECT_FALSE(binds.visible());
}

TEST_F(Run, CreateKeepsMarkersAsText)
{
    session->fixture().exact("create procedure p as select ':a' as x, :b").affects(0);
    EXPECT_TRUE(make().run({"create procedure p as select ':a' as x, :b"}));
    EXPECT_TRUE(session->recorded()[0].values.isEmpty());
    EXPECT_FALSE(binds.visible());
}

TEST(SqlRunText, PlanTextAndRefusal)
{
    EXPECT_EQ(SqlRun::planText({"-- c", "select a", "  from t; select 2", "/", "select 3"}), "select a\r\nfrom t");
    EXPECT_EQ(SqlRun::planRefused(), "バインド変数がある場合、実行計画を使用できません。");
    EXPECT_TRUE(SqlRun::createsObject("Create view v"));
    EXPECT_FALSE(SqlRun::createsObject(" create view v"));
}
