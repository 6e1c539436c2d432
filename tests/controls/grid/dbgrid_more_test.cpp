#include "grid_fixture_helper.h"
#include "app/globals.h"

#include <QClipboard>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QWheelEvent>

using namespace qv;
using namespace qvtest;

namespace {

QPoint Center(TqvDataGrid* g, int c, int r)
{
    return g->CellRect(c, r).center();
}

struct MouseV : ::testing::Test {
    std::unique_ptr<TestData> ds = MakeDataSet(8, 3);
    TqvDBGridV grid;
    void SetUp() override
    {
        grid.SetOptions(grid.Options() | dgMultiSelect);
        grid.SetDataSource(&ds->src);
        ds->Open();
        FitRows(&grid, 6);
    }
};

TEST_F(MouseV, ClicksSelectRecords)
{
    Click(grid.viewport(), Center(&grid, 2, 3));
    EXPECT_EQ(ds->RecNo(), 3);
    EXPECT_EQ(grid.Col(), 2);
    EXPECT_EQ(grid.SelectedRows()->Count(), 0);   // a plain click on a data cell selects no record
    EXPECT_EQ(grid.SelectedCell(), (TGridCoord{2, 3}));

    Click(grid.viewport(), Center(&grid, 0, 2));
    EXPECT_EQ(ds->RecNo(), 2);
    EXPECT_EQ(grid.SelectedRows()->Count(), 1);
    EXPECT_TRUE(grid.WholeMode());

    Click(grid.viewport(), Center(&grid, 0, 4), Qt::ShiftModifier);
    EXPECT_EQ(grid.SelectedRows()->Count(), 3);
    EXPECT_EQ(ds->RecNo(), 4);
    EXPECT_TRUE(grid.WholeMode());
    EXPECT_EQ(grid.BuildCopyText(),
              QStringLiteral("r2c1\tr2c2\tr2c3\r\nr3c1\tr3c2\tr3c3\r\nr4c1\tr4c2\tr4c3\r\n"));

    Click(grid.viewport(), Center(&grid, 0, 3), Qt::ControlModifier);
    EXPECT_EQ(grid.SelectedRows()->Count(), 2);

    // a right click in the indicator strip keeps the selection
    Click(grid.viewport(), Center(&grid, 0, 5), Qt::NoModifier, Qt::RightButton);
    EXPECT_EQ(grid.SelectedRows()->Count(), 2);
    EXPECT_EQ(ds->RecNo(), 3);

    // Ctrl+click on a data cell of a selected record keeps it selected
    Click(grid.viewport(), Center(&grid, 2, 2), Qt::ControlModifier);
    EXPECT_EQ(ds->RecNo(), 2);
    EXPECT_TRUE(grid.SelectedRows()->CurrentRowSelected());
    EXPECT_TRUE(grid.WholeMode());
    grid.SetWholeMode(false);
}

TEST_F(MouseV, TitleAndCellClicks)
{
    TGridItem* title = nullptr;
    TGridItem* cell = nullptr;
    grid.OnTitleClick = [&](TGridItem* i) { title = i; };
    grid.OnCellClick = [&](TGridItem* i) { cell = i; };
    grid.SetOptions(grid.Options() & ~(dgColumnResize | dgAlwaysShowEditor));
    Click(grid.viewport(), Center(&grid, 2, 0));
    EXPECT_EQ(title, grid.Columns()->Items(1));
    Click(grid.viewport(), Center(&grid, 3, 2));
    EXPECT_EQ(cell, grid.Columns()->Items(2));
}

TEST_F(MouseV, WheelStepsRecordsAndLeavingCancelsAnUntouchedInsert)
{
    QWheelEvent wheel(QPointF(20, 20), grid.mapToGlobal(QPointF(20, 20)), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(grid.viewport(), &wheel);
    EXPECT_EQ(ds->RecNo(), 2);
    Key(&grid, Qt::Key_Insert);
    EXPECT_EQ(ds->State(), db::dsInsert);
    EXPECT_EQ(ds->RecordCount(), 9);
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    grid.setParent(&window);
    auto* other = new QLineEdit(&window);
    layout->addWidget(&grid);
    layout->addWidget(other);
    window.show();
    QApplication::setActiveWindow(&window);
    grid.setFocus();
    QApplication::processEvents();
    other->setFocus();
    QApplication::processEvents();
    grid.setParent(nullptr);
    EXPECT_EQ(ds->State(), db::dsBrowse);
    EXPECT_EQ(ds->RecordCount(), 8);
}

TEST_F(MouseV, ColumnMoveAndWidthByMouse)
{
    std::pair<int, int> moved{-1, -1};
    grid.OnItemMoved = [&](int f, int t) { moved = {f, t}; };
    ASSERT_EQ(grid.Columns()->Items(0)->FieldName(), QStringLiteral("F1"));
    // drag the first title onto the third
    const QPoint from = Center(&grid, 1, 0), to = Center(&grid, 3, 0);
    QMouseEvent press(QEvent::MouseButtonPress, from, grid.viewport()->mapToGlobal(QPointF(from)), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(grid.viewport(), &press);
    QMouseEvent move(QEvent::MouseMove, to, grid.viewport()->mapToGlobal(QPointF(to)), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(grid.viewport(), &move);
    QMouseEvent release(QEvent::MouseButtonRelease, to, grid.viewport()->mapToGlobal(QPointF(to)), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(grid.viewport(), &release);
    EXPECT_EQ(moved, std::make_pair(0, 2));
    EXPECT_EQ(grid.Columns()->Items(2)->FieldName(), QStringLiteral("F1"));
    grid.RequestLayout();   // the next layout keeps the moved order
    EXPECT_EQ(grid.Columns()->Items(0)->FieldName(), QStringLiteral("F2"));
    EXPECT_EQ(grid.Columns()->Items(2)->FieldName(), QStringLiteral("F1"));
    EXPECT_EQ(grid.SelectedRows()->Count(), 0);

    grid.SetColWidths(1, 150);
    EXPECT_EQ(grid.Columns()->Items(0)->Width(), 150);
    EXPECT_EQ(grid.ColWidths(1), 150);
}

TEST(DBGridLink, FieldMapAndDeferredLayout)
{
    auto ds = MakeDataSet(3, 3);
    TqvDBGridV grid;
    grid.SetDataSource(&ds->src);
    ds->Open();
    TGridDataLink* link = grid.DataLink();
    EXPECT_EQ(link->FieldCount(), 3);
    EXPECT_EQ(link->Fields(1), ds->F(1));
    EXPECT_EQ(link->Fields(7), nullptr);
    EXPECT_EQ(link->Fields(-1), nullptr);
    EXPECT_THROW(link->AddMapping(QStringLiteral("nope")), Exception);
    link->SetSparseMap(true);
    link->AddMapping(QStringLiteral("nope"));
    EXPECT_EQ(link->Fields(3), nullptr);
    EXPECT_FALSE(link->DefaultFields());

    // customised columns keep a column whose field is missing, unbound
    grid.Columns()->SetState(TDBGridColumnsState::csCustomized);
    grid.Columns()->Items(2)->SetFieldName(QStringLiteral("gone"));
    grid.RequestLayout();
    EXPECT_TRUE(grid.DataLink()->SparseMap());
    EXPECT_EQ(grid.GetFields(2), nullptr);
    EXPECT_FALSE(grid.ValidFieldIndex(2));

    // removing fields while the data set's controls are off defers one layout
    const int passes = grid.LayoutPassCount();
    ds->DisableControls();
    grid.FieldRemoved(ds->F(0));
    grid.FieldRemoved(ds->F(1));
    EXPECT_TRUE(grid.LayoutPending());
    EXPECT_EQ(grid.LayoutPassCount(), passes);
    ds->EnableControls();
    QApplication::processEvents();
    EXPECT_FALSE(grid.LayoutPending());
    EXPECT_EQ(grid.LayoutPassCount(), passes + 1);
}

struct GridH : ::testing::Test {
    std::unique_ptr<TestData> ds = MakeDataSet(3, 4);
    TqvDBGridH grid;
    void SetUp() override
    {
        grid.SetWholeMode(false);
        grid.SetDataSource(&ds->src);
        ds->Open();
        grid.resize(500, 220);
        grid.show();
        QApplication::processEvents();
        grid.setFocus();
    }
};

TEST_F(GridH, KeysMoveFieldsDownAndRecordsSideways)
{
    EXPECT_EQ(grid.RawToDataRow(grid.Row()), 0);
    Key(&grid, Qt::Key_Down);
    EXPECT_EQ(grid.SelectedIndex(), 1);
    Key(&grid, Qt::Key_Return);
    EXPECT_EQ(grid.SelectedIndex(), 2);
    EXPECT_EQ(ds->RecNo(), 1);
    Key(&grid, Qt::Key_Right);
    EXPECT_EQ(ds->RecNo(), 2);
    Key(&grid, Qt::Key_End, Qt::ControlModifier);
    Key(&grid, Qt::Key_Right);
    EXPECT_EQ(ds->State(), db::dsInsert);
    EXPECT_EQ(ds->RecordCount(), 4);
    Key(&grid, Qt::Key_Left);
    EXPECT_EQ(ds->State(), db::dsBrowse);
    EXPECT_EQ(ds->RecordCount(), 3);
    Key(&grid, Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(grid.SelectedIndex(), 3);
    Key(&grid, Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(grid.SelectedIndex(), 0);
}

TEST_F(GridH, CopyKeepsRecordsAsLines)
{
    grid.SetOptions(grid.Options() | dgMultiSelect);
    Key(&grid, Qt::Key_Right, Qt::ShiftModifier);
    ASSERT_EQ(grid.SelectedCols()->Count(), 2);
    grid.SetRowStart(0);
    grid.SetRowEnd(2);
    EXPECT_EQ(grid.BuildCopyText(), QStringLiteral("r1c1\tr1c2\tr1c3\r\nr2c1\tr2c2\tr2c3\r\n"));
}

TEST_F(GridH, CtrlClickOnADataCellLeavesTheRecordUnselected)
{
    grid.SetOptions(grid.Options() | dgMultiSelect);
    const QPoint cell = grid.CellRect(2, 2).center();   // record 2, second field
    Click(grid.viewport(), cell, Qt::ControlModifier);
    EXPECT_EQ(ds->RecNo(), 2);
    EXPECT_FALSE(grid.SelectedCols()->CurrentRowSelected());
    Click(grid.viewport(), cell, Qt::ControlModifier);
    EXPECT_FALSE(grid.SelectedCols()->CurrentRowSelected());
    // on its indicator cell Ctrl+click toggles
    Click(grid.viewport(), grid.CellRect(2, 0).center(), Qt::ControlModifier);
    EXPECT_TRUE(grid.SelectedCols()->CurrentRowSelected());
    Click(grid.viewport(), grid.CellRect(2, 0).center(), Qt::ControlModifier);
    EXPECT_FALSE(grid.SelectedCols()->CurrentRowSelected());
    // Shift+click in the indicator row selects the records in between, whole records
    Click(grid.viewport(), grid.CellRect(1, 0).center());
    Click(grid.viewport(), grid.CellRect(3, 0).center(), Qt::ShiftModifier);
    EXPECT_EQ(grid.SelectedCols()->Count(), 3);
    EXPECT_TRUE(grid.WholeMode());
    grid.SetWholeMode(false);
}

TEST_F(GridH, RecordColumnsShareOneWidthAndTitlesFitCaptions)
{
    EXPECT_GE(grid.ColWidths(0), 64);
    grid.SetColWidths(2, 120);
    EXPECT_EQ(grid.DefaultColWidth(), 120);
    EXPECT_EQ(grid.ColWidths(1), 120);
    EXPECT_EQ(grid.ColWidths(3), 120);
    const QString longCaption(40, QLatin1Char('W'));
    grid.Rows()->Items(1)->Title()->SetCaption(longCaption);
    grid.RequestLayout();
    EXPECT_EQ(grid.ColWidths(0), QFontMetrics(grid.TitleFont()).horizontalAdvance(longCaption) + 4);
}

TEST_F(GridH, NullFieldOpensTheEditorEmpty)
{
    ds->WriteValue(0, QString());
    ds->Post();
    grid.ShowEditor();
    ASSERT_TRUE(grid.InplaceEditor());
    EXPECT_EQ(grid.InplaceEditor()->text(), QString());
}

TEST(DBGridLayout, DateTimeColumnsOfWidth18FollowTheProgramFormats)
{
    db::ColumnDesc when;
    when.name = QStringLiteral("when");
    when.typeName = QStringLiteral("datetime");
    db::ColumnDesc other = when;
    other.name = QStringLiteral("other");
    auto table = std::make_shared<db::ResultTable>(std::vector<db::ColumnDesc>{when, other});
    table->appendNull(0);
    table->appendNull(1);
    table->endRow();
    db::TableDataSet ds;
    ds.SetTable(table);
    db::DataSource src;
    src.SetDataSet(&ds);
    TqvDBGridV grid;
    grid.SetDataSource(&src);
    ds.Open();
    ASSERT_TRUE(db::isDateTimeType(ds.Fields()[0]->DataType()));
    ds.Fields()[1]->SetDisplayWidth(17);
    ds.Fields()[0]->SetDisplayWidth(18);
    const QString expected = FormatSettings.ShortDateFormat + QLatin1Char(' ') + FormatSettings.ShortTimeFormat;
    EXPECT_EQ(ds.Fields()[0]->DisplayWidth(), expected.size());
    EXPECT_EQ(ds.Fields()[1]->DisplayWidth(), 17);
    grid.SetDataSource(nullptr);
}

TEST(DBGridLayout, ColumnsFollowTheBoundDataSet)
{
    auto a = MakeDataSet(3, 2);
    auto b = MakeDataSet(5, 4);
    a->Open();
    b->Open();
    TqvDBGridV grid;
    grid.SetDataSource(&a->src);
    FitRows(&grid, 6);
    EXPECT_EQ(grid.Columns()->Count(), 2);
    grid.SetDataSource(&b->src);
    EXPECT_EQ(grid.Columns()->Count(), 4);
    EXPECT_EQ(grid.Columns()->Items(3)->Field(), b->F(3));
    EXPECT_EQ(grid.RowCount(), 6);
    b->Close();
    EXPECT_EQ(grid.Columns()->Count(), 1);   // the one unbound column of an empty grid
    grid.grab();
    b->Open();
    EXPECT_EQ(grid.Columns()->Count(), 4);
    grid.SetDataSource(nullptr);
}

TEST(DBGridKeys, TabSkipsReadOnlyColumnsAndWrapsWithOneColumn)
{
    auto ds = MakeDataSet(3, 3);
    TqvDBGridV grid;
    grid.SetDataSource(&ds->src);
    ds->Open();
    FitRows(&grid, 4);
    ds->F(1)->SetReadOnly(true);
    Key(&grid, Qt::Key_Tab);
    EXPECT_EQ(grid.SelectedIndex(), 2);
    Key(&grid, Qt::Key_Backtab);
    EXPECT_EQ(grid.SelectedIndex(), 0);
    // one data column: Tab moves to the next record, appending at the end of an editable set
    auto one = MakeDataSet(2, 1);
    grid.SetDataSource(&one->src);
    one->Open();
    Key(&grid, Qt::Key_Tab);
    EXPECT_EQ(one->RecNo(), 2);
    Key(&grid, Qt::Key_Tab);
    EXPECT_EQ(one->State(), db::dsInsert);
    Key(&grid, Qt::Key_Backtab);
    EXPECT_EQ(one->State(), db::dsBrowse);
    EXPECT_EQ(one->RecordCount(), 2);
    grid.SetDataSource(nullptr);
}

TEST(DBGridEditor, LeftAtCaretZeroMovesToThePreviousColumn)
{
    auto ds = MakeDataSet(2, 3);
    TqvDBGridV grid;
    grid.SetDataSource(&ds->src);
    ds->Open();
    FitRows(&grid, 4);
    grid.MoveColumn(2, 0);
    grid.ShowEditor();
    auto* ed = grid.InplaceEditor();
    ASSERT_TRUE(ed && ed->isVisible());
    ed->setFocus();
    ed->clear();
    Key(ed, Qt::Key_Left);
    EXPECT_EQ(grid.SelectedIndex(), 0);
}

TEST(DBGridEditor, CopiedValuesPasteBackAsOneValue)
{
    auto src = MakeDataSet(1, 2);
    src->Open();
    src->WriteValue(0, QStringLiteral("a\"b\tc"));
    src->Post();
    TqvDBGridV grid;
    grid.SetOptions(grid.Options() | dgMultiSelect);
    grid.SetDataSource(&src->src);
    FitRows(&grid, 4);
    grid.SelectAll();
    const QString copied = grid.BuildCopyText();
    grid.SetDataSource(nullptr);

    auto dst = MakeDataSet(0, 2);
    dst->Open();
    grid.SetDataSource(&dst->src);
    grid.PasteRecords(copied);
    dst->Cancel();
    ASSERT_EQ(dst->RecordCount(), 1);
    EXPECT_EQ(dst->Value(0, 0), QStringLiteral("a\"b\tc"));
    EXPECT_EQ(dst->Value(0, 1), QStringLiteral("r1c2"));
    grid.SetDataSource(nullptr);
}

} // namespace
