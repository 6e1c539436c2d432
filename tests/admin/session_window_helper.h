#pragma once
// A connection window on the scripted session for the processes, locks and statistics tests:
// SQL Server 2019, login sa on srv, database Sales, own session id 55; message boxes and the
// standard error box recorded.
#include "app/application.h"
#include "app/main_window.h"
#include "app/options.h"
#include "connection/catalog_queries.h"
#include "connection/object_list_view.h"
#include "connection/object_window.h"
#include "connection/object_window_actions.h"
#include "platform/db/scripted_session.h"

#include <QCoreApplication>
#include <QDir>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

namespace qvtest {

struct SessionWindowTest : ::testing::Test {
    std::shared_ptr<qv::db::ScriptedSession> session = std::make_shared<qv::db::ScriptedSession>();
    std::unique_ptr<qv::TfrmMain> main = std::make_unique<qv::TfrmMain>();
    qv::TfrmObject* conn = nullptr;
    qv::TObjectActions::Ui savedUi = qv::TObjectActions::ui();
    qv::TqvOption savedOptions = qv::qvOption;
    QStringList boxes;  // "<flags>:<text>"
    QStringList errors; // standard error box texts
    int escapeAfter = -1;
    int polls = 0;

    void SetUp() override
    {
        qv::TObjectActions::ui().escape = [this] { return escapeAfter >= 0 && polls++ >= escapeAfter; };
        qv::SetExceptionBox([this](const QString&, const QString& text, bool) { errors << text; });
    }
    void TearDown() override
    {
        main.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        qv::TObjectActions::ui() = savedUi;
        qv::qvOption = savedOptions;
        qv::SetExceptionBox(nullptr);
    }
    static void Answer(qv::db::ScriptedSession& s, const QString& sql, const QString& value)
    {
        s.fixture().exact(sql).returns({qv::db::column("", "nvarchar(128)")}, {{value}});
    }
    void Connect(bool windowsAuth = false)
    {
        using namespace qv::catalog;
        qv::db::ScriptedSession& s = *session;
        Answer(s, "select SERVERPROPERTY('productversion')", "15.0.2000.5");
        Answer(s, facts::ProductVersion, "15.0.2000.5");
        Answer(s, facts::Edition, "Developer Edition (64-bit)");
        Answer(s, facts::LoginName, windowsAuth ? "CORP\\taro" : "sa");
        Answer(s, facts::CurrentDatabase, "Sales");
        Answer(s, facts::UserName, "dbo");
        Answer(s, facts::DefaultSchema, "dbo");
        Answer(s, facts::Spid, "55");
        s.fixture().pattern("set showplan.*").affects(0);
        s.fixture().exact(DatabaseListSql(false)).returns({qv::db::column("name", "sysname")},
                                                          {{"master"}, {"Sales"}, {"tempdb"}});
        conn = new qv::TfrmObject(nullptr, "Sales", windowsAuth ? "" : "sa", windowsAuth ? "" : "pw", "srv", session);
        main->AddChildWindow(conn);
    }
    // A selected row of the object list as the listing makes it.
    QTreeWidgetItem* Row(const QString& name, int type, const QString& database, const QString& schema)
    {
        if (conn->lstObject->columnCount() < 7)
            conn->lstObject->setColumnCount(7);
        QTreeWidgetItem* item = conn->lstObject->AddItem(name, {database, schema, QString()});
        item->setData(0, Qt::UserRole, type);
        item->setSelected(true);
        return item;
    }
    // With QORVEL_ADMIN_PNG_DIR set, the rendered widget is saved there as <name>.png.
    static void SavePng(QWidget* w, const QString& name)
    {
        const QString dir = qEnvironmentVariable("QORVEL_ADMIN_PNG_DIR");
        if (!dir.isEmpty())
            w->grab().save(QDir(dir).filePath(name + ".png"));
    }
    qsizetype Mark() const { return session->statements().size(); }
    QStringList From(qsizetype mark) const { return session->statements().mid(mark); }
};

} // namespace qvtest
