#include "controls/lists/qv_listview.h"
#include "controls/lists/qv_treeview.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QImage>
#include <QScrollBar>
#include <QStandardItemModel>
#include <gtest/gtest.h>

using namespace qv;

namespace {

QStringList captions(const TqvListView& list)
{
    QStringList out;
    for (int i = 0; i < list.topLevelItemCount(); ++i)
        out << list.topLevelItem(i)->text(0);
    return out;
}

QStringList column(const TqvListView& list, int col)
{
    QStringList out;
    for (int i = 0; i < list.topLevelItemCount(); ++i)
        out << list.topLevelItem(i)->text(col);
    return out;
}

} // namespace

TEST(CompareNumericTexts, SignOfHundredfoldDifference)
{
    struct Case { const char* a; const char* b; int expected; };
    const Case cases[] = {
        {"1,200", "950", 1},
        {"", "950", -1},          // not a number counts as 0
        {"abc", "0", 0},
        {"1.001", "1.000", 0},     // closer than 0.005
        {"1.01", "1.00", 1},
        {"30000000", "29000000", 1}, // hundredfold difference beyond 32-bit range
        {"3.0e7", "2.9e7", 1},
        {"-5", "5", -1},
        {"1e300", "-1e300", 1},    // overflows to infinity, still ordered
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CompareNumericTexts(QString::fromUtf8(c.a), QString::fromUtf8(c.b)), c.expected) << c.a << " vs " << c.b;
        EXPECT_EQ(CompareNumericTexts(QString::fromUtf8(c.b), QString::fromUtf8(c.a)), -c.expected) << c.b << " vs " << c.a;
    }
}

TEST(TqvListView, ColumnClicksToggleAndSwitchSort)
{
    TqvListView list;
    list.setColumnCount(3);
    list.AddItem("b", {"x", "2"});
    list.AddItem("a", {"z", "3"});
    list.AddItem("c", {"y", "1"});
    EXPECT_EQ(list.SortID(), 1);
    int clicked = -1;
    QObject::connect(&list, &TqvListView::ColumnClicked, [&](int c) { clicked = c; });

    list.ColumnClick(2);
    EXPECT_EQ(list.SortID(), 3);
    EXPECT_EQ(clicked, 2);
    EXPECT_EQ(column(list, 2), (QStringList{"1", "2", "3"}));
    list.ColumnClick(2);
    EXPECT_EQ(list.SortID(), -3);
    EXPECT_EQ(column(list, 2), (QStringList{"3", "2", "1"}));
    list.ColumnClick(1);
    EXPECT_EQ(list.SortID(), 2);
    EXPECT_EQ(column(list, 1), (QStringList{"x", "y", "z"}));
    // caption column: id 1 → first click on it reverses
    list.ColumnClick(0);
    EXPECT_EQ(list.SortID(), 1);
    EXPECT_EQ(captions(list), (QStringList{"a", "b", "c"}));
    list.ColumnClick(0);
    EXPECT_EQ(captions(list), (QStringList{"c", "b", "a"}));
}

TEST(TqvListView, RightAlignedColumnsSortAsNumbers)
{
    TqvListView list;
    list.setColumnCount(2);
    list.SetColumnAlignment(1, Qt::AlignRight);
    list.AddItem("a", {"1,200"});
    list.AddItem("b", {"950"});
    list.AddItem("c", {""});
    list.AddItem("d", {"30000000"});
    list.AddItem("e", {"29000000"});
    list.ColumnClick(1);
    EXPECT_EQ(column(list, 1), (QStringList{"", "950", "1,200", "29000000", "30000000"}));
    if (!qEnvironmentVariableIsEmpty("QORVEL_FRAME_PNG_DIR")) {
        list.setHeaderLabels({"名前", "件数"});
        list.resize(300, 160);
        list.show();
        list.grab().save(qEnvironmentVariable("QORVEL_FRAME_PNG_DIR") + "/listview.png");
    }
    list.ColumnClick(1);
    EXPECT_EQ(column(list, 1), (QStringList{"30000000", "29000000", "1,200", "950", ""}));

    // Left-aligned, the same texts sort as texts.
    list.SetColumnAlignment(1, Qt::AlignLeft);
    list.SetSortID(0);
    list.ColumnClick(1);
    EXPECT_EQ(column(list, 1).first(), "");
    EXPECT_EQ(column(list, 1)[1], "1,200");
}

