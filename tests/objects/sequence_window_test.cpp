// The sequence window on the scripted session, opened through the connection window: the new
// sequence's CREATE text, the NoMinValue/NoMaxValue decision of a load, the numeric fields,
// ALTER, reset and add (each after the database switch), the source page's re-create that
// keeps where the sequence stood and its permissions, the script routine and the rendering.
#include "objects/sequence_window.h"

#include "app/message_box.h"
#include "controls/lists/qv_listview.h"
#include "objects/object_pages.h"
#include "tables/privileges_frame.h"
#include "connection/catalog_queries.h"
#include "connection/ddl_preview.h"
#include "editor/sqlmemo/qvmemo.h"
#include "sql/memo_frame.h"
#include "platform/exceptions.h"
#include "platform/textcodec.h"
#include "support/test_env.h"
#include "tables/define_script.h"
#include "tables/define_session_helper.h"

#include <QBuffer>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

using namespace qv;
using namespace qv::db;
using namespace qvtest;

namespace {

const QString DefinitionSelect = QStringLiteral(
    "select a.current_value, a.minimum_value, a.maximum_value, a.increment, a.is_cached, a.cache_size, b.name, "
    "a.precision, a.is_cycling, a.start_value, a.system_type_id from sys.sequences a left outer join sys.systypes b "
    "on a.user_type_id = b.xusertype where object_id = object_id(quotename(?) + '.' + quotename(?))");
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

// Types text into a line edit key by key, as the user does.
void Type(QWidget* edit, const QString& text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(edit, &press);
    }
}

struct Row {
    QString current = "1001", min = "-9223372036854775808", max = "9223372036854775807", increment = "1";
    bool cached = true;
    QVariant cacheSize;
    QString type = "bigint";
    int precision = 19;
    bool cycle = false;
    QString start = "1001";
    int typeId = 127;
};

struct SequenceWindow : DefineSession {
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
        for (const char* db : {"use [sales]", "use [master]"})
            session->fixture().exact(db);
    }
    FixtureRule& Exists(const QString& schema, const QString& name, const Row& r = {})
    {
        FixtureRule& rule = session->fixture().exact(DefinitionSelect);
        rule.params = QVariantList{schema, name};
        rule.returns({column("current_value", "sql_variant"), column("minimum_value", "sql_variant"),
                      column("maximum_value", "sql_variant"), column("increment", "sql_variant"),
                      column("is_cached", "bit"), column("cache_size", "int"), column("name", "sysname"),
                      column("precision", "tinyint"), column("is_cycling", "bit"), column("start_value", "sql_variant"),
                      column("system_type_id", "tinyint")},
                     {{r.current, r.min, r.max, r.increment, r.cached, r.cacheSize, r.type, r.precision, r.cycle, r.start,
                       r.typeId}});
        return rule;
    }
    TfrmSeq* OpenSeq(const QString& name, TOpenMode mode = omDefine, const QString& schema = "DBO")
    {
        return qobject_cast<TfrmSeq*>(Open(58, "sales", schema, name, mode));
    }
};

} // namespace

