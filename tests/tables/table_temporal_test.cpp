// System versioning of a table: the checks and statements without a window, then the table
// window's page on the scripted session (load, apply with its questions, the exact statements).
#include "tables/table_temporal_text.h"

#include "app/message_box.h"
#include "support/test_env.h"
#include "tables/table_ddl.h"
#include "tables/table_session_helper.h"
#include "tables/table_temporal_page.h"
#include "tables/data_page.h"
#include "tables/table_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

using namespace qv;
using namespace qv::table;
using namespace qvtest;

namespace {

TableColumn Col(const QString& name, const QString& type, bool notNull, bool primary = false)
{
    TableColumn c;
    c.name = name;
    c.type = type;
    c.notNull = notNull;
    c.primary = primary;
    return c;
}

QList<TableColumn> Columns()
{
    QList<TableColumn> c{Col("id", "int", true, true), Col("ValidFrom", "datetime2", true), Col("ValidTo", "datetime2", true),
                         Col("Loose", "datetime2", false), Col("Masked", "datetime2", true), Col("Upper", "DATETIME2", true)};
    c[4].mask = "default()";
    c[2].length = "7";
    return c;
}

TemporalSettings On(const QString& start = "ValidFrom", const QString& end = "ValidTo")
{
    TemporalSettings s;
    s.versioned = true;
    s.startColumn = start;
    s.endColumn = end;
    return s;
}

} // namespace

TEST(TemporalText, ChecksInOrderWithPageAndFocus)
{
    using F = TemporalCheckFailure;
    struct Case {
        TemporalSettings s;
        bool otherPage;
        QList<TableColumn> columns;
        QString message; // "" passes
        F::Page page;
        F::Focus focus;
    };
    TemporalSettings self = On();
    self.historySchema = "dbo";
    self.historyTable = "T";
    TemporalSettings otherSchema = self;
    otherSchema.historySchema = "hist";
    QList<TableColumn> noKey = Columns();
    noKey[0].primary = false;
    const QList<Case> cases = {
        {On(), true, Columns(), "テンポラルテーブルとして作成する場合は、権限タブとテンポラルタブ以外の情報を変更できません。",
         F::Page::Current, F::Focus::None},
        {self, false, Columns(), "履歴テーブルには別のテーブルを指定してください。", F::Page::Temporal, F::Focus::HistoryTable},
        {otherSchema, false, Columns(), "", F::Page::Current, F::Focus::None},
        {On(""), false, Columns(), "テンポラルタブの期間開始列を入力して下さい。", F::Page::Temporal, F::Focus::StartColumn},
        {On("ValidFrom", ""), false, Columns(), "テンポラルタブの期間終了列を入力して下さい。", F::Page::Temporal, F::Focus::EndColumn},
        {On("ValidTo", "ValidTo"), false, Columns(), "期間開始列と期間終了列は別の項目を指定してください。", F::Page::Temporal,
         F::Focus::StartColumn},
        {On("Loose"), false, Columns(),
         "テンポラルテーブルとして作成する場合は、期間開始列にデータ型が[datetime2]かつ必須の項目を指定してください。",
         F::Page::Define, F::Focus::None},
        {On("ValidFrom", "Masked"), false, Columns(),
         "テンポラルテーブルとして作成する場合は、期間終了列に動的データマスクを設定した項目を指定できません。",
         F::Page::Temporal, F::Focus::EndColumn},
        {On("Upper"), false, Columns(), "", F::Page::Current, F::Focus::None}, // the check upper-cases the type
        {On(), false, noKey, "テンポラルテーブルとして作成する場合は、主キーを設定して下さい。", F::Page::Define, F::Focus::None},
        // Names match exactly: another letter case is a column that does not exist.
        {On("VALIDFROM"), false, Columns(), "期間開始列には存在する項目を設定してください。", F::Page::Temporal,
         F::Focus::StartColumn},
        {On("ValidFrom", "Gone"), false, Columns(), "期間終了列には存在する項目を設定してください。", F::Page::Temporal,
         F::Focus::EndColumn},
    };
    for (const Case& c : cases) {
        const auto f = CheckTemporalSettings(true, c.otherPage, "dbo", "T", c.s, c.columns);
        EXPECT_EQ(f ? f->message : QString(), c.message) << c.s.startColumn.toStdString() << "/" << c.s.endColumn.toStdString();
        if (f) {
            EXPECT_EQ(int(f->page), int(c.page)) << c.message.toStdString();
            EXPECT_EQ(int(f->focus), int(c.focus)) << c.message.toStdString();
        }
    }
    // The drop-down offers the required columns typed exactly "datetime2".
    EXPECT_EQ(PeriodColumnCandidates(Columns()), QStringList({"ValidFrom", "ValidTo", "Masked"}));
}

