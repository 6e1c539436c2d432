#include "grid_fixture_helper.h"

#include <QClipboard>
#include <QGuiApplication>

using namespace qv;
using namespace qvtest;

namespace {

struct DBGridV : ::testing::Test {
    std::unique_ptr<TestData> ds;
    std::unique_ptr<TqvDBGridV> grid;
    QStringList asked;
    std::function<bool(QWidget*, const QString&)> savedHook;
    bool answer = true;

    void Make(int rows, int fields, int visible = 10)
    {
        ds = MakeDataSet(rows, fields);
        grid = std::make_unique<TqvDBGridV>();
        grid->SetDataSource(&ds->src);
        ds->Open();
        FitRows(grid.get(), visible);
        grid->setFocus();
    }
    void SetUp() override
    {
        savedHook = TqvDataGrid::ConfirmHook();
        TqvDataGrid::ConfirmHook() = [this](QWidget*, const QString& t) { asked << t; return answer; };
    }
    void TearDown() override { TqvDataGrid::ConfirmHook() = savedHook; }
};

TEST_F(DBGridV, BuffersOnlyTheVisibleRecordsAndDrivesTheBarByRecordNumber)
{
    Make(1000, 3, 20);
    EXPECT_EQ(grid->DataLink()->BufferCount(), 20);
    EXPECT_EQ(grid->RowCount(), 21);
    const TScrollInfo info = grid->VertScrollInfo();
    EXPECT_EQ(info.Min, 1);
    EXPECT_EQ(info.Max, 1019);
    EXPECT_EQ(info.Page, 20);
    EXPECT_EQ(info.Pos, 1);

    // painting and scrolling read the shown records only
    grid->DataLink()->SetReadLog(true);
    grid->grab();
    for (int i = 0; i < 30; ++i)
        Key(grid.get(), Qt::Key_PageDown);
    grid->grab();
    ASSERT_FALSE(grid->DataLink()->ReadLog().empty());
    EXPECT_LT(grid->DataLink()->ReadLog().size(), 120u);
    EXPECT_EQ(ds->RecNo(), 601);
    EXPECT_EQ(grid->VertScrollInfo().Pos, 601);
    EXPECT_EQ(grid->Row(), grid->DataLink()->ActiveRecord() + 1);
}

TEST_F(DBGridV, ScrollRequestsMoveTheDataSet)
{
    Make(100, 2, 10);
    // line down on the top row moves one record below the bottom visible row
    grid->verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(ds->RecNo(), 11);
    grid->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(ds->RecNo(), 21);
    grid->verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(ds->RecNo(), 100);
    EXPECT_EQ(grid->VertScrollInfo().Pos, 100);
    grid->verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(ds->RecNo(), 1);
}

TEST_F(DBGridV, ColumnRangeFollowsShiftAndCopyJoinsTheRange)
{
    Make(5, 6);
    grid->SetOptions(grid->Options() | dgMultiSelect);
    grid->MoveColumn(3, 0);   // data column 2
    EXPECT_EQ(grid->SelectedIndex(), 2);
    ds->WriteValue(3, QStringLiteral("a\"b"));
    ds->Post();
    Key(grid.get(), Qt::Key_Right);
    Key(grid.get(), Qt::Key_Right, Qt::ShiftModifier);
    Key(grid.get(), Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(grid->ColStart(), 3);
    EXPECT_EQ(grid->ColEnd(), 5);
    ASSERT_EQ(grid->SelectedRows()->Count(), 1);
    EXPECT_EQ(grid->BuildCopyText(), QStringLiteral("\"a\"\"b\"\tr1c5\tr1c6"));
    QKeyEvent copy(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier);
    QApplication::sendEvent(grid.get(), &copy);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("\"a\"\"b\"\tr1c5\tr1c6"));
}

TEST_F(DBGridV, CopyQuotingTable)
{
    const struct { QString in, out; } cases[] = {
        {"plain", "plain"},
        {"a\"b", "\"a\"\"b\""},
        {"x\r\ny", "\"x\ny\""},
        {"x\ry", "\"x\ny\""},
        {"a\tb", "\"a\tb\""},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(QuoteCopyValue(c.in), c.out) << c.in.toStdString();
}

TEST_F(DBGridV, CopyOfSeveralRecordsEndsEachLineAndWholeRowTakesAllFields)
{
    Make(5, 3);
    grid->SetOptions(grid->Options() | dgMultiSelect);
    grid->MoveColumn(1, 0);
    Key(grid.get(), Qt::Key_Down, Qt::ShiftModifier);
    Key(grid.get(), Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(grid->SelectedRows()->Count(), 3);
    Key(grid.get(), Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(grid->SelectedRows()->Count(), 2);
    EXPECT_EQ(grid->BuildCopyText(), QStringLiteral("r1c1\r\nr2c1\r\n"));
    Key(grid.get(), Qt::Key_Right, Qt::ControlModifier);   // whole-row mode, record deselected
    EXPECT_TRUE(grid->WholeMode());
    EXPECT_EQ(grid->SelectedRows()->Count(), 1);
    EXPECT_EQ(grid->BuildCopyText(), QStringLiteral("r1c1\tr1c2\tr1c3"));
    Key(grid.get(), Qt::Key_Right);
    EXPECT_FALSE(grid->WholeMode());
    // no record selected: the current field's value, unquoted
    grid->SelectedRows()->Clear();
    ds->WriteValue(2, QStringLiteral("a\tb"));
    EXPECT_EQ(grid->BuildCopyText(), QStringLiteral("a\tb"));
}

TEST_F(DBGridV, CopyPutsNoTabBeforeTheFirstValueWhenTheFirstFieldIsHidden)
{
    Make(5, 3);
    grid->SetOptions(grid->Options() | dgMultiSelect);
    ds->F(0)->SetVisible(false);
    Key(grid.get(), Qt::Key_Down, Qt::ShiftModifier);
    ASSERT_EQ(grid->SelectedRows()->Count(), 2);
    grid->SetWholeMode(true);
    EXPECT_EQ(grid->BuildCopyText(), QStringLiteral("r1c2\tr1c3\r\nr2c2\tr2c3\r\n"));
    grid->SetWholeMode(false);
    grid->SetRangeStart(0);
    grid->SetRangeEnd(1);
    EXPECT_EQ(grid->BuildCopyText(), QStringLiteral("r1c2\r\nr2c2\r\n"));
}

TEST_F(DBGridV, CtrlDeleteAsksAndDeletesTheSelectedRecords)
{
    Make(6, 2);
    grid->SetOptions(grid->Options() | dgMultiSelect);
    Key(grid.get(), Qt::Key_Down, Qt::ShiftModifier);
    ASSERT_EQ(grid->SelectedRows()->Count(), 2);
    answer = false;
    Key(grid.get(), Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(ds->RecordCount(), 6);
    answer = true;
    Key(grid.get(), Qt::Key_Delete, Qt::ControlModifier);
    ASSERT_EQ(asked.size(), 2);
    EXPECT_EQ(asked[1], QStringLiteral("選択されたレコードをすべて削除してよいですか？"));
    EXPECT_EQ(ds->RecordCount(), 4);
    EXPECT_EQ(ds->Value(0, 0), QStringLiteral("r3c1"));
    EXPECT_EQ(grid->SelectedRows()->Count(), 0);
    // none selected: the singular question and the current record
    Key(grid.get(), Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(asked.last(), QStringLiteral("レコードを削除しますか？"));
    EXPECT_EQ(ds->RecordCount(), 3);
}

TEST_F(DBGridV, ClearCommandConfirmsAndForgetsDeletedBookmarks)
{
    Make(6, 2);
    grid->SetOptions(grid->Options() | dgMultiSelect);
    Key(grid.get(), Qt::Key_Down, Qt::ShiftModifier);
    Key(grid.get(), Qt::Key_Down, Qt::ShiftModifier);
    answer = false;
    grid->ClearSelected();
    EXPECT_EQ(ds->RecordCount(), 6);
    answer = true;
    grid->ClearSelected();
    EXPECT_EQ(ds->RecordCount(), 3);
    EXPECT_EQ(grid->SelectedRows()->Count(), 0);
    EXPECT_EQ(asked.size(), 2);
}

TEST_F(DBGridV, DownOnLastRecordAppendsAndUpCancelsIt)
{
    Make(3, 2);
    Key(grid.get(), Qt::Key_End, Qt::ControlModifier);
    Key(grid.get(), Qt::Key_Down);
    EXPECT_EQ(ds->State(), db::dsInsert);
    EXPECT_EQ(ds->RecordCount(), 4);
    Key(grid.get(), Qt::Key_Up);
    EXPECT_EQ(ds->State(), db::dsBrowse);
    EXPECT_EQ(ds->RecordCount(), 3);
}

TEST_F(DBGridV, EnterMovesRightAndTabWrapsToNextRecord)
{
    Make(3, 2);
    EXPECT_EQ(grid->Col(), 1);
    Key(grid.get(), Qt::Key_Return);
    EXPECT_EQ(grid->Col(), 2);
    EXPECT_EQ(ds->RecNo(), 1);
    Key(grid.get(), Qt::Key_Tab);
    EXPECT_EQ(grid->Col(), 1);
    EXPECT_EQ(ds->RecNo(), 2);
}

TEST_F(DBGridV, RecordPasteParsing)
{
    const struct { QString in; QList<QStringList> out; } cases[] = {
        {"a\tb", {{"a", "b"}}},
        {"a\tb\n", {{"a", "b"}}},
        {"a\tb\r\nc\td\r\n", {{"a", "b"}, {"c", "d"}}},
        {"\"x\ty\"\tz", {{"x\ty", "z"}}},
        {"\"a\"\"b\tc\"", {{"a\"b\tc"}}},
        {"\"l1\nl2\"\tq\n", {{"l1\nl2", "q"}}},
        {"\"x\"junk\ty", {{"x", "y"}}},
        {"a\"b\tc", {{"a\"b", "c"}}},
        {"a\t\tc", {{"a", "", "c"}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseRecordPaste(c.in), c.out) << c.in.toStdString();
}

TEST_F(DBGridV, PasteCreatesRecordsAndLeavesANewOneInInsert)
{
    Make(0, 2);
    grid->PasteRecords(QStringLiteral("a\tb"));
    EXPECT_EQ(ds->PostCount(), 1);
    EXPECT_EQ(ds->State(), db::dsInsert);
    ds->Cancel();
    ASSERT_EQ(ds->RecordCount(), 1);
    EXPECT_EQ(ds->Value(0, 0), QStringLiteral("a"));
    EXPECT_EQ(ds->Value(0, 1), QStringLiteral("b"));

    auto ds2 = MakeDataSet(0, 2);
    grid->SetDataSource(&ds2->src);
    ds2->Open();
    QGuiApplication::clipboard()->setText(QStringLiteral("a\tb\n"));
    grid->PasteFromClipboard();
    EXPECT_EQ(ds2->PostCount(), 1);
    ds2->Cancel();
    EXPECT_EQ(ds2->RecordCount(), 1);
    grid->SetDataSource(nullptr);
}

TEST_F(DBGridV, PasteDropsValuesBeyondTheFieldsAndKeepsCopiedQuotes)
{
    Make(0, 2);
    grid->PasteRecords(QStringLiteral("1\t2\t3\r\n\"q\"\"\tx\"\t5"));
    ds->Cancel();
    ASSERT_EQ(ds->RecordCount(), 2);
    const int first = ds->Value(0, 0) == QStringLiteral("1") ? 0 : 1;
    EXPECT_EQ(ds->Value(first, 1), QStringLiteral("2"));
    EXPECT_EQ(ds->Value(1 - first, 0), QStringLiteral("q\"\tx"));
    EXPECT_EQ(ds->Value(1 - first, 1), QStringLiteral("5"));
}

TEST_F(DBGridV, EditingThroughTheEditorWritesTheField)
{
    Make(3, 2);
    grid->ShowEditor();
    ASSERT_TRUE(grid->InplaceEditor());
    ASSERT_TRUE(grid->InplaceEditor()->isVisible());
    EXPECT_EQ(grid->InplaceEditor()->text(), QStringLiteral("r1c1"));
    grid->InplaceEditor()->setFocus();
    grid->InplaceEditor()->selectAll();
    Type(grid->InplaceEditor(), QStringLiteral("new"));
    EXPECT_EQ(ds->State(), db::dsEdit);
    Key(grid->InplaceEditor(), Qt::Key_Down);
    EXPECT_EQ(ds->State(), db::dsBrowse);
    EXPECT_EQ(ds->Value(0, 0), QStringLiteral("new"));
    EXPECT_EQ(ds->RecNo(), 2);
    // Esc drops the typed text first, then cancels the record
    Type(grid->InplaceEditor(), QStringLiteral("zz"));
    Key(grid->InplaceEditor(), Qt::Key_Escape);
    EXPECT_EQ(grid->InplaceEditor()->text(), QStringLiteral("r2c1"));
    EXPECT_EQ(ds->State(), db::dsEdit);
    Key(grid->InplaceEditor(), Qt::Key_Escape);
    EXPECT_EQ(ds->State(), db::dsBrowse);
    EXPECT_EQ(ds->Value(1, 0), QStringLiteral("r2c1"));
}

TEST_F(DBGridV, OptionsAndSelectionBookkeeping)
{
    Make(10, 2);
    grid->SetOptions(grid->Options() | dgRowSelect);
    EXPECT_FALSE(grid->Options() & dgEditing);
    EXPECT_FALSE(grid->Options() & dgAlwaysShowEditor);
    grid->SetOptions(grid->Options() | dgMultiSelect);
    grid->SelectedRows()->SetCurrentRowSelected(true);
    grid->SelectedRows()->SetCurrentRowSelected(true);
    EXPECT_EQ(grid->SelectedRows()->Count(), 1);
    grid->SetOptions(grid->Options() & ~dgMultiSelect);
    EXPECT_EQ(grid->SelectedRows()->Count(), 0);
    // selecting 5, 2, 9 keeps bookmark order
    for (int rec : {5, 2, 9}) {
        ds->SetRecNo(rec);
        grid->SelectedRows()->SetCurrentRowSelected(true);
    }
    ASSERT_EQ(grid->SelectedRows()->Count(), 3);
    for (int i = 0; i < 3; ++i) {
        ds->GotoBookmark(grid->SelectedRows()->Items(i));
        EXPECT_EQ(ds->RecNo(), QList<int>({2, 5, 9})[i]);
    }
    ds->Close();
    EXPECT_EQ(grid->SelectedRows()->Count(), 0);
    EXPECT_THROW(grid->SelectedRows()->CurrentBookmark(), EInvalidGridOperation);
}

TEST_F(DBGridV, ColumnMoveWithoutMultiSelectLeavesSelectionAlone)
{
    Make(3, 3);
    Key(grid.get(), Qt::Key_Right);
    EXPECT_EQ(grid->SelectedRows()->Count(), 0);
    grid->SetOptions(grid->Options() | dgMultiSelect);
    Key(grid.get(), Qt::Key_Right);
    EXPECT_EQ(grid->SelectedRows()->Count(), 1);
}

TEST(GridColumns, ComputedWidth)
{
    EXPECT_EQ(ComputeColumnWidth(8, 0, 13, false, 120), 108);
    EXPECT_EQ(ComputeColumnWidth(8, 0, 13, true, 120), 124);
    EXPECT_EQ(ComputeColumnWidth(8, 0, 13, true, 50), 108);
}

TEST(GridColumns, StoredAndDefaultItems)
{
    auto ds = MakeDataSet(2, 2);
    TqvDBGridV grid;
    grid.SetDataSource(&ds->src);
    ds->Open();
    ASSERT_EQ(grid.Columns()->Count(), 2);
    TColumn* c = grid.Columns()->Items(0);
    EXPECT_FALSE(c->Stored());
    c->Title()->SetCaption(QStringLiteral("名前"));
    EXPECT_EQ(ds->F(0)->DisplayName(), QStringLiteral("名前"));
    EXPECT_FALSE(c->AssignedValues() & cvBit(cvTitleCaption));
    // with the layout's own widths the column follows the field's display width
    const int w0 = QFontMetrics(c->Font()).horizontalAdvance(QLatin1Char('0'));
    const int tw = QFontMetrics(grid.TitleFont()).horizontalAdvance(QStringLiteral("名前"));
    EXPECT_EQ(c->Width(), ComputeColumnWidth(w0, 0, 10, true, tw));
    EXPECT_EQ(grid.ColWidths(1), c->Width());

    grid.Columns()->SetState(TDBGridColumnsState::csCustomized);
    ASSERT_EQ(grid.Columns()->Count(), 2);
    TColumn* s = grid.Columns()->Items(1);
    EXPECT_TRUE(s->Stored());
    s->Title()->SetCaption(QStringLiteral("x"));
    EXPECT_TRUE(s->AssignedValues() & cvBit(cvTitleCaption));
    s->SetWidth(s->DefaultWidth());
    EXPECT_FALSE(s->AssignedValues() & cvBit(cvWidth));
    s->SetWidth(-1);
    EXPECT_FALSE(s->AssignedValues() & cvBit(cvWidth));
    s->SetWidth(77);
    EXPECT_EQ(s->Width(), 77);
    EXPECT_EQ(grid.ColWidths(2), 77);
    s->SetVisible(false);
    EXPECT_EQ(s->Width(), -1);

    TDBGridColumns loose(nullptr);
    EXPECT_EQ(loose.State(), TDBGridColumnsState::csDefault);
    loose.SetState(TDBGridColumnsState::csCustomized);
    EXPECT_EQ(loose.Count(), 0);
    // a grid without data still has one unbound column
    TqvDBGridV empty;
    EXPECT_EQ(empty.ColCount(), 2);
    EXPECT_EQ(empty.Columns()->Count(), 1);
}

TEST(GridColumns, BytesToHexText)
{
    EXPECT_EQ(BytesToHexText(QStringLiteral("A"), -1), QStringLiteral("4100"));
    EXPECT_EQ(BytesToHexText(QStringLiteral("AB"), 3), QStringLiteral("410042"));
    EXPECT_EQ(BytesToHexText(QStringLiteral("A"), 4), QStringLiteral("41000000"));
}

} // namespace
