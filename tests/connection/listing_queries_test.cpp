#include "connection/listing_queries.h"

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::listing;

namespace {
QString Text(const Request& r)
{
    return Statement(r).join("\r\n");
}
QStringList Captions(const std::vector<Column>& cols)
{
    QStringList out;
    for (const Column& c : cols)
        out << c.valueName;
    return out;
}
} // namespace

TEST(ListingLayout, ChoiceAndColumns)
{
    EXPECT_EQ(ChooseLayout("TABLE", true), Layout::Table);
    EXPECT_EQ(ChooseLayout("TABLE", false), Layout::Source);
    EXPECT_EQ(ChooseLayout("SYNONYM", false), Layout::Source);
    EXPECT_EQ(ChooseLayout("CONSTRAINT", false), Layout::Constraint);
    EXPECT_EQ(ChooseLayout("INDEX", false), Layout::Index2);
    EXPECT_EQ(ChooseLayout("%", true), Layout::Source);
    EXPECT_EQ(ViewType(Layout::Index2), "INDEX");

    EXPECT_EQ(Captions(Columns(Layout::Table, {16, false}, false)).size(), 8);
    EXPECT_EQ(Captions(Columns(Layout::Table, {12, false}, false)).size(), 7);
    EXPECT_EQ(Captions(Columns(Layout::Table, {16, true}, false)).size(), 5);
    EXPECT_EQ(Captions(Columns(Layout::Index, {16, false}, true)),
              QStringList({"INDEX0", "INDEX1", "INDEX2", "INDEX3", "INDEX4", "INDEX5", "INDEX6", "INDEX7"}));
    EXPECT_EQ(Captions(Columns(Layout::Index, {16, false}, false)).last(), "INDEX7");
    EXPECT_EQ(Captions(Columns(Layout::Index, {16, true}, true)).size(), 5);
    EXPECT_EQ(Captions(Columns(Layout::Index2, {16, true}, true)).last(), "INDEX2_6");
    EXPECT_EQ(Captions(Columns(Layout::Source, {16, true}, false)).size(), 5);
}

TEST(ListingFind, PatternAndRowFilter)
{
    EXPECT_EQ(NamePattern(true, " ord ", true, false), "%ord%");
    EXPECT_EQ(NamePattern(true, "or%d", true, false), "or%d");
    EXPECT_EQ(NamePattern(true, "ord", false, false), "ord");
    EXPECT_EQ(NamePattern(true, "ord", true, true), "%");
    EXPECT_EQ(NamePattern(false, "ord", true, false), "%");
    EXPECT_TRUE(KeepRow("Orders", ""));
    EXPECT_FALSE(KeepRow("Orders", "ord")); // letter case kept
    EXPECT_TRUE(KeepRow("orders", "ord"));
    EXPECT_FALSE(KeepRow("orders", "o%s")); // the text literally
}

TEST(ListingDatabases, FilterByDisplayMode)
{
    const QStringList conf{"sales"};
    EXPECT_TRUE(DatabaseListed("a", 0, "%", {}));
    EXPECT_FALSE(DatabaseListed("a", 1, "b", {}));
    EXPECT_TRUE(DatabaseListed("b", 1, "b", {}));
    EXPECT_TRUE(DatabaseListed("Sales", 2, "%", conf));
    EXPECT_FALSE(DatabaseListed("Other", 2, "%", conf));
    EXPECT_FALSE(DatabaseListed("Other", 2, "%", {})); // empty configured list lists nothing
    EXPECT_TRUE(DatabaseListed("Other", 2, "Other", {}));
}

TEST(ListingStatements, TableByVersion)
{
    Request r;
    r.layout = Layout::Table;
    r.kind = {16, false};
    r.type = "TABLE";
    r.database = "db";
    const QString v16 = Text(r);
    EXPECT_TRUE(v16.startsWith("use [db]\r\nselect distinct a.xtype, a.name, N'db', schema_name(a.uid) owner, a.xtype, a.crdate, "));
    EXPECT_TRUE(v16.contains("case when d.name is not null then d.name"));
    EXPECT_TRUE(v16.contains("e.temporal_type = 2"));
    EXPECT_TRUE(v16.contains("left outer join sys.tables as temptbl"));
    EXPECT_TRUE(v16.contains("where a.name like N'%' and a.xtype in (N'U') "));
    EXPECT_TRUE(v16.contains("microsoft_database_tools_support"));

    r.kind = {12, false};
    EXPECT_FALSE(Text(r).contains("temporal_type"));
    r.kind = {8, false};
    r.showSysObj = true;
    const QString v8 = Text(r);
    EXPECT_TRUE(v8.contains("user_name(a.uid)"));
    EXPECT_TRUE(v8.contains("dbo.sysproperties"));
    EXPECT_TRUE(v8.contains("a.xtype in (N'S',N'U') "));
    EXPECT_EQ(Statement(r).size(), 1);

    r.kind = {12, true};
    const QString az = Text(r);
    EXPECT_TRUE(az.contains("dateadd(HOUR, 9, crdate) , N'(NONE)', '' as comment from dbo.sysobjects"));
    r.layout = Layout::Source;
    EXPECT_TRUE(Text(r).endsWith(" and a.xtype in ('U') "));
}

