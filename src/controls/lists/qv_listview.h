#pragma once
// TqvListView: a report-style list that sorts itself by a clicked column (a second click on
// the same column reverses), compares right-aligned columns as numbers, copies the captions of
// its selected rows and selects all rows on request.
//
// Column 0 holds the item caption, column k ≥ 1 sub-item k − 1.
#include <QTreeWidget>
#include <functional>

namespace qv {

// Order of two texts of a right-aligned column: "," is dropped, each text is read as a number
// (0 when it is not one) and values closer than 0.005 are equal. Returns −1, 0 or 1.
int CompareNumericTexts(const QString& a, const QString& b);

class TqvListView : public QTreeWidget {
    Q_OBJECT
public:
    explicit TqvListView(QWidget* parent = nullptr);

    // 0 unsorted; +k ascending, −k descending by column k counted from 1.
    int SortID() const { return m_sortId; }
    void SetSortID(int id) { m_sortId = id; }

    // Alignment of a column's header and cells; right-aligned columns sort as numbers.
    void SetColumnAlignment(int column, Qt::Alignment alignment);
    Qt::Alignment ColumnAlignment(int column) const;

    // Item helpers: a new item with its caption and sub-items at the end of the list.
    QTreeWidgetItem* AddItem(const QString& caption, const QStringList& subItems = {});

    // What a click on column `column` (0-based) does: toggles or sets the sort, sorts, then
    // raises ColumnClicked.
    void ColumnClick(int column);
    // Sorts the items by the present sort id.
    void SortItems();
    // Order of two items under the present sort id (after OnCompare).
    int Compare(QTreeWidgetItem* a, QTreeWidgetItem* b) const;

    // Captions of the selected items in list order joined by CR LF onto the clipboard;
    // nothing happens when that text is empty.
    void CopyToClipboard();
    // Selects every item (only with multi-selection).
    void SelectAllItems();

    // Raised after the list's own compare; the handler may change the result.
    std::function<void(QTreeWidgetItem* a, QTreeWidgetItem* b, int& result)> OnCompare;

signals:
    void ColumnClicked(int column);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void startDrag(Qt::DropActions supportedActions) override;

private:
    int m_sortId = 1;
};

} // namespace qv
