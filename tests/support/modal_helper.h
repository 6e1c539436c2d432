#pragma once
// Answers the next modal dialog of a test: the action runs on the dialog once it is shown.
#include <QApplication>
#include <QDir>
#include <QTimer>
#include <QWidget>
#include <functional>



namespace qvtest {

// Runs act on the first modal widget that appears (polling from the event loop, no sleeps).
void whenModal(std::function<void(QWidget*)> act);

// Saves a grab of w as <build>/screens/<name>.png for a look by eye; returns the path.
QString saveGrab(QWidget* w, const QString& name);

} // namespace qvtest

#include <ostream>
#include <QString>
// Readable QString values in test failures.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
