// The index window on the scripted session, opened through the connection window as the
// object list opens it: the load of an existing index, the statements of a fill-factor-only
// change, of a disabled index and of a new index, the refused fill factor, the 2000 forms,
// the script routine and the rendering.
#include "objects/index_text.h"
#include "objects/index_window.h"
#include "app/options.h"
#include "objects/storage_frame.h"
#include "objects/storage_text.h"

#include "app/message_box.h"
#include "connection/ddl_exec.h"
#include "controls/inputs/inputs.h"
#include "platform/exceptions.h"
#include "support/test_env.h"
#include "tables/define_script.h"
#include "tables/define_session_helper.h"

#include <QBuffer>
#include <QDir>
#include <QRegularExpression>
#include <QTabWidget>
#include <QPushButton>
#include <QTimer>

using namespace qv;
using namespace qv::db;
using namespace qvtest;

namespace {

// The statement as the session receives it: parameter markers become "?".
QString Sent(const QString& sql)
{
    static const QRegularExpression marker(QStringLiteral(":[A-Za-z_]+"));
    return QString(sql).replace(marker, QStringLiteral("?"));
}

void saveGrab(QWidget* w, const QString& name)
{
    const QString dir = qEnvironmentVariable("QORVEL_RENDER_DIR", testHome());
    QDir().mkpath(dir);
    EXPECT_TRUE(w->grab().save(dir + "/" + name + ".png")) << name.toStdString();
}

struct IndexWindow : DefineSession {
    int version = 15;

    // A run stopped at an error keeps its execution window open: close it (as the user would)
    // so that the failure is reported instead of waiting.
    QTimer closer;
    void SetUp() override
    {
        DefineSession::SetUp();
        QObject::connect(&closer, &QTimer::timeout, [] {
            for (TfrmDDLExec* e : TfrmDDLExec::OpenWindows())
                if (e->btnOK->isEnabled())
                    e->close();
        });
        closer.start(50);
    }
    void Start(int ver = 15)
    {
        version = ver;
        if (ver < 9) {
            // A SQL Server 2000 log-on: these answers come before the helper's own.
            Answer("select SERVERPROPERTY('productversion')", "8.00.2039");
            Answer(catalog::facts::ProductVersion, "8.00.2039");
        }
        Connect();
        for (const char* db : {"use [sales]", "use [master]"})
            session->fixture().exact(db);
        // The DDL the window runs.
        session->fixture().pattern("(IF EXISTS|CREATE|ALTER|DROP|drop) .*").affects(0);
    }
    void Rule(const QString& sql, const QVariantList& params, std::vector<ColumnDesc> cols, std::vector<QVariantList> rows)
    {
        FixtureRule& r = session->fixture().exact(Sent(sql));
        r.params = params;
        r.returns(std::move(cols), std::move(rows));
    }
    // IX_Orders on dbo.Orders in sales: (CustomerID, OrderedAt DESC), nonclustered, on PRIMARY.
    void Existing(int fillFactor = 0, bool disabled = false, bool padded = false, const QVariant& filter = QVariant())
    {
        if (version >= 9)
            Rule(index::IndexSql(version, "sales", "dbo", "Orders"), {"IX_Orders", "dbo"},
                 {column("", "nvarchar(128)"), column("", "nvarchar(128)"), column("type", "tinyint"),
                  column("is_unique", "bit"), column("is_disabled", "bit"), column("fill_factor", "tinyint"),
                  column("is_primary_key", "bit"), column("is_unique_constraint", "bit"), column("is_padded", "bit"),
                  column("filter_definition", "nvarchar(max)")},
                 {{"sales", "Orders", 2, false, disabled, fillFactor, false, false, padded, filter}});
        else
            Rule(index::IndexSql(version, "sales", "dbo", "Orders"), {"IX_Orders", "dbo"},
                 {column("", "nvarchar(128)"), column("", "nvarchar(128)"), column("", "int"), column("", "int"),
                  column("", "int"), column("", "int")},
                 {{"sales", "Orders", 0, 0, QVariant(), fillFactor}});
        if (version >= 9)
            Rule(storage::DataSpaceTypeSql(46), {"dbo", "IX_Orders"}, {column("type", "char(2)")}, {{"FG"}});
        Rule(storage::FileGroupSql(46), {"dbo", "IX_Orders", "dbo", "Orders"}, {column("", "sysname")}, {{"PRIMARY"}});
        Rule(index::TableColumnSql(), {"dbo", "Orders"}, {column("name", "sysname")},
             {{"OrderID"}, {"CustomerID"}, {"OrderedAt"}, {"Status"}});
        Rule(index::KeyColumnSql(version), {"dbo", "Orders", "IX_Orders"},
             {column("name", "sysname"), column("d", "int")}, {{"CustomerID", 0}, {"OrderedAt", 1}});
        if (version >= 9)
            Rule(index::IncludedColumnSql(), {"dbo", "Orders", "IX_Orders"}, {column("name", "sysname")}, {});
    }
    TfrmIndex* OpenIndex(const QString& name, const QString& table = "Orders")
    {
        QWidget* w = conn->OpenObject(46, "sales", "dbo", name, omDefine, false, 0, table);
        if (w)
            main->AddChildWindow(w);
        return qobject_cast<TfrmIndex*>(w);
    }
    // The DDL batches sent since mark (the reads left out).
    QStringList Batches(qsizetype mark) const
    {
        QStringList out;
        for (const QString& s : StatementsFrom(mark)) {
            static const QRegularExpression ddl(QStringLiteral("^(IF EXISTS|CREATE|ALTER|DROP|drop) "));
            if (ddl.match(s).hasMatch())
                out << QString(s).replace("\r\n", "\n");
        }
        return out;
    }
};

const QString DropBatch = "IF EXISTS (SELECT * FROM sys.indexes WHERE name = N'IX_Orders' and object_id = "
                          "object_id(N'[dbo].[Orders]'))\nDROP INDEX [dbo].[Orders].[IX_Orders]";

} // namespace

