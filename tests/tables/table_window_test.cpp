// The table window on the scripted session, opened through the connection window as the object
// list opens it: the load, the scripts, the ALTER and re-create applies with the exact statements
// the session receives, the failure of a re-create and the grid editing.
#include "tables/table_window.h"

#include "app/message_box.h"
#include "controls/grid/string_grid.h"
#include "objects/storage_frame.h"
#include "support/test_env.h"
#include "tables/define_session_helper.h"
#include "tables/table_tree_fixture.h"
#include "tables/define_script.h"
#include "tables/table_grid.h"

#include <QApplication>
#include <QBuffer>
#include <QKeyEvent>
#include <QDir>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTimer>
#include "connection/ddl_exec.h"
#include "platform/exceptions.h"
#include "platform/registry.h"
#include <QSplitter>

using namespace qv;
using namespace qv::db;
using namespace qvtest;

namespace {

void saveGrab(QWidget* w, const QString& name)
{
    const QString dir = qEnvironmentVariable("QORVEL_RENDER_DIR", testHome());
    QDir().mkpath(dir);
    EXPECT_TRUE(w->grab().save(dir + "/" + name + ".png")) << name.toStdString();
}

// One column as the column query returns it (from version 9).
struct ColumnRow {
    const char* name;
    const char* type;
    const char* maxLength;
    const char* precision;
    const char* scale;
    bool nullable;
    const char* def;
    const char* comment;
    bool identity;
    bool primary;
    const char* collation;
};

const QList<ColumnRow> SampleColumns = {
    {"id", "int", nullptr, "10", "0", false, nullptr, nullptr, true, true, nullptr},
    {"code", "nvarchar", "10", nullptr, nullptr, false, "(N'x')", "コード", false, false, "Japanese_CI_AS"},
    {"qty", "int", nullptr, "10", "0", true, "((0))", nullptr, false, false, nullptr},
    {"parent_id", "int", nullptr, "10", "0", true, nullptr, nullptr, false, false, nullptr},
    {"note", "varchar", "50", nullptr, nullptr, true, nullptr, nullptr, false, false, "Japanese_CI_AS"},
    {"body", "varchar", "-1", nullptr, nullptr, true, nullptr, nullptr, false, false, "Japanese_CI_AS"},
};

struct TableWindow : DefineSession {
    int version = 15;
    void SetUp() override
    {
        DefineSession::SetUp();
        qv::qvOption.BackupData = true;
        qv::qvOption.DefaultAutoQuote = false;
        // A run stopped at an error leaves its window open for the user: close it as the user would.
        closer.setInterval(5);
        QObject::connect(&closer, &QTimer::timeout, [] {
            for (TfrmDDLExec* w : TfrmDDLExec::OpenWindows())
                if (w->isVisible() && !w->Run().running()) {
                    if (qEnvironmentVariableIsSet("TBL_DEBUG"))
                        qWarning("%s", qPrintable(w->LogLines().join("\n")));
                    w->close();
                }
        });
        closer.start();
    }
    void TearDown() override
    {
        closer.stop();
        DefineSession::TearDown();
    }
    QTimer closer;

    void ConnectAt(int v)
    {
        version = v;
        if (v == 15) {
            Connect();
        } else {
            using namespace qv::catalog;
            const QString text = QStringLiteral("%1.00.2039").arg(v);
            Answer("select SERVERPROPERTY('productversion')", text);
            Answer(facts::ProductVersion, text);
            Connect();
        }
        for (const char* db : {"use [sales]", "use [master]"})
            session->fixture().exact(db);
    }

