#include "connection/script_output_options.h"

#include "app/options.h"
#include "connection/script_names.h"
#include "connection/object_script_commands.h"
#include "app/main_window.h"
#include <QAction>
#include "script_session_helper.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace qv;
using namespace qvtest;

namespace {

struct ScriptOptionDialog : ::testing::Test {
    TScriptOption saved = ScriptOption;
    QStringList messages;
    void SetUp() override
    {
        ScriptOption = TScriptOption();
        TfrmScriptOption::MessageHook = [this](const QString& text, int) { messages << text; };
    }
    void TearDown() override
    {
        ScriptOption = saved;
        TfrmScriptOption::MessageHook = nullptr;
        TfrmScriptOption::ExecHook = nullptr;
    }
};

// Saves a picture of the dialog when QORVEL_PNG_DIR names a folder.
void Shot(QWidget& w, const char* name)
{
    if (const QString dir = qEnvironmentVariable("QORVEL_PNG_DIR"); !dir.isEmpty()) {
        w.adjustSize();
        w.grab().save(dir + "/" + name + ".png");
    }
}

} // namespace

TEST_F(ScriptOptionDialog, ListWindowFormStartsAndSavesTheDestination)
{
    ScriptSession s(16);
    ScriptOption.Path = "/tmp/scripts";
    ScriptOption.NameTable = {"srv=N.dbo.NAMES", "other=x"};
    s.answer("SELECT DATABASE_NAME, OWNER, OBJECT_NAME, OBJECT_TYPE, SCRIPT_NAME FROM N.dbo.NAMES", {}, 5);
    QString path, table;
    TfrmScriptOption::ExecHook = [](TfrmScriptOption* d) {
        Shot(*d, "script_output_options");
        EXPECT_EQ(d->windowTitle(), "スクリプト出力");
        EXPECT_EQ(d->btnOk->text(), "開始");
        EXPECT_EQ(d->cmbNameTable->currentText(), "N.dbo.NAMES");
        EXPECT_TRUE(d->btnNameTable->isEnabled());
        EXPECT_FALSE(d->rdoInsert->isEnabled());
        d->chkGrant->click();
        EXPECT_TRUE(d->rdoGrant->isEnabled());
        d->rdoGrant->SetItemIndex(2);
        d->btnOk->click();
        return d->result();
    };
    ASSERT_TRUE(TfrmScriptOption::ShowWindow(&s.session, path, table));
    EXPECT_EQ(path, "/tmp/scripts/");
    EXPECT_EQ(table, "N.dbo.NAMES");
    EXPECT_TRUE(ScriptOption.Grant);
    EXPECT_EQ(ScriptOption.GrantMode, pmSeparateFile);
    EXPECT_EQ(ScriptOption.NameTable, (QStringList{"srv=N.dbo.NAMES", "other=x"}));
}

TEST_F(ScriptOptionDialog, InvalidNameTableKeepsTheDialogOpen)
{
    ScriptSession s(16);
    s.driver->fixture()
        .exact("SELECT DATABASE_NAME, OWNER, OBJECT_NAME, OBJECT_TYPE, SCRIPT_NAME FROM nope")
        .fails("Invalid object name 'nope'.");
    TfrmScriptOption d(&s.session);
    d.cmbNameTable->setEditText("nope");
    d.btnOkClick();
    EXPECT_EQ(d.result(), QDialog::Rejected); // not accepted
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.at(0).startsWith("名前TBL名が無効です。\r\n")) << messages.at(0).toStdString();
}

TEST_F(ScriptOptionDialog, OneScriptClearsDirAndKeepsTheFileName)
{
    ScriptSession s(16);
    TfrmScriptOption d(&s.session);
    d.chkDir->setChecked(true);
    d.chkOneScript->click();
    EXPECT_FALSE(d.chkDir->isChecked());
    EXPECT_FALSE(d.chkDir->isEnabled());
    EXPECT_FALSE(d.cmbNameTable->isEnabled());
    d.chkOneScript->click();
    EXPECT_TRUE(d.chkDir->isEnabled());
    EXPECT_FALSE(d.chkDir->isChecked()); // not checked again
    d.chkOneScript->click();
    d.txtDir->setText("/tmp/all.sql");
    d.SaveOptions();
    EXPECT_EQ(ScriptOption.Path, "/tmp/all.sql");
    EXPECT_TRUE(ScriptOption.OneScript);
}

TEST_F(ScriptOptionDialog, AzureAndVersionRulesAndTheMainMenuForm)
{
    {
        ScriptSession azure(12, true);
        TfrmScriptOption d(&azure.session);
        EXPECT_FALSE(d.rdoDatabase->isEnabled());
        EXPECT_FALSE(d.chkFilegroup->isEnabled());
        EXPECT_TRUE(d.chkMaskOutput->isHidden());
    }
    {
        ScriptSession old(12);
        TfrmScriptOption d(&old.session);
        EXPECT_TRUE(d.chkMaskOutput->isHidden());
        ScriptSession recent(13);
        TfrmScriptOption d2(&recent.session);
        EXPECT_FALSE(d2.chkMaskOutput->isHidden());
    }
    ScriptOption.NameTable = {"srv=kept"};
    TfrmScriptOption::ExecHook = [](TfrmScriptOption* d) {
        Shot(*d, "script_output_options_menu");
        EXPECT_EQ(d->windowTitle(), "スクリプト出力オプション");
        EXPECT_EQ(d->btnOk->text(), "OK");
        EXPECT_FALSE(d->cmbNameTable->isEnabled());
        EXPECT_FALSE(d->btnNameTable->isEnabled());
        d->txtDir->setText("/tmp/x");
        return int(QDialog::Accepted);
    };
    ASSERT_TRUE(TfrmScriptOption::ShowWindow());
    EXPECT_EQ(ScriptOption.Path, "/tmp/x/");
    EXPECT_EQ(ScriptOption.NameTable, QStringList{"srv=kept"});
}

TEST_F(ScriptOptionDialog, MainMenuCommandOpensTheOptionsForm)
{
    TfrmMain main;
    InstallScriptCommands(main);
    QString title;
    TfrmScriptOption::ExecHook = [&](TfrmScriptOption* d) {
        title = d->windowTitle();
        return int(QDialog::Rejected);
    };
    QAction* a = main.findChild<QAction*>("actToolScriptOption");
    ASSERT_TRUE(a);
    a->trigger();
    EXPECT_EQ(title, "スクリプト出力オプション");
    TfrmMain::setCommandHandler("actToolScriptOption", nullptr);
}
