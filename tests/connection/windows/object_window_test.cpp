#include "connection/object_window.h"

#include "app/main_window.h"
#include "app/qvform.h"
#include "connection/connection_commands.h"
#include "connection/logon_dialog.h"
#include "sql/sql_window.h"

#include "controls/lists/qv_listview.h"
#include "controls/lists/qv_treeview.h"
#include "platform/db/scripted_session.h"
#include "platform/exceptions.h"
#include "platform/messages.h"
#include "app/textfiles.h"
#include "support/test_env.h"

#include <QComboBox>
#include <QToolBar>
#include <QDir>
#include <QLabel>
#include <gtest/gtest.h>

using namespace qv;
using namespace qv::db;

namespace {
// A child window that notes what it saw when the connection list changed.
class Child : public QWidget {
public:
    std::function<void()> onChange;
    int changes = 0;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() == messageEventType(WM_DBCHANGE)) {
            ++changes;
            if (onChange)
                onChange();
            return true;
        }
        return QWidget::event(e);
    }
};

struct ObjectWindow : ::testing::Test {
    std::shared_ptr<ScriptedSession> session = std::make_shared<ScriptedSession>();
    TfrmMain main;
    QComboBox& combo = *main.cmbDBName();
    Child& child = *new Child;
    QHash<int, WindowFactory> saved = WindowFactories();

    void SetUp() override { main.AddChildWindow(&child); }
    void TearDown() override { WindowFactories() = saved; }

    void Answer(const QString& sql, const QString& value)
    {
        session->fixture().exact(sql).returns({column("", "nvarchar(128)")}, {{value}});
    }
    void Server(const QString& version, const QString& edition)
    {
        Answer("select SERVERPROPERTY('productversion')", version);
        Answer(catalog::facts::ProductVersion, version);
        Answer(catalog::facts::Edition, edition);
        Answer(catalog::facts::LoginName, "sa");
        Answer(catalog::facts::CurrentDatabase, "Sales");
        Answer(catalog::facts::UserName, "dbo");
        Answer(catalog::facts::DefaultSchema, "dbo");
        Answer(catalog::facts::Spid, "55");
        session->fixture().pattern("set showplan.*").affects(0);
        const bool azure = edition == "SQL Azure";
        session->fixture().exact(catalog::DatabaseListSql(azure)).returns({column("name", "sysname")},
                                                                         {{"master"}, {"Sales"}, {"tempdb"}});
    }
    QStringList TopTexts(TfrmObject& w)
    {
        QStringList out;
        QTreeWidgetItem* root = w.lstTree->topLevelItem(0);
        for (int i = 0; root && i < root->childCount(); ++i)
            out << root->child(i)->text(0);
        return out;
    }
};
} // namespace

TEST_F(ObjectWindow, OpensRegistersThenNotifies)
{
    Server("16.0.4135.4", "Developer Edition");
    child.onChange = [&] { EXPECT_EQ(combo.count(), 1); };
    TfrmObject w(nullptr, "Sales", "sa", "pw", "srv", session);
    EXPECT_EQ(child.changes, 1);
    EXPECT_EQ(combo.itemText(0), "sa @ srv.Sales");
    EXPECT_EQ(w.windowTitle(), QString::fromUtf8("オブジェクトリスト - sa @ srv.Sales"));
    EXPECT_EQ(w.lstTree->topLevelItem(0)->text(0), "srv(16.0.4135.4)");
    EXPECT_EQ(TopTexts(w), QStringList({"master", "Sales", "tempdb"}));
    EXPECT_EQ(w.lstTree->currentItem()->text(0), "Sales");
    child.onChange = nullptr;
}

TEST_F(ObjectWindow, ClosingCommitsLeavesTheListThenNotifies)
{
    Server("16.0.4135.4", "Developer Edition");
    qvOption.AutoTran = true;
    auto w = std::make_unique<TfrmObject>(nullptr, "Sales", "sa", "pw", "srv", session);
    qvOption.AutoTran = false;
    ASSERT_TRUE(session->events().contains("StartTransaction"));
    child.changes = 0;
    bool checked = false;
    child.onChange = [&] {
        EXPECT_TRUE(session->events().contains("Commit"));
        EXPECT_EQ(combo.count(), 0);
        checked = true;
    };
    w->close();
    EXPECT_TRUE(checked);
    EXPECT_EQ(child.changes, 1);
    EXPECT_FALSE(w->session()->dmSQLServer->Connection->Connected());
    child.onChange = nullptr;
}