    // dbo.T in sales with the sample columns, its key, defaults, a check, a foreign key, two
    // indexes, a trigger and a privilege.
    void SampleTable(const QList<ColumnRow>& columns = SampleColumns)
    {
        Fixture& f = session->fixture();
        f.pattern("select a\\.id, cast\\(b\\.value as nvarchar\\((Max|4000)\\)\\).*")
            .returns({column("id", "int"), column("comment", "nvarchar(max)"), column("seed", "int"), column("inc", "int")},
                     {{1001, "表のコメント", 1, 1}});
        f.pattern("select dsidx\\.type .*").returns({column("type", "nvarchar(2)")}, {{"FG"}});
        f.pattern("select filegroup_name.*").returns({column("", "sysname")}, {{"PRIMARY"}});
        std::vector<QVariantList> rows;
        for (const ColumnRow& c : columns) {
            QVariantList r{c.name, c.type, QVariant(), c.precision ? QVariant(c.precision) : QVariant(),
                           c.scale ? QVariant(c.scale) : QVariant(), c.maxLength ? QVariant(c.maxLength) : QVariant(),
                           c.nullable ? "Y" : "N", c.def ? QVariant(c.def) : QVariant(),
                           c.comment ? QVariant(QString::fromUtf8(c.comment)) : QVariant(), c.identity ? 1 : 0,
                           c.primary ? "Y" : "N"};
            if (version >= 9)
                r << 0; // fraction scale
            r << (c.collation ? QVariant(c.collation) : QVariant());
            if (version >= 13)
                r << QVariant();
            if (version >= 9)
                r << QVariant();
            rows.push_back(r);
        }
        std::vector<ColumnDesc> cols{column("COLUMN_NAME", "sysname"), column("DATA_TYPE", "nvarchar(128)"),
                               column("CHARACTER_OCTET_LENGTH", "int"), column("NUMERIC_PRECISION", "int"),
                               column("NUMERIC_SCALE", "int"), column("CHARACTER_MAXIMUM_LENGTH", "int"),
                               column("IS_NULLABLE", "nvarchar(1)"), column("COLUMN_DEFAULT", "nvarchar(4000)"),
                               column("comment", "nvarchar(max)"), column("isIdentity", "int"),
                               column("isPrimary", "nvarchar(1)")};
        if (version >= 9)
            cols.push_back(column("scale", "int"));
        cols.push_back(column("collation", "sysname"));
        if (version >= 13)
            cols.push_back(column("masking_function", "nvarchar(4000)"));
        if (version >= 9)
            cols.push_back(column("computed_definition", "nvarchar(max)"));
        f.pattern("select (cols\\.COLUMN_NAME|col\\.name as COLUMN_NAME).*").returns(cols, rows);
        f.pattern("select a\\.name colname.*")
            .returns({column("colname", "sysname"), column("constdefname", "sysname")},
                     {{"code", "DF_T_code"}, {"qty", "DF_T_qty"}});
        f.pattern("EXEC sp_pkeys.*")
            .returns({column("TABLE_QUALIFIER", "sysname"), column("TABLE_OWNER", "sysname"), column("TABLE_NAME", "sysname"),
                      column("COLUMN_NAME", "sysname"), column("KEY_SEQ", "smallint"), column("PK_NAME", "sysname")},
                     {{"sales", "dbo", "T", "id", 1, "PK_T"}});
        f.pattern("select (name, type from sys\\.indexes|o\\.name, i\\.indid from sysobjects).*")
            .returns({column("name", "sysname"), column("type", "int")}, {{"PK_T", 1}});
        // What depends on the table.
        f.pattern("select (name, definition from sys\\.check_constraints|o\\.name, c\\.text from sysobjects).*")
            .returns({column("name", "sysname"), column("definition", "nvarchar(max)")}, {{"CK_T_qty", "([qty]>=(0))"}});
        f.pattern("select (fk\\.name|o\\.name, col_name).*")
            .returns({column("name", "sysname"), column("c", "sysname"), column("rs", "sysname"), column("rt", "sysname"),
                      column("rc", "sysname"), column("d", "int"), column("u", "int")},
                     {{"FK_T_P", "parent_id", "dbo", "P", "id", 0, 0}});
        f.pattern("select (k\\.name, c\\.name|o\\.name, c\\.name).*")
            .returns({column("name", "sysname"), column("c", "sysname"), column("t", "int"), column("d", "bit")}, {});
        f.pattern("select i\\.name, (i\\.index_id|i\\.indid).*")
            .returns({column("name", "sysname"), column("id", "int"), column("u", "bit"), column("t", "int"),
                      column("c", "sysname"), column("d", "bit"), column("i", "bit"), column("f", "nvarchar(max)")},
                     {{"IX_T_code", 2, false, 2, "code", false, false, QVariant()},
                      {"IX_T_parent", 3, false, 2, "parent_id", true, false, QVariant()}});
        f.pattern("select (schema_name|user_name)\\(uid\\), name, OBJECTPROPERTY.*")
            .returns({column("s", "sysname"), column("name", "sysname"), column("a", "int"), column("b", "int"),
                      column("c", "int"), column("d", "int"), column("e", "int"), column("f", "int")},
                     {{"dbo", "tr_T", 0, 1, 0, 0, 0, 1}});
        f.pattern("select definition from sys\\.sql_modules.*")
            .returns({column("definition", "nvarchar(max)")},
                     {{"CREATE TRIGGER [dbo].[tr_T] ON [dbo].[T] AFTER INSERT AS\r\nUPDATE P SET n = n + 1"}});
        f.pattern("select d\\.name, .*")
            .returns({column("grantee", "sysname"), column("p", "nvarchar(60)"), column("g", "nvarchar(4)"),
                      column("o", "sysname")},
                     {{"app", "SELECT", "NO", "T"}});
        f.pattern(" ?select name, colid from syscolumns.*")
            .returns({column("name", "sysname"), column("colid", "smallint")},
                     {{"id", 1}, {"code", 2}, {"qty", 3}, {"parent_id", 4}, {"note", 5}, {"body", 6}});
        ConstTreeFixture(f);
    }

