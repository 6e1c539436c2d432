#include "connection/open_object_map.h"

#include <gtest/gtest.h>

using namespace qv;

TEST(OpenObjectMap, CodesToWindows)
{
    const ListSelection none;
    struct Case {
        int code;
        DefinitionWindow window;
    } cases[] = {{1, DefinitionWindow::Database},  {116, DefinitionWindow::Database}, {118, DefinitionWindow::Database},
                 {3, DefinitionWindow::User},      {125, DefinitionWindow::Schema},   {45, DefinitionWindow::Table},
                 {47, DefinitionWindow::View},     {52, DefinitionWindow::Source},    {57, DefinitionWindow::Trigger},
                 {58, DefinitionWindow::Sequence}, {60, DefinitionWindow::Synonym},   {66, DefinitionWindow::Constraint},
                 {68, DefinitionWindow::Role},     {69, DefinitionWindow::FileGroup}, {97, DefinitionWindow::Job},
                 {117, DefinitionWindow::JobSchedule}, {71, DefinitionWindow::None},  {119, DefinitionWindow::Login},
                 {120, DefinitionWindow::Login},   {200, DefinitionWindow::None}};
    for (const Case& c : cases)
        EXPECT_EQ(ResolveOpen(c.code, "d", "s", "n", omDefine, 10, "", none).window, c.window) << c.code;
    EXPECT_EQ(ResolveOpen(45, "d", "s", "T", omData, 500, "", none).topRecord, 500);
    EXPECT_EQ(DefinitionWindowClass(DefinitionWindow::JobSchedule), "Tfrmjobschedule");
}

TEST(OpenObjectMap, PartitionsOpenTheirTableOrIndex)
{
    ListSelection sel;
    OpenRequest r = ResolveOpen(73, "d", "s", "T.3", omData, 1000, "", sel);
    EXPECT_EQ(r.window, DefinitionWindow::Table);
    EXPECT_EQ(r.name, "T");
    EXPECT_EQ(r.topRecord, 0);
    EXPECT_EQ(ResolveOpen(73, "d", "s", "T", omData, 1000, "", sel).name, "");
    sel.hasItem = true;
    sel.subItems = {"d", "s", "INDEX", "Orders"};
    r = ResolveOpen(74, "d", "s", "IX.2", omDefine, 0, "", sel);
    EXPECT_EQ(r.name, "IX");
    EXPECT_EQ(r.tableName, "Orders");
}

TEST(OpenObjectMap, TableOfAnIndex)
{
    ListSelection sel;
    EXPECT_EQ(ResolveOpen(46, "d", "s", "IX", omDefine, 0, "P", sel).tableName, "P");
    // A new trigger or constraint made from a table's window gets that table.
    EXPECT_EQ(ResolveOpen(57, "d", "s", "", omDefine, 0, "P", sel).tableName, "P");
    EXPECT_EQ(ResolveOpen(66, "d", "s", "", omDefine, 0, "P", sel).tableName, "P");
    sel.hasItem = true;
    sel.subItems = {"d", "s", "INDEX", "ListedTable", "", "RowTable"};
    EXPECT_EQ(ResolveOpen(46, "d", "s", "IX", omDefine, 0, "P", sel).tableName, "P");
    sel.treeLevel = 0;
    EXPECT_EQ(ResolveOpen(46, "d", "s", "IX", omDefine, 0, "", sel).tableName, "RowTable");
    sel.treeLevel = 2;
    EXPECT_EQ(ResolveOpen(46, "d", "s", "IX", omDefine, 0, "", sel).tableName, "ListedTable");
    sel.treeLevel = 1;
    EXPECT_EQ(ResolveOpen(46, "d", "s", "IX", omDefine, 0, "", sel).tableName, "RowTable");
    sel.treeSort = 1;
    EXPECT_EQ(ResolveOpen(46, "d", "s", "IX", omDefine, 0, "", sel).tableName, "ListedTable");
}
