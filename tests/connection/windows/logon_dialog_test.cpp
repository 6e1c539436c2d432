#include "connection/connection_import.h"
#include "connection/logon_dialog.h"

#include "app/scrambler.h"
#include "controls/lists/qv_listview.h"
#include "platform/exceptions.h"
#include "platform/registry.h"
#include "support/test_env.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <gtest/gtest.h>

using namespace qv;
namespace sc = qv::saved_connections;

namespace {
class LogonDialog : public ::testing::Test {
protected:
    std::function<void(const LogonValues&)> oldFactory = TfrmLogon::ConnectionFactory;
    std::function<void(QWidget*, const QString&, int)> oldMessage = TfrmLogon::Message;
    std::function<bool(TfrmLogon&)> oldRun = TfrmLogon::RunModal;
    QStringList messages;

    void SetUp() override
    {
        TqvRegistry reg;
        reg.DeleteKey(sc::Key);
        TfrmLogon::Message = [this](QWidget*, const QString& text, int) { messages << text; };
    }
    void TearDown() override
    {
        TfrmLogon::ConnectionFactory = oldFactory;
        TfrmLogon::Message = oldMessage;
        TfrmLogon::RunModal = oldRun;
    }
    void AddEntry(const QString& key, const QString& user, const QString& server)
    {
        TqvRegistry reg;
        ASSERT_TRUE(reg.OpenKey(sc::Key + "\\" + key, true));
        reg.WriteString("UserID", user);
        reg.WriteString("Server", server);
        reg.WriteString("Database", "db");
        reg.WriteString("Windows", "0");
        reg.WriteString("Password", ScrambleText("pw"));
        reg.CloseKey();
    }
};
} // namespace

TEST_F(LogonDialog, OkChecksAndEnabling)
{
    TfrmLogon dlg;
    EXPECT_FALSE(dlg.actOk->isEnabled());
    dlg.txtServer->setText("srv");
    EXPECT_FALSE(dlg.actOk->isEnabled());
    dlg.chkSQLWindow->setChecked(true);
    EXPECT_TRUE(dlg.actOk->isEnabled());
    EXPECT_FALSE(dlg.txtUserID->isEnabled());
    dlg.chkSQLWindow->setChecked(false);
    EXPECT_TRUE(dlg.txtUserID->isEnabled());
    dlg.txtUserID->setText("   ");
    EXPECT_FALSE(dlg.CheckOk());
    EXPECT_EQ(messages.value(0), QString::fromUtf8("ユーザー名を入力して下さい。"));
    dlg.txtUserID->setText(" sa ");
    dlg.txtServer->setText("  ");
    EXPECT_FALSE(dlg.CheckOk());
    EXPECT_EQ(messages.value(1), QString::fromUtf8("サーバーを入力して下さい。"));
    dlg.txtServer->setText("srv ");
    EXPECT_TRUE(dlg.CheckOk());
    EXPECT_EQ(dlg.Values().userId, "sa");
    EXPECT_EQ(dlg.Values().server, "srv");
    EXPECT_EQ(messages.size(), 2);
    // Blanks at a password's ends cannot be kept: the user is told before it is used without them.
    dlg.txtPassword->setText(" pw ");
    EXPECT_TRUE(dlg.CheckOk());
    EXPECT_EQ(messages.value(2), QString::fromUtf8("パスワードの前後の空白は保存されないため、除いてから接続します。"));
    EXPECT_EQ(dlg.Values().password, "pw");
    dlg.txtPassword->setText("p w");
    EXPECT_TRUE(dlg.CheckOk());
    EXPECT_EQ(messages.size(), 3);
}

TEST_F(LogonDialog, ListOrderMoveAndDelete)
{
    AddEntry("DB000", "a", "s1");
    AddEntry("DB001", "b", "s2");
    TfrmLogon dlg;
    dlg.LoadConnectionList();
    ASSERT_EQ(dlg.lstUserID->topLevelItemCount(), 2);
    EXPECT_EQ(dlg.lstUserID->topLevelItem(0)->text(1), "s1.db");
    dlg.lstUserID->setCurrentItem(dlg.lstUserID->topLevelItem(0));
    EXPECT_FALSE(dlg.actUp->isEnabled());
    EXPECT_TRUE(dlg.actDown->isEnabled());
    EXPECT_EQ(dlg.txtUserID->text(), "a");
    EXPECT_EQ(dlg.txtPassword->text(), "pw");
    dlg.actDown->trigger();
    EXPECT_EQ(dlg.lstUserID->topLevelItem(1)->text(0), "a");
    EXPECT_FALSE(dlg.actDown->isEnabled());
    dlg.SaveConnectionList(false);
    TfrmLogon again;
    again.LoadConnectionList();
    EXPECT_EQ(again.lstUserID->topLevelItem(0)->text(0), "b");
    again.lstUserID->setCurrentItem(again.lstUserID->topLevelItem(0));
    again.actDel->trigger();
    EXPECT_EQ(sc::Load().size(), 1);
}