    TfrmTable* OpenTable(const QString& name = QStringLiteral("T"), TOpenMode mode = omDefine)
    {
        return qobject_cast<TfrmTable*>(Open(45, "sales", "dbo", name, mode));
    }
};

} // namespace

TEST_F(TableWindow, LoadShowsMaxIdentityDefaultsAndTheStatementsOfVersion15)
{
    ConnectAt(15);
    SampleTable();
    const qsizetype mark = Mark();
    TfrmTable* w = OpenTable();
    ASSERT_TRUE(w) << errors.join("\n").toStdString();
    EXPECT_EQ(w->windowTitle(), "TABLE - sales.dbo.T @ srv.master");
    TqvStringGrid* g = w->grdColumn;
    EXPECT_EQ(g->RowCount(), 8);
    EXPECT_EQ(g->Rows(1).mid(0, 6), QStringList({"1", "id", "int", "", "1", "IDENTITY(1, 1)"}));
    EXPECT_EQ(g->Rows(2), QStringList({"", "code", "nvarchar", "10", "1", "(N'x')", "Japanese_CI_AS", "", QString::fromUtf8("コード")}));
    EXPECT_EQ(g->Cells(table::colLength, 6), "max");
    EXPECT_EQ(g->Rows(7), QStringList(9, QString()));
    EXPECT_EQ(w->txtComment->text(), QString::fromUtf8("表のコメント"));
    EXPECT_EQ(w->FPrimary, QStringList({"id"}));
    EXPECT_FALSE(w->Modified());
    const QStringList sent = StatementsFrom(mark);
    ASSERT_FALSE(sent.isEmpty());
    EXPECT_TRUE(sent.filter(QRegularExpression("^select a\\.id, cast\\(b\\.value as nvarchar\\(Max\\)\\)")).size() == 1)
        << sent.join("\n---\n").toStdString();
    EXPECT_TRUE(sent.filter("schema_name(a.uid) = ? collate database_default").size() == 1);
    EXPECT_TRUE(sent.filter("maskcol.masking_function").size() == 1);
    main->resize(1100, 800);
    main->show();
    if (QWidget* frame = w->parentWidget())
        frame->resize(1000, 640);
    QApplication::processEvents();
    saveGrab(w, "table_window");
}

TEST_F(TableWindow, Version8ShowsTheStoredLengthAndUsesTheOldForms)
{
    ConnectAt(8);
    SampleTable();
    const qsizetype mark = Mark();
    TfrmTable* w = OpenTable();
    ASSERT_TRUE(w) << errors.join("\n").toStdString();
    EXPECT_EQ(w->grdColumn->Cells(table::colLength, 6), "-1");
    EXPECT_EQ(w->grdColumn->Cells(table::colDefault, 1), "IDENTITY(1, 1)");
    EXPECT_EQ(w->grdColumn->Cells(table::colCollation, 2), "Japanese_CI_AS");
    const QString sent = StatementsFrom(mark).join("\n");
    EXPECT_TRUE(sent.contains("user_name(a.uid)"));
    EXPECT_TRUE(sent.contains("nvarchar(4000)"));
    EXPECT_FALSE(sent.contains("schema_name("));
    EXPECT_FALSE(sent.contains("sys."));
}

TEST_F(TableWindow, SourcePageAndScriptRoutineGiveCreateAndDrop)
{
    ConnectAt(15);
    SampleTable();
    TfrmTable* w = OpenTable();
    ASSERT_TRUE(w);
    w->pagObject->setCurrentWidget(w->tabSource);
    const QStringList create = w->SourceLines();
    const QString pad = [](int n) { return QString(31 - n, u' '); }(4);
    EXPECT_EQ(create.mid(0, 5), QStringList({"use [sales]", "go", "CREATE TABLE [dbo].[T]", "(",
                                             "    [id]" + QString(27, u' ') + "int IDENTITY(1, 1) NOT NULL,"}));
    EXPECT_TRUE(create.contains("    [code]" + QString(25, u' ') +
                                "nvarchar(10) COLLATE Japanese_CI_AS  CONSTRAINT [DF_T_code] DEFAULT (N'x') NOT NULL,"));
    EXPECT_TRUE(create.contains("ALTER TABLE [dbo].[T] ADD CONSTRAINT [CK_T_qty] CHECK ([qty]>=(0))"));

    ScriptOption.Drop = true;
    ScriptOption.Database = 0;
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    try {
        DefineScriptRequest request;
        request.objectType = 45;
        request.database = "sales";
        request.schema = "dbo";
        request.name = "T";
        DefinitionScripts().value(45)(conn, request, buffer);
    } catch (const EAbort&) {
    }
    const QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(buffer.data().constData()),
                                            buffer.data().size() / 2);
    EXPECT_EQ(text, "use [sales]\r\ngo\r\nIF EXISTS (SELECT * FROM sysobjects WHERE id = object_id(N'[dbo].[T]'))\r\n"
                    "DROP TABLE [dbo].[T]\r\ngo\r\n");
}

