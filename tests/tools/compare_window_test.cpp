// The object comparison window from the main window's view menu on the scripted session: two
// connections, the object lists of each side, the scripts compared, the checks before a run,
// the script options put back, and the window closing with a side's connection.
#include "tools/compare/compare_window.h"
#include "tools_window_helper.h"

#include "controls/inputs/inputs.h"
#include "controls/lists/qv_listview.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QToolButton>

using namespace qv;
using namespace qv::db;

namespace {

struct CompareWindow : qvtest::ToolWindowTest {
    std::shared_ptr<ScriptedSession> session2 = std::make_shared<ScriptedSession>();
    TfrmObject* conn2 = nullptr;

    static void Objects(ScriptedSession& s, const QString& database, const std::vector<QVariantList>& rows)
    {
        s.fixture()
            .exact(compare::ObjectListSql({15, false}, {compare::Kind::Procedure}, database, compare::AllSchemas(), false))
            .returns({column("type", "char(2)"), column("name", "sysname"), column("", "nvarchar(128)"),
                      column("", "varchar(30)")},
                     rows);
    }
    static void Source(ScriptedSession& s, const QString& name, const QString& text)
    {
        auto& rule = s.fixture().exact("select definition from sys.sql_modules where object_id = object_id(?)");
        rule.params = QVariantList{"[dbo].[" + name + "]"};
        rule.returns({column("definition", "nvarchar(max)")}, {{text}});
    }
    TfrmComp* Open()
    {
        main->action("actViewComp")->trigger();
        return Find<TfrmComp>();
    }
};

TEST_F(CompareWindow, ComparesTheProceduresOfTwoConnectionsByTheirScripts)
{
    Connect();
    conn2 = ConnectSecond(session2);
    main->cmbDBName()->setCurrentIndex(0);
    main->cmbDBNameChange();
    TfrmComp* w = Open();
    ASSERT_TRUE(w);
    EXPECT_EQ(w->windowTitle(), QString("オブジェクト比較"));
    EXPECT_EQ(w->cmbConnect1->currentText(), "sa @ srv.Sales");
    EXPECT_EQ(w->cmbConnect2->currentText(), "sa @ srv.Sales");
    EXPECT_EQ(w->cmbDBName1->currentText(), "Sales");
    EXPECT_EQ(w->cmbSchema2->currentText(), compare::AllSchemas());
    EXPECT_TRUE(w->btnSequence->isEnabled());
    EXPECT_FALSE(w->actExcel->isEnabled());

    // The same place on both sides is refused before anything runs.
    const qsizetype mark = Mark();
    w->btnExec->click();
    EXPECT_EQ(messages, QStringList{"48:比較先が同一の場所を示しています。"});
    EXPECT_EQ(From(mark), QStringList{});

    // Side 2: the second connection and its database Stock.
    w->cmbConnect2->setCurrentIndex(w->cmbConnect2->findText("sa @ srv2.Sales"));
    w->cmbConnect2Change();
    EXPECT_EQ(w->Side2(), conn2);
    EXPECT_EQ(w->cmbDBName2->currentText(), "Sales");
    w->cmbDBName2->setCurrentIndex(w->cmbDBName2->findText("Stock"));
    w->btnProc->setChecked(true);

    Objects(*session, "Sales", {{"P ", "p_equal", "dbo", QVariant()}, {"P ", "p_diff", "dbo", QVariant()},
                               {"P ", "p_one", "dbo", QVariant()}});
    Objects(*session2, "Stock", {{"P ", "P_EQUAL", "dbo", QVariant()}, {"P ", "p_diff", "dbo", QVariant()},
                                 {"P ", "p_two", "dbo", QVariant()}});
    Source(*session, "p_equal", "create procedure p_equal as select 1");
    Source(*session2, "p_equal", "create procedure p_equal as select 1");
    Source(*session, "p_diff", "create procedure p_diff as select 1");
    Source(*session2, "p_diff", "create procedure p_diff as select 2");
    ScriptOption.Database = qmAlways; // forced off for the run, then put back
    ScriptOption.Index = true;
    messages.clear();
    session2->clearRecord();
    w->btnExec->click();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(messages, QStringList{"64:オブジェクト比較を終了しました。"});
    QStringList rows;
    for (int i = 0; i < w->lstComp->topLevelItemCount(); ++i)
        rows << w->OutputRows(false).at(i).join("|");
    EXPECT_EQ(rows, (QStringList{"p_diff|Sales|dbo|PROCEDURE|内容不一致", "p_equal|Sales|dbo|PROCEDURE|内容一致",
                                 "p_one|Sales|dbo|PROCEDURE|比較先１にのみ存在", "p_two|Stock|dbo|PROCEDURE|比較先２にのみ存在"}));
    // Side 2 lists its own database's objects; no database switch is written into the scripts.
    const QStringList sent = session2->statements();
    ASSERT_FALSE(sent.isEmpty());
    EXPECT_EQ(sent.first(),
              normalizeStatement(compare::ObjectListSql({15, false}, {compare::Kind::Procedure}, "Stock", compare::AllSchemas(), false)));
    EXPECT_TRUE(sent.contains("use [Stock]"));
    EXPECT_EQ(ScriptOption.Database, qmAlways);
    EXPECT_TRUE(ScriptOption.Index);
    EXPECT_TRUE(CompOption.Equrl && CompOption.Only2);
    EXPECT_TRUE(w->actExcel->isEnabled());
    EXPECT_EQ(w->OutputRows(true).first(),
              (QStringList{"オブジェクト名", "データベース", "スキーマ", "タイプ", "比較結果"}));
    w->resize(960, 460);
    SavePng(w, "compare");

    // The second connection closes: so does the comparison.
    QPointer<TfrmComp> alive(w);
    conn2->frame()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(alive.isNull());
}

TEST_F(CompareWindow, ChecksBeforeARun)
{
    Connect();
    TfrmComp* w = Open();
    ASSERT_TRUE(w);
    struct Case {
        bool anyFilter;
        QString schema1, schema2, message;
    };
    const QList<Case> cases = {
        {false, "dbo", "sales", "48:表示するオブジェクト条件を指定して下さい。"},
        {true, " ", "sales", "48:比較先１のスキーマを指定して下さい。"},
        {true, "dbo", "", "48:比較先２のスキーマを指定して下さい。"},
    };
    const qsizetype mark = Mark();
    for (const Case& c : cases) {
        messages.clear();
        for (QCheckBox* b : {w->chkEqurl, w->chkNotEqurl, w->chkOnly1, w->chkOnly2})
            b->setChecked(c.anyFilter);
        w->cmbSchema1->setEditText(c.schema1);
        w->cmbSchema2->setEditText(c.schema2);
        w->btnExecClick();
        EXPECT_EQ(messages, QStringList{c.message});
    }
    EXPECT_EQ(From(mark), QStringList{});
}

} // namespace