TEST_F(ObjectWindow, AzureShowsOnlyTheLoginDatabase)
{
    Server("12.0.2000.8", "SQL Azure");
    TfrmObject w(nullptr, "Sales", "sa", "pw", "x.database.windows.net", session);
    EXPECT_TRUE(w.session()->IsAzure);
    EXPECT_EQ(TopTexts(w), QStringList({"Sales"}));
    EXPECT_EQ(w.cmbTree->count(), 1);
    EXPECT_FALSE(w.btnShowFragment->isChecked());
}

TEST_F(ObjectWindow, OpenObjectByType)
{
    Server("16.0.4135.4", "Developer Edition");
    TfrmObject w(nullptr, "Sales", "sa", "pw", "srv", session);
    OpenRequest seen;
    WindowFactories()[static_cast<int>(DefinitionWindow::Table)] = [&](TfrmObject*, const OpenRequest& r) {
        seen = r;
        return new QWidget;
    };
    std::unique_ptr<QWidget> table(w.OpenObject(73, "Sales", "dbo", "T.3", omData, false, 1000, ""));
    ASSERT_TRUE(table);
    EXPECT_EQ(seen.name, "T");
    EXPECT_EQ(seen.topRecord, 0);
    EXPECT_EQ(w.OpenObject(71, "Sales", "dbo", "F", omDefine, false, 0, ""), nullptr);
    EXPECT_EQ(w.OpenObject(120, "Sales", "", "L", omDefine, false, 0, ""), nullptr);
    // A failing window gives none.
    WindowFactories()[static_cast<int>(DefinitionWindow::Table)] = [](TfrmObject*, const OpenRequest&) -> QWidget* {
        throw EAbort();
    };
    EXPECT_EQ(w.OpenObject(45, "Sales", "dbo", "T", omDefine, false, 0, ""), nullptr);
    // Windows not built yet: the placeholder names the object.
    std::unique_ptr<QWidget> view(w.OpenObject(47, "Sales", "dbo", "V", omDefine, false, 0, ""));
    ASSERT_TRUE(view);
    EXPECT_TRUE(view->windowTitle().contains("dbo.V"));
}

TEST_F(ObjectWindow, ListingAndRender)
{
    Server("16.0.4135.4", "Developer Edition");
    std::vector<ColumnDesc> cols{column("xtype", "char(2)"), column("name", "sysname"),  column("db", "sysname"),
                                 column("owner", "sysname"), column("xtype2", "char(2)"), column("crdate", "nvarchar(30)"),
                                 column("fg", "sysname"),    column("comment", "nvarchar(100)"), column("t", "nvarchar(100)")};
    session->fixture().pattern("use \\[Sales\\]\nselect distinct.*").returns(
        cols, {{"U ", "Orders", "Sales", "dbo", "U ", "2024-01-02 03:04:05", "PRIMARY", QString::fromUtf8("受注"), ""},
               {"U ", "Customers", "Sales", "dbo", "U ", "2024-01-01 10:00:00", "PRIMARY", QVariant(), ""}});
    session->fixture().pattern("use \\[(master|tempdb)\\]\nselect distinct.*").returns(cols, {});
    TfrmObject w(nullptr, "Sales", "sa", "pw", "srv", session);
    QTreeWidgetItem* sales = w.lstTree->currentItem();
    ASSERT_TRUE(sales);
    w.lstTree->setCurrentItem(sales->child(0)); // TABLE
    ASSERT_EQ(w.lstObject->topLevelItemCount(), 2);
    EXPECT_EQ(w.FViewType, "TABLE");
    EXPECT_EQ(w.lstObject->topLevelItem(0)->text(0), "Customers");
    w.show();
    const QString out = qEnvironmentVariable("QORVEL_RENDER_DIR", qvtest::testHome());
    QDir().mkpath(out);
    EXPECT_TRUE(w.grab().save(out + "/connection_window.png"));
}

TEST_F(ObjectWindow, FindTextFiltersAndIsRemembered)
{
    Server("16.0.4135.4", "Developer Edition");
    std::vector<ColumnDesc> cols;
    for (int i = 0; i < 8; ++i)
        cols.push_back(column(QStringLiteral("c%1").arg(i), "nvarchar(50)"));
    FixtureRule& rule = session->fixture().pattern("use \\[Sales\\]\nselect a\\.type, a\\.name, N'Sales'.*'%ord%'.*");
    rule.returns(cols, {{"V ", "v_orders", "Sales", "dbo", "V ", "2024-01-01", QVariant(), QVariant()},
                        {"V ", "ORDERS_V", "Sales", "dbo", "V ", "2024-01-01", QVariant(), QVariant()}});
    TfrmObject w(nullptr, "Sales", "sa", "pw", "srv", session);
    w.cmbFind->setEditText(" ord ");
    QTreeWidgetItem* sales = w.lstTree->currentItem();
    w.lstTree->setCurrentItem(sales->child(2)); // VIEW
    ASSERT_EQ(w.lstObject->topLevelItemCount(), 1); // the letter case of the find text counts
    EXPECT_EQ(w.lstObject->topLevelItem(0)->text(0), "v_orders");
    EXPECT_EQ(w.cmbFind->itemText(0), "ord");
    QStringList stored;
    LoadWhereHistory("%", "%", "%", "%", stored);
    EXPECT_EQ(stored.value(0), "ord");
}

