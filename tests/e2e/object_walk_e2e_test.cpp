// A walk through the built windows against the demo server, through FreeTDS: every object-type
// node of SalesDemo lists exactly the demo's objects of that kind (so a wrong type filter shows),
// the database node lists them all, the types-first tree lists the same, and the SQL window's
// sort by title, aggregate and completion after "dbo." get their answers. The server records
// every statement no fixture answers; the walk leaves that record empty.
#include "app/main_window.h"
#include "app/options.h"
#include "connection/connection_commands.h"
#include "connection/logon_dialog.h"
#include "connection/object_window.h"
#include "controls/frame/data_frame.h"
#include "controls/lists/qv_listview.h"
#include "controls/lists/qv_treeview.h"
#include "editor/sqlmemo/code_assist.h"
#include "editor/sqlmemo/qvmemo.h"
#include "platform/db/query.h"
#include "sql/memo_frame.h"
#include "sql/sql_history.h"
#include "sql/sql_window.h"
#include "support/test_env.h"
#include "test_server_helper.h"

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace qvtest;
using namespace qv;

namespace {

// The SalesDemo objects (tests/fixtures/demo/schema.sql) by type keyword, with the type code
// every entry of that kind carries.
struct Kind {
    int code;
    QStringList names;
};

const QMap<QString, Kind>& SalesDemoObjects()
{
    static const QMap<QString, Kind> objects = {
        {"TABLE", {45, {"Customers", "Orders", "Products"}}},
        {"INDEX", {46, {"IX_Orders_CustomerID", "PK_Customers", "PK_Orders", "PK_Products", "UQ_Customers_Code"}}},
        {"VIEW", {47, {"vCustomerOrders"}}},
        {"PROCEDURE", {51, {"GetCustomerOrders"}}},
        {"FUNCTION", {52, {"fnTaxIncluded"}}},
        {"TRIGGER", {57, {"trCustomers_Update"}}},
        {"SEQUENCE", {58, {"OrderNumbers"}}},
        {"SYNONYM", {60, {"Kokyaku"}}},
        {"CONSTRAINT",
         {66,
          {"CK_Products_UnitPrice", "DF_Customers_CreditLimit", "DF_Customers_IsActive", "DF_Customers_Joined",
           "DF_Customers_Rank", "DF_Customers_RowGuid", "DF_Customers_UpdatedAt", "DF_Orders_OrderedAt",
           "DF_Orders_OrderID", "DF_Orders_Status", "DF_Products_Discontinued", "FK_Orders_Customers", "PK_Customers",
           "PK_Orders", "PK_Products", "UQ_Customers_Code"}}},
    };
    return objects;
}

// The list's entries as "name code database type-keyword", sorted.
QStringList Entries(TfrmObject* w)
{
    QStringList out;
    for (int i = 0; i < w->lstObject->topLevelItemCount(); ++i) {
        QTreeWidgetItem* it = w->lstObject->topLevelItem(i);
        out << QStringLiteral("%1 %2 %3 %4").arg(it->text(0)).arg(it->data(0, Qt::UserRole).toInt()).arg(it->text(1), it->text(3));
    }
    out.sort();
    return out;
}

QStringList Expected(const QStringList& keywords)
{
    QStringList out;
    for (const QString& k : keywords) {
        const Kind& kind = SalesDemoObjects()[k];
        for (const QString& name : kind.names)
            out << QStringLiteral("%1 %2 SalesDemo %3").arg(name).arg(kind.code).arg(k);
    }
    out.sort();
    return out;
}

QTreeWidgetItem* Child(QTreeWidgetItem* parent, const QString& text)
{
    for (int i = 0; parent && i < parent->childCount(); ++i)
        if (parent->child(i)->text(0) == text)
            return parent->child(i);
    return nullptr;
}

struct DemoWalk : ::testing::Test {
    QTemporaryDir work;
    QString unmatched = work.path() + "/unmatched.sql";
    TestServer server{{demoFixtures()}, {QStringLiteral("--record"), unmatched}};
    QStringList boxes;
    TfrmMain main;
    TfrmObject* conn = nullptr;
    decltype(TfrmLogon::Message) savedLogonMessage = TfrmLogon::Message;