TEST_F(SequenceWindow, NewSequenceS1GivesTheCreateLinesInUpperCase)
{
    TfrmSeq* w = OpenSeq("", omDefine, "dbo");
    ASSERT_TRUE(w);
    EXPECT_EQ(w->windowTitle(), QString::fromUtf8("SEQUENCE - 新規"));
    EXPECT_EQ(w->cmbSchema->currentText(), "DBO");
    EXPECT_FALSE(w->Modified());
    EXPECT_FALSE(w->pnlCurrent->isVisibleTo(w));
    EXPECT_FALSE(w->rdoCacheSpecified->isEnabled());
    EXPECT_EQ(w->cmbDataType->currentText(), "bigint");
    EXPECT_EQ(w->txtPrecision->text(), "19");
    EXPECT_FALSE(w->txtPrecision->isEnabled());
    EXPECT_EQ(w->txtMin->text(), "-9223372036854775808");
    EXPECT_TRUE(w->chkNoMin->isChecked());
    EXPECT_FALSE(w->txtMin->isEnabled());
    Type(w->txtName, "s1");
    EXPECT_EQ(w->txtName->text(), "S1");
    EXPECT_TRUE(w->Modified());

    qvOption.ShowDDL = true;
    QStringList shown;
    auto saved = TfrmDDLPreview::ExecHook;
    TfrmDDLPreview::ExecHook = [&](TfrmDDLPreview* p) {
        shown = p->txtLog->Lines().ToStringList();
        return int(QDialog::Accepted);
    };
    Exists("DBO", "S1");
    const QString create = "CREATE SEQUENCE [DBO].[S1]\nAS bigint\nINCREMENT BY 1\nNO MINVALUE\nNO MAXVALUE\nNO CYCLE\nCACHE";
    session->fixture().exact(create).affects(0);
    const qsizetype mark = Mark();
    w->Compile();
    TfrmDDLPreview::ExecHook = saved;
    EXPECT_EQ(shown, QStringList({"use [sales]", "go", "CREATE SEQUENCE [DBO].[S1]", "AS bigint", "INCREMENT BY 1",
                                  "NO MINVALUE", "NO MAXVALUE", "NO CYCLE ", "CACHE ", "go"}));
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(StatementsFrom(mark).mid(0, 2), QStringList({"use [sales]", create}));
    EXPECT_FALSE(w->IsNew());
    EXPECT_EQ(w->pnlCurrent->text(), "1001");
    EXPECT_TRUE(w->actInc->isEnabled());
}

TEST_F(SequenceWindow, TypeDefaultsFollowTheTypeOfANewSequence)
{
    TfrmSeq* w = OpenSeq("");
    ASSERT_TRUE(w);
    w->cmbDataType->setEditText("decimal");
    EXPECT_EQ(w->txtPrecision->text(), "18");
    EXPECT_TRUE(w->txtPrecision->isEnabled());
    EXPECT_EQ(w->txtMax->text(), "999999999999999999");
    w->cmbDataType->setEditText("smallint");
    EXPECT_EQ(w->txtMin->text(), "-32768");
    EXPECT_FALSE(w->txtPrecision->isEnabled());
}

TEST_F(SequenceWindow, LoadTicksTheBoxesOfTheTypesLimitsOnly)
{
    struct Case {
        const char* name;
        const char* type;
        int typeId;
        const char* min;
        const char* max;
        bool noMin, noMax;
    };
    const Case cases[] = {
        {"I1", "int", 56, "-2147483648", "100", true, false},
        {"D1", "decimal", 106, "-9999999999", "9999999999", false, false},
        {"B1", "bigint", 127, "-9223372036854775808", "9223372036854775807", true, true},
        {"T1", "tinyint", 48, "1", "255", false, true},
    };
    for (const Case& c : cases) {
        Row r;
        r.type = c.type;
        r.typeId = c.typeId;
        r.min = c.min;
        r.max = c.max;
        Exists("DBO", c.name, r);
        TfrmSeq* w = OpenSeq(c.name);
        ASSERT_TRUE(w) << c.name;
        EXPECT_EQ(w->chkNoMin->isChecked(), c.noMin) << c.name;
        EXPECT_EQ(w->chkNomax->isChecked(), c.noMax) << c.name;
        EXPECT_EQ(w->txtMin->isEnabled(), !c.noMin) << c.name;
        EXPECT_EQ(w->txtMax->isEnabled(), !c.noMax) << c.name;
        EXPECT_EQ(w->txtMin->text(), c.min) << c.name;
        EXPECT_FALSE(w->cmbDataType->isEnabled()) << c.name;
        EXPECT_FALSE(w->Modified()) << c.name;
    }
}