TEST_F(IndexWindow, LoadsTheIndexWithItsColumnsAndStorage)
{
    Start();
    Existing(90);
    TfrmIndex* w = OpenIndex("IX_Orders");
    ASSERT_TRUE(w) << boxes.join("\n").toStdString() << errors.join("\n").toStdString();
    EXPECT_EQ(w->windowTitle(), "INDEX - sales.dbo.Orders.IX_Orders @ srv.master");
    EXPECT_EQ(w->cmbTableName->currentText(), "Orders");
    EXPECT_EQ(w->cmbTableOwner->currentText(), "dbo");
    EXPECT_FALSE(w->chkCluster->isChecked());
    EXPECT_FALSE(w->chkUnique->isChecked());
    EXPECT_TRUE(w->chkEnable->isChecked());
    EXPECT_TRUE(w->chkEnable->isEnabled());
    EXPECT_TRUE(w->chkFillFactor->isChecked());
    EXPECT_EQ(w->txtFillFactorPercent->text(), "90");
    EXPECT_EQ(w->lstIdxCol->count(), 2);
    EXPECT_EQ(w->lstTabCol->count(), 4);
    EXPECT_EQ(w->fraStorage->cmbFileGroup->currentText(), "PRIMARY");
    EXPECT_FALSE(w->Modified());
    EXPECT_FALSE(w->IsCreate());
    EXPECT_EQ(OpenIndex("IX_Orders"), nullptr); // one window per index
    w->pagObject->setCurrentWidget(w->tabDefine);
    w->resize(946, 498);
    saveGrab(w, "index_window");
    w->pagObject->setCurrentWidget(w->tabStorage);
    saveGrab(w, "index_window_storage");
}

// Output of an unmodified index: its CREATE script saved as schema.table.name.sql; a change
// turns output off until it is applied or reverted.
TEST_F(IndexWindow, SavesItsCreateScriptWhenUnmodified)
{
    Start();
    Existing(90);
    TfrmIndex* w = OpenIndex("IX_Orders");
    ASSERT_TRUE(w);
    ASSERT_TRUE(w->actOutput && w->actPrint && w->actSave);
    EXPECT_TRUE(w->actSave->isEnabled());
    QTemporaryDir dir;
    const SavedOutput saved = SaveOutput(w, dir);
    EXPECT_EQ(saved.proposed, dir.path() + "/dbo.Orders.IX_Orders.sql");
    EXPECT_TRUE(saved.text.contains("CREATE") && saved.text.contains("[IX_Orders]")) << saved.text.toStdString();
    EXPECT_EQ(boxes.value(boxes.size() - 1), "64:" + QString::fromUtf8("スクリプトが出力されました。"));
    EXPECT_EQ(qvOption.FileDir, dir.path() + "/");
    w->txtFillFactorPercent->setText("80");
    EXPECT_FALSE(w->actSave->isEnabled());
    EXPECT_FALSE(w->actPrint->isEnabled());
}

