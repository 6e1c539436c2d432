// Object scripts end to end: a procedure's source read through unixODBC and the FreeTDS driver
// from the TDS test server, in the catalog-view form and (with /V=8) the syscomments form, and
// written to a file byte for byte.
#include "app/options.h"
#include "connection/object_script.h"
#include "connection/object_session.h"
#include "test_server_helper.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qv;
using namespace qvtest;

namespace {

// 9,000 characters with blanks at positions 3,999 to 4,001 and Japanese text on both sides of
// the 4,000-character piece boundary.
QString LongSource()
{
    QString s = QStringLiteral("CREATE PROCEDURE dbo.LongOne AS\r\n");
    while (s.size() < 3990)
        s += QStringLiteral("select N'日本語'\r\n").left(3990 - s.size());
    s += QStringLiteral("-- 表aaaa   ");
    while (s.size() < 8998)
        s += QStringLiteral("-- 続き x\r\n").left(8998 - s.size());
    return s + QStringLiteral("\r\n");
}

QJsonObject Rule(const QString& match, const QString& param, const QJsonArray& columns, const QJsonArray& rows)
{
    return QJsonObject{{"match", match}, {"params", QJsonArray{param}}, {"columns", columns}, {"rows", rows}};
}

} // namespace

TEST(ObjectScriptE2E, LongSourceByteForByteThroughFreeTds)
{
    usePrivateOdbcConfig();
    const QString src = LongSource();
    ASSERT_EQ(src.size(), 9000);
    ASSERT_EQ(src.mid(3998, 3), "   ");

    QTemporaryDir dir;
    QJsonArray pieces;
    for (int at = 0; at < src.size(); at += 4000)
        pieces.append(QJsonArray{src.mid(at, 4000), int(src.mid(at, 4000).size())});
    const QString param = QStringLiteral("[dbo].[LongOne]");
    QJsonArray rules{
        Rule(QStringLiteral("select definition from sys.sql_modules where object_id = object_id(?)"), param,
             QJsonArray{QJsonObject{{"name", "definition"}, {"type", "nvarchar(max)"}}}, QJsonArray{QJsonArray{src}}),
        Rule(QStringLiteral("select text, datalength(text) / 2 from syscomments where id = object_id(?) order by number, colid"),
             param,
             QJsonArray{QJsonObject{{"name", "text"}, {"type", "nvarchar(4000)"}}, QJsonObject{{"name", ""}, {"type", "int"}}},
             pieces),
    };
    const QString fixture = dir.filePath("scripts.json");
    {
        QFile f(fixture);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QJsonDocument(QJsonObject{{"description", "a long procedure source"}, {"rules", rules}}).toJson());
    }
    TestServer server({demoFixtures(), fixture});
    ASSERT_TRUE(server.ok()) << server.error().toStdString();

    const TScriptOption saved = ScriptOption;
    const int encoding = qvOption.Encoding;
    ScriptOption.Database = qmNever;
    qvOption.Encoding = 2;
    for (int version : {0, 8}) {
        SCOPED_TRACE(version);
        TObjectSession session;
        ASSERT_NO_THROW(session.Connect("SalesDemo", "sa", "pass", QStringLiteral("127.0.0.1,%1").arg(server.port()), version));
        QFile out(dir.filePath(QStringLiteral("p%1.sql").arg(version)));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        try {
            WriteObjectScript({&session}, ObjType::Procedure, "SalesDemo", "dbo", "LongOne", &out, {}, {}, false, {});
        } catch (const std::exception& e) {
            ADD_FAILURE() << e.what() << server.logText().toStdString();
        }
        out.close();
        session.Disconnect();
        ASSERT_TRUE(out.open(QIODevice::ReadOnly));
        EXPECT_EQ(out.readAll(), src.toUtf8() + "go\r\n");
    }
    EXPECT_TRUE(server.logText().contains("sys.sql_modules"));
    EXPECT_TRUE(server.logText().contains("from syscomments"));
    ScriptOption = saved;
    qvOption.Encoding = encoding;
}
