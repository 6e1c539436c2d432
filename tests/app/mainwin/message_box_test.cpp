#include <gtest/gtest.h>

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include "app/message_box.h"
#include "app/version_window.h"
#include "controls/inputs/inputs.h"
#include "support/modal_helper.h"

using namespace qv;

namespace {
void pressKey(QWidget* w, Qt::Key k, const QString& text = QString())
{
    QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier, text);
    QCoreApplication::sendEvent(w, &press);
}
} // namespace

TEST(MessageBox, EnterPressesTheDefaultButtonAndEscapeCancels)
{
    QGuiApplication::setApplicationDisplayName("Qorvel for SQL Server");
    QString caption;
    qvtest::whenModal([&](QWidget* w) {
        caption = w->windowTitle();
        qvtest::saveGrab(w, "message_box_292");
        pressKey(w->focusWidget() ? w->focusWidget() : w, Qt::Key_Return);
    });
    EXPECT_EQ(ShowMessageBox("削除しますか？", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2), IDNO); // 292
    EXPECT_EQ(caption, "Qorvel for SQL Server");
    qvtest::whenModal([](QWidget* w) { pressKey(w, Qt::Key_Escape); });
    EXPECT_EQ(ShowMessageBox("保存しますか？", 35), IDCANCEL);
    qvtest::whenModal([](QWidget* w) { pressKey(w, Qt::Key_Return); });
    EXPECT_EQ(ShowMessageBox("完了しました。", 64), IDOK);
}

TEST(MessageBox, ButtonSetsIconsAndDefaults)
{
    struct Case {
        int flags;
        QStringList buttons;
        QMessageBox::Icon icon;
        QString def;
    };
    const Case cases[] = {
        {0, {"OK"}, QMessageBox::NoIcon, "OK"},
        {48, {"OK"}, QMessageBox::Warning, "OK"},
        {16 | 1, {"OK", "キャンセル"}, QMessageBox::Critical, "OK"},
        {2 | 0x200, {"中止(&A)", "再試行(&R)", "無視(&I)"}, QMessageBox::NoIcon, "無視(&I)"},
        {308, {"はい(&Y)", "いいえ(&N)"}, QMessageBox::Warning, "いいえ(&N)"},
        {5 | 0x40, {"再試行(&R)", "キャンセル"}, QMessageBox::Information, "再試行(&R)"},
    };
    for (const Case& c : cases) {
        std::unique_ptr<QMessageBox> box(createMessageBox("text", c.flags));
        QStringList texts;
        for (QAbstractButton* b : box->buttons())
            texts << b->text();
        texts.sort();
        QStringList want = c.buttons;
        want.sort();
        EXPECT_EQ(texts, want) << c.flags;
        EXPECT_EQ(box->icon(), c.icon) << c.flags;
        EXPECT_EQ(box->defaultButton()->text(), c.def) << c.flags;
    }
}

TEST(MessageBox, FormatsLikePrintf)
{
    EXPECT_EQ(FormatText("%d 件", {42}), "42 件");
    EXPECT_EQ(FormatText("%s . %s に接続中", {"srv", "db"}), "srv . db に接続中");
    EXPECT_EQ(FormatText("[%5d][%-4s][%.2f][%%][%x]", {7, "ab", 1.5, 255}), "[    7][ab  ][1.50][%][FF]");
}

TEST(CheckMessageBox, WritesEveryStateBackWhateverTheButton)
{
    bool a = true, b = false;
    qvtest::whenModal([](QWidget* w) {
        auto* dlg = qobject_cast<CheckMessageDialog*>(w);
        ASSERT_NE(dlg, nullptr);
        ASSERT_EQ(dlg->checkBoxes.size(), 2);
        EXPECT_EQ(dlg->checkBoxes[0]->objectName(), "Check0");
        dlg->checkBoxes[0]->setChecked(false);
        dlg->checkBoxes[1]->setChecked(true);
        qvtest::saveGrab(dlg, "check_message_box");
        for (auto* pb : dlg->findChildren<QPushButton*>())
            if (pb->text() == "いいえ(&N)")
                pb->click();
    });
    EXPECT_EQ(ShowCheckMessageBox("削除しますか？", 36, {{"テーブル T1", &a}, {"テーブル T2", &b}}), IDNO);
    EXPECT_FALSE(a);
    EXPECT_TRUE(b);
    qvtest::whenModal([](QWidget* w) { pressKey(w, Qt::Key_Escape); }); // no Cancel: Esc does nothing
    qvtest::whenModal([](QWidget* w) {
        if (auto* dlg = qobject_cast<CheckMessageDialog*>(w))
            for (auto* pb : dlg->findChildren<QPushButton*>())
                if (pb->text() == "はい(&Y)")
                    pb->click();
    });
    EXPECT_EQ(ShowCheckMessageBox("text", 52, {}), IDYES);
}

