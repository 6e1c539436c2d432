// The options dialog through its widgets: OK without changes, the thresholds, the key page,
// the folder boxes and the transaction step of the AutoTran option.
#include "app/found/settings_helper.h"
#include "app/mainwin/fake_connection_helper.h"
#include "app/main_window.h"
#include "app/option_dialog.h"
#include "app/format_option_frame.h"
#include "app/options.h"
#include "app/shortcut_tree.h"
#include "controls/inputs/inputs.h"
#include "support/modal_helper.h"

#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QPlainTextEdit>
#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QKeyEvent>

using namespace qv;
using namespace qvtest;

namespace {

// A connection window whose session may hold an open transaction.
class TranConnection : public FakeConnectionWindow {
public:
    using FakeConnectionWindow::FakeConnectionWindow;
    bool open = false;
    bool InTransaction() const override { return open; }
};

// Answers the next message boxes, one answer each, and notes their texts.
void answerBoxes(QStringList* texts, QList<QMessageBox::StandardButton> answers)
{
    if (answers.isEmpty())
        return;
    whenModal([texts, answers](QWidget* w) {
        auto* mb = qobject_cast<QMessageBox*>(w);
        if (!mb) {
            w->close();
            return;
        }
        texts->append(mb->text());
        if (QAbstractButton* b = mb->button(answers.first()))
            b->click();
        else
            mb->accept();
        answerBoxes(texts, answers.mid(1));
    });
}
void answerBox(QStringList* texts, QMessageBox::StandardButton answer) { answerBoxes(texts, {answer}); }

// While it lives, any message box is noted and answered with `answer`: a box that should not
// appear makes the test fail instead of waiting for a user.
class BoxGuard {
public:
    explicit BoxGuard(QMessageBox::StandardButton answer) : m_answer(answer)
    {
        m_timer.setInterval(0);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            auto* mb = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!mb || !mb->isVisible())
                return;
            texts << mb->text();
            if (QAbstractButton* b = mb->button(m_answer))
                b->click();
            else
                mb->close();
        });
        m_timer.start();
    }
    QStringList texts;

private:
    QMessageBox::StandardButton m_answer;
    QTimer m_timer;
};

// Presses and releases a key on w, as typing would.
void typeKey(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    const QString text = key >= Qt::Key_Space && key <= Qt::Key_AsciiTilde && !(mods & Qt::ControlModifier)
        ? QString(QChar(key)).toLower() : QString();
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods, text);
    QApplication::sendEvent(w, &release);
}

struct Records {
    TqvOption o = qvOption;
    TqvPrintOption p = qvPrintOption;
    TScriptOption s = ScriptOption;
    TLoadOption l = LoadOption;
    TFormatOption f = FormatOption;
    TMemoOption m = MemoOption;
    TTrcOption t = TrcOption;
    TCompOption c = CompOption;
    TLockOption k = LockOption;
    EditorPropertySet e = prpEditor;
    QStringList words = ReserveWordList;
    QStringList shortcuts = currentShortcuts();
    bool operator==(const Records&) const = default;

    static QStringList currentShortcuts()
    {
        QStringList out;
        for (const ShortcutEntry& s : ShortcutEntries())
            out << ShortcutText(QString::fromLatin1(s.actionName));
        return out;
    }
};

class OptionDialogTest : public SettingsTest {
protected:
    void SetUp() override
    {
        SettingsTest::SetUp();
        main = std::make_unique<TfrmMain>(); // loads every option from the empty store
    }
    void TearDown() override
    {
        main.reset();
        SettingsTest::TearDown();
    }
    std::unique_ptr<TfrmMain> main;
};

} // namespace

TEST_F(OptionDialogTest, OkWithoutChangeKeepsEveryRecordAndLeavesTheSessionAlone)
{
    ASSERT_FALSE(Records().shortcuts.filter("Ctrl+F").isEmpty()); // bound to the main window's actions
    for (bool autoTran : {false, true}) {
        qvOption.AutoTran = autoTran;
        TranConnection conn;
        conn.open = true;
        const Records before;
        TfrmOption dlg(&conn, main.get());
        BoxGuard guard(QMessageBox::No);
        dlg.btnOkClick();
        EXPECT_TRUE(guard.texts.isEmpty()) << guard.texts.join("|").toStdString();
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
        EXPECT_TRUE(Records() == before) << autoTran;
        EXPECT_TRUE(conn.calls.isEmpty()) << conn.calls.join(",").toStdString();
    }
}

