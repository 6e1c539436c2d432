#include <gtest/gtest.h>

#include "app/message_box.h"
#include "app/options.h"
#include "controls/export/export_dialogs.h"
#include "controls/inputs/inputs.h"
#include "support/test_env.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QToolButton>

using namespace qv;
using namespace qv::exporting;

namespace {

struct DialogTest : ::testing::Test {
    TqvOption saved = qvOption;
    QStringList messages;
    int answer = IDNO;
    QString dir = qvtest::testHome() + "/dialogs/";
    void SetUp() override
    {
        QDir().mkpath(dir);
        ExportDialogHooks::message() = [this](const QString& text, int) {
            messages << text;
            return answer;
        };
    }
    void TearDown() override
    {
        ExportDialogHooks::message() = nullptr;
        ExportDialogHooks::fileDialog() = nullptr;
        qvOption = saved;
    }
};

// The window rendered offscreen (saved as a PNG in $QORVEL_GRAB_DIR when set, for looking at
// it), and a check that no label or button is cut: each gets at least the width its text needs.
void render(QWidget& w, const QString& file)
{
    w.show();
    const QString out = qEnvironmentVariable("QORVEL_GRAB_DIR");
    if (!out.isEmpty())
        w.grab().save(out + "/" + file);
    for (QLabel* l : w.findChildren<QLabel*>())
        EXPECT_GE(l->width(), l->fontMetrics().horizontalAdvance(l->text()) - 1) << l->text().toStdString();
    for (QAbstractButton* b : w.findChildren<QAbstractButton*>()) {
        if (!b->text().isEmpty()) {
            EXPECT_GE(b->width(), b->fontMetrics().horizontalAdvance(b->text())) << b->text().toStdString();
        }
    }
    w.hide();
}

} // namespace

TEST(ExportPaths, ChecksAndExtensions)
{
    const QString dir = qvtest::testHome() + "/";
    EXPECT_EQ(CheckSavePath(dir + "a.csv"), QString());
    EXPECT_EQ(CheckSavePath("a.csv"), "指定されたフォルダは存在しないか、無効です。");
    EXPECT_EQ(CheckSavePath(dir + "missing/a.csv"), "指定されたフォルダは存在しないか、無効です。");
    EXPECT_EQ(CheckSavePath(dir + ".csv"), "ファイル名を入力して下さい。");
    EXPECT_EQ(CheckSavePath(dir + "  .csv"), "ファイル名を入力して下さい。");
    EXPECT_EQ(WithDefaultExtension("/x/a.CSV", ".csv", {".CSV"}), "/x/a.CSV");
    EXPECT_EQ(WithDefaultExtension("/x/a.txt", ".csv", {".CSV"}), "/x/a.txt.csv");
    EXPECT_EQ(WithDefaultExtension("/x/a", ".xlsx", {".XLSX"}), "/x/a.xlsx");
    EXPECT_EQ(WithoutTrailingSeparator("/x/y/"), "/x/y");
    EXPECT_EQ(FolderOf("/x/y/a.csv"), "/x/y/");
}

