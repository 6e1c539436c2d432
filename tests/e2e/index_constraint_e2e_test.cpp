// The index and constraint windows end to end: logged on to the TDS test server through the
// FreeTDS ODBC driver, each window loads an existing object of SalesDemo, applies a change,
// creates a new object and deletes one. The server answers from the demo fixtures and the
// windows' own (tests/objects/fixtures/index_window, constraint_window), and records
// anything they leave unanswered: the record stays empty.
#include "app/application.h"
#include "app/main_window.h"
#include "app/options.h"
#include "connection/connection_commands.h"
#include "connection/ddl_exec.h"
#include "connection/logon_dialog.h"
#include "connection/object_window.h"
#include "controls/grid/string_grid.h"
#include "objects/constraint_window.h"
#include "objects/index_window.h"
#include "objects/storage_frame.h"
#include "support/test_env.h"
#include "define_window_e2e_helper.h"

#include <QCoreApplication>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

using namespace qvtest;
using namespace qv;

namespace {

struct IndexConstraintE2E : DefineWindowE2E {
    IndexConstraintE2E() : DefineWindowE2E({"index_window", "constraint_window"}) {}
    // A run stopped at an error keeps its execution window open: close it (as the user would)
    // so that the failure is reported instead of waiting.
    QTimer closer;
    std::function<int(QWidget*, const QString&)> savedAsk = TfrmDDLExec::AskHook;

    void SetUp() override
    {
        QObject::connect(&closer, &QTimer::timeout, [] {
            for (TfrmDDLExec* e : TfrmDDLExec::OpenWindows())
                if (e->btnOK->isEnabled())
                    e->close();
        });
        closer.start(50);
        TfrmDDLExec::AskHook = [](QWidget*, const QString&) { return 6; };
        DefineWindowE2E::SetUp();
    }
    void TearDown() override
    {
        DefineWindowE2E::TearDown();
        TfrmDDLExec::AskHook = savedAsk;
    }
    QWidget* Open(int type, const QString& name, const QString& table)
    {
        QWidget* w = conn->OpenObject(type, "SalesDemo", "dbo", name, omDefine, false, 0, table);
        if (w)
            main.AddChildWindow(w);
        return w;
    }
    std::string Problems() const
    {
        return (errors.join("\n") + "\n" + boxes.join("\n") + "\n" + Unmatched()).toStdString();
    }
};

} // namespace

TEST_F(IndexConstraintE2E, IndexWindowLoadsAppliesCreatesAndDrops)
{
    auto* w = qobject_cast<TfrmIndex*>(Open(46, "IX_Orders_CustomerID", "Orders"));
    ASSERT_TRUE(w) << Problems();
    EXPECT_EQ(w->lstIdxCol->count(), 2);
    EXPECT_EQ(w->lstTabCol->count(), 6);
    EXPECT_EQ(w->fraStorage->cmbFileGroup->currentText(), "PRIMARY");

    // Fill factor only: DROP, CREATE with the fill factor, REBUILD.
    w->chkFillFactor->click();
    w->txtFillFactorPercent->setText("80");
    w->Compile();
    EXPECT_TRUE(errors.isEmpty()) << Problems();
    EXPECT_FALSE(w->Modified());

    // A new index.
    auto* n = qobject_cast<TfrmIndex*>(Open(46, "", "Orders"));
    ASSERT_TRUE(n) << Problems();
    n->txtName->setText("IX_Orders_Status");
    EXPECT_EQ(n->lstTabCol->count(), 6);
    n->lstTabCol->item(5)->setSelected(true); // Status
    n->btnInsClick();
    n->Compile();
    EXPECT_TRUE(errors.isEmpty()) << Problems();
    EXPECT_FALSE(n->IsNew());

    // Delete.
    QPointer<TfrmIndex> gone = w;
    w->actDeleteExecute();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(gone);
    EXPECT_TRUE(errors.isEmpty()) << Problems();
    EXPECT_EQ(boxes.last(), QString::fromUtf8("オブジェクトが削除されました。"));
    EXPECT_TRUE(Unmatched().isEmpty()) << Unmatched().toStdString();
    const QString log = server.logText();
    EXPECT_TRUE(log.contains("WITH FILLFACTOR = 80")) << log.toStdString();
    EXPECT_TRUE(log.contains("ALTER INDEX [IX_Orders_CustomerID] ON [dbo].[Orders] REBUILD"));
    EXPECT_TRUE(log.contains("CREATE INDEX [IX_Orders_Status]"));
    EXPECT_TRUE(log.contains("drop index [dbo].[Orders].[IX_Orders_CustomerID]"));
}

TEST_F(IndexConstraintE2E, ConstraintWindowLoadsAppliesCreatesAndDrops)
{
    auto* w = qobject_cast<TfrmConst*>(Open(66, "FK_Orders_Customers", QString()));
    ASSERT_TRUE(w) << Problems();
    EXPECT_EQ(w->ConstKind(), constraint::ForeignKey);
    EXPECT_TRUE(w->chkEnabled->isChecked());
    EXPECT_EQ(w->grdForeign->Cells(0, 1), "CustomerID");
    EXPECT_EQ(w->grdForeign->Cells(1, 1), "CustomerID");

    // Switched off: DROP, ADD and the NOCHECK batch.
    w->chkEnabled->click();
    w->Compile();
    EXPECT_TRUE(errors.isEmpty()) << Problems();
    EXPECT_FALSE(w->Modified());

    // A new check constraint on Orders.
    auto* n = qobject_cast<TfrmConst*>(Open(66, "", "Orders"));
    ASSERT_TRUE(n) << Problems();
    n->txtName->setText("CK_Orders_Total");
    n->cmbConstType->setCurrentIndex(constraint::Check);
    n->SetCheckText("[Total] >= 0");
    n->Compile();
    EXPECT_TRUE(errors.isEmpty()) << Problems();
    EXPECT_FALSE(n->IsNew());

    // Delete.
    QPointer<TfrmConst> gone = n;
    n->actDeleteExecute();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(gone);
    EXPECT_TRUE(errors.isEmpty()) << Problems();
    EXPECT_TRUE(Unmatched().isEmpty()) << Unmatched().toStdString();
    const QString log = server.logText();
    EXPECT_TRUE(log.contains("ALTER TABLE [dbo].[Orders] WITH NOCHECK ADD CONSTRAINT [FK_Orders_Customers]"))
        << log.toStdString();
    EXPECT_TRUE(log.contains("ALTER TABLE [dbo].[Orders] NOCHECK CONSTRAINT [FK_Orders_Customers]"));
    EXPECT_TRUE(log.contains("ALTER TABLE [dbo].[Orders] ADD CONSTRAINT [CK_Orders_Total]"));
    EXPECT_TRUE(log.contains("alter table [SalesDemo].[dbo].[Orders] drop constraint [CK_Orders_Total]"));
}