TEST_F(LogonDialog, FailedLogOnComesBackWithEverythingTyped)
{
    int runs = 0;
    LogonValues second;
    TfrmLogon::RunModal = [&](TfrmLogon& dlg) {
        ++runs;
        if (runs == 1) {
            dlg.chkSQLWindow->setChecked(true);
            dlg.txtServer->setText("kerberos-host");
            dlg.cmbDataBase->setEditText("Sales");
            dlg.txtComment->setText("note");
            return true;
        }
        second = dlg.Values();
        return false;
    };
    TfrmLogon::ConnectionFactory = [](const LogonValues&) {
        throw EDatabaseError("[FreeTDS] GSSAPI: no Kerberos credentials available", "28000");
    };
    EXPECT_FALSE(TfrmLogon::ShowWindow("", "", "", "", false));
    EXPECT_EQ(runs, 2);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("Kerberos"));
    EXPECT_TRUE(second.windows);
    EXPECT_EQ(second.server, "kerberos-host");
    EXPECT_EQ(second.database, "Sales");
    EXPECT_EQ(second.comment, "note");
}

TEST_F(LogonDialog, SuccessfulLogOnStoresTheEntry)
{
    LogonValues got;
    TfrmLogon::ConnectionFactory = [&](const LogonValues& v) { got = v; };
    TfrmLogon::RunModal = [](TfrmLogon& dlg) {
        dlg.chkSave->setChecked(true);
        return true;
    };
    EXPECT_TRUE(TfrmLogon::ShowWindow("db", "sa", "secret", "srv", false));
    EXPECT_EQ(got.userId, "sa");
    EXPECT_EQ(got.database, "db");
    const QList<SavedConnection> list = sc::Load();
    ASSERT_EQ(list.size(), 1);
    EXPECT_EQ(list[0].password, "secret");
    LogonValues last;
    ASSERT_TRUE(sc::LoadLast(last));
    EXPECT_EQ(last.server, "srv");
    // Abort from the connection: false, no message.
    TfrmLogon::ConnectionFactory = [](const LogonValues&) { Abort(); };
    EXPECT_FALSE(TfrmLogon::ShowWindow("db", "sa", "secret", "srv", true));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(LogonDialog, ImportCopiesNewEntriesWithFreeNames)
{
    AddEntry("DB000", "a", "s1");
    AddEntry("DB002", "b", "s2");
    {
        TqvRegistry reg;
        reg.OpenKey(sc::Key, false);
        reg.WriteString("Sort", "DB000\r\nDB002\r\n");
    }
    QList<ImportEntry> chosen;
    for (const char* user : {"x", "y", "a", "z"}) {
        ImportEntry e;
        e.version = "QVS21";
        e.connection.userId = QString::fromLatin1(user);
        e.connection.server = user == QStringLiteral("a") ? "s1" : "other";
        e.connection.database = "db";
        e.connection.password = "p-" + e.connection.userId;
        e.connection.windows = "1";
        chosen << e;
    }
    EXPECT_EQ(connection_import::ImportSelected(chosen, sc::Load()), 3);
    QStringList keys;
    for (const SavedConnection& e : sc::Load())
        keys << e.key + "=" + e.userId + "/" + e.password;
    EXPECT_EQ(keys, QStringList({"DB000=a/pw", "DB002=b/pw", "DB001=x/p-x", "DB003=y/p-y", "DB004=z/p-z"}));
    // Nothing installed here: nothing to import.
    EXPECT_TRUE(connection_import::LoadOtherVersions().isEmpty());
}

TEST_F(LogonDialog, RenderToPng)
{
    AddEntry("DB000", "sa", "sql01");
    AddEntry("DB001", QString::fromUtf8("開発者"), "sql02");
    TfrmLogon dlg;
    dlg.txtServer->setText("sql01");
    dlg.LoadConnectionList();
    dlg.LoadWindowSettings();
    dlg.lstUserID->setCurrentItem(dlg.lstUserID->topLevelItem(1));
    dlg.show();
    const QString dir = qvtest::testHome() + "/render";
    QDir().mkpath(dir);
    const QString out = qEnvironmentVariable("QORVEL_RENDER_DIR", dir);
    EXPECT_TRUE(dlg.grab().save(out + "/logon_dialog.png"));
    TfrmConnection imp;
    imp.lstUserID->AddItem("QVS21", {"sa", "sql01", "db", "comment", "pw", "0"});
    imp.show();
    EXPECT_TRUE(imp.grab().save(out + "/connection_import.png"));
}

TEST_F(LogonDialog, GeometryIsKeptOnlyWhenOkIsPressed)
{
    const QString key = "\\Software\\Velmora\\QVS22\\GUI\\LOGON";
    auto stored = [&] {
        TqvRegistry reg;
        return reg.KeyExists(key);
    };
    TqvRegistry().DeleteKey(key);
    TfrmLogon::ConnectionFactory = [](const LogonValues&) {};
    EXPECT_TRUE(TfrmLogon::ShowWindow("db", "sa", "pw", "srv", true)); // not shown: nothing stored
    EXPECT_FALSE(stored());
    TfrmLogon::RunModal = [](TfrmLogon&) { return false; };
    EXPECT_FALSE(TfrmLogon::ShowWindow("db", "sa", "pw", "srv", false));
    EXPECT_FALSE(stored());
    TfrmLogon::RunModal = [](TfrmLogon& dlg) {
        dlg.resize(610, 470);
        return true;
    };
    EXPECT_TRUE(TfrmLogon::ShowWindow("db", "sa", "pw", "srv", false));
    ASSERT_TRUE(stored());
    TqvRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(key));
    EXPECT_EQ(reg.GetInteger("Width", 0), 610);
}