TEST(TqvListView, CompareHandlerAndMissingSubItems)
{
    TqvListView list;
    list.setColumnCount(3);
    auto* a = list.AddItem("a", {"q"});
    auto* b = list.AddItem("b", {"p", "k"});
    list.SetSortID(3);
    EXPECT_LT(list.Compare(a, b), 0); // a has no sub-item 1: empty text first
    list.SetSortID(9);                // beyond the columns: equal
    EXPECT_EQ(list.Compare(a, b), 0);
    list.SetSortID(0);
    EXPECT_EQ(list.Compare(a, b), 0);
    list.SetSortID(2);
    list.OnCompare = [](QTreeWidgetItem*, QTreeWidgetItem*, int& r) { r = -r; };
    EXPECT_LT(list.Compare(a, b), 0); // "q" > "p", reversed by the handler
}

TEST(TqvListView, CopySelectedCaptionsAndSelectAll)
{
    TqvListView list;
    list.setColumnCount(2);
    list.setSelectionMode(QAbstractItemView::ExtendedSelection);
    for (const char* s : {"one", "two", "three"})
        list.AddItem(s, {"sub"});
    QApplication::clipboard()->setText("before");
    list.CopyToClipboard(); // nothing selected: clipboard kept
    EXPECT_EQ(QApplication::clipboard()->text(), "before");
    list.topLevelItem(2)->setSelected(true);
    list.topLevelItem(0)->setSelected(true);
    list.CopyToClipboard();
    EXPECT_EQ(QApplication::clipboard()->text(), "one\r\nthree");
    list.SelectAllItems();
    EXPECT_EQ(list.selectedItems().size(), 3);

    list.clearSelection();
    list.setSelectionMode(QAbstractItemView::SingleSelection);
    list.SelectAllItems(); // single selection: ignored
    EXPECT_EQ(list.selectedItems().size(), 0);
}

TEST(TqvTreeNode, FindNameAndDataDepthFirst)
{
    TqvTreeView tree;
    TqvTreeNode* root = tree.AddNode(nullptr, "root");
    TqvTreeNode* x = tree.AddNode(root, "x");
    TqvTreeNode* deep = tree.AddNode(x, "ABC");
    TqvTreeNode* full = tree.AddNode(root, QStringLiteral("ＡＢＣ"));
    TqvTreeNode* later = tree.AddNode(root, "abc");
    TqvTreeNode* empty = tree.AddNode(root, "");
    int tag1 = 0, tag2 = 0;
    deep->Data = &tag1;
    later->Data = &tag2;

    EXPECT_EQ(root->FindName("abc", false), later);  // children only; full-width is different
    EXPECT_EQ(root->FindName("abc", true), deep);    // x's children searched before x's siblings
    EXPECT_EQ(root->FindName("", false), empty);
    EXPECT_EQ(root->FindName(QStringLiteral("ａｂｃ"), false), nullptr);
    EXPECT_EQ(root->FindName(QStringLiteral("ＡＢＣ"), false), full);
    EXPECT_EQ(root->FindData(&tag1, false), nullptr);
    EXPECT_EQ(root->FindData(&tag1, true), deep);
    EXPECT_EQ(root->FindData(&tag2, true), later);
    EXPECT_TRUE(SameTextAscii(QStringLiteral("Éa"), QStringLiteral("ÉA")));
    EXPECT_FALSE(SameTextAscii(QStringLiteral("é"), QStringLiteral("É"))); // only A–Z fold
}

namespace {

struct HeaderedTree {
    QWidget window;
    QStandardItemModel model{0, 3};
    QHeaderView header{Qt::Horizontal, &window};
    TqvTreeView tree{&window};
    HeaderedTree()
    {
        model.setHorizontalHeaderLabels({"名前", "型", "サイズ"});
        model.setHeaderData(2, Qt::Horizontal, int(Qt::AlignRight), Qt::TextAlignmentRole);
        header.setModel(&model);
        header.resizeSection(0, 160);
        header.resizeSection(1, 110);
        header.resizeSection(2, 90);
        header.setGeometry(0, 0, 400, 24);
        tree.setGeometry(0, 24, 400, 180);
        tree.SetHeaderControl(&header);
        window.resize(400, 204);
    }
};

} // namespace

