#include "grid_fixture_helper.h"
#include "controls/grid/string_grid.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QListWidget>
#include <QToolButton>

using namespace qv;
using namespace qvtest;

namespace {

struct StringGrid : ::testing::Test {
    TqvStringGrid g;
    void Fill(int cols, int rows)
    {
        g.SetColCount(cols);
        g.SetRowCount(rows);
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < cols; ++c)
                g.SetCells(c, r, QStringLiteral("%1.%2").arg(c).arg(r));
    }
};

TEST_F(StringGrid, SnapshotSurvivesInsertAndDeleteOfARow)
{
    Fill(3, 5);
    EXPECT_TRUE(g.IsChanged());   // no snapshot yet
    g.Save();
    EXPECT_FALSE(g.IsChanged());
    g.InsertRow(2);
    EXPECT_TRUE(g.IsChanged());
    EXPECT_EQ(g.Cells(1, 2), QString());
    EXPECT_EQ(g.Cells(1, 3), QStringLiteral("1.2"));
    EXPECT_TRUE(g.IsChangedRow(2));
    g.DeleteRow(2);
    EXPECT_FALSE(g.IsChanged());
    g.SetCells(1, 3, QStringLiteral("x"));
    EXPECT_TRUE(g.IsChanged());
    EXPECT_TRUE(g.IsChangedRow(3));
    EXPECT_FALSE(g.IsChangedRow(2));
    EXPECT_TRUE(g.IsChangedCol(1));
    EXPECT_FALSE(g.IsChangedCol(2));
    EXPECT_TRUE(g.IsChangedCell(1, 3));
    EXPECT_FALSE(g.IsChangedCell(0, 3));
    EXPECT_EQ(g.SaveCells(1, 3), QStringLiteral("1.3"));
    EXPECT_EQ(g.SaveCells(1, 99), QString());
    EXPECT_EQ(g.SaveCols(0).size(), 5);
    EXPECT_TRUE(g.IsChangedCol(7));
    g.InsertCol(1);
    EXPECT_TRUE(g.IsChangedRow(0));
}

TEST_F(StringGrid, PickListCompletesTypedText)
{
    Fill(3, 3);
    g.SetCells(1, 1, QString());
    g.SetEditStyles(1, TqvGridEditStyle::gePickList);
    g.OnGetPickListitems = [](int, int, QStringList& items) { items << QStringLiteral("Abc") << QStringLiteral("abd"); };
    g.resize(300, 200);
    g.show();
    g.SetEditorMode(true);
    ASSERT_TRUE(g.InplaceEditor());
    g.InplaceEditor()->setFocus();
    Type(g.InplaceEditor(), QStringLiteral("a"));
    Type(g.InplaceEditor(), QStringLiteral("b"));
    EXPECT_EQ(g.InplaceEditor()->text(), QStringLiteral("Abc"));
    EXPECT_EQ(g.InplaceEditor()->selectedText(), QStringLiteral("c"));
    EXPECT_EQ(g.Cells(1, 1), QStringLiteral("Abc"));
    EXPECT_EQ(g.Col(), 1);
    EXPECT_EQ(g.Row(), 1);
    // no match: typed as it is
    Type(g.InplaceEditor(), QStringLiteral("z"));
    EXPECT_EQ(g.InplaceEditor()->text(), QStringLiteral("Abz"));
}

TEST_F(StringGrid, DropListLiftsTheLengthLimitAndShowEditorFires)
{
    Fill(3, 3);
    g.SetEditStyles(2, TqvGridEditStyle::geDropList);
    int shown = 0;
    g.OnShowEditor = [&](TqvStringGrid*, int, int, TqvInplaceEditor* ed) { ++shown; ed->setMaxLength(3); };
    g.resize(300, 200);
    g.show();
    g.SetEditorMode(true);
    EXPECT_GE(shown, 1);
    EXPECT_EQ(g.InplaceEditor()->maxLength(), 3);
    g.SetCol(2);
    EXPECT_EQ(g.InplaceEditor()->maxLength(), 32767);
    EXPECT_EQ(g.InplaceEditor()->EditStyle(), TEditStyle::esPickList);
}

