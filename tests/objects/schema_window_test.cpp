// The schema window on the scripted session, opened through the connection window as the
// object list opens it: one window per schema, the statements of new, existing, source-page
// and delete applies, the script routine's encodings, the window settings and the rendering.
#include "objects/schema_text.h"
#include "objects/schema_window.h"

#include "app/message_box.h"
#include "app/textfiles.h"
#include "connection/ddl_preview.h"
#include "platform/exceptions.h"
#include "platform/registry.h"
#include "platform/textcodec.h"
#include "sql/memo_frame.h"
#include "editor/sqlmemo/qvmemo.h"
#include "support/test_env.h"
#include "tables/define_session_helper.h"
#include "tables/define_script.h"
#include "tables/define_text.h"

#include <QBuffer>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QPushButton>
#include <QTimer>

using namespace qv;
using namespace qv::db;
using namespace qvtest;

namespace {

const QString OwnerSelect = QStringLiteral("SELECT ow.name from sys.schemas sc\n"
                                           "inner join sys.database_principals ow\n"
                                           "on sc.principal_id = ow.principal_id\n"
                                           "where sc.name = ?");

// Grabs go to QORVEL_RENDER_DIR (else the test's private folder) for a look by eye.
void saveGrab(QWidget* w, const QString& name)
{
    const QString dir = qEnvironmentVariable("QORVEL_RENDER_DIR", testHome());
    QDir().mkpath(dir);
    EXPECT_TRUE(w->grab().save(dir + "/" + name + ".png")) << name.toStdString();
}

struct SchemaWindow : DefineSession {
    void SetUp() override
    {
        DefineSession::SetUp();
        Connect();
        for (const char* db : {"use [sales]", "use [master]", "use [hr]"})
            session->fixture().exact(db);
    }
    // The schema `name` exists in every database with this owner.
    void Exists(const QString& name, const QString& owner)
    {
        FixtureRule& r = session->fixture().exact(OwnerSelect);
        r.params = QVariantList{name};
        r.returns({column("name", "sysname")}, {{owner}});
    }
    void Missing(const QString& name)
    {
        FixtureRule& r = session->fixture().exact(OwnerSelect);
        r.params = QVariantList{name};
        r.returns({column("name", "sysname")}, {});
    }
    TfrmSchema* OpenSchema(const QString& db, const QString& name, TOpenMode mode = omDefine, int type = 125)
    {
        return qobject_cast<TfrmSchema*>(Open(type, db, "dbo", name, mode));
    }
};

} // namespace

TEST_F(SchemaWindow, OpeningTheSameSchemaTwiceGivesOneWindow)
{
    Exists("s1", "dbo");
    TfrmSchema* first = OpenSchema("sales", "s1");
    ASSERT_TRUE(first);
    EXPECT_EQ(first->windowTitle(), "SCHEMA - sales.s1 @ srv.master");
    EXPECT_EQ(first->TaskCaption(), "s1");
    EXPECT_EQ(first->cmbOwner->currentText(), "dbo");
    QWidget* other = OpenSchema("master", "s1"); // another window comes forward meanwhile
    ASSERT_TRUE(other);
    const qsizetype before = Mark();
    EXPECT_EQ(Open(125, "sales", "dbo", "s1"), nullptr);
    EXPECT_EQ(Mark(), before); // nothing was read for the second call
    ASSERT_TRUE(main->mdiArea()->activeSubWindow());
    EXPECT_EQ(main->mdiArea()->activeSubWindow()->widget(), first);
    // The codes 4 and 126 open the same window class; new schemas never match.
    EXPECT_EQ(Open(4, "sales", "dbo", "s1"), nullptr);
    TfrmSchema* new1 = OpenSchema("sales", "");
    TfrmSchema* new2 = OpenSchema("sales", "");
    ASSERT_TRUE(new1 && new2);
    EXPECT_NE(new1, new2);
    EXPECT_EQ(new1->windowTitle(), QString::fromUtf8("SCHEMA - 新規"));
    EXPECT_EQ(new1->TaskCaption(), QString::fromUtf8("新規"));
}

