#include "connection/script_output.h"

#include "app/options.h"
#include "connection/source_history.h"
#include "script_session_helper.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qv;
using namespace qvtest;

namespace {

struct ScriptOutput : ::testing::Test {
    TScriptOption saved = ScriptOption;
    TqvOption savedQv = qvOption;
    QTemporaryDir dir;
    QString root;

    void SetUp() override
    {
        root = dir.path() + "/out/";
        ScriptOption = TScriptOption();
        ScriptOption.Database = qmNever;
        qvOption.Encoding = 2;
    }
    void TearDown() override
    {
        ScriptOption = saved;
        qvOption = savedQv;
    }
    // Every file below the folder, relative, sorted.
    static QStringList Tree(const QString& folder)
    {
        QStringList out;
        QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::AllDirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (it.hasNext())
            if (QFileInfo f(it.next()); f.isFile())
                out << QDir(folder).relativeFilePath(f.filePath());
        out.sort();
        return out;
    }
    static QString Read(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QStringLiteral("<missing>");
    }
};

const ScriptOutputRow P1{"Sales", "dbo", "P1", "PROCEDURE", ""};
const ScriptOutputRow V1{"Sales", "dbo", "V1", "VIEW", ""};
const ScriptOutputRow P2{"Sales", "sales", "P2", "PROCEDURE", ""};

void Sources(ScriptSession& s)
{
    s.source("dbo", "P1", "CREATE PROCEDURE dbo.P1 AS select 1\r\n");
    s.source("dbo", "V1", "CREATE VIEW dbo.V1 AS select 1 x\r\n");
    s.source("sales", "P2", "CREATE PROCEDURE sales.P2 AS select 2\r\n");
}

} // namespace

TEST_F(ScriptOutput, FolderTreePerOrder)
{
    ScriptSession s(16);
    Sources(s);
    struct Case {
        bool dir, typeFirst;
        QStringList tree;
    } cases[] = {
        {false, false, {"P1.SQL", "P2.SQL", "V1.SQL"}},
        {true, false, {"Sales/dbo/PROCEDURE/P1.SQL", "Sales/dbo/VIEW/V1.SQL", "Sales/sales/PROCEDURE/P2.SQL"}},
        {true, true, {"PROCEDURE/Sales/dbo/P1.SQL", "PROCEDURE/Sales/sales/P2.SQL", "VIEW/Sales/dbo/V1.SQL"}},
    };
    for (const Case& c : cases) {
        QDir(root).removeRecursively();
        ScriptOption.Dir = c.dir;
        ScriptOutputRun run({&s.session}, {root, {}, c.typeFirst});
        run.begin();
        for (const auto& row : {P1, V1, P2})
            run.write(row);
        EXPECT_EQ(Tree(root), c.tree) << c.dir << c.typeFirst;
        EXPECT_TRUE(run.failures().isEmpty()) << run.failures().join("\n").toStdString();
    }
    EXPECT_EQ(Read(root + "PROCEDURE/Sales/sales/P2.SQL"), "CREATE PROCEDURE sales.P2 AS select 2\r\ngo\r\n");
}

