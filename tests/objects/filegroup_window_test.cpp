// The file group window on the scripted session, opened through the connection window as the
// object list opens it: the grid as loaded (sizes, growth, maximum, the usage bar), the exact
// statements of a new file group and of changes to an existing one, validation, the commit of
// an open transaction before the run, the folder choice on the server, the delete, and the
// stored-objects page with its drops.
#include "objects/filegroup_text.h"
#include "objects/filegroup_window.h"

#include "app/message_box.h"
#include "controls/grid/string_grid.h"
#include "controls/lists/qv_listview.h"
#include "platform/db/connection.h"
#include "connection/dm_sqlserver.h"
#include "connection/object_session.h"
#include "connection/object_window.h"
#include "connection/open_object_map.h"
#include "support/test_env.h"
#include "platform/exceptions.h"
#include "tables/define_script.h"
#include "tables/define_session_helper.h"

#include <QBuffer>
#include <QDialog>
#include <QDir>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTabWidget>

using namespace qv;
using qv::db::column;
using qv::db::FixtureRule;
using namespace qv::filegroup;
using namespace qvtest;

namespace {

void saveGrab(QWidget* w, const QString& name)
{
    const QString dir = qEnvironmentVariable("QORVEL_RENDER_DIR", testHome());
    QDir().mkpath(dir);
    EXPECT_TRUE(w->grab().save(dir + "/" + name + ".png")) << name.toStdString();
}

// The file query as the session receives it: parameters as markers, lines ended by LF.
QString Sent(QString sql)
{
    sql.replace(":FILEGROUP", "?").replace(":DATABASE", "?").replace(":FILE", "?").replace("\r\n", "\n");
    return sql;
}
const QString FileSelect = Sent(FileSql(15, FileGroupKind));

std::string Lines(const QStringList& l) { return l.join("\n----\n").toStdString(); }

// A scripted session that notes, for each ALTER DATABASE, whether a transaction was open.
struct TransactionWatch : qv::db::ScriptedSession {
    QList<bool> alterInTransaction;
    qv::db::ExecOutcome execute(const qv::db::StatementRequest& request) override
    {
        if (request.sql.contains("ALTER DATABASE", Qt::CaseInsensitive))
            alterInTransaction << !autoCommit();
        return ScriptedSession::execute(request);
    }
};

struct FileGroupWindow : DefineSession {
    QStringList checkBoxes;       // texts of the boxes with check boxes
    QList<bool> checkAnswers;     // states the next box's first check box takes
    QList<int> checkButtons;      // answers of those boxes (IDYES when none is left)

    std::shared_ptr<TransactionWatch> watch = std::make_shared<TransactionWatch>();

    void SetUp() override
    {
        DefineSession::SetUp();
        session = watch;
        Connect();
        for (const char* db : {"use [sales]", "use [master]"})
            session->fixture().exact(db);
        TfrmTBS::CheckBoxHook = [this](const QString& text, int, const CheckList& checks) {
            checkBoxes << text;
            if (!checks.isEmpty() && !checkAnswers.isEmpty())
                *checks.first().value = checkAnswers.takeFirst();
            return checkButtons.isEmpty() ? IDYES : checkButtons.takeFirst();
        };
    }
    void TearDown() override
    {
        TfrmTBS::CheckBoxHook = nullptr;
        TfrmTBS::FolderHook = nullptr;
        DefineSession::TearDown();
    }
    // The files of the group `name` in sales: name, path, size, growth, maximum, used pages,
    // percent flag.
    void Files(const QString& name, const QList<QVariantList>& rows)
    {
        FixtureRule& r = session->fixture().exact(FileSelect);
        r.params = QVariantList{name, "sales"};
        QList<QVariantList> full;
        for (const QVariantList& v : rows)
            full << QVariantList{v[0], v[1], name, v[2], v[3], v[4], v[5], "ONLINE", v[6], 0};
        r.returns({column("name", "sysname"), column("physical_name", "nvarchar(260)"), column("fg", "sysname"),
                   column("size", "int"), column("growth", "int"), column("max_size", "int"),
                   column("used", "int"), column("state_desc", "nvarchar(60)"), column("pct", "bit"),
                   column("log", "int")},
                  std::vector<QVariantList>(full.begin(), full.end()));
    }
    TfrmTBS* OpenGroup(const QString& name, TOpenMode mode = omDefine)
    {
        return qobject_cast<TfrmTBS*>(Open(69, "sales", "", name, mode));
    }
    // Types into a cell as the in-place editor does.
    static void Type(TfrmTBS* w, Field f, int row, const QString& text)
    {
        w->grdFile->SetEditText(w->Column(f), row, text);
    }
    static QString CellOf(TfrmTBS* w, Field f, int row) { return w->grdFile->Cells(w->Column(f), row); }
};

// fg1 with two files: 10 MB half used growing by 10 %, 64 MB growing by 8 MB up to 100 MB.
void TwoFiles(FileGroupWindow& t)
{
    t.Files("fg1", {{"fg1_1", "D:\\data\\fg1_1.ndf", 1280, 10, -1, 640, true},
                    {"fg1_2", "D:\\data\\fg1_2.ndf", 8192, 1024, 12800, 0, false}});
}

} // namespace

