#include "controls/lists/qv_listview.h"

#include <QApplication>
#include <QClipboard>
#include <QCollator>
#include <QDrag>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QStyledItemDelegate>
#include <algorithm>
#include <cmath>
#include <optional>

namespace qv {

namespace {

// The number a text of a right-aligned column stands for: "," dropped, 0 when not a number.
double NumericTextValue(QString s)
{
    s.remove(QLatin1Char(','));
    bool ok = false;
    const double v = s.trimmed().toDouble(&ok);
    return ok && std::isfinite(v) ? v : 0.0;
}

// Hundredths, a half to the even neighbour; only the sign is reported so that large
// differences cannot overflow.
int CompareNumericValues(double a, double b)
{
    const double d = std::nearbyint((a - b) * 100.0);
    return d > 0 ? 1 : (d < 0 ? -1 : 0);
}

// The order of texts that QString::localeAwareCompare gives, with the work per text done once:
// a collation key per text (the C locale compares the texts themselves, as the collator does).
// Empty texts come first, as localeAwareCompare has them.
class TextOrder {
public:
    TextOrder() : m_plain(m_collator.locale().language() == QLocale::C) {}
    struct Key {
        QString text;
        std::optional<QCollatorSortKey> key; // none in the C locale and for empty texts
    };
    Key KeyOf(const QString& text) const
    {
        if (m_plain || text.isEmpty())
            return {text, std::nullopt};
        return {text, m_collator.sortKey(text)};
    }
    int Compare(const Key& a, const Key& b) const
    {
        if (a.text.isEmpty() || b.text.isEmpty())
            return a.text.isEmpty() ? (b.text.isEmpty() ? 0 : -1) : 1;
        if (m_plain)
            return a.text.compare(b.text);
        return a.key->compare(*b.key);
    }

private:
    QCollator m_collator;
    bool m_plain;
};

} // namespace

int CompareNumericTexts(const QString& a, const QString& b)
{
    return CompareNumericValues(NumericTextValue(a), NumericTextValue(b));
}

namespace {

// Draws each cell with its column's alignment.
class ListAlignDelegate : public QStyledItemDelegate {
public:
    explicit ListAlignDelegate(TqvListView* list) : QStyledItemDelegate(list), m_list(list) {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->displayAlignment = m_list->ColumnAlignment(index.column()) | Qt::AlignVCenter;
    }

private:
    TqvListView* m_list;
};

} // namespace

TqvListView::TqvListView(QWidget* parent) : QTreeWidget(parent)
{
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setItemsExpandable(false);
    setAllColumnsShowFocus(true);
    setSortingEnabled(false);
    setItemDelegate(new ListAlignDelegate(this));
    header()->setSectionsClickable(true);
    header()->setSortIndicatorShown(false);
    connect(header(), &QHeaderView::sectionClicked, this, &TqvListView::ColumnClick);
}

void TqvListView::SetColumnAlignment(int column, Qt::Alignment alignment)
{
    headerItem()->setTextAlignment(column, alignment | Qt::AlignVCenter);
    viewport()->update();
}

Qt::Alignment TqvListView::ColumnAlignment(int column) const
{
    const QVariant v = headerItem()->data(column, Qt::TextAlignmentRole);
    if (!v.isValid())
        return Qt::AlignLeft;
    return Qt::Alignment(v.toInt()) & Qt::AlignHorizontal_Mask;
}

QTreeWidgetItem* TqvListView::AddItem(const QString& caption, const QStringList& subItems)
{
    auto* item = new QTreeWidgetItem(this);
    item->setText(0, caption);
    for (int i = 0; i < subItems.size(); ++i)
        item->setText(i + 1, subItems[i]);
    return item;
}

void TqvListView::ColumnClick(int column)
{
    const int c = column + 1;
    if (c == std::abs(m_sortId))
        m_sortId = -m_sortId;
    else
        m_sortId = c;
    SortItems();
    emit ColumnClicked(column);
}

int TqvListView::Compare(QTreeWidgetItem* a, QTreeWidgetItem* b) const
{
    const int k = std::abs(m_sortId);
    int result = 0;
    if (k != 0 && k <= columnCount()) {
        QString s1 = a->text(k - 1);
        QString s2 = b->text(k - 1);
        if (m_sortId < 0)
            std::swap(s1, s2);
        if (ColumnAlignment(k - 1) & Qt::AlignRight)
            result = CompareNumericTexts(s1, s2);
        else
            result = QString::localeAwareCompare(s1, s2);
    }
    if (OnCompare)
        OnCompare(a, b, result);
    return result;
}

void TqvListView::SortItems()
{
    const int n = topLevelItemCount();
    if (n < 2)
        return;
    const int k = std::abs(m_sortId);
    const bool keyed = k != 0 && k <= columnCount();
    if (!keyed && !OnCompare)
        return; // every pair compares equal: the order stays
    QTreeWidgetItem* current = currentItem();
    const QList<QTreeWidgetItem*> selected = selectedItems();
    QList<QTreeWidgetItem*> list = invisibleRootItem()->takeChildren();
    if (OnCompare || !keyed) {
        // The handler sees every comparison with its items.
        std::stable_sort(list.begin(), list.end(),
                         [this](QTreeWidgetItem* x, QTreeWidgetItem* y) { return Compare(x, y) < 0; });
    } else if (ColumnAlignment(k - 1) & Qt::AlignRight) {
        // The same order as Compare, with each text read and converted once.
        std::vector<std::pair<double, QTreeWidgetItem*>> keys;
        keys.reserve(list.size());
        for (QTreeWidgetItem* item : list)
            keys.emplace_back(NumericTextValue(item->text(k - 1)), item);
        const bool descending = m_sortId < 0;
        std::stable_sort(keys.begin(), keys.end(), [descending](const auto& x, const auto& y) {
            return (descending ? CompareNumericValues(y.first, x.first) : CompareNumericValues(x.first, y.first)) < 0;
        });
        for (qsizetype i = 0; i < list.size(); ++i)
            list[i] = keys[static_cast<size_t>(i)].second;
    } else {
        const TextOrder order;
        std::vector<std::pair<TextOrder::Key, QTreeWidgetItem*>> keys;
        keys.reserve(list.size());
        for (QTreeWidgetItem* item : list)
            keys.emplace_back(order.KeyOf(item->text(k - 1)), item);
        const bool descending = m_sortId < 0;
        std::stable_sort(keys.begin(), keys.end(), [&order, descending](const auto& x, const auto& y) {
            return (descending ? order.Compare(y.first, x.first) : order.Compare(x.first, y.first)) < 0;
        });
        for (qsizetype i = 0; i < list.size(); ++i)
            list[i] = keys[static_cast<size_t>(i)].second;
    }
    addTopLevelItems(list);
    for (QTreeWidgetItem* item : selected)
        item->setSelected(true);
    if (current)
        setCurrentItem(current, 0, QItemSelectionModel::NoUpdate);
}

void TqvListView::CopyToClipboard()
{
    if (state() == QAbstractItemView::EditingState)
        return;
    QStringList captions;
    for (int i = 0; i < topLevelItemCount(); ++i)
        if (topLevelItem(i)->isSelected())
            captions << topLevelItem(i)->text(0);
    const QString text = captions.join(QStringLiteral("\r\n"));
    if (!text.isEmpty())
        QApplication::clipboard()->setText(text);
}

void TqvListView::SelectAllItems()
{
    if (state() == QAbstractItemView::EditingState)
        return;
    if (selectionMode() != QAbstractItemView::ExtendedSelection
        && selectionMode() != QAbstractItemView::MultiSelection)
        return;
    setUpdatesEnabled(false);
    selectAll();
    setUpdatesEnabled(true);
}

void TqvListView::keyPressEvent(QKeyEvent* e)
{
    if (e == QKeySequence::Copy) {
        CopyToClipboard();
        return;
    }
    if (e == QKeySequence::SelectAll) {
        SelectAllItems();
        return;
    }
    QTreeWidget::keyPressEvent(e);
}

void TqvListView::startDrag(Qt::DropActions supportedActions)
{
    // A drag shows only the drag cursor, no picture of the items.
    const QModelIndexList indexes = selectedIndexes();
    if (indexes.isEmpty())
        return;
    QMimeData* data = model()->mimeData(indexes);
    if (!data)
        return;
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->exec(supportedActions, defaultDropAction());
}

} // namespace qv
