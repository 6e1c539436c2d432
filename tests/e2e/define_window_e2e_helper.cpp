#include "define_window_e2e_helper.h"

#include "app/application.h"
#include "app/options.h"
#include "connection/connection_commands.h"
#include "connection/logon_dialog.h"
#include "support/test_env.h"
#include "tables/define_frame.h"

#include <QFile>

namespace qvtest {

namespace {

QStringList fixtureFolders(const QStringList& folders)
{
    QStringList out{demoFixtures()};
    for (const QString& f : folders)
        out << sourceDir() + QStringLiteral("/tests/objects/fixtures/") + f;
    return out;
}

} // namespace

DefineWindowE2E::DefineWindowE2E(const QStringList& folders)
    : unmatched(work.path() + QStringLiteral("/unmatched.sql")),
      server(fixtureFolders(folders), {QStringLiteral("--record"), unmatched})
{
}

void DefineWindowE2E::SetUp()
{
    usePrivateOdbcConfig();
    ASSERT_TRUE(server.ok()) << server.error().toStdString();
    m_savedLogonMessage = qv::TfrmLogon::Message;
    m_savedShowDDL = qv::qvOption.ShowDDL;
    m_savedCloseDDL = qv::qvOption.CloseDDL;
    qv::qvOption.ShowDDL = false;
    qv::qvOption.CloseDDL = true;
    qv::TfrmLogon::Message = [this](QWidget*, const QString& text, int) { boxes << text; };
    qv::TfrmDefine::MessageHook = [this](const QString& text, int) {
        boxes << text;
        return 6; // IDYES
    };
    qv::SetExceptionBox([this](const QString&, const QString& text, bool) { errors << text; });
    qv::InstallConnectionCommands(main);
    main.setCommandLineArguments({QStringLiteral("/U=sa/pass@127.0.0.1,%1").arg(server.port())});
    main.FormPaint();
    conn = dynamic_cast<qv::TfrmObject*>(main.CurrentForm());
    ASSERT_TRUE(conn) << boxes.join("\n").toStdString() << server.logText().toStdString();
}

void DefineWindowE2E::TearDown()
{
    main.close();
    qv::TfrmLogon::Message = m_savedLogonMessage;
    qv::TfrmDefine::MessageHook = nullptr;
    qv::SetExceptionBox(nullptr);
    qv::TfrmLogon::ConnectionFactory = nullptr;
    qv::qvOption.ShowDDL = m_savedShowDDL;
    qv::qvOption.CloseDDL = m_savedCloseDDL;
}

QString DefineWindowE2E::Unmatched() const
{
    QFile f(unmatched);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

} // namespace qvtest