TEST_F(SequenceWindow, TypingAPointInANumberBoxDropsIt)
{
    Exists("DBO", "S1");
    TfrmSeq* w = OpenSeq("S1");
    ASSERT_TRUE(w);
    for (TqvNumEdit* e : {w->txtInc, w->txtLastNo, w->txtCacheSize}) {
        e->setEnabled(true);
        e->clear();
        Type(e, "1.5");
        EXPECT_EQ(e->text(), "15") << e->objectName().toStdString();
    }
    w->txtInc->setText("-2.5");
    EXPECT_EQ(w->txtInc->text(), "-25");
}

TEST_F(SequenceWindow, AlterRunsAfterTheDatabaseSwitch)
{
    Exists("DBO", "S1");
    TfrmSeq* w = OpenSeq("S1");
    ASSERT_TRUE(w);
    EXPECT_EQ(w->windowTitle(), "SEQUENCE - sales.DBO.S1 @ srv.master");
    EXPECT_TRUE(w->rdoCacheDefault->isChecked());
    EXPECT_TRUE(w->rdoCacheSpecified->isEnabled());
    w->rdoCacheSpecified->setChecked(true);
    EXPECT_TRUE(w->txtCacheSize->isEnabled());
    w->txtCacheSize->setText("50");
    EXPECT_FALSE(w->actInc->isEnabled()); // not while modified
    EXPECT_FALSE(w->btnReset->isEnabled());
    session->fixture().exact("ALTER SEQUENCE [DBO].[S1]\nCACHE 50").affects(0);
    const qsizetype mark = Mark();
    w->Compile();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(StatementsFrom(mark).mid(0, 2), QStringList({"use [sales]", "ALTER SEQUENCE [DBO].[S1]\nCACHE 50"}));
    // Unchanged: nothing runs.
    w->txtInc->setText("1");
    const qsizetype again = Mark();
    w->Compile();
    EXPECT_EQ(boxes, QStringList({"48:" + QString::fromUtf8("変更箇所が見つかりませんでした。")}));
    EXPECT_EQ(StatementsFrom(again), QStringList({"use [sales]", DefinitionSelect})); // the reload only
}

TEST_F(SequenceWindow, ResetAndAddRunInTheSequencesDatabase)
{
    Row moved;
    moved.current = "1005";
    Exists("DBO", "S1", moved);
    TfrmSeq* w = OpenSeq("S1");
    ASSERT_TRUE(w);
    // Another window has switched the shared session meanwhile: the reset still acts in sales.
    session->fixture().exact("use [sales]\nALTER SEQUENCE [DBO].[S1] RESTART WITH 1001").affects(0);
    answers = {IDNO, IDYES};
    qsizetype mark = Mark();
    w->actReset->trigger();
    EXPECT_EQ(Mark(), mark); // No: nothing ran
    w->actReset->trigger();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    ASSERT_FALSE(StatementsFrom(mark).isEmpty());
    EXPECT_EQ(StatementsFrom(mark).at(0), "use [sales]\nALTER SEQUENCE [DBO].[S1] RESTART WITH 1001");
    EXPECT_EQ(boxes.at(0), "292:" + QString::fromUtf8("現在値を初期値に変更しますか？"));

    session->fixture().exact("use [sales]\nSELECT NEXT VALUE FOR [DBO].[S1]").returns({column("", "bigint")}, {{1006}});
    mark = Mark();
    w->actInc->trigger();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    ASSERT_FALSE(StatementsFrom(mark).isEmpty());
    EXPECT_EQ(StatementsFrom(mark).at(0), "use [sales]\nSELECT NEXT VALUE FOR [DBO].[S1]");
}

