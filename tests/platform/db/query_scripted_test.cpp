#include "platform/db/connection.h"
#include "platform/db/query.h"
#include "platform/db/scripted_session.h"
#include "platform/exceptions.h"

#include <gtest/gtest.h>
#include "db_test_helper.h"

using namespace qv::db;

namespace {

struct Scripted : ::testing::Test {
    std::shared_ptr<ScriptedSession> session = std::make_shared<ScriptedSession>();
    Connection conn;
    Query q;
    void SetUp() override
    {
        conn.SetDriver(session);
        conn.Open();
        q.SetConnection(&conn);
    }
    Fixture& fx() { return session->fixture(); }
};

} // namespace

TEST_F(Scripted, UseLineOfAParameterisedTextGoesFirstAsItsOwnBatch)
{
    fx().exact("use [my db]");
    fx().exact("select ?").returns({column("", "nvarchar(10)")}, {{"x"}});
    q.SQL().SetText("use [my db]\r\nselect :a");
    ASSERT_EQ(q.Params().Count(), 1);
    q.ParamByName("a").SetAsWideString("x");
    q.Open();
    EXPECT_EQ(session->statements(), QStringList({"use [my db]", "select ?"}));
    ASSERT_EQ(session->recorded().size(), 2u);
    EXPECT_TRUE(session->recorded()[0].values.isEmpty());
    EXPECT_EQ(session->recorded()[1].names, QStringList{"A"});
    EXPECT_EQ(session->recorded()[1].values, QVariantList{"x"});
    EXPECT_EQ(q.Fields().at(0)->AsString(), "x");

    // Without bound values the text goes as one batch.
    session->clearRecord();
    fx().exact("use [my db]\nselect 1").returns({column("", "int")}, {{1}});
    q.SQL().SetText("use [my db]\r\nselect 1");
    q.Open();
    EXPECT_EQ(session->statements(), QStringList({"use [my db]\nselect 1"}));
}

TEST_F(Scripted, ParametersBindAtEveryMarkerInOrder)
{
    fx().pattern("select \\? ,\\n \\? , \\?").returns({column("n", "int")}, {});
    q.SQL().Add("select :a ,");
    q.SQL().Add(" :b , :a");
    EXPECT_EQ(q.Params().Names(), QStringList({"A", "B"}));
    q.ParamByName("A").SetValue(1);
    q.Params()[1].SetValue(QVariant()); // NULL
    q.Open();
    const auto& rec = session->recorded().back();
    EXPECT_EQ(rec.sql, "select ? ,\r\n ? , ?");
    EXPECT_EQ(rec.names, QStringList({"A", "B", "A"}));
    ASSERT_EQ(rec.values.size(), 3);
    EXPECT_EQ(rec.values[0].toInt(), 1);
    EXPECT_FALSE(rec.values[1].isValid());
    EXPECT_EQ(rec.values[2].toInt(), 1);
    EXPECT_TRUE(q.IsEmpty());
    EXPECT_THROW(q.ParamByName("zz"), qv::EDatabaseError);
}

TEST_F(Scripted, SwitchesForParametersEscapesAndDirectExecution)
{
    fx().pattern(".*").affects(0);
    q.SetParamCreate(false);
    q.SQL().SetText("select * from ::fn_trace_gettable(:x, default)");
    EXPECT_EQ(q.Params().Count(), 0);
    q.SetEscapeExpand(false);
    q.SetDirectExecute(true);
    q.ExecSQL();
    const auto& rec = session->recorded().back();
    EXPECT_EQ(rec.sql, "select * from ::fn_trace_gettable(:x, default)");
    EXPECT_TRUE(rec.noScan);
    EXPECT_TRUE(rec.direct);
    EXPECT_TRUE(rec.values.isEmpty());
}

TEST_F(Scripted, OpenSkipsResultsWithoutColumnsAndWalksTheRest)
{
    fx().exact("batch")
        .affects(3)
        .returns({column("a", "int")}, {{1}, {2}})
        .affects(1)
        .returns({column("b", "nvarchar(5)")}, {{"x"}});
    q.SQL().SetText("batch");
    q.Prepare();
    EXPECT_EQ(q.Kind(), StatementKind::Other);
    q.Open();
    EXPECT_EQ(q.FieldCount(), 1);
    EXPECT_EQ(q.Fields().at(0)->FieldName(), "a");
    EXPECT_EQ(q.RecordCount(), 2);
    ASSERT_TRUE(q.NextResultSet());
    EXPECT_EQ(q.Fields().at(0)->FieldName(), "b");
    EXPECT_EQ(q.Fields().at(0)->AsString(), "x");
    EXPECT_FALSE(q.NextResultSet());
    EXPECT_FALSE(q.Active());
    EXPECT_EQ(session->recorded().size(), 1u);
}

