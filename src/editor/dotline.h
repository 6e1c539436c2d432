#pragma once
// Dotted lines of the painter (ruler marks, underlines of the caret row and the like): every
// second pixel of a one-pixel-high line, drawn by copying from a cached bitmap per colour pair.
#include "editor/fountain.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <memory>
#include <vector>

namespace qv {

// TColor (0x00BBGGRR) to a Qt colour.
inline QColor ToQColor(TColor c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }

// Fills X .. X + Width - 1 of row Y with BkColor, then sets every second pixel from X on to Color.
void DrawDottedLine(QPainter& canvas, int x, int y, TColor bkColor, TColor color, int width);

class TDotLineItem {
public:
    TDotLineItem(TColor color, TColor bkColor, int width);
    TColor Color() const { return m_color; }
    TColor BkColor() const { return m_bkColor; }
    const QImage& Line() const { return m_line; }
    bool Equal(TColor color, TColor bkColor) const { return m_color == color && m_bkColor == bkColor; }
    void Paint();

private:
    TColor m_color, m_bkColor;
    QImage m_line;
};

class TDotLineCollection {
public:
    // Width of the cached bitmaps (the screen width when the cache is made).
    explicit TDotLineCollection(int width = 0);
    int Count() const { return int(m_items.size()); }
    const TDotLineItem& GetDotLineItem(int index) const { return *m_items.at(size_t(index)); }
    // The cached bitmap of a colour pair; made on first use, never removed.
    const QImage& LineBitmap(TColor color, TColor bkColor);

private:
    int m_width;
    std::vector<std::unique_ptr<TDotLineItem>> m_items;
};

// The process-wide cache.
TDotLineCollection& DotLines();

// Copies pixels 0 .. X2 - X1 of the cached line to X1 .. X2 of row Y (cut at the bitmap width).
void DrawDottedHLine(QPainter& canvas, int x1, int y, TColor bkColor, TColor color, int x2);

} // namespace qv
