#include "editor/dotline.h"

#include <QGuiApplication>
#include <QScreen>

namespace qv {

void DrawDottedLine(QPainter& canvas, int x, int y, TColor bkColor, TColor color, int width)
{
    if (width <= 0)
        return;
    canvas.save();
    canvas.setCompositionMode(QPainter::CompositionMode_Source);
    canvas.fillRect(QRect(x, y, width, 1), ToQColor(bkColor));
    canvas.setPen(ToQColor(color));
    for (int px = x; px < x + width; px += 2)
        canvas.drawPoint(px, y);
    canvas.restore();
}

TDotLineItem::TDotLineItem(TColor color, TColor bkColor, int width)
    : m_color(color), m_bkColor(bkColor), m_line(std::max(1, width), 1, QImage::Format_RGB32)
{
}

void TDotLineItem::Paint()
{
    QPainter p(&m_line);
    DrawDottedLine(p, 0, 0, m_bkColor, m_color, m_line.width());
}

TDotLineCollection::TDotLineCollection(int width) : m_width(width) {}

const QImage& TDotLineCollection::LineBitmap(TColor color, TColor bkColor)
{
    for (const auto& item : m_items)
        if (item->Equal(color, bkColor))
            return item->Line();
    if (m_width <= 0) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        m_width = screen ? std::max(screen->size().width(), 1920) : 4096;
    }
    m_items.push_back(std::make_unique<TDotLineItem>(color, bkColor, m_width));
    m_items.back()->Paint();
    return m_items.back()->Line();
}

TDotLineCollection& DotLines()
{
    static TDotLineCollection cache;
    return cache;
}

void DrawDottedHLine(QPainter& canvas, int x1, int y, TColor bkColor, TColor color, int x2)
{
    if (x2 < x1)
        return;
    const QImage& line = DotLines().LineBitmap(color, bkColor);
    const int w = std::min(x2 - x1 + 1, line.width());
    canvas.drawImage(QPoint(x1, y), line, QRect(0, 0, w, 1));
}

} // namespace qv
