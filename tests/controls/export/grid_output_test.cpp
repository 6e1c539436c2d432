#include <gtest/gtest.h>

#include "app/message_box.h"
#include "app/options.h"
#include "controls/export/export_dialogs.h"
#include "controls/export/grid_output.h"
#include "platform/xlsx/xlsx.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QTemporaryDir>

using namespace qv;
using namespace qv::exporting;

namespace {

struct GridOutput : ::testing::Test {
    TqvOption saved = qvOption;
    QStringList boxes; // "<flags>:<text>"
    int answer = IDYES;
    bool tick = false;
    QString proposed;
    QString chosen; // relative to dir, empty: cancel
    QTemporaryDir dir;

    void SetUp() override
    {
        GridOutputHooks::message() = [this](const QString& text, int flags, bool* comma) {
            boxes << QStringLiteral("%1:%2").arg(flags).arg(text);
            if (comma)
                *comma = tick;
            return answer;
        };
        ExportDialogHooks::fileDialog() = [this](const QString&, const QString& p, const QString&) {
            proposed = p;
            return chosen.isEmpty() ? QString() : dir.filePath(chosen);
        };
        qvOption.ExcelDir = dir.path();
        qvOption.ExcelExt = QStringLiteral(".xlsx");
    }
    void TearDown() override
    {
        GridOutputHooks::message() = nullptr;
        ExportDialogHooks::fileDialog() = nullptr;
        qvOption = saved;
    }
};

const QList<QStringList> kRows = {{"名前", "メッセージ"}, {"job1", "line1\r\nline2"}, {"job2", ""}};

} // namespace

TEST_F(GridOutput, ExcelProposesAFreeNameAddsTheExtensionAndWritesEveryCell)
{
    QFile existing(dir.filePath("JOBHISTORY.xlsx"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();
    chosen = QStringLiteral("sub/out"); // no extension, folder missing
    ASSERT_TRUE(GridExcelOutput(nullptr, QStringLiteral("JOBHISTORY"), kRows, {{5, 100}}));
    EXPECT_EQ(proposed, dir.filePath("JOBHISTORY01.xlsx"));
    const auto sheets = xlsx::ReadWorkbook(dir.filePath("sub/out.xlsx"));
    ASSERT_EQ(sheets.size(), 1u);
    EXPECT_EQ(sheets[0].value(1, 2), "メッセージ");
    EXPECT_EQ(sheets[0].value(2, 2), "line1 line2");
    EXPECT_EQ(sheets[0].value(3, 1), "job2");
    EXPECT_EQ(sheets[0].columnWidths.at(5), 100);
    EXPECT_EQ(qvOption.ExcelDir, dir.filePath("sub") + "/");
    EXPECT_EQ(boxes, QStringList{QStringLiteral("%1:ファイルに出力しました。").arg(MB_ICONINFORMATION)});

    // A known extension is kept as chosen; cancel writes nothing.
    chosen = QStringLiteral("keep.xls");
    ASSERT_TRUE(GridExcelOutput(nullptr, QStringLiteral("X"), kRows));
    EXPECT_TRUE(QFile::exists(dir.filePath("keep.xls")));
    chosen.clear();
    boxes.clear();
    EXPECT_FALSE(GridExcelOutput(nullptr, QStringLiteral("X"), kRows));
    EXPECT_TRUE(boxes.isEmpty());
}

TEST_F(GridOutput, ClipboardAsksForTheSeparatorAndKeepsTheChoice)
{
    qvOption.PasteDialog = true;
    qvOption.PasteColumn = 0;
    tick = true;
    const QList<QStringList> data = kRows.mid(1);
    ASSERT_TRUE(GridClipboardOutput(data));
    EXPECT_EQ(QApplication::clipboard()->text(), "job1,line1 line2\r\njob2,\r\n");
    EXPECT_EQ(qvOption.PasteColumn, 1);
    EXPECT_EQ(boxes.last(), QStringLiteral("%1:クリップボードに出力しました。").arg(MB_ICONINFORMATION));

    // Without the dialog the stored choice decides; "No" copies nothing.
    qvOption.PasteDialog = false;
    qvOption.PasteColumn = 0;
    ASSERT_TRUE(GridClipboardOutput(data));
    EXPECT_EQ(QApplication::clipboard()->text(), "job1\tline1 line2\r\njob2\t\r\n");
    qvOption.PasteDialog = true;
    answer = IDNO;
    QApplication::clipboard()->setText("kept");
    EXPECT_FALSE(GridClipboardOutput(data));
    EXPECT_EQ(QApplication::clipboard()->text(), "kept");
}

TEST(GridOutputText, ProgressStopsTheTextAtTheRow)
{
    int calls = 0;
    EXPECT_EQ(GridClipboardText(kRows, QLatin1Char('\t'), [&](int done, int count) {
                  EXPECT_EQ(count, 3);
                  ++calls;
                  return done == 3;
              }),
              "名前\tメッセージ\r\njob1\tline1 line2\r\n");
    EXPECT_EQ(calls, 3);
}
