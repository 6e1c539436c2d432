#pragma once
// The commands of the connection window's object list and object tree: the actions with their
// captions and menu places (the object-list menu, also the list's context menu, and the tree
// popup), the enabling each time a menu opens, and the handlers: opening rows, the tool windows,
// delete in passes, rename in place, constraint switching, index maintenance, detach, work
// space. The statements and rules live in object_actions and index_maintenance.
#include "app/message_box.h"
#include "app/options.h"
#include "connection/index_maintenance.h"
#include "connection/object_actions.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>

class QAction;
class QMenu;
class QTreeWidgetItem;

namespace qv {

class TfrmObject;

// A window that an object-list command opens and that is not a definition window (the
// stored-program runner, the matrix, grant and comment-check windows, the bulk copy window, the
// database administration windows …). A registered factory builds it; until then a placeholder
// names the window and says it is not available yet.
struct ToolRequest {
    QString window;     // class name, e.g. "TfrmExecProc"
    QString caption;    // what the placeholder calls it
    QString database, schema, name;
    int objectType = 0;
    QString text;       // the bulk copy window's lines
};
using ToolFactory = std::function<QWidget*(TfrmObject*, const ToolRequest&)>;
QHash<QString, ToolFactory>& ToolWindowFactories();

class TfrmToolPlaceholder : public QWidget {
    Q_OBJECT
public:
    TfrmToolPlaceholder(TfrmObject* owner, const ToolRequest& request, QWidget* parent = nullptr);
};

class TObjectActions : public QObject {
    Q_OBJECT
public:
    explicit TObjectActions(TfrmObject* owner);

    // The message boxes, input dialog and Esc test the commands use (tests replace them).
    struct Ui {
        std::function<int(const QString& text, int flags, const CheckList& checks)> confirm;
        std::function<int(const QString& text, int flags)> message;
        std::function<bool(const QString& caption, const QString& prompt, QString& value, bool numeric,
                           QString& owner, const QStringList& owners, const CheckList& checks)>
            input;
        std::function<bool()> escape;
    };
    static Ui& ui();
    // Commands built elsewhere (object copy and paste, full-text search, script output,
    // printing): the handler receives the window. Without a handler copy puts the selected
    // names on the clipboard and the others open their placeholder.
    struct Plugins {
        std::function<void(TfrmObject*)> copy, paste, grep, script, print;
        std::function<bool()> clipboardHasEntries; // the object clipboard holds entries
    };
    static Plugins& plugins();

    QAction* action(const QString& name) const { return m_actions.value(name); }
    QStringList actionNames() const { return m_actions.keys(); }
    QMenu* mnuObject = nullptr;    // "オブジェクトリスト(&O)", also the list's context menu
    QMenu* mnuNew1 = nullptr;
    QMenu* mnuIndexFragment = nullptr;
    QMenu* mnuReport = nullptr;
    QMenu* mnuCommand = nullptr;
    QMenu* popTree = nullptr;
    QTreeWidgetItem* FRSelected = nullptr; // the node of the last tree popup

    // Enabling (each time a menu opens and when the list is clicked).
    void mnuObjectClick();
    void mnuNew1Click();
    void popTreePopup();
    // While a tree node is selected: the fragmentation button is enabled on the index listing.
    void actShowFragmentUpdate();

    // Handlers; each raises what fails (the action's trigger shows it).
    void NewObject(int type);
    void OpenRows(TOpenMode mode, int topRecord);
    void actOpenExecute() { OpenRows(qvOption.OpenMode, 0); }
    void actOpenDataTopExecute();
    void actExecExecute();
    void actSynonymExecute();
    void actCrossExecute();
    void actLoadExecute();
    void actAddWorkSpaceExecute();
    void actCopyExecute();
    void actPasteExecute();
    void actDeleteExecute();
    void ConstraintSwitch(bool enable);
    void IndexCommand(index::Command command);
    void actDetachExecute();
    void actLogonExecute();
    void TreeWindow(const QString& window, const QString& caption, std::initializer_list<int> images);
    QWidget* OpenTool(const ToolRequest& r);

    // Rename in place: F2 starts editing an allowed row's caption; the edit's end renames.
    bool lstObjectEditing(QTreeWidgetItem* item) const;
    void StartRename();
    // Renames the row's object to newName; false (and the old caption back) when the server refuses.
    bool lstObjectEdited(QTreeWidgetItem* item, const QString& newName);

    // The selected rows in list order, and one row's contents.
    QList<QTreeWidgetItem*> SelectedItems() const;
    static actions::Row RowOf(QTreeWidgetItem* item);
    // Selects or deselects the whole row.
    void SetRowSelected(QTreeWidgetItem* item, bool on);
    // The list shows one object type (index table in sub-item 3).
    bool TypeListLevel() const;
    // A constraint row with its table at sub-item 4, asked of the server where the listing has
    // no table column.
    actions::Row WithConstraintTable(const actions::Row& r) const;

private:
    QAction* add(const QString& name, const QString& caption, const std::function<void()>& handler, int image = -1);
    void buildMenus();
    // The row loop: hourglass, progress, Esc before each row, each handled row deselected.
    void RowLoop(const QList<QTreeWidgetItem*>& items, bool scroll, const std::function<void(QTreeWidgetItem*)>& work);
    void Progress(int i, int n);
    void ApplyStates(const actions::ActionStates& s);
    void placeholder(const QString& window, const QString& caption);
    int listingType() const;

    TfrmObject* m_w;
    QHash<QString, QAction*> m_actions;
    QTreeWidgetItem* m_renaming = nullptr;
    QString m_renameOld;
};

} // namespace qv
