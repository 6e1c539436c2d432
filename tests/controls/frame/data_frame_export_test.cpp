// The data frame's exports through its tool buttons: options window, refresh, headings, the file
// or clipboard written, the options kept and the closing message.
#include "app/escape_watch.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/options.h"
#include "controls/export/export_dialogs.h"
#include "controls/frame/data_frame.h"
#include "controls/grid/data_grid.h"
#include "controls/inputs/inputs.h"
#include "platform/db/connection.h"
#include "platform/db/fixture.h"
#include "platform/db/query.h"
#include "platform/db/scripted_session.h"
#include "platform/xlsx/xlsx.h"
#include "support/test_env.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace qv;
using namespace qv::db;

namespace {

class ExportOwner : public TfraDataOwner {
public:
    FrameOwnerKind FrameOwnerType() const override { return kind; }
    QHash<QString, QString> FrameColumnComments() const override { return comments; }
    void FrameReload(TfraData& frame) override
    {
        ++reloads;
        TfraDataOwner::FrameReload(frame);
    }
    QWidget* FrameInsertFocus() const override { return insertFocus; }
    FrameOwnerKind kind = FrameOwnerKind::Other;
    QHash<QString, QString> comments;
    QWidget* insertFocus = nullptr;
    int reloads = 0;
};

// Presses Esc in the active window when the main window's message panel first shows progress
// from `from` records on, as a user watching the count would.
class EscAtProgress : public QObject {
public:
    EscAtProgress(QLabel* panel, int from) : m_panel(panel), m_from(from) { panel->installEventFilter(this); }
    bool sent = false;
    QStringList seen;

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint) {
            const QString text = m_panel->text();
            if (seen.value(seen.size() - 1) != text)
                seen << text;
            if (!sent && text.section(' ', 0, 0).toInt() >= m_from && text.contains(" / ")) {
                sent = true;
                QCoreApplication::postEvent(QApplication::activeWindow(),
                                            new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
            }
        }
        return false;
    }

private:
    QLabel* m_panel;
    int m_from;
};

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct FrameExportTest : ::testing::Test {
    std::shared_ptr<ScriptedSession> session = std::make_shared<ScriptedSession>();
    Connection conn;
    ExportOwner owner;
    std::unique_ptr<TfraData> frame;
    QStringList messages;
    TqvOption savedOption = qvOption;
    QString dir = qvtest::testHome() + "/frame_export/";

    void SetUp() override
    {
        QDir().mkpath(dir);
        qvOption.TempDir = qvtest::testHome() + "/work/";
        qvOption.AutoTran = false;
        qvOption.UpdateMode = false;
        qvOption.CSVDir = dir;
        qvOption.ExcelDir = dir;
        qvOption.FileDir = dir;
        conn.SetDriver(session);
        conn.Open();
        TfraData::MessageHook() = [this](const QString& text, TfraData::MessageKind) { messages << text; };
        session->fixture().pattern("select a, b from dbo.t1 x.*")
            .returns({column("a", "int"), column("b", "nvarchar(20)")}, {{1, "O'Brien"}, {2, "全角\u3000空白"}, {3, QVariant()}});
    }
    void TearDown() override
    {
        frame.reset();
        TfraData::MessageHook() = nullptr;
        TfraData::TableNameHook() = nullptr;
        TfraData::CopyQuestionHook() = nullptr;
        TfrmCSVSQL::ExecHook() = nullptr;
        TfrmXlsSQL::ExecHook() = nullptr;
        ExportDialogHooks::fileDialog() = nullptr;
        ExportDialogHooks::message() = nullptr;
        qvOption = savedOption;
    }
    void open(FrameOwnerKind kind, const QString& sql = "select a, b from dbo.t1 x")
    {
        owner.kind = kind;
        frame = std::make_unique<TfraData>(&owner);
        frame->resize(640, 300);
        frame->SetConnection(&conn);
        frame->SetSQL(sql);
        frame->Prepare();
        frame->Open();
        ASSERT_TRUE(frame->qryData->Active());
    }
};

} // namespace

