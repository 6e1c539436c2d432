#include "objects/object_pages.h"

#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

namespace qv {

namespace {
// Stub page: the privileges and cross-reference frames are not part of this build yet.
QWidget* StubPage(QWidget* parent, const QString& objectName)
{
    auto* page = new QWidget(parent);
    page->setObjectName(objectName);
    auto* l = new QVBoxLayout(page);
    auto* text = new QLabel(QStringLiteral("このページはまだ使用できません。"), page);
    text->setObjectName(QStringLiteral("lblStubPage"));
    text->setAlignment(Qt::AlignCenter);
    l->addWidget(text);
    return page;
}
} // namespace

QWidget* NewGrantPage(QWidget* parent) { return StubPage(parent, QStringLiteral("tabGrant")); }

QWidget* NewCrossPage(QWidget* parent) { return StubPage(parent, QStringLiteral("tabCross")); }

void ShowGrantPage(QWidget*, const QString&, const QString&, const QString&) {}

void ShowCrossPage(QWidget*, const QString&, const QString&, const QString&) {}

QStringList GrantPageSource(QWidget*) { return {}; }

} // namespace qv
