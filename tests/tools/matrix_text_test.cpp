// The dependency matrix without a window: type labels, the placement of related objects and
// columns in the grid, and the statements by server kind.
#include "tools/matrix/matrix_text.h"

#include <gtest/gtest.h>

using namespace qv::matrix;

namespace {

TEST(MatrixText, TypeLabels)
{
    struct Case {
        QString type, charMax, precision, scale;
        bool v9;
        QString label;
    };
    const QList<Case> cases = {
        {"varchar", "-1", "", "", true, "varchar(max)"}, {"varchar", "-1", "", "", false, "varchar(-1)"},
        {"nchar", "10", "", "", true, "nchar(10)"},      {"decimal", "", "10", "2", true, "decimal(10,2)"},
        {"float", "", "53", "", true, "float(53)"},      {"int", "", "10", "0", true, "int"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TypeLabel(c.type, c.charMax, c.precision, c.scale, c.v9), c.label) << c.label.toStdString();
}

TEST(MatrixText, RelatedObjectsGetSortedColumnsOnePerKind)
{
    Grid g;
    const int r = g.AppendRow();
    for (const auto& [name, type] : QList<QPair<QString, int>>{{"t_b", 45}, {"t_a", 45}, {"dup", 45}, {"dup", 51}, {"t_a", 45}})
        g.Set(g.PlaceColumn("Sales", name, type), r, Mark());
    // A third object of the same name meets its own column, not a new one before the first.
    EXPECT_EQ(g.PlaceColumn("Sales", "dup", 51), 2);
    EXPECT_EQ(g.PlaceColumn("Sales", "dup", 45), 3);
    g.Finish();
    ASSERT_EQ(g.ColCount(), 6);
    EXPECT_EQ(g.Text(2, 1), "dup");
    EXPECT_EQ(g.Text(3, 1), "dup");
    EXPECT_EQ(g.Object(2, 1) + g.Object(3, 1), 45 + 51);
    EXPECT_EQ(g.Text(4, 1), "t_a");
    EXPECT_EQ(g.Text(5, 1), "t_b");
    EXPECT_EQ(g.Text(4, 0), "Sales");
    EXPECT_EQ(g.Rows().at(2), (QStringList{"", "", "○", "○", "○", "○"}));
}

TEST(MatrixText, EmptySelectionGivesThreeByThree)
{
    Grid g;
    g.Finish();
    EXPECT_EQ(g.RowCount(), 3);
    EXPECT_EQ(g.ColCount(), 3);
}

TEST(MatrixText, ColumnRowsAreSortedByNameAndLabel)
{
    Grid g;
    EXPECT_EQ(g.PlaceRow("name", "nvarchar(50)"), 2);
    EXPECT_EQ(g.PlaceRow("id", "int"), 2);
    EXPECT_EQ(g.PlaceRow("name", "nvarchar(50)"), 3);
    EXPECT_EQ(g.PlaceRow("name", "varchar(10)"), 4);
    EXPECT_EQ(g.RowCount(), 5);
}

TEST(MatrixText, StatementsByKind)
{
    const QString view = RelationSql(Page::References, {15, false}, "Sales", "dbo", "v", "V ");
    EXPECT_TRUE(view.startsWith("use [Sales]\r\nselect distinct db_name(), object_name(a.depid), b.xtype from sysdepends a"));
    EXPECT_TRUE(view.contains("where object_id(e.name) = object_id(N'dbo.v')"));
    EXPECT_FALSE(view.contains("sysreferences"));
    const QString trigger = RelationSql(Page::References, {15, false}, "Sales", "dbo", "tr", "TR");
    EXPECT_TRUE(trigger.contains("object_name(a.parent_obj)"));
    const QString table8 = RelationSql(Page::References, {8, false}, "Sales", "dbo", "t", "U ");
    EXPECT_TRUE(table8.contains("inner join sysobjects c on a.depid = c.id where b.xtype = 'TR'"));
    EXPECT_FALSE(table8.contains("sys.synonyms"));
    // Azure: the foreign keys name the tables on both pages, never the constraints.
    const QString azureUp = RelationSql(Page::References, {12, true}, "Sales", "dbo", "t", "U");
    EXPECT_TRUE(azureUp.contains("from sys.foreign_keys a inner join sysobjects c on a.referenced_object_id = c.id "
                                 "where a.parent_object_id = object_id(N'dbo.t')"));
    const QString azureDown = RelationSql(Page::Referenced, {12, true}, "Sales", "dbo", "t", "U");
    EXPECT_TRUE(azureDown.contains("select db_name(), object_name(a.parent_object_id), c.xtype from sys.foreign_keys"));
    EXPECT_FALSE(azureDown.contains("sys.all_objects"));
    EXPECT_TRUE(RelationSql(Page::References, {15, false}, "Sales", "o'b", "t", "U").contains("object_id(N'o''b.t')"));
    EXPECT_TRUE(ColumnSql("Sales", true, false).contains("inner join sysindexes ind"));
    EXPECT_TRUE(ColumnSql("Sales", true, true).contains("inner join sys.indexes ind"));
}

} // namespace
