#pragma once
// TfrmSource: the source window of a stored procedure (object type 51) or a function (52). The
// source page holds the text with its header rewritten to "CREATE PROCEDURE|FUNCTION
// [schema].[name]"; the own compile drops and re-creates the object in one transaction and
// puts back its permissions and extended properties. Further: run through the stored-program
// runner, print, save to a file, the sample viewer, a privileges and a dependency page.
#include "objects/sample_window.h"
#include "objects/source_base.h"
#include "tables/define_script.h"

#include <QPointer>

class QIODevice;
class QMenu;

namespace qv {

class TfraGrant;

class TfrmSource : public TfrmSourceBase {
    Q_OBJECT
public:
    // objectType: 51 procedure, 52 function. Raises EAbort (no window) when the object's window
    // is already open or it cannot be read.
    TfrmSource(QObject* owner, const QString& database, const QString& schema, const QString& objectName,
               int objectType, TOpenMode mode);

    // The class-level script routine (see define_script.h): ends with EAbort.
    static void GetScript(IConnectionWindow* owner, const DefineScriptRequest& request, QIODevice& stream);
    // The save dialog (title, proposed path, filter) → the chosen path or "" (tests replace it).
    static std::function<QString(const QString& title, const QString& proposed, const QString& filter)> SaveDialogHook;

    QAction* actExec = nullptr;
    QAction* actOutput = nullptr;
    QAction* actPrint = nullptr;
    QAction* actSave = nullptr;
    QAction* actSample = nullptr;
    QMenu* popOutput = nullptr;
    QWidget* tabGrant = nullptr;         // privileges page
    TfraGrant* fraGrant = nullptr;
    QPointer<TfrmSample> SampleWindow;   // the sample viewer this window opened

    // Opens the stored-program runner for the object; returns it.
    QWidget* actExecExecute();
    void actPrintExecute();
    void actSaveExecute();
    void actSampleExecute();
    void UpdateSourceActions();

protected:
    QStringList Template() const override;
    QWidget* PageForMode(TOpenMode mode) override;
    QList<QWidget*> ExistingOnlyPages() override;
    void ErrorsChanged() override { UpdateSourceActions(); }
    void ShowPageFrame() override;
    // The privileges page applies its GRANT / DENY / REVOKE statements through the frame's road.
    QStringList GetDDL() override;

private:
    TfrmSource(QObject* owner, const QString& database, const QString& schema, const QString& objectName,
               int objectType, TOpenMode mode, bool scriptMode);
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace qv
