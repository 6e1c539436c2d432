#pragma once
// The privileges page ("権限") and the cross-reference page ("依存関係") of the sequence and
// synonym windows. The windows go through these few calls only, so the pages' content can
// change without touching them.
#include <QStringList>

class QWidget;

namespace qv {

// The page widgets, children of `parent` (the window's page control).
QWidget* NewGrantPage(QWidget* parent);
QWidget* NewCrossPage(QWidget* parent);
// Loads a page for the object.
void ShowGrantPage(QWidget* page, const QString& database, const QString& schema, const QString& name);
void ShowCrossPage(QWidget* page, const QString& database, const QString& schema, const QString& name);
// The statements of the privileges page's edits ("go" ends each batch); empty when none.
QStringList GrantPageSource(QWidget* page);

} // namespace qv
