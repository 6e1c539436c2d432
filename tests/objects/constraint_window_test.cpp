// The constraint window on the scripted session, opened through the connection window: a
// disabled foreign key (DROP, ADD, NOCHECK batch; re-enabled: CHECK batch), the pairing grid's
// rebuild, a primary key through GetStorageScript, a new check constraint, the checks, the
// delete statement, the script routine and the rendering.
#include "objects/constraint_text.h"
#include "objects/constraint_window.h"
#include "objects/storage_frame.h"
#include "objects/storage_text.h"

#include "app/message_box.h"
#include "connection/ddl_exec.h"
#include "app/qvform.h"
#include "controls/grid/string_grid.h"
#include "controls/inputs/inputs.h"
#include "platform/exceptions.h"
#include "support/test_env.h"
#include "tables/define_script.h"
#include "tables/define_session_helper.h"

#include <QBuffer>
#include <QButtonGroup>
#include <QDir>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QTabWidget>
#include <QPushButton>
#include <QTimer>

using namespace qv;
using namespace qv::db;
using namespace qvtest;

namespace {

QString Sent(const QString& sql)
{
    static const QRegularExpression marker(QStringLiteral(":[A-Za-z_]+"));
    return QString(sql).replace(marker, QStringLiteral("?"));
}

void saveGrab(QWidget* w, const QString& name)
{
    const QString dir = qEnvironmentVariable("QORVEL_RENDER_DIR", testHome());
    QDir().mkpath(dir);
    EXPECT_TRUE(w->grab().save(dir + "/" + name + ".png")) << name.toStdString();
}

std::string S(const QStringList& l) { return l.join("|").toStdString(); }

struct ConstraintWindow : DefineSession {
    // A run stopped at an error keeps its execution window open: close it (as the user would)
    // so that the failure is reported instead of waiting.
    QTimer closer;
    int version = 15;
    void SetUp() override
    {
        DefineSession::SetUp();
        QObject::connect(&closer, &QTimer::timeout, [] {
            for (TfrmDDLExec* e : TfrmDDLExec::OpenWindows())
                if (e->btnOK->isEnabled())
                    e->close();
        });
        closer.start(50);
        const QString name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        if (name.startsWith("Sql2000")) {
            // A SQL Server 2000 log-on: these answers come before the helper's own.
            version = 8;
            Answer("select SERVERPROPERTY('productversion')", "8.00.2039");
            Answer(catalog::facts::ProductVersion, "8.00.2039");
        }
        Connect();
        for (const char* db : {"use [sales]", "use [master]", "USE [sales]"})
            session->fixture().exact(db);
        session->fixture().pattern("(IF EXISTS|ALTER) .*").affects(0);
        Rule(constraint::TableColumnSql(), {"dbo", "Orders"}, {column("name", "sysname")},
             {{"OrderID"}, {"CustomerID"}, {"Status"}});
    }
    void Rule(const QString& sql, const QVariantList& params, std::vector<ColumnDesc> cols, std::vector<QVariantList> rows)
    {
        FixtureRule& r = session->fixture().exact(Sent(sql));
        r.params = params;
        r.returns(std::move(cols), std::move(rows));
    }
    // The catalog row of a constraint of dbo.Orders.
    void Row(const QString& name, const QString& type, const QVariant& condition, const QVariant& refTable,
             const QVariant& refIndex, const QVariant& rule, const QVariant& defColumn, const QVariant& defValue,
             int status)
    {
        Rule(constraint::ConstraintSql(version), {"dbo", name},
             {column("TABLE_NAME", "sysname"), column("CONSTRAINT_TYPE", "char(2)"),
              column("SEARCH_CONDITION", "nvarchar(4000)"), column("R_OWNER", "sysname"),
              column("R_CONSTRAINT_NAME", "sysname"), column("DELETE_RULE", "varchar(11)"),
              column("R_TABLE_NAME", "sysname"), column("DEF_COLUMN_NAME", "sysname"),
              column("DEF_VALUE", "nvarchar(4000)"), column("STATUS", "int"), column("UPDATE_RULE", "nvarchar(60)")},
             {{"Orders", type, condition, refTable.isNull() ? QVariant() : QVariant("dbo"), refIndex, rule, refTable,
               defColumn, defValue, status, rule}});
    }
    void DisabledForeignKey()
    {
        Row("FK_Orders_Customers", "F ", QVariant(), "Customers", "PK_Customers", "NO ACTION", QVariant(), QVariant(), 1);
        Rule(constraint::IndexColumnSql(version), {"dbo", "Customers", "PK_Customers"}, {column("name", "sysname")},
             {{"CustomerID"}});
        Rule(constraint::ForeignKeyColumnSql(), {"dbo", "FK_Orders_Customers"}, {column("COLUMN_NAME", "sysname")},
             {{"CustomerID"}});
    }
    void PrimaryKey()
    {
        Row("PK_Orders", "PK", QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), 0);
        Rule(storage::DataSpaceTypeSql(66), {"dbo", "PK_Orders"}, {column("type", "char(2)")}, {{"FG"}});
        Rule(storage::FileGroupSql(66), {"dbo", "PK_Orders"}, {column("", "sysname")}, {{"PRIMARY"}});
        Rule(constraint::IndexColumnSql(15), {"dbo", "Orders", "PK_Orders"}, {column("name", "sysname")},
             {{"OrderID"}});
    }
    TfrmConst* OpenConst(const QString& name, const QString& table = QString())
    {
        QWidget* w = conn->OpenObject(66, "sales", "dbo", name, omDefine, false, 0, table);
        if (w)
            main->AddChildWindow(w);
        return qobject_cast<TfrmConst*>(w);
    }
    QStringList Batches(qsizetype mark) const
    {
        QStringList out;
        static const QRegularExpression ddl(QStringLiteral("^(IF EXISTS|ALTER) "));
        for (const QString& s : StatementsFrom(mark))
            if (ddl.match(s).hasMatch())
                out << QString(s).replace("\r\n", "\n");
        return out;
    }
};

