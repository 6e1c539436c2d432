#pragma once
// The history window: the SQL history and the favourite SQL texts on two tabs, a preview of the
// selected text, and delete, reorder, rename, search and register commands.
#include <QDialog>

#include <functional>

class QLineEdit;
class QTabBar;
class QTreeWidget;
class QToolButton;
class QMenu;

namespace qv {

class TEditor;

class TfrmSQLLog : public QDialog {
    Q_OBJECT
public:
    // Shows the window modally; answers "H" or "F" (the tab active at the end) followed by the
    // index of the chosen entry, -1 when closed without a choice.
    static QString ShowWindow(QWidget* owner);
    // Tests drive the window here before it would be shown modally (default: exec()).
    static std::function<int(TfrmSQLLog*)> ExecHook;
    // Message boxes (text, icon: 16 stop, 48 warning, 64 information); tests replace it.
    static std::function<void(QWidget*, const QString&, int)> MessageHook;

    explicit TfrmSQLLog(QWidget* parent = nullptr);

    QTabBar* pagSQLList = nullptr;
    QTreeWidget* lstSQL = nullptr;
    TEditor* txtSQL = nullptr;
    QLineEdit* txtFind = nullptr;
    QToolButton *btnSelect = nullptr, *btnRegist = nullptr, *btnDel = nullptr, *btnExit = nullptr, *btnUp = nullptr,
                *btnDown = nullptr, *btnFind = nullptr;

    bool HistoryTab() const;
    void SetTab(int index); // 0 history, 1 favourites
    void FillSQLList();
    void UpdateButtons();
    void btnSelectClick();
    void btnExitClick();
    void btnDelClick();
    void btnUpClick();
    void btnDownClick();
    void btnRegistClick();
    void btnFindClick();
    void Rename(int index, const QString& name);
    QString Answer() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Move(int delta);
    void ShowPreview();
    QStringList& ActiveList();
    int m_chosen = -1;
};

} // namespace qv