TEST(TemporalText, ChangeStatementsOfEachSequence)
{
    const QString a = "ALTER TABLE [dbo].[T]";
    struct Case {
        const char* what;
        TemporalSettings loaded, now;
        bool versionedNow, dropPeriod, recreate;
        QStringList defaults;
        QStringList lines;
        bool applied = true;
    };
    TemporalSettings plain; // not versioned, no period
    TemporalSettings versioned = On();
    TemporalSettings withHistory = On();
    withHistory.historySchema = "h]s";
    withHistory.historyTable = "T_hist";
    TemporalSettings noCheck = withHistory;
    noCheck.consistency = false;
    TemporalSettings periodOff = On();
    periodOff.versioned = false;
    TemporalSettings hidden = On();
    hidden.endHidden = true;
    const QStringList use{"use [sales]", "go"};
    QList<TableColumn> columns = Columns();
    columns[1].defaultValue = "(sysutcdatetime())";
    columns[1].comment = "開始";
    const QString add = "ALTER TABLE [dbo].[T] ADD ";
    const QString from = "    [ValidFrom]" + QString(31 - 11, u' ') + "datetime2 GENERATED ALWAYS AS ROW START DEFAULT (sysutcdatetime()) NOT NULL,";
    const QString to = "    [ValidTo]" + QString(31 - 9, u' ') + "datetime2(7) GENERATED ALWAYS AS ROW END%1 NOT NULL,";
    const QString period = "    PERIOD FOR SYSTEM_TIME ([ValidFrom],[ValidTo])";
    const QString comment = "EXEC sp_addextendedproperty N'MS_Description', N'開始', N'schema', N'dbo', N'table', N'T', N'column', N'ValidFrom'";
    const QList<Case> cases = {
        {"nothing changed", versioned, versioned, true, false, false, {}, {}},
        {"off, period kept", versioned, periodOff, true, false, false, {}, use + QStringList{a + " SET (SYSTEM_VERSIONING = OFF)", "go"}},
        {"off, period dropped", versioned, periodOff, true, true, false, {},
         use + QStringList{a + " SET (SYSTEM_VERSIONING = OFF)", "go", a + " DROP PERIOD FOR SYSTEM_TIME", "go"}},
        {"on, period as it was", periodOff, versioned, false, false, false, {},
         use + QStringList{a + " SET (SYSTEM_VERSIONING = ON)", "go"}},
        {"history table changed", versioned, withHistory, true, false, false, {},
         use + QStringList{a + " SET (SYSTEM_VERSIONING = OFF)", "go",
                           a + " SET (SYSTEM_VERSIONING = ON (HISTORY_TABLE = [h]]s].[T_hist], DATA_CONSISTENCY_CHECK = ON))", "go"}},
        {"history table without the check", versioned, noCheck, true, false, false, {},
         use + QStringList{a + " SET (SYSTEM_VERSIONING = OFF)", "go",
                           a + " SET (SYSTEM_VERSIONING = ON (HISTORY_TABLE = [h]]s].[T_hist], DATA_CONSISTENCY_CHECK = OFF))", "go"}},
        {"on for a table without period", plain, versioned, false, false, true, {"DF_a", "DF]b"},
         use + QStringList{a + " DROP CONSTRAINT ", "[DF_a], [DF]]b]", "go", a + " DROP COLUMN [ValidFrom], [ValidTo]", "go",
                           add, from, to.arg(""), period, "go", comment, "go", a + " SET (SYSTEM_VERSIONING = ON)", "go"}},
        {"hidden flag of a versioned table", versioned, hidden, true, false, true, {},
         use + QStringList{a + " SET (SYSTEM_VERSIONING = OFF)", "go", a + " DROP PERIOD FOR SYSTEM_TIME", "go",
                           a + " DROP COLUMN [ValidFrom], [ValidTo]", "go", add, from, to.arg(" HIDDEN"), period, "go",
                           comment, "go", a + " SET (SYSTEM_VERSIONING = ON)", "go"}},
        {"re-create declined", plain, versioned, false, false, false, {}, {}, false},
    };
    for (const Case& c : cases) {
        QStringList asked;
        TemporalLookups look;
        look.versionedNow = [&] { return c.versionedNow; };
        look.defaultConstraints = [&](const QString& s, const QString& e) {
            asked << s + "," + e;
            return c.defaults;
        };
        look.askDropPeriod = [&] { return c.dropPeriod; };
        look.askRecreateColumns = [&] { return c.recreate; };
        QStringList lines;
        EXPECT_EQ(AppendTemporalScript(lines, {"sales", "dbo", "T", c.now, c.loaded, columns}, look), c.applied) << c.what;
        EXPECT_EQ(lines, c.lines) << c.what << "\n" << lines.join("\n").toStdString();
        if (!c.defaults.isEmpty())
            EXPECT_EQ(asked, QStringList({"ValidFrom,ValidTo"})) << c.what;
    }
}

