#include "connection/index_maintenance.h"

#include "app/options.h"
#include "platform/exceptions.h"

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::index;

namespace {
actions::Row Ix(const QString& name, const QString& fraction, const QString& table = "T", const QString& schema = "dbo")
{
    return actions::Row{name, 46, {"Sales", schema, "INDEX", table, fraction, "1.00", "PRIMARY"}};
}
} // namespace

TEST(IndexMaintenance, ThresholdsChooseTheCommand)
{
    struct Case {
        const char* fraction;
        Choice choice;
    } cases[] = {{"0.30", Choice::Reorganize}, {"0.31", Choice::Rebuild}, {"0.04", Choice::None},
                 {"0.05", Choice::Reorganize}, {"1", Choice::Rebuild},     {"0", Choice::None}};
    for (const Case& c : cases) {
        double f = 0;
        ASSERT_TRUE(ReadFraction(c.fraction, f));
        EXPECT_EQ(Decide(f, 5, 31), c.choice) << c.fraction;
    }
    double f = 0;
    EXPECT_FALSE(ReadFraction(QString::fromUtf8("(権限がありません)"), f));
}

TEST(IndexMaintenance, StatementsQuoteAndQualifyTheTable)
{
    const actions::Row r = Ix("IX a]", "0.3", "Order Lines", "sales");
    EXPECT_EQ(ReorganizeSql(r, true), "alter index [IX a]]] on [sales].[Order Lines] reorganize");
    EXPECT_EQ(RebuildSql(r, true, false), "alter index [IX a]]] on [sales].[Order Lines] rebuild");
    EXPECT_EQ(RebuildSql(r, true, true), "alter index [IX a]]] on [sales].[Order Lines] rebuild with (online = on)");
    EXPECT_EQ(IndexDefragSql(r, true), "DBCC INDEXDEFRAG ([Sales],N'[sales].[Order Lines]',[IX a]]])");
    EXPECT_TRUE(OnlineEdition(1804890536));
    EXPECT_TRUE(OnlineEdition(-2117995310));
    EXPECT_TRUE(OnlineEdition(610778273));
    EXPECT_FALSE(OnlineEdition(-1534726760)); // Standard
}

TEST(IndexMaintenance, AutomaticRunsByThresholdWithDatabaseSwitch)
{
    QStringList sent;
    Hooks h;
    h.execute = [&](const QString& sql) { sent << sql; };
    RunInput in;
    in.command = Command::Automatic;
    RunResult out = qv::index::Run({Ix("A", "0.30"), Ix("B", "0.31"), Ix("C", "0.04")}, in, h);
    EXPECT_EQ(sent, QStringList({"use [Sales]\r\nalter index [A] on [dbo].[T] reorganize",
                                 "use [Sales]\r\nalter index [B] on [dbo].[T] rebuild"}));
    EXPECT_EQ(out.statements, 2);
    EXPECT_EQ(out.handled, QList<int>({0, 1, 2}));
    // Nothing above the thresholds: no statement.
    sent.clear();
    out = qv::index::Run({Ix("C", "0.04")}, in, h);
    EXPECT_EQ(out.statements, 0);
    EXPECT_TRUE(sent.isEmpty());
    // With the preview the rows become a script.
    in.showDDL = true;
    out = qv::index::Run({Ix("B", "0.31")}, in, h);
    EXPECT_EQ(out.script, QStringList({"use [Sales]", "go", "alter index [B] on [dbo].[T] rebuild", "go"}));
    // A figure that is no number fails like a statement; ignored, the row stays selected.
    in.showDDL = false;
    in.ignoreErrors = true;
    out = qv::index::Run({Ix("X", "?"), Ix("B", "0.31")}, in, h);
    EXPECT_EQ(out.handled, QList<int>({1}));
    ASSERT_EQ(out.failures.size(), 1);
    in.ignoreErrors = false;
    out = qv::index::Run({Ix("X", "?"), Ix("B", "0.31")}, in, h);
    EXPECT_TRUE(out.error);
    EXPECT_TRUE(out.handled.isEmpty());
}

TEST(IndexMaintenance, BeforeVersion9RebuildDefragmentsIndexesWithKeys)
{
    QStringList sent, steps;
    Hooks h;
    h.execute = [&](const QString& sql) { sent << sql; };
    h.hasKeyColumns = [](const actions::Row& r) { return r.name != "heap"; };
    h.commit = [&] { steps << "commit"; };
    h.startTransaction = [&] { steps << "start"; };
    RunInput in;
    in.command = Command::Rebuild;
    in.dbVer = 8;
    const RunResult out = qv::index::Run({Ix("IX", "0.5"), Ix("heap", "0.5")}, in, h);
    EXPECT_EQ(sent, QStringList({"DBCC INDEXDEFRAG ([Sales],N'[dbo].[T]',[IX])"}));
    EXPECT_EQ(steps, QStringList({"commit", "start"}));
    // Reorganize and automatic send nothing before version 9.
    in.command = Command::Reorganize;
    sent.clear();
    qv::index::Run({Ix("IX", "0.5")}, in, h);
    EXPECT_TRUE(sent.isEmpty());
    EXPECT_EQ(KeyColumnsSql("S").left(10), "use [S]\r\n ");
}

TEST(IndexMaintenance, MessagesRepeatTheThresholds)
{
    EXPECT_EQ(ConfirmText(Command::Rebuild, 8, 5, 31), QString::fromUtf8("インデックスを再構築しますか？\r\n(DBCC INDEXDEFRAG)"));
    EXPECT_EQ(ConfirmText(Command::Automatic, 16, 5, 31),
              QString::fromUtf8("下記の閾値でインデックスを再編成/再構築しますか？\r\n\r\n※再編成(ALTER INDEX REORGANIZE)：5%以上\r\n"
                                "\u3000再構築(ALTER INDEX REBUILD)：31%以上"));
    EXPECT_EQ(NothingToDoText(5, 31),
              QString::fromUtf8("再編成/再構築の対象がありませんでした。\r\n(※閾値\u3000再編成：5%以上\u3000再構築：31%以上)"));
    EXPECT_TRUE(DoneText(Command::Automatic, 7, 40).startsWith(
        QString::fromUtf8("下記の閾値でインデックスが再編成/再構築されました。\r\n(※再編成：7%以上\u3000再構築：40%以上)\r\n\r\n")));
    EXPECT_TRUE(DoneText(Command::Reorganize, 5, 31).contains(QString::fromUtf8("\u3000再編成である場合に")));
}

TEST(IndexMaintenance, BarsAndPages)
{
    const QRect cell(10, 0, 104, 20);
    Bar b = FragmentBar(0.37, cell, 5, 31);
    EXPECT_EQ(b.text, "37%");
    EXPECT_EQ(b.colour, QColor(255, 0, 0));
    EXPECT_EQ(b.frame, QRect(10, 2, 104, 16));
    EXPECT_EQ(b.bar, QRect(12, 4, 37, 12)); // 37 % of the inner 100 pixels
    b = FragmentBar(0.29, cell, 5, 31);
    EXPECT_EQ(b.text, "29%"); // not 28 from 0.29 × 100 = 28.999…
    EXPECT_EQ(b.colour, QColor(255, 255, 0));
    EXPECT_EQ(b.bar.width(), 29);
    b = FragmentBar(0.04, cell, 5, 31);
    EXPECT_EQ(b.colour, QColor(0, 0, 255));
    EXPECT_EQ(b.text, "4%");
    EXPECT_EQ(PagesText("123.45"), "12345");
    EXPECT_EQ(PagesText("0"), "0");
    EXPECT_EQ(PagesText("x"), "");
}
