// The options dialog and the column picker on the program's connection window over a scripted
// session: OK without a change sends nothing, a declined AutoTran change keeps the transaction
// open, and the column picker reads the columns with the owner and table as parameters.
#include "app/connection_options.h"
#include "app/found/settings_helper.h"
#include "app/main_window.h"
#include "app/option_dialog.h"
#include "app/pickers.h"
#include "connection/catalog_queries.h"
#include "connection/object_window.h"
#include "platform/db/scripted_session.h"
#include "support/modal_helper.h"

#include <QCheckBox>
#include <QMessageBox>

using namespace qv;
using namespace qv::db;
using namespace qvtest;

namespace {

class ObjectWindowOptions : public SettingsTest {
protected:
    void SetUp() override
    {
        SettingsTest::SetUp();
        main = std::make_unique<TfrmMain>();
        auto answer = [this](const QString& sql, const QString& value) {
            session->fixture().exact(sql).returns({column("", "nvarchar(128)")}, {{value}});
        };
        answer("select SERVERPROPERTY('productversion')", "16.0.4135.4");
        answer(catalog::facts::ProductVersion, "16.0.4135.4");
        answer(catalog::facts::Edition, "Developer Edition");
        answer(catalog::facts::LoginName, "sa");
        answer(catalog::facts::CurrentDatabase, "Sales");
        answer(catalog::facts::UserName, "dbo");
        answer(catalog::facts::DefaultSchema, "dbo");
        answer(catalog::facts::Spid, "55");
        session->fixture().pattern("set showplan.*").affects(0);
        session->fixture().exact(catalog::DatabaseListSql(false)).returns({column("name", "sysname")},
                                                                          {{"master"}, {"Sales"}});
        window = new TfrmObject(nullptr, "Sales", "sa", "pw", "srv", session);
    }
    void TearDown() override
    {
        delete window;
        main.reset();
        SettingsTest::TearDown();
    }
    std::shared_ptr<ScriptedSession> session = std::make_shared<ScriptedSession>();
    std::unique_ptr<TfrmMain> main;
    TfrmObject* window = nullptr;
};

} // namespace

TEST_F(ObjectWindowOptions, OkWithoutChangeSendsNothingAndADeclinedSwitchKeepsTheTransaction)
{
    window->StartTransaction();
    ASSERT_TRUE(SessionInTransaction(window));
    session->clearRecord();
    {
        TfrmOption dlg(window, main.get());
        dlg.btnOkClick();
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
    }
    EXPECT_TRUE(session->statements().isEmpty()) << session->statements().join("|").toStdString();
    EXPECT_TRUE(session->events().isEmpty()) << session->events().join("|").toStdString();
    {
        TfrmOption dlg(window, main.get());
        dlg.checks.value("AutoTran")->setChecked(true);
        QString question;
        whenModal([&](QWidget* w) {
            auto* mb = qobject_cast<QMessageBox*>(w);
            question = mb ? mb->text() : QString();
            if (mb)
                mb->button(QMessageBox::No)->click();
            else
                w->close();
        });
        dlg.btnOkClick();
        EXPECT_TRUE(question.contains("コミットしますか？")) << question.toStdString();
        EXPECT_NE(dlg.result(), QDialog::Accepted);
    }
    EXPECT_TRUE(session->events().isEmpty()) << session->events().join("|").toStdString();
    EXPECT_TRUE(SessionInTransaction(window));
    EXPECT_FALSE(qvOption.AutoTran);
}

TEST_F(ObjectWindowOptions, ColumnPickerReadsTheColumnsOfTheTable)
{
    session->fixture().exact("use [Sales]").affects(0);
    FixtureRule& rule = session->fixture()
                            .pattern("(?s)select b\\.name.*syscolumns.*")
                            .returns({column("name", "sysname")}, {{"id"}, {"name"}, {"price"}});
    rule.params = QVariantList{QStringLiteral("dbo"), QStringLiteral("Items")}; // owner, then table
    session->clearRecord();
    EXPECT_EQ(ReadTableColumns(window, "Sales", "dbo", "Items"), QStringList({"id", "name", "price"}));
    ASSERT_FALSE(session->statements().isEmpty());
    const QString sent = session->statements().join("\n");
    EXPECT_TRUE(sent.contains("use [Sales]")) << sent.toStdString();
    EXPECT_TRUE(sent.contains("schema_name(a.uid)")) << sent.toStdString();
}

TEST_F(ObjectWindowOptions, SupportTextReadsTheSessionDriver)
{
    EXPECT_EQ(InfoReportValue(SessionInfoReport(window), "Driver name"), "qorvel scripted session");
}
