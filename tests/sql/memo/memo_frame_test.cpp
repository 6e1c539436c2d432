#include "sql/memo_frame.h"

#include "app/options.h"
#include "editor/editor_strings.h"
#include "editor/sqlmemo/code_assist.h"
#include "editor/sqlmemo/qvmemo.h"
#include "platform/db/connection.h"
#include "platform/db/query.h"
#include "platform/db/scripted_session.h"
#include "platform/messages.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::db;

TEST(MemoFrame, CodeAssistRequestShowsTheProviderRows)
{
    auto session = std::make_shared<ScriptedSession>();
    Connection conn;
    conn.SetDriver(session);
    conn.Open();
    Query query;
    query.SetConnection(&conn);
    const auto name = column("name", "nvarchar(128)");
    auto& f = session->fixture();
    f.exact("select serverproperty('Edition')").returns({column("", "nvarchar(128)")}, {{"Developer Edition (64-bit)"}});
    f.pattern("use \\[.*\\]");
    f.pattern("select name from master\\.dbo\\.sysdatabases where has_dbaccess\\(name\\) = 1 and upper\\(name\\) = \\?").returns({name}, {});
    f.pattern("select name from sys\\.schemas where upper\\(name\\) = \\?").returns({name}, {});
    f.pattern("select name from sysobjects where xtype in \\(N'U', N'S', N'V'\\).*").returns({name}, {});
    f.pattern("select a\\.base_object_name .*").returns({column("base_object_name", "nvarchar(1035)")}, {});
    f.pattern("select name from sysobjects where xtype in \\(N'P', N'RF'.*").returns({name}, {});
    f.pattern("select name from sysusers where upper\\(name\\) = \\?").returns({name}, {});
    f.pattern("select name from sysobjects where .*upper\\(user_name\\(uid\\)\\).*").returns({name}, {});
    f.exact("select name from master.dbo.sysdatabases where has_dbaccess(name) = 1").returns({name}, {{"master"}, {"SalesDemo"}});
    f.pattern(".*select name from sys\\.schemas order by name").returns({name}, {{"dbo"}, {"sales"}});
    f.pattern("select name, xtype, case .*").returns({name, column("xtype", "char(2)"), column("Sort", "int")},
                                                    {{"Customers", "U ", 1}, {"vOrders", "V ", 2}});

    TfraMemo frame;
    frame.resize(600, 400);
    frame.show();
    QString database;
    frame.CodeAssistContext = [&](CodeAssistRequest& r) {
        r.query = &query;
        r.database = database = "SalesDemo";
        r.schema = "dbo";
        r.dbVer = 15;
        return true;
    };
    frame.txtSQL->Lines().Assign({"select * from "});
    frame.txtSQL->SetRowCol(0, 14);

    QCoreApplication::sendEvent(&frame, new MessageEvent(WM_CODEASSIST, 10, 20));
    ASSERT_TRUE(frame.txtSQL->CodeAssist);
    TqvCodeAssist* list = frame.txtSQL->CodeAssist;
    EXPECT_TRUE(list->CaptionList.contains("Customers"));
    EXPECT_TRUE(list->CaptionList.contains("vOrders"));
    EXPECT_TRUE(list->CaptionList.contains("SalesDemo"));
    EXPECT_GT(list->topLevelItemCount(), 1);
    EXPECT_EQ(list->headerItem()->text(0), QStringLiteral("オブジェクト名"));
    delete list;

    // Without a connection the request shows nothing and sends nothing.
    frame.CodeAssistContext = [](CodeAssistRequest&) { return false; };
    const auto sent = session->statements().size();
    QCoreApplication::sendEvent(&frame, new MessageEvent(WM_CODEASSIST, 10, 20));
    EXPECT_FALSE(frame.txtSQL->CodeAssist);
    EXPECT_EQ(session->statements().size(), sent);
}

TEST(MemoFrame, OpenAndSaveRoundTripInUtf8WithoutByteOrderMark)
{
    qvOption.Encoding = 2;
    QTemporaryDir dir;
    const QString a = dir.filePath("a.sql"), b = dir.filePath("b.sql");
    for (const auto& [path, text] : {std::pair{a, QByteArray("select N'日本語'\r\n")}, std::pair{b, QByteArray("go\r\nselect 2\r\n")}}) {
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(text);
    }
    TfraMemo frame;
    frame.txtSQL->SetModified(true);
    frame.OpenFiles({b, a}, b); // loaded in name order
    EXPECT_EQ(frame.txtSQL->Lines().ToStringList(), (QStringList{QStringLiteral("select N'日本語'"), "go", "select 2"}));
    EXPECT_EQ(frame.OpenFilePath(), b);
    EXPECT_EQ(frame.lblFileName->text(), b);
    EXPECT_FALSE(frame.txtSQL->Modified());

    const QString c = dir.filePath("c.sql");
    frame.txtSQL->SetModified(true);
    frame.WriteFile(c);
    EXPECT_FALSE(frame.txtSQL->Modified());
    QFile in(c);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QByteArray bytes = in.readAll();
    EXPECT_FALSE(bytes.startsWith("\xEF\xBB\xBF"));
    EXPECT_TRUE(bytes.startsWith(QStringLiteral("select N'日本語'").toUtf8()));

    TfraMemo again;
    again.OpenFiles({c}, c);
    EXPECT_EQ(again.txtSQL->Lines().ToStringList(), frame.txtSQL->Lines().ToStringList());
}

TEST(MemoFrame, RendersHeaderAndEditor)
{
    TfraMemo frame;
    frame.resize(640, 300);
    frame.txtSQL->Lines().Assign({"select * from Customers", "go"});
    frame.show();
    QCoreApplication::processEvents();
    const QString out = qEnvironmentVariable("QORVEL_GRAB_DIR");
    if (!out.isEmpty())
        frame.grab().save(out + "/memo_frame.png");
    EXPECT_TRUE(frame.actSaveFile->isEnabled());
    frame.txtSQL->Lines().Clear();
    EXPECT_FALSE(frame.actSaveNewFile->isEnabled());
}