TEST_F(DialogTest, CsvWindowLoadsAndStoresEveryOption)
{
    qvOption.CSVDir = dir;
    qvOption.Encoding = 3;
    qvOption.CSVLineBreak = 1;
    qvOption.CSVQuotation = 2;
    qvOption.CSVTitle = tmNone;
    qvOption.CSVRefresh = true;
    TfrmCSVSQL w;
    EXPECT_EQ(w.windowTitle(), "CSV出力");
    EXPECT_EQ(w.txtSaveFile->text(), dir);
    EXPECT_EQ(w.cmbEncoding->currentText(), "UTF-16 (LE)");
    EXPECT_EQ(w.cmbLineBreak->currentText(), "LF (UNIX)");
    EXPECT_EQ(w.rdoQuotation->checkedId(), 2);
    EXPECT_EQ(w.rdoTitleIndex->checkedId(), int(tmNone));
    EXPECT_TRUE(w.chkRefresh->isChecked());
    EXPECT_EQ(w.cmbEncoding->count(), 5);
    render(w, "frmCSVSQL.png");

    w.txtSaveFile->setText(dir + "out.csv");
    w.cmbEncoding->setCurrentIndex(0);
    w.cmbLineBreak->setCurrentIndex(0);
    w.rdoQuotation->button(1)->setChecked(true);
    w.rdoTitleIndex->button(int(tmComment))->setChecked(true);
    w.chkRefresh->setChecked(false);
    ASSERT_TRUE(w.btnOkClick());
    EXPECT_EQ(qvOption.Encoding, 0);
    EXPECT_EQ(qvOption.CSVLineBreak, 0);
    EXPECT_EQ(qvOption.CSVQuotation, 1);
    EXPECT_EQ(qvOption.CSVTitle, tmComment);
    EXPECT_FALSE(qvOption.CSVRefresh);
    EXPECT_EQ(qvOption.CSVDir, dir);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(DialogTest, CsvWindowRefusesBadPathsAndAsksBeforeOverwriting)
{
    TfrmCSVSQL w;
    const std::pair<QString, const char*> refused[] = {
        {"bare.csv", "指定されたフォルダは存在しないか、無効です。"},
        {dir + ".csv", "ファイル名を入力して下さい。"},
    };
    for (const auto& [path, text] : refused) {
        messages.clear();
        w.txtSaveFile->setText(path);
        EXPECT_FALSE(w.btnOkClick());
        EXPECT_EQ(messages, QStringList{QString::fromUtf8(text)});
    }
    QFile f(dir + "there.csv");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    messages.clear();
    w.txtSaveFile->setText(dir + "there.csv");
    answer = IDNO;
    EXPECT_FALSE(w.btnOkClick());
    EXPECT_EQ(messages, QStringList{dir + "there.csv はすでに存在します。\r\n上書きしますか？"});
    answer = IDYES;
    EXPECT_TRUE(w.btnOkClick());
}

TEST_F(DialogTest, CsvFileButton)
{
    TfrmCSVSQL w;
    QString proposed;
    ExportDialogHooks::fileDialog() = [&](const QString& caption, const QString& p, const QString& filter) {
        EXPECT_EQ(caption, "名前を付けて保存");
        EXPECT_EQ(filter, "CSVファイル(*.csv)|*.csv|すべてのファイル(*.*)|*.*");
        proposed = p;
        return dir + "chosen";
    };
    w.txtSaveFile->setText(dir + "name/");
    w.btnSaveFile->click();
    EXPECT_EQ(proposed, dir + "name");
    EXPECT_EQ(w.txtSaveFile->text(), dir + "chosen.csv");
}

TEST_F(DialogTest, ExcelWindowChecksAndStores)
{
    qvOption.ExcelSheet = "S";
    qvOption.ExcelTop = 4;
    qvOption.ExcelLeft = 2;
    qvOption.ExcelMode = 1;
    qvOption.ExcelTitle = tmComment;
    TfrmXlsSQL w(false);
    EXPECT_EQ(w.txtRow->ValueInt(), 5);
    EXPECT_EQ(w.cmbColumn->currentText(), "C");
    EXPECT_EQ(w.cmbColumn->count(), 256);
    EXPECT_EQ(w.cmbColumn->itemText(255), "IV");
    EXPECT_EQ(w.rdoExcel->checkedId(), 1);
    EXPECT_EQ(w.rdoExcelTitle->checkedId(), int(tmComment));
    EXPECT_EQ(w.txtSheet->maxLength(), 31);
    render(w, "frmXlsSQL.png");

    w.txtSaveFile->setText(dir + "book.xlsx");
    w.txtRow->setValueInt(0);
    EXPECT_FALSE(w.btnOkClick());
    w.txtRow->setValueInt(65537);
    EXPECT_FALSE(w.btnOkClick());
    w.txtRow->setValueInt(65536);
    w.txtSheet->setText("a[b");
    EXPECT_FALSE(w.btnOkClick());
    w.txtSheet->setText("シート");
    w.txtFormFile->setText(dir + "none.xlsx");
    EXPECT_FALSE(w.btnOkClick());
    ASSERT_EQ(messages.size(), 4);
    EXPECT_EQ(messages[0], "行は 1 ～ 65536 の範囲で指定して下さい。");
    EXPECT_TRUE(messages[2].startsWith("次の使用できない文字が含まれています。"));
    EXPECT_EQ(messages[3], dir + "none.xlsx が存在しません。");
    w.txtFormFile->clear();
    w.cmbColumn->setCurrentIndex(0);
    ASSERT_TRUE(w.btnOkClick());
    EXPECT_EQ(qvOption.ExcelTop, 65535);
    EXPECT_EQ(qvOption.ExcelLeft, 0);
    EXPECT_EQ(qvOption.ExcelSheet, "シート");

    TfrmXlsSQL sql(true);
    EXPECT_FALSE(sql.rdoExcelTitle->button(int(tmComment))->isEnabled());
    EXPECT_EQ(sql.rdoExcelTitle->checkedId(), int(tmColumnName));
}
