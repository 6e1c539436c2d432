#pragma once
// What a log may show of a statement that sets a password.
#include <QString>

namespace qv {

// The line as a log shows it: the literal of a PASSWORD clause and the password arguments of
// sp_addlogin and sp_password are replaced by N'********', so no password reaches a log.
QString MaskPasswords(const QString& line);

} // namespace qv