TEST(TqvTreeView, DrawsSubItemsInHeaderSections)
{
    HeaderedTree t;
    TqvTreeNode* table = t.tree.AddNode(nullptr, "dbo.Customers");
    TqvTreeNode* col = t.tree.AddNode(table, "CustomerID");
    col->SetSubItems({"int", "4", "extra"}); // three sub-items, two columns after the first
    TqvTreeNode* col2 = t.tree.AddNode(table, "CompanyName_with_a_really_long_name_here");
    col2->SetSubItems({"nvarchar", "80"});
    t.tree.expandAll();
    t.tree.setCurrentItem(col);

    std::vector<int> drawn;
    t.tree.OnCustomDrawSubItem = [&](TqvTreeView*, TqvTreeNode* node, bool& def, const QRect& r, QStyle::State, int i) {
        if (node == col) {
            drawn.push_back(i);
            EXPECT_EQ(r.left(), t.header.sectionViewportPosition(i + 1));
        }
        if (node == col2 && i == 0)
            def = false; // suppresses "nvarchar"
    };
    t.window.show();
    const QImage img = t.window.grab().toImage();
    if (!qEnvironmentVariableIsEmpty("QORVEL_FRAME_PNG_DIR"))
        img.save(qEnvironmentVariable("QORVEL_FRAME_PNG_DIR") + "/treeview.png");
    EXPECT_EQ(drawn, (std::vector<int>{0, 1})); // "extra" has no section
    EXPECT_EQ(t.tree.TextClipRight(), 155);

    int scrolled = 0;
    QObject::connect(&t.tree, &TqvTreeView::Scrolled, [&] { ++scrolled; });
    for (int i = 0; i < 40; ++i)
        t.tree.AddNode(table, QString("c%1").arg(i));
    t.tree.doItemsLayout();
    t.tree.verticalScrollBar()->setValue(5);
    EXPECT_GE(scrolled, 1);

    // Resizing a section repaints with the new clip.
    t.header.resizeSection(0, 100);
    EXPECT_EQ(t.tree.TextClipRight(), 95);
}

TEST(TqvTreeView, WithoutHeaderClipsAtClientWidth)
{
    TqvTreeView tree;
    tree.resize(200, 100);
    TqvTreeNode* n = tree.AddNode(nullptr, "n");
    n->SetSubItems({"never drawn"});
    int calls = 0;
    tree.OnCustomDrawSubItem = [&](auto*, auto*, bool&, const QRect&, QStyle::State, int) { ++calls; };
    tree.show();
    (void)tree.grab();
    EXPECT_EQ(tree.TextClipRight(), tree.viewport()->width() - 5);
    EXPECT_EQ(calls, 0);
}

TEST(TqvListView, SortingGivesTheOrderOfPairwiseComparisonInEveryLocale)
{
    const QStringList texts = {"b",  "B",    "a",       "",     "Ä",       "ä",       "テーブル", "ﾃｰﾌﾞﾙ", "てーぶる",
                               "漢字", "Table_10", "Table_9", "table_9", "a b", "ab", "a-b", "Z",      "",       "b",
                               "\U0001F600", "\uE000x"}; // UTF-16 order differs from code-point order here
    const QStringList numbers = {"1,200", "950", "", "abc", "1.001", "1.000", "-5", "1e300", "3.0e7", "950.004"};
    const QLocale saved;
    for (const char* name : {"C", "ja_JP", "en_US", "de_DE"}) {
        QLocale::setDefault(QLocale(QString::fromLatin1(name)));
        for (int id : {1, -1, 2, -2}) {
            TqvListView list;
            list.setColumnCount(2);
            list.SetColumnAlignment(1, Qt::AlignRight);
            list.setSelectionMode(QAbstractItemView::ExtendedSelection);
            std::vector<QTreeWidgetItem*> expected;
            for (qsizetype i = 0; i < texts.size(); ++i)
                expected.push_back(list.AddItem(texts[i], {numbers[i % numbers.size()]}));
            expected[3]->setSelected(true);
            expected[7]->setSelected(true);
            list.setCurrentItem(expected[5], 0, QItemSelectionModel::NoUpdate);
            list.SetSortID(id);
            std::stable_sort(expected.begin(), expected.end(),
                             [&](QTreeWidgetItem* a, QTreeWidgetItem* b) { return list.Compare(a, b) < 0; });
            list.SortItems();
            std::vector<QTreeWidgetItem*> sorted;
            for (int i = 0; i < list.topLevelItemCount(); ++i)
                sorted.push_back(list.topLevelItem(i));
            EXPECT_EQ(sorted, expected) << name << " sort id " << id;
            EXPECT_EQ(list.selectedItems().size(), 2);
            EXPECT_EQ(list.currentItem()->text(0), texts[5]);
        }
    }
    QLocale::setDefault(saved);
}
