#include "controls/lists/qv_treeview.h"

#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>

namespace qv {

bool SameTextAscii(const QString& a, const QString& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char16_t x = a[i].unicode(), y = b[i].unicode();
        if (x >= u'a' && x <= u'z')
            x = char16_t(x - 32);
        if (y >= u'a' && y <= u'z')
            y = char16_t(y - 32);
        if (x != y)
            return false;
    }
    return true;
}

void TqvTreeNode::changed()
{
    if (QTreeWidget* tree = treeWidget())
        tree->viewport()->update();
}

void TqvTreeNode::SetSubItems(const QStringList& items)
{
    m_subItems = items;
    changed();
}

void TqvTreeNode::SetSubItem(int index, const QString& text)
{
    if (index < 0)
        return;
    while (m_subItems.size() <= index)
        m_subItems.append(QString());
    m_subItems[index] = text;
    changed();
}

void TqvTreeNode::AddSubItem(const QString& text)
{
    m_subItems.append(text);
    changed();
}

TqvTreeNode* TqvTreeNode::FindName(const QString& s, bool recurse) const
{
    for (int i = 0; i < childCount(); ++i) {
        TqvTreeNode* c = ChildNode(i);
        if (SameTextAscii(c->text(0), s))
            return c;
        if (recurse && c->childCount() > 0)
            if (TqvTreeNode* found = c->FindName(s, true))
                return found;
    }
    return nullptr;
}

TqvTreeNode* TqvTreeNode::FindData(const void* p, bool recurse) const
{
    for (int i = 0; i < childCount(); ++i) {
        TqvTreeNode* c = ChildNode(i);
        if (c->Data == p)
            return c;
        if (recurse && c->childCount() > 0)
            if (TqvTreeNode* found = c->FindData(p, true))
                return found;
    }
    return nullptr;
}

namespace {

// Paints everything of an item but its text; the tree draws the texts itself.
class TreeNoTextDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void Init(QStyleOptionViewItem* option, const QModelIndex& index) const
    {
        QStyledItemDelegate::initStyleOption(option, index);
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->text.clear();
        option->state &= ~QStyle::State_HasFocus;
    }
};

} // namespace

TqvTreeView::TqvTreeView(QWidget* parent) : QTreeWidget(parent)
{
    setColumnCount(1);
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setItemDelegate(new TreeNoTextDelegate(this));
}

TqvTreeNode* TqvTreeView::AddNode(TqvTreeNode* parent, const QString& text)
{
    auto* node = new TqvTreeNode(text);
    if (parent)
        parent->addChild(node);
    else
        addTopLevelItem(node);
    return node;
}

void TqvTreeView::SetHeaderControl(QHeaderView* header)
{
    if (header == m_header)
        return;
    if (m_header)
        disconnect(m_header, nullptr, this, nullptr);
    m_header = header;
    if (m_header) {
        auto repaint = [this] { viewport()->update(); };
        connect(m_header, &QHeaderView::sectionResized, this, repaint);
        connect(m_header, &QHeaderView::sectionMoved, this, repaint);
        connect(m_header, &QHeaderView::geometriesChanged, this, repaint);
    }
    viewport()->update();
}

int TqvTreeView::TextClipRight() const
{
    const int width = m_header ? m_header->sectionSize(0) : viewport()->width();
    return width - 5;
}

QRect TqvTreeView::NodeTextRect(TqvTreeNode* node) const
{
    const QModelIndex index = indexFromItem(node, 0);
    QStyleOptionViewItem opt;
    initViewItemOption(&opt);
    opt.rect = visualRect(index);
    if (auto* d = dynamic_cast<const TreeNoTextDelegate*>(itemDelegate()))
        d->Init(&opt, index);
    else
        opt.features |= QStyleOptionViewItem::HasDisplay;
    // Text as wide as the node's text would need: after the icon.
    QRect r = style()->subElementRect(QStyle::SE_ItemViewItemText, &opt, this);
    const int textWidth = opt.fontMetrics.horizontalAdvance(node->text(0)) + 4;
    r.setWidth(textWidth);
    return r;
}

void TqvTreeView::drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QTreeWidget::drawRow(painter, option, index);
    auto* node = dynamic_cast<TqvTreeNode*>(itemFromIndex(index));
    if (!node)
        return;
    painter->save();
    const bool selected = selectionModel()->isSelected(index);
    const QPalette::ColorGroup cg = hasFocus() ? QPalette::Active : QPalette::Inactive;
    painter->setPen(option.palette.color(cg, selected ? QPalette::HighlightedText : QPalette::Text));
    // A node's own text colour (its foreground) holds while it is not selected.
    const QVariant fore = node->data(0, Qt::ForegroundRole);
    if (!selected && fore.isValid())
        painter->setPen(fore.value<QBrush>().color());
    painter->setFont(option.font);

    QRect r = NodeTextRect(node);
    r.setRight(std::min(r.right(), TextClipRight()));
    if (hasFocus() && currentItem() == node && selected && !RowSelect) {
        QStyleOptionFocusRect fr;
        fr.initFrom(this);
        fr.rect = r;
        fr.backgroundColor = option.palette.color(cg, QPalette::Highlight);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &fr, painter, this);
    }
    r.setLeft(r.left() + 2);
    const QFontMetrics fm(option.font);
    if (r.width() > 0)
        painter->drawText(r, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                          fm.elidedText(node->text(0), Qt::ElideRight, r.width()));

    if (m_header) {
        painter->setPen(option.palette.color(cg, selected ? QPalette::HighlightedText : QPalette::Text));
        const int last = std::min(m_header->count() - 1, int(node->SubItems().size()));
        QStyle::State state = option.state;
        if (selected)
            state |= QStyle::State_Selected;
        for (int i = 1; i <= last; ++i) {
            const int left = m_header->sectionViewportPosition(i);
            QRect cell(left, r.top(), m_header->sectionSize(i), r.height());
            bool defaultDraw = true;
            if (OnCustomDrawSubItem)
                OnCustomDrawSubItem(const_cast<TqvTreeView*>(this), node, defaultDraw, cell, state, i - 1);
            if (!defaultDraw)
                continue;
            QRect tr = cell.adjusted(5, 0, -5, 0);
            if (tr.width() <= 0)
                continue;
            const QVariant a = m_header->model()
                ? m_header->model()->headerData(i, Qt::Horizontal, Qt::TextAlignmentRole)
                : QVariant();
            Qt::Alignment align = a.isValid() ? Qt::Alignment(a.toInt()) & Qt::AlignHorizontal_Mask
                                              : Qt::AlignLeft;
            if (align & Qt::AlignJustify)
                align = Qt::AlignLeft;
            painter->drawText(tr, align | Qt::AlignVCenter | Qt::TextSingleLine,
                              fm.elidedText(node->SubItems()[i - 1], Qt::ElideRight, tr.width()));
        }
    }
    painter->restore();
}

void TqvTreeView::scrollContentsBy(int dx, int dy)
{
    QTreeWidget::scrollContentsBy(dx, dy);
    emit Scrolled();
}

} // namespace qv
