// The conversion panel of the editor frame's palette, through the SQL window: source to the
// clipboard and back into the editor, the selection widened to whole lines, and user rules
// added, kept in the settings for the next window, and deleted.
#include "sql/memo_convert.h"
#include "sql/sql_window.h"
#include "sql/window/sql_window_fixture.h"

#include "app/message_box.h"
#include "editor/sqlmemo/qvmemo.h"
#include "platform/registry.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

using namespace qv;

namespace {

struct ConvertPanel : qvtest::SqlWindowFixture {
    QStringList boxes;
    QStringList names; // answers of the rule-name box
    std::unique_ptr<TfrmSQL> w;

    void SetUp() override
    {
        SqlWindowFixture::SetUp();
        Registry().DeleteKey(SettingsRootKey + "\\EDITOR");
        TfraMemoConvert::MessageHook() = [this](const QString& text, int flags) {
            boxes << QString::number(flags) + ":" + text;
            return IDYES;
        };
        TfraMemoConvert::InputHook() = [this](const QString&, const QString&, QString& value) {
            if (names.isEmpty())
                return false;
            value = names.takeFirst();
            return true;
        };
        w = std::make_unique<TfrmSQL>(&owner);
    }
    void TearDown() override
    {
        TfraMemoConvert::MessageHook() = nullptr;
        TfraMemoConvert::InputHook() = nullptr;
        Registry().DeleteKey(SettingsRootKey + "\\EDITOR");
    }
    TfraMemoConvert* panel() const { return w->fraMemo->fraConvert; }
};

} // namespace

TEST_F(ConvertPanel, SqlToSourceAndBack)
{
    ASSERT_NE(panel(), nullptr);
    EXPECT_EQ(w->fraMemo->cpnlConvert->Body()->findChild<QLabel*>("lblNotAvailable"), nullptr);
    EXPECT_EQ(panel()->cmbRule->currentIndex(), 0);
    EXPECT_EQ(panel()->cmbRule->count(), 11);
    w->txtSQL->Lines().Assign({"select * from t"});
    panel()->btnSource->click();
    EXPECT_EQ(QApplication::clipboard()->text(), "sql = sql + \" select * from t\";\r\n");
    EXPECT_EQ(boxes, QStringList{"64:エディタの文字列をソース化してクリップボードへ転送しました。"});
    EXPECT_EQ(w->txtSQL->Lines().ToStringList(), QStringList{"select * from t"});

    w->txtSQL->Lines().Assign({"sql = sql + \" select * from t\";"});
    panel()->btnSQL->click();
    EXPECT_EQ(w->txtSQL->Lines().ToStringList().value(0), " select * from t");
    EXPECT_EQ(w->txtSQL->SelText(), " select * from t\r\n");

    // Half a line selected: the whole line is converted, and only that line.
    w->txtSQL->Lines().Assign({"a1", "select x", "b2"});
    w->txtSQL->SetSelStart(7);
    w->txtSQL->SetSelLength(3);
    panel()->btnSource->click();
    EXPECT_EQ(QApplication::clipboard()->text(), "sql = sql + \" select x\";");
    EXPECT_EQ(w->txtSQL->SelText(), "select x");
    panel()->txtStrChar->setText("s"); // the conversion takes the fields as they stand
    panel()->btnSQL->click();
    EXPECT_EQ(w->txtSQL->Lines().ToStringList(), (QStringList{"a1", "elect x", "b2"}));
}

TEST_F(ConvertPanel, UserRuleIsKeptForTheNextWindowAndDeleted)
{
    panel()->cmbRuleChange(2);
    EXPECT_FALSE(panel()->btnRuleDel->isEnabled());
    panel()->txtRowSt->setText("s = s & ");
    names << "VB 改";
    panel()->btnRuleAdd->click();
    EXPECT_EQ(boxes, QStringList{"64:ルールを追加しました。"});
    EXPECT_EQ(panel()->cmbRule->currentText(), "VB 改");
    EXPECT_TRUE(panel()->btnRuleDel->isEnabled());
    names << "VB 改 ";
    panel()->btnRuleAdd->click();
    EXPECT_EQ(boxes.last(), "48:ルール名【VB 改 】は既に登録されています。");

    auto second = std::make_unique<TfrmSQL>(&owner);
    TfraMemoConvert* p2 = second->fraMemo->fraConvert;
    EXPECT_EQ(p2->cmbRule->count(), 12);
    EXPECT_EQ(p2->cmbRule->currentText(), "VB 改");
    EXPECT_EQ(p2->txtRowSt->text(), "s = s & ");
    EXPECT_EQ(p2->txtAfter1->text(), "\"\"");
    EXPECT_TRUE(p2->chkHdSpaceOn->isChecked());

    boxes.clear();
    p2->btnRuleDel->click();
    EXPECT_EQ(boxes, (QStringList{"36:ルール【VB 改】を削除しますか？", "64:ルールを削除しました。"}));
    EXPECT_EQ(p2->cmbRule->currentIndex(), 0);
    EXPECT_EQ(p2->cmbRule->count(), 11);
    TqvRegistry reg;
    ASSERT_TRUE(reg.OpenKey(SettingsRootKey + "\\EDITOR", false));
    EXPECT_EQ(reg.GetInteger("ItemIndex", -1), 0);
}

TEST_F(ConvertPanel, ThirtyFirstRuleIsRefused)
{
    for (int i = 0; i < 30; ++i)
        names << QString("rule%1").arg(i);
    for (int i = 0; i < 30; ++i)
        panel()->btnRuleAddClick();
    EXPECT_EQ(panel()->cmbRule->count(), 41);
    boxes.clear();
    names << "one more";
    panel()->btnRuleAddClick();
    EXPECT_EQ(boxes, QStringList{"48:ルールの追加は最大30件です。"});
    EXPECT_EQ(names, QStringList{"one more"}); // the name was not asked
}
