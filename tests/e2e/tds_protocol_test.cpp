// The test server's protocol layer: type encoders, RPC parameter decoding, statement-text
// helpers, and its behaviour towards malformed input (a fuzz-style run of a few hundred
// random and truncated messages against a server in this process).
#include "fixture_responder.h"
#include "odbc_client_helper.h"
#include "test_server_helper.h"
#include "tds_raw_client_helper.h"
#include "tds_server.h"
#include "tds_sql.h"
#include "tds_types.h"

#include "platform/db/fixture.h"

#include <gtest/gtest.h>
#include <functional>
#include <mutex>
#include <random>

using namespace qvtds;
using qvtest::RawTdsClient;
using qvtest::replyHasToken;
using qvtest::replyMessages;

namespace {

QByteArray encoded(const QString& type, const QVariant& value)
{
    ColumnType t;
    EXPECT_TRUE(parseColumnType(type, &t)) << type.toStdString();
    ByteWriter w;
    writeValue(w, t, value);
    return w.take();
}

TEST(TdsTypes, ParsesTypeNamesAsWrittenInSql)
{
    struct Case { const char* text; bool ok; SqlType type; int length; int precision; int scale; };
    const Case cases[] = {
        {"int", true, SqlType::Int, 4000, 18, 0},
        {" NVarChar ( 50 ) ", true, SqlType::NVarChar, 50, 18, 0},
        {"varchar(max)", true, SqlType::VarChar, -1, 18, 0},
        {"decimal(10,2)", true, SqlType::Decimal, 4000, 10, 2},
        {"numeric", true, SqlType::Numeric, 4000, 18, 0},
        {"datetime2(3)", true, SqlType::DateTime2, 4000, 18, 3},
        {"time", true, SqlType::Time, 4000, 18, 7},
        {"float(24)", true, SqlType::Real, 4000, 18, 0},
        {"sysname", true, SqlType::NVarChar, 128, 18, 0},
        {"char(max)", false, SqlType::Int, 0, 0, 0},
        {"nvarchar(4001)", false, SqlType::Int, 0, 0, 0},
        {"decimal(39,0)", false, SqlType::Int, 0, 0, 0},
        {"decimal(5,6)", false, SqlType::Int, 0, 0, 0},
        {"datetime2(8)", false, SqlType::Int, 0, 0, 0},
        {"int(4)", false, SqlType::Int, 0, 0, 0},
        {"geography", false, SqlType::Int, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ColumnType t;
        ASSERT_EQ(parseColumnType(QString::fromLatin1(c.text), &t), c.ok);
        if (!c.ok)
            continue;
        EXPECT_EQ(t.type, c.type);
        if (c.type == SqlType::NVarChar || c.type == SqlType::VarChar) {
            EXPECT_EQ(t.length, c.length);
        }
        if (c.type == SqlType::Decimal || c.type == SqlType::Numeric) {
            EXPECT_EQ(t.precision, c.precision);
        }
        EXPECT_EQ(t.scale, c.scale);
    }
}

TEST(TdsTypes, EncodesValuesInTheWireLayout)
{
    struct Case { const char* type; QVariant value; const char* hex; };
    const Case cases[] = {
        {"int", -2, "04feffffff"},
        {"bit", true, "0101"},
        {"decimal(10,2)", QStringLiteral("-12.34"), "0900d204000000000000"},
        {"decimal(10,2)", QStringLiteral("1.005"), "09016500000000000000"},  // rounded to the scale
        {"money", QStringLiteral("1"), "080000000010270000"},
        {"datetime", QStringLiteral("1900-01-01 00:00:01"), "08000000002c010000"},
        {"datetime", QStringLiteral("1899-12-31"), "08ffffffff00000000"},
        {"date", QStringLiteral("0001-01-02"), "03010000"},
        {"time(7)", QStringLiteral("00:00:01"), "058096980000"},
        {"time(0)", QStringLiteral("00:01"), "033c0000"},
        {"datetime2(2)", QStringLiteral("0001-01-01 00:00:00.01"), "06010000000000"},
        {"nvarchar(2)", QStringLiteral("あ"), "02004230"},
        {"varchar(4)", QStringLiteral("あ"), "020082a0"},  // code page 932
        {"nvarchar(max)", QStringLiteral("a"), "020000000000000002000000610000000000"},
        {"nvarchar(max)", QVariant(), "ffffffffffffffff"},
        {"varbinary(4)", QStringLiteral("0x0aFF"), "02000aff"},
        {"uniqueidentifier", QStringLiteral("6F9619FF-8B86-D011-B42D-00C04FC964FF"), "10ff19966f868b11d0b42d00c04fc964ff"},
        {"int", QVariant(), "00"},
        {"nchar(2)", QStringLiteral("a"), "040061002000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.type) + " " + c.value.toString().toStdString());
        EXPECT_EQ(encoded(QString::fromLatin1(c.type), c.value).toHex().toStdString(), std::string(c.hex));
    }
}

TEST(TdsTypes, RefusesValuesThatDoNotFitTheColumn)
{
    const std::pair<const char*, QVariant> bad[] = {
        {"tinyint", 256}, {"int", QStringLiteral("abc")}, {"decimal(3,1)", QStringLiteral("100")},
        {"nvarchar(2)", QStringLiteral("abc")}, {"date", QStringLiteral("2024-02-30")},
        {"time(7)", QStringLiteral("24:00:00")}, {"bit", QStringLiteral("yes")},
        {"varbinary(4)", QStringLiteral("0x123")}, {"uniqueidentifier", QStringLiteral("xyz")},
    };
    for (const auto& [type, value] : bad) {
        SCOPED_TRACE(type);
        ColumnType t;
        ASSERT_TRUE(parseColumnType(QString::fromLatin1(type), &t));
        ByteWriter w;
        EXPECT_THROW(writeValue(w, t, value), std::invalid_argument);
    }
}

QByteArray paramBytes(const QString& type, const QVariant& value)
{
    ColumnType t;
    EXPECT_TRUE(parseColumnType(type, &t)) << type.toStdString();
    ByteWriter w;
    w.bVarchar(QStringLiteral("@P1"));
    w.u8(0);
    writeTypeInfo(w, t);
    writeValue(w, t, value);
    return w.take();
}

TEST(TdsTypes, DecodesRpcParametersIntoLiterals)
{
    struct Case { const char* type; QVariant value; const char* literal; };
    const Case cases[] = {
        {"int", -1, "-1"},
        {"bigint", QStringLiteral("-9223372036854775808"), "-9223372036854775808"},
        {"bit", true, "1"},
        {"float", 1.5, "1.5"},
        {"nvarchar(10)", QStringLiteral("'a'"), "N'''a'''"},
        {"nvarchar(max)", QStringLiteral("長い"), "N'長い'"},
        {"varchar(10)", QStringLiteral("あ"), "'あ'"},
        {"decimal(10,2)", QStringLiteral("-12.34"), "-12.34"},
        {"numeric(38,0)", QStringLiteral("12345678901234567890123456789012345678"), "12345678901234567890123456789012345678"},
        {"money", QStringLiteral("-1.5"), "-1.5000"},
        {"datetime", QStringLiteral("1900-01-01 00:00:01"), "'1900-01-01 00:00:01.000'"},
        {"datetime2(7)", QStringLiteral("2024-01-01 00:10:00.1234567"), "'2024-01-01 00:10:00.1234567'"},
        {"date", QStringLiteral("2024-02-29"), "'2024-02-29'"},
        {"time(3)", QStringLiteral("23:59:59.997"), "'23:59:59.997'"},
        {"varbinary(4)", QStringLiteral("0x0aff"), "0x0AFF"},
        {"uniqueidentifier", QStringLiteral("6F9619FF-8B86-D011-B42D-00C04FC964FF"), "'6F9619FF-8B86-D011-B42D-00C04FC964FF'"},
        {"nvarchar(10)", QVariant(), "NULL"},
        {"int", QVariant(), "NULL"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        QByteArray bytes = paramBytes(QString::fromLatin1(c.type), c.value);
        ByteReader r(bytes);
        RpcParam p = readRpcParam(r);
        EXPECT_EQ(p.name, QStringLiteral("@P1"));
        EXPECT_EQ(p.literal, QString::fromUtf8(c.literal));
        EXPECT_TRUE(r.atEnd());
    }
}

TEST(TdsTypes, MalformedParametersAreRefused)
{
    const char* const hex[] = {
        "0000",                                  // no type
        "0000260405ffffffff",                    // intn value longer than its type
        "000026040400",                          // value cut short
        "0000f0",                                // a type this server does not take
        "0000e7ffff1104d00000ffffff7f00000000",  // PLP longer than the message
        "0000e708001104d000000300610062",        // odd length of a Unicode value
        "00006a11270f0500",                      // decimal with scale above precision
        "000029080100",                          // time scale 8
        "05410000",                              // name runs past the end
    };
    for (const char* h : hex) {
        SCOPED_TRACE(h);
        QByteArray bytes = QByteArray::fromHex(h);
        ByteReader r(bytes);
        EXPECT_THROW(readRpcParam(r), ProtocolError);
    }
}

TEST(TdsSql, SubstitutesParametersOutsideLiteralsCommentsAndQuotedNames)
{
    QHash<QString, QString> values{{QStringLiteral("@P1"), QStringLiteral("1")}, {QStringLiteral("@p2"), QStringLiteral("N'x'")},
                                   {QStringLiteral("@P10"), QStringLiteral("10")}};
    EXPECT_EQ(substituteParameters(QStringLiteral("select @P1, @P2, @P10, @P100, @@rowcount, x@P1"), values),
              QStringLiteral("select 1, N'x', 10, @P100, @@rowcount, x@P1"));
    EXPECT_EQ(substituteParameters(QStringLiteral("select '@P1', N'it''s @P1', [@P1], \"@P1\" -- @P1\n/* @P1 */ @P1"), values),
              QStringLiteral("select '@P1', N'it''s @P1', [@P1], \"@P1\" -- @P1\n/* @P1 */ 1"));
    EXPECT_EQ(markParameters(QStringLiteral("where a = @P1 and b = @P2"), {QStringLiteral("@P1"), QStringLiteral("@P2")}),
              QStringLiteral("where a = ? and b = ?"));
    EXPECT_EQ(declaredParameterNames(QStringLiteral("@P1 int,@P2 nvarchar(4000) OUTPUT, @x decimal(10,2)")),
              (QStringList{QStringLiteral("@P1"), QStringLiteral("@P2"), QStringLiteral("@x")}));
    EXPECT_EQ(normaliseLineEnds(QStringLiteral("a\r\nb\rc\n")), QStringLiteral("a\nb\nc\n"));
}

TEST(TdsSql, RecognisesUseLines)
{
    struct Case { const char* sql; bool ok; const char* db; const char* rest; };
    const Case cases[] = {
        {"use [Sales Demo]", true, "Sales Demo", ""},
        {"USE master;\nselect 1", true, "master", "select 1"},
        {"  use \"x y\"  \nselect 2", true, "x y", "select 2"},
        {"use [a]]b]\n", true, "a]b", ""},
        {"select 1\nuse master", false, "", ""},
        {"user_name()", false, "", ""},
        {"use", false, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        QString db, rest;
        ASSERT_EQ(takeUseLine(QString::fromUtf8(c.sql), &db, &rest), c.ok);
        if (c.ok) {
            EXPECT_EQ(db, QString::fromUtf8(c.db));
            EXPECT_EQ(rest, QString::fromUtf8(c.rest));
        }
    }
}

TEST(TdsServer, ListensOnlyOnLoopbackAddresses)
{
    EXPECT_TRUE(isLoopbackAddress(QStringLiteral("127.0.0.1")));
    EXPECT_TRUE(isLoopbackAddress(QStringLiteral("127.12.0.9")));
    for (const char* host : {"0.0.0.0", "10.0.0.1", "192.168.1.1", "::1", "localhost", "128.0.0.1", ""}) {
        EXPECT_FALSE(isLoopbackAddress(QString::fromLatin1(host))) << host;
        ServerConfig config;
        config.host = QString::fromLatin1(host);
        Server server(config);
        QString error;
        EXPECT_FALSE(server.start(&error)) << host;
    }
}

// A server in this process with a few rules built in code.
class TdsProtocol : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto responder = std::make_shared<FixtureResponder>();
        qv::db::Fixture f;
        f.exact(QStringLiteral("select 1")).returns({qv::db::column(QStringLiteral("n"), QStringLiteral("int"))}, {{1}});
        f.exact(QStringLiteral("select name from t where id = ?"))
            .returns({qv::db::column(QStringLiteral("name"), QStringLiteral("nvarchar(10)"))}, {{QStringLiteral("名前")}});
        f.rules.back().params = QVariantList{QStringLiteral("7")};
        std::vector<QVariantList> many;
        for (int i = 0; i < 3000; ++i)
            many.push_back({i, QStringLiteral("行%1 ").arg(i).repeated(8)});
        f.exact(QStringLiteral("select * from big")).returns({qv::db::column(QStringLiteral("n"), QStringLiteral("int")),
                                                               qv::db::column(QStringLiteral("t"), QStringLiteral("nvarchar(100)"))},
                                                              many);
        f.pattern(QStringLiteral("select '(x+)' as long_text")).returns({qv::db::column(QStringLiteral("n"), QStringLiteral("int"))}, {{20000}});
        responder->add(f);
        ServerConfig config;
        config.responder = responder;
        config.unmatched = [this](const QString&, const QString& sql) {
            std::lock_guard lock(m_mutex);
            m_unmatched << sql;
        };
        m_server = std::make_unique<Server>(config);
        QString error;
        ASSERT_TRUE(m_server->start(&error)) << error.toStdString();
    }
    void TearDown() override { m_server->stop(); }

    quint16 port() const { return m_server->port(); }

    std::unique_ptr<Server> m_server;
    std::mutex m_mutex;
    QStringList m_unmatched;
};

TEST_F(TdsProtocol, AnswersBatchesAndParameterisedCallsAfterLogOn)
{
    RawTdsClient c;
    ASSERT_TRUE(c.connectTo(port()));
    ASSERT_TRUE(c.logOn());
    ASSERT_TRUE(c.sendPacket(1, RawTdsClient::sqlBatch(QStringLiteral("select 1\r\n"))));
    QByteArray reply = c.readReply();
    EXPECT_TRUE(reply.startsWith(char(0x81))) << reply.toHex().toStdString();
    EXPECT_TRUE(replyMessages(reply).isEmpty());
    ASSERT_TRUE(c.sendPacket(3, RawTdsClient::executeSql(QStringLiteral("select name from t where id = @P1"),
                                                          QStringLiteral("@P1 nvarchar(10)"), {QStringLiteral("7")})));
    reply = c.readReply();
    EXPECT_TRUE(reply.contains(QByteArray::fromHex("0d544d52")));  // 名前 in UTF-16 LE
    EXPECT_TRUE(replyHasToken(reply, 0x79));                      // return status
    EXPECT_TRUE(replyMessages(reply).isEmpty()) << replyMessages(reply).join(QLatin1Char('|')).toStdString();
    ASSERT_TRUE(c.sendPacket(1, RawTdsClient::sqlBatch(QStringLiteral("select 2"))));
    QStringList messages = replyMessages(c.readReply());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(QStringLiteral("select 2")));
    {
        std::lock_guard lock(m_mutex);
        EXPECT_EQ(m_unmatched, QStringList{QStringLiteral("select 2")});
    }
    // An attention request is acknowledged with a DONE that carries the attention bit.
    ASSERT_TRUE(c.sendPacket(6, {}));
    EXPECT_EQ(c.readReply().toHex(), QByteArray("fd200000000000000000000000"));
}

TEST_F(TdsProtocol, MessagesLongerThanAPacketTravelBothWays)
{
    qvtest::usePrivateOdbcConfig();
    qvtest::OdbcClient client;
    ASSERT_TRUE(client.connect(qvtest::connectionString(port()))) << client.lastError().toStdString();
    ASSERT_TRUE(client.exec(QStringLiteral("select * from big"))) << client.lastError().toStdString();
    ASSERT_EQ(client.results().size(), 1);
    const auto& rows = client.results().at(0).rows;
    ASSERT_EQ(rows.size(), 3000);
    EXPECT_EQ(rows.at(2999).at(1).toString(), QStringLiteral("行2999 ").repeated(8));
    // A statement of 20000 characters arrives over several packets.
    ASSERT_TRUE(client.exec(QStringLiteral("select '%1' as long_text").arg(QString(20000, QLatin1Char('x')))))
        << client.lastError().left(200).toStdString();
    EXPECT_EQ(client.results().at(0).rows.at(0).at(0).toString(), QStringLiteral("20000"));
}

TEST_F(TdsProtocol, MalformedInputClosesTheConnection)
{
    struct Case { const char* what; std::function<void(RawTdsClient&)> send; };
    const QByteArray login = RawTdsClient::login7(QStringLiteral("sa"), QStringLiteral("p"), QString());
    const Case cases[] = {
        {"short header", [](RawTdsClient& c) { c.sendBytes(QByteArray::fromHex("1201000400000100")); }},
        {"packet longer than the limit", [](RawTdsClient& c) { c.sendBytes(QByteArray::fromHex("12019000000001000000")); }},
        {"statement before log-on", [](RawTdsClient& c) { c.sendPacket(1, RawTdsClient::sqlBatch(QStringLiteral("select 1"))); }},
        {"unknown message type", [](RawTdsClient& c) { c.sendPacket(0x55, QByteArray(10, 'x')); }},
        {"login with absurd lengths", [login](RawTdsClient& c) {
             QByteArray l = login;
             l[42] = char(0xff);  // user name of 32767 characters
             l[43] = char(0x7f);
             c.sendPacket(16, l);
         }},
        {"login longer than its message", [login](RawTdsClient& c) {
             QByteArray l = login;
             l[0] = char(0xff);
             l[1] = char(0xff);
             l[2] = char(0x01);
             c.sendPacket(16, l);
         }},
        {"login cut short", [login](RawTdsClient& c) { c.sendPacket(16, login.left(50)); }},
        {"packet type changes inside a message", [](RawTdsClient& c) {
             c.sendPacket(18, QByteArray(4, '\0'), 0x00);
             c.sendPacket(16, QByteArray(4, '\0'));
         }},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        RawTdsClient c;
        ASSERT_TRUE(c.connectTo(port()));
        k.send(c);
        // Closed by the server, without the client having to end its side first.
        EXPECT_TRUE(c.waitClosed(5000));
    }
    RawTdsClient after;
    ASSERT_TRUE(after.connectTo(port()));
    EXPECT_TRUE(after.logOn());
}

TEST_F(TdsProtocol, SurvivesHundredsOfRandomAndTruncatedMessages)
{
    std::mt19937 rng(20240229);
    auto randomBytes = [&](int n) {
        QByteArray b(n, '\0');
        for (char& ch : b)
            ch = char(rng() & 0xff);
        return b;
    };
    auto pick = [&](int n) { return int(rng() % uint32_t(n)); };
    const QByteArray login = RawTdsClient::login7(QStringLiteral("sa"), QStringLiteral("pass"), QStringLiteral("db"));
    const QByteArray rpc = RawTdsClient::executeSql(QStringLiteral("select name from t where id = @P1"),
                                                    QStringLiteral("@P1 nvarchar(10)"), {QStringLiteral("7")});
    const int rounds = 300;
    for (int i = 0; i < rounds; ++i) {
        SCOPED_TRACE(i);
        RawTdsClient c;
        ASSERT_TRUE(c.connectTo(port()));
        const int mode = pick(8);
        if (mode >= 4) {
            ASSERT_TRUE(c.logOn());
        }
        switch (mode) {
        case 0:  // noise
            c.sendBytes(randomBytes(1 + pick(300)));
            break;
        case 1: {  // a header whose length disagrees with what follows
            QByteArray h = QByteArray::fromHex("1201000000000100");
            int len = pick(70000);
            h[2] = char((len >> 8) & 0xff);
            h[3] = char(len & 0xff);
            c.sendBytes(h + randomBytes(pick(64)));
            break;
        }
        case 2: {  // a log-on record with damaged bytes
            QByteArray l = login;
            for (int k = 0, n = 1 + pick(6); k < n; ++k)
                l[pick(int(l.size()))] = char(rng() & 0xff);
            c.sendPacket(16, l);
            break;
        }
        case 3:  // a truncated log-on record
            c.sendPacket(16, login.left(pick(int(login.size()))));
            break;
        case 4: {  // a damaged or truncated RPC
            QByteArray r = rpc.left(pick(int(rpc.size()) + 1));
            for (int k = 0, n = pick(4); k < n && !r.isEmpty(); ++k)
                r[pick(int(r.size()))] = char(rng() & 0xff);
            c.sendPacket(3, r);
            break;
        }
        case 5:  // random batch bytes, headers and all
            c.sendPacket(1, randomBytes(pick(200)));
            break;
        case 6:  // a random transaction-manager request
            c.sendPacket(14, RawTdsClient::allHeaders() + randomBytes(pick(20)));
            break;
        case 7:  // a random message type
            c.sendPacket(uint8_t(rng() & 0xff), randomBytes(pick(40)));
            break;
        }
        c.finishSending();
        EXPECT_TRUE(c.waitClosed(5000)) << "mode " << mode;
    }
    RawTdsClient after;
    ASSERT_TRUE(after.connectTo(port()));
    ASSERT_TRUE(after.logOn());
    ASSERT_TRUE(after.sendPacket(1, RawTdsClient::sqlBatch(QStringLiteral("select 1"))));
    EXPECT_TRUE(after.readReply().startsWith(char(0x81)));
}

} // namespace
