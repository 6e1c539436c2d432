#include "sql/sql_window.h"

#include "builder_fixture.h"

#include "app/main_window.h"
#include "app/options.h"
#include "connection/catalog_queries.h"
#include "connection/object_session.h"
#include "connection/object_window.h"
#include "editor/view/editor.h"
#include "platform/db/scripted_session.h"
#include "sql/sql_designer.h"
#include "sql/sql_history.h"

#include <QApplication>
#include <QTableWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qv;
using namespace qv::db;

namespace {

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
    f.pattern("(?i)use \\[.*\\]");
    test::AnswerTableBox(f, "Shop", "dbo", "orders", {"id", "customer_id", "total"}, {"id"});
    test::AnswerTableBox(f, "Shop", "dbo", "customers", {"id", "name", "city"}, {"id"});
    return session;
}

} // namespace

TEST(SqlWindowBuilder, ShowingTheBuilderParsesTheTextAndTypesSwitch)
{
    QTemporaryDir work;
    qvOption.TempDir = work.path() + "/";
    SqlLogStore::instance().reset();
    const bool bare = qvOption.UseLowerName;
    qvOption.UseLowerName = false;
    TfrmMain main;
    auto server = Server();
    TfrmObject conn(nullptr, "Shop", "sa", "pw", "srv", server);
    TfrmSQL w(conn.session());
    w.resize(900, 700);
    w.txtSQL->Lines().Assign({"select a.id, b.name, a.total", "from orders a, customers b",
                              "where a.customer_id = b.id and a.total > 10", "order by b.name desc"});
    server->clearRecord();
    w.btnShowDesign->trigger();
    auto* designer = w.pnlBuild->SQLDesign;
    ASSERT_TRUE(w.pnlBuild->isVisibleTo(&w));
    ASSERT_EQ(designer->Design().Tables().size(), 2u);
    EXPECT_EQ(designer->Design().Connects().size(), 1u);
    EXPECT_EQ(w.pnlBuild->grdColumn->rowCount(), 4);
    // One version and one default-schema question for the whole synchronisation.
    EXPECT_EQ(server->statements().filter("productversion").size(), 1);
    EXPECT_EQ(server->statements().filter("default_schema_name").size(), 1);

    w.show();
    QApplication::processEvents();
    w.grab().save(QString(QORVEL_BINARY_DIR) + "/sql_window_builder.png");

    // SELECT to CREATE VIEW keeps the design and writes the view header.
    TfrmSQL::ViewNameHook = [](QWidget*, QString& name) {
        name = "v_orders";
        return true;
    };
    w.SetBuilderType(sqltCreateView);
    EXPECT_EQ(designer->Design().Tables().size(), 2u);
    EXPECT_TRUE(w.txtSQL->Lines().GetTextStr().startsWith("CREATE VIEW v_orders AS", Qt::CaseInsensitive))
        << w.txtSQL->Lines().GetTextStr().toStdString();

    // Removing the selected box removes its join and rows and rewrites the text.
    designer->SetSelected(designer->Design().Tables()[1].get());
    EXPECT_TRUE(w.actDelTable->isEnabled());
    w.actDelTableExecute();
    EXPECT_TRUE(designer->Design().Connects().empty());
    EXPECT_FALSE(w.txtSQL->Lines().GetTextStr().contains("customers", Qt::CaseInsensitive));

    // INSERT clears the design and the text.
    w.SetBuilderType(sqltInsert);
    EXPECT_TRUE(designer->Design().Tables().empty());
    EXPECT_TRUE(w.txtSQL->Lines().GetTextStr().isEmpty());
    TfrmSQL::ViewNameHook = nullptr;
    qvOption.UseLowerName = bare;
}
