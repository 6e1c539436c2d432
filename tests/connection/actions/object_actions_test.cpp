#include "connection/object_actions.h"

#include "app/options.h"
#include "platform/exceptions.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::actions;

namespace {
Row R(const QString& name, int type, const QStringList& sub = {"Sales", "dbo", "X"})
{
    return Row{name, type, sub};
}

ActionStates ListStates(const QList<int>& types)
{
    EnableInputs in;
    in.selectedTypes = types;
    in.dbVer = 16;
    return ComputeListStates(in);
}
} // namespace

TEST(ObjectActionStates, OnlyIndexesOpenDefinitionButNotData)
{
    const ActionStates s = ListStates({46, 46});
    for (const char* on : {"actOpenDefine", "actOpenSource", "actScript", "actPrint", "actOpen", "actDelete", "actLoad"})
        EXPECT_TRUE(s.isEnabled(on)) << on;
    for (const char* off : {"actOpenData", "actOpenDataTop", "actExec", "actSynonym", "actCross", "actComment"})
        EXPECT_FALSE(s.isEnabled(off)) << off;
    EXPECT_FALSE(s.isVisible("actConstEnable"));
}

TEST(ObjectActionStates, TableOfSelections)
{
    struct Case {
        QList<int> types;
        const char* action;
        bool enabled;
    } cases[] = {
        {{}, "actOpenDefine", false},  {{}, "actOpen", false},        {{}, "actDelete", false},
        {{45}, "actOpenData", true},   {{47}, "actOpenDataTop", true}, {{51}, "actExec", true},
        {{52, 45}, "actExec", true},   {{45}, "actExec", false},      {{51}, "actSynonym", true},
        {{58}, "actCross", true},      {{60}, "actCross", false},     {{57}, "actComment", true},
        {{45}, "actComment", false},   {{66}, "actOpenDefine", true}, {{1}, "actOpenDefine", false},
        {{1}, "actAddWorkSpace", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ListStates(c.types).isEnabled(c.action), c.enabled) << c.action << " " << c.types.size();
}

TEST(ObjectActionStates, ConstraintsIndexesVersionsAndClipboard)
{
    EnableInputs in;
    in.selectedTypes = {66, 45};
    in.dbVer = 8;
    in.fragmentFlg = true;
    ActionStates s = ComputeListStates(in);
    EXPECT_TRUE(s.isVisible("actConstEnable"));
    EXPECT_TRUE(s.isVisible("actConstDisable"));
    EXPECT_TRUE(s.isVisible("actIndexFragment"));
    EXPECT_FALSE(s.isEnabled("actIndexFragment")); // the login may not read the figures
    EXPECT_FALSE(s.isEnabled("actIndexReorganize")); // version 8
    EXPECT_TRUE(s.isEnabled("actIndexRebuild"));
    EXPECT_FALSE(s.isEnabled("actPaste"));
    in.dbVer = 16;
    in.fragmentGflg = true;
    in.clipboardHasEntries = true;
    s = ComputeListStates(in);
    EXPECT_TRUE(s.isEnabled("actIndexFragment"));
    EXPECT_TRUE(s.isEnabled("actIndexReorganize"));
    EXPECT_FALSE(s.isEnabled("actIndexThreshold")); // fragmentation not shown
    EXPECT_TRUE(s.isEnabled("actPaste"));
    in.showFragmentDown = true;
    EXPECT_TRUE(ComputeListStates(in).isEnabled("actIndexThreshold"));
    in.azure = true;
    EXPECT_FALSE(ComputeListStates(in).isEnabled("actIndexThreshold"));
    EXPECT_FALSE(ComputeListStates(in).isEnabled("actLoad"));
    // The grant item: not for an index under the index node.
    in = EnableInputs{};
    in.selectedTypes = {46};
    in.treeNodeImage = 46;
    EXPECT_FALSE(ComputeListStates(in).isEnabled("mnuGrant"));
    in.treeNodeImage = 116;
    EXPECT_TRUE(ComputeListStates(in).isEnabled("mnuGrant"));
    // New object: the single action on a listing node, else the submenu.
    in.treeNodeSelected = true;
    in.onListingLevel = true;
    s = ComputeListStates(in);
    EXPECT_TRUE(s.isVisible("actNew"));
    EXPECT_FALSE(s.isVisible("mnuNew1"));
}

TEST(ObjectActionStates, NewSubmenuAndTreePopupByVersionAndAzure)
{
    EXPECT_FALSE(NewSynonymEnabled(8));
    EXPECT_TRUE(NewSynonymEnabled(9));
    EXPECT_FALSE(NewSequenceEnabled(10, false));
    EXPECT_TRUE(NewSequenceEnabled(11, false));
    EXPECT_FALSE(NewSequenceEnabled(16, true));
    const ActionStates azure = ComputeTreeStates(137, true, false);
    for (const char* shown : {"actLogon", "actUser", "actSession", "actDetach", "actDatabase"})
        EXPECT_TRUE(azure.isVisible(shown)) << shown;
    for (const char* off : {"actSession", "actStorage", "actLock", "actJob", "actBackUp", "actRestore", "actDetach"})
        EXPECT_FALSE(azure.isEnabled(off)) << off;
    const ActionStates type = ComputeTreeStates(45, false, true);
    EXPECT_FALSE(type.isVisible("actDetach"));
    EXPECT_TRUE(type.isVisible("actNew"));
}

TEST(ObjectActionStatements, DropQuotesEveryName)
{
    qvOption.UseLowerName = false; // bare names where the server reads them bare
    struct Case {
        Row row;
        bool azure;
        bool level;
        QString sql;
    } cases[] = {
        {R("T", 45), false, true, "drop table dbo.T"},
        {R("a]b", 47, {"Sales", "my schema"}), false, true, "drop view [my schema].[a]]b]"},
        {R("IX 1", 46, {"Sales", "dbo", "INDEX", "Order Lines"}), false, true, "drop index dbo.[Order Lines].[IX 1]"},
        {R("IX", 46, {"Sales", "dbo", "INDEX", "T"}), true, true, "drop index IX ON dbo.T"},
        // In a listing of every kind an index keeps its table in sub-item 5.
        {R("IX", 46, {"Sales", "dbo", "INDEX", "2024", "", "T"}), false, false, "drop index dbo.T.IX"},
        {R("CK", 66, {"Sales", "dbo", "CONSTRAINT", "C", "T;x"}), false, true, "alter table dbo.[T;x] DROP CONSTRAINT CK"},
        {R("P", 51), false, true, "drop procedure dbo.P"},
        {R("F", 52), false, true, "drop function dbo.F"},
        {R("TR", 57), false, true, "drop trigger dbo.TR"},
        {R("S", 58), false, true, "drop sequence dbo.S"},
        {R("Y", 60), false, true, "drop synonym dbo.Y"},
        {R("db", 1), false, true, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DropStatement(c.row, c.azure, c.level), c.sql);
    qvOption.UseLowerName = true;
    EXPECT_EQ(DropStatement(R("T", 45), false, true), "drop table [dbo].[T]");
}

TEST(ObjectActionStatements, RenameTakesBothNamesAsLiterals)
{
    EXPECT_EQ(RenameStatement(R("a'b", 45), "c]d", false, true), "exec sp_rename N'[dbo].[a''b]',N'c]d',N'OBJECT'");
    const Row index = R("IX'1", 46, {"Sales", "dbo", "INDEX", "T"});
    EXPECT_EQ(RenameStatement(index, "IX2", false, true), "exec sp_rename N'[dbo].[T].[IX''1]',N'IX2',N'INDEX'");
    EXPECT_EQ(RenameStatement(index, "PK2", true, true), "exec sp_rename N'[dbo].[IX''1]',N'PK2',N'OBJECT'");
    EXPECT_EQ(IndexIsConstraintSql("a'b"), " select Count(*) cnt from sysobjects where name = N'a''b'");
    for (int t : {45, 46, 58, 60, 66})
        EXPECT_TRUE(Renamable(t));
    for (int t : {47, 51, 52, 57})
        EXPECT_FALSE(Renamable(t));
}

TEST(ObjectActionStatements, ConstraintDetachAndLoad)
{
    const Row c = R("CK]", 66, {"Sales", "dbo", "CONSTRAINT", "C", "T"});
    EXPECT_EQ(ConstraintSwitchStatement(c, true), "ALTER TABLE [dbo].[T] CHECK CONSTRAINT [CK]]]");
    EXPECT_EQ(ConstraintSwitchStatement(c, false), "ALTER TABLE [dbo].[T] NOCHECK CONSTRAINT [CK]]]");
    EXPECT_EQ(DetachStatement("My DB", true, false, 16), "sp_detach_db [My DB],false, true");
    EXPECT_EQ(DetachStatement("d", false, true, 8), "sp_detach_db [d],true");
    EXPECT_EQ(LoadLines({R(" T ", 45), R("V", 47, {"db2", "s"})}), "Sales.dbo.T\r\ndb2.s.V\r\n");
}

namespace {
struct DeleteRun {
    QHash<QString, int> failuresLeft; // name → how many drops fail (−1 always)
    QStringList tried;
    DeleteOutcome run(const QList<Row>& rows, bool ignore, int escapeAfter = -1)
    {
        DeleteHooks h;
        h.drop = [this](const Row& r) {
            tried << r.name;
            int& left = failuresLeft[r.name];
            if (left != 0) {
                if (left > 0)
                    --left;
                throw EDatabaseError("cannot drop " + r.name);
            }
        };
        int polls = 0;
        h.escape = [&polls, escapeAfter] { return escapeAfter >= 0 && polls++ >= escapeAfter; };
        return RunDelete(rows, ignore, h);
    }
};
} // namespace

TEST(ObjectActionDelete, DependantsGoInASecondPass)
{
    DeleteRun d;
    d.failuresLeft["T"] = 1;
    const QList<Row> rows{R("T", 45), R("V", 47)};
    const DeleteOutcome out = d.run(rows, true);
    EXPECT_EQ(out.passes, 2);
    EXPECT_EQ(out.deleted, QList<int>({1, 0}));
    EXPECT_TRUE(out.failures.isEmpty());
    EXPECT_FALSE(out.error);
    EXPECT_EQ(d.tried, QStringList({"T", "V", "T"}));
}

TEST(ObjectActionDelete, FailuresInEveryPassAreNamedAndStaySelected)
{
    DeleteRun d;
    d.failuresLeft["A"] = -1;
    d.failuresLeft["B"] = -1;
    const QList<Row> rows{R("A", 45), R("B", 47), R("C", 47)};
    const DeleteOutcome out = d.run(rows, true);
    EXPECT_EQ(out.deleted, QList<int>({2}));
    ASSERT_EQ(out.failures.size(), 2);
    EXPECT_EQ(out.passes, 2);
    const QString text = DeleteFailureText(rows, out.failures);
    EXPECT_TRUE(text.contains("dbo.A: cannot drop A")) << text.toStdString();
    EXPECT_TRUE(text.contains("dbo.B: cannot drop B")) << text.toStdString();
    EXPECT_FALSE(text.contains("C"));
}

TEST(ObjectActionDelete, ErrorEndsTheRunWhenNotIgnoredOrTheLastRow)
{
    DeleteRun d;
    d.failuresLeft["A"] = -1;
    DeleteOutcome out = d.run({R("A", 45), R("B", 45)}, false);
    EXPECT_TRUE(out.error);
    EXPECT_EQ(out.errorRow, 0);
    EXPECT_TRUE(out.deleted.isEmpty());
    // With errors ignored the last failing row still reports (only one left selected).
    DeleteRun e;
    e.failuresLeft["A"] = -1;
    out = e.run({R("A", 45), R("B", 45)}, true);
    EXPECT_EQ(out.deleted, QList<int>({1}));
    EXPECT_TRUE(out.error);
    EXPECT_EQ(out.errorRow, 0);
}

TEST(ObjectActionDelete, EscStopsAndLeavesTheRest)
{
    DeleteRun d;
    const DeleteOutcome out = d.run({R("A", 45), R("B", 45), R("C", 45), R("D", 45)}, false, 2);
    EXPECT_TRUE(out.stopped);
    EXPECT_EQ(out.deleted, QList<int>({0, 1}));
}

TEST(ObjectActionWorkSpace, SameObjectOncePerConnection)
{
    QList<TqvObjectEntry> list;
    EXPECT_EQ(AddToWorkSpace(list, {R("T", 45)}, "sa @ srv.Sales"), 1);
    EXPECT_EQ(AddToWorkSpace(list, {R("T", 45)}, "sa @ srv.Sales"), 0);
    EXPECT_EQ(AddToWorkSpace(list, {R("T", 45)}, "sa @ other.Sales"), 1);
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list[0].Title, "T (Sales)");
    EXPECT_EQ(list[0].ParentObject, "");
}