TEST_F(SequenceWindow, AddAndResetRefuseAtTheirLimits)
{
    Row full;
    full.current = "100";
    full.max = "100";
    full.min = "1";
    full.start = "100";
    full.typeId = 56;
    full.type = "int";
    Exists("DBO", "F1", full);
    Row cycling = full;
    cycling.cycle = true;
    Exists("DBO", "C1", cycling);
    TfrmSeq* w = OpenSeq("F1");
    ASSERT_TRUE(w);
    const qsizetype mark = Mark();
    w->actInc->trigger();
    w->actReset->trigger();
    EXPECT_EQ(Mark(), mark);
    ASSERT_EQ(boxes.size(), 2);
    EXPECT_TRUE(boxes.at(0).contains(QString::fromUtf8("現在値が最大に達しているため加算できません。")));
    EXPECT_EQ(boxes.at(1), "64:" + QString::fromUtf8("現在値と初期値が同じです。"));
    // A cycling sequence goes on.
    TfrmSeq* c = OpenSeq("C1");
    ASSERT_TRUE(c);
    session->fixture().exact("use [sales]\nSELECT NEXT VALUE FOR [DBO].[C1]").returns({column("", "int")}, {{1}});
    const qsizetype next = Mark();
    c->actInc->trigger();
    EXPECT_EQ(StatementsFrom(next).value(0), "use [sales]\nSELECT NEXT VALUE FOR [DBO].[C1]");
}

TEST_F(SequenceWindow, SourcePageRecreatesWhereItStoodWithItsPermissions)
{
    Row used;
    used.current = "1005";
    Exists("DBO", "S1", used);
    FixtureRule& g = session->fixture().exact(GrantSelect);
    g.params = QVariantList{"DBO", "S1"};
    g.returns({column("state", "char(1)"), column("permission_name", "nvarchar(128)"), column("name", "sysname")},
              {{"G", "UPDATE", "app"}, {"D", "ALTER", "guest"}});
    TfrmSeq* w = OpenSeq("S1", omSource);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->SourceLines(), QStringList({"use [sales]", "go", "CREATE SEQUENCE [DBO].[S1]", "AS bigint",
                                             "START WITH 1001", "INCREMENT BY 1", "NO MINVALUE", "NO MAXVALUE",
                                             "NO CYCLE ", "CACHE ", "go"}));
    for (const char* s : {"use [sales]\nDROP SEQUENCE [DBO].[S1]",
                          "CREATE SEQUENCE [DBO].[S1]\nAS bigint\nSTART WITH 1001\nINCREMENT BY 1\nNO MINVALUE\nNO "
                          "MAXVALUE\nNO CYCLE\nCACHE",
                          "ALTER SEQUENCE [DBO].[S1] RESTART WITH 1006",
                          "GRANT UPDATE ON OBJECT::[DBO].[S1] TO [app]\nDENY ALTER ON OBJECT::[DBO].[S1] TO [guest]"})
        session->fixture().exact(s).affects(0);
    const qsizetype mark = Mark();
    w->Compile();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    const QStringList sent = StatementsFrom(mark);
    const qsizetype drop = sent.indexOf("use [sales]\nDROP SEQUENCE [DBO].[S1]");
    ASSERT_GE(drop, 0) << sent.join("\n|").toStdString();
    EXPECT_EQ(sent.mid(drop + 1, 3),
              QStringList({"CREATE SEQUENCE [DBO].[S1]\nAS bigint\nSTART WITH 1001\nINCREMENT BY 1\nNO MINVALUE\nNO "
                           "MAXVALUE\nNO CYCLE\nCACHE",
                           "ALTER SEQUENCE [DBO].[S1] RESTART WITH 1006",
                           "GRANT UPDATE ON OBJECT::[DBO].[S1] TO [app]\nDENY ALTER ON OBJECT::[DBO].[S1] TO [guest]"}));
}

