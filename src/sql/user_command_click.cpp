// The connection window's user-command run: reads the command's document, asks when the command
// says so, and runs it once or per selected object of the list (sql/user_command_run.h).
#include "app/escape_watch.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/qvdoc.h"
#include "app/wait_cursor.h"
#include "connection/object_session.h"
#include "connection/object_window.h"
#include "controls/lists/qv_listview.h"
#include "editor/view/editor.h"
#include "platform/textcodec.h"
#include "sql/sql_window.h"
#include "sql/user_command_run.h"

#include <QAction>

namespace qv {

void TfrmObject::UserCommandClick(QAction* item)
{
    if (!item || !item->isVisible())
        return;
    const QString name = item->text();
    UserCommand cmd;
    try {
        cmd = ReadUserCommand(UserCommandFile(UserCommandDir(), name));
    } catch (const Exception&) {
        return; // an unreadable or refused document ends the command silently
    }
    if (cmd.Dialog && ShowMessageBox(name + QStringLiteral(" を実行しますか？"), MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    QList<QTreeWidgetItem*> items;
    QList<UserCommandItem> selected;
    for (int i = 0; i < lstObject->topLevelItemCount(); ++i) {
        QTreeWidgetItem* it = lstObject->topLevelItem(i);
        if (!it->isSelected())
            continue;
        UserCommandItem u{it->text(0), {}};
        for (int c = 1; c < lstObject->columnCount(); ++c)
            u.subItems << it->text(c);
        items << it;
        selected << u;
    }
    WaitCursor wait;
    UserCommandHooks hooks;
    hooks.run = [this, &cmd](const QString& sql) {
        if (!cmd.SqlWindow) {
            m_session->ExecuteSQL(sql);
            return;
        }
        auto* w = new TfrmSQL(m_session);
        if (TfrmMain* main = TfrmMain::instance())
            main->AddChildWindow(w);
        w->txtSQL->Lines().Assign(SplitTextLines(sql));
        w->actExecExecute();
    };
    hooks.message = [](const QString& text, int icon) { ShowMessageBox(text, icon); };
    hooks.cancelled = [] { return EscapePressed(); };
    hooks.deselect = [&items](int i) { items[i]->setSelected(false); };
    const QSignalBlocker block(lstObject);
    RunUserCommand(cmd, selected, hooks);
}

} // namespace qv