TEST_F(TableWindow, TableCommentOnlyIsOneExtendedPropertyStatement)
{
    ConnectAt(15);
    SampleTable();
    TfrmTable* w = OpenTable();
    ASSERT_TRUE(w);
    w->txtComment->setText("新しい");
    EXPECT_TRUE(w->Modified());
    EXPECT_FALSE(w->IsRecreate());
    session->fixture().pattern("EXEC sp_.*").affects(0);
    const qsizetype mark = Mark();
    w->Compile();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    const QStringList sent = StatementsFrom(mark);
    ASSERT_GE(sent.size(), 2);
    EXPECT_EQ(sent.mid(0, 2), QStringList({"use [sales]",
                                           QString::fromUtf8("EXEC sp_updateextendedproperty N'MS_Description', N'新しい', "
                                                             "N'schema', N'dbo', N'table', N'T'")}));
    EXPECT_FALSE(w->Modified());
}

struct Recreate : TableWindow {
    // The statements of the apply's run (from the backup on), and the backup name it used.
    QStringList run;
    QString backup;
    void Split(const QStringList& sent)
    {
        const qsizetype first = sent.indexOf(QRegularExpression("^use \\[sales\\]$"),
                                             sent.indexOf(QRegularExpression("^ ?select name, colid from syscolumns.*")) + 1);
        run = sent.mid(first);
        for (const QString& s : run) {
            const auto m = QRegularExpression("^SELECT \\* INTO \\[dbo\\]\\.\\[(T_\\d{10})\\]").match(s);
            if (m.hasMatch())
                backup = m.captured(1);
        }
    }
};

TEST_F(Recreate, WholeRecreateIsTheExactStatementList)
{
    ConnectAt(15);
    SampleTable();
    TfrmTable* w = OpenTable();
    ASSERT_TRUE(w);
    // A type change in the middle of a table with an int identity column: re-created.
    w->grdColumn->SetCells(table::colLength, 5, "100");
    w->grdColumnSetEditText(table::colLength, 5, "100");
    EXPECT_TRUE(w->IsRecreate());
    session->fixture().pattern("(SELECT \\* INTO|IF EXISTS|CREATE|ALTER TABLE|INSERT INTO|SET IDENTITY_INSERT|GRANT|DROP TABLE|EXEC sp_|use \\[sales\\]\\s+DROP TABLE).*")
        .affects(1);
    const qsizetype mark = Mark();
    w->Compile();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join("\n").toStdString();
    const QStringList sent = StatementsFrom(mark);
    Split(sent);
    ASSERT_FALSE(backup.isEmpty()) << sent.join("\n---\n").toStdString();
    const QString b = "[dbo].[" + backup + "]";
    const QString p = QString(31, u' ');
    const auto col = [&](const QString& name, const QString& rest) { return "    " + name + p.left(31 - name.size()) + rest; };
    const QStringList expected{
        "use [sales]",
        "SELECT * INTO " + b + "\n  FROM [dbo].[T]",
        "IF EXISTS (SELECT * FROM sysobjects WHERE id = object_id(N'[dbo].[T]'))\nDROP TABLE [dbo].[T]",
        "CREATE TABLE [dbo].[T]\n(\n" + col("[id]", "int IDENTITY(1, 1) NOT NULL,") + "\n" +
            col("[code]", "nvarchar(10) COLLATE Japanese_CI_AS  CONSTRAINT [DF_T_code] DEFAULT (N'x') NOT NULL,") + "\n" +
            col("[qty]", "int CONSTRAINT [DF_T_qty] DEFAULT ((0)) NULL,") + "\n" + col("[parent_id]", "int NULL,") + "\n" +
            col("[note]", "varchar(100) COLLATE Japanese_CI_AS  NULL,") + "\n" +
            col("[body]", "varchar(max) COLLATE Japanese_CI_AS  NULL") + "\n)\nON [PRIMARY]",
        "ALTER TABLE [dbo].[T] ADD CONSTRAINT [PK_T]\nPRIMARY KEY ([id])\nON [PRIMARY]",
        "SET IDENTITY_INSERT [dbo].[T] ON",
        "INSERT INTO [dbo].[T]\n  ([id], [code], [qty], [parent_id], [note], [body])\n"
        "  SELECT [id], [code], [qty], [parent_id], [note], [body] FROM " + b,
        "SET IDENTITY_INSERT [dbo].[T] OFF",
        "ALTER TABLE [dbo].[T] ADD CONSTRAINT [CK_T_qty] CHECK ([qty]>=(0))",
        "ALTER TABLE [dbo].[T] ADD CONSTRAINT [FK_T_P] FOREIGN KEY ([parent_id]) REFERENCES [dbo].[P] ([id])",
        "CREATE NONCLUSTERED INDEX [IX_T_code] ON [dbo].[T] ([code])",
        "CREATE NONCLUSTERED INDEX [IX_T_parent] ON [dbo].[T] ([parent_id] DESC)",
        "CREATE TRIGGER [dbo].[tr_T] ON [dbo].[T] AFTER INSERT AS\nUPDATE P SET n = n + 1",
        "GRANT SELECT ON [dbo].[T] TO [app]",
        QString::fromUtf8("EXEC sp_addextendedproperty N'MS_Description', N'表のコメント', N'schema', N'dbo', N'table', N'T'"),
        QString::fromUtf8("EXEC sp_addextendedproperty N'MS_Description', N'コード', N'schema', N'dbo', N'table', N'T', "
                          "N'column', N'code'"),
        "use [sales]\nDROP TABLE " + b,
    };
    QStringList normal;
    for (const QString& s : run.mid(0, expected.size()))
        normal << QString(s).replace("\r\n", "\n");
    EXPECT_EQ(normal, expected) << run.join("\n---\n").toStdString();
    EXPECT_TRUE(w->LastBackupName().isEmpty()); // dropped after the clean run
    EXPECT_FALSE(w->Modified());
}

