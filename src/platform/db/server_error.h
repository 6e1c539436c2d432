#pragma once
// A database error as the ODBC layer raises it, with the server's line number (within the
// batch) of each diagnostic record, in the order of the message's lines (0 where a record
// names none). Callers that map errors back to editor lines catch it before EDatabaseError.
#include "platform/exceptions.h"

#include <QList>

namespace qv::db {

class EServerError : public EDatabaseError {
public:
    EServerError(QString message, QString sqlState, int nativeError, QList<int> lines)
        : EDatabaseError(std::move(message), std::move(sqlState), nativeError), m_lines(std::move(lines)) {}
    const QList<int>& lines() const noexcept { return m_lines; }

private:
    QList<int> m_lines;
};

} // namespace qv::db
