// The result grids of the SQL window on the scripted session: what the user sees, types and
// copies in a result page.
#include "sql/sql_window.h"
#include "sql_window_fixture.h"

#include "app/options.h"
#include "connection/object_session.h"
#include "controls/frame/data_frame.h"
#include "controls/grid/data_grid.h"
#include "editor/view/editor.h"
#include "platform/db/query.h"
#include "platform/db/scripted_session.h"
#include "sql/sql_history.h"
#include "support/modal_helper.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qv;
using namespace qv::db;

namespace {

void typeKey(QWidget* w, Qt::Key key, const QString& text, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods, text);
    QApplication::sendEvent(w, &release);
    if (mods & Qt::ControlModifier) {
        QKeyEvent ctrl(QEvent::KeyRelease, Qt::Key_Control, Qt::NoModifier);
        QApplication::sendEvent(w, &ctrl);
    }
}

struct SqlWindowResult : qvtest::SqlWindowFixture {
    QStringList boxes;
    std::unique_ptr<TfrmSQL> w;
    TqvOption savedOption = qvOption;

    void SetUp() override
    {
        SqlWindowFixture::SetUp();
        qvOption.UpdateMode = true; // editing on, as after installation
        TfrmSQL::MessageHook = [this](QWidget*, const QString& text, int icon, const QString&, bool*) {
            boxes << QString::number(icon) + ":" + text;
        };
        w = std::make_unique<TfrmSQL>(&owner);
        w->resize(900, 600);
        w->show();
    }
    void TearDown() override
    {
        w.reset();
        qvOption = savedOption;
    }
    void run(const QString& sql)
    {
        w->txtSQL->Lines().Assign({sql});
        w->txtSQL->SetModified(true);
        w->actExecExecute();
        ASSERT_TRUE(boxes.isEmpty()) << boxes.join('\n').toStdString();
        ASSERT_TRUE(w->fraData->qryData->Active());
    }
};

} // namespace

TEST_F(SqlWindowResult, TypingIntoAReadOnlyCellDoesNothing)
{
    session->fixture().exact("select name from dbo.Customers").returns({column("name", "nvarchar(40)")}, {{"山田"}, {"佐藤"}});
    run("select name from dbo.Customers");
    ASSERT_FALSE(w->fraData->qryData->CanModify());
    TqvDataGrid* grid = w->fraData->grdData1;
    grid->setFocus();
    typeKey(grid, Qt::Key_A, QStringLiteral("a"));
    // The editor shows the value and refuses the letter; a second letter goes to the editor.
    ASSERT_TRUE(grid->InplaceEditor());
    EXPECT_TRUE(grid->InplaceEditor()->isReadOnly());
    EXPECT_EQ(grid->InplaceEditor()->text(), QStringLiteral("山田"));
    typeKey(QApplication::focusWidget() ? QApplication::focusWidget() : grid, Qt::Key_B, QStringLiteral("b"));
    EXPECT_EQ(grid->InplaceEditor()->text(), QStringLiteral("山田"));
    EXPECT_EQ(w->fraData->qryData->State(), dsBrowse);
    EXPECT_EQ(w->fraData->qryData->FieldByName("name")->AsString(), QStringLiteral("山田"));
}

TEST_F(SqlWindowResult, BinaryValuesShowCopyAndEditAsHexInBothGrids)
{
    QByteArray image;
    for (int i = 0; i < 300; ++i)
        image.append(char(i));
    const QByteArray png = QByteArray::fromHex("89504E47");
    session->fixture().exact("select * from dbo.Pictures")
        .returns({column("vb", "varbinary(8)"), column("bn", "binary(4)"), column("img", "image"), column("rv", "rowversion")},
                 {{png, png, image, QByteArray::fromHex("00000000000007D1")}});
    run("select * from dbo.Pictures");
    const QString imageHex = "0x" + QString::fromLatin1(image.toHex().toUpper());
    struct Case { int field; QString shown; QString copied; };
    const Case cases[] = {
        {0, "0x89504E47", "0x89504E47"},
        {1, "0x89504E47", "0x89504E47"},
        {2, imageHex.left(2 + 400), imageHex},   // a long value shows its first 200 bytes
        {3, "0x00000000000007D1", "0x00000000000007D1"},
    };
    TfraData* frame = w->fraData;
    for (bool perRow : {true, false}) {
        if (frame->GridType() != perRow)
            frame->btnGridTypeClick();
        TqvDataGrid* grid = perRow ? static_cast<TqvDataGrid*>(frame->grdData1) : frame->grdData2;
        ASSERT_TRUE(grid->isVisible());
        if (qEnvironmentVariableIsSet("QORVEL_RENDER_DIR")) {
            frame->resize(900, 260);   // the picture of the result page alone
            frame->grab().save(qEnvironmentVariable("QORVEL_RENDER_DIR") + (perRow ? "/binary_v.png" : "/binary_h.png"));
        }
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << (perRow ? "record per row, field " : "record per column, field ") << c.field);
            const int raw = c.field + grid->IndicatorOffset();
            EXPECT_EQ(perRow ? grid->CellText(raw, 1) : grid->CellText(1, raw), c.shown);
            grid->setFocus();
            typeKey(grid, Qt::Key_Home, QString());
            for (int i = 0; i < c.field; ++i)
                typeKey(grid, perRow ? Qt::Key_Right : Qt::Key_Down, QString());
            ASSERT_EQ(grid->CurrentFieldRaw(), raw);
            grid->SetEditorMode(true);
            ASSERT_TRUE(grid->InplaceEditor());
            EXPECT_EQ(grid->InplaceEditor()->text(), c.shown);
            grid->SetEditorMode(false);
            QApplication::clipboard()->clear();
            typeKey(grid, Qt::Key_C, QString(), Qt::ControlModifier);
            EXPECT_EQ(QApplication::clipboard()->text(), c.copied);
        }
    }
}