TEST_F(StringGrid, CheckBoxCells)
{
    Fill(3, 3);
    g.SetEditStyles(1, TqvGridEditStyle::geCheckBox);
    g.SetEditStyles(2, TqvGridEditStyle::geViewCheckBox);
    g.SetCells(1, 1, QStringLiteral("2"));
    EXPECT_FALSE(g.Checked(1, 1));
    QStringList before;
    g.OnBeforeSetEditText = [&](TqvStringGrid*, int c, int r, const QString& v) { before << QStringLiteral("%1,%2=%3").arg(c).arg(r).arg(v); };
    g.SetChecked(1, 1, true);
    EXPECT_TRUE(g.Checked(1, 1));
    EXPECT_EQ(before, QStringList{QStringLiteral("1,1=1")});
    g.SetChecked(0, 1, true);          // not a check-box column
    EXPECT_EQ(g.Cells(0, 1), QStringLiteral("0.1"));
    g.resize(300, 200);
    g.show();
    g.MoveCurrent(1, 2, false, true);
    Type(&g, QStringLiteral(" "));
    EXPECT_TRUE(g.Checked(1, 2));
    g.MoveCurrent(2, 2, false, true);
    Type(&g, QStringLiteral(" "));
    EXPECT_FALSE(g.Checked(2, 2));     // view-only check boxes are never toggled
    const QRect rc = g.CellRect(1, 2);
    Click(g.viewport(), rc.center());
    EXPECT_EQ(g.Col(), 1);
    EXPECT_FALSE(g.Checked(1, 2));
    EXPECT_TRUE(g.IsNull(1, 2));
    g.SetCells(0, 2, QStringLiteral(" \t "));
    EXPECT_TRUE(g.IsNull(0, 2));
}

TEST_F(StringGrid, InsertColKeepsStylesByPosition)
{
    Fill(3, 3);
    g.SetEditStyles(1, TqvGridEditStyle::geCheckBox);
    g.InsertCol(1);
    EXPECT_EQ(g.ColCount(), 4);
    EXPECT_EQ(g.EditStyles(1), TqvGridEditStyle::geCheckBox);
    EXPECT_EQ(g.EditStyles(2), TqvGridEditStyle::geSimple);
    EXPECT_EQ(g.Cells(1, 1), QString());
    EXPECT_EQ(g.Cells(2, 1), QStringLiteral("1.1"));
    EXPECT_EQ(g.Col(), 1);
    EXPECT_EQ(g.EditStyles(99), TqvGridEditStyle::geSimple);
    g.SetEditStyles(99, TqvGridEditStyle::geCheckBox);   // ignored
}

TEST_F(StringGrid, RemoveColumnCases)
{
    Fill(4, 3);
    g.RemoveColumn(9);
    EXPECT_EQ(g.ColCount(), 4);
    g.RemoveColumn(0);     // below the fixed columns: the first non-fixed one goes
    EXPECT_EQ(g.ColCount(), 3);
    EXPECT_EQ(g.Cells(1, 1), QStringLiteral("2.1"));
    EXPECT_EQ(g.Cells(0, 1), QStringLiteral("0.1"));
    g.RemoveColumn(1);
    g.RemoveColumn(1);     // the last non-fixed column: its cells emptied, count drops
    EXPECT_EQ(g.ColCount(), 1);
}

TEST_F(StringGrid, ClearLeavesOneEmptyDataRow)
{
    Fill(3, 6);
    g.SetFixedRows(2);
    g.MoveCurrent(2, 4, false, true);
    g.Clear();
    EXPECT_EQ(g.RowCount(), 3);
    EXPECT_EQ(g.Cells(1, 2), QString());
    EXPECT_EQ(g.Cells(1, 1), QStringLiteral("1.1"));
    EXPECT_EQ(g.Row(), 2);
    EXPECT_EQ(g.Col(), 1);
}

