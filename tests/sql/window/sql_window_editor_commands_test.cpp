// The main window's editor commands (find, replace, jump, comment, box mode, key macros) on the
// SQL editor of an SQL window in the main window's area, and the editor frame's buttons that
// run them.
#include "sql/sql_window.h"
#include "sql_window_fixture.h"

#include "support/modal_helper.h"

#include "app/editor_commands.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/options.h"
#include "controls/inputs/inputs.h"
#include "connection/dm_sqlserver.h"
#include "connection/object_session.h"
#include "editor/search/search_dialogs.h"
#include "editor/sqlmemo/key_macro.h"
#include "editor/sqlmemo/qvmemo.h"
#include "platform/db/scripted_session.h"
#include "sql/memo_settings.h"
#include "sql/sql_history.h"

#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::db;

namespace {

// Answers every program message box with `answer` and records its text. A box nobody expects
// (such as "not available yet") ends up in `seen` instead of blocking the test.
struct BoxAnswers {
    QStringList seen;
    QMessageBox::StandardButton answer = QMessageBox::Ok;
    QTimer timer;
    BoxAnswers()
    {
        timer.setInterval(0);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            seen << box->text();
            QAbstractButton* b = box->button(answer);
            (b ? b : box->buttons().first())->click();
        });
        timer.start();
    }
};

struct EditorCommands : qvtest::SqlWindowFixture {
    std::unique_ptr<TfrmMain> main;
    TfrmSQL* sql = nullptr;
    TqvMemo* memo = nullptr;
    BoxAnswers boxes;

    void SetUp() override
    {
        SqlWindowFixture::SetUp();
        main = std::make_unique<TfrmMain>();
        main->show();
        sql = new TfrmSQL(&owner);
        main->AddChildWindow(sql);
        QApplication::setActiveWindow(main.get());
        memo = sql->fraMemo->txtSQL;
        memo->setFocus();
        QApplication::processEvents();
        SharedMacroList().Clear();
        SharedMacroList().SetStatus(msNone);
    }
    void TearDown() override
    {
        TfrmEditSearchBase::ShowHook = nullptr;
        SharedMacroList().Clear();
        SharedMacroList().SetStatus(msNone);
        // The windows go before the main window, as when the user closes them.
        qDeleteAll(main->mdiArea()->subWindowList());
        main.reset();
    }
    QAction* act(const char* name) const { return main->action(QLatin1String(name)); }
    void run(const char* name)
    {
        // After a dialog the main window is active again (the window system does that).
        QApplication::processEvents();
        if (QApplication::activeWindow() != main.get())
            QApplication::setActiveWindow(main.get());
        QAction* a = act(name);
        ASSERT_TRUE(a->isEnabled()) << name;
        a->trigger();
    }
    void text(const QString& t)
    {
        memo->Lines().SetTextStr(t);
        memo->SetRowCol(0, 0);
    }
    void type(const QString& s)
    {
        for (QChar c : s) {
            QKeyEvent e(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QCoreApplication::sendEvent(memo, &e);
        }
    }
};

} // namespace

TEST_F(EditorCommands, EnabledStatesFollowTheFocusedEditor)
{
    ASSERT_EQ(main->ActiveEditor(), memo);
    for (const char* n : {"actEditFind", "actEditFindNext", "actEditFindPrev", "actEditReplace", "actEditFindClear",
                          "actEditJump", "actEditComment", "actEditSelectMode", "actEditMacroRec", "actEditMacroLoad"})
        EXPECT_TRUE(act(n)->isEnabled()) << n;
    // Nothing recorded yet: nothing to run or save.
    EXPECT_FALSE(act("actEditMacroExec")->isEnabled());
    EXPECT_FALSE(act("actEditMacroSave")->isEnabled());
    // The frame's buttons follow.
    for (const char* n : {"actEditFind", "actEditJump", "actEditComment", "actEditMacroRec"})
        EXPECT_TRUE(sql->fraMemo->findChild<QAction*>(n)->isEnabled()) << n;

    // A read-only editor: searching and jumping only.
    memo->SetReadOnly(true);
    main->EditorStateChanged();
    for (const char* n : {"actEditReplace", "actEditComment", "actEditMacroRec", "actEditMacroLoad"})
        EXPECT_FALSE(act(n)->isEnabled()) << n;
    EXPECT_TRUE(act("actEditFind")->isEnabled());
    memo->SetReadOnly(false);

    // Box mode: the comment toggle needs a selection.
    text("select 1\r\nselect 2\r\n");
    memo->SetSelectionMode(smBox);
    EXPECT_FALSE(act("actEditComment")->isEnabled());
    EXPECT_TRUE(act("actEditSelectMode")->isChecked());
    memo->SetSelectionMode(smLine);
    EXPECT_TRUE(act("actEditComment")->isEnabled());

    // Another control has the focus: no editor commands.
    sql->cmbDatabase->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(main->ActiveEditor(), nullptr);
    for (const QString& n : EditorCommandNames())
        EXPECT_FALSE(main->action(n)->isEnabled()) << n.toStdString();
    EXPECT_FALSE(sql->fraMemo->findChild<QAction*>("actEditFind")->isEnabled());
    EXPECT_TRUE(boxes.seen.isEmpty()) << boxes.seen.join("\n").toStdString();
}