TEST_F(FrameExportTest, CsvButtonWritesTheFileWithTheWindowsChoices)
{
    open(FrameOwnerKind::TableWindow);
    frame->SetTableName("dbo.t1");
    owner.comments = {{"b", QStringLiteral("氏名")}};
    QString proposed;
    TfrmCSVSQL::ExecHook() = [&](TfrmCSVSQL* d) {
        proposed = d->txtSaveFile->text();
        d->cmbEncoding->setCurrentIndex(2);
        d->cmbLineBreak->setCurrentIndex(1);
        d->rdoTitleIndex->button(int(tmComment))->setChecked(true);
        d->rdoQuotation->button(2)->setChecked(true);
        d->chkRefresh->setChecked(true);
        return d->btnOkClick() ? QDialog::Accepted : QDialog::Rejected;
    };
    frame->btnCSV->click();
    EXPECT_EQ(proposed, dir + "dbo.t1.csv");
    EXPECT_EQ(readAll(dir + "dbo.t1.csv"),
              QByteArray("\"a\",\"氏名\"\n1,O'Brien\n2,\"全角\u3000空白\"\n3,\n"));
    EXPECT_EQ(owner.reloads, 1); // the refresh box reads the data again first
    EXPECT_EQ(messages, QStringList{"CSVを出力しました。"});
    // The choices are the next export's defaults.
    EXPECT_EQ(qvOption.CSVLineBreak, 1);
    EXPECT_EQ(qvOption.CSVQuotation, 2);
    EXPECT_EQ(qvOption.CSVTitle, tmComment);
    EXPECT_TRUE(qvOption.CSVRefresh);
    EXPECT_EQ(qvOption.Encoding, 2);
    EXPECT_EQ(qvOption.CSVDir, dir);

    // Cancel writes nothing.
    TfrmCSVSQL::ExecHook() = [](TfrmCSVSQL*) { return int(QDialog::Rejected); };
    messages.clear();
    frame->btnCSVClick();
    EXPECT_FALSE(QFile::exists(dir + "dbo.t101.csv"));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(FrameExportTest, CsvWriteFailureShowsTheSaveMessage)
{
    open(FrameOwnerKind::Other);
    QDir().mkpath(dir + "taken.csv"); // a folder in the file's place
    TfrmCSVSQL::ExecHook() = [&](TfrmCSVSQL* d) {
        d->txtSaveFile->setText(dir + "taken.csv");
        d->accept();
        return int(QDialog::Accepted);
    };
    frame->btnCSVClick();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("taken.csv の保存に失敗しました。")) << messages[0].toStdString();
}

TEST_F(FrameExportTest, ExcelButtonFillsTheWorkbookFromTheStartCell)
{
    open(FrameOwnerKind::SQLWindow);
    qvOption.ExcelTitle = tmComment; // not offered on the SQL window: the names are used
    TfrmXlsSQL::ExecHook() = [&](TfrmXlsSQL* d) {
        EXPECT_FALSE(d->rdoExcelTitle->button(int(tmComment))->isEnabled());
        EXPECT_TRUE(d->rdoExcelTitle->button(int(tmColumnName))->isChecked());
        d->txtSaveFile->setText(dir + "result.xlsx");
        d->cmbColumn->setCurrentIndex(2);
        d->txtRow->setValueInt(5);
        return d->btnOkClick() ? QDialog::Accepted : QDialog::Rejected;
    };
    frame->btnExcel->click();
    EXPECT_EQ(messages, QStringList{"ファイルに出力しました。"});
    const xlsx::SheetContent s = xlsx::ReadWorkbook(dir + "result.xlsx").at(0);
    EXPECT_EQ(s.value("C5"), "a");
    EXPECT_EQ(s.value("D5"), "b");
    EXPECT_EQ(s.value("C6"), "1");
    EXPECT_EQ(s.value("D6"), "O'Brien");
    EXPECT_EQ(s.value("C8"), "3");
    EXPECT_EQ(s.value("D8"), "");
    EXPECT_EQ(qvOption.ExcelTop, 4);
    EXPECT_EQ(qvOption.ExcelLeft, 2);
    EXPECT_EQ(qvOption.ExcelDir, dir);
}