TEST_F(SchemaWindow, NewSchemaRunsTheSwitchAndTheCreateOnly)
{
    TfrmSchema* w = OpenSchema("sales", "");
    ASSERT_TRUE(w);
    EXPECT_TRUE(w->IsNew());
    EXPECT_TRUE(w->pnlName->isEnabled());
    EXPECT_FALSE(w->pagObject->isTabVisible(w->pagObject->indexOf(w->tabSource)));
    EXPECT_EQ(w->cmbOwner->currentText(), "dbo"); // the connection's database user
    EXPECT_FALSE(w->Modified());
    w->txtName->setText("s1");
    EXPECT_TRUE(w->Modified());
    EXPECT_TRUE(w->actCompile->isEnabled());
    Exists("s1", "dbo");
    session->fixture().exact("CREATE SCHEMA [s1] AUTHORIZATION [dbo]").affects(0);
    const qsizetype mark = Mark();
    w->actCompile->trigger();
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join("\n").toStdString();
    const QStringList sent = StatementsFrom(mark);
    ASSERT_GE(sent.size(), 2);
    EXPECT_EQ(sent.mid(0, 2), QStringList({"use [sales]", "CREATE SCHEMA [s1] AUTHORIZATION [dbo]"}));
    // What follows is the reload of the now existing schema, nothing else runs.
    EXPECT_EQ(sent.mid(2), QStringList({"use [sales]", OwnerSelect}));
    EXPECT_FALSE(w->IsNew());
    EXPECT_FALSE(w->Modified());
    EXPECT_FALSE(w->pnlName->isEnabled());
    EXPECT_EQ(w->windowTitle(), "SCHEMA - sales.s1 @ srv.master");
    EXPECT_TRUE(w->pagObject->isTabVisible(w->pagObject->indexOf(w->tabSource)));
}

TEST_F(SchemaWindow, RequiredNamesWarnAndSendNothing)
{
    TfrmSchema* w = OpenSchema("sales", "");
    ASSERT_TRUE(w);
    w->cmbDatabase->setEditText("");
    const qsizetype mark = Mark();
    w->Compile();
    w->cmbDatabase->setEditText("sales");
    w->Compile();
    EXPECT_EQ(boxes, QStringList({"48:" + QString::fromUtf8("データベース名を入力して下さい。"),
                                  "48:" + QString::fromUtf8("名前を入力して下さい。")}));
    EXPECT_EQ(Mark(), mark);
    EXPECT_TRUE(w->IsNew());
}

TEST_F(SchemaWindow, NamesAreBracketedWithTheClosingBracketDoubled)
{
    TfrmSchema* w = OpenSchema("sa]les", "");
    ASSERT_TRUE(w);
    session->fixture().exact("use [sa]]les]");
    w->txtName->setText("a]b");
    w->cmbOwner->setEditText("o]wner");
    Exists("a]b", "o]wner");
    session->fixture().exact("CREATE SCHEMA [a]]b] AUTHORIZATION [o]]wner]").affects(0);
    const qsizetype mark = Mark();
    w->Compile();
    EXPECT_EQ(StatementsFrom(mark).mid(0, 2), QStringList({"use [sa]]les]", "CREATE SCHEMA [a]]b] AUTHORIZATION [o]]wner]"}));
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join("\n").toStdString();
}

TEST_F(SchemaWindow, ExistingSchemaAltersTheOwnerAndTheSourcePageRecreates)
{
    Exists("s1", "dbo");
    TfrmSchema* w = OpenSchema("sales", "s1");
    ASSERT_TRUE(w);
    EXPECT_FALSE(w->actCompile->isEnabled());
    w->cmbOwner->setEditText("dbo"); // set back to the loaded value: still the owner statement
    session->fixture().exact("ALTER AUTHORIZATION ON SCHEMA::[s1] TO [dbo]").affects(0);
    qsizetype mark = Mark();
    w->Compile();
    EXPECT_EQ(StatementsFrom(mark).mid(0, 2), QStringList({"use [sales]", "ALTER AUTHORIZATION ON SCHEMA::[s1] TO [dbo]"}));

    // The source page shows the CREATE text; applying it drops and re-creates.
    w->pagObject->setCurrentWidget(w->tabSource);
    EXPECT_EQ(w->SourceLines(), QStringList({"use [sales]", "go", "CREATE SCHEMA [s1] AUTHORIZATION [dbo]", "go"}));
    EXPECT_TRUE(w->actCompile->isEnabled());
    session->fixture().exact("DROP SCHEMA [s1]").affects(0);
    session->fixture().exact("CREATE SCHEMA [s1] AUTHORIZATION [dbo]").affects(0);
    mark = Mark();
    w->Compile();
    EXPECT_EQ(StatementsFrom(mark).mid(0, 3),
              QStringList({"use [sales]", "DROP SCHEMA [s1]", "CREATE SCHEMA [s1] AUTHORIZATION [dbo]"}));
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join("\n").toStdString();
}