TEST_F(SequenceWindow, ScriptRoutineWritesTheCreateOrACopy)
{
    Row r;
    r.cached = false;
    Exists("dbo", "OrderNumbers", r);
    ASSERT_TRUE(DefinitionScripts().contains(58));
    ScriptOption.Database = qmAlways;
    ScriptOption.Owner = qmAlways;
    DefineScriptRequest q;
    q.objectType = 58;
    q.database = "sales";
    q.schema = "dbo";
    q.name = "OrderNumbers";
    QBuffer memory;
    memory.open(QIODevice::WriteOnly);
    EXPECT_THROW(DefinitionScripts().value(58)(conn, q, memory), EAbort);
    EXPECT_EQ(TextEncoding::get(TextEncoding::Utf16LE).decode(memory.data()),
              "use [sales]\r\ngo\r\nCREATE SEQUENCE [dbo].[OrderNumbers]\r\nAS bigint\r\nSTART WITH 1001\r\n"
              "INCREMENT BY 1\r\nNO MINVALUE\r\nNO MAXVALUE\r\nNO CYCLE \r\nNO CACHE\r\ngo\r\n");
    q.newSchema = "arch";
    q.newName = "Old";
    QBuffer copy;
    copy.open(QIODevice::WriteOnly);
    EXPECT_THROW(DefinitionScripts().value(58)(conn, q, copy), EAbort);
    EXPECT_TRUE(TextEncoding::get(TextEncoding::Utf16LE).decode(copy.data()).contains("CREATE SEQUENCE [arch].[Old]\r\n"));
    ScriptOption.Drop = true;
    QBuffer drop;
    drop.open(QIODevice::WriteOnly);
    EXPECT_THROW(TfrmSeq::GetScript(conn, "sales", "dbo", "OrderNumbers", drop), EAbort);
    EXPECT_EQ(TextEncoding::get(TextEncoding::Utf16LE).decode(drop.data()),
              "use [sales]\r\nDROP SEQUENCE [dbo].[OrderNumbers]\r\ngo\r\n");
}

TEST_F(SequenceWindow, MissingSequenceOpensNoWindowAndDeleteRunsTheDrop)
{
    FixtureRule& none = session->fixture().exact(DefinitionSelect);
    none.params = QVariantList{"DBO", "GONE"};
    none.returns({column("current_value", "sql_variant")}, {});
    EXPECT_EQ(OpenSeq("GONE"), nullptr);
    EXPECT_EQ(boxes, QStringList({"16:" + QString::fromUtf8("定義情報を読み込めませんでした。")}));
    Exists("DBO", "S1");
    QPointer<TfrmSeq> w = OpenSeq("S1");
    ASSERT_TRUE(w);
    session->fixture().exact("use [sales]\nDROP SEQUENCE [DBO].[S1]").affects(0);
    const qsizetype mark = Mark();
    w->actDeleteExecute();
    EXPECT_EQ(StatementsFrom(mark), QStringList({"use [sales]\nDROP SEQUENCE [DBO].[S1]"}));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(w);
}

TEST_F(SequenceWindow, OpenModesAndPagesOfNewAndExisting)
{
    Exists("DBO", "S1");
    // The dependency page's reads find nothing.
    session->fixture().pattern(".*").returns({column("name", "sysname")}, {});
    TfrmSeq* w = OpenSeq("S1", omCross);
    ASSERT_TRUE(w) << errors.join("\n").toStdString();
    EXPECT_TRUE(CrossFrame(w->tabCross));
    EXPECT_EQ(w->pagObject->currentWidget(), w->tabCross);
    QStringList tabs;
    for (int i = 0; i < w->pagObject->count(); ++i)
        tabs << w->pagObject->tabText(i);
    EXPECT_EQ(tabs, QStringList({QString::fromUtf8("定義情報"), QString::fromUtf8("ソース"), QString::fromUtf8("権限"),
                                 QString::fromUtf8("依存関係")}));
    TfrmSeq* n = OpenSeq("", omGrant);
    ASSERT_TRUE(n);
    EXPECT_EQ(n->pagObject->currentWidget(), n->tabDefine);
    for (int i = 1; i < 4; ++i)
        EXPECT_FALSE(n->pagObject->isTabVisible(i));
}

