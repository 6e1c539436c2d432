#pragma once
// TfraResource: the resource page "リソース" of the role, user and login windows. A choice of
// what to list (securables with permissions / all securables), the resource list and the
// permission grid of the selected resource, over one permission record (grants::RecGrants)
// per listed resource. The window reads the catalog and hands the rows over (SetRows); the
// page keeps the edited states and tells the window of every effective change.
#include "objects/principal_grants.h"

#include <QList>
#include <QWidget>

#include <functional>

class QTreeWidgetItem;

namespace qv {

class TqvListView;
class TqvRadioButton;
class TqvStringGrid;

class TfraResource : public QWidget {
    Q_OBJECT
public:
    explicit TfraResource(QWidget* parent = nullptr);

    TqvRadioButton* rdogrant = nullptr; // "権限付与済みのリソースを表示" (the default)
    TqvRadioButton* rdoall = nullptr;   // "全ての保護可能なリソースを表示"
    TqvListView* lstResource = nullptr; // "リソース名", "種別"
    TqvStringGrid* grdGrant = nullptr;  // "権限名", "権限の許可者", "許可", "許可の有無", "拒否"

    // One listed resource.
    struct Entry {
        QString caption;
        QString kindText;
        int image = -1; // main image list index, -1 none
        grants::RecGrants record;
    };

    // The permission names of a record's class.
    std::function<const QStringList&(int rsType)> Permissions;
    // Raised when an edit makes a state differ from the loaded one.
    std::function<void()> OnModified;
    // Raised by either radio button (the window reloads).
    std::function<void()> OnShowModeClick;

    // True when every securable is to be listed (else those with permissions only).
    bool ShowAll() const;
    // Rebuilds the list and the records; the grid is empty and read-only until a resource is
    // selected.
    void SetRows(const QList<Entry>& entries);
    void Clear();
    const QList<grants::RecGrants>& Rows() const { return m_rows; }

    // Selecting a resource (the list's selection does this too).
    void SelectResource(int index);
    // A check cell of the grid changed (every change of a check box runs here).
    void grdGrantSetEditText(int col, int row, const QString& value);
    void LayoutColumns();

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void ViewOnly();
    QList<grants::RecGrants> m_rows;
    int m_current = -1;
    bool m_filling = false;
};

} // namespace qv

namespace qv {

class TObjectSession;

// Sizes a grid of the principal windows to its header row and `rows` data rows: a grid keeps
// at least one row below its fixed header, so an empty grid shows one blank row.
void SetDataRows(TqvStringGrid* grid, int rows);

// Fills the page with the securables of a database principal (role or user) and its
// permissions on each listed one: the users and schemas of `database`, all of them or those
// with permissions by the page's choice. castNames: the user window's names cast to
// nvarchar(4000). Returns false when the catalog gave no securable at all.
bool LoadDatabaseResources(TObjectSession& session, TfraResource& page, const QString& database,
                           const QString& principal, bool castNames);

// The login window's resource page: the server (when the login holds a server permission),
// every Windows group, Windows login and SQL Server login, and every endpoint, all or those
// with permissions by the page's choice, with the login's permissions on each (permissions on
// a login or endpoint read against that securable). Sets the page's permission lists to the
// login's classes. Returns false when the catalog gave no securable at all.
bool LoadLoginResources(TObjectSession& session, TfraResource& page, const QString& login);

} // namespace qv
