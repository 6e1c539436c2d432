// Replace-all in the SQL window's editor, as the user drives it: the replace dialog's
// "replace all", then the main window's undo on the focused editor.
#include "sql/sql_window.h"
#include "sql_window_fixture.h"

#include "app/edit_target.h"
#include "app/options.h"
#include "connection/object_session.h"
#include "editor/search/search_dialogs.h"
#include "editor/sqlmemo/qvmemo.h"
#include "editor/undo.h"
#include "platform/db/scripted_session.h"
#include "sql/memo_frame.h"
#include "sql/sql_history.h"

#include <QComboBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qv;
using namespace qv::db;

using SqlWindowReplace = qvtest::SqlWindowFixture;

TEST_F(SqlWindowReplace, ReplaceAllOfAHundredHitsIsUndoneByOneUndo)
{
    TfrmSQL w(&owner);
    w.show();
    TqvMemo* memo = w.fraMemo->txtSQL;
    ASSERT_TRUE(memo);

    QString text;
    for (int i = 0; i < 50; ++i)
        text += QStringLiteral("update Orders set Amount = Amount * 2 where OrderID = %1 and Amount > 0\r\n").arg(i);
    memo->Lines().SetTextStr(text);
    memo->setFocus();

    TfrmEditSearchBase::ShowHook = [](TfrmEditSearchBase* d) {
        if (d->cmbReplace) {
            d->cmbSearch->setEditText(QStringLiteral("Amount"));
            d->cmbReplace->setEditText(QStringLiteral("Total"));
            d->btnAllReplace->click();
        } else {
            d->btnCancel->click();
        }
    };
    memo->ShowReplaceDialog();
    TfrmEditSearchBase::ShowHook = nullptr;

    QString replaced = text;
    replaced.replace(QStringLiteral("Amount"), QStringLiteral("Total"));
    ASSERT_EQ(text.count(QStringLiteral("Amount")), 150);
    EXPECT_EQ(memo->Lines().GetTextStr(), replaced);
    EXPECT_TRUE(memo->Modified());

    // The main window's undo goes to the focused editor: one step restores the text exactly.
    auto* target = dynamic_cast<EditTarget*>(memo);
    ASSERT_TRUE(target);
    target->handleEditCommand(EditCommand::Undo);
    EXPECT_EQ(memo->Lines().GetTextStr(), text);
    EXPECT_FALSE(memo->InternalList().UndoObj().CanUndo());
    target->handleEditCommand(EditCommand::Redo);
    EXPECT_EQ(memo->Lines().GetTextStr(), replaced);
}
