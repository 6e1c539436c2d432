#include "sql/sql_window.h"

#include "app/main_window.h"
#include "app/options.h"
#include "connection/catalog_queries.h"
#include "connection/object_session.h"
#include "connection/object_window.h"
#include "editor/view/editor.h"
#include "platform/db/scripted_session.h"
#include "sql/sql_history.h"

#include <QComboBox>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qv;
using namespace qv::db;

namespace {

// A scripted server that answers what a connection window asks when it opens.
std::shared_ptr<ScriptedSession> Server(const QString& database)
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
    answer(catalog::facts::CurrentDatabase, database);
    answer(catalog::facts::UserName, "dbo");
    answer(catalog::facts::DefaultSchema, "dbo");
    answer(catalog::facts::Spid, "55");
    f.exact(catalog::DatabaseListSql(false)).returns({column("name", "sysname")}, {{"master"}, {database}});
    f.pattern("use \\[.*\\]");
    f.exact("select 1").returns({column("a", "int")}, {{1}});
    return session;
}

} // namespace

TEST(SqlWindowConnections, ChoosingAnotherConnectionRunsOnItsSession)
{
    QTemporaryDir work;
    qvOption.TempDir = work.path() + "/";
    SqlLogStore::instance().reset();
    TfrmMain main;
    auto sales = Server("Sales"), stock = Server("Stock");
    TfrmObject a(nullptr, "Sales", "sa", "pw", "srvA", sales);
    TfrmObject b(nullptr, "Stock", "sa", "pw", "srvB", stock);
    TfrmSQL w(a.session());
    ASSERT_EQ(w.cmbDBName->count(), 2);
    EXPECT_EQ(w.cmbDBName->currentText(), "sa @ srvA.Sales");
    EXPECT_EQ(w.cmbDatabase->currentText(), "Sales");

    w.cmbDBName->setCurrentIndex(w.cmbDBName->findText("sa @ srvB.Stock"));
    w.cmbDBNameSelect();
    EXPECT_EQ(w.OwnerSession(), b.session());
    EXPECT_EQ(w.OwnerForm(), static_cast<IConnectionWindow*>(&b));
    EXPECT_EQ(w.windowTitle(), "SQL 実行 - sa @ srvB.Stock");
    EXPECT_EQ(w.cmbDatabase->currentText(), "Stock");

    sales->clearRecord();
    stock->clearRecord();
    w.txtSQL->Lines().Assign({"select 1"});
    w.actExecExecute();
    EXPECT_EQ(stock->statements(), (QStringList{"use [Stock]", "select 1"}));
    EXPECT_TRUE(sales->statements().isEmpty());
    EXPECT_EQ(w.fraData->qryData->RecordCount(), 1);
}
