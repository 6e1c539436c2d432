#include "connection/ddl_exec_run.h"
#include "connection/ddl_preview_text.h"

#include "app/options.h"
#include "platform/exceptions.h"

#include <gtest/gtest.h>

using namespace qv;

namespace {

struct Run : ::testing::Test {
    QStringList log;
    QStringList sent;
    QStringList failing; // batch texts that fail
    DdlScriptRun run{[this](const QString& sql) {
                         sent << sql;
                         if (failing.contains(sql))
                             throw EDatabaseError(QStringLiteral("Incorrect syntax near 'x'.\nsecond line"), "42000", 102);
                     },
                     [this](const QString& line) { log << line; }};
};

} // namespace

TEST_F(Run, OnlyGoRunsNothingAndCompletes)
{
    run.setScript({"go"});
    EXPECT_EQ(run.run(true), DdlScriptRun::Outcome::Completed);
    EXPECT_TRUE(sent.isEmpty());
    EXPECT_EQ(log, (QStringList{"スクリプト実行が完了しました。", "エラー: 0 件"}));
}

TEST_F(Run, EntriesAreCutAtLineBreaksAndGoIsExact)
{
    run.setScript({"create table t (a int)\r\ngo", "GO", "alter table t add b int", "go ", "Go", "", "go", "go"});
    EXPECT_EQ(run.run(true), DdlScriptRun::Outcome::Completed);
    // "go " with a trailing blank is part of the batch; "GO" and "Go" end batches; two "go"
    // lines in a row make no empty batch.
    EXPECT_EQ(sent, (QStringList{"create table t (a int)\r\n", "alter table t add b int\r\ngo \r\n", "\r\n"}));
    EXPECT_EQ(log.mid(0, 3), (QStringList{"create table t (a int)", "《正常終了》", ""}));
    EXPECT_EQ(log.last(), "エラー: 0 件");
}

TEST_F(Run, ErrorsAreLoggedAndCountedWithoutStop)
{
    failing = QStringList{"bad1\r\n", "bad2\r\n"};
    run.setScript({"bad1", "go", "good", "go", "bad2", "go"});
    EXPECT_EQ(run.run(false), DdlScriptRun::Outcome::Completed);
    EXPECT_EQ(run.errorCount(), 2);
    EXPECT_EQ(log, (QStringList{"bad1", "《エラー》", "Incorrect syntax near 'x'.", "second line", "",
                                "good", "《正常終了》", "",
                                "bad2", "《エラー》", "Incorrect syntax near 'x'.", "second line", "",
                                "スクリプト実行が完了しました。", "エラー: 2 件"}));
}

TEST_F(Run, StopAtErrorKeepsTheRestAndContinuesWithTheSameCount)
{
    failing = QStringList{"bad\r\n"};
    run.setScript({"bad", "go", "next", "go"});
    EXPECT_EQ(run.run(true), DdlScriptRun::Outcome::StoppedAtError);
    EXPECT_EQ(run.remaining(), (QStringList{"next", "go"}));
    EXPECT_EQ(run.errorCount(), 1);
    EXPECT_EQ(run.run(true), DdlScriptRun::Outcome::Completed);
    EXPECT_EQ(sent, (QStringList{"bad\r\n", "next\r\n"}));
    EXPECT_EQ(log.last(), "エラー: 1 件");
}

TEST_F(Run, StopRequestLetsTheCurrentBatchFinish)
{
    DdlScriptRun* self = &run;
    DdlScriptRun r([&](const QString& sql) { sent << sql; self->requestStop(); }, [&](const QString& l) { log << l; });
    self = &r;
    r.setScript({"one", "go", "two", "go"});
    EXPECT_EQ(r.run(false), DdlScriptRun::Outcome::Interrupted);
    EXPECT_EQ(sent, QStringList{"one\r\n"});
    EXPECT_EQ(r.remaining(), (QStringList{"two", "go"}));
    EXPECT_FALSE(log.contains("スクリプト実行が完了しました。"));
    EXPECT_FALSE(r.running());
}

TEST_F(Run, SilentAbortPassesThrough)
{
    DdlScriptRun r([](const QString&) { qv::Abort(); }, [&](const QString& l) { log << l; });
    r.setScript({"x"});
    EXPECT_THROW(r.run(false), EAbort);
    EXPECT_EQ(r.errorCount(), 0);
    EXPECT_FALSE(r.running());
}

TEST(DdlPreview, LinesCaptionAndFileName)
{
    qvOption.UseLowerName = true;
    EXPECT_EQ(DdlPreviewLines({"create view v as select 1", "go"}, ""), (QStringList{"create view v as select 1", "go"}));
    EXPECT_EQ(DdlPreviewLines({"create view v as select 1", "go"}, "Sales Demo"),
              (QStringList{"use [Sales Demo]", "go", "create view v as select 1", "go"}));
    // A script that already switches to the same database shows the switch once.
    EXPECT_EQ(DdlPreviewLines({"use [db]", "go", "drop view v", "go"}, "db"), (QStringList{"use [db]", "go", "drop view v", "go"}));
    // A name with a closing bracket stays one identifier.
    EXPECT_EQ(DdlPreviewLines({"x"}, "a]b").first(), "use [a]]b]");

    EXPECT_EQ(DdlPreviewCaption("dbo", "v"), "dbo.v のコンパイル");
    EXPECT_EQ(DdlPreviewCaption("", "v"), "v のコンパイル");
    EXPECT_EQ(DdlPreviewCaption("dbo", "インデックスの断片化解消"), "インデックスの断片化解消を実行");
    EXPECT_EQ(DdlPreviewFileName("dbo", "v"), "dbo.v.sql");
    EXPECT_EQ(DdlPreviewFileName("", "インデックスの断片化解消"), "script.sql");
    EXPECT_EQ(DdlPreviewFileName("a/b", "c:d"), "ab.cd.sql");
    EXPECT_EQ(DdlSaveFileName("/x/a.txt"), "/x/a.txt");
    EXPECT_EQ(DdlSaveFileName("/x/a.sql"), "/x/a.sql");
    EXPECT_EQ(DdlSaveFileName("/x/a.zzq"), "/x/a.zzq.sql");
}
