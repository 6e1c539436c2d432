// The storage clause frame: the clause text (names bracketed with "]" doubled), the kind
// items per owner and server version, the reads of an existing object's storage, the checks
// and the snapshot, on the scripted session.
#include "objects/storage_frame.h"
#include "objects/storage_text.h"

#include "app/qvform.h"
#include "controls/inputs/inputs.h"
#include "platform/exceptions.h"
#include "support/test_env.h"
#include "tables/define_session_helper.h"

#include <QDir>

#include <QStackedWidget>

using namespace qv;
using namespace qv::db;
using namespace qvtest;

TEST(StorageText, Clause)
{
    using namespace qv::storage;
    const struct {
        Kind kind;
        QString fileGroup, scheme, column, clause;
    } cases[] = {
        {Standard, "PRIMARY", "", "", "ON [PRIMARY]"},
        {Standard, "x]y", "", "", "ON [x]]y]"},
        {Standard, "", "ps", "c", ""},
        {Partition, "PRIMARY", "psDate", "OrderDate", "ON [psDate]([OrderDate])"},
        {Partition, "", "p]s", "c]1", "ON [p]]s]([c]]1])"},
        {Partition, "", "ps", "", ""},
        {Temporary, "PRIMARY", "ps", "c", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Clause(c.kind, c.fileGroup, c.scheme, c.column), c.clause) << c.fileGroup.toStdString();
    EXPECT_EQ(KindOfText(QString::fromUtf8("一時表")), Temporary);
    EXPECT_EQ(KindOfText(QString::fromUtf8("パーティション")), Partition);
    EXPECT_EQ(KindOfText("anything"), Standard);
}

namespace {
struct StorageFrame : DefineSession {
    std::unique_ptr<TqvForm> owner;
    std::unique_ptr<TfraStorage> frame;

    void Make(int ownerType)
    {
        Connect();
        session->fixture().exact("use [sales]");
        session->fixture().exact("use [tempdb]");
        owner = std::make_unique<TqvForm>(conn);
        owner->SetObjType(ownerType);
        frame = std::make_unique<TfraStorage>(owner.get());
    }
    void TearDown() override
    {
        frame.reset();
        owner.reset(); // before the connection window goes (it would take its windows along)
        DefineSession::TearDown();
    }
    QStringList Items() const
    {
        QStringList out;
        for (int i = 0; i < frame->cmbStorageType->count(); ++i)
            out << frame->cmbStorageType->itemText(i);
        return out;
    }
};
} // namespace

TEST_F(StorageFrame, KindItemsPerOwnerAndInitKeepsThem)
{
    Make(46);
    frame->Init("sales", "dbo", "IX_a", "Orders");
    EXPECT_EQ(Items(), QStringList({QString::fromUtf8("標準"), QString::fromUtf8("パーティション")}));
    EXPECT_EQ(frame->TableName(), "Orders");
    frame->cmbStorageType->setCurrentIndex(1); // an index's partition item is the second
    EXPECT_EQ(frame->pagStorage->currentWidget(), frame->tabPartition);
    EXPECT_TRUE(owner->Modified());
    frame->Init("other", "s", "IX_b", "T2");
    EXPECT_EQ(frame->TableName(), "Orders");
    EXPECT_EQ(Items().size(), 2);

    owner->SetObjType(45);
    TfraStorage table(owner.get());
    table.Init("sales", "dbo", "Orders", "");
    EXPECT_EQ(table.cmbStorageType->count(), 3);
    EXPECT_EQ(table.TableName(), "Orders");
}

TEST_F(StorageFrame, ReadsTheFileGroupAndWritesTheClause)
{
    Make(45);
    FixtureRule& type = session->fixture().exact(storage::DataSpaceTypeSql(45).replace(":OWNER", "?").replace(":NAME", "?"));
    type.returns({column("type", "char(2)")}, {{"FG"}});
    FixtureRule& fg = session->fixture().exact(storage::FileGroupSql(45).replace(":OWNER", "?").replace(":NAME", "?"));
    fg.params = QVariantList{"dbo", "Orders"};
    fg.returns({column("", "sysname")}, {{"x]y"}, {"PRIMARY"}});
    frame->Init("sales", "dbo", "Orders", "");
    frame->ShowDefine();
    frame->Save();
    EXPECT_EQ(frame->cmbFileGroup->currentText(), "x]y");
    EXPECT_FALSE(frame->IsCreate());
    QStringList source{"CREATE TABLE [dbo].[Orders] (", ")"};
    frame->GetSourceCreate(source);
    EXPECT_EQ(source.last(), "ON [x]]y]");
    // Without ShowStorageSource the window's DDL has no clause; a written script has.
    const bool saved = qvOption.ShowStorageSource;
    qvOption.ShowStorageSource = false;
    QStringList shown;
    frame->GetSourceCreate(shown);
    EXPECT_TRUE(shown.isEmpty());
    owner->SourceMode = smText;
    frame->GetSourceCreate(shown);
    EXPECT_EQ(shown, QStringList({"ON [x]]y]"}));
    qvOption.ShowStorageSource = saved;
}

TEST_F(StorageFrame, PartitionedIndex)
{
    Make(46);
    FixtureRule& type = session->fixture().exact(storage::DataSpaceTypeSql(46).replace(":OWNER", "?").replace(":NAME", "?"));
    type.params = QVariantList{"dbo", "IX_d"};
    type.returns({column("type", "char(2)")}, {{"PS"}});
    FixtureRule& part = session->fixture().exact(storage::PartitionSql(46).replace(":OWNER", "?").replace(":NAME", "?"));
    part.returns({column("name", "sysname"), column("name", "sysname")}, {{"psDate", "ORDERDATE"}});
    frame->Init("sales", "dbo", "IX_d", "Orders");
    frame->ShowDefine();
    EXPECT_EQ(frame->cmbStorageType->currentText(), QString::fromUtf8("パーティション"));
    EXPECT_EQ(frame->pagStorage->currentWidget(), frame->tabPartition);
    QStringList source;
    frame->GetSourceCreate(source);
    EXPECT_EQ(source, QStringList({"ON [psDate]([ORDERDATE])"}));
    // A look by eye: the partition page laid out.
    frame->resize(460, 160);
    const QString dir = qEnvironmentVariable("QORVEL_RENDER_DIR", testHome());
    QDir().mkpath(dir);
    EXPECT_TRUE(frame->grab().save(dir + "/storage_frame_partition.png"));
}

TEST_F(StorageFrame, GlobalTemporaryTableInTempdb)
{
    Make(45);
    frame->Init("tempdb", "dbo", "##work", "");
    const qsizetype mark = Mark();
    frame->ShowDefine();
    frame->Save();
    EXPECT_EQ(Mark(), mark); // nothing is read
    EXPECT_EQ(frame->cmbStorageType->currentText(), QString::fromUtf8("一時表"));
    EXPECT_TRUE(frame->rdoGlobal->isChecked());
    EXPECT_FALSE(frame->cmbStorageType->isEnabled());
    frame->rdoLocal->setChecked(true); // changing only the radio button asks for a re-create
    EXPECT_TRUE(frame->IsCreate());
    QStringList source;
    frame->GetSourceCreate(source);
    EXPECT_TRUE(source.isEmpty());
}

TEST_F(StorageFrame, ChecksWarnInOrder)
{
    Make(45);
    frame->Init("sales", "dbo", "Orders", "");
    EXPECT_THROW(frame->Check(), EAbort);
    frame->cmbFileGroup->setEditText("PRIMARY");
    EXPECT_NO_THROW(frame->Check());
    frame->cmbStorageType->setCurrentIndex(2);
    EXPECT_THROW(frame->Check(), EAbort);
    frame->cmbPartition->setEditText("ps");
    EXPECT_THROW(frame->Check(), EAbort);
    frame->cmbPartItem->setEditText("c");
    EXPECT_NO_THROW(frame->Check());
    EXPECT_EQ(boxes, QStringList({"48:" + QString::fromUtf8("ファイルグループを指定して下さい。"),
                                  "48:" + QString::fromUtf8("パーティション名を指定して下さい。"),
                                  "48:" + QString::fromUtf8("パーティション列名を指定して下さい。")}));
}

TEST_F(StorageFrame, DropDownListsReadTheDatabase)
{
    Make(46);
    frame->Init("sales", "dbo", "IX_a", "Orders");
    session->fixture().exact("use [sales]\nselect * from sys.partition_schemes")
        .returns({column("name", "sysname"), column("data_space_id", "int")}, {{"ps1", 65601}, {"ps2", 65602}});
    FixtureRule& cols = session->fixture().exact(storage::ColumnListSql().replace(":OWNER", "?").replace(":NAME", "?"));
    cols.params = QVariantList{"dbo", "Orders"};
    cols.returns({column("name", "sysname")}, {{"OrderID"}, {"OrderDate"}});
    QStringList list;
    frame->GetPartition(list, "sales");
    EXPECT_EQ(list, QStringList({"ps1", "ps2"}));
    frame->GetColumn(list, "sales", "dbo", "Orders");
    EXPECT_EQ(list, QStringList({"OrderID", "OrderDate"}));
    EXPECT_EQ(storage::ColumnListSql(), "select name from syscolumns where id = object_id(quotename(:OWNER) + '.' + quotename(:NAME))");
}