TEST_F(Scripted, MoneyReadsAsCurrencyOrAsPlainDecimal)
{
    fx().exact("select m").returns({column("m", "money"), column("s", "smallmoney")}, {{"12.5000", "-0.0001"}});
    q.SQL().SetText("select m");
    q.Open();
    EXPECT_EQ(q.Fields().at(0)->DataType(), FieldType::Currency);
    EXPECT_EQ(q.Fields().at(0)->AsString(), "12.5");
    q.Close();
    q.SetCurrencyAsBCD(true);
    q.Open();
    EXPECT_EQ(q.Fields().at(0)->DataType(), FieldType::BCD);
    EXPECT_EQ(q.Fields().at(1)->DataType(), FieldType::BCD);
    EXPECT_EQ(q.Fields().at(0)->AsString(), "12.5");
    EXPECT_EQ(q.Fields().at(1)->AsString(), "-0.0001");
    EXPECT_DOUBLE_EQ(q.Fields().at(0)->AsFloat(), 12.5);
}

TEST_F(Scripted, ExecSqlReportsRowsAndOpenWithoutRowsFails)
{
    fx().exact("update t set a = 1").affects(2).affects(5);
    q.SQL().SetText("update t set a = 1");
    q.ExecSQL();
    EXPECT_EQ(q.RowsAffected(), 5);
    EXPECT_THROW(q.Open(), qv::EDatabaseError);
    EXPECT_FALSE(q.Active());
}

TEST_F(Scripted, ErrorsCarryTheDriverTextAndLostLinksAreTheirOwnKind)
{
    fx().exact("bad").fails("Invalid object name 'x'.", "42S02", 208);
    fx().exact("gone").fails("Communication link failure", "08S01", 0);
    q.SQL().SetText("bad");
    try {
        q.ExecSQL();
        FAIL();
    } catch (const qv::EConnectionLost&) {
        FAIL() << "not a lost link";
    } catch (const qv::EDatabaseError& e) {
        EXPECT_EQ(e.message(), "Invalid object name 'x'.");
        EXPECT_EQ(e.sqlState(), "42S02");
        EXPECT_EQ(e.nativeError(), 208);
    }
    q.SQL().SetText("unknown text");
    try {
        q.ExecSQL();
        FAIL();
    } catch (const qv::EDatabaseError& e) {
        EXPECT_TRUE(e.message().contains("No fixture answers the statement:\nunknown text")) << e.message().toStdString();
    }
    q.SQL().SetText("gone");
    EXPECT_THROW(q.ExecSQL(), qv::EConnectionLost);
    EXPECT_FALSE(conn.Connected());
}

TEST_F(Scripted, TooLongParameterNameFailsTheStatement)
{
    q.SQL().SetText("select :" + QString(256, QLatin1Char('a')));
    EXPECT_THROW(q.Open(), qv::EDatabaseError);
    EXPECT_TRUE(session->recorded().empty());
}

TEST_F(Scripted, TransactionsAndInfo)
{
    EXPECT_FALSE(conn.InTransaction());
    conn.StartTransaction();
    EXPECT_TRUE(conn.InTransaction());
    EXPECT_THROW(conn.StartTransaction(), qv::EDatabaseError);
    conn.Commit();
    EXPECT_FALSE(conn.InTransaction());
    conn.StartTransaction();
    conn.Rollback();
    EXPECT_EQ(session->events(), QStringList({"Open", "StartTransaction", "Commit", "AutoCommit", "StartTransaction", "Rollback", "AutoCommit"}));
    EXPECT_TRUE(conn.GetInfoReport().first().startsWith("Driver name = "));
    EXPECT_EQ(conn.IdentifierQuotes(), "[]");
    conn.Close();
    EXPECT_TRUE(conn.GetInfoReport().isEmpty());
}

// ---- writing edited records back -----------------------------------------------------------------

namespace {

std::vector<ColumnDesc> orderColumns(const QString& table)
{
    auto id = column("id", "int", false);
    auto name = column("name", "nvarchar(20)");
    auto qty = column("qty", "decimal(10,2)");
    auto note = column("note", "nvarchar(max)");
    for (auto* c : {&id, &name, &qty, &note}) {
        if (!table.isEmpty()) {
            c->baseSchema = "dbo";
            c->baseTable = table;
            c->baseColumn = c->name;
        }
    }
    return {id, name, qty, note};
}

} // namespace

