#pragma once
// Exception types shared by every layer. Windows throw on failure; the application's
// notify override (src/app) swallows EAbort, shows EDatabaseError with the driver's text and
// every other qv::Exception / std::exception in the standard error box.
#include <QString>
#include <QByteArray>
#include <exception>

namespace qv {

class Exception : public std::exception {
public:
    explicit Exception(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}
    const QString& message() const noexcept { return m_message; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// The silent abort: stops the current operation without any message (validation that has
// already warned the user, Esc in a long loop, a refused close).
class EAbort : public Exception {
public:
    EAbort() : Exception(QStringLiteral("Operation aborted")) {}
};

// Raised by the data-access layer; the message is the driver's text, one line per diagnostic record.
class EDatabaseError : public Exception {
public:
    EDatabaseError(QString message, QString sqlState = {}, int nativeError = 0)
        : Exception(std::move(message)), m_sqlState(std::move(sqlState)), m_nativeError(nativeError) {}
    const QString& sqlState() const noexcept { return m_sqlState; }
    int nativeError() const noexcept { return m_nativeError; }

private:
    QString m_sqlState;
    int m_nativeError;
};

// The link to the server is gone (SQLSTATE 08S01 / 08003): the session cannot be used any more.
class EConnectionLost : public EDatabaseError {
public:
    using EDatabaseError::EDatabaseError;
};

// Abort() of the class library: throws the silent abort.
[[noreturn]] inline void Abort() { throw EAbort(); }

} // namespace qv
