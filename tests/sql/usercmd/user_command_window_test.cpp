// The user-command editor through its controls: list order, the version error, save and add
// rules, the question about unsaved changes, delete.
#include "sql/user_command_window.h"

#include "app/application.h"
#include "app/qvdoc.h"
#include "controls/inputs/inputs.h"
#include "editor/sqlmemo/qvmemo.h"
#include "platform/textcodec.h"
#include "support/modal_helper.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace qv;

namespace {

struct UserCommandWindow : ::testing::Test {
    QTemporaryDir tmp;
    QString dir;
    QStringList boxes;                           // message texts shown
    QList<QMessageBox::StandardButton> answers;  // given in order; Yes when none is left
    QStringList errors;
    QTimer timer;

    void SetUp() override
    {
        dir = tmp.path() + "/usercmd/";
        timer.setInterval(0);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            auto* mb = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!mb || !mb->isVisible())
                return;
            boxes << mb->text();
            const auto answer = answers.isEmpty() ? QMessageBox::Yes : answers.takeFirst();
            if (QAbstractButton* b = mb->button(answer))
                b->click();
            else
                mb->close();
        });
        timer.start();
        SetExceptionBox([this](const QString&, const QString& text, bool) { errors << text; });
    }
    void TearDown() override { SetExceptionBox(nullptr); }

    void write(const QString& name, int seq, const QString& sql)
    {
        UserCommand c;
        c.Name = name;
        c.Seq = seq;
        c.Sql = sql;
        WriteUserCommand(dir, c);
    }
    static QStringList names(const TfrmUserCommand& w)
    {
        QStringList out;
        for (int i = 0; i < w.lstCommand->count(); ++i)
            out << w.lstCommand->item(i)->text();
        return out;
    }
    static QString sql(TfrmUserCommand& w) { return w.txtSQL->Lines().ToStringList().join("\r\n"); }
};

} // namespace

TEST_F(UserCommandWindow, ListOrderAndARefusedVersion)
{
    write("b", 2, "select 2");
    write("a", 2, "select 1");
    write("c", 1, "select 3");
    QDir().mkpath(dir);
    QFile v3(dir + "v3.cmd");
    ASSERT_TRUE(v3.open(QIODevice::WriteOnly));
    v3.write("<QVDOC QVDOC-VERSION=\"3\"><USERCMD SEQ=\"5\" SQL=\"x\"/></QVDOC>");
    v3.close();

    TfrmUserCommand w(nullptr, dir);
    // By name, then SEQ exchanges: the refused file counts as SEQ 0, the SEQ 1 command before both SEQ 2.
    EXPECT_EQ(names(w), QStringList({"v3", "c", "a", "b"}));
    EXPECT_EQ(errors, QStringList({QvDocVersionMessage()}));
    EXPECT_TRUE(w.txtName->text().isEmpty());

    w.lstCommand->setCurrentRow(1);
    EXPECT_EQ(w.txtName->text(), "c");
    EXPECT_EQ(sql(w), "select 3");
    EXPECT_FALSE(w.modified());
    EXPECT_FALSE(w.actSave->isEnabled());
    EXPECT_TRUE(w.actDelete->isEnabled());
    QApplication::processEvents();
    qvtest::saveGrab(&w, "user_command_window");
}

TEST_F(UserCommandWindow, RenamedCommandIsAddedNotSavedAndKeepsTheOldFile)
{
    write("a", 1, "select 1\r\nfrom t");
    TfrmUserCommand w(nullptr, dir);
    ASSERT_EQ(w.txtName->text(), "a");
    EXPECT_EQ(sql(w), "select 1\r\nfrom t");
    w.chkDialog->setChecked(true);
    EXPECT_TRUE(w.actSave->isEnabled());
    w.txtName->setText("b");
    EXPECT_FALSE(w.actSave->isEnabled()); // a command under an edited name must be added
    EXPECT_TRUE(w.actAdd->isEnabled());
    w.actAdd->trigger();
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join("|").toStdString();
    EXPECT_EQ(names(w), QStringList({"a", "b"}));
    EXPECT_EQ(w.lstCommand->currentItem()->text(), "b");
    const UserCommand b = ReadUserCommand(UserCommandFile(dir, "b"));
    EXPECT_TRUE(b.Dialog);
    EXPECT_EQ(b.Sql, "select 1\r\nfrom t");
    EXPECT_FALSE(ReadUserCommand(UserCommandFile(dir, "a")).Dialog);
    EXPECT_FALSE(w.modified());

    // Adding under another entry's name (any letter case) is refused.
    w.txtName->setText("A");
    w.actAdd->trigger();
    EXPECT_EQ(boxes, QStringList({"同名のコマンドが既に存在しています。"}));
    // An empty SQL is refused.
    boxes.clear();
    w.txtName->setText("c");
    w.txtSQL->Lines().Clear();
    w.actAdd->trigger();
    EXPECT_EQ(boxes, QStringList({"ＳＱＬ文を入力して下さい。"}));
    EXPECT_FALSE(QFile::exists(UserCommandFile(dir, "c")));
}

TEST_F(UserCommandWindow, UnsavedChangesAskBeforeAnotherCommandIsShown)
{
    write("a", 1, "select 1");
    write("b", 2, "select 2");
    TfrmUserCommand w(nullptr, dir);
    w.txtSQL->Lines().Assign(SplitTextLines(QStringLiteral("select 10")));
    ASSERT_TRUE(w.modified());
    answers = {QMessageBox::Cancel};
    w.lstCommand->setCurrentRow(1);
    EXPECT_EQ(boxes, QStringList({"情報が変更されています。登録しますか？"}));
    EXPECT_EQ(w.lstCommand->currentRow(), 0);
    EXPECT_EQ(sql(w), "select 10");

    answers = {QMessageBox::Yes};
    w.lstCommand->setCurrentRow(1);
    EXPECT_EQ(w.txtName->text(), "b");
    EXPECT_EQ(ReadUserCommand(UserCommandFile(dir, "a")).Sql, "select 10");

    // Delete asks, then the list is read again.
    boxes.clear();
    answers = {QMessageBox::Yes};
    w.actDelete->trigger();
    EXPECT_EQ(boxes, QStringList({"選択中のコマンドを削除しますか？"}));
    EXPECT_EQ(names(w), QStringList({"a"}));
    EXPECT_FALSE(QFile::exists(UserCommandFile(dir, "b")));

    // Closing with changes: No closes without writing.
    w.show();
    w.txtSeq->setText("7");
    boxes.clear();
    answers = {QMessageBox::No};
    EXPECT_TRUE(w.close());
    EXPECT_EQ(boxes, QStringList({"情報が変更されています。登録しますか？"}));
    EXPECT_EQ(ReadUserCommand(UserCommandFile(dir, "a")).Seq, 1);
}