TEST_F(Scripted, EditingOneCellSendsOneUpdateByKey)
{
    fx().keys.insert("dbo.orders", {"id"});
    fx().exact("select * from Orders").returns(orderColumns("Orders"), {{1, "a", "1.50", "n"}, {2, "b", QVariant(), "m"}});
    fx().pattern("UPDATE .*").affects(1);
    q.SQL().SetText("select * from Orders");
    q.Open();
    ASSERT_TRUE(q.Updatable());
    EXPECT_TRUE(q.CanModify());
    q.Next();
    q.Edit();
    q.FieldByName("name")->SetAsString("新しい");
    q.Post();
    ASSERT_EQ(session->recorded().size(), 2u);
    const auto& rec = session->recorded()[1];
    EXPECT_EQ(rec.sql, "UPDATE [dbo].[Orders] SET [name] = ? WHERE [id] = ?");
    EXPECT_EQ(rec.values, QVariantList({QStringLiteral("新しい"), qint64(2)}));
    EXPECT_EQ(session->events().mid(1), QStringList({"StartTransaction", "Commit", "AutoCommit"}));
    EXPECT_EQ(q.FieldByName("name")->AsString(), QStringLiteral("新しい"));
}

TEST_F(Scripted, WithoutKeyEveryOriginalValueIdentifiesTheRow)
{
    fx().exact("select * from Orders").returns(orderColumns("Orders"), {{2, "b", QVariant(), "m"}});
    fx().pattern("UPDATE .*").affects(1);
    fx().pattern("DELETE .*").affects(1);
    fx().pattern("INSERT .*").affects(1);
    q.SQL().SetText("select * from Orders");
    q.Open();
    q.Edit();
    q.FieldByName("qty")->SetAsString("3.25");
    q.Post();
    auto rec = session->recorded().back();
    EXPECT_EQ(rec.sql, "UPDATE [dbo].[Orders] SET [qty] = ? WHERE [id] = ? AND [name] = ? AND [qty] IS NULL");
    EXPECT_EQ(rec.values, QVariantList({"3.25", qint64(2), "b"}));

    q.Delete();
    rec = session->recorded().back();
    EXPECT_EQ(rec.sql, "DELETE FROM [dbo].[Orders] WHERE [id] = ? AND [name] = ? AND [qty] = ?");
    EXPECT_EQ(rec.values, QVariantList({qint64(2), "b", "3.25"}));

    q.Append();
    q.FieldByName("id")->SetAsInteger(9);
    q.FieldByName("note")->SetAsString("x]y");
    q.Post();
    rec = session->recorded().back();
    EXPECT_EQ(rec.sql, "INSERT INTO [dbo].[Orders] ([id], [note]) VALUES (?, ?)");
    EXPECT_EQ(rec.values, QVariantList({qint64(9), "x]y"}));
}

TEST_F(Scripted, AWriteThatHitsNoRowOrSeveralFailsAndKeepsTheRecord)
{
    fx().keys.insert("dbo.orders", {"id"});
    fx().exact("select * from Orders").returns(orderColumns("Orders"), {{1, "a", "1.50", "n"}});
    fx().pattern("UPDATE .*").once().affects(0);
    fx().pattern("UPDATE .*").once().affects(2);
    q.SQL().SetText("select * from Orders");
    q.Open();
    for (int attempt = 0; attempt < 2; ++attempt) {
        q.Edit();
        q.FieldByName("name")->SetAsString("z");
        EXPECT_THROW(q.Post(), qv::EDatabaseError);
        q.Cancel();
        EXPECT_EQ(q.FieldByName("name")->AsString(), "a");
    }
    EXPECT_EQ(session->events().mid(1),
              QStringList({"StartTransaction", "Rollback", "AutoCommit", "StartTransaction", "Rollback", "AutoCommit"}));
}