TEST_F(EditorCommands, FindReplaceAndJumpActOnTheEditor)
{
    text("select a from t\r\nselect b from t\r\nselect c from u\r\n");
    TfrmEditSearchBase::ShowHook = [](TfrmEditSearchBase* d) {
        d->cmbSearch->setEditText("from");
        d->btnFindNext->click();
    };
    run("actEditFind");
    EXPECT_EQ(memo->SelText(), "from");
    EXPECT_EQ(memo->Row(), 0);
    // F3 and Shift+F3 go on from there; the frame's button runs the same command.
    run("actEditFindNext");
    EXPECT_EQ(memo->Row(), 1);
    sql->fraMemo->findChild<QAction*>("actEditFindNext")->trigger();
    EXPECT_EQ(memo->Row(), 2);
    run("actEditFindPrev");
    EXPECT_EQ(memo->Row(), 1);
    run("actEditFindClear");
    EXPECT_TRUE(memo->SearchValue().isEmpty());

    TfrmEditSearchBase::ShowHook = [](TfrmEditSearchBase* d) {
        d->cmbSearch->setEditText("from t");
        d->cmbReplace->setEditText("from v");
        d->btnAllReplace->click();
    };
    run("actEditReplace");
    EXPECT_EQ(memo->Lines().ToStringList(), (QStringList{"select a from v", "select b from v", "select c from u"}));

    // Line jump asks for the line; one beyond the end is refused with the entry.
    qvtest::whenModal([](QWidget* w) {
        auto* d = qobject_cast<InputDialog*>(w);
        ASSERT_TRUE(d);
        d->valueEdit->setText(" 3 ");
        d->accept();
    });
    run("actEditJump");
    EXPECT_EQ(memo->Row(), 2);
    qvtest::whenModal([](QWidget* w) {
        auto* d = qobject_cast<InputDialog*>(w);
        ASSERT_TRUE(d);
        d->valueEdit->setText("99");
        d->accept();
    });
    run("actEditJump");
    EXPECT_EQ(boxes.seen, QStringList{"指定行 99 は見つかりませんでした。"});
    EXPECT_EQ(memo->Row(), 2);
}

TEST_F(EditorCommands, CommentAndBoxModeToggle)
{
    text("select 1\r\nselect 2\r\n");
    memo->SetSelStart(0);
    memo->SetSelLength(12); // into the second line
    run("actEditComment");
    EXPECT_EQ(memo->Lines()[0], "--select 1");
    EXPECT_EQ(memo->Lines()[1], "--select 2");
    run("actEditComment");
    EXPECT_EQ(memo->Lines().ToStringList(), (QStringList{"select 1", "select 2"}));

    // From the menu: the menu's pop-up takes the keyboard for a moment, the mode stays.
    QFocusEvent out(QEvent::FocusOut, Qt::PopupFocusReason);
    QCoreApplication::sendEvent(memo, &out);
    run("actEditSelectMode");
    QFocusEvent in(QEvent::FocusIn, Qt::PopupFocusReason);
    QCoreApplication::sendEvent(memo, &in);
    EXPECT_EQ(memo->SelectionMode(), smBox);
    EXPECT_TRUE(memo->KeyDownAltKey);
    EXPECT_TRUE(act("actEditSelectMode")->isChecked());
    run("actEditSelectMode");
    EXPECT_EQ(memo->SelectionMode(), smLine);
    EXPECT_FALSE(memo->KeyDownAltKey);
    EXPECT_FALSE(act("actEditSelectMode")->isChecked());
    EXPECT_TRUE(boxes.seen.isEmpty()) << boxes.seen.join("\n").toStdString();
}

