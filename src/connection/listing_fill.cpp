#include "connection/listing_fill.h"

#include "controls/lists/qv_listview.h"

#include <QTreeWidgetItem>

#include <algorithm>

namespace qv::listing {

namespace {
// A list entry that serves its texts from the entry it was made of (the strings are shared, not
// copied) instead of one stored value per column: an item costs a few allocations instead of a
// dozen, which is most of what a listing of many entries pays on a fresh heap. A text set later
// (a renamed caption) is kept here as well and goes through the usual item path, so the list
// hears of it.
class EntryItem : public QTreeWidgetItem {
public:
    EntryItem(const Entry& e, const QIcon& icon)
        : m_caption(e.caption), m_subItems(e.subItems), m_icon(icon), m_image(e.image)
    {
        // The item's column count is that of the entry (its column store sized once).
        QTreeWidgetItem::setData(static_cast<int>(m_subItems.size()), Qt::UserRole, m_image);
    }

    QVariant data(int column, int role) const override
    {
        if (role == Qt::DisplayRole || role == Qt::EditRole) {
            if (column == 0)
                return m_caption;
            if (column > 0 && column <= m_subItems.size())
                return m_subItems.at(column - 1);
        } else if (column == 0 && role == Qt::UserRole) {
            return m_image;
        } else if (column == 0 && role == Qt::DecorationRole && !m_icon.isNull()) {
            return m_icon;
        }
        return QTreeWidgetItem::data(column, role);
    }

    void setData(int column, int role, const QVariant& value) override
    {
        if (role == Qt::DisplayRole || role == Qt::EditRole) {
            if (column == 0)
                m_caption = value.toString();
            else if (column > 0 && column <= m_subItems.size())
                m_subItems[column - 1] = value.toString();
        } else if (column == 0 && role == Qt::UserRole) {
            m_image = value.toInt();
        } else if (column == 0 && role == Qt::DecorationRole) {
            m_icon = QIcon();
        }
        QTreeWidgetItem::setData(column, role, value);
    }

private:
    QString m_caption;
    QStringList m_subItems;
    QIcon m_icon;
    int m_image = 0;
};
} // namespace

ListFill::ListFill(TqvListView* list, bool progress, std::function<QIcon(int)> icon)
    : m_list(list), m_progress(progress), m_icon(std::move(icon))
{
    if (!m_progress)
        m_list->setUpdatesEnabled(false);
}

ListFill::~ListFill()
{
    if (m_done)
        return;
    qDeleteAll(m_items);
    m_list->setUpdatesEnabled(true);
}

QTreeWidgetItem* ListFill::makeItem(const Entry& e)
{
    QIcon icon;
    if (m_icon) {
        auto it = m_icons.constFind(e.image);
        if (it == m_icons.constEnd())
            it = m_icons.insert(e.image, m_icon(e.image));
        icon = *it;
    }
    return new EntryItem(e, icon);
}

int ListFill::shownRows() const
{
    const int rowHeight = std::max(1, m_list->fontMetrics().height());
    return m_list->viewport()->height() / rowHeight + 1;
}

void ListFill::Add(const Entry& e)
{
    QTreeWidgetItem* item = makeItem(e);
    if (!m_progress) {
        m_items << item;
        return;
    }
    // An entry that lands among the rows the list shows is added at once. Those below them
    // are added in one step at the next repaint: every change of a long list lays the whole
    // list out again, at every repaint and every event the Esc poll lets through.
    if (m_items.isEmpty() && m_list->topLevelItemCount() < shownRows())
        m_list->addTopLevelItem(item);
    else
        m_items << item;
    // The list is repainted as it grows, at most at the screen's pace (painting every one of
    // tens of thousands of entries would cost minutes and show nothing more), and while a long
    // list grows, spaced so that the repaints take at most a fifth of the time.
    if (m_painted.isValid() && m_painted.elapsed() < m_repaintMs)
        return;
    QElapsedTimer cost;
    cost.start();
    if (!m_items.isEmpty()) {
        m_list->addTopLevelItems(m_items);
        m_items.clear();
    }
    m_list->viewport()->repaint();
    m_repaintMs = std::max<qint64>(kRepaintMs, 4 * cost.elapsed());
    m_painted.start();
}

void ListFill::Finish()
{
    if (m_done)
        return;
    m_done = true;
    m_list->addTopLevelItems(m_items);
    m_items.clear();
    m_list->SortItems();
    if (m_progress)
        m_list->viewport()->update();
    m_list->setUpdatesEnabled(true);
}

} // namespace qv::listing