namespace {

struct TemporalWindow : TableSession {
    void Versioned(int type = 2)
    {
        ConnectSales();
        AddTable("T", 1001,
                 {{"id", "int", "", false, false, true}, {"ValidFrom", "datetime2", "", false, false, false, 7},
                  {"ValidTo", "datetime2", "", false, false, false, 7}});
        using qv::db::column;
        Params(session->fixture().pattern("select tbl\\.temporal_type, .*"), {"1001"})
            .returns({column("temporal_type", "tinyint"), column("schema_name", "sysname"),
                      column("history_table_Name", "sysname"), column("start_time", "sysname"),
                      column("start_time_desc", "nvarchar(60)"), column("start_time_hidden", "bit"),
                      column("end_time", "sysname"), column("end_time_desc", "nvarchar(60)"),
                      column("end_time_hidden", "bit")},
                     {{type, "dbo", "T_history", "ValidFrom", "AS_ROW_START", false, "ValidTo", "AS_ROW_END", true}});
        session->fixture().pattern("ALTER TABLE .*").affects(0);
    }
    TfrmTable* OpenTable()
    {
        return qobject_cast<TfrmTable*>(Open(45, "sales", "dbo", "T"));
    }
    // The statements of the apply: from the mark up to the reload that follows it.
    QStringList Applied(qsizetype mark) const
    {
        QStringList out;
        for (const QString& s : StatementsFrom(mark)) {
            if (s.startsWith("select a.id, cast("))
                break;
            out << s;
        }
        if (!out.isEmpty() && out.last() == "use [sales]")
            out.removeLast(); // the reload's switch
        return out;
    }
};

void saveGrab(QWidget* w, const QString& name)
{
    const QString dir = qEnvironmentVariable("QORVEL_RENDER_DIR", testHome());
    QDir().mkpath(dir);
    EXPECT_TRUE(w->grab().save(dir + "/" + name + ".png")) << name.toStdString();
}

} // namespace