TEST_F(IndexWindow, FillFactorOnlyChangeDropsCreatesAndRebuilds)
{
    Start();
    Existing();
    TfrmIndex* w = OpenIndex("IX_Orders");
    ASSERT_TRUE(w);
    w->chkFillFactor->click();
    w->txtFillFactorPercent->setText("80");
    EXPECT_TRUE(w->Modified());
    EXPECT_FALSE(w->IsCreate()); // the fill factor alone forces nothing
    const qsizetype mark = Mark();
    w->actCompile->trigger();
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join("\n").toStdString();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(StatementsFrom(mark).value(0), "use [sales]");
    EXPECT_EQ(Batches(mark), QStringList({DropBatch,
                                          "CREATE INDEX [IX_Orders]\nON [dbo].[Orders]\n([CustomerID], [OrderedAt] DESC)\n"
                                          "WITH FILLFACTOR = 80\nON [PRIMARY]",
                                          "ALTER INDEX [IX_Orders] ON [dbo].[Orders] REBUILD"}));
    EXPECT_FALSE(w->Modified());
}

TEST_F(IndexWindow, PaddingAndFilterSurviveTheReCreate)
{
    Start();
    Existing(75, false, true, "([Status]=N'受付')");
    TfrmIndex* w = OpenIndex("IX_Orders");
    ASSERT_TRUE(w);
    EXPECT_TRUE(w->chkPadIndex->isChecked());
    EXPECT_TRUE(w->txtFilter->isEnabled());
    EXPECT_EQ(w->txtFilter->text().toStdString(), "([Status]=N'受付')");
    w->resize(946, 498);
    saveGrab(w, "index_window_filtered");
    w->txtFillFactorPercent->setText("70");
    const qsizetype mark = Mark();
    w->actCompile->trigger();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(Batches(mark).value(1).toStdString(),
              "CREATE INDEX [IX_Orders]\nON [dbo].[Orders]\n([CustomerID], [OrderedAt] DESC)\n"
              "WHERE ([Status]=N'受付')\nWITH PAD_INDEX, FILLFACTOR = 70\nON [PRIMARY]");
    // Unchecking the fill factor drops the padding; a clustered index has no filter.
    w->chkFillFactor->click();
    EXPECT_FALSE(w->chkPadIndex->isChecked());
    w->chkCluster->click();
    EXPECT_FALSE(w->txtFilter->isEnabled());
    EXPECT_TRUE(w->txtFilter->text().isEmpty());
}

TEST_F(IndexWindow, FillFactorAbove100IsRefused)
{
    Start();
    Existing();
    TfrmIndex* w = OpenIndex("IX_Orders");
    ASSERT_TRUE(w);
    w->chkFillFactor->click();
    w->txtFillFactorPercent->setText("101");
    const qsizetype mark = Mark();
    w->actCompile->trigger();
    EXPECT_EQ(boxes, QStringList({"48:" + QString::fromUtf8("100%以内の数値を入力して下さい。")}));
    EXPECT_EQ(Mark(), mark);
    EXPECT_TRUE(w->Modified());
    // 0 with the box checked passes and is written as it is.
    w->txtFillFactorPercent->setText("0");
    w->actCompile->trigger();
    EXPECT_EQ(boxes.size(), 1);
    EXPECT_TRUE(Batches(mark).value(1).contains("\nWITH FILLFACTOR = 0\n")) << Batches(mark).join("|").toStdString();
}

