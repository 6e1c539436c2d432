// The SQL window's editor as a user drives it: search, box selection with Alt held, the strip
// under the ruler and the input-method composition.
#include "sql/sql_window.h"
#include "sql_window_fixture.h"

#include "app/options.h"
#include "connection/object_session.h"
#include "editor/sqlmemo/qvmemo.h"
#include "platform/db/scripted_session.h"
#include "sql/memo_frame.h"
#include "sql/sql_history.h"

#include <QApplication>
#include <QImage>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qv;
using namespace qv::db;

namespace {

struct SqlWindowEditor : qvtest::SqlWindowFixture {
    std::unique_ptr<TfrmSQL> w;
    TqvMemo* memo = nullptr;
    QStringList messages;

    void SetUp() override
    {
        SqlWindowFixture::SetUp();
        w = std::make_unique<TfrmSQL>(&owner);
        memo = w->fraMemo->txtSQL;
        TqvMemo::MessageHook = [this](QWidget*, const QString& text) { messages << text; };
    }
    void TearDown() override { TqvMemo::MessageHook = nullptr; }

    void ShowFocused()
    {
        w->resize(700, 500);
        w->show();
        QApplication::setActiveWindow(w.get());
        memo->setFocus();
        QApplication::processEvents();
    }
    // Whole-word find-next of NAME from a caret position; the row where it was found or -1.
    int FindName(int row, int col, TSearchOptions options = sfrDown | sfrWholeWord)
    {
        memo->CleanSelection();
        memo->SetRowCol(row, col);
        memo->SetSearchValue(QStringLiteral("NAME"));
        memo->SetSearchOptions(options);
        const int r = (options & sfrDown) ? memo->NextSearch() : memo->PrevSearch();
        return r == 6 ? memo->Row() : -1;
    }
    QPoint CellPoint(int row, int col) const
    {
        return QPoint(memo->LeftMargin() + col * memo->ColWidth() - memo->LeftScrollWidth(),
                      memo->TopMargin() + row * memo->RowHeight() + memo->FontHeight() / 2);
    }
    void Drag(QPoint from, QPoint to, Qt::KeyboardModifiers mods)
    {
        QWidget* vp = memo->viewport();
        QMouseEvent press(QEvent::MouseButtonPress, from, vp->mapToGlobal(from), Qt::LeftButton, Qt::LeftButton, mods);
        QApplication::sendEvent(vp, &press);
        QMouseEvent move(QEvent::MouseMove, to, vp->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, mods);
        QApplication::sendEvent(vp, &move);
        QMouseEvent release(QEvent::MouseButtonRelease, to, vp->mapToGlobal(to), Qt::LeftButton, Qt::NoButton, mods);
        QApplication::sendEvent(vp, &release);
    }
    void Alt(QEvent::Type t)
    {
        QKeyEvent k(t, Qt::Key_Alt, t == QEvent::KeyPress ? Qt::AltModifier : Qt::NoModifier);
        QApplication::sendEvent(memo, &k);
    }
    // The editor's viewport painted over a known background.
    QImage Render(const QColor& background = QColor(255, 0, 255))
    {
        QWidget* vp = memo->viewport();
        QImage img(vp->size(), QImage::Format_RGB32);
        img.fill(background);
        vp->render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
        return img;
    }
    static void Save(const QImage& img, const char* name)
    {
        if (qEnvironmentVariableIsSet("QORVEL_RENDER_DIR"))
            img.save(qEnvironmentVariable("QORVEL_RENDER_DIR") + "/" + name);
    }
};

} // namespace

TEST_F(SqlWindowEditor, WholeWordSearchSeesTheWholeWrappedLine)
{
    memo->SetWordWrap(true);
    memo->WrapOption().SetWrapByte(20);
    const QString x = QStringLiteral("X");
    struct Case {
        const char* what;
        QString text;
        int row, col;
        TSearchOptions options;
        int want; // row of the hit, -1 for none
    } cases[] = {
        // The block that the search hands on starts at the wrapped row that holds NAME.
        {"block starts inside the word", x.repeated(8180) + "NAME" + QStringLiteral(" end").repeated(20), 0, 0,
         sfrDown | sfrWholeWord, -1},
        // The first block ends after NAME, the line goes on with X.
        {"block ends inside the word", x.repeated(8195) + " NAMEXXXX end", 0, 0, sfrDown | sfrWholeWord, -1},
        {"caret at a wrapped row start", x.repeated(20) + "NAME", 1, 0, sfrDown | sfrWholeWord, -1},
        // Backwards from the last row: the second block ends with the row that ends with NAME.
        {"backwards, block ends inside the word", x.repeated(1815) + " NAME" + x.repeated(8180), 500, 8, sfrWholeWord,
         -1},
        {"blank at the end of the row above", x.repeated(19) + " NAME", 1, 0, sfrDown | sfrWholeWord, 1},
        {"without whole word", x.repeated(20) + "NAME", 0, 0, sfrDown, 1},
    };
    for (const Case& c : cases) {
        memo->Lines().SetTextStr(QStringLiteral("select 1\r\n") + c.text + QStringLiteral("\r\nselect 2"));
        EXPECT_EQ(FindName(c.row + 1, c.col, c.options), c.want < 0 ? -1 : c.want + 1) << c.what;
    }
}

