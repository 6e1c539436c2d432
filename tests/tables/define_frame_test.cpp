// The definition window frame through a small kind of its own (a synonym-like object with a
// schema): the database switch in front of every applied script, the empty-change answer,
// required names, delete, captions, the duplicate check, the close question and the window
// settings; and the window-free text helpers.
#include "tables/define_frame.h"
#include "tables/define_script.h"
#include "tables/define_text.h"

#include "app/message_box.h"
#include "connection/ddl_preview.h"
#include "editor/sqlmemo/qvmemo.h"
#include "sql/memo_frame.h"
#include "platform/exceptions.h"
#include "platform/registry.h"
#include "platform/textcodec.h"
#include "tables/define_session_helper.h"

#include <QBuffer>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTabWidget>

using namespace qv;
using namespace qvtest;

namespace {

// A kind with a schema and a source page whose DDL the test sets.
class TfrmSample : public TfrmDefine {
    Q_OBJECT
public:
    static DefineKind SampleKind()
    {
        DefineKind k;
        k.windowClass = &staticMetaObject;
        k.objType = 60;
        k.word = QStringLiteral("SAMPLE");
        k.settingsKey = QStringLiteral("SAMPLE");
        k.menuTitle = QStringLiteral("SAMPLE(&O)");
        return k;
    }
    TfrmSample(QObject* owner, const QString& db, const QString& schema, const QString& name, TOpenMode mode,
               bool script = false)
        : TfrmDefine(owner, SampleKind(), DefineArgs{db, schema, name, mode}, script)
    {
        Start();
    }
    QStringList ddl;
    int loads = 0;
    static inline bool FailLoad = false;

protected:
    void ShowData(bool isDrop) override
    {
        ++loads;
        if (FailLoad)
            Abort();
        if (SourcePageActive())
            SetSourceLines({isDrop ? QStringLiteral("drop") : QStringLiteral("create")});
    }
    QStringList GetDDL() override { return SourcePageActive() ? SourceLines() : ddl; }
    QStringList ScriptText(bool isDrop) override
    {
        return {DatabaseSwitchLine(cmbDatabase->currentText()), "go", isDrop ? "DROP SYNONYM x" : "", "", "go"};
    }
    QString DropStatement() override
    {
        return QStringLiteral("drop synonym ") + GetSchemaPrefix(cmbSchema->currentText()) + txtName->text();
    }
};

struct DefineFrame : DefineSession {
    void SetUp() override
    {
        DefineSession::SetUp();
        Connect();
        for (const char* s : {"use [sales]", "use [master]"})
            session->fixture().exact(s);
    }
    TfrmSample* Sample(const QString& name, const QString& db = "sales", TOpenMode mode = omDefine)
    {
        try {
            auto* w = new TfrmSample(conn, db, "dbo", name, mode);
            main->AddChildWindow(w);
            return w;
        } catch (const EAbort&) {
            return nullptr;
        }
    }
};

} // namespace

TEST(DefineText, Captions)
{
    EXPECT_EQ(DefineCaption("TABLE", true, "db", "dbo", "", "srv", "master", true), QString::fromUtf8("TABLE - 新規"));
    EXPECT_EQ(DefineCaption("TABLE", false, "db", " dbo", "T ", "srv", "master", true), "TABLE - db.dbo.T @ srv.master");
    EXPECT_EQ(DefineCaption("SCHEMA", false, "db", "dbo", "s1", "srv", "master", false), "SCHEMA - db.s1 @ srv.master");
}

