// The schema window end to end: logged on to the TDS test server through the FreeTDS ODBC
// driver, the window loads an existing schema, changes its owner, creates a new schema and
// deletes one. The server answers from the demo fixtures and the schema window's own
// (tests/objects/fixtures/schema_window), and records anything they leave unanswered: the
// record stays empty.
#include "app/application.h"
#include "app/main_window.h"
#include "app/options.h"
#include "connection/connection_commands.h"
#include "connection/ddl_exec.h"
#include "connection/logon_dialog.h"
#include "connection/object_window.h"
#include "objects/schema_window.h"
#include "support/test_env.h"
#include "define_window_e2e_helper.h"

#include <QCoreApplication>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qvtest;
using namespace qv;

namespace {

struct SchemaE2E : DefineWindowE2E {
    SchemaE2E() : DefineWindowE2E({"schema_window"}) {}
    TfrmSchema* Open(const QString& name)
    {
        QWidget* w = conn->OpenObject(125, "SalesDemo", "dbo", name, omDefine, false, 0, QString());
        if (w)
            main.AddChildWindow(w);
        return qobject_cast<TfrmSchema*>(w);
    }
};

} // namespace

TEST_F(SchemaE2E, LoadsAppliesCreatesAndDrops)
{
    TfrmSchema* w = Open("Reports");
    ASSERT_TRUE(w) << boxes.join("\n").toStdString() << Unmatched().toStdString();
    EXPECT_EQ(w->cmbOwner->currentText(), "dbo");
    EXPECT_EQ(Open("Reports"), nullptr); // one window per schema

    // The owner list and the owner change.
    w->cmbOwner->OnDropDown();
    EXPECT_EQ(w->cmbOwner->count(), 4);
    w->cmbOwner->setEditText("guest");
    w->Compile();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_FALSE(w->Modified());
    EXPECT_EQ(w->cmbOwner->currentText(), "dbo"); // as the server answers after the change
    EXPECT_TRUE(TfrmDDLExec::OpenWindows().isEmpty());

    // A new schema.
    TfrmSchema* n = Open("");
    ASSERT_TRUE(n);
    n->txtName->setText("s1");
    n->Compile();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_FALSE(n->IsNew());
    EXPECT_EQ(n->windowTitle(), "SCHEMA - SalesDemo.s1 @ 127.0.0.1," + QString::number(server.port()) + ".master");

    // Delete.
    QPointer<TfrmSchema> gone = w;
    w->actDeleteExecute();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(gone);
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(boxes.last(), QString::fromUtf8("オブジェクトが削除されました。"));
    EXPECT_TRUE(Unmatched().isEmpty()) << Unmatched().toStdString();
    const QString log = server.logText();
    EXPECT_TRUE(log.contains("ALTER AUTHORIZATION ON SCHEMA::[Reports] TO [guest]")) << log.toStdString();
    EXPECT_TRUE(log.contains("CREATE SCHEMA [s1] AUTHORIZATION [dbo]"));
    EXPECT_TRUE(log.contains("USE [SalesDemo] DROP SCHEMA [Reports]"));
}
