#include "sql/user_command_run.h"

#include "support/modal_helper.h"

#include "app/message_box.h"
#include "platform/exceptions.h"

#include <gtest/gtest.h>

using namespace qv;

TEST(UserCommandRun, PlaceholdersReplacedHighestFirst)
{
    const UserCommandItem item{"Orders", {"Sales", "dbo", "U", "x4", "x5"}};
    EXPECT_EQ(SubstituteUserCommand("&1|&2|&3|&4|&5|&6|&10", item), "Sales|dbo|U|x4|x5|&6|Sales0");
    EXPECT_EQ(SubstituteUserCommand("&name &NAME &Database.&owner (&type) &0", item), "Orders Orders Sales.dbo (U) Orders");
    // "&10" is the tenth sub-item, not "&1" followed by "0".
    QStringList ten;
    for (char c = 'a'; c <= 'j'; ++c)
        ten << QString(QChar(c));
    EXPECT_EQ(SubstituteUserCommand("&10,&1", {"t", ten}), "j,a");
}

namespace {
struct Recorder {
    QStringList sent, boxes;
    QList<int> deselected;
    QString failOn;
    UserCommandHooks hooks()
    {
        UserCommandHooks h;
        h.run = [this](const QString& sql) {
            sent << sql;
            if (!failOn.isEmpty() && sql.contains(failOn))
                throw EDatabaseError("failed");
        };
        h.message = [this](const QString& t, int icon) { boxes << QString::number(icon) + ":" + t; };
        h.deselect = [this](int i) { deselected << i; };
        return h;
    }
};
UserCommand command(const QString& sql, bool ignoreError = false)
{
    UserCommand c;
    c.Name = "cmd";
    c.Sql = sql;
    c.IgnoreError = ignoreError;
    return c;
}
} // namespace

TEST(UserCommandRun, NameWithoutSelectionDoesNothingAndSaysNothing)
{
    Recorder r;
    RunUserCommand(command("dbcc checktable('&NAME')"), {}, r.hooks());
    EXPECT_TRUE(r.sent.isEmpty());
    EXPECT_TRUE(r.boxes.isEmpty());
    RunUserCommand(command("checkpoint"), {}, r.hooks());
    EXPECT_EQ(r.sent, QStringList{"checkpoint"});
    EXPECT_EQ(r.boxes, QStringList{"64:コマンドを実行しました。"});
}

TEST(UserCommandRun, FailureStopsWithTheSubstitutedSqlUnlessIgnored)
{
    const QList<UserCommandItem> sel = {{"a", {}}, {"b", {}}, {"c", {}}};
    Recorder r;
    r.failOn = "b";
    RunUserCommand(command("exec p '&NAME'"), sel, r.hooks());
    EXPECT_EQ(r.sent, (QStringList{"exec p 'a'", "exec p 'b'"}));
    EXPECT_EQ(r.deselected, QList<int>{0});
    EXPECT_EQ(r.boxes, QStringList{"16:failed\r\n\r\nexec p 'b'"});
    Recorder ignoring;
    ignoring.failOn = "b";
    RunUserCommand(command("exec p '&NAME'", true), sel, ignoring.hooks());
    EXPECT_EQ(ignoring.sent.size(), 3);
    EXPECT_EQ(ignoring.deselected, (QList<int>{0, 2}));
    EXPECT_EQ(ignoring.boxes, QStringList{"64:コマンドを実行しました。"});
}
