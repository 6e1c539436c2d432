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

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
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

namespace {

struct BuilderWindow {
    QTemporaryDir work;
    bool bare = qvOption.UseLowerName;
    TfrmMain main;
    std::shared_ptr<ScriptedSession> server = Server();
    TfrmObject conn{nullptr, "Shop", "sa", "pw", "srv", server};
    TfrmSQL w{conn.session()};
    BuilderWindow()
    {
        qvOption.TempDir = work.path() + "/";
        SqlLogStore::instance().reset();
        qvOption.UseLowerName = false;
        w.resize(900, 700);
        w.txtSQL->Lines().Assign({"select a.id, b.name, a.total", "from orders a, customers b",
                                  "where a.customer_id = b.id", "order by b.name desc"});
        w.btnShowDesign->trigger();
    }
    ~BuilderWindow() { qvOption.UseLowerName = bare; }
    QString selectList() const
    {
        const QString text = w.txtSQL->Lines().GetTextStr().simplified();
        return text.mid(7, text.indexOf(" FROM ", 0, Qt::CaseInsensitive) - 7).remove(' ').toLower();
    }
};

void mouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButtons buttons = Qt::LeftButton)
{
    QMouseEvent e(type, QPointF(pos), w->mapToGlobal(QPointF(pos)), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                  buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

} // namespace

TEST(SqlWindowBuilder, BoxesResizeByTheirBorderAndKeepTheSize)
{
    BuilderWindow b;
    auto* designer = b.w.pnlBuild->SQLDesign;
    auto* s = designer->Surface();
    ASSERT_EQ(designer->Design().Tables().size(), 2u);
    TqvSQLBuildTable* orders = designer->Design().Tables()[0].get();
    const QRect before = orders->Bounds;
    struct Case {
        QPoint grab, move;
        int dw, dh;
    } const cases[] = {
        {before.bottomRight() - QPoint(1, 1), {40, 60}, 40, 60}, // corner: both
        {QPoint(before.right() - 1, before.center().y()), {-20, 50}, -20, 0}, // right edge: width only
        {QPoint(before.center().x(), before.bottom() - 1), {0, -500}, 0, -1}, // never below the minimum
    };
    for (const auto& c : cases) {
        orders->Bounds = before;
        mouse(s, QEvent::MouseButtonPress, c.grab);
        mouse(s, QEvent::MouseMove, c.grab + c.move, Qt::LeftButton);
        mouse(s, QEvent::MouseButtonRelease, c.grab + c.move, Qt::NoButton);
        EXPECT_EQ(orders->Bounds.topLeft(), before.topLeft());
        if (c.dh >= 0) {
            EXPECT_EQ(orders->Bounds.width(), before.width() + c.dw);
            EXPECT_EQ(orders->Bounds.height(), before.height() + c.dh);
        } else {
            EXPECT_GT(orders->Bounds.height(), 0);
        }
    }
    EXPECT_LT(orders->Bounds.height(), before.height()); // the last case shrank it to its minimum
    EXPECT_GE(orders->Bounds.height(), designer->Design().Metrics.HeaderHeight + designer->Design().Metrics.AliasHeight);

    // A taller box shows all its columns; the design keeps the size while the text stays in sync.
    orders->Bounds = before.adjusted(0, 0, 60, 40);
    designer->DesignToSQL();
    EXPECT_EQ(orders->Bounds.size(), before.size() + QSize(60, 40));
    EXPECT_FALSE(s->ItemRect(orders, 3).isEmpty());
    designer->Design().Tables()[1]->Bounds.moveTo(orders->Bounds.right() + 60, 40);
    b.w.show();
    QApplication::processEvents();
    b.w.grab().save(QString(QORVEL_BINARY_DIR) + "/sql_window_builder_resized.png");
}

TEST(SqlWindowBuilder, GridRowButtonsMoveInsertAndDeleteRows)
{
    struct Case {
        int row;
        const char* button; // "up", "down", "ins", "del"
        int currentAfter;
        const char* selectList;
        int rowCount;
    } const cases[] = {
        {1, "up", 0, "b.name,a.id,a.total", 4},
        {2, "up", 1, "a.id,a.total,b.name", 4},
        {0, "up", 0, "a.id,b.name,a.total", 4},   // the first row stays
        {1, "down", 2, "a.id,a.total,b.name", 4},
        {2, "down", 2, "a.id,b.name,a.total", 4}, // the last data row stays
        {3, "up", 3, "a.id,b.name,a.total", 4},   // the empty input row never moves
        {1, "del", 1, "a.id,a.total", 3},
        {3, "del", 3, "a.id,b.name,a.total", 4},  // the input row is not deleted
        {1, "ins", 1, "a.id,b.name,a.total", 5},
    };
    for (const auto& c : cases) {
        BuilderWindow b;
        auto* page = b.w.pnlBuild;
        ASSERT_EQ(page->grdColumn->rowCount(), 4);
        page->grdColumn->setCurrentCell(c.row, gcItem);
        const QString button = c.button;
        QAction* a = button == "up" ? page->btnUpColumn : button == "down" ? page->btnDownColumn
                   : button == "ins" ? page->btnInsColumn : page->btnDelColumn;
        a->trigger();
        EXPECT_EQ(b.selectList(), c.selectList) << c.row << " " << c.button;
        EXPECT_EQ(page->grdColumn->rowCount(), c.rowCount) << c.row << " " << c.button;
        EXPECT_EQ(page->grdColumn->currentRow(), c.currentAfter) << c.row << " " << c.button;
        // The sort order stays with its row and is numbered from 1.
        const auto& rows = page->SQLDesign->Design().Rows();
        for (const auto& r : rows)
            if (r[gcItem] == "b.name")
                EXPECT_EQ(r[gcSortOrder], "1") << c.row << " " << c.button;
    }
}
