#include "sql/memo_frame.h"

#include "support/modal_helper.h"

#include "app/connection_window_iface.h"
#include "app/editor_settings.h"
#include "app/main_window.h"
#include "app/object_types.h"
#include "app/options.h"
#include "app/qvform.h"
#include "editor/sqlmemo/key_macro.h"
#include "sql/memo_settings.h"
#include "editor/editor_strings.h"
#include "editor/sqlmemo/code_assist.h"
#include "editor/sqlmemo/qvmemo.h"
#include "platform/db/connection.h"
#include "platform/db/query.h"
#include "platform/db/scripted_session.h"
#include "platform/messages.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::db;

TEST(MemoFrame, CodeAssistRequestShowsTheProviderRows)
{
    auto session = std::make_shared<ScriptedSession>();
    Connection conn;
    conn.SetDriver(session);
    conn.Open();
    Query query;
    query.SetConnection(&conn);
    const auto name = column("name", "nvarchar(128)");
    auto& f = session->fixture();
    f.exact("select serverproperty('Edition')").returns({column("", "nvarchar(128)")}, {{"Developer Edition (64-bit)"}});
    f.pattern("use \\[.*\\]");
    f.pattern("select name from master\\.dbo\\.sysdatabases where has_dbaccess\\(name\\) = 1 and upper\\(name\\) = \\?").returns({name}, {});
    f.pattern("select name from sys\\.schemas where upper\\(name\\) = \\?").returns({name}, {});
    f.pattern("select name from sysobjects where xtype in \\(N'U', N'S', N'V'\\).*").returns({name}, {});
    f.pattern("select a\\.base_object_name .*").returns({column("base_object_name", "nvarchar(1035)")}, {});
    f.pattern("select name from sysobjects where xtype in \\(N'P', N'RF'.*").returns({name}, {});
    f.pattern("select name from sysusers where upper\\(name\\) = \\?").returns({name}, {});
    f.pattern("select name from sysobjects where .*upper\\(user_name\\(uid\\)\\).*").returns({name}, {});
    f.exact("select name from master.dbo.sysdatabases where has_dbaccess(name) = 1").returns({name}, {{"master"}, {"SalesDemo"}});
    f.pattern(".*select name from sys\\.schemas order by name").returns({name}, {{"dbo"}, {"sales"}});
    f.pattern("select name, xtype, case .*").returns({name, column("xtype", "char(2)"), column("Sort", "int")},
                                                    {{"Customers", "U ", 1}, {"vOrders", "V ", 2}});

    TfraMemo frame;
    frame.resize(600, 400);
    frame.show();
    QString database;
    frame.CodeAssistContext = [&](CodeAssistRequest& r) {
        r.query = &query;
        r.database = database = "SalesDemo";
        r.schema = "dbo";
        r.dbVer = 15;
        return true;
    };
    frame.txtSQL->Lines().Assign({"select * from "});
    frame.txtSQL->SetRowCol(0, 14);

    QCoreApplication::sendEvent(&frame, new MessageEvent(WM_CODEASSIST, 10, 20));
    ASSERT_TRUE(frame.txtSQL->CodeAssist);
    TqvCodeAssist* list = frame.txtSQL->CodeAssist;
    EXPECT_TRUE(list->CaptionList.contains("Customers"));
    EXPECT_TRUE(list->CaptionList.contains("vOrders"));
    EXPECT_TRUE(list->CaptionList.contains("SalesDemo"));
    EXPECT_GT(list->topLevelItemCount(), 1);
    EXPECT_EQ(list->headerItem()->text(0), QStringLiteral("オブジェクト名"));
    delete list;

    // Without a connection the request shows nothing and sends nothing.
    frame.CodeAssistContext = [](CodeAssistRequest&) { return false; };
    const auto sent = session->statements().size();
    QCoreApplication::sendEvent(&frame, new MessageEvent(WM_CODEASSIST, 10, 20));
    EXPECT_FALSE(frame.txtSQL->CodeAssist);
    EXPECT_EQ(session->statements().size(), sent);
}

