#include "platform/db/dataset.h"
#include "platform/db/fixture.h"
#include "platform/exceptions.h"
#include "db_test_helper.h"

#include <gtest/gtest.h>

using namespace qv::db;

namespace {

std::shared_ptr<ResultTable> makeTable(int rows)
{
    auto t = std::make_shared<ResultTable>(
        std::vector<ColumnDesc>{column("id", "int", false), column("name", "nvarchar(20)"), column("flag", "bit")});
    for (int r = 0; r < rows; ++r) {
        t->appendInt(0, r + 1);
        t->appendText(1, QStringLiteral("名%1").arg(r + 1));
        if (r % 2)
            t->appendNull(2);
        else
            t->appendInt(2, 1);
        t->endRow();
    }
    return t;
}

// A data link that writes every notice it receives into a shared log.
class LogLink : public DataLink {
public:
    LogLink(QString name, QStringList& log, bool visual) : m_name(std::move(name)), m_log(log) { SetVisualControl(visual); }
    int lastDistance = 0;

protected:
    void ActiveChanged() override { m_log << m_name + ":active=" + (Active() ? "1" : "0"); }
    void DataSetChanged() override { m_log << m_name + ":changed"; }
    void DataSetScrolled(int d) override
    {
        lastDistance = d;
        m_log << m_name + ":scrolled";
    }
    void LayoutChanged() override { m_log << m_name + ":layout"; }
    void EditingChanged() override { m_log << m_name + ":editing=" + (Editing() ? "1" : "0"); }
    void RecordChanged(Field* f) override { m_log << m_name + ":record(" + (f ? f->FieldName() : QString()) + ")"; }
    void UpdateData() override { m_log << m_name + ":update"; }
    void CheckBrowseMode() override { m_log << m_name + ":check"; }

private:
    QString m_name;
    QStringList& m_log;
};

struct Fixture3 : ::testing::Test {
    TableDataSet ds;
    DataSource src;
    QStringList log;
    void SetUp() override
    {
        ds.SetTable(makeTable(10));
        src.SetDataSet(&ds);
    }
};

} // namespace

TEST_F(Fixture3, NavigationAndCounts)
{
    EXPECT_EQ(ds.State(), dsInactive);
    EXPECT_EQ(ds.RecordCount(), 0);
    ds.Open();
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(ds.RecordCount(), 10);
    EXPECT_TRUE(ds.Bof());
    EXPECT_FALSE(ds.Eof());
    EXPECT_EQ(ds.RecNo(), 1);
    int seen = 0;
    for (ds.First(); !ds.Eof(); ds.Next())
        ++seen;
    EXPECT_EQ(seen, 10);
    EXPECT_EQ(ds.RecNo(), 10);
    EXPECT_EQ(ds.MoveBy(-4), -4);
    EXPECT_EQ(ds.FieldByName("ID")->AsInteger(), 6);
    EXPECT_EQ(ds.MoveBy(-100), -5);
    EXPECT_TRUE(ds.Bof());
    ds.Last();
    EXPECT_TRUE(ds.Eof());
    EXPECT_EQ(ds.FieldByName("name")->AsString(), QStringLiteral("名10"));
    ds.SetRecNo(3);
    EXPECT_EQ(ds.Fields().at(0)->AsInteger(), 3);
    EXPECT_THROW(ds.FieldByName("missing"), qv::EDatabaseError);
    EXPECT_EQ(ds.FindField("missing"), nullptr);
    ds.Close();
    EXPECT_TRUE(ds.Fields().isEmpty());
    EXPECT_THROW(ds.Next(), qv::EDatabaseError);
}

