#include "connection/object_script.h"

#include "app/options.h"
#include "platform/exceptions.h"
#include "platform/textcodec.h"
#include "script_session_helper.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qv;
using namespace qvtest;

namespace {

struct OptionsGuard {
    TScriptOption script = ScriptOption;
    int encoding = qvOption.Encoding;
    ~OptionsGuard()
    {
        ScriptOption = script;
        qvOption.Encoding = encoding;
    }
};

QString Decode(const QBuffer& b) { return TextEncoding::get(TextEncoding::Utf16LE).decode(b.data()); }

// 9,000 characters over three lines, blanks at positions 3,999 to 4,001 (1-based), so the first
// syscomments piece ends with two blanks and the second starts with one.
QString LongSource()
{
    QString s = QStringLiteral("CREATE PROCEDURE dbo.LongOne AS\r\n");
    while (s.size() < 3998)
        s += QStringLiteral("select 1\r\n").left(3998 - s.size());
    s += QStringLiteral("   ");
    while (s.size() < 8998)
        s += QStringLiteral("-- x\r\n").left(8998 - s.size());
    return s + QStringLiteral("\r\n");
}

} // namespace

TEST(ObjectScript, LongSourceIsWrittenByteForByte)
{
    const QString src = LongSource();
    ASSERT_EQ(src.size(), 9000);
    ASSERT_EQ(src.mid(3998, 3), "   ");
    for (int version : {16, 8}) {
        SCOPED_TRACE(version);
        OptionsGuard g;
        ScriptOption.Database = qmNever;
        qvOption.Encoding = 2;
        ScriptSession s(version);
        s.source("dbo", "LongOne", src, /*trimmedPieces=*/version == 8);
        QTemporaryDir dir;
        QFile file(dir.filePath("p.sql"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        WriteObjectScript({&s.session}, ObjType::Procedure, "Sales", "dbo", "LongOne", &file, {}, {}, false, {});
        file.close();
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), src.toUtf8() + "go\r\n");
    }
}

TEST(ObjectScript, DropPassFirstAndDropOptionKept)
{
    OptionsGuard g;
    ScriptSession s(16);
    s.source("dbo", "P", "CREATE PROCEDURE dbo.P AS select 1");
    ScriptOption.Database = qmAlways;
    ScriptOption.Owner = qmAlways;
    for (bool appendDrop : {false, true}) {
        ScriptOption.Drop = true;
        QBuffer b;
        b.open(QIODevice::WriteOnly);
        OutputScript({&s.session}, ObjType::Procedure, "Sales", "dbo", "P", &b, {}, {}, appendDrop, {});
        const QString create = "use [Sales]\r\ngo\r\nCREATE PROCEDURE dbo.P AS select 1\r\ngo\r\n";
        EXPECT_EQ(Decode(b), appendDrop ? "use [Sales]\r\ngo\r\nDROP PROCEDURE [dbo].[P]\r\ngo\r\n" + create : create);
        EXPECT_TRUE(ScriptOption.Drop);
    }
    // A failing routine leaves Drop set too.
    QBuffer b;
    b.open(QIODevice::WriteOnly);
    OutputScript({&s.session}, ObjType::Procedure, "Sales", "dbo", "Gone", &b, {}, {}, true, {});
    EXPECT_TRUE(ScriptOption.Drop);
}

TEST(ObjectScript, KindWithoutRoutineRaisesAndOutputScriptWritesNothing)
{
    ScriptSession s(16);
    QBuffer b;
    b.open(QIODevice::WriteOnly);
    try {
        WriteObjectScript({&s.session}, ObjType::Table, "Sales", "dbo", "T", &b, {}, {}, false, {});
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), "この種類のスクリプト出力はまだありません");
    }
    OutputScript({&s.session}, ObjType::Table, "Sales", "dbo", "T", &b, {}, {}, true, {});
    EXPECT_TRUE(b.data().isEmpty());
    EXPECT_TRUE(s.sent().isEmpty());
}