    void SetUp() override
    {
        usePrivateOdbcConfig();
        ASSERT_TRUE(server.ok()) << server.error().toStdString();
        qvOption.TempDir = work.path() + "/";
        SqlLogStore::instance().reset();
        TfrmLogon::Message = [this](QWidget*, const QString& text, int) { boxes << text; };
        TfrmSQL::MessageHook = [this](QWidget*, const QString& text, int icon, const QString&, bool*) {
            boxes << QString::number(icon) + ":" + text;
        };
        TfraData::MessageHook() = [this](const QString& text, TfraData::MessageKind) { boxes << text; };
        InstallConnectionCommands(main);
        main.setCommandLineArguments({QStringLiteral("/U=sa/pass@127.0.0.1,%1").arg(server.port())});
        main.FormPaint();
        conn = dynamic_cast<TfrmObject*>(main.CurrentForm());
        ASSERT_TRUE(conn) << boxes.join("\n").toStdString() << server.logText().toStdString();
    }
    void TearDown() override
    {
        main.close();
        TfrmLogon::Message = savedLogonMessage;
        TfrmSQL::MessageHook = nullptr;
        TfraData::MessageHook() = nullptr;
        TfrmMain::setCommandHandler(QStringLiteral("actViewSQL"), nullptr);
        TfrmLogon::ConnectionFactory = nullptr;
    }
    // What the server could not answer so far.
    QString Unmatched() const
    {
        QFile f(unmatched);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    void Shot(const QString& name)
    {
        if (const QString dir = qEnvironmentVariable("QORVEL_E2E_PNG_DIR"); !dir.isEmpty()) {
            main.resize(1280, 860);
            main.show();
            QCoreApplication::processEvents();
            main.grab().save(dir + "/" + name + ".png");
        }
    }
};

} // namespace

TEST_F(DemoWalk, EveryNodeListsExactlyTheObjectsOfItsKind)
{
    QTreeWidgetItem* root = conn->lstTree->topLevelItem(0);
    QTreeWidgetItem* sales = Child(root, "SalesDemo");
    ASSERT_TRUE(sales);
    ASSERT_EQ(sales->childCount(), SalesDemoObjects().size());
    for (int i = 0; i < sales->childCount(); ++i) {
        const QString keyword = sales->child(i)->text(0);
        conn->lstTree->setCurrentItem(sales->child(i));
        EXPECT_EQ(Entries(conn), Expected({keyword})) << keyword.toStdString();
        Shot("walk_" + keyword.toLower());
    }
    // The index node with the fragmentation figures shown.
    conn->lstTree->setCurrentItem(Child(sales, "INDEX"));
    conn->btnShowFragment->setChecked(true);
    EXPECT_EQ(Entries(conn), Expected({"INDEX"}));
    Shot("walk_index_fragment");
    conn->btnShowFragment->setChecked(false);
    // The database node lists every kind at once.
    conn->lstTree->setCurrentItem(sales);
    EXPECT_EQ(Entries(conn), Expected(SalesDemoObjects().keys()));
    Shot("walk_database");
    // The system databases list nothing of these kinds.
    QTreeWidgetItem* master = Child(root, "master");
    ASSERT_TRUE(master);
    conn->lstTree->setCurrentItem(Child(master, "TABLE"));
    EXPECT_EQ(conn->lstObject->topLevelItemCount(), 0);

    // Types first: a type node lists its kind in every database, a database under it that kind there.
    conn->btnTree2->click();
    root = conn->lstTree->topLevelItem(0);
    for (const QString& keyword : SalesDemoObjects().keys()) {
        QTreeWidgetItem* type = Child(root, keyword);
        ASSERT_TRUE(type) << keyword.toStdString();
        conn->lstTree->setCurrentItem(type);
        EXPECT_EQ(Entries(conn), Expected({keyword})) << keyword.toStdString();
        conn->lstTree->setCurrentItem(Child(type, "SalesDemo"));
        EXPECT_EQ(Entries(conn), Expected({keyword})) << keyword.toStdString();
    }
    // The server node lists everything.
    conn->lstTree->setCurrentItem(root);
    EXPECT_EQ(Entries(conn), Expected(SalesDemoObjects().keys()));
    conn->btnTree1->click();

    EXPECT_TRUE(boxes.isEmpty()) << boxes.join("\n").toStdString();
    EXPECT_EQ(Unmatched(), QString());
}

TEST_F(DemoWalk, SqlWindowSortsAggregatesAndCompletes)
{
    main.action(QStringLiteral("actViewSQL"))->trigger();
    TfrmSQL* sql = nullptr;
    for (QWidget* w : main.MDIChildren())
        if (auto* s = qobject_cast<TfrmSQL*>(w))
            sql = s;
    ASSERT_TRUE(sql);
    sql->cmbDatabase->setCurrentText(QStringLiteral("SalesDemo"));
    // A batch with blanks in front is the same statement.
    sql->txtSQL->Lines().Assign({QString(), QStringLiteral("  select * from dbo.Customers")});
    sql->actExecExecute();
    ASSERT_TRUE(boxes.isEmpty()) << boxes.join("\n").toStdString() << Unmatched().toStdString();
    TfraData* data = sql->fraData;
    ASSERT_TRUE(data->qryData->Active());
    EXPECT_EQ(data->qryData->RecordCount(), 5);

    // Sort by the title of Name (the third column), then the other way round.
    auto firstName = [&] {
        data->qryData->First();
        return data->qryData->FieldByName(QStringLiteral("Name"))->AsString();
    };
    data->TitleClick(2);
    ASSERT_TRUE(boxes.isEmpty()) << boxes.join("\n").toStdString() << Unmatched().toStdString();
    EXPECT_EQ(firstName(), QStringLiteral("O'Brien Trading"));
    data->TitleClick(2);
    EXPECT_EQ(firstName(), QString::fromUtf8("鈴木 一郎"));
    Shot("walk_sql_sorted");

    // The sum of CreditLimit (the seventh column).
    data->SelectedIndex = 6;
    data->Aggregate(AggregateKind::Sum);
    ASSERT_EQ(boxes.size(), 1) << boxes.join("\n").toStdString() << Unmatched().toStdString();
    EXPECT_TRUE(boxes[0].startsWith(QString::fromUtf8("[CreditLimit]列の合計 = 2275000.5"))) << boxes[0].toStdString();
    boxes.clear();

    // Completion after "dbo." lists the schema's objects.
    TqvMemo* memo = sql->fraMemo->txtSQL;
    memo->Lines().Assign({QStringLiteral("select * from dbo.")});
    memo->SetRowCol(0, 18);
    sql->fraMemo->CodeAssistRequested(0, 0);
    ASSERT_TRUE(memo->CodeAssist) << Unmatched().toStdString();
    QStringList names = memo->CodeAssist->CaptionList;
    EXPECT_TRUE(names.contains("Customers")) << names.join(",").toStdString();
    EXPECT_TRUE(names.contains("vCustomerOrders")) << names.join(",").toStdString();
    EXPECT_TRUE(names.contains("GetCustomerOrders")) << names.join(",").toStdString();
    Shot("walk_sql_completion");
    memo->CloseCodeAssist();

    EXPECT_TRUE(boxes.isEmpty()) << boxes.join("\n").toStdString();
    EXPECT_EQ(Unmatched(), QString());
}
