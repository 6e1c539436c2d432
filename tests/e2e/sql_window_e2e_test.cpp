// The SQL window end to end: a connection session over unixODBC and the FreeTDS driver against
// the TDS test server with the demo fixtures, a SQL window on it, runs into its result grid.
#include "app/options.h"
#include "controls/frame/data_frame.h"
#include "controls/grid/data_grid.h"
#include "connection/object_session.h"
#include "editor/view/editor.h"
#include "platform/db/connection.h"
#include "platform/db/query.h"
#include "sql/sql_history.h"
#include "sql/sql_window.h"
#include "test_server_helper.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTabWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qvtest;
using namespace qv;

namespace {

class SqlWindowE2E : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        usePrivateOdbcConfig();
        server = new TestServer({demoFixtures()});
    }
    static void TearDownTestSuite()
    {
        delete server;
        server = nullptr;
    }
    void SetUp() override
    {
        ASSERT_TRUE(server->ok()) << server->error().toStdString();
        qvOption.TempDir = work.path() + "/";
        SqlLogStore::instance().reset();
        TfrmSQL::MessageHook = [this](QWidget*, const QString& text, int icon, const QString&, bool*) {
            boxes << QString::number(icon) + ":" + text;
        };
    }
    static TestServer* server;
    QTemporaryDir work;
    QStringList boxes;
};

TestServer* SqlWindowE2E::server = nullptr;

} // namespace

TEST_F(SqlWindowE2E, RunsSelectIntoTheGridAndShowsServerErrors)
{
    TObjectSession session;
    ASSERT_NO_THROW(session.Connect(QStringLiteral("SalesDemo"), QStringLiteral("sa"), QStringLiteral("pass"),
                                    QStringLiteral("127.0.0.1,%1").arg(server->port())))
        << server->logText().toStdString();
    EXPECT_EQ(session.DBVer, 15);
    TfrmSQL w(&session);
    w.cmbDatabase->setCurrentText(QStringLiteral("SalesDemo"));
    w.txtSQL->Lines().Assign({QStringLiteral("select * from dbo.Customers")});
    w.txtSQL->SetModified(true);
    w.actExecExecute();
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join("\n").toStdString() << server->logText().toStdString();
    ASSERT_TRUE(w.fraData->qryData->Active());
    EXPECT_EQ(w.fraData->qryData->RecordCount(), 5);
    w.fraData->qryData->First();
    EXPECT_EQ(w.fraData->qryData->FieldByName(QStringLiteral("Name"))->AsString(), QStringLiteral("山田 太郎"));
    EXPECT_EQ(w.pagData->tabText(0), QStringLiteral("結果"));

    w.txtSQL->Lines().Assign({QStringLiteral("select * from dbo.NoSuchTable")});
    w.actExecExecute();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].startsWith("48:"));
    EXPECT_TRUE(boxes[0].contains(QStringLiteral("Invalid object name 'dbo.NoSuchTable'."))) << boxes[0].toStdString();
    session.Disconnect();
}

TEST_F(SqlWindowE2E, TypingIntoAReadOnlyResultCellDoesNothing)
{
    const bool savedUpdateMode = qvOption.UpdateMode;
    qvOption.UpdateMode = true;   // editing on, as after installation
    TObjectSession session;
    ASSERT_NO_THROW(session.Connect(QStringLiteral("SalesDemo"), QStringLiteral("sa"), QStringLiteral("pass"),
                                    QStringLiteral("127.0.0.1,%1").arg(server->port())))
        << server->logText().toStdString();
    {
        TfrmSQL w(&session);
        w.resize(900, 600);
        w.show();
        w.cmbDatabase->setCurrentText(QStringLiteral("SalesDemo"));
        w.txtSQL->Lines().Assign({QStringLiteral("select * from dbo.Customers")});
        w.txtSQL->SetModified(true);
        w.actExecExecute();
        ASSERT_TRUE(boxes.isEmpty()) << boxes.join("\n").toStdString();
        ASSERT_TRUE(w.fraData->qryData->Active());
        ASSERT_FALSE(w.fraData->qryData->CanModify());
        auto* grid = w.fraData->grdData1;
        grid->setFocus();
        const QString before = grid->CellText(1, 1);
        for (const char* letter : {"a", "b"}) {
            QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : grid;
            QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QString::fromLatin1(letter));
            QApplication::sendEvent(target, &press);
        }
        ASSERT_TRUE(grid->InplaceEditor());
        EXPECT_TRUE(grid->InplaceEditor()->isReadOnly());
        EXPECT_EQ(grid->InplaceEditor()->text(), before);
        EXPECT_EQ(w.fraData->qryData->State(), qv::db::dsBrowse);
        EXPECT_EQ(grid->CellText(1, 1), before);
    }
    session.Disconnect();
    qvOption.UpdateMode = savedUpdateMode;
}
