// Program start: the command line, the settings store's notices and settings that cannot stop
// the start or the log-on.
#include "settings_helper.h"

#include "app/main_window.h"
#include "app/program.h"
#include "connection/connection_commands.h"
#include "connection/logon_dialog.h"
#include "support/modal_helper.h"
#include "support/test_env.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>

#include <cstring>
#include <string>
#include <vector>

using namespace qv;
using qvtest::RestartStore;
using qvtest::SettingsTest;

namespace {

// The password of "/U=" leaves the process's own argument bytes (what process listings show),
// while the arguments handed on keep it for the log-on.
TEST(ProgramStart, PasswordIsWipedFromTheProcessArguments)
{
    struct Case {
        const char* arg;
        const char* after;
        const char* login;
        const char* password;
        const char* server;
    };
    const Case cases[] = {
        {"/U=sa/TopSecret9@127.0.0.1,1433", "/U=sa/@127.0.0.1,1433", "sa", "TopSecret9", "127.0.0.1,1433"},
        {"/u=Sa/Pa55word@srv@x", "/u=Sa/@srv@x", "Sa", "Pa55word", "srv@x"},
        {"/U=sa/OnlyPassword", "/U=sa/", "sa", "OnlyPassword", ""},
        {"/U=sa@host", "/U=sa@host", "sa", "", "host"},
        {"/Uxsa/NotASwitch", "/Uxsa/NotASwitch", "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arg);
        std::string program = "qorvel";
        std::string arg = c.arg;
        std::string other = "/V=9";
        std::vector<char*> argv{program.data(), arg.data(), other.data(), nullptr};
        const QStringList args = TakeCommandLine(3, argv.data());
        EXPECT_EQ(args, (QStringList{QString::fromLatin1(c.arg), QStringLiteral("/V=9")}));
        EXPECT_STREQ(argv[1], c.after);
        EXPECT_STREQ(argv[2], "/V=9");
        if (std::strlen(c.password) > 0 && std::strcmp(c.arg, c.after) != 0) {
            // Nothing of it is left in the bytes the argument occupied.
            EXPECT_EQ(std::string(arg.data(), arg.size()).find(c.password), std::string::npos);
        }
        const CommandLine cl = ParseCommandLine(args);
        EXPECT_EQ(cl.login, QString::fromLatin1(c.login));
        EXPECT_EQ(cl.password, QString::fromLatin1(c.password));
        EXPECT_EQ(cl.server, QString::fromLatin1(c.server));
    }
}

QString storeFile() { return TRegistry::StoreFilePath(HKEY_CURRENT_USER); }

void removeSetAsideCopies()
{
    const QFileInfo fi(storeFile());
    QDir dir(fi.absolutePath());
    for (const QString& f : dir.entryList({fi.fileName() + QStringLiteral(".*-*")}, QDir::Files))
        dir.remove(f);
}

// A settings file that could not be read is reported before the log-on dialog opens (and once).
TEST_F(SettingsTest, StoreNoticeComesBeforeTheLogOnDialog)
{
    {
        QFile f(storeFile());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("garbage\n");
    }
    RestartStore();
    Registry().KeyExists(SettingsRootKey); // the start reads the file: it is set aside

    TfrmMain w;
    QStringList order;
    w.setLogonHandler([&](const LogonRequest&) {
        order << QStringLiteral("logon");
        return false;
    });
    ShowStoreNoticeBeforeLogon(w);
    qvtest::whenModal([&](QWidget* box) {
        auto* mb = qobject_cast<QMessageBox*>(box);
        order << (mb && mb->text().contains(storeFile()) ? QStringLiteral("notice") : QStringLiteral("other"));
        box->close();
    });
    w.FormPaint();
    EXPECT_EQ(order, (QStringList{"notice", "logon"}));
    w.logonHandler()(LogonRequest());
    EXPECT_EQ(order, (QStringList{"notice", "logon", "logon"}));
    removeSetAsideCopies();
}

// Turns every value below path into a value of another type.
void retypeAll(TqvRegistry& reg, const QString& path, const QStringList& keep)
{
    ASSERT_TRUE(reg.OpenKey(path, false)) << path.toStdString();
    for (const QString& name : reg.GetValueNames()) {
        if (keep.contains(name))
            continue;
        switch (reg.GetDataType(name)) {
        case RegDataType::String:
        case RegDataType::ExpandString:
            reg.WriteInteger(name, 5);
            break;
        case RegDataType::Integer:
            reg.WriteBinaryData(name, QByteArray(4, '\x01'));
            break;
        default:
            reg.WriteString(name, QStringLiteral("x"));
            break;
        }
    }
    const QStringList subkeys = reg.GetKeyNames();
    for (const QString& sub : subkeys)
        retypeAll(reg, path + u'\\' + sub, {});
}

// No stored value of another type than the program writes stops the start or the log-on: each
// reads as its default ("UserID"=dword under DATABASE once made every log-on fail).
TEST_F(SettingsTest, ValuesOfAnotherTypeStopNeitherStartNorLogOn)
{
    {
        TfrmMain first;
        first.show();
        first.close(); // placement, settings and recent objects saved
    }
    TqvRegistry reg;
    ASSERT_TRUE(reg.OpenKey(SettingsRootKey + QStringLiteral("\\DATABASE"), true));
    for (const char* v : {"UserID", "Database", "Comment", "Server", "Windows", "Sort"})
        reg.WriteString(QLatin1String(v), QStringLiteral("DB000"));
    ASSERT_TRUE(reg.OpenKey(SettingsRootKey + QStringLiteral("\\DATABASE\\DB000"), true));
    for (const char* v : {"UserID", "Database", "Comment", "Server", "Windows", "Password"})
        reg.WriteString(QLatin1String(v), QStringLiteral("sa"));
    reg.CloseKey();
    retypeAll(reg, SettingsRootKey, {QStringLiteral("Version")});
    reg.CloseKey();
    RestartStore();
    qvOption = {};

    const auto oldRun = TfrmLogon::RunModal;
    const auto oldFactory = TfrmLogon::ConnectionFactory;
    bool opened = false;
    QString user = QStringLiteral("unset");
    TfrmLogon::RunModal = [&](TfrmLogon& dlg) {
        opened = true;
        user = dlg.Values().userId;
        return false;
    };
    {
        std::unique_ptr<TfrmMain> w;
        EXPECT_NO_THROW(w = std::make_unique<TfrmMain>());
        ASSERT_TRUE(w);
        InstallConnectionCommands(*w);
        EXPECT_NO_THROW(w->FormPaint());
    }
    TfrmLogon::RunModal = oldRun;
    TfrmLogon::ConnectionFactory = oldFactory;
    EXPECT_TRUE(opened);
    EXPECT_EQ(user, QString());
    EXPECT_EQ(qvOption.TempDir, DataDir() + QStringLiteral("temp/"));
    EXPECT_EQ(qvOption.DefTopRecord, 1000);
}

} // namespace