TEST(MemoFrame, OpenAndSaveRoundTripInUtf8WithoutByteOrderMark)
{
    qvOption.Encoding = 2;
    QTemporaryDir dir;
    const QString a = dir.filePath("a.sql"), b = dir.filePath("b.sql");
    for (const auto& [path, text] : {std::pair{a, QByteArray("select N'日本語'\r\n")}, std::pair{b, QByteArray("go\r\nselect 2\r\n")}}) {
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(text);
    }
    TfraMemo frame;
    frame.txtSQL->SetModified(true);
    frame.OpenFiles({b, a}, b); // loaded in name order
    EXPECT_EQ(frame.txtSQL->Lines().ToStringList(), (QStringList{QStringLiteral("select N'日本語'"), "go", "select 2"}));
    EXPECT_EQ(frame.OpenFilePath(), b);
    EXPECT_EQ(frame.lblFileName->text(), b);
    EXPECT_FALSE(frame.txtSQL->Modified());

    const QString c = dir.filePath("c.sql");
    frame.txtSQL->SetModified(true);
    frame.WriteFile(c);
    EXPECT_FALSE(frame.txtSQL->Modified());
    QFile in(c);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QByteArray bytes = in.readAll();
    EXPECT_FALSE(bytes.startsWith("\xEF\xBB\xBF"));
    EXPECT_TRUE(bytes.startsWith(QStringLiteral("select N'日本語'").toUtf8()));

    TfraMemo again;
    again.OpenFiles({c}, c);
    EXPECT_EQ(again.txtSQL->Lines().ToStringList(), frame.txtSQL->Lines().ToStringList());
}

TEST(MemoFrame, RendersHeaderAndEditor)
{
    TfraMemo frame;
    frame.resize(640, 300);
    frame.txtSQL->Lines().Assign({"select * from Customers", "go"});
    frame.show();
    QCoreApplication::processEvents();
    const QString out = qEnvironmentVariable("QORVEL_GRAB_DIR");
    if (!out.isEmpty())
        frame.grab().save(out + "/memo_frame.png");
    EXPECT_TRUE(frame.actSaveFile->isEnabled());
    frame.txtSQL->Lines().Clear();
    EXPECT_FALSE(frame.actSaveNewFile->isEnabled());
}

// ---- header, settings, palette, zoom ------------------------------------------------------------

