// The edit commands of the main window reach the focused control: data grid, string grid,
// SQL editor, line edit; their enabled states follow read-only controls.
#include "app/editor_commands.h"
#include "app/main_window.h"
#include "controls/grid/data_grid.h"
#include "controls/grid/grid_data_helper.h"
#include "editor/sqlmemo/qvmemo.h"
#include "support/modal_helper.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace qv;

namespace {

struct EditRouting : ::testing::Test {
    TfrmMain main;
    QWidget* page = new QWidget;
    std::unique_ptr<qvtest::TestData> ds = qvtest::MakeDataSet(5, 3);
    TqvDBGridV* grid = new TqvDBGridV;
    TqvMemo* memo = new TqvMemo;
    QLineEdit* edit = new QLineEdit;

    void SetUp() override
    {
        auto* l = new QVBoxLayout(page);
        l->addWidget(grid);
        l->addWidget(memo);
        l->addWidget(edit);
        grid->SetDataSource(&ds->src);
        ds->Open();
        memo->SetLines({"select a", "from t"});
        page->resize(600, 500);
        main.AddChildWindow(page);
        main.resize(900, 700);
        main.show();
        QApplication::processEvents();
    }
    void Focus(QWidget* w)
    {
        main.activateWindow();
        w->setFocus();
        QApplication::processEvents();
        ASSERT_EQ(QApplication::focusWidget(), w);
    }
    void Run(const char* name)
    {
        QAction* a = main.action(name);
        ASSERT_TRUE(a->isEnabled()) << name;
        a->trigger();
    }
};

} // namespace

TEST_F(EditRouting, CopyAndSelectAllActOnTheFocusedGridOrEditor)
{
    Focus(grid);
    Run("actEditSelectAll");
    EXPECT_EQ(grid->SelectedRows()->Count(), 5);
    QApplication::clipboard()->clear();
    Run("actEditCopy");
    const QString copied = QApplication::clipboard()->text();
    EXPECT_TRUE(copied.startsWith("r1c1\tr1c2\tr1c3")) << copied.toStdString();
    EXPECT_TRUE(copied.contains("r5c3"));
    EXPECT_FALSE(memo->Selected());

    Focus(memo);
    Run("actEditSelectAll");
    EXPECT_TRUE(memo->Selected());
    EXPECT_EQ(memo->SelText(), "select a\r\nfrom t\r\n");
    Run("actEditCopy");
    EXPECT_EQ(QApplication::clipboard()->text(), "select a\r\nfrom t\r\n");
    EXPECT_EQ(grid->SelectedRows()->Count(), 5); // the grid kept its selection
}

TEST_F(EditRouting, CutAndPasteFollowReadOnlyControls)
{
    QApplication::clipboard()->setText("x");
    struct Case {
        QWidget* w;
        std::function<void(bool)> setReadOnly;
    } cases[] = {
        {memo, [this](bool ro) { memo->SetReadOnly(ro); }},
        {edit, [this](bool ro) { edit->setReadOnly(ro); }},
        {grid, [this](bool ro) { grid->SetReadOnly(ro); }},
    };
    for (const Case& c : cases) {
        for (bool ro : {true, false}) {
            c.setReadOnly(ro);
            Focus(c.w);
            main.EditorStateChanged();
            QApplication::processEvents();
            // Moving the focus away and back recomputes the states.
            Focus(edit == c.w ? static_cast<QWidget*>(memo) : edit);
            Focus(c.w);
            EXPECT_EQ(main.action("actEditCut")->isEnabled(), !ro) << c.w->metaObject()->className() << ro;
            EXPECT_EQ(main.action("actEditPaste")->isEnabled(), !ro) << c.w->metaObject()->className() << ro;
            EXPECT_TRUE(main.action("actEditCopy")->isEnabled());
        }
    }
}

