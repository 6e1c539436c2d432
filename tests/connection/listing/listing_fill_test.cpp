#include "connection/listing_fill.h"
#include "controls/lists/qv_listview.h"

#include <QPixmap>
#include <gtest/gtest.h>

using namespace qv;
using namespace qv::listing;

namespace {

Entry MakeEntryFor(const QString& caption, int image)
{
    Entry e;
    e.caption = caption;
    e.image = image;
    e.subItems = {QStringLiteral("db"), QStringLiteral("dbo")};
    return e;
}

struct IconSource {
    QList<int> asked;
    std::function<QIcon(int)> fn()
    {
        return [this](int code) {
            asked << code;
            QPixmap pm(16, 16);
            pm.fill(code == 1 ? Qt::red : Qt::blue);
            return QIcon(pm);
        };
    }
};

QStringList Captions(const TqvListView& list)
{
    QStringList out;
    for (int i = 0; i < list.topLevelItemCount(); ++i)
        out << list.topLevelItem(i)->text(0);
    return out;
}

} // namespace

TEST(ListFill, WithoutProgressEntriesComeAtTheEndSorted)
{
    TqvListView list;
    list.setColumnCount(3);
    IconSource icons;
    {
        ListFill fill(&list, false, icons.fn());
        EXPECT_FALSE(list.updatesEnabled());
        fill.Add(MakeEntryFor("c", 1));
        fill.Add(MakeEntryFor("a", 2));
        fill.Add(MakeEntryFor("b", 1));
        EXPECT_EQ(list.topLevelItemCount(), 0);
        fill.Finish();
    }
    EXPECT_TRUE(list.updatesEnabled());
    EXPECT_EQ(Captions(list), QStringList({"a", "b", "c"}));
    EXPECT_EQ(icons.asked, QList<int>({1, 2})); // once per type code
    QTreeWidgetItem* a = list.topLevelItem(0);
    EXPECT_EQ(a->data(0, Qt::UserRole).toInt(), 2);
    EXPECT_FALSE(a->icon(0).isNull());
    EXPECT_EQ(a->text(1), "db");
    EXPECT_EQ(a->text(2), "dbo");
}

TEST(ListFill, WithProgressEachEntryShowsAtOnce)
{
    TqvListView list;
    list.setColumnCount(3);
    list.SetSortID(-1);
    ListFill fill(&list, true, nullptr);
    EXPECT_TRUE(list.updatesEnabled());
    fill.Add(MakeEntryFor("a", 1));
    EXPECT_EQ(Captions(list), QStringList({"a"}));
    fill.Add(MakeEntryFor("b", 1));
    EXPECT_EQ(Captions(list), QStringList({"a", "b"}));
    EXPECT_TRUE(list.topLevelItem(0)->icon(0).isNull()); // no image source
    fill.Finish();
    EXPECT_EQ(Captions(list), QStringList({"b", "a"}));
}

TEST(ListFill, AFailedListingDropsWhatItCollected)
{
    TqvListView list;
    list.setColumnCount(3);
    {
        ListFill fill(&list, false, nullptr);
        fill.Add(MakeEntryFor("a", 1));
    }
    EXPECT_TRUE(list.updatesEnabled());
    EXPECT_EQ(list.topLevelItemCount(), 0);
    {
        ListFill fill(&list, true, nullptr);
        fill.Add(MakeEntryFor("a", 1)); // already shown: it stays
    }
    EXPECT_EQ(Captions(list), QStringList({"a"}));
}

TEST(ListFill, EntriesKeepTheirTextsColumnsAndTakeANewCaption)
{
    TqvListView list;
    list.setColumnCount(3);
    ListFill fill(&list, false, nullptr);
    fill.Add(MakeEntryFor("a", 45));
    fill.Finish();
    QTreeWidgetItem* a = list.topLevelItem(0);
    EXPECT_EQ(a->columnCount(), 3);
    EXPECT_EQ(a->text(0), "a");
    EXPECT_EQ(a->text(2), "dbo");
    EXPECT_EQ(a->data(0, Qt::UserRole).toInt(), 45);
    EXPECT_EQ(list.model()->data(list.model()->index(0, 1)).toString(), "db");
    // A caption changed in place (a rename) is what the list shows from then on.
    int changes = 0;
    QObject::connect(list.model(), &QAbstractItemModel::dataChanged, [&] { ++changes; });
    a->setText(0, "b");
    EXPECT_EQ(a->text(0), "b");
    EXPECT_EQ(list.model()->data(list.model()->index(0, 0)).toString(), "b");
    EXPECT_EQ(changes, 1);
}

TEST(ListFill, WithProgressALongListingEndsCompleteAndSorted)
{
    // More entries than the list shows: those below the shown rows come in steps, and the
    // finished list holds every entry once, sorted.
    TqvListView list;
    list.setColumnCount(3);
    list.resize(300, 120);
    ListFill fill(&list, true, nullptr);
    const int count = 2000;
    for (int i = 0; i < count; ++i)
        fill.Add(MakeEntryFor(QStringLiteral("t%1").arg((i * 7919) % count, 5, 10, QLatin1Char('0')), 1));
    EXPECT_GE(list.topLevelItemCount(), 1); // the first entries show at once
    fill.Finish();
    ASSERT_EQ(list.topLevelItemCount(), count);
    for (int i = 0; i < count; ++i)
        ASSERT_EQ(list.topLevelItem(i)->text(0), QStringLiteral("t%1").arg(i, 5, 10, QLatin1Char('0')));
}
