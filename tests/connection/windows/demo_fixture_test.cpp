// The demo server's fixtures answer the log-on, the tree and the listings of the connection
// window (the same files serve the TDS test server).
#include "connection/object_window.h"

#include "controls/lists/qv_listview.h"
#include "controls/lists/qv_treeview.h"
#include "platform/db/scripted_session.h"
#include "support/test_env.h"

#include <QComboBox>
#include <gtest/gtest.h>

using namespace qv;
using namespace qv::db;

TEST(DemoFixtures, LogOnTreeAndTableListing)
{
    const QString dir = qvtest::fixturesDir() + "/demo";
    Fixture f = Fixture::fromFile(dir + "/databases/SalesDemo.json");
    f.merge(Fixture::fromFile(dir + "/server.json"));
    auto session = std::make_shared<ScriptedSession>(f);
    {
        TfrmObject w(nullptr, "SalesDemo", "sa", "pw", "localhost", session);
        EXPECT_EQ(w.session()->DBVer, 15);
        EXPECT_EQ(w.session()->g_Schema, "dbo");
        EXPECT_EQ(w.session()->MYSID, 52);
        QTreeWidgetItem* db = w.lstTree->currentItem();
        ASSERT_TRUE(db);
        EXPECT_EQ(db->text(0), "SalesDemo");
        EXPECT_EQ(db->childCount(), 9);
        w.lstTree->setCurrentItem(db->child(0));
        ASSERT_EQ(w.lstObject->topLevelItemCount(), 3);
        EXPECT_EQ(w.lstObject->topLevelItem(0)->text(0), "Customers");
        // Each type node lists its own kind only: the answers follow the statement's type filter.
        const QStringList kinds{"TABLE", "INDEX", "VIEW", "PROCEDURE", "FUNCTION", "TRIGGER", "SEQUENCE", "SYNONYM", "CONSTRAINT"};
        const QList<int> counts{3, 5, 1, 1, 1, 1, 1, 1, 16};
        for (int i = 0; i < db->childCount(); ++i) {
            ASSERT_EQ(db->child(i)->text(0), kinds[i]);
            w.lstTree->setCurrentItem(db->child(i));
            EXPECT_EQ(w.lstObject->topLevelItemCount(), counts[i]) << kinds[i].toStdString();
            for (int r = 0; r < w.lstObject->topLevelItemCount(); ++r)
                EXPECT_EQ(w.lstObject->topLevelItem(r)->text(3), kinds[i]) << kinds[i].toStdString();
        }
        w.lstTree->setCurrentItem(db);
        EXPECT_EQ(w.lstObject->topLevelItemCount(), 30); // every kind at once
    }
}
