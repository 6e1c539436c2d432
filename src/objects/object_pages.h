#pragma once
// The privileges page ("権限", the privileges frame `fraGrant`) and the cross-reference page
// ("依存関係", the cross-reference frame `fraCross`) of the sequence and synonym windows: the
// page widgets with their frame, and the few calls the windows make on them.
#include <QStringList>

class QWidget;

namespace qv {

class TfraCross;
class TfraGrant;

// The page widgets, children of `parent` (the window's page control).
QWidget* NewGrantPage(QWidget* parent);
QWidget* NewCrossPage(QWidget* parent);
// The frame of a page.
TfraGrant* GrantFrame(QWidget* page);
TfraCross* CrossFrame(QWidget* page);
// Loads a page for the object.
void ShowGrantPage(QWidget* page, const QString& database, const QString& schema, const QString& name);
void ShowCrossPage(QWidget* page, const QString& database, const QString& schema, const QString& name);
// The statements of the privileges page's edits ("go" ends each batch); empty when none.
QStringList GrantPageSource(QWidget* page);

} // namespace qv
