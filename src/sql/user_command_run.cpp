#include "sql/user_command_run.h"

#include "app/message_box.h"

namespace qv {

QString UserCommandDoneMessage() { return QStringLiteral("コマンドを実行しました。"); }

QString SubstituteUserCommand(const QString& sql, const UserCommandItem& item)
{
    QString s = sql;
    const auto put = [&s](const QString& tag, const QString& value) { s.replace(tag, value, Qt::CaseInsensitive); };
    put(QStringLiteral("&NAME"), item.caption);
    put(QStringLiteral("&DATABASE"), item.subItems.value(0));
    put(QStringLiteral("&OWNER"), item.subItems.value(1));
    put(QStringLiteral("&TYPE"), item.subItems.value(2));
    put(QStringLiteral("&0"), item.caption);
    for (qsizetype k = item.subItems.size(); k >= 1; --k)
        put(QStringLiteral("&") + QString::number(k), item.subItems.at(k - 1));
    return s;
}

void RunUserCommand(const UserCommand& cmd, const QList<UserCommandItem>& selected, const UserCommandHooks& hooks)
{
    const auto fail = [&](const Exception& e, const QString& sql) {
        hooks.message(e.message() + QStringLiteral("\r\n\r\n") + sql, MB_ICONERROR);
    };
    if (!cmd.Sql.contains(u'&')) {
        try {
            hooks.run(cmd.Sql);
        } catch (const Exception& e) {
            if (!cmd.IgnoreError) {
                fail(e, cmd.Sql);
                return;
            }
        }
        if (!cmd.SqlWindow)
            hooks.message(UserCommandDoneMessage(), MB_ICONINFORMATION);
        return;
    }
    if (selected.isEmpty())
        return;
    for (int i = 0; i < selected.size(); ++i) {
        if (hooks.cancelled && hooks.cancelled())
            break;
        const QString sql = SubstituteUserCommand(cmd.Sql, selected[i]);
        try {
            hooks.run(sql);
            if (hooks.deselect)
                hooks.deselect(i);
        } catch (const Exception& e) {
            if (!cmd.IgnoreError) {
                fail(e, sql);
                return;
            }
        }
    }
    if (!cmd.SqlWindow)
        hooks.message(UserCommandDoneMessage(), MB_ICONINFORMATION);
}

} // namespace qv
