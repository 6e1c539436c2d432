// The database list on the scripted session, opened from the main window's administration menu
// and the connection window's action: listing with icons and user counts, delete in passes
// (failures never reported as success), detach / online / offline / shrink statements with the
// commit-around rule, one-script output, and the rendering.
#include "admin/backup/dblist_text.h"
#include "admin/backup/dblist_window.h"

#include "app/qvstrings.h"
#include "connection/object_script.h"
#include "connection/object_window_actions.h"
#include "controls/lists/qv_listview.h"
#include "support/test_env.h"
#include "tables/define_session_helper.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace qv;
using namespace qv::db;
using namespace qvtest;

namespace {

struct DbList : DefineSession {
    TfrmDbList::Ui savedUi = TfrmDbList::ui();
    QStringList messages;
    QList<bool> checkAnswers; // the check boxes of the next confirmation, in order
    QString scriptPath;

    void SetUp() override
    {
        DefineSession::SetUp();
        Connect();
        for (const char* db : {"use [sales]\r\n", "use [master]\r\n", "use [master]"})
            session->fixture().exact(db);
        TfrmDbList::ui().confirm = [this](const QString& text, int, const CheckList& checks) {
            messages << text;
            for (int i = 0; i < checks.size(); ++i)
                *checks.at(i).value = checkAnswers.value(i, *checks.at(i).value);
            return 6;
        };
        TfrmDbList::ui().message = [this](const QString& text, int) {
            messages << text;
            return 6;
        };
        TfrmDbList::ui().scriptOptions = [this](TfrmObject*, QString& path) {
            path = scriptPath;
            return true;
        };
        session->fixture().exact(dblist::ListSQL(false, "master"))
            .returns({column("name", "sysname"), column("owner", "sysname"), column("crdate", "varchar(30)"),
                      column("state", "nvarchar(60)"), column("collation", "nvarchar(128)")},
                     {{"sales", "sa", "2024-01-02 03:04:05", "ONLINE", "Japanese_CI_AS"},
                      {"master", "sa", "2003-04-08 09:13:36", "ONLINE", "Japanese_CI_AS"},
                      {"old", "sa", "2020-01-01 00:00:00", "OFFLINE", "Japanese_CI_AS"},
                      {"rest", "sa", "2021-01-01 00:00:00", "RESTORING", ""},
                      {"hr", "sa", "2022-01-01 00:00:00", "ONLINE", "Latin1_General_CI_AS"}});
        Count("sales", "3");
        Count("master", "2");
        session->fixture().exact(dblist::UserCountSQL("hr", 15)).fails("permission denied");
    }
    void TearDown() override
    {
        TfrmDbList::ui() = savedUi;
        DefineSession::TearDown();
    }
    void Count(const QString& db, const QString& n)
    {
        session->fixture().exact(dblist::UserCountSQL(db, 15)).returns({column("", "int")}, {{n}});
    }
    TfrmDbList* OpenFromMenu()
    {
        main->action("actAdminDatabase")->trigger();
        return qobject_cast<TfrmDbList*>(
            main->FindWindow(TfrmDbList::staticMetaObject, QString::fromUtf8("データベース情報 - sa @ srv.master"), false));
    }
    static QStringList Column(TfrmDbList* w, int c)
    {
        QStringList out;
        for (int i = 0; i < w->lstDataBase->topLevelItemCount(); ++i)
            out << w->lstDataBase->topLevelItem(i)->text(c);
        return out;
    }
    static void Select(TfrmDbList* w, const QStringList& names)
    {
        w->lstDataBase->clearSelection();
        for (int i = 0; i < w->lstDataBase->topLevelItemCount(); ++i)
            w->lstDataBase->topLevelItem(i)->setSelected(names.contains(w->lstDataBase->topLevelItem(i)->text(0)));
        w->UpdateActions();
    }
    // The statements sent from `mark` on, up to the tree's rebuild.
    QStringList Sent(qsizetype mark) const
    {
        QStringList out;
        for (QString s : StatementsFrom(mark)) {
            s.replace("\n", "\r\n"); // recorded with LF line ends
            if (!s.startsWith("select SERVERPROPERTY", Qt::CaseInsensitive) && s != DatabaseListText())
                out << s;
        }
        return out;
    }
    QString DatabaseListText() const { return qv::catalog::DatabaseListSql(false); }
};

} // namespace