namespace {

QStringList headerActions(const TfraMemo& frame)
{
    QStringList out;
    for (QAction* a : frame.tlbHeader->actions())
        if (!a->isSeparator())
            out << a->objectName();
    return out;
}

void sendWheel(QWidget* target, int delta, Qt::KeyboardModifiers mods)
{
    const QPointF pos(10, 10);
    QWheelEvent e(pos, target->mapToGlobal(pos), QPoint(), QPoint(0, delta), Qt::NoButton, mods, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(target, &e);
}

} // namespace

TEST(MemoFrame, HeaderRunsTheMainWindowCommandsInOrder)
{
    const QStringList expected = {
        "actSaveNewFile", "actEditUndo", "actEditRedo", "actEditFind", "actEditFindNext", "actEditFindPrev",
        "actEditReplace", "actEditFindClear", "actEditJump", "actEditUpperCase", "actEditLowerCase", "actEditHanToZen",
        "actEditZenToHan", "actEditIndentF", "actEditIndentR", "actEditComment", "actEditFormat", "actEditMacroRec",
        "actEditMacroExec", "actEditMacroSave", "actEditMacroLoad", "actEditJumpDefine", "actViewField",
        "actOpenSqlTemplate", "actOpenEditOption"};
    {
        // Without a main window the buttons are there with their pictures and do nothing.
        TfraMemo frame;
        EXPECT_EQ(headerActions(frame), expected);
        for (QAction* a : frame.tlbHeader->actions())
            if (!a->isSeparator()) {
                EXPECT_FALSE(a->icon().pixmap(16, 16).isNull()) << a->objectName().toStdString();
                EXPECT_FALSE(a->text().contains(u'&')) << a->objectName().toStdString();
            }
        EXPECT_EQ(frame.actOpenEditOption->text(), QStringLiteral("エディタオプション"));
        frame.findChild<QAction*>("actEditUpperCase")->trigger();
    }

    // The commands whose windows live elsewhere answer here without a dialog.
    for (const char* n : {"actEditUpperCase", "actViewTemplate", "actToolEditorOption"})
        TfrmMain::setCommandHandler(n, [](IConnectionWindow*) {});
    TfrmMain main;
    TfraMemo frame;
    for (const auto& [own, target] : {std::pair{"actEditUpperCase", "actEditUpperCase"},
                                      std::pair{"actOpenSqlTemplate", "actViewTemplate"},
                                      std::pair{"actOpenEditOption", "actToolEditorOption"}}) {
        QAction* t = main.action(target);
        t->setEnabled(true);
        int runs = 0;
        const auto c = QObject::connect(t, &QAction::triggered, [&] { ++runs; });
        QAction* a = frame.findChild<QAction*>(own);
        ASSERT_TRUE(a) << own;
        a->trigger();
        EXPECT_EQ(runs, 1) << own;
        // The button follows the command's state; a disabled command is not run.
        t->setEnabled(false);
        EXPECT_FALSE(a->isEnabled()) << own;
        a->trigger();
        EXPECT_EQ(runs, 1) << own;
        QObject::disconnect(c);
    }
    for (const char* n : {"actEditUpperCase", "actViewTemplate", "actToolEditorOption"})
        TfrmMain::setCommandHandler(n, {});
}

TEST(MemoFrame, ShowDataAppliesTheEditorSettingsInAChildWindow)
{
    const auto savedEditor = prpEditor;
    const auto savedMemo = MemoOption;
    auto setOptions = [](bool showPalette) {
        prpEditor.Font.Size = 14;
        prpEditor.Caret.FreeCaret = true;
        MemoOption.CodeAssistCallOfDot = false;
        MemoOption.CodeAssistDelayShow = false;
        MemoOption.CodeAssistDelayTime = 1234;
        MemoOption.ShowToolPalette = showPalette;
    };
    setOptions(true);

    // Outside a child window nothing happens.
    QWidget plain;
    auto* loose = new TfraMemo(&plain);
    loose->ShowData();
    EXPECT_EQ(loose->txtSQL->MacroList(), nullptr);
    EXPECT_EQ(loose->spnFontSize->value(), 10);

    for (const bool showPalette : {true, false}) {
        TfrmMain main; // reads the stored options
        setOptions(showPalette);
        TqvForm form(nullptr);
        auto* frame = new TfraMemo(&form);
        (new QVBoxLayout(&form))->addWidget(frame);
        frame->txtSQL->KeyDownAltKey = true;
        frame->cpnlConvert->Header()->click();
        frame->ShowData();
        TqvMemo* m = frame->txtSQL;
        EXPECT_EQ(m->MacroList(), &SharedMacroList());
        EXPECT_EQ(MemoPopupMenu(*m), main.popEditor());
        EXPECT_FALSE(m->CodeAssistCallOfDot);
        EXPECT_FALSE(m->CodeAssistDelayShow);
        EXPECT_EQ(m->CodeAssistDelayTime, 1234);
        EXPECT_TRUE(m->DefaultCaretFreeCaret);
        EXPECT_FALSE(m->KeyDownAltKey);
        EXPECT_EQ(m->font().pointSize(), 14);
        EXPECT_EQ(frame->spnFontSize->value(), 14);
        EXPECT_EQ(frame->OwnerForm(), nullptr);
        // The object tree section is open, the others closed; the shortcut section never shows.
        EXPECT_FALSE(frame->cpnlObjTree->Collapsed());
        EXPECT_TRUE(frame->cpnlRefSearch->Collapsed());
        EXPECT_TRUE(frame->cpnlConvert->Collapsed());
        EXPECT_TRUE(frame->cpnlEditFunc->isHidden());
        EXPECT_EQ(frame->PaletteShown(), showPalette);
        EXPECT_EQ(frame->PaletteWidth(), showPalette ? 320 : 0);
        EXPECT_EQ(frame->pnlPaletteOpen->isHidden(), showPalette);
        if (showPalette) {
            frame->txtSQL->Lines().Assign({"select *", "from Customers", "go"});
            form.resize(900, 400);
            form.show();
            QCoreApplication::processEvents();
            qvtest::saveGrab(&form, "memo_frame_in_window");
        } else {
            form.resize(900, 500);
            form.show();
            frame->ShowPalette();
            EXPECT_EQ(frame->PaletteWidth(), 320);
        }
    }
    prpEditor = savedEditor;
    MemoOption = savedMemo;
}

TEST(MemoFrame, RowMarkCommandsNeedAMark)
{
    TfraMemo frame;
    frame.txtSQL->Lines().Assign({"a", "b", "c", "d"});
    EXPECT_TRUE(frame.actSetRowMark->isEnabled());
    EXPECT_FALSE(frame.actRowMarkNext->isEnabled());
    EXPECT_FALSE(frame.actRowMarkPrev->isEnabled());
    frame.txtSQL->SetRowCol(2, 0);
    frame.actSetRowMark->trigger();
    EXPECT_TRUE(frame.actRowMarkNext->isEnabled());
    EXPECT_TRUE(frame.actRowMarkPrev->isEnabled());
    frame.txtSQL->SetRowCol(0, 0);
    frame.actRowMarkNext->trigger();
    EXPECT_EQ(frame.txtSQL->Row(), 2);
    frame.txtSQL->SetRowCol(3, 0);
    frame.actRowMarkPrev->trigger();
    EXPECT_EQ(frame.txtSQL->Row(), 2);
    // Setting it again on the same row removes it.
    frame.actSetRowMark->trigger();
    EXPECT_FALSE(frame.actRowMarkNext->isEnabled());
}

TEST(MemoFrame, PaletteHidesAndReopensAtItsWidth)
{
    TfraMemo frame;
    frame.resize(900, 400);
    frame.show();
    QCoreApplication::processEvents();
    ASSERT_TRUE(frame.PaletteShown());
    EXPECT_EQ(frame.pnlToolPalette->width(), 300);

    frame.SetPaletteWidth(250);
    frame.btnToolPaletteClose->click();
    QCoreApplication::processEvents();
    EXPECT_FALSE(frame.PaletteShown());
    EXPECT_EQ(frame.PaletteWidth(), 0);
    EXPECT_TRUE(frame.splPalette->isHidden());
    EXPECT_TRUE(frame.pnlPaletteOpen->isVisible());
    qvtest::saveGrab(&frame, "memo_frame_palette_hidden");

    // The strip turns light blue under the mouse and reopens the palette.
    const QColor face = frame.pnlPaletteOpen->palette().color(QPalette::Window);
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), frame.pnlPaletteOpen->mapToGlobal(QPointF(5, 5)));
    QCoreApplication::sendEvent(frame.pnlPaletteOpen, &enter);
    EXPECT_EQ(frame.pnlPaletteOpen->palette().color(QPalette::Window), QColor(200, 216, 255));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(frame.pnlPaletteOpen, &leave);
    EXPECT_EQ(frame.pnlPaletteOpen->palette().color(QPalette::Window), face);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), frame.pnlPaletteOpen->mapToGlobal(QPointF(5, 5)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(frame.pnlPaletteOpen, &press);
    QCoreApplication::processEvents();
    EXPECT_TRUE(frame.PaletteShown());
    EXPECT_EQ(frame.PaletteWidth(), 250);
    EXPECT_EQ(frame.pnlToolPalette->width(), 250);
    EXPECT_TRUE(frame.pnlPaletteOpen->isHidden());
    // Nothing of the footer is cut off at that width.
    EXPECT_LE(frame.pnlToolPaletteFooter->minimumSizeHint().width(), 250);
    qvtest::saveGrab(&frame, "memo_frame_palette_250");

    // A remembered width that is too small reopens at 300.
    frame.SetPaletteWidth(80);
    frame.actHidePalette->trigger();
    frame.actShowPalette->trigger();
    EXPECT_EQ(frame.PaletteWidth(), 300);
}

