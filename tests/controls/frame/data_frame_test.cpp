// The data frame over queries of the scripted session, owned by fake windows.
#include "app/options.h"
#include "app/textfiles.h"
#include "controls/frame/data_frame.h"
#include "controls/grid/data_grid.h"
#include "controls/string_editor.h"
#include "platform/db/connection.h"
#include "platform/db/fixture.h"
#include "platform/db/query.h"
#include "platform/db/scripted_session.h"
#include "support/test_env.h"
#include "editor/view/editor.h"
#include <QCheckBox>
#include <QPushButton>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace qv;
using namespace qv::db;

namespace {

class FakeOwner : public TfraDataOwner {
public:
    explicit FakeOwner(FrameOwnerKind k) : kind(k) {}
    FrameOwnerKind FrameOwnerType() const override { return kind; }
    FrameOwnerKind kind;
};

ColumnDesc tableColumn(const QString& name, const QString& type, bool nullable = true)
{
    ColumnDesc c = column(name, type, nullable);
    c.baseSchema = "dbo";
    c.baseTable = "T";
    c.baseColumn = name;
    return c;
}

struct FrameTest : ::testing::Test {
    std::shared_ptr<ScriptedSession> session = std::make_shared<ScriptedSession>();
    Connection conn;
    FakeOwner owner{FrameOwnerKind::Other};
    std::unique_ptr<TfraData> frame;
    QStringList messages;
    TqvOption savedOption = qvOption;

    void SetUp() override
    {
        qvOption.TempDir = qvtest::testHome() + "/work/";
        qvOption.AutoTran = false;
        qvOption.UpdateMode = false;
        conn.SetDriver(session);
        conn.Open();
        TfraData::MessageHook() = [this](const QString& text, TfraData::MessageKind) { messages << text; };
        TfraData::ConfirmHook() = [](const QString&) { return true; };
    }
    void TearDown() override
    {
        frame.reset();
        TfraData::MessageHook() = nullptr;
        TfraData::ConfirmHook() = nullptr;
        qvOption = savedOption;
    }
    void makeFrame(FrameOwnerKind kind)
    {
        owner.kind = kind;
        frame = std::make_unique<TfraData>(&owner);
        frame->resize(640, 300);
        frame->SetConnection(&conn);
    }
    void openFrame(const QString& sql)
    {
        frame->SetSQL(sql);
        frame->Prepare();
        frame->Open();
    }
    QString lastStatement() const { return session->statements().value(session->statements().size() - 1); }
};

} // namespace

