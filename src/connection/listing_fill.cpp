#include "connection/listing_fill.h"

#include "controls/lists/qv_listview.h"

#include <QTreeWidgetItem>

namespace qv::listing {

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
    auto* item = new QTreeWidgetItem();
    item->setText(0, e.caption);
    for (qsizetype i = 0; i < e.subItems.size(); ++i)
        item->setText(static_cast<int>(i + 1), e.subItems.at(i));
    item->setData(0, Qt::UserRole, e.image);
    if (m_icon) {
        auto it = m_icons.constFind(e.image);
        if (it == m_icons.constEnd())
            it = m_icons.insert(e.image, m_icon(e.image));
        item->setIcon(0, *it);
    }
    return item;
}

void ListFill::Add(const Entry& e)
{
    QTreeWidgetItem* item = makeItem(e);
    if (m_progress) {
        m_list->addTopLevelItem(item);
        // The list shows each entry as it comes, at most at the screen's pace: painting every
        // one of tens of thousands of entries would cost minutes and show nothing more.
        if (!m_painted.isValid() || m_painted.elapsed() >= kRepaintMs) {
            m_list->viewport()->repaint();
            m_painted.start();
        }
    } else {
        m_items << item;
    }
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
