#include "app/edit_target.h"
#include "editor/search/search_dialogs.h"
#include "memo_helper.h"
#include "platform/registry.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <gtest/gtest.h>

#include <stdexcept>

using namespace qv;
using namespace memotest;

namespace {
// Presses the dialog's buttons in order, one per Execute.
struct DialogScript {
    std::vector<std::function<void(TfrmEditSearchBase*)>> steps;
    size_t next = 0;
    int shown = 0;
    DialogScript()
    {
        TfrmEditSearchBase::ShowHook = [this](TfrmEditSearchBase* d) {
            ++shown;
            if (next < steps.size())
                steps[next++](d);
            else
                d->btnCancel->click();
        };
    }
    ~DialogScript() { TfrmEditSearchBase::ShowHook = nullptr; }
};

struct Messages {
    QStringList shown;
    Messages()
    {
        TqvMemo::MessageHook = [this](QWidget*, const QString& s) { shown << s; };
    }
    ~Messages() { TqvMemo::MessageHook = nullptr; }
};

void ClearDialogSettings()
{
    TRegistry reg;
    reg.DeleteKey(SettingsRootKey + QStringLiteral("\\EDITOR"));
}
} // namespace

TEST(SearchDialogs, HistoryAndArguments)
{
    ClearDialogSettings();
    DialogScript script;
    // 32 entries: a new text drops the oldest, an existing one moves to the top.
    for (int i = 0; i < 33; ++i)
        script.steps.push_back([i](TfrmEditSearchBase* d) {
            d->cmbSearch->setEditText(QStringLiteral("t%1").arg(i));
            d->btnFindNext->click();
        });
    QString text;
    TSearchOptions o = 0;
    bool research = false, msg = false;
    for (int i = 0; i < 33; ++i)
        ASSERT_TRUE(TfrmEditSearch::Execute(text, o, research, msg));
    EXPECT_EQ(text, QStringLiteral("t32"));
    EXPECT_TRUE(o & sfrDown);
    QStringList history;
    script.steps.push_back([&](TfrmEditSearchBase* d) {
        for (int i = 0; i < d->cmbSearch->count(); ++i)
            history << d->cmbSearch->itemText(i);
        EXPECT_EQ(d->cmbSearch->currentText(), QStringLiteral("t32")); // the text passed in
        d->cmbSearch->setEditText(QStringLiteral("t5"));
        d->chkIncludeCRLF->setChecked(true);
        d->chkResearch->setChecked(true);
        d->btnFindPrev->click();
    });
    ASSERT_TRUE(TfrmEditSearch::Execute(text, o, research, msg));
    ASSERT_EQ(history.size(), 32);
    EXPECT_EQ(history.first(), QStringLiteral("t32"));
    EXPECT_EQ(history.last(), QStringLiteral("t1"));
    EXPECT_FALSE(o & sfrDown);
    EXPECT_EQ(o & (sfrIncludeCRLF | sfrIncludeSpace), sfrIncludeCRLF | sfrIncludeSpace);
    EXPECT_TRUE(research);
    // An empty box keeps the text passed in; Cancel keeps every argument.
    script.steps.push_back([](TfrmEditSearchBase* d) {
        EXPECT_TRUE(d->chkResearch->isChecked()); // stored choices, not the flags passed in
        d->cmbSearch->setEditText(QString());
        d->btnFindNext->click();
    });
    text = QStringLiteral("x");
    research = false;
    ASSERT_TRUE(TfrmEditSearch::Execute(text, o, research, msg));
    EXPECT_EQ(text, QStringLiteral("x"));
    o = sfrMatchCase;
    research = false;
    script.steps.push_back([](TfrmEditSearchBase* d) {
        d->cmbSearch->setEditText(QStringLiteral("changed"));
        d->move(40, 50);
        d->btnCancel->click();
    });
    EXPECT_FALSE(TfrmEditSearch::Execute(text, o, research, msg));
    EXPECT_EQ(text, QStringLiteral("x"));
    EXPECT_EQ(o, sfrMatchCase);
    EXPECT_FALSE(research);
    TqvRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(SettingsRootKey + QStringLiteral("\\EDITOR\\SEARCH")));
    EXPECT_EQ(reg.ReadString(QStringLiteral("Left")), QStringLiteral("40"));
}

