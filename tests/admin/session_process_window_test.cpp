// The processes window from the main window's administration menu and the connection window's
// tree on the scripted session: the listing on a second session of its own, the filters, the
// last statement, KILL on the connection's session with the transaction rule.
#include "admin/session/session_process_window.h"
#include "session_window_helper.h"

#include "controls/lists/qv_listview.h"

#include <QAction>
#include <QComboBox>
#include <QToolButton>

using namespace qv;
using namespace qv::db;

namespace {

const QString Head = "select spid ,status ,loginame ,case when dbid = 0 then db_name(2) else db_name(dbid) end dbname "
                     ",nt_domain ,nt_username ,hostname ,program_name ,cmd from master..sysprocesses where ";
const QString UserList = Head + "status <> 'background'    and  spid <> 61";

struct ProcessWindow : qvtest::SessionWindowTest {
    std::shared_ptr<ScriptedSession> second = std::make_shared<ScriptedSession>();
    QStringList messages;
    QList<int> answers;

    void SetUp() override
    {
        SessionWindowTest::SetUp();
        TSecondSession::DriverFactory() = [this] { return second; };
        TfrmSession::Message() = [this](const QString& text, int flags) {
            messages << QString::number(flags) + ":" + text;
            return answers.isEmpty() ? 6 : answers.takeFirst();
        };
        Answer(*second, "select @@SPID", "61");
        List(UserList, {{55, "runnable", "sa", "Sales", "", "", "PC1", "C:\\Tools\\qorvel.exe", "SELECT"},
                        {57, "sleeping", "app", "Sales", "CORP", "taro", "PC2", "app", "AWAITING COMMAND"}});
        for (const char* spid : {"55", "57"})
            second->fixture()
                .exact(QString("dbcc inputbuffer (%1)").arg(spid))
                .returns({column("EventType", "nvarchar(30)"), column("Parameters", "smallint"), column("EventInfo", "nvarchar(4000)")},
                         {{"Language Event", 0, QString("select %1\r\nfrom t").arg(spid)}});
    }
    void TearDown() override
    {
        TSecondSession::DriverFactory() = nullptr;
        TfrmSession::Message() = nullptr;
        SessionWindowTest::TearDown();
    }
    void List(const QString& sql, const std::vector<QVariantList>& rows)
    {
        second->fixture().exact(sql).returns(
            {column("spid", "smallint"), column("status", "nchar(30)"), column("loginame", "nchar(128)"),
             column("dbname", "nvarchar(128)"), column("nt_domain", "nchar(128)"), column("nt_username", "nchar(128)"),
             column("hostname", "nchar(128)"), column("program_name", "nchar(128)"), column("cmd", "nchar(16)")},
            rows);
    }
    TfrmSession* OpenFromMenu()
    {
        main->action("actAdminSession")->trigger();
        for (QWidget* w : main->MDIChildren())
            if (auto* s = qobject_cast<TfrmSession*>(w))
                return s;
        return nullptr;
    }
    // The commits and transaction starts of the connection's own session.
    QStringList Transactions() const
    {
        QStringList out;
        for (const QString& e : session->events())
            if (e == "Commit" || e == "StartTransaction")
                out << e;
        return out;
    }
    static QStringList Rows(TqvListView* list)
    {
        QStringList out;
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            QStringList cells;
            for (int c = 0; c < list->columnCount(); ++c)
                cells << list->topLevelItem(i)->text(c);
            out << cells.join("|");
        }
        return out;
    }
};

