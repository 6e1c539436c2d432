#include "sql/table_list_window.h"

#include "builder_fixture.h"

#include "app/main_window.h"
#include "app/options.h"
#include "app/qvstrings.h"
#include "connection/catalog_queries.h"
#include "connection/object_session.h"
#include "connection/object_list_view.h"
#include "connection/object_window.h"
#include "editor/view/editor.h"
#include "platform/db/scripted_session.h"
#include "sql/sql_designer.h"
#include "sql/sql_history.h"
#include "sql/sql_window.h"
#include "platform/messages.h"
#include "platform/registry.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QTreeWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qv;
using namespace qv::db;

namespace {

const char* const kListSql =
    "select name, xtype from sysobjects where xtype in( 'U', 'S','V','SN') AND schema_name(uid) = ? collate "
    "database_default";

std::shared_ptr<ScriptedSession> Server()
{
    auto session = std::make_shared<ScriptedSession>();
    auto& f = session->fixture();
    const auto answer = [&](const QString& sql, const QString& value) {
        f.exact(sql).returns({column("", "nvarchar(128)")}, {{value}});
    };
    answer("select SERVERPROPERTY('productversion')", "16.0.4135.4");
    answer(catalog::facts::ProductVersion, "16.0.4135.4");
    answer(catalog::facts::Edition, "Developer Edition");
    answer(catalog::facts::LoginName, "sa");
    answer(catalog::facts::CurrentDatabase, "Shop");
    answer(catalog::facts::UserName, "dbo");
    answer(catalog::facts::DefaultSchema, "dbo");
    answer(catalog::facts::Spid, "55");
    answer("select default_schema_name from sys.database_principals where name = user_name()", "dbo");
    f.exact(catalog::DatabaseListSql(false)).returns({column("name", "sysname")}, {{"master"}, {"Shop"}});
    f.exact(catalog::UserListSql({16, false}, "Shop", false))
        .returns({column("name", "sysname")}, {{"dbo"}, {"sales"}});
    f.pattern("(?i)use \\[.*\\]");
    auto& list = f.exact(kListSql);
    list.params = QVariantList{"dbo"};
    list.returns({column("name", "sysname"), column("xtype", "char(2)")},
                 {{"orders", "U "}, {"customers", "U "}, {"v_orders", "V "}, {"s_cust", "SN"}});
    test::AnswerTableBox(f, "Shop", "dbo", "orders", {"id", "name"}, {"id"});
    test::AnswerTableBox(f, "Shop", "dbo", "customers", {"id", "name"}, {"id"});
    return session;
}

struct Env {
    QTemporaryDir work;
    std::unique_ptr<TfrmMain> main;
    std::shared_ptr<ScriptedSession> server = Server();
    std::unique_ptr<TfrmObject> conn;
    Env()
    {
        qvOption.TempDir = work.path() + "/";
        SqlLogStore::instance().reset();
        TqvRegistry().DeleteKey(TfrmTableList::WindowKey); // each test starts on the defaults
        main = std::make_unique<TfrmMain>();
        conn = std::make_unique<TfrmObject>(nullptr, "Shop", "sa", "pw", "srv", server);
    }
};

} // namespace

TEST(TableList, QueryTextTypesAndChoiceNames)
{
    Env env;
    TObjectSession& s = *env.conn->session();
    EXPECT_EQ(TableListTypes(true, true, true), " 'U', 'S','V','SN'");
    EXPECT_EQ(TableListTypes(false, true, false), "'V'");
    EXPECT_EQ(TableListTypes(false, false, false), "");
    EXPECT_EQ(TableListSql(s, "Shop", TableListTypes(true, false, false)),
              "use [Shop]\r\nselect name, xtype from sysobjects where xtype in( 'U', 'S') AND schema_name(uid) = "
              ":OWNER collate database_default");
    s.DBVer = 8;
    EXPECT_TRUE(TableListSql(s, "Shop", "'V'").endsWith("AND user_name(uid) = :OWNER collate database_default"));
    s.DBVer = 16;

    env.server->clearRecord();
    const QList<TableListEntry> all = FetchTableList(s, "Shop", "dbo", TableListTypes(true, true, true), "");
    QStringList names;
    QList<int> codes;
    for (const auto& e : all) {
        names << e.name;
        codes << e.typeCode;
    }
    EXPECT_EQ(names, QStringList({"orders", "customers", "v_orders", "s_cust"}));
    EXPECT_EQ(codes, QList<int>({45, 45, 47, 60}));
    ASSERT_EQ(env.server->statements().size(), 2);
    EXPECT_EQ(env.server->statements().at(0).trimmed(), "use [Shop]");
    EXPECT_EQ(env.server->statements().at(1), kListSql);
    // The search text is trimmed and compared with letter case counting.
    const auto found = FetchTableList(s, "Shop", "dbo", TableListTypes(true, true, true), " orders ");
    ASSERT_EQ(found.size(), 2);
    EXPECT_EQ(found[1].name, "v_orders");
    EXPECT_TRUE(FetchTableList(s, "Shop", "dbo", TableListTypes(true, true, true), "Orders").isEmpty());

    const bool bare = qvOption.UseLowerName;
    qvOption.UseLowerName = false;
    EXPECT_EQ(TableListChoice("sales", "dbo", "orders"), "sales.dbo.orders");
    EXPECT_EQ(TableListChoice("sales", "dbo", "order lines"), "sales.dbo.[order lines]");
    EXPECT_EQ(TableListChoice("", "dbo", "a]b"), "dbo.[a]]b]");
    EXPECT_EQ(TableListChoice("sales", "", "orders"), "orders");
    qvOption.UseLowerName = bare;
}