const QString FkDrop = "IF EXISTS (SELECT * FROM sysconstraints WHERE constid = object_id(N'[dbo].[FK_Orders_Customers]') "
                       "and id = object_id(N'[dbo].[Orders]'))\nALTER TABLE [sales].[dbo].[Orders] DROP CONSTRAINT "
                       "[FK_Orders_Customers]";
// The foreign key is switched off: added back without checking the rows.
const QString FkAdd = "ALTER TABLE [dbo].[Orders] WITH NOCHECK ADD CONSTRAINT [FK_Orders_Customers]\nFOREIGN KEY "
                      "([CustomerID]) REFERENCES [dbo].[Customers] ([CustomerID]) ON DELETE NO ACTION";

} // namespace

TEST_F(ConstraintWindow, DisabledForeignKeyDropsAddsAndSwitchesOffChecking)
{
    DisabledForeignKey();
    TfrmConst* w = OpenConst("FK_Orders_Customers");
    ASSERT_TRUE(w) << errors.join("\n").toStdString() << boxes.join("\n").toStdString();
    EXPECT_EQ(w->windowTitle().toStdString(), "CONSTRAINT - sales.dbo.FK_Orders_Customers @ srv.master");
    EXPECT_EQ(w->ConstKind(), constraint::ForeignKey);
    EXPECT_EQ(w->pagType->currentWidget(), w->tabForeign);
    EXPECT_FALSE(w->chkEnabled->isChecked());
    EXPECT_TRUE(w->chkEnabled->isEnabled());
    EXPECT_FALSE(w->pnlObj->isEnabled());
    EXPECT_EQ(w->DeleteActionIndex(), constraint::NoAction);
    EXPECT_EQ(w->grdForeign->Cells(0, 1), "CustomerID");
    EXPECT_EQ(w->grdForeign->Cells(1, 1), "CustomerID");
    EXPECT_FALSE(w->pagObject->isTabVisible(w->pagObject->indexOf(w->tabStorage)));
    EXPECT_FALSE(w->Modified());
    w->resize(919, 406);
    saveGrab(w, "constraint_window_foreign");

    qsizetype mark = Mark();
    w->Compile();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(StatementsFrom(mark).value(0), "use [sales]");
    EXPECT_EQ(Batches(mark), QStringList({FkDrop, FkAdd, "ALTER TABLE [dbo].[Orders] NOCHECK CONSTRAINT [FK_Orders_Customers]"}))
        << S(Batches(mark));
    w->chkEnabled->click();
    EXPECT_TRUE(w->Modified());
    mark = Mark();
    w->Compile();
    EXPECT_EQ(Batches(mark).value(1).toStdString(),
              "ALTER TABLE [dbo].[Orders] ADD CONSTRAINT [FK_Orders_Customers]\nFOREIGN KEY ([CustomerID]) REFERENCES "
              "[dbo].[Customers] ([CustomerID]) ON DELETE NO ACTION");
    EXPECT_EQ(Batches(mark).value(2).toStdString(), "ALTER TABLE [dbo].[Orders] CHECK CONSTRAINT [FK_Orders_Customers]");
}

