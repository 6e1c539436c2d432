// The SQL window's editor as a user drives it: a large script opened through the window's open
// command, block comments in the comment colour, and a new window inside the main window.
#include "sql/sql_window.h"
#include "sql_window_fixture.h"

#include "app/main_window.h"
#include "app/options.h"
#include "connection/object_session.h"
#include "connection/dm_sqlserver.h"
#include "editor/sqlmemo/qvmemo.h"
#include "platform/db/scripted_session.h"
#include "platform/registry.h"
#include "platform/textcodec.h"
#include "sql/sql_history.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::db;

namespace {

struct SqlWindowProduct : qvtest::SqlWindowFixture {
    void SetUp() override
    {
        SqlWindowFixture::SetUp();
        qvOption.Encoding = 2;
        TfrmSQL::MessageHook = [](QWidget*, const QString& text, int, const QString&, bool*) {
            ADD_FAILURE() << text.toStdString();
        };
    }
    void TearDown() override
    {
        TfrmSQL::OpenDialogHook = {};
    }
};

void key(QWidget* w, int k, const QString& text = {})
{
    QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier, text);
    QCoreApplication::sendEvent(w, &press);
}

// A generated T-SQL script of about `bytes` bytes in UTF-8; answers its line count.
int WriteScript(const QString& path, qint64 bytes)
{
    QByteArray out;
    out.reserve(bytes + 256);
    int lines = 0;
    for (int i = 0; out.size() < bytes; ++i) {
        out += "select o.name, o.object_id, N'顧客" + QByteArray::number(i) + "' as c from sys.objects o -- row\r\n";
        out += "/* block " + QByteArray::number(i) + " */ update t set x = x + 1 where id = " + QByteArray::number(i) + "\r\n";
        out += "go\r\n";
        lines += 3;
    }
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(out) != out.size())
        return -1;
    return lines;
}

} // namespace

TEST_F(SqlWindowProduct, OpensALargeScriptInOneUpdateAndStaysResponsive)
{
    const QString path = work.filePath("large.sql");
    const int lines = WriteScript(path, 5 * 1024 * 1024);
    ASSERT_GT(lines, 0);
    TfrmSQL w(&owner);
    w.show();
    int changes = 0, moves = 0;
    auto* memo = w.fraMemo->txtSQL;
    const auto change = memo->OnChange;
    const auto move = memo->OnCaretMoved;
    memo->OnChange = [&, change](TEditor* e) {
        ++changes;
        change(e);
    };
    memo->OnCaretMoved = [&, move](TEditor* e) {
        ++moves;
        move(e);
    };
    TfrmSQL::OpenDialogHook = [&](QWidget*) { return QStringList{path}; };
    w.actOpenExecute();

    EXPECT_EQ(memo->Lines().Count(), lines);
    EXPECT_EQ(memo->Lines()[lines - 1], "go");
    EXPECT_EQ(memo->Row(), 0);
    EXPECT_EQ(memo->Col(), 0);
    EXPECT_FALSE(memo->CanUndo());
    EXPECT_TRUE(w.actExec->isEnabled());
    EXPECT_TRUE(w.actSave->isEnabled());
    // However many lines the file has, the editor hears of the load a few times, not per line.
    EXPECT_LE(changes, 3);
    EXPECT_LE(moves, 3);

    // Caret moves and typing on the loaded text.
    for (int i = 0; i < 100; ++i)
        key(memo, Qt::Key_Down);
    EXPECT_EQ(memo->Row(), 100);
    for (int i = 0; i < 100; ++i)
        key(memo, Qt::Key_X, QStringLiteral("x"));
    EXPECT_TRUE(memo->Lines()[100].startsWith(QString(100, u'x')));
    EXPECT_TRUE(memo->Modified());
}

TEST_F(SqlWindowProduct, BlockCommentsShowInTheCommentColour)
{
    TfrmMain main; // loads the editor settings, as at program start
    TfrmSQL w(&owner);
    w.resize(900, 500);
    w.show();
    auto* memo = w.fraMemo->txtSQL;
    memo->Lines().SetTextStr(QStringLiteral("/* a block comment */\r\n"
                                            "select 1\r\n"
                                            "/* over\r\n"
                                            "   two lines */\r\n"));
    QApplication::processEvents();
    const QImage shot = w.grab().toImage();
    // The comment colour of the settings (0x008000: green 128) and a few pixels of tolerance
    // for the edges of the glyphs.
    const QColor comment(0, 128, 0);
    const QRect text = QRect(memo->viewport()->mapTo(&w, QPoint(0, 0)), memo->viewport()->size());
    const int rowHeight = memo->RowHeight();
    auto greenIn = [&](int row) {
        // The rows below the ruler: count the pixels of the comment colour in the row's band.
        int n = 0;
        const int top = text.top() + memo->TopMargin();
        for (int y = top + row * rowHeight; y < top + (row + 1) * rowHeight && y < text.bottom(); ++y)
            for (int x = text.left() + memo->LeftMargin(); x < text.right(); ++x) {
                const QColor c = shot.pixelColor(x * shot.width() / w.width(), y * shot.height() / w.height());
                if (std::abs(c.red() - comment.red()) < 40 && std::abs(c.green() - comment.green()) < 40
                    && std::abs(c.blue() - comment.blue()) < 40)
                    ++n;
            }
        return n;
    };
    EXPECT_GT(greenIn(0), 10);
    EXPECT_EQ(greenIn(1), 0); // "select 1": a reserved word and a number
    EXPECT_GT(greenIn(2), 5);
    EXPECT_GT(greenIn(3), 5); // the second row of the comment too
    if (qEnvironmentVariableIsSet("QORVEL_RENDER_DIR"))
        shot.save(qEnvironmentVariable("QORVEL_RENDER_DIR") + "/sql_window_comments.png");
}

TEST_F(SqlWindowProduct, NewWindowFitsIntoTheMainWindowArea)
{
    TfrmMain main;
    main.resize(1024, 720);
    main.show();
    QApplication::processEvents();
    const QRect area = main.mdiArea()->viewport()->rect();
    ASSERT_LT(area.height(), 600); // the window's default size would not fit
    for (const int stored : {0, 3000}) {
        if (stored) { // a size stored from a larger screen
            TqvRegistry reg;
            ASSERT_TRUE(reg.OpenKey("\\Software\\Velmora\\QVS22\\GUI\\EXECSQL", true));
            reg.WriteInteger("Width", stored);
            reg.WriteInteger("Height", stored);
        }
        auto* sql = new TfrmSQL(&owner);
        QMdiSubWindow* sub = main.AddChildWindow(sql);
        QApplication::processEvents();
        // The area as it is with the window in it (its task button may take room below).
        const QRect now = main.mdiArea()->viewport()->rect();
        EXPECT_TRUE(now.contains(sub->geometry())) << stored << ": " << sub->geometry().width() << "x"
                                                    << sub->geometry().height() << "+" << sub->x() << "+" << sub->y();
        if (!stored && qEnvironmentVariableIsSet("QORVEL_RENDER_DIR")) {
            QApplication::processEvents();
            main.grab().save(qEnvironmentVariable("QORVEL_RENDER_DIR") + "/sql_window_in_main.png");
        }
        delete sub;
    }
}