TEST(SearchDialogs, ReplaceButtonsAndSharedHistory)
{
    ClearDialogSettings();
    DialogScript script;
    script.steps.push_back([](TfrmEditSearchBase* d) {
        d->cmbSearch->setEditText(QStringLiteral("abc"));
        d->cmbReplace->setEditText(QStringLiteral("ABC"));
        d->btnAllReplace->click();
    });
    QString s, r;
    bool research = false, msg = false;
    TSearchOptions o = sfrReplace;
    ASSERT_TRUE(TfrmEditReplace::Execute(s, r, research, msg, o));
    EXPECT_EQ(o & (sfrDown | sfrReplace | sfrReplaceAll | sfrReplaceConfirm), sfrDown | sfrReplaceAll | sfrReplaceConfirm);
    EXPECT_EQ(r, QStringLiteral("ABC"));
    // "abc" and "ABC" are different entries; the search history is shared with the find dialog.
    QStringList seen;
    script.steps.push_back([&](TfrmEditSearchBase* d) {
        for (int i = 0; i < d->cmbSearch->count(); ++i)
            seen << d->cmbSearch->itemText(i);
        d->btnCancel->click();
    });
    QString t;
    TfrmEditSearch::Execute(t, o, research, msg);
    EXPECT_EQ(seen, QStringList{QStringLiteral("abc")});
    EXPECT_EQ(EditorSettingsRootName(QStringLiteral("/opt/x/qvsr22"), 22), QStringLiteral("QVS22R"));
    EXPECT_EQ(EditorSettingsRootName(QStringLiteral("/opt/x/QVSR22"), 22), QStringLiteral("QVS22"));
}

TEST(SqlMemo, FindWithWrapAroundAndMessages)
{
    ClearDialogSettings();
    Messages messages;
    auto ed = MakeMemo(QStringLiteral("needle\r\nhay\r\nhay"));
    ed->SetRowCol(2, 0);
    ed->SetSearchValue(QStringLiteral("needle"));
    ed->SetNotFindMsg(true);
    ed->SetResearch(false);
    EXPECT_EQ(ed->NextSearch(), 7);
    EXPECT_EQ(ed->Row(), 2);
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0], QStringLiteral("検索文字列  「needle」\r\nは見つかりませんでした。"));
    ed->SetResearch(true);
    EXPECT_EQ(ed->NextSearch(), 6);
    EXPECT_EQ(ed->Row(), 0);
    // Upwards from the top: restarts at the true end of the text.
    ed->Lines().SetTextStr(QStringLiteral("x\r\nneedle"));
    ed->SetRowCol(0, 0);
    EXPECT_EQ(ed->PrevSearch(), 6);
    EXPECT_EQ(ed->Row(), 1);
    // Text that does not exist: one message, no endless retry (also with word wrap on).
    ed->SetWordWrap(true);
    ed->SetSearchValue(QStringLiteral("nothing"));
    messages.shown.clear();
    EXPECT_EQ(ed->NextSearch(), 7);
    EXPECT_EQ(messages.shown.size(), 1);
    ed->SetSearchValue(QString());
    EXPECT_EQ(ed->NextSearch(), 7);
}

namespace {
// An editor whose wrap-around pre-check fails.
class FailingPrecheckMemo : public TqvMemo {
protected:
    bool SearchCopyFromStart(bool) override { throw std::runtime_error("pre-check failed"); }
};
} // namespace

TEST(SqlMemo, FailedWrapAroundPrecheckIsNoHit)
{
    Messages messages;
    FailingPrecheckMemo ed;
    ed.resize(500, 300);
    ed.Lines().SetTextStr(QStringLiteral("hay\r\nhay\r\nhay"));
    ed.show();
    ed.SetNotFindMsg(true);
    ed.SetResearch(true);
    ed.SetSearchValue(QStringLiteral("needle"));
    for (bool down : {true, false}) {
        messages.shown.clear();
        ed.SetRowCol(1, 2);
        EXPECT_EQ(down ? ed.NextSearch() : ed.PrevSearch(), 7);
        EXPECT_EQ(std::pair(ed.Row(), ed.Col()), std::pair(1, 2)) << down; // the caret stays
        EXPECT_EQ(messages.shown.size(), 1) << down;
    }
}

TEST(SqlMemo, FindDialogCancelKeepsStoredText)
{
    ClearDialogSettings();
    DialogScript script;
    auto ed = MakeMemo(QStringLiteral("alpha beta"));
    ed->SetSearchValue(QStringLiteral("old"));
    ed->SetSelStart(6);
    ed->SetSelLength(4);
    ed->ShowSearchDialog(); // cancelled by the script
    EXPECT_EQ(ed->SearchValue(), QStringLiteral("old"));
    script.steps.push_back([](TfrmEditSearchBase* d) {
        EXPECT_EQ(d->cmbSearch->currentText(), QStringLiteral("alpha"));
        d->btnFindNext->click();
    });
    ed->SetSelStart(0);
    ed->SetSelLength(5);
    ed->ShowSearchDialog();
    EXPECT_EQ(ed->SearchValue(), QStringLiteral("alpha"));
    EXPECT_EQ(ed->HitText(), QStringLiteral("alpha"));
}

