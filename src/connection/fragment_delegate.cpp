#include "connection/fragment_delegate.h"

#include "app/options.h"
#include "connection/index_maintenance.h"

#include <QApplication>
#include <QPainter>

namespace qv {

namespace {
QString SubItem(const QModelIndex& index, int sub)
{
    return index.siblingAtColumn(sub + 1).data(Qt::DisplayRole).toString();
}
constexpr int Margin = 5;
} // namespace

TFragmentDelegate::TFragmentDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

bool TFragmentDelegate::indexRow(const QModelIndex& index) const
{
    return SubItem(index, 2) == QLatin1String("INDEX");
}

void TFragmentDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    // Column 8 turns red when sub-item 7 holds a count above 0.
    if (ownDrawing && ownDrawing() && index.column() == 8) {
        bool ok = false;
        const int n = SubItem(index, 7).trimmed().toInt(&ok);
        if (ok && n > 0)
            option->palette.setColor(QPalette::Text, Qt::red);
    }
}

void TFragmentDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const int column = index.column();
    // The two figure columns of an index row while the figures are shown; a figure that is
    // no number (no permission) is drawn as text.
    double f = 0;
    const QString value = index.data(Qt::DisplayRole).toString();
    const bool own = ownDrawing && ownDrawing() && barsShown && barsShown() && (column == 5 || column == 6) &&
                     indexRow(index) && index::ReadFraction(value, f);
    if (!own) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    // Background and selection as the list draws them, without the text.
    opt.text.clear();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
    const bool selected = option.state & QStyle::State_Selected;
    const QColor textColour =
        option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
    const QRect textRect = option.rect.adjusted(Margin, 0, -Margin, 0);
    painter->save();
    if (column == 5) {
        const index::Bar bar = index::FragmentBar(f, option.rect, qvOption.IdxReorganize, qvOption.IdxRebuild);
        painter->fillRect(bar.frame, QColor(192, 192, 192));
        painter->fillRect(bar.bar, bar.colour);
        painter->setPen(Qt::black);
        painter->drawText(textRect, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine,
                          painter->fontMetrics().elidedText(bar.text, Qt::ElideRight, textRect.width()));
    } else {
        painter->setPen(textColour);
        painter->drawText(textRect, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine,
                          painter->fontMetrics().elidedText(index::PagesText(value), Qt::ElideRight, textRect.width()));
    }
    painter->restore();
}

} // namespace qv
