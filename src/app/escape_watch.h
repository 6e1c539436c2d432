#pragma once
// Esc polling for long loops that run on the user-interface thread. While a loop runs, an
// application event filter records an Esc key press made in the active window and swallows
// every other key and mouse input, so the user can stop the loop but cannot start anything
// else meanwhile.
#include <QElapsedTimer>
#include <QObject>

namespace qv {

class EscapeWatch : public QObject {
    Q_OBJECT
public:
    // Starts watching (the main window's loop message does this; a second start does nothing).
    static void begin();
    // Ends watching and forgets a recorded Esc press.
    static void end();
    static bool active();
    // Processes the pending events (at most once per poll interval) and tells whether Esc was pressed in the active window
    // since watching began; the same press is reported until watching ends.
    static bool pressed();
    // The least time in milliseconds between two event passes of pressed() while watching
    // (default 20; 0 handles the events at every call).
    static int pollInterval();
    static void setPollInterval(int ms);

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    bool m_escape = false;
    QElapsedTimer m_lastPoll;
};

// True when Esc was pressed in the active window during the running loop (see EscapeWatch).
// False when there is no active window.
bool EscapePressed();

} // namespace qv
