// Full-text search and copy/paste of objects through the connection window.
#include "connection/grep_window.h"
#include "connection/object_paste.h"
#include "connection/object_window.h"

#include "app/options.h"
#include "controls/lists/qv_listview.h"
#include "controls/lists/qv_treeview.h"
#include "script_session_helper.h"
#include "connection/script_output_options.h"
#include "tables/define_script.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QTemporaryDir>
#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace qv;
using namespace qvtest;

namespace {

struct Window : ::testing::Test {
    ScriptSession s{16};
    std::unique_ptr<TfrmObject> w;
    QStringList messages;
    ListCommandHooks hooks;
    TScriptOption saved = ScriptOption;

    void SetUp() override
    {
        s.windowAnswers();
        s.driver->fixture().pattern(".*").returns({}, {}); // listings of the tree nodes: nothing
        w = std::make_unique<TfrmObject>(nullptr, "Sales", "sa", "pw", "srv", s.driver);
        s.driver->fixture().rules.pop_back(); // the rules of each test answer from here on
        hooks.message = [this](const QString& text, int) { messages << text; };
        TfrmGrep::MessageHook = [this](const QString& text, int) { messages << text; };
        ObjectPasteHooks().message = hooks.message;
    }
    void TearDown() override
    {
        TfrmGrep::ExecHook = nullptr;
        TfrmGrep::MessageHook = nullptr;
        ObjectPasteHooks() = PasteHooks();
        CopyObjectList().clear();
        ScriptOption = saved;
    }
    // Rows of the object list: name, database, schema, type name; type code under UserRole.
    void Rows(const QList<QStringList>& rows)
    {
        w->lstObject->clear();
        w->lstObject->setColumnCount(5);
        for (const QStringList& r : rows) {
            QTreeWidgetItem* item = w->lstObject->AddItem(r.at(0), r.mid(1));
            item->setData(0, Qt::UserRole, GetObjectTypeCode(r.at(3)));
        }
    }
    QStringList Listed() const
    {
        QStringList out;
        for (int i = 0; i < w->lstObject->topLevelItemCount(); ++i)
            out << w->lstObject->topLevelItem(i)->text(0);
        return out;
    }
    void Sources()
    {
        s.source("dbo", "P1", "CREATE PROCEDURE dbo.P1 AS select 1\r\n");
        s.source("dbo", "P2", "CREATE PROCEDURE dbo.P2 AS SELECT 2\r\n");
        s.source("dbo", "V1", "CREATE VIEW dbo.V1 AS Select 3 x\r\n");
        s.source("dbo", "F1", "CREATE FUNCTION dbo.F1() RETURNS int AS BEGIN RETURN 1 END\r\n");
        Rows({{"P1", "Sales", "dbo", "PROCEDURE"}, {"F1", "Sales", "dbo", "FUNCTION"}, {"P2", "Sales", "dbo", "PROCEDURE"},
              {"V1", "Sales", "dbo", "VIEW"}, {"T1", "Sales", "dbo", "TABLE"}});
    }
    void Grep(const QString& word, bool caseSensitive)
    {
        TfrmGrep::ExecHook = [=](TfrmGrep* d) {
            EXPECT_EQ(d->rdoObject->ItemIndex(), 1); // nothing selected: the listed objects
            d->txtGrepWord->setText(word);
            d->chkCharCase->setChecked(caseSensitive);
            d->btnOk->click();
            return d->result();
        };
        GrepExecute(w.get(), hooks);
    }
};

void Shot(QWidget& d, const char* name)
{
    if (const QString dir = qEnvironmentVariable("QORVEL_PNG_DIR"); !dir.isEmpty())
        d.grab().save(dir + "/" + name + ".png");
}

} // namespace

TEST_F(Window, GrepLeavesExactlyTheMatches)
{
    Sources();
    Grep("select", false);
    EXPECT_EQ(Listed(), (QStringList{"P1", "P2", "V1"}));
    EXPECT_EQ(messages.value(0), "検索を完了しました。");
    ASSERT_EQ(w->lstObject->topLevelItemCount(), 3);
    EXPECT_EQ(w->lstObject->topLevelItem(1)->data(0, Qt::UserRole).toInt(), ObjType::Procedure);
    Sources();
    Grep("Select", true);
    EXPECT_EQ(Listed(), QStringList{"V1"});
}

TEST_F(Window, GrepEscAfterThreeObjectsKeepsTheirMatches)
{
    Sources();
    int polls = 0;
    hooks.escapePressed = [&] { return ++polls > 3; };
    Grep("select", false);
    EXPECT_EQ(Listed(), (QStringList{"P1", "P2"})); // P1, F1, P2 searched
    EXPECT_TRUE(messages.isEmpty());                // no closing message after Esc
}

