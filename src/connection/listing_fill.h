#pragma once
// Filling the connection window's object list with listing entries. With progress off the
// list's painting is suspended, the entries are collected and added in one step at the end;
// with progress on the entries among the rows the list shows are added at once, the ones
// below them at each repaint, and the list repainted as it grows (about 30 times a second,
// less often while a repaint of the long list takes more than a fifth of that time). Either way the list is
// sorted once by its present sort settings when the listing ends.
#include "connection/listing_queries.h"

#include <QElapsedTimer>
#include <QHash>
#include <QIcon>
#include <QList>
#include <functional>

class QTreeWidgetItem;

namespace qv {
class TqvListView;
}

namespace qv::listing {

class ListFill {
public:
    // icon: the image of a type code (asked once per code).
    ListFill(TqvListView* list, bool progress, std::function<QIcon(int)> icon);
    // Without Finish (a failed listing): the collected entries are dropped and painting resumes.
    ~ListFill();
    ListFill(const ListFill&) = delete;
    ListFill& operator=(const ListFill&) = delete;

    // One entry: caption, sub-items, its type code under Qt::UserRole of column 0 and the
    // type's image.
    void Add(const Entry& e);
    // Adds the collected entries, sorts the list and resumes painting.
    void Finish();

private:
    QTreeWidgetItem* makeItem(const Entry& e);
    int shownRows() const; // rows the list shows at its present height (at least)

    TqvListView* m_list;
    bool m_progress;
    bool m_done = false;
    static constexpr qint64 kRepaintMs = 30;
    qint64 m_repaintMs = kRepaintMs;
    QElapsedTimer m_painted;
    std::function<QIcon(int)> m_icon;
    QHash<int, QIcon> m_icons;
    QList<QTreeWidgetItem*> m_items;
};

} // namespace qv::listing
