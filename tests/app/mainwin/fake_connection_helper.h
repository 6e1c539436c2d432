#pragma once
// A connection window for tests: settable connection facts, records what is asked of it and
// announces itself to the main window like the real one.
#include <QStringList>
#include <QWidget>

#include "app/connection_window_iface.h"

namespace qvtest {

class FakeConnectionWindow : public QWidget, public qv::IConnectionWindow {
    Q_OBJECT
public:
    explicit FakeConnectionWindow(const QString& login = QStringLiteral("sa"),
                                  const QString& server = QStringLiteral("srv"),
                                  const QString& database = QStringLiteral("master"), int version = 15,
                                  bool azure = false);
    ~FakeConnectionWindow() override;

    // Shows the window in the main window's MDI area and adds it to the connection list.
    void open();

    QString login, password, server, database, userId, schema = QStringLiteral("dbo");
    int version = 15;
    bool azure = false;
    bool windowsAuth = false;
    int objectCount = 0, selectedCount = 0;
    bool details = true;
    bool allowClose = true;
    bool failCommit = false;
    QStringList calls; // "Commit", "NewObject 45", "SetShortCut" …
    qv::TOpenMode lastMode = qv::omDefine; // of the last OpenObject
    int lastTopRecord = 0;
    QString lastParent;
    int treeLevel = -1;

    QWidget* connectionWidget() override { return this; }
    QString Login() const override { return login; }
    QString Password() const override { return password; }
    QString Server() const override { return server; }
    QString DataBase() const override { return database; }
    QString UserID() const override { return userId; }
    int DBVer() const override { return version; }
    bool IsAzure() const override { return azure; }
    bool WindowsAuthentication() const override { return windowsAuth; }
    QString GetCurrentSchema() const override { return schema; }
    void Commit() override;
    void Rollback() override;
    void StartTransaction() override { calls << QStringLiteral("StartTransaction"); }
    int ObjectCount() const override { return objectCount; }
    int SelectedObjectCount() const override { return selectedCount; }
    void SetObjectListDetails(bool d) override { details = d; }
    QWidget* OpenObject(int objectType, const QString& db, const QString& sch, const QString& name, qv::TOpenMode,
                        bool, int, const QString&) override;
    void NewObject(int objectType) override { calls << QStringLiteral("NewObject %1").arg(objectType); }
    void GetDatabase(QStringList& list) override { list = {database}; }
    void ExecuteSQL(const QString& sql) override { calls << sql; }
    void SetCommandList() override { calls << QStringLiteral("SetCommandList"); }
    void SetReportList() override { calls << QStringLiteral("SetReportList"); }
    void SetShortCut() override { calls << QStringLiteral("SetShortCut"); }
    void UserCommandClick(QAction*) override { calls << QStringLiteral("UserCommand"); }
    void ReportClick(QAction*) override { calls << QStringLiteral("Report"); }
    bool CloseQuery() override { return allowClose; }
    int ObjectTreeLevel() const override { return treeLevel; }
    QWidget* RunStoredProgram(const QString& db, const QString& sch, const QString& name, int objectType) override
    {
        calls << QStringLiteral("RunStoredProgram %1 %2.%3.%4").arg(objectType).arg(db, sch, name);
        return this;
    }

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    bool m_registered = false;
};

} // namespace qvtest