TEST(MemoFrame, PaletteSectionsOpenOneAtATime)
{
    TfraMemo frame;
    frame.resize(900, 500);
    frame.show();
    QCoreApplication::processEvents();
    const QList<TqvCategoryPanel*> panels = {frame.cpnlObjTree, frame.cpnlRefSearch, frame.cpnlConvert};
    EXPECT_FALSE(frame.cpnlObjTree->Collapsed());
    EXPECT_EQ(frame.cpnlObjTree->Caption(), QStringLiteral("オブジェクトツリー"));
    EXPECT_EQ(frame.cpnlRefSearch->Caption(), QStringLiteral("逆引き検索"));
    EXPECT_EQ(frame.cpnlConvert->Caption(), QStringLiteral("SQLのプログラムソース化"));
    for (TqvCategoryPanel* open : {frame.cpnlRefSearch, frame.cpnlConvert, frame.cpnlObjTree}) {
        open->Header()->click();
        QCoreApplication::processEvents();
        for (TqvCategoryPanel* p : panels) {
            EXPECT_EQ(p->Collapsed(), p != open) << p->objectName().toStdString();
            EXPECT_EQ(p->Body()->isVisible(), p == open);
        }
        // The open section fills the palette above the footer.
        EXPECT_GT(open->height(), frame.ctgToolPalette->height() / 2);
    }
    // Clicking the open section closes it.
    frame.cpnlObjTree->Header()->click();
    EXPECT_TRUE(frame.cpnlObjTree->Collapsed());
    frame.cpnlObjTree->Header()->click();
    QCoreApplication::processEvents();
    qvtest::saveGrab(&frame, "memo_frame_palette_shown");
}

