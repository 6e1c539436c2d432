// The object palette of the SQL window's editor frame as a user drives it: a connection window on
// the scripted session, a SQL window on its session; the tree loads kinds, objects and columns
// when they open, inserts quoted names, the reverse search covers several databases and stops on
// Esc between them, and the open command reaches the connection window's open-by-type routine.
#include "sql/memo_palette.h"

#include "app/main_window.h"
#include "app/options.h"
#include "connection/object_window.h"
#include "editor/sqlmemo/qvmemo.h"
#include "platform/db/scripted_session.h"
#include "platform/registry.h"
#include "sql/memo_frame.h"
#include "sql/sql_history.h"
#include "sql/sql_window.h"
#include "tables/define_session_helper.h"

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <memory>
#include <ostream>

#include <gtest/gtest.h>

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

using namespace qv;
using namespace qv::db;

namespace {

// The connection window with its open-by-type routine noted instead of opening a window.
class RecordingConnection : public TfrmObject {
public:
    using TfrmObject::TfrmObject;
    QStringList opened;
    QWidget* OpenObject(int type, const QString& db, const QString& schema, const QString& name, TOpenMode mode, bool,
                        int, const QString&) override
    {
        opened << QStringLiteral("%1 %2 %3 %4 %5").arg(type).arg(db, schema, name).arg(int(mode));
        return nullptr;
    }
};

const QString kTables = " select name,schema_name(schema_id) from sys.objects where type in('U') order by schema_name(schema_id),    name";
const QString kColumns =
    " select COLUMN_NAME from INFORMATION_SCHEMA.COLUMNS WHERE TABLE_SCHEMA = N'dbo' AND  TABLE_NAME = N'Orders' ORDER BY ORDINAL_POSITION";

QString SearchSql(const QString& db)
{
    return "select  'COLUMN' AS \"OBJ_TYPE\"        ,a.TABLE_CATALOG AS \"OBJ_DB\"        ,a.COLUMN_NAME AS \"OBJ_NAME\"        "
           ",b.type AS \"REF_OBJ_TYPE\"        ,a.TABLE_CATALOG AS \"REF_OBJ_DB\"        ,TABLE_SCHEMA + '.' + TABLE_NAME AS "
           "\"REF_OBJ_NAME\"        ,'' AS \"REF_DB_LINK\"   from  INFORMATION_SCHEMA.COLUMNS a  inner  join sys.objects b     "
           "on  object_id(QUOTENAME(TABLE_CATALOG) + '.' + QUOTENAME(TABLE_SCHEMA) + '.' + QUOTENAME(TABLE_NAME)) = b.object_id  "
           "WHERE  a.TABLE_CATALOG = (N'" + db + "') AND UPPER(COLUMN_NAME) LIKE N'%ID%'";
}

struct MemoPalette : qvtest::DefineSession {
    QTemporaryDir work;
    RecordingConnection* owner = nullptr;
    TfrmSQL* sql = nullptr;
    TqvObjectPalette* pal = nullptr;

    void SetUp() override
    {
        DefineSession::SetUp();
        qvOption.TempDir = work.path() + "/";
        SqlLogStore::instance().reset();
        Connect(false, "sales");
        auto& f = session->fixture();
        f.exact("SELECT SERVERPROPERTY(N'productversion')").returns({column("", "nvarchar(128)")}, {{"15.0.2000.5"}});
        for (const char* db : {"master", "sales", "tempdb"})
            f.exact(QStringLiteral("use [%1]").arg(QLatin1String(db)));
        f.exact(kTables).returns({column("name", "sysname"), column("", "sysname")}, {{"Orders", "dbo"}, {"x]y", "sales"}});
        f.exact(kColumns).returns({column("COLUMN_NAME", "sysname")}, {{"c1"}, {"c2"}, {"c3"}, {"a]b"}});
        const std::vector<ColumnDesc> found{column("OBJ_TYPE", "varchar(6)"),     column("OBJ_DB", "sysname"),
                                  column("OBJ_NAME", "sysname"),        column("REF_OBJ_TYPE", "char(2)"),
                                  column("REF_OBJ_DB", "sysname"),      column("REF_OBJ_NAME", "nvarchar(257)"),
                                  column("REF_DB_LINK", "varchar(1)")};
        f.exact(SearchSql("master")).returns(found, {{"COLUMN", "master", "dbid", "U ", "master", "dbo.spt_fallback_db", ""}});
        f.exact(SearchSql("sales"))
            .returns(found, {{"COLUMN", "sales", "OrderID", "U ", "sales", "dbo.Orders", ""},
                             {"COLUMN", "sales", "CustomerID", "V ", "sales", "dbo.vOrders", ""}});
        f.exact(SearchSql("tempdb")).returns(found, {});
        owner = new RecordingConnection(nullptr, "sales", "sa", "pw", "srv", session);
        main->AddChildWindow(owner);
        sql = new TfrmSQL(owner->session());
        main->AddChildWindow(sql);
        pal = sql->fraMemo->palette;
    }