TEST_F(Recreate, FailedCopyBackKeepsTheBackupAndSaysItsName)
{
    ConnectAt(15);
    SampleTable();
    TfrmTable* w = OpenTable();
    ASSERT_TRUE(w);
    w->grdColumn->SetCells(table::colLength, 5, "100");
    w->grdColumnSetEditText(table::colLength, 5, "100");
    Fixture& f = session->fixture();
    f.pattern("INSERT INTO \\[dbo\\]\\.\\[T\\].*").fails("Cannot insert the value NULL");
    f.pattern("use \\[sales\\]\\s+select object_id\\(N'\\[dbo\\]\\.\\[T_\\d{10}\\]'\\)").returns({column("", "int")}, {{77}});
    f.pattern("(SELECT \\* INTO|IF EXISTS|CREATE|ALTER TABLE|SET IDENTITY_INSERT|GRANT|DROP TABLE|EXEC sp_).*").affects(1);
    const qsizetype mark = Mark();
    w->Compile();
    const QStringList sent = StatementsFrom(mark);
    if (qEnvironmentVariableIsSet("TBL_DEBUG"))
        qWarning("%s", qPrintable(sent.join("\n---\n")));
    Split(sent);
    ASSERT_FALSE(backup.isEmpty());
    // Nothing runs after the failing copy: no index, trigger or privilege, and the backup stays.
    const qsizetype failed = run.indexOf(QRegularExpression("(?s)^INSERT INTO \\[dbo\\]\\.\\[T\\].*"));
    ASSERT_GE(failed, 0);
    for (const QString& s : run.mid(failed + 1)) {
        EXPECT_FALSE(s.startsWith("CREATE") || s.startsWith("GRANT") || s.contains("DROP TABLE [dbo].[" + backup))
            << s.toStdString();
    }
    EXPECT_EQ(w->LastBackupName(), backup);
    ASSERT_EQ(boxes.size(), 1) << boxes.join("\n").toStdString();
    EXPECT_TRUE(boxes.first().contains("[dbo].[" + backup + "]")) << boxes.first().toStdString();
    EXPECT_TRUE(w->Modified()); // the window keeps the edit
}