TEST_F(ScriptOutput, SharedGrantFileOncePerRun)
{
    ScriptSession s(16);
    Sources(s);
    s.grants("Sales", "dbo", "P1", {{"u1", "EXECUTE", "NO", "P1"}});
    s.grants("Sales", "dbo", "V1", {{"u2", "SELECT", "NO", "V1"}});
    s.grants("Sales", "sales", "P2", {{"u3", "EXECUTE", "DENY", "P2"}});
    ScriptOption.Grant = true;
    ScriptOption.GrantMode = pmSeparateFile;
    ScriptOption.Owner = qmAlways;
    for (int runNo = 0; runNo < 2; ++runNo) {
        ScriptOutputRun run({&s.session}, {root, {}, false});
        run.begin();
        for (const auto& row : {P1, V1, P2})
            run.write(row);
    }
    EXPECT_EQ(Tree(root), (QStringList{"P1.SQL", "P2.SQL", "V1.SQL", "_GRANT.SQL"}));
    EXPECT_EQ(Read(root + "_GRANT.SQL"), "GRANT EXECUTE ON [dbo].[P1] TO [u1]\r\ngo\r\n"
                                         "GRANT SELECT ON [dbo].[V1] TO [u2]\r\ngo\r\n"
                                         "DENY EXECUTE ON [sales].[P2] TO [u3]\r\ngo\r\n");
    // Separate folder: one file per object under database and schema, also with Dir off.
    QDir(root).removeRecursively();
    ScriptOption.GrantMode = pmSeparateFolder;
    ScriptOutputRun run({&s.session}, {root, {}, false});
    run.write(P2);
    EXPECT_EQ(Tree(root), (QStringList{"P2.SQL", "Sales/sales/GRANT/P2.SQL"}));
}

TEST_F(ScriptOutput, NamesNeverLeaveTheChosenFolder)
{
    ScriptSession s(16);
    s.source("../x", "..", "CREATE PROCEDURE p AS select 1\r\n");
    s.source("a:b", "c/d", "CREATE PROCEDURE q AS select 1\r\n");
    ScriptOption.Dir = true;
    ScriptOutputRun run({&s.session}, {root, {}, false});
    run.write({"../db", "../x", "..", "PROCEDURE", ""});
    run.write({"Sales", "a:b", "c/d", "PROCEDURE", ""});
    EXPECT_EQ(Tree(dir.path()), (QStringList{"out/..db/..x/PROCEDURE/...SQL", "out/Sales/ab/PROCEDURE/cd.SQL"}));
}

TEST_F(ScriptOutput, NameTableGivesTheWholeFileName)
{
    ScriptSession s(16);
    Sources(s);
    s.answer("SELECT SCRIPT_NAME FROM Sales.dbo.NAMES WHERE DATABASE_NAME = ? AND OWNER = ? AND OBJECT_NAME = ? AND "
             "OBJECT_TYPE = ?",
             {{"X.txt"}})
        .params = QVariantList{"Sales", "dbo", "P1", "PROCEDURE"};
    s.answer("SELECT SCRIPT_NAME FROM Sales.dbo.NAMES WHERE DATABASE_NAME = ? AND OWNER = ? AND OBJECT_NAME = ? AND "
             "OBJECT_TYPE = ?",
             {});
    ScriptOutputRun run({&s.session}, {root, "Sales.dbo.NAMES", false});
    run.write(P1);
    run.write(V1);
    EXPECT_EQ(Tree(root), (QStringList{"V1.SQL", "X.txt"}));
}

TEST_F(ScriptOutput, KindsWithoutRoutineAreReportedAndTheRunGoesOn)
{
    ScriptSession s(8);
    Sources(s);
    // SQL Server 2000: the index's table comes from sysindexes; the index itself has no routine yet.
    s.answer("select name from sysobjects where uid = user_id(?) and name = ? and xtype in (N'PK', N'UQ')", {});
    s.answer("SELECT OBJECT_NAME(A.id) FROM sysindexes AS A INNER JOIN sysobjects AS B ON A.id = B.id WHERE A.name = ? "
             "AND B.uid = USER_ID(?)",
             {{"Orders"}});
    ScriptOutputRun run({&s.session}, {root, {}, false});
    run.write({"Sales", "dbo", "IX1", "INDEX", "Orders"});
    run.write({"Sales", "dbo", "T1", "TABLE", ""});
    run.write(P1);
    EXPECT_EQ(run.failures(), (QStringList{"dbo.IX1: この種類のスクリプト出力はまだありません",
                                           "dbo.T1: この種類のスクリプト出力はまだありません"}));
    EXPECT_EQ(Tree(root), (QStringList{"Orders.IX1.SQL", "P1.SQL", "T1.SQL"}));
    EXPECT_EQ(run.written(), 1);
}