TEST_F(Scripted, ResultsOverAJoinOrWithoutABaseTableAreReadOnly)
{
    auto cols = orderColumns("Orders");
    cols[3].baseTable = "Notes";
    fx().exact("join").returns(cols, {{1, "a", "1", "n"}});
    fx().exact("expr").returns({column("n", "int")}, {{1}});
    q.SQL().SetText("join");
    q.Open();
    EXPECT_FALSE(q.Updatable());
    EXPECT_FALSE(q.CanModify());
    EXPECT_THROW(q.Edit(), qv::EDatabaseError);
    q.SQL().SetText("expr");
    q.Open();
    EXPECT_FALSE(q.Updatable());

    // The frame's table name makes a result without base-table information writable.
    fx().exact("select * from plain").returns(orderColumns(QString()), {{1, "a", "1", "n"}});
    fx().pattern("UPDATE .*").affects(1);
    fx().keys.insert("sales.plain", {"id"});
    q.SetUpdateTableName("sales.plain");
    q.SQL().SetText("select * from plain");
    q.Open();
    ASSERT_TRUE(q.Updatable());
    q.Edit();
    q.FieldByName("name")->SetAsString("b");
    q.Post();
    EXPECT_EQ(session->recorded().back().sql, "UPDATE [sales].[plain] SET [name] = ? WHERE [id] = ?");
}

TEST(WriteStatement, QuotingAndNames)
{
    EXPECT_EQ(quoteName("a]b"), "[a]]b]");
    EXPECT_EQ(splitQualifiedName("[my db].dbo.[t.x]"), QStringList({"my db", "dbo", "t.x"}));
    EXPECT_EQ(splitQualifiedName("\"a\"\"b\".c"), QStringList({"a\"b", "c"}));
    std::vector<ColumnDesc> cols{column("id", "int"), column("v", "nvarchar(5)")};
    cols[0].autoIncrement = true;
    // Nothing changed: nothing to send. Identity columns are never set but still identify.
    EXPECT_TRUE(buildWriteStatement(DataSet::UpdateKind::Modify, "[t]", cols, {0, 1}, {}, {1, "a"}, {1, "a"}).sql.isEmpty());
    EXPECT_EQ(buildWriteStatement(DataSet::UpdateKind::Insert, "[t]", cols, {0, 1}, {}, {}, {5, QVariant()}).sql,
              "INSERT INTO [t] DEFAULT VALUES");
    EXPECT_EQ(buildWriteStatement(DataSet::UpdateKind::Modify, "[t]", cols, {0, 1}, {"id"}, {1, "a"}, {1, "b"}).sql,
              "UPDATE [t] SET [v] = ? WHERE [id] = ?");
}

TEST_F(Scripted, FieldTextsOfEveryStoredKind)
{
    struct Col { const char* type; QVariant value; const char* text; };
    const Col cols[] = {
        {"int", 42, "42"},
        {"bit", true, "True"},
        {"datetime", "2024-01-02 03:04:05.120", "2024-01-02 03:04:05.120"},
        {"datetime2(7)", "2024-01-02 03:04:05.1234567", "2024-01-02 03:04:05.1234567"},
        {"smalldatetime", "2024-01-02 03:04:00", "2024-01-02 03:04:00"},
        {"date", "2024-02-29", "2024-02-29"},
        {"time(3)", "23:59:59.5", "23:59:59.500"},
        {"money", "12.5000", "12.5"},
        {"decimal(10,2)", "-3.10", "-3.1"},
        {"float", 0.25, "0.25"},
        {"nvarchar(20)", QStringLiteral("名前"), "名前"},
        {"varbinary(4)", QByteArray("AB\x0f", 3), "0x41420F"},
        {"varbinary(2)", QByteArray("", 0), "0x"},
    };
    std::vector<ColumnDesc> descs;
    QVariantList values, nulls;
    for (const Col& c : cols) {
        descs.push_back(column(QStringLiteral("c%1").arg(descs.size()), QString::fromLatin1(c.type)));
        values << c.value;
        nulls << QVariant();
    }
    fx().exact("select kinds").returns(descs, {values, nulls});
    q.SQL().SetText("select kinds");
    q.Open();
    for (int i = 0; i < q.FieldCount(); ++i) {
        const Field* f = q.Fields().at(i);
        EXPECT_EQ(f->AsString(), QString::fromUtf8(cols[i].text)) << cols[i].type;
        EXPECT_EQ(f->AsString(), cellText(f->Desc(), f->Cell())) << cols[i].type;
    }
    q.Next();
    for (const Field* f : q.Fields())
        EXPECT_EQ(f->AsString(), QString()) << f->Desc().typeName.toStdString();

}

