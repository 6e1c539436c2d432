#include "sql/exec_proc.h"
#include "sql/exec_proc_window.h"

#include "support/modal_helper.h"

#include "app/options.h"
#include "connection/dm_sqlserver.h"
#include "connection/object_session.h"
#include "platform/db/query.h"
#include "platform/db/scripted_session.h"
#include "platform/exceptions.h"

#include <QDate>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace qv;
using namespace qv::db;

TEST(ExecProcText, TypeTextOfTheCatalogTypes)
{
    const struct { const char* type; qint64 length; const char* text; } cases[] = {
        {"int", 4, "int"},           {"nvarchar", 20, "nvarchar(20)"}, {"varchar", -1, "varchar(max)"},
        {"nvarchar", -1, "nvarchar(max)"}, {"varbinary", -1, "varbinary(max)"}, {"char", 10, "char(10)"},
        {"binary", 8, "binary(8)"},  {"date", 3, "date"},             {"decimal", 9, "decimal"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProcParamTypeText(c.type, c.length), QString(c.text)) << c.type;
}

TEST(ExecProcText, CallWithoutParametersHasNoLineEnd)
{
    EXPECT_EQ(ExecCallText("dbo", "ping", {{"RESULT", "int", "", ProcParamKind::Result}}), "execute :qv_ret = [dbo].[ping]");
    EXPECT_EQ(ExecCallText("sales", "my proc", {}), "execute :qv_ret = [sales].[my proc]");
}

TEST(ExecProcText, OutputParametersAreMarkedOutput)
{
    const QList<ProcParam> params = {{"RESULT", "int", "", ProcParamKind::Result},
                                     {"@from", "date", "2024-01-01", ProcParamKind::Input},
                                     {"@total", "int", "", ProcParamKind::Output}};
    EXPECT_EQ(ExecCallText("dbo", "count_orders", params), "execute :qv_ret = [dbo].[count_orders]\r\n:from,:total output");
    EXPECT_EQ(ProcParamMarker(params[0]), "QV_RET");
    EXPECT_EQ(ProcParamMarker(params[2]), "TOTAL");
}

TEST(ExecProcText, ValuesAreBoundTypedNeverAsSqlText)
{
    const struct { const char* type; const char* value; ParamType dataType; QVariant bound; } cases[] = {
        {"date", "2024-01-01", ParamType::Date, QDate(2024, 1, 1)},
        {"datetime", "2024-01-02 03:04:05", ParamType::DateTime, QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5))},
        {"int", "12", ParamType::Integer, qint64(12)},
        {"decimal", "12345678901234567.891", ParamType::BCD, QString("12345678901234567.891")},
        {"uniqueidentifier", "6F9619FF-8B86-D011-B42D-00C04FC964FF", ParamType::WideString,
         QString("6F9619FF-8B86-D011-B42D-00C04FC964FF")},
        {"nvarchar(10)", "a'b", ParamType::WideString, QString("a'b")},
        {"int", "", ParamType::Integer, QVariant()},
    };
    for (const auto& c : cases) {
        Param target("P");
        BindProcParam(target, {"@p", c.type, c.value, ProcParamKind::Input});
        EXPECT_EQ(target.DataType(), c.dataType) << c.type;
        EXPECT_EQ(target.Value(), c.bound) << c.type;
        EXPECT_EQ(target.Direction(), ParamDirection::Input);
    }
    Param out("P");
    BindProcParam(out, {"@total", "int", "", ProcParamKind::Output});
    EXPECT_EQ(out.Direction(), ParamDirection::Output);
    Param ret("P");
    BindProcParam(ret, {"RESULT", "int", "", ProcParamKind::Result});
    EXPECT_EQ(ret.Direction(), ParamDirection::Result);
    for (auto [type, value] : {std::pair{"int", "1+1"}, {"date", "2024-13-45"}, {"money", "1;drop table t"}}) {
        Param bad("P");
        EXPECT_THROW(BindProcParam(bad, {"@p", type, value, ProcParamKind::Input}), Exception) << type;
    }
}

TEST(ExecProcText, TableFunctionArgumentsQuoteTexts)
{
    const QList<ProcParam> params = {{"RESULT", "TABLE", "", ProcParamKind::Result},
                                     {"@name", "nvarchar(40)", "a, b 'c'", ProcParamKind::Input},
                                     {"@n", "int", "3", ProcParamKind::Input},
                                     {"@d", "date", "", ProcParamKind::Input}};
    EXPECT_EQ(TableFunctionSQL("Sales", "dbo", "f", params), "select * from [Sales].[dbo].[f](N'a, b ''c''',3,null)");
}

namespace {

struct ExecProcWindow : ::testing::Test {
    std::shared_ptr<ScriptedSession> session = std::make_shared<ScriptedSession>();
    TObjectSession owner;
    QStringList boxes;

