#pragma once
// The object palette of the SQL editor frame: the object tree (databases, six object kinds,
// their objects and the columns of tables and views, loaded when a node opens) and the reverse
// search (the tables and views whose column names contain a text, in one or several
// databases). Both insert bracket-quoted, qualified names into the frame's editor (Enter, the
// pop-up menus, drag and drop) and open an object's definition window. Every statement runs on
// the frame's connection after a "use" of its database.
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QAction;
class QComboBox;
class QLineEdit;
class QMenu;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace qv {

class IConnectionWindow;
class TfraMemo;

class TqvObjectPalette : public QObject {
    Q_OBJECT
public:
    // Places the tree into `treeBody` and the reverse search into `listBody`.
    TqvObjectPalette(TfraMemo* frame, QWidget* treeBody, QWidget* listBody);

    QComboBox* cmbTree = nullptr;  // which databases the tree shows
    QTreeWidget* trvObject = nullptr;
    QComboBox* cmbList = nullptr;  // which databases the search covers
    QLineEdit* txtListSearch = nullptr;
    QToolButton* btnListSearch = nullptr;
    QTreeWidget* lstObject = nullptr;
    QMenu* popObjTree = nullptr;
    QMenu* popObjList = nullptr;

    QAction* actInsertNodeText = nullptr;
    QAction* actInsertListText = nullptr;
    QAction* actTreeSelectAllCol = nullptr;
    QAction* actTreeExpandAllNode = nullptr;
    QAction* actTreeCollapseAllNode = nullptr;
    QAction* actRefreshObjectTree = nullptr;
    QAction* actOpenDefineForTree = nullptr;
    QAction* actOpenDefineforList = nullptr;

    // The database-list dialog of the "設定" scope; answers false when cancelled. Tests replace it.
    static std::function<bool(IConnectionWindow*)> ProjectDialogHook;
    // The Yes/No question before expanding everything below a node; answers true for Yes.
    static std::function<bool(const QString&)> AskHook;

    // The tree scope (0 all databases, 1 the login database, 2 the configured list).
    int SchemaDisp() const { return m_schemaDisp; }
    // The scope from the settings (EDITOR value SchemaDisp, 1 when missing), the list scope at
    // the login database, the search box empty; then the tree is built.
    void Initialize();
    // The tree again from the connection (refresh, scope change, another connection).
    void BuildTree();
    // Another connection: the tree again and the search list emptied.
    void DBChanged();
    // The databases of a scope.
    QStringList Databases(int scope) const;

    // Loads the children of a node that has not been loaded yet.
    void LoadNode(QTreeWidgetItem* item);
    // The node of a path of texts from the server node down; null when there is none.
    QTreeWidgetItem* FindNode(const QStringList& path) const;

    // The texts the palette inserts for the current selection.
    QString TreeText() const;
    QString ListText() const;
    // Inserts a text at the editor's caret (replacing its selection).
    void InsertAtCaret(const QString& text);
    // Inserts a text where it is dropped on the editor (client point of the editor's viewport).
    void DropAt(const QString& text, const QPoint& pos);

    // The reverse search over the list scope's databases; Esc stops it between databases.
    void Search();

    void SelectAllColumns();
    void ExpandAll();
    void CollapseAll();
    void OpenDefineForTree();
    void OpenDefineForList();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    IConnectionWindow* Conn() const;
    void UpdateActions();
    void TreeScopeChosen(int index);
    void ListScopeChosen(int index);
    void OpenObject(int image, const QString& database, const QString& objectText);
    void Guard(const std::function<void()>& work);

    TfraMemo* m_frame;
    int m_schemaDisp = 1;
    bool m_enterDown = false; // Enter went down while the tree had the focus
    IConnectionWindow* m_versionOf = nullptr; // the connection whose product version is known
    QString m_version;
};

} // namespace qv