TEST_F(Scripted, RepeatedAnswersFollowTheFixtureAndStayApart)
{
    auto n = column("n", "int", false);
    auto t = column("t", "nvarchar(10)");
    for (auto* c : {&n, &t}) {
        c->baseSchema = "dbo";
        c->baseTable = "T";
        c->baseColumn = c->name;
    }
    fx().keys.insert("dbo.t", {"n"});
    fx().exact("select n").returns({n, t}, {{1, "a"}, {2, "b"}});
    fx().pattern("INSERT .*").affects(1);
    auto texts = [&] {
        q.Close();
        q.Open();
        QStringList out;
        for (q.First(); !q.Eof(); q.Next())
            out << q.Fields().at(0)->AsString() + q.Fields().at(1)->AsString();
        return out;
    };
    q.SQL().SetText("select n");
    EXPECT_EQ(texts(), QStringList({"1a", "2b"}));
    // A record appended to one answer is not in the next one.
    q.Append();
    q.Fields().at(0)->SetAsInteger(3);
    q.Fields().at(1)->SetAsString("c");
    EXPECT_EQ(q.Fields().at(0)->AsString() + q.Fields().at(1)->AsString(), "3c"); // the edit buffer
    q.Post();
    EXPECT_EQ(q.RecordCount(), 3);
    EXPECT_EQ(texts(), QStringList({"1a", "2b"}));
    // Changes to the fixture's rows and columns show in the next answer.
    fx().rules[0].results.front().rows[1][1] = "x";
    EXPECT_EQ(texts(), QStringList({"1a", "2x"}));
    fx().rules[0].results.front().rows.push_back({4, "d"});
    EXPECT_EQ(texts(), QStringList({"1a", "2x", "4d"}));
    fx().rules[0].results.front().columns[0].name = "m";
    EXPECT_EQ(texts(), QStringList({"1a", "2x", "4d"}));
    EXPECT_EQ(q.Fields().at(0)->FieldName(), "m");
}

TEST_F(Scripted, AWriteWithoutRowCountIsCheckedByReadingTheRowAgain)
{
    // SET NOCOUNT ON: the server answers a write with no row count at all.
    fx().keys.insert("dbo.orders", {"id"});
    fx().exact("select * from Orders").returns(orderColumns("Orders"), {{1, "a", "1.50", "n"}, {2, "b", QVariant(), "m"}});
    fx().pattern("UPDATE .*");
    fx().pattern("DELETE .*");
    for (int id : {1, 2}) {
        auto& check = fx().exact("SELECT COUNT(*) FROM [dbo].[Orders] WHERE [id] = ?");
        check.params = QVariantList{id};
        check.returns({column("", "int")}, {{id == 1 ? 0 : 1}});
    }
    q.SQL().SetText("select * from Orders");
    q.Open();

    // Row 1 is gone: the update hit nothing, so it is taken back and the record keeps its value.
    q.Edit();
    q.FieldByName("name")->SetAsString("z");
    EXPECT_THROW(q.Post(), qv::EDatabaseError);
    q.Cancel();
    EXPECT_EQ(q.FieldByName("name")->AsString(), "a");
    EXPECT_EQ(session->statements().back(), "SELECT COUNT(*) FROM [dbo].[Orders] WHERE [id] = ?");
    EXPECT_EQ(session->events().mid(1), QStringList({"StartTransaction", "Rollback", "AutoCommit"}));

    // Row 2 is there after the update: the write is kept.
    session->clearRecord();
    q.Next();
    q.Edit();
    q.FieldByName("name")->SetAsString("y");
    q.Post();
    EXPECT_EQ(session->statements(), QStringList({"UPDATE [dbo].[Orders] SET [name] = ? WHERE [id] = ?",
                                                  "SELECT COUNT(*) FROM [dbo].[Orders] WHERE [id] = ?"}));
    EXPECT_EQ(session->events(), QStringList({"StartTransaction", "Commit", "AutoCommit"}));

    // A delete whose row is still there afterwards did not delete it.
    EXPECT_THROW(q.Delete(), qv::EDatabaseError);
    EXPECT_EQ(q.RecordCount(), 2);
    EXPECT_EQ(session->events().back(), "AutoCommit");
    EXPECT_EQ(session->events().at(session->events().size() - 2), "Rollback");
}

TEST_F(Scripted, AWriteWithoutRowCountOrKeyIsNotKept)
{
    fx().exact("select * from Orders").returns(orderColumns("Orders"), {{1, "a", "1.50", "n"}});
    fx().pattern("UPDATE .*");
    q.SQL().SetText("select * from Orders");
    q.Open();
    q.Edit();
    q.FieldByName("name")->SetAsString("z");
    try {
        q.Post();
        FAIL() << "a write that cannot be checked was kept";
    } catch (const qv::EDatabaseError& e) {
        EXPECT_TRUE(e.message().contains("SET NOCOUNT ON")) << e.message().toStdString();
    }
    EXPECT_EQ(session->events().mid(1), QStringList({"StartTransaction", "Rollback", "AutoCommit"}));
}