TEST(SqlMemo, ReplaceAllAndStepwise)
{
    ClearDialogSettings();
    Messages messages;
    DialogScript script;
    script.steps.push_back([](TfrmEditSearchBase* d) {
        d->cmbSearch->setEditText(QStringLiteral("a"));
        d->cmbReplace->setEditText(QStringLiteral("bb"));
        d->btnAllReplace->click();
    });
    auto ed = MakeMemo(QStringLiteral("a-a\r\na"));
    ed->ShowReplaceDialog();
    EXPECT_EQ(ed->Lines().GetTextStr(), QStringLiteral("bb-bb\r\nbb"));
    EXPECT_EQ(script.shown, 1);
    // Replace all without hits: one message, nothing replaced.
    ed->SetNotFindMsg(true);
    script.steps.push_back([](TfrmEditSearchBase* d) {
        d->cmbSearch->setEditText(QStringLiteral("zz"));
        d->chkNotFindMsg->setChecked(true);
        d->btnAllReplace->click();
    });
    ed->ShowReplaceDialog();
    EXPECT_EQ(ed->Lines().GetTextStr(), QStringLiteral("bb-bb\r\nbb"));
    EXPECT_EQ(messages.shown.size(), 1);
    // Step by step: replace, replace, cancel.
    auto st = MakeMemo(QStringLiteral("x1 x2 x3"));
    for (int i = 0; i < 2; ++i)
        script.steps.push_back([](TfrmEditSearchBase* d) {
            d->cmbSearch->setEditText(QStringLiteral("x"));
            d->cmbReplace->setEditText(QStringLiteral("y"));
            d->btnReplace->click();
        });
    st->ShowReplaceDialog();
    EXPECT_EQ(st->Lines().GetTextStr(), QStringLiteral("y1 y2 x3"));
}

TEST(SqlMemo, JumpMarksWordsAndUndoMessage)
{
    QString text;
    for (int i = 1; i <= 50; ++i)
        text += QStringLiteral("line%1\r\n").arg(i);
    auto ed = MakeMemo(text);
    ed->Jump(20);
    EXPECT_EQ(ed->Row(), 19);
    ed->Jump(999);
    EXPECT_EQ(ed->Row(), ed->GetLineNumberCount() - 1);
    // Marks: with all ten in use a new row gets mark 0.
    for (int r = 0; r < 10; ++r) {
        ed->SetRowCol(r, 0);
        ed->SetRowMark();
    }
    EXPECT_TRUE(ed->UsingRowMark());
    ed->SetRowCol(20, 0);
    ed->SetRowMark();
    EXPECT_EQ(ed->GetListRowMarks(20), RowMark(0));
    EXPECT_EQ(ed->GetListRowMarks(0), 0);
    ed->SetRowCol(12, 0);
    ed->NextRowMark();
    EXPECT_EQ(ed->Row(), 20);
    ed->PrevRowMark();
    EXPECT_EQ(ed->Row(), 9);
    ed->SetRowMark(); // toggles off
    EXPECT_EQ(ed->GetListRowMarks(9), 0);

    // Word selection never crosses a full stop.
    auto w = MakeMemo(QStringLiteral("select dbo.t1 from x"));
    auto pointAt = [&](int col) {
        return QPoint(w->LeftMargin() + col * w->ColWidth() + 1, w->TopMargin() + 2);
    };
    w->SelectTokenAtPos(pointAt(9), nullptr, false);
    EXPECT_EQ(w->SelText(), QStringLiteral("dbo"));
    w->SelectTokenAtPos(pointAt(12), nullptr, false);
    EXPECT_EQ(w->SelText(), QStringLiteral("t1"));
    w->CleanSelection();
    w->SelectTokenAtPos(pointAt(7), nullptr, false); // just after a blank
    EXPECT_FALSE(w->Selected());

    w->PutStringToLine(QStringLiteral("z"));
    w->WmUndo(0);
    EXPECT_EQ(w->Lines().GetTextStr(), QStringLiteral("select dbo.t1 from x"));
    w->WmUndo(1);
    EXPECT_NE(w->Lines().GetTextStr(), QStringLiteral("select dbo.t1 from x"));
    w->SetReadOnly(true);
    w->WmUndo(0);
    EXPECT_NE(w->Lines().GetTextStr(), QStringLiteral("select dbo.t1 from x"));
}