TEST_F(OptionDialogTest, ControlsStoreIntoTheirFields)
{
    TfrmOption dlg(nullptr, main.get());
    dlg.checks.value("UserFirst")->setChecked(true);
    dlg.typeButtons.value("ShowView")->setChecked(false);
    dlg.radios.value("TreeSort")->button(1)->setChecked(true);
    dlg.numbers.value("SQLBuf")->setValueInt(7);
    dlg.numbers.value("ExcelTop")->setValueInt(3);
    dlg.combos.value("ExcelLeft")->setCurrentIndex(27);
    dlg.combos.value("Encoding")->setCurrentIndex(3);
    dlg.radios.value("CSVQuotation")->button(2)->setChecked(true);
    dlg.texts.value("MS_EXE")->setText("/opt/ms/ssms");
    dlg.btnOkClick();
    ASSERT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_TRUE(qvOption.UserFirst);
    EXPECT_FALSE(qvOption.ShowView);
    EXPECT_EQ(qvOption.TreeSort, 1);
    EXPECT_EQ(qvOption.SQLBuf, 7);
    EXPECT_EQ(qvOption.ExcelTop, 2);
    EXPECT_EQ(qvOption.ExcelLeft, 27);
    EXPECT_EQ(dlg.combos.value("ExcelLeft")->itemText(27), "AB");
    EXPECT_EQ(qvOption.Encoding, 3);
    EXPECT_EQ(qvOption.CSVQuotation, 2);
    EXPECT_EQ(qvOption.MS_EXE, "/opt/ms/ssms");
}

TEST_F(OptionDialogTest, RebuildNotAboveReorganiseIsRefused)
{
    const TqvOption before = qvOption;
    TfrmOption dlg(nullptr, main.get());
    dlg.show();
    dlg.numbers.value("IdxReorganize")->setValueInt(40);
    dlg.numbers.value("IdxRebuild")->setValueInt(40);
    QStringList boxes;
    answerBox(&boxes, QMessageBox::Ok);
    dlg.btnOkClick();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].contains("再編成の閾値よりも再構築の閾値を高く設定して下さい。")) << boxes[0].toStdString();
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.pages->tabText(dlg.pages->currentIndex()), "詳細設定");
    EXPECT_TRUE(qvOption == before);
}

TEST_F(OptionDialogTest, ReorganiseThresholdOfThreeAsksOnce)
{
    {
        TfrmOption dlg(nullptr, main.get());
        dlg.numbers.value("IdxReorganize")->setValueInt(3);
        QStringList boxes;
        answerBox(&boxes, QMessageBox::No);
        dlg.btnOkClick();
        ASSERT_EQ(boxes.size(), 1);
        EXPECT_TRUE(boxes[0].contains("[再編成：3%以上]、[再構築：31%以上]")) << boxes[0].toStdString();
        EXPECT_NE(dlg.result(), QDialog::Accepted);
        EXPECT_EQ(qvOption.IdxReorganize, 5);
        answerBox(&boxes, QMessageBox::Yes);
        dlg.btnOkClick();
        EXPECT_EQ(boxes.size(), 2);
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
        EXPECT_EQ(qvOption.IdxReorganize, 3);
    }
    TfrmOption again(nullptr, main.get());
    BoxGuard guard(QMessageBox::No);
    again.btnOkClick();
    EXPECT_TRUE(guard.texts.isEmpty());
    EXPECT_EQ(again.result(), QDialog::Accepted);
}

