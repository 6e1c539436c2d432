#include "connection/dm_sqlserver.h"
#include "platform/db/scripted_session.h"

#include <gtest/gtest.h>

using namespace qv::db;

namespace {

struct Session : ::testing::Test {
    std::shared_ptr<ScriptedSession> session = std::make_shared<ScriptedSession>();
    TdmSQLServer dm;
    void SetUp() override
    {
        dm.Connection->SetDriver(session);
        dm.Connection->Params().setValue("Server", "srv\\inst");
        dm.Connection->Params().setValue("User_Name", "sa");
        dm.Connection->Params().setValue("Password", "pw");
        dm.Connection->Params().setValue("Database", "master");
    }
};

} // namespace

TEST_F(Session, AccessorsReadTheParametersWithoutRegardToCase)
{
    EXPECT_EQ(dm.Server(), "srv\\inst");
    EXPECT_EQ(dm.Login(), "sa");
    EXPECT_EQ(dm.Password(), "pw");
    EXPECT_EQ(dm.DataBase(), "master");
    EXPECT_EQ(dm.Connection->Params().value("DRIVERID"), "MSSQL");
    dm.Connection->Params().remove("password");
    EXPECT_EQ(dm.Password(), "");
}

TEST_F(Session, GetDBVersion)
{
    struct Case { const char* version; int major; };
    for (const Case c : {Case{"16.0.4135.4", 16}, Case{"9.00.1399.06", 9}, Case{"abc", 99}, Case{".5", 99}, Case{"x.1", 99}}) {
        session->fixture().rules.clear();
        session->fixture().exact("select SERVERPROPERTY('productversion')").returns({column("", "nvarchar(128)")}, {{c.version}});
        dm.Connection->Open();
        EXPECT_EQ(dm.GetDBVersion(0), c.major) << c.version;
        EXPECT_FALSE(dm.qryGeneral->Active());
    }
    session->fixture().rules.clear();
    session->fixture().exact("select SERVERPROPERTY('productversion')").fails("no");
    EXPECT_EQ(dm.GetDBVersion(0), 99);
    EXPECT_FALSE(dm.qryGeneral->Active());
}

TEST_F(Session, LoginUserAndDefaultSchema)
{
    dm.Connection->Open();
    auto& f = session->fixture();
    f.exact("select User_Name()").returns({column("", "nvarchar(128)")}, {{"o'brien"}});
    f.exact("SELECT default_schema_name   FROM sys.database_principals  WHERE type in ('U', 'S', 'G', 'C', 'K')   AND name = N'o''brien'")
        .once()
        .returns({column("default_schema_name", "nvarchar(128)")}, {{"sales"}});
    EXPECT_EQ(dm.GetLoginUser(), "o'brien");
    EXPECT_EQ(dm.GetDefSchema(), "sales");
    // no row: empty; failure: dbo
    f.pattern("SELECT default_schema_name .*").once().returns({column("default_schema_name", "nvarchar(128)")}, {});
    EXPECT_EQ(dm.GetDefSchema(), "");
    f.pattern("SELECT default_schema_name .*").fails("Invalid object name 'sys.database_principals'.");
    EXPECT_EQ(dm.GetDefSchema(), "dbo");
    EXPECT_FALSE(dm.qryGeneral->Active());
    f.rules.clear();
    f.exact("select User_Name()").fails("x");
    EXPECT_EQ(dm.GetLoginUser(), "dbo");
}

TEST_F(Session, DriverName)
{
    EXPECT_EQ(dm.GetSQLDriverName(), "");
    session->fixture().info = QStringList{"DBMS name = Microsoft SQL Server", "Driver name = libtdsodbc.so"};
    dm.Connection->Open();
    EXPECT_EQ(dm.GetSQLDriverName(), "libtdsodbc.so");
    session->fixture().info = QStringList{"DBMS name = x"};
    EXPECT_EQ(dm.GetSQLDriverName(), "");
    dm.Connection->Close();
    EXPECT_EQ(dm.GetSQLDriverName(), "");
}
