#pragma once
// The object-list commands of the connection window without a window: which actions a
// selection enables, the statements of delete, rename, constraint switching and detach, and
// the delete run in passes. The window (object_window_actions) feeds them the list's rows and
// shows what they answer.
#include "app/workspace.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <exception>
#include <functional>
#include <vector>

namespace qv::actions {

// One row of the object list: caption, type code and sub-items (0 database, 1 schema, 2 type
// name, further by kind).
struct Row {
    QString name;
    int type = 0;
    QStringList sub;

    QString database() const { return sub.value(0); }
    QString schema() const { return sub.value(1); }
    QString typeName() const { return sub.value(2); }
};

// Whether the list shows one object type (the index or constraint listing) rather than every
// kind of a database or server: the tree node's level and the tree order (TreeSort).
bool OnTypeListLevel(int treeLevel, int treeSort);
// The table of an index row: sub-item 3 on the type-list level, sub-item 5 in a listing of
// every kind.
QString IndexTable(const Row& r, bool typeListLevel);
// The table of a constraint row is sub-item 4 of the constraint listing. A listing of every kind
// has no table column, so the table is asked of the server (the row's database in use).
QString ConstraintTableSql(const Row& r);

// ---- enabling

struct EnableInputs {
    QList<int> selectedTypes;     // type codes of the selected rows, in list order
    bool treeNodeSelected = false;
    bool onListingLevel = false;  // the tree node lists objects of one type (new object of that type)
    int treeNodeImage = -1;
    int dbVer = 99;
    bool azure = false;
    bool fragmentFlg = false;     // the list shows indexes
    bool fragmentGflg = false;    // the login may read fragmentation
    bool showFragmentDown = false;
    bool clipboardHasEntries = false;
    int reportItems = 0;
    int commandItems = 0;
};

struct ActionStates {
    QHash<QString, bool> enabled;
    QHash<QString, bool> visible;
    bool isEnabled(const QString& name) const { return enabled.value(name, true); }
    bool isVisible(const QString& name) const { return visible.value(name, true); }
};
// The states the object-list menu takes when it opens (actions by name; "mnuNew1",
// "mnuReport", "mnuCommand" and "mnuGrant" for the items without an action of their own).
ActionStates ComputeListStates(const EnableInputs& in);
// A report item: always for tag 0, else only while a table or view is selected.
bool ReportItemEnabled(int tag, const QList<int>& selectedTypes);
// The new-object submenu.
bool NewSynonymEnabled(int dbVer);
bool NewSequenceEnabled(int dbVer, bool azure);
// The tree popup for the node's image (-1: none).
ActionStates ComputeTreeStates(int nodeImage, bool azure, bool onListingLevel);
// A node that stands for a database.
bool IsDatabaseNode(int image);

// ---- statements

// The DROP (or ALTER TABLE … DROP CONSTRAINT) of a row, without database switch; "" for kinds
// that have none. typeListLevel chooses the index's table column.
QString DropStatement(const Row& r, bool azure, bool typeListLevel);
// Rename: the statement that tells whether an index name is also a constraint's.
QString IndexIsConstraintSql(const QString& indexName);
// Rename through sp_rename: both names as N'…' literals.
QString RenameStatement(const Row& r, const QString& newName, bool indexOfConstraint, bool typeListLevel);
// Whether a row of the type may take a new name in place.
bool Renamable(int type);
// ALTER TABLE … CHECK / NOCHECK CONSTRAINT.
QString ConstraintSwitchStatement(const Row& r, bool enable);
// sp_detach_db for a database.
QString DetachStatement(const QString& database, bool updateStatistics, bool dropFullText, int dbVer);
// The bulk-copy lines "database.schema.name" CR LF of the rows.
QString LoadLines(const QList<Row>& rows);

// ---- delete in passes

// What the delete run does on the server and asks of the user.
struct DeleteHooks {
    std::function<void(const Row&)> drop;          // raises on failure
    std::function<bool()> escape;                 // polled before each row
    std::function<void(int i, int n)> progress;
};

struct DeleteFailure {
    int row = -1;
    QString message;
};

struct DeleteOutcome {
    QList<int> deleted;              // indexes into the rows, in the order they went
    QList<DeleteFailure> failures;   // rows that failed and stayed selected (last message each)
    bool stopped = false;            // Esc
    std::exception_ptr error;        // the command ended at this error (error box)
    int errorRow = -1;
    int passes = 0;
};

// Runs the delete over the rows (all selected): each pass drops every still-selected row in
// order; a failure ends the command (error) when it is the only row left selected or errors
// are not ignored, else the row stays selected; a pass that deleted something and left rows
// behind is followed by another.
DeleteOutcome RunDelete(const QList<Row>& rows, bool ignoreErrors, const DeleteHooks& hooks);

// The message of the closing box of a run with failures: the heading, then one line per failed
// object with the server's text.
QString FailureText(const QString& heading, const QList<Row>& rows, const QList<DeleteFailure>& failures);
QString DeleteFailureText(const QList<Row>& rows, const QList<DeleteFailure>& failures);
// The text of an exception (its message).
QString ErrorText(std::exception_ptr e);
// The error of a failing drop prefixed with the object's name.
QString NamedError(const Row& r, const QString& message);

// ---- work space

// Appends an entry per row unless an equal one (type, name, database, schema, connection) is
// there; answers how many were appended.
int AddToWorkSpace(QList<TqvObjectEntry>& list, const QList<Row>& rows, const QString& connect);

} // namespace qv::actions