TEST_F(IndexWindow, DisablingAndChangingColumnsAndTheRules)
{
    Start();
    Existing();
    TfrmIndex* w = OpenIndex("IX_Orders");
    ASSERT_TRUE(w);
    w->chkEnable->click();
    qsizetype mark = Mark();
    w->actCompile->trigger();
    EXPECT_EQ(Batches(mark).mid(1), QStringList({"CREATE INDEX [IX_Orders]\nON [dbo].[Orders]\n([CustomerID], "
                                                 "[OrderedAt] DESC)\nON [PRIMARY]",
                                                 "ALTER INDEX [IX_Orders]\n ON [dbo].[Orders] DISABLE"}));
    // A key column added: re-created, no REBUILD; a column already listed is not added again.
    w->lstTabCol->item(3)->setSelected(true); // Status
    w->lstTabCol->item(1)->setSelected(true); // CustomerID, already a key
    w->btnInsClick();
    EXPECT_EQ(w->lstIdxCol->count(), 3);
    w->chkAddColumn->click();
    w->btnIns2Click(); // both already keys
    EXPECT_EQ(w->lstAddColumn->count(), 0);
    w->lstTabCol->clearSelection();
    w->lstTabCol->item(0)->setSelected(true);
    w->btnIns2Click();
    EXPECT_EQ(w->lstAddColumn->count(), 1);
    EXPECT_TRUE(w->IsCreate());
    w->resize(946, 498);
    saveGrab(w, "index_window_included");
    mark = Mark();
    w->actCompile->trigger();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(Batches(mark).mid(1), QStringList({"CREATE INDEX [IX_Orders]\nON [dbo].[Orders]\n([CustomerID], "
                                                 "[OrderedAt] DESC, [Status])\nINCLUDE([OrderID])\nON [PRIMARY]"}));
}

TEST_F(IndexWindow, ColumnStoreAndTheCheckBoxRules)
{
    Start();
    Existing();
    TfrmIndex* w = OpenIndex("IX_Orders");
    ASSERT_TRUE(w);
    ASSERT_TRUE(w->chkColumnStore->isEnabled());
    w->chkUnique->click();
    EXPECT_FALSE(w->chkColumnStore->isEnabled());
    w->chkUnique->click();
    EXPECT_TRUE(w->chkColumnStore->isEnabled());
    w->chkColumnStore->click();
    for (TqvCheckBox* c : {w->chkCluster, w->chkUnique, w->chkAddColumn, w->chkFillFactor}) {
        EXPECT_FALSE(c->isChecked());
        EXPECT_FALSE(c->isEnabled());
    }
    EXPECT_EQ(w->GetSourceCreate().value(2), "CREATE NONCLUSTERED COLUMNSTORE INDEX [IX_Orders]");
    w->chkColumnStore->click();
    w->chkCluster->click();
    EXPECT_FALSE(w->chkAddColumn->isEnabled());
    EXPECT_FALSE(w->chkColumnStore->isEnabled());
}

TEST_F(IndexWindow, NewIndexIsCreatedOnly)
{
    Start();
    TfrmIndex* w = qobject_cast<TfrmIndex*>(Open(46, "sales", "dbo", ""));
    ASSERT_TRUE(w);
    EXPECT_TRUE(w->IsNew());
    EXPECT_EQ(w->windowTitle(), QString::fromUtf8("INDEX - 新規"));
    w->txtName->setText("IX_Orders");
    // Required: table, then key columns.
    w->actCompile->trigger();
    EXPECT_EQ(boxes.value(0), "48:" + QString::fromUtf8("テーブル名を入力して下さい。"));
    Existing();
    w->cmbTableName->setEditText("Orders");
    w->cmbTableNameExit();
    EXPECT_EQ(w->lstTabCol->count(), 4);
    w->actCompile->trigger();
    EXPECT_EQ(boxes.value(1), "48:" + QString::fromUtf8("インデックス列を指定して下さい。"));
    w->lstTabCol->item(1)->setSelected(true);
    w->btnInsClick();
    w->chkUnique->click();
    const qsizetype mark = Mark();
    w->actCompile->trigger();
    EXPECT_EQ(boxes.size(), 2) << boxes.join("\n").toStdString();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(Batches(mark), QStringList({"CREATE UNIQUE INDEX [IX_Orders]\nON [dbo].[Orders]\n([CustomerID])"}));
    EXPECT_FALSE(w->IsNew());
    EXPECT_EQ(w->windowTitle().toStdString(), "INDEX - sales.dbo.Orders.IX_Orders @ srv.master");
}

