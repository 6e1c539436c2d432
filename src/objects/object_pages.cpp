#include "objects/object_pages.h"

#include "tables/cross_ref_frame.h"
#include "tables/privileges_frame.h"

#include <QVBoxLayout>
#include <QWidget>

namespace qv {

namespace {
template <class Frame>
QWidget* PageWith(QWidget* parent, const QString& pageName, const QString& frameName)
{
    auto* page = new QWidget(parent);
    page->setObjectName(pageName);
    auto* l = new QVBoxLayout(page);
    l->setContentsMargins(0, 0, 0, 0);
    auto* frame = new Frame(page);
    frame->setObjectName(frameName);
    l->addWidget(frame);
    return page;
}
} // namespace

QWidget* NewGrantPage(QWidget* parent)
{
    return PageWith<TfraGrant>(parent, QStringLiteral("tabGrant"), QStringLiteral("fraGrant"));
}

QWidget* NewCrossPage(QWidget* parent)
{
    return PageWith<TfraCross>(parent, QStringLiteral("tabCross"), QStringLiteral("fraCross"));
}

TfraGrant* GrantFrame(QWidget* page) { return page ? page->findChild<TfraGrant*>() : nullptr; }

TfraCross* CrossFrame(QWidget* page) { return page ? page->findChild<TfraCross*>() : nullptr; }

void ShowGrantPage(QWidget* page, const QString& database, const QString& schema, const QString& name)
{
    if (TfraGrant* f = GrantFrame(page))
        f->ShowData(database, schema, name);
}

void ShowCrossPage(QWidget* page, const QString& database, const QString& schema, const QString& name)
{
    if (TfraCross* f = CrossFrame(page))
        f->ShowData(database, schema, name);
}

QStringList GrantPageSource(QWidget* page)
{
    QStringList lines;
    if (TfraGrant* f = GrantFrame(page))
        f->GetSource(lines);
    return lines;
}

} // namespace qv
