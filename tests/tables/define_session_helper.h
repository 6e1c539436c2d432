#pragma once
// A connection window on the scripted session for the definition-window tests: the main
// window, the connection facts of a SQL Server 2019 session (login sa, server srv, database
// master, user dbo), message boxes recorded and answered, the DDL windows without questions.
#include "app/application.h"
#include "app/main_window.h"
#include "app/options.h"
#include "connection/catalog_queries.h"
#include "connection/ddl_exec.h"
#include "connection/object_window.h"
#include "platform/db/scripted_session.h"
#include "tables/define_frame.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QStringList>
#include <gtest/gtest.h>

#include <memory>

namespace qvtest {

// Runs the window's "save" output action into a fresh FileDir and returns the proposed file
// name (in `folder`) and the text written; the folder stays until `folder` is destroyed.
struct SavedOutput {
    QString proposed;
    QString text;
};
inline SavedOutput SaveOutput(qv::TfrmDefine* w, const QTemporaryDir& folder)
{
    SavedOutput out;
    qv::qvOption.FileDir = folder.path();
    qv::TfrmDefine::OutputSaveDialog = [&](const QString&, const QString& p, const QString&) {
        out.proposed = p;
        return p;
    };
    w->actSave->trigger();
    qv::TfrmDefine::OutputSaveDialog = nullptr;
    QFile saved(out.proposed);
    if (saved.open(QIODevice::ReadOnly))
        out.text = QString::fromUtf8(saved.readAll());
    return out;
}

struct DefineSession : ::testing::Test {
    std::shared_ptr<qv::db::ScriptedSession> session = std::make_shared<qv::db::ScriptedSession>();
    std::unique_ptr<qv::TfrmMain> main = std::make_unique<qv::TfrmMain>();
    qv::TfrmObject* conn = nullptr;
    QStringList boxes;                 // "<flags>:<text>" of every message box
    QList<int> answers;                // answers of the next boxes (IDYES when none is left)
    QStringList errors;                // texts of the standard error box
    qv::TOpenMode savedMode = qv::qvOption.OpenMode;
    bool savedShowDDL = qv::qvOption.ShowDDL;
    bool savedCloseDDL = qv::qvOption.CloseDDL;
    int savedEncoding = qv::qvOption.Encoding;
    qv::TScriptOption savedScript = qv::ScriptOption;
    std::function<int(QWidget*, const QString&)> savedAsk = qv::TfrmDDLExec::AskHook;

    void Answer(const QString& sql, const QString& value)
    {
        session->fixture().exact(sql).returns({qv::db::column("", "nvarchar(128)")}, {{value}});
    }

    // The facts of the log-on; `azure` answers as Azure SQL Database.
    void Connect(bool azure = false, const QString& database = QStringLiteral("master"))
    {
        using namespace qv::catalog;
        const QString version = azure ? QStringLiteral("12.0.2000.8") : QStringLiteral("15.0.2000.5");
        Answer("select SERVERPROPERTY('productversion')", version);
        Answer(facts::ProductVersion, version);
        Answer(facts::Edition, azure ? QStringLiteral("SQL Azure") : QStringLiteral("Developer Edition (64-bit)"));
        Answer(facts::LoginName, "sa");
        Answer(facts::CurrentDatabase, database);
        Answer(facts::UserName, "dbo");
        Answer(facts::DefaultSchema, "dbo");
        Answer(facts::Spid, "55");
        session->fixture().pattern("set showplan.*").affects(0);
        session->fixture().exact(DatabaseListSql(azure)).returns({qv::db::column("name", "sysname")},
                                                                {{"master"}, {"sales"}, {"tempdb"}});
        conn = new qv::TfrmObject(nullptr, database, "sa", "pw", azure ? "x.database.windows.net" : "srv", session);
        main->AddChildWindow(conn);
    }

    void SetUp() override
    {
        qv::qvOption.ShowDDL = false;
        qv::qvOption.CloseDDL = true;
        qv::TfrmDefine::MessageHook = [this](const QString& text, int flags) {
            boxes << QString::number(flags) + ":" + text;
            return answers.isEmpty() ? 6 : answers.takeFirst();
        };
        qv::TfrmDDLExec::AskHook = [](QWidget*, const QString&) { return 6; };
        qv::SetExceptionBox([this](const QString&, const QString& text, bool) { errors << text; });
    }
    void TearDown() override
    {
        for (qv::TfrmDDLExec* w : qv::TfrmDDLExec::OpenWindows())
            w->close();
        qv::TfrmDDLExec::WaitProc();
        qv::TfrmDefine::MessageHook = nullptr;
        qv::SetExceptionBox(nullptr);
        qv::TfrmDDLExec::AskHook = savedAsk;
        qv::qvOption.OpenMode = savedMode;
        qv::qvOption.ShowDDL = savedShowDDL;
        qv::qvOption.CloseDDL = savedCloseDDL;
        qv::qvOption.Encoding = savedEncoding;
        qv::ScriptOption = savedScript;
        main.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Statements recorded from position `from` on.
    QStringList StatementsFrom(qsizetype from) const { return session->statements().mid(from); }
    qsizetype Mark() const { return session->statements().size(); }

    // Opens through the connection window and places the window in the main window, as the
    // object list does.
    QWidget* Open(int type, const QString& db, const QString& schema, const QString& name,
                  qv::TOpenMode mode = qv::omDefine)
    {
        QWidget* w = conn->OpenObject(type, db, schema, name, mode, false, 0, QString());
        if (w)
            main->AddChildWindow(w);
        return w;
    }
};

} // namespace qvtest
