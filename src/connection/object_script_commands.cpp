#include "connection/object_script_commands.h"

#include "app/escape_watch.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/options.h"
#include "app/wait_cursor.h"
#include "connection/object_session.h"
#include "connection/object_window.h"
#include "controls/lists/qv_listview.h"
#include "controls/lists/qv_treeview.h"
#include "connection/script_output_options.h"
#include "platform/textcodec.h"

#include <QBuffer>
#include <QPointer>
#include <QTreeWidget>

namespace qv {

std::function<void(const QString&, int)> ListCommandHooks::MessageHook;

void InstallScriptCommands(TfrmMain& main)
{
    QPointer<TfrmMain> mainPtr(&main);
    TfrmMain::setCommandHandler(QStringLiteral("actToolScriptOption"),
                                [mainPtr](IConnectionWindow*) { TfrmScriptOption::ShowWindow(mainPtr.data()); });
}

ListCommandHooks ListCommandHooks::Default()
{
    ListCommandHooks h;
    h.escapePressed = [] { return TfrmMain::instance() && EscapePressed(); };
    h.progress = [](int i, int n) {
        if (TfrmMain* m = TfrmMain::instance()) {
            if (n == 0)
                m->SetDefMessage();
            else
                m->SetLoopMessage(i, n);
        }
    };
    h.message = [](const QString& text, int flags) {
        if (MessageHook)
            MessageHook(text, flags);
        else
            ShowMessageBox(text, flags);
    };
    return h;
}

QList<QTreeWidgetItem*> SelectedRows(QTreeWidget* list)
{
    QList<QTreeWidgetItem*> rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        if (QTreeWidgetItem* item = list->topLevelItem(i); item->isSelected())
            rows << item;
    return rows;
}

ScriptOutputRow RowOf(QTreeWidgetItem* item, bool indexNodeSelected)
{
    ScriptOutputRow r;
    r.name = item->text(0);
    r.database = item->text(1);
    r.schema = item->text(2);
    r.typeName = item->text(3).trimmed();
    r.table = GetObjectTypeCode(r.typeName) == ObjType::Index ? IndexFileTable(indexNodeSelected, item->text(4), item->text(6))
                                                               : item->text(4);
    return r;
}

bool ScriptOutputExecute(const ScriptContext& context, QTreeWidget* list, bool typeFirst, bool indexNodeSelected,
                         const ListCommandHooks& hooks)
{
    const QList<QTreeWidgetItem*> rows = SelectedRows(list);
    if (rows.isEmpty())
        return false;
    QString path, nameTable;
    if (!TfrmScriptOption::ShowWindow(context.session, path, nameTable, list->window()))
        return false;

    ScriptOutputRun run(context, {path, nameTable, typeFirst});
    {
        WaitCursor cursor;
        run.begin();
        const auto n = int(rows.size());
        try {
            for (int i = 0; i < n; ++i) {
                if (hooks.progress)
                    hooks.progress(i + 1, n);
                if (hooks.escapePressed && hooks.escapePressed())
                    break;
                run.write(RowOf(rows.at(i), indexNodeSelected));
                rows.at(i)->setSelected(false);
            }
        } catch (...) {
            if (hooks.progress)
                hooks.progress(0, 0);
            throw;
        }
        if (hooks.progress)
            hooks.progress(0, 0);
    }
    if (hooks.message) {
        hooks.message(QStringLiteral("スクリプトが出力されました。"), MB_ICONINFORMATION);
        if (!run.failures().isEmpty())
            hooks.message(QStringLiteral("次のオブジェクトのスクリプトを出力できませんでした。\r\n") +
                              run.failures().join(QStringLiteral("\r\n")),
                          MB_ICONWARNING);
    }
    return true;
}

void TfrmObject::actScriptExecute()
{
    // An index's table column depends on whether the index-type node (or a node below it) is selected.
    bool indexNode = false;
    if (QTreeWidgetItem* node = lstTree->currentItem())
        indexNode = node->data(0, Qt::UserRole).toInt() == ObjType::Index ||
                    (node->parent() && node->parent()->data(0, Qt::UserRole).toInt() == ObjType::Index);
    ScriptOutputExecute({session(), this}, lstObject, btnTree2->isChecked(), indexNode);
}

GrepRow GrepRowOf(QTreeWidgetItem* item)
{
    GrepRow r;
    r.caption = item->text(0);
    for (int c = 1; c < item->columnCount(); ++c)
        r.subItems << item->text(c);
    r.type = item->data(0, Qt::UserRole).toInt();
    r.icon = item->data(0, Qt::DecorationRole);
    return r;
}

QList<GrepRow> GrepScripts(const ScriptContext& context, const QList<GrepRow>& rows, const QString& word,
                           bool caseSensitive, const ListCommandHooks& hooks, bool* stopped,
                           const std::function<void(const GrepRow&)>& onMatch)
{
    QList<GrepRow> found;
    if (stopped)
        *stopped = false;
    const QString needle = caseSensitive ? word : word.toUpper();
    const auto n = int(rows.size());
    for (int i = 0; i < n; ++i) {
        if (hooks.progress)
            hooks.progress(i + 1, n);
        if (hooks.escapePressed && hooks.escapePressed()) {
            if (stopped)
                *stopped = true;
            break;
        }
        const GrepRow& r = rows.at(i);
        const TObjectTypeCode code = r.type ? r.type : GetObjectTypeCode(r.subItems.value(2).trimmed());
        const QString text = ObjectScriptText(context, code, r.subItems.value(0), r.subItems.value(1), r.caption);
        if (caseSensitive ? text.contains(needle) : text.toUpper().contains(needle)) {
            found << r;
            if (onMatch)
                onMatch(r);
        }
    }
    return found;
}

} // namespace qv