TEST_F(FileGroupWindow, NewFileGroupRunsTheExactAddStatements)
{
    TfrmTBS* w = OpenGroup("");
    ASSERT_TRUE(w);
    EXPECT_EQ(w->windowTitle(), QString::fromUtf8("FILEGROUP - 新規"));
    EXPECT_TRUE(w->IsNew());
    EXPECT_FALSE(w->pagObject->isTabVisible(w->pagObject->indexOf(w->tabContents)));
    EXPECT_FALSE(w->pagObject->isTabVisible(w->pagObject->indexOf(w->tabSource)));
    EXPECT_EQ(w->grdFile->RowCount(), 2);
    w->txtName->setText("fg2");
    Type(w, Field::Name, 1, "fg2_1");
    EXPECT_EQ(w->grdFile->RowCount(), 3); // typing into the last row adds a blank row
    Type(w, Field::Path, 1, "D:\\data\\fg2_1.ndf");
    Type(w, Field::Size, 1, "8");
    Type(w, Field::Growth, 1, "10");
    Type(w, Field::Unit, 1, "%");
    EXPECT_TRUE(w->Modified());
    main->resize(1400, 500);
    main->show();
    if (QWidget* f = w->parentWidget())
        f->resize(1340, 300);
    QCoreApplication::processEvents();
    saveGrab(w, "filegroup_new");

    const QString addGroup = "ALTER DATABASE [sales]\n  ADD FILEGROUP [fg2]";
    const QString addFile = "ALTER DATABASE [sales]\n"
                            "  ADD FILE ( NAME = N'fg2_1', FILENAME = N'D:\\data\\fg2_1.ndf', SIZE = 8192KB, "
                            "FILEGROWTH = 10%)\n"
                            "   TO FILEGROUP [fg2]";
    session->fixture().exact(addGroup).affects(0);
    session->fixture().exact(addFile).affects(0);
    Files("fg2", {{"fg2_1", "D:\\data\\fg2_1.ndf", 1024, 10, -1, 0, true}});
    const qsizetype mark = Mark();
    w->actCompile->trigger();
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join("\n").toStdString();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(Lines(StatementsFrom(mark)), Lines(QStringList({"use [sales]", addGroup, addFile, "use [sales]", FileSelect})));
    EXPECT_FALSE(w->IsNew());
    EXPECT_EQ(w->windowTitle(), "FILEGROUP - sales.fg2 @ srv.master");
    EXPECT_TRUE(w->pagObject->isTabVisible(w->pagObject->indexOf(w->tabContents)));
    EXPECT_EQ(CellOf(w, Field::Size, 1), "8");
}

