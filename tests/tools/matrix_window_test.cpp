// The dependency matrix from the connection window's command on its selected objects, on the
// scripted session: the statements per page and object, and the grid they give.
#include "tools/matrix/matrix_window.h"
#include "tools_window_helper.h"

#include <QAction>
#include <QTabWidget>
#include <QTableWidget>

using namespace qv;
using namespace qv::db;

namespace {

struct MatrixWindow : qvtest::ToolWindowTest {
    void Type(const QString& name, const QString& xtype)
    {
        auto& rule = session->fixture().exact(Received(matrix::XTypeSql("Sales")));
        rule.params = QVariantList{"dbo", name};
        rule.returns({column("xtype", "char(2)")}, {{xtype}});
    }
    void Related(matrix::Page page, const QString& name, const QString& xtype, const std::vector<QVariantList>& rows)
    {
        auto& rule = session->fixture().exact(Received(matrix::RelationSql(page, {15, false}, "Sales", "dbo", name, xtype)));
        rule.params = QVariantList{"dbo", name};
        rule.returns({column("", "nvarchar(128)"), column("", "nvarchar(128)"), column("xtype", "char(2)")}, rows);
    }
    TfrmMatrix* Open()
    {
        conn->actions()->action("actMatrix")->trigger();
        return Find<TfrmMatrix>();
    }
    static QStringList Grid(const TfrmMatrix* w)
    {
        QStringList out;
        for (const QStringList& row : w->Model().Rows())
            out << row.join("|");
        return out;
    }
};

TEST_F(MatrixWindow, ObjectPagesListWhatRefersAndIsReferred)
{
    Connect();
    Row("v_orders", 47, "Sales", "dbo");
    Type("v_orders", "V ");
    Related(matrix::Page::Referenced, "v_orders", "V", {{"Sales", "p_report", "P "}});
    Related(matrix::Page::References, "v_orders", "V",
            {{"Sales", "Orders", "U "}, {"Sales", "Customers", "U "}});
    const qsizetype mark = Mark();
    TfrmMatrix* w = Open();
    ASSERT_TRUE(w);
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(w->windowTitle(), "マトリックス表 - sa @ srv.Sales");
    EXPECT_EQ(w->CurrentPage(), matrix::Page::Referenced);
    EXPECT_EQ(From(mark), (QStringList{"use [Sales]", "use [Sales]", Received(matrix::XTypeSql("Sales")), "use [Sales]",
                                       normalizeStatement(Received(matrix::RelationSql(matrix::Page::Referenced, {15, false},
                                                                                        "Sales", "dbo", "v_orders", "V")))}));
    EXPECT_EQ(Grid(w), (QStringList{"||Sales", "||p_report", "v_orders|Sales|○"}));
    EXPECT_EQ(w->Model().Object(0, 2), 47);
    EXPECT_EQ(w->Model().Object(2, 1), 51);

    // The same object twice gives two rows.
    Row("v_orders", 47, "Sales", "dbo");
    w->pagMatrix->setCurrentWidget(w->tabObject1);
    EXPECT_EQ(w->grdMatrix->parentWidget(), w->tabObject1);
    EXPECT_EQ(Grid(w), (QStringList{"||Sales|Sales", "||Customers|Orders", "v_orders|Sales|○|○", "v_orders|Sales|○|○"}));
    EXPECT_EQ(w->grdMatrix->rowCount(), 4);
    w->resize(520, 360);
    SavePng(w, "matrix");
}

TEST_F(MatrixWindow, ColumnsPageMarksKeyColumns)
{
    Connect();
    Row("Orders", 45, "Sales", "dbo");
    Row("Lines", 45, "Sales", "dbo");
    TfrmMatrix* w = Open();
    ASSERT_TRUE(w);
    errors.clear(); // the first page's statements have no answers here
    const std::vector<ColumnDesc> cols = {column("COLUMN_NAME", "sysname"), column("DATA_TYPE", "nvarchar(128)"),
                                          column("CHARACTER_OCTET_LENGTH", "int"), column("NUMERIC_PRECISION", "tinyint"),
                                          column("NUMERIC_SCALE", "int"), column("CHARACTER_MAXIMUM_LENGTH", "int")};
    auto columns = [&](const QString& table, const std::vector<QVariantList>& rows) {
        auto& rule = session->fixture().exact(Received(matrix::ColumnSql("Sales", false, false)));
        rule.params = QVariantList{"dbo", table};
        rule.returns(cols, rows);
    };
    auto keys = [&](const QString& table, const QString& key) {
        auto& rule = session->fixture().exact(Received(matrix::PrimaryKeySql("Sales")));
        rule.params = QVariantList{"dbo", table};
        rule.returns({column("TABLE_QUALIFIER", "sysname"), column("TABLE_OWNER", "sysname"),
                      column("TABLE_NAME", "sysname"), column("COLUMN_NAME", "sysname")},
                     {{"Sales", "dbo", table, key}});
    };
    keys("Orders", "id");
    keys("Lines", "line_id");
    columns("Orders", {{"id", "int", QVariant(), 10, 0, QVariant()}, {"note", "varchar", -1, QVariant(), QVariant(), -1}});
    columns("Lines", {{"id", "int", QVariant(), 10, 0, QVariant()}, {"price", "decimal", QVariant(), 10, 2, QVariant()}});
    w->pagMatrix->setCurrentWidget(w->tabField);
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(Grid(w), (QStringList{"||Sales|Sales", "||Orders|Lines", "id|int|◎|○", "note|varchar(max)|○|",
                                    "price|decimal(10,2)||○"}));
}

} // namespace