    QTreeWidgetItem* Node(const QStringList& path) { return pal->FindNode(path); }
    void Select(const QList<QTreeWidgetItem*>& items)
    {
        pal->trvObject->clearSelection();
        for (QTreeWidgetItem* i : items)
            i->setSelected(true);
    }
    QString Text() const { return sql->txtSQL->Lines().ToStringList().join(u'\n'); }
};

void Key(QWidget* w, QEvent::Type type, int key)
{
    QKeyEvent e(type, key, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

} // namespace

TEST_F(MemoPalette, TreeLoadsOnDemandAndInsertsQuotedNames)
{
    ASSERT_TRUE(pal);
    EXPECT_EQ(pal->trvObject->topLevelItem(0)->text(0), "srv(15.0.2000.5)");
    QTreeWidgetItem* db = Node({"srv(15.0.2000.5)", "sales"});
    ASSERT_TRUE(db);
    EXPECT_TRUE(db->isExpanded());
    QStringList kinds;
    for (int i = 0; i < db->childCount(); ++i)
        kinds << db->child(i)->text(0);
    EXPECT_EQ(kinds, (QStringList{"TABLE", "VIEW", "SYNONYM", "PROCEDURE", "FUNCTION", "TRIGGER"}));

    // Kinds and tables load when opened, after the switch to their database, and only once.
    const qsizetype mark = Mark();
    QTreeWidgetItem* tables = db->child(0);
    tables->setExpanded(true);
    QTreeWidgetItem* orders = Node({"srv(15.0.2000.5)", "sales", "TABLE", "dbo.Orders"});
    ASSERT_TRUE(orders);
    orders->setExpanded(true);
    tables->setExpanded(false);
    tables->setExpanded(true);
    EXPECT_EQ(StatementsFrom(mark), (QStringList{"use [sales]", kTables.trimmed(), "use [sales]", kColumns.trimmed()}));
    ASSERT_EQ(orders->childCount(), 4);

    // Three columns at once through the pop-up command; a bracket inside a name is doubled.
    Select({orders->child(2), orders->child(0), orders->child(1)});
    pal->actInsertNodeText->trigger();
    EXPECT_EQ(Text(), "[c1], [c2], [c3]");
    sql->txtSQL->Lines().Assign({QString()});
    sql->txtSQL->SetRowCol(0, 0);
    Select({orders->child(3)});
    Key(pal->trvObject, QEvent::KeyPress, Qt::Key_Return);
    Key(pal->trvObject, QEvent::KeyRelease, Qt::Key_Return);
    EXPECT_EQ(Text(), "[a]]b]");
    Key(pal->trvObject, QEvent::KeyRelease, Qt::Key_Return); // a release without its press: nothing
    EXPECT_EQ(Text(), "[a]]b]");

    // With the login database node the table is database-qualified; dropped past a short row's
    // end, the row is padded up to the drop column.
    sql->txtSQL->Lines().Assign({"ab"});
    Select({db, orders});
    EXPECT_EQ(pal->TreeText(), "[sales].[dbo].[Orders]");
    Select({Node({"srv(15.0.2000.5)", "sales", "TABLE", "sales.x]y"})});
    main->show();
    sql->resize(900, 600);
    sql->show();
    const int x = sql->txtSQL->LeftMargin() + 6 * sql->txtSQL->ColWidth();
    const int y = sql->txtSQL->TopMargin() + sql->txtSQL->RowHeight() / 2;
    // The drag carries the insertion text; the editor takes it where it is dropped.
    std::unique_ptr<QMimeData> mime(pal->trvObject->model()->mimeData(pal->trvObject->selectionModel()->selectedIndexes()));
    ASSERT_TRUE(mime);
    EXPECT_EQ(mime->text(), "[sales].[x]]y]");
    QDragEnterEvent enter(QPoint(x, y), Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(sql->txtSQL->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(x, y), Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(sql->txtSQL->viewport(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(Text(), "ab    [sales].[x]]y]");
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
}

TEST_F(MemoPalette, ReverseSearchCoversEveryDatabaseOfTheScope)
{
    pal->cmbList->setCurrentIndex(0); // all databases
    pal->txtListSearch->setText("id");
    const qsizetype mark = Mark();
    pal->btnListSearch->click();
    EXPECT_EQ(StatementsFrom(mark), (QStringList{catalog::DatabaseListSql(false), "use [master]", SearchSql("master"), "use [sales]", SearchSql("sales"),
                                                  "use [tempdb]", SearchSql("tempdb")}));
    QStringList rows;
    for (int i = 0; i < pal->lstObject->topLevelItemCount(); ++i)
        rows << pal->lstObject->topLevelItem(i)->text(0) + " / " + pal->lstObject->topLevelItem(i)->text(1);
    EXPECT_EQ(rows, (QStringList{"master.dbo.spt_fallback_db / dbid", "sales.dbo.Orders / OrderID",
                                 "sales.dbo.vOrders / CustomerID"}));
    // Names of another database than the login one are database-qualified.
    for (int i = 0; i < 3; ++i)
        pal->lstObject->topLevelItem(i)->setSelected(true);
    pal->lstObject->setFocus();
    Key(pal->lstObject, QEvent::KeyPress, Qt::Key_Return);
    EXPECT_EQ(Text(), "[master].[dbo].[spt_fallback_db] [dbo].[Orders] [dbo].[vOrders]");

    // The view opens through the connection window's open-by-type routine.
    pal->lstObject->clearSelection();
    pal->lstObject->topLevelItem(2)->setSelected(true);
    pal->actOpenDefineforList->trigger();
    EXPECT_EQ(owner->opened, QStringList{"47 sales dbo vOrders 0"});
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
}

TEST_F(MemoPalette, EscStopsTheSearchBetweenDatabases)
{
    main->show();
    QApplication::setActiveWindow(main.get());
    ASSERT_EQ(QApplication::activeWindow(), main.get());
    pal->cmbList->setCurrentIndex(0);
    pal->txtListSearch->setText("id");
    const qsizetype mark = Mark();
    QCoreApplication::postEvent(main.get(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    pal->Search();
    EXPECT_EQ(StatementsFrom(mark), (QStringList{catalog::DatabaseListSql(false), "use [master]", SearchSql("master")}));
    EXPECT_EQ(pal->lstObject->topLevelItemCount(), 1);
}

TEST_F(MemoPalette, OpenDefinitionOfAnObjectOrOfAColumnsTable)
{
    QTreeWidgetItem* tables = Node({"srv(15.0.2000.5)", "sales", "TABLE"});
    tables->setExpanded(true);
    QTreeWidgetItem* orders = Node({"srv(15.0.2000.5)", "sales", "TABLE", "dbo.Orders"});
    orders->setExpanded(true);
    Select({orders});
    pal->actOpenDefineForTree->trigger();
    Select({orders->child(1)});
    pal->actOpenDefineForTree->trigger();
    Select({tables});
    EXPECT_FALSE(pal->actOpenDefineForTree->isEnabled());
    EXPECT_EQ(owner->opened, (QStringList{"45 sales dbo Orders 0", "45 sales dbo Orders 0"}));

    // Select all columns from one column: its siblings join the selection.
    Select({orders->child(0)});
    pal->actTreeSelectAllCol->trigger();
    EXPECT_EQ(pal->trvObject->selectedItems().size(), 4);
    EXPECT_EQ(pal->TreeText(), "[c1], [c2], [c3], [a]]b]");
}

TEST_F(MemoPalette, ScopeChoiceRebuildsTheTreeAndIsRemembered)
{
    const bool savedUserFirst = qvOption.UserFirst;
    qvOption.UserFirst = true;
    TqvRegistry reg;
    ASSERT_TRUE(reg.OpenKey(SettingsRootKey + "\\EDITOR", true));
    auto databases = [](TqvObjectPalette* p) {
        QTreeWidgetItem* server = p->trvObject->topLevelItem(0);
        QStringList out;
        for (int i = 0; server && i < server->childCount(); ++i)
            out << server->child(i)->text(0);
        return out;
    };
    EXPECT_EQ(databases(pal), QStringList{"sales"});
    pal->cmbTree->setCurrentIndex(0);
    emit pal->cmbTree->activated(0);
    EXPECT_EQ(databases(pal), (QStringList{"sales", "master", "tempdb"})); // the login database first
    EXPECT_EQ(reg.GetInteger("SchemaDisp", -1), 0);

    // The configured list, cancelled: the scope stays.
    int asked = 0;
    TqvObjectPalette::ProjectDialogHook = [&](IConnectionWindow*) { return ++asked, false; };
    pal->cmbTree->setCurrentIndex(2);
    emit pal->cmbTree->activated(2);
    TqvObjectPalette::ProjectDialogHook = nullptr;
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(pal->cmbTree->currentIndex(), 0);
    EXPECT_EQ(reg.GetInteger("SchemaDisp", -1), 0);

    // The next SQL window starts with the remembered scope.
    auto* next = new TfrmSQL(owner->session());
    main->AddChildWindow(next);
    EXPECT_EQ(next->fraMemo->palette->cmbTree->currentIndex(), 0);
    EXPECT_EQ(databases(next->fraMemo->palette).size(), 3);
    reg.DeleteKey(SettingsRootKey + "\\EDITOR");
    qvOption.UserFirst = savedUserFirst;
}