TEST_F(FileGroupWindow, ExistingFileGroupShowsSizesAndAppliesOnlyTheChanges)
{
    TwoFiles(*this);
    TfrmTBS* w = OpenGroup("fg1");
    ASSERT_TRUE(w);
    EXPECT_EQ(w->windowTitle(), "FILEGROUP - sales.fg1 @ srv.master");
    ASSERT_EQ(w->grdFile->RowCount(), 4); // header, two files, the blank row
    EXPECT_EQ(w->grdFile->Rows(1), QStringList({"fg1_1", "D:\\data\\fg1_1.ndf", "10", "10", "%", "UNLIMITED", "5.00", "500"}));
    EXPECT_EQ(w->grdFile->Rows(2), QStringList({"fg1_2", "D:\\data\\fg1_2.ndf", "64", "8", "MB", "100", "0.00", "0"}));
    EXPECT_EQ(w->grdFile->Rows(3), QStringList(8, QString()));
    EXPECT_FALSE(w->Modified());

    // Names and paths of loaded files are fixed; the settings are not.
    w->grdFile->SetRow(1);
    w->grdFile->SetCol(w->Column(Field::Name));
    EXPECT_FALSE(w->grdFile->GridOptions() & goEditing);
    w->grdFile->SetCol(w->Column(Field::Size));
    EXPECT_TRUE(w->grdFile->GridOptions() & goEditing);
    w->grdFile->SetRow(3);
    w->grdFile->SetCol(w->Column(Field::Name));
    EXPECT_TRUE(w->grdFile->GridOptions() & goEditing);

    // fg1_1: 64 MB growth; fg1_2: smaller, growth emptied; a third file in the blank row.
    Type(w, Field::Growth, 1, "64");
    Type(w, Field::Unit, 1, "MB");
    Type(w, Field::Size, 2, "32");
    Type(w, Field::Growth, 2, "");
    Type(w, Field::Name, 3, "fg1_3");
    Type(w, Field::Path, 3, "D:\\data\\fg1_3.ndf");
    Type(w, Field::Size, 3, "8");
    Type(w, Field::Growth, 3, "10");
    Type(w, Field::Unit, 3, "%");
    EXPECT_EQ(w->grdFile->RowCount(), 5);
    const QStringList ddl{
        "ALTER DATABASE [sales]\n"
        "  ADD FILE (NAME = N'fg1_3', FILENAME = N'D:\\data\\fg1_3.ndf', SIZE = 8192KB, FILEGROWTH = 10%)\n"
        "   TO FILEGROUP [fg1]",
        "ALTER DATABASE [sales]\nMODIFY FILE (NAME = N'fg1_1', MAXSIZE = UNLIMITED, FILEGROWTH = 65536KB)",
        "ALTER DATABASE [sales]\nMODIFY FILE (NAME = N'fg1_2', MAXSIZE = 102400KB, FILEGROWTH = 0KB)",
    };
    for (const QString& s : ddl)
        session->fixture().exact(s).affects(0);
    const qsizetype mark = Mark();
    w->Compile();
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join("\n").toStdString();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(Lines(StatementsFrom(mark)), Lines(QStringList({"use [sales]"}) + ddl + QStringList({"use [sales]", FileSelect})));
    EXPECT_FALSE(w->Modified());

    // Unchanged: nothing is sent.
    boxes.clear();
    const qsizetype again = Mark();
    w->Compile();
    EXPECT_EQ(boxes, QStringList({"48:" + QString::fromUtf8("変更箇所が見つかりませんでした。")}));
    EXPECT_EQ(Lines(StatementsFrom(again)), Lines(QStringList({"use [sales]", FileSelect})));
}

TEST_F(FileGroupWindow, OpenTransactionIsCommittedBeforeTheRunAndRestartedAfter)
{
    const bool savedAutoTran = qvOption.AutoTran;
    qvOption.AutoTran = true;
    TwoFiles(*this);
    TfrmTBS* w = OpenGroup("fg1");
    ASSERT_TRUE(w);
    qv::db::Connection* link = w->Session()->dmSQLServer->Connection;
    link->StartTransaction();
    ASSERT_TRUE(link->InTransaction());
    Type(w, Field::Size, 1, "20");
    const QString modify =
        "ALTER DATABASE [sales]\nMODIFY FILE (NAME = N'fg1_1', SIZE = 20480KB, MAXSIZE = UNLIMITED, FILEGROWTH = 10%)";
    session->fixture().exact(modify).affects(0);
    const qsizetype events = session->events().size();
    w->Compile();
    qvOption.AutoTran = savedAutoTran;
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_TRUE(session->statements().contains(modify));
    EXPECT_EQ(watch->alterInTransaction, QList<bool>({false})); // committed before the run
    EXPECT_EQ(session->events().mid(events), QStringList({"Commit", "AutoCommit", "StartTransaction"}));
    EXPECT_TRUE(link->InTransaction());
}

