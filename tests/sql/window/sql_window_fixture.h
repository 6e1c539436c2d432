#pragma once
// The shared set-up of the SQL window tests: a connection to the database "SalesDemo" on the
// scripted session (it lists the databases master and SalesDemo and answers the switch to
// SalesDemo), with the work folder (SQL history and log files) in a temporary folder. Fixtures
// derive from it, call SqlWindowFixture::SetUp() first and add their own answers and windows.
#include "app/options.h"
#include "connection/object_session.h"
#include "platform/db/scripted_session.h"
#include "sql/sql_history.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

namespace qvtest {

struct SqlWindowFixture : ::testing::Test {
    std::shared_ptr<qv::db::ScriptedSession> session = std::make_shared<qv::db::ScriptedSession>();
    qv::TObjectSession owner;
    QTemporaryDir work;

    void SetUp() override
    {
        qv::qvOption.TempDir = work.path() + "/";
        qv::SqlLogStore::instance().reset();
        owner.dmSQLServer->Connection->SetDriver(session);
        owner.dmSQLServer->Connection->Open();
        owner.g_DataBase = "SalesDemo";
        auto& f = session->fixture();
        f.pattern(".*sysdatabases.*|SELECT name FROM sys\\.databases.*")
            .returns({qv::db::column("name", "nvarchar(128)")}, {{"master"}, {"SalesDemo"}});
        f.exact("use [SalesDemo]");
    }
};

} // namespace qvtest
