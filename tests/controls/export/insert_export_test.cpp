#include <gtest/gtest.h>

#include "app/options.h"
#include "controls/export/export_data_helper.h"
#include "controls/export/insert_export.h"

using namespace qv;
using namespace qv::exporting;
using qvtest::ExportData;

namespace {

// Sets the bracket option for one test and puts it back afterwards.
struct BracketOption {
    explicit BracketOption(bool on) : saved(qvOption.UseLowerName) { qvOption.UseLowerName = on; }
    ~BracketOption() { qvOption.UseLowerName = saved; }
    bool saved;
};

} // namespace

TEST(InsertExport, TableNameFromTheStatement)
{
    struct Case {
        const char* sql;
        const char* name;
        bool ask;
    };
    const Case cases[] = {
        {"select a, b from dbo.t1 x", "dbo.t1", false},
        {"-- heading\nselect a from dbo.t1 x; select 1", "dbo.t1", false},
        {"select * from [my table] x", "[my table]", false},
        {"select * from [my table]", "[my table]", false},
        {"SELECT x.a FROM  dbo.[my table] AS x WHERE x.a = 1", "dbo.[my table]", false},
        {"select * from a join b on a.id = b.id", "", true},
        {"update t set a = 1", "", false},
        {"-- only a comment", "", false},
    };
    for (const Case& c : cases) {
        bool ask = false;
        EXPECT_EQ(InsertTableFromSql(QString::fromUtf8(c.sql), &ask), QString::fromUtf8(c.name)) << c.sql;
        EXPECT_EQ(ask, c.ask) << c.sql;
    }
}

TEST(InsertExport, TableNamesAreQuotedPartByPart)
{
    struct Case {
        const char* text;
        const char* on;
        const char* off;
    };
    const Case cases[] = {
        {"dbo.t1", "[dbo].[t1]", "dbo.t1"},
        {"dbo.t1 x", "[dbo].[t1]", "dbo.t1"},
        {"[my table] x", "[my table]", "[my table]"},
        {"dbo.[a]]b] x", "[dbo].[a]]b]", "dbo.[a]]b]"},
        {"\"my \"\"q\"\" t\"", "[my \"q\" t]", "[my \"q\" t]"},
        {"db..t", "[db]..[t]", "db..t"},
        {"order", "[order]", "[order]"},
        {"x-y", "[x-y]", "[x-y]"},
    };
    for (bool on : {true, false}) {
        BracketOption opt(on);
        for (const Case& c : cases)
            EXPECT_EQ(QuoteTableName(QString::fromUtf8(c.text)), QString::fromUtf8(on ? c.on : c.off)) << c.text << on;
    }
    BracketOption opt(true);
    EXPECT_EQ(QuoteTableName("dbo", "t.1]"), "[dbo].[t.1]]]");
}

TEST(InsertExport, ScriptOfASelectInTheSqlWindow)
{
    ExportData ds({"a int", "b nvarchar(10)", "c]d varchar(5)"});
    ds.Add({1, QStringLiteral("O'Brien"), QStringLiteral("x")});
    ds.Add({QVariant(), QString(""), QVariant()});
    ds.Open();
    bool ask = true;
    const QString table = InsertTableFromSql("select a, b, [c]]d] from dbo.t1 x", &ask);
    EXPECT_FALSE(ask);
    {
        BracketOption opt(true);
        const QStringList lines = BuildInsertScript(ds, QuoteTableName(table));
        EXPECT_EQ(lines, QStringList({"INSERT INTO [dbo].[t1] ([a], [b], [c]]d]) VALUES (1, N'O''Brien', 'x')", "go",
                                      "INSERT INTO [dbo].[t1] ([a], [b], [c]]d]) VALUES (NULL, N'', NULL)", "go"}));
    }
    BracketOption opt(false);
    const QStringList lines = BuildInsertScript(ds, QuoteTableName(table));
    EXPECT_EQ(lines.first(), "INSERT INTO dbo.t1 (a, b, [c]]d]) VALUES (1, N'O''Brien', 'x')");
}

