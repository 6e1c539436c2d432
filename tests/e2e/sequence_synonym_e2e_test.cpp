// The sequence and synonym windows end to end: logged on to the TDS test server through the
// FreeTDS ODBC driver, each window loads an existing object, applies a change, creates a new one
// and drops one. The server answers from the demo fixtures and the windows' own
// (tests/objects/fixtures/sequence_window and synonym_window) and records anything they leave
// unanswered: the record stays empty.
#include "app/application.h"
#include "app/main_window.h"
#include "app/options.h"
#include "connection/connection_commands.h"
#include "connection/ddl_exec.h"
#include "connection/logon_dialog.h"
#include "connection/object_window.h"
#include "objects/sequence_window.h"
#include "objects/synonym_window.h"
#include "support/test_env.h"
#include "define_window_e2e_helper.h"

#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qvtest;
using namespace qv;

namespace {

struct SeqSynE2E : DefineWindowE2E {
    SeqSynE2E() : DefineWindowE2E({"sequence_window", "synonym_window"}) {}
    template <class W>
    W* Open(int type, const QString& name)
    {
        QWidget* w = conn->OpenObject(type, "SalesDemo", "dbo", name, omDefine, false, 0, QString());
        if (w)
            main.AddChildWindow(w);
        return qobject_cast<W*>(w);
    }
    std::string Failures() const
    {
        return (errors.join("\n") + "\n" + Unmatched()).toStdString();
    }
};

} // namespace

TEST_F(SeqSynE2E, SequenceLoadsAltersResetsAddsCreatesAndDrops)
{
    auto* w = Open<TfrmSeq>(58, "OrderNumbers");
    ASSERT_TRUE(w) << boxes.join("\n").toStdString() << Failures();
    EXPECT_EQ(w->pnlCurrent->text(), "1005");
    EXPECT_EQ(w->txtLastNo->text(), "1001");
    EXPECT_EQ(w->cmbDataType->currentText(), "bigint");
    EXPECT_TRUE(w->chkNoMin->isChecked());
    EXPECT_TRUE(w->chkNomax->isChecked());

    // ALTER through the execution window.
    w->txtInc->setText("5");
    w->Compile();
    EXPECT_TRUE(errors.isEmpty()) << Failures();
    EXPECT_FALSE(w->Modified());

    // Reset and add.
    w->actResetExecute();
    w->actIncExecute();
    EXPECT_TRUE(errors.isEmpty()) << Failures();

    // A new sequence.
    auto* n = Open<TfrmSeq>(58, "");
    ASSERT_TRUE(n);
    n->txtName->setText("S2");
    n->Compile();
    EXPECT_TRUE(errors.isEmpty()) << Failures();
    EXPECT_FALSE(n->IsNew());

    // Delete.
    QPointer<TfrmSeq> gone = w;
    w->actDeleteExecute();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(gone);
    EXPECT_TRUE(errors.isEmpty()) << Failures();
    EXPECT_TRUE(Unmatched().isEmpty()) << Unmatched().toStdString();
    const QString log = server.logText();
    EXPECT_TRUE(log.contains("ALTER SEQUENCE [dbo].[OrderNumbers]")) << log.toStdString();
    EXPECT_TRUE(log.contains("INCREMENT BY 5"));
    EXPECT_TRUE(log.contains("ALTER SEQUENCE [dbo].[OrderNumbers] RESTART WITH 1001"));
    EXPECT_TRUE(log.contains("SELECT NEXT VALUE FOR [dbo].[OrderNumbers]"));
    EXPECT_TRUE(log.contains("CREATE SEQUENCE [DBO].[S2]"));
    EXPECT_TRUE(log.contains("DROP SEQUENCE [dbo].[OrderNumbers]"));
}

TEST_F(SeqSynE2E, SynonymLoadsReappliesWithItsPermissionsCreatesAndDrops)
{
    auto* w = Open<TfrmSynonym>(60, "Kokyaku");
    ASSERT_TRUE(w) << boxes.join("\n").toStdString() << Failures();
    EXPECT_EQ(w->cmbDatabaseList->currentText(), "SalesDemo");
    EXPECT_EQ(w->cmbTableOwner->currentText(), "dbo");
    EXPECT_EQ(w->cmbTableName->currentText(), "Customers");
    EXPECT_EQ(w->cmbType->currentText(), "TABLE");

    w->cmbTableName->setEditText("Orders");
    w->Compile();
    EXPECT_TRUE(errors.isEmpty()) << Failures();
    EXPECT_FALSE(w->Modified());

    auto* n = Open<TfrmSynonym>(60, "");
    ASSERT_TRUE(n);
    n->txtName->setText("s1");
    n->cmbDatabaseList->setEditText("SalesDemo");
    n->cmbTableOwner->setEditText("dbo");
    n->cmbType->setEditText("TABLE");
    n->cmbTableName->setEditText("Orders");
    n->Compile();
    EXPECT_TRUE(errors.isEmpty()) << Failures();
    EXPECT_FALSE(n->IsNew());

    QPointer<TfrmSynonym> gone = w;
    w->actDeleteExecute();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(gone);
    EXPECT_TRUE(errors.isEmpty()) << Failures();
    EXPECT_TRUE(Unmatched().isEmpty()) << Unmatched().toStdString();
    const QString log = server.logText();
    EXPECT_TRUE(log.contains("DROP SYNONYM [dbo].[Kokyaku]")) << log.toStdString();
    EXPECT_TRUE(log.contains("FOR [SalesDemo].[dbo].[Orders]"));
    EXPECT_TRUE(log.contains("GRANT SELECT ON OBJECT::[dbo].[Kokyaku] TO [public]"));
    EXPECT_TRUE(log.contains("CREATE SYNONYM [dbo].[s1]"));
    EXPECT_TRUE(log.contains("drop synonym [dbo].[Kokyaku]"));
}
