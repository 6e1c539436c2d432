#pragma once
// Statement-text helpers of the test server: line-end normalising, the parameter
// substitution of RPC requests and the recognising of the statements it answers itself.
#include <QHash>
#include <QString>
#include <QStringList>

namespace qvtds {

// "\r\n" and lone "\r" become "\n".
QString normaliseLineEnds(const QString& sql);

// The parameter names of a declaration list such as "@P1 int,@P2 nvarchar(4000) OUTPUT",
// with their "@", in order.
QStringList declaredParameterNames(const QString& declaration);

// Replaces every parameter reference (an "@name" outside string literals, quoted identifiers
// and comments) whose name is a key of Literals (compared without regard to case, keys with
// their "@") by its literal. Other text stays as it is.
QString substituteParameters(const QString& sql, const QHash<QString, QString>& literals);
// The same scan, putting "?" for every known parameter: the form the program wrote.
QString markParameters(const QString& sql, const QStringList& names);

// When Sql begins with a "use" line ("use [x]", "use x;", "USE \"x\""), returns true with the
// unquoted database name and the text after that line.
bool takeUseLine(const QString& sql, QString* database, QString* rest);

} // namespace qvtds
