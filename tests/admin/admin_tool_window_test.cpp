// The shared rules of the administration tool windows, on two scripted connections: caption,
// one window per connection caption, the connection combo moving the window, SQL Server only
// lists, closing when the connection is gone, the commit-around rule.
#include "admin/admin_tool_window.h"

#include "tables/define_session_helper.h"

#include <QComboBox>

using namespace qv;
using namespace qvtest;

namespace {

class ToyTool : public TAdminToolWindow {
public:
    ToyTool(TfrmObject* owner, bool sqlServerOnly)
        : TAdminToolWindow(owner, {&TAdminToolWindow::staticMetaObject, QString::fromUtf8("道具"), "TOYTOOL",
                                   sqlServerOnly, false})
    {
        FillConnections();
        cmbConnectionChange();
    }
    int changes = 0;
    using TAdminToolWindow::CommitOpenTransaction;
    using TAdminToolWindow::StartTransactionWhenAuto;

protected:
    void ConnectionChanged() override { ++changes; }
};

struct AdminToolWindow : DefineSession {
    std::shared_ptr<db::ScriptedSession> first;
    TfrmObject* salesConn = nullptr;
    TfrmObject* masterConn = nullptr;

    void SetUp() override
    {
        DefineSession::SetUp();
        Connect();
        masterConn = conn;
        first = session;
    }
    // A second connection (its own scripted session), on database `database`.
    TfrmObject* ConnectAnother(bool azure, const QString& database)
    {
        session = std::make_shared<db::ScriptedSession>();
        Connect(azure, database);
        TfrmObject* c = conn;
        session = first;
        conn = masterConn;
        return c;
    }
    ToyTool* Open(TfrmObject* owner, bool sqlServerOnly = false)
    {
        try {
            auto* w = new ToyTool(owner, sqlServerOnly);
            main->AddChildWindow(w);
            return w;
        } catch (const EAbort&) {
            return nullptr;
        }
    }
    static QStringList Items(const QComboBox* c)
    {
        QStringList out;
        for (int i = 0; i < c->count(); ++i)
            out << c->itemText(i);
        return out;
    }
};

} // namespace

TEST_F(AdminToolWindow, CaptionComboAndOneWindowPerConnection)
{
    salesConn = ConnectAnother(false, "sales");
    ToyTool* w = Open(masterConn);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->windowTitle(), QString::fromUtf8("道具 - sa @ srv.master"));
    EXPECT_EQ(w->TaskCaption(), QString::fromUtf8("sa @ srv"));
    EXPECT_EQ(Items(w->cmbConnection), QStringList({"sa @ srv.master", "sa @ srv.sales"}));
    EXPECT_EQ(w->cmbConnection->currentText(), "sa @ srv.master");
    EXPECT_EQ(w->Connection(), masterConn);
    EXPECT_EQ(w->changes, 1);

    // The same connection again: the open window comes forward, none is built.
    EXPECT_EQ(Open(masterConn), nullptr);
    // Another connection has a caption of its own.
    ToyTool* other = Open(salesConn);
    ASSERT_TRUE(other);
    EXPECT_EQ(other->windowTitle(), QString::fromUtf8("道具 - sa @ srv.sales"));
    other->frame()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // Choosing the other connection moves the window and the main window's current connection.
    w->cmbConnection->setCurrentIndex(1);
    emit w->cmbConnection->activated(1);
    EXPECT_EQ(w->Connection(), salesConn);
    EXPECT_EQ(w->windowTitle(), QString::fromUtf8("道具 - sa @ srv.sales"));
    EXPECT_EQ(main->cmbDBName()->currentText(), "sa @ srv.sales");
    EXPECT_EQ(w->changes, 2);
}

TEST_F(AdminToolWindow, SqlServerOnlyWindowsLeaveAzureConnectionsOut)
{
    ConnectAnother(true, "master");
    ToyTool* all = Open(masterConn, false);
    ASSERT_TRUE(all);
    EXPECT_EQ(all->cmbConnection->count(), 2);
    all->frame()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ToyTool* sqlOnly = Open(masterConn, true);
    ASSERT_TRUE(sqlOnly);
    EXPECT_EQ(Items(sqlOnly->cmbConnection), QStringList({"sa @ srv.master"}));
}

TEST_F(AdminToolWindow, ClosesWhenItsConnectionIsGoneOnly)
{
    salesConn = ConnectAnother(false, "sales");
    QPointer<ToyTool> w = Open(masterConn);
    ASSERT_TRUE(w);
    bool closed = false;
    QObject::connect(w, &TqvForm::closed, [&closed] { closed = true; });
    // Another connection closing: the combo follows, the window stays.
    salesConn->frame()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(w);
    EXPECT_EQ(Items(w->cmbConnection), QStringList({"sa @ srv.master"}));
    EXPECT_FALSE(closed);
    // Its own connection closing: the window closes on the news itself (WM_DBCHANGE), not only
    // when the connection window is freed later.
    masterConn->frame()->close();
    EXPECT_TRUE(closed);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(w);
}

TEST_F(AdminToolWindow, CommitAroundIgnoresFailuresAndFollowsAutoTran)
{
    ToyTool* w = Open(masterConn);
    ASSERT_TRUE(w);
    const bool saved = qvOption.AutoTran;
    db::Connection* con = masterConn->session()->dmSQLServer->Connection;
    for (const bool autoTran : {false, true}) {
        qvOption.AutoTran = autoTran;
        con->StartTransaction();
        ASSERT_TRUE(con->InTransaction());
        w->CommitOpenTransaction();
        EXPECT_FALSE(con->InTransaction());
        w->StartTransactionWhenAuto();
        EXPECT_EQ(con->InTransaction(), autoTran);
        if (con->InTransaction())
            con->Commit();
    }
    qvOption.AutoTran = saved;
}
