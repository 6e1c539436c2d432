#include "app/application.h"
#include "app/globals.h"
#include "platform/exceptions.h"
#include "platform/messages.h"
#include "platform/registry.h"
#include "support/test_env.h"

#include <QFile>
#include <gtest/gtest.h>
#include <stdexcept>

using namespace qv;

namespace {

struct Shown {
    QString title, text;
    bool database = false;
};

class ApplicationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetExceptionBox([this](const QString& t, const QString& m, bool db) { shown.push_back({t, m, db}); });
    }
    void TearDown() override { SetExceptionBox(nullptr); }
    std::vector<Shown> shown;
};

TEST_F(ApplicationTest, EventExceptionsAreReportedByKind)
{
    EXPECT_TRUE(NotifyGuarded([] { return true; }));
    EXPECT_FALSE(NotifyGuarded([]() -> bool { Abort(); }));
    EXPECT_TRUE(shown.empty());

    EXPECT_FALSE(NotifyGuarded([]() -> bool {
        throw EDatabaseError(QStringLiteral("[FreeTDS][SQL Server]Invalid object name 'x'."), QStringLiteral("42S02"), 208);
    }));
    EXPECT_FALSE(NotifyGuarded([]() -> bool { throw EConnectionLost(QStringLiteral("link down"), QStringLiteral("08S01")); }));
    EXPECT_FALSE(NotifyGuarded([]() -> bool { throw Exception(QStringLiteral("テーブル名を入力してください")); }));
    EXPECT_FALSE(NotifyGuarded([]() -> bool { throw std::runtime_error("plain failure"); }));
    EXPECT_FALSE(NotifyGuarded([]() -> bool { throw 42; }));
    ASSERT_EQ(shown.size(), 5u);
    EXPECT_EQ(shown[0].text, QStringLiteral("[FreeTDS][SQL Server]Invalid object name 'x'."));
    EXPECT_TRUE(shown[0].database);
    EXPECT_TRUE(shown[1].database);
    EXPECT_EQ(shown[2].text, QStringLiteral("テーブル名を入力してください"));
    EXPECT_FALSE(shown[2].database);
    EXPECT_EQ(shown[3].text, QStringLiteral("plain failure"));
    EXPECT_FALSE(shown[4].text.isEmpty());
    EXPECT_FALSE(shown[0].title.isEmpty());
}

// A receiver of program messages: answers WM_CODEASSIST with a result, counts the others.
class Receiver : public QObject {
public:
    bool event(QEvent* e) override
    {
        if (e->type() == messageEventType(WM_CODEASSIST)) {
            auto* m = static_cast<MessageEvent*>(e);
            m->result = m->wParam() + m->lParam();
            return true;
        }
        if (e->type() == messageEventType(WM_RELOAD) || e->type() == messageEventType(WM_DBCHANGE)) {
            received << static_cast<MessageEvent*>(e)->message();
            return true;
        }
        return QObject::event(e);
    }
    QList<int> received;
};

TEST(ProgramMessages, SentAtOnceOrPostedForLater)
{
    EXPECT_EQ(WM_DBCHANGE, 0x8001);
    EXPECT_EQ(WM_RELOAD, 0x8002);
    EXPECT_EQ(WM_CODEASSIST, 0x8003);
    Receiver r;
    EXPECT_EQ(SendProgramMessage(&r, WM_CODEASSIST, 2, 3), 5);
    SendProgramMessage(&r, WM_DBCHANGE);
    PostProgramMessage(&r, WM_RELOAD);
    EXPECT_EQ(r.received, QList<int>{WM_DBCHANGE});
    QCoreApplication::sendPostedEvents(&r);
    EXPECT_EQ(r.received, (QList<int>{WM_DBCHANGE, WM_RELOAD}));
}

TEST(ClientTools, FoundInTheMachineSettings)
{
    const QString machine = qvtest::testHome() + QStringLiteral("/tools-machine.reg");
    QFile f(machine);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("QORVEL-SETTINGS 1\n"
            "[SOFTWARE\\Microsoft\\Microsoft SQL Server\\110]\n"
            "[SOFTWARE\\Microsoft\\Microsoft SQL Server\\100]\n\"VerSpecificRootDir\"=\"/opt/tools100/\"\n"
            "[SOFTWARE\\Microsoft\\Microsoft SQL Server\\80\\Tools\\ClientSetup]\n\"SQLPath\"=\"/opt/tools80/\"\n");
    f.close();
    qputenv("QORVEL_MACHINE_SETTINGS", machine.toUtf8());
    TRegistry::ResetStores();
    ClientToolsDir.clear();
    LookupClientTools();
    EXPECT_EQ(ClientToolsDir, QStringLiteral("/opt/tools100/")); // 110 has no folder, 100 has

    // Without version keys above 80, the ClientSetup path of 80 is taken.
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("QORVEL-SETTINGS 1\n"
            "[SOFTWARE\\Microsoft\\Microsoft SQL Server\\80\\Tools\\ClientSetup]\n\"SQLPath\"=\"/opt/tools80/\"\n");
    f.close();
    TRegistry::ResetStores();
    ClientToolsDir.clear();
    LookupClientTools();
    EXPECT_EQ(ClientToolsDir, QStringLiteral("/opt/tools80/"));

    qputenv("QORVEL_MACHINE_SETTINGS", (qvtest::testHome() + QStringLiteral("/absent.reg")).toUtf8());
    TRegistry::ResetStores();
    ClientToolsDir.clear();
    LookupClientTools();
    EXPECT_TRUE(ClientToolsDir.isEmpty());
    qunsetenv("QORVEL_MACHINE_SETTINGS");
    TRegistry::ResetStores();
}

} // namespace