TEST(InsertExport, LiteralsByType)
{
    struct Case {
        const char* type;
        QVariant value;
        const char* literal;
    };
    const Case cases[] = {
        {"varchar(10)", QVariant(), "NULL"},
        {"varchar(10)", QString(""), "''"},
        {"varchar(10)", QStringLiteral("O'Brien"), "'O''Brien'"},
        {"nvarchar(10)", QVariant(), "NULL"},
        {"nvarchar(10)", QString(""), "N''"},
        {"nchar(3)", QStringLiteral("表"), "N'表'"},
        {"text", QStringLiteral("t"), "'t'"},
        {"ntext", QStringLiteral("t"), "N't'"},
        {"bit", true, "1"},
        {"bit", false, "0"},
        {"bit", QVariant(), "NULL"},
        {"int", -5, "-5"},
        {"bigint", QVariant(), "NULL"},
        {"decimal(10,2)", QStringLiteral("12.30"), "12.3"},
        {"money", QStringLiteral("-1.5"), "-1.5"},
        {"float", 0.1, "0.1"},
        {"float", 1.0 / 3.0, "0.3333333333333333"},
        {"real", 0.1, "0.1"},
        {"uniqueidentifier", QStringLiteral("6F9619FF-8B86-D011-B42D-00C04FC964FF"), "'6F9619FF-8B86-D011-B42D-00C04FC964FF'"},
        {"uniqueidentifier", QVariant(), "NULL"},
        {"varbinary(10)", QByteArray("\x0A\x1B"), "0x0A1B"},
        {"varbinary(10)", QByteArray(""), "0x"},
        {"binary(2)", QByteArray("\xFF\x00", 2), "0xFF00"},
        {"image", QVariant(), "NULL"},
        {"datetime2(7)", QStringLiteral("2024-01-02 03:04:05.1234567"), "'2024-01-02T03:04:05.1234567'"},
        {"datetime2(7)", QStringLiteral("2024-01-02 03:04:05"), "'2024-01-02T03:04:05.0000000'"},
        {"datetime2(0)", QStringLiteral("2024-01-02 03:04:05"), "'2024-01-02T03:04:05'"},
        {"datetime2(3)", QStringLiteral("2024-01-02 03:04:05.100"), "'2024-01-02T03:04:05.100'"},
        {"datetime", QStringLiteral("2024-01-02 03:04:05.997"), "'2024-01-02T03:04:05.997'"},
        {"smalldatetime", QStringLiteral("2024-01-02 03:04:00"), "'2024-01-02T03:04:00'"},
        {"date", QStringLiteral("2024-01-02"), "'2024-01-02'"},
        {"time(7)", QStringLiteral("23:59:59.9999999"), "'23:59:59.9999999'"},
        {"datetimeoffset(7)", QStringLiteral("2024-01-02 03:04:05.1234567 +09:00"), "'2024-01-02 03:04:05.1234567 +09:00'"},
    };
    for (const Case& c : cases) {
        ExportData ds({QStringLiteral("v ") + QString::fromUtf8(c.type)});
        ds.Add({c.value});
        ds.Open();
        EXPECT_EQ(SqlLiteral(*ds.Fields()[0]), QString::fromUtf8(c.literal)) << c.type << " " << c.value.toString().toStdString();
    }
}

TEST(InsertExport, StopKeepsTheStatementsBuiltSoFarAndTheFileIsWritten)
{
    ExportData ds({"n int"});
    for (int i = 1; i <= 5000; ++i)
        ds.Add({i});
    ds.Open();
    BracketOption opt(true);
    int polled = 0;
    ExportOutcome r;
    const QStringList lines = BuildInsertScript(ds, "[t]", [&] { return ++polled > 1000; }, {}, &r);
    EXPECT_TRUE(r.stopped);
    EXPECT_EQ(r.records, 1000);
    ASSERT_EQ(lines.size(), 2000);
    EXPECT_EQ(lines[1998], "INSERT INTO [t] ([n]) VALUES (1000)");
    const QString path = qvtest::exportFile("insert.sql");
    qvOption.Encoding = 2;
    WriteInsertScript(path, lines.mid(0, 2));
    EXPECT_EQ(qvtest::fileBytes(path), QByteArray("\xEF\xBB\xBFINSERT INTO [t] ([n]) VALUES (1)\r\ngo\r\n"));
}