TEST_F(FileGroupWindow, ValidationWarnsAndBlankGroupAsks)
{
    TfrmTBS* w = OpenGroup("");
    ASSERT_TRUE(w);
    w->txtName->setText("fg2");
    Type(w, Field::Path, 1, "D:\\data\\x.ndf");
    const qsizetype mark = Mark();
    w->Compile();
    EXPECT_EQ(boxes, QStringList({"48:" + QString::fromUtf8("データファイル名を指定して下さい。")}));
    EXPECT_EQ(w->grdFile->Col(), w->Column(Field::Name));
    EXPECT_EQ(w->grdFile->Row(), 1);
    Type(w, Field::Name, 1, "x");
    Type(w, Field::Path, 1, "");
    boxes.clear();
    w->Compile();
    EXPECT_EQ(boxes, QStringList({"48:" + QString::fromUtf8("ファイルパスを指定して下さい。")}));
    EXPECT_EQ(Mark(), mark);

    // Only blank rows: the question; No creates nothing, Yes only the file group.
    Type(w, Field::Name, 1, "");
    boxes.clear();
    answers = {IDNO};
    w->Compile();
    const QString question = QString::number(MB_YESNO | MB_ICONQUESTION) + ":" +
                             QString::fromUtf8("データファイルの入力がありません。\r\nファイルグループを新規作成しますか？");
    EXPECT_EQ(boxes, QStringList({question}));
    EXPECT_EQ(Mark(), mark);
    session->fixture().exact("ALTER DATABASE [sales]\n  ADD FILEGROUP [fg2]").affects(0);
    Files("fg2", {});
    w->Compile();
    EXPECT_EQ(Lines(StatementsFrom(mark).mid(0, 2)), Lines(QStringList({"use [sales]", "ALTER DATABASE [sales]\n  ADD FILEGROUP [fg2]"})));
    EXPECT_FALSE(w->IsNew());
}

TEST_F(FileGroupWindow, FolderOnTheServerIsTypedAndNamesTheFile)
{
    TwoFiles(*this);
    TfrmTBS* w = OpenGroup("fg1");
    ASSERT_TRUE(w);
    session->fixture().exact(InstallFolderSql()).returns({column("", "nvarchar(512)")}, {{"C:\\MSSQL"}});
    QString proposed;
    TfrmTBS::FolderHook = [&](QWidget*, const QString& folder) -> std::optional<QString> {
        proposed = folder;
        return QStringLiteral("E:\\data");
    };
    Type(w, Field::Name, 3, "fg1_3");
    w->grdFile->SetRow(3);
    w->grdFile->SetCol(w->Column(Field::Path));
    w->grdFileEditButtonClick();
    EXPECT_EQ(proposed, "C:\\MSSQL");
    EXPECT_EQ(CellOf(w, Field::Path, 3), "E:\\data\\fg1_3.ndf");
    // The dialog says why the folder is typed rather than browsed.
    const std::unique_ptr<QDialog> dlg = TfrmTBS::FolderDialog(w, "C:\\MSSQL");
    dlg->adjustSize();
    saveGrab(dlg.get(), "filegroup_folder");
    EXPECT_EQ(dlg->windowTitle(), QString::fromUtf8("ファイル作成先を選択して下さい。"));
    // Cancelled: the cell stays.
    TfrmTBS::FolderHook = [](QWidget*, const QString&) -> std::optional<QString> { return std::nullopt; };
    w->grdFileEditButtonClick();
    EXPECT_EQ(CellOf(w, Field::Path, 3), "E:\\data\\fg1_3.ndf");
}