TEST_F(SqlWindowEditor, CaseIsFoldedOneCharacterAtATime)
{
    memo->Lines().SetTextStr(QStringLiteral("select * from t where city = N'Straße'"));
    struct Case {
        const char16_t* value;
        TSearchOptions options;
        bool found;
    } cases[] = {
        {u"straße", sfrDown, true},
        {u"STRASSE", sfrDown, false},
        {u"strasse", sfrDown, false},
        {u"Straße", sfrDown | sfrMatchCase, true},
        {u"straße", sfrDown | sfrMatchCase, false},
    };
    for (const Case& c : cases) {
        const QString value = QString::fromUtf16(c.value);
        memo->CleanSelection();
        memo->SetRowCol(0, 0);
        memo->SetSearchValue(value);
        memo->SetSearchOptions(c.options);
        EXPECT_EQ(memo->NextSearch() == 6, c.found) << value.toStdString();
        if (c.found) {
            EXPECT_EQ(memo->SelText().toUpper(), value.toUpper()) << value.toStdString();
        }
    }
}

TEST_F(SqlWindowEditor, AltDragSelectsABoxThatTakesWideCharactersByTheirFirstColumn)
{
    ShowFocused();
    ASSERT_TRUE(memo->hasFocus());
    const QString text = QStringLiteral("abcdef\r\ng漢hij\r\nklmnop");
    memo->Lines().SetTextStr(text);
    // 漢 takes columns 1 and 2 of the middle row.
    struct Case {
        int fromCol, toCol;
        QString selected, remaining;
    } cases[] = {
        // Across the left edge: left out; across the right edge: taken in.
        {2, 4, QStringLiteral("cd\r\nh\r\nmn\r\n"), QStringLiteral("abef\r\ng漢ij\r\nklop")},
        {0, 2, QStringLiteral("ab\r\ng漢\r\nkl\r\n"), QStringLiteral("cdef\r\nhij\r\nmnop")},
    };
    for (const Case& c : cases) {
        Alt(QEvent::KeyPress);
        Drag(CellPoint(0, c.fromCol), CellPoint(2, c.toCol), Qt::AltModifier);
        Alt(QEvent::KeyRelease);
        EXPECT_FALSE(memo->KeyDownAltKey);
        ASSERT_EQ(memo->SelectionMode(), smBox);
        EXPECT_EQ(memo->SelText(), c.selected);
        EXPECT_EQ(memo->SelLength(), int(c.selected.size()));
        memo->DeleteSelection();
        EXPECT_EQ(memo->Lines().GetTextStr(), c.remaining);
        memo->Undo();
        EXPECT_EQ(memo->Lines().GetTextStr(), text);
    }
    // Without Alt the same drag selects a stream.
    Drag(CellPoint(0, 2), CellPoint(1, 4), Qt::NoModifier);
    EXPECT_EQ(memo->SelectionMode(), smLine);
    EXPECT_EQ(memo->SelText(), QStringLiteral("cdef\r\ng漢h"));
}

TEST_F(SqlWindowEditor, StripBetweenRulerAndFirstRowIsPainted)
{
    w->resize(700, 500);
    w->show();
    QApplication::processEvents();
    memo->Ruler().SetVisible(true);
    memo->Margin().SetTop(6);
    memo->Lines().SetTextStr(QStringLiteral("select 1"));
    const QImage img = Render();
    Save(img, "sql_editor_top_strip.png");
    const QColor base = memo->viewport()->palette().color(QPalette::Base);
    const int top = memo->RulerHeight(), bottom = memo->TopMargin();
    ASSERT_EQ(bottom - top, 6);
    int leftovers = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = memo->LeftMargin(); x < img.width(); ++x)
            leftovers += QColor(img.pixel(x, y)) != base;
    EXPECT_EQ(leftovers, 0);
}

TEST_F(SqlWindowEditor, CompositionPushesTheFollowingCharactersRight)
{
    w->resize(700, 500);
    w->show();
    QApplication::processEvents();
    const int fw = memo->ColWidth();
    // Columns 4 to 9 (the characters after the composition) as painted.
    auto tail = [&](const QImage& img) {
        return img.copy(memo->LeftMargin() + 4 * fw, memo->TopMargin(), 6 * fw, memo->FontHeight());
    };
    memo->Lines().SetTextStr(QStringLiteral("abXYcdef"));
    memo->SetRowCol(0, 2);
    const QImage want = Render();

    memo->Lines().SetTextStr(QStringLiteral("abcdef"));
    memo->SetRowCol(0, 2);
    QInputMethodEvent compose(QStringLiteral("XY"), {{QInputMethodEvent::Cursor, 0, 1, QVariant()}});
    QApplication::sendEvent(memo, &compose);
    const QImage got = Render();
    Save(got, "sql_editor_preedit.png");
    EXPECT_EQ(memo->Lines().GetTextStr(), QStringLiteral("abcdef")); // nothing typed yet
    EXPECT_EQ(tail(got), tail(want));

    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("XY"));
    QApplication::sendEvent(memo, &commit);
    EXPECT_EQ(memo->Lines().GetTextStr(), QStringLiteral("abXYcdef"));
}