TEST_F(Fixture3, FieldsDescribeTheirColumns)
{
    ds.Open();
    Field* id = ds.Fields().at(0);
    Field* name = ds.Fields().at(1);
    Field* flag = ds.Fields().at(2);
    EXPECT_EQ(id->DataType(), FieldType::Integer);
    EXPECT_EQ(id->Alignment(), taRightJustify);
    EXPECT_EQ(name->Alignment(), taLeftJustify);
    EXPECT_EQ(name->Size(), 20);
    EXPECT_EQ(name->DisplayWidth(), 20);
    EXPECT_EQ(id->Index(), 0);
    EXPECT_TRUE(id->Required());
    EXPECT_EQ(flag->AsString(), "True");
    EXPECT_TRUE(flag->AsBoolean());
    ds.Next();
    EXPECT_TRUE(flag->IsNull());
    EXPECT_EQ(flag->AsString(), "");
    EXPECT_FALSE(flag->Value().isValid());
    name->SetDisplayLabel("名前");
    EXPECT_EQ(name->DisplayName(), QStringLiteral("名前"));
    EXPECT_EQ(name->FieldName(), "name");
}

TEST_F(Fixture3, LinksAreToldInTheLibraryOrder)
{
    LogLink a("a", log, true), b("b", log, true), n("n", log, false);
    a.SetDataSource(&src);
    n.SetDataSource(&src);
    b.SetDataSource(&src);
    QStringList sourceLog;
    src.OnStateChange = [&](DataSource&) { log << "source:state"; };
    src.OnDataChange = [&](DataSource&, Field*) { log << "source:data"; };
    ds.Open();
    EXPECT_EQ(log, QStringList({"b:active=1", "a:active=1", "n:active=1", "source:state", "source:data"}));
    log.clear();
    ds.Next();
    EXPECT_EQ(log, QStringList({"b:check", "a:check", "n:check", "b:scrolled", "a:scrolled", "n:scrolled", "source:data"}));
    log.clear();
    ds.Fields().at(1)->SetVisible(false);
    EXPECT_EQ(log, QStringList({"b:layout", "a:layout", "n:layout", "source:data"}));
    log.clear();
    ds.Close();
    EXPECT_EQ(log, QStringList({"b:active=0", "a:active=0", "n:active=0", "source:state"}));
}

TEST_F(Fixture3, EachLinkKeepsItsOwnWindow)
{
    LogLink small("s", log, true), big("g", log, true);
    small.SetBufferCount(3);
    big.SetBufferCount(20);
    small.SetDataSource(&src);
    big.SetDataSource(&src);
    ds.Open();
    EXPECT_EQ(small.RecordCount(), 3);
    EXPECT_EQ(big.RecordCount(), 10);
    ds.MoveBy(4); // record 5
    EXPECT_EQ(small.FirstRecord(), 2);
    EXPECT_EQ(small.ActiveRecord(), 2);
    EXPECT_EQ(small.lastDistance, 2);
    EXPECT_EQ(big.FirstRecord(), 0);
    EXPECT_EQ(big.ActiveRecord(), 4);
    // A grid paints another row of its window and comes back.
    small.SetActiveRecord(0);
    EXPECT_EQ(ds.FieldByName("id")->AsInteger(), 3);
    small.SetActiveRecord(2);
    EXPECT_EQ(ds.FieldByName("id")->AsInteger(), 5);
    ds.Last();
    EXPECT_EQ(small.FirstRecord(), 7);
    EXPECT_EQ(small.ActiveRecord(), 2);
    ds.First();
    EXPECT_EQ(small.FirstRecord(), 0);
}