TEST_F(OptionDialogTest, KeyPageIgnoresBareLettersRefusesDuplicatesAndClearsWithSpace)
{
    QAction* find = main->action("actEditFind");
    QAction* replace = main->action("actEditReplace");
    ASSERT_EQ(find->shortcut(), QKeySequence("Ctrl+F"));
    {
        TfrmOption dlg(nullptr, main.get());
        dlg.show();
        dlg.pages->setCurrentWidget(dlg.page("キー操作"));
        ShortcutTree* tree = dlg.lstShortCut;
        ASSERT_TRUE(tree->isEnabled());
        tree->setCurrentItem(tree->itemFor("actEditReplace"));
        tree->setFocus();
        typeKey(tree, Qt::Key_Q);                         // bare letter: ignored
        EXPECT_EQ(tree->shortcutText("actEditReplace"), "Ctrl+R");
        QStringList boxes;
        answerBox(&boxes, QMessageBox::Ok);
        typeKey(tree, Qt::Key_F, Qt::ControlModifier);    // actEditFind has it
        ASSERT_EQ(boxes.size(), 1);
        EXPECT_EQ(boxes[0], "同じショートカットが既に存在しています。");
        EXPECT_EQ(tree->shortcutText("actEditReplace"), "Ctrl+R");
        typeKey(tree, Qt::Key_H, Qt::ControlModifier);
        EXPECT_EQ(tree->shortcutText("actEditReplace"), "Ctrl+H");
        tree->setCurrentItem(tree->itemFor("actEditFind"));
        typeKey(tree, Qt::Key_Space);
        EXPECT_EQ(tree->shortcutText("actEditFind"), "");
        dlg.btnOkClick();
        ASSERT_EQ(dlg.result(), QDialog::Accepted);
    }
    EXPECT_TRUE(find->shortcut().isEmpty());
    EXPECT_EQ(replace->shortcut(), QKeySequence("Ctrl+H"));
    // Saved and started again: the cleared shortcut is the designed one once more.
    SaveSettings();
    main.reset();
    RestartStore();
    main = std::make_unique<TfrmMain>();
    EXPECT_EQ(main->action("actEditFind")->shortcut(), QKeySequence("Ctrl+F"));
    EXPECT_EQ(main->action("actEditReplace")->shortcut(), QKeySequence("Ctrl+H"));
}

TEST_F(OptionDialogTest, EmptiedFolderBoxesRestoreTheirDefaults)
{
    qvOption.CSVDir = "/srv/csv/";
    qvOption.TempDir = "/srv/work/";
    TfrmOption dlg(nullptr, main.get());
    dlg.texts.value("CSVDir")->setText("");
    dlg.texts.value("TempDir")->setText("  ");
    dlg.texts.value("FileDir")->setText("/srv/sql");
    dlg.btnOkClick();
    ASSERT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(qvOption.CSVDir, DocumentsDir());
    EXPECT_EQ(qvOption.TempDir, DataDir() + "temp/");
    EXPECT_EQ(qvOption.FileDir, "/srv/sql/");
}

TEST_F(OptionDialogTest, AutoTranChangeAsksBeforeCommittingAndNeverHalfApplies)
{
    TranConnection conn;
    conn.open = true;
    // Declined: nothing committed, nothing stored.
    {
        TfrmOption dlg(&conn, main.get());
        dlg.checks.value("AutoTran")->setChecked(true);
        dlg.checks.value("UserFirst")->setChecked(true);
        QStringList boxes;
        answerBox(&boxes, QMessageBox::No);
        dlg.btnOkClick();
        ASSERT_EQ(boxes.size(), 1);
        EXPECT_NE(dlg.result(), QDialog::Accepted);
        EXPECT_TRUE(conn.calls.isEmpty());
        EXPECT_FALSE(qvOption.AutoTran);
        EXPECT_FALSE(qvOption.UserFirst);
    }
    // Accepted but the commit fails: the error is shown and every option stays as it was.
    {
        conn.failCommit = true;
        const TqvOption before = qvOption;
        TfrmOption dlg(&conn, main.get());
        dlg.checks.value("AutoTran")->setChecked(true);
        dlg.checks.value("CodeAssist")->setChecked(false);
        QStringList boxes;
        answerBoxes(&boxes, {QMessageBox::Yes, QMessageBox::Ok});
        dlg.btnOkClick();
        ASSERT_EQ(boxes.size(), 2);
        EXPECT_EQ(boxes[1], "commit failed");
        EXPECT_NE(dlg.result(), QDialog::Accepted);
        EXPECT_TRUE(qvOption == before);
        EXPECT_EQ(conn.calls, QStringList({"Commit"}));
    }
    // Accepted and committed: a transaction is started and the option stored.
    {
        conn.failCommit = false;
        conn.calls.clear();
        TfrmOption dlg(&conn, main.get());
        dlg.checks.value("AutoTran")->setChecked(true);
        QStringList boxes;
        answerBox(&boxes, QMessageBox::Yes);
        dlg.btnOkClick();
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
        EXPECT_TRUE(qvOption.AutoTran);
        EXPECT_EQ(conn.calls, QStringList({"Commit", "StartTransaction"}));
    }
    // Switched off without an open transaction: committed without a question.
    {
        conn.open = false;
        conn.calls.clear();
        TfrmOption dlg(&conn, main.get());
        dlg.checks.value("AutoTran")->setChecked(false);
        dlg.btnOkClick();
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
        EXPECT_FALSE(qvOption.AutoTran);
        EXPECT_EQ(conn.calls, QStringList({"Commit"}));
    }
}

