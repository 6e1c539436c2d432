#include "sql/exec_script_window.h"

#include "support/modal_helper.h"

#include "app/message_box.h"
#include "app/options.h"
#include "connection/dm_sqlserver.h"
#include "connection/object_session.h"
#include "platform/db/query.h"
#include "platform/db/scripted_session.h"

#include <QFile>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qv;
using namespace qv::db;

namespace {

struct ScriptWindow : ::testing::Test {
    std::shared_ptr<ScriptedSession> session = std::make_shared<ScriptedSession>();
    TObjectSession owner;
    QTemporaryDir dir;
    QStringList boxes, opened;
    bool removeCompleted = true, stopOnError = false;

    void SetUp() override
    {
        owner.dmSQLServer->Connection->SetDriver(session);
        owner.dmSQLServer->Connection->Open();
        owner.g_DataBase = "Sales";
        qvOption.Encoding = 2;
        auto& f = session->fixture();
        f.pattern(".*sysdatabases.*|.*sys\\.databases.*").returns({column("name", "nvarchar(128)")}, {{"master"}, {"Sales"}});
        f.exact("use [Sales]");
        f.exact("select 1");
        f.exact("bad").fails("Incorrect syntax near 'bad'.");
        TfrmExecScript::AskHook = [this](QWidget*, const QString&, bool* rc, bool* se) {
            *rc = removeCompleted;
            *se = stopOnError;
            return int(IDYES);
        };
        TfrmExecScript::MessageHook = [this](QWidget*, const QString& text, int) { boxes << text; };
        TfrmExecScript::OpenFileHook = [this](const QString& f) { opened << f; return true; };
    }
    QString file(const QString& name, const QByteArray& text)
    {
        QFile f(dir.filePath(name));
        f.open(QIODevice::WriteOnly);
        f.write(text);
        return f.fileName();
    }
};

} // namespace

TEST_F(ScriptWindow, FailingFileStaysInTheListTheOthersGo)
{
    TfrmExecScript w(&owner);
    const QString a = file("a.sql", "select 1\n"), b = file("b.sql", "bad\n"), c = file("c.sql", "select 1\n");
    w.AddFiles({c, b, a});
    EXPECT_EQ(w.RunList(), (QStringList{a, b, c}));
    w.actExecExecute();
    EXPECT_EQ(w.RunList(), QStringList{b});
    EXPECT_EQ(boxes, QStringList{"スクリプトの実行を終了しました。\r\n( 1個のエラーが発生しました )"});
    EXPECT_TRUE(w.txtLog->toPlainText().contains("《エラー》\nbad\nIncorrect syntax near 'bad'."));
}

TEST_F(ScriptWindow, StopOnErrorKeepsTheRestAndACleanRunEmptiesTheList)
{
    stopOnError = true;
    TfrmExecScript w(&owner);
    const QString a = file("a.sql", "bad\n"), b = file("b.sql", "select 1\n");
    w.AddFiles({a, b});
    w.actExecExecute();
    EXPECT_EQ(w.RunList(), (QStringList{a, b}));
    EXPECT_EQ(session->statements().count("select 1"), 0);
    w.lstScript->setCurrentRow(0);
    w.actDeleteExecute();
    w.actExecExecute();
    EXPECT_TRUE(w.RunList().isEmpty());
    EXPECT_EQ(boxes.last(), "スクリプトの実行を終了しました。");
}

TEST_F(ScriptWindow, ListOrderAndOpeningAFile)
{
    TfrmExecScript w(&owner);
    w.AddFiles({"/x/1.sql", "/x/2.sql", "/x/3.sql"});
    w.lstScript->setCurrentRow(2);
    w.actUpExecute();
    EXPECT_EQ(w.RunList(), (QStringList{"/x/1.sql", "/x/3.sql", "/x/2.sql"}));
    w.lstScript->setCurrentRow(0);
    w.actUpExecute(); // at the top: nothing happens
    w.actDownExecute();
    EXPECT_EQ(w.RunList(), (QStringList{"/x/3.sql", "/x/1.sql", "/x/2.sql"}));
    emit w.lstScript->itemDoubleClicked(w.lstScript->currentItem());
    EXPECT_EQ(opened, QStringList{"/x/1.sql"});
}