TEST_F(SequenceWindow, RendersNewAndExisting)
{
    Row r;
    r.cacheSize = 50;
    Exists("DBO", "S1", r);
    main->resize(1000, 700);
    main->show();
    TfrmSeq* n = OpenSeq("");
    ASSERT_TRUE(n);
    n->parentWidget()->resize(640, 440);
    QCoreApplication::processEvents();
    saveGrab(n, "sequence_window_new");
    TfrmSeq* e = OpenSeq("S1");
    ASSERT_TRUE(e);
    e->parentWidget()->resize(640, 440);
    QCoreApplication::processEvents();
    saveGrab(e, "sequence_window_existing");
    for (QWidget* c : std::initializer_list<QWidget*>{e->pnlCurrent, e->btnInc, e->btnReset, e->cmbDataType,
                                                       e->txtPrecision, e->txtMin, e->chkNomax, e->rdoCacheNothing,
                                                       e->txtCacheSize}) {
        const QRect rect(c->mapTo(e, QPoint(0, 0)), c->size());
        EXPECT_TRUE(e->rect().contains(rect)) << c->objectName().toStdString();
        EXPECT_GE(c->width(), c->minimumSizeHint().width()) << c->objectName().toStdString();
    }
    EXPECT_EQ(e->txtCacheSize->text(), "50");
    EXPECT_TRUE(e->rdoCacheSpecified->isChecked());
    // The privileges and dependency pages.
    session->fixture()
        .exact(catalog::UserListSql({15, false}, "sales", true))
        .returns({column("name", "sysname")}, {{"u1"}, {"public"}});
    session->fixture().exact("select issqluser from sysusers where name = ?").returns({column("issqluser", "int")}, {{1}});
    session->fixture()
        .pattern("select d\\.name GRANTEE.*")
        .returns({column("GRANTEE", "sysname"), column("PRIVILEGE", "varchar(30)"), column("PRIVTYPE", "int")},
                 {{"u1", "ALTER", 205}});
    session->fixture().pattern(".*").returns({column("name", "sysname")}, {});
    e->pagObject->setCurrentWidget(e->tabGrant);
    QCoreApplication::processEvents();
    saveGrab(e, "sequence_window_grant");
    e->pagObject->setCurrentWidget(e->tabCross);
    QCoreApplication::processEvents();
    saveGrab(e, "sequence_window_cross");
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
}

TEST_F(SequenceWindow, PrivilegesPageAppliesItsGrantsInTheSequencesDatabase)
{
    Exists("DBO", "S1");
    session->fixture()
        .exact(catalog::UserListSql({15, false}, "sales", true))
        .returns({column("name", "sysname")}, {{"u1"}, {"public"}});
    session->fixture().exact("select issqluser from sysusers where name = ?").returns({column("issqluser", "int")}, {{1}});
    session->fixture()
        .pattern("select d\\.name GRANTEE.*")
        .returns({column("GRANTEE", "sysname"), column("PRIVILEGE", "varchar(30)"), column("PRIVTYPE", "int")}, {});
    TfrmSeq* w = OpenSeq("S1", omGrant);
    ASSERT_TRUE(w) << errors.join("\n").toStdString();
    EXPECT_EQ(w->pagObject->currentWidget(), w->tabGrant);
    TfraGrant* f = GrantFrame(w->tabGrant);
    ASSERT_TRUE(f);
    f->SetShowMode(1);
    f->ShowData("sales", "DBO", "S1");
    f->SelectPrincipals({"u1"});
    f->ClickBox(1, grants::ColGrant); // ALTER
    EXPECT_TRUE(w->Modified());
    session->fixture().exact("GRANT ALTER ON [DBO].[S1] TO [u1]").affects(0);
    const qsizetype mark = Mark();
    w->Compile();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(StatementsFrom(mark).mid(0, 2), QStringList({"use [sales]", "GRANT ALTER ON [DBO].[S1] TO [u1]"}));
}

TEST_F(SequenceWindow, AnEmptiedSourceDropsNothing)
{
    Exists("DBO", "S1");
    TfrmSeq* w = OpenSeq("S1", omSource);
    ASSERT_TRUE(w);
    w->fraMemo->txtSQL->Lines().Assign(QStringList{"", "  "});
    const qsizetype mark = Mark();
    w->Compile();
    EXPECT_EQ(boxes, QStringList({"48:" + QString::fromUtf8("変更箇所が見つかりませんでした。")}));
    for (const QString& s : StatementsFrom(mark))
        EXPECT_FALSE(s.contains("DROP")) << s.toStdString();
}
