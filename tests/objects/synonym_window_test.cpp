// The synonym window on the scripted session, opened through the connection window: the split
// of stored base names (four parts keep their server), the new synonym's lines, the re-apply of
// an existing synonym with its permissions written back, the type lookup, the pre-filled window
// of the synonym action, the script routine's qualification and the rendering.
#include "objects/synonym_window.h"

#include "app/message_box.h"
#include "controls/lists/qv_listview.h"
#include "objects/object_pages.h"
#include "tables/privileges_frame.h"
#include "connection/catalog_queries.h"
#include "connection/ddl_preview.h"
#include "connection/open_object_map.h"
#include "editor/sqlmemo/qvmemo.h"
#include "platform/exceptions.h"
#include "platform/textcodec.h"
#include "support/test_env.h"
#include "tables/define_script.h"
#include "tables/define_session_helper.h"

#include <QBuffer>
#include <QDir>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>

using namespace qv;
using namespace qv::db;
using namespace qvtest;

namespace {

const QString SynonymSelect = QStringLiteral(
    "select schema_name(schema_id), base_object_name from sys.synonyms where object_id = object_id(quotename(?) + "
    "'.' + quotename(?))");
const QString TypeSelect = QStringLiteral(
    "select Xtype from sysobjects where id = object_id(quotename(?) + '.' + quotename(?)) union select N'IX' Xtype "
    "from sysindexes c inner join sysobjects a on a.id = c.indid where a.id = object_id(quotename(?) + '.' + "
    "quotename(?))");
const QString GrantSelect = QStringLiteral(
    "select p.state, p.permission_name, u.name from sys.database_permissions p inner join sys.database_principals u "
    "on u.principal_id = p.grantee_principal_id where p.class = 1 and p.minor_id = 0 and p.major_id = "
    "object_id(quotename(?) + '.' + quotename(?)) order by u.name, p.permission_name");

void saveGrab(QWidget* w, const QString& name)
{
    const QString dir = qEnvironmentVariable("QORVEL_RENDER_DIR", testHome());
    QDir().mkpath(dir);
    EXPECT_TRUE(w->grab().save(dir + "/" + name + ".png")) << name.toStdString();
}

struct SynonymWindow : DefineSession {
    QTimer closer;
    void SetUp() override
    {
        DefineSession::SetUp();
        Connect();
        // A run stopped at an error waits for the user: close it so a failing test ends.
        QObject::connect(&closer, &QTimer::timeout, [] {
            for (TfrmDDLExec* e : TfrmDDLExec::OpenWindows())
                if (e->btnOK->isEnabled())
                    e->close();
        });
        closer.start(50);
        for (const char* db : {"use [sales]", "use [master]", "use [hr]"})
            session->fixture().exact(db);
        // The login also uses hr.
        for (FixtureRule& r : session->fixture().rules)
            if (r.text == normalizeStatement(catalog::DatabaseListSql(false))) {
                r.results.clear();
                r.returns({column("name", "sysname")}, {{"hr"}, {"master"}, {"sales"}, {"tempdb"}});
            }
    }
    void Exists(const QString& name, const QString& base)
    {
        FixtureRule& r = session->fixture().exact(SynonymSelect);
        r.params = QVariantList{"dbo", name};
        r.returns({column("", "sysname"), column("base_object_name", "nvarchar(1035)")}, {{"dbo", base}});
    }
    void Kind(const QString& owner, const QString& name, const QString& xtype)
    {
        FixtureRule& r = session->fixture().exact(TypeSelect);
        r.params = QVariantList{owner, name, owner, name};
        r.returns({column("Xtype", "char(2)")}, {{xtype}});
    }
    void Grants(const QString& name, std::vector<QVariantList> rows)
    {
        FixtureRule& r = session->fixture().exact(GrantSelect);
        r.params = QVariantList{"dbo", name};
        r.returns({column("state", "char(1)"), column("permission_name", "nvarchar(128)"), column("name", "sysname")},
                  std::move(rows));
    }
    TfrmSynonym* OpenSynonym(const QString& name, TOpenMode mode = omDefine)
    {
        return qobject_cast<TfrmSynonym*>(Open(60, "sales", "dbo", name, mode));
    }
};

} // namespace