TEST_F(OptionDialogTest, ExternalScriptsNeedAConnectionOfVersion13)
{
    {
        TfrmOption dlg(nullptr, main.get());
        EXPECT_FALSE(dlg.btnScriptExec->isEnabled());
    }
    TranConnection conn;
    conn.version = 15;
    TfrmOption dlg(&conn, main.get());
    ASSERT_TRUE(dlg.btnScriptExec->isEnabled());
    dlg.checks.value("Script")->setChecked(false);
    QStringList boxes;
    answerBoxes(&boxes, {QMessageBox::Yes, QMessageBox::Ok});
    dlg.btnScriptExec->click();
    EXPECT_EQ(boxes.size(), 2);
    EXPECT_EQ(conn.calls, QStringList({"EXEC sp_configure 'external scripts enabled', 0 RECONFIGURE WITH OVERRIDE"}));
}

TEST_F(OptionDialogTest, PagesRenderWithoutClippedText)
{
    TfrmOption dlg(nullptr, main.get());
    dlg.show();
    for (int i = 0; i < dlg.pages->count(); ++i) {
        dlg.pages->setCurrentIndex(i);
        QApplication::processEvents();
        saveGrab(&dlg, QStringLiteral("option_page_%1").arg(i));
        // Every label and check box gets at least the width its text needs.
        for (auto* c : dlg.pages->widget(i)->findChildren<QCheckBox*>()) {
            if (c->isVisible()) {
                EXPECT_GE(c->width(), c->sizeHint().width()) << c->text().toStdString();
            }
        }
    }
}

// The hidden "整形出力" page is never shown, yet it loads the formatter options and OK stores
// what its controls hold; the sample follows the choices.
TEST_F(OptionDialogTest, HiddenFormatPageLoadsAndStoresTheFormatterOptions)
{
    FormatOption.Indent = 6;
    FormatOption.ReserveTrans = 1;
    TfrmOption dlg(nullptr, main.get());
    const int tab = dlg.pages->indexOf(dlg.page("整形出力"));
    ASSERT_GE(tab, 0);
    EXPECT_FALSE(dlg.pages->isTabVisible(tab));
    ASSERT_NE(dlg.fraFormat, nullptr);
    EXPECT_EQ(dlg.fraFormat->txtIndent->text(), "6");
    EXPECT_TRUE(dlg.fraFormat->txtFormat->toPlainText().contains("select")); // lower-case reserved words
    dlg.fraFormat->txtIndent->setText("2");
    dlg.fraFormat->radios.value("CommaPos")->button(1)->setChecked(true);
    dlg.fraFormat->radios.value("ItemTrans")->button(2)->setChecked(true);
    dlg.btnOkClick();
    ASSERT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(FormatOption.Indent, 2);
    EXPECT_EQ(FormatOption.CommaPos, 1);
    EXPECT_EQ(FormatOption.ItemTrans, 2);
    EXPECT_EQ(FormatOption.ReserveTrans, 1);
}