TEST_F(ProcessWindow, ListsOnASecondSessionOpenedForEachReading)
{
    Connect();
    const qsizetype mark = Mark();
    TfrmSession* w = OpenFromMenu();
    ASSERT_TRUE(w);
    EXPECT_EQ(w->windowTitle(), QString::fromUtf8("プロセス情報 - sa @ srv.Sales"));
    EXPECT_EQ(Rows(w->lstSession),
              (QStringList{"      55|runnable|sa|Sales||PC1|qorvel.exe|SELECT",
                           "      57|sleeping|app|Sales|CORP\\taro|PC2|app|AWAITING COMMAND"}));
    // The connection's own session is drawn in blue.
    EXPECT_EQ(w->lstSession->topLevelItem(0)->foreground(1).color(), QColor(Qt::blue));
    EXPECT_NE(w->lstSession->topLevelItem(1)->foreground(1).color(), QColor(Qt::blue));
    EXPECT_EQ(w->Cmbdatabase->currentText(), QString::fromUtf8("(すべて)"));
    EXPECT_EQ(w->Cmbdatabase->count(), 4);
    // Nothing of the listing reaches the connection's own session ...
    for (const QString& s : From(mark))
        EXPECT_FALSE(s.contains("sysprocesses") || s.contains("@@SPID")) << s.toStdString();
    // ... the second session logs on as the connection did and is closed after the reading.
    EXPECT_EQ(second->statements(), (QStringList{"select @@SPID", UserList}));
    EXPECT_EQ(second->events(), (QStringList{"Open", "Close"}));
    EXPECT_EQ(second->openParams().value("User_Name"), "sa");
    EXPECT_EQ(second->openParams().value("Password"), "pw");
    EXPECT_EQ(second->openParams().value("OSAuthent"), "No");
    EXPECT_EQ(second->openParams().value("Server"), "srv");
    EXPECT_EQ(second->openParams().value("Database"), "Sales");
    EXPECT_FALSE(second->isOpen());

    // Selecting a process shows its last statement, read on a session of its own.
    second->clearRecord();
    w->lstSession->topLevelItem(1)->setSelected(true);
    EXPECT_EQ(second->statements(), QStringList{"dbcc inputbuffer (57)"});
    EXPECT_EQ(second->events(), (QStringList{"Open", "Close"}));
    EXPECT_EQ(Rows(w->lstCursor), QStringList{"select 57 from t"});

    // The menu again brings the open window forward.
    const auto windows = main->MDIChildren().size();
    EXPECT_EQ(OpenFromMenu(), w);
    EXPECT_EQ(main->MDIChildren().size(), windows);
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
}

TEST_F(ProcessWindow, KindButtonsAndDatabaseFilter)
{
    Connect();
    TfrmSession* w = OpenFromMenu();
    ASSERT_TRUE(w);
    const QString both = Head + "spid <> 61";
    const QString bothSales = both + "   and  case when dbid = 0 then db_name(2) else db_name(dbid) end = N'Sales'";
    const QString background = Head + "status = 'background'   and  spid <> 61";
    for (const QString& sql : {both, bothSales, background})
        List(sql, {});
    second->clearRecord();
    // Releasing the last pushed button pushes it down again and lists the same kind.
    w->btnUser->click();
    EXPECT_TRUE(w->btnUser->isChecked());
    w->btnBG->click();
    w->Cmbdatabase->setCurrentIndex(w->Cmbdatabase->findText("Sales"));
    emit w->Cmbdatabase->activated(w->Cmbdatabase->currentIndex());
    w->Cmbdatabase->setCurrentIndex(0);
    w->btnUser->click();
    QStringList lists;
    for (const QString& s : second->statements())
        if (s != "select @@SPID")
            lists << s;
    EXPECT_EQ(lists, (QStringList{UserList, both, bothSales, background}));
}