TEST_F(Recreate, WithoutBackupDataAsksAndStillReappliesTheDependents)
{
    ConnectAt(15);
    qv::qvOption.BackupData = false;
    SampleTable();
    TfrmTable* w = OpenTable();
    ASSERT_TRUE(w);
    w->grdColumn->SetCells(table::colLength, 5, "100");
    w->grdColumnSetEditText(table::colLength, 5, "100");
    w->txtComment->setText(""); // a cleared comment is no statement for a table created afresh
    session->fixture().pattern("(IF EXISTS|CREATE|ALTER TABLE|GRANT|EXEC sp_).*").affects(1);
    const qsizetype mark = Mark();
    w->Compile();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes.first().contains(QString::fromUtf8("既存のデータは全て失われます")));
    const QString sent = StatementsFrom(mark).join("\n");
    EXPECT_FALSE(sent.contains("SELECT * INTO"));
    EXPECT_TRUE(sent.contains("CREATE NONCLUSTERED INDEX [IX_T_code]"));
    EXPECT_TRUE(sent.contains("CREATE TRIGGER [dbo].[tr_T]"));
    EXPECT_TRUE(sent.contains("GRANT SELECT ON [dbo].[T] TO [app]"));
    EXPECT_TRUE(sent.indexOf("CREATE TABLE") < sent.indexOf("CREATE TRIGGER"));
    EXPECT_FALSE(sent.contains("sp_dropextendedproperty"));
}

TEST_F(TableWindow, GridEditingRules)
{
    ConnectAt(15);
    SampleTable();
    TfrmTable* w = OpenTable();
    ASSERT_TRUE(w);
    TqvStringGrid* g = w->grdColumn;
    // Key box ticks NOT NULL; IDENTITY( default ticks NOT NULL.
    g->SetCells(table::colKey, 3, "1");
    w->grdColumnSetEditText(table::colKey, 3, "1");
    EXPECT_EQ(g->Cells(table::colNotNull, 3), "1");
    g->SetCells(table::colDefault, 4, "IDENTITY(1, 1)");
    w->grdColumnSetEditText(table::colDefault, 4, "IDENTITY(1, 1)");
    EXPECT_EQ(g->Cells(table::colNotNull, 4), "1");
    // nvarchar → int clears collation and an email() mask.
    g->SetCells(table::colMask, 2, "email()");
    g->SetCells(table::colType, 2, "int");
    w->grdColumnSelectListItems(table::colType, 2);
    EXPECT_EQ(g->Cells(table::colCollation, 2), "");
    EXPECT_EQ(g->Cells(table::colMask, 2), "");
    // Typing into the empty last row adds a column and a new empty row.
    const int rows = g->RowCount();
    g->SetCells(table::colName, rows - 1, "added");
    w->grdColumnSetEditText(table::colName, rows - 1, "added");
    EXPECT_EQ(g->RowCount(), rows + 1);
    EXPECT_EQ(g->Objects(table::colName, rows - 1), nullptr);
    // Delete on the empty last row does nothing; up is off on the first row, down on the last column row.
    g->MoveCurrent(1, g->RowCount() - 1, false, true);
    w->btnColDeleteClick();
    EXPECT_EQ(g->RowCount(), rows + 1);
    g->MoveCurrent(1, 1, false, true);
    w->UpdateColumnActions();
    EXPECT_FALSE(w->actColUp->isEnabled());
    EXPECT_TRUE(w->actColDown->isEnabled());
    g->MoveCurrent(1, g->RowCount() - 2, false, true);
    w->UpdateColumnActions();
    EXPECT_FALSE(w->actColDown->isEnabled());
    // Moving a column makes the table be re-created.
    w->actColUpExecute();
    EXPECT_TRUE(w->IsRecreate());
}

TEST_F(Recreate, Version8UsesTheOldFormsThroughout)
{
    ConnectAt(8);
    SampleTable();
    TfrmTable* w = OpenTable();
    ASSERT_TRUE(w) << errors.join("\n").toStdString();
    w->grdColumn->SetCells(table::colLength, 5, "100");
    w->grdColumnSetEditText(table::colLength, 5, "100");
    session->fixture().pattern("(SELECT \\* INTO|IF EXISTS|CREATE|ALTER TABLE|INSERT INTO|SET IDENTITY_INSERT|GRANT|DROP TABLE|EXEC sp_|use \\[sales\\]\\s+DROP TABLE).*")
        .affects(1);
    session->fixture().pattern("select distinct user_name\\(b\\.uid\\).*")
        .returns({column("a", "sysname"), column("b", "nvarchar(60)"), column("c", "nvarchar(4)"), column("d", "sysname")}, {});
    const QString trigger = "CREATE TRIGGER [dbo].[tr_T] ON [dbo].[T] FOR INSERT AS\r\nUPDATE P SET n = n + 1";
    session->fixture().pattern("select text, datalength.*")
        .returns({column("text", "nvarchar(4000)"), column("len", "int")}, {{trigger, int(trigger.size())}});
    const qsizetype mark = Mark();
    w->Compile();
    const QString sent = StatementsFrom(mark).join("\n---\n");
    EXPECT_FALSE(sent.contains("sys.")) << sent.toStdString();
    EXPECT_FALSE(sent.contains("schema_name(")) << sent.toStdString();
    EXPECT_TRUE(sent.contains("N'user', N'dbo', N'table', N'T'")) << sent.toStdString();
    EXPECT_TRUE(sent.contains("SELECT * INTO [dbo].[T_"));
}

