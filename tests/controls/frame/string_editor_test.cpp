#include "controls/string_editor.h"
#include "editor/view/editor.h"
#include "platform/registry.h"

#include <QCheckBox>
#include <QImage>
#include <QPushButton>
#include <QApplication>
#include <QKeyEvent>
#include <gtest/gtest.h>

using namespace qv;

namespace {

void typeText(QWidget* w, const QString& text)
{
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &release);
    }
}

struct HookGuard {
    explicit HookGuard(std::function<int(TfrmMemo*)> f) { TfrmMemo::ExecHook() = std::move(f); }
    ~HookGuard() { TfrmMemo::ExecHook() = nullptr; }
};

} // namespace

TEST(TfrmMemo, TypingClearsNullAndOkReturnsText)
{
    QString text = "abc";
    bool isNull = true;
    HookGuard g([](TfrmMemo* dlg) {
        EXPECT_TRUE(dlg->chkNull->isChecked());
        EXPECT_FALSE(dlg->chkNull->isHidden());
        EXPECT_TRUE(dlg->btnOk->isEnabled());
        dlg->show();
        dlg->txtComment->setFocus();
        typeText(dlg->txtComment, "xy");
        EXPECT_FALSE(dlg->chkNull->isChecked()); // typing cleared it
        if (!qEnvironmentVariableIsEmpty("QORVEL_FRAME_PNG_DIR"))
            dlg->grab().save(qEnvironmentVariable("QORVEL_FRAME_PNG_DIR") + "/string_editor.png");
        dlg->chkNull->setChecked(true);
        dlg->btnOk->click();
        return dlg->result();
    });
    EXPECT_EQ(TfrmMemo::ShowWindow(text, isNull, false, true), QDialog::Accepted);
    EXPECT_TRUE(isNull);
    EXPECT_EQ(text, "abcxy"); // caret was at the end
}

TEST(TfrmMemo, ReadOnlyDisablesOkAndCancelKeepsValues)
{
    QString text = "keep";
    bool isNull = false;
    {
        HookGuard g([](TfrmMemo* dlg) {
            EXPECT_FALSE(dlg->btnOk->isEnabled());
            EXPECT_TRUE(dlg->chkNull->isHidden());
            dlg->txtComment->Lines().SetTextStr(u"changed");
            dlg->chkNull->setChecked(true);
            dlg->btnCancel->click();
            return dlg->result();
        });
        EXPECT_EQ(TfrmMemo::ShowWindow(text, isNull, true, false), QDialog::Rejected);
    }
    EXPECT_EQ(text, "keep");
    EXPECT_FALSE(isNull);
}

TEST(TfrmMemo, EmptyTextWithNullOkReturnsEmptyNull)
{
    QString text;
    bool isNull = true;
    HookGuard g([](TfrmMemo* dlg) {
        dlg->btnOk->click();
        return dlg->result();
    });
    EXPECT_EQ(TfrmMemo::ShowWindow(text, isNull, false, true), QDialog::Accepted);
    EXPECT_TRUE(text.isEmpty());
    EXPECT_TRUE(isNull);
}

TEST(TfrmMemo, PlacementIsSharedThroughCommentKey)
{
    QString text = "x";
    bool isNull = false;
    {
        HookGuard g([](TfrmMemo* dlg) {
            dlg->setGeometry(40, 50, 600, 420);
            return int(QDialog::Rejected);
        });
        TfrmMemo::ShowWindow(text, isNull, false, false);
    }
    TqvRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(SettingsRootKey + "\\GUI\\COMMENT"));
    EXPECT_EQ(reg.GetInteger("Width", 0), 600);
    EXPECT_EQ(reg.GetInteger("Height", 0), 420);
    reg.CloseKey();
    QSize seen;
    HookGuard g([&](TfrmMemo* dlg) {
        seen = dlg->size();
        return int(QDialog::Rejected);
    });
    TfrmMemo::ShowWindow(text, isNull, false, false);
    EXPECT_EQ(seen, QSize(600, 420));
}

TEST(TfrmMemo, EscClosesLikeCancel)
{
    QString text = "keep";
    bool isNull = false;
    bool closed = false;
    {
        HookGuard g([&closed](TfrmMemo* dlg) {
            dlg->show();
            dlg->txtComment->setFocus();
            typeText(dlg->txtComment, "xy");
            QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, QStringLiteral("\x1b"));
            QApplication::sendEvent(dlg->txtComment, &esc);
            closed = !dlg->isVisible();
            return dlg->result();
        });
        EXPECT_EQ(TfrmMemo::ShowWindow(text, isNull, false, true), QDialog::Rejected);
    }
    EXPECT_TRUE(closed);
    EXPECT_EQ(text, "keep");
    EXPECT_FALSE(isNull);
}