TEST_F(FileGroupWindow, DeleteRemovesTheFilesAndOnRequestTheGroup)
{
    TwoFiles(*this);
    QPointer<TfrmTBS> w = OpenGroup("fg1");
    ASSERT_TRUE(w);
    const QString files = "use [master]\nalter database [sales] remove file [fg1_1]";
    session->fixture().exact(files).affects(0);
    session->fixture().exact("alter database [sales] remove file [fg1_2]").affects(0);
    session->fixture().exact("alter database [sales] remove filegroup [fg1]").affects(0);
    checkAnswers = {true};
    w->Session()->dmSQLServer->Connection->StartTransaction(); // committed before the removal
    const qsizetype mark = Mark();
    w->actDelete->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(checkBoxes, QStringList({QString::fromUtf8("オブジェクトを削除しますか？")}));
    EXPECT_EQ(Lines(StatementsFrom(mark)), Lines(QStringList({files, "alter database [sales] remove file [fg1_2]",
                                                 "alter database [sales] remove filegroup [fg1]"})));
    EXPECT_EQ(boxes.last(), QString::number(MB_OK | MB_ICONINFORMATION) + ":" + QString::fromUtf8("オブジェクトが削除されました。"));
    EXPECT_FALSE(w);
    EXPECT_EQ(watch->alterInTransaction, QList<bool>({false, false, false}));
}

namespace {

const QString ContentsSelect = ContentsSql(15, "sales", false);

// A heap table, a table with a primary key, a nonclustered index and a unique constraint,
// whose index is listed as an index and as a key.
void Contents(FileGroupWindow& t)
{
    FixtureRule& r = t.session->fixture().exact(Sent(ContentsSelect.mid(ContentsSelect.indexOf('\n') + 1)));
    r.params = QVariantList{"fg1", "fg1", "fg1", "fg1"};
    r.returns({column("OBJECT_TYPE", "nvarchar(2)"), column("OBJECT_TYPE_DESC", "nvarchar(60)"),
               column("OBJECT_NAME", "sysname"), column("SCHEMA_NAME", "sysname"),
               column("PARENT_OBJECT_NAME", "nvarchar(30)")},
              {{"U ", "USER_TABLE", "Heap", "dbo", QVariant()},
               {"U ", "USER_TABLE", "Orders", "dbo", QVariant()},
               {"IX", "USER_TABLE", "IX_Orders_Date", "dbo", "Orders"},
               {"IX", "USER_TABLE", "UQ_Orders_No", "dbo", "Orders"},
               {"PK", "USER_TABLE", "PK_Orders", "dbo", "Orders"},
               {"PK", "USER_TABLE", "UQ_Orders_No", "dbo", "Orders"}});
}

QStringList Listed(TfrmTBS* w)
{
    QStringList l;
    for (int i = 0; i < w->lstObject->topLevelItemCount(); ++i) {
        QTreeWidgetItem* it = w->lstObject->topLevelItem(i);
        l << it->text(0) + "|" + it->text(1) + "|" + it->text(2) + "|" + it->text(3);
    }
    return l;
}

// Selects the items with these captions, and only those.
void Select(TfrmTBS* w, const QStringList& names)
{
    for (int i = 0; i < w->lstObject->topLevelItemCount(); ++i) {
        QTreeWidgetItem* it = w->lstObject->topLevelItem(i);
        it->setSelected(names.contains(it->text(0)));
    }
}

} // namespace