TEST_F(TemporalWindow, VersioningOffAnsweredNoSendsOnlyTheSwitchOff)
{
    Versioned();
    TfrmTable* w = OpenTable();
    ASSERT_TRUE(w) << errors.join("\n").toStdString();
    TTemporalPage* p = w->pnlTmp;
    EXPECT_TRUE(w->pagObject->isTabVisible(w->pagObject->indexOf(w->tabTemporal)));
    EXPECT_TRUE(p->chkCreateTmpTbl->isChecked());
    EXPECT_EQ(p->cmbTmpHistSchema->currentText(), "dbo");
    EXPECT_EQ(p->txtTmpHistTblName->text(), "T_history");
    EXPECT_EQ(p->cmbTmpHistStartCol->currentText(), "ValidFrom");
    EXPECT_TRUE(p->chkTmpHistEndColHidden->isChecked());
    EXPECT_TRUE(p->chkTmpConsistency->isChecked());
    EXPECT_FALSE(p->chkTmpConsistency->isEnabled());
    EXPECT_FALSE(w->Modified());

    main->resize(1100, 800);
    main->show();
    if (QWidget* frame = w->parentWidget())
        frame->resize(900, 560);
    w->pagObject->setCurrentWidget(w->tabTemporal);
    QApplication::processEvents();
    saveGrab(w, "table_window_temporal");

    p->chkCreateTmpTbl->click();
    EXPECT_TRUE(w->Modified());
    EXPECT_FALSE(p->txtTmpHistTblName->isEnabled());
    answers = {IDNO};
    const qsizetype mark = Mark();
    w->Compile();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(Applied(mark), QStringList({"use [sales]", "ALTER TABLE [dbo].[T] SET (SYSTEM_VERSIONING = OFF)"}))
        << StatementsFrom(mark).join("\n---\n").toStdString();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes.first().endsWith("期間列の設定を削除しますか？\r\n"
                                       "(削除した場合はテンポラルテーブルとして再作成する際に期間列の再設定が必要になります。)"));
    EXPECT_EQ(boxes.first().section(':', 0, 0).toInt(), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
}

TEST_F(TemporalWindow, NewHistoryTableSwitchesOffAndOnWithTheBracketedName)
{
    Versioned();
    Params(session->fixture().pattern("select temporal_type from sys\\.tables .*"), {"dbo", "T"})
        .returns({qv::db::column("temporal_type", "tinyint")}, {{2}});
    TfrmTable* w = OpenTable();
    ASSERT_TRUE(w) << errors.join("\n").toStdString();
    w->pagObject->setCurrentWidget(w->tabTemporal);
    TTemporalPage* p = w->pnlTmp;
    p->txtTmpHistTblName->setText("T]old");
    EXPECT_TRUE(p->chkTmpConsistency->isEnabled());
    p->txtTmpHistTblName->clear();
    EXPECT_FALSE(p->chkTmpConsistency->isEnabled()); // only with both schema and table
    p->txtTmpHistTblName->setText("T]old");
    const qsizetype mark = Mark();
    w->Compile();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join("\n").toStdString();
    const QStringList sent = Applied(mark);
    ASSERT_FALSE(sent.isEmpty());
    EXPECT_EQ(sent.filter("ALTER TABLE"),
              QStringList({"ALTER TABLE [dbo].[T] SET (SYSTEM_VERSIONING = OFF)",
                           "ALTER TABLE [dbo].[T] SET (SYSTEM_VERSIONING = ON (HISTORY_TABLE = [dbo].[T]]old], "
                           "DATA_CONSISTENCY_CHECK = ON))"}))
        << sent.join("\n---\n").toStdString();
}

TEST_F(TemporalWindow, HistoryTableHasNoVersioningPage)
{
    Versioned(1);
    TfrmTable* w = OpenTable();
    ASSERT_TRUE(w) << errors.join("\n").toStdString();
    EXPECT_FALSE(w->pagObject->isTabVisible(w->pagObject->indexOf(w->tabTemporal)));
    EXPECT_TRUE(w->fraDataPage->pnlWhereTmp->isHidden()); // a history table has no period to choose
}

