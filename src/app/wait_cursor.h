#pragma once
// The hourglass (or another cursor shape) over the whole program while the guard lives.
// Without a window system (a plain core application) it does nothing.
#include <QGuiApplication>

namespace qv {

class WaitCursor {
public:
    explicit WaitCursor(Qt::CursorShape shape = Qt::WaitCursor)
        : m_set(qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr)
    {
        if (m_set)
            QGuiApplication::setOverrideCursor(shape);
    }
    ~WaitCursor()
    {
        if (m_set)
            QGuiApplication::restoreOverrideCursor();
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    bool m_set;
};

} // namespace qv
