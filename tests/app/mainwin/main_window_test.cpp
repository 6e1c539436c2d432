#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QDockWidget>
#include <QImage>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include "app/main_window.h"
#include "support/modal_helper.h"

using namespace qv;

namespace {

QStringList topMenus(TfrmMain& w)
{
    QStringList out;
    for (QAction* a : w.menuBar()->actions())
        out << a->text();
    return out;
}

} // namespace

TEST(MainWindow, ShowsTitleMenusAndBarsLaidOut)
{
    TfrmMain w;
    w.setCommandLineArguments({});
    w.resize(1100, 760);
    w.show();
    QApplication::processEvents();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Qorvel for SQL Server"));
    EXPECT_EQ(topMenus(w), (QStringList{"ファイル(&F)", "編集(&E)", "表示(&V)", "管理(&A)", "ツール(&T)",
                                        "ウィンドウ(&W)", "ヘルプ(&H)", "新機能(&N)", "Qorvel情報(&I)"}));
    // The six tool bars with their captions, visible and without overlap.
    const QStringList captions = {"データベース", "編集", "ツール", "ツール", "管理", "新規オブジェクト"};
    QList<QRect> rects;
    const auto bars = w.toolBars();
    ASSERT_EQ(bars.size(), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(bars[i]->windowTitle(), captions[i]);
        EXPECT_TRUE(bars[i]->isVisible()) << bars[i]->objectName().toStdString();
        rects << bars[i]->geometry();
    }
    for (int i = 0; i < 6; ++i)
        for (int j = i + 1; j < 6; ++j)
            EXPECT_FALSE(rects[i].intersects(rects[j])) << i << " " << j;
    // Menu bar above the bars, bars above the MDI area, task bar and status bar at the bottom.
    const QRect mdi = w.mdiArea()->geometry();
    for (const QRect& r : rects) {
        EXPECT_GE(r.top(), w.menuBar()->geometry().bottom());
        EXPECT_LE(r.bottom(), mdi.top());
    }
    EXPECT_TRUE(w.tolTask()->isVisible());
    EXPECT_TRUE(w.stsMain()->isVisible());
    EXPECT_GE(w.tolTask()->geometry().top(), mdi.bottom());
    EXPECT_GE(w.stsMain()->geometry().top(), w.tolTask()->geometry().bottom());
    EXPECT_TRUE(w.workSpaceDock()->isVisible());
    EXPECT_EQ(w.cmbDBName()->toolTip(), QString());
    EXPECT_EQ(w.cmbDBName()->width(), 330);
    // Status panels: 200, 20, the rest.
    EXPECT_EQ(w.stsMain()->panel(0)->width(), 200);
    EXPECT_EQ(w.stsMain()->panel(1)->width(), 20);
    EXPECT_GT(w.stsMain()->panel(2)->width(), 400);

    const QString path = qvtest::saveGrab(&w, QStringLiteral("main_window"));
    QImage img(path);
    ASSERT_FALSE(img.isNull());
    EXPECT_EQ(img.size(), w.size() * w.devicePixelRatio());
}

TEST(MainWindow, MenusHoldTheirItemsInOrder)
{
    TfrmMain w;
    auto texts = [](QMenu* m) {
        QStringList out;
        for (QAction* a : m->actions())
            out << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return out;
    };
    EXPECT_EQ(texts(w.menu("mnuFile")),
              (QStringList{"コミット(&C)", "ロールバック(&R)", "データベース接続(&L)", "データベース切断(&D)", "-",
                           "最近開いたオブジェクト", "-", "終了(&X)"}));
    EXPECT_EQ(texts(w.menu("mnuAdmin")),
              (QStringList{"ユーザー情報(&U)", "プロセス情報(&S)", "ロック情報(&L)", "ファイルグループ情報(&F)",
                           "データベース情報(&D)", "ジョブ情報(&J)", "-", "バックアップ(&B)", "復元(&R)",
                           "エクスポート(&P)", "インポート(&I)", "BCP(&O)", "アタッチ(&A)"}));
    EXPECT_FALSE(w.action("actAdminExport")->isVisible());
    EXPECT_FALSE(w.action("actAdminImport")->isVisible());
    EXPECT_EQ(texts(w.menu("mnuToolBar")),
              (QStringList{"標準", "編集", "表示", "管理", "ツール", "新規作成", "-", "位置の初期化"}));
    EXPECT_EQ(texts(w.menu("mnuWindow")).mid(0, 7),
              (QStringList{"重ねて表示(&C)", "上下に並べて表示(&H)", "左右に並べて表示(&V)", "全てを最小化(&M)",
                           "アイコンの整列(&A)", "-", "閉じる(&L)"}));
    const QStringList edit = texts(w.menu("mnuEdit"));
    EXPECT_EQ(edit.first(), QStringLiteral("元に戻す(&U)"));
    EXPECT_EQ(edit.last(), QStringLiteral("定義情報ジャンプ"));
    EXPECT_EQ(edit.count(QStringLiteral("-")), 6);
    // Captions, keys and images of a few actions.
    EXPECT_EQ(w.action("actViewSQL")->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
    EXPECT_EQ(w.action("actEditFindPrev")->shortcut(), QKeySequence(QStringLiteral("Shift+F3")));
    EXPECT_EQ(w.action("mnuReload")->shortcut(), QKeySequence(QStringLiteral("F5")));
    EXPECT_EQ(w.action("actEditMacroExec")->shortcuts().size(), 2);
    for (const char* n : {"actDBCommit", "actViewSQL", "actAdminJob", "btnNewTable", "actEditUndo"})
        EXPECT_FALSE(w.action(n)->icon().isNull()) << n;
    EXPECT_EQ(w.action("btnNewSequence")->text(), QStringLiteral("新規シーケンス"));
}
