#include "connection/object_tree_model.h"

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::tree;

namespace {
QStringList Texts(const QList<Node>& nodes)
{
    QStringList out;
    for (const Node& n : nodes)
        out << n.text;
    return out;
}
} // namespace

TEST(ObjectTree, TypesByVersion)
{
    TqvOption o;
    auto names = [&](int ver, bool az) {
        QStringList out;
        for (TObjectTypeCode c : ShownTypes(o, ver, az))
            out << GetObjectTypeName(c);
        return out;
    };
    EXPECT_FALSE(names(8, false).contains("SYNONYM"));
    EXPECT_FALSE(names(8, false).contains("SEQUENCE"));
    EXPECT_TRUE(names(10, false).contains("SYNONYM"));
    EXPECT_FALSE(names(10, false).contains("SEQUENCE"));
    EXPECT_TRUE(names(11, false).contains("SEQUENCE"));
    EXPECT_FALSE(names(16, true).contains("SEQUENCE"));
    EXPECT_EQ(names(16, false), QStringList({"TABLE", "INDEX", "VIEW", "PROCEDURE", "FUNCTION", "TRIGGER", "SEQUENCE",
                                             "SYNONYM", "CONSTRAINT"}));
    o.ShowTable = o.ShowIndex = o.ShowView = o.ShowProc = o.ShowFunc = o.ShowTrigger = o.ShowSeq = o.ShowSynonym =
        o.ShowConst = false;
    EXPECT_TRUE(ShownTypes(o, 16, false).isEmpty());
}

TEST(ObjectTree, BuildDatabasesFirstAndTypesFirst)
{
    TqvOption o;
    Input in;
    in.server = "srv";
    in.productVersion = "16.0.4135.4";
    in.databases = {"tempdb", "Sales", "master", "archive"};
    in.connectionDb = "Sales";
    in.dbVer = 16;
    Node root = Build(in, o);
    EXPECT_EQ(root.text, "srv(16.0.4135.4)");
    EXPECT_EQ(root.image, 5);
    EXPECT_EQ(Texts(root.children), QStringList({"archive", "master", "Sales", "tempdb"}));
    EXPECT_EQ(root.children[2].image, 116);
    EXPECT_EQ(root.children[0].image, 1);
    EXPECT_TRUE(root.children[2].selected && root.children[2].expanded);
    EXPECT_EQ(root.children[2].children.size(), 9);

    o.UserFirst = true;
    EXPECT_EQ(Build(in, o).children.first().text, "Sales");

    in.typesFirst = true;
    root = Build(in, o);
    EXPECT_TRUE(root.selected);
    EXPECT_EQ(root.children.first().text, "TABLE");
    EXPECT_EQ(root.children.first().children.size(), 4);

    in.typesFirst = false;
    in.azure = true;
    in.disp = DispAll;
    root = Build(in, o);
    EXPECT_EQ(Texts(root.children), QStringList({"Sales"}));
    EXPECT_EQ(root.children[0].image, 137);

    in.azure = false;
    in.disp = DispConfigured;
    in.configured = {"MASTER", "sales"};
    EXPECT_EQ(Texts(Build(in, o).children), QStringList({"Sales", "master"}));
    in.configured.clear();
    EXPECT_EQ(Build(in, o).children.size(), 4);
    in.productVersion.clear();
    EXPECT_EQ(Build(in, o).text, "srv()");
}

TEST(ObjectTree, ListTargets)
{
    TqvOption o;
    ListTarget t = TargetFor(0, "srv", "", false, DispLogin, "Sales", o);
    EXPECT_TRUE(t.list);
    EXPECT_EQ(t.type, "%");
    EXPECT_EQ(t.database, "Sales");
    t = TargetFor(1, "Sales", "srv", false, DispAll, "Sales", o);
    EXPECT_EQ(t.type, "%");
    EXPECT_EQ(t.database, "Sales");
    t = TargetFor(1, "TABLE", "srv", true, DispAll, "Sales", o);
    EXPECT_EQ(t.type, "TABLE");
    EXPECT_EQ(t.database, "%");
    t = TargetFor(2, "VIEW", "Sales", false, DispAll, "Sales", o);
    EXPECT_EQ(t.type, "VIEW");
    EXPECT_EQ(t.database, "Sales");
    t = TargetFor(2, "Sales", "VIEW", true, DispAll, "Sales", o);
    EXPECT_EQ(t.type, "VIEW");
    EXPECT_EQ(t.database, "Sales");
    o.ShowLevel0 = false;
    EXPECT_FALSE(TargetFor(0, "srv", "", false, DispAll, "Sales", o).list);
}
