// The locks window from the main window's administration menu on the scripted session: the
// lock list on a second session of its own, the database filter as a parameter, the row texts
// and colours, the last statement of the selected lock's process.
#include "admin/session/session_lock_window.h"
#include "session_window_helper.h"

#include "controls/lists/qv_listview.h"

#include <QAction>
#include <QComboBox>
#include <QTabWidget>

using namespace qv;
using namespace qv::db;

namespace {

struct LockWindow : qvtest::SessionWindowTest {
    std::shared_ptr<ScriptedSession> second = std::make_shared<ScriptedSession>();
    QStringList messages;
    QString all, filtered;

    void SetUp() override
    {
        SessionWindowTest::SetUp();
        TSecondSession::DriverFactory() = [this] { return second; };
        TfrmLock::Message() = [this](const QString& text, int flags) {
            messages << QString::number(flags) + ":" + text;
            return 1;
        };
        Answer(*second, "select @@SPID", "61");
        const QString head = "select l.req_spid, rtrim(p.loginame) as loginname, rtrim(p.hostname) as hostname, "
                             "rtrim(p.program_name) as program_name, p.cmd, object_name(l.rsc_objid) as objectname, "
                             "l.rsc_type, l.req_mode, p.blocked, sum(p.waittime), db_name(rsc_dbid) from "
                             "master.dbo.syslockinfo l with (NOLOCK) left outer join master.dbo.sysprocesses p on "
                             "p.spid = l.req_spid ";
        const QString tail = "group by l.req_spid, rtrim(p.loginame), rtrim(p.hostname), rtrim(p.program_name), "
                             "p.cmd, object_name(l.rsc_objid), l.rsc_type, l.req_mode, p.blocked, db_name(rsc_dbid) "
                             "order by l.req_spid";
        all = head + tail;
        filtered = head + "where db_name(rsc_dbid) = ? " + tail;
        const std::vector<ColumnDesc> cols = {
            column("req_spid", "smallint"), column("loginname", "nvarchar(128)"), column("hostname", "nvarchar(128)"),
            column("program_name", "nvarchar(128)"), column("cmd", "nchar(16)"), column("objectname", "nvarchar(128)"),
            column("rsc_type", "tinyint"), column("req_mode", "tinyint"), column("blocked", "smallint"),
            column("", "bigint"), column("", "nvarchar(128)")};
        second->fixture().exact(all).returns(
            cols, {{55, "sa", "PC1", "qorvel", "SELECT", QVariant(), 2, 3, 0, 0, "Sales"},
                   {57, "app", "PC2", "app", "UPDATE", "Orders", 5, 8, 55, 1200, "Sales"},
                   {61, "sa", "PC1", "qorvel", "SELECT", QVariant(), 2, 3, 0, 0, "master"}});
        auto& one = second->fixture().exact(filtered);
        one.params = QVariantList{"Sales"};
        one.returns(cols, {{57, "app", "PC2", "app", "UPDATE", "Orders", 5, 8, 55, 1200, "Sales"}});
        second->fixture()
            .exact("dbcc inputbuffer (57)")
            .returns({column("EventType", "nvarchar(30)"), column("Parameters", "smallint"), column("EventInfo", "nvarchar(4000)")},
                     {{"Language Event", 0, "update Orders\r\nset x = 1"}});
    }
    void TearDown() override
    {
        TSecondSession::DriverFactory() = nullptr;
        TfrmLock::Message() = nullptr;
        SessionWindowTest::TearDown();
    }
    TfrmLock* OpenFromMenu()
    {
        main->action("actAdminLock")->trigger();
        for (QWidget* w : main->MDIChildren())
            if (auto* s = qobject_cast<TfrmLock*>(w))
                return s;
        return nullptr;
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

TEST_F(LockWindow, ListsLocksOnTheSecondSessionWithoutItsOwn)
{
    Connect();
    const qsizetype mark = Mark();
    TfrmLock* w = OpenFromMenu();
    ASSERT_TRUE(w);
    EXPECT_EQ(w->windowTitle(), QString::fromUtf8("ロック情報 - sa @ srv.Sales"));
    // A database lock shows "DB" and no object; a waiting process names its blocker and time.
    EXPECT_EQ(Rows(w->lstLock), (QStringList{QString::fromUtf8("      55|sa|Sales|PC1|qorvel||DB|共有||"),
                                             QString::fromUtf8("      57|app|Sales|PC2|app|Orders|TABLE|排他ｲﾝﾃﾝﾄ|55|1200")}));
    EXPECT_EQ(w->lstLock->topLevelItem(0)->foreground(1).color(), QColor(Qt::blue));
    EXPECT_NE(w->lstLock->topLevelItem(1)->foreground(1).color(), QColor(Qt::blue));
    EXPECT_EQ(w->lstLock->topLevelItem(1)->foreground(7).color(), QColor(Qt::red));
    // "(すべて)": no WHERE clause and no parameter.
    EXPECT_EQ(second->statements(), (QStringList{"select @@SPID", all}));
    EXPECT_TRUE(second->recorded().back().values.isEmpty());
    EXPECT_EQ(second->events(), (QStringList{"Open", "Close"}));
    for (const QString& s : From(mark))
        EXPECT_FALSE(s.contains("syslockinfo")) << s.toStdString();

    second->clearRecord();
    w->lstLock->topLevelItem(1)->setSelected(true);
    EXPECT_EQ(second->statements(), QStringList{"dbcc inputbuffer (57)"});
    EXPECT_EQ(Rows(w->lstCursor), QStringList{"update Orders set x = 1"});
    EXPECT_FALSE(second->isOpen());
    EXPECT_TRUE(messages.isEmpty());
    w->resize(1000, 420);
    SavePng(w, "locks");
}

TEST_F(LockWindow, OneDatabaseGoesAsAParameter)
{
    Connect();
    TfrmLock* w = OpenFromMenu();
    ASSERT_TRUE(w);
    second->clearRecord();
    w->cmbDatabase->setCurrentIndex(w->cmbDatabase->findText("Sales"));
    emit w->cmbDatabase->activated(w->cmbDatabase->currentIndex());
    EXPECT_EQ(second->statements(), (QStringList{"select @@SPID", filtered}));
    EXPECT_EQ(second->recorded().back().values, QVariantList{"Sales"});
    EXPECT_EQ(w->lstLock->topLevelItemCount(), 1);

    // The statistics page turns the database filter and the refresh off.
    w->pagObject->setCurrentWidget(w->tabStats);
    EXPECT_FALSE(w->cmbDatabase->isEnabled());
    EXPECT_FALSE(w->actReload->isEnabled());
}

TEST_F(LockWindow, FailuresOfTheListAndOfTheLogon)
{
    Connect();
    second->fixture().rules.insert(second->fixture().rules.begin(), FixtureRule{});
    second->fixture().rules.front().text = all;
    second->fixture().rules.front().fails("VIEW SERVER STATE permission was denied");
    TfrmLock* w = OpenFromMenu();
    ASSERT_TRUE(w);
    EXPECT_EQ(messages, QStringList{QString::fromUtf8("48:権限が不足している為、情報を表示する事が出来ません。")});
    EXPECT_FALSE(second->isOpen());

    // The log-on failure of the second session reaches the standard error box.
    second->failOpen("Login failed for user 'sa'.");
    w->actReload->trigger();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains("Login failed"));
}

} // namespace
