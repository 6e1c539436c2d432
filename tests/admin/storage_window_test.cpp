// The file groups and files window on the scripted session, opened from the connection window's
// tree and the main window's administration menu: both pages' cells in the chosen unit, the
// read-only switch following the reloaded row, delete in passes, and the exact statements of
// the file commands.
#include "admin/storage/storage_list_text.h"
#include "admin/storage/storage_window.h"

#include "connection/object_window_actions.h"
#include "controls/lists/qv_listview.h"
#include "support/test_env.h"
#include "tables/define_session_helper.h"

#include <QComboBox>
#include <QDir>
#include <QTabWidget>

using namespace qv;
using namespace qv::db;
using namespace qvtest;

namespace {

const QString UseSales = "use [sales]\n";

struct Storage : DefineSession {
    TfrmStorage::Ui savedUi = TfrmStorage::ui();
    bool savedDelErr = qvOption.DelErr;
    QStringList messages;

    void SetUp() override
    {
        DefineSession::SetUp();
        Connect();
        TfrmStorage::ui().confirm = [this](const QString& text, int, const CheckList&) {
            messages << text;
            return 6;
        };
        TfrmStorage::ui().message = [this](const QString& text, int) {
            messages << text;
            return 6;
        };
        session->fixture().exact("use [sales]");
        session->fixture().exact("use [master]");
        MaxOf("1", {{"PRIMARY", -1}});
        MaxOf("2", {});
    }
    void TearDown() override
    {
        TfrmStorage::ui() = savedUi;
        qvOption.DelErr = savedDelErr;
        DefineSession::TearDown();
    }
    void MaxOf(const QString& id, const std::vector<QVariantList>& rows)
    {
        FixtureRule& r = session->fixture().exact(QString(storagelist::GroupMaxSql()).replace(":ID", "?"));
        r.params = QVariantList{id};
        r.returns({column("", "sysname"), column("maxsize", "int")}, rows);
    }
    // The file group list: PRIMARY with one file of 10 MB (half used), FG2 without files.
    FixtureRule& Groups(bool fg2ReadOnly)
    {
        return session->fixture().exact(UseSales + storagelist::FileGroupListSql())
            .returns({column("", "int"), column("", "int"), column("", "int"), column("", "int"), column("", "sysname"),
                      column("", "int"), column("", "int"), column("", "int")},
                     {{1, 1, 1280, 640, "PRIMARY", 1, 0, 1},
                      {QVariant(), 2, QVariant(), QVariant(), "FG2", 0, fg2ReadOnly ? 1 : 0, 0}});
    }
    void Files()
    {
        FixtureRule& r = session->fixture().exact(QString(storagelist::FileListSql(15)).replace(":DB", "?"));
        r.params = QVariantList{"sales"};
        r.returns({column("name", "sysname"), column("physical_name", "nvarchar(260)"), column("fg", "sysname"),
                   column("size", "int"), column("max_size", "int"), column("used", "int"), column("state", "nvarchar(60)"),
                   column("log", "int"), column("pct", "bit")},
                  {{"f1", "D:\\f1.mdf ", "PRIMARY", 1280, 640, 640, "ONLINE", 0, 0},
                   {"f2", "D:\\f2.ndf", "FG2", 128, 256, 0, "OFFLINE", 0, 0},
                   {"f3", "D:\\f3.ldf", QVariant(), 256, -1, 128, "ONLINE", 1, 1}});
    }
    TfrmStorage* OpenFromTree()
    {
        ToolRequest r;
        r.window = "TfrmStorage";
        r.database = "sales";
        return qobject_cast<TfrmStorage*>(conn->actions()->OpenTool(r));
    }
    static QStringList Row(const TqvListView* list, int r)
    {
        QStringList out;
        const QTreeWidgetItem* item = list->topLevelItem(r);
        for (int c = 0; item && c < list->columnCount(); ++c)
            out << item->text(c);
        return out;
    }
    static void Select(TqvListView* list, const QList<int>& rows)
    {
        list->clearSelection();
        for (int r : rows)
            list->topLevelItem(r)->setSelected(true);
    }
};

TEST_F(Storage, ListsTheFileGroupsAndSwitchesReadOnlyBackAndForth)
{
    Groups(false).once();
    TfrmStorage* w = OpenFromTree();
    ASSERT_TRUE(w);
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(w->cmbDatabase->currentText(), "sales");
    EXPECT_EQ(w->cmbSize->currentText(), "MB");
    ASSERT_EQ(w->lstObject->topLevelItemCount(), 2);
    EXPECT_EQ(Row(w->lstObject, 0), QStringList({"PRIMARY", "10.0", "UNLIMITED", "5.0", "0.5", "5.0", "*", "", "1"}));
    // A group without files: size 0, rate 0, no files.
    EXPECT_EQ(Row(w->lstObject, 1), QStringList({"FG2", "0.0", "0.0", "0.0", "0", "0.0", "", "", "0"}));
    EXPECT_FALSE(w->actOpen->isEnabled());

    Select(w->lstObject, {1});
    EXPECT_TRUE(w->actReadOnly->isEnabled());
    EXPECT_EQ(w->actReadOnly->text(), QString::fromUtf8("読取専用に設定"));
    const QString readOnly = UseSales + "alter database [sales] modify filegroup [FG2] read_only";
    const QString readWrite = UseSales + "alter database [sales] modify filegroup [FG2] read_write";
    session->fixture().exact(readOnly).affects(0);
    session->fixture().exact(readWrite).affects(0);
    Groups(true).once();
    Groups(false);
    qsizetype mark = Mark();
    w->actReadOnly->trigger();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(StatementsFrom(mark).value(0), readOnly);
    EXPECT_EQ(Row(w->lstObject, 1).value(7), "*");
    Select(w->lstObject, {1});
    EXPECT_EQ(w->actReadOnly->text(), QString::fromUtf8("読取/書込可能に設定"));
    mark = Mark();
    w->actReadOnly->trigger();
    EXPECT_EQ(StatementsFrom(mark).value(0), readWrite);
    EXPECT_EQ(Row(w->lstObject, 1).value(7), "");

    // Whole bytes in "B", one decimal in "GB".
    w->cmbSize->setCurrentText("B");
    w->Reload();
    EXPECT_EQ(Row(w->lstObject, 0).value(1), "10,485,760");
    w->cmbSize->setCurrentText("GB");
    w->Reload();
    EXPECT_EQ(Row(w->lstObject, 0).value(1), "0.0");
}

TEST_F(Storage, FilePageCellsAndCommands)
{
    Groups(false);
    Files();
    TfrmStorage* w = OpenFromTree();
    ASSERT_TRUE(w);
    w->pagStorage->setCurrentWidget(w->tabFile);
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    ASSERT_EQ(w->lstObject->topLevelItemCount(), 3);
    const QString data = QString::fromUtf8("データ");
    // A maximum below the size shows the size; a log file without limit shows UNLIMITED.
    EXPECT_EQ(Row(w->lstObject, 0), QStringList({"f1", "D:\\f1.mdf", data, "PRIMARY", "10.0", "10.0", "5.0", "0.5", "5.0", "ONLINE"}));
    EXPECT_EQ(Row(w->lstObject, 2), QStringList({"f3", "D:\\f3.ldf", QString::fromUtf8("ログ"), "", "2.0", "UNLIMITED", "1.0", "0.5", "1.0", "ONLINE"}));

    Select(w->lstObject, {1});
    EXPECT_TRUE(w->actOnline->isEnabled());
    EXPECT_FALSE(w->actDefault->isEnabled());
    const QString online = "use [master]\nrestore database [sales] file = N'f2', filegroup = N'FG2' with recovery";
    session->fixture().exact(online).affects(0);
    qsizetype mark = Mark();
    w->actOnline->trigger();
    EXPECT_EQ(StatementsFrom(mark).value(0), online);

    Select(w->lstObject, {0, 1});
    const QString shrink1 = UseSales + "dbcc shrinkfile (N'f1') with no_infomsgs";
    const QString shrink2 = UseSales + "dbcc shrinkfile (N'f2') with no_infomsgs";
    session->fixture().exact(shrink1).affects(0);
    session->fixture().exact(shrink2).affects(0);
    mark = Mark();
    w->actShrink->trigger();
    EXPECT_EQ(messages.last(), QString::fromUtf8("最適サイズに縮小しますか？"));
    EXPECT_EQ(StatementsFrom(mark).mid(0, 2), QStringList({shrink1, shrink2}));
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
}

TEST_F(Storage, DeleteRetriesAFailingFileAloneAndShowsItsError)
{
    Groups(false);
    Files();
    qvOption.DelErr = true;
    TfrmStorage* w = OpenFromTree();
    ASSERT_TRUE(w);
    w->pagStorage->setCurrentWidget(w->tabFile);
    ASSERT_EQ(w->lstObject->topLevelItemCount(), 3);
    for (const char* f : {"f1", "f3"})
        session->fixture().exact(QString("alter database [sales] remove file [%1]").arg(f)).affects(0);
    session->fixture().exact("alter database [sales] remove file [f2]").fails("The file 'f2' cannot be removed because it is not empty.");
    Select(w->lstObject, {0, 1, 2});
    const qsizetype mark = Mark();
    w->actDelete->trigger();
    EXPECT_EQ(StatementsFrom(mark).filter("remove file"),
              QStringList({"alter database [sales] remove file [f1]", "alter database [sales] remove file [f2]",
                           "alter database [sales] remove file [f3]", "alter database [sales] remove file [f2]"}));
    ASSERT_EQ(w->lstObject->topLevelItemCount(), 1);
    EXPECT_EQ(w->lstObject->topLevelItem(0)->text(0), "f2");
    EXPECT_TRUE(w->lstObject->topLevelItem(0)->isSelected());
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.first().contains("not empty"));
    EXPECT_TRUE(messages.filter(QString::fromUtf8("オブジェクトが削除されました。")).isEmpty());
}

