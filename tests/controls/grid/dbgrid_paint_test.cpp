#include "grid_fixture_helper.h"

#include <QDir>
#include <QPainter>

using namespace qv;
using namespace qvtest;

namespace {

// Saves a grab when QORVEL_GRID_PNG_DIR names a folder (for looking at the grids by eye).
void Keep(const QImage& img, const QString& name)
{
    const QString dir = qEnvironmentVariable("QORVEL_GRID_PNG_DIR");
    if (!dir.isEmpty())
        img.save(QDir(dir).filePath(name + QStringLiteral(".png")));
}

bool HasColor(const QImage& img, const QRect& r, QColor c, int tolerance = 0)
{
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QColor p = img.pixelColor(x, y);
            if (qAbs(p.red() - c.red()) <= tolerance && qAbs(p.green() - c.green()) <= tolerance
                && qAbs(p.blue() - c.blue()) <= tolerance)
                return true;
        }
    return false;
}

QImage Grab(TqvDataGrid* g)
{
    return g->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// What a result frame draws over the grid: stripes on odd records, "(NULL)" in blue.
void FrameDrawing(TqvDataGrid* g, bool addStripe, bool showNull)
{
    g->OnDrawItemCell = [g, addStripe, showNull](QPainter& p, const QRect& rect, int, TGridItem* item, TGridDrawState st) {
        db::Field* f = item->Field();
        if (!f)
            return;
        const int recNo = g->DataLink()->FirstRecord() + g->DataLink()->ActiveRecord() + 1;
        int i;
        const bool selected = g->SelectedRecords()->Find(g->DataSet()->ActiveBookmark(), i);
        if (addStripe && !selected && recNo % 2 == 1) {
            p.setBrush(QColor(249, 244, 255));
            p.setPen(Qt::black);
            g->DefaultDrawItemCell(p, rect, 0, item, st);
        }
        if (f->IsNull() && showNull) {
            p.fillRect(rect, p.brush());
            p.setPen(QColor(0, 0, 255));
            PaintCellText(p, rect, 2, 2, QStringLiteral("(NULL)"), Qt::AlignLeft, false);
        }
    };
}

TEST(DBGridPaint, IndicatorGlyphsFollowTheRecordState)
{
    auto ds = MakeDataSet(4, 3);
    TqvDBGridV grid;
    grid.SetDataSource(&ds->src);
    ds->Open();
    FitRows(&grid, 6, 300);
    const QRect ind = grid.CellRect(0, 1);
    ASSERT_FALSE(ind.isEmpty());
    const QImage browse = Grab(&grid).copy(ind);
    ds->Edit();
    const QImage edit = Grab(&grid).copy(ind);
    ds->Cancel();
    ds->Insert();
    const QImage insert = Grab(&grid).copy(grid.CellRect(0, 1));
    Keep(Grab(&grid), QStringLiteral("dbgrid_v_insert"));
    ds->Cancel();
    for (const QImage* img : {&browse, &edit, &insert})
        EXPECT_TRUE(HasColor(*img, img->rect(), Qt::black));
    EXPECT_NE(browse, edit);
    EXPECT_NE(browse, insert);
    EXPECT_NE(edit, insert);
    // rows that are not current carry no glyph
    const QImage other = Grab(&grid).copy(grid.CellRect(0, 2));
    EXPECT_FALSE(HasColor(other, other.rect(), Qt::black));
}

TEST(DBGridPaint, SelectedRecordsShowDotsAndHighlight)
{
    auto ds = MakeDataSet(5, 3);
    TqvDBGridV grid;
    grid.SetOptions(grid.Options() | dgMultiSelect);
    grid.SetDataSource(&ds->src);
    ds->Open();
    FitRows(&grid, 6, 300);
    grid.SelectedRows()->SetCurrentRowSelected(true);
    ds->MoveBy(2);
    grid.SelectedRows()->SetCurrentRowSelected(true);
    ds->MoveBy(-1);
    grid.SetColStart(0);
    grid.SetColEnd(1);
    const QImage img = Grab(&grid);
    Keep(img, QStringLiteral("dbgrid_v_selection"));
    const QColor hl = grid.palette().color(QPalette::Highlight);
    EXPECT_TRUE(HasColor(img, grid.CellRect(1, 1).adjusted(1, 1, -1, -1), hl));
    EXPECT_TRUE(HasColor(img, grid.CellRect(2, 3).adjusted(1, 1, -1, -1), hl));
    EXPECT_FALSE(HasColor(img, grid.CellRect(3, 3).adjusted(1, 1, -1, -1), hl));   // outside the range
    EXPECT_FALSE(HasColor(img, grid.CellRect(2, 2).adjusted(1, 1, -1, -1), hl));   // not selected
    // the selected non-current record shows the dot
    EXPECT_TRUE(HasColor(img, grid.CellRect(0, 1), Qt::black));
    EXPECT_TRUE(HasColor(img, grid.CellRect(0, 3), Qt::black));
    grid.SetWholeMode(true);
    const QImage whole = Grab(&grid);
    EXPECT_TRUE(HasColor(whole, grid.CellRect(3, 3).adjusted(1, 1, -1, -1), hl));
    grid.SetWholeMode(false);
}

TEST(DBGridPaint, StripesAndNullMarksFromTheDrawEvent)
{
    auto ds = MakeDataSet(4, 2);
    ds->AddRow({QString(), QStringLiteral("x")});
    TqvDBGridV grid;
    grid.SetDataSource(&ds->src);
    ds->Open();
    FitRows(&grid, 6, 300);
    const QColor stripe(249, 244, 255);
    FrameDrawing(&grid, true, true);
    QImage img = Grab(&grid);
    Keep(img, QStringLiteral("dbgrid_v_stripes"));
    EXPECT_TRUE(HasColor(img, grid.CellRect(2, 1).adjusted(1, 1, -1, -1), stripe));   // record 1
    EXPECT_FALSE(HasColor(img, grid.CellRect(2, 2).adjusted(1, 1, -1, -1), stripe));  // record 2
    EXPECT_TRUE(HasColor(img, grid.CellRect(2, 3).adjusted(1, 1, -1, -1), stripe));   // record 3
    EXPECT_TRUE(HasColor(img, grid.CellRect(1, 5).adjusted(1, 1, -1, -1), QColor(0, 0, 255), 60));
    FrameDrawing(&grid, false, false);
    img = Grab(&grid);
    EXPECT_FALSE(HasColor(img, grid.CellRect(2, 1).adjusted(1, 1, -1, -1), stripe));
    EXPECT_FALSE(HasColor(img, grid.CellRect(1, 5).adjusted(1, 1, -1, -1), QColor(0, 0, 255), 60));
}

TEST(DBGridPaint, RecordPerColumnGridRenders)
{
    auto ds = MakeDataSet(3, 4);
    TqvDBGridH grid;
    grid.SetDataSource(&ds->src);
    ds->Open();
    grid.resize(420, 200);
    grid.show();
    QApplication::processEvents();
    const QImage img = Grab(&grid);
    Keep(img, QStringLiteral("dbgrid_h"));
    EXPECT_GE(grid.ColWidths(0), 64);
    EXPECT_EQ(grid.RowCount(), 5);        // indicator row + 4 fields
    EXPECT_EQ(grid.ColCount(), 4);        // title column + 3 records
    EXPECT_TRUE(HasColor(img, grid.CellRect(1, 0), Qt::black));   // the current record's glyph
}

} // namespace
