// The object-list commands of the connection window end to end through FreeTDS against the
// demo server: the index list with its fragmentation figures and bars, automatic index
// maintenance by the two thresholds, a table and the view that depends on it deleted in two
// passes, a rename through sp_rename and a constraint switched off. The server records every
// statement no fixture answers; the run leaves that record empty, so each statement went out
// word for word as the fixtures (the program's own statements, answered as SQL Server would)
// have it.
#include "app/application.h"
#include "app/main_window.h"
#include "app/options.h"
#include "connection/connection_commands.h"
#include "connection/index_maintenance.h"
#include "connection/logon_dialog.h"
#include "connection/object_window.h"
#include "connection/object_window_actions.h"
#include "controls/lists/qv_treeview.h"
#include "support/test_env.h"
#include "test_server_helper.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace qvtest;
using namespace qv;

namespace {

QTreeWidgetItem* ChildOf(QTreeWidgetItem* parent, const QString& text)
{
    for (int i = 0; parent && i < parent->childCount(); ++i)
        if (parent->child(i)->text(0) == text)
            return parent->child(i);
    return nullptr;
}

struct ObjectActionsE2E : ::testing::Test {
    QTemporaryDir work;
    QString unmatched = work.path() + "/unmatched.sql";
    TestServer server{{e2eFixtures() + "/object_actions", demoFixtures()}, {QStringLiteral("--record"), unmatched}};
    QStringList boxes, errors;
    TfrmMain main;
    TfrmObject* conn = nullptr;
    TObjectActions::Ui savedUi = TObjectActions::ui();
    TqvOption savedOptions = qvOption;
    decltype(TfrmLogon::Message) savedLogonMessage = TfrmLogon::Message;

