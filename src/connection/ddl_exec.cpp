#include "connection/ddl_exec.h"

#include "app/images.h"
#include "app/message_box.h"
#include "app/options.h"
#include "app/wait_cursor.h"
#include "connection/object_session.h"
#include "editor/editor_fountain.h"
#include "editor/sqlmemo/qvmemo.h"
#include "sql/memo_settings.h"
#include "platform/exceptions.h"
#include "platform/registry.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QPointer>

#include <optional>
#include <QPushButton>
#include <QVBoxLayout>

namespace qv {

namespace {
QList<TfrmDDLExec*>& windows()
{
    static QList<TfrmDDLExec*> list;
    return list;
}
// Whether the last run of any window ran every batch without error (read after the window may
// already be closed).
bool& lastRunClean()
{
    static bool clean = false;
    return clean;
}
const QString kLogKey = SettingsRootKey + QStringLiteral("\\GUI\\LOG");
} // namespace

void PlainLogColours(TEditor& log)
{
    // The log is no SQL source: every kind of text in the font's colour, no bracket pairs.
    // Search hits, the selection, mail addresses and URLs keep their colours.
    TEditorColors& c = log.View().Colors();
    for (TFountainColor* colour : {static_cast<TFountainColor*>(&c.Ank()), static_cast<TFountainColor*>(&c.DBCS()),
                                   static_cast<TFountainColor*>(&c.Comment()), static_cast<TFountainColor*>(&c.Int()),
                                   static_cast<TFountainColor*>(&c.Str()), static_cast<TFountainColor*>(&c.Symbol()),
                                   &c.Reserve()})
        colour->SetColor(clNone);
    log.View().Brackets().Clear();
}

std::function<int(QWidget*, const QString&)> TfrmDDLExec::AskHook = [](QWidget*, const QString& text) {
    return ShowMessageBox(text, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
};

TfrmDDLExec::TfrmDDLExec(TObjectSession* owner, QWidget* mainWindow)
    : QWidget(nullptr, Qt::Window), m_owner(owner), m_mainWindow(mainWindow)
{
    setWindowTitle(QStringLiteral("スクリプト実行"));
    setWindowIcon(imgMain(10));
    setAttribute(Qt::WA_DeleteOnClose, false);
    txtLog = new TqvMemo(this);
    txtLog->setObjectName(QStringLiteral("txtLog"));
    ApplyMemoSettings(*txtLog, nullptr);
    txtLog->SetReadOnly(true);
    txtLog->SetScrollBars(ssVertical);
    txtLog->Leftbar().SetVisible(false);
    txtLog->Ruler().SetVisible(false);
    PlainLogColours(*txtLog);
    chkErrorStop = new QCheckBox(QStringLiteral("エラー発生時に処理を中断する"), this);
    chkErrorStop->setChecked(true);
    btnOK = new QPushButton(QStringLiteral("継続(&U)"), this);
    btnCancel = new QPushButton(QStringLiteral("中止(&A)"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(chkErrorStop);
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txtLog, 1);
    layout->addLayout(buttons);
    connect(btnOK, &QPushButton::clicked, this, [this] {
        try {
            btnOKClick();
        } catch (const EAbort&) {
        }
    });
    connect(btnCancel, &QPushButton::clicked, this, &TfrmDDLExec::btnCancelClick);
    resize(640, 420);

    m_run = std::make_unique<DdlScriptRun>([this](const QString& sql) { m_owner->ExecuteSQL(sql); },
                                           [this](const QString& line) { AddLog(line); });
    windows().append(this);
}

TfrmDDLExec::~TfrmDDLExec()
{
    windows().removeAll(this);
}

QList<TfrmDDLExec*> TfrmDDLExec::OpenWindows()
{
    return windows();
}

QStringList TfrmDDLExec::LogLines() const
{
    return txtLog->Lines().ToStringList();
}

void TfrmDDLExec::AddLog(const QString& line)
{
    txtLog->Lines().Add(line);
    txtLog->SetRow(txtLog->Lines().Count() - 1);
    QApplication::processEvents();
}

bool TfrmDDLExec::RunBatches()
{
    btnOK->setEnabled(false);
    const DdlScriptRun::Outcome outcome = m_run->run(chkErrorStop->isChecked());
    lastRunClean() = outcome == DdlScriptRun::Outcome::Completed && m_run->errorCount() == 0;
    if (outcome == DdlScriptRun::Outcome::StoppedAtError) {
        btnOK->setEnabled(true);
        btnOK->setFocus();
        return false;
    }
    if (outcome == DdlScriptRun::Outcome::Completed) {
        btnCancel->setText(QStringLiteral("終了(&X)"));
        btnCancel->setFocus();
        m_endProc = true;
        if (m_run->errorCount() == 0 && qvOption.CloseDDL && !m_closeAfterRun)
            close();
    }
    if (m_closeAfterRun)
        close();
    return true;
}

void TfrmDDLExec::btnOKClick()
{
    if (!RunBatches())
        Abort();
}

void TfrmDDLExec::ShowWindow(TObjectSession* owner, const QStringList& sql, QWidget* mainWindow)
{
    auto* w = new TfrmDDLExec(owner, mainWindow);
    if (mainWindow) {
        mainWindow->setEnabled(false);
    }
    auto cursor = std::make_optional<WaitCursor>();
    w->m_run->setScript(sql);
    w->m_run->resetErrors();
    w->LoadGeometry();
    w->show();
    QPointer<TfrmDDLExec> guard(w);
    const bool normal = w->RunBatches();
    cursor.reset();
    if (!normal)
        Abort();
    // A run that returned normally leaves no transaction open; with automatic transactions
    // the next one starts at once.
    if (owner && owner->dmSQLServer && owner->dmSQLServer->Connection) {
        db::Connection* c = owner->dmSQLServer->Connection;
        try {
            if (c->InTransaction())
                c->Commit();
        } catch (const std::exception&) {
        }
        try {
            if (qvOption.AutoTran && !c->InTransaction())
                c->StartTransaction();
        } catch (const std::exception&) {
        }
    }
}

bool TfrmDDLExec::ShowWindowStrict(TObjectSession* owner, const QStringList& sql, QWidget* mainWindow)
{
    auto* w = new TfrmDDLExec(owner, mainWindow);
    if (mainWindow)
        mainWindow->setEnabled(false);
    auto cursor = std::make_optional<WaitCursor>();
    w->chkErrorStop->setChecked(true);
    w->chkErrorStop->setEnabled(false);
    w->m_run->setScript(sql);
    w->m_run->resetErrors();
    w->LoadGeometry();
    w->show();
    QPointer<TfrmDDLExec> guard(w);
    lastRunClean() = false;
    w->RunBatches();
    cursor.reset();
    const bool clean = lastRunClean();
    if (!clean && guard && !w->m_closed) {
        // The rest of the script never runs: only the way out is left.
        w->btnOK->setEnabled(false);
        w->m_endProc = true;
        w->btnCancel->setText(QStringLiteral("終了(&X)"));
        w->btnCancel->setFocus();
    }
    if (clean && owner && owner->dmSQLServer && owner->dmSQLServer->Connection) {
        db::Connection* c = owner->dmSQLServer->Connection;
        try {
            if (c->InTransaction())
                c->Commit();
        } catch (const std::exception&) {
        }
        try {
            if (qvOption.AutoTran && !c->InTransaction())
                c->StartTransaction();
        } catch (const std::exception&) {
        }
    }
    return clean;
}

void TfrmDDLExec::WaitProc()
{
    while (!windows().isEmpty()) {
        QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

void TfrmDDLExec::closeEvent(QCloseEvent* e)
{
    if (!m_endProc) {
        if (AskHook(this, QStringLiteral("処理を中断しますか？")) != 6) {
            e->ignore();
            return;
        }
        m_endProc = true;
        m_run->requestStop();
    }
    if (m_run->running()) {
        // The loop below us still uses the window: close once it has returned.
        m_closeAfterRun = true;
        e->ignore();
        return;
    }
    if (m_closed) {
        e->accept();
        return;
    }
    m_closed = true;
    if (m_mainWindow)
        m_mainWindow->setEnabled(true);
    SaveGeometry();
    e->accept();
    windows().removeAll(this);
    deleteLater();
}

void TfrmDDLExec::LoadGeometry()
{
    TqvRegistry reg;
    if (!reg.OpenKeyReadOnly(kLogKey))
        return;
    const QRect g = geometry();
    move(reg.GetInteger(QStringLiteral("Left"), g.left()), reg.GetInteger(QStringLiteral("Top"), g.top()));
    resize(reg.GetInteger(QStringLiteral("Width"), g.width()), reg.GetInteger(QStringLiteral("Height"), g.height()));
}

void TfrmDDLExec::SaveGeometry()
{
    try {
        TqvRegistry reg;
        if (!reg.OpenKey(kLogKey, true))
            return;
        reg.WriteInteger(QStringLiteral("Left"), x());
        reg.WriteInteger(QStringLiteral("Top"), y());
        reg.WriteInteger(QStringLiteral("Width"), width());
        reg.WriteInteger(QStringLiteral("Height"), height());
    } catch (const std::exception&) {
    }
}

} // namespace qv