TEST_F(SchemaWindow, PageChangeAsksWhenModified)
{
    Exists("s1", "dbo");
    TfrmSchema* w = OpenSchema("sales", "s1");
    ASSERT_TRUE(w);
    w->cmbOwner->setEditText("guest");
    answers = {IDCANCEL};
    w->pagObject->setCurrentWidget(w->tabSource);
    EXPECT_EQ(w->pagObject->currentWidget(), w->tabDefine); // the page and the edit stay
    EXPECT_EQ(w->cmbOwner->currentText(), "guest");
    EXPECT_TRUE(w->Modified());
    answers = {IDNO};
    w->pagObject->setCurrentWidget(w->tabSource);
    EXPECT_EQ(w->pagObject->currentWidget(), w->tabSource);
    EXPECT_EQ(w->cmbOwner->currentText(), "dbo"); // reloaded from the server
    EXPECT_FALSE(w->Modified());
    EXPECT_EQ(boxes.size(), 2);
    EXPECT_TRUE(boxes.at(0).endsWith(QString::fromUtf8("情報が変更されています。コンパイルしますか？")));
}

TEST_F(SchemaWindow, RevertAsksThenReloads)
{
    Exists("s1", "dbo");
    TfrmSchema* w = OpenSchema("sales", "s1");
    ASSERT_TRUE(w);
    w->cmbOwner->setEditText("guest");
    answers = {IDNO};
    w->actRefresh->trigger();
    EXPECT_EQ(w->cmbOwner->currentText(), "guest");
    w->actRefresh->trigger(); // Yes
    EXPECT_EQ(w->cmbOwner->currentText(), "dbo");
    EXPECT_EQ(boxes, QStringList({"36:" + QString::fromUtf8("全ての変更を取り消しますか？"),
                                  "36:" + QString::fromUtf8("全ての変更を取り消しますか？")}));
}

TEST_F(SchemaWindow, DeleteRunsOneUseLineAndCloses)
{
    Exists("s1", "dbo");
    QPointer<TfrmSchema> w = OpenSchema("sales", "s1");
    ASSERT_TRUE(w);
    answers = {IDNO};
    w->actDelete->trigger();
    ASSERT_TRUE(w);
    session->fixture().exact("USE [sales] DROP SCHEMA [s1]").affects(0);
    const qsizetype mark = Mark();
    w->actDelete->trigger();
    EXPECT_EQ(StatementsFrom(mark), QStringList({"USE [sales] DROP SCHEMA [s1]"}));
    EXPECT_EQ(boxes, QStringList({"292:" + QString::fromUtf8("オブジェクトを削除しますか？"),
                                  "292:" + QString::fromUtf8("オブジェクトを削除しますか？"),
                                  "64:" + QString::fromUtf8("オブジェクトが削除されました。")}));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(w);
}

TEST_F(SchemaWindow, DeleteErrorKeepsTheWindow)
{
    Exists("s1", "dbo");
    QPointer<TfrmSchema> w = OpenSchema("sales", "s1");
    ASSERT_TRUE(w);
    session->fixture().exact("USE [sales] DROP SCHEMA [s1]").fails("Cannot drop schema 's1' because it is being referenced");
    w->actDeleteExecute();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.at(0).contains("being referenced"));
    EXPECT_EQ(boxes.size(), 1); // only the question
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(w);
}

TEST_F(SchemaWindow, MissingSchemaOpensNoWindow)
{
    Missing("gone");
    EXPECT_EQ(Open(125, "sales", "dbo", "gone"), nullptr);
    EXPECT_EQ(boxes, QStringList({"16:" + QString::fromUtf8("定義情報を読み込めませんでした。")}));
    EXPECT_TRUE(main->FindWindow(TfrmSchema::staticMetaObject, "SCHEMA - sales.gone @ srv.master", false) == nullptr);
}

TEST_F(SchemaWindow, OpenModesChooseThePage)
{
    Exists("s1", "dbo");
    Exists("s2", "dbo");
    Exists("s3", "dbo");
    EXPECT_EQ(OpenSchema("sales", "s1", omSource)->pagObject->currentIndex(), 1);
    EXPECT_EQ(OpenSchema("sales", "s2", omData)->pagObject->currentIndex(), 0);
    EXPECT_EQ(OpenSchema("sales", "s3", omGrant)->pagObject->currentIndex(), 1); // the form's own page
    EXPECT_EQ(OpenSchema("sales", "", omSource)->pagObject->currentIndex(), 0);  // no source page when new
}

