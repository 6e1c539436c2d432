// The support text: the driver line without a connection, the Linux system items and the
// PATH lines; the window's copy and print actions.
#include "app/mainwin/fake_connection_helper.h"
#include "app/support_info.h"
#include "support/modal_helper.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <gtest/gtest.h>

using namespace qv;
using namespace qvtest;

TEST(SupportInfo, WithoutConnectionTheDriverCannotBeRead)
{
    const QStringList lines = SupportLines(GatherSupportFacts(nullptr));
    EXPECT_EQ(lines[0], "【Qorvel情報】");
    EXPECT_EQ(lines[1], "  バージョン         : 22");
    EXPECT_TRUE(lines.contains("  DriverName         : 未接続のため取得できません。"));
    EXPECT_TRUE(lines.contains("  UAC                : 未実装"));
    const QString os = lines.filter("  OS名               : ").value(0);
    EXPECT_FALSE(os.endsWith(": ")) << os.toStdString();
    EXPECT_TRUE(lines.filter("  メモリ             : ").value(0).endsWith(" MB"));
}

TEST(SupportInfo, DriverLinesComeFromTheSessionReport)
{
    class Reporting : public FakeConnectionWindow {
    public:
        QStringList InfoReport() override { return {"Driver name = libtdsodbc.so", "Driver version = 01.03.0017"}; }
    } conn;
    const QStringList lines = SupportLines(GatherSupportFacts(&conn));
    EXPECT_TRUE(lines.contains("  DriverName         : libtdsodbc.so"));
    EXPECT_TRUE(lines.contains("  DriverVersion      : 01.03.0017"));
}

TEST(SupportInfo, PathIsSplitOneEntryALine)
{
    SupportFacts f;
    f.path = "/usr/bin:/opt/ツール/bin:";
    const QStringList lines = SupportLines(f);
    const qsizetype i = lines.indexOf("  PATH環境変数       : /usr/bin");
    ASSERT_GE(i, 0);
    EXPECT_EQ(lines[i + 1], QString(23, ' ') + "/opt/ツール/bin");
    EXPECT_EQ(lines[i + 2], QString(23, ' '));
    EXPECT_EQ(lines.size(), i + 3);
}

TEST(SupportInfo, SystemValueParsers)
{
    const QString rel = "NAME=\"Debian GNU/Linux\"\nVERSION_ID=\"12\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n";
    EXPECT_EQ(OsReleaseValue(rel, "PRETTY_NAME", "Unknown"), "Debian GNU/Linux 12 (bookworm)");
    EXPECT_EQ(OsReleaseValue(rel, "VERSION_ID", "Unknown"), "12");
    EXPECT_EQ(OsReleaseValue(rel, "BUILD_ID", "Unknown"), "Unknown");
    EXPECT_DOUBLE_EQ(MemTotalMB("MemTotal:       16384000 kB\nMemFree: 1 kB\n"), 16000.0);
    EXPECT_EQ(MemTotalMB("nothing"), 0);
    EXPECT_EQ(MemoryText(16000.4), "16000 MB");
    EXPECT_EQ(MemoryText(0), "Unknown");
    EXPECT_FALSE(CurrentUserName().isEmpty());
    EXPECT_FALSE(CurrentUserGroups().isEmpty());
}

TEST(SupportInfo, WindowCopiesAndOffersPrinting)
{
    TfrmSupport w(SupportLines(GatherSupportFacts(nullptr)));
    w.show();
    EXPECT_TRUE(w.actPrint->isEnabled());
    QString text;
    whenModal([&](QWidget* m) {
        if (auto* mb = qobject_cast<QMessageBox*>(m))
            text = mb->text();
        m->close();
    });
    w.actCopy->trigger();
    EXPECT_EQ(text, "クリップボードに出力しました。");
    EXPECT_EQ(QApplication::clipboard()->text(), w.txtSupport->toPlainText());
    EXPECT_TRUE(w.txtSupport->toPlainText().contains("【OS情報】"));
    saveGrab(&w, "support_window");
}
