#pragma once
// What the options dialogs and the support window ask of a connection window beyond its
// statement routines: the transaction state, the driver's information and the list options.
// The program's connection window answers from its session; other implementations of
// IConnectionWindow answer through their own overrides.
#include <QStringList>

namespace qv {

class IConnectionWindow;

bool SessionInTransaction(IConnectionWindow* c);
QStringList SessionInfoReport(IConnectionWindow* c);
void ApplyListOptions(IConnectionWindow* c, bool treeOrderChanged);
// The value of the line "label = value" of an information report; null when missing.
QString InfoReportValue(const QStringList& report, const QString& label);

} // namespace qv
