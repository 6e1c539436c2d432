#pragma once
// The history window: the SQL history and the favourite SQL texts on two tabs, a preview of the
// selected text, and delete, reorder, rename, search and register commands.
#include <QDialog>

#include <functional>

class QAction;
class QLineEdit;
class QMenu;
class QTabWidget;
class QToolBar;
class QToolButton;
class QTreeWidget;

namespace qv {

class TqvMemo;

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

    // The width of the first list column of each tab (the key is created when missing, the
    // value only read).
    static QString HistoryColumnKey();
    static QString FavoriteColumnKey();

    explicit TfrmSQLLog(QWidget* parent = nullptr);

    QToolBar* tolCmd = nullptr;
    QTabWidget* pagSQLList = nullptr;
    QWidget* tabSQLHistory = nullptr;
    QWidget* tabFavoriteSQL = nullptr;
    QTreeWidget* lstSQL = nullptr; // lives on the active tab
    TqvMemo* txtSQL = nullptr;
    QWidget* pnlFind = nullptr;
    QLineEdit* txtFind = nullptr; // typed text is upper-cased
    QToolButton *btnSelect = nullptr, *btnRegist = nullptr, *btnDel = nullptr, *btnExit = nullptr, *btnUp = nullptr,
                *btnDown = nullptr, *btnFind = nullptr;
    QMenu* popSqlLogMenu = nullptr;
    QAction* mnuRename = nullptr;

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
    void popSqlLogMenuPopup();
    void mnuRenameClick();
    void Rename(int index, const QString& name);
    QString Answer() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    void pagSQLListChange();
    void SizeColumns();
    void Move(int delta);
    void ShowPreview();
    QStringList& ActiveList();
    int m_chosen = -1;
    int m_firstColumn = 160;
    bool m_shown = false;
};

} // namespace qv
