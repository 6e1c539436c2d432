#include "fake_connection_helper.h"

#include <QCloseEvent>
#include <QMdiSubWindow>

#include "app/main_window.h"
#include "platform/exceptions.h"

namespace qvtest {

FakeConnectionWindow::FakeConnectionWindow(const QString& l, const QString& s, const QString& d, int v, bool a)
    : login(l), server(s), database(d), userId(l), version(v), azure(a)
{
    setWindowTitle(GetConnectInfo(QString(), QString(), true));
}

FakeConnectionWindow::~FakeConnectionWindow()
{
    if (m_registered && qv::TfrmMain::instance())
        qv::TfrmMain::instance()->RemoveConnection(this);
}

void FakeConnectionWindow::open()
{
    qv::TfrmMain* main = qv::TfrmMain::instance();
    main->AddChildWindow(this);
    main->AddConnection(this);
    m_registered = true;
}

void FakeConnectionWindow::Commit()
{
    calls << QStringLiteral("Commit");
    if (failCommit)
        throw qv::Exception(QStringLiteral("commit failed"));
}

void FakeConnectionWindow::Rollback() { calls << QStringLiteral("Rollback"); }

QWidget* FakeConnectionWindow::OpenObject(int objectType, const QString& db, const QString& sch,
                                          const QString& name, qv::TOpenMode mode, bool, int top,
                                          const QString& parent)
{
    lastMode = mode;
    lastTopRecord = top;
    lastParent = parent;
    calls << QStringLiteral("OpenObject %1 %2.%3.%4").arg(objectType).arg(db, sch, name);
    return nullptr;
}

void FakeConnectionWindow::closeEvent(QCloseEvent* e)
{
    // The real window asks the windows it owns first; here only the flag decides.
    if (!allowClose) {
        e->ignore();
        return;
    }
    if (m_registered && qv::TfrmMain::instance()) {
        m_registered = false;
        qv::TfrmMain::instance()->RemoveConnection(this);
    }
    e->accept();
}

} // namespace qvtest