TEST(TableList, LastKindSpringsBackAndWindowRenders)
{
    Env env;
    TfrmTableList w(env.conn->session(), false);
    EXPECT_EQ(w.cmbDatabase->currentText(), "Shop");
    EXPECT_EQ(w.cmbOwner->currentText(), "dbo");
    w.FillTableList();
    EXPECT_EQ(w.lstTable->count(), 4);
    EXPECT_EQ(w.lstTable->item(0)->text(), "customers"); // sorted
    auto& tablesOnly = env.server->fixture().exact(
        "select name, xtype from sysobjects where xtype in( 'U', 'S') AND schema_name(uid) = ? collate database_default");
    tablesOnly.returns({column("name", "sysname"), column("xtype", "char(2)")}, {{"orders", "U "}});
    w.btnView->setChecked(false);
    w.btnSynonym->setChecked(false);
    w.btnTable->setChecked(false);
    w.chkButtonClick(w.btnTable);
    EXPECT_TRUE(w.btnTable->isChecked());
    EXPECT_EQ(w.lstTable->count(), 1);
    w.lstTable->item(0)->setSelected(true);
    EXPECT_EQ(w.Choice(), QStringList({QuoteIdentifier("Shop") + "." + QuoteIdentifier("dbo") + "." + QuoteIdentifier("orders")}));
    w.show();
    QApplication::processEvents();
    w.grab().save(QString(QORVEL_BINARY_DIR) + "/table_list_window.png");
}

TEST(TableList, SqlWindowAddsTwoChosenTablesToTheBuilder)
{
    Env env;
    const bool bare = qvOption.UseLowerName;
    qvOption.UseLowerName = false;
    TfrmSQL w(env.conn->session());
    w.resize(900, 700);
    w.btnShowDesign->trigger();
    ASSERT_TRUE(w.actInsTable->isEnabled());
    auto server = env.server;
    TfrmTableList::ExecHook = [server](TfrmTableList* list) {
        for (int i = 0; i < list->lstTable->count(); ++i) {
            const QString name = list->lstTable->item(i)->text();
            list->lstTable->item(i)->setSelected(name == "orders" || name == "customers");
        }
        server->clearRecord();
        return int(QDialog::Accepted);
    };
    w.actInsTable->trigger();
    // Version, default schema and one batch per added table; drawing asks nothing.
    const QStringList sent = env.server->statements();
    EXPECT_EQ(sent.size(), 4) << sent.join("\n").toStdString();
    EXPECT_EQ(sent.filter("from syscolumns").size(), 2);
    w.show();
    QApplication::processEvents();
    w.grab();
    EXPECT_EQ(env.server->statements(), sent);
    TfrmTableList::ExecHook = nullptr;
    qvOption.UseLowerName = bare;
    const auto& tables = w.pnlBuild->SQLDesign->Design().Tables();
    ASSERT_EQ(tables.size(), 2u);
    EXPECT_EQ(tables[0]->Alias(), "a");
    EXPECT_EQ(tables[1]->Alias(), "b");
    EXPECT_EQ(tables[0]->TableName, "customers"); // in list order (sorted)
    EXPECT_EQ(tables[1]->TableName, "orders");
    EXPECT_EQ(tables[1]->Bounds.left() - tables[0]->Bounds.left(), 150);
    EXPECT_TRUE(w.txtSQL->Lines().GetTextStr().contains("FROM", Qt::CaseInsensitive));
}

