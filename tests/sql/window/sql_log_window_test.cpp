#include "sql/sql_log_window.h"

#include "app/options.h"
#include "app/textfiles.h"
#include "editor/sqlmemo/qvmemo.h"
#include "platform/registry.h"
#include "sql/sql_history.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPixmap>
#include <QMenu>
#include <QTabWidget>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace qv;

namespace {

struct LogWindow : ::testing::Test {
    QTemporaryDir work;
    QStringList boxes;
    SqlLogStore& store = SqlLogStore::instance();

    void SetUp() override
    {
        qvOption.TempDir = work.path() + "/";
        store.reset();
        store.append(SqlLogStore::workDir(), {"select 1"}, 32);
        store.append(SqlLogStore::workDir(), {"select 2", "from orders"}, 32);
        store.append(SqlLogStore::workDir(), {"select 3"}, 32);
        TfrmSQLLog::MessageHook = [this](QWidget*, const QString& t, int icon) { boxes << QString::number(icon) + ":" + t; };
    }
    void TearDown() override { TfrmSQLLog::ExecHook = [](TfrmSQLLog* w) { return w->exec(); }; }
    static void select(TfrmSQLLog& w, std::initializer_list<int> rows)
    {
        w.lstSQL->clearSelection();
        for (int r : rows) {
            w.lstSQL->topLevelItem(r)->setSelected(true);
            w.lstSQL->setCurrentItem(w.lstSQL->topLevelItem(r), 0, QItemSelectionModel::Select);
        }
    }
};

} // namespace

TEST_F(LogWindow, ListsThePreviewAndTheChoice)
{
    TfrmSQLLog::ExecHook = [&](TfrmSQLLog* w) {
        EXPECT_EQ(w->lstSQL->topLevelItemCount(), 3);
        EXPECT_EQ(w->lstSQL->topLevelItem(1)->text(1), "select 2 from orders");
        select(*w, {1});
        EXPECT_EQ(w->txtSQL->Lines().ToStringList(), (QStringList{"select 2", "from orders"}));
        EXPECT_TRUE(w->btnRegist->isEnabled());
        if (qEnvironmentVariableIsSet("QORVEL_RENDER_DIR")) {
            w->show();
            w->grab().save(qEnvironmentVariable("QORVEL_RENDER_DIR") + "/sql_log.png");
        }
        w->btnSelectClick();
        return 1;
    };
    EXPECT_EQ(TfrmSQLLog::ShowWindow(nullptr), "H1");
    // Closing without a choice on the favourites tab: the exit button and the close box.
    TfrmSQLLog::ExecHook = [&](TfrmSQLLog* w) {
        w->SetTab(1);
        EXPECT_FALSE(w->btnRegist->isEnabled());
        w->btnExitClick();
        return 0;
    };
    EXPECT_EQ(TfrmSQLLog::ShowWindow(nullptr), "F-1");
    TfrmSQLLog::ExecHook = [&](TfrmSQLLog* w) {
        select(*w, {2});
        w->show();
        w->close();
        return 0;
    };
    EXPECT_EQ(TfrmSQLLog::ShowWindow(nullptr), "H-1");
}