TEST_F(SchemaWindow, ScriptToMemoryIsUtf16AndToAFileTheEncodingOption)
{
    Exists("売上", "dbo");
    ASSERT_TRUE(DefinitionScripts().contains(125));
    ASSERT_TRUE(DefinitionScripts().contains(4));
    ASSERT_TRUE(DefinitionScripts().contains(126));
    ScriptOption.Database = qmAlways;
    DefineScriptRequest r;
    r.objectType = 4;
    r.database = "sales";
    r.schema = "dbo";
    r.name = QString::fromUtf8("売上");
    QBuffer memory;
    memory.open(QIODevice::WriteOnly);
    EXPECT_THROW(DefinitionScripts().value(4)(conn, r, memory), EAbort);
    const QString expected = QString::fromUtf8("use [sales]\r\ngo\r\nCREATE SCHEMA [売上] AUTHORIZATION [dbo]\r\ngo\r\n");
    EXPECT_EQ(memory.data(), QByteArray(reinterpret_cast<const char*>(expected.utf16()), expected.size() * 2));

    qvOption.Encoding = 2;
    QTemporaryDir dir;
    QFile file(dir.filePath("s.sql"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    EXPECT_THROW(DefinitionScripts().value(125)(conn, r, file), EAbort);
    file.close();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), expected.toUtf8()); // no byte-order mark

    // The DROP variant with the option; no window was left behind.
    ScriptOption.Drop = true;
    QBuffer drop;
    drop.open(QIODevice::WriteOnly);
    EXPECT_THROW(TfrmSchema::GetScript(conn, "sales", "dbo", QString::fromUtf8("売上"), drop), EAbort);
    EXPECT_EQ(TextEncoding::get(TextEncoding::Utf16LE).decode(drop.data()),
              QString::fromUtf8("use [sales]\r\ngo\r\nDROP SCHEMA [売上]\r\ngo\r\n"));
    EXPECT_TRUE(main->FindWindow(TfrmSchema::staticMetaObject, QString::fromUtf8("SCHEMA - sales.売上 @ srv.master"), false) ==
                nullptr);
}

TEST_F(SchemaWindow, ScriptOfAMissingSchemaRaisesBeforeWriting)
{
    Missing("gone");
    QBuffer memory;
    memory.open(QIODevice::WriteOnly);
    DefineScriptRequest r;
    r.database = "sales";
    r.name = "gone";
    EXPECT_THROW(DefinitionScripts().value(125)(conn, r, memory), EAbort);
    EXPECT_TRUE(memory.data().isEmpty());
    EXPECT_TRUE(boxes.isEmpty()); // silent in script mode
}

TEST_F(SchemaWindow, ClosingWritesTheSizeAndReopeningUsesIt)
{
    Exists("s1", "dbo");
    TfrmSchema* w = OpenSchema("sales", "s1");
    ASSERT_TRUE(w);
    QWidget* frame = w->parentWidget();
    ASSERT_TRUE(qobject_cast<QMdiSubWindow*>(frame));
    frame->resize(700, 480);
    const QSize size = w->size();
    ASSERT_NE(size, QSize(640, 440)); // not the first size
    frame->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    {
        TqvRegistry reg;
        ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\Velmora\\QVS22\\GUI\\SCHEMA"));
        EXPECT_EQ(reg.GetInteger("Width", 0), size.width());
        EXPECT_EQ(reg.GetInteger("Height", 0), size.height());
    }
    TfrmSchema* again = OpenSchema("sales", "s1");
    ASSERT_TRUE(again);
    EXPECT_EQ(again->size(), size);
}

TEST_F(SchemaWindow, ClosingAModifiedWindowAsks)
{
    Exists("s1", "dbo");
    QPointer<TfrmSchema> w = OpenSchema("sales", "s1");
    ASSERT_TRUE(w);
    w->cmbOwner->setEditText("guest");
    answers = {IDCANCEL};
    w->parentWidget()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(w);
    // Yes applies; a failing run keeps the window open and modified.
    session->fixture().exact("ALTER AUTHORIZATION ON SCHEMA::[s1] TO [guest]").fails("Cannot find the principal 'guest'");
    qvOption.CloseDDL = true;
    answers = {IDYES};
    // The execution window stops at the error; the user closes it.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [] {
        for (TfrmDDLExec* e : TfrmDDLExec::OpenWindows())
            if (e->btnOK->isEnabled())
                e->close();
    });
    closer.start(0);
    w->parentWidget()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(w);
    EXPECT_TRUE(w->Modified());
    closer.stop();
    EXPECT_EQ(boxes.size(), 2);
    answers = {IDNO};
    w->parentWidget()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(w);
}