    void SetUp() override
    {
        usePrivateOdbcConfig();
        ASSERT_TRUE(server.ok()) << server.error().toStdString();
        qvOption.TempDir = work.path() + "/";
        TfrmLogon::Message = [this](QWidget*, const QString& text, int) { boxes << text; };
        auto& ui = TObjectActions::ui();
        ui.confirm = [](const QString&, int, const CheckList& checks) {
            for (const CheckItem& c : checks)
                if (c.value)
                    *c.value = true;
            return static_cast<int>(IDYES);
        };
        ui.message = [this](const QString& text, int) {
            boxes << text;
            return static_cast<int>(IDOK);
        };
        ui.escape = [] { return false; };
        SetExceptionBox([this](const QString&, const QString& text, bool) { errors << text; });
        InstallConnectionCommands(main);
        main.setCommandLineArguments({QStringLiteral("/U=sa/pass@127.0.0.1,%1").arg(server.port())});
        main.FormPaint();
        conn = dynamic_cast<TfrmObject*>(main.CurrentForm());
        ASSERT_TRUE(conn) << boxes.join("\n").toStdString() << server.logText().toStdString();
    }
    void TearDown() override
    {
        main.close();
        TObjectActions::ui() = savedUi;
        qvOption = savedOptions;
        SetExceptionBox(nullptr);
        TfrmLogon::Message = savedLogonMessage;
        TfrmMain::setCommandHandler(QStringLiteral("actViewSQL"), nullptr);
        TfrmLogon::ConnectionFactory = nullptr;
    }
    QString Unmatched() const
    {
        QFile f(unmatched);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    QTreeWidgetItem* SalesNode(const QString& type)
    {
        QTreeWidgetItem* sales = ChildOf(conn->lstTree->topLevelItem(0), "SalesDemo");
        return type.isEmpty() ? sales : ChildOf(sales, type);
    }
    QTreeWidgetItem* Item(const QString& name)
    {
        return conn->lstObject->findItems(name, Qt::MatchExactly).value(0);
    }
    void Select(const QStringList& names)
    {
        conn->lstObject->clearSelection();
        for (const QString& n : names)
            if (QTreeWidgetItem* item = Item(n))
                conn->actions()->SetRowSelected(item, true);
    }
    void Trigger(const char* action)
    {
        conn->actions()->mnuObjectClick();
        QAction* a = conn->actions()->action(action);
        ASSERT_TRUE(a->isEnabled()) << action;
        a->trigger();
    }
    QStringList Names() const
    {
        QStringList out;
        for (int i = 0; i < conn->lstObject->topLevelItemCount(); ++i)
            out << conn->lstObject->topLevelItem(i)->text(0);
        return out;
    }
};

} // namespace

TEST_F(ObjectActionsE2E, IndexMaintenanceByTheThresholds)
{
    conn->btnShowFragment->setChecked(true);
    conn->lstTree->setCurrentItem(SalesNode("INDEX"));
    QTreeWidgetItem* ix = Item("IX_Orders_CustomerID");
    ASSERT_TRUE(ix) << Unmatched().toStdString();
    EXPECT_EQ(ix->text(5), "0.37");
    EXPECT_EQ(ix->text(6), "123.45");
    EXPECT_EQ(index::PagesText(ix->text(6)), "12345");
    conn->lstObject->selectAll();
    Trigger("actIndexThreshold");
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(boxes, QStringList({index::DoneText(index::Command::Automatic, 5, 31)}));
    const QString log = server.logText();
    for (const char* sent : {"alter index [IX_Orders_CustomerID] on [dbo].[Orders] rebuild with (online = on)",
                             "alter index [PK_Orders] on [dbo].[Orders] rebuild with (online = on)",
                             "alter index [UQ_Customers_Code] on [dbo].[Customers] reorganize"})
        EXPECT_TRUE(log.contains(QString::fromUtf8(sent))) << sent;
    EXPECT_FALSE(log.contains("alter index [PK_Customers]"));
    EXPECT_FALSE(log.contains("alter index [PK_Products]"));
    EXPECT_EQ(Unmatched(), QString());
}

TEST_F(ObjectActionsE2E, DeleteRenameAndConstraint)
{
    // The table goes in the second pass, after the view that depends on it.
    conn->lstTree->setCurrentItem(SalesNode(""));
    Select({"Orders", "vCustomerOrders"});
    Trigger("actDelete");
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(boxes, QStringList({QString::fromUtf8("オブジェクトが削除されました。")}));
    EXPECT_FALSE(Names().contains("Orders"));
    EXPECT_FALSE(Names().contains("vCustomerOrders"));
    EXPECT_EQ(server.logText().count("drop table [dbo].[Orders]"), 2);

    // F2 and a new name: sp_rename with both names as literals.
    boxes.clear();
    conn->lstTree->setCurrentItem(SalesNode("TABLE"));
    QTreeWidgetItem* products = Item("Products");
    ASSERT_TRUE(products);
    Select({"Products"});
    conn->lstObject->setCurrentItem(products, 0, QItemSelectionModel::NoUpdate);
    main.show();
    QApplication::processEvents();
    QKeyEvent f2(QEvent::KeyPress, Qt::Key_F2, Qt::NoModifier);
    QApplication::sendEvent(conn->lstObject, &f2);
    auto* editor = conn->lstObject->viewport()->findChild<QLineEdit*>();
    ASSERT_TRUE(editor);
    editor->setText("c]d");
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(editor, &enter);
    QApplication::processEvents();
    EXPECT_EQ(products->text(0), "c]d");
    EXPECT_TRUE(server.logText().contains("exec sp_rename N'[dbo].[Products]',N'c]d',N'OBJECT'"));

    // The check constraint switched off.
    conn->lstTree->setCurrentItem(SalesNode("CONSTRAINT"));
    Select({"CK_Products_UnitPrice"});
    Trigger("actConstDisable");
    EXPECT_EQ(boxes, QStringList({QString::fromUtf8("制約を無効にしました。")}));
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(Unmatched(), QString());
}
