// The data grids over a query of the scripted session: what reaches the server.
#include "grid_fixture_helper.h"

#include <QClipboard>
#include <QGuiApplication>

#include "platform/db/connection.h"
#include "platform/db/fixture.h"
#include "platform/db/query.h"
#include "platform/db/scripted_session.h"

using namespace qv;
using namespace qv::db;
using namespace qvtest;

namespace {

std::vector<ColumnDesc> PeopleColumns()
{
    auto id = column("id", "int", false);
    auto name = column("name", "nvarchar(20)");
    for (auto* c : {&id, &name}) {
        c->baseSchema = "dbo";
        c->baseTable = "people";
        c->baseColumn = c->name;
    }
    return {id, name};
}

struct GridOnQuery : ::testing::Test {
    std::shared_ptr<ScriptedSession> session = std::make_shared<ScriptedSession>();
    Connection conn;
    Query q;
    DataSource src;
    TqvDBGridV grid;
    void SetUp() override
    {
        conn.SetDriver(session);
        conn.Open();
        q.SetConnection(&conn);
        session->fixture().keys.insert("dbo.people", {"id"});
        session->fixture().exact("select * from people").returns(PeopleColumns(), {{1, "あ"}, {2, "b"}});
        session->fixture().pattern("INSERT .*").affects(1);
        session->fixture().pattern("UPDATE .*").affects(1);
        q.SQL().SetText("select * from people");
        src.SetDataSet(&q);
        grid.SetDataSource(&src);
        q.Open();
        FitRows(&grid, 6);
        session->clearRecord();
    }
    void TearDown() override { grid.SetDataSource(nullptr); }
};

TEST_F(GridOnQuery, RecordPasteInsertsEachLineAndLeavesAutoCommitOff)
{
    ASSERT_TRUE(q.Updatable());
    grid.PasteRecords(QStringLiteral("3\tc\r\n4\t\"d\"\"\td\"\r\n"));
    QStringList inserts;
    for (const auto& r : session->recorded())
        if (r.sql.startsWith(QStringLiteral("INSERT")))
            inserts << r.values[1].toString();
    EXPECT_EQ(inserts, QStringList({"c", "d\"\td"}));
    EXPECT_EQ(q.State(), dsInsert);   // a further new record waits, untouched
    EXPECT_FALSE(conn.AutoCommit());
    EXPECT_TRUE(session->events().contains(QStringLiteral("StartTransaction")));
}

TEST_F(GridOnQuery, TypingInACellSendsOneUpdateWhenTheRowIsLeft)
{
    grid.MoveColumn(2, 0);
    grid.ShowEditor();
    auto* ed = grid.InplaceEditor();
    ASSERT_TRUE(ed && ed->isVisible());
    EXPECT_EQ(ed->text(), QStringLiteral("あ"));
    ed->setFocus();
    ed->selectAll();
    Type(ed, QStringLiteral("xy"));
    Key(ed, Qt::Key_Down);
    ASSERT_FALSE(session->recorded().empty());
    EXPECT_EQ(session->recorded().back().sql, QStringLiteral("UPDATE [dbo].[people] SET [name] = ? WHERE [id] = ?"));
    EXPECT_EQ(session->recorded().back().values, QVariantList({QStringLiteral("xy"), qint64(1)}));
    EXPECT_EQ(q.RecNo(), 2);
}

TEST_F(GridOnQuery, ReadOnlyResultKeepsTheEditorReadOnly)
{
    q.Close();
    session->fixture().exact("select 1 as n").returns({column("n", "int")}, {{1}});
    q.SQL().SetText("select 1 as n");
    q.Open();
    ASSERT_FALSE(q.Updatable());
    grid.ShowEditor();
    ASSERT_TRUE(grid.InplaceEditor());
    EXPECT_TRUE(grid.InplaceEditor()->isReadOnly());
    // nothing happens on a result that cannot change
    QGuiApplication::clipboard()->setText(QStringLiteral("5\te\n"));
    grid.PasteFromClipboard();
    grid.PasteRecords(QStringLiteral("5\te\n"));
    EXPECT_EQ(q.RecordCount(), 1);
    EXPECT_EQ(q.State(), dsBrowse);
}

} // namespace