TEST_F(DbList, OpensFromTheAdministrationMenuAndListsTheServer)
{
    TfrmDbList* w = OpenFromMenu();
    ASSERT_TRUE(w);
    EXPECT_EQ(w->TaskCaption(), QString::fromUtf8("sa @ srv.mas…"));
    EXPECT_EQ(Column(w, 0), QStringList({"hr", "master", "old", "rest", "sales"}));
    // The count of a database that cannot be read, and of one that is not online, stays empty.
    EXPECT_EQ(Column(w, 4), QStringList({"", "2", "", "", "3"}));
    EXPECT_EQ(Column(w, 3), QStringList({"ONLINE", "ONLINE", "OFFLINE", "RESTORING", "ONLINE"}));
    QList<int> icons;
    for (int i = 0; i < w->lstDataBase->topLevelItemCount(); ++i)
        icons << w->lstDataBase->topLevelItem(i)->data(0, Qt::UserRole).toInt();
    EXPECT_EQ(icons, QList<int>({1, 116, 118, 1, 1}));
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();

    // The menu again, and the connection window's own action: the open list comes forward.
    main->action("actAdminDatabase")->trigger();
    conn->actions()->action("actDatabase")->trigger();
    int lists = 0;
    for (QWidget* c : main->MDIChildren())
        lists += qobject_cast<TfrmDbList*>(c) != nullptr;
    EXPECT_EQ(lists, 1);
}

TEST_F(DbList, DeleteRunsInPassesAndNeverReportsFailuresAsDropped)
{
    TfrmDbList* w = OpenFromMenu();
    ASSERT_TRUE(w);
    const QString history = "exec msdb.dbo.sp_delete_database_backuphistory @database_name = N'";
    for (const char* db : {"hr", "sales", "old", "rest"})
        session->fixture().exact(history + db + "'").affects(0);
    session->fixture().exact("use [master]\r\ndrop database [hr]").fails("hr is in use").once();
    session->fixture().exact("use [master]\r\ndrop database [hr]").affects(0);
    session->fixture().exact("use [master]\r\ndrop database [sales]").affects(0);
    session->fixture().exact("use [master]\r\ndrop database [old]").fails("old is offline");
    session->fixture().exact("use [master]\r\ndrop database [rest]").fails("rest is restoring");
    // The log-on database anywhere in the selection stops the command before any statement.
    Select(w, {"hr", "master"});
    qsizetype mark = Mark();
    w->actDelete->trigger();
    EXPECT_EQ(messages.last(), QString::fromUtf8("ログインデータベースは削除できません。"));
    EXPECT_TRUE(Sent(mark).isEmpty());

    // hr fails in the first pass and goes in the second.
    Select(w, {"hr", "sales"});
    mark = Mark();
    messages.clear();
    w->actDelete->trigger();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    QStringList sent = Sent(mark);
    ASSERT_GE(sent.size(), 6) << sent.join("|").toStdString();
    EXPECT_EQ(sent.mid(0, 6), QStringList({history + "hr'", "use [master]\r\ndrop database [hr]", history + "sales'",
                                           "use [master]\r\ndrop database [sales]", history + "hr'",
                                           "use [master]\r\ndrop database [hr]"}));
    EXPECT_EQ(Column(w, 0), QStringList({"master", "old", "rest"}));
    EXPECT_EQ(messages, QStringList({QString::fromUtf8("データベースを削除しますか？"),
                                     QString::fromUtf8("データベースが削除されました。")}));

    // Both fail: they stay selected and are named with the server's text, not "dropped".
    Select(w, {"old", "rest"});
    messages.clear();
    w->actDelete->trigger();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(Column(w, 0), QStringList({"master", "old", "rest"}));
    EXPECT_TRUE(w->lstDataBase->topLevelItem(1)->isSelected());
    EXPECT_TRUE(w->lstDataBase->topLevelItem(2)->isSelected());
    EXPECT_FALSE(messages.contains(QString::fromUtf8("データベースが削除されました。")));
    EXPECT_TRUE(messages.last().contains("old is offline")) << messages.last().toStdString();
    EXPECT_TRUE(messages.last().contains("rest is restoring"));

    // Alone, without the history: the server's error in the error box.
    Select(w, {"rest"});
    checkAnswers = {false};
    messages.clear();
    mark = Mark();
    w->actDelete->trigger();
    EXPECT_EQ(Sent(mark), QStringList({"use [master]\r\ndrop database [rest]"}));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.first().contains("rest is restoring"));
    EXPECT_FALSE(messages.contains(QString::fromUtf8("データベースが削除されました。")));
}