TEST_F(SynonymWindow, StoredBaseNamesLoad)
{
    struct Case {
        const char* synonym;
        const char* stored;
        const char* database;
        const char* owner;
        const char* object;
        const char* type;
    };
    const Case cases[] = {
        {"s1", "[hr].[dbo].[t1]", "hr", "dbo", "t1", "TABLE"},
        {"s2", "[dbo].[Order Details]", "sales", "dbo", "Order Details", "VIEW"},
        {"s3", "[srv].[hr].[dbo].[t1]", "hr", "dbo", "t1", ""},
        {"s4", "[dbo].[a.b]]c]", "sales", "dbo", "a.b]c", "PROCEDURE"},
        {"s5", "[gone].[dbo].[t1]", "gone", "dbo", "t1", ""}, // a database the login cannot use
    };
    Kind("dbo", "t1", "U ");
    Kind("dbo", "Order Details", "V ");
    Kind("dbo", "a.b]c", "P ");
    for (const Case& c : cases) {
        Exists(c.synonym, c.stored);
        TfrmSynonym* w = OpenSynonym(c.synonym);
        ASSERT_TRUE(w) << c.synonym << errors.join("\n").toStdString();
        EXPECT_EQ(w->cmbDatabaseList->currentText(), c.database) << c.synonym;
        EXPECT_EQ(w->cmbTableOwner->currentText(), c.owner) << c.synonym;
        EXPECT_EQ(w->cmbTableName->currentText(), c.object) << c.synonym;
        EXPECT_EQ(w->cmbType->currentText(), c.type) << c.synonym;
        EXPECT_FALSE(w->Modified()) << c.synonym;
    }
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
}

TEST_F(SynonymWindow, FourPartBaseKeepsItsServerInTheScript)
{
    Exists("s3", "[srv].[hr].[dbo].[t1]");
    TfrmSynonym* w = OpenSynonym("s3", omSource);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->BaseServer(), "srv");
    EXPECT_EQ(w->SourceLines(),
              QStringList({"use [sales]", "go", "CREATE SYNONYM [dbo].[s3]", "FOR [srv].[hr].[dbo].[t1]", "go"}));
    EXPECT_FALSE(w->actOpen->isEnabled()); // not an object of this server
    // The written script names the server too, whatever the qualification options say.
    ScriptOption.Database = qmNever;
    ScriptOption.Owner = qmNever;
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    EXPECT_THROW(TfrmSynonym::GetScript(conn, "sales", "dbo", "s3", out), EAbort);
    EXPECT_EQ(TextEncoding::get(TextEncoding::Utf16LE).decode(out.data()),
              "CREATE SYNONYM [s3]\r\nFOR [srv].[hr].[dbo].[t1]\r\ngo\r\n");
}

TEST_F(SynonymWindow, NewSynonymGivesItsLines)
{
    TfrmSynonym* w = OpenSynonym("");
    ASSERT_TRUE(w);
    EXPECT_EQ(w->windowTitle(), QString::fromUtf8("SYNONYM - 新規"));
    EXPECT_FALSE(w->pagObject->isTabVisible(1));
    EXPECT_FALSE(w->pagObject->isTabVisible(2));
    w->txtName->setText("s1");
    w->cmbDatabaseList->setEditText("hr");
    w->cmbTableOwner->setEditText("dbo");
    w->cmbType->setEditText("TABLE");
    w->cmbTableName->setEditText("t1");
    qvOption.ShowDDL = true;
    QStringList shown;
    auto saved = TfrmDDLPreview::ExecHook;
    TfrmDDLPreview::ExecHook = [&](TfrmDDLPreview* p) {
        shown = p->txtLog->Lines().ToStringList();
        return int(QDialog::Accepted);
    };
    session->fixture().exact("CREATE SYNONYM [dbo].[s1]\nFOR [hr].[dbo].[t1]").affects(0);
    Exists("s1", "[hr].[dbo].[t1]");
    Kind("dbo", "t1", "U ");
    const qsizetype mark = Mark();
    w->Compile();
    TfrmDDLPreview::ExecHook = saved;
    EXPECT_EQ(shown, QStringList({"use [sales]", "go", "CREATE SYNONYM [dbo].[s1]", "FOR [hr].[dbo].[t1]", "go"}));
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(StatementsFrom(mark).mid(0, 2), QStringList({"use [sales]", "CREATE SYNONYM [dbo].[s1]\nFOR [hr].[dbo].[t1]"}));
    EXPECT_FALSE(w->IsNew());
    EXPECT_EQ(w->cmbType->currentText(), "TABLE");
}