TEST(SqlMemo, MainWindowEditCommands)
{
    auto ed = MakeMemo(QStringLiteral("abc def"));
    ASSERT_EQ(editTargetOf(ed.get()), static_cast<EditTarget*>(ed.get()));
    EXPECT_TRUE(isTextEditorTarget(ed.get()));
    EXPECT_TRUE(sendEditCommand(ed.get(), EditCommand::SelectAll));
    EXPECT_EQ(ed->SelText(), QStringLiteral("abc def"));
    sendEditCommand(ed.get(), EditCommand::Cut);
    EXPECT_EQ(ed->Lines().GetTextStr(), QString());
    sendEditCommand(ed.get(), EditCommand::Undo);
    EXPECT_EQ(ed->Lines().GetTextStr(), QStringLiteral("abc def"));
    sendEditCommand(ed.get(), EditCommand::Redo);
    EXPECT_EQ(ed->Lines().GetTextStr(), QString());
    sendEditCommand(ed.get(), EditCommand::Paste);
    EXPECT_EQ(ed->Lines().GetTextStr(), QStringLiteral("abc def"));
    ed->SetReadOnly(true);
    EXPECT_TRUE(isReadOnlyTextEditor(ed.get()));
}

TEST(SqlMemo, ReplaceAllIsOneUndoStep)
{
    ClearDialogSettings();
    DialogScript script;
    script.steps.push_back([](TfrmEditSearchBase* d) {
        d->cmbSearch->setEditText(QStringLiteral("old_name"));
        d->cmbReplace->setEditText(QStringLiteral("n"));
        d->btnAllReplace->click();
    });
    QString text;
    for (int i = 0; i < 50; ++i)
        text += QStringLiteral("select old_name, %1 from t%1 where old_name > 0\r\n").arg(i);
    text += QStringLiteral("-- end");
    auto ed = MakeMemo(text);
    ed->SetRowCol(7, 3);
    ed->ShowReplaceDialog();
    QString expected = text;
    expected.replace(QStringLiteral("old_name"), QStringLiteral("n"));
    EXPECT_EQ(ed->Lines().GetTextStr(), expected);
    EXPECT_EQ(ed->InternalList().UndoObj().UndoCount(), 1);
    EXPECT_TRUE(ed->Modified());
    ed->handleEditCommand(EditCommand::Undo);
    EXPECT_EQ(ed->Lines().GetTextStr(), text);
    EXPECT_FALSE(ed->InternalList().UndoObj().CanUndo());
    ed->handleEditCommand(EditCommand::Redo);
    EXPECT_EQ(ed->Lines().GetTextStr(), expected);
}

TEST(SqlMemo, ReplaceAllInTextFindsHitsAsTheSearchDoes)
{
    struct Case {
        const char* text;
        const char* value;
        const char* replacement;
        TSearchOptions options;
        const char* expected;
        int count;
    } cases[] = {
        {"a-a\r\na", "a", "bb", 0, "bb-bb\r\nbb", 3},
        {"aaaa", "a", "b", 0, "bbbb", 4},
        {"aaa", "aa", "a", 0, "aa", 1},                              // the search goes on after the replacement
        {"Name name NAME", "name", "x", 0, "x x x", 3},              // letter case ignored
        {"Name name NAME", "name", "x", sfrMatchCase, "Name x NAME", 1},
        {"ab ab abc cab", "ab", "z", sfrWholeWord, "z z abc cab", 2},
        {"ab-ab", "ab", "c1", sfrWholeWord, "c1-c1", 2},
        {"a a", "a", "", sfrWholeWord, " ", 2},
        {"-a-a", "-a", "-", sfrWholeWord, "--", 2},                 // the next hit sees the replacement before it
        {"xyz", "q", "r", 0, "", 0},
    };
    for (const Case& c : cases) {
        const TReplaceAllResult r = ReplaceAllInText(QString::fromUtf8(c.text), QString::fromUtf8(c.value),
                                                     QString::fromUtf8(c.replacement), c.options);
        EXPECT_EQ(r.Count, c.count) << c.text << " / " << c.value;
        EXPECT_EQ(r.Text, QString::fromUtf8(c.expected)) << c.text << " / " << c.value;
    }
}