TEST_F(DbList, SessionCommandsSendTheirStatementsAroundACommit)
{
    TfrmDbList* w = OpenFromMenu();
    ASSERT_TRUE(w);
    const bool savedAuto = qvOption.AutoTran;
    qvOption.AutoTran = false;
    db::Connection* con = conn->session()->dmSQLServer->Connection;
    for (const char* sql : {"sp_detach_db [hr],false, true", "sp_detach_db [sales],false, true",
                            "use [master]\r\nalter database [old] set online", "use [master]\r\nalter database [hr] set offline",
                            "use [hr]\r\ndbcc shrinkdatabase (N'hr') with no_infomsgs",
                            "use [sales]\r\ndbcc shrinkdatabase (N'sales') with no_infomsgs"})
        session->fixture().exact(sql).affects(0);
    FixtureRule& before = session->fixture().exact("use [hr]\r\n exec sp_spaceused").once();
    before.returns({column("database_name", "sysname"), column("database_size", "varchar(18)"),
                    column("unallocated space", "varchar(18)")},
                   {{"hr", "20.00 MB", "12.00 MB"}});
    session->fixture().exact("use [hr]\r\n exec sp_spaceused")
        .returns({column("database_name", "sysname"), column("database_size", "varchar(18)"),
                  column("unallocated space", "varchar(18)")},
                 {{"hr", "8.00 MB", "0.50 MB"}});

    struct Case {
        QAction* action;
        QStringList rows;
        QList<bool> checks;
        QStringList statements;
        QString last;
    };
    const Case cases[] = {
        {w->actDetach, {"hr", "sales"}, {true, false},
         {"sp_detach_db [hr],false, true", "sp_detach_db [sales],false, true"}, QString::fromUtf8("デタッチを実行しました。")},
        {w->actOnline, {"old"}, {}, {"use [master]\r\nalter database [old] set online"}, QString()},
        // The log-on database is not taken offline; the others are.
        {w->actOffline, {"hr", "master"}, {}, {"use [master]\r\nalter database [hr] set offline"},
         QString::fromUtf8("接続時に選択したDBはオフライン出来ません。")},
        {w->actShrink, {"hr", "sales"}, {},
         {"use [hr]\r\n exec sp_spaceused", "use [hr]\r\ndbcc shrinkdatabase (N'hr') with no_infomsgs",
          "use [sales]\r\ndbcc shrinkdatabase (N'sales') with no_infomsgs", "use [hr]\r\n exec sp_spaceused"},
         QString::fromUtf8("データベースを縮小しました。\r\n\r\n(空き領域：12.00 MB → 0.50 MB)")},
    };
    for (const Case& c : cases) {
        Select(w, c.rows);
        checkAnswers = c.checks;
        messages.clear();
        con->StartTransaction();
        const qsizetype mark = Mark();
        c.action->trigger();
        EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
        QStringList sent = Sent(mark);
        sent.removeAll(dblist::ListSQL(false, "master"));
        for (const char* n : {"sales", "master", "hr"})
            sent.removeAll(dblist::UserCountSQL(n, 15));
        EXPECT_EQ(sent.join("|").toStdString(), c.statements.join("|").toStdString()) << c.action->text().toStdString();
        EXPECT_FALSE(con->InTransaction()) << c.action->text().toStdString(); // committed, none started
        if (!c.last.isEmpty())
            EXPECT_EQ(messages.value(messages.size() - 1), c.last);
    }
    EXPECT_EQ(messages.first(), QString::fromUtf8("最適サイズに縮小しますか？\r\n\r\n(現在の空き領域：12.00 MB)"));
    qvOption.AutoTran = savedAuto;
}

TEST_F(DbList, OneScriptOutputHoldsEverySelectedDatabaseInOrder)
{
    QTemporaryDir dir;
    scriptPath = dir.filePath("all.sql");
    {
        QFile old(scriptPath);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old text\r\n");
    }
    ScriptOption.OneScript = true;
    ScriptOption.Drop = false;
    ScriptOption.Grant = false;
    qvOption.Encoding = 2;
    RegisterScriptRoutine(1, [](const ScriptContext&, const ScriptRequest& r) -> QString {
        return "CREATE DATABASE " + QuoteIdentifier(r.objectName, true) + "\r\ngo\r\n";
    });
    TfrmDbList* w = OpenFromMenu();
    ASSERT_TRUE(w);
    Select(w, {"hr", "rest", "sales"});
    w->actScript->trigger();
    UnregisterScriptRoutine(1);
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(messages.last(), QString::fromUtf8("スクリプトが出力されました。"));
    QFile f(scriptPath);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(f.readAll()),
              "CREATE DATABASE [hr]\r\ngo\r\nCREATE DATABASE [rest]\r\ngo\r\nCREATE DATABASE [sales]\r\ngo\r\n");
    EXPECT_TRUE(w->lstDataBase->selectedItems().isEmpty());
}

TEST_F(DbList, ClosingSendsTheSessionBackToItsDatabase)
{
    TfrmDbList* w = OpenFromMenu();
    ASSERT_TRUE(w);
    const qsizetype mark = Mark();
    w->frame()->close();
    EXPECT_EQ(Sent(mark), QStringList({"use [master]"}));
}

TEST_F(DbList, Renders)
{
    main->resize(1100, 700);
    main->show();
    TfrmDbList* w = OpenFromMenu();
    ASSERT_TRUE(w);
    w->parentWidget()->resize(900, 360);
    Select(w, {"sales"});
    QCoreApplication::processEvents();
    const QString dir = qEnvironmentVariable("QORVEL_RENDER_DIR", testHome());
    QDir().mkpath(dir);
    EXPECT_TRUE(w->grab().save(dir + "/dblist.png"));
}
