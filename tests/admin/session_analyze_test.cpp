// The statistics dialog through the connection window's action on the scripted session: the
// statements per mode over the selected rows, removal per database, failures.
#include "admin/session/session_analyze_dialog.h"
#include "session_window_helper.h"

#include "controls/inputs/inputs.h"

#include <QAction>
#include <QPushButton>
#include <QRadioButton>

using namespace qv;

namespace {

struct AnalyzeDialog : qvtest::SessionWindowTest {
    std::function<void(TfrmAnalyze*)> drive;
    bool shown = false;

    void SetUp() override
    {
        SessionWindowTest::SetUp();
        TfrmAnalyze::RunModal() = [this](TfrmAnalyze* d) {
            shown = true;
            drive(d);
        };
        TfrmAnalyze::Message() = [this](const QString& text, int flags) {
            boxes << QString::number(flags) + ":" + text;
            return 1;
        };
        Connect();
        session->fixture().pattern("USE \\[.*\\] (UPDATE|DROP) STATISTICS .*").affects(0);
    }
    void TearDown() override
    {
        TfrmAnalyze::RunModal() = nullptr;
        TfrmAnalyze::Message() = nullptr;
        SessionWindowTest::TearDown();
    }
    void Run()
    {
        QAction* a = conn->actions()->action("actAnalyze");
        ASSERT_TRUE(a);
        a->trigger();
        ASSERT_TRUE(shown);
    }
    // A failing answer tried before every other rule.
    void FailFirst(const QString& sql, const QString& message)
    {
        db::FixtureRule r;
        r.text = sql;
        r.fails(message);
        session->fixture().rules.insert(session->fixture().rules.begin(), r);
    }
    int SelectedRows() const
    {
        int n = 0;
        for (int i = 0; i < conn->lstObject->topLevelItemCount(); ++i)
            n += conn->lstObject->topLevelItem(i)->isSelected();
        return n;
    }
};

TEST_F(AnalyzeDialog, UpdatesTablesAndViewsOfEveryDatabase)
{
    Row("Orders", 45, "Sales", "dbo");
    Row("usp_x", 51, "Sales", "dbo"); // only tables and views are touched
    Row("V]1", 47, "Ar]chive", "s1");
    const struct {
        const char* mode;
        QString sample;
        bool percent;
        QStringList sent;
    } cases[] = {
        {"exact", "1024", false, {"USE [Sales] UPDATE STATISTICS [dbo].[Orders]", "USE [Ar]]chive] UPDATE STATISTICS [s1].[V]]1]"}},
        {"rows", "1024", false,
         {"USE [Sales] UPDATE STATISTICS [dbo].[Orders] WITH SAMPLE 1024 ROWS",
          "USE [Ar]]chive] UPDATE STATISTICS [s1].[V]]1] WITH SAMPLE 1024 ROWS"}},
        // Choosing percent with the sample 1024 turns it into 100.
        {"percent", "1024", true,
         {"USE [Sales] UPDATE STATISTICS [dbo].[Orders] WITH SAMPLE 100 PERCENT",
          "USE [Ar]]chive] UPDATE STATISTICS [s1].[V]]1] WITH SAMPLE 100 PERCENT"}},
        // No sample: nothing runs, the closing message still comes.
        {"rows", "", false, {}},
    };
    for (const auto& c : cases) {
        for (int i = 0; i < conn->lstObject->topLevelItemCount(); ++i)
            conn->lstObject->topLevelItem(i)->setSelected(true);
        boxes.clear();
        shown = false;
        const qsizetype mark = Mark();
        drive = [&](TfrmAnalyze* d) {
            EXPECT_TRUE(d->rdoComp->isChecked());
            EXPECT_FALSE(d->txtSample->isEnabled());
            if (QString(c.mode) != "exact") {
                d->rdoEst->click();
                EXPECT_TRUE(d->txtSample->isEnabled());
                d->adjustSize();
                SavePng(d, "analyze");
                d->txtSample->setText(c.sample);
                if (c.percent)
                    d->rdoPer->click();
            }
            d->btnOk->click();
        };
        Run();
        EXPECT_EQ(From(mark), c.sent) << c.mode;
        EXPECT_EQ(boxes, QStringList{QString::fromUtf8("64:統計情報の収集が完了しました。")}) << c.mode;
        EXPECT_EQ(SelectedRows(), 0) << c.mode;
        EXPECT_TRUE(errors.isEmpty());
    }
}

TEST_F(AnalyzeDialog, RemovesStatisticsLookedUpInEachObjectsDatabase)
{
    const QString names = "SELECT st.name AS [Name] FROM dbo.sysobjects AS tbl INNER JOIN sys.schemas AS stbl ON "
                          "stbl.schema_id = tbl.uid INNER JOIN dbo.sysindexes st ON ( (st.indid <> 0 and st.indid <> 255) "
                          "and 0 = OBJECTPROPERTY(st.id,'IsMSShipped')) AND (st.id=tbl.id) WHERE (tbl.type in ('U', 'S', "
                          "'V')) and (tbl.name = ? and stbl.name= ?) ORDER BY [Name] ASC";
    session->fixture().exact("use [Sales]");
    session->fixture().exact("use [Archive]");
    auto& sales = session->fixture().exact(names);
    sales.params = QVariantList{"Orders", "dbo"};
    sales.returns({db::column("Name", "sysname")}, {{"PK_Orders"}, {"st_date"}});
    auto& archive = session->fixture().exact(names);
    archive.params = QVariantList{"Old", "hist"};
    archive.returns({db::column("Name", "sysname")}, {{"_WA_Sys_1"}});
    // An index's statistics refuse DROP STATISTICS: passed over.
    FailFirst("USE [Sales] DROP STATISTICS [dbo].[Orders].[PK_Orders]", "Cannot drop the index 'Orders.PK_Orders'");

    Row("Orders", 45, "Sales", "dbo");
    Row("Old", 45, "Archive", "hist");
    const qsizetype mark = Mark();
    drive = [](TfrmAnalyze* d) {
        d->rdoDel->click();
        d->btnOk->click();
    };
    Run();
    EXPECT_EQ(From(mark), (QStringList{"use [Sales]", names, "USE [Sales] DROP STATISTICS [dbo].[Orders].[PK_Orders]",
                                       "USE [Sales] DROP STATISTICS [dbo].[Orders].[st_date]", "use [Archive]", names,
                                       "USE [Archive] DROP STATISTICS [hist].[Old].[_WA_Sys_1]"}));
    EXPECT_EQ(boxes, QStringList{QString::fromUtf8("64:統計情報を削除しました。")});
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
}

TEST_F(AnalyzeDialog, FailureEndsTheWalkAndEscStopsIt)
{
    FailFirst("USE [Sales] UPDATE STATISTICS [dbo].[B]", "no permission");
    Row("A", 45, "Sales", "dbo");
    Row("B", 45, "Sales", "dbo");
    Row("C", 45, "Sales", "dbo");
    drive = [](TfrmAnalyze* d) { d->btnOk->click(); };
    qsizetype mark = Mark();
    Run();
    EXPECT_EQ(From(mark), (QStringList{"USE [Sales] UPDATE STATISTICS [dbo].[A]", "USE [Sales] UPDATE STATISTICS [dbo].[B]"}));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains("no permission"));
    EXPECT_EQ(boxes, QStringList{QString::fromUtf8("64:統計情報の収集が完了しました。")});

    // Esc before the second row.
    for (int i = 0; i < conn->lstObject->topLevelItemCount(); ++i)
        conn->lstObject->topLevelItem(i)->setSelected(i != 1);
    escapeAfter = 1;
    shown = false;
    mark = Mark();
    Run();
    EXPECT_EQ(From(mark), QStringList{"USE [Sales] UPDATE STATISTICS [dbo].[A]"});
    EXPECT_EQ(SelectedRows(), 1);
}

} // namespace