TEST(ListingStatements, SourceAllTypesAddsIndexesAndSystemViews)
{
    Request r;
    r.layout = Layout::Source;
    r.kind = {10, false};
    r.type = "%";
    r.database = "d b";
    r.pattern = "%o'k%";
    const QStringList lines = Statement(r);
    EXPECT_TRUE(lines[0].contains("where a.name like N'%o''k%'and (a.type not in"));
    EXPECT_FALSE(lines.join("").contains(" and a.type in (")); // no TYPES for all types
    EXPECT_TRUE(lines.join("").contains(" union select N'IX' xtype , c.name"));
    EXPECT_TRUE(lines.join("").contains("[d b].dbo.sysindexes c "));
    EXPECT_FALSE(lines.join("").contains("sys.all_views"));
    r.showSysObj = true;
    EXPECT_TRUE(Text(r).contains("sys.all_views"));
    r.kind = {8, false};
    EXPECT_FALSE(Text(r).contains("sys.all_views"));
    r.type = "PROCEDURE";
    EXPECT_TRUE(Text(r).contains(" and a.xtype in (N'P',N'RF',N'X')"));
    r.kind = {12, true};
    r.type = "VIEW";
    EXPECT_TRUE(Text(r).contains("dateadd(HOUR, 9, a.create_date)"));
}

TEST(ListingStatements, ConstraintAndSynonym)
{
    Request r;
    r.layout = Layout::Constraint;
    r.kind = {9, false};
    r.database = "d";
    EXPECT_EQ(Statement(r).size(), 3);
    r.showSysObj = true;
    EXPECT_EQ(Statement(r).size(), 2);
    r.kind = {12, true};
    EXPECT_TRUE(Text(r).endsWith("order by type, name"));
    r.layout = Layout::Synonym;
    EXPECT_EQ(Text(r), "use [d]\r\nselect N'SN', name, N'd', schema_name(schema_id), N'SN' xtype, base_object_name   "
                       "from sys.synonyms where name like N'%'");
}

TEST(ListingStatements, IndexFigures)
{
    Request r;
    r.layout = Layout::Index;
    r.kind = {10, false};
    r.database = "d";
    r.fragmentShown = true;
    QString t = Text(r);
    EXPECT_TRUE(t.startsWith("use [d]\r\ndeclare @dbid smallint \r\nset @dbid = (select db_id()) \r\nselect N'IX'"));
    EXPECT_TRUE(t.contains("sys.dm_db_index_physical_stats(@dbid"));
    r.fragmentShown = false;
    t = Text(r);
    EXPECT_FALSE(t.contains("declare"));
    EXPECT_TRUE(t.contains("'(権限がありません)' frg_per"));
    r.kind = {8, false};
    r.fragmentShown = true;
    EXPECT_TRUE(Text(r).contains("left outer join #temp_idx as c"));
    r.layout = Layout::Index2;
    EXPECT_TRUE(Text(r).contains("tempdb.dbo.#temp_idx as e"));
    r.kind = {12, true};
    EXPECT_FALSE(Text(r).contains("frg_per"));

    EXPECT_TRUE(NeedsContiguityReport(Layout::Index, {8, false}, true, true));
    EXPECT_FALSE(NeedsContiguityReport(Layout::Index, {8, false}, true, false));
    EXPECT_TRUE(NeedsContiguityReport(Layout::Index2, {8, false}, true, false));
    EXPECT_FALSE(NeedsContiguityReport(Layout::Index2, {9, false}, true, true));
    EXPECT_EQ(FragmentPermissionSql({9, false}, "d"),
              "use [d]\r\nselect has_perms_by_name(N'd', 'DATABASE', 'VIEW DATABASE STATE')");
    EXPECT_TRUE(FragmentPermitted({8, false}, {"0", "0", "1"}));
    EXPECT_FALSE(FragmentPermitted({9, false}, {"0", "1"}));
}

TEST(ListingEntries, RowToEntry)
{
    const QVariantList row{"U ", "Orders", "Sales", "dbo", "U ", "2024-01-01", QVariant(), "note"};
    Entry e = MakeEntry(row, Layout::Table, false);
    EXPECT_EQ(e.caption, "Orders");
    EXPECT_EQ(e.image, 45);
    EXPECT_EQ(e.subItems, QStringList({"Sales", "dbo", "TABLE", "2024-01-01", "", "note"}));

    const QVariantList ix{"IX", "IX_A", "Sales", "dbo", "IX", "Orders", "0.37", "123.45", "PRIMARY"};
    EXPECT_EQ(MakeEntry(ix, Layout::Index, true).subItems,
              QStringList({"Sales", "dbo", "INDEX", "Orders", "0.37", "123.45", "PRIMARY"}));
    EXPECT_EQ(MakeEntry(ix, Layout::Index, false).subItems, QStringList({"Sales", "dbo", "INDEX", "Orders", "PRIMARY"}));
    EXPECT_EQ(MakeEntry(ix, Layout::Source, false).subItems.size(), 7);
}
