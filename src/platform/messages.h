#pragma once
// The program's own window messages as custom Qt event types. Send them with
// QCoreApplication::sendEvent (synchronous, like SendMessage) or postEvent (queued, like PostMessage).
#include <QCoreApplication>
#include <QEvent>

namespace qv {

enum : int {
    WM_DBCHANGE = 0x8001,   // the list of connections changed
    WM_RELOAD = 0x8002,     // read the window's content again
    WM_CODEASSIST = 0x8003, // the editor asks its owner for a completion list at the caret
};

// QEvent type for a program message: QEvent::User + the message number.
constexpr QEvent::Type messageEventType(int msg) { return static_cast<QEvent::Type>(QEvent::User + msg); }

class MessageEvent : public QEvent {
public:
    MessageEvent(int msg, qintptr wParam = 0, qintptr lParam = 0)
        : QEvent(messageEventType(msg)), m_msg(msg), m_wParam(wParam), m_lParam(lParam) {}
    int message() const { return m_msg; }
    qintptr wParam() const { return m_wParam; }
    qintptr lParam() const { return m_lParam; }
    qintptr result = 0;

private:
    int m_msg;
    qintptr m_wParam;
    qintptr m_lParam;
};

// Delivers a program message at once and returns the receiver's result (like SendMessage).
inline qintptr SendProgramMessage(QObject* receiver, int msg, qintptr wParam = 0, qintptr lParam = 0)
{
    MessageEvent event(msg, wParam, lParam);
    QCoreApplication::sendEvent(receiver, &event);
    return event.result;
}

// Queues a program message for the receiver's next turn of the event loop (like PostMessage).
inline void PostProgramMessage(QObject* receiver, int msg, qintptr wParam = 0, qintptr lParam = 0)
{
    QCoreApplication::postEvent(receiver, new MessageEvent(msg, wParam, lParam));
}

} // namespace qv
