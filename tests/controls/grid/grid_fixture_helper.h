#pragma once
#include "controls/grid/data_grid.h"
#include "grid_data_helper.h"

#include <QApplication>
#include <QKeyEvent>
#include <gtest/gtest.h>

namespace qvtest {

// Sends a key to the grid (or its editor when that has the focus) as the user would.
inline void Key(QWidget* w, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QString text;
    if (key == Qt::Key_Return || key == Qt::Key_Enter) text = QStringLiteral("\r");
    else if (key == Qt::Key_Escape) text = QString(QChar(27));
    else if (key == Qt::Key_Tab) text = QStringLiteral("\t");
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods, text);
    QApplication::sendEvent(w, &release);
}

inline void Type(QWidget* w, const QString& s)
{
    for (QChar ch : s) {
        QKeyEvent press(QEvent::KeyPress, ch.toUpper().unicode(), Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w, &press);
    }
}

inline void Click(QWidget* w, QPoint pt, Qt::KeyboardModifiers mods = Qt::NoModifier,
                  Qt::MouseButton button = Qt::LeftButton)
{
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(pt), w->mapToGlobal(QPointF(pt)), button, button, mods);
    QApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(pt), w->mapToGlobal(QPointF(pt)), button, Qt::NoButton, mods);
    QApplication::sendEvent(w, &release);
}

// Resizes a record-per-row grid so that exactly `rows` data rows are fully visible.
inline void FitRows(qv::TqvDataGrid* g, int rows, int width = 600)
{
    g->resize(width, 200);
    g->show();
    const int frame = g->height() - g->viewport()->height();
    const int title = g->RowHeights(0) + 1;
    const int rowH = g->DefaultRowHeight() + 1;
    g->resize(width, frame + title + rows * rowH + rowH / 2);
    QApplication::processEvents();
}

} // namespace qvtest
