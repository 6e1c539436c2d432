#pragma once
// TfrmGrant "権限付与": sets the object privileges of one database user or role on every object
// selected in a connection window's list at once, lists the privileges already granted on them
// and revokes chosen ones. One window per connection; the objects follow the connection
// window's selection each time this window is activated. The statements live in grant_text.
#include "app/qvform.h"
#include "tools/grant/grant_text.h"

#include <QStringList>

class QAction;
class QTableWidget;
class QTableWidgetItem;
class QTreeWidgetItem;

namespace qv {

class TfrmObject;
class TqvListView;

class TfrmGrant : public TqvForm {
    Q_OBJECT
public:
    // Raises EAbort when the connection's grant window is open (it is brought forward).
    explicit TfrmGrant(TfrmObject* owner);
    static QString CaptionFor(const TfrmObject* owner);

    // The objects of the connection window's selection; then the granted list.
    void FormActivate();
    void LoadObjects();
    void LoadGrants();
    void LoadUsers();
    void lstUserClick();
    void lstUserDblClick();
    void Compile() override;
    void popRevokeClick();

    // The ticks of a grid row and setting one (the tick rules apply).
    grant::Ticks RowTicks(int row) const;
    void SetChecked(int column, int row, bool on);
    QStringList GridPrivileges() const;
    const QStringList& Items() const { return m_items; }

    void LoadWindowSettings() override;
    void SaveWindowSettings() override;
    QMenu* MergeMenu() const override { return m_menu; }

    TqvListView *lstUser = nullptr, *lstGrant = nullptr;
    QTableWidget* grdGrant = nullptr;
    QAction *actExec = nullptr, *actExit = nullptr, *popRevoke = nullptr;
    QString FDatabase;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    TfrmObject* Connection() const;
    void SetRows(const QStringList& privileges);
    void ClearTicks();
    void UpdateGridState();
    void gridItemChanged(QTableWidgetItem* item);

    QStringList m_items;      // object entries
    QList<int> m_itemTypes;   // their type codes
    QStringList m_privileges; // rows of the grid
    bool m_applyingRules = false;
    QMenu* m_menu = nullptr;
};

} // namespace qv