TEST_F(Fixture3, EditPostAndRefusedWrite)
{
    LogLink a("a", log, true);
    a.SetDataSource(&src);
    std::vector<QVariantList> applied;
    bool refuse = false;
    ds.OnApplyUpdate = [&](DataSet::UpdateKind k, const QVariantList& o, const QVariantList& n) {
        if (refuse)
            throw qv::EDatabaseError("0 rows");
        applied.push_back({static_cast<int>(k), o.value(1), n.value(1)});
    };
    int afterPost = 0;
    ds.AfterPost = [&](DataSet&) { ++afterPost; };
    ds.Open();
    ds.SetRecNo(2);
    log.clear();
    ds.Edit();
    EXPECT_EQ(ds.State(), dsEdit);
    EXPECT_EQ(log, QStringList({"a:editing=1", "a:record()"}));
    log.clear();
    ds.FieldByName("name")->SetAsString("新");
    EXPECT_EQ(log, QStringList({"a:record(name)"}));
    EXPECT_TRUE(ds.Modified());
    ds.Post();
    ASSERT_EQ(applied.size(), 1u);
    EXPECT_EQ(applied[0][1].toString(), QStringLiteral("名2"));
    EXPECT_EQ(applied[0][2].toString(), QStringLiteral("新"));
    EXPECT_EQ(afterPost, 1);
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(ds.FieldByName("name")->AsString(), QStringLiteral("新"));
    EXPECT_EQ(ds.RecNo(), 2);

    refuse = true;
    ds.Edit();
    ds.FieldByName("name")->SetAsString("x");
    EXPECT_THROW(ds.Post(), qv::EDatabaseError);
    EXPECT_EQ(ds.State(), dsEdit); // still editing: the user may fix or cancel
    ds.Cancel();
    EXPECT_EQ(ds.FieldByName("name")->AsString(), QStringLiteral("新"));
    EXPECT_EQ(afterPost, 1);
    EXPECT_THROW(ds.FieldByName("name")->SetAsString("y"), qv::EDatabaseError); // not editing
}

TEST_F(Fixture3, InsertAppendDeleteAndBookmarks)
{
    ds.Open();
    ds.SetRecNo(5);
    const QByteArray b5 = ds.GetBookmark();
    ds.SetRecNo(2);
    const QByteArray b2 = ds.GetBookmark();
    ds.SetRecNo(9);
    const QByteArray b9 = ds.GetBookmark();
    EXPECT_LT(ds.CompareBookmarks(b2, b5), 0);
    EXPECT_GT(ds.CompareBookmarks(b9, b5), 0);
    EXPECT_EQ(ds.CompareBookmarks(b5, b5), 0);

    ds.SetRecNo(3);
    ds.Insert();
    EXPECT_EQ(ds.State(), dsInsert);
    EXPECT_EQ(ds.RecordCount(), 11);
    EXPECT_EQ(ds.RecNo(), 3);
    EXPECT_TRUE(ds.FieldByName("id")->IsNull());
    ds.Cancel();
    EXPECT_EQ(ds.RecordCount(), 10);
    EXPECT_EQ(ds.FieldByName("id")->AsInteger(), 3);

    ds.Insert();
    ds.FieldByName("id")->SetAsInteger(100);
    ds.Post();
    EXPECT_EQ(ds.RecordCount(), 11);
    EXPECT_EQ(ds.RecNo(), 3);
    const QByteArray bNew = ds.GetBookmark();
    EXPECT_LT(ds.CompareBookmarks(b2, bNew), 0);
    EXPECT_LT(ds.CompareBookmarks(bNew, b5), 0);

    ds.Append();
    ds.FieldByName("id")->SetAsInteger(200);
    ds.Post();
    EXPECT_EQ(ds.RecNo(), 12);

    ds.GotoBookmark(b5);
    EXPECT_EQ(ds.FieldByName("id")->AsInteger(), 5);
    ds.Delete();
    EXPECT_FALSE(ds.BookmarkValid(b5));
    EXPECT_TRUE(ds.BookmarkValid(b9));
    EXPECT_EQ(ds.FieldByName("id")->AsInteger(), 6);
    EXPECT_THROW(ds.GotoBookmark(b5), qv::EDatabaseError);
    ds.GotoBookmark(bNew);
    EXPECT_EQ(ds.FieldByName("id")->AsInteger(), 100);
    QList<int> ids;
    for (ds.First(); !ds.Eof(); ds.Next())
        ids << ds.FieldByName("id")->AsInteger();
    EXPECT_EQ(ids, QList<int>({1, 2, 100, 3, 4, 6, 7, 8, 9, 10, 200}));
}

