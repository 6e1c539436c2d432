#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QVBoxLayout>

#include "app/edit_target.h"
#include "controls/inputs/inputs.h"
#include "controls/inputs/number_text.h"

using namespace qv;

namespace {
void key(QWidget* w, Qt::Key k, const QString& text = QString())
{
    QKeyEvent ev(QEvent::KeyPress, k, Qt::NoModifier, text);
    QCoreApplication::sendEvent(w, &ev);
}
void type(QWidget* w, const QString& text)
{
    for (QChar c : text)
        key(w, Qt::Key_unknown, QString(c));
}
} // namespace

TEST(NumberText, FilterConversionAndRounding)
{
    struct F {
        const char* in;
        bool minus;
        const char* out;
    };
    for (const F& f : {F{"1.2.3", false, "12.3"}, F{"-12a", false, "12"}, F{"-12a", true, "-12"},
                       F{"1-2", true, "-12"}, F{"1,234", false, "1234"}, F{"", true, ""}})
        EXPECT_EQ(FilterNumberText(f.in, f.minus), QString(f.out)) << f.in;
    EXPECT_DOUBLE_EQ(StrToFloatOrDefault(" 1.5e2 ", 0), 150);
    EXPECT_DOUBLE_EQ(StrToFloatOrDefault("-3", 0), -3);
    for (const char* bad : {"", ".", "1,000", "abc", "inf", "1.2.3"})
        EXPECT_DOUBLE_EQ(StrToFloatOrDefault(bad, 7), 7) << bad;
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(3.5), 4);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(1e12), INT_MAX);
}

TEST(Inputs, SnapshotAndBlankTests)
{
    TqvStrEdit e;
    EXPECT_FALSE(e.IsChanged());
    e.setText("a");
    EXPECT_TRUE(e.IsChanged()); // the snapshot starts empty
    e.Save();
    EXPECT_FALSE(e.IsChanged());
    e.setText("A");
    EXPECT_TRUE(e.IsChanged()); // letter case counts
    e.setText(" \t ");
    EXPECT_TRUE(e.IsNull());
    e.setText(QStringLiteral("\u3000"));
    EXPECT_FALSE(e.IsNull()); // a full-width blank is content
    TqvCheckBox cb;
    cb.setTristate(true);
    cb.setCheckState(Qt::PartiallyChecked);
    cb.Save();
    EXPECT_FALSE(cb.IsChanged());
    cb.setCheckState(Qt::Checked);
    EXPECT_TRUE(cb.IsChanged());
    TqvRadioButton rb;
    rb.Save();
    rb.setChecked(true);
    EXPECT_TRUE(rb.IsChanged());
    TqvComboBox combo;
    combo.addItems({"x", "y"});
    combo.setCurrentIndex(1);
    EXPECT_TRUE(combo.IsChanged());
    combo.Save();
    EXPECT_FALSE(combo.IsChanged());
    EXPECT_EQ(combo.maxVisibleItems(), 20);
}

TEST(Inputs, NumericEditFiltersEveryChangeAndConverts)
{
    TqvNumEdit n;
    type(&n, "1.2.3");
    EXPECT_EQ(n.text(), "12.3");
    n.setText("-12a");
    EXPECT_EQ(n.text(), "12");
    n.setAllowMinus(true);
    n.setText("1-2");
    EXPECT_EQ(n.text(), "-12");
    n.setText("2.5");
    EXPECT_EQ(n.ValueInt(), 2);
    n.setText("3.5");
    EXPECT_EQ(n.ValueInt(), 4);
    n.setText(".");
    EXPECT_EQ(n.ValueInt(), 0);
    n.clear();
    n.setValueInt(0);
    EXPECT_EQ(n.text(), ""); // an empty edit stays empty for 0
    n.setText("7");
    n.setValueInt(0);
    EXPECT_EQ(n.text(), "0");
    n.setValueFloat(1.25);
    EXPECT_EQ(n.text(), "1.25");
}

TEST(Inputs, ArrowsAndEnterMoveTheFocus)
{
    QWidget form;
    auto* lay = new QVBoxLayout(&form);
    auto* a = new TqvStrEdit;
    auto* b = new TqvStrEdit;
    auto* c = new TqvComboBox;
    lay->addWidget(a);
    lay->addWidget(b);
    lay->addWidget(c);
    form.show();
    QApplication::setActiveWindow(&form);
    b->setFocus();
    b->setText("abc");
    b->setCursorPosition(1);
    key(b, Qt::Key_Right); // caret in the middle: moves the caret only
    EXPECT_TRUE(b->hasFocus());
    EXPECT_EQ(b->cursorPosition(), 2);
    key(b, Qt::Key_Up); // always moves
    EXPECT_TRUE(a->hasFocus());
    key(a, Qt::Key_Return);
    EXPECT_TRUE(b->hasFocus());
    b->setCursorPosition(3);
    key(b, Qt::Key_Right);
    EXPECT_TRUE(c->hasFocus());
    b->keys.wantArrow = false;
    b->setFocus();
    key(b, Qt::Key_Up);
    EXPECT_TRUE(b->hasFocus());
}

TEST(Inputs, DisabledFieldsTurnGrey)
{
    TqvStrEdit e;
    const QColor enabled = e.palette().color(QPalette::Base);
    e.setEnabled(false);
    EXPECT_EQ(e.palette().color(QPalette::Disabled, QPalette::Base),
              QApplication::palette(&e).color(QPalette::Active, QPalette::Button));
    e.setEnabled(true);
    EXPECT_EQ(e.palette().color(QPalette::Base), enabled);
}

TEST(EditTarget, CommandsReachTheFocusedControl)
{
    TqvStrEdit e;
    e.setText("hello");
    EXPECT_TRUE(sendEditCommand(&e, EditCommand::SelectAll));
    EXPECT_EQ(e.selectedText(), "hello");
    EXPECT_TRUE(sendEditCommand(&e, EditCommand::Clear));
    EXPECT_EQ(e.text(), "");
    EXPECT_TRUE(sendEditCommand(&e, EditCommand::Undo));
    EXPECT_EQ(e.text(), "hello");
    EXPECT_FALSE(isTextEditorTarget(&e));
    EXPECT_FALSE(sendEditCommand(nullptr, EditCommand::Copy));
    TqvListBox multi, single;
    multi.addItems({"a", "b", "c"});
    single.addItems({"a", "b", "c"});
    multi.setSelectionMode(QAbstractItemView::ExtendedSelection);
    EXPECT_TRUE(sendEditCommand(&multi, EditCommand::SelectAll));
    EXPECT_EQ(multi.selectedItems().size(), 3);
    single.item(1)->setSelected(true);
    EXPECT_TRUE(sendEditCommand(&single, EditCommand::SelectAll));
    EXPECT_EQ(single.selectedItems().size(), 1);
    EXPECT_FALSE(sendEditCommand(&multi, EditCommand::Paste)); // other commands: not a list's
}