TEST(MemoFrame, FontSizeFollowsTheSpinBoxAndCtrlWheel)
{
    TfraMemo frame;
    frame.resize(700, 400);
    frame.show();
    frame.spnFontSize->setValue(12);
    EXPECT_EQ(frame.txtSQL->font().pointSize(), 12);
    const struct {
        int start, delta;
        Qt::KeyboardModifiers mods;
        int size;
    } cases[] = {
        {10, 120, Qt::ControlModifier, 11},
        {10, -120, Qt::ControlModifier, 9},
        {6, -120, Qt::ControlModifier, 6},
        {50, 120, Qt::ControlModifier, 50},
        {10, 120, Qt::NoModifier, 10},
    };
    for (const auto& c : cases)
        for (QWidget* target : {static_cast<QWidget*>(frame.txtSQL->viewport()), static_cast<QWidget*>(&frame)}) {
            frame.spnFontSize->setValue(c.start);
            sendWheel(target, c.delta, c.mods);
            EXPECT_EQ(frame.spnFontSize->value(), c.size) << c.start << " " << c.delta;
            EXPECT_EQ(frame.txtSQL->font().pointSize(), c.size);
        }
    // Over the editor a notch also scrolls one row.
    QStringList rows;
    for (int i = 0; i < 200; ++i)
        rows << QString::number(i);
    frame.txtSQL->Lines().Assign(rows);
    frame.txtSQL->SetRowCol(25, 0);
    frame.txtSQL->SetTopRow(20);
    QCoreApplication::processEvents();
    ASSERT_EQ(frame.txtSQL->TopRow(), 20);
    sendWheel(frame.txtSQL->viewport(), -120, Qt::ControlModifier);
    EXPECT_EQ(frame.txtSQL->TopRow(), 21);
    sendWheel(frame.txtSQL->viewport(), 240, Qt::ControlModifier);
    EXPECT_EQ(frame.txtSQL->TopRow(), 19);
    // Finer wheels add up to a whole notch.
    frame.spnFontSize->setValue(10);
    sendWheel(frame.txtSQL->viewport(), 60, Qt::ControlModifier);
    EXPECT_EQ(frame.spnFontSize->value(), 10);
    sendWheel(frame.txtSQL->viewport(), 60, Qt::ControlModifier);
    EXPECT_EQ(frame.spnFontSize->value(), 11);
}

TEST(MemoFrame, LeavingTheApplicationEndsBoxSelection)
{
    TfraMemo frame;
    frame.txtSQL->SetSelectionMode(smBox);
    frame.txtSQL->KeyDownAltKey = true;
    emit qApp->applicationStateChanged(Qt::ApplicationInactive);
    EXPECT_EQ(frame.txtSQL->SelectionMode(), smLine);
    EXPECT_FALSE(frame.txtSQL->KeyDownAltKey);
}

TEST(MemoFrame, SaveAsProposesTheOwnerWindowsObjectName)
{
    QTemporaryDir dir;
    const QString savedDir = qvOption.FileDir;
    qvOption.FileDir = dir.path();
    {
        TqvForm table(nullptr);
        table.SetObjType(ObjType::Table);
        auto* schema = new QComboBox(&table);
        schema->setObjectName("cmbSchema");
        schema->setEditable(true);
        auto* name = new QLineEdit(&table);
        name->setObjectName("txtName");
        name->setText("Orders");
        auto* frame = new TfraMemo(&table);
        EXPECT_EQ(frame->SaveFileProposal(), "Orders.sql");
        schema->setEditText("sales");
        EXPECT_EQ(frame->SaveFileProposal(), "sales.Orders.sql");
        name->clear();
        EXPECT_EQ(frame->SaveFileProposal(), "Script.sql");
    }

    // A window of another kind proposes Script.sql, numbered when that file exists.
    QFile(dir.filePath("Script.sql")).open(QIODevice::WriteOnly);
    TqvForm sql(nullptr);
    auto* frame = new TfraMemo(&sql);
    frame->txtSQL->Lines().Assign({"select 1"});
    QString proposed;
    qvtest::whenModal([&](QWidget* w) {
        if (auto* d = qobject_cast<QFileDialog*>(w))
            proposed = d->selectedFiles().value(0);
        w->close();
    });
    frame->SaveNewFile();
    EXPECT_EQ(QFileInfo(proposed).fileName(), "Script01.sql");
    EXPECT_EQ(QFileInfo(proposed).absolutePath(), QFileInfo(dir.path()).absoluteFilePath());
    qvOption.FileDir = savedDir;
}