TEST_F(Storage, DeletingAGroupWithItsFilesAndNeverReportingFailuresAsDone)
{
    Groups(false);
    qvOption.DelErr = true;
    TfrmStorage* w = OpenFromTree();
    ASSERT_TRUE(w);
    TfrmStorage::ui().confirm = [this](const QString& text, int, const CheckList& checks) {
        messages << text;
        if (!checks.isEmpty())
            *checks.first().value = true;
        return 6;
    };
    session->fixture().exact(storagelist::GroupFilesSql("sales", "FG2")).returns({column("name", "sysname")}, {{"g1"}});
    session->fixture().exact(storagelist::GroupFilesSql("sales", "PRIMARY")).returns({column("name", "sysname")}, {});
    session->fixture().exact("alter database [sales] remove file [g1]").affects(0);
    session->fixture().exact("alter database [sales] remove filegroup [FG2]").affects(0);
    session->fixture().exact("alter database [sales] remove filegroup [PRIMARY]").fails("The primary filegroup cannot be removed.");
    Select(w->lstObject, {0, 1});
    const qsizetype mark = Mark();
    w->actDelete->trigger();
    const QStringList sent = StatementsFrom(mark);
    EXPECT_TRUE(sent.contains(UseSales + "select name from sysfiles where groupid = filegroup_id(N'FG2')"));
    EXPECT_TRUE(sent.contains("alter database [sales] remove file [g1]"));
    EXPECT_TRUE(sent.contains("alter database [sales] remove filegroup [FG2]"));
    ASSERT_EQ(w->lstObject->topLevelItemCount(), 1);
    EXPECT_EQ(w->lstObject->topLevelItem(0)->text(0), "PRIMARY");
    // PRIMARY failed alone at the end: its error, no success message.
    EXPECT_EQ(errors.size(), 1);
    EXPECT_TRUE(messages.filter(QString::fromUtf8("オブジェクトが削除されました。")).isEmpty());
}