TEST_F(SynonymWindow, ReapplyDropsCreatesAndWritesThePermissionsBack)
{
    Exists("s1", "[hr].[dbo].[t1]");
    Kind("dbo", "t1", "U ");
    Kind("dbo", "t2", "U ");
    Grants("s1", {{"G", "SELECT", "app"}, {"W", "EXECUTE", "ops"}});
    TfrmSynonym* w = OpenSynonym("s1");
    ASSERT_TRUE(w);
    w->cmbTableName->setEditText("t2");
    EXPECT_TRUE(w->Modified());
    const QString drop = "IF EXISTS (SELECT * FROM sysobjects WHERE id = object_id(N'[dbo].[s1]'))\nDROP SYNONYM [dbo].[s1]";
    const QString create = "CREATE SYNONYM [dbo].[s1]\nFOR [hr].[dbo].[t2]";
    const QString regrant = "GRANT SELECT ON OBJECT::[dbo].[s1] TO [app]\nGRANT EXECUTE ON OBJECT::[dbo].[s1] TO [ops] WITH GRANT OPTION";
    for (const QString& s : {drop, create, regrant})
        session->fixture().exact(s).affects(0);
    const qsizetype mark = Mark();
    w->Compile();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    const QStringList sent = StatementsFrom(mark);
    const qsizetype at = sent.indexOf(drop);
    ASSERT_GE(at, 1) << sent.join("\n|").toStdString();
    EXPECT_EQ(sent.at(at - 1), "use [sales]");
    EXPECT_EQ(sent.mid(at + 1, 2), QStringList({create, regrant}));
}

TEST_F(SynonymWindow, ChangingTheTypeClearsTheObject)
{
    TfrmSynonym* w = OpenSynonym("");
    ASSERT_TRUE(w);
    w->cmbTableName->addItems({"t1", "t2"});
    w->cmbTableName->setEditText("t1");
    w->cmbType->setEditText("VIEW");
    EXPECT_EQ(w->cmbTableName->currentText(), "");
    EXPECT_EQ(w->cmbTableName->count(), 0);
    // The object name is required on the definition page; a failing owner list is ignored.
    w->txtName->setText("s9");
    w->Compile();
    EXPECT_EQ(boxes, QStringList({"48:" + QString::fromUtf8("オブジェクト名を入力して下さい。")}));
    w->cmbTableOwner->OnDropDown();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
}

TEST_F(SynonymWindow, SynonymActionOpensAPrefilledModifiedWindow)
{
    OpenRequest o;
    o.window = DefinitionWindow::Synonym;
    o.objectType = 60;
    o.database = "sales";
    o.schema = "dbo";
    o.targetDatabase = "hr";
    o.targetSchema = "dbo";
    o.targetName = "t1";
    o.targetType = "TABLE";
    auto* w = qobject_cast<TfrmSynonym*>(conn->OpenWindow(o));
    ASSERT_TRUE(w);
    EXPECT_TRUE(w->IsNew());
    EXPECT_TRUE(w->Modified());
    EXPECT_TRUE(w->actCompile->isEnabled());
    EXPECT_EQ(w->cmbDatabaseList->currentText(), "hr");
    EXPECT_EQ(w->cmbType->currentText(), "TABLE");
    EXPECT_EQ(w->cmbTableName->currentText(), "t1");
    delete w;
}

TEST_F(SynonymWindow, ScriptLeavesOutTheBaseSchemaEqualToItsOwn)
{
    Exists("s1", "[sales].[dbo].[t1]");
    Kind("dbo", "t1", "U ");
    ASSERT_TRUE(DefinitionScripts().contains(60));
    ScriptOption.Database = qmNever;
    ScriptOption.Owner = qmDiffOwner;
    DefineScriptRequest q;
    q.objectType = 60;
    q.database = "sales";
    q.schema = "dbo";
    q.name = "s1";
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    EXPECT_THROW(DefinitionScripts().value(60)(conn, q, out), EAbort);
    EXPECT_EQ(TextEncoding::get(TextEncoding::Utf16LE).decode(out.data()), "CREATE SYNONYM [s1]\r\nFOR [t1]\r\ngo\r\n");
    ScriptOption.Drop = true;
    ScriptOption.Database = qmAlways;
    QBuffer drop;
    drop.open(QIODevice::WriteOnly);
    EXPECT_THROW(DefinitionScripts().value(60)(conn, q, drop), EAbort);
    EXPECT_EQ(TextEncoding::get(TextEncoding::Utf16LE).decode(drop.data()),
              "use [sales]\r\ngo\r\nIF EXISTS (SELECT * FROM sysobjects WHERE id = object_id(N'[dbo].[s1]'))\r\n"
              "DROP SYNONYM [dbo].[s1]\r\ngo\r\n");
}