TEST_F(FrameExportTest, ExcelWithTheSaveDialogAloneAddsTheExtension)
{
    open(FrameOwnerKind::Other);
    qvOption.ExcelDialog = true;
    qvOption.ExcelMode = 1;
    qvOption.ExcelTitle = tmNone;
    ExportDialogHooks::fileDialog() = [&](const QString&, const QString& proposed, const QString& filter) {
        EXPECT_EQ(proposed, dir + ".xlsx");
        EXPECT_EQ(filter, "Excelファイル(*.xlsx)|*.xlsx|すべてのファイル(*.*)|*.*");
        return dir + "across";
    };
    frame->btnExcelClick();
    const xlsx::SheetContent s = xlsx::ReadWorkbook(dir + "across.xlsx").at(0);
    EXPECT_EQ(s.value("A1"), "1");
    EXPECT_EQ(s.value("B1"), "2");
    EXPECT_EQ(s.value("A2"), "O'Brien");
}

TEST_F(FrameExportTest, InsertButtonWritesQuotedStatements)
{
    open(FrameOwnerKind::SQLWindow);
    qvOption.Encoding = 2;
    QString proposed;
    ExportDialogHooks::fileDialog() = [&](const QString&, const QString& p, const QString&) {
        proposed = p;
        return dir + "out.sql";
    };
    frame->btnInsert->click();
    EXPECT_EQ(proposed, dir + "insert.sql");
    const QString text = QString::fromUtf8(readAll(dir + "out.sql"));
    EXPECT_TRUE(text.contains("INSERT INTO [dbo].[t1] ([a], [b]) VALUES (1, N'O''Brien')\r\ngo\r\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("VALUES (3, NULL)\r\ngo\r\n")) << text.toStdString();
    EXPECT_EQ(messages, QStringList{"ファイルに出力しました。"});
}

TEST_F(FrameExportTest, InsertAsksForTheTableOfAJoinAndCancelWritesNothing)
{
    session->fixture().pattern("select t1.a, t2.b from t1 join t2.*")
        .returns({column("a", "int"), column("b", "nvarchar(20)")}, {{1, "x"}});
    open(FrameOwnerKind::SQLWindow, "select t1.a, t2.b from t1 join t2 on t1.a = t2.a");
    int asked = 0;
    TfraData::TableNameHook() = [&](QString&) {
        ++asked;
        return false;
    };
    int dialogs = 0;
    ExportDialogHooks::fileDialog() = [&](const QString&, const QString&, const QString&) {
        ++dialogs;
        return dir + "join.sql";
    };
    frame->btnInsertClick();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(dialogs, 0);
    EXPECT_FALSE(QFile::exists(dir + "join.sql"));

    TfraData::TableNameHook() = [](QString& name) {
        name = "my table";
        return true;
    };
    frame->btnInsertClick();
    EXPECT_TRUE(QString::fromUtf8(readAll(dir + "join.sql")).contains("INSERT INTO [my table] ([a], [b]) VALUES (1, N'x')\r\ngo"));
}

TEST_F(FrameExportTest, CopyButtonWithTheQuestion)
{
    open(FrameOwnerKind::Other);
    qvOption.PasteDialog = true;
    qvOption.PasteTitle = tmNone;
    qvOption.PasteColumn = 0;
    bool headingOffered = true;
    TfraData::CopyQuestionHook() = [&](const QString& text, bool& heading, bool& comma) {
        EXPECT_EQ(text, "結果をクリップボードにコピーしますか？");
        headingOffered = heading;
        heading = true;
        comma = true;
        return int(IDYES);
    };
    frame->btnCopy->click();
    EXPECT_FALSE(headingOffered);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("a,b\r\n1,O'Brien\r\n2,全角\u3000空白\r\n3,\r\n"));
    EXPECT_EQ(qvOption.PasteColumn, 1);
    EXPECT_EQ(qvOption.PasteTitle, tmNone); // the heading choice is not kept
    EXPECT_EQ(messages, QStringList{"クリップボードに出力しました。"});

    QApplication::clipboard()->setText("before");
    TfraData::CopyQuestionHook() = [](const QString&, bool&, bool&) { return int(IDNO); };
    frame->btnCopyClick();
    EXPECT_EQ(QApplication::clipboard()->text(), "before");
}

TEST_F(FrameExportTest, EscInTheMainWindowStopsTheExportsAfterTheRecordsSoFar)
{
    std::vector<QVariantList> rows;
    for (int i = 1; i <= 5000; ++i)
        rows.push_back(QVariantList{i, QStringLiteral("r%1").arg(i)});
    session->fixture().pattern("select n, s from big.*").returns({column("n", "int"), column("s", "varchar(10)")}, rows);
    TfrmMain main;
    main.show();
    QApplication::setActiveWindow(&main);
    ASSERT_EQ(QApplication::activeWindow(), &main);
    open(FrameOwnerKind::Other, "select n, s from big");
    QLabel* panel = main.stsMain()->panel(2);

    {
        EscAtProgress esc(panel, 1000);
        TfrmCSVSQL::ExecHook() = [&](TfrmCSVSQL* d) {
            d->txtSaveFile->setText(dir + "big.csv");
            d->rdoTitleIndex->button(int(tmColumnName))->setChecked(true);
            return d->btnOkClick() ? QDialog::Accepted : QDialog::Rejected;
        };
        frame->btnCSV->click();
        ASSERT_TRUE(esc.sent);
        EXPECT_TRUE(esc.seen.contains("1024 / 5000 [ESC]キーを押すと処理を中断します。")) << esc.seen.join('|').toStdString();
    }
    // The record whose progress was on show when Esc came is still written; the file is whole.
    const QList<QByteArray> lines = readAll(dir + "big.csv").split('\n');
    ASSERT_EQ(lines.size(), 1 + 1025 + 1);
    EXPECT_EQ(lines[1025], "\"1025\",\"r1025\"\r");
    EXPECT_EQ(lines.last(), "");
    EXPECT_FALSE(EscapeWatch::active()); // the idle message ended the watch

    {
        EscAtProgress esc(panel, 1000);
        qvOption.ExcelDialog = true;
        ExportDialogHooks::fileDialog() = [&](const QString&, const QString&, const QString&) { return dir + "big.xlsx"; };
        frame->btnExcel->click();
        ASSERT_TRUE(esc.sent);
    }
    const xlsx::SheetContent s = xlsx::ReadWorkbook(dir + "big.xlsx").at(0);
    EXPECT_EQ(s.value(1026, 1), "1025");
    EXPECT_EQ(s.value(1027, 1), "");
    EXPECT_EQ(messages, (QStringList{"CSVを出力しました。", "ファイルに出力しました。"}));
}

// The grid gives up the focus while the INSERT script is written: to the main window's top tool
// bar, or on the test-data generator to its database box.
TEST_F(FrameExportTest, InsertMovesTheFocusOffTheGrid)
{
    TfrmMain main;
    main.show();
    QApplication::setActiveWindow(&main);
    ASSERT_EQ(QApplication::activeWindow(), &main);
    QLineEdit databaseBox(&main);
    databaseBox.show();
    for (const bool generator : {false, true}) {
        open(generator ? FrameOwnerKind::DataGenerator : FrameOwnerKind::Other);
        owner.insertFocus = generator ? &databaseBox : nullptr;
        TfraData::TableNameHook() = [](QString& name) {
            name = "t1";
            return true;
        };
        frame->setParent(&main);
        frame->show();
        frame->grdData1->setFocus();
        ASSERT_TRUE(frame->isAncestorOf(QApplication::focusWidget()));
        ExportDialogHooks::fileDialog() = [&](const QString&, const QString&, const QString&) { return dir + "focus.sql"; };
        frame->btnInsert->click();
        QWidget* expected = generator ? static_cast<QWidget*>(&databaseBox) : main.toolBar("pnlDB");
        EXPECT_EQ(QApplication::focusWidget(), expected) << generator;
        frame.reset();
    }
}