TEST_F(ConstraintWindow, LeavingTheReferencedIndexRebuildsThePairing)
{
    DisabledForeignKey();
    Rule(constraint::IndexColumnSql(15), {"dbo", "Customers", "UQ_Customers"}, {column("name", "sysname")},
         {{"Code"}, {"Branch"}});
    Rule(constraint::IndexColumnSql(15), {"dbo", "Customers", "nothing"}, {column("name", "sysname")}, {});
    TfrmConst* w = OpenConst("FK_Orders_Customers");
    ASSERT_TRUE(w);
    w->cmbRefIndex->setEditText("UQ_Customers");
    w->cmbRefSchemaExit();
    EXPECT_EQ(w->grdForeign->RowCount(), 3);
    EXPECT_EQ(w->grdForeign->Cells(0, 1), "Code");
    EXPECT_EQ(w->grdForeign->Cells(0, 2), "Branch");
    EXPECT_EQ(w->grdForeign->Cells(1, 1), "");
    // Unpaired: the apply stops there.
    const qsizetype mark = Mark();
    w->Compile();
    EXPECT_EQ(boxes.value(0).toStdString(), "48:" + QString::fromUtf8("テーブル項目名を入力して下さい。").toStdString());
    EXPECT_EQ(Mark(), mark);
    // An index without columns leaves one blank row.
    w->cmbRefIndex->setEditText("nothing");
    w->cmbRefSchemaExit();
    EXPECT_EQ(w->grdForeign->RowCount(), 2);
    EXPECT_EQ(w->grdForeign->Cells(0, 1), "");
}

