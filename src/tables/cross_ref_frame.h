#pragma once
// TfraCross: the dependency page "依存関係" of the table, view, sequence, trigger and
// procedure/function windows. Left the objects the window's object references ("参照"), right
// the objects that reference it ("被参照"), each to the depth of the CrossLevel option; from
// version 10 (not Azure) also across the databases chosen with the picker (stored per server
// under CROSSDB\<server>). A double-click opens a node's window. The walk itself is
// cross::Walker (cross_ref_text.*).
//
// Embedding: put it on the window's page (inside a TqvForm of a connection) and call ShowData
// when the page loads.
#include "tables/cross_ref_text.h"

#include <QDialog>
#include <QFrame>
#include <QStringList>

#include <functional>

class QGroupBox;
class QListWidget;
class QMenu;
class QAction;
class QPushButton;
class QSplitter;
class QToolButton;

namespace qv {

class IConnectionWindow;
class TqvForm;
class TqvTreeView;
class TqvTreeNode;
class TObjectSession;

class TfraCross : public QFrame {
    Q_OBJECT
public:
    explicit TfraCross(QWidget* parent = nullptr);

    QWidget* pnlTop = nullptr;
    QGroupBox* grpShowObject = nullptr;
    QToolButton* btnTree1Table = nullptr;
    QToolButton* btnTree1Index = nullptr;
    QToolButton* btnTree1View = nullptr;
    QToolButton* btnTree1Proc = nullptr;
    QToolButton* btnTree1Func = nullptr;
    QToolButton* btnTree1Trigger = nullptr;
    QToolButton* btnTree1Sequence = nullptr;
    QToolButton* btnTree1Synonym = nullptr;
    QPushButton* btnDbSelect = nullptr;
    QPushButton* btnReload = nullptr;
    QSplitter* splTree = nullptr;
    QWidget* pnlTree1 = nullptr;
    QWidget* pnlTree2 = nullptr;
    TqvTreeView* lstTree1 = nullptr;
    TqvTreeView* lstTree2 = nullptr;
    QMenu* popTree = nullptr;
    QAction* popOpen = nullptr;
    QAction* popExpand = nullptr;
    QAction* popCollapse = nullptr;
    QAction* popExpandAll = nullptr;
    QAction* popCollapseAll = nullptr;

    // Rebuilds both trees for schema.objName in database. Does nothing outside a TqvForm;
    // catalog errors propagate (the trees keep what was added).
    void ShowData(const QString& database, const QString& schema, const QString& objName);
    // The chosen databases (read from the settings while empty).
    const QStringList& DbSelectNames() const { return m_dbSelectNames; }
    // The trees as text, one line per node, a tab per level below the root.
    QStringList TreeLines(int tree) const;

    void btnReloadClick();
    void btnDbSelectClick();
    // Opens the window of the selected node of the tree (the focused one, or `tree` when given).
    void popOpenClick(TqvTreeView* tree = nullptr);

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    TqvForm* Form() const;
    TObjectSession* Session() const;
    IConnectionWindow* Connection() const;
    void LoadDbSelectNames(const QString& server);
    void UpdateButtons(int dbVer, bool azure);
    void Fill(TqvTreeView* tree, TqvTreeNode* parent, const cross::Node& node, bool left);
    TqvTreeView* FocusedTree() const;
    void FrameResize();

    QList<QToolButton*> m_typeButtons;
    QStringList m_dbSelectNames;
    QString m_database, m_schema, m_objName;
    int m_objType = 0;
};

// The referenced-database picker "参照データベース".
class Tfrmdbselect : public QDialog {
    Q_OBJECT
public:
    Tfrmdbselect(IConnectionWindow* owner, QWidget* parent = nullptr);

    QListWidget* chkUserList = nullptr;
    QPushButton* btnSelectAll = nullptr;
    QPushButton* btnClearAll = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;

    // Shows the login's databases with the listed ones ticked (all when the list is empty);
    // on OK rewrites the list with the ticked names in list order and returns true.
    static bool ShowWindow(IConnectionWindow* owner, const QString& dbName, QStringList& dbselectNames);
    // Tests answer the dialog here instead of running it modally (unset: exec()).
    static std::function<int(Tfrmdbselect&)> ExecHook;

    void SetChecks(const QStringList& names);
    QStringList GetChecks() const;
    void btnOkClick();
};

} // namespace qv