    const std::vector<ColumnDesc> paramColumns = {
        column("parameter_id", "int"), column("name", "nvarchar(128)"), column("type", "nvarchar(128)"),
        column("length", "int"),       column("precision", "int"),     column("scale", "int"),
        column("usertype", "nvarchar(128)"), column("default_value", "nvarchar(10)"), column("is_output", "bit")};

    void SetUp() override
    {
        owner.dmSQLServer->Connection->SetDriver(session);
        owner.dmSQLServer->Connection->Open();
        owner.g_Server = "srv";
        owner.DBVer = 15;
        session->fixture().exact("use [Sales]");
        TfrmExecProc::MessageHook = [this](QWidget*, const QString& text, int icon) {
            boxes << QString::number(icon) + ":" + text;
        };
    }
    void object(const QString& kind, std::vector<QVariantList> params)
    {
        auto& f = session->fixture();
        f.pattern("select type from sys\\.objects .*").returns({column("type", "char(2)")}, {{kind}});
        f.pattern("select param\\.parameter_id .* order by 1").returns(paramColumns, std::move(params));
    }
    QStringList output(TfrmExecProc& w) const { return w.txtOutput->toPlainText().split('\n'); }
};

} // namespace

TEST_F(ExecProcWindow, ProcedureWithoutParametersShowsItsReturnValue)
{
    object("P ", {{0, "", "int", 0, 0, 0, "", " ", false}});
    session->fixture().exact("execute ? = [dbo].[ping]").outputs["QV_RET"] = 0;
    TfrmExecProc w(&owner, "Sales", "dbo", "ping", 51);
    ASSERT_EQ(w.lstParam->topLevelItemCount(), 1);
    EXPECT_EQ(w.lstParam->topLevelItem(0)->text(0), "RESULT");
    w.btnExecClick();
    EXPECT_EQ(output(w), (QStringList{"【 実行後パラメータ値 】", "RESULT : 0"}));
    EXPECT_EQ(boxes, QStringList{"64:プログラムを実行しました。"});
    EXPECT_TRUE(w.windowTitle() == "ストアドプログラム実行 - dbo.ping @ srv.Sales");
}

TEST_F(ExecProcWindow, OutputParameterAndBoundDateAfterTheRun)
{
    object("P ", {{0, "", "int", 0, 0, 0, "", " ", false},
                  {1, "@from", "date", 3, 10, 0, "date", " ", false},
                  {2, "@total", "int", 4, 10, 0, "int", " ", true}});
    auto& rule = session->fixture().exact("execute ? = [dbo].[count_orders]\n?,? output");
    rule.outputs["QV_RET"] = 0;
    rule.outputs["TOTAL"] = 42;
    TfrmExecProc w(&owner, "Sales", "dbo", "count_orders", 51);
    ASSERT_EQ(w.lstParam->topLevelItemCount(), 3);
    EXPECT_EQ(w.lstParam->topLevelItem(2)->text(1), "int");
    w.SelectParam(1);
    w.txtParam->setText("2024-01-01");
    w.btnExecClick();
    EXPECT_EQ(output(w), (QStringList{"【 実行後パラメータ値 】", "RESULT : 0", "@from : 2024-01-01", "@total : 42"}));
    const RecordedStatement& call = session->recorded().back();
    ASSERT_EQ(call.values.size(), 3);
    EXPECT_EQ(call.values[1].typeId(), QMetaType::QDate);
    EXPECT_EQ(call.values[1].toDate(), QDate(2024, 1, 1));
}

TEST_F(ExecProcWindow, ValueThatDoesNotConvertStopsBeforeTheCall)
{
    object("P ", {{0, "", "int", 0, 0, 0, "", " ", false}, {1, "@n", "int", 4, 10, 0, "int", " ", false}});
    TfrmExecProc w(&owner, "Sales", "dbo", "p", 51);
    w.SetParamValue(1, "1+1");
    const auto sent = session->recorded().size();
    w.btnExecClick();
    EXPECT_EQ(session->recorded().size(), sent);
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].startsWith("16:'1+1'"));
    EXPECT_EQ(w.ExecStatus, TExecStatus::esEndError);
}

TEST_F(ExecProcWindow, TableFunctionShowsItsRows)
{
    object("TF", {{0, "", "TABLE", 0, 0, 0, "", " ", false}, {1, "@name", "nvarchar", 40, 0, 0, "nvarchar", " ", false}});
    session->fixture()
        .exact("select * from [Sales].[dbo].[orders_of](N'a, b')")
        .returns({column("id", "int"), column("who", "nvarchar(10)")}, {{1, "あ"}, {2, "い"}});
    TfrmExecProc w(&owner, "Sales", "dbo", "orders_of", 52);
    ASSERT_TRUE(w.TableFunction());
    EXPECT_EQ(w.lstParam->topLevelItem(1)->text(1), "nvarchar(40)");
    w.SetParamValue(1, "a, b");
    w.btnExecClick();
    EXPECT_EQ(output(w), (QStringList{"【 実行後パラメータ値 】", "RESULT : TABLE", "id\twho", "1\tあ", "2\tい", "", "@name : a, b"}));
}
