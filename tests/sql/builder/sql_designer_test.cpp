#include "sql/sql_designer.h"

#include "app/options.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTableWidget>

using namespace qv;

namespace {

class PageCatalog : public TqvBuilderCatalog {
public:
    QString Database() override { return "Shop"; }
    int DBVer() override { return 15; }
    QString DefSchema() override { return "dbo"; }
    QStringList QueryColumns(const QString&) override { return {}; }
    QString SynonymBase(const QString&, const QString&, const QString&) override { return {}; }
    QStringList KeyColumns(const QString&, const QString&, const QString&) override { return {"id"}; }
    QStringList Columns(const QString&, const QString&, const QString& n) override
    {
        return n == "orders" ? QStringList{"id", "customer_id", "total"} : QStringList{"id", "name", "city"};
    }
};

void mouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButtons buttons = Qt::LeftButton)
{
    QMouseEvent e(type, QPointF(pos), w->mapToGlobal(QPointF(pos)), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                  buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

struct Page : ::testing::Test {
    PageCatalog catalog;
    TqvBuilderPage page;
    QString text;
    bool saved = qvOption.UseLowerName;
    void SetUp() override
    {
        qvOption.UseLowerName = false;
        page.resize(700, 480);
        page.SQLDesign->Design().Catalog = &catalog;
        page.SQLDesign->GetText = [this] { return text; };
        page.SQLDesign->SetText = [this](const QString& t) { text = t; };
    }
    void TearDown() override { qvOption.UseLowerName = saved; }
};

} // namespace

TEST_F(Page, DraggingAColumnOntoAColumnJoinsAndWritesTheSQL)
{
    auto* d = page.SQLDesign;
    auto* a = d->AddTable("orders");
    auto* b = d->AddTable("customers");
    auto* s = d->Surface();
    // Drag a.customer_id onto b.id.
    const QPoint from = s->ItemRect(a, 2).center();
    const QPoint to = s->ItemRect(b, 1).center();
    mouse(s, QEvent::MouseButtonPress, from);
    mouse(s, QEvent::MouseMove, to, Qt::LeftButton);
    mouse(s, QEvent::MouseButtonRelease, to, Qt::NoButton);
    ASSERT_EQ(d->Design().Connects().size(), 1u);
    EXPECT_EQ(d->Design().Connects()[0]->FromColumn, "customer_id");
    EXPECT_TRUE(text.contains("A.CUSTOMER_ID = B.ID", Qt::CaseInsensitive)) << text.toStdString();

    // "*" makes no join.
    mouse(s, QEvent::MouseButtonPress, s->ItemRect(a, 0).center());
    mouse(s, QEvent::MouseButtonRelease, to, Qt::NoButton);
    EXPECT_EQ(d->Design().Connects().size(), 1u);

    // A double click on a column fills the grid's last row.
    mouse(s, QEvent::MouseButtonPress, s->ItemRect(b, 2).center());
    mouse(s, QEvent::MouseButtonRelease, s->ItemRect(b, 2).center(), Qt::NoButton);
    mouse(s, QEvent::MouseButtonDblClick, s->ItemRect(b, 2).center());
    EXPECT_EQ(page.grdColumn->rowCount(), 2);
    EXPECT_EQ(page.grdColumn->item(0, gcItem)->text(), "b.name");
    EXPECT_TRUE(text.contains("B.NAME", Qt::CaseInsensitive));

    // Moving a box by its header; the join's label follows it to the other side.
    const QPoint head = s->HeaderRect(b).center();
    mouse(s, QEvent::MouseButtonPress, head);
    mouse(s, QEvent::MouseMove, head + QPoint(-150, 200), Qt::LeftButton);
    mouse(s, QEvent::MouseButtonRelease, head + QPoint(-150, 200), Qt::NoButton);
    EXPECT_EQ(b->Bounds.left(), 16);
    EXPECT_EQ(b->Bounds.top(), 216);
}

TEST_F(Page, HandEditIsParsedBackOnReturnAndTheBuilderPageIsDrawn)
{
    auto* d = page.SQLDesign;
    text = "select a.id, b.name, a.total from orders a, customers b where a.customer_id = b.id and a.total > 10 "
           "order by b.name desc";
    EXPECT_FALSE(d->InSync());
    QFocusEvent focus(QEvent::FocusIn);
    QApplication::sendEvent(d, &focus);
    EXPECT_TRUE(d->InSync());
    ASSERT_EQ(d->Design().Tables().size(), 2u);
    ASSERT_EQ(d->Design().Connects().size(), 1u);
    EXPECT_EQ(page.grdColumn->rowCount(), 4);
    EXPECT_EQ(page.grdColumn->item(2, gcCondition)->text(), "> 10");
    EXPECT_EQ(page.grdColumn->item(1, gcSortOrder)->text(), "1");

    // Editing a grid cell rewrites the SQL.
    page.grdColumn->item(0, gcAlias)->setText("order_id");
    EXPECT_TRUE(text.contains("a.id order_id", Qt::CaseInsensitive)) << text.toStdString();

    page.show();
    QApplication::processEvents();
    const QImage shot = page.grab().toImage();
    shot.save(QString(QORVEL_BINARY_DIR) + "/query_builder_page.png");
    // The join's polyline runs between the boxes in black.
    const auto* c = d->Design().Connects()[0].get();
    const QPoint onLine = d->Surface()->mapTo(&page, (c->Lines[0] + c->Lines[1]) / 2);
    EXPECT_EQ(shot.pixelColor(onLine * shot.devicePixelRatio()), QColor(Qt::black));

    d->SetSelected(d->Design().Tables()[1].get());
    d->RemoveSelected();
    EXPECT_TRUE(d->Design().Connects().empty());
    EXPECT_EQ(page.grdColumn->rowCount(), 3);
}