TEST_F(EditorCommands, KeyMacroRecordsRunsSavesAndLoads)
{
    text("");
    run("actEditMacroRec");
    EXPECT_EQ(act("actEditMacroRec")->text(), "マクロ記録終了");
    EXPECT_EQ(sql->fraMemo->findChild<QAction*>("actEditMacroRec")->text(), "マクロ記録終了");
    type("ab");
    run("actEditMacroRec");
    EXPECT_EQ(act("actEditMacroRec")->text(), "マクロ記録開始");
    EXPECT_EQ(memo->Lines()[0], "ab");
    run("actEditMacroExec");
    EXPECT_EQ(memo->Lines()[0], "abab");

    // Saved under a name without extension: the first filter's ".qvmcr" is added.
    const QString path = work.filePath("m");
    qvtest::whenModal([&](QWidget* w) {
        auto* d = qobject_cast<QFileDialog*>(w);
        ASSERT_TRUE(d);
        const auto accept = [d] { QMetaObject::invokeMethod(d, "accept"); };
        EXPECT_EQ(d->windowTitle(), "名前を付けて保存");
        d->selectFile(path);
        accept();
    });
    run("actEditMacroSave");
    EXPECT_TRUE(QFile::exists(path + ".qvmcr"));
    EXPECT_EQ(boxes.seen, QStringList{"ファイルを出力しました。"});

    // Loaded again into an empty macro, it types the same.
    SharedMacroList().Clear();
    SharedMacroList().SetStatus(msNone);
    main->EditorStateChanged();
    EXPECT_FALSE(act("actEditMacroExec")->isEnabled());
    qvtest::whenModal([&](QWidget* w) {
        auto* d = qobject_cast<QFileDialog*>(w);
        ASSERT_TRUE(d);
        const auto accept = [d] { QMetaObject::invokeMethod(d, "accept"); };
        EXPECT_EQ(d->windowTitle(), "マクロを開く");
        d->selectFile(path + ".qvmcr");
        accept();
    });
    run("actEditMacroLoad");
    run("actEditMacroExec");
    EXPECT_EQ(memo->Lines()[0], "ababab");

    // A file that is no macro is refused.
    QFile bad(work.filePath("bad.qvmcr"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("not a macro\r\n");
    bad.close();
    qvtest::whenModal([&](QWidget* w) {
        auto* d = qobject_cast<QFileDialog*>(w);
        ASSERT_TRUE(d);
        const auto accept = [d] { QMetaObject::invokeMethod(d, "accept"); };
        d->selectFile(bad.fileName());
        accept();
    });
    run("actEditMacroLoad");
    EXPECT_EQ(boxes.seen.last(), "キーマクロファイルを読み込めませんでした。");
}

TEST(EditorCommandRules, JumpEntriesAndMacroFileNames)
{
    const struct {
        QString entry;
        bool zeroBase;
        int count;
        std::optional<int> line;
    } jumps[] = {
        {"1", false, 3, 1}, {" 3 ", false, 3, 3}, {"4", false, 3, std::nullopt}, {"0", false, 3, std::nullopt},
        {"0", true, 3, 0},  {"-1", true, 3, std::nullopt}, {"x", false, 3, std::nullopt}, {"", false, 3, std::nullopt},
        {"1.5", false, 3, std::nullopt},
    };
    for (const auto& j : jumps)
        EXPECT_EQ(JumpLineOf(j.entry, j.zeroBase, j.count), j.line) << j.entry.toStdString();
    EXPECT_EQ(MacroSaveFileName("/x/m", 0), "/x/m.qvmcr");
    EXPECT_EQ(MacroSaveFileName("/x/m", 1), "/x/m.txt");
    EXPECT_EQ(MacroSaveFileName("/x/m", 5), "/x/m.qvmcr");
    EXPECT_EQ(MacroSaveFileName("/x/m.sql", 0), "/x/m.sql");
}