TEST_F(ProcessWindow, KillCommitsRunsOnTheConnectionAndStartsTheTransactionAgain)
{
    qvOption.AutoTran = true;
    Connect();
    session->fixture().exact("KILL 57").affects(0);
    TfrmSession* w = OpenFromMenu();
    ASSERT_TRUE(w);
    EXPECT_FALSE(w->actKill->isEnabled());
    w->lstSession->topLevelItem(1)->setSelected(true);
    ASSERT_TRUE(w->actKill->isEnabled());

    // "No" leaves everything as it was.
    answers = {7};
    qsizetype mark = Mark();
    w->actKill->trigger();
    EXPECT_TRUE(From(mark).isEmpty());

    ASSERT_TRUE(conn->session()->dmSQLServer->Connection->InTransaction());
    session->clearRecord();
    second->clearRecord();
    w->actKill->trigger();
    EXPECT_EQ(messages.last(), QString::fromUtf8("36:指定したセッションを切断しますか？"));
    EXPECT_EQ(session->statements(), QStringList{"KILL 57"});
    EXPECT_EQ(Transactions(), (QStringList{"Commit", "StartTransaction"}));
    EXPECT_TRUE(second->statements().contains(UserList)); // listed again
    EXPECT_TRUE(conn->session()->dmSQLServer->Connection->InTransaction());

    // A refused KILL reaches the error box; the session is inside a transaction again all the same.
    session->fixture().rules.insert(session->fixture().rules.begin(), FixtureRule{});
    session->fixture().rules.front().text = "KILL 55";
    session->fixture().rules.front().fails("Cannot use KILL to kill your own process.");
    w->lstSession->topLevelItem(0)->setSelected(true);
    session->clearRecord();
    w->actKill->trigger();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains("Cannot use KILL"));
    EXPECT_EQ(Transactions(), (QStringList{"Commit", "StartTransaction"}));
    EXPECT_TRUE(conn->session()->dmSQLServer->Connection->InTransaction());
}

TEST_F(ProcessWindow, FailuresShowTheRightsMessage)
{
    Connect(true);
    // Windows authentication: no login and password go to the second session.
    TfrmSession* w = OpenFromMenu();
    ASSERT_TRUE(w);
    EXPECT_EQ(second->openParams().value("OSAuthent"), "Yes");
    EXPECT_EQ(second->openParams().value("User_Name"), "");
    EXPECT_EQ(second->openParams().value("Password"), "");
    EXPECT_TRUE(messages.isEmpty());

    // A log-on failure of the second session is not reported by itself: the listing fails.
    second->failOpen("Login failed");
    w->actRefresh->trigger();
    EXPECT_EQ(messages, QStringList{QString::fromUtf8("48:権限が不足している為、情報を表示する事が出来ません。")});
    EXPECT_EQ(w->lstSession->topLevelItemCount(), 0);

    // A failing list statement: the same message.
    messages.clear();
    second->fixture().rules.insert(second->fixture().rules.begin(), FixtureRule{});
    second->fixture().rules.front().text = UserList;
    second->fixture().rules.front().fails("VIEW SERVER STATE permission was denied");
    w->actRefresh->trigger();
    EXPECT_EQ(messages, QStringList{QString::fromUtf8("48:権限が不足している為、情報を表示する事が出来ません。")});
    EXPECT_FALSE(second->isOpen());
}

TEST_F(ProcessWindow, OpensFromTheConnectionTreeForADatabase)
{
    Connect();
    ToolRequest r;
    r.window = "TfrmSession";
    r.database = "Sales";
    List(UserList + "", {});
    const QString sales = Head + "status <> 'background'    and  case when dbid = 0 then db_name(2) else db_name(dbid) end = N'Sales'   and  spid <> 61";
    List(sales, {{57, "sleeping", "app", "Sales", "", "taro", "PC2", "app", "AWAITING COMMAND"}});
    auto* w = qobject_cast<TfrmSession*>(conn->actions()->OpenTool(r));
    ASSERT_TRUE(w);
    EXPECT_EQ(w->Cmbdatabase->currentText(), "Sales");
    EXPECT_TRUE(second->statements().contains(sales));
    EXPECT_EQ(w->lstSession->topLevelItemCount(), 1);
    w->resize(900, 420);
    SavePng(w, "processes");
}

} // namespace