TEST_F(ConstraintWindow, PrimaryKeyThroughGetStorageScript)
{
    PrimaryKey();
    TqvForm table(conn); // stands for the table window: its mode and connection
    table.SourceMode = smShow;
    QStringList lines{"CREATE TABLE [dbo].[Orders] (…)", "go"};
    EXPECT_THROW(TfrmConst::GetStorageScript(&table, "sales", "dbo", "PK_Orders", lines), EAbort);
    EXPECT_EQ(lines, QStringList({"CREATE TABLE [dbo].[Orders] (…)", "go", "use [sales]", "go",
                                  "ALTER TABLE [dbo].[Orders] ADD CONSTRAINT [PK_Orders]", "PRIMARY KEY ([OrderID])",
                                  "ON [PRIMARY]", "go"}))
        << S(lines);
    // A written script without the Filegroup option: no storage clause, no switch by default.
    table.SourceMode = smText;
    ScriptOption.Filegroup = false;
    ScriptOption.Owner = qmAlways;
    lines.clear();
    EXPECT_THROW(TfrmConst::GetStorageScript(&table, "sales", "dbo", "PK_Orders", lines), EAbort);
    EXPECT_EQ(lines, QStringList({"ALTER TABLE [dbo].[Orders] ADD CONSTRAINT [PK_Orders]", "PRIMARY KEY ([OrderID])", "go"}))
        << S(lines);
    // A constraint that is not there: the box in the window's own mode, nothing appended.
    Rule(constraint::ConstraintSql(15), {"dbo", "gone"}, {column("TABLE_NAME", "sysname")}, {});
    table.SourceMode = smShow;
    lines.clear();
    EXPECT_THROW(TfrmConst::GetStorageScript(&table, "sales", "dbo", "gone", lines), EAbort);
    EXPECT_TRUE(lines.isEmpty());
    EXPECT_EQ(boxes.value(0).toStdString(),
              "16:" + QString::fromUtf8("オブジェクトが見つからないか、参照できませんでした。").toStdString());
}

TEST_F(ConstraintWindow, PrimaryKeyLoadsItsColumnsAndStorage)
{
    PrimaryKey();
    TfrmConst* w = OpenConst("PK_Orders");
    ASSERT_TRUE(w) << errors.join("\n").toStdString();
    EXPECT_EQ(w->pagType->currentWidget(), w->tabPrimary);
    EXPECT_EQ(w->lstIdxCol->count(), 1);
    EXPECT_EQ(w->lstTabCol->count(), 3);
    EXPECT_FALSE(w->chkEnabled->isEnabled());
    EXPECT_TRUE(w->pagObject->isTabVisible(w->pagObject->indexOf(w->tabStorage)));
    EXPECT_EQ(w->fraStorage->cmbFileGroup->currentText(), "PRIMARY");
    w->resize(919, 406);
    saveGrab(w, "constraint_window_primary");
    // Another column: DROP and ADD, no CHECK batch.
    w->lstTabCol->item(2)->setSelected(true);
    w->btnInsClick();
    const qsizetype mark = Mark();
    w->Compile();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(Batches(mark).value(1).toStdString(),
              "ALTER TABLE [dbo].[Orders] ADD CONSTRAINT [PK_Orders]\nPRIMARY KEY ([OrderID], [Status])\nON [PRIMARY]");
    EXPECT_EQ(Batches(mark).size(), 2);
    // Delete.
    session->fixture().exact("use [sales]\nalter table [sales].[dbo].[Orders] drop constraint [PK_Orders]");
    const qsizetype del = Mark();
    w->actDeleteExecute();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(StatementsFrom(del).join("|").replace("\r\n", "\n").toStdString(),
              "use [sales]\nalter table [sales].[dbo].[Orders] drop constraint [PK_Orders]");
}

