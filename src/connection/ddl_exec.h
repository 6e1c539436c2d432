#pragma once
// The script execution window: runs a generated DDL script batch by batch on a connection's
// session and logs every batch with its outcome. Callers call ShowWindow and then WaitProc.
#include "connection/ddl_exec_run.h"

#include <QWidget>

#include <functional>
#include <memory>

class QCheckBox;
class QPushButton;

namespace qv {

class TEditor;
class TObjectSession;
class TqvMemo;

// Makes an editor show plain text: no colours by token kind, no bracket pairs.
void PlainLogColours(TEditor& log);

class TfrmDDLExec : public QWidget {
    Q_OBJECT
public:
    // Runs the script; returns when the run has ended or stopped at an error (then with the
    // silent abort). The window may stay open after it returns. mainWindow, when given, is
    // disabled while the window is open.
    static void ShowWindow(TObjectSession* owner, const QStringList& sql, QWidget* mainWindow = nullptr);
    // Runs a script that must not go on past a failing batch (the re-create of a table): it
    // stops at the first failure whatever the check box says and offers no continuation; a
    // transaction left open by a failed run is the caller's. True only when every batch ran
    // without error (a run stopped by the user is no clean run).
    static bool ShowWindowStrict(TObjectSession* owner, const QStringList& sql, QWidget* mainWindow = nullptr);
    // Processes events until no execution window is left.
    static void WaitProc();
    // The windows still open (for WaitProc and tests).
    static QList<TfrmDDLExec*> OpenWindows();
    // The close question; tests replace it (answers the button id, 6 Yes / 7 No).
    static std::function<int(QWidget*, const QString&)> AskHook;

    TqvMemo* txtLog = nullptr;
    QCheckBox* chkErrorStop = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

    bool EndProc() const { return m_endProc; }
    const DdlScriptRun& Run() const { return *m_run; }
    QStringList LogLines() const;

    void btnOKClick();
    void btnCancelClick() { close(); }

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    TfrmDDLExec(TObjectSession* owner, QWidget* mainWindow);
    ~TfrmDDLExec() override;
    // Runs the remaining batches; false when stopped at an error.
    bool RunBatches();
    void AddLog(const QString& line);
    void LoadGeometry();
    void SaveGeometry();

    TObjectSession* m_owner;
    QWidget* m_mainWindow;
    std::unique_ptr<DdlScriptRun> m_run;
    bool m_endProc = false;
    bool m_closeAfterRun = false;
    bool m_closed = false;
};

} // namespace qv