TEST_F(StringGrid, KeyboardModes)
{
    Fill(3, 4);
    g.resize(300, 200);
    g.show();
    g.setFocus();
    // geAccess: Enter moves right and stops at the last column; Esc keeps typed text
    g.SetGridMode(TqvGridEditorMode::geAccess);
    EXPECT_TRUE(g.GridOptions() & goAlwaysShowEditor);
    g.MoveCurrent(1, 1, false, true);
    g.ShowEditor();
    g.InplaceEditor()->setFocus();
    Key(g.InplaceEditor(), Qt::Key_Return);
    EXPECT_EQ(g.Col(), 2);
    Key(g.InplaceEditor(), Qt::Key_Return);
    EXPECT_EQ(g.Col(), 2);
    g.InplaceEditor()->selectAll();
    Type(g.InplaceEditor(), QStringLiteral("kept"));
    Key(g.InplaceEditor(), Qt::Key_Escape);
    EXPECT_EQ(g.Cells(2, 1), QStringLiteral("kept"));

    // geExcel: Enter moves down; Shift+Enter on row 1 stays
    g.SetGridMode(TqvGridEditorMode::geExcel);
    g.MoveCurrent(1, 1, false, true);
    Key(&g, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(g.Row(), 1);
    Key(&g, Qt::Key_Return);
    EXPECT_EQ(g.Row(), 2);
    EXPECT_EQ(g.Col(), 1);

    // geNormal: Esc drops what was typed
    g.SetGridMode(TqvGridEditorMode::geNormal);
    g.SetEditorMode(true);
    g.InplaceEditor()->setFocus();
    g.InplaceEditor()->selectAll();
    Type(g.InplaceEditor(), QStringLiteral("gone"));
    EXPECT_EQ(g.Cells(1, 2), QStringLiteral("gone"));
    Key(g.InplaceEditor(), Qt::Key_Escape);
    EXPECT_EQ(g.Cells(1, 2), QStringLiteral("1.2"));
}

TEST_F(StringGrid, ScrollBarAndHalfPageSteps)
{
    Fill(3, 101);
    g.resize(300, 200);
    g.show();
    const int vis = g.VisibleRowCount();
    ASSERT_GT(vis, 2);
    TScrollInfo v = g.VertScrollInfo();
    EXPECT_EQ(v.Min, 1);
    EXPECT_EQ(v.Max, 100);
    EXPECT_EQ(v.Page, vis);
    EXPECT_EQ(v.Pos, 1);
    g.verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(g.TopRow(), 1 + vis / 2);
    g.verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(g.TopRow(), 101 - vis);
    g.verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(g.TopRow(), 100 - vis);
}

TEST_F(StringGrid, EllipsisButtonAndPickListAcceptance)
{
    Fill(3, 3);
    g.SetEditStyles(1, TqvGridEditStyle::geEllipsis);
    g.SetEditStyles(2, TqvGridEditStyle::gePickList);
    int clicks = 0;
    g.OnEditButtonClick = [&] { ++clicks; };
    QList<int> accepted;
    g.OnSelectListItems = [&](TqvStringGrid*, int c, int r, int index) { accepted << c << r << index; };
    g.OnGetPickListitems = [](int, int, QStringList& items) { items << QStringLiteral("int") << QStringLiteral("bigint"); };
    g.resize(300, 200);
    g.show();
    g.SetEditorMode(true);
    auto* button = g.InplaceEditor()->findChild<QToolButton*>();
    ASSERT_TRUE(button);
    button->click();
    EXPECT_EQ(clicks, 1);
    g.SetCol(2);
    EXPECT_EQ(g.InplaceEditor()->EditStyle(), TEditStyle::esPickList);
    g.InplaceEditor()->DropDown();
    ASSERT_TRUE(g.InplaceEditor()->ListVisible());
    g.InplaceEditor()->PickList()->setCurrentRow(1);
    g.InplaceEditor()->CloseUp(true);
    EXPECT_EQ(g.Cells(2, 1), QStringLiteral("bigint"));
    EXPECT_EQ(accepted, QList<int>({2, 1, 1}));
    // a pick list of one entry does not step on a double click
    g.OnGetPickListitems = [](int, int, QStringList& items) { items << QStringLiteral("only"); };
    QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(3, 3), g.InplaceEditor()->mapToGlobal(QPointF(3, 3)),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(g.InplaceEditor(), &dbl);
    EXPECT_EQ(g.Cells(2, 1), QStringLiteral("bigint"));
}

TEST_F(StringGrid, CopyPutsTheCurrentCell)
{
    Fill(3, 3);
    g.MoveCurrent(2, 1, false, true);
    g.CopyToClipboard();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("2.1"));
}

TEST_F(StringGrid, Renders)
{
    Fill(4, 5);
    g.SetHeader({QString(), QStringLiteral("名前"), QStringLiteral("型"), QStringLiteral("NULL")});
    g.SetEditStyles(3, TqvGridEditStyle::geCheckBox);
    g.SetCells(3, 1, QStringLiteral("1"));
    g.SetCells(3, 2, QStringLiteral("2"));
    g.SetCells(3, 3, QString());
    g.SetEditStyles(2, TqvGridEditStyle::gePickList);
    g.resize(320, 160);
    g.show();
    g.MoveCurrent(2, 1, false, true);
    g.SetEditorMode(true);
    const QImage img = g.grab().toImage();
    const QString dir = qEnvironmentVariable("QORVEL_GRID_PNG_DIR");
    if (!dir.isEmpty())
        img.save(dir + QStringLiteral("/string_grid.png"));
    // the checked and unchecked glyphs differ
    const QRect a = g.CellRect(3, 1), b = g.CellRect(3, 3);
    EXPECT_NE(g.viewport()->grab(a).toImage(), g.viewport()->grab(b).toImage());
}

} // namespace
