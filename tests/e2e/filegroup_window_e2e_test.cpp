// The file group window end to end: logged on to the TDS test server through the FreeTDS ODBC
// driver, the window loads the file group FG_Archive of SalesDemo with its file, applies a
// growth change and a new file, and lists the objects stored in the group. The server answers
// from the demo fixtures and the window's own (tests/objects/fixtures/filegroup_window), and
// records anything they leave unanswered: the record stays empty.
#include "app/application.h"
#include "app/main_window.h"
#include "app/options.h"
#include "connection/connection_commands.h"
#include "connection/ddl_exec.h"
#include "connection/logon_dialog.h"
#include "connection/object_window.h"
#include "controls/grid/string_grid.h"
#include "controls/lists/qv_listview.h"
#include "objects/filegroup_window.h"
#include "support/test_env.h"
#include "define_window_e2e_helper.h"

#include <QCoreApplication>
#include <QFile>
#include <QTabWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qvtest;
using namespace qv;
using qv::filegroup::Field;

namespace {

struct FileGroupE2E : DefineWindowE2E {
    FileGroupE2E() : DefineWindowE2E({"filegroup_window"}) {}
};

} // namespace

TEST_F(FileGroupE2E, LoadsAppliesAndListsStoredObjects)
{
    QWidget* opened = conn->OpenObject(69, "SalesDemo", "", "FG_Archive", omDefine, false, 0, QString());
    if (opened)
        main.AddChildWindow(opened);
    auto* w = qobject_cast<TfrmTBS*>(opened);
    ASSERT_TRUE(w) << errors.join("\n").toStdString() << Unmatched().toStdString();
    const auto cell = [w](Field f, int r) { return w->grdFile->Cells(w->Column(f), r); };
    ASSERT_EQ(w->grdFile->RowCount(), 3);
    EXPECT_EQ(w->grdFile->Rows(1), QStringList({"SalesDemo_Archive", "D:\\data\\SalesDemo_Archive.ndf", "10", "10",
                                                "%", "UNLIMITED", "5.00", "500"}));

    // 64 MB growth for the file and a second file.
    w->grdFile->SetEditText(w->Column(Field::Growth), 1, "64");
    w->grdFile->SetEditText(w->Column(Field::Unit), 1, "MB");
    w->grdFile->SetEditText(w->Column(Field::Name), 2, "SalesDemo_Archive2");
    w->grdFile->SetEditText(w->Column(Field::Path), 2, "D:\\data\\SalesDemo_Archive2.ndf");
    w->grdFile->SetEditText(w->Column(Field::Size), 2, "8");
    w->Compile();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_FALSE(w->Modified());
    EXPECT_TRUE(TfrmDDLExec::OpenWindows().isEmpty());
    EXPECT_EQ(cell(Field::Size, 1), "10");

    // The stored objects.
    w->pagObject->setCurrentWidget(w->tabContents);
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    QStringList listed;
    for (int i = 0; i < w->lstObject->topLevelItemCount(); ++i)
        listed << w->lstObject->topLevelItem(i)->text(0) + "|" + w->lstObject->topLevelItem(i)->text(2);
    EXPECT_EQ(listed, QStringList({"OrderArchive|TABLE", "PK_OrderArchive|CONSTRAINT"}));

    EXPECT_TRUE(Unmatched().isEmpty()) << Unmatched().toStdString();
    const QString log = server.logText();
    EXPECT_TRUE(log.contains("MODIFY FILE (NAME = N'SalesDemo_Archive', MAXSIZE = UNLIMITED, FILEGROWTH = 65536KB)"))
        << log.toStdString();
    EXPECT_TRUE(log.contains("ADD FILE (NAME = N'SalesDemo_Archive2', FILENAME = N'D:\\data\\SalesDemo_Archive2.ndf', "
                             "SIZE = 8192KB)"));
    EXPECT_TRUE(log.contains("TO FILEGROUP [FG_Archive]"));
}