TEST(TableList, WindowSettingsAreKeptBetweenOpenings)
{
    Env env;
    env.server->fixture().pattern("select name, xtype from sysobjects .*").returns(
        {column("name", "sysname"), column("xtype", "char(2)")}, {{"orders", "U "}});
    QStringList names;
    // First opening: the user resizes the window and releases the view button.
    TfrmTableList::ExecHook = [](TfrmTableList* w) {
        EXPECT_TRUE(w->btnView->isChecked()); // defaults: the buttons' own state
        w->resize(420, 510);
        w->btnView->setChecked(false);
        w->chkButtonClick(w->btnView);
        return int(QDialog::Rejected);
    };
    TfrmTableList::ShowWindow(env.conn->session(), names, nullptr, "Shop", "");
    {
        TqvRegistry reg;
        ASSERT_TRUE(reg.OpenKeyReadOnly(TfrmTableList::WindowKey));
        EXPECT_EQ(reg.ReadInteger("WindowState"), 0);
        EXPECT_EQ(reg.ReadInteger("Width"), 420);
        EXPECT_EQ(reg.ReadInteger("Height"), 510);
        EXPECT_TRUE(reg.ValueExists("Left") && reg.ValueExists("Top") && reg.ValueExists("TableWidth"));
        EXPECT_FALSE(reg.ReadBool("ShowView"));
        EXPECT_TRUE(reg.ReadBool("ShowTable"));
    }
    // Second opening reads them back; a maximised window keeps the stored size.
    TfrmTableList::ExecHook = [](TfrmTableList* w) {
        EXPECT_EQ(w->size(), QSize(420, 510));
        EXPECT_FALSE(w->btnView->isChecked());
        EXPECT_TRUE(w->btnSynonym->isChecked());
        w->showMaximized();
        return int(QDialog::Rejected);
    };
    TfrmTableList::ShowWindow(env.conn->session(), names, nullptr, "Shop", "");
    {
        TqvRegistry reg;
        ASSERT_TRUE(reg.OpenKeyReadOnly(TfrmTableList::WindowKey));
        EXPECT_EQ(reg.ReadInteger("WindowState"), 2);
        EXPECT_EQ(reg.ReadInteger("Width"), 420);
    }
    // The table definition window's single-table mode leaves the chosen kinds alone.
    TfrmTableList::ExecHook = [](TfrmTableList* w) {
        EXPECT_TRUE(w->isMaximized());
        EXPECT_FALSE(w->btnSynonym->isChecked()); // tables only
        w->showNormal();
        return int(QDialog::Rejected);
    };
    QWidget table;
    table.setObjectName("frmTable1");
    TfrmTableList::ShowWindow(env.conn->session(), names, &table, "Shop", "dbo");
    TfrmTableList::ExecHook = nullptr;
    TqvRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(TfrmTableList::WindowKey));
    EXPECT_EQ(reg.ReadInteger("WindowState"), 0);
    EXPECT_TRUE(reg.ReadBool("ShowSynonym"));
    EXPECT_TRUE(reg.ReadBool("ShowTable"));
}

TEST(TableList, DroppedTablesAndViewsJoinTheBuilderFullyQualified)
{
    EXPECT_EQ(BuilderDropName(45, "Shop", "dbo", "orders"), TableListChoice("Shop", "dbo", "orders"));
    EXPECT_EQ(BuilderDropName(47, "Shop", "sales", "order lines"), TableListChoice("Shop", "sales", "order lines"));
    EXPECT_EQ(BuilderDropName(48, "Shop", "dbo", "p_orders"), ""); // stored procedures are not tables

    Env env;
    const bool bare = qvOption.UseLowerName;
    qvOption.UseLowerName = false;
    TfrmSQL w(env.conn->session());
    w.btnShowDesign->trigger();
    // The connection window's object list: name, database, schema; the type in the first cell.
    auto* list = env.conn->lstObject;
    list->setColumnCount(7);
    const auto row = [&](const QString& name, int type, bool selected) {
        QTreeWidgetItem* item = list->AddItem(name, {"Shop", "dbo"});
        item->setData(0, Qt::UserRole, type);
        item->setSelected(selected);
    };
    row("customers", 45, true);
    row("p_orders", 48, true);
    row("orders", 45, false);
    QWidget stranger;
    EXPECT_FALSE(w.SQLDesignDragOver(&stranger));
    ASSERT_TRUE(w.SQLDesignDragOver(list));
    w.SQLDesignDragDrop(list);
    const auto& tables = w.pnlBuild->SQLDesign->Design().Tables();
    ASSERT_EQ(tables.size(), 1u);
    EXPECT_EQ(tables[0]->TableName, "customers");
    EXPECT_EQ(tables[0]->TableSchema, "dbo");
    EXPECT_EQ(tables[0]->TableDatabase, "Shop");

    // The work space list: title, name, database, schema.
    QTreeWidget* ws = env.main->lstWorkSpace();
    ASSERT_TRUE(w.SQLDesignDragOver(ws));
    const auto entry = [&](const QString& name, const QString& connect) {
        auto* item = new QTreeWidgetItem(ws, {"受注 (Shop.dbo)", name, "Shop", "dbo"});
        item->setData(0, Qt::UserRole, 45);
        item->setData(2, Qt::UserRole, connect);
        item->setSelected(true);
    };
    entry("orders", env.conn->GetConnectInfo(QString(), QString(), true));
    entry("elsewhere", "other-server (sa)"); // another connection's entry is left out
    w.SQLDesignDragDrop(ws);
    ASSERT_EQ(tables.size(), 2u);
    EXPECT_EQ(tables[1]->TableName, "orders");
    EXPECT_TRUE(w.txtSQL->Lines().GetTextStr().contains("orders", Qt::CaseInsensitive));
    qvOption.UseLowerName = bare;
}

TEST(TableList, ReloadMessageRefillsTheList)
{
    Env env;
    TfrmTableList w(env.conn->session(), false);
    w.FillTableList();
    ASSERT_EQ(w.lstTable->count(), 4);
    w.lstTable->clear();
    env.server->clearRecord();
    SendProgramMessage(&w, WM_RELOAD);
    EXPECT_EQ(w.lstTable->count(), 4);
    EXPECT_EQ(env.server->statements().filter("from sysobjects").size(), 1);
}