TEST_F(FileGroupWindow, StoredObjectsListsIndexesAndKeys)
{
    TwoFiles(*this);
    Contents(*this);
    TfrmTBS* w = OpenGroup("fg1", omCross); // the page of its own
    ASSERT_TRUE(w) << errors.join("\n").toStdString() << Lines(session->statements());
    EXPECT_EQ(w->pagObject->currentWidget(), w->tabContents);
    EXPECT_EQ(Listed(w), QStringList({"Heap|dbo|TABLE|", "IX_Orders_Date|dbo|INDEX|Orders", "Orders|dbo|TABLE|",
                                      "PK_Orders|dbo|CONSTRAINT|Orders", "UQ_Orders_No|dbo|INDEX|Orders",
                                      "UQ_Orders_No|dbo|CONSTRAINT|Orders"}));
    EXPECT_EQ(w->lstObject->topLevelItem(0)->data(0, Qt::UserRole).toInt(), 45);
    saveGrab(w, "filegroup_contents");

    // Open: each selected object in its own window, in the window's database; then deselected.
    QList<OpenRequest> seen;
    const auto saved = WindowFactories();
    for (DefinitionWindow kind : {DefinitionWindow::Table, DefinitionWindow::Index, DefinitionWindow::Constraint})
        WindowFactories()[static_cast<int>(kind)] = [&](TfrmObject*, const OpenRequest& r) -> QWidget* {
            seen << r;
            return new QWidget;
        };
    const qsizetype before = main->MDIChildren().size();
    Select(w, {"Heap", "IX_Orders_Date", "PK_Orders"});
    w->popOpenClick();
    WindowFactories() = saved;
    EXPECT_EQ(main->MDIChildren().size(), before + 3);
    ASSERT_EQ(seen.size(), 3);
    EXPECT_EQ(seen[1].name, "IX_Orders_Date");
    EXPECT_EQ(seen[1].tableName, "Orders");
    EXPECT_EQ(seen[2].window, DefinitionWindow::Constraint);
    EXPECT_TRUE(w->lstObject->selectedItems().isEmpty());
}

TEST_F(FileGroupWindow, StoredObjectsDropBracketedAndReportFailures)
{
    TwoFiles(*this);
    Contents(*this);
    TfrmTBS* w = OpenGroup("fg1", omCross);
    ASSERT_TRUE(w);
    // A table and a key in one go.
    session->fixture().exact("use [sales]\nDROP TABLE [dbo].[Heap]").affects(0);
    session->fixture().exact("use [sales]\nALTER TABLE [dbo].[Orders] DROP CONSTRAINT [PK_Orders]").affects(0);
    Select(w, {"Heap", "PK_Orders"});
    qsizetype mark = Mark();
    w->popDelClick();
    EXPECT_EQ(Lines(StatementsFrom(mark)), Lines(QStringList({"use [sales]\nDROP TABLE [dbo].[Heap]",
                                                 "use [sales]\nALTER TABLE [dbo].[Orders] DROP CONSTRAINT [PK_Orders]"})));
    EXPECT_EQ(boxes.last(), QString::number(MB_OK | MB_ICONINFORMATION) + ":" + QString::fromUtf8("オブジェクトが削除されました。"));
    EXPECT_EQ(Listed(w).size(), 4);

    // One item whose drop fails: the error shows, the item stays, no "deleted" box.
    session->fixture().exact("use [sales]\nDROP TABLE [dbo].[Orders]").fails("Could not drop object 'dbo.Orders'");
    Select(w, {"Orders"});
    boxes.clear();
    w->popDelClick();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.first().contains("Could not drop object")) << errors.first().toStdString();
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join("\n").toStdString();
    EXPECT_TRUE(Listed(w).contains("Orders|dbo|TABLE|"));

    // Several with errors ignored: what still fails after the passes is reported as not
    // deleted (here the table, and the unique constraint listed as index and as key).
    session->fixture().exact("use [sales]\nDROP INDEX [IX_Orders_Date] ON [dbo].[Orders]").affects(0);
    session->fixture().exact("use [sales]\nDROP INDEX [UQ_Orders_No] ON [dbo].[Orders]").fails("in use by constraint");
    session->fixture()
        .exact("use [sales]\nALTER TABLE [dbo].[Orders] DROP CONSTRAINT [UQ_Orders_No]")
        .fails("referenced by a foreign key");
    Select(w, {"Orders", "IX_Orders_Date", "UQ_Orders_No"});
    checkAnswers = {true};
    errors.clear();
    w->popDelClick();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes.first().contains(QString::fromUtf8("削除できませんでした"))) << boxes.first().toStdString();
    EXPECT_FALSE(boxes.first().contains(QString::fromUtf8("オブジェクトが削除されました。")));
    EXPECT_TRUE(boxes.first().contains("referenced by a foreign key"));
    EXPECT_EQ(Listed(w), QStringList({"Orders|dbo|TABLE|", "UQ_Orders_No|dbo|INDEX|Orders",
                                      "UQ_Orders_No|dbo|CONSTRAINT|Orders"}));
    qvOption.DelErr = false;
}

