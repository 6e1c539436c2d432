#include "app/menu_bar.h"

#include "app/images.h"

#include <QAction>
#include <QPainter>

namespace qv {

namespace {
constexpr int kMarkSize = 16;
}

QString MenuMarkedCaption(const QString& caption)
{
    // Two ideographic spaces: wider than the mark in every menu font the program uses.
    return QStringLiteral("\u3000\u3000") + caption;
}

TqvMenuBar::TqvMenuBar(QWidget* parent) : QMenuBar(parent) {}

QRect TqvMenuBar::markRect(QAction* action) const
{
    if (!action || !action->isVisible() || action->property(kMenuMarkProperty).toInt() < 0
        || !action->property(kMenuMarkProperty).isValid())
        return QRect();
    const QRect item = actionGeometry(action);
    if (item.isEmpty())
        return QRect();
    // The caption is centred in the item; the blanks it starts with sit left of its glyphs.
    const QFontMetrics fm(font());
    const int textWidth = fm.horizontalAdvance(QString(action->text()).remove(QLatin1Char('&')));
    const int textLeft = item.left() + (item.width() - textWidth) / 2;
    const int blanks = fm.horizontalAdvance(QStringLiteral("\u3000\u3000"));
    const int x = textLeft + qMax(0, (blanks - kMarkSize) / 2);
    return QRect(x, item.top() + (item.height() - kMarkSize) / 2, kMarkSize, kMarkSize);
}

void TqvMenuBar::paintEvent(QPaintEvent* e)
{
    QMenuBar::paintEvent(e);
    QPainter p(this);
    for (QAction* a : actions()) {
        const QRect r = markRect(a);
        if (!r.isEmpty())
            p.drawPixmap(r, imgMain(a->property(kMenuMarkProperty).toInt()).pixmap(kMarkSize, kMarkSize));
    }
}

} // namespace qv