TEST_F(SynonymWindow, DeleteRunsTheDropInItsDatabase)
{
    Exists("s1", "[hr].[dbo].[t1]");
    Kind("dbo", "t1", "U ");
    QPointer<TfrmSynonym> w = OpenSynonym("s1");
    ASSERT_TRUE(w);
    session->fixture().exact("use [sales]\ndrop synonym [dbo].[s1]").affects(0);
    const qsizetype mark = Mark();
    w->actDeleteExecute();
    EXPECT_EQ(StatementsFrom(mark), QStringList({"use [sales]\ndrop synonym [dbo].[s1]"}));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(w);
}

TEST_F(SynonymWindow, RendersNewAndExisting)
{
    Exists("s1", "[hr].[dbo].[t1]");
    Kind("dbo", "t1", "U ");
    main->resize(1000, 700);
    main->show();
    TfrmSynonym* n = OpenSynonym("");
    ASSERT_TRUE(n);
    n->parentWidget()->resize(600, 360);
    QCoreApplication::processEvents();
    saveGrab(n, "synonym_window_new");
    TfrmSynonym* e = OpenSynonym("s1");
    ASSERT_TRUE(e);
    e->parentWidget()->resize(600, 360);
    QCoreApplication::processEvents();
    saveGrab(e, "synonym_window_existing");
    for (QWidget* c : std::initializer_list<QWidget*>{e->cmbDatabaseList, e->cmbTableOwner, e->cmbType, e->cmbTableName}) {
        const QRect rect(c->mapTo(e, QPoint(0, 0)), c->size());
        EXPECT_TRUE(e->rect().contains(rect)) << c->objectName().toStdString();
    }
    QStringList tools;
    for (QAction* a : e->tolCmd->actions())
        tools << a->text();
    EXPECT_EQ(tools.mid(0, 2), QStringList({QString::fromUtf8("作成(&C)"), QString::fromUtf8("参照(&O)")}));
    EXPECT_TRUE(e->actOpen->isEnabled());
}

TEST_F(SynonymWindow, PrivilegesPageAppliesOnlyItsGrants)
{
    Exists("s1", "[hr].[dbo].[t1]");
    Kind("dbo", "t1", "U ");
    session->fixture()
        .exact(catalog::UserListSql({15, false}, "sales", true))
        .returns({column("name", "sysname")}, {{"u1"}, {"public"}});
    session->fixture().exact("select issqluser from sysusers where name = ?").returns({column("issqluser", "int")}, {{1}});
    session->fixture()
        .pattern("select d\\.name GRANTEE.*")
        .returns({column("GRANTEE", "sysname"), column("PRIVILEGE", "varchar(30)"), column("PRIVTYPE", "int")},
                 {{"u1", "SELECT", 205}});
    TfrmSynonym* w = OpenSynonym("s1", omGrant);
    ASSERT_TRUE(w) << errors.join("\n").toStdString();
    TfraGrant* f = GrantFrame(w->tabGrant);
    ASSERT_TRUE(f);
    ASSERT_EQ(f->lstGrant->topLevelItemCount(), 1);
    f->SelectPrincipals({"u1"});
    f->ClickBox(2, grants::ColDeny); // DELETE
    session->fixture().exact("DENY DELETE ON [dbo].[s1] TO [u1]").affects(0);
    const qsizetype mark = Mark();
    w->Compile();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    // No drop and no re-create from the privileges page.
    EXPECT_EQ(StatementsFrom(mark).mid(0, 2), QStringList({"use [sales]", "DENY DELETE ON [dbo].[s1] TO [u1]"}));
}

struct SynonymWindowAzure : DefineSession {
    void SetUp() override
    {
        DefineSession::SetUp();
        Connect(true, "sales");
    }
};

TEST_F(SynonymWindowAzure, BaseObjectLiesInTheSynonymsOwnDatabase)
{
    auto* w = qobject_cast<TfrmSynonym*>(Open(60, "sales", "dbo", ""));
    ASSERT_TRUE(w) << errors.join("\n").toStdString();
    EXPECT_FALSE(w->cmbDatabase->isEnabled());
    EXPECT_FALSE(w->cmbDatabaseList->isEnabled());
    EXPECT_EQ(w->cmbDatabaseList->currentText(), "sales");
}
