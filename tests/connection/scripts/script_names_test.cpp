#include "connection/script_names.h"
#include "connection/script_names_window.h"

#include "app/message_box.h"
#include "app/options.h"
#include "script_session_helper.h"

#include <QComboBox>
#include <gtest/gtest.h>

using namespace qv;
using namespace qvtest;

TEST(ScriptNames, ReferenceSplitsAtItsDots)
{
    struct Case {
        const char* ref;
        const char *database, *schema, *name;
    } cases[] = {
        {"NAMES", "Cur", "dbo", "NAMES"},
        {"s.NAMES", "Cur", "s", "NAMES"},
        {"db.s.NAMES", "db", "s", "NAMES"},
        {"データ.販売.名前表", "データ", "販売", "名前表"},
        {"a.b.c.d", "Cur", "dbo", "d"},
    };
    for (const Case& c : cases) {
        const NameTableRef r = SplitNameTableRef(QString::fromUtf8(c.ref), "Cur", "dbo");
        EXPECT_EQ(r.database, QString::fromUtf8(c.database)) << c.ref;
        EXPECT_EQ(r.schema, QString::fromUtf8(c.schema)) << c.ref;
        EXPECT_EQ(r.name, QString::fromUtf8(c.name)) << c.ref;
    }
}

TEST(ScriptNames, InitialRowsPerSchemaAndVersion)
{
    const QString own = NameTableInitialRowsSql("Sales", "s'1", "NAMES", false, 16);
    EXPECT_TRUE(own.startsWith("use [Sales]\r\nINSERT INTO [s'1].[NAMES] (DATABASE_NAME, OWNER, OBJECT_NAME, OBJECT_TYPE, SCRIPT_NAME)"));
    EXPECT_TRUE(own.endsWith(" AND schema_name(uid) = N's''1' collate database_default")) << own.toStdString();
    EXPECT_TRUE(own.contains("when xtype = 'V' then N'VIEW'"));
    EXPECT_TRUE(own.contains("when xtype in ('K', 'PK', 'UQ', 'F', 'C', 'D') then N'CONSTRAINT'"));
    const QString all = NameTableInitialRowsSql("Sales", "dbo", "NAMES", true, 8);
    EXPECT_FALSE(all.contains("collate"));
    EXPECT_TRUE(all.contains("cast(user_name(uid) as nvarchar(128))"));
    EXPECT_TRUE(NameTableCreateSql("Sales", "dbo", "N", true).endsWith("CREATE CLUSTERED INDEX [IX_N] ON [dbo].[N] ([DATABASE_NAME])"));
}

namespace {
struct NameTableWindow : ::testing::Test {
    TScriptOption saved = ScriptOption;
    ScriptSession s{16};
    QStringList messages, asked;
    int answer = IDNO;
    void SetUp() override
    {
        ScriptOption.NameTable = {"srv=Sales.dbo.NAMES"};
        s.answer(catalog::DatabaseListSql(false), {{"master"}, {"Sales"}});
        TfrmNameTable::MessageHook = [this](const QString& t, int) { messages << t; };
        TfrmNameTable::AskHook = [this](const QString& t, int, bool* check) {
            asked << t;
            if (check)
                *check = false;
            return answer;
        };
    }
    void TearDown() override
    {
        ScriptOption = saved;
        TfrmNameTable::MessageHook = nullptr;
        TfrmNameTable::AskHook = nullptr;
    }
    void Exists(bool exists)
    {
        s.answer("select count(object_id(?))", {{exists ? "1" : "0"}}).params = QVariantList{"[dbo].[NEWNAMES]"};
    }
};
} // namespace

TEST_F(NameTableWindow, ExistingTableOfAnotherLayoutWarnsAndStoresTheEntry)
{
    s.answer("use [Sales]\nSELECT DATABASE_NAME, OWNER, OBJECT_NAME, OBJECT_TYPE, SCRIPT_NAME FROM [dbo].[NAMES]", {}, 5);
    TfrmNameTable w(&s.session);
    w.SelectConnection(&s.session);
    EXPECT_TRUE(w.LayoutOk());
    EXPECT_EQ(w.UpdateTable(), "[Sales].[dbo].[NAMES]");
    EXPECT_EQ(w.windowTitle(), "スクリプト名テーブル編集 - Sales.dbo.NAMES @ srv");
    if (const QString dir = qEnvironmentVariable("QORVEL_PNG_DIR"); !dir.isEmpty())
        w.grab().save(dir + "/script_name_table.png");
    w.cmbName->setEditText("NEWNAMES");
    s.driver->fixture()
        .exact("use [Sales]\nSELECT DATABASE_NAME, OWNER, OBJECT_NAME, OBJECT_TYPE, SCRIPT_NAME FROM [dbo].[NEWNAMES]")
        .fails("Invalid column name 'OWNER'.");
    Exists(true);
    w.btnCommitClick();
    EXPECT_EQ(messages, QStringList{"テーブルレイアウトが一致しません。"});
    EXPECT_EQ(ScriptOption.NameTable, QStringList{"srv=Sales.dbo.NEWNAMES"});
}

TEST_F(NameTableWindow, MissingTableCreatedOnYesWithTheSchemaRows)
{
    TfrmNameTable w(&s.session);
    w.SelectConnection(&s.session);
    w.cmbName->setEditText("NEWNAMES");
    Exists(false);
    // Answering No creates nothing and stores the entry.
    w.btnCommitClick();
    EXPECT_EQ(asked, QStringList{"テーブルが見つかりません。新規作成しますか？"});
    EXPECT_FALSE(s.sent().join("\n").contains("CREATE TABLE"));
    EXPECT_EQ(ScriptOption.NameTable, QStringList{"srv=Sales.dbo.NEWNAMES"});
    // Yes: created, then the initial rows of the schema only.
    answer = IDYES;
    asked.clear();
    s.driver->fixture().exact(NameTableCreateSql("Sales", "dbo", "NEWNAMES", false)).affects(0);
    s.driver->fixture().exact(NameTableInitialRowsSql("Sales", "dbo", "NEWNAMES", false, 16)).affects(3);
    s.answer("use [Sales]\nSELECT DATABASE_NAME, OWNER, OBJECT_NAME, OBJECT_TYPE, SCRIPT_NAME FROM [dbo].[NEWNAMES]", {}, 5);
    Exists(false);
    w.btnCommitClick();
    EXPECT_EQ(asked, (QStringList{"テーブルが見つかりません。新規作成しますか？", "初期データを登録しますか？"}));
    const QString sent = s.sent().join("\n");
    EXPECT_TRUE(sent.contains("CREATE TABLE [dbo].[NEWNAMES]"));
    EXPECT_TRUE(sent.contains("schema_name(uid) = N'dbo' collate database_default"));
    EXPECT_TRUE(w.LayoutOk());
}

TEST_F(NameTableWindow, SizeIsKeptUnderItsKey)
{
    s.answer("use [Sales]\nSELECT DATABASE_NAME, OWNER, OBJECT_NAME, OBJECT_TYPE, SCRIPT_NAME FROM [dbo].[NAMES]", {}, 5);
    TfrmNameTable::ExecHook = [](TfrmNameTable* w) {
        w->resize(640, 400);
        return 0;
    };
    TfrmNameTable::ShowWindow(&s.session);
    int width = 0;
    TfrmNameTable::ExecHook = [&](TfrmNameTable* w) {
        width = w->width();
        return 0;
    };
    TfrmNameTable::ShowWindow(&s.session);
    TfrmNameTable::ExecHook = nullptr;
    EXPECT_EQ(width, 640);
}