TEST_F(Fixture3, CheckBrowseModePostsChangesAndCancelsTheRest)
{
    int posts = 0, cancels = 0;
    ds.AfterPost = [&](DataSet&) { ++posts; };
    ds.AfterCancel = [&](DataSet&) { ++cancels; };
    ds.Open();
    ds.Edit();
    ds.Next(); // unchanged: cancelled
    EXPECT_EQ(cancels, 1);
    ds.Edit();
    ds.FieldByName("flag")->Clear();
    ds.Next(); // changed: posted
    EXPECT_EQ(posts, 1);
    ds.Prior();
    EXPECT_TRUE(ds.FieldByName("flag")->IsNull());
}

TEST_F(Fixture3, DisabledControlsHearOneChangeAtTheEnd)
{
    LogLink a("a", log, true);
    a.SetDataSource(&src);
    ds.Open();
    log.clear();
    ds.DisableControls();
    ds.DisableControls();
    ds.Next();
    ds.Last();
    ds.EnableControls();
    EXPECT_TRUE(log.isEmpty());
    EXPECT_TRUE(ds.ControlsDisabled());
    ds.EnableControls();
    EXPECT_EQ(log, QStringList({"a:changed"}));
    log.clear();
    ds.DisableControls();
    ds.Edit();
    ds.EnableControls();
    EXPECT_EQ(log, QStringList({"a:editing=1", "a:changed"}));
}

TEST_F(Fixture3, ReadOnlyDataSetAndFields)
{
    ds.SetReadOnly(true);
    ds.Open();
    EXPECT_FALSE(ds.CanModify());
    EXPECT_THROW(ds.Edit(), qv::EDatabaseError);
    EXPECT_THROW(ds.Insert(), qv::EDatabaseError);
    EXPECT_THROW(ds.Delete(), qv::EDatabaseError);
    ds.Close();
    ds.SetReadOnly(false);
    ds.Open();
    ds.FieldByName("id")->SetReadOnly(true);
    ds.Edit();
    EXPECT_THROW(ds.FieldByName("id")->SetAsInteger(5), qv::EDatabaseError);
    EXPECT_THROW(ds.FieldByName("id")->SetAsString("x5"), qv::Exception);
}

TEST(DataSet, EmptyResult)
{
    TableDataSet ds;
    ds.SetTable(std::make_shared<ResultTable>(std::vector<ColumnDesc>{column("a", "int")}));
    ds.Open();
    EXPECT_TRUE(ds.IsEmpty());
    EXPECT_TRUE(ds.Eof());
    EXPECT_TRUE(ds.Bof());
    EXPECT_EQ(ds.RecNo(), 0);
    EXPECT_TRUE(ds.GetBookmark().isEmpty());
    EXPECT_TRUE(ds.Fields().at(0)->IsNull());
    EXPECT_EQ(ds.MoveBy(3), 0);
    EXPECT_THROW(ds.Delete(), qv::EDatabaseError);
    ds.Edit(); // on an empty data set this inserts
    EXPECT_EQ(ds.State(), dsInsert);
}

TEST(TableDataSetShare, OpensOnTheCallersTableAndCopiesItOnlyForTheFirstChange)
{
    auto table = makeTable(3);
    TableDataSet ds;
    ds.SetTable(table);
    ds.Open();
    EXPECT_EQ(ds.Table().get(), table.get()); // no copy at open
    ds.Edit();
    ds.FieldByName("name")->SetAsString(QStringLiteral("変更"));
    ds.Post();
    EXPECT_NE(ds.Table().get(), table.get());
    EXPECT_EQ(table->rowCount(), 3);           // the caller's table is unchanged
    EXPECT_EQ(table->text(1, 0), QStringLiteral("名1"));
    EXPECT_EQ(ds.FieldByName("name")->AsString(), QStringLiteral("変更"));
    ds.Close();
    ds.Open();                                  // a new open reads the caller's rows again
    EXPECT_EQ(ds.FieldByName("name")->AsString(), QStringLiteral("名1"));
}