// The data page of a system-versioned table offers the FOR SYSTEM_TIME choice.
TEST_F(TemporalWindow, VersionedTableOffersThePeriodOnItsDataPage)
{
    Versioned();
    TfrmTable* w = OpenTable();
    ASSERT_TRUE(w) << errors.join("\n").toStdString();
    EXPECT_FALSE(w->fraDataPage->pnlWhereTmp->isHidden());
}

TEST(TemporalText, NewTableAddsThePeriodAfterTheKeyAndSwitchesVersioningOn)
{
    TableModel m;
    m.database = "sales";
    m.schema = "dbo";
    m.name = "T";
    m.columns = {Col("id", "int", true, true), Col("ValidFrom", "datetime2", true), Col("ValidTo", "datetime2", true)};
    m.versioning = On();
    m.versioning.startHidden = true;
    DdlOptions o;
    o.writeUse = false;
    o.schemaPrefix = "[dbo].";
    QStringList lines;
    AppendCreateScript(lines, m, o);
    const auto pad = [](const QString& quoted) { return QString(31 - quoted.size(), u' '); };
    EXPECT_EQ(lines, QStringList({"CREATE TABLE [dbo].[T]", "(", "    [id]" + pad("[id]") + "int NOT NULL", ")", "go",
                                  "ALTER TABLE [dbo].[T] ADD CONSTRAINT [PK_T]", "PRIMARY KEY ([id])",
                                  "ALTER TABLE [dbo].[T] ADD ",
                                  "    [ValidFrom]" + pad("[ValidFrom]") + "datetime2 GENERATED ALWAYS AS ROW START HIDDEN NOT NULL,",
                                  "    [ValidTo]" + pad("[ValidTo]") + "datetime2 GENERATED ALWAYS AS ROW END NOT NULL,",
                                  "    PERIOD FOR SYSTEM_TIME ([ValidFrom],[ValidTo])", "go",
                                  "ALTER TABLE [dbo].[T] SET (SYSTEM_VERSIONING = ON)", "go"}))
        << lines.join("\n").toStdString();
    // Without both period columns there is no versioning in the script.
    m.versioning.endColumn.clear();
    lines.clear();
    AppendCreateScript(lines, m, o);
    EXPECT_FALSE(lines.join("\n").contains("SYSTEM")) << lines.join("\n").toStdString();
}

TEST_F(TemporalWindow, SourcePageOfAVersionedTableCreatesItVersioned)
{
    Versioned();
    TfrmTable* w = OpenTable();
    ASSERT_TRUE(w) << errors.join("\n").toStdString();
    w->pagObject->setCurrentWidget(w->tabSource);
    const QStringList create = w->SourceLines();
    const qsizetype add = create.indexOf("ALTER TABLE [dbo].[T] ADD ");
    ASSERT_GT(add, 0) << create.join("\n").toStdString();
    EXPECT_FALSE(create.mid(0, add).join("\n").contains("[ValidFrom]")) << create.join("\n").toStdString();
    EXPECT_EQ(create.mid(add + 1, 6),
              QStringList({"    [ValidFrom]" + QString(20, u' ') + "datetime2(7) GENERATED ALWAYS AS ROW START NOT NULL,",
                           "    [ValidTo]" + QString(22, u' ') + "datetime2(7) GENERATED ALWAYS AS ROW END HIDDEN NOT NULL,",
                           "    PERIOD FOR SYSTEM_TIME ([ValidFrom],[ValidTo])", "go",
                           "ALTER TABLE [dbo].[T] SET (SYSTEM_VERSIONING = ON (HISTORY_TABLE = [dbo].[T_history], "
                           "DATA_CONSISTENCY_CHECK = ON))",
                           "go"}))
        << create.join("\n").toStdString();
}
