#include "app/editor_settings.h"
#include "edit_helper.h"
#include "editor/edit/editor_prop.h"

#include <QApplication>
#include <gtest/gtest.h>

using namespace qv;
using namespace edtest;

TEST(EditorProp, NewHolderOntoNewEditorTakesSystemColours)
{
    TEditorProp prop;
    EXPECT_EQ(prop.Color(), clWindow);
    auto ed = MakeEditor(QStringLiteral("x"));
    prop.AssignTo(*ed);
    EXPECT_EQ(ed->viewport()->palette().color(QPalette::Base), QApplication::palette().color(QPalette::Base));
    EXPECT_EQ(ed->viewport()->palette().color(QPalette::Text), QApplication::palette().color(QPalette::Text));
}

TEST(EditorProp, EventsFireOnlyOnChange)
{
    TEditorProp prop;
    int color = 0, hit = 0;
    prop.OnColorChange = [&](TEditorProp*) { ++color; };
    prop.OnHitStyleChange = [&](TEditorProp*) { ++hit; };
    prop.SetColor(clWindow);
    EXPECT_EQ(color, 0);
    prop.SetColor(0x123456);
    EXPECT_EQ(color, 1);
    // From an editor: the hit style changes without an event; onto another holder with one.
    auto ed = MakeEditor(QString());
    ed->SetHitStyle(hsDraw);
    prop.Assign(*ed);
    EXPECT_EQ(prop.HitStyle(), hsDraw);
    EXPECT_EQ(hit, 0);
    TEditorProp other;
    int otherHit = 0;
    other.OnHitStyleChange = [&](TEditorProp*) { ++otherHit; };
    prop.AssignTo(other);
    EXPECT_EQ(other.HitStyle(), hsDraw);
    EXPECT_EQ(otherHit, 1);
}

TEST(EditorProp, WordWrapAndStoredSettings)
{
    EditorPropertySet set;
    set.WordWrap = true;
    set.SetWrapByte(30);
    set.Caret.SoftTab = true;
    set.SetTabSpaceCount(4);
    set.SetReserveWordList({QStringLiteral("SELECT"), QStringLiteral("FROM")});
    TEditorProp prop;
    prop.AssignFromSettings(set);
    auto ed = MakeEditor(QString(70, u'x'));
    int relayouts = 0;
    ed->OnChange = [&](TEditor*) { ++relayouts; };
    prop.AssignTo(*ed);
    EXPECT_TRUE(ed->WordWrap());
    EXPECT_EQ(ed->WrapOption().WrapByte(), 30);
    EXPECT_EQ(ed->ListCount(), 3);
    EXPECT_TRUE(ed->Caret().SoftTab);
    EXPECT_EQ(ed->Caret().TabSpaceCount(), 4);
    EXPECT_EQ(ed->ReserveWordList().size(), 2);
    // Off again: the wrap goes first.
    prop.SetWordWrap(false);
    prop.AssignTo(*ed);
    EXPECT_FALSE(ed->WordWrap());
    EXPECT_EQ(ed->ListCount(), 1);
}
