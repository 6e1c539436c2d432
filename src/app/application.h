#pragma once
// The application object. Its notify override is the one place where exceptions leave the
// windows' event handlers: the silent abort (EAbort) is swallowed, database errors are shown
// with the driver's message text, every other exception in the standard error box.
#include <QApplication>
#include <QTranslator>
#include <exception>
#include <functional>

namespace qv {

inline const QString ApplicationTitle = QStringLiteral("Qorvel for SQL Server");

class TqvApplication : public QApplication {
    Q_OBJECT
public:
    TqvApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Loads Qt's own Japanese texts (the file dialogs, standard buttons and context menus of Qt's
// widgets) and installs them in app; the program's texts are Japanese whatever the system's
// language. Returns the installed translator (owned by app), or nullptr when Qt's translations
// are not installed.
QTranslator* InstallQtTranslation(QCoreApplication& app);

// Runs deliver (an event delivery) and reports what it throws; returns deliver's result, or
// false when it threw.
bool NotifyGuarded(const std::function<bool()>& deliver);

// Reports an exception that reached a top level: nothing for EAbort, the error box otherwise.
void HandleException(std::exception_ptr error);

// The error box: title, message text, whether it is a database error. Replaceable (tests).
using ExceptionBox = std::function<void(const QString& title, const QString& text, bool databaseError)>;
void SetExceptionBox(ExceptionBox box);

} // namespace qv