TEST_F(LogWindow, TabsSettingsAndControls)
{
    {
        TqvRegistry reg;
        ASSERT_TRUE(reg.OpenKey(TfrmSQLLog::FavoriteColumnKey(), true));
        reg.WriteInteger("INDEX1", 200);
        ASSERT_TRUE(reg.DeleteKey(TfrmSQLLog::HistoryColumnKey()) || !reg.KeyExists(TfrmSQLLog::HistoryColumnKey()));
    }
    const QString sizeKey = SettingsRootKey + "\\GUI\\SQLLOG";
    TfrmSQLLog::ExecHook = [&](TfrmSQLLog* w) {
        EXPECT_TRUE(w->windowFlags() & Qt::WindowStaysOnTopHint);
        for (QToolButton* b : {w->btnSelect, w->btnRegist, w->btnDel, w->btnExit, w->btnUp, w->btnDown, w->btnFind})
            EXPECT_FALSE(b->icon().isNull()) << b->toolTip().toStdString();
        EXPECT_EQ(w->lstSQL->parentWidget(), w->tabSQLHistory);
        EXPECT_EQ(w->lstSQL->columnWidth(0), 160);
        w->popSqlLogMenuPopup();
        EXPECT_FALSE(w->mnuRename->isVisible()); // history captions are not renamed
        w->SetTab(1);
        EXPECT_EQ(w->lstSQL->parentWidget(), w->tabFavoriteSQL);
        EXPECT_EQ(w->lstSQL->headerItem()->text(0), "SQL名");
        EXPECT_EQ(w->lstSQL->columnWidth(0), 200);
        w->popSqlLogMenuPopup();
        EXPECT_TRUE(w->mnuRename->isVisible());
        EXPECT_FALSE(w->mnuRename->isEnabled()); // nothing selected
        w->show();
        for (QChar c : QString("where x")) {
            QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(w->txtFind, &key);
        }
        EXPECT_EQ(w->txtFind->text(), "WHERE X");
        w->resize(700, 500);
        w->btnExitClick();
        return 0;
    };
    TfrmSQLLog::ShowWindow(nullptr);
    TqvRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(TfrmSQLLog::HistoryColumnKey())); // created when missing …
    EXPECT_FALSE(reg.ValueExists("INDEX1"));                          // … and never written
    ASSERT_TRUE(reg.OpenKeyReadOnly(sizeKey));
    EXPECT_EQ(reg.ReadInteger("Width"), 700);
    // A maximized window leaves the stored size alone.
    TfrmSQLLog::ExecHook = [&](TfrmSQLLog* w) {
        EXPECT_EQ(w->width(), 700);
        w->showMaximized();
        w->btnExitClick();
        return 0;
    };
    TfrmSQLLog::ShowWindow(nullptr);
    ASSERT_TRUE(reg.OpenKeyReadOnly(sizeKey));
    EXPECT_EQ(reg.ReadInteger("Width"), 700);
}

TEST_F(LogWindow, MoveDeleteRegisterRenameAndFind)
{
    TfrmSQLLog w;
    select(w, {0, 1});
    w.btnUpClick();
    EXPECT_EQ(boxes.last(), "48:同時に複数行を移動する事は出来ません。１行だけ選択して下さい。");
    select(w, {0});
    w.btnUpClick(); // first item: nothing moves
    EXPECT_EQ(store.history().first(), "SQLLOG3.SQL");
    w.btnDownClick();
    EXPECT_EQ(store.history(), (QStringList{"SQLLOG2.SQL", "SQLLOG3.SQL", "SQLLOG1.SQL"}));
    EXPECT_TRUE(w.lstSQL->topLevelItem(1)->isSelected());

    // Register entries 0 and 2: both on top of the favourites, in history order.
    select(w, {0, 2});
    w.btnRegistClick();
    EXPECT_EQ(boxes.last(), "64:お気に入りSQLに登録しました。");
    EXPECT_EQ(store.favorites(), (QStringList{"SQLLOGF2.SQL お気に入りSQL", "SQLLOGF1.SQL お気に入りSQL"}));

    w.SetTab(1);
    EXPECT_EQ(w.lstSQL->topLevelItem(0)->text(1), "select 2 from orders");
    w.lstSQL->topLevelItem(1)->setText(0, "  月次 ");
    EXPECT_EQ(store.favorites().at(1), "SQLLOGF1.SQL 月次");

    w.SetTab(0);
    w.txtFind->setText("ORDERS");
    select(w, {0});
    w.btnFindClick(); // wraps to the top
    EXPECT_EQ(w.lstSQL->indexOfTopLevelItem(w.lstSQL->currentItem()), 0);
    w.txtFind->setText("zzz");
    w.btnFindClick();
    EXPECT_EQ(boxes.last(), "64:検索対象が見つかりませんでした。");

    select(w, {0, 2});
    w.btnDelClick();
    EXPECT_EQ(store.history(), QStringList{"SQLLOG3.SQL"});
    EXPECT_EQ(w.lstSQL->topLevelItemCount(), 1);
}

TEST_F(LogWindow, AnUnreadableEntryEndsTheListWithTheErrorBox)
{
    ASSERT_TRUE(QFile::remove(SqlLogStore::workDir() + store.history().at(1)));
    TfrmSQLLog w;
    EXPECT_EQ(w.lstSQL->topLevelItemCount(), 1); // the entries before it stay listed
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].startsWith("16:")) << boxes[0].toStdString();
}