TEST_F(ConstraintWindow, NewCheckConstraintIsAddedAfterItsChecks)
{
    TfrmConst* w = OpenConst("", "Orders");
    ASSERT_TRUE(w) << errors.join("\n").toStdString();
    EXPECT_TRUE(w->IsNew());
    EXPECT_EQ(w->windowTitle(), QString::fromUtf8("CONSTRAINT - 新規"));
    EXPECT_TRUE(w->pnlObj->isEnabled());
    EXPECT_FALSE(w->chkEnabled->isEnabled());
    EXPECT_EQ(w->cmbTableName->currentText(), "Orders");
    EXPECT_EQ(w->lstTabCol->count(), 3);
    w->txtName->setText("CK_Orders_Status");
    w->Compile();
    EXPECT_EQ(boxes.value(0).toStdString(), "48:" + QString::fromUtf8("列を指定して下さい。").toStdString());
    w->cmbConstType->setCurrentIndex(constraint::Check);
    EXPECT_EQ(w->pagType->currentWidget(), w->tabCheck);
    EXPECT_FALSE(w->pagObject->isTabVisible(w->pagObject->indexOf(w->tabStorage)));
    w->Compile();
    EXPECT_EQ(boxes.value(1).toStdString(), "48:" + QString::fromUtf8("式を入力して下さい。").toStdString());
    w->SetCheckText("[Status] <> N''\r\nand [Status] is not null");
    w->resize(919, 406);
    saveGrab(w, "constraint_window_check");
    Row("CK_Orders_Status", "C ", "([Status]<>N'' AND [Status] IS NOT NULL)", QVariant(), QVariant(), QVariant(),
        QVariant(), QVariant(), 0);
    const qsizetype mark = Mark();
    w->Compile();
    EXPECT_EQ(boxes.size(), 2) << boxes.join("\n").toStdString();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(Batches(mark).value(0).toStdString(),
              "ALTER TABLE [dbo].[Orders] ADD CONSTRAINT [CK_Orders_Status]\nCHECK ([Status] <> N'' and [Status] is not "
              "null)");
    // Reloaded as the existing constraint.
    EXPECT_FALSE(w->IsNew());
    EXPECT_FALSE(w->pnlObj->isEnabled());
    EXPECT_TRUE(w->chkEnabled->isEnabled());
    EXPECT_TRUE(w->chkEnabled->isChecked());
    EXPECT_EQ(w->CheckText().toStdString(), "([Status]<>N'' AND [Status] IS NOT NULL)");
}

TEST_F(ConstraintWindow, ScriptRoutineWritesTheAddOrTheDrop)
{
    DisabledForeignKey();
    ScriptOption.Database = qmNever;
    ScriptOption.Owner = qmAlways;
    const auto script = [&](bool drop) {
        ScriptOption.Drop = drop;
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        DefineScriptRequest r;
        r.objectType = 66;
        r.database = "sales";
        r.schema = "dbo";
        r.name = "FK_Orders_Customers";
        EXPECT_THROW(DefinitionScripts().value(66)(conn, r, buffer), EAbort);
        const QByteArray bytes = buffer.data();
        return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2).toStdString();
    };
    EXPECT_EQ(script(false), QString(FkAdd).replace("\n", "\r\n").toStdString() +
                                 "\r\ngo\r\nALTER TABLE [dbo].[Orders] NOCHECK CONSTRAINT [FK_Orders_Customers]\r\ngo\r\n");
    EXPECT_EQ(script(true), "IF EXISTS (SELECT * FROM sysconstraints WHERE constid = "
                            "object_id(N'[dbo].[FK_Orders_Customers]') and id = object_id(N'[dbo].[Orders]'))\r\n"
                            "ALTER TABLE [dbo].[Orders] DROP CONSTRAINT [FK_Orders_Customers]\r\ngo\r\n");
}

TEST_F(ConstraintWindow, Sql2000ForeignKeyReadsTheSystemTablesAndOffersItsActionsOnly)
{
    DisabledForeignKey();
    TfrmConst* w = OpenConst("FK_Orders_Customers");
    ASSERT_TRUE(w) << errors.join("\n").toStdString() << boxes.join("\n").toStdString();
    EXPECT_FALSE(w->grpDeleteAction->button(constraint::SetNull)->isEnabled());
    EXPECT_FALSE(w->grpDeleteAction->button(constraint::SetDefault)->isEnabled());
    EXPECT_TRUE(w->grpDeleteAction->button(constraint::Cascade)->isEnabled());
    EXPECT_EQ(w->grdForeign->Cells(1, 1), "CustomerID");
    const qsizetype mark = Mark();
    w->Compile();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(Batches(mark), QStringList({FkDrop, FkAdd, "ALTER TABLE [dbo].[Orders] NOCHECK CONSTRAINT [FK_Orders_Customers]"}))
        << S(Batches(mark));
}