TEST_F(SchemaWindow, PreviewShowsTheScriptUnderTheSchemaName)
{
    qvOption.ShowDDL = true;
    QString caption;
    QStringList shown;
    auto saved = TfrmDDLPreview::ExecHook;
    TfrmDDLPreview::ExecHook = [&](TfrmDDLPreview* p) {
        caption = p->windowTitle();
        shown = p->txtLog->Lines().ToStringList();
        return int(QDialog::Rejected);
    };
    TfrmSchema* w = OpenSchema("sales", "");
    w->txtName->setText("s1");
    const qsizetype mark = Mark();
    w->Compile();
    TfrmDDLPreview::ExecHook = saved;
    EXPECT_EQ(caption, QString::fromUtf8("s1 のコンパイル"));
    EXPECT_EQ(shown, QStringList({"use [sales]", "go", "CREATE SCHEMA [s1] AUTHORIZATION [dbo]", "go"}));
    EXPECT_EQ(Mark(), mark); // cancelled: nothing ran
    EXPECT_TRUE(w->IsNew());
    EXPECT_TRUE(w->Modified());
}

TEST_F(SchemaWindow, OwnerListReadsTheDatabasesUsers)
{
    TfrmSchema* w = OpenSchema("sales", "");
    session->fixture().exact("use [sales] select name from sysusers order by name")
        .returns({column("name", "sysname")}, {{"dbo"}, {"guest"}, {"public"}});
    w->cmbOwner->setEditText("guest");
    w->cmbOwner->OnDropDown();
    ASSERT_EQ(w->cmbOwner->count(), 3);
    EXPECT_EQ(w->cmbOwner->itemText(2), "public");
}

TEST_F(SchemaWindow, RendersNewAndExisting)
{
    Exists("s1", "dbo");
    main->resize(1000, 700);
    main->show();
    TfrmSchema* w = OpenSchema("sales", "");
    ASSERT_TRUE(w);
    w->parentWidget()->resize(640, 360);
    QCoreApplication::processEvents();
    saveGrab(w, "schema_window_new");
    TfrmSchema* e = OpenSchema("sales", "s1", omSource);
    ASSERT_TRUE(e);
    e->parentWidget()->resize(760, 420);
    QCoreApplication::processEvents();
    saveGrab(e, "schema_window_existing_source");
    e->pagObject->setCurrentWidget(e->tabDefine);
    QCoreApplication::processEvents();
    saveGrab(e, "schema_window_existing");
    saveGrab(main.get(), "schema_window_in_main");
    // Every control of the name panel and the definition page is laid out inside the window.
    for (QWidget* c : {static_cast<QWidget*>(e->cmbDatabase), static_cast<QWidget*>(e->txtName),
                       static_cast<QWidget*>(e->cmbOwner)}) {
        const QRect r(c->mapTo(e, QPoint(0, 0)), c->size());
        EXPECT_TRUE(e->rect().contains(r)) << c->objectName().toStdString();
        EXPECT_GE(c->width(), c->minimumSizeHint().width()) << c->objectName().toStdString();
    }
}

// With the source history options on, applying a change to an existing schema keeps its script
// before and after the change.
TEST_F(SchemaWindow, ApplyKeepsTheSourceBeforeAndAfter)
{
    const TqvOption savedQv = qvOption;
    const TScriptOption savedScript = ScriptOption;
    QTemporaryDir before, after;
    qvOption.SaveBeforeSrc = true;
    qvOption.SaveBeforeSrcDir = before.path();
    qvOption.SaveAfterSrc = true;
    qvOption.SaveAfterSrcDir = after.path();
    ScriptOption.NameTable.clear();
    Exists("s1", "dbo");
    TfrmSchema* w = OpenSchema("sales", "s1");
    ASSERT_TRUE(w);
    w->cmbOwner->setEditText("dbo");
    session->fixture().exact("ALTER AUTHORIZATION ON SCHEMA::[s1] TO [dbo]").affects(0);
    w->Compile();
    for (const QString& root : {before.path(), after.path()}) {
        QDirIterator it(root, {"*.sql"}, QDir::Files, QDirIterator::Subdirectories);
        ASSERT_TRUE(it.hasNext()) << root.toStdString();
        QFile f(it.next());
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray text = f.readAll();
        EXPECT_TRUE(text.contains("CREATE SCHEMA [s1] AUTHORIZATION [dbo]")) << text.constData();
    }
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join("\n").toStdString();
    qvOption = savedQv;
    ScriptOption = savedScript;
}
