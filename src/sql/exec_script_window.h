#pragma once
// TfrmExecScript: picks script files in a folder view (or takes them dropped on the window),
// orders them in a run list and runs them on a connection's database, batch by batch, with a log.
#include "app/qvform.h"

#include <functional>

class QAction;
class QComboBox;
class QFileSystemModel;
class QListWidget;
class QPlainTextEdit;
class QSplitter;
class QToolBar;
class QTreeView;

namespace qv {

class TObjectSession;
namespace db {
class Query;
}

class TfrmExecScript : public TqvForm {
    Q_OBJECT
public:
    explicit TfrmExecScript(TObjectSession* owner, QWidget* parent = nullptr);
    ~TfrmExecScript() override;

    // Appends files (sorted) to the run list.
    void AddFiles(QStringList files);
    void actSelectExecute();
    void actUpExecute();
    void actDownExecute();
    void actDeleteExecute();
    void actExecExecute();
    // Shows a folder in the file view.
    void SetFolder(const QString& path);
    QStringList RunList() const;

    // The question before a run with its two check boxes; answers IDYES to run. Tests replace it.
    static std::function<int(QWidget*, const QString& text, bool* removeCompleted, bool* stopOnError)> AskHook;
    // Information and error boxes; tests replace it.
    static std::function<void(QWidget*, const QString& text, int icon)> MessageHook;
    // Opens a file with the desktop's program for it; tests replace it.
    static std::function<bool(const QString& file)> OpenFileHook;

    QToolBar* tolCmd = nullptr;
    QAction *actExec = nullptr, *actExit = nullptr, *actSelect = nullptr, *actUp = nullptr, *actDown = nullptr,
            *actDelete = nullptr;
    QComboBox *cmbDBName = nullptr, *cmbDatabase = nullptr, *cmbFolder = nullptr;
    QFileSystemModel* fileModel = nullptr;
    QTreeView* lstFile = nullptr;
    QListWidget* lstScript = nullptr;
    QPlainTextEdit* txtLog = nullptr;
    QSplitter *splVert = nullptr, *splHorz = nullptr;

    void LoadWindowSettings() override;
    void SaveWindowSettings() override;

protected:
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void updateActions();
    void openSelected();

    TObjectSession* m_owner;
    db::Query* m_query;
};

} // namespace qv
