// The editor options dialog through its widgets: OK re-styles every open SQL editor, cancel
// changes nothing, a reserved word with a blank keeps the dialog open.
#include "app/editor_option_dialog.h"
#include "app/found/settings_helper.h"
#include "app/main_window.h"
#include "app/reserved_words.h"
#include "editor/edit/editor_prop.h"
#include "editor/sqlmemo/qvmemo.h"
#include "sql/memo_settings.h"
#include "support/modal_helper.h"

#include <QComboBox>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>

using namespace qv;
using namespace qvtest;

namespace {

class EditorOptionTest : public SettingsTest {
protected:
    void SetUp() override
    {
        SettingsTest::SetUp();
        main = std::make_unique<TfrmMain>();
        for (auto& m : memos) {
            m = std::make_unique<TqvMemo>();
            ApplyMemoSettings(*m, nullptr);
        }
    }
    void TearDown() override
    {
        for (auto& m : memos)
            m.reset();
        main.reset();
        SettingsTest::TearDown();
    }
    // A font of the dialog's list other than the current one.
    static QString otherFont(const TfrmEditorOption& dlg)
    {
        for (int i = 0; i < dlg.lstFontName->count(); ++i)
            if (dlg.lstFontName->itemText(i) != dlg.edited().Font.Name)
                return dlg.lstFontName->itemText(i);
        return QString();
    }
    static TColor commentColor(TqvMemo& m)
    {
        TEditorProp p;
        p.Assign(m);
        return p.View().Colors().Comment().Color();
    }
    std::unique_ptr<TfrmMain> main;
    std::unique_ptr<TqvMemo> memos[2];
};

} // namespace

TEST_F(EditorOptionTest, OkChangesFontAndColoursOfEveryOpenEditor)
{
    QString font;
    {
        TfrmEditorOption dlg(prpEditor, main.get());
        font = otherFont(dlg);
        ASSERT_FALSE(font.isEmpty());
        dlg.lstFontName->setCurrentText(font);
        dlg.spins.value("FontSize")->setValue(17);
        dlg.pages->setCurrentWidget(dlg.page("フォントスタイル"));
        dlg.lstColors->setCurrentRow(1); // コメント
        dlg.setPanelColor(dlg.pnlForeColor, 0x0000C0);
        dlg.lstColors->setCurrentRow(0); // 基本色
        dlg.setPanelColor(dlg.pnlBackColor, 0xE0FFFF);
        dlg.btnOkClick();
        ASSERT_EQ(dlg.result(), QDialog::Accepted);
    }
    EXPECT_EQ(prpEditor.Font.Name, font);
    EXPECT_EQ(prpEditor.Font.Size, 17);
    EXPECT_EQ(prpEditor.View.Colors.Comment.Color, TColor(0x0000C0));
    EXPECT_EQ(prpEditor.Color, TColor(0xE0FFFF));
    TfrmEditorOption::ApplyToOpenEditors();
    for (auto& m : memos) {
        TEditorProp p;
        p.Assign(*m);
        EXPECT_EQ(p.Font().family(), font);
        EXPECT_EQ(p.Font().pointSize(), 17);
        EXPECT_EQ(commentColor(*m), TColor(0x0000C0));
        EXPECT_EQ(p.Color(), TColor(0xE0FFFF));
    }
}

TEST_F(EditorOptionTest, CancelChangesNothing)
{
    const EditorPropertySet before = prpEditor;
    const TMemoOption memoBefore = MemoOption;
    const QStringList wordsBefore = ReserveWordList;
    const TColor memoComment = commentColor(*memos[0]);
    {
        TfrmEditorOption dlg(prpEditor, main.get());
        dlg.lstFontName->setCurrentText(otherFont(dlg));
        dlg.lstColors->setCurrentRow(1);
        dlg.setPanelColor(dlg.pnlForeColor, 0x123456);
        dlg.spins.value("CodeAssistDelayTime")->setValue(1000);
        dlg.txtReserve->setPlainText("ONLYTHIS");
        dlg.reject();
    }
    EXPECT_TRUE(prpEditor == before);
    EXPECT_TRUE(MemoOption == memoBefore);
    EXPECT_EQ(ReserveWordList, wordsBefore);
    TfrmEditorOption::ApplyToOpenEditors();
    EXPECT_EQ(commentColor(*memos[0]), memoComment);
}

TEST_F(EditorOptionTest, ReservedWordWithBlankBlocksOk)
{
    const QStringList wordsBefore = ReserveWordList;
    TfrmEditorOption dlg(prpEditor, main.get());
    dlg.show();
    dlg.txtReserve->setPlainText("\nSELECT\n\nORDER BY\nFROM");
    QString text;
    whenModal([&](QWidget* w) {
        auto* mb = qobject_cast<QMessageBox*>(w);
        text = mb ? mb->text() : QString();
        w->close();
    });
    dlg.btnOkClick();
    EXPECT_EQ(text, "予約語に空白が含まれているため登録できません。(ORDER BY)");
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.pages->tabText(dlg.pages->currentIndex()), "予約語");
    EXPECT_EQ(ReserveWordList, wordsBefore);
    // Blank lines disappear on OK.
    dlg.txtReserve->setPlainText("\n  SELECT\n\nFROM  \n");
    dlg.btnOkClick();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(ReserveWordList, QStringList({"FROM", "SELECT"}));
}

TEST_F(EditorOptionTest, HitColourUnspecifiedIsBlackAndRulerColoursTheLineNumbers)
{
    TfrmEditorOption dlg(prpEditor, main.get());
    dlg.pages->setCurrentWidget(dlg.page("フォントスタイル"));
    dlg.lstColors->setCurrentRow(2); // 検索一致文字
    dlg.chkForeNone->setChecked(true);
    EXPECT_EQ(dlg.edited().View.Colors.Hit.Color, TColor(0));
    EXPECT_FALSE(dlg.chkForeNone->isChecked());
    dlg.lstColors->setCurrentRow(14); // ルーラー
    dlg.setPanelColor(dlg.pnlForeColor, 0x00AA00);
    EXPECT_EQ(dlg.edited().Ruler.Color, TColor(0x00AA00));
    EXPECT_EQ(dlg.edited().Leftbar.Color, TColor(0x00AA00));
}

TEST_F(EditorOptionTest, PagesRender)
{
    TfrmEditorOption dlg(prpEditor, main.get());
    dlg.resize(640, 520);
    dlg.show();
    for (int i = 0; i < dlg.pages->count(); ++i) {
        dlg.pages->setCurrentIndex(i);
        QApplication::processEvents();
        saveGrab(&dlg, QStringLiteral("editor_option_page_%1").arg(i));
    }
    SUCCEED();
}