TEST_F(FileGroupWindow, UsageIsDrawnAsABar)
{
    TwoFiles(*this);
    TfrmTBS* w = OpenGroup("fg1");
    ASSERT_TRUE(w);
    main->resize(1400, 500);
    main->show(); // as on screen: an in-place editor the grid hides is hidden then
    if (QWidget* f = w->parentWidget())
        f->resize(1340, 360);
    w->resize(1300, 320);
    QCoreApplication::processEvents();
    saveGrab(w, "filegroup_define");
    const QImage img = w->grdFile->viewport()->grab().toImage();
    int left = 0;
    for (int c = 0; c < w->Column(Field::Usage); ++c)
        left += w->grdFile->ColWidths(c) + 1;
    const int width = w->grdFile->ColWidths(w->Column(Field::Usage));
    int top = 0;
    for (int r = 0; r < 1; ++r)
        top += w->grdFile->RowHeights(r) + 1;
    const int mid = top + w->grdFile->RowHeights(1) / 2;
    // 500 per mille: blue up to the middle, silver beyond.
    EXPECT_EQ(img.pixelColor(left + width / 4, mid), QColor(Qt::blue));
    EXPECT_EQ(img.pixelColor(left + width * 3 / 4, mid), QColor(192, 192, 192));
    // The second file is empty: silver only.
    const int mid2 = mid + w->grdFile->RowHeights(1) + 1;
    EXPECT_EQ(img.pixelColor(left + width / 4, mid2), QColor(192, 192, 192));

    // The source page shows the create script.
    w->pagObject->setCurrentWidget(w->tabSource);
    QCoreApplication::processEvents();
    saveGrab(w, "filegroup_source");
    EXPECT_EQ(w->SourceLines().mid(0, 3), QStringList({"ALTER DATABASE [sales]", "  ADD FILEGROUP [fg1]", "go"}));
}

TEST_F(FileGroupWindow, ScriptRoutineWritesCreateAndDrop)
{
    TwoFiles(*this);
    ASSERT_TRUE(DefinitionScripts().contains(69));
    ASSERT_TRUE(DefinitionScripts().contains(71));
    ScriptOption.Database = qmAlways;
    ScriptOption.Drop = false;
    DefineScriptRequest r;
    r.objectType = 69;
    r.database = "sales";
    r.name = "fg1";
    QBuffer memory;
    memory.open(QIODevice::WriteOnly);
    EXPECT_THROW(DefinitionScripts().value(69)(conn, r, memory), EAbort);
    const QString create = QString::fromUtf16(reinterpret_cast<const char16_t*>(memory.data().constData()),
                                              memory.data().size() / 2);
    EXPECT_EQ(create.toStdString(),
              QString("ALTER DATABASE [sales]\r\n  ADD FILEGROUP [fg1]\r\ngo\r\n"
                      "ALTER DATABASE [sales]\r\n  ADD FILE ( NAME = N'fg1_1', FILENAME = N'D:\\data\\fg1_1.ndf', "
                      "SIZE = 10240KB, FILEGROWTH = 10%)\r\n   TO FILEGROUP [fg1]\r\ngo\r\n"
                      "ALTER DATABASE [sales]\r\n  ADD FILE ( NAME = N'fg1_2', FILENAME = N'D:\\data\\fg1_2.ndf', "
                      "SIZE = 65536KB, MAXSIZE = 102400KB, FILEGROWTH = 8192KB)\r\n   TO FILEGROUP [fg1]\r\ngo\r\n")
                  .toStdString());

    session->fixture()
        .exact("use [sales]\nselect name from sysfiles where groupid = filegroup_id(N'fg1')")
        .returns({column("name", "sysname")}, {{"fg1_1"}, {"fg1_2"}});
    ScriptOption.Drop = true;
    QBuffer drop;
    drop.open(QIODevice::WriteOnly);
    EXPECT_THROW(DefinitionScripts().value(69)(conn, r, drop), EAbort);
    const QString dropText = QString::fromUtf16(reinterpret_cast<const char16_t*>(drop.data().constData()),
                                                drop.data().size() / 2);
    EXPECT_EQ(dropText.toStdString(),
              QString("use [master]\r\ngo\r\nALTER DATABASE [sales] REMOVE FILE [fg1_1]\r\ngo\r\n"
                      "ALTER DATABASE [sales] REMOVE FILE [fg1_2]\r\ngo\r\n"
                      "ALTER DATABASE [sales] REMOVE FILEGROUP [fg1]\r\ngo\r\n")
                  .toStdString());
}

