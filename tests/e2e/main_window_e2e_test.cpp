// The program's windows end to end: the main window logs on from its command line against the
// TDS test server with the demo fixtures, the connection window lists the server's databases
// and a database's tables, and a SQL window opened from the main window runs statements.
#include "app/main_window.h"
#include "app/options.h"
#include "connection/connection_commands.h"
#include "connection/logon_dialog.h"
#include "connection/object_window.h"
#include "controls/lists/qv_listview.h"
#include "controls/lists/qv_treeview.h"
#include "editor/view/editor.h"
#include "platform/db/query.h"
#include "sql/sql_history.h"
#include "sql/sql_window.h"
#include "test_server_helper.h"

#include <QAction>
#include <QCoreApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qvtest;
using namespace qv;

TEST(MainWindowE2E, LogsOnListsAndRunsSql)
{
    usePrivateOdbcConfig();
    TestServer server({demoFixtures()});
    ASSERT_TRUE(server.ok()) << server.error().toStdString();
    QTemporaryDir work;
    qvOption.TempDir = work.path() + "/";
    SqlLogStore::instance().reset();
    QStringList boxes;
    const auto savedLogonMessage = TfrmLogon::Message;
    TfrmLogon::Message = [&](QWidget*, const QString& text, int) { boxes << text; };
    TfrmSQL::MessageHook = [&](QWidget*, const QString& text, int icon, const QString&, bool*) {
        boxes << QString::number(icon) + ":" + text;
    };

    {
        TfrmMain main;
        InstallConnectionCommands(main);
        main.setCommandLineArguments({QStringLiteral("/U=sa/pass@127.0.0.1,%1").arg(server.port())});
        main.FormPaint();
        ASSERT_TRUE(boxes.isEmpty()) << boxes.join("\n").toStdString() << server.logText().toStdString();

        auto* conn = dynamic_cast<TfrmObject*>(main.CurrentForm());
        ASSERT_TRUE(conn);
        EXPECT_EQ(conn->DBVer(), 15);
        EXPECT_EQ(main.cmbDBName()->count(), 1);

        QTreeWidgetItem* root = conn->lstTree->topLevelItem(0);
        ASSERT_TRUE(root);
        QStringList databases;
        for (int i = 0; i < root->childCount(); ++i)
            databases << root->child(i)->text(0);
        EXPECT_EQ(databases.size(), 5) << databases.join(",").toStdString();
        ASSERT_TRUE(databases.contains(QStringLiteral("SalesDemo")));

        QTreeWidgetItem* sales = root->child(static_cast<int>(databases.indexOf(QStringLiteral("SalesDemo"))));
        ASSERT_GT(sales->childCount(), 0);
        conn->lstTree->setCurrentItem(sales->child(0)); // the tables
        QStringList tables;
        for (int i = 0; i < conn->lstObject->topLevelItemCount(); ++i)
            tables << conn->lstObject->topLevelItem(i)->text(0);
        EXPECT_TRUE(tables.contains(QStringLiteral("Customers"))) << tables.join(",").toStdString()
                                                                   << server.logText().toStdString();

        main.action(QStringLiteral("actViewSQL"))->trigger();
        TfrmSQL* sql = nullptr;
        for (QWidget* w : main.MDIChildren())
            if (auto* s = qobject_cast<TfrmSQL*>(w))
                sql = s;
        ASSERT_TRUE(sql);
        sql->cmbDatabase->setCurrentText(QStringLiteral("SalesDemo"));
        sql->txtSQL->Lines().Assign({QStringLiteral("select * from dbo.Customers")});
        sql->actExecExecute();
        EXPECT_TRUE(boxes.isEmpty()) << boxes.join("\n").toStdString() << server.logText().toStdString();
        ASSERT_TRUE(sql->fraData->qryData->Active());
        EXPECT_EQ(sql->fraData->qryData->RecordCount(), 5);

        sql->txtSQL->Lines().Assign({QStringLiteral("select * from dbo.NoSuchTable")});
        sql->actExecExecute();
        ASSERT_EQ(boxes.size(), 1);
        EXPECT_TRUE(boxes[0].contains(QStringLiteral("Invalid object name 'dbo.NoSuchTable'."))) << boxes[0].toStdString();
        if (const QString dir = qEnvironmentVariable("QORVEL_E2E_PNG_DIR"); !dir.isEmpty()) {
            main.resize(1280, 860);
            main.show();
            sql->txtSQL->Lines().Assign({QStringLiteral("select * from dbo.Customers")});
            boxes.clear();
            sql->actExecExecute();
            QCoreApplication::processEvents();
            main.grab().save(dir + "/main_window_e2e.png");
        }
        main.close();
    }
    TfrmLogon::Message = savedLogonMessage;
    TfrmSQL::MessageHook = nullptr;
    TfrmMain::setCommandHandler(QStringLiteral("actViewSQL"), nullptr);
    TfrmLogon::ConnectionFactory = nullptr;
}
