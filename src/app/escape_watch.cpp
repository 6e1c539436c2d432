#include "app/escape_watch.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace qv {

namespace {
EscapeWatch*& watcher()
{
    static EscapeWatch* w = nullptr;
    return w;
}

bool isUserInput(QEvent::Type t)
{
    switch (t) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
        return true;
    default:
        return false;
    }
}
} // namespace

void EscapeWatch::begin()
{
    EscapeWatch*& w = watcher();
    if (!w) {
        w = new EscapeWatch;
        qApp->installEventFilter(w);
    }
}

void EscapeWatch::end()
{
    EscapeWatch*& w = watcher();
    if (!w)
        return;
    qApp->removeEventFilter(w);
    delete w;
    w = nullptr;
}

bool EscapeWatch::active() { return watcher() != nullptr; }

bool EscapeWatch::pressed()
{
    const bool started = !active();
    if (started)
        begin();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    const bool esc = watcher()->m_escape;
    if (started && !esc)
        end();
    return esc;
}

bool EscapeWatch::eventFilter(QObject* o, QEvent* e)
{
    if (!isUserInput(e->type()) || !o->isWidgetType())
        return false;
    if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape) {
        QWidget* active = QApplication::activeWindow();
        auto* w = static_cast<QWidget*>(o);
        if (active && (w == active || active->isAncestorOf(w)))
            m_escape = true;
    }
    return true; // no other input reaches the windows while the loop runs
}

bool EscapePressed()
{
    if (!QApplication::activeWindow())
        return false;
    return EscapeWatch::pressed();
}

} // namespace qv