TEST(DefineText, DatabaseSwitchInFront)
{
    const struct {
        QStringList in;
        QString db;
        QStringList out;
    } cases[] = {
        {{"CREATE SCHEMA [s]", "go"}, "sales", {"use [sales]", "go", "CREATE SCHEMA [s]", "go"}},
        {{"use [sales]", "go", "x", "go"}, "sales", {"use [sales]", "go", "x", "go"}},
        {{"", "USE [sales]", "go", "x"}, "sales", {"", "USE [sales]", "go", "x"}},
        {{"use [other]", "go", "x"}, "sales", {"use [sales]", "go", "use [other]", "go", "x"}},
        {{"x", "go", "use [sales]", "go", "y"}, "sales", {"use [sales]", "go", "x", "go", "y"}},
        {{"x"}, "a]b", {"use [a]]b]", "go", "x"}},
        {{"x"}, " ", {"x"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WithDatabaseSwitch(c.in, c.db), c.out) << c.in.join("|").toStdString();
}

TEST(DefineText, BlankScriptsAndEncodings)
{
    EXPECT_TRUE(IsBlankScript({}));
    EXPECT_TRUE(IsBlankScript({"", " \t", "\r\n"}));
    EXPECT_FALSE(IsBlankScript({"", "go"}));
    const QString text = QString::fromUtf8("CREATE SCHEMA [売上]\r\ngo\r\n");
    EXPECT_EQ(EncodeScript({QString::fromUtf8("CREATE SCHEMA [売上]"), "go"}, true),
              QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2));
    const int saved = qvOption.Encoding;
    qvOption.Encoding = 2;
    EXPECT_EQ(EncodeScript({QString::fromUtf8("CREATE SCHEMA [売上]"), "go"}, false), text.toUtf8());
    qvOption.Encoding = 4;
    EXPECT_EQ(EncodeScript({"go"}, false), QByteArray("\0g\0o\0\r\0\n", 8));
    qvOption.Encoding = saved;
}

TEST_F(DefineFrame, ApplyRunsInTheObjectsDatabaseWithoutThePreview)
{
    // The shared session is in master; the window's DDL names no database.
    TfrmSample* w = Sample("");
    ASSERT_TRUE(w);
    w->txtName->setText("k");
    w->ddl = {"CREATE SYNONYM [dbo].[k] FOR [dbo].[t]", "go"};
    session->fixture().exact("CREATE SYNONYM [dbo].[k] FOR [dbo].[t]").affects(0);
    const qsizetype mark = Mark();
    w->Compile();
    EXPECT_EQ(StatementsFrom(mark), QStringList({"use [sales]", "CREATE SYNONYM [dbo].[k] FOR [dbo].[t]"}));
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join("\n").toStdString();
    EXPECT_FALSE(w->IsNew());
    EXPECT_EQ(w->windowTitle(), "SAMPLE - sales.dbo.k @ srv.master");
}

TEST_F(DefineFrame, PreviewShowsTheSwitchOnce)
{
    qvOption.ShowDDL = true;
    QStringList shown;
    QString caption;
    auto saved = TfrmDDLPreview::ExecHook;
    TfrmDDLPreview::ExecHook = [&](TfrmDDLPreview* p) {
        shown = p->txtLog->Lines().ToStringList();
        caption = p->windowTitle();
        return int(QDialog::Accepted);
    };
    TfrmSample* w = Sample("");
    w->txtName->setText("k");
    w->ddl = {"CREATE SYNONYM [dbo].[k] FOR [dbo].[t]", "go"};
    session->fixture().exact("CREATE SYNONYM [dbo].[k] FOR [dbo].[t]").affects(0);
    const qsizetype mark = Mark();
    w->Compile();
    TfrmDDLPreview::ExecHook = saved;
    EXPECT_EQ(shown, QStringList({"use [sales]", "go", "CREATE SYNONYM [dbo].[k] FOR [dbo].[t]", "go"}));
    EXPECT_EQ(caption, QString::fromUtf8("dbo.k のコンパイル"));
    EXPECT_EQ(StatementsFrom(mark), QStringList({"use [sales]", "CREATE SYNONYM [dbo].[k] FOR [dbo].[t]"}));
}

TEST_F(DefineFrame, NoChangeWarnsAndTheObjectCountsAsExisting)
{
    TfrmSample* w = Sample("");
    w->txtName->setText("k");
    w->ddl = {" ", "\t"};
    const int loads = w->loads;
    const qsizetype mark = Mark();
    w->Compile();
    EXPECT_EQ(boxes, QStringList({"48:" + QString::fromUtf8("変更箇所が見つかりませんでした。")}));
    EXPECT_EQ(Mark(), mark);
    EXPECT_FALSE(w->IsNew());
    EXPECT_EQ(w->loads, loads + 1);
}

TEST_F(DefineFrame, RequiredNamesInOrder)
{
    TfrmSample* w = Sample("");
    w->ddl = {"x"};
    w->cmbDatabase->setEditText(" ");
    w->cmbSchema->setEditText("");
    w->Compile();
    w->cmbDatabase->setEditText("sales");
    w->Compile();
    w->cmbSchema->setEditText("dbo");
    w->Compile();
    EXPECT_EQ(boxes, QStringList({"48:" + QString::fromUtf8("データベース名を入力して下さい。"),
                                  "48:" + QString::fromUtf8("スキーマ名を入力して下さい。"),
                                  "48:" + QString::fromUtf8("名前を入力して下さい。")}));
    EXPECT_TRUE(w->IsNew());
}

TEST_F(DefineFrame, DeleteSwitchesToTheDatabaseThenDrops)
{
    QPointer<TfrmSample> w = Sample("k");
    ASSERT_TRUE(w);
    EXPECT_TRUE(w->actDelete->isEnabled());
    session->fixture().exact("use [sales]\ndrop synonym [dbo].k").affects(0);
    const qsizetype mark = Mark();
    w->actDelete->trigger();
    EXPECT_EQ(StatementsFrom(mark), QStringList({"use [sales]\ndrop synonym [dbo].k"}));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(w);
    TfrmSample* fresh = Sample("");
    EXPECT_FALSE(fresh->actDelete->isEnabled());
}

TEST_F(DefineFrame, OneWindowPerObjectInItsDatabase)
{
    TfrmSample* first = Sample("k");
    ASSERT_TRUE(first);
    EXPECT_EQ(first->windowTitle(), "SAMPLE - sales.dbo.k @ srv.master");
    EXPECT_EQ(Sample("k"), nullptr);
    EXPECT_NE(Sample("k", "master"), nullptr); // the same name in another database is another object
    EXPECT_NE(Sample(""), nullptr);
    EXPECT_NE(Sample(""), nullptr);
    TfrmSample* longName = Sample("abcdefghijklmnop");
    EXPECT_EQ(longName->TaskCaption(), QString::fromUtf8("abcdefghijkl…"));
}

TEST_F(DefineFrame, MissingObjectGivesNoWindow)
{
    // The kind's load aborts: the constructor leaves no window behind.
    TfrmSample::FailLoad = true;
    EXPECT_EQ(Sample("gone"), nullptr);
    TfrmSample::FailLoad = false;
    EXPECT_TRUE(main->FindWindow(TfrmSample::staticMetaObject, "SAMPLE - sales.dbo.gone @ srv.master", false) == nullptr);
    EXPECT_NE(Sample("gone"), nullptr);
}

TEST_F(DefineFrame, ScriptModeWritesTidiedLinesWithoutAWindow)
{
    ScriptOption.NullLine = true;
    ScriptOption.Drop = true;
    struct Script : TfrmSample {
        Script(QObject* o) : TfrmSample(o, "sales", "dbo", "k", omDefine, true) {}
        void Write(QIODevice& d) { WriteScriptTo(d); }
    };
    Script s(conn);
    EXPECT_EQ(s.SourceMode, smText);
    EXPECT_TRUE(s.windowTitle().isEmpty());
    EXPECT_EQ(s.TaskButton(), nullptr);
    QBuffer b;
    b.open(QIODevice::WriteOnly);
    s.Write(b);
    EXPECT_EQ(TextEncoding::get(TextEncoding::Utf16LE).decode(b.data()), "use [sales]\r\ngo\r\nDROP SYNONYM x\r\ngo\r\n");
}

TEST_F(DefineFrame, SettingsUnderTheKindsKey)
{
    {
        TqvRegistry reg;
        ASSERT_TRUE(reg.OpenKey("\\Software\\Velmora\\QVS22\\GUI\\SAMPLE", true));
        reg.WriteInteger("Width", 820);
        reg.WriteInteger("Height", 530);
    }
    QPointer<TfrmSample> w = Sample("k");
    EXPECT_EQ(w->size(), QSize(820, 530));
    w->parentWidget()->showMaximized();
    w->parentWidget()->close(); // maximised: the size is not written
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(w);
    TqvRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\Velmora\\QVS22\\GUI\\SAMPLE"));
    EXPECT_EQ(reg.GetInteger("Width", 0), 820);
}

TEST_F(DefineFrame, SourcePageAppliesTheEditorText)
{
    TfrmSample* w = Sample("k", "sales", omSource);
    ASSERT_TRUE(w);
    EXPECT_TRUE(w->SourcePageActive());
    EXPECT_EQ(w->SourceLines(), QStringList({"create"}));
    EXPECT_TRUE(w->actCompile->isEnabled()); // on the source page even unmodified
    // Completion requests of the editor read the connection's database and schema.
    CodeAssistRequest r;
    ASSERT_TRUE(w->fraMemo->CodeAssistContext && w->fraMemo->CodeAssistContext(r));
    EXPECT_TRUE(r.query);
    EXPECT_EQ(r.database, "master");
    EXPECT_EQ(r.schema, "dbo");
    EXPECT_EQ(r.dbVer, 15);
    EXPECT_FALSE(w->Modified());
    session->fixture().exact("create").affects(0);
    const qsizetype mark = Mark();
    w->Compile();
    EXPECT_EQ(StatementsFrom(mark), QStringList({"use [sales]", "create"}));
}

#include "define_frame_test.moc"