TEST_F(EditRouting, TextConversionsOnEditorAndLineEdit)
{
    edit->setText("abc def");
    edit->setSelection(4, 3);
    Focus(edit);
    Run("actEditUpperCase");
    EXPECT_EQ(edit->text(), "abc DEF");
    EXPECT_EQ(edit->selectionStart(), 4);
    EXPECT_EQ(edit->selectedText(), "DEF");
    Run("actEditHanToZen");
    EXPECT_EQ(edit->text(), QStringLiteral("abc ＤＥＦ"));

    Focus(memo);
    memo->SetSelStart(0);
    memo->SetSelLength(6);
    main.EditorStateChanged();
    Run("actEditUpperCase");
    EXPECT_EQ(memo->Lines()[0], "SELECT a");
    EXPECT_EQ(memo->SelStart(), 0);
    EXPECT_EQ(memo->SelLength(), 6);
    // Box mode: nothing changes.
    memo->SetSelectionMode(smBox);
    ConvertSelection(memo, TextConversion::Lower);
    EXPECT_EQ(memo->Lines()[0], "SELECT a");
}

TEST_F(EditRouting, FormatWidensToLineStartsAndRefusesLongLines)
{
    EXPECT_EQ(WidenToLineStart("ab\r\ncd\r\nef", 5, 4), (SelRange{4, 5}));
    EXPECT_EQ(WidenToLineStart("abc", 2, 1), (SelRange{0, 3}));
    EXPECT_EQ(WidenToLineStart(QStringLiteral("全角\r\n行です"), 7, 1), (SelRange{4, 4}));
    EXPECT_FALSE(HasLineTooLongToFormat({QString(10000, u'x')}));
    EXPECT_TRUE(HasLineTooLongToFormat({"a", QString(10001, u'x')}));

    Focus(memo);
    memo->SetLines({"select a,b from t where x=1"});
    main.EditorStateChanged();
    Run("actEditFormat");
    EXPECT_GT(memo->Lines().Count(), 1);
    EXPECT_TRUE(memo->Lines()[0].startsWith(QStringLiteral("SELECT"), Qt::CaseInsensitive));

    memo->SetLines({QString(10001, u'x')});
    main.EditorStateChanged();
    qvtest::whenModal([](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_TRUE(box);
        EXPECT_EQ(box->text(), QStringLiteral("1行の文字数が10000文字を超えているため、整形できません。"));
        box->accept();
    });
    Run("actEditFormat");
    EXPECT_EQ(memo->Lines()[0].size(), 10001);
}

TEST_F(EditRouting, ExtractSqlPutsTheStatementOnTheClipboard)
{
    Focus(memo);
    memo->SetLines({"exec sp_executesql N'select * from t where n = ''a'''"});
    main.EditorStateChanged();
    qvtest::whenModal([](QWidget* w) { static_cast<QDialog*>(w)->accept(); });
    Run("actEditGetSQL");
    const QString sql = QApplication::clipboard()->text();
    EXPECT_TRUE(sql.contains("'a'")) << sql.toStdString();
    EXPECT_FALSE(sql.contains("sp_executesql")) << sql.toStdString();
    EXPECT_EQ(memo->Lines()[0].left(4), "exec"); // the editor's text stays
}

TEST_F(EditRouting, SelectAllInTheCellEditorTakesTheCellTextFirst)
{
    grid->SetOptions(grid->Options() | dgEditing);
    Focus(grid);
    grid->ShowEditor();
    QLineEdit* cell = grid->InplaceEditor();
    ASSERT_TRUE(cell && cell->isVisible());
    Focus(cell);
    cell->setSelection(0, 1); // part of "r1c1"
    Run("actEditSelectAll");
    EXPECT_EQ(cell->selectedText(), "r1c1");
    EXPECT_EQ(grid->SelectedRows()->Count(), 0);
    Run("actEditSelectAll");
    EXPECT_EQ(grid->SelectedRows()->Count(), 5);
}

