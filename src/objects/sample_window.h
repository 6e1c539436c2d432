#pragma once
// TfrmSample: the read-only viewer of an example script for writing a stored procedure or a
// function, opened by the source window's sample action. A separate window that stays on top
// of the others, owned by its source window (one at most per source window, destroyed with
// it). The examples are plain SQL files in the data folder's "sample/" (separate files for
// Azure SQL Database); an installed copy beside the program stands in for a file the data
// folder does not hold.
#include "app/qvform.h"

#include <QPointer>
#include <functional>

class QToolBar;
class QAction;

namespace qv {

class TqvMemo;

// "sample/procedure.sql", "sample/function.sql", or "…_azure.sql" for an Azure connection
// (objectType 51 procedure, anything else function).
QString SampleFileName(bool azure, int objectType);
// The file to show: data folder + SampleFileName, else the program folder's copy; the data
// folder's path when neither exists.
QString SampleFilePath(bool azure, int objectType);

class TfrmSample : public TqvForm {
    Q_OBJECT
public:
    // Creates the viewer of `owner` when it has none (kept in `slot`), fills it with the sample
    // of the kind and shows it; a missing file warns and closes the viewer.
    static void ShowWindow(TqvForm* owner, QPointer<TfrmSample>& slot, int objectType);
    // Warning boxes; tests answer them here (unset: ShowMessageBox).
    static std::function<void(const QString& text)> WarningHook;

    ~TfrmSample() override;

    QToolBar* tolCmd = nullptr;
    QAction* btnExit = nullptr;
    TqvMemo* txtSample = nullptr;

    void LoadSettings();
    void SaveSettings();

private:
    explicit TfrmSample(TqvForm* owner);
};

} // namespace qv
