#pragma once
// An event filter that runs an action on one key (Return also answers to Enter of the keypad) and
// eats the key; the lists of the definition windows use it for their Enter/Delete buttons.
#include <QEvent>
#include <QKeyEvent>
#include <QObject>

#include <functional>

namespace qv {

class TqvKeyAction : public QObject {
public:
    TqvKeyAction(QObject* parent, int key, std::function<void()> action)
        : QObject(parent), m_key(key), m_action(std::move(action))
    {
    }
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (e->type() == QEvent::KeyPress) {
            const int k = static_cast<QKeyEvent*>(e)->key();
            if (k == m_key || (m_key == Qt::Key_Return && k == Qt::Key_Enter)) {
                m_action();
                return true;
            }
        }
        return QObject::eventFilter(watched, e);
    }

private:
    int m_key;
    std::function<void()> m_action;
};

} // namespace qv