TEST(ObjectScript, RegisteredRoutineTakesItsKind)
{
    ScriptSession s(16);
    RegisterScriptRoutine(ObjType::Table, [](const ScriptContext&, const ScriptRequest& r) {
        return (r.drop ? QStringLiteral("DROP ") : QStringLiteral("CREATE ")) + r.schema + "." + r.objectName +
               (r.index ? " +index" : "") + "\r\n";
    });
    ScriptOption.Index = true;
    QBuffer b;
    b.open(QIODevice::WriteOnly);
    OutputScript({&s.session}, ObjType::Table, "Sales", "dbo", "T", &b, {}, {}, true, {});
    UnregisterScriptRoutine(ObjType::Table);
    ScriptOption.Index = false;
    EXPECT_EQ(Decode(b), "DROP dbo.T +index\r\nCREATE dbo.T +index\r\n");
    EXPECT_TRUE(FindScriptRoutine(ObjType::Table)); // the table window's own routine again
    EXPECT_TRUE(FindScriptRoutine(ObjType::View));
}

TEST(ObjectScript, NewNameReplacesTheCreateHead)
{
    struct Case {
        const char* source;
        const char* expected;
    } cases[] = {
        {"CREATE PROCEDURE dbo.P AS select 1", "CREATE PROCEDURE [s2].[N] AS select 1"},
        {"-- head\r\n/* a /* nested */ one */ create proc [dbo] . [P x]\r\nas select 1",
         "-- head\r\n/* a /* nested */ one */ create proc [s2].[N]\r\nas select 1"},
        {"CREATE OR ALTER VIEW V AS select 1", "CREATE OR ALTER VIEW [s2].[N] AS select 1"},
        {"CREATE TRIGGER \"t\" ON dbo.T after insert as select 1", "CREATE TRIGGER [s2].[N] ON dbo.T after insert as select 1"},
        {"select 1", "select 1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReplaceCreateName(c.source, "[s2].[N]"), c.expected) << c.source;
}

TEST(OutputGrant, DatabaseSwitchRules)
{
    OptionsGuard g;
    ScriptSession s(16);
    s.grants("Other", "dbo", "T", {});
    struct Case {
        int mode;
        const char* database;
        const char* expected;
    } cases[] = {
        {qmAlways, "Other", ""},
        {qmDiffLogin, "Other", "use [Other]\r\ngo\r\n"},
        {qmDiffLogin, "Sales", ""},
        {qmNever, "Other", ""},
    };
    for (const Case& c : cases) {
        ScriptOption.Database = c.mode;
        QBuffer b;
        b.open(QIODevice::WriteOnly);
        OutputGrant(s.session, c.database, "dbo", "T", &b, false);
        EXPECT_EQ(Decode(b), c.expected) << c.mode << c.database;
    }
}

TEST(OutputGrant, DenyGrantOptionAndQuoting)
{
    OptionsGuard g;
    ScriptSession s(16);
    ScriptOption.Database = qmNever;
    ScriptOption.Owner = qmAlways;
    s.grants("Sales", "dbo", "T",
             {{"a]b", "SELECT", "YES", "T"}, {"c", "DELETE  ", "DENY", "T"}, {"d", "INSERT", "NO", "T"}, {"e", QVariant(), "NO", "T"}});
    QBuffer b;
    b.open(QIODevice::WriteOnly);
    OutputGrant(s.session, "Sales", "dbo", "T", &b, false);
    EXPECT_EQ(Decode(b), "GRANT SELECT ON [dbo].[T] TO [a]]b] WITH GRANT OPTION\r\ngo\r\n"
                         "DENY DELETE ON [dbo].[T] TO [c]\r\ngo\r\n"
                         "GRANT INSERT ON [dbo].[T] TO [d]\r\ngo\r\n");
}

TEST(OutputGrant, DenialsAreQueriedAsDenials)
{
    // Both catalog forms tell a denial apart, so no DENY is ever written as a GRANT.
    for (int v : {8, 16})
        for (bool db : {false, true})
            EXPECT_TRUE(GrantQuery(v, db, "x").contains("then N'DENY'")) << v << db;
    EXPECT_TRUE(GrantQuery(16, false, "x").contains("object_id(quotename(:OWNER) + '.' + quotename(:NAME))"));
    EXPECT_TRUE(GrantQuery(16, true, "x").startsWith("use [x]\r\n"));
}
