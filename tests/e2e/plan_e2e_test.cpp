// The SQL window's plan page end to end: SHOWPLAN_ALL answers of a two-statement batch through
// unixODBC and FreeTDS from the TDS test server, one result per statement, read into the tree.
#include "app/options.h"
#include "connection/object_session.h"
#include "controls/lists/qv_treeview.h"
#include "editor/view/editor.h"
#include "sql/explan_frame.h"
#include "sql/sql_history.h"
#include "sql/sql_window.h"
#include "support/test_env.h"
#include "test_server_helper.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qvtest;
using namespace qv;

TEST(PlanE2E, BatchPlanArrivesAsOneTreePerStatement)
{
    usePrivateOdbcConfig();
    TestServer server({sourceDir() + QStringLiteral("/tests/sql/fixtures/plan"), demoFixtures()});
    ASSERT_TRUE(server.ok()) << server.error().toStdString();
    QTemporaryDir work;
    qvOption.TempDir = work.path() + "/";
    SqlLogStore::instance().reset();
    QStringList boxes;
    TfrmSQL::MessageHook = [&boxes](QWidget*, const QString& text, int icon, const QString&, bool*) {
        boxes << QString::number(icon) + ":" + text;
    };
    TfraExplan::MessageHook() = [&boxes](const QString& text, int flags, bool*) {
        boxes << QString::number(flags) + ":" + text;
        return 6;
    };

    TObjectSession session;
    ASSERT_NO_THROW(session.Connect(QStringLiteral("SalesDemo"), QStringLiteral("sa"), QStringLiteral("pass"),
                                    QStringLiteral("127.0.0.1,%1").arg(server.port())))
        << server.logText().toStdString();
    {
        TfrmSQL w(&session);
        w.cmbDatabase->setCurrentText(QStringLiteral("SalesDemo"));
        w.btnExplan->setChecked(true);
        w.txtSQL->Lines().Assign(
            {QStringLiteral("select o.OrderID, c.Name from dbo.Orders o join dbo.Customers c on c.CustomerID = o.CustomerID"),
             QStringLiteral("select count(*) from dbo.Lines")});
        w.actExecExecute();
        EXPECT_TRUE(boxes.isEmpty()) << boxes.join("\n").toStdString() << server.logText().toStdString();
        TqvTreeView* tree = w.fraExplan->lstPlan;
        ASSERT_EQ(tree->topLevelItemCount(), 2) << server.logText().toStdString();
        auto* first = static_cast<TqvTreeNode*>(tree->topLevelItem(0));
        ASSERT_EQ(first->childCount(), 1);
        TqvTreeNode* loops = first->ChildNode(0);
        ASSERT_EQ(loops->childCount(), 2);
        EXPECT_EQ(loops->ChildNode(0)->ChildNode(0)->text(0), QStringLiteral("Table Scan"));
        EXPECT_EQ(loops->ChildNode(1)->SubItems().mid(0, 5),
                  (QStringList{QStringLiteral("([SalesDemo].[dbo].[Customers].[PK_Customers] AS [c])"), QStringLiteral("1"),
                               QStringLiteral("33"), QStringLiteral("0.000000"), QStringLiteral("0%")}));
        EXPECT_EQ(static_cast<TqvTreeNode*>(tree->topLevelItem(1))->ChildNode(0)->text(0), QStringLiteral("Stream Aggregate"));
        const QString log = server.logText();
        EXPECT_LT(log.indexOf(QStringLiteral("set showplan_all on")), log.indexOf(QStringLiteral("select count(*) from dbo.Lines")));
        EXPECT_GT(log.lastIndexOf(QStringLiteral("set showplan_all off")), log.indexOf(QStringLiteral("select count(*) from dbo.Lines")));
    }
    session.Disconnect();
    TfraExplan::MessageHook() = nullptr;
}