TEST(InputDialog, NumericValueOwnerListAndChecks)
{
    QString value = "5", owner = "hr";
    bool check = false;
    qvtest::whenModal([](QWidget* w) {
        auto* dlg = qobject_cast<InputDialog*>(w);
        ASSERT_NE(dlg, nullptr);
        ASSERT_NE(dlg->ownerBox, nullptr);
        EXPECT_EQ(dlg->ownerBox->currentText(), "hr");
        EXPECT_EQ(dlg->valueEdit->selectedText(), "5");
        dlg->valueEdit->setText("1234567890"); // a tenth digit is refused
        EXPECT_EQ(dlg->valueEdit->text(), "123456789");
        dlg->checkBoxes[0]->setChecked(true);
        qvtest::saveGrab(dlg, "input_dialog");
        dlg->findChild<QPushButton*>("btnOK")->click();
    });
    EXPECT_TRUE(ShowInputDialog("コピー", "名前", value, true, owner, {"dbo", "hr"}, {{"データもコピー", &check}}));
    EXPECT_EQ(value, "123456789");
    EXPECT_EQ(owner, "hr");
    EXPECT_TRUE(check);
    // Without an owner list: no owner controls, owner untouched; Cancel writes nothing.
    qvtest::whenModal([](QWidget* w) {
        auto* dlg = qobject_cast<InputDialog*>(w);
        ASSERT_NE(dlg, nullptr);
        EXPECT_EQ(dlg->ownerBox, nullptr);
        dlg->valueEdit->setText("changed");
        dlg->findChild<QPushButton*>("btnCancel")->click();
    });
    QString v2 = "x", o2 = "keep";
    EXPECT_FALSE(ShowInputDialog("c", "p", v2, false, o2, {}, {}));
    EXPECT_EQ(v2, "x");
    EXPECT_EQ(o2, "keep");
}

TEST(InputDialog, CopyDatabases)
{
    QString src = "A", dst = "B";
    qvtest::whenModal([](QWidget* w) {
        auto* dlg = qobject_cast<CopyDatabasesDialog*>(w);
        ASSERT_NE(dlg, nullptr);
        dlg->destEdit->setText("C");
        qvtest::saveGrab(dlg, "copy_databases");
        dlg->findChild<QPushButton*>("btnOK")->click();
    });
    EXPECT_TRUE(InputCopyDatabases("コピー", "データベースを指定してください。", src, dst));
    EXPECT_EQ(src, "A");
    EXPECT_EQ(dst, "C");
}

TEST(VersionWindow, ShowsProductAndVersionOrUnknown)
{
    const QString old = QCoreApplication::applicationVersion();
    QCoreApplication::setApplicationVersion(QString());
    TfrmRegist dlg;
    EXPECT_EQ(dlg.lblProduct->text(), "Qorvel for SQL Server 22");
    EXPECT_EQ(dlg.lblVersion->text(), "バージョン： Unknown");
    EXPECT_EQ(dlg.btnClose->text(), "閉じる");
    dlg.show();
    qvtest::saveGrab(&dlg, "version_window");
    EXPECT_GE(dlg.lblProduct->width(), dlg.lblProduct->sizeHint().width());
    QCoreApplication::setApplicationVersion("1.2.3");
    TfrmRegist dlg2;
    EXPECT_EQ(dlg2.lblVersion->text(), "バージョン： 1.2.3");
    QCoreApplication::setApplicationVersion(old);
}