TEST(ObjectWindowCaption, TaskCaptionIsCutAfterTwelve)
{
    EXPECT_EQ(TfrmObject::TaskCaption("sa", "srv"), "sa@srv");
    EXPECT_EQ(TfrmObject::TaskCaption("sa", "server1234"), QString("sa@server1") + QChar(0x2026));
    EXPECT_EQ(TfrmObject::TaskCaption("sa", "server123"), "sa@server123");
}

namespace {
// A child window of the connection that may refuse to close.
class OwnedForm : public TqvForm {
public:
    using TqvForm::TqvForm;
    bool allow = true;

protected:
    void FormCloseQuery(bool& canClose) override { canClose = allow; }
};
} // namespace

TEST_F(ObjectWindow, IsTheMainWindowsCurrentConnection)
{
    Server("16.0.4135.4", "Developer Edition");
    auto* w = new TfrmObject(nullptr, "Sales", "sa", "pw", "srv", session);
    main.AddChildWindow(w);
    EXPECT_EQ(main.CurrentForm(), static_cast<IConnectionWindow*>(w));
    EXPECT_EQ(main.ConnectionWindows().size(), 1);
    EXPECT_EQ(w->DBVer(), 16);
    EXPECT_EQ(w->DataBase(), "Sales");
    EXPECT_EQ(w->GetConnectInfo("", "", true), "sa @ srv.Sales");
    ASSERT_EQ(main.tolTask()->actions().size(), 1);
    EXPECT_EQ(main.tolTask()->actions().at(0)->text(), "sa@srv");

    // A window it owns that refuses to close keeps the connection open.
    auto* form = new OwnedForm(w);
    main.AddChildWindow(form);
    ASSERT_EQ(form->OwnerForm(), static_cast<IConnectionWindow*>(w));
    form->allow = false;
    EXPECT_FALSE(w->CloseQuery());
    form->allow = true;
    EXPECT_TRUE(w->CloseQuery());
}

TEST_F(ObjectWindow, SqlWindowCommandOpensOnTheCurrentConnection)
{
    Server("16.0.4135.4", "Developer Edition");
    InstallConnectionCommands(main);
    auto* w = new TfrmObject(nullptr, "Sales", "sa", "pw", "srv", session);
    main.AddChildWindow(w);
    main.MenuUpdate();
    ASSERT_TRUE(main.action("actViewSQL")->isEnabled());
    main.action("actViewSQL")->trigger();
    TfrmSQL* sql = nullptr;
    for (QWidget* c : main.MDIChildren())
        if (auto* s = qobject_cast<TfrmSQL*>(c))
            sql = s;
    ASSERT_TRUE(sql);
    EXPECT_EQ(sql->OwnerForm(), static_cast<IConnectionWindow*>(w));
    EXPECT_EQ(sql->windowTitle(), QString::fromUtf8("SQL 実行 - sa @ srv.Sales"));
    EXPECT_TRUE(sql->TaskButton());
    EXPECT_EQ(sql->cmbDatabase->currentText(), "Sales");
    // The database list is read again when the connections change; the choice stays.
    sql->cmbDatabase->setCurrentIndex(sql->cmbDatabase->findText("tempdb"));
    main.BroadcastMessage(WM_DBCHANGE);
    EXPECT_EQ(sql->cmbDatabase->currentText(), "tempdb");
    TfrmMain::setCommandHandler("actViewSQL", nullptr);
}

TEST_F(ObjectWindow, FirstPaintLogsOnFromTheCommandLine)
{
    InstallConnectionCommands(main);
    QList<LogonValues> seen;
    const auto saved = TfrmLogon::ConnectionFactory;
    TfrmLogon::ConnectionFactory = [&](const LogonValues& v) { seen << v; };
    main.setCommandLineArguments({"/U=sa/secret@127.0.0.1,1433"});
    main.FormPaint();
    TfrmLogon::ConnectionFactory = saved;
    TfrmMain::setCommandHandler("actViewSQL", nullptr);
    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(seen[0].userId, "sa");
    EXPECT_EQ(seen[0].password, "secret");
    EXPECT_EQ(seen[0].server, "127.0.0.1,1433");
}