TEST(DataFrameLogic, SortedStatement)
{
    struct Case { const char* sql; const char* sort; bool desc; const char* expected; };
    const Case cases[] = {
        {"select a, b from t ;; ", "2", false, "select a, b from t\r\n ORDER BY 2"},
        {"select a from t", "1", true, "select a from t\r\n ORDER BY 1 DESC"},
        {"select a from t;\r\n\t ", "1", false, "select a from t\r\n ORDER BY 1"},
        {"select a from t order by a", "1", false, "select a from t order by a"},
        {"select a from (select top 1 a from t Order By a) x", "1", false, "select a from (select top 1 a from t Order By a) x"},
        {"select 'order by' from t", "1", false, "select 'order by' from t"},
        {"select a from t order  by a", "1", false, "select a from t order  by a\r\n ORDER BY 1"},
        {"select a from t", "", false, "select a from t"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SortedStatement(c.sql, c.sort, c.desc), QString::fromUtf8(c.expected)) << c.sql;
}

TEST(DataFrameLogic, AggregateTextsAndCellTexts)
{
    EXPECT_EQ(AggregateStatement(AggregateKind::Sum, "x", "  select x from t ; "), "select sum([x]) from (select x from t\r\n) as dummy");
    EXPECT_EQ(AggregateStatement(AggregateKind::Count, "a]b", "select 1"), "select count([a]]b]) from (select 1\r\n) as dummy");
    EXPECT_EQ(AggregateStatement(AggregateKind::Min, "m", "q"), "select min([m]) from (q\r\n) as dummy");
    // a line comment at the end of the statement leaves the closing parenthesis alone
    EXPECT_EQ(AggregateStatement(AggregateKind::Max, "m", "select m from t -- newest"),
              "select max([m]) from (select m from t -- newest\r\n) as dummy");
    EXPECT_EQ(AggregateMessage(AggregateKind::Average, "x", "2.5"), QStringLiteral("[x]列の平均 = 2.5"));
    EXPECT_EQ(NumberCellText(".5"), "0.5");
    EXPECT_EQ(NumberCellText("-.5"), "-.5");
    EXPECT_EQ(CalendarStartText("2024-01-31 10:20:30.123"), "2024/01/31 10:20:30");
    // the milliseconds survive a date change
    EXPECT_EQ(CalendarCellText("2024-01-31 10:20:30.123", QDateTime(QDate(2024, 2, 1), QTime(10, 20, 30)), "yyyy/MM/dd", "HH:mm:ss"),
              "2024/02/01 10:20:30.123");
    EXPECT_EQ(CalendarCellText("", QDateTime(QDate(2024, 2, 1), QTime(0, 0)), "yyyy/MM/dd", "HH:mm:ss"), "2024/02/01 00:00:00");
}

TEST_F(FrameTest, TitleClicksSortAscendingDescendingAndLeaveOrderByAlone)
{
    makeFrame(FrameOwnerKind::Other);
    session->fixture().pattern("select a, b from t.*").returns({column("a", "int"), column("b", "nvarchar(10)")}, {{1, "x"}, {2, "y"}});
    session->fixture().pattern("select a from t order by a.*").returns({column("a", "int")}, {{1}});
    openFrame("select a, b from t ;; ");
    EXPECT_EQ(lastStatement(), "select a, b from t ;;"); // unsorted: as written

    frame->TitleClick(1);
    EXPECT_EQ(lastStatement(), "select a, b from t\n ORDER BY 2");
    frame->TitleClick(1);
    EXPECT_EQ(lastStatement(), "select a, b from t\n ORDER BY 2 DESC");
    frame->TitleClick(1);
    EXPECT_EQ(lastStatement(), "select a, b from t\n ORDER BY 2");
    EXPECT_EQ(frame->Sort(), "2");

    frame->SetSQL("select a from t order by a");
    EXPECT_TRUE(frame->Sort().isEmpty());
    frame->Prepare();
    frame->Open();
    frame->TitleClick(0);
    EXPECT_EQ(lastStatement(), "select a from t order by a");
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(FrameTest, FailedSortWarnsAndReopensUnsorted)
{
    makeFrame(FrameOwnerKind::Other);
    session->fixture().exact("select n from t\n ORDER BY 1").fails("The text data type cannot be sorted");
    session->fixture().exact("select n from t").returns({column("n", "ntext")}, {{"a"}});
    openFrame("select n from t");
    frame->TitleClick(0);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("ORDER BY 句では使用できません"));
    EXPECT_TRUE(frame->Sort().isEmpty());
    EXPECT_TRUE(frame->qryData->Active());
    EXPECT_EQ(lastStatement(), "select n from t");
}

TEST_F(FrameTest, ColumnWidthsPerTableFile)
{
    makeFrame(FrameOwnerKind::TableWindow);
    frame->SetDBName("S.D");
    frame->SetTableName("dbo.T");
    const QString file = qvOption.TempDir + "S.D.dbo.T.ini";
    QFile::remove(file);
    QDir().mkpath(qvOption.TempDir);
    {
        IniTextFile ini(file);
        ini.writeString("COLWIDTH_V", "a", "0");   // ignored
        ini.writeString("COLWIDTH_V", "B", "500"); // keys ignore case; above the limit but used
        ini.writeString("COLWIDTH_H", "(ALL)", "77");
        ini.updateFile();
    }
    session->fixture().exact("select a, b from T").returns({tableColumn("a", "int"), tableColumn("b", "nvarchar(200)")}, {{1, "x"}});
    openFrame("select a, b from T");
    TDBGridColumns* cols = frame->grdData1->Columns();
    ASSERT_EQ(cols->Count(), 2);
    EXPECT_EQ(cols->Items(1)->Width(), 500);
    EXPECT_GT(cols->Items(0)->Width(), 0);
    EXPECT_LT(cols->Items(0)->Width(), 500);
    EXPECT_EQ(frame->grdData2->DefaultColWidth(), 77);

    cols->Items(0)->SetWidth(123);
    frame->qryData->Close();
    IniTextFile after(file);
    EXPECT_EQ(after.readString("COLWIDTH_V", "a"), "123");
    EXPECT_EQ(after.readString("COLWIDTH_V", "b"), "500");
    EXPECT_EQ(after.readString("COLWIDTH_H", "(ALL)"), "77");
}

TEST_F(FrameTest, NoWidthFileForOtherOwnersOrWideResults)
{
    makeFrame(FrameOwnerKind::SQLWindow);
    frame->SetDBName("S.D");
    frame->SetTableName("dbo.W");
    session->fixture().exact("select 1 as a").returns({column("a", "int")}, {{1}});
    openFrame("select 1 as a");
    frame->qryData->Close();
    EXPECT_FALSE(QFile::exists(qvOption.TempDir + "S.D.dbo.W.ini"));

    makeFrame(FrameOwnerKind::TableWindow);
    frame->SetDBName("S.D");
    frame->SetTableName("dbo.Wide");
    std::vector<ColumnDesc> cols;
    QVariantList row;
    QStringList names;
    for (int i = 0; i < 120; ++i) {
        cols.push_back(tableColumn(QString("c%1").arg(i), "int"));
        row << i;
        names << QString("c%1").arg(i);
    }
    session->fixture().exact("select wide").returns(cols, {row});
    openFrame("select wide");
    frame->qryData->Close();
    EXPECT_FALSE(QFile::exists(qvOption.TempDir + "S.D.dbo.Wide.ini"));
}

TEST_F(FrameTest, AggregatesSendOneStatementEach)
{
    makeFrame(FrameOwnerKind::Other);
    session->fixture().exact("select x, y from t;").returns({column("x", "int"), column("y", "int")}, {{1, QVariant()}, {2, QVariant()}});
    session->fixture().exact("select sum([x]) from (select x, y from t\n) as dummy").returns({column("", "int")}, {{3}});
    session->fixture().exact("select sum([y]) from (select x, y from t\n) as dummy").returns({column("", "int")}, {{QVariant()}});
    session->fixture().exact("select count([y]) from (select x, y from t\n) as dummy").returns({column("", "int")}, {{0}});
    openFrame("select x, y from t;");
    session->clearRecord();

    frame->SelectedIndex = 0;
    frame->Aggregate(AggregateKind::Sum);
    EXPECT_EQ(session->statements(), QStringList{"select sum([x]) from (select x, y from t\n) as dummy"});
    frame->SelectedIndex = 1;
    frame->Aggregate(AggregateKind::Sum);
    frame->Aggregate(AggregateKind::Count);
    frame->Aggregate(AggregateKind::Max); // no answer: the query cannot be opened
    EXPECT_EQ(messages, (QStringList{QStringLiteral("[x]列の合計 = 3"), QStringLiteral("レコードがありません"),
                                     QStringLiteral("[y]列の件数 = 0"), QStringLiteral("集計情報を求めることができません。")}));
}

TEST_F(FrameTest, EditingPostsOneUpdateAndFollowsAutoTran)
{
    session->fixture().keys.insert("dbo.t", {"a"});
    session->fixture().exact("select a, b from T").returns({tableColumn("a", "int", false), tableColumn("b", "nvarchar(10)")}, {{1, "x"}, {2, "y"}});
    session->fixture().pattern("UPDATE .*").affects(1);
    qvOption.UpdateMode = true;
    makeFrame(FrameOwnerKind::TableWindow);
    EXPECT_TRUE(frame->btnUpdate->isChecked());

    // AutoTran off: an open transaction is committed after the post.
    openFrame("select a, b from T");
    ASSERT_TRUE(frame->qryData->CanModify());
    EXPECT_TRUE(frame->btnIns->isEnabled());
    conn.StartTransaction();
    session->clearRecord();
    frame->qryData->Edit();
    frame->qryData->Fields()[1]->SetAsString("z");
    frame->qryData->Post();
    QStringList updates;
    for (const QString& s : session->statements())
        if (s.startsWith("UPDATE"))
            updates << s;
    EXPECT_EQ(updates.size(), 1);
    EXPECT_TRUE(session->events().contains("Commit"));
    EXPECT_FALSE(conn.InTransaction());

    // AutoTran on: a transaction starts at open and again after a post when none is active.
    qvOption.AutoTran = true;
    session->clearRecord();
    frame->Prepare();
    frame->Open();
    EXPECT_TRUE(conn.InTransaction());
    EXPECT_TRUE(session->events().contains("StartTransaction"));
    conn.Commit();
    frame->qryData->Edit();
    frame->qryData->Fields()[1]->SetAsString("w");
    frame->qryData->Post();
    EXPECT_TRUE(conn.InTransaction());
    conn.Rollback();
}

TEST_F(FrameTest, EditSwitchOnReadOnlyResultWarnsAndRaisesButton)
{
    makeFrame(FrameOwnerKind::SQLWindow);
    session->fixture().exact("select 1 as a").returns({column("a", "int")}, {{1}});
    openFrame("select 1 as a");
    EXPECT_FALSE(frame->btnIns->isEnabled());
    frame->btnUpdate->setChecked(true);
    frame->btnUpdateClick();
    EXPECT_EQ(messages, QStringList{QStringLiteral("この結果セットには書き込み出来ません。")});
    EXPECT_FALSE(frame->btnUpdate->isChecked());
    EXPECT_TRUE(frame->qryData->Active());
}

TEST_F(FrameTest, PrimaryKeptOnlyOnTableWindows)
{
    makeFrame(FrameOwnerKind::ViewWindow);
    frame->SetPrimary({"a"});
    EXPECT_TRUE(frame->Primary().isEmpty());
    makeFrame(FrameOwnerKind::TableWindow);
    frame->SetPrimary({"a"});
    EXPECT_EQ(frame->Primary(), QStringList{"a"});
    session->fixture().exact("select a, b from T").returns({tableColumn("a", "int"), tableColumn("b", "int")}, {{1, 2}});
    openFrame("select a, b from T");
    EXPECT_EQ(frame->grdData1->Columns()->Items(0)->Title()->Color(), QColor(255, 245, 135));
    EXPECT_NE(frame->grdData1->Columns()->Items(1)->Title()->Color(), QColor(255, 245, 135));
}

TEST_F(FrameTest, DeleteMultiSelectedRecordsAndReopen)
{
    session->fixture().keys.insert("dbo.t", {"a"});
    session->fixture().exact("select a from T").returns({tableColumn("a", "int", false)}, {{1}, {2}, {3}, {4}, {5}});
    session->fixture().pattern("DELETE .*").affects(1);
    qvOption.UpdateMode = true;
    makeFrame(FrameOwnerKind::TableWindow);
    openFrame("select a from T");
    TBookmarkList* marks = frame->grdData1->SelectedRows();
    for (int rec : {1, 3, 4}) {
        frame->qryData->SetRecNo(rec);
        marks->SetCurrentRowSelected(true);
    }
    session->clearRecord();
    frame->btnDelClick();
    QStringList deletes;
    for (const auto& r : session->recorded())
        if (r.sql.startsWith("DELETE"))
            deletes << r.values.value(0).toString();
    deletes.sort();
    EXPECT_EQ(deletes, (QStringList{"1", "3", "4"}));
    EXPECT_EQ(session->statements().last(), "select a from T"); // reopened

    // nothing selected: only the current record goes
    session->clearRecord();
    frame->qryData->First();
    frame->btnDelClick();
    int n = 0;
    for (const auto& r : session->recorded())
        n += r.sql.startsWith("DELETE");
    EXPECT_EQ(n, 1);
}

TEST_F(FrameTest, CellEditorWritesBackOnlyWhenEditable)
{
    session->fixture().keys.insert("dbo.t", {"a"});
    session->fixture().exact("select a, b from T").returns({tableColumn("a", "int", false), tableColumn("b", "nvarchar(max)")}, {{1, "long"}});
    session->fixture().pattern("UPDATE .*").affects(1);
    makeFrame(FrameOwnerKind::TableWindow);
    openFrame("select a, b from T"); // read-only: editing is off
    frame->grdData1->SetSelectedIndex(1);
    bool okEnabled = true;
    TfrmMemo::ExecHook() = [&](TfrmMemo* dlg) {
        okEnabled = dlg->btnOk->isEnabled();
        dlg->txtComment->setFocus();
        dlg->chkNull->setChecked(true);
        return int(QDialog::Accepted);
    };
    frame->CellEditor();
    EXPECT_FALSE(okEnabled);
    EXPECT_EQ(frame->qryData->State(), dsBrowse);

    frame->btnUpdate->setChecked(true);
    frame->btnUpdateClick();
    frame->grdData1->SetSelectedIndex(1);
    frame->CellEditor();
    EXPECT_TRUE(okEnabled);
    EXPECT_TRUE(frame->qryData->Fields()[1]->IsNull());
    TfrmMemo::ExecHook() = nullptr;

    // A title click swallows the double click that follows it.
    int opened = 0;
    TfrmMemo::ExecHook() = [&](TfrmMemo*) { ++opened; return int(QDialog::Rejected); };
    frame->TitleClick(0);
    frame->DoubleClick();
    EXPECT_EQ(opened, 0);
    frame->grdData1->SetSelectedIndex(1);
    frame->DoubleClick();
    EXPECT_EQ(opened, 1);
    TfrmMemo::ExecHook() = nullptr;
}

TEST_F(FrameTest, PopupMenusByPointerPositionAndNoneOnGenerator)
{
    makeFrame(FrameOwnerKind::Other);
    EXPECT_EQ(frame->PopupMenuAt(true, {5, 40}), frame->popRecord);
    EXPECT_EQ(frame->PopupMenuAt(true, {10, 40}), frame->popRecord);
    EXPECT_EQ(frame->PopupMenuAt(true, {11, 40}), nullptr);
    EXPECT_EQ(frame->PopupMenuAt(true, {50, 17}), frame->popColumn);
    EXPECT_EQ(frame->PopupMenuAt(true, {50, 18}), nullptr);
    EXPECT_EQ(frame->PopupMenuAt(false, {200, 17}), frame->popRecord);
    const int w0 = frame->grdData2->GetColWidth(0);
    EXPECT_EQ(frame->PopupMenuAt(false, {w0, 40}), frame->popColumn);
    EXPECT_EQ(frame->PopupMenuAt(false, {w0 + 1, 40}), nullptr);

    makeFrame(FrameOwnerKind::DataGenerator);
    frame->SetButtonVisible(frame->btnUpdate, false);
    EXPECT_EQ(frame->PopupMenuAt(true, {5, 40}), nullptr);
    session->fixture().exact("select b").returns({column("b", "nvarchar(10)")}, {{"v"}});
    openFrame("select b");
    int opened = 0;
    TfrmMemo::ExecHook() = [&](TfrmMemo*) { ++opened; return int(QDialog::Rejected); };
    frame->CellEditor();
    EXPECT_EQ(opened, 0);
    TfrmMemo::ExecHook() = nullptr;
}

TEST_F(FrameTest, ButtonsFollowTheQueryAndRender)
{
    makeFrame(FrameOwnerKind::TableWindow);
    for (QToolButton* b : {frame->btnExcel, frame->btnCopy, frame->btnFirst, frame->btnIns})
        EXPECT_FALSE(b->isEnabled());
    EXPECT_TRUE(frame->GridType());
    EXPECT_TRUE(frame->grdData1->isVisibleTo(frame.get()));
    frame->SetPrimary({"id"});
    session->fixture().exact("select * from T").returns(
        {tableColumn("id", "int"), tableColumn("name", "nvarchar(20)"), tableColumn("price", "decimal(10,2)"),
         tableColumn("memo", "nvarchar(max)"), tableColumn("at", "datetime")},
        {{1, QStringLiteral("りんご"), ".50", "long text", "2024-01-31 10:20:30.123"},
         {2, QStringLiteral("みかん"), "1200.00", QVariant(), QVariant()},
         {3, "grape", "-.25", "x", "2024-02-01 00:00:00"}});
    openFrame("select * from T");
    EXPECT_TRUE(frame->btnExcel->isEnabled());
    EXPECT_EQ(frame->grdData1->Columns()->Items(1)->ButtonStyle(), TColumnButtonStyle::cbsEllipsis);
    EXPECT_EQ(frame->grdData1->Columns()->Items(4)->ButtonStyle(), TColumnButtonStyle::cbsEllipsis);
    EXPECT_EQ(frame->grdData1->Columns()->Items(0)->ButtonStyle(), TColumnButtonStyle::cbsNone);
    frame->show();
    const QImage v = frame->grab().toImage();
    frame->btnGridTypeClick();
    EXPECT_FALSE(frame->GridType());
    EXPECT_TRUE(frame->grdData2->isVisibleTo(frame.get()));
    const QImage h = frame->grab().toImage();
    if (!qEnvironmentVariableIsEmpty("QORVEL_FRAME_PNG_DIR")) {
        v.save(qEnvironmentVariable("QORVEL_FRAME_PNG_DIR") + "/frame_v.png");
        h.save(qEnvironmentVariable("QORVEL_FRAME_PNG_DIR") + "/frame_h.png");
    }
    frame->qryData->Close();
    EXPECT_FALSE(frame->btnExcel->isEnabled());
}

TEST_F(FrameTest, ShortFrameScrollsTheButtonsBesideTheirScrollBar)
{
    makeFrame(FrameOwnerKind::TableWindow);
    frame->resize(500, 400);
    frame->show();
    QCoreApplication::processEvents();
    const int tall = frame->scrButton->width();
    EXPECT_GE(tall, frame->tolLeft->sizeHint().width());
    frame->resize(500, 120); // lower than the button column
    QCoreApplication::processEvents();
    QScrollBar* bar = frame->scrButton->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    EXPECT_GE(frame->scrButton->viewport()->width(), frame->tolLeft->sizeHint().width()); // buttons not cut
    frame->resize(500, 400);
    QCoreApplication::processEvents();
    EXPECT_EQ(frame->scrButton->width(), tall);
}

TEST_F(FrameTest, CtrlZeroSetsNullOnlyWhileEditing)
{
    session->fixture().keys.insert("dbo.t", {"a"});
    session->fixture().exact("select a, b from T").returns({tableColumn("a", "int", false), tableColumn("b", "nvarchar(10)")}, {{1, "x"}});
    session->fixture().pattern("UPDATE .*").affects(1);
    makeFrame(FrameOwnerKind::TableWindow);
    openFrame("select a, b from T");
    frame->grdData1->SetSelectedIndex(1);
    QKeyEvent ctrl0(QEvent::KeyPress, Qt::Key_0, Qt::ControlModifier, "0");
    frame->grdData1->OnKeyDown(&ctrl0);
    EXPECT_EQ(frame->qryData->State(), dsBrowse);
    EXPECT_FALSE(frame->qryData->Fields()[1]->IsNull());

    frame->btnUpdate->setChecked(true);
    frame->btnUpdateClick();
    frame->grdData1->SetSelectedIndex(1);
    QKeyEvent keypad0(QEvent::KeyPress, Qt::Key_0, Qt::ControlModifier | Qt::KeypadModifier, "0");
    frame->grdData1->OnKeyDown(&keypad0);
    EXPECT_EQ(frame->qryData->State(), dsEdit);
    EXPECT_TRUE(frame->qryData->Fields()[1]->IsNull());
}

TEST_F(FrameTest, StripesNullTextAndShowModes)
{
    qvOption.AddStripe = true;
    qvOption.ShowNull = true;
    qvOption.DataShowMode = 2;
    makeFrame(FrameOwnerKind::Other);
    session->fixture().exact("select v").returns({column("v", "nvarchar(10)")}, {{"a"}, {"b"}, {QVariant()}});
    openFrame("select v");
    frame->show();
    QImage img = frame->grab().toImage();
    // the third record is striped, the second is not (the first holds the focused cell)
    const QRect c1 = frame->grdData1->GetCellRect(1, 3), c2 = frame->grdData1->GetCellRect(1, 2);
    const QPoint off = frame->grdData1->viewport()->mapTo(frame.get(), QPoint(0, 0));
    EXPECT_EQ(img.pixelColor(off + QPoint(c1.right() - 3, c1.center().y())), QColor(249, 244, 255));
    EXPECT_NE(img.pixelColor(off + QPoint(c2.right() - 3, c2.center().y())), QColor(249, 244, 255));

    // "(NULL)" in blue: at the left in grdData1, at the right in grdData2 with mode 2.
    auto bluePixels = [&](const QImage& im, const QRect& cell, bool leftHalf) {
        int n = 0;
        const int x0 = leftHalf ? cell.left() : cell.right() - 12, x1 = leftHalf ? cell.left() + 12 : cell.right();
        for (int x = x0; x < x1; ++x)
            for (int y = cell.top(); y <= cell.bottom(); ++y) {
                const QColor c = im.pixelColor(x, y);
                n += c.blue() > 150 && c.red() < 100 && c.green() < 100;
            }
        return n;
    };
    const QRect n1 = frame->grdData1->GetCellRect(1, 3).translated(off);
    EXPECT_GT(bluePixels(img, n1, true), 0);
    EXPECT_EQ(bluePixels(img, n1, false), 0);
    frame->btnGridTypeClick();
    img = frame->grab().toImage();
    const QPoint off2 = frame->grdData2->viewport()->mapTo(frame.get(), QPoint(0, 0));
    const QRect n2 = frame->grdData2->GetCellRect(3, 1).translated(off2);
    EXPECT_EQ(bluePixels(img, n2, true), 0);
    EXPECT_GT(bluePixels(img, n2, false), 0);
}

TEST_F(FrameTest, CalendarKeepsTheFractionOfSeconds)
{
    session->fixture().keys.insert("dbo.t", {"a"});
    session->fixture().exact("select a, at from T").returns({tableColumn("a", "int", false), tableColumn("at", "datetime2(3)")},
                                                             {{1, "2024-01-31 10:20:30.123"}});
    session->fixture().pattern("UPDATE .*").affects(1);
    qvOption.UpdateMode = true;
    qvOption.DateFormat = "yyyy/MM/dd";
    qvOption.TimeFormat = "HH:mm:ss";
    makeFrame(FrameOwnerKind::TableWindow);
    openFrame("select a, at from T");
    frame->show();
    frame->grdData1->SetSelectedIndex(1);
    frame->CellEditor();
    ASSERT_TRUE(frame->dtpInputDate->isVisible());
    if (!qEnvironmentVariableIsEmpty("QORVEL_FRAME_PNG_DIR"))
        frame->grab().save(qEnvironmentVariable("QORVEL_FRAME_PNG_DIR") + "/frame_calendar.png");
    EXPECT_EQ(frame->dtpInputDate->displayFormat(), "yyyy/MM/dd HH:mm:ss");
    EXPECT_EQ(frame->dtpInputDate->dateTime(), QDateTime(QDate(2024, 1, 31), QTime(10, 20, 30)));
    frame->dtpInputDate->setDate(QDate(2024, 2, 1));
    EXPECT_EQ(frame->qryData->State(), dsEdit);
    const QDateTime v = frame->qryData->Fields()[1]->AsDateTime();
    EXPECT_EQ(v, QDateTime(QDate(2024, 2, 1), QTime(10, 20, 30, 123)));
    frame->dtpInputDateCloseUp();
    EXPECT_FALSE(frame->dtpInputDate->isVisible());
}