TEST_F(Recreate, AzureFillsTheBackupBeforeTheDrop)
{
    Connect(true);
    version = 12;
    session->fixture().exact("use [sales]");
    SampleTable();
    Fixture& f = session->fixture();
    f.pattern("select type from sys\\.indexes where object_id = object_id\\(N'\\[dbo\\]\\.\\[T\\]'\\) and type = 1")
        .returns({column("type", "int")}, {{1}});
    f.pattern("use \\[sales\\]\\s+select a\\.name, type_name.*")
        .returns({column("name", "sysname"), column("type", "sysname"), column("len", "int"), column("p", "int"),
                  column("s", "int"), column("n", "bit"), column("i", "bit"), column("seed", "int"), column("inc", "int"),
                  column("def", "nvarchar(max)")},
                 {{"id", "int", QVariant(), 10, 0, false, true, 1, 1, QVariant()},
                  {"code", "nvarchar", 10, 0, 0, false, false, QVariant(), QVariant(), "(N'x')"}});
    f.pattern("use \\[sales\\]\\s+select c\\.name, b\\.is_included_column.*")
        .returns({column("name", "sysname"), column("inc", "bit")}, {{"id", false}});
    TfrmTable* w = OpenTable();
    ASSERT_TRUE(w) << errors.join("\n").toStdString();
    w->grdColumn->SetCells(table::colLength, 5, "100");
    w->grdColumnSetEditText(table::colLength, 5, "100");
    f.pattern("(IF EXISTS|CREATE|ALTER TABLE|INSERT INTO|SET IDENTITY_INSERT|GRANT|EXEC sp_|use \\[sales\\]\\s+DROP TABLE).*")
        .affects(1);
    const qsizetype mark = Mark();
    w->Compile();
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join("\n").toStdString();
    const QStringList sent = StatementsFrom(mark);
    const qsizetype create = sent.indexOf(QRegularExpression("(?s)^CREATE TABLE \\[dbo\\]\\.\\[T_\\d{10}\\].*"));
    const qsizetype fill = sent.indexOf(QRegularExpression("(?s)^INSERT INTO \\[dbo\\]\\.\\[T_\\d{10}\\].*FROM \\[dbo\\]\\.\\[T\\]$"));
    const qsizetype drop = sent.indexOf(QRegularExpression("(?s)^IF EXISTS .*DROP TABLE \\[dbo\\]\\.\\[T\\]$"));
    const qsizetype back = sent.indexOf(QRegularExpression("(?s)^INSERT INTO \\[dbo\\]\\.\\[T\\].*"));
    ASSERT_GE(create, 0) << sent.join("\n---\n").toStdString();
    EXPECT_LT(create, fill);
    EXPECT_LT(fill, drop);
    EXPECT_LT(drop, back);
    EXPECT_EQ(sent.at(fill - 1), QRegularExpression("^SET IDENTITY_INSERT \\[dbo\\]\\.\\[T_\\d{10}\\] ON$").match(sent.at(fill - 1)).captured(0));
}

