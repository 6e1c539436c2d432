// The SQL window's object palette end to end: a connection window on SalesDemo through the FreeTDS
// ODBC driver against the TDS test server with the demo fixtures, a SQL window on its session;
// the tree shows the tables and the columns of one, the reverse search finds the columns named
// like "id". Both are rendered to PNG files in the build folder; the server records anything
// the fixtures leave unanswered, and the record stays empty.
#include "app/application.h"
#include "app/main_window.h"
#include "app/options.h"
#include "connection/object_window.h"
#include "editor/sqlmemo/qvmemo.h"
#include "sql/memo_frame.h"
#include "sql/memo_palette.h"
#include "sql/sql_history.h"
#include "sql/sql_window.h"
#include "test_server_helper.h"

#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace qvtest;
using namespace qv;

namespace {

struct MemoPaletteE2E : ::testing::Test {
    QTemporaryDir work;
    QString unmatched = work.path() + QStringLiteral("/unmatched.sql");
    TestServer server{{demoFixtures()}, {QStringLiteral("--record"), unmatched}};
    QStringList errors;

    void SetUp() override
    {
        usePrivateOdbcConfig();
        ASSERT_TRUE(server.ok()) << server.error().toStdString();
        qvOption.TempDir = work.path() + "/";
        SqlLogStore::instance().reset();
        SetExceptionBox([this](const QString&, const QString& text, bool) { errors << text; });
    }
    void TearDown() override { SetExceptionBox(nullptr); }
    QString Unmatched() const
    {
        QFile f(unmatched);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
};

QStringList Children(const QTreeWidgetItem* item)
{
    QStringList out;
    for (int i = 0; item && i < item->childCount(); ++i)
        out << item->child(i)->text(0);
    return out;
}

} // namespace

TEST_F(MemoPaletteE2E, TreeAndReverseSearchShowTheDemoDatabase)
{
    TfrmObject* conn = nullptr;
    ASSERT_NO_THROW(conn = new TfrmObject(nullptr, "SalesDemo", "sa", "pass", QStringLiteral("127.0.0.1,%1").arg(server.port())))
        << server.logText().toStdString();
    std::unique_ptr<TfrmObject> owner(conn);
    {
        TfrmSQL w(conn->session());
        w.resize(1000, 640);
        w.show();
        TqvObjectPalette* pal = w.fraMemo->palette;
        const QString root = pal->trvObject->topLevelItem(0)->text(0);
        EXPECT_EQ(root, QStringLiteral("127.0.0.1,%1(15.0.2000.5)").arg(server.port()));
        QTreeWidgetItem* tables = pal->FindNode({root, "SalesDemo", "TABLE"});
        ASSERT_TRUE(tables);
        tables->setExpanded(true);
        pal->FindNode({root, "SalesDemo", "VIEW"})->setExpanded(true);
        EXPECT_EQ(Children(tables), (QStringList{"dbo.Customers", "dbo.Orders", "dbo.Products"}));
        QTreeWidgetItem* customers = pal->FindNode({root, "SalesDemo", "TABLE", "dbo.Customers"});
        customers->setExpanded(true);
        ASSERT_EQ(customers->childCount(), 12);
        customers->child(2)->setSelected(true);
        customers->child(0)->setSelected(true);
        pal->actInsertNodeText->trigger();
        EXPECT_EQ(w.txtSQL->Lines().ToStringList().join(u'\n'), "[CustomerID], [Name]");
        QCoreApplication::processEvents();
        EXPECT_TRUE(w.grab().save(QCoreApplication::applicationDirPath() + "/memo_palette_tree.png"));

        w.fraMemo->ExpandCategory(w.fraMemo->cpnlRefSearch);
        pal->txtListSearch->setText("id");
        pal->btnListSearch->click();
        QStringList rows;
        for (int i = 0; i < pal->lstObject->topLevelItemCount(); ++i)
            rows << pal->lstObject->topLevelItem(i)->text(0) + " " + pal->lstObject->topLevelItem(i)->text(1);
        EXPECT_EQ(rows, (QStringList{"dbo.Customers CustomerID", "dbo.Customers RowGuid", "dbo.Products ProductID",
                                     "dbo.Orders OrderID", "dbo.Orders CustomerID", "dbo.vCustomerOrders OrderID"}));
        QCoreApplication::processEvents();
        EXPECT_TRUE(w.grab().save(QCoreApplication::applicationDirPath() + "/memo_palette_search.png"));
        EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
        EXPECT_TRUE(Unmatched().isEmpty()) << Unmatched().toStdString();
    }
}