TEST_F(ScriptOutput, OneScriptAppendsOrStartsAnew)
{
    ScriptSession s(16);
    Sources(s);
    ScriptOption.OneScript = true;
    const QString file = dir.filePath("all.sql");
    for (bool sameName : {false, true}) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("old\r\n");
        f.close();
        ScriptOption.SameName = sameName;
        ScriptOutputRun run({&s.session}, {file, {}, false});
        run.begin();
        run.write(P1);
        run.write(V1);
        EXPECT_EQ(Read(file), QString(sameName ? "" : "old\r\n") +
                                  "CREATE PROCEDURE dbo.P1 AS select 1\r\ngo\r\nCREATE VIEW dbo.V1 AS select 1 x\r\ngo\r\n");
    }
}

TEST(SourceHistory, NumberingTakesTheFirstFreeNumber)
{
    QTemporaryDir dir;
    const QString folder = dir.path();
    for (int n = 0; n < 4; ++n)
        QFile(folder + QStringLiteral("/P_%1.sql").arg(n, 2, 10, QLatin1Char('0'))).open(QIODevice::WriteOnly);
    EXPECT_EQ(SourceHistoryFileName(folder, "P", true), folder + "/P_04.sql");
    EXPECT_EQ(SourceHistoryFileName(folder, "P", false), folder + "/P.sql");
    for (int n = 4; n < 100; ++n)
        QFile(folder + QStringLiteral("/P_%1.sql").arg(n, 2, 10, QLatin1Char('0'))).open(QIODevice::WriteOnly);
    EXPECT_EQ(SourceHistoryFileName(folder, "P", true), folder + "/P_100.sql");
}

TEST(SourceHistory, SavesTheSourceUnderSchemaAndTypeWithTheTableName)
{
    TScriptOption saved = ScriptOption;
    TqvOption savedQv = qvOption;
    ScriptOption.Database = qmNever;
    qvOption.Encoding = 2;
    ScriptSession s(16);
    s.source("dbo", "P", "CREATE PROCEDURE dbo.P AS select 1\r\n");
    ScriptOption.NameTable = QStringList{"srv=N.dbo.T"};
    s.answer("SELECT SCRIPT_NAME FROM N.dbo.T WHERE OWNER = ? AND OBJECT_NAME = ? AND OBJECT_TYPE = ?", {{"named"}})
        .params = QVariantList{"dbo", "P", "PROCEDURE"};
    QTemporaryDir dir;
    for (int n = 0; n < 4; ++n) {
        QDir().mkpath(dir.path() + "/dbo/PROCEDURE");
        QFile(dir.path() + QStringLiteral("/dbo/PROCEDURE/named_%1.sql").arg(n, 2, 10, QLatin1Char('0')))
            .open(QIODevice::WriteOnly);
    }
    SourceHistoryOptions o{true, false, true, true, dir.path()};
    ScriptOption.Drop = true; // never written into a history file
    const QString path = SaveSourceHistory({&s.session}, o, true, "Sales", "dbo", "P", ObjType::Procedure);
    EXPECT_EQ(path, dir.path() + "/dbo/PROCEDURE/named_04.sql");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    EXPECT_TRUE(text.startsWith("-- ")) << text.constData();
    EXPECT_TRUE(text.endsWith("\r\nCREATE PROCEDURE dbo.P AS select 1\r\ngo\r\n")) << text.constData();
    // The save dialog's Cancel writes nothing.
    o.dialog = true;
    auto keep = SourceHistoryDialogHook();
    SourceHistoryDialogHook() = [](const QString&, const QString&) { return QString(); };
    EXPECT_EQ(SaveSourceHistory({&s.session}, o, false, "Sales", "dbo", "P", ObjType::Procedure), "");
    SourceHistoryDialogHook() = keep;
    ScriptOption = saved;
    qvOption = savedQv;
}