TEST_F(Window, GrepDialogAsksForAText)
{
    TfrmGrep d;
    d.txtGrepWord->clear();
    d.btnOkClick();
    EXPECT_EQ(messages, QStringList{"検索する文字列を指定して下さい。"});
    EXPECT_NE(d.result(), QDialog::Accepted);
    d.txtGrepWord->setText("select");
    d.rdoObject->SetItemIndex(0);
    d.adjustSize();
    Shot(d, "grep");
    QString word = "abc";
    int mode = 1;
    bool cs = true;
    TfrmGrep::ExecHook = [](TfrmGrep* dlg) {
        dlg->btnOk->click();
        return dlg->result();
    };
    ASSERT_TRUE(TfrmGrep::ShowWindow(word, mode, cs));
    EXPECT_EQ(word, "ABC"); // upper-cased when case does not count
    EXPECT_FALSE(cs);
}

TEST_F(Window, PasteOfAnIdentityTableWithIndexesAndData)
{
    // The table's script routine (the table window's) as the paste expects its line layout.
    RegisterScriptRoutine(ObjType::Table, [](const ScriptContext&, const ScriptRequest& r) {
        EXPECT_TRUE(r.index);
        EXPECT_EQ(r.newSchema, "s2");
        return QStringLiteral("use [Sales]\r\ngo\r\nCREATE TABLE [dbo].[T]\r\n(\r\n  id int IDENTITY(1,1) NOT NULL,\r\n"
                              "  [na'me] nvarchar(10) NULL\r\n)\r\ngo\r\n"
                              "CREATE NONCLUSTERED INDEX [IX1]\r\nON [dbo].[T] (id)\r\ngo\r\n"
                              "ALTER TABLE [dbo].[T] ADD CONSTRAINT [PK_T] PRIMARY KEY (id)\r\ngo\r\n");
    });
    s.answer("select temporal_type from sys.tables where object_id = object_id(quotename(?) + '.' + quotename(?))", {{"0"}})
        .params = QVariantList{"dbo", "T"};
    QString indexSql = PasteIndexListSql(false, {});
    s.answer(indexSql.replace(":OWNER", "?").replace(":TABLENAME", "?"), {{"IX1", ""}, {"PK_T", "PK"}}, 2).params =
        QVariantList{"dbo", "T", "dbo", "T"};
    QString colSql = PasteColumnsSql({});
    s.answer(colSql.replace(":OWNER", "?").replace(":NAME", "?"), {{"id", "1"}, {"na'me", "0"}}, 2).params =
        QVariantList{"dbo", "T"};
    s.answer(catalog::UserListSql({16, false}, "Copy", false), {{"dbo"}, {"s2"}});

    Rows({{"T", "Sales", "dbo", "TABLE"}});
    w->lstObject->topLevelItem(0)->setSelected(true);
    w->actCopyExecute();
    ASSERT_EQ(CopyObjectList().size(), 1);
    EXPECT_EQ(QApplication::clipboard()->text(), "T");

    // The tree selection: the database node "Copy" (image 1, not the root).
    auto* root = w->lstTree->topLevelItem(0);
    auto* node = new TqvTreeNode("Copy");
    node->setData(0, Qt::UserRole, int(ObjType::Database));
    root->addChild(node);
    {
        const QSignalBlocker block(w->lstTree);
        w->lstTree->setCurrentItem(node);
    }
    QStringList ran;
    ObjectPasteHooks().input = [](QString& name, QString& schema, const QStringList& schemas, bool table, bool& idx,
                                  bool& data) {
        EXPECT_TRUE(table && idx && data);
        EXPECT_EQ(schemas, (QStringList{"dbo", "s2"}));
        name = "T2";
        schema = "s2";
        return true;
    };
    ObjectPasteHooks().indexName = [](QString& name) {
        name += "_2";
        return true;
    };
    ObjectPasteHooks().run = [&](const QStringList& sql, const QString& db, const QString&, const QString&) {
        ran = sql;
        EXPECT_EQ(db, "Copy");
    };
    w->actPasteExecute();
    UnregisterScriptRoutine(ObjType::Table);
    EXPECT_EQ(ran.join("\n").toStdString(), (QStringList{"use [Copy]", "go", "CREATE TABLE [s2].[T2]", "(", "  id int IDENTITY(1,1) NOT NULL,",
                                "  [na'me] nvarchar(10) NULL", ")", "go", "CREATE NONCLUSTERED INDEX [IX1_2]",
                                "ON [s2].[T2]", "go", "ALTER TABLE [s2].[T2] ADD CONSTRAINT [PK_T_2] PRIMARY KEY (id)", "go",
                                "SET IDENTITY_INSERT [s2].[T2] ON", "go", "INSERT INTO [s2].[T2]", "  ([id], [na'me])",
                                "  SELECT [id], [na'me] FROM [Sales].[dbo].[T]", "go", "SET IDENTITY_INSERT [s2].[T2] OFF",
                                "go"}).join("\n").toStdString());
    EXPECT_EQ(ScriptOption.Index, saved.Index); // options restored
    EXPECT_EQ(ScriptOption.Database, saved.Database);
}

