#pragma once
// Running a user command on a connection: once, or once per selected object with the object's
// facts put into the SQL ("&NAME", "&DATABASE", "&OWNER", "&TYPE", "&0", "&1".."&n").
#include "app/qvdoc.h"

#include <QList>
#include <QStringList>
#include <functional>

namespace qv {

// One selected row of the object list: its caption (the object name) and its sub-items.
struct UserCommandItem {
    QString caption;
    QStringList subItems;
};

// The SQL for one object: every occurrence, letter case ignored, of "&NAME" (caption),
// "&DATABASE", "&OWNER", "&TYPE" (sub-items 1 to 3), "&0" (caption), then "&k" for k from the
// number of sub-items down to 1 (so "&10" is replaced before "&1").
QString SubstituteUserCommand(const QString& sql, const UserCommandItem& item);

struct UserCommandHooks {
    std::function<void(const QString& sql)> run;                // raises qv::Exception on failure
    std::function<void(const QString& text, int icon)> message; // information / error box
    std::function<bool()> cancelled;                            // Esc between objects
    std::function<void(int index)> deselect;                    // an object ran cleanly
};

// "コマンドを実行しました。"
QString UserCommandDoneMessage();
// Runs a command once (its SQL holds no "&") or per selected object; nothing with "&" and no
// selection. Messages as the command's options say (no message per object; none at all for a
// run in the SQL window).
void RunUserCommand(const UserCommand& cmd, const QList<UserCommandItem>& selected, const UserCommandHooks& hooks);

} // namespace qv
