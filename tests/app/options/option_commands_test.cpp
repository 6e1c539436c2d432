// The main window's commands reach the dialogs: the editor options re-style the open SQL
// editors, the news item is marked by the check at start and cleared by its command.
#include "app/menu_bar.h"
#include "app/editor_option_dialog.h"
#include "app/found/settings_helper.h"
#include "app/main_window.h"
#include "app/news_check.h"
#include "app/option_commands.h"
#include "app/option_dialog.h"
#include "app/support_info.h"
#include "editor/edit/editor_prop.h"
#include "editor/sqlmemo/qvmemo.h"
#include "sql/memo_settings.h"
#include "support/modal_helper.h"

#include <QAction>
#include <QComboBox>
#include <QEventLoop>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

using namespace qv;
using namespace qvtest;

namespace {

class OptionCommandsTest : public SettingsTest {
protected:
    void TearDown() override
    {
        for (const char* n : {"actToolOption", "actToolEditorOption", "actHelpSupport", "mnuQvInfo"})
            TfrmMain::setCommandHandler(QString::fromLatin1(n), nullptr);
        SettingsTest::TearDown();
    }
};

bool waitFinished(NewsCheck& n)
{
    QEventLoop loop;
    bool done = false;
    QObject::connect(&n, &NewsCheck::finished, &loop, [&] {
        done = true;
        loop.quit();
    });
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    loop.exec();
    return done;
}

} // namespace

TEST_F(OptionCommandsTest, EditorOptionsCommandRestylesOpenEditors)
{
    TfrmMain main;
    InstallOptionCommands(main);
    TqvMemo a, b;
    ApplyMemoSettings(a, nullptr);
    ApplyMemoSettings(b, nullptr);
    whenModal([](QWidget* w) {
        auto* dlg = qobject_cast<TfrmEditorOption*>(w);
        if (!dlg) {
            w->close();
            return;
        }
        dlg->spins.value("FontSize")->setValue(21);
        dlg->btnOk->click();
    });
    main.action("actToolEditorOption")->trigger();
    for (TqvMemo* m : {&a, &b}) {
        TEditorProp p;
        p.Assign(*m);
        EXPECT_EQ(p.Font().pointSize(), 21);
    }
}

TEST_F(OptionCommandsTest, OptionsAndSupportCommandsOpenTheirWindows)
{
    TfrmMain main;
    InstallOptionCommands(main);
    QString seen;
    whenModal([&](QWidget* w) {
        seen = w->windowTitle();
        w->close();
    });
    main.action("actToolOption")->trigger();
    EXPECT_EQ(seen, "オプション");
    whenModal([&](QWidget* w) {
        seen = w->windowTitle();
        if (auto* s = qobject_cast<TfrmSupport*>(w))
            EXPECT_TRUE(s->txtSupport->toPlainText().contains("未接続のため取得できません。"));
        w->close();
    });
    main.action("actHelpSupport")->trigger();
    EXPECT_EQ(seen, "サポート情報");
}

TEST_F(OptionCommandsTest, NewsCheckAtStartMarksTheMenuAndItsCommandClearsIt)
{
    // A server answering HEAD with a recent Last-Modified time.
    QTcpServer server;
    QObject::connect(&server, &QTcpServer::newConnection, [&] {
        while (QTcpSocket* s = server.nextPendingConnection()) {
            QObject::connect(s, &QTcpSocket::readyRead, s, [s] {
                if (!s->peek(4096).contains("\r\n\r\n"))
                    return;
                s->readAll();
                s->write("HTTP/1.1 200 OK\r\nLast-Modified: Fri, 01 May 2026 10:00:00 GMT\r\n"
                         "Content-Length: 10\r\nConnection: close\r\n\r\n");
                s->disconnectFromHost();
            });
            QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
        }
    });
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    {
        TqvRegistry reg;
        ASSERT_TRUE(reg.OpenKey(SettingsRootKey, true));
        reg.WriteString("QvInfoFileURL", QStringLiteral("http://127.0.0.1:%1/qvinfo.txt").arg(server.serverPort()));
        reg.WriteString("QvInfoPageURL", "http://127.0.0.1/news/");
    }
    TfrmMain main;
    qvOption.CheckInternet = true;
    NewsCheck* news = InstallOptionCommands(main);
    QList<QUrl> opened;
    news->openUrl = [&](const QUrl& u) { opened << u; };
    ASSERT_TRUE(news->isChecking());
    ASSERT_TRUE(waitFinished(*news));
    QAction* item = main.action("mnuQvInfo");
    EXPECT_EQ(item->text(), "\u3000\u3000Qorvel情報(&I)");
    EXPECT_EQ(item->data().toInt(), 166);
    main.resize(1000, 500);
    main.show();
    QApplication::processEvents();
    saveGrab(&main, "main_news_mark");
    // The menu bar shows image 166 (a red sign) beside the caption.
    auto* bar = qobject_cast<TqvMenuBar*>(main.menuBar());
    ASSERT_NE(bar, nullptr);
    const QRect mark = bar->markRect(item);
    ASSERT_FALSE(mark.isEmpty());
    EXPECT_TRUE(bar->actionGeometry(item).contains(mark));
    const QImage shot = bar->grab().toImage();
    int red = 0;
    for (int y = mark.top(); y <= mark.bottom(); ++y)
        for (int x = mark.left(); x <= mark.right(); ++x) {
            const QColor c = shot.pixelColor(x * shot.width() / bar->width(), y * shot.height() / bar->height());
            red += c.red() > c.green() + 60 && c.red() > c.blue() + 60;
        }
    EXPECT_GT(red, 10);
    item->trigger();
    ASSERT_TRUE(waitFinished(*news));
    EXPECT_EQ(item->text(), "Qorvel情報(&I)");
    EXPECT_EQ(StoredNewsTime(), QDateTime(QDate(2026, 5, 1), QTime(10, 0), Qt::UTC).toLocalTime());
    EXPECT_EQ(opened.size(), 1);
}
