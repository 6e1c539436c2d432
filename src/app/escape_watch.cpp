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

namespace {
int& pollIntervalValue()
{
    static int ms = 20;
    return ms;
}
} // namespace

int EscapeWatch::pollInterval() { return pollIntervalValue(); }

void EscapeWatch::setPollInterval(int ms) { pollIntervalValue() = qMax(0, ms); }

bool EscapeWatch::pressed()
{
    const bool started = !active();
    if (started)
        begin();
    EscapeWatch* w = watcher();
    // Handling the pending events paints whatever the loop changed; doing that for every row of
    // a fast loop would cost more than the loop itself, so it happens at most once per interval.
    if (!w->m_escape && (!w->m_lastPoll.isValid() || w->m_lastPoll.elapsed() >= pollInterval())) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        w->m_lastPoll.start();
    }
    const bool esc = w->m_escape;
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
