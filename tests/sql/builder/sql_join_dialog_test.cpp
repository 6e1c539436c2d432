#include "sql/sql_join_dialog.h"

#include "app/options.h"

#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QComboBox>
#include <QPushButton>

using namespace qv;

namespace {
struct JoinDialog : ::testing::Test {
    TqvSQLDesign d;
    TqvSQLBuildTable *a = nullptr, *b = nullptr;
    bool saved = qvOption.UseLowerName;
    void SetUp() override
    {
        qvOption.UseLowerName = false;
        a = d.AddTable("orders");
        b = d.AddTable("customers");
        a->TableName = "orders";
        b->TableName = "customers";
        a->Items = {{"*", false}, {"id", true}, {"customer_id", false}};
        b->Items = {{"*", false}, {"id", true}, {"name", false}};
    }
    void TearDown() override
    {
        TfrmSQLBldConnect::ExecHook = nullptr;
        qvOption.UseLowerName = saved;
    }
};
} // namespace

TEST_F(JoinDialog, OkStoresColumnsAndOperatorAndMakesTheJoinInner)
{
    auto* c = d.AddConnect(a, b, "id", "id");
    c->JoinType = jtLeftOuter;
    TfrmSQLBldConnect::ExecHook = [](TfrmSQLBldConnect* f) {
        EXPECT_EQ(f->cmbColumn1->count(), 2); // "*" is not offered
        EXPECT_EQ(f->cmbColumn1->currentText(), "id");
        f->cmbColumn1->setCurrentText("customer_id");
        f->rdoConnectType->button(ctGE)->setChecked(true);
        f->grab().save(QString(QORVEL_BINARY_DIR) + "/query_builder_join.png");
        return int(QDialog::Accepted);
    };
    EXPECT_TRUE(TfrmSQLBldConnect::ShowWindow(&d, c));
    EXPECT_EQ(c->FromColumn, "customer_id");
    EXPECT_EQ(c->ConnectType, ctGE);
    EXPECT_EQ(c->JoinType, jtInner);
    EXPECT_TRUE(d.DesignToSQLLines().contains("  a.customer_id >= b.id"));
}

TEST_F(JoinDialog, DeleteRemovesTheJoinAndCancelChangesNothing)
{
    auto* c = d.AddConnect(a, b, "id", "id");
    TfrmSQLBldConnect::ExecHook = [](TfrmSQLBldConnect* f) {
        f->rdoConnectType->button(ctNE)->setChecked(true);
        return int(QDialog::Rejected);
    };
    EXPECT_FALSE(TfrmSQLBldConnect::ShowWindow(&d, c));
    EXPECT_EQ(c->ConnectType, ctEQ);
    TfrmSQLBldConnect::ExecHook = [](TfrmSQLBldConnect* f) {
        f->btnDelete->click();
        return f->result();
    };
    EXPECT_TRUE(TfrmSQLBldConnect::ShowWindow(&d, c));
    EXPECT_TRUE(d.Connects().empty());
    EXPECT_FALSE(d.DesignToSQLLines().contains("WHERE"));
}