TEST_F(IndexWindow, OpenedWithoutTableFindsItAndDeletes)
{
    Start();
    Existing();
    Rule(index::IndexSql(15, "sales", "dbo", ""), {"IX_Orders", "dbo"},
         {column("", "nvarchar(128)"), column("", "nvarchar(128)"), column("type", "tinyint"), column("u", "bit"),
          column("d", "bit"), column("f", "tinyint"), column("p", "bit"), column("q", "bit"), column("pad", "bit"),
          column("filter", "nvarchar(max)")},
         {{"sales", "Orders", 1, true, false, 0, false, false, false, QVariant()}});
    TfrmIndex* w = OpenIndex("IX_Orders", "");
    ASSERT_TRUE(w) << errors.join("\n").toStdString();
    EXPECT_EQ(w->cmbTableName->currentText(), "Orders");
    EXPECT_EQ(w->TableName(), "Orders");
    EXPECT_EQ(w->fraStorage->TableName(), "Orders");
    EXPECT_TRUE(w->chkCluster->isChecked());
    EXPECT_TRUE(w->chkUnique->isChecked());
    EXPECT_EQ(w->windowTitle(), "INDEX - sales.dbo.Orders.IX_Orders @ srv.master");
    session->fixture().exact("use [sales]\ndrop index [dbo].[Orders].[IX_Orders]").affects(0);
    const qsizetype mark = Mark();
    w->actDeleteExecute();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(StatementsFrom(mark).join("|").replace("\r\n", "\n").toStdString(),
              "use [sales]\ndrop index [dbo].[Orders].[IX_Orders]");
    EXPECT_EQ(boxes.last(), "64:" + QString::fromUtf8("オブジェクトが削除されました。"));
}

TEST_F(IndexWindow, Sql2000FormsHaveNoRebuildNoIncludedColumnsAndAFixedEnabledBox)
{
    Start(8);
    Existing(70);
    TfrmIndex* w = OpenIndex("IX_Orders");
    ASSERT_TRUE(w) << errors.join("\n").toStdString() << boxes.join("\n").toStdString();
    EXPECT_FALSE(w->chkEnable->isEnabled());
    EXPECT_TRUE(w->chkEnable->isChecked());
    EXPECT_FALSE(w->chkAddColumn->isEnabled());
    EXPECT_FALSE(w->chkColumnStore->isEnabled());
    EXPECT_EQ(w->fraStorage->cmbStorageType->count(), 1); // no partition before 2005
    w->txtFillFactorPercent->setText("60");
    const qsizetype mark = Mark();
    w->actCompile->trigger();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(Batches(mark),
              QStringList({"IF EXISTS (SELECT * FROM sysindexes WHERE name = N'IX_Orders' and id = "
                           "object_id(N'[dbo].[Orders]'))\nDROP INDEX [dbo].[Orders].[IX_Orders]",
                           "CREATE INDEX [IX_Orders]\nON [dbo].[Orders]\n([CustomerID], [OrderedAt] DESC)\n"
                           "WITH FILLFACTOR = 60\nON [PRIMARY]"}));
}

TEST_F(IndexWindow, ScriptRoutineWritesTheCreateOrTheDrop)
{
    Start();
    Existing();
    ScriptOption.Database = qmNever;
    ScriptOption.Owner = qmAlways;
    const auto script = [&](bool drop) {
        ScriptOption.Drop = drop;
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        DefineScriptRequest r;
        r.objectType = 46;
        r.database = "sales";
        r.schema = "dbo";
        r.name = "IX_Orders";
        r.tableName = "Orders";
        EXPECT_THROW(DefinitionScripts().value(46)(conn, r, buffer), EAbort);
        const QByteArray bytes = buffer.data();
        return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
    };
    EXPECT_EQ(script(false), "CREATE INDEX [IX_Orders]\r\nON [dbo].[Orders]\r\n([CustomerID], [OrderedAt] DESC)\r\n"
                             "ON [PRIMARY]\r\ngo\r\n");
    EXPECT_EQ(script(true), "IF EXISTS (SELECT * FROM sys.indexes WHERE name = N'IX_Orders' and object_id = "
                            "object_id(N'[dbo].[Orders]'))\r\nDROP INDEX [dbo].[Orders].[IX_Orders]\r\ngo\r\n");
}