TEST_F(Window, PasteOfAProcedureUnderANewNameAndCancel)
{
    s.source("dbo", "P1", "CREATE PROCEDURE dbo.P1 AS select 1\r\n");
    s.source("dbo", "P2", "CREATE PROCEDURE dbo.P2 AS select 2\r\n");
    s.answer(catalog::UserListSql({16, false}, "Sales", false), {{"dbo"}});
    CopyObjectList() = {{"Sales", "dbo", "P1", ObjType::Procedure}, {"Sales", "dbo", "P2", ObjType::Procedure}};
    QList<QStringList> ran;
    int asked = 0;
    ObjectPasteHooks().input = [&](QString& name, QString& schema, const QStringList&, bool, bool&, bool&) {
        name = "P1 copy";
        schema = "dbo";
        return ++asked == 1; // the second entry is cancelled
    };
    ObjectPasteHooks().run = [&](const QStringList& sql, const QString&, const QString&, const QString&) { ran << sql; };
    w->actPasteExecute();
    ASSERT_EQ(ran.size(), 1);
    EXPECT_EQ(ran.at(0), (QStringList{"use [Sales]", "go", "CREATE PROCEDURE [dbo].[P1 copy] AS select 1", "go"}));
    EXPECT_EQ(CopyObjectList().size(), 2); // a paste does not empty the clipboard
}

TEST_F(Window, ScriptOutputOfTheSelectedRows)
{
    QTemporaryDir dir;
    ScriptOption = TScriptOption();
    // The run goes on past a kind without a script routine: the table stands for one here.
    const DefineScriptRoutine tableRoutine = DefinitionScripts().take(ObjType::Table);
    struct Restore {
        const DefineScriptRoutine& routine;
        ~Restore()
        {
            if (routine)
                DefinitionScripts().insert(ObjType::Table, routine);
        }
    } restore{tableRoutine};
    s.source("dbo", "P1", "CREATE PROCEDURE dbo.P1 AS select 1\r\n");
    s.source("dbo", "V1", "CREATE VIEW dbo.V1 AS select 1 x\r\n");
    s.source("sales", "P2", "CREATE PROCEDURE sales.P2 AS select 2\r\n");
    Rows({{"P1", "Sales", "dbo", "PROCEDURE"}, {"T1", "Sales", "dbo", "TABLE"}, {"V1", "Sales", "dbo", "VIEW"},
          {"P2", "Sales", "sales", "PROCEDURE"}});
    for (int i : {0, 1, 2, 3})
        w->lstObject->topLevelItem(i)->setSelected(true);
    TfrmScriptOption::ExecHook = [&](TfrmScriptOption* d) {
        d->txtDir->setText(dir.path());
        d->chkDir->setChecked(true);
        d->btnOk->click();
        return d->result();
    };
    ListCommandHooks::MessageHook = [this](const QString& text, int) { messages << text; };
    w->actScriptExecute();
    TfrmScriptOption::ExecHook = nullptr;
    ListCommandHooks::MessageHook = nullptr;
    QStringList files;
    QDirIterator it(dir.path(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(dir.path()).relativeFilePath(it.next());
    files.sort();
    EXPECT_EQ(files, (QStringList{"Sales/dbo/PROCEDURE/P1.SQL", "Sales/dbo/TABLE/T1.SQL", "Sales/dbo/VIEW/V1.SQL",
                                  "Sales/sales/PROCEDURE/P2.SQL"}));
    ASSERT_EQ(messages.size(), 2);
    EXPECT_EQ(messages.at(0), "スクリプトが出力されました。");
    EXPECT_EQ(messages.at(1), "次のオブジェクトのスクリプトを出力できませんでした。\r\ndbo.T1: この種類のスクリプト出力はまだありません");
    EXPECT_TRUE(SelectedRows(w->lstObject).isEmpty());
}

TEST_F(Window, CopyRefusesTemporalTablesAndKeepsTheOthers)
{
    const QString temporal = "select temporal_type from sys.tables where object_id = object_id(quotename(?) + '.' + quotename(?))";
    s.answer(temporal, {{"2"}}).params = QVariantList{"dbo", "Hist"};
    s.answer(temporal, {{"0"}}).params = QVariantList{"dbo", "T"};
    Rows({{"Hist", "Sales", "dbo", "TABLE"}, {"T", "Sales", "dbo", "TABLE"}, {"P1", "Sales", "dbo", "PROCEDURE"}});
    for (int i : {0, 1, 2})
        w->lstObject->topLevelItem(i)->setSelected(true);
    w->actCopyExecute();
    ASSERT_EQ(CopyObjectList().size(), 2);
    EXPECT_EQ(CopyObjectList().at(0).ObjectName, "T");
    EXPECT_EQ(CopyObjectList().at(1).ObjectType, ObjType::Procedure);
    EXPECT_EQ(QApplication::clipboard()->text(), "T\r\nP1");
    EXPECT_EQ(messages, QStringList{"テンポラルテーブルをコピーできませんでした。\r\nコピーする場合はテンポラルの設定を解除してください。"});
}
