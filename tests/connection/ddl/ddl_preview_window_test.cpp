#include "connection/ddl_preview.h"

#include "app/message_box.h"
#include "app/options.h"
#include "support/modal_helper.h"
#include "app/textfiles.h"
#include "editor/sqlmemo/qvmemo.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QFile>
#include <QPixmap>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qv;

namespace {
struct Preview : ::testing::Test {
    void SetUp() override
    {
        qvOption.ShowDDL = true;
        qvOption.UseLowerName = true;
    }
    void TearDown() override
    {
        qvOption.ShowDDL = false;
        TfrmDDLPreview::ExecHook = [](TfrmDDLPreview* w) { return w->exec(); };
    }
};
} // namespace

TEST_F(Preview, OffRunsAtOnceAndLeavesTheScript)
{
    qvOption.ShowDDL = false;
    int shown = 0;
    TfrmDDLPreview::ExecHook = [&](TfrmDDLPreview*) { ++shown; return int(QDialog::Rejected); };
    QStringList sql{"drop view v", "go"};
    EXPECT_TRUE(TfrmDDLPreview::ShowWindow(sql, "db", "dbo", "v"));
    EXPECT_EQ(sql, (QStringList{"drop view v", "go"}));
    EXPECT_EQ(shown, 0);
}

TEST_F(Preview, OkGivesBackTheShownLinesCancelKeepsThem)
{
    QString title;
    QStringList shownLines;
    TfrmDDLPreview::ExecHook = [&](TfrmDDLPreview* w) {
        title = w->windowTitle();
        shownLines = w->txtLog->Lines().ToStringList();
        if (qEnvironmentVariableIsSet("QORVEL_RENDER_DIR")) {
            w->show();
            w->grab().save(qEnvironmentVariable("QORVEL_RENDER_DIR") + "/ddl_preview.png");
        }
        return int(QDialog::Accepted);
    };
    QStringList sql{"use [db]", "go", "create view v as select 1", "go"};
    EXPECT_TRUE(TfrmDDLPreview::ShowWindow(sql, "db", "dbo", "v"));
    EXPECT_EQ(title, "dbo.v のコンパイル");
    EXPECT_EQ(shownLines, sql);
    EXPECT_EQ(sql, (QStringList{"use [db]", "go", "create view v as select 1", "go"}));

    TfrmDDLPreview::ExecHook = [&](TfrmDDLPreview*) { return int(QDialog::Rejected); };
    QStringList other{"drop view v"};
    EXPECT_FALSE(TfrmDDLPreview::ShowWindow(other, "db", "", "v"));
    EXPECT_EQ(other, QStringList{"drop view v"});
}

TEST_F(Preview, SaveProposesAFreeNameAndAddsTheExtension)
{
    QTemporaryDir tmp;
    qvOption.FileDir = tmp.path();
    QFile f(tmp.path() + "/dbo.v.sql");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    QString proposed;
    TfrmDDLPreview::SaveDialogHook = [&](QWidget*, const QString& p) {
        proposed = p;
        return tmp.path() + "/out.zzq";
    };
    QString notice, caption;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    TfrmDDLPreview::ExecHook = [&](TfrmDDLPreview* w) {
        qvtest::whenModal([&](QWidget* box) {
            auto* m = qobject_cast<QMessageBox*>(box);
            ASSERT_TRUE(m);
            notice = m->text();
            caption = m->windowTitle();
            icon = m->icon();
            m->accept();
        });
        w->btnSaveClick();
        return int(QDialog::Rejected);
    };
    QStringList sql{"create view v as select 1"};
    TfrmDDLPreview::ShowWindow(sql, "", "dbo", "v");
    EXPECT_EQ(QFileInfo(proposed).fileName(), "dbo.v01.sql");
    EXPECT_EQ(ReadTextFileLines(tmp.path() + "/out.zzq.sql", GetFileEncoding()), sql);
    EXPECT_EQ(notice, "SQL文の保存が完了しました。");
    EXPECT_EQ(caption, applicationTitle());
    EXPECT_EQ(icon, QMessageBox::Information);
}
