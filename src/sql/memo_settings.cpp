#include "sql/memo_settings.h"

#include "app/editor_settings.h"
#include "app/options.h"
#include "editor/edit/editor_prop.h"
#include "editor/sqlmemo/key_macro.h"
#include "editor/sqlmemo/qvmemo.h"

#include <QMenu>
#include <QPointer>

namespace qv {

namespace {

// Shows the menu on the editor's context-menu request; one per editor, found by name.
class MemoPopupBinder : public QObject {
public:
    explicit MemoPopupBinder(TqvMemo* memo)
        : QObject(memo)
    {
        setObjectName(QStringLiteral("qvMemoPopupBinder"));
        memo->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(memo, &QWidget::customContextMenuRequested, this, [this, memo](const QPoint& pos) {
            if (menu)
                menu->popup(memo->viewport()->mapToGlobal(pos));
        });
    }
    QPointer<QMenu> menu;
};

MemoPopupBinder* binderOf(const TqvMemo& memo)
{
    return memo.findChild<MemoPopupBinder*>(QStringLiteral("qvMemoPopupBinder"), Qt::FindDirectChildrenOnly);
}

} // namespace

TqvMacroList& SharedMacroList()
{
    static TqvMacroList list;
    return list;
}

void ApplyMemoSettings(TqvMemo& memo, QMenu* popup)
{
    TEditorProp prop;
    prop.AssignFromSettings(prpEditor);
    prop.AssignTo(memo);
    memo.DefaultCaretFreeCaret = memo.Caret().FreeCaret;
    MemoPopupBinder* binder = binderOf(memo);
    if (!binder)
        binder = new MemoPopupBinder(&memo);
    binder->menu = popup;
    memo.CodeAssistCallOfDot = MemoOption.CodeAssistCallOfDot;
    memo.CodeAssistDelayShow = MemoOption.CodeAssistDelayShow;
    memo.CodeAssistDelayTime = MemoOption.CodeAssistDelayTime;
    memo.SetMacroList(&SharedMacroList());
    memo.KeyDownAltKey = false;
    memo.viewport()->update();
}

QMenu* MemoPopupMenu(const TqvMemo& memo)
{
    MemoPopupBinder* binder = binderOf(memo);
    return binder ? binder->menu.data() : nullptr;
}

} // namespace qv