namespace {
void TypeText(QWidget* target, const QString& text)
{
    for (const QChar ch : text) {
        auto* grid = qobject_cast<TqvStringGrid*>(target);
        QWidget* to = grid && grid->InplaceEditor() && grid->InplaceEditor()->isVisible() ? grid->InplaceEditor() : target;
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(to, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(to, &release);
    }
}
} // namespace

TEST_F(TableWindow, TypingIntoTheEmptyLastRowAddsAColumn)
{
    ConnectAt(15);
    SampleTable();
    TfrmTable* w = OpenTable();
    ASSERT_TRUE(w);
    main->show();
    w->activateWindow();
    TqvStringGrid* g = w->grdColumn;
    const int rows = g->RowCount();
    g->setFocus();
    g->MoveCurrent(table::colName, rows - 1, true, true);
    TypeText(g, "extra");
    EXPECT_EQ(g->Cells(table::colName, rows - 1), "extra");
    EXPECT_EQ(g->RowCount(), rows + 1);
    EXPECT_EQ(g->Objects(table::colName, rows - 1), nullptr);
    EXPECT_TRUE(w->Modified());
    // The length of an int column takes no text.
    g->MoveCurrent(table::colLength, 1, true, true);
    TypeText(g, "9");
    EXPECT_EQ(g->Cells(table::colLength, 1), "");
}

TEST_F(Recreate, DefaultAutoQuoteQuotesOnlyTypedPlainText)
{
    ConnectAt(15);
    qv::qvOption.DefaultAutoQuote = true;
    SampleTable();
    TfrmTable* w = OpenTable();
    ASSERT_TRUE(w);
    w->grdColumn->SetCells(table::colDefault, 5, "abc");
    w->grdColumnSetEditText(table::colDefault, 5, "abc");
    session->fixture().pattern("(SELECT \\* INTO|IF EXISTS|CREATE|ALTER TABLE|INSERT INTO|SET IDENTITY_INSERT|GRANT|DROP TABLE|EXEC sp_|use \\[sales\\]\\s+DROP TABLE).*")
        .affects(1);
    const qsizetype mark = Mark();
    w->Compile();
    qv::qvOption.DefaultAutoQuote = false;
    const QString create = StatementsFrom(mark).filter(QRegularExpression("^CREATE TABLE \\[dbo\\]\\.\\[T\\]")).value(0);
    EXPECT_TRUE(create.contains("[note]" + QString(25, u' ') + "varchar(50) COLLATE Japanese_CI_AS  DEFAULT 'abc' NULL"))
        << create.toStdString();
    EXPECT_TRUE(create.contains("DEFAULT (N'x') NOT NULL")) << create.toStdString();   // loaded, unchanged
    EXPECT_TRUE(create.contains("DEFAULT ((0)) NULL")) << create.toStdString();        // loaded, unchanged
}

TEST_F(Recreate, FailureInsideATransactionRollsItBackAndSaysSo)
{
    ConnectAt(15);
    SampleTable();
    TfrmTable* w = OpenTable();
    ASSERT_TRUE(w);
    w->grdColumn->SetCells(table::colLength, 5, "100");
    w->grdColumnSetEditText(table::colLength, 5, "100");
    Fixture& f = session->fixture();
    f.pattern("(?s)CREATE TABLE \\[dbo\\]\\.\\[T\\].*").fails("Column names in each table must be unique.");
    f.pattern("use \\[sales\\]\\s+select object_id\\(N'\\[dbo\\]\\.\\[T_\\d{10}\\]'\\)").returns({column("", "int")}, {{QVariant()}});
    f.pattern("(SELECT \\* INTO|IF EXISTS|ALTER TABLE|SET IDENTITY_INSERT|GRANT|DROP TABLE|EXEC sp_).*").affects(1);
    conn->session()->dmSQLServer->Connection->StartTransaction();
    const qsizetype events = session->events().size();
    const qsizetype mark = Mark();
    w->Compile();
    EXPECT_TRUE(session->events().mid(events).contains("Rollback")) << session->events().join(",").toStdString();
    EXPECT_FALSE(StatementsFrom(mark).join("\n").contains("INSERT INTO [dbo].[T]"));
    ASSERT_EQ(boxes.size(), 1);
    // Rolled back: the backup went with the rest, the table keeps its rows.
    EXPECT_TRUE(boxes.first().contains(QString::fromUtf8("ロールバック"))) << boxes.first().toStdString();
    EXPECT_TRUE(boxes.first().contains(QString::fromUtf8("データは変更されていません"))) << boxes.first().toStdString();
    EXPECT_TRUE(w->LastBackupName().isEmpty());
}

TEST_F(TableWindow, ConstraintPanelHeightIsKeptUnderGuiTable)
{
    ConnectAt(15);
    SampleTable();
    {
        TqvRegistry reg;
        ASSERT_TRUE(reg.OpenKey("\\Software\\Velmora\\QVS22\\GUI\\TABLE", true));
        reg.WriteInteger("Height", 600);
        reg.WriteInteger("ConstHeight", 150);
    }
    TfrmTable* w = OpenTable();
    ASSERT_TRUE(w);
    main->resize(1100, 800);
    main->show();
    QApplication::processEvents();
    EXPECT_NEAR(w->pnlConst->height(), 150, 8);
    // The panel keeps its height when the window grows.
    QWidget* frame = w->parentWidget() ? w->parentWidget() : w;
    frame->resize(frame->width(), frame->height() + 150);
    QApplication::processEvents();
    EXPECT_GT(w->grdColumn->height(), 300);
    EXPECT_NEAR(w->pnlConst->height(), 150, 8);
    const int kept = w->pnlConst->height();
    w->SaveWindowSettings();
    TqvRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\Software\\Velmora\\QVS22\\GUI\\TABLE", false));
    EXPECT_EQ(reg.GetInteger("ConstHeight", -1), kept);
}
