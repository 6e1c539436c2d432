// The database picker stores the ticked databases per server; the column picker chooses and
// orders columns.
#include "app/found/settings_helper.h"
#include "app/mainwin/fake_connection_helper.h"
#include "app/pickers.h"
#include "support/modal_helper.h"

#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>

using namespace qv;
using namespace qvtest;

namespace {

class ThreeDatabases : public FakeConnectionWindow {
public:
    ThreeDatabases() : FakeConnectionWindow("sa", "srv1") {}
    void GetDatabase(QStringList& list) override { list = {"a", "b", "c"}; }
};

using PickerTest = SettingsTest;

QString storedValue(const QString& server)
{
    TqvRegistry reg;
    if (!reg.OpenKey(ProjectKey(server), false))
        return QStringLiteral("<no key>");
    return reg.GetString("DataBase", "<no value>");
}

} // namespace

TEST_F(PickerTest, TickedDatabasesAreStoredPerServer)
{
    ThreeDatabases conn;
    {
        TfrmProject dlg(&conn);
        ASSERT_EQ(dlg.lstDatabase->count(), 3);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(dlg.lstDatabase->item(i)->checkState(), Qt::Unchecked);
        dlg.lstDatabase->item(0)->setCheckState(Qt::Checked);
        dlg.lstDatabase->item(1)->setCheckState(Qt::Checked);
        dlg.btnOkClick();
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
    }
    EXPECT_EQ(storedValue("srv1"), "a\r\nb\r\n");
    // Opened again, the stored choice is ticked.
    TfrmProject again(&conn);
    EXPECT_EQ(again.lstDatabase->item(0)->checkState(), Qt::Checked);
    EXPECT_EQ(again.lstDatabase->item(1)->checkState(), Qt::Checked);
    EXPECT_EQ(again.lstDatabase->item(2)->checkState(), Qt::Unchecked);
}

TEST_F(PickerTest, NothingTickedWarnsAndStaysOpen)
{
    ThreeDatabases conn;
    TfrmProject dlg(&conn);
    dlg.show();
    QString text;
    whenModal([&](QWidget* w) {
        if (auto* mb = qobject_cast<QMessageBox*>(w))
            text = mb->text();
        w->close();
    });
    dlg.btnOkClick();
    EXPECT_EQ(text, "表示するデータベースを最低一つは選択して下さい。");
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(storedValue("srv1"), "<no key>");
    saveGrab(&dlg, "project_picker");
}

TEST(FieldPicker, SplitsChoosesAndOrdersColumns)
{
    const QStringList cols = {"id", "name", "my col"};
    {
        TfrmFieldList dlg("項目一覧", cols, {"\"my col\"", "id"}, nullptr);
        EXPECT_EQ(dlg.chosen(), QStringList({"id", "my col"}));
        EXPECT_EQ(dlg.available(), QStringList({"name"}));
        dlg.lstAvailable->item(0)->setSelected(true);
        dlg.addSelected();
        EXPECT_EQ(dlg.chosen(), QStringList({"id", "my col", "name"}));
        dlg.lstSelect->item(0)->setSelected(true);
        dlg.removeSelected();
        EXPECT_EQ(dlg.chosen(), QStringList({"my col", "name"}));
        dlg.removeAll();
        EXPECT_TRUE(dlg.chosen().isEmpty());
        EXPECT_EQ(dlg.available().size(), 3);
    }
    // Every column chosen: all of them start on the available side.
    TfrmFieldList all("項目一覧", cols, cols, nullptr);
    EXPECT_TRUE(all.chosen().isEmpty());
    EXPECT_EQ(all.available(), cols);
    EXPECT_TRUE(FieldListSQL(15).contains("schema_name(a.uid) = :OWNER collate database_default"));
    EXPECT_TRUE(FieldListSQL(8).contains("user_name(a.uid) = :OWNER"));
}