namespace {

// The least a connection window must answer for a child window to hang on it.
class StubConnection : public QWidget, public IConnectionWindow {
public:
    QWidget* connectionWidget() override { return this; }
    QString Login() const override { return "sa"; }
    QString Password() const override { return {}; }
    QString Server() const override { return "srv"; }
    QString DataBase() const override { return "master"; }
    QString UserID() const override { return "sa"; }
    int DBVer() const override { return 15; }
    bool IsAzure() const override { return false; }
    bool WindowsAuthentication() const override { return false; }
    QString GetCurrentSchema() const override { return "dbo"; }
    void Commit() override {}
    void Rollback() override {}
    void StartTransaction() override {}
    int ObjectCount() const override { return 0; }
    int SelectedObjectCount() const override { return 0; }
    void SetObjectListDetails(bool) override {}
    QWidget* OpenObject(int, const QString&, const QString&, const QString&, TOpenMode, bool, int,
                        const QString&) override { return nullptr; }
    void NewObject(int) override {}
    void GetDatabase(QStringList&) override {}
    void ExecuteSQL(const QString&) override {}
    void SetCommandList() override {}
    void SetReportList() override {}
    void SetShortCut() override {}
    void UserCommandClick(QAction*) override {}
    void ReportClick(QAction*) override {}
    bool CloseQuery() override { return true; }
};

} // namespace

TEST(MemoFrame, FollowsTheConnectionOfItsWindow)
{
    StubConnection first, second;
    TqvForm form(&first);
    auto* frame = new TfraMemo(&form);
    EXPECT_EQ(frame->OwnerForm(), nullptr); // none until ShowData
    frame->ShowData();
    EXPECT_EQ(frame->OwnerForm(), &first);
    frame->txtSQL->Lines().Assign({"select 1"});
    form.SetOwnerForm(&second);
    frame->DBChanged();
    EXPECT_EQ(frame->OwnerForm(), &second);
    EXPECT_EQ(frame->txtSQL->Lines().ToStringList(), QStringList{"select 1"});
}

TEST(MemoFrame, EditorSettingsReachTheEditorWhole)
{
    // Bar and ruler colours, the line-number mode and the block-comment pair of the settings.
    const auto saved = prpEditor;
    prpEditor.Leftbar.Color = 0x112233;
    prpEditor.Leftbar.BkColor = 0x445566;
    prpEditor.Leftbar.NumberMode = EditorPropertySet::nmLine;
    prpEditor.Ruler.Color = 0x010203;
    prpEditor.Ruler.BkColor = 0x040506;
    prpEditor.Ruler.MarkColor = 0x070809;
    prpEditor.View.Brackets = {EditorBracket{"/*", "*/", 0x008000, clNone}};
    TqvMemo memo;
    ApplyMemoSettings(memo, nullptr);
    prpEditor = saved;
    EXPECT_EQ(memo.Leftbar().Color(), 0x112233u);
    EXPECT_EQ(memo.Leftbar().BkColor(), 0x445566u);
    EXPECT_EQ(memo.Leftbar().ShowNumberMode(), nmLine);
    EXPECT_EQ(memo.Ruler().Color(), 0x010203u);
    EXPECT_EQ(memo.Ruler().BkColor(), 0x040506u);
    EXPECT_EQ(memo.Ruler().MarkColor(), 0x070809u);
    const TFountainBracketCollection& brackets = memo.View().Brackets();
    ASSERT_EQ(brackets.Count(), 1);
    EXPECT_EQ(brackets.GetBracketItem(0)->LeftBracket(), "/*");
    EXPECT_EQ(brackets.GetBracketItem(0)->RightBracket(), "*/");
    EXPECT_EQ(brackets.GetBracketItem(0)->ItemColor().Color(), 0x008000u);
    EXPECT_TRUE(brackets.GetBracketItem(0)->ItemColor().Visible());
}