TEST_F(FileGroupWindow, FileWindowShowsOneFileAndModifiesIt)
{
    FixtureRule& r = session->fixture().exact(Sent(FileSql(15, FileKind)));
    r.params = QVariantList{"sales_log", "sales"};
    r.returns({column("name", "sysname"), column("physical_name", "nvarchar(260)"), column("fg", "sysname"),
               column("size", "int"), column("growth", "int"), column("max_size", "int"), column("used", "int"),
               column("state_desc", "nvarchar(60)"), column("pct", "bit"), column("log", "int")},
              {{"sales_log", "L:\\sales_log.ldf", QVariant(), 128, 10, 268435456, 64, "ONLINE", true, 1}});
    // The storage window opens a file's window with the kind 71.
    auto* w = new TfrmTBS(conn, "sales", "sales_log", 71, omDefine);
    main->AddChildWindow(w);
    EXPECT_EQ(w->windowTitle(), "FILE - sales.sales_log @ srv.master");
    EXPECT_EQ(w->pagObject->indexOf(w->tabContents), -1);
    ASSERT_EQ(w->grdFile->RowCount(), 2); // exactly one file
    EXPECT_EQ(w->grdFile->Rows(1), QStringList({"L:\\sales_log.ldf", QString::fromUtf8("ログ"), "", "1", "10", "%",
                                                "2097152", "0.50", "500"}));
    // The log file's file group cannot be edited; its size can.
    w->grdFile->SetRow(1);
    w->grdFile->SetCol(w->Column(Field::FileGroup));
    EXPECT_FALSE(w->grdFile->GridOptions() & goEditing);
    w->grdFile->SetCol(w->Column(Field::Size));
    EXPECT_TRUE(w->grdFile->GridOptions() & goEditing);
    // Sizes are whole numbers: the editor refuses ".".
    w->grdFile->SetEditorMode(true);
    QLineEdit* editor = w->grdFile->InplaceEditor();
    ASSERT_TRUE(editor);
    editor->setText("");
    QKeyEvent dot(QEvent::KeyPress, Qt::Key_Period, Qt::NoModifier, ".");
    QKeyEvent two(QEvent::KeyPress, Qt::Key_2, Qt::NoModifier, "2");
    QCoreApplication::sendEvent(editor, &two);
    QCoreApplication::sendEvent(editor, &dot);
    EXPECT_EQ(editor->text(), "2");
    w->grdFile->SetEditorMode(false);

    // A log file's 2 TB maximum writes no MAXSIZE.
    Type(w, Field::Size, 1, "2");
    const QString modify = "ALTER DATABASE [sales]\nMODIFY FILE (NAME = N'sales_log', SIZE = 2048KB, FILEGROWTH = 10%)";
    session->fixture().exact(modify).affects(0);
    const qsizetype mark = Mark();
    w->Compile();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(Lines(StatementsFrom(mark).mid(0, 2)), Lines(QStringList({"use [sales]", modify})));
}

TEST_F(FileGroupWindow, DroppingDownTheDatabasesClearsTheName)
{
    TfrmTBS* w = OpenGroup("");
    ASSERT_TRUE(w);
    w->txtName->setText("fg2");
    w->cmbDatabase->OnDropDown();
    EXPECT_TRUE(w->txtName->text().isEmpty());
    EXPECT_EQ(w->cmbDatabase->count(), 3);
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
}