TEST_F(Storage, TheMenuOpensOnTheSessionDatabaseAndAFailingListWarnsAndRenders)
{
    session->fixture().exact("use [master]\n" + storagelist::FileGroupListSql()).fails("permission denied");
    main->resize(1100, 760);
    main->show();
    main->action("actAdminStorage")->trigger();
    auto* w = qobject_cast<TfrmStorage*>(main->FindWindow(
        TfrmStorage::staticMetaObject, QString::fromUtf8("ファイルグループ情報 - sa @ srv.master"), false));
    ASSERT_TRUE(w);
    EXPECT_EQ(w->cmbDatabase->currentText(), "master");
    EXPECT_EQ(messages.value(0), QString::fromUtf8("権限が不足している為、情報を表示する事が出来ません。"));
    // The same menu again brings it forward.
    main->action("actAdminStorage")->trigger();
    int windows = 0;
    for (QWidget* c : main->MDIChildren())
        windows += qobject_cast<TfrmStorage*>(c) != nullptr;
    EXPECT_EQ(windows, 1);

    Groups(false);
    Files();
    w->cmbDatabase->setCurrentText("sales");
    w->Reload();
    w->parentWidget()->resize(1000, 360);
    QCoreApplication::processEvents();
    const QString dir = qEnvironmentVariable("QORVEL_RENDER_DIR", testHome());
    QDir().mkpath(dir);
    EXPECT_TRUE(w->grab().save(dir + "/storage_groups.png"));
    // The list fills the page it is shown on.
    EXPECT_GE(w->lstObject->height(), w->tabTBS->height() - 10);
    w->pagStorage->setCurrentWidget(w->tabFile);
    QCoreApplication::processEvents();
    EXPECT_TRUE(w->grab().save(dir + "/storage_files.png"));
}

} // namespace
